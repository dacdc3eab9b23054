// The non-client frame: borders, our scroll bars, hit-testing and the
// tracking of scroll bars by the mouse.
#include <algorithm>

#include "platform/draw/canvas.h"
#include "platform/draw/draw_utils.h"
#include "platform/draw/graphics.h"
#include "platform/gui/window_internal.h"

namespace {

inline constexpr unsigned kScrollTimerId = 0xFFFF5C01;

bool HasCaption(const TWnd* w) { return (w->Style & WS_CAPTION) == WS_CAPTION; }

TScrollBarState* Bar(HWND wnd, int bar) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
  return &w->Bars[static_cast<std::size_t>(bar)];
}

std::uint32_t BarStyle(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

// The largest position the bar reaches.
int MaxPos(const TScrollBarState& s) {
  int page = s.Page > 0 ? static_cast<int>(s.Page) - 1 : 0;
  return std::max(s.Min, s.Max - page);
}

bool CanScroll(const TScrollBarState& s) {
  return s.Max > s.Min &&
         (s.Page == 0 || static_cast<long long>(s.Page) <= static_cast<long long>(s.Max) - s.Min);
}

void SendScroll(HWND wnd, int bar, int code, int pos = 0) {
  SendMessage(wnd, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MakeWParam(code, pos), 0);
}

TScrollPart PartAt(const TScrollBarLayout& l, TPoint p) {
  if (PtInRect(l.ArrowUp, p)) return spArrowUp;
  if (PtInRect(l.ArrowDown, p)) return spArrowDown;
  if (PtInRect(l.Thumb, p)) return spThumb;
  if (PtInRect(l.PageUp, p)) return spPageUp;
  if (PtInRect(l.PageDown, p)) return spPageDown;
  return spNone;
}

TRect PartRect(const TScrollBarLayout& l, TScrollPart part) {
  switch (part) {
    case spArrowUp:
      return l.ArrowUp;
    case spPageUp:
      return l.PageUp;
    case spThumb:
      return l.Thumb;
    case spPageDown:
      return l.PageDown;
    case spArrowDown:
      return l.ArrowDown;
    default:
      return {};
  }
}

bool PartDisabled(const TScrollBarState& s, TScrollPart part) {
  if (s.DisabledArrows == ESB_DISABLE_BOTH) return true;
  if (part == spArrowUp) return (s.DisabledArrows & ESB_DISABLE_LTUP) != 0;
  if (part == spArrowDown) return (s.DisabledArrows & ESB_DISABLE_RTDN) != 0;
  return false;
}

int CodeOf(TScrollPart part) {
  switch (part) {
    case spArrowUp:
      return SB_LINEUP;
    case spArrowDown:
      return SB_LINEDOWN;
    case spPageUp:
      return SB_PAGEUP;
    case spPageDown:
      return SB_PAGEDOWN;
    default:
      return SB_ENDSCROLL;
  }
}

// The position for the thumb's leading edge at `offset` pixels along the track.
int PosFromThumbOffset(const TScrollBarState& s, const TScrollBarLayout& l, bool vertical,
                       int offset) {
  int track = vertical ? l.PageDown.Bottom - l.PageUp.Top : l.PageDown.Right - l.PageUp.Left;
  int thumb = vertical ? l.Thumb.Height() : l.Thumb.Width();
  int free = track - thumb;
  int span = MaxPos(s) - s.Min;
  if (free <= 0 || span <= 0) return s.Min;
  offset = std::clamp(offset, 0, free);
  return s.Min + static_cast<int>((static_cast<long long>(offset) * span + free / 2) / free);
}

void RepeatTick(HWND wnd, unsigned);

void StartRepeat(HWND wnd, unsigned delay) { SetTimer(wnd, kScrollTimerId, delay, RepeatTick); }

void RepeatTick(HWND wnd, unsigned) {
  auto& t = WS().Track;
  if (t.Wnd != wnd || t.Part == spThumb || t.Part == spNone) {
    KillTimer(wnd, kScrollTimerId);
    return;
  }
  // A page part ends where the thumb reaches the pointer.
  TScrollBarLayout l = GetScrollBarLayout(wnd, t.Bar);
  t.Inside = PtInRect(PartRect(l, t.Part), t.Point);
  if (t.Inside) SendScroll(wnd, t.Bar, CodeOf(t.Part));
  if (WS().Track.Wnd == wnd) StartRepeat(wnd, kScrollRepeatDelay);
}

void EndTrack(bool notify) {
  auto& ws = WS();
  TScrollTrack t = ws.Track;
  ws.Track = TScrollTrack{};
  if (t.Wnd == nullptr) return;
  KillTimer(t.Wnd, kScrollTimerId);
  if (TScrollBarState* s = Bar(t.Wnd, t.Bar)) {
    s->Tracking = false;
    s->TrackPos = s->Pos;
  }
  if (ws.Capture == t.Wnd) ReleaseCapture();
  if (notify) {
    SendScroll(t.Wnd, t.Bar, SB_ENDSCROLL);
  }
  InvalidateFrame(t.Wnd);
}

void BeginTrack(HWND wnd, int bar, TPoint windowPoint) {
  TScrollBarState* s = Bar(wnd, bar);
  if (s == nullptr || !IsWindowEnabled(wnd)) return;
  TScrollBarLayout l = GetScrollBarLayout(wnd, bar);
  TScrollPart part = PartAt(l, windowPoint);
  if (part == spNone || PartDisabled(*s, part) || !CanScroll(*s)) return;
  auto& ws = WS();
  if (ws.Track.Wnd != nullptr) EndTrack(false);
  SetCapture(wnd);
  ws.Track = TScrollTrack{wnd, bar, part, 0, true, windowPoint};
  bool vertical = bar == SB_VERT;
  if (part == spThumb) {
    s->Tracking = true;
    s->TrackPos = s->Pos;
    ws.Track.ThumbGrab = vertical ? windowPoint.Y - l.Thumb.Top : windowPoint.X - l.Thumb.Left;
  } else {
    SendScroll(wnd, bar, CodeOf(part));
    if (ws.Track.Wnd == wnd) StartRepeat(wnd, kScrollFirstDelay);
  }
  InvalidateFrame(wnd);
}

// --- drawing

void PaintScrollBar(HWND wnd, TCanvas& c, int bar) {
  TScrollBarState* s = Bar(wnd, bar);
  TScrollBarLayout l = GetScrollBarLayout(wnd, bar);
  if (s == nullptr || IsRectEmpty(l.Bar)) return;
  bool vertical = bar == SB_VERT;
  bool enabled = IsWindowEnabled(wnd) && CanScroll(*s) && s->DisabledArrows != ESB_DISABLE_BOTH;
  const auto& t = WS().Track;
  auto pressed = [&](TScrollPart part) {
    return t.Wnd == wnd && t.Bar == bar && t.Part == part && t.Inside;
  };
  c.FillSolidRect(l.Bar, clScrollBar);
  if (pressed(spPageUp)) c.FillSolidRect(l.PageUp, clBtnShadow);
  if (pressed(spPageDown)) c.FillSolidRect(l.PageDown, clBtnShadow);
  for (TScrollPart part : {spArrowUp, spArrowDown}) {
    TRect r = PartRect(l, part);
    if (IsRectEmpty(r)) continue;
    unsigned state = part == spArrowUp ? (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT)
                                       : (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT);
    if (pressed(part)) state |= DFCS_PUSHED;
    if (!enabled || PartDisabled(*s, part)) state |= DFCS_INACTIVE;
    DrawFrameControl(c, r, DFC_SCROLL, state);
  }
  if (enabled && !IsRectEmpty(l.Thumb)) {
    TRect r = l.Thumb;
    DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH | (s->Tracking ? DFCS_PUSHED : 0));
  }
}

