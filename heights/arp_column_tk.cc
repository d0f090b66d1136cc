// The ARP column: see heights/arp_column_tk.h.
#include "heights/arp_column_tk.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "heights/row_rules.h"
#include "text/ascii_text.h"
#include "ui/cell_column_tk.h"

namespace zarvek {
namespace {

// The binding script of the canvas is this name and the pointer's height.
constexpr const char* kHoverCommand = "::zarvek::arp_puntero";

std::string ColorOf(const Ui& ui, ArpState state) {
  switch (state) {
    case ArpState::kImplausible:
      return "#B9770E";
    case ArpState::kFault:
      return ui.color("error");
    case ArpState::kEmpty:
    case ArpState::kPlausible:
      break;
  }
  return "#2C3E50";
}

std::string ItemTag(size_t idx) { return CellTag("arp", idx); }

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
    const std::optional<size_t> row =
        args.size() == 1 ? RowAtHeight(args[0], pitch_) : std::nullopt;
    if (row && pointed_) pointed_(*row);
    return std::string();
  });
}

void ArpColumn::MakeColumn(const std::string& frame_rows) {
  const size_t rows = table_.size();
  const tk::Obj font = tk::Obj::List({ui_.family(), "10"});
  cells_.assign(rows, RowArp{});
  for (size_t idx = 0; idx < rows; ++idx)
    cells_[idx] = DescribeRowArp(table_.values(idx), catalogue_);
  // Wide enough for the widest height that converts.
  const CellColumn column = MakeCellColumn(
      ui_, frame_rows, "arp", kArpColumn, rows, font, "-1000.0000",
      tk::Obj::List({frame_rows + ".arp", table_tag_, "Canvas", ".", "all"}),
      kHoverCommand, [this](size_t idx) {
        return std::pair<std::string, std::string>(
            cells_[idx].cell, ColorOf(ui_, cells_[idx].state));
      });
  canvas_ = column.canvas;
  pitch_ = column.pitch;
}

void ArpColumn::RowsChanged(const std::vector<size_t>& rows) {
  for (size_t idx : rows) UpdateCell(idx);
}

void ArpColumn::UpdateCell(size_t idx) {
  if (idx >= cells_.size() || idx >= table_.size()) return;
  RowArp arp = DescribeRowArp(table_.values(idx), catalogue_);
  if (arp.cell != cells_[idx].cell || arp.state != cells_[idx].state) {
    ui_.tk().Call({canvas_, "itemconfigure", ItemTag(idx), "-text", arp.cell,
                   "-fill", ColorOf(ui_, arp.state)});
  }
  cells_[idx] = std::move(arp);
}

std::string ArpColumn::LineOf(size_t idx) const {
  return idx < cells_.size() && idx < table_.size() ? cells_[idx].line
                                                    : std::string();
}

}  // namespace zarvek
