#include "platform/qt/qt_canvas.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>

#include "platform/base/exceptions.h"
#include "qt_test_app.h"

namespace {

class QtCanvasTest : public ::testing::Test {
 protected:
  QtCanvasTest() : FImage(40, 30, QImage::Format_RGB32) {
    TestHost();
    FImage.fill(Qt::white);
    FCanvas = std::make_unique<TQtCanvas>(&FImage);
  }

  // The pixel as a TColor (0x00BBGGRR).
  TColor At(int x, int y) { return ArgbToColor(FImage.pixel(x, y)); }
  // How many pixels of `r` are not white.
  int Inked(const TRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (FImage.valid(x, y) && At(x, y) != clWhite) ++n;
    return n;
  }

  QImage FImage;
  std::unique_ptr<TQtCanvas> FCanvas;
};

TEST_F(QtCanvasTest, FillsRectanglesWithTheirBorderPixelsOnly) {
  TCanvas& c = *FCanvas;
  c.Brush()->SetColor(clRed);
  c.FillRect(Rect(2, 3, 6, 5));
  EXPECT_EQ(At(2, 3), clRed);
  EXPECT_EQ(At(5, 4), clRed);
  EXPECT_EQ(At(6, 4), clWhite);
  EXPECT_EQ(At(5, 5), clWhite);
  EXPECT_EQ(Inked(Rect(0, 0, 40, 30)), 8);

  // Rectangle: the pen on the border pixels, the brush inside.
  c.Pen()->SetColor(clBlue);
  c.Brush()->SetColor(clLime);
  c.Rectangle(10, 10, 20, 16);
  EXPECT_EQ(At(10, 10), clBlue);
  EXPECT_EQ(At(19, 15), clBlue);
  EXPECT_EQ(At(19, 12), clBlue);
  EXPECT_EQ(At(20, 12), clWhite);
  EXPECT_EQ(At(15, 16), clWhite);
  EXPECT_EQ(At(11, 11), clLime);
  EXPECT_EQ(At(18, 14), clLime);

  // System colours resolve through the palette.
  c.Brush()->SetColor(clBtnFace);
  c.FillRect(Rect(30, 0, 32, 2));
  EXPECT_EQ(At(30, 0), ColorToRGB(clBtnFace));
}

TEST_F(QtCanvasTest, LinesLeaveOutTheirLastPixelAndXorUndoesItself) {
  TCanvas& c = *FCanvas;
  c.Pen()->SetColor(clBlack);
  c.MoveTo(2, 5);
  c.LineTo(8, 5);
  for (int x = 2; x < 8; ++x) EXPECT_EQ(At(x, 5), clBlack) << x;
  EXPECT_EQ(At(8, 5), clWhite);
  EXPECT_EQ(c.PenPos().X, 8);
  c.MoveTo(20, 2);
  c.LineTo(20, 12);
  EXPECT_EQ(Inked(Rect(20, 0, 21, 30)), 10);

  c.Pen()->SetMode(pmXor);
  c.Pen()->SetColor(clWhite);
  c.MoveTo(0, 5);
  c.LineTo(10, 5);
  EXPECT_EQ(At(0, 5), clBlack);  // white xor white
  EXPECT_EQ(At(3, 5), clWhite);  // black xor white
  c.MoveTo(0, 5);
  c.LineTo(10, 5);
  EXPECT_EQ(At(0, 5), clWhite);
  EXPECT_EQ(At(3, 5), clBlack);

  // A dotted line alternates three on, three off.
  c.Pen()->SetMode(pmCopy);
  c.Pen()->SetColor(clBlack);
  c.Pen()->SetStyle(psDot);
  c.SetBkMode(TRANSPARENT);
  c.MoveTo(0, 20);
  c.LineTo(12, 20);
  std::string dots;
  for (int x = 0; x < 12; ++x) dots += At(x, 20) == clBlack ? '#' : '.';
  EXPECT_EQ(dots, "###...###...");
}

TEST_F(QtCanvasTest, ClipsToIntersectedAndExcludedRectanglesAndRestores) {
  TCanvas& c = *FCanvas;
  c.Brush()->SetColor(clBlack);
  {
    TCanvasStateSaver saver(c);
    c.IntersectClipRect(Rect(5, 5, 15, 15));
    c.ExcludeClipRect(Rect(8, 8, 10, 10));
    c.FillRect(Rect(0, 0, 40, 30));
  }
  EXPECT_EQ(Inked(Rect(0, 0, 40, 30)), 100 - 4);
  EXPECT_EQ(At(8, 8), clWhite);
  EXPECT_EQ(At(5, 5), clBlack);
  EXPECT_EQ(At(15, 5), clWhite);
  // Restored: the whole surface again, with a moved origin.
  c.SetOrigin({30, 20});
  c.FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(At(31, 21), clBlack);
  EXPECT_EQ(c.ClipRect(), Rect(-30, -20, 10, 10));
}

TEST_F(QtCanvasTest, TextWidthsAddUpAndTextStaysInItsCell) {
  TCanvas& c = *FCanvas;
  c.Font()->SetName("Arial");
  c.Font()->SetHeight(-11);
  const std::string text = "Wave, AV Ёж!";
  int sum = 0;
  for (std::string ch : {"W", "a", "v", "e", ",", " ", "A", "V", " ", "Ё", "ж", "!"})
    sum += c.TextWidth(ch);
  EXPECT_EQ(c.TextWidth(text), sum);
  EXPECT_GT(sum, 40);
  std::vector<int> advances = c.CharAdvances(text);
  ASSERT_EQ(advances.size(), 12u);
  EXPECT_EQ(advances[0], c.TextWidth("W"));

  TTextMetric tm = c.TextMetrics();
  EXPECT_GE(tm.tmHeight, 12);
  EXPECT_LE(tm.tmHeight, 15);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 11);
  EXPECT_EQ(c.TextHeight("x"), tm.tmHeight);

