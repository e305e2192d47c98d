// The print picture of a two-channel main window: colours, header and the look put back.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <filesystem>
#include <fstream>
#include <map>

#include "display/DrawingPlane.h"
#include "display/RangeView.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "platform/ui/ImageCanvas.h"
#include "platform/ui/Panel.h"
#include "shell/PrintRig.h"

namespace {

// The most frequent colour of the picture.
QRgb Dominant(const QImage& image) {
  std::map<QRgb, int> count;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++count[image.pixel(x, y) & 0xFFFFFF];
  return std::max_element(count.begin(), count.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

bool AllGrey(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) return false;
    }
  return true;
}

class PrintImage : public PrintRig {
 protected:
  void SetUp() override { BuildTwoChannels(640, 480); }
  // The chart of channel i within the picture, below a header of the given height.
  QImage Chart(const QImage& picture, int i, int header) {
    TRangeView* view = frm->GetView(i);
    const QPoint at = view->DrawingPlane->mapTo(frm->plGraphArea, QPoint(0, 0));
    return picture.copy(at.x(), at.y() + header, view->DrawingPlane->Width(), view->DrawingPlane->Height());
  }
};

TEST_F(PrintImage, BlackAndWhiteFollowsInversion) {
  frm->PrintColor = 2;
  for (bool inverted : {true, false}) {
    SCOPED_TRACE(inverted ? "inverted" : "not inverted");
    frm->PrintInverted = inverted;
    const QImage picture = frm->CreatePrintImage();
    ASSERT_EQ(picture.size(), QSize(frm->plGraphArea->Width(), frm->plGraphArea->Height()));
    for (int i = 0; i < 2; ++i) {
      const QImage chart = Chart(picture, i, 0);
      EXPECT_TRUE(AllGrey(chart));
      EXPECT_EQ(Dominant(chart), inverted ? 0xFFFFFFu : 0x000000u);
    }
  }
}

TEST_F(PrintImage, GreyScaleLeavesOnlyGreys) {
  frm->PrintColor = 1;
  frm->PrintInverted = false;
  const QImage picture = frm->CreatePrintImage();
  EXPECT_TRUE(AllGrey(picture));
  const TColor background = ColorToGray(ViewProperties->UndegroundColor);
  const QImage chart = Chart(picture, 0, 0);
  // TColor keeps red in its low byte.
  EXPECT_EQ(Dominant(chart), qRgb(background & 0xFF, (background >> 8) & 0xFF, (background >> 16) & 0xFF) & 0xFFFFFF);
}

TEST_F(PrintImage, HeaderAddsTextHeightPlusTwoAndIsRightAligned) {
  frm->PrintColor = 2;
  frm->PrintInverted = false;
  const QImage plain = frm->CreatePrintImage();
  frm->PrintTime = true;
  const QImage headed = frm->CreatePrintImage();
  ui::ImageCanvas measure(1, 1);
  measure.SetFont(ViewProperties->ChartFont());
  const int header = measure.TextHeight("0") + 2;
  ASSERT_EQ(headed.height(), plain.height() + header);
  EXPECT_EQ(headed.width(), plain.width());
  // The header's text ends within a few pixels of the right edge and starts well right of the
  // middle; its background is the chart's (black here).
  int leftmost = headed.width(), rightmost = -1;
  for (int y = 0; y < header; ++y)
    for (int x = 0; x < headed.width(); ++x)
      if ((headed.pixel(x, y) & 0xFFFFFF) != 0) {
        leftmost = std::min(leftmost, x);
        rightmost = std::max(rightmost, x);
      }
  ASSERT_GE(rightmost, 0) << "no header text";
  EXPECT_GE(rightmost, headed.width() - 4);
  EXPECT_GT(leftmost, headed.width() / 2);
  EXPECT_EQ(Chart(headed, 0, header), Chart(plain, 0, 0));
}

TEST_F(PrintImage, LookClosureAndWindowColoursComeBack) {
  ViewProperties->SetInverseColor(true);
  const std::string before = LookText();
  const TColor color0 = frm->GetView(0)->Color(), color1 = frm->GetView(1)->Color();
  for (int scheme : {0, 1, 2}) {
    frm->PrintColor = scheme;
    frm->PrintTime = scheme != 1;
    (void)frm->CreatePrintImage();
    EXPECT_EQ(LookText(), before);
    EXPECT_TRUE(static_cast<bool>(ViewProperties->OnChange));
    EXPECT_EQ(frm->GetView(0)->Color(), color0);
    EXPECT_EQ(frm->GetView(1)->Color(), color1);
  }
}

TEST_F(PrintImage, LookComesBackAfterAThrowingChartPaint) {
  ViewProperties->SetInverseColor(true);
  const std::string before = LookText();
  const TColor color0 = frm->GetView(0)->Color(), color1 = frm->GetView(1)->Color();
  const auto channelInfo = TDrawingPlane::ChannelInfoHook;
  // The charts ask for the channels while they paint; a failure there ends the picture.
  TDrawingPlane::ChannelInfoHook = []() -> TDrawingPlane::TChannelInfo { throw EAbort("chart paint failed"); };
  frm->PrintColor = 2;
  frm->PrintTime = true;
  EXPECT_THROW((void)frm->CreatePrintImage(), EAbort);
  TDrawingPlane::ChannelInfoHook = channelInfo;
  EXPECT_EQ(LookText(), before);
  EXPECT_TRUE(static_cast<bool>(ViewProperties->OnChange));
  EXPECT_EQ(frm->GetView(0)->Color(), color0);
  EXPECT_EQ(frm->GetView(1)->Color(), color1);
  // And the next picture is made as usual.
  EXPECT_NO_THROW((void)frm->CreatePrintImage());
}

TEST_F(PrintImage, ScreenPictureHasTheAreaSize) {
  const QImage picture = frm->CreateGraphImage();
  EXPECT_EQ(picture.size(), QSize(frm->plGraphArea->Width(), frm->plGraphArea->Height()));
}

TEST_F(PrintImage, SaveImageChoosesTheFormatByName) {
  QImage picture(7, 5, QImage::Format_RGB32);
  picture.fill(0xFF336699u);
  const std::pair<std::string, const char*> cases[] = {{"x.PNG", "PNG"}, {"x.bmp", "BMP"}, {"x", "BMP"}};
  for (const auto& [bare, format] : cases) {
    std::string name = bare;
    frm->SaveImage(name, picture);
    EXPECT_EQ(name, platform::Paths::folder("Image") + "/" + bare);
    QImage back;
    ASSERT_TRUE(back.load(QString::fromStdString(name), format)) << bare;
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
  }
}

TEST_F(PrintImage, FailedWriteKeepsTheOldFile) {
  QImage picture(3, 3, QImage::Format_RGB32);
  picture.fill(0xFF000000u);
  std::string name = "keep.png";
  frm->SaveImage(name, picture);
  const auto size = std::filesystem::file_size(name);
  std::string bad = platform::Paths::folder("Image") + "/missing-folder/keep.png";
  EXPECT_THROW(frm->SaveImage(bad, picture), EAbort);
  EXPECT_EQ(std::filesystem::file_size(name), size);
}

TEST_F(PrintImage, ScreenShotsAreNumberedAndThePanelHidden) {
  namespace fs = std::filesystem;
  const fs::path dir = platform::Paths::folder("Image");
  for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
  std::ofstream(dir / "scrABCDE.png") << "x";
  std::ofstream(dir / "SCR00002.PNG") << "x";
  EXPECT_EQ(frm->SaveScreenShot(), (dir / "scr00003.png").string());
  EXPECT_FALSE(frm->pnSaveScreen->Visible());
  EXPECT_EQ(frm->SaveScreenShot(), (dir / "scr00004.png").string());
  QImage back;
  EXPECT_TRUE(back.load(QString::fromStdString((dir / "scr00004.png").string())));
  for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

class PrintBitmap : public PrintImage {
 protected:
  void TearDown() override {
    TMainFrm::PrinterHook = nullptr;
    PrintImage::TearDown();
  }
};

TEST(PrintBitmapRect, PrintRectTable) {
  struct Case { int w, h; ui::Rect expected; };
  const Case cases[] = {
      {800, 600, ui::Rect(118, 118, 118 + 2244, 118 + 1683)},
      {400, 2000, ui::Rect(118, 118, 118 + 654, 118 + 3272)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TMainFrm::PrintRect(2480, 3508, 300, 300, c.w, c.h), c.expected) << c.w << "x" << c.h;
}

TEST_F(PrintBitmap, PrintsIntoAPdf) {
  const std::string pdf = platform::Paths::folder("Image") + "/print.pdf";
  TMainFrm::PrinterHook = [pdf] {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setFullPage(true);
    printer->setResolution(300);
    return printer;
  };
  QImage picture(800, 600, QImage::Format_RGB32);
  picture.fill(0xFF204060u);
  frm->PrintBitmap(picture);
  std::ifstream in(pdf, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
  size_t pages = 0;
  for (size_t at = bytes.find("/Type /Page\n"); at != std::string::npos; at = bytes.find("/Type /Page\n", at + 1)) ++pages;
  size_t pageObjects = 0;
  for (size_t at = bytes.find("/Type /Page"); at != std::string::npos; at = bytes.find("/Type /Page", at + 1))
    if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pageObjects;
  EXPECT_EQ(pageObjects, 1u);
  EXPECT_NE(bytes.find("/Width 800"), std::string::npos);
  EXPECT_NE(bytes.find("/Height 600"), std::string::npos);
  (void)pages;
}

TEST_F(PrintBitmap, NoPrinterSaysSo) {
  TMainFrm::PrinterHook = [] { return std::unique_ptr<QPrinter>(); };
  try {
    frm->PrintToPrinter();
    ADD_FAILURE() << "printed without a printer";
  } catch (const EAbort& e) {
    EXPECT_STREQ(e.what(), "No printer is installed");
  }
}

}  // namespace

namespace {

class PrintKeywords : public PrintImage {};

TEST_F(PrintKeywords, ColourAndInversionTexts) {
  const std::pair<const char*, int> colours[] = {{"gray", 1}, {"G", 1}, {"bw", 2}, {"Colour", 0}, {"xyz", 0}};
  frm->PrintColor = 1;
  for (auto [text, expected] : colours) {
    frm->SetPrintColorText(text);
    EXPECT_EQ(frm->PrintColor, expected) << text;
  }
  frm->PrintColor = 1;
  EXPECT_EQ(frm->GetPrintColorText(), "GRAY");
  frm->PrintColor = 7;
  EXPECT_EQ(frm->GetPrintColorText(), "BW");
  frm->SetPrintInvertText("norm");
  EXPECT_FALSE(frm->PrintInverted);
  EXPECT_EQ(frm->GetPrintInvertText(), "NORM");
  frm->SetPrintInvertText("in");
  EXPECT_FALSE(frm->PrintInverted);
  frm->SetPrintInvertText("Inverted");
  EXPECT_TRUE(frm->PrintInverted);
  EXPECT_EQ(frm->GetPrintInvertText(), "INV");
}

TEST_F(PrintKeywords, TouchstoneOfTheActiveChannelGoesToItsFolder) {
  frm->TouchType = 0;
  frm->SaveTouchstone("bench-export");
  const std::string path = platform::Paths::folder("Touchstone") + "/bench-export.s1p";
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  std::filesystem::remove(path);
}

}  // namespace
