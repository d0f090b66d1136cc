#include "project/layout.h"

#include "text/ascii_text.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// `path` without trailing separators, unless it is only separators ("/").
std::string_view Trimmed(std::string_view path) {
  while (path.size() > 1 && IsSeparator(path.back())) path.remove_suffix(1);
  return path;
}

// The last component of `path` and the path above it: "/p/a/" -> "/p",
// "a"; "/a" -> "/", "a"; "a" -> "", "a".
struct Split {
  std::string_view parent, name;
};

Split SplitPath(std::string_view path) {
  path = Trimmed(path);
  std::size_t slash = path.size();
  while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
  if (slash == 0) return {std::string_view(), path};
  const std::string_view name = path.substr(slash);
  std::string_view parent = path.substr(0, slash);
  while (parent.size() > 1 && IsSeparator(parent.back())) {
    parent.remove_suffix(1);
  }
  return {parent, name};
}

std::string Join(const std::string& base, std::string_view name) {
  return JoinPath(base, std::string(name));
}

}  // namespace

std::string GnssPointFolderName(std::size_t index, std::string_view code) {
  std::string name = std::to_string(index + 4);
  name += ". ";
  name += code;
  return name;
}

// From the names alone. A folder that is not recognised inside a project is
// taken for kOther here; ForChosenFolder then asks the disk whether it is a
// project folder. The measurement file and the report do not depend on that
// answer.
ProjectLayout ProjectLayout::FromNames(const std::string& chosen) {
  ProjectLayout layout;
  if (chosen.empty()) return layout;
  const Split self = SplitPath(chosen);
  const Split up = SplitPath(self.parent);
  const Split up2 = SplitPath(up.parent);
  if (self.name == kGnssDataFolder) {
    layout.chosen_ = Chosen::kGnssData;
    layout.gnss_dir_ = std::string(Trimmed(chosen));
    layout.root_ = std::string(self.parent);
  } else if (!self.parent.empty() && up.name == kGnssDataFolder) {
    layout.chosen_ = Chosen::kPoint;
    layout.gnss_dir_ = std::string(self.parent);
    layout.root_ = std::string(up.parent);
  } else if ((self.name == kRinexFolder || self.name == kNativeFolder) &&
             !up.parent.empty() && up2.name == kGnssDataFolder) {
    layout.chosen_ =
        self.name == kRinexFolder ? Chosen::kPointRinex : Chosen::kPointNative;
    layout.gnss_dir_ = std::string(up.parent);
    layout.root_ = std::string(up2.parent);
  } else {
    layout.chosen_ = Chosen::kOther;
    layout.root_ = std::string(Trimmed(chosen));
    layout.gnss_dir_ = Join(layout.root_, kGnssDataFolder);
  }
  layout.points_dir_ = layout.gnss_dir_;
  return layout;
}

ProjectLayout ProjectLayout::ForChosenFolder(FileSystem& fs,
                                             const std::string& chosen) {
  ProjectLayout layout = FromNames(chosen);
  if (layout.chosen_ == Chosen::kOther && fs.Exists(layout.gnss_dir_)) {
    layout.chosen_ = Chosen::kRoot;
    layout.points_dir_ = layout.gnss_dir_;
  }
  return layout;
}

ProjectLayout ProjectLayout::AtRoot(const std::string& root) {
  ProjectLayout layout;
  layout.chosen_ = Chosen::kRoot;
  layout.root_ = root;
  layout.gnss_dir_ = Join(root, kGnssDataFolder);
  layout.points_dir_ = layout.gnss_dir_;
  return layout;
}

std::string ProjectLayout::MeasurementFilePath() const {
  if (chosen_ == Chosen::kNone) return "";
  return Join(gnss_dir_, kMeasurementFileName);
}

std::string ProjectLayout::ReportPath() const {
  if (chosen_ == Chosen::kNone) return "";
  return Join(gnss_dir_, kReportFileName);
}

std::string ProjectLayout::LockFilePath() const {
  if (chosen_ == Chosen::kNone) return "";
  return Join(gnss_dir_, kLockFileName);
}

std::string ProjectLayout::PointGnssDir(const std::string& point_folder) const {
  return Join(points_dir_, point_folder);
}

