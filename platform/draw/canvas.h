// TCanvas: the classic drawing surface, as an abstract class.
//
// The base class holds all classic state and logic: Font, Pen and Brush,
// the pen position, the text and background colours and mode, character
// extra and justification, the coordinate mapping and the clip region, and
// a state stack (SaveState/RestoreState, TCanvasStateSaver). It turns every
// call into a few protected primitives in device coordinates (DoFillRect,
// DoLine, DoText, ...), which an implementation supplies: the Qt canvas
// paints with them, TRecordingCanvas records them. Text is measured by the
// implementation per character (no kerning, no ligatures), and the base
// places every character itself, so widths add up exactly and a recording
// and a real canvas put text in the same places.
//
// Coordinates are integers in logical units; text is UTF-8, counted in
// characters. Logical to device:
//   device = Origin + ViewportOrg + (logical - WindowOrg) * ViewportExt / WindowExt
// where the extents count only in MM_ANISOTROPIC (1:1 in MM_TEXT). Origin is
// the surface offset the window system sets for a child window
// (SetOrigin/MoveOrigin); the window/viewport pair is the classic mapping.
// Pen widths and font sizes are not scaled by the mapping.
//
// Rectangles include Left/Top and exclude Right/Bottom, as in geometry.h.
// Primitives entirely outside the clip region are skipped. GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/geometry.h"
#include "platform/draw/graphics.h"
#include "platform/draw/raster_image.h"

// --- Pixels -------------------------------------------------------------------

// 0xAARRGGBB of an opaque TColor (system colours resolved; clNone and
// clDefault give a transparent pixel).
std::uint32_t ColorToArgb(TColor color);
// The TColor of a pixel, alpha dropped.
TColor ArgbToColor(std::uint32_t argb);

// --- Regions ------------------------------------------------------------------

// A set of pixels as disjoint rectangles: what clipping works with.
class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& rect);

  bool IsEmpty() const { return FRects.empty(); }
  const std::vector<TRect>& Rects() const { return FRects; }
  // The smallest rectangle holding the region (all zero when empty).
  TRect Bounds() const;
  bool Contains(TPoint p) const;
  // True when some pixel of `rect` is in the region.
  bool Intersects(const TRect& rect) const;
  void Intersect(const TRect& rect);
  void Exclude(const TRect& rect);
  void Offset(int dx, int dy);
  friend bool operator==(const TRegion&, const TRegion&) = default;

 private:
  std::vector<TRect> FRects;
};

// --- Text metrics and flags ---------------------------------------------------

struct TTextMetric {
  int tmHeight = 0;  // ascent + descent
  int tmAscent = 0;
  int tmDescent = 0;
  int tmInternalLeading = 0;
  int tmExternalLeading = 0;
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
  int tmWeight = 400;
  int tmOverhang = 0;
  bool tmItalic = false;
  bool tmUnderlined = false;
  bool tmStruckOut = false;
  int tmPitchAndFamily = 0;
  TFontCharset tmCharSet = DEFAULT_CHARSET;
};

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

inline constexpr unsigned ETO_OPAQUE = 0x0002;
inline constexpr unsigned ETO_CLIPPED = 0x0004;
inline constexpr unsigned ETO_RTLREADING = 0x0080;

inline constexpr int MM_TEXT = 1;
inline constexpr int MM_ANISOTROPIC = 8;

class TGraphic;
class TCanvas;

// --- What a primitive draws -----------------------------------------------------

// One run of text: characters placed by the base class.
struct TTextRun {
  TPoint Origin;             // device; top-left of the first character cell
  std::u32string Text;       // one entry per character
  std::vector<int> Offsets;  // x of each character relative to Origin.X
  int Width = 0;             // advance of the whole run
  TColor Color = clBlack;    // text colour (as set; may be a system colour)
  bool RightToLeft = false;  // ETO_RTLREADING: base direction only
};

enum class TArcKind { Arc, Pie, Chord };

// --- The canvas -----------------------------------------------------------------

class TCanvas {
 public:
  TCanvas();
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // --- drawing objects (owned by the canvas, which listens to the font's
  // and the brush's OnChange: leave those two events alone)
  TFont* Font() const { return FFont.get(); }
  TPen* Pen() const { return FPen.get(); }
  TBrush* Brush() const { return FBrush.get(); }
  // Copy the attributes of `value` (Assign).
  void SetFont(const TFont* value);
  void SetPen(const TPen* value);
  void SetBrush(const TBrush* value);

