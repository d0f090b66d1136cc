#include "project/chosen_folder.h"

#include <vector>

#include "text/shown_path.h"

namespace zarvek {

ChosenFolder ClassifyChosenFolder(FileSystem& fs, const std::string& path,
                                  const ShownName& shown) {
  if (fs.IsDirectory(path)) return ChosenFolder::kDirectory;
  if (fs.Exists(path)) return ChosenFolder::kNotAFolder;
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash + 1 == path.size()) {
    return ChosenFolder::kMissing;
  }
  const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = path.substr(slash + 1);
  if (!fs.IsDirectory(parent)) {
    return fs.Exists(parent) ? ChosenFolder::kNotAFolder
                             : ChosenFolder::kParentMissing;
  }
  std::vector<std::string> names;
  if (!fs.ListDir(parent, &names).ok()) return ChosenFolder::kMissing;
  for (const std::string& entry : names) {
    if (shown(entry) == name) return ChosenFolder::kShownOtherwise;
  }
  return ChosenFolder::kNew;
}

std::string ChosenFolderRefusedText(FileSystem& fs, const std::string& path,
                                    ChosenFolder kind) {
  switch (kind) {
    case ChosenFolder::kNotAFolder:
      return "LO ELEGIDO NO ES UNA CARPETA:\n" + BoxPath(path);
    case ChosenFolder::kParentMissing: {
      // The outermost missing folder is the one to create or correct: its
      // parent exists, so a mistyped or renamed name is there.
      std::string missing = path.substr(0, path.find_last_of('/'));
      for (;;) {
        const size_t slash = missing.find_last_of('/');
        if (slash == std::string::npos || slash == 0) break;
        const std::string parent = missing.substr(0, slash);
        if (fs.Exists(parent)) break;
        missing = parent;
      }
      const std::string name = missing.substr(missing.find_last_of('/') + 1);
      return "NO EXISTE LA CARPETA «" + name +
             "», EN LA QUE ESTARÍA LA ELEGIDA:\n" + BoxPath(missing) +
             "\n\nELIJA UNA CARPETA QUE EXISTA O CRÉELA PRIMERO.";
    }
    case ChosenFolder::kShownOtherwise:
      return "LA CARPETA ELEGIDA NO EXISTE CON ESE NOMBRE:\n" + BoxPath(path) +
             "\n\nSI SU NOMBRE VIENE DE OTRO SISTEMA (UN ZIP ANTIGUO, POR "
             "EJEMPLO) Y LLEVA ACENTOS O EÑES, RENÓMBRELA Y ELÍJALA DE NUEVO.";
    default:
      return "LA CARPETA ELEGIDA NO EXISTE:\n" + BoxPath(path);
  }
}

}  // namespace zarvek
