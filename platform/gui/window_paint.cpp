// Invalidation and painting of the window tree.
#include <algorithm>
#include <exception>
#include <iostream>

#include "platform/base/exceptions.h"
#include "platform/gui/canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/recording_canvas.h"
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

void GatherInvalid(HWND wnd, TRect& total) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || (w->Style & WS_VISIBLE) == 0) return;
  if (w->FrameInvalid) UnionRect(total, total, WindowRectInTop(wnd));
  if (!IsRectEmpty(w->Invalid)) {
    TRect r = w->Invalid;
    TPoint o = ClientOriginInTop(wnd);
    OffsetRect(r, o.X, o.Y);
    UnionRect(total, total, r);
  }
  for (HWND c : w->Children) GatherInvalid(c, total);
}

struct TPaintContextGuard {
  explicit TPaintContextGuard(TPaintContext& ctx) : FCtx(ctx) {
    ctx.Outer = WS().Paint;
    WS().Paint = &ctx;
  }
  ~TPaintContextGuard() { WS().Paint = FCtx.Outer; }
  TPaintContext& FCtx;
};

// `clip` and the result are in top-level window coordinates; `base` is the
// canvas origin of the top-level window's (0, 0).
void PaintTree(HWND wnd, TCanvas& canvas, const TRect& clip, TPoint base) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || (w->Style & WS_VISIBLE) == 0) return;
  TRect wr = WindowRectInTop(wnd);
  TRect area;
  if (!IntersectRect(area, wr, clip)) return;
  TRect whole = Rect(0, 0, wr.Width(), wr.Height());
  if (w->Client != whole) {
    TCanvasStateSaver saver(canvas);
    canvas.SetOrigin({base.X + wr.Left, base.Y + wr.Top});
    TRect local = area;
    OffsetRect(local, -wr.Left, -wr.Top);
    canvas.IntersectClipRect(local);
    canvas.ExcludeClipRect(w->Client);
    try {
      SendMessage(wnd, WM_NCPAINT, reinterpret_cast<WPARAM>(&canvas), 0);
    } catch (...) {
      HandleGuiException();
    }
    if ((w = Wnd(wnd)) == nullptr) return;
  }
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
    TPaintContext ctx{wnd, &canvas, local, true, nullptr};
    TPaintContextGuard guard(ctx);
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
  for (HWND c : children) PaintTree(c, canvas, clientArea, base);
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

void RequestPaint(HWND wnd, const TRect& rectInTop) {
  TWnd* t = Wnd(wnd);
  if (t == nullptr || IsRectEmpty(rectInTop)) return;
  UnionRect(t->Pending, t->Pending, rectInTop);
  if (t->HostKnows && GuiHost() != nullptr && (t->Style & WS_VISIBLE)) {
    TRect r = rectInTop;
    TPoint off = ContentOffset(wnd);
    OffsetRect(r, -off.X, -off.Y);
    GuiHost()->InvalidateTopLevel(wnd, r);
  }
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
  RequestPaint(GetTopLevel(wnd), WindowRectInTop(wnd));
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

void ScrollWindow(HWND wnd, int dx, int dy, const TRect* rect, const TRect* clip) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  if (rect == nullptr) {
    std::vector<HWND> children = w->Children;
    for (HWND c : children) {
      TRect b = GetWindowBounds(c);
      SetWindowPos(c, nullptr, b.Left + dx, b.Top + dy, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  TRect area = rect ? *rect : GetClientRect(wnd);
  if (clip != nullptr && !IntersectRect(area, area, *clip)) return;
  InvalidateRect(wnd, &area, true);
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

TRect PaintTopLevel(HWND topLevel, TCanvas& canvas, const TRect& dirty) {
  TWnd* t = Wnd(topLevel);
  if (t == nullptr || t->Parent != nullptr || (t->Style & WS_VISIBLE) == 0) return {};
  TPoint off = ContentOffset(topLevel);
  TRect total = dirty;
  OffsetRect(total, off.X, off.Y);
  UnionRect(total, total, t->Pending);
  t->Pending = {};
  GatherInvalid(topLevel, total);
  TRect content = ContentRect(topLevel);
  OffsetRect(content, off.X - content.Left, off.Y - content.Top);
  ClearInvalid(topLevel);
  if (!IntersectRect(total, total, content)) return {};
  TPoint base = canvas.Origin();
  base.X -= off.X;
  base.Y -= off.Y;
  {
    TCanvasStateSaver saver(canvas);
    PaintTree(topLevel, canvas, total, base);
  }
  OffsetRect(total, -off.X, -off.Y);
  return total;
}
