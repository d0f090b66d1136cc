// The project's layout on disk, in one place: the names of the folders of
// the tree that "CREAR CARPETAS" makes, the names of the files the program
// writes into it, and which folder of it a chosen folder stands for. Every
// part of the program that looks for a project's points, its measurement
// file, its report or a point's RINEX or photo folders asks ProjectLayout,
// so that they cannot disagree about where those are.
//
// The names are written exactly as they appear on disk (UTF-8, with Á, Í
// and Ó where they are written with them).
#ifndef ZARVEK_PROJECT_LAYOUT_H_
#define ZARVEK_PROJECT_LAYOUT_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"

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
/// Inside a point's RINEX folder: the copies that "CORREGIR RINEX" writes.
inline constexpr std::string_view kCorrectedFolder = "CORREGIDO";

/// In the GNSS data folder, beside the point folders.
inline constexpr std::string_view kMeasurementFileName =
    "ALTURAS DE ANTENA.csv";
inline constexpr std::string_view kReportFileName = "CONVERSION DE ALTURA.pdf";
/// In the photos folder: what "GENERAR REPORTAJE FOTOGRÁFICO" writes.
inline constexpr std::string_view kPhotoReportFileName =
    "REPORTAJE FOTOGRÁFICO.pdf";
/// Beside them: the mark of the copy of the program that has the project
/// open (project/project_lock.h). Its leading dot hides it from Linux's file
/// managers; it is no point folder's name.
inline constexpr std::string_view kLockFileName = ".proyecto-en-uso";

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

/// How texts shown and printed name photo stage `stage` (0-based): its
/// folder's name, except that the videos' folder, whose name on disk stays
/// "09. VIDEOS" as projects are made, is "09. VÍDEOS", the one spelling of
/// the word in the program's texts.
std::string_view PhotoStageTitle(std::size_t stage);

/// The name of the point folder in kGnssDataFolder for the code at 0-based
/// position `index` of the kept codes: "<index + 4>. <code>", so that the
/// points continue the numbering of the three shared folders ("4. 100").
std::string GnssPointFolderName(std::size_t index, std::string_view code);

/// Where everything of one project is. A value: copy it freely.
class ProjectLayout {
 public:
  /// What the chosen folder was found to be.
  enum class Chosen {
    kNone,         ///< no folder was chosen ("")
    kRoot,         ///< the project folder: kGnssDataFolder stands in it
    kGnssData,     ///< a folder named kGnssDataFolder
    kPoint,        ///< a folder inside a kGnssDataFolder folder
    kPointRinex,   ///< kRinexFolder inside such a folder
    kPointNative,  ///< kNativeFolder inside such a folder
    kOther,        ///< anything else: not a project
  };

  /// The project opened by the folder `chosen` (as the folder choosers give
  /// it, "/" or "\" between components, trailing separators allowed). The
  /// GNSS data folder, a folder inside it (a point's numbered folder) and
  /// that folder's RINEX and NATIVA folders are recognised by their names
  /// and open the project above them. Any other folder is kRoot when
  /// something named kGnssDataFolder stands in it (asked of `fs`; a file
  /// there makes the listing fail, as it should), otherwise kOther: not a
  /// project, and its paths are where a project there would keep its
  /// folders and files (nothing of its own entries is taken for points).
  /// "" gives kNone, whose paths are all empty.
  static ProjectLayout ForChosenFolder(FileSystem& fs,
                                       const std::string& chosen);

  /// The layout of a project to be made in the folder `root` (kRoot,
  /// whatever is on disk).
  static ProjectLayout AtRoot(const std::string& root);

  Chosen chosen() const { return chosen_; }
  /// Whether the chosen folder is a project or inside one: a folder that is
  /// not (kOther, kNone) is never opened as a project, so that its table
  /// saves nowhere and its report is never asked for.
  bool IsProject() const {
    return chosen_ != Chosen::kNone && chosen_ != Chosen::kOther;
  }
  /// The project folder.
  const std::string& root() const { return root_; }
  /// root()/kGnssDataFolder, as written in the chosen path when the choice
  /// was inside it. The measurement file and the report are here.
  const std::string& GnssDataDir() const { return gnss_dir_; }
  /// The folder whose entries name the points ("4. 1001"): GnssDataDir().
  const std::string& PointsDir() const { return points_dir_; }

