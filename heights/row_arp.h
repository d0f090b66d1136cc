// What the measurement table shows of a row's ARP height while it is typed:
// the number, whether it is plausible, and the line that explains it (the
// formula with the row's numbers and the phase-centre height, or why the
// height does not convert). The report gives the same reasons, so they are
// kept here, below the table and the report; which rows convert, and to
// what, is ConvertRow's answer (heights/row_result.h).
#ifndef ZARVEK_HEIGHTS_ROW_ARP_H_
#define ZARVEK_HEIGHTS_ROW_ARP_H_

#include <string>
#include <string_view>

#include "heights/catalogue.h"
#include "heights/conversion.h"
#include "heights/row_result.h"
#include "measurements/measurement_file.h"

namespace zarvek {

/// What the table and the report say of a height outside
/// [kMinPlausibleArp, kMaxPlausibleArp].
inline constexpr std::string_view kImplausibleArpText =
    "ALTURA ARP FUERA DEL RANGO DE 0 A 5 m";

/// The reason `fault` gives for the measured height `h` with the constants
/// of `datos`, as the surveyor reads it ("FALTA LA ALTURA MEDIDA.").
std::string ConversionFaultText(ConversionFault fault, std::string_view h,
                                const ReceiverSpec& datos);

/// Why a complete row `v` has no height (`result` is ConvertRow's answer
/// for it, with status kUnknownReceiver, kNoFormula or kMathError), as the
/// table's status line and the report's list say it.
std::string RowFaultText(const RowResult& result, const RowValues& v);

/// How a row's ARP height stands.
enum class ArpState {
  kEmpty,        ///< the row is incomplete: nothing to show
  kPlausible,    ///< converted, within the plausible range
  kImplausible,  ///< converted, outside the plausible range
  kFault,        ///< complete, but it gives no height
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

/// The dossier's ALTURA cell for a row the table shows as `arp`: the ARP
/// height, "—" while the row is incomplete, "✗" when it gives no height.
std::string DossierHeightCell(const RowArp& arp);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_ROW_ARP_H_
