#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/read_file.h"

namespace zarvek {

Status ReadFilePrefix(const std::string& path, std::size_t limit,
                      std::string* bytes, bool* missing) {
  bytes->clear();
  *missing = false;
  // O_NONBLOCK: a FIFO planted at the path must not hang the window.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) {
      *missing = true;
      return Status::OK();
    }
    return Status::FromErrno(errno, path);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return Status::FromErrno(err, path);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::FromErrno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, path);
  }
  const std::size_t want = static_cast<std::size_t>(st.st_size) < limit
                               ? static_cast<std::size_t>(st.st_size) + 1
                               : limit + 1;
  bytes->resize(want);
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n = ::read(fd, bytes->data() + got, want - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      bytes->clear();
      return Status::FromErrno(err, path);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes->resize(got);
  ::close(fd);
  return Status::OK();
}

}  // namespace zarvek
