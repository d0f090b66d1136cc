#include "app/main_window.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <optional>

#include "app/app_text.h"
#include "app/resource_path.h"
#include "app/screen_scale.h"
#include "app/window_fit.h"
#include "heights/row_arp.h"
#include "pdf/pdf_writer.h"
#include "platform/local_time.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/shell_open.h"
#include "project/layout.h"
#include "report/report.h"
#include "text/ascii_text.h"
#include "text/decimal.h"
#include "text/shown_path.h"
#include "ui/keyboard_tk.h"

namespace zarvek {
namespace {

std::string TodayText() {
  std::tm local;
  LocalTime(std::time(nullptr), &local);
  return FormatDate(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
}

}  // namespace

void BringToFront(tk::Interp& root) {
  if (!root.MainWindowAlive()) return;
  root.Call({"wm", "deiconify", "."});
  root.Call({"raise", "."});
  root.Call({"focus", "-force", "."});
}

std::string resource_path(const std::string& relative_path) {
  // Looked up anew on every call; nothing is cached.
  return ResolveResourcePath(
      relative_path, ExecutableDir(), CurrentDir(),
      [](const std::string& dir) { return RealFileSystem().IsDirectory(dir); });
}

MainWindow::MainWindow(tk::Interp& root_window, AppServices services)
    : root_(root_window), services_(std::move(services)) {
  if (!services_.resource_path) services_.resource_path = resource_path;
  if (!services_.today) services_.today = TodayText;
  if (services_.fs == nullptr) services_.fs = &RealFileSystem();
  if (services_.random == nullptr) services_.random = &SystemRandom();
  if (services_.pdf == nullptr) {
    own_pdf_ = std::make_unique<PdfWriterDocumentFactory>(kPdfCreator);
    services_.pdf = own_pdf_.get();
  }
  if (!services_.open_file) services_.open_file = OpenWithDesktop;
  if (services_.file_exchange == nullptr)
    services_.file_exchange = &RealFileExchange();
  root_.Call({"namespace", "eval", "::zarvek", ""});
  // What the program remembers: the window's place first, the project
  // later; a damaged or missing settings file just leaves none.
  settings_ = LoadSettings(*services_.fs, services_.settings_dir);

  // The 950x700 design grows with the density of the screen (see the fonts
  // below), so that what fits at 96 dpi fits at any density.
  const std::optional<double> screen_scaling =
      ParseDecimal(root_.Call({"tk", "scaling"}));
  SetTitleAndGeometry(
      ChooseScreenScale(screen_scaling.value_or(kScaling96Dpi), true).factor);
  density_ = ChooseFonts(screen_scaling);
  ApplyTheme(density_);
  ScaleDialogIcons(density_);
  InstallKeyboardHabits(*ui_);

  equipos_specs_ = BuildEquiposSpecs();
  lock_ = std::make_unique<ProjectLock>(
      *services_.fs,
      ProjectLock::Identity{MachineName(), LoginName(), CurrentProcessId()},
      [] { return static_cast<long long>(std::time(nullptr)); },
      ProcessRunning);
  CargarIconos();
  root_.Call(
      {"frame", kHeaderFrame, "-bg", ui_->color("bg_panel"), "-height", 110});
  root_.Call({"pack", kHeaderFrame, "-fill", "x", "-side", "top", "-pady",
              tk::Obj::List({"0", "2"})});
  SetupHeader();
  SetupCustomTabs();
  BuildNotebook();
  BuildRooms();
  // The last project opens again, behind the first tab, while it is still
  // a project.
  if (!settings_.last_project.empty() &&
      ProjectLayout::ForChosenFolder(*services_.fs, settings_.last_project)
          .IsProject()) {
    heights_tab_->LoadProject(settings_.last_project);
  }
}

// The rooms go before the window's shared parts they hold references to;
// the heights tab finishes its saves as it goes.
MainWindow::~MainWindow() = default;

void MainWindow::SetTitleAndGeometry(double density) {
  root_.Call({"wm", "title", ".", kWindowTitle});
  const int width = ScaledPixels(950, density);
  const int height = ScaledPixels(700, density);
  const std::optional<WorkArea> work =
      services_.work_area ? services_.work_area() : root_.ScreenWorkArea();
  if (!work) {
    root_.Call({"wm", "geometry", ".",
                DecimalText(width) + "x" + DecimalText(height)});
    return;
  }
  // X11 tells the frame's size only once the window is shown: a usual
  // title bar and border stand in.
  const FrameInsets assumed{ScaledPixels(4, density), ScaledPixels(32, density),
                            ScaledPixels(4, density), ScaledPixels(4, density)};
  // Where and as large as the user left it, while that still fits a
  // monitor; centred on the pointer's monitor otherwise.
  const WindowPlacement placed = PlaceWindow(
      width, height, ParseWindowGeometry(settings_.window), *work, assumed);
  root_.Call({"wm", "geometry", ".", WindowGeometryText(placed)});
}

void MainWindow::RememberWindow() {
  if (services_.settings_dir.empty()) return;
  // A maximised or minimised window keeps the place it had before; Tk
  // reports the maximised size, not the one to come back to.
  if (root_.Call({"wm", "state", "."}) != "normal") return;
  const std::optional<WindowPlacement> placed =
      ParseWindowGeometry(root_.Call({"wm", "geometry", "."}));
  if (!placed) return;
  settings_.window = WindowGeometryText(*placed);
  const Status status =
      SaveSettings(*services_.fs, services_.settings_dir, settings_);
  if (!status.ok()) ui_->Print("Error: " + status.message());
}

double MainWindow::ChooseFonts(std::optional<double> screen_scaling) {
  // Fonts: the design is drawn for "Segoe UI" on a 96-dpi screen. Where that
  // family is missing Tk would fall back to a wide face, and the measurement
  // table would no longer fit the window; a condensed face of similar width
  // stands in, and standard-density screens get the 96-dpi scaling.
  const std::vector<std::string> families =
      root_.SplitList(root_.Call({"font", "families"}));
  const bool has_segoe =
      std::find(families.begin(), families.end(), "Segoe UI") != families.end();
  // Tk lists a face under its first family name only (the condensed
  // DejaVu face appears as "DejaVu Sans"), so the stand-in is recognised by
  // being narrower than the plain face.
  auto digits_width = [&](const char* family) {
    return IntFromReply(
        root_.Call(
            {"font", "measure", tk::Obj::List({family, "9"}), "0000000000"}),
        "font measure");
  };
  std::string family = "Segoe UI";
  if (!has_segoe &&
      digits_width("DejaVu Sans Condensed") < digits_width("DejaVu Sans")) {
    family = "DejaVu Sans Condensed";
  }
  // The stand-in's characters are wider than Segoe UI's (bold digits 8 px
  // instead of 7 at 9 points), which would push the measurement table past
  // the window; 15/16 of the scaling (90 dpi on a standard screen) brings
  // them back to the design's pixel widths. Standard-density screens get the
  // 96-dpi scaling; denser ones keep their own.
  const ScreenScale scale = ChooseScreenScale(
      screen_scaling.value_or(kScaling96Dpi), family == "Segoe UI");
  char scaling_text[32];
  auto [scaling_end, scaling_ec] = std::to_chars(
      scaling_text, scaling_text + sizeof scaling_text, scale.tk_scaling);
  root_.Call({"tk", "scaling", std::string(scaling_text, scaling_end)});
  for (const char* font : {"TkDefaultFont", "TkTextFont", "TkMenuFont"}) {
    root_.Call({"font", "configure", font, "-family", family, "-size", 9});
  }
  ui_ = std::make_unique<Ui>(root_, WindowPalette(), family, services_.console);
  return scale.factor;
}

void MainWindow::ApplyTheme(double scale) {
  const Ui& ui = *ui_;
  const std::string font10 = root_.CallObj({"list", ui.family(), 10}).str();
  const std::string font9b =
      root_.CallObj({"list", ui.family(), 9, "bold"}).str();
  const std::string font11b =
      root_.CallObj({"list", ui.family(), 11, "bold"}).str();
  root_.Call({"ttk::style", "theme", "use", "clam"});
  root_.Call({"ttk::style", "configure", "TFrame", "-background",
              ui.color("bg_main")});
  root_.Call({"ttk::style", "configure", "TLabel", "-background",
              ui.color("bg_main"), "-foreground", ui.color("text"), "-font",
              font10});
  root_.Call({"ttk::style", "configure", "TButton", "-font", font9b,
              "-background", ui.color("accent"), "-foreground", "white",
              "-borderwidth", 0});
  root_.Call({"ttk::style", "map", "TButton", "-background",
              tk::Obj::List({"active", ui.color("primary")})});
  root_.Call({"ttk::style", "configure", "Card.TFrame", "-background",
              ui.color("bg_panel"), "-relief", "flat"});
  root_.Call({"ttk::style", "configure", "Header.TLabel", "-font", font11b,
              "-foreground", ui.color("primary"), "-background",
              ui.color("bg_panel")});
  root_.Call({"ttk::style", "configure", "SubHeader.TLabel", "-font", font9b,
              "-foreground", ui.color("text"), "-background",
              ui.color("bg_panel")});
  root_.Call({".", "configure", "-background", ui.color("bg_main")});
  // A listbox line is as high as the font's line spacing, which the accent
  // of a capital (TRÍPODE, BASTÓN) overreaches in some fonts: the top of
  // the accent is cut off in the boxes' drop-down lists. The selection
  // border adds its width above and below every line.
  root_.Call({"option", "add", "*TCombobox*Listbox.selectBorderWidth",
              ScaledPixels(2, scale)});
  // Arrows and scrollbars are sized in pixels (14 in this theme): on a dense
  // screen they grow with the fonts.
  if (scale > 1) {
    for (const char* style : {"TScrollbar", "TCombobox"}) {
      root_.Call({"ttk::style", "configure", style, "-arrowsize",
                  ScaledPixels(14, scale)});
    }
  }
}

void MainWindow::ScaleDialogIcons(double scale) {
  // Tk's message boxes on X11 draw these 32-pixel pictures beside text that
  // grows with the scaling; photo images grow by whole factors only.
  const int zoom = static_cast<int>(scale + 0.5);
  if (zoom < 2) return;
  const std::string copy = "::zarvek::icono_dialogo";
  for (const char* icon : {"::tk::icons::error", "::tk::icons::information",
                           "::tk::icons::question", "::tk::icons::warning"}) {
    if (root_.Call({"image", "names"}).find(icon) == std::string::npos)
      continue;
    root_.Call({"image", "create", "photo", copy});
    root_.Call({copy, "copy", icon, "-zoom", zoom});
    root_.Call({icon, "blank"});
    root_.Call({icon, "copy", copy});
    root_.Call({"image", "delete", copy});
  }
}

void MainWindow::BuildNotebook() {
  root_.Call({"ttk::notebook", kTabControl, "-style", "Custom.TNotebook"});
  root_.Call({"ttk::frame", kTabCarpetas, "-style", "TFrame"});
  root_.Call({"ttk::frame", kTabAlturas, "-style", "TFrame"});
  root_.Call({kTabControl, "add", kTabCarpetas, "-text",
              "  1. ESTRUCTURA Y CARPETAS  "});
  root_.Call(
      {kTabControl, "add", kTabAlturas, "-text", "  2. CÁLCULO DE ALTURAS  "});
  root_.Call({"ttk::frame", kTabExpediente, "-style", "TFrame"});
  root_.Call(
      {kTabControl, "add", kTabExpediente, "-text", "  3. EXPEDIENTE  "});
  root_.Call({"pack", kTabControl, "-expand", 1, "-fill", "both", "-padx", 10,
              "-pady", 10});
}

void MainWindow::BuildRooms() {
  Ui& ui = *ui_;
  FileSystem& fs = *services_.fs;
  folder_tab_ = std::make_unique<FolderTab>(
      ui, fs, project_, kTabCarpetas,
      [this](const std::string& folder) {
        Remember(folder, false);
        heights_tab_->LoadProject(folder);
      },
      [this] { return ChooserStart(); });
  heights_tab_ = std::make_unique<HeightsTab>(
      ui, fs, project_, equipos_specs_, kTabControl, kTabAlturas,
      *services_.file_exchange, HeightsHooks());
  _setup_folder_picture(std::string(kTabAlturas) + ".top_panel.btn_buscar");
  rinex_column_ = std::make_unique<RinexColumn>(
      ui, fs, heights_tab_->table(), project_, equipos_specs_,
      heights_tab_->bottom_frame(), HeightsTab::kTableTag);
  // The status line under the table explains the shown row's ARP height
  // above its RINEX reason; the pointer on an ARP cell shows that row too.
  arp_column_ = std::make_unique<ArpColumn>(
      ui, heights_tab_->table(), equipos_specs_, HeightsTab::kTableTag,
      [this](size_t row) { rinex_column_->ShowRow(row); });
  rinex_column_->SetRowLine(
      [this](size_t row) { return arp_column_->LineOf(row); });
  report_command_ = std::make_unique<ReportCommand>(
      ui, heights_tab_->table(),
      [this](size_t row) {
        const std::vector<RowCells>& cells = heights_tab_->cells();
        return row < cells.size() ? cells[row].h : std::string();
      },
      project_, equipos_specs_,
      ReportCommandServices{*services_.pdf, *services_.random, fs,
                            services_.resource_path, services_.today,
                            services_.open_file,
                            [this] { return rinex_column_->States(); },
                            [this] { return settings_.surveyor_name; },
                            [this] { return rinex_column_->Misfiled(); }},
      heights_tab_->bottom_frame());
  WatchProject();

  BuildDossierTab();
  root_.Call({"wm", "protocol", ".", "WM_DELETE_WINDOW",
              ui.Bind("cerrar", [this] { Close(); })});
  // While tab 2 is shown, files copied into a point's RINEX folder are
  // noticed and that point read again.
  rinex_watch_ = std::make_unique<RinexWatch>(
      ui, fs, project_,
      [this](const std::string& code, const std::string& folder) {
        rinex_column_->ReadPointAgain(code, folder);
      });
  root_.Call({"bind", kTabControl, "<<NotebookTabChanged>>",
              "+" + ui.Bind("volver_a_alturas", [this] {
                if (root_.Call({kTabControl, "select"}) != kTabAlturas) {
                  rinex_watch_->Stop();
                  return;
                }
                project_.WhenSettled([this] { rinex_column_->ReadRinex(); });
                rinex_watch_->Start();
              })});
}

HeightsTabHooks MainWindow::HeightsHooks() {
  HeightsTabHooks hooks;
  hooks.chooser_dir = [this] { return ChooserStart(); };
  hooks.access = [this](const std::string& folder) { return AccessTo(folder); };
  hooks.rows_made = [this](const std::string& frame_rows, const tk::Obj& tags) {
    arp_column_->MakeColumn(frame_rows);
    rinex_column_->MakeColumn(frame_rows, tags);
  };
  // The ARP cells first: the status line reads them.
  hooks.rows_changed = [this](const std::vector<size_t>& rows) {
    arp_column_->RowsChanged(rows);
    rinex_column_->RowsChanged(rows);
  };
  return hooks;
}

void MainWindow::WatchProject() {
  // A new project's observation files are read once its table is there,
  // and again when the surveyor comes back to the tab: they may have been
  // copied or processed meanwhile.
  project_.AddObserver([this] { rinex_column_->ReadRinex(); });
  project_.AddObserver([this] {
    if (project_.is_open()) Remember(project_.folder(), true);
  });
  // The project open for editing is marked as this window's; one open to
  // be read only, or none, leaves no mark.
  project_.AddObserver([this] {
    if (!project_.is_open() || project_.read_only()) {
      lock_->Release();
      return;
    }
    const Status taken = lock_->Take(project_.folder());
    if (!taken.ok()) ui_->Print("Error: " + taken.message());
  });
}

PointCellSources MainWindow::DossierCellSources() {
  // The RINEX, SESIÓN and ALTURA cells are tab 2's own, asked by point
  // code: the observation files are read in one place for both tabs.
  PointCellSources cells;
  cells.rinex = [this](const std::string& code) {
    return rinex_column_->CellText(code);
  };
  cells.session = [this](const std::string& code, std::string* reason) {
    SessionCell cell = rinex_column_->SessionCellOf(code);
    *reason = std::move(cell.reason);
    return cell.text;
  };
  cells.height = [this](const std::string& code) {
    const MeasurementTable& table = heights_tab_->table();
    for (size_t idx = 0; idx < table.size(); ++idx) {
      if (table.at(idx).codigo != code) continue;
      return DossierHeightCell(
          DescribeRowArp(table.values(idx), equipos_specs_));
    }
    return std::string("—");
  };
  cells.warnings = [this](const std::string& code) {
    return rinex_column_->MisfiledTexts(code);
  };
  return cells;
}

void MainWindow::BuildDossierTab() {
  dossier_tab_ = std::make_unique<DossierTab>(
      *ui_, *services_.fs, project_, kTabExpediente, services_.open_file);
  dossier_tab_->SetPointCells(DossierCellSources());
  dossier_tab_->SetEvidenceLimits(EvidenceLimits{
      static_cast<double>(settings_.photo_distance_m), settings_.photo_days});
  // Limits the surveyor applies are kept with the other settings; they
  // take effect only once the file holds them.
  dossier_tab_->SetLimitsSaver([this](int max_distance_m, int max_days) {
    Settings changed = settings_;
    changed.photo_distance_m = max_distance_m;
    changed.photo_days = max_days;
    if (!services_.settings_dir.empty()) {
      const Status status =
          SaveSettings(*services_.fs, services_.settings_dir, changed);
      if (!status.ok()) return status;
    }
    settings_ = std::move(changed);
    return Status::OK();
  });
  // "GENERAR REPORTAJE FOTOGRÁFICO" prints what the tab shows, with each
  // point's band from tab 2's table.
  PhotoReportServices photo_services{*services_.pdf, *services_.random,
                                     *services_.fs, services_.today,
                                     services_.open_file};
  photo_services.author = [this] { return settings_.surveyor_name; };
  photo_report_ = std::make_unique<PhotoReportCommand>(
      *ui_, std::move(photo_services), dossier_tab_->progress_frame());
  dossier_tab_->SetPhotoReport([this] {
    if (!project_.is_open() || photo_report_->running()) return;
    // The report prints the project as it is now, not as a scan still
    // under way left it half read.
    if (dossier_tab_->scanning()) dossier_tab_->FinishScan();
    PhotoReportRequest request;
    request.project_root = dossier_tab_->scan().project_root;
    request.scan = dossier_tab_->scan();
    request.matrix = dossier_tab_->matrix();
    const MeasurementTable& table = heights_tab_->table();
    for (size_t idx = 0; idx < table.size(); ++idx) {
      request.bands.emplace(table.at(idx).codigo,
                            BandFromRow(table.at(idx), equipos_specs_));
    }
    photo_report_->Generate(std::move(request));
  });
  WireDossierRefresh();
}

void MainWindow::WireDossierRefresh() {
  // The dossier is read whenever its tab is shown (files may have been
  // added meanwhile), and again when the project changes under it.
  auto shown = [this] {
    return root_.Call({kTabControl, "select"}) == kTabExpediente;
  };
  root_.Call({"bind", kTabControl, "<<NotebookTabChanged>>",
              "+" + ui_->Bind("mostrar_expediente", [this, shown] {
                if (shown())
                  project_.WhenSettled([this] { dossier_tab_->Refresh(); });
              })});
  // Its RINEX cells are tab 2's verdicts, which come in as the observation
  // files are read: a reading that ends shows them.
  rinex_column_->SetReadingDone([this, shown] {
    if (shown()) dossier_tab_->Refresh();
  });
  // A report just written is shown as there at once; hidden, the tab reads
  // it when it is next shown.
  auto report_saved = [this, shown](const std::string&) {
    if (shown()) dossier_tab_->Refresh();
  };
  photo_report_->SetSaved(report_saved);
  report_command_->SetSaved(report_saved);
  project_.AddObserver([this, shown] {
    if (shown()) {
      dossier_tab_->Refresh();
    } else {
      dossier_tab_->Clear();
    }
  });
}

void MainWindow::Close() {
  const Status saved = heights_tab_->FinishSaves();
  if (!saved.ok()) {
    const std::string answer = root_.Call(
        {"tk_messageBox", "-type", "yesno", "-default", "no", "-icon",
         "warning", "-title", "Error", "-message",
         "NO SE PUDIERON GUARDAR LAS MEDIDAS.\n" + saved.message() +
             "\n¿CERRAR DE TODAS FORMAS? LOS ÚLTIMOS CAMBIOS DE LA TABLA NO "
             "ESTÁN EN EL ARCHIVO."});
    if (answer != "yes") return;
  }
  RememberWindow();
  rinex_watch_->Stop();
  root_.Call({"destroy", "."});
}

ProjectAccess MainWindow::AccessTo(const std::string& folder) {
  // The mark is taken here, before the table is built: of two windows
  // opening the project at once, one takes it and the other asks.
  const LockClaim claim = lock_->Claim(folder);
  if (claim.result == LockClaim::Result::kRefused) {
    // Unmarked, another copy could not tell that this one edits: nothing is
    // written from this window.
    root_.Call({"tk_messageBox", "-icon", "warning", "-title", "Aviso",
                "-message",
                "NO SE PUEDE MARCAR EL PROYECTO COMO ABIERTO EN ESTA "
                "VENTANA:\n" +
                    claim.why.message() +
                    "\n\nSE ABRE EN SOLO LECTURA: LA TABLA MUESTRA LAS "
                    "MEDIDAS, NO SE PUEDE EDITAR Y NO SE GUARDA NADA."});
    return ProjectAccess::kReadOnly;
  }
  if (claim.result == LockClaim::Result::kTaken) return ProjectAccess::kEdit;
  const LockHolder* holder = &*claim.holder;
  std::tm local;
  LocalTime(static_cast<std::time_t>(holder->since), &local);
  char since[32];
  std::strftime(since, sizeof since, "%d/%m/%Y %H:%M", &local);
  const std::string answer =
      root_.Call({"tk_messageBox", "-type", "yesnocancel", "-default", "yes",
                  "-icon", "warning", "-title", "Aviso", "-message",
                  LockHeldText(BoxPath(folder), *holder, since)});
  if (answer == "yes") return ProjectAccess::kReadOnly;
  if (answer == "no") return ProjectAccess::kEdit;
  return ProjectAccess::kNone;
}

std::string MainWindow::ChooserStart() {
  FileSystem& fs = *services_.fs;
  for (const std::string* folder :
       {&settings_.last_folder, &services_.documents_dir}) {
    if (!folder->empty() && fs.IsDirectory(*folder)) return *folder;
  }
  return "";
}

void MainWindow::Remember(const std::string& folder, bool project) {
  if (services_.settings_dir.empty()) return;
  settings_.last_folder = folder;
  if (project) settings_.last_project = folder;
  const Status status =
      SaveSettings(*services_.fs, services_.settings_dir, settings_);
  if (!status.ok()) ui_->Print("Error: " + status.message());
}

void MainWindow::SetupCustomTabs() {
  const Ui& ui = *ui_;
  const std::string font10 = root_.CallObj({"list", ui.family(), 10}).str();
  const std::string font11b =
      root_.CallObj({"list", ui.family(), 11, "bold"}).str();
  root_.Call({"ttk::style", "configure", "Custom.TNotebook", "-background",
              ui.color("bg_main"), "-borderwidth", 0});
  root_.Call({"ttk::style", "configure", "Custom.TNotebook.Tab", "-padding",
              tk::Obj::List({"19", "4"}), "-font", font10, "-background",
              ui.color("tab_bg"), "-foreground", "white"});
  root_.Call({"ttk::style", "map", "Custom.TNotebook.Tab", "-background",
              tk::Obj::List({"selected", ui.color("tab_selected"), "active",
                             ui.color("primary")}),
              "-font", tk::Obj::List({"selected", font11b}), "-padding",
              tk::Obj::List({"selected", "19 9 19 4"})});
  // Tab, padding, focus ring, label: the ring (white on the tab's colour)
  // shows which tab the arrow keys move from when the tabs have the focus.
  // It is a pixel wide on every side, which the padding above gives back,
  // so that the tabs keep their size.
  root_.Call({"ttk::style", "configure", "Custom.TNotebook.Tab", "-focuscolor",
              "white"});
  tk::Obj label =
      tk::Obj::List({"Notebook.label", "-side", "top", "-sticky", ""});
  std::string padding_children =
      tk::Obj::List({"Notebook.focus", "-side", "top", "-sticky", "nswe",
                     "-children", label.str()})
          .str();
  std::string padding =
      tk::Obj::List({"Notebook.padding", "-side", "top", "-sticky", "nswe",
                     "-children", padding_children})
          .str();
  std::string layout =
      tk::Obj::List({"Notebook.tab", "-sticky", "nswe", "-children", padding})
          .str();
  root_.Call({"ttk::style", "layout", "Custom.TNotebook.Tab", layout});
}

}  // namespace zarvek
