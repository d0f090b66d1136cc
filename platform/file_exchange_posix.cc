// ExchangeFiles on Linux: renameat2 with RENAME_EXCHANGE swaps the two names
// in one step; RENAME_NOREPLACE puts the file in place only where nothing
// stands. A file system without them (some network and FUSE ones) gets
// three renames instead: the old file aside, the new one in, the old one to
// the temporary name; the gap left is that between two renames.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_exchange.h"

namespace zarvek {
namespace {

void SyncFolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool Unsupported(int err) {
  return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}

Status ExchangeByRenames(const std::string& temp, const std::string& path,
                         bool* was_missing) {
  const std::string aside = temp + ".old";
  if (::rename(path.c_str(), aside.c_str()) != 0) {
    if (errno != ENOENT) return Status::FromErrno(errno, path);
    if (::link(temp.c_str(), path.c_str()) != 0)
      return Status::FromErrno(errno, path);
    ::unlink(temp.c_str());
    *was_missing = true;
    SyncFolderOf(path);
    return Status::OK();
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::rename(aside.c_str(), path.c_str());
    return Status::FromErrno(err, path);
  }
  if (::rename(aside.c_str(), temp.c_str()) != 0)
    return Status::FromErrno(errno, aside);
  SyncFolderOf(path);
  return Status::OK();
}

}  // namespace

Status ExchangeFiles(const std::string& temp, const std::string& path,
                     bool* was_missing) {
  *was_missing = false;
  // Two rounds: a file may appear at `path` after the exchange found none
  // there, or go after the move found one.
  for (int round = 0; round < 2; ++round) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(),
                    RENAME_EXCHANGE) == 0) {
      SyncFolderOf(path);
      return Status::OK();
    }
    if (Unsupported(errno)) return ExchangeByRenames(temp, path, was_missing);
    if (errno != ENOENT) return Status::FromErrno(errno, path);
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(),
                    RENAME_NOREPLACE) == 0) {
      *was_missing = true;
      SyncFolderOf(path);
      return Status::OK();
    }
    if (Unsupported(errno)) return ExchangeByRenames(temp, path, was_missing);
    if (errno != EEXIST) return Status::FromErrno(errno, path);
  }
  return Status::FromErrno(EBUSY, path);
}

}  // namespace zarvek
