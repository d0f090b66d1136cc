// Encryption of a finished PDF with the standard security handler: AES-128
// (revision 4), an empty user password so that any reader opens the file,
// and an owner password that guards the permissions. Printing is allowed
// at full quality; modifying, copying text, annotating, filling forms and
// assembling pages are not. Done with qpdf, which sets the permission bits
// correctly (libharu's own encryption clears the high-quality print bit).
#ifndef ZARVEK_PLATFORM_PDF_PROTECT_H_
#define ZARVEK_PLATFORM_PDF_PROTECT_H_

#include <string>

#include "platform/status.h"

namespace zarvek {

/// How qpdf rewrites the document besides encrypting it. The defaults are
/// the fastest measured: streams keep their Flate data as they are, and
/// small objects go unchanged (no object streams, no linearisation).
struct ProtectOptions {
  /// Pack small objects into compressed object streams (smaller file,
  /// slower).
  bool object_streams = false;
};

/// Encrypts the PDF `plain` for `owner_password` into `*encrypted`.
/// `plain` must stay alive during the call (qpdf reads it in place).
/// A document qpdf cannot read gives an error status with qpdf's text;
/// `*encrypted` is then empty.
Status ProtectPdf(const std::string& plain, const std::string& owner_password,
                  std::string* encrypted,
                  const ProtectOptions& options = ProtectOptions());

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_PDF_PROTECT_H_
