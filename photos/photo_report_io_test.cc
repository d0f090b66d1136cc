// A whole photo report of a small project made here, written by the real
// document and checked with the PDF tools a reader would trust: qpdf for
// the structure, pdfimages for the pictures, pdftotext for the captions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "photos/photo_report_tk.h"
#include "photos/photo_run.h"
#include "platform/fs.h"
#include "platform/pdf_writer.h"
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
  return FoundFile{p.string(), p.filename().string(), fs::file_size(p),
                   1700000000, kind};
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
  ASSERT_EQ(out.result, PhotoRunOutcome::Result::kSaved) << out.message;
  EXPECT_EQ(out.photos, 4);
  EXPECT_EQ(out.unreadable, 1);

  int status = 0;
  const std::string check = Output("qpdf --check '" + path + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << check;
  EXPECT_NE(check.find("No syntax or stream encoding errors"),
            std::string::npos)
      << check;

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
        "(FECHA DEL ARCHIVO)",
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

}  // namespace
}  // namespace zarvek
