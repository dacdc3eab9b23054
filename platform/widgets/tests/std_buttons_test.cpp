#include "platform/widgets/std_buttons.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/widgets/mask_edit.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_memo.h"
#include "platform/widgets/std_panels.h"
#include "std_controls_test_support.h"

namespace {

class StdButtonsTest : public StdControlsTest {
 protected:
  StdButtonsTest() {
    Edit = Make<TKeyTaker>(Form, 10, 10);
    Ok = Make<TButton>(Form, 10, 50);
    Ok->SetCaption("ОК");
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Ok->OnClick = [this](TObject*) { Log += "ok "; };
    Cancel = Make<TButton>(Form, 100, 50);
    Cancel->SetCaption("Отмена");
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    Cancel->OnClick = [this](TObject*) { Log += "cancel "; };
  }
  TKeyTaker* Edit = nullptr;
  TButton* Ok = nullptr;
  TButton* Cancel = nullptr;
  std::string Log;
};

TEST_F(StdButtonsTest, EnterAndEscapeClickDefaultAndCancelUnlessTheFocusedControlWantsThem) {
  Form->Show();
  Edit->SetFocus();
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_EQ(Log, "ok cancel ");
  EXPECT_EQ(Form->ModalResult(), mrCancel);
  Edit->DlgCode = DLGC_WANTALLKEYS;
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_EQ(Log, "ok cancel ") << "the edit took both keys";
  Edit->DlgCode = 0;
  // A focused button answers Enter itself; the default one stays quiet.
  Cancel->SetFocus();
  EXPECT_FALSE(Ok->IsActive());
  Key(VK_RETURN);
  EXPECT_EQ(Log, "ok cancel cancel ");
  Ok->SetEnabled(false);
  Edit->SetFocus();
  Key(VK_RETURN);
  EXPECT_EQ(Log, "ok cancel cancel ") << "a disabled default button";
}

TEST_F(StdButtonsTest, TheDefaultLookFollowsTheFocus) {
  Form->Show();
  Edit->SetFocus();
  auto okInvalid = [this] {
    TRect r;
    return GetUpdateRect(Ok->Handle(), r);
  };
  auto paintAll = [this] {
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
  };
  paintAll();
  ASSERT_TRUE(Ok->IsActive());
  // Another button takes the focus: the default one loses its frame...
  Cancel->SetFocus();
  EXPECT_FALSE(Ok->IsActive());
  EXPECT_TRUE(okInvalid());
  paintAll();
  // ... and gets it back when a non-button takes it.
  Edit->SetFocus();
  EXPECT_TRUE(okInvalid());
  paintAll();
  // Focus moving between non-buttons leaves it alone.
  auto* other = Make<TKeyTaker>(Form, 10, 80);
  other->SetFocus();
  EXPECT_FALSE(okInvalid());
}

// Presses Enter once the modal loop runs.
class TEnterForm : public TForm {
  MEBRATH_CLASS(TEnterForm, TForm)
 protected:
  explicit TEnterForm(TComponent* owner) : TForm(owner) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_USER + 1) {
      HostKeyEvent(WM_KEYDOWN, static_cast<unsigned>(m.WParam));
      HostKeyEvent(WM_KEYUP, static_cast<unsigned>(m.WParam));
    }
    TForm::WndProc(m);
  }
};

// Presses Esc once the modal loop runs; a form Esc did not close ends
// with mrIgnore right after.
class TEscapeForm : public TForm {
  MEBRATH_CLASS(TEscapeForm, TForm)
 protected:
  explicit TEscapeForm(TComponent* owner) : TForm(owner) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_USER + 1) {
      HostKeyEvent(WM_KEYDOWN, VK_ESCAPE);
      HostKeyEvent(WM_KEYUP, VK_ESCAPE);
      PostMessage(Handle(), WM_USER + 2);
    } else if (m.Msg == WM_USER + 2 && ModalResult() == mrNone) {
      SetModalResult(mrIgnore);
    }
    TForm::WndProc(m);
  }
};

