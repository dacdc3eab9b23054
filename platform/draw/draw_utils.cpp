#include "platform/draw/draw_utils.h"

#include <algorithm>
#include <vector>

TColor BlendColors(TColor a, TColor b, int percent) {
  TColor x = ColorToRGB(a);
  TColor y = ColorToRGB(b);
  percent = std::clamp(percent, 0, 100);
  auto mix = [percent](int p, int q) { return (p * percent + q * (100 - percent) + 50) / 100; };
  return RGB(mix(GetRValue(x), GetRValue(y)), mix(GetGValue(x), GetGValue(y)),
             mix(GetBValue(x), GetBValue(y)));
}

namespace {

// One ring: lit sides first, then the shaded ones over the corners.
void Ring(TCanvas& canvas, const TRect& r, unsigned sides, TColor lit, TColor shaded) {
  if (IsRectEmpty(r)) return;
  if ((sides & BF_LEFT) != 0) canvas.FillSolidRect({r.Left, r.Top, r.Left + 1, r.Bottom}, lit);
  if ((sides & BF_TOP) != 0) canvas.FillSolidRect({r.Left, r.Top, r.Right, r.Top + 1}, lit);
  if ((sides & BF_RIGHT) != 0)
    canvas.FillSolidRect({r.Right - 1, r.Top, r.Right, r.Bottom}, shaded);
  if ((sides & BF_BOTTOM) != 0)
    canvas.FillSolidRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, shaded);
}

void Shrink(TRect& r, unsigned sides) {
  if ((sides & BF_LEFT) != 0) ++r.Left;
  if ((sides & BF_TOP) != 0) ++r.Top;
  if ((sides & BF_RIGHT) != 0) --r.Right;
  if ((sides & BF_BOTTOM) != 0) --r.Bottom;
}

}  // namespace

bool DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags) {
  unsigned sides = flags & BF_RECT;
  TRect r = rect;
  bool soft = (flags & BF_SOFT) != 0;
  unsigned outer = edge & BDR_OUTER;
  unsigned inner = edge & BDR_INNER;
  if (outer != 0) {
    TColor lit, shaded;
    if ((flags & BF_MONO) != 0) {
      lit = shaded = clWindowFrame;
    } else if ((flags & BF_FLAT) != 0) {
      lit = shaded = clBtnShadow;
    } else if ((outer & BDR_RAISEDOUTER) != 0) {
      lit = soft ? clBtnHighlight : cl3DLight;
      shaded = cl3DDkShadow;
    } else {
      lit = soft ? cl3DDkShadow : clBtnShadow;
      shaded = clBtnHighlight;
    }
    Ring(canvas, r, sides, lit, shaded);
    Shrink(r, sides);
  }
  if (inner != 0) {
    TColor lit, shaded;
    if ((flags & BF_MONO) != 0) {
      lit = shaded = clWindow;
    } else if ((flags & BF_FLAT) != 0) {
      lit = shaded = clBtnFace;
    } else if ((inner & BDR_RAISEDINNER) != 0) {
      lit = soft ? cl3DLight : clBtnHighlight;
      shaded = clBtnShadow;
    } else {
      lit = soft ? clBtnShadow : cl3DDkShadow;
      shaded = cl3DLight;
    }
    Ring(canvas, r, sides, lit, shaded);
    Shrink(r, sides);
  }
  if ((flags & BF_MIDDLE) != 0)
    canvas.FillSolidRect(r, (flags & (BF_FLAT | BF_MONO)) != 0 ? clWindow : clBtnFace);
  if ((flags & BF_ADJUST) != 0) rect = r;
  return true;
}

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  for (int i = 0; i < width; ++i) {
    Ring(canvas, rect, BF_RECT, topColor, bottomColor);
    InflateRect(rect, -1, -1);
  }
}

void DrawFocusRect(TCanvas& canvas, const TRect& rect) {
  TCanvasStateSaver saver(canvas);
  canvas.Pen()->SetData({clWhite, 1, psDot, pmXor});
  canvas.Brush()->SetStyle(bsClear);
  canvas.Rectangle(rect);
}

