// FileSystem is the narrow view of the disk that the folder tab, the point
// detection and the report need. It is abstract so that tests can replace it
// with testing/fake_fs.h; platform/fs_posix.cc is the real one. Paths are
// UTF-8 text and are used exactly as given.
#ifndef ZARVEK_PLATFORM_FS_H_
#define ZARVEK_PLATFORM_FS_H_

#include <string>
#include <vector>

#include "platform/status.h"

namespace zarvek {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// True when something (file or folder) exists at `path`.
  virtual bool Exists(const std::string& path) = 0;

  /// True when `path` is a directory (following links).
  virtual bool IsDirectory(const std::string& path) = 0;

  /// The names of the entries of the directory `path`, files and folders,
  /// in the order the system lists them, without "." and "..".
  virtual Status ListDir(const std::string& path,
                         std::vector<std::string>* names) = 0;

  /// Creates the directory `path` and any missing parent. An existing
  /// directory is not an error and is left untouched; anything else standing
  /// at a component of the path is.
  virtual Status MakeDirs(const std::string& path) = 0;
};

/// The real file system of this machine.
FileSystem& RealFileSystem();

/// Joins two path pieces with the platform separator ("a" + "b" -> "a/b"),
/// without doubling a separator that `base` already ends with.
inline std::string JoinPath(const std::string& base, const std::string& name) {
  if (base.empty()) return name;
  if (base.back() == '/') return base + name;
  return base + "/" + name;
}

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_FS_H_
