#include "app/command_line.h"

#include <algorithm>

namespace zarvek {

bool AsksForNewWindow(const std::vector<std::string_view>& args) {
  return std::find(args.begin(), args.end(), kNewWindowOption) != args.end();
}

}  // namespace zarvek
