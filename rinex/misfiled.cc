#include "rinex/misfiled.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <utility>

namespace zarvek {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Beyond this on any axis a position is not on the Earth, nor near it.
constexpr double kMaxAxisMetres = 1e8;
// The most of a header field quoted in a finding (MARKER NAME is 60
// columns wide).
constexpr std::size_t kMaxQuoted = 60;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char Upper(char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return Upper(x) == Upper(y); });
}

// A header field as a finding quotes it: printable ASCII only, so that a
// damaged header cannot break the line it is shown on.
std::string Quoted(std::string_view field) {
  std::string out;
  for (char c : field.substr(0, kMaxQuoted)) {
    out += (c >= ' ' && c <= '~') ? c : '?';
  }
  return out;
}

// `pattern` with its "{}" replaced by `value`.
std::string Fill(std::string_view pattern, std::string_view value) {
  const std::size_t at = pattern.find("{}");
  std::string out(pattern.substr(0, at));
  if (at == std::string_view::npos) return out;
  out += value;
  out += pattern.substr(at + 2);
  return out;
}

std::string Integer(std::int64_t value) {
  char buf[24];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Twice the median of `values` (the sum of the two middle ones when their
// count is even), so that it stays an integer. REQUIRES: values not empty.
std::int64_t TwiceMedian(std::vector<std::int64_t> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? 2 * values[n / 2] : values[n / 2 - 1] + values[n / 2];
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::optional<std::int64_t> DayOf(const ObservationFileFacts& file) {
  if (!file.first_epoch_utc_s) return std::nullopt;
  return FloorDiv(*file.first_epoch_utc_s, kSecondsPerDay);
}

std::optional<std::array<double, 3>> PositionOf(
    const ObservationFileFacts& file) {
  if (!file.approx_xyz) return std::nullopt;
  const std::array<double, 3>& p = *file.approx_xyz;
  bool zero = true;
  for (double v : p) {
    if (!std::isfinite(v) || std::fabs(v) > kMaxAxisMetres) return std::nullopt;
    zero = zero && v == 0.0;
  }
  if (zero) return std::nullopt;
  return p;
}

void Add(PointMisfiled& point, MisfiledKind kind, std::string what,
         std::string_view file) {
  point.findings.push_back({kind, std::move(what) + ": " + std::string(file)});
}

}  // namespace

bool MarkerNameNamesPoint(std::string_view marker, std::string_view code) {
  marker = Trim(marker);
  if (marker.empty()) return true;
  const std::string_view want = WithoutLeadingZeros(Trim(code));
  if (want.empty() || !std::all_of(want.begin(), want.end(), IsDigit)) {
    return false;
  }
  for (std::size_t i = 0; i < marker.size();) {
    if (!IsDigit(marker[i])) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < marker.size() && IsDigit(marker[j])) ++j;
    if (WithoutLeadingZeros(marker.substr(i, j - i)) == want) return true;
    i = j;
  }
  return false;
}

std::string CatalogueModelOfAntenna(std::string_view antenna_type,
                                    const Catalogue& catalogue) {
  std::vector<std::string> words;
  std::string word;
  for (char c : antenna_type) {
    if (IsAlnum(c)) {
      word += Upper(c);
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));

  auto joined_upper = [](std::string_view s) {
    std::string out;
    for (char c : s) {
      if (c != ' ') out += Upper(c);
    }
    return out;
  };
  for (const auto& [name, spec] : catalogue) {
    const std::string targets[] = {joined_upper(spec.alias),
                                   joined_upper(name)};
    for (std::size_t i = 0; i < words.size(); ++i) {
      std::string run;
      for (std::size_t j = i; j < words.size(); ++j) {
        run += words[j];
        for (const std::string& target : targets) {
          if (!target.empty() && run == target) return name;
        }
        if (run.size() >= targets[1].size()) break;
      }
    }
  }
  return {};
}

namespace {

// Where and when the project was observed: the median of its points' first
// days and of their positions.
struct ProjectCentre {
  bool have_days = false;
  std::int64_t twice_median_day = 0;
  std::optional<std::array<double, 3>> position;
};

ProjectCentre CentreOf(const std::vector<PointFiles>& points) {
  std::vector<std::int64_t> days;
  std::vector<double> xs, ys, zs;
  for (const PointFiles& point : points) {
    std::optional<std::int64_t> day;
    std::optional<std::array<double, 3>> position;
    for (const ObservationFileFacts& file : point.files) {
      if (const auto d = DayOf(file); d && (!day || *d < *day)) day = d;
      if (!position) position = PositionOf(file);
    }
    if (day) days.push_back(*day);
    if (position) {
      xs.push_back((*position)[0]);
      ys.push_back((*position)[1]);
      zs.push_back((*position)[2]);
    }
  }
  ProjectCentre centre;
  centre.have_days = !days.empty();
  if (centre.have_days) centre.twice_median_day = TwiceMedian(days);
  if (!xs.empty()) centre.position = {{Median(xs), Median(ys), Median(zs)}};
  return centre;
}

// Which points hold each fingerprint, and under which file name.
using Holders =
    std::map<std::string, std::vector<std::pair<std::size_t, std::string>>>;

Holders HoldersOf(const std::vector<PointFiles>& points) {
  Holders holders;
  for (std::size_t p = 0; p < points.size(); ++p) {
    for (const ObservationFileFacts& file : points[p].files) {
      if (file.observation_fingerprint.empty()) continue;
      holders[file.observation_fingerprint].emplace_back(p, file.name);
    }
  }
  return holders;
}

// A marker name that is not the point's, and files that disagree with the
// point's first on marker, antenna or receiver.
void CheckIdentity(const PointFiles& point, PointMisfiled& result) {
  const ObservationFileFacts& first = point.files.front();
  for (const ObservationFileFacts& file : point.files) {
    if (!MarkerNameNamesPoint(file.marker_name, point.code)) {
      Add(result, MisfiledKind::kMarkerName,
          Fill(kMisfiledMarker, Quoted(Trim(file.marker_name))), file.name);
    }
  }
  for (const ObservationFileFacts& file : point.files) {
    if (&file == &first) continue;
    if (!SameIgnoringCase(file.marker_name, first.marker_name)) {
      Add(result, MisfiledKind::kFilesDisagree,
          Fill(kMisfiledMarkerDiffers, first.name), file.name);
    }
    if (!SameIgnoringCase(file.antenna_type, first.antenna_type)) {
      Add(result, MisfiledKind::kFilesDisagree,
          Fill(kMisfiledAntennaDiffers, first.name), file.name);
    }
    if (!SameIgnoringCase(file.receiver_serial, first.receiver_serial)) {
      Add(result, MisfiledKind::kFilesDisagree,
          Fill(kMisfiledSerialDiffers, first.name), file.name);
    }
  }
}

// A catalogue antenna in a file that is not the row's receiver.
void CheckAntenna(const PointFiles& point, const Catalogue& catalogue,
                  PointMisfiled& result) {
  if (point.row_receiver.empty()) return;
  for (const ObservationFileFacts& file : point.files) {
    const std::string model =
        CatalogueModelOfAntenna(file.antenna_type, catalogue);
    if (!model.empty() && model != point.row_receiver) {
      Add(result, MisfiledKind::kOtherAntenna,
          Fill(kMisfiledOtherAntenna, model), file.name);
    }
  }
}

// Files observed far in time or in space from the project's centre.
void CheckFar(const PointFiles& point, const ProjectCentre& centre,
              PointMisfiled& result) {
  for (const ObservationFileFacts& file : point.files) {
    const auto day = centre.have_days ? DayOf(file) : std::nullopt;
    if (day) {
      const std::int64_t twice_off = 2 * *day - centre.twice_median_day;
      const std::int64_t twice_abs = twice_off < 0 ? -twice_off : twice_off;
      if (twice_abs > 2 * kMisfiledMaxDays) {
        Add(result, MisfiledKind::kFarInTime,
            Fill(kMisfiledFarInTime, Integer((twice_abs + 1) / 2)), file.name);
      }
    }
  }
  if (!centre.position) return;
  for (const ObservationFileFacts& file : point.files) {
    const auto position = PositionOf(file);
    if (!position) continue;
    const double dx = (*position)[0] - (*centre.position)[0];
    const double dy = (*position)[1] - (*centre.position)[1];
    const double dz = (*position)[2] - (*centre.position)[2];
    const double metres = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (metres > kMisfiledMaxMetres) {
      Add(result, MisfiledKind::kFarInSpace,
          Fill(kMisfiledFarInSpace, Integer(std::llround(metres / 1000.0))),
          file.name);
    }
  }
}

// Files of point `p` that other points hold too.
void CheckSameFiles(const std::vector<PointFiles>& points, std::size_t p,
                    Holders& holders, PointMisfiled& result) {
  for (const ObservationFileFacts& file : points[p].files) {
    if (file.observation_fingerprint.empty()) continue;
    std::string others;
    std::size_t count = 0;
    for (const auto& [other, other_name] :
         holders[file.observation_fingerprint]) {
      if (other == p) continue;
      if (++count > kMisfiledListedSameFiles) continue;
      if (!others.empty()) others += ", ";
      others += points[other].code + " (" + other_name + ")";
    }
    if (count == 0) continue;
    if (count > kMisfiledListedSameFiles) {
      others += " Y " +
                Integer(static_cast<std::int64_t>(count -
                                                  kMisfiledListedSameFiles)) +
                " MÁS";
    }
    Add(result, MisfiledKind::kSameFile, Fill(kMisfiledSameFile, others),
        file.name);
  }
}

}  // namespace

std::vector<PointMisfiled> CheckMisfiled(const std::vector<PointFiles>& points,
                                         const Catalogue& catalogue) {
  std::vector<PointMisfiled> out(points.size());
  const ProjectCentre centre = CentreOf(points);
  Holders holders = HoldersOf(points);
  for (std::size_t p = 0; p < points.size(); ++p) {
    const PointFiles& point = points[p];
    PointMisfiled& result = out[p];
    result.code = point.code;
    if (point.files.empty()) {
      result.findings.push_back(
          {MisfiledKind::kNoFiles, std::string(kMisfiledNoFiles)});
      continue;
    }
    CheckIdentity(point, result);
    CheckAntenna(point, catalogue, result);
    CheckFar(point, centre, result);
    CheckSameFiles(points, p, holders, result);
  }
  return out;
}

std::string WithMisfiledMark(std::string cell, const PointMisfiled& point) {
  if (point.findings.empty()) return cell;
  if (!cell.empty()) cell += ' ';
  cell += kMisfiledMark;
  return cell;
}

std::string MisfiledLine(const PointMisfiled& point) {
  if (point.findings.empty()) return {};
  std::string line = point.code + ": ";
  for (std::size_t i = 0; i < point.findings.size(); ++i) {
    if (i) line += "; ";
    line += point.findings[i].text;
  }
  line += '.';
  return line;
}

std::string WithMisfiledWarning(std::string text,
                                const std::vector<PointMisfiled>& points) {
  bool heading = false;
  for (const PointMisfiled& point : points) {
    if (point.findings.empty()) continue;
    if (!heading) {
      text += "\n\n";
      text += kMisfiledHeading;
      heading = true;
    }
    text += '\n';
    text += MisfiledLine(point);
  }
  return text;
}

}  // namespace zarvek
