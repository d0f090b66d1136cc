// The RINEX column: see heights/rinex_column_tk.h.
#include "heights/rinex_column_tk.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "heights/conversion.h"
#include "heights/row_result.h"
#include "heights/row_rules.h"
#include "rinex/misfiled.h"
#include "rinex/rinex_files.h"
#include "rinex/rinex_header.h"
#include "rinex/rinex_verdict.h"
#include "text/ascii_text.h"
#include "text/decimal.h"
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

std::string ColorOf(const Ui& ui, RinexState state) {
  switch (state) {
    case RinexState::kMatch:
      return "#27AE60";
    case RinexState::kCorrected:  // a darker green: right, but in CORREGIDO
      return "#117A65";
    case RinexState::kMismatch:
      return ui.color("error");
    case RinexState::kUnreadable:
      return "#B9770E";
    case RinexState::kNoFiles:
    case RinexState::kEmpty:
    case RinexState::kPending:
      break;
  }
  return "#7F8C8D";
}

// The row of a table cell widget, the number its path ends with
// (".rows.h12" -> 12), if any.
std::optional<size_t> RowOfCellWidget(const std::string& path) {
  size_t start = path.size();
  while (start > 0 && path[start - 1] >= '0' && path[start - 1] <= '9') --start;
  return RowIndexArg(std::string_view(path).substr(start));
}

// How many points' verdicts are in each state, and whether any mismatch
// has files to correct or copy.
struct RinexTally {
  size_t matches = 0, corrected = 0, mismatches = 0, unreadable = 0, none = 0,
         pending = 0;
  bool correctable = false;
};

RinexTally CountVerdicts(const std::vector<RinexVerdict>& verdicts) {
  RinexTally t;
  for (const RinexVerdict& v : verdicts) {
    switch (v.state) {
      case RinexState::kMatch:
        ++t.matches;
        break;
      case RinexState::kCorrected:
        ++t.corrected;
        break;
      case RinexState::kMismatch:
        ++t.mismatches;
        t.correctable |= !v.to_correct.empty() || !v.to_copy.empty();
        break;
      case RinexState::kUnreadable:
        ++t.unreadable;
        break;
      case RinexState::kNoFiles:
        ++t.none;
        break;
      case RinexState::kPending:
        ++t.pending;
        break;
      case RinexState::kEmpty:
        break;
    }
  }
  return t;
}

