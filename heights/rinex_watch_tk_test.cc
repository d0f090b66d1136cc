// The RINEX folders watched while tab 2 is shown, in the whole window: a
// file copied in, and the same file growing as the copy goes on, each show
// in the point's cell without leaving the tab; the watch stops when another
// tab is shown. The polls are made by the test, never waited for.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "project/layout.h"
#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;

const stdfs::path kFixtures =
    stdfs::path(ZARVEK_SOURCE_DIR) / "rinex" / "testdata";

class RinexWatchTest : public testing::GuiTest {
 protected:
  // Point 1001, R300 slant to R1 of 1.5 m, with no observation file yet.
  void SetUp() override {
    GuiTest::SetUp();
    const stdfs::path datos = temp_.path() / std::string(kGnssDataFolder);
    rinex_ = datos / "4. 1001" / std::string(kRinexFolder);
    stdfs::create_directories(rinex_);
    std::ofstream(datos / std::string(kMeasurementFileName), std::ios::binary)
        << "PUNTO;RECEPTOR GNSS;TIPO DE MEDIDA;ACCESORIO;REFERENCIA;"
           "ALTURA MEDIDA (m)\r\n"
           "1001;QUENTARO R300;INCLINADA;TRÍPODE;R1;1,5\r\n";
    MakeApp();
    AnswerDirectory(temp_.path().string());
    app_->heights_tab().seleccionar_directorio_trabajo();
    Show(MainWindow::kTabAlturas);
    app_->rinex_column().Finish();
    // The listing later polls are compared with.
    app_->rinex_watch().Finish();
  }
  void Show(const char* tab) {
    Call({std::string(MainWindow::kTabControl), "select", std::string(tab)});
    Call({"update"});
  }
  // One poll after whatever the timer began, and what it asked read.
  void Poll() {
    RinexWatch& watch = app_->rinex_watch();
    watch.Finish();
    watch.Poll();
    watch.Finish();
    app_->rinex_column().Finish();
    Call({"update"});
  }
  std::string Cell() { return app_->rinex_column().CellText("1001"); }

  testing::TempDir temp_;
  stdfs::path rinex_;
};

TEST_F(RinexWatchTest, AFileCopiedInIsReadWhileTheTabIsShown) {
  EXPECT_TRUE(app_->rinex_watch().running());
  EXPECT_EQ(Cell(), "—");
  // The copy has begun: the header is not whole yet.
  std::ifstream in(kFixtures / "v304.obs", std::ios::binary);
  const std::string whole(std::istreambuf_iterator<char>(in), {});
  std::ofstream(rinex_ / "v304.obs", std::ios::binary) << whole.substr(0, 200);
  Poll();
  EXPECT_EQ(Cell(), "?");
  // The same name, grown to the whole file.
  std::ofstream(rinex_ / "v304.obs", std::ios::binary) << whole;
  Poll();
  EXPECT_EQ(Cell(), "✓");
  // Another tab stops the watch, even with its listing just posted; coming
  // back starts it again, and the file removed meanwhile is seen gone.
  Show(MainWindow::kTabExpediente);
  Show(MainWindow::kTabAlturas);
  Show(MainWindow::kTabExpediente);
  EXPECT_FALSE(app_->rinex_watch().running());
  Show(MainWindow::kTabAlturas);
  EXPECT_TRUE(app_->rinex_watch().running());
  app_->rinex_column().Finish();
  app_->rinex_watch().Finish();
  stdfs::remove(rinex_ / "v304.obs");
  Poll();
  EXPECT_EQ(Cell(), "—");
}

}  // namespace
}  // namespace zarvek
