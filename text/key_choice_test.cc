#include "text/key_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarvek {
namespace {

TEST(KeyChoiceTest, TypedKeyPicksTheNextChoiceStartingWithIt) {
  const std::vector<std::string> acc = {"BÍPODE Y BASTÓN", "BASTÓN", "TRÍPODE"};
  const std::vector<std::string> refs = {"R1", "R2"};
  const std::vector<std::string> accented = {"ÁREA", "ñandú", "Ñ2"};
  struct Case {
    const std::vector<std::string>* choices;
    int current;
    std::uint32_t keysym;
    int picked;
  } cases[] = {
      {&acc, -1, 'b', 0},  // no choice yet: the first from the top
      {&acc, 0, 'B', 1},   // the next one, without case
      {&acc, 1, 'b', 0},   // and round again
      {&acc, 0, 't', 2},
      {&acc, 2, 't', 2},  // the only one stays
      {&refs, 0, 'r', 1},
      {&refs, 7, 'r', 0},        // an index beyond the list starts at the top
      {&accented, -1, 0xE1, 0},  // á (Latin-1 keysym) finds Á
      {&accented, 1, 0xF1, 2},   // ñ finds Ñ after ñandú
      // Keys that pick nothing: no such first letter, keys that type no
      // character (Return, Tab, Down, a modifier), and an empty list.
      {&acc, 0, 'x', -1},
      {&acc, 0, 0xFF0D, -1},
      {&acc, 0, 0xFF09, -1},
      {&acc, 0, 0xFF54, -1},
      {&acc, 0, 0xFFE3, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.keysym) + " after " +
                 std::to_string(c.current));
    EXPECT_EQ(NextChoiceForKey(*c.choices, c.current, c.keysym), c.picked);
  }
  EXPECT_EQ(NextChoiceForKey({}, -1, 'a'), -1);
  // Characters beyond Latin-1 come as 0x1000000 + their code.
  EXPECT_EQ(NextChoiceForKey({"€ UNO", "Ω DOS"}, -1, 0x10003A9), 1);
}

}  // namespace
}  // namespace zarvek
