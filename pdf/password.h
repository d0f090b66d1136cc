// The owner password of a report: 32 characters drawn uniformly from the 94
// printable ASCII characters other than the space. A fresh one protects
// each report and is never shown or kept, so nobody (the surveyor included)
// can lift the document's edit and copy restrictions.
#ifndef ZARVEK_PDF_PASSWORD_H_
#define ZARVEK_PDF_PASSWORD_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/random.h"

namespace zarvek {

/// Letters a-z, A-Z, the ten digits, then the 32 ASCII punctuation marks.
inline constexpr std::string_view kPasswordAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
static_assert(kPasswordAlphabet.size() == 94);

inline constexpr std::size_t kOwnerPasswordLength = 32;

/// 32 characters of kPasswordAlphabet, each chosen independently and
/// uniformly from bytes of `random`. Bytes of 188 (2 x 94) and above are
/// thrown away: taking every byte modulo 94 would make the first 68
/// characters half again as likely as the other 26.
std::string GenerateOwnerPassword(RandomSource& random);

}  // namespace zarvek

#endif  // ZARVEK_PDF_PASSWORD_H_
