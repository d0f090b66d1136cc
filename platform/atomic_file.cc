// The whole-buffer form of the atomic write, the same on every platform;
// the adapters implement the piecewise one.
#include "platform/atomic_file.h"

namespace zarvek {

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteFileAtomicallyFrom(path,
                                 [bytes](std::string_view* piece, bool* done) {
                                   *piece = bytes;
                                   *done = true;
                                   return Status::OK();
                                 });
}

}  // namespace zarvek
