#include "qt/key_codes.h"

#include <gtest/gtest.h>

#include "platform/ui/controls.h"

namespace qmz {
namespace {

TEST(QtKeyCodesTest, QtKeysBecomeTheFormsKeyCodes) {
  EXPECT_EQ(VirtualKeyCode(Qt::Key_Enter, Qt::KeypadModifier), kKeyEnter);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_F9, {}), kKeyF9);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_PageDown, {}), kKeyPageDown);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_Exclam, Qt::ShiftModifier), '1');
  EXPECT_EQ(VirtualKeyCode(Qt::Key_QuoteDbl, Qt::ShiftModifier), 222);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_5, Qt::KeypadModifier), 101);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_unknown, {}), 0);
  EXPECT_EQ(ShiftMask(Qt::ShiftModifier | Qt::AltModifier), 5);
  EXPECT_EQ(AccessLetter(Qt::Key_O), 'o');
}

}  // namespace
}  // namespace qmz
