// A JPEG photo read at one eighth of its size, from the DC coefficient of
// each block alone: the average of each 8 x 8 block is the pixel the full
// decoder's 1/8 scaling gives too. Reading only that, and skipping the
// other 63 coefficients of each block without storing them, takes about
// half the time of the full decoder at the same scale, and a photo report
// spends most of its time there.
//
// Only the common kind of file is read here: baseline or extended
// sequential Huffman coding with 8-bit samples, one interleaved scan, grey
// or YCbCr with the luma sampled at most twice each way of the chroma.
// Anything else (progressive, arithmetic coding, CMYK, RGB, 12-bit,
// several scans) and any data that breaks (a bad code, a missing restart
// marker, a file that ends early) is refused, and the caller then decodes
// with the full decoder, which knows every case and how to show a damaged
// file. Nothing the file says is trusted: sizes, tables and codes are all
// checked before use.
#ifndef ZARVEK_IMAGE_JPEG_EIGHTH_H_
#define ZARVEK_IMAGE_JPEG_EIGHTH_H_

#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zarvek {

/// A file whose picture at one eighth would have more pixels than this is
/// refused.
inline constexpr std::uint64_t kMaxEighthPixels = 16'000'000;

/// 8-bit pixels, rows top to bottom, no padding.
struct EighthImage {
  int width = 0;
  int height = 0;
  int channels = 0;  ///< 1 (grey) or 3 (RGB)
  std::vector<std::uint8_t> pixels;
};

/// Reads `bytes` into `out` at `width` x `height` pixels, in the file's
/// own orientation: at most an eighth of the stored size each way (rounded
/// up), reduced further by averaging. False when the file is of a kind not
/// read here, its data breaks or the size is out of that range; `out` is
/// then left empty. `cancel`, when given, is looked at after each row of
/// blocks: once it is true the read stops and is refused.
bool DecodeJpegEighth(std::string_view bytes, int width, int height,
                      EighthImage* out,
                      const std::atomic<bool>* cancel = nullptr);

}  // namespace zarvek

#endif  // ZARVEK_IMAGE_JPEG_EIGHTH_H_
