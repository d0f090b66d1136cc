// The twelve standard PDF text fonts ("Helvetica", "Times-Bold", ...) as
// the report writes them: never embedded, set with WinAnsiEncoding (CP1252)
// and measured with their built-in advance widths.
#ifndef ZARVEK_PDF_PDF_FONTS_H_
#define ZARVEK_PDF_PDF_FONTS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace zarvek {

/// Number of fonts StandardFontIndex knows.
inline constexpr int kStandardFontCount = 12;

/// 0..11 for the standard font named `name`, -1 for any other name.
int StandardFontIndex(std::string_view name);

/// The name of the font with that index.
std::string_view StandardFontName(int index);

/// Width of the CP1252 bytes `winansi`, in 1/1000 of the font size.
std::uint32_t StandardFontTextWidth(int index, std::string_view winansi);

/// UTF-8 to CP1252, one byte a character. Characters CP1252 lacks,
/// malformed UTF-8 and NUL become "?".
std::string Utf8ToWinAnsi(std::string_view utf8);

}  // namespace zarvek

#endif  // ZARVEK_PDF_PDF_FONTS_H_
