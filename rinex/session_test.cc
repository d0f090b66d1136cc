#include "rinex/session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvek {
namespace {

using Lines = std::vector<std::string>;
constexpr std::int64_t kSecond = kTicksPerSecond;
// 2026-01-01 12:00:00 UTC.
constexpr std::int64_t kNoon = (1767225600LL + 12 * 3600) * kSecond;
constexpr std::int64_t kGpsLeap = 18 * kSecond;

std::string H(std::string_view body, std::string_view label) {
  std::string line(body);
  line.resize(60, ' ');
  return line + std::string(label);
}

void Add(Lines& out, const Lines& more) {
  out.insert(out.end(), more.begin(), more.end());
}

Session Read(const Lines& lines, std::string_view end = "") {
  SessionReader reader;
  for (const std::string& line : lines) reader.Feed(line + std::string(end));
  return reader.Finish();
}

constexpr char kObs2[] =
    "  21000000.123 7 110000000.12347  21000001.234 7  85700000.12346";

// A RINEX 2 epoch at `when` ("26  1  1 12  0  1.0000000"): its line, the
// continuation of its satellite list past 12, `per_sat` lines a satellite.
void Rinex2Epoch(Lines& out, std::string_view when, int flag,
                 std::string_view sats, int per_sat) {
  const int n = static_cast<int>(sats.size() / 3);
  char count[8];
  std::snprintf(count, sizeof count, "%d%3d", flag, n);
  out.push_back(" " + std::string(when) + "  " + count +
                std::string(sats.substr(0, 36)));
  for (std::size_t i = 36; i < sats.size(); i += 36) {
    out.push_back(std::string(32, ' ') + std::string(sats.substr(i, 36)));
  }
  for (int i = 0; i < n * per_sat; ++i) out.push_back(kObs2);
}

// What a CRINEX writer puts for epoch line `now` after `before`.
std::string Difference(std::string_view before, std::string_view now) {
  std::string d;
  for (std::size_t i = 0; i < std::max(before.size(), now.size()); ++i) {
    const char b = i < before.size() ? before[i] : ' ';
    const char n = i < now.size() ? now[i] : ' ';
    d += b == n ? ' ' : n == ' ' ? '&' : n;
  }
  while (!d.empty() && d.back() == ' ') d.pop_back();
  return d;
}

// CRINEX data epochs: each line after the first as its difference, a clock
// line, one observation line a satellite.
void CrinexEpochs(Lines& out, const Lines& epochs, std::size_t list_at) {
  for (std::size_t i = 0; i < epochs.size(); ++i) {
    out.push_back(i == 0 ? epochs[0] : Difference(epochs[i - 1], epochs[i]));
    out.push_back(i % 2 ? "" : "3&123456789");
    for (std::size_t s = list_at; s + 3 <= epochs[i].size(); s += 3) {
      out.push_back("3&21000000123 3&110000000123  -1234 5");
    }
  }
}

Lines Rinex2File() {
  Lines f = {H("     2.11           OBSERVATION DATA    M (MIXED)",
               "RINEX VERSION / TYPE"),
             H("     4    C1    L1    D1    S1", "# / TYPES OF OBSERV"),
             H("  2026     1     1    12     0    0.0000000     GPS",
               "TIME OF FIRST OBS"),
             H("", "END OF HEADER")};
  const std::string fourteen = "G01G02G03G04G05G06G07G08G09G10R01R02R03R04";
  Rinex2Epoch(f, "26  1  1 12  0  0.0000000", 0,
              "G01G02G03G04G05G06G07G08G09G10G11G12"
              "G13G14G15G16G17G18G19G20G21G22G23G24",
              1);
  Rinex2Epoch(f, "26  1  1 12  0  1.0000000", 0, fourteen, 1);
  Rinex2Epoch(f, "26  1  1 12  0  2.0000000", 0, "G01G02G03", 1);
  // New observation types mid-file: seven, so two lines a satellite.
  f.push_back("                            4  2");
  f.push_back(H("     7    C1    L1    L2    P2    D1    S1    S2",
                "# / TYPES OF OBSERV"));
  f.push_back(H("second receiver channel", "COMMENT"));
  Rinex2Epoch(f, "26  1  1 12  0 10.0000000", 0, "G01G02E11", 2);
  f.push_back(" 26  1  1 12  0 10.0000000  3  2");
  f.push_back(H("5101", "MARKER NAME"));
  f.push_back(
      H("        2.0000        0.0000        0.0000", "ANTENNA: DELTA H/E/N"));
  Rinex2Epoch(f, "26  1  1 12  0 11.0000000", 1, "G01G02E11", 2);
  return f;
}

Lines Rinex3File() {
  Lines f = {
      H("     3.04           OBSERVATION DATA    M: Mixed",
        "RINEX VERSION / TYPE"),
      H("G    4 C1C L1C C2W L2W", "SYS / # / OBS TYPES"),
      H("R    2 C1C L1C", "SYS / # / OBS TYPES"),
      H("  2026    01    01    12    00    0.0000000     GPS",
        "TIME OF FIRST OBS"),
      H("", "END OF HEADER"), "> 2026 01 01 12 00  0.0000000  0  3",
      "G05  20000000.000   100000000.0001",
      "R12  21000000.000   110000000.0001",
      "E07  22000000.000   120000000.0001",
      "> 2026 01 01 12 00 30.0000000  0  2       0.000012345678",
      "G05  20000000.000   100000000.0001",
      "R12  21000000.000   110000000.0001",
      "> 2026 01 01 12 00 45.0000000  3  2", H("5101", "MARKER NAME"),
      H("        2.0000        0.0000        0.0000", "ANTENNA: DELTA H/E/N"),
      "> 2026 01 01 12 01  0.0000000  0  3",
      "G05  20000000.000   100000000.0001",
      "R12  21000000.000   110000000.0001",
      "E07  22000000.000   120000000.0001",
      // Cycle slips of an epoch already counted: no new epoch.
      "> 2026 01 01 12 01  0.0000000  6  1",
      "G05  20000000.000   100000000.0001",
      "> 2026 01 01 12 03  0.0000000  0  4",
      "G05  20000000.000   100000000.0001",
      "R12  21000000.000   110000000.0001",
      "C20  22000000.000   120000000.0001",
      "J01  22000000.000   120000000.0001",
      // The count says 2; three satellites' records follow.
      "> 2026 01 01 12 03 30.0000000  0  2",
      "G05  20000000.000   100000000.0001",
      "R12  21000000.000   110000000.0001",
      "E07  22000000.000   120000000.0001"};
  return f;
}

Lines Crinex1File() {
  Lines f = {
      H("1.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE"),
      H("RNX2CRX ver.4.1.0                       07-Dec-26 11:25",
        "CRINEX PROG / DATE"),
      H("     2.11           OBSERVATION DATA    R (GLONASS)",
        "RINEX VERSION / TYPE"),
      H("     2    C1    L1", "# / TYPES OF OBSERV"), H("", "END OF HEADER")};
  CrinexEpochs(f,
               {"&26  1  1 12  0  0.0000000  0  3R01R02R03",
                "&26  1  1 12  0  1.0000000  0  3R01R02R03",
                "&26  1  1 12  0 10.0000000  0  3R01R02R03",
                "&26  1  1 12  1  0.0000000  0 14R01R02R03R04R05R06R07R08R09"
                "R10R11R12R13R14"},
               32);
  // An event (written whole, its lines as text), then a new series.
  f.push_back("&26  1  1 12  1  0.5000000  3  1");
  f.push_back(H("5101", "MARKER NAME"));
  CrinexEpochs(f,
               {"&26  1  1 12  1  1.0000000  0  2R01R02",
                "&26  1  1 12  1  2.0000000  0  2R01R02"},
               32);
  return f;
}

Lines Crinex3File() {
  Lines f = {
      H("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE"),
      H("RNX2CRX ver.4.1.0                       07-Dec-26 11:25",
        "CRINEX PROG / DATE"),
      H("     3.04           OBSERVATION DATA    M: Mixed",
        "RINEX VERSION / TYPE"),
      H("G    2 C1C L1C", "SYS / # / OBS TYPES"),
      H("C    2 C2I L2I", "SYS / # / OBS TYPES"),
      H("  2026    01    01    12    00    0.0000000     BDT",
        "TIME OF FIRST OBS"),
      H("", "END OF HEADER")};
  CrinexEpochs(f,
               {"> 2026 01 01 12 00  0.0000000  0  2      G01C02",
                "> 2026 01 01 12 00 15.0000000  0  3      G01C02C05",
                "> 2026 01 01 12 00 30.0000000  0  2      G01C02"},
               41);
  return f;
}

TEST(SessionTest, ReadsTheEpochsOfEachFormat) {
  struct Case {
    const char* name;
    Lines lines;
    std::int64_t epochs, first, last, interval, expected, gap;
    const char* systems;
    std::int64_t satellites;
    bool dual;
    const char* shown;
  };
  const Case cases[] = {
      {"RINEX 2, 14 satellites, events, new types", Rinex2File(), 5,
       kNoon - kGpsLeap, kNoon - kGpsLeap + 11 * kSecond, kSecond, 12,
       7 * kSecond, "GRE", 47, true, "0 min · 1 s · 41 %"},
      {"RINEX 3, event, cycle slips, a 2-minute gap", Rinex3File(), 5,
       kNoon - kGpsLeap, kNoon - kGpsLeap + 210 * kSecond, 30 * kSecond, 8,
       90 * kSecond, "GRECJ", 15, true, "4 min · 30 s · 62 %"},
      {"CRINEX 1, GLONASS time, minute carry, event", Crinex1File(), 6, kNoon,
       kNoon + 62 * kSecond, kSecond, 63, 49 * kSecond, "R", 27, false,
       "1 min · 1 s · 9 %"},
      {"CRINEX 3, BeiDou time, satellites come and go", Crinex3File(), 3,
       kNoon - 4 * kSecond, kNoon + 26 * kSecond, 15 * kSecond, 3, 0, "GC", 7,
       false, "0 min · 15 s · 100 %"},
  };
  for (const Case& c : cases) {
    for (std::string_view end : {"", "\r\n"}) {
      SCOPED_TRACE(std::string(c.name) + (end.empty() ? "" : ", CRLF"));
      const Session s = Read(c.lines, end);
      EXPECT_TRUE(s.observation);
      EXPECT_EQ(s.epochs, c.epochs);
      EXPECT_EQ(s.first, c.first);
      EXPECT_EQ(s.last, c.last);
      EXPECT_EQ(s.interval, c.interval);
      EXPECT_EQ(s.expected, c.expected);
      EXPECT_EQ(s.longest_gap, c.gap);
      EXPECT_EQ(s.systems, c.systems);
      EXPECT_EQ(s.satellite_sum, c.satellites);
      EXPECT_EQ(s.dual_frequency, c.dual);
      EXPECT_EQ(s.unread_lines, 0);
      EXPECT_EQ(FormatSession(s), c.shown);
    }
  }
}

TEST(SessionTest, TwoFrequenciesAreTwoBandsOfCodeOrPhase) {
  const std::string r2 =
      H("     2.11           OBSERVATION DATA    G", "RINEX VERSION / TYPE");
  const std::string r3 =
      H("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE");
  const std::string end = H("", "END OF HEADER");
  struct Case {
    Lines header;
    bool dual;
  } cases[] = {
      {{r2, H("     2    C1    P2", "# / TYPES OF OBSERV")}, true},
      {{r2, H("     3    L1    L2    S1", "# / TYPES OF OBSERV")}, true},
      {{r2, H("     4    C1    L1    S2    D2", "# / TYPES OF OBSERV")}, false},
      {{r2,
        H("    10    C1    L1    S1    D1    C1    L1    S1    D1    C1",
          "# / TYPES OF OBSERV"),
        H("          L5", "# / TYPES OF OBSERV")},
       true},
      {{r3, H("G    2 C1C L1C", "SYS / # / OBS TYPES"),
        H("R    2 C2C L2C", "SYS / # / OBS TYPES")},
       false},
      {{r3, H("G    3 C1C L1C L5Q", "SYS / # / OBS TYPES")}, true},
      {{r3,
        H("E   14 C1X L1X D1X S1X C1X L1X D1X S1X C1X L1X D1X S1X C1X",
          "SYS / # / OBS TYPES"),
        H("       L7Q", "SYS / # / OBS TYPES")},
       true},
      {{r3, H("G    3 C1C L1C S2W", "SYS / # / OBS TYPES")}, false},
  };
  for (const Case& c : cases) {
    Lines lines = c.header;
    lines.push_back(end);
    SCOPED_TRACE(lines[1]);
    const Session s = Read(lines);
    EXPECT_TRUE(s.observation);
    EXPECT_EQ(s.dual_frequency, c.dual);
  }
}

// Damaged and hostile data: each case must neither crash nor hang, and
// reading must pick up again at the next sound epoch line.
TEST(SessionTest, SurvivesHostileLines) {
  const Lines r3 = {
      H("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE"),
      H("", "END OF HEADER")};
  const Lines r2 = {
      H("     2.11           OBSERVATION DATA    G", "RINEX VERSION / TYPE"),
      H("     1    C1", "# / TYPES OF OBSERV"), H("", "END OF HEADER")};
  const Lines c3 = {
      H("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE"),
      r3[0], r3[1]};
  const std::string huge(1 << 20, 'x');
  const std::string binary("\0\xff\x80>\n\r&", 7);
  auto with = [](Lines head, const Lines& data) {
    Add(head, data);
    return head;
  };
  struct Case {
    const char* name;
    Lines lines;
    bool observation;
    std::int64_t epochs, unread;
  } cases[] = {
      {"a count of 999 is no epoch",
       with(r3, {"> 2026 01 01 12 00  0.0000000  0999", "G01 1",
                 "> 2026 01 01 12 00  1.0000000  0  1", "G01 1"}),
       true, 1, 2},
      {"an event announcing 200 lines, cut short",
       with(r3, {"> 2026 01 01 12 00  0.0000000  4200", H("x", "COMMENT"),
                 "> 2026 01 01 12 00  1.0000000  0  1", "G01 1",
                 "> 2026 01 01 12 00  2.0000000  0  1", "G01 1"}),
       true, 2, 0},
      {"RINEX 2: 200 satellites announced, next epoch at once",
       with(r2, {" 26  1  1 12  0  0.0000000  0200G01G02",
                 " 26  1  1 12  0  1.0000000  0  1G01", kObs2,
                 " 26  1  1 12  0  2.0000000  0  1G01", kObs2}),
       true, 3, 0},
      {"RINEX 2: impossible dates",
       with(r2, {" 26 13  1 12  0  0.0000000  0  1G01", kObs2,
                 " 26  2 29 12  0  0.0000000  0  1G01",
                 " 26  1  1 24  0  0.0000000  0  1G01",
                 " 26  1  1 12  0 61.0000000  0  1G01",
                 " 26  1  1 12  0  1.0000000  7  1G01",
                 "                            0  1", kObs2,
                 " 26  1  1 12  0  1.0000000  0  1G01", kObs2}),
       true, 1, 8},
      {"epochs out of order are not counted twice",
       with(r3, {"> 2026 01 01 12 00 10.0000000  0  0",
                 "> 2026 01 01 12 00  0.0000000  0  0",
                 "> 2026 01 01 12 00 10.0000000  0  0",
                 "> 2026 01 01 12 00 20.0000000  0  0"}),
       true, 2, 0},
      {"garbage, binary and a megabyte line",
       with(r3, {binary, huge, "> 2026 01 01 12 00  0.0000000  0  1", huge, ">",
                 "> 2026 01 01 12 00  1.0000000  0  1", "G01 1"}),
       true, 2, 4},
      {"CRINEX: differences with nothing to rebuild from, a huge one",
       with(c3, {"                   3", huge,
                 "> 2026 01 01 12 00  0.0000000  0  1      G01", "", "1", huge,
                 "                   3", "",
                 "> 2026 01 01 12 00  1.0000000  0  1      G01", "", "1",
                 "                    2", "", "1"}),
       true, 3, 5},
      {"CRINEX: a satellite list shorter than its count",
       with(c3, {"> 2026 01 01 12 00  0.0000000  0  3      G01", "", "1"}),
       true, 0, 3},
      {"no END OF HEADER",
       {r3[0], "> 2026 01 01 12 00  0.0000000  0  0"},
       false,
       0,
       0},
      {"a header of 2,000 lines",
       with(with({r3[0]}, Lines(2000, H("", "COMMENT"))),
            {r3[1], "> 2026 01 01 12 00  0.0000000  0  0"}),
       false, 0, 0},
      {"not RINEX at all", {binary, huge}, false, 0, 0},
      {"a navigation file",
       {H("     3.04           N: GNSS NAV DATA    M", "RINEX VERSION / TYPE"),
        r3[1], "> 2026 01 01 12 00  0.0000000  0  0"},
       false,
       0,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Session s = Read(c.lines);
    EXPECT_EQ(s.observation, c.observation);
    EXPECT_EQ(s.epochs, c.epochs);
    EXPECT_EQ(s.unread_lines, c.unread);
    EXPECT_LE(s.satellite_sum, s.epochs * kMaxEpochItems);
    EXPECT_LE(FormatSession(s).size(), 40u);
  }
}

TEST(SessionTest, JoinsAPointsFiles) {
  const Session a = Read(Rinex3File());  // 12:00:00-12:03:30 GPS, 30 s
  Lines later_lines = Rinex3File();
  for (std::string& line : later_lines) {
    if (line.starts_with("> 2026 01 01 12 0")) line[14] = '3';  // 13:0x
  }
  const Session b = Read(later_lines);
  ASSERT_EQ(b.first - a.first, 3600 * kSecond);

  const Session joined = JoinSessions({b, Session{}, a});
  EXPECT_EQ(joined.first, a.first);
  EXPECT_EQ(joined.last, b.last);
  EXPECT_EQ(joined.epochs, 10);
  EXPECT_EQ(joined.interval, 30 * kSecond);
  EXPECT_EQ(joined.expected, (3600 + 210) / 30 + 1);
  // From the end of a (12:03:30) to the start of b (13:00:00).
  EXPECT_EQ(joined.longest_gap, (3600 - 210 - 30) * kSecond);
  EXPECT_EQ(joined.systems, "GRECJ");
  EXPECT_EQ(joined.satellite_sum, 30);
  EXPECT_EQ(FormatSession(joined), "1 h 04 min · 30 s · 7 %");
  // The interval is that of the file with the most epochs, not the first.
  EXPECT_EQ(JoinSessions({b, Read(Crinex3File())}).interval, 30 * kSecond);

  // The same file twice is still one session, never over 100 %.
  const Session twice = JoinSessions({a, a});
  EXPECT_EQ(twice.epochs, 5);
  EXPECT_EQ(FormatSession(twice), "4 min · 30 s · 62 %");
  EXPECT_FALSE(JoinSessions({Session{}}).observation);
  EXPECT_EQ(FormatSession(JoinSessions({})), "SIN ÉPOCAS");
}

TEST(SessionTest, FormatsDurationIntervalAndShare) {
  struct Case {
    std::int64_t span, interval, epochs, expected;
    const char* shown;
  } cases[] = {
      {7499 * kSecond, kSecond, 7441, 7500, "2 h 05 min · 1 s · 99 %"},
      {7200 * kSecond - kSecond / 10, kSecond / 10, 72000, 72000,
       "2 h 00 min · 0.1 s · 100 %"},
      {3600 * kSecond, 15 * kSecond, 240, 241, "1 h 00 min · 15 s · 99 %"},
      {59 * kSecond, kSecond, 60, 60, "1 min · 1 s · 100 %"},
      {0, 0, 1, 1, "0 min · — · 100 %"},
      {10 * kSecond, 1, 3, 100000001, "0 min · 0.0000001 s · 0 %"},
  };
  for (const Case& c : cases) {
    Session s;
    s.observation = true;
    s.first = kNoon;
    s.last = kNoon + c.span;
    s.interval = c.interval;
    s.epochs = c.epochs;
    s.expected = c.expected;
    EXPECT_EQ(FormatSession(s), c.shown);
  }
}

}  // namespace
}  // namespace zarvek
