#include "report/report.h"

#include <exception>
#include <memory>
#include <optional>

#include "heights/conversion.h"
#include "heights/decimal.h"
#include "platform/fs.h"
#include "report/password.h"

namespace zarvek {
namespace {

bool IsComplete(const RowInput& row) {
  return !row.rec.empty() && !row.tipo.empty() && !row.acc.empty() &&
         !row.ref.empty() && !row.h.empty();
}

std::string ZeroPadded(int value, int digits) {
  const long long magnitude =
      value < 0 ? -static_cast<long long>(value) : value;
  std::string text = FormatFixed(static_cast<double>(magnitude), 0);
  if (static_cast<int>(text.size()) < digits) {
    text.insert(0, digits - text.size(), '0');
  }
  return value < 0 ? "-" + text : text;
}

ReportOutcome PdfError(std::string text) {
  return {MessageKind::kError, "ERROR PDF", std::move(text), ""};
}

// The body of a run once the inputs are known to be there. Failures come
// back as outcomes; exceptions (an exhausted system random source, memory)
// are turned into one by the caller.
ReportOutcome Generate(const std::string& ruta_base,
                       const std::vector<RowInput>& rows,
                       const std::string& fecha,
                       const ReportServices& services) {
  const std::string ruta_guardado = ReportPath(ruta_base);
  const std::string owner_pass = GenerateOwnerPassword(services.random);

  int total_pages = 0;
  for (const RowInput& row : rows) total_pages += IsComplete(row) ? 1 : 0;

  std::unique_ptr<PdfDocument> document = services.documents.Create();
  if (!document) return PdfError("NO SE PUDO CREAR EL DOCUMENTO PDF.");
  PdfCanvas& c = document->canvas();

  PageContext context;
  context.color_dark = COLOR_DARK;
  context.total_pages = total_pages;
  context.fecha = fecha;
  int page_counter = 0;
  for (const RowInput& row : rows) {
    if (!IsComplete(row)) continue;
    ++page_counter;
    const ReceiverSpec* datos = FindReceiver(services.catalogue, row.rec);
    if (datos == nullptr) {
      return PdfError("RECEPTOR NO ENCONTRADO EN EL CATÁLOGO: " + row.rec);
    }
    std::optional<Conversion> conversion =
        calcular_arp_y_fase(row.h, row.tipo, row.ref, *datos);
    if (!conversion) {
      return {MessageKind::kError, "Error",
              "ERROR MATEMÁTICO EN PUNTO " + row.codigo, ""};
    }
    PageValues page{row.codigo, row.rec, row.tipo, row.acc,
                    row.ref,    row.h,   *datos,   std::move(*conversion)};
    context.page_counter = page_counter;
    Status drawn = DrawReportPage(c, page, context, services.resources);
    if (!drawn.ok()) return PdfError(drawn.message());
    c.showPage();
  }

  Status saved = document->SaveProtected(ruta_guardado, owner_pass);
  if (!saved.ok()) return PdfError(saved.message());
  return {MessageKind::kInfo, "PDF GENERADO",
          "ARCHIVO GUARDADO EN:\n" + ruta_guardado, ruta_guardado};
}

}  // namespace

std::string FormatDate(int day, int month, int year) {
  return ZeroPadded(day, 2) + "/" + ZeroPadded(month, 2) + "/" +
         ZeroPadded(year, 4);
}

std::string ReportPath(const std::string& ruta_base) {
  return JoinPath(JoinPath(ruta_base, "2. DATOS GNSS"),
                  "CONVERSION DE ALTURA.pdf");
}

ReportOutcome RunConversionReport(const std::string& ruta_base,
                                  const std::vector<RowInput>& rows,
                                  const std::string& fecha,
                                  const ReportServices& services) {
  if (ruta_base.empty() || rows.empty()) {
    return {MessageKind::kWarning, "Error", "FALTAN DATOS O CONFIGURACIÓN.",
            ""};
  }
  try {
    return Generate(ruta_base, rows, fecha, services);
  } catch (const std::exception& e) {
    return PdfError(e.what());
  } catch (...) {
    return PdfError("ERROR DESCONOCIDO AL GENERAR EL PDF.");
  }
}

}  // namespace zarvek
