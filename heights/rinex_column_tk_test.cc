// The RINEX column in the heights tab built alone with its columns and
// report command: a project whose point folders
// hold observation files written by other programs, its rows restored from
// the measurement file, the cells the surveyor reads, and the correction
// made with the "CORREGIR RINEX" button.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "measurements/measurement_file.h"
#include "project/point_detection.h"
#include "rinex/misfiled.h"
#include "testing/heights_room.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Texts = std::vector<std::string>;
using testing::ReadFileBytes;

const stdfs::path kFixtures =
    stdfs::path(ZARVEK_SOURCE_DIR) / "rinex" / "testdata";
class RinexColumnTest : public testing::HeightsRoomTest {
 protected:
  // Points 1001-1007, each with the observation file named here (none for
  // 1006); every row but 1007's is R300, slant to R1 of 1.5 m: ARP 1.4285,
  // phase centre 1.5105.
  void SetUp() override {
    HeightsRoomTest::SetUp();
    const char* files[] = {"v304.obs",         "v211.26o",    "hatanaka.crx",
                           "v304_zero.obs.gz", "garbage.26o", nullptr,
                           "v304.obs"};
    std::string csv =
        "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;"
        "ALTURA MEDIDA (m);ALTURA ARP (m);ALTURA CENTRO DE FASE (m)\r\n";
    const stdfs::path datos = temp_.path() / std::string(kGnssDataFolder);
    for (int i = 0; i < 7; ++i) {
      const std::string code = std::to_string(1001 + i);
      const stdfs::path rinex =
          datos / (std::to_string(i + 4) + ". " + code) / "RINEX";
      stdfs::create_directories(rinex);
      if (files[i]) stdfs::copy_file(kFixtures / files[i], rinex / files[i]);
      if (i < 6)
        csv +=
            code + ";QUENTARO R300;INCLINADA;TRÍPODE;R1;1,5;1,4285;1,5105\r\n";
    }
    std::ofstream(datos / std::string(kMeasurementFileName), std::ios::binary)
        << csv;
    // The report of the tab may be made; no viewer is started.
    MakeRoom();
    Call({std::string(kNotebook), "select", std::string(kRoomTab)});
    AnswerDirectory(temp_.path().string());
    heights_tab().seleccionar_directorio_trabajo();
    ASSERT_EQ(heights_tab().cells().size(), 7u);
  }

  stdfs::path Rinex(int i) {
    return temp_.path() / std::string(kGnssDataFolder) /
           (std::to_string(i + 4) + ". " + std::to_string(1001 + i)) / "RINEX";
  }
  // The same folder as the program names it in its messages.
  std::string RinexText(int i) {
    return temp_.path().string() + "/" + std::string(kGnssDataFolder) + "/" +
           std::to_string(i + 4) + ". " + std::to_string(1001 + i) + "/RINEX";
  }
  // A cell with the mark of files that look like another point's. Points
  // 1001, 1004 and 1007 hold the same observations (v304.obs, and
  // v304_zero.obs.gz under another header): their cells carry it.
  static std::string Marked(const std::string& cell) {
    return cell.empty() ? std::string(kMisfiledMark)
                        : cell + " " + std::string(kMisfiledMark);
  }
  Texts Cells() {
    Texts cells;
    for (size_t i = 0; i < heights_tab().cells().size(); ++i) {
      cells.push_back(Call({rinex_column().canvas(), "itemcget",
                            "rinex" + std::to_string(i), "-text"}));
    }
    return cells;
  }
  // The pointer comes to rest on row `i`'s RINEX cell.
  void Hover(size_t i) {
    const Texts xy = List(
        Call({rinex_column().canvas(), "coords", "rinex" + std::to_string(i)}));
    ASSERT_EQ(xy.size(), 2u);
    Call({"event", "generate", rinex_column().canvas(), "<Motion>", "-x",
          std::stoi(xy[0]), "-y", std::stoi(xy[1])});
  }
  std::string Status() { return Call({kStatus(), "cget", "-text"}); }
  std::string kStatus() { return rinex_column().status_label(); }
  std::string kButton() { return rinex_column().button(); }
  // The surveyor retypes the height of row `i`.
  void TypeHeight(size_t i, const std::string& text) {
    const std::string& h = heights_tab().cells()[i].h;
    // Key events go to the focus window, which X sets on its next event.
    Call({"focus", "-force", h});
    Call({"update"});
    Call({h, "delete", 0, "end"});
    Call({h, "insert", 0, text});
    Call({"event", "generate", h, "<KeyRelease>", "-keysym", "5"});
  }
  // The box that ends a run of the report.
  std::string ReportMessage() {
    ClearMessages();
    Call({report_command().button(), "invoke"});
    return Messages().empty() ? "" : Option(Messages().back(), "-message");
  }
  void ReturnToTheTab() {
    Call({std::string(kNotebook), "select", std::string(kOtherTab)});
    Call({"update"});
    Call({std::string(kNotebook), "select", std::string(kRoomTab)});
    Call({"update"});
    rinex_column().Finish();
  }
  // CORREGIR RINEX, answered `answer`, to its end.
  void Correct(const std::string& answer) {
    AnswerQuestion(answer);
    Call({kButton(), "invoke"});
    rinex_column().Finish();
  }

