#include "text/decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "text/ascii_text.h"

namespace zarvek {
namespace {

// True when `s` has the shape digits[.digits][(e|E)[sign]digits] with at
// least one digit in the mantissa. from_chars alone would also take "inf",
// "nan" and "infinity".
bool HasDecimalShape(std::string_view s) {
  size_t i = 0;
  size_t mantissa_digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++mantissa_digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == s.size();
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (!HasDecimalShape(text)) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(),
                                   value, std::chars_format::general);
  if (ec != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;  // out of range ("1e400") or not a number
  }
  if (!std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

std::optional<double> ParseTypedDecimal(std::string_view text) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) return ParseDecimal(text);
  if (text.find(',', comma + 1) != std::string_view::npos ||
      text.find('.') != std::string_view::npos) {
    return std::nullopt;
  }
  std::string with_point(text);
  with_point[comma] = '.';
  return ParseDecimal(with_point);
}

std::string FormatFixed(double value, int decimals) {
  // 309 digits before the point at most, plus sign, point and decimals.
  std::array<char, 400> buffer;
  auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                 value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "?";
  // A negative value that rounds to zero ("-0.0000") is zero: its sign says
  // nothing, and heights are compared as these texts.
  if (buffer[0] == '-' && std::all_of(buffer.data() + 1, end, [](char c) {
        return c == '0' || c == '.';
      })) {
    return std::string(buffer.data() + 1, end);
  }
  return std::string(buffer.data(), end);
}

double RoundDecimals(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  std::string text = FormatFixed(value, decimals);
  double rounded = value;
  std::from_chars(text.data(), text.data() + text.size(), rounded);
  return rounded;
}

}  // namespace zarvek
