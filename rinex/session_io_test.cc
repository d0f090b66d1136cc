#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "rinex/session.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

// The project's own observation files, plain RINEX 2.11 and 3.04 and the
// 3.04 one in CRINEX 3: two epochs of two GPS satellites, 30 s apart,
// from 2026-01-01 12:00:00 GPS time.
TEST(SessionIoTest, ReadsTheProjectsObservationFiles) {
  constexpr std::int64_t kFirst = (1767225600LL + 12 * 3600 - 18) * 10'000'000;
  for (const char* name : {"v211.26o", "v304.obs", "hatanaka.crx"}) {
    SCOPED_TRACE(name);
    std::ifstream in(fs::path(ZARVEK_SOURCE_DIR) / "rinex/testdata" / name,
                     std::ios::binary);
    ASSERT_TRUE(in);
    SessionReader reader;
    for (std::string line; std::getline(in, line);) reader.Feed(line);
    const Session s = reader.Finish();
    EXPECT_TRUE(s.observation);
    EXPECT_EQ(s.epochs, 2);
    EXPECT_EQ(s.first, kFirst);
    EXPECT_EQ(s.last - s.first, 30 * kTicksPerSecond);
    EXPECT_EQ(s.interval, 30 * kTicksPerSecond);
    EXPECT_EQ(s.systems, "G");
    EXPECT_EQ(s.satellite_sum, 4);
    EXPECT_FALSE(s.dual_frequency);
    EXPECT_EQ(s.unread_lines, 0);
    EXPECT_EQ(FormatSession(s), "1 min · 30 s · 100 %");
  }
}

}  // namespace
}  // namespace zarvek
