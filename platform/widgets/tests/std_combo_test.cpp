#include "platform/widgets/std_combo.h"

#include <gtest/gtest.h>

#include "platform/base/text.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

// A combo box whose list is one pixel narrower than itself and, when it
// drops upward, lifted by two more pixels.
class TNarrowListCombo : public TComboBox {
  MEBRATH_CLASS(TNarrowListCombo, TComboBox)
 public:
  bool DroppedUp = false;

 protected:
  explicit TNarrowListCombo(TComponent* owner) : TComboBox(owner) {}
  TPopupPlacement PlaceDropDown(TSize size) override {
    TPopupPlacement p = TComboBox::PlaceDropDown({size.cx - 1, size.cy});
    DroppedUp = p.Above;
    if (p.Above) OffsetRect(p.Bounds, 0, -2);
    return p;
  }
};

class ComboTest : public GuiTest {
 protected:
  ComboTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(100, 100, 300, 300);
    Combo = Create<TComboBox>(Form);
    Combo->SetParent(Form);
    Combo->SetBounds(10, 10, 150, 21);
    for (const char* s : {"январь", "февраль", "март", "апрель", "май"}) Combo->Items()->Add(s);
    Combo->OnClick = [this](TObject*) { Log.push_back("click"); };
    Combo->OnChange = [this](TObject*) { Log.push_back("change " + Combo->Text()); };
    Combo->OnDropDown = [this](TObject*) { Log.push_back("drop"); };
    Combo->OnCloseUp = [this](TObject*) { Log.push_back("close"); };
    Form->Show();
    Combo->SetFocus();
  }
  ~ComboTest() override { Form->Free(); }
  void Key(unsigned vk, bool alt = false) {
    if (alt) HostKeyEvent(WM_SYSKEYDOWN, VK_MENU);
    HostKeyEvent(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk);
    HostKeyEvent(alt ? WM_SYSKEYUP : WM_KEYUP, vk);
    if (alt) HostKeyEvent(WM_KEYUP, VK_MENU);
    Application->ProcessMessages();
  }
  void Type(std::string_view s) { TypeText(s); }
  // A press and release at a client point of `control` through the host.
  void ClickAt(TWinControl* control, TPoint p) {
    HWND top = GetTopLevel(control->Handle());
    TPoint s = control->ClientToScreen(p);
    TRect content = ContentRect(top);
    TPoint at{s.X - content.Left, s.Y - content.Top};
    HostMouseEvent(top, WM_MOUSEMOVE, at, 0);
    HostMouseEvent(top, WM_LBUTTONDOWN, at, MK_LBUTTON);
    HostMouseEvent(top, WM_LBUTTONUP, at, 0);
    Application->ProcessMessages();
    Advance(1000);  // no double clicks
  }
  std::string Logged() {
    std::string s;
    for (const std::string& l : Log) s += (s.empty() ? "" : "; ") + l;
    Log.clear();
    return s;
  }

  TForm* Form = nullptr;
  TComboBox* Combo = nullptr;
  std::vector<std::string> Log;
};

TEST_F(ComboTest, KeyboardSelectsWhileClosedAndAcceptsOrDismissesTheList) {
  Combo->SetStyle(csDropDownList);
  Combo->SetItemIndex(0);
  EXPECT_EQ(Logged(), "") << "setting from code";
  Key(VK_DOWN);
  EXPECT_EQ(Combo->ItemIndex(), 1);
  EXPECT_EQ(Logged(), "click; change февраль");

  Key(VK_DOWN, true);
  ASSERT_TRUE(Combo->DroppedDown());
  EXPECT_TRUE(Combo->Focused()) << "the list does not take the focus";
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Combo->ListBox()->ItemIndex(), 3);
  EXPECT_EQ(Combo->ItemIndex(), 1) << "nothing chosen yet";
  EXPECT_EQ(Combo->Perform(CM_WANTSPECIALKEY, VK_RETURN), 1);
  Key(VK_RETURN);
  EXPECT_FALSE(Combo->DroppedDown());
  EXPECT_EQ(Combo->ItemIndex(), 3);
  EXPECT_EQ(Logged(), "drop; click; change апрель; close");

  Key(VK_F4);
  Key(VK_UP);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Combo->DroppedDown());
  EXPECT_EQ(Combo->Text(), "апрель");
  EXPECT_EQ(Logged(), "drop; close");
  EXPECT_EQ(Combo->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 0) << "closed: Esc is the form's";

  int selects = 0;
  Combo->OnSelect = [&](TObject*) { ++selects; };
  Key(VK_HOME);
  EXPECT_EQ(Combo->Text(), "январь");
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(Logged(), "click") << "OnSelect takes the place of OnChange";
}

TEST_F(ComboTest, TypingInAListStyleSelectsByPrefix) {
  Combo->SetStyle(csDropDownList);
  Type("ма");
  EXPECT_EQ(Combo->Text(), "март");
  Type("й");
  EXPECT_EQ(Combo->Text(), "май");
  Advance(kListSearchTimeout + 1);
  Type("Ф");
  EXPECT_EQ(Combo->Text(), "февраль");
  Type("x");
  EXPECT_EQ(Combo->Text(), "февраль") << "no match changes nothing";
  Combo->SetText("АПРЕЛЬ");
  EXPECT_EQ(Combo->ItemIndex(), 3) << "the item equal ignoring case";
  Combo->SetText("нет такого");
  EXPECT_EQ(Combo->ItemIndex(), -1);
  EXPECT_EQ(Combo->Text(), "");
}

