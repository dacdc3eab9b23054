// TQtCanvas: the canvas that really draws, over a QPainter on an image, a
// PDF writer or a printer.
//
// Every primitive of TCanvas maps onto QPainter with antialiasing off for
// lines and shapes (the classic crisp look) and on for text. Pen modes
// become raster operations (pmXor draws the same line twice to undo it);
// they work on images only, other devices draw pmCopy.
//
// Text: the face goes through MapFontFace (Arial -> Liberation Sans, ...).
// A negative font Height is the character height in canvas units, a
// positive one the cell height; the font's own PixelsPerInch never reaches
// Qt, so a 10-point font on a 600-dpi printer canvas (Height -83) is 83
// printer dots high. Text is measured per character with unhinted metrics,
// no kerning and no shaping, each advance rounded to whole units, and drawn
// character by character at the places the base class computed, so
// TextWidth is always the sum of the character widths and measuring and
// drawing agree on every device. Metrics are cached per font for the whole
// program.
//
// GUI thread only (Qt's rule).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/draw/canvas.h"

class QFont;
class QImage;
class QPaintDevice;
class QPainter;

class TQtCanvas : public TCanvas {
 public:
  // Paints on `device`, which must outlive the canvas and have no other
  // active painter. `scale` is device pixels per canvas unit (1 for
  // images; a printer can be driven in 96-dpi units with dpi / 96).
  // Raises EInvalidOperation "Cannot paint on this device" when Qt refuses
  // the device (a null image, a painter already active).
  explicit TQtCanvas(QPaintDevice* device, double scale = 1.0);
  ~TQtCanvas() override;

  // The painter, for what TCanvas does not cover (a new PDF page), with
  // the canvas's clipping in force.
  // REQUIRES: a canvas made on a device.
  QPainter& Painter() {
    SyncClip(nullptr);
    FPainterLent = true;
    return *FPainter;
  }

  // The Qt font a TFont's data stands for (face mapped, pixel size set,
  // kerning off).
  static QFont MakeFont(const TFontData& font);

  // TCanvas
  TRasterImagePtr SourceImage() override;

 protected:
  // For canvases that paint on pixels they fetch per primitive.
  TQtCanvas();
  // The painter for one primitive, clipped; Release follows. The device
  // canvas keeps one painter for its whole life.
  virtual QPainter& Acquire() { return *FPainter; }
  virtual void Release() {}
  // The image painted on, or null for other devices.
  virtual QImage* Image() { return FImage; }

  // TCanvas
  TRect DoSurfaceRect() const override { return FSurface; }
  void DoSetClip(const TRegion& clip) override;
  void DoFillRect(const TRect& r, TColor color) override;
  void DoLine(TPoint from, TPoint to) override;
  void DoPolyline(const std::vector<TPoint>& points) override;
  void DoPolygon(const std::vector<TPoint>& points) override;
  void DoRectangle(const TRect& r) override;
  void DoRoundRect(const TRect& r, TSize corner) override;
  void DoEllipse(const TRect& r) override;
  void DoArc(TArcKind kind, const TRect& r, double startAngle, double sweepAngle) override;
  void DoText(const TTextRun& run) override;
  TTextMetric DoTextMetrics() override;
  void DoMeasure(std::u32string_view text, std::vector<int>& advances) override;
  void DoImage(const TRect& dest, const TRasterImagePtr& image, const TRect& source) override;
  TColor DoGetPixel(TPoint p) override;
  void DoSetPixel(TPoint p, TColor color) override;

 private:
  // Sets up pen, brush and raster operation for a shape; false when the
  // pen mode draws nothing (pmNop).
  QPainter* BeginShape(bool withBrush);
  void EndShape(QPainter& painter);
  // The rectangle to stroke so that a one-unit pen covers exactly r's
  // border pixels (and psInsideFrame stays inside r).
  TRect StrokeRect(const TRect& r) const;
  // Hands the canvas's clipping to the device painter. Setting a clip
  // costs more than drawing a cell's text, and the base class narrows it
  // around every clipped text, so it is handed over only when it matters:
  // when what is about to be drawn (`bounds`, null when unknown) could
  // come out differently under the new clip than under the one in force.
  void SyncClip(const TRect* bounds);
  // Fills r straight in the image's pixels when that comes out as Qt would
  // draw it; false when Qt has to.
  bool FillPixels(const TRect& r, std::uint32_t argb);

  QImage* FImage = nullptr;
  std::unique_ptr<QPainter> FPainter;
  double FScale = 1.0;
  TRect FSurface;
  TRegion FClipApplied;  // what the painter clips to
  TRegion FClipPending;  // what the canvas clips to
  bool FClipDirty = false;
  bool FClipValid = false;  // FClipApplied has been handed to the painter
  // Painter() was handed out: its clipping and transform are no longer
  // known to be the canvas's.
  bool FPainterLent = false;
};

class TBitmap;
// A canvas that paints into `bitmap`'s pixels with Qt (text included):
// what InstallQtHost registers as the bitmaps' raster canvas factory. The
// bitmap must outlive it (it owns it).
std::unique_ptr<TCanvas> MakeQtBitmapCanvas(TBitmap& bitmap);
