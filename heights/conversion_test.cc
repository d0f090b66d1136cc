#include "heights/conversion.h"

#include <gtest/gtest.h>

#include <string>

#include "heights/catalogue.h"

namespace zarvek {
namespace {

const ReceiverSpec& Spec(std::string_view model) {
  static const Catalogue catalogue = BuildEquiposSpecs();
  const ReceiverSpec* spec = FindReceiver(catalogue, model);
  EXPECT_NE(spec, nullptr) << model;
  return *spec;
}

TEST(ConversionTest, WorkedValuesAndEdgeCases) {
  struct Case {
    const char* model;
    const char* tipo;
    const char* ref;
    const char* hm;
    double arp, phase;
    const char* mode;
  } cases[] = {
      {"QUENTARO R300", "INCLINADA", "R1", "1.5", 1.4285, 1.5105, "SLANT_R1"},
      {"QUENTARO R300", "INCLINADA", "R2", "1.5", 1.4952, 1.5772, "SLANT_R2"},
      {"QUENTARO R300", "VERTICAL", "R3", "1.5", 1.5, 1.582, "VERTICAL_R3"},
      {"QUENTARO R700", "INCLINADA", "R1", "1.6", 1.5321, 1.6191, "SLANT_R1"},
      {"QUENTARO R700", "INCLINADA", "R2", "1.6", 1.5947, 1.6817, "SLANT_R2"},
      {"QUENTARO M200 PLUS", "INCLINADA", "R2", "1.45", 1.445, 1.607,
       "SLANT_R2"},
      {"QUENTARO R100", "VERTICAL", "R3", "2", 2.0, 2.263, "VERTICAL_R3"},
      // Hm == r: root 0, ARP = -HR1.
      {"QUENTARO R300", "INCLINADA", "R1", "0.067", -0.07, 0.012, "SLANT_R1"},
      // Hm == Placa: ARP 0, phase centre = mean offset.
      {"QUENTARO R300", "INCLINADA", "R2", "0.12", 0.0, 0.082, "SLANT_R2"},
      {"QUENTARO R300", "VERTICAL", "R3", "-0.5", -0.5, -0.418, "VERTICAL_R3"},
      // Pairs without a formula: ARP 0, empty mode.
      {"QUENTARO R300", "INCLINADA", "R3", "1.5", 0.0, 0.082, ""},
      {"QUENTARO R700", "VERTICAL", "R1", "1.5", 0.0, 0.087, ""},
      {"QUENTARO R700", "vertical", "R3", "1.5", 0.0, 0.087, ""},
      // Blanks around the number, sign, exponent.
      {"QUENTARO R300", "INCLINADA", "R1", "  1.5\t", 1.4285, 1.5105,
       "SLANT_R1"},
      {"QUENTARO R300", "VERTICAL", "R3", "+15e-1", 1.5, 1.582, "VERTICAL_R3"},
      // A decimal comma, as a Spanish surveyor types it.
      {"QUENTARO R300", "INCLINADA", "R1", "1,452", 1.3805, 1.4625, "SLANT_R1"},
      {"QUENTARO R300", "VERTICAL", "R3", " -1,52 ", -1.52, -1.438,
       "VERTICAL_R3"},
      {"QUENTARO R300", "VERTICAL", "R3", ",5", 0.5, 0.582, "VERTICAL_R3"},
      // R1 on a model without HR1: the bare Pythagorean reduction.
      {"QUENTARO R100", "INCLINADA", "R1", "1.5", 1.4998, 1.7628, "SLANT_R1"},
      // The edges of the plausible range of heights, both signs.
      {"QUENTARO R300", "VERTICAL", "R3", "-1000", -1000.0, -999.918,
       "VERTICAL_R3"},
      {"QUENTARO R300", "VERTICAL", "R3", "999.918", 999.918, 1000.0,
       "VERTICAL_R3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.tipo + " " + c.ref + " '" +
                 c.hm + "'");
    auto result = calcular_arp_y_fase(c.hm, c.tipo, c.ref, Spec(c.model));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->arp, c.arp);
    EXPECT_EQ(result->phase_center, c.phase);
    EXPECT_EQ(result->mode, c.mode);
  }
}

TEST(ConversionTest, RefusedHeightsAndWhy) {
  using F = ConversionFault;
  struct Case {
    const char* tipo;
    const char* ref;
    const char* hm;
    ConversionFault fault;
  } cases[] = {
      {"VERTICAL", "R3", "", F::kEmptyHeight},
      {"VERTICAL", "R3", "   ", F::kEmptyHeight},
      // One decimal separator, never both, no thousands separators.
      {"VERTICAL", "R3", "1,5,2", F::kNotANumber},
      {"VERTICAL", "R3", "1.452,5", F::kNotANumber},
      {"VERTICAL", "R3", "1,452.5", F::kNotANumber},
      {"VERTICAL", "R3", "1.000.5", F::kNotANumber},
      {"VERTICAL", "R3", "1,,5", F::kNotANumber},
      {"VERTICAL", "R3", ",", F::kNotANumber},
      {"VERTICAL", "R3", "1 ,5", F::kNotANumber},
      {"VERTICAL", "R3", "l.75", F::kNotANumber},
      {"VERTICAL", "R3", "1_5", F::kNotANumber},
      {"VERTICAL", "R3", "nan", F::kNotANumber},
      {"VERTICAL", "R3", "inf", F::kNotANumber},
      {"VERTICAL", "R3", "infinity", F::kNotANumber},
      {"VERTICAL", "R3", "0x1p0", F::kNotANumber},
      {"VERTICAL", "R3", "1.5 m", F::kNotANumber},
      {"VERTICAL", "R3", "1e400", F::kNotANumber},
      {"INCLINADA", "R1", "0.06", F::kShorterThanRadius},
      {"INCLINADA", "R1", "-1.5", F::kShorterThanRadius},
      {"INCLINADA", "R2", "0.1199", F::kShorterThanPlate},
      {"INCLINADA", "R2", "0,1", F::kShorterThanPlate},
      {"INCLINADA", "R1", "1e200", F::kOutOfRange},  // Hm * Hm overflows
      {"INCLINADA", "R2", "1e200", F::kOutOfRange},
      // Beyond 1000 m, measured or converted, is no antenna height.
      {"VERTICAL", "R3", "-1e308", F::kOutOfRange},
      {"VERTICAL", "R3", "1e150", F::kOutOfRange},
      {"VERTICAL", "R3", "1000.0001", F::kOutOfRange},
      {"VERTICAL", "R3", "-1000.0001", F::kOutOfRange},
      {"VERTICAL", "R3", "999.95", F::kOutOfRange},  // phase centre 1000.032
      {"INCLINADA", "R1", "-1e308", F::kOutOfRange},
      {"INCLINADA", "R3", "1e150", F::kOutOfRange},  // no formula, ARP 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tipo) + " " + c.ref + " '" + c.hm + "'");
    const ReceiverSpec& spec = Spec("QUENTARO R300");
    EXPECT_FALSE(calcular_arp_y_fase(c.hm, c.tipo, c.ref, spec).has_value());
    EXPECT_EQ(DiagnoseConversion(c.hm, c.tipo, c.ref, spec), c.fault);
  }
  // Heights that convert have no fault, the guards' limits included.
  EXPECT_EQ(
      DiagnoseConversion(" 0.067 ", "INCLINADA", "R1", Spec("QUENTARO R300")),
      F::kNone);
  EXPECT_EQ(
      DiagnoseConversion("0.12", "INCLINADA", "R2", Spec("QUENTARO R300")),
      F::kNone);
}

TEST(ConversionTest, ValsHoldTheUnroundedInputs) {
  auto result = calcular_arp_y_fase("1.23456789", "VERTICAL", "R3",
                                    Spec("QUENTARO R700"));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->arp, 1.2346);
  EXPECT_EQ(result->vals.Hm, 1.23456789);
  EXPECT_DOUBLE_EQ(result->vals.Offset, 0.087);
}

