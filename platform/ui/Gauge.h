#pragma once
// A progress gauge: a horizontal or vertical bar, or a pie filled clockwise from 12 o'clock,
// with the percentage in the middle. Percent = (Progress - Min) * 100 / (Max - Min), whole.
#include "platform/ui/Control.h"

namespace ui {

class Gauge : public Control {
  Q_OBJECT

 public:
  enum class Kind { HorizontalBar, VerticalBar, Pie };

  explicit Gauge(QWidget* parent = nullptr);

  Kind GetKind() const { return kind_; }
  void SetKind(Kind kind);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Progress() const { return progress_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  // Limited to MinValue..MaxValue.
  void SetProgress(int value);
  int PercentDone() const;
  TColor ForeColor() const { return fore_; }
  void SetForeColor(TColor color);
  TColor BackColor() const { return back_; }
  void SetBackColor(TColor color);
  bool ShowText() const { return showText_; }
  void SetShowText(bool on);

 protected:
  void Paint(Canvas& canvas) override;

 private:
  Kind kind_ = Kind::HorizontalBar;
  int min_ = 0;
  int max_ = 100;
  int progress_ = 0;
  TColor fore_ = clBlack;
  TColor back_ = clWhite;
  bool showText_ = true;
};

}  // namespace ui
