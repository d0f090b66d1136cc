// The point codes of a project, as the folder tab handles them: the preview of
// consecutive codes built from the two typed numbers, and the choice of the
// codes that the folder tree is made for among the (possibly edited) preview
// entries.
#ifndef ZARVEK_FOLDERS_CODES_H_
#define ZARVEK_FOLDERS_CODES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvek {

/// The largest number of points a preview may hold. Every point costs two
/// widgets and thirteen folders; a count typed with a few digits too many
/// (999999999999) must be refused rather than freeze the window.
inline constexpr std::int64_t kMaxPoints = 1000;

/// The codes of a preview: the decimal texts of start, start + 1, ...,
/// start + count - 1, where count and start are read from the two texts with
/// ParseWholeNumber. Negative codes carry a '-'; there is no padding, so
/// "0012" starts at "12". Both texts are read even when the count is zero or
/// negative, which gives an empty list.
/// Returns nullopt (the "Datos inválidos" case) when either text is not a
/// whole number, when the count exceeds kMaxPoints, or when a code would go
/// beyond the range of std::int64_t.
std::optional<std::vector<std::string>> PreviewCodes(
    std::string_view count_text, std::string_view first_code_text);

/// The point codes kept from the texts of the preview entries, in entry
/// order: each text with its surrounding blanks removed, kept when it is made
/// of the ASCII digits 0-9 only. Empty texts, signs, points, letters and
/// inner blanks are dropped silently. Duplicates and leading zeros stay.
std::vector<std::string> KeepValidCodes(
    const std::vector<std::string>& entry_texts);

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_CODES_H_
