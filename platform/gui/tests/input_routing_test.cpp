// Keys and mouse input on their way through the tree: dialog keys and
// characters, child keys, the key state, the wheel, the pointer entering
// and leaving, the cursor shape and cancel mode.
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/draw/cursors.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"

namespace {

std::vector<std::string>* gLog = nullptr;
void Log(const std::string& s) {
  if (gLog) gLog->push_back(s);
}

// A host that only records the cursor shapes asked for.
class TCursorHost final : public TNullHost {
 public:
  std::vector<int> Shapes;

  void SetCursorShape(int cursor) override { Shapes.push_back(cursor); }
};

// An edit-like control: its dialog code and special keys are set by tests.
class TKeyEdit : public TCustomControl {
  MEBRATH_CLASS(TKeyEdit, TCustomControl)
 public:
  unsigned DlgCode = 0;
  unsigned SpecialKey = 0;  // answered through CM_WANTSPECIALKEY

 protected:
  explicit TKeyEdit(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 50, 20);
  }
  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case WM_GETDLGCODE:
        m.Result = DlgCode;
        return;
      case CM_WANTSPECIALKEY:
        m.Result = m.WParam == SpecialKey ? 1 : 0;
        return;
      case CM_CANCELMODE:
        Log("cancel " + Name());
        break;
      case WM_CAPTURECHANGED:
        Log("capture lost " + Name());
        break;
      default:
        break;
    }
    TCustomControl::WndProc(m);
  }
};

// A panel that may take its children's keys (CM_CHILDKEY).
class TKeyPanel : public TCustomControl {
  MEBRATH_CLASS(TKeyPanel, TCustomControl)
 public:
  unsigned EatChildKey = 0;

 protected:
  explicit TKeyPanel(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 30, 200, 100); }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_CHILDKEY) {
      Log("childkey " + Name() + " " + std::to_string(m.WParam));
      if (m.WParam == EatChildKey) {
        m.Result = 1;
        return;
      }
    }
    TCustomControl::WndProc(m);
  }
};

// A window-less control with an accelerator, like a label or a speed button.
class TAccelControl : public TGraphicControl {
  MEBRATH_CLASS(TAccelControl, TGraphicControl)

 protected:
  explicit TAccelControl(TComponent* owner) : TGraphicControl(owner) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_DIALOGCHAR && IsAccel(static_cast<unsigned>(m.WParam), Caption())) {
      Log("accel " + Name());
      m.Result = 1;
      return;
    }
    TGraphicControl::WndProc(m);
  }
};

class TRoutingForm : public TForm {
  MEBRATH_CLASS(TRoutingForm, TForm)
 public:
  TKeyEdit* E1 = nullptr;
  TKeyPanel* P = nullptr;
  TKeyEdit* E2 = nullptr;
  TAccelControl* L = nullptr;

 protected:
  explicit TRoutingForm(TComponent* owner) : TForm(owner) {
    SetBounds(100, 100, 400, 300);
    E1 = Make<TKeyEdit>("E1", this);
    P = Make<TKeyPanel>("P", this);
    E2 = Make<TKeyEdit>("E2", P);
    L = Make<TAccelControl>("L", P);
    L->SetBounds(100, 0, 60, 20);
    L->SetCaption("&Имя");
  }
  template <class T>
  T* Make(const char* name, TWinControl* parent) {
    T* c = Create<T>(this);
    c->SetName(name);
    c->SetParent(parent);
    return c;
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_DIALOGKEY) Log("dialogkey " + std::to_string(m.WParam));
    TForm::WndProc(m);
  }
};

class InputRoutingTest : public GuiTest {
 protected:
  InputRoutingTest() {
    gLog = &Lines;
    SetGuiHost(&Host);
    Form = Create<TRoutingForm>(nullptr);
    Form->Show();
    Lines.clear();
  }
  ~InputRoutingTest() override {
    Form->Free();
    SetGuiHost(nullptr);
    gLog = nullptr;
  }
  void Key(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
    Application->ProcessMessages();
  }
  // A mouse event at a point of `control`'s client area.
  void Mouse(unsigned msg, TControl* control, TPoint p, unsigned keys = 0, int wheel = 0) {
    TPoint screen = control->ClientToScreen(p);
    TRect content = ContentRect(Form->Handle());
    HostMouseEvent(Form->Handle(), msg, {screen.X - content.Left, screen.Y - content.Top}, keys,
                   wheel);
    Application->ProcessMessages();
  }

  TCursorHost Host;
  std::vector<std::string> Lines;
  TRoutingForm* Form = nullptr;
};

}  // namespace

