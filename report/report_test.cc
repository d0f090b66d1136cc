#include "report/report.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/recording_canvas.h"
#include "testing/seeded_random.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

const char kPath[] = "/p/2. DATOS GNSS/CONVERSION DE ALTURA.pdf";

TableRow Complete(std::string codigo, std::string h = "1.5") {
  return {codigo, {"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", h}};
}

class ReportRun : public ::testing::Test {
 protected:
  ReportOutcome Run(const std::string& ruta_base,
                    const std::vector<TableRow>& rows) {
    ReportServices services{
        catalogue_, documents_, random_,
        ResourceLookup{[](const std::string& n) { return "/res/" + n; },
                       [](const std::string&) { return false; }}};
    return RunConversionReport(ruta_base, rows, "05/03/2025", services);
  }

  // The lines of every page drawn by the first document with `prefix`.
  std::vector<std::string> Lines(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : documents_.canvas(0).log()) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

  Catalogue catalogue_ = BuildEquiposSpecs();
  RecordingDocumentFactory documents_;
  SeededRandom random_{1};
};

TEST_F(ReportRun, CompleteRowsBecomeNumberedPagesInTableOrder) {
  TableRow no_height = Complete("101", "");
  TableRow no_accessory = Complete("103");
  no_accessory.values.acc = "";
  const ReportOutcome outcome =
      Run("/p", {Complete("100"), no_height, Complete("102"), no_accessory,
                 Complete("104", "1.6")});

  EXPECT_EQ(outcome.kind, MessageKind::kInfo);
  EXPECT_EQ(outcome.title, "PDF GENERADO");
  EXPECT_EQ(outcome.text, std::string("ARCHIVO GUARDADO EN:\n") +
                              ShownPath(kPath) +
                              "\nPUNTOS EN EL REPORTE: 3 DE 5. OMITIDOS POR "
                              "INCOMPLETOS: 101, 103");
  EXPECT_EQ(outcome.open_path, kPath);
  EXPECT_EQ(documents_.canvas(0).pages_shown(), 3);
  EXPECT_EQ(
      Lines("drawString 56.69 748.35"),
      (std::vector<std::string>{"drawString 56.69 748.35 \"PUNTO: 100\"",
                                "drawString 56.69 748.35 \"PUNTO: 102\"",
                                "drawString 56.69 748.35 \"PUNTO: 104\""}));
  EXPECT_EQ(Lines("drawRightString 552.76"),
            (std::vector<std::string>{
                "drawRightString 552.76 28.35 \"PÁGINA 1/3\"",
                "drawRightString 552.76 28.35 \"PÁGINA 2/3\"",
                "drawRightString 552.76 28.35 \"PÁGINA 3/3\""}));
  ASSERT_EQ(documents_.saves().size(), 1u);
  EXPECT_EQ(documents_.saves()[0].path, kPath);
  EXPECT_EQ(documents_.saves()[0].owner_password.size(), 32u);

  // A second run protects its file with another password.
  Run("/p", {Complete("100")});
  ASSERT_EQ(documents_.saves().size(), 2u);
  EXPECT_NE(documents_.saves()[1].owner_password,
            documents_.saves()[0].owner_password);
}

