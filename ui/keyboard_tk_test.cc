// The keyboard habits of the whole window, driven as a person types: keys
// sent with `event generate` to the widget that has the focus.
#include <filesystem>
#include <string>
#include <vector>

#include "project/point_detection.h"
#include "testing/gui_fixture.h"
#include "testing/temp_dir.h"

namespace zarvek {
namespace {

namespace stdfs = std::filesystem;
using Texts = std::vector<std::string>;

class KeyboardTest : public testing::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    stdfs::create_directories(temp_.path() / std::string(kGnssDataFolder) /
                              "4. 1001");
    MakeApp();
    Call({std::string(MainWindow::kTabControl), "select",
          std::string(MainWindow::kTabAlturas)});
    AnswerDirectory(temp_.path().string());
    app_->heights_tab().seleccionar_directorio_trabajo();
    ASSERT_EQ(app_->heights_tab().cells().size(), 1u);
    Call({"update"});
  }
  // Gives `widget` the keyboard and types `key` (an event pattern).
  void Type(const std::string& widget, const std::string& key) {
    Call({"focus", "-force", widget});
    Call({"update"});
    Call({"event", "generate", widget, key});
  }

  testing::TempDir temp_;
};

TEST_F(KeyboardTest, ControlASelectsAllOfAnEntry) {
  const std::string& h = app_->heights_tab().cells()[0].h;
  Call({h, "insert", 0, "1.52"});
  Call({h, "icursor", "end"});
  Type(h, "<Control-Key-a>");
  ASSERT_EQ(Call({h, "selection", "present"}), "1");
  EXPECT_EQ(Call({h, "index", "sel.first"}), "0");
  EXPECT_EQ(Call({h, "index", "sel.last"}), "4");
  // The code entries of the first tab follow the same habit.
  EXPECT_EQ(Call({"event", "info", "<<SelectAll>>"}).find("<Control-Key-a>") !=
                std::string::npos,
            true);
  EXPECT_EQ(Call({"event", "info", "<<LineStart>>"}).find("<Control-Key-a>"),
            std::string::npos);
}

TEST_F(KeyboardTest, ALetterPicksTheNextChoiceAndTheRowRulesFollow) {
  const RowCells& row = app_->heights_tab().cells()[0];
  Type(row.tipo, "<KeyPress-v>");
  EXPECT_EQ(Call({row.tipo, "get"}), "VERTICAL");
  EXPECT_EQ(app_->heights_tab().table().values(0).tipo, "VERTICAL");
  EXPECT_EQ(List(Call({row.acc, "cget", "-values"})),
            (Texts{"BÍPODE Y BASTÓN", "BASTÓN"}));
  Type(row.acc, "<KeyPress-b>");
  EXPECT_EQ(Call({row.acc, "get"}), "BÍPODE Y BASTÓN");
  Type(row.acc, "<KeyPress-B>");
  EXPECT_EQ(Call({row.acc, "get"}), "BASTÓN");
  // The reference box was filled by the rules, as after a choice by mouse.
  EXPECT_EQ(Call({row.ref, "get"}), "R3");
  EXPECT_EQ(app_->heights_tab().table().values(0).acc, "BASTÓN");
  // A shortcut, or a letter no choice starts with, changes nothing.
  Type(row.tipo, "<Control-Key-i>");
  Type(row.tipo, "<KeyPress-x>");
  EXPECT_EQ(Call({row.tipo, "get"}), "VERTICAL");
  EXPECT_EQ(Call({row.acc, "get"}), "BASTÓN");
}

TEST_F(KeyboardTest, MessageBoxTakesTheFocusSoReturnAnswersIt) {
  // Tk's own box (the fixture replaces tk_messageBox). Once it is shown,
  // Return goes to whatever has the focus; should the box not have it, a
  // safety timer closes the box, which then answers "no".
  Call({"proc", "::pulsar_intro", "", R"(
    set ::foco [focus]
    if {$::foco ne ""} { event generate $::foco <KeyPress-Return> }
  )"});
  // Without a window manager X gives the keys to the window under the
  // pointer; the pointer leaves the window, as when the user looks at
  // another one.
  Call({"event", "generate", ".", "<Motion>", "-warp", 1, "-x", 1200, "-y",
        1000});
  Call({"update"});
  Call({"after", 300, "::pulsar_intro"});
  Call({"after", 3000, "catch {destroy .__tk__messagebox}"});
  const std::string answer =
      Call({"::tk::MessageBox", "-type", "yesno", "-default", "yes", "-icon",
            "question", "-title", "T", "-message", "¿SEGUIR?"});
  Call(
      {"event", "generate", ".", "<Motion>", "-warp", 1, "-x", 640, "-y", 512});
  EXPECT_EQ(Call({"set", "::foco"}), ".__tk__messagebox.yes");
  EXPECT_EQ(answer, "yes");
}

}  // namespace
}  // namespace zarvek
