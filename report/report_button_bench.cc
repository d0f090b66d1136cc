// The report as a surveyor gets it: the real window with 1,000 rows of six
// kinds of set-up filled in, and the time from a press of the report button
// (the widgets read, every row checked and converted, the document drawn,
// encrypted and written atomically, the message box asked for) to its end;
// beside it, in the same run, the plain design (scripts/report_baseline.py)
// on the same rows. Then the same for a one-row table. The message box and
// the viewer are stubbed so that nothing waits for a person. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/report_button_bench
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/zarvek_core.h"
#include "testing/report_baseline.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Opens a project of `n` points under `root` (its point folders made anew)
// and fills every row as a person would: each choice through its row
// handler, then the height.
void FillTable(zarvek::tk::Interp& tk, zarvek::ZarvekCertificacionApp& app,
               const fs::path& root, int n) {
  const fs::path gnss = root / "2. DATOS GNSS";
  for (const fs::directory_entry& entry : fs::directory_iterator(gnss)) {
    if (entry.is_directory()) fs::remove_all(entry.path());
  }
  for (int i = 0; i < n; ++i) {
    fs::create_directories(gnss / (std::to_string(i + 4) + ". " +
                                   std::to_string(1000 + i)));
  }
  app.alturas().LoadProject(root.string());
  for (int i = 0; i < n; ++i) {
    const zarvek::testing::BenchKind& k = zarvek::testing::kBenchKinds[i % 6];
    const zarvek::RowCells& row = app.alturas().cells().at(i);
    tk.Call({row.rec, "set", k.rec});
    app.alturas()._on_row_rec_change(i);
    tk.Call({row.tipo, "set", k.tipo});
    app.alturas()._on_row_type_change(i);
    tk.Call({row.acc, "set", k.acc});
    app.alturas()._on_row_acc_change(i);
    tk.Call({row.ref, "set", k.ref});
    tk.Call({"event", "generate", row.ref, "<<ComboboxSelected>>"});
    tk.Call({row.h, "delete", 0, "end"});
    tk.Call({row.h, "insert", 0, k.h});
  }
  app.alturas().WaitForSaves();
}

// Best of `repeats` presses of the button, in seconds.
double PressButton(zarvek::ZarvekCertificacionApp& app, int repeats) {
  double best = 1e9;
  for (int r = 0; r < repeats; ++r) {
    const auto t0 = Clock::now();
    app.reporte().generar_pdf_conversion();
    best = std::min(best,
                    std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
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
  interp->Call({std::string(zarvek::ZarvekCertificacionApp::kTabControl), "select", std::string(zarvek::ZarvekCertificacionApp::kTabAlturas)});

  int status = 0;
  for (int pages : {1000, 1}) {
    FillTable(*interp, app, root, pages);
    interp->Call({"update"});
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