TEST_F(ReportRun, EveryFailingRowIsListedAndNothingIsSaved) {
  TableRow plate = Complete("107", "0.1");
  plate.values.ref = "R2";
  const ReportOutcome outcome = Run(
      "/p", {Complete("100"), Complete("102", " 1.452,5 "), Complete("103", ""),
             Complete("104", "l.75"), Complete("105", "0.06"),
             Complete("106", "  "), plate, Complete("108", "-1e308")});
  EXPECT_EQ(outcome.kind, MessageKind::kError);
  EXPECT_EQ(outcome.title, "Error");
  EXPECT_EQ(outcome.text,
            "ERROR MATEMÁTICO EN PUNTO 102\n"
            "NO SE GENERÓ EL REPORTE. FILAS A CORREGIR:\n"
            "PUNTO 102: LA ALTURA NO ES UN NÚMERO (ESCRIBA, POR EJEMPLO, "
            "1.52).\n"
            "PUNTO 104: LA ALTURA NO ES UN NÚMERO (ESCRIBA, POR EJEMPLO, "
            "1.52).\n"
            "PUNTO 105: LA ALTURA INCLINADA ES MENOR QUE EL RADIO DE LA "
            "ANTENA (0.067 m).\n"
            "PUNTO 106: FALTA LA ALTURA MEDIDA.\n"
            "PUNTO 107: LA ALTURA INCLINADA ES MENOR QUE LA DISTANCIA DE LA "
            "PLACA (0.12 m).\n"
            "PUNTO 108: LA ALTURA ESTÁ FUERA DE ±1000 m; NO ES UNA ALTURA DE "
            "ANTENA.");
  EXPECT_EQ(outcome.failing_rows, (std::vector<size_t>{1, 3, 4, 5, 6, 7}));
  EXPECT_TRUE(outcome.open_path.empty());
  EXPECT_EQ(documents_.documents_created(), 0u);

  // A long list stays on the screen; the table marks every row.
  std::vector<TableRow> many;
  for (int i = 0; i < 25; ++i) many.push_back(Complete(std::to_string(i), "x"));
  const ReportOutcome long_list = Run("/p", many);
  EXPECT_EQ(long_list.failing_rows.size(), 25u);
  EXPECT_NE(long_list.text.find("PUNTO 19: "), std::string::npos);
  EXPECT_EQ(long_list.text.find("PUNTO 20: "), std::string::npos);
  EXPECT_TRUE(long_list.text.ends_with("\n… Y 5 MÁS."));
  EXPECT_EQ(documents_.documents_created(), 0u);
}

TEST_F(ReportRun, ImplausibleHeightsAreAskedAboutBeforeWriting) {
  auto row = [](std::string codigo, std::string tipo, std::string ref,
                std::string h) {
    return TableRow{codigo, {"QUENTARO R300", tipo, "BASTÓN", ref, h}};
  };
  // ARP heights from 0 to 5 m are not asked about.
  for (const TableRow& plausible :
       {row("1", "INCLINADA", "R2", "0.12"), row("2", "VERTICAL", "R3", "5"),
        row("3", "VERTICAL", "R3", "5.00004")}) {
    EXPECT_EQ(Run("/p", {plausible}).kind, MessageKind::kInfo)
        << plausible.values.h;
  }
  ASSERT_EQ(documents_.saves().size(), 3u);

  const std::vector<TableRow> rows = {row("2410", "VERTICAL", "R3", "1.5"),
                                      row("2411", "INCLINADA", "R1", "145.2"),
                                      row("2412", "VERTICAL", "R3", "-0.5"),
                                      row("2413", "INCLINADA", "R1", "0.067"),
                                      row("2414", "VERTICAL", "R3", "5.0001")};
  const ReportOutcome question = Run("/p", rows);
  EXPECT_EQ(question.kind, MessageKind::kQuestion);
  EXPECT_EQ(question.title, "ALTURAS FUERA DE RANGO");
  EXPECT_EQ(question.text,
            "ALTURA ARP FUERA DEL RANGO DE 0 A 5 m:\n"
            "PUNTO 2411: 145.1300 m\n"
            "PUNTO 2412: -0.5000 m\n"
            "PUNTO 2413: -0.0700 m\n"
            "PUNTO 2414: 5.0001 m\n\n"
            "¿GENERAR EL REPORTE DE TODOS MODOS?");
  EXPECT_EQ(documents_.documents_created(), 3u);

  const ReportOutcome accepted = RunConversionReport(
      "/p", rows, "05/03/2025",
      ReportServices{catalogue_, documents_, random_,
                     ResourceLookup{[](const std::string& n) { return n; },
                                    [](const std::string&) { return false; }}},
      /*accept_implausible=*/true);
  EXPECT_EQ(accepted.kind, MessageKind::kInfo);
  ASSERT_EQ(documents_.saves().size(), 4u);
  EXPECT_EQ(documents_.canvas(3).pages_shown(), 5);
}

