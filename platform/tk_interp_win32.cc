// The part of the Tk wrapper that asks Windows itself.
#include <windows.h>
//
#include <tk.h>

#include <optional>

#include "platform/work_area.h"

namespace zarvek::tk {

// On Windows Tk's child windows are native windows that Tk maps itself at
// no extra cost per sibling; there is nothing to do ahead of it.
void MapSubwindowsNow(Tk_Window) {}

// The main window opens on the primary monitor; its work area leaves out
// the taskbar. Both are in the process's own pixels, as Tk's are.
std::optional<WorkArea> WorkAreaOf(Tk_Window) {
  RECT area;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return std::nullopt;
  WorkArea work;
  work.area = {static_cast<int>(area.left), static_cast<int>(area.top),
               static_cast<int>(area.right - area.left),
               static_cast<int>(area.bottom - area.top)};
  // The frame of a window with a title bar and sizing borders, as Tk makes
  // the main window.
  RECT frame = {0, 0, 0, 0};
  if (AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0)) {
    work.frame = FrameInsets{
        static_cast<int>(-frame.left), static_cast<int>(-frame.top),
        static_cast<int>(frame.right), static_cast<int>(frame.bottom)};
  }
  return work;
}

}  // namespace zarvek::tk
