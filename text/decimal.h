// Locale-free reading and writing of the decimal numbers the surveyor types
// and reads. The C library's strtod and printf follow the desktop's locale
// (a comma-decimal locale would read "1,5" and write "1,500") and accept
// "nan", "inf" and hexadecimal; these functions never do.
#ifndef ZARVEK_TEXT_DECIMAL_H_
#define ZARVEK_TEXT_DECIMAL_H_

#include <optional>
#include <string>
#include <string_view>

namespace zarvek {

/// Reads a decimal number: optional blanks around it, an optional sign,
/// digits with at most one point (the decimal separator), an optional
/// exponent. Refuses everything else ("", "1,5", "nan", "inf", "0x1p3",
/// "1_5", "1e400" which is not finite) by returning nullopt.
std::optional<double> ParseDecimal(std::string_view text);

/// Reads a number as a surveyor types it or a Spanish spreadsheet writes
/// it: ParseDecimal's shape with either a point or a comma as the decimal
/// separator ("1.452", "1,452"). One separator at most: "1.452,5" and
/// "1,000,5" carry thousands separators, which a height never has, and are
/// refused as ParseDecimal refuses everything else.
std::optional<double> ParseTypedDecimal(std::string_view text);

/// `value` written with exactly `decimals` digits after the point, rounded
/// from its exact binary value with ties to even (as "%.3f" would in the C
/// locale), e.g. FormatFixed(1.5, 3) == "1.500". Zero has no sign: -0.0 and
/// any negative value that rounds to zero are written as zero
/// (FormatFixed(-0.00004, 4) == "0.0000", where "%.4f" writes "-0.0000"),
/// so that every place that shows, prints, writes or compares a height
/// agrees on it.
std::string FormatFixed(double value, int decimals);

/// The double nearest to `value` rounded to `decimals` decimal places by the
/// rule of FormatFixed: 0.03125 -> 0.0312, the double of 1.00005 -> 1.0001.
double RoundDecimals(double value, int decimals);

}  // namespace zarvek

#endif  // ZARVEK_TEXT_DECIMAL_H_
