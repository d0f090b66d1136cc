// PdfCanvas is the drawing surface of one PDF document: exactly the
// operations the report pages use, with the coordinates, fonts and colours of
// a PDF page (points from the lower-left corner, fractions-of-1 RGB, the
// standard fonts "Helvetica", "Helvetica-Bold" and "Helvetica-Oblique"). Text
// is UTF-8; the real canvas converts it for the standard fonts. It knows
// nothing of reports: the page drawing code (report/) draws against it, the
// writer (pdf/pdf_writer.h) implements it, and testing/
// recording_canvas.h records it without a PDF library.
#ifndef ZARVEK_PDF_PDF_CANVAS_H_
#define ZARVEK_PDF_PDF_CANVAS_H_

#include <charconv>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zarvek {

/// A JPEG image as a page takes it: its bytes go into the document as they
/// are (DCTDecode), so they must be a baseline or progressive JPEG of 1 or 3
/// components whose pixels are the way up they are to be seen.
struct JpegPicture {
  std::string bytes;
  int width = 0;
  int height = 0;
  int components = 3;  ///< 1 (grey) or 3 (colour)
};

class PdfCanvas {
 public:
  virtual ~PdfCanvas() = default;

  virtual void setFont(std::string_view name, double size) = 0;
  virtual void setFillColorRGB(double r, double g, double b) = 0;
  virtual void setStrokeColorRGB(double r, double g, double b) = 0;
  virtual void setLineWidth(double width) = 0;
  /// Transparency of later fills (and images), 0 = invisible, 1 = opaque.
  virtual void setFillAlpha(double alpha) = 0;
  virtual void saveState() = 0;
  virtual void restoreState() = 0;

  virtual void line(double x1, double y1, double x2, double y2) = 0;
  virtual void rect(double x, double y, double width, double height,
                    bool stroke, bool fill) = 0;
  virtual void roundRect(double x, double y, double width, double height,
                         double radius, bool stroke, bool fill) = 0;

  /// Text in the current font and fill colour, left-aligned at x.
  virtual void drawString(double x, double y, std::string_view text) = 0;
  /// Text ending at x.
  virtual void drawRightString(double x, double y, std::string_view text) = 0;
  /// Text centred on x.
  virtual void drawCentredString(double x, double y, std::string_view text) = 0;
  /// Width in points of `text` set in `font` at `size`.
  virtual double stringWidth(std::string_view text, std::string_view font,
                             double size) = 0;

  /// How drawImage places the picture.
  enum class ImageAnchor {
    kFitInBox,  ///< centred in the box whose lower-left corner is (x, y)
    kCentreOn,  ///< centred on the point (x, y)
  };
  /// Draws the PNG file at `path` inside a box of `width` x `height` points;
  /// a missing dimension is the picture's own size in pixels taken as points.
  /// With `keep_aspect` the picture is scaled uniformly to fit the box.
  /// Transparency in the file is kept. Returns false, drawing nothing, when
  /// the file is missing, unreadable, broken or too large.
  virtual bool drawImage(const std::string& path, double x, double y,
                         std::optional<double> width,
                         std::optional<double> height, bool keep_aspect,
                         ImageAnchor anchor) = 0;

  /// Draws `picture` stretched over the box of `width` x `height` points
  /// whose lower-left corner is (x, y). The canvas takes the bytes and may
  /// write them out at once and drop them, so that a document of many
  /// photographs never holds them all. Returns false, drawing nothing, when
  /// the canvas cannot hold JPEG pictures or the picture is unusable.
  virtual bool drawJpeg(JpegPicture picture, double x, double y, double width,
                        double height) {
    (void)std::move(picture);
    (void)x, (void)y, (void)width, (void)height;
    return false;
  }

  /// A borderless link to `url` over the rectangle (x1, y1)-(x2, y2).
  virtual void linkURL(std::string_view url, double x1, double y1, double x2,
                       double y2) = 0;

  /// Draws what `draw` draws. A canvas that can reuse drawings may keep it
  /// under `key` (which must name the same drawing throughout a document)
  /// and place the kept copy on later pages instead of calling `draw`
  /// again, with the same result on the page and in the graphics state.
  /// `draw` must restore every state it saves.
  virtual void drawShared(std::string_view key,
                          const std::function<void(PdfCanvas&)>& draw) {
    (void)key;
    draw(*this);
  }

  /// Ends the current page; drawing continues on a new one.
  virtual void showPage() = 0;
};

/// A drawShared key: `name`, then every number (in its shortest exact
/// form) and `text`, so that different inputs never share a drawing.
inline std::string SharedKey(std::string_view name,
                             std::initializer_list<double> numbers,
                             std::string_view text = {}) {
  std::string key(name);
  for (double v : numbers) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    key.push_back('|');
    key.append(buf, res.ptr);
  }
  key.push_back('|');
  key.append(text);
  return key;
}

/// Points per centimetre.
inline constexpr double kCm = 72.0 / 2.54;
/// A4 portrait, in points.
inline constexpr double kA4Width = 595.2755905511812;
inline constexpr double kA4Height = 841.8897637795277;

}  // namespace zarvek

#endif  // ZARVEK_PDF_PDF_CANVAS_H_
