// The application's composition root: MainWindow turns Tk's root
// window into the main window (title, palette, styles, header, notebook) and
// builds its rooms, each a class with its own state: the folder tab
// (folders/folder_tab_tk.h), the heights tab with its table and measurement
// file (heights/heights_tab_tk.h), the table's RINEX column
// (heights/rinex_column_tk.h), the report command (report/report_tk.h) and
// the dossier tab (dossier/dossier_tab_tk.h).
// The rooms share the open project (project/open_project.h). Besides, the
// ARP and RINEX columns read the heights tab's measurement table; the
// dossier tab and the photo report get that table's cells and bands only
// through what this class hands them; and the report command, which sits on
// the heights tab's page, reads the tab's rows and marks the height cells
// it could not convert. This class is the one place that knows them all and
// wires them together.
#ifndef ZARVEK_APP_MAIN_WINDOW_H_
#define ZARVEK_APP_MAIN_WINDOW_H_

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dossier/dossier_tab_tk.h"
#include "folders/folder_tab_tk.h"
#include "heights/arp_column_tk.h"
#include "heights/catalogue.h"
#include "heights/heights_tab_tk.h"
#include "heights/rinex_column_tk.h"
#include "heights/rinex_watch_tk.h"
#include "pdf/pdf_document.h"
#include "photos/photo_report_tk.h"
#include "platform/file_exchange.h"
#include "platform/fs.h"
#include "platform/random.h"
#include "platform/work_area.h"
#include "project/open_project.h"
#include "project/project_lock.h"
#include "project/settings.h"
#include "report/report_tk.h"
#include "ui/tk_interp.h"
#include "ui/ui_tk.h"

namespace zarvek {

/// The path under which a resource file that ships with the program is
/// looked up: the "resources" folder beside the executable when there is
/// one (the program's bundle, in the build tree as installed), otherwise the
/// current working directory. It does not test whether the file exists.
std::string resource_path(const std::string& relative_path);

/// Everything the application reaches outside the window. Tests replace
/// members; empty ones take the real implementation.
struct AppServices {
  std::function<std::string(const std::string&)> resource_path;
  FileSystem* fs = nullptr;
  PdfDocumentFactory* pdf = nullptr;
  RandomSource* random = nullptr;
  /// Today's local date as "dd/mm/yyyy".
  std::function<std::string()> today;
  /// Opens a finished report in the desktop's viewer.
  std::function<void(const std::string&)> open_file;
  /// Where the console lines go.
  std::FILE* console = stdout;
  /// Saves the measurement file (platform/file_exchange.h); the default is
  /// the system's. Tests put failures here.
  FileExchange* file_exchange = nullptr;
  /// The folder where the program keeps what it remembers between runs
  /// (project/settings.h): the last folder used, where both folder choosers
  /// start, and the last project, opened again at start. "" keeps nothing,
  /// so that tests never touch the user's; main() gives the one in the
  /// user's settings folder.
  std::string settings_dir;
  /// Where the folder choosers start when no folder was used yet; "" lets
  /// Tk choose. main() gives the user's documents folder.
  std::string documents_dir;
  /// The work area of the screen the window opens on, which the window is
  /// fitted into; the default asks the system (tk::Interp::ScreenWorkArea).
  std::function<std::optional<WorkArea>()> work_area;
};

/// Shows the main window in front of the others, restored if it was
/// iconified, with the keyboard focus: what a second start of the program
/// asks of the first.
void BringToFront(tk::Interp& root);

class MainWindow {
 public:
  /// Builds the whole main window on `root`. Throws tk::Error if Tk refuses
  /// a widget (which ends the program before the event loop starts).
  explicit MainWindow(tk::Interp& root, AppServices services = {});
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The rooms.
  FolderTab& folder_tab() { return *folder_tab_; }
  HeightsTab& heights_tab() { return *heights_tab_; }
  RinexColumn& rinex_column() { return *rinex_column_; }
  RinexWatch& rinex_watch() { return *rinex_watch_; }
  ArpColumn& arp_column() { return *arp_column_; }
  ReportCommand& report_command() { return *report_command_; }
  DossierTab& dossier_tab() { return *dossier_tab_; }
  PhotoReportCommand& photo_report() { return *photo_report_; }
  const OpenProject& project() const { return project_; }
  const Catalogue& equipos_specs() const { return equipos_specs_; }

  /// The interface font family: "Segoe UI" where installed, otherwise a
  /// stand-in of similar width.
  const std::string& ui_family() const { return ui_->family(); }
  /// The colour of palette key `key` ("#RRGGBB").
  const std::string& color(const std::string& key) const {
    return ui_->color(key);
  }
  /// The photo images of the window icon and the header logo; empty when
  /// they could not be loaded.
  const std::string& icon_photo() const { return icon_photo_; }
  const std::string& logo_img() const { return logo_img_; }

