// Scroll-bar requests turned into positions: the one rule that every
// scrolling control (grid, edit and memo, list box, scroll box, and the
// data grid and report preview to come) applies to WM_HSCROLL and
// WM_VSCROLL.
//
// A control keeps its scroll position in its own units (cells, lines,
// pixels). For each request it describes the axis in those units with
// TScrollAxis, asks ScrollTarget where the code takes it and then moves
// there itself (repainting, notifying). Policy stays with the control:
// whether it follows the thumb while it is dragged (SB_THUMBTRACK), what a
// line and a page are, and where the bottom lies.
//
// GUI thread only.
#pragma once

#include <optional>

#include "platform/gui/window.h"

// One scrolling axis, in the control's own units.
struct TScrollAxis {
  int Position = 0;  // where the view is now
  int Min = 0;       // the top (SB_TOP)
  int Max = 0;       // the bottom (SB_BOTTOM): the last position a scroll
                     // reaches; a Max below Min means Min
  int Line = 1;      // one SB_LINEUP / SB_LINEDOWN step
  int Page = 1;      // one SB_PAGEUP / SB_PAGEDOWN step
};

// Where the scroll code `code` takes `axis`, always within Min..Max:
//   SB_LINEUP / SB_LINEDOWN    Position -/+ Line
//   SB_PAGEUP / SB_PAGEDOWN    Position -/+ Page
//   SB_THUMBPOSITION / TRACK   `thumb`, the thumb's position in the axis's
//                              units (see ThumbPosition)
//   SB_TOP / SB_BOTTOM         Min / Max
// Returns nullopt for a code that asks for no move (SB_ENDSCROLL or an
// unknown one): the control then does nothing at all. The result may equal
// Position. No side effects.
std::optional<int> ScrollTarget(int code, int thumb, const TScrollAxis& axis);

// The thumb's position for a WM_HSCROLL/WM_VSCROLL message about `bar`
// (SB_HORZ or SB_VERT) of `wnd` whose position word is `messagePos` (the
// 16-bit, sign-extended TWMScroll::Pos). The message holds only 16 bits;
// the bar's own track position holds them all and is returned when its low
// 16 bits match. Otherwise (a message passed on from another scroll bar, or
// made up, or no window) `messagePos` is taken as it is. In the bar's
// units: the control adds its own origin.
int ThumbPosition(HWND wnd, int bar, int messagePos);
