// Start-up cost of the program: from the beginning of main's set-up
// (interpreter creation) to the main window built and idle (`update
// idletasks` done), with the real icon and logo, and the peak memory. Each
// measurement is a fresh process, as a user's start is; run under Xvfb:
//   xvfb-run -a build/startup_bench [runs]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"

namespace {

int MeasureOnce(const char* argv0) {
  auto t0 = std::chrono::steady_clock::now();
  std::string error;
  auto interp = zarvek::tk::Interp::Create(argv0, &error);
  if (!interp) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  zarvek::MainWindow app(*interp);
  interp->Call({"update", "idletasks"});
  auto t1 = std::chrono::steady_clock::now();
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.3f %ld\n",
              std::chrono::duration<double, std::milli>(t1 - t0).count(),
              usage.ru_maxrss);
  return app.logo_img().empty() ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--once") return MeasureOnce(argv[0]);
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  std::vector<double> ms;
  long peak_kb = 0;
  for (int i = 0; i < runs; ++i) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return 1;
    std::string cmd = "'" + std::string(exe, n) + "' --once";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return 1;
    double t = 0;
    long kb = 0;
    int got = std::fscanf(p, "%lf %ld", &t, &kb);
    int status = pclose(p);
    if (got != 2) return 1;
    if (WEXITSTATUS(status) == 2) std::printf("(logo not found)\n");
    ms.push_back(t);
    peak_kb = std::max(peak_kb, kb);
  }
  std::sort(ms.begin(), ms.end());
  std::printf(
      "start-up to idle window: median %.1f ms, min %.1f ms, max %.1f "
      "ms over %d runs; peak RSS %.1f MiB\n",
      ms[ms.size() / 2], ms.front(), ms.back(), runs, peak_kb / 1024.0);
  return 0;
}
