// The scan on real files of kinds the fake file system cannot make: pipes
// and links that lead to themselves.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dossier/matrix.h"
#include "dossier/scan.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;

// Only folders in the photos folder are points; a stage folder that no
// system call can follow is there but unreadable ("?" with the system's
// reason), not missing. A stage's subfolders count, but a link among them
// is never followed, out of the project or round in a loop.
TEST(ScanPosixIoTest, OnlyFoldersArePointsAndALinkLoopIsUnreadable) {
  testing::TempDir temp;
  const stdfs::path photos = temp.path() / std::string(kPhotosFolder);
  stdfs::create_directories(temp.path() / std::string(kGnssDataFolder));
  stdfs::create_directories(photos);
  ASSERT_EQ(::mkfifo((photos / "1003").c_str(), 0600), 0);
  std::ofstream(photos / "1004") << "x";
  const ProjectLayout layout = ProjectLayout::AtRoot(temp.path().string());
  const std::vector<std::string> stages = layout.PointPhotoStageDirs("1005");
  for (const std::string& stage : stages) stdfs::create_directories(stage);
  stdfs::remove(stages[2]);
  stdfs::create_symlink(stages[2], stages[2]);  // a loop
  const std::string jpeg = "\xFF\xD8\xFF\xE0 jpeg";
  std::ofstream(stdfs::path(stages[0]) / "a.jpg") << jpeg;
  stdfs::create_directories(stdfs::path(stages[0]) / "viejas");
  std::ofstream(stdfs::path(stages[0]) / "viejas" / "b.jpg") << jpeg;
  const stdfs::path outside = temp.path() / "fuera";
  stdfs::create_directories(outside);
  std::ofstream(outside / "c.jpg") << jpeg;
  stdfs::create_directory_symlink(outside, stdfs::path(stages[0]) / "enlace");
  stdfs::create_directory_symlink(stages[0],
                                  stdfs::path(stages[0]) / "viejas" / "ciclo");

  const DossierScan scan = ScanDossier(RealFileSystem(), layout);
  ASSERT_EQ(scan.points.size(), 1u);
  EXPECT_EQ(scan.points[0].code, "1005");
  EXPECT_EQ(scan.points_found, 1u);
  const FolderCount& loop = scan.points[0].stages[2];
  EXPECT_EQ(loop.state, FolderCount::State::kUnreadable);
  EXPECT_EQ(loop.reason, std::string(std::strerror(ELOOP)) + ": " + stages[2]);
  const DossierMatrix matrix = BuildDossierMatrix(scan, {});
  EXPECT_EQ(matrix.rows[0][kFirstStageColumn + 2].text, "?");
  EXPECT_EQ(matrix.rows[0][kFirstStageColumn + 3].text, "0");
  std::vector<std::string> names;
  for (const FoundFile& f : scan.points[0].stages[0].files)
    names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "viejas/b.jpg"}));
  EXPECT_EQ(scan.points[0].warnings,
            (std::vector<std::string>{
                "1 FOTO EN LA SUBCARPETA 1. EQUIPO GNSS/viejas"}));
}

}  // namespace
}  // namespace zarvek
