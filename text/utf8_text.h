// Small UTF-8 helpers for the texts printed on the report. The report's
// standard fonts cover Western European letters only, so upper-casing is
// needed for ASCII and the Latin-1 letters (á, é, í, ó, ú, ñ, ü ...); other
// characters are kept as they are. Lengths count characters, not bytes, so
// that "BÍPODE" is six long.
#ifndef ZARVEK_TEXT_UTF8_TEXT_H_
#define ZARVEK_TEXT_UTF8_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace zarvek {

/// `text` with a-z and the Latin-1 small letters (à-þ except ÷) mapped to
/// their capitals, ß to "SS" and ÿ to Ÿ. Everything else, including bytes
/// that are not valid UTF-8, is copied unchanged.
std::string Utf8ToUpper(std::string_view text);

/// The number of characters of `text`; an invalid byte counts as one.
std::size_t Utf8Length(std::string_view text);

/// The first `count` characters of `text` (all of it when shorter), never
/// cutting a character in two.
std::string_view Utf8Prefix(std::string_view text, std::size_t count);

}  // namespace zarvek

#endif  // ZARVEK_TEXT_UTF8_TEXT_H_
