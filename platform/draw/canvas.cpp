#include "platform/draw/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/base/text.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/draw_text.h"

// --- Pixels -------------------------------------------------------------------

std::uint32_t ColorToArgb(TColor color) {
  if (color == clNone || color == clDefault) return 0;
  TColor c = ColorToRGB(color);
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(c)) << 8) | static_cast<std::uint32_t>(GetBValue(c));
}

TColor ArgbToColor(std::uint32_t argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// --- Regions ------------------------------------------------------------------

TRegion::TRegion(const TRect& rect) {
  if (!IsRectEmpty(rect)) FRects.push_back(rect);
}

TRect TRegion::Bounds() const {
  TRect bounds;
  for (const TRect& r : FRects) UnionRect(bounds, bounds, r);
  return bounds;
}

bool TRegion::Contains(TPoint p) const {
  for (const TRect& r : FRects)
    if (PtInRect(r, p)) return true;
  return false;
}

bool TRegion::Intersects(const TRect& rect) const {
  TRect common;
  for (const TRect& r : FRects)
    if (IntersectRect(common, r, rect)) return true;
  return false;
}

void TRegion::Intersect(const TRect& rect) {
  std::vector<TRect> kept;
  TRect common;
  for (const TRect& r : FRects)
    if (IntersectRect(common, r, rect)) kept.push_back(common);
  FRects = std::move(kept);
}

void TRegion::Exclude(const TRect& cut) {
  if (IsRectEmpty(cut)) return;
  std::vector<TRect> kept;
  for (const TRect& r : FRects) {
    TRect common;
    if (!IntersectRect(common, r, cut)) {
      kept.push_back(r);
      continue;
    }
    // Up to four pieces: the bands above and below, then left and right.
    auto add = [&kept](TRect piece) {
      if (!IsRectEmpty(piece)) kept.push_back(piece);
    };
    add({r.Left, r.Top, r.Right, common.Top});
    add({r.Left, common.Bottom, r.Right, r.Bottom});
    add({r.Left, common.Top, common.Left, common.Bottom});
    add({common.Right, common.Top, r.Right, common.Bottom});
  }
  FRects = std::move(kept);
}

void TRegion::Offset(int dx, int dy) {
  for (TRect& r : FRects) OffsetRect(r, dx, dy);
}

// --- State ------------------------------------------------------------------------

struct TCanvas::TState {
  TFontData Font;
  int FontPixelsPerInch;
  TPenData Pen;
  TBrushData Brush;
  TPoint PenPos;
  TColor TextColor;
  TColor BkColor;
  int BkMode;
  int CharExtra;
  int JustifyExtra;
  int JustifyBreaks;
  TPoint Origin;
  int MapMode;
  TPoint WindowOrg;
  TPoint ViewportOrg;
  TSize WindowExt;
  TSize ViewportExt;
  TRegion Clip;
};

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()),
      FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()) {
  FTextColor = FFont->Color();
  FBkColor = FBrush->Color();
  FFont->OnChange = [this](TObject*) { FontChanged(); };
  FBrush->OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() = default;

void TCanvas::InitClip() {
  FClip = TRegion(DoSurfaceRect());
  DoSetClip(FClip);
}

void TCanvas::FontChanged() { FTextColor = FFont->Color(); }

void TCanvas::BrushChanged() {
  FBkColor = FBrush->Color();
  FBkMode = FBrush->Style() == bsClear ? TRANSPARENT : OPAQUE;
}

void TCanvas::SetFont(const TFont* value) { FFont->Assign(value); }
void TCanvas::SetPen(const TPen* value) { FPen->Assign(value); }
void TCanvas::SetBrush(const TBrush* value) { FBrush->Assign(value); }

int TCanvas::SaveState() {
  FStates.push_back(TState{FFont->Data(), FFont->PixelsPerInch(), FPen->Data(), FBrush->Data(),
                           FPenPos, FTextColor, FBkColor, FBkMode, FCharExtra, FJustifyExtra,
                           FJustifyBreaks, FOrigin, FMapMode, FWindowOrg, FViewportOrg, FWindowExt,
                           FViewportExt, FClip});
  return static_cast<int>(FStates.size());
}

void TCanvas::RestoreState(int depth) {
  if (depth == -1) depth = static_cast<int>(FStates.size());
  if (depth < 1 || depth > static_cast<int>(FStates.size())) return;
  TState s = std::move(FStates[depth - 1]);
  FStates.resize(depth - 1);
  // The objects first: their change notices reset the colours and mode,
  // which are then put back as saved.
  FFont->SetPixelsPerInch(s.FontPixelsPerInch);
  FFont->SetData(s.Font);
  FPen->SetData(s.Pen);
  FBrush->SetData(s.Brush);
  FPenPos = s.PenPos;
  FTextColor = s.TextColor;
  FBkColor = s.BkColor;
  FBkMode = s.BkMode;
  FCharExtra = s.CharExtra;
  FJustifyExtra = s.JustifyExtra;
  FJustifyBreaks = s.JustifyBreaks;
  FOrigin = s.Origin;
  FMapMode = s.MapMode;
  FWindowOrg = s.WindowOrg;
  FViewportOrg = s.ViewportOrg;
  FWindowExt = s.WindowExt;
  FViewportExt = s.ViewportExt;
  if (!(FClip == s.Clip)) {
    FClip = std::move(s.Clip);
    ClipChanged();
  }
}

int TCanvas::StateDepth() const { return static_cast<int>(FStates.size()); }

bool TCanvas::TryLock() {
  if (FLockCount != 0) return false;
  Lock();
  return true;
}

// --- Coordinates ------------------------------------------------------------------

void TCanvas::SetMapMode(int mode) { FMapMode = mode == MM_ANISOTROPIC ? MM_ANISOTROPIC : MM_TEXT; }

void TCanvas::SetWindowExt(TSize e) {
  if (e.cx != 0 && e.cy != 0) FWindowExt = e;
}

void TCanvas::SetViewportExt(TSize e) {
  if (e.cx != 0 && e.cy != 0) FViewportExt = e;
}

namespace {

// Device coordinates saturate here, so a far-off shape (a damaged file's)
// still leaves room for the sums made of its corners and sizes.
constexpr long long kFarDevice = 1 << 30;
// Text runs saturate here, so an origin plus a width stays inside int.
constexpr long long kFarRun = 1 << 29;

int Saturate(long long v, long long limit) {
  return static_cast<int>(std::clamp(v, -limit, limit));
}

// v * num / den rounded to nearest, halves away from zero.
long long Scale(long long v, int num, int den) {
  long long p = v * num;
  long long q = den;
  if (q < 0) {
    p = -p;
    q = -q;
  }
  return p >= 0 ? (p + q / 2) / q : -((-p + q / 2) / q);
}

// clNone and clDefault are never drawn.
bool Drawable(TColor c) { return c != clNone && c != clDefault; }

TRect Normalized(TRect r) {
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  return r;
}

}  // namespace

TPoint TCanvas::LogicalToDevice(TPoint p) const {
  long long x = static_cast<long long>(p.X) - FWindowOrg.X;
  long long y = static_cast<long long>(p.Y) - FWindowOrg.Y;
  if (FMapMode == MM_ANISOTROPIC) {
    x = Scale(x, FViewportExt.cx, FWindowExt.cx);
    y = Scale(y, FViewportExt.cy, FWindowExt.cy);
  }
  return {Saturate(x + FOrigin.X + FViewportOrg.X, kFarDevice),
          Saturate(y + FOrigin.Y + FViewportOrg.Y, kFarDevice)};
}

TPoint TCanvas::DeviceToLogical(TPoint p) const {
  long long x = static_cast<long long>(p.X) - FOrigin.X - FViewportOrg.X;
  long long y = static_cast<long long>(p.Y) - FOrigin.Y - FViewportOrg.Y;
  if (FMapMode == MM_ANISOTROPIC) {
    x = Scale(x, FWindowExt.cx, FViewportExt.cx);
    y = Scale(y, FWindowExt.cy, FViewportExt.cy);
  }
  return {Saturate(x + FWindowOrg.X, kFarDevice), Saturate(y + FWindowOrg.Y, kFarDevice)};
}

TRect TCanvas::LogicalToDevice(const TRect& r) const {
  TPoint a = LogicalToDevice(r.TopLeft());
  TPoint b = LogicalToDevice(r.BottomRight());
  return Normalized({a.X, a.Y, b.X, b.Y});
}

TRect TCanvas::DeviceToLogical(const TRect& r) const {
  TPoint a = DeviceToLogical(r.TopLeft());
  TPoint b = DeviceToLogical(r.BottomRight());
  return Normalized({a.X, a.Y, b.X, b.Y});
}

// --- Clipping -----------------------------------------------------------------------

void TCanvas::ClipChanged() { DoSetClip(FClip); }

TRect TCanvas::ClipRect() const {
  if (FClip.IsEmpty()) return TRect{};
  return DeviceToLogical(FClip.Bounds());
}

void TCanvas::IntersectClipRect(const TRect& r) {
  FClip.Intersect(LogicalToDevice(r));
  ClipChanged();
}

void TCanvas::ExcludeClipRect(const TRect& r) {
  FClip.Exclude(LogicalToDevice(r));
  ClipChanged();
}

void TCanvas::SelectClipRect(const TRect& r) {
  FClip = TRegion(DoSurfaceRect());
  FClip.Intersect(LogicalToDevice(r));
  ClipChanged();
}

void TCanvas::ResetClip() {
  FClip = TRegion(DoSurfaceRect());
  ClipChanged();
}

bool TCanvas::RectVisible(const TRect& r) const { return FClip.Intersects(LogicalToDevice(r)); }

bool TCanvas::Visible(const TRect& deviceBounds) const { return FClip.Intersects(deviceBounds); }

// --- Lines and shapes -----------------------------------------------------------------

namespace {

// Device bounds of a set of points with room for the pen.
TRect PointsBounds(const std::vector<TPoint>& points, int penWidth) {
  TRect b{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (TPoint p : points) {
    b.Left = std::min(b.Left, p.X);
    b.Top = std::min(b.Top, p.Y);
    b.Right = std::max(b.Right, p.X);
    b.Bottom = std::max(b.Bottom, p.Y);
  }
  int margin = penWidth / 2 + 1;
  InflateRect(b, margin, margin);
  return b;
}

}  // namespace

void TCanvas::MoveTo(int x, int y) { FPenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  std::vector<TPoint> ends{LogicalToDevice(FPenPos), LogicalToDevice(TPoint{x, y})};
  FPenPos = {x, y};
  if (FPen->Style() == psClear || !Visible(PointsBounds(ends, FPen->Width()))) return;
  DoLine(ends[0], ends[1]);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.size() < 2 || FPen->Style() == psClear) return;
  std::vector<TPoint> device;
  device.reserve(points.size());
  for (TPoint p : points) device.push_back(LogicalToDevice(p));
  if (!Visible(PointsBounds(device, FPen->Width()))) return;
  DoPolyline(device);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.size() < 2) return;
  std::vector<TPoint> device;
  device.reserve(points.size());
  for (TPoint p : points) device.push_back(LogicalToDevice(p));
  if (!Visible(PointsBounds(device, FPen->Width()))) return;
  DoPolygon(device);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  TRect r = LogicalToDevice(TRect{x1, y1, x2, y2});
  if (IsRectEmpty(r) || !Visible(r)) return;
  DoRectangle(r);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
  TRect r = LogicalToDevice(TRect{x1, y1, x2, y2});
  if (IsRectEmpty(r) || !Visible(r)) return;
  DoRoundRect(r, {std::abs(cornerWidth), std::abs(cornerHeight)});
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  TRect r = LogicalToDevice(TRect{x1, y1, x2, y2});
  if (IsRectEmpty(r) || !Visible(r)) return;
  DoEllipse(r);
}

