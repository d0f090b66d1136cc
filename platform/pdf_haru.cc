#include "platform/pdf_haru.h"

#include <hpdf.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/png_decode.h"

namespace zarvek {
namespace {

// Page coordinates go into the content streams on a 1/8-point grid
// (0.04 mm, below any printer's dot): exact binary fractions print with at
// most three decimals instead of libharu's five, which keeps each page's
// drawing instructions small.
HPDF_REAL Snap(double v) {
  return static_cast<HPDF_REAL>(std::round(v * 8) / 8);
}

// The standard text fonts. Symbol and ZapfDingbats are left out: they do not
// take the WinAnsi encoding.
constexpr std::array<std::string_view, 12> kStandardFonts = {
    "Helvetica",         "Helvetica-Bold",
    "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Times-Roman",       "Times-Bold",
    "Times-Italic",      "Times-BoldItalic",
    "Courier",           "Courier-Bold",
    "Courier-Oblique",   "Courier-BoldOblique"};

constexpr char kEncoding[] = "WinAnsiEncoding";
// Bézier control distance that approximates a quarter circle.
constexpr double kArcControl = 0.5523;

bool Finite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

struct Rgb {
  double r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// What saveState keeps and showPage resets.
struct GraphicState {
  Rgb fill;
  Rgb stroke;
  double line_width = 1.0;
  std::string font_name = "Helvetica";
  double font_size = 12.0;
  double fill_alpha = 1.0;
};

struct SavedState {
  GraphicState state;
  // Whether a "q" was written for it on the open page; if not, restoring
  // writes the saved values that differ instead of "Q".
  bool gsaved = false;
};

// One picture file, decoded and embedded once; `image` is null when the
// file could not be used.
struct Picture {
  HPDF_Image image = nullptr;
  int width = 0;
  int height = 0;
};

// Length of the UTF-8 sequence at `p` when it is well formed, else 1, so
// that a malformed byte is replaced on its own.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
  std::size_t n = 1;
  if (p[0] >= 0xC2 && p[0] <= 0xDF) {
    n = 2;
  } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
    n = 3;
  } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
    n = 4;
  }
  if (n > left) return 1;
  for (std::size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 1;
  }
  return n;
}

std::string Hex(unsigned long v) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, v, 16);
  return std::string(buf, res.ptr);
}

}  // namespace

struct HaruDocument::Haru {
  HPDF_Doc pdf = nullptr;
  HPDF_Page page = nullptr;  // the open page, null between pages
  int pages = 0;

  // First libharu error, reported through the callback.
  bool failed = false;
  std::string failure;
  // While a picture is embedded, libharu errors concern only that picture.
  bool absorbing = false;
  bool absorbed = false;

  // The state in force; while a page is open, also what its content says,
  // so that setting an unchanged value writes nothing.
  GraphicState state;
  std::vector<SavedState> stack;
  int page_gsaves = 0;

  std::map<std::string, HPDF_Font, std::less<>> fonts;
  std::map<double, HPDF_ExtGState> alphas;
  std::map<std::string, Picture> pictures;

  iconv_t to_cp1252 = reinterpret_cast<iconv_t>(-1);
  std::string encoded;  // scratch for ToWinAnsi

  void Fail(std::string message) {
    if (failed) return;
    failed = true;
    failure = std::move(message);
  }

  static void OnError(HPDF_STATUS error_no, HPDF_STATUS detail_no,
                      void* user_data) {
    auto* self = static_cast<Haru*>(user_data);
    // Reading the saved document back from memory always ends this way.
    if (error_no == HPDF_STREAM_EOF) return;
    if (self->absorbing) {
      self->absorbed = true;
      return;
    }
    self->Fail("error de la biblioteca PDF 0x" + Hex(error_no) + " (detalle " +
               std::to_string(detail_no) + ")");
  }

  HPDF_Font Font(std::string_view name) {
    auto it = fonts.find(name);
    if (it != fonts.end()) return it->second;
    if (std::find(kStandardFonts.begin(), kStandardFonts.end(), name) ==
        kStandardFonts.end()) {
      Fail("fuente desconocida: " + std::string(name));
      return nullptr;
    }
    const std::string key(name);
    HPDF_Font font = HPDF_GetFont(pdf, key.c_str(), kEncoding);
    if (font != nullptr) fonts.emplace(key, font);
    return font;
  }

  HPDF_ExtGState Alpha(double alpha) {
    auto it = alphas.find(alpha);
    if (it != alphas.end()) return it->second;
    HPDF_ExtGState gs = HPDF_CreateExtGState(pdf);
    if (gs == nullptr) return nullptr;
    HPDF_ExtGState_SetAlphaFill(gs, static_cast<HPDF_REAL>(alpha));
    alphas.emplace(alpha, gs);
    return gs;
  }

