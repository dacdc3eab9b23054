#include "platform/gui/scrolling.h"

#include <gtest/gtest.h>

#include <climits>

#include "gui_test_support.h"

namespace {

TEST(ScrollTargetTest, EachCodeOnEachKindOfAxis) {
  // Rows 1..22 of a grid with a fixed row, a page of 8; an edit's pixels
  // with a line of 7 and a page of 200; a list with nothing to scroll.
  const TScrollAxis grid{.Position = 5, .Min = 1, .Max = 22, .Line = 1, .Page = 8};
  const TScrollAxis pixels{.Position = 10, .Min = 0, .Max = 90, .Line = 7, .Page = 200};
  const TScrollAxis empty{.Position = 0, .Min = 0, .Max = -3, .Line = 1, .Page = 1};
  const TScrollAxis huge{.Position = INT_MAX - 1, .Min = 0, .Max = INT_MAX, .Page = 100};
  struct {
    const TScrollAxis& Axis;
    int Code, Thumb;
    std::optional<int> Expected;
  } cases[] = {
      {grid, SB_LINEUP, 0, 4},
      {grid, SB_LINEDOWN, 0, 6},
      {grid, SB_PAGEUP, 0, 1},
      {grid, SB_PAGEDOWN, 0, 13},
      {grid, SB_TOP, 0, 1},
      {grid, SB_BOTTOM, 0, 22},
      {grid, SB_THUMBPOSITION, 9, 9},
      {grid, SB_THUMBTRACK, 30, 22},
      {grid, SB_THUMBTRACK, -4, 1},
      {grid, SB_ENDSCROLL, 0, std::nullopt},
      {grid, 99, 0, std::nullopt},
      {pixels, SB_LINEUP, 0, 3},
      {pixels, SB_LINEDOWN, 0, 17},
      {pixels, SB_PAGEDOWN, 0, 90},
      {pixels, SB_PAGEUP, 0, 0},
      {empty, SB_BOTTOM, 0, 0},
      {empty, SB_LINEDOWN, 0, 0},
      {empty, SB_THUMBPOSITION, 5, 0},
      {huge, SB_PAGEDOWN, 0, INT_MAX},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ScrollTarget(c.Code, c.Thumb, c.Axis), c.Expected)
        << "code " << c.Code << " from " << c.Axis.Position;
}

class ThumbPositionTest : public GuiTest {};

TEST_F(ThumbPositionTest, TheBarsTrackPositionSuppliesTheHighBits) {
  TWndCreateInfo info;
  info.Style = WS_POPUP | WS_VSCROLL;
  info.Bounds = Bounds(0, 0, 100, 100);
  HWND wnd = CreateWindowEx(info);
  TScrollInfo si;
  si.fMask = SIF_RANGE | SIF_POS;
  si.nMax = 100000;
  si.nPos = 70000;
  SetScrollInfo(wnd, SB_VERT, si);
  const int word = static_cast<std::int16_t>(70000 & 0xFFFF);  // as TWMScroll::Pos gives it
  struct {
    HWND Wnd;
    int Bar, MessagePos, Expected;
  } cases[] = {
      {wnd, SB_VERT, word, 70000},
      {wnd, SB_VERT, 12, 12},      // passed on from another bar
      {wnd, SB_HORZ, word, word},  // a bar the window lacks
      {nullptr, SB_VERT, word, word},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ThumbPosition(c.Wnd, c.Bar, c.MessagePos), c.Expected) << c.MessagePos;
  DestroyWindow(wnd);
}

}  // namespace