namespace {

struct TPartColors {
  TColor Border;
  TColor Face;
  TColor Glyph;
};

TPartColors ButtonColors(unsigned state) {
  bool pushed = (state & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
  bool hot = (state & DFCS_HOT) != 0;
  TPartColors c{clBtnShadow, clBtnFace, clWindowText};
  if ((state & DFCS_INACTIVE) != 0) {
    c.Glyph = clGrayText;
  } else if (pushed) {
    c.Border = clHighlight;
    c.Face = BlendColors(clHighlight, clBtnFace, 20);
  } else if (hot) {
    c.Border = clHighlight;
    c.Face = BlendColors(clHighlight, clWindow, 10);
  }
  if ((state & DFCS_MONO) != 0) c.Border = clWindowFrame;
  return c;
}

// The square of the rectangle's smaller side, centred.
TRect Square(const TRect& r) {
  int side = std::min(r.Width(), r.Height());
  return Bounds(r.Left + (r.Width() - side) / 2, r.Top + (r.Height() - side) / 2, side, side);
}

void GlyphPolygon(TCanvas& canvas, std::vector<TPoint> points, TColor color) {
  canvas.Pen()->SetData({color, 1, psSolid, pmCopy});
  canvas.Brush()->SetData({color, bsSolid, nullptr});
  canvas.Polygon(points);
}

void GlyphLines(TCanvas& canvas, const std::vector<TPoint>& points, TColor color, int width) {
  canvas.Pen()->SetData({color, width, psSolid, pmCopy});
  canvas.Polyline(points);
}

// A triangle pointing `direction` (DFCS_SCROLL*) centred in `r`.
void Arrow(TCanvas& canvas, const TRect& r, unsigned direction, TColor color) {
  int size = std::max(std::min(r.Width(), r.Height()) / 4, 2);  // half the base
  int cx = r.Left + r.Width() / 2;
  int cy = r.Top + r.Height() / 2;
  int h = (size + 1) / 2;
  switch (direction) {
    case DFCS_SCROLLUP:
      GlyphPolygon(canvas, {{cx - size, cy + h}, {cx + size, cy + h}, {cx, cy + h - size}}, color);
      break;
    case DFCS_SCROLLLEFT:
      GlyphPolygon(canvas, {{cx + h, cy - size}, {cx + h, cy + size}, {cx + h - size, cy}}, color);
      break;
    case DFCS_SCROLLRIGHT:
      GlyphPolygon(canvas, {{cx - h, cy - size}, {cx - h, cy + size}, {cx - h + size, cy}}, color);
      break;
    default:  // down, combo box
      GlyphPolygon(canvas, {{cx - size, cy - h}, {cx + size, cy - h}, {cx, cy - h + size}}, color);
      break;
  }
}

// A check mark fitted in the square `box`: two pixels thick at least, so
// it reads at the usual 13-pixel box.
void CheckMark(TCanvas& canvas, const TRect& box, TColor color) {
  int s = box.Width();
  int w = std::max(s / 6, 2);
  GlyphLines(canvas,
             {{box.Left + s * 27 / 100, box.Top + s * 50 / 100},
              {box.Left + s * 43 / 100, box.Top + s * 68 / 100},
              {box.Left + s * 75 / 100, box.Top + s * 30 / 100}},
             color, w);
}

// The ring of a check box or radio button: lit only while hot or pressed
// (a checked box is not a pressed one).
TColor BoxBorder(unsigned state) {
  if ((state & (DFCS_HOT | DFCS_PUSHED)) != 0) return clHighlight;
  return (state & DFCS_MONO) != 0 ? clWindowFrame : clBtnShadow;
}

void Panel(TCanvas& canvas, const TRect& r, const TPartColors& c, unsigned state) {
  bool flat = (state & DFCS_FLAT) != 0;
  bool framed = !flat || (state & (DFCS_HOT | DFCS_PUSHED | DFCS_CHECKED)) != 0;
  if ((state & DFCS_TRANSPARENT) == 0) canvas.FillSolidRect(r, c.Face);
  if (framed) {
    canvas.Brush()->SetData({c.Border, bsSolid, nullptr});
    canvas.FrameRect(r);
  }
}

void CheckBox(TCanvas& canvas, const TRect& rect, unsigned state, const TPartColors& c) {
  TRect box = Square(rect);
  bool inactive = (state & DFCS_INACTIVE) != 0;
  bool pushed = (state & DFCS_PUSHED) != 0;
  TColor fill = inactive || pushed ? clBtnFace : clWindow;
  if ((state & DFCS_TRANSPARENT) == 0) canvas.FillSolidRect(box, fill);
  canvas.Brush()->SetData({BoxBorder(state), bsSolid, nullptr});
  canvas.FrameRect(box);
  if ((state & DFCS_CHECKED) == 0) return;
  if ((state & DFCS_BUTTON3STATE) != 0) {
    TRect mark = box;
    int inset = std::max(box.Width() / 4, 2);
    InflateRect(mark, -inset, -inset);
    canvas.FillSolidRect(mark, clGrayText);
  } else {
    CheckMark(canvas, box, c.Glyph);
  }
}

void RadioButton(TCanvas& canvas, const TRect& rect, unsigned state, const TPartColors& c) {
  TRect box = Square(rect);
  bool inactive = (state & DFCS_INACTIVE) != 0;
  bool pushed = (state & DFCS_PUSHED) != 0;
  canvas.Pen()->SetData({BoxBorder(state), 1, psSolid, pmCopy});
  canvas.Brush()->SetData({inactive || pushed ? clBtnFace : clWindow,
                           (state & DFCS_TRANSPARENT) != 0 ? bsClear : bsSolid, nullptr});
  canvas.Ellipse(box);
  if ((state & DFCS_CHECKED) == 0) return;
  TRect dot = box;
  int inset = std::max(box.Width() * 3 / 10, 2);
  InflateRect(dot, -inset, -inset);
  canvas.Pen()->SetData({c.Glyph, 1, psSolid, pmCopy});
  canvas.Brush()->SetData({c.Glyph, bsSolid, nullptr});
  canvas.Ellipse(dot);
}

void CaptionGlyph(TCanvas& canvas, const TRect& rect, unsigned part, TColor color) {
  TRect g = Square(rect);
  int inset = std::max(g.Width() / 4, 2);
  InflateRect(g, -inset, -inset);
  if (IsRectEmpty(g)) return;
  switch (part) {
    case DFCS_CAPTIONCLOSE:
      GlyphLines(canvas, {{g.Left, g.Top}, {g.Right, g.Bottom}}, color, 1);
      GlyphLines(canvas, {{g.Right - 1, g.Top}, {g.Left - 1, g.Bottom}}, color, 1);
      break;
    case DFCS_CAPTIONMIN:
      canvas.FillSolidRect({g.Left, g.Bottom - 2, g.Right, g.Bottom}, color);
      break;
    case DFCS_CAPTIONMAX:
      canvas.Brush()->SetData({color, bsSolid, nullptr});
      canvas.FrameRect(g);
      canvas.FillSolidRect({g.Left, g.Top, g.Right, g.Top + 2}, color);
      break;
    case DFCS_CAPTIONRESTORE: {
      int d = std::max(g.Width() / 4, 1);
      canvas.Brush()->SetData({color, bsSolid, nullptr});
      canvas.FrameRect({g.Left + d, g.Top, g.Right, g.Bottom - d});
      canvas.FillSolidRect({g.Left, g.Top + d, g.Right - d, g.Bottom}, clBtnFace);
      canvas.FrameRect({g.Left, g.Top + d, g.Right - d, g.Bottom});
      break;
    }
    default: {  // help
      canvas.Font()->SetStyle({fsBold});
      canvas.SetTextColor(color);
      canvas.SetBkMode(TRANSPARENT);
      TSize size = canvas.TextExtent("?");
      canvas.TextOut(rect.Left + (rect.Width() - size.cx) / 2,
                     rect.Top + (rect.Height() - size.cy) / 2, "?");
      break;
    }
  }
}

}  // namespace

bool DrawFrameControl(TCanvas& canvas, TRect& rect, unsigned type, unsigned state) {
  if (type < DFC_CAPTION || type > DFC_BUTTON) return false;
  TCanvasStateSaver saver(canvas);
  unsigned part = state & 0xFF;
  TPartColors c = ButtonColors(state);
  switch (type) {
    case DFC_BUTTON:
      if ((part & DFCS_BUTTONPUSH) != 0) {
        Panel(canvas, rect, c, state);
        if ((state & DFCS_ADJUSTRECT) != 0) InflateRect(rect, -1, -1);
      } else if ((part & DFCS_BUTTONRADIO) != 0) {
        RadioButton(canvas, rect, state, c);
      } else {
        CheckBox(canvas, rect, state, c);
      }
      break;
    case DFC_SCROLL:
      if (part == DFCS_SCROLLSIZEGRIP) {
        // Three short diagonals in the bottom-right corner.
        for (int i = 1; i <= 3; ++i) {
          int d = i * std::max(rect.Width(), 4) / 4;
          GlyphLines(canvas, {{rect.Right - d, rect.Bottom}, {rect.Right, rect.Bottom - d}},
                     clBtnShadow, 1);
        }
        break;
      }
      Panel(canvas, rect, c, state | DFCS_FLAT);
      Arrow(canvas, rect, part, c.Glyph);
      break;
    case DFC_CAPTION:
      Panel(canvas, rect, c, state | DFCS_FLAT);
      CaptionGlyph(canvas, rect, part, c.Glyph);
      break;
    case DFC_MENU:
      if ((state & DFCS_TRANSPARENT) == 0) canvas.FillSolidRect(rect, clMenu);
      if (part == DFCS_MENUCHECK) {
        TRect box = Square(rect);
        CheckMark(canvas, box, c.Glyph);
      } else if (part == DFCS_MENUBULLET) {
        TRect dot = Square(rect);
        int inset = std::max(dot.Width() * 3 / 10, 1);
        InflateRect(dot, -inset, -inset);
        canvas.Pen()->SetData({c.Glyph, 1, psSolid, pmCopy});
        canvas.Brush()->SetData({c.Glyph, bsSolid, nullptr});
        canvas.Ellipse(dot);
      } else {
        Arrow(canvas, rect, DFCS_SCROLLRIGHT, c.Glyph);
      }
      break;
  }
  return true;
}

TRect DrawButtonFace(TCanvas& canvas, const TRect& rect, bool down, bool focused, bool hot,
                     bool enabled) {
  TRect r = rect;
  unsigned state = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (down ? DFCS_PUSHED : 0) |
                   (hot ? DFCS_HOT : 0) | (enabled ? 0 : DFCS_INACTIVE);
  DrawFrameControl(canvas, r, DFC_BUTTON, state);
  if (focused) {
    TRect f = r;
    InflateRect(f, -2, -2);
    DrawFocusRect(canvas, f);
  }
  if (down) OffsetRect(r, 1, 1);
  return r;
}
