// The ARP column: see heights/arp_column_tk.h.
#include "heights/arp_column_tk.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "heights/row_rules.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

// The binding script of the canvas is this name and the pointer's height.
constexpr const char* kHoverCommand = "::zarvek::arp_puntero";

const char* ColorOf(ArpState state) {
  switch (state) {
    case ArpState::kImplausible:
      return "#B9770E";
    case ArpState::kFault:
      return "#C0392B";
    case ArpState::kEmpty:
    case ArpState::kPlausible:
      break;
  }
  return "#2C3E50";
}

std::string ItemTag(size_t idx) { return "arp" + DecimalText(idx); }

}  // namespace

ArpColumn::ArpColumn(Ui& ui, const MeasurementTable& table,
                     const Catalogue& catalogue, std::string table_tag,
                     std::function<void(size_t)> pointed)
    : ui_(ui),
      table_(table),
      catalogue_(catalogue),
      table_tag_(std::move(table_tag)),
      pointed_(std::move(pointed)) {
  ui_.tk().Command(kHoverCommand, [this](const std::vector<std::string>& args) {
    int y = 0;
    if (args.size() == 1 && pointed_) {
      const std::string& text = args[0];
      auto [end, ec] =
          std::from_chars(text.data(), text.data() + text.size(), y);
      if (ec == std::errc() && end == text.data() + text.size() && y >= 0)
        pointed_(static_cast<size_t>(y / pitch_));
    }
    return std::string();
  });
}

void ArpColumn::MakeColumn(const std::string& frame_rows) {
  tk::Interp& root = ui_.tk();
  canvas_ = frame_rows + ".arp";
  const size_t rows = table_.size();
  const tk::Obj font = tk::Obj::List({ui_.family(), "10"});
  // Wide enough for the widest height that converts.
  const int width = ui_.Int({"font", "measure", font, "-1000.0000"}) + 10;
  // The rows hold the same cells, so they are all as high as the first:
  // row i's middle is i + 1/2 pitches below the first row's top.
  const std::vector<std::string> first =
      root.SplitList(root.Call({"grid", "bbox", frame_rows, 0, 0}));
  const std::vector<std::string> last =
      root.SplitList(root.Call({"grid", "bbox", frame_rows, 0, rows - 1}));
  pitch_ = 1;
  if (first.size() == 4 && last.size() == 4) {
    const int top = IntFromReply(first[1], "grid bbox");
    pitch_ = std::max(1, rows > 1 ? (IntFromReply(last[1], "grid bbox") - top) /
                                        static_cast<int>(rows - 1)
                                  : IntFromReply(first[3], "grid bbox"));
  }
  root.Call({"canvas", canvas_, "-width", width, "-height", 0, "-background",
             "white", "-highlightthickness", 0, "-borderwidth", 0, "-takefocus",
             0});
  root.Call({"bindtags", canvas_,
             tk::Obj::List({canvas_, table_tag_, "Canvas", ".", "all"})});
  root.Call({"grid", canvas_, "-row", 0, "-column", kArpColumn, "-rowspan",
             rows, "-sticky", "ns", "-padx", 5});
  cells_.assign(rows, RowArp{});
  for (size_t idx = 0; idx < rows; ++idx) {
    RowArp arp = DescribeRowArp(table_.values(idx), catalogue_);
    root.Call({canvas_, "create", "text", width / 2,
               static_cast<int>(idx) * pitch_ + pitch_ / 2, "-text", arp.cell,
               "-fill", ColorOf(arp.state), "-font", font, "-tags",
               ItemTag(idx)});
    cells_[idx] = std::move(arp);
  }
  // %y, an integer, is the pointer's height in the column.
  root.Call({"bind", canvas_, "<Motion>", std::string(kHoverCommand) + " %y"});
}

void ArpColumn::RowsChanged(const std::vector<size_t>& rows) {
  for (size_t idx : rows) UpdateCell(idx);
}

void ArpColumn::UpdateCell(size_t idx) {
  if (idx >= cells_.size() || idx >= table_.size()) return;
  RowArp arp = DescribeRowArp(table_.values(idx), catalogue_);
  if (arp.cell != cells_[idx].cell || arp.state != cells_[idx].state) {
    ui_.tk().Call({canvas_, "itemconfigure", ItemTag(idx), "-text", arp.cell,
                   "-fill", ColorOf(arp.state)});
  }
  cells_[idx] = std::move(arp);
}

std::string ArpColumn::LineOf(size_t idx) const {
  return idx < cells_.size() && idx < table_.size() ? cells_[idx].line
                                                    : std::string();
}

}  // namespace zarvek
