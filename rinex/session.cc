#include "rinex/session.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstddef>

namespace zarvek {

// The fields of one epoch line.
struct EpochLine {
  bool dated = false;
  std::int64_t time = 0;  // ticks since 1970 in the file's time system
  int flag = 0;
  int count = 0;
  std::string_view satellites;  // what follows the count on the line
};

namespace {

constexpr std::string_view kSystemOrder = "GRECJSI";
// A CRINEX epoch line: the epoch, the reserved columns and the satellites.
constexpr std::size_t kMaxCrinexLine = 41 + 3 * kMaxEpochItems + 40;
constexpr int kMaxHeaderLines = 1000;
constexpr int kMaxObservationTypes = 99;

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return line;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string_view Field(std::string_view line, std::size_t at,
                       std::size_t width) {
  if (at >= line.size()) return {};
  return line.substr(at, width);
}

// The record label of a header line: columns 61-80, blanks trimmed.
std::string_view Label(std::string_view line) {
  return Trim(Field(line, 60, 20));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlankText(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

// A right-aligned whole number (leading blanks only); false for anything
// else, a blank field included.
bool ParseCount(std::string_view field, int* out) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  if (field.empty() || !IsDigit(field.front())) return false;
  const auto [end, ec] =
      std::from_chars(field.data(), field.data() + field.size(), *out);
  return ec == std::errc() && end == field.data() + field.size();
}

// The seconds of an epoch, F11.7 ("30.0000000" right-aligned in 11
// columns, the point in the fourth), as ticks.
bool ParseSeconds(std::string_view field, std::int64_t* ticks) {
  if (field.size() != 11 || field[3] != '.') return false;
  int whole = 0, fraction = 0;
  const std::string_view digits = field.substr(4);
  if (!ParseCount(field.substr(0, 3), &whole) || whole > 60 ||
      !std::all_of(digits.begin(), digits.end(), IsDigit) ||
      !ParseCount(digits, &fraction)) {
    return false;
  }
  *ticks = whole * kTicksPerSecond + fraction;
  return true;
}

std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return std::int64_t{era} * 146097 + doe - 719468;
}

int DaysInMonth(int y, int m) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// GPS time less UTC, from the UTC days on which it grew by one second.
int GpsLeapSeconds(std::int64_t gps_ticks) {
  constexpr int kSteps[][3] = {
      {1981, 7, 1}, {1982, 7, 1}, {1983, 7, 1}, {1985, 7, 1}, {1988, 1, 1},
      {1990, 1, 1}, {1991, 1, 1}, {1992, 7, 1}, {1993, 7, 1}, {1994, 7, 1},
      {1996, 1, 1}, {1997, 7, 1}, {1999, 1, 1}, {2006, 1, 1}, {2009, 1, 1},
      {2012, 7, 1}, {2015, 7, 1}, {2017, 1, 1}};
  for (int n = static_cast<int>(std::size(kSteps)); n > 0; --n) {
    const auto* s = kSteps[n - 1];
    const std::int64_t day = DaysFromCivil(s[0], s[1], s[2]) * 86400;
    if (gps_ticks - n * kTicksPerSecond >= day * kTicksPerSecond) return n;
  }
  return 0;
}

// Where the fields of an epoch line lie (0-based columns).
struct Layout {
  std::size_t year, year_width, month, day, hour, minute, second, flag, count,
      satellites;
  std::array<std::size_t, 7> blanks;  // columns that must hold a blank
  std::size_t min_length;
};
// " yy mm dd hh mm ss.sssssss  f nnn" then the satellites (column 0 is
// checked by the caller: CRINEX 1 writes "&" there).
constexpr Layout kRinex2Layout = {
    1, 2, 4, 7, 10, 13, 15, 28, 29, 32, {3, 6, 9, 12, 26, 27, 27}, 32};
// "> yyyy mm dd hh mm ss.sssssss  f nnn", CRINEX 3 satellites in column 41.
constexpr Layout kRinex3Layout = {
    2, 4, 7, 10, 13, 16, 18, 31, 32, 41, {1, 6, 9, 12, 15, 29, 30}, 35};

// An epoch of the file's time system in UTC. GPS, Galileo, QZSS and IRNSS
// time run ahead of UTC by the leap seconds since 1980, BeiDou time by 14
// fewer; GLONASS epochs are written in UTC.
std::int64_t ToUtc(std::int64_t ticks, std::string_view system) {
  if (system == "GLO" || system == "UTC") return ticks;
  std::int64_t leap = GpsLeapSeconds(ticks);
  if (system == "BDT") leap -= 14;  // BeiDou time began at GPS - 14 s
  return ticks - leap * kTicksPerSecond;
}

// The date and time of an epoch line; false when any field is wrong.
bool ParseEpochTime(std::string_view line, const Layout& l,
                    std::int64_t* ticks) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  std::int64_t sec = 0;
  if (!ParseCount(line.substr(l.year, l.year_width), &y) ||
      !ParseCount(line.substr(l.month, 2), &mo) ||
      !ParseCount(line.substr(l.day, 2), &d) ||
      !ParseCount(line.substr(l.hour, 2), &h) ||
      !ParseCount(line.substr(l.minute, 2), &mi) ||
      !ParseSeconds(line.substr(l.second, 11), &sec)) {
    return false;
  }
  if (l.year_width == 2) y += y < 80 ? 2000 : 1900;
  if (y < 1980 || y > 2200 || mo < 1 || mo > 12 || d < 1 ||
      d > DaysInMonth(y, mo) || h > 23 || mi > 59) {
    return false;
  }
  *ticks =
      ((DaysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60 * kTicksPerSecond +
      sec;
  return true;
}

// An epoch line laid out as `l`. The date may be blank only in an event
// record (flags 2-5), whose time may be unknown.
bool ParseEpochLine(std::string_view line, const Layout& l, EpochLine* out) {
  if (line.size() < l.min_length) return false;
  for (std::size_t column : l.blanks) {
    if (line[column] != ' ') return false;
  }
  const char flag = line[l.flag];
  if (flag < '0' || flag > '6' ||
      !ParseCount(line.substr(l.count, 3), &out->count) ||
      out->count > kMaxEpochItems) {
    return false;
  }
  out->flag = flag - '0';
  out->satellites = Field(line, l.satellites, std::string_view::npos);
  out->dated = ParseEpochTime(line, l, &out->time);
  if (out->dated) return true;
  const bool event = out->flag >= 2 && out->flag <= 5;
  return event && IsBlankText(line.substr(0, l.flag).substr(1)) &&
         IsBlankText(out->satellites);
}

// "G05", "R12"; in RINEX 2 a blank system is GPS and the number may be
// written " 5". The system letter, or 0 when `id` is not a satellite.
char SatelliteSystem(std::string_view id) {
  if (id.size() < 3 || !IsDigit(id[2]) || !(IsDigit(id[1]) || id[1] == ' ')) {
    return 0;
  }
  const char system = id[0] == ' ' ? 'G' : id[0];
  return kSystemOrder.find(system) == std::string_view::npos ? 0 : system;
}

// The frequency band of an observation type whose code or phase it is
// ("L2", "C1C", "P2"), 0 for others (Doppler, signal strength).
int Band(std::string_view type, std::string_view kinds) {
  if (type.size() < 2 || kinds.find(type[0]) == std::string_view::npos ||
      type[1] < '1' || type[1] > '9') {
    return 0;
  }
  return type[1] - '0';
}

}  // namespace

void SessionReader::Feed(std::string_view line) {
  line = WithoutLineEnd(line);
  switch (stage_) {
    case Stage::kFirstLine: {
      const std::string_view label = Label(line);
      stage_ = Stage::kHeader;
      if (label.starts_with("CRINEX VERS")) {
        format_ = Format::kCrinex1;  // the RINEX version line decides
      } else if (label == "RINEX VERSION / TYPE") {
        HeaderLine(line);
      } else {
        stage_ = Stage::kDone;
      }
      return;
    }
    case Stage::kHeader:
      if (++header_lines_ > kMaxHeaderLines) {
        stage_ = Stage::kDone;
      } else if (Label(line) == "END OF HEADER") {
        s_.observation = version_seen_ && observation_type_;
        stage_ = s_.observation ? Stage::kData : Stage::kDone;
        if (time_system_.empty()) {
          time_system_ = file_system_ == 'R'   ? "GLO"
                         : file_system_ == 'C' ? "BDT"
                                               : "GPS";
        }
      } else {
        HeaderLine(line);
      }
      return;
    case Stage::kData:
      if (format_ == Format::kRinex2) DataRinex2(line);
      if (format_ == Format::kRinex3) DataRinex3(line);
      if (format_ == Format::kCrinex1 || format_ == Format::kCrinex3) {
        DataCrinex(line);
      }
      return;
    case Stage::kDone:
      return;
  }
}

void SessionReader::HeaderLine(std::string_view line) {
  const std::string_view label = Label(line);
  if (label == "RINEX VERSION / TYPE") {
    const std::string_view version = Trim(Field(line, 0, 20));
    const bool crinex =
        format_ == Format::kCrinex1 || format_ == Format::kCrinex3;
    if (version.starts_with("2")) {
      format_ = crinex ? Format::kCrinex1 : Format::kRinex2;
    } else if (version.starts_with("3") || version.starts_with("4")) {
      format_ = crinex ? Format::kCrinex3 : Format::kRinex3;
    } else {
      return;
    }
    version_seen_ = true;
    observation_type_ = Field(line, 20, 1) == "O";
    const std::string_view system = Field(line, 40, 1);
    if (!system.empty() && system != " ") file_system_ = system[0];
  } else if (label == "TIME OF FIRST OBS") {
    time_system_ = std::string(Trim(Field(line, 48, 3)));
  } else {
    ObservationTypes(line);
  }
}

// "# / TYPES OF OBSERV" (RINEX 2: a count, then nine types of six columns a
// line) and "SYS / # / OBS TYPES" (RINEX 3/4: a system, a count, then 13
// types of four columns a line); both continue on lines without a count.
void SessionReader::ObservationTypes(std::string_view line) {
  const std::string_view label = Label(line);
  int count = 0;
  if (label == "# / TYPES OF OBSERV") {
    if (ParseCount(Field(line, 0, 6), &count)) {
      rinex2_types_ = std::min(count, kMaxObservationTypes);
      rinex2_types_pending_ = rinex2_types_;
      rinex2_bands_ = 0;
      records_per_satellite_ = std::max(1, (rinex2_types_ + 4) / 5);
    }
    for (int i = 0; i < 9 && rinex2_types_pending_ > 0; ++i) {
      --rinex2_types_pending_;
      const int band = Band(Trim(Field(line, 6 + 6 * i, 6)), "CPL");
      if (band) rinex2_bands_ |= 1u << band;
    }
    if (std::popcount(rinex2_bands_) >= 2) s_.dual_frequency = true;
  } else if (label == "SYS / # / OBS TYPES") {
    if (Field(line, 0, 1) != " " && ParseCount(Field(line, 3, 3), &count)) {
      rinex3_types_pending_ = std::min(count, kMaxObservationTypes);
      rinex3_sys_bands_ = 0;
    }
    for (int i = 0; i < 13 && rinex3_types_pending_ > 0; ++i) {
      --rinex3_types_pending_;
      const int band = Band(Field(line, 7 + 4 * i, 3), "CL");
      if (band) rinex3_sys_bands_ |= 1u << band;
    }
    if (std::popcount(rinex3_sys_bands_) >= 2) s_.dual_frequency = true;
  }
}

// Counts an epoch at `time` unless it is not later than the last one.
bool SessionReader::CountEpoch(std::int64_t time) {
  const std::int64_t utc = ToUtc(time, time_system_);
  if (have_last_ && utc <= s_.last) return false;
  if (have_last_) {
    NoteStep(utc - s_.last);
  } else {
    s_.first = utc;
    have_last_ = true;
  }
  s_.last = utc;
  ++s_.epochs;
  return true;
}

void SessionReader::NoteStep(std::int64_t step) {
  s_.longest_step = std::max(s_.longest_step, step);
  StepCount* least = &steps_[0];
  for (StepCount& slot : steps_) {
    if (slot.count > 0 && slot.step == step) {
      ++slot.count;
      return;
    }
    if (slot.count < least->count) least = &slot;
  }
  least->step = step;
  ++least->count;
}

void SessionReader::NoteSatellite(char system) {
  const std::size_t bit = kSystemOrder.find(system);
  if (bit != std::string_view::npos) systems_ |= 1u << bit;
}

// The satellites listed on an epoch line (or a continuation of it), at
// most `count` of them.
void SessionReader::NoteSatelliteList(std::string_view list, int count) {
  for (int i = 0; i < count && 3u * i + 3 <= list.size(); ++i) {
    NoteSatellite(SatelliteSystem(list.substr(3 * i, 3)));
  }
}

// What follows an epoch line: its satellites' records, its event lines, or
// (RINEX 2 with more than 12 satellites) the rest of its list.
void SessionReader::BeginEpoch(const EpochLine& epoch) {
  const bool crinex =
      format_ == Format::kCrinex1 || format_ == Format::kCrinex3;
  if (epoch.flag >= 2 && epoch.flag <= 5) {
    counting_ = false;
    expect_ = epoch.count > 0 ? Expect::kEvent : Expect::kEpoch;
    pending_ = epoch.count;
    return;
  }
  counting_ = epoch.flag <= 1 && epoch.dated && CountEpoch(epoch.time);
  epoch_satellites_ = 0;
  epoch_count_ = epoch.count;
  pending_ = epoch.count;
  if (format_ == Format::kRinex3) {
    expect_ = Expect::kRecords;
    return;
  }
  const int listed = crinex ? epoch.count : std::min(epoch.count, 12);
  if (counting_) {
    s_.satellite_sum += epoch.count;
    NoteSatelliteList(epoch.satellites, listed);
  }
  if (crinex) {
    expect_ = Expect::kClock;
  } else if (epoch.count > 12) {
    expect_ = Expect::kSatellites;
    pending_ = (epoch.count - 1) / 12;
    epoch_satellites_ = epoch.count - 12;  // still to list
  } else {
    expect_ = epoch.count > 0 ? Expect::kRecords : Expect::kEpoch;
    pending_ = epoch.count * records_per_satellite_;
  }
}

void SessionReader::DataRinex2(std::string_view line) {
  if (expect_ == Expect::kSatellites && line.size() > 32 &&
      IsBlankText(line.substr(0, 32))) {
    if (counting_) {
      NoteSatelliteList(line.substr(32), std::min(epoch_satellites_, 12));
    }
    epoch_satellites_ -= 12;
    if (--pending_ == 0) {
      pending_ = epoch_count_ * records_per_satellite_;
      expect_ = Expect::kRecords;
    }
    return;
  }
  EpochLine epoch;
  const bool is_epoch = !line.empty() && line[0] == ' ' &&
                        ParseEpochLine(line, kRinex2Layout, &epoch);
  if ((expect_ == Expect::kRecords || expect_ == Expect::kEvent) &&
      !(is_epoch && epoch.dated)) {
    // A record of the epoch, unless an epoch line turns up early: then the
    // epoch was cut short and reading goes on from the new one.
    if (expect_ == Expect::kEvent) ObservationTypes(line);
    if (--pending_ <= 0) expect_ = Expect::kEpoch;
    return;
  }
  if (is_epoch) {
    BeginEpoch(epoch);
  } else {
    ++s_.unread_lines;
    expect_ = Expect::kEpoch;
  }
}

void SessionReader::DataRinex3(std::string_view line) {
  if (!line.empty() && line[0] == '>') {
    EpochLine epoch;
    if (ParseEpochLine(line, kRinex3Layout, &epoch)) {
      BeginEpoch(epoch);
    } else {
      ++s_.unread_lines;
      expect_ = Expect::kEpoch;
      counting_ = false;
    }
    return;
  }
  if (expect_ == Expect::kEvent) {
    ObservationTypes(line);
    if (--pending_ <= 0) expect_ = Expect::kEpoch;
    return;
  }
  // Each satellite's record starts with its id: the records are counted as
  // they come, whatever the epoch line announced, up to the bound.
  const char system = SatelliteSystem(Field(line, 0, 3));
  if (expect_ == Expect::kRecords && system != 0 && line[0] != ' ' &&
      epoch_satellites_ < kMaxEpochItems) {
    ++epoch_satellites_;
    if (counting_) {
      ++s_.satellite_sum;
      NoteSatellite(system);
    }
    return;
  }
  ++s_.unread_lines;
}

// A CRINEX epoch line is written whole when it starts a series ("&" in
// column 1 for CRINEX 1, ">" for CRINEX 3) and otherwise as its difference
// from the one before: a blank keeps the character, "&" makes it a blank,
// anything else replaces it. The observation lines that follow are
// differences too, but only their number is needed: the clock line, then
// one line per satellite.
void SessionReader::DataCrinex(std::string_view line) {
  const char start = format_ == Format::kCrinex1 ? '&' : '>';
  if (!line.empty() && line[0] == start) {
    if (line.size() > kMaxCrinexLine) {
      crinex_line_.clear();
      expect_ = Expect::kLost;
      ++s_.unread_lines;
      return;
    }
    crinex_line_.assign(line);
    DecodeCrinexLine();
    return;
  }
  switch (expect_) {
    case Expect::kEpoch:
      if (RebuildCrinexLine(line)) {
        DecodeCrinexLine();
      } else {
        crinex_line_.clear();
        expect_ = Expect::kLost;
        ++s_.unread_lines;
      }
      return;
    case Expect::kClock:
      expect_ = pending_ > 0 ? Expect::kRecords : Expect::kEpoch;
      return;
    case Expect::kEvent:
      ObservationTypes(line);
      [[fallthrough]];
    case Expect::kRecords:
      if (--pending_ <= 0) expect_ = Expect::kEpoch;
      return;
    case Expect::kSatellites:
    case Expect::kLost:
      ++s_.unread_lines;
      return;
  }
}

bool SessionReader::RebuildCrinexLine(std::string_view diff) {
  if (crinex_line_.empty() || diff.size() > kMaxCrinexLine) return false;
  if (crinex_line_.size() < diff.size()) crinex_line_.resize(diff.size(), ' ');
  for (std::size_t i = 0; i < diff.size(); ++i) {
    if (diff[i] == '&') {
      crinex_line_[i] = ' ';
    } else if (diff[i] != ' ') {
      crinex_line_[i] = diff[i];
    }
  }
  return true;
}

// Reads the rebuilt epoch line. A CRINEX epoch line lists all its
// satellites on the line itself; one that does not cannot be the reference
// of the next difference, so reading waits for a whole line.
void SessionReader::DecodeCrinexLine() {
  const bool v1 = format_ == Format::kCrinex1;
  EpochLine epoch;
  const bool parsed =
      ParseEpochLine(crinex_line_, v1 ? kRinex2Layout : kRinex3Layout, &epoch);
  const bool event = epoch.flag >= 2 && epoch.flag <= 5;
  if (parsed && (event || epoch.satellites.size() >= 3u * epoch.count)) {
    BeginEpoch(epoch);
    return;
  }
  crinex_line_.clear();
  expect_ = Expect::kLost;
  counting_ = false;
  ++s_.unread_lines;
}

Session SessionReader::Finish() const {
  Session s = s_;
  for (std::size_t i = 0; i < kSystemOrder.size(); ++i) {
    if (systems_ & (1u << i)) s.systems += kSystemOrder[i];
  }
  const StepCount* best = nullptr;
  for (const StepCount& slot : steps_) {
    if (slot.count == 0) continue;
    if (!best || slot.count > best->count ||
        (slot.count == best->count && slot.step < best->step)) {
      best = &slot;
    }
  }
  s.interval = best ? best->step : 0;
  s.expected = s.interval > 0 ? (s.last - s.first) / s.interval + 1 : s.epochs;
  s.longest_gap = std::max<std::int64_t>(0, s.longest_step - s.interval);
  return s;
}

Session JoinSessions(const std::vector<Session>& files) {
  std::vector<const Session*> used;
  // The same session twice (a file and its compressed copy) counts once.
  const auto same = [](const Session* a, const Session* b) {
    return a->first == b->first && a->last == b->last &&
           a->epochs == b->epochs && a->interval == b->interval;
  };
  for (const Session& f : files) {
    if (!f.observation || f.epochs == 0) continue;
    if (std::none_of(used.begin(), used.end(),
                     [&](const Session* u) { return same(u, &f); })) {
      used.push_back(&f);
    }
  }
  Session s;
  s.observation = !used.empty();
  if (used.empty()) return s;
  std::sort(used.begin(), used.end(), [](const Session* a, const Session* b) {
    return a->first < b->first;
  });
  const Session* main = used.front();
  s.first = used.front()->first;
  s.last = used.front()->last;
  for (const Session* f : used) {
    if (f != used.front() && f->first > s.last) {
      s.longest_step = std::max(s.longest_step, f->first - s.last);
    }
    s.last = std::max(s.last, f->last);
    s.longest_step = std::max(s.longest_step, f->longest_step);
    s.epochs += f->epochs;
    s.satellite_sum += f->satellite_sum;
    s.unread_lines += f->unread_lines;
    s.dual_frequency = s.dual_frequency || f->dual_frequency;
    for (char c : f->systems) {
      if (s.systems.find(c) == std::string::npos) s.systems += c;
    }
    if (f->epochs > main->epochs ||
        (f->epochs == main->epochs && f->interval < main->interval)) {
      main = f;
    }
  }
  std::string ordered;
  for (char c : kSystemOrder) {
    if (s.systems.find(c) != std::string::npos) ordered += c;
  }
  s.systems = ordered;
  s.interval = main->interval;
  if (s.interval > 0) {
    s.expected = (s.last - s.first) / s.interval + 1;
    s.epochs = std::min(s.epochs, s.expected);
  } else {
    s.expected = s.epochs;
  }
  s.longest_gap = std::max<std::int64_t>(0, s.longest_step - s.interval);
  return s;
}

namespace {

void AppendNumber(std::string& out, std::int64_t n, int min_digits = 1) {
  char buffer[24];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, n);
  for (int pad = min_digits - static_cast<int>(r.ptr - buffer); pad > 0; --pad)
    out += '0';
  out.append(buffer, r.ptr);
}

}  // namespace

std::string FormatSession(const Session& session) {
  if (!session.observation || session.epochs == 0) return "SIN ÉPOCAS";
  std::string out;
  const std::int64_t minutes =
      (session.last - session.first + session.interval) /
      (60 * kTicksPerSecond);
  if (minutes >= 60) {
    AppendNumber(out, minutes / 60);
    out += " h ";
    AppendNumber(out, minutes % 60, 2);
  } else {
    AppendNumber(out, minutes);
  }
  out += " min · ";
  if (session.interval > 0) {
    AppendNumber(out, session.interval / kTicksPerSecond);
    std::int64_t fraction = session.interval % kTicksPerSecond;
    if (fraction != 0) {
      int digits = 7;
      while (fraction % 10 == 0) fraction /= 10, --digits;
      out += '.';
      AppendNumber(out, fraction, digits);
    }
    out += " s · ";
  } else {
    out += "— · ";
  }
  const std::int64_t expected = std::max(session.expected, session.epochs);
  AppendNumber(out, session.epochs * 100 / expected);
  out += " %";
  return out;
}

}  // namespace zarvek
