#include "platform/gui/bitmap.h"

TBitmap::TBitmap() : FImage(std::make_shared<TRasterImage>()) {}

TBitmap::TBitmap(int width, int height)
    : FImage(std::make_shared<TRasterImage>(width, height, 0xFFFFFFFFu)) {}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const {
  canvas.DrawImage(rect, FImage, Rect(0, 0, Width(), Height()));
}
