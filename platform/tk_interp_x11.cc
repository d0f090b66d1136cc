// The part of the Tk wrapper that speaks to X directly, and Tcl's watch of
// file descriptors, which exists on Unix only.
#include <tk.h>
// X11 defines these as macros; our own Status type needs the name back.
#undef Status
#undef None
#undef Bool

#include <exception>

#include "platform/tk_interp.h"

namespace zarvek::tk {

void MapSubwindowsNow(Tk_Window window) {
  XMapSubwindows(Tk_Display(window), Tk_WindowId(window));
}

namespace {

void OnReadable(ClientData data, int /*mask*/) {
  try {
    (*static_cast<std::function<void()>*>(data))();
  } catch (const std::exception&) {
    // Nothing may unwind through Tcl's notifier.
  }
}

}  // namespace

bool Interp::WatchReadable(int fd, std::function<void()> fn) {
  auto callback = std::make_unique<std::function<void()>>(std::move(fn));
  Tcl_CreateFileHandler(fd, TCL_READABLE, OnReadable, callback.get());
  watches_.emplace_back(fd, std::move(callback));
  return true;
}

void Interp::StopWatching() {
  for (const auto& watch : watches_) Tcl_DeleteFileHandler(watch.first);
  watches_.clear();
}

}  // namespace zarvek::tk
