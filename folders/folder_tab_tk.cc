// The first tab: project folder structure.
#include "app/zarvek_core.h"

namespace zarvek {

void ZarvekCertificacionApp::_setup_tab_carpetas() {}
void ZarvekCertificacionApp::generar_lista_codigos_consecutivos() {}
void ZarvekCertificacionApp::crear_estructura_carpetas() {}

}  // namespace zarvek
