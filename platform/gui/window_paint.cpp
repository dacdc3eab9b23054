// Invalidation and painting of the window tree.
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/draw/canvas.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/window_internal.h"

namespace {

std::function<void()> gExceptionHandler;

TRecordingCanvas& ScratchCanvas() {
  static TRecordingCanvas canvas;
  return canvas;
}

struct TDcRecord {
  HWND Wnd = nullptr;
  TCanvas* Canvas = nullptr;
  int Depth = 0;
  bool Host = false;
  TRect FlushRect;  // content coordinates
};
std::vector<TDcRecord>& Dcs() {
  static std::vector<TDcRecord> dcs;
  return dcs;
}

// The part of `wnd`'s window (whole: true, or client) that its ancestors
// let show, in top-level window coordinates.
TRect VisibleInTop(HWND wnd, bool whole) {
  TWnd* w = Wnd(wnd);
  TRect r = WindowRectInTop(wnd);
  if (!whole) {
    TRect c = w->Client;
    OffsetRect(c, r.Left, r.Top);
    r = c;
  }
  for (HWND p = w->Parent; p != nullptr; p = Wnd(p)->Parent) {
    TWnd* pw = Wnd(p);
    TRect pc = pw->Client;
    TRect pr = WindowRectInTop(p);
    OffsetRect(pc, pr.Left, pr.Top);
    IntersectRect(r, r, pc);
  }
  return r;
}

void ClearInvalid(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  w->Invalid = {};
  w->EraseNeeded = false;
  w->FrameInvalid = false;
  for (HWND c : w->Children) ClearInvalid(c);
}

// Adds the invalid client areas of the tree to `total` (top-level window
// coordinates) and lists the windows whose frame is invalid.
void GatherInvalid(HWND wnd, TRect& total, std::vector<HWND>& frames) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || (w->Style & WS_VISIBLE) == 0) return;
  if (w->FrameInvalid) frames.push_back(wnd);
  if (!IsRectEmpty(w->Invalid)) {
    TRect r = w->Invalid;
    TPoint o = ClientOriginInTop(wnd);
    OffsetRect(r, o.X, o.Y);
    UnionRect(total, total, r);
  }
  for (HWND c : w->Children) GatherInvalid(c, total, frames);
}

// Calls `f` with the window rectangle (top-level window coordinates) of
// every visible window above `wnd` or above one of its ancestors among
// their siblings: what covers `wnd` on the screen.
template <class F>
void ForEachWindowAbove(HWND wnd, F f) {
  for (HWND c = wnd; c != nullptr;) {
    HWND parent = Wnd(c)->Parent;
    if (parent == nullptr) return;
    const std::vector<HWND>& siblings = Wnd(parent)->Children;
    auto it = std::find(siblings.begin(), siblings.end(), c);
    for (++it; it < siblings.end(); ++it) {
      if (Wnd(*it)->Style & WS_VISIBLE) f(WindowRectInTop(*it));
    }
    c = parent;
  }
}

// Paints the frame of `wnd` within `area` (top-level window coordinates)
// and out of the windows above it.
void PaintFrame(HWND wnd, TCanvas& canvas, const TRect& area, TPoint base, bool clipAbove) {
  TWnd* w = Wnd(wnd);
  TRect wr = WindowRectInTop(wnd);
  if (w->Client == Rect(0, 0, wr.Width(), wr.Height())) return;
  TCanvasStateSaver saver(canvas);
  canvas.SetOrigin({base.X + wr.Left, base.Y + wr.Top});
  TRect local = area;
  OffsetRect(local, -wr.Left, -wr.Top);
  canvas.IntersectClipRect(local);
  canvas.ExcludeClipRect(w->Client);
  if (clipAbove) {
    ForEachWindowAbove(wnd, [&](TRect r) {
      OffsetRect(r, -wr.Left, -wr.Top);
      canvas.ExcludeClipRect(r);
    });
  }
  try {
    SendMessage(wnd, WM_NCPAINT, reinterpret_cast<WPARAM>(&canvas), 0);
  } catch (...) {
    HandleGuiException();
  }
}