void PaintFrame(HWND wnd, TCanvas& c) {
  TWnd* w = Wnd(wnd);
  TRect r = Rect(0, 0, w->Bounds.Width(), w->Bounds.Height());
  TRect native = NativeFrameMargins(wnd);
  r.Left += native.Left, r.Top += native.Top, r.Right -= native.Right, r.Bottom -= native.Bottom;
  if (native == TRect{}) {
    int outer = 0;
    if (w->Style & WS_THICKFRAME) {
      outer = 4;
    } else if (w->Style & WS_DLGFRAME) {
      outer = 3;
    } else if (w->Style & WS_BORDER) {
      outer = 1;
    }
    if (outer == 1) {
      Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
    } else if (outer > 1) {
      DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
      Frame3D(c, r, clBtnFace, clBtnFace, outer - 2);
    }
  }
  if (w->ExStyle & WS_EX_CLIENTEDGE) {
    DrawEdge(c, r, EDGE_SUNKEN, BF_RECT);
  } else if (w->ExStyle & WS_EX_STATICEDGE) {
    DrawEdge(c, r, BDR_SUNKENOUTER, BF_RECT);
  }
  PaintScrollBar(wnd, c, SB_VERT);
  PaintScrollBar(wnd, c, SB_HORZ);
  TRect v = ScrollBarRectInWindow(wnd, SB_VERT);
  TRect h = ScrollBarRectInWindow(wnd, SB_HORZ);
  if (!IsRectEmpty(v) && !IsRectEmpty(h))
    c.FillSolidRect(Rect(v.Left, h.Top, v.Right, h.Bottom), clBtnFace);
}

