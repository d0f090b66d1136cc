// Reading a small file the user may have edited (the project's measurement
// file) without trusting it: only ordinary files are read, and never more
// than the caller can use, so a huge file or a device costs nothing.
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

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_READ_FILE_H_
