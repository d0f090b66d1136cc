// The package as the archive programs of Linux read it: unzip, Python's
// zipfile, bsdtar (libarchive) and 7-Zip, on names with accents, an empty
// folder, a stored photo and deflated text, with Zip64 both forced and
// reached by the count of entries; the manifest against sha256sum; and
// failures that must leave nothing behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "delivery/package_file.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using testing::PathOf;
using testing::TempDir;
using testing::Utf8Path;

struct CommandResult {
  int exit_code = -1;
  std::string output;
};

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text)
    out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

CommandResult Shell(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) {
    result.output.append(buf.data(), n);
  }
  const int status = ::pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

PackageEntry FileEntry(const fs::path& root, const std::string& name) {
  PackageEntry entry;
  entry.name = name;
  entry.source = Utf8Path(root / PathOf(name));
  entry.size = fs::file_size(PathOf(entry.source));
  entry.mtime_s = 1767225600 + 3 * 3600 + 25 * 60 + 14;  // 2026-01-01
  return entry;
}

// Python's zipfile: testzip (every CRC), then one line per member: name,
// UTF-8 flag, method, size, date and time.
CommandResult PythonList(const std::string& zip) {
  return Shell(
      "python3 -c 'import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "assert z.testzip() is None\n"
      "for i in z.infolist():\n"
      "  print(i.filename, i.flag_bits & 0x800, i.compress_type, "
      "i.file_size, i.date_time)' " +
      Quoted(zip));
}

const char kPoint[] = "2. DATOS GNSS/1. PUNTO ÑANDÚ/CÁLCULO Á.txt";
const char kPhoto[] = "4. FOTOS/1/3. ARMADO/IMG ÁÑ.JPG";
const char kEmpty[] = "4. FOTOS/1/9. VACÍA";

// A small project: deflated text over several chunks, a photo to store,
// a file of 56 bytes (the padding boundary of SHA-256), an empty file and
// an empty folder.
std::vector<PackageEntry> SmallProject(const fs::path& root) {
  std::string text;
  for (int i = 0; text.size() < 300000; ++i)
    text += "línea " + std::to_string(i) + "\r\n";
  WriteBytes(root / PathOf(kPoint), text);
  std::string photo = "\xFF\xD8\xFF\xE0";
  for (int i = 0; i < 100000; ++i) photo += static_cast<char>((i * 7919) >> 3);
  WriteBytes(root / PathOf(kPhoto), photo);
  WriteBytes(root / "a/b56.txt", std::string(56, 'x'));
  WriteBytes(root / "a/vacío.txt", "");
  std::vector<PackageEntry> entries = {
      FileEntry(root, kPoint), FileEntry(root, kPhoto),
      FileEntry(root, "a/b56.txt"), FileEntry(root, "a/vacío.txt")};
  PackageEntry folder;
  folder.name = kEmpty;
  folder.is_dir = true;
  folder.mtime_s = entries[0].mtime_s;
  entries.push_back(folder);
  return entries;
}

void ExpectEveryProgramReads(const std::string& zip,
                             const std::vector<std::string>& names) {
  const CommandResult unzip = Shell("unzip -t " + Quoted(zip));
  EXPECT_EQ(unzip.exit_code, 0) << unzip.output;
  EXPECT_NE(unzip.output.find("No errors detected"), std::string::npos);
  const CommandResult bsdtar = Shell("bsdtar -tf " + Quoted(zip));
  EXPECT_EQ(bsdtar.exit_code, 0) << bsdtar.output;
  const CommandResult sevenzip = Shell("7z t -bd " + Quoted(zip));
  EXPECT_EQ(sevenzip.exit_code, 0) << sevenzip.output;
  EXPECT_NE(sevenzip.output.find("Everything is Ok"), std::string::npos)
      << sevenzip.output;
  const CommandResult seven_list = Shell("7z l -ba " + Quoted(zip));
  for (const std::string& name : names) {
    EXPECT_NE(unzip.output.find(name), std::string::npos) << name;
    EXPECT_NE(bsdtar.output.find(name + "\n"), std::string::npos) << name;
    // 7-Zip lists a folder without its final "/".
    const std::string seven_name =
        name.back() == '/' ? name.substr(0, name.size() - 1) : name;
    EXPECT_NE(seven_list.output.find(seven_name), std::string::npos) << name;
  }
}

