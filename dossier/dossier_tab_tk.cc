#include "dossier/dossier_tab_tk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

#include "dossier/scan.h"
#include "image/photo_decode.h"
#include "project/layout.h"
#include "project/settings.h"
#include "text/ascii_text.h"
#include "text/shown_path.h"
#include "ui/scroll_area_tk.h"
#include "ui/work_queue.h"

namespace zarvek {
namespace {

constexpr const char* kUnknownColor = "#B9770E";
constexpr const char* kStripeColor = "#F4F6F9";
constexpr const char* kHeadingColor = "#ECF0F1";
/// Project items per line at the top of the tab.
constexpr std::size_t kItemsPerLine = 3;

constexpr const char* kNoProjectText =
    "NINGÚN PROYECTO ABIERTO: ELIJA SU CARPETA CON 📂 BUSCAR EN LA PESTAÑA "
    "2. CÁLCULO DE ALTURAS.";
constexpr const char* kScanningText = "LEYENDO EL EXPEDIENTE…";
constexpr const char* kDistanceLabel = "DISTANCIA MÁXIMA DE LAS FOTOS (m):";
constexpr const char* kDaysLabel = "DÍAS MÁXIMOS ENTRE FOTO Y OBSERVACIÓN:";
/// A limit refused stays red until it is edited.
constexpr const char* kRefusedLimitStyle = "LimiteMal.TEntry";
constexpr const char* kLimitEditedCommand =
    "::zarvek::limite_expediente_editado";

// A coordinate in a Tk reply ("12", "-3.5"); 0 when it is not a number.
double Coordinate(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Makes the label `label` wrap its text inside the width it is given.
void WrapToWidth(Ui& ui, const std::string& label, const std::string& name) {
  ui.tk().Call(
      {"bind", label, "<Configure>", ui.Bind(name, [&ui, label] {
         const int wrap = std::max(1, ui.Int({"winfo", "width", label}) - 8);
         if (ui.tk().Call({label, "cget", "-wraplength"}) !=
             DecimalText(static_cast<std::size_t>(wrap))) {
           ui.tk().Call({label, "configure", "-wraplength", wrap});
         }
       })});
}

// A photo's date and position, from the EXIF tags in its first bytes.
PhotoWhenWhere ReadWhenWhere(std::string_view first_bytes) {
  PhotoTags tags = ReadPhotoTags(first_bytes);
  PhotoWhenWhere out;
  out.taken = std::move(tags.taken);
  if (tags.gps) out.gps = GeoPoint{tags.gps->latitude, tags.gps->longitude};
  return out;
}

}  // namespace

DossierTab::DossierTab(Ui& ui, FileSystem& fs, const OpenProject& project,
                       std::string tab,
                       std::function<void(const std::string&)> open_folder)
    : ui_(ui),
      fs_(fs),
      project_(project),
      tab_(std::move(tab)),
      open_folder_(std::move(open_folder)),
      background_(ui, "expediente_listo") {
  draw_step_ = ui_.Bind("expediente_dibujar", [this] { DrawRows(); });
  BuildItems();
  BuildBottom();
  BuildMatrix();
  ShowStatus("");
}

DossierTab::~DossierTab() {
  if (stop_) stop_->store(true);
  try {
    ui_.tk().Call({"after", "cancel", draw_step_});
  } catch (const std::exception&) {
    // The interpreter is going too.
  }
}

std::string DossierTab::CellItemTag(std::size_t row, std::size_t column) {
  return "c" + DecimalText(row) + "_" + DecimalText(column);
}

void DossierTab::BuildItems() {
  tk::Interp& root = ui_.tk();
  items_frame_ = tab_ + ".items";
  root.Call(
      {"ttk::frame", items_frame_, "-style", "Card.TFrame", "-padding", 10});
  root.Call({"pack", items_frame_, "-side", "top", "-fill", "x", "-padx", 10,
             "-pady", 5});
  summary_ = tab_ + ".resumen";
  root.Call({"label", summary_, "-text", "", "-anchor", "nw", "-justify",
             "left", "-background", ui_.color("bg_main"), "-foreground",
             ui_.color("text"), "-font",
             tk::Obj::List({ui_.family(), "10", "bold"}), "-wraplength", 1});
  root.Call({"pack", summary_, "-side", "top", "-fill", "x", "-padx", 10,
             "-pady", tk::Obj::List({"0", "5"})});
  WrapToWidth(ui_, summary_, "ajustar_resumen_expediente");
  root.Command("::zarvek::abrir_item_expediente",
               [this](const std::vector<std::string>& args) {
                 const std::optional<std::size_t> idx =
                     args.size() == 1 ? RowIndexArg(args[0]) : std::nullopt;
                 if (idx && *idx < matrix_.items.size())
                   OpenCell(static_cast<std::size_t>(-1), *idx);
                 return std::string();
               });
}

void DossierTab::BuildBottom() {
  tk::Interp& root = ui_.tk();
  const std::string bottom = tab_ + ".bottom";
  root.Call({"ttk::frame", bottom});
  root.Call({"pack", bottom, "-side", "bottom", "-fill", "x", "-padx", 10,
             "-pady", 10});
  const tk::Obj status_font = tk::Obj::List({ui_.family(), "9"});
  status_ = bottom + ".estado";
  root.Call({"label", status_, "-text", "", "-anchor", "nw", "-justify", "left",
             "-foreground", ui_.color("primary"), "-background",
             ui_.color("bg_main"), "-font", status_font, "-wraplength", 1});
  root.Call({"grid", status_, "-row", 0, "-column", 0, "-columnspan", 3,
             "-sticky", "new", "-pady", tk::Obj::List({"0", "6"})});
  root.Call({"grid", "rowconfigure", bottom, 0, "-minsize",
             2 * ui_.Int({"font", "metrics", status_font, "-linespace"}) + 6});
  root.Call({"grid", "columnconfigure", bottom, 2, "-weight", 1});
  WrapToWidth(ui_, status_, "ajustar_estado_expediente");

  refresh_button_ = bottom + ".btn_actualizar";
  root.Call({"ttk::button", refresh_button_, "-text", "ACTUALIZAR",
             "-takefocus", 0, "-command",
             ui_.Bind("actualizar_expediente", [this] { Refresh(); })});
  root.Call({"grid", refresh_button_, "-row", 1, "-column", 0, "-sticky", "w"});
  report_button_ = bottom + ".btn_reportaje";
  MakePrimaryButton(ui_, report_button_, "GENERAR REPORTAJE FOTOGRÁFICO",
                    {"-padx", 16, "-takefocus", 0, "-command",
                     ui_.Bind("generar_reportaje_fotografico", [this] {
                       if (photo_report_) photo_report_();
                     })});
  root.Call({"grid", report_button_, "-row", 1, "-column", 1, "-sticky", "w",
             "-padx", tk::Obj::List({"10", "0"})});
  progress_frame_ = bottom + ".progreso";
  root.Call({"ttk::frame", progress_frame_});
  root.Call({"grid", progress_frame_, "-row", 1, "-column", 2, "-sticky", "ew",
             "-padx", tk::Obj::List({"10", "0"})});
  BuildLimits(bottom, 2);
}

void DossierTab::BuildLimits(const std::string& bottom, int row) {
  tk::Interp& root = ui_.tk();
  const std::string box = bottom + ".limites";
  root.Call({"ttk::frame", box});
  root.Call({"grid", box, "-row", row, "-column", 0, "-columnspan", 3,
             "-sticky", "w", "-pady", tk::Obj::List({"6", "0"})});
  const tk::Obj font = tk::Obj::List({ui_.family(), "9"});
  distance_entry_ = box + ".distancia";
  days_entry_ = box + ".dias";
  apply_button_ = box + ".aplicar";
  const std::string apply =
      ui_.Bind("aplicar_limites_fotos", [this] { ApplyLimits(); });
  int column = 0;
  for (const auto& [text, entry, width] :
       {std::tuple{kDistanceLabel, distance_entry_, 8},
        std::tuple{kDaysLabel, days_entry_, 6}}) {
    const std::string label = entry + "_texto";
    root.Call({"label", label, "-text", text, "-font", font, "-background",
               ui_.color("bg_main"), "-foreground", ui_.color("text")});
    root.Call({"ttk::entry", entry, "-width", width, "-justify", "right"});
    root.Call({"bind", entry, "<Return>", apply});
    root.Call({"bind", entry, "<KP_Enter>", apply});
    root.Call({"grid", label, "-row", 0, "-column", column, "-sticky", "w",
               "-padx", tk::Obj::List({column == 0 ? "0" : "16", "4"})});
    root.Call(
        {"grid", entry, "-row", 0, "-column", column + 1, "-sticky", "w"});
    column += 2;
  }
  root.Call(
      {"ttk::button", apply_button_, "-text", "APLICAR", "-command", apply});
  root.Call({"grid", apply_button_, "-row", 0, "-column", column, "-sticky",
             "w", "-padx", tk::Obj::List({"10", "0"})});
  // An entry marked red takes its plain look back at its first edit.
  root.Command(
      kLimitEditedCommand, [this](const std::vector<std::string>& args) {
        if (args.size() == 1) {
          UnmarkEntry(ui_, args[0] == "0" ? distance_entry_ : days_entry_);
        }
        return std::string("1");  // the edit itself is allowed
      });
  DefineRedEntryStyle(ui_, kRefusedLimitStyle);
  SetEvidenceLimits(limits_);
}

void DossierTab::BuildMatrix() {
  tk::Interp& root = ui_.tk();
  const std::string box = tab_ + ".matriz";
  root.Call({"ttk::frame", box, "-style", "Card.TFrame"});
  root.Call({"pack", box, "-side", "top", "-fill", "both", "-expand", 1,
             "-padx", 10, "-pady", tk::Obj::List({"0", "5"})});
  const std::string corner = box + ".esquina";
  header_ = box + ".titulos";
  codes_ = box + ".puntos";
  body_ = box + ".celdas";
  xscroll_ = box + ".scroll_x";
  yscroll_ = box + ".scroll_y";
  for (const std::string& canvas : {corner, header_, codes_, body_}) {
    root.Call({"canvas", canvas, "-background",
               canvas == corner || canvas == header_ ? kHeadingColor : "white",
               "-highlightthickness", 0, "-borderwidth", 0, "-width", 1,
               "-height", 1, "-takefocus", 0});
  }
  WireScrolling();
  root.Call({"ttk::scrollbar", xscroll_, "-orient", "horizontal", "-command",
             "::zarvek::expediente_xview"});
  root.Call({"ttk::scrollbar", yscroll_, "-orient", "vertical", "-command",
             "::zarvek::expediente_yview"});
  root.Call({body_, "configure", "-xscrollcommand", "::zarvek::expediente_xset",
             "-yscrollcommand", "::zarvek::expediente_yset"});
  root.Call({"grid", corner, "-row", 0, "-column", 0, "-sticky", "nsew"});
  root.Call({"grid", header_, "-row", 0, "-column", 1, "-sticky", "nsew"});
  root.Call({"grid", codes_, "-row", 1, "-column", 0, "-sticky", "nsew"});
  root.Call({"grid", body_, "-row", 1, "-column", 1, "-sticky", "nsew"});
  root.Call({"grid", yscroll_, "-row", 1, "-column", 2, "-sticky", "ns"});
  root.Call({"grid", xscroll_, "-row", 2, "-column", 1, "-sticky", "ew"});
  root.Call({"grid", "columnconfigure", box, 1, "-weight", 1});
  root.Call({"grid", "rowconfigure", box, 1, "-weight", 1});
  // The wheel over the cells or the points scrolls both.
  WireScrollArea(ui_, body_, codes_, "expediente");

  WirePointer();
}

void DossierTab::WireScrolling() {
  tk::Interp& root = ui_.tk();
  // The scrollbars move the cells; the headings and the point column
  // follow the cells' view, so that they always stay in line.
  root.Command("::zarvek::expediente_xview",
               [this](const std::vector<std::string>& args) {
                 std::vector<tk::Word> words = {body_, "xview"};
                 for (const std::string& a : args) words.emplace_back(a);
                 ui_.tk().Call(words);
                 return std::string();
               });
  root.Command("::zarvek::expediente_yview",
               [this](const std::vector<std::string>& args) {
                 std::vector<tk::Word> words = {body_, "yview"};
                 for (const std::string& a : args) words.emplace_back(a);
                 ui_.tk().Call(words);
                 return std::string();
               });
  root.Command("::zarvek::expediente_xset",
               [this](const std::vector<std::string>& args) {
                 if (args.size() == 2) {
                   ui_.tk().Call({xscroll_, "set", args[0], args[1]});
                   ui_.tk().Call({header_, "xview", "moveto", args[0]});
                 }
                 return std::string();
               });
  root.Command("::zarvek::expediente_yset",
               [this](const std::vector<std::string>& args) {
                 if (args.size() == 2) {
                   ui_.tk().Call({yscroll_, "set", args[0], args[1]});
                   ui_.tk().Call({codes_, "yview", "moveto", args[0]});
                 }
                 return std::string();
               });
}

void DossierTab::WirePointer() {
  tk::Interp& root = ui_.tk();
  // Clicks open a cell's folder; the pointer on a cell names it in the
  // status line. %x and %y are integers.
  // Per canvas, one command for a click and one for the pointer, each
  // given the pointer's place in the window.
  for (const bool points : {true, false}) {
    const std::string canvas = points ? codes_ : body_;
    const std::string suffix = points ? "_puntos" : "_celdas";
    auto at = [this, canvas, points](const std::vector<std::string>& args,
                                     std::size_t* row, std::size_t* column) {
      if (args.size() != 2) return false;
      const double x = Coordinate(ui_.tk().Call({canvas, "canvasx", args[0]}));
      const double y = Coordinate(ui_.tk().Call({canvas, "canvasy", args[1]}));
      if (!points) return CellAt(x, y, row, column);
      if (!CellAt(0, y, row, column)) return false;
      *column = 0;
      return true;
    };
    root.Command("::zarvek::expediente_clic" + suffix,
                 [this, at](const std::vector<std::string>& args) {
                   std::size_t row = 0, column = 0;
                   if (at(args, &row, &column)) OpenCell(row, column);
                   return std::string();
                 });
    root.Command("::zarvek::expediente_puntero" + suffix,
                 [this, at](const std::vector<std::string>& args) {
                   std::size_t row = 0, column = 0;
                   if (at(args, &row, &column)) Hover(row, column);
                   return std::string();
                 });
    root.Call({"bind", canvas, "<ButtonRelease-1>",
               "::zarvek::expediente_clic" + suffix + " %x %y"});
    root.Call({"bind", canvas, "<Motion>",
               "::zarvek::expediente_puntero" + suffix + " %x %y"});
  }
  root.Command("::zarvek::expediente_fuera",
               [this](const std::vector<std::string>&) {
                 ShowStatus(status_text_);
                 return std::string();
               });
  for (const std::string& canvas : {codes_, body_}) {
    root.Call({"bind", canvas, "<Leave>", "::zarvek::expediente_fuera"});
    root.Call({canvas, "configure", "-cursor", "hand2"});
  }
}

void DossierTab::SetPointCells(PointCellSources sources) {
  sources_ = std::move(sources);
}

void DossierTab::SetEvidenceLimits(EvidenceLimits limits) {
  limits_ = limits;
  tk::Interp& root = ui_.tk();
  for (const auto& [entry, value] :
       {std::pair{distance_entry_, std::llround(limits_.max_distance_m)},
        std::pair{days_entry_, static_cast<long long>(limits_.max_days)}}) {
    UnmarkEntry(ui_, entry);
    root.Call({entry, "delete", 0, "end"});
    root.Call({entry, "insert", 0, std::to_string(value)});
  }
}

void DossierTab::SetLimitsSaver(
    std::function<Status(int max_distance_m, int max_days)> save) {
  save_limits_ = std::move(save);
}

void DossierTab::ApplyLimits() {
  tk::Interp& root = ui_.tk();
  const std::string distance_text = root.Call({distance_entry_, "get"});
  const std::string days_text = root.Call({days_entry_, "get"});
  const std::optional<int> distance = ParsePhotoDistanceM(distance_text);
  const std::optional<int> days = ParsePhotoDays(days_text);
  if (!distance || !days) {
    // The box names every refused value as typed, in «» so that blanks
    // show; the entries keep what was typed.
    std::string message = "NO SE CAMBIAN LOS LÍMITES DE LAS FOTOS:";
    if (!distance) {
      message += "\nDISTANCIA MÁXIMA DE LAS FOTOS: «" + distance_text +
                 "» NO ES VÁLIDO: DEBE SER UN NÚMERO ENTERO DE " +
                 std::to_string(kMinPhotoDistanceM) + " A " +
                 std::to_string(kMaxPhotoDistanceM) + " METROS.";
      MarkEntryUntilEdited(ui_, distance_entry_, kRefusedLimitStyle,
                           kLimitEditedCommand, 0);
    }
    if (!days) {
      message += "\nDÍAS MÁXIMOS ENTRE FOTO Y OBSERVACIÓN: «" + days_text +
                 "» NO ES VÁLIDO: DEBE SER UN NÚMERO ENTERO DE " +
                 std::to_string(kMinPhotoDays) + " A " +
                 std::to_string(kMaxPhotoDays) + " DÍAS.";
      MarkEntryUntilEdited(ui_, days_entry_, kRefusedLimitStyle,
                           kLimitEditedCommand, 1);
    }
    ui_.ErrorBox(message);
    return;
  }
  if (save_limits_) {
    const Status saved = save_limits_(*distance, *days);
    if (!saved.ok()) {
      ui_.ErrorBox("NO SE PUDIERON GUARDAR LOS LÍMITES DE LAS FOTOS:\n" +
                   saved.message());
      return;
    }
  }
  SetEvidenceLimits(EvidenceLimits{static_cast<double>(*distance), *days});
  // The findings follow the new limits at once.
  if (project_.is_open()) Refresh();
}

void DossierTab::SetPhotoReport(std::function<void()> photo_report) {
  photo_report_ = std::move(photo_report);
}

void DossierTab::Refresh() {
  if (stop_) stop_->store(true);
  background_.DropPending();
  const std::uint64_t generation = ++generation_;
  if (!project_.is_open()) {
    stop_.reset();
    Show(DossierScan{});
    return;
  }
  stop_ = std::make_shared<std::atomic<bool>>(false);
  ShowStatus(kScanningText);
  // The job reads only the disk and its own copies; the window's part runs
  // on the window thread, and only for the latest Refresh.
  background_.Run([fs = &fs_, folder = project_.folder(), stop = stop_,
                   limits = limits_, generation, this]() -> WorkQueue::Done {
    auto scan = std::make_shared<DossierScan>();
    const ProjectLayout layout = ProjectLayout::ForChosenFolder(*fs, folder);
    if (layout.IsProject()) {
      *scan = ScanDossier(*fs, layout, stop.get());
      FindPhotoEvidence(*fs, scan.get(), limits, ReadWhenWhere, stop.get());
    }
    return [this, scan, generation, stop] {
      if (generation != generation_ || stop->load()) return;
      Show(std::move(*scan));
    };
  });
}

void DossierTab::Clear() {
  if (stop_) stop_->store(true);
  background_.DropPending();
  ++generation_;
  Show(DossierScan{});
}

void DossierTab::FinishScan() { background_.Finish(); }

void DossierTab::Show(DossierScan scan) {
  scan_ = std::move(scan);
  const bool open = !scan_.project_root.empty();
  // The observation files' findings count as the point's own warnings: in
  // AVISOS, the status line and the summary alike.
  if (sources_.warnings) {
    for (PointDossier& point : scan_.points) {
      for (std::string& text : sources_.warnings(point.code))
        point.warnings.push_back(std::move(text));
    }
  }
  matrix_ = open ? BuildDossierMatrix(scan_, sources_) : DossierMatrix{};
  DrawItems();
  DrawMatrix();
  std::string summary = matrix_.summary;
  const std::string warnings = DossierWarningsLine(matrix_);
  if (!warnings.empty()) summary += "\n" + warnings;
  ui_.tk().Call(
      {summary_, "configure", "-text",
       open ? summary : std::string(project_.is_open() ? "" : kNoProjectText),
       "-foreground",
       !open               ? ui_.color("text")
       : !matrix_.complete ? ui_.color("error")
       : warnings.empty()  ? ui_.color("success")
                           : std::string(kUnknownColor)});
  status_text_ = open ? DossierStatusLine(matrix_) : std::string();
  ShowStatus(status_text_);
}

namespace {

std::string ToneColor(const Ui& ui, CellTone tone) {
  switch (tone) {
    case CellTone::kGood:
      return ui.color("success");
    case CellTone::kMissing:
      return ui.color("error");
    case CellTone::kUnknown:
      return kUnknownColor;
    case CellTone::kPlain:
      break;
  }
  return ui.color("text");
}

}  // namespace

void DossierTab::DrawItems() {
  tk::Interp& root = ui_.tk();
  const tk::Obj font = tk::Obj::List({ui_.family(), "9"});
  const tk::Obj bold = tk::Obj::List({ui_.family(), "9", "bold"});
  for (std::size_t i = item_labels_.size(); i < matrix_.items.size(); ++i) {
    const std::string label = items_frame_ + ".item" + DecimalText(i);
    const std::string value = items_frame_ + ".valor" + DecimalText(i);
    const int column = static_cast<int>(2 * (i % kItemsPerLine));
    const int line = static_cast<int>(i / kItemsPerLine);
    root.Call({"label", label, "-text", "", "-font", font, "-background",
               ui_.color("bg_panel"), "-foreground", ui_.color("text")});
    root.Call({"label", value, "-text", "", "-font", bold, "-background",
               ui_.color("bg_panel"), "-cursor", "hand2"});
    root.Call({"grid", label, "-row", line, "-column", column, "-sticky", "w",
               "-padx", tk::Obj::List({column == 0 ? "0" : "16", "4"})});
    root.Call(
        {"grid", value, "-row", line, "-column", column + 1, "-sticky", "w"});
    root.Call({"bind", value, "<ButtonRelease-1>",
               "::zarvek::abrir_item_expediente " + DecimalText(i)});
    item_labels_.push_back(label);
    item_values_.push_back(value);
  }
  for (std::size_t i = 0; i < item_labels_.size(); ++i) {
    const bool shown = i < matrix_.items.size();
    // "ESTACIÓN BASE: NATIVA" carries its colon already.
    const std::string& label = shown ? matrix_.items[i].label : std::string();
    root.Call({item_labels_[i], "configure", "-text",
               label.empty() || label.find(':') != std::string::npos
                   ? label
                   : label + ":"});
    root.Call({item_values_[i], "configure", "-text",
               shown ? matrix_.items[i].cell.text : std::string(),
               "-foreground",
               ToneColor(ui_, shown ? matrix_.items[i].cell.tone
                                    : CellTone::kPlain)});
  }
}

int DossierTab::Measure(const std::string& text, bool bold) {
  auto& cache = widths_[bold ? 1 : 0];
  auto it = cache.find(text);
  if (it != cache.end()) return it->second;
  const int width = ui_.Int({"font", "measure",
                             bold ? tk::Obj::List({ui_.family(), "9", "bold"})
                                  : tk::Obj::List({ui_.family(), "9"}),
                             text});
  cache.emplace(text, width);
  return width;
}

void DossierTab::DrawMatrix() {
  tk::Interp& root = ui_.tk();
  root.Call({"after", "cancel", draw_step_});
  const std::string corner = tab_ + ".matriz.esquina";
  for (const std::string& canvas : {corner, header_, codes_, body_})
    root.Call({canvas, "delete", "all"});
  const tk::Obj font = tk::Obj::List({ui_.family(), "9"});
  const tk::Obj bold = tk::Obj::List({ui_.family(), "9", "bold"});
  const int line = ui_.Int({"font", "metrics", font, "-linespace"});
  pitch_ = line + line / 2;
  const int pad = Measure("MM", false);
  std::vector<std::string> headings = matrix_.headings;
  if (headings.empty()) headings = {"PUNTO"};
  // Each column as wide as its widest text.
  std::vector<int> widths(headings.size(), 0);
  for (std::size_t c = 0; c < headings.size(); ++c)
    widths[c] = Measure(headings[c], true);
  for (const auto& row : matrix_.rows) {
    for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c)
      widths[c] = std::max(widths[c], Measure(row[c].text, false));
  }
  for (int& w : widths) w += pad;
  column_x_.assign(1, 0);
  for (std::size_t c = 1; c < widths.size(); ++c)
    column_x_.push_back(column_x_.back() + widths[c]);
  const int total_width = column_x_.back();
  const int rows = static_cast<int>(matrix_.rows.size());
  const int total_height = rows * pitch_;

