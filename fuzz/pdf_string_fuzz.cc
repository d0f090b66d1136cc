// Text drawn on a report page reaches the PDF intact: the finished,
// encrypted document opens without a password, its page holds one string
// per run of the text (pdf_fonts.h FontRuns: the marks CP1252 lacks are set
// in the symbol font), and their bytes are the runs' bytes. Any byte the
// string syntax gives a meaning to ("(", ")", "\", line ends) must be
// escaped so that it neither ends the string early nor changes the text.
#include <cstddef>
#include <cstdint>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "pdf/pdf_fonts.h"
#include "pdf/pdf_writer.h"

namespace {

class Strings : public QPDFObjectHandle::ParserCallbacks {
 public:
  void handleObject(QPDFObjectHandle object) override {
    if (object.isString()) found.push_back(object.getStringValue());
  }
  void handleEOF() override {}
  std::vector<std::string> found;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size > 2000) return 0;  // a line of a page, not a book
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zarvek::PdfWriterDocument document;
  document.drawRightString(300, 400, text);
  std::string pdf;
  FUZZ_CHECK(document.Finish("propietario", &pdf).ok());

  QPDF reader;
  reader.setSuppressWarnings(true);
  reader.processMemoryFile("fuzz.pdf", pdf.data(), pdf.size());
  std::vector<QPDFPageObjectHelper> pages =
      QPDFPageDocumentHelper(reader).getAllPages();
  FUZZ_CHECK(pages.size() == 1);
  Strings strings;
  pages[0].parseContents(&strings);
  FUZZ_CHECK(reader.getWarnings().empty());
  if (text.empty()) {
    FUZZ_CHECK(strings.found.empty());
  } else {
    const std::vector<zarvek::FontRun> runs = zarvek::FontRuns(text);
    FUZZ_CHECK(strings.found.size() == runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
      FUZZ_CHECK(strings.found[i] == runs[i].bytes);
    }
  }
  return 0;
}
