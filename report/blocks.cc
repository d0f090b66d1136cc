#include "report/blocks.h"

#include <optional>

#include "text/decimal.h"
#include "text/utf8_text.h"

namespace zarvek {
namespace {

constexpr char kRegular[] = "Helvetica";
constexpr char kBold[] = "Helvetica-Bold";
constexpr char kOblique[] = "Helvetica-Oblique";

void SetFill(PdfCanvas& c, const Rgb& rgb) {
  c.setFillColorRGB(rgb.r, rgb.g, rgb.b);
}
void SetStroke(PdfCanvas& c, const Rgb& rgb) {
  c.setStrokeColorRGB(rgb.r, rgb.g, rgb.b);
}

// Every height and constant on the page has the 4 decimals of the
// measurement file, the RINEX header and the substitution line, so that one
// height reads as one number wherever it is checked.
std::string Metres(double value) { return FormatFixed(value, 4) + " m"; }

// The frame shared by the two small boxes: filled rounded box, centred
// heading and the rule beneath it. Leaves the fill dark for the rows.
void DrawSmallBoxFrame(PdfCanvas& c, double x, double y, double width_box,
                       double height_box, std::string_view heading) {
  SetFill(c, kBoxFill);
  SetStroke(c, COLOR_DARK);
  c.setLineWidth(1);
  c.roundRect(x, y, width_box, height_box, 4, /*stroke=*/true, /*fill=*/true);
  SetFill(c, COLOR_DARK);
  c.setFont(kBold, 9);
  c.drawCentredString(x + width_box / 2, y + height_box - 12, heading);
  c.line(x + 5, y + height_box - 18, x + width_box - 5, y + height_box - 18);
}

// One label/value row on a common baseline.
void DrawRow(PdfCanvas& c, double label_x, double value_x, double baseline,
             std::string_view label, std::string_view value,
             std::string_view value_font = kRegular, double value_size = 8) {
  c.setFont(kBold, 8);
  c.drawString(label_x, baseline, label);
  c.setFont(value_font, value_size);
  c.drawString(value_x, baseline, value);
}

}  // namespace

void DrawSpecsBlock(PdfCanvas& c, double x, double y, double width_box,
                    const ReceiverSpec& data, std::string_view ref) {
  const double height_box = 4.0 * kCm;
  const double label_x = x + 10;
  const double value_x = x + 140 - 0.8 * kCm;
  const double start_y = y + height_box - 32;
  const double gap = 13;
  std::string lbl_h = "CONSTANTE:";
  std::string val_hr1 = "---";
  if (ref == "R1") {
    lbl_h = "CONSTANTE (HR1):";
    val_hr1 = Metres(data.h_r1);
  } else if (ref == "R2") {
    lbl_h = "CONSTANTE (PLACA):";
    val_hr1 = Metres(data.placa);
  }
  const double avg = (data.L1 + data.L2) / 2;

  // The block depends only on the receiver and the reference: one drawing
  // serves every page that shows the same pair.
  c.drawShared(SharedKey("specs",
                         {x, y, width_box, data.radio, data.h_r1, data.placa,
                          data.L1, data.L2},
                         ref),
               [&](PdfCanvas& c) {
                 c.saveState();
                 DrawSmallBoxFrame(c, x, y, width_box, height_box,
                                   "ESPECIFICACIONES TÉCNICAS");
                 DrawRow(c, label_x, value_x, start_y,
                         "RADIO (r):", Metres(data.radio));
                 DrawRow(c, label_x, value_x, start_y - gap, lbl_h, val_hr1);
                 c.setFont(kBold, 8);
                 c.drawString(label_x, start_y - gap * 2.2, "OFFSETS (L1/L2):");
                 DrawRow(c, label_x + 10, value_x, start_y - gap * 3.2,
                         "L1:", Metres(data.L1));
                 DrawRow(c, label_x + 10, value_x, start_y - gap * 4.2,
                         "L2:", Metres(data.L2));
                 DrawRow(c, label_x + 10, value_x, start_y - gap * 5.2,
                         "PROMEDIO:", Metres(avg));
                 c.restoreState();
               });
}

Status DrawFieldMeasureBlock(PdfCanvas& c, double x, double y, double width_box,
                             std::string_view tipo_medida,
                             std::string_view accesorio,
                             std::string_view altura_medida,
                             std::string_view ref_name) {
  // Read the height before drawing anything, so that a failure leaves
  // neither half a box nor an unbalanced graphics state behind.
  const std::optional<double> altura = ParseTypedDecimal(altura_medida);
  if (!altura) {
    return Status::Error("ALTURA MEDIDA NO NUMÉRICA: \"" +
                         std::string(altura_medida) + "\"");
  }
  const double height_box = 2.8 * kCm;
  const double label_x = x + 10;
  const double value_x = x + 140 - 0.8 * kCm;
  const double start_y = y + height_box - 35;
  const double gap = 18;
  std::string acc_str = Utf8Length(accesorio) <= 24
                            ? Utf8ToUpper(accesorio)
                            : Utf8ToUpper(Utf8Prefix(accesorio, 22)) + "...";

  c.saveState();
  c.drawShared(SharedKey("field-frame", {x, y, width_box}), [&](PdfCanvas& c) {
    DrawSmallBoxFrame(c, x, y, width_box, height_box, "APUNTES DE CAMPO");
  });
  DrawRow(c, label_x, value_x, start_y,
          "TIPO DE MEDIDA:", Utf8ToUpper(tipo_medida));
  DrawRow(c, label_x, value_x, start_y - gap, "ACCESORIO:", acc_str);
  DrawRow(c, label_x, value_x, start_y - gap * 2,
          "ALTURA MEDIDA (" + std::string(ref_name) + "):", Metres(*altura),
          kBold, 9);
  c.restoreState();
  return Status::OK();
}

double draw_subscript_text(PdfCanvas& c, double cx, double cy,
                           std::string_view base_text,
                           std::string_view sub_text, double font_size) {
  c.setFont(kRegular, font_size);
  const double bw = c.stringWidth(base_text, kRegular, font_size);
  c.drawString(cx, cy, base_text);
  c.setFont(kRegular, font_size - 3);
  c.drawString(cx + bw, cy - 2, sub_text);
  const double sw = c.stringWidth(sub_text, kRegular, font_size - 3);
  return cx + bw + sw;
}

double draw_sqrt_manual(
    PdfCanvas& c, double cx, double cy,
    const std::function<void(double dx, double dy)>& content_draw_func,
    double width_est, const Rgb& stroke_color, double font_size) {
  const double fs = font_size;
  c.setLineWidth(1);
  SetStroke(c, stroke_color);
  c.line(cx, cy + fs / 2, cx + 3, cy - 2);
  c.line(cx + 3, cy - 2, cx + 6, cy + fs + 2);
  c.line(cx + 6, cy + fs + 2, cx + 6 + width_est + 2, cy + fs + 2);
  content_draw_func(cx + 8, cy);
  return cx + 6 + width_est + 4;
}

namespace {

// Where the parts of the calculation box go: a left column with the
// formula and a right one with the numbers, over four rows (the ARP line,
// its result, the phase-centre line, its result).
struct CalcLayout {
  CalcLayout(double x, double y) : x(x), y(y) {}
  double x, y;
  double box_width = 16 * kCm;
  double box_height = 5.2 * kCm;
  double center_left_x = x + box_width * 0.25;
  double center_right_x = x + box_width * 0.75;
  double y_arp_row = y + 3.8 * kCm;
  double y_res_arp = y_arp_row - 0.9 * kCm;
  double y_pc_row = y_res_arp - 1.2 * kCm;
  double y_res_pc = y_pc_row - 0.9 * kCm;
};

// The box and its two column headings, the same on every page.
void DrawCalcFrame(PdfCanvas& c, const CalcLayout& at,
                   const Rgb& stroke_color) {
  c.drawShared(
      SharedKey("calc-frame",
                {at.x, at.y, stroke_color.r, stroke_color.g, stroke_color.b}),
      [&](PdfCanvas& c) {
        SetFill(c, kBoxFill);
        SetStroke(c, stroke_color);
        c.setLineWidth(1.5);
        c.roundRect(at.x, at.y, at.box_width, at.box_height, 4,
                    /*stroke=*/true, /*fill=*/true);
        SetFill(c, stroke_color);
        c.setFont(kBold, 9);
        c.drawCentredString(at.center_left_x, at.y + at.box_height - 0.5 * kCm,
                            "FÓRMULA TEÓRICA");
        c.drawCentredString(at.center_right_x, at.y + at.box_height - 0.5 * kCm,
                            "SUSTITUCIÓN DE VALORES");
      });
}

// The slant reduction in letters, left column: sqrt(H_ref² - r²) - HR1 for
// R1, sqrt(H_ref² - Placa²) for R2. It is the same for every page of its
// mode, so it is drawn once and shared.
void DrawSlantFormula(PdfCanvas& c, const CalcLayout& at, bool r1,
                      const Rgb& stroke_color, std::string_view ref) {
  const double w_radical = (r1 ? 2.0 : 2.8) * kCm;
  const std::string suffix_theo = " - HR1";
  const double w_suffix = r1 ? c.stringWidth(suffix_theo, kRegular, 11) : 0.0;
  const double start_x_theo = at.center_left_x - (w_radical + w_suffix) / 2;
  c.drawShared(SharedKey("formula",
                         {at.x, at.y, stroke_color.r, stroke_color.g,
                          stroke_color.b, r1 ? 1.0 : 2.0},
                         ref),
               [&](PdfCanvas& c) {
                 auto draw_content_theo = [&](double dx, double dy) {
                   const double cur = draw_subscript_text(c, dx, dy, "H", ref);
                   c.setFont(kRegular, 11);
                   c.drawString(cur, dy, r1 ? "² - r²" : "² - Placa²");
                 };
                 const double end_root = draw_sqrt_manual(
                     c, start_x_theo, at.y_arp_row, draw_content_theo,
                     w_radical, stroke_color);
                 if (r1) {
                   c.setFont(kRegular, 11);
                   c.drawString(end_root + 3, at.y_arp_row, suffix_theo);
                 }
               });
}

// The slant reduction with this page's numbers, right column; the group is
// centred by its estimated width.
void DrawSlantSubstitution(PdfCanvas& c, const CalcLayout& at, bool r1,
                           const ConversionVals& vals,
                           const Rgb& stroke_color) {
  const std::string str_radical = FormatFixed(vals.Hm, 4) + "² - " +
                                  FormatFixed(r1 ? vals.r : vals.Placa, 4) +
                                  "²";
  const double w_radical_num =
      c.stringWidth(str_radical, kRegular, 11) + 0.5 * kCm;
  const std::string str_suffix = r1 ? " - " + FormatFixed(vals.HR1, 4) : "";
  const double w_suffix_num =
      r1 ? c.stringWidth(str_suffix, kRegular, 11) : 0.0;
  const double start_x_num =
      at.center_right_x - (w_radical_num + w_suffix_num) / 2;
  auto draw_content_num = [&](double dx, double dy) {
    c.setFont(kRegular, 11);
    c.drawString(dx, dy, str_radical);
  };
  const double end_root_num =
      draw_sqrt_manual(c, start_x_num, at.y_arp_row, draw_content_num,
                       w_radical_num, stroke_color);
  if (r1) c.drawString(end_root_num + 3, at.y_arp_row, str_suffix);
}

// A result: its name on the left, the height in metres on the right.
void DrawResultLine(PdfCanvas& c, const CalcLayout& at, double baseline,
                    std::string_view label, double metres) {
  c.setFont(kBold, 10);
  c.drawCentredString(at.center_left_x, baseline, label);
  c.setFont(kBold, 12);
  c.drawCentredString(at.center_right_x, baseline, Metres(metres));
}

}  // namespace

void DrawIntegratedCalculationBlock(PdfCanvas& c, double x, double y,
                                    std::string_view mode,
                                    const ConversionVals& vals, double arp_res,
                                    double pc_res, const Rgb& stroke_color,
                                    std::string_view ref) {
  const CalcLayout at(x, y);
  c.saveState();
  DrawCalcFrame(c, at, stroke_color);

  SetFill(c, stroke_color);
  if (mode == "SLANT_R1" || mode == "SLANT_R2") {
    const bool r1 = mode == "SLANT_R1";
    DrawSlantFormula(c, at, r1, stroke_color, ref);
    DrawSlantSubstitution(c, at, r1, vals, stroke_color);
  } else if (mode == "VERTICAL_R3") {
    c.setFont(kOblique, 11);
    c.drawCentredString(at.center_left_x, at.y_arp_row,
                        "H" + std::string(ref) + " (Medida Directa)");
    c.setFont(kRegular, 11);
    c.drawCentredString(at.center_right_x, at.y_arp_row,
                        FormatFixed(vals.Hm, 4));
  }
  DrawResultLine(c, at, at.y_res_arp, "ALTURA A LA BASE DEL SOPORTE:", arp_res);

  c.setLineWidth(0.5);
  c.setStrokeColorRGB(0.7, 0.7, 0.7);
  c.line(x + 0.5 * kCm, at.y_res_arp - 0.3 * kCm, x + at.box_width - 0.5 * kCm,
         at.y_res_arp - 0.3 * kCm);

  SetFill(c, stroke_color);
  c.setFont(kOblique, 11);
  c.drawCentredString(at.center_left_x, at.y_pc_row, "ARP + Offset Promedio");
  c.setFont(kRegular, 11);
  c.drawCentredString(
      at.center_right_x, at.y_pc_row,
      FormatFixed(arp_res, 4) + " + " + FormatFixed(vals.Offset, 4));
  DrawResultLine(c, at, at.y_res_pc, "ALTURA AL CENTRO DE FASE:", pc_res);
  c.restoreState();
}

}  // namespace zarvek
