#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"

namespace {

std::vector<std::string>* gLog = nullptr;
void Log(const std::string& s) {
  if (gLog) gLog->push_back(s);
}

class TTestEdit : public TCustomControl {
  MEBRATH_CLASS(TTestEdit, TCustomControl)
 public:
  unsigned DlgCode = 0;
  int Paints = 0;

 protected:
  explicit TTestEdit(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 50, 20);
  }
  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case WM_GETDLGCODE:
        m.Result = DlgCode;
        return;
      case CM_ENTER:
        Log("enter " + Name());
        break;
      case CM_EXIT:
        Log("exit " + Name());
        break;
      default:
        break;
    }
    TCustomControl::WndProc(m);
  }
  void Paint() override {
    ++Paints;
    Canvas()->FillRect(ClientRect());
  }
};

class TTestPanel : public TCustomControl {
  MEBRATH_CLASS(TTestPanel, TCustomControl)
 protected:
  explicit TTestPanel(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 100, 100); }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_ENTER) Log("enter " + Name());
    if (m.Msg == CM_EXIT) Log("exit " + Name());
    TCustomControl::WndProc(m);
  }
};

class TTestForm : public TForm {
  MEBRATH_CLASS(TTestForm, TForm)
 public:
  TTestEdit* E1 = nullptr;
  TTestPanel* P = nullptr;
  TTestEdit* E2 = nullptr;
  TTestEdit* E3 = nullptr;

 protected:
  explicit TTestForm(TComponent* owner) : TForm(owner) {
    SetBounds(0, 0, 400, 300);
    E1 = Make<TTestEdit>("E1", this);
    P = Make<TTestPanel>("P", this);
    E2 = Make<TTestEdit>("E2", P);
    E3 = Make<TTestEdit>("E3", P);
    E1->SetTop(0);
    P->SetTop(30);
    E3->SetLeft(60);
  }
  template <class T>
  T* Make(const char* name, TWinControl* parent) {
    T* c = Create<T>(this);
    c->SetName(name);
    c->SetParent(parent);
    return c;
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_USER + 1) SetModalResult(static_cast<TModalResult>(m.WParam));
    if (m.Msg == WM_USER + 2) {
      // A nested modal form, closed by its own posted message.
      TTestForm* inner = Create<TTestForm>(nullptr);
      PostMessage(inner->Handle(), WM_USER + 1, mrYes);
      Log("inner " + std::to_string(inner->ShowModal()));
      inner->Free();
    }
    TForm::WndProc(m);
  }
};

class ControlsTest : public GuiTest {
 protected:
  ControlsTest() { gLog = &Lines; }
  ~ControlsTest() override {
    if (Form) Form->Free();
    gLog = nullptr;
  }
  void Key(unsigned vk, bool shift = false) {
    PressKey(vk, shift ? TShiftState{ssShift} : TShiftState{});
  }
  std::vector<std::string> Lines;
  TTestForm* Form = nullptr;
};

TEST_F(ControlsTest, EnterAndExitFollowTheClassicOrder) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  EXPECT_EQ(Form->ActiveControl(), Form->E1) << "the first tab stop";
  EXPECT_TRUE(Form->E1->Focused());
  Lines.clear();
  Form->E3->SetFocus();
  EXPECT_EQ(Lines, (std::vector<std::string>{"exit E1", "enter P", "enter E3"}));
  Lines.clear();
  Form->E2->SetFocus();
  EXPECT_EQ(Lines, (std::vector<std::string>{"exit E3", "enter E2"}));
  Lines.clear();
  Form->E1->SetFocus();
  EXPECT_EQ(Lines, (std::vector<std::string>{"exit E2", "exit P", "enter E1"}));
  EXPECT_EQ(Screen->ActiveControl(), Form->E1);
  // A hidden control cannot take the focus.
  Form->E3->Hide();
  EXPECT_THROW(Form->E3->SetFocus(), EInvalidOperation);
}

