// The package's ZIP writer against `zip -r -6` on the same tree, in the same
// run: a project of 40 photos (real ones with --photos DIR, made by
// scripts/real-photos.sh; else synthetic photo-sized files that do not
// compress), observation files and PDF-sized files of a few MB, and an
// empty folder. Both read the tree from a warm page cache; prints both
// times, their ratio and the sizes of the archives.
//   build/zip_bench [--photos DIR] [--keep DIR]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "delivery/package_file.h"

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// Photos (copied or synthetic), RINEX-like text and PDF-like files.
void MakeTree(const fs::path& root, const std::vector<fs::path>& photos) {
  std::mt19937 random(7);
  for (int n = 0; n < 40; ++n) {
    const fs::path to = root / "4. FOTOS" / std::to_string(n % 4 + 1) /
                        ("ETAPA " + std::to_string(n % 9 + 1)) /
                        ("IMG_" + std::to_string(n) + ".jpg");
    fs::create_directories(to.parent_path());
    if (!photos.empty()) {
      fs::copy_file(photos[n % photos.size()], to,
                    fs::copy_options::overwrite_existing);
      continue;
    }
    std::string bytes = "\xFF\xD8\xFF\xE1";
    bytes.resize(5 << 20);
    for (std::size_t i = 4; i < bytes.size(); ++i)
      bytes[i] = static_cast<char>(random());
    WriteBytes(to, bytes);
  }
  for (int n = 0; n < 6; ++n) {
    std::string text = "     3.04           OBSERVATION DATA    M\n";
    while (text.size() < (3u << 20)) {
      text += "> 2026 01 01 12 00 " + std::to_string(random() % 60) +
              ".0000000  0 12\nG01  " +
              std::to_string(20000000 + random() % 999999) + ".123 7  " +
              std::to_string(100000000 + random() % 9999999) + ".456 7\n";
    }
    WriteBytes(root / "2. DATOS GNSS" / std::to_string(n + 1) / "RINEX" /
                   ("P" + std::to_string(n) + ".26o"),
               text);
  }
  for (int n = 0; n < 3; ++n) {
    std::string pdf = "%PDF-1.7\n";
    while (pdf.size() < (2u << 20)) {
      pdf += "BT /F1 10 Tf 72 " + std::to_string(random() % 800) +
             " Td (ALTURA " + std::to_string(random() % 10000) + ") Tj ET\n";
      for (int i = 0; i < 64; ++i) pdf += static_cast<char>(random());
    }
    WriteBytes(root / ("INFORME " + std::to_string(n) + ".pdf"), pdf);
  }
  fs::create_directories(root / "5. VACÍA");
}

std::vector<zarvek::PackageEntry> Entries(const fs::path& root) {
  std::vector<zarvek::PackageEntry> entries;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    zarvek::PackageEntry entry;
    entry.name = Utf8(fs::relative(e.path(), root));
    entry.is_dir = e.is_directory();
    if (entry.is_dir && !fs::is_empty(e.path())) continue;
    if (!entry.is_dir) {
      entry.source = Utf8(e.path());
      entry.size = e.file_size();
    }
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return entries;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path work =
      fs::temp_directory_path() / ("zarvek_zip_" + std::to_string(getpid()));
  std::vector<fs::path> photos;
  bool keep = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--keep") {
      work = argv[i + 1];
      keep = true;
    } else if (flag == "--photos") {
      for (const auto& e : fs::directory_iterator(argv[i + 1])) {
        if (e.path().extension() == ".jpg") photos.push_back(e.path());
      }
      std::sort(photos.begin(), photos.end());
    }
  }
  const fs::path root = work / "p";
  fs::remove_all(work);
  MakeTree(root, photos);
  const auto entries = Entries(root);
  std::uint64_t bytes = 0;
  for (const auto& e : entries) bytes += e.size;
  std::printf("%zu entries, %.1f MB, %s photos\n", entries.size(), bytes / 1e6,
              photos.empty() ? "synthetic" : "real");
  // Both start from a warm page cache.
  for (const auto& e : entries) {
    if (!e.is_dir) {
      std::ifstream in(
          fs::path(std::u8string(e.source.begin(), e.source.end())),
          std::ios::binary);
      std::string sink((std::istreambuf_iterator<char>(in)), {});
    }
  }

  auto start = std::chrono::steady_clock::now();
  const std::string zip_cmd = "cd '" + root.string() + "' && zip -r -6 -q '" +
                              (work / "zip.zip").string() + "' .";
  if (std::system(zip_cmd.c_str()) != 0) std::fprintf(stderr, "zip failed\n");
  const double zip_s = Seconds(start);

  start = std::chrono::steady_clock::now();
  zarvek::PackageOptions options;
  options.program_version = "bench";
  const zarvek::Status status =
      zarvek::WritePackageFile(Utf8(work / "ours.zip"), entries, {}, options);
  const double ours_s = Seconds(start);
  if (!status.ok()) std::fprintf(stderr, "%s\n", status.message().c_str());

  std::printf("ours (with SHA-256 manifest): %.3f s, %.1f MB\n", ours_s,
              fs::file_size(work / "ours.zip") / 1e6);
  std::printf("zip -r -6:                    %.3f s, %.1f MB\n", zip_s,
              fs::file_size(work / "zip.zip") / 1e6);
  std::printf("ratio ours/zip: %.2f\n", ours_s / zip_s);
  if (!keep) fs::remove_all(work);
  return status.ok() ? 0 : 1;
}
