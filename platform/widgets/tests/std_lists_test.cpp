#include "platform/widgets/std_lists.h"

#include <gtest/gtest.h>

#include "platform/base/text.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/std_memo.h"

namespace {

class ListTest : public GuiTest {
 protected:
  ListTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 300, 300);
    List = Create<TListBox>(Form);
    List->SetParent(Form);
    List->OnClick = [this](TObject*) { ++Clicks; };
    Form->Show();
    List->SetFocus();
  }
  ~ListTest() override { Form->Free(); }
  void Key(unsigned vk, bool shift = false) {
    PressKey(vk, shift ? TShiftState{ssShift} : TShiftState{});
  }
  void Type(std::string_view s) { TypeText(s); }
  void Click(int index, unsigned keys = 0) {
    TRect r = List->ItemRect(index);
    List->Perform(WM_LBUTTONDOWN, MK_LBUTTON | keys, MakeLParam(5, r.Top + 1));
    List->Perform(WM_LBUTTONUP, keys, MakeLParam(5, r.Top + 1));
  }
  void Fill(std::initializer_list<const char*> items) {
    for (const char* s : items) List->Items()->Add(s);
  }

  TForm* Form = nullptr;
  TListBox* List = nullptr;
  int Clicks = 0;
};

TEST_F(ListTest, SelectStringMatchesAPrefixIgnoringCaseFromTheStart) {
  Fill({"Апельсин", "банан", "Бар", "вишня", "ёж", "Ель"});
  struct Case {
    const char* Prefix;
    int Start;
    int Expect;
  };
  const Case cases[] = {
      {"БА", -1, 1}, {"бар", -1, 2}, {"а", -1, 0},  {"x", -1, -1}, {"", -1, 0},
      {"ба", 1, 2},  {"ба", 2, 1},   {"ЁЖ", -1, 4}, {"е", -1, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(List->FindString(c.Prefix, c.Start), c.Expect) << c.Prefix << " from " << c.Start;
  }
  std::string s = "ВИ";
  EXPECT_EQ(List->Perform(LB_SELECTSTRING, static_cast<WPARAM>(-1), AsParam(&s)), 3);
  EXPECT_EQ(List->ItemIndex(), 3);
  s = "нет";
  EXPECT_EQ(List->Perform(LB_SELECTSTRING, static_cast<WPARAM>(-1), AsParam(&s)), LB_ERR);
  EXPECT_EQ(List->ItemIndex(), 3);
}

TEST_F(ListTest, TypingBuildsThePrefixUntilAPause) {
  Fill({"abc", "abd", "b", "ba"});
  Type("a");
  EXPECT_EQ(List->ItemIndex(), 0);
  Type("bd");
  EXPECT_EQ(List->ItemIndex(), 1);
  Advance(kListSearchTimeout + 1);
  Type("b");
  EXPECT_EQ(List->ItemIndex(), 2);
  Type("a");
  EXPECT_EQ(List->ItemIndex(), 3);
  EXPECT_EQ(Clicks, 4);
}

TEST_F(ListTest, SortedListsKeepTheCollationOrder) {
  List->Items()->Add("Ж");
  List->Items()->Add("е");
  List->SetItemIndex(1);
  List->SetSorted(true);
  EXPECT_EQ(List->Items()->Text(), "е\r\nЖ\r\n");
  EXPECT_EQ(List->ItemIndex(), 0) << "the selection follows its item";
  EXPECT_EQ(List->Items()->Add("Ё"), 1);
  EXPECT_EQ(List->Items()->Add("а"), 0);
  EXPECT_EQ(List->Items()->Text(), "а\r\nе\r\nЁ\r\nЖ\r\n");
  EXPECT_EQ(List->ItemIndex(), 1);
  List->Items()->Delete(1);
  EXPECT_EQ(List->ItemIndex(), -1);
}

TEST_F(ListTest, KeyboardMovesTheSelectionAndClicks) {
  for (int i = 0; i < 30; ++i) List->Items()->Add("item " + std::to_string(i));
  List->SetItemIndex(2);
  EXPECT_EQ(Clicks, 0) << "setting from code is no click";
  int rows = List->VisibleRows();
  struct Step {
    unsigned Key;
    int Expect;
  };
  const Step steps[] = {{VK_DOWN, 3},        {VK_UP, 2},        {VK_END, 29},  {VK_HOME, 0},
                        {VK_NEXT, rows - 1}, {VK_UP, rows - 2}, {VK_PRIOR, 0}, {VK_UP, 0}};
  for (const Step& s : steps) {
    Key(s.Key);
    EXPECT_EQ(List->ItemIndex(), s.Expect) << "key " << s.Key;
    EXPECT_GE(List->ItemIndex(), List->TopIndex());
    EXPECT_LT(List->ItemIndex(), List->TopIndex() + rows);
  }
  EXPECT_EQ(Clicks, 7) << "the last Up changed nothing";
  List->Perform(WM_VSCROLL, SB_PAGEDOWN);
  EXPECT_EQ(List->TopIndex(), rows - 1);
  TScrollInfo si;
  si.fMask = SIF_ALL;
  GetScrollInfo(List->Handle(), SB_VERT, si);
  EXPECT_EQ(si.nMax, 29);
  EXPECT_EQ(si.nPos, rows - 1);
}

TEST_F(ListTest, OwnerDrawVariableRowsMeasureAndDraw) {
  List->SetStyle(lbOwnerDrawVariable);
  List->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + index * 5; };
  std::vector<std::string> drawn;
  List->OnDrawItem = [&](TWinControl* c, int index, TRect rect, TOwnerDrawState state) {
    auto* lb = static_cast<TListBox*>(c);
    drawn.push_back(std::to_string(index) + ":" + std::to_string(rect.Top) + "-" +
                    std::to_string(rect.Bottom) + (state.Contains(odSelected) ? "S" : "") +
                    (state.Contains(odFocused) ? "F" : ""));
    lb->Canvas()->FillRect(rect);
  };
  Fill({"a", "b", "c"});
  List->SetItemIndex(1);
  EXPECT_EQ(List->ItemRect(2), Rect(0, 25, List->ClientWidth(), 45));
  EXPECT_EQ(List->ItemAtPos({3, 24}, true), 1);
  EXPECT_EQ(List->ItemAtPos({3, 50}, true), -1);
  EXPECT_EQ(List->ItemAtPos({3, 50}, false), 3);
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, Rect(0, 0, 300, 300));
  EXPECT_EQ(drawn, (std::vector<std::string>{"0:0-10", "1:10-25SF", "2:25-45"}));
  bool highlight = false;
  for (const TCanvasRecord& r : canvas.Records())
    if (r.Kind == TRecordKind::FillRect && r.Color == clHighlight) highlight = true;
  EXPECT_TRUE(highlight) << "the canvas comes prepared with the highlight colours";
}

