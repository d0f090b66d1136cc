// Atomic replace on POSIX systems: mkostemps, fsync, rename.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// Removes the temporary files of `path` that saves killed before their
// rename left in its folder, once they are old enough not to be a save
// under way. Only ordinary files are removed; failures are ignored.
void RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string::size_type slash = path.rfind('/');
  const std::string target =
      slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryNameOf(entry->d_name, target)) continue;
    const std::string temp = folder + "/" + entry->d_name;
    struct stat st;
    if (::lstat(temp.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (now - st.st_mtime < kStaleTemporaryAge.count()) continue;
    ::unlink(temp.c_str());
  }
  ::closedir(dir);
}

}  // namespace

Status WriteTemporaryFrom(const std::string& path, const NextPiece& next,
                          std::string* temp_path) {
  // The old file itself, never what a link there points to: the rename
  // replaces a link, not its target, and a target's mode (a setuid
  // program's, say) must not pass to the new file.
  struct stat existing;
  const bool replaces_file =
      ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  // A file the user may not write is not replaced, although the folder
  // would allow the rename: access() asks as the real user, and a file
  // without any write bit is refused even for root, who passes access().
  if (replaces_file) {
    if ((existing.st_mode & 0222) == 0) return Status::FromErrno(EACCES, path);
    if (::access(path.c_str(), W_OK) != 0 && errno != ENOENT) {
      return Status::FromErrno(errno, path);
    }
  }
  // Only the read and write bits are kept: execute, setuid, setgid and
  // sticky bits have no business on a report or a measurement file.
  const mode_t mode = replaces_file ? (existing.st_mode & 0666) : NewFileMode();
  RemoveStaleTemporaries(path);

  static constexpr char kSuffix[] = ".tmp";
  std::string name = path + ".XXXXXX" + kSuffix;
  std::vector<char> templ(name.begin(), name.end());
  templ.push_back('\0');
  // mkostemps creates with O_CREAT | O_EXCL, which never follows a link at
  // the name; O_NOFOLLOW says so once more. The rename that follows then
  // replaces a link at `path` itself, never the file it points to.
  const int fd =
      ::mkostemps(templ.data(), sizeof kSuffix - 1, O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return Status::FromErrno(errno, path);
  const std::string temp(templ.data());

  auto fail = [&](int err, bool open) {
    if (open) ::close(fd);
    ::unlink(temp.c_str());
    return Status::FromErrno(err, path);
  };

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
  *temp_path = temp;
  return Status::OK();
}

Status WriteFileAtomicallyFrom(const std::string& path, const NextPiece& next) {
  std::string temp;
  const Status written = WriteTemporaryFrom(path, next, &temp);
  if (!written.ok()) return written;
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return Status::FromErrno(err, path);
  }
  SyncFolder(FolderOf(path));
  return Status::OK();
}

}  // namespace zarvek