  // UTF-8 to CP1252 bytes; characters CP1252 lacks, malformed bytes and
  // NUL (which would end the C string) become "?".
  const std::string& ToWinAnsi(std::string_view text) {
    encoded.assign(text.data(), text.size());
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) {
      return c != '\0' && static_cast<unsigned char>(c) < 0x80;
    });
    if (ascii) return encoded;
    if (to_cp1252 == reinterpret_cast<iconv_t>(-1)) {
      for (char& c : encoded) {
        if (c == '\0' || static_cast<unsigned char>(c) >= 0x80) c = '?';
      }
      return encoded;
    }
    iconv(to_cp1252, nullptr, nullptr, nullptr, nullptr);
    char* in = encoded.data();
    std::size_t in_left = encoded.size();
    // Every character becomes one byte and takes at least one, so the
    // result fits in a buffer as long as the input.
    std::string out(encoded.size(), '\0');
    char* o = out.data();
    std::size_t o_left = out.size();
    while (in_left > 0) {
      if (iconv(to_cp1252, &in, &in_left, &o, &o_left) !=
          static_cast<std::size_t>(-1)) {
        break;
      }
      if (errno != EILSEQ && errno != EINVAL) break;
      const std::size_t skip = Utf8SequenceLength(
          reinterpret_cast<const unsigned char*>(in), in_left);
      in += skip;
      in_left -= skip;
      *o++ = '?';
      --o_left;
      iconv(to_cp1252, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - o_left);
    std::replace(out.begin(), out.end(), '\0', '?');
    encoded = std::move(out);
    return encoded;
  }

  double Width(const std::string& bytes, HPDF_Font font, double size) {
    if (bytes.empty() || font == nullptr) return 0;
    const HPDF_TextWidth w = HPDF_Font_TextWidth(
        font, reinterpret_cast<const HPDF_BYTE*>(bytes.data()),
        static_cast<HPDF_UINT>(bytes.size()));
    return w.width * size / 1000.0;
  }

  void WriteFill() {
    HPDF_Page_SetRGBFill(page, state.fill.r, state.fill.g, state.fill.b);
  }
  void WriteStroke() {
    HPDF_Page_SetRGBStroke(page, state.stroke.r, state.stroke.g,
                           state.stroke.b);
  }
  void WriteAlpha() {
    if (HPDF_ExtGState gs = Alpha(state.fill_alpha)) {
      HPDF_Page_SetExtGState(page, gs);
    }
  }

  // Writes the parts of `state` that differ from `before`, the state the
  // page content is in.
  void WriteChanges(const GraphicState& before) {
    if (!(state.fill == before.fill)) WriteFill();
    if (!(state.stroke == before.stroke)) WriteStroke();
    if (state.line_width != before.line_width) {
      HPDF_Page_SetLineWidth(page, static_cast<HPDF_REAL>(state.line_width));
    }
    if (state.fill_alpha != before.fill_alpha) WriteAlpha();
  }

  // The open page, begun if there is none. Null once the document failed.
  HPDF_Page Page() {
    if (failed) return nullptr;
    if (page != nullptr) return page;
    page = HPDF_AddPage(pdf);
    if (page == nullptr) return nullptr;
    ++pages;
    HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(kA4Width));
    HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(kA4Height));
    page_gsaves = 0;
    for (SavedState& s : stack) s.gsaved = false;
    WriteChanges(GraphicState());
    return page;
  }

  // Makes libharu's current font the one of `state`.
  HPDF_Font ApplyFont() {
    HPDF_Font font = Font(state.font_name);
    if (font == nullptr || failed) return nullptr;
    if (HPDF_Page_GetCurrentFont(page) != font ||
        HPDF_Page_GetCurrentFontSize(page) !=
            static_cast<HPDF_REAL>(state.font_size)) {
      HPDF_Page_SetFontAndSize(page, font,
                               static_cast<HPDF_REAL>(state.font_size));
    }
    return font;
  }

  // Draws `text` with its left end at x - width * shift.
  void Text(double x, double y, std::string_view text, double shift) {
    if (!Finite({x, y}) || Page() == nullptr) return;
    HPDF_Font font = ApplyFont();
    if (font == nullptr || text.empty()) return;
    const std::string& bytes = ToWinAnsi(text);
    if (shift != 0) x -= Width(bytes, font, state.font_size) * shift;
    HPDF_Page_BeginText(page);
    HPDF_Page_TextOut(page, Snap(x), Snap(y), bytes.c_str());
    HPDF_Page_EndText(page);
  }

  void Paint(bool stroke, bool fill) {
    if (stroke && fill) {
      HPDF_Page_FillStroke(page);
    } else if (fill) {
      HPDF_Page_Fill(page);
    } else if (stroke) {
      HPDF_Page_Stroke(page);
    } else {
      HPDF_Page_EndPath(page);
    }
  }

  // The picture of `path`, decoded and embedded on first use.
  const Picture& LoadPicture(const std::string& path) {
    auto it = pictures.find(path);
    if (it != pictures.end()) return it->second;
    Picture& picture = pictures[path];
    RgbaImage rgba;
    if (!DecodePngFile(path, &rgba).ok()) return picture;
    const std::size_t n = static_cast<std::size_t>(rgba.width) *
                          static_cast<std::size_t>(rgba.height);
    std::vector<HPDF_BYTE> rgb(n * 3);
    std::vector<HPDF_BYTE> alpha(n);
    bool opaque = true;
    for (std::size_t i = 0; i < n; ++i) {
      rgb[3 * i] = rgba.pixels[4 * i];
      rgb[3 * i + 1] = rgba.pixels[4 * i + 1];
      rgb[3 * i + 2] = rgba.pixels[4 * i + 2];
      alpha[i] = rgba.pixels[4 * i + 3];
      opaque = opaque && alpha[i] == 0xFF;
    }
    const int width = rgba.width;
    const int height = rgba.height;
    rgba = RgbaImage();

    // A picture libharu cannot take is skipped like an unreadable file, and
    // the document goes on.
    absorbing = true;
    absorbed = false;
    HPDF_Image image = HPDF_LoadRawImageFromMem(
        pdf, rgb.data(), static_cast<HPDF_UINT>(width),
        static_cast<HPDF_UINT>(height), HPDF_CS_DEVICE_RGB, 8);
    if (image != nullptr && !opaque) {
      HPDF_Image mask = HPDF_LoadRawImageFromMem(
          pdf, alpha.data(), static_cast<HPDF_UINT>(width),
          static_cast<HPDF_UINT>(height), HPDF_CS_DEVICE_GRAY, 8);
      if (mask == nullptr || HPDF_Image_AddSMask(image, mask) != HPDF_OK) {
        image = nullptr;
      }
    }
    absorbing = false;
    if (absorbed || image == nullptr) {
      HPDF_ResetError(pdf);
      return picture;
    }
    picture.image = image;
    picture.width = width;
    picture.height = height;
    return picture;
  }
};

