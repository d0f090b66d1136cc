// The real report document, checked with the PDF tools of the system:
// qpdf for structure and encryption, poppler (pdftotext, pdfinfo) and mupdf
// (mutool) as readers that open the file without a password.
#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_picture.h"
#include "pdf/pdf_writer.h"
#include "platform/local_time.h"

namespace zarvek {
namespace {

namespace fs = std::filesystem;

struct CommandResult {
  int exit_code = -1;
  std::string output;  // stdout and stderr
};

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

CommandResult Shell(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) {
    result.output.append(buf.data(), n);
  }
  const int status = ::pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::size_t Count(const std::string& haystack, const std::string& needle) {
  std::size_t n = 0;
  for (auto pos = haystack.find(needle); pos != std::string::npos;
       pos = haystack.find(needle, pos + 1)) {
    ++n;
  }
  return n;
}

// PNG files written byte by byte, so that the broken kinds can be made too.
void Chunk(std::string* png, const char* type, const std::string& data) {
  const auto len = static_cast<std::uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) {
    png->push_back(static_cast<char>((len >> shift) & 0xFF));
  }
  const std::string body = std::string(type, 4) + data;
  *png += body;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                          static_cast<uInt>(body.size()));
  for (int shift = 24; shift >= 0; shift -= 8) {
    png->push_back(static_cast<char>((crc >> shift) & 0xFF));
  }
}

std::string Be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
          static_cast<char>(v >> 8), static_cast<char>(v)};
}

// colour_type 6 = RGBA, 2 = RGB. `pixel` gives the bytes of pixel (x, y).
std::string MakePng(std::uint32_t w, std::uint32_t h, int colour_type,
                    const std::function<std::string(int, int)>& pixel,
                    const std::string& trns = "",
                    const std::string& plte = "") {
  std::string png = "\x89PNG\r\n\x1a\n";
  Chunk(&png, "IHDR",
        Be32(w) + Be32(h) +
            std::string{8, static_cast<char>(colour_type), 0, 0, 0});
  if (!plte.empty()) Chunk(&png, "PLTE", plte);
  if (!trns.empty()) Chunk(&png, "tRNS", trns);
  std::string raw;
  for (std::uint32_t y = 0; y < h; ++y) {
    raw.push_back(0);
    for (std::uint32_t x = 0; x < w; ++x) raw += pixel(x, y);
  }
  uLongf size = compressBound(raw.size());
  std::string z(size, '\0');
  compress(reinterpret_cast<Bytef*>(z.data()), &size,
           reinterpret_cast<const Bytef*>(raw.data()), raw.size());
  z.resize(size);
  Chunk(&png, "IDAT", z);
  Chunk(&png, "IEND", "");
  return png;
}

std::string RgbaPng(int w, int h) {
  return MakePng(w, h, 6, [](int x, int y) {
    return std::string{static_cast<char>(x * 7), static_cast<char>(y * 5),
                       static_cast<char>(90),
                       static_cast<char>(x < 4 ? 0 : 255)};
  });
}

std::string RgbPng(int w, int h) {
  return MakePng(w, h, 2, [](int x, int y) {
    return std::string{static_cast<char>(x), static_cast<char>(y), 10};
  });
}

// One colour everywhere, in a PNG of `colour_type` (0 grey, 2 RGB, 3
// palette, 6 RGBA; the left half transparent for RGBA).
std::string PlainPng(int colour_type, std::uint8_t r, std::uint8_t g,
                     std::uint8_t b) {
  const char R = static_cast<char>(r), G = static_cast<char>(g),
             B = static_cast<char>(b);
  switch (colour_type) {
    case 0:
      return MakePng(8, 8, 0, [=](int, int) { return std::string{R}; });
    case 3:
      return MakePng(
          8, 8, 3, [](int, int) { return std::string{1}; }, "",
          std::string{0, 0, 0, R, G, B});
    case 6:
      return MakePng(8, 8, 6, [=](int x, int) {
        return std::string{R, G, B, static_cast<char>(x < 4 ? 0 : 255)};
      });
    default:
      return MakePng(8, 8, 2, [=](int, int) { return std::string{R, G, B}; });
  }
}

// A page rendered by poppler at 72 dpi (one pixel a point), with anything
// the renderer printed.
struct Rendered {
  std::string messages;
  int width = 0, height = 0;
  std::string rgb;
  // The colour at page point (x, y), from the lower-left corner.
  std::array<int, 3> At(double x, double y) const {
    const int col = static_cast<int>(x);
    const int row = height - 1 - static_cast<int>(y);
    const std::size_t i = (static_cast<std::size_t>(row) * width + col) * 3;
    return {static_cast<unsigned char>(rgb[i]),
            static_cast<unsigned char>(rgb[i + 1]),
            static_cast<unsigned char>(rgb[i + 2])};
  }
};

