#include "heights/measurement_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "heights/conversion.h"
#include "heights/decimal.h"
#include "heights/point_detection.h"
#include "heights/row_rules.h"
#include "platform/fs.h"
#include "text/ascii_text.h"

namespace zarvek {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

enum Column { kCodigo, kRec, kTipo, kAcc, kRef, kH, kArp, kFase };

// True when `s` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (end - p <= n) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (int i = 2; i <= n; ++i) {
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    }
    p += n + 1;
  }
  return true;
}

struct RawRecord {
  std::size_t line;
  std::string_view text;
  std::vector<std::string> fields;
};

// Reads the quoted field that opens at `*pos` (on its quote) into `field`,
// a doubled quote standing for one, and leaves `*pos` after the closing
// quote. Line breaks inside belong to the field but still count in `*line`.
// False when the text ends before the quote is closed.
bool ReadQuotedField(std::string_view s, std::size_t* pos, std::size_t* line,
                     std::string* field) {
  ++*pos;
  for (;;) {
    if (*pos == s.size()) return false;
    const char q = s[*pos];
    if (q == '"') {
      if (*pos + 1 < s.size() && s[*pos + 1] == '"') {
        *field += '"';
        *pos += 2;
        continue;
      }
      ++*pos;
      return true;
    }
    if (q == '\n' ||
        (q == '\r' && !(*pos + 1 < s.size() && s[*pos + 1] == '\n'))) {
      ++*line;
    }
    *field += q;
    ++*pos;
  }
}

// Splits `s` into records of ";"-separated fields. Outside quotes CRLF, LF
// and a lone CR end a record; inside quotes they belong to the field. Text
// after a closing quote is kept as part of the field, and a quote inside an
// unquoted field is an ordinary character, as spreadsheets read them.
// Fails only on a quote left open at the end of the text.
bool SplitRecords(std::string_view s, std::vector<RawRecord>* out,
                  std::size_t* bad_line) {
  std::size_t pos = 0;
  std::size_t line = 1;
  while (pos < s.size()) {
    RawRecord record{line, {}, {}};
    const std::size_t start = pos;
    std::string field;
    bool at_field_start = true;
    bool ended = false;
    while (!ended) {
      if (pos == s.size()) {
        record.fields.push_back(std::move(field));
        record.text = s.substr(start, pos - start);
        break;
      }
      const char c = s[pos];
      if (at_field_start && c == '"') {
        at_field_start = false;
        if (!ReadQuotedField(s, &pos, &line, &field)) {
          *bad_line = record.line;
          return false;
        }
        continue;
      }
      at_field_start = false;
      if (c == ';') {
        record.fields.push_back(std::move(field));
        field.clear();
        at_field_start = true;
        ++pos;
      } else if (c == '\r' || c == '\n') {
        record.fields.push_back(std::move(field));
        record.text = s.substr(start, pos - start);
        pos += (c == '\r' && pos + 1 < s.size() && s[pos + 1] == '\n') ? 2 : 1;
        ++line;
        ended = true;
      } else {
        // Runs of ordinary characters are appended at once.
        const std::size_t stop = s.find_first_of(";\r\n", pos);
        const std::size_t n =
            (stop == std::string_view::npos ? s.size() : stop) - pos;
        field.append(s.substr(pos, n));
        pos += n;
      }
    }
    out->push_back(std::move(record));
  }
  return true;
}

// Refuses bytes that are not UTF-8 text of a reasonable size, and drops
// the byte-order mark.
bool CheckIsText(std::string_view* bytes, std::string* error) {
  if (bytes->size() > kMaxMeasurementFileBytes) {
    *error = "ES DEMASIADO GRANDE (MÁS DE " +
             DecimalText(kMaxMeasurementFileBytes >> 20) + " MB)";
    return false;
  }
  if (bytes->substr(0, kBom.size()) == kBom) bytes->remove_prefix(kBom.size());
  if (std::memchr(bytes->data(), '\0', bytes->size()) != nullptr) {
    *error = "NO ES UN ARCHIVO DE TEXTO";
    return false;
  }
  if (!IsUtf8(*bytes)) {
    *error = "NO ESTÁ CODIFICADO EN UTF-8 (GUÁRDELO COMO «CSV UTF-8»)";
    return false;
  }
  return true;
}

// The most fields any line after the header holds, not counting blank
// fields at its end beyond `header_width`; at least `header_width`.
std::size_t WidestLine(const std::vector<RawRecord>& raw,
                       std::size_t header_width) {
  std::size_t widest = header_width;
  for (std::size_t i = 1; i < raw.size(); ++i) {
    std::size_t n = raw[i].fields.size();
    while (n > widest && TrimBlanks(raw[i].fields[n - 1]).empty()) --n;
    widest = std::max(widest, n);
  }
  return widest;
}

