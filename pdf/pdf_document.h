// PdfDocument is one document being drawn (a report, for the program): a canvas
// to draw its pages on and the final step that protects the document and writes
// it to disk. The real one (pdf/pdf_writer.h) writes the PDF itself and
// encrypts it; tests use a recording double. Nothing reaches the disk before
// SaveProtected.
#ifndef ZARVEK_PDF_PDF_DOCUMENT_H_
#define ZARVEK_PDF_PDF_DOCUMENT_H_

#include <functional>
#include <memory>
#include <string>

#include "pdf/pdf_canvas.h"
#include "platform/status.h"

namespace zarvek {

/// What a document says about itself in its information dictionary, which
/// viewers show among its properties and file browsers and archives index.
/// UTF-8; an empty text leaves its entry out.
struct PdfInfo {
  std::string title;
  std::string subject;
  std::string author;
};

class PdfDocument {
 public:
  virtual ~PdfDocument() = default;

  /// The document's title, subject and author, set before it is saved. A
  /// document that keeps no information ignores them.
  virtual void SetInfo(const PdfInfo& info) { (void)info; }

  /// The canvas of the page being drawn. Pages end with showPage().
  virtual PdfCanvas& canvas() = 0;

  /// Finishes the document (a document without any page gets one blank
  /// page, so that readers accept it), encrypts it with AES-128: empty user
  /// password, `owner_password`, printing and filling in forms (signing)
  /// allowed, modifying, copying, annotating and assembling forbidden; and
  /// writes it to `path` through a
  /// temporary file in the same folder that is renamed over `path` only when
  /// complete. On failure the file at `path` is unchanged, no temporary file
  /// is left, and the status carries the system's text and the path.
  virtual Status SaveProtected(const std::string& path,
                               const std::string& owner_password) = 0;

  /// Draws the next part of a document on canvas(); sets `*done` after the
  /// last. A failure (or a cancel) stops the save with that status.
  using DrawNext = std::function<Status(bool* done)>;

  /// SaveProtected for a document drawn while it is saved: `draw_next` is
  /// called until it sets `*done`, then the document is finished and saved
  /// with the same protection and guarantees. A writer may put each part
  /// into the temporary file as soon as it is drawn, so that a document
  /// larger than the memory can be written. When `draw_next` fails, its
  /// status is returned and the file at `path` is unchanged. This default
  /// draws everything first, then saves.
  virtual Status SaveProtectedAsDrawn(const std::string& path,
                                      const std::string& owner_password,
                                      const DrawNext& draw_next) {
    for (bool done = false; !done;) {
      Status s = draw_next(&done);
      if (!s.ok()) return s;
    }
    return SaveProtected(path, owner_password);
  }
};

/// The text of a report run that failed with something other than a
/// std::exception.
inline constexpr char kUnknownPdfError[] =
    "ERROR DESCONOCIDO AL GENERAR EL PDF.";

/// The text of a failed save for the user: the status's own text, and for a
/// file a viewer holds open (Windows refuses to replace it) what to do.
inline std::string PdfSaveFailedText(const Status& saved) {
  if (!saved.held_open()) return saved.message();
  return saved.message() +
         "\n\nCIERRE EL PDF EN EL VISOR Y VUELVA A INTENTARLO";
}

/// Makes a fresh, empty A4 document for each report run.
class PdfDocumentFactory {
 public:
  virtual ~PdfDocumentFactory() = default;
  virtual std::unique_ptr<PdfDocument> Create() = 0;
};

}  // namespace zarvek

#endif  // ZARVEK_PDF_PDF_DOCUMENT_H_
