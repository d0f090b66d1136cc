// The dossier matrix: what the dossier tab shows of a scan (and the photo
// report prints on its first pages) — a cell per project item, a row per
// point with its NATIVA files, its RINEX and ARP cells as tab 2 shows them,
// its photos per stage and its videos — and what is missing, counted and
// named in one summary line. Pure: the RINEX and height cells come from
// functions the caller gives.
#ifndef ZARVEK_DOSSIER_MATRIX_H_
#define ZARVEK_DOSSIER_MATRIX_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "dossier/dossier.h"

namespace zarvek {

/// The column headings, in order.
inline constexpr std::size_t kPointColumn = 0, kNativeColumn = 1,
                             kRinexColumn = 2, kSessionColumn = 3,
                             kHeightColumn = 4, kFirstStageColumn = 5;
/// The last column, AVISOS: how many warnings the point has, or empty.
inline constexpr std::size_t kWarningsColumn = kFirstStageColumn + kPhotoStages;

/// What the matrix asks tab 2 about a point, by code: its RINEX cell ("✓",
/// "✗ 1.5000", "—", "?", ... or "" while its row does not convert) and its
/// ARP cell (the height, "—" when the row is incomplete, "✗" when it does
/// not convert). Either may be empty: its column is left blank. `session`
/// gives the point's observation session cell ("2 h 05 min · 1 s · 99 %",
/// "—", or "?" with the reason in `*reason`).
struct PointCellSources {
  std::function<std::string(const std::string&)> rinex;
  std::function<std::string(const std::string&)> height;
  std::function<std::string(const std::string&, std::string* reason)> session;
  /// What a point's observation files say against it, one text each; the
  /// tab adds them to the point's warnings. May be empty.
  std::function<std::vector<std::string>(const std::string&)> warnings = {};
};

/// Builds the matrix of `scan`. A stage folder with a HEIC/HEIF photo shows
/// its count with "*", one with photos that could not be read with "?"
/// (each such photo is named in `missing`, as "NO SE PUEDE LEER <stage>/
/// <file>"). What is required and missing, each named in
/// `missing`: every project item (a folder without files, a report missing
/// or older than what it reports on: the measurement file for the height
/// report, the newest photo for the photo report), and per point its two
/// folders, its NATIVA files, its RINEX files (a "—", "✗" or "?" cell), its
/// height ("—" or "✗") and photos in stages 1 to "08"; videos are not
/// required. A point without one of its folders is named once for it, not
/// for each cell of that folder. A scan that holds fewer points than it
/// found (more than kMaxTableRows) is never complete, and its summary
/// begins with that limit and how many points are shown. A point without
/// its videos' folder shows "—" there and lacks nothing. Each point's
/// warnings are counted in its last cell (AVISOS) and listed in `warnings`;
/// they are no missing elements.
DossierMatrix BuildDossierMatrix(const DossierScan& scan,
                                 const PointCellSources& sources);

/// The summary line of `missing` elements, `points` of the points among
/// them: "EXPEDIENTE COMPLETO", or "FALTAN n ELEMENTOS EN m PUNTOS:" (the
/// singular for one; without "EN ..." when no point lacks anything) and on
/// the next line the first `shown` names, then "… Y N MÁS.".
std::string DossierSummary(const std::vector<std::string>& missing,
                           std::size_t points, std::size_t shown = 3);

/// The line that counts the matrix's warnings and names the first `shown`:
/// "2 AVISOS EN 1 PUNTO: PUNTO 5101: CARPETA CON OTRO NOMBRE: …; … Y N
/// MÁS."; empty when there are none.
std::string DossierWarningsLine(const DossierMatrix& matrix,
                                std::size_t shown = 3);

/// The status line under the matrix: how many folders could not be read,
/// with the first reason, how many photos could not be read, with the
/// first reason, and the HEIC/HEIF photos the report cannot hold; empty
/// when there is nothing to say.
std::string DossierStatusLine(const DossierMatrix& matrix);

}  // namespace zarvek

#endif  // ZARVEK_DOSSIER_MATRIX_H_
