#include "rinex/rinex_corrections.h"

#include <map>
#include <utility>

#include "text/decimal.h"
#include "platform/fs.h"
#include "project/layout.h"
#include "text/ascii_text.h"
#include "text/shown_path.h"

namespace zarvek {

namespace {

// "a, b, c, … Y 4 MÁS": the first kListedCorrectionNames of `names`.
std::string ListedNames(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kListedCorrectionNames; ++i)
    text += (i ? ", " : "") + names[i];
  if (names.size() > kListedCorrectionNames) {
    text +=
        ", … Y " + DecimalText(names.size() - kListedCorrectionNames) + " MÁS";
  }
  return text;
}

// "\n… Y 4 MÁS." after the first `shown` of `count` lines, or "".
std::string MoreLines(std::size_t count, std::size_t shown) {
  return count > shown ? "\n… Y " + DecimalText(count - shown) + " MÁS." : "";
}

}  // namespace

std::string CorrectedFolderText() {
  return ShownPath(std::string(kRinexFolder) + "/" +
                   std::string(kCorrectedFolder));
}

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
    auto kept = [&](const std::vector<std::string>& wanted) {
      std::vector<std::string> names;
      for (const std::string& name : wanted) {
        if (copies[copy_of[name]] > 1) {
          plan.errors.push_back(
              BoxPathAfter("OTRO ARCHIVO DARÍA LA MISMA COPIA " +
                               copy_of[name] + "; NO SE CORRIGE: ",
                           JoinPath(row.files.folder, name)));
        } else {
          names.push_back(name);
        }
      }
      return names;
    };
    std::vector<std::string> names = kept(row.verdict.to_correct);
    std::vector<std::string> unchanged = kept(row.verdict.to_copy);
    if (names.empty() && unchanged.empty()) continue;
    if (plan.points.size() < kListedCorrectionPoints) {
      plan.listing +=
          "\n" + row.code + " (ARP " + FormatFixed(*row.arp, 4) + " m): ";
      plan.listing += ListedNames(names);
      if (!unchanged.empty()) {
        plan.listing += std::string(names.empty() ? "" : "; ") +
                        "SIN CAMBIOS: " + ListedNames(unchanged);
      }
    }
    plan.points.push_back({idx, row.code, row.files.folder, *row.arp,
                           std::move(names), std::move(unchanged)});
  }
  plan.listing += MoreLines(plan.points.size(), kListedCorrectionPoints);
  return plan;
}

std::string RinexCorrectionErrorText(const std::vector<std::string>& errors,
                                     std::size_t written) {
  std::string text =
      (errors.size() == 1 ? "NO SE ESCRIBIÓ " : "NO SE ESCRIBIERON ") +
      CountedText(errors.size(), "COPIA", "COPIAS") + " EN " +
      CorrectedFolderText() + " (ESCRITAS: " + DecimalText(written) + ").";
  for (std::size_t i = 0; i < errors.size() && i < kListedCorrectionErrors; ++i)
    text += "\n" + errors[i];
  return text + MoreLines(errors.size(), kListedCorrectionErrors);
}

std::string RinexCopiesWrittenText(std::size_t written, std::size_t points) {
  return "COPIAS ESCRITAS: " + CountedText(written, "ARCHIVO", "ARCHIVOS") +
         (points == 1 ? " EN LA CARPETA" : " EN LAS CARPETAS") + " " +
         CorrectedFolderText() + " DE " +
         CountedText(points, "PUNTO", "PUNTOS") + ".";
}

}  // namespace zarvek