TEST_F(StdButtonsTest, EscapeClosesADialogWhoseFocusedControlHasNothingToGiveUp) {
  const struct {
    const char* Focused;
    std::function<TWinControl*(TForm*)> Make;
    TModalResult Result;
  } cases[] = {
      {"an edit", [](TForm* f) { return Create<TEdit>(f); }, mrCancel},
      {"a memo that takes Enter", [](TForm* f) { return Create<TMemo>(f); }, mrCancel},
      {"a changed masked edit",
       [](TForm* f) {
         auto* edit = Create<TMaskEdit>(f);
         edit->SetEditMask("99;1;_");
         edit->SetModified(true);
         return edit;
       },
       mrIgnore},
      {"a control that wants every key",
       [](TForm* f) {
         auto* taker = Create<TKeyTaker>(f);
         taker->DlgCode = DLGC_WANTALLKEYS;
         return taker;
       },
       mrIgnore},
  };
  for (const auto& c : cases) {
    auto* dialog = Create<TEscapeForm>(nullptr);
    dialog->SetBounds(0, 0, 200, 100);
    TWinControl* control = c.Make(dialog);
    control->SetParent(dialog);
    dialog->SetActiveControl(control);
    PostMessage(dialog->Handle(), WM_USER + 1);
    EXPECT_EQ(dialog->ShowModal(), c.Result) << c.Focused;
    dialog->Free();
  }
}

TEST_F(StdButtonsTest, ModalResultOfTheClickedButtonEndsAModalForm) {
  auto* dialog = Create<TEnterForm>(nullptr);
  dialog->SetBounds(0, 0, 200, 100);
  auto* yes = Create<TBitBtn>(dialog);
  yes->SetParent(dialog);
  yes->SetKind(bkYes);
  auto* no = Create<TBitBtn>(dialog);
  no->SetParent(dialog);
  no->SetKind(bkNo);
  EXPECT_EQ(yes->Caption(), "&Да");
  EXPECT_TRUE(yes->Default());
  EXPECT_TRUE(no->Cancel());
  PostMessage(dialog->Handle(), WM_USER + 1, VK_ESCAPE);
  EXPECT_EQ(dialog->ShowModal(), mrNo);
  PostMessage(dialog->Handle(), WM_USER + 1, VK_RETURN);
  EXPECT_EQ(dialog->ShowModal(), mrYes);
  // A close button closes the form; a custom glyph makes the kind custom.
  no->SetKind(bkClose);
  EXPECT_EQ(no->Caption(), "&Закрыть");
  no->SetCancel(true);
  PostMessage(dialog->Handle(), WM_USER + 1, VK_ESCAPE);
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  TBitmap glyph(16, 16);
  yes->SetGlyph(&glyph);
  EXPECT_EQ(yes->Kind(), bkCustom);
  EXPECT_EQ(yes->Caption(), "&Да");
  dialog->Free();
}

TEST_F(StdButtonsTest, MouseAndSpacePressAndClick) {
  Form->Show();
  Mouse(Ok, WM_LBUTTONDOWN, 5, 5);
  EXPECT_TRUE(Ok->Focused()) << "focus on click";
  Mouse(Ok, WM_MOUSEMOVE, 200, 5);
  Mouse(Ok, WM_LBUTTONUP, 200, 5);
  EXPECT_EQ(Log, "") << "released outside";
  ClickAt(Ok);
  EXPECT_EQ(Log, "ok ");
  KeyDown(VK_SPACE);
  EXPECT_EQ(Log, "ok ") << "Space clicks on release";
  KeyUp(VK_SPACE);
  EXPECT_EQ(Log, "ok ok ");
  // The accelerator clicks.
  Cancel->SetCaption("&Отмена");
  Char(U'о', true);
  EXPECT_EQ(Log, "ok ok cancel ");
}

