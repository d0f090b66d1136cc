// The standard security handler of PDF at revision 4 with AES-128
// (AESV2), applied while the document is written: an empty user password,
// so that every reader opens the file, and an owner password that guards
// the permissions. Printing is allowed at full quality, text extraction
// for accessibility, and filling in the form fields, so that the surveyor
// can sign the document in a reader; modifying, copying, annotating and
// assembling pages are not. Hashing and ciphers come from qpdf's crypto
// provider, which the program links anyway.
#ifndef ZARVEK_PDF_PDF_CRYPT_H_
#define ZARVEK_PDF_PDF_CRYPT_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QPDFCryptoImpl;

namespace zarvek {

/// The permission flags (entry P) of a protected report: print (bits 3 and
/// 12), fill in form fields and sign (bit 9) and accessibility (bit 10)
/// set, bits 4, 5, 6 and 11 clear, the reserved bits as the format
/// requires. Without bit 9 (and with bit 6 clear) readers refuse to sign.
inline constexpr std::int32_t kReportPermissions = -1084;

class PdfEncryption {
 public:
  /// Keys for `owner_password` (its first 32 bytes count, as in every
  /// reader) and the first element of the file's ID. `iv_seed` makes the
  /// initialisation vectors of the encrypted objects unpredictable.
  PdfEncryption(std::string_view owner_password,
                const std::array<std::uint8_t, 16>& file_id,
                const std::array<std::uint8_t, 16>& iv_seed);
  ~PdfEncryption();
  PdfEncryption(const PdfEncryption&) = delete;
  PdfEncryption& operator=(const PdfEncryption&) = delete;

  /// The body of the /Encrypt dictionary, "<<...>>".
  std::string Dictionary() const;

  /// Appends to `*out` the AES-CBC encryption of `plain` (16-byte IV first,
  /// PKCS#5 padding) with the key of object `object_number`, generation 0.
  void Encrypt(int object_number, std::string_view plain, std::string* out);

 private:
  std::shared_ptr<QPDFCryptoImpl> crypto_;
  std::array<std::uint8_t, 16> key_{};
  std::array<std::uint8_t, 32> o_{};
  std::array<std::uint8_t, 32> u_{};
  std::array<std::uint8_t, 16> iv_seed_{};
};

}  // namespace zarvek

#endif  // ZARVEK_PDF_PDF_CRYPT_H_
