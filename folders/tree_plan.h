// The project folder tree: the names of its folders and the ordered list of
// directories that creating it for a list of point codes makes. The heights
// tab finds the points of a project by these names and the report is written
// into kGnssDataFolder, so they are defined here once, exactly as they appear
// on disk (UTF-8, with Á, Í and Ó where they are written with them).
#ifndef ZARVEK_FOLDERS_TREE_PLAN_H_
#define ZARVEK_FOLDERS_TREE_PLAN_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarvek {

inline constexpr std::string_view kFormsFolder = "1. FORMULARIOS";
inline constexpr std::string_view kGnssDataFolder = "2. DATOS GNSS";
inline constexpr std::string_view kBaseStationFolder =
    "1. DATOS DE LA ESTACION BASE";
inline constexpr std::string_view kEphemeridesFolder = "2. EFEMERIDES";
inline constexpr std::string_view kProcessingFolder = "3. PROCESAMIENTO";
inline constexpr std::string_view kPhotosFolder = "3. FOTOGRAFIAS";
inline constexpr std::string_view kNativeFolder = "NATIVA";
inline constexpr std::string_view kRinexFolder = "RINEX";

/// The photo folders of every point, in the order they are created. The last
/// two carry a two-digit number on purpose.
inline constexpr std::array<std::string_view, 9> subcarpetas_fotos = {
    "1. EQUIPO GNSS",
    "2. PROCESO DE MONUMENTACIÓN",
    "3. PROFUNDIDAD",
    "4. ANCLAJE DE DISCO DE BRONCE",
    "5. INCRUSTACIÓN DEL DISCO DE BRONCE",
    "6. DISCO INSTALADO",
    "7. MEDICIÓN DE ALTURA DE ANTENA",
    "08. FOTOGRAFÍAS PANORÁMICAS",
    "09. VIDEOS",
};

/// The name of the point folder in kGnssDataFolder for the code at 0-based
/// position `index` of the kept codes: "<index + 4>. <code>", so that the
/// points continue the numbering of the three shared folders ("4. 100").
std::string GnssPointFolderName(std::size_t index, std::string_view code);

/// Every directory the project tree for `codes` consists of, as paths joined
/// onto `root`, in creation order (each parent before its children):
/// the forms folder, the GNSS data folder with the base station (native,
/// RINEX), ephemerides and processing folders, per code its numbered GNSS
/// folder with native and RINEX, the photos folder, and per code its photo
/// folder with the nine subcarpetas_fotos. 8 + 13 * codes.size() paths; a
/// repeated code repeats its paths (its numbered folder differs, its photo
/// folders do not). `codes` are used as given and should be digits only.
std::vector<std::string> PlanProjectTree(const std::string& root,
                                         const std::vector<std::string>& codes);

}  // namespace zarvek

#endif  // ZARVEK_FOLDERS_TREE_PLAN_H_
