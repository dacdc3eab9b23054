#include "controls/db_edit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "controls/db_combo_box.h"
#include "controls_test_support.h"

namespace {

class DBEditTest : public ControlsTest {
 protected:
  DBEditTest() {
    Form->Show();
    Edit = Make<TDBEditEh>(Form, 10, 10);
    Edit->SetWidth(150);
    Other = Make<TKeyTaker>(Form, 10, 100);
    AddRow("Иванова", "Ж", 3);
  }
  void Bind(const char* field) {
    Edit->SetDataSource(Source);
    Edit->SetDataField(field);
  }
  std::vector<TCanvasRecord> PaintEdit() { return PaintForm(); }

  TDBEditEh* Edit = nullptr;
  TKeyTaker* Other = nullptr;
};

TEST_F(DBEditTest, ShowsEditTextWhenFocusedAndDisplayTextOtherwise) {
  Price->SetDisplayFormat("0.00 'р.'");
  Price->SetEditFormat("0.##");
  Table->Edit();
  Price->SetAsFloat(1234.5);
  Table->Post();
  Bind("PRICE");
  EXPECT_EQ(Edit->EditText(), "1234.50 р.");
  EXPECT_EQ(Edit->Alignment(), taRightJustify) << "the field's alignment";
  Edit->SetFocus();
  EXPECT_EQ(Edit->EditText(), "1234.5");
  Other->SetFocus();
  EXPECT_EQ(Edit->EditText(), "1234.50 р.");
  EXPECT_FALSE(Edit->Modified());
}

TEST_F(DBEditTest, MaxLengthComesFromTheStringFieldAndGoesOnRebind) {
  Bind("NAME");
  EXPECT_EQ(Edit->MaxLength(), 20);
  Edit->SetFocus();
  Edit->SelectAll();
  TypeText("ОченьДлиннаяФамилияИЕщё");
  EXPECT_EQ(Length(Edit->EditText()), 20);
  Key(VK_ESCAPE);
  Edit->SetDataField("SEX");
  EXPECT_EQ(Edit->MaxLength(), 1);
  Edit->SetDataField("CNT");
  EXPECT_EQ(Edit->MaxLength(), 0);
}

TEST_F(DBEditTest, TypingStartsAnEditAndLeavingWritesTheField) {
  Bind("NAME");
  Edit->SetFocus();
  EXPECT_EQ(Table->State(), dsBrowse);
  Edit->SelectAll();
  TypeText("Петрова");
  EXPECT_EQ(Table->State(), dsEdit);
  EXPECT_EQ(Edit->EditText(), "Петрова");
  EXPECT_EQ(Name->AsString(), "Иванова") << "not before the commit";
  Other->SetFocus();
  EXPECT_EQ(Name->AsString(), "Петрова");
  Table->Post();
  EXPECT_EQ(Name->AsString(), "Петрова");
}

TEST_F(DBEditTest, ALetterInANumberBeepsAndABadDateKeepsTextAndFocus) {
  Bind("CNT");
  Edit->SetFocus();
  Edit->SelectAll();
  TypeText("1x2");
  EXPECT_EQ(Edit->EditText(), "12");
  Other->SetFocus();
  EXPECT_EQ(Count->AsInteger(), 12);
  Table->Post();

  Born->SetEditMask("!99/99/9999;1; ");
  Bind("BDATE");
  Edit->SetFocus();
  TypeText("31022008");
  EXPECT_EQ(Edit->EditText(), "31.02.2008");
  EXPECT_THROW(Other->SetFocus(), EConvertError);
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Edit->EditText(), "31.02.2008");
  EXPECT_TRUE(Born->IsNull());
  Edit->SelectAll();
  TypeText("29022008");
  Other->SetFocus();
  EXPECT_EQ(Born->AsDateTime(), EncodeDate(2008, 2, 29));
}