  // The Windows face measures as its metric twin; a serif face differs.
  TFontData sans = c.Font()->Data();
  sans.Name = "Liberation Sans";
  TFontData serif = sans;
  serif.Name = "Times New Roman";
  c.Font()->SetData(sans);
  EXPECT_EQ(c.TextWidth(text), sum);
  c.Font()->SetData(serif);
  EXPECT_NE(c.TextWidth(text), sum);

  // Drawn text stays inside its cell, and ink appears there.
  QImage big(200, 40, QImage::Format_RGB32);
  big.fill(Qt::white);
  {
    TQtCanvas canvas(&big);
    canvas.Font()->SetName("Arial");
    canvas.Font()->SetHeight(-11);
    canvas.SetBkMode(TRANSPARENT);
    canvas.TextOut(10, 10, "Hello");
    int width = canvas.TextWidth("Hello");
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 200; ++x) {
        if (big.pixel(x, y) == QColor(Qt::white).rgb()) continue;
        bool in = x >= 10 && x < 10 + width + 1 && y >= 10 && y < 10 + tm.tmHeight;
        (in ? inside : outside)++;
      }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
  }
}

TEST_F(QtCanvasTest, MeasuresOnEveryDeviceAlike) {
  // A printer-sized font measures the same on any image, and a bigger one
  // grows in proportion.
  QImage other(1, 1, QImage::Format_ARGB32);
  TQtCanvas small(&other);
  for (TCanvas* c : {static_cast<TCanvas*>(FCanvas.get()), static_cast<TCanvas*>(&small)}) {
    c->Font()->SetName("Courier New");
    c->Font()->SetHeight(-83);
  }
  EXPECT_EQ(FCanvas->TextWidth("Mono spaced"), small.TextWidth("Mono spaced"));
  EXPECT_EQ(small.TextWidth("iiii"), small.TextWidth("WWWW"));
  EXPECT_EQ(small.TextWidth("W"), 50);  // 0.6 em
  // A positive height is the cell.
  small.Font()->SetHeight(20);
  EXPECT_NEAR(small.TextHeight("x"), 20, 1);
}

