#include "report/page_frame.h"

#include <optional>

#include "text/decimal.h"

// Set by the build (CMake's ZARVEK_WEB_ADDRESS) for this file alone.
#ifndef ZARVEK_WEB_ADDRESS
#define ZARVEK_WEB_ADDRESS ""
#endif

namespace zarvek {
namespace {

constexpr char kRegular[] = "Helvetica";
constexpr char kBold[] = "Helvetica-Bold";

constexpr char kLogo[] = "LOGO_QUENTARO.png";
constexpr char kWatermark[] = "ICONO_QUENTARO.png";

// Half the capital height of Helvetica 8: lowers the placeholder's baseline
// so that its letters, not their baseline, sit at the frame's middle.
constexpr double kPlaceholderBaselineDrop = 3.0;

// The path of resource `name` when it exists, or nullopt. A lookup that is
// not wired counts as "no such file".
std::optional<std::string> FindResource(const ResourceLookup& resources,
                                        const std::string& name) {
  if (!resources.resource_path || !resources.file_exists) return std::nullopt;
  std::string path = resources.resource_path(name);
  if (!resources.file_exists(path)) return std::nullopt;
  return path;
}

// Where the parts of a page go, from its size: the layout of the page in
// one place, shared by the functions that draw its parts.
struct PageGeometry {
  explicit PageGeometry(const PageContext& context)
      : width(context.width), height(context.height) {}

