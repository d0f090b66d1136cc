// The header of a RINEX observation file, as far as the antenna height goes:
// whether the file is an observation file at all (recognised by its first
// header record, never by its name), its version, and the three numbers of
// its `ANTENNA: DELTA H/E/N` record, the vertical distance from the mark to
// the Antenna Reference Point first. The processing software takes the
// antenna height from that record, so a wrong DELTA H moves the point.
//
// Everything here works on bytes already unwrapped (gzip, compress, bzip2
// and zip are FileSystem's business) and never looks past
// `END OF HEADER`: records of the same names inside the data (event flags
// 2-5) are not the file's header. Those records hold for the epochs after
// them, so the DELTA H lines among them are found by FindDeltaHLines and
// corrected with the header's by CorrectDeltaHInPlace.
#ifndef ZARVEK_RINEX_RINEX_HEADER_H_
#define ZARVEK_RINEX_RINEX_HEADER_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"

namespace zarvek {

/// The most of a file's (unwrapped) text that is read for its header. A
/// header never comes near either bound; a file that passes them without
/// `END OF HEADER` is not read further, so that a 2 GB file or a
/// decompression bomb costs what a small file does.
inline constexpr std::size_t kRinexHeaderMaxLines = 1000;
inline constexpr std::size_t kRinexHeaderMaxBytes = 100 * 1024;

/// The most DELTA H lines a file's event records are taken with: a file
/// with more cannot be vouched for and is reported as unreadable, so that
/// no claim of a file decides the memory spent on it.
inline constexpr std::size_t kRinexMaxDeltaLines = 1000;

/// What the first bytes of a file are.
enum class RinexKind {
  kNotRinex,     ///< no RINEX or CRINEX first record: not a RINEX file
  kOtherRinex,   ///< a RINEX file of another type (navigation, meteo...)
  kObservation,  ///< an observation file whose header could be read
  kUnreadable,   ///< an observation file whose header is faulty (`reason`)
};

/// The header of one file, as ReadRinexHeader finds it.
struct RinexHeader {
  RinexKind kind = RinexKind::kNotRinex;
  /// Why the header cannot be used, in Spanish, for the person at the
  /// keyboard ("sin END OF HEADER", "DELTA H/E/N no es numérico"...).
  /// Empty when kind is kObservation; also set for kNotRinex.
  std::string reason;
  bool crinex = false;  ///< Hatanaka-compressed (CRINEX lines first)
  std::string version;  ///< the RINEX version as written ("2.11", "3.04")
  double delta_h = 0;   ///< metres
  double delta_e = 0;
  double delta_n = 0;
  /// Where the `ANTENNA: DELTA H/E/N` line starts in the bytes and how long
  /// it is without its line end; meaningful when kind is kObservation.
  std::size_t delta_line_offset = 0;
  std::size_t delta_line_length = 0;
  std::size_t delta_line_number = 0;  ///< 1-based
  /// Where the bytes after the `END OF HEADER` line start, and how many
  /// lines the header has (kObservation only).
  std::size_t header_end = 0;
  std::size_t header_lines = 0;
};

/// One `ANTENNA: DELTA H/E/N` line of a file.
struct RinexDeltaLine {
  std::size_t number = 0;  ///< 1-based line number in the unwrapped text
  std::size_t offset = 0;  ///< where the line starts in the bytes
  std::size_t length = 0;  ///< without its line end
  double h = 0;            ///< metres
};

/// Reads the header at the start of `bytes`, the first bytes of a file
/// after unwrapping. `complete` says that `bytes` is the whole file (the
/// reader stopped at its end), so a header without `END OF HEADER` is
/// "truncated" rather than "too long".
///
/// Recognition: the first line's label (columns 61-80) is
/// `RINEX VERSION / TYPE` with file type "O" in column 21 (any other type:
/// kOtherRinex), or `CRINEX VERS   / TYPE` followed by a
/// `CRINEX PROG / DATE` line and then the plain RINEX header (kObservation
/// with crinex set). Anything else, binary data included, is kNotRinex.
///
/// The DELTA H/E/N numbers are read as 3F14.4 in columns 1-42; a line whose
/// numbers are shifted within columns 1-60 is accepted when it holds exactly
/// three numbers there. Line ends may be LF or CRLF. Exactly one DELTA
/// record must precede `END OF HEADER`; otherwise, or when a bound
/// (kRinexHeaderMaxLines, kRinexHeaderMaxBytes) is passed first, or when the
/// numbers are not numbers, the result is kUnreadable with its reason.
RinexHeader ReadRinexHeader(std::string_view bytes, bool complete);

/// Every `ANTENNA: DELTA H/E/N` line in force in `bytes` (the unwrapped
/// text of an observation file or its start; `complete` as for
/// ReadRinexHeader): the header's first, then each one after
/// `END OF HEADER`, in file order. After the header such a label stands only
/// in the header records that an event record (flags 2-5, RINEX 2 and 3)
/// carries; they stay text inside Hatanaka files too, so the label in
/// columns 61-80 finds them in every format without decoding epochs. False,
/// with `*reason` set, when the header is unreadable, a later line has no
/// three numbers, or there are more than kRinexMaxDeltaLines of them.
bool FindDeltaHLines(std::string_view bytes, bool complete,
                     std::vector<RinexDeltaLine>* lines, std::string* reason);

/// Tells, as the bytes of a file arrive piece by piece (an EnoughBytes for
/// FileSystem::ReadDecodedPrefix), when they hold a whole line whose label
/// starts in column 61 with `END OF HEADER`, so that reading may stop. Each
/// byte is examined once however the pieces come: it keeps where the line
/// being read started. One finder serves one file.
class EndOfHeaderFinder {
 public:
  /// `bytes` is everything read so far; earlier calls saw a prefix of it.
  bool operator()(std::string_view bytes, std::size_t seen);
  /// Where the bytes after that line start, once it was found.
  std::size_t header_end() const { return next_; }
  /// How many bytes were examined, for the tests of its cost.
  std::size_t examined() const { return examined_; }

