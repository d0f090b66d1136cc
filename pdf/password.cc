#include "pdf/password.h"

#include <array>
#include <cstdint>

namespace zarvek {

std::string GenerateOwnerPassword(RandomSource& random) {
  constexpr unsigned kAlphabetSize = kPasswordAlphabet.size();
  constexpr unsigned kLimit = 256 / kAlphabetSize * kAlphabetSize;  // 188
  std::string password;
  password.reserve(kOwnerPasswordLength);
  // About 27% of the bytes are refused; a batch of 48 nearly always covers
  // the 32 characters in one request.
  std::array<std::uint8_t, 48> bytes;
  while (password.size() < kOwnerPasswordLength) {
    random.Fill(bytes.data(), bytes.size());
    for (std::uint8_t b : bytes) {
      if (b >= kLimit) continue;
      password.push_back(kPasswordAlphabet[b % kAlphabetSize]);
      if (password.size() == kOwnerPasswordLength) break;
    }
  }
  return password;
}

}  // namespace zarvek
