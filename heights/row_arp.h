// What the measurement table shows of a row's ARP height while it is typed:
// the number, whether it is plausible, and the line that explains it (the
// formula with the row's numbers and the phase-centre height, or why the
// height does not convert). The report checks the same range and gives the
// same reasons, so both are kept here, below the table and the report.
#ifndef ZARVEK_HEIGHTS_ROW_ARP_H_
#define ZARVEK_HEIGHTS_ROW_ARP_H_

#include <string>
#include <string_view>

#include "heights/catalogue.h"
#include "heights/conversion.h"
#include "measurements/measurement_file.h"

namespace zarvek {

/// ARP heights outside this range, in metres, are asked about before the
/// report is written and shown apart in the table: a height typed in
/// millimetres or centimetres gives a valid but absurd page.
inline constexpr double kMinPlausibleArp = 0.0;
inline constexpr double kMaxPlausibleArp = 5.0;
/// What the table and the report say of such a height.
inline constexpr std::string_view kImplausibleArpText =
    "ALTURA ARP FUERA DEL RANGO DE 0 A 5 m";

/// The reason `fault` gives for the measured height `h` with the constants
/// of `datos`, as the surveyor reads it ("FALTA LA ALTURA MEDIDA.").
std::string ConversionFaultText(ConversionFault fault, std::string_view h,
                                const ReceiverSpec& datos);

/// How a row's ARP height stands.
enum class ArpState {
  kEmpty,        ///< the row is incomplete: nothing to show
  kPlausible,    ///< converted, within the plausible range
  kImplausible,  ///< converted, outside the plausible range
  kFault,        ///< complete, but it does not convert
};

/// A row's ARP cell and its explanation.
struct RowArp {
  ArpState state = ArpState::kEmpty;
  /// The cell: the ARP height with 4 decimals, "ERROR", or empty.
  std::string cell;
  /// The explanation, without the point's code: the formula with the row's
  /// numbers and the phase-centre height, preceded by kImplausibleArpText
  /// when it is out of range; or the reason it does not convert. Empty
  /// while the row is incomplete.
  std::string line;
};

/// What the table shows for a row of values `v` (its five inputs as the
/// report reads them).
RowArp DescribeRowArp(const RowValues& v, const Catalogue& catalogue);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_ROW_ARP_H_