bool IsBlankRecord(const std::vector<std::string>& fields) {
  return std::all_of(fields.begin(), fields.end(), [](const std::string& f) {
    return TrimBlanks(f).empty();
  });
}

// `value` for a message: at most 40 bytes, cut at a character boundary.
std::string Quoted(std::string_view value) {
  std::string out = "«";
  if (value.size() <= 40) {
    out += value;
  } else {
    std::size_t n = 40;
    while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) --n;
    out += value.substr(0, n);
    out += "…";
  }
  return out + "»";
}

void AppendField(std::string* out, std::string_view field) {
  if (field.find_first_of(";\"\r\n") == std::string_view::npos) {
    out->append(field);
    return;
  }
  out->push_back('"');
  for (char c : field) {
    if (c == '"') out->push_back('"');
    out->push_back(c);
  }
  out->push_back('"');
}

const std::string kEmpty;

// `text` with its decimal separator turned into `separator` when it is a
// number ParseTypedDecimal reads, else as it is. The file writes numbers
// with the comma, as a spreadsheet in Spanish reads them: given "1.452" it
// would take the point for a thousands separator and keep 1452.
std::string WithSeparator(std::string text, char separator) {
  if (!ParseTypedDecimal(text)) return text;
  for (char& c : text) {
    if (c == '.' || c == ',') c = separator;
  }
  return text;
}

// The ARP and phase-centre heights of `values` as the report prints them
// (4 decimals, point), or two empty texts when the row is incomplete or
// does not convert.
std::pair<std::string, std::string> Results(const RowValues& values,
                                            const Catalogue& catalogue) {
  if (values.rec.empty() || values.tipo.empty() || values.acc.empty() ||
      values.ref.empty() || values.h.empty()) {
    return {};
  }
  const ReceiverSpec* spec = FindReceiver(catalogue, values.rec);
  if (spec == nullptr) return {};
  auto conv = calcular_arp_y_fase(values.h, values.tipo, values.ref, *spec);
  if (!conv) return {};
  return {FormatFixed(conv->arp, 4), FormatFixed(conv->phase_center, 4)};
}

// True when the file's `field` holds the number `result` (point form, or
// empty), written with either separator.
bool SameResult(std::string_view field, const std::string& result) {
  std::string text(TrimBlanks(field));
  std::replace(text.begin(), text.end(), ',', '.');
  return text == result;
}

}  // namespace

RowValues ApplyRowRules(const Catalogue& catalogue,
                        const std::string& default_receiver,
                        const RowValues& saved,
                        std::vector<std::string>* dropped) {
  auto note = [dropped](std::string text) {
    if (dropped) dropped->push_back(std::move(text));
  };
  RowValues out;
  out.h = saved.h;
  out.rec = saved.rec;
  if (out.rec.empty() || FindReceiver(catalogue, out.rec) == nullptr) {
    // A line with nothing but its code is a row not begun: it takes the
    // default receiver as a new row does. Once anything else is filled the
    // receiver must be the surveyor's own choice, or the report would
    // certify a receiver nobody picked.
    // Begun means with a value the rules keep: an accessory or reference
    // needs a type to stand, so a type the boxes offer or a height is what
    // tells (and the rules give the same row when applied again).
    const bool begun =
        std::find(kTipoChoices.begin(), kTipoChoices.end(), saved.tipo) !=
            kTipoChoices.end() ||
        !TrimBlanks(saved.h).empty();
    if (begun) {
      note(out.rec.empty()
               ? std::string("SIN RECEPTOR: ELIJA UNO")
               : "RECEPTOR " + Quoted(out.rec) + " DESCONOCIDO: ELIJA UNO");
      out.rec.clear();
    } else {
      if (!out.rec.empty()) {
        note("RECEPTOR " + Quoted(out.rec) + " DESCONOCIDO: SE USA " +
             default_receiver);
      }
      out.rec = default_receiver;
    }
  }
  if (std::find(kTipoChoices.begin(), kTipoChoices.end(), saved.tipo) !=
      kTipoChoices.end()) {
    out.tipo = saved.tipo;
  } else if (!saved.tipo.empty()) {
    note("TIPO DE MEDIDA " + Quoted(saved.tipo) +
         " NO SE OFRECE: SE DEJA VACÍO");
  }
  if (!saved.acc.empty()) {
    const Choices offered = AccessoryChoices(out.tipo);
    if (std::find(offered.values.begin(), offered.values.end(), saved.acc) !=
        offered.values.end()) {
      out.acc = saved.acc;
    } else {
      note("ACCESORIO " + Quoted(saved.acc) + " NO SE OFRECE PARA " +
           Quoted(out.tipo) + ": SE DEJA VACÍO");
    }
  }
  if (!out.acc.empty()) {
    const Choices offered = ReferenceChoices(out.rec, out.tipo, out.acc);
    if (std::find(offered.values.begin(), offered.values.end(), saved.ref) !=
        offered.values.end()) {
      out.ref = saved.ref;
    } else {
      if (!saved.ref.empty()) {
        note("REFERENCIA " + Quoted(saved.ref) + " NO SE OFRECE PARA " +
             out.rec + ", " + out.tipo + ", " + out.acc + ": SE DEJA " +
             (offered.preselect ? "LA ÚNICA POSIBLE" : "VACÍA"));
      }
      out.ref = offered.preselect.value_or("");
    }
  } else if (!saved.ref.empty()) {
    note("REFERENCIA " + Quoted(saved.ref) + " SIN ACCESORIO: SE DEJA VACÍA");
  }
  return out;
}