HaruDocument::HaruDocument() : haru_(std::make_unique<Haru>()) {
  Haru& h = *haru_;
  h.pdf = HPDF_New(&Haru::OnError, &h);
  if (h.pdf == nullptr) {
    h.Fail("no se pudo crear el documento PDF");
    return;
  }
  HPDF_SetCompressionMode(h.pdf, HPDF_COMP_ALL);
  h.to_cp1252 = iconv_open("CP1252", "UTF-8");
}

HaruDocument::~HaruDocument() {
  if (haru_->pdf != nullptr) HPDF_Free(haru_->pdf);
  if (haru_->to_cp1252 != reinterpret_cast<iconv_t>(-1)) {
    iconv_close(haru_->to_cp1252);
  }
}

int HaruDocument::page_count() const { return haru_->pages; }

void HaruDocument::setFont(std::string_view name, double size) {
  Haru& h = *haru_;
  if (!std::isfinite(size)) return;
  if (h.Font(name) == nullptr) return;
  h.state.font_name.assign(name);
  h.state.font_size = std::clamp(size, 0.001, 600.0);
}

void HaruDocument::setFillColorRGB(double r, double g, double b) {
  Haru& h = *haru_;
  if (!Finite({r, g, b})) return;
  const Rgb fill{Clamp01(r), Clamp01(g), Clamp01(b)};
  if (fill == h.state.fill) return;
  h.state.fill = fill;
  if (h.page != nullptr && !h.failed) h.WriteFill();
}

void HaruDocument::setStrokeColorRGB(double r, double g, double b) {
  Haru& h = *haru_;
  if (!Finite({r, g, b})) return;
  const Rgb stroke{Clamp01(r), Clamp01(g), Clamp01(b)};
  if (stroke == h.state.stroke) return;
  h.state.stroke = stroke;
  if (h.page != nullptr && !h.failed) h.WriteStroke();
}

