// What an observation file says about where and with what it was observed,
// and a fingerprint of what it observed: the facts that tell a file kept
// under the wrong point. The header fields come from the header's text
// (RINEX 2 and 3, and the plain header inside a Hatanaka CRINEX file); the
// fingerprint from the lines after the header, fed one at a time, so that a
// file of any length costs a bounded amount of memory.
#ifndef ZARVEK_RINEX_HEADER_FIELDS_H_
#define ZARVEK_RINEX_HEADER_FIELDS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarvek {

/// The header lines read for the fields; past them, or past
/// `END OF HEADER`, nothing is looked at.
inline constexpr std::size_t kHeaderFieldsMaxLines = 1000;

/// The identity fields of an observation header, blanks trimmed at both
/// ends; each empty when its record is missing or blank. Only the first
/// record of each label counts.
struct HeaderFields {
  std::string marker_name;      ///< MARKER NAME, columns 1-60
  std::string antenna_type;     ///< ANT # / TYPE, the type in columns 21-40
  std::string receiver_serial;  ///< REC # / TYPE / VERS, columns 1-20
};

/// Reads the fields from `text`, the start of a file (unwrapped) holding at
/// least its header. Lines end in LF or CRLF; a label is told by columns
/// 61-80, so the CRINEX lines in front of a Hatanaka file's header and any
/// other record are passed over.
HeaderFields ReadHeaderFields(std::string_view text);

/// A fingerprint of a file's observations: equal for two files holding the
/// same observations, whatever their headers say (a copy with another
/// MARKER NAME or a corrected DELTA H has the same one), and whether their
/// lines end in LF or CRLF. Feed every line of the file in order, header
/// included, with or without its line end; then Finish.
///
/// The lines after `END OF HEADER` are counted and measured in full, and
/// the first kFingerprintHashedLines of them hashed but for the DELTA H
/// records of events (a correction rewrites those): two receivers that
/// observed the same session side by side write the same epoch lines but
/// not the same observations, so the hash tells them apart; the counts
/// tell files that share a beginning but not an end.
class ObservationFingerprinter {
 public:
  static constexpr std::int64_t kFingerprintHashedLines = 2000;

  void Feed(std::string_view line);
  /// "<lines>:<bytes>:<hash in 16 hex digits>"; "" when the file has no
  /// `END OF HEADER` or no line after it, so that empty or damaged files
  /// are never taken for one another.
  std::string Finish() const;

 private:
  bool in_data_ = false;
  std::int64_t header_lines_ = 0;
  std::int64_t lines_ = 0;
  std::int64_t bytes_ = 0;
  std::uint64_t hash_ = 14695981039346656037ull;  // FNV-1a offset basis
};

}  // namespace zarvek

#endif  // ZARVEK_RINEX_HEADER_FIELDS_H_
