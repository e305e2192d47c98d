#pragma once
// A surface drawn wholly by its owner: OnPaint draws on GetCanvas() (the kept picture, or the
// target of PaintTo while printing). The canvas keeps its last picture between paints, so
// pixels can be read back (picking a trace by its colour).
#include "platform/ui/Control.h"

namespace ui {

class PaintBox : public Control {
  Q_OBJECT

 public:
  explicit PaintBox(QWidget* parent = nullptr);

  NotifyEvent OnPaint;

 protected:
  void Paint(Canvas& canvas) override;
};

}  // namespace ui
