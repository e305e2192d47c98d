// The report from the main window: the print picture into the template of the "Image" folder,
// saved under a fresh name and handed to the desktop; a template that cannot be used gives the
// template box and no file, and the screen's look comes back either way.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <regex>

#include "model/ICalibrationFacade.h"
#include "model/IDeviceModel.h"
#include "model/MemIniFile.h"
#include "platform/ui/DesktopOpener.h"
#include "platform/ui/Panel.h"
#include "platform/ui/MessageBox.h"
#include "shell/DocxFixtures.h"
#include "shell/PrintRig.h"

namespace {

namespace fs = std::filesystem;

class RecordingBox : public ui::MessageBox {
 public:
  int Ask(const std::string& text, const std::string& caption, Buttons, Icon) override {
    Asked.emplace_back(caption, text);
    return 1;
  }
  void Show(const std::string& text) override { Shown.push_back(text); }
  std::vector<std::pair<std::string, std::string>> Asked;
  std::vector<std::string> Shown;
};

class DocxReportPrint : public PrintRig {
 protected:
  void SetUp() override {
    BuildTwoChannels(320, 240);
    previousBox = ui::MessageBox::Install(&box);
    ui::OpenWithDesktopHook = [this](const std::string& path) {
      opened.push_back(path);
      return opens;
    };
    dir = platform::Paths::folder("Image");
    Clear();
  }
  void TearDown() override {
    ui::OpenWithDesktopHook = nullptr;
    ui::MessageBox::Install(previousBox);
    Clear();
    PrintRig::TearDown();
  }
  void Clear() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
  }
  std::vector<fs::path> Reports() const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().filename().string().rfind("Report_", 0) == 0) out.push_back(e.path());
    return out;
  }
  static std::map<std::string, std::string> PartsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return docxfix::Parts(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  }

  RecordingBox box;
  ui::MessageBox* previousBox = nullptr;
  std::vector<std::string> opened;
  bool opens = true;
  fs::path dir;
};

TEST_F(DocxReportPrint, WithoutTemplateAPlainReportIsSavedAndOpened) {
  const std::string first = frm->PrintWithWord();
  EXPECT_TRUE(std::regex_match(fs::path(first).filename().string(), std::regex(R"(Report_\d{8}-\d{6}(-\d+)?\.docx)")))
      << first;
  EXPECT_EQ(fs::path(first).parent_path(), dir);
  ASSERT_EQ(opened, std::vector<std::string>{first});
  EXPECT_TRUE(box.Asked.empty());
  EXPECT_TRUE(box.Shown.empty());
  const auto parts = PartsOf(first);
  std::string png;
  for (const auto& [name, data] : parts)
    if (name.rfind("word/media/", 0) == 0) png = data;
  QImage picture;
  ASSERT_TRUE(picture.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG"));
  EXPECT_EQ(picture.size(), QSize(frm->plGraphArea->Width(), frm->plGraphArea->Height()));
  EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32), frm->CreatePrintImage().convertToFormat(QImage::Format_RGB32));

  // A second report within the same second takes the next free name.
  const std::string second = frm->PrintWithWord();
  EXPECT_NE(second, first);
  EXPECT_EQ(Reports().size(), 2u);
}

TEST_F(DocxReportPrint, TheTemplateGetsTheModelAndTheSerialNumber) {
  const docxfix::Fixture f = docxfix::Fixtures().front();
  std::ofstream(dir / "PrintTemplate.dotx", std::ios::binary) << f.Template;
  // The older binary template only gives the box; the .dotx beside it is taken first.
  std::ofstream(dir / "PrintTemplate.dot", std::ios::binary) << "\xD0\xCF\x11\xE0";
  const std::string path = frm->PrintWithWord();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(box.Asked.empty());
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(PartsOf(path)["word/document.xml"].c_str(), pugi::parse_default | pugi::parse_ws_pcdata));
  std::string text;
  for (const pugi::xpath_node& t : doc.select_nodes("//w:t")) text += t.node().text().get();
  const std::string model = Services().Device->GetModelName();
  const std::string serial = std::to_string(Services().CalibratorModule->GetSerialNumber());
  EXPECT_EQ(text.find("<"), std::string::npos) << text;
  EXPECT_NE(text.find("Model: " + model + " S/N " + serial), std::string::npos) << text;
  EXPECT_EQ(doc.select_nodes("//w:drawing").size(), 1u);
}

TEST_F(DocxReportPrint, UnusableTemplatesGiveTheBoxAndNoFile) {
  ViewProperties->SetInverseColor(true);
  const std::string look = LookText();
  const std::string dotx = (dir / "PrintTemplate.dotx").string(), dot = (dir / "PrintTemplate.dot").string();
  const docxfix::Fixture f = docxfix::Fixtures().front();
  struct Case {
    const char* what;
    std::function<void()> make;
    std::string name;
  };
  const Case cases[] = {
      {"a .dot", [&] { std::ofstream(dot, std::ios::binary) << "\xD0\xCF\x11\xE0 binary"; }, dot},
      {"a folder", [&] { fs::create_directory(dotx); }, dotx},
      {"a cut .dotx", [&] { std::ofstream(dotx, std::ios::binary) << f.Template.substr(0, f.Template.size() / 3); }, dotx},
      {"a text file", [&] { std::ofstream(dotx) << "not a template"; }, dotx},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Clear();
    box.Asked.clear();
    opened.clear();
    c.make();
    EXPECT_EQ(frm->PrintWithWord(), "");
    ASSERT_EQ(box.Asked.size(), 1u);
    EXPECT_EQ(box.Asked[0].first, "Print Template Error");
    EXPECT_EQ(box.Asked[0].second, "File " + c.name + " has an invalid format");
    EXPECT_TRUE(Reports().empty());
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(LookText(), look);
    EXPECT_TRUE(static_cast<bool>(ViewProperties->OnChange));
  }
}

TEST_F(DocxReportPrint, WithoutAnOpenerTheUserLearnsWhereTheReportIs) {
  opens = false;
  const std::string path = frm->PrintWithWord();
  ASSERT_TRUE(fs::is_regular_file(path));
  EXPECT_EQ(box.Shown, std::vector<std::string>{"The report was saved as " + path +
                                                ", but no program to open it was found."});
}

}  // namespace
