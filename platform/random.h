// RandomSource hands out unpredictable bytes. It is an interface so that
// tests can inject a fixed sequence (testing/fixed_random.h); the real one
// reads the operating system's secure generator.
#ifndef ZARVEK_PLATFORM_RANDOM_H_
#define ZARVEK_PLATFORM_RANDOM_H_

#include <cstddef>
#include <cstdint>

namespace zarvek {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  /// Fills `out` with `n` random bytes. Never fails silently: the real
  /// source aborts the run with an exception if the system cannot deliver.
  virtual void Fill(std::uint8_t* out, std::size_t n) = 0;
};

/// The operating system's cryptographically secure generator (getrandom).
RandomSource& SystemRandom();

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_RANDOM_H_
