#include "platform/draw/recording_canvas.h"

#include <cmath>
#include <numbers>

#include "platform/base/text.h"

TRecordingCanvas::TRecordingCanvas(const TRect& surface) : FSurface(surface) { InitClip(); }

std::vector<TCanvasRecord> TRecordingCanvas::TakeRecords() {
  std::vector<TCanvasRecord> taken = std::move(FRecords);
  FRecords.clear();
  return taken;
}

// --- Metrics ------------------------------------------------------------------

namespace {

struct TEmAndLeading {
  int Em;
  int Internal;
};

TEmAndLeading EmOf(const TFontData& font) {
  if (font.Height < 0) return {-font.Height, (-font.Height + 2) / 5};
  if (font.Height > 0) {
    int internal = (font.Height + 3) / 6;
    return {font.Height - internal, internal};
  }
  return {11, (11 + 2) / 5};
}

}  // namespace

int TRecordingCanvas::FixedCharWidth(const TFontData& font) {
  int width = (EmOf(font).Em + 1) / 2;
  if (font.Style.Contains(fsBold)) ++width;
  return std::max(width, 1);
}

TTextMetric TRecordingCanvas::FixedMetrics(const TFontData& font) {
  TEmAndLeading e = EmOf(font);
  TTextMetric tm;
  tm.tmInternalLeading = e.Internal;
  tm.tmHeight = e.Em + e.Internal;
  tm.tmDescent = (tm.tmHeight + 3) / 6;
  tm.tmAscent = tm.tmHeight - tm.tmDescent;
  tm.tmExternalLeading = e.Em / 10;
  tm.tmAveCharWidth = FixedCharWidth(font);
  tm.tmMaxCharWidth = tm.tmAveCharWidth;
  tm.tmWeight = font.Style.Contains(fsBold) ? 700 : 400;
  tm.tmItalic = font.Style.Contains(fsItalic);
  tm.tmUnderlined = font.Style.Contains(fsUnderline);
  tm.tmStruckOut = font.Style.Contains(fsStrikeOut);
  tm.tmCharSet = font.Charset;
  return tm;
}

void TRecordingCanvas::DoMeasure(std::u32string_view text, std::vector<int>& advances) {
  advances.assign(text.size(), FixedCharWidth(Font()->Data()));
}

// --- Recording ------------------------------------------------------------------

TCanvasRecord& TRecordingCanvas::Add(TRecordKind kind) {
  TCanvasRecord& r = FRecords.emplace_back();
  r.Kind = kind;
  r.Clip = ClipRegion();
  return r;
}

TCanvasRecord& TRecordingCanvas::AddShape(TRecordKind kind) {
  TCanvasRecord& r = Add(kind);
  r.Pen = Pen()->Data();
  r.Brush = Brush()->Data();
  return r;
}

void TRecordingCanvas::DoFillRect(const TRect& rect, TColor color) {
  TCanvasRecord& r = Add(TRecordKind::FillRect);
  r.Rect = rect;
  r.Color = color;
}

void TRecordingCanvas::DoLine(TPoint from, TPoint to) {
  TCanvasRecord& r = AddShape(TRecordKind::Line);
  r.Points = {from, to};
}

void TRecordingCanvas::DoPolyline(const std::vector<TPoint>& points) {
  AddShape(TRecordKind::Polyline).Points = points;
}

void TRecordingCanvas::DoPolygon(const std::vector<TPoint>& points) {
  AddShape(TRecordKind::Polygon).Points = points;
}

void TRecordingCanvas::DoRectangle(const TRect& rect) {
  AddShape(TRecordKind::Rectangle).Rect = rect;
}

void TRecordingCanvas::DoRoundRect(const TRect& rect, TSize corner) {
  TCanvasRecord& r = AddShape(TRecordKind::RoundRect);
  r.Rect = rect;
  r.Corner = corner;
}

void TRecordingCanvas::DoEllipse(const TRect& rect) { AddShape(TRecordKind::Ellipse).Rect = rect; }

void TRecordingCanvas::DoArc(TArcKind kind, const TRect& rect, double startAngle,
                             double sweepAngle) {
  TCanvasRecord& r = AddShape(TRecordKind::Arc);
  r.Arc = kind;
  r.Rect = rect;
  r.StartAngle = startAngle;
  r.SweepAngle = sweepAngle;
}

void TRecordingCanvas::DoText(const TTextRun& run) {
  TCanvasRecord& r = Add(TRecordKind::Text);
  r.Font = Font()->Data();
  r.Rect = Bounds(run.Origin.X, run.Origin.Y, run.Width, FixedMetrics(r.Font).tmHeight);
  r.Text = Utf32ToUtf8(run.Text);
  r.Offsets = run.Offsets;
  r.Color = run.Color;
  r.RightToLeft = run.RightToLeft;
}

