// Point detection over real folders, through the real file system.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "project/point_detection.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Codes = std::vector<std::string>;

class PointDetectionIoTest : public ::testing::Test {
 protected:
  std::string Dir(const std::string& relative) {
    stdfs::create_directories(root_ / relative);
    return (root_ / relative).string();
  }

  testing::TempDir temp_;
  const stdfs::path& root_ = temp_.path();
  FileSystem& fs_ = RealFileSystem();
};

TEST_F(PointDetectionIoTest, ProjectTreeInNumericOrder) {
  for (const char* name : {"1. 105", "2. 99", "3. 100"}) {
    Dir(std::string("2. DATOS GNSS/") + name);
  }
  Dir("2. DATOS GNSS/2. EFEMERIDES");
  std::ofstream(root_ / "2. DATOS GNSS" / "7.0042.txt") << "x";
  std::ofstream(root_ / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf") << "x";

  Codes codes;
  ASSERT_TRUE(DetectProjectCodes(fs_, root_.string(), &codes).ok());
  EXPECT_EQ(codes, (Codes{"0042", "99", "100", "105"}));

  Codes from_datos;
  ASSERT_TRUE(DetectProjectCodes(fs_, Dir("2. DATOS GNSS"), &from_datos).ok());
  EXPECT_EQ(from_datos, codes);
}

TEST_F(PointDetectionIoTest, PlainFileCannotBeListed) {
  // A project whose "2. DATOS GNSS" is a plain file.
  stdfs::path file = root_ / "2. DATOS GNSS";
  std::ofstream(file) << "x";
  Codes codes = {"old"};
  Status status = DetectProjectCodes(fs_, root_.string(), &codes);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(testing::Slashes(status.message())
                .find(testing::Slashes(file.string())),
            std::string::npos)
      << status.message();
  EXPECT_EQ(codes, Codes{"old"});
}

}  // namespace
}  // namespace zarvek