void HaruDocument::setLineWidth(double width) {
  Haru& h = *haru_;
  if (!std::isfinite(width)) return;
  const double clamped = std::clamp(width, 0.0, 100.0);
  if (clamped == h.state.line_width) return;
  h.state.line_width = clamped;
  if (h.page != nullptr && !h.failed) {
    HPDF_Page_SetLineWidth(h.page, static_cast<HPDF_REAL>(h.state.line_width));
  }
}

void HaruDocument::setFillAlpha(double alpha) {
  Haru& h = *haru_;
  if (!std::isfinite(alpha) || Clamp01(alpha) == h.state.fill_alpha) return;
  h.state.fill_alpha = Clamp01(alpha);
  if (h.page != nullptr && !h.failed) h.WriteAlpha();
}

void HaruDocument::saveState() {
  Haru& h = *haru_;
  SavedState saved{h.state, false};
  // libharu refuses more than HPDF_LIMIT_MAX_GSTATE nested "q" (and
  // drawImage needs one more); deeper saves are kept by us alone and
  // written out again when restored.
  if (h.page != nullptr && !h.failed &&
      h.page_gsaves < HPDF_LIMIT_MAX_GSTATE - 4) {
    HPDF_Page_GSave(h.page);
    ++h.page_gsaves;
    saved.gsaved = true;
  }
  h.stack.push_back(std::move(saved));
}

void HaruDocument::restoreState() {
  Haru& h = *haru_;
  if (h.stack.empty()) return;
  SavedState saved = std::move(h.stack.back());
  h.stack.pop_back();
  const GraphicState before = std::move(h.state);
  h.state = std::move(saved.state);
  if (h.page == nullptr || h.failed) return;
  if (saved.gsaved) {
    HPDF_Page_GRestore(h.page);
    --h.page_gsaves;
  } else {
    h.WriteChanges(before);
  }
}

void HaruDocument::line(double x1, double y1, double x2, double y2) {
  Haru& h = *haru_;
  if (!Finite({x1, y1, x2, y2}) || h.Page() == nullptr) return;
  HPDF_Page_MoveTo(h.page, Snap(x1), Snap(y1));
  HPDF_Page_LineTo(h.page, Snap(x2), Snap(y2));
  HPDF_Page_Stroke(h.page);
}

void HaruDocument::rect(double x, double y, double width, double height,
                        bool stroke, bool fill) {
  Haru& h = *haru_;
  if (!Finite({x, y, width, height}) || h.Page() == nullptr) return;
  HPDF_Page_Rectangle(h.page, Snap(x), Snap(y), Snap(width), Snap(height));
  h.Paint(stroke, fill);
}

void HaruDocument::roundRect(double x, double y, double width, double height,
                             double radius, bool stroke, bool fill) {
  Haru& h = *haru_;
  if (!Finite({x, y, width, height, radius}) || h.Page() == nullptr) return;
  if (width < 0) {
    x += width;
    width = -width;
  }
  if (height < 0) {
    y += height;
    height = -height;
  }
  const double r = std::clamp(radius, 0.0, std::min(width, height) / 2);
  const double k = kArcControl * r;
  const double right = x + width;
  const double top = y + height;
  HPDF_Page page = h.page;
  auto S = Snap;
  HPDF_Page_MoveTo(page, S(x + r), S(y));
  HPDF_Page_LineTo(page, S(right - r), S(y));
  HPDF_Page_CurveTo(page, S(right - r + k), S(y), S(right), S(y + r - k),
                    S(right), S(y + r));
  HPDF_Page_LineTo(page, S(right), S(top - r));
  HPDF_Page_CurveTo(page, S(right), S(top - r + k), S(right - r + k), S(top),
                    S(right - r), S(top));
  HPDF_Page_LineTo(page, S(x + r), S(top));
  HPDF_Page_CurveTo(page, S(x + r - k), S(top), S(x), S(top - r + k), S(x),
                    S(top - r));
  HPDF_Page_LineTo(page, S(x), S(y + r));
  HPDF_Page_CurveTo(page, S(x), S(y + r - k), S(x + r - k), S(y), S(x + r),
                    S(y));
  HPDF_Page_ClosePath(page);
  h.Paint(stroke, fill);
}

void HaruDocument::drawString(double x, double y, std::string_view text) {
  haru_->Text(x, y, text, 0.0);
}

void HaruDocument::drawRightString(double x, double y, std::string_view text) {
  haru_->Text(x, y, text, 1.0);
}

void HaruDocument::drawCentredString(double x, double y,
                                     std::string_view text) {
  haru_->Text(x, y, text, 0.5);
}

