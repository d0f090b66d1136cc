// Throughput of the protected report document: draws 1, 10, 100 and 1,000
// pages laid out like report pages (about 60 texts, mostly short labels and
// numbers, 20 lines, 3 rounded boxes, 3 pictures from two PNG files with
// transparency, one link), then saves them encrypted to a temporary file.
// Prints pages per second for the whole run, the file bytes each page adds
// beyond the first, the peak resident memory and where the time goes.
//
//   pdf_bench [--no-object-streams] [--qpdf-default-streams | --recompress]
//             [--repeat N] [--keep]
//
// --keep leaves the last (1,000-page) file and the pictures in place.
#include <png.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/pdf_haru.h"
#include "platform/pdf_protect.h"

namespace zarvek {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// A picture with smooth shading, a soft-edged disc and a transparent
// margin, like a rendered product photo on a transparent background.
bool WritePicture(const std::string& path, int w, int h, int seed) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &px[(static_cast<std::size_t>(y) * w + x) * 4];
      const double dx = (x - w / 2.0) / (w / 2.0);
      const double dy = (y - h / 2.0) / (h / 2.0);
      const double d = std::sqrt(dx * dx + dy * dy);
      p[0] = static_cast<std::uint8_t>(40 + 150 * x / w + seed * 20);
      p[1] = static_cast<std::uint8_t>(60 + 120 * y / h);
      p[2] = static_cast<std::uint8_t>(90 + 100 * (1 - std::min(d, 1.0)));
      if ((x / 16 + y / 16) % 7 == 0) p[1] = 200;
      const double edge = std::clamp((1.0 - d) * 8.0, 0.0, 1.0);
      p[3] = static_cast<std::uint8_t>(255 * edge);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGBA;
  const bool ok =
      png_image_write_to_file(&image, path.c_str(), 0, px.data(), 0, nullptr);
  png_image_free(&image);
  return ok;
}

std::string Fixed(double v, int decimals) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed,
                           decimals);
  return std::string(buf, res.ptr);
}

// A small box with a heading, a rule and label/value rows, like the
// receiver-data and field-notes boxes of the report.
void DrawListBox(PdfCanvas& c, double x, double y, double w, double h,
                 const char* heading, int rows, int number) {
  static const char* const kLabels[] = {"RADIO (r):",
                                        "CONSTANTE (HR1):",
                                        "OFFSETS (L1/L2):",
                                        "L1:",
                                        "L2:",
                                        "PROMEDIO:",
                                        "TIPO DE MEDIDA:",
                                        "ACCESORIO:",
                                        "ALTURA MEDIDA (R1):"};
  c.saveState();
  c.setFillColorRGB(0.96, 0.96, 0.96);
  c.setStrokeColorRGB(0.17, 0.24, 0.31);
  c.setLineWidth(1);
  c.roundRect(x, y, w, h, 4, true, true);
  c.setFillColorRGB(0.17, 0.24, 0.31);
  c.setFont("Helvetica-Bold", 9);
  c.drawCentredString(x + w / 2, y + h - 12, heading);
  c.line(x + 5, y + h - 18, x + w - 5, y + h - 18);
  for (int i = 0; i < rows; ++i) {
    const double base = y + h - 32 - 13 * i;
    c.setFont("Helvetica-Bold", 8);
    c.drawString(x + 10, base, kLabels[(i + number) % 9]);
    c.setFont("Helvetica", 8);
    c.drawString(x + 140 - 0.8 * kCm, base,
                 Fixed(0.05 + 0.001 * ((number * 13 + i * 7) % 97), 3) + " m");
  }
  c.restoreState();
}

double Subscript(PdfCanvas& c, double x, double y, const std::string& base,
                 const std::string& sub) {
  c.setFont("Helvetica", 11);
  const double bw = c.stringWidth(base, "Helvetica", 11);
  c.drawString(x, y, base);
  c.setFont("Helvetica", 8);
  c.drawString(x + bw, y - 2, sub);
  return x + bw + c.stringWidth(sub, "Helvetica", 8);
}

double Root(PdfCanvas& c, double x, double y, double width) {
  c.setLineWidth(1);
  c.setStrokeColorRGB(0.17, 0.24, 0.31);
  c.line(x, y + 5.5, x + 3, y - 2);
  c.line(x + 3, y - 2, x + 6, y + 13);
  c.line(x + 6, y + 13, x + 8 + width, y + 13);
  return x + 6 + width + 4;
}

