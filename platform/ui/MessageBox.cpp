#include "platform/ui/MessageBox.h"

#include "platform/ui/QtMessageBox.h"

namespace ui {

namespace {

MessageBox*& Installed() {
  static MessageBox* box = nullptr;
  return box;
}

}  // namespace

MessageBox& MessageBox::Get() {
  static QtMessageBox qt;
  MessageBox* box = Installed();
  return box ? *box : qt;
}

MessageBox* MessageBox::Install(MessageBox* box) {
  MessageBox* previous = Installed();
  Installed() = box;
  return previous;
}

}  // namespace ui
