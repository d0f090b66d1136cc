// Where this user's folders are, as the desktop defines them: the folder in
// which programs keep their settings, and the documents folder, where the
// folder choosers start when the program has no folder of its own to offer.
// Paths are UTF-8 on every system; platform/config_dir_posix.cc and
// platform/config_dir_win32.cc are the two adapters.
#ifndef ZARVEK_PLATFORM_CONFIG_DIR_H_
#define ZARVEK_PLATFORM_CONFIG_DIR_H_

#include <string>

namespace zarvek {

/// The user's settings folder: $XDG_CONFIG_HOME when it is an absolute
/// path, otherwise $HOME/.config, on Linux; the roaming application data
/// folder (%APPDATA%) on Windows. "" when it cannot be told. It need not
/// exist yet.
std::string UserConfigDir();

/// The user's documents folder: XDG_DOCUMENTS_DIR of the desktop's
/// user-dirs.dirs ("Documentos" on a Spanish desktop), otherwise the home
/// folder, on Linux; the Documents folder on Windows. "" when it cannot be
/// told. It may not exist.
std::string UserDocumentsDir();

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_CONFIG_DIR_H_