Rendered Render(const std::string& pdf, int page) {
  Rendered r;
  const std::string base = pdf + ".page";
  r.messages =
      Shell("pdftoppm -r 72 -singlefile -f " + std::to_string(page) + " -l " +
            std::to_string(page) + " " + Quote(pdf) + " " + Quote(base))
          .output;
  const std::string ppm = ReadFile(base + ".ppm");
  std::istringstream in(ppm);
  std::string magic;
  int max = 0;
  in >> magic >> r.width >> r.height >> max;
  in.get();
  r.rgb = ppm.substr(static_cast<std::size_t>(in.tellg()));
  if (magic != "P6" || r.rgb.size() < std::size_t(r.width) * r.height * 3) {
    r.width = r.height = 0;
  }
  return r;
}

class PdfWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/zarvek_pdf_XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // The document decrypted and uncompressed, for looking at its objects.
  std::string Decrypted(const std::string& path) {
    const std::string qdf = path + ".qdf";
    const CommandResult r =
        Shell("qpdf --decrypt --qdf --object-streams=disable " + Quote(path) +
              " " + Quote(qdf));
    EXPECT_EQ(r.exit_code, 0) << r.output;
    return ReadFile(qdf);
  }

  std::string dir_;
};

void DrawSamplePage(PdfCanvas& c, int number) {
  c.setFont("Helvetica-Bold", 12);
  c.setFillColorRGB(0.17, 0.24, 0.31);
  c.drawRightString(kA4Width - 2 * kCm, 800, "CONVERSIÓN DE ALTURA");
  c.setLineWidth(2);
  c.setStrokeColorRGB(0.17, 0.24, 0.31);
  c.line(1.5 * kCm, 780, kA4Width - 1.5 * kCm, 780);
  c.setFillColorRGB(0.96, 0.96, 0.96);
  c.roundRect(50, 500, 200, 100, 6, true, true);
  c.rect(60, 400, 100, 50, true, false);
  c.setFillColorRGB(0, 0, 0);
  c.setFont("Helvetica", 10);
  c.drawString(60, 560, "CÁLCULO INTEGRADO");
  c.drawString(60, 540, "ESPECIFICACIONES TÉCNICAS");
  c.drawString(60, 520, "Área 12.5 m² ÉÓÍ");
  c.saveState();
  c.setFillAlpha(0.1);
  c.rect(100, 100, 300, 300, false, true);
  c.restoreState();
  c.setFont("Helvetica-Oblique", 8);
  c.drawCentredString(kA4Width / 2, 40, "PÁGINA " + std::to_string(number));
  c.linkURL("https://example.com/", 250, 38, 350, 48);
}

// The local clock of a moment and the offset it implies, across days,
// months, a leap day and offsets that are not whole hours.
TEST(PdfDateTextTest, WritesTheLocalClockAndItsOffset) {
  struct Case {
    std::time_t when;
    int year, month, day, hour, minute, second;
    const char* expected;
  };
  const Case cases[] = {
      {0, 1970, 1, 1, 0, 0, 0, "D:19700101000000+00'00'"},
      {0, 1970, 1, 1, 1, 0, 0, "D:19700101010000+01'00'"},
      {0, 1969, 12, 31, 20, 30, 0, "D:19691231203000-03'30'"},
      {0, 1970, 1, 1, 5, 45, 0, "D:19700101054500+05'45'"},
      {951782400, 2000, 2, 28, 19, 0, 0, "D:20000228190000-05'00'"},
      {951782400 + 59, 2000, 2, 29, 2, 0, 59, "D:20000229020059+02'00'"},
      {1796721465, 2026, 12, 8, 23, 17, 45, "D:20261208231745+14'00'"},
  };
  for (const Case& c : cases) {
    std::tm local{};
    local.tm_year = c.year - 1900;
    local.tm_mon = c.month - 1;
    local.tm_mday = c.day;
    local.tm_hour = c.hour;
    local.tm_min = c.minute;
    local.tm_sec = c.second;
    EXPECT_EQ(PdfDateText(local, c.when), c.expected);
  }
}

