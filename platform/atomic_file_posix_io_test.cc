#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/atomic_file.h"
#include "platform/fs.h"
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

// Through the FileSystem that the program is given as well as directly.
TEST_F(AtomicFileTest, WritesAndReplaces) {
  FileSystem& disk = RealFileSystem();
  const std::string path = dir_ + "/CONVERSIÓN DE ALTURA.pdf";
  ASSERT_TRUE(disk.WriteAtomically(path, "first").ok());
  EXPECT_EQ(ReadFileBytes(path), "first");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

  // A replaced file keeps its permissions.
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const std::string big(3 << 20, 'x');
  ASSERT_TRUE(disk.WriteAtomically(path, big).ok());
  EXPECT_EQ(ReadFileBytes(path), big);
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  ASSERT_TRUE(WriteFileAtomically(path, std::string_view("", 0)).ok());
  EXPECT_EQ(ReadFileBytes(path), "");
  EXPECT_TRUE(Others("CONVERSIÓN DE ALTURA.pdf").empty());
}

// Temporary files left by a save that was killed are removed by the next
// save of the same file, once they are an hour old: younger ones may be
// another program's save under way, and no other name is touched.
TEST_F(AtomicFileTest, TemporaryFilesOfAKilledSaveGoWithTheNextSave) {
  const std::string path = dir_ + "/ALTURAS DE ANTENA.csv";
  const fs::file_time_type now = fs::file_time_type::clock::now();
  const struct {
    std::string name;
    std::chrono::minutes age;
    bool removed;
  } files[] = {
      {"ALTURAS DE ANTENA.csv.a1B2c3.tmp", std::chrono::minutes(61), true},
      {"ALTURAS DE ANTENA.csv.zzzzzz.tmp", std::chrono::minutes(600), true},
      {"ALTURAS DE ANTENA.csv.a1B2c3.tmp.tmp", std::chrono::minutes(600),
       false},
      {"ALTURAS DE ANTENA.csv.Q9w8E7.tmp", std::chrono::minutes(5), false},
      {"ALTURAS DE ANTENA.csv.a1B2c.tmp", std::chrono::minutes(600), false},
      {"ALTURAS DE ANTENA.csv.a1-2c3.tmp", std::chrono::minutes(600), false},
      {"OTRO.csv.a1B2c3.tmp", std::chrono::minutes(600), false},
      {"XALTURAS DE ANTENA.csv.a1B2c3.tmp", std::chrono::minutes(600), false},
  };
  for (const auto& f : files) {
    std::ofstream(dir_ + "/" + f.name) << "half";
    fs::last_write_time(dir_ + "/" + f.name, now - f.age);
  }
  ASSERT_TRUE(fs::create_directory(dir_ + "/ALTURAS DE ANTENA.csv.b1B2c3.tmp"));
  fs::last_write_time(dir_ + "/ALTURAS DE ANTENA.csv.b1B2c3.tmp",
                      now - std::chrono::minutes(600));
  ASSERT_TRUE(WriteFileAtomically(path, "data").ok());
  EXPECT_EQ(ReadFileBytes(path), "data");
  for (const auto& f : files) {
    EXPECT_EQ(fs::exists(dir_ + "/" + f.name), !f.removed) << f.name;
  }
  EXPECT_TRUE(fs::is_directory(dir_ + "/ALTURAS DE ANTENA.csv.b1B2c3.tmp"));
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

// A file the user may not write stays byte-identical, although the folder
// allows the rename: one without write bits (refused even for root) and,
// as user nobody in a child process, one owned by root.
TEST_F(AtomicFileTest, FilesTheUserMayNotWriteAreKept) {
  const std::string path = dir_ + "/CONVERSION DE ALTURA.pdf";
  bool cannot_become_nobody = false;
  struct Kept {
    mode_t mode;
    bool as_nobody;
  };
  for (const Kept& c : {Kept{0444, false}, Kept{0400, false}, Kept{0644, true},
                        Kept{0444, true}}) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    std::ofstream(path) << "earlier";
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    std::string message;
    if (!c.as_nobody) {
      message = RealFileSystem().WriteAtomically(path, "new").message();
    } else {
      if (::geteuid() != 0) {
        cannot_become_nobody = true;
        continue;
      }
      int pipe_fds[2];
      ASSERT_EQ(::pipe(pipe_fds), 0);
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 ||
            ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0) {
          ::_exit(2);
        }
        const std::string m = WriteFileAtomically(path, "new").message();
        ::_exit(::write(pipe_fds[1], m.data(), m.size()) ==
                        static_cast<ssize_t>(m.size())
                    ? 0
                    : 1);
      }
      ::close(pipe_fds[1]);
      char buf[4096];
      ssize_t n;
      while ((n = ::read(pipe_fds[0], buf, sizeof buf)) > 0) {
        message.append(buf, static_cast<std::size_t>(n));
      }
      ::close(pipe_fds[0]);
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(message, "Permission denied: " + path);
    EXPECT_EQ(ReadFileBytes(path), "earlier");
    EXPECT_TRUE(Others("CONVERSION DE ALTURA.pdf").empty());
    fs::remove(path);
  }
  if (cannot_become_nobody) {
    GTEST_SKIP() << "another user's file needs root to become user nobody";
  }
}

// Only the read and write bits of the old file itself pass to the new one:
// never through a link, never setuid, setgid or sticky.
TEST_F(AtomicFileTest, ModeComesFromTheOldFileItselfWithoutSpecialBits) {
  const std::string path = dir_ + "/CONVERSION DE ALTURA.pdf";
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const std::string program = dir_ + "/program";
  std::ofstream(program) << "#!/bin/sh\n";
  struct Mode {
    bool link;
    mode_t before, after;
  };
  for (const Mode& c :
       {Mode{false, 04755, 0644}, Mode{false, 07666, 0666},
        Mode{false, 0620, 0620}, Mode{true, 06755, 0666 & ~mask}}) {
    SCOPED_TRACE(c.before);
    fs::remove(path);
    const std::string& old_file = c.link ? program : path;
    if (c.link) {
      fs::create_symlink(program, path);
    } else {
      std::ofstream(path) << "earlier";
    }
    ASSERT_EQ(::chmod(old_file.c_str(), c.before), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "new").ok());
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, c.after);
    EXPECT_EQ(ReadFileBytes(program), "#!/bin/sh\n");
  }
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
