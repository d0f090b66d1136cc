#include "heights/conversion.h"

#include <cmath>

#include "heights/decimal.h"

namespace zarvek {

std::optional<Conversion> calcular_arp_y_fase(
    std::string_view h_medida, std::string_view tipo,
    std::string_view referencia, const ReceiverSpec& datos_equipo) {
  std::optional<double> hm = ParseDecimal(h_medida);
  if (!hm) return std::nullopt;
  const ReceiverSpec& d = datos_equipo;
  ConversionVals vals{*hm, d.radio, d.h_r1, d.placa, (d.L1 + d.L2) / 2};
  double arp = 0.0;
  std::string mode;
  if (tipo == "INCLINADA" && referencia == "R1") {
    if (vals.Hm < vals.r) return std::nullopt;
    arp = std::sqrt(vals.Hm * vals.Hm - vals.r * vals.r) - vals.HR1;
    mode = "SLANT_R1";
  } else if (tipo == "INCLINADA" && referencia == "R2") {
    if (vals.Hm < vals.Placa) return std::nullopt;
    arp = std::sqrt(vals.Hm * vals.Hm - vals.Placa * vals.Placa);
    mode = "SLANT_R2";
  } else if (tipo == "VERTICAL" && referencia == "R3") {
    arp = vals.Hm;
    mode = "VERTICAL_R3";
  }
  return Conversion{RoundDecimals(arp, 4), RoundDecimals(arp + vals.Offset, 4),
                    mode, vals};
}

}  // namespace zarvek
