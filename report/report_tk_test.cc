// The report button built alone under Xvfb, over a table the test fills:
// what it shows and opens after a run, the marks of the rows that fail,
// and a press while another project opens.
#include "report/report_tk.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "heights/measurement_table.h"
#include "pdf/pdf_writer.h"
#include "platform/fs.h"
#include "platform/random.h"
#include "rinex/rinex_verdict.h"
#include "testing/report_baseline.h"
#include "testing/room_fixture.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

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

// The report command built alone under a frame of its own, over a table
// the test fills as the heights tab would, with one height entry per row
// (where a failing row's mark shows) and the RINEX states the test sets.
class ReportButtonTest : public testing::RoomTest {
 protected:
  static constexpr const char* kBottom = ".salas.sala.abajo";
  /// Where the rows' height entries are.
  static constexpr const char* kCells = ".salas.sala.celdas";

  void SetUp() override {
    RoomTest::SetUp();
    fs::create_directories(root_ / "2. DATOS GNSS" / "4. 100");
    fs::create_directories(root_ / "2. DATOS GNSS" / "5. 101");
    Call({"ttk::frame", kBottom});
    Call({"pack", kBottom, "-fill", "x"});
    Call({"ttk::frame", kCells});
    Call({"pack", kCells, "-fill", "both"});
    command_ = std::make_unique<ReportCommand>(
        *ui_, table_,
        [this](size_t row) {
          return row < entries_.size() ? entries_[row] : std::string();
        },
        project_, equipos_specs_,
        ReportCommandServices{
            pdf_, SystemRandom(), RealFileSystem(),
            // The pictures the program's build puts beside it.
            [](const std::string& name) {
              return std::string(ZARVEK_BINARY_DIR) + "/resources/" + name;
            },
            [] { return std::string("07/12/2026"); },
            [this](const std::string& p) { opened_.push_back(p); },
            [this] { return states_; }, [this] { return author_; }},
        kBottom);
  }
  void DestroyRooms() override { command_.reset(); }

  void Press() { Call({command_->button(), "invoke"}); }
  std::string HeightStyle(size_t i) {
    return Call({entries_.at(i), "cget", "-style"});
  }
  // Opens the project at `folder` with the rows of `codes`, as the heights
  // tab does: new rows have the default receiver and nothing else, or the
  // values of `saved`; the points' observation files are read, with
  // nothing found (`state`).
  void Open(const fs::path& folder, const std::vector<std::string>& codes,
            const std::vector<std::optional<RowValues>>& saved = {},
            RinexState state = RinexState::kEmpty) {
    table_.Reset(codes, saved, RowValues{"QUENTARO R300", "", "", "", ""});
    for (const std::string& entry : entries_) Call({"destroy", entry});
    entries_.clear();
    states_.clear();
    for (size_t i = 0; i < codes.size(); ++i) {
      entries_.push_back(std::string(kCells) + ".h" + std::to_string(i));
      Call({"ttk::entry", entries_.back()});
      Call({"pack", entries_.back(), "-side", "top"});
      Call({entries_.back(), "insert", 0, table_.values(i).h});
      states_.push_back(PointRinexState{codes[i], state});
    }
    project_.Set(folder.string(), codes);
  }
  void OpenPoints() { Open(root_, {"100", "101"}); }

  // Fills row `i` as the surveyor leaves it.
  void Fill(size_t i, const std::string& tipo, const std::string& acc,
            const std::string& ref, const std::string& h) {
    table_.Set(i, RowValues{"QUENTARO R300", tipo, acc, ref, h});
    Call({entries_[i], "delete", 0, "end"});
    Call({entries_[i], "insert", 0, h});
  }
  // Types `h` over the height of row `i`.
  void SetHeight(size_t i, const std::string& h) {
    table_.SetField(i, RowField::kH, h);
    Call({entries_[i], "delete", 0, "end"});
    Call({entries_[i], "insert", 0, h});
  }

  std::vector<std::string> LastMessage() {
    auto messages = Messages();
    return messages.empty() ? std::vector<std::string>{} : messages.back();
  }

  testing::TempDir temp_;
  const fs::path& root_ = temp_.path();
  const fs::path pdf_path_ =
      root_ / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf";
  PdfWriterDocumentFactory pdf_{"QUENTARO"};
  MeasurementTable table_;
  std::vector<std::string> entries_;
  std::vector<PointRinexState> states_;
  std::vector<std::string> opened_;
  std::string author_;
  std::unique_ptr<ReportCommand> command_;
};

// What pdfinfo says of `pdf`, in UTF-8.
std::string PdfInfoOf(const fs::path& pdf) {
  std::string out;
  FILE* p =
      ::popen(("pdfinfo -enc UTF-8 '" + pdf.string() + "' 2>&1").c_str(), "r");
  if (p == nullptr) return out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
  ::pclose(p);
  return out;
}