  testing::TempDir temp_;
};

TEST_F(RinexColumnTest, EachPointsVerdictFollowsItsRowAndIsReadAgainOnReturn) {
  rinex_column().Finish();
  EXPECT_EQ(Cells(), (Texts{Marked("✓"), "✗ 1.5000", "✗ 1.5105",
                            Marked("✗ 0.0000"), "?", "—", Marked("")}));
  // A report made now warns of the points whose files are not right.
  EXPECT_NE(ReportMessage().find(
                "PUNTOS EN EL REPORTE: 6 DE 7. OMITIDOS POR INCOMPLETOS: 1007"
                "\n\nRINEX POR REVISAR ANTES DEL PROCESADO:"
                "\nDELTA H DISTINTO DE LA ALTURA ARP (✗): 1002, 1003, 1004."
                "\nSIN COMPROBAR (?): 1005."),
            std::string::npos)
      << ReportMessage();
  ClearMessages();
  // Each text stands level with its row, down to the last one.
  Call({"update"});
  const std::string& h = heights_tab().cells()[6].h;
  const Texts xy = List(Call({rinex_column().canvas(), "coords", "rinex6"}));
  ASSERT_EQ(xy.size(), 2u);
  EXPECT_NEAR(std::stod(Call({"winfo", "y", rinex_column().canvas()})) +
                  std::stod(xy[1]),
              std::stod(Call({"winfo", "y", h})) +
                  std::stod(Call({"winfo", "height", h})) / 2,
              1);
  // The reason of a cell under the pointer, in the status line.
  struct Reason {
    size_t row;
    const char* part;
  };
  for (const Reason& r :
       {Reason{1, "sin reducir al ARP"}, Reason{2, "centro de fase"},
        Reason{3, "no da altura"}, Reason{4, "garbage.26o"}}) {
    Hover(r.row);
    EXPECT_NE(Status().find("PUNTO " + std::to_string(1001 + r.row)),
              std::string::npos);
    EXPECT_NE(Status().find(r.part), std::string::npos) << Status();
  }
  // And that of the row the keyboard enters.
  Call({"focus", "-force", heights_tab().cells()[2].h});
  Call({"update"});
  EXPECT_NE(Status().find("PUNTO 1003"), std::string::npos) << Status();

  // A change of the row is judged at once, against the headers already
  // read: the file removed meanwhile is still what the cell judges.
  TypeHeight(0, "1.6");
  EXPECT_EQ(Cells()[0], Marked("✗ 1.4285"));
  TypeHeight(0, "");
  EXPECT_EQ(Cells()[0], Marked(""));
  stdfs::remove(Rinex(0) / "v304.obs");
  TypeHeight(0, "1.5");
  EXPECT_EQ(Cells()[0], Marked("✓"));
  // Back on the tab the folders are read again.
  ReturnToTheTab();
  EXPECT_EQ(Cells()[0], "—");
  EXPECT_TRUE(Messages().empty());
}

