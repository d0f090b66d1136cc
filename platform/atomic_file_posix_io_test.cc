#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
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

}  // namespace
}  // namespace zarvek