TEST_F(DBEditTest, EscapeRestoresTheFieldAndIsWantedWhileModified) {
  Bind("NAME");
  Edit->SetFocus();
  EXPECT_EQ(Edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 0);
  Edit->SelectAll();
  TypeText("Сидорова");
  EXPECT_EQ(Edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  Key(VK_ESCAPE);
  EXPECT_EQ(Edit->EditText(), "Иванова");
  EXPECT_EQ(Edit->SelLength(), Length("Иванова"));
  EXPECT_FALSE(Edit->Modified());
  // An edit that takes Enter still leaves an unchanged Esc to the dialog.
  Edit->SetWantReturns(true);
  EXPECT_NE(Edit->Perform(WM_GETDLGCODE, VK_RETURN) & DLGC_WANTALLKEYS, 0);
  EXPECT_EQ(Edit->Perform(WM_GETDLGCODE, VK_ESCAPE) & DLGC_WANTALLKEYS, 0);
}

TEST_F(DBEditTest, WritingTextCommitsOnceAndHandledSkipsTheField) {
  Bind("NAME");
  std::vector<std::string> log;
  Edit->OnUpdateData = [&](TObject*, bool& handled) {
    log.push_back("update:" + Edit->Text());
    // A write inside the event does not commit again.
    if (Edit->Text() == "А") Edit->SetText("Б");
    handled = Edit->Text() == "Б";
  };
  Edit->SetText("Петрова");
  EXPECT_EQ(Name->AsString(), "Петрова");
  EXPECT_EQ(Table->State(), dsEdit);
  Edit->SetText("А");
  EXPECT_EQ(log, (std::vector<std::string>{"update:Петрова", "update:А"}));
  EXPECT_EQ(Name->AsString(), "Петрова") << "handled: the field stays";
  EXPECT_EQ(Edit->Text(), "Б");
  Edit->OnUpdateData = nullptr;
  Edit->Clear();
  EXPECT_EQ(Name->AsString(), "");
}

TEST_F(DBEditTest, OwnValueModeKeepsTheValueAndHalfBoundWritesNothing) {
  Edit->SetText("свой");
  EXPECT_EQ(Edit->Text(), "свой");
  EXPECT_EQ(Edit->DataLink()->DataIndependentValue().AsString(), "свой");
  Edit->SetFocus();
  Key(VK_END);
  TypeText("!");
  Other->SetFocus();
  EXPECT_EQ(Edit->DataLink()->DataIndependentValue().AsString(), "свой!");
  // A field name without a data source.
  TDBEditEh* half = Make<TDBEditEh>(Form, 10, 40);
  half->SetDataField("NAME");
  EXPECT_NO_THROW(half->SetText("x"));
  EXPECT_NO_THROW(half->SetValue(5));
  EXPECT_NO_THROW(half->Clear());
  EXPECT_EQ(Name->AsString(), "Иванова");
  // A data source whose dataset is closed.
  half->SetDataSource(Source);
  Table->Close();
  EXPECT_NO_THROW(half->SetText("y"));
}

TEST_F(DBEditTest, ReadOnlyRules) {
  Bind("NAME");
  struct Case {
    bool readOnly;
    bool fieldReadOnly;
    bool typed;
  };
  for (Case c : {Case{false, false, true}, Case{true, false, false}, Case{false, true, false}}) {
    if (Table->State() != dsBrowse) Table->Cancel();
    Edit->SetReadOnly(c.readOnly);
    Name->SetReadOnly(c.fieldReadOnly);
    Edit->SetFocus();
    Edit->SelectAll();
    TypeText("Ж");
    EXPECT_EQ(Edit->EditText() == "Ж", c.typed) << c.readOnly << c.fieldReadOnly;
    EXPECT_EQ(Table->State() == dsEdit, c.typed);
    Key(VK_ESCAPE);
    Other->SetFocus();
  }
  Name->SetReadOnly(false);
  Edit->SetReadOnly(true);
  // Clipboard messages of a read-only box start no edit either.
  SetClipboardText("abc");
  Edit->Perform(WM_PASTE);
  EXPECT_EQ(Table->State(), dsBrowse);
}

TEST_F(DBEditTest, RequiredEmptyFieldInInsertShowsTheRedLine) {
  Bind("BDATE");
  Born->SetRequired(true);
  Edit->SetHighlightRequired(true);
  auto redDots = [&] {
    int n = 0;
    for (const TCanvasRecord& r : PaintEdit()) {
      if (r.Kind == TRecordKind::FillRect && r.Color == static_cast<TColor>(255)) ++n;
    }
    return n;
  };
  EXPECT_EQ(redDots(), 0) << "browsing";
  Table->Append();
  EXPECT_GT(redDots(), 10);
  Born->SetAsDateTime(EncodeDate(2008, 1, 1));
  EXPECT_EQ(redDots(), 0);
  bool asked = false;
  Edit->OnCheckDrawRequiredState = [&](TObject*, bool& draw) {
    asked = true;
    draw = true;
  };
  EXPECT_GT(redDots(), 10);
  EXPECT_TRUE(asked);
}

TEST_F(DBEditTest, ButtonsStandAtTheRightAndPressesReachTheEvents) {
  Edit->SetFlat(true);
  TEditButtonEh* extra = Edit->EditButtons()->Add();
  extra->SetStyle(ebsEllipsisEh);
  extra->SetShortCut(ShortCut(VK_F4, {}));
  int extraClicks = 0;
  extra->OnClick = [&](TObject*, bool&) { ++extraClicks; };
  Edit->EditButton()->SetVisible(true);
  ASSERT_EQ(Edit->ButtonControlCount(), 2);
  int w = DefaultFlatButtonWidth();
  TEditButtonControlEh* main = Edit->ButtonControl(0);
  TEditButtonControlEh* ell = Edit->ButtonControl(1);
  EXPECT_EQ(ell->Left() + ell->Width(), Edit->ClientWidth());
  EXPECT_EQ(ell->Width(), w);
  EXPECT_EQ(main->Left() + main->Width(), ell->Left() - 1) << "a divider between";
  EXPECT_EQ(main->Height(), Edit->ClientHeight());
  // The text stays left of the buttons.
  Edit->SetFocus();
  TypeText(std::string(60, 'x'));
  for (const TCanvasRecord& r : PaintEdit()) {
    if (r.Kind == TRecordKind::Text && r.Text.find('x') != std::string::npos) {
      EXPECT_LE(r.Rect.Right, Device(Edit, main->Left()).X);
    }
  }
  Key(VK_ESCAPE);
  // Invisible buttons take no room.
  Edit->EditButton()->SetVisible(false);
  EXPECT_FALSE(main->Visible());
  EXPECT_EQ(ell->Left() + ell->Width(), Edit->ClientWidth());
  // The collection button's shortcut and a click.
  Key(VK_F4);
  EXPECT_EQ(extraClicks, 1);
  ClickAt(ell, 2, 2);
  EXPECT_EQ(extraClicks, 2);
  Edit->SetFlat(false);
  EXPECT_EQ(ell->Width(), GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(DBEditTest, SecondPressOnTheMainButtonClosesWhatTheFirstOpened) {
  Edit->EditButton()->SetVisible(true);
  std::vector<std::string> log;
  Edit->OnButtonDown = [&](TObject*, bool top, bool&, bool&) {
    log.push_back(top ? "down" : "down-lower");
  };
  Edit->OnButtonClick = [&](TObject*, bool&) { log.push_back("click"); };
  TEditButtonControlEh* main = Edit->ButtonControl(0);
  ClickAt(main, 3, 3);
  EXPECT_TRUE(Edit->Focused());
  EXPECT_TRUE(Edit->DroppedDown() || main->AlwaysDown());
  EXPECT_TRUE(main->Down());
  ClickAt(main, 3, 3);
  EXPECT_FALSE(main->Down());
  EXPECT_EQ(log, (std::vector<std::string>{"down", "click", "down", "click"}));
  // The main button's shortcut (Alt+Down) presses it only when linked.
  Edit->EditButton()->SetShortCut(ShortCut(VK_F2, {}));
  log.clear();
  Key(VK_F2);
  EXPECT_EQ(log, (std::vector<std::string>{"down", "click"}));
}

TEST_F(DBEditTest, MRUListDropsDownFiltersAndAccepts) {
  Bind("NAME");
  TMRUListEh* mru = Edit->MRUList();
  mru->SetActive(true);
  for (const char* v : {"Петрова", "Павлова", "Сидорова"}) mru->Add(v);
  Edit->SetFocus();
  Edit->SelectAll();
  TypeText("П");
  ASSERT_TRUE(Edit->MRUListboxShown());
  TMRUListboxEh* box = Edit->MRUListbox();
  EXPECT_EQ(box->Items()->Count(), 2);
  EXPECT_EQ(box->Items()->Strings(0), "Павлова") << "the box is sorted";
  EXPECT_TRUE(Edit->Focused());
  TypeText("е");
  EXPECT_EQ(box->Items()->Count(), 1);
  Key(VK_DOWN);
  EXPECT_EQ(box->ItemIndex(), 0);
  Key(VK_RETURN);
  EXPECT_FALSE(Edit->MRUListboxShown());
  EXPECT_EQ(Edit->EditText(), "Петрова");
  Other->SetFocus();
  EXPECT_EQ(Name->AsString(), "Петрова");
  // Backspace in an empty box offers everything; Esc closes.
  Edit->SetFocus();
  Edit->SelectAll();
  Key(VK_DELETE);
  EXPECT_FALSE(Edit->MRUListboxShown()) << "an empty text closes it";
  Key(VK_BACK);
  EXPECT_TRUE(Edit->MRUListboxShown());
  EXPECT_EQ(box->Items()->Count(), 3);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Edit->MRUListboxShown());
  // Committed values are added.
  Edit->SetText("Кузнецова");
  EXPECT_EQ(mru->Items()->Strings(mru->Items()->Count() - 1), "Кузнецова");
}

TEST_F(DBEditTest, InplaceHolderMustOfferTheInterface) {
  TKeyTaker* plain = Make<TKeyTaker>(Form, 200, 10);
  try {
    Edit->SetInplaceEditHolder(plain);
    FAIL();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "InplaceEditHolder have to support IInplaceEditHolderEh interface");
  }
}

TEST_F(DBEditTest, AutoHeightFollowsTheFontAndFlatStyle) {
  TCanvas& m = MeasureCanvas();
  m.SetFont(Edit->Font());
  int text = m.TextHeight("0");
  EXPECT_EQ(Edit->Height(), text + 8 * GetSystemMetrics(SM_CYBORDER));
  Edit->SetFlat(true);
  EXPECT_EQ(Edit->Height(), text + 8 * GetSystemMetrics(SM_CYBORDER) - 2);
}

}  // namespace

