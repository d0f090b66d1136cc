// Cost of keeping the measurement file: saving after one edit in a 1,000-row
// project, both what the window waits for (update the row, make the file's
// bytes, hand them to the saver's thread) and the time until the file is on
// the disk (written atomically, with fsync), and
// reading a file back when the table is built (read, parse, pair with the
// codes). Also a 10,000-line file and a 100 MB one, which must stay cheap.
// The files live in a folder under the build tree, on the disk the project
// would use. Run: build/measurement_file_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "measurements/background_saver.h"
#include "measurements/measurement_file.h"
#include "platform/atomic_file.h"
#include "platform/read_file.h"

namespace zarvek {
namespace {

const Catalogue& Specs() {
  static const Catalogue catalogue = BuildEquiposSpecs();
  return catalogue;
}
const std::string kR300 = "QUENTARO R300";

std::vector<std::string> Codes(int n) {
  std::vector<std::string> codes;
  for (int i = 0; i < n; ++i) codes.push_back(std::to_string(10000 + i));
  return codes;
}

std::string Folder() {
  const std::string dir = std::string(ZARVEK_BINARY_DIR) + "/bench_files";
  std::filesystem::create_directories(dir);
  return dir;
}

RowValues Row(int i) {
  return {kR300, "INCLINADA", "TRÍPODE", "R1",
          "1." + std::to_string(100 + i % 900)};
}

// A file with `n` complete rows, as the program writes it.
std::string FileOf(int n) {
  MeasurementFile file;
  file.Bind(Codes(n), Specs());
  for (int i = 0; i < n; ++i) file.Update(i, Row(i), Specs());
  return file.Serialize();
}

void BM_SaveAfterOneEdit(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string path = Folder() + "/save.csv";
  std::string error;
  MeasurementFile file = *MeasurementFile::Parse(FileOf(n), Specs(), &error);
  file.Bind(Codes(n), Specs());
  int i = 0;
  for (auto _ : state) {
    file.Update(i % n, Row(i + 7), Specs());
    const Status s = WriteFileAtomically(path, file.Serialize());
    if (!s.ok()) state.SkipWithError(s.message().c_str());
    ++i;
  }
  state.counters["bytes"] = static_cast<double>(file.Serialize().size());
}
BENCHMARK(BM_SaveAfterOneEdit)->Arg(1000)->Unit(benchmark::kMillisecond);

// What the window waits for after an edit: the write itself runs on the
// saver's thread (edits that come faster than the disk are coalesced).
void BM_SaveAfterOneEditWindowWait(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string path = Folder() + "/save_async.csv";
  std::string error;
  MeasurementFile file = *MeasurementFile::Parse(FileOf(n), Specs(), &error);
  file.Bind(Codes(n), Specs());
  BackgroundSaver saver(WriteFileAtomically);
  int i = 0;
  for (auto _ : state) {
    file.Update(i % n, Row(i + 7), Specs());
    saver.Save(path, file.Serialize());
    ++i;
  }
  saver.Wait();
  for (const SaveOutcome& s : saver.TakeResults()) {
    if (!s.ok()) state.SkipWithError(s.message().c_str());
  }
}
BENCHMARK(BM_SaveAfterOneEditWindowWait)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

// The same without the disk: what the edit costs in memory.
void BM_UpdateAndSerialize(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::string error;
  MeasurementFile file = *MeasurementFile::Parse(FileOf(n), Specs(), &error);
  file.Bind(Codes(n), Specs());
  int i = 0;
  for (auto _ : state) {
    file.Update(i % n, Row(i + 7), Specs());
    benchmark::DoNotOptimize(file.Serialize());
    ++i;
  }
}
BENCHMARK(BM_UpdateAndSerialize)->Arg(1000)->Unit(benchmark::kMillisecond);

// Reading the file of `lines` rows for a table of 1,000 rows.
void BM_LoadFile(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string path = Folder() + "/load" + std::to_string(lines) + ".csv";
  std::ofstream(path, std::ios::binary) << FileOf(lines);
  const std::vector<std::string> codes = Codes(1000);
  for (auto _ : state) {
    std::string bytes, error;
    bool missing = false;
    ReadFilePrefix(path, kMaxMeasurementFileBytes, &bytes, &missing);
    auto file = MeasurementFile::Parse(bytes, Specs(), &error);
    if (!file) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(file->Bind(codes, Specs()));
  }
}
BENCHMARK(BM_LoadFile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A 100 MB file is refused after reading its first 4 MB.
void BM_Refuse100MB(benchmark::State& state) {
  const std::string path = Folder() + "/huge.csv";
  std::ofstream(path).close();
  std::filesystem::resize_file(path, 100u << 20);
  for (auto _ : state) {
    std::string bytes, error;
    bool missing = false;
    ReadFilePrefix(path, kMaxMeasurementFileBytes, &bytes, &missing);
    if (MeasurementFile::Parse(bytes, Specs(), &error)) {
      state.SkipWithError("accepted");
    }
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_Refuse100MB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvek

BENCHMARK_MAIN();
