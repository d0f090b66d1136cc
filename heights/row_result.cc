#include "heights/row_result.h"

#include <utility>

#include "heights/measurement_table.h"
#include "text/ascii_text.h"

namespace zarvek {

RowResult ConvertRow(const RowValues& v, const Catalogue& catalogue) {
  RowResult result;
  const bool preset_receiver =
      v.rec.empty() || (!catalogue.empty() && v.rec == catalogue.front().first);
  if (v.tipo.empty() && v.acc.empty() && v.ref.empty() &&
      TrimBlanks(v.h).empty() && preset_receiver) {
    return result;
  }
  result.receiver = v.rec;
  result.constants = FindReceiver(catalogue, v.rec);
  if (!MeasurementTable::IsComplete(v)) {
    result.status = RowStatus::kIncomplete;
    return result;
  }
  if (result.constants == nullptr) {
    result.status = RowStatus::kUnknownReceiver;
    return result;
  }
  std::optional<Conversion> c =
      calcular_arp_y_fase(v.h, v.tipo, v.ref, *result.constants);
  if (!c) {
    result.status = RowStatus::kMathError;
    result.fault = DiagnoseConversion(v.h, v.tipo, v.ref, *result.constants);
    return result;
  }
  if (c->mode.empty()) {
    result.status = RowStatus::kNoFormula;
    return result;
  }
  result.status = c->arp < kMinPlausibleArp || c->arp > kMaxPlausibleArp
                      ? RowStatus::kImplausible
                      : RowStatus::kConverts;
  result.conversion = std::move(c);
  return result;
}

std::optional<RinexRowHeights> RinexHeightsOf(const RowResult& result) {
  if (!result.conversion) return std::nullopt;
  const Conversion& c = *result.conversion;
  return RinexRowHeights{c.arp, c.phase_center, c.vals.Hm};
}

}  // namespace zarvek
