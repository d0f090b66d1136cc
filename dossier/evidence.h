// Photos that do not belong where they stand, which no count shows: the
// same photo in two places of the project, a photo taken far from its
// point, a photo taken on another day than its point was observed.
//
// The search runs after the dossier scan, off the window thread. Of each
// photo it reads only the first bytes (its EXIF tags, through the reader the
// caller hands in, and where its image data starts); whole files are read
// only for photos whose image data is as long as another's, the only ones
// that can be the same. A point's place and day come from the headers of
// its RINEX files. What is found goes into the photo's FoundFile::warnings
// and, named with the photo, into its point's PointDossier::warnings.
#ifndef ZARVEK_DOSSIER_EVIDENCE_H_
#define ZARVEK_DOSSIER_EVIDENCE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "dossier/dossier.h"
#include "platform/fs.h"
#include "project/settings.h"

namespace zarvek {

/// How far and how long from its point a photo may have been taken.
struct EvidenceLimits {
  double max_distance_m = kDefaultPhotoDistanceM;
  int max_days = kDefaultPhotoDays;
};

/// Latitude and longitude in decimal degrees, south and west negative.
struct GeoPoint {
  double latitude = 0;
  double longitude = 0;
};

/// What a photo's EXIF tags say of when and where it was taken.
struct PhotoWhenWhere {
  std::string taken;  ///< DateTimeOriginal as written; "" when absent
  std::optional<GeoPoint> gps;
};

/// Reads the tags of a JPEG from its first bytes (which may end inside the
/// file); called on the scan's thread.
using PhotoTagReader = std::function<PhotoWhenWhere(std::string_view)>;

/// The first bytes of a JPEG read for its tags, and at most how many when
/// its application segments are longer (several ICC chunks, a large XMP).
inline constexpr std::size_t kTagPrefixBytes = 64 * 1024;
inline constexpr std::size_t kMaxTagPrefixBytes = 1024 * 1024;
/// Photos larger than this are not compared with others.
inline constexpr std::uint64_t kMaxComparedPhotoBytes = std::uint64_t{128}
                                                        << 20;

/// The point with Earth-centred coordinates `x`, `y`, `z` (metres) on the
/// GRS80 ellipsoid (a = 6378137 m, f = 1/298.257222101), as RINEX headers
/// give a receiver's approximate position.
GeoPoint EcefToGrs80(double x, double y, double z);

/// The distance in metres along the ground between two points near each
/// other (the chord between them on GRS80, bent over a sphere of the
/// Earth's mean radius).
double GroundDistanceM(GeoPoint a, GeoPoint b);

/// "FOTO A 350 M DEL PUNTO" below a kilometre, "FOTO A 1,2 KM DEL PUNTO"
/// from there, with the decimal comma.
std::string FarPhotoText(double metres);

/// Days since 1 January 1970 of a calendar date; nullopt when it is not
/// one (month 13, 31 April, 29 February of a common year).
std::optional<std::int64_t> DayNumber(int year, int month, int day);

/// The day of an EXIF date "YYYY:MM:DD HH:MM:SS" (the time may be
/// missing); nullopt when it is not a date ("0000:00:00 00:00:00").
std::optional<std::int64_t> ExifDay(std::string_view taken);

/// "FOTO DEL 17/05/2024, 45 DÍAS ANTES DE LA OBSERVACIÓN" (or "DESPUÉS
/// DE"), for a photo of day `photo_day` `days` away from the observation.
std::string OtherDayText(std::int64_t photo_day, std::int64_t days);

/// Where the image data of a JPEG starts: after its start marker and the
/// application segments and comments that follow it in any order, which
/// editors and cameras add, change and reorder without touching the
/// picture. nullopt when `bytes` is no JPEG or its segments cannot be
/// followed; then `*need`, when not 0, is how many bytes would let the walk
/// go on.
std::optional<std::size_t> JpegImageDataOffset(std::string_view bytes,
                                               std::size_t* need);

/// Looks at every photo of `scan` (stages 1-8) and adds what it finds to
/// the photos' and points' warnings:
///  - "MISMA FOTO QUE <code> / <stage> / <name>": its file, or its JPEG
///    image data, is that of another photo of the project (named: the first
///    other in the points' order);
///  - FarPhotoText: its GPS position is farther than `limits` from the
///    point: the APPROX POSITION XYZ of the point's RINEX files, else the
///    median of the positions of the point's photos when three or more
///    give one;
///  - OtherDayText: its date is more than `limits.max_days` from every
///    TIME OF FIRST OBS of the point's RINEX files.
/// A point's warning is "<stage> / <name>: <text>". Files that cannot be
/// read are passed over (the scan names them). When `stop` becomes true it
/// ends early; its caller drops the scan.
void FindPhotoEvidence(FileSystem& fs, DossierScan* scan,
                       const EvidenceLimits& limits,
                       const PhotoTagReader& read_tags,
                       const std::atomic<bool>* stop = nullptr);

}  // namespace zarvek

#endif  // ZARVEK_DOSSIER_EVIDENCE_H_
