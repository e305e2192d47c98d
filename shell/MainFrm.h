#pragma once
// The program's main window: the two soft-key columns, the graph area that holds the four
// channel windows, and the status bar. It is where the application-wide modules report to the
// user interface: it installs its handlers in the scanner, the sweep-control module, the
// calibration module and the display look when it is created (the channel windows a moment
// later, from the delayed start), and removes every one of them again in its shut-down.
//
// The shut-down runs once, whichever comes first: the window's close, its destruction, or the
// application's aboutToQuit. After it GetView and GetActiveView return null and every handler
// returns at once.
//
// Input is enabled only while no reason to disable it is set: the delayed start, a remote
// state (1 or 2) and an EEPROM transfer each hold their own reason, so one ending never
// unlocks input that another still holds.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/ISweepWaitBox.h"
#include "model/Utils.h"
#include "platform/LockFile.h"
#include "platform/ui/Form.h"
#include "platform/ui/Geometry.h"

class TFObject;
class TRange;
class TRangeView;
class TECal;
class TLeftPanel;
class TRightPanel;
class TMeasureUnitTables;
class TViewProperties;
class TMemIniFile;
class QImage;
class QPrinter;

namespace ui {
class Gauge;
class Label;
class Panel;
class Timer;
}  // namespace ui

class TChartPopups;
class TMainFrm : public ui::Form {
  Q_OBJECT

 public:
  using TNotifyEvent = std::function<void(TFObject* sender)>;

  // Reasons that keep the window's input disabled (a set of bits).
  enum TDisableReason : unsigned {
    drStarting = 1u << 0,  // the delayed start has not finished
    drRemote = 1u << 1,    // remote state 1 or 2
    drEeprom = 1u << 2,    // the calibration module reports an EEPROM transfer
  };

  static constexpr TColor kWindowColor = 0x676767;
  static constexpr TColor kKeyBarColor = 0x0F0F0F;
  static constexpr TColor kGraphAreaColor = 0x2F2F2F;
  static constexpr TColor kStatusBarColor = 0x2F2F2F;
  static constexpr TColor kAlertColor = 0x686FB0;
  static constexpr TColor kInfoColor = 0x808080;
  static constexpr TColor kGaugeColor = 0x444444;
  static constexpr int kGraphAreaMinimum = 400;
  static constexpr int kGaugeMaximum = 20;
  static constexpr int kDelayCreateMs = 10;
  static constexpr int kSecondMs = 1000;
  static constexpr int kLoadingMs = 7000;
  static constexpr int kViewCount = 4;
  static constexpr const char* kAutosaveName = "Autosave.cfg";

  // Builds the form and runs the creation handler; the delayed start follows from the event
  // loop about 10 ms later. Reaches the modules through their globals (each may be null).
  explicit TMainFrm(QWidget* owner = nullptr);
  // Runs the shut-down (when it has not run yet).
  ~TMainFrm() override;

  // ---- Channel windows ------------------------------------------------------------------------
  // The channel window of index 0..3; null for another index, before the delayed start and
  // after the shut-down.
  TRangeView* GetView(int index) const;
  TRangeView* GetActiveView() const;
  // The channel of index 0..3 (the window's channel), or null.
  TRange* GetChannel(int index) const;
  TRange* GetActiveChannel() const { return GetChannel(ActiveViewIndex); }

  // ---- Layout ------------------------------------------------------------------------------------
  // Layouts 0..5: one window; two above each other; two side by side; one over two; one beside
  // two; four in a square. Counts, indices and layouts out of range are brought to the nearest
  // allowed value.
  static constexpr int kLayoutCount = 6;
  static int LayoutChannelCount(int layout);
  int GetLayoutChannelCount() const { return LayoutChannelCount(ChannelLayout); }
  void SetChannelLayout(int layout);
  // Shows the first count windows (or only the active one while maximised); their channels
  // alone are swept. A running sweep stops around the rebuild of the scan list and starts again.
  void SetChannelCount(int count);
  void SetActiveView(int index);
  void SetViewMaximized(bool on);
  // Places the shown windows on the graph area.
  void ArrangeViews();
  // The four windows' rectangles of a layout on an area (left and top 0): integer halves, the
  // neighbours share the dividing coordinate. Rectangles of windows the layout does not use
  // stay empty.
  void CalcViewRects(int layout, std::array<ui::Rect, kViewCount>& rects, const ui::Rect& area) const;
  static constexpr TColor kActiveViewColor = 0x676767;
  static constexpr TColor kInactiveViewColor = 0x444444;

