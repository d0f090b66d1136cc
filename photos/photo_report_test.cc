// The photo report's pages on the recording canvas, drawn through a whole
// run with photos prepared on two threads: what each page holds, in which
// order, and what a cancel leaves.
#include "photos/photo_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "pdf/pdf_fonts.h"
#include "photos/photo_run.h"
#include "project/layout.h"
#include "testing/recording_canvas.h"
#include "testing/seeded_random.h"
#include "text/utf8_text.h"

namespace zarvek {
namespace {

FoundFile File(const std::string& name, FileKind kind,
               std::uint64_t size = 1000) {
  FoundFile f;
  f.path = "/p/" + name;
  f.name = name;
  f.size = size;
  f.kind = kind;
  return f;
}

FolderCount Read(std::vector<FoundFile> files) {
  FolderCount f;
  f.state = FolderCount::State::kRead;
  f.files = std::move(files);
  return f;
}

// Point 1001: seven photos in stage 1, stage 2 read and empty, a photo
// that cannot be read and a HEIF photo in stage 4, two videos and a stray file
// in stage 9, the rest missing; point 1002 has no photo folder at all. 80
// matrix rows, ten missing elements and a warning.
PhotoReportInput Project() {
  PhotoReportInput in;
  in.project_name = "OBRA NORTE";
  in.fecha = "07/12/2026";
  in.matrix.headings = {"PUNTO", "NATIVA", "RINEX", "FOTOS"};
  for (int i = 0; i < 80; ++i) {
    in.matrix.rows.push_back(
        {{"R" + std::to_string(i), CellTone::kPlain, "", ""},
         {"✓", CellTone::kGood, "", ""},
         {"✗ NO EXISTE", CellTone::kMissing, "", ""},
         {"3", CellTone::kPlain, "", ""}});
  }
  // As the tab gives it: the count, then a line naming the first lacks.
  in.matrix.summary =
      "FALTAN 80 ELEMENTOS EN 2 PUNTOS:\nPUNTO 1002: SIN FOTOS; … Y 79 MÁS.";
  for (int i = 0; i < 10; ++i) {
    in.matrix.missing.push_back("PUNTO R" + std::to_string(i) +
                                ": SIN FOTOS DE 1. EQUIPO GNSS");
  }
  in.matrix.warnings = {"1001: MISMA FOTO QUE 1002 / 1. EQUIPO GNSS / A.jpg"};
  PointDossier p;
  p.code = "1001";
  p.has_photo_folder = true;
  p.stages.resize(kPhotoStages);
  std::vector<FoundFile> first;
  for (int i = 1; i <= 7; ++i) {
    first.push_back(File("IMG_" + std::to_string(i) + ".jpg", FileKind::kJpeg));
  }
  first[1].warnings = {"MISMA FOTO QUE 1002 / 1. EQUIPO GNSS / X.jpg",
                       "FOTO A 350 M DEL PUNTO"};
  first[6].warnings = {"FOTO DEL 16/04/2024, 31 DÍAS ANTES DE LA OBSERVACIÓN"};
  p.stages[0] = Read(first);
  p.stages[1] = Read({});
  p.stages[3] = Read({File("BLOQUEADA.jpg", FileKind::kUnreadable),
                      File("CASA.heic", FileKind::kHeif)});
  p.stages[8] = Read({File("vuelta.mp4", FileKind::kVideo, 12'345'678),
                      File("Thumbs.db", FileKind::kOther),
                      File("b.mov", FileKind::kVideo)});
  in.scan.points.push_back(p);
  PointDossier q;
  q.code = "1002";
  q.warnings = {"VÍDEO EN 1. EQUIPO GNSS: VID_0001.mp4",
                "CARPETA CON OTRO NOMBRE: 05. Incrustacion del disco de bronce "
                "copiado desde la tarjeta del telefono del ayudante de campo",
                "FOTO EN 09. VÍDEOS: " + std::string(150, 'A') + ".jpg"};
  in.scan.points.push_back(q);
  in.bands["1001"] = PointBand{"QUENTARO R300", "INCLINADA · TRÍPODE · R1",
                               "1.4285 m", "1.5105 m"};
  return in;
}

// A photo as a fake preparation makes it: its bytes are its name, so the
// log shows which photo went where; HEIF is refused. Random delays on two
// threads make them finish out of order.
PhotoCell FakePrepare(const PhotoJob& job) {
  std::this_thread::sleep_for(
      std::chrono::microseconds(std::hash<std::string>()(job.name) % 3000));
  PhotoCell cell;
  if (job.kind == FileKind::kHeif) {
    cell.failure = "FORMATO HEIF NO ADMITIDO";
    return cell;
  }
  if (job.name == "BLOQUEADA.jpg") {
    cell.failure = "Permission denied: " + job.path;
    return cell;
  }
  cell.readable = true;
  cell.picture = JpegPicture{job.name, 400, 300, 3};
  cell.when = job.name == "IMG_1.jpg"
                  ? "17/05/2024 10:31:05"
                  : "01/02/2025 08:00:00 " + std::string(kFileDateMark);
  if (job.name == "IMG_1.jpg") cell.where = FormatGps(-12.046374, -77.042793);
  if (job.name == "IMG_7.jpg") {
    cell.damage = "ARCHIVO INCOMPLETO";
    cell.where = FormatGps(1.5, -2.25);
  }
  return cell;
}

std::string Str(const std::string& text) { return "\"" + text + "\""; }

// The y of a logged "drawString x y "text"".
double Y(const std::string& line) {
  const std::size_t x = line.find(' ');
  return std::stod(line.substr(line.find(' ', x + 1) + 1));
}

int CountText(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind("draw", 0) == 0 &&
               l.find(Str(text)) != std::string::npos;
      }));
}

