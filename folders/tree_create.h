// Creating the project folder tree on a file system. The order of creation
// and the names come from folders/tree_plan.h; this unit looks at what the
// project has already, runs the plan and stops at the first failure, so
// that folders made before it stay and later ones are not attempted.
#ifndef ZARVEK_FOLDERS_TREE_CREATE_H_
#define ZARVEK_FOLDERS_TREE_CREATE_H_

#include <string>
#include <vector>

#include "folders/tree_plan.h"
#include "platform/fs.h"
#include "platform/status.h"

namespace zarvek {

/// Makes the project tree for `codes` in `root`, adding to a project that
/// is there already: lists root's GNSS data folder when it exists, plans
/// with PlanTreeAdditions, and makes every directory of
/// PlanProjectTree(root, additions.added) with fs.MakeDirs, in plan order:
/// the shared folders (kept as they are when there) and the points the
/// project lacks. A code with a point folder gets no second one; nothing on
/// disk is moved, renamed or deleted, so running it again makes nothing.
/// `*additions`, when given, is set to the plan before anything is made.
/// Returns the listing's failure (nothing made) or the first failing
/// MakeDirs status unchanged (the system's text with the path concerned)
/// without attempting the rest, or OK when every directory exists
/// afterwards.
Status CreateProjectTree(FileSystem& fs, const std::string& root,
                         const std::vector<std::string>& codes,
                         TreeAdditions* additions = nullptr);

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_TREE_CREATE_H_