// The status line's summary of the column, while no row's reason is shown.
std::string SummaryText(const RinexTally& t, bool correcting) {
  std::string text = "RINEX: " + DecimalText(t.matches) + " ✓ · " +
                     DecimalText(t.corrected) + " ✓ C · " +
                     DecimalText(t.mismatches) + " ✗ · " +
                     DecimalText(t.unreadable) + " ? · " + DecimalText(t.none) +
                     " — SIN ARCHIVO DE OBSERVACIÓN.";
  if (t.pending > 0 && !correcting) {
    text += " LEYENDO: " + DecimalText(t.pending) + " … SIN COMPROBAR TODAVÍA.";
  }
  if (t.mismatches + t.unreadable > 0) {
    text +=
        " EL MOTIVO DE CADA PUNTO SE VE AQUÍ AL ENTRAR EN SU FILA O AL "
        "PASAR EL RATÓN POR SU CELDA RINEX.";
  }
  return text;
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
      catalogue_(catalogue),
      background_(ui, "rinex_en_segundo_plano") {
  BuildStatusLine(bottom);
  BuildCorrectButton(bottom);
  BuildProgress(bottom);
  WireRowStatus(tag);
}

void RinexColumn::BuildStatusLine(const std::string& bottom) {
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
}

void RinexColumn::BuildCorrectButton(const std::string& bottom) {
  tk::Interp& root = ui_.tk();
  const std::string family = ui_.family();
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
}

void RinexColumn::BuildProgress(const std::string& bottom) {
  tk::Interp& root = ui_.tk();
  const std::string family = ui_.family();
  // The progress of CORREGIR RINEX, under the buttons while it runs.
  progress_frame_ = bottom + ".progreso_rinex";
  progress_bar_ = progress_frame_ + ".barra";
  progress_label_ = progress_frame_ + ".texto";
  btn_cancel_ = progress_frame_ + ".cancelar";
  root.Call({"frame", progress_frame_, "-background", ui_.color("bg_main")});
  root.Call({"ttk::progressbar", progress_bar_, "-mode", "determinate",
             "-orient", "horizontal"});
  root.Call({"label", progress_label_, "-text", "", "-background",
             ui_.color("bg_main"), "-foreground", ui_.color("primary"), "-font",
             tk::Obj::List({family, "10", "bold"})});
  root.Call({"button", btn_cancel_, "-text", "CANCELAR", "-takefocus", 0,
             "-command", ui_.Bind("cancelar_rinex", [this] {
               cancel_ = true;
               ui_.tk().Call({btn_cancel_, "configure", "-state", "disabled"});
             })});
  root.Call({"pack", progress_label_, "-side", "left", "-padx",
             tk::Obj::List({"0", "10"})});
  root.Call({"pack", btn_cancel_, "-side", "right"});
  root.Call({"pack", progress_bar_, "-side", "left", "-fill", "x", "-expand", 1,
             "-padx", tk::Obj::List({"0", "10"})});
}

void RinexColumn::WireRowStatus(const std::string& tag) {
  tk::Interp& root = ui_.tk();
  root.Command(kHoverCommand, [this](const std::vector<std::string>& args) {
    const std::optional<size_t> row =
        args.size() == 1 ? RowAtHeight(args[0], pitch_) : std::nullopt;
    if (row) ShowRow(*row);
    return std::string();
  });
  root.Command(kFocusCommand, [this](const std::vector<std::string>&) {
    tk::Interp& root = ui_.tk();
    const std::string widget = root.Call({"focus"});
    if (!widget.empty() && !frame_rows_.empty() &&
        root.Call({"winfo", "parent", widget}) == frame_rows_) {
      if (const std::optional<size_t> row = RowOfCellWidget(widget))
        ShowRow(*row);
    }
    return std::string();
  });
  // Added to the table's focus binding, which keeps the cell in view.
  root.Call({"bind", tag, "<FocusIn>", "+" + std::string(kFocusCommand)});
}

RinexColumn::~RinexColumn() {
  // A copy under way stops after its block, a reading after its piece;
  // background_ waits for them.
  cancel_ = true;
  closing_ = true;
}

void RinexColumn::Finish() {
  // What a finished job hands back may post more jobs (the points after the
  // project's listing, the end of a run after its copies).
  do {
    background_.Finish();
  } while (background_.Busy());
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
  // New cells are blank, as a fresh verdict is; their points are not read
  // yet, and what a reading for the old rows brings is dropped.
  ++generation_;
  reads_outstanding_ = 0;
  if (!correcting_) background_.DropPending();
  files_.assign(rows, PointRinexFiles{});
  verdicts_.assign(rows, RinexVerdict{});
  read_.assign(rows, false);
  misfiled_.clear();
  drawn_.assign(rows, std::string());
  shown_row_ = static_cast<size_t>(-1);
  const tk::Obj font = tk::Obj::List({ui_.family(), "10", "bold"});
  // Wide enough for the widest text a verdict shows, in this font.
  std::string widest;
  int widest_px = -1;
  // A cell may carry the mark of files that look like another point's:
  // whole after the verdicts without a height; after a height it may be
  // cut in the cell, as a wide height is, and is whole in the status line.
  std::vector<std::string> texts = RinexCellTexts();
  for (const char* cell : {"✓", "✓ C", "✗ C", "✗ COPIA"})
    texts.push_back(cell + std::string(" ") + std::string(kMisfiledMark));
  for (const std::string& text : texts) {
    const int px = ui_.Int({"font", "measure", font, text});
    if (px > widest_px) widest_px = px, widest = text;
  }
  const CellColumn column =
      MakeCellColumn(ui_, frame_rows_, "rinex", kRinexColumn, rows, font,
                     widest, tags, kHoverCommand);
  canvas_ = column.canvas;
  pitch_ = column.pitch;
}

std::optional<RinexRowHeights> RinexColumn::HeightsOf(size_t idx) const {
  return RinexHeightsOf(ConvertRow(table_.values(idx), catalogue_));
}

void RinexColumn::ReadRinex() {
  // The copies' run reads its points itself, then everything again.
  if (correcting_) {
    read_after_copies_ = true;
    return;
  }
  const size_t rows = table_.size();
  ++generation_;
  reads_outstanding_ = 0;
  background_.DropPending();
  // Without rows no column was made, and nothing is left of the last one.
  if (rows != verdicts_.size()) {
    verdicts_.assign(rows, RinexVerdict{});
    files_.assign(rows, PointRinexFiles{});
    read_.assign(rows, false);
    misfiled_.clear();
    drawn_.assign(rows, std::string());
  }
  if (shown_row_ >= rows) shown_row_ = static_cast<size_t>(-1);
  if (rows == 0 || !project_.is_open()) {
    files_.assign(rows, PointRinexFiles{});
    read_.assign(rows, true);
  } else {
    // Rows read before keep their cells until their points are read again.
    const unsigned generation = generation_;
    const std::string folder = project_.folder();
    ++reads_outstanding_;
    background_.Run([this, generation, folder]() -> WorkQueue::Done {
      auto folders = std::make_shared<std::map<std::string, std::string>>(
          ProjectRinexFolders(fs_, folder));
      return [this, generation, folders] {
        if (generation != generation_) return;
        --reads_outstanding_;
        ReadPoints(generation, *folders);
      };
    });
  }
  for (size_t idx = 0; idx < rows; ++idx) UpdateCell(idx);
  UpdateMisfiled();
  ShowStatus();
}

void RinexColumn::ReadPoints(
    unsigned generation, const std::map<std::string, std::string>& folders) {
  for (size_t idx = 0; idx < files_.size() && idx < table_.size(); ++idx) {
    auto it = folders.find(table_.at(idx).codigo);
    if (it != folders.end()) {
      ReadPoint(generation, idx, it->second);
    } else {
      files_[idx] = PointRinexFiles{};
      read_[idx] = true;
      UpdateCell(idx);
    }
  }
  UpdateMisfiled();
  ShowStatus();
}

void RinexColumn::ReadPointAgain(const std::string& code,
                                 const std::string& folder) {
  if (correcting_) {
    read_after_copies_ = true;
    return;
  }
  for (size_t idx = 0; idx < files_.size() && idx < table_.size(); ++idx) {
    if (table_.at(idx).codigo == code) ReadPoint(generation_, idx, folder);
  }
}

void RinexColumn::ReadPoint(unsigned generation, size_t idx,
                            const std::string& folder) {
  ++reads_outstanding_;
  background_.Run([this, generation, idx, folder]() -> WorkQueue::Done {
    auto files = std::make_shared<PointRinexFiles>(
        CheckRinexFolder(fs_, folder, &cache_, &closing_));
    return [this, generation, idx, files] {
      if (generation != generation_) return;
      --reads_outstanding_;
      if (idx >= files_.size()) return;
      files_[idx] = std::move(*files);
      read_[idx] = true;
      UpdateCell(idx);
      UpdateMisfiled();
      ShowStatus();
      if (reading_done_ &&
          std::find(read_.begin(), read_.end(), false) == read_.end()) {
        reading_done_();
      }
    };
  });
}

void RinexColumn::RowsChanged(const std::vector<size_t>& rows) {
  for (size_t idx : rows) UpdateCell(idx);
  // A row's receiver decides whether its files' antenna is another model.
  UpdateMisfiled();
  ShowStatus();
}

void RinexColumn::UpdateCell(size_t idx) {
  if (idx >= verdicts_.size() || idx >= table_.size()) return;
  RinexVerdict verdict = JudgeRinexPoint(files_[idx], HeightsOf(idx));
  // A point not read yet is no verdict: no one may take it as checked.
  if (idx < read_.size() && !read_[idx] &&
      verdict.state != RinexState::kEmpty) {
    verdict = RinexVerdict{};
    verdict.state = RinexState::kPending;
    verdict.cell = "…";
    verdict.reason = "SUS ARCHIVOS DE OBSERVACIÓN SE ESTÁN LEYENDO…";
  }
  verdicts_[idx] = std::move(verdict);
  DrawCell(idx);
}

void RinexColumn::DrawCell(size_t idx) {
  if (idx >= verdicts_.size() || idx >= drawn_.size()) return;
  const RinexVerdict& verdict = verdicts_[idx];
  const std::string text =
      verdict.state == RinexState::kPending
          ? verdict.cell
          : WithMisfiledMark(verdict.cell, CellFindings(idx));
  const std::string color = ColorOf(ui_, verdict.state);
  // The text and colour drawn, so that an unchanged cell costs no call.
  const std::string drawn = text + '\n' + color;
  if (drawn == drawn_[idx]) return;
  ui_.tk().Call({canvas_, "itemconfigure", CellTag("rinex", idx), "-text", text,
                 "-fill", color});
  drawn_[idx] = drawn;
}

void RinexColumn::UpdateMisfiled() {
  const size_t rows = std::min(files_.size(), table_.size());
  std::vector<PointMisfiled> found;
  // Medians and shared files are the whole project's: until every point
  // is read, a finding could rest on the few read first.
  const bool all_read = read_.size() >= rows &&
                        std::find(read_.begin(), read_.begin() + rows, false) ==
                            read_.begin() + rows;
  // While points are being read again their cells keep what they showed,
  // and so do their marks, until the last is back.
  if (all_read && reads_outstanding_ > 0) return;
  if (rows > 0 && all_read && project_.is_open()) {
    std::vector<PointFiles> points(rows);
    for (size_t idx = 0; idx < rows; ++idx) {
      points[idx].code = table_.at(idx).codigo;
      points[idx].row_receiver = table_.values(idx).rec;
      for (const RinexFileCheck& file : files_[idx].files) {
        if (file.kind == RinexKind::kObservation)
          points[idx].files.push_back(file.facts);
      }
    }
    found = CheckMisfiled(points, catalogue_);
    // Files that could not be read (or a folder that could not be listed)
    // are files all the same: their "?" says what is wrong with them.
    for (size_t idx = 0; idx < rows; ++idx) {
      if (files_[idx].files.empty() && files_[idx].listing_error.empty())
        continue;
      std::erase_if(found[idx].findings, [](const MisfiledFinding& f) {
        return f.kind == MisfiledKind::kNoFiles;
      });
    }
  }
  misfiled_ = std::move(found);
  for (size_t idx = 0; idx < verdicts_.size(); ++idx) DrawCell(idx);
}

PointMisfiled RinexColumn::CellFindings(size_t idx) const {
  if (idx >= misfiled_.size()) return {};
  PointMisfiled point = misfiled_[idx];
  std::erase_if(point.findings, [](const MisfiledFinding& f) {
    return f.kind == MisfiledKind::kNoFiles;
  });
  return point;
}

std::vector<std::string> RinexColumn::MisfiledTexts(
    const std::string& code) const {
  std::vector<std::string> texts;
  for (size_t idx = 0; idx < misfiled_.size() && idx < table_.size(); ++idx) {
    if (table_.at(idx).codigo != code) continue;
    for (const MisfiledFinding& finding : CellFindings(idx).findings)
      texts.push_back(finding.text);
    break;
  }
  return texts;
}

std::string RinexColumn::RowReason(size_t idx) const {
  std::string reason = OneLine(verdicts_[idx].reason);
  const PointMisfiled findings = CellFindings(idx);
  for (size_t i = 0; i < findings.findings.size(); ++i) {
    if (i == 0) {
      if (!reason.empty()) reason += " · ";
      reason += std::string(kMisfiledMark) + " ";
    } else {
      reason += "; ";
    }
    reason += findings.findings[i].text;
  }
  return reason;
}

std::string RinexColumn::MisfiledSummary() const {
  size_t marked = 0;
  for (size_t idx = 0; idx < misfiled_.size(); ++idx)
    marked += CellFindings(idx).findings.empty() ? 0 : 1;
  if (marked == 0) return "";
  return " " + std::string(kMisfiledMark) + " " + DecimalText(marked) +
         (marked == 1 ? " PUNTO" : " PUNTOS") +
         " CON ARCHIVOS QUE NO PARECEN SUYOS.";
}

void RinexColumn::ShowStatus() {
  tk::Interp& root = ui_.tk();
  const RinexTally tally = CountVerdicts(verdicts_);
  // Copies are made from a complete reading, one run at a time.
  const bool correctable =
      tally.correctable && tally.pending == 0 && !correcting_;
  std::string text;
  const bool shown = shown_row_ < verdicts_.size();
  // The shown row's line from the other column comes first; the RINEX
  // reason, or the summary, under it.
  const std::string row_line =
      shown && row_line_ ? row_line_(shown_row_) : std::string();
  const std::string rinex_line = shown ? RowRinexLine(shown_row_) : "";
  if (!rinex_line.empty()) {
    text = (row_line.empty()
                ? "RINEX DEL PUNTO " + table_.at(shown_row_).codigo + ": "
                : "RINEX: ") +
           rinex_line;
  } else if (!verdicts_.empty()) {
    text = SummaryText(tally, correcting_) + MisfiledSummary();
  }
  if (correcting_) {
    text +=
        "\nCORREGIR RINEX EN CURSO: NO SE PUEDE INICIAR OTRO HASTA QUE "
        "TERMINE; UN REPORTE HECHO AHORA DA SUS PUNTOS (…) POR SIN COMPROBAR.";
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
  // One run at a time, from a complete reading (the button says so too).
  if (correcting_) return;
  // A project open to be read only is another window's to change.
  if (project_.read_only()) {
    ui_.ErrorBox(
        "EL PROYECTO ESTÁ ABIERTO EN SOLO LECTURA: LAS COPIAS CORREGIDAS SE "
        "ESCRIBEN EN LA VENTANA QUE LO TIENE ABIERTO PARA EDITAR.");
    return;
  }
  for (size_t idx = 0; idx < verdicts_.size(); ++idx) UpdateCell(idx);
  for (const RinexVerdict& verdict : verdicts_) {
    if (verdict.state == RinexState::kPending) {
      ShowStatus();
      return;
    }
  }
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
         "COPIA CORREGIDA DE CADA ARCHIVO EN " +
             CorrectedFolderText() +
             ", Y UNA SIN CAMBIOS DE LOS QUE YA ESTÁN BIEN, PARA QUE ESA "
             "CARPETA TENGA TODOS LOS DEL PUNTO; LOS ORIGINALES NO SE "
             "MODIFICAN." +
             plan.listing + "\n\n¿ESCRIBIR LAS COPIAS?"});
    // The box ran the event loop: another run may have begun meanwhile.
    if (answer != "yes" || correcting_) return;
  }
  StartCopies(plan);
}

