#pragma once
// The pictures on the editing keys that the keypad and the keyboard share.
#include <QImage>

enum class TKeyGlyph { BackSpace, Left, Right };

// The 25 x 25 picture of the key, white on see-through.
QImage KeyGlyph(TKeyGlyph kind);
