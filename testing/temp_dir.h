// File helpers for tests: a fresh, empty folder under the system's temporary
// folder for one test, named after the process and the running test and
// removed with its contents when the object goes; and reading a whole file.
#ifndef ZARVEK_TESTING_TEMP_DIR_H_
#define ZARVEK_TESTING_TEMP_DIR_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace zarvek::testing {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "zarvek") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (prefix + "_" + std::to_string(getpid()) + "_" +
             (info ? std::string(info->test_suite_name()) + "." + info->name()
                   : std::string("run")));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// The whole content of the file at `path` ("" when it cannot be read).
/// `path` as the program's UTF-8 text with "/" between names, as Tk's
/// folder chooser gives paths on every system (on Windows, path::string()
/// gives the ANSI code page and "\\" instead).
inline std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

/// The path whose UTF-8 text is `text`.
inline std::filesystem::path PathOf(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

/// `text` with every backslash made a slash: paths that the program joins
/// with "/" compare with those the system gives with "\\" on Windows.
inline std::string Slashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace zarvek::testing

#endif  // ZARVEK_TESTING_TEMP_DIR_H_
