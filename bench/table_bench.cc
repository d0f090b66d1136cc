// Cost of the measurement table: building it for 100 and 1,000 codes with
// the second tab shown (cells, layout and first paint, as
// opening a project does them), the first showing of a table that was
// built while the first tab was in front, and destroying it again; beside it,
// in the same run and window, the plain design: every cell created and
// gridded one by one with input methods on, then `update idletasks` and the
// first `update`. The designs "rinex" and "rinexgz" build the same table for
// a project on disk whose points hold three plain or three gzip observation
// files each: their difference from "ours" is what reading the headers adds
// to the build, and "reread" is one more reading of them (the surveyor
// returning to the tab). Each measurement runs in a fresh process so that
// its peak memory is its own. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/table_bench [runs]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "project/point_detection.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start)
      .count();
}

long PeakKb() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::vector<std::string> Codes(int n) {
  std::vector<std::string> codes;
  for (int i = 0; i < n; ++i) codes.push_back(std::to_string(10000 + i));
  return codes;
}

// A project of `n` points under a fresh temporary folder, three copies of
// the observation file `fixture` (none when it is empty) in each point's
// RINEX folder (the files' pages are then in the system's cache, as after
// copying them in). Returns the project folder.
std::string MakeProject(int n, const std::string& fixture) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() /
                        ("zarvek_table_bench_" + std::to_string(getpid()));
  fs::remove_all(root);
  const fs::path source =
      fs::path(ZARVEK_SOURCE_DIR) / "rinex" / "testdata" / fixture;
  const std::vector<std::string> codes = Codes(n);
  for (int i = 0; i < n; ++i) {
    const fs::path rinex = root / std::string(zarvek::kGnssDataFolder) /
                           (std::to_string(i + 4) + ". " + codes[i]) / "RINEX";
    fs::create_directories(rinex);
    if (fixture.empty()) continue;
    for (const char* session : {"a", "b", "c"})
      fs::copy_file(source, rinex / (session + fixture));
  }
  return root.string();
}

// The table as the plain reading of the design builds it: each cell made and
// gridded on its own, input methods left on.
void BuildPlain(zarvek::tk::Interp& interp,
                zarvek::MainWindow& app, int n) {
  zarvek::tk::Interp& tk = interp;
  const std::string f = app.heights_tab().frame_rows();
  const char* headers[] = {"PUNTO",     "RECEPTOR GNSS", "TIPO DE MEDIDA",
                           "ACCESORIO", "REFERENCIA",    "ALTURA (m)"};
  const int widths[] = {10, 30, 15, 25, 12, 12};
  for (int c = 0; c < 6; ++c) {
    std::string w = f + ".h" + std::to_string(c);
    tk.Call({"ttk::label", w, "-text", headers[c], "-style", "SubHeader.TLabel",
             "-width", widths[c], "-anchor", "center", "-justify", "center"});
    tk.Call({"grid", w, "-row", 0, "-column", c, "-padx", 5, "-pady", 5,
             "-sticky", "ew"});
  }
  std::vector<std::string> models;
  for (const auto& [name, spec] : app.equipos_specs()) models.push_back(name);
  for (int i = 0; i < n; ++i) {
    std::string s = std::to_string(i);
    int row = i + 1;
    tk.Call({"ttk::label", f + ".l" + s, "-text", std::to_string(10000 + i),
             "-font", zarvek::tk::Obj::List({app.ui_family(), "9", "bold"}),
             "-background", "white"});
    tk.Call({"grid", f + ".l" + s, "-row", row, "-column", 0, "-padx", 5,
             "-pady", 2});
    tk.Call({"ttk::combobox", f + ".r" + s, "-values",
             zarvek::tk::Obj::List(models), "-state", "readonly", "-width",
             28});
    tk.Call({f + ".r" + s, "set", models.front()});
    tk.Call({"grid", f + ".r" + s, "-row", row, "-column", 1, "-padx", 5});
    tk.Call({"ttk::combobox", f + ".t" + s, "-values",
             zarvek::tk::Obj::List({"INCLINADA", "VERTICAL"}), "-state",
             "readonly", "-width", 14});
    tk.Call({"grid", f + ".t" + s, "-row", row, "-column", 2, "-padx", 5});
    tk.Call(
        {"ttk::combobox", f + ".a" + s, "-state", "readonly", "-width", 23});
    tk.Call({"grid", f + ".a" + s, "-row", row, "-column", 3, "-padx", 5});
    tk.Call(
        {"ttk::combobox", f + ".f" + s, "-state", "readonly", "-width", 10});
    tk.Call({"grid", f + ".f" + s, "-row", row, "-column", 4, "-padx", 5});
    tk.Call({"ttk::entry", f + ".e" + s, "-width", 12, "-justify", "center"});
    tk.Call({"grid", f + ".e" + s, "-row", row, "-column", 5, "-padx", 5});
  }
}

