#include "rinex/rinex_verdict.h"

#include "project/layout.h"
#include "text/ascii_text.h"
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

// What the files of one point say, sorted as the verdict reports it: one
// line per file in each text.
struct RinexFindings {
  std::string mismatches, unreadable, corrected, missing_copies, stale;
  std::optional<double> first_mismatch;  // the cell's value
  // Files right as they are, with what their copy in CORREGIDO says: they
  // matter once the point is handed over from there.
  std::vector<const RinexFileCheck*> right;
};

void AddStale(RinexFindings* found, const std::string& name) {
  AddLine(&found->stale, name +
                             ": COPIA DESACTUALIZADA: el original cambió "
                             "después de escribir su copia en CORREGIDO; "
                             "CORREGIR RINEX escribe la copia otra vez");
}

// True when the file's copy in CORREGIDO has `arp` in every DELTA H line.
bool CopyIsRight(const RinexFileCheck& file, const std::string& arp) {
  if (!file.copy_delta_h || Four(*file.copy_delta_h) != arp) return false;
  for (double h : file.copy_later_delta_h) {
    if (Four(h) != arp) return false;
  }
  return true;
}

// The first DELTA H of a copy that is not `arp` (the header's when all
// are right).
double FirstWrongCopyValue(const RinexFileCheck& file, const std::string& arp) {
  if (Four(*file.copy_delta_h) != arp) return *file.copy_delta_h;
  for (double h : file.copy_later_delta_h) {
    if (Four(h) != arp) return h;
  }
  return *file.copy_delta_h;
}

// The mismatch line of one wrong DELTA H of `file`: its value, its line
// (the header's or an event record's) and what it most likely is.
std::string MismatchLine(const RinexFileCheck& file, double delta_h,
                         std::size_t line, bool in_header,
                         const RinexRowHeights& heights,
                         const std::string& arp) {
  std::string where;
  if (line != 0) {
    where = ", línea " + DecimalText(line) +
            (in_header ? " (cabecera)" : " (registro de evento)");
  }
  return file.name + ": DELTA H " + Four(delta_h) + " en lugar de " + arp +
         " (ARP)" + where + Diagnosis(delta_h, heights);
}

// Sorts each file by every DELTA H in force for its observations (the
// header's and those of its event records) and by those of its copy in
// CORREGIDO against the ARP height `arp`.
void SortRinexFiles(const PointRinexFiles& files,
                    const RinexRowHeights& heights, const std::string& arp,
                    RinexVerdict* verdict, RinexFindings* found) {
  for (const RinexFileCheck& file : files.files) {
    if (file.kind != RinexKind::kObservation) {
      AddLine(&found->unreadable, file.name + ": " + file.reason);
      continue;
    }
    std::string wrong;
    std::optional<double> first_wrong;
    if (Four(file.delta_h) != arp) {
      first_wrong = file.delta_h;
      AddLine(&wrong, MismatchLine(file, file.delta_h, file.delta_line, true,
                                   heights, arp));
    }
    for (const RinexDeltaLine& later : file.later_delta_h) {
      if (Four(later.h) == arp) continue;
      if (!first_wrong) first_wrong = later.h;
      AddLine(&wrong,
              MismatchLine(file, later.h, later.number, false, heights, arp));
    }
    if (!first_wrong) {
      found->right.push_back(&file);
      continue;
    }
    if (CopyIsRight(file, arp)) {
      if (file.copy_stale) {
        verdict->to_correct.push_back(file.name);
        AddStale(found, file.name);
        continue;
      }
      // Named as the copy is on disk: a compressed original is written
      // back plain.
      found->corrected += (found->corrected.empty() ? "" : ", ") +
                          CorrectedCopyName(file.name, file.wrapper);
      continue;
    }
    if (!found->first_mismatch) found->first_mismatch = *first_wrong;
    verdict->to_correct.push_back(file.name);
    AddLine(&found->mismatches, wrong);
  }
}