TEST_F(InputRoutingTest, SpecialKeysGoToTheControlThatWantsThemElseToTheForm) {
  Form->E2->SetFocus();
  std::vector<unsigned> keys;
  Form->E2->OnKeyDown = [&](TObject*, unsigned& key, TShiftState) { keys.push_back(key); };
  struct Case {
    unsigned dlgCode;
    unsigned special;
    unsigned key;
    bool formSees;
  };
  const Case cases[] = {
      {0, 0, VK_RETURN, true},
      {DLGC_WANTALLKEYS, 0, VK_RETURN, false},
      {0, VK_RETURN, VK_RETURN, false},  // CM_WANTSPECIALKEY: offered to the control first
      {0, 0, VK_ESCAPE, true},
      {DLGC_WANTARROWS, 0, VK_LEFT, false},
      {0, 0, 'A', false},  // an ordinary key never becomes a dialog key
  };
  for (const Case& c : cases) {
    Form->E2->DlgCode = c.dlgCode;
    Form->E2->SpecialKey = c.special;
    Lines.clear();
    keys.clear();
    Key(c.key);
    bool formSaw =
        std::find(Lines.begin(), Lines.end(), "dialogkey " + std::to_string(c.key)) != Lines.end();
    EXPECT_EQ(formSaw, c.formSees) << c.key;
    // Nobody on the form answers the dialog key, so the control still gets it.
    EXPECT_EQ(keys, std::vector<unsigned>{c.key}) << c.key;
    // The parents hear every key first.
    EXPECT_EQ(Lines.front(), "childkey P " + std::to_string(c.key));
  }
  // A parent that takes the key (CM_CHILDKEY) stops it.
  Form->P->EatChildKey = VK_F5;
  keys.clear();
  Key(VK_F5);
  EXPECT_TRUE(keys.empty());
  // The arrows the control does not want move the focus among its
  // siblings (tab stop or not), and the control never sees them.
  Form->E1->SetFocus();
  Form->E1->OnKeyDown = [&](TObject*, unsigned& key, TShiftState) { keys.push_back(key); };
  keys.clear();
  Key(VK_DOWN);
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(Form->ActiveControl(), Form->P);
  Key(VK_UP);
  EXPECT_EQ(Form->ActiveControl(), Form->E1);
}

TEST_F(InputRoutingTest, CharactersTheControlDoesNotTakeAreAccelerators) {
  Form->E1->SetFocus();
  std::u32string typed;
  Form->E1->OnKeyPress = [&](TObject*, char32_t& ch) { typed += ch; };
  Form->E1->DlgCode = DLGC_WANTCHARS;
  HostCharEvent(U'и');
  Application->ProcessMessages();
  EXPECT_TRUE(Lines.empty()) << "an edit keeps its characters";
  EXPECT_EQ(typed, U"и");
  // With Alt held the character is an accelerator even for an edit.
  HostKeyEvent(WM_KEYDOWN, VK_MENU);
  HostCharEvent(U'И');
  HostKeyEvent(WM_KEYUP, VK_MENU);
  Application->ProcessMessages();
  EXPECT_EQ(Lines, std::vector<std::string>{"accel L"});
  EXPECT_EQ(typed, U"и");
  // A control that takes no characters offers them all.
  Lines.clear();
  Form->E1->DlgCode = 0;
  HostCharEvent(U'и');
  HostCharEvent(U'x');
  Application->ProcessMessages();
  EXPECT_EQ(Lines, std::vector<std::string>{"accel L"});
  EXPECT_EQ(typed, U"иx");
}

TEST_F(InputRoutingTest, KeyStateFollowsTheQueueAndAltMakesSystemKeys) {
  Form->E1->SetFocus();
  std::vector<std::string> seen;
  Form->E1->OnKeyDown = [&](TObject*, unsigned& key, TShiftState shift) {
    seen.push_back(std::to_string(key) + (shift.Contains(ssShift) ? " shift" : "") +
                   (shift.Contains(ssCtrl) ? " ctrl" : "") + (shift.Contains(ssAlt) ? " alt" : "") +
                   (GetKeyState(VK_SHIFT) < 0 ? " (shift down)" : ""));
  };
  std::vector<unsigned> sys;
  Form->E1->WindowProc = [&, old = Form->E1->WindowProc](TMessage& m) {
    if (m.Msg == WM_SYSKEYDOWN) sys.push_back(static_cast<unsigned>(m.WParam));
    old(m);
  };
  HostKeyEvent(WM_KEYDOWN, VK_SHIFT);
  // Queued but not yet taken: GetKeyState still says up, the async state down.
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  HostKeyEvent(WM_KEYDOWN, 'A');
  HostKeyEvent(WM_KEYUP, 'A');
  HostKeyEvent(WM_KEYUP, VK_SHIFT);
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  HostKeyEvent(WM_KEYDOWN, 'F');
  HostKeyEvent(WM_KEYUP, 'F');
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  HostKeyEvent(WM_KEYDOWN, VK_MENU);
  HostKeyEvent(WM_KEYDOWN, VK_DELETE);
  HostKeyEvent(WM_KEYUP, VK_DELETE);
  HostKeyEvent(WM_KEYUP, VK_MENU);
  Application->ProcessMessages();
  EXPECT_EQ(seen, (std::vector<std::string>{"16 shift (shift down)", "65 shift (shift down)",
                                            "17 ctrl", "70 ctrl", "18 alt", "46 alt"}));
  EXPECT_EQ(sys, (std::vector<unsigned>{VK_MENU, VK_DELETE}));
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(ShortCut(VK_DELETE, {ssAlt}), scAlt | VK_DELETE);
  EXPECT_EQ(ShortCut('F', {ssCtrl}), scCtrl | 'F');
}

