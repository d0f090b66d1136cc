#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/read_file.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

TEST(ReadFileTest, ReadsNoMoreThanTheLimitAndOnlyOrdinaryFiles) {
  testing::TempDir temp;
  const std::string dir = temp.path().string();
  std::string bytes;
  bool missing = false;

  ASSERT_TRUE(ReadFilePrefix(dir + "/none.csv", 10, &bytes, &missing).ok());
  EXPECT_TRUE(missing);

  std::ofstream(dir + "/small.csv") << "PUNTO\r\n";
  ASSERT_TRUE(ReadFilePrefix(dir + "/small.csv", 10, &bytes, &missing).ok());
  EXPECT_FALSE(missing);
  EXPECT_EQ(bytes, "PUNTO\r\n");

  // 100 MB (sparse): only the limit and one byte more are read.
  const std::string huge = dir + "/huge.csv";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, 100u << 20);
  ASSERT_TRUE(ReadFilePrefix(huge, 4096, &bytes, &missing).ok());
  EXPECT_EQ(bytes.size(), 4097u);

  const Status folder = ReadFilePrefix(dir, 10, &bytes, &missing);
  EXPECT_EQ(folder.message(), "Is a directory: " + dir);
  // A FIFO would block a plain open and read.
  const std::string fifo = dir + "/fifo.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadFilePrefix(fifo, 10, &bytes, &missing).message(),
            "Invalid argument: " + fifo);
}

}  // namespace
}  // namespace zarvek
