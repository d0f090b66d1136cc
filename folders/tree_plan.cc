#include "folders/tree_plan.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "text/ascii_text.h"

namespace zarvek {
namespace {

// A number or code without its leading zeros ("0" and "000" give ""), so
// that equal values compare equal as text.
std::string_view Value(std::string_view digits) {
  return digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
}

// Whether the digit string `a` is less in value than `b` (both Value()d).
bool ValueLess(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// The decimal text of `digits` + 1, for numbers of any length.
std::string Increment(std::string_view digits) {
  std::string next(digits);
  size_t i = next.size();
  while (i > 0 && next[i - 1] == '9') next[--i] = '0';
  if (i == 0) return "1" + next;
  ++next[i - 1];
  return next;
}

// `items` joined with ", ", cut after kMaxListedPoints of them.
std::string Listed(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i == kMaxListedPoints) return text + ", …";
    if (i > 0) text += ", ";
    text += items[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> PlanProjectTree(
    const std::string& root, const std::vector<PlannedPoint>& points) {
  auto join = [](const std::string& base, std::string_view name) {
    return JoinPath(base, std::string(name));
  };
  const ProjectLayout layout = ProjectLayout::AtRoot(root);
  const std::string& path_gnss = layout.GnssDataDir();
  const std::string base_path = join(path_gnss, kBaseStationFolder);

  std::vector<std::string> plan;
  plan.reserve(8 + 13 * points.size());
  plan.push_back(join(root, kFormsFolder));
  plan.push_back(path_gnss);
  plan.push_back(base_path);
  plan.push_back(join(base_path, kNativeFolder));
  plan.push_back(join(base_path, kRinexFolder));
  plan.push_back(join(path_gnss, kEphemeridesFolder));
  plan.push_back(join(path_gnss, kProcessingFolder));
  for (const PlannedPoint& point : points) {
    plan.push_back(layout.PointGnssDir(point.folder));
    plan.push_back(layout.PointNativeDir(point.folder));
    plan.push_back(layout.PointRinexDir(point.folder));
  }
  plan.push_back(layout.PhotosDir());
  for (const PlannedPoint& point : points) {
    plan.push_back(layout.PointPhotoDir(point.code));
    for (std::string& stage : layout.PointPhotoStageDirs(point.code)) {
      plan.push_back(std::move(stage));
    }
  }
  return plan;
}

std::vector<std::string> PlanProjectTree(
    const std::string& root, const std::vector<std::string>& codes) {
  std::vector<PlannedPoint> points;
  points.reserve(codes.size());
  for (std::size_t idx = 0; idx < codes.size(); ++idx)
    points.push_back({GnssPointFolderName(idx, codes[idx]), codes[idx]});
  return PlanProjectTree(root, points);
}

TreeAdditions PlanTreeAdditions(const std::vector<std::string>& gnss_entries,
                                const std::vector<std::string>& codes) {
  // The numbers go on after the highest one there, and start after the
  // three shared folders ("1." to "3.") in a new project.
  std::string highest = "3";
  std::set<std::string, std::less<>> taken;
  TreeAdditions additions;
  for (const std::string& entry : gnss_entries) {
    const std::optional<PointFolderName> point = ParsePointFolderName(entry);
    if (!point) continue;
    additions.existing_project = true;
    taken.emplace(Value(point->code));
    const std::string_view number = Value(point->number);
    if (ValueLess(highest, number)) highest = std::string(number);
  }
  std::string number = highest;
  for (const std::string& code : codes) {
    if (!taken.emplace(Value(code)).second) {
      additions.present.push_back(code);
      continue;
    }
    number = Increment(number);
    additions.added.push_back({number + ". " + code, code});
  }
  return additions;
}

std::string DescribeTreeAdditions(const TreeAdditions& additions) {
  if (!additions.existing_project && additions.present.empty())
    return "CARPETAS CREADAS CORRECTAMENTE.";
  std::vector<std::string> folders;
  for (const PlannedPoint& point : additions.added)
    folders.push_back(point.folder);
  std::string text =
      additions.added.empty()
          ? "NO SE CREÓ NINGÚN PUNTO: EL PROYECTO YA LOS TENÍA TODOS."
          : "CARPETAS CREADAS CORRECTAMENTE.\nPUNTOS AÑADIDOS (" +
                DecimalText(folders.size()) + "): " + Listed(folders);
  if (!additions.present.empty()) {
    text += "\nYA EXISTÍAN, SIN CAMBIOS (" +
            DecimalText(additions.present.size()) +
            "): " + Listed(additions.present);
  }
  return text;
}

}  // namespace zarvek
