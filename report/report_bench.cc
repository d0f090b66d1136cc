// Speed and size of a whole report run: N complete rows (all three kinds of
// measurement, every picture present) through the real canvas, qpdf
// protection and the atomic write. Prints pages per second, file bytes per
// page beyond the first, and the peak memory.
//   build/report_bench
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "platform/fs.h"
#include "platform/pdf_writer.h"
#include "platform/random.h"
#include "report/report.h"

namespace {

namespace fs = std::filesystem;
using namespace zarvek;

std::vector<RowInput> Rows(int n, int kinds_used = 3) {
  const RowInput kinds[] = {
      {"", "QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5"},
      {"", "QUENTARO R700", "INCLINADA", "BÍPODE Y BASTÓN", "R2", "1.6"},
      {"", "QUENTARO R100", "VERTICAL", "BASTÓN", "R3", "2"},
  };
  std::vector<RowInput> rows;
  for (int i = 0; i < n; ++i) {
    RowInput row = kinds[i % kinds_used];
    row.codigo = std::to_string(1000 + i);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

int main() {
  const fs::path root =
      fs::temp_directory_path() / ("zarvek_bench_" + std::to_string(getpid()));
  fs::create_directories(root / "2. DATOS GNSS");
  const std::string resources = std::string(ZARVEK_BINARY_DIR) + "/resources/";
  Catalogue catalogue = BuildEquiposSpecs();
  PdfWriterDocumentFactory factory;
  ReportServices services{
      catalogue, factory, SystemRandom(),
      ResourceLookup{
          [&](const std::string& n) { return resources + n; },
          [](const std::string& p) { return RealFileSystem().Exists(p); }}};

  std::uintmax_t one_page_size = 0;
  for (int n : {1, 10, 100, 1000}) {
    std::vector<RowInput> rows = Rows(n);
    const int repeats = n >= 1000 ? 3 : n >= 100 ? 10 : 20;
    double best = 1e9;
    for (int r = 0; r < repeats; ++r) {
      auto t0 = std::chrono::steady_clock::now();
      ReportOutcome outcome =
          RunConversionReport(root.string(), rows, "07/12/2026", services);
      auto t1 = std::chrono::steady_clock::now();
      if (outcome.open_path.empty()) {
        std::fprintf(stderr, "%s\n", outcome.text.c_str());
        return 1;
      }
      best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    const std::uintmax_t size =
        fs::file_size(root / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf");
    if (n == 1) one_page_size = size;
    std::printf("%5d pages: %8.1f ms  %7.0f pages/s  file %8.1f KB", n,
                best * 1e3, n / best, size / 1024.0);
    if (n > 1) {
      std::printf("  %6.0f bytes/page beyond the first",
                  double(size - one_page_size) / (n - 1));
    }
    std::printf("\n");
  }
  // Pages that all show the same set-up: what each further page costs once
  // every picture is in the file.
  {
    std::uintmax_t sizes[2];
    int counts[2] = {1, 1000};
    for (int k = 0; k < 2; ++k) {
      ReportOutcome outcome = RunConversionReport(
          root.string(), Rows(counts[k], 1), "07/12/2026", services);
      if (outcome.open_path.empty()) return 1;
      sizes[k] =
          fs::file_size(root / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf");
    }
    std::printf("same set-up on every page: %.0f bytes/page beyond the first\n",
                double(sizes[1] - sizes[0]) / (counts[1] - counts[0]));
  }
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak RSS %.1f MiB\n", usage.ru_maxrss / 1024.0);
  fs::remove_all(root);
  return 0;
}
