#include "folders/tree_plan.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace zarvek {
namespace {

TEST(PlanProjectTreeTest, ExactNamesInCreationOrder) {
  const std::vector<std::string> expected = {
      "/p/1. FORMULARIOS",
      "/p/2. DATOS GNSS",
      "/p/2. DATOS GNSS/1. DATOS DE LA ESTACION BASE",
      "/p/2. DATOS GNSS/1. DATOS DE LA ESTACION BASE/NATIVA",
      "/p/2. DATOS GNSS/1. DATOS DE LA ESTACION BASE/RINEX",
      "/p/2. DATOS GNSS/2. EFEMERIDES",
      "/p/2. DATOS GNSS/3. PROCESAMIENTO",
      "/p/2. DATOS GNSS/4. 007",
      "/p/2. DATOS GNSS/4. 007/NATIVA",
      "/p/2. DATOS GNSS/4. 007/RINEX",
      "/p/3. FOTOGRAFIAS",
      "/p/3. FOTOGRAFIAS/007",
      "/p/3. FOTOGRAFIAS/007/1. EQUIPO GNSS",
      "/p/3. FOTOGRAFIAS/007/2. PROCESO DE MONUMENTACI\u00D3N",
      "/p/3. FOTOGRAFIAS/007/3. PROFUNDIDAD",
      "/p/3. FOTOGRAFIAS/007/4. ANCLAJE DE DISCO DE BRONCE",
      "/p/3. FOTOGRAFIAS/007/5. INCRUSTACI\u00D3N DEL DISCO DE BRONCE",
      "/p/3. FOTOGRAFIAS/007/6. DISCO INSTALADO",
      "/p/3. FOTOGRAFIAS/007/7. MEDICI\u00D3N DE ALTURA DE ANTENA",
      "/p/3. FOTOGRAFIAS/007/08. FOTOGRAF\u00CDAS PANOR\u00C1MICAS",
      "/p/3. FOTOGRAFIAS/007/09. VIDEOS",
  };
  EXPECT_EQ(PlanProjectTree("/p", {"007"}), expected);
  EXPECT_EQ(PlanProjectTree("/p/", {"007"}), expected);
}

TEST(PlanProjectTreeTest, NumberingFollowsPositionAndRepeatsCodes) {
  const std::vector<std::string> plan =
      PlanProjectTree("r", {"100", "100", "9"});
  ASSERT_EQ(plan.size(), 8u + 13u * 3u);
  EXPECT_EQ(plan[7], "r/2. DATOS GNSS/4. 100");
  EXPECT_EQ(plan[10], "r/2. DATOS GNSS/5. 100");
  EXPECT_EQ(plan[13], "r/2. DATOS GNSS/6. 9");
  EXPECT_EQ(plan[16], "r/3. FOTOGRAFIAS");
  EXPECT_EQ(plan[17], "r/3. FOTOGRAFIAS/100");
  EXPECT_EQ(plan[27], "r/3. FOTOGRAFIAS/100");
  EXPECT_EQ(plan[37], "r/3. FOTOGRAFIAS/9");
  EXPECT_EQ(plan.back(), "r/3. FOTOGRAFIAS/9/09. VIDEOS");
}

// What a list of codes adds to a project, by the entries of its GNSS data
// folder: never a second folder for a code that has one, new points
// numbered after the highest number there.
TEST(PlanTreeAdditionsTest, AddsOnlyWhatTheProjectLacks) {
  using Names = std::vector<std::string>;
  using Points = std::vector<PlannedPoint>;
  const Names kShared = {"1. DATOS DE LA ESTACION BASE", "2. EFEMERIDES",
                         "3. PROCESAMIENTO", "ALTURAS DE ANTENA.csv"};
  Names project = kShared;
  for (int i = 0; i < 6; ++i)
    project.push_back(std::to_string(4 + i) + ". " + std::to_string(6001 + i));
  const struct {
    const char* what;
    Names entries;
    Names codes;
    Points added;
    Names present;
  } cases[] = {
      {"new project", {}, {"5", "3"}, {{"4. 5", "5"}, {"5. 3", "3"}}, {}},
      {"shared folders only", kShared, {"5"}, {{"4. 5", "5"}}, {}},
      {"one code changed",
       project,
       {"6001", "6002", "6003", "6004", "6005", "6107"},
       {{"10. 6107", "6107"}},
       {"6001", "6002", "6003", "6004", "6005"}},
      {"the same list again", project, {"6006", "6001"}, {}, {"6006", "6001"}},
      {"equal by value, as typed",
       {"4. 007", "5.0100.txt"},
       {"7", "00100", "8"},
       {{"6. 8", "8"}},
       {"7", "00100"}},
      {"a gap and a renumbered folder: after the highest",
       {"4. 10", "12. 11", "x. 13", "7. 1 4"},
       {"13", "14"},
       {{"13. 13", "13"}, {"14. 14", "14"}},
       {}},
      {"a repeat in the list", {}, {"9", "09"}, {{"4. 9", "9"}}, {"09"}},
      {"numbers beyond 64 bits",
       {"99999999999999999999. 1", "0042. 2"},
       {"3"},
       {{"100000000000000000000. 3", "3"}},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TreeAdditions additions = PlanTreeAdditions(c.entries, c.codes);
    EXPECT_EQ(additions.added, c.added);
    EXPECT_EQ(additions.present, c.present);
  }
}

TEST(PlanTreeAdditionsTest, TheBoxSaysWhatWasAddedAndWhatWasThere) {
  // A new project: the plain box.
  EXPECT_EQ(DescribeTreeAdditions(PlanTreeAdditions({}, {"5"})),
            "CARPETAS CREADAS CORRECTAMENTE.");
  // New points only, on a project that had points: they are listed too.
  EXPECT_EQ(DescribeTreeAdditions(PlanTreeAdditions(
                {"1. FORMULARIOS", "4. 6001", "15. 6012"}, {"6013", "6014"})),
            "CARPETAS CREADAS CORRECTAMENTE.\n"
            "PUNTOS AÑADIDOS (2): 16. 6013, 17. 6014");
  EXPECT_EQ(DescribeTreeAdditions(
                {{{"10. 6107", "6107"}, {"11. 8", "8"}}, {"6001", "6002"}}),
            "CARPETAS CREADAS CORRECTAMENTE.\n"
            "PUNTOS AÑADIDOS (2): 10. 6107, 11. 8\n"
            "YA EXISTÍAN, SIN CAMBIOS (2): 6001, 6002");
  EXPECT_EQ(DescribeTreeAdditions({{}, {"6001"}}),
            "NO SE CREÓ NINGÚN PUNTO: EL PROYECTO YA LOS TENÍA TODOS.\n"
            "YA EXISTÍAN, SIN CAMBIOS (1): 6001");
  std::vector<std::string> many;
  for (int i = 0; i < 25; ++i) many.push_back(std::to_string(100 + i));
  const std::string text = DescribeTreeAdditions({{}, many});
  EXPECT_TRUE(
      text.ends_with("(25): 100, 101, 102, 103, 104, 105, 106, 107, "
                     "108, 109, 110, 111, 112, 113, 114, 115, 116, "
                     "117, 118, 119, …"))
      << text;
}

}  // namespace
}  // namespace zarvek
