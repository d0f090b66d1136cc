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
/// The first line already holds `used` characters of the text before the
/// path: when not even the path's first name fits after them, the path
/// starts on a line of its own.
std::string BreakPathLines(std::string_view path, size_t width,
                           size_t used = 0);

/// ShownPath(path) broken for a message box, on lines of its own.
std::string BoxPath(std::string_view path);

/// `lead` followed by ShownPath(path), broken for a message box as the
/// path goes on the last line of `lead`: a path that would make that line
/// wider than a box starts on the next one (the spaces ending `lead` are
/// then dropped), so that the box never wraps it inside a name itself.
std::string BoxPathAfter(std::string_view lead, std::string_view path);

}  // namespace zarvek

#endif  // ZARVEK_TEXT_SHOWN_PATH_H_
