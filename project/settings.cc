#include "project/settings.h"

#include "text/key_lines.h"

namespace zarvek {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kLastFolderKey = "ultima_carpeta";
constexpr std::string_view kLastProjectKey = "ultimo_proyecto";
constexpr std::string_view kWindowKey = "ventana";
constexpr std::string_view kSurveyorNameKey = "topografo_nombre";
constexpr std::string_view kSurveyorLicenceKey = "topografo_colegiado";
constexpr std::string_view kSurveyorPlaceKey = "topografo_lugar";
constexpr size_t kMaxSettingsBytes = 64 * 1024;

void AppendLine(std::string* text, std::string_view key,
                const std::string& value) {
  if (value.empty() ||
      value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    return;
  }
  *text += key;
  *text += '=';
  *text += value;
  *text += '\n';
}

}  // namespace

Settings ParseSettings(std::string_view text) {
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
  Settings settings;
  ForEachKeyLine(text, [&](std::string_view key, std::string_view value) {
    if (key == kLastFolderKey) {
      settings.last_folder = value;
    } else if (key == kLastProjectKey) {
      settings.last_project = value;
    } else if (key == kWindowKey) {
      settings.window = value;
    } else if (key == kSurveyorNameKey) {
      settings.surveyor_name = value;
    } else if (key == kSurveyorLicenceKey) {
      settings.surveyor_licence = value;
    } else if (key == kSurveyorPlaceKey) {
      settings.surveyor_place = value;
    }
  });
  return settings;
}

std::string SerializeSettings(const Settings& settings) {
  std::string text =
      "# Zarvek Certificación: carpetas recordadas (se reescribe "
      "sola)\n";
  AppendLine(&text, kLastFolderKey, settings.last_folder);
  AppendLine(&text, kLastProjectKey, settings.last_project);
  AppendLine(&text, kWindowKey, settings.window);
  AppendLine(&text, kSurveyorNameKey, settings.surveyor_name);
  AppendLine(&text, kSurveyorLicenceKey, settings.surveyor_licence);
  AppendLine(&text, kSurveyorPlaceKey, settings.surveyor_place);
  return text;
}

Settings LoadSettings(FileSystem& fs, const std::string& dir) {
  if (dir.empty()) return {};
  std::string bytes;
  if (!fs.ReadFile(JoinPath(dir, std::string(kSettingsFileName)),
                   kMaxSettingsBytes, &bytes)
           .ok()) {
    return {};
  }
  Settings settings = ParseSettings(bytes);
  for (std::string* folder : {&settings.last_folder, &settings.last_project}) {
    if (!folder->empty() && !fs.IsDirectory(*folder)) folder->clear();
  }
  return settings;
}

Status SaveSettings(FileSystem& fs, const std::string& dir,
                    const Settings& settings) {
  if (dir.empty()) return Status::OK();
  Status status = fs.MakeDirs(dir);
  if (!status.ok()) return status;
  return fs.WriteAtomically(JoinPath(dir, std::string(kSettingsFileName)),
                            SerializeSettings(settings));
}

}  // namespace zarvek
