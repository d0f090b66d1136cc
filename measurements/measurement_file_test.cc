#include "measurements/measurement_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zarvek {
namespace {

const Catalogue& Specs() {
  static const Catalogue catalogue = BuildEquiposSpecs();
  return catalogue;
}
const std::string kR300 = "QUENTARO R300";

const std::string kHeader =
    "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;"
    "ALTURA MEDIDA (m);ALTURA ARP (m);ALTURA CENTRO DE FASE (m)";

MeasurementFile ParseOk(std::string_view bytes) {
  std::string error;
  std::optional<MeasurementFile> file =
      MeasurementFile::Parse(bytes, Specs(), &error);
  EXPECT_TRUE(file.has_value()) << error;
  return file ? *file : MeasurementFile();
}

std::vector<std::size_t> ProblemLines(const MeasurementFile& file) {
  std::vector<std::size_t> lines;
  for (const LineProblem& p : file.problems()) lines.push_back(p.line);
  return lines;
}

// A new project: the first edit writes every table row, in table order, with
// the heights of the report for the rows that convert; reading the bytes back
// gives the same rows.
TEST(MeasurementFileTest, WritesTheTableAndReadsItBack) {
  const std::vector<std::string> codes = {"1001", "1002", "007", "1003"};
  MeasurementFile file;
  EXPECT_EQ(file.Bind(codes, Specs()),
            std::vector<std::optional<RowValues>>(4));
  const std::vector<RowValues> rows = {
      {kR300, "INCLINADA", "TRÍPODE", "R1", "1.5"},
      {kR300, "", "", "", ""},
      {"QUENTARO R100", "VERTICAL", "BASTÓN", "R3", "2"},
      // Typed text that needs quoting, and a height the report refuses.
      {kR300, "INCLINADA", "BÍPODE Y BASTÓN", "R2", "1;5 \"b\""},
  };
  file.Update(2, rows[2], Specs());
  file.Update(0, rows[0], Specs());
  file.Update(3, rows[3], Specs());
  const std::string bytes = file.Serialize();
  EXPECT_EQ(bytes,
            "\xEF\xBB\xBF" + kHeader + "\r\n" +
                "1001;QUENTARO R300;INCLINADA;TRÍPODE;R1;1,5;1,4285;1,5105\r\n"
                "1002;;;;;;;\r\n"
                "007;QUENTARO R100;VERTICAL;BASTÓN;R3;2;2,0000;2,2630\r\n"
                "1003;QUENTARO R300;INCLINADA;BÍPODE Y BASTÓN;R2;"
                "\"1;5 \"\"b\"\"\";;\r\n");

  MeasurementFile again = ParseOk(bytes);
  const auto back = again.Bind(codes, Specs());
  ASSERT_EQ(back.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(back[i].has_value()) << i;
    EXPECT_EQ(*back[i], rows[i]) << i;
  }
  EXPECT_EQ(ProblemLines(again), std::vector<std::size_t>{5});  // the height
  // Nothing changed: written back byte for byte.
  EXPECT_FALSE(again.Update(1, rows[1], Specs()));
  EXPECT_EQ(again.Serialize(), bytes);
  // Files written before gave a row not begun the preset receiver: they
  // read the same.
  std::string before = bytes;
  before.replace(before.find("1002;"), 5, "1002;QUENTARO R300");
  EXPECT_EQ(ParseOk(before).Bind(codes, Specs()), back);
}

// A file saved by a spreadsheet: LF, no byte-order mark, columns reordered,
// a column of its own, a quoted line break, a code without its leading zeros.
// Usable lines fill the table through the row rules and get their results
// computed again; lines it cannot use, lines of points not detected and the
// unknown column are written back untouched; an updated line keeps its
// unknown field.
TEST(MeasurementFileTest, ReadsASpreadsheetEditAndKeepsWhatItDoesNotUse) {
  const std::string header =
      "ALTURA MEDIDA (m);PUNTO;NOTAS;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;"
      "REFERENCIA;ALTURA ARP (m);ALTURA CENTRO DE FASE (m)";
  const std::string kept[] = {
      "1,5;1002;;QUENTARO R300;VERTICAL;BASTÓN;R3;;",
      "2;7;\"dos\nlíneas\";QUENTARO R100;INCLINADA;TRÍPODE;R1;;",
      ";;;;;;;;",
      "1.2;9999;vieja;QUENTARO R300;VERTICAL;BASTÓN;R3;1.2000;1.2820",
      "1.3;abc;;QUENTARO R300;;;;;",
      "1.4;1003;;QUENTARO X;;;;;",
      "1.4;1004;;;;;;;;;x",
  };
  std::string input = header + "\n" +
                      "1.5;1001;\"base; norte\";QUENTARO R300;INCLINADA;"
                      "TRÍPODE;R1;9;9\n";
  for (const std::string& line : kept) input += line + "\n";

  MeasurementFile file = ParseOk(input);
  const std::vector<std::string> codes = {"007", "1001", "1002", "1003",
                                          "1004"};
  const auto rows = file.Bind(codes, Specs());
  ASSERT_EQ(rows.size(), 5u);
  // R1 is not offered for the R100: the only reference left is chosen.
  EXPECT_EQ(rows[0],
            (RowValues{"QUENTARO R100", "INCLINADA", "TRÍPODE", "R2", "2"}));
  EXPECT_EQ(rows[1], (RowValues{kR300, "INCLINADA", "TRÍPODE", "R1", "1.5"}));
  EXPECT_EQ(rows[2], (RowValues{kR300, "VERTICAL", "BASTÓN", "R3", "1.5"}));
  // An unknown receiver: the line's height stays, the receiver is to be
  // chosen (a report must never certify one nobody picked).
  EXPECT_EQ(rows[3], (RowValues{"", "", "", "", "1.4"}));
  EXPECT_EQ(rows[4], std::nullopt);  // more fields than the header
  EXPECT_EQ(ProblemLines(file), (std::vector<std::size_t>{4, 8, 9, 10}));
  EXPECT_EQ(file.refreshed_rows(), (std::vector<std::size_t>{0, 1, 2}));

  file.Update(1, {kR300, "INCLINADA", "TRÍPODE", "R1", "1.6"}, Specs());
  // The used lines' results were computed again on opening, from the
  // values the table shows (the R100's line from its reference R2).
  std::string expected = "\xEF\xBB\xBF" + header + "\r\n" +
                         "1,6;1001;\"base; norte\";QUENTARO R300;INCLINADA;"
                         "TRÍPODE;R1;1,5286;1,6106\r\n"
                         "1,5;1002;;QUENTARO R300;VERTICAL;BASTÓN;R3;1,5000;"
                         "1,5820\r\n"
                         "2;7;\"dos\nlíneas\";QUENTARO R100;INCLINADA;TRÍPODE;"
                         "R1;1,9964;2,2594\r\n";
  for (std::size_t i = 2; i < std::size(kept); ++i) {
    expected += kept[i] + "\r\n";
  }
  expected += ";1004;;;;;;;\r\n";
  EXPECT_EQ(file.Serialize(), expected);
}

// A header without some of the program's columns gets them after every
// field of every line, so that a line's extra fields stay unnamed columns:
// the written file reads back as it was read, and a note never becomes the
// point's height.
TEST(MeasurementFileTest, AddedColumnsNeverTakeALinesExtraFields) {
  MeasurementFile file = ParseOk(
      "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA\n"
      "7;QUENTARO R300;INCLINADA;TRÍPODE;R1;2024;revisar\n");
  const std::vector<std::optional<RowValues>> rows = {
      RowValues{kR300, "INCLINADA", "TRÍPODE", "R1", ""}};
  EXPECT_EQ(file.Bind({"7"}, Specs()), rows);
  const std::string written = file.Serialize();
  EXPECT_NE(written.find("REFERENCIA;;;ALTURA MEDIDA (m);"), std::string::npos)
      << written;
  EXPECT_EQ(ParseOk(written).Bind({"7"}, Specs()), rows);
}

TEST(MeasurementFileTest, FilesAcceptedAndRefused) {
  const std::string accepted[] = {
      "", "\xEF\xBB\xBF", kHeader + "\r",
      "PUNTO\r1001\r",  // old Mac line ends; missing columns are added
  };
  for (const std::string& bytes : accepted) {
    MeasurementFile file = ParseOk(bytes);
    EXPECT_TRUE(file.problems().empty()) << bytes;
  }
  // Passed twice through a Windows tool, lines end in CR CR LF: one line
  // end each, never an empty line between lines (nor a shifted line number).
  MeasurementFile twice =
      ParseOk(kHeader + "\r\r\n1001;\"a\r\r\nb\";x\r\r\n1002;X;;;;1\r\r\n");
  EXPECT_EQ(
      twice.Serialize(),
      "\xEF\xBB\xBF" + kHeader + "\r\n1001;\"a\r\r\nb\";x\r\n1002;X;;;;1\r\n");
  EXPECT_EQ(ProblemLines(twice), std::vector<std::size_t>{});
  twice.Bind({"1002"}, Specs());
  EXPECT_EQ(ProblemLines(twice), std::vector<std::size_t>{4});
  MeasurementFile short_header = ParseOk("PUNTO\r1001\r");
  EXPECT_EQ(short_header.Bind({"1001"}, Specs())[0],
            (RowValues{kR300, "", "", "", ""}));
  short_header.Update(0, {kR300, "VERTICAL", "BASTÓN", "R3", "1"}, Specs());
  EXPECT_EQ(
      short_header.Serialize(),
      "\xEF\xBB\xBF" + kHeader +
          "\r\n1001;QUENTARO R300;VERTICAL;BASTÓN;R3;1;1,0000;1,0820\r\n");

  const struct {
    std::string bytes;
    const char* error;
  } refused[] = {
      {std::string("PUNTO\n\0\x01\x02", 9), "NO ES UN ARCHIVO DE TEXTO"},
      {"PUNTO;ACCESORIO\n1;TR\xCD"
       "PODE\n",
       "NO ESTÁ CODIFICADO EN UTF-8 (GUÁRDELO COMO «CSV UTF-8»)"},
      {"\xED\xA0\xBD\n",
       "NO ESTÁ CODIFICADO EN UTF-8 (GUÁRDELO COMO «CSV UTF-8»)"},
      {"CODIGO;ALTURA\n1;2\n",
       "NO TIENE LA COLUMNA «PUNTO» EN SU PRIMERA LÍNEA"},
      {"garbage", "NO TIENE LA COLUMNA «PUNTO» EN SU PRIMERA LÍNEA"},
      {kHeader + "\n1;\"a\n2;b\n", "TIENE UNAS COMILLAS SIN CERRAR (LÍNEA 2)"},
      {kHeader + "\n" + std::string(kMaxMeasurementFileBytes, ';'),
       "ES DEMASIADO GRANDE (MÁS DE 4 MB)"},
      // Shapes whose cost would not be bounded by the file's size.
      {kHeader + std::string(1000, ';') + "X\n1\n",
       "TIENE DEMASIADAS COLUMNAS (MÁS DE 1000)"},
      {"PUNTO\n1" + std::string(1000, ';') + "X\n",
       "TIENE DEMASIADAS COLUMNAS (MÁS DE 1000)"},
      // With the program's columns added it could not be read back.
      {"PUNTO" + std::string(995, ';') + "N\n",
       "TIENE DEMASIADAS COLUMNAS (MÁS DE 1000)"},
      {kHeader + std::string(100001, '\n'),
       "TIENE DEMASIADAS LÍNEAS (MÁS DE 100000)"},
  };
  for (const auto& c : refused) {
    std::string error;
    EXPECT_EQ(MeasurementFile::Parse(c.bytes, Specs(), &error), std::nullopt)
        << c.error;
    EXPECT_EQ(error, c.error);
  }
}

// Saved values go through the same rules as a person's choices.
TEST(MeasurementFileTest, SavedValuesFollowTheRowRules) {
  const struct {
    RowValues saved, shown;
    std::size_t notes;
  } cases[] = {
      {{kR300, "INCLINADA", "TRÍPODE", "R2", "1"},
       {kR300, "INCLINADA", "TRÍPODE", "R2", "1"},
       0},
      {{"", "", "", "", ""}, {kR300, "", "", "", ""}, 0},
      {{kR300, "VERTICAL", "TRÍPODE", "R1", " 1.5 "},
       {kR300, "VERTICAL", "", "", " 1.5 "},
       2},
      // A receiver nobody chose is never filled in once the row is begun.
      // Nothing the boxes offer is left: the row is as a new one.
      {{"X", "inclinada", "TRÍPODE", "R1", ""}, {kR300, "", "", "", ""}, 4},
      {{"", "INCLINADA", "TRÍPODE", "R1", "1.452"},
       {"", "INCLINADA", "TRÍPODE", "R1", "1.452"},
       1},
      {{"X", "", "", "", "1.5"}, {"", "", "", "", "1.5"}, 1},
      {{"X", "", "", "", " "}, {kR300, "", "", "", " "}, 1},
      {{"QUENTARO M200 PLUS", "INCLINADA", "BÍPODE Y BASTÓN", "", ""},
       {"QUENTARO M200 PLUS", "INCLINADA", "BÍPODE Y BASTÓN", "R2", ""},
       0},
      {{kR300, "VERTICAL", "BÍPODE Y BASTÓN", "R1", ""},
       {kR300, "VERTICAL", "BÍPODE Y BASTÓN", "R3", ""},
       1},
  };
  for (const auto& c : cases) {
    std::vector<std::string> notes;
    EXPECT_EQ(ApplyRowRules(Specs(), kR300, c.saved, &notes), c.shown)
        << c.saved.rec << "/" << c.saved.tipo << "/" << c.saved.acc;
    EXPECT_EQ(notes.size(), c.notes) << c.saved.tipo << "/" << c.saved.acc;
  }
}

// Opening a project: results edited by hand or left stale are computed
// again from the inputs and named; numbers are read with the comma or the
// point and shown with the point; a height over 1000 m (a spreadsheet that
// took "1.452" for 1452) is named; a begun line without a receiver stays
// without one and loses its results.
TEST(MeasurementFileTest, OpeningMendsResultsAndReadsSpanishNumbers) {
  const std::string lines[] = {
      "1001;QUENTARO R700;INCLINADA;TRÍPODE;R1;1.62;1.5321;1.6191",
      "1002;QUENTARO R300;INCLINADA;TRÍPODE;R1;1,452;1,3805;1,4625",
      "1003;QUENTARO R300;VERTICAL;BASTÓN;R3;1452;;",
      "1004;;INCLINADA;TRÍPODE;R1;1.5;1.4285;1.5105",
      "1005;QUENTARO R300;VERTICAL;BASTÓN;R3;2.0;2.0000;2.0820",
      "1006;QUENTARO R300;VERTICAL;BASTÓN;R3;2;2,0000;",
  };
  std::string input = kHeader + "\n";
  for (const std::string& line : lines) input += line + "\n";
  MeasurementFile file = ParseOk(input);
  const auto rows =
      file.Bind({"1001", "1002", "1003", "1004", "1005", "1006"}, Specs());
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[1], (RowValues{kR300, "INCLINADA", "TRÍPODE", "R1", "1.452"}));
  EXPECT_EQ(rows[2], (RowValues{kR300, "VERTICAL", "BASTÓN", "R3", "1452"}));
  EXPECT_EQ(rows[3], (RowValues{"", "INCLINADA", "TRÍPODE", "R1", "1.5"}));
  EXPECT_EQ(file.refreshed_rows(), (std::vector<std::size_t>{0, 3, 5}));
  EXPECT_EQ(file.doubtful_heights(), std::vector<std::size_t>{2});
  EXPECT_EQ(ProblemLines(file), (std::vector<std::size_t>{4, 5}));
  EXPECT_EQ(
      file.Serialize(),
      "\xEF\xBB\xBF" + kHeader + "\r\n" +
          "1001;QUENTARO R700;INCLINADA;TRÍPODE;R1;1,62;1,5521;1,6391\r\n" +
          lines[1] + "\r\n" + lines[2] + "\r\n" +
          "1004;;INCLINADA;TRÍPODE;R1;1,5;;\r\n" + lines[4] + "\r\n" +
          "1006;QUENTARO R300;VERTICAL;BASTÓN;R3;2;2,0000;2,0820\r\n");
  // Read again, nothing is stale any more.
  MeasurementFile again = ParseOk(file.Serialize());
  again.Bind({"1001", "1002", "1003", "1004", "1005", "1006"}, Specs());
  EXPECT_TRUE(again.refreshed_rows().empty());
}

