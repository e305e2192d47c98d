// The main window's pictures: the print picture, screen shots, plain pictures, printing.
#include "shell/MainFrm.h"

#include "display/DrawingPlane.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/ICalibrationFacade.h"
#include "model/IDeviceModel.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TouchstoneFile.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/ui/Panel.h"
#include "platform/ui/DesktopOpener.h"
#include "platform/ui/EventLoop.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ImageCanvas.h"
#include "shell/BmpEncoder.h"
#include "shell/DocxReport.h"
#include "shell/PngEncoder.h"
#include "shell/ScreenShotNumber.h"

#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <filesystem>
#include <string_view>

std::function<std::unique_ptr<QPrinter>()> TMainFrm::PrinterHook;

namespace {

// Runs a closure when the scope ends, however it ends.
class TScopeGuard {
 public:
  explicit TScopeGuard(std::function<void()> f) : f_(std::move(f)) {}
  ~TScopeGuard() {
    try {
      f_();
    } catch (...) {
    }
  }
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;

 private:
  std::function<void()> f_;
};

bool StartsWithNoCase(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size())
    return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i])
      return false;
  }
  return true;
}

bool EndsWithPngNoCase(const std::string& name) {
  if (name.size() < 4)
    return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return tail == ".png";
}

}  // namespace

QImage TMainFrm::CreateGraphImage() {
  if (!plGraphArea)
    throw EAbort("No channel area to picture");
  QImage image(std::max(1, plGraphArea->Width()), std::max(1, plGraphArea->Height()), QImage::Format_RGB32);
  ui::ImageCanvas canvas(&image);
  canvas.SetBrushColor(plGraphArea->Color());
  canvas.FillRect(ui::Rect(0, 0, image.width(), image.height()));
  for (int i = 0; i < kViewCount; ++i) {
    TRangeView* view = GetView(i);
    if (!view || view->isHidden())
      continue;
    const QPoint at = view->mapTo(plGraphArea, QPoint(0, 0));
    canvas.SetBrushColor(view->Color());
    canvas.FillRect(ui::Rect(at.x(), at.y(), at.x() + view->Width(), at.y() + view->Height()));
    TDrawingPlane* plane = view->DrawingPlane;
    if (!plane || plane->Width() <= 0 || plane->Height() <= 0)
      continue;
    const QPoint planeAt = plane->mapTo(plGraphArea, QPoint(0, 0));
    ui::ImageCanvas chart(plane->Width(), plane->Height());
    view->BeginSnapshot();
    TScopeGuard endSnapshot([view] { view->EndSnapshot(); });
    plane->Paint(chart);
    chart.Flush();
    canvas.Draw(planeAt.x(), planeAt.y(), chart.Image());
  }
  canvas.Flush();
  return image;
}

QImage TMainFrm::CreatePrintImage() {
  if (!plGraphArea)
    throw EAbort("No channel area to picture");
  if (!ViewProperties)
    return CreateGraphImage();
  TViewProperties& look = *ViewProperties;
  TMemIniFile saved("");
  look.SaveToIni(saved);
  std::array<std::optional<TColor>, kViewCount> viewColors;
  TViewProperties::TChangeEvent change = std::move(look.OnChange);
  look.OnChange = nullptr;
  TScopeGuard restore([&] {
    for (int i = 0; i < kViewCount; ++i)
      if (viewColors[i] && GetView(i))
        GetView(i)->SetColor(*viewColors[i]);
    look.LoadFromIni(saved);
    look.OnChange = change;
    RedrawVisibleViews(nullptr);
  });

  const bool inverse = look.InverseColor;
  look.SetInverseColor(false);
  if (PrintColor == 1) {
    for (int i = 0; i < 4; ++i) {
      look.SetMainColor(i, ColorToGray(look.MainColor[i]));
      look.SetAuxColor(i, ColorToGray(look.AuxColor[i]));
    }
    look.UndegroundColor = ColorToGray(look.UndegroundColor);
    look.SetGridColor(ColorToGray(look.GridColor));
    look.SetXAxisColor(ColorToGray(look.XAxisColor));
    look.SetFontColor(ColorToGray(look.FontColor));
    look.SetLimitColor(ColorToGray(look.LimitColor));
    look.SetLimitPassColor(ColorToGray(look.LimitPassColor));
  } else if (PrintColor == 2) {
    for (int i = 0; i < 4; ++i) {
      look.SetMainColor(i, ui::clWhite);
      look.SetAuxColor(i, 0x808080);
    }
    look.UndegroundColor = 0;
    look.SetGridColor(0x808080);
    look.SetXAxisColor(0);
    look.SetFontColor(ui::clWhite);
    look.SetLimitColor(ui::clWhite);
    look.SetLimitPassColor(ui::clWhite);
  }
  look.SetInverseColor(PrintInverted ? !inverse : inverse);
  for (int i = 0; i < ChannelCount && i < kViewCount; ++i)
    if (TRangeView* view = GetView(i)) {
      viewColors[i] = view->Color();
      view->SetColor(ui::clWhite);
    }
  RedrawVisibleViews(nullptr);

  const QImage area = CreateGraphImage();
  int header = 0;
  std::string headerText;
  ui::Font font = look.ChartFont();
  font.Color = look.GetFontColor();
  if (PrintTime) {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    headerText = (locale.toString(now.date(), QLocale::ShortFormat) + " " +
                  locale.toString(now.time(), QLocale::LongFormat)).toStdString();
    ui::ImageCanvas measure(1, 1);
    measure.SetFont(font);
    header = measure.TextHeight(headerText) + 2;
  }
  QImage image(area.width(), area.height() + header, QImage::Format_RGB32);
  ui::ImageCanvas canvas(&image);
  canvas.SetBrushColor(look.GetUndegroundColor());
  canvas.FillRect(ui::Rect(0, 0, image.width(), image.height()));
  if (PrintTime) {
    canvas.SetFont(font);
    canvas.SetBrushStyle(ui::BrushStyle::Clear);
    canvas.TextOut(image.width() - canvas.TextWidth(headerText), 0, headerText);
  }
  canvas.Draw(0, header, area);
  canvas.Flush();
  return image;
}

