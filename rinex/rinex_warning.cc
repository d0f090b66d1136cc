#include "rinex/rinex_warning.h"

#include "text/ascii_text.h"

namespace zarvek {
namespace {

// "\n<label>: 1001, 1002, … Y 3 MÁS." or "" without codes.
std::string CodeLine(const std::string& label,
                     const std::vector<std::string>& codes) {
  if (codes.empty()) return "";
  std::string line = "\n" + label + ": ";
  for (size_t i = 0; i < codes.size() && i < kListedRinexCodes; ++i) {
    line += (i == 0 ? "" : ", ") + codes[i];
  }
  if (codes.size() > kListedRinexCodes) {
    line += ", … Y " + DecimalText(codes.size() - kListedRinexCodes) + " MÁS";
  }
  return line + ".";
}

}  // namespace

std::string WithRinexWarning(std::string text,
                             const std::vector<PointRinexState>& points) {
  std::vector<std::string> mismatch, unchecked, pending;
  for (const PointRinexState& point : points) {
    if (point.state == RinexState::kMismatch) mismatch.push_back(point.code);
    if (point.state == RinexState::kUnreadable) unchecked.push_back(point.code);
    if (point.state == RinexState::kPending) pending.push_back(point.code);
  }
  if (mismatch.empty() && unchecked.empty() && pending.empty()) return text;
  return text + "\n\nRINEX POR REVISAR ANTES DEL PROCESADO:" +
         CodeLine("DELTA H DISTINTO DE LA ALTURA ARP (✗)", mismatch) +
         CodeLine("SIN COMPROBAR (?)", unchecked) +
         CodeLine("SIN COMPROBAR TODAVÍA, LECTURA EN CURSO (…)", pending);
}

}  // namespace zarvek
