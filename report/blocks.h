// The three boxes of a report page: the receiver's technical constants, the
// surveyor's field notes and the worked conversion, with the two helpers
// that typeset a subscript and a square-root sign from text and lines. Each
// box saves the canvas's graphics state on entry and restores it on exit,
// so fonts, colours and line widths chosen inside never leak onto the page.
#ifndef ZARVEK_REPORT_BLOCKS_H_
#define ZARVEK_REPORT_BLOCKS_H_

#include <functional>
#include <string>
#include <string_view>

#include "heights/catalogue.h"
#include "heights/conversion.h"
#include "pdf/pdf_canvas.h"
#include "platform/status.h"

namespace zarvek {

/// A colour as fractions of 1.
struct Rgb {
  double r, g, b;
};

/// The report's dark colour: titles, frames, formulas.
inline constexpr Rgb COLOR_DARK{0.17, 0.24, 0.31};
/// The light fill of the three boxes.
inline constexpr Rgb kBoxFill{0.96, 0.96, 0.96};

/// Draws the 4.0 cm high "ESPECIFICACIONES TÉCNICAS" box with its lower-left
/// corner at (x, y): radius, the constant of reference `ref` (HR1 for "R1",
/// the plate for "R2", "---" otherwise), L1, L2 and their mean, in metres
/// with four decimals.
void DrawSpecsBlock(PdfCanvas& c, double x, double y, double width_box,
                    const ReceiverSpec& data, std::string_view ref);

/// Draws the 2.8 cm high "APUNTES DE CAMPO" box with its lower-left corner
/// at (x, y): the measurement type and the accessory in capitals (an
/// accessory longer than 24 characters is cut to 22 and "...") and the
/// measured height with four decimals (a decimal comma read as the point,
/// the number printed with the point). Fails, drawing nothing, when
/// `altura_medida` is not a decimal number.
Status DrawFieldMeasureBlock(PdfCanvas& c, double x, double y, double width_box,
                             std::string_view tipo_medida,
                             std::string_view accesorio,
                             std::string_view altura_medida,
                             std::string_view ref_name);

/// Draws `base_text` in Helvetica `font_size` at (cx, cy) followed by
/// `sub_text` lowered by 2 points in Helvetica `font_size` - 3, and returns
/// the x just after the subscript. Leaves the subscript font set.
double draw_subscript_text(PdfCanvas& c, double cx, double cy,
                           std::string_view base_text,
                           std::string_view sub_text, double font_size = 11);

/// Draws a square-root sign at (cx, cy) whose overbar spans `width_est`
/// points beyond the radicand's start, in line width 1 and `stroke_color`,
/// calls `content_draw_func(cx + 8, cy)` to write the radicand and returns
/// the x 2 points beyond the bar's end. The width is an estimate: the bar
/// follows it, not the drawn text.
double draw_sqrt_manual(
    PdfCanvas& c, double cx, double cy,
    const std::function<void(double dx, double dy)>& content_draw_func,
    double width_est, const Rgb& stroke_color, double font_size = 11);

/// Draws the 16 cm x 5.2 cm calculation box with its lower-left corner at
/// (x, y): the formula of `mode` ("SLANT_R1", "SLANT_R2", "VERTICAL_R3";
/// none for any other text) on the left, the same with the numbers of
/// `vals` substituted on the right, then the ARP height `arp_res`, the
/// addition of the mean offset and the phase-centre height `pc_res`, every
/// number with four decimals.
void DrawIntegratedCalculationBlock(PdfCanvas& c, double x, double y,
                                    std::string_view mode,
                                    const ConversionVals& vals, double arp_res,
                                    double pc_res, const Rgb& stroke_color,
                                    std::string_view ref);

}  // namespace zarvek

#endif  // ZARVEK_REPORT_BLOCKS_H_
