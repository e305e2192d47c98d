#pragma once
// What the electronic calibration module and its selected characterisation say about
// themselves: type, serial, current temperature, and the characterisation's descriptor (read
// once, when the dialog is made). Read-only; Ok, Enter, Escape and code 3 close it.
#include <string>

#include "widgets/TouchDialogFrm.h"

class TEmiStringGrid;
class TLbButton;
namespace ecal {
struct TDescriptor;
}

class TCharInfoFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  static constexpr int kRows = 17;

  explicit TCharInfoFrm(QWidget* owner);

  void ArrangeControls();
  void btOkMouseDown();

  // The connector's name for a descriptor code; empty for a code the table does not have.
  static std::string ConnectorText(int code);

  TEmiStringGrid* sgList = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void Fill();
};
