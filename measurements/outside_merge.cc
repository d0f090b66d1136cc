#include "measurements/outside_merge.h"

#include <utility>

#include "heights/row_result.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

// The file of `bytes` (none: an empty one) and the rows it gives the table.
std::optional<std::pair<MeasurementFile, std::vector<std::optional<RowValues>>>>
BindFile(const std::optional<std::string>& bytes,
         const std::vector<std::string>& codes, const Catalogue& catalogue,
         std::string* error) {
  std::optional<MeasurementFile> file =
      bytes ? MeasurementFile::Parse(*bytes, catalogue, error)
            : std::optional<MeasurementFile>(MeasurementFile());
  if (!file) return std::nullopt;
  std::vector<std::optional<RowValues>> rows = file->Bind(codes, catalogue);
  return std::make_pair(std::move(*file), std::move(rows));
}

std::string Shown(const std::string& value) {
  return value.empty() ? "—" : value;
}

}  // namespace

std::optional<OutsideMerge> MergeOutsideEdits(
    const std::optional<std::string>& base,
    const std::optional<std::string>& found, const std::vector<TableRow>& table,
    const std::set<std::size_t>& edited, const Catalogue& catalogue,
    const RowValues& empty_row, std::string* error) {
  std::vector<std::string> codes;
  codes.reserve(table.size());
  for (const TableRow& row : table) codes.push_back(row.codigo);
  auto theirs = BindFile(found, codes, catalogue, error);
  if (!theirs) return std::nullopt;
  // A file removed outside leaves nothing of the other program's to keep:
  // the table is written whole, as it shows.
  std::set<std::size_t> all_rows;
  if (!found) {
    for (std::size_t i = 0; i < table.size(); ++i) all_rows.insert(i);
  }
  const std::set<std::size_t>& ours_rows = found ? edited : all_rows;
  // The base is what this program read or wrote itself; should it not
  // read, every edited row that differs counts as changed on both sides.
  std::string ignored;
  auto before = BindFile(base, codes, catalogue, &ignored);
  const std::vector<std::optional<RowValues>> no_rows(table.size());
  const std::vector<std::optional<RowValues>>& base_rows =
      before ? before->second : no_rows;

  OutsideMerge merge{std::move(theirs->first), {}, {}, {}};
  merge.rows.reserve(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::optional<RowValues>& other = theirs->second[i];
    const RowValues& ours = table[i].values;
    if (ours_rows.count(i) > 0) {
      merge.rows.push_back(ours);
      if (found && other != base_rows[i] &&
          other != std::optional<RowValues>(ours)) {
        // Named with the receiver it stands for: none for a row not begun.
        std::optional<RowValues> named = other;
        if (named) named->rec = ConvertRow(*named, catalogue).receiver;
        merge.both.emplace_back(i, std::move(named));
      }
      merge.file.Update(i, ours, catalogue);
    } else {
      merge.rows.push_back(other.value_or(empty_row));
      if (merge.rows.back() != ours) merge.taken.push_back(i);
    }
  }
  return merge;
}

std::string DescribeOutsideMerge(const OutsideMerge& merge,
                                 const std::vector<TableRow>& table,
                                 const std::string& path) {
  std::string text =
      "EL ARCHIVO DE MEDIDAS HA CAMBIADO FUERA DEL PROGRAMA:\n" + path +
      "\nSE HAN CONSERVADO LOS CAMBIOS HECHOS FUERA Y SE HAN APLICADO LOS DE "
      "ESTA VENTANA; LA TABLA MUESTRA EL RESULTADO.";
  if (merge.both.empty()) return text;
  text +=
      "\nPUNTOS CAMBIADOS EN LOS DOS SITIOS, QUE QUEDAN COMO EN ESTA VENTANA "
      "(ENTRE PARÉNTESIS, COMO ESTABAN FUERA):";
  constexpr std::size_t kMaxNamed = 10;
  for (std::size_t i = 0; i < merge.both.size() && i < kMaxNamed; ++i) {
    const auto& [row, other] = merge.both[i];
    text += "\n" + table.at(row).codigo + " (";
    if (other) {
      text += Shown(other->rec) + " · " + Shown(other->tipo) + " · " +
              Shown(other->acc) + " · " + Shown(other->ref) + " · " +
              Shown(other->h);
    } else {
      text += "SIN LÍNEA";
    }
    text += ")";
  }
  if (merge.both.size() > kMaxNamed) {
    text += "\n… Y " + DecimalText(merge.both.size() - kMaxNamed) + " MÁS.";
  }
  return text;
}

}  // namespace zarvek
