// The frame of one report page: header with title and logo, page border,
// information band (point, receiver, date), the receiver set-up picture,
// the reference picture, the three blocks, a faint watermark and the footer
// with the web address (when the build sets one), a credit line and the
// page number. The pictures are
// optional resources; a missing or unreadable one never stops the page.
#ifndef ZARVEK_REPORT_PAGE_FRAME_H_
#define ZARVEK_REPORT_PAGE_FRAME_H_

#include <functional>
#include <string>
#include <string_view>

#include "heights/catalogue.h"
#include "heights/conversion.h"
#include "pdf/pdf_canvas.h"
#include "platform/status.h"
#include "report/blocks.h"

namespace zarvek {

/// The web address the build gives for the page footer (the CMake cache
/// variable ZARVEK_WEB_ADDRESS); empty unless the build sets one.
std::string_view ReportWebAddress();
/// The credit line printed under the web address.
inline constexpr std::string_view kReportCreditLine =
    "INFORME GENERADO CON ZARVEK - CERTIFICACIÓN DE PG V1.1";

/// How the page finds its optional pictures.
struct ResourceLookup {
  /// Full path of a resource file beside the program, from its file name.
  std::function<std::string(const std::string&)> resource_path;
  /// True when a file exists at the path.
  std::function<bool(const std::string&)> file_exists;
};

/// What one complete table row puts on its page.
struct PageValues {
  std::string codigo;
  std::string rec_full;  ///< receiver model name
  std::string tipo;
  std::string acc;
  std::string ref;
  std::string h;          ///< measured height as typed
  ReceiverSpec datos;     ///< the catalogue record of rec_full
  Conversion conversion;  ///< the result of calcular_arp_y_fase for this row
};

/// Where the page sits in the report and the shared texts.
struct PageContext {
  double width = kA4Width;
  double height = kA4Height;
  Rgb color_dark = COLOR_DARK;
  int page_counter = 1;  ///< 1-based number of this page
  int total_pages = 1;
  std::string fecha;  ///< date line text, e.g. "05/03/2025"
  /// Printed in the footer and linked; empty: no address and no link.
  std::string web_address = std::string(ReportWebAddress());
};

/// File name of the set-up picture: alias, accessory ("TRIPODE",
/// "BIPODE Y BASTON", "BASTON" or empty), type ("AI" for "INCLINADA",
/// otherwise "AV") and reference joined by "_", e.g. R300_TRIPODE_AI_R1.png.
std::string SetupImageName(const ReceiverSpec& datos, std::string_view acc,
                           std::string_view tipo, std::string_view ref);

/// File name of the reference picture, e.g. R300_R1.png.
std::string ReferenceImageName(const ReceiverSpec& datos, std::string_view ref);

/// Draws the whole page on `c` (without closing it). Fails only when a
/// block fails (a measured height that is not a number); pictures that are
/// missing or cannot be drawn are skipped, the set-up picture giving way to
/// a "SIN IMAGEN" frame.
Status DrawReportPage(PdfCanvas& c, const PageValues& page,
                      const PageContext& context,
                      const ResourceLookup& resources);

}  // namespace zarvek

#endif  // ZARVEK_REPORT_PAGE_FRAME_H_
