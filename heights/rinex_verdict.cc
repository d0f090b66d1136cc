#include "heights/rinex_verdict.h"

#include "heights/decimal.h"

namespace zarvek {
namespace {

// Heights are compared as the report prints them: with 4 decimals.
std::string Four(double value) {
  std::string text = FormatFixed(value, 4);
  if (text == "-0.0000") text = "0.0000";
  return text;
}

// What a wrong DELTA H most likely is, when it is one of the classic
// blunders.
std::string Diagnosis(double delta_h, const RinexRowHeights& row) {
  const std::string value = Four(delta_h);
  if (value == "0.0000") return ": el fichero no da altura de antena";
  if (value == Four(row.phase_center)) {
    return ": es la altura del centro de fase; el procesado sumaría el offset "
           "dos veces";
  }
  if (row.measured && value == Four(*row.measured)) {
    return ": es la altura medida, sin reducir al ARP";
  }
  return "";
}

void AddLine(std::string* text, const std::string& line) {
  if (!text->empty()) *text += "\n";
  *text += line;
}

}  // namespace

RinexVerdict JudgeRinexPoint(const PointRinexFiles& files,
                             const std::optional<RinexRowHeights>& heights) {
  RinexVerdict verdict;
  if (!heights) return verdict;
  if (!files.listing_error.empty()) {
    verdict.state = RinexState::kUnreadable;
    verdict.cell = "?";
    verdict.reason =
        "No se puede leer la carpeta RINEX: " + files.listing_error;
    return verdict;
  }
  const std::string arp = Four(heights->arp);
  std::string mismatches, unreadable, corrected;
  const RinexFileCheck* first_mismatch = nullptr;
  for (const RinexFileCheck& file : files.files) {
    if (file.kind != RinexKind::kObservation) {
      AddLine(&unreadable, file.name + ": " + file.reason);
      continue;
    }
    if (Four(file.delta_h) == arp) continue;
    if (file.copy_delta_h && Four(*file.copy_delta_h) == arp) {
      corrected += (corrected.empty() ? "" : ", ") + file.name;
      continue;
    }
    if (!first_mismatch) first_mismatch = &file;
    verdict.to_correct.push_back(file.name);
    AddLine(&mismatches, file.name + ": DELTA H " + Four(file.delta_h) +
                             " en lugar de " + arp + " (ARP)" +
                             Diagnosis(file.delta_h, *heights));
  }
  if (first_mismatch) {
    verdict.state = RinexState::kMismatch;
    verdict.cell = "✗ " + Four(first_mismatch->delta_h);
    verdict.reason = mismatches;
    if (!unreadable.empty()) AddLine(&verdict.reason, unreadable);
  } else if (!unreadable.empty()) {
    verdict.state = RinexState::kUnreadable;
    verdict.cell = "?";
    verdict.reason = unreadable;
  } else if (files.files.empty()) {
    verdict.state = RinexState::kNoFiles;
    verdict.cell = "—";
    verdict.reason = "Ningún fichero de observación en la carpeta RINEX";
    return verdict;
  } else {
    verdict.state = RinexState::kMatch;
    verdict.cell = "✓";
    verdict.reason = "DELTA H = " + arp + " (ARP) en todos los ficheros";
  }
  if (!corrected.empty()) {
    AddLine(&verdict.reason,
            "Corrección en RINEX/CORREGIDO (use esas copias): " + corrected);
  }
  return verdict;
}

}  // namespace zarvek
