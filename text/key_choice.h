// Which choice of a list a typed key picks, as native lists do: the next one
// that starts with the key's character. Pure, for the combobox habit of
// ui/keyboard_tk.h.
#ifndef ZARVEK_TEXT_KEY_CHOICE_H_
#define ZARVEK_TEXT_KEY_CHOICE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zarvek {

/// The index of the choice a typed key picks: the first of `choices` after
/// `current` (wrapping round; -1 starts at the top) whose first character
/// is the key's, letters compared without case; -1 when none does or the
/// key is no printable character. `keysym` is X's key symbol number (Tk's
/// %N): Latin-1 characters are their own code, others 0x1000000 + code.
int NextChoiceForKey(const std::vector<std::string>& choices, int current,
                     std::uint32_t keysym);

}  // namespace zarvek

#endif  // ZARVEK_TEXT_KEY_CHOICE_H_
