// The dossier tab built alone, on a project made on disk, with stand-ins
// for tab 2's RINEX and ALTURA cells: what counts as a photo, the folders
// that are missing or cannot be read, the summary, a click that opens a
// cell's folder, the headings that follow the cells. Then in the whole
// window: the cells that tab 2 gives, the reading when the tab is shown,
// and the fit of the tab at 96 and 192 dpi.
#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dossier/dossier_tab_tk.h"
#include "dossier/matrix.h"
#include "project/layout.h"
#include "project/point_detection.h"
#include "testing/gui_fixture.h"
#include "testing/room_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Texts = std::vector<std::string>;

const char kJpeg[] = "\xFF\xD8\xFF\xE0\x00\x10JFIF";
const char kPng[] = "\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR";

std::string RinexLine(const std::string& data, const std::string& label) {
  std::string line = data;
  line.resize(60, ' ');
  return line + label + "\n";
}

void Write(const stdfs::path& path, const std::string& bytes) {
  stdfs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Makes the folder `dir` one that cannot be listed: without permissions, or,
// where that does not stop its owner (root; Windows), a file in its place.
// Returns the reason the system will give.
std::string MakeUnlistable(const stdfs::path& dir) {
#if !defined(_WIN32)
  if (::geteuid() != 0) {
    ::chmod(dir.c_str(), 0);
    return "Permission denied";
  }
#endif
  stdfs::remove_all(dir);
  Write(dir, "x");
  return "";
}

// The tab alone, in RoomTest's notebook. Tab 2's cells are stand-ins that
// give what tab 2 gives for the measurement file below: 6001 converts
// (1.4285 m) and has no observation files, 6003 does not convert, 6002 has
// no row.
class DossierRoom : public testing::RoomTest {
 public:
  DossierTab& tab() { return *tab_; }

 protected:
  void Build() {
    tab_ = std::make_unique<DossierTab>(
        *ui_, RealFileSystem(), project_, kRoomTab,
        [this](const std::string& path) {
          opened_.push_back(testing::Slashes(path));
        });
    PointCellSources cells;
    cells.rinex = [](const std::string& code) {
      return std::string(code == "6001" ? "—" : "");
    };
    cells.height = [](const std::string& code) {
      return std::string(code == "6001"   ? "1.4285"
                         : code == "6003" ? "✗"
                                          : "—");
    };
    tab_->SetPointCells(std::move(cells));
    project_.Set(testing::Utf8Path(temp_.path()), {"6001", "6002", "6003"});
    ShowDossier();
  }
  void ShowDossier() {
    ShowRoom();
    tab_->Refresh();
    tab_->FinishScan();
    Call({"update"});
  }
  void DestroyRooms() override { tab_.reset(); }

  testing::TempDir temp_;
  std::vector<std::string> opened_;
  std::unique_ptr<DossierTab> tab_;
};

// The whole window, the project opened with tab 2's BUSCAR.
class DossierWindow : public testing::GuiTest {
 public:
  DossierTab& tab() { return app_->dossier_tab(); }

 protected:
  void Build() {
    AppServices services;
    BeforeApp(&services);
    services.open_file = [this](const std::string& path) {
      opened_.push_back(testing::Slashes(path));
    };
    MakeApp(std::move(services));
    AnswerDirectory(testing::Utf8Path(temp_.path()));
    app_->heights_tab().seleccionar_directorio_trabajo();
    ShowDossier();
  }
  virtual void BeforeApp(AppServices*) {}
  void ShowDossier() {
    // Tab 2's verdicts, which the RINEX cells show, are read first.
    app_->rinex_column().Finish();
    Call({std::string(MainWindow::kTabControl), "select",
          std::string(MainWindow::kTabExpediente)});
    Call({"update"});  // the tab's "shown" event starts the scan
    app_->dossier_tab().FinishScan();
    Call({"update"});
  }

  testing::TempDir temp_;
  std::vector<std::string> opened_;
};

// What both share: the project on disk and the readers of the matrix.
template <class Base>
class DossierHelpers : public Base {
 public:
  using Base::Call;
  using Base::List;
  using Base::tab;
  int Int(const std::string& text) { return std::stoi(text); }

 protected:
  void SetUp() override {
    Base::SetUp();
    const stdfs::path root = this->temp_.path();
    const stdfs::path gnss = root / std::string(kGnssDataFolder);
    const stdfs::path photos = root / std::string(kPhotosFolder);
    stdfs::create_directories(root / std::string(kFormsFolder));
    Write(gnss / std::string(kMeasurementFileName),
          "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;"
          "ALTURA MEDIDA (m)\r\n"
          "6001;QUENTARO R300;INCLINADA;TRÍPODE;R1;1.5\r\n"
          "6003;QUENTARO R300;INCLINADA;TRÍPODE;R1;0.01\r\n");
    // 6001 and 6003 have both folders; 6002 only its GNSS one; 6004 only
    // its photos.
    const char* gnss_points[] = {"4. 6001", "5. 6002", "6. 6003"};
    for (const char* point : gnss_points)
      Write(gnss / point / "NATIVA" / "datos.T02", "x");
    for (const char* code : {"6001", "6003", "6004"}) {
      for (const std::string& stage :
           PhotoStageDirs(testing::Utf8Path(photos / code))) {
        // Each photo its own bytes: the same photo in two places is a
        // finding of its own.
        Write(testing::PathOf(stage) / "IMG_1.jpg",
              std::string(kJpeg) + code + stage);
      }
    }
    // Point 6001, stage by stage: a PNG beside the JPEG; a text file, an
    // empty file, a hidden one and Thumbs.db instead of photos; a HEIC; no
    // folder at all; a folder that cannot be listed.
    const stdfs::path p = photos / "6001";
    Write(p / testing::PathOf(std::string(subcarpetas_fotos[0])) / "IMG_2.PNG",
          kPng);
    const stdfs::path depth =
        p / testing::PathOf(std::string(subcarpetas_fotos[2]));
    stdfs::remove(depth / "IMG_1.jpg");
    Write(depth / "nota.jpg", "esto no es una foto");
    Write(depth / "vacia.jpg", "");
    Write(depth / ".IMG_9.jpg", kJpeg);
    Write(depth / "Thumbs.db", kJpeg);
    Write(p / testing::PathOf(std::string(subcarpetas_fotos[1])) / "IMG_3.heic",
          std::string("\0\0\0\x18"
                      "ftypheic\0\0\0\0mif1heic",
                      24));
    stdfs::remove_all(p / testing::PathOf(std::string(subcarpetas_fotos[3])));
    unreadable_ = p / testing::PathOf(std::string(subcarpetas_fotos[4]));
    unreadable_reason_ = MakeUnlistable(unreadable_);
    Write(p / "09. VIDEOS" / "vuelo.MP4", "x");

    this->Build();
  }

  void TearDown() override {
    std::error_code ignored;
    stdfs::permissions(unreadable_, stdfs::perms::owner_all, ignored);
    Base::TearDown();
  }

 public:
  std::string Text(const std::string& widget) {
    return Call({widget, "cget", "-text"});
  }
  // The texts of row `row` of the matrix as drawn, the point first.
  std::string Row(size_t row) {
    std::string text = Call({tab().code_canvas(), "itemcget",
                             DossierTab::CellItemTag(row, 0), "-text"});
    for (size_t c = 1; c <= kWarningsColumn; ++c) {
      text += "|" + Call({tab().body_canvas(), "itemcget",
                          DossierTab::CellItemTag(row, c), "-text"});
    }
    return text;
  }
  std::string Fill(size_t row, size_t column) {
    return Call({column == 0 ? tab().code_canvas() : tab().body_canvas(),
                 "itemcget", DossierTab::CellItemTag(row, column), "-fill"});
  }

 protected:
  stdfs::path unreadable_;
  std::string unreadable_reason_;
};

class DossierTabTest : public DossierHelpers<DossierRoom> {};
class DossierWindowTest : public DossierHelpers<DossierWindow> {};

// The rows of the matrix as the scan and tab 2's cells make them. The
// photo put in every stage folder is, in the videos' folder, a warning.
// `session` is the SESIÓN cell of the points with a table row (6001, 6002
// and 6003), whose RINEX folders hold no observation file.
template <class Test>
void ExpectTheRows(Test& t, const std::string& rinex6001,
                   const std::string& session) {
  EXPECT_EQ(t.Row(0), "6001|1|" + rinex6001 + "|" + session +
                          "|1.4285|2|2*|0|✗ NO EXISTE|?|1|1|1|1|1");
  EXPECT_EQ(t.Row(1),
            "6002|1||" + session +
                "|—|✗ NO EXISTE|✗ NO EXISTE|✗ NO EXISTE|✗ NO EXISTE|"
                "✗ NO EXISTE|✗ NO EXISTE|✗ NO EXISTE|✗ NO EXISTE|✗ NO EXISTE|");
  EXPECT_EQ(t.Row(2), "6003|1||" + session + "|✗|1|1|1|1|1|1|1|1|0|1");
  EXPECT_EQ(t.Row(3),
            "6004|✗ NO EXISTE|✗ NO EXISTE|✗ NO EXISTE|✗ NO EXISTE|1|1|1|1|1|1|"
            "1|1|0|1");
}

TEST_F(DossierTabTest, TheMatrixCountsWhatCountsAndNamesWhatIsMissing) {
  ExpectTheRows(*this, "—", "");
  const std::string red = color("error"), green = color("success");
  EXPECT_EQ(Fill(0, kFirstStageColumn), green);  // a count
  // No photo where one is required.
  EXPECT_EQ(Fill(0, kFirstStageColumn + 2), red);
  EXPECT_EQ(Fill(0, kFirstStageColumn + 4), "#B9770E");
  // Videos are not required.
  EXPECT_EQ(Fill(2, kFirstStageColumn + 8), color("text"));
  EXPECT_EQ(Fill(1, 0), red);  // a point with one of its two folders

  const std::string summary = Text(tab().summary_label());
  EXPECT_EQ(summary.substr(0, summary.find('\n')),
            "FALTAN 15 ELEMENTOS EN 4 PUNTOS:");
  for (const char* named :
       {"PUNTO 6001: SIN FOTOS DE 3. PROFUNDIDAD",
        "PUNTO 6001: SIN FOTOS DE 4. ANCLAJE DE DISCO DE BRONCE",
        "Y 12 MÁS."}) {
    EXPECT_NE(summary.find(named), std::string::npos) << named;
  }
  EXPECT_EQ(Call({tab().summary_label(), "cget", "-foreground"}), red);
  const Texts& missing = tab().matrix().missing;
  for (const char* named :
       {"PUNTO 6001: SIN FOTOS DE 3. PROFUNDIDAD",
        "PUNTO 6001: SIN FOTOS DE 4. ANCLAJE DE DISCO DE BRONCE",
        "PUNTO 6001: NO SE PUEDE LEER 5. INCRUSTACIÓN DEL DISCO DE BRONCE",
        "PUNTO 6001: SIN ARCHIVOS RINEX",
        "PUNTO 6002: SIN CARPETA EN 3. FOTOGRAFIAS",
        "PUNTO 6002: SIN ALTURA DE ANTENA",
        "PUNTO 6003: ALTURA DE ANTENA ERRÓNEA",
        "PUNTO 6004: SIN CARPETA EN 2. DATOS GNSS", "2. EFEMERIDES: NO EXISTE",
        "CONVERSION DE ALTURA.pdf: NO EXISTE"}) {
    EXPECT_NE(std::find(missing.begin(), missing.end(), named), missing.end())
        << named;
  }
  // The status line: the system's reason for "?" and the HEIC photo.
  const std::string status = Text(tab().status_label());
#if !defined(_WIN32)
  EXPECT_NE(
      status.find(geteuid() == 0 ? "Not a directory" : "Permission denied"),
      std::string::npos)
      << status;
#endif
  EXPECT_NE(status.find("* 1 FOTO HEIC/HEIF"), std::string::npos) << status;

  // The project items.
  Texts items;
  for (const MatrixItem& item : tab().matrix().items)
    items.push_back(item.label + " " + item.cell.text);
  EXPECT_EQ(
      items,
      (Texts{"1. FORMULARIOS 0 ✗", "ESTACIÓN BASE: NATIVA ✗ NO EXISTE",
             "ESTACIÓN BASE: RINEX ✗ NO EXISTE", "2. EFEMERIDES ✗ NO EXISTE",
             "3. PROCESAMIENTO ✗ NO EXISTE", "CONVERSION DE ALTURA.pdf ✗",
             "REPORTAJE FOTOGRÁFICO.pdf ✗"}));
  EXPECT_EQ(Text(tab().items_frame() + ".valor0"), "0 ✗");
  EXPECT_EQ(Text(tab().items_frame() + ".item0"), "1. FORMULARIOS:");
  EXPECT_EQ(Text(tab().items_frame() + ".item1"), "ESTACIÓN BASE: NATIVA");
}

TEST_F(DossierTabTest, AClickOpensTheCellsFolderAndHeadingsFollowTheCells) {
  // Point 6001's depth photos; its missing stage 4 opens its photo folder.
  const std::string body = tab().body_canvas();
  auto click = [&](size_t row, size_t column) {
    const std::vector<std::string> box =
        List(Call({body, "bbox", DossierTab::CellItemTag(row, column)}));
    ASSERT_EQ(box.size(), 4u);
    const int x =
        (Int(box[0]) + Int(box[2])) / 2 - Int(Call({body, "canvasx", 0}));
    const int y =
        (Int(box[1]) + Int(box[3])) / 2 - Int(Call({body, "canvasy", 0}));
    Call({"event", "generate", body, "<ButtonRelease-1>", "-x", x, "-y", y});
  };
  click(0, kFirstStageColumn + 2);
  click(0, kFirstStageColumn + 3);
  const stdfs::path photos = temp_.path() / std::string(kPhotosFolder);
  EXPECT_EQ(opened_, (Texts{testing::Utf8Path(photos / "6001" /
                                              testing::PathOf(std::string(
                                                  subcarpetas_fotos[2]))),
                            testing::Utf8Path(photos / "6001")}));
  // The project items open their folders the same way; a word that is no
  // item's index opens none.
  opened_.clear();
  for (const char* word : {"0x", "0 ", "+0", ""})
    Call({"::zarvek::abrir_item_expediente", word});
  EXPECT_TRUE(opened_.empty());
  Call({"::zarvek::abrir_item_expediente", "0"});
  EXPECT_EQ(opened_.size(), 1u);

  // Scrolled sideways and down, the headings and the points stay in line.
  Call({body, "xview", "moveto", "0.5"});
  Call({body, "yview", "moveto", "0.5"});
  Call({"update"});
  EXPECT_EQ(Call({tab().header_canvas(), "canvasx", 0}),
            Call({body, "canvasx", 0}));
  EXPECT_EQ(Call({tab().code_canvas(), "canvasy", 0}),
            Call({body, "canvasy", 0}));
}

// A new photo and "ACTUALIZAR": the scan runs again and the cell follows;
// the report button calls what the window wired to it.
TEST_F(DossierTabTest, RefreshReadsTheDiskAgain) {
  Write(temp_.path() / std::string(kPhotosFolder) / "6001" /
            testing::PathOf(std::string(subcarpetas_fotos[2])) / "IMG_5.jpg",
        kJpeg);
  Call({tab().refresh_button(), "invoke"});
  tab().FinishScan();
  EXPECT_EQ(Row(0).substr(0, Row(0).find("|✗")), "6001|1|—||1.4285|2|2*|1");
  int reports = 0;
  tab().SetPhotoReport([&reports] { ++reports; });
  Call({tab().report_button(), "invoke"});
  EXPECT_EQ(reports, 1);
}

// Past tab 2's limit of points the rest are counted, not read, and the
// summary says so; the matrix is drawn a bounded number of rows per turn
// of the event loop, so that the window answers meanwhile.
TEST_F(DossierTabTest, PointsPastTheLimitAreNamedAndTheMatrixIsDrawnInSteps) {
  const stdfs::path photos = temp_.path() / std::string(kPhotosFolder);
  for (int code = 7000; code < 8000; ++code)
    stdfs::create_directory(photos / std::to_string(code));
  Call({tab().refresh_button(), "invoke"});
  tab().FinishScan();
  ASSERT_EQ(tab().matrix().rows.size(), kMaxTableRows);
  EXPECT_EQ(tab().scan().points_found, 1004u);
  EXPECT_EQ(tab().rows_drawn(), DossierTab::kRowsPerStep);
  const std::string summary = Text(tab().summary_label());
  EXPECT_EQ(summary.rfind("DEMASIADOS PUNTOS EN EL PROYECTO (MÁXIMO 1000): "
                          "SE MUESTRAN LOS 1000 PRIMEROS DE 1004. FALTAN ",
                          0),
            0u)
      << summary;
  Call({"update"});
  EXPECT_EQ(tab().rows_drawn(), kMaxTableRows);
  EXPECT_EQ(Row(kMaxTableRows - 1).substr(0, 5), "7995|");
}

// In the window the RINEX and ALTURA cells are tab 2's, from its table and
// its reading of the observation files, and the tab is read when shown.
TEST_F(DossierWindowTest, TheCellsAreTab2sAndTheTabIsReadWhenShown) {
  EXPECT_EQ(Call({std::string(MainWindow::kTabControl), "tab",
                  std::string(MainWindow::kTabExpediente), "-text"}),
            "  3. EXPEDIENTE  ");
  const std::string rinex6001 = app_->rinex_column().CellText("6001");
  EXPECT_EQ(rinex6001, "—");  // a converting row, no observation files
  ExpectTheRows(*this, rinex6001, "—");

  // An observation file whose MARKER NAME is 6003's, in 6001's folder: tab
  // 2 reads it when shown, and its finding is one more of 6001's warnings.
  std::string obs = testing::ReadFileBytes(stdfs::path(ZARVEK_SOURCE_DIR) /
                                           "rinex" / "testdata" / "v211.26o");
  const std::size_t marker = obs.find(std::string(60, ' ') + "MARKER NAME");
  ASSERT_NE(marker, std::string::npos);
  obs.replace(marker, 4, "6003");
  Write(temp_.path() / std::string(kGnssDataFolder) / "4. 6001" / "RINEX" /
            "m.26o",
        obs);
  Call({std::string(MainWindow::kTabControl), "select",
        std::string(MainWindow::kTabAlturas)});
  Call({"update"});
  ShowDossier();
  EXPECT_EQ(Row(0), "6001|1|✗ 1.5000|1 min · 30 s · 100 %|1.4285|2|2*|0|✗ NO EXISTE|?|1|1|1|1|2");
  const std::vector<std::string>& warnings = tab().matrix().warnings;
  EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                      "6001: MARKER NAME \"6003\" NO ES EL CÓDIGO DEL PUNTO: "
                      "m.26o"),
            warnings.end());
}