// A file whose MARKER NAME names another point is marked in its cell and
// named in the status line; the report's closing box names it and the
// point with no observation file at all.
TEST_F(RinexColumnTest, FilesOfAnotherPointAreMarkedAndNamed) {
  rinex_column().Finish();
  // 1002's file, its MARKER NAME that of 1003, under a name of its own.
  std::string text = ReadFileBytes(kFixtures / "v211.26o");
  const std::size_t marker = text.find(std::string(60, ' ') + "MARKER NAME");
  ASSERT_NE(marker, std::string::npos);
  text.replace(marker, 4, "1003");
  stdfs::remove(Rinex(1) / "v211.26o");
  std::ofstream(Rinex(1) / "m1002.26o", std::ios::binary) << text;
  ReturnToTheTab();
  EXPECT_EQ(Cells()[1], "✗ 1.5000 " + std::string(kMisfiledMark));
  Hover(1);
  EXPECT_NE(Status().find("PUNTO 1002"), std::string::npos) << Status();
  EXPECT_NE(Status().find("MARKER NAME \"1003\" NO ES EL CÓDIGO DEL PUNTO: "
                          "m1002.26o"),
            std::string::npos)
      << Status();
  // A point without a file is marked by its "—" alone.
  EXPECT_EQ(Cells()[5], "—");

  const std::string box = ReportMessage();
  const std::size_t list = box.find(std::string(kMisfiledHeading));
  ASSERT_NE(list, std::string::npos) << box;
  EXPECT_NE(box.find("\n1002: MARKER NAME \"1003\" NO ES EL CÓDIGO DEL "
                     "PUNTO: m1002.26o.",
                     list),
            std::string::npos)
      << box;
  EXPECT_NE(box.find("\n1006: SIN ARCHIVOS DE OBSERVACIÓN.", list),
            std::string::npos)
      << box;
  // The unreadable file's point is "?", not a point without files.
  EXPECT_EQ(box.find("\n1005: ", list), std::string::npos) << box;
}