void RinexColumn::StartCopies(const RinexCorrectionPlan& plan) {
  correcting_ = true;
  cancel_ = false;
  copies_cancelled_ = false;
  copies_total_ = copies_done_ = copies_written_ = 0;
  copy_points_ = plan.points.size();
  copy_errors_.clear();
  plan_errors_ = plan.errors;
  run_ = std::make_unique<RinexCopyRun>();
  run_->limits = limits_;
  run_->cancel = &cancel_;
  const unsigned generation = generation_;
  for (const RinexCorrectionPoint& point : plan.points) {
    // Its cell waits for the copies: the verdict will be theirs.
    if (point.row < read_.size()) read_[point.row] = false;
    UpdateCell(point.row);
    auto post = [&](const std::string& name, std::optional<double> arp) {
      ++copies_total_;
      background_.Run([this, folder = point.folder, name,
                       arp]() -> WorkQueue::Done {
        if (cancel_) return [this] { CopyDone(Status::OK(), true); };
        const Status status =
            arp ? WriteCorrectedCopy(fs_, folder, name, *arp, nullptr,
                                     run_.get())
                : WriteUnchangedCopy(fs_, folder, name, nullptr, run_.get());
        return [this, status] { CopyDone(status, false); };
      });
    };
    for (const std::string& name : point.names) post(name, point.arp);
    for (const std::string& name : point.unchanged) post(name, std::nullopt);
    // The point's folder is read again: the cell now judges the copies.
    ReadPoint(generation, point.row, point.folder);
  }
  UpdateMisfiled();
  background_.Run(
      [this]() -> WorkQueue::Done { return [this] { EndCopies(); }; });
  ShowProgress();
  ShowStatus();
}

