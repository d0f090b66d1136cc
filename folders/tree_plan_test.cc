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

}  // namespace
}  // namespace zarvek
