// The measurement table's truth: the point codes of the open project in
// table order, and each row's five inputs as the surveyor left them. The
// widgets of the heights tab show it and report every edit into it; the
// report, the measurement file, the RINEX check and the copy commands read
// it, never the widgets.
#ifndef ZARVEK_HEIGHTS_MEASUREMENT_TABLE_H_
#define ZARVEK_HEIGHTS_MEASUREMENT_TABLE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "measurements/measurement_file.h"

namespace zarvek {

/// One row of the table: the point's code and its five inputs.
struct TableRow {
  std::string codigo;
  RowValues values;
};

/// The five inputs of a row, by the column that shows them.
enum class RowField { kRec, kTipo, kAcc, kRef, kH };

class MeasurementTable {
 public:
  /// Makes the table `codes`, one row each, in that order; row i takes
  /// `saved[i]` when there is one, else `empty_row`.
  void Reset(const std::vector<std::string>& codes,
             const std::vector<std::optional<RowValues>>& saved,
             const RowValues& empty_row);
  void Clear() { rows_.clear(); }

  size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const std::vector<TableRow>& rows() const { return rows_; }
  const TableRow& at(size_t idx) const { return rows_.at(idx); }
  const RowValues& values(size_t idx) const { return rows_.at(idx).values; }

  /// Replaces the inputs of row `idx`; returns whether any changed.
  bool Set(size_t idx, const RowValues& values);
  /// Replaces one input of row `idx`; returns whether it changed.
  bool SetField(size_t idx, RowField field, const std::string& text);

  /// True when a row has none of type, accessory, reference and height
  /// (its receiver alone does not count: a new row has the default one).
  static bool IsEmptyRow(const RowValues& values);
  /// True when all five inputs are filled, as the report needs them.
  static bool IsComplete(const RowValues& values);

 private:
  std::vector<TableRow> rows_;
};

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_MEASUREMENT_TABLE_H_
