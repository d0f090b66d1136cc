// A project open in another copy of the program, through the real window
// under Xvfb: the mark names a process of this machine that runs (the
// test's parent) or one that has ended (a child waited for).
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "project/layout.h"
#include "project/project_lock.h"
#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using testing::ReadFileBytes;

class ProjectLockTkTest : public testing::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    datos_ = temp_.path() / "obra" / std::string(kGnssDataFolder);
    for (int i = 0; i < 4; ++i) {
      stdfs::create_directories(
          datos_ / (std::to_string(i + 4) + ". 100" + std::to_string(i + 1)));
    }
    csv_ = datos_ / std::string(kMeasurementFileName);
  }

  // Starts the program afresh and opens the project with BUSCAR; `answer`
  // is queued for a question box on the way.
  void StartAndOpen(AppServices services = {}, const std::string& answer = "") {
    if (app_) {
      app_.reset();
      interp_.reset();
      std::fclose(console_);
      GuiTest::SetUp();
    }
    MakeApp(std::move(services));
    if (!answer.empty()) AnswerQuestion(answer);
    Call({std::string(MainWindow::kTabControl), "select",
          std::string(MainWindow::kTabAlturas)});
    Call({"update"});
    AnswerDirectory((temp_.path() / "obra").string());
    app_->heights_tab().seleccionar_directorio_trabajo();
  }

  const RowCells& Row(size_t i) { return app_->heights_tab().cells().at(i); }
  std::string Get(const std::string& w) { return Call({w, "get"}); }
  void Pick(const std::string& box, const std::string& value) {
    Call({box, "set", value});
    Call({"event", "generate", box, "<<ComboboxSelected>>"});
  }
  // Types `text` key by key into the entry `h`, focused first.
  void Type(const std::string& h, const std::string& text) {
    Call({"focus", "-force", h});
    Call({"update"});
    for (char c : text) {
      const std::string keysym(1, c);
      Call({"event", "generate", h, "<KeyPress>", "-keysym", keysym});
      Call({"event", "generate", h, "<KeyRelease>", "-keysym", keysym});
    }
  }
  // The message boxes, those of finished saves included.
  std::vector<std::vector<std::string>> Messages() {
    if (app_) app_->heights_tab().WaitForSaves();
    return GuiTest::Messages();
  }

  testing::TempDir temp_;
  stdfs::path datos_, csv_;
};

// Another copy of the program has the project open: the surveyor is told
// who, and chooses to read it only, to edit it all the same, or not to open
// it. A mark left by a copy that crashed asks nothing.
TEST_F(ProjectLockTkTest, AProjectOpenInAnotherWindowIsSaidSo) {
  const std::string fixture =
      ReadFileBytes(ZARVEK_SOURCE_DIR "/heights/testdata/three_rows.csv");
  std::ofstream(csv_, std::ios::binary) << fixture;
  const stdfs::path mark = datos_ / std::string(kLockFileName);
  const long long now = std::time(nullptr);
  // The test's parent process stands for the other copy.
  const LockHolder other{MachineName(), "eva", getppid(), now - 3600, now};
  std::ofstream(mark, std::ios::binary) << FormatLock(other);
  auto label = [this] {
    return Call({app_->heights_tab().folder_label(), "cget", "-text"});
  };
  const std::string folder = (temp_.path() / "obra").string();

  StartAndOpen({}, "yes");  // SOLO LECTURA
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-type"), "yesnocancel");
  const std::string question = Option(Messages()[0], "-message");
  for (const std::string& part : std::vector<std::string>{
           "OTRA VENTANA DEL PROGRAMA:\n" + BoxPath(folder) + "\n",
           "EQUIPO: " + MachineName() + "\n", "USUARIO: eva\n",
           "DESDE: ", "SOLO LECTURA"}) {
    EXPECT_NE(question.find(part), std::string::npos) << part << question;
  }
  EXPECT_TRUE(app_->project().read_only());
  EXPECT_EQ(label(), folder + "   (SOLO LECTURA)");
  EXPECT_EQ(Get(Row(0).h), "1.5");
  EXPECT_EQ(Call({Row(0).tipo, "cget", "-state"}), "disabled");
  EXPECT_EQ(Call({Row(0).h, "cget", "-state"}), "readonly");
  Type(Row(0).h, "9");
  Pick(Row(1).tipo, "VERTICAL");
  app_->heights_tab().CopyRowAbove(1);
  EXPECT_EQ(Get(Row(0).h), "1.5");
  EXPECT_TRUE(app_->heights_tab().FinishSaves().ok());
  // The report would certify what this table shows, not what the other
  // window has saved since.
  app_->report_command().generar_pdf_conversion();
  EXPECT_NE(Option(Messages().back(), "-message").find("SOLO LECTURA"),
            std::string::npos);
  EXPECT_FALSE(stdfs::exists(datos_ / std::string(kReportFileName)));
  // Nor does it write corrected observation files into the project.
  const size_t boxes = Messages().size();
  app_->rinex_column().Finish();
  app_->rinex_column().CorrectRinex();
  app_->rinex_column().Finish();
  ASSERT_EQ(Messages().size(), boxes + 1);
  EXPECT_NE(Option(Messages().back(), "-message").find("SOLO LECTURA"),
            std::string::npos);
  EXPECT_EQ(ReadFileBytes(csv_), fixture);
  EXPECT_EQ(ReadFileBytes(mark), FormatLock(other));

  StartAndOpen({}, "cancel");
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_FALSE(app_->project().is_open());
  EXPECT_EQ(label(), "NO SELECCIONADO");
  EXPECT_EQ(ReadFileBytes(mark), FormatLock(other));

  StartAndOpen({}, "no");  // edits it all the same: this window's mark now
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_FALSE(app_->project().read_only());
  EXPECT_EQ(label(), folder);
  EXPECT_EQ(ParseLock(ReadFileBytes(mark))->pid, getpid());

  // A copy that crashed: its process number is free.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  std::ofstream(mark, std::ios::binary)
      << FormatLock({MachineName(), "eva", child, now - 60, now});
  StartAndOpen();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ParseLock(ReadFileBytes(mark))->pid, getpid());
  EXPECT_EQ(Call({Row(0).tipo, "cget", "-state"}), "readonly");
  app_.reset();  // the window closes: its mark goes
  EXPECT_FALSE(stdfs::exists(mark));

  // A folder in the mark's place: no other copy could tell that this one
  // edits, so the box says so and the project opens to be read only.
  stdfs::create_directory(mark);
  interp_.reset();
  std::fclose(console_);
  GuiTest::SetUp();
  StartAndOpen();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Option(Messages()[0], "-message"),
            "NO SE PUEDE MARCAR EL PROYECTO COMO ABIERTO EN ESTA VENTANA:\n"
            "EN SU LUGAR HAY UNA CARPETA U OTRA COSA QUE NO ES UN ARCHIVO: " +
                mark.string() +
                "\n\nSE ABRE EN SOLO LECTURA: LA TABLA MUESTRA LAS MEDIDAS, "
                "NO SE PUEDE EDITAR Y NO SE GUARDA NADA.");
  EXPECT_TRUE(app_->project().read_only());
  EXPECT_EQ(label(), folder + "   (SOLO LECTURA)");
  EXPECT_TRUE(stdfs::is_directory(mark));
}

}  // namespace
}  // namespace zarvek