TEST_F(StdButtonsTest, SpeedButtonsGroupAndStates) {
  auto* a = Make<TSpeedButton>(Form, 200, 10);
  auto* b = Make<TSpeedButton>(Form, 230, 10);
  auto* plain = Make<TSpeedButton>(Form, 260, 10);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  Form->Show();
  a->SetDown(true);
  b->SetDown(true);
  EXPECT_FALSE(a->Down()) << "one down in a group";
  b->SetDown(false);
  EXPECT_TRUE(b->Down()) << "not without AllowAllUp";
  ClickAt(b);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(clicks, 1);
  a->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp()) << "for the whole group";
  ClickAt(b);
  EXPECT_FALSE(b->Down());
  ClickAt(a);
  EXPECT_TRUE(a->Down());
  plain->SetDown(true);
  EXPECT_FALSE(plain->Down()) << "GroupIndex 0 never stays down";
  // The pressed state follows the pointer while the button is held.
  Mouse(plain, WM_LBUTTONDOWN, 3, 3);
  EXPECT_EQ(plain->State(), bsDown);
  Mouse(plain, WM_MOUSEMOVE, 100, 3);
  EXPECT_EQ(plain->State(), bsUp);
  Mouse(plain, WM_MOUSEMOVE, 3, 3);
  EXPECT_EQ(plain->State(), bsDown);
  Mouse(plain, WM_LBUTTONUP, 3, 3);
  EXPECT_EQ(plain->State(), bsUp);
  EXPECT_EQ(a->State(), bsExclusive);
  a->SetEnabled(false);
  EXPECT_EQ(a->State(), bsDisabled);
  // Glyph counts are kept within 1 to 4.
  plain->SetNumGlyphs(7);
  EXPECT_EQ(plain->NumGlyphs(), 4);
  plain->SetNumGlyphs(0);
  EXPECT_EQ(plain->NumGlyphs(), 1);
}

TEST_F(StdButtonsTest, SpeedButtonGlyphImagesAndFlatBorder) {
  auto* button = Make<TSpeedButton>(Form, 200, 10);
  TBitmap glyph(8, 4);  // two 4 x 4 images: up, disabled
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) glyph.ScanLine(y)[x] = 0xFFFFFFFFu;  // white: transparent
  }
  glyph.ScanLine(1)[1] = 0xFF0000FFu;  // a blue pixel in the up image
  glyph.ScanLine(1)[5] = 0xFFFF0000u;  // a red pixel in the disabled image
  button->SetGlyph(&glyph);
  button->SetNumGlyphs(2);
  button->SetFlat(true);
  Form->Show();
  auto image = [&]() -> TRasterImagePtr {
    for (const TCanvasRecord& r : PaintForm()) {
      if (r.Kind == TRecordKind::Image) return r.Image;
    }
    return nullptr;
  };
  TRasterImagePtr up = image();
  ASSERT_NE(up, nullptr);
  EXPECT_EQ(up->Width, 4);
  EXPECT_EQ(up->At(1, 1), 0xFF0000FFu);
  EXPECT_EQ(up->At(0, 0), 0u) << "the bottom-left colour is transparent";
  button->SetEnabled(false);
  EXPECT_EQ(image()->At(1, 1), 0xFFFF0000u) << "the second image when disabled";
  button->SetEnabled(true);
  // Flat: a border only under the pointer.
  auto edges = [&] {
    int n = 0;
    for (const TCanvasRecord& r : PaintForm()) n += r.Kind == TRecordKind::FillRect;
    return n;
  };
  int away = edges();
  Mouse(button, WM_MOUSEMOVE, 3, 3);
  EXPECT_TRUE(button->MouseInControl());
  EXPECT_GT(edges(), away);
}

TEST_F(StdButtonsTest, CheckBoxStatesAndToggling) {
  auto* box = Make<TCheckBox>(Form, 10, 100);
  box->SetCaption("&Печатать счет");
  std::vector<TCheckBoxState> seen;
  box->OnClick = [&](TObject*) { seen.push_back(box->State()); };
  Form->Show();
  box->SetChecked(true);  // the classic OnClick on a set
  ClickAt(box);
  box->SetAllowGrayed(true);
  ClickAt(box);
  box->SetFocus();
  Key(VK_SPACE);
  Key(VK_SPACE);
  Edit->SetFocus();
  Char(U'п', true);
  EXPECT_TRUE(box->Focused());
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbGrayed, cbChecked,
                                               cbUnchecked, cbGrayed}));
  box->SetState(cbGrayed);
  EXPECT_EQ(seen.size(), 6u) << "no change, no click";
  EXPECT_EQ(box->Perform(BM_GETCHECK), 0);
  // The caption's side.
  auto records = PaintForm();
  EXPECT_EQ(FindText(records, "Печатать счет")->Rect.Left, Device(box, 17).X);
  box->SetAlignment(taLeftJustify);
  records = PaintForm();
  EXPECT_EQ(FindText(records, "Печатать счет")->Rect.Left, Device(box, 0).X);
}