// The SESIÓN cells are tab 2's reading of the observation files: the
// project's own files (one session in RINEX 2.11, 3.04 and Hatanaka, found
// once) in point 6001, a damaged file in 6003 ("?", its reason under the
// pointer, and no folder counted as unreadable). Tab 2's status line says
// the same for the row shown.
TEST_F(DossierWindowTest, TheSessionCellsAreTab2sReading) {
  const stdfs::path testdata =
      stdfs::path(ZARVEK_SOURCE_DIR) / "rinex" / "testdata";
  const stdfs::path gnss = temp_.path() / std::string(kGnssDataFolder);
  stdfs::create_directories(gnss / "4. 6001" / "RINEX");
  for (const char* name : {"v211.26o", "v304.obs", "hatanaka.crx"}) {
    stdfs::copy_file(testdata / name, gnss / "4. 6001" / "RINEX" / name);
  }
  stdfs::create_directories(gnss / "6. 6003" / "RINEX");
  stdfs::copy_file(testdata / "corrupt.obs.gz",
                   gnss / "6. 6003" / "RINEX" / "corrupt.obs.gz");
  app_->rinex_column().ReadRinex();
  ShowDossier();

  const std::string kSession = "1 min · 30 s · 100 %";
  EXPECT_EQ(tab().matrix().headings[kSessionColumn], "SESIÓN");
  EXPECT_EQ(Row(0).substr(0, Row(0).find("|1.4285")),
            "6001|1|" + app_->rinex_column().CellText("6001") + "|" + kSession);
  const MatrixCell& damaged = tab().matrix().rows[2][kSessionColumn];
  EXPECT_EQ(damaged.text, "?");
  EXPECT_NE(damaged.reason.find("corrupt.obs.gz"), std::string::npos)
      << damaged.reason;
  // Only the photo folder that cannot be read is counted as a folder.
  EXPECT_EQ(Text(tab().status_label()).rfind("? 1 CARPETA NO SE PUEDE LEER", 0),
            0u)
      << Text(tab().status_label());

  const std::map<std::string, std::string> told = {
      {"6001", "SESIÓN: " + kSession},
      {"6002", ""},  // no observation file: nothing more than its "—"
      {"6003", "SESIÓN: ? (corrupt.obs.gz: "}};
  const MeasurementTable& table = app_->heights_tab().table();
  ASSERT_EQ(table.size(), told.size());
  for (size_t row = 0; row < table.size(); ++row) {
    const std::string code = table.at(row).codigo;
    app_->rinex_column().ShowRow(row);
    const std::string status = Text(app_->rinex_column().status_label());
    if (told.at(code).empty()) {
      EXPECT_EQ(status.find("SESIÓN"), std::string::npos) << code << ": " << status;
    } else {
      EXPECT_NE(status.find(told.at(code)), std::string::npos)
          << code << ": " << status;
    }
  }
}