TEST_F(ReportRun, MissingDataOrNoCompleteRowWarnsAndDoesNothing) {
  const std::string missing = "FALTAN DATOS O CONFIGURACIÓN.";
  const std::string incomplete =
      "NINGUNA FILA ESTÁ COMPLETA (RECEPTOR, TIPO, ACCESORIO, REFERENCIA Y "
      "ALTURA): NO SE GENERÓ EL REPORTE.";
  TableRow no_type = Complete("101");
  no_type.values.tipo = "";
  struct Case {
    std::string base;
    std::vector<TableRow> rows;
    std::string text;
  } cases[] = {{"", {Complete("100")}, missing},
               {"/p", {}, missing},
               {"/p", {Complete("100", ""), no_type}, incomplete}};
  for (const Case& c : cases) {
    const ReportOutcome outcome = Run(c.base, c.rows);
    EXPECT_EQ(outcome.kind, MessageKind::kWarning);
    EXPECT_EQ(outcome.title, "Error");
    EXPECT_EQ(outcome.text, c.text);
    EXPECT_TRUE(outcome.open_path.empty());
  }
  EXPECT_EQ(documents_.documents_created(), 0u);
}

TEST_F(ReportRun, SuccessNamesAtMostTenOmittedCodes) {
  std::vector<TableRow> rows = {Complete("1")};
  for (int i = 2; i <= 13; ++i) rows.push_back(Complete(std::to_string(i), ""));
  // "/p/": no doubled separator in the path either.
  EXPECT_EQ(Run("/p/", rows).text,
            std::string("ARCHIVO GUARDADO EN:\n") + ShownPath(kPath) +
                "\nPUNTOS EN EL REPORTE: 1 DE 13. OMITIDOS POR "
                "INCOMPLETOS: 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, …");
  EXPECT_EQ(Run("/p", {Complete("1")}).text,
            std::string("ARCHIVO GUARDADO EN:\n") + ShownPath(kPath) +
                "\nPUNTOS EN EL REPORTE: 1 DE 1.");
}

TEST_F(ReportRun, OtherFailuresGiveErrorPdfWithTheirOwnText) {
  TableRow unknown = Complete("100");
  unknown.values.rec = "OTRO MODELO";
  ReportOutcome outcome = Run("/p", {unknown});
  EXPECT_EQ(outcome.title, "ERROR PDF");
  EXPECT_NE(outcome.text.find("OTRO MODELO"), std::string::npos);
  EXPECT_TRUE(documents_.saves().empty());

  documents_.FailSavesWith(
      Status::Error("No such file or directory: " + std::string(kPath)));
  outcome = Run("/p", {Complete("100")});
  EXPECT_EQ(outcome.kind, MessageKind::kError);
  EXPECT_EQ(outcome.title, "ERROR PDF");
  EXPECT_EQ(outcome.text, "No such file or directory: " + std::string(kPath));
  EXPECT_TRUE(outcome.open_path.empty());

  // A report held open by a viewer: the system's text, then what to do.
  documents_.FailSavesWith(
      Status::HeldOpen("Sharing violation: " + std::string(kPath)));
  outcome = Run("/p", {Complete("100")});
  EXPECT_EQ(outcome.title, "ERROR PDF");
  EXPECT_EQ(outcome.text, "Sharing violation: " + std::string(kPath) +
                              "\n\nCIERRE EL PDF EN EL VISOR Y VUELVA A "
                              "INTENTARLO");
}

TEST(FormatDate, TwoDigitDayAndMonthFourDigitYear) {
  EXPECT_EQ(FormatDate(5, 3, 2025), "05/03/2025");
  EXPECT_EQ(FormatDate(31, 12, 999), "31/12/0999");
}

}  // namespace
}  // namespace zarvek
