#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "rinex/rinex_files.h"
#include "rinex/rinex_lines.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;

const fs::path kFixtures = fs::path(ZARVEK_SOURCE_DIR) / "rinex/testdata";

std::string Gunzip(const std::string& bytes) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, 16 + 15), Z_OK);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  std::string out;
  char block[4096];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(block);
    z.avail_out = sizeof block;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(block, sizeof block - z.avail_out);
  }
  inflateEnd(&z);
  EXPECT_EQ(rc, Z_STREAM_END);
  return out;
}

// The original with columns 1-14 of its DELTA line replaced by `field`.
std::string WithDeltaH(std::string text, const std::string& field) {
  const std::size_t label = text.find("ANTENNA: DELTA H/E/N");
  text.replace(label - 60, 14, field);
  return text;
}

TEST(RinexFilesTest, ReadsHeadersThroughEveryWrapper) {
  struct Case {
    const char* file;
    RinexKind kind;
    RinexWrapper wrapper;
    double delta_h;
    const char* reason;
  };
  const Case cases[] = {
      {"v304.obs", RinexKind::kObservation, RinexWrapper::kNone, 1.4285, ""},
      {"v211.26o", RinexKind::kObservation, RinexWrapper::kNone, 1.5, ""},
      {"hatanaka.crx", RinexKind::kObservation, RinexWrapper::kNone, 1.5105,
       ""},
      {"v304_zero.obs.gz", RinexKind::kObservation, RinexWrapper::kGzip, 0, ""},
      {"v211.26o.Z", RinexKind::kObservation, RinexWrapper::kCompress, 1.5, ""},
      {"hatanaka.crx.bz2", RinexKind::kObservation, RinexWrapper::kBzip2,
       1.5105, ""},
      {"v304.zip", RinexKind::kObservation, RinexWrapper::kZip, 0, ""},
      {"two.zip", RinexKind::kUnreadable, RinexWrapper::kZip, 0,
       "más de un archivo"},
      {"garbage.26o", RinexKind::kUnreadable, RinexWrapper::kNone, 0, ""},
      {"corrupt.obs.gz", RinexKind::kUnreadable, RinexWrapper::kGzip, 0, ""},
      // 1 GB of blanks after the first record, in 788 bytes of bzip2.
      {"bomb.obs.bz2", RinexKind::kUnreadable, RinexWrapper::kBzip2, 0,
       "100 KB"},
      {"missing.26o", RinexKind::kUnreadable, RinexWrapper::kNone, 0, ""},
      // xz is not opened: a libarchive built without liblzma (Windows)
      // would hand it to an outside program.
      {"v211.26o.xz", RinexKind::kNotRinex, RinexWrapper::kNone, 0,
       "no es un archivo RINEX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RinexWrapper wrapper = RinexWrapper::kOther;
    const RinexHeader h = ReadRinexHeaderFile(
        RealFileSystem(), (kFixtures / c.file).string(), &wrapper);
    EXPECT_EQ(h.kind, c.kind) << h.reason;
    EXPECT_NE(h.reason.find(c.reason), std::string::npos) << h.reason;
    if (c.kind == RinexKind::kObservation) {
      EXPECT_EQ(wrapper, c.wrapper);
    } else {
      EXPECT_FALSE(h.reason.empty());
    }
    EXPECT_DOUBLE_EQ(h.delta_h, c.delta_h);
  }
}

TEST(RinexFilesTest, ChecksAProjectAndWritesCorrectedCopies) {
  testing::TempDir temp;
  const fs::path rinex = temp.path() / "2. DATOS GNSS" / "1. 1001" / "RINEX";
  fs::create_directories(rinex / "sub");
  fs::create_directories(temp.path() / "2. DATOS GNSS" / "2. 1002");
  for (const char* name : {"v304.obs", "v211.26o.Z", "v304_zero.obs.gz",
                           "hatanaka.crx", "garbage.26o"}) {
    fs::copy_file(kFixtures / name, rinex / name);
  }
  std::ofstream(rinex / "notas.txt") << "no RINEX\n";
  fs::copy_file(kFixtures / "v304.obs", rinex / "sub" / "v304.obs");

  std::map<std::string, std::string> folders =
      ProjectRinexFolders(RealFileSystem(), temp.path().string());
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_TRUE(
      CheckRinexFolder(RealFileSystem(), folders["1002"]).files.empty());
  const PointRinexFiles p = CheckRinexFolder(RealFileSystem(), folders["1001"]);
  ASSERT_EQ(p.files.size(), 5u);  // neither notas.txt nor sub/
  EXPECT_EQ(p.files[0].name, "garbage.26o");
  const RinexRowHeights row{1.4285, 1.5105, 1.5};
  RinexVerdict v = JudgeRinexPoint(p, row);
  EXPECT_EQ(v.cell, "✗ 1.5105");
  const std::vector<std::string> expected_to_correct = {
      "hatanaka.crx", "v211.26o.Z", "v304_zero.obs.gz"};
  EXPECT_EQ(v.to_correct, expected_to_correct);

  std::map<std::string, std::string> before;
  for (const auto& e : fs::directory_iterator(rinex)) {
    if (e.is_regular_file()) {
      before[e.path().filename().string()] = ReadFileBytes(e.path());
    }
  }
  for (const std::string& name : v.to_correct) {
    std::string copy;
    ASSERT_TRUE(
        WriteCorrectedCopy(RealFileSystem(), p.folder, name, 1.4285, &copy)
            .ok());
  }
  EXPECT_FALSE(WriteCorrectedCopy(RealFileSystem(), p.folder, "garbage.26o",
                                  1.4285, nullptr)
                   .ok());
  for (const auto& [name, bytes] : before) {
    EXPECT_EQ(ReadFileBytes(rinex / name), bytes) << name << " touched";
  }
  const fs::path out = rinex / "CORREGIDO";
  const std::string field = "        1.4285";
  EXPECT_EQ(ReadFileBytes(out / "hatanaka.crx"),
            WithDeltaH(before["hatanaka.crx"], field));
  EXPECT_EQ(ReadFileBytes(out / "v211.26o"),
            WithDeltaH(ReadFileBytes(kFixtures / "v211.26o"), field));
  const std::string gz = ReadFileBytes(out / "v304_zero.obs.gz");
  EXPECT_EQ(gz.substr(0, 2), "\x1f\x8b");
  EXPECT_EQ(Gunzip(gz), WithDeltaH(Gunzip(before["v304_zero.obs.gz"]), field));
  EXPECT_EQ(
      std::distance(fs::directory_iterator(out), fs::directory_iterator()), 3);

  // A plain original beside a wrapped one would share its copy's name.
  fs::copy_file(kFixtures / "v211.26o", rinex / "v211.26o");
  const Status clash = WriteCorrectedCopy(RealFileSystem(), p.folder,
                                          "v211.26o.Z", 1.4285, nullptr);
  EXPECT_NE(clash.message().find("misma copia v211.26o"), std::string::npos)
      << clash.message();
  // Nor does the one copy count as the correction of both.
  EXPECT_EQ(
      JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), rinex.string()), row)
          .state,
      RinexState::kMismatch);
  fs::remove(rinex / "v211.26o");

  v = JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), folders["1001"]), row);
  EXPECT_EQ(v.cell, "?");  // the garbage file is left
  EXPECT_NE(v.reason.find("CORREGIDO"), std::string::npos) << v.reason;
  fs::remove(rinex / "garbage.26o");
  // CORREGIDO lacks the right file: the set to hand over is incomplete
  // until its unchanged copy is there, the same bytes as the original.
  v = JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), rinex.string()), row);
  EXPECT_EQ(v.cell, "✗ C");
  EXPECT_EQ(v.to_copy, std::vector<std::string>{"v304.obs"});
  ASSERT_TRUE(
      WriteUnchangedCopy(RealFileSystem(), p.folder, "v304.obs", nullptr).ok());
  EXPECT_EQ(ReadFileBytes(out / "v304.obs"), before["v304.obs"]);
  v = JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), rinex.string()), row);
  EXPECT_EQ(v.cell, "✓ C");
  EXPECT_NE(testing::Slashes(v.reason).find(testing::Slashes(out.string())),
            std::string::npos)
      << v.reason;
}

