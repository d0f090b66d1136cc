// Planning "CORREGIR RINEX": from the RINEX verdict of every table row,
// which files get a corrected copy, the listing the surveyor confirms and
// the files that are refused. Pure; the copies themselves are written by
// WriteCorrectedCopy (rinex/rinex_files.h).
#ifndef ZARVEK_RINEX_RINEX_CORRECTIONS_H_
#define ZARVEK_RINEX_RINEX_CORRECTIONS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "rinex/rinex_verdict.h"

namespace zarvek {

/// The boxes of "CORREGIR RINEX" must fit on a 768-pixel screen, with
/// their buttons: the yes/no box names at most this many points, each with
/// at most kListedCorrectionNames files of each kind, and the error box at
/// most kListedCorrectionErrors failures (each a long path); then how many
/// more.
inline constexpr std::size_t kListedCorrectionPoints = 10;
inline constexpr std::size_t kListedCorrectionNames = 3;
inline constexpr std::size_t kListedCorrectionErrors = 10;

/// One table row as the plan needs it.
struct RinexCorrectionRow {
  const std::string& code;
  const RinexVerdict& verdict;
  const PointRinexFiles& files;
  /// The row's ARP height, or nullopt while the row does not convert.
  std::optional<double> arp;
};

/// The files of one point to correct.
struct RinexCorrectionPoint {
  std::size_t row;  ///< index into the rows given
  std::string code;
  std::string folder;              ///< its RINEX folder
  double arp = 0;                  ///< the DELTA H to write
  std::vector<std::string> names;  ///< files inside `folder` to correct
  /// Files inside `folder` whose DELTA H is right, copied unchanged so that
  /// CORREGIDO holds every file of the point.
  std::vector<std::string> unchanged;
};

struct RinexCorrectionPlan {
  std::vector<RinexCorrectionPoint> points;  ///< in row order
  /// For the yes/no box: per point (the first kListedCorrectionPoints) a
  /// line "\n<code> (ARP <arp, 4 decimals> m): <names>; SIN CAMBIOS:
  /// <unchanged>" (each part only when not empty; the names comma
  /// separated, the first kListedCorrectionNames of them, then ", … Y <n>
  /// MÁS"), then "\n… Y <n> MÁS." when there are more points. "" when no
  /// point.
  std::string listing;
  /// One line per file refused because another file of its folder would
  /// give a copy of the same name ("a.26o" and "a.26o.Z"): one copy would
  /// replace the other, so neither is written.
  std::vector<std::string> errors;
};

/// "RINEX/CORREGIDO", the folder of a point's corrected copies, as the
/// system writes paths (ShownPath), for the texts that name it.
std::string CorrectedFolderText();

/// The plan for `rows`: a row takes part when its verdict is kMismatch, its
/// files were read from a folder and it converts (`arp`); its files are the
/// verdict's to_correct and to_copy, less those refused.
RinexCorrectionPlan PlanRinexCorrections(
    const std::vector<RinexCorrectionRow>& rows);

/// The error box after copies failed or were refused: "NO SE ESCRIBIERON
/// <n> COPIAS EN (NO SE ESCRIBIÓ 1 COPIA EN) RINEX/CORREGIDO (ESCRITAS:
/// <written>).", then the first kListedCorrectionErrors of `errors`, one a
/// line, then "\n… Y <n> MÁS." when there are more.
std::string RinexCorrectionErrorText(const std::vector<std::string>& errors,
                                     std::size_t written);

/// The box after every copy was written: how many files, for how many
/// points, the nouns agreeing with the numbers.
std::string RinexCopiesWrittenText(std::size_t written, std::size_t points);

}  // namespace zarvek

#endif  // ZARVEK_RINEX_RINEX_CORRECTIONS_H_
