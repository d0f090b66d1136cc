// Observation files read line by line, whatever their length: the decoded
// text (FileSystem unwraps gzip, compress, bzip2 and zip) comes in pieces
// of fixed size and is handed out one line at a time, so that a 2 GB file
// costs the memory of one piece and one line. A reading can be stopped
// between pieces by a flag another thread sets. On top of it, the DELTA H
// lines in force in a file (its header's and its event records') are found
// and rewritten as the text streams by. Pure: the disk is reached only
// through FileSystem.
#ifndef ZARVEK_RINEX_RINEX_LINES_H_
#define ZARVEK_RINEX_RINEX_LINES_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"
#include "platform/status.h"
#include "rinex/rinex_header.h"

namespace zarvek {

/// The most of one line that is held: longer lines are cut. It passes
/// kRinexHeaderMaxBytes, so that a header is never cut short by it.
inline constexpr std::size_t kRinexMaxLineBytes = 128 * 1024;

/// One line as LineSplitter hands it out. `text` + `end` are exactly the
/// bytes it stands for, so that the pieces given, joined, are the text.
struct TextLine {
  std::string_view text;   ///< without its line end
  std::string_view end;    ///< "\n", "\r\n", or "" or "\r" at the text's end
  std::size_t number = 0;  ///< 1-based
  /// The line goes on past the bound: `text` is its first bytes, and the
  /// rest follows in parts with `rest` set (the same number).
  bool cut = false;
  bool rest = false;
};

/// Splits text that arrives in pieces into lines, holding at most
/// `max_line` bytes of a line that crosses pieces: a line with more than
/// that before its "\n" is handed out cut (TextLine::cut) and its rest in
/// parts as they come, never gathered. Line ends are "\n", with "\r" before
/// it kept apart; the last line may have none.
class LineSplitter {
 public:
  /// Takes one line (or part); false stops the splitting.
  using Visit = std::function<bool(const TextLine& line)>;

  explicit LineSplitter(std::size_t max_line = kRinexMaxLineBytes)
      : max_line_(max_line) {}

  /// Hands out every line that `piece` ends. False when `visit` stopped.
  bool Push(std::string_view piece, const Visit& visit);
  /// Hands out the last line when the text did not end with "\n".
  bool Finish(const Visit& visit);

  /// The most bytes of a line held at once, for the tests of its bound.
  std::size_t held_peak() const { return held_peak_; }

 private:
  bool Emit(std::string_view text, bool has_newline, const Visit& visit);

  std::size_t max_line_;
  std::string line_;  // the start of a line that crosses pieces
  bool in_rest_ = false;
  std::size_t number_ = 0;
  std::size_t held_peak_ = 0;
};

/// What a line reading went through, for the tests of its bounds.
struct LineReadStats {
  std::uint64_t bytes = 0;         ///< decoded bytes read
  std::size_t largest_piece = 0;   ///< the largest piece decoded at once
  std::size_t held_line_peak = 0;  ///< LineSplitter::held_peak
};

/// Reads the decoded text of the file `path` through `fs` and hands each
/// line to `visit` (the start of a cut line only, with `cut` set; never a
/// `rest`), until the text ends or `visit` returns false. `*cancel`, when
/// set by another thread, stops the reading before its next piece:
/// "CANCELADO: <path>". A file that cannot be read or decoded gives the
/// system's or library's text and the path; the lines before the failure
/// have been visited. `*wrapper` and `*stats`, when not null, are filled.
Status ForEachLine(FileSystem& fs, const std::string& path,
                   const std::atomic<bool>* cancel,
                   const std::function<bool(const TextLine& line)>& visit,
                   FileWrapper* wrapper = nullptr,
                   LineReadStats* stats = nullptr);

/// Follows the lines of a file as they come for its header and every
/// DELTA H line in force: the header's, then those of the event records
/// after it, as FindDeltaHLines finds them in the whole text.
class DeltaHScan {
 public:
  /// Takes the next line; false once the rest need not be read (the file
  /// is no readable observation file, or a DELTA H line was refused).
  bool Take(const TextLine& line);
  /// The result once the lines are over: the header (kUnreadable, with
  /// the reason, when a later DELTA H line was refused) and, for an
  /// observation file, its DELTA H lines in `*lines`. `ended` says the
  /// text ended (rather than the reading stopping before it); `failure`,
  /// when not OK, is why the reading stopped, as ReadRinexHeaderFile
  /// reports it.
  RinexHeader Finish(bool ended, const Status& failure,
                     std::vector<RinexDeltaLine>* lines);

 private:
  bool TakeHeaderLine(const TextLine& line);

  std::string header_bytes_;
  std::size_t header_line_count_ = 0;
  bool header_done_ = false;
  RinexHeader header_;
  std::vector<RinexDeltaLine> lines_;
  std::string refusal_;
  std::uint64_t offset_ = 0;
};

/// The PieceChange of a corrected copy: the decoded text with every DELTA H
/// line in force set to `field` (a FormatF14_4 text) as
/// CorrectDeltaHInPlace sets it, every other byte as it came. Fails,
/// stopping the copy, when the text is no readable observation file or a
/// DELTA H line cannot take the field: "<reason>: <path>" with `path` the
/// original's.
class DeltaHRewrite {
 public:
  DeltaHRewrite(std::string field, std::string path)
      : field_(std::move(field)), path_(std::move(path)) {}
  Status Change(std::string_view piece, bool last, std::string* out);
  std::size_t held_peak() const { return split_.held_peak(); }

 private:
  bool Rewrite(const TextLine& line, std::string* out);

  std::string field_, path_;
  LineSplitter split_;
  DeltaHScan scan_;
  bool scanning_ = true;
  std::size_t rewritten_ = 0;
  std::string refusal_;
};

}  // namespace zarvek

#endif  // ZARVEK_RINEX_RINEX_LINES_H_