// Every DELTA H line of `text` with columns 1-14 replaced by `field`.
std::string WithEveryDeltaH(std::string text, const std::string& field) {
  for (std::size_t label = text.find("ANTENNA: DELTA H/E/N");
       label != std::string::npos;
       label = text.find("ANTENNA: DELTA H/E/N", label + 1)) {
    text.replace(label - 60, 14, field);
  }
  return text;
}

// An event record (RINEX 2 or 3 epoch line with `flag`) carrying a comment
// and an ANTENNA: DELTA H/E/N line with `delta_h` (F14.4).
std::string EventRecord(bool v3, int flag, const std::string& delta_h) {
  const std::string epoch =
      v3 ? "> 2026 01 01 12 00 15.0000000  " + std::to_string(flag) + "  2"
         : " 26 01 01 12 00 15.0000000  " + std::to_string(flag) + "  2";
  return epoch + "\n" +
         "*** Start of Occupation ***                                 "
         "COMMENT             \n" +
         delta_h +
         "        0.0000        0.0000                  "
         "ANTENNA: DELTA H/E/N\n";
}

// `text` with `insert` placed before the line that starts with `before`.
std::string InsertBefore(std::string text, const std::string& before,
                         const std::string& insert) {
  const std::size_t at = text.find("\n" + before);
  EXPECT_NE(at, std::string::npos) << before;
  return text.insert(at + 1, insert);
}