// A receiver built here, not taken from the catalogue, checked against a
// slant reduction worked by hand: sqrt(1.8527^2 - 0.1905^2) - 0.035.
TEST(ConversionTest, IndependentSlantReduction) {
  ReceiverSpec spec{0.1905, 0.035, 0.2, 0.1, 0.12, "TEST"};
  auto result = calcular_arp_y_fase("1.8527", "INCLINADA", "R1", spec);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->arp, 1.8079);
  EXPECT_EQ(result->phase_center, 1.9179);
  EXPECT_EQ(result->vals.Offset, 0.11);
}

TEST(ConversionTest, RoundsTheExactBinaryValueTiesToEven) {
  ReceiverSpec no_offset{0.05, 0.0, 0.1, 0.0, 0.0, "TEST"};
  struct Case {
    const char* hm;
    double rounded;
  } cases[] = {
      {"0.03125", 0.0312},  // exact tie, to even
      {"0.03135", 0.0314},  // the double lies above the tie
      {"1.00005", 1.0001},  // the double lies just above the tie
      {"2.00005", 2.0},     // the double lies just below the tie
      {"-0.03125", -0.0312},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hm);
    auto result = calcular_arp_y_fase(c.hm, "VERTICAL", "R3", no_offset);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->arp, c.rounded);
    EXPECT_EQ(result->phase_center, c.rounded);
  }
}

}  // namespace
}  // namespace zarvek
