// One run of the height conversion report: checks the rows read from the
// measurement table, converts every complete row, draws one page per row on
// a fresh document, protects it with a fresh owner password and saves it as
// "CONVERSION DE ALTURA.pdf" in the project's "2. DATOS GNSS" folder. The
// run shows nothing itself: it returns the message box the window must show
// and, on success, the file to open. Every row is checked before anything is
// drawn, so that one run names every row to correct, and a report already on
// disk is only ever replaced by a complete, checked one.
#ifndef ZARVEK_REPORT_REPORT_H_
#define ZARVEK_REPORT_REPORT_H_

#include <string>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "heights/row_arp.h"
#include "pdf/pdf_document.h"
#include "platform/random.h"
#include "report/page_frame.h"

namespace zarvek {

/// The kind of message box that ends a run.
enum class MessageKind {
  kWarning,
  kError,
  kInfo,
  /// A yes/no question; nothing was written. "Yes" means: run again with
  /// the implausible heights accepted.
  kQuestion,
};

/// What the window shows after a run, and what it opens.
struct ReportOutcome {
  MessageKind kind;
  std::string title;
  std::string text;
  /// The saved report, to hand to the desktop's PDF viewer (failures of that
  /// are to be ignored); empty unless the run succeeded.
  std::string open_path;
  /// Indices into the rows of the run whose height could not be converted:
  /// the cells to show as wrong until the user edits them.
  std::vector<size_t> failing_rows;
};

/// The services a run draws on.
struct ReportServices {
  const Catalogue& catalogue;
  PdfDocumentFactory& documents;
  RandomSource& random;
  ResourceLookup resources;
  /// The surveyor's name, the document's author; "" names none.
  std::string author = {};
};

/// "dd/mm/yyyy", e.g. FormatDate(5, 3, 2025) == "05/03/2025".
std::string FormatDate(int day, int month, int year);

/// Runs the report. With no project folder, no rows or no complete row (all
/// five inputs non-empty): a warning and nothing else. Otherwise every
/// complete row is converted first. If any fails, the error box starts with
/// "ERROR MATEMÁTICO EN PUNTO " and the first failing code, then lists each
/// failing row with its reason, `failing_rows` names them, and nothing is
/// written. If every row converts but some ARP height lies outside
/// [kMinPlausibleArp, kMaxPlausibleArp] and `accept_implausible` is false,
/// the outcome is a kQuestion listing them, and nothing is written. Then
/// each complete row becomes a page, numbered 1..N in table order, and the
/// information box says how many rows made it and which were left out. Any
/// other failure (unknown receiver, a height the page cannot print, the
/// save) gives "ERROR PDF" with the failure's own text and writes nothing.
/// `fecha` is the date line of every page.
ReportOutcome RunConversionReport(const std::string& ruta_base,
                                  const std::vector<TableRow>& rows,
                                  const std::string& fecha,
                                  const ReportServices& services,
                                  bool accept_implausible = false);

}  // namespace zarvek

#endif  // ZARVEK_REPORT_REPORT_H_
