// A whole photo report of a small project made here, written by the real
// document and checked with the PDF tools a reader would trust: qpdf for
// the structure, pdfimages for the pictures, pdftotext for the captions.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "dossier/matrix.h"
#include "dossier/scan.h"
#include "pdf/pdf_writer.h"
#include "photos/photo_report_tk.h"
#include "photos/photo_run.h"
#include "platform/fs.h"
#include "platform/random.h"
#include "project/layout.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

void Shell(const std::string& command) {
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

std::string Output(const std::string& command, int* status = nullptr) {
  FILE* p = popen(command.c_str(), "r");
  std::string out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int rc = pclose(p);
  if (status != nullptr) *status = rc;
  return out;
}

FoundFile Found(const fs::path& p, FileKind kind) {
  FoundFile f;
  f.path = p.string();
  f.name = p.filename().string();
  f.size = fs::file_size(p);
  f.mtime_s = 1700000000;
  f.kind = kind;
  return f;
}

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A point 1001 whose first stage holds `files`, the other stages empty.
PhotoReportInput OnePoint(const ProjectLayout& layout,
                          std::vector<FoundFile> files) {
  PhotoReportInput in;
  in.project_name = "P";
  in.fecha = "07/12/2026";
  in.matrix.headings = {"PUNTO"};
  in.matrix.summary = "EXPEDIENTE COMPLETO";
  PointDossier p;
  p.code = "1001";
  p.has_photo_folder = true;
  p.stages.resize(kPhotoStages);
  const std::vector<std::string> stages = layout.PointPhotoStageDirs("1001");
  for (std::size_t i = 0; i < kPhotoStages; ++i) {
    p.stages[i].state = FolderCount::State::kRead;
    p.stages[i].path = stages[i];
  }
  p.stages[0].files = std::move(files);
  in.scan.points = {p};
  return in;
}

TEST(PhotoReportIoTest, SmallProjectMakesACheckedPdf) {
  testing::TempDir dir;
  const ProjectLayout layout = ProjectLayout::AtRoot(dir.path().string());
  const std::vector<std::string> stages = layout.PointPhotoStageDirs("1001");
  for (const std::string& s : stages) fs::create_directories(s);
  const fs::path first = stages[0], second = stages[1], videos = stages[8];
  Shell("convert -size 1600x1200 gradient:green-white '" +
        (first / "A.jpg").string() + "'");
  Shell(
      "exiftool -overwrite_original '-DateTimeOriginal=2024:05:17 10:31:05' "
      "-GPSLatitude=12.046374 -GPSLatitudeRef=S -GPSLongitude=77.042793 "
      "-GPSLongitudeRef=W '" +
      (first / "A.jpg").string() + "'");
  // Stored landscape, seen portrait.
  Shell("convert -size 1600x1200 gradient:blue-white '" +
        (first / "B.jpg").string() + "'");
  Shell("exiftool -overwrite_original -Orientation#=6 '" +
        (first / "B.jpg").string() + "'");
  {
    // A comment before A's EXIF block, as cameras and editors write one;
    // B cut short, printed as far as it goes.
    const std::string a = ReadBytes(first / "A.jpg");
    std::ofstream(first / "A.jpg", std::ios::binary | std::ios::trunc)
        << a.substr(0, 2) << std::string("\xFF\xFE\x00\x06nota", 8)
        << a.substr(2);
    const std::string b = ReadBytes(first / "B.jpg");
    std::ofstream(first / "B.jpg", std::ios::binary | std::ios::trunc)
        << b.substr(0, b.size() * 7 / 10);
  }
  Shell("convert -size 200x100 xc:orange '" + (first / "C.png").string() + "'");
  {
    std::ofstream(second / "nota.jpg") << "esto no es una foto";
    std::ofstream(videos / "v.mp4") << std::string(2'500'000, 'v');
  }

  PhotoReportInput in;
  in.project_name = dir.path().filename().string();
  in.fecha = "07/12/2026";
  in.matrix.headings = {"PUNTO", "FOTOS"};
  in.matrix.rows = {
      {{"1001", CellTone::kPlain, "", ""}, {"4", CellTone::kGood, "", ""}}};
  in.matrix.summary = "EXPEDIENTE COMPLETO";
  in.matrix.complete = true;
  PointDossier p;
  p.code = "1001";
  p.has_photo_folder = true;
  p.stages.resize(kPhotoStages);
  for (std::size_t i = 0; i < kPhotoStages; ++i) {
    p.stages[i].state = FolderCount::State::kRead;
    p.stages[i].path = stages[i];
  }
  p.stages[0].files = {Found(first / "A.jpg", FileKind::kJpeg),
                       Found(first / "B.jpg", FileKind::kJpeg),
                       Found(first / "C.png", FileKind::kPng)};
  p.stages[1].files = {Found(second / "nota.jpg", FileKind::kJpeg)};
  p.stages[8].files = {Found(videos / "v.mp4", FileKind::kVideo)};
  in.scan.points = {p};
  in.bands["1001"] =
      PointBand{"QUENTARO R300", "INCLINADA", "1.4285 m", "1.5105 m"};

  const std::string path = layout.PhotoReportPath();
  EXPECT_EQ(fs::path(path).filename().string(), "REPORTAJE FOTOGRÁFICO.pdf");
  PdfWriterDocumentFactory factory("QUENTARO V1.1");
  PhotoRunControl control;
  const PhotoRunOutcome out = RunPhotoReport(
      in, path,
      PhotoRunServices{factory, SystemRandom(),
                       [](const PhotoJob& job) {
                         return PreparePhotoCell(RealFileSystem(), job);
                       },
                       2, "María José Núñez"},
      control);
  ASSERT_EQ(out.result, PhotoRunOutcome::Result::kSaved) << out.message;
  EXPECT_EQ(out.photos, 4);
  EXPECT_EQ(out.unreadable, 2);  // nota.jpg, and B in part

  int status = 0;
  const std::string check = Output("qpdf --check '" + path + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << check;
  EXPECT_NE(check.find("No syntax or stream encoding errors"),
            std::string::npos)
      << check;
  // What the document says of itself; signing allowed, changing not; the
  // empty signature field on the last page, written after the pages were
  // streamed out.
  const std::string info = Output("pdfinfo -enc UTF-8 '" + path + "' 2>&1");
  for (const char* line :
       {"Title:           REPORTAJE FOTOGRÁFICO\n",
        "Subject:         FOTOGRAFÍAS DE CADA PUNTO POR FASE DE "
        "CONSTRUCCIÓN\n",
        "Author:          María José Núñez\n",
        "Creator:         QUENTARO V1.1\n", "Pages:           3\n"}) {
    EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
  }
  const std::string enc = Output("qpdf --show-encryption '" + path + "' 2>&1");
  for (const char* line : {"modify forms: allowed", "modify other: not allowed",
                           "modify annotations: not allowed"}) {
    EXPECT_NE(enc.find(line), std::string::npos) << line << "\n" << enc;
  }
  const std::string form =
      Output("qpdf --json --json-key=acroform '" + path + "' 2>&1");
  EXPECT_NE(form.find("\"fieldtype\": \"/Sig\""), std::string::npos) << form;
  EXPECT_NE(form.find("\"pageposfrom1\": 3"), std::string::npos) << form;

  // page num type width height color comp bpc enc ...
  const std::string list = Output("pdfimages -list '" + path + "'");
  std::istringstream lines(list);
  std::string line;
  std::vector<std::string> images;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string page, num, type, w, h, color, comp, bpc, enc;
    words >> page >> num >> type >> w >> h >> color >> comp >> bpc >> enc;
    if (type != "image") continue;
    images.push_back(w + "x" + h + " " + color + " " + enc);
  }
  // 1600 x 1200 printed 200 x 150 points at 150 dpi; the turned one 112.5 x
  // 150 points; the PNG re-encoded at its own size.
  EXPECT_EQ(images,
            (std::vector<std::string>{"417x313 rgb jpeg", "235x313 rgb jpeg",
                                      "200x100 rgb jpeg"}))
      << list;

  const std::string text = Output("pdftotext -layout '" + path + "' -");
  for (const char* expected :
       {"REPORTAJE FOTOGRÁFICO", "PROYECTO:", "EXPEDIENTE COMPLETO", "PUNTO",
        "1001", "A.jpg", "B.jpg", "C.png", "nota.jpg", "1. EQUIPO GNSS",
        "17/05/2024 10:31:05", "GPS: 12.046374° S, 77.042793° O",
        "(FECHA DEL ARCHIVO)", "FOTO DAÑADA: ARCHIVO INCOMPLETO",
        "NO SE PUDO LEER:", "NO ES UNA IMAGEN JPEG NI PNG", "SIN FOTOGRAFÍAS",
        "VÍDEO: v.mp4 — 2.5 MB", "ALTURA ARP: 1.4285 m"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  }
  // The files are the photos' only copies: the report never moves them.
  EXPECT_TRUE(fs::exists(first / "A.jpg"));
  for (const auto& e : fs::directory_iterator(layout.PhotosDir())) {
    EXPECT_EQ(e.path().extension(), e.is_directory() ? "" : ".pdf") << e.path();
  }
}

// A 1,000-point project in which every point lacks several things (some
// all their photo folders), its RINEX verdicts the longest there are, and
// warnings: the report's first pages, read back as a reader would, hold
// the table's headings on every page of the table, every missing element
// and every warning, each whole on a line of its own, and the tab's marks
// as themselves, never cut or turned into "?".
TEST(PhotoReportIoTest, AThousandPointTablePrintsWhole) {
  DossierScan scan;
  const char* verdicts[] = {"✓", "✗ 1.5000", "✗ COPIA DESACTUALIZADA", "—"};
  std::map<std::string, std::string> rinex, height;
  for (int i = 0; i < 1000; ++i) {
    PointDossier p;
    p.code = std::to_string(5001 + i);
    p.gnss_folder = "/p/2. DATOS GNSS/" + p.code;
    p.native = FolderCount{FolderCount::State::kRead, "/p/n", "", {}};
    if (i % 2 == 0) p.native->files.push_back(FoundFile{"/p/n/a.T02", "a.T02"});
    p.has_photo_folder = i % 7 != 0;
    if (p.has_photo_folder) {
      p.photo_folder = "/p/3. FOTOGRAFIAS/" + p.code;
      p.stages.resize(kPhotoStages);
      for (std::size_t s = 0; s < kPhotoStages; ++s) {
        p.stages[s].state = (i + s) % 3 == 0 ? FolderCount::State::kMissing
                                             : FolderCount::State::kRead;
      }
    }
    rinex[p.code] = verdicts[i % 4];
    height[p.code] = i % 5 == 0 ? "—" : "1.4321";
    scan.points.push_back(std::move(p));
  }
  scan.points_found = scan.points.size();
  PointCellSources sources;
  sources.rinex = [&](const std::string& code) { return rinex[code]; };
  sources.height = [&](const std::string& code) { return height[code]; };
  sources.session = [](const std::string& code, std::string*) {
    return code.back() == '7' ? std::string("—")
                              : std::string("12 h 05 min · 0.5 s · 100 %");
  };
  PhotoReportInput in;
  in.project_name = "OBRA";
  in.fecha = "07/12/2026";
  in.matrix = BuildDossierMatrix(scan, sources);
  for (int i = 0; i < 1000; i += 9) {
    in.matrix.warnings.push_back(std::to_string(5001 + i) +
                                 ": FOTO A 1,2 KM DEL PUNTO");
  }
  in.scan = scan;
  ASSERT_GT(in.matrix.missing.size(), 4000u);

  testing::TempDir dir;
  const std::string path = (dir.path() / "R.pdf").string();
  PdfWriterDocumentFactory factory;
  PhotoRunControl control;
  const PhotoRunOutcome out = RunPhotoReport(
      in, path,
      PhotoRunServices{factory, SystemRandom(),
                       [](const PhotoJob&) { return PhotoCell{}; }, 2},
      control);
  ASSERT_EQ(out.result, PhotoRunOutcome::Result::kSaved) << out.message;

  std::size_t table_pages = 0;
  for (const PlannedPage& page : PlanPhotoReport(in).pages) {
    table_pages += page.matrix && page.matrix_rows > 0;
  }
  // Each line of the text, its runs of spaces made one.
  std::map<std::string, int> lines;
  std::istringstream text(Output("pdftotext -layout '" + path + "' -"));
  for (std::string line; std::getline(text, line);) {
    std::istringstream words(line);
    std::string joined;
    for (std::string w; words >> w;) joined += (joined.empty() ? "" : " ") + w;
    ++lines[joined];
    EXPECT_EQ(line.find("…"), std::string::npos) << line;
    EXPECT_EQ(line.find('?'), std::string::npos) << line;
  }
  std::string headings;
  for (const std::string& h : in.matrix.headings) {
    headings += (headings.empty() ? "" : " ") + h;
  }
  EXPECT_EQ(headings,
            "PUNTO NATIVA RINEX SESIÓN ALTURA 1 2 3 4 5 6 7 08 09 AVISOS");
  EXPECT_EQ(lines[headings], static_cast<int>(table_pages));
  for (const std::string& missing : in.matrix.missing) {
    EXPECT_EQ(lines[missing], 1) << missing;
  }
  for (const std::string& warning : in.matrix.warnings) {
    EXPECT_EQ(lines[warning], 1) << warning;
  }
  EXPECT_EQ(lines["PUNTO 5002: RINEX POR REVISAR (✗ 1.5000)"], 1);
  int ticks = 0, sessions = 0;
  for (const auto& [line, n] : lines) {
    ticks += line.find("✓") != std::string::npos ? n : 0;
    sessions += line.find("100 %") != std::string::npos ? n : 0;
  }
  EXPECT_GT(ticks, 0);
  EXPECT_GE(sessions, 900);
}

// Four progressive JPEGs of under 1 KB whose headers claim 15,811 x 15,811
// pixels and a 12-bit one, beside good photos: the report is made in
// bounded memory (its process's peak, measured in a child of its own), each
// refused photo a grey box with its reason, and the good ones after them
// all come out.
TEST(PhotoReportIoTest, HostilePhotosNeitherTakeTheMemoryNorSpoilTheOthers) {
  testing::TempDir dir;
  const ProjectLayout layout = ProjectLayout::AtRoot(dir.path().string());
  const std::vector<std::string> stages = layout.PointPhotoStageDirs("1001");
  for (const std::string& s : stages) fs::create_directories(s);
  const fs::path first = stages[0];
  Shell("convert -size 16x16 xc:red -interlace JPEG '" +
        (first / "p.jpg").string() + "'");
  std::string bomb = ReadBytes(first / "p.jpg");
  const std::size_t sof2 = bomb.find("\xFF\xC2");
  ASSERT_NE(sof2, std::string::npos);
  bomb.replace(sof2 + 5, 4, "\x3D\xC3\x3D\xC3");  // 15811 x 15811
  ASSERT_LT(bomb.size(), 1000u);
  Shell("convert -size 1600x1200 gradient:green-white '" +
        (first / "Z1.jpg").string() + "'");
  Shell("convert -size 800x600 gradient:blue-white -interlace JPEG '" +
        (first / "Z2.jpg").string() + "'");
  std::string deep = ReadBytes(first / "Z1.jpg");
  const std::size_t sof0 = deep.find("\xFF\xC0");
  ASSERT_NE(sof0, std::string::npos);
  deep[sof0 + 4] = 12;  // 12 bits a sample
  std::vector<FoundFile> files;
  for (const char* name : {"B1.jpg", "B2.jpg", "B3.jpg", "B4.jpg", "D.jpg"}) {
    std::ofstream(first / name, std::ios::binary)
        << (*name == 'D' ? deep : bomb);
    files.push_back(Found(first / name, FileKind::kJpeg));
  }
  files.push_back(Found(first / "Z1.jpg", FileKind::kJpeg));
  files.push_back(Found(first / "Z2.jpg", FileKind::kJpeg));
  const PhotoReportInput in = OnePoint(layout, files);
  const std::string path = layout.PhotoReportPath();

  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipe_fds[0]);
    PdfWriterDocumentFactory factory;
    PhotoRunControl control;
    const PhotoRunOutcome out = RunPhotoReport(
        in, path,
        PhotoRunServices{factory, SystemRandom(),
                         [](const PhotoJob& job) {
                           return PreparePhotoCell(RealFileSystem(), job);
                         },
                         2},
        control);
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const long values[3] = {
        out.result == PhotoRunOutcome::Result::kSaved ? 1 : 0, out.unreadable,
        usage.ru_maxrss};
    const ssize_t written = write(pipe_fds[1], values, sizeof values);
    _exit(written == sizeof values ? 0 : 1);
  }
  close(pipe_fds[1]);
  long values[3] = {0, 0, 0};
  const ssize_t got = read(pipe_fds[0], values, sizeof values);
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(got, static_cast<ssize_t>(sizeof values));
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], 5);
  EXPECT_LT(values[2], 150 * 1024) << "peak RSS in KiB";

  const std::string text = Output("pdftotext -layout '" + path + "' -");
  std::size_t refused = 0;
  for (std::size_t at = text.find("IMAGEN DEMASIADO GRANDE (15811 × 15811");
       at != std::string::npos;
       at = text.find("IMAGEN DEMASIADO GRANDE (15811 × 15811", at + 1)) {
    ++refused;
  }
  EXPECT_EQ(refused, 4u) << text;
  EXPECT_NE(text.find("JPEG DAÑADO"), std::string::npos) << text;
  const std::string list = Output("pdfimages -list '" + path + "'");
  EXPECT_NE(list.find("417   313"), std::string::npos) << list;
}