namespace {

class DBEditMoreTest : public DBEditTest {};

TEST_F(DBEditMoreTest, TheMRUDropDownClosesOnFocusLossAndHiding) {
  Edit->MRUList()->SetActive(true);
  Edit->MRUList()->Add("Петрова");
  auto open = [&] {
    Edit->SetFocus();
    Edit->SelectAll();
    TypeText("П");
    return Edit->MRUListboxShown();
  };
  ASSERT_TRUE(open());
  Other->SetFocus();
  EXPECT_FALSE(Edit->MRUListboxShown());
  ASSERT_TRUE(open());
  Edit->Hide();
  EXPECT_FALSE(Edit->MRUListboxShown());
  EXPECT_FALSE(IsWindowVisible(Edit->MRUListbox()->Handle()));
}

TEST_F(DBEditMoreTest, ToolTipsShowTextThatDoesNotFit) {
  Edit->SetTooltips(true);
  EXPECT_TRUE(Edit->ShowHint());
  Edit->SetText("коротко");
  THintInfo info;
  EXPECT_EQ(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 1) << "fits: no hint";
  std::string longText(80, 'w');
  Edit->SetText(longText);
  EXPECT_EQ(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.HintStr, longText);
  EXPECT_EQ(info.HintPos, Edit->ClientToScreen({0, Edit->Height()}));
}

TEST_F(DBEditMoreTest, TheEditImageTakesItsPlaceAtTheLeft) {
  TImageList* images = Create<TImageList>(Form);
  images->SetSize(16, 16);
  TBitmap bmp(32, 16);
  images->Add(&bmp, nullptr);
  Edit->EditImage()->SetVisible(true);
  Edit->SetImages(images);
  Edit->EditImage()->SetWidth(20);
  int asked = 0;
  Edit->OnGetImageIndex = [&](TObject*, int& index) {
    ++asked;
    index = 1;
  };
  Edit->SetText("текст");
  EXPECT_GT(asked, 0);
  EXPECT_EQ(Edit->EditImage()->ImageIndex(), 1);
  std::vector<TCanvasRecord> records = PaintEdit();
  const TCanvasRecord* text = FindText(records, "текст");
  ASSERT_NE(text, nullptr);
  EXPECT_GE(text->Rect.Left, Device(Edit, 20).X);
  EXPECT_GE(Edit->Height(), 16 + 8 - 1) << "the image's height with UseImageHeight";
}

}  // namespace

