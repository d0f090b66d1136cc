#include "heights/rinex_files.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/fake_fs.h"

namespace zarvek {
namespace {

// One header record: `fields` in columns 1-60, the label in 61-80.
std::string Rec(std::string fields, std::string label) {
  fields.resize(60, ' ');
  label.resize(20, ' ');
  return fields + label + "\n";
}

// An observation file whose DELTA H field (columns 1-14) is `delta_h`.
std::string Observation(const std::string& delta_h) {
  return Rec("     3.04           OBSERVATION DATA    M",
             "RINEX VERSION / TYPE") +
         Rec(delta_h + "        0.0012       -0.0034", "ANTENNA: DELTA H/E/N") +
         Rec("", "END OF HEADER") + "> 2026 01 01 12 00 00.0000000  0  1\n";
}

const std::string kGnss = "/p/2. DATOS GNSS";
const std::string kRinex = kGnss + "/4. 1001/RINEX";

TEST(RinexFilesTest, ScansThePointsOfTheChosenProjectAndCorrectsCopies) {
  FakeFileSystem fs;
  fs.AddFile(kRinex + "/a.26o", Observation("        1.5000"));
  fs.AddFile(kRinex + "/b.26o.gz", Observation("        0.0000"),
             FileWrapper::kGzip);
  fs.AddFile(kRinex + "/c.obs.Z", Observation("        1.4285"),
             FileWrapper::kCompress);
  fs.AddFile(kRinex + "/garbage.26o", "\x01\x02 not text");
  fs.AddFile(kRinex + "/notas.txt", "no RINEX\n");
  fs.AddFile(kRinex + "/sub/d.26o", Observation("        1.5000"));
  fs.AddDirectory(kGnss + "/5. 1002");
  fs.AddDirectory(kGnss + "/6. 1003/RINEX");
  fs.FailListDir(kGnss + "/6. 1003/RINEX", "Permission denied: x");
  fs.AddFile(kGnss + "/7. 1004", "a file, not a point folder");

  // Whatever folder of the project is chosen, the same points are read.
  for (const std::string& chosen : {std::string("/p"), kGnss, kRinex}) {
    SCOPED_TRACE(chosen);
    auto points = CheckProjectRinex(fs, chosen);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_TRUE(points["1002"].files.empty());
    EXPECT_EQ(points["1003"].listing_error, "Permission denied: x");
    const PointRinexFiles& p = points["1001"];
    EXPECT_EQ(p.folder, kRinex);
    ASSERT_EQ(p.files.size(), 4u);  // neither notas.txt nor sub/
    EXPECT_EQ(p.files[0].name, "a.26o");
    EXPECT_EQ(p.files[1].wrapper, FileWrapper::kGzip);
    EXPECT_EQ(p.files[3].name, "garbage.26o");
    EXPECT_EQ(p.files[3].kind, RinexKind::kUnreadable);
  }

  const RinexRowHeights row{1.4285, 1.5105, 1.5};
  RinexVerdict v = JudgeRinexPoint(CheckRinexFolder(fs, kRinex), row);
  EXPECT_EQ(v.to_correct, (std::vector<std::string>{"a.26o", "b.26o.gz"}));
  for (const std::string& name : v.to_correct) {
    std::string copy;
    ASSERT_TRUE(WriteCorrectedCopy(fs, kRinex, name, 1.4285, &copy).ok());
    EXPECT_EQ(copy, kRinex + "/CORREGIDO/" + name);
    EXPECT_EQ(fs.FileAt(copy)->content, Observation("        1.4285"));
  }
  EXPECT_EQ(fs.FileAt(kRinex + "/CORREGIDO/b.26o.gz")->wrapper,
            FileWrapper::kGzip);
  EXPECT_EQ(fs.FileAt(kRinex + "/a.26o")->content,
            Observation("        1.5000"));  // the original is untouched
  const Status garbage =
      WriteCorrectedCopy(fs, kRinex, "garbage.26o", 1.4285, nullptr);
  EXPECT_FALSE(garbage.ok());
  EXPECT_NE(garbage.message().find(kRinex + "/garbage.26o"), std::string::npos)
      << garbage.message();
  fs.AddFile(kRinex + "/garbage.26o", Observation("        1.5000"));
  fs.FailFile(kRinex + "/CORREGIDO/garbage.26o", "No space left: copy");
  EXPECT_EQ(
      WriteCorrectedCopy(fs, kRinex, "garbage.26o", 1.4285, nullptr).message(),
      "No space left: copy");
  v = JudgeRinexPoint(CheckRinexFolder(fs, kRinex), row);
  EXPECT_EQ(v.to_correct, std::vector<std::string>{"garbage.26o"});

  // A right file is copied as it is, unwrapped as a corrected one would be,
  // so that CORREGIDO holds every file of the point.
  std::string unchanged;
  ASSERT_TRUE(WriteUnchangedCopy(fs, kRinex, "c.obs.Z", &unchanged).ok());
  EXPECT_EQ(unchanged, kRinex + "/CORREGIDO/c.obs");
  EXPECT_EQ(fs.FileAt(unchanged)->content, Observation("        1.4285"));
  EXPECT_EQ(fs.FileAt(unchanged)->wrapper, FileWrapper::kNone);

  // A plain original beside a wrapped one would share its copy's name: the
  // copy is refused, and the copy there stays as it was.
  fs.AddFile(kRinex + "/c.obs", Observation("        1.5000"));
  const Status clash = WriteCorrectedCopy(fs, kRinex, "c.obs", 1.4285, nullptr);
  EXPECT_NE(clash.message().find("misma copia c.obs"), std::string::npos)
      << clash.message();
  EXPECT_FALSE(WriteUnchangedCopy(fs, kRinex, "c.obs.Z", nullptr).ok());
  EXPECT_EQ(fs.FileAt(unchanged)->content, Observation("        1.4285"));
}

}  // namespace
}  // namespace zarvek
