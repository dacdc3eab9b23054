#include "grid/cell_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/draw/draw_text.h"
#include "platform/draw/recording_canvas.h"

namespace {

// The recording canvas's default font: characters 6 wide, lines 13 high.

TEST(CellTextTest, EllipsisDropsTwoThenOneMoreCharacterPerTry) {
  TRecordingCanvas canvas;
  struct Case {
    const char* text;
    int width;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"Петрова", 42, "Петрова"},        // fits: 7 x 6
      {"Петрова", 41, "Пет..."},         // "Петро..." and "Петр..." are wider
      {"Петрова Анна", 50, "Петро..."},  // 8 characters of 6
      {"Ab", 5, "..."},                  // nothing left
  };
  for (const Case& c : cases)
    EXPECT_EQ(EllipsisText(canvas, c.text, c.width), c.expected) << c.text << " " << c.width;
}

TEST(CellTextTest, FlagsFollowAlignmentWrapAndEllipsis) {
  EXPECT_EQ(DrawTextEhFlags(taLeftJustify, false, false), DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT);
  EXPECT_EQ(DrawTextEhFlags(taRightJustify, true, false),
            DT_NOPREFIX | DT_EXPANDTABS | DT_RIGHT | DT_WORDBREAK);
  EXPECT_EQ(DrawTextEhFlags(taCenter, false, true),
            DT_NOPREFIX | DT_EXPANDTABS | DT_CENTER | DT_END_ELLIPSIS);
}

TEST(CellTextTest, LayoutsMoveTheTextDown) {
  struct Case {
    TTextLayout layout;
    int top;
  };
  // A 40-high cell, margin 2: 38 + 1 of room for a 13-high line.
  for (const Case& c : std::vector<Case>{{tlTop, 2}, {tlCenter, 2 + 26 / 2}, {tlBottom, 2 + 26}}) {
    TRecordingCanvas canvas;
    WriteTextEh(canvas, {0, 0, 100, 40}, 2, 2, "Текст", taLeftJustify, c.layout, false, false);
    const auto records = canvas.TakeRecords();
    auto text = std::find_if(records.begin(), records.end(),
                             [](const TCanvasRecord& r) { return r.Kind == TRecordKind::Text; });
    ASSERT_NE(text, records.end());
    EXPECT_EQ(text->Rect.Top, c.top) << c.layout;
    EXPECT_EQ(text->Rect.Left, 2);
  }
}

// One-line texts are placed without the text layout engine: the result
// must be the engine's, to the pixel.
TEST(CellTextTest, OneLineTextsDrawAsTheLayoutEngineDrawsThem) {
  auto text = [](bool direct, const char* s, TAlignment alignment, TTextLayout layout,
                 bool ellipsis) {
    TRecordingCanvas canvas;
    const TRect cell{10, 5, 70, 40};
    if (direct) {
      WriteTextEh(canvas, cell, 2, 2, s, alignment, layout, false, ellipsis);
    } else {
      // What WriteTextEh did before it had a path of its own.
      TRect r{cell.Left + 2, cell.Top + 2, cell.Right - 2, cell.Bottom + 1};
      const unsigned flags = DrawTextEhFlags(alignment, false, ellipsis);
      if (layout != tlTop) {
        TRect m = r;
        DrawText(canvas, s, m, flags | DT_CALCRECT);
        const int free = r.Height() - m.Height();
        if (free > 0) r.Top += layout == tlCenter ? free / 2 : free;
      }
      DrawText(canvas, s, r, flags);
    }
    std::string out;
    for (const TCanvasRecord& r : canvas.TakeRecords())
      if (r.Kind == TRecordKind::Text)
        out += r.Text + "@" + std::to_string(r.Rect.Left) + "," + std::to_string(r.Rect.Top) + ";";
    return out;
  };
  for (const char* s : {"", "Иванова", "Иванова Мария Петровна", "12 345.50"})
    for (TAlignment a : {taLeftJustify, taRightJustify, taCenter})
      for (TTextLayout l : {tlTop, tlCenter, tlBottom})
        for (bool e : {false, true})
          EXPECT_EQ(text(true, s, a, l, e), text(false, s, a, l, e)) << s << a << l << e;
}

TEST(CellTextTest, VerticalFontKeepsTheLookAndTurns) {
  TFont font;
  font.SetName("Default");
  font.SetHeight(-13);
  font.SetStyle({fsBold, fsItalic});
  std::unique_ptr<TFont> vertical = CreateVerticalFont(font);
  EXPECT_EQ(vertical->Orientation(), 900);
  EXPECT_EQ(vertical->Height(), -13);
  EXPECT_EQ(vertical->Style(), TFontStyles({fsBold, fsItalic}));
  EXPECT_EQ(vertical->Name(), kDefaultFontName);
}

}  // namespace
