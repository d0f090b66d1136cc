#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/file_exchange.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The two names swap their files; into an empty place the file moves; a
// file the user may not write gets no temporary file at all.
TEST(FileExchangeTest, SwapsMovesAndRefuses) {
  testing::TempDir dir;
  const std::string path = (dir.path() / "a.csv").string();
  FileExchange& fs = RealFileExchange();
  std::string temp;
  bool was_missing = true;
  ASSERT_TRUE(fs.WriteTemporary(path, "new", &temp).ok());
  ASSERT_TRUE(fs.Exchange(temp, path, &was_missing).ok());
  EXPECT_TRUE(was_missing);
  EXPECT_FALSE(std::filesystem::exists(temp));
  EXPECT_EQ(Slurp(path), "new");

  ASSERT_TRUE(fs.WriteTemporary(path, "newer", &temp).ok());
  ASSERT_TRUE(fs.Exchange(temp, path, &was_missing).ok());
  EXPECT_FALSE(was_missing);
  std::string out;
  ASSERT_TRUE(fs.Read(temp, 100, &out).ok());
  EXPECT_EQ(out, "new");
  ASSERT_TRUE(fs.Read(temp, 1, &out).ok());  // longer: one byte past
  EXPECT_EQ(out, "ne");
  EXPECT_EQ(Slurp(path), "newer");
  ASSERT_TRUE(fs.Remove(temp).ok());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);

  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  const Status refused = fs.WriteTemporary(path, "x", &temp);
  EXPECT_EQ(refused.message(), "Permission denied: " + path);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace zarvek
