#include "report/report.h"

#include <exception>
#include <memory>
#include <optional>

#include "heights/conversion.h"
#include "heights/decimal.h"
#include "heights/row_arp.h"
#include "platform/fs.h"
#include "project/layout.h"
#include "report/password.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

bool IsComplete(const TableRow& row) {
  return MeasurementTable::IsComplete(row.values);
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
  return {MessageKind::kError, "ERROR PDF", std::move(text), "", {}};
}

// How many rows a message box lists before it only counts the rest: the box
// must fit on the screen, and the table marks every one of them anyway.
constexpr size_t kMaxListedRows = 20;
constexpr size_t kMaxListedCodes = 10;

// `lines`, one per line, at most kMaxListedRows of them, then how many more.
std::string ListedLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size() && i < kMaxListedRows; ++i) {
    out += "\n" + lines[i];
  }
  if (lines.size() > kMaxListedRows) {
    out += "\n… Y " + DecimalText(lines.size() - kMaxListedRows) + " MÁS.";
  }
  return out;
}

// "PUNTOS EN EL REPORTE: 3 DE 5. OMITIDOS POR INCOMPLETOS: 101, 103".
std::string CountLine(size_t pages, size_t rows,
                      const std::vector<std::string>& omitted) {
  std::string line = "PUNTOS EN EL REPORTE: " + DecimalText(pages) + " DE " +
                     DecimalText(rows) + ".";
  if (omitted.empty()) return line;
  line += " OMITIDOS POR INCOMPLETOS: ";
  for (size_t i = 0; i < omitted.size() && i < kMaxListedCodes; ++i) {
    line += (i == 0 ? "" : ", ") + omitted[i];
  }
  if (omitted.size() > kMaxListedCodes) line += ", …";
  return line;
}

// A complete row with its catalogue record and converted height.
struct CheckedRow {
  const TableRow* row;
  const ReceiverSpec* datos;
  Conversion conversion;
};

// The body of a run once the inputs are known to be there. Failures come
// back as outcomes; exceptions (an exhausted system random source, memory)
// are turned into one by the caller.
ReportOutcome Generate(const std::string& ruta_base,
                       const std::vector<TableRow>& rows,
                       const std::string& fecha, const ReportServices& services,
                       bool accept_implausible) {
  // Every complete row is checked before anything is drawn.
  std::vector<CheckedRow> checked;
  std::vector<std::string> omitted, faults, implausible;
  std::vector<size_t> failing_rows;
  std::string first_failing;
  for (size_t i = 0; i < rows.size(); ++i) {
    const TableRow& row = rows[i];
    if (!IsComplete(row)) {
      omitted.push_back(row.codigo);
      continue;
    }
    const ReceiverSpec* datos =
        FindReceiver(services.catalogue, row.values.rec);
    if (datos == nullptr) {
      return PdfError("RECEPTOR NO ENCONTRADO EN EL CATÁLOGO: " +
                      row.values.rec);
    }
    std::optional<Conversion> conversion = calcular_arp_y_fase(
        row.values.h, row.values.tipo, row.values.ref, *datos);
    if (!conversion) {
      if (failing_rows.empty()) first_failing = row.codigo;
      failing_rows.push_back(i);
      faults.push_back(
          "PUNTO " + row.codigo + ": " +
          ConversionFaultText(DiagnoseConversion(row.values.h, row.values.tipo,
                                                 row.values.ref, *datos),
                              row.values.h, *datos));
      continue;
    }
    if (conversion->arp < kMinPlausibleArp ||
        conversion->arp > kMaxPlausibleArp) {
      implausible.push_back("PUNTO " + row.codigo + ": " +
                            FormatFixed(conversion->arp, 4) + " m");
    }
    checked.push_back({&row, datos, std::move(*conversion)});
  }
  if (!failing_rows.empty()) {
    return {MessageKind::kError, "Error",
            "ERROR MATEMÁTICO EN PUNTO " + first_failing +
                "\nNO SE GENERÓ EL REPORTE. FILAS A CORREGIR:" +
                ListedLines(faults),
            "", std::move(failing_rows)};
  }
  if (checked.empty()) {
    return {MessageKind::kWarning,
            "Error",
            "NINGUNA FILA ESTÁ COMPLETA (RECEPTOR, TIPO, ACCESORIO, "
            "REFERENCIA Y ALTURA): NO SE GENERÓ EL REPORTE.",
            "",
            {}};
  }
  if (!implausible.empty() && !accept_implausible) {
    return {MessageKind::kQuestion,
            "ALTURAS FUERA DE RANGO",
            std::string(kImplausibleArpText) + ":" + ListedLines(implausible) +
                "\n\n¿GENERAR EL REPORTE DE TODOS MODOS?",
            "",
            {}};
  }

  const std::string ruta_guardado = ReportPath(ruta_base);
  const std::string owner_pass = GenerateOwnerPassword(services.random);
  std::unique_ptr<PdfDocument> document = services.documents.Create();
  if (!document) return PdfError("NO SE PUDO CREAR EL DOCUMENTO PDF.");
  PdfCanvas& c = document->canvas();

  PageContext context;
  context.color_dark = COLOR_DARK;
  context.total_pages = static_cast<int>(checked.size());
  context.fecha = fecha;
  int page_counter = 0;
  for (CheckedRow& page_row : checked) {
    const TableRow& row = *page_row.row;
    PageValues page{row.codigo,      row.values.rec,
                    row.values.tipo, row.values.acc,
                    row.values.ref,  row.values.h,
                    *page_row.datos, std::move(page_row.conversion)};
    context.page_counter = ++page_counter;
    Status drawn = DrawReportPage(c, page, context, services.resources);
    if (!drawn.ok()) return PdfError(drawn.message());
    c.showPage();
  }

  Status saved = document->SaveProtected(ruta_guardado, owner_pass);
  if (!saved.ok()) return PdfError(saved.message());
  return {MessageKind::kInfo,
          "PDF GENERADO",
          "ARCHIVO GUARDADO EN:\n" + ruta_guardado + "\n" +
              CountLine(checked.size(), rows.size(), omitted),
          ruta_guardado,
          {}};
}

}  // namespace

std::string FormatDate(int day, int month, int year) {
  return ZeroPadded(day, 2) + "/" + ZeroPadded(month, 2) + "/" +
         ZeroPadded(year, 4);
}

ReportOutcome RunConversionReport(const std::string& ruta_base,
                                  const std::vector<TableRow>& rows,
                                  const std::string& fecha,
                                  const ReportServices& services,
                                  bool accept_implausible) {
  if (ruta_base.empty() || rows.empty()) {
    return {MessageKind::kWarning,
            "Error",
            "FALTAN DATOS O CONFIGURACIÓN.",
            "",
            {}};
  }
  try {
    return Generate(ruta_base, rows, fecha, services, accept_implausible);
  } catch (const std::exception& e) {
    return PdfError(e.what());
  } catch (...) {
    return PdfError("ERROR DESCONOCIDO AL GENERAR EL PDF.");
  }
}

}  // namespace zarvek