// `clip` and the result are in top-level window coordinates; `base` is the
// canvas origin of the top-level window's (0, 0).
// `shown` decides which windows count as visible; null: their WS_VISIBLE.
void PaintTree(HWND wnd, TCanvas& canvas, const TRect& clip, TPoint base,
               const std::function<bool(HWND)>* shown = nullptr) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  if (shown != nullptr ? !(*shown)(wnd) : (w->Style & WS_VISIBLE) == 0) return;
  TRect wr = WindowRectInTop(wnd);
  TRect area;
  if (!IntersectRect(area, wr, clip)) return;
  PaintFrame(wnd, canvas, area, base, false);
  if ((w = Wnd(wnd)) == nullptr) return;
  TRect cr = w->Client;
  OffsetRect(cr, wr.Left, wr.Top);
  TRect clientArea;
  if (!IntersectRect(clientArea, cr, area)) return;
  {
    TCanvasStateSaver saver(canvas);
    canvas.SetOrigin({base.X + cr.Left, base.Y + cr.Top});
    TRect local = clientArea;
    OffsetRect(local, -cr.Left, -cr.Top);
    canvas.IntersectClipRect(local);
    TPaintContext ctx{wnd, &canvas, local, true, WS().Paint};
    TValueGuard<TPaintContext*> painting(WS().Paint, &ctx);
    w->Invalid = {};
    w->EraseNeeded = false;
    try {
      SendMessage(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(&canvas), 0);
      if (IsWindow(wnd)) SendMessage(wnd, WM_PAINT, 0, 0);
    } catch (...) {
      HandleGuiException();
    }
  }
  if ((w = Wnd(wnd)) == nullptr) return;
  std::vector<HWND> children = w->Children;
  for (HWND c : children) PaintTree(c, canvas, clientArea, base, shown);
}

}  // namespace

void SetGuiExceptionHandler(std::function<void()> handler) {
  gExceptionHandler = std::move(handler);
}

void HandleGuiException() {
  try {
    if (gExceptionHandler) {
      gExceptionHandler();
      return;
    }
    throw;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
  } catch (...) {
    std::cerr << "Unknown exception\n";
  }
}

namespace {

// Asks the host to paint part of a top-level window soon.
void NotifyHost(HWND wnd, const TRect& rectInTop) {
  TWnd* t = Wnd(wnd);
  if (t == nullptr || IsRectEmpty(rectInTop)) return;
  if (t->HostKnows && GuiHost() != nullptr && (t->Style & WS_VISIBLE)) {
    TRect r = rectInTop;
    TPoint off = ContentOffset(wnd);
    OffsetRect(r, -off.X, -off.Y);
    GuiHost()->InvalidateTopLevel(wnd, r);
  }
}

}  // namespace

void RequestPaint(HWND wnd, const TRect& rectInTop) {
  TWnd* t = Wnd(wnd);
  if (t == nullptr || IsRectEmpty(rectInTop)) return;
  UnionRect(t->Pending, t->Pending, rectInTop);
  NotifyHost(wnd, rectInTop);
}

void InvalidateRect(HWND wnd, const TRect* rect, bool erase) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || !IsWindowVisible(wnd)) return;
  TRect client = Rect(0, 0, w->Client.Width(), w->Client.Height());
  TRect r = client;
  if (rect != nullptr && !IntersectRect(r, *rect, client)) return;
  if (IsRectEmpty(r)) return;
  UnionRect(w->Invalid, w->Invalid, r);
  w->EraseNeeded = w->EraseNeeded || erase;
  TPoint o = ClientOriginInTop(wnd);
  OffsetRect(r, o.X, o.Y);
  RequestPaint(GetTopLevel(wnd), r);
}

void InvalidateFrame(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || !IsWindowVisible(wnd)) return;
  w->FrameInvalid = true;
  // Not Pending: the paint draws only the frame (PaintTopLevel).
  NotifyHost(GetTopLevel(wnd), WindowRectInTop(wnd));
}

