// Replacing a file so that readers see either the old bytes or the complete
// new ones, never a half-written file: the bytes go to a temporary file in
// the same folder, are flushed to the disk, and the temporary file is then
// renamed over the target. A failure at any step removes the temporary file
// and leaves the earlier file untouched.
#ifndef ZARVEK_PLATFORM_ATOMIC_FILE_H_
#define ZARVEK_PLATFORM_ATOMIC_FILE_H_

#include <string>
#include <string_view>

#include "platform/status.h"

namespace zarvek {

/// Writes `bytes` to `path`, replacing any file there in one step.
/// The temporary file is "<path>.XXXXXX.tmp" in the same folder (so the
/// rename never crosses file systems). A new file gets the permissions of an
/// ordinary file (0666 less the umask); a replaced one keeps its own read
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

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_ATOMIC_FILE_H_
