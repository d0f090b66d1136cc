// The part of the Tk wrapper that asks Windows itself. Tcl watches no
// file descriptors on Windows.
#include <windows.h>
//
#include <tk.h>
// X11 defines these as macros; our own Status type needs the name back.
#undef Status
#undef None
#undef Bool

#include <optional>
#include <vector>

#include "ui/tk_interp.h"
#include "platform/work_area.h"

namespace zarvek::tk {

// On Windows Tk's child windows are native windows that Tk maps itself at
// no extra cost per sibling; there is nothing to do ahead of it.
void MapSubwindowsNow(Tk_Window) {}

namespace {

ScreenRect RectOf(const RECT& r) {
  return {static_cast<int>(r.left), static_cast<int>(r.top),
          static_cast<int>(r.right - r.left),
          static_cast<int>(r.bottom - r.top)};
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    reinterpret_cast<std::vector<ScreenRect>*>(data)->push_back(
        RectOf(info.rcWork));
  }
  return TRUE;
}

}  // namespace

// The main window opens on the monitor that holds the pointer (the primary
// one when the pointer's place is unknown); a work area leaves out the
// taskbar. All are in the process's own pixels, as Tk's are.
std::optional<WorkArea> WorkAreaOf(Tk_Window) {
  WorkArea work;
  POINT pointer{0, 0};
  if (!GetCursorPos(&pointer)) pointer = POINT{0, 0};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY),
                      &info)) {
    work.area = RectOf(info.rcWork);
  } else {
    RECT area;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
      return std::nullopt;
    work.area = RectOf(area);
  }
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor,
                      reinterpret_cast<LPARAM>(&work.monitors));
  if (work.monitors.empty()) work.monitors.push_back(work.area);
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

bool Interp::WatchReadable(int, std::function<void()>) { return false; }

void Interp::StopWatching() { watches_.clear(); }

}  // namespace zarvek::tk
