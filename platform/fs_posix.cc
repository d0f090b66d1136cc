// FileSystem on POSIX systems. Paths are UTF-8 and go to the system calls
// byte for byte; errors carry strerror's text and the path concerned.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/fs.h"
#include "platform/read_file.h"
#include "platform/wrapped_file.h"

namespace zarvek {
namespace {

// The path with its last component removed ("a/b/c" -> "a/b", "/a" -> "/"),
// or "" when it has a single relative component.
std::string ParentOf(const std::string& path) {
  size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) return "";  // "/" or "///" has no parent
  size_t slash = path.rfind('/', end);
  if (slash == std::string::npos) return "";
  size_t parent_end = path.find_last_not_of('/', slash);
  if (parent_end == std::string::npos) return "/";
  return path.substr(0, parent_end + 1);
}

// Calls `each(dir_fd, entry)` for every entry of the folder `path` but "."
// and "..", in the order the system lists them; `dir_fd` is the open
// folder, for calls relative to it. A failure to open or read the folder is
// "<strerror>: <path>".
template <typename Each>
Status ForEachEntry(const std::string& path, Each each) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return Status::FromErrno(errno, path);
  const int dir_fd = ::dirfd(dir);
  for (;;) {
    errno = 0;
    const struct dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    if (std::strcmp(entry->d_name, ".") == 0 ||
        std::strcmp(entry->d_name, "..") == 0) {
      continue;
    }
    each(dir_fd, *entry);
  }
  const int err = errno;
  ::closedir(dir);
  if (err != 0) return Status::FromErrno(err, path);
  return Status::OK();
}

