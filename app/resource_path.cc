#include "app/resource_path.h"

#include "platform/fs.h"

namespace zarvek {

std::string ResolveResourcePath(
    const std::string& relative_path, const std::string& exe_dir,
    const std::string& cwd,
    const std::function<bool(const std::string&)>& is_dir) {
  if (!exe_dir.empty()) {
    const std::string bundle = JoinPath(exe_dir, "resources");
    if (is_dir(bundle)) return JoinPath(bundle, relative_path);
  }
  return JoinPath(cwd, relative_path);
}

}  // namespace zarvek
