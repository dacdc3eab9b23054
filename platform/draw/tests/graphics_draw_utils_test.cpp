#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/draw/draw_utils.h"
#include "platform/draw/recording_canvas.h"

namespace {

std::string Name(TColor c) {
  struct Named {
    TColor Color;
    const char* Name;
  } names[] = {{cl3DLight, "3DLight"},           {cl3DDkShadow, "3DDkShadow"},
               {clBtnHighlight, "BtnHighlight"}, {clBtnShadow, "BtnShadow"},
               {clBtnFace, "BtnFace"},           {clWindow, "Window"},
               {clWindowFrame, "WindowFrame"}};
  for (const Named& n : names)
    if (n.Color == c) return n.Name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(c));
  return buf;
}

// "L,T,R,B Colour" for each filled rectangle.
std::vector<std::string> Fills(const TRecordingCanvas& canvas) {
  std::vector<std::string> out;
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind != TRecordKind::FillRect) continue;
    out.push_back(std::to_string(r.Rect.Left) + "," + std::to_string(r.Rect.Top) + "," +
                  std::to_string(r.Rect.Right) + "," + std::to_string(r.Rect.Bottom) + " " +
                  Name(r.Color));
  }
  return out;
}

struct EdgeCase {
  unsigned Edge;
  unsigned Flags;
  std::vector<std::string> Lines;
  TRect After;
};

TEST(GraphicsDrawEdge, RingsColoursAndAdjust) {
  const EdgeCase cases[] = {
      {EDGE_RAISED,
       BF_RECT | BF_ADJUST,
       {"0,0,1,10 3DLight", "0,0,10,1 3DLight", "9,0,10,10 3DDkShadow", "0,9,10,10 3DDkShadow",
        "1,1,2,9 BtnHighlight", "1,1,9,2 BtnHighlight", "8,1,9,9 BtnShadow", "1,8,9,9 BtnShadow"},
       Rect(2, 2, 8, 8)},
      {EDGE_SUNKEN,
       BF_RECT | BF_ADJUST,
       {"0,0,1,10 BtnShadow", "0,0,10,1 BtnShadow", "9,0,10,10 BtnHighlight",
        "0,9,10,10 BtnHighlight", "1,1,2,9 3DDkShadow", "1,1,9,2 3DDkShadow", "8,1,9,9 3DLight",
        "1,8,9,9 3DLight"},
       Rect(2, 2, 8, 8)},
      {EDGE_SUNKEN, BF_RECT, {}, Rect(0, 0, 10, 10)},  // no BF_ADJUST: rect kept
      {BDR_RAISEDOUTER,
       BF_BOTTOMRIGHT | BF_ADJUST,
       {"9,0,10,10 3DDkShadow", "0,9,10,10 3DDkShadow"},
       Rect(0, 0, 9, 9)},
      {BDR_SUNKENINNER,
       BF_TOP | BF_ADJUST | BF_MIDDLE,
       {"0,0,10,1 3DDkShadow", "0,1,10,10 BtnFace"},
       Rect(0, 1, 10, 10)},
      {EDGE_RAISED,
       BF_RECT | BF_FLAT | BF_ADJUST,
       {"0,0,1,10 BtnShadow", "0,0,10,1 BtnShadow", "9,0,10,10 BtnShadow", "0,9,10,10 BtnShadow",
        "1,1,2,9 BtnFace", "1,1,9,2 BtnFace", "8,1,9,9 BtnFace", "1,8,9,9 BtnFace"},
       Rect(2, 2, 8, 8)},
  };
  for (const EdgeCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Edge) + "/" + std::to_string(c.Flags));
    TRecordingCanvas canvas;
    TRect r = Rect(0, 0, 10, 10);
    EXPECT_TRUE(DrawEdge(canvas, r, c.Edge, c.Flags));
    EXPECT_EQ(r, c.After);
    if (c.Flags != BF_RECT) {
      EXPECT_EQ(Fills(canvas), c.Lines);
    } else {
      EXPECT_EQ(Fills(canvas).size(), 8u);
    }
  }
}

TEST(GraphicsDrawEdge, Frame3DShrinksByItsWidth) {
  TRecordingCanvas canvas;
  TRect r = Rect(0, 0, 6, 6);
  Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 2);
  EXPECT_EQ(r, Rect(2, 2, 4, 4));
  EXPECT_EQ(Fills(canvas).size(), 8u);
  EXPECT_EQ(Fills(canvas)[4], "1,1,2,5 BtnHighlight");
}