// A photo report just written shows as there without ACTUALIZAR, and with
// it what the disk holds now: here a video among photos, counted in the
// point's AVISOS cell with its photo among videos, in the summary's count
// and, under the pointer, in the status line; no missing element.
TEST_F(DossierWindowTest, AWrittenReportShowsAtOnceWithTheWarnings) {
  const std::string report = tab().items_frame() + ".valor6";
  ASSERT_EQ(Text(report), "✗");
  const std::size_t missing = tab().matrix().missing.size();
  Write(temp_.path() / std::string(kPhotosFolder) / "6003" /
            testing::PathOf(std::string(subcarpetas_fotos[0])) / "VID.mp4",
        "x");
  Call({tab().report_button(), "invoke"});
  app_->photo_report().Finish();
  tab().FinishScan();
  Call({"update"});
  EXPECT_EQ(Text(report), "✓");

  EXPECT_EQ(Row(2), "6003|1||—|✗|1|1|1|1|1|1|1|1|0|2");
  EXPECT_EQ(Fill(2, kWarningsColumn), "#B9770E");
  // The report is there; the warning is no missing element.
  EXPECT_EQ(tab().matrix().missing.size(), missing - 1);
  const std::string summary = Text(tab().summary_label());
  EXPECT_NE(summary.find("\n4 AVISOS EN 3 PUNTOS: PUNTO 6001: FOTO EN 09. "
                         "VÍDEOS: IMG_1.jpg; "),
            std::string::npos)
      << summary;
  const std::string body = tab().body_canvas();
  const std::vector<std::string> box =
      List(Call({body, "bbox", DossierTab::CellItemTag(2, kFirstStageColumn)}));
  ASSERT_EQ(box.size(), 4u);
  Call({"event", "generate", body, "<Motion>", "-x",
        (Int(box[0]) + Int(box[2])) / 2 - Int(Call({body, "canvasx", 0})), "-y",
        (Int(box[1]) + Int(box[3])) / 2 - Int(Call({body, "canvasy", 0}))});
  const std::string status = Text(tab().status_label());
  EXPECT_NE(status.find("PUNTO 6003 · 1. EQUIPO GNSS"), std::string::npos)
      << status;
  EXPECT_NE(status.find("\nAVISOS: VÍDEO EN 1. EQUIPO GNSS: VID.mp4; FOTO EN "
                        "09. VÍDEOS: IMG_1.jpg"),
            std::string::npos)
      << status;
}

