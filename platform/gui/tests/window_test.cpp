#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/draw/draw_utils.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/window.h"

namespace {

struct TLog {
  std::vector<std::string> Lines;
  TWndProc Proc(const std::string& name) {
    return [this, name](HWND wnd, TMessage& m) {
      if (m.Msg == WM_USER + 1 || m.Msg == WM_TIMER || m.Msg == WM_VSCROLL ||
          m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS || m.Msg == WM_CAPTURECHANGED) {
        Lines.push_back(name + ":" + std::to_string(m.Msg) + ":" +
                        std::to_string(m.WParam & 0xFFFF));
      }
      DefWindowProc(wnd, m);
    };
  }
};

HWND MakeTop(TLog& log, const std::string& name, std::uint32_t style = WS_POPUP) {
  TWndCreateInfo info;
  info.Style = style | WS_VISIBLE;
  info.Bounds = Bounds(100, 100, 200, 150);
  info.WndProc = log.Proc(name);
  return CreateWindowEx(info);
}

HWND MakeChild(TLog& log, HWND parent, const std::string& name, TRect bounds,
               std::uint32_t style = 0, std::uint32_t exStyle = 0) {
  TWndCreateInfo info;
  info.Parent = parent;
  info.Style = WS_CHILD | WS_VISIBLE | style;
  info.ExStyle = exStyle;
  info.Bounds = bounds;
  info.WndProc = log.Proc(name);
  return CreateWindowEx(info);
}

void Pump() {
  TMsg msg;
  while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(msg);
}

using WindowTest = GuiTest;

TEST_F(WindowTest, PostedMessagesKeepOrderAndFiltersSelect) {
  TLog log;
  HWND a = MakeTop(log, "a");
  HWND b = MakeChild(log, a, "b", Bounds(0, 0, 10, 10));
  PostMessage(a, WM_USER + 1, 1);
  PostMessage(b, WM_USER + 1, 2);
  PostMessage(a, WM_USER + 5, 3);
  PostQuitMessage(7);
  TMsg msg;
  // A range filter skips what is outside it; no-remove leaves it queued.
  ASSERT_TRUE(PeekMessage(msg, nullptr, WM_USER + 5, WM_USER + 5, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 3);
  ASSERT_TRUE(PeekMessage(msg, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2);
  // A window filter takes messages of its children too.
  ASSERT_TRUE(PeekMessage(msg, a, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 1);
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3);
  // WM_QUIT comes after everything posted.
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7);
  EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  // Destroying a window drops its queued messages.
  PostMessage(b, WM_USER + 1);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(b));
  EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(SendMessage(b, WM_USER + 1), 0);
}

TEST_F(WindowTest, TimersFireByTheTestClockOnePendingAtATime) {
  TLog log;
  HWND a = MakeTop(log, "a");
  log.Lines.clear();
  SetTimer(a, 1, 100);
  SetTimer(a, 2, 0);  // counts as 10 ms
  Advance(9);
  EXPECT_EQ(FireDueTimers(), 0);
  Advance(1);
  EXPECT_EQ(FireDueTimers(), 1);
  EXPECT_EQ(FireDueTimers(), 0) << "timer 2 already has one queued";
  Pump();
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"a:275:2"}));
  log.Lines.clear();
  Advance(90);
  Pump();  // PeekMessage finds due timers by itself
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"a:275:1", "a:275:2"}));
  log.Lines.clear();
  Advance(10);
  FireDueTimers();
  KillTimer(a, 2);  // takes its queued WM_TIMER away
  Pump();
  EXPECT_TRUE(log.Lines.empty());
  EXPECT_EQ(MillisecondsToNextTimer(), 90);
  DestroyWindow(a);
  EXPECT_EQ(MillisecondsToNextTimer(), -1);
}

TEST_F(WindowTest, HeadlessWaitWithNothingToWaitForFails) {
  EXPECT_THROW(WaitMessage(), EMessageLoopStalled);
}

