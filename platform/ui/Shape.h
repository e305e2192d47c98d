#pragma once
// A filled rectangle or ellipse with an outline, such as the scroll thumbs beside the lists.
#include "platform/ui/Control.h"

namespace ui {

class Shape : public Control {
  Q_OBJECT

 public:
  enum class Kind { Rectangle, Ellipse };

  explicit Shape(QWidget* parent = nullptr);

  const ui::Pen& GetPen() const { return pen_; }
  void SetPen(const ui::Pen& pen);
  const ui::Brush& GetBrush() const { return brush_; }
  void SetBrush(const ui::Brush& brush);
  Kind GetKind() const { return kind_; }
  void SetKind(Kind kind);

 protected:
  void Paint(Canvas& canvas) override;

 private:
  ui::Pen pen_;
  ui::Brush brush_;
  Kind kind_ = Kind::Rectangle;
};

}  // namespace ui