  const double width;
  const double height;
  const double header_y = height - 2.5 * kCm;
  const double y_info_box_height = 1.8 * kCm;
  const double y_info = header_y - y_info_box_height;
  const double text_y_base = y_info + y_info_box_height - 0.8 * kCm;
  const double y_content_top = y_info - 0.5 * kCm;
  const double img_gnss_h = 15 * kCm;
  const double x_gnss = width / 2 - 4.5 * kCm;
  const double x_ref = width / 2 + 4.0 * kCm;
  const double y_ref_draw = y_content_top - 6 * kCm + 2 * kCm;
  const double block_width = 7.5 * kCm;
  const double y_specs_fixed =
      y_content_top - 6 * kCm - 1 * kCm - 3 * kCm - 3 * kCm;
  const double y_medicion = y_specs_fixed - 2.8 * kCm - 0.4 * kCm;
  const double wm_w = 18 * kCm;
  const double wm_h = 18 * kCm;
  const double footer_y = 1.0 * kCm;
};

// Header (title, logo, rule), border and information band with the
// point's code, receiver and date.
void DrawHead(PdfCanvas& c, const PageGeometry& g, const PageValues& page,
              const PageContext& context, const ResourceLookup& resources) {
  const double W = g.width;
  const Rgb& dark = context.color_dark;
  // Header, border and band are the same on every page of a report.
  c.drawShared(SharedKey("frame-head", {W, g.height, dark.r, dark.g, dark.b}),
               [&](PdfCanvas& c) {
                 // Header: title, logo, rule.
                 c.setFont(kBold, 12);
                 c.setFillColorRGB(dark.r, dark.g, dark.b);
                 c.drawRightString(W - 2 * kCm, g.header_y + 0.5 * kCm,
                                   "CONVERSIÓN DE ALTURA");
                 if (auto logo = FindResource(resources, kLogo)) {
                   c.drawImage(*logo, 4.4 * kCm, g.header_y + 0.8 * kCm,
                               5 * kCm, 2 * kCm, /*keep_aspect=*/true,
                               PdfCanvas::ImageAnchor::kCentreOn);
                 }
                 c.setLineWidth(2);
                 c.setStrokeColorRGB(dark.r, dark.g, dark.b);
                 c.line(1.5 * kCm, g.header_y, W - 1.5 * kCm, g.header_y);

                 // Border, closing at the header rule.
                 c.setLineWidth(1);
                 c.setStrokeColorRGB(0.5, 0.5, 0.5);
                 c.rect(1.5 * kCm, 1.5 * kCm, W - 3 * kCm,
                        g.header_y - 1.5 * kCm,
                        /*stroke=*/true, /*fill=*/false);

                 // Information band.
                 c.setFillColorRGB(0.92, 0.94, 0.96);
                 c.rect(1.6 * kCm, g.y_info, W - 3.2 * kCm,
                        g.y_info_box_height - 0.2 * kCm,
                        /*stroke=*/false, /*fill=*/true);
               });
  c.setFillColorRGB(dark.r, dark.g, dark.b);
  c.setFont(kBold, 16);
  c.drawString(2 * kCm, g.text_y_base, "PUNTO: " + page.codigo);
  c.setFont(kRegular, 10);
  c.drawString(2 * kCm, g.text_y_base - 0.7 * kCm,
               "RECEPTOR GNSS: " + page.rec_full +
                   "  |  FECHA DE CONVERSIÓN: " + context.fecha);
}

// The receiver set-up picture (or its placeholder) and the reference
// picture.
void DrawPictures(PdfCanvas& c, const PageGeometry& g, const PageValues& page,
                  const ResourceLookup& resources) {
  using Anchor = PdfCanvas::ImageAnchor;
  // Set-up picture, or a frame that keeps its place. A file that exists but
  // cannot be drawn gets the frame too, rather than a hole in the page.
  const double gnss_centre_y = g.y_content_top - g.img_gnss_h + 7 * kCm;
  const auto setup = FindResource(
      resources, SetupImageName(page.datos, page.acc, page.tipo, page.ref));
  const bool setup_drawn =
      setup &&
      c.drawImage(*setup, g.x_gnss, gnss_centre_y, std::nullopt, g.img_gnss_h,
                  /*keep_aspect=*/true, Anchor::kCentreOn);
  if (!setup_drawn) {
    c.setStrokeColorRGB(0.8, 0.8, 0.8);
    c.rect(g.x_gnss - 3 * kCm, gnss_centre_y - g.img_gnss_h / 2, 6 * kCm,
           g.img_gnss_h, /*stroke=*/true, /*fill=*/false);
    c.setFont(kRegular, 8);
    c.drawCentredString(g.x_gnss, gnss_centre_y - kPlaceholderBaselineDrop,
                        "SIN IMAGEN");
  }

  if (auto ref_img =
          FindResource(resources, ReferenceImageName(page.datos, page.ref))) {
    c.drawImage(*ref_img, g.x_ref, g.y_ref_draw, 5 * kCm * 1.7, std::nullopt,
                /*keep_aspect=*/true, Anchor::kCentreOn);
  }
}

// The three blocks, each with its own saved graphics state. Fails when the
// field block does (a measured height that is not a number), before the
// calculation block is drawn.
Status DrawBlocks(PdfCanvas& c, const PageGeometry& g, const PageValues& page,
                  const PageContext& context) {
  const double block_x = g.x_ref - g.block_width / 2;
  DrawSpecsBlock(c, block_x, g.y_specs_fixed, g.block_width, page.datos,
                 page.ref);
  Status field = DrawFieldMeasureBlock(c, block_x, g.y_medicion, g.block_width,
                                       page.tipo, page.acc, page.h, page.ref);
  if (!field.ok()) return field;
  const Conversion& conv = page.conversion;
  DrawIntegratedCalculationBlock(c, 2.5 * kCm, 2.5 * kCm, conv.mode, conv.vals,
                                 conv.arp, conv.phase_center,
                                 context.color_dark, page.ref);
  return Status::OK();
}

// Watermark, linked web address, credit line and page number.
void DrawFoot(PdfCanvas& c, const PageGeometry& g, const PageContext& context,
              const ResourceLookup& resources) {
  const double W = g.width;
  const double H = g.height;
  const Rgb& dark = context.color_dark;
  // Watermark, web address and credit line: the same on every page.
  const std::string& web = context.web_address;
  c.drawShared(
      SharedKey("frame-foot", {W, H, dark.r, dark.g, dark.b}, web),
      [&](PdfCanvas& c) {
        if (auto watermark = FindResource(resources, kWatermark)) {
          c.saveState();
          c.setFillAlpha(0.1);
          c.drawImage(*watermark, (W - g.wm_w) / 2, (H - g.wm_h) / 2, g.wm_w,
                      g.wm_h, /*keep_aspect=*/true,
                      PdfCanvas::ImageAnchor::kFitInBox);
          c.restoreState();
        }

        // Footer: linked web address, if the build gives one, credit line.
        if (!web.empty()) {
          c.setFont(kBold, 10);
          c.setFillColorRGB(0.16, 0.5, 0.72);
          c.drawCentredString(W / 2, g.footer_y, web);
          const double w_url = c.stringWidth(web, kBold, 10);
          c.linkURL(web, W / 2 - w_url / 2, g.footer_y - 2, W / 2 + w_url / 2,
                    g.footer_y + 8);
        }
        c.setFont(kBold, 6);
        c.setFillColorRGB(dark.r, dark.g, dark.b);
        c.drawCentredString(W / 2, g.footer_y - 0.4 * kCm, kReportCreditLine);
      });
  // The page number.
  c.setFont(kBold, 8);
  c.drawRightString(W - 1.5 * kCm, g.footer_y,
                    "PÁGINA " + FormatFixed(context.page_counter, 0) + "/" +
                        FormatFixed(context.total_pages, 0));
}

}  // namespace

std::string SetupImageName(const ReceiverSpec& datos, std::string_view acc,
                           std::string_view tipo, std::string_view ref) {
  std::string alias_acc_str;
  if (acc.find("TRÍPODE") != std::string_view::npos) {
    alias_acc_str = "TRIPODE";
  } else if (acc.find("BÍPODE") != std::string_view::npos) {
    alias_acc_str = "BIPODE Y BASTON";
  } else if (acc.find("BASTÓN") != std::string_view::npos) {
    alias_acc_str = "BASTON";
  }
  const std::string alias_type_str = tipo == "INCLINADA" ? "AI" : "AV";
  return datos.alias + "_" + alias_acc_str + "_" + alias_type_str + "_" +
         std::string(ref) + ".png";
}

std::string ReferenceImageName(const ReceiverSpec& datos,
                               std::string_view ref) {
  return datos.alias + "_" + std::string(ref) + ".png";
}

std::string_view ReportWebAddress() { return ZARVEK_WEB_ADDRESS; }

Status DrawReportPage(PdfCanvas& c, const PageValues& page,
                      const PageContext& context,
                      const ResourceLookup& resources) {
  const PageGeometry geometry(context);
  DrawHead(c, geometry, page, context, resources);
  DrawPictures(c, geometry, page, resources);
  Status blocks = DrawBlocks(c, geometry, page, context);
  if (!blocks.ok()) return blocks;
  DrawFoot(c, geometry, context, resources);
  return Status::OK();
}

}  // namespace zarvek