TEST_F(StdButtonsTest, ButtonsLinkedToAnActionFollowAndRunIt) {
  auto* action = Create<TAction>(Form);
  action->SetCaption("&Печать");
  action->SetHint("Печать реестра");
  int runs = 0;
  action->OnExecute = [&](TObject*) {
    ++runs;
    EXPECT_EQ(action->ActionComponent(), Ok) << "the clicked control";
  };
  Ok->SetAction(action);
  auto* box = Make<TCheckBox>(Form, 10, 100);
  box->SetAction(action);
  int boxClicks = 0;
  box->OnClick = [&](TObject*) { ++boxClicks; };
  Form->Show();
  EXPECT_EQ(Ok->Caption(), "&Печать");
  EXPECT_EQ(Ok->Hint(), "Печать реестра");
  action->SetEnabled(false);
  EXPECT_FALSE(Ok->Enabled());
  action->SetEnabled(true);
  action->SetChecked(true);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(boxClicks, 0) << "the action's Checked sets the box without a click";
  EXPECT_EQ(runs, 0);
  ClickAt(Ok);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(Log, "") << "the action runs in place of OnClick";
  EXPECT_EQ(Form->ModalResult(), mrOk) << "the modal result still closes the form";
  action->Free();
  EXPECT_EQ(Ok->Action(), nullptr);
  ClickAt(Ok);
  EXPECT_EQ(Log, "ok ") << "unlinked by the action's destruction";
}

TEST_F(StdButtonsTest, RadioButtonsAndRadioGroups) {
  auto* r1 = Make<TRadioButton>(Form, 10, 150);
  auto* r2 = Make<TRadioButton>(Form, 10, 170);
  r1->SetChecked(true);
  r2->SetChecked(true);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->TabStop());
  EXPECT_FALSE(r1->TabStop()) << "only the checked one is a tab stop";

  auto* group = Make<TRadioGroup>(Form, 200, 100);
  group->SetBounds(200, 100, 200, 100);
  int clicks = 0;
  group->OnClick = [&](TObject*) { ++clicks; };
  group->Items()->Add("январь");
  group->Items()->Add("февраль");
  group->Items()->Add("март");
  ASSERT_EQ(group->ButtonCount(), 3);
  EXPECT_EQ(group->Buttons(2)->Caption(), "март");
  group->SetItemIndex(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(group->Buttons(1)->Checked());
  group->SetItemIndex(10);
  EXPECT_EQ(group->ItemIndex(), 2) << "clamped";
  // Layout: one column of three, then two columns.
  int h = group->Buttons(0)->Height();
  EXPECT_EQ(group->Buttons(1)->Top(), group->Buttons(0)->Top() + h);
  group->SetColumns(2);
  EXPECT_EQ(group->Buttons(2)->Left(), 8 + (200 - 10) / 2);
  EXPECT_EQ(group->Buttons(2)->Top(), group->Buttons(0)->Top());
  // The arrow keys move the choice; a click chooses too.
  Form->Show();
  group->Buttons(2)->SetFocus();
  clicks = 0;
  Key(VK_UP);
  EXPECT_EQ(group->ItemIndex(), 1);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(group->ItemIndex(), 0) << "wraps around";
  ClickAt(group->Buttons(2));
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_EQ(clicks, 4);
  group->Items()->Delete(2);
  EXPECT_EQ(group->ButtonCount(), 2);
  EXPECT_EQ(group->ItemIndex(), 1);
}

