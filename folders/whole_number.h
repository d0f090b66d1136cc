// Reading the whole numbers typed in the folder tab (the number of points and
// the first point code). The reading is locale-free and strict: a count typed
// as "3.0", "1 000" or "1e3" is a typing mistake, not a number, and a number
// too large for 64 bits is refused instead of wrapping around.
#ifndef ZARVEK_FOLDERS_WHOLE_NUMBER_H_
#define ZARVEK_FOLDERS_WHOLE_NUMBER_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "text/ascii_text.h"

namespace zarvek {

/// Reads a base-10 whole number: optional white space (any Unicode white
/// space), an optional "+" or "-", one or more ASCII digits, optional white
/// space. Leading zeros are allowed ("0012" is 12). Returns nullopt for
/// anything else ("", "3.0", "1 000", "1\u00a0000", "1e3", "1_000", "+-3",
/// "- 3", digits of other scripts) and for values outside the range of
/// std::int64_t.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_WHOLE_NUMBER_H_
