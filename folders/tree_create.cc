#include "folders/tree_create.h"

namespace zarvek {

Status CreateProjectTree(FileSystem& fs, const std::string& root,
                         const std::vector<std::string>& codes,
                         TreeAdditions* additions) {
  const std::string gnss_dir = ProjectLayout::AtRoot(root).GnssDataDir();
  std::vector<std::string> entries;
  if (fs.Exists(gnss_dir)) {
    const Status status = fs.ListDir(gnss_dir, &entries);
    if (!status.ok()) return status;
  }
  TreeAdditions plan = PlanTreeAdditions(entries, codes);
  const std::vector<std::string> paths = PlanProjectTree(root, plan.added);
  if (additions != nullptr) *additions = std::move(plan);
  for (const std::string& path : paths) {
    Status status = fs.MakeDirs(path);
    if (!status.ok()) return status;
  }
  return Status::OK();
}

}  // namespace zarvek
