// The project folder tree: the ordered list of directories that creating it
// for a list of point codes makes, and what creating it in a folder that
// already holds a project adds there. The names and places of the folders
// are those of project/layout.h, which the heights tab and the report ask
// too.
#ifndef ZARVEK_FOLDERS_TREE_PLAN_H_
#define ZARVEK_FOLDERS_TREE_PLAN_H_

#include <string>
#include <vector>

#include "project/layout.h"

namespace zarvek {

/// One point of a tree to be made: its numbered folder's name in the GNSS
/// data folder ("4. 100") and its code.
struct PlannedPoint {
  std::string folder;
  std::string code;

  bool operator==(const PlannedPoint&) const = default;
};

/// Every directory the project tree for `points` consists of, as paths
/// joined onto `root`, in creation order (each parent before its children):
/// the forms folder, the GNSS data folder with the base station (native,
/// RINEX), ephemerides and processing folders, per point its numbered GNSS
/// folder with native and RINEX, the photos folder, and per point its photo
/// folder (named by the code) with the nine subcarpetas_fotos.
/// 8 + 13 * points.size() paths.
std::vector<std::string> PlanProjectTree(
    const std::string& root, const std::vector<PlannedPoint>& points);

/// The same for `codes` numbered by position (GnssPointFolderName): a new
/// project's tree. A repeated code repeats its paths (its numbered folder
/// differs, its photo folders do not). `codes` are used as given and should
/// be digits only.
std::vector<std::string> PlanProjectTree(const std::string& root,
                                         const std::vector<std::string>& codes);

/// What making the tree for a list of codes adds to a project.
struct TreeAdditions {
  /// The codes the project lacks, in list order, numbered on from the
  /// highest number of its point folders.
  std::vector<PlannedPoint> added;
  /// The codes of the list that have a point folder already (by value:
  /// "007" is "7"), as typed, in list order. Nothing is made for them.
  std::vector<std::string> present;
  /// Whether the project had point folders before: the box then lists the
  /// points added even when none of the list was there already.
  bool existing_project = false;
};

/// Plans the points to add to a project whose GNSS data folder holds the
/// entries `gnss_entries` (as listed; none for a new project). An entry is
/// a point folder when ParsePointFolderName reads it. A code that has one,
/// or that came earlier in `codes`, gets no second folder; the others are
/// numbered from one above the highest number of those folders (and never
/// below 4, which follows the three shared folders), in list order: a
/// project of "4. 6001" ... "9. 6006" given 6001 and 6107 adds "10. 6107".
TreeAdditions PlanTreeAdditions(const std::vector<std::string>& gnss_entries,
                                const std::vector<std::string>& codes);

/// The text of the box after the tree was made: "CARPETAS CREADAS
/// CORRECTAMENTE." for a new project; on a project that had some of the
/// points, which were added (their folders) and which were there already,
/// each list cut after kMaxListedPoints names.
std::string DescribeTreeAdditions(const TreeAdditions& additions);
inline constexpr size_t kMaxListedPoints = 20;

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_TREE_PLAN_H_
