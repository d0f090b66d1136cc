// Windows shows "\" between names, as its own Explorer and dialogs do.
#include "text/shown_path.h"

namespace zarvek {

std::string ShownPath(std::string_view path) {
  return WithSeparator(path, '\\');
}

}  // namespace zarvek