  // Widget paths of the window's frame.
  static constexpr const char* kHeaderFrame = ".header_frame";
  static constexpr const char* kTabControl = ".tab_control";
  static constexpr const char* kTabCarpetas = ".tab_control.tab_carpetas";
  static constexpr const char* kTabAlturas = ".tab_control.tab_alturas";
  static constexpr const char* kTabExpediente = ".tab_control.tab_expediente";
  static constexpr const char* kSurveyorButton = ".header_frame.topografo";
  static constexpr const char* kSurveyorDialog = ".topografo";

  /// What the program remembers, as it stands now.
  const Settings& settings() const { return settings_; }

 private:
  void SetTitleAndGeometry(double density);
  /// Chooses the interface font and Tk's scaling; returns the scale factor
  /// of the screen.
  double ChooseFonts(std::optional<double> screen_scaling);
  void ApplyTheme(double scale);
  /// Enlarges the message boxes' icons (pictures of a fixed pixel size) by
  /// the whole factor nearest to `scale`.
  void ScaleDialogIcons(double scale);
  void SetupCustomTabs();
  void CargarIconos();
  void SetupHeader();
  /// "DATOS DEL TOPÓGRAFO": a small window with the surveyor's name,
  /// licence number and place, kept in the settings by GUARDAR; the name
  /// is the reports' author. Shown again, it comes to the front.
  void ShowSurveyorDialog();
  void SaveSurveyor();
  /// Reads and decodes the PNG picture at `path`.
  Status DecodePicture(const std::string& path, RgbaImage* image);
  /// Puts the folder picture, at the screen's scale, beside the text of
  /// the button `button`; without the picture the text stands alone.
  void _setup_folder_picture(const std::string& button);
  /// Shows the logo at `path` in a new label `label`.
  Status ShowLogo(const std::string& path, const std::string& label);
  void BuildNotebook();
  void BuildRooms();
  /// How the heights tab tells the ARP and RINEX columns beside its rows.
  HeightsTabHooks HeightsHooks();
  /// What follows the open project: the RINEX reading, the remembered
  /// folder and the project's mark.
  void WatchProject();
  /// The third tab, wired to tab 2's RINEX and ARP cells.
  void BuildDossierTab();
  /// The cells tab 3 takes from tab 2, asked by point code.
  PointCellSources DossierCellSources();
  /// The dossier is read again when its tab is shown, a RINEX reading ends
  /// or the project changes.
  void WireDossierRefresh();
  /// The window's close button: the measurement file's last writes finish
  /// first; when they failed, the surveyor chooses between staying and
  /// closing without them. Where and how large the window was is kept in
  /// the settings for the next start.
  void Close();
  /// Keeps the window's place and size in the settings, unless it is
  /// maximised or minimised (the place to come back to is then unknown).
  void RememberWindow();
  /// Where both folder choosers start: the last folder used while it is a
  /// folder, else the documents folder, else "".
  std::string ChooserStart();
  /// Whether the project at `folder` opens for editing: when another
  /// running copy of the program holds it, the surveyor is told who and
  /// chooses between reading it only, editing it all the same, and not
  /// opening it.
  ProjectAccess AccessTo(const std::string& folder);
  /// Keeps `folder` as the last folder used (and, when `project`, as the
  /// last project) in the settings file; a failure goes to the console.
  void Remember(const std::string& folder, bool project);

  tk::Interp& root_;
  AppServices services_;
  /// What the 96-dpi design's pixel sizes are multiplied by on this screen.
  double density_ = 1.0;
  std::unique_ptr<PdfDocumentFactory> own_pdf_;  ///< the default factory
  std::unique_ptr<Ui> ui_;
  Catalogue equipos_specs_;
  OpenProject project_;
  Settings settings_;
  /// The mark on the project open for editing; it goes after the rooms,
  /// whose last saves come first.
  std::unique_ptr<ProjectLock> lock_;
  std::string icon_photo_, logo_img_;
  std::unique_ptr<FolderTab> folder_tab_;
  std::unique_ptr<HeightsTab> heights_tab_;
  std::unique_ptr<RinexColumn> rinex_column_;
  std::unique_ptr<ArpColumn> arp_column_;
  /// After the RINEX column, whose readings it asks for.
  std::unique_ptr<RinexWatch> rinex_watch_;
  std::unique_ptr<ReportCommand> report_command_;
  std::unique_ptr<DossierTab> dossier_tab_;
  std::unique_ptr<PhotoReportCommand> photo_report_;
};

}  // namespace zarvek

#endif  // ZARVEK_APP_MAIN_WINDOW_H_
