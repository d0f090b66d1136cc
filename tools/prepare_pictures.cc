// Build step: for every PNG named on the command line that a report cannot
// embed as it is, writes its prepared copy "<name>.pdfimg" into the output
// folder (pdf/pdf_picture.h).
//   prepare_pictures OUTPUT_DIR PICTURE.png...
#include <cstdio>
#include <filesystem>
#include <string>

#include "pdf/pdf_picture.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR PICTURE.png...\n", argv[0]);
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path out_dir = argv[1];
  std::error_code ec;
  fs::create_directories(out_dir, ec);
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string png = argv[i];
    if (zarvek::EmbedsDirectly(png)) continue;
    const std::string out = (out_dir / fs::path(png).filename()).string() +
                            std::string(zarvek::kPreparedPictureSuffix);
    const zarvek::Status s = zarvek::PreparePictureFile(png, out);
    if (!s.ok()) {
      std::fprintf(stderr, "%s\n", s.message().c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