TEST_F(ReportButtonTest, CompleteRowsAreSavedReportedAndOpened) {
  OpenPoints();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1.5");
  Fill(1, "VERTICAL", "BASTÓN", "R3", " 2 ");
  Press();
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-title"), "PDF GENERADO");
  EXPECT_EQ(Option(message, "-icon"), "info");
  EXPECT_EQ(Option(message, "-message"), "ARCHIVO GUARDADO EN:\n" +
                                             BoxPath(pdf_path_.string()) +
                                             "\nPUNTOS EN EL REPORTE: 2 DE 2.");
  EXPECT_TRUE(fs::exists(pdf_path_));
  EXPECT_EQ(opened_, std::vector<std::string>{pdf_path_.string()});
  EXPECT_NE(PdfInfoOf(pdf_path_).find("Creator:         QUENTARO\n"),
            std::string::npos);

  // The author is the surveyor's name as it is set when the button is
  // pressed.
  author_ = "Begoña Ruiz Íñiguez";
  Press();
  EXPECT_NE(PdfInfoOf(pdf_path_).find("Author:          Begoña Ruiz Íñiguez\n"),
            std::string::npos)
      << PdfInfoOf(pdf_path_);
}

TEST_F(ReportButtonTest, NoProjectWarns) {
  command_->generar_pdf_conversion();
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-icon"), "warning");
  EXPECT_EQ(Option(message, "-title"), "Error");
  EXPECT_EQ(Option(message, "-message"), "FALTAN DATOS O CONFIGURACIÓN.");
}

// A press on the report button while another project's table is being
// built (the build runs the event loop) waits for that project, then acts on
// it alone: the earlier project's report stays as it was.
TEST_F(ReportButtonTest, PressWhileAnotherProjectOpensActsOnThatOneAlone) {
  OpenPoints();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1.5");
  Press();
  const std::string earlier = testing::ReadFileBytes(pdf_path_);
  ASSERT_FALSE(earlier.empty());

  // Project B: 300 points, every row complete, whose files are still being
  // read when its table is there.
  const fs::path b = root_ / "b";
  const fs::path datos = b / "2. DATOS GNSS";
  std::vector<std::string> codes;
  std::vector<std::optional<RowValues>> saved;
  for (int i = 0; i < 300; ++i) {
    codes.push_back(std::to_string(2000 + i));
    fs::create_directories(datos / (std::to_string(i + 4) + ". " + codes[i]));
    saved.push_back(
        RowValues{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "2"});
  }

  // The press comes while B opens: it waits for the change to end.
  ClearMessages();
  project_.BeginChange();
  Press();
  EXPECT_TRUE(Messages().empty());
  Open(b, codes, saved, RinexState::kPending);
  project_.EndChange();

  EXPECT_TRUE(testing::ReadFileBytes(pdf_path_) == earlier);
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
  OpenPoints();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1.5");
  Press();
  const std::string good = testing::ReadFileBytes(pdf_path_);
  ASSERT_FALSE(good.empty());
  ClearMessages();

  // No complete row.
  const std::string row0 = entries_[0];
  SetHeight(0, "");
  Press();
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-icon"), "warning");
  EXPECT_EQ(Option(message, "-title"), "Error");
  EXPECT_EQ(Option(message, "-message"),
            "NINGUNA FILA ESTÁ COMPLETA (RECEPTOR, TIPO, ACCESORIO, "
            "REFERENCIA Y ALTURA): NO SE GENERÓ EL REPORTE.");

  // Every failing row is named and its height cell marked until edited.
  SetHeight(0, "1,5,2");
  Fill(1, "VERTICAL", "BASTÓN", "R3", "l.75");
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
  ShowRoom();
  Call({"focus", "-force", row0});
  Call({row0, "icursor", "end"});
  Call({"event", "generate", row0, "<KeyPress>", "-keysym", "BackSpace"});
  EXPECT_EQ(Call({row0, "get"}), "1,5,");
  EXPECT_EQ(HeightStyle(0), "");
  EXPECT_EQ(HeightStyle(1), "Falla.TEntry");

  // A height typed in centimetres is asked about; "No" writes nothing.
  SetHeight(0, "145.2");
  SetHeight(1, "1.5");
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

  EXPECT_EQ(testing::ReadFileBytes(pdf_path_), good);
  EXPECT_EQ(opened_.size(), 1u);

  AnswerQuestion("yes");
  Press();
  EXPECT_EQ(Option(LastMessage(), "-title"), "PDF GENERADO");
  EXPECT_NE(testing::ReadFileBytes(pdf_path_), good);
  EXPECT_EQ(opened_.size(), 2u);
}

// A press on a full 1,000-row table writes the whole report (what it costs
// in memory is measured by report_button_bench).
TEST_F(ReportButtonTest, ThousandRowsGiveTheWholeReport) {
  constexpr int kRows = 1000;
  fs::remove_all(root_ / "2. DATOS GNSS");
  std::vector<std::string> codes;
  std::vector<std::optional<RowValues>> saved;
  for (int i = 0; i < kRows; ++i) {
    codes.push_back(std::to_string(1000 + i));
    fs::create_directories(root_ / "2. DATOS GNSS" /
                           (std::to_string(i + 4) + ". " + codes.back()));
    const testing::BenchKind& k = testing::kBenchKinds[i % 6];
    saved.push_back(RowValues{k.rec, k.tipo, k.acc, k.ref, k.h});
  }
  Open(root_, codes, saved);
  ASSERT_EQ(table_.size(), size_t{kRows});

  Press();
  ASSERT_EQ(Option(LastMessage(), "-title"), "PDF GENERADO");
  ASSERT_GT(fs::file_size(pdf_path_), 1000u * 800);
}

}  // namespace
}  // namespace zarvek
