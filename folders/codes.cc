#include "folders/codes.h"

#include <charconv>
#include <limits>

#include "folders/whole_number.h"

namespace zarvek {
namespace {

std::string ToDecimal(std::int64_t value) {
  char buffer[24];  // 19 digits and a sign
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

}  // namespace

std::optional<std::vector<std::string>> PreviewCodes(
    std::string_view count_text, std::string_view first_code_text) {
  const std::optional<std::int64_t> count = ParseWholeNumber(count_text);
  const std::optional<std::int64_t> start = ParseWholeNumber(first_code_text);
  if (!count || !start || *count > kMaxPoints) return std::nullopt;
  if (*count <= 0) return std::vector<std::string>();
  // The last code is start + count - 1; count is at most kMaxPoints here.
  if (*start > std::numeric_limits<std::int64_t>::max() - (*count - 1)) {
    return std::nullopt;
  }
  std::vector<std::string> codes;
  codes.reserve(static_cast<size_t>(*count));
  for (std::int64_t i = 0; i < *count; ++i)
    codes.push_back(ToDecimal(*start + i));
  return codes;
}

std::vector<std::string> KeepValidCodes(
    const std::vector<std::string>& entry_texts) {
  std::vector<std::string> codes;
  for (const std::string& text : entry_texts) {
    std::string_view code = TrimBlanks(text);
    if (IsAsciiDigits(code)) codes.emplace_back(code);
  }
  return codes;
}

}  // namespace zarvek
