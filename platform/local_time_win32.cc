#include "platform/local_time.h"

namespace zarvek {

bool LocalTime(std::time_t when, std::tm* local) {
  *local = std::tm{};
  if (localtime_s(local, &when) == 0) return true;
  *local = std::tm{};
  return false;
}

}  // namespace zarvek
