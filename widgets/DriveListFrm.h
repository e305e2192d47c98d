#pragma once
// The touch file browser: picks or names one file of a kind (its folder under the data root
// and its extension), listing the sub-folders (dot-folders and ".." included, ".." not at "/")
// and the files of that extension (case ignored, dot-files left out), each group sorted without
// regard to case. It keeps its folder as its own state and never touches the process's current
// folder. The drive key lists "/", the home folder, the data root and the mounted volumes.
// Clicking the file panel edits the name on the on-screen keyboard; the name travels with the
// user into other folders. Ok writes the full path into the caller's text; Cancel leaves it.
// It neither reads nor writes the file.
#include <string>
#include <vector>

#include "widgets/TouchForm.h"

class TEmiStringGrid;
class TLbButton;
namespace ui {
class Shape;
}

class TDriveListFrm : public TTouchForm {
  Q_OBJECT

 public:
  // title: shown as given. path: empty, a bare name or a full path; written on Ok.
  TDriveListFrm(QWidget* owner, const std::string& title, std::string& path, int kind);
  ~TDriveListFrm() override;

  // The folder (under the data root) and the extension of a kind 0..10; "" for other kinds.
  static std::string KindFolder(int kind);
  static std::string KindExtension(int kind);
  // root and name with exactly one '/' between them.
  static std::string JoinPath(const std::string& root, const std::string& name);

  void ListDrives();
  void ListFolder(const std::string& extension);
  void FillList();
  void sgListClick();
  void sgListDblClick();
  void btDriveMouseDown();
  void pnFileValueMouseDown();
  void btOkMouseDown();
  void btCancelMouseDown();

  std::vector<std::string> Drives;
  std::vector<std::string> Folders;
  std::vector<std::string> Files;
  bool DriveMode = false;
  std::string FileName;
  std::string Folder;
  std::string Extension;
  std::string& PathRef;
  int Kind;

  TLbButton* btDrive = nullptr;
  ui::Panel* pnPath = nullptr;
  ui::Panel* pnPathValue = nullptr;
  TEmiStringGrid* sgList = nullptr;
  ui::Shape* VScrollShape = nullptr;
  ui::Panel* pnFile = nullptr;
  ui::Panel* pnFileValue = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void Layout();
  void UpdateThumb();
  void ShowPath();
  void ShowName();
  // The name part of FileName.
  std::string NamePart() const;
  // Makes `folder` the folder shown when it can be listed; false (nothing changed) otherwise.
  bool Enter(const std::string& folder);
  // The folder shown, or the kind's folder, or the data root: the first that can be listed.
  void EnsureFolder();
};