TEST(PhotoReportTest, PagesHoldTheTableThenEachPointsStagesInOrder) {
  const PhotoReportInput in = Project();
  RecordingDocumentFactory factory;
  SeededRandom rng(7);
  PhotoRunControl control;
  const PhotoRunOutcome out = RunPhotoReport(
      in, "/p/R.pdf", PhotoRunServices{factory, rng, FakePrepare, 2}, control);
  ASSERT_EQ(out.result, PhotoRunOutcome::Result::kSaved) << out.message;
  EXPECT_EQ(out.photos, 9);
  EXPECT_EQ(out.unreadable, 3);  // the damaged photo among them
  EXPECT_EQ(control.done, 9);
  ASSERT_EQ(factory.saves().size(), 1u);
  EXPECT_EQ(factory.saves()[0].path, "/p/R.pdf");
  EXPECT_EQ(factory.saves()[0].owner_password.size(), 32u);

  RecordingCanvas& c = factory.canvas(0);
  const int pages = c.pages_shown();
  std::vector<std::vector<std::string>> page(pages);
  std::vector<std::string> all;
  for (int i = 0; i < pages; ++i) {
    page[i] = c.page(i);
    all.insert(all.end(), page[i].begin(), page[i].end());
    EXPECT_EQ(CountText(page[i], "PÁGINA " + std::to_string(i + 1) + " DE " +
                                     std::to_string(pages)),
              1)
        << i;
  }
  // The table: every row once, over two pages; the second says it continues
  // and repeats the headings.
  for (int r = 0; r < 80; ++r) {
    EXPECT_EQ(CountText(all, "R" + std::to_string(r)), 1) << r;
  }
  EXPECT_EQ(CountText(page[0], "PROYECTO: OBRA NORTE"), 1);
  // The summary's count heads the page; the names it cuts short follow the
  // table, every one of them, and then the warnings.
  EXPECT_EQ(CountText(page[0], "FALTAN 80 ELEMENTOS EN 2 PUNTOS:"), 1);
  EXPECT_EQ(CountText(all, "PUNTO 1002: SIN FOTOS; … Y 79 MÁS."), 0);
  EXPECT_EQ(CountText(page[0], "R0"), 1);
  EXPECT_EQ(CountText(page[1], "EXPEDIENTE (CONTINUACIÓN)"), 1);
  EXPECT_EQ(CountText(page[1], "PUNTO"), 1);
  EXPECT_EQ(CountText(page[1], "R79"), 1);
  EXPECT_EQ(CountText(page[1], "ELEMENTOS QUE FALTAN (10):"), 1);
  for (int r = 0; r < 10; ++r) {
    EXPECT_EQ(CountText(all, "PUNTO R" + std::to_string(r) +
                                 ": SIN FOTOS DE 1. EQUIPO GNSS"),
              1)
        << r;
  }
  EXPECT_EQ(CountText(page[1], "AVISOS (1):"), 1);
  EXPECT_EQ(
      CountText(all, "1001: MISMA FOTO QUE 1002 / 1. EQUIPO GNSS / A.jpg"), 1);
  // The tab's marks are text in the page's fonts.
  EXPECT_EQ(CountText(all, "✗ NO EXISTE"), 80);
  EXPECT_EQ(CountText(all, "✓"), 80);

  // Photos: six at most a page, in folder order whatever thread made them.
  std::vector<std::string> order;
  for (int i = 0; i < pages; ++i) {
    int on_page = 0;
    for (const std::string& l : page[i]) {
      if (l.rfind("drawJpeg ", 0) != 0) continue;
      ++on_page;
      order.push_back(l.substr(l.rfind(' ') + 1));
    }
    EXPECT_LE(on_page, 6) << i;
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "IMG_1.jpg", "IMG_2.jpg", "IMG_3.jpg", "IMG_4.jpg",
                       "IMG_5.jpg", "IMG_6.jpg", "IMG_7.jpg"}));
  // Point 1001 begins on page 3 with its band and six photos; the seventh
  // continues the stage on page 4.
  EXPECT_EQ(CountText(page[2], "1001"), 1);
  EXPECT_EQ(CountText(page[2], "RECEPTOR: QUENTARO R300"), 1);
  EXPECT_EQ(CountText(page[2], "ALTURA ARP: 1.4285 m"), 1);
  EXPECT_EQ(CountText(page[3], "PUNTO 1001 (CONTINUACIÓN)"), 1);
  EXPECT_EQ(CountText(page[3], "1. EQUIPO GNSS (CONTINUACIÓN)"), 1);

  // Captions: name, stage, when and where.
  EXPECT_EQ(CountText(page[2], "IMG_1.jpg"), 1);
  EXPECT_EQ(CountText(page[2], "1. EQUIPO GNSS"), 7);  // heading + 6
  EXPECT_EQ(CountText(page[2], "17/05/2024 10:31:05"), 1);
  EXPECT_EQ(CountText(page[2], "GPS: 12.046374° S, 77.042793° O"), 1);
  EXPECT_EQ(CountText(page[2], "01/02/2025 08:00:00 (FECHA DEL ARCHIVO)"), 5);
  // The HEIF photo and the one that cannot be read are grey cells with
  // their reasons; videos are listed.
  EXPECT_EQ(CountText(all, "NO SE PUDO LEER:"), 2);
  EXPECT_EQ(CountText(all, "FORMATO HEIF NO ADMITIDO"), 1);
  EXPECT_EQ(CountText(all, "Permission denied: /p/BLOQUEADA.jpg"), 1);
  // A damaged photo is shown, as far as it goes, and says so.
  EXPECT_EQ(CountText(page[3], "FOTO DAÑADA: ARCHIVO INCOMPLETO"), 1);
  EXPECT_EQ(CountText(all, "FOTO DAÑADA: ARCHIVO INCOMPLETO"), 1);
  // A photo that does not belong says why in red as its caption's last
  // line, inside the caption's four lines: its date and place then share
  // one.
  const std::string warned[] = {
      "MISMA FOTO QUE 1002 / 1. EQUIPO GNSS / X.jpg · FOTO A 350 M DEL PUNTO",
      "FOTO DEL 16/04/2024, 31 DÍAS ANTES DE LA OBSERVACIÓN"};
  for (const std::string& text : warned) {
    ASSERT_EQ(CountText(all, text), 1) << text;
    auto at = std::find_if(all.begin(), all.end(), [&](const std::string& l) {
      return l.find(Str(text)) != std::string::npos;
    });
    auto fill = at;
    while (fill->rfind("setFillColorRGB", 0) != 0) --fill;
    EXPECT_EQ(*fill, "setFillColorRGB 0.75 0.13 0.13") << text;
    // The fourth caption line: 4 x 8.5 below the photo's box, whose foot is
    // the y of the name's line plus 8.5.
    auto name = at;
    do {
      --name;
    } while (name->rfind("drawString ", 0) != 0 ||
             name->compare(name->size() - 5, 5, ".jpg\"") != 0);
    EXPECT_NEAR(Y(*name) - Y(*at), 3 * 8.5, 0.01) << *name << " / " << *at;
  }
  EXPECT_EQ(CountText(page[3],
                      "01/02/2025 08:00:00 (FECHA DEL ARCHIVO)   "
                      "GPS: 1.500000° N, 2.250000° O"),
            1);
  EXPECT_EQ(CountText(all, "2 FOTOGRAFÍAS"), 1);  // stage 4's heading
  EXPECT_EQ(CountText(all, "VÍDEO: vuelta.mp4 — 12.3 MB"), 1);
  EXPECT_EQ(CountText(all, "VÍDEO: b.mov — 0.0 MB"), 1);
  // Empty stages: six of 1001 (stage 2 empty, 3 and 5-8 missing) and the
  // eight photo stages of 1002, which has no band data, each in red; 1002's
  // empty videos stage says so in grey, for videos are not required.
  EXPECT_EQ(CountText(all, "SIN FOTOGRAFÍAS"), 14);
  EXPECT_EQ(CountText(all, "SIN VÍDEOS"), 1);
  EXPECT_EQ(CountText(all, "SIN DATOS DE MEDICIÓN"), 1);
  for (std::size_t i = 0; i < all.size(); ++i) {
    const bool photos = all[i].find(Str("SIN FOTOGRAFÍAS")) != std::string::npos;
    if (!photos && all[i].find(Str("SIN VÍDEOS")) == std::string::npos) continue;
    std::size_t j = i;
    while (all[j].rfind("setFillColorRGB", 0) != 0) --j;
    EXPECT_EQ(all[j] == "setFillColorRGB 0.75 0.13 0.13", photos) << all[i];
  }
  // Stages come in folder order on each point's pages, the videos' with
  // the word spelled as everywhere else.
  std::size_t last = 0;
  for (std::size_t s = 0; s < kPhotoStages; ++s) {
    const std::string stage(PhotoStageTitle(s));
    auto it = std::find_if(all.begin() + last, all.end(), [&](auto& l) {
      return l.find(Str(stage)) != std::string::npos;
    });
    ASSERT_NE(it, all.end()) << stage;
    last = it - all.begin();
  }
  EXPECT_EQ(CountText(all, "09. VÍDEOS"), 2);
  EXPECT_EQ(CountText(all, "09. VIDEOS"), 0);

  // Point 1002's warnings, in red under its band on its first page, each
  // broken between words (a word too long for a line inside it) into lines
  // that fit the page; nothing of them is lost.
  const auto first1002 = std::find_if(page.begin(), page.end(), [](auto& p) {
    return CountText(p, "SIN DATOS DE MEDICIÓN") == 1;
  });
  ASSERT_NE(first1002, page.end());
  std::string printed, fill;
  int lines = 0;
  for (const std::string& l : *first1002) {
    if (l.rfind("setFillColorRGB", 0) == 0) fill = l;
    const std::size_t quote = l.find('"');
    if (l.rfind("drawString", 0) != 0 || quote == std::string::npos) continue;
    const std::string text = l.substr(quote + 1, l.size() - quote - 2);
    if (text.rfind("AVISO:", 0) != 0 && text.rfind("   ", 0) != 0) continue;
    ++lines;
    EXPECT_EQ(fill, "setFillColorRGB 0.75 0.13 0.13") << text;
    EXPECT_LE(Utf8Length(text), 88u) << text;
    EXPECT_EQ(text.find("…"), std::string::npos) << text;
    printed += text;
  }
  std::string expected;
  for (const std::string& w : in.scan.points[1].warnings) {
    expected += "AVISO:" + w;
  }
  printed.erase(std::remove(printed.begin(), printed.end(), ' '),
                printed.end());
  expected.erase(std::remove(expected.begin(), expected.end(), ' '),
                 expected.end());
  EXPECT_EQ(printed, expected);
  EXPECT_GE(lines, 6);
}

