// Speed and memory of the photo report, through RunPhotoReport (what the
// button runs) with the real document, the real photo preparation on two
// worker threads and the atomic write, against the plain design
// (scripts/photo_baseline.py: Pillow and reportlab), in the same run on the
// same 300 photos of 4000 x 3000 pixels. Each report runs in a child
// process of its own, so that its peak resident memory is its own. Prints
// both times, their ratio, photos a second, the file's size and the peak
// memory of each, ours for a fifth of the photos as well (it must not grow
// with them). With --photos, the photos of DIR (real photographs made by
// scripts/real-photos.sh) stand in for the synthetic ones.
//   build/photo_report_bench [--keep DIR] [--photos DIR]
//   (--keep leaves the files in DIR)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "dossier/evidence.h"
#include "dossier/scan.h"
#include "photos/photo_report_tk.h"
#include "photos/photo_run.h"
#include "platform/fs.h"
#include "pdf/pdf_writer.h"
#include "image/photo_decode.h"
#include "platform/random.h"
#include "project/layout.h"

namespace {

namespace fs = std::filesystem;
using namespace zarvek;
using Clock = std::chrono::steady_clock;

constexpr int kPhotos = 300;
constexpr int kPoints = 10;

// The report of the first `limit` photos of the project at `root`, listed
// as the dossier would list them.
PhotoReportInput Input(const fs::path& root, int limit) {
  PhotoReportInput in;
  in.project_name = root.filename().string();
  in.fecha = "07/12/2026";
  in.matrix.headings = {"PUNTO", "FOTOS"};
  const ProjectLayout layout = ProjectLayout::AtRoot(root.string());
  int taken = 0;
  for (int p = 0; p < kPoints && taken < limit; ++p) {
    PointDossier point;
    point.code = std::to_string(1001 + p);
    point.has_photo_folder = true;
    for (const std::string& dir : layout.PointPhotoStageDirs(point.code)) {
      FolderCount stage;
      stage.state = FolderCount::State::kRead;
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(dir)) files.push_back(e);
      std::sort(files.begin(), files.end());
      for (const fs::path& f : files) {
        if (taken == limit) break;
        ++taken;
        stage.files.push_back(FoundFile{f.string(), f.filename().string(),
                                        fs::file_size(f), 1700000000,
                                        FileKind::kJpeg});
      }
      point.stages.push_back(std::move(stage));
    }
    in.matrix.rows.push_back(
        {{point.code, CellTone::kPlain, "", ""}, {"30", CellTone::kGood, "", ""}});
    in.bands[point.code] =
        PointBand{"QUENTARO R300", "INCLINADA", "1.4285 m", "1.5105 m"};
    in.scan.points.push_back(std::move(point));
  }
  return in;
}

int Child(const fs::path& root, int limit) {
  const PhotoReportInput in = Input(root, limit);
  PdfWriterDocumentFactory factory;
  PhotoRunControl control;
  const auto t0 = Clock::now();
  const PhotoRunOutcome out = RunPhotoReport(
      in, ProjectLayout::AtRoot(root.string()).PhotoReportPath(),
      PhotoRunServices{factory, SystemRandom(),
                       [](const PhotoJob& job) {
                         return PreparePhotoCell(RealFileSystem(), job);
                       },
                       2},
      control);
  const double t = std::chrono::duration<double>(Clock::now() - t0).count();
  if (out.result != PhotoRunOutcome::Result::kSaved || out.unreadable != 0) {
    std::fprintf(stderr, "report failed: %s\n", out.message.c_str());
    return 1;
  }
  std::printf("%.6f\n", t);
  return 0;
}

struct ChildRun {
  double seconds = -1;
  double cpu_seconds = 0;  // user and system, all threads
  double peak_mib = 0;
};