class PosixFileSystem : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  bool IsDirectory(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool IsRealDirectory(const std::string& path) override {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  Status ListDir(const std::string& path,
                 std::vector<std::string>* names) override {
    names->clear();
    const Status status =
        ForEachEntry(path, [names](int, const struct dirent& entry) {
          names->emplace_back(entry.d_name);
        });
    if (!status.ok()) names->clear();
    return status;
  }

  // mkdir is tried first and the parents only when it reports ENOENT: a tree
  // is created parents first, so each folder costs one system call, as a
  // plain loop of mkdir calls would.
  Status MakeDirs(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) == 0) return Status::OK();
    int err = errno;
    if (err == ENOENT) {
      const std::string parent = ParentOf(path);
      if (parent.empty()) return Status::FromErrno(err, path);
      Status status = MakeDirs(parent);
      if (!status.ok()) return status;
      if (::mkdir(path.c_str(), 0777) == 0) return Status::OK();
      err = errno;
    }
    // Whatever stands there already must be a directory: a file or a broken
    // link in the way is an error ("File exists"), as is a file standing at
    // a parent (mkdir reports "Not a directory" for that itself).
    // A link is refused even when it leads to a folder: what is made to be
    // written into must be a folder here, not somewhere else.
    if (err == EEXIST && IsRealDirectory(path)) return Status::OK();
    struct stat st;
    if (err == EEXIST && ::lstat(path.c_str(), &st) == 0 &&
        S_ISLNK(st.st_mode)) {
      return Status::Error(std::string(kLinkNotAFolderReason) + ": " + path);
    }
    return Status::FromErrno(err, path);
  }

  Status ReadPrefix(const std::string& path, size_t max_bytes,
                    std::string* bytes, bool* missing) override {
    return ReadFilePrefix(path, max_bytes, bytes, missing);
  }

  Status ReadFile(const std::string& path, size_t max_bytes,
                  std::string* bytes) override {
    return ReadWholeFile(path, max_bytes, bytes);
  }

  Status WriteAtomically(const std::string& path,
                         std::string_view bytes) override {
    return WriteFileAtomically(path, bytes);
  }

  Status CreateNewFile(const std::string& path, std::string_view bytes,
                       bool* existed) override {
    *existed = false;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
      *existed = true;
      return Status::OK();
    }
    std::string temp;
    Status status = WriteTemporary(path, bytes, &temp);
    if (!status.ok()) return status;
    // link() never replaces: of several at once, one wins. A file system
    // without hard links (FAT, some shares) gets a rename that does not
    // replace, or else the exclusive create of the name itself.
    int err = ::link(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
    if (err == EPERM || err == ENOTSUP || err == ENOSYS) {
      err = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(),
                        RENAME_NOREPLACE) == 0
                ? 0
                : errno;
      if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        err = fd < 0 ? errno : 0;
        if (fd >= 0) {
          const bool written = ::write(fd, bytes.data(), bytes.size()) ==
                               static_cast<ssize_t>(bytes.size());
          if (::close(fd) != 0 || !written) err = EIO;
        }
      }
    }
    ::unlink(temp.c_str());  // gone already after a rename
    if (err == EEXIST) {
      *existed = true;
      return Status::OK();
    }
    if (err != 0) return Status::FromErrno(err, path);
    return Status::OK();
  }

  Status RemoveFile(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return Status::FromErrno(errno, path);
    return Status::OK();
  }

  bool IsFile(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  Status ReadDecodedPrefix(const std::string& path, std::size_t max_bytes,
                           const EnoughBytes& enough,
                           DecodedPrefix* prefix) override {
    return ReadDecodedPrefixOnDisk(path, max_bytes, enough, prefix);
  }

  Status WriteDecodedCopy(const std::string& source, std::size_t prefix_length,
                          std::string_view new_prefix,
                          const std::string& target,
                          const CopyWatch& watch) override {
    return WriteDecodedCopyOnDisk(source, prefix_length, new_prefix, target,
                                  watch);
  }

  Status ReadDecoded(const std::string& path, const DecodedPieces& take,
                     FileWrapper* wrapper) override {
    return ReadDecodedOnDisk(path, take, wrapper);
  }

  Status WriteChangedCopy(const std::string& source, const PieceChange& change,
                          const std::string& target,
                          const CopyWatch& watch) override {
    return WriteChangedCopyOnDisk(source, change, target, watch);
  }

  bool Stat(const std::string& path, FileStamp* stamp) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    stamp->size = static_cast<std::uint64_t>(st.st_size);
    stamp->modified_ns =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
        st.st_mtim.tv_nsec;
    stamp->changed_ns =
        static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 +
        st.st_ctim.tv_nsec;
    return true;
  }

  Status FreeSpace(const std::string& path, DiskSpace* space) override {
    struct statvfs st;
    if (::statvfs(path.c_str(), &st) != 0) {
      return Status::FromErrno(errno, path);
    }
    space->free = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
    space->total = static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize;
    return Status::OK();
  }

  // Relative to the open folder, so that the path is not walked again for
  // every file: a file whose first bytes are wanted is opened (without
  // blocking, as ReadFilePrefix does), and its open descriptor gives its
  // kind, size and time; any other entry costs one fstatat.
  Status ListDirInfo(const std::string& path, const PrefixRequest& prefixes,
                     std::vector<DirEntryInfo>* entries) override {
    entries->clear();
    const Status status =
        ForEachEntry(path, [&](int dir_fd, const struct dirent& entry) {
          entries->push_back(EntryInfo(path, dir_fd, entry, prefixes));
        });
    if (!status.ok()) entries->clear();
    return status;
  }

 private:
  // One entry of ListDirInfo, from the folder open as `dir_fd`.
  static DirEntryInfo EntryInfo(const std::string& path, int dir_fd,
                                const struct dirent& entry,
                                const PrefixRequest& prefixes) {
    DirEntryInfo info;
    info.name = entry.d_name;
    const bool wanted = prefixes.bytes > 0 && entry.d_type != DT_DIR &&
                        (!prefixes.wanted || prefixes.wanted(info.name));
    struct stat st;
    int fd = -1;
    bool known = false;
    if (wanted) {
      fd = ::openat(dir_fd, entry.d_name,
                    O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
      if (fd >= 0) {
        known = ::fstat(fd, &st) == 0;
      } else if (errno != ENOENT) {
        info.prefix_error =
            Status::FromErrno(errno, JoinPath(path, info.name)).message();
      }
    }
    if (!known) known = ::fstatat(dir_fd, entry.d_name, &st, 0) == 0;
    if (known) {
      info.is_dir = S_ISDIR(st.st_mode);
      info.is_file = S_ISREG(st.st_mode);
      info.size = static_cast<std::uint64_t>(st.st_size);
      info.mtime_s = static_cast<std::int64_t>(st.st_mtim.tv_sec);
      info.mtime_ns = static_cast<std::int32_t>(st.st_mtim.tv_nsec);
    }
    if (fd >= 0) {
      if (info.is_file && info.size > 0) {
        info.prefix.resize(prefixes.bytes);
        ssize_t n;
        do {
          n = ::read(fd, info.prefix.data(), prefixes.bytes);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
          info.prefix_error =
              Status::FromErrno(errno, JoinPath(path, info.name)).message();
          n = 0;
        }
        info.prefix.resize(static_cast<std::size_t>(n));
      }
      ::close(fd);
    }
    return info;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem* const fs = new PosixFileSystem();
  return *fs;
}

}  // namespace zarvek
