#include "platform/ui/Cursor.h"

namespace ui {

Qt::CursorShape ToQtCursor(Cursor cursor) {
  switch (cursor) {
    case Cursor::HandPoint: return Qt::PointingHandCursor;
    case Cursor::SizeWE: return Qt::SizeHorCursor;
    case Cursor::SizeNS: return Qt::SizeVerCursor;
    case Cursor::VSplit: return Qt::SplitVCursor;
    case Cursor::HSplit: return Qt::SplitHCursor;
    case Cursor::HourGlass: return Qt::WaitCursor;
    case Cursor::Default:
    case Cursor::Arrow: break;
  }
  return Qt::ArrowCursor;
}

}  // namespace ui
