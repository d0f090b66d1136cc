// The second tab, CÁLCULO DE ALTURAS, without its RINEX column and report
// command (rooms of their own): the project bar (BUSCAR and the folder
// label) and the measurement table; the project's measurement file is kept
// in step with the table by a MeasurementSync of its own.
//
// The table's truth is a MeasurementTable; its cells show it, and every
// change of a cell's value, whatever made it, is put into it and saved. A
// project is opened in one step (OpenProject): the label, the project's
// folder and the table always show the same project.
#ifndef ZARVEK_HEIGHTS_HEIGHTS_TAB_TK_H_
#define ZARVEK_HEIGHTS_HEIGHTS_TAB_TK_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_sync_tk.h"
#include "heights/measurement_table.h"
#include "measurements/measurement_file.h"
#include "platform/fs.h"
#include "project/open_project.h"
#include "ui/ui_tk.h"

namespace zarvek {

/// The Tk paths of the cells of one table row, and its code.
struct RowCells {
  std::string codigo;
  std::string rec, tipo, acc, ref, h;
};

/// How a project is to be opened.
enum class ProjectAccess {
  kEdit,      ///< the table is edited and saved
  kReadOnly,  ///< the table shows the saved values; nothing is written
  kNone,      ///< not opened
};

/// What the tab tells the rooms that sit beside its rows.
struct HeightsTabHooks {
  /// The rows' cells are made and laid out in `frame_rows` (not yet shown);
  /// a column beside them may be added with bind tags `tags`.
  std::function<void(const std::string& frame_rows, const tk::Obj& tags)>
      rows_made;
  /// The values of rows `rows` changed.
  std::function<void(const std::vector<size_t>& rows)> rows_changed;
  /// The folder BUSCAR's chooser starts in; "" (or none) lets Tk choose.
  std::function<std::string()> chooser_dir;
  /// Asked before the project at `folder` opens (once it is known to be
  /// one): how it opens. None: for editing.
  std::function<ProjectAccess(const std::string& folder)> access;
};

class HeightsTab {
 public:
  /// Builds the tab's widgets in the (existing) frame `tab` of notebook
  /// `notebook`. The measurement file is read through `fs` and saved
  /// through `exchange`, on a thread of its own.
  HeightsTab(Ui& ui, FileSystem& fs, OpenProject& project,
             const Catalogue& catalogue, std::string notebook, std::string tab,
             FileExchange& exchange, HeightsTabHooks hooks);
  /// Finishes the saves still running (MeasurementSync).
  ~HeightsTab();
  HeightsTab(const HeightsTab&) = delete;
  HeightsTab& operator=(const HeightsTab&) = delete;

  /// BUSCAR (with a folder picture): asks for a folder and opens it as the
  /// project.
  void seleccionar_directorio_trabajo();
  /// Detects the codes of the project that `chosen` is or is inside of and
  /// builds its table; only then do the project and the folder label take
  /// the project's root. When the folder
  /// is not a project (ProjectLayout::IsProject), cannot be read or holds
  /// too many points, an error box says why and the previous project, label
  /// and table stay; so they do when HeightsTabHooks::access, asked next,
  /// answers kNone. Opened read only, the label says "(SOLO LECTURA)", the
  /// cells take no edits and the measurement file is never written.
  /// Returns whether it opened.
  bool LoadProject(const std::string& chosen);

  // Row events (the combobox selections of row `idx`): each takes the
  // chosen value into the row and offers the choices that depend on it.
  void OnRowTypeChange(size_t idx);
  void OnRowAccChange(size_t idx);
  void OnRowRecChange(size_t idx);
  /// Ctrl+D: receiver, type, accessory and reference of the row above.
  void CopyRowAbove(size_t idx);
  /// Gives every empty row (no type, accessory, reference or height) the
  /// receiver, type, accessory and reference of row `idx`.
  void CopyEquipmentToEmptyRows(size_t idx);
  /// Waits for the measurement file's writes to finish and reports their
  /// outcome (which otherwise shows a moment later, from the event loop).
  void WaitForSaves();
  /// Before the window closes: waits for the writes, merges a file changed
  /// outside the program meanwhile (MeasurementSync) and, when the last
  /// write failed, tries once more with what the table shows. Returns the
  /// outcome of the last write (OK when there was nothing to write); shows no
  /// box.
  Status FinishSaves();

  const MeasurementTable& table() const { return table_; }
  const std::vector<RowCells>& cells() const { return cells_; }