  // ---- Soft keys -----------------------------------------------------------------------------------
  // A soft key of either column was clicked (index -1: the column changed its width).
  void LeftPanelClick(int index);
  void RightPanelClick(int index);
  // Run / standby: wakes the instrument and sweeps (one single sweep from hold), or stops and
  // puts it into standby.
  void ToggleRunStandby();
  // The result of the System dialog that ends the program.
  static constexpr int kAbortResult = 3;
  // Opens a dialog by its class name; modal dialogs give their result. The order: the test
  // hook DialogOpener, then the openers the dialogs registered, then "Not available yet" with
  // result 0 for a dialog this program does not have.
  using TDialogOpener = std::function<int(TMainFrm& owner, const std::string& dialogClass, bool modal)>;
  static TDialogOpener DialogOpener;
  // owner: the form the dialog is opened from; arg: one integer for the dialogs that take one
  // (a kit index, a model row), -1 for none.
  using TDialogFactoryOpener = std::function<int(ui::Form& owner, bool modal, int arg)>;
  // Registers (or, with an empty opener, removes) the opener of a dialog class.
  static void RegisterDialog(const std::string& dialogClass, TDialogFactoryOpener opener);
  static bool IsDialogRegistered(const std::string& dialogClass);
  int OpenDialog(const std::string& dialogClass, bool modal);
  int OpenDialog(ui::Form& owner, const std::string& dialogClass, bool modal, int arg = -1);

  // ---- State files ------------------------------------------------------------------------------
  // The file a state name means: a bare name lies in "State" in the data root (created by
  // saving), a name without an extension gets ".cfg".
  static std::string StateFilePath(const std::string& name, bool createFolder);
  // Writes the whole state in one go: on any failure the old file stays as it was and an
  // EAbort names the file.
  void SaveState(const std::string& name);
  // Reads the whole file and checks it before anything is applied: a missing, oversized,
  // foreign or damaged file raises EAbort and changes nothing.
  void LoadState(const std::string& name);
  // The largest state file that loads, bytes.
  static constexpr size_t kMaxStateFileBytes = 64u * 1024u * 1024u;
  // The state as bytes of the file SaveState writes.
  std::string StateBytes();
  // The full path of "State/Autosave.cfg" in the data root.
  static std::string AutosavePath();
  void SetAutosave(bool on);
  void SetSaveType(int type);
  void SetTouchType(int type);
  void SetTouchFormat(int format);
  // The name of the lock that this program's copies take on a data folder (one per folder,
  // from its full path). The copy that holds it is the only one that writes the autosave.
  static std::string DataFolderLockName();
  // A second copy on a data folder that another copy holds: its autosave stays off for good.
  bool IsSecondCopy() const { return SecondCopy; }
  std::string GetSaveTypeText() const;
  // "STAT", "CST", "DST", "CDST" at the start of the text, in any case; anything else raises
  // "Invalid save type specifier" (error 205) and keeps the value.
  void SetSaveTypeText(const std::string& text);
  void ClearAllCalibrations();
  void Preset();

  // ---- Pictures and printing --------------------------------------------------------------------
  // The channel area in the print look (print colours, inversion, the date-and-time header when
  // PrintTime is set). The screen's look, its change notice and the windows' colours come back
  // on every path, an exception included.
  QImage CreatePrintImage();
  // The channel area as the screen shows it, without header.
  QImage CreateGraphImage();
  // Writes the picture: a bare name goes into "Image" in the data root (name becomes the full
  // path); ".png" in any case gives PNG, anything else a bitmap under the name as given. EAbort
  // when the file cannot be written; an old file stays as it was.
  void SaveImage(std::string& name, const QImage& image);
  // The next free screen-shot number of "Image"; EAbort when every number is taken.
  int GetNextScreenShotNumber();
  // Shows the "Screen Shot" panel while the next numbered screen shot is written; returns the
  // full path. The panel is hidden on every path.
  std::string SaveScreenShot();
  void SaveGraphImage(std::string name);
  // Where the picture goes on a page: 1 cm margins, the width filled or, when too tall, the
  // height; proportions kept in inches.
  static ui::Rect PrintRect(int pageWidth, int pageHeight, double hdpi, double vdpi, int imageWidth, int imageHeight);
  void PrintToPrinter();
  // Saves the print picture as "$temp.png" in "Image" and hands it to the desktop's image
  // program; says so when none takes it.
  void PrintWithWindows();
  // The report: the print picture, the model name and the serial number in the user's template
  // "Image/PrintTemplate.dotx" (or a plain document without one), saved as
  // "Image/Report_<date-time>.docx" and handed to the desktop. Returns its path; empty when the
  // template cannot be used (the user is told, nothing is written).
  std::string PrintWithWord();
  void PrintBitmap(const QImage& image);
  // The printer printing goes to; by default the system's default printer. Tests give a PDF
  // printer, or none. Returning null means no printer is installed.
  static std::function<std::unique_ptr<QPrinter>()> PrinterHook;
  // Writes the active channel as a Touchstone file: a bare name goes into "Touchstone", a
  // name without extension gets the one of TouchType.
  void SaveTouchstone(const std::string& name);
  std::string GetPrintColorText() const;
  void SetPrintColorText(const std::string& text);
  std::string GetPrintInvertText() const;
  void SetPrintInvertText(const std::string& text);
  void SetPrintTime(bool on) { PrintTime = on; }
  void SetPrintInverted(bool on) { PrintInverted = on; }

