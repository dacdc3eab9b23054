#include "report/preview/fr_dialog_page.h"

#include <gtest/gtest.h>

#include "platform/base/number_format.h"
#include "platform/draw/bitmap.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/tests/std_controls_test_support.h"
#include "report/fr_band_view.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_report.h"
#include "report/preview/fr_control.h"

namespace {

// A dialog control of the kind a template's add-in would bring: a button
// with the object's memo as its caption that closes its window with the
// modal result in the object's Tag.
class TTestButtonControl : public TfrControl {
  MEBRATH_CLASS(TTestButtonControl, TfrControl)
 public:
  TButton* Button() const { return static_cast<TButton*>(Control()); }
  void AfterLoad() override {
    Button()->SetCaption(Memo.Count() > 0 ? Memo[0] : std::string());
    Button()->SetModalResult(StrToIntDef(Tag, mrNone));
  }

 protected:
  TTestButtonControl() { SetControl(Create<TButton>(nullptr)); }
};

class DialogPageTest : public StdControlsTest {
 public:
  DialogPageTest() {
    frRegisterObject("TTestButtonControl", [] { return CreateUnique<TTestButtonControl>(); });
    owner = CreateUnique<TComponent>();
    report = Create<TfrReport>(owner.get());
    report->ShowProgress = false;
    TfrPage* page = report->Pages().Add();
    auto band = CreateUnique<TfrBandView>();
    band->SetBandType(btMasterData);
    band->dx = 700;
    band->dy = 20;
    band->SetDataSource("1");
    page->Add(std::move(band));
    auto memo = CreateUnique<TfrMemoView>();
    memo->dx = 300;
    memo->dy = 18;
    memo->Memo.SetText("[Answer]");
    page->Add(std::move(memo));
    dialog = report->Pages().Add();
    dialog->PageType = ptDialog;
    dialog->Caption = "Параметры";
    dialog->ScreenCenter = false;
    dialog->DialogBounds = {30, 40, 300, 200};
    dialog->Script.SetText("Answer := 7");
    ok = Button("OK", mrOk, 20);
    cancel = Button("Cancel", mrCancel, 110);
    frReportHooks().RunDialog = [this](TfrReport& r, TfrPage& p) {
      results.push_back(frRunDialogPage(r, p));
      return results.back();
    };
    frReportHooks().ShowError = [this](const std::string& text) { errors.push_back(text); };
  }
  ~DialogPageTest() override {
    frReportHooks() = TfrReportHooks{};
    Application->OnIdle = nullptr;
    frUnregisterObject("TTestButtonControl");
  }

