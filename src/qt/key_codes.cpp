#include "qt/key_codes.h"

#include <cstring>

namespace qmz {

namespace {

// Punctuation keys of a US keyboard, unshifted and shifted, to their key codes.
struct Punctuation {
  char plain;
  char shifted;
  int16_t code;
};
constexpr Punctuation kPunctuation[] = {
    {';', ':', 186},  {'=', '+', 187}, {',', '<', 188},  {'-', '_', 189},
    {'.', '>', 190},  {'/', '?', 191}, {'`', '~', 192},  {'[', '{', 219},
    {'\\', '|', 220}, {']', '}', 221}, {'\'', '"', 222},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";  // Shift+0 to Shift+9

}  // namespace

int16_t VirtualKeyCode(int qt_key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return static_cast<int16_t>(qt_key);
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) {
    return static_cast<int16_t>(keypad ? 96 + (qt_key - Qt::Key_0) : qt_key);
  }
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) {
    return static_cast<int16_t>(112 + (qt_key - Qt::Key_F1));
  }
  if (keypad) {
    switch (qt_key) {
      case Qt::Key_Asterisk:
        return 106;
      case Qt::Key_Plus:
        return 107;
      case Qt::Key_Minus:
        return 109;
      case Qt::Key_Period:
        return 110;
      case Qt::Key_Slash:
        return 111;
      default:
        break;
    }
  }
  switch (qt_key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Pause:
      return 19;
    case Qt::Key_CapsLock:
      return 20;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    case Qt::Key_Menu:
      return 93;
    case Qt::Key_NumLock:
      return 144;
    case Qt::Key_ScrollLock:
      return 145;
    default:
      break;
  }
  if (qt_key > 0x20 && qt_key < 0x7f) {
    const char c = static_cast<char>(qt_key);
    if (const char* digit = std::strchr(kShiftedDigits, c)) {
      return static_cast<int16_t>('0' + (digit - kShiftedDigits));
    }
    for (const Punctuation& key : kPunctuation) {
      if (c == key.plain || c == key.shifted) return key.code;
    }
  }
  return 0;
}

int16_t ShiftMask(Qt::KeyboardModifiers modifiers) {
  int16_t mask = 0;
  if (modifiers & Qt::ShiftModifier) mask |= 1;
  if (modifiers & Qt::ControlModifier) mask |= 2;
  if (modifiers & Qt::AltModifier) mask |= 4;
  return mask;
}

char AccessLetter(int qt_key) {
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)
    return static_cast<char>('a' + (qt_key - Qt::Key_A));
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
    return static_cast<char>('0' + (qt_key - Qt::Key_0));
  return 0;
}

}  // namespace qmz
