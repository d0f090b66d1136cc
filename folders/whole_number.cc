#include "folders/whole_number.h"

#include <charconv>
#include <system_error>

namespace zarvek {
std::optional<std::int64_t> ParseWholeNumber(std::string_view text) {
  text = TrimSpace(text);
  // from_chars takes a leading '-' but not '+'. The digits are checked here
  // first, so that neither "+-3" nor "--3" gets through the sign handling.
  std::string_view number = text;
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    number = text;
  } else if (!text.empty() && text.front() == '-') {
    text.remove_prefix(1);
  }
  if (!IsAsciiDigits(text)) return std::nullopt;

  // Keeping the '-' in what from_chars reads lets it reach INT64_MIN.
  std::int64_t value = 0;
  const char* end = number.data() + number.size();
  auto [ptr, ec] = std::from_chars(number.data(), end, value, 10);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace zarvek