TEST_F(WindowTest, FocusMessagesNameTheOtherWindowAndCaptureNotifiesLoser) {
  TLog log;
  HWND top = MakeTop(log, "top");
  HWND a = MakeChild(log, top, "a", Bounds(0, 0, 10, 10));
  HWND b = MakeChild(log, top, "b", Bounds(10, 0, 10, 10));
  SetFocus(a);
  log.Lines.clear();
  SetFocus(b);
  ASSERT_EQ(log.Lines.size(), 2u);
  EXPECT_EQ(log.Lines[0].rfind("a:8:", 0), 0u);  // WM_KILLFOCUS first
  EXPECT_EQ(log.Lines[1].rfind("b:7:", 0), 0u);
  EXPECT_EQ(GetFocus(), b);
  // Hiding the focused window gives the focus back to its parent.
  ShowWindow(b, SW_HIDE);
  EXPECT_EQ(GetFocus(), top);
  log.Lines.clear();
  SetCapture(a);
  SetCapture(top);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"a:533:0"}));
  DestroyWindow(top);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, FrameShrinksTheClientArea) {
  TLog log;
  HWND top = MakeTop(log, "top");
  struct Case {
    std::uint32_t Style;
    std::uint32_t ExStyle;
    TRect Client;
  } cases[] = {
      {0, 0, Rect(0, 0, 100, 80)},
      {WS_BORDER, 0, Rect(1, 1, 99, 79)},
      {0, WS_EX_CLIENTEDGE, Rect(2, 2, 98, 78)},
      {WS_BORDER | WS_VSCROLL, WS_EX_CLIENTEDGE, Rect(3, 3, 97 - 17, 77)},
      {WS_HSCROLL | WS_VSCROLL, 0, Rect(0, 0, 83, 63)},
  };
  for (const Case& c : cases) {
    HWND w = MakeChild(log, top, "w", Bounds(5, 5, 100, 80), c.Style, c.ExStyle);
    EXPECT_EQ(GetClientRectInWindow(w), c.Client) << c.Style << " " << c.ExStyle;
    DestroyWindow(w);
  }
  // Showing a bar through the scroll info shrinks the client area.
  HWND w = MakeChild(log, top, "w", Bounds(5, 5, 100, 80));
  TScrollInfo si{SIF_RANGE | SIF_PAGE, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, si);
  EXPECT_EQ(GetClientRect(w), Rect(0, 0, 83, 80));
  si.nPage = 100;  // nothing to scroll: the bar goes
  SetScrollInfo(w, SB_VERT, si);
  EXPECT_EQ(GetClientRect(w), Rect(0, 0, 100, 80));
  si.fMask |= SIF_DISABLENOSCROLL;  // unless asked to stay, disabled
  SetScrollInfo(w, SB_VERT, si);
  EXPECT_EQ(GetClientRect(w), Rect(0, 0, 83, 80));
  DestroyWindow(top);
}

TEST_F(WindowTest, ScrollInfoClampsPosition) {
  TLog log;
  HWND top = MakeTop(log, "top");
  HWND w = MakeChild(log, top, "w", Bounds(0, 0, 100, 100), WS_VSCROLL);
  TScrollInfo si{SIF_ALL, 0, 99, 10, 500, 0};
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, si), 90);
  si.nPos = -5;
  si.fMask = SIF_POS;
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, si), 0);
  TScrollInfo out{SIF_ALL};
  ASSERT_TRUE(GetScrollInfo(w, SB_VERT, out));
  EXPECT_EQ(out.nMax, 99);
  EXPECT_EQ(out.nPage, 10u);
  DestroyWindow(top);
}

