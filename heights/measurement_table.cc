#include "heights/measurement_table.h"

namespace zarvek {

void MeasurementTable::Reset(const std::vector<std::string>& codes,
                             const std::vector<std::optional<RowValues>>& saved,
                             const RowValues& empty_row) {
  rows_.clear();
  rows_.reserve(codes.size());
  for (size_t i = 0; i < codes.size(); ++i) {
    rows_.push_back(
        {codes[i], i < saved.size() && saved[i] ? *saved[i] : empty_row});
  }
}

bool MeasurementTable::Set(size_t idx, const RowValues& values) {
  RowValues& row = rows_.at(idx).values;
  if (row == values) return false;
  row = values;
  return true;
}

bool MeasurementTable::SetField(size_t idx, RowField field,
                                const std::string& text) {
  RowValues& row = rows_.at(idx).values;
  std::string* slot = nullptr;
  switch (field) {
    case RowField::kRec:
      slot = &row.rec;
      break;
    case RowField::kTipo:
      slot = &row.tipo;
      break;
    case RowField::kAcc:
      slot = &row.acc;
      break;
    case RowField::kRef:
      slot = &row.ref;
      break;
    case RowField::kH:
      slot = &row.h;
      break;
  }
  if (*slot == text) return false;
  *slot = text;
  return true;
}

bool MeasurementTable::IsEmptyRow(const RowValues& v) {
  return v.tipo.empty() && v.acc.empty() && v.ref.empty() && v.h.empty();
}

bool MeasurementTable::IsComplete(const RowValues& v) {
  return !v.rec.empty() && !v.tipo.empty() && !v.acc.empty() &&
         !v.ref.empty() && !v.h.empty();
}

}  // namespace zarvek
