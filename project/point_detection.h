// Point detection: finds the point codes of a project from the names of its
// numbered point folders ("4. 12345" inside "2. DATOS GNSS") and orders them
// by integer value. A
// point code is a text of ASCII digits; its text is kept as written (leading
// zeros stay), and codes are compared by value without any integer type, so
// codes of any length sort right.
#ifndef ZARVEK_PROJECT_POINT_DETECTION_H_
#define ZARVEK_PROJECT_POINT_DETECTION_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"
#include "platform/status.h"
#include "project/layout.h"
#include "text/ascii_text.h"

namespace zarvek {

/// The most rows the measurement table builds. Detection itself has no
/// limit; the table refuses longer lists with a message rather than build
/// tens of thousands of widgets.
inline constexpr size_t kMaxTableRows = 1000;

/// What is said of a project with more points than kMaxTableRows:
/// "DEMASIADOS PUNTOS EN EL PROYECTO (MÁXIMO 1000)".
std::string TooManyPointsText();

/// The codes read from directory entry names, in the given order: the code
/// of every name that ParsePointFolderName (project/layout.h) reads as a
/// point folder's. "4. 12345" -> "12345", "4.12345" -> "12345", "7.0042.txt"
/// -> "0042"; "4. 12 345", "A. 12345", "2. EFEMERIDES" and
/// "CONVERSION DE ALTURA.pdf" yield nothing.
std::vector<std::string> CodesFromEntryNames(
    const std::vector<std::string>& names);

/// True when the integer value of code `a` is less than that of `b`.
/// REQUIRES: both are non-empty strings of the ASCII digits 0-9.
/// Leading zeros are ignored; "7" and "007" are equal in value.
bool CodeValueLess(std::string_view a, std::string_view b);

/// Sorts codes by integer value, ascending; codes of equal value keep their
/// order.
void SortCodesByValue(std::vector<std::string>& codes);

/// Detects the codes of the project that the folder `ruta_base` opens. The
/// scanned folder is ProjectLayout::ForChosenFolder(fs, ruta_base)
/// .PointsDir(): the project's "2. DATOS GNSS" whether the project folder,
/// that folder or a point's folder (or its RINEX or NATIVA) was chosen. Every
/// entry name of it, files and folders, goes through CodesFromEntryNames;
/// the result is sorted by SortCodesByValue. A project without point folders
/// has no points: the codes typed in the folder tab may belong to any other
/// project, and rows for them would be saved into this one's file.
///
/// On success *codes is replaced (possibly by an empty list; always so for a
/// folder that is not a project, which has no "2. DATOS GNSS"). When the
/// scanned folder cannot be listed, the listing's error is returned and
/// *codes is left unchanged. An empty `ruta_base` means there is no project:
/// OK is returned and *codes is left unchanged (callers skip detection in
/// that case).
Status DetectProjectCodes(FileSystem& fs, const std::string& ruta_base,
                          std::vector<std::string>* codes);

}  // namespace zarvek

#endif  // ZARVEK_PROJECT_POINT_DETECTION_H_