  TTestButtonControl* Button(const std::string& caption, TModalResult result, int x) {
    auto control = CreateUnique<TTestButtonControl>();
    control->x = x;
    control->y = 120;
    control->dx = 75;
    control->dy = 25;
    control->Name = caption;
    control->Memo.SetText(caption);
    control->Tag = std::to_string(result);
    control->AfterLoad();
    return static_cast<TTestButtonControl*>(dialog->Add(std::move(control)));
  }
  // The page's objects are read again after every build.
  void Refind() {
    dialog = report->Pages().Pages(1);
    ok = static_cast<TTestButtonControl*>(dialog->FindObject("OK"));
    cancel = static_cast<TTestButtonControl*>(dialog->FindObject("Cancel"));
  }
  // Runs `act` once the dialog page's window is open.
  void WhenShown(std::function<void(TCustomForm& window)> act) {
    Application->OnIdle = [this, act](TObject*, bool& done) {
      done = false;
      TCustomForm* window = GetParentForm(ok->Control());
      if (window == nullptr || window == frDialogForm() || !window->Visible()) return;
      const auto run = act;  // the handler goes with OnIdle
      Application->OnIdle = nullptr;
      run(*window);
    };
  }
  void Click(TCustomForm& window, TControl* control) {
    const TPoint screen = control->ClientToScreen({5, 5});
    const TRect content = ContentRect(window.Handle());
    const TPoint at{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(window.Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
    HostMouseEvent(window.Handle(), WM_LBUTTONUP, at, 0);
  }
  std::string FirstText() {
    report->EMFPages().ObjectsToPage(0);
    const TStringList& lines = report->EMFPages().Pages(0).Page->Objects.at(0)->Memo1;
    return lines.Count() > 0 ? lines[0] : std::string();
  }

  TObjectPtr<TComponent> owner;
  TfrReport* report = nullptr;
  TfrPage* dialog = nullptr;
  TTestButtonControl* ok = nullptr;
  TTestButtonControl* cancel = nullptr;
  std::vector<int> results;
  std::vector<std::string> errors;
};

TEST_F(DialogPageTest, OkContinuesTheBuild) {
  std::string caption;
  TRect bounds;
  bool bothOnWindow = false;
  WhenShown([&](TCustomForm& window) {
    caption = window.Caption();
    bounds = window.BoundsRect();
    bothOnWindow = ok->Control()->Parent() == &window && cancel->Control()->Parent() == &window;
    Click(window, ok->Control());
  });
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  Refind();
  EXPECT_EQ(results, std::vector<int>{mrOk});
  EXPECT_EQ(caption, "Параметры");
  EXPECT_EQ(bounds, Bounds(30, 40, 300, 200));
  EXPECT_TRUE(bothOnWindow);
  EXPECT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(FirstText(), "7");
  // The controls are back on the hidden form.
  EXPECT_EQ(ok->Control()->Parent(), frDialogForm());
  EXPECT_EQ(cancel->Control()->Parent(), frDialogForm());
}

TEST_F(DialogPageTest, CancelStopsWithNothingPrinted) {
  // By the Cancel button, by Escape, and from the title bar.
  const std::function<void(DialogPageTest&, TCustomForm&)> ways[] = {
      [](DialogPageTest& t, TCustomForm& w) { t.Click(w, t.cancel->Control()); },
      [](DialogPageTest&, TCustomForm&) {
        HostKeyEvent(WM_KEYDOWN, VK_ESCAPE);
        HostKeyEvent(WM_KEYUP, VK_ESCAPE);
      },
      [](DialogPageTest&, TCustomForm& w) { w.Close(); },
  };
  for (const auto& way : ways) {
    WhenShown([&](TCustomForm& window) { way(*this, window); });
    EXPECT_FALSE(report->PrepareReport());
    Refind();
    EXPECT_EQ(report->EMFPages().Count(), 0);
    EXPECT_EQ(results.back(), mrCancel);
  }
}

TEST_F(DialogPageTest, SizeableCentredPageAndHiddenControls) {
  dialog->BorderStyle = pbsSizeable;
  dialog->ScreenCenter = true;
  cancel->Visible = false;
  TFormBorderStyle border = bsNone;
  TPosition position = poDesigned;
  bool cancelShown = true;
  WhenShown([&](TCustomForm& window) {
    border = window.BorderStyle();
    position = window.Position();
    cancelShown = cancel->Control()->Visible();
    HostKeyEvent(WM_KEYDOWN, VK_RETURN);
    HostKeyEvent(WM_KEYUP, VK_RETURN);
  });
  ok->Button()->SetDefault(true);
  EXPECT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(border, bsSizeable);
  EXPECT_EQ(position, poScreenCenter);
  EXPECT_FALSE(cancelShown);
}

TEST_F(DialogPageTest, DialogFormAndControlPainting) {
  TForm* form = frDialogForm();
  EXPECT_EQ(FindGlobalComponent("DialogForm"), form);
  EXPECT_EQ(form->BoundsRect(), Bounds(-100, -100, 10, 10));
  EXPECT_FALSE(form->Visible());
  const std::vector<std::string> props = {"Name",   "Left",    "Top",         "Width",
                                          "Height", "Visible", "Restrictions"};
  std::vector<std::string> declared;
  for (const auto& p : ok->Properties()) declared.push_back(p->Name);
  EXPECT_EQ(declared, props);
  // The button is painted at its own size and stretched onto the canvas.
  ok->PlaceControl(nullptr);
  TRecordingCanvas canvas;
  ok->Draw(canvas);
  const std::vector<TCanvasRecord> records = canvas.TakeRecords();
  ASSERT_FALSE(records.empty());
  const TCanvasRecord& image = records.back();
  EXPECT_EQ(image.Kind, TRecordKind::Image);
  EXPECT_EQ(image.Rect, Rect(20, 120, 96, 146));
  ASSERT_NE(image.Image, nullptr);
  EXPECT_EQ(image.Image->Width, 75);
  EXPECT_EQ(image.Image->Height, 25);
  // Painted while its form is hidden: the button's edges are there.
  int edge = 0;
  for (std::uint32_t pixel : image.Image->Pixels) edge += (pixel & 0xFFFFFF) != 0xF0F0F0;
  EXPECT_GT(edge, 50);
  ok->Visible = false;
  TRecordingCanvas hidden;
  ok->Draw(hidden);
  EXPECT_TRUE(hidden.TakeRecords().empty());
}

TEST_F(DialogPageTest, ControlFreedWithItsWindowIsForgotten) {
  auto control = CreateUnique<TTestButtonControl>();
  TForm* window = Create<TForm>(nullptr);
  control->PlaceControl(window);
  window->Free();
  EXPECT_EQ(control->Control(), nullptr);
  TRecordingCanvas canvas;
  control->Draw(canvas);
  control->PlaceControl(nullptr);
}

}  // namespace
