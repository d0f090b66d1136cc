#include "rinex/rinex_header.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "text/ascii_text.h"
#include "text/decimal.h"

namespace zarvek {
namespace {

constexpr std::string_view kVersionLabel = "RINEX VERSION / TYPE";
constexpr std::string_view kDeltaLabel = "ANTENNA: DELTA H/E/N";
constexpr std::string_view kEndLabel = "END OF HEADER";

// One line of the text: where it starts and its length without "\n" or
// "\r\n".
struct Line {
  std::size_t offset = 0;
  std::string_view text;
};

// Splits off the line starting at `*pos`. A last line without its line end
// counts only when the bytes are the whole file: otherwise it may have been
// cut short by the reading bound.
bool NextLine(std::string_view bytes, bool complete, std::size_t* pos,
              Line* line) {
  if (*pos >= bytes.size()) return false;
  const std::size_t end = bytes.find('\n', *pos);
  if (end == std::string_view::npos && !complete) return false;
  const std::size_t stop = end == std::string_view::npos ? bytes.size() : end;
  std::string_view text = bytes.substr(*pos, stop - *pos);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  line->offset = *pos;
  line->text = text;
  *pos = end == std::string_view::npos ? bytes.size() : end + 1;
  return true;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

// The record label of a header line: columns 61-80, blanks trimmed.
std::string_view Label(std::string_view line) {
  if (line.size() <= 60) return {};
  return TrimSpaces(line.substr(60, 20));
}

// The CRINEX label is written "CRINEX VERS   / TYPE"; writers differ in the
// blanks, so they are left out of the comparison.
bool SameWithoutBlanks(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (true) {
    while (i < a.size() && a[i] == ' ') ++i;
    while (j < b.size() && b[j] == ' ') ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (a[i] != b[j]) return false;
    ++i, ++j;
  }
}

// A blank-separated word of `text` and where it starts.
struct Word {
  std::size_t column = 0;  // 0-based
  std::string_view text;
};

std::vector<Word> Words(std::string_view text) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.push_back({start, text.substr(start, i - start)});
  }
  return words;
}

// The three numbers of a DELTA H/E/N line, read as 3F14.4 or, failing that,
// as exactly three blank-separated numbers within columns 1-60.
struct DeltaNumbers {
  double h = 0, e = 0, n = 0;
  std::vector<Word> words;  // empty when read by the columns
};

std::optional<DeltaNumbers> ParseDelta(std::string_view line) {
  const std::string_view fields =
      line.substr(0, std::min<std::size_t>(60, line.size()));
  // Columns 43-60 are spare in the format; whatever a writer left there
  // is not read, as a FORTRAN 3F14.4 read would not.
  if (fields.size() == 60) {
    auto h = ParseDecimal(fields.substr(0, 14));
    auto e = ParseDecimal(fields.substr(14, 14));
    auto n = ParseDecimal(fields.substr(28, 14));
    if (h && e && n) return DeltaNumbers{*h, *e, *n, {}};
  }
  std::vector<Word> words = Words(fields);
  if (words.size() != 3) return std::nullopt;
  auto h = ParseDecimal(words[0].text);
  auto e = ParseDecimal(words[1].text);
  auto n = ParseDecimal(words[2].text);
  if (!h || !e || !n) return std::nullopt;
  return DeltaNumbers{*h, *e, *n, std::move(words)};
}

RinexHeader Unreadable(RinexHeader header, std::string reason) {
  header.kind = RinexKind::kUnreadable;
  header.reason = std::move(reason);
  return header;
}

std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         s.substr(s.size() - suffix.size()) == suffix;
}

// Where the reading of a header has got to: the line last read and how many
// lines that makes.
struct HeaderCursor {
  HeaderCursor(std::string_view bytes, bool complete)
      : bytes(bytes), complete(complete) {}

  std::string_view bytes;
  bool complete;
  std::size_t pos = 0;
  std::size_t lines = 0;
  Line line;

  bool Next() {
    if (!NextLine(bytes, complete, &pos, &line)) return false;
    ++lines;
    return true;
  }
};

