// The members of controls and forms that layouts and windows rely on: the
// CM_ change notices, anchors and constraints, client sizes and screen
// coordinates, a form inside a panel of another form, the form and data
// module events, the screen.
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"

namespace {

std::vector<std::string>* gLog = nullptr;
void Log(const std::string& s) {
  if (gLog) gLog->push_back(s);
}

std::string NoticeName(unsigned msg) {
  switch (msg) {
    case CM_ENABLEDCHANGED:
      return "enabled";
    case CM_TEXTCHANGED:
      return "text";
    case CM_VISIBLECHANGED:
      return "visible";
    case CM_SHOWINGCHANGED:
      return "showing";
    case CM_FONTCHANGED:
      return "font";
    case CM_COLORCHANGED:
      return "color";
    case CM_PARENTFONTCHANGED:
      return "parentfont";
    case CM_PARENTCOLORCHANGED:
      return "parentcolor";
    case CM_SYSCOLORCHANGE:
      return "syscolor";
    default:
      return "";
  }
}

// Logs the CM_ notices it receives.
class TNoticeBox : public TCustomControl {
  MEBRATH_CLASS(TNoticeBox, TCustomControl)

 protected:
  explicit TNoticeBox(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(10, 10, 50, 20);
  }
  void WndProc(TMessage& m) override {
    if (std::string n = NoticeName(m.Msg); !n.empty()) Log(Name() + " " + n);
    TCustomControl::WndProc(m);
  }
};

class TPanelLike : public TCustomControl {
  MEBRATH_CLASS(TPanelLike, TCustomControl)
 protected:
  explicit TPanelLike(TComponent* owner) : TCustomControl(owner) {}
};

// A form that logs its life.
class TLifeForm : public TForm {
  MEBRATH_CLASS(TLifeForm, TForm)
 public:
  TNoticeBox* Box = nullptr;

 protected:
  explicit TLifeForm(TComponent* owner) : TForm(owner) {
    SetName("Life");
    SetBounds(0, 0, 300, 200);
    Box = Create<TNoticeBox>(this);
    Box->SetName("Box");
    Box->SetParent(this);
    OnCreate = [](TObject*) { Log("create"); };
    OnShow = [](TObject*) { Log("show"); };
    OnResize = [this](TObject*) {
      Log("resize " + std::to_string(ClientWidth()) + "x" + std::to_string(ClientHeight()));
    };
    OnDestroy = [](TObject*) { Log("destroy"); };
  }
};

class TLogModule : public TDataModule {
  MEBRATH_CLASS(TLogModule, TDataModule)
 protected:
  explicit TLogModule(TComponent* owner) : TDataModule(owner) {
    OnCreate = [](TObject*) { Log("module create"); };
    OnDestroy = [](TObject*) { Log("module destroy"); };
  }
};

// A host that records the bounds the core gives its windows.
class TBoundsHost final : public TNullHost {
 public:
  std::vector<TRect> Bounds;

  TSize MinSize;

  void SetTopLevelBounds(HWND, const TRect& r) override { Bounds.push_back(r); }
  void SetTopLevelMinimumSize(HWND, TSize size) override { MinSize = size; }
};

class ControlsMembersTest : public GuiTest {
 protected:
  ControlsMembersTest() { gLog = &Lines; }
  ~ControlsMembersTest() override {
    for (TComponent* c : Owned) c->Free();
    gLog = nullptr;
  }
  template <class T>
  T* Make(TComponent* owner = nullptr) {
    T* c = Create<T>(owner);
    if (owner == nullptr) Owned.insert(Owned.begin(), c);
    return c;
  }
  std::vector<std::string> Lines;
  std::vector<TComponent*> Owned;
};

}  // namespace

TEST_F(ControlsMembersTest, ChangeNoticesReachTheControlAndItsChildren) {
  TLifeForm* form = Make<TLifeForm>();
  TNoticeBox* box = form->Box;
  form->Show();
  Lines.clear();
  box->SetEnabled(false);
  box->SetEnabled(false);  // unchanged: no notice
  box->SetText("x");
  box->Hide();
  box->Show();
  EXPECT_EQ(Lines, (std::vector<std::string>{"Box enabled", "Box text", "Box visible",
                                             "Box showing", "Box visible", "Box showing"}));
  EXPECT_FALSE(IsWindowEnabled(box->Handle()));
  Lines.clear();
  form->Font()->SetSize(11);
  EXPECT_EQ(Lines, (std::vector<std::string>{"Box parentfont", "Box font"}));
  EXPECT_EQ(box->Font()->Size(), 11);
  Lines.clear();
  form->SetColor(clYellow);  // the box keeps its own colour
  box->SetParentColor(true);
  form->SetColor(clAqua);
  EXPECT_EQ(Lines, (std::vector<std::string>{"Box parentcolor", "Box color", "Box parentcolor",
                                             "Box color"}));
  EXPECT_EQ(box->Color(), clAqua);
  // The desktop's colours changed: every control hears of it.
  Lines.clear();
  SendMessage(form->Handle(), WM_SYSCOLORCHANGE);
  EXPECT_EQ(Lines, std::vector<std::string>{"Box syscolor"});
}

