// What the report benchmarks share: the six kinds of set-up their rows cycle
// through, in the order of scripts/report_baseline.py, and a run of that
// script (the plain reportlab design) on the same rows. For benchmark
// programs only: it needs ZARVEK_SOURCE_DIR.
#ifndef ZARVEK_TESTING_REPORT_BASELINE_H_
#define ZARVEK_TESTING_REPORT_BASELINE_H_

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zarvek::testing {

struct BenchKind {
  const char *rec, *tipo, *acc, *ref, *h;
};
inline constexpr BenchKind kBenchKinds[] = {
    {"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5"},
    {"QUENTARO R700", "INCLINADA", "BÍPODE Y BASTÓN", "R2", "1.6"},
    {"QUENTARO R100", "VERTICAL", "BASTÓN", "R3", "2"},
    {"QUENTARO R350", "INCLINADA", "BÍPODE Y BASTÓN", "R1", "1.55"},
    {"QUENTARO M200 PLUS", "INCLINADA", "TRÍPODE", "R2", "1.7"},
    {"QUENTARO R750", "VERTICAL", "BÍPODE Y BASTÓN", "R3", "1.8"},
};

/// Runs the baseline script on `pages` pages cycling through the first
/// `kinds` kinds, with the pictures of `resources` (a folder ending in "/"),
/// writing `out`; returns the seconds it reports, or -1 when it could not
/// run.
inline double RunReportBaseline(const std::string& resources,
                                const std::string& out, int pages, int kinds) {
  const std::string command =
      "/usr/bin/python3 '" + std::string(ZARVEK_SOURCE_DIR) +
      "/scripts/report_baseline.py' '" + resources + "' '" + out + "' " +
      std::to_string(pages) + " " + std::to_string(kinds);
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buf[128] = {};
  const bool read = std::fgets(buf, sizeof buf, pipe) != nullptr;
  if (::pclose(pipe) != 0 || !read) return -1;
  return std::strtod(buf, nullptr);
}

}  // namespace zarvek::testing

#endif  // ZARVEK_TESTING_REPORT_BASELINE_H_