TEST_F(PdfWriterTest, ProtectedFileChecksAndOpensWithoutPassword) {
  const std::string pdf = Path("CONVERSION DE ALTURA.pdf");
  // The document's information, accents and all, is encrypted with the
  // rest and reads back whole.
  PdfWriterDocument doc("QUENTARO Ñ");
  doc.SetInfo({"CONVERSIÓN DE ALTURA", "ALTURAS (ARP Y FASE) · OBRA Ñ",
               "José Ángel Muñoz (Jaén)"});
  for (int page = 1; page <= 2; ++page) {
    DrawSamplePage(doc.canvas(), page);
    doc.canvas().showPage();
  }
  std::tm local;
  const std::time_t before = std::time(nullptr);
  const Status s = doc.SaveProtected(pdf, "Owner-Pass-1234567890");
  const std::time_t after = std::time(nullptr);
  ASSERT_TRUE(s.ok()) << s.message();

  CommandResult r = Shell("qpdf --check " + Quote(pdf));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("No syntax or stream encoding errors"),
            std::string::npos)
      << r.output;

  r = Shell("qpdf --show-encryption " + Quote(pdf));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  for (const char* line :
       {"R = 4", "User password = \n", "print low resolution: allowed",
        "print high resolution: allowed",
        "extract for any purpose: not allowed",
        "modify document assembly: not allowed",
        "modify annotations: not allowed", "modify forms: allowed",
        "modify other: not allowed", "stream encryption method: AESv2",
        "string encryption method: AESv2"}) {
    EXPECT_NE(r.output.find(line), std::string::npos)
        << "missing \"" << line << "\" in\n"
        << r.output;
  }

  r = Shell("pdfinfo -enc UTF-8 " + Quote(pdf));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  for (const char* line :
       {"Title:           CONVERSIÓN DE ALTURA\n",
        "Subject:         ALTURAS (ARP Y FASE) · OBRA Ñ\n",
        "Author:          José Ángel Muñoz (Jaén)\n",
        "Creator:         QUENTARO Ñ\n", "Form:            AcroForm\n"}) {
    EXPECT_NE(r.output.find(line), std::string::npos)
        << "missing \"" << line << "\" in\n"
        << r.output;
  }
  EXPECT_NE(r.output.find("Pages:           2"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Encrypted:       yes"), std::string::npos);
  EXPECT_NE(r.output.find("595.276 x 841.89"), std::string::npos) << r.output;
  // Both dates are the moment of the save on the local clock, with the
  // local offset.
  r = Shell("pdfinfo -rawdates " + Quote(pdf));
  ASSERT_TRUE(LocalTime(before, &local));
  const std::string earliest = PdfDateText(local, before);
  ASSERT_TRUE(LocalTime(after, &local));
  const std::string latest = PdfDateText(local, after);
  for (const char* key : {"CreationDate:    ", "ModDate:         "}) {
    const auto at = r.output.find(key);
    ASSERT_NE(at, std::string::npos) << r.output;
    const std::string date =
        r.output.substr(at + std::strlen(key), earliest.size());
    EXPECT_TRUE(date >= earliest && date <= latest)
        << date << " not in [" << earliest << ", " << latest << "]";
    EXPECT_EQ(date.substr(16), earliest.substr(16)) << "offset";
  }
  // One empty signature field, on the last page, that a reader may sign.
  r = Shell("qpdf --json --json-key=acroform " + Quote(pdf));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(Count(r.output, "\"fieldtype\": \"/Sig\""), 1u) << r.output;
  EXPECT_NE(r.output.find("\"pageposfrom1\": 2"), std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("\"fullname\": \"FIRMA\""), std::string::npos)
      << r.output;
  r = Shell("pdfsig " + Quote(pdf));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("Signature Field Name: FIRMA"), std::string::npos)
      << r.output;

  r = Shell("pdftotext -enc UTF-8 " + Quote(pdf) + " -");
  EXPECT_EQ(r.exit_code, 0) << r.output;
  for (const char* text :
       {"CONVERSIÓN DE ALTURA", "CÁLCULO INTEGRADO",
        "ESPECIFICACIONES TÉCNICAS", "Área 12.5 m² ÉÓÍ", "PÁGINA 2"}) {
    EXPECT_NE(r.output.find(text), std::string::npos)
        << "missing \"" << text << "\" in\n"
        << r.output;
  }

  r = Shell("mutool info " + Quote(pdf));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("Pages: 2"), std::string::npos) << r.output;

  const std::string qdf = Decrypted(pdf);
  EXPECT_NE(qdf.find("/Border [\n    0\n    0\n    0\n  ]"), std::string::npos)
      << "link without border";
  EXPECT_NE(qdf.find("/URI (https://example.com/)"), std::string::npos);
  EXPECT_NE(qdf.find("/ca 0.1"), std::string::npos) << "fill alpha";
  // One transparency state for the whole document.
  EXPECT_EQ(Count(qdf, "/Type /ExtGState"), 1u);
}

