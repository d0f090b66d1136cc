// When another program (a spreadsheet, a second window on the same project)
// saves the measurement file while the table is open, the next save must not
// write over its work. The window then merges: the file as the other program
// left it, with the rows this window edited since it last read or wrote the
// file put over it, each row whole (its receiver, type, accessory and
// reference go together). Every other row takes the other program's values.
#ifndef ZARVEK_MEASUREMENTS_OUTSIDE_MERGE_H_
#define ZARVEK_MEASUREMENTS_OUTSIDE_MERGE_H_

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "heights/catalogue.h"
#include "heights/measurement_table.h"
#include "measurements/measurement_file.h"

namespace zarvek {

struct OutsideMerge {
  /// The other program's file with this window's edited rows, bound to the
  /// table's codes; its Serialize is what to write.
  MeasurementFile file;
  /// What each row of the table shows now.
  std::vector<RowValues> rows;
  /// Rows that took the other program's values (they differ from what the
  /// table showed).
  std::vector<std::size_t> taken;
  /// Rows changed on both sides: this window's values stay, the other
  /// program's were these (nullopt: its file has no line for the point;
  /// no receiver for a row it left not begun).
  std::vector<std::pair<std::size_t, std::optional<RowValues>>> both;
};

/// Merges the file found on disk (`found`; nullopt: no file) with `table`,
/// whose rows `edited` were changed by this window since the file held
/// `base` (nullopt: there was none). A row without a line in the found file
/// shows `empty_row`. A file no longer found takes every row as the table
/// shows it. Returns nullopt, with `error`, when the found file
/// cannot be read (MeasurementFile::Parse): it must then not be written.
std::optional<OutsideMerge> MergeOutsideEdits(
    const std::optional<std::string>& base,
    const std::optional<std::string>& found, const std::vector<TableRow>& table,
    const std::set<std::size_t>& edited, const Catalogue& catalogue,
    const RowValues& empty_row, std::string* error);

/// The text of the box that tells the surveyor what happened to the file
/// at `path`.
std::string DescribeOutsideMerge(const OutsideMerge& merge,
                                 const std::vector<TableRow>& table,
                                 const std::string& path);

}  // namespace zarvek

#endif  // ZARVEK_MEASUREMENTS_OUTSIDE_MERGE_H_
