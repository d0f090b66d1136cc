#include "pdf/pdf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "pdf/pdf_crypt.h"
#include "pdf/pdf_fonts.h"
#include "pdf/pdf_picture.h"
#include "platform/atomic_file.h"
#include "platform/local_time.h"
#include "platform/random.h"

namespace zarvek {
namespace {

// Objects at fixed numbers; the rest follow in the order they are written.
constexpr int kCatalogObject = 1;
constexpr int kPagesObject = 2;
constexpr int kPageResourcesObject = 3;
constexpr int kFormResourcesObject = 4;
// The font index of ZapfDingbats, after the text fonts ("/F13").
constexpr int kDingbatsFont = kStandardFontCount;
constexpr int kEncryptObject = 5;
constexpr int kSignatureFieldObject = 6;
constexpr int kFirstFreeObject = 7;

constexpr char kMediaBox[] = "[0 0 595.2756 841.8898]";
// Bézier control distance that approximates a quarter circle.
constexpr double kArcControl = 0.5523;
// Nesting of "q" that readers are sure to take; deeper saves are kept by
// the canvas alone and written out again when restored.
constexpr int kMaxNestedSaves = 24;

bool Finite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Appends `v` with at most `decimals` decimals, without trailing zeros,
// always with a point whatever the locale.
void AppendNumber(std::string* out, double v, int decimals) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed,
                           decimals);
  char* end = res.ptr;
  if (std::find(buf, end, '.') != end) {
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
  }
  if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') {
    out->push_back('0');
    return;
  }
  out->append(buf, end);
}

// Page coordinates go into the content on a 1/8-point grid (0.04 mm,
// below any printer's dot): exact binary fractions with at most three
// decimals keep each page's drawing instructions small.
void AppendCoord(std::string* out, double v) {
  AppendNumber(out, std::round(v * 8) / 8, 3);
}

void AppendInt(std::string* out, long long v) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out->append(buf, res.ptr);
}

std::string Ref(int object) {
  std::string s;
  AppendInt(&s, object);
  return s + " 0 R";
}

// A PDF literal string of CP1252 bytes.
void AppendLiteral(std::string* out, std::string_view bytes) {
  out->push_back('(');
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') {
      out->push_back('\\');
      out->push_back(c);
    } else if (c == '\r') {
      out->append("\\r");
    } else if (c == '\n') {
      out->append("\\n");
    } else {
      out->push_back(c);
    }
  }
  out->push_back(')');
}

struct Rgb {
  double r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The parts of the graphics state the canvas tracks.
enum Field { kFill, kStroke, kLineWidth, kFont, kAlpha, kFieldCount };
using Fields = std::bitset<kFieldCount>;

struct GraphicState {
  Rgb fill;
  Rgb stroke;
  double line_width = 1.0;
  int font = 0;  // index of a standard font; 0 is Helvetica
  double font_size = 12.0;
  double fill_alpha = 1.0;
};

bool SameField(const GraphicState& a, const GraphicState& b, int f) {
  switch (f) {
    case kFill:
      return a.fill == b.fill;
    case kStroke:
      return a.stroke == b.stroke;
    case kLineWidth:
      return a.line_width == b.line_width;
    case kFont:
      return a.font == b.font && a.font_size == b.font_size;
    default:
      return a.fill_alpha == b.fill_alpha;
  }
}

void CopyField(const GraphicState& from, GraphicState* to, int f) {
  switch (f) {
    case kFill:
      to->fill = from.fill;
      break;
    case kStroke:
      to->stroke = from.stroke;
      break;
    case kLineWidth:
      to->line_width = from.line_width;
      break;
    case kFont:
      to->font = from.font;
      to->font_size = from.font_size;
      break;
    default:
      to->fill_alpha = from.fill_alpha;
  }
}

// What the content written so far has put in force; fields that are not
// `known` must be written before they are relied on.
struct Written {
  GraphicState state;
  Fields known;
};

// A fresh page: everything at the format's defaults except the font, which
// a page does not have until it sets one.
Written PageStart() {
  Written w;
  w.known.set();
  w.known.reset(kFont);
  return w;
}

struct SavedState {
  GraphicState state;
  Fields set_in_group;
  bool gsaved = false;  // a "q" was written for it
  Written written;      // for "Q": what the content had in force at "q"
};

struct Link {
  std::string url;
  double x1, y1, x2, y2;
};

struct Page {
  std::string content;  // Flate-compressed; empty for a blank page
  std::vector<Link> links;
};

// A recorded shared drawing.
struct Group {
  int form = -1;  // index into forms; -1 when it drew nothing
  GraphicState entry;
  Fields depends;  // fields it used as it found them
  GraphicState exit;
  Fields sets;  // fields it leaves changed
  std::vector<Link> links;
};

struct PictureEntry {
  int index = -1;  // into pictures; -1 when the file could not be used
  int width = 0;
  int height = 0;
};

// The file as it is written: objects at recorded offsets, every string and
// stream encrypted with its object's key.
class ObjectWriter {
 public:
  ObjectWriter(std::string* out, PdfEncryption* crypt)
      : out_(out), crypt_(crypt) {}

  void Begin(int object) {
    if (static_cast<std::size_t>(object) >= offsets_.size()) {
      offsets_.resize(object + 1, 0);
    }
    offsets_[object] = base_ + out_->size();
    AppendInt(out_, object);
    out_->append(" 0 obj\n");
  }

  void Plain(int object, std::string_view body) {
    Begin(object);
    out_->append(body);
    out_->append("\nendobj\n");
  }

