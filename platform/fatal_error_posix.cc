#include <cstdio>

#include "platform/fatal_error.h"

namespace zarvek {

void ReportFatalError(const std::string& message) {
  std::fprintf(stderr, "zarvek: %s\n", message.c_str());
}

}  // namespace zarvek
