#include "heights/rinex_header.h"

namespace zarvek {

RinexHeader ReadRinexHeader(std::string_view, bool) { return {}; }

std::optional<std::string> FormatF14_4(double) { return std::nullopt; }

std::optional<std::string> CorrectDeltaH(std::string_view, double,
                                         std::string* reason) {
  if (reason) *reason = "sin implementar";
  return std::nullopt;
}

bool LooksLikeObservationName(std::string_view) { return false; }

std::string CorrectedCopyName(std::string_view name, RinexWrapper) {
  return std::string(name);
}

}  // namespace zarvek