int HitTest(HWND wnd, TPoint screen) {
  TWnd* w = Wnd(wnd);
  TRect win = GetWindowRect(wnd);
  if (!PtInRect(win, screen)) return HTNOWHERE;
  TPoint p{screen.X - win.Left, screen.Y - win.Top};
  if (PtInRect(w->Client, p)) return HTCLIENT;
  if (PtInRect(ScrollBarRectInWindow(wnd, SB_VERT), p)) return HTVSCROLL;
  if (PtInRect(ScrollBarRectInWindow(wnd, SB_HORZ), p)) return HTHSCROLL;
  TRect native = NativeFrameMargins(wnd);
  if (native.Top > 0 && p.Y < native.Top && p.Y >= native.Left) return HTCAPTION;
  TRect v = ScrollBarRectInWindow(wnd, SB_VERT);
  TRect h = ScrollBarRectInWindow(wnd, SB_HORZ);
  if (!IsRectEmpty(v) && !IsRectEmpty(h) && PtInRect(Rect(v.Left, h.Top, v.Right, h.Bottom), p))
    return HTGROWBOX;
  return HTBORDER;
}

}  // namespace

TRect FrameMargins(std::uint32_t style, std::uint32_t exStyle, bool topLevel) {
  TRect m;
  auto add = [&m](int n) { m.Left += n, m.Top += n, m.Right += n, m.Bottom += n; };
  if (topLevel && (style & WS_CAPTION) == WS_CAPTION) {
    m.Top += (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION)
                                          : GetSystemMetrics(SM_CYCAPTION);
  }
  if (style & WS_THICKFRAME) {
    add(GetSystemMetrics(SM_CXFRAME));
  } else if (style & WS_DLGFRAME) {
    add(GetSystemMetrics(SM_CXDLGFRAME));
  } else if (style & WS_BORDER) {
    add(GetSystemMetrics(SM_CXBORDER));
  }
  if (exStyle & WS_EX_CLIENTEDGE) {
    add(GetSystemMetrics(SM_CXEDGE));
  } else if (exStyle & WS_EX_STATICEDGE) {
    add(1);
  }
  return m;
}

TRect NativeFrameMargins(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || w->Parent != nullptr || !HasCaption(w)) return {};
  // The caption's height is the one the client rectangle was made with
  // (a tool window's is smaller); edges inside the border stay ours.
  return FrameMargins(w->Style, w->ExStyle & WS_EX_TOOLWINDOW, true);
}

TRect ScrollBarRectInWindow(HWND wnd, int bar) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || (w->Style & BarStyle(bar)) == 0) return {};
  const TRect& c = w->Client;
  if (bar == SB_VERT)
    return Rect(c.Right, c.Top, c.Right + GetSystemMetrics(SM_CXVSCROLL), c.Bottom);
  return Rect(c.Left, c.Bottom, c.Right, c.Bottom + GetSystemMetrics(SM_CYHSCROLL));
}

