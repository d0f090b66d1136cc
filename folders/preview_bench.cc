// Times a press of "PREVISUALIZAR CÓDIGOS" for 100 and 1,000 points: the
// rows built, laid out (`update idletasks`) and first painted (`update`),
// on the shown main window. In the same run the same press is timed the
// plain way, with X input methods left on during the build: a shim over
// Tcl's `tk` command ignores the tab's request to turn them off, so both
// ways run exactly the same code otherwise. Each press is timed on an empty
// preview ("fresh") and over a full one of the same size ("replace", which
// also destroys the old rows). Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/preview_bench [rounds]
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/zarvek_core.h"

namespace zarvek {
namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Bench {
  tk::Interp& interp;
  ZarvekCertificacionApp& app;

  void SetPlain(bool plain) {
    interp.Call({"set", "::zarvek_bench_plain", plain ? 1 : 0});
  }
  // One press with `count` points; returns milliseconds.
  double Press(int count) {
    interp.Call({"set", std::string(FolderTab::kNumPuntosVar), count});
    interp.Call({"set", std::string(FolderTab::kPrimerCodigoVar), "100"});
    const auto start = Clock::now();
    app.carpetas().generar_lista_codigos_consecutivos();
    interp.Call({"update"});
    const auto end = Clock::now();
    if (app.carpetas().preview_entries().size() != static_cast<size_t>(count)) {
      std::fprintf(stderr, "preview has %zu rows, not %d\n",
                   app.carpetas().preview_entries().size(), count);
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

  ZarvekCertificacionApp app(*interp);
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
