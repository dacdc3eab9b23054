#include "platform/gui/hint_window.h"

#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"

namespace {

class THintBox : public TCustomControl {
  MEBRATH_CLASS(THintBox, TCustomControl)
 public:
  std::function<void(THintInfo&, LRESULT&)> OnHintShow;
  int Pause = -1;  // CM_HINTSHOWPAUSE answer when >= 0
  int PauseAsks = 0;

 protected:
  explicit THintBox(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 100, 40); }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_HINTSHOW && OnHintShow) {
      OnHintShow(*TCMHintShow{m}.HintInfo(), m.Result);
      return;
    }
    if (m.Msg == CM_HINTSHOWPAUSE) {
      ++PauseAsks;
      if (Pause >= 0) *LParamAs<int>(m.LParam) = Pause;
      return;
    }
    TCustomControl::WndProc(m);
  }
};

class TCellTipWindow : public THintWindow {
  MEBRATH_CLASS(TCellTipWindow, THintWindow)
 public:
  void* Data = nullptr;
  TRect CalcHintRect(int maxWidth, const std::string& hint, void* data) override {
    Data = data;
    return THintWindow::CalcHintRect(maxWidth, hint, data);
  }

 protected:
  explicit TCellTipWindow(TComponent* owner) : THintWindow(owner) {}
};

class HintTest : public GuiTest {
 protected:
  HintTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Form->SetShowHint(true);
    A = Create<THintBox>(Form);
    A->SetParent(Form);
    A->SetHint("Short|Long text");
    B = Create<THintBox>(Form);
    B->SetParent(Form);
    B->SetTop(50);
    B->SetHint("Second");
    Form->Show();
  }
  ~HintTest() override { Form->Free(); }
  // Moves the pointer to (x, y) in the form's client area.
  void MoveTo(int x, int y) {
    TPoint screen = Form->ClientToScreen({x, y});
    TRect content = ContentRect(Form->Handle());
    HostMouseEvent(Form->Handle(), WM_MOUSEMOVE, {screen.X - content.Left, screen.Y - content.Top},
                   0);
    Application->ProcessMessages();
  }
  void Wait(std::uint32_t ms) {
    Advance(ms);
    Application->ProcessMessages();
  }
  bool HintShows() const {
    THintWindow* w = Application->HintWindow();
    return w != nullptr && w->HandleAllocated() && IsWindowVisible(w->Handle());
  }

  TForm* Form = nullptr;
  THintBox* A = nullptr;
  THintBox* B = nullptr;
};

TEST_F(HintTest, ShowsAfterThePauseBelowThePointerAndHidesAfterTheHidePause) {
  EXPECT_TRUE(A->ShowHint()) << "from the form through ParentShowHint";
  MoveTo(10, 10);
  EXPECT_EQ(Application->Hint(), "Long text");
  Wait(499);
  EXPECT_FALSE(HintShows());
  Wait(1);
  ASSERT_TRUE(HintShows());
  THintWindow* w = Application->HintWindow();
  EXPECT_EQ(w->Caption(), "Short");
  TPoint cursor = Form->ClientToScreen({10, 10});
  EXPECT_EQ(GetWindowRect(w->Handle()).TopLeft(), (TPoint{cursor.X, cursor.Y + 20}));
  EXPECT_EQ(GetActiveWindow(), Form->Handle());
  EXPECT_EQ(GetWindowExStyle(w->Handle()) & WS_EX_NOACTIVATE, WS_EX_NOACTIVATE);
  // Moving inside the control keeps it.
  MoveTo(20, 12);
  EXPECT_TRUE(HintShows());
  Wait(2500);
  EXPECT_FALSE(HintShows());
  // No new hint until the pointer goes to another control.
  MoveTo(25, 12);
  Wait(1000);
  EXPECT_FALSE(HintShows());
  MoveTo(10, 60);
  EXPECT_EQ(Application->HintControl(), B);
  Wait(500);
  ASSERT_TRUE(HintShows());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Second");
}

TEST_F(HintTest, ShortPauseBetweenControlsAndDismissals) {
  MoveTo(10, 10);
  Wait(500);
  ASSERT_TRUE(HintShows());
  MoveTo(10, 60);
  EXPECT_FALSE(HintShows());
  Wait(50);
  ASSERT_TRUE(HintShows()) << "the short pause while hints are active";
  EXPECT_EQ(B->PauseAsks, 1);

  // A click takes it away, and so does a key.
  HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, {1, 1}, MK_LBUTTON);
  Application->ProcessMessages();
  HostMouseEvent(Form->Handle(), WM_LBUTTONUP, {1, 1}, 0);
  EXPECT_FALSE(HintShows());
  EXPECT_EQ(Application->HintControl(), nullptr);
  MoveTo(10, 10);
  EXPECT_EQ(Application->HintControl(), A);
  Wait(500);
  ASSERT_TRUE(HintShows());
  HostKeyEvent(WM_KEYDOWN, VK_DOWN);
  Application->ProcessMessages();
  EXPECT_FALSE(HintShows());

  // Leaving the control cancels a pending hint.
  MoveTo(10, 60);
  HostMouseLeave(Form->Handle());
  Wait(1000);
  EXPECT_FALSE(HintShows());

  // Switched off: nothing shows.
  Application->SetShowHint(false);
  MoveTo(10, 10);
  Wait(1000);
  EXPECT_FALSE(HintShows());
}

