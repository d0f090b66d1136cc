// Speed, size and memory of whole report runs, through RunConversionReport
// (what the report button calls) with the real document, the pictures the
// build prepared in build/resources and the atomic write, against the plain
// design (scripts/report_baseline.py: reportlab, pictures as PNG files, its
// own encryption) run in the same run on the same rows. Prints:
// - 1,000 pages of six kinds of set-up: both times and their ratio;
// - one page: the time of a run, and how much of it is the file's write
//   (fsync and rename) rather than work;
// - bytes per page beyond the first, for pages with the same set-up and
//   for the three kinds of measurement;
// - the peak resident memory of this process.
//   build/report_bench [--keep DIR]   (--keep leaves the files in DIR)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/atomic_file.h"
#include "platform/fs.h"
#include "pdf/pdf_writer.h"
#include "platform/random.h"
#include "report/report.h"
#include "testing/report_baseline.h"

namespace {

namespace fs = std::filesystem;
using namespace zarvek;
using Clock = std::chrono::steady_clock;

constexpr char kFecha[] = "07/12/2026";

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Rows cycling through the first `kinds_used` kinds of set-up.
std::vector<TableRow> Rows(int n, int kinds_used) {
  std::vector<TableRow> rows;
  for (int i = 0; i < n; ++i) {
    const testing::BenchKind& k = testing::kBenchKinds[i % kinds_used];
    rows.push_back(
        {std::to_string(1000 + i), {k.rec, k.tipo, k.acc, k.ref, k.h}});
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path root =
      fs::temp_directory_path() / ("zarvek_bench_" + std::to_string(getpid()));
  const bool keep = argc == 3 && std::string(argv[1]) == "--keep";
  if (keep) root = argv[2];
  fs::create_directories(root / "2. DATOS GNSS");
  const std::string resources = std::string(ZARVEK_BINARY_DIR) + "/resources/";
  const std::string report =
      (root / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf").string();
  Catalogue catalogue = BuildEquiposSpecs();
  PdfWriterDocumentFactory factory;
  ReportServices services{
      catalogue, factory, SystemRandom(),
      ResourceLookup{
          [&](const std::string& n) { return resources + n; },
          [](const std::string& p) { return RealFileSystem().Exists(p); }}};

  // Best of `repeats` runs of `rows`; the size of the file written.
  auto run = [&](const std::vector<TableRow>& rows, int repeats,
                 std::uintmax_t* size) {
    double best = 1e9;
    for (int r = 0; r < repeats; ++r) {
      const auto t0 = Clock::now();
      ReportOutcome outcome =
          RunConversionReport(root.string(), rows, kFecha, services);
      const double t = Seconds(Clock::now() - t0);
      if (outcome.open_path.empty()) {
        std::fprintf(stderr, "%s\n", outcome.text.c_str());
        std::exit(1);
      }
      best = std::min(best, t);
    }
    if (size != nullptr) *size = fs::file_size(report);
    return best;
  };

  // 1,000 pages, six kinds, both designs in turn, best of three each.
  const std::vector<TableRow> thousand = Rows(1000, 6);
  const double ours = run(thousand, 3, nullptr);
  double plain = 1e9;
  for (int r = 0; r < 3; ++r) {
    const double t = testing::RunReportBaseline(
        resources, (root / "plain.pdf").string(), 1000, 6);
    if (t < 0) {
      std::fprintf(stderr, "the baseline did not run (python3-reportlab?)\n");
      return 1;
    }
    plain = std::min(plain, t);
  }
  std::printf(
      "1000 pages, 6 kinds: %.1f ms, plain design %.1f ms: %.1f times "
      "faster\n",
      ours * 1e3, plain * 1e3, plain / ours);

  // One page: the whole run, and the part that is the write itself.
  const std::vector<TableRow> one = Rows(1, 1);
  std::uintmax_t one_size = 0;
  const double one_page = run(one, 50, &one_size);
  double write = 1e9;
  const std::string bytes(one_size, 'x');
  for (int r = 0; r < 50; ++r) {
    const auto t0 = Clock::now();
    if (!WriteFileAtomically(report, bytes).ok()) return 1;
    write = std::min(write, Seconds(Clock::now() - t0));
  }
  std::printf("1 page: %.2f ms (of which %.2f ms writing the file), %.1f KB\n",
              one_page * 1e3, write * 1e3, one_size / 1024.0);

  // Bytes a page adds: same set-up, then the three kinds of measurement.
  for (int kinds : {1, 3}) {
    std::uintmax_t first = 0, all = 0;
    run(Rows(1, kinds), 1, &first);
    run(Rows(1000, kinds), 1, &all);
    std::printf("%s: %.0f bytes/page beyond the first\n",
                kinds == 1 ? "same set-up" : "three kinds",
                double(all - first) / 999);
  }

  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak RSS %.1f MiB\n", usage.ru_maxrss / 1024.0);
  if (!keep) fs::remove_all(root);
  return 0;
}
