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
/// beyond the range of std::int64_t; then `*problems`, when given, says
/// which input is at fault and why, the count first.
enum class PreviewProblem {
  kCount,              ///< the count is not a whole number
  kCountAboveMax,      ///< the count exceeds kMaxPoints
  kFirstCode,          ///< the first code is not a whole number
  kFirstCodeTooLarge,  ///< the last code would go beyond std::int64_t
};
std::optional<std::vector<std::string>> PreviewCodes(
    std::string_view count_text, std::string_view first_code_text,
    std::vector<PreviewProblem>* problems = nullptr);

/// The text of the box that refuses a preview: "Datos inválidos", then per
/// problem the input's label and the text typed in it, at most
/// kMaxShownInput bytes of it (cut between characters, then "…"):
/// "Datos inválidos\nCANTIDAD DE PUNTOS: «12a»".
std::string DescribePreviewProblems(const std::vector<PreviewProblem>& problems,
                                    std::string_view count_text,
                                    std::string_view first_code_text);
inline constexpr size_t kMaxShownInput = 40;

/// What is wrong with one preview entry.
struct EntryProblem {
  size_t row;        ///< 1-based position of the entry in the preview
  std::string text;  ///< the entry's text, trimmed of white space
  /// 0: not a code; otherwise the row of the earlier entry with the same
  /// code (by value: "007" repeats "7").
  size_t repeats_row;

  bool operator==(const EntryProblem&) const = default;
};

/// The codes read from the preview entries, and what stops them being used.
struct EntryCodes {
  std::vector<std::string> codes;  ///< trimmed codes, in entry order
  std::vector<EntryProblem> problems;
};

/// Reads the texts of the preview entries, in order. Each text is trimmed of
/// Unicode white space; an empty text means "skip this point". A non-empty
/// text that is not made of the ASCII digits 0-9 only, and a code whose value
/// appeared in an earlier entry, are problems: the folder tree must not be
/// made for a list that silently lost or doubled a point.
EntryCodes ReadEntryCodes(const std::vector<std::string>& entry_texts);

/// The text of the error box that lists `problems` (not empty), one line per
/// entry, at most kMaxProblemLines of them and then a line "…".
std::string DescribeEntryProblems(const std::vector<EntryProblem>& problems);
inline constexpr size_t kMaxProblemLines = 10;

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_CODES_H_
