// Reading ordinary files on Windows, through std::filesystem.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/read_file.h"

namespace zarvek {
namespace {

Status Failure(std::errc err, const std::string& path) {
  return Status::Error(std::make_error_code(err).message() + ": " + path);
}

}  // namespace

// The path goes through std::filesystem as UTF-8, which Windows needs for
// names with accents. Windows keeps no FIFO among the files of a folder, so
// looking at the file before opening it is enough here.
Status ReadFilePrefix(const std::string& path, std::size_t limit,
                      std::string* bytes, bool* missing) {
  namespace fs = std::filesystem;
  bytes->clear();
  *missing = false;
  const fs::path native(std::u8string(path.begin(), path.end()));
  std::error_code ec;
  const fs::file_status status = fs::status(native, ec);
  if (status.type() == fs::file_type::not_found) {
    *missing = true;
    return Status::OK();
  }
  if (ec) return Status::Error(ec.message() + ": " + path);
  // Checked before opening: a FIFO planted at the path would block the
  // window in open or read.
  if (!fs::is_regular_file(status)) {
    return Failure(fs::is_directory(status) ? std::errc::is_a_directory
                                            : std::errc::invalid_argument,
                   path);
  }
  errno = 0;
  std::ifstream in(native, std::ios::binary);
  if (!in) {
    return errno != 0 ? Status::FromErrno(errno, path)
                      : Failure(std::errc::io_error, path);
  }
  // The size is only the first guess of the buffer: a file that grew since
  // is read on, up to the limit and one byte more.
  const std::uintmax_t size = fs::file_size(native, ec);
  std::size_t want = (ec || size > limit) ? limit + 1 : size + 1;
  std::size_t got = 0;
  for (;;) {
    bytes->resize(want);
    in.read(bytes->data() + got, static_cast<std::streamsize>(want - got));
    got += static_cast<std::size_t>(in.gcount());
    if (in.bad()) {
      bytes->clear();
      return Failure(std::errc::io_error, path);
    }
    if (got < want || want == limit + 1) break;
    want = std::min(limit + 1, 2 * want);
  }
  bytes->resize(got);
  return Status::OK();
}

}  // namespace zarvek
