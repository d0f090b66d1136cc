#include "heights/catalogue.h"

#include <gtest/gtest.h>

namespace zarvek {
namespace {

// Pins every constant exactly (EXPECT_EQ on doubles: a constant rounded to
// 0.067 or retyped must fail) and the insertion order.
TEST(CatalogueTest, EveryConstantInOrder) {
  struct Row {
    const char* model;
    double radio, h_r1, placa, L1, L2;
    const char* alias;
  } expected[] = {
      {"QUENTARO R300", 0.067, 0.07, 0.12, 0.084, 0.08, "R300"},
      {"QUENTARO R350", 0.067, 0.07, 0.12, 0.084, 0.08, "R350"},
      // R700 and R750: radius 0.0667 and HR1 0.0665, two distinct constants.
      {"QUENTARO R700", 0.0667, 0.0665, 0.13, 0.087, 0.087, "R700"},
      {"QUENTARO R750", 0.0667, 0.0665, 0.13, 0.087, 0.087, "R750"},
      {"QUENTARO M200 PLUS", 0.04, 0.0, 0.12, 0.161, 0.163, "M200 PLUS"},
      {"QUENTARO R100", 0.025, 0.0, 0.12, 0.262, 0.264, "R100"},
  };
  const Catalogue catalogue = BuildEquiposSpecs();
  ASSERT_EQ(catalogue.size(), std::size(expected));
  for (size_t i = 0; i < catalogue.size(); ++i) {
    const auto& [name, spec] = catalogue[i];
    const Row& row = expected[i];
    SCOPED_TRACE(row.model);
    EXPECT_EQ(name, row.model);
    EXPECT_EQ(spec.radio, row.radio);
    EXPECT_EQ(spec.h_r1, row.h_r1);
    EXPECT_EQ(spec.placa, row.placa);
    EXPECT_EQ(spec.L1, row.L1);
    EXPECT_EQ(spec.L2, row.L2);
    EXPECT_EQ(spec.alias, row.alias);
    EXPECT_EQ(name, "QUENTARO " + spec.alias);
    EXPECT_EQ(FindReceiver(catalogue, row.model), &spec);
  }
  EXPECT_EQ(FindReceiver(catalogue, "QUENTARO R999"), nullptr);
  EXPECT_EQ(FindReceiver(catalogue, "quentaro r300"), nullptr);
}

}  // namespace
}  // namespace zarvek
