// The few things the program remembers between runs, kept in the user's
// settings folder (platform/config_dir.h) in one small text file of
// "key=value" lines: the folder last used in a folder chooser, where both
// choosers start, the project last opened, which opens again at start,
// where and how large the window was left, and the surveyor's identity.
// The file is only a convenience: a missing, unreadable or damaged one, or
// one written by another version, never stops the program. Unknown keys and
// lines that are not "key=value" are ignored, and so is a remembered folder
// that no longer exists.
#ifndef ZARVEK_PROJECT_SETTINGS_H_
#define ZARVEK_PROJECT_SETTINGS_H_

#include <optional>
#include <string>
#include <string_view>

#include "platform/fs.h"
#include "platform/status.h"

namespace zarvek {

/// The program's folder inside the user's settings folder, and the file in
/// it.
inline constexpr std::string_view kSettingsFolderName = "zarvek-certificacion";
inline constexpr std::string_view kSettingsFileName = "ajustes.txt";

/// How far (metres) and how many days from its point a photo may have been
/// taken before the dossier names it, unless the user set otherwise.
inline constexpr int kDefaultPhotoDistanceM = 200;
inline constexpr int kDefaultPhotoDays = 30;
/// The values taken; anything else, or anything but a whole number, is
/// refused (and in the settings file the default used).
inline constexpr int kMinPhotoDistanceM = 1;
inline constexpr int kMaxPhotoDistanceM = 100'000;
inline constexpr int kMinPhotoDays = 0;
inline constexpr int kMaxPhotoDays = 3'660;

/// A photo limit given as text, in the settings file or typed by the user:
/// ASCII digits only, whole, within the range above. nullopt for anything
/// else ("", "-5", "+5", " 5", "2e9", "200 m", "1,5", "99999999999").
std::optional<int> ParsePhotoDistanceM(std::string_view text);
std::optional<int> ParsePhotoDays(std::string_view text);

struct Settings {
  std::string last_folder;   ///< "ultima_carpeta": "" when none
  std::string last_project;  ///< "ultimo_proyecto": "" when none
  /// "ventana": the window's geometry as Tk writes it ("950x700+120+40"),
  /// kept as text and checked by the window itself; "" when none.
  std::string window = {};
  /// "distancia_fotos_m" and "dias_fotos": the limits above.
  int photo_distance_m = kDefaultPhotoDistanceM;
  int photo_days = kDefaultPhotoDays;
  /// The surveyor who signs the reports, set once: "topografo_nombre" (the
  /// reports' author), "topografo_colegiado" (the professional licence
  /// number) and "topografo_lugar" (where they sign); "" when not set.
  std::string surveyor_name = {};
  std::string surveyor_licence = {};
  std::string surveyor_place = {};

  bool operator==(const Settings&) const = default;
};

/// Reads the file's text: a UTF-8 byte-order mark, "\r" before "\n",
/// blank lines, "#" comments, lines without "=" and unknown keys are
/// skipped; a key given twice keeps its last value. The value is the rest
/// of the line after the first "=", as it stands; the photo limits are
/// whole numbers in range, else their defaults.
Settings ParseSettings(std::string_view text);

/// The file's text: a comment line, then one "key=value" line per value
/// that is not empty, "\n" line ends. A value holding a line break or a NUL
/// cannot be written as a line and is left out, and so is a photo limit
/// at its default.
std::string SerializeSettings(const Settings& settings);

/// The settings kept in the folder `dir` (kSettingsFileName in it), with
/// every folder that is no longer a directory on `fs` left out. Defaults
/// when `dir` is "", or the file is missing, unreadable or larger than
/// 64 KB.
Settings LoadSettings(FileSystem& fs, const std::string& dir);

/// Writes `settings` into the folder `dir`, made when missing, replacing the
/// file in one step (FileSystem::WriteAtomically). "" keeps nothing and
/// succeeds.
Status SaveSettings(FileSystem& fs, const std::string& dir,
                    const Settings& settings);

}  // namespace zarvek

#endif  // ZARVEK_PROJECT_SETTINGS_H_
