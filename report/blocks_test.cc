#include "report/blocks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "text/decimal.h"
#include "text/utf8_text.h"
#include "testing/recording_canvas.h"

namespace zarvek {
namespace {

const ReceiverSpec kR300{0.067, 0.07, 0.12, 0.084, 0.08, "R300"};
const ReceiverSpec kR700{0.0667, 0.0665, 0.13, 0.087, 0.087, "R700"};
const ConversionVals kVals{1.5, 0.067, 0.07, 0.12, 0.082};

// The lines of `log` that start with one of `prefixes`.
std::vector<std::string> Only(const std::vector<std::string>& log,
                              std::vector<std::string> prefixes) {
  std::vector<std::string> out;
  for (const std::string& line : log) {
    for (const std::string& p : prefixes) {
      if (line.rfind(p + " ", 0) == 0) {
        out.push_back(line);
        break;
      }
    }
  }
  return out;
}

bool Has(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

// The radical signs, the subscript and both suffixes of the R1 formula
// sit where the hand-computed geometry puts them (widths: 0.5 x size per
// character in the recording canvas).
TEST(CalculationBlock, SlantR1TypesetsRadicalsAndSuffixes) {
  RecordingCanvas c;
  DrawIntegratedCalculationBlock(c, 2.5 * kCm, 2.5 * kCm, "SLANT_R1", kVals,
                                 1.4285, 1.5105, COLOR_DARK, "R1");
  const std::vector<std::string> expected = {
      "drawCentredString 184.25 204.09 \"FÓRMULA TEÓRICA\"",
      "drawCentredString 411.02 204.09 \"SUSTITUCIÓN DE VALORES\"",
      // Theoretical: group of 2 cm + " - HR1" centred on 184.25.
      "line 139.41 184.08 142.41 176.58",
      "line 142.41 176.58 145.41 191.58",
      "line 145.41 191.58 204.10 191.58",
      "drawString 147.41 178.58 \"H\"",
      "drawString 152.91 176.58 \"R1\"",
      "drawString 160.91 178.58 \"² - r²\"",
      "drawString 209.10 178.58 \" - HR1\"",
      // Substituted: measured width + 0.5 cm + suffix, centred on 411.02.
      "line 332.44 184.08 335.44 176.58",
      "line 335.44 176.58 338.44 191.58",
      "line 338.44 191.58 448.11 191.58",
      "drawString 340.44 178.58 \"1.5000² - 0.0670²\"",
      "drawString 453.11 178.58 \" - 0.0700\"",
      "drawCentredString 184.25 153.07 \"ALTURA A LA BASE DEL SOPORTE:\"",
      "drawCentredString 411.02 153.07 \"1.4285 m\"",
      "line 85.04 144.57 510.24 144.57",
      "drawCentredString 184.25 119.06 \"ARP + Offset Promedio\"",
      "drawCentredString 411.02 119.06 \"1.4285 + 0.0820\"",
      "drawCentredString 184.25 93.54 \"ALTURA AL CENTRO DE FASE:\"",
      "drawCentredString 411.02 93.54 \"1.5105 m\"",
  };
  EXPECT_EQ(Only(c.log(), {"line", "drawString", "drawCentredString"}),
            expected);
  // The subscript is set 3 points smaller, the radicand back at 11.
  EXPECT_TRUE(Has(c.log(), "setFont Helvetica 8.00"));

  // 1.452 m slant to R1: the ARP, 1.38045..., is 1.3805 in the measurement
  // file and the RINEX header; the page prints that number, never 1.381,
  // and the phase centre is the printed sum.
  const std::optional<Conversion> conv =
      calcular_arp_y_fase("1.452", "INCLINADA", "R1", kR300);
  ASSERT_TRUE(conv.has_value());
  RecordingCanvas worked;
  DrawIntegratedCalculationBlock(worked, 2.5 * kCm, 2.5 * kCm, conv->mode,
                                 conv->vals, conv->arp, conv->phase_center,
                                 COLOR_DARK, "R1");
  EXPECT_TRUE(
      Has(worked.log(), "drawCentredString 411.02 153.07 \"1.3805 m\""));
  EXPECT_TRUE(
      Has(worked.log(), "drawCentredString 411.02 119.06 \"1.3805 + 0.0820\""));
  EXPECT_TRUE(Has(worked.log(), "drawCentredString 411.02 93.54 \"1.4625 m\""));
}

TEST(CalculationBlock, FormulaOfEachMode) {
  struct Case {
    std::string mode;
    std::vector<std::string> formula;  // lines drawn above the ARP result
  };
  const Case cases[] = {
      {"SLANT_R2",
       // 2.8 cm radical centred alone; no suffix after either sign.
       {"line 144.57 184.08 147.57 176.58", "line 147.57 176.58 150.57 191.58",
        "line 150.57 191.58 231.94 191.58", "drawString 152.57 178.58 \"H\"",
        "drawString 158.07 176.58 \"R2\"",
        "drawString 166.07 178.58 \"² - Placa²\"",
        "line 357.19 184.08 360.19 176.58", "line 360.19 176.58 363.19 191.58",
        "line 363.19 191.58 472.86 191.58",
        "drawString 365.19 178.58 \"1.5000² - 0.1200²\""}},
      {"VERTICAL_R3",
       {"drawCentredString 184.25 178.58 \"HR3 (Medida Directa)\"",
        "drawCentredString 411.02 178.58 \"1.5000\""}},
      {"", {}},
      {"SLANT_R3", {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    RecordingCanvas c;
    const std::string ref = k.mode == "SLANT_R2" ? "R2" : "R3";
    DrawIntegratedCalculationBlock(c, 2.5 * kCm, 2.5 * kCm, k.mode, kVals, 1.5,
                                   1.582, COLOR_DARK, ref);
    std::vector<std::string> drawn =
        Only(c.log(), {"line", "drawString", "drawCentredString"});
    // Headings first; the result rows and separator always follow (7 lines).
    ASSERT_EQ(drawn.size(), 2 + k.formula.size() + 7);
    EXPECT_EQ(std::vector<std::string>(drawn.begin() + 2, drawn.end() - 7),
              k.formula);
    EXPECT_EQ(drawn.back(), "drawCentredString 411.02 93.54 \"1.5820 m\"");
  }
  RecordingCanvas vertical;
  DrawIntegratedCalculationBlock(vertical, 0, 0, "VERTICAL_R3", kVals, 1.5,
                                 1.582, COLOR_DARK, "R3");
  EXPECT_TRUE(Has(vertical.log(), "setFont Helvetica-Oblique 11.00"));
}

TEST(SpecsBlock, RowsAndConstantOfTheReference) {
  RecordingCanvas c;
  DrawSpecsBlock(c, 100, 200, 7.5 * kCm, kR300, "R3");
  const std::vector<std::string> expected = {
      "roundRect 100.00 200.00 212.60 113.39 4.00 stroke=1 fill=1",
      "drawCentredString 206.30 301.39 \"ESPECIFICACIONES TÉCNICAS\"",
      "line 105.00 295.39 307.60 295.39",
      "drawString 110.00 281.39 \"RADIO (r):\"",
      "drawString 217.32 281.39 \"0.0670 m\"",
      "drawString 110.00 268.39 \"CONSTANTE:\"",
      "drawString 217.32 268.39 \"---\"",
      "drawString 110.00 252.79 \"OFFSETS (L1/L2):\"",
      "drawString 120.00 239.79 \"L1:\"",
      "drawString 217.32 239.79 \"0.0840 m\"",
      "drawString 120.00 226.79 \"L2:\"",
      "drawString 217.32 226.79 \"0.0800 m\"",
      "drawString 120.00 213.79 \"PROMEDIO:\"",
      "drawString 217.32 213.79 \"0.0820 m\"",
  };
  EXPECT_EQ(
      Only(c.log(), {"roundRect", "line", "drawString", "drawCentredString"}),
      expected);

  struct Case {
    ReceiverSpec spec;
    std::string ref, label, value, mean;
  };
  const ReceiverSpec m200{0.04, 0.0, 0.12, 0.161, 0.163, "M200 PLUS"};
  const Case cases[] = {
      {kR300, "R1", "CONSTANTE (HR1):", "0.0700 m", "0.0820 m"},
      {kR300, "R2", "CONSTANTE (PLACA):", "0.1200 m", "0.0820 m"},
      {m200, "R1", "CONSTANTE (HR1):", "0.0000 m", "0.1620 m"},
      // R700's radius 0.0667 and HR1 0.0665 are two numbers on the page.
      {kR700, "R1", "CONSTANTE (HR1):", "0.0665 m", "0.0870 m"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.ref + " " + k.spec.alias);
    RecordingCanvas r;
    DrawSpecsBlock(r, 100, 200, 7.5 * kCm, k.spec, k.ref);
    EXPECT_TRUE(Has(r.log(), "drawString 110.00 268.39 \"" + k.label + "\""));
    EXPECT_TRUE(Has(r.log(), "drawString 217.32 268.39 \"" + k.value + "\""));
    EXPECT_TRUE(Has(r.log(), "drawString 217.32 213.79 \"" + k.mean + "\""));
    EXPECT_TRUE(Has(r.log(), "drawString 217.32 281.39 \"" +
                                 FormatFixed(k.spec.radio, 4) + " m\""));
  }
}

TEST(FieldBlock, CapitalsCutAndHeight) {
  struct Case {
    std::string acc, shown;
  };
  const Case cases[] = {
      {"bípode y bastón", "BÍPODE Y BASTÓN"},
      {"abcdefghijklmnopqrstuvwx", "ABCDEFGHIJKLMNOPQRSTUVWX"},    // 24
      {"abcdefghijklmnopqrstuvwxy", "ABCDEFGHIJKLMNOPQRSTUV..."},  // 25
      {"ñandú über ÍÓ áéíóú xyzab", "ÑANDÚ ÜBER ÍÓ ÁÉÍÓÚ XY..."},  // 25
      {"trípode trípode trípodeé", "TRÍPODE TRÍPODE TRÍPODEÉ"},    // 24
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.acc);
    RecordingCanvas c;
    ASSERT_TRUE(DrawFieldMeasureBlock(c, 100, 200, 7.5 * kCm, "inclinada",
                                      k.acc, "1.23456", "R2")
                    .ok());
    const std::vector<std::string> expected = {
        "drawCentredString 206.30 267.37 \"APUNTES DE CAMPO\"",
        "drawString 110.00 244.37 \"TIPO DE MEDIDA:\"",
        "drawString 217.32 244.37 \"INCLINADA\"",
        "drawString 110.00 226.37 \"ACCESORIO:\"",
        "drawString 217.32 226.37 \"" + k.shown + "\"",
        "drawString 110.00 208.37 \"ALTURA MEDIDA (R2):\"",
        "drawString 217.32 208.37 \"1.2346 m\"",
    };
    EXPECT_EQ(Only(c.log(), {"drawString", "drawCentredString"}), expected);
    // The height is the one value set in bold 9.
    EXPECT_EQ(c.log()[c.log().size() - 3], "setFont Helvetica-Bold 9.00");
  }
  // A decimal comma is read as the point and printed with it.
  RecordingCanvas comma;
  ASSERT_TRUE(DrawFieldMeasureBlock(comma, 100, 200, 7.5 * kCm, "VERTICAL",
                                    "BASTÓN", "1,452", "R3")
                  .ok());
  EXPECT_TRUE(Has(comma.log(), "drawString 217.32 208.37 \"1.4520 m\""));
  for (const char* bad : {"1.452,5", "1,000,5", "", "abc", "nan"}) {
    RecordingCanvas c;
    Status s =
        DrawFieldMeasureBlock(c, 0, 0, 100, "VERTICAL", "BASTÓN", bad, "R3");
    EXPECT_FALSE(s.ok()) << bad;
    EXPECT_TRUE(c.log().empty()) << bad;
  }
}

TEST(Utf8Text, UpperCaseKeepsAccentsAndOddBytes) {
  EXPECT_EQ(Utf8ToUpper("straße ÿ µm ÷ 1.5"), "STRASSE Ÿ µM ÷ 1.5");
  EXPECT_EQ(Utf8ToUpper("a\xff"
                        "b\xc3"),
            "A\xff"
            "B\xc3");
  EXPECT_EQ(Utf8Length("BÍPODE"), 6u);
  EXPECT_EQ(Utf8Prefix("ÁÉÍ", 2), "ÁÉ");
  EXPECT_EQ(Utf8Prefix("ab", 5), "ab");
}

// Each block restores whatever the page had set, and only it.
TEST(Blocks, LeaveNoStateBehind) {
  auto run = [](auto&& draw) {
    RecordingCanvas c;
    c.setFont("Helvetica-Oblique", 21);
    c.setFillColorRGB(0.1, 0.2, 0.3);
    c.setStrokeColorRGB(0.4, 0.5, 0.6);
    c.setLineWidth(7);
    const RecordingCanvas::State before = c.state();
    draw(c);
    EXPECT_EQ(c.depth(), 0);
    EXPECT_FALSE(c.restore_underflow());
    EXPECT_TRUE(c.state() == before);
  };
  run([](PdfCanvas& c) { DrawSpecsBlock(c, 0, 0, 200, kR300, "R1"); });
  run([](PdfCanvas& c) {
    (void)DrawFieldMeasureBlock(c, 0, 0, 200, "VERTICAL", "BASTÓN", "2", "R3");
  });
  for (const char* mode : {"SLANT_R1", "SLANT_R2", "VERTICAL_R3", ""}) {
    run([mode](PdfCanvas& c) {
      DrawIntegratedCalculationBlock(c, 0, 0, mode, kVals, 1, 1.1, COLOR_DARK,
                                     "R1");
    });
  }
}

}  // namespace
}  // namespace zarvek