// The wide calculation box with its two hand-set formulas.
void DrawCalculation(PdfCanvas& c, double x, double y, int number) {
  const double w = 16 * kCm, h = 5.2 * kCm;
  const double left = x + w * 0.25, right = x + w * 0.75;
  const double row = y + 3.8 * kCm;
  const double hm = 1.2 + 0.0001 * number, r = 0.067, hr1 = 0.07;
  c.saveState();
  c.setFillColorRGB(0.96, 0.96, 0.96);
  c.setStrokeColorRGB(0.17, 0.24, 0.31);
  c.setLineWidth(1.5);
  c.roundRect(x, y, w, h, 4, true, true);
  c.setFillColorRGB(0.17, 0.24, 0.31);
  c.setFont("Helvetica-Bold", 9);
  c.drawCentredString(left, y + h - 0.5 * kCm, "FÓRMULA TEÓRICA");
  c.drawCentredString(right, y + h - 0.5 * kCm, "SUSTITUCIÓN DE VALORES");

  const double suffix_w = c.stringWidth(" - HR1", "Helvetica", 11);
  double cx = left - (2 * kCm + suffix_w) / 2;
  const double end = Root(c, cx, row, 2 * kCm);
  const double cur = Subscript(c, cx + 8, row, "H", "R1");
  c.setFont("Helvetica", 11);
  c.drawString(cur, row, "² - r²");
  c.drawString(end + 3, row, " - HR1");

  const std::string radical = Fixed(hm, 4) + "² - " + Fixed(r, 4) + "²";
  const std::string suffix = " - " + Fixed(hr1, 4);
  const double rw = c.stringWidth(radical, "Helvetica", 11) + 0.5 * kCm;
  cx = right - (rw + c.stringWidth(suffix, "Helvetica", 11)) / 2;
  const double end_num = Root(c, cx, row, rw);
  c.setFont("Helvetica", 11);
  c.drawString(cx + 8, row, radical);
  c.drawString(end_num + 3, row, suffix);

  const double arp = std::sqrt(hm * hm - r * r) - hr1;
  c.setFont("Helvetica-Bold", 10);
  c.drawCentredString(left, row - 0.9 * kCm, "ALTURA A LA BASE DEL SOPORTE:");
  c.setFont("Helvetica-Bold", 12);
  c.drawCentredString(right, row - 0.9 * kCm, Fixed(arp, 3) + " m");
  c.setLineWidth(0.5);
  c.setStrokeColorRGB(0.7, 0.7, 0.7);
  c.line(x + 0.5 * kCm, row - 1.2 * kCm, x + w - 0.5 * kCm, row - 1.2 * kCm);
  c.setFillColorRGB(0.17, 0.24, 0.31);
  c.setFont("Helvetica-Oblique", 11);
  c.drawCentredString(left, row - 2.1 * kCm, "ARP + Offset Promedio");
  c.setFont("Helvetica", 11);
  c.drawCentredString(right, row - 2.1 * kCm,
                      Fixed(arp, 4) + " + " + Fixed(0.082, 4));
  c.setFont("Helvetica-Bold", 10);
  c.drawCentredString(left, row - 3.0 * kCm, "ALTURA AL CENTRO DE FASE:");
  c.setFont("Helvetica-Bold", 12);
  c.drawCentredString(right, row - 3.0 * kCm, Fixed(arp + 0.082, 3) + " m");
  c.restoreState();
}

