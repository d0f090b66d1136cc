// A column of text cells beside the rows of a table: one canvas gridded at
// the rows' side, spanning them all, with one text item per row. A canvas
// item is no window, so such a column adds nothing to what X maps (a widget
// per cell costs about 220 ms on a 1,000-row table).
#ifndef ZARVEK_UI_CELL_COLUMN_TK_H_
#define ZARVEK_UI_CELL_COLUMN_TK_H_

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

#include "ui/ui_tk.h"

namespace zarvek {

/// What a column was made with.
struct CellColumn {
  std::string canvas;
  int width = 0;  ///< of the canvas, in pixels
  int pitch = 1;  ///< height of a row, in pixels: row i is at [i, i + 1)
};

/// The text item tag of row `idx` in a column whose tags start `prefix`.
std::string CellTag(const std::string& prefix, size_t idx);

/// Makes the canvas `frame_rows`.`name` at grid column `column` beside the
/// laid-out rows of `frame_rows` (all of the same height, as the table's
/// are), wide enough for `widest` in `font`, with bind tags `tags`, and one
/// text item per row tagged CellTag(name, idx), holding the text and colour
/// `first(idx)` gives (empty and black without it). The pointer's height
/// goes to Tcl command `hover` (as its one integer argument) as it moves.
CellColumn MakeCellColumn(
    Ui& ui, const std::string& frame_rows, const std::string& name, int column,
    size_t rows, const tk::Obj& font, const std::string& widest,
    const tk::Obj& tags, const std::string& hover,
    const std::function<std::pair<std::string, std::string>(size_t)>& first =
        nullptr);

}  // namespace zarvek

#endif  // ZARVEK_UI_CELL_COLUMN_TK_H_