TEST_F(WindowTest, ScrollBarClicksSendClassicCodes) {
  TLog log;
  HWND top = MakeTop(log, "top");
  HWND w = MakeChild(log, top, "w", Bounds(0, 0, 100, 140), WS_VSCROLL);
  log.Lines.clear();
  TScrollInfo si{SIF_ALL, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, si);
  TScrollBarLayout l = GetScrollBarLayout(w, SB_VERT);
  auto click = [&](TPoint p, unsigned msg, unsigned keys) {
    HostMouseEvent(top, msg, p, keys);
    Pump();
  };
  TPoint down{l.ArrowDown.Left + 5, l.ArrowDown.Top + 5};
  click(down, WM_LBUTTONDOWN, MK_LBUTTON);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"w:277:1"}));  // SB_LINEDOWN at once
  EXPECT_EQ(GetCapture(), w);
  Advance(kScrollFirstDelay);
  Pump();
  Advance(kScrollRepeatDelay);
  Pump();
  EXPECT_EQ(log.Lines.size(), 3u) << "held: repeats after the first delay, then faster";
  click(down, WM_LBUTTONUP, 0);
  EXPECT_EQ(log.Lines.back(), "w:277:8");  // SB_ENDSCROLL
  EXPECT_EQ(GetCapture(), nullptr);
  log.Lines.clear();
  // Page area below the thumb.
  TPoint page{l.PageDown.Left + 5, l.PageDown.Bottom - 5};
  Advance(1000);
  click(page, WM_LBUTTONDOWN, MK_LBUTTON);
  click(page, WM_LBUTTONUP, 0);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"w:277:3", "w:533:0", "w:277:8"}));
  log.Lines.clear();
  // Dragging the thumb to the end: track, then position, then end.
  Advance(1000);
  TPoint thumb{l.Thumb.Left + 5, l.Thumb.Top + 2};
  click(thumb, WM_LBUTTONDOWN, MK_LBUTTON);
  click({thumb.X, l.ArrowDown.Top + 5}, WM_MOUSEMOVE, MK_LBUTTON);
  TScrollInfo track{SIF_TRACKPOS | SIF_POS};
  GetScrollInfo(w, SB_VERT, track);
  EXPECT_EQ(track.nTrackPos, 90);
  EXPECT_EQ(track.nPos, 0) << "the position is the window's to set";
  click({thumb.X, l.ArrowDown.Top + 5}, WM_LBUTTONUP, 0);
  EXPECT_EQ(log.Lines, (std::vector<std::string>{"w:277:5", "w:277:4", "w:533:0", "w:277:8"}));
  DestroyWindow(top);
}

TEST_F(WindowTest, PaintsFrameFirstThenClientAndChildrenClipped) {
  TLog log;
  std::vector<std::string> order;
  std::vector<TRect> paintRects;
  TWndCreateInfo info;
  info.Style = WS_POPUP | WS_VISIBLE;
  info.Bounds = Bounds(0, 0, 100, 100);
  info.WndProc = [&](HWND wnd, TMessage& m) {
    if (m.Msg == WM_PAINT) order.push_back("top paint");
    DefWindowProc(wnd, m);
  };
  HWND top = CreateWindowEx(info);
  info.Parent = top;
  info.Style = WS_CHILD | WS_VISIBLE | WS_BORDER;
  info.Bounds = Bounds(10, 10, 200, 30);  // reaches past the parent
  info.WndProc = [&](HWND wnd, TMessage& m) {
    if (m.Msg == WM_NCPAINT) order.push_back("child frame");
    if (m.Msg == WM_ERASEBKGND) order.push_back("child erase");
    if (m.Msg == WM_PAINT) {
      order.push_back("child paint");
      TPaintStruct ps;
      TCanvas* c = BeginPaint(wnd, ps);
      paintRects.push_back(ps.rcPaint);
      c->FillSolidRect(Rect(0, 0, 500, 500), clRed);
      EndPaint(wnd, ps);
      return;
    }
    DefWindowProc(wnd, m);
  };
  HWND child = CreateWindowEx(info);
  TRecordingCanvas canvas;
  TRect painted = PaintTopLevel(top, canvas, {});
  EXPECT_EQ(painted, Rect(0, 0, 100, 100));
  EXPECT_EQ(order,
            (std::vector<std::string>{"top paint", "child frame", "child erase", "child paint"}));
  // The child's fill lands clipped to its client area inside the parent.
  const TCanvasRecord& last = canvas.Records().back();
  EXPECT_EQ(last.Kind, TRecordKind::FillRect);
  EXPECT_EQ(last.Clip.Bounds(), Rect(11, 11, 100, 39));
  // Nothing invalid: nothing painted; invalidating the child paints just it.
  order.clear();
  EXPECT_EQ(PaintTopLevel(top, canvas, {}), TRect{});
  TRect r = Rect(0, 0, 5, 5);
  InvalidateRect(child, &r);
  EXPECT_EQ(PaintTopLevel(top, canvas, {}), Rect(11, 11, 16, 16));
  EXPECT_EQ(paintRects, (std::vector<TRect>{Rect(0, 0, 89, 28), Rect(0, 0, 5, 5)}));
  DestroyWindow(top);
}