  // A stream with `entries` in its dictionary besides its length.
  void Stream(int object, std::string_view entries, std::string_view data) {
    Begin(object);
    out_->append("<<");
    out_->append(entries);
    out_->append("/Length ");
    AppendInt(out_, static_cast<long long>(16 + (data.size() / 16 + 1) * 16));
    out_->append(">>stream\n");
    crypt_->Encrypt(object, data, out_);
    out_->append("\nendstream\nendobj\n");
  }

  // An encrypted string, as hexadecimal.
  std::string String(int object, std::string_view text) {
    std::string cipher;
    crypt_->Encrypt(object, text, &cipher);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex = "<";
    for (char c : cipher) {
      const auto b = static_cast<unsigned char>(c);
      hex.push_back(kDigits[b >> 4]);
      hex.push_back(kDigits[b & 0xF]);
    }
    return hex + ">";
  }

  // The cross-reference table and the trailer.
  void Finish(std::string_view trailer_entries) {
    const std::size_t xref = base_ + out_->size();
    out_->append("xref\n0 ");
    AppendInt(out_, static_cast<long long>(offsets_.size()));
    out_->append("\n0000000000 65535 f \n");
    char digits[24];
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
      auto res = std::to_chars(digits, digits + sizeof digits, offsets_[i]);
      const std::size_t n = res.ptr - digits;
      out_->append(n < 10 ? 10 - n : 0, '0');
      out_->append(digits, n);
      out_->append(" 00000 n \n");
    }
    out_->append("trailer\n<</Size ");
    AppendInt(out_, static_cast<long long>(offsets_.size()));
    out_->append(trailer_entries);
    out_->append(">>\nstartxref\n");
    AppendInt(out_, static_cast<long long>(xref));
    out_->append("\n%%EOF\n");
  }

  // The bytes so far have been written out: the buffer starts afresh, the
  // offsets go on from them.
  void Consumed() {
    base_ += out_->size();
    out_->clear();
  }

 private:
  std::string* out_;
  PdfEncryption* crypt_;
  std::size_t base_ = 0;  // bytes written out before *out_
  std::vector<std::size_t> offsets_{0};
};

}  // namespace

// A page whose contents and links are written: its dictionary waits, so
// that the last page can take the signature field.
struct PageDict {
  int object = 0;
  std::string entries;  // without the annotations
  std::string annots;   // references, separated by spaces
};

struct PdfWriterDocument::Impl {
  std::string creator;  // "": none named
  PdfInfo info;
  std::time_t written_at = 0;  // when the output began
  bool failed = false;
  std::string failure;

  std::vector<Page> pages;
  bool page_open = false;
  std::string page_content;  // raw content of the open page
  std::vector<Link> page_links;
  int page_gsaves = 0;

  GraphicState state;
  Written written = PageStart();
  std::vector<SavedState> stack;

  // While a shared drawing is recorded.
  Group* recording = nullptr;
  std::string form_content;
  std::size_t group_stack_base = 0;
  int form_gsaves = 0;
  bool group_drew = false;
  Fields set_in_group;

  std::map<std::string, Group, std::less<>> groups;
  std::vector<std::string> forms;  // Flate-compressed contents

  std::array<bool, kStandardFontCount + 1> fonts_used{};
  std::vector<double> alphas;
  std::map<std::string, PictureEntry, std::less<>> picture_index;
  std::vector<PdfPicture> pictures;

  // JPEG pictures, "/J<n>" in the resources. Until the output begins they
  // are held here; after, each is written as it is drawn and dropped.
  std::vector<JpegPicture> jpegs;
  int jpeg_count = 0;
  std::string jpeg_refs;  // "/J<n> <ref>" of those written
  int jpegs_written = 0;

  // The output, once begun (BeginOutput): objects are encrypted and
  // appended to `out` as they are finished, pages and JPEG pictures as
  // soon as they are complete, the rest at the end (EndOutput).
  std::unique_ptr<PdfEncryption> crypt;
  std::unique_ptr<ObjectWriter> writer;
  std::string out;
  std::array<std::uint8_t, 16> file_id{};
  int next_object = kFirstFreeObject;
  std::string kids;                   // references of the pages written
  std::optional<PageDict> last_page;  // the dictionary not written yet
  int pages_written = 0;
  std::map<std::string, int, std::less<>> actions;  // link actions by address

  z_stream zs{};
  bool zs_ready = false;

  Impl() { zs_ready = deflateInit(&zs, Z_DEFAULT_COMPRESSION) == Z_OK; }
  ~Impl() {
    if (zs_ready) deflateEnd(&zs);
  }

  void Fail(std::string message) {
    if (failed) return;
    failed = true;
    failure = std::move(message);
  }