TEST_F(ControlsMembersTest, AnchorsConstraintsAndClientSizes) {
  TLifeForm* form = Make<TLifeForm>();
  form->SetClientWidth(400);
  form->SetClientHeight(300);
  EXPECT_EQ(form->ClientRect(), Rect(0, 0, 400, 300));
  TPanelLike* panel = Make<TPanelLike>(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 200, 100);
  struct Case {
    TAnchors anchors;
    TRect after;  // the child at (10, 10, 60, 30) once the panel grew by 40 x 20
  };
  const Case cases[] = {
      {{akLeft, akTop}, Rect(10, 10, 60, 30)},
      {{akRight, akTop}, Rect(50, 10, 100, 30)},
      {{akLeft, akRight}, Rect(10, 0, 100, 20)},  // no vertical anchor: stays where it was
      {{akLeft, akTop, akRight, akBottom}, Rect(10, 10, 100, 50)},
      {{akLeft, akBottom}, Rect(10, 30, 60, 50)},
  };
  for (const Case& c : cases) {
    panel->SetBounds(0, 0, 200, 100);
    TPanelLike* child = Make<TPanelLike>(form);
    child->SetParent(panel);
    child->SetBounds(10, c.anchors.Contains(akTop) || c.anchors.Contains(akBottom) ? 10 : 0, 50,
                     20);
    child->SetAnchors(c.anchors);
    panel->SetBounds(0, 0, 240, 120);
    EXPECT_EQ(child->BoundsRect(), c.after);
    child->SetParent(nullptr);
  }
  // Constraints limit every way of sizing, the window system's included.
  form->Show();
  form->SetConstraints({200, 150, 350, 0});
  EXPECT_EQ(form->Width(), 350) << "cut to the maximum width";
  form->SetBounds(form->Left(), form->Top(), 100, 100);
  EXPECT_EQ(form->Width(), 200);
  EXPECT_EQ(form->Height(), 150);
  TRect b = form->BoundsRect();
  SetWindowPos(form->Handle(), nullptr, b.Left, b.Top, 50, 900, SWP_NOZORDER);
  EXPECT_EQ(form->Width(), 200);
  EXPECT_EQ(form->Height(), 900);
  // Client and screen coordinates.
  panel->SetBounds(30, 40, 100, 100);
  TPoint origin = form->ClientOrigin();
  EXPECT_EQ(panel->ClientToScreen({1, 2}), (TPoint{origin.X + 31, origin.Y + 42}));
  EXPECT_EQ(panel->ScreenToClient({origin.X + 31, origin.Y + 42}), (TPoint{1, 2}));
  EXPECT_EQ(GetParentForm(panel), form);
}

TEST_F(ControlsMembersTest, AFormEmbeddedInAPanelOfAnotherForm) {
  TLifeForm* outer = Make<TLifeForm>();
  outer->SetName("Outer");
  outer->SetBounds(0, 0, 500, 400);
  TPanelLike* panel = Make<TPanelLike>(outer);
  panel->SetParent(outer);
  panel->SetAlign(alClient);
  outer->Show();
  Lines.clear();
  TLifeForm* inner = Make<TLifeForm>();
  inner->SetBorderStyle(bsNone);
  inner->SetParent(panel);
  inner->SetAlign(alClient);
  inner->Show();
  EXPECT_EQ(inner->BoundsRect(), panel->ClientRect());
  EXPECT_TRUE(inner->Showing());
  EXPECT_EQ(GetParent(inner->Handle()), panel->Handle());
  EXPECT_NE(GetWindowStyle(inner->Handle()) & WS_CHILD, 0u);
  EXPECT_EQ(Lines.front(), "create");
  EXPECT_NE(std::find(Lines.begin(), Lines.end(), "show"), Lines.end());
  // It follows the panel and keys reach its controls.
  Lines.clear();
  outer->SetBounds(0, 0, 600, 450);
  EXPECT_EQ(inner->BoundsRect(), panel->ClientRect());
  EXPECT_EQ(Lines.back(), "resize " + std::to_string(panel->ClientWidth()) + "x" +
                              std::to_string(panel->ClientHeight()));
  inner->Box->SetFocus();
  EXPECT_TRUE(inner->Box->Focused());
  EXPECT_EQ(GetParentForm(inner->Box), outer) << "the top-most form";
  EXPECT_EQ(outer->ActiveControl(), inner->Box);
  EXPECT_EQ(Screen->ActiveControl(), inner->Box);
  Lines.clear();
  Owned.erase(std::find(Owned.begin(), Owned.end(), inner));
  inner->Free();
  EXPECT_EQ(Lines, std::vector<std::string>{"destroy"});
  EXPECT_EQ(outer->ActiveControl(), nullptr);
}

