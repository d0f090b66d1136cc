#include "measurements/outside_merge.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zarvek {
namespace {

const std::string kHeader =
    "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;"
    "ALTURA MEDIDA (m);ALTURA ARP (m);ALTURA CENTRO DE FASE (m)\r\n";
const std::string kR300 = "QUENTARO R300";

RowValues Vertical(const char* h) {
  return {kR300, "VERTICAL", "BASTÓN", "R3", h};
}
std::string Line(const char* code, const char* h) {
  return std::string(code) + ";QUENTARO R300;VERTICAL;BASTÓN;R3;" + h +
         ";;\r\n";
}

// The table showed 1001 at 1 and 1002 at 2 as read from `base`, then this
// window changed 1001 to 1.5. What the other program saved decides the rest.
TEST(OutsideMergeTest, EditedRowsOverTheOtherProgramsFile) {
  const Catalogue catalogue = BuildEquiposSpecs();
  const RowValues empty{kR300, "", "", "", ""};
  const std::string base = kHeader + Line("1001", "1") + Line("1002", "2");
  const std::vector<TableRow> table = {
      {"1001", Vertical("1.5")}, {"1002", Vertical("2")}, {"1003", empty}};
  using Both = std::vector<std::pair<std::size_t, std::optional<RowValues>>>;
  const struct {
    std::optional<std::string> found;
    std::vector<RowValues> rows;
    std::vector<std::size_t> taken;
    Both both;
  } cases[] = {
      // Its own row and line kept, with 1001 as this window has it.
      {kHeader + Line("1001", "1") + Line("1002", "3") + Line("9", "4"),
       {Vertical("1.5"), Vertical("3"), empty},
       {1},
       {}},
      // 1001 changed on both sides; 1002's line removed there.
      {kHeader + Line("1001", "7"),
       {Vertical("1.5"), empty, empty},
       {1},
       {{0, Vertical("7")}}},
      // 1001 emptied there: a row not begun, which stands for no receiver.
      {kHeader + "1001;QUENTARO R300;;;;;;\r\n" + Line("1002", "2"),
       {Vertical("1.5"), Vertical("2"), empty},
       {},
       {{0, RowValues{}}}},
      // The same change on both sides is no clash.
      {kHeader + Line("1001", "1.5") + Line("1002", "2"),
       {Vertical("1.5"), Vertical("2"), empty},
       {},
       {}},
      // The file removed: the table is written as it shows.
      {std::nullopt, {Vertical("1.5"), Vertical("2"), empty}, {}, {}},
  };
  for (const auto& c : cases) {
    std::string error;
    std::optional<OutsideMerge> merge =
        MergeOutsideEdits(base, c.found, table, {0}, catalogue, empty, &error);
    ASSERT_TRUE(merge.has_value()) << error;
    EXPECT_EQ(merge->rows, c.rows) << c.found.value_or("none");
    EXPECT_EQ(merge->taken, c.taken) << c.found.value_or("none");
    EXPECT_EQ(merge->both, c.both) << c.found.value_or("none");
    // What is written reads back as the table now shows it.
    MeasurementFile again =
        *MeasurementFile::Parse(merge->file.Serialize(), catalogue, &error);
    const auto back = again.Bind({"1001", "1002", "1003"}, catalogue);
    for (std::size_t i = 0; i < c.rows.size(); ++i)
      EXPECT_EQ(back[i].value_or(empty), c.rows[i]) << i;
    if (c.found && c.found->find("9;") != std::string::npos)
      EXPECT_NE(merge->file.Serialize().find("\r\n9;"), std::string::npos);
    if (!c.both.empty() && c.both[0].second == RowValues{}) {
      EXPECT_TRUE(DescribeOutsideMerge(*merge, table, "/p")
                      .ends_with("\n1001 (— · — · — · — · —)"));
    }
  }
  std::string error;
  EXPECT_EQ(MergeOutsideEdits(base, std::string("PUNTO\n\0", 7), table, {0},
                              catalogue, empty, &error),
            std::nullopt);
  EXPECT_EQ(error, "NO ES UN ARCHIVO DE TEXTO");
}

}  // namespace
}  // namespace zarvek