TEST_F(ControlsTest, TabMovesInTabOrderUnlessTheControlWantsIt) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  Key(VK_TAB);
  EXPECT_TRUE(Form->E2->Focused());
  Key(VK_TAB);
  EXPECT_TRUE(Form->E3->Focused());
  Key(VK_TAB);
  EXPECT_TRUE(Form->E1->Focused()) << "wraps around";
  Key(VK_TAB, true);
  EXPECT_TRUE(Form->E3->Focused()) << "Shift+Tab goes back";
  Form->E3->SetTabOrder(0);  // P's list is now E3, E2
  Key(VK_TAB);
  EXPECT_TRUE(Form->E2->Focused());
  Form->E1->SetFocus();
  // A control that wants Tab gets it as a key instead.
  Form->E1->DlgCode = DLGC_WANTTAB;
  unsigned seen = 0;
  Form->E1->OnKeyDown = [&](TObject*, unsigned& key, TShiftState) { seen = key; };
  Key(VK_TAB);
  EXPECT_TRUE(Form->E1->Focused());
  EXPECT_EQ(seen, VK_TAB);
}

TEST_F(ControlsTest, KeysCharsAndPreview) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  std::u32string typed;
  Form->E1->OnKeyPress = [&](TObject*, char32_t& ch) { typed += ch; };
  HostCharEvent(U'ж');
  Key(VK_RETURN);
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  Key('C');
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  Application->ProcessMessages();
  EXPECT_EQ(typed, (std::u32string{U'ж', 13, 3}));
  // Key preview: the form sees keys first and may swallow them.
  Form->SetKeyPreview(true);
  Form->OnKeyDown = [](TObject*, unsigned& key, TShiftState) {
    if (key == VK_F2) key = 0;
  };
  unsigned seen = 0;
  Form->E1->OnKeyDown = [&](TObject*, unsigned& key, TShiftState) { seen = key; };
  Key(VK_F2);
  EXPECT_EQ(seen, 0u);
  Key(VK_F3);
  EXPECT_EQ(seen, VK_F3);
}

TEST_F(ControlsTest, ClickCapturesAndFocusesAndDoubleClicksByTimeAndDistance) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  TTestEdit* e = Form->E2;  // at (0, 30) in the form's client area
  int clicks = 0, doubles = 0;
  e->OnClick = [&](TObject*) { ++clicks; };
  e->OnDblClick = [&](TObject*) { ++doubles; };
  TPoint origin = Form->ClientOrigin();
  TRect content = ContentRect(Form->Handle());
  TPoint at{origin.X - content.Left + 5, origin.Y - content.Top + 35};
  auto mouse = [&](unsigned msg, TPoint p, unsigned keys) {
    HostMouseEvent(Form->Handle(), msg, p, keys);
    Application->ProcessMessages();
  };
  mouse(WM_LBUTTONDOWN, at, MK_LBUTTON);
  EXPECT_TRUE(e->Focused());
  EXPECT_TRUE(e->MouseCapture());
  mouse(WM_MOUSEMOVE, {at.X + 200, at.Y}, MK_LBUTTON);  // still ours while captured
  mouse(WM_LBUTTONUP, {at.X + 200, at.Y}, 0);
  EXPECT_FALSE(e->MouseCapture());
  EXPECT_EQ(clicks, 0) << "released outside";
  Advance(1000);
  mouse(WM_LBUTTONDOWN, at, MK_LBUTTON);
  mouse(WM_LBUTTONUP, at, 0);
  Advance(100);
  mouse(WM_LBUTTONDOWN, {at.X + 1, at.Y + 1}, MK_LBUTTON);
  mouse(WM_LBUTTONUP, at, 0);
  EXPECT_EQ(doubles, 1);
  Advance(100);
  mouse(WM_LBUTTONDOWN, at, MK_LBUTTON);  // a third press starts over
  mouse(WM_LBUTTONUP, at, 0);
  Advance(600);
  mouse(WM_LBUTTONDOWN, at, MK_LBUTTON);  // too late for a double click
  mouse(WM_LBUTTONUP, at, 0);
  Advance(100);
  mouse(WM_LBUTTONDOWN, {at.X + 10, at.Y}, MK_LBUTTON);  // too far
  mouse(WM_LBUTTONUP, {at.X + 10, at.Y}, 0);
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(clicks, 5);
}

