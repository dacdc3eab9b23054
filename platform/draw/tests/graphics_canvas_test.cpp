#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "platform/draw/bitmap.h"
#include "platform/draw/recording_canvas.h"

namespace {

TEST(GraphicsColor, SystemColorsResolveThroughThePalette) {
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(240, 240, 240));
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(GetRValue(clRed), 255);
  EXPECT_EQ(static_cast<unsigned>(clBtnFace), 0xFF00000Fu);
}

TEST(GraphicsFont, SizeAndHeightConvertAt96Dpi) {
  TFont font;
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
  int changes = 0;
  font.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &font);
    ++changes;
  };
  font.SetSize(10);
  EXPECT_EQ(font.Height(), -13);
  font.SetSize(10);  // unchanged: no notice
  font.SetStyle({fsBold});
  EXPECT_EQ(changes, 2);

  TFont printer;
  printer.SetPixelsPerInch(600);
  printer.Assign(&font);  // keeps the point size
  EXPECT_EQ(printer.Size(), 10);
  EXPECT_EQ(printer.Height(), -81);
  EXPECT_TRUE(printer.Style().Contains(fsBold));
}

TEST(GraphicsFont, ExtremeSizesAndHeightsStayInRange) {
  constexpr int kMin = std::numeric_limits<int>::min();
  constexpr int kMax = std::numeric_limits<int>::max();
  const struct {
    int pixelsPerInch, size, height;
  } cases[] = {{96, -1610612736, kMax},  // size * 96 / 72 is the smallest int
               {72, kMin, kMax},
               {72, kMax, -kMax}};
  for (const auto& c : cases) {
    TFont font;
    font.SetPixelsPerInch(c.pixelsPerInch);
    font.SetSize(c.size);
    EXPECT_EQ(font.Height(), c.height) << c.size;
  }
  TFont font;
  font.SetPixelsPerInch(72);
  font.SetHeight(kMin);
  EXPECT_EQ(font.Size(), kMax);
}

