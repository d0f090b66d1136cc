// OpenWithDesktop against a stand-in xdg-open that records its arguments,
// and SystemRandom against the kernel's generator.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/random.h"
#include "platform/shell_open.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

using testing::ReadFileBytes;

class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string script = dir_ + "/xdg-open";
    // Chatters as a real opener without a viewer does, records where its
    // standard streams go and one argument per line, then renames so that
    // the test never reads a half-written record.
    std::ofstream(script) << "#!/bin/sh\n"
                             "echo chatter; echo chatter >&2\n"
                             "out=\"$(dirname \"$0\")/args\"\n"
                             "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 "
                             "/proc/$$/fd/2)\n"
                             "echo \"$fds\" > \"$out.tmp\"\n"
                             "printf '%s\\n' \"$#\" \"$@\" >> \"$out.tmp\"\n"
                             "mv \"$out.tmp\" \"$out\"\n";
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    const char* path = std::getenv("PATH");
    old_path_ = path != nullptr ? path : "";
    ::setenv("PATH", (dir_ + ":" + old_path_).c_str(), 1);
  }
  void TearDown() override { ::setenv("PATH", old_path_.c_str(), 1); }

  // The stand-in's record, once it is there.
  std::string WaitForArgs() {
    const std::string args = dir_ + "/args";
    for (int i = 0; i < 500 && !fs::exists(args); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ReadFileBytes(args);
  }

  testing::TempDir temp_;
  const std::string dir_ = temp_.path().string();
  std::string old_path_;
};

void ExpectNoChild() {
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(ShellOpenTest, PassesThePathAsOneArgumentAndLeavesNoChild) {
  struct Case {
    std::string path;
    std::string received;
  } cases[] = {
      {"/tmp/p/2. DATOS GNSS/CONVERSION DE ALTURA.pdf",
       "/tmp/p/2. DATOS GNSS/CONVERSION DE ALTURA.pdf"},
      {"/tmp/a'b\"c $(touch x) `y`; z.pdf",
       "/tmp/a'b\"c $(touch x) `y`; z.pdf"},
      // Not taken for an option.
      {"-informe.pdf", "./-informe.pdf"},
  };
  for (const Case& c : cases) {
    fs::remove(dir_ + "/args");
    OpenWithDesktop(c.path);
    ExpectNoChild();
    EXPECT_EQ(WaitForArgs(),
              "/dev/null\n/dev/null\n/dev/null\n1\n" + c.received + "\n");
  }
  EXPECT_FALSE(fs::exists("x"));
}

TEST_F(ShellOpenTest, MissingOpenerIsIgnored) {
  ::setenv("PATH", (dir_ + "/nowhere").c_str(), 1);
  OpenWithDesktop("/tmp/x.pdf");
  ExpectNoChild();
  // Not executable: skipped as well.
  ::setenv("PATH", dir_.c_str(), 1);
  ASSERT_EQ(::chmod((dir_ + "/xdg-open").c_str(), 0644), 0);
  OpenWithDesktop("/tmp/x.pdf");
  ExpectNoChild();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(fs::exists(dir_ + "/args"));
}

TEST(SystemRandomTest, TwoDrawsDiffer) {
  std::vector<std::uint8_t> a(32), b(32);
  SystemRandom().Fill(a.data(), a.size());
  SystemRandom().Fill(b.data(), b.size());
  EXPECT_NE(a, b);
  // A large request is filled completely (the kernel may return it in
  // pieces).
  std::vector<std::uint8_t> big(1 << 20, 0);
  SystemRandom().Fill(big.data(), big.size());
  std::size_t zeros = 0;
  for (std::uint8_t v : big) zeros += v == 0;
  EXPECT_LT(zeros, big.size() / 128);
  EXPECT_NE(std::vector<std::uint8_t>(big.end() - 64, big.end()),
            std::vector<std::uint8_t>(64, 0));
}

}  // namespace
}  // namespace zarvek
