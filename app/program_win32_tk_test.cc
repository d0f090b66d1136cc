// The whole job on Windows, through the window as the other window tests
// drive it and with every real service: a project of three points created
// under a folder with accents and a space, three rows filled, the protected
// report written, and written again while a viewer holds it; then photos in
// two points' folders, tab 3 and the photo report; observation files whose
// DELTA H is wrong, and CORREGIR RINEX. Every box and status line of the job
// is kept and checked at the end: paths in them are written as Windows
// writes them, and no folder name is split over two lines. When ZARVEK_E2E_OUT
// names a folder, both reports are copied there so that
// scripts/test-windows.sh can check them with qpdf and poppler.
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "dossier/matrix.h"
#include "image/photo_decode.h"
#include "platform/win32_text.h"
#include "project/layout.h"
#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using testing::GuiTest;

fs::path FromUtf8(const std::string& s) {
  return fs::path(std::u8string(s.begin(), s.end()));
}
std::string Utf8(const std::u8string& s) {
  return std::string(s.begin(), s.end());
}

// A photo of `width` x `height` pixels, a gradient, as a camera's JPEG.
void WritePhoto(const fs::path& path, int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = 128;
    }
  }
  std::string jpeg;
  ASSERT_TRUE(EncodeJpeg(rgb.data(), width, height, 3, 90, &jpeg).ok());
  std::ofstream(path, std::ios::binary) << jpeg;
}

class WindowsProgramTest : public GuiTest {
 protected:
  void Pick(const std::string& box, const std::string& value) {
    Call({box, "set", value});
    Call({"event", "generate", box, "<<ComboboxSelected>>"});
  }
  // The boxes shown so far are kept in shown_ before they are forgotten.
  void KeepAndClearMessages() {
    for (const auto& message : Messages())
      shown_.push_back(Option(message, "-message"));
    ClearMessages();
  }
  // The pointer comes to rest at the middle of `item` of `canvas`; the
  // status line it fills is kept.
  void HoverAndKeep(const std::string& canvas, const std::string& item,
                    const std::string& status) {
    Call({"update"});
    const std::vector<std::string> box = List(Call({canvas, "bbox", item}));
    ASSERT_EQ(box.size(), 4u) << item;
    const int x = (std::stoi(box[0]) + std::stoi(box[2])) / 2 -
                  std::stoi(Call({canvas, "canvasx", 0}));
    const int y = (std::stoi(box[1]) + std::stoi(box[3])) / 2 -
                  std::stoi(Call({canvas, "canvasy", 0}));
    Call({"event", "generate", canvas, "<Motion>", "-x", x, "-y", y});
    shown_.push_back(Call({status, "cget", "-text"}));
  }
  testing::TempDir temp_;
  std::vector<std::string> shown_;  // every box and status line
};

