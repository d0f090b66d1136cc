#include "measurements/measurement_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "heights/conversion.h"
#include "heights/row_result.h"
#include "heights/row_rules.h"
#include "platform/fs.h"
#include "project/point_detection.h"
#include "text/ascii_text.h"
#include "text/decimal.h"

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

// Where the line end at `pos` (a CR or a LF) stops: after CR LF, after
// CR CR LF too (a file passed twice through a Windows tool), else after
// the one character. `*cr_run_end` keeps where the run of CRs seen last
// ends, so that a long run is scanned once.
std::size_t LineEndStop(std::string_view s, std::size_t pos,
                        std::size_t* cr_run_end) {
  if (s[pos] == '\n') return pos + 1;
  if (*cr_run_end <= pos) {
    std::size_t k = pos;
    while (k < s.size() && s[k] == '\r') ++k;
    *cr_run_end = k;
  }
  return *cr_run_end < s.size() && s[*cr_run_end] == '\n' ? *cr_run_end + 1
                                                          : pos + 1;
}

// Reads the quoted field that opens at `*pos` (on its quote) into `field`,
// a doubled quote standing for one, and leaves `*pos` after the closing
// quote. Line breaks inside belong to the field but still count in `*line`.
// False when the text ends before the quote is closed.
bool ReadQuotedField(std::string_view s, std::size_t* pos, std::size_t* line,
                     std::size_t* cr_run_end, std::string* field) {
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
    if (q == '\n' || q == '\r') {
      const std::size_t stop = LineEndStop(s, *pos, cr_run_end);
      field->append(s.substr(*pos, stop - *pos));
      *pos = stop;
      ++*line;
      continue;
    }
    *field += q;
    ++*pos;
  }
}

struct RawRecord {
  std::size_t line = 1;
  std::string_view text;
  FieldList fields;
};

