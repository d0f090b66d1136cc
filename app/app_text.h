// Fixed texts of the main window that are the program's own choice.
#ifndef ZARVEK_APP_APP_TEXT_H_
#define ZARVEK_APP_APP_TEXT_H_

namespace zarvek {

/// The product's name, as the window's title begins and as Windows shows
/// the program (installer, Start menu, Apps list, the PDF's Creator); the
/// maker, Zarvek, is named only as such.
inline constexpr const char* kProductName = "QUENTARO";

/// The program as the reports name their creator: the product and the
/// version that the window's title gives.
inline constexpr const char* kPdfCreator = "QUENTARO V1.1";

inline constexpr const char* kWindowTitle =
    "QUENTARO - GESTIÓN DE EXPEDIENTE Y CERTIFICACIÓN DE PG V1.1 (FREE)";

/// The credit line under the logo in the window header.
inline constexpr const char* kCreditLine =
    "DESARROLLADO POR EL EQUIPO ZARVEK · HERRAMIENTA DE CERTIFICACIÓN GNSS";

inline constexpr const char* kIconFile = "ICONO_QUENTARO.png";
inline constexpr const char* kLogoFile = "LOGO_QUENTARO.png";
/// The folder picture of BUSCAR, drawn for 96 and 192 dpi.
inline constexpr const char* kFolderPicture1x = "CARPETA_16.png";
inline constexpr const char* kFolderPicture2x = "CARPETA_32.png";

}  // namespace zarvek

#endif  // ZARVEK_APP_APP_TEXT_H_