namespace {

// A drop-down menu that records its showing; the click that closes it is
// queued as the menu loop would leave it.
class TRecordingMenu : public TPopupMenu {
  MEBRATH_CLASS(TRecordingMenu, TPopupMenu)
 public:
  int Shown = 0;
  std::function<void()> WhileShown;
  void Popup(int, int) override {
    ++Shown;
    if (WhileShown) WhileShown();
  }

 protected:
  explicit TRecordingMenu(TComponent* owner) : TPopupMenu(owner) {}
};

TEST_F(DBEditMoreTest, APressThatClosesTheButtonsMenuDoesNotReopenIt) {
  TRecordingMenu* menu = Create<TRecordingMenu>(Form);
  Edit->EditButton()->SetVisible(true);
  Edit->EditButton()->SetDropdownMenu(menu);
  TEditButtonControlEh* button = Edit->ButtonControl(0);
  TPoint screen = button->ClientToScreen({3, 3});
  TRect content = ContentRect(Form->Handle());
  TPoint at{screen.X - content.Left, screen.Y - content.Top};
  menu->WhileShown = [&] {
    // The user clicks the button again to close the menu.
    HostMouseEvent(Form->Handle(), WM_LBUTTONUP, at, 0);
    HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
    HostMouseEvent(Form->Handle(), WM_LBUTTONUP, at, 0);
  };
  HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
  Application->ProcessMessages();
  EXPECT_EQ(menu->Shown, 1);
  // A later press opens it again.
  menu->WhileShown = nullptr;
  ClickAt(button, 3, 3);
  EXPECT_EQ(menu->Shown, 2);
  // The menu's destruction clears it from the button.
  menu->Free();
  EXPECT_EQ(Edit->EditButton()->DropdownMenu(), nullptr);
}

}  // namespace

