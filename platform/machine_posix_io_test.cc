// The process and machine facts on this system, and the project mark they
// feed, renewed by its thread on real files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/fs.h"
#include "platform/machine.h"
#include "project/layout.h"
#include "project/project_lock.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

// A process number that is certainly free: a child that has ended and been
// waited for.
long long GonePid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(MachineTest, TellsRunningProcessesFromGoneOnes) {
  EXPECT_TRUE(ProcessRunning(CurrentProcessId()));
  EXPECT_TRUE(ProcessRunning(getppid()));
  EXPECT_TRUE(ProcessRunning(1));  // another user's: it exists all the same
  EXPECT_FALSE(ProcessRunning(GonePid()));
  for (long long pid : {0LL, -1LL, 1LL << 40})
    EXPECT_FALSE(ProcessRunning(pid));
  EXPECT_FALSE(MachineName().empty());
  EXPECT_FALSE(LoginName().empty());
}

// While the window has the project open its mark is renewed, put back when
// deleted, and left alone while another running copy has replaced it.
TEST(MachineTest, TheMarkIsRenewedWhileTheProjectIsOpen) {
  testing::TempDir temp;
  const std::string root = (temp.path() / "obra").string();
  std::filesystem::create_directories(temp.path() / "obra" /
                                      std::string(kGnssDataFolder));
  const std::string mark = LockFilePath(root);
  FileSystem& fs = RealFileSystem();
  auto now = [] { return static_cast<long long>(std::time(nullptr)); };
  ProjectLock lock(fs, {MachineName(), LoginName(), CurrentProcessId()}, now,
                   ProcessRunning, std::chrono::milliseconds(20));
  auto read = [&] {
    std::string bytes;
    bool missing = false;
    fs.ReadPrefix(mark, 4096, &bytes, &missing);
    return ParseLock(bytes);
  };
  auto wait_for = [&](auto done) {
    for (int i = 0; i < 250 && !done(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
  };
  ASSERT_TRUE(lock.Take(root).ok());

  // Deleted (by a copy that went on editing and then closed): put back.
  ASSERT_TRUE(fs.RemoveFile(mark).ok());
  EXPECT_TRUE(wait_for([&] { return read().has_value(); }));
  EXPECT_EQ(read()->pid, CurrentProcessId());

  // Replaced by a running copy: left alone. A renewal that read the mark
  // just before it was replaced may still put its own back once, so the
  // other copy's mark is written again until it has lasted ten renewals in
  // a row; a renewal that overwrote it on purpose would never let it last.
  const LockHolder other{MachineName(), "eva", getppid(), now(), now()};
  int lasted = 0;
  for (int i = 0; i < 250 && lasted < 10; ++i) {
    if (read() == other) {
      ++lasted;
    } else {
      lasted = 0;
      ASSERT_TRUE(fs.WriteAtomically(mark, FormatLock(other)).ok());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(lasted, 10);
  EXPECT_EQ(read(), other);

  // Replaced by a copy that has crashed since: ours again.
  const LockHolder crashed{MachineName(), "eva", GonePid(), now(), now()};
  ASSERT_TRUE(fs.WriteAtomically(mark, FormatLock(crashed)).ok());
  EXPECT_TRUE(wait_for([&] { return read() && read()->pid != crashed.pid; }));
  EXPECT_EQ(read()->pid, CurrentProcessId());

  lock.Release();
  EXPECT_FALSE(std::filesystem::exists(mark));
}

}  // namespace
}  // namespace zarvek
