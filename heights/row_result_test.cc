#include "heights/row_result.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "heights/row_arp.h"
#include "measurements/measurement_file.h"
#include "photos/photo_report.h"
#include "report/report.h"
#include "rinex/rinex_verdict.h"
#include "testing/recording_canvas.h"
#include "testing/seeded_random.h"
#include "text/decimal.h"

namespace zarvek {
namespace {

const std::string kR300 = "QUENTARO R300";

// The fields of the line the measurement file writes for `v` as the table's
// only row "1".
std::vector<std::string> FileLine(const RowValues& v,
                                  const Catalogue& catalogue) {
  MeasurementFile file;
  file.Bind({"1"}, catalogue);
  file.Update(0, v, catalogue);
  const std::string bytes = file.Serialize();
  const size_t start = bytes.find("\r\n") + 2;
  const std::string line =
      bytes.substr(start, bytes.find("\r\n", start) - start);
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ';') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// The text drawn right after the label `label` on the report's page.
std::string PrintedAfter(const RecordingCanvas& canvas,
                         const std::string& label) {
  const std::vector<std::string>& log = canvas.log();
  for (size_t i = 0; i < log.size(); ++i) {
    if (!log[i].ends_with("\"" + label + "\"")) continue;
    for (size_t j = i + 1; j < log.size(); ++j) {
      if (log[j].rfind("drawCentredString", 0) != 0) continue;
      const size_t open = log[j].find('"');
      return log[j].substr(open + 1, log[j].size() - open - 2);
    }
  }
  return "(not printed)";
}

// Every place that shows, writes, checks or prints a row's heights agrees
// with ConvertRow: the ARP column and the dossier's cell, the RINEX check,
// the measurement file's receiver and result columns, the height report and
// the photo report's band.
TEST(RowResultTest, EveryCallerFollowsTheOneConversion) {
  const Catalogue catalogue = BuildEquiposSpecs();
  using S = RowStatus;
  struct Case {
    RowValues row;
    RowStatus status;
    const char* receiver;  // the receiver the row stands for
    const char* arp;       // "" when the row has no height
    const char* phase_centre;
  } cases[] = {
      // Not begun: its preset receiver was nobody's choice.
      {{kR300, "", "", "", ""}, S::kNotBegun, "", "", ""},
      {{kR300, "", "", "", "  "}, S::kNotBegun, "", "", ""},
      {{"", "", "", "", ""}, S::kNotBegun, "", "", ""},
      // Incomplete: only a height, no reference yet, a receiver alone (kept:
      // the surveyor chose it), no receiver.
      {{kR300, "", "", "", "1.5"}, S::kIncomplete, "QUENTARO R300", "", ""},
      {{kR300, "INCLINADA", "TRÍPODE", "", "1.5"},
       S::kIncomplete,
       "QUENTARO R300",
       "",
       ""},
      {{"QUENTARO R700", "", "", "", ""},
       S::kIncomplete,
       "QUENTARO R700",
       "",
       ""},
      {{"", "VERTICAL", "BASTÓN", "R3", "1.5"}, S::kIncomplete, "", "", ""},
      // Complete, without a height.
      {{"OTRO", "VERTICAL", "BASTÓN", "R3", "1.5"},
       S::kUnknownReceiver,
       "OTRO",
       "",
       ""},
      {{kR300, "INCLINADA", "TRÍPODE", "R3", "1.5"},
       S::kNoFormula,
       "QUENTARO R300",
       "",
       ""},
      {{kR300, "INCLINADA", "TRÍPODE", "R1", "0.05"},
       S::kMathError,
       "QUENTARO R300",
       "",
       ""},
      {{kR300, "VERTICAL", "BASTÓN", "R3", "abc"},
       S::kMathError,
       "QUENTARO R300",
       "",
       ""},
      // Heights: implausible, slant to R1 and to R2, vertical, and zero,
      // which has no sign whether typed so or rounded to it.
      {{kR300, "VERTICAL", "BASTÓN", "R3", "150"},
       S::kImplausible,
       "QUENTARO R300",
       "150.0000",
       "150.0820"},
      {{kR300, "INCLINADA", "TRÍPODE", "R1", "1.5"},
       S::kConverts,
       "QUENTARO R300",
       "1.4285",
       "1.5105"},
      {{"QUENTARO M200 PLUS", "INCLINADA", "BÍPODE Y BASTÓN", "R2", "1,45"},
       S::kConverts,
       "QUENTARO M200 PLUS",
       "1.4450",
       "1.6070"},
      {{"QUENTARO R100", "VERTICAL", "BASTÓN", "R3", "2"},
       S::kConverts,
       "QUENTARO R100",
       "2.0000",
       "2.2630"},
      {{kR300, "VERTICAL", "BASTÓN", "R3", "-0"},
       S::kConverts,
       "QUENTARO R300",
       "0.0000",
       "0.0820"},
      {{kR300, "VERTICAL", "BASTÓN", "R3", "-0.00004"},
       S::kConverts,
       "QUENTARO R300",
       "0.0000",
       "0.0820"},
  };
  for (const Case& c : cases) {
    const RowValues& v = c.row;
    SCOPED_TRACE("'" + v.rec + "' " + v.tipo + " " + v.acc + " " + v.ref +
                 " '" + v.h + "'");
    const std::string arp = c.arp;
    const bool has_height = !arp.empty();
    const bool complete =
        c.status != S::kNotBegun && c.status != S::kIncomplete;

    const RowResult result = ConvertRow(v, catalogue);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.receiver, c.receiver);
    ASSERT_EQ(result.conversion.has_value(), has_height);
    if (has_height) {
      EXPECT_EQ(FormatFixed(result.conversion->arp, 4), arp);
      EXPECT_EQ(FormatFixed(result.conversion->phase_center, 4),
                c.phase_centre);
    }

    // The ARP column and the dossier's ALTURA cell.
    const RowArp column = DescribeRowArp(v, catalogue);
    EXPECT_EQ(column.cell, has_height ? arp : complete ? "ERROR" : "");
    EXPECT_EQ(DossierHeightCell(column), has_height ? arp
                                         : complete ? "✗"
                                                    : "—");

    // The RINEX check: a file holding the ARP height matches it.
    const std::optional<RinexRowHeights> rinex = RinexHeightsOf(result);
    ASSERT_EQ(rinex.has_value(), has_height);
    PointRinexFiles files;
    files.folder = "/p/RINEX";
    if (has_height) {
      EXPECT_EQ(FormatFixed(rinex->arp, 4), arp);
      EXPECT_EQ(FormatFixed(rinex->phase_center, 4), c.phase_centre);
      RinexFileCheck file;
      file.name = "a.26o";
      file.kind = RinexKind::kObservation;
      file.delta_h = *ParseDecimal(arp);
      files.files = {file};
      EXPECT_EQ(JudgeRinexPoint(files, rinex).state, RinexState::kMatch);
    }

    // The measurement file: the receiver and both results.
    const std::vector<std::string> line = FileLine(v, catalogue);
    ASSERT_EQ(line.size(), 8u);
    EXPECT_EQ(line[1], c.receiver);
    std::string comma_arp = arp, comma_pc = c.phase_centre;
    std::replace(comma_arp.begin(), comma_arp.end(), '.', ',');
    std::replace(comma_pc.begin(), comma_pc.end(), '.', ',');
    EXPECT_EQ(line[6], comma_arp);
    EXPECT_EQ(line[7], comma_pc);

    // The height report, its implausible heights accepted.
    RecordingDocumentFactory documents;
    SeededRandom random(1);
    ReportServices services{
        catalogue, documents, random,
        ResourceLookup{[](const std::string& n) { return "/res/" + n; },
                       [](const std::string&) { return false; }}};
    const ReportOutcome report = RunConversionReport(
        "/p", {TableRow{"1", v}}, "05/03/2025", services, true);
    if (has_height) {
      EXPECT_EQ(report.kind, MessageKind::kInfo);
      ASSERT_EQ(documents.documents_created(), 1u);
      EXPECT_EQ(
          PrintedAfter(documents.canvas(0), "ALTURA A LA BASE DEL SOPORTE:"),
          arp + " m");
      EXPECT_EQ(PrintedAfter(documents.canvas(0), "ALTURA AL CENTRO DE FASE:"),
                std::string(c.phase_centre) + " m");
    } else {
      // Left out while incomplete; refused, and named, when complete.
      EXPECT_EQ(report.kind,
                complete ? MessageKind::kError : MessageKind::kWarning);
      EXPECT_EQ(report.failing_rows,
                c.status == S::kNoFormula || c.status == S::kMathError
                    ? std::vector<size_t>{0}
                    : std::vector<size_t>{});
      EXPECT_EQ(documents.documents_created(), 0u);
    }

    // The photo report's band.
    const PointBand band = BandFromRow(TableRow{"1", v}, catalogue);
    EXPECT_EQ(band.receiver, *c.receiver ? c.receiver : "—");
    EXPECT_EQ(band.arp, has_height ? arp + " m" : "—");
    EXPECT_EQ(band.phase_centre,
              has_height ? std::string(c.phase_centre) + " m" : "—");
  }
}

}  // namespace
}  // namespace zarvek