TScrollBarLayout GetScrollBarLayout(HWND wnd, int bar) {
  TScrollBarLayout l;
  TScrollBarState* s = Bar(wnd, bar);
  l.Bar = ScrollBarRectInWindow(wnd, bar);
  if (s == nullptr || IsRectEmpty(l.Bar)) return TScrollBarLayout{};
  bool vertical = bar == SB_VERT;
  int length = vertical ? l.Bar.Height() : l.Bar.Width();
  int thickness = vertical ? l.Bar.Width() : l.Bar.Height();
  int arrow = std::min(thickness, length / 2);
  int trackStart = arrow;
  int trackEnd = length - arrow;
  int track = trackEnd - trackStart;
  int thumbStart = trackStart;
  int thumbLength = 0;
  if (CanScroll(*s) && track >= 8) {
    long long range = static_cast<long long>(s->Max) - s->Min + 1;
    thumbLength =
        s->Page > 0 ? static_cast<int>(track * static_cast<long long>(s->Page) / range) : thickness;
    thumbLength = std::clamp(thumbLength, std::min(8, track), track);
    int span = MaxPos(*s) - s->Min;
    int pos = s->Tracking ? s->TrackPos : s->Pos;
    if (span > 0) {
      thumbStart += static_cast<int>(static_cast<long long>(track - thumbLength) *
                                     (std::clamp(pos, s->Min, MaxPos(*s)) - s->Min) / span);
    }
  }
  auto seg = [&](int from, int to) {
    return vertical ? Rect(l.Bar.Left, l.Bar.Top + from, l.Bar.Right, l.Bar.Top + to)
                    : Rect(l.Bar.Left + from, l.Bar.Top, l.Bar.Left + to, l.Bar.Bottom);
  };
  l.ArrowUp = seg(0, arrow);
  l.ArrowDown = seg(trackEnd, length);
  if (thumbLength > 0) {
    l.PageUp = seg(trackStart, thumbStart);
    l.Thumb = seg(thumbStart, thumbStart + thumbLength);
    l.PageDown = seg(thumbStart + thumbLength, trackEnd);
  } else {
    l.PageUp = seg(trackStart, trackStart);
    l.PageDown = seg(trackStart, trackEnd);
  }
  return l;
}

int SetScrollInfo(HWND wnd, int bar, const TScrollInfo& info, bool redraw) {
  TScrollBarState* s = Bar(wnd, bar);
  if (s == nullptr) return 0;
  TScrollBarState before = *s;
  if (info.fMask & SIF_RANGE) {
    s->Min = info.nMin;
    s->Max = std::max(info.nMin, info.nMax);
  }
  if (info.fMask & SIF_PAGE) {
    long long range = static_cast<long long>(s->Max) - s->Min + 1;
    s->Page = static_cast<unsigned>(std::min<long long>(info.nPage, range));
  }
  if (info.fMask & SIF_POS) s->Pos = info.nPos;
  s->Pos = std::clamp(s->Pos, s->Min, MaxPos(*s));
  if (!s->Tracking) s->TrackPos = s->Pos;
  TWnd* w = Wnd(wnd);
  bool shown = (w->Style & BarStyle(bar)) != 0;
  if (info.fMask & (SIF_RANGE | SIF_PAGE)) {
    if (!CanScroll(*s)) {
      if (info.fMask & SIF_DISABLENOSCROLL) {
        if (!shown) ShowScrollBar(wnd, bar, true);
        s->DisabledArrows = ESB_DISABLE_BOTH;
      } else if (shown) {
        ShowScrollBar(wnd, bar, false);
      }
    } else {
      if (!shown) ShowScrollBar(wnd, bar, true);
      if ((before.DisabledArrows == ESB_DISABLE_BOTH) && !CanScroll(before))
        s->DisabledArrows = ESB_ENABLE_BOTH;
    }
  }
  bool changed = before.Min != s->Min || before.Max != s->Max || before.Page != s->Page ||
                 before.Pos != s->Pos || before.DisabledArrows != s->DisabledArrows;
  if (redraw && changed) InvalidateFrame(wnd);
  return s->Pos;
}

bool GetScrollInfo(HWND wnd, int bar, TScrollInfo& info) {
  TScrollBarState* s = Bar(wnd, bar);
  if (s == nullptr) return false;
  if (info.fMask & SIF_RANGE) info.nMin = s->Min, info.nMax = s->Max;
  if (info.fMask & SIF_PAGE) info.nPage = s->Page;
  if (info.fMask & SIF_POS) info.nPos = s->Pos;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = s->Tracking ? s->TrackPos : s->Pos;
  return true;
}

int SetScrollPos(HWND wnd, int bar, int pos, bool redraw) {
  TScrollBarState* s = Bar(wnd, bar);
  if (s == nullptr) return 0;
  int old = s->Pos;
  TScrollInfo info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(wnd, bar, info, redraw);
  return old;
}

int GetScrollPos(HWND wnd, int bar) {
  TScrollBarState* s = Bar(wnd, bar);
  return s ? s->Pos : 0;
}

void SetScrollRange(HWND wnd, int bar, int min, int max, bool redraw) {
  TScrollInfo info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  SetScrollInfo(wnd, bar, info, redraw);
}

bool ShowScrollBar(HWND wnd, int bar, bool show) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return false;
  std::uint32_t bits = bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : BarStyle(bar);
  std::uint32_t style = show ? (w->Style | bits) : (w->Style & ~bits);
  if (style == w->Style) return true;
  if (!show && WS().Track.Wnd == wnd) EndTrack(true);
  w->Style = style;
  SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return true;
}