  root.Call({corner, "configure", "-width", widths[0], "-height", pitch_});
  root.Call({header_, "configure", "-height", pitch_});
  root.Call({codes_, "configure", "-width", widths[0]});
  root.Call({corner, "create", "text", widths[0] / 2, pitch_ / 2, "-text",
             headings[0], "-font", bold, "-fill", ui_.color("primary")});
  for (std::size_t c = 1; c < headings.size(); ++c) {
    root.Call({header_, "create", "text", column_x_[c - 1] + widths[c] / 2,
               pitch_ / 2, "-text", headings[c], "-font", bold, "-fill",
               ui_.color("primary")});
  }
  root.Call({header_, "configure", "-scrollregion",
             tk::Obj::List({"0", "0", DecimalText(total_width),
                            DecimalText(static_cast<std::size_t>(pitch_))})});
  root.Call({codes_, "configure", "-scrollregion",
             tk::Obj::List({"0", "0", DecimalText(widths[0]),
                            DecimalText(total_height)})});
  root.Call({body_, "configure", "-scrollregion",
             tk::Obj::List({"0", "0", DecimalText(total_width),
                            DecimalText(total_height)})});
  root.Call({body_, "xview", "moveto", 0});
  root.Call({body_, "yview", "moveto", 0});
  widths_now_ = std::move(widths);
  total_width_ = total_width;
  rows_drawn_ = 0;
  DrawRows();
}

void DossierTab::DrawRows() {
  tk::Interp& root = ui_.tk();
  const tk::Obj font = tk::Obj::List({ui_.family(), "9"});
  const tk::Obj bold = tk::Obj::List({ui_.family(), "9", "bold"});
  const std::vector<int>& widths = widths_now_;
  const int total_width = total_width_;
  const std::size_t end =
      std::min(matrix_.rows.size(), rows_drawn_ + kRowsPerStep);
  for (std::size_t r = rows_drawn_; r < end; ++r) {
    const auto& row = matrix_.rows[r];
    const int y = static_cast<int>(r) * pitch_;
    if (r % 2 == 1) {
      for (const std::string& canvas : {codes_, body_}) {
        root.Call({canvas, "create", "rectangle", 0, y,
                   canvas == codes_ ? widths[0] : total_width, y + pitch_,
                   "-fill", kStripeColor, "-width", 0});
      }
    }
    root.Call({codes_, "create", "text", widths[0] / 2, y + pitch_ / 2, "-text",
               row[0].text, "-font", bold, "-fill", ToneColor(ui_, row[0].tone),
               "-tags", CellItemTag(r, 0)});
    for (std::size_t c = 1; c < row.size() && c < widths.size(); ++c) {
      root.Call({body_, "create", "text", column_x_[c - 1] + widths[c] / 2,
                 y + pitch_ / 2, "-text", row[c].text, "-font", font, "-fill",
                 ToneColor(ui_, row[c].tone), "-tags", CellItemTag(r, c)});
    }
  }
  rows_drawn_ = end;
  if (rows_drawn_ < matrix_.rows.size()) root.Call({"after", 0, draw_step_});
}

bool DossierTab::CellAt(double x, double y, std::size_t* row,
                        std::size_t* column) const {
  if (y < 0 || x < 0 || pitch_ <= 0) return false;
  *row = static_cast<std::size_t>(y) / static_cast<std::size_t>(pitch_);
  if (*row >= matrix_.rows.size()) return false;
  for (std::size_t c = 1; c < column_x_.size(); ++c) {
    if (x < column_x_[c]) {
      *column = c;
      return true;
    }
  }
  return false;
}

void DossierTab::OpenCell(std::size_t row, std::size_t column) {
  const MatrixCell* cell = nullptr;
  if (row == static_cast<std::size_t>(-1)) {
    if (column < matrix_.items.size()) cell = &matrix_.items[column].cell;
  } else if (row < matrix_.rows.size() && column < matrix_.rows[row].size()) {
    cell = &matrix_.rows[row][column];
  }
  if (cell == nullptr || cell->folder.empty() || !open_folder_) return;
  // A folder that is not there opens the nearest one above it that is,
  // within the project.
  std::string folder = cell->folder;
  while (!fs_.IsDirectory(folder)) {
    const std::size_t slash = folder.find_last_of("/\\");
    if (slash == std::string::npos || slash == 0 ||
        folder.size() <= scan_.project_root.size()) {
      return;
    }
    folder.resize(slash);
  }
  open_folder_(folder);
}

void DossierTab::Hover(std::size_t row, std::size_t column) {
  if (row >= matrix_.rows.size() || column >= matrix_.rows[row].size()) return;
  const MatrixCell& cell = matrix_.rows[row][column];
  std::string what;
  if (column >= kFirstStageColumn &&
      column - kFirstStageColumn < subcarpetas_fotos.size()) {
    what = std::string(PhotoStageTitle(column - kFirstStageColumn));
  } else if (column < matrix_.headings.size()) {
    what = matrix_.headings[column];
  }
  std::string text = "PUNTO " + matrix_.rows[row][0].text + " · " + what;
  if (!cell.folder.empty()) text += ": " + ShownPath(cell.folder);
  if (!cell.reason.empty()) text += "\n? " + cell.reason;
  // The point's warnings, whichever of its cells the pointer is on.
  if (row < scan_.points.size() && !scan_.points[row].warnings.empty()) {
    const std::vector<std::string>& warnings = scan_.points[row].warnings;
    for (std::size_t i = 0; i < warnings.size(); ++i)
      text += (i == 0 ? "\nAVISOS: " : "; ") + warnings[i];
  }
  ShowStatus(text);
}

void DossierTab::ShowStatus(const std::string& text) {
  ui_.tk().Call({status_, "configure", "-text", text});
}

}  // namespace zarvek