// A JPEG whose EXIF block says when it was taken ("YYYY:MM:DD HH:MM:SS"):
// little-endian TIFF, IFD0 pointing at the EXIF IFD, DateTimeOriginal there.
std::string PhotoTakenOn(const std::string& taken) {
  auto u16 = [](unsigned v) {
    return std::string{static_cast<char>(v & 0xFF),
                       static_cast<char>(v >> 8 & 0xFF)};
  };
  auto u32 = [&](unsigned v) { return u16(v & 0xFFFF) + u16(v >> 16); };
  std::string tiff = std::string("II*\0", 4) + u32(8);
  tiff += u16(1) + u16(0x8769) + u16(4) + u32(1) + u32(26) + u32(0);
  tiff += u16(1) + u16(0x9003) + u16(2) + u32(20) + u32(44) + u32(0);
  tiff += taken + std::string(1, '\0');
  const std::string payload = std::string("Exif\0\0", 6) + tiff;
  const std::size_t length = payload.size() + 2;
  return "\xFF\xD8\xFF\xE1" +
         std::string{static_cast<char>(length >> 8),
                     static_cast<char>(length & 0xFF)} +
         payload + "\xFF\xD9";
}

class DossierLimitsTest : public DossierWindowTest {
 protected:
  void BeforeApp(AppServices* services) override {
    services->settings_dir = testing::Utf8Path(config_.path());
  }
  std::string SettingsFile() {
    std::ifstream in(config_.path() / "ajustes.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Type(const std::string& distance, const std::string& days) {
    for (const auto& [entry, text] :
         {std::pair{tab().distance_entry(), distance},
          std::pair{tab().days_entry(), days}}) {
      Call({entry, "delete", 0, "end"});
      Call({entry, "insert", 0, text});
    }
  }
  void Apply() {
    Call({tab().apply_button(), "invoke"});
    tab().FinishScan();
    Call({"update"});
  }

  testing::TempDir config_{"zarvek_config"};
};

// The photo limits set in the tab: a value that is not a whole number in
// range is named with its range, marked red until edited, and changes
// nothing; accepted values are kept in the settings file and the findings
// follow them at once. Point 6001 was observed on 17/05/2024 and one of its
// photos taken 40 days later.
TEST_F(DossierLimitsTest, TheLimitsAreCheckedKeptAndFollowedByTheFindings) {
  const stdfs::path gnss = temp_.path() / std::string(kGnssDataFolder);
  Write(gnss / "4. 6001" / std::string(kRinexFolder) / "60011380.24o",
        RinexLine("     2.11           OBSERVATION DATA    G (GPS)",
                  "RINEX VERSION / TYPE") +
            RinexLine("  2024     5    17    14    20    0.0000000     GPS",
                      "TIME OF FIRST OBS") +
            RinexLine("", "END OF HEADER"));
  Write(temp_.path() / std::string(kPhotosFolder) / "6001" /
            testing::PathOf(std::string(subcarpetas_fotos[0])) / "TARDE.jpg",
        PhotoTakenOn("2024:06:26 10:00:00"));
  const std::string late = "40 DÍAS DESPUÉS DE LA OBSERVACIÓN";
  EXPECT_EQ(Call({tab().distance_entry(), "get"}), "200");
  EXPECT_EQ(Call({tab().days_entry(), "get"}), "30");
  Apply();
  EXPECT_NE(Text(tab().summary_label()).find(late), std::string::npos)
      << Text(tab().summary_label());
  ClearMessages();

  const std::string metres = "DE 1 A 100000 METROS", days = "DE 0 A 3660 DÍAS";
  const struct {
    const char* distance;
    const char* days;
    bool distance_refused, days_refused;
  } refused[] = {
      {"", "60", true, false},      {"-5", "60", true, false},
      {"2e9", "60", true, false},   {"200 m", "60", true, false},
      {"1,5", "60", true, false},   {"0", "3661", true, true},
      {"100001", "-1", true, true}, {"200", " 60", false, true},
      {"200", "60.0", false, true}, {"99999999999", "+60", true, true},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(std::string(r.distance) + " / " + r.days);
    Type(r.distance, r.days);
    // Return in an entry does what APLICAR does.
    Call({"focus", "-force", tab().days_entry()});
    Call({"update"});
    Call({"event", "generate", tab().days_entry(), "<Return>"});
    tab().FinishScan();
    Call({"update"});
    const auto messages = Messages();
    ClearMessages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string text = Option(messages[0], "-message");
    EXPECT_EQ(
        text.find("«" + std::string(r.distance) + "»") != std::string::npos &&
            text.find(metres) != std::string::npos,
        r.distance_refused)
        << text;
    EXPECT_EQ(text.find("«" + std::string(r.days) + "»") != std::string::npos &&
                  text.find(days) != std::string::npos,
              r.days_refused)
        << text;
    EXPECT_EQ(Call({tab().distance_entry(), "cget", "-style"}),
              r.distance_refused ? "LimiteMal.TEntry" : "");
    EXPECT_EQ(Call({tab().days_entry(), "cget", "-style"}),
              r.days_refused ? "LimiteMal.TEntry" : "");
    // Nothing kept, nothing read again with the refused limits.
    EXPECT_EQ(SettingsFile().find("fotos"), std::string::npos);
    EXPECT_EQ(app_->settings().photo_distance_m, 200);
    EXPECT_EQ(app_->settings().photo_days, 30);
    EXPECT_NE(Text(tab().summary_label()).find(late), std::string::npos);
  }
  // An edit takes the red off.
  Call({tab().distance_entry(), "insert", "end", "0"});
  EXPECT_EQ(Call({tab().distance_entry(), "cget", "-style"}), "");

  // Accepted: kept, shown as read, and the photo 40 days away is within.
  Type("01500", "60");
  Apply();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Call({tab().distance_entry(), "get"}), "1500");
  EXPECT_EQ(Call({tab().days_entry(), "cget", "-style"}), "");
  EXPECT_EQ(app_->settings().photo_distance_m, 1500);
  EXPECT_EQ(app_->settings().photo_days, 60);
  const std::string kept = SettingsFile();
  EXPECT_NE(kept.find("\ndistancia_fotos_m=1500\n"), std::string::npos) << kept;
  EXPECT_NE(kept.find("\ndias_fotos=60\n"), std::string::npos) << kept;
  EXPECT_EQ(Text(tab().summary_label()).find(late), std::string::npos)
      << Text(tab().summary_label());
  // And back: the finding returns, the default is no longer written.
  Type("200", "30");
  Apply();
  EXPECT_NE(Text(tab().summary_label()).find(late), std::string::npos);
  EXPECT_EQ(SettingsFile().find("fotos"), std::string::npos);
}