// Event records (flags 2-5) carry DELTA H lines that hold for the epochs
// after them: each is judged, named by its line, and corrected in the copy,
// which differs from the original only in those lines.
TEST(RinexFilesTest, EventRecordsDeltaHAreJudgedAndCorrected) {
  const std::string v2 = ReadFileBytes(kFixtures / "v211.26o");       // 1.5000
  const std::string v3 = ReadFileBytes(kFixtures / "v304.obs");       // 1.4285
  const std::string crx = ReadFileBytes(kFixtures / "hatanaka.crx");  // 1.5105
  const std::string right = "        1.4285";
  const std::string v2_right = WithDeltaH(v2, right);
  const std::string v2_second = " 26 01 01 12 00 30";
  const std::string v3_first = "> 2026 01 01 12 00 00";
  const std::string v3_second = "> 2026 01 01 12 00 30";
  struct Case {
    const char* what;
    std::string name, text;
    const char* cell;
    std::vector<std::string> reasons;  // each in the verdict's reason
  };
  const Case cases[] = {
      {"RINEX 2, flag 3 after the kinematic part, wrong",
       "a.26o",
       InsertBefore(v2_right, v2_second,
                    EventRecord(false, 3, "        2.0000")),
       "✗ 2.0000",
       {"a.26o: DELTA H 2.0000 en lugar de 1.4285 (ARP), línea 22 (registro "
        "de evento)"}},
      {"RINEX 2, header wrong, event right",
       "b.26o",
       InsertBefore(v2, v2_second, EventRecord(false, 3, right)),
       "✗ 1.5000",
       {"b.26o: DELTA H 1.5000 en lugar de 1.4285 (ARP), línea 11 "
        "(cabecera): es la altura medida"}},
      {"RINEX 3, flag 3, right",
       "c.obs",
       InsertBefore(v3, v3_second, EventRecord(true, 3, right)),
       "✓",
       {"todos los archivos"}},
      {"RINEX 3, several: flag 4 right, flag 3 wrong",
       "d.obs",
       InsertBefore(InsertBefore(v3, v3_first, EventRecord(true, 4, right)),
                    v3_second, EventRecord(true, 3, "        1.5105")),
       "✗ 1.5105",
       {"d.obs: DELTA H 1.5105 en lugar de 1.4285 (ARP), línea 28 (registro "
        "de evento): es la altura del centro de fase"}},
      {"Hatanaka, header and event wrong",
       "e.crx",
       InsertBefore(crx, "> 2026", EventRecord(true, 3, "        0.0000")),
       "✗ 1.5105",
       {"e.crx: DELTA H 1.5105 en lugar de 1.4285 (ARP), línea 14 (cabecera)",
        "e.crx: DELTA H 0.0000 en lugar de 1.4285 (ARP), línea 24 (registro "
        "de evento): el archivo no da altura"}},
  };
  const RinexRowHeights row{1.4285, 1.5105, 1.5};
  testing::TempDir temp;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path rinex = temp.path() / c.name / "RINEX";
    fs::create_directories(rinex);
    std::ofstream(rinex / c.name, std::ios::binary) << c.text;
    RinexVerdict v = JudgeRinexPoint(
        CheckRinexFolder(RealFileSystem(), rinex.string()), row);
    EXPECT_EQ(v.cell, c.cell);
    for (const std::string& reason : c.reasons)
      EXPECT_NE(v.reason.find(reason), std::string::npos) << v.reason;
    if (v.state != RinexState::kMismatch) continue;
    EXPECT_EQ(v.to_correct, std::vector<std::string>{c.name});

    ASSERT_TRUE(WriteCorrectedCopy(RealFileSystem(), rinex.string(), c.name,
                                   1.4285, nullptr)
                    .ok());
    EXPECT_EQ(ReadFileBytes(rinex / c.name), c.text) << "original touched";
    const std::string copy = ReadFileBytes(rinex / "CORREGIDO" / c.name);
    EXPECT_EQ(copy, WithEveryDeltaH(c.text, right));
    EXPECT_EQ(copy.size(), c.text.size());
    v = JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), rinex.string()),
                        row);
    EXPECT_EQ(v.cell, "✓ C") << v.reason;
  }
}