TEST_F(RinexColumnTest, CorrectionWritesCopiesAndTheCellsTurnGreen) {
  // Point 1006 gets pairs of files whose copies would have one name.
  for (const char* name : {"v211.26o", "v211.26o.Z"})
    stdfs::copy_file(kFixtures / name, Rinex(5) / name);
  for (int i = 0; i < 5; ++i) {
    const std::string x = "x" + std::to_string(i) + ".26o";
    stdfs::copy_file(kFixtures / "v211.26o", Rinex(5) / x);
    stdfs::copy_file(kFixtures / "v211.26o.Z", Rinex(5) / (x + ".Z"));
  }
  // Point 1002 also has a right file: CORREGIDO gets it unchanged.
  stdfs::copy_file(kFixtures / "v304.obs", Rinex(1) / "v304.obs");
  ReturnToTheTab();
  ASSERT_EQ(Call({kButton(), "cget", "-state"}), "normal");
  // Declined: nothing is written.
  Correct("no");
  ASSERT_EQ(Messages().size(), 1u);
  const std::string question = Option(Messages()[0], "-message");
  for (const char* listed :
       {"1002", "1003", "1004", "v211.26o", "1.4285", "SIN CAMBIOS: v304.obs"})
    EXPECT_NE(question.find(listed), std::string::npos) << listed;
  for (const char* left : {"1001", "1005", "1006", "1007"})
    EXPECT_EQ(question.find(left), std::string::npos) << left;
  EXPECT_FALSE(stdfs::exists(Rinex(1) / "CORREGIDO"));

  // Point 1003's copy cannot be written: a file stands where its folder
  // goes.
  std::ofstream(Rinex(2) / "CORREGIDO") << "x";
  ClearMessages();
  Correct("yes");
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Option(Messages()[1], "-icon"), "error");
  // The box names the failure to write first, the refused files after it,
  // and only the first lines of them.
  const std::string error = Option(Messages()[1], "-message");
  // (Paths are broken between names to fit the box.)
  std::string unbroken = error;
  std::erase(unbroken, '\n');
  for (const std::string& named :
       {ShownPath(RinexText(2)), ShownPath(RinexText(5) + "/v211.26o")})
    EXPECT_NE(unbroken.find(named), std::string::npos) << error;
  const std::string tail = "\n… Y 3 MÁS.";
  ASSERT_GT(error.size(), tail.size());
  EXPECT_EQ(error.substr(error.size() - tail.size()), tail) << error;
  EXPECT_FALSE(stdfs::exists(Rinex(5) / "CORREGIDO"));
  // A point right through its copies shows it, and names their folder.
  // 1002 now holds v304.obs too, and 1006 1002's v211.26o.
  EXPECT_EQ(Cells(),
            (Texts{Marked("✓"), Marked("✓ C"), "✗ 1.5105", Marked("✓ C"), "?",
                   Marked("✗ 1.5000"), Marked("")}));
  Hover(1);
  EXPECT_NE(Status().find(ShownPath(RinexText(1) + "/CORREGIDO")),
            std::string::npos)
      << Status();
  // The right file is in CORREGIDO as it is, so that the folder is whole.
  EXPECT_EQ(ReadFileBytes(Rinex(1) / "CORREGIDO" / "v304.obs"),
            ReadFileBytes(kFixtures / "v304.obs"));

  // The copy differs from the original in DELTA H alone; the original is
  // untouched; a gzip original gives a gzip copy.
  std::string expected = ReadFileBytes(kFixtures / "v211.26o");
  const size_t line = expected.rfind('\n', expected.find("ANTENNA: DELTA"));
  expected.replace(line + 1, 14, "        1.4285");
  EXPECT_EQ(ReadFileBytes(Rinex(1) / "CORREGIDO" / "v211.26o"), expected);
  EXPECT_EQ(ReadFileBytes(Rinex(1) / "v211.26o"),
            ReadFileBytes(kFixtures / "v211.26o"));
  EXPECT_EQ(
      ReadFileBytes(Rinex(3) / "CORREGIDO" / "v304_zero.obs.gz").substr(0, 2),
      "\x1f\x8b");

  // With the way cleared the last point is corrected too, and the button
  // has nothing left to do.
  stdfs::remove(Rinex(2) / "CORREGIDO");
  stdfs::remove(Rinex(5) / "v211.26o.Z");
  for (int i = 0; i < 5; ++i)
    stdfs::remove(Rinex(5) / ("x" + std::to_string(i) + ".26o.Z"));
  ReturnToTheTab();
  ClearMessages();
  Correct("yes");
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Option(Messages()[1], "-icon"), "info");
  EXPECT_EQ(Cells(), (Texts{Marked("✓"), Marked("✓ C"), "✓ C", Marked("✓ C"),
                            "?", Marked("✓ C"), Marked("")}));
  EXPECT_EQ(Call({kButton(), "cget", "-state"}), "disabled");
  // Corrected points are no longer named by the report.
  EXPECT_NE(ReportMessage().find("1007\n\nRINEX POR REVISAR ANTES DEL "
                                 "PROCESADO:\nSIN COMPROBAR (?): 1005."),
            std::string::npos)
      << ReportMessage();
}