TEST_F(ComboTest, DropDownStyleEditsTextAndFollowsItWithTheIndex) {
  Combo->SetText("мар");
  EXPECT_EQ(Combo->ItemIndex(), -1);
  EXPECT_EQ(Logged(), "");
  Combo->SetSelStart(3);
  Type("т");
  EXPECT_EQ(Combo->ItemIndex(), 2);
  EXPECT_EQ(Logged(), "change март");
  Key(VK_DOWN);
  EXPECT_EQ(Combo->Text(), "апрель");
  EXPECT_EQ(Combo->SelLength(), 6) << "the chosen text is selected";
  Key(VK_HOME);
  EXPECT_EQ(Combo->SelStart(), 0) << "Home moves in the text";
  EXPECT_EQ(Combo->ItemIndex(), 3);
}

TEST_F(ComboTest, MouseOpensHighlightsChoosesAndClosesWithoutReopening) {
  Combo->SetStyle(csDropDownList);
  TRect button = Rect(Combo->ClientWidth() - 5, 0, Combo->ClientWidth(), Combo->ClientHeight());
  ClickAt(Combo, {button.Left + 2, 5});
  ASSERT_TRUE(Combo->DroppedDown());
  TComboListBox* list = Combo->ListBox();
  TRect item = list->ItemRect(2);
  HWND popup = Combo->DropDownWindow()->Handle();
  TPoint s = list->ClientToScreen({5, item.Top + 2});
  TRect content = ContentRect(popup);
  HostMouseEvent(popup, WM_MOUSEMOVE, {s.X - content.Left, s.Y - content.Top}, 0);
  Application->ProcessMessages();
  EXPECT_EQ(list->ItemIndex(), 2) << "hot tracking";
  ClickAt(list, {5, item.Top + 2});
  EXPECT_FALSE(Combo->DroppedDown());
  EXPECT_EQ(Combo->Text(), "март");
  Logged();

  ClickAt(Combo, {button.Left + 2, 5});
  ASSERT_TRUE(Combo->DroppedDown());
  ClickAt(Combo, {button.Left + 2, 5});
  EXPECT_FALSE(Combo->DroppedDown()) << "the press that closed it does not reopen it";
  EXPECT_EQ(Logged(), "drop; close");
  ClickAt(Combo, {button.Left + 2, 5});
  EXPECT_TRUE(Combo->DroppedDown()) << "the next press opens again";
  ClickAt(Form, {250, 250});
  EXPECT_FALSE(Combo->DroppedDown()) << "a press elsewhere dismisses";
  EXPECT_EQ(Combo->Text(), "март");
}

TEST_F(ComboTest, OwnerDrawnItemsAndEditArea) {
  Combo->SetStyle(csOwnerDrawFixed);
  Combo->SetItemHeight(20);
  Combo->SetItemIndex(4);
  std::vector<std::string> drawn;
  Combo->OnDrawItem = [&](TWinControl* c, int index, TRect rect, TOwnerDrawState state) {
    drawn.push_back(std::to_string(index) + (state.Contains(odComboBoxEdit) ? "E" : "") +
                    (state.Contains(odSelected) ? "S" : ""));
    static_cast<TComboBox*>(c)->Canvas()->FillRect(rect);
  };
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, Rect(0, 0, 300, 300));
  EXPECT_EQ(drawn, std::vector<std::string>{"4ES"});
  Combo->SetDroppedDown(true);
  drawn.clear();
  TRecordingCanvas popupCanvas;
  PaintTopLevel(Combo->DropDownWindow()->Handle(), popupCanvas, Rect(0, 0, 300, 300));
  EXPECT_EQ(drawn, (std::vector<std::string>{"0", "1", "2", "3", "4S"}));
  EXPECT_EQ(Combo->DropDownWindow()->Height(), 5 * 20 + 2);
  // The two extra pixels are the popup's frame: the rows fill the rest.
  EXPECT_EQ(Combo->ListBox()->ClientHeight(), 5 * 20);
}

TEST_F(ComboTest, SubclassesPlaceTheList) {
  auto* combo = Create<TNarrowListCombo>(Form);
  combo->SetParent(Form);
  combo->SetBounds(10, 40, 150, 21);
  combo->Items()->Add("январь");
  combo->Items()->Add("февраль");
  TPoint origin = Form->ClientToScreen({10, 40});
  combo->SetDroppedDown(true);
  EXPECT_FALSE(combo->DroppedUp);
  EXPECT_EQ(combo->DropDownWindow()->BoundsRect(),
            Bounds(origin.X, origin.Y + 21, 149, 2 * combo->ItemHeight() + 2));
  combo->SetDroppedDown(false);
  // Near the bottom of the work area the list goes above, two pixels higher.
  TRect area = Screen->WorkAreaRect();
  Form->SetTop(area.Bottom - Form->Height());
  origin = combo->Parent()->ClientToScreen({10, Form->ClientHeight() - 25});
  combo->SetTop(Form->ClientHeight() - 25);
  combo->SetDroppedDown(true);
  EXPECT_TRUE(combo->DroppedUp);
  int height = 2 * combo->ItemHeight() + 2;
  EXPECT_EQ(combo->DropDownWindow()->BoundsRect(),
            Bounds(origin.X, origin.Y - height - 2, 149, height));
}

}  // namespace