MeasurementFile::MeasurementFile() {
  header_.assign(kMeasurementColumns.begin(), kMeasurementColumns.end());
  for (std::size_t c = 0; c < column_.size(); ++c) column_[c] = c;
  for (const std::string& name : header_) {
    if (!header_text_.empty()) header_text_ += ';';
    AppendField(&header_text_, name);
  }
}

std::optional<MeasurementFile> MeasurementFile::Parse(
    std::string_view bytes, const Catalogue& catalogue, std::string* error) {
  if (!CheckIsText(&bytes, error)) return std::nullopt;
  std::vector<RawRecord> raw;
  std::size_t bad_line = 0;
  if (!SplitRecords(bytes, &raw, &bad_line)) {
    *error =
        "TIENE UNAS COMILLAS SIN CERRAR (LÍNEA " + DecimalText(bad_line) + ")";
    return std::nullopt;
  }
  MeasurementFile file;
  if (raw.empty()) return file;
  if (!file.ReadHeader(raw[0].fields, error)) return std::nullopt;
  file.header_text_ = std::string(raw[0].text);
  // A header that lacks some of the program's columns gets them added after
  // every field that any line holds, the fields beyond the header's names
  // becoming unnamed columns. Added names that landed on a line's extra
  // fields would make the next reading take those as the point's values (a
  // note as its height); and a line refused now for its extra fields would
  // fit the written header and be read differently next time.
  const bool lacks_columns = std::find(file.column_.begin(), file.column_.end(),
                                       kNone) != file.column_.end();
  if (lacks_columns) file.header_.resize(WidestLine(raw, file.header_.size()));
  const std::size_t width = file.header_.size();
  if (lacks_columns) file.AddMissingColumns();

  file.records_.reserve(raw.size() - 1);
  for (std::size_t i = 1; i < raw.size(); ++i) {
    file.records_.push_back(file.ReadRecord(
        raw[i].line, raw[i].text, std::move(raw[i].fields), width, catalogue));
  }
  return file;
}

// Known columns by name, blanks around names ignored; the first of two
// equal names counts, the other is kept as unknown.
bool MeasurementFile::ReadHeader(const std::vector<std::string>& names,
                                 std::string* error) {
  header_.clear();
  column_.fill(kNone);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string_view name = TrimBlanks(names[i]);
    for (std::size_t c = 0; c < kMeasurementColumns.size(); ++c) {
      if (name == kMeasurementColumns[c] && column_[c] == kNone) column_[c] = i;
    }
    header_.push_back(names[i]);
  }
  if (column_[kCodigo] == kNone) {
    *error = "NO TIENE LA COLUMNA «PUNTO» EN SU PRIMERA LÍNEA";
    return false;
  }
  return true;
}

void MeasurementFile::AddMissingColumns() {
  for (std::size_t c = 0; c < kMeasurementColumns.size(); ++c) {
    if (column_[c] != kNone) continue;
    column_[c] = header_.size();
    header_.emplace_back(kMeasurementColumns[c]);
  }
  header_text_.clear();
  for (std::size_t i = 0; i < header_.size(); ++i) {
    if (i > 0) header_text_ += ';';
    AppendField(&header_text_, header_[i]);
  }
}