TEST(PackageFile, EveryArchiveProgramReadsNamesMethodsAndTimes) {
  TempDir dir;
  const std::vector<PackageEntry> entries = SmallProject(dir.path() / "p");
  const std::string zip = Utf8Path(dir.path() / "EXPEDIENTE Ñ 2026.zip");
  std::vector<std::string> files_seen;
  PackageProgress progress;
  progress.on_file = [&](std::size_t n, std::size_t total) {
    files_seen.push_back(std::to_string(n) + "/" + std::to_string(total));
  };
  PackageOptions options;
  options.program_version = "1.1.0";
  options.chunk_bytes = 64 * 1024;
  ASSERT_TRUE(WritePackageFile(zip, entries, progress, options).ok());
  EXPECT_EQ(files_seen,
            (std::vector<std::string>{"1/5", "2/5", "3/5", "4/5", "5/5"}));
  std::vector<std::string> beside;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    beside.push_back(Utf8Path(e.path().filename()));
  }
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<std::string>{"EXPEDIENTE Ñ 2026.zip", "p"}));

  ExpectEveryProgramReads(
      zip, {kPoint, kPhoto, std::string(kEmpty) + "/", "MANIFIESTO.txt"});
  // The DOS time is the local time, to the even second below.
  const CommandResult local = Shell(
      "python3 -c 'import time; t = time.localtime(1767237914); "
      "print(t[:5] + (t[5] // 2 * 2,))'");
  const std::string dos_time = local.output.substr(0, local.output.size() - 1);
  const CommandResult python = PythonList(zip);
  ASSERT_EQ(python.exit_code, 0) << python.output;
  EXPECT_EQ(python.output,
            std::string(kPoint) + " 2048 8 " + std::to_string(entries[0].size) +
                " " + dos_time + "\n" + kPhoto + " 2048 0 " +
                std::to_string(entries[1].size) + " " + dos_time + "\n" +
                "a/b56.txt 2048 8 56 " + dos_time + "\n" +
                "a/vacío.txt 2048 8 0 " + dos_time + "\n" + kEmpty +
                "/ 2048 0 0 " + dos_time + "\n" +
                python.output.substr(python.output.find("MANIFIESTO.txt")));

  // The manifest: its lines against sha256sum of the files themselves.
  const CommandResult manifest =
      Shell("unzip -p " + Quoted(zip) + " MANIFIESTO.txt");
  std::string expected =
      "\xEF\xBB\xBF"
      "MANIFIESTO DEL EXPEDIENTE\r\n"
      "VERSIÓN DEL PROGRAMA: 1.1.0\r\nRUTA\tBYTES\tSHA-256\r\n";
  for (int i = 0; i < 4; ++i) {
    const CommandResult sum = Shell("sha256sum " + Quoted(entries[i].source));
    expected += entries[i].name + "\t" + std::to_string(entries[i].size) +
                "\t" + sum.output.substr(0, 64) + "\r\n";
  }
  EXPECT_EQ(manifest.output, expected);
}

// Zeros of any length, without a file: the member a huge file would be.
class Generated : public SourceFiles {
 public:
  explicit Generated(std::uint64_t bytes) : bytes_(bytes) {}
  Status Open(const std::string&, std::unique_ptr<SourceFile>* file) override {
    class Zeros : public SourceFile {
     public:
      explicit Zeros(std::uint64_t left) : left_(left) {}
      Status Read(std::size_t max_bytes, std::string* chunk) override {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(left_, max_bytes));
        chunk->assign(n, '\0');
        left_ -= n;
        return Status::OK();
      }
      std::uint64_t left_;
    };
    *file = std::make_unique<Zeros>(bytes_);
    return Status::OK();
  }

 private:
  std::uint64_t bytes_;
};