TEST_F(ControlsTest, AlignLaysOutInClassicOrder) {
  Form = Create<TTestForm>(nullptr);
  TTestPanel* panel = Form->P;
  panel->SetBounds(0, 0, 200, 100);
  auto make = [&](TAlign align, int size) {
    TTestPanel* c = Create<TTestPanel>(Form);
    c->SetBounds(0, 0, size, size);
    c->SetParent(panel);
    c->SetAlign(align);
    return c;
  };
  Form->E2->SetParent(nullptr);
  Form->E3->SetParent(nullptr);
  TTestPanel* client = make(alClient, 5);
  TTestPanel* right = make(alRight, 30);
  TTestPanel* top = make(alTop, 10);
  TTestPanel* left = make(alLeft, 20);
  TTestPanel* bottom = make(alBottom, 15);
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 200, 10));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 85, 200, 100));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 10, 20, 85));
  EXPECT_EQ(right->BoundsRect(), Rect(170, 10, 200, 85));
  EXPECT_EQ(client->BoundsRect(), Rect(20, 10, 170, 85));
  panel->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(client->BoundsRect(), Rect(20, 10, 270, 185));
  EXPECT_EQ(right->BoundsRect(), Rect(270, 10, 300, 185));
}

TEST_F(ControlsTest, AWindowGrowsToGiveItsAlignedChildrenTheirMinimum) {
  Form = Create<TTestForm>(nullptr);
  Form->SetBounds(0, 0, 400, 300);
  Form->E2->SetParent(nullptr);
  Form->E3->SetParent(nullptr);
  Form->E1->SetParent(nullptr);
  TTestPanel* place = Form->P;
  place->SetAlign(alClient);
  auto make = [&](TWinControl* parent, TAlign align, int size) {
    TTestPanel* c = Create<TTestPanel>(Form);
    c->SetBounds(0, 0, size, size);
    c->SetParent(parent);
    c->SetAlign(align);
    return c;
  };
  make(Form, alTop, 30);
  make(Form, alLeft, 50);
  TTestPanel* inner = make(place, alClient, 10);
  TTestPanel* status = make(inner, alBottom, 20);
  const int frameW = Form->Width() - Form->ClientWidth();
  const int frameH = Form->Height() - Form->ClientHeight();
  // Nothing asks for a minimum: the layout is the plain one.
  EXPECT_EQ(Form->MinimumSize(), (TSize{0, 0}));
  // The window embedded two levels down needs more than the form gives:
  // the form grows by what it lacks, so the bar along its bottom shows.
  inner->SetConstraints({300, 320, 0, 0});
  EXPECT_EQ(Form->ClientHeight(), 30 + 320);
  EXPECT_EQ(Form->ClientWidth(), 400 - frameW) << "wide enough already";
  EXPECT_EQ(inner->BoundsRect(), Rect(0, 0, Form->ClientWidth() - 50, 320));
  EXPECT_EQ(status->BoundsRect(), Rect(0, 300, inner->Width(), 320));
  EXPECT_EQ(place->Height(), inner->Height());
  // Wider than the form and the side bar: it grows sideways too.
  inner->SetConstraints({500, 320, 0, 0});
  EXPECT_EQ(Form->ClientWidth(), 50 + 500);
  EXPECT_EQ(Form->MinimumSize(), (TSize{550 + frameW, 350 + frameH}));
  // The user cannot make the form smaller than that.
  Form->SetBounds(0, 0, 200, 200);
  EXPECT_EQ(Form->ClientWidth(), 550);
  EXPECT_EQ(Form->ClientHeight(), 350);
  // A hidden child asks for nothing.
  inner->Hide();
  EXPECT_EQ(Form->MinimumSize(), (TSize{0, 0}));
}

TEST_F(ControlsTest, ParentFontAndColorFollowTheParent) {
  Form = Create<TTestForm>(nullptr);
  Form->Font()->SetSize(12);
  EXPECT_EQ(Form->E2->Font()->Size(), 12) << "through the panel";
  Form->E3->Font()->SetStyle({fsBold});
  EXPECT_FALSE(Form->E3->ParentFont());
  Form->Font()->SetSize(14);
  EXPECT_EQ(Form->E2->Font()->Size(), 14);
  EXPECT_EQ(Form->E3->Font()->Size(), 12);
  Form->P->SetParentColor(true);
  Form->SetColor(clRed);
  EXPECT_EQ(Form->P->Color(), clRed);
}

TEST_F(ControlsTest, ModalLoopsNestAndEndByPostedMessages) {
  Form = Create<TTestForm>(nullptr);
  PostMessage(Form->Handle(), WM_USER + 2);  // opens an inner modal form first
  PostMessage(Form->Handle(), WM_USER + 1, mrOk);
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_EQ(Lines.back(), "inner 6");
  EXPECT_FALSE(Form->Visible());
  // OnCloseQuery can refuse; the loop goes on until it agrees.
  int asked = 0;
  Form->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
  PostMessage(Form->Handle(), WM_USER + 1, mrCancel);
  PostMessage(Form->Handle(), WM_USER + 1, mrCancel);
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
  Form->Show();
  EXPECT_THROW(Form->ShowModal(), EInvalidOperation);
}

