// Small text helpers shared by the parsers of typed numbers, point codes and
// folder names. Digits are ASCII only, on purpose: the digits of other
// scripts are not accepted as part of a code or number. White space around
// a code or count is any Unicode white space, since texts pasted from
// spreadsheets and PDFs carry no-break spaces.
#ifndef ZARVEK_TEXT_ASCII_TEXT_H_
#define ZARVEK_TEXT_ASCII_TEXT_H_

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

/// The length in bytes of the Unicode white-space character (the White_Space
/// property) that UTF-8 `text` starts with, 0 when it starts with none.
constexpr std::size_t LeadingSpaceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto b = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  if (IsBlank(text[0])) return 1;
  if (b(0) == 0xC2 && (b(1) == 0x85 || b(1) == 0xA0)) return 2;  // NEL, NBSP
  if (b(0) == 0xE1 && b(1) == 0x9A && b(2) == 0x80) return 3;    // U+1680
  if (b(0) == 0xE2 && b(1) == 0x80 &&
      ((b(2) >= 0x80 && b(2) <= 0x8A) || b(2) == 0xA8 || b(2) == 0xA9 ||
       b(2) == 0xAF)) {
    return 3;  // U+2000-200A, U+2028, U+2029, U+202F
  }
  if (b(0) == 0xE2 && b(1) == 0x81 && b(2) == 0x9F) return 3;  // U+205F
  if (b(0) == 0xE3 && b(1) == 0x80 && b(2) == 0x80) return 3;  // U+3000
  return 0;
}

/// UTF-8 `text` without the Unicode white space at its start and end.
constexpr std::string_view TrimSpace(std::string_view text) {
  while (std::size_t n = LeadingSpaceLength(text)) text.remove_prefix(n);
  for (bool trimmed = true; trimmed && !text.empty();) {
    trimmed = false;
    // A white-space character is one to three bytes long.
    for (std::size_t n = 1; n <= 3 && n <= text.size(); ++n) {
      if (LeadingSpaceLength(text.substr(text.size() - n)) == n) {
        text.remove_suffix(n);
        trimmed = true;
        break;
      }
    }
  }
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

/// "1 PUNTO", "2 PUNTOS": `value` and the noun that agrees with it.
inline std::string CountedText(std::size_t value, std::string_view one,
                               std::string_view many) {
  return DecimalText(value) + " " + std::string(value == 1 ? one : many);
}

}  // namespace zarvek

#endif  // ZARVEK_TEXT_ASCII_TEXT_H_
