// The whole-buffer form of the atomic write, the same on every platform;
// the adapters implement the piecewise one.
#include "platform/atomic_file.h"

namespace zarvek {

bool IsTemporaryNameOf(std::string_view name, std::string_view target) {
  constexpr std::string_view kSuffix = ".tmp";
  constexpr std::size_t kUnique = 6;
  if (name.size() != target.size() + 1 + kUnique + kSuffix.size() ||
      name.substr(0, target.size()) != target || name[target.size()] != '.' ||
      name.substr(name.size() - kSuffix.size()) != kSuffix) {
    return false;
  }
  for (char c : name.substr(target.size() + 1, kUnique)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                       (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

namespace {

// The pieces of a whole buffer: the buffer, once.
NextPiece Whole(std::string_view bytes) {
  return [bytes](std::string_view* piece, bool* done) {
    *piece = bytes;
    *done = true;
    return Status::OK();
  };
}

}  // namespace

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteFileAtomicallyFrom(path, Whole(bytes));
}

Status WriteTemporary(const std::string& path, std::string_view bytes,
                      std::string* temp) {
  return WriteTemporaryFrom(path, Whole(bytes), temp);
}

}  // namespace zarvek
