// On Windows Tk's child windows are native windows that Tk maps itself at
// no extra cost per sibling; there is nothing to do ahead of it. Tcl
// watches no file descriptors on Windows.
#include <tk.h>
// X11 defines these as macros; our own Status type needs the name back.
#undef Status
#undef None
#undef Bool

#include "platform/tk_interp.h"

namespace zarvek::tk {

void MapSubwindowsNow(Tk_Window) {}

bool Interp::WatchReadable(int, std::function<void()>) { return false; }

void Interp::StopWatching() { watches_.clear(); }

}  // namespace zarvek::tk
