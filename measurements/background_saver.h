// Writes files on a thread of its own, so that saving the measurement file
// after every edit does not hold the window for the disk's flush (an fsync
// takes 5-15 ms on an ordinary disk; the window must answer the next key at
// once). Writes of the same file are coalesced: only the newest bytes that
// are not yet being written wait, so a burst of edits costs at most two
// writes. The window collects the outcomes on its own thread.
//
// A file may be guarded: no save of the window then replaces what another
// program saved since the program last read or wrote it. The new bytes go to
// a temporary file that is exchanged with the old one in one step
// (platform/file_exchange.h); what came out is compared with the bytes last
// read or written. When it differs, another program saved meanwhile: its
// file is exchanged back into place and the write counts as refused, saying
// what the disk holds, so that the window merges and writes again. A save
// that lands after the exchange finds the window's bytes on disk, and the
// next write sees it; one that lands between two exchanges is caught by the
// second, which then swaps again.
#ifndef ZARVEK_MEASUREMENTS_BACKGROUND_SAVER_H_
#define ZARVEK_MEASUREMENTS_BACKGROUND_SAVER_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/file_exchange.h"
#include "platform/status.h"

namespace zarvek {

/// The outcome of one write.
struct SaveOutcome {
  Status status;
  std::uint64_t tag = 0;  ///< as given to Save
  /// Nothing of these bytes stays written: the guarded file no longer held
  /// `expected`, the bytes last read or written, but `found` (nullopt: no
  /// file), which is what it holds again.
  bool changed_outside = false;
  std::optional<std::string> expected, found;

  bool ok() const { return status.ok() && !changed_outside; }
  const std::string& message() const { return status.message(); }
};

class BackgroundSaver {
 public:
  /// `write` replaces the file at a path with the bytes; it runs on the
  /// saver's thread, one call at a time.
  using WriteFn = std::function<Status(const std::string&, std::string_view)>;
  /// How much of a replaced file is read to compare it: one longer than
  /// this is taken for another program's (a measurement file is far
  /// smaller), put back, and reported with its first bytes.
  static constexpr std::size_t kMaxGuardedBytes = 64u << 20;
  /// `exchange` writes the guarded files (nullptr: none may be guarded); it
  /// is used from the saver's thread and must outlive the saver.
  explicit BackgroundSaver(WriteFn write, FileExchange* exchange = nullptr);
  /// Writes everything still queued, then stops the thread.
  ~BackgroundSaver();
  BackgroundSaver(const BackgroundSaver&) = delete;
  BackgroundSaver& operator=(const BackgroundSaver&) = delete;

  /// Queues `bytes` for `path`, with a `tag` its outcome carries back.
  /// Bytes queued earlier for the same path and not yet taken by the thread
  /// are dropped: these are newer.
  void Save(std::string path, std::string bytes, std::uint64_t tag = 0);
  /// From now on `path` is written only while it holds `bytes` (nullopt:
  /// while there is no file), which each good write replaces with its own.
  /// Call it when no write of `path` is queued or running (after Wait).
  /// REQUIRES: the saver was given a FileExchange.
  void Guard(const std::string& path, std::optional<std::string> bytes);
  /// Blocks until every queued write has finished.
  void Wait();
  /// True while a write is queued or running.
  bool Busy();
  /// The outcome of every write finished since the last call, oldest first.
  std::vector<SaveOutcome> TakeResults();

 private:
  void Run();
  // Writes `bytes` unless the guarded file changed; runs on the thread.
  SaveOutcome Write(const std::string& path, const std::string& bytes,
                    const std::optional<std::optional<std::string>>& expected);
  SaveOutcome WriteGuarded(const std::string& path, const std::string& bytes,
                           const std::optional<std::string>& expected);

  WriteFn write_;
  FileExchange* exchange_;
  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<std::tuple<std::string, std::string, std::uint64_t>> queue_;
  /// The guarded files and the bytes each must hold to be written.
  std::map<std::string, std::optional<std::string>> guards_;
  bool writing_ = false;
  bool stop_ = false;
  std::vector<SaveOutcome> results_;
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace zarvek

#endif  // ZARVEK_MEASUREMENTS_BACKGROUND_SAVER_H_
