// The mark that a running copy of the program has a project open for
// editing: a small text file in the project (ProjectLayout::LockFilePath)
// that names the machine, the user and the process holding it, since when,
// and when it was last renewed. A copy that opens the project, on this
// machine or on another through a shared folder, reads it to tell the
// surveyor who has the project. Two windows saving the same measurement
// file would otherwise undo each other's edits unseen.
//
// A mark left behind by a copy that crashed never stands in the way: on the
// same machine its process is gone; from another machine it has not been
// renewed for kLockStaleSeconds. The holder renews it every
// kLockRenewSeconds on a thread of its own, so that the window never waits
// for a slow shared folder on that account.
#ifndef ZARVEK_PROJECT_PROJECT_LOCK_H_
#define ZARVEK_PROJECT_PROJECT_LOCK_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/fs.h"
#include "platform/status.h"

namespace zarvek {

/// How often the holder writes its mark again, and how old a mark from
/// another machine must be to count as left behind.
inline constexpr long long kLockRenewSeconds = 60;
inline constexpr long long kLockStaleSeconds = 5 * 60;

/// Who holds a project. Times are seconds since 1970 (UTC).
struct LockHolder {
  std::string host;
  std::string user;
  long long pid = 0;
  long long since = 0;    ///< when the project was opened
  long long renewed = 0;  ///< when the mark was last written

  bool operator==(const LockHolder&) const = default;
};

/// The mark's text: a comment line, then "key=value" lines, "\n" ends.
/// Line breaks in the host or user name become spaces.
std::string FormatLock(const LockHolder& holder);

/// Reads a mark: "\r" before "\n", comments and unknown keys are skipped.
/// Nothing when the process number or either time is missing or is not a
/// whole number of ASCII digits: such a file marks nobody.
std::optional<LockHolder> ParseLock(std::string_view text);

enum class LockState {
  kFree,  ///< no mark, an unreadable one, or one left behind
  kMine,  ///< this process's own mark
  kHeld,  ///< another running copy has the project
};

/// Judges `holder` (nothing: no readable mark) as seen by process `my_pid`
/// on machine `my_host` at time `now`. Machine names compare without regard
/// to ASCII case, as both systems treat them. A mark of this machine counts
/// as left behind when `running` says its process is gone; any mark does
/// when it is older than kLockStaleSeconds (a running holder renews it, so
/// an old mark of a running process number is a number used again). A
/// renewal time ahead of `now` (another machine's clock) counts as fresh.
LockState JudgeLock(const std::optional<LockHolder>& holder,
                    const std::string& my_host, long long my_pid, long long now,
                    const std::function<bool(long long pid)>& running);

/// The question asked when the project at `folder` is held by `holder`;
/// `since` is the holder's opening time as the surveyor reads it. The
/// machine and user names come from a file anyone may write: each is cut to
/// kLockShownChars characters, the last of them an ellipsis, so that the box
/// fits on the screen.
inline constexpr std::size_t kLockShownChars = 64;
std::string LockHeldText(const std::string& folder, const LockHolder& holder,
                         const std::string& since);

/// How ProjectLock::Claim went.
struct LockClaim {
  enum class Result {
    kTaken,    ///< the mark is this process's now
    kHeld,     ///< another running copy holds the project: `holder`
    kRefused,  ///< no mark can be put there: `why`
  };
  Result result = Result::kTaken;
  std::optional<LockHolder> holder;
  Status why;
};

/// This process's mark on the project it has open, taken, renewed and
/// removed through `fs`. Not copyable; the destructor removes the mark.
class ProjectLock {
 public:
  struct Identity {
    std::string host, user;
    long long pid = 0;
  };
  /// `now` gives the time in seconds since 1970; `running` tells whether a
  /// process of this machine exists. Both are called from the renewing
  /// thread too.
  ProjectLock(FileSystem& fs, Identity me, std::function<long long()> now,
              std::function<bool(long long pid)> running,
              std::chrono::milliseconds renew_every =
                  std::chrono::seconds(kLockRenewSeconds));
  ~ProjectLock();
  ProjectLock(const ProjectLock&) = delete;
  ProjectLock& operator=(const ProjectLock&) = delete;

  /// The other running copy that holds the project opened by the folder
  /// `chosen`, if any.
  std::optional<LockHolder> OtherHolder(const std::string& chosen);
  /// Marks the project opened by `chosen` as held here unless another
  /// running copy holds it. The mark is created only where nothing stands,
  /// so that of several copies claiming it at once exactly one takes it and
  /// the others find it held. A mark left behind, or this process's own, is
  /// replaced as Take does. Something that is not a mark file in its place
  /// (a folder), or a mark that cannot be written, gives kRefused with the
  /// reason. A following Take of the same project keeps the claimed mark; a
  /// Take of another, or Release, removes it.
  LockClaim Claim(const std::string& chosen);
  /// Marks the project opened by `chosen` as held here, over any other
  /// mark, after removing this process's mark on the project held before.
  /// The mark is then renewed until Release. A failure to write it (a
  /// read-only folder) is returned; the project stays unmarked.
  Status Take(const std::string& chosen);
  /// Removes the mark when it is still this process's own, and stops
  /// renewing it.
  void Release();
  /// The mark's path while one is held; "" otherwise.
  std::string path() const;

 private:
  std::optional<LockHolder> Read(const std::string& path);
  void RemoveLocked();
  void RemoveIfMine(const std::string& path);
  void DropClaimLocked(const std::string& keep);
  void Renew();
  void RenewLoop();

  FileSystem& fs_;
  const Identity me_;
  const std::function<long long()> now_;
  const std::function<bool(long long)> running_;
  const std::chrono::milliseconds renew_every_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::string path_;  ///< the held mark; guarded by mutex_
  long long since_ = 0;
  /// A mark Claim took that no Take has adopted yet, and its time.
  std::string claimed_;
  long long claimed_since_ = 0;
  std::thread renewer_;
};

}  // namespace zarvek

#endif  // ZARVEK_PROJECT_PROJECT_LOCK_H_
