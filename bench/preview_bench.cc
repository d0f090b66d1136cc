// Times a press of "PREVISUALIZAR CÓDIGOS" for 100 and 1,000 points: the
// rows built, laid out (`update idletasks`) and first painted (`update`),
// on the shown main window. In the same run the same press is timed the
// plain way, with X input methods left on during the build: a shim over
// Tcl's `tk` command ignores the tab's request to turn them off, so both
// ways run exactly the same code otherwise. Each press is timed on an empty
// preview ("fresh") and over a full one of the same size ("replace", which
// also destroys the old rows). Then a press with each of the inputs the tab
// refuses (a count of a trillion, a first code at the end of the 64-bit
// range) is timed over a preview of three rows: the refusal must cost no
// more than reading the two fields, never the rows those inputs would give.
// Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/preview_bench [rounds]
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"

namespace zarvek {
namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Bench {
  tk::Interp& interp;
  MainWindow& app;

  void SetPlain(bool plain) {
    interp.Call({"set", "::zarvek_bench_plain", plain ? 1 : 0});
  }
  // One press with `count` points; returns milliseconds.
  double Press(int count) {
    return PressWith(std::to_string(count), "100", count);
  }
  // One press with the two fields as typed, which must give `rows` rows;
  // returns milliseconds.
  double PressWith(const std::string& count, const std::string& first,
                   int rows) {
    interp.Call({"set", std::string(FolderTab::kNumPuntosVar), count});
    interp.Call({"set", std::string(FolderTab::kPrimerCodigoVar), first});
    const auto start = Clock::now();
    app.folder_tab().generar_lista_codigos_consecutivos();
    interp.Call({"update"});
    const auto end = Clock::now();
    if (app.folder_tab().preview_entries().size() != static_cast<size_t>(rows)) {
      std::fprintf(stderr, "preview of \"%s\" has %zu rows, not %d\n",
                   count.c_str(), app.folder_tab().preview_entries().size(), rows);
      std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
  }
  void Clear() {
    SetPlain(false);
    Press(0);
  }
};

int Run(int rounds) {
  std::string error;
  auto interp = tk::Interp::Create("preview_bench", &error);
  if (!interp) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // The shim: with ::zarvek_bench_plain set, `tk useinputmethods <value>`
  // only reports the current state.
  interp->Call({"set", "::zarvek_bench_plain", 0});
  interp->Call({"rename", "tk", "::zarvek_bench_tk"});
  interp->Call({"proc", "::tk", "args",
                "if {$::zarvek_bench_plain && [llength $args] == 2 &&"
                " [lindex $args 0] eq {useinputmethods}} {\n"
                "  return [::zarvek_bench_tk useinputmethods]\n"
                "}\n"
                "return [uplevel 1 [list ::zarvek_bench_tk {*}$args]]"});
  const bool im_available = interp->Call({"tk", "useinputmethods"}) == "1";

  MainWindow app(*interp);
  interp->Call({"update"});
  Bench bench{*interp, app};
  bench.Press(50);  // warm-up: fonts, styles, first layout
  bench.Clear();

  std::printf("input methods available: %s; %d rounds, medians in ms\n",
              im_available ? "yes" : "no", rounds);
  std::printf("%7s  %-8s %10s %10s %7s\n", "points", "press", "IM off", "plain",
              "ratio");
  for (int count : {100, 1000}) {
    std::vector<double> fast_fresh, plain_fresh, fast_replace, plain_replace;
    for (int round = 0; round < rounds; ++round) {
      for (int turn = 0; turn < 2; ++turn) {
        const bool plain = (turn == 0) == (round % 2 == 0);
        bench.Clear();
        bench.SetPlain(plain);
        (plain ? plain_fresh : fast_fresh).push_back(bench.Press(count));
        (plain ? plain_replace : fast_replace).push_back(bench.Press(count));
      }
    }
    bench.Clear();
    const double ff = Median(fast_fresh), pf = Median(plain_fresh);
    const double fr = Median(fast_replace), pr = Median(plain_replace);
    std::printf("%7d  %-8s %10.1f %10.1f %7.2f\n", count, "fresh", ff, pf,
                pf / ff);
    std::printf("%7d  %-8s %10.1f %10.1f %7.2f\n", count, "replace", fr, pr,
                pr / fr);
  }

  // The error box each refusal opens is answered at once. No rows are
  // built, so input methods play no part: one figure per input.
  interp->Call({"proc", "tk_messageBox", "args", "return ok"});
  const struct {
    const char* count;
    const char* first;
  } refused[] = {{"0", ""},
                 {"", "100"},
                 {"3.0", "100"},
                 {"tres", "100"},
                 {"3", "1e2"},
                 {"1001", "1"},
                 {"999999999999", "1"},
                 {"99999999999999999999", "1"},
                 {"2", "9223372036854775807"}};
  std::printf("\nrefused presses over 3 rows, medians in ms\n");
  std::printf("%22s  %-20s %10s\n", "points", "first code", "ms");
  double slowest = 0;
  for (const auto& r : refused) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
      bench.Clear();
      bench.Press(3);
      times.push_back(bench.PressWith(r.count, r.first, 0));
    }
    const double median = Median(times);
    slowest = std::max(slowest, median);
    std::printf("%22s  %-20s %10.2f\n", r.count, r.first, median);
  }
  std::printf("slowest refusal: %.2f ms\n", slowest);
  return 0;
}

}  // namespace
}  // namespace zarvek

int main(int argc, char** argv) {
  int rounds = 5;
  if (argc > 1) {
    const std::string arg = argv[1];
    std::from_chars(arg.data(), arg.data() + arg.size(), rounds);
  }
  return zarvek::Run(std::max(1, rounds));
}