// Runs `args` as a child process; its printed seconds and peak memory.
ChildRun RunChild(const std::vector<std::string>& args) {
  ChildRun run;
  int out[2];
  if (pipe(out) != 0) return run;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buf[256];
  ssize_t n;
  while ((n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, n);
  close(out[0]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
  run.seconds = std::strtod(text.c_str(), nullptr);
  run.peak_mib = usage.ru_maxrss / 1024.0;
  run.cpu_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                    usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  return run;
}

// A 4000 x 3000 photo: a gradient with noise, so that it compresses like
// a phone's photo (a few MB) rather than like a flat picture.
std::string MakePhoto(int seed) {
  const int w = 4000, h = 3000;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  std::uint32_t state = 2463534242u + seed * 7919u;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      const int noise = static_cast<int>(state & 15) - 8;
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / w + noise, 0, 255));
      p[1] = static_cast<std::uint8_t>(
          std::clamp(y * 255 / h + noise + seed * 9, 0, 255));
      p[2] =
          static_cast<std::uint8_t>(std::clamp(128 + noise - seed * 5, 0, 255));
    }
  }
  std::string jpeg;
  if (!EncodeJpeg(rgb.data(), w, h, 3, 92, &jpeg).ok()) std::exit(1);
  return jpeg;
}

// Writes the 300 synthetic photos at `paths`, all dated, every fourth
// turned by its tag; made on two threads. Their bytes, or 0 on failure.
std::uintmax_t MakeSyntheticPhotos(const std::vector<fs::path>& paths) {
  std::atomic<std::uintmax_t> bytes{0};
  auto make = [&](std::size_t first) {
    for (std::size_t n = first; n < paths.size(); n += 2) {
      const std::string jpeg = MakePhoto(static_cast<int>(n));
      bytes += jpeg.size();
      std::FILE* f = std::fopen(paths[n].c_str(), "wb");
      std::fwrite(jpeg.data(), 1, jpeg.size(), f);
      std::fclose(f);
    }
  };
  std::thread second(make, 1);
  make(0);
  second.join();
  const std::string tags =
      "exiftool -q -overwrite_original '-DateTimeOriginal=2024:05:17 10:31:05' ";
  std::string all = tags, six = tags + "-Orientation#=6 ",
              eight = tags + "-Orientation#=8 ";
  for (std::size_t n = 0; n < paths.size(); ++n) {
    (n % 4 == 1 ? six : n % 4 == 3 ? eight : all) +=
        " '" + paths[n].string() + "'";
  }
  for (const std::string& c : {all, six, eight}) {
    if (std::system(c.c_str()) != 0) {
      std::fprintf(stderr, "exiftool failed\n");
      return 0;
    }
  }
  return bytes;
}

