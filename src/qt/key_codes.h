// Qt keys as the forms know them: Windows virtual-key codes (Enter 13, Esc 27, F9 120, A to Z
// 65 to 90, ...) and the shift mask of the key events (1 Shift, 2 Ctrl, 4 Alt). Punctuation
// maps as on a US keyboard (the quote key is 222 whether shifted or not), since that is what
// the forms compare against. Pure functions: no state, any thread, nothing fails.
#pragma once

#include <cstdint>

#include <Qt>

namespace qmz {

// The key code of a Qt key; 0 for a key without one (the caller then sends only its text).
int16_t VirtualKeyCode(int qt_key, Qt::KeyboardModifiers modifiers);
int16_t ShiftMask(Qt::KeyboardModifiers modifiers);
// The access-key letter of Alt+key: 'a' to 'z' or '0' to '9'; 0 for other keys.
char AccessLetter(int qt_key);

}  // namespace qmz
