#include "platform/read_file.h"

#include <cerrno>

namespace zarvek {

Status ReadWholeFile(const std::string& path, std::size_t limit,
                     std::string* bytes) {
  bool missing = false;
  Status s = ReadFilePrefix(path, limit, bytes, &missing);
  if (!s.ok()) return s;
  if (missing) return Status::FromErrno(ENOENT, path);
  if (bytes->size() > limit) {
    bytes->clear();
    return Status::FromErrno(EFBIG, path);
  }
  return Status::OK();
}

}  // namespace zarvek