  // ---- Window ------------------------------------------------------------------------------------
  // 0 local, 1 remote, 2 remote with lock; an unchanged value does nothing, a value outside
  // 0..2 is only stored.
  void SetRemoteState(int state);
  int GetRemoteState() const { return RemoteState; }
  void ShowMainWindow();
  void HideMainWindow();
  bool IsMainWindowShown() const { return MainWindowShown; }
  void SetFullScreen(bool on);
  // The frame that the window manager draws around the window, in pixels on each side; all 0
  // until the window has been framed (and always without a window manager).
  struct TFrameMargins {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool IsEmpty() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
  };
  TFrameMargins FrameMargins() const;
  // Where FrameMargins comes from; empty: the window system. Tests give a frame of their own.
  static std::function<TFrameMargins(const TMainFrm&)> FrameMarginsHook;
  // The window with its frame, as the state's "Left", "Top", "Width" and "Height" keep it.
  ui::Rect OuterRect() const;
  // A placement asked for before the window was framed is made again, once, as soon as the
  // frame is known, so the outer rectangle comes out as asked. Runs from the window's move,
  // resize and show events; does nothing while the frame is still unknown.
  void ApplyPendingPlacement();
  bool HasPendingPlacement() const { return PendingPlacement.has_value(); }
  // Sets or clears one reason to keep input disabled; the window is enabled only without any.
  void SetDisabledReason(TDisableReason reason, bool on);
  unsigned DisabledReasons() const { return Disabled; }

  // The shut-down; safe to call any number of times.
  void Shutdown();
  bool IsShutDown() const { return ShutDownDone; }

  // ---- Handlers (public so that tests and dialogs can call them as the events would) ---------
  void DelayCreateViewTimer();
  void DeviceConnected(TFObject* sender);
  void DeviceStateChanged(TFObject* sender);
  void DeviceLoading(TFObject* sender);
  void UpdateReadyStatus();
  void SweepDone(TFObject* sender);
  void RedrawVisibleViews(TFObject* sender);
  // recalculate: the visible windows' traces too (every scanner setting but the distance unit
  // alone needs it), except while a state is applied: that ends with one recalculation.
  void UpdateTriggerStatus(bool recalculate = true);
  void UpdateEepromStatus();
  void UpdateSystemCalStatus();
  void CalibrationChanged();
  void ApplyStatusFonts();
  void FitStatusPanels();
  void ViewMouseDown(TRangeView* view);
  void ToggleMaximized();
  void ViewChanged();
  void NotifyViewChange();
  void ClockTimer();
  // The sweep-time label from a time in milliseconds.
  void ShowSweepTime(double ms);

