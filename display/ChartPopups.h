#pragma once
// The windows a click on the chart opens: the numeric keypad, the on-screen keyboard, the pick
// lists and the segment table editor. They live in layers above the chart, so the chart reaches
// them only through this interface; the main window installs the real one in
// TDrawingPlane::Popups, tests a recording one. Without one, a click opens nothing.
#include <functional>
#include <string>

class TChartPopups {
 public:
  using TSetter = std::function<void(double)>;
  using TGetter = std::function<double()>;
  enum class TPickList { Points, IFBW, MeasMode, Format };

  virtual ~TChartPopups() = default;

  // The keypad, modeless, owned by the main window; title already translated. The setter and
  // getter may outlive the chart and what they edit: they look their target up at each call.
  virtual void OpenKeypad(const std::string& title, int unitIndex, int unitKind, TSetter setter,
                          TGetter getter) = 0;
  // The keyboard on text, modal; true when it ended with Ok (text then holds the new text).
  virtual bool EditText(std::string& text) = 0;
  // A pick list of the active channel's active trace, modeless.
  virtual void OpenPickList(TPickList list) = 0;
  // The segment table editor of the active channel, modal.
  virtual void RunSegmentEditor() = 0;
};