TEST(GraphicsFont, FaceMapping) {
  EXPECT_EQ(MapFontFace("Arial"), "Liberation Sans");
  EXPECT_EQ(MapFontFace("ms sans serif"), "Liberation Sans");
  EXPECT_EQ(MapFontFace("Default"), "Liberation Sans");
  EXPECT_EQ(MapFontFace("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(MapFontFace("Courier"), "Liberation Mono");
  EXPECT_EQ(MapFontFace("DejaVu Sans"), "DejaVu Sans");
}

struct MetricsCase {
  int Height;
  TFontStyles Style;
  int CellHeight, Ascent, Descent, Internal, External, CharWidth;
};

TEST(GraphicsRecordingCanvas, FixedMetrics) {
  const MetricsCase cases[] = {
      {-11, {}, 13, 11, 2, 2, 1, 6},       {-11, {fsBold}, 13, 11, 2, 2, 1, 7},
      {-13, {}, 16, 13, 3, 3, 1, 7},       {-16, {}, 19, 16, 3, 3, 1, 8},
      {13, {}, 13, 11, 2, 2, 1, 6},        {0, {}, 13, 11, 2, 2, 1, 6},
      {-8, {fsItalic}, 10, 8, 2, 2, 0, 4},
  };
  for (const MetricsCase& c : cases) {
    TFontData font;
    font.Height = c.Height;
    font.Style = c.Style;
    TTextMetric tm = TRecordingCanvas::FixedMetrics(font);
    SCOPED_TRACE(c.Height);
    EXPECT_EQ(tm.tmHeight, c.CellHeight);
    EXPECT_EQ(tm.tmAscent, c.Ascent);
    EXPECT_EQ(tm.tmDescent, c.Descent);
    EXPECT_EQ(tm.tmInternalLeading, c.Internal);
    EXPECT_EQ(tm.tmExternalLeading, c.External);
    EXPECT_EQ(tm.tmAveCharWidth, c.CharWidth);
  }
}

TEST(GraphicsRecordingCanvas, TextWidthsAddUpWithExtraAndJustification) {
  TRecordingCanvas canvas;
  EXPECT_EQ(canvas.TextWidth("Mebrath"), 42);
  EXPECT_EQ(canvas.TextWidth("Привет"), 36);  // one character per letter
  EXPECT_EQ(canvas.TextExtent("ab"), (TSize{12, 13}));
  canvas.SetTextCharacterExtra(2);
  EXPECT_EQ(canvas.TextWidth("abc"), 24);
  canvas.SetTextCharacterExtra(0);
  // 7 extra pixels over 3 blanks: 3, 2, 2.
  canvas.SetTextJustification(7, 3);
  EXPECT_EQ(canvas.CharAdvances("a b c d"), (std::vector<int>{6, 9, 6, 8, 6, 8, 6}));
  canvas.SetTextJustification(0, 0);
  EXPECT_EQ(canvas.TextWidth("a b c d"), 42);
}

TEST(GraphicsRecordingCanvas, TextOutRecordsCellColoursAndMovesThePen) {
  TRecordingCanvas canvas;
  canvas.Brush()->SetColor(clBtnFace);
  canvas.Font()->SetColor(clRed);
  canvas.TextOut(10, 20, "ab");
  ASSERT_EQ(canvas.Records().size(), 2u);
  const TCanvasRecord& fill = canvas.Records()[0];
  EXPECT_EQ(fill.Kind, TRecordKind::FillRect);
  EXPECT_EQ(fill.Rect, Rect(10, 20, 22, 33));
  EXPECT_EQ(fill.Color, clBtnFace);
  const TCanvasRecord& text = canvas.Records()[1];
  EXPECT_EQ(text.Kind, TRecordKind::Text);
  EXPECT_EQ(text.Text, "ab");
  EXPECT_EQ(text.Rect, Rect(10, 20, 22, 33));
  EXPECT_EQ(text.Offsets, (std::vector<int>{0, 6}));
  EXPECT_EQ(text.Color, clRed);
  EXPECT_EQ(canvas.PenPos(), (TPoint{22, 20}));

  // SetBkMode(TRANSPARENT) holds until the brush changes.
  canvas.Clear();
  canvas.SetBkMode(TRANSPARENT);
  canvas.TextOut(0, 0, "x");
  EXPECT_EQ(canvas.Records().size(), 1u);
  canvas.Brush()->SetColor(clWhite);
  EXPECT_EQ(canvas.BkMode(), OPAQUE);
}

TEST(GraphicsRecordingCanvas, ClippingAndOriginsApplyToPrimitives) {
  TRecordingCanvas canvas(Rect(0, 0, 100, 100));
  canvas.MoveOrigin(10, 5);
  canvas.IntersectClipRect(Rect(0, 0, 20, 20));
  EXPECT_EQ(canvas.ClipRect(), Rect(0, 0, 20, 20));
  canvas.FillSolidRect(Rect(30, 30, 40, 40), clRed);  // outside: skipped
  canvas.FillSolidRect(Rect(0, 0, 5, 5), clRed);
  ASSERT_EQ(canvas.Records().size(), 1u);
  EXPECT_EQ(canvas.Records()[0].Rect, Rect(10, 5, 15, 10));
  EXPECT_EQ(canvas.Records()[0].Clip.Bounds(), Rect(10, 5, 30, 25));

  canvas.ExcludeClipRect(Rect(0, 0, 20, 10));
  EXPECT_FALSE(canvas.RectVisible(Rect(2, 2, 8, 8)));
  EXPECT_TRUE(canvas.RectVisible(Rect(2, 12, 8, 18)));
}

TEST(GraphicsRecordingCanvas, AnisotropicMapping) {
  TRecordingCanvas canvas;
  canvas.SetMapMode(MM_ANISOTROPIC);
  canvas.SetWindowExt({1, 1});
  canvas.SetViewportExt({-1, 1});  // mirrored
  canvas.SetViewportOrg({100, 0});
  EXPECT_EQ(canvas.LogicalToDevice(TPoint{10, 3}), (TPoint{90, 3}));
  EXPECT_EQ(canvas.LogicalToDevice(Rect(0, 0, 10, 10)), Rect(90, 0, 100, 10));
  EXPECT_EQ(canvas.DeviceToLogical(TPoint{90, 3}), (TPoint{10, 3}));
}

TEST(GraphicsRecordingCanvas, StateSaverRestoresOnException) {
  TRecordingCanvas canvas;
  canvas.Font()->SetName("Arial");
  TRect clipBefore = canvas.ClipRect();
  try {
    TCanvasStateSaver saver(canvas);
    canvas.Font()->SetName("Courier New");
    canvas.Font()->SetColor(clRed);
    canvas.SetTextColor(clBlue);
    canvas.Pen()->SetWidth(3);
    canvas.SetOrigin({40, 40});
    canvas.IntersectClipRect(Rect(0, 0, 5, 5));
    {
      TCanvasStateSaver inner(canvas);
      canvas.MoveOrigin(1, 1);
    }
    EXPECT_EQ(canvas.Origin(), (TPoint{40, 40}));
    throw std::runtime_error("painting failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(canvas.Font()->Name(), "Arial");
  EXPECT_EQ(canvas.Font()->Color(), clWindowText);
  EXPECT_EQ(canvas.TextColor(), clWindowText);
  EXPECT_EQ(canvas.Pen()->Width(), 1);
  EXPECT_EQ(canvas.Origin(), (TPoint{}));
  EXPECT_EQ(canvas.ClipRect(), clipBefore);
  EXPECT_EQ(canvas.StateDepth(), 0);
}

TEST(GraphicsRecordingCanvas, ReplayDrawsTheSameRecords) {
  TRecordingCanvas source;
  source.IntersectClipRect(Rect(0, 0, 50, 50));
  source.Pen()->SetColor(clTeal);
  source.MoveTo(1, 1);
  source.LineTo(30, 1);
  source.Brush()->SetColor(clYellow);
  source.Rectangle(2, 2, 20, 10);
  source.Font()->SetStyle({fsBold});
  source.SetBkMode(TRANSPARENT);
  source.TextOut(3, 12, "Да");
  TRecordingCanvas target;
  source.Replay(target, {100, 200});
  ASSERT_EQ(target.Records().size(), source.Records().size());
  for (std::size_t i = 0; i < source.Records().size(); ++i) {
    const TCanvasRecord& a = source.Records()[i];
    const TCanvasRecord& b = target.Records()[i];
    EXPECT_EQ(a.Kind, b.Kind);
    TRect moved = a.Rect;
    OffsetRect(moved, 100, 200);
    if (a.Kind != TRecordKind::Line) {
      EXPECT_EQ(b.Rect, moved);
    }
    EXPECT_EQ(b.Clip.Bounds(), Rect(100, 200, 150, 250));
    EXPECT_EQ(a.Text, b.Text);
    EXPECT_EQ(a.Offsets, b.Offsets);
    EXPECT_EQ(a.Pen, b.Pen);
  }
  EXPECT_EQ(target.Records()[0].Points, (std::vector<TPoint>{{101, 201}, {130, 201}}));
}

TEST(GraphicsRecordingCanvas, ExtTextOutClipsOpaquesAndTakesAdvances) {
  TRecordingCanvas canvas;
  canvas.SetBkColor(clInfoBk);
  canvas.SetBkMode(TRANSPARENT);
  const int dx[] = {10, 20, 5};
  TRect box = Rect(0, 0, 8, 20);
  canvas.ExtTextOut(2, 3, ETO_CLIPPED | ETO_OPAQUE, &box, "abc", dx);
  ASSERT_EQ(canvas.Records().size(), 2u);
  EXPECT_EQ(canvas.Records()[0].Rect, box);
  EXPECT_EQ(canvas.Records()[0].Color, clInfoBk);
  EXPECT_EQ(canvas.Records()[1].Offsets, (std::vector<int>{0, 10, 30}));
  EXPECT_EQ(canvas.Records()[1].Rect, Rect(2, 3, 37, 16));
  EXPECT_EQ(canvas.Records()[1].Clip.Bounds(), box);
  EXPECT_EQ(canvas.ClipRect(), TRecordingCanvas::kDefaultSurface);  // put back afterwards

  canvas.Clear();
  TRect away = Rect(100, 100, 110, 110);
  canvas.ExtTextOut(0, 0, ETO_CLIPPED, &away, "abc");  // the text misses the box
  EXPECT_TRUE(canvas.Records().empty());
  canvas.Brush()->SetColor(clNone);  // never drawn
  canvas.FillRect(Rect(0, 0, 5, 5));
  canvas.TextOut(0, 0, "a");
  ASSERT_EQ(canvas.Records().size(), 1u);
  EXPECT_EQ(canvas.Records()[0].Kind, TRecordKind::Text);
}

TEST(GraphicsRecordingCanvas, BrushPatternsTileFromTheSurfaceOrigin) {
  TBitmap pattern(4, 4);
  TRecordingCanvas canvas;
  canvas.Brush()->SetBitmap(&pattern);
  canvas.FillRect(Rect(2, 2, 8, 5));
  ASSERT_EQ(canvas.Records().size(), 4u);  // tiles at x 0 and 4, y 0 and 4
  EXPECT_EQ(canvas.Records()[0].Kind, TRecordKind::Image);
  EXPECT_EQ(canvas.Records()[0].Rect, Rect(0, 0, 4, 4));
  EXPECT_EQ(canvas.Records()[0].Clip.Bounds(), Rect(2, 2, 8, 5));
}

TEST(GraphicsRecordingCanvas, ArcsTurnPointsIntoAngles) {
  TRecordingCanvas canvas;
  canvas.Pie(0, 0, 20, 20, 20, 10, 10, 0);  // from 3 o'clock to 12 o'clock
  canvas.Arc(0, 0, 20, 20, 10, 0, 20, 10);  // the other three quarters
  ASSERT_EQ(canvas.Records().size(), 2u);
  EXPECT_EQ(canvas.Records()[0].Arc, TArcKind::Pie);
  EXPECT_DOUBLE_EQ(canvas.Records()[0].StartAngle, 0);
  EXPECT_DOUBLE_EQ(canvas.Records()[0].SweepAngle, 90);
  EXPECT_DOUBLE_EQ(canvas.Records()[1].StartAngle, 90);
  EXPECT_DOUBLE_EQ(canvas.Records()[1].SweepAngle, 270);
}

}  // namespace
