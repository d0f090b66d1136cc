// The report command of the second tab: reads the table's widgets once,
// hands their texts to the report run and shows the message box it returns.
#include <exception>

#include "app/zarvek_core.h"
#include "report/report.h"

namespace zarvek {

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

  ReportOutcome outcome;
  if (services_.pdf == nullptr) {
    outcome = {MessageKind::kError, "ERROR PDF",
               "no hay biblioteca PDF disponible", ""};
  } else {
    FileSystem* fs = services_.fs;
    ReportServices report_services{
        equipos_specs, *services_.pdf, *services_.random,
        ResourceLookup{services_.resource_path,
                       [fs](const std::string& p) { return fs->Exists(p); }}};
    outcome = zarvek::RunConversionReport(ruta_base, rows, services_.today(),
                                          report_services);
  }

  const char* icon = outcome.kind == MessageKind::kWarning ? "warning"
                     : outcome.kind == MessageKind::kError ? "error"
                                                           : "info";
  root.Call({"tk_messageBox", "-icon", icon, "-title", outcome.title,
             "-message", outcome.text});
  if (!outcome.open_path.empty() && services_.open_file) {
    try {
      services_.open_file(outcome.open_path);
    } catch (const std::exception&) {
      // Opening the viewer is a convenience; the report is saved.
    }
  }
}

}  // namespace zarvek
