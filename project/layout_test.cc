#include "project/layout.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/fake_fs.h"

namespace zarvek {
namespace {

using Chosen = ProjectLayout::Chosen;

std::string FolderOf(const std::string& path) {
  return path.substr(0, path.rfind('/'));
}

TEST(ProjectLayoutTest, EveryFolderOfAProjectOpensIt) {
  FakeFileSystem fs;
  fs.AddDirectory("/p/OBRA/2. DATOS GNSS/4. 1001/RINEX");
  fs.AddDirectory("/p/OBRA/2. DATOS GNSS/4. 1001/NATIVA");
  fs.AddDirectory("/q/OTRA/RINEX");
  const std::string kGnss = "/p/OBRA/2. DATOS GNSS";
  struct Case {
    std::string chosen;
    Chosen kind;
    std::string root, points_dir, csv, pdf;
  };
  const Case cases[] = {
      {"/p/OBRA", Chosen::kRoot, "/p/OBRA", kGnss,
       kGnss + "/ALTURAS DE ANTENA.csv", kGnss + "/CONVERSION DE ALTURA.pdf"},
      {"/p/OBRA/", Chosen::kRoot, "/p/OBRA", kGnss,
       kGnss + "/ALTURAS DE ANTENA.csv", kGnss + "/CONVERSION DE ALTURA.pdf"},
      {kGnss, Chosen::kGnssData, "/p/OBRA", kGnss,
       kGnss + "/ALTURAS DE ANTENA.csv", kGnss + "/CONVERSION DE ALTURA.pdf"},
      {kGnss + "//", Chosen::kGnssData, "/p/OBRA", kGnss,
       kGnss + "/ALTURAS DE ANTENA.csv", kGnss + "/CONVERSION DE ALTURA.pdf"},
      {kGnss + "/4. 1001", Chosen::kPoint, "/p/OBRA", kGnss,
       kGnss + "/ALTURAS DE ANTENA.csv", kGnss + "/CONVERSION DE ALTURA.pdf"},
      {kGnss + "/4. 1001/RINEX", Chosen::kPointRinex, "/p/OBRA", kGnss,
       kGnss + "/ALTURAS DE ANTENA.csv", kGnss + "/CONVERSION DE ALTURA.pdf"},
      {kGnss + "/4. 1001/NATIVA/", Chosen::kPointNative, "/p/OBRA", kGnss,
       kGnss + "/ALTURAS DE ANTENA.csv", kGnss + "/CONVERSION DE ALTURA.pdf"},
      // As a Windows chooser may give it.
      {"C:\\OBRA\\2. DATOS GNSS\\4. 1001\\RINEX", Chosen::kPointRinex,
       "C:\\OBRA", "C:\\OBRA\\2. DATOS GNSS",
       "C:\\OBRA\\2. DATOS GNSS/ALTURAS DE ANTENA.csv",
       "C:\\OBRA\\2. DATOS GNSS/CONVERSION DE ALTURA.pdf"},
      {"/2. DATOS GNSS", Chosen::kGnssData, "/", "/2. DATOS GNSS",
       "/2. DATOS GNSS/ALTURAS DE ANTENA.csv",
       "/2. DATOS GNSS/CONVERSION DE ALTURA.pdf"},
      // Not a project: its paths are where a project there would keep its
      // folders and files; nothing of its own is taken for points.
      {"/q/OTRA", Chosen::kOther, "/q/OTRA", "/q/OTRA/2. DATOS GNSS",
       "/q/OTRA/2. DATOS GNSS/ALTURAS DE ANTENA.csv",
       "/q/OTRA/2. DATOS GNSS/CONVERSION DE ALTURA.pdf"},
      {"/q/OTRA/RINEX", Chosen::kOther, "/q/OTRA/RINEX",
       "/q/OTRA/RINEX/2. DATOS GNSS",
       "/q/OTRA/RINEX/2. DATOS GNSS/ALTURAS DE ANTENA.csv",
       "/q/OTRA/RINEX/2. DATOS GNSS/CONVERSION DE ALTURA.pdf"},
      {"", Chosen::kNone, "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    const ProjectLayout layout = ProjectLayout::ForChosenFolder(fs, c.chosen);
    EXPECT_EQ(layout.chosen(), c.kind);
    EXPECT_EQ(layout.IsProject(),
              c.kind != Chosen::kNone && c.kind != Chosen::kOther);
    EXPECT_EQ(layout.root(), c.root);
    EXPECT_EQ(layout.PointsDir(), c.points_dir);
    EXPECT_EQ(layout.MeasurementFilePath(), c.csv);
    EXPECT_EQ(layout.ReportPath(), c.pdf);
    // The forms without a FileSystem agree: the files' places never depend
    // on the disk.
    EXPECT_EQ(MeasurementFilePath(c.chosen), c.csv);
    EXPECT_EQ(ReportPath(c.chosen), c.pdf);
    if (c.kind != Chosen::kNone && c.kind != Chosen::kOther) {
      EXPECT_EQ(layout.PointRinexDir("4. 1001"),
                c.points_dir + "/4. 1001/RINEX");
    }
  }
}

// The report once went to "2. DATOS GNSS/2. DATOS GNSS/" when that folder
// itself was chosen, while the measurement file went into it.
TEST(ProjectLayoutTest, ReportAndMeasurementFileShareTheGnssFolder) {
  FakeFileSystem fs;
  fs.AddDirectory("/p/OBRA/2. DATOS GNSS/4. 1001/RINEX");
  for (const std::string chosen :
       {"/p/OBRA", "/p/OBRA/2. DATOS GNSS", "/p/OBRA/2. DATOS GNSS/",
        "/p/OBRA/2. DATOS GNSS/4. 1001", "/p/OBRA/2. DATOS GNSS/4. 1001/RINEX",
        "/q/OTRA"}) {
    SCOPED_TRACE(chosen);
    const ProjectLayout layout = ProjectLayout::ForChosenFolder(fs, chosen);
    EXPECT_EQ(FolderOf(layout.ReportPath()), layout.GnssDataDir());
    EXPECT_EQ(FolderOf(layout.MeasurementFilePath()), layout.GnssDataDir());
    EXPECT_EQ(FolderOf(ReportPath(chosen)),
              FolderOf(MeasurementFilePath(chosen)));
    // Two windows that opened the project through different folders of it
    // find the same mark.
    EXPECT_EQ(LockFilePath(chosen), layout.LockFilePath());
    if (chosen != "/q/OTRA") {
      EXPECT_EQ(LockFilePath(chosen), "/p/OBRA/2. DATOS GNSS/.proyecto-en-uso");
    }
  }
}

}  // namespace
}  // namespace zarvek