// Everything of the tab is inside the window, at 96 dpi and at 192.
void ExpectTheTabFits(DossierWindowTest& t, DossierTab& tab) {
  const int right = t.Int(t.Call({"winfo", "rootx", "."})) +
                    t.Int(t.Call({"winfo", "width", "."}));
  const int bottom = t.Int(t.Call({"winfo", "rooty", "."})) +
                     t.Int(t.Call({"winfo", "height", "."}));
  std::vector<std::string> widgets = {
      tab.refresh_button(), tab.report_button(), tab.body_canvas(),
      tab.distance_entry(), tab.days_entry(),    tab.apply_button()};
  for (const std::string& item :
       t.List(t.Call({"winfo", "children", tab.items_frame()})))
    widgets.push_back(item);
  for (const std::string& w : widgets) {
    EXPECT_GT(t.Int(t.Call({"winfo", "height", w})), 1) << w;
    EXPECT_LE(t.Int(t.Call({"winfo", "rootx", w})) +
                  t.Int(t.Call({"winfo", "width", w})),
              right)
        << w;
    EXPECT_LE(t.Int(t.Call({"winfo", "rooty", w})) +
                  t.Int(t.Call({"winfo", "height", w})),
              bottom)
        << w;
    EXPECT_GE(t.Int(t.Call({"winfo", "width", w})),
              t.Int(t.Call({"winfo", "reqwidth", w})))
        << w;
  }
}

TEST_F(DossierWindowTest, TheTabFitsTheWindow) {
  ExpectTheTabFits(*this, tab());
}

class DossierHighDensityTest : public DossierWindowTest {
 protected:
  // A 4K screen, so that the window is not fitted into a smaller one.
  void BeforeApp(AppServices* services) override {
    Call({"tk", "scaling", "2.6666667"});
    services->work_area = [] {
      return std::optional<WorkArea>(WorkArea{{0, 0, 3840, 2100}, {}});
    };
  }
};

TEST_F(DossierHighDensityTest, TheTabFitsTheWindowAt192Dpi) {
  EXPECT_NEAR(Int(Call({"winfo", "width", "."})), 1900, 6);
  ExpectTheTabFits(*this, tab());
}

}  // namespace
}  // namespace zarvek
