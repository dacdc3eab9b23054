#include "platform/widgets/message_dialog.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "platform/base/scope_guard.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/std_buttons.h"

namespace {

class MessageDialogTest : public GuiTest {
 protected:
  ~MessageDialogTest() override {
    Application->OnIdle = nullptr;
    SetMessageDlgHandler(nullptr);
    SetInputQueryHandler(nullptr);
  }

  // Shows `form` modally; each time the loop idles the next step runs.
  int Run(TCustomForm* form, std::deque<std::function<void()>> steps) {
    std::unique_ptr<TCustomForm, void (*)(TCustomForm*)> holder(form,
                                                                [](TCustomForm* f) { f->Free(); });
    Application->OnIdle = [&](TObject*, bool& done) {
      if (steps.empty()) return;
      auto step = std::move(steps.front());
      steps.pop_front();
      step();
      done = false;  // a step that queues nothing must not end in a wait
    };
    int result = form->ShowModal();
    Application->OnIdle = nullptr;
    return result;
  }
  static std::function<void()> Press(unsigned vk) {
    return [vk] {
      HostKeyEvent(WM_KEYDOWN, vk);
      HostKeyEvent(WM_KEYUP, vk);
    };
  }
  static std::vector<TButton*> Buttons(TCustomForm* form) {
    std::vector<TButton*> result;
    for (int i = 0; i < form->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TButton*>(form->Controls(i))) result.push_back(b);
    return result;
  }
  static std::string Captions(TCustomForm* form) {
    std::string s;
    for (TButton* b : Buttons(form)) s += (s.empty() ? "" : ",") + b->Caption();
    return s;
  }
};

TEST_F(MessageDialogTest, ButtonsDefaultsAndKeysPerFlags) {
  struct Case {
    unsigned Flags;
    const char* Captions;
    int Enter;   // answer to Enter at once
    int Escape;  // answer to Esc (0: Esc does nothing; then Right and Enter)
    int AfterRight;
  } cases[] = {
      {MB_OK, "ОК", IDOK, IDOK, 0},
      {MB_OKCANCEL | MB_DEFBUTTON2, "ОК,Отмена", IDCANCEL, IDCANCEL, 0},
      {MB_YESNO | MB_ICONQUESTION, "Да,Нет", IDYES, 0, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, "Да,Нет,Отмена", IDCANCEL, IDCANCEL, 0},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, "Прервать,Повтор,Пропустить", IDRETRY, 0, IDIGNORE},
      {MB_RETRYCANCEL | MB_ICONERROR, "Повтор,Отмена", IDRETRY, IDCANCEL, 0},
      {MB_YESNO | MB_DEFBUTTON3, "Да,Нет", IDYES, 0, IDNO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Captions);
    TCustomForm* form = CreateMessageDialog("Текст", "Заголовок", c.Flags);
    EXPECT_EQ(Captions(form), c.Captions);
    EXPECT_EQ(form->Caption(), "Заголовок");
    EXPECT_EQ(Run(form, {Press(VK_RETURN)}), c.Enter);
    form = CreateMessageDialog("Текст", "Заголовок", c.Flags);
    if (c.Escape != 0) {
      EXPECT_EQ(Run(form, {Press(VK_ESCAPE)}), c.Escape);
    } else {
      EXPECT_EQ(Run(form, {Press(VK_ESCAPE), Press(VK_RIGHT), Press(VK_RETURN)}), c.AfterRight);
    }
  }
}

TEST_F(MessageDialogTest, ClosingAnswersTheEscapeChoiceOrNothing) {
  TCustomForm* ok = CreateMessageDialog("t", "c", MB_OK);
  EXPECT_EQ(Run(ok, {[ok] { PostMessage(ok->Handle(), WM_CLOSE); }}), IDOK);
  TCustomForm* yesNo = CreateMessageDialog("t", "c", MB_YESNO);
  EXPECT_EQ(Run(yesNo, {[yesNo] { PostMessage(yesNo->Handle(), WM_CLOSE); },
                        [yesNo] { EXPECT_TRUE(yesNo->Visible()); }, Press(VK_RETURN)}),
            IDYES);
}

TEST_F(MessageDialogTest, TextWrapsBesideTheIcon) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "слово ";
  text += "\nконец";
  TCustomForm* form = CreateMessageDialog(text, "c", MB_OK | MB_ICONWARNING);
  std::unique_ptr<TCustomForm, void (*)(TCustomForm*)> holder(form,
                                                              [](TCustomForm* f) { f->Free(); });
  EXPECT_LE(form->ClientWidth(), kMessageTextWidth + 100);
  TRecordingCanvas canvas;
  form->Show();
  PaintTopLevel(form->Handle(), canvas, form->ClientRect());
  int lines = 0;
  bool triangle = false, end = false;
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind == TRecordKind::Polygon && r.Points.size() == 3) triangle = true;
    if (r.Kind != TRecordKind::Text) continue;
    if (r.Text.rfind("слово", 0) == 0) {
      ++lines;
      EXPECT_GE(r.Rect.Left, 32) << "right of the icon";
      EXPECT_LE(r.Rect.Left + r.Offsets.back(), form->ClientWidth());
    }
    end = end || r.Text == "конец";
  }
  EXPECT_TRUE(triangle) << "the warning icon";
  EXPECT_GE(lines, 3);
  EXPECT_TRUE(end) << "line breaks are kept";
  form->Hide();
}

