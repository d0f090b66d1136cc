// Reading ordinary files on POSIX systems, never blocking on anything else.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/read_file.h"

namespace zarvek {

// The file is opened without blocking and only then looked at, so that
// nothing put in its place between a look and the open can hold the
// window: a FIFO would block a plain open until a writer comes, and a read
// on it until one writes. A device is refused the same way.
Status ReadFilePrefix(const std::string& path, std::size_t limit,
                      std::string* bytes, bool* missing) {
  bytes->clear();
  *missing = false;
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      *missing = true;
      return Status::OK();
    }
    return Status::FromErrno(errno, path);
  }
  auto fail = [&](int err) {
    ::close(fd);
    bytes->clear();
    return Status::FromErrno(err, path);
  };
  struct stat st;
  if (::fstat(fd, &st) != 0) return fail(errno);
  if (!S_ISREG(st.st_mode)) return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

  // The size is only the first guess of the buffer: a file that grew since
  // is read on, up to the limit and one byte more.
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  std::size_t want = size >= limit ? limit + 1 : size + 1;
  std::size_t got = 0;
  for (;;) {
    bytes->resize(want);
    const ssize_t n = ::read(fd, bytes->data() + got, want - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
    if (got == want) {
      if (want == limit + 1) break;
      want = std::min(limit + 1, 2 * want);
    }
  }
  ::close(fd);
  bytes->resize(got);
  return Status::OK();
}

}  // namespace zarvek
