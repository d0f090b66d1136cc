#include "report/report.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/recording_canvas.h"
#include "testing/seeded_random.h"

namespace zarvek {
namespace {

const char kPath[] = "/p/2. DATOS GNSS/CONVERSION DE ALTURA.pdf";

RowInput Complete(std::string codigo, std::string h = "1.5") {
  return {codigo, "QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", h};
}

class ReportRun : public ::testing::Test {
 protected:
  ReportOutcome Run(const std::string& ruta_base,
                    const std::vector<RowInput>& rows) {
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
  RowInput no_height = Complete("101", "");
  RowInput no_accessory = Complete("103");
  no_accessory.acc = "";
  const ReportOutcome outcome =
      Run("/p", {Complete("100"), no_height, Complete("102"), no_accessory,
                 Complete("104", "1.6")});

  EXPECT_EQ(outcome.kind, MessageKind::kInfo);
  EXPECT_EQ(outcome.title, "PDF GENERADO");
  EXPECT_EQ(outcome.text, std::string("ARCHIVO GUARDADO EN:\n") + kPath);
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

TEST_F(ReportRun, FailingRowStopsBeforeAnythingIsSaved) {
  const ReportOutcome outcome =
      Run("/p", {Complete("100"), Complete("102", "0.06"), Complete("104")});
  EXPECT_EQ(outcome.kind, MessageKind::kError);
  EXPECT_EQ(outcome.title, "Error");
  EXPECT_EQ(outcome.text, "ERROR MATEMÁTICO EN PUNTO 102");
  EXPECT_TRUE(outcome.open_path.empty());
  EXPECT_TRUE(documents_.saves().empty());
}

TEST_F(ReportRun, MissingDataWarnsAndDoesNothing) {
  for (const auto& [base, rows] :
       std::vector<std::pair<std::string, std::vector<RowInput>>>{
           {"", {Complete("100")}}, {"/p", {}}}) {
    const ReportOutcome outcome = Run(base, rows);
    EXPECT_EQ(outcome.kind, MessageKind::kWarning);
    EXPECT_EQ(outcome.title, "Error");
    EXPECT_EQ(outcome.text, "FALTAN DATOS O CONFIGURACIÓN.");
  }
  EXPECT_EQ(documents_.documents_created(), 0u);
}

TEST_F(ReportRun, NoCompleteRowStillSavesAnEmptyReport) {
  const ReportOutcome outcome = Run("/p/", {Complete("100", "")});
  EXPECT_EQ(outcome.kind, MessageKind::kInfo);
  EXPECT_EQ(documents_.canvas(0).pages_shown(), 0);
  ASSERT_EQ(documents_.saves().size(), 1u);
  EXPECT_EQ(documents_.saves()[0].path, kPath);  // no doubled separator
}

TEST_F(ReportRun, OtherFailuresGiveErrorPdfWithTheirOwnText) {
  RowInput unknown = Complete("100");
  unknown.rec = "OTRO MODELO";
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
}

TEST(FormatDate, TwoDigitDayAndMonthFourDigitYear) {
  EXPECT_EQ(FormatDate(5, 3, 2025), "05/03/2025");
  EXPECT_EQ(FormatDate(31, 12, 999), "31/12/0999");
}

}  // namespace
}  // namespace zarvek
