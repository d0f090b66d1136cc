// Starts Tcl and Tk, builds the main window and runs the event loop until the
// window is closed; then returns. Without a display it says why on stderr
// and exits with status 1. The system's error texts speak the desktop's
// language; numbers and dates stay locale-free.
#include <exception>
#include <string>
#include <utility>

#include "app/zarvek_core.h"
#include "platform/config_dir.h"
#include "platform/fatal_error.h"
#include "platform/messages_locale.h"

int main(int argc, char** argv) {
  (void)argc;
  zarvek::UseDesktopLanguageForMessages();
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
    zarvek::ZarvekCertificacionApp app(*interp, std::move(services));
    interp->MainLoop();
  } catch (const std::exception& e) {
    zarvek::ReportFatalError(e.what());
    return 1;
  }
  return 0;
}