// The offsets at which two files differ, read a block at a time; "size"
// when their lengths differ.
std::vector<std::uint64_t> DifferingBytes(const fs::path& a,
                                          const fs::path& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::vector<char> bx(1 << 20), by(1 << 20);
  std::vector<std::uint64_t> at;
  for (std::uint64_t base = 0; x && y && at.size() < 100;) {
    x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
    y.read(by.data(), static_cast<std::streamsize>(by.size()));
    if (x.gcount() != y.gcount()) return {UINT64_MAX};
    for (std::streamsize i = 0; i < x.gcount(); ++i)
      if (bx[i] != by[i]) at.push_back(base + static_cast<std::uint64_t>(i));
    base += static_cast<std::uint64_t>(x.gcount());
  }
  return at;
}

// A file of any length is judged whole and corrected as it streams: 120 MB
// of blank observation lines and one line of 1 MB hide an event record at
// their end, whose wrong DELTA H is named by its line and corrected in a
// copy that differs from the original in those 14 columns alone. The
// reading holds one piece and at most its bound of a line; a cancel stops
// it at the next piece, and a cancelled copy leaves nothing.
TEST(RinexFilesTest, FilesOfAnyLengthAreJudgedAndCorrectedInBoundedMemory) {
  const std::string v3 = ReadFileBytes(kFixtures / "v304.obs");  // 1.4285
  const std::size_t header_end = v3.find("END OF HEADER") + 21;
  testing::TempDir temp;
  const fs::path rinex = temp.path() / "RINEX";
  fs::create_directories(rinex);
  const fs::path big = rinex / "big.obs";
  const std::string blank = "G01" + std::string(76, ' ') + "\n";
  std::size_t lines = static_cast<std::size_t>(
      std::count(v3.begin(), v3.begin() + header_end, '\n'));
  {
    std::ofstream out(big, std::ios::binary);
    out << v3.substr(0, header_end);
    std::string block;
    for (int i = 0; i < 16384; ++i) block += blank;  // 1.25 MB
    for (int i = 0; i < 96; ++i, lines += 16384) out << block;
    out << std::string(1 << 20, ' ') << "\n";
    out << EventRecord(true, 3, "        2.0000");
    lines += 1 + 3;
  }
  const std::uint64_t event_at = fs::file_size(big) - 81;
  const RinexRowHeights row{1.4285, 1.5105, 1.5};
  RinexVerdict v =
      JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), rinex.string()), row);
  EXPECT_EQ(v.cell, "✗ 2.0000");
  EXPECT_NE(v.reason.find("big.obs: DELTA H 2.0000 en lugar de 1.4285 (ARP), "
                          "línea " +
                          std::to_string(lines) + " (registro de evento)"),
            std::string::npos)
      << v.reason;

  LineReadStats stats;
  std::size_t seen = 0, cut = 0;
  ASSERT_TRUE(ForEachLine(
                  RealFileSystem(), big.string(), nullptr,
                  [&](const TextLine& line) {
                    seen = line.number;
                    cut += line.cut;
                    return true;
                  },
                  nullptr, &stats)
                  .ok());
  EXPECT_EQ(seen, lines);
  EXPECT_EQ(cut, 1u);
  EXPECT_EQ(stats.bytes, fs::file_size(big));
  EXPECT_LE(stats.largest_piece, 64u * 1024);
  EXPECT_EQ(stats.held_line_peak, kRinexMaxLineBytes);

  ASSERT_TRUE(WriteCorrectedCopy(RealFileSystem(), rinex.string(), "big.obs",
                                 1.4285, nullptr)
                  .ok());
  // The header was right: only the event record's 14 columns change.
  const std::vector<std::uint64_t> changed =
      DifferingBytes(big, rinex / "CORREGIDO" / "big.obs");
  ASSERT_FALSE(changed.empty());
  EXPECT_GE(changed.front(), event_at);
  EXPECT_LT(changed.back(), event_at + 14);
  v = JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), rinex.string()), row);
  EXPECT_EQ(v.cell, "✓ C") << v.reason;

  // A cancel set while the lines are read stops the reading at its next
  // piece.
  std::atomic<bool> cancel{false};
  const Status stopped = ForEachLine(
      RealFileSystem(), big.string(), &cancel,
      [&](const TextLine& line) {
        if (line.number == 100000) cancel = true;
        return true;
      },
      nullptr, &stats);
  EXPECT_EQ(stopped.message(), "CANCELADO: " + big.string());
  EXPECT_LT(stats.bytes, 100000u * 81 + 64 * 1024);
  // A cancelled folder reading keeps nothing of the file under way; a
  // cancelled copy leaves the earlier copy as it was and no other file.
  RinexReadCache cache;
  const PointRinexFiles part =
      CheckRinexFolder(RealFileSystem(), rinex.string(), &cache, &cancel);
  EXPECT_TRUE(part.cancelled);
  EXPECT_TRUE(part.files.empty());
  EXPECT_EQ(cache.size(), 0u);
  fs::remove(rinex / "CORREGIDO" / "big.obs");
  RinexCopyRun run;
  run.cancel = &cancel;
  EXPECT_EQ(WriteCorrectedCopy(RealFileSystem(), rinex.string(), "big.obs",
                               1.4285, nullptr, &run)
                .message()
                .rfind("CANCELADO: ", 0),
            0u);
  EXPECT_TRUE(fs::is_empty(rinex / "CORREGIDO"));
}

