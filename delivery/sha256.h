// SHA-256, fed in pieces, for the package's manifest: the digest of every
// file as it streams into the archive, printed as `sha256sum` prints it.
#ifndef ZARVEK_DELIVERY_SHA256_H_
#define ZARVEK_DELIVERY_SHA256_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarvek {

class Sha256 {
 public:
  Sha256() { Reset(); }
  void Reset();
  void Update(std::string_view bytes);
  /// The digest of everything given since the last Reset, as 64 lower-case
  /// hexadecimal digits. The object starts over afterwards.
  std::string HexDigest();

 private:
  void Block(const unsigned char* block);

  std::array<std::uint32_t, 8> state_;
  std::array<unsigned char, 64> pending_;
  std::size_t pending_size_ = 0;
  std::uint64_t total_ = 0;
};

}  // namespace zarvek

#endif  // ZARVEK_DELIVERY_SHA256_H_
