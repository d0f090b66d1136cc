// The report command of the second tab: reads the table's widgets once,
// hands their texts to the report run, asks the yes/no question the run may
// return, shows the message box it ends with and marks the height cells it
// could not convert.
#include <charconv>
#include <exception>
#include <system_error>

#include "app/zarvek_core.h"
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

void ZarvekCertificacionApp::generar_pdf_conversion() {
  std::vector<RowInput> rows;
  rows.reserve(entradas_alturas.size());
  for (const MeasurementRow& row : entradas_alturas) {
    RowInput input;
    input.codigo = row.codigo;
    input.rec = root.Call({row.rec, "get"});
    input.tipo = root.Call({row.tipo, "get"});
    input.acc = root.Call({row.acc, "get"});
    input.ref = root.Call({row.ref, "get"});
    input.h = root.Call({row.h, "get"});
    rows.push_back(std::move(input));
  }

  // Marks from an earlier run are redrawn from this run's verdict: a row may
  // have been mended through its other cells.
  for (const MeasurementRow& row : entradas_alturas) {
    if (IsMarked(root, row.h)) UnmarkEntry(root, row.h);
  }

  ReportOutcome outcome;
  if (services_.pdf == nullptr) {
    outcome = {MessageKind::kError,
               "ERROR PDF",
               "no hay biblioteca PDF disponible",
               "",
               {}};
  } else {
    FileSystem* fs = services_.fs;
    ReportServices report_services{
        equipos_specs, *services_.pdf, *services_.random,
        ResourceLookup{services_.resource_path,
                       [fs](const std::string& p) { return fs->Exists(p); }}};
    const std::string fecha = services_.today();
    outcome =
        zarvek::RunConversionReport(ruta_base, rows, fecha, report_services);
    if (outcome.kind == MessageKind::kQuestion) {
      const std::string answer =
          root.Call({"tk_messageBox", "-type", "yesno", "-default", "no",
                     "-icon", IconOf(outcome.kind), "-title", outcome.title,
                     "-message", outcome.text});
      if (answer != "yes") return;
      outcome =
          zarvek::RunConversionReport(ruta_base, rows, fecha, report_services,
                                      /*accept_implausible=*/true);
    }
  }

  if (!outcome.failing_rows.empty()) {
    root.Command(
        kCellEditedCommand, [this](const std::vector<std::string>& args) {
          size_t idx = 0;
          const std::string& text = args.empty() ? "" : args[0];
          auto [end, ec] =
              std::from_chars(text.data(), text.data() + text.size(), idx);
          if (ec == std::errc() && end == text.data() + text.size() &&
              idx < entradas_alturas.size()) {
            UnmarkEntry(root, entradas_alturas[idx].h);
          }
          return std::string("1");  // the edit itself is allowed
        });
    DefineFailingStyle(root);
    for (size_t idx : outcome.failing_rows) {
      if (idx < entradas_alturas.size()) {
        MarkFailingEntry(root, entradas_alturas[idx].h, idx);
      }
    }
  }

  root.Call({"tk_messageBox", "-icon", IconOf(outcome.kind), "-title",
             outcome.title, "-message", outcome.text});
  if (!outcome.open_path.empty() && services_.open_file) {
    try {
      services_.open_file(outcome.open_path);
    } catch (const std::exception&) {
      // Opening the viewer is a convenience; the report is saved.
    }
  }
}

}  // namespace zarvek
