// The rules that keep one row of the measurement table consistent: the type
// of measurement decides which accessories are offered, and the type, the
// accessory and the receiver together decide which reference points are
// offered. Also the fixed texts of the table. Pure: the window glue asks these
// functions and applies the answer to the row's boxes.
#ifndef ZARVEK_HEIGHTS_ROW_RULES_H_
#define ZARVEK_HEIGHTS_ROW_RULES_H_

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "heights/catalogue.h"

namespace zarvek {

/// The choices of the type box, in order.
inline constexpr std::array<std::string_view, 2> kTipoChoices = {"INCLINADA",
                                                                 "VERTICAL"};

/// One column heading of the measurement table and its width in characters.
struct TableHeader {
  std::string_view text;
  int width;
};

/// The eight column headings, columns 0 to 7. The widths are those of the
/// cells below them, so that eight columns fit the first window.
inline constexpr std::array<TableHeader, 8> kTableHeaders = {{
    {"PUNTO", 10},
    {"RECEPTOR GNSS", 22},
    {"TIPO DE MEDIDA", 15},
    {"ACCESORIO", 18},
    {"REFERENCIA", 12},
    {"ALTURA (m)", 12},
    {"ARP (m)", 10},
    {"RINEX", 11},
}};
/// The columns computed from a row's inputs, after them: its ARP height and
/// the check of its observation files.
inline constexpr int kArpColumn = 6;
inline constexpr int kRinexColumn = 7;

/// What a dependent box of a row should offer.
struct Choices {
  std::vector<std::string> values;  ///< the list, in order
  bool enabled;  ///< true: state "readonly"; false: state "disabled"
  std::optional<std::string> preselect;  ///< the value to select, if any

  bool operator==(const Choices&) const = default;
};

/// Accessories for a type: "INCLINADA" -> "TRÍPODE", "BÍPODE Y BASTÓN";
/// "VERTICAL" -> "BÍPODE Y BASTÓN", "BASTÓN"; any other text -> none, and
/// the box is disabled. Nothing is preselected.
Choices AccessoryChoices(std::string_view tipo);

/// Reference points for a row; the first matching rule wins:
///   type "VERTICAL"                           -> "R3" (whatever the accessory)
///   accessory "TRÍPODE"                       -> "R1", "R2"
///   accessory "BÍPODE Y BASTÓN", "INCLINADA"  -> "R1", "R2"
///   accessory "BÍPODE Y BASTÓN", other type   -> "R3"
///   anything else (e.g. empty accessory)      -> none
/// "R1" is then removed for a receiver of `catalogue` without R1 (HasR1).
/// A single remaining choice is preselected; no choice leaves the box
/// disabled. Texts are compared exactly, accents included.
Choices ReferenceChoices(const Catalogue& catalogue, std::string_view receiver,
                         std::string_view tipo, std::string_view accesorio);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_ROW_RULES_H_
