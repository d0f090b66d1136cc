// Where on the screen a main window may lie: the work area (the screen less
// the taskbar, docks and panels) and the frame the window manager draws
// around a window. The platform adapters measure them
// (tk::Interp::WorkAreaOf); the window fits itself inside.
#ifndef ZARVEK_PLATFORM_WORK_AREA_H_
#define ZARVEK_PLATFORM_WORK_AREA_H_

#include <optional>
#include <vector>

namespace zarvek {

/// A rectangle of the screen in pixels.
struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;
};

/// What the window manager's frame adds on each side of a window's inside.
struct FrameInsets {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct WorkArea {
  /// The work area of the monitor that holds the pointer, where a window
  /// opens; on X11 the desktop's work area, which may span several
  /// monitors.
  ScreenRect area;
  /// Empty when the system cannot say before the window is shown (X11).
  std::optional<FrameInsets> frame;
  /// The work area of every monitor, `area`'s among them, when the system
  /// tells monitors apart (Windows); empty where it does not (X11).
  std::vector<ScreenRect> monitors = {};
};

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_WORK_AREA_H_
