// Decoding of PNG files into 8-bit RGBA pixels with libpng's simplified API,
// which reads interlaced, palette, grey and colour-keyed files and refuses
// broken or truncated ones cleanly. A header that claims more than
// kMaxImagePixels is refused before any pixel memory is allocated, so a
// decompression bomb cannot exhaust memory.
#ifndef ZARVEK_IMAGE_PNG_DECODE_H_
#define ZARVEK_IMAGE_PNG_DECODE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"
#include "platform/status.h"

namespace zarvek {

inline constexpr std::uint64_t kMaxImagePixels = 40'000'000;
/// A picture file longer than this is refused unread.
inline constexpr std::size_t kMaxPngFileBytes = std::size_t{256} << 20;

/// Straight (not premultiplied) RGBA, 4 bytes a pixel, rows top to bottom.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

/// Decodes the PNG file at `path`, read through `fs`, into `out`. Only an
/// ordinary file is read (FileSystem::ReadFile): a FIFO, a device or a
/// folder fails at once, never blocks. On failure `out` is left empty and
/// the status says why (libpng's message, or the system's text and the
/// path).
Status DecodePngFile(FileSystem& fs, const std::string& path, RgbaImage* out);

/// The same for a PNG file already read into `bytes` (through
/// FileSystem::ReadFile, say), with the same limits: more than
/// kMaxPngFileBytes fails with "File too large: <name>", a header that
/// claims more than kMaxImagePixels before any pixel memory is allocated.
/// `name` (the file's path) only goes into the failure's text.
Status DecodePngMemory(std::string_view bytes, const std::string& name,
                       RgbaImage* out);

}  // namespace zarvek

#endif  // ZARVEK_IMAGE_PNG_DECODE_H_