// A disabled list keeps its chosen item visible but not in the live
// highlight: grey on a grey band.
TEST_F(ListTest, ADisabledListGreysItsSelection) {
  Fill({"a", "b"});
  List->SetItemIndex(1);
  for (bool enabled : {true, false}) {
    List->SetEnabled(enabled);
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, Rect(0, 0, 300, 300));
    TPoint origin = List->ClientToScreen({0, 0});
    TRect content = ContentRect(Form->Handle());
    TRect item = List->ItemRect(1);
    OffsetRect(item, origin.X - content.Left, origin.Y - content.Top);
    TColor band = clNone, text = clNone;
    for (const TCanvasRecord& r : canvas.Records()) {
      if (r.Kind == TRecordKind::FillRect && r.Rect == item) band = r.Color;
      if (r.Kind == TRecordKind::Text && r.Text == "b") text = r.Color;
    }
    EXPECT_EQ(band == clHighlight, enabled) << enabled;
    EXPECT_NE(band, List->Color()) << enabled;
    EXPECT_EQ(text, enabled ? clHighlightText : clGrayText) << enabled;
  }
}

TEST_F(ListTest, ExtendedMultiSelectByMouse) {
  List->SetMultiSelect(true);
  Fill({"a", "b", "c", "d", "e"});
  Click(1);
  Click(3, MK_SHIFT);
  EXPECT_EQ(List->SelCount(), 3);
  SetKeyDown(VK_CONTROL, true);
  Click(2, MK_CONTROL);
  SetKeyDown(VK_CONTROL, false);
  EXPECT_FALSE(List->Selected(2));
  EXPECT_TRUE(List->Selected(1));
  EXPECT_TRUE(List->Selected(3));
  Click(4);
  EXPECT_EQ(List->SelCount(), 1);
  EXPECT_THROW(List->Selected(5), EListError);
}