// The frame's parts come from the style painter, so frames, scroll bars
// and controls share one look.
TEST_F(WindowTest, FrameAndScrollBarsAreDrawnByTheStylePainter) {
  TLog log;
  HWND top = MakeTop(log, "top");
  HWND w = MakeChild(log, top, "w", Bounds(0, 0, 100, 140), WS_VSCROLL, WS_EX_CLIENTEDGE);
  TScrollInfo si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(w, SB_VERT, si);
  TRecordingCanvas canvas;
  PaintTopLevel(top, canvas, {});
  auto key = [](const TCanvasRecord& r) {
    return std::to_string(static_cast<int>(r.Kind)) + " " + std::to_string(r.Rect.Left) + "," +
           std::to_string(r.Rect.Top) + "," + std::to_string(r.Rect.Right) + "," +
           std::to_string(r.Rect.Bottom) + " " + std::to_string(r.Color);
  };
  std::string drawn;
  for (const TCanvasRecord& r : canvas.Records()) drawn += key(r) + "\n";
  auto expectDrawn = [&](const std::function<void(TCanvas&)>& draw, const char* what) {
    TRecordingCanvas expected;
    draw(expected);
    ASSERT_FALSE(expected.Records().empty()) << what;
    std::string part;
    for (const TCanvasRecord& r : expected.Records()) part += key(r) + "\n";
    EXPECT_NE(drawn.find(part), std::string::npos) << what;
  };
  expectDrawn(
      [](TCanvas& c) {
        TRect r = Rect(0, 0, 100, 140);
        DrawEdge(c, r, EDGE_SUNKEN, BF_RECT);
      },
      "the client edge");
  TScrollBarLayout l = GetScrollBarLayout(w, SB_VERT);
  expectDrawn(
      [&](TCanvas& c) {
        TRect r = l.ArrowUp;
        DrawFrameControl(c, r, DFC_SCROLL, DFCS_SCROLLUP);
      },
      "the up arrow");
  expectDrawn(
      [&](TCanvas& c) {
        TRect r = l.Thumb;
        DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH);
      },
      "the thumb");
  EnableScrollBar(w, SB_VERT, ESB_DISABLE_DOWN);
  canvas.Clear();
  drawn.clear();
  InvalidateFrame(w);
  PaintTopLevel(top, canvas, {});
  for (const TCanvasRecord& r : canvas.Records()) drawn += key(r) + "\n";
  expectDrawn(
      [&](TCanvas& c) {
        TRect r = l.ArrowDown;
        DrawFrameControl(c, r, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE);
      },
      "the disabled down arrow");
  DestroyWindow(top);
}

TEST(ShortCutTest, TextRoundTrips) {
  struct Case {
    unsigned Key;
    TShiftState Shift;
    const char* Text;
  } cases[] = {{'F', {ssCtrl}, "Ctrl+F"},
               {VK_DELETE, {ssAlt}, "Alt+Del"},
               {VK_DOWN, {ssAlt}, "Alt+Down"},
               {VK_F2, {}, "F2"},
               {VK_RETURN, {ssShift, ssCtrl}, "Shift+Ctrl+Enter"}};
  for (const Case& c : cases) {
    TShortCut sc = ShortCut(c.Key, c.Shift);
    EXPECT_EQ(ShortCutToText(sc), c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), sc);
  }
  EXPECT_EQ(ShortCut('F', {ssCtrl}), 0x4046);
}

}  // namespace

TEST(WindowFrameTest, TheHostsContentIsTheClientAreaOfEveryCaptionedWindow) {
  struct Case {
    std::uint32_t Style;
    std::uint32_t ExStyle;
  } cases[] = {
      {WS_OVERLAPPEDWINDOW, 0},
      {WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME},
      {WS_CAPTION | WS_BORDER | WS_SYSMENU, WS_EX_TOOLWINDOW},
      {WS_CAPTION | WS_THICKFRAME | WS_SYSMENU, WS_EX_TOOLWINDOW},
  };
  for (const Case& c : cases) {
    TWndCreateInfo info;
    info.Style = c.Style;
    info.ExStyle = c.ExStyle;
    info.Bounds = Bounds(50, 40, 300, 200);
    HWND wnd = CreateWindowEx(info);
    TRect content = ContentRect(wnd);
    TRect client = GetClientRect(wnd);
    EXPECT_EQ(content.Width(), client.Width()) << c.Style << " " << c.ExStyle;
    EXPECT_EQ(content.Height(), client.Height()) << c.Style << " " << c.ExStyle;
    TPoint origin = MapWindowPoint(wnd, nullptr, {0, 0});
    EXPECT_EQ(content.TopLeft(), origin) << c.Style << " " << c.ExStyle;
    DestroyWindow(wnd);
  }
}
