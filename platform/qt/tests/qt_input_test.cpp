#include "platform/qt/qt_input.h"

#include <gtest/gtest.h>

#include "platform/draw/cursors.h"
#include "platform/gui/messages.h"

namespace {

TEST(QtInputTest, KeysMapToClassicVirtualKeys) {
  struct {
    int Key;
    Qt::KeyboardModifiers Modifiers;
    std::uint32_t ScanCode;
    unsigned Expected;
  } cases[] = {
      {Qt::Key_A, Qt::NoModifier, 0, 'A'},
      {Qt::Key_Z, Qt::ShiftModifier, 0, 'Z'},
      {Qt::Key_5, Qt::NoModifier, 0, '5'},
      {Qt::Key_Percent, Qt::ShiftModifier, 0, '5'},
      {Qt::Key_5, Qt::KeypadModifier, 0, VK_NUMPAD5},
      {Qt::Key_Asterisk, Qt::KeypadModifier, 0, VK_MULTIPLY},
      {Qt::Key_Plus, Qt::KeypadModifier, 0, VK_ADD},
      {Qt::Key_Minus, Qt::KeypadModifier, 0, VK_SUBTRACT},
      {Qt::Key_Minus, Qt::NoModifier, 0, VK_OEM_MINUS},
      {Qt::Key_Home, Qt::KeypadModifier, 0, VK_HOME},
      {Qt::Key_Enter, Qt::KeypadModifier, 0, VK_RETURN},
      {Qt::Key_Return, Qt::NoModifier, 0, VK_RETURN},
      {Qt::Key_Backtab, Qt::ShiftModifier, 0, VK_TAB},
      {Qt::Key_Escape, Qt::NoModifier, 0, VK_ESCAPE},
      {Qt::Key_PageUp, Qt::NoModifier, 0, VK_PRIOR},
      {Qt::Key_PageDown, Qt::NoModifier, 0, VK_NEXT},
      {Qt::Key_Delete, Qt::NoModifier, 0, VK_DELETE},
      {Qt::Key_Insert, Qt::NoModifier, 0, VK_INSERT},
      {Qt::Key_F2, Qt::NoModifier, 0, VK_F2},
      {Qt::Key_F12, Qt::NoModifier, 0, VK_F12},
      {Qt::Key_Control, Qt::NoModifier, 0, VK_CONTROL},
      {Qt::Key_Alt, Qt::NoModifier, 0, VK_MENU},
      {Qt::Key_Apostrophe, Qt::NoModifier, 0, 222},
      {Qt::Key_QuoteDbl, Qt::ShiftModifier, 0, 222},
      // A Cyrillic layout: the Latin key at the same place.
      {0x0410, Qt::NoModifier, 41, 'F'},
      {0x042D, Qt::NoModifier, 48, 222},
      {0x0410, Qt::NoModifier, 0, 0},
      {Qt::Key_unknown, Qt::NoModifier, 41, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VirtualKeyFromQt(c.Key, c.Modifiers, c.ScanCode), c.Expected) << std::hex << c.Key;
}

TEST(QtInputTest, MouseKeysAndCursors) {
  EXPECT_EQ(MouseKeysFromQt(Qt::LeftButton | Qt::RightButton, Qt::ControlModifier),
            MK_LBUTTON | MK_RBUTTON | MK_CONTROL);
  EXPECT_EQ(MouseKeysFromQt(Qt::MiddleButton, Qt::ShiftModifier | Qt::AltModifier),
            MK_MBUTTON | MK_SHIFT | MK_ALT);
  EXPECT_EQ(CursorShapeFromClassic(crDefault), Qt::ArrowCursor);
  EXPECT_EQ(CursorShapeFromClassic(crIBeam), Qt::IBeamCursor);
  EXPECT_EQ(CursorShapeFromClassic(crHourGlass), Qt::WaitCursor);
  EXPECT_EQ(CursorShapeFromClassic(crHSplit), Qt::SplitHCursor);
  EXPECT_EQ(CursorShapeFromClassic(crSizeNWSE), Qt::SizeFDiagCursor);
  EXPECT_EQ(CursorShapeFromClassic(5), Qt::ArrowCursor);
}

}  // namespace
