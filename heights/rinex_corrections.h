// Planning "CORREGIR RINEX": from the RINEX verdict of every table row,
// which files get a corrected copy, the listing the surveyor confirms and
// the files that are refused. Pure; the copies themselves are written by
// WriteCorrectedCopy (heights/rinex_files.h).
#ifndef ZARVEK_HEIGHTS_RINEX_CORRECTIONS_H_
#define ZARVEK_HEIGHTS_RINEX_CORRECTIONS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "heights/rinex_verdict.h"

namespace zarvek {

/// The yes/no box names at most this many points, then how many more.
inline constexpr std::size_t kListedCorrectionPoints = 15;

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
  std::vector<std::string> names;  ///< files inside `folder`
};

struct RinexCorrectionPlan {
  std::vector<RinexCorrectionPoint> points;  ///< in row order
  /// For the yes/no box: per point (the first kListedCorrectionPoints) a
  /// line "\n<code> (ARP <arp, 4 decimals> m): <names, comma separated>",
  /// then "\n… Y <n> PUNTOS MÁS." when there are more. "" when no point.
  std::string listing;
  /// One line per file refused because another file of its folder would
  /// give a copy of the same name ("a.26o" and "a.26o.Z"): one copy would
  /// replace the other, so neither is written.
  std::vector<std::string> errors;
};

/// The plan for `rows`: a row takes part when its verdict is kMismatch, its
/// files were read from a folder and it converts (`arp`); its files are the
/// verdict's to_correct, less those refused.
RinexCorrectionPlan PlanRinexCorrections(
    const std::vector<RinexCorrectionRow>& rows);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_RINEX_CORRECTIONS_H_