namespace {

// A grid-like holder of the editor: the trivial one the filter row needs,
// with switches for the tests.
class TTestHolder : public TKeyTaker, public IInplaceEditHolderEh {
  MEBRATH_CLASS(TTestHolder, TKeyTaker)
 public:
  bool MayModify = true;
  TPoint LastClick{-100, -100};
  std::uint32_t LastClickTime = 0;
  unsigned EatKey = 0;
  bool InplaceEditCanModify(TControl*) override { return MayModify; }
  void GetMouseDownInfo(TPoint& pos, std::uint32_t& time) override {
    pos = LastClick;
    time = LastClickTime;
  }
  void InplaceEditWndProc(TControl*, TMessage&) override {}
  void InplaceEditKeyDown(TControl*, unsigned& key, TShiftState) override {
    if (key == EatKey) key = 0;
  }
  void InplaceEditKeyPress(TControl*, char32_t&) override {}
  void InplaceEditKeyUp(TControl*, unsigned&, TShiftState) override {}

 protected:
  explicit TTestHolder(TComponent* owner) : TKeyTaker(owner) {}
};

TEST_F(DBEditMoreTest, InplaceModeAsksTheHolder) {
  TTestHolder* holder = Make<TTestHolder>(Form, 200, 100);
  Edit->SetInplaceEditHolder(holder);
  Edit->SetFocus();
  holder->MayModify = false;
  Edit->SelectAll();
  TypeText("нельзя");
  EXPECT_EQ(Edit->EditText(), "");
  holder->MayModify = true;
  TypeText("можно");
  EXPECT_EQ(Edit->EditText(), "можно");
  // A key the holder takes goes no further.
  holder->EatKey = VK_HOME;
  Key(VK_HOME);
  EXPECT_EQ(Edit->SelStart(), Length("можно"));
  // A press right after the holder's own click is a double click.
  int doubles = 0;
  Edit->OnDblClick = [&](TObject*) { ++doubles; };
  holder->LastClick = Edit->ClientToScreen({5, 5});
  holder->LastClickTime = FNow;
  Advance(100);
  ClickAt(Edit, 5, 5);
  EXPECT_EQ(doubles, 1);
  // Hiding gives the focus back to the holder; placing shows it again.
  Edit->InplaceHide();
  EXPECT_TRUE(holder->Focused());
  EXPECT_FALSE(Edit->Visible());
  Edit->InplaceSetBounds(Rect(10, 10, 110, 31));
  EXPECT_TRUE(Edit->Visible());
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Edit->Width(), 100);
}

