// TEMPORARY: stand-ins until the real units are merged.
#include <stdexcept>

#include "app/lanczos.h"
#include "platform/fs.h"
#include "platform/random.h"

namespace zarvek {
FileSystem& RealFileSystem() { throw std::runtime_error("stub"); }
RandomSource& SystemRandom() { throw std::runtime_error("stub"); }
RgbaImage ResampleLanczos3(const RgbaImage& src, int width, int height) {
  RgbaImage out;
  out.width = width;
  out.height = height;
  out.pixels.resize(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 4; ++c)
        out.pixels[(size_t(y) * width + x) * 4 + c] =
            src.pixels[(size_t(y * src.height / height) * src.width +
                        x * src.width / width) * 4 + c];
  return out;
}
int LogoWidthFor(int w, int h, int base_height) {
  return static_cast<int>(w * (static_cast<double>(base_height) / h));
}
}  // namespace zarvek
