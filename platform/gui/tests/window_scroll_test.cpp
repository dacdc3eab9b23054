// Scrolling moves painted pixels through the host and repaints only what it
// uncovers; frame changes repaint only the frame.
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"

namespace {

// A host that records scroll requests and paints nothing by itself.
class TScrollHost final : public TNullHost {
 public:
  struct TScroll {
    HWND Wnd;
    TRect Rect;
    int Dx;
    int Dy;
    bool operator==(const TScroll&) const = default;
  };
  bool Accept = true;
  std::vector<TScroll> Scrolls;

  bool ScrollTopLevel(HWND wnd, const TRect& rect, int dx, int dy) override {
    Scrolls.push_back({wnd, rect, dx, dy});
    return Accept;
  }
};

// Records the clip of each paint of its client area; has a sunken edge.
class TSheet : public TCustomControl {
  MEBRATH_CLASS(TSheet, TCustomControl)
 public:
  std::vector<TRect> Painted;

 protected:
  explicit TSheet(TComponent* owner) : TCustomControl(owner) {}
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.ExStyle |= WS_EX_CLIENTEDGE;
  }
  void Paint() override {
    Painted.push_back(Canvas()->ClipRect());
    Canvas()->FillRect(ClientRect());
  }
};

class WindowScrollTest : public GuiTest {
 protected:
  WindowScrollTest() {
    SetGuiHost(&Host);
    Form = Create<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Sheet = Create<TSheet>(Form);
    Sheet->SetBounds(10, 10, 204, 104);  // client 200 x 100
    Sheet->SetParent(Form);
    Form->Show();
    PaintAll();
  }
  ~WindowScrollTest() override {
    Form->Free();
    SetGuiHost(nullptr);
  }
  // Paints what is invalid; returns the area painted (content coordinates).
  TRect PaintAll() {
    TRecordingCanvas canvas;
    TRect painted = PaintTopLevel(Form->Handle(), canvas, {});
    Sheet->Painted.clear();
    return painted;
  }
  TRect PaintAndRecord(std::vector<TRect>& sheetPaints) {
    TRecordingCanvas canvas;
    TRect painted = PaintTopLevel(Form->Handle(), canvas, {});
    sheetPaints = Sheet->Painted;
    Sheet->Painted.clear();
    return painted;
  }
  // A rectangle of the sheet's client area in the form's content coordinates.
  TRect InContent(TRect r) {
    TPoint o = Sheet->ClientOrigin();
    TRect content = ContentRect(Form->Handle());
    OffsetRect(r, o.X - content.Left, o.Y - content.Top);
    return r;
  }

  TScrollHost Host;
  TForm* Form = nullptr;
  TSheet* Sheet = nullptr;
};

TEST_F(WindowScrollTest, OnlyTheUncoveredStripIsRepainted) {
  ASSERT_EQ(Sheet->ClientRect(), Rect(0, 0, 200, 100));
  struct Case {
    int dx;
    int dy;
    TRect strip;
  } cases[] = {
      {0, -20, Rect(0, 80, 200, 100)},  // a row up: the bottom comes into view
      {0, 20, Rect(0, 0, 200, 20)},
      {-30, 0, Rect(170, 0, 200, 100)},
      {30, 0, Rect(0, 0, 30, 100)},
  };
  for (const Case& c : cases) {
    Host.Scrolls.clear();
    ScrollWindow(Sheet->Handle(), c.dx, c.dy);
    ASSERT_EQ(Host.Scrolls.size(), 1u);
    EXPECT_EQ(Host.Scrolls[0],
              (TScrollHost::TScroll{Form->Handle(), InContent(Sheet->ClientRect()), c.dx, c.dy}));
    std::vector<TRect> paints;
    EXPECT_EQ(PaintAndRecord(paints), InContent(c.strip)) << c.dx << "," << c.dy;
    EXPECT_EQ(paints, std::vector<TRect>{c.strip}) << c.dx << "," << c.dy;
  }
}

TEST_F(WindowScrollTest, PendingAreasMoveAlongAndUntrustedOnesRepaintWhole) {
  const TRect whole = Sheet->ClientRect();
  std::vector<TRect> paints;
  // The host declines.
  Host.Accept = false;
  ScrollWindow(Sheet->Handle(), 0, -20);
  PaintAndRecord(paints);
  EXPECT_EQ(paints, std::vector<TRect>{whole});
  Host.Accept = true;
  // Part of the area still awaits painting: it is repainted where it was
  // and where its stale pixels went, besides the strip.
  Host.Scrolls.clear();
  TRect dirty = Rect(0, 40, 10, 50);
  InvalidateRect(Sheet->Handle(), &dirty, true);
  ScrollWindow(Sheet->Handle(), 0, -20);
  EXPECT_EQ(Host.Scrolls.size(), 1u);
  PaintAndRecord(paints);
  EXPECT_EQ(paints, std::vector<TRect>{Rect(0, 20, 200, 100)});
  Host.Scrolls.clear();
  // A child window that does not move with a scrolled rectangle.
  TSheet* child = Create<TSheet>(Form);
  child->SetBounds(20, 20, 30, 30);
  child->SetParent(Sheet);
  PaintAll();
  TRect area = Rect(0, 0, 200, 100);
  ScrollWindow(Sheet->Handle(), 0, -20, &area);
  EXPECT_TRUE(Host.Scrolls.empty());
  PaintAndRecord(paints);
  EXPECT_EQ(paints, std::vector<TRect>{whole});
  // Without a rectangle children move along with the pixels.
  ScrollWindow(Sheet->Handle(), 0, -20);
  EXPECT_EQ(Host.Scrolls.size(), 1u);
  EXPECT_EQ(child->Top(), 0);
  PaintAndRecord(paints);
  EXPECT_EQ(paints, std::vector<TRect>{Rect(0, 80, 200, 100)});
  // Headless, everything is repainted.
  SetGuiHost(nullptr);
  Host.Scrolls.clear();
  ScrollWindow(Sheet->Handle(), 0, -20);
  EXPECT_TRUE(Host.Scrolls.empty());
  PaintAndRecord(paints);
  EXPECT_EQ(paints, std::vector<TRect>{whole});
  SetGuiHost(&Host);
}

TEST_F(WindowScrollTest, FrameChangesRepaintOnlyTheFrame) {
  TScrollInfo info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 10;
  info.nPos = 0;
  SetScrollInfo(Sheet->Handle(), SB_VERT, info, true);  // shows the bar: all repaints
  PaintAll();
  SetScrollPos(Sheet->Handle(), SB_VERT, 40, true);
  std::vector<TRect> paints;
  TRect painted = PaintAndRecord(paints);
  EXPECT_TRUE(paints.empty()) << "the client area keeps its pixels";
  TRect inWindow = GetClientRectInWindow(Sheet->Handle());
  TRect window = InContent(Bounds(-inWindow.Left, -inWindow.Top, Sheet->Width(), Sheet->Height()));
  EXPECT_EQ(painted, window) << "the sheet's frame and bar";
}

}  // namespace
