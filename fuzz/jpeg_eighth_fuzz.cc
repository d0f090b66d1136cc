// The eighth-size JPEG reader on untrusted files (photos come from the
// surveyor's folders, from any camera or program). A read picture has the
// size asked for and a buffer to match; a refused one leaves nothing
// behind; the size asked for comes from the input's last two bytes, so
// that reductions of every ratio are reached.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "image/jpeg_eighth.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 2) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size - 2);
  const int width = 1 + data[size - 2] % 64;
  const int height = 1 + data[size - 1] % 64;
  zarvek::EighthImage image;
  image.width = 9;  // must be cleared on refusal
  if (!zarvek::DecodeJpegEighth(bytes, width, height, &image)) {
    FUZZ_CHECK(image.width == 0 && image.height == 0 && image.pixels.empty());
    return 0;
  }
  FUZZ_CHECK(image.width == width && image.height == height);
  FUZZ_CHECK(image.channels == 1 || image.channels == 3);
  FUZZ_CHECK(image.pixels.size() ==
             static_cast<std::size_t>(width) * height * image.channels);
  return 0;
}
