// The report command of the second tab, "CALCULAR Y GENERAR REPORTE PDF":
// hands the table's rows to the report run, asks the yes/no question the
// run may return, shows the message box it ends with, opens the finished
// report and marks the height cells it could not convert until they are
// edited.
#ifndef ZARVEK_REPORT_REPORT_TK_H_
#define ZARVEK_REPORT_REPORT_TK_H_

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "pdf/pdf_document.h"
#include "platform/fs.h"
#include "platform/random.h"
#include "project/open_project.h"
#include "rinex/misfiled.h"
#include "rinex/rinex_warning.h"
#include "ui/ui_tk.h"

namespace zarvek {

/// What a report run reaches outside the window.
struct ReportCommandServices {
  PdfDocumentFactory& pdf;
  RandomSource& random;
  FileSystem& fs;
  std::function<std::string(const std::string&)> resource_path;
  /// Today's local date as "dd/mm/yyyy".
  std::function<std::string()> today;
  /// Opens a finished report in the desktop's viewer.
  std::function<void(const std::string&)> open_file;
  /// The RINEX cell of every table row, asked after a successful run: its
  /// box names the points still "✗" or "?". May be empty.
  std::function<std::vector<PointRinexState>()> rinex_states;
  /// The surveyor's name as set now, the reports' author. May be empty.
  std::function<std::string()> author = {};
  /// What every point's observation files say against the point, asked
  /// after a successful run: its box names the points with findings and
  /// those with no observation file. May be empty.
  std::function<std::vector<PointMisfiled>()> misfiled = {};
};

class ReportCommand {
 public:
  /// Builds the report button in `bottom` (grid row 1, column 0). The run
  /// reads the rows of `table`; `height_entry(i)` is the Tk path of row i's
  /// height entry ("" past the last row), which wears a mark while that
  /// row fails. The command knows no more of the tab that shows the table.
  ReportCommand(Ui& ui, const MeasurementTable& table,
                std::function<std::string(size_t)> height_entry,
                OpenProject& project, const Catalogue& catalogue,
                ReportCommandServices services, const std::string& bottom);
  ReportCommand(const ReportCommand&) = delete;
  ReportCommand& operator=(const ReportCommand&) = delete;

  /// Runs the report on the open project and the table's rows.
  void generar_pdf_conversion();

  const std::string& button() const { return button_; }
  /// Called with the report's path once a report is saved, before its box
  /// is shown: the dossier tab shows it there at once.
  void SetSaved(std::function<void(const std::string&)> saved) {
    saved_ = std::move(saved);
  }

 private:
  void MarkFailingRows(const std::vector<size_t>& rows);
  /// The success box's `text` followed by what the observation files say
  /// against the points in the report.
  std::string WithFileWarnings(std::string text) const;

  Ui& ui_;
  const MeasurementTable& table_;
  std::function<std::string(size_t)> height_entry_;
  OpenProject& project_;
  const Catalogue& catalogue_;
  ReportCommandServices services_;
  std::string button_;
  std::function<void(const std::string&)> saved_;
};

}  // namespace zarvek

#endif  // ZARVEK_REPORT_REPORT_TK_H_