TEST(GraphicsFrameControl, StatesLookDifferentAndLeaveTheCanvasAlone) {
  TRecordingCanvas canvas;
  canvas.Brush()->SetColor(clRed);
  canvas.Pen()->SetColor(clLime);
  auto draw = [&](unsigned type, unsigned state) {
    canvas.Clear();
    TRect r = Rect(0, 0, 13, 13);
    EXPECT_TRUE(DrawFrameControl(canvas, r, type, state));
    return canvas.Records();
  };
  auto unchecked = draw(DFC_BUTTON, DFCS_BUTTONCHECK);
  auto checked = draw(DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  auto grayed = draw(DFC_BUTTON, DFCS_BUTTON3STATE | DFCS_CHECKED);
  auto inactive = draw(DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
  EXPECT_GT(checked.size(), unchecked.size());
  ASSERT_EQ(checked.back().Kind, TRecordKind::Polyline);
  EXPECT_EQ(checked.back().Pen.Color, clWindowText);
  // The mark reads at 13 pixels: thick, and across most of the box; the
  // ring stays the unchecked one's (a lit ring means hot or pressed).
  EXPECT_GE(checked.back().Pen.Width, 2);
  EXPECT_GE(checked.back().Points.back().X - checked.back().Points.front().X, 6);
  EXPECT_EQ(checked[1].Color, unchecked[1].Color);
  EXPECT_EQ(checked[1].Color, clBtnShadow);
  EXPECT_EQ(inactive.back().Pen.Color, clGrayText);
  EXPECT_EQ(grayed.back().Kind, TRecordKind::FillRect);
  EXPECT_EQ(grayed.back().Color, clGrayText);
  // Pushed box: face instead of window colour.
  auto pushed = draw(DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_PUSHED);
  EXPECT_EQ(unchecked[0].Color, clWindow);
  EXPECT_EQ(pushed[0].Color, clBtnFace);

  auto radio = draw(DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  ASSERT_EQ(radio.size(), 2u);
  EXPECT_EQ(radio[1].Kind, TRecordKind::Ellipse);

  auto up = draw(DFC_SCROLL, DFCS_SCROLLUP);
  ASSERT_EQ(up.back().Kind, TRecordKind::Polygon);
  auto down = draw(DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  EXPECT_NE(up.back().Points, down.back().Points);

  EXPECT_EQ(canvas.Brush()->Color(), clRed);
  EXPECT_EQ(canvas.Pen()->Color(), clLime);
  TRect r = Rect(0, 0, 10, 10);
  EXPECT_FALSE(DrawFrameControl(canvas, r, 99, 0));
}

TEST(GraphicsFrameControl, PushButtonBorderAndAdjust) {
  TRecordingCanvas canvas;
  TRect r = Rect(0, 0, 40, 20);
  DrawFrameControl(canvas, r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
  EXPECT_EQ(r, Rect(1, 1, 39, 19));
  std::vector<std::string> fills = Fills(canvas);
  ASSERT_EQ(fills.size(), 5u);
  EXPECT_EQ(fills[0], "0,0,40,20 BtnFace");
  EXPECT_EQ(fills[1], "0,0,40,1 BtnShadow");

  canvas.Clear();
  r = Rect(0, 0, 40, 20);
  DrawFrameControl(canvas, r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
  EXPECT_EQ(Fills(canvas).size(), 1u);  // flat and not hot: no border

  canvas.Clear();
  TRect content = DrawButtonFace(canvas, Rect(0, 0, 40, 20), true, true);
  EXPECT_EQ(content, Rect(2, 2, 40, 20));
  EXPECT_EQ(canvas.Records().back().Kind, TRecordKind::Rectangle);  // the focus rectangle
}

TEST(GraphicsFrameControl, FocusRectIsAnInvertingDottedFrame) {
  TRecordingCanvas canvas;
  DrawFocusRect(canvas, Rect(2, 3, 20, 10));
  ASSERT_EQ(canvas.Records().size(), 1u);
  const TCanvasRecord& r = canvas.Records()[0];
  EXPECT_EQ(r.Kind, TRecordKind::Rectangle);
  EXPECT_EQ(r.Rect, Rect(2, 3, 20, 10));
  EXPECT_EQ(r.Pen.Mode, pmXor);
  EXPECT_EQ(r.Pen.Style, psDot);
  EXPECT_EQ(r.Brush.Style, bsClear);
  EXPECT_EQ(canvas.Pen()->Mode(), pmCopy);
}

}  // namespace
