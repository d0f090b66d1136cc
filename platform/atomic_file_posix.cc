#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/atomic_file.h"

namespace zarvek {
namespace {

std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The mode a freshly created ordinary file would get. umask can only be read
// by setting it and setting it back, which two threads writing files at once
// (the report and the measurement file's saver) could interleave and leave
// the process with the wrong mask; so it is read once, the first time.
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteFileAtomicallyFrom(path,
                                 [bytes](std::string_view* piece, bool* done) {
                                   *piece = bytes;
                                   *done = true;
                                   return Status::OK();
                                 });
}

Status WriteFileAtomicallyFrom(const std::string& path, const NextPiece& next) {
  static constexpr char kSuffix[] = ".tmp";
  std::string name = path + ".XXXXXX" + kSuffix;
  std::vector<char> templ(name.begin(), name.end());
  templ.push_back('\0');
  const int fd = ::mkostemps(templ.data(), sizeof kSuffix - 1, O_CLOEXEC);
  if (fd < 0) return Status::FromErrno(errno, path);
  const std::string temp(templ.data());

  auto fail = [&](int err, bool open) {
    if (open) ::close(fd);
    ::unlink(temp.c_str());
    return Status::FromErrno(err, path);
  };

  struct stat existing;
  const mode_t mode =
      (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
          ? (existing.st_mode & 07777)
          : NewFileMode();
  if (::fchmod(fd, mode) != 0) return fail(errno, true);
  for (bool done = false; !done;) {
    std::string_view piece;
    const Status status = next(&piece, &done);
    if (!status.ok()) {
      ::close(fd);
      ::unlink(temp.c_str());
      return status;
    }
    if (!WriteAll(fd, piece)) return fail(errno, true);
  }
  if (::fsync(fd) != 0) return fail(errno, true);
  if (::close(fd) != 0) return fail(errno, false);
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno, false);
  SyncFolder(FolderOf(path));
  return Status::OK();
}

}  // namespace zarvek
