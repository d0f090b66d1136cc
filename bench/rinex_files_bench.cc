// What the RINEX check adds to the table's build: reading the headers of a
// 1,000-point project, three observation files a point, plain and gzip, and
// a folder of 500 garbage files posing as observation files. Each file is a
// 1 MB observation file (a header and its data); the 3,000 names are hard
// links to one file, so the project costs 1 MB of disk and the page cache
// holds it, as it holds a project the surveyor has just copied. Run:
//   build/rinex_files_bench
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "rinex/rinex_files.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures =
    fs::path(ZARVEK_SOURCE_DIR) / "rinex/testdata";

// A 1 MB observation file: the fixture's header, then epochs.
std::string BigObservationFile() {
  std::string text = testing::ReadFileBytes(kFixtures / "v304.obs");
  text.resize(text.find("END OF HEADER") + 20);
  text += "\n";
  std::mt19937 random(1);
  while (text.size() < (1u << 20)) {
    text += "> 2026 01 01 12 00 00.0000000  0  2\n";
    for (int sat = 1; sat <= 2; ++sat) {
      text += "G0" + std::to_string(sat) + "  " +
              std::to_string(20000000 + random() % 1000000) + ".000   " +
              std::to_string(100000000 + random() % 1000000) + ".000  \n";
    }
  }
  return text;
}

std::string GzipBytes(const std::string& text) {
  uLongf size = compressBound(text.size()) + 32;
  std::string out(size, '\0');
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// A project of `points` point folders with three hard links each to one
// file holding `bytes`.
fs::path MakeProject(const std::string& name, const std::string& bytes,
                     const std::string& suffix, int points) {
  const fs::path root =
      fs::temp_directory_path() /
      ("zarvek_rinex_bench_" + std::to_string(getpid()) + "_" + name);
  fs::remove_all(root);
  fs::create_directories(root);
  const fs::path source = root / ("source" + suffix);
  std::ofstream(source, std::ios::binary) << bytes;
  for (int p = 0; p < points; ++p) {
    const std::string code = std::to_string(1001 + p);
    const fs::path rinex = root / "2. DATOS GNSS" /
                           (std::to_string(p + 1) + ". " + code) / "RINEX";
    fs::create_directories(rinex);
    for (const char* session : {"a", "b", "c"}) {
      fs::create_hard_link(source, rinex / (code + session + "0.26o" + suffix));
    }
  }
  return root;
}

void CheckProject(benchmark::State& state, const fs::path& root) {
  for (auto _ : state) {
    // As the RINEX column reads a project: the folders, then each point's.
    std::map<std::string, PointRinexFiles> points;
    for (const auto& [code, folder] :
         ProjectRinexFolders(RealFileSystem(), root.string())) {
      points.emplace(code, CheckRinexFolder(RealFileSystem(), folder));
    }
    if (points.size() != 1000 || points.begin()->second.files.size() != 3 ||
        points.begin()->second.files[0].kind != RinexKind::kObservation) {
      state.SkipWithError("unexpected result");
    }
    benchmark::DoNotOptimize(points);
  }
  fs::remove_all(root);
}

void BM_Project1000PointsPlain(benchmark::State& state) {
  CheckProject(state, MakeProject("plain", BigObservationFile(), "", 1000));
}
BENCHMARK(BM_Project1000PointsPlain)->Unit(benchmark::kMillisecond);

void BM_Project1000PointsGzip(benchmark::State& state) {
  CheckProject(
      state, MakeProject("gzip", GzipBytes(BigObservationFile()), ".gz", 1000));
}
BENCHMARK(BM_Project1000PointsGzip)->Unit(benchmark::kMillisecond);

void BM_Folder500GarbageFiles(benchmark::State& state) {
  const fs::path dir = MakeProject(
      "garbage", testing::ReadFileBytes(kFixtures / "garbage.26o"), "", 0);
  for (int i = 0; i < 500; ++i) {
    fs::create_hard_link(dir / "source",
                         dir / ("p" + std::to_string(i) + ".26o"));
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(CheckRinexFolder(RealFileSystem(), dir.string()));
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_Folder500GarbageFiles)->Unit(benchmark::kMillisecond);

// A hostile file: 104 KB on one line of repeated "END OF HEADER", after a
// valid first line, so that the reader looks for the header's end in all
// of it.
void BM_OneLineOfEndLabels(benchmark::State& state) {
  std::string text = testing::ReadFileBytes(kFixtures / "v211.26o");
  text.resize(text.find('\n') + 1);
  while (text.size() < 104 * 1024) text += "END OF HEADER";
  const fs::path dir = MakeProject("one_line", text, "", 0);
  const std::string path = (dir / "source").string();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        ReadRinexHeaderFile(RealFileSystem(), path, nullptr));
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_OneLineOfEndLabels)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvek

BENCHMARK_MAIN();