 private:
  std::size_t line_start_ = 0;
  std::size_t next_ = 0;
  std::size_t examined_ = 0;
};

/// `value` as the FORTRAN edit descriptor F14.4 writes it: right-aligned in
/// 14 columns with 4 decimals ("        1.4285"). nullopt when it does not
/// fit in 14 columns or is not finite.
std::optional<std::string> FormatF14_4(double value);

/// Sets every DELTA H of `file_bytes` (a whole observation file, unwrapped,
/// or its start), the header's and those of the event records after it
/// (FindDeltaHLines), to `arp`, in place: columns 1-14 of each
/// `ANTENNA: DELTA H/E/N` line become FormatF14_4(arp); every other byte, E
/// and N, the label and the line end included, stays as it was. When the
/// file's numbers are shifted so that DELTA H does not lie within columns
/// 1-14, columns 1-60 are rewritten as DELTA H in F14.4 followed by E and N
/// as written, each right aligned in 14 columns, then blanks. The line
/// keeps its length, so a large file is corrected without a second copy in
/// memory. False, with `file_bytes` unchanged and `*reason` (when not null)
/// set, when the text's DELTA H lines cannot be read (FindDeltaHLines),
/// `arp` has no F14.4 form or some line cannot take it.
bool CorrectDeltaHInPlace(std::string& file_bytes, double arp,
                          std::string* reason);

/// The record label of a line of a header (columns 61-80, blanks trimmed);
/// empty for a line of 60 columns or fewer.
std::string_view RinexRecordLabel(std::string_view line);

/// The DELTA H of an `ANTENNA: DELTA H/E/N` line `line` (without its line
/// end), read as ReadRinexHeader reads it; nullopt when the line has no
/// three numbers.
std::optional<double> ReadDeltaH(std::string_view line);

/// What replaces the start of the `ANTENNA: DELTA H/E/N` line `line` to set
/// its DELTA H to `field` (a FormatF14_4 text), as CorrectDeltaHInPlace
/// changes each line: columns 1-14, or columns 1-60 laid out again when the
/// numbers are shifted. nullopt, with `*reason`, when the line has no three
/// numbers or its E or N do not fit.
std::optional<std::string> DeltaHLineStart(std::string_view line,
                                           const std::string& field,
                                           std::string* reason);

/// True when a file name looks like that of an observation file, wrapped or
/// not: RINEX 2 "ssssdddf.yyO" / ".yyD" (Hatanaka), RINEX 3/4 long names
/// ending "O.rnx" / "O.crx" and the ".obs", ".rnx", ".crx" endings, each
/// optionally followed by ".gz", ".Z", ".bz2" or ".zip"; letters in any
/// case. Used only to tell garbage that poses as an observation file ("?")
/// from other files in the folder, which are ignored when not RINEX.
bool LooksLikeObservationName(std::string_view name);

/// The wrappers the check reads through (FileSystem unwraps them).
using RinexWrapper = FileWrapper;

/// The name of the corrected copy of the file `name` wrapped in `wrapper`:
/// `name` itself for a plain or gzip file (a gzip original gets a gzip
/// copy); for the wrappers that are not written back, `name` without its
/// ".Z", ".bz2" or ".zip" suffix (any case), or `name` itself when it has
/// no such suffix.
std::string CorrectedCopyName(std::string_view name, RinexWrapper wrapper);

/// Where and on which day an observation file says it was observed, from
/// its header's `APPROX POSITION XYZ` (metres, Earth-centred, 3F14.4) and
/// `TIME OF FIRST OBS` (year, month and day of 5I6,F13.7) records.
struct RinexPlaceAndDay {
  /// X, Y, Z in metres; absent when the record is missing, not three
  /// numbers, or not near the Earth's surface (receivers that do not know
  /// their position write zeros).
  std::optional<std::array<double, 3>> approx_xyz;
  /// The day of the first observation; absent when missing or not a date.
  struct Day {
    int year = 0, month = 0, day = 0;
  };
  std::optional<Day> first_obs;
};

/// Reads both records from the header at the start of `bytes` (unwrapped),
/// up to `END OF HEADER` and within the bounds ReadRinexHeader keeps;
/// the first of each record counts. Whether the file is an observation
/// file at all is ReadRinexHeader's question.
RinexPlaceAndDay ReadRinexPlaceAndDay(std::string_view bytes);

}  // namespace zarvek

#endif  // ZARVEK_RINEX_RINEX_HEADER_H_