// Reads up to the RINEX VERSION / TYPE line, the first of a RINEX file and
// the third of a CRINEX one, after its own two. False, with `header` saying
// why, when the file does not start so.
bool FindVersionLine(HeaderCursor& at, RinexHeader* header) {
  if (!at.Next()) {
    header->reason = "no es un archivo RINEX (no tiene líneas de texto)";
    return false;
  }
  if (SameWithoutBlanks(Label(at.line.text), "CRINEX VERS / TYPE")) {
    header->crinex = true;
    if (!at.Next() ||
        !SameWithoutBlanks(Label(at.line.text), "CRINEX PROG / DATE") ||
        !at.Next()) {
      *header = Unreadable(*header, "cabecera CRINEX incompleta");
      return false;
    }
  }
  if (Label(at.line.text) != kVersionLabel) {
    if (header->crinex) {
      *header = Unreadable(*header,
                           "CRINEX sin línea RINEX VERSION / TYPE tras sus dos "
                           "primeras líneas");
      return false;
    }
    header->reason = "no es un archivo RINEX (primera línea no reconocida)";
    return false;
  }
  return true;
}

// Reads the version and file type of the RINEX VERSION / TYPE line. False,
// with `header` saying why, unless it is an observation file.
bool ReadVersionAndType(std::string_view line, RinexHeader* header) {
  // Version F9.2, blanks, and the file type in column 21: the type is the
  // first letter of the word after the version, which also finds it when
  // a writer has shifted the fields.
  const std::vector<Word> words = Words(line.substr(0, 60));
  if (words.size() < 2 || !ParseDecimal(words[0].text)) {
    header->reason = "RINEX VERSION / TYPE sin versión o tipo legibles";
    return false;
  }
  header->version = std::string(words[0].text);
  const char type = words[1].text[0];
  if (type != 'O' && type != 'o') {
    header->kind = RinexKind::kOtherRinex;
    // The letter goes into a message: only a printable one is shown.
    header->reason = std::string("archivo RINEX de tipo ") +
                     (type > ' ' && type <= '~' ? type : '?') +
                     ", no de observación";
    return false;
  }
  return true;
}

// Reads the rest of an observation header, up to END OF HEADER and within
// the bounds, for its one ANTENNA: DELTA H/E/N line.
RinexHeader ReadObservationRecords(HeaderCursor& at, RinexHeader header) {
  bool delta_seen = false;
  while (true) {
    if (at.pos >= kRinexHeaderMaxBytes || at.lines >= kRinexHeaderMaxLines) {
      return Unreadable(header,
                        "cabecera de más de 1000 líneas o 100 KB sin END OF "
                        "HEADER");
    }
    if (!at.Next()) {
      if (at.complete) {
        return Unreadable(header, "cabecera truncada: falta END OF HEADER");
      }
      return Unreadable(header,
                        "cabecera de más de 1000 líneas o 100 KB sin END OF "
                        "HEADER");
    }
    const std::string_view label = Label(at.line.text);
    if (label == kEndLabel) break;
    if (label != kDeltaLabel) continue;
    if (delta_seen) {
      return Unreadable(header,
                        "dos líneas ANTENNA: DELTA H/E/N en la cabecera");
    }
    delta_seen = true;
    const std::optional<DeltaNumbers> numbers = ParseDelta(at.line.text);
    if (!numbers) {
      return Unreadable(header,
                        "la línea ANTENNA: DELTA H/E/N no tiene tres números");
    }
    header.delta_h = numbers->h;
    header.delta_e = numbers->e;
    header.delta_n = numbers->n;
    header.delta_line_offset = at.line.offset;
    header.delta_line_length = at.line.text.size();
    header.delta_line_number = at.lines;
  }
  if (!delta_seen) {
    return Unreadable(header, "cabecera sin línea ANTENNA: DELTA H/E/N");
  }
  header.kind = RinexKind::kObservation;
  header.header_end = at.pos;
  header.header_lines = at.lines;
  return header;
}

}  // namespace

RinexHeader ReadRinexHeader(std::string_view bytes, bool complete) {
  RinexHeader header;
  if (bytes.empty()) {
    header.reason = "archivo vacío";
    return header;
  }
  HeaderCursor at(bytes, complete);
  if (!FindVersionLine(at, &header)) return header;
  if (!ReadVersionAndType(at.line.text, &header)) return header;
  return ReadObservationRecords(at, std::move(header));
}

bool EndOfHeaderFinder::operator()(std::string_view bytes, std::size_t) {
  for (; next_ < bytes.size(); ++next_) {
    ++examined_;
    if (bytes[next_] != '\n') continue;
    const std::size_t start = line_start_;
    line_start_ = next_ + 1;
    if (next_ - start >= 60 + kEndLabel.size() &&
        bytes.substr(start + 60, kEndLabel.size()) == kEndLabel) {
      ++next_;
      return true;
    }
  }
  return false;
}

std::optional<std::string> FormatF14_4(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const std::string text = FormatFixed(value, 4);
  if (text.size() > 14) return std::nullopt;
  return std::string(14 - text.size(), ' ') + text;
}

