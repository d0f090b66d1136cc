#include <cstdlib>
#include <fstream>
#include <string_view>

#include "platform/config_dir.h"

namespace zarvek {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs file: lines of the
// form XDG_DOCUMENTS_DIR="$HOME/Documentos", where the value is either an
// absolute path or starts with "$HOME/". "" when the file has no such line.
std::string DocumentsFromUserDirs(const std::string& file,
                                  const std::string& home) {
  std::ifstream in(file);
  std::string line;
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
  std::string found;
  while (std::getline(in, line)) {
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    const size_t end = line.rfind('"');
    if (end < kKey.size()) continue;
    std::string value = line.substr(kKey.size(), end - kKey.size());
    if (value.compare(0, 6, "$HOME/") == 0) {
      value = home + value.substr(5);
    } else if (value.empty() || value[0] != '/') {
      continue;
    }
    found = value;
  }
  return found;
}

}  // namespace

std::string UserConfigDir() {
  const std::string xdg = Env("XDG_CONFIG_HOME");
  if (!xdg.empty() && xdg[0] == '/') return xdg;
  const std::string home = Env("HOME");
  if (home.empty()) return "";
  return home + "/.config";
}

std::string UserDocumentsDir() {
  const std::string home = Env("HOME");
  const std::string config = UserConfigDir();
  if (!config.empty()) {
    std::string documents =
        DocumentsFromUserDirs(config + "/user-dirs.dirs", home);
    if (!documents.empty()) return documents;
  }
  return home;
}

}  // namespace zarvek
