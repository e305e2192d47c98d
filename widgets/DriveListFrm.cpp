#include "widgets/DriveListFrm.h"

#include <QDir>
#include <QString>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "display/ViewProperties.h"
#include "model/Services.h"
#include "platform/Paths.h"
#include "platform/ui/Shape.h"
#include "platform/ui/Volumes.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/VirtualKeyboardFrm.h"

namespace fs = std::filesystem;

namespace {

struct TKind {
  const char* folder;
  const char* extension;
};

// Kinds 0 and 4 share the "Touchstone" folder.
constexpr TKind kKinds[] = {
    {"Touchstone", ".s1p"}, {"CSV", ".csv"},      {"State", ".cfg"}, {"Image", ".png"},
    {"Touchstone", ".s2p"}, {"PerformanceTest", ".fct"}, {"Segment", ".seg"}, {"Limit", ".lim"},
    {"Limit", ".rlm"},      {"Cable", ".cbl"},    {"State", ".cal"},
};

// Case ignored; names that differ only in case keep a fixed order.
bool LessNoCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The mask "*" + extension, case ignored.
bool Matches(const std::string& name, const std::string& extension) {
  if (name.size() < extension.size()) return false;
  const size_t start = name.size() - extension.size();
  for (size_t i = 0; i < extension.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[start + i])) !=
        std::tolower(static_cast<unsigned char>(extension[i]))) {
      return false;
    }
  }
  return true;
}

// A folder can be shown when it can be listed.
bool CanList(const std::string& folder) {
  std::error_code ec;
  if (!fs::is_directory(fs::path(folder), ec)) return false;
  fs::directory_iterator it(fs::path(folder), ec);
  return !ec;
}

// Without a trailing '/', except the root itself.
std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The file system's bytes as shown: invalid UTF-8 becomes U+FFFD.
std::string Shown(const std::string& name) { return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toStdString(); }

// Of a text holding '\', only the part after the last one.
std::string AfterBackslash(const std::string& text) {
  const size_t k = text.rfind('\\');
  return k == std::string::npos ? text : text.substr(k + 1);
}

}  // namespace

std::string TDriveListFrm::KindFolder(int kind) {
  return kind >= 0 && kind < static_cast<int>(std::size(kKinds)) ? kKinds[kind].folder : "";
}

std::string TDriveListFrm::KindExtension(int kind) {
  return kind >= 0 && kind < static_cast<int>(std::size(kKinds)) ? kKinds[kind].extension : "";
}

std::string TDriveListFrm::JoinPath(const std::string& root, const std::string& name) {
  if (root.empty()) return name;
  return root.back() == '/' ? root + name : root + "/" + name;
}

TDriveListFrm::TDriveListFrm(QWidget* owner, const std::string& title, std::string& path, int kind)
    : TTouchForm(owner), PathRef(path), Kind(kind) {
  SetName("DriveListFrm");
  SetPlacement(Placement::MainForm);
  SetRefocusOwner(true);
  TopPanel->SetCaption(title);
  TopPanel->SetVisible(true);
  btDrive = MakeButton(this, "btDrive", TranslateText("Drive"));
  btDrive->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btDriveMouseDown(); };
  pnPath = MakeCaptionPanel("pnPath", "Path");
  pnPathValue = MakeValuePanel("pnPathValue");
  sgList = MakeListGrid(this, 1, 0, false, [this] { UpdateThumb(); });
  sgList->OnClick = [this](ui::Control&) { sgListClick(); };
  sgList->OnDblClick = [this](ui::Control&) { sgListDblClick(); };
  VScrollShape = MakeGridThumb(this, "VScrollShape");
  pnFile = MakeCaptionPanel("pnFile", "File");
  pnFileValue = MakeValuePanel("pnFileValue");
  pnFileValue->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    pnFileValueMouseDown();
  };
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btCancel->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btCancelMouseDown(); };
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  btOk->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btOkMouseDown(); };
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Return) {
      key = 0;
      btOkMouseDown();
    } else if (key == ui::vk::Escape || key == ui::vk::Cancel) {
      key = 0;
      btCancelMouseDown();
    }
  };

  const std::string s = AfterBackslash(path);
  const fs::path given(s);
  std::string name = given.filename().string();
  if (name.empty() || name == "." || name == "..") name = "noname";
  Folder = given.parent_path().string();
  if (!Folder.empty() && fs::path(Folder).is_relative()) {
    Folder = JoinPath(platform::Paths::dataRoot(), Folder);
  }
  if (Folder.empty() || !CanList(Folder)) {
    Folder = KindFolder(kind).empty() ? platform::Paths::dataRoot() : platform::Paths::folder(KindFolder(kind));
  }
  Folder = Trimmed(fs::path(Folder).lexically_normal().string());
  EnsureFolder();
  Extension = fs::path(name).extension().string();
  if (Extension.empty()) {
    Extension = KindExtension(kind);
    name += Extension;
  }
  FileName = JoinPath(Folder, name);
  ShowPath();
  ShowName();
  ListDrives();
  ListFolder(Extension);
  FillList();
  Layout();
}

