// The whole report on real files: the real PDF writer with its protection,
// the shipped pictures and the atomic write, checked with the tools a user's
// readers are built on (qpdf, poppler, mupdf).
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gtest/gtest.h"
#include "platform/fs.h"
#include "platform/messages_locale.h"
#include "pdf/pdf_writer.h"
#include "platform/random.h"
#include "report/report.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

std::string Quote(const std::string& path) {
  std::string out = "'";
  for (char c : path)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The page count pdfinfo reads, or -1.
int PageCount(const fs::path& pdf) {
  std::string info = Shell("pdfinfo " + Quote(pdf.string()) + " 2>&1");
  size_t at = info.find("Pages:");
  if (at == std::string::npos) return -1;
  return std::atoi(info.c_str() + at + 6);
}

class ReportFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("zarvek report $ñ " + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "2. DATOS GNSS");
    pdf_ = root_ / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf";
  }
  void TearDown() override { fs::remove_all(root_); }

  ReportOutcome Generate(const std::vector<TableRow>& rows,
                         const fs::path& base) {
    std::string resources = std::string(ZARVEK_SOURCE_DIR) + "/resources/";
    ReportServices services{
        catalogue_, factory_, SystemRandom(),
        ResourceLookup{
            [resources](const std::string& n) { return resources + n; },
            [](const std::string& p) { return RealFileSystem().Exists(p); }},
        "Íñigo Peña Ávila"};
    return RunConversionReport(base.string(), rows, "07/12/2026", services);
  }

  std::vector<TableRow> ThreeModes() {
    return {
        {"100", {"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5"}},
        {"101", {"QUENTARO R300", "VERTICAL", "", "", "1.5"}},  // incomplete
        {"0105", {"QUENTARO R700", "INCLINADA", "BÍPODE Y BASTÓN", "R2", "1.6"}},
        {"106", {"QUENTARO R100", "VERTICAL", "BASTÓN", "R3", " 2 "}},
    };
  }

  Catalogue catalogue_ = BuildEquiposSpecs();
  PdfWriterDocumentFactory factory_{"QUENTARO V1.1"};
  fs::path root_, pdf_;
};

