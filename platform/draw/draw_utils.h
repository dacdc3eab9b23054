// The style painter: the classic drawing routines every control uses for
// edges, buttons, check boxes, arrows and focus rectangles. Controls draw
// these parts only through here, so the program has one look: ours, flat
// and quiet, built from the system palette of graphics.h.
//
// DrawEdge keeps the classic structure (an outer and an inner one-pixel
// ring, each lit on the top and left and shaded on the bottom and right):
//   raised outer: cl3DLight / cl3DDkShadow   raised inner: clBtnHighlight / clBtnShadow
//   sunken outer: clBtnShadow / clBtnHighlight  sunken inner: cl3DDkShadow / cl3DLight
// BF_SOFT swaps the lit colours of the two rings; BF_FLAT draws the outer
// ring in clBtnShadow and the inner in clBtnFace; BF_MONO draws the outer
// ring in clWindowFrame and the inner in clWindow. The bottom-left and
// top-right corners take the shaded colour.
//
// DrawFrameControl draws flat parts: a one-pixel border (clBtnShadow, or
// clHighlight when hot or pushed), a face that lightens when hot and
// darkens when pushed, and glyphs (check mark, dot, arrows, caption
// symbols) in clWindowText, or clGrayText when inactive.
//
// All routines leave the canvas's state as they found it. GUI thread only.
#pragma once

#include "platform/draw/canvas.h"

// DrawEdge edges.
inline constexpr unsigned BDR_RAISEDOUTER = 0x0001;
inline constexpr unsigned BDR_SUNKENOUTER = 0x0002;
inline constexpr unsigned BDR_RAISEDINNER = 0x0004;
inline constexpr unsigned BDR_SUNKENINNER = 0x0008;
inline constexpr unsigned BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
inline constexpr unsigned BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
inline constexpr unsigned BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

// DrawEdge flags.
inline constexpr unsigned BF_LEFT = 0x0001;
inline constexpr unsigned BF_TOP = 0x0002;
inline constexpr unsigned BF_RIGHT = 0x0004;
inline constexpr unsigned BF_BOTTOM = 0x0008;
inline constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr unsigned BF_TOPRIGHT = BF_TOP | BF_RIGHT;
inline constexpr unsigned BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_MIDDLE = 0x0800;
inline constexpr unsigned BF_SOFT = 0x1000;
inline constexpr unsigned BF_ADJUST = 0x2000;
inline constexpr unsigned BF_FLAT = 0x4000;
inline constexpr unsigned BF_MONO = 0x8000;

// DrawFrameControl types.
inline constexpr unsigned DFC_CAPTION = 1;
inline constexpr unsigned DFC_MENU = 2;
inline constexpr unsigned DFC_SCROLL = 3;
inline constexpr unsigned DFC_BUTTON = 4;

// DrawFrameControl parts (low byte) and states.
inline constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
inline constexpr unsigned DFCS_BUTTONRADIO = 0x0004;
inline constexpr unsigned DFCS_BUTTON3STATE = 0x0008;
inline constexpr unsigned DFCS_BUTTONPUSH = 0x0010;
inline constexpr unsigned DFCS_CAPTIONCLOSE = 0x0000;
inline constexpr unsigned DFCS_CAPTIONMIN = 0x0001;
inline constexpr unsigned DFCS_CAPTIONMAX = 0x0002;
inline constexpr unsigned DFCS_CAPTIONRESTORE = 0x0003;
inline constexpr unsigned DFCS_CAPTIONHELP = 0x0004;
inline constexpr unsigned DFCS_MENUARROW = 0x0000;
inline constexpr unsigned DFCS_MENUCHECK = 0x0001;
inline constexpr unsigned DFCS_MENUBULLET = 0x0002;
inline constexpr unsigned DFCS_SCROLLUP = 0x0000;
inline constexpr unsigned DFCS_SCROLLDOWN = 0x0001;
inline constexpr unsigned DFCS_SCROLLLEFT = 0x0002;
inline constexpr unsigned DFCS_SCROLLRIGHT = 0x0003;
inline constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x0005;
inline constexpr unsigned DFCS_SCROLLSIZEGRIP = 0x0008;
inline constexpr unsigned DFCS_INACTIVE = 0x0100;
inline constexpr unsigned DFCS_PUSHED = 0x0200;
inline constexpr unsigned DFCS_CHECKED = 0x0400;
inline constexpr unsigned DFCS_TRANSPARENT = 0x0800;
inline constexpr unsigned DFCS_HOT = 0x1000;
inline constexpr unsigned DFCS_ADJUSTRECT = 0x2000;
inline constexpr unsigned DFCS_FLAT = 0x4000;
inline constexpr unsigned DFCS_MONO = 0x8000;

// Draws the rings of `edge` on the sides in `flags` (BF_*). BF_MIDDLE fills
// the inside with clBtnFace (clWindow with BF_FLAT or BF_MONO); BF_ADJUST
// shrinks `rect` by the rings drawn. Returns true.
bool DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags);

// Draws a button, check box, radio button, scroll or combo arrow, caption
// button or menu glyph filling `rect`. DFCS_ADJUSTRECT shrinks `rect` to
// the inside of the border. Check boxes and radio buttons are drawn as a
// square of the rectangle's smaller side, centred. DFCS_BUTTON3STATE with
// DFCS_CHECKED is the grayed (third) state. Returns false for a type it
// does not know (nothing drawn).
bool DrawFrameControl(TCanvas& canvas, TRect& rect, unsigned type, unsigned state);

// The dotted focus rectangle, drawn by inverting (XOR): drawing it twice
// removes it.
void DrawFocusRect(TCanvas& canvas, const TRect& rect);

// `width` rings: top and left in `topColor`, bottom and right in
// `bottomColor` (taking the bottom-left and top-right corners). `rect`
// shrinks by `width` on every side.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

// A push button's face in our look (DFC_BUTTON / DFCS_BUTTONPUSH) and the
// focus rectangle inside it when `focused`. Returns the content rectangle
// (inside the border, moved by one pixel when down).
TRect DrawButtonFace(TCanvas& canvas, const TRect& rect, bool down, bool focused, bool hot = false,
                     bool enabled = true);

// `percent` of `a` mixed with the rest of `b` (system colours resolved).
TColor BlendColors(TColor a, TColor b, int percent);
