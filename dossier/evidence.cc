#include "dossier/evidence.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "dossier/file_kind.h"
#include "project/layout.h"
#include "rinex/rinex_header.h"

namespace zarvek {
namespace {

constexpr double kA = 6378137.0;
constexpr double kF = 1 / 298.257222101;
constexpr double kE2 = kF * (2 - kF);
constexpr double kMeanRadius = 6371008.8;
constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180;

// The RINEX files of a point read for its place and day, at most.
constexpr std::size_t kMaxRinexFiles = 50;

struct Xyz {
  double x, y, z;
};

Xyz Grs80ToEcef(GeoPoint p) {
  const double lat = p.latitude * kRad, lon = p.longitude * kRad;
  const double n = kA / std::sqrt(1 - kE2 * std::sin(lat) * std::sin(lat));
  return {n * std::cos(lat) * std::cos(lon), n * std::cos(lat) * std::sin(lon),
          n * (1 - kE2) * std::sin(lat)};
}

bool Stopped(const std::atomic<bool>* stop) {
  return stop != nullptr && stop->load(std::memory_order_relaxed);
}

std::string TwoDigits(int v) {
  return {static_cast<char>('0' + v / 10 % 10),
          static_cast<char>('0' + v % 10)};
}

// The calendar date of a day number (the inverse of DayNumber).
void CivilFromDays(std::int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe =
      (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

bool ParseInt(std::string_view s, int* out) {
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && ptr == s.data() + s.size();
}

// One photo of the project, as the search knows it.
struct PhotoRef {
  std::size_t point = 0, stage = 0, file = 0;
  std::uint64_t offset = 0;   // where the compared content starts
  std::uint64_t content = 0;  // its length; 0: not compared
  std::optional<GeoPoint> gps;
  std::optional<std::int64_t> day;
};

FoundFile& FileOf(DossierScan* scan, const PhotoRef& r) {
  return scan->points[r.point].stages[r.stage].files[r.file];
}

// Reads the first bytes of a JPEG, more while its segments go on, for its
// tags and where its image data starts.
void ReadJpegHead(FileSystem& fs, const FoundFile& file,
                  const PhotoTagReader& read_tags, PhotoRef* ref) {
  std::string bytes;
  bool missing = false;
  std::size_t want = kTagPrefixBytes;
  std::optional<std::size_t> offset;
  for (;;) {
    if (!fs.ReadPrefix(file.path, want, &bytes, &missing).ok() || missing) {
      return;
    }
    std::size_t need = 0;
    offset = JpegImageDataOffset(bytes, &need);
    if (offset || need == 0 || bytes.size() <= want ||
        want >= kMaxTagPrefixBytes) {
      break;
    }
    want = std::min(kMaxTagPrefixBytes, std::max(need, 2 * want));
  }
  // Without a place where the picture starts, the whole file is compared.
  ref->offset = offset.value_or(0);
  if (read_tags) {
    PhotoWhenWhere tags = read_tags(bytes);
    ref->gps = tags.gps;
    ref->day = ExifDay(tags.taken);
  }
}

// 64-bit FNV-1a of `bytes`.
std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char ch : bytes) {
    h ^= static_cast<unsigned char>(ch);
    h *= 1099511628211ull;
  }
  return h;
}

std::string PhotoName(const DossierScan& scan, const PhotoRef& r) {
  return std::string(subcarpetas_fotos[r.stage]) + " / " +
         scan.points[r.point].stages[r.stage].files[r.file].name;
}

// Photos of equal content length are read whole and compared by the hash of
// their content; each of a group names the first other one.
void FindSamePhotos(FileSystem& fs, DossierScan* scan,
                    const std::vector<PhotoRef>& photos,
                    const std::atomic<bool>* stop) {
  std::map<std::uint64_t, std::vector<std::size_t>> by_length;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    if (photos[i].content > 0) by_length[photos[i].content].push_back(i);
  }
  for (const auto& [length, group] : by_length) {
    if (group.size() < 2) continue;
    std::map<std::uint64_t, std::vector<std::size_t>> by_hash;
    for (const std::size_t i : group) {
      if (Stopped(stop)) return;
      const PhotoRef& r = photos[i];
      std::string bytes;
      if (!fs.ReadFile(FileOf(scan, r).path, kMaxComparedPhotoBytes, &bytes)
               .ok() ||
          bytes.size() != r.offset + length) {
        continue;  // changed since it was listed
      }
      by_hash[Fnv1a(std::string_view(bytes).substr(r.offset))].push_back(i);
    }
    for (const auto& [hash, same] : by_hash) {
      for (std::size_t k = 0; k < same.size() && same.size() > 1; ++k) {
        const PhotoRef& other = photos[same[k == 0 ? 1 : 0]];
        FileOf(scan, photos[same[k]])
            .warnings.push_back("MISMA FOTO QUE " +
                                scan->points[other.point].code + " / " +
                                PhotoName(*scan, other));
      }
    }
  }
}

// Where and on which days a point was observed, by its RINEX headers.
struct Observed {
  std::optional<GeoPoint> place;
  std::vector<std::int64_t> days;
};

Observed ReadObserved(FileSystem& fs, const PointDossier& point,
                      const std::atomic<bool>* stop) {
  Observed seen;
  if (point.gnss_folder.empty()) return seen;
  const std::string dir =
      JoinPath(point.gnss_folder, std::string(kRinexFolder));
  std::vector<DirEntryInfo> entries;
  if (!fs.ListDirInfo(dir, PrefixRequest{}, &entries).ok()) return seen;
  std::vector<std::string> names;
  for (const DirEntryInfo& e : entries) {
    if (e.is_file && !e.name.empty() && e.name[0] != '.') {
      names.push_back(e.name);
    }
  }
  std::sort(names.begin(), names.end());
  if (names.size() > kMaxRinexFiles) names.resize(kMaxRinexFiles);
  for (const std::string& name : names) {
    if (Stopped(stop)) break;
    EndOfHeaderFinder end_of_header;
    DecodedPrefix prefix;
    // What was decoded before a failure may still hold the header.
    fs.ReadDecodedPrefix(JoinPath(dir, name), kRinexHeaderMaxBytes,
                         std::ref(end_of_header), &prefix);
    const RinexKind kind = ReadRinexHeader(prefix.bytes, prefix.complete).kind;
    if (kind != RinexKind::kObservation && kind != RinexKind::kUnreadable) {
      continue;
    }
    const RinexPlaceAndDay found = ReadRinexPlaceAndDay(prefix.bytes);
    if (found.approx_xyz && !seen.place) {
      const auto& [x, y, z] = *found.approx_xyz;
      seen.place = EcefToGrs80(x, y, z);
    }
    if (found.first_obs) {
      if (std::optional<std::int64_t> day =
              DayNumber(found.first_obs->year, found.first_obs->month,
                        found.first_obs->day)) {
        seen.days.push_back(*day);
      }
    }
  }
  return seen;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The far and other-day checks of the photos of one point (`first` to
// `last` in `photos`).
void CheckPlaceAndDay(FileSystem& fs, DossierScan* scan,
                      const std::vector<PhotoRef>& photos, std::size_t first,
                      std::size_t last, const EvidenceLimits& limits,
                      const std::atomic<bool>* stop) {
  std::vector<double> lats, lons;
  bool any_day = false;
  for (std::size_t i = first; i < last; ++i) {
    if (photos[i].gps) {
      lats.push_back(photos[i].gps->latitude);
      lons.push_back(photos[i].gps->longitude);
    }
    any_day = any_day || photos[i].day.has_value();
  }
  if (lats.empty() && !any_day) return;
  const Observed seen =
      ReadObserved(fs, scan->points[photos[first].point], stop);
  std::optional<GeoPoint> centre = seen.place;
  // Two photos cannot tell which of them is astray; three can.
  if (!centre && lats.size() >= 3)
    centre = GeoPoint{Median(lats), Median(lons)};
  for (std::size_t i = first; i < last; ++i) {
    const PhotoRef& r = photos[i];
    if (centre && r.gps) {
      const double d = GroundDistanceM(*centre, *r.gps);
      if (d > limits.max_distance_m) {
        FileOf(scan, r).warnings.push_back(FarPhotoText(d));
      }
    }
    if (r.day && !seen.days.empty()) {
      std::int64_t nearest = *r.day - seen.days.front();
      for (const std::int64_t obs : seen.days) {
        if (std::llabs(*r.day - obs) < std::llabs(nearest)) {
          nearest = *r.day - obs;
        }
      }
      if (std::llabs(nearest) > limits.max_days) {
        FileOf(scan, r).warnings.push_back(OtherDayText(*r.day, nearest));
      }
    }
  }
}

}  // namespace

GeoPoint EcefToGrs80(double x, double y, double z) {
  // Bowring's start, then a few fixed-point steps: millimetres after two.
  const double p = std::hypot(x, y);
  double lat = std::atan2(z, p * (1 - kE2));
  for (int i = 0; i < 5; ++i) {
    const double n = kA / std::sqrt(1 - kE2 * std::sin(lat) * std::sin(lat));
    const double h = p > 1 ? p / std::cos(lat) - n : std::fabs(z) - n;
    lat = std::atan2(z, p * (1 - kE2 * n / (n + h)));
  }
  return {lat / kRad, std::atan2(y, x) / kRad};
}

double GroundDistanceM(GeoPoint a, GeoPoint b) {
  const Xyz p = Grs80ToEcef(a), q = Grs80ToEcef(b);
  const double chord =
      std::sqrt((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) +
                (p.z - q.z) * (p.z - q.z));
  return 2 * kMeanRadius * std::asin(std::min(1.0, chord / (2 * kMeanRadius)));
}

std::string FarPhotoText(double metres) {
  char buf[32];
  const double rounded = std::round(metres);
  std::to_chars_result res;
  std::string unit;
  if (rounded < 1000) {
    res = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(rounded));
    unit = " M";
  } else {
    res = std::to_chars(buf, buf + sizeof buf, metres / 1000,
                        std::chars_format::fixed, 1);
    unit = " KM";
  }
  std::string number(buf, res.ptr);
  std::replace(number.begin(), number.end(), '.', ',');
  return "FOTO A " + number + unit + " DEL PUNTO";
}

std::optional<std::int64_t> DayNumber(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || year < 1 || year > 9999) {
    return std::nullopt;
  }
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30,
                                  31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] + (month == 2 && leap)) return std::nullopt;
  // Days from civil (proleptic Gregorian), 1970-01-01 as 0.
  const std::int64_t y = year - (month <= 2);
  const std::int64_t era = y / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy =
      (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::optional<std::int64_t> ExifDay(std::string_view taken) {
  if (taken.size() < 10 || taken[4] != ':' || taken[7] != ':' ||
      (taken.size() > 10 && taken[10] != ' ')) {
    return std::nullopt;
  }
  int y = 0, m = 0, d = 0;
  if (!ParseInt(taken.substr(0, 4), &y) || !ParseInt(taken.substr(5, 2), &m) ||
      !ParseInt(taken.substr(8, 2), &d)) {
    return std::nullopt;
  }
  return DayNumber(y, m, d);
}

std::string OtherDayText(std::int64_t photo_day, std::int64_t days) {
  int y = 0, m = 0, d = 0;
  CivilFromDays(photo_day, &y, &m, &d);
  const std::int64_t n = std::llabs(days);
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, n);
  char year[8];
  const auto yres = std::to_chars(year, year + sizeof year, y);
  return "FOTO DEL " + TwoDigits(d) + "/" + TwoDigits(m) + "/" +
         std::string(year, yres.ptr) + ", " + std::string(buf, res.ptr) +
         (n == 1 ? " DÍA " : " DÍAS ") +
         (days < 0 ? "ANTES DE" : "DESPUÉS DE") + " LA OBSERVACIÓN";
}

