#include "rinex/misfiled.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarvek {
namespace {

TEST(MisfiledTest, MarkerNameNamesThePointByItsDigits) {
  struct Case {
    const char* marker;
    const char* code;
  };
  const Case accepted[] = {
      {"5101", "5101"},      {"P5101", "5101"}, {"5101A", "5101"},
      {"5101_A", "5101"},    {"05101", "5101"}, {"  pg 5101 ", "5101"},
      {"5101", "05101"},     {"", "5101"},      {"   ", "5101"},
      {"2026-5101", "5101"},
  };
  const Case refused[] = {
      {"MRKR", "5101"},  {"st", "5101"},
      {"CEDA", "5101"},  {"5102", "5101"},
      {"15101", "5101"}, {"51010", "5101"},
      {"510", "5101"},   {"5 101", "5101"},
      {"5101", ""},      {"99999999999999999999995101", "5101"},
  };
  for (const Case& c : accepted) {
    EXPECT_TRUE(MarkerNameNamesPoint(c.marker, c.code))
        << "\"" << c.marker << "\" for " << c.code;
  }
  for (const Case& c : refused) {
    EXPECT_FALSE(MarkerNameNamesPoint(c.marker, c.code))
        << "\"" << c.marker << "\" for " << c.code;
  }
}

TEST(MisfiledTest, AntennaTypeNamesACatalogueModelByWholeWords) {
  const Catalogue catalogue = BuildEquiposSpecs();
  const std::pair<const char*, const char*> cases[] = {
      {"QUENTARO R300", "QUENTARO R300"},
      {"quentaro r350      NONE", "QUENTARO R350"},
      {"QUENTAROR700   NONE", "QUENTARO R700"},
      {"QTR_R750", "QUENTARO R750"},
      {"M200PLUS", "QUENTARO M200 PLUS"},
      {"QUENTARO M200 PLUS", "QUENTARO M200 PLUS"},
      {"R100", "QUENTARO R100"},
      {"R3000", ""},
      {"R300X", ""},
      {"M200", ""},
      {"TRM57971.00     NONE", ""},
      {"", ""},
  };
  for (const auto& [field, model] : cases) {
    EXPECT_EQ(CatalogueModelOfAntenna(field, catalogue), model) << field;
  }
}

ObservationFileFacts File(const char* name, const char* marker,
                          std::int64_t first, std::array<double, 3> xyz,
                          const char* fingerprint) {
  ObservationFileFacts f;
  f.name = name;
  f.marker_name = marker;
  f.antenna_type = "QUENTARO R300      NONE";
  f.receiver_serial = "1234";
  f.approx_xyz = xyz;
  f.first_epoch_utc_s = first;
  f.observation_fingerprint = fingerprint;
  return f;
}

// One project with a clean point and one point for each finding; the
// texts are what the window and the report show.
TEST(MisfiledTest, FindsEachKindInASmallProjectAndNothingInACleanPoint) {
  constexpr std::int64_t kDay = 86400;
  constexpr std::int64_t t0 = 1767268800;  // 2026-01-01 12:00 UTC
  const std::array<double, 3> here = {5105000.0, -300000.0, 3720000.0};
  const std::array<double, 3> far = {5105000.0, -300000.0, 3870000.0};

  std::vector<PointFiles> project = {
      {"5100",
       "QUENTARO R300",
       {File("a.obs", "P5100", t0, here, "fp-a"),
        File("a2.obs", "p5100", t0 + 3600, {0, 0, 0}, "")}},
      {"5101", "QUENTARO R300", {File("b.obs", "MRKR", t0, here, "fp-b")}},
      {"5102",
       "QUENTARO R300",
       {File("c.obs", "5102", t0, here, "fp-c"),
        File("c2.obs", "5102A", t0, here, "fp-c2")}},
      {"5103", "QUENTARO R700", {File("d.obs", "5103", t0, here, "fp-d")}},
      {"5104", "", {File("e.obs", "5104", t0 + 31 * kDay, here, "fp-e")}},
      {"5105", "", {File("f.obs", "5105", t0, far, "fp-f")}},
      {"5106", "", {File("g.obs", "", t0 - kDay, here, "fp-a")}},
      {"5107", "QUENTARO R300", {}},
  };
  project[2].files[1].antenna_type = "QUENTARO R350";
  project[2].files[1].receiver_serial = "9999";
  // Neither the all-zero position nor a date 30 days off is a finding.
  project[0].files[1].first_epoch_utc_s = t0 + 30 * kDay;

  const std::vector<PointMisfiled> result =
      CheckMisfiled(project, BuildEquiposSpecs());
  ASSERT_EQ(result.size(), project.size());
  std::vector<std::vector<std::string>> texts;
  for (const PointMisfiled& p : result) {
    texts.emplace_back();
    for (const MisfiledFinding& f : p.findings) texts.back().push_back(f.text);
  }
  using V = std::vector<std::string>;
  EXPECT_EQ(texts[0], V{"MISMO ARCHIVO QUE 5106 (g.obs): a.obs"});
  EXPECT_EQ(texts[1],
            V{"MARKER NAME \"MRKR\" NO ES EL CÓDIGO DEL PUNTO: b.obs"});
  EXPECT_EQ(texts[2],
            (V{"MARKER NAME DISTINTO DEL DE c.obs: c2.obs",
               "ANTENA (ANT # / TYPE) DISTINTA DE LA DE c.obs: c2.obs",
               "Nº DE SERIE DEL RECEPTOR DISTINTO DEL DE c.obs: c2.obs",
               "ANTENA QUENTARO R350 EN EL ARCHIVO, NO LA DE LA FILA: "
               "c2.obs"}));
  EXPECT_EQ(texts[3],
            V{"ANTENA QUENTARO R300 EN EL ARCHIVO, NO LA DE LA FILA: d.obs"});
  EXPECT_EQ(texts[4],
            V{"OBSERVADO A 31 DÍAS DE LA FECHA MEDIANA DEL PROYECTO: e.obs"});
  EXPECT_EQ(texts[5], V{"POSICIÓN APROXIMADA A 150 KM DE LA MEDIANA DEL "
                        "PROYECTO: f.obs"});
  EXPECT_EQ(texts[6], V{"MISMO ARCHIVO QUE 5100 (a.obs): g.obs"});
  EXPECT_EQ(texts[7], V{"SIN ARCHIVOS DE OBSERVACIÓN"});

  EXPECT_EQ(WithMisfiledMark("✓ C", result[0]), "✓ C ⚠");
  EXPECT_EQ(WithMisfiledMark("✓", result[3]), "✓ ⚠");
  EXPECT_EQ(WithMisfiledWarning("INFORME GUARDADO.", {result[1], result[7]}),
            "INFORME GUARDADO.\n\nARCHIVOS DE OBSERVACIÓN QUE NO PARECEN DEL "
            "PUNTO:\n5101: MARKER NAME \"MRKR\" NO ES EL CÓDIGO DEL PUNTO: "
            "b.obs.\n5107: SIN ARCHIVOS DE OBSERVACIÓN.");

  // Remove every fault: nothing is left to say, and no mark is added.
  project[0].files.pop_back();
  project[1].files[0].marker_name = "5101";
  project[2].files.pop_back();
  project[3].row_receiver = "QUENTARO R300";
  project[4].files[0].first_epoch_utc_s = t0;
  project[5].files[0].approx_xyz = here;
  project[6].files[0].observation_fingerprint = "fp-g";
  project[7].files.push_back(File("h.obs", "5107", t0, here, "fp-h"));
  for (const PointMisfiled& p : CheckMisfiled(project, BuildEquiposSpecs())) {
    EXPECT_TRUE(p.findings.empty()) << MisfiledLine(p);
    EXPECT_EQ(WithMisfiledMark("✓", p), "✓");
  }
}

}  // namespace
}  // namespace zarvek
