// The language of the system's own error texts. The boxes that report a
// failed file operation show strerror's text, which follows the C library's
// messages locale; a program starts in the "C" locale and so speaks English
// on a Spanish desktop until it takes that one category from the
// environment.
#ifndef ZARVEK_PLATFORM_MESSAGES_LOCALE_H_
#define ZARVEK_PLATFORM_MESSAGES_LOCALE_H_

namespace zarvek {

/// Takes the messages category, and only that one, from the environment
/// (LC_ALL, LC_MESSAGES, LANG; LANGUAGE chooses among languages), and has
/// the C library's texts delivered in UTF-8, the encoding the window
/// expects, whatever the character type locale. Numbers, dates and sorting
/// keep the "C" locale. Does nothing when the environment names a locale
/// that is not installed.
void UseDesktopLanguageForMessages();

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_MESSAGES_LOCALE_H_
