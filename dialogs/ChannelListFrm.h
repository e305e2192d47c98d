#pragma once
// The Channels dialog: how many channel windows the main window shows (one, two stacked, four
// in two rows), the active channel, the maximised view and the save type; from it the active
// channel is stored into one of four channel states A to D and recalled from there through the
// Save Channel and Recall Channel dialogs. It also works without a modal run: it then releases
// itself on Ok and when it loses the activation.
#include <array>

#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TChannelListFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TChannelListFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  ui::Panel* pnActiveChannel = nullptr;
  ui::Panel* pnActiveChannelValue = nullptr;
  ui::Panel* pnMaximizeChannel = nullptr;
  ui::Panel* pnMaximizeChannelValue = nullptr;
  TLbButton* btOneChannel = nullptr;
  TLbButton* btTwoChannel = nullptr;
  TLbButton* btThreeChannel = nullptr;
  ui::Panel* pnSaveType = nullptr;
  ui::Panel* pnSaveTypeValue = nullptr;
  TLbButton* btSaveChannel = nullptr;
  TLbButton* btRecallChannel = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void ChooseLayout(int layout, int count);
};

// The four state buttons with their indicators, shared by the two state dialogs.
class TChannelStateFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  static constexpr ui::TColor kUsedColor = 0x80FF80;
  static constexpr ui::TColor kFreeColor = 0xC0C0C0;

  std::array<TLbButton*, 4> btState{};
  std::array<ui::Panel*, 4> pnState{};
  TLbButton* btOk = nullptr;

 protected:
  TChannelStateFrm(QWidget* owner, const std::string& title);
  // The indicators' colours from the store.
  void PaintIndicators();
  // Title, rows 2 to 5 the state buttons with their indicators, btOk in the last row.
  void ArrangeStates(int rows);
  virtual void StateMouseDown(int slot) = 0;
};

class TSaveChannelFrm : public TChannelStateFrm {
  Q_OBJECT

 public:
  explicit TSaveChannelFrm(QWidget* owner);
  void RefreshValues() override;
  TLbButton* btClearStates = nullptr;

 protected:
  void StateMouseDown(int slot) override;
};

class TRecallChannelFrm : public TChannelStateFrm {
  Q_OBJECT

 public:
  // Where it appears (moved just enough to lie in the work area).
  static constexpr int kLeft = 754;
  static constexpr int kTop = 450;

  explicit TRecallChannelFrm(QWidget* owner);
  void RefreshValues() override;

 protected:
  void StateMouseDown(int slot) override;
};
