// PdfWriterDocument is the real report document: a small PDF writer of our
// own that emits the file's objects directly and encrypts them while it
// writes, in one pass (pdf/pdf_crypt.h), then replaces the target file
// in one step (platform/atomic_file.h).
//
// Text is UTF-8 and is set in the standard PDF fonts with the WinAnsi
// (CP1252) encoding, which covers Spanish; the marks CP1252 lacks
// (check marks and crosses) are set in ZapfDingbats (FontRuns in
// pdf_fonts.h), and any other character outside CP1252 is
// drawn as "?". Widths come from the fonts' own metrics (platform/
// pdf_fonts.h). JPEG pictures (drawJpeg) are embedded as they are, one
// object each. Pictures are PNG files (pdf/pdf_picture.h); each file
// is read and embedded once per document and shared by every page that
// draws it. A picture that cannot be read is skipped without any message.
// Shared drawings (drawShared) become one form object placed on every page
// that draws them. Page contents are Flate-compressed.
//
// The information dictionary names the title, subject, author (SetInfo),
// the creator and the moment the document was written, in the local time
// with its offset. The last page carries an empty, invisible signature
// field, which the permissions let a reader fill: the surveyor signs the
// document there.
//
// The first failure (an unknown font) marks the document failed: later
// drawing calls do nothing and SaveProtected returns the failure. Drawing
// never throws.
#ifndef ZARVEK_PDF_PDF_WRITER_H_
#define ZARVEK_PDF_PDF_WRITER_H_

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "pdf/pdf_document.h"
#include "platform/status.h"

namespace zarvek {

class PdfWriterDocument : public PdfDocument, public PdfCanvas {
 public:
  /// `creator` (UTF-8) names the program that made the document in its
  /// information dictionary (/Creator, which viewers show among its
  /// properties); "" leaves it out.
  explicit PdfWriterDocument(std::string creator = "");
  ~PdfWriterDocument() override;
  PdfWriterDocument(const PdfWriterDocument&) = delete;
  PdfWriterDocument& operator=(const PdfWriterDocument&) = delete;

  // PdfDocument.
  PdfCanvas& canvas() override { return *this; }
  void SetInfo(const PdfInfo& info) override;
  /// Ends the open page, if any, then saves as PdfDocument describes.
  Status SaveProtected(const std::string& path,
                       const std::string& owner_password) override;

  /// Writes each page to the temporary file as soon as it is complete,
  /// with the JPEG pictures drawn on it (PNG pictures and shared drawings
  /// follow at the end), so that the memory holds about one part at a time.
  Status SaveProtectedAsDrawn(const std::string& path,
                              const std::string& owner_password,
                              const DrawNext& draw_next) override;

  /// SaveProtected without the file: the encrypted document in `*pdf`.
  Status Finish(const std::string& owner_password, std::string* pdf);

  // PdfCanvas. Coordinates, sizes and colours that are not finite make the
  // call do nothing; colours are clamped to [0, 1], line widths to
  // [0, 100] and font sizes to (0, 600]. A font name other than the twelve
  // standard text fonts ("Helvetica", "Times-Bold", ...) marks the document
  // failed.
  //
  // Pages begin when something is drawn, so N pages each ended by
  // showPage() give exactly N pages; showPage() with nothing drawn since
  // the last one gives a blank page. showPage() also resets the state to
  // that of a new page (Helvetica 12, black, line width 1, opaque) and
  // drops saved states that were not restored.
  void setFont(std::string_view name, double size) override;
  void setFillColorRGB(double r, double g, double b) override;
  void setStrokeColorRGB(double r, double g, double b) override;
  void setLineWidth(double width) override;
  void setFillAlpha(double alpha) override;
  /// Saves fill and stroke colour, line width, font, size and alpha.
  void saveState() override;
  /// Restores the last saved state; without one it does nothing.
  void restoreState() override;
  void line(double x1, double y1, double x2, double y2) override;
  void rect(double x, double y, double width, double height, bool stroke,
            bool fill) override;
  /// The radius is limited to half the shorter side.
  void roundRect(double x, double y, double width, double height, double radius,
                 bool stroke, bool fill) override;
  void drawString(double x, double y, std::string_view text) override;
  void drawRightString(double x, double y, std::string_view text) override;
  void drawCentredString(double x, double y, std::string_view text) override;
  double stringWidth(std::string_view text, std::string_view font,
                     double size) override;
  /// A box that is not finite or not positive in both dimensions draws
  /// nothing and returns false.
  bool drawImage(const std::string& path, double x, double y,
                 std::optional<double> width, std::optional<double> height,
                 bool keep_aspect, ImageAnchor anchor) override;
  /// The bytes are embedded as they are (DCTDecode); a picture that does
  /// not start as a JPEG, has no size or other than 1 or 3 components is
  /// refused.
  bool drawJpeg(JpegPicture picture, double x, double y, double width,
                double height) override;
  void linkURL(std::string_view url, double x1, double y1, double x2,
               double y2) override;
  /// The first call for a key records what `draw` draws into a form object
  /// and places it; later calls place the same form without calling
  /// `draw`, as long as the state that the drawing took over from before it
  /// (say, a fill colour it used without setting) is still the same; else
  /// `draw` runs again on the page. Links are placed again with the form.
  /// A call inside another's `draw` simply draws.
  void drawShared(std::string_view key,
                  const std::function<void(PdfCanvas&)>& draw) override;
  void showPage() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// A date in the form PDF dates take, "D:YYYYMMDDHHmmSS+HH'mm'": `local`,
/// the moment `when` on the local clock, and the local offset from UTC,
/// which is the difference between the two. An offset of zero is written
/// "+00'00'".
std::string PdfDateText(const std::tm& local, std::time_t when);

/// Makes PdfWriterDocuments.
class PdfWriterDocumentFactory : public PdfDocumentFactory {
 public:
  /// Every document made names `creator` (see PdfWriterDocument).
  explicit PdfWriterDocumentFactory(std::string creator = "")
      : creator_(std::move(creator)) {}
  std::unique_ptr<PdfDocument> Create() override;

 private:
  std::string creator_;
};

}  // namespace zarvek

#endif  // ZARVEK_PDF_PDF_WRITER_H_
