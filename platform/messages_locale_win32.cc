#include "platform/messages_locale.h"

namespace zarvek {

// Windows gives its error texts (FormatMessageW) in the user's display
// language already, and the C library's locale plays no part in them: there
// is nothing to take from the environment.
void UseDesktopLanguageForMessages() {}

}  // namespace zarvek
