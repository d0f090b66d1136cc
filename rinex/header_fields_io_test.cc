#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "rinex/header_fields.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

std::string ReadTestFile(const char* name) {
  std::ifstream in(fs::path(ZARVEK_SOURCE_DIR) / "rinex/testdata" / name,
                   std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// `text` with the header line labelled `label` given `fields` (60 columns).
std::string WithRecord(std::string text, const std::string& label,
                       const std::string& fields) {
  const std::size_t at = text.find(label);
  const std::size_t start = text.rfind('\n', at) + 1;
  text.replace(start, 60, fields + std::string(60 - fields.size(), ' '));
  return text;
}

// `text` without the header line labelled `label`.
std::string WithoutRecord(std::string text, const std::string& label) {
  const std::size_t at = text.find(label);
  const std::size_t start = text.rfind('\n', at) + 1;
  text.erase(start, text.find('\n', at) + 1 - start);
  return text;
}

std::string WithCrlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string Fingerprint(const std::string& text) {
  ObservationFingerprinter f;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) f.Feed(line);
  return f.Finish();
}

// The project's RINEX 2.11, 3.04 and Hatanaka files, as written (blank
// fields) and with their records filled in, LF and CRLF; and their
// fingerprints, which a header change or CRLF leaves alone and a changed
// observation does not.
TEST(HeaderFieldsIoTest, ReadsTheProjectsFilesAndFingerprintsTheirData) {
  for (const char* name : {"v211.26o", "v304.obs", "hatanaka.crx"}) {
    SCOPED_TRACE(name);
    const std::string plain = ReadTestFile(name);
    ASSERT_FALSE(plain.empty());
    const HeaderFields blank = ReadHeaderFields(plain);
    EXPECT_EQ(blank.marker_name, "");
    EXPECT_EQ(blank.antenna_type, "");
    EXPECT_EQ(blank.receiver_serial, "");

    std::string filled = WithRecord(plain, "MARKER NAME", " P5101 A");
    filled = WithRecord(filled, "ANT # / TYPE",
                        "ANT-SN-77           QUENTARO R300   NONE");
    filled = WithRecord(filled, "REC # / TYPE / VERS",
                        "RX 4411             QUENTARO R300       1.2");
    for (const std::string& text : {filled, WithCrlf(filled)}) {
      const HeaderFields f = ReadHeaderFields(text);
      EXPECT_EQ(f.marker_name, "P5101 A");
      EXPECT_EQ(f.antenna_type, "QUENTARO R300   NONE");
      EXPECT_EQ(f.receiver_serial, "RX 4411");
    }

    const std::string fingerprint = Fingerprint(plain);
    EXPECT_NE(fingerprint, "");
    EXPECT_EQ(Fingerprint(filled), fingerprint);
    EXPECT_EQ(Fingerprint(WithCrlf(plain)), fingerprint);
    std::string changed = plain;
    const std::size_t last_digit = changed.find_last_of("123456789");
    changed[last_digit] = changed[last_digit] == '1' ? '2' : '1';
    EXPECT_NE(Fingerprint(changed), fingerprint);
    // An event's DELTA H, as a correction rewrites it, is not an
    // observation.
    const std::string event = "                  ANTENNA: DELTA H/E/N\n";
    EXPECT_EQ(Fingerprint(plain + "        1.4515        0.0000        0.0000" +
                          event),
              Fingerprint(plain + "        2.0000        0.0000        0.0000" +
                          event));
    // Records after END OF HEADER belong to the data, not the header.
    const std::size_t end = plain.find("END OF HEADER");
    const std::string records =
        filled.substr(filled.rfind('\n', filled.find("MARKER NAME")) + 1);
    std::string header = plain.substr(0, end - 60);
    for (const char* label : {"MARKER NAME", "ANT #", "REC #"}) {
      header = WithoutRecord(header, label);
    }
    const HeaderFields after = ReadHeaderFields(header + std::string(60, ' ') +
                                                "END OF HEADER\n" + records);
    EXPECT_EQ(after.marker_name, "");
    EXPECT_EQ(after.antenna_type, "");
    // A header that never ends gives no fingerprint to compare.
    EXPECT_EQ(Fingerprint(plain.substr(0, end - 60)), "");
  }
  EXPECT_NE(Fingerprint(ReadTestFile("v211.26o")),
            Fingerprint(ReadTestFile("v304.obs")));
}

}  // namespace
}  // namespace zarvek
