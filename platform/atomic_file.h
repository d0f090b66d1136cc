// Replacing a file so that readers see either the old bytes or the complete
// new ones, never a half-written file: the bytes go to a temporary file in
// the same folder, are flushed to the disk, and the temporary file is then
// renamed over the target. A failure at any step removes the temporary file
// and leaves the earlier file untouched.
#ifndef ZARVEK_PLATFORM_ATOMIC_FILE_H_
#define ZARVEK_PLATFORM_ATOMIC_FILE_H_

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace zarvek {

/// Writes `bytes` to `path`, replacing any file there in one step.
/// The temporary file is "<path>.XXXXXX.tmp" in the same folder (so the
/// rename never crosses file systems). Temporary files of `path` that a
/// killed save left behind are removed first, once they are
/// kStaleTemporaryAge old (younger ones may be another program's save
/// under way); a failure there is ignored. A new file gets the permissions of
/// an ordinary file (0666 less the umask); a replaced one keeps its own read
/// and write bits and no others. A link at `path` is replaced, not followed,
/// and the new file gets the permissions of a new one.
/// An existing file that the user may not write (read-only, or another
/// user's) is refused and left as it is, although the folder would allow
/// the rename: "Permission denied: <path>" on Linux, "<the system's text
/// for a read-only file>: <path>" on Windows.
/// On failure the status is "<system's text>: <path>", the temporary file is
/// gone and whatever was at `path` is byte-identical to before. A missing
/// folder gives the system's "No such file or directory" for `path`.
/// Flushing the folder after the rename is best effort: the new file is
/// already in place then, so a failure there is not reported.
Status WriteFileAtomically(const std::string& path, std::string_view bytes);

/// The age from which a temporary file is taken for a killed save's.
inline constexpr std::chrono::seconds kStaleTemporaryAge{3600};

/// True when `name` (a name in a folder, no path) is the name of one of
/// the temporary files of a save of the file named `target`:
/// "<target>.XXXXXX.tmp" with six ASCII letters or digits.
bool IsTemporaryNameOf(std::string_view name, std::string_view target);

/// Produces the next piece of a file's bytes for WriteFileAtomicallyFrom:
/// sets `*piece` (it may be empty) and `*done` once the last piece is given.
/// A failure stops the write.
using NextPiece = std::function<Status(std::string_view* piece, bool* done)>;

/// WriteFileAtomically for bytes that come in pieces, so that a file larger
/// than the memory can be written: `next` is called until it sets `*done`,
/// each piece is written before the next is asked for (it need only stay
/// valid until then). When `next` fails, its status is returned and the
/// temporary file is removed; the other failures and guarantees are those
/// of WriteFileAtomically.
Status WriteFileAtomicallyFrom(const std::string& path, const NextPiece& next);

/// The first half of WriteFileAtomicallyFrom: the checks, the temporary file
/// beside `path` with the permissions the replaced file would keep, the
/// pieces written and flushed to the disk. On success `*temp` names the
/// complete temporary file, which the caller moves into place
/// (platform/file_exchange.h) or removes; on failure nothing is left.
Status WriteTemporaryFrom(const std::string& path, const NextPiece& next,
                          std::string* temp);

/// WriteTemporaryFrom with the whole of `bytes`.
Status WriteTemporary(const std::string& path, std::string_view bytes,
                      std::string* temp);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_ATOMIC_FILE_H_
