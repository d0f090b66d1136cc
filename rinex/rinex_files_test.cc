#include "rinex/rinex_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "testing/fake_fs.h"
#include "text/shown_path.h"

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

// The same file with `epochs` epochs of one satellite every 30 s from
// 12:`minute`:00, in place of its single epoch.
std::string ObservationAt(const std::string& delta_h, int minute, int epochs) {
  std::string text = Observation(delta_h);
  text.resize(text.rfind('>'));
  for (int i = 0; i < epochs; ++i) {
    const int second = minute * 60 + 30 * i;
    char line[80];
    std::snprintf(
        line, sizeof line,
        "> 2026 01 01 12 %02d %02d.0000000  0  1\nG01  20000000.000\n",
        second / 60, second % 60);
    text += line;
  }
  return text;
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
    std::map<std::string, std::string> folders =
        ProjectRinexFolders(fs, chosen);
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_TRUE(CheckRinexFolder(fs, folders["1002"]).files.empty());
    EXPECT_EQ(CheckRinexFolder(fs, folders["1003"]).listing_error,
              "Permission denied: x");
    const PointRinexFiles p = CheckRinexFolder(fs, folders["1001"]);
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
  EXPECT_NE(garbage.message().find(ShownPath(kRinex + "/garbage.26o")),
            std::string::npos)
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

// Coming back to the table reads only the files whose original or copy
// changed; a correction run lists each RINEX folder once, not once a copy.
TEST(RinexFilesTest, ReadsOnlyWhatChangedAndListsAFolderOncePerRun) {
  FakeFileSystem fs;
  // Five files of 5 min each, one after the other: a 25 min session.
  int minute = 0;
  for (const char* name : {"a.26o", "b.26o", "c.26o", "d.26o", "e.26o"}) {
    fs.AddFile(kRinex + "/" + name,
               ObservationAt("        1.5000", minute, 10));
    minute += 5;
  }
  fs.AddFile(kRinex + "/notas.txt", "no RINEX\n");
  RinexReadCache cache;
  auto reads = [&] { return fs.CallCount(FakeFileSystem::Op::kReadDecoded); };
  auto names = [](const PointRinexFiles& p) {
    std::vector<std::string> out;
    for (const RinexFileCheck& f : p.files)
      out.push_back(f.name + (f.copy_delta_h ? " C" : ""));
    return out;
  };
  struct Step {
    const char* what;
    std::function<void()> change;
    int reads;  // headers read again
    std::vector<std::string> files;
    std::string session;  // the point's, as its cell shows it
  } steps[] = {
      {"first reading",
       [] {},
       6,
       {"a.26o", "b.26o", "c.26o", "d.26o", "e.26o"},
       "25 min · 30 s · 100 %"},
      {"nothing changed",
       [] {},
       0,
       {"a.26o", "b.26o", "c.26o", "d.26o", "e.26o"},
       "25 min · 30 s · 100 %"},
      // Half of b's epochs are gone: the session read again says so.
      {"one file replaced",
       [&] {
         fs.AddFile(kRinex + "/b.26o", ObservationAt("        1.4285", 5, 5));
       },
       1,
       {"a.26o", "b.26o", "c.26o", "d.26o", "e.26o"},
       "25 min · 30 s · 90 %"},
      {"a copy made",
       [&] {
         ASSERT_TRUE(
             WriteCorrectedCopy(fs, kRinex, "a.26o", 1.4285, nullptr).ok());
       },
       // The original, the copy's header, both again with their data.
       4,
       {"a.26o C", "b.26o", "c.26o", "d.26o", "e.26o"},
       "25 min · 30 s · 90 %"},
      {"one file removed",
       [&] {
         fs.SetListing(kRinex,
                       {"a.26o", "b.26o", "c.26o", "notas.txt", "CORREGIDO"});
       },
       0,
       {"a.26o C", "b.26o", "c.26o"},
       "15 min · 30 s · 83 %"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    const int before = reads();
    const PointRinexFiles read = CheckRinexFolder(fs, kRinex, &cache);
    EXPECT_EQ(reads() - before, step.reads);
    EXPECT_EQ(names(read), step.files);
    EXPECT_EQ(DescribePointSession(read).text, step.session);
    // What the cache gives is what a reading without it gives.
    const PointRinexFiles fresh = CheckRinexFolder(fs, kRinex);
    EXPECT_EQ(names(fresh), step.files);
    EXPECT_EQ(DescribePointSession(fresh).text, step.session);
    EXPECT_EQ(
        JudgeRinexPoint(read, RinexRowHeights{1.4285, 1.5105, 1.5}).cell,
        JudgeRinexPoint(fresh, RinexRowHeights{1.4285, 1.5105, 1.5}).cell);
  }

  // Three copies of one run: one listing of the folder.
  RinexCopyRun run;
  const int listed = fs.CallCount(FakeFileSystem::Op::kListDir);
  for (const char* name : {"b.26o", "c.26o"})
    ASSERT_TRUE(
        WriteCorrectedCopy(fs, kRinex, name, 1.4285, nullptr, &run).ok());
  ASSERT_TRUE(WriteUnchangedCopy(fs, kRinex, "a.26o", nullptr, &run).ok());
  EXPECT_EQ(fs.CallCount(FakeFileSystem::Op::kListDir) - listed, 1);
}

// A copy stops, leaving nothing and the earlier copy as it was, when its
// content passes the limit (a decompression bomb), when the disk would be
// left nearly full before or while it is written, or when it is cancelled;
// it is written when none of them holds.
TEST(RinexFilesTest, CopiesStopAtTheirLimits) {
  const std::string header = Observation("        1.5000");
  const std::string body(64 * 1024, ' ');
  constexpr std::uint64_t kMiB = 1 << 20;
  struct Case {
    const char* what;
    FileWrapper wrapper;
    RinexCopyLimits limits;
    std::uint64_t free, total;  // 0: the disk cannot tell
    bool cancel;
    std::string error;  // "" when written
  } cases[] = {
      {"within every limit", FileWrapper::kBzip2, {}, 0, 0, false, ""},
      {"a bomb",
       FileWrapper::kBzip2,
       {.max_bytes = 32 * 1024},
       0,
       0,
       false,
       BoxPathAfter("NO PARECE UN ARCHIVO DE OBSERVACIÓN: DESCOMPRIMIDO PASA "
                    "DE 32768 BYTES; NO SE ESCRIBE SU COPIA: ",
                    kRinex + "/a.26o.bz2")},
      {"its size, exactly",
       FileWrapper::kBzip2,
       {.max_bytes = header.size() + body.size()},
       0,
       0,
       false,
       ""},
      {"a disk with room",
       FileWrapper::kNone,
       {},
       kGiB + 70 * 1024,
       100 * kGiB,
       false,
       ""},
      {"a disk nearly full before",
       FileWrapper::kNone,
       {},
       kGiB + 60 * 1024,
       100 * kGiB,
       false,
       BoxPathAfter("EL DISCO SE QUEDARÍA CASI LLENO (LIBRES: 1024 MB; SE "
                    "DEJAN AL MENOS 1 GiB); NO SE ESCRIBE LA COPIA: ",
                    kRinex + "/CORREGIDO/a.26o")},
      // 5 % of a 10 GiB stick is less than 1 GiB: that is what it keeps.
      {"a small disk",
       FileWrapper::kNone,
       {},
       600 * kMiB,
       10 * kGiB,
       false,
       ""},
      {"a disk filled while writing",
       FileWrapper::kBzip2,
       {.check_free_every = 4096},
       kGiB + 32 * 1024,
       100 * kGiB,
       false,
       BoxPathAfter("EL DISCO SE QUEDARÍA CASI LLENO (LIBRES: 1023 MB; SE "
                    "DEJAN AL MENOS 1 GiB); NO SE ESCRIBE LA COPIA: ",
                    kRinex + "/CORREGIDO/a.26o")},
      {"cancelled",
       FileWrapper::kNone,
       {},
       0,
       0,
       true,
       "CANCELADO: " + ShownPath(kRinex + "/CORREGIDO/a.26o")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFileSystem fs;
    const std::string name =
        c.wrapper == FileWrapper::kBzip2 ? "a.26o.bz2" : "a.26o";
    fs.AddFile(kRinex + "/" + name, header + body, c.wrapper);
    const std::string copy = kRinex + "/CORREGIDO/a.26o";
    fs.AddFile(copy, "an earlier copy");
    if (c.total > 0) fs.SetFreeSpace(c.free, c.total);
    std::atomic<bool> cancel{c.cancel};
    RinexCopyRun run{.limits = c.limits, .cancel = &cancel};
    const Status status =
        WriteCorrectedCopy(fs, kRinex, name, 1.4285, nullptr, &run);
    EXPECT_EQ(status.message(), c.error);
    EXPECT_EQ(*fs.FileBytes(copy), !c.error.empty()
                                       ? "an earlier copy"
                                       : Observation("        1.4285") + body);
  }
}

}  // namespace
}  // namespace zarvek
