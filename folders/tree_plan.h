// The project folder tree: the ordered list of directories that creating it
// for a list of point codes makes. The names and places of the folders are
// those of project/layout.h, which the heights tab and the report ask too.
#ifndef ZARVEK_FOLDERS_TREE_PLAN_H_
#define ZARVEK_FOLDERS_TREE_PLAN_H_

#include <string>
#include <vector>

#include "project/layout.h"

namespace zarvek {

/// Every directory the project tree for `codes` consists of, as paths joined
/// onto `root`, in creation order (each parent before its children):
/// the forms folder, the GNSS data folder with the base station (native,
/// RINEX), ephemerides and processing folders, per code its numbered GNSS
/// folder with native and RINEX, the photos folder, and per code its photo
/// folder with the nine subcarpetas_fotos. 8 + 13 * codes.size() paths; a
/// repeated code repeats its paths (its numbered folder differs, its photo
/// folders do not). `codes` are used as given and should be digits only.
std::vector<std::string> PlanProjectTree(const std::string& root,
                                         const std::vector<std::string>& codes);

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_TREE_PLAN_H_