void ValidateRect(HWND wnd, const TRect* rect) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  if (rect == nullptr) {
    w->Invalid = {};
    w->EraseNeeded = false;
    return;
  }
  // A rectangle can only shrink the bounding box when it covers a whole side.
  TRect& inv = w->Invalid;
  const TRect& v = *rect;
  if (v.Left <= inv.Left && v.Right >= inv.Right) {
    if (v.Top <= inv.Top && v.Bottom > inv.Top) inv.Top = std::min(inv.Bottom, v.Bottom);
    if (v.Bottom >= inv.Bottom && v.Top < inv.Bottom) inv.Bottom = std::max(inv.Top, v.Top);
  }
  if (v.Top <= inv.Top && v.Bottom >= inv.Bottom) {
    if (v.Left <= inv.Left && v.Right > inv.Left) inv.Left = std::min(inv.Right, v.Right);
    if (v.Right >= inv.Right && v.Left < inv.Right) inv.Right = std::max(inv.Left, v.Left);
  }
  if (IsRectEmpty(inv)) inv = {};
}

bool GetUpdateRect(HWND wnd, TRect& rect) {
  TWnd* w = Wnd(wnd);
  rect = w ? w->Invalid : TRect{};
  return !IsRectEmpty(rect);
}

void UpdateWindow(HWND wnd) {
  HWND top = GetTopLevel(wnd);
  TWnd* t = Wnd(top);
  if (t != nullptr && t->HostKnows && GuiHost() != nullptr && (t->Style & WS_VISIBLE))
    GuiHost()->UpdateTopLevel(top);
}

void RedrawWindow(HWND wnd, const TRect* rect, unsigned flags) {
  if (!IsWindow(wnd)) return;
  if (flags & RDW_INVALIDATE) InvalidateRect(wnd, rect, (flags & RDW_ERASE) != 0);
  if (flags & RDW_FRAME) InvalidateFrame(wnd);
  if (flags & RDW_VALIDATE) ValidateRect(wnd, rect);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(wnd);
}

namespace {

struct TScrolledPixels {
  TRect Moved;  // the part of the area whose pixels moved (empty: none did)
  TRect Stale;  // the part of Moved still awaiting paint before the move
};

// Moves the painted pixels of `area` (client coordinates) by (dx, dy) in
// the host's buffer; the rectangles returned are in client coordinates.
TScrolledPixels ScrollPixels(HWND wnd, const TRect& area, int dx, int dy, bool childrenMove) {
  TWnd* w = Wnd(wnd);
  HWND top = GetTopLevel(wnd);
  TWnd* t = Wnd(top);
  IGuiHost* host = GuiHost();
  if (host == nullptr || !t->HostKnows || !IsWindowVisible(wnd) || WS().Paint != nullptr) return {};
  if (std::abs(dx) >= area.Width() || std::abs(dy) >= area.Height()) return {};
  TPoint o = ClientOriginInTop(wnd);
  TRect moving = area;
  OffsetRect(moving, o.X, o.Y);
  TPoint off = ContentOffset(top);
  TRect content = ContentRect(top);
  OffsetRect(content, off.X - content.Left, off.Y - content.Top);
  if (!IntersectRect(moving, moving, VisibleInTop(wnd, false)) ||
      !IntersectRect(moving, moving, content))
    return {};
  // Pixels still to be painted move stale: where they land is repainted
  // too. (Invalid frames are painted where their windows are at paint
  // time, and never overlap the client area of a window they do not move
  // with.)
  TRect pending = t->Pending;
  std::vector<HWND> frames;
  GatherInvalid(top, pending, frames);
  TRect stale;
  IntersectRect(stale, pending, moving);
  // Pixels of windows that stay where they are must not move.
  TRect overlap;
  bool covered = false;
  ForEachWindowAbove(wnd, [&](const TRect& r) { covered |= IntersectRect(overlap, r, moving); });
  if (!childrenMove) {
    for (HWND c : w->Children) {
      if (Wnd(c)->Style & WS_VISIBLE) covered |= IntersectRect(overlap, WindowRectInTop(c), moving);
    }
  }
  if (covered) return {};
  TRect target = moving;
  OffsetRect(target, -off.X, -off.Y);
  if (!host->ScrollTopLevel(top, target, dx, dy)) return {};
  OffsetRect(moving, -o.X, -o.Y);
  OffsetRect(stale, -o.X, -o.Y);
  return {moving, stale};
}

}  // namespace

