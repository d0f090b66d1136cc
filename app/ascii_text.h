// Small text helpers shared by the parsers of typed numbers, point codes and
// folder names. They look at ASCII only, on purpose: the digits of other
// scripts and exotic blanks are not accepted as part of a code or number.
#ifndef ZARVEK_APP_ASCII_TEXT_H_
#define ZARVEK_APP_ASCII_TEXT_H_

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

namespace zarvek {

/// True for the ASCII blanks: space, tab, line feed, carriage return,
/// vertical tab and form feed.
constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

/// `text` without the ASCII blanks at its start and end.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

/// True when `text` is non-empty and made of the ASCII digits 0-9 only.
constexpr bool IsAsciiDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

/// `value` in decimal digits, whatever the locale.
inline std::string DecimalText(std::size_t value) {
  char text[24];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

}  // namespace zarvek

#endif  // ZARVEK_APP_ASCII_TEXT_H_
