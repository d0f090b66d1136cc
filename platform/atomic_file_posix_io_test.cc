#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/atomic_file.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

using testing::ReadFileBytes;

class AtomicFileTest : public ::testing::Test {
 protected:
  // Names in the folder besides `keep`.
  std::vector<std::string> Others(const std::string& keep) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().filename() != keep) names.push_back(e.path().filename());
    }
    return names;
  }

  testing::TempDir temp_;
  const std::string dir_ = temp_.path().string();
};

TEST_F(AtomicFileTest, WritesAndReplaces) {
  const std::string path = dir_ + "/CONVERSIÓN DE ALTURA.pdf";
  ASSERT_TRUE(WriteFileAtomically(path, "first").ok());
  EXPECT_EQ(ReadFileBytes(path), "first");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

  // A replaced file keeps its permissions.
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const std::string big(3 << 20, 'x');
  ASSERT_TRUE(WriteFileAtomically(path, big).ok());
  EXPECT_EQ(ReadFileBytes(path), big);
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  ASSERT_TRUE(WriteFileAtomically(path, std::string_view("", 0)).ok());
  EXPECT_EQ(ReadFileBytes(path), "");
  EXPECT_TRUE(Others("CONVERSIÓN DE ALTURA.pdf").empty());
}

TEST_F(AtomicFileTest, MissingFolderFailsWithTheSystemText) {
  const std::string path = dir_ + "/2. DATOS GNSS/out.pdf";
  const Status s = WriteFileAtomically(path, "data");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(), "No such file or directory: " + path);
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(AtomicFileTest, TargetThatIsAFolderIsLeftAlone) {
  const std::string path = dir_ + "/out.pdf";
  ASSERT_TRUE(fs::create_directory(path));
  const Status s = WriteFileAtomically(path, "data");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(), "Is a directory: " + path);
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_TRUE(Others("out.pdf").empty());
}

// A write that fails half-way (the file size limit here; a full disk in
// real life) leaves the earlier file byte-identical and no temporary file.
TEST_F(AtomicFileTest, FailedWriteKeepsTheEarlierFile) {
  const std::string path = dir_ + "/out.pdf";
  const std::string earlier = "earlier contents\n";
  ASSERT_TRUE(WriteFileAtomically(path, earlier).ok());

  struct rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct sigaction ignore = {}, old_action;
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &old_action);
  struct rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const Status s = WriteFileAtomically(path, std::string(100000, 'y'));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::sigaction(SIGXFSZ, &old_action, nullptr);

  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(), "File too large: " + path);
  EXPECT_EQ(ReadFileBytes(path), earlier);
  EXPECT_TRUE(Others("out.pdf").empty());
}

// Temporary names are made with O_EXCL: symbolic links planted where a
// temporary file could be expected are neither followed nor replaced.
TEST_F(AtomicFileTest, PlantedLinksAreNotFollowed) {
  testing::TempDir outside_dir("zarvek_outside");
  const std::string outside = outside_dir.path().string() + "/victim";
  std::ofstream(outside) << "not yours";
  const std::string path = dir_ + "/ALTURAS DE ANTENA.csv";
  const std::string links[] = {path + ".tmp", path + ".XXXXXX.tmp",
                               path + ".000000.tmp", path + "~"};
  for (const std::string& link : links) fs::create_symlink(outside, link);
  ASSERT_TRUE(WriteFileAtomically(path, "new").ok());
  EXPECT_EQ(ReadFileBytes(path), "new");
  EXPECT_EQ(ReadFileBytes(outside), "not yours");
  for (const std::string& link : links) EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Others("ALTURAS DE ANTENA.csv").size(), std::size(links));
}

// A real full disk and a read-only folder: a 64 KB tmpfs in a mount
// namespace of a child process (skipped where the system allows neither).
// Each failure gives the system's text and the path, keeps the previous
// file and leaves no temporary file.
TEST_F(AtomicFileTest, FullDiskAndReadOnlyFolderKeepThePreviousFile) {
  const std::string mnt = dir_ + "/mnt";
  fs::create_directory(mnt);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::unshare(CLONE_NEWNS) != 0) {
      const uid_t uid = ::geteuid();
      const gid_t gid = ::getegid();
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(77);
      std::ofstream("/proc/self/setgroups") << "deny";
      std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
      std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("none", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) {
      ::_exit(77);
    }
    int failures = 0;
    auto check = [&](bool ok, const std::string& what) {
      if (!ok) {
        std::cerr << "FAILED: " << what << "\n";
        ++failures;
      }
    };
    const std::string path = mnt + "/ALTURAS DE ANTENA.csv";
    const std::string previous = "PUNTO\r\n1001\r\n";
    check(WriteFileAtomically(path, previous).ok(), "first write");
    {
      std::ofstream filler(mnt + "/filler", std::ios::binary);
      const std::string block(4096, 'f');
      for (int i = 0; i < 64 && filler; ++i) filler << block << std::flush;
    }
    Status s = WriteFileAtomically(path, std::string(32 << 10, 'x'));
    check(s.message() == "No space left on device: " + path, s.message());
    check(ReadFileBytes(path) == previous, "previous file after ENOSPC");
    check(std::distance(fs::directory_iterator(mnt), {}) == 2,
          "no temporary file after ENOSPC");

    fs::remove(mnt + "/filler");
    check(::mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_RDONLY,
                  nullptr) == 0,
          "remount read-only");
    s = WriteFileAtomically(path, "new");
    check(s.message() == "Read-only file system: " + path, s.message());
    check(ReadFileBytes(path) == previous, "previous file when read-only");
    ::_exit(failures == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no tmpfs can be mounted";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace zarvek