TEST_F(HintTest, ControlsAdjustTheHintThroughTheirMessages) {
  // CM_HINTSHOWPAUSE changes the pause.
  A->Pause = 100;
  MoveTo(10, 10);
  Wait(100);
  ASSERT_TRUE(HintShows());
  Application->CancelHint();

  // CM_HINTSHOW changes text, place, window class and the area where the
  // hint stays; a non-zero result refuses it.
  int data = 0;
  std::vector<TPoint> seen;
  A->OnHintShow = [&](THintInfo& info, LRESULT&) {
    EXPECT_EQ(info.HintControl, A);
    EXPECT_EQ(info.HintStr, "Short");
    seen.push_back(info.CursorPos);
    info.CursorRect = Rect(0, 0, 50, 40);  // a cell
    info.HintStr = "cell text";
    info.HintPos = A->ClientToScreen({0, 0});
    info.HintWindowClass = [](TComponent* owner) -> THintWindow* {
      return Create<TCellTipWindow>(owner);
    };
    info.HintData = &data;
  };
  MoveTo(30, 10);
  Wait(100);
  ASSERT_TRUE(HintShows());
  auto* tip = dynamic_cast<TCellTipWindow*>(Application->HintWindow());
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(tip->Data, &data);
  EXPECT_EQ(tip->Caption(), "cell text");
  EXPECT_EQ(GetWindowRect(tip->Handle()).TopLeft(), A->ClientToScreen({0, 0}));
  // Leaving the cell hides it and shows the next one after the short pause.
  MoveTo(60, 10);
  EXPECT_FALSE(HintShows());
  Wait(100);
  EXPECT_TRUE(HintShows());
  EXPECT_EQ(seen, (std::vector<TPoint>{{30, 10}, {60, 10}}));

  A->OnHintShow = [](THintInfo&, LRESULT& result) { result = 1; };
  Application->CancelHint();
  MoveTo(30, 10);
  Wait(1000);
  EXPECT_FALSE(HintShows());
  // OnShowHint may refuse too.
  A->OnHintShow = nullptr;
  Application->OnShowHint = [](std::string& text, bool& canShow, THintInfo&) {
    canShow = text != "Short";
  };
  Application->CancelHint();
  MoveTo(30, 10);
  Wait(1000);
  EXPECT_FALSE(HintShows());
}

TEST_F(HintTest, MeasuresWithWordBreaksAndDrawsTheText) {
  THintWindow* w = Create<THintWindow>(nullptr);
  TCanvas& m = MeasureCanvas();
  m.SetFont(w->Font());
  TRect one = w->CalcHintRect(1000, "Short", nullptr);
  EXPECT_EQ(one, Rect(0, 0, m.TextWidth("Short") + 6, m.TextHeight("Short") + 4));
  TRect wrapped = w->CalcHintRect(m.TextWidth("gamma delta"), "alpha beta gamma delta", nullptr);
  EXPECT_EQ(wrapped.Height(), 2 * m.TextHeight("a") + 4);
  EXPECT_EQ(wrapped.Width(), m.TextWidth("gamma delta") + 6);

  // Kept on the screen.
  TRect r = one;
  OffsetRect(r, Screen->Width() - 3, 10);
  w->ActivateHint(r, "Short");
  EXPECT_EQ(GetWindowRect(w->Handle()).Right, Screen->Width());
  TRecordingCanvas canvas;
  PaintTopLevel(w->Handle(), canvas, {});
  bool drawn = false;
  for (const TCanvasRecord& rec : canvas.Records()) {
    if (rec.Kind == TRecordKind::Text && rec.Text == "Short") {
      drawn = true;
      EXPECT_EQ(rec.Color, clInfoText);
      EXPECT_EQ(rec.Rect.TopLeft(), (TPoint{3, 2})) << "border and margins";
    }
  }
  EXPECT_TRUE(drawn);
  w->ReleaseHandle();
  EXPECT_FALSE(w->HandleAllocated());
  w->Free();
}

TEST(HintText, SplitsAtTheBar) {
  EXPECT_EQ(GetShortHint("Open|Opens a register"), "Open");
  EXPECT_EQ(GetLongHint("Open|Opens a register"), "Opens a register");
  EXPECT_EQ(GetShortHint("Open"), "Open");
  EXPECT_EQ(GetLongHint("Open"), "Open");
  EXPECT_EQ(GetShortHint("|x"), "");
}

}  // namespace
