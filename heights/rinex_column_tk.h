// The RINEX column of the measurement table: per point, whether the
// `ANTENNA: DELTA H/E/N` record of its observation files holds the row's ARP
// height, the reason when it does not in a status line under the table, and
// the "CORREGIR RINEX" button that writes corrected copies.
//
// The files are read when a project's table is made and when the surveyor
// comes back to the tab (ReadRinex), off the window thread: a bzip2 file
// gives its header only after decoding a whole block, and a hundred points
// of them take seconds. The cells fill in as their points are read ("…"
// until then); what was read is kept by path and stamp (RinexReadCache), so
// a return to the tab reads only the files that changed. A change of a row
// only judges the headers already read against the row's new heights,
// which costs no disk access, so typing a height never waits on the disk.
// CORREGIR RINEX writes its copies off the window thread too, with a
// progress bar and a cancel button.
#ifndef ZARVEK_HEIGHTS_RINEX_COLUMN_TK_H_
#define ZARVEK_HEIGHTS_RINEX_COLUMN_TK_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "platform/fs.h"
#include "project/open_project.h"
#include "rinex/misfiled.h"
#include "rinex/rinex_corrections.h"
#include "rinex/rinex_files.h"
#include "rinex/rinex_verdict.h"
#include "ui/background_tk.h"
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
  /// Stops a copy under way after its current block.
  ~RinexColumn();
  RinexColumn(const RinexColumn&) = delete;
  RinexColumn& operator=(const RinexColumn&) = delete;

  /// Creates the column beside the laid-out rows of `frame_rows`: one canvas
  /// with bind tags `tags`, a text item per row (a canvas item is no
  /// window, so the column adds nothing to what X maps).
  void MakeColumn(const std::string& frame_rows, const tk::Obj& tags);
  /// Reads the headers of every point's observation files, off the window
  /// thread, and shows each row's verdict as its point is read. What an
  /// earlier reading had not finished is dropped. While CORREGIR RINEX runs
  /// the reading waits for its end.
  void ReadRinex();
  /// Reads again, off the window thread, the observation files of the row
  /// of point `code`, in its RINEX folder `folder`: what changed there is
  /// shown without reading the other points. While CORREGIR RINEX runs,
  /// everything is read again after it.
  void ReadPointAgain(const std::string& code, const std::string& folder);
  /// Waits for the reading and the copies under way and shows their
  /// results now: for tests, which must not depend on timing.
  void Finish();
  /// Judges rows `rows` again from the headers already read.
  void RowsChanged(const std::vector<size_t>& rows);
  /// Writes, after a yes/no box listing them, corrected copies of the
  /// observation files of every point whose DELTA H differs from its ARP
  /// height into the point's RINEX/CORREGIDO folder, and unchanged copies
  /// of the point's right files, so that the folder holds all of them.
  /// The copies are written off the window thread, under a progress bar
  /// ("ARCHIVO n DE N") with a "CANCELAR" button; a box reports the end.
  /// Refused while copies are being written or points are being read.
  void CorrectRinex();
  /// The limits of the copies that CorrectRinex writes (RinexCopyLimits).
  void SetCopyLimits(const RinexCopyLimits& limits) { limits_ = limits; }
  /// The code and RINEX state of every table row, in table order; kPending
  /// for a point whose files are still being read or written.
  std::vector<PointRinexState> States() const;
  /// Shows row `idx`'s reason in the status line (the row in focus or
  /// under the pointer).
  void ShowRow(size_t idx);
  /// `done` is called each time the reading of the open project's files
  /// ends with every point read (whoever shows their verdicts may show them
  /// now).
  void SetReadingDone(std::function<void()> done) {
    reading_done_ = std::move(done);
  }
  /// `row_line` gives a line about the shown row that the status line puts
  /// above its RINEX reason (the ARP column's explanation); empty for none.
  void SetRowLine(std::function<std::string(size_t)> row_line);

  // Widget paths, for the window tests.
  const std::string& canvas() const { return canvas_; }
  const std::string& status_label() const { return lbl_rinex_; }
  const std::string& button() const { return btn_rinex_; }
  const std::string& progress_frame() const { return progress_frame_; }
  const std::string& progress_bar() const { return progress_bar_; }
  const std::string& progress_label() const { return progress_label_; }
  const std::string& cancel_button() const { return btn_cancel_; }

  /// The text of the RINEX cell of the row of point `code` ("✓", "✗ 1.5000",
  /// "—", "?", ...); "" when the row does not convert or no row has that
  /// code.
  std::string CellText(const std::string& code) const;
  /// The session cell of the row of point `code` (DescribePointSession);
  /// empty while its files are being read or no row has that code.
  SessionCell SessionCellOf(const std::string& code) const;

  /// What the files of every table row's point say against the point
  /// (CheckMisfiled, with each row's receiver), in table order; empty
  /// while some point's files are still being read, so that no finding
  /// rests on half a project.
  const std::vector<PointMisfiled>& Misfiled() const { return misfiled_; }
  /// The texts of the findings of point `code` that its cell marks, those
  /// besides having no file at all (its "—" already says so).
  std::vector<std::string> MisfiledTexts(const std::string& code) const;

 private:
  /// The steps of building the column's widgets under `bottom`: the status
  /// line, CORREGIR RINEX, its progress, and the row status the pointer and
  /// the focus show (added to bind tag `tag`).
  void BuildStatusLine(const std::string& bottom);
  void BuildCorrectButton(const std::string& bottom);
  void BuildProgress(const std::string& bottom);
  void WireRowStatus(const std::string& tag);
  /// The row's ARP, phase-centre and measured heights; nullopt while the
  /// row is incomplete or does not convert.
  std::optional<RinexRowHeights> HeightsOf(size_t idx) const;
  /// Judges row `idx` again and updates its cell when its text changed.
  void UpdateCell(size_t idx);
  /// Draws row `idx`'s verdict, with the mark of its findings, when it is
  /// not what the cell shows.
  void DrawCell(size_t idx);
  /// Checks the files of every point against the others, once each point
  /// is read, and marks the cells whose findings changed.
  void UpdateMisfiled();
  /// Row `idx`'s findings that its cell marks (MisfiledTexts).
  PointMisfiled CellFindings(size_t idx) const;
  /// Row `idx`'s RINEX reason on one line, then its findings.
  std::string RowReason(size_t idx) const;
  /// " ⚠ <n> PUNTOS CON ARCHIVOS QUE NO PARECEN SUYOS." for the status
  /// line's summary; "" while no cell is marked.
  std::string MisfiledSummary() const;
  /// Puts the reason of the row in view or, without one, the column's
  /// summary in the status line, and enables "CORREGIR RINEX" while some
  /// point has copies to write.
  void ShowStatus();
  /// Posts the reading of each row's point folder in `folders` (code ->
  /// RINEX folder) for reading `generation`.
  void ReadPoints(unsigned generation,
                  const std::map<std::string, std::string>& folders);
  /// Posts the reading of `folder` for row `idx`; its result is shown if
  /// the rows are still those of `generation`.
  void ReadPoint(unsigned generation, size_t idx, const std::string& folder);
  /// Posts the copies of `plan`, each point's reading after them, and the
  /// end of the run.
  void StartCopies(const RinexCorrectionPlan& plan);
  /// One copy done (or skipped after a cancel): counts it, moves the bar.
  void CopyDone(const Status& status, bool skipped);
  /// Hides the progress, reports the run in a box, reads again if asked.
  void EndCopies();
  void ShowProgress();
  /// Row `idx`'s session, once its files are read.
  SessionCell SessionOf(size_t idx) const;
  /// What the status line says of row `idx` after "RINEX": its session,
  /// then its RINEX reason, on one line; "" when neither is known.
  std::string RowRinexLine(size_t idx) const;

  /// Rows of the current table whose files were read: the others show
  /// "…" (kPending).
  std::vector<bool> read_;
  /// Bumped whenever the rows or the project change: a reading's results
  /// of an earlier generation are dropped.
  unsigned generation_ = 0;
  /// Used by the worker thread only.
  RinexReadCache cache_;
  RinexCopyLimits limits_;
  /// The run of CORREGIR RINEX under way: its state, used by the worker's
  /// jobs only, and the counts the window shows.
  std::unique_ptr<RinexCopyRun> run_;
  std::atomic<bool> cancel_{false};
  /// Set as the column goes: a file being read stops at its next piece.
  std::atomic<bool> closing_{false};
  bool correcting_ = false;
  bool read_after_copies_ = false;
  size_t copies_total_ = 0, copies_done_ = 0, copies_written_ = 0,
         copy_points_ = 0;
  bool copies_cancelled_ = false;
  std::vector<std::string> copy_errors_, plan_errors_;
  std::string progress_frame_, progress_bar_, progress_label_, btn_cancel_;

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
  std::function<void()> reading_done_;
  std::function<std::string(size_t)> row_line_;
  /// Height in pixels of a table row, as the canvas places its items.
  int pitch_ = 1;
  /// Per row: the findings of CheckMisfiled (empty until every point is
  /// read), and the text its cell shows, the verdict's with their mark.
  std::vector<PointMisfiled> misfiled_;
  std::vector<std::string> drawn_;
  /// The readings of this generation posted and not back yet (the
  /// project's listing, then its points): the findings are checked once,
  /// when the last is back, not once per point.
  size_t reads_outstanding_ = 0;
  /// Last: destroyed first, it waits for the job under way, which may use
  /// the members above.
  Background background_;
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_RINEX_COLUMN_TK_H_
