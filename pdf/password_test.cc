#include "pdf/password.h"

#include <array>
#include <set>
#include <string>

#include "gtest/gtest.h"
#include "testing/seeded_random.h"

namespace zarvek {
namespace {

TEST(OwnerPassword, AlphabetAndLength) {
  EXPECT_EQ(kPasswordAlphabet.substr(0, 3), "abc");
  EXPECT_EQ(kPasswordAlphabet.substr(26, 3), "ABC");
  EXPECT_EQ(kPasswordAlphabet.substr(52, 10), "0123456789");
  EXPECT_EQ(kPasswordAlphabet.back(), '~');
  const std::set<char> distinct(kPasswordAlphabet.begin(),
                                kPasswordAlphabet.end());
  EXPECT_EQ(distinct.size(), 94u);
  for (char ch : kPasswordAlphabet) {
    EXPECT_TRUE(ch > ' ' && ch < 127) << int(ch);
  }

  SeededRandom random(7);
  const std::string a = GenerateOwnerPassword(random);
  const std::string b = GenerateOwnerPassword(random);
  EXPECT_EQ(a.size(), 32u);
  EXPECT_NE(a, b);
  for (char ch : a) EXPECT_TRUE(distinct.count(ch)) << ch;
}

TEST(OwnerPassword, RefusesBytesAbove187) {
  // 93 and 187 both give '~'; 188..255 would wrap onto the first letters.
  ScriptedRandom random({188, 93, 255, 187, 200, 1});
  EXPECT_EQ(GenerateOwnerPassword(random).substr(0, 3), "~~b");
}

// Pearson's chi-square of how often each character came up.
double ChiSquare(const std::array<long, 94>& counts, long total) {
  const double expected = static_cast<double>(total) / 94;
  double chi = 0;
  for (long n : counts) chi += (n - expected) * (n - expected) / expected;
  return chi;
}

// Uniformity check over 96,000 characters. With 93 degrees of freedom a
// uniform draw stays under 150 except with probability about 1e-4; the
// plain "byte % 94" draw, fed the same bytes, lands far above it.
TEST(OwnerPassword, UniformWhereModuloIsBiased) {
  constexpr int kPasswords = 3000;
  std::array<long, 94> counts{};
  SeededRandom random(20250305);
  for (int i = 0; i < kPasswords; ++i) {
    for (char ch : GenerateOwnerPassword(random)) {
      ++counts[kPasswordAlphabet.find(ch)];
    }
  }
  EXPECT_LT(ChiSquare(counts, kPasswords * 32L), 150.0);

  std::array<long, 94> modulo{};
  SeededRandom same(20250305);
  for (long i = 0; i < kPasswords * 32L; ++i) {
    std::uint8_t byte;
    same.Fill(&byte, 1);
    ++modulo[byte % 94];
  }
  EXPECT_GT(ChiSquare(modulo, kPasswords * 32L), 150.0);
}

}  // namespace
}  // namespace zarvek
