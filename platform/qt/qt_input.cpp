#include "platform/qt/qt_input.h"

#include <array>

#include "platform/draw/cursors.h"
#include "platform/gui/messages.h"

namespace {

// X keycodes (evdev) of the keys that carry letters, digits and
// punctuation, with the virtual key of the US layout at that place.
struct TScanKey {
  std::uint32_t Code;
  unsigned Key;
};
constexpr std::array<TScanKey, 47> kScanKeys{{
    {10, '1'},           {11, '2'},         {12, '3'},      {13, '4'},      {14, '5'},
    {15, '6'},           {16, '7'},         {17, '8'},      {18, '9'},      {19, '0'},
    {20, VK_OEM_MINUS},  {21, VK_OEM_PLUS}, {24, 'Q'},      {25, 'W'},      {26, 'E'},
    {27, 'R'},           {28, 'T'},         {29, 'Y'},      {30, 'U'},      {31, 'I'},
    {32, 'O'},           {33, 'P'},         {34, VK_OEM_4}, {35, VK_OEM_6}, {38, 'A'},
    {39, 'S'},           {40, 'D'},         {41, 'F'},      {42, 'G'},      {43, 'H'},
    {44, 'J'},           {45, 'K'},         {46, 'L'},      {47, VK_OEM_1}, {48, VK_OEM_7},
    {49, VK_OEM_3},      {51, VK_OEM_5},    {52, 'Z'},      {53, 'X'},      {54, 'C'},
    {55, 'V'},           {56, 'B'},         {57, 'N'},      {58, 'M'},      {59, VK_OEM_COMMA},
    {60, VK_OEM_PERIOD}, {61, VK_OEM_2},
}};

unsigned KeypadKey(int key) {
  switch (key) {
    case Qt::Key_Asterisk:
      return VK_MULTIPLY;
    case Qt::Key_Plus:
      return VK_ADD;
    case Qt::Key_Minus:
      return VK_SUBTRACT;
    case Qt::Key_Slash:
      return VK_DIVIDE;
    case Qt::Key_Period:
    case Qt::Key_Comma:
      return VK_DECIMAL;
    default:
      if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return VK_NUMPAD0 + static_cast<unsigned>(key - Qt::Key_0);
      return 0;
  }
}

unsigned SpecialKey(int key) {
  switch (key) {
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Pause:
      return VK_PAUSE;
    case Qt::Key_Print:
      return VK_SNAPSHOT;
    case Qt::Key_Clear:
      return VK_CLEAR;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return VK_MENU;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
      return VK_LWIN;
    case Qt::Key_Super_R:
      return VK_RWIN;
    case Qt::Key_Menu:
      return VK_APPS;
    case Qt::Key_CapsLock:
      return VK_CAPITAL;
    case Qt::Key_NumLock:
      return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
      return VK_SCROLL;
    case Qt::Key_Help:
      return VK_HELP;
    case Qt::Key_Space:
      return VK_SPACE;
    default:
      if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + static_cast<unsigned>(key - Qt::Key_F1);
      return 0;
  }
}

// Printable ASCII keys as they sit on the US layout.
unsigned AsciiKey(int key) {
  if (key >= 'A' && key <= 'Z') return static_cast<unsigned>(key);
  if (key >= '0' && key <= '9') return static_cast<unsigned>(key);
  switch (key) {
    case Qt::Key_Exclam:
      return '1';
    case Qt::Key_At:
      return '2';
    case Qt::Key_NumberSign:
      return '3';
    case Qt::Key_Dollar:
      return '4';
    case Qt::Key_Percent:
      return '5';
    case Qt::Key_AsciiCircum:
      return '6';
    case Qt::Key_Ampersand:
      return '7';
    case Qt::Key_Asterisk:
      return '8';
    case Qt::Key_ParenLeft:
      return '9';
    case Qt::Key_ParenRight:
      return '0';
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      return VK_OEM_MINUS;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
      return VK_OEM_PLUS;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
      return VK_OEM_4;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
      return VK_OEM_6;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
      return VK_OEM_1;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
      return VK_OEM_7;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
      return VK_OEM_3;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
      return VK_OEM_5;
    case Qt::Key_Comma:
    case Qt::Key_Less:
      return VK_OEM_COMMA;
    case Qt::Key_Period:
    case Qt::Key_Greater:
      return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question:
      return VK_OEM_2;
    default:
      return 0;
  }
}

}  // namespace

unsigned VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers, std::uint32_t nativeScanCode) {
  if (modifiers & Qt::KeypadModifier) {
    if (unsigned k = KeypadKey(key)) return k;
  }
  if (unsigned k = SpecialKey(key)) return k;
  if (unsigned k = AsciiKey(key)) return k;
  // A letter of another layout: the key at the same place.
  if (key >= Qt::Key_Escape) return 0;
  for (const TScanKey& s : kScanKeys)
    if (s.Code == nativeScanCode) return s.Key;
  return 0;
}

unsigned MouseKeysFromQt(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned keys = 0;
  if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
  if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
  if (modifiers & Qt::AltModifier) keys |= MK_ALT;
  return keys;
}

Qt::CursorShape CursorShapeFromClassic(int cursor) {
  switch (cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crUpArrow:
      return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
      return Qt::WaitCursor;
    case crDrag:
      return Qt::DragMoveCursor;
    case crMultiDrag:
      return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
      return Qt::ForbiddenCursor;
    case crHSplit:
      return Qt::SplitHCursor;
    case crVSplit:
      return Qt::SplitVCursor;
    case crAppStart:
      return Qt::BusyCursor;
    case crHelp:
      return Qt::WhatsThisCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    case crSizeAll:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}
