// The window icon and the header banner of the main window.
#include <algorithm>
#include <string>
#include <vector>

#include "app/app_text.h"
#include "image/lanczos.h"
#include "app/screen_scale.h"
#include "app/main_window.h"
#include "image/png_decode.h"
#include "text/ascii_text.h"

namespace zarvek {

Status MainWindow::DecodePicture(const std::string& path,
                                             RgbaImage* image) {
  return DecodePngFile(*services_.fs, path, image);
}

void MainWindow::CargarIconos() {
  const std::string icon_path = services_.resource_path(kIconFile);
  if (!services_.fs->Exists(icon_path)) return;
  RgbaImage icon_img;
  Status status = DecodePicture(icon_path, &icon_img);
  if (status.ok()) {
    // An icon too large for the X request that carries it would end the
    // program; shrink it to the largest size any desktop draws.
    const PixelSize fit =
        FitWithin(icon_img.width, icon_img.height, kMaxIconSide, kMaxIconSide);
    if (fit.width != icon_img.width || fit.height != icon_img.height) {
      icon_img = ResampleLanczos3(icon_img, fit.width, fit.height);
      if (icon_img.width == 0) {
        status = Status::Error("no se pudo reducir " + icon_path);
      }
    }
  }
  if (status.ok()) status = root_.PutPhoto("::zarvek::icon_photo", icon_img);
  if (status.ok()) {
    try {
      root_.Call({"wm", "iconphoto", ".", "::zarvek::icon_photo"});
      icon_photo_ = "::zarvek::icon_photo";
    } catch (const tk::Error& e) {
      status = Status::Error(e.what());
    }
  }
  if (!status.ok()) ui_->Print("Error cargando icono: " + status.message());
}

void MainWindow::SetupHeader() {
  const std::string inner_header = std::string(kHeaderFrame) + ".inner_header";
  const Ui& ui = *ui_;
  root_.Call({"frame", inner_header, "-bg", ui.color("bg_panel")});
  root_.Call({"pack", inner_header, "-expand", 1, "-fill", "both", "-padx", 20,
              "-pady", 10});
  const std::string logo_path = services_.resource_path(kLogoFile);
  if (services_.fs->Exists(logo_path)) {
    // A logo that cannot be shown leaves its place empty; the console says
    // why.
    const Status status = ShowLogo(logo_path, inner_header + ".lbl_logo");
    if (!status.ok()) ui_->Print("Error cargando logo: " + status.message());
  } else {
    root_.Call({"label", inner_header + ".placeholder", "-text",
                "[LOGO QUENTARO]", "-font",
                tk::Obj::List({"Arial", "16", "bold"}), "-fg",
                ui.color("primary"), "-bg", ui.color("bg_panel")});
    root_.Call({"pack", inner_header + ".placeholder"});
  }
  root_.Call({"label", inner_header + ".credit", "-text", kCreditLine, "-font",
              tk::Obj::List({ui.family(), "9", "bold"}), "-fg",
              ui.color("primary"), "-bg", ui.color("bg_panel")});
  root_.Call(
      {"pack", inner_header + ".credit", "-pady", tk::Obj::List({"2", "5"})});
  // Placed over the header's corner, so that the banner keeps its layout.
  root_.Call({"ttk::button", kSurveyorButton, "-text", "DATOS DEL TOPÓGRAFO",
              "-command",
              ui_->Bind("datos_topografo", [this] { ShowSurveyorDialog(); })});
  root_.Call({"place", kSurveyorButton, "-relx", "1.0", "-x", -10, "-y", 10,
              "-anchor", "ne"});
}

namespace {

struct SurveyorField {
  const char* entry;
  const char* label;
  std::string Settings::*value;
};

constexpr SurveyorField kSurveyorFields[] = {
    {".topografo.nombre", "NOMBRE Y APELLIDOS:", &Settings::surveyor_name},
    {".topografo.colegiado", "Nº DE COLEGIADO:", &Settings::surveyor_licence},
    {".topografo.lugar", "LUGAR:", &Settings::surveyor_place},
};

// An entry's text as one line: line breaks and tabs (pasted text brings
// them) become spaces, which the settings file can keep, and the white
// space at both ends goes.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t' || c == '\0') c = ' ';
  }
  return std::string(TrimSpace(text));
}

}  // namespace

