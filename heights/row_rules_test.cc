#include "heights/row_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zarvek {
namespace {

TEST(RowRulesTest, AccessoriesFollowTheType) {
  EXPECT_EQ(AccessoryChoices("INCLINADA"),
            (Choices{{"TRÍPODE", "BÍPODE Y BASTÓN"}, true, std::nullopt}));
  EXPECT_EQ(AccessoryChoices("VERTICAL"),
            (Choices{{"BÍPODE Y BASTÓN", "BASTÓN"}, true, std::nullopt}));
  for (const char* other : {"", "inclinada", "VERTICAL "}) {
    EXPECT_EQ(AccessoryChoices(other), (Choices{{}, false, std::nullopt}))
        << "'" << other << "'";
  }
}

TEST(RowRulesTest, ReferenceTable) {
  const Choices kR1R2{{"R1", "R2"}, true, std::nullopt};
  const Choices kOnlyR2{{"R2"}, true, "R2"};
  const Choices kOnlyR3{{"R3"}, true, "R3"};
  const Choices kNone{{}, false, std::nullopt};
  struct Case {
    const char* tipo;
    const char* acc;
    Choices other;       // a receiver with R1, or one the catalogue lacks
    Choices restricted;  // "QUENTARO M200 PLUS", "QUENTARO R100"
  } cases[] = {
      {"INCLINADA", "TRÍPODE", kR1R2, kOnlyR2},
      {"INCLINADA", "BÍPODE Y BASTÓN", kR1R2, kOnlyR2},
      {"VERTICAL", "BÍPODE Y BASTÓN", kOnlyR3, kOnlyR3},
      {"VERTICAL", "BASTÓN", kOnlyR3, kOnlyR3},
      {"VERTICAL", "", kOnlyR3, kOnlyR3},
      {"VERTICAL", "TRÍPODE", kOnlyR3, kOnlyR3},
      {"INCLINADA", "", kNone, kNone},
      {"", "", kNone, kNone},
      {"INCLINADA", "BASTÓN", kNone, kNone},
      // Reachable only by a stale accessory: the type rule still wins.
      {"", "TRÍPODE", kR1R2, kOnlyR2},
      {"", "BÍPODE Y BASTÓN", kOnlyR3, kOnlyR3},
      // Exact comparison: no accent, no match.
      {"INCLINADA", "TRIPODE", kNone, kNone},
  };
  // Which receivers lack R1 is the catalogue's word (their HR1 is 0), so a
  // catalogue that gives R1 to another model moves it.
  const Catalogue catalogue = BuildEquiposSpecs();
  Catalogue changed = catalogue;
  changed[0].second.h_r1 = 0.0;   // "QUENTARO R300"
  changed[5].second.h_r1 = 0.05;  // "QUENTARO R100"
  for (const Case& c : cases) {
    for (const char* receiver :
         {"QUENTARO R300", "QUENTARO R350", "QUENTARO R700", "QUENTARO R750",
          "", "OTRO"}) {
      SCOPED_TRACE(std::string(receiver) + " " + c.tipo + " " + c.acc);
      EXPECT_EQ(ReferenceChoices(catalogue, receiver, c.tipo, c.acc), c.other);
    }
    for (const char* receiver : {"QUENTARO M200 PLUS", "QUENTARO R100"}) {
      SCOPED_TRACE(std::string(receiver) + " " + c.tipo + " " + c.acc);
      EXPECT_EQ(ReferenceChoices(catalogue, receiver, c.tipo, c.acc),
                c.restricted);
    }
    SCOPED_TRACE(std::string("changed catalogue ") + c.tipo + " " + c.acc);
    EXPECT_EQ(ReferenceChoices(changed, "QUENTARO R300", c.tipo, c.acc),
              c.restricted);
    EXPECT_EQ(ReferenceChoices(changed, "QUENTARO R100", c.tipo, c.acc),
              c.other);
  }
}

}  // namespace
}  // namespace zarvek
