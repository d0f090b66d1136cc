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

/// How qpdf rewrites the document besides encrypting it (never linearised).
/// The defaults are what pdf_bench measured best: streams keep the Flate
/// data libharu wrote, and the small objects (page dictionaries, links) are
/// packed into compressed object streams, which saves about 600 bytes a
/// page for a few percent more time.
struct ProtectOptions {
  enum class Streams {
    kPreserve,   ///< copy stream data as it is (only encrypted)
    kDefault,    ///< qpdf's default: decode simple filters, compress
    kRecompress  ///< also decode and compress again Flate streams
  };
  Streams streams = Streams::kPreserve;
  bool object_streams = true;
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