MeasurementFile::Record MeasurementFile::ReadRecord(
    std::size_t line, std::string_view text, std::vector<std::string> fields,
    std::size_t width, const Catalogue& /*catalogue*/) {
  Record record;
  record.line = line;
  record.text = std::string(text);
  record.fields = std::move(fields);
  auto problem = [&](std::string why) {
    problems_.push_back(
        {record.line, std::move(why) + "; LA LÍNEA SE CONSERVA SIN USAR"});
  };
  if (IsBlankRecord(record.fields)) {
    // Spreadsheets write empty rows as ";;;;": nothing to use or report.
  } else if (record.fields.size() > width &&
             !IsBlankRecord(
                 {record.fields.begin() + width, record.fields.end()})) {
    problem("TIENE MÁS CAMPOS QUE LA CABECERA");
  } else {
    record.fields.resize(width);
    const std::string_view code = TrimBlanks(Field(record, column_[kCodigo]));
    if (!IsAsciiDigits(code)) {
      problem(code.empty()
                  ? std::string("NO TIENE CÓDIGO DE PUNTO")
                  : "EL CÓDIGO DE PUNTO " + Quoted(code) + " NO ES NUMÉRICO");
    } else {
      // A receiver the catalogue does not know is no reason to hide the
      // line's other values: the row rules open it without a receiver, to
      // be chosen, and say so.
      record.usable = true;
    }
  }
  return record;
}

const std::string& MeasurementFile::Field(const Record& r,
                                          std::size_t column) const {
  return column < r.fields.size() ? r.fields[column] : kEmpty;
}

std::vector<std::optional<RowValues>> MeasurementFile::Bind(
    const std::vector<std::string>& codes, const Catalogue& catalogue) {
  codes_ = codes;
  PairRowsWithLines();
  const std::string default_receiver =
      catalogue.empty() ? std::string() : catalogue.front().first;
  std::vector<std::optional<RowValues>> out(codes.size());
  refreshed_rows_.clear();
  doubtful_heights_.clear();
  for (std::size_t row = 0; row < codes.size(); ++row) {
    if (row_of_[row] == kNone) continue;
    Record& r = records_[row_of_[row]];
    out[row] = ValuesOfLine(r, catalogue, default_receiver);
    const std::optional<double> h = ParseTypedDecimal(out[row]->h);
    if (h && std::fabs(*h) > kMaxHeightMagnitude) {
      doubtful_heights_.push_back(row);
      problems_.push_back(
          {r.line,
           "LA ALTURA " + Quoted(TrimBlanks(out[row]->h)) + " PASA DE " +
               DecimalText(static_cast<std::size_t>(kMaxHeightMagnitude)) +
               " m"});
    }
    if (RefreshResults(&r, *out[row], catalogue))
      refreshed_rows_.push_back(row);
  }
  std::stable_sort(problems_.begin(), problems_.end(),
                   [](const LineProblem& a, const LineProblem& b) {
                     return a.line < b.line;
                   });
  return out;
}

// Usable lines by exact code, then by value, each in file order.
void MeasurementFile::PairRowsWithLines() {
  row_of_.assign(codes_.size(), kNone);
  all_rows_present_ = false;
  auto value_key = [](std::string_view code) {
    const std::size_t nz = code.find_first_not_of('0');
    return std::string(nz == std::string_view::npos ? "0" : code.substr(nz));
  };
  std::map<std::string, std::vector<std::size_t>, std::less<>> by_text;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    if (!records_[i].usable) continue;
    by_text[std::string(TrimBlanks(Field(records_[i], column_[kCodigo])))]
        .push_back(i);
  }
  std::vector<bool> taken(records_.size(), false);
  std::map<std::string, std::size_t> next_exact;
  for (std::size_t row = 0; row < codes_.size(); ++row) {
    auto it = by_text.find(codes_[row]);
    if (it == by_text.end()) continue;
    std::size_t& k = next_exact[codes_[row]];
    if (k < it->second.size()) {
      row_of_[row] = it->second[k++];
      taken[row_of_[row]] = true;
    }
  }
  std::map<std::string, std::vector<std::size_t>> by_value;
  for (const auto& [code, list] : by_text) {
    for (std::size_t i : list) {
      if (!taken[i]) by_value[value_key(code)].push_back(i);
    }
  }
  for (auto& [key, list] : by_value) std::sort(list.begin(), list.end());
  std::map<std::string, std::size_t> next_value;
  for (std::size_t row = 0; row < codes_.size(); ++row) {
    if (row_of_[row] != kNone) continue;
    const std::string key = value_key(codes_[row]);
    auto it = by_value.find(key);
    if (it == by_value.end()) continue;
    std::size_t& k = next_value[key];
    if (k < it->second.size()) row_of_[row] = it->second[k++];
  }
}

