// Linux shows paths as the program holds them.
#include "text/shown_path.h"

namespace zarvek {

std::string ShownPath(std::string_view path) { return std::string(path); }

}  // namespace zarvek
