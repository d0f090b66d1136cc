// The ARP column of the measurement table: each row's ARP height as soon as
// its five inputs are there, with 4 decimals; orange when it lies outside the
// plausible range, "ERROR" in red when the height does not convert. The
// status line under the table explains the row in focus (the formula, the
// phase-centre height or the reason); its text comes from LineOf.
//
// The cells are text items of one canvas beside the rows, like the RINEX
// column's: a canvas item is no X window, so the column adds nothing to what
// X maps when a large table is built.
#ifndef ZARVEK_HEIGHTS_ARP_COLUMN_TK_H_
#define ZARVEK_HEIGHTS_ARP_COLUMN_TK_H_

#include <functional>
#include <string>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "heights/row_arp.h"
#include "ui/ui_tk.h"

namespace zarvek {

class ArpColumn {
 public:
  /// The column reads the rows from `table`; its canvas carries bind tag
  /// `table_tag` after its own name; resting the pointer on row i's cell
  /// calls `pointed(i)`.
  ArpColumn(Ui& ui, const MeasurementTable& table, const Catalogue& catalogue,
            std::string table_tag, std::function<void(size_t)> pointed);
  ArpColumn(const ArpColumn&) = delete;
  ArpColumn& operator=(const ArpColumn&) = delete;

  /// Creates the column beside the laid-out rows of `frame_rows`, filled.
  void MakeColumn(const std::string& frame_rows);
  /// Shows rows `rows` again from the table.
  void RowsChanged(const std::vector<size_t>& rows);
  /// The explanation of row `idx` for the status line (see RowArp::line);
  /// empty while the row is incomplete.
  std::string LineOf(size_t idx) const;

  /// The canvas, for the window tests; the item of row i has tag "arp<i>".
  const std::string& canvas() const { return canvas_; }

 private:
  /// Shows row `idx` again when its text or colour changed.
  void UpdateCell(size_t idx);

  Ui& ui_;
  const MeasurementTable& table_;
  const Catalogue& catalogue_;
  std::string table_tag_;
  std::function<void(size_t)> pointed_;
  std::string canvas_;
  /// What each row's cell shows.
  std::vector<RowArp> cells_;
  /// Height in pixels of a table row, as the canvas places its items.
  int pitch_ = 1;
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_ARP_COLUMN_TK_H_
