// The observation session a RINEX file records, read from its epoch lines
// alone: when it started and ended, at what interval, how many epochs are
// there against those the interval promises, the longest stretch without
// data, which satellite systems were tracked and how many satellites on
// average, and whether the header declares two frequencies.
//
// The reader is fed the file's text one line at a time (plain RINEX 2.x,
// 3.x and 4.x, and Hatanaka CRINEX 1 and 3 files, whose epoch lines are
// rebuilt from their differences; the observations themselves are never
// decoded). It keeps running counts only, so its memory is the same for a
// file of ten epochs and one of a million, and it trusts no count written
// in the file beyond a small bound: a damaged line costs the epoch it
// belongs to, and reading picks up again at the next epoch line.
#ifndef ZARVEK_RINEX_SESSION_H_
#define ZARVEK_RINEX_SESSION_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvek {

/// Times and durations are counted in ticks of 100 ns, the resolution of
/// the epoch's seconds field (F11.7), so that every epoch is exact.
inline constexpr std::int64_t kTicksPerSecond = 10'000'000;

/// The most satellites (or event lines) one epoch line may announce. A
/// larger count is not a real receiver's and the line is not taken as an
/// epoch, so that no count in a file decides how much is skipped.
inline constexpr int kMaxEpochItems = 200;

struct EpochLine;  // an epoch line's fields, in session.cc

/// One file's session, or several files' joined (JoinSessions).
struct Session {
  /// The header was an observation header that ended with END OF HEADER.
  bool observation = false;
  /// Data epochs (flags 0 and 1) in time order; an epoch not later than
  /// the one before it (a repeated or misplaced record) is not counted.
  std::int64_t epochs = 0;
  /// First and last counted epoch in UTC, ticks since 1970-01-01 00:00:00
  /// (GPS, Galileo, QZSS, IRNSS and BeiDou times less their leap seconds).
  std::int64_t first = 0;
  std::int64_t last = 0;
  /// The most common step between consecutive epochs; 0 with fewer than
  /// two epochs.
  std::int64_t interval = 0;
  /// (last - first) / interval + 1, or `epochs` without an interval.
  std::int64_t expected = 0;
  /// The longest step between consecutive epochs, and the time it left
  /// without an epoch where one was due: the step less one interval (0
  /// when no epoch is missing).
  std::int64_t longest_step = 0;
  std::int64_t longest_gap = 0;
  /// The systems whose satellites were observed, in the order G R E C J S
  /// I ("GRE").
  std::string systems;
  /// Satellites summed over the counted epochs: the mean is
  /// satellite_sum / epochs.
  std::int64_t satellite_sum = 0;
  /// The header declares code or phase on two frequency bands (for one
  /// system, in RINEX 3/4).
  bool dual_frequency = false;
  /// Lines after the header that fitted nowhere (damage, garbage, records
  /// of a broken epoch); a sound file has none.
  std::int64_t unread_lines = 0;
};

/// Reads one file's session. Feed every line of the file in order, header
/// included, with or without its line end; then Finish. One reader serves
/// one file.
class SessionReader {
 public:
  void Feed(std::string_view line);
  Session Finish() const;

 private:
  enum class Stage { kFirstLine, kHeader, kData, kDone };
  enum class Format { kRinex2, kRinex3, kCrinex1, kCrinex3 };
  // What the lines after an epoch line are.
  enum class Expect {
    kEpoch,       // the next line should be an epoch line
    kSatellites,  // RINEX 2: continuation lines of the satellite list
    kClock,       // CRINEX: the clock offset line
    kRecords,     // observation lines of the current epoch
    kEvent,       // header lines of an event record
    kLost,        // CRINEX: no epoch line to rebuild the next one from
  };
  void HeaderLine(std::string_view line);
  void ObservationTypes(std::string_view line);
  void DataRinex2(std::string_view line);
  void DataRinex3(std::string_view line);
  void DataCrinex(std::string_view line);
  void BeginEpoch(const EpochLine& epoch);
  void NoteSatelliteList(std::string_view list, int count);
  bool CountEpoch(std::int64_t time);
  void NoteSatellite(char system);
  void NoteStep(std::int64_t step);
  bool RebuildCrinexLine(std::string_view diff);
  void DecodeCrinexLine();

  Stage stage_ = Stage::kFirstLine;
  Format format_ = Format::kRinex2;
  int header_lines_ = 0;
  char file_system_ = 'G';   // RINEX VERSION / TYPE column 41
  std::string time_system_;  // TIME OF FIRST OBS columns 49-51
  bool version_seen_ = false;
  bool observation_type_ = false;
  // RINEX 2: the number of observation types, hence lines per satellite.
  int rinex2_types_ = 0;
  int rinex2_types_pending_ = 0;  // more types to read on continuation lines
  std::uint32_t rinex2_bands_ = 0;
  std::uint32_t rinex3_sys_bands_ = 0;  // bands of the system being read
  int rinex3_types_pending_ = 0;

  Expect expect_ = Expect::kEpoch;
  int pending_ = 0;  // lines still expected in the current state
  int epoch_satellites_ = 0;
  int epoch_count_ = 0;  // satellites the epoch line announced
  int records_per_satellite_ = 1;
  bool counting_ = false;    // the current epoch is counted
  std::string crinex_line_;  // the last epoch line as CRINEX writes it

  Session s_;
  bool have_last_ = false;
  std::uint32_t systems_ = 0;
  // The most common steps, counted approximately in a few slots (each new
  // step takes the place of the least counted one, keeping its count), so
  // that any step taking more than an eighth of the file is found.
  struct StepCount {
    std::int64_t step = 0;
    std::int64_t count = 0;
  };
  std::array<StepCount, 8> steps_{};
};

/// A point's session from its files' sessions: the earliest first epoch,
/// the latest last one, the epochs summed (a session found twice, as in a
/// file and its compressed copy, once; and at most those expected, so that
/// overlapping files do not pass 100 %), the interval of the file with the
/// most epochs, and the longest step, files' own steps and the time
/// between one file's end and the next one's start alike. Files that are
/// not observation files or hold no epoch take no part.
Session JoinSessions(const std::vector<Session>& files);

/// The session as the dossier shows it, "2 h 05 min · 1 s · 99 %": the
/// time the epochs cover (last - first + interval) in whole minutes, the
/// interval in seconds (decimals as needed, with a point), the share of
/// expected epochs present rounded down. "SIN ÉPOCAS" when there is none.
std::string FormatSession(const Session& session);

}  // namespace zarvek

#endif  // ZARVEK_RINEX_SESSION_H_
