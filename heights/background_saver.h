// Writes files on a thread of its own, so that saving the measurement file
// after every edit does not hold the window for the disk's flush (an fsync
// takes 5-15 ms on an ordinary disk; the window must answer the next key at
// once). Writes of the same file are coalesced: only the newest bytes that
// are not yet being written wait, so a burst of edits costs at most two
// writes. The window collects the outcomes on its own thread.
#ifndef ZARVEK_HEIGHTS_BACKGROUND_SAVER_H_
#define ZARVEK_HEIGHTS_BACKGROUND_SAVER_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/status.h"

namespace zarvek {

class BackgroundSaver {
 public:
  /// `write` replaces the file at a path with the bytes; it runs on the
  /// saver's thread, one call at a time.
  using WriteFn = std::function<Status(const std::string&, std::string_view)>;
  explicit BackgroundSaver(WriteFn write);
  /// Writes everything still queued, then stops the thread.
  ~BackgroundSaver();
  BackgroundSaver(const BackgroundSaver&) = delete;
  BackgroundSaver& operator=(const BackgroundSaver&) = delete;

  /// Queues `bytes` for `path`. Bytes queued earlier for the same path and
  /// not yet taken by the thread are dropped: these are newer.
  void Save(std::string path, std::string bytes);
  /// Blocks until every queued write has finished.
  void Wait();
  /// True while a write is queued or running.
  bool Busy();
  /// The outcome of every write finished since the last call, oldest first.
  std::vector<Status> TakeResults();

 private:
  void Run();

  WriteFn write_;
  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<std::pair<std::string, std::string>> queue_;
  bool writing_ = false;
  bool stop_ = false;
  std::vector<Status> results_;
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_BACKGROUND_SAVER_H_
