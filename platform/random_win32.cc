// The system's preferred generator through BCryptGenRandom (CNG).
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <stdexcept>
#include <string>

#include "platform/random.h"

namespace zarvek {
namespace {

class BcryptSource : public RandomSource {
 public:
  void Fill(std::uint8_t* out, std::size_t n) override {
    while (n > 0) {
      const ULONG chunk = n > 0x10000000 ? 0x10000000 : static_cast<ULONG>(n);
      const NTSTATUS status =
          BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
      if (status < 0) {
        throw std::runtime_error("BCryptGenRandom: error " +
                                 std::to_string(static_cast<long>(status)));
      }
      out += chunk;
      n -= chunk;
    }
  }
};

}  // namespace

RandomSource& SystemRandom() {
  static BcryptSource source;
  return source;
}

}  // namespace zarvek
