#include "project/chosen_folder.h"

#include <vector>

namespace zarvek {

ChosenFolder ClassifyChosenFolder(FileSystem& fs, const std::string& path,
                                  const ShownName& shown) {
  if (fs.IsDirectory(path)) return ChosenFolder::kDirectory;
  if (fs.Exists(path)) return ChosenFolder::kMissing;
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash + 1 == path.size()) {
    return ChosenFolder::kMissing;
  }
  const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = path.substr(slash + 1);
  if (!fs.IsDirectory(parent)) return ChosenFolder::kMissing;
  std::vector<std::string> names;
  if (!fs.ListDir(parent, &names).ok()) return ChosenFolder::kMissing;
  for (const std::string& entry : names) {
    if (shown(entry) == name) return ChosenFolder::kMissing;
  }
  return ChosenFolder::kNew;
}

std::string ChosenFolderMissingText(const std::string& path) {
  return "LA CARPETA ELEGIDA NO EXISTE O NO ES UNA CARPETA:\n" + path +
         "\n\nSI SU NOMBRE VIENE DE OTRO SISTEMA (UN ZIP ANTIGUO, POR "
         "EJEMPLO) Y LLEVA ACENTOS O EÑES, RENÓMBRELA Y ELÍJALA DE NUEVO.";
}

}  // namespace zarvek