TEST_F(ReportFiles, ThreeRowsGiveThreeProtectedPagesUnderAnyLocale) {
  // A comma-decimal desktop must not change a single number on the pages.
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved_locale = old ? old : "C";
  bool comma = std::setlocale(LC_ALL, "es_ES.UTF-8") != nullptr;
  ReportOutcome outcome = Generate(ThreeModes(), root_);
  std::setlocale(LC_ALL, saved_locale.c_str());
  EXPECT_TRUE(comma) << "es_ES.UTF-8 missing: scripts/install-deps.sh makes it";

  ASSERT_EQ(outcome.title, "PDF GENERADO") << outcome.text;
  EXPECT_EQ(outcome.open_path, pdf_.string());
  EXPECT_EQ(outcome.text, "ARCHIVO GUARDADO EN:\n" + BoxPath(pdf_.string()) +
                              "\nPUNTOS EN EL REPORTE: 3 DE 4. OMITIDOS POR "
                              "INCOMPLETOS: 101");
  const std::string q = Quote(pdf_.string());

  EXPECT_NE(Shell("qpdf --check " + q + " 2>&1")
                .find("No syntax or stream "
                      "encoding errors"),
            std::string::npos);
  EXPECT_EQ(PageCount(pdf_), 3);
  const std::string enc = Shell("qpdf --show-encryption " + q + " 2>&1");
  for (const char* line :
       {"R = 4", "User password = \n", "print low resolution: allowed",
        "print high resolution: allowed", "modify anything: not allowed",
        "extract for any purpose: not allowed",
        "modify annotations: not allowed", "modify forms: allowed",
        "modify document assembly: not allowed",
        "file encryption method: AESv2"}) {
    EXPECT_NE(enc.find(line), std::string::npos) << line << "\n" << enc;
  }
  // What the document says of itself, and the empty signature field on its
  // last page.
  const std::string info = Shell("pdfinfo -enc UTF-8 " + q + " 2>&1");
  for (const char* line :
       {"Title:           CONVERSIÓN DE ALTURA\n",
        "Subject:         ALTURA DE ANTENA DE CADA PUNTO REDUCIDA AL ARP Y AL "
        "CENTRO DE FASE\n",
        "Author:          Íñigo Peña Ávila\n",
        "Creator:         QUENTARO V1.1\n", "CreationDate:", "ModDate:"}) {
    EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
  }
  const std::string form =
      Shell("qpdf --json --json-key=acroform " + q + " 2>&1");
  EXPECT_NE(form.find("\"fieldtype\": \"/Sig\""), std::string::npos) << form;
  EXPECT_NE(form.find("\"pageposfrom1\": 3"), std::string::npos) << form;
  // Opens without a password in poppler and in mupdf.
  EXPECT_EQ(
      std::system(
          ("mutool draw -q -o /dev/null " + q + " >/dev/null 2>&1").c_str()),
      0);
  const std::string text = Shell("pdftotext -layout " + q + " - 2>&1");
  for (const char* expected :
       {"PÁGINA 1/3", "PÁGINA 2/3", "PÁGINA 3/3", "PUNTO: 100", "PUNTO: 0105",
        "PUNTO: 106", "CONVERSIÓN DE ALTURA", "ESPECIFICACIONES TÉCNICAS",
        "APUNTES DE CAMPO", "FÓRMULA TEÓRICA", "SUSTITUCIÓN DE VALORES",
        "BÍPODE Y BASTÓN",
        "FECHA DE CONVERSIÓN: "
        "07/12/2026",
        // R300 slant to R1 at 1.5 m: sqrt(1.5² - 0.067²) - 0.07.
        "1.5000² - 0.0670²", "- 0.0700", "1.4285 m", "1.5105 m", "1.5000 m",
        "1.4285 + 0.0820", "0.0670 m",
        // R700 slant to R2 at 1.6 m: sqrt(1.6² - 0.13²).
        "1.6000² - 0.1300²", "1.5947 m", "1.6817 m", "0.1300 m",
        // R100 vertical at 2 m: ARP 2, phase centre 2 + 0.263.
        "2.0000", "2.0000 m", "2.2630 m", "0.2630"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  }
  EXPECT_EQ(text.find("101"), std::string::npos);
  EXPECT_EQ(text.find("1,500"), std::string::npos);

  // Kept for a person to look at (pdftoppm -png -r 80).
  fs::create_directories(fs::path(ZARVEK_BINARY_DIR) / "artifacts");
  fs::copy_file(
      pdf_,
      fs::path(ZARVEK_BINARY_DIR) / "artifacts" / "report_three_modes.pdf",
      fs::copy_options::overwrite_existing);
}

TEST_F(ReportFiles, RefusedRunsLeaveTheEarlierReportByteIdentical) {
  ASSERT_EQ(Generate(ThreeModes(), root_).title, "PDF GENERADO");
  const std::string before = testing::ReadFileBytes(pdf_);
  std::vector<TableRow> failing = ThreeModes();
  failing[2].values.h = "0.1";  // shorter than the plate: no slant reduction
  std::vector<TableRow> implausible = ThreeModes();
  implausible[3].values.h = "2000";  // millimetres, and not confirmed
  const std::vector<TableRow> no_complete_row = {
      {"100", {"QUENTARO R300", "", "", "", ""}}};
  for (const auto& rows : {failing, implausible, no_complete_row}) {
    ReportOutcome outcome = Generate(rows, root_);
    EXPECT_NE(outcome.kind, MessageKind::kInfo) << outcome.text;
    EXPECT_EQ(testing::ReadFileBytes(pdf_), before);
    int entries = 0;
    for (const auto& e : fs::directory_iterator(root_ / "2. DATOS GNSS")) {
      (void)e;
      ++entries;
    }
    EXPECT_EQ(entries, 1);
  }
}

// The system's own text, in the desktop's language, while numbers keep the
// point.
TEST_F(ReportFiles, MissingDataFolderGivesTheSystemsTextInTheUsersLanguage) {
  const char* names[] = {"LC_ALL", "LANGUAGE"};
  std::string saved[2];
  bool had[2];
  for (int i = 0; i < 2; ++i) {
    const char* v = std::getenv(names[i]);
    had[i] = v != nullptr;
    saved[i] = v ? v : "";
  }
  ::setenv("LC_ALL", "es_ES.UTF-8", 1);
  ::unsetenv("LANGUAGE");
  UseDesktopLanguageForMessages();
  const std::string messages = std::setlocale(LC_MESSAGES, nullptr);
  const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);

  fs::remove_all(root_ / "2. DATOS GNSS");
  ReportOutcome outcome = Generate(ThreeModes(), root_);
  // UTF-8 for the window even where the character type locale is "C".
  const std::string accented = std::strerror(EROFS);

  std::setlocale(LC_MESSAGES, "C");
  for (int i = 0; i < 2; ++i) {
    if (had[i]) {
      ::setenv(names[i], saved[i].c_str(), 1);
    } else {
      ::unsetenv(names[i]);
    }
  }
  EXPECT_EQ(messages, "es_ES.UTF-8");
  EXPECT_EQ(numeric, "C");
  EXPECT_EQ(accented, "Sistema de ficheros de sólo lectura");
  EXPECT_EQ(outcome.title, "ERROR PDF");
  EXPECT_EQ(outcome.text.find("No existe el fichero o el directorio: " +
                              (root_ / "2. DATOS GNSS").string()),
            0u)
      << outcome.text;
  EXPECT_FALSE(fs::exists(root_ / "2. DATOS GNSS"));
}

}  // namespace
}  // namespace zarvek
