// The measurement file read from whatever a spreadsheet or a person left on
// disk, then bound to a table and edited as the table edits it. The program
// must always read back what it wrote, writing must be stable (read, write,
// read, write gives the same bytes), Update must say truly whether the bytes
// changed, and every row must read back with the values last given to it.
//
// The input's last bytes choose the table's codes and edits; the rest is
// the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "heights/catalogue.h"
#include "heights/row_rules.h"
#include "measurements/measurement_file.h"
#include "text/decimal.h"

namespace {

using zarvek::MeasurementFile;
using zarvek::RowValues;

const zarvek::Catalogue& Specs() {
  static const zarvek::Catalogue catalogue = zarvek::BuildEquiposSpecs();
  return catalogue;
}

// Heights as typed, including texts that need quoting or do not convert.
constexpr std::string_view kHeights[] = {
    "",    "1.5", " 2 ",  "1,5", "abc",      "1e3",       "-0.25",
    "1;5", "\"",  "a\nb", "x\r", "\xC3\xB1", "1.2345678", "1000000"};

template <typename T>
std::string Pick(FuzzedDataProvider& in, const std::vector<T>& choices) {
  const std::size_t i =
      in.ConsumeIntegralInRange<std::size_t>(0, choices.size());
  return i < choices.size() ? std::string(choices[i]) : std::string();
}

MeasurementFile ParseOk(std::string_view bytes) {
  std::string error;
  std::optional<MeasurementFile> file =
      MeasurementFile::Parse(bytes, Specs(), &error);
  FUZZ_CHECK(file.has_value());
  return *file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string default_receiver = Specs().front().first;

  std::vector<std::string> codes(in.ConsumeIntegralInRange(0, 6));
  std::set<std::string> values_seen;
  bool unique = true;
  for (std::string& code : codes) {
    const int value = in.ConsumeIntegralInRange(0, 12);
    code = std::string(in.ConsumeIntegralInRange(0, 2), '0') +
           std::to_string(value);
    unique &= values_seen.insert(std::to_string(value)).second;
  }
  struct Edit {
    std::size_t row;
    RowValues values;
  };
  std::vector<Edit> edits;
  const int edit_count = codes.empty() ? 0 : in.ConsumeIntegralInRange(0, 4);
  std::vector<std::string> receivers;
  for (const auto& [name, spec] : Specs()) receivers.push_back(name);
  for (int e = 0; e < edit_count; ++e) {
    RowValues raw;
    const std::size_t row =
        in.ConsumeIntegralInRange<std::size_t>(0, codes.size() - 1);
    raw.rec = Pick(in, receivers);
    raw.tipo =
        Pick(in, std::vector<std::string_view>(zarvek::kTipoChoices.begin(),
                                               zarvek::kTipoChoices.end()));
    raw.acc = Pick(in, zarvek::AccessoryChoices(raw.tipo).values);
    raw.ref = Pick(
        in,
        zarvek::ReferenceChoices(Specs(), raw.rec, raw.tipo, raw.acc).values);
    raw.h = kHeights[in.ConsumeIntegralInRange<std::size_t>(
        0, std::size(kHeights) - 1)];
    edits.push_back(
        {row, zarvek::ApplyRowRules(Specs(), default_receiver, raw)});
  }
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  std::string error;
  std::optional<MeasurementFile> file =
      MeasurementFile::Parse(bytes, Specs(), &error);
  if (!file) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  // Written back untouched, the file reads the same.
  const std::string written = file->Serialize();
  MeasurementFile copy = ParseOk(written);
  FUZZ_CHECK(copy.Serialize() == written);
  const std::vector<std::optional<RowValues>> bound =
      file->Bind(codes, Specs());
  FUZZ_CHECK(copy.Bind(codes, Specs()) == bound);
  FUZZ_CHECK(bound.size() == codes.size());
  std::vector<std::optional<RowValues>> expected = bound;
  for (const std::optional<RowValues>& row : bound) {
    // What the table shows is what its boxes could offer.
    if (row) {
      FUZZ_CHECK(zarvek::ApplyRowRules(Specs(), default_receiver, *row) ==
                 *row);
    }
  }
  for (const Edit& edit : edits) {
    for (std::optional<RowValues>& row : expected) {
      if (!row) row = RowValues{default_receiver, "", "", "", ""};
    }
    const std::string before = file->Serialize();
    const bool changed = file->Update(edit.row, edit.values, Specs());
    const std::string after = file->Serialize();
    FUZZ_CHECK(changed == (before != after));
    expected[edit.row] = edit.values;
    // A number comes back with the decimal point, as the table shows it.
    std::string& h = expected[edit.row]->h;
    if (zarvek::ParseTypedDecimal(h))
      std::replace(h.begin(), h.end(), ',', '.');
  }

  const std::string edited = file->Serialize();
  MeasurementFile reread = ParseOk(edited);
  FUZZ_CHECK(reread.Serialize() == edited);
  if (unique) FUZZ_CHECK(reread.Bind(codes, Specs()) == expected);
  return 0;
}
