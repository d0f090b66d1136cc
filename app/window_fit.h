// Fitting the main window to the screen it opens on. The design asks for a
// size (950x700 at 96 dpi, more on dense screens) that may not fit the work
// area left by a taskbar or panel, and a window manager that is not told
// may put the bottom buttons under the taskbar. The window is therefore
// given a size no larger than the work area less the window manager's
// frame, and a place inside it; the scrolled lists take the difference.
#ifndef ZARVEK_APP_WINDOW_FIT_H_
#define ZARVEK_APP_WINDOW_FIT_H_

#include <optional>
#include <string>
#include <string_view>

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

/// Where the main window opens. `saved` (where and as large as the user
/// left it) as it is when the window and its frame lie wholly inside the
/// work area of one monitor of `work.monitors` (of `work.area` when the
/// system does not tell monitors apart); otherwise the saved size, or the
/// asked one, fitted as FitWindow fits it and centred on `work.area`, the
/// monitor that holds the pointer. Where monitors are not told apart
/// (X11: `work.area` may span several) the window goes to the work area's
/// top-left corner instead, as FitWindow places it.
WindowPlacement PlaceWindow(int width, int height,
                            const std::optional<WindowPlacement>& saved,
                            const WorkArea& work, const FrameInsets& assumed);

/// Tk's geometry text "WxH+X+Y" ("+-5" is 5 pixels left of the screen's
/// edge); X and Y are where the frame begins.
std::string WindowGeometryText(const WindowPlacement& placed);

/// The placement in a geometry text as WindowGeometryText writes it and
/// `wm geometry` reports it; nullopt for anything else, for a size below
/// kMinSavedWidth x kMinSavedHeight (no one leaves a window so small; a
/// damaged settings file may say so) and for numbers past ±100000.
std::optional<WindowPlacement> ParseWindowGeometry(std::string_view text);
inline constexpr int kMinSavedWidth = 200;
inline constexpr int kMinSavedHeight = 150;

}  // namespace zarvek

#endif  // ZARVEK_APP_WINDOW_FIT_H_
