#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/random.h"

namespace zarvek {
namespace {

class GetrandomSource : public RandomSource {
 public:
  void Fill(std::uint8_t* out, std::size_t n) override {
    while (n > 0) {
      const ssize_t got = ::getrandom(out, n, 0);
      if (got < 0) {
        if (errno == EINTR) continue;
        throw std::runtime_error(std::string("getrandom: ") +
                                 std::strerror(errno));
      }
      out += got;
      n -= static_cast<std::size_t>(got);
    }
  }
};

}  // namespace

RandomSource& SystemRandom() {
  static GetrandomSource source;
  return source;
}

}  // namespace zarvek
