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
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/zarvek_core.h"
#include "testing/report_baseline.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Builds the table for `n` points and fills every row as a person would:
// each choice through its row handler, then the height.
void FillTable(zarvek::ZarvekCertificacionApp& app, int n) {
  zarvek::tk::Interp& tk = app.root;
  app.lista_codigos_final.clear();
  for (int i = 0; i < n; ++i)
    app.lista_codigos_final.push_back(std::to_string(1000 + i));
  app.construir_tabla_filas();
  for (int i = 0; i < n; ++i) {
    const zarvek::testing::BenchKind& k = zarvek::testing::kBenchKinds[i % 6];
    const zarvek::MeasurementRow& row = app.entradas_alturas.at(i);
    tk.Call({row.rec, "set", k.rec});
    app._on_row_rec_change(i);
    tk.Call({row.tipo, "set", k.tipo});
    app._on_row_type_change(i);
    tk.Call({row.acc, "set", k.acc});
    app._on_row_acc_change(i);
    tk.Call({row.ref, "set", k.ref});
    tk.Call({row.h, "delete", 0, "end"});
    tk.Call({row.h, "insert", 0, k.h});
  }
  app.esperar_guardado();
}

// Best of `repeats` presses of the button, in seconds.
double PressButton(zarvek::ZarvekCertificacionApp& app, int repeats) {
  double best = 1e9;
  for (int r = 0; r < repeats; ++r) {
    const auto t0 = Clock::now();
    app.generar_pdf_conversion();
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

// The peak resident memory of the largest child process waited for so far,
// in kB.
long ChildrenPeakKb() {
  struct rusage usage;
  if (::getrusage(RUSAGE_CHILDREN, &usage) != 0) return -1;
  return usage.ru_maxrss;
}

// Prints what one press on the filled `pages`-row table adds to the peak
// memory, and what `pages` pages add to the plain design's peak over one
// page. Runs before any other child process, so that the children's peak
// is the baseline's own. False when the report was not written.
bool MeasureMemory(zarvek::ZarvekCertificacionApp& app, const fs::path& root,
                   int pages) {
  if (!ResetPeakMemory() || StatusKb("VmHWM") > StatusKb("VmRSS")) {
    std::printf("peak memory not measured: /proc/self/clear_refs refused\n");
    return true;
  }
  const long before = StatusKb("VmRSS");
  app.generar_pdf_conversion();
  const long ours = StatusKb("VmHWM") - before;
  const std::string box = app.root.Call({"set", "::bench_box"});
  if (box.find("ARCHIVO GUARDADO EN:") == std::string::npos) return false;

  const std::string resources = std::string(ZARVEK_BINARY_DIR) + "/resources/";
  const std::string out = (root / "plain.pdf").string();
  long plain = -1, plain_one = -1, plain_all = -1;
  if (zarvek::testing::RunReportBaseline(resources, out, 1, 6) >= 0) {
    plain_one = ChildrenPeakKb();
    if (zarvek::testing::RunReportBaseline(resources, out, pages, 6) >= 0) {
      plain_all = ChildrenPeakKb();
      plain = plain_all - plain_one;
    }
  }
  std::printf(
      "%d page(s) through the report button: peak memory %.1f MB above the "
      "%.1f MB resident before the press",
      pages, ours / 1024.0, before / 1024.0);
  if (plain > 0 && ours > 0) {
    std::printf(
        "; plain design %.1f MB above its %.1f MB for one page: ratio "
        "%.1f\n",
        plain / 1024.0, plain_one / 1024.0, static_cast<double>(plain) / ours);
  } else if (plain_all >= 0) {
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
  zarvek::ZarvekCertificacionApp app(*interp, services);
  // The box the button ends with, answered at once; its text is kept to
  // check that the run succeeded.
  interp->Call(
      {"proc", "tk_messageBox", "args", "set ::bench_box $args; return ok"});
  interp->Call({app.tab_control, "select", app.tab_alturas});
  app.ruta_base = root.string();

  int status = 0;
  for (int pages : {1000, 1}) {
    FillTable(app, pages);
    interp->Call({"update"});
    if (pages == 1000 && !MeasureMemory(app, root, pages)) {
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
