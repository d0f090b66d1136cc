// The twelve standard PDF text fonts ("Helvetica", "Times-Bold", ...) as
// the report writes them: never embedded, set with WinAnsiEncoding (CP1252)
// and measured with their built-in advance widths.
#ifndef ZARVEK_PDF_PDF_FONTS_H_
#define ZARVEK_PDF_PDF_FONTS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

/// The name of the symbol font that sets the marks CP1252 lacks.
inline constexpr std::string_view kDingbatsFontName = "ZapfDingbats";

/// A piece of text set in one font. The marks "✓", "✔", "✗" and "✘" are
/// not in CP1252: they are set in ZapfDingbats (one of the standard PDF
/// fonts, in its own encoding), whose glyph names text extraction maps
/// back to those characters, so they print and read back as themselves.
struct FontRun {
  bool dingbats = false;
  std::string bytes;  ///< CP1252 bytes, or ZapfDingbats codes
};

/// `utf8` cut into runs: each mark in a ZapfDingbats run, the text between
/// them as Utf8ToWinAnsi gives it. None for empty text.
std::vector<FontRun> FontRuns(std::string_view utf8);

/// Width of the UTF-8 `utf8` set in standard font `index`, its marks in
/// ZapfDingbats, in 1/1000 of the font size.
std::uint32_t StandardTextWidth(int index, std::string_view utf8);

}  // namespace zarvek

#endif  // ZARVEK_PDF_PDF_FONTS_H_
