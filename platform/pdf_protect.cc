#include "platform/pdf_protect.h"

#include <exception>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

namespace zarvek {

Status ProtectPdf(const std::string& plain, const std::string& owner_password,
                  std::string* encrypted, const ProtectOptions& options) {
  encrypted->clear();
  try {
    QPDF pdf;
    // Our input comes from libharu; anything qpdf had to repair in it is
    // repaired in the output too, so warnings are not printed.
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("informe", plain.data(), plain.size());

    std::string out;
    Pl_String sink("informe cifrado", nullptr, out);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&sink);
    // libharu has already compressed the page contents and the pictures;
    // decoding and compressing them again would only cost time.
    switch (options.streams) {
      case ProtectOptions::Streams::kPreserve:
        writer.setCompressStreams(false);
        writer.setDecodeLevel(qpdf_dl_none);
        break;
      case ProtectOptions::Streams::kDefault:
        break;
      case ProtectOptions::Streams::kRecompress:
        writer.setRecompressFlate(true);
        break;
    }
    writer.setObjectStreamMode(options.object_streams ? qpdf_o_generate
                                                      : qpdf_o_disable);
    writer.setLinearization(false);
    writer.setR4EncryptionParametersInsecure(
        "", owner_password.c_str(), /*allow_accessibility=*/true,
        /*allow_extract=*/false, /*allow_assemble=*/false,
        /*allow_annotate_and_form=*/false, /*allow_form_filling=*/false,
        /*allow_modify_other=*/false, qpdf_r3p_full,
        /*encrypt_metadata=*/true, /*use_aes=*/true);
    writer.write();
    *encrypted = std::move(out);
    return Status::OK();
  } catch (const std::exception& e) {
    return Status::Error(std::string("no se pudo cifrar el PDF: ") + e.what());
  }
}

}  // namespace zarvek
