// Notices observation files copied into, removed from or changed in a
// point's RINEX folder while tab 2 is shown, so that the RINEX column reads
// that point again without the surveyor leaving the tab and coming back.
//
// Once a second, from the event loop, a job off the window thread lists the
// RINEX folder of every point of the open project (names, sizes and
// modification times of what each holds) and compares each listing with
// the one before; the points whose listing changed are handed over on the
// window thread. Sizes count as well as names: a file still being copied
// grows after its name appears, and is read again once it stops growing.
// The window thread only posts the job and takes its few results, so a
// project of a thousand points costs it no more per poll than one point.
#ifndef ZARVEK_HEIGHTS_RINEX_WATCH_TK_H_
#define ZARVEK_HEIGHTS_RINEX_WATCH_TK_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/fs.h"
#include "project/open_project.h"
#include "ui/background_tk.h"
#include "ui/ui_tk.h"

namespace zarvek {

class RinexWatch {
 public:
  /// Point `code`'s RINEX folder `folder` changed since the poll before.
  using Changed =
      std::function<void(const std::string& code, const std::string& folder)>;

  RinexWatch(Ui& ui, FileSystem& fs, const OpenProject& project,
             Changed changed);
  /// Stops polling; a listing under way is waited for.
  ~RinexWatch();
  RinexWatch(const RinexWatch&) = delete;
  RinexWatch& operator=(const RinexWatch&) = delete;

  /// Starts polling every kPollMs, from a first listing taken now that
  /// later ones are compared with. Started already, it goes on as it was.
  void Start();
  /// Stops polling and forgets the listings: whoever starts it again reads
  /// the folders anyway.
  void Stop();
  bool running() const { return running_; }

  /// One poll, as the timer makes it: posts the listing of every point's
  /// folder unless one is still under way. Exposed for tests.
  void Poll();
  /// Waits for the listing under way, and for the one its end may post,
  /// and hands over their changes now: for tests, which must not depend on
  /// timing.
  void Finish();

  static constexpr int kPollMs = 1000;

 private:
  /// The last listing of each RINEX folder, by folder; used by the worker
  /// thread only. A new one is made whenever polling starts or the
  /// project changes.
  struct Seen {
    std::string project;
    std::map<std::string, std::uint64_t> listings;
  };
  void Tick();

  Ui& ui_;
  FileSystem& fs_;
  const OpenProject& project_;
  Changed changed_;
  std::string tick_command_;
  bool running_ = false;
  bool listing_ = false;  ///< a poll's job is posted and not yet handed over
  /// Bumped by Stop: a listing of an earlier run hands over nothing.
  std::uint64_t run_ = 0;
  std::shared_ptr<Seen> seen_;
  /// Last: destroyed first, it waits for the job under way.
  Background background_;
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_RINEX_WATCH_TK_H_
