#include "rinex/rinex_warning.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarvek {
namespace {

TEST(RinexWarningTest, NamesThePointsWhoseRinexIsNotRight) {
  const std::string ok = "ARCHIVO GUARDADO EN:\n/p/r.pdf";
  using S = RinexState;
  // Points whose files are right, corrected, absent or not judged leave the
  // box as it is.
  EXPECT_EQ(WithRinexWarning(ok, {{"1", S::kMatch},
                                  {"2", S::kCorrected},
                                  {"3", S::kNoFiles},
                                  {"4", S::kEmpty}}),
            ok);
  EXPECT_EQ(WithRinexWarning(ok, {}), ok);
  EXPECT_EQ(WithRinexWarning(ok, {{"1", S::kMatch},
                                  {"7", S::kUnreadable},
                                  {"5", S::kMismatch},
                                  {"2", S::kMismatch}}),
            ok + "\n\nRINEX POR REVISAR ANTES DEL PROCESADO:"
                 "\nDELTA H DISTINTO DE LA ALTURA ARP (✗): 5, 2."
                 "\nSIN COMPROBAR (?): 7.");
  // Many points: the first codes, then how many more.
  std::vector<PointRinexState> many;
  for (int i = 0; i < 13; ++i)
    many.push_back({std::to_string(i), S::kUnreadable});
  EXPECT_EQ(WithRinexWarning("", many),
            "\n\nRINEX POR REVISAR ANTES DEL PROCESADO:"
            "\nSIN COMPROBAR (?): 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, … Y 3 MÁS.");
}

}  // namespace
}  // namespace zarvek
