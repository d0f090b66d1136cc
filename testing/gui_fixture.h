// A fixture for the window tests of the whole main window under Xvfb: the
// interpreter of TkTest (testing/tk_fixture.h) and MakeApp, which builds
// MainWindow on it. Tests of one room build that room alone instead
// (testing/room_fixture.h).
#ifndef ZARVEK_TESTING_GUI_FIXTURE_H_
#define ZARVEK_TESTING_GUI_FIXTURE_H_

#include <memory>
#include <utility>

#include "app/main_window.h"
#include "testing/tk_fixture.h"

namespace zarvek::testing {

class GuiTest : public TkTest {
 protected:
  void TearDown() override {
    app_.reset();
    TkTest::TearDown();
  }

  /// Builds the application; `services.console` is captured unless set.
  MainWindow& MakeApp(AppServices services = {}) {
    if (services.console == stdout) services.console = console_;
    app_ = std::make_unique<MainWindow>(*interp_, std::move(services));
    return *app_;
  }

  std::unique_ptr<MainWindow> app_;
};

}  // namespace zarvek::testing

#endif  // ZARVEK_TESTING_GUI_FIXTURE_H_