TEST_F(ControlsTest, IdleHandlersRunAfterOnIdleInOrderWhileDone) {
  std::vector<std::string> seen;
  bool userDone = true;
  Application->OnIdle = [&](TObject*, bool& done) {
    seen.push_back("OnIdle");
    done = userDone;
  };
  int second = 0;
  int first = Application->AddIdleHandler([&](TObject*, bool&) {
    seen.push_back("first");
    Application->RemoveIdleHandler(second);  // removed during the pass: skipped
  });
  second = Application->AddIdleHandler([&](TObject*, bool&) { seen.push_back("second"); });
  int third = Application->AddIdleHandler([&](TObject*, bool& done) {
    seen.push_back("third");
    done = false;
  });
  EXPECT_FALSE(Application->DoIdle());
  EXPECT_EQ(seen, (std::vector<std::string>{"OnIdle", "first", "third"}));
  // OnIdle asking for more idle time skips the handlers.
  seen.clear();
  userDone = false;
  EXPECT_FALSE(Application->DoIdle());
  EXPECT_EQ(seen, std::vector<std::string>{"OnIdle"});
  // Replacing OnIdle leaves the handlers in place.
  seen.clear();
  Application->OnIdle = nullptr;
  Application->RemoveIdleHandler(third);
  EXPECT_TRUE(Application->DoIdle());
  EXPECT_EQ(seen, std::vector<std::string>{"first"});
  Application->RemoveIdleHandler(first);
}

TEST_F(ControlsTest, CloseActionsAndMainForm) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  TCloseAction action = caHide;
  Form->OnClose = [&](TObject*, TCloseAction& a) { a = action; };
  Form->Close();
  EXPECT_FALSE(Form->Visible());
  Form->Show();
  action = caNone;
  Form->Close();
  EXPECT_TRUE(Form->Visible());
  action = caFree;
  bool destroyed = false;
  Form->OnDestroy = [&](TObject*) { destroyed = true; };
  Form->Close();
  Application->ProcessMessages();
  EXPECT_TRUE(destroyed);
  Form = nullptr;
  // The main form's closing ends Run.
  TTestForm* main = nullptr;
  Application->CreateForm(main);
  EXPECT_EQ(Application->MainForm(), main);
  PostMessage(main->Handle(), WM_CLOSE);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  main->Free();
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(ControlsTest, ExceptionsShowInABoxCaptionedWithTheTitleAndAbortIsSilent) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  Form->E1->OnKeyDown = [](TObject*, unsigned& key, TShiftState) {
    if (key == VK_F5) throw Exception("Bad value");
    Abort();
  };
  Key(VK_F5);
  Key(VK_F6);
  EXPECT_EQ(Boxes, (std::vector<std::string>{"Test: Bad value."}));
}

TEST_F(ControlsTest, PaintGoesThroughPaintWithTheControlsCanvas) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  Form->E2->SetColor(clYellow);
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, {});
  EXPECT_EQ(Form->E2->Paints, 1);
  bool found = false;
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind == TRecordKind::FillRect && r.Color == clYellow && r.Rect.Width() == 50)
      found = true;
  }
  EXPECT_TRUE(found);
  Form->E2->Invalidate();
  PaintTopLevel(Form->Handle(), canvas, {});
  EXPECT_EQ(Form->E2->Paints, 2);
  EXPECT_EQ(Form->E3->Paints, 1) << "not invalid, not under the repainted area";
}

TEST_F(ControlsTest, DestroyingAControlClearsWeakReferences) {
  Form = Create<TTestForm>(nullptr);
  Form->Show();
  Form->E3->SetFocus();
  Form->P->Free();  // frees E2 and E3 with it
  EXPECT_EQ(Form->ActiveControl(), nullptr);
  EXPECT_EQ(Form->ControlCount(), 1);
  Form->E2 = Form->E3 = nullptr;
  Form->P = nullptr;
  Key(VK_TAB);
  EXPECT_TRUE(Form->E1->Focused());
}

}  // namespace
