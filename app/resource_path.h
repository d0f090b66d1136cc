// Where the program looks for the files that ship with it (icon, logo,
// report pictures). The program is distributed as a bundle: its resources
// sit in a "resources" folder beside the executable, in the build tree and
// in an installed tree alike, and that folder is the base. Where there is no
// such folder the current working directory is the base.
#ifndef ZARVEK_APP_RESOURCE_PATH_H_
#define ZARVEK_APP_RESOURCE_PATH_H_

#include <functional>
#include <string>

namespace zarvek {

/// The base folder joined with `relative_path`: `exe_dir`/resources when
/// `is_dir` says that folder exists (and `exe_dir` is known), else `cwd`.
std::string ResolveResourcePath(
    const std::string& relative_path, const std::string& exe_dir,
    const std::string& cwd,
    const std::function<bool(const std::string&)>& is_dir);

}  // namespace zarvek

#endif  // ZARVEK_APP_RESOURCE_PATH_H_