TEST_F(PdfWriterTest, EachSaveUsesItsOwnPasswordAndNeverStoresIt) {
  const std::string pdf = Path("out.pdf");
  const std::string passwords[] = {"Kq7#pZ!s2R@w9Lm$Xv4^Tb8&Nc1*Hd6(",
                                   "aa)Bb_Cc+Dd=Ee[Ff]Gg{Hh}Ii|Jj;Kk"};
  for (const std::string& password : passwords) {
    PdfWriterDocument doc;
    DrawSamplePage(doc.canvas(), 1);
    ASSERT_TRUE(doc.SaveProtected(pdf, password).ok());
    const std::string bytes = ReadFile(pdf);
    for (const std::string& p : passwords) {
      EXPECT_EQ(bytes.find(p), std::string::npos);
    }
    const CommandResult r =
        Shell("qpdf --show-encryption --password=" + Quote(password) + " " +
              Quote(pdf));
    EXPECT_NE(r.output.find("Supplied password is owner password"),
              std::string::npos)
        << r.output;
  }
  // The second save replaced the first: the first password is no longer
  // the owner's.
  const CommandResult r =
      Shell("qpdf --show-encryption --password=" + Quote(passwords[0]) + " " +
            Quote(pdf));
  EXPECT_EQ(r.output.find("Supplied password is owner password"),
            std::string::npos);
}

TEST_F(PdfWriterTest, WidthsAreMeasuredOnWinAnsiBytes) {
  PdfWriterDocument doc;
  using namespace std::literals;
  struct Case {
    std::string_view text;
    const char* font;
    double size;
    double width;
  } cases[] = {
      {"²", "Helvetica", 10, 3.33},
      {"m²", "Helvetica", 10, 11.66},
      {"É", "Helvetica", 10, 6.67},
      {"Ó", "Helvetica-Bold", 10, 7.78},
      {"", "Helvetica", 10, 0},
      {"ABC", "Helvetica-Bold", 12, 25.992},
      {"€", "Helvetica", 10, 5.56},
      // Outside CP1252, malformed, NUL: measured as "?".
      {"\xe2\x86\x92", "Helvetica", 10, 5.56},
      {"\xff", "Helvetica", 10, 5.56},
      {"a\0b"sv, "Helvetica", 10, 16.68},
      // The marks, in ZapfDingbats: ✓ 755, ✗ 571, ✘ 677, ✔ 846.
      {"✓ C", "Helvetica", 10, 7.55 + 2.78 + 7.22},
      {"✗✘✔", "Helvetica-Bold", 10, 5.71 + 6.77 + 8.46},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(doc.stringWidth(c.text, c.font, c.size), c.width, 1e-9)
        << c.text << " in " << c.font;
  }
}

