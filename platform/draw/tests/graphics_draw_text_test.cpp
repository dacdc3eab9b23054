#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/draw/draw_text.h"
#include "platform/draw/recording_canvas.h"

namespace {

// Default font: characters 6 wide, lines 13 high.
std::vector<std::string> DrawnLines(TRecordingCanvas& canvas) {
  std::vector<std::string> lines;
  for (const TCanvasRecord& r : canvas.Records())
    if (r.Kind == TRecordKind::Text) lines.push_back(r.Text);
  return lines;
}

struct WrapCase {
  int Width;
  std::string Text;
  std::vector<std::string> Lines;
  int CalcWidth;
};

TEST(GraphicsDrawText, WordBreakingAndCalcRect) {
  const WrapCase cases[] = {
      {60, "one two three", {"one two", "three"}, 42},
      {24, "one two three", {"one", "two", "thre", "e"}, 24},
      {200, "one two three", {"one two three"}, 78},
      {30, "ab   cd", {"ab", "cd"}, 12},           // blanks at the break dropped
      {18, "abcdefgh", {"abc", "def", "gh"}, 18},  // a long word broken by character
      {1000, "a\r\nb\rc\nd", {"a", "b", "c", "d"}, 6},
      {1000, "first\r\n", {"first"}, 30},  // no empty line after a final break
      {1000, "a\r\n\r\nb", {"a", "", "b"}, 6},
      {36, "Да нет", {"Да нет"}, 36},  // Cyrillic: one character each
      {1000, "", {}, 0},
  };
  for (const WrapCase& c : cases) {
    SCOPED_TRACE(c.Text + " @" + std::to_string(c.Width));
    TRecordingCanvas canvas;
    TRect calc = Bounds(5, 7, c.Width, 0);
    int height = DrawText(canvas, c.Text, calc, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(height, 13 * static_cast<int>(c.Lines.size()));
    EXPECT_EQ(calc, Bounds(5, 7, c.CalcWidth, height));
    EXPECT_TRUE(canvas.Records().empty());

    TRect r = Bounds(5, 7, c.Width, 1000);
    canvas.SetBkMode(TRANSPARENT);
    DrawText(canvas, c.Text, r, DT_WORDBREAK);
    std::vector<std::string> expected;
    for (const std::string& line : c.Lines)
      if (!line.empty()) expected.push_back(line);
    EXPECT_EQ(DrawnLines(canvas), expected);
  }
}

TEST(GraphicsDrawText, AlignmentAndVerticalPlacement) {
  struct Case {
    unsigned Flags;
    TPoint At;
    int Result;
  } cases[] = {
      {DT_SINGLELINE, {10, 20}, 13},
      {DT_SINGLELINE | DT_CENTER, {10 + (100 - 18) / 2, 20}, 13},
      {DT_SINGLELINE | DT_RIGHT, {110 - 18, 20}, 13},
      {DT_SINGLELINE | DT_VCENTER, {10, 20 + (40 - 13) / 2}, 13 + 13},
      {DT_SINGLELINE | DT_BOTTOM, {10, 60 - 13}, 40},
      {DT_VCENTER, {10, 20}, 13},  // multi-line: VCENTER does not apply
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Flags);
    TRecordingCanvas canvas;
    canvas.SetBkMode(TRANSPARENT);
    TRect r = Rect(10, 20, 110, 60);
    EXPECT_EQ(DrawText(canvas, "abc", r, c.Flags), c.Result);
    ASSERT_EQ(canvas.Records().size(), 1u);
    EXPECT_EQ(canvas.Records()[0].Rect.TopLeft(), c.At);
    EXPECT_EQ(canvas.Records()[0].Clip.Bounds(), Rect(10, 20, 110, 60));
  }
}

TEST(GraphicsDrawText, AlignFlagsOfEveryAlignment) {
  EXPECT_EQ(AlignFlags(taLeftJustify), DT_LEFT);
  EXPECT_EQ(AlignFlags(taRightJustify), DT_RIGHT);
  EXPECT_EQ(AlignFlags(taCenter), DT_CENTER);
  EXPECT_EQ(AlignFlags(static_cast<TAlignment>(3)), DT_LEFT);  // a stray stored value
}

TEST(GraphicsDrawText, PrefixesUnderlineAndDoubleAmpersands) {
  TRecordingCanvas canvas;
  canvas.SetBkMode(TRANSPARENT);
  canvas.Font()->SetColor(clNavy);
  TRect r = Rect(0, 0, 200, 20);
  DrawText(canvas, "&Save && exit", r, DT_SINGLELINE);
  ASSERT_EQ(canvas.Records().size(), 2u);
  EXPECT_EQ(canvas.Records()[0].Text, "Save & exit");
  // The underline under "S": one pixel below the baseline (ascent 11).
  EXPECT_EQ(canvas.Records()[1].Kind, TRecordKind::FillRect);
  EXPECT_EQ(canvas.Records()[1].Rect, Rect(0, 12, 6, 13));
  EXPECT_EQ(canvas.Records()[1].Color, clNavy);

  canvas.Clear();
  DrawText(canvas, "&Save && exit", r, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(DrawnLines(canvas), (std::vector<std::string>{"&Save && exit"}));
  canvas.Clear();
  DrawText(canvas, "&Save", r, DT_SINGLELINE | DT_HIDEPREFIX);
  EXPECT_EQ(canvas.Records().size(), 1u);

  TRect calc = Rect(0, 0, 0, 0);
  DrawText(canvas, "a&&b&", calc, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(calc.Width(), 18);  // "a&b"
}

TEST(GraphicsDrawText, EndEllipsisCutsToTheWidth) {
  struct Case {
    int Width;
    std::string Shown;
  } cases[] = {{100, "abcdefgh"}, {47, "abcd..."}, {42, "abcd..."}, {41, "abc..."}, {10, "..."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Width);
    TRecordingCanvas canvas;
    canvas.SetBkMode(TRANSPARENT);
    TRect r = Bounds(0, 0, c.Width, 13);
    DrawText(canvas, "abcdefgh", r, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(DrawnLines(canvas), (std::vector<std::string>{c.Shown}));
  }
}

TEST(GraphicsDrawText, TabsExternalLeadingAndEditControl) {
  TRecordingCanvas canvas;
  canvas.SetBkMode(TRANSPARENT);
  TRect r = Rect(0, 0, 500, 100);
  DrawText(canvas, "a\tb", r, DT_SINGLELINE | DT_EXPANDTABS);
  ASSERT_EQ(canvas.Records().size(), 1u);
  EXPECT_EQ(canvas.Records()[0].Offsets, (std::vector<int>{0, 6, 48}));  // stop at 8 * 6

  TRect calc = Rect(0, 0, 500, 0);
  EXPECT_EQ(DrawText(canvas, "a\nb", calc, DT_CALCRECT | DT_EXTERNALLEADING), 28);

  canvas.Clear();
  TRect small = Rect(0, 0, 100, 20);  // room for one whole line and part of another
  DrawText(canvas, "a\nb", small, DT_EDITCONTROL);
  EXPECT_EQ(DrawnLines(canvas), (std::vector<std::string>{"a"}));
  canvas.Clear();
  DrawText(canvas, "a\nb", small, 0);
  EXPECT_EQ(DrawnLines(canvas), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
