// The third tab, EXPEDIENTE: what each point's dossier still lacks, at a
// glance. The project-wide items with their counts at the top; a matrix of
// one row per point (its NATIVA files, its RINEX and ARP cells as tab 2
// shows them, its photos per stage and its videos) that scrolls both ways
// under fixed headings and a fixed point column; a summary line that counts
// and names what is missing; a status line with the folders that could not
// be read and the photos the report cannot hold. A click on a cell opens
// its folder in the desktop's file manager.
//
// The project is scanned (dossier/scan.h), and its photos looked at for
// what does not belong (dossier/evidence.h), off the window thread when the
// tab is shown and on "ACTUALIZAR"; the matrix fills in when the scan ends.
// The matrix is drawn on canvases, one text item per cell: a thousand
// points are 13,000 items and no X window each.
#ifndef ZARVEK_DOSSIER_DOSSIER_TAB_TK_H_
#define ZARVEK_DOSSIER_DOSSIER_TAB_TK_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dossier/dossier.h"
#include "dossier/evidence.h"
#include "dossier/matrix.h"
#include "platform/fs.h"
#include "platform/status.h"
#include "project/open_project.h"
#include "ui/background_tk.h"
#include "ui/ui_tk.h"

namespace zarvek {

class DossierTab {
 public:
  /// Builds the tab's widgets in the (existing) frame `tab`; a click on a
  /// cell hands its folder to `open_folder`.
  DossierTab(Ui& ui, FileSystem& fs, const OpenProject& project,
             std::string tab,
             std::function<void(const std::string&)> open_folder);
  /// Stops a running scan and waits for it.
  ~DossierTab();
  DossierTab(const DossierTab&) = delete;
  DossierTab& operator=(const DossierTab&) = delete;

  /// Where the RINEX and ALTURA cells come from (tab 2), by point code.
  void SetPointCells(PointCellSources sources);
  /// How far and how many days from its point a photo may have been taken
  /// before the next scan names it; the limits' entries show them.
  void SetEvidenceLimits(EvidenceLimits limits);
  /// Keeps limits the surveyor applied where the program keeps its
  /// settings; a failure's text is shown and the limits stay as they were.
  void SetLimitsSaver(
      std::function<Status(int max_distance_m, int max_days)> save);
  /// What "APLICAR" (or Return in an entry) does: both entries must hold a
  /// whole number in range (project/settings.h); one that does not is
  /// named in an error box with the range and marked red until edited, and
  /// nothing changes. Accepted limits are saved, and the tab read again
  /// with them.
  void ApplyLimits();
  /// What "GENERAR REPORTAJE FOTOGRÁFICO" does.
  void SetPhotoReport(std::function<void()> photo_report);

  /// Scans the open project off the window thread, dropping a scan still
  /// running; the matrix fills in when it ends. Without a project the tab
  /// says so.
  void Refresh();
  /// Forgets what was shown (the project changed while the tab was hidden).
  void Clear();
  /// Waits for the scan in progress and shows it now: for closing and tests.
  void FinishScan();
  bool scanning() { return background_.Busy(); }

  /// The latest scan and its matrix (empty before the first scan ends).
  const DossierScan& scan() const { return scan_; }
  const DossierMatrix& matrix() const { return matrix_; }

  /// Opens the folder of the matrix cell at `row`, `column` (or its nearest
  /// folder that exists), as a click on it does.
  void OpenCell(std::size_t row, std::size_t column);

  // Widget paths, for the window tests.
  const std::string& summary_label() const { return summary_; }
  const std::string& status_label() const { return status_; }
  const std::string& items_frame() const { return items_frame_; }
  const std::string& header_canvas() const { return header_; }
  const std::string& code_canvas() const { return codes_; }
  const std::string& body_canvas() const { return body_; }
  const std::string& refresh_button() const { return refresh_button_; }
  const std::string& report_button() const { return report_button_; }
  /// An empty frame beside the report button, for its progress bar.
  const std::string& progress_frame() const { return progress_frame_; }
  const std::string& distance_entry() const { return distance_entry_; }
  const std::string& days_entry() const { return days_entry_; }
  const std::string& apply_button() const { return apply_button_; }
  /// The canvas item tag of a body cell.
  static std::string CellItemTag(std::size_t row, std::size_t column);
  /// The matrix is drawn kRowsPerStep rows at a time, each step from the
  /// event loop, so that the window answers between steps however many
  /// points there are. The rows drawn so far.
  static constexpr std::size_t kRowsPerStep = 100;
  std::size_t rows_drawn() const { return rows_drawn_; }

 private:
  void BuildItems();
  void BuildMatrix();
  /// The commands that keep the headings and the point column in line with
  /// the cells' view.
  void WireScrolling();
  /// The commands and bindings of clicks and of the pointer on the cells.
  void WirePointer();
  void BuildBottom();
  /// The limits' entries and "APLICAR" in row `row` of `bottom`.
  void BuildLimits(const std::string& bottom, int row);
  /// Shows a finished scan.
  void Show(DossierScan scan);
  void DrawItems();
  void DrawMatrix();
  /// Draws the next kRowsPerStep rows and asks the event loop for the step
  /// after them.
  void DrawRows();
  void ShowStatus(const std::string& text);
  /// The text width of `text` in the matrix font, measured once.
  int Measure(const std::string& text, bool bold);
  /// The cell under the canvas point `x`, `y` of the body (x, y already in
  /// canvas coordinates); false when none.
  bool CellAt(double x, double y, std::size_t* row, std::size_t* column) const;
  void Hover(std::size_t row, std::size_t column);

  Ui& ui_;
  FileSystem& fs_;
  const OpenProject& project_;
  std::string tab_;
  std::function<void(const std::string&)> open_folder_;
  PointCellSources sources_;
  EvidenceLimits limits_;
  std::function<void()> photo_report_;
  std::function<Status(int, int)> save_limits_;

  std::string summary_, status_, items_frame_, header_, codes_, body_;
  std::string xscroll_, yscroll_;
  std::string refresh_button_, report_button_, progress_frame_;
  std::string distance_entry_, days_entry_, apply_button_;
  std::vector<std::string> item_labels_, item_values_;

  DossierScan scan_;
  DossierMatrix matrix_;
  std::string status_text_;
  /// Left edges of the columns after the point column, and the last right
  /// edge, in body canvas coordinates; the row height.
  std::vector<int> column_x_;
  int pitch_ = 1;
  /// The columns' widths and the body's width of the matrix being drawn.
  std::vector<int> widths_now_;
  int total_width_ = 0;
  std::size_t rows_drawn_ = 0;
  std::string draw_step_;  ///< the command of the next drawing step
  std::map<std::string, int> widths_[2];

  /// Which Refresh the shown scan must come from; the flag of the scan
  /// running, which a newer Refresh sets to stop it.
  std::uint64_t generation_ = 0;
  std::shared_ptr<std::atomic<bool>> stop_;
  Background background_;  // last: its running job ends before the rest goes
};

}  // namespace zarvek

#endif  // ZARVEK_DOSSIER_DOSSIER_TAB_TK_H_
