#include "rinex/rinex_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "rinex/rinex_lines.h"
#include "rinex/rinex_verdict.h"
#include "text/shown_path.h"

namespace zarvek {
namespace {

// One header record: `fields` in columns 1-60, the label in 61-80.
std::string Rec(std::string fields, std::string label) {
  fields.resize(60, ' ');
  label.resize(20, ' ');
  return fields + label + "\n";
}

const std::string kV2 = Rec("     2.11           OBSERVATION DATA    G (GPS)",
                            "RINEX VERSION / TYPE");
const std::string kV3 =
    Rec("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE");
const std::string kCrinex =
    Rec("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
    Rec("RNX2CRX ver.4.1.0                       07-Dec-26 11:25",
        "CRINEX PROG / DATE");
const std::string kMarker = Rec("PG01", "MARKER NAME");
const std::string kDelta =
    Rec("        1.4285        0.0012       -0.0034", "ANTENNA: DELTA H/E/N");
const std::string kEnd = Rec("", "END OF HEADER");
// An epoch with event flag 4 (header information follows) inside the data.
const std::string kEvent =
    "> 2026 01 01 12 01 00.0000000  4  1\n" +
    Rec("        9.9999        0.0000        0.0000", "ANTENNA: DELTA H/E/N");

std::string WithCrlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(RinexHeaderTest, ReadsObservationHeaders) {
  struct Case {
    const char* what;
    std::string bytes;
    bool complete;
    const char* version;
    bool crinex;
    double h, e, n;
  };
  const std::string body = "> 2026 01 01 12 00 00.0000000  0  1\n";
  const Case cases[] = {
      {"2.11", kV2 + kMarker + kDelta + kEnd + body, true, "2.11", false,
       1.4285, 0.0012, -0.0034},
      {"3.04 CRLF", WithCrlf(kV3 + kDelta + kEnd), true, "3.04", false, 1.4285,
       0.0012, -0.0034},
      {"CRINEX", kCrinex + kV3 + kDelta + kEnd + "&1 &2\n", true, "3.04", true,
       1.4285, 0.0012, -0.0034},
      {"4.01, no final line end",
       Rec("     4.01           O", "RINEX VERSION / TYPE") + kDelta +
           kEnd.substr(0, 80),
       true, "4.01", false, 1.4285, 0.0012, -0.0034},
      {"version record shifted left",
       Rec("3.04 OBSERVATION DATA M", "RINEX VERSION / TYPE") + kDelta + kEnd,
       true, "3.04", false, 1.4285, 0.0012, -0.0034},
      {"read prefix of a long file", kV3 + kDelta + kEnd + "> 2026 0", false,
       "3.04", false, 1.4285, 0.0012, -0.0034},
      {"event records in the data are not the header",
       kV3 + kDelta + kEnd + kEvent, true, "3.04", false, 1.4285, 0.0012,
       -0.0034},
      {"numbers shifted within 60 columns",
       kV3 + Rec("  1.5   0.0   0.0", "ANTENNA: DELTA H/E/N") + kEnd, true,
       "3.04", false, 1.5, 0, 0},
      {"numbers run across the F14.4 fields",
       kV3 +
           Rec("            1.5000        0.0000  0.0000",
               "ANTENNA: DELTA H/E/N") +
           kEnd,
       true, "3.04", false, 1.5, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RinexHeader h = ReadRinexHeader(c.bytes, c.complete);
    ASSERT_EQ(h.kind, RinexKind::kObservation) << h.reason;
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.crinex, c.crinex);
    EXPECT_DOUBLE_EQ(h.delta_h, c.h);
    EXPECT_DOUBLE_EQ(h.delta_e, c.e);
    EXPECT_DOUBLE_EQ(h.delta_n, c.n);
    EXPECT_EQ(c.bytes.substr(h.delta_line_offset + 60, 20),
              "ANTENNA: DELTA H/E/N");
  }
}

TEST(RinexHeaderTest, RefusesWhatIsNotAReadableObservationHeader) {
  std::string many_lines = kV3;
  for (int i = 0; i < 1200; ++i) many_lines += Rec("x", "COMMENT");
  many_lines += kDelta + kEnd;
  const std::string huge_line = kV3 + std::string(200 * 1024, ' ') + "\n";
  struct Case {
    std::string bytes;
    bool complete;
    RinexKind kind;
    const char* reason;
  };
  const Case cases[] = {
      {"", true, RinexKind::kNotRinex, "vacío"},
      {std::string("\x1f\x8b\x08\0\0\0garbage\n", 16), true,
       RinexKind::kNotRinex, "no es un archivo RINEX"},
      {Rec("     3.04           N: GNSS NAV DATA", "RINEX VERSION / TYPE") +
           kEnd,
       true, RinexKind::kOtherRinex, "tipo N"},
      {Rec("     3.04           OBSERVATION DATA", "COMMENT") + kDelta + kEnd,
       true, RinexKind::kNotRinex, "no es un archivo RINEX"},
      {kCrinex + kMarker + kEnd, true, RinexKind::kUnreadable, "CRINEX"},
      {kV3 + kDelta.substr(0, 50), true, RinexKind::kUnreadable, "truncada"},
      {kV3 + kDelta, true, RinexKind::kUnreadable, "END OF HEADER"},
      {kV3 + kMarker + kEnd, true, RinexKind::kUnreadable, "sin línea ANTENNA"},
      {kV3 + kDelta + kDelta + kEnd, true, RinexKind::kUnreadable, "dos"},
      {kV3 +
           Rec("        1,4285        0.0000        0.0000",
               "ANTENNA: DELTA H/E/N") +
           kEnd,
       true, RinexKind::kUnreadable, "tres números"},
      {kV3 +
           Rec("        ALTURA        0.0000        0.0000",
               "ANTENNA: DELTA H/E/N") +
           kEnd,
       true, RinexKind::kUnreadable, "tres números"},
      {kV3 + Rec("        1.4285        0.0000", "ANTENNA: DELTA H/E/N") + kEnd,
       true, RinexKind::kUnreadable, "tres números"},
      {many_lines, true, RinexKind::kUnreadable, "1000 líneas"},
      {huge_line, false, RinexKind::kUnreadable, "100 KB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 200));
    const RinexHeader h = ReadRinexHeader(c.bytes, c.complete);
    EXPECT_EQ(h.kind, c.kind);
    EXPECT_NE(h.reason.find(c.reason), std::string::npos) << h.reason;
  }
}

// The end of a header is found as the bytes arrive, each byte examined
// once: a hostile one-line file of repeated labels costs its size, not its
// size squared.
TEST(RinexHeaderTest, EndOfHeaderIsFoundInOnePass) {
  auto feed = [](const std::string& text, EndOfHeaderFinder& finder) {
    for (std::size_t seen = 0; seen < text.size(); seen += 64) {
      const std::size_t size = std::min(text.size(), seen + 64);
      if (finder(std::string_view(text).substr(0, size), seen)) return true;
    }
    return false;
  };
  std::string one_line;
  while (one_line.size() < 104 * 1024) one_line += "END OF HEADER";
  for (const std::string& text :
       {one_line, one_line + "\n", std::string(61, ' ') + one_line}) {
    EndOfHeaderFinder finder;
    EXPECT_FALSE(feed(text, finder));
    EXPECT_LE(finder.examined(), text.size());
  }
  const std::string header = std::string(60, ' ') + "COMMENT\n" +
                             std::string(60, ' ') + "END OF HEADER\r\n";
  EndOfHeaderFinder finder;
  EXPECT_FALSE(feed(header.substr(0, header.size() - 1), finder));
  EndOfHeaderFinder whole;
  EXPECT_TRUE(feed(header + "data\n", whole));
  EXPECT_EQ(whole.header_end(), header.size());
}

// `original` as a copy streams it through DeltaHRewrite in pieces of
// `step` bytes, or the reason it was refused.
std::string Streamed(const std::string& original, std::size_t step,
                     bool* refused) {
  DeltaHRewrite rewrite("        1.4285", "p");
  std::string out;
  Status status;
  for (std::size_t at = 0; status.ok() && at < original.size(); at += step)
    status = rewrite.Change(std::string_view(original).substr(at, step), false,
                            &out);
  if (status.ok()) status = rewrite.Change({}, true, &out);
  *refused = !status.ok();
  return status.ok() ? out : status.message();
}

TEST(RinexHeaderTest, CorrectionChangesOnlyTheDeltaHField) {
  const std::string tail = "> 2026 01 01 12 00 00.0000000  0  1\nG01  1.0\n";
  struct Case {
    const char* what;
    std::string original, expected;
  };
  const Case cases[] = {
      {"standard columns, LF",
       kV2 +
           Rec("        0.0000        0.0012       -0.0034  x",
               "ANTENNA: DELTA H/E/N") +
           kEnd + kEvent + tail,
       // The event record's DELTA H holds for the epochs after it: it is
       // corrected too.
       kV2 +
           Rec("        1.4285        0.0012       -0.0034  x",
               "ANTENNA: DELTA H/E/N") +
           kEnd + "> 2026 01 01 12 01 00.0000000  4  1\n" +
           Rec("        1.4285        0.0000        0.0000",
               "ANTENNA: DELTA H/E/N") +
           tail},
      {"CRINEX with CRLF",
       WithCrlf(kCrinex + kV3 +
                Rec("        1.5000        0.0000        0.0000",
                    "ANTENNA: DELTA H/E/N") +
                kEnd) +
           "&1\n",
       WithCrlf(kCrinex + kV3 +
                Rec("        1.4285        0.0000        0.0000",
                    "ANTENNA: DELTA H/E/N") +
                kEnd) +
           "&1\n"},
      {"shifted left, E from column 16: only columns 1-14 change",
       kV3 + Rec("1.5            0.0000  0.0000", "ANTENNA: DELTA H/E/N") +
           kEnd,
       kV3 + Rec("        1.4285 0.0000  0.0000", "ANTENNA: DELTA H/E/N") +
           kEnd},
      {"shifted left, E from column 15 would touch the field: laid out again",
       kV3 + Rec("1.5           0.0000  0.0000", "ANTENNA: DELTA H/E/N") + kEnd,
       kV3 +
           Rec("        1.4285        0.0000        0.0000",
               "ANTENNA: DELTA H/E/N") +
           kEnd},
      {"all three within columns 1-14",
       kV3 + Rec("1.5 0.0 0.0", "ANTENNA: DELTA H/E/N") + kEnd,
       kV3 +
           Rec("        1.4285           0.0           0.0",
               "ANTENNA: DELTA H/E/N") +
           kEnd},
      {"shifted across column 14 is laid out again",
       kV3 +
           Rec("            1.5000   0.0000   0.0000", "ANTENNA: DELTA H/E/N") +
           kEnd,
       kV3 +
           Rec("        1.4285        0.0000        0.0000",
               "ANTENNA: DELTA H/E/N") +
           kEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string reason;
    std::string out = c.original;
    ASSERT_TRUE(CorrectDeltaHInPlace(out, 1.4285, &reason)) << reason;
    EXPECT_EQ(out, c.expected);
    const RinexHeader back = ReadRinexHeader(out, true);
    EXPECT_EQ(back.kind, RinexKind::kObservation) << back.reason;
    EXPECT_EQ(back.delta_h, 1.4285);
    // A copy rewritten as it streams is the same, however its pieces fall.
    for (std::size_t step : {std::size_t{1}, std::size_t{7}, out.size()}) {
      bool refused = false;
      EXPECT_EQ(Streamed(c.original, step, &refused), c.expected) << step;
    }
  }
  // A refusal says why and leaves the bytes as they were.
  // So does a file whose event records' DELTA H lines cannot be read or
  // pass the bound on their number.
  std::string many = kV3 + kDelta + kEnd;
  for (std::size_t i = 0; i < kRinexMaxDeltaLines; ++i) many += kEvent;
  for (const auto& [original, arp] :
       {std::pair<std::string, double>{kV3 + kMarker + kEnd, 1.4285},
        {kV3 + kDelta + kEnd, 1e12},
        {kV3 + kDelta + kEnd + "> 2026 01 01 12 01 00.0000000  3  1\n" +
             Rec("        x", "ANTENNA: DELTA H/E/N"),
         1.4285},
        {many, 1.4285}}) {
    std::string reason;
    std::string out = original;
    EXPECT_FALSE(CorrectDeltaHInPlace(out, arp, &reason));
    EXPECT_EQ(out, original);
    EXPECT_FALSE(reason.empty());
    // The streamed copy is refused for the same reason.
    if (arp != 1.4285) continue;
    bool refused = false;
    EXPECT_EQ(Streamed(original, 13, &refused).rfind(reason, 0), 0u) << reason;
    EXPECT_TRUE(refused);
  }
  EXPECT_EQ(FormatF14_4(-0.00001), "        0.0000");
  EXPECT_EQ(FormatF14_4(-12345678.1234), "-12345678.1234");
  EXPECT_FALSE(FormatF14_4(-123456789.1234));
}

TEST(RinexHeaderTest, NamesOfObservationFilesAndOfTheirCopies) {
  for (const char* name :
       {"pg0110a0.26o", "PG01001A.26O.Z", "x.26d.gz",
        "PG01_R_20260010000_01D_30S_MO.rnx.gz",
        "PG01_R_20260010000_01D_30S_MO.crx.bz2", "a.obs.zip"}) {
    EXPECT_TRUE(LooksLikeObservationName(name)) << name;
  }
  for (const char* name : {"notas.txt", "a.26n", "a.o", "foto.jpg.gz", "obs"}) {
    EXPECT_FALSE(LooksLikeObservationName(name)) << name;
  }
  EXPECT_EQ(CorrectedCopyName("a.26o.gz", RinexWrapper::kGzip), "a.26o.gz");
  EXPECT_EQ(CorrectedCopyName("a.26o", RinexWrapper::kNone), "a.26o");
  EXPECT_EQ(CorrectedCopyName("a.26O.Z", RinexWrapper::kCompress), "a.26O");
  EXPECT_EQ(CorrectedCopyName("a.crx.BZ2", RinexWrapper::kBzip2), "a.crx");
  EXPECT_EQ(CorrectedCopyName("a.obs.zip", RinexWrapper::kZip), "a.obs");
  EXPECT_EQ(CorrectedCopyName("a.obs", RinexWrapper::kZip), "a.obs");
}

TEST(RinexVerdictTest, CellAndReasonOfAPoint) {
  const RinexRowHeights row{1.4285, 1.5105, 1.5};
  auto file = [](std::string name, double h,
                 std::optional<double> copy = std::nullopt) {
    RinexFileCheck f;
    f.name = std::move(name);
    f.kind = RinexKind::kObservation;
    f.delta_h = h;
    f.copy_delta_h = copy;
    return f;
  };
  // A file, or its copy, whose event record at line 66 holds `later`.
  auto event = [](RinexFileCheck f, double later, bool in_copy = false) {
    if (in_copy) {
      f.copy_later_delta_h.push_back(later);
    } else {
      f.later_delta_h.push_back({66, 0, 0, later});
    }
    return f;
  };
  RinexFileCheck bad;
  bad.name = "basura.26o";
  bad.reason = "no es un archivo RINEX";
  struct Case {
    std::vector<RinexFileCheck> files;
    std::string listing_error;
    const char* cell;
    const char* reason;
    std::vector<std::string> to_correct;
    std::vector<std::string> to_copy = {};
  };
  const Case cases[] = {
      {{}, "", "—", "Ningún archivo", {}},
      {{file("a", 1.42849999), file("b", 1.4285)}, "", "✓", "1.4285", {}},
      {{file("a", 1.4285), file("b", 0)},
       "",
       "✗ 0.0000",
       "no da altura",
       {"b"},
       {"a"}},
      {{file("a", 1.5)}, "", "✗ 1.5000", "altura medida", {"a"}},
      {{file("a", 1.5105)}, "", "✗ 1.5105", "dos veces", {"a"}},
      {{file("a", 1.4286)},
       "",
       "✗ 1.4286",
       "a: DELTA H 1.4286 en lugar de 1.4285",
       {"a"}},
      // Right through its copy: the copies' folder is what to hand over,
      // and it must hold every file.
      {{file("a", 0, 1.4285)}, "", "✓ C", "/p/RINEX/CORREGIDO", {}},
      {{file("a", 0, 1.4285), file("b", 1.4285, 1.4285)}, "", "✓ C", "a", {}},
      {{file("a", 0, 1.4285), file("b", 1.4285)},
       "",
       "✗ C",
       "b: falta su copia",
       {},
       {"b"}},
      {{file("a", 0, 1.4285), file("b", 1.4285, 1.5)},
       "",
       "✗ C",
       "b: su copia en CORREGIDO tiene DELTA H 1.5000",
       {},
       {"b"}},
      {{file("a", 0), file("b", 1.4285)}, "", "✗ 0.0000", "a", {"a"}, {"b"}},
      // The originals are right: CORREGIDO, stale or not, is not used.
      {{file("a", 1.4285, 1.0)}, "", "✓", "todos los archivos", {}},
      {{file("a", 0, 1.0)}, "", "✗ 0.0000", "no da altura", {"a"}},
      // Every DELTA H in force counts: an event record's, the copy's too.
      {{event(file("a", 1.4285), 2.0)},
       "",
       "✗ 2.0000",
       "a: DELTA H 2.0000 en lugar de 1.4285 (ARP), línea 66 (registro de "
       "evento)",
       {"a"}},
      {{event(file("a", 1.4285, 1.4285), 1.4285)}, "", "✓", "todos", {}},
      {{event(file("a", 0, 1.4285), 2.0, true)}, "", "✗ 0.0000", "a", {"a"}},
      {{file("a", 0, 1.4285), event(file("b", 1.4285, 1.4285), 2.0, true)},
       "",
       "✗ C",
       "b: su copia en CORREGIDO tiene DELTA H 2.0000",
       {},
       {"b"}},
      {{bad, file("a", 1.4285)}, "", "?", "basura.26o: no es", {}},
      {{bad, file("a", 1.5)}, "", "✗ 1.5000", "basura.26o", {"a"}},
      {{}, "Permiso denegado: /p/RINEX", "?", "Permiso denegado", {}},
  };
  for (const Case& c : cases) {
    PointRinexFiles files;
    files.folder = "/p/RINEX";
    files.files = c.files;
    files.listing_error = c.listing_error;
    const RinexVerdict v = JudgeRinexPoint(files, row);
    SCOPED_TRACE(v.reason);
    EXPECT_EQ(v.cell, c.cell);
    // Paths in the reason are shown as the system writes them.
    EXPECT_NE(v.reason.find(ShownPath(c.reason)), std::string::npos);
    EXPECT_EQ(v.to_correct, c.to_correct);
    EXPECT_EQ(v.to_copy, c.to_copy);
    EXPECT_EQ(JudgeRinexPoint(files, std::nullopt).cell, "");
  }
  // The corrected files are named as their copies are on disk: a
  // compressed original's copy is written back plain.
  PointRinexFiles files;
  files.folder = "/p/RINEX";
  files.files = {file("51133240.26o.Z", 0, 1.4285),
                 file("b.26o.gz", 0, 1.4285)};
  files.files[0].wrapper = RinexWrapper::kCompress;
  files.files[1].wrapper = RinexWrapper::kGzip;
  EXPECT_TRUE(JudgeRinexPoint(files, row)
                  .reason.ends_with(
                      "\nCorregidos en CORREGIDO: 51133240.26o, b.26o.gz"))
      << JudgeRinexPoint(files, row).reason;
}

}  // namespace
}  // namespace zarvek