MatrixCell Cell(std::string text, CellTone tone = CellTone::kPlain) {
  MatrixCell cell;
  cell.text = std::move(text);
  cell.tone = tone;
  return cell;
}

// A matrix as the tab builds it, with an AVISOS column: codes, counts, the
// RINEX verdicts (the longest among them), heights, photo counts and missing
// stage folders.
DossierMatrix TabMatrix(int points) {
  DossierMatrix m;
  m.headings = {"PUNTO", "NATIVA", "RINEX", "SESIÓN", "ALTURA",
                "1",     "2",      "3",     "4",      "5",
                "6",     "7",      "08",    "09",     "AVISOS"};
  const char* verdicts[] = {"✓", "✗ 1.5000", "✗ COPIA DESACTUALIZADA",
                            "—", "?",        "✓ C"};
  for (int p = 0; p < points; ++p) {
    std::vector<MatrixCell> row = {
        {std::to_string(1001 + p), CellTone::kPlain, "", ""},
        {"3", CellTone::kGood, "", ""},
        {verdicts[p % 6], CellTone::kMissing, "", ""},
        {p % 7 == 0 ? "—" : "12 h 05 min · 0.5 s · 100 %", CellTone::kPlain, "",
         ""},
        {p % 4 == 0 ? "—" : "1.4321", CellTone::kGood, "", ""}};
    for (int s = 0; s < 9; ++s) {
      row.push_back(p % 5 == 0 ? Cell("✗ NO EXISTE", CellTone::kMissing)
                               : Cell("12*?", CellTone::kGood));
    }
    row.push_back(Cell(p % 3 == 0 ? "FOTO A 1,2 KM DEL PUNTO" : ""));
    m.rows.push_back(std::move(row));
  }
  return m;
}