// The files are read off the window thread: until a point is read its
// cell waits ("…") and nobody takes it as checked; a project opened
// meanwhile drops the old reading. CORREGIR RINEX runs off the window
// thread too, under a progress bar with a cancel button, and stops a copy
// that grows past its limit (a decompression bomb) without leaving it.
TEST_F(RinexColumnTest, ReadsAndCorrectsOffTheWindowThread) {
  RinexColumn& column = rinex_column();
  EXPECT_EQ(Cells(), (Texts{"…", "…", "…", "…", "…", "…", ""}));
  EXPECT_NE(Status().find("LEYENDO: 6 … SIN COMPROBAR TODAVÍA."),
            std::string::npos)
      << Status();
  EXPECT_EQ(Call({kButton(), "cget", "-state"}), "disabled");
  // A report made now says which points are not checked yet.
  EXPECT_NE(ReportMessage().find(
                "\nSIN COMPROBAR TODAVÍA, LECTURA EN CURSO (…): 1001, 1002, "
                "1003, 1004, 1005, 1006."),
            std::string::npos)
      << ReportMessage();

  // Another project opened while the first is read: only its files count.
  const stdfs::path other = temp_.path() / "otro";
  const stdfs::path datos = other / std::string(kGnssDataFolder);
  for (int i = 0; i < 2; ++i) {
    stdfs::create_directories(
        datos / (std::to_string(i + 4) + ". " + std::to_string(1001 + i)) /
        "RINEX");
  }
  std::ofstream(datos / std::string(kMeasurementFileName), std::ios::binary)
      << "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;ALTURA "
         "MEDIDA (m)\r\n1001;QUENTARO R300;INCLINADA;TRÍPODE;R1;1,5\r\n";
  AnswerDirectory(other.string());
  heights_tab().seleccionar_directorio_trabajo();
  column.Finish();
  EXPECT_EQ(Cells(), (Texts{"—", ""}));
  AnswerDirectory(temp_.path().string());
  heights_tab().seleccionar_directorio_trabajo();
  column.Finish();
  EXPECT_EQ(Cells(), (Texts{Marked("✓"), "✗ 1.5000", "✗ 1.5105",
                            Marked("✗ 0.0000"), "?", "—", Marked("")}));

  // 8 MB of blanks after a right header in 492 bytes of bzip2 (read whole,
  // line by line), beside a wrong file of point 1002: its unchanged copy
  // passes the limit.
  stdfs::copy_file(kFixtures / "header_bomb.obs.bz2",
                   Rinex(1) / "header_bomb.obs.bz2");
  ReturnToTheTab();
  column.SetCopyLimits(RinexCopyLimits{.max_bytes = 1 << 20});
  ClearMessages();
  AnswerQuestion("yes");
  Call({kButton(), "invoke"});
  // Under way: the progress, the cancel button, no second run.
  EXPECT_NE(Call({"grid", "info", column.progress_frame()}), "");
  EXPECT_EQ(Call({column.progress_label(), "cget", "-text"}), "ARCHIVO 1 DE 4");
  EXPECT_EQ(Call({column.cancel_button(), "cget", "-state"}), "normal");
  EXPECT_EQ(Call({kButton(), "cget", "-state"}), "disabled");
  EXPECT_EQ(Cells()[1], "…");
  column.Finish();
  EXPECT_EQ(Call({"grid", "info", column.progress_frame()}), "");
  ASSERT_EQ(Messages().size(), 2u);
  const std::string error = Option(Messages()[1], "-message");
  EXPECT_NE(error.find("NO PARECE UN ARCHIVO DE OBSERVACIÓN"),
            std::string::npos)
      << error;
  std::string unbroken = error;
  std::erase(unbroken, '\n');
  EXPECT_NE(unbroken.find(ShownPath(RinexText(1) + "/header_bomb.obs.bz2")),
            std::string::npos)
      << error;
  // Nothing of the stopped copy is left; the others are written.
  std::vector<std::string> corrected;
  for (const auto& entry : stdfs::directory_iterator(Rinex(1) / "CORREGIDO"))
    corrected.push_back(entry.path().filename().string());
  EXPECT_EQ(corrected, std::vector<std::string>{"v211.26o"});
  EXPECT_EQ(Cells()[2], "✓ C");

  // Cancelled while the bomb's copy (no longer limited) is written: it is
  // not kept, earlier copies stay, and the box says so.
  stdfs::copy_file(kFixtures / "v211.26o", Rinex(0) / "v211.26o");
  column.SetCopyLimits(RinexCopyLimits{});
  ReturnToTheTab();
  const std::string before = ReadFileBytes(Rinex(1) / "CORREGIDO" / "v211.26o");
  ClearMessages();
  AnswerQuestion("yes");
  Call({kButton(), "invoke"});
  Call({column.cancel_button(), "invoke"});
  column.Finish();
  ASSERT_EQ(Messages().size(), 2u);
  const std::string end = Option(Messages()[1], "-message");
  EXPECT_NE(end.find("CORREGIR RINEX CANCELADO"), std::string::npos) << end;
  EXPECT_EQ(ReadFileBytes(Rinex(1) / "CORREGIDO" / "v211.26o"), before);
  EXPECT_FALSE(stdfs::exists(Rinex(1) / "CORREGIDO" / "header_bomb.obs"));
  for (int i = 0; i < 4; ++i) {
    if (!stdfs::exists(Rinex(i) / "CORREGIDO")) continue;
    for (const auto& entry : stdfs::directory_iterator(Rinex(i) / "CORREGIDO"))
      EXPECT_FALSE(entry.path().string().ends_with(".tmp")) << entry.path();
  }
  EXPECT_EQ(Call({"grid", "info", column.progress_frame()}), "");
}

}  // namespace
}  // namespace zarvek
