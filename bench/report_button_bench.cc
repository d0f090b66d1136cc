// The report as a surveyor gets it: the real window with 1,000 rows of six
// kinds of set-up filled in, and the time from a press of the report button
// (the widgets read, every row checked and converted, the document drawn,
// encrypted and written atomically, the message box asked for) to its end;
// beside it, in the same run, the plain design (scripts/report_baseline.py)
// on the same rows. Then the same for a one-row table. The message box and
// the viewer are stubbed so that nothing waits for a person.
// Before the timed presses, the memory that one press on the 1,000-row table
// adds on top of the window (the peak during the press above what was
// resident before it: a report of 1,000 pages must not hold its pages
// several times over), beside what 1,000 pages add to the plain design's
// peak over one page. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/report_button_bench
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "testing/report_baseline.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Opens a project of `n` points under `root` (its point folders made anew)
// and fills every row as a person would: each choice through its row
// handler, then the height.
void FillTable(zarvek::tk::Interp& tk, zarvek::MainWindow& app,
               const fs::path& root, int n) {
  const fs::path gnss = root / "2. DATOS GNSS";
  for (const fs::directory_entry& entry : fs::directory_iterator(gnss)) {
    if (entry.is_directory()) fs::remove_all(entry.path());
  }
  for (int i = 0; i < n; ++i) {
    fs::create_directories(gnss / (std::to_string(i + 4) + ". " +
                                   std::to_string(1000 + i)));
  }
  app.heights_tab().LoadProject(root.string());
  for (int i = 0; i < n; ++i) {
    const zarvek::testing::BenchKind& k = zarvek::testing::kBenchKinds[i % 6];
    const zarvek::RowCells& row = app.heights_tab().cells().at(i);
    tk.Call({row.rec, "set", k.rec});
    app.heights_tab().OnRowRecChange(i);
    tk.Call({row.tipo, "set", k.tipo});
    app.heights_tab().OnRowTypeChange(i);
    tk.Call({row.acc, "set", k.acc});
    app.heights_tab().OnRowAccChange(i);
    tk.Call({row.ref, "set", k.ref});
    tk.Call({"event", "generate", row.ref, "<<ComboboxSelected>>"});
    tk.Call({row.h, "delete", 0, "end"});
    tk.Call({row.h, "insert", 0, k.h});
  }
  app.heights_tab().WaitForSaves();
}

// Best of `repeats` presses of the button, in seconds.
double PressButton(zarvek::MainWindow& app, int repeats) {
  double best = 1e9;
  for (int r = 0; r < repeats; ++r) {
    const auto t0 = Clock::now();
    app.report_command().generar_pdf_conversion();
    best = std::min(best,
                    std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

// A field of /proc/self/status such as "VmRSS", in kB; -1 when missing.
long StatusKb(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) != 0) continue;
    const size_t digits = line.find_first_of("0123456789");
    long kb = -1;
    if (digits != std::string::npos) {
      std::from_chars(line.data() + digits, line.data() + line.size(), kb);
    }
    return kb;
  }
  return -1;
}

// Sets the process's peak resident memory back to what is resident now.
bool ResetPeakMemory() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5" << std::flush;
  return out.good();
}

// The plain design's own peak resident memory for `pages` pages, in kB, or
// -1 when it did not run. Read by the script's process itself at its end:
// getrusage's figure for children would start from this process's size,
// which the child shares until it runs Python.
long PlainPeakKb(const std::string& resources, const std::string& out,
                 int pages) {
  const std::string command =
      "/usr/bin/python3 -c '"
      "import runpy, sys\n"
      "sys.argv = sys.argv[1:]\n"
      "runpy.run_path(sys.argv[0], run_name=\"__main__\")\n"
      "print([l.split()[1] for l in open(\"/proc/self/status\")"
      " if l.startswith(\"VmHWM:\")][0])' '" +
      std::string(ZARVEK_SOURCE_DIR) + "/scripts/report_baseline.py' '" +
      resources + "' '" + out + "' " + std::to_string(pages) + " 6";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char seconds[128] = {}, kb[128] = {};
  const bool read = std::fgets(seconds, sizeof seconds, pipe) != nullptr &&
                    std::fgets(kb, sizeof kb, pipe) != nullptr;
  if (::pclose(pipe) != 0 || !read) return -1;
  long value = -1;
  std::from_chars(kb, kb + std::strlen(kb), value);
  return value;
}

