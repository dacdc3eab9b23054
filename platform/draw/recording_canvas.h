// TRecordingCanvas: a canvas that draws nothing and keeps a list of what
// was drawn, in device coordinates, with the attributes and clip of each
// primitive. It is the test seam of the window system (tests assert on
// Records()), the program's metafile (Replay draws the records onto any
// other canvas) and the measuring canvas of headless controls.
//
// Its font metrics are fixed and deterministic, for any face:
//   em       = -Height for a negative Height (the character height);
//              for a positive Height (the cell height) Height - (Height + 3) / 6;
//              11 when Height is 0
//   internal leading = (em + 2) / 5 for a negative Height, (Height + 3) / 6
//              for a positive one
//   tmHeight = em + internal leading; descent = (tmHeight + 3) / 6;
//   ascent   = tmHeight - descent; external leading = em / 10
//   every character (blank, Cyrillic, anything: one code point) is
//   (em + 1) / 2 wide, one more in bold; widths simply add up.
// The default 8-point font (Height -11) gives cells 13 high and characters
// 6 wide (7 in bold): close to the classic screen font.
//
// GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/draw/canvas.h"

enum class TRecordKind {
  FillRect,   // Rect in Color
  Line,       // Points[0] to Points[1] with Pen
  Polyline,   // Points with Pen
  Polygon,    // Points with Pen and Brush
  Rectangle,  // Rect with Pen and Brush
  RoundRect,  // Rect, Corner with Pen and Brush
  Ellipse,    // Rect with Pen and Brush
  Arc,        // Arc kind, Rect, StartAngle, SweepAngle with Pen (and Brush)
  Text,       // Text at Rect.TopLeft() (Rect = the cell), Offsets, Font, Color
  Image,      // Image's Source stretched into Rect
  Pixel       // Points[0] in Color
};

// One drawing primitive, device coordinates.
struct TCanvasRecord {
  TRecordKind Kind = TRecordKind::FillRect;
  TRect Rect;
  std::vector<TPoint> Points;
  TColor Color = clNone;  // fill, text or pixel colour, as set
  TPenData Pen;
  TBrushData Brush;
  TFontData Font;
  std::string Text;          // UTF-8
  std::vector<int> Offsets;  // x of each character from Rect.Left
  bool RightToLeft = false;
  TSize Corner;
  TArcKind Arc = TArcKind::Arc;
  double StartAngle = 0;
  double SweepAngle = 0;
  TRasterImagePtr Image;
  TRect Source;
  TRegion Clip;  // the clip region when it was drawn
};

class TRecordingCanvas : public TCanvas {
 public:
  // The surface the clip starts from.
  static constexpr TRect kDefaultSurface{0, 0, 32767, 32767};
  explicit TRecordingCanvas(const TRect& surface = kDefaultSurface);

  const std::vector<TCanvasRecord>& Records() const { return FRecords; }
  // Hands the records over and starts a new list.
  std::vector<TCanvasRecord> TakeRecords();
  void Clear() { FRecords.clear(); }

  // Draws `records` onto `target` moved by `offset` (target's logical
  // coordinates), each within its recorded clip; target's state is
  // restored afterwards.
  static void Replay(const std::vector<TCanvasRecord>& records, TCanvas& target,
                     TPoint offset = {});
  void Replay(TCanvas& target, TPoint offset = {}) const { Replay(FRecords, target, offset); }

  // The fixed metrics described above.
  static TTextMetric FixedMetrics(const TFontData& font);
  static int FixedCharWidth(const TFontData& font);

 protected:
  // TCanvas
  TRect DoSurfaceRect() const override { return FSurface; }
  void DoSetClip(const TRegion&) override {}
  void DoFillRect(const TRect& r, TColor color) override;
  void DoLine(TPoint from, TPoint to) override;
  void DoPolyline(const std::vector<TPoint>& points) override;
  void DoPolygon(const std::vector<TPoint>& points) override;
  void DoRectangle(const TRect& r) override;
  void DoRoundRect(const TRect& r, TSize corner) override;
  void DoEllipse(const TRect& r) override;
  void DoArc(TArcKind kind, const TRect& r, double startAngle, double sweepAngle) override;
  void DoText(const TTextRun& run) override;
  TTextMetric DoTextMetrics() override { return FixedMetrics(Font()->Data()); }
  void DoMeasure(std::u32string_view text, std::vector<int>& advances) override;
  void DoImage(const TRect& dest, const TRasterImagePtr& image, const TRect& source) override;
  // A recording has no pixels: clNone.
  TColor DoGetPixel(TPoint) override { return clNone; }
  void DoSetPixel(TPoint p, TColor color) override;

 private:
  TCanvasRecord& Add(TRecordKind kind);
  TCanvasRecord& AddShape(TRecordKind kind);

  TRect FSurface;
  std::vector<TCanvasRecord> FRecords;
};
