// Photographs made ready for a printed page: a JPEG or PNG file's bytes
// become a JPEG picture (pdf/pdf_canvas.h) upright by its EXIF
// orientation and no finer than a given resolution at the size it is
// printed, with the date it was taken and its GPS position when the file
// carries them. A photo printed at an eighth of its size or less is read
// from its blocks' averages (image/jpeg_eighth.h) when it is of the
// common kind; otherwise TurboJPEG decodes at the smallest of its scaling
// factors that still gives enough pixels. Either way a 12-megapixel photo
// printed a few centimetres wide never exists whole in memory. libexif
// reads the tags; PNG goes through image/png_decode.h.
//
// A file that cannot be made a picture (empty, not an image, broken, too
// large) is refused with a short reason in capitals for the page ("ARCHIVO
// VACÍO", "NO ES UNA IMAGEN JPEG NI PNG", ...); the tags still come back
// when they could be read.
#ifndef ZARVEK_IMAGE_PHOTO_DECODE_H_
#define ZARVEK_IMAGE_PHOTO_DECODE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/pdf_canvas.h"
#include "platform/status.h"

namespace zarvek {

/// The decode of one photo may take at most this much memory, whatever the
/// file claims: its pixels at the scale decoded and the decoder's own
/// buffers together, among them the coefficients of the whole picture that
/// a progressive or multi-scan JPEG keeps at any scale. A photo that would
/// need more is refused ("IMAGEN DEMASIADO GRANDE ...") before that memory
/// is allocated.
inline constexpr std::size_t kMaxPhotoDecodeBytes = std::size_t{64} << 20;
/// A JPEG of more scans is refused: each scan passes over the whole
/// picture again. Encoders write about ten.
inline constexpr int kMaxJpegScans = 100;
/// Larger files are refused unread.
inline constexpr std::size_t kMaxPhotoFileBytes = std::size_t{128} << 20;

/// A position in decimal degrees, south and west negative.
struct GpsPosition {
  double latitude = 0;
  double longitude = 0;
};

/// What the EXIF tags of a photo say.
struct PhotoTags {
  /// 1 to 8, as the tag Orientation numbers them; 1 when absent.
  int orientation = 1;
  /// DateTimeOriginal as written, "YYYY:MM:DD HH:MM:SS"; empty when absent.
  std::string taken;
  std::optional<GpsPosition> gps;
};

/// Reads the EXIF tags of a JPEG file's bytes; all defaults when it has
/// none or they cannot be read.
PhotoTags ReadPhotoTags(std::string_view jpeg_bytes);

/// A photo made ready for the page.
struct PreparedPhoto {
  JpegPicture picture;  ///< upright, as drawJpeg takes it
  bool as_is = false;   ///< the file's own bytes, not encoded again
  PhotoTags tags;
  /// Why the picture is not the whole photo, in capitals ("ARCHIVO
  /// INCOMPLETO" when its data ends early, "DATOS ERRÓNEOS" when it holds
  /// errors); empty when it is whole. A damaged photo is still a picture:
  /// as far as its data goes, grey where it broke.
  std::string damage;
};

/// How finely photos are printed, in dots per inch.
inline constexpr double kPhotoDpi = 150;
/// The quality of the JPEG pictures encoded again.
inline constexpr int kPhotoJpegQuality = 85;

/// Makes the JPEG or PNG file in `bytes` (kind told by its first bytes)
/// ready to be printed as large as fits in a box of `box_width` x
/// `box_height` points, keeping its proportions, at no more than
/// kPhotoDpi: the picture is turned upright by its orientation tag and
/// scaled down to the pixels that needs, then encoded with
/// kPhotoJpegQuality. A JPEG of 1 or 3 components that is upright and no
/// larger than that already keeps its image data as it is, without its
/// application segments (EXIF, thumbnails, profiles) and comments, unless
/// even so it holds far more bytes than its pixels need; then it is
/// encoded afresh. A JPEG whose image data ends early or holds errors
/// comes out as far as it could be decoded, with `out->damage` saying so
/// (never kept as it is). On failure the status text is the reason for the
/// page, in capitals, and `out->tags` holds what could be read. Once `cancel`
/// (when given) is true, a decode in progress stops within a row of blocks
/// and the status is "CANCELADO".
Status PreparePhoto(std::string_view bytes, double box_width, double box_height,
                    PreparedPhoto* out,
                    const std::atomic<bool>* cancel = nullptr);

/// Encodes 8-bit pixels of `channels` 1 (grey) or 3 (RGB), rows top to
/// bottom without padding, as a baseline JPEG of `quality` (4:2:0 for
/// colour) into `out`: the photos of the report, and the photos tests make.
Status EncodeJpeg(const std::uint8_t* pixels, int width, int height,
                  int channels, int quality, std::string* out);

/// The upright size of a picture `width` x `height` as stored under EXIF
/// `orientation` (5 to 8 turn it a quarter).
inline void UprightSize(int orientation, int width, int height, int* w,
                        int* h) {
  const bool quarter = orientation >= 5 && orientation <= 8;
  *w = quarter ? height : width;
  *h = quarter ? width : height;
}

/// A file time (seconds since 1970 UTC) as the local date and time,
/// "dd/mm/yyyy HH:MM:SS".
std::string LocalDateTime(std::int64_t seconds);

}  // namespace zarvek

#endif  // ZARVEK_IMAGE_PHOTO_DECODE_H_
