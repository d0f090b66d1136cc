#include "heights/row_arp.h"

#include <charconv>
#include <optional>
#include <system_error>

#include "text/decimal.h"

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

std::string RowFaultText(const RowResult& result, const RowValues& v) {
  switch (result.status) {
    case RowStatus::kUnknownReceiver:
      return "RECEPTOR NO ENCONTRADO EN EL CATÁLOGO: " + v.rec;
    case RowStatus::kNoFormula:
      return "NO HAY FÓRMULA PARA UNA MEDIDA " + v.tipo +
             " CON LA REFERENCIA " + v.ref + ".";
    case RowStatus::kMathError:
      return ConversionFaultText(result.fault, v.h, *result.constants);
    default:
      break;
  }
  return "NO SE PUEDE CONVERTIR LA ALTURA.";
}

RowArp DescribeRowArp(const RowValues& v, const Catalogue& catalogue) {
  RowArp out;
  const RowResult result = ConvertRow(v, catalogue);
  switch (result.status) {
    case RowStatus::kNotBegun:
    case RowStatus::kIncomplete:
      return out;
    case RowStatus::kUnknownReceiver:
    case RowStatus::kNoFormula:
    case RowStatus::kMathError:
      out.state = ArpState::kFault;
      out.cell = "ERROR";
      out.line = RowFaultText(result, v);
      return out;
    case RowStatus::kImplausible:
    case RowStatus::kConverts:
      break;
  }
  const Conversion& c = *result.conversion;
  out.cell = Fixed4(c.arp);
  out.line = FormulaLine(c);
  if (result.status == RowStatus::kImplausible) {
    out.state = ArpState::kImplausible;
    out.line = std::string(kImplausibleArpText) + ". " + out.line;
  } else {
    out.state = ArpState::kPlausible;
  }
  return out;
}

std::string DossierHeightCell(const RowArp& arp) {
  switch (arp.state) {
    case ArpState::kEmpty:
      return "—";
    case ArpState::kFault:
      return "✗";
    case ArpState::kPlausible:
    case ArpState::kImplausible:
      break;
  }
  return arp.cell;
}

}  // namespace zarvek
