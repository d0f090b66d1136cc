#include "folders/codes.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace zarvek {
namespace {

using Codes = std::vector<std::string>;

TEST(PreviewCodesTest, ConsecutiveCodes) {
  EXPECT_EQ(PreviewCodes("3", "100"), (Codes{"100", "101", "102"}));
  EXPECT_EQ(PreviewCodes(" 3 ", "100"), (Codes{"100", "101", "102"}));
  EXPECT_EQ(PreviewCodes("2", "0012"), (Codes{"12", "13"}));
  EXPECT_EQ(PreviewCodes("3", "-2"), (Codes{"-2", "-1", "0"}));
  EXPECT_EQ(PreviewCodes("1", "+7"), (Codes{"7"}));
  EXPECT_EQ(PreviewCodes("2", "9223372036854775806"),
            (Codes{"9223372036854775806", "9223372036854775807"}));
  EXPECT_EQ(PreviewCodes("1000", "1")->size(), 1000u);
}

TEST(PreviewCodesTest, EmptyWithoutMessage) {
  EXPECT_EQ(PreviewCodes("0", "100"), Codes{});
  EXPECT_EQ(PreviewCodes("-2", "100"), Codes{});
  EXPECT_EQ(PreviewCodes("-99999999999", "5"), Codes{});
}

TEST(PreviewCodesTest, InvalidData) {
  const std::pair<const char*, const char*> refused[] = {
      {"0", ""},  // the first code is read even when no row is built
      {"", "100"},
      {"3.0", "100"},
      {"tres", "100"},
      {"3", "1e3"},
      {"1001", "1"},                  // above the cap
      {"999999999999", "1"},          // must not try to build a trillion
      {"99999999999999999999", "1"},  // beyond 64 bits
      {"3", "9223372036854775806"},   // the last code would wrap around
  };
  for (const auto& [count, first] : refused) {
    EXPECT_EQ(PreviewCodes(count, first), std::nullopt)
        << "count \"" << count << "\", first \"" << first << "\"";
  }
}

TEST(KeepValidCodesTest, KeepsDigitOnlyTextsInOrder) {
  const Codes entries = {" 100 ", "",    "   ", "-2",       "+3",  "1.5",
                         "abc",   "1 2", "007", "\xD9\xA1", "100", "\t5\n"};
  EXPECT_EQ(KeepValidCodes(entries), (Codes{"100", "007", "100", "5"}));
  EXPECT_EQ(KeepValidCodes({"x", ""}), Codes{});
}

}  // namespace
}  // namespace zarvek
