// The part of the Tk wrapper that speaks to X directly.
#include <tk.h>

namespace zarvek::tk {

void MapSubwindowsNow(Tk_Window window) {
  XMapSubwindows(Tk_Display(window), Tk_WindowId(window));
}

}  // namespace zarvek::tk