// Once some file is taken from CORREGIDO, that folder is what the
// processing gets: it must hold a right copy of every file.
void CheckRightCopies(const std::string& arp, RinexVerdict* verdict,
                      RinexFindings* found) {
  if (!found->first_mismatch && found->corrected.empty() &&
      found->stale.empty()) {
    return;
  }
  for (const RinexFileCheck* file : found->right) {
    if (CopyIsRight(*file, arp)) {
      if (!file->copy_stale) continue;
      verdict->to_copy.push_back(file->name);
      AddStale(found, file->name);
      continue;
    }
    verdict->to_copy.push_back(file->name);
    AddLine(&found->missing_copies,
            file->name +
                (file->copy_delta_h ? ": su copia en CORREGIDO tiene DELTA H " +
                                          Four(FirstWrongCopyValue(*file, arp))
                                    : ": falta su copia en CORREGIDO") +
                " (el original está bien; CORREGIR RINEX lo copia sin "
                "cambios)");
  }
}

// The state, cell and reason the findings give, the worst first.
void Conclude(const PointRinexFiles& files, const RinexFindings& found,
              const std::string& arp, RinexVerdict* verdict) {
  const std::string corrected_dir = CorrectedDir(files.folder);
  if (found.first_mismatch) {
    verdict->state = RinexState::kMismatch;
    verdict->cell = "✗ " + Four(*found.first_mismatch);
    verdict->reason = found.mismatches;
    if (!found.unreadable.empty()) AddLine(&verdict->reason, found.unreadable);
    if (!found.stale.empty()) AddLine(&verdict->reason, found.stale);
    if (!found.missing_copies.empty())
      AddLine(&verdict->reason, found.missing_copies);
  } else if (!found.stale.empty()) {
    verdict->state = RinexState::kMismatch;
    verdict->cell = "✗ COPIA";
    verdict->reason = found.stale;
    if (!found.unreadable.empty()) AddLine(&verdict->reason, found.unreadable);
    if (!found.missing_copies.empty())
      AddLine(&verdict->reason, found.missing_copies);
  } else if (!found.unreadable.empty()) {
    verdict->state = RinexState::kUnreadable;
    verdict->cell = "?";
    verdict->reason = found.unreadable;
  } else if (files.files.empty()) {
    verdict->state = RinexState::kNoFiles;
    verdict->cell = "—";
    verdict->reason = "Ningún archivo de observación en la carpeta RINEX";
    return;
  } else if (!found.missing_copies.empty()) {
    verdict->state = RinexState::kMismatch;
    verdict->cell = "✗ C";
    verdict->reason = "La carpeta " + ShownPath(corrected_dir) +
                      " no tiene todos los archivos del punto:\n" +
                      found.missing_copies;
  } else if (!found.corrected.empty()) {
    verdict->state = RinexState::kCorrected;
    verdict->cell = "✓ C";
    verdict->reason = "DELTA H = " + arp + " (ARP) en las copias de " +
                      ShownPath(corrected_dir) +
                      ": entregue esa carpeta al procesado";
  } else {
    verdict->state = RinexState::kMatch;
    verdict->cell = "✓";
    verdict->reason = "DELTA H = " + arp + " (ARP) en todos los archivos";
  }
  if (!found.corrected.empty()) {
    AddLine(&verdict->reason, "Corregidos en CORREGIDO: " + found.corrected);
  }
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
  RinexFindings found;
  SortRinexFiles(files, *heights, arp, &verdict, &found);
  CheckRightCopies(arp, &verdict, &found);
  Conclude(files, found, arp, &verdict);
  return verdict;
}

SessionCell DescribePointSession(const PointRinexFiles& files) {
  SessionCell cell;
  if (!files.listing_error.empty()) {
    cell.text = "?";
    cell.reason = files.listing_error;
    return cell;
  }
  std::vector<Session> sessions;
  for (const RinexFileCheck& file : files.files) {
    // One file that cannot be read may hold the rest of the session: the
    // joined figures of the others would look whole and be wrong.
    if (file.kind != RinexKind::kObservation) {
      cell.text = "?";
      cell.reason = file.name + ": " + file.reason;
      return cell;
    }
    sessions.push_back(file.session);
  }
  if (files.cancelled) {
    cell.text = "?";
    cell.reason = "LECTURA INTERRUMPIDA: " + ShownPath(files.folder);
    return cell;
  }
  cell.text =
      sessions.empty() ? kNoSessionCell : FormatSession(JoinSessions(sessions));
  return cell;
}

}  // namespace zarvek