// One measurement in this process; prints "key value" pairs on one line.
int MeasureOnce(const char* argv0, const std::string& design, int n) {
  std::string error;
  auto interp = zarvek::tk::Interp::Create(argv0, &error);
  if (!interp) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  zarvek::MainWindow app(*interp);
  const bool hidden = design == "hidden";
  if (!hidden) interp->Call({std::string(zarvek::MainWindow::kTabControl), "select", std::string(zarvek::MainWindow::kTabAlturas)});
  interp->Call({"update"});
  long base_kb = PeakKb();

  std::map<std::string, double> t;
  const bool plain = design == "plain";
  std::string project;
  if (design == "rinex") {
    project = MakeProject(n, "v304.obs");
  } else if (design == "rinexgz") {
    project = MakeProject(n, "v304_zero.obs.gz");
  } else if (!plain) {
    project = MakeProject(n, "");
  }
  auto t0 = Clock::now();
  if (plain) {
    BuildPlain(*interp, app, n);
  } else {
    // Detection, the table with its layout and first paint, the RINEX read.
    app.heights_tab().LoadProject(project);
  }
  t["create"] = MsSince(t0);
  auto t1 = Clock::now();
  interp->Call({"update", "idletasks"});
  t["idle"] = MsSince(t1);
  auto t2 = Clock::now();
  interp->Call({"update"});
  t["paint"] = MsSince(t2);
  t["total"] = MsSince(t0);
  if (hidden) {
    // The user now turns to the second tab.
    auto t3 = Clock::now();
    interp->Call({std::string(zarvek::MainWindow::kTabControl), "select", std::string(zarvek::MainWindow::kTabAlturas)});
    interp->Call({"update"});
    t["show"] = MsSince(t3);
  }
  long peak_kb = PeakKb();
  int im_on = interp->Call({"tk", "useinputmethods"}) == "1";
  if (!plain) {
    auto t5 = Clock::now();
    app.rinex_column().ReadRinex();
    t["reread"] = MsSince(t5);
  }

  auto t4 = Clock::now();
  if (plain) {
    for (const std::string& w :
         interp->SplitList(interp->Call({"winfo", "children", app.heights_tab().frame_rows()})))
      interp->Call({"destroy", w});
  } else {
    // A project without points: the table is emptied.
    const std::filesystem::path empty = std::filesystem::path(project) / "vacio";
    std::filesystem::create_directories(empty /
                                        std::string(zarvek::kGnssDataFolder));
    app.heights_tab().LoadProject(empty.string());
  }
  interp->Call({"update"});
  t["destroy"] = MsSince(t4);
  if (!project.empty()) std::filesystem::remove_all(project);

  std::printf(
      "create %.2f idle %.2f paint %.2f total %.2f show %.2f "
      "destroy %.2f reread %.2f base_kb %ld peak_kb %ld im %d\n",
      t["create"], t["idle"], t["paint"], t["total"], t["show"], t["destroy"],
      t["reread"], base_kb, peak_kb, im_on);
  return 0;
}

struct Sample {
  double create, idle, paint, total, show, destroy, reread;
  long base_kb, peak_kb;
  int im;
};

bool RunChild(const std::string& design, int n, Sample* s) {
  char exe[4096];
  ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (len <= 0) return false;
  std::string cmd = "'" + std::string(exe, len) + "' --once " + design + " " +
                    std::to_string(n);
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return false;
  int got =
      std::fscanf(p,
                  "create %lf idle %lf paint %lf total %lf show %lf "
                  "destroy %lf reread %lf base_kb %ld peak_kb %ld im %d",
                  &s->create, &s->idle, &s->paint, &s->total, &s->show,
                  &s->destroy, &s->reread, &s->base_kb, &s->peak_kb, &s->im);
  return pclose(p) == 0 && got == 10;
}

// The sample with the median total.
Sample Median(std::vector<Sample> v) {
  std::sort(v.begin(), v.end(),
            [](const Sample& a, const Sample& b) { return a.total < b.total; });
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--once")
    return MeasureOnce(argv[0], argv[2], std::atoi(argv[3]));
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

  std::printf("median of %d runs, ms; memory = peak RSS growth of the build\n",
              runs);
  std::printf("%-7s %5s %9s %9s %9s %9s %9s %9s %9s %8s %3s\n", "design",
              "rows", "build", "idle", "paint", "total", "show", "destroy",
              "reread", "MiB", "IM");
  std::map<std::pair<std::string, int>, Sample> medians;
  for (int n : {100, 1000}) {
    for (const char* design : {"ours", "plain", "hidden", "rinex", "rinexgz"}) {
      std::vector<Sample> samples;
      for (int r = 0; r < runs; ++r) {
        Sample s;
        if (!RunChild(design, n, &s)) {
          std::fprintf(stderr, "measurement %s %d failed\n", design, n);
          return 1;
        }
        samples.push_back(s);
      }
      Sample m = Median(samples);
      medians[{design, n}] = m;
      std::printf(
          "%-7s %5d %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %8.1f %3s\n",
          design, n, m.create, m.idle, m.paint, m.total, m.show, m.destroy,
          m.reread, (m.peak_kb - m.base_kb) / 1024.0, m.im ? "on" : "OFF");
    }
  }
  for (int n : {100, 1000}) {
    const Sample& ours = medians[{"ours", n}];
    const Sample& plain = medians[{"plain", n}];
    std::printf(
        "%d rows: build + layout + first paint %.1f ms, plain design "
        "%.1f ms: %.2fx faster\n",
        n, ours.total, plain.total, plain.total / ours.total);
    for (const char* design : {"rinex", "rinexgz"}) {
      const Sample& files = medians[{design, n}];
      // The totals of separate processes differ by more than the reading
      // on a busy machine; reading the headers again alone is the figure.
      std::printf(
          "%d rows, three %s observation files each: reading them %.1f ms "
          "(judging the rows alone %.1f ms); build total %.1f ms against "
          "%.1f ms\n",
          n, std::string(design) == "rinex" ? "plain" : "gzip", files.reread,
          ours.reread, files.total, ours.total);
    }
  }
  return 0;
}
