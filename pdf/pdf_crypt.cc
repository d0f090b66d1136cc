#include "pdf/pdf_crypt.h"

#include <algorithm>
#include <cstring>
#include <qpdf/QPDFCryptoImpl.hh>
#include <qpdf/QPDFCryptoProvider.hh>

namespace zarvek {
namespace {

// The padding string that completes every password to 32 bytes.
constexpr std::uint8_t kPad[32] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
    0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
    0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

using Digest = std::array<std::uint8_t, 16>;

std::array<std::uint8_t, 32> Padded(std::string_view password) {
  std::array<std::uint8_t, 32> out;
  const std::size_t n = std::min<std::size_t>(password.size(), 32);
  std::memcpy(out.data(), password.data(), n);
  std::memcpy(out.data() + n, kPad, 32 - n);
  return out;
}

class Md5 {
 public:
  explicit Md5(QPDFCryptoImpl& c) : c_(c) { c_.MD5_init(); }
  Md5& Add(const void* data, std::size_t n) {
    c_.MD5_update(static_cast<const unsigned char*>(data), n);
    return *this;
  }
  Digest Finish() {
    Digest d;
    c_.MD5_finalize();
    c_.MD5_digest(d.data());
    return d;
  }

 private:
  QPDFCryptoImpl& c_;
};

// RC4 of `data` in place with `key`.
void Rc4(QPDFCryptoImpl& c, const Digest& key, std::uint8_t* data,
         std::size_t n) {
  c.RC4_init(key.data(), static_cast<int>(key.size()));
  c.RC4_process(data, n, data);
  c.RC4_finalize();
}

// Encrypts in place with RC4 under `key`, then 19 more times under `key`
// with every byte XORed with the round number.
void Rc4Rounds(QPDFCryptoImpl& c, const Digest& key, std::uint8_t* data,
               std::size_t n) {
  for (int round = 0; round < 20; ++round) {
    Digest k = key;
    for (auto& b : k) b ^= static_cast<std::uint8_t>(round);
    Rc4(c, k, data, n);
  }
}

std::string HexString(const std::uint8_t* data, std::size_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "<";
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 0xF]);
  }
  return out + ">";
}

}  // namespace

PdfEncryption::PdfEncryption(std::string_view owner_password,
                             const std::array<std::uint8_t, 16>& file_id,
                             const std::array<std::uint8_t, 16>& iv_seed)
    : crypto_(QPDFCryptoProvider::getImpl()), iv_seed_(iv_seed) {
  QPDFCryptoImpl& c = *crypto_;
  const auto user = Padded("");

  // O: the padded user password under a key made from the owner password.
  const auto owner = Padded(owner_password);
  Digest owner_key = Md5(c).Add(owner.data(), owner.size()).Finish();
  for (int i = 0; i < 50; ++i) {
    owner_key = Md5(c).Add(owner_key.data(), owner_key.size()).Finish();
  }
  o_ = user;
  Rc4Rounds(c, owner_key, o_.data(), o_.size());

  // The document key from the user password, O, P and the file ID.
  const std::uint32_t p = static_cast<std::uint32_t>(kReportPermissions);
  const std::uint8_t p_bytes[4] = {
      static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 8),
      static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 24)};
  key_ = Md5(c)
             .Add(user.data(), user.size())
             .Add(o_.data(), o_.size())
             .Add(p_bytes, 4)
             .Add(file_id.data(), file_id.size())
             .Finish();
  for (int i = 0; i < 50; ++i) {
    key_ = Md5(c).Add(key_.data(), key_.size()).Finish();
  }

  // U: the hash of the padding and the ID, encrypted in 20 rounds, then 16
  // bytes of filler.
  Digest u = Md5(c).Add(kPad, 32).Add(file_id.data(), file_id.size()).Finish();
  Rc4Rounds(c, key_, u.data(), u.size());
  std::copy(u.begin(), u.end(), u_.begin());
  std::copy(kPad, kPad + 16, u_.begin() + 16);
}

PdfEncryption::~PdfEncryption() = default;

std::string PdfEncryption::Dictionary() const {
  return "<</Filter/Standard/V 4/R 4/Length 128/CF<</StdCF<</AuthEvent"
         "/DocOpen/CFM/AESV2/Length 16>>>>/StmF/StdCF/StrF/StdCF/O" +
         HexString(o_.data(), o_.size()) + "/U" +
         HexString(u_.data(), u_.size()) + "/P " +
         std::to_string(kReportPermissions) + ">>";
}

void PdfEncryption::Encrypt(int object_number, std::string_view plain,
                            std::string* out) {
  QPDFCryptoImpl& c = *crypto_;
  const auto n = static_cast<std::uint32_t>(object_number);
  const std::uint8_t suffix[9] = {static_cast<std::uint8_t>(n),
                                  static_cast<std::uint8_t>(n >> 8),
                                  static_cast<std::uint8_t>(n >> 16),
                                  0,
                                  0,
                                  's',
                                  'A',
                                  'l',
                                  'T'};
  const Digest object_key =
      Md5(c).Add(key_.data(), key_.size()).Add(suffix, sizeof suffix).Finish();
  const std::uint8_t number[4] = {suffix[0], suffix[1], suffix[2],
                                  static_cast<std::uint8_t>(n >> 24)};
  Digest iv = Md5(c)
                  .Add(iv_seed_.data(), iv_seed_.size())
                  .Add(number, sizeof number)
                  .Finish();

  const std::size_t blocks = plain.size() / 16 + 1;
  const std::size_t start = out->size();
  out->resize(start + 16 + blocks * 16);
  auto* dst = reinterpret_cast<unsigned char*>(out->data() + start);
  std::memcpy(dst, iv.data(), 16);
  dst += 16;
  c.rijndael_init(true, object_key.data(), object_key.size(), true, iv.data());
  unsigned char block[16];
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t offset = b * 16;
    const std::size_t take =
        offset < plain.size() ? std::min<std::size_t>(16, plain.size() - offset)
                              : 0;
    std::memcpy(block, plain.data() + offset, take);
    std::memset(block + take, static_cast<int>(16 - take), 16 - take);
    c.rijndael_process(block, dst + offset);
  }
  c.rijndael_finalize();
}

}  // namespace zarvek
