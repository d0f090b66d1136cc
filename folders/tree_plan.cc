#include "folders/tree_plan.h"

#include "platform/fs.h"

namespace zarvek {

std::string GnssPointFolderName(std::size_t index, std::string_view code) {
  std::string name = std::to_string(index + 4);
  name += ". ";
  name += code;
  return name;
}

std::vector<std::string> PlanProjectTree(
    const std::string& root, const std::vector<std::string>& codes) {
  auto join = [](const std::string& base, std::string_view name) {
    return JoinPath(base, std::string(name));
  };
  const std::string path_gnss = join(root, kGnssDataFolder);
  const std::string base_path = join(path_gnss, kBaseStationFolder);
  const std::string path_fotos = join(root, kPhotosFolder);

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
    const std::string point_folder =
        join(path_gnss, GnssPointFolderName(idx, codes[idx]));
    plan.push_back(point_folder);
    plan.push_back(join(point_folder, kNativeFolder));
    plan.push_back(join(point_folder, kRinexFolder));
  }
  plan.push_back(path_fotos);
  for (const std::string& code : codes) {
    const std::string path_punto_foto = join(path_fotos, code);
    plan.push_back(path_punto_foto);
    for (std::string_view name : subcarpetas_fotos) {
      plan.push_back(join(path_punto_foto, name));
    }
  }
  return plan;
}

}  // namespace zarvek
