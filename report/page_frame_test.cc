#include "report/page_frame.h"

#include <set>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/recording_canvas.h"

namespace zarvek {
namespace {

const ReceiverSpec kR300{0.067, 0.07, 0.12, 0.084, 0.08, "R300"};

// Resources under "/res/"; only the names in `present` exist.
ResourceLookup Resources(std::set<std::string> present) {
  return {
      [](const std::string& name) { return "/res/" + name; },
      [present](const std::string& path) { return present.count(path) > 0; }};
}

PageValues Row(std::string tipo, std::string acc, std::string ref,
               std::string h) {
  PageValues page{"100", "QUENTARO R300", tipo, acc, ref, h, kR300, {}};
  page.conversion = *calcular_arp_y_fase(h, tipo, ref, kR300);
  return page;
}

PageContext Context() {
  PageContext context;
  context.page_counter = 2;
  context.total_pages = 4;
  context.fecha = "05/03/2025";
  context.web_address = "";  // as a build that sets no address
  return context;
}

// Every line of `expected` appears in `log`, in this order.
::testing::AssertionResult InOrder(const std::vector<std::string>& log,
                                   const std::vector<std::string>& expected) {
  std::size_t at = 0;
  for (const std::string& want : expected) {
    while (at < log.size() && log[at] != want) ++at;
    if (at == log.size()) {
      return ::testing::AssertionFailure()
             << "missing or out of order: " << want;
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

int Count(const std::vector<std::string>& log, const std::string& prefix) {
  int n = 0;
  for (const std::string& line : log) n += line.rfind(prefix, 0) == 0;
  return n;
}

TEST(PageFrame, FrameWithAllPictures) {
  const std::set<std::string> all = {
      "/res/LOGO_QUENTARO.png", "/res/ICONO_QUENTARO.png",
      "/res/R300_TRIPODE_AI_R1.png", "/res/R300_R1.png"};
  RecordingCanvas c;
  for (const std::string& path : all) c.AddDrawableImage(path);
  PageContext linked = Context();
  linked.web_address = "https://zarvek.test/pg";
  ASSERT_TRUE(DrawReportPage(c, Row("INCLINADA", "TRÍPODE", "R1", "1.5"),
                             linked, Resources(all))
                  .ok());
  EXPECT_TRUE(InOrder(
      c.log(),
      {
          "setFont Helvetica-Bold 12.00",
          "setFillColorRGB 0.17 0.24 0.31",
          "drawRightString 538.58 785.20 \"CONVERSIÓN DE ALTURA\"",
          "drawImage /res/LOGO_QUENTARO.png 124.72 793.70 141.73 56.69 keep "
          "centre -> ok",
          "setLineWidth 2.00",
          "line 42.52 771.02 552.76 771.02",
          "setStrokeColorRGB 0.50 0.50 0.50",
          "rect 42.52 42.52 510.24 728.50 stroke=1 fill=0",
          "setFillColorRGB 0.92 0.94 0.96",
          "rect 45.35 720.00 504.57 45.35 stroke=0 fill=1",
          "setFont Helvetica-Bold 16.00",
          "drawString 56.69 748.35 \"PUNTO: 100\"",
          "setFont Helvetica 10.00",
          "drawString 56.69 728.50 \"RECEPTOR GNSS: QUENTARO R300  |  FECHA "
          "DE CONVERSIÓN: 05/03/2025\"",
          "drawImage /res/R300_TRIPODE_AI_R1.png 170.08 479.06 - 425.20 keep "
          "centre -> ok",
          "drawImage /res/R300_R1.png 411.02 592.44 240.94 - keep centre -> "
          "ok",
          "roundRect 304.72 337.32 212.60 113.39 4.00 stroke=1 fill=1",
          "roundRect 304.72 246.61 212.60 79.37 4.00 stroke=1 fill=1",
      }));
  EXPECT_TRUE(InOrder(
      c.log(),
      {
          "drawString 56.69 748.35 \"PUNTO: 100\"",
          "roundRect 304.72 337.32 212.60 113.39 4.00 stroke=1 fill=1",
          "roundRect 304.72 246.61 212.60 79.37 4.00 stroke=1 fill=1",
          "roundRect 70.87 70.87 453.54 147.40 4.00 stroke=1 fill=1",
          // The watermark lies over the blocks, in its own state.
          "saveState",
          "setFillAlpha 0.10",
          "drawImage /res/ICONO_QUENTARO.png 42.52 165.83 510.24 510.24 keep "
          "box -> ok",
          "restoreState",
          "setFont Helvetica-Bold 10.00",
          "setFillColorRGB 0.16 0.50 0.72",
          "drawCentredString 297.64 28.35 \"https://zarvek.test/pg\"",
          "linkURL https://zarvek.test/pg 242.64 26.35 352.64 36.35",
          "setFont Helvetica-Bold 6.00",
          "setFillColorRGB 0.17 0.24 0.31",
          "drawCentredString 297.64 17.01 \"" + std::string(kReportCreditLine) +
              "\"",
          "setFont Helvetica-Bold 8.00",
          "drawRightString 552.76 28.35 \"PÁGINA 2/4\"",
      }));
  EXPECT_EQ(Count(c.log(), "rect 85.04"), 0);  // no placeholder
  EXPECT_EQ(c.depth(), 0);
  EXPECT_EQ(c.pages_shown(), 0);  // closing the page is the caller's job
}

// Without pictures, and with a set-up picture that cannot be drawn, the
// page keeps a "SIN IMAGEN" frame where the set-up picture goes.
TEST(PageFrame, PlaceholderForMissingOrBrokenSetupPicture) {
  const std::vector<std::string> placeholder = {
      "setStrokeColorRGB 0.80 0.80 0.80",
      "rect 85.04 266.46 170.08 425.20 stroke=1 fill=0",
      "setFont Helvetica 8.00",
      "drawCentredString 170.08 476.06 \"SIN IMAGEN\"",
  };
  RecordingCanvas none;
  ASSERT_TRUE(DrawReportPage(none, Row("INCLINADA", "TRÍPODE", "R1", "1.5"),
                             Context(), Resources({}))
                  .ok());
  EXPECT_TRUE(InOrder(none.log(), placeholder));
  EXPECT_EQ(Count(none.log(), "drawImage"), 0);
  EXPECT_EQ(Count(none.log(), "drawRightString 552.76 28.35"), 1);
  // Without an address from the build the footer has no link and no
  // address line, only the credit line.
  EXPECT_EQ(Count(none.log(), "linkURL"), 0);
  EXPECT_EQ(Count(none.log(), "drawCentredString 297.64 28.35"), 0);
  EXPECT_EQ(Count(none.log(), "drawCentredString 297.64 17.01"), 1);

  RecordingCanvas broken;  // the file exists, the canvas refuses it
  ASSERT_TRUE(DrawReportPage(broken, Row("INCLINADA", "TRÍPODE", "R1", "1.5"),
                             Context(),
                             Resources({"/res/R300_TRIPODE_AI_R1.png"}))
                  .ok());
  EXPECT_TRUE(InOrder(broken.log(),
                      {"drawImage /res/R300_TRIPODE_AI_R1.png 170.08 479.06 - "
                       "425.20 keep centre -> failed",
                       placeholder[1], placeholder[3]}));
}

TEST(PageFrame, OneRowOfEachMode) {
  struct Case {
    PageValues row;
    std::vector<std::string> shows;
  };
  const Case cases[] = {
      {Row("INCLINADA", "TRÍPODE", "R1", "1.5"),
       {"drawString 422.05 272.98 \"TRÍPODE\"",
        "drawString 314.72 254.98 \"ALTURA MEDIDA (R1):\"",
        "drawString 340.44 178.58 \"1.5000² - 0.0670²\"",
        "drawString 453.11 178.58 \" - 0.0700\"",
        "drawCentredString 411.02 153.07 \"1.4285 m\"",
        "drawCentredString 411.02 93.54 \"1.5105 m\""}},
      {Row("INCLINADA", "BÍPODE Y BASTÓN", "R2", "1.5"),
       {"drawString 422.05 272.98 \"BÍPODE Y BASTÓN\"",
        "drawString 314.72 254.98 \"ALTURA MEDIDA (R2):\"",
        "drawString 365.19 178.58 \"1.5000² - 0.1200²\"",
        "drawCentredString 411.02 119.06 \"1.4952 + 0.0820\""}},
      {Row("VERTICAL", "BASTÓN", "R3", " 1.5 "),
       {"drawString 422.05 290.98 \"VERTICAL\"",
        "drawString 314.72 254.98 \"ALTURA MEDIDA (R3):\"",
        "drawCentredString 184.25 178.58 \"HR3 (Medida Directa)\"",
        "drawCentredString 411.02 178.58 \"1.5000\"",
        "drawCentredString 411.02 93.54 \"1.5820 m\""}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.row.conversion.mode);
    RecordingCanvas c;
    ASSERT_TRUE(DrawReportPage(c, k.row, Context(), Resources({})).ok());
    EXPECT_TRUE(InOrder(c.log(), k.shows));
  }
}

TEST(PageFrame, UnprintableHeightFailsThePage) {
  PageValues page = Row("VERTICAL", "BASTÓN", "R3", "1.5");
  page.h = "1,5,2";
  RecordingCanvas c;
  EXPECT_FALSE(DrawReportPage(c, page, Context(), Resources({})).ok());
  EXPECT_EQ(c.depth(), 0);
}

TEST(PageFrame, PictureNames) {
  struct Case {
    const char *acc, *tipo, *ref, *setup;
  };
  const Case cases[] = {
      {"TRÍPODE", "INCLINADA", "R1", "R300_TRIPODE_AI_R1.png"},
      {"BÍPODE Y BASTÓN", "INCLINADA", "R2", "R300_BIPODE Y BASTON_AI_R2.png"},
      {"BÍPODE Y BASTÓN", "VERTICAL", "R3", "R300_BIPODE Y BASTON_AV_R3.png"},
      {"BASTÓN", "VERTICAL", "R3", "R300_BASTON_AV_R3.png"},
      {"OTRO", "INCLINADA", "R1", "R300__AI_R1.png"},
      {"TRIPODE", "inclinada", "R1", "R300__AV_R1.png"},  // exact texts only
  };
  for (const Case& k : cases) {
    EXPECT_EQ(SetupImageName(kR300, k.acc, k.tipo, k.ref), k.setup);
  }
  EXPECT_EQ(ReferenceImageName(kR300, "R1"), "R300_R1.png");
}

}  // namespace
}  // namespace zarvek