TEST_F(ControlsMembersTest, FormAndModuleEventsAndTheScreen) {
  Make<TLogModule>();
  TLifeForm* form = Make<TLifeForm>();
  EXPECT_EQ(Lines, (std::vector<std::string>{"module create", "create"}));
  EXPECT_EQ(Screen->DataModuleCount(), 1);
  ASSERT_EQ(Screen->FormCount(), 1);
  EXPECT_EQ(Screen->Forms(0), form);
  // Centred in the work area when shown.
  form->SetPosition(poScreenCenter);
  form->SetBounds(0, 0, 200, 100);
  form->Show();
  TRect work = Screen->WorkAreaRect();
  EXPECT_EQ(form->Left(), work.Left + (work.Width() - 200) / 2);
  EXPECT_EQ(form->Top(), work.Top + (work.Height() - 100) / 2);
  EXPECT_EQ(Screen->ActiveForm(), form);
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
  EXPECT_GT(Screen->Width(), 0);
  EXPECT_GT(Screen->Height(), 0);
  // Centred on the main form, the first form CreateForm made.
  TLifeForm* main = nullptr;
  Application->CreateForm(main);
  EXPECT_EQ(Application->MainForm(), main);
  main->SetBounds(100, 100, 400, 300);
  main->Show();
  TLifeForm* dialog = Make<TLifeForm>();
  dialog->SetPosition(poMainFormCenter);
  dialog->SetBounds(0, 0, 200, 100);
  dialog->Show();
  EXPECT_EQ(dialog->BoundsRect(), Rect(200, 200, 400, 300));
  EXPECT_EQ(Screen->FormCount(), 3);
  Lines.clear();
  main->Free();
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(Lines, std::vector<std::string>{"destroy"});
}

TEST_F(ControlsMembersTest, TheUserCannotSizeAFormPastItsConstraints) {
  TBoundsHost host;
  SetGuiHost(&host);
  TLifeForm* form = Make<TLifeForm>();
  form->SetConstraints({250, 0, 0, 0});
  form->Show();
  TRect content = ContentRect(form->Handle());
  host.Bounds.clear();
  HostResize(form->Handle(), Rect(content.Left, content.Top, content.Left + 100, content.Bottom));
  EXPECT_EQ(form->Width(), 250);
  ASSERT_EQ(host.Bounds.size(), 1u) << "the native window is told the size it keeps";
  EXPECT_EQ(host.Bounds[0], ContentRect(form->Handle()));
  // A size within the constraints is taken as it comes.
  host.Bounds.clear();
  HostResize(form->Handle(), Rect(content.Left, content.Top, content.Left + 400, content.Bottom));
  EXPECT_EQ(ContentRect(form->Handle()).Width(), 400);
  EXPECT_TRUE(host.Bounds.empty());
  Owned.clear();
  form->Free();
  SetGuiHost(nullptr);
}

TEST_F(ControlsMembersTest, AFormKeepsWithinTheWorkAreaAndTheNativeWindowKnowsItsMinimum) {
  TBoundsHost host;
  SetGuiHost(&host);
  const TRect work = host.WorkAreaRect();  // 1024 x 740
  TLifeForm* form = Make<TLifeForm>();
  TPanelLike* bar = Create<TPanelLike>(form);
  bar->SetBounds(0, 0, 50, 20);
  bar->SetParent(form);
  bar->SetAlign(alBottom);
  // Placed lower and wider than the work area allows: shown inside it.
  form->SetBounds(900, 600, 300, 200);
  form->Show();
  EXPECT_EQ(form->BoundsRect(), Rect(work.Right - 300, work.Bottom - 200, work.Right, work.Bottom));
  TRect content = ContentRect(form->Handle());
  const int frameW = form->Width() - content.Width(), frameH = form->Height() - content.Height();
  EXPECT_EQ(host.MinSize, (TSize{0, 0})) << "nothing asks for a minimum yet";
  // A child that grows the form: it moves up, and the host gets the minimum.
  form->SetBounds(100, 500, 300, 200);
  bar->SetConstraints({0, 400, 0, 0});
  const int minH = 400 + form->Height() - form->ClientHeight();
  EXPECT_EQ(form->Height(), minH);
  EXPECT_EQ(form->Top(), work.Bottom - minH);
  EXPECT_EQ(form->Left(), 100) << "only what does not fit moves";
  EXPECT_EQ(host.MinSize, (TSize{0, minH - frameH}));
  // The form's own minimum counts too, and a smaller one is passed on.
  form->SetConstraints({250, 0, 0, 0});
  EXPECT_EQ(host.MinSize, (TSize{250 - frameW, minH - frameH}));
  bar->SetConstraints({0, 0, 0, 0});
  EXPECT_EQ(host.MinSize, (TSize{250 - frameW, 0}));
  // A size the program asks for is its own to choose.
  form->SetBounds(100, 600, 300, 200);
  EXPECT_EQ(form->BoundsRect(), Rect(100, 600, 400, 800));
  // Needing more than the work area has: at its top, never below the minimum.
  bar->SetConstraints({0, 900, 0, 0});
  EXPECT_EQ(form->Top(), work.Top);
  EXPECT_EQ(form->Height(), 900 + form->Height() - form->ClientHeight());
  Owned.clear();
  form->Free();
  SetGuiHost(nullptr);
}
