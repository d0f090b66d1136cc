// The window icon and the header banner of the main window.
#include "app/app_text.h"
#include "app/lanczos.h"
#include "app/zarvek_core.h"
#include "platform/png_decode.h"

namespace zarvek {
namespace {

bool FileExists(const std::string& path) {
  return RealFileSystem().Exists(path);
}

}  // namespace

void ZarvekCertificacionApp::_cargar_iconos() {
  const std::string icon_path = services_.resource_path(kIconFile);
  if (!FileExists(icon_path)) return;
  RgbaImage icon_img;
  Status status = DecodePngFile(icon_path, &icon_img);
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
  if (status.ok()) status = root.PutPhoto("::zarvek::icon_photo", icon_img);
  if (status.ok()) {
    try {
      root.Call({"wm", "iconphoto", ".", "::zarvek::icon_photo"});
      icon_photo = "::zarvek::icon_photo";
    } catch (const tk::Error& e) {
      status = Status::Error(e.what());
    }
  }
  if (!status.ok()) Print("Error cargando icono: " + status.message());
}

void ZarvekCertificacionApp::_setup_header() {
  const std::string inner_header = header_frame + ".inner_header";
  root.Call({"frame", inner_header, "-bg", color("bg_panel")});
  root.Call({"pack", inner_header, "-expand", 1, "-fill", "both", "-padx", 20,
             "-pady", 10});

  // Any failure of the logo leaves its place empty, silently.
  const std::string logo_path = services_.resource_path(kLogoFile);
  if (FileExists(logo_path)) {
    RgbaImage pil_img;
    if (DecodePngFile(logo_path, &pil_img).ok()) {
      // kLogoBaseHeight high, unless the logo is so wide that X could not
      // draw it at that height.
      const PixelSize size = LogoSizeFor(pil_img.width, pil_img.height);
      if (size.width > 0) {
        RgbaImage scaled = ResampleLanczos3(pil_img, size.width, size.height);
        if (scaled.width > 0 &&
            root.PutPhoto("::zarvek::logo_img", scaled).ok()) {
          try {
            root.Call({"label", inner_header + ".lbl_logo", "-image",
                       "::zarvek::logo_img", "-bg", color("bg_panel")});
            root.Call({"pack", inner_header + ".lbl_logo", "-pady",
                       tk::Obj::List({"5", "0"})});
            logo_img = "::zarvek::logo_img";
          } catch (const tk::Error&) {
          }
        }
      }
    }
  } else {
    root.Call({"label", inner_header + ".placeholder", "-text",
               "[LOGO QUENTARO]", "-font",
               tk::Obj::List({"Arial", "16", "bold"}), "-fg", color("primary"),
               "-bg", color("bg_panel")});
    root.Call({"pack", inner_header + ".placeholder"});
  }

  root.Call({"label", inner_header + ".credit", "-text", kCreditLine, "-font",
             tk::Obj::List({ui_family_, "9", "bold"}), "-fg", color("primary"),
             "-bg", color("bg_panel")});
  root.Call(
      {"pack", inner_header + ".credit", "-pady", tk::Obj::List({"2", "5"})});
}

}  // namespace zarvek
