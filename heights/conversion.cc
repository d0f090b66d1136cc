#include "heights/conversion.h"

#include <cmath>
#include <utility>

#include "text/decimal.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

// False for NaN and infinities too.
bool WithinHeightRange(double value) {
  return std::fabs(value) <= kMaxHeightMagnitude;
}

}  // namespace

std::optional<Conversion> calcular_arp_y_fase(
    std::string_view h_medida, std::string_view tipo,
    std::string_view referencia, const ReceiverSpec& datos_equipo) {
  std::optional<double> parsed = ParseTypedDecimal(h_medida);
  if (!parsed || !WithinHeightRange(*parsed)) return std::nullopt;

  ConversionVals vals;
  vals.Hm = *parsed;
  vals.r = datos_equipo.radio;
  vals.HR1 = datos_equipo.h_r1;
  vals.Placa = datos_equipo.placa;
  vals.Offset = (datos_equipo.L1 + datos_equipo.L2) / 2;

  const double hm = vals.Hm;
  double arp = 0.0;
  std::string mode;
  if (tipo == "INCLINADA" && referencia == "R1") {
    // The guard keeps the root real; Hm == r is accepted (root 0).
    if (hm < vals.r) return std::nullopt;
    arp = std::sqrt(hm * hm - vals.r * vals.r) - vals.HR1;
    mode = "SLANT_R1";
  } else if (tipo == "INCLINADA" && referencia == "R2") {
    if (hm < vals.Placa) return std::nullopt;
    arp = std::sqrt(hm * hm - vals.Placa * vals.Placa);
    mode = "SLANT_R2";
  } else if (tipo == "VERTICAL" && referencia == "R3") {
    arp = hm;
    mode = "VERTICAL_R3";
  }

  const double phase_center = arp + vals.Offset;
  // The offset can carry a measured height just inside the range beyond it.
  if (!WithinHeightRange(arp) || !WithinHeightRange(phase_center)) {
    return std::nullopt;
  }

  return Conversion{RoundDecimals(arp, 4), RoundDecimals(phase_center, 4),
                    std::move(mode), vals};
}

ConversionFault DiagnoseConversion(std::string_view h_medida,
                                   std::string_view tipo,
                                   std::string_view referencia,
                                   const ReceiverSpec& datos_equipo) {
  if (calcular_arp_y_fase(h_medida, tipo, referencia, datos_equipo)) {
    return ConversionFault::kNone;
  }
  const std::string_view text = TrimBlanks(h_medida);
  if (text.empty()) return ConversionFault::kEmptyHeight;
  std::optional<double> hm = ParseTypedDecimal(text);
  if (!hm) return ConversionFault::kNotANumber;
  if (!WithinHeightRange(*hm)) return ConversionFault::kOutOfRange;
  if (tipo == "INCLINADA" && referencia == "R1" && *hm < datos_equipo.radio) {
    return ConversionFault::kShorterThanRadius;
  }
  if (tipo == "INCLINADA" && referencia == "R2" && *hm < datos_equipo.placa) {
    return ConversionFault::kShorterThanPlate;
  }
  return ConversionFault::kOutOfRange;
}

}  // namespace zarvek
