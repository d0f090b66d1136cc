// Deterministic RandomSource doubles: a seeded pseudo-random stream for
// statistical checks, and a scripted one that hands out given bytes.
#ifndef ZARVEK_TESTING_SEEDED_RANDOM_H_
#define ZARVEK_TESTING_SEEDED_RANDOM_H_

#include <cstdint>
#include <vector>

#include "platform/random.h"

namespace zarvek {

/// SplitMix64: well spread bytes, the same for the same seed.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
  void Fill(std::uint8_t* out, std::size_t n) override {
    for (std::size_t i = 0; i < n; ++i) {
      if (left_ == 0) word_ = Next(), left_ = 8;
      out[i] = static_cast<std::uint8_t>(word_);
      word_ >>= 8, --left_;
    }
  }

 private:
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t state_;
  std::uint64_t word_ = 0;
  int left_ = 0;
};

/// Hands out `bytes` in order, then zeros.
class ScriptedRandom : public RandomSource {
 public:
  explicit ScriptedRandom(std::vector<std::uint8_t> bytes)
      : bytes_(std::move(bytes)) {}
  void Fill(std::uint8_t* out, std::size_t n) override {
    for (std::size_t i = 0; i < n; ++i) {
      out[i] = next_ < bytes_.size() ? bytes_[next_++] : 0;
    }
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t next_ = 0;
};

}  // namespace zarvek

#endif  // ZARVEK_TESTING_SEEDED_RANDOM_H_
