#pragma once
// The pointer shapes the chart and the dialogs ask for.
#include <Qt>

namespace ui {

enum class Cursor { Default, Arrow, HandPoint, SizeWE, SizeNS, VSplit, HSplit, HourGlass };

Qt::CursorShape ToQtCursor(Cursor cursor);

}  // namespace ui
