#include "rinex/rinex_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarvek {
namespace {

// However the pieces of a text fall, its lines are the same, and the parts
// handed out, joined, are the text byte for byte; a line longer than the
// bound is cut there and never held whole.
TEST(LineSplitterTest, SplitsAlikeHoweverThePiecesFall) {
  constexpr std::size_t kMax = 8;
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> lines;  // text of each line, "+" when cut
  };
  const Case cases[] = {
      {"LF", "ab\n\ncd\n", {"ab", "", "cd"}},
      {"CRLF, last without end", "ab\r\ncd\r\nef", {"ab", "cd", "ef"}},
      {"a lone CR at the end", "ab\r", {"ab"}},
      {"a CR inside a line stays", "a\rb\n", {"a\rb"}},
      {"exactly the bound", "12345678\nx\n", {"12345678", "x"}},
      {"the bound with CRLF is cut", "12345678\r\nx\n", {"12345678+", "x"}},
      {"long lines",
       "123456789abc\nxy\n0123456789",
       {"12345678+", "xy", "01234567+"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (std::size_t step = 1; step <= c.text.size(); ++step) {
      LineSplitter split(kMax);
      std::vector<std::string> lines;
      std::string joined;
      std::size_t last_number = 0;
      const LineSplitter::Visit visit = [&](const TextLine& line) {
        joined += std::string(line.text) + std::string(line.end);
        if (line.rest) {
          EXPECT_EQ(line.number, last_number);
          return true;
        }
        EXPECT_EQ(line.number, ++last_number);
        lines.push_back(std::string(line.text) + (line.cut ? "+" : ""));
        return true;
      };
      for (std::size_t at = 0; at < c.text.size(); at += step)
        ASSERT_TRUE(
            split.Push(std::string_view(c.text).substr(at, step), visit));
      ASSERT_TRUE(split.Finish(visit));
      EXPECT_EQ(lines, c.lines) << step;
      EXPECT_EQ(joined, c.text) << step;
      EXPECT_LE(split.held_peak(), kMax);
    }
  }
}

}  // namespace
}  // namespace zarvek