// One page laid out like a report page: header, logo, border, band, two
// pictures, three boxes, a table of point details, watermark and footer.
void DrawPage(PdfCanvas& c, const std::string& pic_a, const std::string& pic_b,
              int number, int total) {
  using A = PdfCanvas::ImageAnchor;
  const double w = kA4Width, h = kA4Height;
  const double header_y = h - 2.5 * kCm;
  const double dark[] = {0.17, 0.24, 0.31};
  c.setFont("Helvetica-Bold", 12);
  c.setFillColorRGB(dark[0], dark[1], dark[2]);
  c.drawRightString(w - 2 * kCm, header_y + 0.5 * kCm, "CONVERSIÓN DE ALTURA");
  c.drawImage(pic_b, 4.4 * kCm, header_y + 0.8 * kCm, 5 * kCm, 2 * kCm, true,
              A::kCentreOn);
  c.setLineWidth(2);
  c.setStrokeColorRGB(dark[0], dark[1], dark[2]);
  c.line(1.5 * kCm, header_y, w - 1.5 * kCm, header_y);
  c.setLineWidth(1);
  c.setStrokeColorRGB(0.5, 0.5, 0.5);
  c.rect(1.5 * kCm, 1.5 * kCm, w - 3 * kCm, header_y - 1.5 * kCm, true, false);
  c.setFillColorRGB(0.92, 0.94, 0.96);
  c.rect(1.6 * kCm, header_y - 1.8 * kCm, w - 3.2 * kCm, 1.6 * kCm, false,
         true);
  c.setFillColorRGB(dark[0], dark[1], dark[2]);
  c.setFont("Helvetica-Bold", 16);
  c.drawString(2 * kCm, header_y - 1.0 * kCm,
               "PUNTO: " + std::to_string(1000 + number));
  c.setFont("Helvetica", 10);
  c.drawString(2 * kCm, header_y - 1.7 * kCm,
               "RECEPTOR GNSS: R300 PRO  |  FECHA DE CONVERSIÓN: 05/03/2025");
  const double top = header_y - 2.3 * kCm;
  c.drawImage(pic_a, w / 2 - 4.5 * kCm, top - 8 * kCm, std::nullopt, 15 * kCm,
              true, A::kCentreOn);

  // Point details: a ruled table of short labels and values.
  c.setFont("Helvetica", 7);
  c.setLineWidth(0.5);
  c.setStrokeColorRGB(0.8, 0.8, 0.8);
  for (int i = 0; i < 8; ++i) {
    const double ty = top - 0.5 * kCm - i * 0.45 * kCm;
    c.drawString(13 * kCm, ty, i % 2 ? "SESIÓN" : "ÉPOCA");
    c.drawRightString(18.5 * kCm, ty, Fixed(number * 0.25 + i, 2));
    c.line(13 * kCm, ty - 0.12 * kCm, 18.5 * kCm, ty - 0.12 * kCm);
  }
  const double box_x = w / 2 + 4 * kCm - 7.5 * kCm / 2;
  const double specs_y = top - 0.5 * kCm - 13 * kCm;
  DrawListBox(c, box_x, specs_y, 7.5 * kCm, 4 * kCm,
              "ESPECIFICACIONES TÉCNICAS", 6, number);
  DrawListBox(c, box_x, specs_y - 3.2 * kCm, 7.5 * kCm, 2.8 * kCm,
              "APUNTES DE CAMPO", 3, number);
  DrawCalculation(c, 2.5 * kCm, 2.5 * kCm, number);

  c.saveState();
  c.setFillAlpha(0.1);
  c.drawImage(pic_a, (w - 18 * kCm) / 2, (h - 18 * kCm) / 2, 18 * kCm, 18 * kCm,
              true, A::kFitInBox);
  c.restoreState();

  const double footer_y = kCm;
  c.setFont("Helvetica-Bold", 10);
  c.setFillColorRGB(0.16, 0.5, 0.72);
  const std::string url = "www.example-topografia.es";
  c.drawCentredString(w / 2, footer_y, url);
  const double wu = c.stringWidth(url, "Helvetica-Bold", 10);
  c.linkURL("https://www.example-topografia.es", w / 2 - wu / 2, footer_y - 2,
            w / 2 + wu / 2, footer_y + 8);
  c.setFont("Helvetica-Bold", 6);
  c.setFillColorRGB(dark[0], dark[1], dark[2]);
  c.drawCentredString(w / 2, footer_y - 0.4 * kCm,
                      "Informe generado por la herramienta de certificación");
  c.setFont("Helvetica-Bold", 8);
  c.drawRightString(
      w - 1.5 * kCm, footer_y,
      "PÁGINA " + std::to_string(number) + "/" + std::to_string(total));
  c.showPage();
}

