// The report command: see report/report_tk.h.
#include "report/report_tk.h"

#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "report/report.h"

namespace zarvek {
namespace {

// A height entry the last run could not convert wears this style until the
// user edits it (MarkEntryUntilEdited).
constexpr char kFailingEntryStyle[] = "Falla.TEntry";
// Called by a marked entry's validation on its first edit, with the row
// index as its only argument.
constexpr char kCellEditedCommand[] = "::zarvek::celda_editada";

bool IsMarked(tk::Interp& root, const std::string& path) {
  return root.Call({path, "cget", "-style"}) == kFailingEntryStyle;
}

const char* IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
    case MessageKind::kQuestion:
      return "warning";
    case MessageKind::kError:
      return "error";
    case MessageKind::kInfo:
      break;
  }
  return "info";
}

// Opens a saved report in the desktop's viewer. Opening it is a
// convenience: a failure is only printed, for the report is saved.
void OpenInViewer(Ui& ui,
                  const std::function<void(const std::string&)>& open_file,
                  const std::string& path) {
  if (!open_file) return;
  try {
    open_file(path);
  } catch (const std::exception& e) {
    ui.Print("No se pudo abrir el visor de PDF: " + std::string(e.what()));
  }
}

}  // namespace

ReportCommand::ReportCommand(Ui& ui, const MeasurementTable& table,
                             std::function<std::string(size_t)> height_entry,
                             OpenProject& project, const Catalogue& catalogue,
                             ReportCommandServices services,
                             const std::string& bottom)
    : ui_(ui),
      table_(table),
      height_entry_(std::move(height_entry)),
      project_(project),
      catalogue_(catalogue),
      services_(std::move(services)) {
  tk::Interp& root = ui_.tk();
  button_ = bottom + ".btn_pdf";
  // The report is made for the project that is open once a change of
  // project in progress has ended.
  MakePrimaryButton(
      ui_, button_, "CALCULAR Y GENERAR REPORTE PDF",
      {"-width", 45, "-takefocus", 1, "-command",
       ui_.Bind("generar_pdf_conversion", [this] {
         project_.WhenSettled([this] { generar_pdf_conversion(); });
       })});
  root.Call({"grid", button_, "-row", 1, "-column", 0, "-sticky", "ew"});
  // A marked entry's validation calls this on its first edit.
  root.Command(kCellEditedCommand,
               [this](const std::vector<std::string>& args) {
                 const std::optional<size_t> idx =
                     args.size() == 1 ? RowIndexArg(args[0]) : std::nullopt;
                 if (idx) {
                   const std::string entry = height_entry_(*idx);
                   if (!entry.empty()) UnmarkEntry(ui_, entry);
                 }
                 return std::string("1");  // the edit itself is allowed
               });
  DefineRedEntryStyle(ui_, kFailingEntryStyle);
}

void ReportCommand::MarkFailingRows(const std::vector<size_t>& rows) {
  for (size_t idx : rows) {
    const std::string entry = height_entry_(idx);
    if (!entry.empty())
      MarkEntryUntilEdited(ui_, entry, kFailingEntryStyle, kCellEditedCommand,
                           idx);
  }
}

std::string ReportCommand::WithFileWarnings(std::string text) const {
  // A saved report certifies heights that the processing takes from the
  // RINEX headers: the points whose headers say otherwise are named.
  if (services_.rinex_states)
    text = WithRinexWarning(std::move(text), services_.rinex_states());
  // So are the points whose files look like another point's, or that have
  // none at all: the report would certify a point no file supports.
  if (services_.misfiled)
    text = WithMisfiledWarning(std::move(text), services_.misfiled());
  return text;
}

void ReportCommand::generar_pdf_conversion() {
  tk::Interp& root = ui_.tk();
  // A project open read only is being edited in another window: its report
  // there would certify values this table may no longer show, and would
  // replace that window's report.
  if (project_.read_only()) {
    ui_.ErrorBox(
        "EL PROYECTO ESTÁ ABIERTO EN SOLO LECTURA: EL INFORME SE GENERA EN "
        "LA VENTANA QUE LO TIENE ABIERTO PARA EDITAR.");
    return;
  }
  // The rows as they are now: the question box below runs the event loop.
  const std::vector<TableRow> rows = table_.rows();
  const std::string folder = project_.folder();

  // Marks from an earlier run are redrawn from this run's verdict: a row may
  // have been mended through its other cells.
  for (size_t idx = 0;; ++idx) {
    const std::string entry = height_entry_(idx);
    if (entry.empty()) break;
    if (IsMarked(root, entry)) UnmarkEntry(ui_, entry);
  }

  FileSystem& fs = services_.fs;
  ReportServices report_services{
      catalogue_, services_.pdf, services_.random,
      ResourceLookup{services_.resource_path,
                     [&fs](const std::string& p) { return fs.Exists(p); }},
      services_.author ? services_.author() : std::string()};
  const std::string fecha = services_.today();
  ReportOutcome outcome =
      RunConversionReport(folder, rows, fecha, report_services);
  if (outcome.kind == MessageKind::kQuestion) {
    const std::string answer =
        root.Call({"tk_messageBox", "-type", "yesno", "-default", "no", "-icon",
                   IconOf(outcome.kind), "-title", outcome.title, "-message",
                   outcome.text});
    if (answer != "yes") return;
    outcome = RunConversionReport(folder, rows, fecha, report_services,
                                  /*accept_implausible=*/true);
  }
  MarkFailingRows(outcome.failing_rows);
  if (!outcome.open_path.empty()) {
    outcome.text = WithFileWarnings(std::move(outcome.text));
    if (saved_) saved_(outcome.open_path);
  }
  root.Call({"tk_messageBox", "-icon", IconOf(outcome.kind), "-title",
             outcome.title, "-message", outcome.text});
  if (!outcome.open_path.empty()) {
    OpenInViewer(ui_, services_.open_file, outcome.open_path);
  }
}

}  // namespace zarvek
