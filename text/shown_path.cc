#include "text/shown_path.h"

#include <vector>

namespace zarvek {
namespace {

size_t CodePoints(std::string_view text) {
  size_t n = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace

std::string WithSeparator(std::string_view path, char separator) {
  std::string out(path);
  for (char& c : out) {
    if (c == '/') c = separator;
  }
  return out;
}

std::string BreakPathLines(std::string_view path, size_t width, size_t used) {
  // The pieces end after each separator; the last one holds the rest.
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '/' || path[i] == '\\') {
      pieces.push_back(path.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  if (start < path.size()) pieces.push_back(path.substr(start));
  std::string out;
  size_t line = used;
  for (const std::string_view piece : pieces) {
    const size_t n = CodePoints(piece);
    if (line > 0 && line + n > width) {
      out += '\n';
      line = 0;
    }
    out += piece;
    line += n;
  }
  return out;
}

std::string BoxPath(std::string_view path) {
  return BreakPathLines(ShownPath(path), kBoxPathWidth);
}

std::string BoxPathAfter(std::string_view lead, std::string_view path) {
  const size_t line_start = lead.rfind('\n');
  const size_t used = CodePoints(
      lead.substr(line_start == std::string_view::npos ? 0 : line_start + 1));
  const std::string broken =
      BreakPathLines(ShownPath(path), kBoxPathWidth, used);
  if (!broken.empty() && broken[0] == '\n') {
    while (!lead.empty() && lead.back() == ' ') lead.remove_suffix(1);
  }
  return std::string(lead) + broken;
}

}  // namespace zarvek
