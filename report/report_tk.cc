// The report command: see report/report_tk.h.
#include "report/report_tk.h"

#include <charconv>
#include <exception>
#include <system_error>
#include <utility>
#include <vector>

#include "report/report.h"

namespace zarvek {
namespace {

// A height entry the last run could not convert wears this style until the
// user edits it.
constexpr char kFailingEntryStyle[] = "Falla.TEntry";
// Called by a marked entry's validation on its first edit, with the row
// index as its only argument.
constexpr char kCellEditedCommand[] = "::zarvek::celda_editada";

void DefineFailingStyle(tk::Interp& root) {
  root.Call({"ttk::style", "configure", kFailingEntryStyle, "-fieldbackground",
             "#F9D6D5", "-foreground", "#922B21", "-bordercolor", "#C0392B"});
}

// Gives entry `path` the failing style until its text changes. Key
// validation runs on every insertion and deletion, typed, pasted or made by
// a binding, so any edit clears the mark; the validation script holds the
// command name and the row index only.
void MarkFailingEntry(tk::Interp& root, const std::string& path, size_t row) {
  root.Call({path, "configure", "-style", kFailingEntryStyle, "-validate",
             "key", "-validatecommand",
             tk::Obj::List({kCellEditedCommand, std::to_string(row)})});
}

void UnmarkEntry(tk::Interp& root, const std::string& path) {
  root.Call({path, "configure", "-style", "", "-validate", "none",
             "-validatecommand", ""});
}

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
  // Same hover colours as the tab-1 button: X's default light grey would
  // wash out the white text. The report is made for the project that is
  // open once a change of project in progress has ended.
  // clang-format off
  root.Call({"button", button_, "-text", "CALCULAR Y GENERAR REPORTE PDF",
             "-bg", ui_.color("primary"), "-fg", "white",
             "-activebackground", ui_.color("accent"), "-activeforeground", "white",
             "-font", tk::Obj::List({ui_.family(), "11", "bold"}),
             "-relief", "flat", "-width", 45, "-height", 2, "-takefocus", 1,
             "-command", ui_.Bind("generar_pdf_conversion", [this] {
               project_.WhenSettled([this] { generar_pdf_conversion(); });
             })});
  // clang-format on
  root.Call({"grid", button_, "-row", 1, "-column", 0, "-sticky", "ew"});
  // A marked entry's validation calls this on its first edit.
  root.Command(
      kCellEditedCommand, [this](const std::vector<std::string>& args) {
        size_t idx = 0;
        const std::string& text = args.empty() ? "" : args[0];
        auto [end, ec] =
            std::from_chars(text.data(), text.data() + text.size(), idx);
        if (ec == std::errc() && end == text.data() + text.size()) {
          const std::string entry = height_entry_(idx);
          if (!entry.empty()) UnmarkEntry(ui_.tk(), entry);
        }
        return std::string("1");  // the edit itself is allowed
      });
  DefineFailingStyle(root);
}

void ReportCommand::MarkFailingRows(const std::vector<size_t>& rows) {
  for (size_t idx : rows) {
    const std::string entry = height_entry_(idx);
    if (!entry.empty()) MarkFailingEntry(ui_.tk(), entry, idx);
  }
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
    if (IsMarked(root, entry)) UnmarkEntry(root, entry);
  }

  FileSystem& fs = services_.fs;
  ReportServices report_services{
      catalogue_, services_.pdf, services_.random,
      ResourceLookup{services_.resource_path,
                     [&fs](const std::string& p) { return fs.Exists(p); }}};
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
  // A saved report certifies heights that the processing takes from the
  // RINEX headers: the points whose headers say otherwise are named.
  if (!outcome.open_path.empty() && services_.rinex_states) {
    outcome.text =
        WithRinexWarning(std::move(outcome.text), services_.rinex_states());
  }

  root.Call({"tk_messageBox", "-icon", IconOf(outcome.kind), "-title",
             outcome.title, "-message", outcome.text});
  if (!outcome.open_path.empty() && services_.open_file) {
    try {
      services_.open_file(outcome.open_path);
    } catch (const std::exception& e) {
      // Opening the viewer is a convenience; the report is saved.
      ui_.Print("No se pudo abrir el visor de PDF: " + std::string(e.what()));
    }
  }
}

}  // namespace zarvek
