// On Windows Tk's child windows are native windows that Tk maps itself at
// no extra cost per sibling; there is nothing to do ahead of it.
#include <tk.h>

namespace zarvek::tk {

void MapSubwindowsNow(Tk_Window) {}

}  // namespace zarvek::tk