// Rows take the lines of their own code as written; a line whose code is
// written otherwise ("7" for "07", as a spreadsheet writes it back) goes to
// the one row of that value, and to no row when two rows share the value:
// which row takes a line never depends on the order of the table or of the
// file, so two points never swap their values.
TEST(MeasurementFileTest, CodesPairAsWrittenOrByAValueOfOneRow) {
  auto line = [](const char* code, const char* h) {
    return std::string(code) + ";QUENTARO R300;VERTICAL;BASTÓN;R3;" + h +
           ";;\n";
  };
  auto row = [](const char* h) {
    return std::optional<RowValues>(
        RowValues{kR300, "VERTICAL", "BASTÓN", "R3", h});
  };
  const std::optional<RowValues> none;
  const struct {
    std::string lines;
    std::vector<std::string> codes;
    std::vector<std::optional<RowValues>> rows;
  } cases[] = {
      {line("7", "1") + line("07", "2"), {"07", "7"}, {row("2"), row("1")}},
      {line("07", "2") + line("7", "1"), {"7", "07"}, {row("1"), row("2")}},
      {line("07", "2"), {"7"}, {row("2")}},
      {line("007", "3") + line("1", "4"), {"1", "7"}, {row("4"), row("3")}},
      // Two rows of the value 7: a line of neither's code fits both.
      {line("007", "3"), {"07", "7"}, {none, none}},
      {line("007", "3"), {"7", "07"}, {none, none}},
      {line("7", "1") + line("7", "5"), {"07", "7"}, {none, row("1")}},
      {line("07", "2") + line("007", "3"), {"7", "07"}, {none, row("2")}},
  };
  for (const auto& c : cases) {
    MeasurementFile file = ParseOk(kHeader + "\n" + c.lines);
    EXPECT_EQ(file.Bind(c.codes, Specs()), c.rows) << c.lines;
  }
}

TEST(MeasurementFileTest, PathInTheProject) {
  EXPECT_EQ(MeasurementFilePath("/p/OBRA"),
            "/p/OBRA/2. DATOS GNSS/ALTURAS DE ANTENA.csv");
  EXPECT_EQ(MeasurementFilePath("/p/OBRA/2. DATOS GNSS/"),
            "/p/OBRA/2. DATOS GNSS/ALTURAS DE ANTENA.csv");
}

}  // namespace
}  // namespace zarvek