  std::string MeasurementFilePath() const;
  std::string ReportPath() const;
  std::string LockFilePath() const;

  /// The folders of the point whose folder in PointsDir() is named
  /// `point_folder` ("4. 1001").
  std::string PointGnssDir(const std::string& point_folder) const;
  std::string PointRinexDir(const std::string& point_folder) const;
  std::string PointNativeDir(const std::string& point_folder) const;

  /// root()/kPhotosFolder, the photo folder of point `code` in it, and that
  /// folder's subcarpetas_fotos in creation order.
  std::string PhotosDir() const;
  std::string PointPhotoDir(const std::string& code) const;
  std::vector<std::string> PointPhotoStageDirs(const std::string& code) const;
  /// PhotosDir()/kPhotoReportFileName; empty for kNone.
  std::string PhotoReportPath() const;

  /// The project-wide folders: root()/kFormsFolder; in GnssDataDir() the
  /// base station's folder with its NATIVA and RINEX, the ephemerides and
  /// the processing.
  std::string FormsDir() const;
  std::string BaseStationDir() const;
  std::string BaseNativeDir() const;
  std::string BaseRinexDir() const;
  std::string EphemeridesDir() const;
  std::string ProcessingDir() const;

 private:
  friend std::string MeasurementFilePath(const std::string& chosen);

  friend std::string ReportPath(const std::string& chosen);
  friend std::string LockFilePath(const std::string& chosen);
  static ProjectLayout FromNames(const std::string& chosen);

  Chosen chosen_ = Chosen::kNone;
  std::string root_, gnss_dir_, points_dir_;
};

/// The text of the box that refuses the folder `path`, which is not a
/// project (ProjectLayout::IsProject), with its path as given.
std::string NotAProjectText(const std::string& path);

/// A point folder's name read back: "<number>. <code>" as
/// GnssPointFolderName writes it, both parts ASCII digits.
struct PointFolderName {
  std::string number;  ///< as written, trimmed of white space
  std::string code;    ///< as written, trimmed of white space
};

/// Reads an entry name of the GNSS data folder as a point folder's. The name
/// is split at every "."; it names a point when its first part and its
/// second part, each trimmed of white space, are ASCII digits only: "4. 1001"
/// -> {"4", "1001"}, "4.1001" and "7.0042.txt" name points too (anything
/// after the second "." is ignored); "4. 12 345", "A. 1001" and
/// "2. EFEMERIDES" do not.
std::optional<PointFolderName> ParsePointFolderName(std::string_view name);

/// The subcarpetas_fotos of the photo folder `point_photo_dir`, in creation
/// order (PointPhotoStageDirs of a point whose folder is named otherwise).
std::vector<std::string> PhotoStageDirs(const std::string& point_photo_dir);

/// Reads an entry name of the photos folder as a point's photo folder, which
/// is named by the point's code alone ("1001"): the name trimmed of white
/// space when it is ASCII digits only, else nothing ("1001.jpg",
/// "REPORTAJE FOTOGRÁFICO.pdf", "4. 1001").
std::optional<std::string> ParsePhotoFolderName(std::string_view name);

/// The corrected copies' folder of the RINEX folder `rinex_dir`.
std::string CorrectedDir(const std::string& rinex_dir);

/// The measurement file and the report of the project that `chosen` opens.
/// They depend only on the names in the path, never on the disk, so that
/// they need no FileSystem: ForChosenFolder(fs, chosen) gives the same
/// paths whatever `fs` holds.
std::string MeasurementFilePath(const std::string& chosen);
std::string ReportPath(const std::string& chosen);
std::string LockFilePath(const std::string& chosen);

/// Refuses to write into `dir`, a folder of the project, when something
/// other than a folder of its own stands there: a project may come from
/// anywhere, and a link would send what is written to another folder, whose
/// files it would replace. Nothing there is no refusal (the writer makes the
/// folder or fails on its own). `shown` names the folder for the surveyor:
/// "<shown> ES UN ENLACE O NO ES UNA CARPETA; NO SE ESCRIBE NADA EN ÉL:
/// <dir>".
Status RefuseLinkedFolder(FileSystem& fs, const std::string& dir,
                          std::string_view shown);

}  // namespace zarvek

#endif  // ZARVEK_PROJECT_LAYOUT_H_