void MainWindow::ShowSurveyorDialog() {
  const std::string dialog = kSurveyorDialog;
  if (root_.Call({"winfo", "exists", dialog}) == "1") {
    root_.Call({"wm", "deiconify", dialog});
    root_.Call({"raise", dialog});
    return;
  }
  root_.Call({"toplevel", dialog});
  root_.Call({"wm", "title", dialog, "DATOS DEL TOPÓGRAFO"});
  root_.Call({"wm", "transient", dialog, "."});
  int row = 0;
  for (const SurveyorField& field : kSurveyorFields) {
    const std::string label = std::string(field.entry) + "_etiqueta";
    root_.Call({"ttk::label", label, "-text", field.label});
    root_.Call({"ttk::entry", field.entry, "-width", 40});
    root_.Call({field.entry, "insert", 0, settings_.*field.value});
    root_.Call({"grid", label, "-row", row, "-column", 0, "-sticky", "w",
                "-padx", 8, "-pady", 4});
    root_.Call({"grid", field.entry, "-row", row, "-column", 1, "-sticky", "ew",
                "-padx", 8, "-pady", 4});
    ++row;
  }
  const std::string save = dialog + ".guardar";
  root_.Call({"ttk::button", save, "-text", "GUARDAR", "-command",
              ui_->Bind("guardar_topografo", [this] { SaveSurveyor(); })});
  root_.Call({"grid", save, "-row", row, "-column", 1, "-sticky", "e", "-padx",
              8, "-pady", 8});
  root_.Call({"focus", kSurveyorFields[0].entry});
}

void MainWindow::SaveSurveyor() {
  Settings changed = settings_;
  for (const SurveyorField& field : kSurveyorFields) {
    changed.*field.value = OneLine(root_.Call({field.entry, "get"}));
  }
  // The dialog stays open, with what was typed, until the file keeps it.
  if (!services_.settings_dir.empty()) {
    const Status status =
        SaveSettings(*services_.fs, services_.settings_dir, changed);
    if (!status.ok()) {
      root_.Call({"tk_messageBox", "-parent", kSurveyorDialog, "-icon", "error",
                  "-title", "DATOS DEL TOPÓGRAFO", "-message",
                  "NO SE PUDIERON GUARDAR LOS DATOS DEL TOPÓGRAFO:\n" +
                      status.message()});
      return;
    }
  }
  settings_ = std::move(changed);
  root_.Call({"destroy", kSurveyorDialog});
}

Status MainWindow::ShowLogo(const std::string& path,
                                        const std::string& label) {
  RgbaImage pil_img;
  Status status = DecodePicture(path, &pil_img);
  if (!status.ok()) return status;
  // kLogoBaseHeight high at 96 dpi, and as much higher as the text on a
  // denser screen, unless the logo is so wide that X could not draw it at
  // that height.
  const PixelSize size = LogoSizeFor(pil_img.width, pil_img.height,
                                     ScaledPixels(kLogoBaseHeight, density_));
  if (size.width <= 0) return Status::Error("tamaño no válido: " + path);
  RgbaImage scaled = ResampleLanczos3(pil_img, size.width, size.height);
  if (scaled.width <= 0) return Status::Error("no se pudo escalar " + path);
  status = root_.PutPhoto("::zarvek::logo_img", scaled);
  if (!status.ok()) return status;
  try {
    root_.Call({"label", label, "-image", "::zarvek::logo_img", "-bg",
                ui_->color("bg_panel")});
    root_.Call({"pack", label, "-pady", tk::Obj::List({"5", "0"})});
  } catch (const tk::Error& e) {
    return Status::Error(e.what());
  }
  logo_img_ = "::zarvek::logo_img";
  return Status::OK();
}

void MainWindow::_setup_folder_picture(const std::string& button) {
  // An emoji would need a colour-emoji font, which Windows under Wine and
  // many Linux desktops lack (it draws as two boxes there); a picture draws
  // the same everywhere. The 2x drawing serves every dense screen, reduced
  // to the screen's scale.
  const int side = ScaledPixels(16, density_);
  const std::string path =
      services_.resource_path(side > 16 ? kFolderPicture2x : kFolderPicture1x);
  if (!services_.fs->Exists(path)) return;
  RgbaImage picture;
  Status status = DecodePicture(path, &picture);
  if (status.ok() && picture.width != side) {
    picture = ResampleLanczos3(picture, side, side);
    if (picture.width == 0)
      status = Status::Error("no se pudo escalar " + path);
  }
  if (status.ok()) status = root_.PutPhoto("::zarvek::carpeta_img", picture);
  if (!status.ok()) {
    ui_->Print("Error cargando imagen: " + status.message());
    return;
  }
  root_.Call({button, "configure", "-image", "::zarvek::carpeta_img",
              "-compound", "left"});
  // A picture taller than the text's line would make the button, and the
  // project bar with it, taller; the padding above and below gives the
  // difference back, so that the table below stays where it was.
  const int line = ui_->Int(
      {"font", "metrics",
       root_.Call({"ttk::style", "lookup", "TButton", "-font"}), "-linespace"});
  const std::vector<std::string> padding = root_.SplitList(
      root_.Call({"ttk::style", "lookup", "TButton", "-padding"}));
  if (side > line && padding.size() == 1) {
    const int pad = IntFromReply(padding[0], "TButton -padding");
    const int extra = side - line;
    const int top = std::max(0, pad - extra / 2);
    const int bottom = std::max(0, pad - (extra - extra / 2));
    root_.Call({"ttk::style", "configure", "Carpeta.TButton", "-padding",
                tk::Obj::List({std::to_string(pad), std::to_string(top),
                               std::to_string(pad), std::to_string(bottom)})});
    root_.Call({button, "configure", "-style", "Carpeta.TButton"});
  }
}

}  // namespace zarvek