TEST_F(DBEditMoreTest, WordWrapShowsLinesMeasuresWrappedAndMovesByLines) {
  const std::string text = "один два три четыре пять";
  Edit->SetBounds(10, 10, 100, 48);
  Edit->SetTooltips(true);
  Edit->SetText(text);
  THintInfo info;
  EXPECT_EQ(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0) << "one line: cut";
  Edit->SetWordWrap(true);
  EXPECT_TRUE(Edit->WordWrap());
  EXPECT_EQ(Edit->Height(), 48) << "a wrapping box keeps its height";
  EXPECT_EQ(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 1) << "wrapped it fits";
  // Not focused, the text shows on lines of its own.
  std::set<int> lines;
  const TPoint origin = Device(Edit);
  for (const TCanvasRecord& r : PaintEdit())
    if (r.Kind == TRecordKind::Text && r.Rect.Left >= origin.X && r.Rect.Left < origin.X + 100)
      lines.insert(r.Rect.Top);
  EXPECT_GE(lines.size(), 2u);
  // Up and Down move between the lines; Enter adds none without WantReturns.
  Edit->SetFocus();
  Edit->SetSelStart(0);
  Key(VK_DOWN);
  EXPECT_GT(Edit->SelStart(), 0);
  EXPECT_LT(Edit->SelStart(), Length(text));
  Key(VK_UP);
  EXPECT_EQ(Edit->SelStart(), 0);
  TypeText("\r");
  EXPECT_EQ(Edit->EditText(), text);
}

TEST_F(DBEditMoreTest, AWrappedComboStepsItsItemsOnlyFromTheEnd) {
  TDBComboBoxEh* combo = Make<TDBComboBoxEh>(Form, 10, 150);
  combo->SetBounds(10, 150, 100, 48);
  combo->Items()->Add("первый вариант ответа");
  combo->Items()->Add("второй вариант ответа");
  combo->SetWordWrap(true);
  combo->SetFocus();
  combo->SetText("первый вариант ответа");
  combo->SetSelStart(0);
  Key(VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 0) << "inside the text: the next line";
  EXPECT_GT(combo->SelStart(), 0);
  combo->SetSelStart(Length(combo->Text()));
  Key(VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 1);
}

}  // namespace
