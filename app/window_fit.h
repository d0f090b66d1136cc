// Fitting the main window to the screen it opens on. The design asks for a
// size (950x700 at 96 dpi, more on dense screens) that may not fit the work
// area left by a taskbar or panel, and a window manager that is not told
// may put the bottom buttons under the taskbar. The window is therefore
// given a size no larger than the work area less the window manager's
// frame, and a place inside it; the scrolled lists take the difference.
#ifndef ZARVEK_APP_WINDOW_FIT_H_
#define ZARVEK_APP_WINDOW_FIT_H_

#include "platform/work_area.h"

namespace zarvek {

/// The inside size and the frame's top-left corner of the main window.
struct WindowPlacement {
  int width = 0, height = 0, x = 0, y = 0;
};

/// A window that asks for `width` x `height` inside `work`: each side
/// clamped to the work area less the frame (`work.frame`, or `assumed`
/// where the system cannot tell yet), never below 1, and the frame placed
/// at the work area's top-left corner, where the taskbar or a panel never
/// is (the window manager, left alone, may put it anywhere on the screen).
WindowPlacement FitWindow(int width, int height, const WorkArea& work,
                          const FrameInsets& assumed);

}  // namespace zarvek

#endif  // ZARVEK_APP_WINDOW_FIT_H_