TEST_F(ListTest, VirtualItemsComeFromOnData) {
  List->SetStyle(lbVirtual);
  List->OnData = [](TWinControl*, int index, std::string& data) {
    data = "row " + std::to_string(index);
  };
  List->SetCount(1000);
  EXPECT_EQ(List->Count(), 1000);
  EXPECT_EQ(List->SelectString("ROW 99"), 99) << "row 99 itself, not row 990";
  EXPECT_EQ(List->TopIndex() + List->VisibleRows() - 1, 99);
  Key(VK_END);
  EXPECT_EQ(List->ItemIndex(), 999);
}

TEST_F(ListTest, ScrollBarParamsScrollCodesAndThumbDrag) {
  TScrollBar* bar = Create<TScrollBar>(Form);
  bar->SetParent(Form);
  std::vector<TScrollCode> codes;
  bar->OnScroll = [&](TObject*, TScrollCode code, int& pos) {
    codes.push_back(code);
    if (code == scLineDown && pos == 3) pos = 50;  // the handler may change it
  };
  int changes = 0;
  bar->OnChange = [&](TObject*) { ++changes; };
  bar->SetParams(200, 0, 100);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetPageSize(10);
  EXPECT_EQ(bar->Position(), 91) << "max less the page";
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
  EXPECT_THROW(bar->SetPageSize(200), EInvalidOperation);
  bar->SetPosition(2);
  bar->SetSmallChange(1);
  bar->SetLargeChange(20);
  unsigned key = VK_RIGHT;
  bar->Perform(WM_KEYDOWN, key);
  EXPECT_EQ(bar->Position(), 50);
  bar->Perform(WM_KEYDOWN, VK_NEXT);
  EXPECT_EQ(bar->Position(), 70);
  bar->Perform(WM_KEYDOWN, VK_END);
  EXPECT_EQ(bar->Position(), 91);
  EXPECT_EQ(changes, 6);

  // The thumb follows the pointer; arrows scroll a line when pressed.
  bar->SetBounds(0, 0, 200, 17);
  bar->SetPosition(0);
  codes.clear();
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(20, 5));
  bar->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(20 + 83, 5));
  bar->Perform(WM_LBUTTONUP, 0, MakeLParam(20 + 83, 5));
  EXPECT_GT(bar->Position(), 40);
  EXPECT_LT(bar->Position(), 60);
  EXPECT_EQ(codes.back(), scEndScroll);
  EXPECT_EQ(codes.front(), scTrack);
  int before = bar->Position();
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(195, 5));
  bar->Perform(WM_LBUTTONUP, 0, MakeLParam(195, 5));
  EXPECT_EQ(bar->Position(), before + 1);
}

// The scroll message's position word has 16 bits; the thumb of a long
// list must still land where the bar shows it.
TEST_F(ListTest, ThumbPositionsBeyondSixteenBitsComeFromTheBar) {
  List->Items()->BeginUpdate();
  for (int i = 0; i < 40000; ++i) List->Items()->Add(std::to_string(i));
  List->Items()->EndUpdate();
  List->SetTopIndex(35000);
  List->Perform(WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, 35000 & 0xFFFF));
  EXPECT_EQ(List->TopIndex(), 35000);
  List->Perform(WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, 7));  // not the bar's own
  EXPECT_EQ(List->TopIndex(), 7);
}

}  // namespace

namespace {

// Filled before their form is shown: the bars get the content's range when
// the windows are made, not the default 0..100.
TEST(ListBarsTest, ContentBeforeTheWindowSetsTheScrollRange) {
  TForm* form = Create<TForm>(nullptr);
  form->SetBounds(0, 0, 300, 300);
  TListBox* list = Create<TListBox>(form);
  list->SetParent(form);
  for (const char* s : {"один", "два", "три"}) list->Items()->Add(s);
  TMemo* memo = Create<TMemo>(form);
  memo->SetParent(form);
  memo->SetTop(150);
  memo->SetScrollBars(ssVertical);
  memo->Lines()->Add("первая");
  memo->Lines()->Add("вторая");
  form->Show();
  for (TWinControl* c : std::initializer_list<TWinControl*>{list, memo}) {
    TScrollInfo si;
    si.fMask = SIF_ALL;
    GetScrollInfo(c->Handle(), SB_VERT, si);
    EXPECT_LE(si.nMax, 2) << c->ClassName();
    EXPECT_GT(static_cast<int>(si.nPage), si.nMax) << "all of it fits: nothing to scroll";
  }
  form->Free();
}

}  // namespace