void TCanvas::ArcLike(TArcKind kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                      int y4) {
  TRect r = LogicalToDevice(TRect{x1, y1, x2, y2});
  if (IsRectEmpty(r) || !Visible(r)) return;
  TPoint p3 = LogicalToDevice(TPoint{x3, y3});
  TPoint p4 = LogicalToDevice(TPoint{x4, y4});
  double cx = (r.Left + r.Right) / 2.0;
  double cy = (r.Top + r.Bottom) / 2.0;
  // Screen y grows downwards; angles count counter-clockwise.
  auto angle = [&](TPoint p) {
    return std::atan2(-(p.Y - cy), p.X - cx) * 180.0 / std::numbers::pi;
  };
  double start = angle(p3);
  double sweep = angle(p4) - start;
  while (sweep <= 0) sweep += 360.0;
  DoArc(kind, r, start, sweep);
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  if (FPen->Style() == psClear) return;
  ArcLike(TArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  ArcLike(TArcKind::Pie, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  ArcLike(TArcKind::Chord, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::FillRect(const TRect& r) {
  if (FBrush->Style() == bsClear) return;
  TRect d = LogicalToDevice(r);
  if (IsRectEmpty(d) || !Visible(d)) return;
  if (const TBitmap* pattern = FBrush->Bitmap(); pattern != nullptr && !pattern->Empty()) {
    // Tiled from the surface's origin, so neighbouring fills line up.
    TRasterImagePtr image = pattern->Image();
    int w = image->Width;
    int h = image->Height;
    int startX = d.Left - ((d.Left % w) + w) % w;
    int startY = d.Top - ((d.Top % h) + h) % h;
    TRegion saved = FClip;
    FClip.Intersect(d);
    ClipChanged();
    for (int y = startY; y < d.Bottom; y += h)
      for (int x = startX; x < d.Right; x += w)
        DoImage(Bounds(x, y, w, h), image, Bounds(0, 0, w, h));
    FClip = std::move(saved);
    ClipChanged();
    return;
  }
  if (Drawable(FBrush->Color())) DoFillRect(d, FBrush->Color());
}

void TCanvas::FillSolidRect(const TRect& r, TColor color) {
  if (!Drawable(color)) return;
  TRect d = LogicalToDevice(r);
  if (IsRectEmpty(d) || !Visible(d)) return;
  DoFillRect(d, color);
}

void TCanvas::FrameRect(const TRect& r) {
  if (FBrush->Style() == bsClear || !Drawable(FBrush->Color())) return;
  TRect d = LogicalToDevice(r);
  if (IsRectEmpty(d) || !Visible(d)) return;
  TColor c = FBrush->Color();
  DoFillRect({d.Left, d.Top, d.Right, d.Top + 1}, c);
  if (d.Height() > 1) DoFillRect({d.Left, d.Bottom - 1, d.Right, d.Bottom}, c);
  if (d.Height() > 2) {
    DoFillRect({d.Left, d.Top + 1, d.Left + 1, d.Bottom - 1}, c);
    if (d.Width() > 1) DoFillRect({d.Right - 1, d.Top + 1, d.Right, d.Bottom - 1}, c);
  }
}

TColor TCanvas::Pixels(int x, int y) {
  TPoint p = LogicalToDevice(TPoint{x, y});
  if (!PtInRect(DoSurfaceRect(), p)) return clNone;
  return DoGetPixel(p);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  TPoint p = LogicalToDevice(TPoint{x, y});
  if (!Drawable(color) || !FClip.Contains(p)) return;
  DoSetPixel(p, color);
}

// --- Text -------------------------------------------------------------------------

TTextRun TCanvas::MakeRun(int x, int y, std::string_view text, const int* dx) {
  TTextRun run;
  run.Origin = LogicalToDevice(TPoint{x, y});
  run.Text = Utf8ToUtf32(text);
  run.Color = FTextColor;
  std::vector<int> advances;
  if (dx != nullptr) {
    advances.assign(dx, dx + run.Text.size());
  } else {
    DoMeasure(run.Text, advances);
    advances.resize(run.Text.size(), 0);
  }
  // Huge character or justification extras saturate rather than wrap.
  run.Offsets.resize(run.Text.size());
  long long pos = 0;
  int blanks = 0;
  for (std::size_t i = 0; i < run.Text.size(); ++i) {
    run.Offsets[i] = static_cast<int>(pos);
    long long advance = advances[i];
    if (dx == nullptr) {
      advance += FCharExtra;
      if (run.Text[i] == U' ' && blanks < FJustifyBreaks) {
        int share = FJustifyExtra / FJustifyBreaks;
        int rest = FJustifyExtra % FJustifyBreaks;
        if (blanks < std::abs(rest)) share += rest > 0 ? 1 : -1;
        advance += share;
        ++blanks;
      }
    }
    pos = std::clamp(pos + advance, -kFarRun, kFarRun);
  }
  run.Width = static_cast<int>(pos);
  return run;
}

std::vector<int> TCanvas::CharAdvances(std::string_view text) {
  TTextRun run = MakeRun(0, 0, text, nullptr);
  std::vector<int> advances(run.Offsets.size());
  for (std::size_t i = 0; i < advances.size(); ++i)
    advances[i] = (i + 1 < advances.size() ? run.Offsets[i + 1] : run.Width) - run.Offsets[i];
  return advances;
}

int TCanvas::TextWidth(std::string_view text) { return MakeRun(0, 0, text, nullptr).Width; }

int TCanvas::TextHeight(std::string_view) { return DoTextMetrics().tmHeight; }

TSize TCanvas::TextExtent(std::string_view text) { return {TextWidth(text), TextHeight(text)}; }

void TCanvas::GetTextMetrics(TTextMetric& tm) { tm = DoTextMetrics(); }

TTextMetric TCanvas::TextMetrics() { return DoTextMetrics(); }

void TCanvas::TextOut(int x, int y, std::string_view text) {
  FPenPos = {x + TextOutRun(x, y, 0, nullptr, text, nullptr), y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
  ExtTextOut(x, y, ETO_CLIPPED | (FBkMode == OPAQUE ? ETO_OPAQUE : 0), &r, text);
}

void TCanvas::TextRect(TRect& r, std::string_view text, unsigned flags) {
  DrawText(*this, text, r, flags);
}

bool TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text,
                         const int* dx) {
  TextOutRun(x, y, options, rect, text, dx);
  return true;
}

int TCanvas::TextOutRun(int x, int y, unsigned options, const TRect* rect, std::string_view text,
                        const int* dx) {
  TRect box = rect != nullptr ? LogicalToDevice(*rect) : TRect{};
  if (rect != nullptr && (options & ETO_OPAQUE) != 0 && Drawable(FBkColor) && !IsRectEmpty(box) &&
      Visible(box))
    DoFillRect(box, FBkColor);
  if (text.empty()) return 0;
  bool clipped = rect != nullptr && (options & ETO_CLIPPED) != 0;
  TTextRun run = MakeRun(x, y, text, dx);
  if (clipped && (IsRectEmpty(box) || !Visible(box))) return run.Width;
  run.RightToLeft = (options & ETO_RTLREADING) != 0;
  int height = DoTextMetrics().tmHeight;
  TRect cell = Bounds(run.Origin.X, run.Origin.Y, run.Width, height);
  bool rotated = FFont->Orientation() % 3600 != 0;
  if (!rotated) {
    TRect visible = cell;
    if (clipped && !IntersectRect(visible, cell, box)) return run.Width;
    if (!Visible(visible)) return run.Width;
  }
  TRegion saved;
  if (clipped) {
    saved = FClip;
    FClip.Intersect(box);
    ClipChanged();
  }
  if (FBkMode == OPAQUE && !rotated && Drawable(FBkColor)) DoFillRect(cell, FBkColor);
  DoText(run);
  if (clipped) {
    FClip = std::move(saved);
    ClipChanged();
  }
  return run.Width;
}

TColor TCanvas::SetTextColor(TColor color) {
  TColor old = FTextColor;
  FTextColor = color;
  return old;
}

TColor TCanvas::SetBkColor(TColor color) {
  TColor old = FBkColor;
  FBkColor = color;
  return old;
}

int TCanvas::SetBkMode(int mode) {
  int old = FBkMode;
  FBkMode = mode == TRANSPARENT ? TRANSPARENT : OPAQUE;
  return old;
}

int TCanvas::SetTextCharacterExtra(int extra) {
  int old = FCharExtra;
  FCharExtra = extra;
  return old;
}

void TCanvas::SetTextJustification(int extra, int breakCount) {
  if (breakCount <= 0) {
    FJustifyExtra = 0;
    FJustifyBreaks = 0;
    return;
  }
  FJustifyExtra = extra;
  FJustifyBreaks = breakCount;
}

// --- Graphics ---------------------------------------------------------------------

void TCanvas::Draw(int x, int y, const TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  graphic->Draw(*this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  TRasterImagePtr image = source.SourceImage();
  if (!image) return;
  DrawImage(dest, image, source.LogicalToDevice(sourceRect));
}

void TCanvas::DrawImage(const TRect& dest, const TRasterImagePtr& image, const TRect& sourceRect) {
  if (!image || image->Width == 0 || image->Height == 0) return;
  TRect d = LogicalToDevice(dest);
  TRect s;
  if (IsRectEmpty(d) || !Visible(d)) return;
  if (!IntersectRect(s, Normalized(sourceRect), Rect(0, 0, image->Width, image->Height))) return;
  DoImage(d, image, s);
}
