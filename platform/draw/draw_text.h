// DrawText: the classic formatted text call, on any TCanvas.
//
// Lines break at CR LF, CR or LF (except with DT_SINGLELINE); with
// DT_WORDBREAK a line breaks at the last blank that fits (the blanks at
// the break are dropped) and a word wider than the rectangle is broken
// between characters. Tabs, with DT_EXPANDTABS, go to the next multiple of
// eight average character widths from the line's start. Unless DT_NOPREFIX,
// "&x" shows x underlined and "&&" shows "&" (DT_HIDEPREFIX: no underline).
// DT_END_ELLIPSIS cuts a line that is wider than the rectangle and ends it
// with "..." (the string itself is not changed). Text is drawn in the
// canvas's font, text colour and background mode, clipped to the
// rectangle unless DT_NOCLIP. A trailing line break adds no empty line;
// empty text has no lines.
//
// DT_VCENTER and DT_BOTTOM apply to DT_SINGLELINE only, as in the classic.
// DT_EDITCONTROL leaves out a last line that would be cut by the bottom.
// DT_EXTERNALLEADING adds the font's external leading to each line.
// GUI thread only.
#pragma once

#include <string_view>

#include "platform/base/ui_enums.h"
#include "platform/draw/canvas.h"

inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_BOTTOM = 0x0008;
inline constexpr unsigned DT_WORDBREAK = 0x0010;
inline constexpr unsigned DT_SINGLELINE = 0x0020;
inline constexpr unsigned DT_EXPANDTABS = 0x0040;
inline constexpr unsigned DT_NOCLIP = 0x0100;
inline constexpr unsigned DT_EXTERNALLEADING = 0x0200;
inline constexpr unsigned DT_CALCRECT = 0x0400;
inline constexpr unsigned DT_NOPREFIX = 0x0800;
inline constexpr unsigned DT_EDITCONTROL = 0x2000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;
inline constexpr unsigned DT_RTLREADING = 0x20000;
inline constexpr unsigned DT_HIDEPREFIX = 0x100000;

// The horizontal flag for a text alignment: DT_RIGHT, DT_CENTER, else
// DT_LEFT.
constexpr unsigned AlignFlags(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return DT_RIGHT;
    case taCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

// Draws `text` in `rect` (logical coordinates) and returns the height of
// the text: for DT_VCENTER/DT_BOTTOM, from rect.Top to the bottom of the
// line. With DT_CALCRECT nothing is drawn and `rect` becomes the text's
// extent: Right = Left + the widest line, Bottom = Top + the lines' height
// (with DT_WORDBREAK the lines are broken at the given width first).
int DrawText(TCanvas& canvas, std::string_view text, TRect& rect, unsigned flags);
