#include "image/plane_resample.h"

#include <algorithm>
#include <cmath>

namespace zarvek {
namespace {

// One row across: each output the weighted sum of its taps from `in`,
// which holds `span` zeros past its samples so that every output may take
// all `span` of its weights (those past its count are zero). kSpan is the
// span when known at compile time (the common 2 and 3), else 0.
template <int kSpan>
void Across(const ResampleTaps& xs, const std::uint16_t* in,
            std::uint16_t* out) {
  const int span = kSpan != 0 ? kSpan : xs.span;
  const int out_w = static_cast<int>(xs.first.size());
  for (int x = 0; x < out_w; ++x) {
    const std::int32_t* w = &xs.weights[static_cast<std::size_t>(x) * span];
    const std::uint16_t* s = in + xs.first[x];
    std::uint32_t v = 0;
    for (int k = 0; k < span; ++k) v += static_cast<std::uint32_t>(w[k]) * s[k];
    out[x] = static_cast<std::uint16_t>((v + 2048) >> 12);
  }
}

}  // namespace

ResampleTaps MakeResampleTaps(int visible, int out, double step) {
  ResampleTaps t;
  t.span = std::max(2, static_cast<int>(std::ceil(step)) + 1);
  t.first.resize(out);
  t.count.resize(out);
  t.weights.assign(static_cast<std::size_t>(out) * t.span, 0);
  for (int i = 0; i < out; ++i) {
    std::int32_t* w = &t.weights[static_cast<std::size_t>(i) * t.span];
    if (step >= 1) {
      const double a = std::min<double>(i * step, visible - 1);
      const double b =
          std::min<double>(visible, std::max(a + 1, (i + 1) * step));
      const int first = static_cast<int>(std::floor(a));
      const int last =
          std::min(visible - 1, static_cast<int>(std::ceil(b)) - 1);
      t.first[i] = first;
      t.count[i] = std::min(last - first + 1, t.span);
      std::int32_t given = 0;
      for (int k = 0; k < t.count[i]; ++k) {
        const int s = first + k;
        const double cover =
            std::min<double>(s + 1, b) - std::max<double>(s, a);
        w[k] = static_cast<std::int32_t>(std::lround(cover / (b - a) * 4096.0));
        given += w[k];
      }
      w[0] += 4096 - given;  // a flat picture stays flat
    } else {
      const double centre =
          std::clamp((i + 0.5) * step - 0.5, 0.0, visible - 1.0);
      const int first = std::min(static_cast<int>(centre), visible - 1);
      const int second = std::min(first + 1, visible - 1);
      const auto far =
          static_cast<std::int32_t>(std::lround((centre - first) * 4096.0));
      t.first[i] = first;
      t.count[i] = second == first ? 1 : 2;
      w[0] = second == first ? 4096 : 4096 - far;
      w[1] = second == first ? 0 : far;
    }
  }
  return t;
}

std::vector<std::uint16_t> ResamplePlane(const std::uint8_t* samples,
                                         std::size_t stride, int visible_w,
                                         const ResampleTaps& xs,
                                         const ResampleTaps& ys) {
  const int out_w = static_cast<int>(xs.first.size());
  const int out_h = static_cast<int>(ys.first.size());
  std::vector<std::uint16_t> out(static_cast<std::size_t>(out_w) * out_h);
  std::vector<std::uint32_t> sum(visible_w);
  std::vector<std::uint16_t> down(visible_w + xs.span, 0);
  for (int y = 0; y < out_h; ++y) {
    const std::int32_t* wy = &ys.weights[static_cast<std::size_t>(y) * ys.span];
    std::fill(sum.begin(), sum.end(), 0u);
    for (int k = 0; k < ys.count[y]; ++k) {
      const std::uint8_t* row = samples + (ys.first[y] + k) * stride;
      const auto w = static_cast<std::uint32_t>(wy[k]);
      for (int x = 0; x < visible_w; ++x) sum[x] += w * row[x];
    }
    for (int x = 0; x < visible_w; ++x) {
      down[x] = static_cast<std::uint16_t>((sum[x] + 128) >> 8);
    }
    std::uint16_t* dst = &out[static_cast<std::size_t>(y) * out_w];
    switch (xs.span) {
      case 2:
        Across<2>(xs, down.data(), dst);
        break;
      case 3:
        Across<3>(xs, down.data(), dst);
        break;
      default:
        Across<0>(xs, down.data(), dst);
    }
  }
  return out;
}

}  // namespace zarvek