// A photo its user may not open (mode 000 beside a readable one) counts in
// the scan as a photo that cannot be read, with the system's reason, and
// the report draws its grey box with that reason. Root reads it anyway:
// dossier/matrix_test.cc counts such a photo from an injected failure.
TEST(PhotoReportIoTest, APhotoTheUserCannotOpenCountsWithTheSystemsReason) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root opens a file of mode 000; the counting is tested "
                    "with an injected failure in dossier/matrix_test.cc";
  }
  testing::TempDir dir;
  const ProjectLayout layout = ProjectLayout::AtRoot(dir.path().string());
  const std::vector<std::string> stages = layout.PointPhotoStageDirs("1001");
  for (const std::string& s : stages) fs::create_directories(s);
  const fs::path first = stages[0];
  Shell("convert -size 64x48 xc:red '" + (first / "A.jpg").string() + "'");
  Shell("convert -size 64x48 xc:red '" + (first / "B.jpg").string() + "'");
  ASSERT_EQ(chmod((first / "B.jpg").c_str(), 0), 0);
  const DossierScan scan = ScanDossier(RealFileSystem(), layout);
  ASSERT_EQ(scan.points.size(), 1u);
  ASSERT_EQ(scan.points[0].stages.size(), kPhotoStages);
  const std::vector<FoundFile>& files = scan.points[0].stages[0].files;
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].kind, FileKind::kJpeg);
  EXPECT_EQ(files[1].kind, FileKind::kUnreadable);
  EXPECT_NE(files[1].error.find("Permission denied"), std::string::npos)
      << files[1].error;
  const PhotoCell cell = PreparePhotoCell(
      RealFileSystem(), PhotoJob{files[1].path, files[1].name, files[1].kind,
                                 files[1].mtime_s, 0});
  EXPECT_FALSE(cell.readable);
  EXPECT_NE(cell.failure.find("Permission denied"), std::string::npos)
      << cell.failure;
  chmod((first / "B.jpg").c_str(), 0644);
}

}  // namespace
}  // namespace zarvek
