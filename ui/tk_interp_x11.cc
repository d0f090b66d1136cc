// The part of the Tk wrapper that speaks to X directly, and Tcl's watch of
// file descriptors, which exists on Unix only.
#include <X11/Xatom.h>
#include <tk.h>
// X11 defines these as macros; our own Status type needs the name back.
#undef Status
#undef None
#undef Bool

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

#include "platform/work_area.h"
#include "ui/tk_interp.h"

namespace zarvek::tk {
namespace {

// The 32-bit CARDINAL values of property `name` on `window`, at most `max`.
std::vector<long> Cardinals(Display* display, Window window, const char* name,
                            long max) {
  std::vector<long> values;
  const Atom atom = XInternAtom(display, name, True);
  if (atom == 0) return values;
  Atom type = 0;  // None, whose macro is undefined above
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, atom, 0, max, False, XA_CARDINAL,
                         &type, &format, &count, &after, &data) == Success &&
      type == XA_CARDINAL && format == 32 && data != nullptr) {
    // Xlib hands 32-bit items back as longs.
    const long* items = reinterpret_cast<const long*>(data);
    values.assign(items, items + count);
  }
  if (data != nullptr) XFree(data);
  return values;
}

}  // namespace

void MapSubwindowsNow(Tk_Window window) {
  XMapSubwindows(Tk_Display(window), Tk_WindowId(window));
}

std::optional<WorkArea> WorkAreaOf(Tk_Window window) {
  Display* display = Tk_Display(window);
  const int screen = Tk_ScreenNumber(window);
  const Window root = RootWindow(display, screen);
  const ScreenRect whole{0, 0, DisplayWidth(display, screen),
                         DisplayHeight(display, screen)};
  WorkArea work{whole, std::nullopt};
  // _NET_WORKAREA holds x, y, width, height for each desktop.
  const std::vector<long> current =
      Cardinals(display, root, "_NET_CURRENT_DESKTOP", 1);
  const long desktop = current.empty() ? 0 : current[0];
  const std::vector<long> areas =
      Cardinals(display, root, "_NET_WORKAREA", 4 * (desktop + 1));
  if (desktop >= 0 && areas.size() >= static_cast<size_t>(4 * (desktop + 1))) {
    const long* a = &areas[4 * desktop];
    const long x0 = std::max<long>(a[0], 0), y0 = std::max<long>(a[1], 0);
    const long x1 = std::min<long>(a[0] + a[2], whole.width);
    const long y1 = std::min<long>(a[1] + a[3], whole.height);
    if (x1 > x0 && y1 > y0) {
      work.area = {static_cast<int>(x0), static_cast<int>(y0),
                   static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
    }
  }
  return work;
}

namespace {

void OnReadable(ClientData data, int /*mask*/) {
  try {
    (*static_cast<std::function<void()>*>(data))();
  } catch (const std::exception& e) {
    // Nothing may unwind through Tcl's notifier, and nobody above it could
    // be told: the console is.
    std::fprintf(stderr, "Error interno: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Error interno: error desconocido\n");
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
