// Test doubles for the report: a canvas that writes one text line per
// drawing call and keeps the graphics state as a real canvas would, and a
// document factory whose documents record their save instead of writing.
//
// Log lines look like
//   setFont Helvetica-Bold 16.00
//   drawString 56.69 700.00 "PUNTO: 100"
//   drawImage /res/R300_R1.png 396.85 600.00 240.94 - keep centre -> ok
// with every number written with two decimals. stringWidth is a query and
// is not logged; it returns 0.5 x size per character (code point), whatever
// the font, so tests can compute the expected positions by hand.
#ifndef ZARVEK_TESTING_RECORDING_CANVAS_H_
#define ZARVEK_TESTING_RECORDING_CANVAS_H_

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pdf/pdf_canvas.h"
#include "pdf/pdf_document.h"

namespace zarvek {

class RecordingCanvas : public PdfCanvas {
 public:
  /// The part of the graphics state that saveState/restoreState keep.
  struct State {
    std::string font;
    double font_size = 0;
    double fill[3] = {0, 0, 0};
    double stroke[3] = {0, 0, 0};
    double line_width = 1;
    double fill_alpha = 1;
    bool operator==(const State& other) const;
  };

  void setFont(std::string_view name, double size) override;
  void setFillColorRGB(double r, double g, double b) override;
  void setStrokeColorRGB(double r, double g, double b) override;
  void setLineWidth(double width) override;
  void setFillAlpha(double alpha) override;
  void saveState() override;
  void restoreState() override;
  void line(double x1, double y1, double x2, double y2) override;
  void rect(double x, double y, double width, double height, bool stroke,
            bool fill) override;
  void roundRect(double x, double y, double width, double height, double radius,
                 bool stroke, bool fill) override;
  void drawString(double x, double y, std::string_view text) override;
  void drawRightString(double x, double y, std::string_view text) override;
  void drawCentredString(double x, double y, std::string_view text) override;
  double stringWidth(std::string_view text, std::string_view font,
                     double size) override;
  bool drawImage(const std::string& path, double x, double y,
                 std::optional<double> width, std::optional<double> height,
                 bool keep_aspect, ImageAnchor anchor) override;
  /// Logged as "drawJpeg <width>x<height> <x> <y> <w> <h> <bytes>";
  /// always succeeds.
  bool drawJpeg(JpegPicture picture, double x, double y, double width,
                double height) override;
  void linkURL(std::string_view url, double x1, double y1, double x2,
               double y2) override;
  void showPage() override;

  /// Makes drawImage succeed for `path`; every other path fails.
  void AddDrawableImage(const std::string& path) { drawable_.insert(path); }

  /// Every call so far, one line each.
  const std::vector<std::string>& log() const { return log_; }
  /// The lines of page `index` (0-based), split at showPage; the page being
  /// drawn is the last one.
  std::vector<std::string> page(std::size_t index) const;
  /// Pages closed with showPage.
  int pages_shown() const { return pages_shown_; }
  /// Open saveState calls.
  int depth() const { return static_cast<int>(saved_.size()); }
  /// True when restoreState was called with nothing saved.
  bool restore_underflow() const { return restore_underflow_; }
  const State& state() const { return state_; }
  void Clear() { log_.clear(); }

 private:
  void Log(std::string line) { log_.push_back(std::move(line)); }

  State state_;
  std::vector<State> saved_;
  bool restore_underflow_ = false;
  int pages_shown_ = 0;
  std::set<std::string> drawable_;
  std::vector<std::string> log_;
};

/// "x" written with two decimals, as in the log.
std::string Num(double x);

/// The SaveProtected calls seen by a RecordingDocumentFactory.
struct SaveCall {
  std::string path;
  std::string owner_password;
};

/// Creates documents that draw on RecordingCanvas objects and record their
/// saves. The canvases outlive the documents, for inspection.
class RecordingDocumentFactory : public PdfDocumentFactory {
 public:
  std::unique_ptr<PdfDocument> Create() override;

  /// Every later SaveProtected fails with `status` (OK to succeed again).
  void FailSavesWith(Status status) { save_result_ = std::move(status); }
  /// Images that the canvases made from now on can draw.
  void AddDrawableImage(const std::string& path) { drawable_.insert(path); }

  const std::vector<SaveCall>& saves() const { return saves_; }
  /// The canvas of the `index`-th document created.
  RecordingCanvas& canvas(std::size_t index) { return *canvases_.at(index); }
  std::size_t documents_created() const { return canvases_.size(); }

 private:
  class Document;
  Status save_result_;
  std::set<std::string> drawable_;
  std::vector<SaveCall> saves_;
  std::vector<std::shared_ptr<RecordingCanvas>> canvases_;
};

}  // namespace zarvek

#endif  // ZARVEK_TESTING_RECORDING_CANVAS_H_