void TMainFrm::SaveImage(std::string& name, const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0)
    throw EAbort("The picture is empty");
  if (name.find('/') == std::string::npos)
    name = platform::Paths::folder("Image") + "/" + name;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const auto* pixels = reinterpret_cast<const uint32_t*>(rgb.constBits());
  const auto stride = static_cast<size_t>(rgb.bytesPerLine());
  const std::vector<uint8_t> bytes = EndsWithPngNoCase(name) ? EncodePng(rgb.width(), rgb.height(), pixels, stride)
                                                             : EncodeBmp(rgb.width(), rgb.height(), pixels, stride);
  const platform::FileResult result = platform::AtomicFile::write(
      name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!result)
    throw EAbort("Cannot write " + name + ": " + result.message);
}

int TMainFrm::GetNextScreenShotNumber() {
  const std::optional<int> n = ChooseScreenShotNumber(RegularFileNames(platform::Paths::folder("Image")));
  if (!n)
    throw EAbort("Every screen-shot number is taken: move or delete screen shots from the Image folder");
  return *n;
}

std::string TMainFrm::SaveScreenShot() {
  if (pnSaveScreen)
    pnSaveScreen->SetVisible(true);
  TScopeGuard hide([this] {
    if (pnSaveScreen)
      pnSaveScreen->SetVisible(false);
  });
  ui::EventLoop::ProcessPending();
  std::string name = ScreenShotName(GetNextScreenShotNumber());
  const QImage image = CreatePrintImage();
  SaveImage(name, image);
  return name;
}

void TMainFrm::SaveGraphImage(std::string name) { SaveImage(name, CreateGraphImage()); }

ui::Rect TMainFrm::PrintRect(int pageWidth, int pageHeight, double hdpi, double vdpi, int imageWidth, int imageHeight) {
  constexpr double kInchPerCm = 0.3937007874;
  const int left = static_cast<int>(std::floor(hdpi * kInchPerCm + 0.5));
  const int top = static_cast<int>(std::floor(vdpi * kInchPerCm + 0.5));
  if (imageWidth <= 0 || imageHeight <= 0 || hdpi <= 0 || vdpi <= 0)
    return ui::Rect(left, top, left, top);
  int w = pageWidth - 2 * left;
  int h = static_cast<int>(std::floor(vdpi * (imageHeight * (w / hdpi) / imageWidth) + 0.5));
  const int maxH = pageHeight - 2 * top;
  if (h > maxH) {
    h = maxH;
    w = static_cast<int>(std::floor(hdpi * (imageWidth * (h / vdpi) / imageHeight) + 0.5));
  }
  return ui::Rect(left, top, left + w, top + h);
}

void TMainFrm::PrintBitmap(const QImage& image) {
  std::unique_ptr<QPrinter> printer;
  if (PrinterHook) {
    printer = PrinterHook();
  } else {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull())
      printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  }
  if (!printer)
    throw EAbort("No printer is installed");
  printer->setFullPage(true);
  QPainter painter;
  if (!painter.begin(printer.get()))
    throw EAbort("The printer cannot print");
  const QRect page = printer->pageLayout().fullRectPixels(printer->resolution());
  const ui::Rect r = PrintRect(page.width(), page.height(), printer->logicalDpiX(), printer->logicalDpiY(),
                               image.width(), image.height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), image);
  if (!painter.end())
    throw EAbort("The printer cannot print");
}