TEST(PackageFile, Zip64ForcedDeclaredHugeAndPastTheEntryCountAllRead) {
  TempDir dir;
  // Every field Zip64, as a package past 4 GiB has them.
  const std::vector<PackageEntry> entries = SmallProject(dir.path() / "p");
  const std::string forced = Utf8Path(dir.path() / "forced.zip");
  PackageOptions options;
  options.force_zip64 = true;
  ASSERT_TRUE(WritePackageFile(forced, entries, {}, options).ok());
  ExpectEveryProgramReads(forced, {kPoint, kPhoto, std::string(kEmpty) + "/"});
  EXPECT_EQ(PythonList(forced).exit_code, 0) << PythonList(forced).output;
  const std::string forced_bytes = testing::ReadFileBytes(forced);
  EXPECT_NE(forced_bytes.find("PK\x06\x06", forced_bytes.size() - 200),
            std::string::npos);  // the Zip64 end record
  EXPECT_NE(forced_bytes.find("PK\x06\x07", forced_bytes.size() - 200),
            std::string::npos);  // and its locator

  // A member measured at 5 GiB gets Zip64 sizes; the bytes that come are
  // what counts.
  PackageEntry huge;
  huge.name = "GRANDE.bin";
  huge.size = 5ull << 30;
  Generated zeros(3 << 20);
  const std::string declared = Utf8Path(dir.path() / "declared.zip");
  ASSERT_TRUE(WritePackageFileFrom(declared, {huge}, &zeros, {}, {}).ok());
  ExpectEveryProgramReads(declared, {"GRANDE.bin"});
  EXPECT_NE(PythonList(declared).output.find("GRANDE.bin 2048 8 3145728 "),
            std::string::npos)
      << PythonList(declared).output;
  // Its central header carries the Zip64 sizes (field 1, 16 bytes).
  EXPECT_EQ(Shell("python3 -c 'import sys, zipfile; print(zipfile.ZipFile("
                  "sys.argv[1]).infolist()[0].extra[:4].hex())' " +
                  Quoted(declared))
                .output,
            "01001000\n");

  // 70,000 entries: past what the classic end record counts.
  std::vector<PackageEntry> many;
  for (int i = 0; i < 70000; ++i) {
    PackageEntry folder;
    folder.name = "d/" + std::to_string(i);
    folder.is_dir = true;
    many.push_back(folder);
  }
  const std::string counted = Utf8Path(dir.path() / "many.zip");
  ASSERT_TRUE(WritePackageFileFrom(counted, many, &zeros, {}, {}).ok());
  const CommandResult count = Shell(
      "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
      "assert z.testzip() is None; n = z.namelist(); print(len(n), "
      "n[69999])' " +
      Quoted(counted));
  EXPECT_EQ(count.output, "70001 d/69999/\n");
  const CommandResult unzip =
      Shell("unzip -t " + Quoted(counted) + " | tail -1");
  EXPECT_NE(unzip.output.find("No errors detected"), std::string::npos)
      << unzip.output;
}

// A cancel, an unreadable source, a refused or repeated name: the error
// says which, no temporary file stays and the earlier package is intact.
TEST(PackageFile, AFailureLeavesNothingAndKeepsTheEarlierPackage) {
  TempDir dir;
  const std::vector<PackageEntry> good = SmallProject(dir.path() / "p");
  std::atomic<bool> cancel{false};
  PackageEntry missing = good[0];
  missing.source = Utf8Path(dir.path() / "p/no está.txt");
  PackageEntry escaping = good[0];
  escaping.name = "../fuera.txt";
  const struct {
    std::vector<PackageEntry> entries;
    bool cancel;
    std::string message;
  } cases[] = {
      {good, true, kPackageCancelled},
      {{good[0], missing},
       false,
       "No such file or directory: " + missing.source},
      {{good[0], escaping},
       false,
       "NOMBRE NO ADMITIDO EN EL PAQUETE (CARPETA . O ..): ../fuera.txt"},
      {{good[0], good[0]},
       false,
       std::string("NOMBRE REPETIDO EN EL PAQUETE: ") + kPoint},
  };
  const fs::path out = dir.path() / "out";
  fs::create_directories(out);
  const std::string zip = Utf8Path(out / "EXPEDIENTE.zip");
  WriteBytes(out / "EXPEDIENTE.zip", "earlier package");
  for (const auto& c : cases) {
    cancel = false;
    PackageProgress progress;
    progress.cancel = &cancel;
    // Cancelled after the first chunk of the first file.
    progress.on_bytes = [&](std::uint64_t, std::uint64_t) {
      cancel = c.cancel;
    };
    PackageOptions options;
    options.chunk_bytes = 4096;
    const Status status = WritePackageFile(zip, c.entries, progress, options);
    EXPECT_EQ(status.message(), c.message);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(out))
      left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"EXPEDIENTE.zip"}) << c.message;
    EXPECT_EQ(testing::ReadFileBytes(out / "EXPEDIENTE.zip"),
              "earlier package");
  }
}

}  // namespace
}  // namespace zarvek
