// Replacing a file and learning, in the same step, what was replaced. A
// program that compares a file with what it last read and then writes it
// leaves a gap in which another program's save is overwritten unseen;
// exchanging the new file with the old one closes that gap: whatever stood
// at the name at the instant of the swap comes back under the temporary
// name, where it can be compared and, when it was another program's save,
// put back in place by a second exchange.
//
// FileExchange is an interface so that tests can land another program's
// write between any two of its steps. platform/file_exchange_posix.cc
// (renameat2 with RENAME_EXCHANGE) and platform/file_exchange_win32.cc
// (ReplaceFileW with a backup name) are the real ones.
#ifndef ZARVEK_PLATFORM_FILE_EXCHANGE_H_
#define ZARVEK_PLATFORM_FILE_EXCHANGE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace zarvek {

class FileExchange {
 public:
  virtual ~FileExchange() = default;

  /// Writes `bytes` into a new temporary file beside `path`
  /// ("<path>.XXXXXX.tmp"), flushed to the disk, with the checks and
  /// permissions of WriteFileAtomically (platform/atomic_file.h): a file at
  /// `path` that the user may not write is refused. Sets `*temp` to its path.
  virtual Status WriteTemporary(const std::string& path, std::string_view bytes,
                                std::string* temp) = 0;

  /// In one step puts the file `temp` at `path` and what stood at `path` at
  /// `temp`. When nothing stands at `path`, `temp` is moved there (and is
  /// then gone), unless a file appears there meanwhile, which is then
  /// exchanged; `*was_missing` says which happened. On failure both names
  /// are as they were: "<system's text>: <path>".
  virtual Status Exchange(const std::string& temp, const std::string& path,
                          bool* was_missing) = 0;

  /// Reads the ordinary file `file`: the whole of it, or its first
  /// `max_bytes` + 1 bytes when it is longer, so that a longer file is told
  /// from any shorter content and still compared.
  virtual Status Read(const std::string& file, std::size_t max_bytes,
                      std::string* bytes) = 0;

  /// Removes the file `file`.
  virtual Status Remove(const std::string& file) = 0;
};

/// The system's own: the temporary file as WriteTemporaryFrom
/// (platform/atomic_file.h) makes it, ExchangeFiles below, and reading and
/// removing through RealFileSystem.
FileExchange& RealFileExchange();

/// FileExchange::Exchange on this system.
Status ExchangeFiles(const std::string& temp, const std::string& path,
                     bool* was_missing);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_FILE_EXCHANGE_H_
