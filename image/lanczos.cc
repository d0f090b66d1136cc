#include "image/lanczos.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

namespace zarvek {

namespace {

constexpr double kLobes = 3.0;

// sinc(x) * sinc(x / 3) for |x| < 3, else 0. The centre tap is exactly 1
// and the other integer positions exactly 0, so a pass at scale 1 copies.
double Lanczos3(double x) {
  x = std::fabs(x);
  if (x >= kLobes) return 0.0;
  if (x == 0.0) return 1.0;
  if (x == std::floor(x)) return 0.0;
  const double px = std::numbers::pi * x;
  return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// The source taps of every destination sample along one axis.
struct Taps {
  std::vector<int> first;      // first source index of each sample
  std::vector<int> count;      // number of taps of each sample
  std::vector<float> weights;  // `stride` weights per sample
  int stride = 0;
};

Taps ComputeTaps(int src_size, int dst_size) {
  const double factor = static_cast<double>(dst_size) / src_size;
  // Shrinking widens the filter by the reduction factor, so that it also
  // acts as a low-pass filter; enlarging keeps the plain 3-pixel support.
  const double scale = std::max(1.0 / factor, 1.0);
  const double support = kLobes * scale;
  Taps taps;
  taps.stride = static_cast<int>(std::ceil(2.0 * support)) + 2;
  taps.first.resize(dst_size);
  taps.count.resize(dst_size);
  taps.weights.assign(static_cast<std::size_t>(dst_size) * taps.stride, 0.0f);
  std::vector<double> w(taps.stride);
  for (int i = 0; i < dst_size; ++i) {
    // Centre of destination sample i, in source pixel coordinates.
    const double centre = (i + 0.5) / factor;
    const int start = std::max(static_cast<int>(centre - support + 0.5), 0);
    const int stop =
        std::min(static_cast<int>(centre + support + 0.5), src_size);
    int n = std::min(std::max(stop - start, 0), taps.stride);
    double sum = 0.0;
    for (int k = 0; k < n; ++k) {
      w[k] = Lanczos3((start + k - centre + 0.5) / scale);
      sum += w[k];
    }
    // Taps clipped at the edges: renormalise what is left so that a flat
    // area stays flat up to the border.
    if (sum == 0.0) {
      // Cannot happen for a centre inside the picture, but keep a sane
      // fallback: the nearest source pixel.
      n = 1;
      w[0] = 1.0;
      sum = 1.0;
    }
    taps.first[i] = std::min(start, src_size - 1);
    taps.count[i] = n;
    for (int k = 0; k < n; ++k) {
      taps.weights[static_cast<std::size_t>(i) * taps.stride + k] =
          static_cast<float>(w[k] / sum);
    }
  }
  return taps;
}

std::uint8_t ClampToByte(float v) {
  if (!(v > 0.0f)) return 0;  // also catches NaN
  if (v >= 255.0f) return 255;
  return static_cast<std::uint8_t>(std::lround(v));
}

// The horizontal pass, sw x sh -> width x sh, premultiplying alpha on the
// fly: the result holds premultiplied colour on the 0..255 scale and alpha
// as a weight, four floats a pixel.
std::vector<float> ResampleRows(const RgbaImage& src, int width) {
  const int sw = src.width;
  const int sh = src.height;
  const Taps htaps = ComputeTaps(sw, width);
  std::vector<float> mid(static_cast<std::size_t>(width) * sh * 4);
  for (int y = 0; y < sh; ++y) {
    const std::uint8_t* row = &src.pixels[static_cast<std::size_t>(y) * sw * 4];
    float* out = &mid[static_cast<std::size_t>(y) * width * 4];
    for (int x = 0; x < width; ++x) {
      const float* w =
          &htaps.weights[static_cast<std::size_t>(x) * htaps.stride];
      const std::uint8_t* p =
          row + static_cast<std::size_t>(htaps.first[x]) * 4;
      float r = 0, g = 0, b = 0, a = 0;
      for (int k = 0; k < htaps.count[x]; ++k, p += 4) {
        const float wa = w[k] * p[3];
        r += wa * p[0];
        g += wa * p[1];
        b += wa * p[2];
        a += wa;
      }
      // Colour is kept premultiplied on the 0..255 scale.
      out[x * 4 + 0] = r / 255.0f;
      out[x * 4 + 1] = g / 255.0f;
      out[x * 4 + 2] = b / 255.0f;
      out[x * 4 + 3] = a;
    }
  }
  return mid;
}

// One row of `width` premultiplied pixels back to straight RGBA bytes. A
// pixel whose alpha rounds to 0 becomes all zero.
void Unpremultiply(const float* acc, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    const float a = acc[x * 4 + 3];
    const std::uint8_t alpha = ClampToByte(a);
    if (alpha == 0) {
      out[x * 4 + 0] = out[x * 4 + 1] = out[x * 4 + 2] = out[x * 4 + 3] = 0;
      continue;
    }
    const float unpremultiply = 255.0f / a;
    for (int c = 0; c < 3; ++c) {
      out[x * 4 + c] = ClampToByte(acc[x * 4 + c] * unpremultiply);
    }
    out[x * 4 + 3] = alpha;
  }
}

// The vertical pass over the horizontal one's result `mid`,
// width x sh -> width x height, back to straight RGBA.
RgbaImage ResampleColumns(const std::vector<float>& mid, int width, int sh,
                          int height) {
  const Taps vtaps = ComputeTaps(sh, height);
  RgbaImage dst;
  dst.width = width;
  dst.height = height;
  dst.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  std::vector<float> acc(static_cast<std::size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    const float* w = &vtaps.weights[static_cast<std::size_t>(y) * vtaps.stride];
    for (int k = 0; k < vtaps.count[y]; ++k) {
      const float* in =
          &mid[static_cast<std::size_t>(vtaps.first[y] + k) * width * 4];
      const float wk = w[k];
      for (std::size_t i = 0; i < acc.size(); ++i) acc[i] += wk * in[i];
    }
    Unpremultiply(acc.data(), width,
                  &dst.pixels[static_cast<std::size_t>(y) * width * 4]);
  }
  return dst;
}

}  // namespace

RgbaImage ResampleLanczos3(const RgbaImage& src, int width, int height) {
  if (src.width <= 0 || src.height <= 0 || width <= 0 || height <= 0) {
    return RgbaImage();
  }
  const std::size_t src_pixels = static_cast<std::size_t>(src.width) *
                                 static_cast<std::size_t>(src.height);
  if (src.pixels.size() != src_pixels * 4) return RgbaImage();
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
      kMaxImagePixels) {
    return RgbaImage();
  }
  if (width == src.width && height == src.height) return src;
  return ResampleColumns(ResampleRows(src, width), width, src.height, height);
}