TEST_F(QtCanvasTest, PaintsOnAPdfInDeviceDotsWithTheSameMetrics) {
  QBuffer file;
  file.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&file);
    pdf.setResolution(600);
    TQtCanvas page(&pdf);
    EXPECT_GT(page.ClipRect().Width(), 4000);  // A4 at 600 dots per inch
    for (TCanvas* c : {static_cast<TCanvas*>(&page), static_cast<TCanvas*>(FCanvas.get())}) {
      c->Font()->SetName("Times New Roman");
      c->Font()->SetHeight(-83);  // 10 points at 600 dpi
    }
    EXPECT_EQ(page.TextWidth("Printed text"), FCanvas->TextWidth("Printed text"));
    EXPECT_EQ(page.TextHeight("x"), FCanvas->TextHeight("x"));
    page.TextOut(100, 100, "Printed text");
    page.Rectangle(50, 50, 1000, 300);
    EXPECT_EQ(page.Pixels(60, 60), clNone);  // no pixels to read back
  }
  EXPECT_TRUE(file.data().startsWith("%PDF"));
}

TEST_F(QtCanvasTest, DrawsImagesAndReadsPixels) {
  auto image = std::make_shared<TRasterImage>(2, 1);
  image->At(0, 0) = 0xFFFF0000;  // red
  image->At(1, 0) = 0x00000000;  // transparent
  FCanvas->DrawImage(Rect(0, 0, 4, 2), image, Rect(0, 0, 2, 1));
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(1, 1), clRed);
  EXPECT_EQ(At(2, 0), clWhite);
  EXPECT_EQ(FCanvas->Pixels(1, 1), clRed);
  FCanvas->SetPixels(5, 5, clBlue);
  EXPECT_EQ(FCanvas->Pixels(5, 5), clBlue);
  EXPECT_EQ(FCanvas->Pixels(-1, 0), clNone);

  // Copying from a canvas with pixels; the same device cannot take a
  // second painter.
  QImage source(3, 3, QImage::Format_RGB32);
  source.fill(Qt::black);
  TQtCanvas sourceCanvas(&source);
  FCanvas->CopyRect(Rect(10, 10, 13, 13), sourceCanvas, Rect(0, 0, 3, 3));
  EXPECT_EQ(Inked(Rect(0, 8, 40, 15)), 9);
  EXPECT_THROW(TQtCanvas second(&FImage), EInvalidOperation);
}

}  // namespace

TEST_F(QtCanvasTest, RotatedTextRunsUpFromItsOrigin) {
  // Escapement 900: the text reads bottom to top, its baseline going up
  // from the origin, its cell to the right of the upward line.
  QImage tall(60, 120, QImage::Format_RGB32);
  tall.fill(Qt::white);
  TQtCanvas canvas(&tall);
  canvas.Font()->SetName("Arial");
  canvas.Font()->SetHeight(-11);
  canvas.Font()->SetOrientation(900);
  canvas.SetBkMode(TRANSPARENT);
  int width = canvas.TextWidth("Mebrath");  // the advance is the same rotated
  canvas.Font()->SetOrientation(0);
  EXPECT_EQ(canvas.TextWidth("Mebrath"), width);
  canvas.Font()->SetOrientation(900);
  canvas.TextOut(20, 110, "Mebrath");
  int height = canvas.TextMetrics().tmHeight;
  int inside = 0;
  int outside = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 60; ++x) {
      if (tall.pixel(x, y) == QColor(Qt::white).rgb()) continue;
      bool in = x >= 20 && x <= 20 + height && y >= 110 - width - 1 && y <= 110;
      (in ? inside : outside)++;
    }
  EXPECT_GT(inside, 30);
  EXPECT_EQ(outside, 0);
}
