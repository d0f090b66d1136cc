#include "rinex/header_fields.h"

#include <charconv>

namespace zarvek {
namespace {

constexpr std::size_t kLabelColumn = 60;  // labels start in column 61

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return line;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

// The label of a header line: columns 61-80 without trailing blanks.
std::string_view Label(std::string_view line) {
  if (line.size() <= kLabelColumn) return {};
  return TrimBlanks(line.substr(kLabelColumn, 20));
}

// Columns [first, first + count) of `line`, 0-based, trimmed; a short line
// gives what it has.
std::string Columns(std::string_view line, std::size_t first,
                    std::size_t count) {
  if (line.size() <= first) return {};
  return std::string(TrimBlanks(line.substr(first, count)));
}

}  // namespace

HeaderFields ReadHeaderFields(std::string_view text) {
  HeaderFields fields;
  bool marker = false, antenna = false, receiver = false;
  std::size_t lines = 0;
  while (!text.empty() && lines++ < kHeaderFieldsMaxLines) {
    const std::size_t end = text.find('\n');
    const std::string_view line = WithoutLineEnd(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::string_view label = Label(line);
    if (label == "END OF HEADER") break;
    if (label == "MARKER NAME" && !marker) {
      marker = true;
      fields.marker_name = Columns(line, 0, 60);
    } else if (label == "ANT # / TYPE" && !antenna) {
      antenna = true;
      fields.antenna_type = Columns(line, 20, 20);
    } else if (label == "REC # / TYPE / VERS" && !receiver) {
      receiver = true;
      fields.receiver_serial = Columns(line, 0, 20);
    }
  }
  return fields;
}

void ObservationFingerprinter::Feed(std::string_view line) {
  line = WithoutLineEnd(line);
  if (!in_data_) {
    // A header that never ends leaves the fingerprint empty rather than
    // reading a whole unknown file as header.
    if (header_lines_++ < static_cast<std::int64_t>(kHeaderFieldsMaxLines) &&
        Label(line) == "END OF HEADER") {
      in_data_ = true;
    }
    return;
  }
  ++lines_;
  bytes_ += static_cast<std::int64_t>(line.size());
  if (lines_ > kFingerprintHashedLines) return;
  // An event record's DELTA H is what a correction rewrites, in place and
  // at the same length: the corrected copy still holds the same
  // observations.
  if (Label(line) == "ANTENNA: DELTA H/E/N") return;
  for (unsigned char c : line) {
    hash_ = (hash_ ^ c) * 1099511628211ull;
  }
  hash_ = (hash_ ^ '\n') * 1099511628211ull;  // so that lines stay apart
}

std::string ObservationFingerprinter::Finish() const {
  if (!in_data_ || lines_ == 0) return {};
  char buf[24];
  std::string out(buf, std::to_chars(buf, buf + sizeof buf, lines_).ptr);
  out += ':';
  out.append(buf, std::to_chars(buf, buf + sizeof buf, bytes_).ptr);
  out += ':';
  const std::size_t digits = static_cast<std::size_t>(
      std::to_chars(buf, buf + sizeof buf, hash_, 16).ptr - buf);
  out.append(16 - digits, '0');
  out.append(buf, digits);
  return out;
}

}  // namespace zarvek