bool FindDeltaHLines(std::string_view bytes, bool complete,
                     std::vector<RinexDeltaLine>* lines, std::string* reason) {
  lines->clear();
  auto refuse = [&](std::string why) {
    lines->clear();
    if (reason) *reason = std::move(why);
    return false;
  };
  const RinexHeader header = ReadRinexHeader(bytes, complete);
  if (header.kind != RinexKind::kObservation) {
    return refuse(header.reason.empty() ? "no es un archivo de observación"
                                        : header.reason);
  }
  lines->push_back({header.delta_line_number, header.delta_line_offset,
                    header.delta_line_length, header.delta_h});
  HeaderCursor at(bytes, complete);
  at.pos = header.header_end;
  at.lines = header.header_lines;
  while (at.Next()) {
    if (Label(at.line.text) != kDeltaLabel) continue;
    const std::string where = "línea " + DecimalText(at.lines);
    if (lines->size() >= kRinexMaxDeltaLines) {
      return refuse("más de " + DecimalText(kRinexMaxDeltaLines) +
                    " líneas ANTENNA: DELTA H/E/N (" + where + ")");
    }
    const std::optional<DeltaNumbers> numbers = ParseDelta(at.line.text);
    if (!numbers) {
      return refuse(where +
                    ": la línea ANTENNA: DELTA H/E/N de un registro de evento "
                    "no tiene tres números");
    }
    lines->push_back(
        {at.lines, at.line.offset, at.line.text.size(), numbers->h});
  }
  return true;
}

std::string_view RinexRecordLabel(std::string_view line) { return Label(line); }

std::optional<double> ReadDeltaH(std::string_view line) {
  const std::optional<DeltaNumbers> numbers = ParseDelta(line);
  if (!numbers) return std::nullopt;
  return numbers->h;
}

std::optional<std::string> DeltaHLineStart(std::string_view line,
                                           const std::string& field,
                                           std::string* reason) {
  const std::optional<DeltaNumbers> numbers = ParseDelta(line);
  if (!numbers) {
    *reason = "la línea ANTENNA: DELTA H/E/N no se entiende";
    return std::nullopt;
  }
  // DELTA H within columns 1-14, with nothing else there and a blank
  // after them: only those columns change. F14.4 fills all 14, so an E
  // starting in column 15 would run into it and the line would no longer
  // read as three numbers; such a line is laid out again below.
  const std::vector<Word>& words = numbers->words;
  if (words.empty() ||
      (words[0].column + words[0].text.size() <= 14 && words[1].column > 14)) {
    return field;
  }
  // Shifted across column 14, or E against it: the numbers are laid out
  // again in their columns, E and N as written.
  if (words[1].text.size() > 14 || words[2].text.size() > 14) {
    *reason = "DELTA E o N no caben en 14 columnas";
    return std::nullopt;
  }
  std::string layout = field;
  for (int i = 1; i <= 2; ++i) {
    layout += std::string(14 - words[i].text.size(), ' ');
    layout += words[i].text;
  }
  layout.resize(60, ' ');
  return layout;
}

namespace {

// The new text of the DELTA H line `line` of `bytes` with DELTA H written as
// `field` (F14.4): where it starts and what replaces the bytes there.
// nullopt, with `*reason`, when the line cannot take it.
struct LineChange {
  std::size_t offset = 0;
  std::string text;
};

std::optional<LineChange> ChangeDeltaLine(std::string_view bytes,
                                          const RinexDeltaLine& line,
                                          const std::string& field,
                                          std::string* reason) {
  std::optional<std::string> text =
      DeltaHLineStart(bytes.substr(line.offset, line.length), field, reason);
  if (!text) return std::nullopt;
  return LineChange{line.offset, std::move(*text)};
}

}  // namespace

bool CorrectDeltaHInPlace(std::string& file_bytes, double arp,
                          std::string* reason) {
  std::string why;
  auto refuse = [&](std::string text) {
    if (reason) *reason = std::move(text);
    return false;
  };
  std::vector<RinexDeltaLine> lines;
  if (!FindDeltaHLines(file_bytes, true, &lines, &why)) return refuse(why);
  const std::optional<std::string> field = FormatF14_4(arp);
  if (!field) return refuse("la altura ARP no cabe en F14.4");
  // Every line is checked before any is changed, so that a refused file
  // is left as it was.
  std::vector<LineChange> changes;
  for (const RinexDeltaLine& line : lines) {
    std::optional<LineChange> change =
        ChangeDeltaLine(file_bytes, line, *field, &why);
    if (!change) {
      return refuse(line.number == lines.front().number
                        ? why
                        : "línea " + DecimalText(line.number) + ": " + why);
    }
    changes.push_back(std::move(*change));
  }
  for (const LineChange& change : changes) {
    file_bytes.replace(change.offset, change.text.size(), change.text);
  }
  return true;
}