TDriveListFrm::~TDriveListFrm() = default;

void TDriveListFrm::EnsureFolder() {
  if (CanList(Folder)) return;
  const std::string kindFolder = KindFolder(Kind);
  if (!kindFolder.empty()) {
    const std::string candidate = platform::Paths::folder(kindFolder);
    if (CanList(candidate)) {
      Folder = Trimmed(candidate);
      return;
    }
  }
  Folder = Trimmed(platform::Paths::dataRoot());
}

std::string TDriveListFrm::NamePart() const {
  const size_t k = FileName.rfind('/');
  return k == std::string::npos ? FileName : FileName.substr(k + 1);
}

void TDriveListFrm::ShowPath() { SetValueText(*pnPathValue, Shown(Folder) + kBlankText); }

void TDriveListFrm::ShowName() { SetValueText(*pnFileValue, Shown(NamePart()) + kBlankText); }

void TDriveListFrm::ListDrives() {
  Drives.clear();
  auto add = [this](std::string root) {
    root = Trimmed(root);
    if (root.empty()) return;
    if (std::find(Drives.begin(), Drives.end(), root) == Drives.end()) Drives.push_back(root);
  };
  add("/");
  add(QDir::homePath().toStdString());
  add(platform::Paths::dataRoot());
  for (const std::string& root : ui::MountedVolumeRoots()) add(root);
}

void TDriveListFrm::ListFolder(const std::string& extension) {
  Folders.clear();
  Files.clear();
  std::error_code ec;
  fs::directory_iterator it(fs::path(Folder), fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    // The entry's type comes with the listing; links are followed, and a broken link or a link
    // loop is neither a folder nor a file and is left out.
    std::error_code kindError;
    if (it->is_directory(kindError)) {
      Folders.push_back(std::move(name));
    } else if (!kindError && name.front() != '.' && Matches(name, extension) && it->is_regular_file(kindError) &&
               !kindError) {
      Files.push_back(std::move(name));
    }
  }
  std::sort(Folders.begin(), Folders.end(), LessNoCase);
  std::sort(Files.begin(), Files.end(), LessNoCase);
  if (Folder != "/") Folders.insert(Folders.begin(), "..");
}

void TDriveListFrm::FillList() {
  const std::vector<std::string> rows = [this] {
    if (DriveMode) return Drives;
    std::vector<std::string> all = Folders;
    all.insert(all.end(), Files.begin(), Files.end());
    return all;
  }();
  sgList->SetRowCount(std::max<int>(1, static_cast<int>(rows.size())));
  if (rows.empty()) sgList->SetCell(0, 0, "");
  for (size_t i = 0; i < rows.size(); ++i) {
    const bool folderRow = !DriveMode && i < Folders.size();
    sgList->SetCell(0, static_cast<int>(i), folderRow ? "[" + Shown(rows[i]) + "]" : Shown(rows[i]));
  }
  sgList->SetCurrent(0, 0);
  sgList->SetTopRow(0);
  sgList->Invalidate();
  UpdateThumb();
}

bool TDriveListFrm::Enter(const std::string& folder) {
  const std::string target = Trimmed(fs::path(folder).lexically_normal().string());
  if (!CanList(target)) return false;
  Folder = target;
  return true;
}

void TDriveListFrm::sgListClick() {
  if (DriveMode) return;
  const int row = sgList->Row();
  const int file = row - static_cast<int>(Folders.size());
  if (row < 0 || file < 0 || file >= static_cast<int>(Files.size())) return;
  FileName = JoinPath(Folder, Files[static_cast<size_t>(file)]);
  ShowName();
  ShowPath();
}