TEST_F(PdfWriterTest, CharactersOutsideCp1252BecomeQuestionMarks) {
  const std::string pdf = Path("q.pdf");
  PdfWriterDocument doc;
  doc.canvas().drawString(50, 700,
                          "A\xe2\x86\x92"
                          "B \xf0\x9f\x93\x82 C\xff"
                          "D \xc3\xb1");
  // The marks print and read back as themselves; the text after them, and
  // the next text, which relies on the font in force, in the text's font.
  doc.canvas().drawString(50, 650, "✗ 1.5000 ✓ C ✔✘");
  doc.canvas().drawString(50, 600, "DESPUÉS");
  ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
  const CommandResult r = Shell("pdftotext -enc UTF-8 " + Quote(pdf) + " -");
  EXPECT_NE(r.output.find("A?B ? C?D ñ"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("✗ 1.5000 ✓ C ✔✘"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("DESPUÉS"), std::string::npos) << r.output;
}

TEST_F(PdfWriterTest, UnknownFontFailsTheSave) {
  const std::string pdf = Path("font.pdf");
  PdfWriterDocument doc;
  doc.canvas().setFont("Comic Sans", 10);
  doc.canvas().drawString(10, 10, "x");
  const Status s = doc.SaveProtected(pdf, "x");
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("Comic Sans"), std::string::npos);
  EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(PdfWriterTest, PageCounts) {
  struct Case {
    int drawn_pages;
    bool trailing_draw;
    int extra_show_pages;
    int expected;
  } cases[] = {
      {0, false, 0, 1},  // nothing drawn: one blank page
      {1, false, 0, 1}, {3, false, 0, 3},
      {3, true, 0, 4},   // drawing after the last showPage opens a page
      {2, false, 1, 3},  // showPage on an empty page gives a blank page
  };
  for (const Case& c : cases) {
    const std::string pdf = Path("pages.pdf");
    PdfWriterDocument doc;
    for (int i = 0; i < c.drawn_pages; ++i) {
      DrawSamplePage(doc.canvas(), i + 1);
      doc.canvas().showPage();
    }
    for (int i = 0; i < c.extra_show_pages; ++i) doc.canvas().showPage();
    // State changes alone do not open a page.
    doc.canvas().setFont("Helvetica", 9);
    doc.canvas().setFillColorRGB(1, 0, 0);
    if (c.trailing_draw) doc.canvas().drawString(10, 10, "x");
    ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
    const CommandResult r = Shell("pdfinfo " + Quote(pdf));
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(r.output.find("Error"), std::string::npos) << r.output;
    EXPECT_NE(
        r.output.find("Pages:           " + std::to_string(c.expected) + "\n"),
        std::string::npos)
        << c.drawn_pages << " pages:\n"
        << r.output;
  }
}

TEST_F(PdfWriterTest, StateSurvivesSaveRestoreAndResetsOnNewPage) {
  const std::string pdf = Path("state.pdf");
  PdfWriterDocument doc;
  PdfCanvas& c = doc.canvas();
  c.setFont("Courier", 20);
  c.saveState();  // before any page: restored by writing the values again
  c.setFont("Helvetica", 5);
  c.setFillColorRGB(1, 0, 0);
  c.drawString(10, 10, "x");
  c.restoreState();
  c.drawString(10, 30, "y");
  c.saveState();  // on the page: a q ... Q pair
  c.setFont("Times-Roman", 7);
  c.drawString(10, 50, "z");
  c.restoreState();
  c.drawString(10, 70, "w");
  c.saveState();  // left open: closed with the page
  c.showPage();
  c.restoreState();  // nothing saved on this page: ignored
  c.drawString(10, 90, "v");
  ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
  EXPECT_EQ(Shell("qpdf --check " + Quote(pdf)).exit_code, 0);

  const std::string qdf = Decrypted(pdf);
  const auto x = qdf.find("(x) Tj");
  const auto y = qdf.find("(y) Tj");
  const auto z = qdf.find("(z) Tj");
  const auto w = qdf.find("(w) Tj");
  const auto v = qdf.find("(v) Tj");
  ASSERT_NE(v, std::string::npos);
  // The font in force before each text, as the last Tf before it.
  auto font_before = [&](std::size_t pos) {
    const auto tf = qdf.rfind(" Tf", pos);
    const auto line = qdf.rfind('\n', tf);
    return qdf.substr(line + 1, tf - line - 1);
  };
  EXPECT_EQ(font_before(x).substr(font_before(x).find(' ')), " 5");
  EXPECT_EQ(font_before(y).substr(font_before(y).find(' ')), " 20");
  EXPECT_EQ(font_before(z).substr(font_before(z).find(' ')), " 7");
  // After Q the font in force is Courier 20 again: nothing to write.
  EXPECT_EQ(qdf.find(" Tf", z + 1) > w, true);
  EXPECT_EQ(font_before(v).substr(font_before(v).find(' ')), " 12");
  // Restoring the state saved before the page wrote black fill again.
  EXPECT_NE(qdf.find("0 0 0 rg", x), std::string::npos);
  EXPECT_LT(qdf.find("0 0 0 rg", x), y);
}

// Deeper than the nesting of "q" that readers are sure to take: the content
// stays balanced and every restore brings back its own colour.
TEST_F(PdfWriterTest, DeepSaveNestingStaysBalanced) {
  const std::string pdf = Path("deep.pdf");
  const std::string picture = Path("p.png");
  WriteFile(picture, RgbaPng(8, 8));
  PdfWriterDocument doc;
  PdfCanvas& c = doc.canvas();
  c.drawString(10, 10, "start");
  for (int i = 1; i <= 40; ++i) {
    c.saveState();
    c.setFillColorRGB(i / 100.0, 0, 0);
    EXPECT_TRUE(c.drawImage(picture, i, i, 8, 8, false,
                            PdfCanvas::ImageAnchor::kFitInBox));
  }
  for (int i = 40; i >= 2; --i) c.restoreState();
  c.drawString(10, 30, "after");
  ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
  EXPECT_EQ(Shell("qpdf --check " + Quote(pdf)).exit_code, 0);
  const std::string qdf = Decrypted(pdf);
  const auto after = qdf.find("(after) Tj");
  ASSERT_NE(after, std::string::npos);
  // Play the page's q, Q and rg up to the text to find its fill colour.
  std::istringstream content(qdf.substr(qdf.rfind("stream\n", after),
                                        after - qdf.rfind("stream\n", after)));
  std::vector<std::string> fills = {"0 0 0"};
  int depth = 0, deepest = 0;
  for (std::string line; std::getline(content, line);) {
    if (line == "q") {
      fills.push_back(fills.back());
      deepest = std::max(deepest, ++depth);
    } else if (line == "Q") {
      fills.pop_back();
      --depth;
    } else if (line.size() > 3 && line.substr(line.size() - 3) == " rg") {
      fills.back() = line.substr(0, line.size() - 3);
    }
  }
  EXPECT_EQ(fills.back(), "0.01 0 0");
  EXPECT_EQ(depth, 1);
  EXPECT_LE(deepest, 28);
  EXPECT_EQ(Count(qdf, "\nq\n"), Count(qdf, "\nQ\n"));
}

TEST_F(PdfWriterTest, PicturesAreEmbeddedOnceAndPlacedByAnchor) {
  const std::string rgba = Path("rgba.png");
  const std::string rgb = Path("rgb.png");
  WriteFile(rgba, RgbaPng(40, 20));
  WriteFile(rgb, RgbPng(30, 30));
  const std::string pdf = Path("img.pdf");
  PdfWriterDocument doc;
  PdfCanvas& c = doc.canvas();
  using A = PdfCanvas::ImageAnchor;
  for (int page = 0; page < 3; ++page) {
    EXPECT_TRUE(c.drawImage(rgba, 10, 10, 100, 100, true, A::kFitInBox));
    EXPECT_TRUE(
        c.drawImage(rgba, 300, 400, std::nullopt, 30, true, A::kCentreOn));
    EXPECT_TRUE(c.drawImage(rgba, 300, 400, 60, 30, false, A::kCentreOn));
    EXPECT_TRUE(
        c.drawImage(rgb, 0, 0, std::nullopt, std::nullopt, true, A::kFitInBox));
    c.showPage();
  }
  ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
  EXPECT_EQ(Shell("qpdf --check " + Quote(pdf)).exit_code, 0);
  EXPECT_EQ(Shell("mutool draw -o /dev/null " + Quote(pdf)).exit_code, 0);

  const std::string qdf = Decrypted(pdf);
  // The RGBA picture and its mask, and the opaque one without a mask.
  EXPECT_EQ(Count(qdf, "/Subtype /Image"), 3u);
  EXPECT_EQ(Count(qdf, "/SMask"), 1u);
  // 40x20 fitted into 100x100 at (10, 10): 100x50, centred vertically.
  EXPECT_EQ(Count(qdf, "100 0 0 50 10 35 cm"), 3u);
  // No width: the box is 40 pixels wide, so the picture stays 40x20.
  EXPECT_EQ(Count(qdf, "40 0 0 20 280 390 cm"), 3u);
  // Without keeping the aspect it fills the box.
  EXPECT_EQ(Count(qdf, "60 0 0 30 270 385 cm"), 3u);
  EXPECT_EQ(Count(qdf, "30 0 0 30 0 0 cm"), 3u);
}

TEST_F(PdfWriterTest, BadPicturesAreSkippedSilently) {
  const std::string good = RgbaPng(16, 16);
  WriteFile(Path("truncated.png"), good.substr(0, good.size() / 2));
  WriteFile(Path("notpng.png"), "GIF89a this is not a PNG file at all");
  WriteFile(Path("empty.png"), "");
  // A header that claims 50000 x 50000 with almost no data behind it.
  std::string bomb = "\x89PNG\r\n\x1a\n";
  Chunk(&bomb, "IHDR", Be32(50000) + Be32(50000) + std::string{8, 6, 0, 0, 0});
  Chunk(&bomb, "IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
  Chunk(&bomb, "IEND", "");
  WriteFile(Path("bomb.png"), bomb);
  // Intact chunks around image data that is short, or has a row filter
  // PNG does not know.
  auto opaque_png = [](std::uint32_t rows, char filter) {
    std::string raw;
    for (std::uint32_t y = 0; y < rows; ++y) raw += filter + std::string(24, 9);
    uLongf size = compressBound(raw.size());
    std::string z(size, '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), raw.size());
    z.resize(size);
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(&png, "IHDR", Be32(8) + Be32(8) + std::string{8, 2, 0, 0, 0});
    Chunk(&png, "IDAT", z);
    Chunk(&png, "IEND", "");
    return png;
  };
  WriteFile(Path("short.png"), opaque_png(4, 0));
  WriteFile(Path("filter.png"), opaque_png(8, 7));
  // RGB with a transparent colour key: kept, with a mask.
  WriteFile(Path("keyed.png"),
            MakePng(
                8, 8, 2,
                [](int x, int) {
                  return x < 4 ? std::string{0, 0, 0} : std::string{10, 20, 30};
                },
                std::string{0, 0, 0, 0, 0, 0}));

  const std::string pdf = Path("bad.pdf");
  PdfWriterDocument doc;
  PdfCanvas& c = doc.canvas();
  using A = PdfCanvas::ImageAnchor;
  for (const char* name :
       {"truncated.png", "notpng.png", "empty.png", "bomb.png", "short.png",
        "filter.png", "missing.png", ""}) {
    for (int twice = 0; twice < 2; ++twice) {
      EXPECT_FALSE(c.drawImage(Path(name), 10, 10, 50, 50, true, A::kFitInBox))
          << name;
    }
  }
  EXPECT_TRUE(
      c.drawImage(Path("keyed.png"), 10, 10, 50, 50, true, A::kFitInBox));
  for (double bad : {0.0, -5.0, std::nan("")}) {
    EXPECT_FALSE(
        c.drawImage(Path("keyed.png"), 10, 10, bad, 50, true, A::kFitInBox));
  }
  c.drawString(10, 700, "after the pictures");
  ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
  EXPECT_EQ(Shell("qpdf --check " + Quote(pdf)).exit_code, 0);
  const std::string qdf = Decrypted(pdf);
  EXPECT_EQ(Count(qdf, "/Subtype /Image"), 2u);
  EXPECT_EQ(Count(qdf, "/SMask"), 1u);
  EXPECT_NE(
      Shell("pdftotext " + Quote(pdf) + " -").output.find("after the pictures"),
      std::string::npos);
}

TEST_F(PdfWriterTest, NumbersKeepTheirPointUnderACommaLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  const char* locale = nullptr;
  for (const char* name : {"es_ES.UTF-8", "es_ES.utf8", "de_DE.UTF-8",
                           "de_DE.utf8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      locale = name;
      break;
    }
  }
  if (locale == nullptr) GTEST_SKIP() << "no comma-decimal locale installed";
  const std::string pdf = Path("locale.pdf");
  {
    PdfWriterDocument doc;
    doc.canvas().setLineWidth(0.5);
    doc.canvas().setFillColorRGB(0.17, 0.24, 0.31);
    doc.canvas().roundRect(10.25, 20.5, 100.75, 50.5, 3.5, true, true);
    doc.canvas().drawString(12.5, 30.25, "1.5");
    EXPECT_NEAR(doc.stringWidth("²", "Helvetica", 10), 3.33, 1e-9);
    ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
  }
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(Shell("qpdf --check " + Quote(pdf)).exit_code, 0);
  const std::string qdf = Decrypted(pdf);
  EXPECT_NE(qdf.find("0.17 0.24 0.31 rg"), std::string::npos);
  EXPECT_NE(qdf.find("12.5 30.25 Td"), std::string::npos);
}

TEST_F(PdfWriterTest, SaveIntoMissingFolderReportsTheSystemText) {
  const std::string pdf = Path("2. DATOS GNSS/CONVERSION DE ALTURA.pdf");
  PdfWriterDocument doc;
  DrawSamplePage(doc.canvas(), 1);
  const Status s = doc.SaveProtected(pdf, "x");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(), "No such file or directory: " + pdf);
  EXPECT_TRUE(fs::is_empty(dir_));
}

// Every kind of PNG shows its own colours, without a word from the reader:
// the opaque kinds are embedded as they are (PNG predictors, palette in a
// stream of its own), the others decoded, with a mask.
TEST_F(PdfWriterTest, EveryKindOfPngShowsItsColours) {
  struct Case {
    const char* name;
    std::string png;
    bool direct;
    std::array<int, 3> left, right;  // at a quarter and three quarters
  } cases[] = {
      {"palette", PlainPng(3, 200, 30, 40), true, {200, 30, 40}, {200, 30, 40}},
      {"grey", PlainPng(0, 90, 0, 0), true, {90, 90, 90}, {90, 90, 90}},
      {"rgb", PlainPng(2, 10, 200, 30), true, {10, 200, 30}, {10, 200, 30}},
      {"rgba", PlainPng(6, 20, 40, 160), false, {255, 255, 255}, {20, 40, 160}},
      {"keyed",
       MakePng(
           8, 8, 2,
           [](int x, int) {
             return x < 4 ? std::string{0, 0, 0} : std::string{70, 80, 90};
           },
           std::string{0, 0, 0, 0, 0, 0}),
       false,
       {255, 255, 255},
       {70, 80, 90}},
  };
  const std::string pdf = Path("kinds.pdf");
  PdfWriterDocument doc;
  for (const Case& c : cases) {
    const std::string file = Path(std::string(c.name) + ".png");
    WriteFile(file, c.png);
    ASSERT_TRUE(doc.drawImage(file, 100, 100, 200, 200, false,
                              PdfCanvas::ImageAnchor::kFitInBox))
        << c.name;
    doc.showPage();
  }
  ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
  EXPECT_EQ(Shell("qpdf --check " + Quote(pdf)).exit_code, 0);
  int page = 0;
  for (const Case& c : cases) {
    const Rendered r = Render(pdf, ++page);
    ASSERT_GT(r.width, 0) << c.name;
    EXPECT_EQ(r.messages, "") << c.name;
    for (int side = 0; side < 2; ++side) {
      const auto got = r.At(side == 0 ? 150 : 250, 200);
      const auto& want = side == 0 ? c.left : c.right;
      for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(got[k], want[k], 2) << c.name << " side " << side;
      }
    }
  }
  const CommandResult raw =
      Shell("qpdf --decrypt --qdf --stream-data=preserve " + Quote(pdf) + " " +
            Quote(pdf + ".raw"));
  EXPECT_EQ(raw.exit_code, 0) << raw.output;
  EXPECT_EQ(Count(ReadFile(pdf + ".raw"), "/Predictor 15"), 3u);
}

// A prepared copy is used only while it belongs to the PNG beside it: one
// made from another picture, or a damaged one, is passed over.
TEST_F(PdfWriterTest, PreparedCopiesMustMatchTheirPicture) {
  const std::string png = Path("logo.png");
  const std::string prepared = png + std::string(kPreparedPictureSuffix);
  const std::string other = Path("other.png");
  WriteFile(other, PlainPng(6, 0, 0, 255));
  struct Case {
    const char* name;
    std::function<void()> prepare;
  } cases[] = {
      {"matching",
       [&] { ASSERT_TRUE(PreparePictureFile(png, prepared).ok()); }},
      {"stale", [&] { ASSERT_TRUE(PreparePictureFile(other, prepared).ok()); }},
      {"damaged",
       [&] {
         ASSERT_TRUE(PreparePictureFile(png, prepared).ok());
         std::string bytes = ReadFile(prepared);
         bytes[bytes.size() - 3] ^= 0x55;
         WriteFile(prepared, bytes);
       }},
  };
  for (const Case& c : cases) {
    WriteFile(png, PlainPng(6, 255, 0, 0));
    c.prepare();
    const std::string pdf = Path(std::string(c.name) + ".pdf");
    PdfWriterDocument doc;
    ASSERT_TRUE(doc.drawImage(png, 100, 100, 200, 200, false,
                              PdfCanvas::ImageAnchor::kFitInBox));
    ASSERT_TRUE(doc.SaveProtected(pdf, "x").ok());
    const Rendered r = Render(pdf, 1);
    ASSERT_GT(r.width, 0) << c.name;
    EXPECT_EQ(r.messages, "") << c.name;
    EXPECT_EQ(r.At(250, 200), (std::array<int, 3>{255, 0, 0})) << c.name;
    EXPECT_EQ(r.At(150, 200), (std::array<int, 3>{255, 255, 255})) << c.name;
  }
}

// Shared drawings give the very pages that drawing every time gives: the
// state a drawing takes over, the state it leaves behind and its links all
// come out the same, and each one is stored once.
TEST_F(PdfWriterTest, SharedDrawingsLookLikeDrawingEveryTime) {
  const std::string picture = Path("p.png");
  WriteFile(picture, PlainPng(6, 0, 120, 0));
  auto draw_pages = [&](PdfWriterDocument& doc, bool shared) {
    PdfCanvas& c = doc.canvas();
    auto share = [&](std::string_view key,
                     const std::function<void(PdfCanvas&)>& draw) {
      if (shared) {
        c.drawShared(key, draw);
      } else {
        draw(c);
      }
    };
    for (int page = 0; page < 4; ++page) {
      // Sets everything it uses and leaves its fill and font behind.
      share("head", [&](PdfCanvas& c) {
        c.saveState();
        c.setFillAlpha(0.5);
        c.drawImage(picture, 300, 600, 100, 100, true,
                    PdfCanvas::ImageAnchor::kFitInBox);
        c.restoreState();
        c.setFillColorRGB(0.8, 0.1, 0.1);
        c.rect(50, 700, 100, 50, false, true);
        c.setFont("Helvetica-Bold", 30);
        c.linkURL("https://example.com/", 50, 700, 150, 750);
      });
      c.drawString(50, 650, "AFTER");  // red, bold 30
      // Uses the fill colour as it finds it: black, then blue on odd pages.
      if (page % 2 == 1) c.setFillColorRGB(0.1, 0.1, 0.8);
      share("box",
            [&](PdfCanvas& c) { c.rect(50, 400, 100, 100, false, true); });
      c.showPage();
    }
  };
  const std::string pdfs[2] = {Path("shared.pdf"), Path("direct.pdf")};
  for (int k = 0; k < 2; ++k) {
    PdfWriterDocument doc;
    draw_pages(doc, k == 0);
    ASSERT_TRUE(doc.SaveProtected(pdfs[k], "x").ok());
    EXPECT_EQ(Shell("qpdf --check " + Quote(pdfs[k])).exit_code, 0);
  }
  for (int page = 1; page <= 4; ++page) {
    const Rendered shared = Render(pdfs[0], page);
    const Rendered direct = Render(pdfs[1], page);
    ASSERT_GT(shared.width, 0);
    EXPECT_EQ(shared.messages, "");
    EXPECT_TRUE(shared.rgb == direct.rgb) << "page " << page;
    const auto box = shared.At(100, 450);
    EXPECT_EQ(box[2] > 150, page % 2 == 0) << "page " << page;
  }
  const std::string qdf = Decrypted(pdfs[0]);
  // "head" and "box" once each ("box" is drawn again where the fill
  // differs).
  EXPECT_EQ(Count(qdf, "/Subtype /Form"), 2u);
  EXPECT_EQ(Count(qdf, "/Subtype /Link"), 4u);
  EXPECT_EQ(Count(qdf, "/Subtype /Image"), 2u);  // the picture, its mask
}

}  // namespace
}  // namespace zarvek
