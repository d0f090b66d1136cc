#include "heights/rinex_corrections.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace zarvek {
namespace {

// Rows whose parts live as long as the fixture, as the table's do.
class Rows {
 public:
  void Add(std::string code, RinexState state,
           std::vector<RinexFileCheck> files, std::optional<double> arp,
           std::vector<std::string> to_correct) {
    codes_.push_back(std::move(code));
    verdicts_.push_back({state, "", "", std::move(to_correct)});
    files_.push_back(
        {"/p/2. DATOS GNSS/" + codes_.back() + "/RINEX", "", std::move(files)});
    rows_.push_back({codes_.back(), verdicts_.back(), files_.back(), arp});
  }
  const std::vector<RinexCorrectionRow>& rows() const { return rows_; }

 private:
  std::deque<std::string> codes_;
  std::deque<RinexVerdict> verdicts_;
  std::deque<PointRinexFiles> files_;
  std::vector<RinexCorrectionRow> rows_;
};

RinexFileCheck File(std::string name, RinexWrapper wrapper) {
  RinexFileCheck file;
  file.name = std::move(name);
  file.wrapper = wrapper;
  file.kind = RinexKind::kObservation;
  return file;
}

TEST(RinexCorrectionsTest, PlansTheCopiesListsThemAndRefusesClashes) {
  const auto plain = RinexWrapper::kNone;
  Rows rows;
  rows.Add("1001", RinexState::kMatch, {File("m.26o", plain)}, 1.5, {});
  rows.Add("1002", RinexState::kMismatch,
           {File("a.26o", plain), File("b.26o.gz", RinexWrapper::kGzip)},
           1.4285, {"a.26o", "b.26o.gz"});
  // c.26o and c.26o.Z would give one copy "c.26o": neither is written.
  rows.Add("1003", RinexState::kMismatch,
           {File("c.26o", plain), File("c.26o.Z", RinexWrapper::kCompress),
            File("d.26o", plain)},
           1.5, {"c.26o", "c.26o.Z", "d.26o"});
  rows.Add("1004", RinexState::kMismatch, {File("e.26o", plain)}, std::nullopt,
           {"e.26o"});  // incomplete row
  rows.Add("1005", RinexState::kMismatch,
           {File("f.26o", plain), File("f.26o.bz2", RinexWrapper::kBzip2)}, 2.0,
           {"f.26o", "f.26o.bz2"});  // nothing left to write
  rows.Add("1006", RinexState::kUnreadable, {File("g.26o", plain)}, 1.0, {});
  for (int i = 0; i < 16; ++i) {
    rows.Add(std::to_string(2000 + i), RinexState::kMismatch,
             {File("h.26o", plain)}, 1.0, {"h.26o"});
  }

  const RinexCorrectionPlan plan = PlanRinexCorrections(rows.rows());

  ASSERT_EQ(plan.points.size(), 18u);
  EXPECT_EQ(plan.points[0].row, 1u);
  EXPECT_EQ(plan.points[0].folder, "/p/2. DATOS GNSS/1002/RINEX");
  EXPECT_EQ(plan.points[0].arp, 1.4285);
  EXPECT_EQ(plan.points[0].names,
            (std::vector<std::string>{"a.26o", "b.26o.gz"}));
  EXPECT_EQ(plan.points[1].code, "1003");
  EXPECT_EQ(plan.points[1].names, std::vector<std::string>{"d.26o"});
  EXPECT_EQ(plan.points[17].row, 21u);

  const std::string head =
      "\n1002 (ARP 1.4285 m): a.26o, b.26o.gz"
      "\n1003 (ARP 1.5000 m): d.26o"
      "\n2000 (ARP 1.0000 m): h.26o";
  EXPECT_EQ(plan.listing.substr(0, head.size()), head);
  // 15 points named (2000..2012 after the first two), then the rest counted.
  EXPECT_NE(plan.listing.find("\n2012 (ARP"), std::string::npos);
  EXPECT_EQ(plan.listing.find("\n2013 (ARP"), std::string::npos);
  const std::string tail = "\n… Y 3 PUNTOS MÁS.";
  EXPECT_EQ(plan.listing.substr(plan.listing.size() - tail.size()), tail);

  const std::vector<std::string> errors = {
      "OTRO ARCHIVO DARÍA LA MISMA COPIA c.26o; NO SE CORRIGE: "
      "/p/2. DATOS GNSS/1003/RINEX/c.26o",
      "OTRO ARCHIVO DARÍA LA MISMA COPIA c.26o; NO SE CORRIGE: "
      "/p/2. DATOS GNSS/1003/RINEX/c.26o.Z",
      "OTRO ARCHIVO DARÍA LA MISMA COPIA f.26o; NO SE CORRIGE: "
      "/p/2. DATOS GNSS/1005/RINEX/f.26o",
      "OTRO ARCHIVO DARÍA LA MISMA COPIA f.26o; NO SE CORRIGE: "
      "/p/2. DATOS GNSS/1005/RINEX/f.26o.bz2",
  };
  EXPECT_EQ(plan.errors, errors);

  // Nothing to correct: no listing at all.
  Rows none;
  none.Add("1", RinexState::kMatch, {}, 1.0, {});
  EXPECT_TRUE(PlanRinexCorrections(none.rows()).listing.empty());
}

}  // namespace
}  // namespace zarvek