double HaruDocument::stringWidth(std::string_view text, std::string_view font,
                                 double size) {
  Haru& h = *haru_;
  if (!std::isfinite(size) || h.failed) return 0;
  HPDF_Font f = h.Font(font);
  if (f == nullptr) return 0;
  return h.Width(h.ToWinAnsi(text), f, size);
}

bool HaruDocument::drawImage(const std::string& path, double x, double y,
                             std::optional<double> width,
                             std::optional<double> height, bool keep_aspect,
                             ImageAnchor anchor) {
  Haru& h = *haru_;
  if (h.failed || !Finite({x, y})) return false;
  const Picture& picture = h.LoadPicture(path);
  if (picture.image == nullptr) return false;
  const double box_w = width.value_or(picture.width);
  const double box_h = height.value_or(picture.height);
  if (!Finite({box_w, box_h}) || box_w <= 0 || box_h <= 0) return false;
  double w = box_w;
  double hgt = box_h;
  if (keep_aspect) {
    const double scale =
        std::min(box_w / picture.width, box_h / picture.height);
    w = picture.width * scale;
    hgt = picture.height * scale;
  }
  double left, bottom;
  if (anchor == ImageAnchor::kCentreOn) {
    left = x - w / 2;
    bottom = y - hgt / 2;
  } else {
    left = x + (box_w - w) / 2;
    bottom = y + (box_h - hgt) / 2;
  }
  if (h.Page() == nullptr) return false;
  HPDF_Page_DrawImage(h.page, picture.image, Snap(left), Snap(bottom), Snap(w),
                      Snap(hgt));
  return !h.failed;
}

void HaruDocument::linkURL(std::string_view url, double x1, double y1,
                           double x2, double y2) {
  Haru& h = *haru_;
  if (!Finite({x1, y1, x2, y2}) || h.Page() == nullptr) return;
  HPDF_Rect area;
  area.left = static_cast<HPDF_REAL>(std::min(x1, x2));
  area.right = static_cast<HPDF_REAL>(std::max(x1, x2));
  area.bottom = static_cast<HPDF_REAL>(std::min(y1, y2));
  area.top = static_cast<HPDF_REAL>(std::max(y1, y2));
  std::string target(url);
  std::replace(target.begin(), target.end(), '\0', '?');
  HPDF_Annotation link =
      HPDF_Page_CreateURILinkAnnot(h.page, area, target.c_str());
  if (link != nullptr) HPDF_LinkAnnot_SetBorderStyle(link, 0, 0, 0);
}

void HaruDocument::showPage() {
  Haru& h = *haru_;
  if (h.failed) return;
  if (h.page == nullptr && h.Page() == nullptr) return;
  // Unrestored saves end with the page, so that its content is balanced.
  for (; h.page_gsaves > 0; --h.page_gsaves) HPDF_Page_GRestore(h.page);
  h.page = nullptr;
  h.stack.clear();
  h.state = GraphicState();
}

Status HaruDocument::SavePlain(std::string* out) {
  Haru& h = *haru_;
  out->clear();
  if (h.page != nullptr || h.pages == 0) showPage();
  if (h.failed) return Status::Error(h.failure);
  if (HPDF_SaveToStream(h.pdf) != HPDF_OK || h.failed) {
    return Status::Error(h.failed ? h.failure : "no se pudo guardar el PDF");
  }
  const HPDF_UINT32 size = HPDF_GetStreamSize(h.pdf);
  out->resize(size);
  HPDF_UINT32 done = 0;
  while (done < size) {
    HPDF_UINT32 chunk = size - done;
    const HPDF_STATUS ret = HPDF_ReadFromStream(
        h.pdf, reinterpret_cast<HPDF_BYTE*>(out->data()) + done, &chunk);
    done += chunk;
    if (ret == HPDF_STREAM_EOF) {
      HPDF_ResetError(h.pdf);
      break;
    }
    if (ret != HPDF_OK || chunk == 0) break;
  }
  if (h.failed || done != size) {
    out->clear();
    return Status::Error(h.failed ? h.failure : "no se pudo guardar el PDF");
  }
  return Status::OK();
}

Status HaruDocument::SaveProtected(const std::string& path,
                                   const std::string& owner_password) {
  std::string plain;
  Status s = SavePlain(&plain);
  if (!s.ok()) return s;
  std::string encrypted;
  s = ProtectPdf(plain, owner_password, &encrypted, protect_options_);
  if (!s.ok()) return s;
  plain = std::string();
  return WriteFileAtomically(path, encrypted);
}

std::unique_ptr<PdfDocument> HaruDocumentFactory::Create() {
  return std::make_unique<HaruDocument>();
}

}  // namespace zarvek
