// The Lanczos-3 resampler on pictures and sizes of every shape: the result
// has the asked size, a resample to the same size is a copy, and a flat
// picture stays flat (weights clipped at the borders are renormalised, and
// colour never bleeds out of transparent pixels), up to one step of
// rounding.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/lanczos.h"
#include "fuzz/fuzz_check.h"

namespace {

bool Near(int a, int b) { return a - b <= 1 && b - a <= 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider in(data, size);
  zarvek::RgbaImage src;
  src.width = in.ConsumeIntegralInRange(1, 80);
  src.height = in.ConsumeIntegralInRange(1, 80);
  const int width = in.ConsumeIntegralInRange(1, 160);
  const int height = in.ConsumeIntegralInRange(1, 160);
  const bool flat = in.ConsumeBool();
  const auto n = static_cast<std::size_t>(src.width) * src.height * 4;
  if (flat) {
    std::uint8_t colour[4];
    for (std::uint8_t& c : colour) c = in.ConsumeIntegral<std::uint8_t>();
    src.pixels.resize(n);
    for (std::size_t i = 0; i < n; ++i) src.pixels[i] = colour[i % 4];
  } else {
    src.pixels = in.ConsumeBytes<std::uint8_t>(n);
    src.pixels.resize(n, 0x80);
  }

  const zarvek::RgbaImage out = zarvek::ResampleLanczos3(src, width, height);
  FUZZ_CHECK(out.width == width && out.height == height);
  FUZZ_CHECK(out.pixels.size() == static_cast<std::size_t>(width) * height * 4);
  if (width == src.width && height == src.height) {
    FUZZ_CHECK(out.pixels == src.pixels);
    return 0;
  }
  for (std::size_t i = 0; i < out.pixels.size(); i += 4) {
    const std::uint8_t* p = &out.pixels[i];
    if (p[3] == 0) FUZZ_CHECK(p[0] == 0 && p[1] == 0 && p[2] == 0);
    if (!flat) continue;
    if (src.pixels[3] == 0) {
      FUZZ_CHECK(p[3] == 0);
      continue;
    }
    FUZZ_CHECK(Near(p[3], src.pixels[3]));
    for (int c = 0; c < 3; ++c) FUZZ_CHECK(Near(p[c], src.pixels[c]));
  }
  return 0;
}