  std::string Deflate(std::string_view raw) {
    if (raw.empty()) return std::string();
    if (!zs_ready) {
      Fail("no se pudo comprimir el contenido del PDF");
      return std::string();
    }
    deflateReset(&zs);
    std::string out(deflateBound(&zs, static_cast<uLong>(raw.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    zs.avail_in = static_cast<uInt>(raw.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END) {
      Fail("no se pudo comprimir el contenido del PDF");
      return std::string();
    }
    out.resize(zs.total_out);
    return out;
  }

  std::string& Out() { return recording ? form_content : page_content; }

  // Makes sure drawing has somewhere to go: the form being recorded, or
  // the open page (begun if there is none). False once the document failed.
  // Puts a recorded group on the open page: its form, if it drew
  // anything, and its links.
  void Place(const Group& group) {
    if (group.form >= 0) {
      page_content.append("/X");
      AppendInt(&page_content, group.form + 1);
      page_content.append(" Do\n");
    }
    page_links.insert(page_links.end(), group.links.begin(), group.links.end());
  }

  bool Begin() {
    if (failed) return false;
    if (recording) {
      group_drew = true;
      return true;
    }
    if (!page_open) {
      page_open = true;
      page_content.clear();
      page_links.clear();
      page_gsaves = 0;
      written = PageStart();
      for (SavedState& s : stack) s.gsaved = false;
    }
    return true;
  }

  void Set(int f) {
    if (recording) set_in_group.set(f);
  }

  // Writes field `f` of the state when the content does not have it yet.
  void Sync(int f) {
    if (written.known.test(f) && SameField(written.state, state, f)) return;
    if (recording && !set_in_group.test(f) && !recording->depends.test(f)) {
      recording->depends.set(f);
      CopyField(state, &recording->entry, f);
    }
    std::string& out = Out();
    switch (f) {
      case kFill:
      case kStroke: {
        const Rgb& c = f == kFill ? state.fill : state.stroke;
        AppendNumber(&out, c.r, 4);
        out.push_back(' ');
        AppendNumber(&out, c.g, 4);
        out.push_back(' ');
        AppendNumber(&out, c.b, 4);
        out.append(f == kFill ? " rg\n" : " RG\n");
        break;
      }
      case kLineWidth:
        AppendNumber(&out, state.line_width, 3);
        out.append(" w\n");
        break;
      case kFont:
        fonts_used[state.font] = true;
        out.append("/F");
        AppendInt(&out, state.font + 1);
        out.push_back(' ');
        AppendNumber(&out, state.font_size, 3);
        out.append(" Tf\n");
        break;
      default: {
        auto it = std::find(alphas.begin(), alphas.end(), state.fill_alpha);
        if (it == alphas.end())
          it = alphas.insert(alphas.end(), state.fill_alpha);
        out.append("/G");
        AppendInt(&out, it - alphas.begin() + 1);
        out.append(" gs\n");
      }
    }
    CopyField(state, &written.state, f);
    written.known.set(f);
  }

  void Paint(bool stroke, bool fill) {
    std::string& out = Out();
    if (stroke && fill) {
      out.append("B\n");
    } else if (fill) {
      out.append("f\n");
    } else if (stroke) {
      out.append("S\n");
    } else {
      out.append("n\n");
    }
  }

  // Before painting a path.
  void SyncPaint(bool stroke, bool fill) {
    if (stroke) {
      Sync(kStroke);
      Sync(kLineWidth);
    }
    if (fill) {
      Sync(kFill);
      Sync(kAlpha);
    }
  }

  // Draws `text` with its left end at x - width * shift.
  void Text(double x, double y, std::string_view text, double shift) {
    if (!Finite({x, y}) || !Begin()) return;
    if (text.empty()) {
      // Nothing to show, but the font is in force as with any text.
      Sync(kFont);
      return;
    }
    const std::vector<FontRun> runs = FontRuns(text);
    if (shift != 0) {
      x -= StandardTextWidth(state.font, text) * state.font_size / 1000.0 *
           shift;
    }
    Sync(kFill);
    Sync(kAlpha);
    Sync(kFont);
    std::string& out = Out();
    out.append("BT ");
    AppendCoord(&out, x);
    out.push_back(' ');
    AppendCoord(&out, y);
    out.append(" Td ");
    // Marks go in the symbol font; the text's own font is in force again
    // after them, as the state says it is.
    bool in_dingbats = false;
    for (const FontRun& run : runs) {
      if (run.dingbats != in_dingbats) SetTextFont(run.dingbats);
      in_dingbats = run.dingbats;
      AppendLiteral(&out, run.bytes);
      out.append(" Tj ");
    }
    if (in_dingbats) SetTextFont(false);
    out.append("ET\n");
  }

  // Sets the current text font, or the symbol font, at the current size.
  void SetTextFont(bool dingbats) {
    const int font = dingbats ? kDingbatsFont : state.font;
    fonts_used[font] = true;
    std::string& out = Out();
    out.append("/F");
    AppendInt(&out, font + 1);
    out.push_back(' ');
    AppendNumber(&out, state.font_size, 3);
    out.append(" Tf ");
  }

  void Point(double x, double y, const char* op) {
    std::string& out = Out();
    AppendCoord(&out, x);
    out.push_back(' ');
    AppendCoord(&out, y);
    out.append(op);
  }

  const PictureEntry& LoadPicture(const std::string& path) {
    auto it = picture_index.find(path);
    if (it != picture_index.end()) return it->second;
    PictureEntry& entry = picture_index[path];
    PdfPicture picture;
    if (!LoadPdfPicture(path, &picture).ok()) return entry;
    entry.index = static_cast<int>(pictures.size());
    entry.width = picture.width;
    entry.height = picture.height;
    pictures.push_back(std::move(picture));
    return entry;
  }

  void ClosePage() {
    if (!page_open) return;
    // Unrestored saves end with the page, so that its content is balanced.
    for (; page_gsaves > 0; --page_gsaves) page_content.append("Q\n");
    Page page{Deflate(page_content), std::move(page_links)};
    if (writer) {
      WriteOnePage(page);
    } else {
      pages.push_back(std::move(page));
    }
    page_links.clear();
    page_content.clear();
    page_open = false;
  }

  void BeginOutput(const std::string& owner_password);
  void WriteOnePage(Page& page);
  void WriteJpeg(const JpegPicture& picture);
  void EndOutput();
  Status Write(const std::string& owner_password, std::string* pdf);
};

PdfWriterDocument::PdfWriterDocument(std::string creator)
    : impl_(std::make_unique<Impl>()) {
  impl_->creator = std::move(creator);
}

PdfWriterDocument::~PdfWriterDocument() = default;

void PdfWriterDocument::SetInfo(const PdfInfo& info) { impl_->info = info; }

void PdfWriterDocument::setFont(std::string_view name, double size) {
  Impl& d = *impl_;
  if (!std::isfinite(size)) return;
  const int font = StandardFontIndex(name);
  if (font < 0) {
    d.Fail("fuente desconocida: " + std::string(name));
    return;
  }
  d.state.font = font;
  d.state.font_size = std::clamp(size, 0.001, 600.0);
  d.Set(kFont);
}

void PdfWriterDocument::setFillColorRGB(double r, double g, double b) {
  Impl& d = *impl_;
  if (!Finite({r, g, b})) return;
  d.state.fill = Rgb{Clamp01(r), Clamp01(g), Clamp01(b)};
  d.Set(kFill);
}

void PdfWriterDocument::setStrokeColorRGB(double r, double g, double b) {
  Impl& d = *impl_;
  if (!Finite({r, g, b})) return;
  d.state.stroke = Rgb{Clamp01(r), Clamp01(g), Clamp01(b)};
  d.Set(kStroke);
}

void PdfWriterDocument::setLineWidth(double width) {
  Impl& d = *impl_;
  if (!std::isfinite(width)) return;
  d.state.line_width = std::clamp(width, 0.0, 100.0);
  d.Set(kLineWidth);
}

void PdfWriterDocument::setFillAlpha(double alpha) {
  Impl& d = *impl_;
  if (!std::isfinite(alpha)) return;
  d.state.fill_alpha = Clamp01(alpha);
  d.Set(kAlpha);
}

void PdfWriterDocument::saveState() {
  Impl& d = *impl_;
  SavedState saved{d.state, d.set_in_group, false, d.written};
  const bool drawing = d.recording ? true : d.page_open;
  if (drawing && !d.failed && d.page_gsaves + d.form_gsaves < kMaxNestedSaves) {
    d.Out().append("q\n");
    ++(d.recording ? d.form_gsaves : d.page_gsaves);
    saved.gsaved = true;
  }
  d.stack.push_back(std::move(saved));
}

void PdfWriterDocument::restoreState() {
  Impl& d = *impl_;
  if (d.stack.size() <= d.group_stack_base) return;
  SavedState saved = std::move(d.stack.back());
  d.stack.pop_back();
  d.state = saved.state;
  d.set_in_group = saved.set_in_group;
  if (saved.gsaved) {
    d.Out().append("Q\n");
    --(d.recording ? d.form_gsaves : d.page_gsaves);
    d.written = saved.written;
  }
}

void PdfWriterDocument::line(double x1, double y1, double x2, double y2) {
  Impl& d = *impl_;
  if (!Finite({x1, y1, x2, y2}) || !d.Begin()) return;
  d.SyncPaint(true, false);
  d.Point(x1, y1, " m ");
  d.Point(x2, y2, " l S\n");
}

void PdfWriterDocument::rect(double x, double y, double width, double height,
                             bool stroke, bool fill) {
  Impl& d = *impl_;
  if (!Finite({x, y, width, height}) || !d.Begin()) return;
  d.SyncPaint(stroke, fill);
  std::string& out = d.Out();
  d.Point(x, y, " ");
  AppendCoord(&out, width);
  out.push_back(' ');
  AppendCoord(&out, height);
  out.append(" re ");
  d.Paint(stroke, fill);
}

void PdfWriterDocument::roundRect(double x, double y, double width,
                                  double height, double radius, bool stroke,
                                  bool fill) {
  Impl& d = *impl_;
  if (!Finite({x, y, width, height, radius}) || !d.Begin()) return;
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
  d.SyncPaint(stroke, fill);
  auto curve = [&](double x1, double y1, double x2, double y2, double x3,
                   double y3) {
    d.Point(x1, y1, " ");
    d.Point(x2, y2, " ");
    d.Point(x3, y3, " c\n");
  };
  d.Point(x + r, y, " m ");
  d.Point(right - r, y, " l ");
  curve(right - r + k, y, right, y + r - k, right, y + r);
  d.Point(right, top - r, " l ");
  curve(right, top - r + k, right - r + k, top, right - r, top);
  d.Point(x + r, top, " l ");
  curve(x + r - k, top, x, top - r + k, x, top - r);
  d.Point(x, y + r, " l ");
  curve(x, y + r - k, x + r - k, y, x + r, y);
  d.Out().append("h ");
  d.Paint(stroke, fill);
}

void PdfWriterDocument::drawString(double x, double y, std::string_view text) {
  impl_->Text(x, y, text, 0.0);
}

void PdfWriterDocument::drawRightString(double x, double y,
                                        std::string_view text) {
  impl_->Text(x, y, text, 1.0);
}

void PdfWriterDocument::drawCentredString(double x, double y,
                                          std::string_view text) {
  impl_->Text(x, y, text, 0.5);
}

double PdfWriterDocument::stringWidth(std::string_view text,
                                      std::string_view font, double size) {
  Impl& d = *impl_;
  if (!std::isfinite(size) || d.failed) return 0;
  const int index = StandardFontIndex(font);
  if (index < 0) {
    d.Fail("fuente desconocida: " + std::string(font));
    return 0;
  }
  return StandardTextWidth(index, text) * size / 1000.0;
}

bool PdfWriterDocument::drawImage(const std::string& path, double x, double y,
                                  std::optional<double> width,
                                  std::optional<double> height,
                                  bool keep_aspect, ImageAnchor anchor) {
  Impl& d = *impl_;
  if (d.failed || !Finite({x, y})) return false;
  const PictureEntry& picture = d.LoadPicture(path);
  if (picture.index < 0) return false;
  const double box_w = width.value_or(picture.width);
  const double box_h = height.value_or(picture.height);
  if (!Finite({box_w, box_h}) || box_w <= 0 || box_h <= 0) return false;
  double w = box_w;
  double h = box_h;
  if (keep_aspect) {
    const double scale =
        std::min(box_w / picture.width, box_h / picture.height);
    w = picture.width * scale;
    h = picture.height * scale;
  }
  double left, bottom;
  if (anchor == ImageAnchor::kCentreOn) {
    left = x - w / 2;
    bottom = y - h / 2;
  } else {
    left = x + (box_w - w) / 2;
    bottom = y + (box_h - h) / 2;
  }
  if (!d.Begin()) return false;
  d.Sync(kAlpha);
  std::string& out = d.Out();
  out.append("q ");
  AppendCoord(&out, w);
  out.append(" 0 0 ");
  AppendCoord(&out, h);
  out.push_back(' ');
  d.Point(left, bottom, " cm /I");
  AppendInt(&out, picture.index + 1);
  out.append(" Do Q\n");
  return true;
}

bool PdfWriterDocument::drawJpeg(JpegPicture picture, double x, double y,
                                 double width, double height) {
  Impl& d = *impl_;
  const std::string& b = picture.bytes;
  if (d.failed || !Finite({x, y, width, height}) || width <= 0 || height <= 0 ||
      picture.width <= 0 || picture.height <= 0 ||
      (picture.components != 1 && picture.components != 3) || b.size() < 4 ||
      static_cast<unsigned char>(b[0]) != 0xFF ||
      static_cast<unsigned char>(b[1]) != 0xD8) {
    return false;
  }
  if (!d.Begin()) return false;
  d.Sync(kAlpha);
  std::string& out = d.Out();
  out.append("q ");
  AppendCoord(&out, width);
  out.append(" 0 0 ");
  AppendCoord(&out, height);
  out.push_back(' ');
  d.Point(x, y, " cm /J");
  AppendInt(&out, ++d.jpeg_count);
  out.append(" Do Q\n");
  if (d.writer) {
    d.WriteJpeg(picture);
  } else {
    d.jpegs.push_back(std::move(picture));
  }
  return true;
}

void PdfWriterDocument::linkURL(std::string_view url, double x1, double y1,
                                double x2, double y2) {
  Impl& d = *impl_;
  if (!Finite({x1, y1, x2, y2}) || !d.Begin()) return;
  Link link{std::string(url), std::min(x1, x2), std::min(y1, y2),
            std::max(x1, x2), std::max(y1, y2)};
  if (d.recording) {
    d.recording->links.push_back(std::move(link));
  } else {
    d.page_links.push_back(std::move(link));
  }
}

void PdfWriterDocument::drawShared(
    std::string_view key, const std::function<void(PdfCanvas&)>& draw) {
  Impl& d = *impl_;
  if (d.failed) return;
  if (d.recording) {
    draw(*this);
    return;
  }
  auto it = d.groups.find(key);
  if (it != d.groups.end()) {
    Group& group = it->second;
    bool same = true;
    for (int f = 0; f < kFieldCount; ++f) {
      if (group.depends.test(f) && !SameField(group.entry, d.state, f)) {
        same = false;
      }
    }
    if (!same) {
      draw(*this);
      return;
    }
    if (group.form >= 0 || !group.links.empty()) d.Begin();
    d.Place(group);
    for (int f = 0; f < kFieldCount; ++f) {
      if (group.sets.test(f)) CopyField(group.exit, &d.state, f);
    }
    return;
  }

  Group& group = d.groups[std::string(key)];
  const Written page_written = d.written;
  d.recording = &group;
  d.form_content.clear();
  d.form_gsaves = 0;
  d.group_drew = false;
  d.group_stack_base = d.stack.size();
  d.set_in_group.reset();
  d.written = Written();  // a form cannot rely on the state around it
  draw(*this);
  // Saves the drawing left open end with it.
  while (d.stack.size() > d.group_stack_base) {
    if (d.stack.back().gsaved) d.form_content.append("Q\n");
    d.stack.pop_back();
  }
  group.exit = d.state;
  group.sets = d.set_in_group;
  d.recording = nullptr;
  d.group_stack_base = 0;
  d.form_gsaves = 0;
  d.written = page_written;
  d.set_in_group.reset();
  if (!d.form_content.empty()) {
    group.form = static_cast<int>(d.forms.size());
    d.forms.push_back(d.Deflate(d.form_content));
  }
  d.form_content.clear();
  if (d.failed) return;
  if (d.group_drew) d.Begin();
  d.Place(group);
}

void PdfWriterDocument::showPage() {
  Impl& d = *impl_;
  if (d.failed || d.recording) return;
  d.Begin();
  d.ClosePage();
  d.stack.clear();
  d.state = GraphicState();
}

namespace {

// `utf8` as a PDF text string: UTF-16BE after the byte-order mark FE FF.
// A byte that does not begin a whole, valid sequence stands for U+FFFD.
std::string Utf16BeText(std::string_view utf8) {
  std::string out = "\xFE\xFF";
  auto unit = [&out](std::uint32_t u) {
    out.push_back(static_cast<char>(u >> 8));
    out.push_back(static_cast<char>(u & 0xFF));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    // The sequence's length from its first byte; 0: no first byte.
    const std::size_t n = b < 0x80   ? 1
                          : b < 0xC2 ? 0
                          : b < 0xE0 ? 2
                          : b < 0xF0 ? 3
                          : b < 0xF5 ? 4
                                     : 0;
    std::uint32_t cp = n == 1   ? b
                       : n == 2 ? b & 0x1F
                       : n == 3 ? b & 0x0F
                                : b & 0x07;
    bool valid = n > 0 && i + n <= utf8.size();
    for (std::size_t k = 1; valid && k < n; ++k) {
      const auto c = static_cast<unsigned char>(utf8[i + k]);
      valid = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    if (valid && ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) ||
                  (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF)) {
      valid = false;
    }
    if (!valid) {
      unit(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
    i += n;
  }
  return out;
}

std::string HexId(const std::array<std::uint8_t, 16>& id) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "<";
  for (std::uint8_t b : id) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out + ">";
}

// Room for the whole file, so that appending never copies it again.
std::size_t SizeEstimate(const std::vector<Page>& pages,
                         const std::vector<PdfPicture>& pictures,
                         const std::vector<std::string>& forms) {
  std::size_t estimate = 4096;
  for (const Page& p : pages) estimate += p.content.size() + 300;
  for (const PdfPicture& p : pictures) {
    estimate += p.color_data.size() + p.alpha_data.size() + 500;
  }
  for (const std::string& f : forms) estimate += f.size() + 200;
  return estimate;
}

// Writes the fonts the pages use and one graphics state per fill alpha,
// each as an object numbered from `*next` on; returns their entries for a
// resource dictionary ("/Font<<...>>/ExtGState<<...>>", either left out
// when empty).
std::string WriteFontsAndStates(
    ObjectWriter& w, int* next,
    const std::array<bool, kStandardFontCount + 1>& fonts_used,
    const std::vector<double>& alphas) {
  std::string resources;
  for (int f = 0; f <= kStandardFontCount; ++f) {
    if (!fonts_used[f]) continue;
    const int object = (*next)++;
    // The symbol font keeps its built-in encoding.
    w.Plain(object, f == kDingbatsFont
                        ? "<</Type/Font/Subtype/Type1/BaseFont/" +
                              std::string(kDingbatsFontName) + ">>"
                        : "<</Type/Font/Subtype/Type1/BaseFont/" +
                              std::string(StandardFontName(f)) +
                              "/Encoding/WinAnsiEncoding>>");
    resources += "/F" + std::to_string(f + 1) + " " + Ref(object);
  }
  if (!resources.empty()) resources = "/Font<<" + resources + ">>";
  std::string states;
  for (std::size_t i = 0; i < alphas.size(); ++i) {
    const int object = (*next)++;
    std::string body = "<</Type/ExtGState/ca ";
    AppendNumber(&body, alphas[i], 4);
    w.Plain(object, body + ">>");
    states += "/G" + std::to_string(i + 1) + " " + Ref(object);
  }
  if (!states.empty()) resources += "/ExtGState<<" + states + ">>";
  return resources;
}

// Writes one picture (with its palette and transparency mask, if any) as
// objects numbered from `*next` on; returns the image's object.
int WritePicture(ObjectWriter& w, int* next, const PdfPicture& p) {
  const std::string size = "/Type/XObject/Subtype/Image/Width " +
                           std::to_string(p.width) + "/Height " +
                           std::to_string(p.height);
  std::string entries = size + "/ColorSpace";
  if (p.palette.empty()) {
    entries += p.color_space;
  } else {
    // The palette as a stream: strings in the dictionary would need to be
    // encrypted on their own.
    const int lookup = (*next)++;
    w.Stream(lookup, "", p.palette);
    entries += "[/Indexed/DeviceRGB " +
               std::to_string(p.palette.size() / 3 - 1) + " " + Ref(lookup) +
               "]";
  }
  entries += p.color_entries;
  if (!p.alpha_data.empty()) {
    const int mask = (*next)++;
    w.Stream(mask,
             size +
                 "/ColorSpace/DeviceGray/BitsPerComponent 8"
                 "/Filter/FlateDecode",
             p.alpha_data);
    entries += "/SMask " + Ref(mask);
  }
  const int object = (*next)++;
  w.Stream(object, entries, p.color_data);
  return object;
}

// Writes every picture, freeing each once written (they are the bulk of
// the document); returns their "/I<n> <ref>" entries.
std::string WritePictures(ObjectWriter& w, int* next,
                          std::vector<PdfPicture>* pictures) {
  std::string images;
  for (std::size_t i = 0; i < pictures->size(); ++i) {
    PdfPicture& p = (*pictures)[i];
    images +=
        "/I" + std::to_string(i + 1) + " " + Ref(WritePicture(w, next, p));
    p = PdfPicture();
  }
  return images;
}

// Writes the shared drawings as form objects; returns their "/X<n> <ref>"
// entries.
std::string WriteForms(ObjectWriter& w, int* next,
                       const std::vector<std::string>& forms) {
  std::string form_refs;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    const int object = (*next)++;
    w.Stream(object,
             std::string("/Type/XObject/Subtype/Form/BBox") + kMediaBox +
                 "/Resources " + Ref(kFormResourcesObject) +
                 "/Filter/FlateDecode",
             forms[i]);
    form_refs += "/X" + std::to_string(i + 1) + " " + Ref(object);
  }
  return form_refs;
}

// Writes the link annotations of one page, with a link action for each
// address not in `actions` yet (one action per address, shared by every
// page); returns the annotations' references, separated by spaces.
std::string WriteLinks(ObjectWriter& w, int* next,
                       const std::vector<Link>& links,
                       std::map<std::string, int, std::less<>>* actions) {
  std::string annots;
  for (const Link& link : links) {
    auto it = actions->find(link.url);
    if (it == actions->end()) {
      const int object = (*next)++;
      w.Plain(object, "<</S/URI/URI" + w.String(object, link.url) + ">>");
      it = actions->emplace(link.url, object).first;
    }
    const int object = (*next)++;
    std::string body = "<</Type/Annot/Subtype/Link/Rect[";
    AppendNumber(&body, link.x1, 3);
    body.push_back(' ');
    AppendNumber(&body, link.y1, 3);
    body.push_back(' ');
    AppendNumber(&body, link.x2, 3);
    body.push_back(' ');
    AppendNumber(&body, link.y2, 3);
    body += "]/Border[0 0 0]/A " + Ref(it->second) + ">>";
    w.Plain(object, body);
    if (!annots.empty()) annots.push_back(' ');
    annots += Ref(object);
  }
  return annots;
}

// Writes one page's content and links; returns its dictionary, which
// WritePageDict writes.
PageDict WritePageParts(ObjectWriter& w, int* next, const Page& page,
                        std::map<std::string, int, std::less<>>* actions) {
  PageDict dict;
  dict.annots = WriteLinks(w, next, page.links, actions);
  dict.entries = "<</Type/Page/Parent " + Ref(kPagesObject);
  if (!page.content.empty()) {
    const int object = (*next)++;
    w.Stream(object, "/Filter/FlateDecode", page.content);
    dict.entries += "/Contents " + Ref(object);
  }
  dict.object = (*next)++;
  return dict;
}

// Writes a page's dictionary with its annotations and `extra_annot`, a
// reference ("" for none).
void WritePageDict(ObjectWriter& w, const PageDict& page,
                   std::string_view extra_annot) {
  std::string annots = page.annots;
  if (!extra_annot.empty()) {
    if (!annots.empty()) annots.push_back(' ');
    annots += extra_annot;
  }
  std::string dict = page.entries;
  if (!annots.empty()) dict += "/Annots[" + annots + "]";
  w.Plain(page.object, dict + ">>");
}

// Appends "/<key>" and `text` as an encrypted text string of `object`,
// unless `text` is empty.
void AppendTextEntry(ObjectWriter& w, int object, std::string_view key,
                     std::string_view text, std::string* dict) {
  if (text.empty()) return;
  dict->push_back('/');
  dict->append(key);
  dict->append(w.String(object, Utf16BeText(text)));
}

// The information dictionary's body. Dates are strings and are encrypted
// like every other.
std::string InfoDictionary(ObjectWriter& w, int object, const PdfInfo& info,
                           std::string_view creator, std::time_t when) {
  std::string dict = "<<";
  AppendTextEntry(w, object, "Title", info.title, &dict);
  AppendTextEntry(w, object, "Subject", info.subject, &dict);
  AppendTextEntry(w, object, "Author", info.author, &dict);
  AppendTextEntry(w, object, "Creator", creator, &dict);
  std::tm local;
  if (LocalTime(when, &local)) {
    const std::string date = PdfDateText(local, when);
    dict += "/CreationDate" + w.String(object, date);
    dict += "/ModDate" + w.String(object, date);
  }
  return dict + ">>";
}

}  // namespace

void PdfWriterDocument::Impl::BeginOutput(const std::string& owner_password) {
  std::array<std::uint8_t, 16> iv_seed;
  SystemRandom().Fill(file_id.data(), file_id.size());
  SystemRandom().Fill(iv_seed.data(), iv_seed.size());
  crypt = std::make_unique<PdfEncryption>(owner_password, file_id, iv_seed);

  out.append("%PDF-1.6\n%\xE2\xE3\xCF\xD3\n");
  writer = std::make_unique<ObjectWriter>(&out, crypt.get());
  written_at = std::time(nullptr);
  // One signature field, SigFlags 1: the document has signature fields.
  writer->Plain(kCatalogObject, "<</Type/Catalog/Pages " + Ref(kPagesObject) +
                                    "/AcroForm<</Fields[" +
                                    Ref(kSignatureFieldObject) +
                                    "]/SigFlags 1>>>>");
  writer->Plain(kEncryptObject, crypt->Dictionary());
  // What was drawn before the output began, freeing each once written (the
  // pictures are the bulk of the document).
  for (Page& page : pages) {
    WriteOnePage(page);
    page = Page();
  }
  pages.clear();
  for (JpegPicture& picture : jpegs) {
    WriteJpeg(picture);
    picture = JpegPicture();
  }
  jpegs.clear();
}

void PdfWriterDocument::Impl::WriteOnePage(Page& page) {
  if (last_page) WritePageDict(*writer, *last_page, "");
  last_page = WritePageParts(*writer, &next_object, page, &actions);
  if (!kids.empty()) kids.push_back(' ');
  kids += Ref(last_page->object);
  ++pages_written;
}

void PdfWriterDocument::Impl::WriteJpeg(const JpegPicture& p) {
  const int object = next_object++;
  writer->Stream(object,
                 "/Type/XObject/Subtype/Image/Width " +
                     std::to_string(p.width) + "/Height " +
                     std::to_string(p.height) + "/ColorSpace" +
                     (p.components == 1 ? "/DeviceGray" : "/DeviceRGB") +
                     "/BitsPerComponent 8/Filter/DCTDecode",
                 p.bytes);
  jpeg_refs += "/J" + std::to_string(++jpegs_written) + " " + Ref(object);
}

void PdfWriterDocument::Impl::EndOutput() {
  ObjectWriter& w = *writer;
  int* next = &next_object;
  const std::string resources =
      WriteFontsAndStates(w, next, fonts_used, alphas);
  const std::string images = WritePictures(w, next, &pictures) + jpeg_refs;
  const std::string form_refs = WriteForms(w, next, forms);
  w.Plain(kFormResourcesObject,
          "<<" + resources +
              (images.empty() ? "" : "/XObject<<" + images + ">>") + ">>");
  w.Plain(kPageResourcesObject,
          "<<" + resources +
              (images.empty() && form_refs.empty()
                   ? ""
                   : "/XObject<<" + images + form_refs + ">>") +
              ">>");
  // The empty signature field: an invisible widget on the last page, which
  // a reader offers to sign.
  if (last_page) {
    WritePageDict(w, *last_page, Ref(kSignatureFieldObject));
    w.Plain(kSignatureFieldObject,
            "<</Type/Annot/Subtype/Widget/FT/Sig/T" +
                w.String(kSignatureFieldObject, "FIRMA") +
                "/Rect[0 0 0 0]/F 4/P " + Ref(last_page->object) + ">>");
    last_page.reset();
  }
  w.Plain(kPagesObject, "<</Type/Pages/Kids[" + kids + "]/Count " +
                            std::to_string(pages_written) +
                            std::string("/MediaBox") + kMediaBox +
                            "/Resources " + Ref(kPageResourcesObject) + ">>");
  // The information dictionary: its texts are strings, encrypted like every
  // other, in UTF-16BE with the byte-order mark so that any name reads.
  const int info = (*next)++;
  w.Plain(info, InfoDictionary(w, info, this->info, creator, written_at));
  w.Finish("/Root " + Ref(kCatalogObject) + "/Info " + Ref(info) + "/Encrypt " +
           Ref(kEncryptObject) + "/ID[" + HexId(file_id) + HexId(file_id) +
           "]");
}

Status PdfWriterDocument::Impl::Write(const std::string& owner_password,
                                      std::string* pdf) {
  std::size_t estimate = SizeEstimate(pages, pictures, forms);
  for (const JpegPicture& p : jpegs) estimate += p.bytes.size() + 200;
  out.reserve(estimate);
  BeginOutput(owner_password);
  EndOutput();
  *pdf = std::move(out);
  return Status::OK();
}

Status PdfWriterDocument::Finish(const std::string& owner_password,
                                 std::string* pdf) {
  Impl& d = *impl_;
  pdf->clear();
  if (d.writer) return Status::Error("el PDF ya se ha guardado");
  if (d.page_open || d.pages.empty()) showPage();
  if (d.failed) return Status::Error(d.failure);
  return d.Write(owner_password, pdf);
}

Status PdfWriterDocument::SaveProtected(const std::string& path,
                                        const std::string& owner_password) {
  std::string pdf;
  Status s = Finish(owner_password, &pdf);
  if (!s.ok()) return s;
  return WriteFileAtomically(path, pdf);
}

Status PdfWriterDocument::SaveProtectedAsDrawn(
    const std::string& path, const std::string& owner_password,
    const DrawNext& draw_next) {
  Impl& d = *impl_;
  if (d.writer) return Status::Error("el PDF ya se ha guardado");
  if (d.failed) return Status::Error(d.failure);
  d.BeginOutput(owner_password);
  bool first = true;
  bool drawn = false;
  // Each piece is what one part added to the output: its pages and
  // pictures, written as soon as they were complete.
  return WriteFileAtomicallyFrom(
      path, [&](std::string_view* piece, bool* done) -> Status {
        if (!first) d.writer->Consumed();
        first = false;
        if (!drawn) {
          Status s = draw_next(&drawn);
          if (!s.ok()) return s;
          if (d.failed) return Status::Error(d.failure);
          if (drawn) {
            if (d.page_open || d.pages_written == 0) showPage();
            if (d.failed) return Status::Error(d.failure);
            d.EndOutput();
            *done = true;
          }
        }
        *piece = d.out;
        return Status::OK();
      });
}

namespace {

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void AppendDigits(std::string* out, long long v, int width) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v < 0 ? -v : v);
  const int n = static_cast<int>(res.ptr - buf);
  if (n < width) out->append(width - n, '0');
  out->append(buf, res.ptr);
}

}  // namespace

std::string PdfDateText(const std::tm& local, std::time_t when) {
  // The local clock read as if it were UTC, less the moment itself, is the
  // offset; offsets are whole minutes (a leap second is not one).
  const long long as_utc =
      DaysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday) *
          86400 +
      local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
  const long long diff = as_utc - static_cast<long long>(when);
  const long long minutes = diff >= 0 ? (diff + 30) / 60 : -((-diff + 30) / 60);
  std::string out = "D:";
  AppendDigits(&out, local.tm_year + 1900LL, 4);
  AppendDigits(&out, local.tm_mon + 1, 2);
  AppendDigits(&out, local.tm_mday, 2);
  AppendDigits(&out, local.tm_hour, 2);
  AppendDigits(&out, local.tm_min, 2);
  AppendDigits(&out, std::min(local.tm_sec, 59), 2);
  out.push_back(minutes < 0 ? '-' : '+');
  AppendDigits(&out, (minutes < 0 ? -minutes : minutes) / 60, 2);
  out.push_back('\'');
  AppendDigits(&out, (minutes < 0 ? -minutes : minutes) % 60, 2);
  out.push_back('\'');
  return out;
}

std::unique_ptr<PdfDocument> PdfWriterDocumentFactory::Create() {
  return std::make_unique<PdfWriterDocument>(creator_);
}

}  // namespace zarvek
