#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "folders/codes.h"
#include "folders/tree_create.h"
#include "gtest/gtest.h"
#include "platform/fs.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;

class TreeCreateIoTest : public ::testing::Test {
 protected:
  // Every entry under the root, as sorted paths relative to it; files are
  // marked with a trailing " (file)".
  std::vector<std::string> Entries() const {
    std::vector<std::string> entries;
    for (const auto& entry : stdfs::recursive_directory_iterator(root_)) {
      std::string rel = stdfs::relative(entry.path(), root_).string();
      if (!entry.is_directory()) rel += " (file)";
      entries.push_back(rel);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  testing::TempDir temp_;
  const std::string root_ = temp_.path().string();
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST_F(TreeCreateIoTest, ThreeCodesGiveTheWholeTree) {
  const std::vector<std::string> expected = {
      "1. FORMULARIOS",
      "2. DATOS GNSS",
      "2. DATOS GNSS/1. DATOS DE LA ESTACION BASE",
      "2. DATOS GNSS/1. DATOS DE LA ESTACION BASE/NATIVA",
      "2. DATOS GNSS/1. DATOS DE LA ESTACION BASE/RINEX",
      "2. DATOS GNSS/2. EFEMERIDES",
      "2. DATOS GNSS/3. PROCESAMIENTO",
      "2. DATOS GNSS/4. 100",
      "2. DATOS GNSS/4. 100/NATIVA",
      "2. DATOS GNSS/4. 100/RINEX",
      "2. DATOS GNSS/5. 101",
      "2. DATOS GNSS/5. 101/NATIVA",
      "2. DATOS GNSS/5. 101/RINEX",
      "2. DATOS GNSS/6. 102",
      "2. DATOS GNSS/6. 102/NATIVA",
      "2. DATOS GNSS/6. 102/RINEX",
      "3. FOTOGRAFIAS",
      "3. FOTOGRAFIAS/100",
      "3. FOTOGRAFIAS/100/1. EQUIPO GNSS",
      "3. FOTOGRAFIAS/100/2. PROCESO DE MONUMENTACI\u00D3N",
      "3. FOTOGRAFIAS/100/3. PROFUNDIDAD",
      "3. FOTOGRAFIAS/100/4. ANCLAJE DE DISCO DE BRONCE",
      "3. FOTOGRAFIAS/100/5. INCRUSTACI\u00D3N DEL DISCO DE BRONCE",
      "3. FOTOGRAFIAS/100/6. DISCO INSTALADO",
      "3. FOTOGRAFIAS/100/7. MEDICI\u00D3N DE ALTURA DE ANTENA",
      "3. FOTOGRAFIAS/100/08. FOTOGRAF\u00CDAS PANOR\u00C1MICAS",
      "3. FOTOGRAFIAS/100/09. VIDEOS",
      "3. FOTOGRAFIAS/101",
      "3. FOTOGRAFIAS/101/1. EQUIPO GNSS",
      "3. FOTOGRAFIAS/101/2. PROCESO DE MONUMENTACI\u00D3N",
      "3. FOTOGRAFIAS/101/3. PROFUNDIDAD",
      "3. FOTOGRAFIAS/101/4. ANCLAJE DE DISCO DE BRONCE",
      "3. FOTOGRAFIAS/101/5. INCRUSTACI\u00D3N DEL DISCO DE BRONCE",
      "3. FOTOGRAFIAS/101/6. DISCO INSTALADO",
      "3. FOTOGRAFIAS/101/7. MEDICI\u00D3N DE ALTURA DE ANTENA",
      "3. FOTOGRAFIAS/101/08. FOTOGRAF\u00CDAS PANOR\u00C1MICAS",
      "3. FOTOGRAFIAS/101/09. VIDEOS",
      "3. FOTOGRAFIAS/102",
      "3. FOTOGRAFIAS/102/1. EQUIPO GNSS",
      "3. FOTOGRAFIAS/102/2. PROCESO DE MONUMENTACI\u00D3N",
      "3. FOTOGRAFIAS/102/3. PROFUNDIDAD",
      "3. FOTOGRAFIAS/102/4. ANCLAJE DE DISCO DE BRONCE",
      "3. FOTOGRAFIAS/102/5. INCRUSTACI\u00D3N DEL DISCO DE BRONCE",
      "3. FOTOGRAFIAS/102/6. DISCO INSTALADO",
      "3. FOTOGRAFIAS/102/7. MEDICI\u00D3N DE ALTURA DE ANTENA",
      "3. FOTOGRAFIAS/102/08. FOTOGRAF\u00CDAS PANOR\u00C1MICAS",
      "3. FOTOGRAFIAS/102/09. VIDEOS",
  };
  ASSERT_EQ(expected.size(), 47u);
  ASSERT_TRUE(
      CreateProjectTree(RealFileSystem(), root_, {"100", "101", "102"}).ok());
  EXPECT_EQ(Entries(), Sorted(expected));

  // Again on the same root: no error, nothing new.
  const Status again =
      CreateProjectTree(RealFileSystem(), root_, {"100", "101", "102"});
  EXPECT_TRUE(again.ok()) << again.message();
  EXPECT_EQ(Entries(), Sorted(expected));
}

TEST_F(TreeCreateIoTest, EntriesAreTrimmedAndSkipped) {
  // As the folder tab reads its preview: a skipped first entry does not use
  // up number 4, and a code pasted with a no-break space is the plain code.
  const std::vector<std::string> codes =
      ReadEntryCodes({"", " 100 ", "\u00a0", "2405\u00a0"}).codes;
  ASSERT_TRUE(CreateProjectTree(RealFileSystem(), root_, codes).ok());
  const std::vector<std::string> entries = Entries();
  EXPECT_EQ(entries.size(), 8u + 13u * 2u);
  auto has = [&](const std::string& rel) {
    return std::count(entries.begin(), entries.end(), rel) == 1;
  };
  EXPECT_TRUE(has("2. DATOS GNSS/4. 100/RINEX"));
  EXPECT_TRUE(has("2. DATOS GNSS/5. 2405/NATIVA"));
  EXPECT_TRUE(has("3. FOTOGRAFIAS/2405/09. VIDEOS"));
}

TEST_F(TreeCreateIoTest, FileInTheWayStopsEverything) {
  const std::string in_the_way = JoinPath(root_, "1. FORMULARIOS");
  std::ofstream(in_the_way) << "not a folder";
  const Status status =
      CreateProjectTree(RealFileSystem(), root_, {"100", "101", "102"});
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message(), Status::FromErrno(EEXIST, in_the_way).message());
  EXPECT_EQ(Entries(), std::vector<std::string>{"1. FORMULARIOS (file)"});
}

TEST_F(TreeCreateIoTest, OverlongCodeGivesTheSystemError) {
  const std::string code(300, '7');
  const Status status = CreateProjectTree(RealFileSystem(), root_, {code});
  ASSERT_FALSE(status.ok());
  const std::string path = root_ + "/2. DATOS GNSS/4. " + code;
  EXPECT_EQ(status.message(), Status::FromErrno(ENAMETOOLONG, path).message());
  EXPECT_EQ(status.message(), "File name too long: " + path);
  // The shared folders made before the failure stay.
  EXPECT_EQ(Entries().size(), 7u);
}

}  // namespace
}  // namespace zarvek
