#pragma once
// The row frame of the touch settings dialogs, over TTouchForm: width 2m + thirty "H" of the
// button font, rows of the look's FieldHeight h with m around and between them (N rows: height
// (N + 1)m + Nh; row r from rm + (r - 1)h to r(m + h)), cells of the button grid, caption and
// value panels that share one mouse-down handler, switch rows, and the ways a dialog opens a
// further window: a sub-dialog (the dialog hides meanwhile), the keypad (the dialog stays), the
// file browser for saving and loading.
//
// Every further window is deleted and the dialog shown, raised, repainted and refreshed on
// every way out of it, an exception included; the exception then goes on to the handler's edge.
#include <functional>
#include <string>

#include "platform/ui/Timer.h"
#include "widgets/TouchForm.h"

class TTouchDialogFrm : public TTouchForm {
  Q_OBJECT

 public:
  using TSetter = std::function<void(double)>;
  using TGetter = std::function<double()>;

  TTouchDialogFrm(QWidget* owner, const std::string& title);

  // Rewrites the value panels from the engine (after every change and every sub-window).
  virtual void RefreshValues() {}

  // --- layout -----------------------------------------------------------------------------
  static int Margin();
  static int FieldHeight();
  // 2m + the width of thirty "H" in the button font.
  static int FrameWidth();
  static int FrameHeight(int rows);
  // Row r (from 1) across the whole width.
  static ui::Rect RowRect(int row, int formWidth);
  // Cell `column` (from 1) of `columns` in row r.
  static ui::Rect CellRect(int row, int formWidth, int column, int columns);
  // Fonts, the frame's size for `rows` rows and the title bar in row 1.
  void ArrangeFrame(int rows);
  // A control that the start-up mode leaves out.
  static void Omit(ui::Control& control) { control.SetBounds(0, 0, 0, 0); }

  // --- rows -------------------------------------------------------------------------------
  // The caption and the value panel act alike, on mouse-down of any button.
  void BindRow(ui::Control& caption, ui::Control& value, std::function<void()> handler);
  // A switch: negated through its setter, then the values refreshed.
  void BindSwitchRow(ui::Control& caption, ui::Control& value, std::function<bool()> get,
                     std::function<void(bool)> set);
  // A button acts on mouse-down.
  static void BindButton(ui::Control& button, std::function<void()> handler);
  // The keypad setter of an integer setting: truncated with saturation, a non-finite value
  // changes nothing; the values are refreshed after the change.
  TSetter IntSetter(std::function<void(int)> set);

  // --- further windows --------------------------------------------------------------------
  // Hides the dialog, runs the created window modally with that owner, deletes it, shows,
  // raises, repaints and refreshes the dialog. A run that ends without a result counts as
  // Cancel (nothing refreshed). Returns the modal result.
  int RunSubDialog(const std::function<ui::Form*(QWidget* owner)>& create, QWidget* owner);
  // The same around a closure that runs a window modally itself and returns its result.
  int RunSubDialog(const std::function<int()>& run);
  // The keypad over the visible dialog (only while the look's UseDigitalPanel is on); the
  // dialog is raised and repainted afterwards.
  void OpenKeypad(const std::string& title, int unitIndex, int unitKind, TSetter setter, TGetter getter,
                  char32_t firstChar = 0);
  // What a dialog's own look at the typed name decides before the replace question.
  enum class TNameCheck { WriteNow, AskAsUsual, WriteNothing };
  // Gets the name part as the question shows it (before the default extension).
  using TNameChecker = std::function<TNameCheck(const std::string& part)>;
  // The browser for a new file of that kind; a name without extension gets defaultExtension;
  // an existing file is replaced only after Yes. upperCaseName shows the name part in capitals
  // (a to z) in the question; the file keeps the name as typed. check, when given, comes
  // before the replace question. write gets the full path. True when written.
  bool RunSaveFile(const std::string& title, int kind, const std::string& defaultExtension, bool upperCaseName,
                   const std::function<void(const std::string& path)>& write, const TNameChecker& check = {});
  // The browser for an existing file; read gets the full path. True when read.
  bool RunOpenFile(const std::string& title, int kind, const std::function<void(const std::string& path)>& read);

  // The owner of the windows the dialog opens: the main window, else the dialog.
  QWidget* MainOwner();
};

// Repeats a step while a button is held: once at the press, again after 1000 ms, then every
// 100 ms until the button is released or the pointer leaves it.
class TAutoRepeat : public QObject {
  Q_OBJECT

 public:
  TAutoRepeat(ui::Control& button, std::function<void()> step);
  void Start();
  void Stop();
  bool Running() const { return timer_.Enabled(); }

 private:
  std::function<void()> step_;
  ui::Timer timer_;
};
