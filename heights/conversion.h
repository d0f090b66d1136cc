// The height conversion: turns the antenna height a surveyor measured in the
// field (slant to the antenna's edge R1 or to the measuring plate R2, or
// vertical to the ARP, R3) into the height of the Antenna Reference Point and
// of the mean phase centre, with the constants of one receiver model. It is a
// pure function of its arguments; the report calls it once per complete row.
#ifndef ZARVEK_HEIGHTS_CONVERSION_H_
#define ZARVEK_HEIGHTS_CONVERSION_H_

#include <optional>
#include <string>
#include <string_view>

#include "heights/catalogue.h"

namespace zarvek {

/// The largest magnitude, in metres, of a measured or converted height. An
/// antenna stands a few metres above its mark; a number beyond this is a
/// typing slip or a hostile file, and printing it would spread hundreds of
/// digits across the report's page.
inline constexpr double kMaxHeightMagnitude = 1000.0;

/// The unrounded values that went into the formula, in metres.
struct ConversionVals {
  double Hm;      ///< the measured height as parsed
  double r;       ///< the receiver's `radio`
  double HR1;     ///< the receiver's `h_r1`
  double Placa;   ///< the receiver's `placa`
  double Offset;  ///< mean phase-centre offset, (L1 + L2) / 2
};

/// One converted height.
struct Conversion {
  double arp;           ///< ARP height, rounded to 4 decimals
  double phase_center;  ///< ARP + Offset, rounded to 4 decimals
  std::string mode;     ///< "SLANT_R1", "SLANT_R2", "VERTICAL_R3" or ""
  ConversionVals vals;  ///< inputs of the formula, unrounded
};

/// Which formula each measurement uses:
///   "INCLINADA" + "R1": ARP = sqrt(Hm^2 - r^2) - HR1       ("SLANT_R1")
///   "INCLINADA" + "R2": ARP = sqrt(Hm^2 - Placa^2)         ("SLANT_R2")
///   "VERTICAL"  + "R3": ARP = Hm                            ("VERTICAL_R3")
///   any other pair:     ARP = 0 and an empty mode.
/// `tipo` and `referencia` are compared exactly. The phase centre is the
/// unrounded ARP plus Offset; both heights are then rounded to 4 decimals with
/// RoundDecimals (ties to even on the exact binary value).
///
/// `h_medida` is the text as typed: blanks around the number are allowed, the
/// decimal separator is the point or the comma (ParseTypedDecimal), whatever
/// the desktop's locale.
/// Returns nullopt when the text is not such a number (e.g. "", "1.452,5",
/// "nan", "inf", "0x1p0"), when the slant is shorter than the horizontal
/// constant (Hm < r for R1, Hm < Placa for R2: no real root), or when the
/// measured height, the ARP or the phase centre lies beyond
/// kMaxHeightMagnitude in magnitude (exactly 1000 m still converts).
std::optional<Conversion> calcular_arp_y_fase(std::string_view h_medida,
                                              std::string_view tipo,
                                              std::string_view referencia,
                                              const ReceiverSpec& datos_equipo);

/// Why a measurement gives no conversion, in the terms a surveyor can act on.
enum class ConversionFault {
  kNone,               ///< it converts
  kEmptyHeight,        ///< nothing but blanks
  kNotANumber,         ///< any other text that is not a number
  kShorterThanRadius,  ///< slant to R1 shorter than `radio`
  kShorterThanPlate,   ///< slant to R2 shorter than `placa`
  kOutOfRange,         ///< a height beyond kMaxHeightMagnitude
};

/// The reason calcular_arp_y_fase gives no result for these arguments, or
/// kNone when it gives one.
ConversionFault DiagnoseConversion(std::string_view h_medida,
                                   std::string_view tipo,
                                   std::string_view referencia,
                                   const ReceiverSpec& datos_equipo);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_CONVERSION_H_
