// TEMPORARY: stand-ins until the real units are merged.
#include <stdexcept>

#include "platform/fs.h"
#include "platform/random.h"

namespace zarvek {
FileSystem& RealFileSystem() { throw std::runtime_error("stub"); }
RandomSource& SystemRandom() { throw std::runtime_error("stub"); }
}  // namespace zarvek