RowValues MeasurementFile::ValuesOfLine(const Record& r,
                                        const Catalogue& catalogue,
                                        const std::string& default_receiver) {
  RowValues saved{std::string(TrimBlanks(Field(r, column_[kRec]))),
                  std::string(TrimBlanks(Field(r, column_[kTipo]))),
                  std::string(TrimBlanks(Field(r, column_[kAcc]))),
                  std::string(TrimBlanks(Field(r, column_[kRef]))),
                  Field(r, column_[kH])};
  std::vector<std::string> dropped;
  RowValues shown = ApplyRowRules(catalogue, default_receiver, saved, &dropped);
  // A number is shown with the point, as the report prints it; anything
  // else is shown as typed, like a height typed in the table, and the
  // report refuses it until it is mended.
  if (!TrimBlanks(saved.h).empty() && !ParseTypedDecimal(saved.h)) {
    dropped.push_back("LA ALTURA " + Quoted(saved.h) + " NO ES UN NÚMERO");
  }
  shown.h = WithSeparator(std::move(shown.h), '.');
  for (std::string& why : dropped) problems_.push_back({r.line, why});
  return shown;
}

bool MeasurementFile::Update(std::size_t idx, const RowValues& values,
                             const Catalogue& catalogue,
                             const std::string& default_receiver) {
  if (idx >= row_of_.size()) return false;
  bool changed = false;
  if (!all_rows_present_) {
    for (std::size_t row = 0; row < row_of_.size(); ++row) {
      if (row_of_[row] != kNone) continue;
      Record record;
      record.usable = true;
      record.fields.resize(header_.size());
      record.fields[column_[kCodigo]] = codes_[row];
      record.fields[column_[kRec]] = default_receiver;
      Render(&record);
      row_of_[row] = records_.size();
      records_.push_back(std::move(record));
      changed = true;
    }
    all_rows_present_ = true;
  }
  Record& r = records_[row_of_[idx]];
  if (r.fields.size() < header_.size()) r.fields.resize(header_.size());
  r.fields[column_[kCodigo]] = codes_[idx];
  r.fields[column_[kRec]] = values.rec;
  r.fields[column_[kTipo]] = values.tipo;
  r.fields[column_[kAcc]] = values.acc;
  r.fields[column_[kRef]] = values.ref;
  r.fields[column_[kH]] = WithSeparator(values.h, ',');
  // The same rows and numbers as the report: all five inputs filled, and a
  // conversion, with 4 decimals.
  auto [arp, fase] = Results(values, catalogue);
  r.fields[column_[kArp]] = WithSeparator(std::move(arp), ',');
  r.fields[column_[kFase]] = WithSeparator(std::move(fase), ',');
  std::string before = std::move(r.text);
  Render(&r);
  return changed || r.text != before;
}

bool MeasurementFile::RefreshResults(Record* r, const RowValues& shown,
                                     const Catalogue& catalogue) {
  auto [arp, fase] = Results(shown, catalogue);
  if (SameResult(Field(*r, column_[kArp]), arp) &&
      SameResult(Field(*r, column_[kFase]), fase)) {
    return false;
  }
  if (r->fields.size() < header_.size()) r->fields.resize(header_.size());
  // The line is written anyway: its height gets the comma too.
  r->fields[column_[kH]] = WithSeparator(r->fields[column_[kH]], ',');
  r->fields[column_[kArp]] = WithSeparator(std::move(arp), ',');
  r->fields[column_[kFase]] = WithSeparator(std::move(fase), ',');
  Render(r);
  return true;
}

void MeasurementFile::Render(Record* r) const {
  r->text.clear();
  for (std::size_t i = 0; i < r->fields.size(); ++i) {
    if (i > 0) r->text += ';';
    AppendField(&r->text, r->fields[i]);
  }
}

std::string MeasurementFile::Serialize() const {
  std::size_t size = kBom.size() + header_text_.size() + 2;
  for (const Record& r : records_) size += r.text.size() + 2;
  std::string out;
  out.reserve(size);
  out += kBom;
  out += header_text_;
  out += "\r\n";
  for (const Record& r : records_) {
    out += r.text;
    out += "\r\n";
  }
  return out;
}

std::string DescribeProblems(const std::vector<LineProblem>& problems,
                             std::size_t max_lines) {
  std::string out;
  const std::size_t shown = std::min(problems.size(), max_lines);
  for (std::size_t i = 0; i < shown; ++i) {
    out += "LÍNEA " + DecimalText(problems[i].line) + ": " + problems[i].why +
           ".\n";
  }
  if (problems.size() > shown) {
    out += "… Y " + DecimalText(problems.size() - shown) + " MÁS.\n";
  }
  return out;
}

}  // namespace zarvek
