#include "heights/rinex_corrections.h"

#include <map>
#include <utility>

#include "text/ascii_text.h"
#include "heights/decimal.h"
#include "platform/fs.h"

namespace zarvek {

RinexCorrectionPlan PlanRinexCorrections(
    const std::vector<RinexCorrectionRow>& rows) {
  RinexCorrectionPlan plan;
  for (std::size_t idx = 0; idx < rows.size(); ++idx) {
    const RinexCorrectionRow& row = rows[idx];
    if (row.verdict.state != RinexState::kMismatch ||
        row.files.folder.empty() || !row.arp) {
      continue;
    }
    // Two originals whose copies would have one name ("a.26o" and
    // "a.26o.Z") are left alone: one copy would replace the other.
    std::map<std::string, std::string> copy_of;
    std::map<std::string, int> copies;
    for (const RinexFileCheck& file : row.files.files) {
      copy_of[file.name] = CorrectedCopyName(file.name, file.wrapper);
      ++copies[copy_of[file.name]];
    }
    std::vector<std::string> names;
    for (const std::string& name : row.verdict.to_correct) {
      if (copies[copy_of[name]] > 1) {
        plan.errors.push_back(
            "OTRO ARCHIVO DARÍA LA MISMA COPIA " + copy_of[name] +
            "; NO SE CORRIGE: " + JoinPath(row.files.folder, name));
      } else {
        names.push_back(name);
      }
    }
    if (names.empty()) continue;
    if (plan.points.size() < kListedCorrectionPoints) {
      plan.listing +=
          "\n" + row.code + " (ARP " + FormatFixed(*row.arp, 4) + " m): ";
      for (std::size_t i = 0; i < names.size(); ++i) {
        plan.listing += (i ? ", " : "") + names[i];
      }
    }
    plan.points.push_back(
        {idx, row.code, row.files.folder, *row.arp, std::move(names)});
  }
  if (plan.points.size() > kListedCorrectionPoints) {
    plan.listing += "\n… Y " +
                    DecimalText(plan.points.size() - kListedCorrectionPoints) +
                    " PUNTOS MÁS.";
  }
  return plan;
}

}  // namespace zarvek
