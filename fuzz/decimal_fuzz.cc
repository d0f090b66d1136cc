// The locale-free decimal reading and writing against the C library's
// correctly rounded conversions (this program never changes its locale, so
// strtod and snprintf work in the "C" locale here):
// - ParseDecimal accepts exactly the plain decimal shape (blanks, sign,
//   digits with at most one point, exponent) and gives strtod's double;
//   a value too large to hold, or a non-zero value too small to hold, is
//   refused rather than turned into infinity or zero;
// - FormatFixed writes what "%.*f" writes, but for the sign of a zero;
// - RoundDecimals gives a double that FormatFixed writes the same way, and
//   reading back FormatFixed's text gives RoundDecimals' double;
// - the shortest text of any finite double reads back as that double.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "text/decimal.h"

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

std::optional<double> Reference(std::string_view s) {
  auto blank = [](char c) { return std::strchr(" \t\n\r\v\f", c) && c; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool nonzero = false;
  std::size_t digits = 0;
  for (; i < s.size() && Digit(s[i]); ++i, ++digits) nonzero |= s[i] != '0';
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && Digit(s[i]); ++i, ++digits)
      nonzero |= s[i] != '0';
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t start = i;
    while (i < s.size() && Digit(s[i])) ++i;
    if (i == start) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  const std::string copy(s);
  const double value = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(value) || (nonzero && value == 0)) return std::nullopt;
  return value;
}

bool SameDouble(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string Printf(double value, int decimals) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<double> parsed = zarvek::ParseDecimal(text);
  const std::optional<double> expected = Reference(text);
  FUZZ_CHECK(parsed.has_value() == expected.has_value());
  FUZZ_CHECK(!parsed || SameDouble(*parsed, *expected));

  // The same bytes as a double and a number of decimals.
  if (size < sizeof(double) + 1) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  if (!std::isfinite(value)) return 0;
  const int decimals = data[sizeof value] % 21;
  const std::string fixed = zarvek::FormatFixed(value, decimals);
  std::string printed = Printf(value, decimals);
  if (printed.find_first_not_of("-0.") == std::string::npos &&
      printed[0] == '-') {
    printed.erase(0, 1);  // "-0.00": zero has no sign
  }
  FUZZ_CHECK(fixed == printed);

  const double rounded = zarvek::RoundDecimals(value, decimals);
  FUZZ_CHECK(zarvek::FormatFixed(rounded, decimals) == fixed);
  const std::optional<double> read_back = zarvek::ParseDecimal(fixed);
  FUZZ_CHECK(read_back && *read_back == rounded);

  char shortest[64];
  auto [end, ec] = std::to_chars(shortest, shortest + sizeof shortest, value);
  FUZZ_CHECK(ec == std::errc());
  const std::optional<double> again =
      zarvek::ParseDecimal(std::string_view(shortest, end - shortest));
  FUZZ_CHECK(again && SameDouble(*again, value));
  return 0;
}
