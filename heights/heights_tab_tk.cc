// The second tab: project folder, point detection and measurement table.
#include "app/zarvek_core.h"

namespace zarvek {

void ZarvekCertificacionApp::_setup_tab_alturas() {}
void ZarvekCertificacionApp::seleccionar_directorio_trabajo() {}
void ZarvekCertificacionApp::detectar_codigos_existentes() {}
void ZarvekCertificacionApp::construir_tabla_filas() {}
void ZarvekCertificacionApp::_on_row_rec_change(size_t) {}
void ZarvekCertificacionApp::_on_row_type_change(size_t) {}
void ZarvekCertificacionApp::_on_row_acc_change(size_t) {}

}  // namespace zarvek