// Every table, however many and wide its columns and long its texts, is
// printed whole: each text inside its own column, wrapped rather than cut,
// in order, above the page's foot; the tab's own table without breaking
// a word, at its normal size.
TEST(PhotoReportTest, TheTablePrintsWholeInsideItsColumns) {
  DossierMatrix wide;
  for (int i = 1; i <= 40; ++i) {
    wide.headings.push_back("COLUMNA " + std::to_string(i));
  }
  wide.rows.assign(30, {});
  for (auto& row : wide.rows) {
    for (int i = 1; i <= 40; ++i) {
      row.push_back(Cell("VALOR NÚMERO " + std::to_string(i)));
    }
  }
  DossierMatrix long_word;
  long_word.headings = {"PUNTO", "RINEX"};
  long_word.rows = {{Cell("1001"), Cell(std::string(600, 'W'))},
                    {Cell("1002"), Cell("✓")}};
  struct Case {
    const char* name;
    DossierMatrix matrix;
    bool whole_words;  // the tab's table: no word broken, normal size
  } cases[] = {{"15 points", TabMatrix(15), true},
               {"1000 points", TabMatrix(1000), true},
               {"40 columns", wide, false},
               {"600-letter word", long_word, false}};
  const double left = 1.5 * kCm, foot = 1.5 * kCm + 20;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    PhotoReportInput in;
    in.matrix = k.matrix;
    const PhotoReportPlan plan = PlanPhotoReport(in);
    const MatrixLayout& layout = plan.matrix;
    std::vector<double> lefts = {left};
    for (double w : layout.widths) lefts.push_back(lefts.back() + w);
    EXPECT_LE(lefts.back(), kA4Width - left + 1e-6);
    EXPECT_GE(layout.font_size, kMatrixMinFontSize);
    if (k.whole_words) {
      EXPECT_EQ(layout.font_size, kMatrixFontSize);
    }
    std::set<std::string> words;
    std::string expected, drawn;
    auto add_words = [&](const std::string& text) {
      std::istringstream in(text);
      for (std::string w; in >> w;) words.insert(w), expected += w;
    };
    for (const PlannedPage& page : plan.pages) {
      if (!page.matrix) continue;
      if (page.matrix_rows > 0 || &page == &plan.pages[0]) {
        for (const std::string& h : k.matrix.headings) add_words(h);
      }
      for (std::size_t r = page.matrix_first;
           r < page.matrix_first + page.matrix_rows; ++r) {
        for (const MatrixCell& cell : k.matrix.rows[r]) add_words(cell.text);
      }
      RecordingCanvas c;
      DrawPhotoReportPage(c, in, plan, &page - plan.pages.data(), {});
      std::string font;
      double size = 0;
      for (const std::string& line : c.log()) {
        std::istringstream words_of(line);
        std::string op;
        words_of >> op;
        if (op == "setFont") words_of >> font >> size;
        if (op != "drawString" || std::fabs(size - layout.font_size) > 0.005) {
          continue;
        }
        double x = 0, y = 0;
        words_of >> x >> y;
        const std::string text =
            line.substr(line.find('"') + 1, line.size() - line.find('"') - 2);
        std::size_t col = 0;
        while (col < layout.widths.size() &&
               std::fabs(lefts[col] + 3 - x) > 0.006) {
          ++col;
        }
        ASSERT_LT(col, layout.widths.size()) << line;
        EXPECT_LE(
            StandardTextWidth(StandardFontIndex(font), text) * size / 1000,
            layout.widths[col] - 6 + 0.01)
            << line;
        EXPECT_GE(y, foot) << line;
        std::istringstream pieces(text);
        for (std::string w; pieces >> w;) {
          drawn += w;
          if (k.whole_words) {
            EXPECT_EQ(words.count(w), 1u) << w;
          }
        }
      }
    }
    EXPECT_EQ(drawn, expected);
  }
}