int LogoWidthFor(int w, int h, int base_height) {
  if (h <= 0) return 0;
  const double w_percent = base_height / static_cast<double>(h);
  const double w_size = w * w_percent;
  if (!(w_size > 0.0)) return 0;
  if (w_size >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(w_size);
}

PixelSize FitWithin(int w, int h, int max_w, int max_h) {
  if (w <= 0 || h <= 0 || max_w <= 0 || max_h <= 0) return {};
  if (w <= max_w && h <= max_h) return {w, h};
  // Compare the two reduction factors exactly, in integers: the width limits
  // when max_w / w <= max_h / h.
  const std::int64_t w64 = w, h64 = h;
  if (w64 * max_h >= h64 * max_w) {
    return {max_w,
            static_cast<int>(std::max<std::int64_t>(1, h64 * max_w / w64))};
  }
  return {static_cast<int>(std::max<std::int64_t>(1, w64 * max_h / h64)),
          max_h};
}

PixelSize LogoSizeFor(int w, int h, int base_height) {
  const int w_size = LogoWidthFor(w, h, base_height);
  if (w_size <= 0) return {};
  if (w_size <= kMaxLogoWidth) return {w_size, base_height};
  // Too wide at the banner height: the width limits, so the height comes
  // out below base_height.
  const std::int64_t scaled_h =
      static_cast<std::int64_t>(h) * kMaxLogoWidth / w;
  return {kMaxLogoWidth, static_cast<int>(std::max<std::int64_t>(1, scaled_h))};
}

}  // namespace zarvek
