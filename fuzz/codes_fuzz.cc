// Point codes and folder names: the preview of consecutive codes, the
// reading of the edited preview entries, the codes found in folder names on
// disk, their order by value and the folder tree planned for them. The input
// is a list of texts, one a line.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "folders/codes.h"
#include "folders/tree_plan.h"
#include "folders/whole_number.h"
#include "fuzz/fuzz_check.h"
#include "project/point_detection.h"

namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(),
                                   [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a digit string as text without leading zeros ("0" for zero).
std::string ValueKey(std::string_view digits) {
  const std::size_t nz = digits.find_first_not_of('0');
  return std::string(nz == std::string_view::npos ? "0" : digits.substr(nz));
}

std::string Text(__int128 value) {
  const bool negative = value < 0;
  std::string out;
  do {
    const int digit = static_cast<int>(value % 10);
    out.insert(out.begin(),
               static_cast<char>('0' + (negative ? -digit : digit)));
    value /= 10;
  } while (value != 0);
  return negative ? "-" + out : out;
}

void CheckPreview(std::string_view count_text, std::string_view first_text) {
  std::vector<zarvek::PreviewProblem> problems;
  const auto codes = zarvek::PreviewCodes(count_text, first_text, &problems);
  // A refusal names at least one input, and its text starts as it always
  // did.
  FUZZ_CHECK(codes.has_value() == problems.empty());
  if (!codes) {
    FUZZ_CHECK(zarvek::DescribePreviewProblems(problems, count_text, first_text)
                   .starts_with("Datos inválidos\n"));
  }
  const auto count = zarvek::ParseWholeNumber(count_text);
  const auto first = zarvek::ParseWholeNumber(first_text);
  const bool fits =
      count && first && *count <= zarvek::kMaxPoints &&
      (*count <= 0 || static_cast<__int128>(*first) + *count - 1 <= INT64_MAX);
  FUZZ_CHECK(codes.has_value() == fits);
  if (!codes) return;
  FUZZ_CHECK(codes->size() ==
             static_cast<std::size_t>(std::max<std::int64_t>(*count, 0)));
  for (std::size_t i = 0; i < codes->size(); ++i) {
    FUZZ_CHECK((*codes)[i] == Text(static_cast<__int128>(*first) + i));
  }
}

void CheckEntries(const std::vector<std::string>& texts) {
  const zarvek::EntryCodes read = zarvek::ReadEntryCodes(texts);
  // Every entry with text is either a code or a problem, in entry order.
  std::size_t next_code = 0, next_problem = 0;
  std::map<std::string, std::size_t> first_row_of_value;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string_view trimmed = zarvek::TrimSpace(texts[i]);
    if (trimmed.empty()) continue;
    const std::size_t row = i + 1;
    if (next_problem < read.problems.size() &&
        read.problems[next_problem].row == row) {
      const zarvek::EntryProblem& p = read.problems[next_problem++];
      FUZZ_CHECK(p.text == trimmed);
      if (p.repeats_row == 0) {
        FUZZ_CHECK(!AllDigits(trimmed));
      } else {
        FUZZ_CHECK(AllDigits(trimmed));
        FUZZ_CHECK(first_row_of_value.at(ValueKey(trimmed)) == p.repeats_row);
      }
      continue;
    }
    FUZZ_CHECK(next_code < read.codes.size() &&
               read.codes[next_code++] == trimmed);
    FUZZ_CHECK(AllDigits(trimmed));
    FUZZ_CHECK(first_row_of_value.emplace(ValueKey(trimmed), row).second);
  }
  FUZZ_CHECK(next_code == read.codes.size());
  FUZZ_CHECK(next_problem == read.problems.size());
  if (!read.problems.empty()) {
    const std::string message = zarvek::DescribeEntryProblems(read.problems);
    FUZZ_CHECK(static_cast<std::size_t>(
                   std::count(message.begin(), message.end(), '\n')) <=
               zarvek::kMaxProblemLines + 1);
  }

  // The tree for the kept codes: every path inside the root, each made
  // after its parent.
  const std::string root = "/raíz";
  const std::vector<std::string> plan =
      zarvek::PlanProjectTree(root, read.codes);
  FUZZ_CHECK(plan.size() == 8 + 13 * read.codes.size());
  std::set<std::string> made = {root};
  for (const std::string& path : plan) {
    FUZZ_CHECK(path.starts_with(root + "/"));
    FUZZ_CHECK(made.count(path.substr(0, path.rfind('/'))) == 1);
    made.insert(path);
  }
}

// The folder-name rule written out: split at every '.', the first part and
// the trimmed second part numeric.
std::optional<std::string> CodeOfName(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view rest = name.substr(dot + 1);
  const std::string_view second = rest.substr(0, rest.find('.'));
  if (!AllDigits(zarvek::TrimSpace(name.substr(0, dot)))) return std::nullopt;
  if (!AllDigits(zarvek::TrimSpace(second))) return std::nullopt;
  return std::string(zarvek::TrimSpace(second));
}

void CheckFolderNames(const std::vector<std::string>& names) {
  std::vector<std::string> expected;
  for (const std::string& name : names) {
    if (auto code = CodeOfName(name)) expected.push_back(*code);
  }
  std::vector<std::string> codes = zarvek::CodesFromEntryNames(names);
  FUZZ_CHECK(codes == expected);

  // The same names as a project's GNSS data folder, and as the codes to add
  // to it: every code is added or present, and an added one never repeats
  // a code the project has or an earlier added one.
  std::vector<std::string> digit_names;
  for (const std::string& name : names) {
    if (AllDigits(name)) digit_names.push_back(name);
  }
  const zarvek::TreeAdditions additions =
      zarvek::PlanTreeAdditions(names, digit_names);
  FUZZ_CHECK(additions.added.size() + additions.present.size() ==
             digit_names.size());
  std::set<std::string> values;
  for (const std::string& code : codes) values.insert(ValueKey(code));
  for (const zarvek::PlannedPoint& point : additions.added) {
    FUZZ_CHECK(CodeOfName(point.folder) == point.code);
    FUZZ_CHECK(values.insert(ValueKey(point.code)).second);
  }

  // Sorted by value, ties in their first order; no length limit.
  zarvek::SortCodesByValue(codes);
  auto less = [](const std::string& a, const std::string& b) {
    const std::string ka = ValueKey(a), kb = ValueKey(b);
    return ka.size() != kb.size() ? ka.size() < kb.size() : ka < kb;
  };
  std::stable_sort(expected.begin(), expected.end(), less);
  FUZZ_CHECK(codes == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size > 4096) return 0;  // a preview has at most a thousand entries
  std::vector<std::string> lines;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (;;) {
    const std::size_t end = rest.find('\n');
    lines.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  CheckPreview(lines[0], lines.size() > 1 ? lines[1] : "");
  CheckEntries(lines);
  CheckFolderNames(lines);
  return 0;
}
