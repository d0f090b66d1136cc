// Placeholder of the height conversion so that the report can be built and
// tested on its own; the real unit replaces this file.
#ifndef ZARVEK_HEIGHTS_CONVERSION_H_
#define ZARVEK_HEIGHTS_CONVERSION_H_

#include <optional>
#include <string>
#include <string_view>

#include "heights/catalogue.h"

namespace zarvek {

struct ConversionVals {
  double Hm, r, HR1, Placa, Offset;
};

struct Conversion {
  double arp;
  double phase_center;
  std::string mode;
  ConversionVals vals;
};

/// ARP and mean phase-centre heights of a measured height, or nullopt.
std::optional<Conversion> calcular_arp_y_fase(std::string_view h_medida,
                                              std::string_view tipo,
                                              std::string_view referencia,
                                              const ReceiverSpec& datos_equipo);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_CONVERSION_H_