void RinexColumn::CopyDone(const Status& status, bool skipped) {
  ++copies_done_;
  if (skipped || (!status.ok() && cancel_ &&
                  status.message().starts_with("CANCELADO: "))) {
    copies_cancelled_ = true;
  } else if (status.ok()) {
    ++copies_written_;
  } else {
    copy_errors_.push_back(status.message());
  }
  ShowProgress();
}

void RinexColumn::ShowProgress() {
  tk::Interp& root = ui_.tk();
  if (!correcting_) {
    root.Call({"grid", "remove", progress_frame_});
    return;
  }
  root.Call({"grid", progress_frame_, "-row", 2, "-column", 0, "-columnspan", 2,
             "-sticky", "ew", "-pady", tk::Obj::List({"6", "0"})});
  root.Call({progress_bar_, "configure", "-maximum",
             static_cast<int>(std::max<size_t>(copies_total_, 1)), "-value",
             static_cast<int>(copies_done_)});
  root.Call({progress_label_, "configure", "-text",
             "ARCHIVO " +
                 DecimalText(std::min(copies_done_ + 1, copies_total_)) +
                 " DE " + DecimalText(copies_total_)});
  if (copies_done_ == 0) {
    root.Call({btn_cancel_, "configure", "-state", "normal"});
  }
}

