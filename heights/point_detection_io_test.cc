// Point detection over real folders, through a minimal FileSystem over
// std::filesystem kept local to this test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "heights/point_detection.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Codes = std::vector<std::string>;

class StdFs : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    std::error_code ec;
    return stdfs::exists(stdfs::path(path), ec);
  }
  bool IsDirectory(const std::string& path) override {
    std::error_code ec;
    return stdfs::is_directory(stdfs::path(path), ec);
  }
  Status ListDir(const std::string& path, Codes* names) override {
    std::error_code ec;
    names->clear();
    for (stdfs::directory_iterator it(stdfs::path(path), ec), end;
         !ec && it != end; it.increment(ec)) {
      names->push_back(it->path().filename().string());
    }
    if (ec) return Status::Error(ec.message() + ": " + path);
    return Status::OK();
  }
  Status MakeDirs(const std::string& path) override {
    std::error_code ec;
    stdfs::create_directories(stdfs::path(path), ec);
    return ec ? Status::Error(ec.message() + ": " + path) : Status::OK();
  }
};

class PointDetectionIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = stdfs::temp_directory_path() /
            (std::string("zarvek_detect_") + info->name() + "_" +
             std::to_string(::getpid()));
    stdfs::remove_all(root_);
    stdfs::create_directories(root_);
  }
  void TearDown() override { stdfs::remove_all(root_); }

  std::string Dir(const std::string& relative) {
    stdfs::create_directories(root_ / relative);
    return (root_ / relative).string();
  }

  stdfs::path root_;
  StdFs fs_;
};

TEST_F(PointDetectionIoTest, ProjectTreeInNumericOrder) {
  for (const char* name : {"1. 105", "2. 99", "3. 100"}) {
    Dir(std::string("2. DATOS GNSS/") + name);
  }
  Dir("2. DATOS GNSS/2. EFEMERIDES");
  std::ofstream(root_ / "2. DATOS GNSS" / "7.0042.txt") << "x";
  std::ofstream(root_ / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf") << "x";

  Codes codes;
  ASSERT_TRUE(DetectProjectCodes(fs_, root_.string(), {"1"}, &codes).ok());
  EXPECT_EQ(codes, (Codes{"0042", "99", "100", "105"}));

  Codes from_datos;
  ASSERT_TRUE(
      DetectProjectCodes(fs_, Dir("2. DATOS GNSS"), {}, &from_datos).ok());
  EXPECT_EQ(from_datos, codes);
}

TEST_F(PointDetectionIoTest, PlainFileCannotBeListed) {
  stdfs::path file = root_ / "not a folder";
  std::ofstream(file) << "x";
  Codes codes = {"old"};
  Status status = DetectProjectCodes(fs_, file.string(), {"5"}, &codes);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(file.string()), std::string::npos);
  EXPECT_EQ(codes, Codes{"old"});
}

}  // namespace
}  // namespace zarvek
