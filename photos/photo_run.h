// One run of the photo report: plans the pages, has the photos prepared on
// worker threads in the order the pages show them (a few ahead at most, so
// that memory stays bounded whatever their number), draws each page as its
// photos arrive and hands it to the document, which writes it out at once
// (PdfDocument::SaveProtectedAsDrawn). The file is protected as the height
// report is and replaces the earlier one only when complete: a cancel or a
// failure leaves the earlier file as it was.
#ifndef ZARVEK_PHOTOS_PHOTO_RUN_H_
#define ZARVEK_PHOTOS_PHOTO_RUN_H_

#include <atomic>
#include <functional>
#include <string>

#include "pdf/pdf_document.h"
#include "photos/photo_report.h"
#include "platform/random.h"

namespace zarvek {

/// Shared between a run and the window that watches it.
struct PhotoRunControl {
  std::atomic<bool> cancel{false};  ///< set to stop the run
  std::atomic<int> done{0};         ///< photos on finished pages
  std::atomic<int> total{0};        ///< photos in the report, once planned
};

struct PhotoRunServices {
  PdfDocumentFactory& documents;
  RandomSource& random;
  /// Makes one photo's cell; called on the worker threads, several at once.
  std::function<PhotoCell(const PhotoJob&)> prepare;
  int workers = 2;
  /// The surveyor's name, the document's author; "" names none.
  std::string author = {};
};

struct PhotoRunOutcome {
  enum class Result { kSaved, kCancelled, kFailed };
  Result result = Result::kFailed;
  std::string message;  ///< the failure's text
  int photos = 0;
  /// Photos not read whole: drawn as "NO SE PUDO LEER" or, as far as
  /// they go, captioned "FOTO DAÑADA".
  int unreadable = 0;
};

/// Writes the report of `input` to `path`.
PhotoRunOutcome RunPhotoReport(const PhotoReportInput& input,
                               const std::string& path,
                               const PhotoRunServices& services,
                               PhotoRunControl& control);

}  // namespace zarvek

#endif  // ZARVEK_PHOTOS_PHOTO_RUN_H_