TEST(PhotoReportTest, CancelStopsBeforeTheSave) {
  const PhotoReportInput in = Project();
  RecordingDocumentFactory factory;
  SeededRandom rng(7);
  PhotoRunControl control;
  std::atomic<int> prepared{0};
  auto prepare = [&](const PhotoJob& job) {
    if (++prepared == 3) control.cancel = true;
    return FakePrepare(job);
  };
  const PhotoRunOutcome out = RunPhotoReport(
      in, "/p/R.pdf", PhotoRunServices{factory, rng, prepare, 2}, control);
  EXPECT_EQ(out.result, PhotoRunOutcome::Result::kCancelled);
  EXPECT_TRUE(factory.saves().empty());
  EXPECT_LT(prepared, 8);
}

// A run that cannot finish says why, as the height report does: a report
// held open by a viewer adds what to do, and what throws (the system's
// random source exhausted) is a failed run, never an escaped exception.
TEST(PhotoReportTest, FailuresComeBackAsOutcomesWithTheirText) {
  const PhotoReportInput in = Project();
  SeededRandom rng(7);
  RecordingDocumentFactory held;
  held.FailSavesWith(Status::HeldOpen("Sharing violation: /p/R.pdf"));
  PhotoRunControl control;
  PhotoRunOutcome out = RunPhotoReport(
      in, "/p/R.pdf", PhotoRunServices{held, rng, FakePrepare, 2}, control);
  EXPECT_EQ(out.result, PhotoRunOutcome::Result::kFailed);
  EXPECT_EQ(out.message,
            "Sharing violation: /p/R.pdf\n\nCIERRE EL PDF EN EL VISOR Y "
            "VUELVA A INTENTARLO");

  struct ExhaustedRandom : RandomSource {
    void Fill(std::uint8_t*, std::size_t) override {
      throw std::runtime_error("getrandom: Function not implemented");
    }
  } exhausted;
  RecordingDocumentFactory factory;
  PhotoRunControl again;
  out = RunPhotoReport(in, "/p/R.pdf",
                       PhotoRunServices{factory, exhausted, FakePrepare, 2},
                       again);
  EXPECT_EQ(out.result, PhotoRunOutcome::Result::kFailed);
  EXPECT_EQ(out.message, "getrandom: Function not implemented");
  EXPECT_TRUE(factory.saves().empty());
}