bool EnableScrollBar(HWND wnd, int bar, unsigned arrows) {
  for (int b : {SB_HORZ, SB_VERT}) {
    if (bar != SB_BOTH && bar != b) continue;
    TScrollBarState* s = Bar(wnd, b);
    if (s == nullptr) return false;
    if (s->DisabledArrows == arrows) continue;
    s->DisabledArrows = arrows;
    InvalidateFrame(wnd);
  }
  return true;
}

bool FrameDefWindowProc(HWND wnd, TMessage& message) {
  TWnd* w = Wnd(wnd);
  switch (message.Msg) {
    case WM_NCCALCSIZE: {
      auto* params = LParamAs<TNCCalcSizeParams>(message.LParam);
      if (params == nullptr) return true;
      TRect& r = params->rgrc[0];
      TRect m = FrameMargins(w->Style, w->ExStyle, w->Parent == nullptr);
      r.Left += m.Left, r.Top += m.Top, r.Right -= m.Right, r.Bottom -= m.Bottom;
      if ((w->Style & WS_VSCROLL) && r.Right - r.Left >= GetSystemMetrics(SM_CXVSCROLL)) {
        r.Right -= GetSystemMetrics(SM_CXVSCROLL);
      }
      if ((w->Style & WS_HSCROLL) && r.Bottom - r.Top >= GetSystemMetrics(SM_CYHSCROLL)) {
        r.Bottom -= GetSystemMetrics(SM_CYHSCROLL);
      }
      r.Right = std::max(r.Right, r.Left);
      r.Bottom = std::max(r.Bottom, r.Top);
      return true;
    }
    case WM_NCPAINT:
      if (auto* canvas = reinterpret_cast<TCanvas*>(message.WParam)) PaintFrame(wnd, *canvas);
      return true;
    case WM_NCHITTEST:
      message.Result = HitTest(wnd, LParamToPoint(message.LParam));
      return true;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      int hit = static_cast<int>(message.WParam);
      if (hit == HTVSCROLL || hit == HTHSCROLL) {
        TPoint p = LParamToPoint(message.LParam);
        TRect win = GetWindowRect(wnd);
        BeginTrack(wnd, hit == HTVSCROLL ? SB_VERT : SB_HORZ, {p.X - win.Left, p.Y - win.Top});
      }
      return true;
    }
    case WM_CANCELMODE:
      if (WS().Track.Wnd == wnd) EndTrack(true);
      if (WS().Capture == wnd) ReleaseCapture();
      return true;
    default:
      return false;
  }
}

bool ScrollTrackMouse(const TMsg& msg) {
  auto& ws = WS();
  TScrollTrack& t = ws.Track;
  if (t.Wnd == nullptr || msg.hwnd != t.Wnd) return false;
  if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST || msg.message == WM_MOUSEWHEEL)
    return false;
  if (ws.Capture != t.Wnd) {
    EndTrack(true);
    return false;
  }
  TWnd* w = Wnd(t.Wnd);
  // Client coordinates to window coordinates.
  TPoint p = LParamToPoint(msg.lParam);
  p.X += w->Client.Left;
  p.Y += w->Client.Top;
  t.Point = p;
  TScrollBarLayout l = GetScrollBarLayout(t.Wnd, t.Bar);
  bool vertical = t.Bar == SB_VERT;
  if (msg.message == WM_MOUSEMOVE) {
    if (t.Part == spThumb) {
      TScrollBarState* s = Bar(t.Wnd, t.Bar);
      int trackStart = vertical ? l.PageUp.Top : l.PageUp.Left;
      int offset = (vertical ? p.Y : p.X) - t.ThumbGrab - trackStart;
      int pos = PosFromThumbOffset(*s, l, vertical, offset);
      if (pos != s->TrackPos) {
        s->TrackPos = pos;
        InvalidateFrame(t.Wnd);
        SendScroll(t.Wnd, t.Bar, SB_THUMBTRACK, pos);
      }
    } else {
      bool inside = PtInRect(PartRect(l, t.Part), p);
      if (inside != t.Inside) {
        t.Inside = inside;
        InvalidateFrame(t.Wnd);
      }
    }
    return true;
  }
  if (msg.message == WM_LBUTTONUP) {
    if (t.Part == spThumb) {
      HWND wnd = t.Wnd;
      int bar = t.Bar;
      int pos = Bar(wnd, bar)->TrackPos;
      SendScroll(wnd, bar, SB_THUMBPOSITION, pos);
    }
    EndTrack(true);
  }
  return true;
}