void TRecordingCanvas::DoImage(const TRect& dest, const TRasterImagePtr& image,
                               const TRect& source) {
  TCanvasRecord& r = Add(TRecordKind::Image);
  r.Rect = dest;
  r.Image = image;
  r.Source = source;
}

void TRecordingCanvas::DoSetPixel(TPoint p, TColor color) {
  TCanvasRecord& r = Add(TRecordKind::Pixel);
  r.Points = {p};
  r.Color = color;
}

// --- Replay -----------------------------------------------------------------------

namespace {

TRect Moved(TRect r, TPoint offset) {
  OffsetRect(r, offset.X, offset.Y);
  return r;
}

TPoint Moved(TPoint p, TPoint offset) { return {p.X + offset.X, p.Y + offset.Y}; }

std::vector<TPoint> Moved(const std::vector<TPoint>& points, TPoint offset) {
  std::vector<TPoint> moved;
  moved.reserve(points.size());
  for (TPoint p : points) moved.push_back(Moved(p, offset));
  return moved;
}

// Clips `target` to `clip` (device coordinates of the recording, moved).
void ApplyClip(TCanvas& target, const TRegion& clip, TPoint offset) {
  TRect bounds = Moved(clip.Bounds(), offset);
  target.IntersectClipRect(bounds);
  if (clip.Rects().size() <= 1) return;
  TRegion holes(bounds);
  for (const TRect& r : clip.Rects()) holes.Exclude(Moved(r, offset));
  for (const TRect& hole : holes.Rects()) target.ExcludeClipRect(hole);
}

// A point on the ray at `degrees` from the centre of `r`, far enough out.
TPoint RayPoint(const TRect& r, double degrees) {
  double cx = (r.Left + r.Right) / 2.0;
  double cy = (r.Top + r.Bottom) / 2.0;
  double reach = r.Width() + r.Height() + 16;
  double a = degrees * std::numbers::pi / 180.0;
  return {static_cast<int>(std::lround(cx + reach * std::cos(a))),
          static_cast<int>(std::lround(cy - reach * std::sin(a)))};
}

}  // namespace

void TRecordingCanvas::Replay(const std::vector<TCanvasRecord>& records, TCanvas& target,
                              TPoint offset) {
  for (const TCanvasRecord& r : records) {
    TCanvasStateSaver saver(target);
    ApplyClip(target, r.Clip, offset);
    TRect rect = Moved(r.Rect, offset);
    switch (r.Kind) {
      case TRecordKind::FillRect:
        target.FillSolidRect(rect, r.Color);
        break;
      case TRecordKind::Pixel:
        target.SetPixels(r.Points[0].X + offset.X, r.Points[0].Y + offset.Y, r.Color);
        break;
      case TRecordKind::Image:
        target.DrawImage(rect, r.Image, r.Source);
        break;
      case TRecordKind::Text: {
        target.Font()->SetData(r.Font);
        target.SetTextColor(r.Color);
        target.SetBkMode(TRANSPARENT);
        std::vector<int> dx(r.Offsets.size());
        for (std::size_t i = 0; i < dx.size(); ++i)
          dx[i] = (i + 1 < dx.size() ? r.Offsets[i + 1] : rect.Width()) - r.Offsets[i];
        target.ExtTextOut(rect.Left, rect.Top, r.RightToLeft ? ETO_RTLREADING : 0, nullptr, r.Text,
                          dx.data());
        break;
      }
      default: {
        target.Pen()->SetData(r.Pen);
        target.Brush()->SetData(r.Brush);
        switch (r.Kind) {
          case TRecordKind::Line:
            target.MoveTo(r.Points[0].X + offset.X, r.Points[0].Y + offset.Y);
            target.LineTo(r.Points[1].X + offset.X, r.Points[1].Y + offset.Y);
            break;
          case TRecordKind::Polyline:
            target.Polyline(Moved(r.Points, offset));
            break;
          case TRecordKind::Polygon:
            target.Polygon(Moved(r.Points, offset));
            break;
          case TRecordKind::Rectangle:
            target.Rectangle(rect);
            break;
          case TRecordKind::RoundRect:
            target.RoundRect(rect.Left, rect.Top, rect.Right, rect.Bottom, r.Corner.cx,
                             r.Corner.cy);
            break;
          case TRecordKind::Ellipse:
            target.Ellipse(rect);
            break;
          case TRecordKind::Arc: {
            TPoint a = RayPoint(rect, r.StartAngle);
            TPoint b = RayPoint(rect, r.StartAngle + r.SweepAngle);
            auto draw = r.Arc == TArcKind::Arc   ? &TCanvas::Arc
                        : r.Arc == TArcKind::Pie ? &TCanvas::Pie
                                                 : &TCanvas::Chord;
            (target.*draw)(rect.Left, rect.Top, rect.Right, rect.Bottom, a.X, a.Y, b.X, b.Y);
            break;
          }
          default:
            break;
        }
      }
    }
  }
}
