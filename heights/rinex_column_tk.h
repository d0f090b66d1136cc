// The RINEX column of the measurement table: per point, whether the
// `ANTENNA: DELTA H/E/N` record of its observation files holds the row's ARP
// height, the reason when it does not in a status line under the table, and
// the "CORREGIR RINEX" button that writes corrected copies.
//
// The files are read when a project's table is made and when the surveyor
// comes back to the tab (ReadRinex); a change of a row only judges the
// headers already read against the row's new heights, which costs no disk
// access, so typing a height never waits on the disk.
#ifndef ZARVEK_HEIGHTS_RINEX_COLUMN_TK_H_
#define ZARVEK_HEIGHTS_RINEX_COLUMN_TK_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "heights/rinex_corrections.h"
#include "heights/rinex_files.h"
#include "heights/rinex_verdict.h"
#include "platform/fs.h"
#include "project/open_project.h"
#include "ui/ui_tk.h"

namespace zarvek {

class RinexColumn {
 public:
  /// Builds the status line and the "CORREGIR RINEX" button in `bottom`
  /// (grid row 0 and row 1, column 1), and shows the reason of the row that
  /// takes the focus among the widgets with bind tag `tag`. The column reads
  /// the rows from `table` and the folder from `project`.
  RinexColumn(Ui& ui, FileSystem& fs, const MeasurementTable& table,
              OpenProject& project, const Catalogue& catalogue,
              const std::string& bottom, const std::string& tag);
  RinexColumn(const RinexColumn&) = delete;
  RinexColumn& operator=(const RinexColumn&) = delete;

  /// Creates the column beside the laid-out rows of `frame_rows`: one canvas
  /// with bind tags `tags`, a text item per row (a canvas item is no
  /// window, so the column adds nothing to what X maps).
  void MakeColumn(const std::string& frame_rows, const tk::Obj& tags);
  /// Reads the headers of every point's observation files and shows each
  /// row's verdict.
  void ReadRinex();
  /// Judges rows `rows` again from the headers already read.
  void RowsChanged(const std::vector<size_t>& rows);
  /// Writes, after a yes/no box listing them, corrected copies of the
  /// observation files of every point whose DELTA H differs from its ARP
  /// height into the point's RINEX/CORREGIDO folder, and unchanged copies
  /// of the point's right files, so that the folder holds all of them.
  void CorrectRinex();
  /// The code and RINEX state of every table row, in table order.
  std::vector<PointRinexState> States() const;
  /// Shows row `idx`'s reason in the status line (the row in focus or
  /// under the pointer).
  void ShowRow(size_t idx);
  /// A line about the shown row that the status line puts above its RINEX
  /// reason (the ARP column's explanation); empty for none.
  void SetRowLine(std::function<std::string(size_t)> row_line);

  // Widget paths, for the window tests.
  const std::string& canvas() const { return canvas_; }
  const std::string& status_label() const { return lbl_rinex_; }
  const std::string& button() const { return btn_rinex_; }

  /// The text of the RINEX cell of the row of point `code` ("✓", "✗ 1.5000",
  /// "—", "?", ...); "" when the row does not convert or no row has that
  /// code.
  std::string CellText(const std::string& code) const;

 private:
  /// The row's ARP, phase-centre and measured heights; nullopt while the
  /// row is incomplete or does not convert.
  std::optional<RinexRowHeights> HeightsOf(size_t idx) const;
  /// Judges row `idx` again and updates its cell when its text changed.
  void UpdateCell(size_t idx);
  /// Puts the reason of the row in view or, without one, the column's
  /// summary in the status line, and enables "CORREGIR RINEX" while some
  /// point has copies to write.
  void ShowStatus();
  /// Writes the copies of `plan`, adds each failure to `errors`, reads the
  /// points' folders again; returns how many copies were written.
  size_t WriteCopies(const RinexCorrectionPlan& plan,
                     std::vector<std::string>* errors);

  Ui& ui_;
  FileSystem& fs_;
  const MeasurementTable& table_;
  OpenProject& project_;
  const Catalogue& catalogue_;
  std::string frame_rows_, canvas_, lbl_rinex_, btn_rinex_;
  /// Per row: what was read in its RINEX folder, and the verdict its cell
  /// shows; emptied whenever the rows are made anew.
  std::vector<PointRinexFiles> files_;
  std::vector<RinexVerdict> verdicts_;
  /// The row whose reason the status line shows (focus or pointer).
  size_t shown_row_ = static_cast<size_t>(-1);
  std::string status_text_;
  std::function<std::string(size_t)> row_line_;
  /// Height in pixels of a table row, as the canvas places its items.
  int pitch_ = 1;
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_RINEX_COLUMN_TK_H_
