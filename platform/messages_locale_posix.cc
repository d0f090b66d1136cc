#include <libintl.h>

#include <clocale>

#include "platform/messages_locale.h"

namespace zarvek {

void UseDesktopLanguageForMessages() {
  if (std::setlocale(LC_MESSAGES, "") == nullptr) return;
  // "libc" is the C library's own message domain (strerror and friends).
  ::bind_textdomain_codeset("libc", "UTF-8");
}

}  // namespace zarvek
