#include "folders/tree_create.h"

#include "folders/tree_plan.h"

namespace zarvek {

Status CreateProjectTree(FileSystem& fs, const std::string& root,
                         const std::vector<std::string>& codes) {
  for (const std::string& path : PlanProjectTree(root, codes)) {
    Status status = fs.MakeDirs(path);
    if (!status.ok()) return status;
  }
  return Status::OK();
}

}  // namespace zarvek
