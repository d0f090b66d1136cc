#include "rinex/rinex_corrections.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "text/shown_path.h"

namespace zarvek {
namespace {

// Rows whose parts live as long as the fixture, as the table's do.
class Rows {
 public:
  void Add(std::string code, RinexState state,
           std::vector<RinexFileCheck> files, std::optional<double> arp,
           std::vector<std::string> to_correct,
           std::vector<std::string> to_copy = {}) {
    codes_.push_back(std::move(code));
    verdicts_.push_back(
        {state, "", "", std::move(to_correct), std::move(to_copy)});
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
  // k.26o is right: it is copied unchanged, so that CORREGIDO holds all.
  rows.Add("1002", RinexState::kMismatch,
           {File("a.26o", plain), File("b.26o.gz", RinexWrapper::kGzip),
            File("k.26o", plain)},
           1.4285, {"a.26o", "b.26o.gz"}, {"k.26o"});
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
  // Corrected before, but CORREGIDO lacks the right file m.26o ("✗ C").
  rows.Add("1007", RinexState::kMismatch, {File("m.26o", plain)}, 1.5, {},
           {"m.26o"});
  // Many files: the line names a few and counts the rest.
  std::vector<RinexFileCheck> many;
  std::vector<std::string> many_names;
  for (int i = 0; i < 9; ++i) {
    many.push_back(File("n" + std::to_string(i) + ".26o", plain));
    many_names.push_back(many.back().name);
  }
  rows.Add("1008", RinexState::kMismatch, many, 1.5, many_names);
  for (int i = 0; i < 22; ++i) {
    rows.Add(std::to_string(2000 + i), RinexState::kMismatch,
             {File("h.26o", plain)}, 1.0, {"h.26o"});
  }

  const RinexCorrectionPlan plan = PlanRinexCorrections(rows.rows());

  ASSERT_EQ(plan.points.size(), 26u);
  EXPECT_EQ(plan.points[0].row, 1u);
  EXPECT_EQ(plan.points[0].folder, "/p/2. DATOS GNSS/1002/RINEX");
  EXPECT_EQ(plan.points[0].arp, 1.4285);
  EXPECT_EQ(plan.points[0].names,
            (std::vector<std::string>{"a.26o", "b.26o.gz"}));
  EXPECT_EQ(plan.points[0].unchanged, std::vector<std::string>{"k.26o"});
  EXPECT_EQ(plan.points[1].code, "1003");
  EXPECT_EQ(plan.points[1].names, std::vector<std::string>{"d.26o"});
  EXPECT_EQ(plan.points[2].code, "1007");
  EXPECT_TRUE(plan.points[2].names.empty());
  EXPECT_EQ(plan.points[2].unchanged, std::vector<std::string>{"m.26o"});
  EXPECT_EQ(plan.points[3].names.size(), 9u);
  EXPECT_EQ(plan.points[25].row, 29u);

  // The box must fit on a small screen: the first points, each on a short
  // line, then how many more.
  const std::string head =
      "\n1002 (ARP 1.4285 m): a.26o, b.26o.gz; SIN CAMBIOS: k.26o"
      "\n1003 (ARP 1.5000 m): d.26o"
      "\n1007 (ARP 1.5000 m): SIN CAMBIOS: m.26o"
      "\n1008 (ARP 1.5000 m): n0.26o, n1.26o, n2.26o, … Y 6 MÁS"
      "\n2000 (ARP 1.0000 m): h.26o";
  EXPECT_EQ(plan.listing.substr(0, head.size()), head);
  EXPECT_NE(plan.listing.find("\n2005 (ARP"), std::string::npos);
  EXPECT_EQ(plan.listing.find("\n2006 (ARP"), std::string::npos);
  const std::string tail = "\n2005 (ARP 1.0000 m): h.26o\n… Y 16 MÁS.";
  EXPECT_EQ(plan.listing.substr(plan.listing.size() - tail.size()), tail);

  const std::vector<std::string> errors = {
      BoxPathAfter("OTRO ARCHIVO DARÍA LA MISMA COPIA c.26o; NO SE CORRIGE: ",
                   "/p/2. DATOS GNSS/1003/RINEX/c.26o"),
      BoxPathAfter("OTRO ARCHIVO DARÍA LA MISMA COPIA c.26o; NO SE CORRIGE: ",
                   "/p/2. DATOS GNSS/1003/RINEX/c.26o.Z"),
      BoxPathAfter("OTRO ARCHIVO DARÍA LA MISMA COPIA f.26o; NO SE CORRIGE: ",
                   "/p/2. DATOS GNSS/1005/RINEX/f.26o"),
      BoxPathAfter("OTRO ARCHIVO DARÍA LA MISMA COPIA f.26o; NO SE CORRIGE: ",
                   "/p/2. DATOS GNSS/1005/RINEX/f.26o.bz2"),
  };
  EXPECT_EQ(plan.errors, errors);

  // The error box too names the first failures and counts the rest.
  std::vector<std::string> failures;
  for (int i = 1; i <= 12; ++i) failures.push_back("E" + std::to_string(i));
  EXPECT_EQ(RinexCorrectionErrorText(failures, 4),
            std::string("NO SE ESCRIBIERON 12 COPIAS EN ") +
                CorrectedFolderText() +
                " (ESCRITAS: 4).\nE1\nE2\nE3\nE4\nE5\nE6\nE7\nE8\nE9\nE10\n… Y "
                "2 MÁS.");
  failures.resize(2);
  EXPECT_EQ(RinexCorrectionErrorText(failures, 0),
            "NO SE ESCRIBIERON 2 COPIAS EN " + CorrectedFolderText() +
                " (ESCRITAS: 0).\nE1\nE2");
  failures.resize(1);
  EXPECT_EQ(RinexCorrectionErrorText(failures, 3),
            "NO SE ESCRIBIÓ 1 COPIA EN " + CorrectedFolderText() +
                " (ESCRITAS: 3).\nE1");
  // The box after a run without failures: nouns agree with their numbers.
  EXPECT_EQ(RinexCopiesWrittenText(1, 1),
            "COPIAS ESCRITAS: 1 ARCHIVO EN LA CARPETA " +
                CorrectedFolderText() + " DE 1 PUNTO.");
  EXPECT_EQ(RinexCopiesWrittenText(5, 2),
            "COPIAS ESCRITAS: 5 ARCHIVOS EN LAS CARPETAS " +
                CorrectedFolderText() + " DE 2 PUNTOS.");

  // Nothing to correct: no listing at all.
  Rows none;
  none.Add("1", RinexState::kMatch, {}, 1.0, {});
  EXPECT_TRUE(PlanRinexCorrections(none.rows()).listing.empty());
}

}  // namespace
}  // namespace zarvek
