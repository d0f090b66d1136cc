#include "project/point_detection.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zarvek {
namespace {

std::string_view StripLeadingZeros(std::string_view code) {
  size_t first = code.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view()
                                         : code.substr(first);
}

}  // namespace

std::vector<std::string> CodesFromEntryNames(
    const std::vector<std::string>& names) {
  std::vector<std::string> codes;
  for (const std::string& name : names) {
    if (std::optional<PointFolderName> point = ParsePointFolderName(name))
      codes.push_back(std::move(point->code));
  }
  return codes;
}

bool CodeValueLess(std::string_view a, std::string_view b) {
  a = StripLeadingZeros(a);
  b = StripLeadingZeros(b);
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

void SortCodesByValue(std::vector<std::string>& codes) {
  std::stable_sort(codes.begin(), codes.end(),
                   [](const std::string& a, const std::string& b) {
                     return CodeValueLess(a, b);
                   });
}

Status DetectProjectCodes(FileSystem& fs, const std::string& ruta_base,
                          std::vector<std::string>* codes) {
  if (ruta_base.empty()) return Status::OK();

  const std::string path_datos =
      ProjectLayout::ForChosenFolder(fs, ruta_base).PointsDir();

  std::vector<std::string> codigos_encontrados;
  if (fs.Exists(path_datos)) {
    std::vector<std::string> names;
    Status status = fs.ListDir(path_datos, &names);
    if (!status.ok()) return status;
    codigos_encontrados = CodesFromEntryNames(names);
  }

  SortCodesByValue(codigos_encontrados);
  *codes = std::move(codigos_encontrados);
  return Status::OK();
}

std::string TooManyPointsText() {
  return "DEMASIADOS PUNTOS EN EL PROYECTO (MÁXIMO " +
         DecimalText(kMaxTableRows) + ")";
}

}  // namespace zarvek