void ScrollWindow(HWND wnd, int dx, int dy, const TRect* rect, const TRect* clip) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  TRect area = rect ? *rect : GetClientRect(wnd);
  if (clip != nullptr && !IntersectRect(area, area, *clip)) area = {};
  TScrolledPixels scrolled;
  if (!IsRectEmpty(area) && (dx != 0 || dy != 0))
    scrolled = ScrollPixels(wnd, area, dx, dy, rect == nullptr);
  const TRect& moved = scrolled.Moved;
  if (rect == nullptr) {
    // Their pixels moved with the contents (or get repainted with them).
    std::vector<HWND> children = w->Children;
    for (HWND c : children) {
      if (!IsWindow(c)) continue;
      TRect b = GetWindowBounds(c);
      SetWindowPos(c, nullptr, b.Left + dx, b.Top + dy, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
  }
  if (IsRectEmpty(area)) return;
  if (IsRectEmpty(moved)) {
    InvalidateRect(wnd, &area, true);
    return;
  }
  // Only what the move uncovered needs painting, and where stale pixels went.
  TRect landed = scrolled.Stale;
  OffsetRect(landed, dx, dy);
  if (IntersectRect(landed, landed, moved)) InvalidateRect(wnd, &landed, true);
  if (dy > 0) {
    TRect strip{moved.Left, moved.Top, moved.Right, moved.Top + dy};
    InvalidateRect(wnd, &strip, true);
  } else if (dy < 0) {
    TRect strip{moved.Left, moved.Bottom + dy, moved.Right, moved.Bottom};
    InvalidateRect(wnd, &strip, true);
  }
  if (dx > 0) {
    TRect strip{moved.Left, moved.Top, moved.Left + dx, moved.Bottom};
    InvalidateRect(wnd, &strip, true);
  } else if (dx < 0) {
    TRect strip{moved.Right + dx, moved.Top, moved.Right, moved.Bottom};
    InvalidateRect(wnd, &strip, true);
  }
}

TCanvas* BeginPaint(HWND wnd, TPaintStruct& ps) {
  TPaintContext* ctx = WS().Paint;
  if (ctx != nullptr && ctx->Wnd == wnd) {
    ps.Canvas = ctx->Canvas;
    ps.rcPaint = ctx->PaintRect;
    ps.fErase = ctx->Erase;
    return ps.Canvas;
  }
  ValidateRect(wnd, nullptr);
  ps.Canvas = GetDC(wnd);
  ps.rcPaint = {};
  ps.fErase = false;
  return ps.Canvas;
}

void EndPaint(HWND wnd, const TPaintStruct& ps) {
  TPaintContext* ctx = WS().Paint;
  if (ctx != nullptr && ctx->Wnd == wnd && ps.Canvas == ctx->Canvas) return;
  ReleaseDC(wnd, ps.Canvas);
}

namespace {

TCanvas* GetDCImpl(HWND wnd, bool whole) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return nullptr;
  TPaintContext* ctx = WS().Paint;
  if (ctx != nullptr && ctx->Wnd == wnd && !whole) return ctx->Canvas;
  HWND top = GetTopLevel(wnd);
  TWnd* t = Wnd(top);
  TDcRecord rec;
  rec.Wnd = wnd;
  TPoint off = ContentOffset(top);
  if (t->HostKnows && GuiHost() != nullptr && IsWindowVisible(wnd))
    rec.Canvas = GuiHost()->TopLevelCanvas(top);
  rec.Host = rec.Canvas != nullptr;
  if (rec.Canvas == nullptr) rec.Canvas = &ScratchCanvas();
  TCanvas& c = *rec.Canvas;
  rec.Depth = c.SaveState();
  TRect wr = WindowRectInTop(wnd);
  TPoint origin = whole ? wr.TopLeft() : ClientOriginInTop(wnd);
  TRect visible = VisibleInTop(wnd, whole);
  OffsetRect(visible, -off.X, -off.Y);
  rec.FlushRect = visible;
  c.SetOrigin({origin.X - off.X, origin.Y - off.Y});
  TRect local = visible;
  OffsetRect(local, off.X - origin.X, off.Y - origin.Y);
  if (IsRectEmpty(local)) local = Rect(0, 0, 0, 0);
  c.SelectClipRect(local);
  Dcs().push_back(rec);
  return rec.Canvas;
}

}  // namespace

