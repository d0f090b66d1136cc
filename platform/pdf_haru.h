// HaruDocument is the real report document: it draws A4 pages with libharu
// and, when saved, encrypts the result with qpdf (platform/pdf_protect.h)
// and replaces the target file in one step (platform/atomic_file.h).
//
// Text is UTF-8 and is set in the standard PDF fonts with the WinAnsi
// (CP1252) encoding, which covers Spanish; a character outside CP1252 is
// drawn as "?". Widths are measured on the encoded bytes with the fonts'
// own metrics. Pictures are PNG files decoded with libpng; each file is
// read and embedded once per document and shared by every page that draws
// it. A picture that cannot be read is skipped without any message.
//
// libharu reports its errors through a callback. The first error marks the
// document failed: later drawing calls do nothing and SaveProtected returns
// the error. Drawing never throws.
#ifndef ZARVEK_PLATFORM_PDF_HARU_H_
#define ZARVEK_PLATFORM_PDF_HARU_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pdf_protect.h"
#include "platform/status.h"
#include "report/pdf_document.h"

namespace zarvek {

class HaruDocument : public PdfDocument, public PdfCanvas {
 public:
  HaruDocument();
  ~HaruDocument() override;
  HaruDocument(const HaruDocument&) = delete;
  HaruDocument& operator=(const HaruDocument&) = delete;

  // PdfDocument.
  PdfCanvas& canvas() override { return *this; }
  /// Ends the open page, if any, then saves as PdfDocument describes.
  Status SaveProtected(const std::string& path,
                       const std::string& owner_password) override;

  /// The first steps of SaveProtected: ends the open page, adds a blank page
  /// to a document without pages, and puts libharu's unencrypted PDF in
  /// `*pdf`. Separate so that the cost of each step can be measured.
  Status SavePlain(std::string* pdf);

  /// How qpdf rewrites the document in SaveProtected.
  void set_protect_options(const ProtectOptions& options) {
    protect_options_ = options;
  }

  /// Pages so far, the open one included.
  int page_count() const;

  // PdfCanvas. Coordinates, sizes and colours that are not finite make the
  // call do nothing; colours are clamped to [0, 1], line widths to
  // [0, 100] and font sizes to (0, 600], libharu's limits. A font name other
  // than the twelve standard text fonts ("Helvetica", "Times-Bold", ...)
  // marks the document failed.
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
  void linkURL(std::string_view url, double x1, double y1, double x2,
               double y2) override;
  void showPage() override;

 private:
  struct Haru;
  std::unique_ptr<Haru> haru_;
  ProtectOptions protect_options_;
};

/// Makes HaruDocuments.
class HaruDocumentFactory : public PdfDocumentFactory {
 public:
  std::unique_ptr<PdfDocument> Create() override;
};

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_PDF_HARU_H_