  // --- lines and shapes (logical coordinates)
  TPoint PenPos() const { return FPenPos; }
  void SetPenPos(TPoint p) { FPenPos = p; }
  void MoveTo(int x, int y);
  // A line from PenPos to (x, y) without its last pixel; PenPos moves there.
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  // Outlined with Pen, filled with Brush (alternate fill).
  void Polygon(const std::vector<TPoint>& points);
  // Outline with Pen on the rectangle's border pixels, inside with Brush.
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Elliptic arc / pie / chord in the box (x1,y1)-(x2,y2), counter-clockwise
  // from the ray towards (x3,y3) to the ray towards (x4,y4).
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Fills with Brush (nothing for a clear brush).
  void FillRect(const TRect& r);
  // Fills with `color` regardless of Brush (an addition of ours: the style
  // painter draws its lines with it).
  void FillSolidRect(const TRect& r, TColor color);
  // A one-pixel border in the Brush colour.
  void FrameRect(const TRect& r);
  // The pixel's colour; clNone outside the surface or on a canvas without
  // pixels (a recording).
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  // --- text (the cell's top-left at (x, y))
  // Draws in the text colour; in OPAQUE mode the cell is filled with the
  // background colour first. PenPos moves to (x + TextWidth(text), y).
  void TextOut(int x, int y, std::string_view text);
  // As TextOut, clipped to `r`; in OPAQUE mode `r` is filled first.
  void TextRect(const TRect& r, int x, int y, std::string_view text);
  // DrawText(*this, text, r, flags) with the DT_ flags of draw_text.h;
  // DT_CALCRECT updates `r`.
  void TextRect(TRect& r, std::string_view text, unsigned flags);
  // Width includes character extra and justification.
  int TextWidth(std::string_view text);
  int TextHeight(std::string_view text);
  TSize TextExtent(std::string_view text);
  // ETO_OPAQUE fills `rect` with the background colour, ETO_CLIPPED clips
  // to it (`rect` may be null otherwise). `dx`, when given, holds one
  // advance per character (count = Length(text)) and replaces the
  // measured widths. Returns true.
  bool ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text,
                  const int* dx = nullptr);
  void GetTextMetrics(TTextMetric& tm);
  TTextMetric TextMetrics();
  // The advance of each character of `text` (with extra and justification),
  // the sum being TextWidth(text).
  std::vector<int> CharAdvances(std::string_view text);

  // The text colour, initially and after any font change Font()->Color().
  TColor TextColor() const { return FTextColor; }
  TColor SetTextColor(TColor color);  // returns the previous colour
  // The background colour and mode, initially and after any brush change
  // Brush()->Color() and OPAQUE (TRANSPARENT for a clear brush).
  TColor BkColor() const { return FBkColor; }
  TColor SetBkColor(TColor color);
  int BkMode() const { return FBkMode; }
  int SetBkMode(int mode);
  // Pixels added after every character (measured and drawn).
  int TextCharacterExtra() const { return FCharExtra; }
  int SetTextCharacterExtra(int extra);
  // Spreads `extra` pixels over the first `breakCount` blanks of every
  // following text output (evenly; the remainder one each to the first
  // blanks) until reset with (0, 0).
  void SetTextJustification(int extra, int breakCount);

  // --- graphics
  // Draws `graphic` at its own size / stretched into `r`. Null or empty is
  // ignored.
  void Draw(int x, int y, const TGraphic* graphic);
  void StretchDraw(const TRect& r, const TGraphic* graphic);
  // Copies the pixels of `source`'s `sourceRect` into `dest`. Only canvases
  // that have pixels (a bitmap's) can be a source; others draw nothing.
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
  // Draws `image`'s `sourceRect` stretched into `dest`, blending by alpha.
  void DrawImage(const TRect& dest, const TRasterImagePtr& image, const TRect& sourceRect);

  // --- coordinates
  TPoint Origin() const { return FOrigin; }
  void SetOrigin(TPoint origin) { FOrigin = origin; }
  void MoveOrigin(int dx, int dy) { FOrigin = {FOrigin.X + dx, FOrigin.Y + dy}; }
  int MapMode() const { return FMapMode; }
  // MM_TEXT or MM_ANISOTROPIC; anything else is taken as MM_TEXT.
  void SetMapMode(int mode);
  TPoint WindowOrg() const { return FWindowOrg; }
  void SetWindowOrg(TPoint p) { FWindowOrg = p; }
  TPoint ViewportOrg() const { return FViewportOrg; }
  void SetViewportOrg(TPoint p) { FViewportOrg = p; }
  TSize WindowExt() const { return FWindowExt; }
  // Zero extents are refused (left as they were).
  void SetWindowExt(TSize e);
  TSize ViewportExt() const { return FViewportExt; }
  void SetViewportExt(TSize e);
  TPoint LogicalToDevice(TPoint p) const;
  TPoint DeviceToLogical(TPoint p) const;
  // Normalised (Left <= Right) after mapping.
  TRect LogicalToDevice(const TRect& r) const;
  TRect DeviceToLogical(const TRect& r) const;

  // --- clipping (rectangles in logical coordinates)
  // The bounds of the clip region, in logical coordinates.
  TRect ClipRect() const;
  // The clip region in device coordinates.
  const TRegion& ClipRegion() const { return FClip; }
  void IntersectClipRect(const TRect& r);
  void ExcludeClipRect(const TRect& r);
  // Replaces the clip with `r` (within the surface).
  void SelectClipRect(const TRect& r);
  // Back to the whole surface.
  void ResetClip();
  bool RectVisible(const TRect& r) const;

  // --- state
  // Pushes font, pen, brush, pen position, colours and modes, origin,
  // mapping and clip; returns the depth to pass to RestoreState.
  int SaveState();
  // Pops back to the state saved as `depth` (the most recent one for -1).
  // Ignored when there is no such state.
  void RestoreState(int depth = -1);
  int StateDepth() const;

  // --- locking (a counter: nested locks are fine)
  void Lock() { ++FLockCount; }
  void Unlock() {
    if (FLockCount > 0) --FLockCount;
  }
  bool TryLock();
  int LockCount() const { return FLockCount; }

  // The pixels this canvas draws into, or null; a bitmap's canvas answers.
  virtual TRasterImagePtr SourceImage() { return nullptr; }

 protected:
  // The surface in device coordinates; the clip starts as this.
  virtual TRect DoSurfaceRect() const = 0;
  // Called whenever the clip region changes (device coordinates).
  virtual void DoSetClip(const TRegion& clip) = 0;
  // Pixels of `r` in `color` (a resolved or system TColor, never clNone).
  virtual void DoFillRect(const TRect& r, TColor color) = 0;
  // A line with Pen, without its last pixel.
  virtual void DoLine(TPoint from, TPoint to) = 0;
  virtual void DoPolyline(const std::vector<TPoint>& points) = 0;
  // Outline with Pen, fill with Brush unless clear; `r` and the points are
  // device coordinates.
  virtual void DoPolygon(const std::vector<TPoint>& points) = 0;
  virtual void DoRectangle(const TRect& r) = 0;
  virtual void DoRoundRect(const TRect& r, TSize corner) = 0;
  virtual void DoEllipse(const TRect& r) = 0;
  // Angles in degrees, counter-clockwise from 3 o'clock.
  virtual void DoArc(TArcKind kind, const TRect& r, double startAngle, double sweepAngle) = 0;
  // Characters in Font at the given places (rotated about Origin when the
  // font has an Orientation).
  virtual void DoText(const TTextRun& run) = 0;
  // Metrics and per-character advances of Font (no extra, no kerning).
  virtual TTextMetric DoTextMetrics() = 0;
  virtual void DoMeasure(std::u32string_view text, std::vector<int>& advances) = 0;
  virtual void DoImage(const TRect& dest, const TRasterImagePtr& image, const TRect& source) = 0;
  virtual TColor DoGetPixel(TPoint p) = 0;
  virtual void DoSetPixel(TPoint p, TColor color) = 0;

  // Implementations call this once constructed, so the clip covers the
  // surface (a virtual call cannot run from TCanvas's constructor).
  void InitClip();

 private:
  struct TState;

  TTextRun MakeRun(int x, int y, std::string_view text, const int* dx);
  // ExtTextOut; returns the width of the text.
  int TextOutRun(int x, int y, unsigned options, const TRect* rect, std::string_view text,
                 const int* dx);
  bool Visible(const TRect& deviceBounds) const;
  void ClipChanged();
  void FontChanged();
  void BrushChanged();
  void ArcLike(TArcKind kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  TPoint FPenPos;
  TColor FTextColor = clWindowText;
  TColor FBkColor = clWhite;
  int FBkMode = OPAQUE;
  int FCharExtra = 0;
  int FJustifyExtra = 0;
  int FJustifyBreaks = 0;
  TPoint FOrigin;
  int FMapMode = MM_TEXT;
  TPoint FWindowOrg;
  TPoint FViewportOrg;
  TSize FWindowExt{1, 1};
  TSize FViewportExt{1, 1};
  TRegion FClip;
  std::vector<TState> FStates;
  int FLockCount = 0;
};

// Saves the canvas state on construction and restores it on destruction,
// also when an exception leaves the scope.
class TCanvasStateSaver {
 public:
  explicit TCanvasStateSaver(TCanvas& canvas) : FCanvas(canvas), FDepth(canvas.SaveState()) {}
  ~TCanvasStateSaver() { FCanvas.RestoreState(FDepth); }
  TCanvasStateSaver(const TCanvasStateSaver&) = delete;
  TCanvasStateSaver& operator=(const TCanvasStateSaver&) = delete;

 private:
  TCanvas& FCanvas;
  int FDepth;
};
