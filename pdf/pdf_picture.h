// Pictures in the form a PDF image takes them, made from PNG files with as
// little work as possible:
// - an opaque PNG that is not interlaced and has at most 8 bits a sample
//   (grey, RGB or palette) is embedded as it is: its compressed image data
//   is already a Flate stream with PNG predictors, which PDF reads directly;
// - any other PNG (transparency, interlacing, 16 bits) is decoded and its
//   colour and alpha are compressed again, unless a prepared copy of that
//   work lies beside it: "<file>.pdfimg", written once when the program is
//   built (PreparePictureFile). The prepared copy names the size and CRC of
//   the PNG it was made from and is ignored when they do not match.
#ifndef ZARVEK_PDF_PDF_PICTURE_H_
#define ZARVEK_PDF_PDF_PICTURE_H_

#include <string>
#include <string_view>

#include "platform/status.h"

namespace zarvek {

/// An image ready to be written as a PDF image XObject.
struct PdfPicture {
  int width = 0;
  int height = 0;
  /// "/DeviceRGB" or "/DeviceGray"; empty for a palette image.
  std::string color_space;
  /// The palette of a palette image: RGB triples, at most 256.
  std::string palette;
  /// Entries of the colour image's dictionary besides Type, Subtype, Width,
  /// Height, ColorSpace, Length and SMask, e.g. "/BitsPerComponent 8
  /// /Filter/FlateDecode".
  std::string color_entries;
  std::string color_data;
  /// Flate-compressed 8-bit alpha, width x height; empty when opaque.
  std::string alpha_data;
};

/// The suffix of a prepared copy: "LOGO.png" -> "LOGO.png.pdfimg".
inline constexpr std::string_view kPreparedPictureSuffix = ".pdfimg";

/// Reads the PNG file at `path` (and its prepared copy, when there is a
/// valid one). Files that are missing, broken, truncated or larger than
/// kMaxImagePixels are refused with a status.
Status LoadPdfPicture(const std::string& path, PdfPicture* out);

/// True when the PNG file at `path` would be embedded as it is, so that a
/// prepared copy would gain nothing.
bool EmbedsDirectly(const std::string& path);

/// Decodes the PNG at `png_path` and writes its prepared copy to
/// `out_path` (compressed at the highest level).
Status PreparePictureFile(const std::string& png_path,
                          const std::string& out_path);

}  // namespace zarvek

#endif  // ZARVEK_PDF_PDF_PICTURE_H_
