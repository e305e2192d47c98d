#pragma once
// Message boxes behind an interface: the program shows Qt's, tests script the answers.
// Answers are the modal results of the buttons: 1 Ok, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore,
// 6 Yes, 7 No. The boxes appear above stay-on-top windows.
#include <string>

namespace ui {

class MessageBox {
 public:
  enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };
  enum class Icon { None, Information, Warning, Error, Question };

  virtual ~MessageBox() = default;
  // Asks and waits for the answer; caption empty: the program's title.
  virtual int Ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon = Icon::None) = 0;
  // A message with an Ok button under the program's title.
  virtual void Show(const std::string& text) = 0;

  // The box in force: the installed one, else Qt's.
  static MessageBox& Get();
  // Installs a box (nullptr: Qt's again); returns the one it replaces.
  static MessageBox* Install(MessageBox* box);
};

}  // namespace ui
