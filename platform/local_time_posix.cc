#include "platform/local_time.h"

namespace zarvek {

bool LocalTime(std::time_t when, std::tm* local) {
  *local = std::tm{};
  if (localtime_r(&when, local) != nullptr) return true;
  *local = std::tm{};
  return false;
}

}  // namespace zarvek
