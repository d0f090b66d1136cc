// Observation files kept under the wrong point. A file copied into another
// point's folder passes every height check and is processed as that point:
// what the files themselves say is the only evidence. This unit compares,
// per point, what its files say (marker name, antenna, receiver serial,
// approximate position, first epoch, and a fingerprint of their
// observations) with the point's code, the row's receiver, its own files
// and the rest of the project, and gives the findings in the words the
// window and the report show.
//
// Pure: the facts are read from the files elsewhere (ReadHeaderFields,
// ObservationFingerprinter, the session reader) and handed in.
#ifndef ZARVEK_RINEX_MISFILED_H_
#define ZARVEK_RINEX_MISFILED_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "heights/catalogue.h"

namespace zarvek {

/// What one observation file says about itself.
struct ObservationFileFacts {
  std::string name;             ///< the file's name, as the folder lists it
  std::string marker_name;      ///< MARKER NAME, trimmed
  std::string antenna_type;     ///< ANT # / TYPE, the type field, trimmed
  std::string receiver_serial;  ///< REC # / TYPE / VERS, the serial, trimmed
  /// APPROX POSITION XYZ, metres (ECEF); absent when not read.
  std::optional<std::array<double, 3>> approx_xyz;
  /// The first epoch, seconds since 1970-01-01 00:00:00 UTC.
  std::optional<std::int64_t> first_epoch_utc_s;
  /// ObservationFingerprinter's fingerprint; "" when unknown (never equal
  /// to another file's).
  std::string observation_fingerprint;
};

/// One point of the project: its code, the receiver chosen in its row of
/// the table ("" when none) and its observation files.
struct PointFiles {
  std::string code;
  std::string row_receiver;
  std::vector<ObservationFileFacts> files;
};

/// How far a point may lie from the project's median, in time (days
/// between its first epoch's UTC day and the median of the points' days)
/// and in space (straight-line distance from the median of the points'
/// APPROX POSITION, X, Y and Z taken apart).
inline constexpr std::int64_t kMisfiledMaxDays = 30;
inline constexpr double kMisfiledMaxMetres = 100'000.0;

/// The findings, in the order a point lists them.
enum class MisfiledKind {
  kNoFiles,        ///< the point has no observation file
  kMarkerName,     ///< MARKER NAME is not the point's code
  kFilesDisagree,  ///< its files differ in marker, antenna or serial
  kOtherAntenna,   ///< the header's antenna is another catalogue model
  kFarInTime,      ///< observed over kMisfiledMaxDays from the median day
  kFarInSpace,     ///< over kMisfiledMaxMetres from the median position
  kSameFile,       ///< another point holds the same observations
};

struct MisfiledFinding {
  MisfiledKind kind;
  std::string text;  ///< in capitals, ending with the file's name
};

/// A point's findings, none when its files look like its own.
struct PointMisfiled {
  std::string code;
  std::vector<MisfiledFinding> findings;
};

/// The texts of the findings. Each finding reads "<what>: <file>".
inline constexpr std::string_view kMisfiledNoFiles =
    "SIN ARCHIVOS DE OBSERVACIÓN";
inline constexpr std::string_view kMisfiledMarker =
    "MARKER NAME \"{}\" NO ES EL CÓDIGO DEL PUNTO";
inline constexpr std::string_view kMisfiledMarkerDiffers =
    "MARKER NAME DISTINTO DEL DE {}";
inline constexpr std::string_view kMisfiledAntennaDiffers =
    "ANTENA (ANT # / TYPE) DISTINTA DE LA DE {}";
inline constexpr std::string_view kMisfiledSerialDiffers =
    "Nº DE SERIE DEL RECEPTOR DISTINTO DEL DE {}";
inline constexpr std::string_view kMisfiledOtherAntenna =
    "ANTENA {} EN EL ARCHIVO, NO LA DE LA FILA";
inline constexpr std::string_view kMisfiledFarInTime =
    "OBSERVADO A {} DÍAS DE LA FECHA MEDIANA DEL PROYECTO";
inline constexpr std::string_view kMisfiledFarInSpace =
    "POSICIÓN APROXIMADA A {} KM DE LA MEDIANA DEL PROYECTO";
inline constexpr std::string_view kMisfiledSameFile = "MISMO ARCHIVO QUE {}";
/// A file found in many points names this many of the others, then how
/// many more, so that a project of one file copied everywhere costs a line
/// per file and not one per pair.
inline constexpr std::size_t kMisfiledListedSameFiles = 3;

/// What the RINEX cell of a point with findings shows after its verdict.
inline constexpr std::string_view kMisfiledMark = "⚠";
/// The heading of the report's closing box's list of such points.
inline constexpr std::string_view kMisfiledHeading =
    "ARCHIVOS DE OBSERVACIÓN QUE NO PARECEN DEL PUNTO:";

/// Whether a MARKER NAME names the point `code`: some run of digits in it
/// has the code's value ("5101", "P5101", "5101A", "5101_A" and "05101" name
/// 5101; "5102", "15101", "MRKR" do not). An empty or blank marker names no
/// point and is taken as naming this one: many receivers leave it blank,
/// and a blank says nothing about where the file belongs.
bool MarkerNameNamesPoint(std::string_view marker, std::string_view code);

/// The catalogue model whose antenna an ANT # / TYPE type field names, or
/// "" for none. The field is cut into words at every character that is not
/// a letter or digit, letters in any case; a model is named when some run
/// of consecutive words, written together, is the model's alias or its
/// name without blanks ("R300", "quentaro r300", "QUENTARO_R300",
/// "QUENTAROR300 NONE", "M200PLUS" and "M200 PLUS" name models; "R3000" and
/// "R300X" do not). The first model in catalogue order wins.
std::string CatalogueModelOfAntenna(std::string_view antenna_type,
                                    const Catalogue& catalogue);

/// The findings of every point, in the order of `points`.
/// - kNoFiles when a point has no file; nothing else is said of it.
/// - kMarkerName for each file whose marker does not name the point.
/// - kFilesDisagree for each file whose marker, antenna type or receiver
///   serial differs (letters in any case) from the point's first file's.
/// - kOtherAntenna for each file whose antenna type names a catalogue model
///   (CatalogueModelOfAntenna) other than a non-empty row receiver.
/// - kFarInTime for each file whose first epoch's UTC day lies more than
///   kMisfiledMaxDays from the median of the points' days (a point's day is
///   that of its earliest first epoch).
/// - kFarInSpace for each file whose position lies more than
///   kMisfiledMaxMetres from the median of the points' positions (a
///   point's position is that of its first file with one). A position all
///   zeros, as receivers write when they do not know, not finite or beyond
///   1e8 m on an axis is no position.
/// - kSameFile for each file whose fingerprint another point's file has,
///   named in both points: "MISMO ARCHIVO QUE 5102 (y.obs): x.obs", the
///   first kMisfiledListedSameFiles others comma separated, then
///   " Y <n> MÁS".
std::vector<PointMisfiled> CheckMisfiled(const std::vector<PointFiles>& points,
                                         const Catalogue& catalogue);

/// `cell` (the RINEX cell's text) followed by a blank and kMisfiledMark
/// when the point has findings; `cell` unchanged otherwise.
std::string WithMisfiledMark(std::string cell, const PointMisfiled& point);

/// One line for the report's closing box: "5101: " and the findings'
/// texts joined by "; ", then "."; "" when the point has none.
std::string MisfiledLine(const PointMisfiled& point);

/// `text` followed, when some point has findings, by "\n\n",
/// kMisfiledHeading and one "\n" + MisfiledLine per such point, in order.
std::string WithMisfiledWarning(std::string text,
                                const std::vector<PointMisfiled>& points);

}  // namespace zarvek

#endif  // ZARVEK_RINEX_MISFILED_H_