std::optional<std::size_t> JpegImageDataOffset(std::string_view bytes,
                                               std::size_t* need) {
  if (need) *need = 0;
  const auto at = [&](std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
  };
  if (bytes.size() < 2 || at(0) != 0xFF || at(1) != 0xD8) return std::nullopt;
  std::size_t pos = 2;
  for (;;) {
    if (pos < bytes.size() && at(pos) != 0xFF) return std::nullopt;
    if (pos + 1 < bytes.size() && at(pos + 1) == 0xFF) {  // a fill byte
      ++pos;
      continue;
    }
    if (pos + 4 > bytes.size()) {
      if (need) *need = pos + 4;
      return std::nullopt;
    }
    const unsigned char marker = at(pos + 1);
    if (!((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE)) return pos;
    const std::size_t length = at(pos + 2) << 8 | at(pos + 3);
    if (length < 2) return std::nullopt;
    pos += 2 + length;
  }
}

void FindPhotoEvidence(FileSystem& fs, DossierScan* scan,
                       const EvidenceLimits& limits,
                       const PhotoTagReader& read_tags,
                       const std::atomic<bool>* stop) {
  std::vector<PhotoRef> photos;
  std::vector<std::size_t> point_start;
  for (std::size_t p = 0; p < scan->points.size(); ++p) {
    point_start.push_back(photos.size());
    const PointDossier& point = scan->points[p];
    // The last stage holds videos.
    for (std::size_t s = 0; s < point.stages.size() && s + 1 < kPhotoStages;
         ++s) {
      const std::vector<FoundFile>& files = point.stages[s].files;
      for (std::size_t f = 0; f < files.size(); ++f) {
        if (Stopped(stop)) return;
        const FoundFile& file = files[f];
        if (!IsPhotoKind(file.kind) || file.kind == FileKind::kUnreadable) {
          continue;
        }
        PhotoRef ref;
        ref.point = p;
        ref.stage = s;
        ref.file = f;
        if (file.kind == FileKind::kJpeg)
          ReadJpegHead(fs, file, read_tags, &ref);
        if (file.size > ref.offset && file.size <= kMaxComparedPhotoBytes) {
          ref.content = file.size - ref.offset;
        }
        photos.push_back(ref);
      }
    }
  }
  point_start.push_back(photos.size());
  FindSamePhotos(fs, scan, photos, stop);
  for (std::size_t p = 0; p + 1 < point_start.size(); ++p) {
    if (Stopped(stop)) return;
    if (point_start[p] < point_start[p + 1]) {
      CheckPlaceAndDay(fs, scan, photos, point_start[p], point_start[p + 1],
                       limits, stop);
    }
  }
  for (PointDossier& point : scan->points) {
    for (std::size_t s = 0; s < point.stages.size(); ++s) {
      for (const FoundFile& file : point.stages[s].files) {
        for (const std::string& text : file.warnings) {
          point.warnings.push_back(std::string(subcarpetas_fotos[s]) + " / " +
                                   file.name + ": " + text);
        }
      }
    }
  }
}

}  // namespace zarvek