TEST(RinexFilesTest, LargeFilesAreCopiedWholeThroughManyPieces) {
  testing::TempDir temp;
  std::string text = ReadFileBytes(kFixtures / "v304.obs");
  text.resize(text.find("END OF HEADER") + 20);
  text += "\n";
  for (int epoch = 0; text.size() < 3 * 1024 * 1024; ++epoch) {
    text += "> 2026 01 01 12 00 " + std::to_string(epoch) + "  0  1\nG01 " +
            std::to_string(epoch * 7919 % 100003) + "\n";
  }
  const fs::path rinex = temp.path() / "RINEX";
  fs::create_directories(rinex);
  std::ofstream(rinex / "big.26o", std::ios::binary) << text;
  gzFile gz = gzopen((rinex / "big.26d.gz").string().c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())),
            static_cast<int>(text.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);

  const std::string expected = WithDeltaH(text, "        1.5000");
  ASSERT_NE(expected, text);
  for (const char* name : {"big.26o", "big.26d.gz"}) {
    ASSERT_TRUE(
        WriteCorrectedCopy(RealFileSystem(), rinex.string(), name, 1.5, nullptr)
            .ok());
  }
  EXPECT_TRUE(ReadFileBytes(rinex / "CORREGIDO" / "big.26o") == expected);
  EXPECT_TRUE(Gunzip(ReadFileBytes(rinex / "CORREGIDO" / "big.26d.gz")) ==
              expected);
}

