// The warning the report's success box ends with when the RINEX column
// still shows points whose observation files do not hold their ARP height
// ("✗") or could not be read ("?"): the report certifies a height that the
// processing will not use unless those files are mended. Pure: the states
// come from the RINEX column through the composition root.
#ifndef ZARVEK_RINEX_RINEX_WARNING_H_
#define ZARVEK_RINEX_RINEX_WARNING_H_

#include <cstddef>
#include <string>
#include <vector>

#include "rinex/rinex_verdict.h"

namespace zarvek {

/// The report's box names at most this many codes on each line, then how
/// many more.
inline constexpr std::size_t kListedRinexCodes = 10;

/// `text` followed, when some point is kMismatch, kUnreadable or kPending
/// (its files not read yet: the report does not wait for them), by
/// "\n\nRINEX POR REVISAR ANTES DEL PROCESADO:", then a line
/// "\nDELTA H DISTINTO DE LA ALTURA ARP (✗): <codes>.", a line
/// "\nSIN COMPROBAR (?): <codes>." and a line "\nSIN COMPROBAR TODAVÍA,
/// LECTURA EN CURSO (…): <codes>." (each only when it has codes), the codes
/// in the order given, comma separated, the first kListedRinexCodes of
/// them, then ", … Y <n> MÁS". `text` unchanged otherwise.
std::string WithRinexWarning(std::string text,
                             const std::vector<PointRinexState>& points);

}  // namespace zarvek

#endif  // ZARVEK_RINEX_RINEX_WARNING_H_
