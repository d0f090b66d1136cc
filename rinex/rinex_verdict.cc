#include "rinex/rinex_verdict.h"

#include "project/layout.h"
#include "text/decimal.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

// Heights are compared as the report prints them: with 4 decimals (a
// "-0.0000" in a file is zero, as FormatFixed writes it).
std::string Four(double value) { return FormatFixed(value, 4); }

// What a wrong DELTA H most likely is, when it is one of the classic
// blunders.
std::string Diagnosis(double delta_h, const RinexRowHeights& row) {
  const std::string value = Four(delta_h);
  if (value == "0.0000") return ": el archivo no da altura de antena";
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

const std::vector<std::string>& RinexCellTexts() {
  // A height of two digits, or a negative one, is the widest a receiver's
  // file gives; a wider one is cut in the cell and whole in the status line.
  static const std::vector<std::string> texts = {
      "…", "—", "?", "✓", "✓ C", "✗ C", "✗ COPIA", "✗ 00.0000", "✗ -0.0000"};
  return texts;
}

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
  std::string mismatches, unreadable, corrected, missing_copies, stale;
  auto add_stale = [&](const std::string& name) {
    AddLine(&stale, name +
                        ": COPIA DESACTUALIZADA: el original cambió después "
                        "de escribir su copia en CORREGIDO; CORREGIR RINEX "
                        "escribe la copia otra vez");
  };
  const RinexFileCheck* first_mismatch = nullptr;
  // Files right as they are, with what their copy in CORREGIDO says: they
  // matter once the point is handed over from there.
  std::vector<const RinexFileCheck*> right;
  for (const RinexFileCheck& file : files.files) {
    if (file.kind != RinexKind::kObservation) {
      AddLine(&unreadable, file.name + ": " + file.reason);
      continue;
    }
    if (Four(file.delta_h) == arp) {
      right.push_back(&file);
      continue;
    }
    if (file.copy_delta_h && Four(*file.copy_delta_h) == arp) {
      if (file.copy_stale) {
        verdict.to_correct.push_back(file.name);
        add_stale(file.name);
        continue;
      }
      // Named as the copy is on disk: a compressed original is written
      // back plain.
      corrected += (corrected.empty() ? "" : ", ") +
                   CorrectedCopyName(file.name, file.wrapper);
      continue;
    }
    if (!first_mismatch) first_mismatch = &file;
    verdict.to_correct.push_back(file.name);
    AddLine(&mismatches, file.name + ": DELTA H " + Four(file.delta_h) +
                             " en lugar de " + arp + " (ARP)" +
                             Diagnosis(file.delta_h, *heights));
  }
  const std::string corrected_dir = CorrectedDir(files.folder);
  // Once some file is taken from CORREGIDO, that folder is what the
  // processing gets: it must hold a right copy of every file.
  if (first_mismatch || !corrected.empty() || !stale.empty()) {
    for (const RinexFileCheck* file : right) {
      if (file->copy_delta_h && Four(*file->copy_delta_h) == arp) {
        if (!file->copy_stale) continue;
        verdict.to_copy.push_back(file->name);
        add_stale(file->name);
        continue;
      }
      verdict.to_copy.push_back(file->name);
      AddLine(
          &missing_copies,
          file->name +
              (file->copy_delta_h ? ": su copia en CORREGIDO tiene DELTA H " +
                                        Four(*file->copy_delta_h)
                                  : ": falta su copia en CORREGIDO") +
              " (el original está bien; CORREGIR RINEX lo copia sin "
              "cambios)");
    }
  }
  if (first_mismatch) {
    verdict.state = RinexState::kMismatch;
    verdict.cell = "✗ " + Four(first_mismatch->delta_h);
    verdict.reason = mismatches;
    if (!unreadable.empty()) AddLine(&verdict.reason, unreadable);
    if (!stale.empty()) AddLine(&verdict.reason, stale);
    if (!missing_copies.empty()) AddLine(&verdict.reason, missing_copies);
  } else if (!stale.empty()) {
    verdict.state = RinexState::kMismatch;
    verdict.cell = "✗ COPIA";
    verdict.reason = stale;
    if (!unreadable.empty()) AddLine(&verdict.reason, unreadable);
    if (!missing_copies.empty()) AddLine(&verdict.reason, missing_copies);
  } else if (!unreadable.empty()) {
    verdict.state = RinexState::kUnreadable;
    verdict.cell = "?";
    verdict.reason = unreadable;
  } else if (files.files.empty()) {
    verdict.state = RinexState::kNoFiles;
    verdict.cell = "—";
    verdict.reason = "Ningún archivo de observación en la carpeta RINEX";
    return verdict;
  } else if (!missing_copies.empty()) {
    verdict.state = RinexState::kMismatch;
    verdict.cell = "✗ C";
    verdict.reason = "La carpeta " + ShownPath(corrected_dir) +
                     " no tiene todos los archivos del punto:\n" +
                     missing_copies;
  } else if (!corrected.empty()) {
    verdict.state = RinexState::kCorrected;
    verdict.cell = "✓ C";
    verdict.reason = "DELTA H = " + arp + " (ARP) en las copias de " +
                     ShownPath(corrected_dir) +
                     ": entregue esa carpeta al procesado";
  } else {
    verdict.state = RinexState::kMatch;
    verdict.cell = "✓";
    verdict.reason = "DELTA H = " + arp + " (ARP) en todos los archivos";
  }
  if (!corrected.empty()) {
    AddLine(&verdict.reason, "Corregidos en CORREGIDO: " + corrected);
  }
  return verdict;
}

}  // namespace zarvek
