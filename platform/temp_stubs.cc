// TEMPORARY: stand-ins until the real units are merged.
#include <stdexcept>

#include "platform/fs.h"

namespace zarvek {
FileSystem& RealFileSystem() { throw std::runtime_error("stub"); }
}  // namespace zarvek