void RinexColumn::EndCopies() {
  tk::Interp& root = ui_.tk();
  correcting_ = false;
  run_.reset();
  ShowProgress();
  ShowStatus();
  // The failures to write come first: the box shows only its first lines.
  std::vector<std::string> errors = copy_errors_;
  errors.insert(errors.end(), plan_errors_.begin(), plan_errors_.end());
  const size_t written = copies_written_;
  const std::string cancelled =
      copies_cancelled_
          ? "CORREGIR RINEX CANCELADO: LAS COPIAS ESCRITAS ANTES SE "
            "CONSERVAN; LA QUE SE ESTABA ESCRIBIENDO NO SE GUARDÓ.\n"
          : "";
  // A return to the tab during the run asked for a reading.
  if (read_after_copies_) {
    read_after_copies_ = false;
    ReadRinex();
  }
  if (!errors.empty()) {
    ui_.ErrorBox(cancelled + RinexCorrectionErrorText(errors, written));
    return;
  }
  root.Call({"tk_messageBox", "-icon", "info", "-title", "CORREGIR RINEX",
             "-message",
             cancelled + RinexCopiesWrittenText(written, copy_points_)});
}

std::vector<PointRinexState> RinexColumn::States() const {
  std::vector<PointRinexState> states;
  for (size_t idx = 0; idx < verdicts_.size() && idx < table_.size(); ++idx)
    states.push_back({table_.at(idx).codigo, verdicts_[idx].state});
  return states;
}

