#pragma once
// The Analysis dialog: five groups of settings of the active channel and its active trace,
// stacked in one place and chosen by their group buttons: the fixture simulator of port 1
// (impedance conversion, de-embedding and embedding of a two-port Touchstone network), the
// trace's conversion function, its limit test, its ripple test and the channel window's time
// gate. Every value goes to the engine at once; the dialog keeps no copy and has no cancel.
// The fixture simulator shows first at every opening.
#include <string>

#include "dialogs/GroupSwitch.h"
#include "widgets/TouchDialogFrm.h"

class TLbButton;
class TLimitLine;
class TMeasurement;
class TRange;
class TRangeView;
namespace ui {
class Panel;
}

class TAnalysisFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TAnalysisFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  // An impedance with at most six significant digits, trailing zeros and a bare decimal point
  // dropped; scientific notation (two exponent digits at least) only from 1e6 and below 1e-5.
  static std::string ImpedanceText(double ohm);
  // The gate time in the distance unit's keypad value (ns, m or ft) and back; a distance unit
  // outside the three passes the value unchanged.
  static double GateToUnit(double seconds);
  static double UnitToGate(double value);
  // What Ok of the Start (stop false) or Stop keypad calls with the typed value: the gate
  // limit of the window active now, in seconds, then a refresh.
  TSetter GateSetter(bool stop);

  TLbButton* bt1Fixture = nullptr;
  TLbButton* bt2Conversion = nullptr;
  TLbButton* bt3LimitTest = nullptr;
  TLbButton* bt4RippleTest = nullptr;
  TLbButton* btGating = nullptr;
  ui::Panel* pn1 = nullptr;
  ui::Panel* pn2 = nullptr;
  ui::Panel* pn3 = nullptr;
  ui::Panel* pn4 = nullptr;
  ui::Panel* pn5 = nullptr;

  ui::Panel* pnPortZConversion = nullptr;
  ui::Panel* pnPortZConversionValue = nullptr;
  ui::Panel* pnPortZ0 = nullptr;
  ui::Panel* pnPortZ0Value = nullptr;
  ui::Panel* pnDeEmbedding = nullptr;
  ui::Panel* pnDeEmbeddingValue = nullptr;
  ui::Panel* pnDESparam = nullptr;
  ui::Panel* pnDESparamValue = nullptr;
  ui::Panel* pnEmbedding = nullptr;
  ui::Panel* pnEmbeddingValue = nullptr;
  ui::Panel* pnESparam = nullptr;
  ui::Panel* pnESparamValue = nullptr;

  ui::Panel* pnConversionState = nullptr;
  ui::Panel* pnConversionValue = nullptr;
  ui::Panel* pnFunction = nullptr;
  ui::Panel* pnFunctionValue = nullptr;

  ui::Panel* pnLimitTestState = nullptr;
  ui::Panel* pnLimitTestValue = nullptr;
  ui::Panel* pnLimitLine = nullptr;
  ui::Panel* pnLimitLineValue = nullptr;
  ui::Panel* pnFailSign = nullptr;
  ui::Panel* pnFailSignValue = nullptr;
  ui::Panel* pnStimulusOffset = nullptr;
  ui::Panel* pnStimulusOffsetValue = nullptr;
  ui::Panel* pnResponseOffset = nullptr;
  ui::Panel* pnResponseOffsetValue = nullptr;
  TLbButton* btEditLimitLine = nullptr;

  ui::Panel* pnRippleTestState = nullptr;
  ui::Panel* pnRippleTestValue = nullptr;
  ui::Panel* pnRippleLine = nullptr;
  ui::Panel* pnRippleLineValue = nullptr;
  ui::Panel* pnRippleFailSign = nullptr;
  ui::Panel* pnRippleFailSignValue = nullptr;
  TLbButton* btEditRippleLimit = nullptr;

  ui::Panel* pnGating = nullptr;
  ui::Panel* pnGatingValue = nullptr;
  ui::Panel* pnStart = nullptr;
  ui::Panel* pnStartValue = nullptr;
  ui::Panel* pnStop = nullptr;
  ui::Panel* pnStopValue = nullptr;
  ui::Panel* pnType = nullptr;
  ui::Panel* pnTypeValue = nullptr;
  ui::Panel* pnShape = nullptr;
  ui::Panel* pnShapeValue = nullptr;

  TLbButton* btOk = nullptr;
  TGroupSwitch Groups;

 private:
  // Looked up at every use: automation may change the active window or delete the trace while
  // a list, the keypad, the browser or an editor runs.
  static TRangeView* ActiveView();
  static TRange* ActiveChannel();
  static TMeasurement* ActiveTrace();
  static TLimitLine* ActiveLimitLine();

  // A caption and value pair inside a group panel.
  void MakeRow(ui::Panel* group, ui::Panel*& caption, ui::Panel*& value, const std::string& name,
               const char* english);
  // A trace switch: set(trace, !get(trace)), then a refresh.
  void BindTraceSwitch(ui::Panel& caption, ui::Panel& value, bool (*get)(const TMeasurement&),
                       void (*set)(TMeasurement&, bool));
  // The browser for port 1's de-embedding (embedding false) or embedding network.
  void LoadFixture(bool embedding);
  // A gate limit through the keypad in the distance unit.
  void GateKeypad(const char* english, bool stop);
  // A table editor by its class name; the values are not re-read when it closes.
  void RunEditor(const char* dialogClass);

  bool holdValues_ = false;
};
