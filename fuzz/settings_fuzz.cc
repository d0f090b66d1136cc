// The settings file: any bytes read as it is read at start, never more than
// the two folders, and what is written back reads back the same (a value
// that cannot be one line is left out).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "project/settings.h"

namespace {

bool OneLine(const std::string& value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) ==
         std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const zarvek::Settings settings = zarvek::ParseSettings(text);
  FUZZ_CHECK(settings.last_folder.size() <= size);
  FUZZ_CHECK(settings.last_project.size() <= size);
  const zarvek::Settings again =
      zarvek::ParseSettings(zarvek::SerializeSettings(settings));
  FUZZ_CHECK(again.last_folder ==
             (OneLine(settings.last_folder) ? settings.last_folder : ""));
  FUZZ_CHECK(again.last_project ==
             (OneLine(settings.last_project) ? settings.last_project : ""));
  return 0;
}
