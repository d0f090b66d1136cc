// The report command of the second tab.
#include "app/zarvek_core.h"

namespace zarvek {

void ZarvekCertificacionApp::generar_pdf_conversion() {}

}  // namespace zarvek
