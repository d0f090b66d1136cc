#include "project/settings.h"

#include <charconv>

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
constexpr std::string_view kPhotoDistanceKey = "distancia_fotos_m";
constexpr std::string_view kPhotoDaysKey = "dias_fotos";
constexpr size_t kMaxSettingsBytes = 64 * 1024;

// `text` as a whole number from `low` to `high`: a value typed by hand
// ("-5", "2e9", "200 m", "") never becomes a limit.
std::optional<int> NumberIn(std::string_view text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  // from_chars takes a leading "-", which the range refuses.
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

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

std::optional<int> ParsePhotoDistanceM(std::string_view text) {
  return NumberIn(text, kMinPhotoDistanceM, kMaxPhotoDistanceM);
}

std::optional<int> ParsePhotoDays(std::string_view text) {
  return NumberIn(text, kMinPhotoDays, kMaxPhotoDays);
}

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
    } else if (key == kPhotoDistanceKey) {
      settings.photo_distance_m =
          ParsePhotoDistanceM(value).value_or(kDefaultPhotoDistanceM);
    } else if (key == kPhotoDaysKey) {
      settings.photo_days = ParsePhotoDays(value).value_or(kDefaultPhotoDays);
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
  if (settings.photo_distance_m != kDefaultPhotoDistanceM) {
    AppendLine(&text, kPhotoDistanceKey,
               std::to_string(settings.photo_distance_m));
  }
  if (settings.photo_days != kDefaultPhotoDays) {
    AppendLine(&text, kPhotoDaysKey, std::to_string(settings.photo_days));
  }
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
