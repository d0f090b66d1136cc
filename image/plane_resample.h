// Planes of 8-bit samples brought to another size: reduced by averaging
// what each output pixel covers (which keeps a reduction by a factor below
// 2 to 3 free of aliasing), or enlarged by weighing the two nearest samples
// (chroma stored more coarsely than the picture). Integer arithmetic
// throughout, so that a flat plane stays exactly flat.
#ifndef ZARVEK_IMAGE_PLANE_RESAMPLE_H_
#define ZARVEK_IMAGE_PLANE_RESAMPLE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarvek {

/// For each output position along one axis: the samples it takes and their
/// weights, in 1/4096ths summing to 4096. Output i takes count[i] samples
/// from first[i], their weights at weights[i * span ...] (zero past
/// count[i]).
struct ResampleTaps {
  int span = 0;
  std::vector<int> first;
  std::vector<int> count;
  std::vector<std::int32_t> weights;
};

/// The taps that bring `visible` samples to `out` positions, `step` samples
/// to a position. Reducing (a step of 1 or more), a position is the average
/// of the samples it covers; enlarging, it lies between two samples and
/// takes each by its nearness, centred as JPEG decoders upsample chroma.
ResampleTaps MakeResampleTaps(int visible, int out, double step);

/// The plane of `visible_w` samples a row (rows `stride` apart) resampled by
/// `xs` across and `ys` down, in sixteenths of a level, rows top to bottom.
std::vector<std::uint16_t> ResamplePlane(const std::uint8_t* samples,
                                         std::size_t stride, int visible_w,
                                         const ResampleTaps& xs,
                                         const ResampleTaps& ys);

}  // namespace zarvek

#endif  // ZARVEK_IMAGE_PLANE_RESAMPLE_H_
