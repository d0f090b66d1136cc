#include "folders/tree_plan.h"

namespace zarvek {

std::vector<std::string> PlanProjectTree(
    const std::string& root, const std::vector<std::string>& codes) {
  auto join = [](const std::string& base, std::string_view name) {
    return JoinPath(base, std::string(name));
  };
  const ProjectLayout layout = ProjectLayout::AtRoot(root);
  const std::string& path_gnss = layout.GnssDataDir();
  const std::string base_path = join(path_gnss, kBaseStationFolder);

  std::vector<std::string> plan;
  plan.reserve(8 + 13 * codes.size());
  plan.push_back(join(root, kFormsFolder));
  plan.push_back(path_gnss);
  plan.push_back(base_path);
  plan.push_back(join(base_path, kNativeFolder));
  plan.push_back(join(base_path, kRinexFolder));
  plan.push_back(join(path_gnss, kEphemeridesFolder));
  plan.push_back(join(path_gnss, kProcessingFolder));
  for (std::size_t idx = 0; idx < codes.size(); ++idx) {
    const std::string point_folder = GnssPointFolderName(idx, codes[idx]);
    plan.push_back(layout.PointGnssDir(point_folder));
    plan.push_back(layout.PointNativeDir(point_folder));
    plan.push_back(layout.PointRinexDir(point_folder));
  }
  plan.push_back(layout.PhotosDir());
  for (const std::string& code : codes) {
    plan.push_back(layout.PointPhotoDir(code));
    for (std::string& stage : layout.PointPhotoStageDirs(code)) {
      plan.push_back(std::move(stage));
    }
  }
  return plan;
}

}  // namespace zarvek
