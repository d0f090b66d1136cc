// A fixture for the window test of one room built alone: the interpreter of
// TkTest (message boxes and choosers recorded, console captured), the
// theme, the keyboard habits, a Ui with the window's palette, an open
// project of its own, the receiver catalogue, and a notebook of two pages
// (kOtherTab first and shown, then kRoomTab) for a room that lives in a
// tab. A room's test builds its room in kRoomTab and whatever stands in for
// its neighbours (a table, a callback), and never the main window.
#ifndef ZARVEK_TESTING_ROOM_FIXTURE_H_
#define ZARVEK_TESTING_ROOM_FIXTURE_H_

#include <memory>
#include <string>

#include "heights/catalogue.h"
#include "project/open_project.h"
#include "testing/tk_fixture.h"
#include "ui/keyboard_tk.h"
#include "ui/ui_tk.h"

namespace zarvek::testing {

class RoomTest : public TkTest {
 protected:
  static constexpr const char* kNotebook = ".salas";
  /// The page shown at first, which is not the room's.
  static constexpr const char* kOtherTab = ".salas.otra";
  static constexpr const char* kRoomTab = ".salas.sala";

  void SetUp() override {
    TkTest::SetUp();
    if (HasFatalFailure()) return;
    Call({"namespace", "eval", "::zarvek", ""});
    Call({"ttk::style", "theme", "use", "clam"});
    ui_ = std::make_unique<Ui>(*interp_, WindowPalette(),
                               "DejaVu Sans Condensed", console_);
    InstallKeyboardHabits(*ui_);
    Call({"wm", "geometry", ".", "950x700"});
    Call({"ttk::notebook", kNotebook});
    Call({"ttk::frame", kOtherTab});
    Call({"ttk::frame", kRoomTab});
    Call({kNotebook, "add", kOtherTab, "-text", "OTRA"});
    Call({kNotebook, "add", kRoomTab, "-text", "SALA"});
    Call({"pack", kNotebook, "-expand", 1, "-fill", "both"});
  }

  void TearDown() override {
    DestroyRooms();
    ui_.reset();
    TkTest::TearDown();
  }
  /// Destroys the rooms the derived fixture built, before the Ui goes.
  virtual void DestroyRooms() {}

  /// Ends everything as the program's end does and starts afresh: a new
  /// interpreter, console and project, no room (the test builds its room
  /// again). What a room left on disk stays.
  void Restart() {
    RoomTest::TearDown();
    project_ = OpenProject();
    RoomTest::SetUp();
  }

  /// Shows the room's page, or the other one, and lets Tk handle it.
  void ShowRoom(bool room = true) {
    Call({kNotebook, "select", room ? kRoomTab : kOtherTab});
    Call({"update"});
  }

  const std::string& color(const std::string& key) const {
    return ui_->color(key);
  }
  const OpenProject& project() const { return project_; }

  std::unique_ptr<Ui> ui_;
  OpenProject project_;
  const Catalogue equipos_specs_ = BuildEquiposSpecs();
};

}  // namespace zarvek::testing

#endif  // ZARVEK_TESTING_ROOM_FIXTURE_H_
