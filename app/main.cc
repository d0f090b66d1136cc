// Starts Tcl and Tk, builds the main window and runs the event loop until the
// window is closed; then returns. Without a display it says why on stderr
// and exits with status 1. A second start brings the running window to the
// front and ends with status 0, unless "--nueva-ventana" asks for a window
// of its own. The system's error texts speak the desktop's language;
// numbers and dates stay locale-free.
#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "app/app_text.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/config_dir.h"
#include "platform/fatal_error.h"
#include "platform/messages_locale.h"
#include "platform/single_instance.h"

int main(int argc, char** argv) {
  zarvek::UseDesktopLanguageForMessages();
  // Claimed before Tk starts, so that a second start shows no window. It
  // outlives the interpreter, which stops watching it first.
  std::unique_ptr<zarvek::FirstInstance> first;
  if (!zarvek::AsksForNewWindow({argv + (argc > 0), argv + argc})) {
    first =
        zarvek::ClaimFirstInstance(zarvek::kInstanceName, zarvek::kWindowTitle);
    if (!first) return 0;
  }
  std::string error;
  std::unique_ptr<zarvek::tk::Interp> interp =
      zarvek::tk::Interp::Create(argv[0], &error);
  if (!interp) {
    zarvek::ReportFatalError(error);
    return 1;
  }
  try {
    // What the program remembers between runs lives in the user's settings
    // folder; the choosers start in the documents folder the first time.
    zarvek::AppServices services;
    if (const std::string config = zarvek::UserConfigDir(); !config.empty()) {
      services.settings_dir =
          zarvek::JoinPath(config, std::string(zarvek::kSettingsFolderName));
    }
    services.documents_dir = zarvek::UserDocumentsDir();
    zarvek::MainWindow app(*interp, std::move(services));
    zarvek::tk::Interp& root = *interp;
    if (first) {
      first->Listen(
          [&root](int fd, std::function<void()> fn) {
            return root.WatchReadable(fd, std::move(fn));
          },
          [&root] { zarvek::BringToFront(root); });
    }
    interp->MainLoop();
  } catch (const std::exception& e) {
    zarvek::ReportFatalError(e.what());
    return 1;
  }
  return 0;
}
