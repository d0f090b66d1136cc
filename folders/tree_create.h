// Creating the project folder tree on a file system. The order of creation
// and the names come from folders/tree_plan.h; this unit only runs the plan
// and stops at the first failure, so that folders made before it stay and
// later ones are not attempted.
#ifndef ZARVEK_FOLDERS_TREE_CREATE_H_
#define ZARVEK_FOLDERS_TREE_CREATE_H_

#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/status.h"

namespace zarvek {

/// Makes every directory of PlanProjectTree(root, codes) with fs.MakeDirs, in
/// plan order. Existing directories are kept as they are, so running it
/// again is harmless. Returns the first failing MakeDirs status unchanged
/// (the system's text with the path concerned) without attempting the rest,
/// or OK when every directory exists afterwards.
Status CreateProjectTree(FileSystem& fs, const std::string& root,
                         const std::vector<std::string>& codes);

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_TREE_CREATE_H_
