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
