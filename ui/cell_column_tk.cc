#include "ui/cell_column_tk.h"

#include <algorithm>
#include <vector>

namespace zarvek {

std::string CellTag(const std::string& prefix, size_t idx) {
  return prefix + std::to_string(idx);
}

CellColumn MakeCellColumn(
    Ui& ui, const std::string& frame_rows, const std::string& name, int column,
    size_t rows, const tk::Obj& font, const std::string& widest,
    const tk::Obj& tags, const std::string& hover,
    const std::function<std::pair<std::string, std::string>(size_t)>& first) {
  tk::Interp& root = ui.tk();
  CellColumn made;
  made.canvas = frame_rows + "." + name;
  made.width = ui.Int({"font", "measure", font, widest}) + 10;
  // The rows hold the same cells, so they are all as high as the first:
  // row i's middle is i + 1/2 pitches below the first row's top.
  const std::vector<std::string> top_row =
      root.SplitList(root.Call({"grid", "bbox", frame_rows, 0, 0}));
  const std::vector<std::string> last =
      root.SplitList(root.Call({"grid", "bbox", frame_rows, 0, rows - 1}));
  if (top_row.size() == 4 && last.size() == 4) {
    const int top = IntFromReply(top_row[1], "grid bbox");
    made.pitch =
        std::max(1, rows > 1 ? (IntFromReply(last[1], "grid bbox") - top) /
                                   static_cast<int>(rows - 1)
                             : IntFromReply(top_row[3], "grid bbox"));
  }
  root.Call({"canvas", made.canvas, "-width", made.width, "-height", 0,
             "-background", "white", "-highlightthickness", 0, "-borderwidth",
             0, "-takefocus", 0});
  root.Call({"bindtags", made.canvas, tags});
  root.Call({"grid", made.canvas, "-row", 0, "-column", column, "-rowspan",
             rows, "-sticky", "ns", "-padx", 5});
  for (size_t idx = 0; idx < rows; ++idx) {
    const auto [text, fill] =
        first ? first(idx) : std::pair<std::string, std::string>("", "black");
    root.Call({made.canvas, "create", "text", made.width / 2,
               static_cast<int>(idx) * made.pitch + made.pitch / 2, "-text",
               text, "-fill", fill, "-font", font, "-tags",
               CellTag(name, idx)});
  }
  // %y, an integer, is the pointer's height in the column.
  root.Call({"bind", made.canvas, "<Motion>", hover + " %y"});
  return made;
}

}  // namespace zarvek