std::string ProjectLayout::PointRinexDir(
    const std::string& point_folder) const {
  return Join(PointGnssDir(point_folder), kRinexFolder);
}

std::string ProjectLayout::PointNativeDir(
    const std::string& point_folder) const {
  return Join(PointGnssDir(point_folder), kNativeFolder);
}

std::string ProjectLayout::PhotosDir() const {
  return Join(root_, kPhotosFolder);
}

std::string ProjectLayout::PhotoReportPath() const {
  if (chosen_ == Chosen::kNone) return "";
  return Join(PhotosDir(), kPhotoReportFileName);
}

std::string ProjectLayout::PointPhotoDir(const std::string& code) const {
  return Join(PhotosDir(), code);
}

std::vector<std::string> ProjectLayout::PointPhotoStageDirs(
    const std::string& code) const {
  return PhotoStageDirs(PointPhotoDir(code));
}

std::string ProjectLayout::FormsDir() const {
  return Join(root_, kFormsFolder);
}

std::string ProjectLayout::BaseStationDir() const {
  return Join(gnss_dir_, kBaseStationFolder);
}

std::string ProjectLayout::BaseNativeDir() const {
  return Join(BaseStationDir(), kNativeFolder);
}

std::string ProjectLayout::BaseRinexDir() const {
  return Join(BaseStationDir(), kRinexFolder);
}

std::string ProjectLayout::EphemeridesDir() const {
  return Join(gnss_dir_, kEphemeridesFolder);
}

std::string ProjectLayout::ProcessingDir() const {
  return Join(gnss_dir_, kProcessingFolder);
}

std::string_view PhotoStageTitle(std::size_t stage) {
  if (stage + 1 == subcarpetas_fotos.size()) return "09. VÍDEOS";
  return stage < subcarpetas_fotos.size() ? subcarpetas_fotos[stage]
                                          : std::string_view();
}

std::vector<std::string> PhotoStageDirs(const std::string& point_photo_dir) {
  std::vector<std::string> dirs;
  dirs.reserve(subcarpetas_fotos.size());
  for (std::string_view stage : subcarpetas_fotos) {
    dirs.push_back(Join(point_photo_dir, stage));
  }
  return dirs;
}

std::optional<std::string> ParsePhotoFolderName(std::string_view name) {
  const std::string_view code = TrimSpace(name);
  if (!IsAsciiDigits(code)) return std::nullopt;
  return std::string(code);
}

std::string NotAProjectText(const std::string& path) {
  return "LA CARPETA ELEGIDA NO ES UN PROYECTO (NO TIENE «" +
         std::string(kGnssDataFolder) + "»):\n" + BoxPath(path) +
         "\n\nELIJA LA CARPETA DEL PROYECTO O CRÉELO CON «CREAR CARPETAS» "
         "EN LA PESTAÑA 1.";
}

std::optional<PointFolderName> ParsePointFolderName(std::string_view name) {
  const size_t first_dot = name.find('.');
  if (first_dot == std::string_view::npos) return std::nullopt;
  const std::string_view number = TrimSpace(name.substr(0, first_dot));
  std::string_view rest = name.substr(first_dot + 1);
  const std::string_view code = TrimSpace(rest.substr(0, rest.find('.')));
  if (!IsAsciiDigits(number) || !IsAsciiDigits(code)) return std::nullopt;
  return PointFolderName{std::string(number), std::string(code)};
}

std::string CorrectedDir(const std::string& rinex_dir) {
  return Join(rinex_dir, kCorrectedFolder);
}

std::string MeasurementFilePath(const std::string& chosen) {
  return ProjectLayout::FromNames(chosen).MeasurementFilePath();
}

std::string ReportPath(const std::string& chosen) {
  return ProjectLayout::FromNames(chosen).ReportPath();
}

std::string LockFilePath(const std::string& chosen) {
  return ProjectLayout::FromNames(chosen).LockFilePath();
}

Status RefuseLinkedFolder(FileSystem& fs, const std::string& dir,
                          std::string_view shown) {
  if (!fs.Exists(dir) || fs.IsRealDirectory(dir)) return Status::OK();
  return Status::Error(BoxPathAfter(
      ShownPath(shown) +
          " ES UN ENLACE O NO ES UNA CARPETA; NO SE ESCRIBE NADA EN ÉL: ",
      dir));
}

}  // namespace zarvek
