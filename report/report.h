// One run of the height conversion report: checks the rows read from the
// measurement table, converts every complete row, draws one page per row on
// a fresh document, protects it with a fresh owner password and saves it as
// "CONVERSION DE ALTURA.pdf" in the project's "2. DATOS GNSS" folder. The
// run shows nothing itself: it returns the message box the window must show
// and, on success, the file to open.
#ifndef ZARVEK_REPORT_REPORT_H_
#define ZARVEK_REPORT_REPORT_H_

#include <string>
#include <vector>

#include "heights/catalogue.h"
#include "platform/random.h"
#include "report/page_frame.h"
#include "report/pdf_document.h"

namespace zarvek {

/// The texts of one table row, as its widgets show them.
struct RowInput {
  std::string codigo, rec, tipo, acc, ref, h;
};

/// The kind of message box that ends a run.
enum class MessageKind { kWarning, kError, kInfo };

/// What the window shows after a run, and what it opens.
struct ReportOutcome {
  MessageKind kind;
  std::string title;
  std::string text;
  /// The saved report, to hand to the desktop's PDF viewer (failures of that
  /// are to be ignored); empty unless the run succeeded.
  std::string open_path;
};

/// The services a run draws on.
struct ReportServices {
  const Catalogue& catalogue;
  PdfDocumentFactory& documents;
  RandomSource& random;
  ResourceLookup resources;
};

/// "dd/mm/yyyy", e.g. FormatDate(5, 3, 2025) == "05/03/2025".
std::string FormatDate(int day, int month, int year);

/// The path of the report of project `ruta_base`.
std::string ReportPath(const std::string& ruta_base);

/// Runs the report. With no project folder or no rows: a warning, nothing
/// else. Otherwise every row whose five inputs are non-empty becomes a page,
/// numbered 1..N in table order; the other rows are skipped silently. A row
/// that cannot be converted stops the run with "ERROR MATEMÁTICO EN PUNTO "
/// and its code; any other failure (unknown receiver, a height the page
/// cannot print, the save) with "ERROR PDF" and the failure's own text. In
/// both cases nothing is written. `fecha` is the date line of every page.
ReportOutcome RunConversionReport(const std::string& ruta_base,
                                  const std::vector<RowInput>& rows,
                                  const std::string& fecha,
                                  const ReportServices& services);

}  // namespace zarvek

#endif  // ZARVEK_REPORT_REPORT_H_