// The JPEG files of `dir`, in name order (scripts/real-photos.sh makes them).
std::vector<fs::path> RealPhotos(const fs::path& dir) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".jpg") found.push_back(e.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--child") {
    return Child(argv[2], std::stoi(argv[3]));
  }
  fs::path root =
      fs::temp_directory_path() / ("zarvek_photos_" + std::to_string(getpid()));
  bool keep = false;
  std::vector<fs::path> real;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--keep") {
      keep = true;
      root = argv[i + 1];
    } else if (flag == "--photos") {
      real = RealPhotos(argv[i + 1]);
      if (real.empty()) {
        std::fprintf(stderr, "no .jpg photos in %s\n", argv[i + 1]);
        return 1;
      }
    }
  }
  const int photos = real.empty() ? kPhotos : static_cast<int>(real.size());
  fs::create_directories(root);

  // Distinct photos (a plain design must not get away with sharing
  // identical pictures), spread over the stages of ten points.
  const ProjectLayout layout = ProjectLayout::AtRoot(root.string());
  std::vector<fs::path> paths;
  for (int p = 0; p < kPoints; ++p) {
    for (const std::string& d :
         layout.PointPhotoStageDirs(std::to_string(1001 + p))) {
      fs::create_directories(d);
    }
  }
  for (int n = 0; n < photos; ++n) {
    const std::string code = std::to_string(1001 + n % kPoints);
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.jpg", n);
    paths.push_back(fs::path(layout.PointPhotoStageDirs(code)[(n / kPoints) % 8]) /
                    name);
  }
  std::uintmax_t bytes = 0;
  if (real.empty()) {
    bytes = MakeSyntheticPhotos(paths);
    if (bytes == 0) return 1;
  } else {
    for (int n = 0; n < photos; ++n) {
      fs::copy_file(real[n], paths[n], fs::copy_options::overwrite_existing);
      bytes += fs::file_size(paths[n]);
    }
  }
  std::printf("%d %s photos, %.1f MB each on average\n", photos,
              real.empty() ? "synthetic 4000 x 3000" : "real", bytes / 1e6 / photos);

  const std::string self = fs::canonical("/proc/self/exe").string();
  const std::string report = layout.PhotoReportPath();
  ChildRun ours{1e9, 0};
  for (int r = 0; r < 3; ++r) {
    const ChildRun run = RunChild({self, "--child", root.string(), std::to_string(photos)});
    if (run.seconds < 0) return 1;
    if (run.seconds < ours.seconds) ours = run;
  }
  const std::uintmax_t size = fs::file_size(report);
  const ChildRun fewer = RunChild({self, "--child", root.string(), std::to_string(std::max(1, photos / 5))});
  const ChildRun plain =
      RunChild({"/usr/bin/python3",
                std::string(ZARVEK_SOURCE_DIR) + "/scripts/photo_baseline.py",
                layout.PhotosDir(), (root / "plain.pdf").string()});
  if (plain.seconds < 0) {
    std::fprintf(stderr, "the baseline did not run (python3-pil?)\n");
    return 1;
  }
  std::printf(
      "%d photos: %.2f s (%.0f photos/s), plain design %.2f s: %.1f times "
      "faster\n",
      photos, ours.seconds, photos / ours.seconds, plain.seconds,
      plain.seconds / ours.seconds);
  // On a machine shared with other work the times above stretch with the
  // load; the processor time each design used does not.
  std::printf(
      "processor time: %.2f s (%.1f ms a photo), plain design %.2f s (%.1f "
      "ms a photo): %.1f times less\n",
      ours.cpu_seconds, ours.cpu_seconds / photos * 1e3, plain.cpu_seconds,
      plain.cpu_seconds / photos * 1e3, plain.cpu_seconds / ours.cpu_seconds);
  std::printf("report %.1f MB, plain design's %.1f MB\n", size / 1e6,
              fs::file_size(root / "plain.pdf") / 1e6);
  std::printf(
      "peak RSS: %.1f MiB for %d photos, %.1f MiB for %d; plain design "
      "%.1f MiB\n",
      ours.peak_mib, photos, fewer.peak_mib, std::max(1, photos / 5),
      plain.peak_mib);
  // The checks of the photos that do not belong (the same photo twice, far
  // from the point, another day), as tab 3 runs them after its scan: what
  // they add to the report's time.
  double checks = 1e9;
  for (int r = 0; r < 3; ++r) {
    DossierScan scan = ScanDossier(RealFileSystem(), layout);
    const Clock::time_point start = Clock::now();
    FindPhotoEvidence(RealFileSystem(), &scan, EvidenceLimits{},
                      [](std::string_view bytes) {
                        const PhotoTags t = ReadPhotoTags(bytes);
                        PhotoWhenWhere w;
                        w.taken = t.taken;
                        if (t.gps) {
                          w.gps = GeoPoint{t.gps->latitude, t.gps->longitude};
                        }
                        return w;
                      });
    checks = std::min(
        checks,
        std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::printf("photo checks: %.3f s, %.1f %% of the report's time\n", checks,
              100 * checks / ours.seconds);
  if (!keep) fs::remove_all(root);
  return 0;
}
