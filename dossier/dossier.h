// What a project's dossier holds, as the dossier tab finds it on disk and the
// photo report prints it: the project-wide items, and per point its GNSS
// data, its height and the files of each photo stage. Values only: the scan
// fills them off the window thread and hands them over whole.
#ifndef ZARVEK_DOSSIER_DOSSIER_H_
#define ZARVEK_DOSSIER_DOSSIER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvek {

/// What a file in a photo stage folder is, by its name and first bytes.
enum class FileKind {
  kOther,  ///< not counted (hidden and system files, anything else)
  kJpeg,
  kPng,
  kHeif,   ///< counts as a photo, but the report cannot hold it
  kVideo,  ///< by extension: mp4, mov, avi, 3gp, mkv, m4v
  /// A file that would be looked at as a photo but could not be opened or
  /// read: it counts as a photo that cannot be read (FoundFile::error).
  kUnreadable,
};

/// One file found in a folder.
struct FoundFile {
  std::string path;          ///< full path, as the program writes paths
  std::string name;          ///< its name in the folder
  std::uint64_t size = 0;    ///< bytes
  std::int64_t mtime_s = 0;  ///< modification time, seconds since 1970 UTC
  FileKind kind = FileKind::kOther;
  std::int32_t mtime_ns = 0;  ///< and nanoseconds within that second
  /// kUnreadable: why it could not be read ("<system's text>: <path>").
  std::string error{};
  /// What the photo shows that does not belong where it stands (the same
  /// photo elsewhere, taken far away or on another day), in capitals;
  /// dossier/evidence.h finds them.
  std::vector<std::string> warnings{};
};

/// A folder the dossier counts files in.
struct FolderCount {
  enum class State {
    kRead,        ///< listed; `files` holds what counts
    kMissing,     ///< not there ("✗ NO EXISTE")
    kUnreadable,  ///< there but not listed ("?"); `reason` says why
  };
  State state = State::kMissing;
  std::string path;
  std::string reason;  ///< the system's text, for the status line
  std::vector<FoundFile> files;
};

/// The photo stages of a point, in folder order (1-7, "08", "09").
inline constexpr std::size_t kPhotoStages = 9;

/// One point of the project: the union of the codes found in the GNSS data
/// folder and in the photos folder.
struct PointDossier {
  std::string code;
  std::optional<FolderCount> native;  ///< absent: no GNSS folder for the code
  bool has_photo_folder = false;
  std::vector<FolderCount> stages;  ///< kPhotoStages entries when present
  std::string gnss_folder;   ///< its folder in "2. DATOS GNSS"; "" for none
  std::string photo_folder;  ///< its folder in "3. FOTOGRAFIAS"; "" for none
  /// What its files show that a count cannot (a stage folder under another
  /// name, the same photo in two places, ...): one text each, in capitals,
  /// without the point's code. The tab's AVISOS column, its status line,
  /// the summary and the photo report show them.
  std::vector<std::string> warnings{};
};

/// A project-wide item ("1. FORMULARIOS", the base station's NATIVA and
/// RINEX (kBaseNativeLabel, kBaseRinexLabel), "2. EFEMERIDES", "3.
/// PROCESAMIENTO", the two reports). The labels of the base station's two
/// folders among the project items: their folders' names alone would pass for a
/// point's.
inline constexpr std::string_view kBaseNativeLabel = "ESTACIÓN BASE: NATIVA";
inline constexpr std::string_view kBaseRinexLabel = "ESTACIÓN BASE: RINEX";

struct ProjectItem {
  std::string label;
  FolderCount folder;  ///< for a report: `files` holds the report when found
};

struct DossierScan {
  std::string project_root;
  std::vector<ProjectItem> items;
  std::vector<PointDossier> points;  ///< in numeric order of their codes
  /// How many points the project has: more than `points` holds when there
  /// are more than the rooms show (kMaxTableRows, the first in order).
  std::size_t points_found = 0;
  /// The measurement file ("ALTURAS DE ANTENA.csv") when found: the height
  /// report is out of date when it changed after the report.
  std::optional<FoundFile> measurement_file;
  /// The system's text for "2. DATOS GNSS" or "3. FOTOGRAFIAS" when it is
  /// there but cannot be listed: its points may be missing from `points`.
  std::vector<std::string> unlisted;
};

/// How a matrix cell is coloured.
enum class CellTone { kPlain, kGood, kMissing, kUnknown };

/// One cell of the dossier matrix, as the tab shows it and the photo report
/// prints it on its first pages.
struct MatrixCell {
  std::string text;
  CellTone tone = CellTone::kPlain;
  std::string folder;  ///< opened on a click; empty when none
  std::string reason;  ///< why it shows "?" (the system's text); else empty
  /// Of its count, the photos that could not be read (their first one's
  /// reason is `reason`).
  std::size_t unreadable = 0;
};

/// A project-wide item as the tab shows it: its label and its cell.
struct MatrixItem {
  std::string label;
  MatrixCell cell;
};

struct DossierMatrix {
  std::vector<std::string> headings;          ///< PUNTO, NATIVA, RINEX, ...
  std::vector<std::vector<MatrixCell>> rows;  ///< one per point
  bool complete = false;                      ///< nothing missing
  std::string summary;  ///< "EXPEDIENTE COMPLETO" or "FALTAN n ELEMENTOS ..."
  std::vector<MatrixItem> items;     ///< the project-wide items, in order
  std::vector<std::string> missing;  ///< every missing element, named
  /// HEIC/HEIF photos found: they count, but the photo report cannot hold
  /// them; their cells carry a "*".
  std::size_t heif_photos = 0;
  /// Photos that could not be read: they count, their cells carry a "?",
  /// and each is named in `missing`; the first one's reason.
  std::size_t unreadable_photos = 0;
  std::string unreadable_reason;
  /// Every point's warnings, each as "<code>: <text>", in the points' order.
  std::vector<std::string> warnings{};
};

}  // namespace zarvek

#endif  // ZARVEK_DOSSIER_DOSSIER_H_
