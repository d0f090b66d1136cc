#include "heights/row_arp.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <system_error>

#include "text/decimal.h"
#include "heights/measurement_table.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

// A constant as short as it reads in the catalogue: 0.067, 0.0667.
std::string ShortNumber(double value) {
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : FormatFixed(value, 4);
}

std::string Fixed4(double value) { return FormatFixed(value, 4); }

// The formula of `c`, in letters and then with its numbers, as the report's
// page writes it.
std::string FormulaLine(const Conversion& c) {
  const ConversionVals& v = c.vals;
  std::string line;
  if (c.mode == "SLANT_R1") {
    line = "ARP = √(H² - r²) - HR1 = √(" + Fixed4(v.Hm) + "² - " + Fixed4(v.r) +
           "²) - " + Fixed4(v.HR1);
  } else if (c.mode == "SLANT_R2") {
    line = "ARP = √(H² - Placa²) = √(" + Fixed4(v.Hm) + "² - " +
           Fixed4(v.Placa) + "²)";
  } else {
    line = "ARP = H (MEDIDA DIRECTA)";
  }
  return line + " = " + Fixed4(c.arp) +
         " m · CENTRO DE FASE = ARP + OFFSET = " + Fixed4(c.arp) + " + " +
         Fixed4(v.Offset) + " = " + Fixed4(c.phase_center) + " m";
}

}  // namespace

std::string ConversionFaultText(ConversionFault fault, std::string_view /*h*/,
                                const ReceiverSpec& datos) {
  switch (fault) {
    case ConversionFault::kNone:
      break;
    case ConversionFault::kEmptyHeight:
      return "FALTA LA ALTURA MEDIDA.";
    case ConversionFault::kNotANumber:
      return "LA ALTURA NO ES UN NÚMERO (ESCRIBA, POR EJEMPLO, 1.52).";
    case ConversionFault::kShorterThanRadius:
      return "LA ALTURA INCLINADA ES MENOR QUE EL RADIO DE LA ANTENA (" +
             ShortNumber(datos.radio) + " m).";
    case ConversionFault::kShorterThanPlate:
      return "LA ALTURA INCLINADA ES MENOR QUE LA DISTANCIA DE LA PLACA (" +
             ShortNumber(datos.placa) + " m).";
    case ConversionFault::kOutOfRange:
      return "LA ALTURA ESTÁ FUERA DE ±1000 m; NO ES UNA ALTURA DE ANTENA.";
  }
  return "NO SE PUEDE CONVERTIR LA ALTURA.";
}

RowArp DescribeRowArp(const RowValues& v, const Catalogue& catalogue) {
  RowArp out;
  if (!MeasurementTable::IsComplete(v)) return out;
  const ReceiverSpec* datos = FindReceiver(catalogue, v.rec);
  // The boxes offer only the catalogue's receivers; a row without one is
  // left blank, as the RINEX column leaves it.
  if (datos == nullptr) return out;
  const std::optional<Conversion> c =
      calcular_arp_y_fase(v.h, v.tipo, v.ref, *datos);
  if (!c) {
    out.state = ArpState::kFault;
    out.cell = "ERROR";
    out.line = ConversionFaultText(
        DiagnoseConversion(v.h, v.tipo, v.ref, *datos), v.h, *datos);
    return out;
  }
  // A type and reference without a formula (the row rules never offer one)
  // give no height.
  if (c->mode.empty()) return out;
  out.cell = Fixed4(c->arp);
  out.line = FormulaLine(*c);
  if (c->arp < kMinPlausibleArp || c->arp > kMaxPlausibleArp) {
    out.state = ArpState::kImplausible;
    out.line = std::string(kImplausibleArpText) + ". " + out.line;
  } else {
    out.state = ArpState::kPlausible;
  }
  return out;
}

}  // namespace zarvek
