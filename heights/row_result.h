// What one row of the measurement table comes to: its ARP and phase-centre
// heights with the receiver constants they were computed with, or the
// reason it has none. This is the only place that turns a row into heights:
// the ARP column and the dossier's cell, the RINEX check, the measurement
// file's result columns, the height report and the photo report's band all
// ask ConvertRow and only format its answer, so that they never disagree on
// which rows have a height, on what it is, or on the receiver a row stands
// for.
#ifndef ZARVEK_HEIGHTS_ROW_RESULT_H_
#define ZARVEK_HEIGHTS_ROW_RESULT_H_

#include <optional>
#include <string>

#include "heights/catalogue.h"
#include "heights/conversion.h"
#include "measurements/measurement_file.h"
#include "rinex/rinex_verdict.h"

namespace zarvek {

/// ARP heights outside this range, in metres, are asked about before the
/// report is written and shown apart in the table: a height typed in
/// millimetres or centimetres gives a valid but absurd page. Compared on
/// the height rounded to 4 decimals, as every place prints it.
inline constexpr double kMinPlausibleArp = 0.0;
inline constexpr double kMaxPlausibleArp = 5.0;

/// Where a row stands, in the order the checks are made.
enum class RowStatus {
  /// Nothing chosen or typed: no type, accessory, reference or height
  /// (blanks count as none), and no receiver but the one every new row is
  /// preset to. Nobody picked that receiver, so the row stands for none.
  kNotBegun,
  /// Begun, but one of the five inputs is still empty.
  kIncomplete,
  /// Complete, with a receiver the catalogue does not hold.
  kUnknownReceiver,
  /// Complete, but no formula takes its type with its reference (the row
  /// rules never offer such a pair, e.g. "INCLINADA" with "R3").
  kNoFormula,
  /// Complete, but its height does not convert: `fault` says why.
  kMathError,
  /// Converts, with an ARP height outside the plausible range.
  kImplausible,
  /// Converts, with an ARP height inside the plausible range.
  kConverts,
};

/// A row's answer.
struct RowResult {
  RowStatus status = RowStatus::kNotBegun;
  /// The receiver the row stands for: its own, or empty for a row not
  /// begun.
  std::string receiver;
  /// The catalogue's record of that receiver, when it holds one.
  const ReceiverSpec* constants = nullptr;
  /// The ARP and phase-centre heights (4 decimals), the formula and the
  /// values that went into it; set exactly for kImplausible and kConverts.
  std::optional<Conversion> conversion;
  /// Why the height does not convert; kNone unless kMathError.
  ConversionFault fault = ConversionFault::kNone;
};

/// The answer for a row of inputs `v` with the constants of `catalogue`,
/// whose first model is the receiver new rows are preset to.
RowResult ConvertRow(const RowValues& v, const Catalogue& catalogue);

/// The heights the RINEX check compares with the files' DELTA H, or
/// nullopt when the row has none.
std::optional<RinexRowHeights> RinexHeightsOf(const RowResult& result);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_ROW_RESULT_H_