TCanvas* GetDC(HWND wnd) { return GetDCImpl(wnd, false); }
TCanvas* GetWindowDC(HWND wnd) { return GetDCImpl(wnd, true); }

void ReleaseDC(HWND, TCanvas* canvas) {
  auto& dcs = Dcs();
  for (auto it = dcs.rbegin(); it != dcs.rend(); ++it) {
    if (it->Canvas != canvas) continue;
    TDcRecord rec = *it;
    dcs.erase(std::next(it).base());
    rec.Canvas->RestoreState(rec.Depth);
    HWND top = GetTopLevel(rec.Wnd);
    if (rec.Host && IsWindow(top)) GuiHost()->FlushTopLevel(top, rec.FlushRect);
    if (!rec.Host &&
        std::none_of(dcs.begin(), dcs.end(), [](const TDcRecord& d) { return !d.Host; })) {
      ScratchCanvas().Clear();
    }
    return;
  }
}

TCanvas& MeasureCanvas() {
  if (GuiHost() != nullptr) return GuiHost()->MeasureCanvas();
  static TRecordingCanvas canvas;
  canvas.Clear();
  return canvas;
}

int TitleBarTextWidth(const std::string& caption) {
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  if (IGuiHost* host = GuiHost()) {
    canvas.Font()->SetData(host->TitleBarFont());
  } else {
    canvas.Font()->SetData(TFontData{});
    canvas.Font()->SetStyle({fsBold});
  }
  return canvas.TextWidth(caption);
}

void PaintWindowTo(HWND wnd, TCanvas& canvas, const std::function<bool(HWND)>& shown) {
  if (Wnd(wnd) == nullptr) return;
  const TRect wr = WindowRectInTop(wnd);
  TPoint base = canvas.Origin();
  base.X -= wr.Left;
  base.Y -= wr.Top;
  TCanvasStateSaver saver(canvas);
  PaintTree(wnd, canvas, wr, base, &shown);
}

TRect PaintTopLevel(HWND topLevel, TCanvas& canvas, const TRect& dirty) {
  TWnd* t = Wnd(topLevel);
  if (t == nullptr || t->Parent != nullptr || (t->Style & WS_VISIBLE) == 0) return {};
  TPoint off = ContentOffset(topLevel);
  TRect total = dirty;
  OffsetRect(total, off.X, off.Y);
  UnionRect(total, total, t->Pending);
  t->Pending = {};
  std::vector<HWND> frames;
  GatherInvalid(topLevel, total, frames);
  TRect content = ContentRect(topLevel);
  OffsetRect(content, off.X - content.Left, off.Y - content.Top);
  ClearInvalid(topLevel);
  if (!IntersectRect(total, total, content)) total = {};
  TPoint base = canvas.Origin();
  base.X -= off.X;
  base.Y -= off.Y;
  TRect painted = total;
  {
    TCanvasStateSaver saver(canvas);
    if (!IsRectEmpty(total)) PaintTree(topLevel, canvas, total, base);
    // Frames alone: their client areas keep their pixels.
    for (HWND f : frames) {
      if (!IsWindowVisible(f) || GetTopLevel(f) != topLevel) continue;
      TRect area;
      if (!IntersectRect(area, VisibleInTop(f, true), content)) continue;
      TRect inside;
      if (IntersectRect(inside, area, total) && inside == area) continue;  // done above
      PaintFrame(f, canvas, area, base, true);
      UnionRect(painted, painted, area);
    }
  }
  if (IsRectEmpty(painted)) return {};
  OffsetRect(painted, -off.X, -off.Y);
  return painted;
}
