#include "testing/recording_canvas.h"

#include "text/decimal.h"
#include "text/utf8_text.h"

namespace zarvek {
namespace {

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::string Num(double x) { return FormatFixed(x, 2); }

bool RecordingCanvas::State::operator==(const State& o) const {
  for (int i = 0; i < 3; ++i) {
    if (fill[i] != o.fill[i] || stroke[i] != o.stroke[i]) return false;
  }
  return font == o.font && font_size == o.font_size &&
         line_width == o.line_width && fill_alpha == o.fill_alpha;
}

void RecordingCanvas::setFont(std::string_view name, double size) {
  state_.font = std::string(name);
  state_.font_size = size;
  Log("setFont " + std::string(name) + " " + Num(size));
}

void RecordingCanvas::setFillColorRGB(double r, double g, double b) {
  state_.fill[0] = r, state_.fill[1] = g, state_.fill[2] = b;
  Log("setFillColorRGB " + Num(r) + " " + Num(g) + " " + Num(b));
}

void RecordingCanvas::setStrokeColorRGB(double r, double g, double b) {
  state_.stroke[0] = r, state_.stroke[1] = g, state_.stroke[2] = b;
  Log("setStrokeColorRGB " + Num(r) + " " + Num(g) + " " + Num(b));
}

void RecordingCanvas::setLineWidth(double width) {
  state_.line_width = width;
  Log("setLineWidth " + Num(width));
}

void RecordingCanvas::setFillAlpha(double alpha) {
  state_.fill_alpha = alpha;
  Log("setFillAlpha " + Num(alpha));
}

void RecordingCanvas::saveState() {
  saved_.push_back(state_);
  Log("saveState");
}

void RecordingCanvas::restoreState() {
  if (saved_.empty()) {
    restore_underflow_ = true;
  } else {
    state_ = saved_.back();
    saved_.pop_back();
  }
  Log("restoreState");
}

void RecordingCanvas::line(double x1, double y1, double x2, double y2) {
  Log("line " + Num(x1) + " " + Num(y1) + " " + Num(x2) + " " + Num(y2));
}

void RecordingCanvas::rect(double x, double y, double width, double height,
                           bool stroke, bool fill) {
  Log("rect " + Num(x) + " " + Num(y) + " " + Num(width) + " " + Num(height) +
      " stroke=" + Flag(stroke) + " fill=" + Flag(fill));
}

void RecordingCanvas::roundRect(double x, double y, double width, double height,
                                double radius, bool stroke, bool fill) {
  Log("roundRect " + Num(x) + " " + Num(y) + " " + Num(width) + " " +
      Num(height) + " " + Num(radius) + " stroke=" + Flag(stroke) +
      " fill=" + Flag(fill));
}

void RecordingCanvas::drawString(double x, double y, std::string_view text) {
  Log("drawString " + Num(x) + " " + Num(y) + " " + Quoted(text));
}

void RecordingCanvas::drawRightString(double x, double y,
                                      std::string_view text) {
  Log("drawRightString " + Num(x) + " " + Num(y) + " " + Quoted(text));
}

void RecordingCanvas::drawCentredString(double x, double y,
                                        std::string_view text) {
  Log("drawCentredString " + Num(x) + " " + Num(y) + " " + Quoted(text));
}

double RecordingCanvas::stringWidth(std::string_view text, std::string_view,
                                    double size) {
  return 0.5 * size * static_cast<double>(Utf8Length(text));
}

bool RecordingCanvas::drawImage(const std::string& path, double x, double y,
                                std::optional<double> width,
                                std::optional<double> height, bool keep_aspect,
                                ImageAnchor anchor) {
  const bool ok = drawable_.count(path) > 0;
  Log("drawImage " + path + " " + Num(x) + " " + Num(y) + " " +
      (width ? Num(*width) : "-") + " " + (height ? Num(*height) : "-") +
      (keep_aspect ? " keep" : " stretch") +
      (anchor == ImageAnchor::kCentreOn ? " centre" : " box") +
      (ok ? " -> ok" : " -> failed"));
  return ok;
}

bool RecordingCanvas::drawJpeg(JpegPicture picture, double x, double y,
                               double width, double height) {
  Log("drawJpeg " + std::to_string(picture.width) + "x" +
      std::to_string(picture.height) + " " + Num(x) + " " + Num(y) + " " +
      Num(width) + " " + Num(height) + " " + picture.bytes);
  return true;
}

void RecordingCanvas::linkURL(std::string_view url, double x1, double y1,
                              double x2, double y2) {
  Log("linkURL " + std::string(url) + " " + Num(x1) + " " + Num(y1) + " " +
      Num(x2) + " " + Num(y2));
}

void RecordingCanvas::showPage() {
  // A new page starts from the default graphics state.
  state_ = State();
  saved_.clear();
  ++pages_shown_;
  Log("showPage");
}

std::vector<std::string> RecordingCanvas::page(std::size_t index) const {
  std::vector<std::string> lines;
  std::size_t current = 0;
  for (const std::string& line : log_) {
    if (line == "showPage") {
      if (current++ == index) return lines;
      continue;
    }
    if (current == index) lines.push_back(line);
  }
  return lines;
}

class RecordingDocumentFactory::Document : public PdfDocument {
 public:
  Document(RecordingDocumentFactory* factory,
           std::shared_ptr<RecordingCanvas> canvas)
      : factory_(factory), canvas_(std::move(canvas)) {}
  PdfCanvas& canvas() override { return *canvas_; }
  Status SaveProtected(const std::string& path,
                       const std::string& owner_password) override {
    factory_->saves_.push_back({path, owner_password});
    return factory_->save_result_;
  }

 private:
  RecordingDocumentFactory* factory_;
  std::shared_ptr<RecordingCanvas> canvas_;
};

std::unique_ptr<PdfDocument> RecordingDocumentFactory::Create() {
  auto canvas = std::make_shared<RecordingCanvas>();
  for (const std::string& path : drawable_) canvas->AddDrawableImage(path);
  canvases_.push_back(canvas);
  return std::make_unique<Document>(this, canvas);
}

}  // namespace zarvek
