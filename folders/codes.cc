#include "folders/codes.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>
#include <utility>

#include "folders/whole_number.h"

namespace zarvek {
namespace {

std::string ToDecimal(std::int64_t value) {
  char buffer[24];  // 19 digits and a sign
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

}  // namespace

std::optional<std::vector<std::string>> PreviewCodes(
    std::string_view count_text, std::string_view first_code_text,
    std::vector<PreviewProblem>* problems) {
  const std::optional<std::int64_t> count = ParseWholeNumber(count_text);
  const std::optional<std::int64_t> start = ParseWholeNumber(first_code_text);
  std::vector<PreviewProblem> found;
  if (!count) {
    found.push_back(PreviewProblem::kCount);
  } else if (*count > kMaxPoints) {
    found.push_back(PreviewProblem::kCountAboveMax);
  }
  if (!start) {
    found.push_back(PreviewProblem::kFirstCode);
  } else if (found.empty() && *count > 0 &&
             *start > std::numeric_limits<std::int64_t>::max() - (*count - 1)) {
    // The last code is start + count - 1; count is at most kMaxPoints here.
    found.push_back(PreviewProblem::kFirstCodeTooLarge);
  }
  if (!found.empty()) {
    if (problems != nullptr) *problems = std::move(found);
    return std::nullopt;
  }
  if (*count <= 0) return std::vector<std::string>();
  std::vector<std::string> codes;
  codes.reserve(static_cast<size_t>(*count));
  for (std::int64_t i = 0; i < *count; ++i)
    codes.push_back(ToDecimal(*start + i));
  return codes;
}

std::string DescribePreviewProblems(const std::vector<PreviewProblem>& problems,
                                    std::string_view count_text,
                                    std::string_view first_code_text) {
  // A pasted page of text must not make a box taller than the screen.
  auto shown = [](std::string_view text) {
    if (text.size() <= kMaxShownInput) return "«" + std::string(text) + "»";
    size_t cut = kMaxShownInput;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
      --cut;
    return "«" + std::string(text.substr(0, cut)) + "…»";
  };
  std::string message = "Datos inválidos";
  for (PreviewProblem problem : problems) {
    switch (problem) {
      case PreviewProblem::kCount:
        message += "\nCANTIDAD DE PUNTOS: " + shown(count_text);
        break;
      case PreviewProblem::kCountAboveMax:
        message += "\nCANTIDAD DE PUNTOS: " + shown(count_text) + " (MÁXIMO " +
                   ToDecimal(kMaxPoints) + ")";
        break;
      case PreviewProblem::kFirstCode:
        message += "\nPRIMER CÓDIGO (NUMÉRICO): " + shown(first_code_text);
        break;
      case PreviewProblem::kFirstCodeTooLarge:
        message += "\nPRIMER CÓDIGO (NUMÉRICO): " + shown(first_code_text) +
                   " (DEMASIADO GRANDE)";
        break;
    }
  }
  return message;
}

EntryCodes ReadEntryCodes(const std::vector<std::string>& entry_texts) {
  EntryCodes result;
  // The row of the first entry of each code value, by the code without its
  // leading zeros.
  std::map<std::string_view, size_t> first_rows;
  for (size_t i = 0; i < entry_texts.size(); ++i) {
    const size_t row = i + 1;
    const std::string_view text = TrimSpace(entry_texts[i]);
    if (text.empty()) continue;
    if (!IsAsciiDigits(text)) {
      result.problems.push_back({row, std::string(text), 0});
      continue;
    }
    std::string_view value =
        text.substr(std::min(text.find_first_not_of('0'), text.size() - 1));
    auto [it, inserted] = first_rows.emplace(value, row);
    if (!inserted) {
      result.problems.push_back({row, std::string(text), it->second});
      continue;
    }
    result.codes.emplace_back(text);
  }
  return result;
}

std::string DescribeEntryProblems(const std::vector<EntryProblem>& problems) {
  std::string message = "NO SE CREÓ NINGUNA CARPETA. REVISE ESTOS CÓDIGOS:";
  for (size_t i = 0; i < problems.size(); ++i) {
    if (i == kMaxProblemLines) {
      message += "\n…";
      break;
    }
    const EntryProblem& p = problems[i];
    message += "\nFILA " + ToDecimal(static_cast<std::int64_t>(p.row)) + ": «" +
               p.text + "» ";
    message += p.repeats_row == 0
                   ? std::string("NO ES UN CÓDIGO NUMÉRICO")
                   : "REPETIDO (FILA " +
                         ToDecimal(static_cast<std::int64_t>(p.repeats_row)) +
                         ")";
  }
  return message;
}

}  // namespace zarvek
