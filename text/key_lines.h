// The "key=value" lines of the program's small text files (settings, the
// mark of a project open in a window).
#ifndef ZARVEK_TEXT_KEY_LINES_H_
#define ZARVEK_TEXT_KEY_LINES_H_

#include <cstddef>
#include <string_view>

namespace zarvek {

/// Calls `fn(key, value)` for each "key=value" line of `text`, in order.
/// Blank lines, lines starting with '#' and lines without '=' are skipped;
/// a CR before a line's LF (a file edited on Windows) is not part of it.
template <typename Fn>
void ForEachKeyLine(std::string_view text, Fn&& fn) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string_view::npos)
      continue;
    fn(line.substr(0, equals), line.substr(equals + 1));
  }
}

}  // namespace zarvek

#endif  // ZARVEK_TEXT_KEY_LINES_H_
