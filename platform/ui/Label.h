#pragma once
// A text label: drawn from the top of its area, left, centred or right, on one line per text
// line or word-wrapped; transparent labels let the parent show through. With AutoSize (the
// default) it takes the size of its text (only the height while word-wrapped).
#include <string>

#include "platform/ui/Control.h"

namespace ui {

class Label : public Control {
  Q_OBJECT

 public:
  explicit Label(QWidget* parent = nullptr);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment alignment);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);

 protected:
  void Paint(Canvas& canvas) override;
  void LookChanged() override { Fit(); }

 private:
  void Fit();
  unsigned Format() const;

  std::string caption_;
  Alignment alignment_ = Alignment::Left;
  bool wordWrap_ = false;
  bool transparent_ = false;
  bool autoSize_ = true;
};

}  // namespace ui
