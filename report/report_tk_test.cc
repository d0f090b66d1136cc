// The report button under Xvfb: what the window shows and opens after a
// run, from the rows as the user left them.
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "measurements/measurement_file.h"
#include "testing/gui_fixture.h"
#include "testing/report_baseline.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using testing::GuiTest;

// The lines of a message box's text.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

class ReportButtonTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    fs::create_directories(root_ / "2. DATOS GNSS" / "4. 100");
    fs::create_directories(root_ / "2. DATOS GNSS" / "5. 101");
    AppServices services;
    services.open_file = [this](const std::string& p) { opened_.push_back(p); };
    services.today = [] { return "07/12/2026"; };
    MakeApp(services);
  }
  void Press() {
    Call({".tab_control.tab_alturas.bottom_frame.btn_pdf", "invoke"});
  }
  std::string HeightStyle(size_t i) {
    return Call({app_->heights_tab().cells()[i].h, "cget", "-style"});
  }
  void OpenProject() {
    AnswerDirectory(root_.string());
    app_->heights_tab().seleccionar_directorio_trabajo();
    ASSERT_EQ(app_->heights_tab().cells().size(), 2u);
    // The points' observation files are read before the report is asked
    // for: its box then has no note of a reading in progress.
    app_->rinex_column().Finish();
  }

  // Fills row `i` as the user would: choices through the boxes' events.
  void Fill(size_t i, const std::string& tipo, const std::string& acc,
            const std::string& ref, const std::string& h) {
    const RowCells& row = app_->heights_tab().cells()[i];
    Call({row.tipo, "set", tipo});
    Call({"event", "generate", row.tipo, "<<ComboboxSelected>>"});
    Call({row.acc, "set", acc});
    Call({"event", "generate", row.acc, "<<ComboboxSelected>>"});
    if (!ref.empty()) {
      Call({row.ref, "set", ref});
      Call({"event", "generate", row.ref, "<<ComboboxSelected>>"});
    }
    Call({row.h, "insert", 0, h});
  }

  std::vector<std::string> LastMessage() {
    auto messages = Messages();
    return messages.empty() ? std::vector<std::string>{} : messages.back();
  }

  testing::TempDir temp_;
  const fs::path& root_ = temp_.path();
  const fs::path pdf_ = root_ / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf";
  std::vector<std::string> opened_;
};

TEST_F(ReportButtonTest, CompleteRowsAreSavedReportedAndOpened) {
  OpenProject();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1.5");
  Fill(1, "VERTICAL", "BASTÓN", "", " 2 ");  // R3 is chosen by itself
  Press();
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-title"), "PDF GENERADO");
  EXPECT_EQ(Option(message, "-icon"), "info");
  EXPECT_EQ(Option(message, "-message"), "ARCHIVO GUARDADO EN:\n" +
                                             BoxPath(pdf_.string()) +
                                             "\nPUNTOS EN EL REPORTE: 2 DE 2.");
  EXPECT_TRUE(fs::exists(pdf_));
  EXPECT_EQ(opened_, std::vector<std::string>{pdf_.string()});
}

TEST_F(ReportButtonTest, NoProjectWarns) {
  app_->report_command().generar_pdf_conversion();
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-icon"), "warning");
  EXPECT_EQ(Option(message, "-title"), "Error");
  EXPECT_EQ(Option(message, "-message"), "FALTAN DATOS O CONFIGURACIÓN.");
}

// A press on the report button while another project's table is being
// built (the build runs the event loop) waits for that project, then acts on
// it alone: the earlier project's report stays as it was.
TEST_F(ReportButtonTest, PressWhileAnotherProjectOpensActsOnThatOneAlone) {
  OpenProject();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1.5");
  Press();
  const std::string earlier = testing::ReadFileBytes(pdf_);
  ASSERT_FALSE(earlier.empty());

  // Project B: 300 points, every row complete in its measurement file.
  const fs::path b = root_ / "b";
  const fs::path datos = b / "2. DATOS GNSS";
  std::vector<std::string> codes;
  for (int i = 0; i < 300; ++i) {
    codes.push_back(std::to_string(2000 + i));
    fs::create_directories(datos / (std::to_string(i + 4) + ". " + codes[i]));
  }
  const Catalogue specs = BuildEquiposSpecs();
  MeasurementFile file;
  file.Bind(codes, specs);
  for (size_t i = 0; i < codes.size(); ++i) {
    file.Update(i, {"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "2"}, specs,
                "QUENTARO R300");
  }
  std::ofstream(datos / "ALTURAS DE ANTENA.csv", std::ios::binary)
      << file.Serialize();

  ClearMessages();
  AnswerDirectory(b.string());
  Call({"after", "idle",
        tk::Obj::List({".tab_control.tab_alturas.bottom_frame.btn_pdf",
                       "invoke"})});
  Call({".tab_control.tab_alturas.top_panel.btn_buscar", "invoke"});

  EXPECT_TRUE(testing::ReadFileBytes(pdf_) == earlier);
  const fs::path b_pdf = datos / "CONVERSION DE ALTURA.pdf";
  EXPECT_TRUE(fs::exists(b_pdf));
  const auto message = LastMessage();
  EXPECT_EQ(Option(message, "-title"), "PDF GENERADO");
  // The box names B's report (written with the system's separators, a long
  // path broken between names over several lines), and B's points as not
  // checked yet: its files were still being read.
  const std::vector<std::string> lines = Lines(Option(message, "-message"));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.back(),
            "SIN COMPROBAR TODAVÍA, LECTURA EN CURSO (…): 2000, 2001, 2002, "
            "2003, 2004, 2005, 2006, 2007, 2008, 2009, … Y 290 MÁS.");
  const auto count_line =
      std::find(lines.begin(), lines.end(), "PUNTOS EN EL REPORTE: 300 DE 300.");
  ASSERT_NE(count_line, lines.end());
  EXPECT_EQ(lines[0], "ARCHIVO GUARDADO EN:");
  std::string shown;
  for (auto line = lines.begin() + 1; line != count_line; ++line) shown += *line;
  EXPECT_EQ(fs::path(shown).lexically_normal(), b_pdf.lexically_normal());
}

