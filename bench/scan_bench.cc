// What reading a project's dossier costs: a 1,000-point project with three
// photos in each of every point's nine stage folders (27,000 files, each a
// file of its own, 512 bytes starting as a JPEG does), scanned as the
// dossier tab scans it, with the page cache holding the folders as it does
// for a project the surveyor has just worked on; and the matrix built from
// that scan; and a photos folder of 100,000 point folders, of which only
// the first 1,000 (tab 2's limit) are read. Run:
//   build/scan_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dossier/evidence.h"
#include "dossier/matrix.h"
#include "dossier/scan.h"
#include "project/layout.h"
#include "project/point_detection.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 1000;

fs::path MakeProject() {
  const fs::path root = fs::temp_directory_path() /
                        ("zarvek_scan_bench_" + std::to_string(getpid()));
  fs::remove_all(root);
  std::string photo = "\xFF\xD8\xFF\xE0";
  photo.resize(512, 'x');
  for (int p = 0; p < kPoints; ++p) {
    const std::string code = std::to_string(1001 + p);
    fs::create_directories(root / std::string(kGnssDataFolder) /
                           (std::to_string(p + 4) + ". " + code) /
                           std::string(kNativeFolder));
    const fs::path photos = root / std::string(kPhotosFolder) / code;
    for (const std::string& stage : PhotoStageDirs(photos.string())) {
      fs::create_directories(stage);
      for (const char* name : {"IMG_1.jpg", "IMG_2.jpg", "IMG_3.jpg"}) {
        std::ofstream(fs::path(stage) / name, std::ios::binary) << photo;
      }
    }
  }
  return root;
}

const fs::path& Project() {
  static const fs::path root = MakeProject();
  return root;
}

void BM_Scan1000Points27000Files(benchmark::State& state) {
  const ProjectLayout layout = ProjectLayout::AtRoot(Project().string());
  for (auto _ : state) {
    DossierScan scan = ScanDossier(RealFileSystem(), layout);
    if (scan.points.size() != kPoints ||
        scan.points.front().stages.at(0).files.size() != 3) {
      state.SkipWithError("unexpected result");
    }
    benchmark::DoNotOptimize(scan);
  }
}
BENCHMARK(BM_Scan1000Points27000Files)->Unit(benchmark::kMillisecond);

// The search for photos that do not belong after that scan: every photo's
// first bytes, and here, as all 27,000 are alike, every photo read whole
// and compared: the worst case.
void BM_Evidence1000Points27000Files(benchmark::State& state) {
  const ProjectLayout layout = ProjectLayout::AtRoot(Project().string());
  for (auto _ : state) {
    state.PauseTiming();
    DossierScan scan = ScanDossier(RealFileSystem(), layout);
    state.ResumeTiming();
    FindPhotoEvidence(RealFileSystem(), &scan, EvidenceLimits{},
                      [](std::string_view) { return PhotoWhenWhere{}; });
    if (scan.points.front().stages.at(0).files.at(0).warnings.size() != 1) {
      state.SkipWithError("unexpected result");
    }
    benchmark::DoNotOptimize(scan);
  }
}
BENCHMARK(BM_Evidence1000Points27000Files)->Unit(benchmark::kMillisecond);

void BM_Matrix1000Points(benchmark::State& state) {
  const DossierScan scan =
      ScanDossier(RealFileSystem(), ProjectLayout::AtRoot(Project().string()));
  const PointCellSources cells{
      [](const std::string&) { return std::string("✓"); },
      [](const std::string&) { return std::string("1.4285"); },
      [](const std::string&, std::string*) {
        return std::string("2 h 05 min · 1 s · 99 %");
      }};
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildDossierMatrix(scan, cells));
  }
}
BENCHMARK(BM_Matrix1000Points)->Unit(benchmark::kMillisecond);

constexpr int kManyPoints = 100000;

fs::path MakeCrowdedProject() {
  const fs::path root = fs::temp_directory_path() /
                        ("zarvek_scan_bench_many_" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / std::string(kGnssDataFolder));
  const fs::path photos = root / std::string(kPhotosFolder);
  for (int p = 0; p < kManyPoints; ++p)
    fs::create_directories(photos / std::to_string(100000 + p));
  return root;
}

const fs::path& CrowdedProject() {
  static const fs::path root = MakeCrowdedProject();
  return root;
}

void BM_Scan100000PointFolders(benchmark::State& state) {
  const ProjectLayout layout = ProjectLayout::AtRoot(CrowdedProject().string());
  for (auto _ : state) {
    DossierScan scan = ScanDossier(RealFileSystem(), layout);
    if (scan.points.size() != kMaxTableRows ||
        scan.points_found != kManyPoints) {
      state.SkipWithError("unexpected result");
    }
    benchmark::DoNotOptimize(scan);
  }
}
BENCHMARK(BM_Scan100000PointFolders)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvek

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(zarvek::Project());
  std::filesystem::remove_all(zarvek::CrowdedProject());
  return 0;
}
