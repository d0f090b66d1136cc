#include "report/report.h"

#include <exception>
#include <memory>
#include <optional>

#include "heights/conversion.h"
#include "heights/row_arp.h"
#include "heights/row_result.h"
#include "pdf/password.h"
#include "platform/fs.h"
#include "project/layout.h"
#include "text/ascii_text.h"
#include "text/decimal.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

std::string ZeroPadded(int value, int digits) {
  const long long magnitude =
      value < 0 ? -static_cast<long long>(value) : value;
  std::string text = FormatFixed(static_cast<double>(magnitude), 0);
  if (static_cast<int>(text.size()) < digits) {
    text.insert(0, digits - text.size(), '0');
  }
  return value < 0 ? "-" + text : text;
}

}  // namespace

namespace {

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

// What the check of the table's rows found.
struct RowCheck {
  std::vector<CheckedRow> checked;   // complete rows that convert
  std::vector<std::string> omitted;  // codes of incomplete rows
  std::vector<std::string> faults;   // why each failing row does not convert
  std::vector<std::string> implausible;  // converted outside the ARP range
  std::vector<size_t> failing_rows;      // indices in the table
  std::string first_failing;             // the first failing row's code
};

// Checks every complete row, before anything is drawn. Returns an outcome
// only when a row's receiver is not in the catalogue, which stops the run
// at once; every other finding goes to `found`.
std::optional<ReportOutcome> CheckRows(const std::vector<TableRow>& rows,
                                       const Catalogue& catalogue,
                                       RowCheck* found) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const TableRow& row = rows[i];
    RowResult result = ConvertRow(row.values, catalogue);
    switch (result.status) {
      case RowStatus::kNotBegun:
      case RowStatus::kIncomplete:
        found->omitted.push_back(row.codigo);
        continue;
      case RowStatus::kUnknownReceiver:
        return PdfError(RowFaultText(result, row.values));
      case RowStatus::kNoFormula:
      case RowStatus::kMathError:
        if (found->failing_rows.empty()) found->first_failing = row.codigo;
        found->failing_rows.push_back(i);
        found->faults.push_back("PUNTO " + row.codigo + ": " +
                                RowFaultText(result, row.values));
        continue;
      case RowStatus::kImplausible:
        found->implausible.push_back("PUNTO " + row.codigo + ": " +
                                     FormatFixed(result.conversion->arp, 4) +
                                     " m");
        break;
      case RowStatus::kConverts:
        break;
    }
    found->checked.push_back(
        {&row, result.constants, std::move(*result.conversion)});
  }
  return std::nullopt;
}

// The message that stops the run after the check, if any: rows that do not
// convert, no complete row, or heights out of range not yet accepted.
std::optional<ReportOutcome> Refusal(RowCheck& found, bool accept_implausible) {
  if (!found.failing_rows.empty()) {
    return ReportOutcome{MessageKind::kError, "Error",
                         "ERROR MATEMÁTICO EN PUNTO " + found.first_failing +
                             "\nNO SE GENERÓ EL REPORTE. FILAS A CORREGIR:" +
                             ListedLines(found.faults),
                         "", std::move(found.failing_rows)};
  }
  if (found.checked.empty()) {
    return ReportOutcome{MessageKind::kWarning,
                         "Error",
                         "NINGUNA FILA ESTÁ COMPLETA (RECEPTOR, TIPO, "
                         "ACCESORIO, REFERENCIA Y ALTURA): NO SE GENERÓ EL "
                         "REPORTE.",
                         "",
                         {}};
  }
  if (!found.implausible.empty() && !accept_implausible) {
    return ReportOutcome{MessageKind::kQuestion,
                         "ALTURAS FUERA DE RANGO",
                         std::string(kImplausibleArpText) + ":" +
                             ListedLines(found.implausible) +
                             "\n\n¿GENERAR EL REPORTE DE TODOS MODOS?",
                         "",
                         {}};
  }
  return std::nullopt;
}

// Draws one page per checked row and saves the protected document at the
// project's report path. The pages take the rows' conversions.
ReportOutcome WriteReport(const std::string& ruta_base, RowCheck& found,
                          size_t row_count, const std::string& fecha,
                          const ReportServices& services) {
  std::vector<CheckedRow>& checked = found.checked;
  const std::string ruta_guardado = ReportPath(ruta_base);
  const std::string owner_pass = GenerateOwnerPassword(services.random);
  std::unique_ptr<PdfDocument> document = services.documents.Create();
  if (!document) return PdfError("NO SE PUDO CREAR EL DOCUMENTO PDF.");
  document->SetInfo({"CONVERSIÓN DE ALTURA",
                     "ALTURA DE ANTENA DE CADA PUNTO REDUCIDA AL ARP Y AL "
                     "CENTRO DE FASE",
                     services.author});
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
  if (!saved.ok()) return PdfError(PdfSaveFailedText(saved));
  return {MessageKind::kInfo,
          "PDF GENERADO",
          "ARCHIVO GUARDADO EN:\n" + BoxPath(ruta_guardado) + "\n" +
              CountLine(checked.size(), row_count, found.omitted),
          ruta_guardado,
          {}};
}

// The body of a run once the inputs are known to be there. Failures come
// back as outcomes; exceptions (an exhausted system random source, memory)
// are turned into one by the caller.
ReportOutcome Generate(const std::string& ruta_base,
                       const std::vector<TableRow>& rows,
                       const std::string& fecha, const ReportServices& services,
                       bool accept_implausible) {
  RowCheck found;
  if (std::optional<ReportOutcome> stop =
          CheckRows(rows, services.catalogue, &found)) {
    return std::move(*stop);
  }
  if (std::optional<ReportOutcome> stop = Refusal(found, accept_implausible)) {
    return std::move(*stop);
  }
  return WriteReport(ruta_base, found, rows.size(), fecha, services);
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
    return PdfError(kUnknownPdfError);
  }
}

}  // namespace zarvek