  // ---- Components ------------------------------------------------------------------------------
  ui::Panel* KeyBarLeft = nullptr;
  TLeftPanel* LeftPanel = nullptr;  // the soft-key column that fills KeyBarLeft
  ui::Panel* plGraphArea = nullptr;
  ui::Panel* KeyBarRight = nullptr;
  TRightPanel* RightPanel = nullptr;
  ui::Panel* pnBottomBar = nullptr;
  ui::Panel* pnProgressBar = nullptr;
  ui::Gauge* ProgressBar = nullptr;
  ui::Panel* pnDataTime = nullptr;
  ui::Label* lbDataTime = nullptr;
  ui::Panel* pnSystemCalFail = nullptr;
  ui::Label* lbSystemCalFail = nullptr;
  ui::Panel* pnEEPROM = nullptr;
  ui::Label* lbEEPROM = nullptr;
  ui::Panel* pnSaveScreen = nullptr;
  ui::Label* lbSaveScreen = nullptr;
  ui::Panel* pnRFOff = nullptr;
  ui::Label* lbRFOff = nullptr;
  ui::Panel* pnFactoryOff = nullptr;
  ui::Label* lbFactoryOff = nullptr;
  ui::Panel* pnCorrectionOff = nullptr;
  ui::Label* lbCorrectionOff = nullptr;
  ui::Panel* pnTrigger = nullptr;
  ui::Label* lbTrigger = nullptr;
  ui::Panel* pnSweepTime = nullptr;
  ui::Label* lbSweepTime = nullptr;
  ui::Panel* pnReady = nullptr;
  ui::Label* lbReady = nullptr;
  ui::Panel* pnSerial = nullptr;
  ui::Label* lbSerial = nullptr;
  ui::Panel* pnTemperature = nullptr;
  ui::Label* lbTemperature = nullptr;
  ui::Timer* DelayCreateView = nullptr;

  // The status panels in their order on the bar, left to right.
  std::vector<ui::Panel*> StatusPanels() const;

  // ---- Fields --------------------------------------------------------------------------------------
  ui::Timer* SecondTimer = nullptr;
  std::string DateText;
  int GaugeStep = 0;
  bool AutosaveEnabled = false;
  TECal* ECal = nullptr;  // the electronic calibration module object (owned)
  int ChannelCount = 0;
  int ChannelLayout = 0;
  int ActiveViewIndex = 0;
  bool ViewMaximized = false;
  int SaveType = 1;
  int TouchType = 0;
  int SPort = 0;
  int TouchstoneRecallTo = 0;
  int TouchFormat = 0;
  int PrintColor = 0;
  bool PrintInverted = true;
  bool PrintTime = true;
  std::unique_ptr<TMeasureUnitTables> UnitTables;
  bool KeepUserCalOnLoad = false;

  TNotifyEvent OnStatusChanged;
  TNotifyEvent OnActiveViewChanged;
  // After the close has run the shut-down (program start ends the event loop with it).
  std::function<void()> OnClosed;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void FormCreate();
  void BuildComponents();
  ui::Panel* AddStatusPanel(const char* panelName, const char* labelName, ui::Label** label, TColor color);
  void LayoutForm();
  void LayoutStatusBar();
  void SetAlert(ui::Label* label, const std::string& text, TColor color);
  void InstallModuleClosures();
  void RemoveModuleClosures();
  void FireStatusChanged();
  void FireActiveViewChanged();
  int TextHeightOfH();
  std::string TemperatureText() const;
  void UpdateTemperatureLabel();
  void RepaintKeyBars();

  void CreateViews();
  void DestroyViews();
  void InstallCalibrationHooks();
  void RemoveCalibrationHooks();
  void ApplyState(TMemIniFile& ini);
  void ApplyStateSteps(TMemIniFile& ini);
  void WriteState(TMemIniFile& ini);
  void PlaceWindow(int left, int top, int width, int height);
  // Takes the data folder's lock; when another copy holds it, says so once and leaves
  // autosave off for this copy's life.
  void LockDataFolder();

  std::array<TRangeView*, kViewCount> Views{};
  // What the calibration module asks of the window: the active channel and its calibration,
  // and the window's disabling during its EEPROM transfers.
  class TCalibrationHooks;
  std::unique_ptr<TCalibrationHooks> CalibrationHooks;
  // The box the calibration runs wait in while their sweep runs.
  std::unique_ptr<ISweepWaitBox> SweepWaitBox;
  // What the charts open on a click (installed for the charts while the window runs).
  std::unique_ptr<TChartPopups> ChartPopups;
  std::vector<ui::Timer*> LoadingTimers;
  bool ShutDownDone = false;
  // A state is being applied (ApplyState).
  bool ApplyingState = false;
  // The graph area's resize arranges the channel windows (off while they are being placed).
  bool GraphAreaResizeHooked = false;
  int RemoteState = 0;
  bool MainWindowShown = true;
  unsigned Disabled = 0;
  std::optional<ui::Rect> PendingPlacement;
  // Named when it is taken (the data folder can change between windows in tests).
  platform::LockFile DataFolderLock{"unset"};
  bool SecondCopy = false;
};

// The program's main window; program start sets it as the sixth module.
extern TMainFrm* MainFrm;