TEST_F(InputRoutingTest, AKeyLetGoTowardAWindowThatGoesIsUp) {
  Form->E1->SetFocus();
  // Ctrl+N replaces the focused control before the releases are taken.
  Form->E1->OnKeyDown = [&](TObject*, unsigned& key, TShiftState) {
    if (key == 'N') Form->E1->RecreateWnd();
  };
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  HostKeyEvent(WM_KEYDOWN, 'N');
  HostKeyEvent(WM_KEYUP, 'N');
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  Application->ProcessMessages();
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  EXPECT_GE(GetKeyState('N'), 0);
}

TEST_F(InputRoutingTest, WheelGoesToTheFocusThenUpToTheParents) {
  Form->E2->SetFocus();
  std::vector<std::string> seen;
  bool e2Handles = true;
  Form->E2->OnMouseWheel = [&](TObject*, TShiftState shift, int delta, TPoint pos, bool& handled) {
    seen.push_back("E2 " + std::to_string(delta) + (shift.Contains(ssCtrl) ? " ctrl" : "") +
                   " at " + std::to_string(pos.X) + "," + std::to_string(pos.Y));
    handled = e2Handles;
  };
  Form->OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint, bool& handled) {
    seen.push_back("form " + std::to_string(delta));
    handled = true;
  };
  // Over E1 but the focus is in E2: the wheel goes to the focus.
  Mouse(WM_MOUSEWHEEL, Form->E1, {5, 5}, MK_CONTROL, -120);
  TPoint screen = Form->E1->ClientToScreen({5, 5});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0],
            "E2 -120 ctrl at " + std::to_string(screen.X) + "," + std::to_string(screen.Y));
  e2Handles = false;
  Mouse(WM_MOUSEWHEEL, Form->E1, {5, 5}, 0, 240);
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                seen[0], "E2 240 at " + std::to_string(screen.X) + "," + std::to_string(screen.Y),
                "form 240"}));
}

TEST_F(InputRoutingTest, EnterLeaveAndTheCursorFollowThePointer) {
  std::vector<std::string> seen;
  for (TControl* c : std::initializer_list<TControl*>{Form->E1, Form->E2, Form->L}) {
    c->OnMouseEnter = [&, c](TObject*) { seen.push_back("enter " + c->Name()); };
    c->OnMouseLeave = [&, c](TObject*) { seen.push_back("leave " + c->Name()); };
  }
  Form->E2->SetCursor(crIBeam);
  Form->L->SetCursor(crHandPoint);
  Host.Shapes.clear();
  Mouse(WM_MOUSEMOVE, Form->E1, {5, 5});
  Mouse(WM_MOUSEMOVE, Form->E1, {6, 5});
  Mouse(WM_MOUSEMOVE, Form->E2, {5, 5});
  Mouse(WM_MOUSEMOVE, Form->L, {5, 5});  // a window-less control inside P
  Mouse(WM_MOUSEMOVE, Form->P, {190, 90});
  HostMouseLeave(Form->Handle());
  EXPECT_EQ(seen, (std::vector<std::string>{"enter E1", "leave E1", "enter E2", "leave E2",
                                            "enter L", "leave L"}));
  EXPECT_EQ(Host.Shapes, (std::vector<int>{crDefault, crDefault, crIBeam, crHandPoint, crDefault}));
  // The screen's cursor wins over every control's.
  Host.Shapes.clear();
  Screen->SetCursor(crHourGlass);
  Mouse(WM_MOUSEMOVE, Form->E2, {5, 5});
  Screen->SetCursor(crDefault);
  EXPECT_EQ(Host.Shapes, (std::vector<int>{crHourGlass, crHourGlass, crDefault}));
}

TEST_F(InputRoutingTest, CancelModeEndsTheCaptureAndTellsTheControl) {
  Mouse(WM_LBUTTONDOWN, Form->E2, {5, 5}, MK_LBUTTON);
  ASSERT_TRUE(Form->E2->MouseCapture());
  EXPECT_EQ(GetCaptureControl(), Form->E2);
  SendMessage(Form->E2->Handle(), WM_CANCELMODE);
  EXPECT_FALSE(Form->E2->MouseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Lines, (std::vector<std::string>{"cancel E2", "capture lost E2"}));
  // The release that follows is no click.
  int clicks = 0;
  Form->E2->OnClick = [&](TObject*) { ++clicks; };
  Mouse(WM_LBUTTONUP, Form->E2, {5, 5});
  EXPECT_EQ(clicks, 0);
}