void TDriveListFrm::sgListDblClick() {
  const int row = sgList->Row();
  const std::string name = NamePart();
  if (DriveMode) {
    if (row >= 0 && row < static_cast<int>(Drives.size())) Enter(Drives[static_cast<size_t>(row)]);
    DriveMode = false;
    btDrive->SetColor(ui::clGray);
    btDrive->SetLightColor(ui::clSilver);
  } else if (row >= 0 && row < static_cast<int>(Folders.size())) {
    const std::string& sub = Folders[static_cast<size_t>(row)];
    const std::string target = sub == ".." ? fs::path(Folder).parent_path().string() : JoinPath(Folder, sub);
    // A folder removed meanwhile leaves the browser where it can list.
    if (!Enter(target)) EnsureFolder();
  } else {
    sgListClick();
    return;
  }
  ShowPath();
  FileName = JoinPath(Folder, name);
  ListFolder(Extension);
  FillList();
}

void TDriveListFrm::btDriveMouseDown() {
  DriveMode = true;
  btDrive->SetColor(0xC0FFFF);
  btDrive->SetLightColor(0xC0FFFF);
  ListDrives();
  FillList();
}

void TDriveListFrm::pnFileValueMouseDown() {
  std::string name = NamePart();
  SetVisible(false);
  int result = ui::mrCancel;
  {
    TVirtualKeyboardFrm keyboard(this, name);
    result = keyboard.ShowModal();
  }
  if (result == ui::mrOk) {
    FileName = JoinPath(Folder, AfterBackslash(name));
    ShowName();
  }
  SetVisible(true);
  BringToFront();
  SetFocus();
}

void TDriveListFrm::btOkMouseDown() {
  const std::string name = NamePart();
  if (name.empty() || name == "." || name == "..") return;
  PathRef = FileName;
  CloseWith(ui::mrOk);
}

void TDriveListFrm::btCancelMouseDown() { CloseWith(ui::mrCancel); }

void TDriveListFrm::UpdateThumb() {
  const std::optional<TThumb> thumb = GetGridRowThumb(*sgList);
  const ui::Rect list = sgList->BoundsRect();
  const int m = ViewProperties->Margin;
  if (!thumb || thumb->Length <= 0) {
    VScrollShape->SetBounds(list.Right + m, list.Top, m, 0);
    return;
  }
  VScrollShape->SetBounds(list.Right + m, thumb->Position, m, thumb->Length);
}

void TDriveListFrm::Layout() {
  ApplyButtonFont();
  const int f = ViewProperties->FieldHeight;
  const int m = ViewProperties->Margin;
  const int w20 = ButtonTextWidth(std::string(20, 'H'));
  const int w10 = ButtonTextWidth(std::string(10, 'H'));
  const int width = 2 * w20 + 3 * m;
  SetClientSize(width, 9 * f + 6 * m + 5);
  TopPanel->SetBoundsRect(ui::Rect(m, m, width - 2 * m - w10, f + m));
  btDrive->SetBoundsRect(ui::Rect(width - m - w10, m, width - m, f + m));
  PlaceCaptionPanels(*pnPath, *pnPathValue, ui::Rect(m, f + 2 * m, width - m, 2 * f + 2 * m));
  sgList->SetBoundsRect(ui::Rect(m, 2 * f + 3 * m, width - 3 * m, 7 * f + 3 * m + 5));
  sgList->SetDefaultRowHeight(f);
  for (int r = 0; r < sgList->RowCount(); ++r) sgList->SetRowHeight(r, f);
  sgList->SetColWidth(0, width - 4 * m);
  const int b = 7 * f + 3 * m + 5;
  PlaceCaptionPanels(*pnFile, *pnFileValue, ui::Rect(m, b + m, width - m, b + f + m));
  btCancel->SetBoundsRect(ui::Rect(m, b + f + 2 * m, m + w20, b + 2 * f + 2 * m));
  btOk->SetBoundsRect(ui::Rect(2 * m + w20, b + f + 2 * m, 2 * m + 2 * w20, b + 2 * f + 2 * m));
  UpdateThumb();
}