// Prints what one press on the filled `pages`-row table adds to the peak
// memory, and what `pages` pages add to the plain design's peak over one
// page. False when the report was not written.
bool MeasureMemory(zarvek::tk::Interp& tk, zarvek::MainWindow& app,
                   const fs::path& root, int pages) {
  if (!ResetPeakMemory() || StatusKb("VmHWM") > StatusKb("VmRSS")) {
    std::printf("peak memory not measured: /proc/self/clear_refs refused\n");
    return true;
  }
  const long before = StatusKb("VmRSS");
  app.report_command().generar_pdf_conversion();
  const long ours = StatusKb("VmHWM") - before;
  const std::string box = tk.Call({"set", "::bench_box"});
  if (box.find("ARCHIVO GUARDADO EN:") == std::string::npos) return false;

  const std::string resources = std::string(ZARVEK_BINARY_DIR) + "/resources/";
  const std::string out = (root / "plain.pdf").string();
  const long plain_one = PlainPeakKb(resources, out, 1);
  const long plain_all = PlainPeakKb(resources, out, pages);
  const long plain = plain_all - plain_one;
  std::printf(
      "%d page(s) through the report button: peak memory %.1f MB above the "
      "%.1f MB resident before the press",
      pages, ours / 1024.0, before / 1024.0);
  if (plain > 0 && ours > 0) {
    std::printf(
        "; plain design %.1f MB above its %.1f MB for one page: ratio "
        "%.1f\n",
        plain / 1024.0, plain_one / 1024.0, static_cast<double>(plain) / ours);
  } else if (plain_one >= 0 && plain_all >= 0) {
    std::printf("; plain design %.1f MB for one page, %.1f MB for %d\n",
                plain_one / 1024.0, plain_all / 1024.0, pages);
  } else {
    std::printf("; the plain design did not run\n");
  }
  return true;
}

}  // namespace

int main(int, char** argv) {
  const fs::path root = fs::temp_directory_path() /
                        ("zarvek_button_bench_" + std::to_string(getpid()));
  fs::create_directories(root / "2. DATOS GNSS");
  const fs::path report = root / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf";

  std::string error;
  auto interp = zarvek::tk::Interp::Create(argv[0], &error);
  if (!interp) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  zarvek::AppServices services;
  services.open_file = [](const std::string&) {};
  zarvek::MainWindow app(*interp, services);
  // The box the button ends with, answered at once; its text is kept to
  // check that the run succeeded.
  interp->Call(
      {"proc", "tk_messageBox", "args", "set ::bench_box $args; return ok"});
  interp->Call({std::string(zarvek::MainWindow::kTabControl), "select", std::string(zarvek::MainWindow::kTabAlturas)});

  int status = 0;
  for (int pages : {1000, 1}) {
    FillTable(*interp, app, root, pages);
    interp->Call({"update"});
    if (pages == 1000 && !MeasureMemory(*interp, app, root, pages)) {
      std::fprintf(stderr, "the report was not written\n");
      status = 1;
      break;
    }
    const double ours = PressButton(app, pages == 1 ? 50 : 3);
    const std::string box = interp->Call({"set", "::bench_box"});
    if (box.find("ARCHIVO GUARDADO EN:") == std::string::npos ||
        !fs::exists(report)) {
      std::fprintf(stderr, "the report was not written: %s\n", box.c_str());
      status = 1;
      break;
    }
    double plain = 1e9;
    for (int r = 0; r < 3; ++r) {
      const double t = zarvek::testing::RunReportBaseline(
          std::string(ZARVEK_BINARY_DIR) + "/resources/",
          (root / "plain.pdf").string(), pages, 6);
      if (t < 0) {
        std::fprintf(stderr, "the baseline did not run (python3-reportlab?)\n");
        status = 1;
        break;
      }
      plain = std::min(plain, t);
    }
    if (status != 0) break;
    std::printf(
        "%d page(s) through the report button: %.2f ms, plain design "
        "%.2f ms: %.1f times faster\n",
        pages, ours * 1e3, plain * 1e3, plain / ours);
  }
  fs::remove_all(root);
  return status;
}