// One of each control on a form, painted into a recording: every caption
// shows inside its control and nothing is drawn outside the form.
TEST_F(StdButtonsTest, GalleryFormPaintsEveryControl) {
  Form->SetCaption("Галерея");
  Form->SetBounds(0, 0, 600, 500);
  Ok->SetCaption("Принять");
  auto* label = Make<TLabel>(Form, 260, 10);
  label->SetCaption("Метка");
  auto* staticText = Make<TStaticText>(Form, 260, 30);
  staticText->SetCaption("Текст");
  staticText->SetBorderStyle(sbsSunken);
  auto* bevel = Make<TBevel>(Form, 260, 50);
  bevel->SetBounds(260, 50, 60, 20);
  auto* shape = Make<TShape>(Form, 330, 50);
  shape->SetBounds(330, 50, 40, 20);
  shape->SetShape(stRoundRect);
  auto* image = Make<TImage>(Form, 380, 50);
  TBitmap pixels(20, 20);
  image->Picture()->SetGraphic(&pixels);
  auto* panel = Make<TPanel>(Form, 10, 200);
  panel->SetCaption("Панель");
  auto* group = Make<TGroupBox>(Form, 200, 200);
  group->SetCaption("Группа");
  auto* check = Make<TCheckBox>(group, 10, 20);
  check->SetCaption("Флажок");
  check->SetState(cbGrayed);
  auto* scroll = Make<TScrollBox>(Form, 10, 250);
  auto* inScroll = Make<TButton>(scroll, 10, 60);
  inScroll->SetCaption("Внутри");
  auto* bit = Make<TBitBtn>(Form, 10, 100);
  bit->SetKind(bkOK);
  auto* speed = Make<TSpeedButton>(Form, 100, 100);
  speed->SetCaption("С");
  auto* radio = Make<TRadioGroup>(Form, 260, 300);
  radio->Items()->Add("Один");
  radio->Items()->Add("Два");
  radio->SetItemIndex(0);
  Form->Show();
  auto records = PaintForm();
  TRect form = Rect(0, 0, Form->ClientWidth(), Form->ClientHeight());
  for (const TCanvasRecord& r : records) {
    if (r.Kind == TRecordKind::Text || r.Kind == TRecordKind::FillRect) {
      TRect inside;
      EXPECT_TRUE(IntersectRect(inside, r.Rect, form)) << r.Text;
    }
  }
  struct Expect {
    const char* text;
    TControl* control;
  };
  const Expect expected[] = {{"Метка", label},  {"Текст", staticText}, {"Панель", panel},
                             {"Группа", group}, {"Флажок", check},     {"ОК", bit},
                             {"С", speed},      {"Один", radio},       {"Два", radio},
                             {"Принять", Ok},   {"Отмена", Cancel}};
  for (const Expect& e : expected) {
    const TCanvasRecord* text = FindText(records, e.text);
    ASSERT_NE(text, nullptr) << e.text;
    TPoint topLeft = Device(e.control);
    TRect bounds = Bounds(topLeft.X, topLeft.Y, e.control->Width(), e.control->Height());
    TRect inside;
    EXPECT_TRUE(IntersectRect(inside, text->Rect, bounds) && inside == text->Rect) << e.text;
  }
  // The scrolled-out button is not drawn: its text lies below the box.
  EXPECT_EQ(FindText(records, "Внутри"), nullptr);
  bool ellipse = false, roundRect = false, image20 = false, checkGlyph = false;
  for (const TCanvasRecord& r : records) {
    roundRect = roundRect || r.Kind == TRecordKind::RoundRect;
    image20 = image20 || (r.Kind == TRecordKind::Image && r.Rect.Width() == 20);
    ellipse = ellipse || r.Kind == TRecordKind::Ellipse;
    checkGlyph = checkGlyph || (r.Kind == TRecordKind::Polyline && r.Pen.Width == 2);
  }
  EXPECT_TRUE(roundRect);
  EXPECT_TRUE(image20);
  EXPECT_TRUE(checkGlyph) << "the OK glyph's tick";
  (void)ellipse;
}

}  // namespace
