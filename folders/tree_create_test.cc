#include "folders/tree_create.h"

#include <cerrno>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/fake_fs.h"

namespace zarvek {
namespace {

using Op = FakeFileSystem::Op;

// The whole tree of one point, in the order it must be made: each parent
// before its children, the names exactly as they must appear on disk.
const std::vector<std::string> kTreeOf100 = {
    "/p/1. FORMULARIOS",
    "/p/2. DATOS GNSS",
    "/p/2. DATOS GNSS/1. DATOS DE LA ESTACION BASE",
    "/p/2. DATOS GNSS/1. DATOS DE LA ESTACION BASE/NATIVA",
    "/p/2. DATOS GNSS/1. DATOS DE LA ESTACION BASE/RINEX",
    "/p/2. DATOS GNSS/2. EFEMERIDES",
    "/p/2. DATOS GNSS/3. PROCESAMIENTO",
    "/p/2. DATOS GNSS/4. 100",
    "/p/2. DATOS GNSS/4. 100/NATIVA",
    "/p/2. DATOS GNSS/4. 100/RINEX",
    "/p/3. FOTOGRAFIAS",
    "/p/3. FOTOGRAFIAS/100",
    "/p/3. FOTOGRAFIAS/100/1. EQUIPO GNSS",
    "/p/3. FOTOGRAFIAS/100/2. PROCESO DE MONUMENTACI\u00d3N",
    "/p/3. FOTOGRAFIAS/100/3. PROFUNDIDAD",
    "/p/3. FOTOGRAFIAS/100/4. ANCLAJE DE DISCO DE BRONCE",
    "/p/3. FOTOGRAFIAS/100/5. INCRUSTACI\u00d3N DEL DISCO DE BRONCE",
    "/p/3. FOTOGRAFIAS/100/6. DISCO INSTALADO",
    "/p/3. FOTOGRAFIAS/100/7. MEDICI\u00d3N DE ALTURA DE ANTENA",
    "/p/3. FOTOGRAFIAS/100/08. FOTOGRAF\u00cdAS PANOR\u00c1MICAS",
    "/p/3. FOTOGRAFIAS/100/09. VIDEOS",
};

std::vector<std::string> FirstOf(size_t n) {
  return std::vector<std::string>(kTreeOf100.begin(), kTreeOf100.begin() + n);
}

// A project where the GNSS folder is there already, holding a file of the
// user's.
void AddEarlierWork(FakeFileSystem& fs) {
  fs.AddDirectory("/p");
  fs.AddFile("/p/2. DATOS GNSS/notas.txt", "punto 100: tr\u00edpode");
}

TEST(CreateProjectTreeTest, MakesTheTreeInOrderAndKeepsWhatExists) {
  FakeFileSystem fs;
  AddEarlierWork(fs);
  ASSERT_TRUE(CreateProjectTree(fs, "/p", {"100"}).ok());
  EXPECT_EQ(fs.directories_made_, kTreeOf100);
  std::vector<std::string> created = kTreeOf100;
  created.erase(created.begin() + 1);  // "2. DATOS GNSS" was there
  EXPECT_EQ(fs.directories_created_, created);
  EXPECT_EQ(fs.FileBytes("/p/2. DATOS GNSS/notas.txt"),
            "punto 100: tr\u00edpode");

  // A second run finds everything in place and makes nothing new.
  TreeAdditions additions;
  ASSERT_TRUE(CreateProjectTree(fs, "/p", {"100"}, &additions).ok());
  EXPECT_EQ(fs.directories_created_, created);
  EXPECT_TRUE(additions.added.empty());
  EXPECT_EQ(additions.present, std::vector<std::string>{"100"});

  // A list with one more code adds that point alone, beside the others.
  ASSERT_TRUE(CreateProjectTree(fs, "/p", {"100", "107"}, &additions).ok());
  EXPECT_EQ(additions.added, (std::vector<PlannedPoint>{{"5. 107", "107"}}));
  std::vector<std::string> added(fs.directories_created_.end() - 13,
                                 fs.directories_created_.end());
  EXPECT_EQ(fs.directories_created_.size(), kTreeOf100.size() - 1 + 13);
  EXPECT_EQ(added.front(), "/p/2. DATOS GNSS/5. 107");
  EXPECT_EQ(added.back(), "/p/3. FOTOGRAFIAS/107/09. VIDEOS");
  EXPECT_FALSE(fs.Exists("/p/2. DATOS GNSS/5. 100"));
}

// A GNSS data folder that cannot be listed stops the run before anything is
// made: its points could be doubled.
TEST(CreateProjectTreeTest, UnreadableProjectMakesNothing) {
  FakeFileSystem fs;
  AddEarlierWork(fs);
  fs.FailListDir("/p/2. DATOS GNSS", "Permission denied: /p/2. DATOS GNSS");
  const Status status = CreateProjectTree(fs, "/p", {"100"});
  EXPECT_EQ(status.message(), "Permission denied: /p/2. DATOS GNSS");
  EXPECT_TRUE(fs.directories_made_.empty());
}

// A folder that cannot be made ends the run there: the ones before it stay,
// none after it is attempted, and the status is the system's text for that
// very folder.
TEST(CreateProjectTreeTest, StopsAtTheFolderThatFails) {
  const struct {
    int fail_call;          // 1-based MakeDirs call that fails, or 0
    const char* fail_path;  // path whose every call fails, or ""
    int err;
    size_t made;  // folders made before the failing one
  } cases[] = {
      {1, "", EACCES, 0},
      {10, "", ENOSPC, 9},
      {21, "", EROFS, 20},
      {0, "/p/3. FOTOGRAFIAS", ENAMETOOLONG, 10},
      {0, "/p/3. FOTOGRAFIAS/100/08. FOTOGRAF\u00cdAS PANOR\u00c1MICAS", EIO,
       19},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.made);
    FakeFileSystem fs;
    AddEarlierWork(fs);
    if (c.fail_call > 0) fs.FailCallAt(Op::kMakeDirs, c.fail_call, c.err);
    if (*c.fail_path != '\0') fs.FailPath(c.fail_path, c.err);

    const Status status = CreateProjectTree(fs, "/p", {"100"});
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.message(),
              Status::FromErrno(c.err, kTreeOf100[c.made]).message());
    EXPECT_EQ(fs.directories_made_, FirstOf(c.made));
    EXPECT_EQ(fs.CallCount(Op::kMakeDirs), static_cast<int>(c.made) + 1);
    EXPECT_FALSE(fs.Exists(kTreeOf100[c.made]));
    EXPECT_FALSE(fs.Exists("/p/3. FOTOGRAFIAS/100/09. VIDEOS"));
    EXPECT_TRUE(fs.IsDirectory("/p/2. DATOS GNSS"));
    EXPECT_EQ(fs.FileBytes("/p/2. DATOS GNSS/notas.txt"),
              "punto 100: tr\u00edpode");
  }
}

}  // namespace
}  // namespace zarvek
