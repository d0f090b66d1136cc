// One window per user: a second start of the program brings the window of
// the copy already running to the front and ends, unless the surveyor asks
// for a window of its own. Two windows on one project would each save their
// own table over the other's.
//
// On Linux the first copy listens on a Unix-domain socket in the user's
// runtime folder ($XDG_RUNTIME_DIR, else a private folder of the user's in
// /tmp); a later start connects, and the first copy raises its window and
// closes the connection as its answer. On Windows a named mutex tells a
// later start that a copy runs, and that start brings the copy's window
// (found by its title) to the front itself, as only the process the user
// just started may take the foreground.
#ifndef ZARVEK_PLATFORM_SINGLE_INSTANCE_H_
#define ZARVEK_PLATFORM_SINGLE_INSTANCE_H_

#include <functional>
#include <memory>
#include <string>

namespace zarvek {

/// The name by which copies of the program find each other: the Windows
/// mutex (an installer may look for it) and the Linux socket's file name.
inline constexpr const char* kInstanceName = "ZarvekCertificacion";

/// This start's claim to be the program's window; released on destruction.
class FirstInstance {
 public:
  virtual ~FirstInstance() = default;
  /// Has the window's event loop call `fn` on the window thread whenever
  /// `fd` can be read; false when it cannot watch it.
  using WatchReadable = std::function<bool(int fd, std::function<void()> fn)>;
  /// From now on a later start makes `raise` run on the window thread,
  /// through `watch`. The event loop behind `watch` must outlive the claim's
  /// use; the claim itself may outlive it.
  virtual void Listen(const WatchReadable& watch,
                      std::function<void()> raise) = 0;
};

/// Claims the window for this start under `name`. Returns nullptr when a
/// copy is running and has been asked to show its window (titled
/// `window_title`): this start should end. When no copy answers in time, or
/// the system gives no place to meet, the claim listens to nothing and the
/// program runs as before.
std::unique_ptr<FirstInstance> ClaimFirstInstance(
    const std::string& name, const std::string& window_title);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_SINGLE_INSTANCE_H_
