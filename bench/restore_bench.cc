// What reading the measurement file adds to building a 1,000-row table from
// a file of 1,000 complete lines: reading, parsing and pairing it with the
// codes, and putting the values in the boxes (timed on built rows, with the
// copying path of Ctrl+D, which makes more calls a row than the build
// does, and saves each row); beside
// it the whole build with and without the file, whose difference drowns in
// the noise of the build itself. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/restore_bench [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "measurements/measurement_file.h"
#include "project/point_detection.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start)
      .count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const int n = 1000;
  const fs::path project = fs::path(ZARVEK_BINARY_DIR) / "bench_files/obra";
  const fs::path datos = project / std::string(zarvek::kGnssDataFolder);
  fs::remove_all(project);
  std::vector<std::string> codes;
  for (int i = 0; i < n; ++i) {
    codes.push_back(std::to_string(10000 + i));
    fs::create_directories(datos / (std::to_string(i + 4) + ". " + codes[i]));
  }
  const zarvek::Catalogue specs = zarvek::BuildEquiposSpecs();
  zarvek::MeasurementFile file;
  file.Bind(codes, specs);
  for (int i = 0; i < n; ++i) {
    file.Update(i,
                {"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1",
                 "1." + std::to_string(100 + i % 900)},
                specs);
  }
  const std::string bytes = file.Serialize();
  const fs::path csv = datos / std::string(zarvek::kMeasurementFileName);

  std::string error;
  auto interp = zarvek::tk::Interp::Create(argv[0], &error);
  if (!interp) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  zarvek::MainWindow app(*interp);
  interp->Call({std::string(zarvek::MainWindow::kTabControl), "select",
                std::string(zarvek::MainWindow::kTabAlturas)});
  interp->Call({"update"});
  app.heights_tab().LoadProject(project.string());

  std::vector<double> with_file, without_file, read, read_cpu, set, set_cpu;
  bool filled = true;
  for (int r = 0; r < runs; ++r) {
    fs::remove(csv);
    auto t0 = Clock::now();
    app.heights_tab().LoadProject(project.string());
    without_file.push_back(MsSince(t0));
    std::ofstream(csv, std::ios::binary) << bytes;
    auto t1 = Clock::now();
    app.heights_tab().LoadProject(project.string());
    with_file.push_back(MsSince(t1));
    filled =
        filled && interp->Call({app.heights_tab().cells().back().h, "get"}) ==
                      "1." + std::to_string(100 + (n - 1) % 900);
    // Filled again into rows that are already filled: the same calls.
    for (int k = 0; k < 5; ++k) {
      auto t2 = Clock::now();
      std::clock_t c = std::clock();
      std::string why;
      std::optional<zarvek::MeasurementFile> parsed =
          zarvek::MeasurementFile::Parse(bytes, specs, &why);
      const auto rows = parsed->Bind(codes, specs);
      read.push_back(MsSince(t2));
      read_cpu.push_back(1000.0 * (std::clock() - c) / CLOCKS_PER_SEC);
      auto t3 = Clock::now();
      c = std::clock();
      for (size_t i = 1; i < rows.size(); ++i)
        app.heights_tab().CopyRowAbove(i);
      set.push_back(MsSince(t3));
      set_cpu.push_back(1000.0 * (std::clock() - c) / CLOCKS_PER_SEC);
    }
  }
  std::printf(
      "rows %d, file %zu bytes, rows filled: %s\n"
      "table build without file: %.1f ms (median of %d)\n"
      "table build with file:    %.1f ms\n"
      "reading, parsing and pairing the file: %.1f ms, CPU %.1f ms\n"
      "values into 1,000 built rows by Ctrl+D (copy and save a row): "
      "%.1f ms, CPU %.1f ms (medians of %zu)\n",
      n, bytes.size(), filled ? "yes" : "NO", Median(without_file), runs,
      Median(with_file), Median(read), Median(read_cpu), Median(set),
      Median(set_cpu), read.size());
  fs::remove_all(project);
  return filled ? 0 : 1;
}