TEST(RinexFilesTest, FolderOfManyUnreadableFiles) {
  testing::TempDir temp;
  const std::string garbage = ReadFileBytes(kFixtures / "garbage.26o");
  for (int i = 0; i < 500; ++i) {
    std::ofstream(temp.path() / ("p" + std::to_string(i) + ".26o"),
                  std::ios::binary)
        << garbage;
  }
  const PointRinexFiles p =
      CheckRinexFolder(RealFileSystem(), temp.path().string());
  ASSERT_EQ(p.files.size(), 500u);
  const RinexVerdict v = JudgeRinexPoint(p, RinexRowHeights{1.4285, 1.5, {}});
  EXPECT_EQ(v.cell, "?");
}

}  // namespace
// A hostile archive: CORREGIDO a link to another folder, where an
// observation file named like one of that folder's files would be replaced;
// a link where CREAR CARPETAS makes a folder; an original replaced after
// its copy was written; a gzip of nothing but empty members.
TEST(RinexFilesTest, LinksAreNeverWrittenThroughAndStaleCopiesAreShown) {
  testing::TempDir temp;
  const fs::path rinex = temp.path() / "2. DATOS GNSS" / "1. 1001" / "RINEX";
  const fs::path elsewhere = temp.path() / "ssh";
  fs::create_directories(rinex);
  fs::create_directories(elsewhere);
  std::ofstream(elsewhere / "authorized_keys") << "ssh-ed25519 AAAA\n";
  fs::copy_file(kFixtures / "v211.26o", rinex / "authorized_keys");
  for (const bool broken : {false, true}) {
    fs::remove(rinex / "CORREGIDO");
    fs::create_directory_symlink(broken ? temp.path() / "none" : elsewhere,
                                 rinex / "CORREGIDO");
    const Status refused = WriteCorrectedCopy(
        RealFileSystem(), rinex.string(), "authorized_keys", 1.4285, nullptr);
    EXPECT_FALSE(refused.ok());
    // The path is broken between names to fit a box.
    std::string unbroken = refused.message();
    std::erase(unbroken, '\n');
    EXPECT_NE(unbroken.find((rinex / "CORREGIDO").string()), std::string::npos)
        << refused.message();
    EXPECT_NE(refused.message().find("ENLACE"), std::string::npos)
        << refused.message();
    EXPECT_EQ(ReadFileBytes(elsewhere / "authorized_keys"),
              "ssh-ed25519 AAAA\n");
    EXPECT_FALSE(fs::exists(temp.path() / "none"));
  }
  // Nor do the copies behind the link count.
  fs::remove(rinex / "CORREGIDO");
  fs::create_directory_symlink(elsewhere, rinex / "CORREGIDO");
  fs::copy_file(kFixtures / "v211.26o", elsewhere / "v211.26o");
  fs::copy_file(kFixtures / "v211.26o", rinex / "v211.26o");
  const RinexRowHeights row{1.4285, 1.5105, 1.5};
  EXPECT_FALSE(CheckRinexFolder(RealFileSystem(), rinex.string())
                   .files.back()
                   .copy_delta_h);
  fs::remove(rinex / "CORREGIDO");
  fs::remove(rinex / "authorized_keys");

  // A link at a folder CREAR CARPETAS makes is refused, one above the
  // chosen folder is the user's choice.
  const fs::path linked = temp.path() / "linked";
  fs::create_directory_symlink(elsewhere, linked);
  EXPECT_TRUE(RealFileSystem().MakeDirs((linked / "FORMATOS").string()).ok());
  fs::create_directory_symlink(elsewhere, linked / "2. DATOS GNSS");
  const std::string gnss = (linked / "2. DATOS GNSS").string();
  EXPECT_EQ(RealFileSystem().MakeDirs(gnss).message(),
            "ES UN ENLACE, NO UNA CARPETA: " + gnss);
  EXPECT_FALSE(RealFileSystem().IsRealDirectory(gnss));
  EXPECT_TRUE(RealFileSystem().IsRealDirectory(linked.string() + "/"));

  // A copy is current only while its original is the file it was made of.
  ASSERT_TRUE(WriteCorrectedCopy(RealFileSystem(), rinex.string(), "v211.26o",
                                 1.4285, nullptr)
                  .ok());
  auto judge = [&] {
    return JudgeRinexPoint(CheckRinexFolder(RealFileSystem(), rinex.string()),
                           row);
  };
  EXPECT_EQ(judge().cell, "✓ C");
  std::string other = ReadFileBytes(kFixtures / "v211.26o");
  other.replace(other.rfind("20000000.000"), 12, "20000001.000");
  std::ofstream(rinex / "v211.26o", std::ios::binary | std::ios::trunc)
      << other;
  RinexVerdict v = judge();
  EXPECT_EQ(v.cell, "✗ COPIA");
  EXPECT_EQ(v.state, RinexState::kMismatch);
  EXPECT_EQ(v.to_correct, std::vector<std::string>{"v211.26o"});
  EXPECT_NE(v.reason.find("v211.26o: COPIA DESACTUALIZADA: el original cambió"),
            std::string::npos)
      << v.reason;
  ASSERT_TRUE(WriteCorrectedCopy(RealFileSystem(), rinex.string(), "v211.26o",
                                 1.4285, nullptr)
                  .ok());
  EXPECT_EQ(judge().cell, "✓ C");

  // Thousands of empty gzip members decode to nothing: the reading stops
  // after a bounded input instead of reading them all.
  const std::string empty_member = [] {
    std::string out(64, '\0');
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
  }();
  std::string members;
  while (members.size() < (8u << 20)) members += empty_member;
  std::ofstream(rinex / "empty.obs.gz", std::ios::binary) << members;
  DecodedPrefix prefix;
  const Status status = RealFileSystem().ReadDecodedPrefix(
      (rinex / "empty.obs.gz").string(), kRinexHeaderMaxBytes, nullptr,
      &prefix);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(prefix.complete);
  EXPECT_NE(status.message().find("empty.obs.gz"), std::string::npos);
}

}  // namespace zarvek
