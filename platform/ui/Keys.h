#pragma once
// Key codes and shift states as the forms' key and mouse handlers see them: virtual-key
// numbers of the platform the handlers were written for (Enter 13, Escape 27, Cancel 3, ...),
// typed characters as whole code points, and a set of shift flags.
#include <Qt>
#include <QString>

namespace ui {

// Shift state: a set of these flags.
using ShiftState = unsigned;
inline constexpr ShiftState ssShift = 0x01;
inline constexpr ShiftState ssAlt = 0x02;
inline constexpr ShiftState ssCtrl = 0x04;
inline constexpr ShiftState ssLeft = 0x08;
inline constexpr ShiftState ssRight = 0x10;
inline constexpr ShiftState ssMiddle = 0x20;
inline constexpr ShiftState ssDouble = 0x40;

enum class MouseButton { Left, Right, Middle };

// Virtual-key codes.
namespace vk {
inline constexpr int Cancel = 0x03;
inline constexpr int Back = 0x08;
inline constexpr int Tab = 0x09;
inline constexpr int Return = 0x0D;
inline constexpr int Shift = 0x10;
inline constexpr int Control = 0x11;
inline constexpr int Menu = 0x12;
inline constexpr int Pause = 0x13;
inline constexpr int Escape = 0x1B;
inline constexpr int Space = 0x20;
inline constexpr int Prior = 0x21;
inline constexpr int Next = 0x22;
inline constexpr int End = 0x23;
inline constexpr int Home = 0x24;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Insert = 0x2D;
inline constexpr int Delete = 0x2E;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' 0x41..0x5A.
inline constexpr int Numpad0 = 0x60;
inline constexpr int Multiply = 0x6A;
inline constexpr int Add = 0x6B;
inline constexpr int Subtract = 0x6D;
inline constexpr int Decimal = 0x6E;
inline constexpr int Divide = 0x6F;
inline constexpr int F1 = 0x70;
inline constexpr int OemPlus = 0xBB;
inline constexpr int OemComma = 0xBC;
inline constexpr int OemMinus = 0xBD;
inline constexpr int OemPeriod = 0xBE;
}  // namespace vk

// The virtual key of a Qt key (0 when it has none); keypad keys become the numeric-pad codes.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
// The Qt key of a virtual key (Qt::Key_unknown when it has none); keypad codes set keypad.
int QtKeyFromVirtualKey(int virtualKey, bool* keypad = nullptr);
ShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
Qt::KeyboardModifiers QtModifiersFromShift(ShiftState shift);
// The character a key event types: its text's first code point, or the control character the
// key makes (Enter 13, Escape 27, Backspace 8, Tab 9, Ctrl+letter 1..26, Ctrl+Break 3); 0 for
// none.
char32_t CharFromKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);
// The text a virtual key types on a plain layout ("7", "\r", "-", ...); empty for none.
QString TextOfVirtualKey(int virtualKey, ShiftState shift = 0);

// Hands a key (down, the character it types, up) to the input queue again: it reaches the
// control that has the focus when the queue gets to it, in the topmost modal window if one
// runs then. A grid uses it to give the first digit to the keypad it is about to open.
void PostKey(int virtualKey, ShiftState shift = 0);

}  // namespace ui
