// Modal forms under a window manager: who owns them, which window the
// window manager may activate, and where input goes while a modal form
// disables the others.
#include <gtest/gtest.h>

#include <functional>

#include "gui_test_support.h"
#include "platform/gui/gui_host.h"

namespace {

// A host that records the activations the core asks for.
class TActivationHost final : public TNullHost {
 public:
  std::vector<HWND> Requests;

  void ActivateTopLevel(HWND wnd) override { Requests.push_back(wnd); }
};

// A focusable control that records the keys and characters it gets.
class TTypingControl : public TCustomControl {
  MEBRATH_CLASS(TTypingControl, TCustomControl)
 public:
  std::string Typed;

 protected:
  explicit TTypingControl(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(10, 10, 80, 20);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_CHAR) Typed += static_cast<char>(m.WParam);
    TCustomControl::WndProc(m);
  }
};

// A form with one typing control that runs a test step when it gets
// WM_USER + 1 (posted before ShowModal, so the step runs inside the loop).
class TStepForm : public TForm {
  MEBRATH_CLASS(TStepForm, TForm)
 public:
  TTypingControl* Edit = nullptr;
  std::function<void()> Step;

 protected:
  explicit TStepForm(TComponent* owner) : TForm(owner) {
    SetBounds(100, 100, 300, 200);
    Edit = Create<TTypingControl>(this);
    Edit->SetParent(this);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_USER + 1 && Step) Step();
    TForm::WndProc(m);
  }
};

class ModalWindowTest : public GuiTest {
 protected:
  ModalWindowTest() {
    SetGuiHost(&Host);
    Application->CreateForm(Main);
    Main->Show();
    Dialog = Create<TStepForm>(nullptr);
  }
  ~ModalWindowTest() override {
    Dialog->Free();
    Main->Free();
    SetGuiHost(nullptr);
  }
  // Shows the dialog modally, runs `step` inside its loop and closes it.
  void RunModal(const std::function<void()>& step) {
    Dialog->Step = [this, step] {
      step();
      Dialog->SetModalResult(mrOk);
    };
    PostMessage(Dialog->Handle(), WM_USER + 1);
    EXPECT_EQ(Dialog->ShowModal(), mrOk);
  }
  void Click(HWND top) {
    HostMouseEvent(top, WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON);
    HostMouseEvent(top, WM_LBUTTONUP, {20, 20}, 0);
    Application->ProcessMessages();
  }

  TActivationHost Host;
  TStepForm* Main = nullptr;
  TStepForm* Dialog = nullptr;
};

}  // namespace

TEST_F(ModalWindowTest, TheWindowTheHostActivatedIsNotAskedBack) {
  TStepForm* other = Create<TStepForm>(nullptr);
  other->Show();
  ASSERT_EQ(GetActiveWindow(), other->Handle());
  Host.Requests.clear();
  // The window manager activates the main form, then the other again: each
  // report only follows it, or the two would take the focus from each
  // other for ever.
  HostActivate(other->Handle(), false);
  HostActivate(Main->Handle(), true);
  HostActivate(Main->Handle(), false);
  HostActivate(other->Handle(), true);
  EXPECT_EQ(GetActiveWindow(), other->Handle());
  EXPECT_TRUE(Host.Requests.empty());
  // The program's own activation still asks the host.
  Main->SetFocus();
  EXPECT_EQ(Host.Requests, std::vector<HWND>{Main->Handle()});
  other->Free();
}

TEST_F(ModalWindowTest, AModalFormIsOwnedByTheWindowItInterrupts) {
  RunModal([&] { EXPECT_EQ(GetWindowOwner(Dialog->Handle()), Main->Handle()); });
  // Over another modal form, the inner one is owned by the outer one.
  TStepForm* inner = Create<TStepForm>(nullptr);
  RunModal([&] {
    inner->Step = [&] {
      EXPECT_EQ(GetWindowOwner(inner->Handle()), Dialog->Handle());
      inner->SetModalResult(mrOk);
    };
    PostMessage(inner->Handle(), WM_USER + 1);
    inner->ShowModal();
  });
  inner->Free();
  // With nothing active, the main form owns it.
  SetActiveWindow(nullptr);
  RunModal([&] { EXPECT_EQ(GetWindowOwner(Dialog->Handle()), Main->Handle()); });
  // A window never comes to own itself, directly or in a ring.
  SetWindowOwner(Main->Handle(), Dialog->Handle());
  EXPECT_EQ(GetWindowOwner(Main->Handle()), nullptr);
}

TEST_F(ModalWindowTest, TheDisabledWindowHandsActivationAndInputToTheModalForm) {
  Main->Edit->SetFocus();
  RunModal([&] {
    HWND dialog = Dialog->Handle();
    ASSERT_EQ(GetActiveWindow(), dialog);
    ASSERT_EQ(GetFocus(), Dialog->Edit->Handle());
    // The window manager activates the main form (a click on it, or a
    // request still in flight): the dialog stays active and is asked up.
    Host.Requests.clear();
    HostActivate(dialog, false);
    HostActivate(Main->Handle(), true);
    EXPECT_EQ(GetActiveWindow(), dialog);
    EXPECT_EQ(GetFocus(), Dialog->Edit->Handle());
    EXPECT_EQ(Host.Requests, std::vector<HWND>{dialog});
    // Keys typed now answer the dialog, never the card behind it.
    TypeText("y");
    EXPECT_EQ(Dialog->Edit->Typed, "y");
    EXPECT_EQ(Main->Edit->Typed, "");
    // The program cannot put the focus or the activation there either.
    EXPECT_EQ(SetFocus(Main->Edit->Handle()), nullptr);
    SetActiveWindow(Main->Handle());
    EXPECT_EQ(GetFocus(), Dialog->Edit->Handle());
    // A click on the main form brings the dialog up.
    Host.Requests.clear();
    Click(Main->Handle());
    EXPECT_EQ(GetActiveWindow(), dialog);
    EXPECT_EQ(Host.Requests, std::vector<HWND>{dialog});
    Host.Requests.clear();
    Click(Main->Handle());
    EXPECT_EQ(Host.Requests, std::vector<HWND>{dialog}) << "asked up again while active";
  });
  // Closed, the dialog hands the activation and the focus back.
  EXPECT_EQ(GetActiveWindow(), Main->Handle());
  EXPECT_EQ(GetFocus(), Main->Edit->Handle());
  TypeText("z");
  EXPECT_EQ(Main->Edit->Typed, "z");
}
