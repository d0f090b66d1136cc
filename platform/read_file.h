// Reading a file the program does not control (the project's measurement
// file, which the user may edit, and the pictures of the program's folder)
// without trusting it: only ordinary files are read, never waiting on a
// FIFO or a device, and never more than the caller can use, so a huge file
// costs nothing. A broken bundle costs a picture, never a hung window.
#ifndef ZARVEK_PLATFORM_READ_FILE_H_
#define ZARVEK_PLATFORM_READ_FILE_H_

#include <cstddef>
#include <string>

#include "platform/status.h"

namespace zarvek {

/// Reads the first `limit` + 1 bytes at most of the file at `path` into
/// `bytes` (so that a caller can tell a file longer than `limit`).
/// A missing file is no error: `*missing` is set and `bytes` is empty.
/// Anything but an ordinary file at `path` fails, as does any read error:
/// "<system's text>: <path>".
Status ReadFilePrefix(const std::string& path, std::size_t limit,
                      std::string* bytes, bool* missing);

/// Reads the whole of the ordinary file at `path` into `bytes`, through
/// ReadFilePrefix (so a FIFO, a device or a folder is refused at once).
/// A missing file fails with the system's "No such file or directory", a
/// file longer than `limit` with its "File too large": "<text>: <path>".
Status ReadWholeFile(const std::string& path, std::size_t limit,
                     std::string* bytes);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_READ_FILE_H_