void TMainFrm::PrintToPrinter() { PrintBitmap(CreatePrintImage()); }

void TMainFrm::PrintWithWindows() {
  std::string name = "$temp.png";
  SaveImage(name, CreatePrintImage());
  if (!ui::OpenWithDesktop(name))
    ui::MessageBox::Get().Show("The picture was saved as " + name + ", but no program to open it was found.");
  ui::EventLoop::WaitMs(500);
}

std::string TMainFrm::PrintWithWord() {
  namespace fs = std::filesystem;
  TDocxReport report;
  {
    const QImage image = CreatePrintImage().convertToFormat(QImage::Format_RGB32);
    report.Png = EncodePng(image.width(), image.height(), reinterpret_cast<const uint32_t*>(image.constBits()),
                           static_cast<size_t>(image.bytesPerLine()));
    report.ImageWidth = image.width();
    report.ImageHeight = image.height();
  }
  if (IDeviceModel* device = Services().Device) report.Model = device->GetModelName();
  if (ICalibrationFacade* calibrator = Services().CalibratorModule)
    report.SerialNumber = std::to_string(calibrator->GetSerialNumber());

  // ".dotx" before ".dot": the older binary template cannot be read here, so it only gets the
  // invalid-format box.
  const std::string folder = platform::Paths::folder("Image");
  const std::string dotx = folder + "/PrintTemplate.dotx", dot = folder + "/PrintTemplate.dot";
  std::error_code ec;
  std::string templateName, templateBytes;
  bool usable = true, haveTemplate = false;
  if (fs::exists(fs::symlink_status(dotx, ec))) {
    templateName = dotx;
    usable = static_cast<bool>(platform::AtomicFile::read(dotx, templateBytes, TDocxReport::kMaxUncompressed + (1u << 20)));
    haveTemplate = usable;
  } else if (fs::exists(fs::symlink_status(dot, ec))) {
    templateName = dot;
    usable = false;
  }
  std::vector<uint8_t> package;
  if (usable) {
    try {
      package = report.Build(haveTemplate ? &templateBytes : nullptr);
    } catch (const EDocxTemplate&) {
      usable = false;
    } catch (const std::exception& e) {
      throw EAbort(std::string("Cannot make the report: ") + e.what());
    }
  }
  if (!usable) {
    ui::MessageBox::Get().Ask("File " + templateName + " has an invalid format", "Print Template Error",
                              ui::MessageBox::Buttons::Ok, ui::MessageBox::Icon::Error);
    return {};
  }

  // A report never replaces another, not even one made within the same second.
  const std::string stamp = QLocale::c().toString(QDateTime::currentDateTime(), "yyyyMMdd-hhmmss").toStdString();
  std::string path = folder + "/Report_" + stamp + ".docx";
  for (int k = 2; fs::exists(fs::symlink_status(path, ec)); ++k)
    path = folder + "/Report_" + stamp + "-" + std::to_string(k) + ".docx";
  const platform::FileResult written = platform::AtomicFile::write(
      path, std::string_view(reinterpret_cast<const char*>(package.data()), package.size()));
  if (!written)
    throw EAbort("Cannot write " + path + ": " + written.message);
  if (!ui::OpenWithDesktop(path))
    ui::MessageBox::Get().Show("The report was saved as " + path + ", but no program to open it was found.");
  return path;
}

void TMainFrm::SaveTouchstone(const std::string& name) {
  TRange* channel = GetActiveChannel();
  if (!channel)
    throw EAbort("No channel to write");
  channel->SaveTouchstone(TouchstoneFilePath(name, TouchType), TouchType, TouchFormat, SPort);
}

std::string TMainFrm::GetPrintColorText() const {
  return PrintColor == 0 ? "COL" : PrintColor == 1 ? "GRAY" : "BW";
}

void TMainFrm::SetPrintColorText(const std::string& text) {
  if (StartsWithNoCase(text, "COL"))
    PrintColor = 0;
  else if (StartsWithNoCase(text, "GRAY"))
    PrintColor = 1;
  else if (StartsWithNoCase(text, "BW"))
    PrintColor = 2;
}

std::string TMainFrm::GetPrintInvertText() const { return PrintInverted ? "INV" : "NORM"; }

void TMainFrm::SetPrintInvertText(const std::string& text) {
  if (StartsWithNoCase(text, "INV"))
    PrintInverted = true;
  else if (StartsWithNoCase(text, "NORM"))
    PrintInverted = false;
}