// A report on disk is replaced only by a complete, checked, confirmed one.
TEST_F(ReportButtonTest, EarlierReportSurvivesEveryRefusedRun) {
  OpenProject();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1.5");
  Press();
  const std::string good = testing::ReadFileBytes(pdf_);
  ASSERT_FALSE(good.empty());
  ClearMessages();

  // No complete row.
  const RowCells& row0 = app_->heights_tab().cells()[0];
  Call({row0.h, "delete", 0, "end"});
  Press();
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-icon"), "warning");
  EXPECT_EQ(Option(message, "-title"), "Error");
  EXPECT_EQ(Option(message, "-message"),
            "NINGUNA FILA ESTÁ COMPLETA (RECEPTOR, TIPO, ACCESORIO, "
            "REFERENCIA Y ALTURA): NO SE GENERÓ EL REPORTE.");

  // Every failing row is named and its height cell marked until edited.
  Call({row0.h, "insert", 0, "1,5,2"});
  Fill(1, "VERTICAL", "BASTÓN", "", "l.75");
  Press();
  message = LastMessage();
  EXPECT_EQ(Option(message, "-icon"), "error");
  const std::string text = Option(message, "-message");
  EXPECT_EQ(text.substr(0, text.find('\n')), "ERROR MATEMÁTICO EN PUNTO 100");
  EXPECT_NE(text.find("\nPUNTO 100: LA ALTURA NO ES UN NÚMERO"),
            std::string::npos);
  EXPECT_NE(text.find("\nPUNTO 101: LA ALTURA NO ES UN NÚMERO"),
            std::string::npos);
  EXPECT_EQ(HeightStyle(0), "Falla.TEntry");
  EXPECT_EQ(HeightStyle(1), "Falla.TEntry");
  Call({std::string(MainWindow::kTabControl), "select", std::string(MainWindow::kTabAlturas)});
  Call({"update"});
  Call({"focus", "-force", row0.h});
  Call({row0.h, "icursor", "end"});
  Call({"event", "generate", row0.h, "<KeyPress>", "-keysym", "BackSpace"});
  EXPECT_EQ(Call({row0.h, "get"}), "1,5,");
  EXPECT_EQ(HeightStyle(0), "");
  EXPECT_EQ(HeightStyle(1), "Falla.TEntry");

  // A height typed in centimetres is asked about; "No" writes nothing.
  Call({row0.h, "delete", 0, "end"});
  Call({row0.h, "insert", 0, "145.2"});
  Call({app_->heights_tab().cells()[1].h, "delete", 0, "end"});
  Call({app_->heights_tab().cells()[1].h, "insert", 0, "1.5"});
  AnswerQuestion("no");
  ClearMessages();
  Press();
  ASSERT_EQ(Messages().size(), 1u);
  message = LastMessage();
  EXPECT_EQ(Option(message, "-type"), "yesno");
  EXPECT_EQ(Option(message, "-title"), "ALTURAS FUERA DE RANGO");
  EXPECT_NE(Option(message, "-message").find("PUNTO 100: 145.1300 m"),
            std::string::npos);
  EXPECT_EQ(HeightStyle(1), "");  // mended: the mark is gone

  EXPECT_EQ(testing::ReadFileBytes(pdf_), good);
  EXPECT_EQ(opened_.size(), 1u);

  AnswerQuestion("yes");
  Press();
  EXPECT_EQ(Option(LastMessage(), "-title"), "PDF GENERADO");
  EXPECT_NE(testing::ReadFileBytes(pdf_), good);
  EXPECT_EQ(opened_.size(), 2u);
}

// A press on a full 1,000-row table writes the whole report (what it costs
// in memory is measured by report_button_bench).
TEST_F(ReportButtonTest, ThousandRowsGiveTheWholeReport) {
  constexpr int kRows = 1000;
  fs::remove_all(root_ / "2. DATOS GNSS");
  for (int i = 0; i < kRows; ++i) {
    fs::create_directories(root_ / "2. DATOS GNSS" /
                           (std::to_string(i + 4) + ". " +
                            std::to_string(1000 + i)));
  }
  ASSERT_TRUE(app_->heights_tab().LoadProject(root_.string()));
  ASSERT_EQ(app_->heights_tab().cells().size(), size_t{kRows});
  for (int i = 0; i < kRows; ++i) {
    const testing::BenchKind& k = testing::kBenchKinds[i % 6];
    const RowCells& row = app_->heights_tab().cells()[i];
    Call({row.rec, "set", k.rec});
    app_->heights_tab().OnRowRecChange(i);
    Call({row.tipo, "set", k.tipo});
    app_->heights_tab().OnRowTypeChange(i);
    Call({row.acc, "set", k.acc});
    app_->heights_tab().OnRowAccChange(i);
    Call({row.ref, "set", k.ref});
    Call({"event", "generate", row.ref, "<<ComboboxSelected>>"});
    Call({row.h, "insert", 0, k.h});
  }
  app_->heights_tab().WaitForSaves();
  Call({"update"});

  Press();
  ASSERT_EQ(Option(LastMessage(), "-title"), "PDF GENERADO");
  ASSERT_GT(fs::file_size(pdf_), 1000u * 800);
}

}  // namespace
}  // namespace zarvek
