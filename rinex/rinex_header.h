// The header of a RINEX observation file, as far as the antenna height goes:
// whether the file is an observation file at all (recognised by its first
// header record, never by its name), its version, and the three numbers of
// its `ANTENNA: DELTA H/E/N` record, the vertical distance from the mark to
// the Antenna Reference Point first. The processing software takes the
// antenna height from that record, so a wrong DELTA H moves the point.
//
// Everything here works on bytes already unwrapped (gzip, compress, bzip2
// and zip are FileSystem's business) and never looks past
// `END OF HEADER`: records of the same names inside the data (event flags 3
// and 4) are not the file's header.
#ifndef ZARVEK_RINEX_RINEX_HEADER_H_
#define ZARVEK_RINEX_RINEX_HEADER_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs.h"

namespace zarvek {

/// The most of a file's (unwrapped) text that is read for its header. A
/// header never comes near either bound; a file that passes them without
/// `END OF HEADER` is not read further, so that a 2 GB file or a
/// decompression bomb costs what a small file does.
inline constexpr std::size_t kRinexHeaderMaxLines = 1000;
inline constexpr std::size_t kRinexHeaderMaxBytes = 100 * 1024;

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

/// Sets the DELTA H of the header of `file_bytes` (a whole observation
/// file, unwrapped, or its start) to `arp`, in place: columns 1-14 of the
/// `ANTENNA: DELTA H/E/N` line become FormatF14_4(arp); every other byte, E
/// and N, the label and the line end included, stays as it was. When the
/// file's numbers are shifted so that DELTA H does not lie within columns
/// 1-14, columns 1-60 are rewritten as DELTA H in F14.4 followed by E and N
/// as written, each right aligned in 14 columns, then blanks. The line
/// keeps its length, so a large file is corrected without a second copy in
/// memory. False, with `file_bytes` unchanged and `*reason` (when not null)
/// set, when the header is not a readable observation header or `arp` has
/// no F14.4 form.
bool CorrectDeltaHInPlace(std::string& file_bytes, double arp,
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