TEST_F(WindowsProgramTest, ProjectRowsAndReportUnderAnAccentedFolder) {
  std::vector<std::string> opened;
  AppServices services;
  services.open_file = [&](const std::string& p) { opened.push_back(p); };
  MakeApp(services);
  EXPECT_EQ(Call({"tk", "windowingsystem"}), "win32");

  // Tk's directory chooser answers with forward slashes on Windows.
  const fs::path root =
      temp_.path() / u8"Begoña" / u8"Obras Topografía" / u8"Red ávila";
  fs::create_directories(root);
  const std::string chosen = Utf8(root.generic_u8string());

  Call({"set", std::string(FolderTab::kNumPuntosVar), "3"});
  Call({"set", std::string(FolderTab::kPrimerCodigoVar), "100"});
  Call({".tab_control.tab_carpetas.card.preview", "invoke"});
  AnswerDirectory(chosen);
  Call({".tab_control.tab_carpetas.bottom_frame.create", "invoke"});
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-title"), "ÉXITO");
  shown_.push_back(Call({app_->heights_tab().folder_label(), "cget", "-text"}));
  size_t folders = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    folders += e.is_directory();
  }
  EXPECT_EQ(folders, 47u);
  EXPECT_TRUE(fs::is_directory(root / u8"3. FOTOGRAFIAS" / u8"102" /
                               u8"08. FOTOGRAFÍAS PANORÁMICAS"));

  // Creating the tree pointed the second tab at the project.
  ASSERT_EQ(app_->heights_tab().cells().size(), 3u);
  struct Row {
    const char *receiver, *tipo, *acc, *ref, *height;
  };
  const Row rows[] = {
      {"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5"},
      {"QUENTARO R700", "INCLINADA", "BÍPODE Y BASTÓN", "R2", "1.6"},
      {"QUENTARO R100", "VERTICAL", "BASTÓN", "", "2"},
  };
  for (size_t i = 0; i < 3; ++i) {
    const RowCells& row = app_->heights_tab().cells()[i];
    Pick(row.rec, rows[i].receiver);
    Pick(row.tipo, rows[i].tipo);
    Pick(row.acc, rows[i].acc);
    if (*rows[i].ref != '\0') Pick(row.ref, rows[i].ref);
    Call({row.h, "insert", 0, rows[i].height});
  }
  KeepAndClearMessages();
  Call({".tab_control.tab_alturas.bottom_frame.btn_pdf", "invoke"});
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-title"), "PDF GENERADO");

  const fs::path pdf = root / u8"2. DATOS GNSS" / u8"CONVERSION DE ALTURA.pdf";
  ASSERT_TRUE(fs::is_regular_file(pdf));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(FromUtf8(opened[0]).lexically_normal(), pdf.lexically_normal());

  // The report open in a viewer that denies writing: a second run shows
  // the error and keeps the first report exactly.
  const std::string first = testing::ReadFileBytes(pdf);
  HANDLE viewer = CreateFileW(pdf.c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  KeepAndClearMessages();
  Call({".tab_control.tab_alturas.bottom_frame.btn_pdf", "invoke"});
  CloseHandle(viewer);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-title"), "ERROR PDF");
  EXPECT_NE(Option(Messages()[0], "-message").find("CONVERSION DE ALTURA.pdf"),
            std::string::npos);
  // The sharing violation says what to do about it.
  EXPECT_NE(Option(Messages()[0], "-message")
                .find("CIERRE EL PDF EN EL VISOR Y VUELVA A INTENTARLO"),
            std::string::npos)
      << Option(Messages()[0], "-message");
  EXPECT_EQ(testing::ReadFileBytes(pdf), first);
  EXPECT_EQ(opened.size(), 1u);

  // A 12-megapixel photo (read at an eighth of its size) in the first
  // point's first stage, a small one (kept as it is) in the second's third.
  const ProjectLayout layout = ProjectLayout::AtRoot(chosen);
  WritePhoto(FromUtf8(layout.PointPhotoStageDirs("100")[0]) / "IMG_0001.jpg",
             4000, 3000);
  WritePhoto(
      FromUtf8(layout.PointPhotoStageDirs("101")[2]) / u8"foto pequeña.jpg",
      320, 240);
  Call({std::string(MainWindow::kTabControl), "select",
        std::string(MainWindow::kTabExpediente)});
  Call({"update"});
  app_->dossier_tab().FinishScan();
  KeepAndClearMessages();
  Call({app_->dossier_tab().report_button(), "invoke"});
  app_->photo_report().Finish();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-title"), "REPORTAJE FOTOGRÁFICO");
  const fs::path photos =
      root / u8"3. FOTOGRAFIAS" / u8"REPORTAJE FOTOGRÁFICO.pdf";
  ASSERT_TRUE(fs::is_regular_file(photos));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(FromUtf8(opened[1]).lexically_normal(), photos.lexically_normal());

  // The status line over a stage cell of point 100 names its folder.
  HoverAndKeep(app_->dossier_tab().body_canvas(),
               DossierTab::CellItemTag(0, kFirstStageColumn),
               app_->dossier_tab().status_label());
  EXPECT_NE(shown_.back().find("PUNTO 100"), std::string::npos)
      << shown_.back();

  // Observation files with DELTA H 1.5 in points 100 and 101, whose ARP
  // heights differ; where point 101's corrected copies go stands a file.
  KeepAndClearMessages();
  Call({std::string(MainWindow::kTabControl), "select",
        std::string(MainWindow::kTabAlturas)});
  const fs::path rinex_fixture =
      fs::path(ZARVEK_SOURCE_DIR) / "rinex" / "testdata" / "v211.26o";
  for (const char* point : {"4. 100", "5. 101"}) {
    const fs::path rinex = FromUtf8(layout.PointRinexDir(point));
    fs::create_directories(rinex);
    fs::copy_file(rinex_fixture, rinex / "v211.26o");
  }
  std::ofstream(FromUtf8(layout.PointRinexDir("5. 101")) / "CORREGIDO") << "x";
  app_->rinex_column().ReadRinex();
  app_->rinex_column().Finish();
  AnswerQuestion("yes");
  Call({app_->rinex_column().button(), "invoke"});
  app_->rinex_column().Finish();
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Option(Messages()[0], "-title"), "CORREGIR RINEX");
  EXPECT_NE(Option(Messages()[0], "-message").find("RINEX\\CORREGIDO"),
            std::string::npos);
  EXPECT_EQ(Option(Messages()[1], "-icon"), "error");
  EXPECT_TRUE(fs::is_regular_file(FromUtf8(layout.PointRinexDir("4. 100")) /
                                  "CORREGIDO" / "v211.26o"));
  shown_.push_back(
      Call({app_->rinex_column().status_label(), "cget", "-text"}));
  HoverAndKeep(app_->rinex_column().canvas(), "rinex0",
               app_->rinex_column().status_label());
  KeepAndClearMessages();

  // Every path shown is Windows' own; every name in it stays whole on one
  // line (a box must not break "Obras Topografía" at its space).
  size_t naming_the_root = 0;
  for (const std::string& text : shown_) {
    EXPECT_EQ(text.find('/'), std::string::npos) << text;
    if (text.find(Utf8(u8"Begoña\\")) == std::string::npos) continue;
    ++naming_the_root;
    for (const std::u8string name : {u8"Obras Topografía", u8"Red ávila"})
      EXPECT_NE(text.find(Utf8(name)), std::string::npos) << text;
  }
  // The folder label, the height report's box, the sharing violation's box,
  // the status line of tab 3, the photo report's box, RINEX's error box and
  // its status line over point 100.
  EXPECT_GE(naming_the_root, 7u) << ::testing::PrintToString(shown_);

  if (const wchar_t* out = _wgetenv(L"ZARVEK_E2E_OUT")) {
    fs::copy_file(pdf, fs::path(out) / "report.pdf",
                  fs::copy_options::overwrite_existing);
    fs::copy_file(photos, fs::path(out) / "photos.pdf",
                  fs::copy_options::overwrite_existing);
  }
}

}  // namespace
}  // namespace zarvek