// CPU time of the process: unlike the wall clock, it does not count the
// time other programs on a busy machine take from us.
double CpuSeconds() {
  timespec t;
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

struct Run {
  int pages = 0;
  double draw = 0, save = 0, protect = 0, write = 0;
  double cpu = 0;
  std::size_t bytes = 0;
  double total() const { return draw + save + protect + write; }
};

bool RunOnce(int pages, const std::string& dir, const ProtectOptions& options,
             Run* run) {
  const std::string pic_a = dir + "/set_up.png";
  const std::string pic_b = dir + "/logo.png";
  const std::string out = dir + "/CONVERSION DE ALTURA.pdf";
  run->pages = pages;
  const double cpu0 = CpuSeconds();
  auto t0 = Clock::now();
  // Made as the report makes it; the steps of the save are then timed one
  // by one through HaruDocument's own entry points.
  std::unique_ptr<PdfDocument> made = HaruDocumentFactory().Create();
  auto& doc = static_cast<HaruDocument&>(*made);
  for (int p = 1; p <= pages; ++p) {
    DrawPage(doc.canvas(), pic_a, pic_b, p, pages);
  }
  auto t1 = Clock::now();
  std::string plain;
  Status s = doc.SavePlain(&plain);
  auto t2 = Clock::now();
  std::string encrypted;
  if (s.ok())
    s = ProtectPdf(plain, "0123456789abcdefghijABCDEFGHIJ!#", &encrypted,
                   options);
  auto t3 = Clock::now();
  if (s.ok()) s = WriteFileAtomically(out, encrypted);
  auto t4 = Clock::now();
  run->cpu = CpuSeconds() - cpu0;
  if (!s.ok()) {
    std::fprintf(stderr, "failed: %s\n", s.message().c_str());
    return false;
  }
  run->draw = Seconds(t1 - t0);
  run->save = Seconds(t2 - t1);
  run->protect = Seconds(t3 - t2);
  run->write = Seconds(t4 - t3);
  run->bytes = encrypted.size();
  return true;
}

int Main(int argc, char** argv) {
  ProtectOptions options;
  int repeat = 5;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-object-streams") == 0) {
      options.object_streams = false;
    } else if (std::strcmp(argv[i], "--qpdf-default-streams") == 0) {
      options.streams = ProtectOptions::Streams::kDefault;
    } else if (std::strcmp(argv[i], "--recompress") == 0) {
      options.streams = ProtectOptions::Streams::kRecompress;
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      keep = true;
    } else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
      const char* arg = argv[++i];
      std::from_chars(arg, arg + std::strlen(arg), repeat);
      repeat = std::max(1, repeat);
    }
  }
  char templ[] = "/tmp/zarvek_pdf_bench_XXXXXX";
  if (::mkdtemp(templ) == nullptr) return 1;
  const std::string dir = templ;
  if (!WritePicture(dir + "/set_up.png", 400, 700, 0) ||
      !WritePicture(dir + "/logo.png", 600, 400, 1)) {
    std::fprintf(stderr, "cannot write the pictures\n");
    return 1;
  }
  static const char* const kStreams[] = {"preserved", "qpdf default",
                                         "recompressed"};
  std::printf("object streams: %s; streams %s; median of %d runs\n",
              options.object_streams ? "on" : "off",
              kStreams[static_cast<int>(options.streams)], repeat);
  std::printf("%6s %8s %9s %9s %8s %8s %8s %8s %10s %9s\n", "pages", "pages/s",
              "pages/cpu", "total ms", "draw ms", "save ms", "qpdf ms",
              "write ms", "file bytes", "B/page+1");
  std::size_t one_page_bytes = 0;
  for (int pages : {1, 10, 100, 1000}) {
    std::vector<Run> runs(repeat);
    for (Run& r : runs) {
      if (!RunOnce(pages, dir, options, &r)) return 1;
    }
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.total() < b.total(); });
    const Run& m = runs[runs.size() / 2];
    if (pages == 1) one_page_bytes = m.bytes;
    const double per_page =
        pages > 1 ? static_cast<double>(m.bytes - one_page_bytes) / (pages - 1)
                  : 0;
    std::printf("%6d %8.0f %9.0f %9.1f %8.1f %8.1f %8.1f %8.1f %10zu %9.0f\n",
                pages, pages / m.total(), pages / m.cpu, m.total() * 1e3,
                m.draw * 1e3, m.save * 1e3, m.protect * 1e3, m.write * 1e3,
                m.bytes, per_page);
  }
  struct rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("peak RSS: %.1f MB\n", usage.ru_maxrss / 1024.0);
  if (keep) {
    std::printf("kept: %s\n", dir.c_str());
  } else {
    std::filesystem::remove_all(dir);
  }
  return 0;
}

}  // namespace
}  // namespace zarvek

int main(int argc, char** argv) { return zarvek::Main(argc, argv); }
