// The PNG decoder on untrusted files (the pictures folder ships beside the
// program and may be replaced), and the resampler on what it decodes. A
// decoded picture has a consistent size within the pixel limit; a refused
// one leaves nothing behind; any decoded picture scales to any small size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "image/lanczos.h"
#include "fuzz/fuzz_check.h"
#include "image/png_decode.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zarvek::RgbaImage image;
  image.width = 7;  // must be cleared on failure
  const zarvek::Status status =
      zarvek::DecodePngMemory(bytes, "fuzz.png", &image);
  if (!status.ok()) {
    FUZZ_CHECK(image.width == 0 && image.height == 0 && image.pixels.empty());
    return 0;
  }
  FUZZ_CHECK(image.width > 0 && image.height > 0);
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(image.width) * image.height;
  FUZZ_CHECK(pixels <= zarvek::kMaxImagePixels);
  FUZZ_CHECK(image.pixels.size() == pixels * 4);

  // Scaling large pictures costs time, not coverage.
  if (pixels > 256 * 256) return 0;
  const int height = 1 + data[size - 1] % 64;
  const int width = 1 + data[size / 2] % 64;
  const zarvek::RgbaImage scaled =
      zarvek::ResampleLanczos3(image, width, height);
  FUZZ_CHECK(scaled.width == width && scaled.height == height);
  FUZZ_CHECK(scaled.pixels.size() ==
             static_cast<std::size_t>(width) * height * 4);
  const int logo = zarvek::LogoWidthFor(image.width, image.height);
  FUZZ_CHECK(logo >= 0 && logo <= image.width * zarvek::kLogoBaseHeight);
  return 0;
}
