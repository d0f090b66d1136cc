#include "folders/whole_number.h"

#include <cstdint>
#include <limits>

#include "gtest/gtest.h"

namespace zarvek {
namespace {

TEST(ParseWholeNumberTest, AcceptsAndRefuses) {
  struct Case {
    const char* text;
    std::int64_t value;
  };
  const Case accepted[] = {
      {" 3 ", 3},
      {"+7", 7},
      {"-2", -2},
      {"0012", 12},
      {"0", 0},
      {"-0", 0},
      {"\t42\r\n", 42},
      {"\u00a03\u2009", 3},  // no-break and thin space, as pasted
      {"\u30005\u2028\u0085", 5},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"0000000000000000000000000001", 1},
  };
  for (const Case& c : accepted) {
    EXPECT_EQ(ParseWholeNumber(c.text), c.value) << "\"" << c.text << "\"";
  }

  const char* refused[] = {
      "",
      "   ",
      "3.0",
      "tres",
      "1 000",
      "1\u00a0000",
      "\u00a0",
      "\u200b7",  // zero-width space is not white space
      "1e3",
      "99999999999999999999",
      "9223372036854775808",
      "-9223372036854775809",
      "\xD9\xA1\xD9\xA2",  // Arabic-Indic digits one and two
      "\xC2\xB2",          // superscript two
      "1_000",
      "+-3",
      "-+3",
      "--3",
      "- 3",
      "+",
      "-",
      "0x10",
      "3,0",
      "12abc",
  };
  for (const char* text : refused) {
    EXPECT_EQ(ParseWholeNumber(text), std::nullopt) << "\"" << text << "\"";
  }
}

}  // namespace
}  // namespace zarvek
