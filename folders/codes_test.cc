#include "folders/codes.h"

#include <algorithm>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace zarvek {
namespace {

using Codes = std::vector<std::string>;

TEST(PreviewCodesTest, ConsecutiveCodes) {
  EXPECT_EQ(PreviewCodes("3", "100"), (Codes{"100", "101", "102"}));
  EXPECT_EQ(PreviewCodes(" 3 ", "100"), (Codes{"100", "101", "102"}));
  EXPECT_EQ(PreviewCodes("2", "0012"), (Codes{"12", "13"}));
  EXPECT_EQ(PreviewCodes("3", "-2"), (Codes{"-2", "-1", "0"}));
  EXPECT_EQ(PreviewCodes("1", "+7"), (Codes{"7"}));
  EXPECT_EQ(PreviewCodes("2", "9223372036854775806"),
            (Codes{"9223372036854775806", "9223372036854775807"}));
  EXPECT_EQ(PreviewCodes("1000", "1")->size(), 1000u);
}

TEST(PreviewCodesTest, EmptyWithoutMessage) {
  EXPECT_EQ(PreviewCodes("0", "100"), Codes{});
  EXPECT_EQ(PreviewCodes("-2", "100"), Codes{});
  EXPECT_EQ(PreviewCodes("-99999999999", "5"), Codes{});
}

// Every refusal names the input at fault, so that the box can say which one.
TEST(PreviewCodesTest, InvalidDataNamesTheInput) {
  using P = PreviewProblem;
  const struct {
    const char* count;
    const char* first;
    std::vector<P> problems;
  } refused[] = {
      {"0", "", {P::kFirstCode}},  // read even when no row is built
      {"", "100", {P::kCount}},
      {"3.0", "100", {P::kCount}},
      {"tres", "100", {P::kCount}},
      {"3", "1e3", {P::kFirstCode}},
      {"12a", "x", {P::kCount, P::kFirstCode}},
      {"1001", "1", {P::kCountAboveMax}},          // above the cap
      {"999999999999", "1", {P::kCountAboveMax}},  // not a trillion rows
      {"1001", "x", {P::kCountAboveMax, P::kFirstCode}},
      {"99999999999999999999", "1", {P::kCount}},             // beyond 64 bits
      {"3", "9223372036854775806", {P::kFirstCodeTooLarge}},  // would wrap
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(std::string(r.count) + " / " + r.first);
    std::vector<P> problems;
    EXPECT_EQ(PreviewCodes(r.count, r.first, &problems), std::nullopt);
    EXPECT_EQ(problems, r.problems);
  }
}

TEST(PreviewCodesTest, RefusalTextShowsWhatWasTyped) {
  using P = PreviewProblem;
  EXPECT_EQ(DescribePreviewProblems({P::kCount}, "12a", "100"),
            "Datos inválidos\nCANTIDAD DE PUNTOS: «12a»");
  EXPECT_EQ(
      DescribePreviewProblems({P::kCountAboveMax, P::kFirstCode}, "5000", ""),
      "Datos inválidos\nCANTIDAD DE PUNTOS: «5000» (MÁXIMO 1000)\n"
      "PRIMER CÓDIGO (NUMÉRICO): «»");
  EXPECT_EQ(DescribePreviewProblems({P::kFirstCodeTooLarge}, "3",
                                    "9223372036854775806"),
            "Datos inválidos\nPRIMER CÓDIGO (NUMÉRICO): "
            "«9223372036854775806» (DEMASIADO GRANDE)");
  // A long paste is cut between characters: 39 "a" and a two-byte "ñ" do
  // not fit in 40 bytes, so the "ñ" goes whole.
  EXPECT_EQ(
      DescribePreviewProblems({P::kCount}, std::string(39, 'a') + "ñ" + "zzz",
                              ""),
      "Datos inválidos\nCANTIDAD DE PUNTOS: «" + std::string(39, 'a') + "…»");
}

TEST(ReadEntryCodesTest, EmptiesAreSkippedBadAndRepeatedEntriesReported) {
  const Codes entries = {" 100 ", "",         "\u00a0\u3000", "2405\u00a0",
                         "24O6",  "-2",       "007",          "7",
                         "1.5",   "\xD9\xA1", "100",          "1 2"};
  const EntryCodes read = ReadEntryCodes(entries);
  EXPECT_EQ(read.codes, (Codes{"100", "2405", "007"}));
  EXPECT_EQ(read.problems, (std::vector<EntryProblem>{{5, "24O6", 0},
                                                      {6, "-2", 0},
                                                      {8, "7", 7},
                                                      {9, "1.5", 0},
                                                      {10, "\xD9\xA1", 0},
                                                      {11, "100", 1},
                                                      {12, "1 2", 0}}));
  // "0" and "000" are the same code.
  EXPECT_EQ(ReadEntryCodes({"0", "000"}).problems,
            (std::vector<EntryProblem>{{2, "000", 1}}));
}

TEST(ReadEntryCodesTest, ProblemListIsCappedAfterTenLines) {
  EXPECT_EQ(DescribeEntryProblems({{2, "24O6", 0}, {3, "2405", 1}}),
            "NO SE CREÓ NINGUNA CARPETA. REVISE ESTOS CÓDIGOS:\n"
            "FILA 2: «24O6» NO ES UN CÓDIGO NUMÉRICO\n"
            "FILA 3: «2405» REPETIDO (FILA 1)");
  const std::vector<EntryProblem> many(12, EntryProblem{4, "x", 0});
  const std::string message = DescribeEntryProblems(many);
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 11);
  EXPECT_TRUE(message.ends_with("\n…"));
}

}  // namespace
}  // namespace zarvek