TEST(PhotoReportTest, BandFromMeasurementRow) {
  const Catalogue catalogue = BuildEquiposSpecs();
  struct Case {
    RowValues row;
    PointBand band;
  } cases[] = {
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5"},
       {"QUENTARO R300", "INCLINADA · TRÍPODE · R1 · ALTURA MEDIDA 1.5 m",
        "1.4285 m", "1.5105 m"}},
      {{"QUENTARO R300", "INCLINADA", "", "R1", "abc"},
       {"QUENTARO R300", "INCLINADA · R1 · ALTURA MEDIDA abc m", "—", "—"}},
      {{}, {"—", "—", "—", "—"}},
  };
  for (const Case& c : cases) {
    const PointBand b = BandFromRow(TableRow{"1", c.row}, catalogue);
    EXPECT_EQ(b.receiver, c.band.receiver);
    EXPECT_EQ(b.measurement, c.band.measurement);
    EXPECT_EQ(b.arp, c.band.arp);
    EXPECT_EQ(b.phase_centre, c.band.phase_centre);
  }
}

TEST(PhotoReportTest, ExifDatesAccepted) {
  EXPECT_EQ(FormatExifDateTime("2024:05:17 10:31:05"), "17/05/2024 10:31:05");
  for (const char* bad : {"", "0000:00:00 00:00:00", "2024-05-17 10:31:05",
                          "2024:05:17", "    :  :     :  :  "}) {
    EXPECT_EQ(FormatExifDateTime(bad), "") << bad;
  }
}

}  // namespace
}  // namespace zarvek
