// The RINEX check of one point: from what was read in its observation
// files (and in their corrected copies) and from the heights of its table
// row, the text of the RINEX cell and the reason behind it, for the tooltip
// or status line. Pure: the files are read once per table build
// (rinex/rinex_files.h); the verdict is computed again
// at every change of the row, which costs nothing.
#ifndef ZARVEK_RINEX_RINEX_VERDICT_H_
#define ZARVEK_RINEX_RINEX_VERDICT_H_

#include <optional>
#include <string>
#include <vector>

#include "rinex/misfiled.h"
#include "rinex/rinex_header.h"
#include "rinex/session.h"

namespace zarvek {

/// One observation file of a point's RINEX folder.
struct RinexFileCheck {
  std::string name;  ///< file name inside RINEX/
  RinexWrapper wrapper = RinexWrapper::kNone;
  /// kObservation or kUnreadable; other kinds are not listed at all.
  RinexKind kind = RinexKind::kUnreadable;
  std::string reason;          ///< why unreadable (kUnreadable only)
  double delta_h = 0;          ///< the header's DELTA H (kObservation only)
  std::size_t delta_line = 0;  ///< its line number, 1-based (0: not known)
  /// The DELTA H lines of the event records after the header, in file
  /// order: each holds for the epochs after it.
  std::vector<RinexDeltaLine> later_delta_h;
  /// The copy RINEX/CORREGIDO/<CorrectedCopyName>, when it exists and its
  /// header reads as an observation header: its DELTA H, and those of its
  /// event records.
  std::optional<double> copy_delta_h;
  std::vector<double> copy_later_delta_h;
  /// The copy was not made from the original as it is now (the original
  /// was replaced after CORREGIR RINEX): it counts as no copy.
  bool copy_stale = false;
  /// The session its epoch lines record (kObservation only), read in the
  /// same pass as its DELTA H lines.
  Session session;
  /// What the original says about itself (kObservation only; the name
  /// alone otherwise), for the check of files kept under the wrong point.
  ObservationFileFacts facts;
};

/// Everything read for one point.
struct PointRinexFiles {
  /// The point's RINEX folder that was read (where the copies go).
  std::string folder;
  /// Set when the RINEX folder exists but cannot be listed: the system's
  /// text and the path. The files are then empty.
  std::string listing_error;
  std::vector<RinexFileCheck> files;  ///< ordered by name
  /// The reading was stopped before every file was read (a cancel): what
  /// `files` holds is only part of the folder.
  bool cancelled = false;
};

/// The heights of a table row that converts.
struct RinexRowHeights {
  double arp = 0;                  ///< rounded to 4 decimals, as the report
  double phase_center = 0;         ///< rounded to 4 decimals, as the report
  std::optional<double> measured;  ///< the typed height, when a number
};

/// Every text the RINEX cell can show ("✗" with the widest heights): the
/// column is as wide as the widest of them. The full reason of each is in
/// the status line.
const std::vector<std::string>& RinexCellTexts();

/// The cell of one point.
enum class RinexState {
  kEmpty,  ///< the row does not convert: cell ""
  kMatch,  ///< every file's DELTA H is the ARP height: "✓"
  /// Some file is right only through its copy in CORREGIDO, and that
  /// folder holds a right copy of every file: "✓ C".
  kCorrected,
  /// Some file's DELTA H differs: "✗ <value>"; or a copy in CORREGIDO
  /// that counts was made from an earlier original: "✗ COPIA
  /// DESACTUALIZADA"; or CORREGIDO, which must be handed over, lacks a
  /// right copy of some file: "✗ C".
  kMismatch,
  kNoFiles,     ///< no observation file: "—"
  kUnreadable,  ///< a file or the folder cannot be read: "?"
  /// The point's files are being read or its copies written: "…". Never a
  /// verdict of JudgeRinexPoint; the column shows it until the files are
  /// read, and nobody may take the point as checked meanwhile.
  kPending,
};

/// The RINEX cell of one table row, as other rooms learn it.
struct PointRinexState {
  std::string code;
  RinexState state = RinexState::kEmpty;
};

struct RinexVerdict {
  RinexState state = RinexState::kEmpty;
  std::string cell;  ///< "", "✓", "✓ C", "✗ 1.5000", "✗ C", "—" or "?"
  std::string reason;  ///< Spanish, one or more lines; "" when nothing to say
  /// Names (inside RINEX/) of the files whose corrected copy is still
  /// missing or wrong: those that "CORREGIR RINEX" would write.
  std::vector<std::string> to_correct;
  /// Names of the files whose DELTA H is right but that lack a right copy
  /// in CORREGIDO while the point is handed over from there (some file is
  /// in to_correct or right only through its copy): "CORREGIR RINEX" copies
  /// them unchanged, so that CORREGIDO is a complete set.
  std::vector<std::string> to_copy;
};

/// The verdict of one point. `heights` is nullopt while the row does not
/// convert (state kEmpty, whatever the files).
///
/// A file matches when every DELTA H in force for its observations (the
/// header's and those of its event records) agrees with the ARP height to 4
/// decimals; a mismatching file whose copy in CORREGIDO matches in every
/// DELTA H counts as corrected. Each wrong DELTA H is named with its line.
/// The order of precedence is: kEmpty, then kUnreadable for a listing
/// error, then kMismatch (any file that differs: the cell shows the first
/// such file's first wrong value with 4 decimals), then kMismatch "✗ COPIA
/// DESACTUALIZADA" (a copy that counts is stale: copy_stale), then
/// kUnreadable (any file that
/// cannot be read), then kNoFiles, then kMismatch "✗ C" (some file is
/// corrected and another lacks a right copy in CORREGIDO), then kCorrected
/// (some file is corrected; the reason names the CORREGIDO folder), then
/// kMatch. The reason names each file concerned and,
/// for a mismatch, what the value looks like: 0 (no height given), the
/// measured height (not reduced to the ARP), the phase-centre height (the
/// offset would be counted twice).
RinexVerdict JudgeRinexPoint(const PointRinexFiles& files,
                             const std::optional<RinexRowHeights>& heights);

/// A point's session as its cell shows it.
/// The session cell of a point without observation files.
inline constexpr char kNoSessionCell[] = "—";

struct SessionCell {
  /// FormatSession of the files' joined session (JoinSessions); "—" with
  /// no observation file; "?" when the folder or one of its files cannot
  /// be read, or its reading was cut short.
  std::string text;
  std::string reason;  ///< why "?" (the file or folder and its reason)
};

/// The session cell of one point, whatever its row's heights.
SessionCell DescribePointSession(const PointRinexFiles& files);

}  // namespace zarvek

#endif  // ZARVEK_RINEX_RINEX_VERDICT_H_
