#include "platform/fs.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

class PosixFsIoTest : public ::testing::Test {
 protected:
  testing::TempDir temp_;
  const std::string root_ = temp_.path().string();
};

TEST_F(PosixFsIoTest, MakeDirsListDirAndQueries) {
  FileSystem& fs = RealFileSystem();
  const std::string deep = root_ + "/2. DATOS GNSS/4. 100/NATIVA";
  ASSERT_TRUE(fs.MakeDirs(deep).ok());
  EXPECT_TRUE(fs.MakeDirs(deep).ok());
  EXPECT_TRUE(fs.MakeDirs(deep + "/").ok());
  const std::string file = root_ + "/2. DATOS GNSS/notas.txt";
  std::ofstream(file) << "x";

  std::vector<std::string> names;
  ASSERT_TRUE(fs.ListDir(root_ + "/2. DATOS GNSS", &names).ok());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"4. 100", "notas.txt"}));

  EXPECT_TRUE(fs.IsDirectory(deep));
  EXPECT_TRUE(fs.Exists(file));
  EXPECT_FALSE(fs.IsDirectory(file));
  EXPECT_FALSE(fs.Exists(root_ + "/nada"));

  const Status missing = fs.ListDir(root_ + "/nada", &names);
  EXPECT_EQ(missing.message(),
            Status::FromErrno(ENOENT, root_ + "/nada").message());
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(fs.MakeDirs(file + "/sub").message(),
            Status::FromErrno(ENOTDIR, file + "/sub").message());
  EXPECT_EQ(fs.MakeDirs(file + "/a/b").message(),
            Status::FromErrno(ENOTDIR, file + "/a/b").message());
}

}  // namespace
}  // namespace zarvek