  // Widget paths, for the rooms beside the table and the window tests.
  const std::string& tab() const { return tab_; }
  const std::string& folder_label() const { return folder_label_; }
  const std::string& canvas() const { return canvas_; }
  const std::string& scrollbar() const { return scroll_; }
  const std::string& frame_rows() const { return frame_rows_; }
  const std::string& frame_headers() const { return frame_headers_; }
  /// The frame under the table that holds the status line and the buttons
  /// (grid: row 0 the status line, row 1 the buttons).
  const std::string& bottom_frame() const { return bottom_frame_; }
  /// The bind tag of every widget of the table area.
  static constexpr const char* kTableTag = "ZarvekTabla";

 private:
  void BuildProjectBar();
  void BuildTableArea();
  void RegisterRowCommands();
  /// Ctrl+D and the row menu, which copy a row's equipment.
  void RegisterCopyCommands();
  void StartSync(FileExchange& exchange);

  /// Builds the table of `codes` for the project at `folder`; throws what
  /// Tk throws.
  void BuildTable(const std::string& folder,
                  const std::vector<std::string>& codes);
  /// Reads the measurement file of `folder` and returns the rows' saved
  /// values; its messages wait in file_messages_ until the table shows.
  std::vector<std::optional<RowValues>> RestoreRows(
      const std::string& folder, const std::vector<std::string>& codes);
  /// Creates the headings and the cells of the table's rows in the (new,
  /// not yet shown) frame_rows_.
  void FillRowsFrame();
  void MakeHeadings();
  void MakeRow(size_t idx, const tk::Obj& receivers, const tk::Obj& tipos,
               const tk::Obj& code_font);
  /// The bindings of row `row` (code label `label`, index text `suffix`):
  /// its handlers, Ctrl+D and the row menu.
  void BindRowCells(const RowCells& row, const std::string& label,
                    const std::string& suffix);
  void AlignHeadings();
  /// Makes every cell refuse edits (a read-only project).
  void DisableCells();
  void ShowMessages();
  /// Gives the height cells of the rows whose file height is beyond any
  /// antenna's a red style that goes with their first edit.
  void MarkDoubtfulHeights();
  /// Called with the first table shown behind tab 1 when tab 2 is shown.
  void OnTabShown();

  /// Puts `values` in the row's boxes and the model through the row rules;
  /// the height is left as it is.
  void SetRowValues(size_t idx, const RowValues& values);
  /// Row `idx` becomes `v` with its reference chosen anew: the reference
  /// box offers what the receiver, type and accessory of `v` allow, and
  /// holds the only one when there is a single one.
  void OfferReferences(size_t idx, RowValues v);
  /// The choice lists of the row's accessory and reference boxes.
  void ConfigureBox(const std::string& box,
                    const std::vector<std::string>& values, bool enabled);
  /// `values` as a Tcl list, made once per distinct list.
  const tk::Obj& ChoiceList(const std::vector<std::string>& values);
  /// The height cell of row `idx` changed (typed, pasted, dropped, set).
  void OnHeightChanged(size_t idx);
  /// Rows `rows` changed: the rooms beside them follow, and the
  /// measurement file records them.
  void SaveRows(const std::vector<size_t>& rows);
  /// Shows rows `taken`, which took `rows[idx]` from a file another program
  /// saved, without counting them as edits.
  void ShowTakenRows(const std::vector<size_t>& taken,
                     const std::vector<RowValues>& rows);

  Ui& ui_;
  FileSystem& fs_;
  OpenProject& project_;
  const Catalogue& catalogue_;
  std::string notebook_, tab_;
  HeightsTabHooks hooks_;

  std::string folder_label_, canvas_, scroll_, frame_headers_, frame_rows_,
      bottom_frame_;
  MeasurementTable table_;
  std::vector<RowCells> cells_;

  /// Message boxes (icon, text) waiting for the table to be shown.
  std::vector<PendingMessage> file_messages_;
  std::map<std::string, tk::Obj> choice_lists_;
  /// The row whose code label opened the row menu.
  size_t menu_row_ = 0;
  /// The measurement file, kept in step with table_.
  std::unique_ptr<MeasurementSync> sync_;
  /// True while a table built behind the first tab has not been shown yet.
  bool table_first_show_pending_ = false;
  /// The table being built or shown is read only (ProjectAccess::kReadOnly):
  /// its cells take no edits and the measurement file is never written.
  bool read_only_ = false;
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_HEIGHTS_TAB_TK_H_