// Reads the record that starts at `*pos` into `record`, ";"-separated
// fields, and leaves `*pos` after its line end. Outside quotes CRLF, LF and
// a lone CR end a record; inside quotes they belong to the field. Text
// after a closing quote is kept as part of the field, and a quote inside an
// unquoted field is an ordinary character, as spreadsheets read them.
// Fails only on a quote left open at the end of the text.
bool NextRecord(std::string_view s, std::size_t* pos, std::size_t* line,
                std::size_t* cr_run_end, RawRecord* record) {
  *record = RawRecord{*line, {}, {}};
  const std::size_t start = *pos;
  std::string field;
  bool at_field_start = true;
  for (;;) {
    if (*pos == s.size()) {
      record->fields.push_back(field);
      record->text = s.substr(start, *pos - start);
      return true;
    }
    const char c = s[*pos];
    if (at_field_start && c == '"') {
      at_field_start = false;
      if (!ReadQuotedField(s, pos, line, cr_run_end, &field)) return false;
      continue;
    }
    at_field_start = false;
    if (c == ';') {
      record->fields.push_back(field);
      field.clear();
      at_field_start = true;
      ++*pos;
    } else if (c == '\r' || c == '\n') {
      record->fields.push_back(field);
      record->text = s.substr(start, *pos - start);
      *pos = LineEndStop(s, *pos, cr_run_end);
      ++*line;
      return true;
    } else {
      // Runs of ordinary characters are appended at once.
      const std::size_t stop = s.find_first_of(";\r\n", *pos);
      const std::size_t n =
          (stop == std::string_view::npos ? s.size() : stop) - *pos;
      field.append(s.substr(*pos, n));
      *pos += n;
    }
  }
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

// How many of `fields` count: up to the last that is not blank.
std::size_t FilledWidth(const FieldList& fields) {
  std::size_t n = fields.size();
  while (n > 0 && TrimBlanks(fields[n - 1]).empty()) --n;
  return n;
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

// The ARP and phase-centre heights of `result` as the report prints them
// (4 decimals, point), or two empty texts when the row has none.
std::pair<std::string, std::string> Results(const RowResult& result) {
  if (!result.conversion) return {};
  return {FormatFixed(result.conversion->arp, 4),
          FormatFixed(result.conversion->phase_center, 4)};
}

// True when the file's `field` holds the number `result` (point form, or
// empty), written with either separator.
bool SameResult(std::string_view field, const std::string& result) {
  std::string text(TrimBlanks(field));
  std::replace(text.begin(), text.end(), ',', '.');
  return text == result;
}

// The accessory and reference of `saved` that the boxes would offer for
// the receiver and type of `out`, into `out`; each value left out is named
// in `dropped` (when given).
void ApplyEquipmentRules(const Catalogue& catalogue, const RowValues& saved,
                         RowValues* out, std::vector<std::string>* dropped) {
  auto note = [dropped](std::string text) {
    if (dropped) dropped->push_back(std::move(text));
  };
  if (!saved.acc.empty()) {
    const Choices offered = AccessoryChoices(out->tipo);
    if (std::find(offered.values.begin(), offered.values.end(), saved.acc) !=
        offered.values.end()) {
      out->acc = saved.acc;
    } else {
      note("ACCESORIO " + Quoted(saved.acc) + " NO SE OFRECE PARA " +
           Quoted(out->tipo) + ": SE DEJA VACÍO");
    }
  }
  if (!out->acc.empty()) {
    const Choices offered =
        ReferenceChoices(catalogue, out->rec, out->tipo, out->acc);
    if (std::find(offered.values.begin(), offered.values.end(), saved.ref) !=
        offered.values.end()) {
      out->ref = saved.ref;
    } else {
      if (!saved.ref.empty()) {
        note("REFERENCIA " + Quoted(saved.ref) + " NO SE OFRECE PARA " +
             out->rec + ", " + out->tipo + ", " + out->acc + ": SE DEJA " +
             (offered.preselect ? "LA ÚNICA POSIBLE" : "VACÍA"));
      }
      out->ref = offered.preselect.value_or("");
    }
  } else if (!saved.ref.empty()) {
    note("REFERENCIA " + Quoted(saved.ref) + " SIN ACCESORIO: SE DEJA VACÍA");
  }
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
    const bool begun = std::find(kTipoChoices.begin(), kTipoChoices.end(),
                                 saved.tipo) != kTipoChoices.end() ||
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
  ApplyEquipmentRules(catalogue, saved, &out, dropped);
  return out;
}

MeasurementFile::MeasurementFile() {
  for (std::string_view name : kMeasurementColumns) {
    header_.push_back(name);
    if (!header_text_.empty()) header_text_ += ';';
    AppendField(&header_text_, name);
  }
  for (std::size_t c = 0; c < column_.size(); ++c) column_[c] = c;
}

std::optional<MeasurementFile> MeasurementFile::Parse(
    std::string_view bytes, const Catalogue& catalogue, std::string* error) {
  if (!CheckIsText(&bytes, error)) return std::nullopt;
  MeasurementFile file;
  if (bytes.empty()) return file;
  std::size_t pos = 0, line = 1, cr_run_end = 0;
  RawRecord raw;
  auto unclosed = [&] {
    *error =
        "TIENE UNAS COMILLAS SIN CERRAR (LÍNEA " + DecimalText(raw.line) + ")";
    return std::nullopt;
  };
  if (!NextRecord(bytes, &pos, &line, &cr_run_end, &raw)) return unclosed();
  if (!file.ReadHeader(raw.fields, error)) return std::nullopt;
  file.header_text_ = std::string(raw.text);
  // The lines are kept with their fields; which are used is known once the
  // width of the header is.
  std::size_t widest = 0;
  const std::size_t line_ends = static_cast<std::size_t>(
      std::count_if(bytes.begin() + pos, bytes.end(),
                    [](char c) { return c == '\n' || c == '\r'; }));
  file.records_.reserve(std::min(line_ends + 1, kMaxMeasurementLines));
  while (pos < bytes.size()) {
    if (file.records_.size() + 1 >= kMaxMeasurementLines) {
      *error = "TIENE DEMASIADAS LÍNEAS (MÁS DE " +
               DecimalText(kMaxMeasurementLines) + ")";
      return std::nullopt;
    }
    if (!NextRecord(bytes, &pos, &line, &cr_run_end, &raw)) return unclosed();
    Record record;
    record.line = raw.line;
    record.text = std::string(raw.text);
    record.fields = std::move(raw.fields);
    widest = std::max(widest, FilledWidth(record.fields));
    file.records_.push_back(std::move(record));
  }
  std::size_t width = 0;
  if (!file.FitColumns(widest, &width, error)) return std::nullopt;
  for (Record& record : file.records_) file.ReadRecord(&record, width);
  (void)catalogue;
  return file;
}

bool MeasurementFile::FitColumns(std::size_t widest, std::size_t* width,
                                 std::string* error) {
  // A header that lacks some of the program's columns gets them added after
  // every field that any line holds, the fields beyond the header's names
  // becoming unnamed columns. Added names that landed on a line's extra
  // fields would make the next reading take those as the point's values (a
  // note as its height); and a line refused now for its extra fields would
  // fit the written header and be read differently next time.
  const bool lacks_columns =
      std::find(column_.begin(), column_.end(), kNone) != column_.end();
  if (lacks_columns) {
    // Counted with the columns to be added: what is written reads back.
    const std::size_t missing = static_cast<std::size_t>(
        std::count(column_.begin(), column_.end(), kNone));
    if (std::max(widest, header_.size()) + missing > kMaxMeasurementColumns) {
      *error = "TIENE DEMASIADAS COLUMNAS (MÁS DE " +
               DecimalText(kMaxMeasurementColumns) + ")";
      return false;
    }
    if (widest > header_.size()) header_.resize(widest);
  }
  *width = header_.size();
  if (lacks_columns) AddMissingColumns();
  return true;
}

// Known columns by name, blanks around names ignored; the first of two
// equal names counts, the other is kept as unknown. Blank names after the
// last one count only while there are not too many.
bool MeasurementFile::ReadHeader(const FieldList& names, std::string* error) {
  std::size_t n = names.size();
  if (n > kMaxMeasurementColumns) n = FilledWidth(names);
  if (n > kMaxMeasurementColumns) {
    *error = "TIENE DEMASIADAS COLUMNAS (MÁS DE " +
             DecimalText(kMaxMeasurementColumns) + ")";
    return false;
  }
  header_ = FieldList();
  column_.fill(kNone);
  for (std::size_t i = 0; i < n; ++i) {
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
    header_.push_back(kMeasurementColumns[c]);
  }
  header_text_.clear();
  for (std::size_t i = 0; i < header_.size(); ++i) {
    if (i > 0) header_text_ += ';';
    AppendField(&header_text_, header_[i]);
  }
}

void MeasurementFile::ReadRecord(Record* record, std::size_t width) {
  auto problem = [&](std::string why) {
    problems_.push_back(
        {record->line, std::move(why) + "; LA LÍNEA SE CONSERVA SIN USAR"});
  };
  const std::size_t filled = FilledWidth(record->fields);
  if (filled == 0) {
    // Spreadsheets write empty rows as ";;;;": nothing to use or report.
  } else if (filled > width) {
    problem("TIENE MÁS CAMPOS QUE LA CABECERA");
  } else {
    // Fields beyond the header's are blank: they go. Fields the line lacks
    // read as empty (see Field) and are added only when it is written.
    if (record->fields.size() > width) record->fields.resize(width);
    const std::string_view code = TrimBlanks(Field(*record, column_[kCodigo]));
    if (!IsAsciiDigits(code)) {
      problem(code.empty()
                  ? std::string("NO TIENE CÓDIGO DE PUNTO")
                  : "EL CÓDIGO DE PUNTO " + Quoted(code) + " NO ES NUMÉRICO");
    } else {
      // A receiver the catalogue does not know is no reason to hide the
      // line's other values: the row rules open it without a receiver, to
      // be chosen, and say so.
      record->usable = true;
    }
  }
  // A line not used is written back as its text: its fields are not kept.
  if (!record->usable) record->fields = FieldList();
}

std::string_view MeasurementFile::Field(const Record& r,
                                        std::size_t column) const {
  return r.fields[column];
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

// Usable lines by exact code, then by value for a row that is alone with
// its value in the table, each in file order.
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
  // Rows "07" and "7" could each be meant by a line "007": neither takes it.
  std::map<std::string, std::size_t> rows_of_value;
  for (const std::string& code : codes_) ++rows_of_value[value_key(code)];
  std::map<std::string, std::size_t> next_value;
  for (std::size_t row = 0; row < codes_.size(); ++row) {
    if (row_of_[row] != kNone) continue;
    const std::string key = value_key(codes_[row]);
    if (rows_of_value[key] > 1) continue;
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
                  std::string(Field(r, column_[kH]))};
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
                             const Catalogue& catalogue) {
  if (idx >= row_of_.size()) return false;
  bool changed = false;
  if (!all_rows_present_) {
    // Reserved exactly: a file of many lines is not held twice while its
    // lines move.
    records_.reserve(records_.size() +
                     std::count(row_of_.begin(), row_of_.end(), kNone));
    for (std::size_t row = 0; row < row_of_.size(); ++row) {
      if (row_of_[row] != kNone) continue;
      Record record;
      record.usable = true;
      record.fields.resize(header_.size());
      // A row not begun: its code alone, with no receiver (the one its
      // box is preset to was nobody's choice).
      record.fields.Set(column_[kCodigo], codes_[row]);
      Render(&record);
      row_of_[row] = records_.size();
      records_.push_back(std::move(record));
      changed = true;
    }
    all_rows_present_ = true;
  }
  Record& r = records_[row_of_[idx]];
  if (r.fields.size() < header_.size()) r.fields.resize(header_.size());
  // The receiver the row stands for (none while it is not begun, which
  // reads back as a row not begun) and the report's numbers, 4 decimals.
  const RowResult result = ConvertRow(values, catalogue);
  r.fields.Set(column_[kCodigo], codes_[idx]);
  r.fields.Set(column_[kRec], result.receiver);
  r.fields.Set(column_[kTipo], values.tipo);
  r.fields.Set(column_[kAcc], values.acc);
  r.fields.Set(column_[kRef], values.ref);
  r.fields.Set(column_[kH], WithSeparator(values.h, ','));
  auto [arp, fase] = Results(result);
  r.fields.Set(column_[kArp], WithSeparator(std::move(arp), ','));
  r.fields.Set(column_[kFase], WithSeparator(std::move(fase), ','));
  std::string before = std::move(r.text);
  Render(&r);
  return changed || r.text != before;
}

bool MeasurementFile::RefreshResults(Record* r, const RowValues& shown,
                                     const Catalogue& catalogue) {
  auto [arp, fase] = Results(ConvertRow(shown, catalogue));
  if (SameResult(Field(*r, column_[kArp]), arp) &&
      SameResult(Field(*r, column_[kFase]), fase)) {
    return false;
  }
  if (r->fields.size() < header_.size()) r->fields.resize(header_.size());
  // The line is written anyway: its height gets the comma too.
  r->fields.Set(column_[kH],
                WithSeparator(std::string(r->fields[column_[kH]]), ','));
  r->fields.Set(column_[kArp], WithSeparator(std::move(arp), ','));
  r->fields.Set(column_[kFase], WithSeparator(std::move(fase), ','));
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
