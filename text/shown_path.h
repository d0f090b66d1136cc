// Paths as the person at the keyboard reads them. Inside the program a path
// is UTF-8 with "/" between names on every system (Tk's choosers give it so
// on Windows too); a box, a label or the status line shows it with the
// system's own separator, and a box breaks a long path between names, never
// inside one, so that "Red Ávila/2. DATOS GNSS" does not wrap at its spaces.
#ifndef ZARVEK_TEXT_SHOWN_PATH_H_
#define ZARVEK_TEXT_SHOWN_PATH_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace zarvek {

/// How many characters a line of a message box holds before the box would
/// wrap it by itself (Tk's box on X11 wraps at about 50; Windows' at more).
inline constexpr size_t kBoxPathWidth = 46;

/// `path` with every "/" replaced by `separator`.
std::string WithSeparator(std::string_view path, char separator);

/// `path` as this system shows it: as it is on Linux; with "\" between
/// names on Windows (shown_path_posix.cc, shown_path_win32.cc).
std::string ShownPath(std::string_view path);

/// `path` broken into lines of at most `width` characters (code points)
/// after a "/" or "\", so that no name is cut. A line holds as many whole
/// names as fit; a name longer than `width` gets a line of its own, whole.
std::string BreakPathLines(std::string_view path, size_t width);

/// ShownPath(path) broken for a message box.
std::string BoxPath(std::string_view path);

}  // namespace zarvek

#endif  // ZARVEK_TEXT_SHOWN_PATH_H_
