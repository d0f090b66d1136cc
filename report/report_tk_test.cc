// The report button under Xvfb: what the window shows and opens after a
// run, from the rows as the user left them.
#include <unistd.h>

#include <filesystem>

#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;
using testing::GuiTest;

class ReportButtonTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    fs::create_directories(root_ / "2. DATOS GNSS" / "4. 100");
    fs::create_directories(root_ / "2. DATOS GNSS" / "5. 101");
    AppServices services;
    services.open_file = [this](const std::string& p) { opened_.push_back(p); };
    services.today = [] { return "07/12/2026"; };
    MakeApp(services);
  }
  void OpenProject() {
    AnswerDirectory(root_.string());
    app_->seleccionar_directorio_trabajo();
    ASSERT_EQ(app_->entradas_alturas.size(), 2u);
  }

  // Fills row `i` as the user would: choices through the boxes' events.
  void Fill(size_t i, const std::string& tipo, const std::string& acc,
            const std::string& ref, const std::string& h) {
    const MeasurementRow& row = app_->entradas_alturas[i];
    Call({row.tipo, "set", tipo});
    Call({"event", "generate", row.tipo, "<<ComboboxSelected>>"});
    Call({row.acc, "set", acc});
    Call({"event", "generate", row.acc, "<<ComboboxSelected>>"});
    if (!ref.empty()) Call({row.ref, "set", ref});
    Call({row.h, "insert", 0, h});
  }

  std::vector<std::string> LastMessage() {
    auto messages = Messages();
    return messages.empty() ? std::vector<std::string>{} : messages.back();
  }

  testing::TempDir temp_;
  const fs::path& root_ = temp_.path();
  std::vector<std::string> opened_;
};

TEST_F(ReportButtonTest, CompleteRowsAreSavedReportedAndOpened) {
  OpenProject();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1.5");
  Fill(1, "VERTICAL", "BASTÓN", "", " 2 ");  // R3 is chosen by itself
  Call({".tab_control.tab_alturas.bottom_frame.btn_pdf", "invoke"});
  const fs::path pdf = root_ / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf";
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-title"), "PDF GENERADO");
  EXPECT_EQ(Option(message, "-icon"), "info");
  EXPECT_EQ(Option(message, "-message"),
            "ARCHIVO GUARDADO EN:\n" + pdf.string());
  EXPECT_TRUE(fs::exists(pdf));
  EXPECT_EQ(opened_, std::vector<std::string>{pdf.string()});
}

TEST_F(ReportButtonTest, NoProjectWarnsAndUnconvertibleRowWritesNothing) {
  app_->generar_pdf_conversion();
  auto message = LastMessage();
  EXPECT_EQ(Option(message, "-icon"), "warning");
  EXPECT_EQ(Option(message, "-title"), "Error");
  EXPECT_EQ(Option(message, "-message"), "FALTAN DATOS O CONFIGURACIÓN.");

  OpenProject();
  Fill(0, "INCLINADA", "TRÍPODE", "R1", "1,5");  // comma: not a number here
  app_->generar_pdf_conversion();
  message = LastMessage();
  EXPECT_EQ(Option(message, "-icon"), "error");
  EXPECT_EQ(Option(message, "-message"), "ERROR MATEMÁTICO EN PUNTO 100");
  EXPECT_FALSE(
      fs::exists(root_ / "2. DATOS GNSS" / "CONVERSION DE ALTURA.pdf"));
  EXPECT_TRUE(opened_.empty());
}

}  // namespace
}  // namespace zarvek