bool LooksLikeObservationName(std::string_view name) {
  std::string lower = ToLower(name);
  for (std::string_view wrapper : {".gz", ".z", ".bz2", ".zip"}) {
    if (EndsWith(lower, wrapper)) {
      lower.resize(lower.size() - wrapper.size());
      break;
    }
  }
  for (std::string_view ending : {".obs", ".rnx", ".crx"}) {
    if (EndsWith(lower, ending)) return true;
  }
  // RINEX 2 short names: ".yyo" (plain) or ".yyd" (Hatanaka).
  const std::size_t dot = lower.rfind('.');
  if (dot == std::string::npos || lower.size() - dot != 4) return false;
  const char y1 = lower[dot + 1], y2 = lower[dot + 2], t = lower[dot + 3];
  return y1 >= '0' && y1 <= '9' && y2 >= '0' && y2 <= '9' &&
         (t == 'o' || t == 'd');
}

std::string CorrectedCopyName(std::string_view name, RinexWrapper wrapper) {
  if (wrapper == RinexWrapper::kNone || wrapper == RinexWrapper::kGzip) {
    return std::string(name);
  }
  const std::string lower = ToLower(name);
  for (std::string_view suffix :
       {".z", ".bz2", ".zip", ".gz", ".xz", ".lzma", ".zst", ".lz4", ".lz"}) {
    if (EndsWith(lower, suffix) && lower.size() > suffix.size()) {
      return std::string(name.substr(0, name.size() - suffix.size()));
    }
  }
  return std::string(name);
}

namespace {

// Lines of the header of `bytes`, handed to `line` with their label (from
// column 61) until END OF HEADER or a bound.
template <typename Each>
void ForEachHeaderLine(std::string_view bytes, Each line) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < kRinexHeaderMaxLines && pos < bytes.size() &&
                          pos < kRinexHeaderMaxBytes;
       ++n) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) return;  // a line cut short
    std::string_view text = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    std::string_view label = text.size() > 60 ? text.substr(60) : "";
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    if (label == kEndLabel) return;
    line(text.substr(0, std::min<std::size_t>(text.size(), 60)), label);
  }
}

// The blank-separated numbers of `text`; false when a word is not one.
template <typename T>
bool NumbersOf(std::string_view text, std::vector<T>* out) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    std::size_t j = text.find(' ', i);
    if (j == std::string_view::npos) j = text.size();
    T value{};
    const char* first = text.data() + i;
    const char* last = text.data() + j;
    const auto res = std::from_chars(first, last, value);
    if (res.ec != std::errc() || res.ptr != last) return false;
    out->push_back(value);
    i = j;
  }
  return true;
}

}  // namespace

RinexPlaceAndDay ReadRinexPlaceAndDay(std::string_view bytes) {
  RinexPlaceAndDay found;
  ForEachHeaderLine(bytes, [&](std::string_view data, std::string_view label) {
    if (label == "APPROX POSITION XYZ" && !found.approx_xyz) {
      std::vector<double> xyz;
      if (!NumbersOf(data, &xyz) || xyz.size() != 3) return;
      const double r =
          std::sqrt(xyz[0] * xyz[0] + xyz[1] * xyz[1] + xyz[2] * xyz[2]);
      // From the Dead Sea shore to well above any mountain: anything else
      // is "unknown" (zeros) or a broken record, not a place.
      if (!(r > 6'340'000 && r < 6'400'000)) return;
      found.approx_xyz = std::array<double, 3>{xyz[0], xyz[1], xyz[2]};
    } else if (label == "TIME OF FIRST OBS" && !found.first_obs) {
      // 5I6: year, month, day, hour, minute; then the seconds.
      std::vector<int> ymd;
      if (data.size() < 18 || !NumbersOf(data.substr(0, 18), &ymd) ||
          ymd.size() != 3) {
        return;
      }
      if (ymd[0] < 1980 || ymd[0] > 2200 || ymd[1] < 1 || ymd[1] > 12 ||
          ymd[2] < 1 || ymd[2] > 31) {
        return;
      }
      found.first_obs = RinexPlaceAndDay::Day{ymd[0], ymd[1], ymd[2]};
    }
  });
  return found;
}

}  // namespace zarvek