TEST_F(MessageDialogTest, TheBoxIsAsWideAsItsCaptionNeeds) {
  const std::string caption = "Талон не подлежит оплате. Проверьте даты постановки на учёт";
  TCustomForm* form = CreateMessageDialog("Нет.", caption, MB_OK | MB_ICONWARNING);
  std::unique_ptr<TCustomForm, void (*)(TCustomForm*)> holder(form,
                                                              [](TCustomForm* f) { f->Free(); });
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(form->Font());
  canvas.Font()->SetStyle({fsBold});
  EXPECT_GT(form->ClientWidth(), canvas.TextWidth(caption) + 60);
  // A short caption leaves the box as narrow as its text and buttons.
  TCustomForm* small = CreateMessageDialog("Нет.", "c", MB_OK);
  EXPECT_LT(small->ClientWidth(), 200);
  small->Free();
}

TEST_F(MessageDialogTest, TheCaptionIsMeasuredInTheTitleBarsFontWithinTheScreen) {
  struct TTitleFontHost : TNullHost {
    TFontData TitleBarFont() override {
      TFontData font;
      font.Name = "DejaVu Sans";
      font.Height = -24;
      font.Style = {fsBold};
      return font;
    }
  } host;
  SetGuiHost(&host);
  TScopeExit headless([] { SetGuiHost(nullptr); });
  const std::string caption = "Создание нового реестра";
  TCustomForm* form = CreateMessageDialog("Да?", caption, MB_YESNO);
  TCanvas& canvas = MeasureCanvas();
  canvas.Font()->SetData(host.TitleBarFont());
  EXPECT_GT(form->ClientWidth(), canvas.TextWidth(caption) + 60);
  form->Free();
  // A caption wider than the screen gives a box as wide as the screen.
  form = CreateMessageDialog("Да?", std::string(400, 'W'), MB_YESNO);
  EXPECT_EQ(form->Width(), Screen->WorkAreaRect().Width());
  form->Free();
}

TEST_F(MessageDialogTest, MessageDlgButtonsAndAnswers) {
  Application->SetTitle("Реестр");
  TCustomForm* form = CreateMessageDialog("Ошибка", mtError, {mbYes, mbNo, mbAll});
  EXPECT_EQ(Captions(form), "Да,Нет,Все");
  EXPECT_EQ(form->Caption(), "Реестр");
  EXPECT_EQ(Run(form, {Press(VK_ESCAPE)}), mrNo);
  form = CreateMessageDialog("Ошибка", mtError, {mbAll, mbYes, mbNo});
  EXPECT_EQ(Run(form, {Press(VK_RIGHT), Press(VK_RIGHT), Press(VK_RETURN)}), mrAll);
  form = CreateMessageDialog("?", mtConfirmation, {mbOK, mbCancel});
  EXPECT_EQ(Run(form, {Press(VK_RETURN)}), mrOk);

  // Without a host nothing shows: the default answer; a handler replaces it.
  EXPECT_EQ(MessageDlg("?", mtConfirmation, {mbNo, mbYes}), mrYes);
  EXPECT_EQ(MessageDlg("?", mtWarning, {mbNo, mbCancel}), mrNo);
  SetMessageDlgHandler([](const std::string&, TMsgDlgType type, TMsgDlgButtons buttons) {
    return type == mtError && buttons.Contains(mbAll) ? mrAll : mrNone;
  });
  EXPECT_EQ(MessageDlg("x", mtError, {mbYes, mbNo, mbAll}), mrAll);
}

TEST_F(MessageDialogTest, InputQueryEditsTheValue) {
  TCustomForm* form = CreateInputQueryDialog("Поиск", "Номер:", "старое");
  std::string typed;
  int result = Run(form, {[] { HostCharEvent(U'н'); }, [] { HostCharEvent(U'1'); },
                          [&] { typed = InputQueryText(form); }, Press(VK_RETURN)});
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(typed, "н1") << "the old value was selected and is replaced";
  form = CreateInputQueryDialog("Поиск", "Номер:", "старое");
  EXPECT_EQ(Run(form, {Press(VK_ESCAPE)}), mrCancel);

  std::string value = "x";
  EXPECT_FALSE(InputQuery("c", "p", value)) << "no host: Cancel";
  SetInputQueryHandler([](const std::string&, const std::string& prompt, std::string& v) {
    v += prompt;
    return prompt != "cancel";
  });
  EXPECT_EQ(InputBox("c", "!", "abc"), "abc!");
  EXPECT_EQ(InputBox("c", "cancel", "abc"), "abc");
}

}  // namespace
