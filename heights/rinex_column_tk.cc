// The RINEX column: see heights/rinex_column_tk.h.
#include "heights/rinex_column_tk.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "heights/conversion.h"
#include "heights/decimal.h"
#include "heights/rinex_files.h"
#include "heights/rinex_header.h"
#include "heights/rinex_verdict.h"
#include "heights/row_rules.h"
#include "text/ascii_text.h"
#include "ui/cell_column_tk.h"

namespace zarvek {
namespace {

// Tcl commands of the column; a binding script is the name and the row
// index, nothing else.
constexpr const char* kHoverCommand = "::zarvek::rinex_puntero";
constexpr const char* kFocusCommand = "::zarvek::rinex_foco";
// The status line keeps two lines of height, so that the table above it
// does not move as its text changes.
constexpr int kStatusLines = 2;

const char* ColorOf(RinexState state) {
  switch (state) {
    case RinexState::kMatch:
      return "#27AE60";
    case RinexState::kCorrected:  // a darker green: right, but in CORREGIDO
      return "#117A65";
    case RinexState::kMismatch:
      return "#C0392B";
    case RinexState::kUnreadable:
      return "#B9770E";
    case RinexState::kNoFiles:
    case RinexState::kEmpty:
      break;
  }
  return "#7F8C8D";
}

// The number at the end of `path` (".h12" -> 12), if any.
bool RowOfCell(const std::string& path, size_t* idx) {
  size_t start = path.size();
  while (start > 0 && path[start - 1] >= '0' && path[start - 1] <= '9') --start;
  if (start == path.size()) return false;
  auto [end, ec] =
      std::from_chars(path.data() + start, path.data() + path.size(), *idx);
  return ec == std::errc() && end == path.data() + path.size();
}

// The reason on one line: its lines joined by " · ".
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += " · ";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

RinexColumn::RinexColumn(Ui& ui, FileSystem& fs, const MeasurementTable& table,
                         OpenProject& project, const Catalogue& catalogue,
                         const std::string& bottom, const std::string& tag)
    : ui_(ui),
      fs_(fs),
      table_(table),
      project_(project),
      catalogue_(catalogue) {
  tk::Interp& root = ui_.tk();
  const std::string family = ui_.family();
  lbl_rinex_ = bottom + ".estado_rinex";
  const tk::Obj status_font = tk::Obj::List({family, "9"});
  root.Call({"label", lbl_rinex_, "-text", "", "-anchor", "nw", "-justify",
             "left", "-foreground", ui_.color("primary"), "-background",
             ui_.color("bg_main"), "-font", status_font, "-wraplength", 1});
  root.Call({"grid", lbl_rinex_, "-row", 0, "-column", 0, "-columnspan", 2,
             "-sticky", "new", "-pady", tk::Obj::List({"0", "6"})});
  // The line is as high as its wrapped text, and never lower than
  // kStatusLines lines, so that the table above it does not move as short
  // texts change.
  root.Call(
      {"grid", "rowconfigure", bottom, 0, "-minsize",
       kStatusLines * ui_.Int({"font", "metrics", status_font, "-linespace"}) +
           6});
  // The text wraps inside the width the line is given, less the label's
  // border and padding on both sides; with the wrap length at 1 until then
  // its requested width never pushes the window wider.
  root.Call({"bind", lbl_rinex_, "<Configure>",
             ui_.Bind("ajustar_estado_rinex", [this] {
               tk::Interp& root = ui_.tk();
               int inset = 0;
               for (const char* option :
                    {"-borderwidth", "-padx", "-highlightthickness"})
                 inset +=
                     2 * ui_.Int({"winfo", "pixels", lbl_rinex_,
                                  root.Call({lbl_rinex_, "cget", option})});
               const int wrap =
                   std::max(1, ui_.Int({"winfo", "width", lbl_rinex_}) - inset);
               if (root.Call({lbl_rinex_, "cget", "-wraplength"}) !=
                   DecimalText(wrap))
                 root.Call({lbl_rinex_, "configure", "-wraplength", wrap});
             })});

  btn_rinex_ = bottom + ".btn_rinex";
  // clang-format off
  root.Call({"button", btn_rinex_, "-text", "CORREGIR RINEX",
             "-bg", ui_.color("tab_bg"), "-fg", "white",
             "-activebackground", ui_.color("primary"), "-activeforeground", "white",
             "-disabledforeground", "#ECF0F1",
             "-font", tk::Obj::List({family, "11", "bold"}),
             "-relief", "flat", "-width", 16, "-height", 2, "-takefocus", 1,
             "-state", "disabled",
             "-command", ui_.Bind("corregir_rinex", [this] {
               project_.WhenSettled([this] { CorrectRinex(); });
             })});
  // clang-format on
  root.Call({"grid", btn_rinex_, "-row", 1, "-column", 1, "-sticky", "ns",
             "-padx", tk::Obj::List({"10", "0"})});

  root.Command(kHoverCommand, [this](const std::vector<std::string>& args) {
    size_t y = 0;
    if (args.size() == 1 && RowOfCell(args[0], &y))
      ShowRow(y / static_cast<size_t>(pitch_));
    return std::string();
  });
  root.Command(kFocusCommand, [this](const std::vector<std::string>&) {
    tk::Interp& root = ui_.tk();
    const std::string widget = root.Call({"focus"});
    size_t idx = 0;
    if (!widget.empty() && !frame_rows_.empty() &&
        root.Call({"winfo", "parent", widget}) == frame_rows_ &&
        RowOfCell(widget, &idx)) {
      ShowRow(idx);
    }
    return std::string();
  });
  // Added to the table's focus binding, which keeps the cell in view.
  root.Call({"bind", tag, "<FocusIn>", "+" + std::string(kFocusCommand)});
}

void RinexColumn::ShowRow(size_t idx) {
  if (idx >= verdicts_.size() || idx == shown_row_) return;
  shown_row_ = idx;
  ShowStatus();
}

void RinexColumn::SetRowLine(std::function<std::string(size_t)> row_line) {
  row_line_ = std::move(row_line);
}

void RinexColumn::MakeColumn(const std::string& frame_rows,
                             const tk::Obj& tags) {
  frame_rows_ = frame_rows;
  const size_t rows = table_.size();
  // New cells are blank, as a fresh verdict is.
  files_.assign(rows, PointRinexFiles{});
  verdicts_.assign(rows, RinexVerdict{});
  shown_row_ = static_cast<size_t>(-1);
  const tk::Obj font = tk::Obj::List({ui_.family(), "10", "bold"});
  // Wide enough for the widest verdict, "✗" and a height of two digits.
  const CellColumn column =
      MakeCellColumn(ui_, frame_rows_, "rinex", kRinexColumn, rows, font,
                     "✗ 00.0000", tags, kHoverCommand);
  canvas_ = column.canvas;
  pitch_ = column.pitch;
}

std::optional<RinexRowHeights> RinexColumn::HeightsOf(size_t idx) const {
  const RowValues& v = table_.values(idx);
  // As the report: a row converts when its five inputs are filled.
  if (!MeasurementTable::IsComplete(v)) return std::nullopt;
  const ReceiverSpec* spec = FindReceiver(catalogue_, v.rec);
  if (spec == nullptr) return std::nullopt;
  const std::optional<Conversion> conversion =
      calcular_arp_y_fase(v.h, v.tipo, v.ref, *spec);
  if (!conversion || conversion->mode.empty()) return std::nullopt;
  return RinexRowHeights{conversion->arp, conversion->phase_center,
                         conversion->vals.Hm};
}

void RinexColumn::ReadRinex() {
  const size_t rows = table_.size();
  // Without rows no column was made, and nothing is left of the last one.
  if (rows != verdicts_.size()) verdicts_.assign(rows, RinexVerdict{});
  files_.assign(rows, PointRinexFiles{});
  if (shown_row_ >= rows) shown_row_ = static_cast<size_t>(-1);
  if (rows > 0 && project_.is_open()) {
    std::map<std::string, PointRinexFiles> read =
        CheckProjectRinex(fs_, project_.folder());
    for (size_t idx = 0; idx < rows; ++idx) {
      auto it = read.find(table_.at(idx).codigo);
      if (it != read.end()) files_[idx] = std::move(it->second);
    }
  }
  for (size_t idx = 0; idx < rows; ++idx) UpdateCell(idx);
  ShowStatus();
}

void RinexColumn::RowsChanged(const std::vector<size_t>& rows) {
  for (size_t idx : rows) UpdateCell(idx);
  ShowStatus();
}

void RinexColumn::UpdateCell(size_t idx) {
  if (idx >= verdicts_.size() || idx >= table_.size()) return;
  RinexVerdict verdict = JudgeRinexPoint(files_[idx], HeightsOf(idx));
  if (verdict.cell != verdicts_[idx].cell ||
      verdict.state != verdicts_[idx].state) {
    ui_.tk().Call({canvas_, "itemconfigure", CellTag("rinex", idx),
                   "-text", verdict.cell, "-fill", ColorOf(verdict.state)});
  }
  verdicts_[idx] = std::move(verdict);
}

void RinexColumn::ShowStatus() {
  tk::Interp& root = ui_.tk();
  size_t matches = 0, corrected = 0, mismatches = 0, unreadable = 0, none = 0;
  bool correctable = false;
  for (const RinexVerdict& v : verdicts_) {
    switch (v.state) {
      case RinexState::kMatch:
        ++matches;
        break;
      case RinexState::kCorrected:
        ++corrected;
        break;
      case RinexState::kMismatch:
        ++mismatches;
        correctable |= !v.to_correct.empty() || !v.to_copy.empty();
        break;
      case RinexState::kUnreadable:
        ++unreadable;
        break;
      case RinexState::kNoFiles:
        ++none;
        break;
      case RinexState::kEmpty:
        break;
    }
  }
  std::string text;
  const bool shown = shown_row_ < verdicts_.size();
  // The shown row's line from the other column comes first; the RINEX
  // reason, or the summary, under it.
  const std::string row_line =
      shown && row_line_ ? row_line_(shown_row_) : std::string();
  if (shown && !verdicts_[shown_row_].reason.empty()) {
    text = (row_line.empty()
                ? "RINEX DEL PUNTO " + table_.at(shown_row_).codigo + ": "
                : "RINEX: ") +
           OneLine(verdicts_[shown_row_].reason);
  } else if (!verdicts_.empty()) {
    text = "RINEX: " + DecimalText(matches) + " ✓ · " + DecimalText(corrected) +
           " ✓ C · " + DecimalText(mismatches) + " ✗ · " +
           DecimalText(unreadable) + " ? · " + DecimalText(none) +
           " — SIN ARCHIVO DE OBSERVACIÓN.";
    if (mismatches + unreadable > 0) {
      text +=
          " EL MOTIVO DE CADA PUNTO SE VE AQUÍ AL ENTRAR EN SU FILA O AL "
          "PASAR EL RATÓN POR SU CELDA RINEX.";
    }
  }
  if (!row_line.empty()) {
    text =
        "PUNTO " + table_.at(shown_row_).codigo + ": " + row_line + "\n" + text;
  }
  if (text != status_text_) {
    root.Call({lbl_rinex_, "configure", "-text", text});
    status_text_ = text;
  }
  // Disabled, the button turns grey: there is nothing to correct.
  const char* state = correctable ? "normal" : "disabled";
  if (root.Call({btn_rinex_, "cget", "-state"}) != state) {
    root.Call({btn_rinex_, "configure", "-state", state, "-bg",
               ui_.color(correctable ? "accent" : "tab_bg")});
  }
}

void RinexColumn::CorrectRinex() {
  tk::Interp& root = ui_.tk();
  for (size_t idx = 0; idx < verdicts_.size(); ++idx) UpdateCell(idx);
  std::vector<RinexCorrectionRow> rows;
  rows.reserve(verdicts_.size());
  for (size_t idx = 0; idx < verdicts_.size(); ++idx) {
    const std::optional<RinexRowHeights> heights = HeightsOf(idx);
    rows.push_back(
        {table_.at(idx).codigo, verdicts_[idx], files_[idx],
         heights ? std::optional<double>(heights->arp) : std::nullopt});
  }
  const RinexCorrectionPlan plan = PlanRinexCorrections(rows);
  ShowStatus();
  if (!plan.points.empty()) {
    const std::string answer = root.Call(
        {"tk_messageBox", "-type", "yesno", "-default", "no", "-icon",
         "question", "-title", "CORREGIR RINEX", "-message",
         "EL DELTA H DE ESTOS PUNTOS NO ES SU ALTURA ARP. SE ESCRIBIRÁ UNA "
         "COPIA CORREGIDA DE CADA ARCHIVO EN RINEX/CORREGIDO, Y UNA SIN "
         "CAMBIOS DE LOS QUE YA ESTÁN BIEN, PARA QUE ESA CARPETA TENGA TODOS "
         "LOS DEL PUNTO; LOS ORIGINALES NO SE MODIFICAN." +
             plan.listing + "\n\n¿ESCRIBIR LAS COPIAS?"});
    if (answer != "yes") return;
  }
  // The failures to write come first: the box shows only its first lines.
  std::vector<std::string> errors;
  const size_t written = WriteCopies(plan, &errors);
  errors.insert(errors.end(), plan.errors.begin(), plan.errors.end());
  ShowStatus();
  if (!errors.empty()) {
    ui_.ErrorBox(RinexCorrectionErrorText(errors, written));
    return;
  }
  root.Call({"tk_messageBox", "-icon", "info", "-title", "CORREGIR RINEX",
             "-message", RinexCopiesWrittenText(written, plan.points.size())});
}

std::vector<PointRinexState> RinexColumn::States() const {
  std::vector<PointRinexState> states;
  for (size_t idx = 0; idx < verdicts_.size() && idx < table_.size(); ++idx)
    states.push_back({table_.at(idx).codigo, verdicts_[idx].state});
  return states;
}

size_t RinexColumn::WriteCopies(const RinexCorrectionPlan& plan,
                                std::vector<std::string>* errors) {
  size_t written = 0;
  for (const RinexCorrectionPoint& point : plan.points) {
    auto count = [&](const Status& status) {
      if (status.ok()) {
        ++written;
      } else {
        errors->push_back(status.message());
      }
    };
    for (const std::string& name : point.names)
      count(WriteCorrectedCopy(fs_, point.folder, name, point.arp, nullptr));
    for (const std::string& name : point.unchanged)
      count(WriteUnchangedCopy(fs_, point.folder, name, nullptr));
    // The point's folder is read again: the cell now judges the copies.
    files_[point.row] = CheckRinexFolder(fs_, point.folder);
    UpdateCell(point.row);
  }
  return written;
}

std::string RinexColumn::CellText(const std::string& code) const {
  for (size_t idx = 0; idx < verdicts_.size() && idx < table_.size(); ++idx) {
    if (table_.at(idx).codigo == code) return verdicts_[idx].cell;
  }
  return "";
}

}  // namespace zarvek