std::string RinexColumn::CellText(const std::string& code) const {
  for (size_t idx = 0; idx < verdicts_.size() && idx < table_.size(); ++idx) {
    if (table_.at(idx).codigo == code) return verdicts_[idx].cell;
  }
  return "";
}

SessionCell RinexColumn::SessionOf(size_t idx) const {
  // Until its files are read a point has no session to show.
  if (idx >= files_.size() || idx >= read_.size() || !read_[idx]) return {};
  return DescribePointSession(files_[idx]);
}

SessionCell RinexColumn::SessionCellOf(const std::string& code) const {
  for (size_t idx = 0; idx < verdicts_.size() && idx < table_.size(); ++idx) {
    if (table_.at(idx).codigo == code) return SessionOf(idx);
  }
  return {};
}

std::string RinexColumn::RowRinexLine(size_t idx) const {
  const std::string& reason = verdicts_[idx].reason;
  std::string line = RowReason(idx);
  const SessionCell session = SessionOf(idx);
  // A point without observation files has no session to tell: its cell's
  // "—" says so, and the status line keeps the column's summary.
  if (session.text.empty() || session.text == kNoSessionCell) return line;
  std::string told = "SESIÓN: " + session.text;
  // The file that cannot be read is named once when the RINEX reason
  // already names it.
  if (!session.reason.empty() &&
      reason.find(session.reason) == std::string::npos) {
    told += " (" + OneLine(session.reason) + ")";
  }
  return line.empty() ? told : told + "; " + line;
}

}  // namespace zarvek
