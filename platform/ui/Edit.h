#pragma once
// A single-line edit over QLineEdit. Keys go through the form's key preview and the edit's
// own OnKeyDown / OnKeyPress first; whatever those leave (including Ctrl shortcuts such as
// Ctrl+V, and the caret keys) reaches the line editor. Positions (SelStart, SelLength) count
// UTF-16 units, as the editor does.
#include <QLineEdit>
#include <string>

#include "platform/ui/Control.h"

namespace ui {

class Edit : public Control {
  Q_OBJECT

 public:
  explicit Edit(QWidget* parent = nullptr);

  std::string Text() const;
  void SetText(const std::string& text);
  // The caret, or the start of the selection.
  int SelStart() const;
  // Puts the caret there and clears the selection.
  void SetSelStart(int position);
  int SelLength() const;
  // Selects that many units from SelStart.
  void SetSelLength(int length);
  std::string SelText() const;
  // Replaces the selection (inserts at the caret when there is none).
  void SetSelText(const std::string& text);
  void SelectAll();
  void PasteFromClipboard();
  bool ReadOnly() const;
  void SetReadOnly(bool on);
  void SetBorder(bool on);
  // Room between the frame and the text, e.g. to centre the text vertically.
  void SetTextMargin(int pixels);
  void SetAlignment(Alignment alignment);

  QLineEdit& LineEdit() { return *edit_; }
  QWidget* KeyTarget() override { return edit_; }

  NotifyEvent OnChange;
  NotifyEvent OnEnter;
  NotifyEvent OnExit;

 protected:
  bool WantsKey(int key) const override;
  bool WantsChars() const override { return true; }
  void LookChanged() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  bool Filter(QEvent* event);

  QLineEdit* edit_;
};

}  // namespace ui
