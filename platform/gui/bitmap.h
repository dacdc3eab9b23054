// Graphics that can be drawn on a canvas: TGraphic and TBitmap.
// GUI thread only.
#pragma once

#include "platform/gui/canvas.h"

// Something with a size that draws itself into a rectangle of a canvas.
class TGraphic : public TPersistent {
  MEBRATH_CLASS(TGraphic, TPersistent)
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }

 protected:
  friend class TCanvas;
  TGraphic() = default;
  // Draws the whole graphic stretched into `rect` (logical coordinates).
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
};

// An image held in memory as 32-bit pixels.
class TBitmap : public TGraphic {
  MEBRATH_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  TBitmap(int width, int height);

  int Width() const override { return FImage->Width; }
  int Height() const override { return FImage->Height; }
  // The pixels; shared, never changed in place once handed out.
  const TRasterImagePtr& Image() const { return FImage; }

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  TRasterImagePtr FImage;
};
