// The RINEX column of a project of 100 points with three bzip2 one-hour
// observation files each, in the real window on the real disk: how long the
// window thread is held when the project opens (the table is usable then;
// the headers are read off the window thread, and how long that takes is
// printed beside it), and what a return to the tab costs when nothing
// changed (the tab left and entered again, every point read again from the
// stamps). The 300 names are hard links to one file, so the page cache holds
// it, as it holds a project the surveyor has just copied; touching it makes
// every file new. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/rinex_column_bench
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/main_window.h"
#include "project/point_detection.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPoints = 100;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One hour at 1 s of twelve satellites: the fixture's header, then 3,600
// epochs whose observations change a little from one to the next, as real
// ones do.
std::string OneHourFile() {
  std::ifstream in(fs::path(ZARVEK_SOURCE_DIR) / "rinex/testdata/v304.obs",
                   std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)),
                   std::istreambuf_iterator<char>());
  text.resize(text.find('\n', text.find("END OF HEADER")) + 1);
  std::mt19937 random(1);
  char line[128];
  for (int s = 0; s < 3600; ++s) {
    std::snprintf(line, sizeof line,
                  "> 2026 01 01 %02d %02d %02d.0000000  0 12\n", 12 + s / 3600,
                  s / 60 % 60, s % 60);
    text += line;
    for (int sat = 1; sat <= 12; ++sat) {
      const double range =
          20000000.0 + sat * 100000.0 + s * 80.0 + (random() % 100000) / 1000.0;
      std::snprintf(line, sizeof line,
                    "G%02d%14.3f  %14.3f  %14.3f  %14.3f  \n", sat, range,
                    range * 5.25 + (random() % 1000) / 1000.0,
                    -1000.0 + (random() % 100000) / 1000.0,
                    40.0 + (random() % 1000) / 1000.0);
      text += line;
    }
  }
  return text;
}

void WriteBzip2(const fs::path& path, const std::string& bytes) {
  struct archive* a = archive_write_new();
  archive_write_add_filter_bzip2(a);
  archive_write_set_format_raw(a);
  archive_write_open_filename(a, path.string().c_str());
  struct archive_entry* entry = archive_entry_new();
  archive_entry_set_filetype(entry, 0100000);
  archive_write_header(a, entry);
  archive_write_data(a, bytes.data(), bytes.size());
  archive_entry_free(entry);
  archive_write_close(a);
  archive_write_free(a);
}

struct Bench {
  std::unique_ptr<tk::Interp> interp;
  std::unique_ptr<MainWindow> app;
  fs::path root, source;
};

Bench& TheBench() {
  static Bench* bench = [] {
    auto* b = new Bench;
    b->root = fs::temp_directory_path() /
              ("zarvek_rinex_column_bench_" + std::to_string(getpid()));
    fs::remove_all(b->root);
    fs::create_directories(b->root);
    b->source = b->root / "source.26o.bz2";
    WriteBzip2(b->source, OneHourFile());
    std::printf("one-hour file: %ju bytes of bzip2; 100 points x 3 files\n",
                static_cast<std::uintmax_t>(fs::file_size(b->source)));
    const fs::path datos = b->root / std::string(kGnssDataFolder);
    std::string csv =
        "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;ALTURA "
        "MEDIDA (m)\r\n";
    for (int p = 0; p < kPoints; ++p) {
      const std::string code = std::to_string(1001 + p);
      const fs::path rinex =
          datos / (std::to_string(p + 4) + ". " + code) / "RINEX";
      fs::create_directories(rinex);
      for (const char* session : {"a", "b", "c"})
        fs::create_hard_link(b->source, rinex / (code + session + "0.26o.bz2"));
      csv += code + ";QUENTARO R300;INCLINADA;TRÍPODE;R1;1,5\r\n";
    }
    std::ofstream(datos / std::string(kMeasurementFileName), std::ios::binary)
        << csv;
    std::string error;
    b->interp = tk::Interp::Create("rinex_column_bench", &error);
    if (!b->interp) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    // No one answers boxes here (the opening names the rows whose ARP
    // columns it filled in).
    b->interp->Call({"proc", "tk_messageBox", "args", "return ok"});
    b->app = std::make_unique<MainWindow>(*b->interp);
    b->interp->Call({std::string(MainWindow::kTabControl), "select",
                     std::string(MainWindow::kTabAlturas)});
    b->interp->Call({"update"});
    return b;
  }();
  return *bench;
}

// Opening the project with every file new: the window thread's share (the
// table built, laid out and drawn), then the reading off it, to its end.
void BM_OpenProject100x3Bzip2(benchmark::State& state) {
  Bench& b = TheBench();
  double reading = 0;
  for (auto _ : state) {
    fs::last_write_time(b.source, fs::file_time_type::clock::now());
    const Clock::time_point start = Clock::now();
    b.app->heights_tab().LoadProject(b.root.string());
    b.interp->Call({"update"});
    state.SetIterationTime(SecondsSince(start));
    const Clock::time_point read_start = Clock::now();
    b.app->rinex_column().Finish();
    reading += SecondsSince(read_start);
    // Every point holds the same file: its cell is right and marked.
    if (b.interp->Call({b.app->rinex_column().canvas(), "itemcget", "rinex0",
                        "-text"}) != "✓ ⚠") {
      state.SkipWithError("unexpected cell");
    }
  }
  state.counters["reading_off_thread_s"] =
      benchmark::Counter(reading / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_OpenProject100x3Bzip2)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Coming back to the tab with nothing changed: what the return asks of the
// column (every point read again, from the stamps), to the last cell; the
// whole return, with Tk mapping the table again, beside it.
void BM_ReturnToTabNothingChanged(benchmark::State& state) {
  Bench& b = TheBench();
  const std::string tabs = MainWindow::kTabControl;
  b.app->heights_tab().LoadProject(b.root.string());
  b.app->rinex_column().Finish();
  double whole = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    b.app->rinex_column().ReadRinex();
    b.app->rinex_column().Finish();
    state.SetIterationTime(SecondsSince(start));
    const Clock::time_point tab_start = Clock::now();
    b.interp->Call({tabs, "select", MainWindow::kTabCarpetas});
    b.interp->Call({"update"});
    b.interp->Call({tabs, "select", MainWindow::kTabAlturas});
    b.interp->Call({"update"});
    b.app->rinex_column().Finish();
    whole += SecondsSince(tab_start);
  }
  state.counters["whole_return_with_tk_ms"] = benchmark::Counter(
      1000 * whole / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ReturnToTabNothingChanged)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvek

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(zarvek::TheBench().root);
  return 0;
}
