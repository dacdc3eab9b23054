#include "controls/popup_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/widgets/tests/std_controls_test_support.h"

namespace {

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s[i]);
  return v;
}

TEST(MRUList, AddMovesKnownValuesAndKeepsTheLimit) {
  struct Case {
    std::vector<std::string> adds;
    bool caseSensitive;
    int limit;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {{"ABC", "x", "abc"}, false, 100, {"x", "ABC"}},
      {{"ABC", "x", "abc"}, true, 100, {"ABC", "x", "abc"}},
      {{"  a  ", "", "   "}, false, 100, {"a"}},
      {{"1", "2", "3", "4"}, false, 3, {"2", "3", "4"}},
      {{"Ж", "ж"}, false, 100, {"Ж"}},
      {{"1", "2"}, false, -5, {}},
  };
  for (const Case& c : cases) {
    TMRUListEh mru;
    mru.SetCaseSensitive(c.caseSensitive);
    mru.SetLimit(c.limit);
    for (const std::string& a : c.adds) mru.Add(a);
    EXPECT_EQ(Lines(*mru.Items()), c.items);
  }
  TMRUListEh mru;
  for (const char* v : {"a", "b", "c", "d"}) mru.Add(v);
  mru.SetLimit(2);
  EXPECT_EQ(Lines(*mru.Items()), (std::vector<std::string>{"c", "d"}));
}

TEST(MRUList, FiltersByPrefixOldestFirst) {
  TMRUListEh mru;
  for (const char* v : {"Москва", "мост", "Минск", "Мо"}) mru.Add(v);
  TStringList dest;
  struct Case {
    std::string text;
    bool caseSensitive;
    std::vector<std::string> result;
  };
  const Case cases[] = {
      {"", false, {"Москва", "мост", "Минск", "Мо"}},
      {"мо", false, {"Москва", "мост", "Мо"}},
      {"Мо", true, {"Москва", "Мо"}},
      {"x", false, {}},
  };
  for (const Case& c : cases) {
    mru.SetCaseSensitive(c.caseSensitive);
    EXPECT_TRUE(mru.Filter(c.text, dest));
    EXPECT_EQ(Lines(dest), c.result) << c.text;
  }
  mru.SetCaseSensitive(false);
  mru.OnFilterItem = [](TObject*, const std::string& item, bool& accept) {
    if (item == "мост") accept = false;
    if (item == "Минск") accept = true;
  };
  mru.Filter("мо", dest);
  EXPECT_EQ(Lines(dest), (std::vector<std::string>{"Москва", "Минск", "Мо"}));
}

TEST(MRUList, FilteringGivesUpWhenAKeyIsWaiting) {
  TMRUListEh mru;
  mru.SetLimit(1000);
  for (int i = 0; i < 250; ++i) mru.Add("v" + std::to_string(i));
  std::vector<int> probes;
  int answerAt = 2;  // the third probe sees a key
  mru.KeyPending = [&] {
    probes.push_back(static_cast<int>(probes.size()));
    return static_cast<int>(probes.size()) > answerAt;
  };
  TStringList dest;
  EXPECT_FALSE(mru.Filter("v", dest));
  EXPECT_EQ(probes.size(), 3u) << "at values 0, 100 and 200";
  EXPECT_EQ(dest.Count(), 200);
  mru.SetCancelIfKeyInQueue(false);
  EXPECT_TRUE(mru.Filter("v", dest));
  EXPECT_EQ(dest.Count(), 250);
}

class PopupListTest : public StdControlsTest, public IPopupHost {
 protected:
  PopupListTest() {
    Form->Show();
    Owner = Make<TKeyTaker>(Form, 10, 10);
    Owner->SetWidth(120);
    List = Create<TPopupListboxEh>(Form);
    List->SetOwnerControl(Owner);
    List->SetItemHeight(16);
    List->OnCloseUp = [this](TObject*, bool accept) { Closes.push_back(accept); };
    for (const char* s : {"Абакан", "Абакумово", "Барнаул", "Бийск", "Ачинск"}) {
      List->Items()->Add(s);
    }
    Owner->SetFocus();
  }
  void CloseUp(bool accept) override { Closes.push_back(accept); }
  void Show() {
    TPoint p = Owner->ClientToScreen({0, Owner->Height()});
    List->ShowAt(Bounds(p.X, p.Y, 120, 84));
  }
  void MouseIn(unsigned msg, int x, int y) {
    TPoint screen = List->ClientToScreen({x, y});
    HWND top = List->Handle();
    TRect content = ContentRect(top);
    HostMouseEvent(top, msg, {screen.X - content.Left, screen.Y - content.Top},
                   msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
    Application->ProcessMessages();
  }
  TKeyTaker* Owner = nullptr;
  TPopupListboxEh* List = nullptr;
  std::vector<bool> Closes;
};

TEST_F(PopupListTest, IsANonActivatingPopupThatSnapsToRows) {
  Show();
  HWND h = List->Handle();
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_EQ(GetWindowStyle(h) & (WS_POPUP | WS_CHILD), WS_POPUP);
  EXPECT_NE(GetWindowExStyle(h) & WS_EX_NOACTIVATE, 0u);
  EXPECT_TRUE(Owner->Focused());
  // 84 - 4 (border) = 80 = 5 rows of 16.
  EXPECT_EQ(List->RowCount(), 5);
  EXPECT_EQ(List->ClientHeight(), 80);
  List->SetHeight(84 + 10);
  EXPECT_EQ(List->Height(), 84) << "between two rows: the lower whole number";
  List->SetRowCount(3);
  EXPECT_EQ(List->Height(), 3 * 16 + 4);
  List->SetBounds(List->Left(), List->Top(), 2, 2);
  EXPECT_GE(List->Width(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_GE(List->Height(), GetSystemMetrics(SM_CYVSCROLL));
}

TEST_F(PopupListTest, SearchesIncrementallyWithAPause) {
  Show();
  struct Step {
    std::uint32_t wait;
    char32_t key;
    int index;
  };
  const Step steps[] = {
      {0, U'а', 0},    {100, U'б', 0}, {100, U'а', 0},  {100, U'к', 0}, {100, U'у', 1},
      {2100, U'б', 2}, {100, U'и', 3}, {2100, U'ч', 3}, {100, 8, 3},    {100, U'а', 0},
  };
  for (const Step& s : steps) {
    Advance(s.wait);
    char32_t key = s.key;
    List->Perform(WM_CHAR, key);
    EXPECT_EQ(List->ItemIndex(), s.index) << static_cast<unsigned>(s.key);
  }
  EXPECT_EQ(List->SearchText(), "а");
}

TEST_F(PopupListTest, HotTracksAndClosesOnRelease) {
  Show();
  MouseIn(WM_MOUSEMOVE, 5, 16 * 2 + 3);
  EXPECT_EQ(List->ItemIndex(), 2);
  List->Perform(WM_MOUSEWHEEL, MakeWParam(0, -120), 0);
  EXPECT_EQ(List->ItemIndex(), 3);
  List->Perform(WM_MOUSEWHEEL, MakeWParam(0, 120), 0);
  EXPECT_EQ(List->ItemIndex(), 2);
  MouseIn(WM_LBUTTONDOWN, 5, 3);
  MouseIn(WM_LBUTTONUP, 5, 3);
  EXPECT_EQ(Closes, std::vector<bool>{true});
  EXPECT_EQ(List->ItemIndex(), 0);
  EXPECT_FALSE(List->Visible());
  EXPECT_TRUE(Owner->Focused());
}

TEST_F(PopupListTest, ClosesWithoutAcceptingOnAClickElsewhere) {
  Show();
  ClickAt(Form, 300, 300);
  EXPECT_EQ(Closes, std::vector<bool>{false});
  Show();
  List->Perform(CM_CANCELMODE);
  EXPECT_EQ(Closes, (std::vector<bool>{false, false}));
}

TEST_F(PopupListTest, OwnerDestroyedWhileOpenLeavesNoPopup) {
  Show();
  HWND h = List->Handle();
  EXPECT_TRUE(IsWindowVisible(h));
  Owner->Free();
  Owner = nullptr;
  EXPECT_FALSE(List->Visible());
  EXPECT_EQ(List->OwnerControl(), nullptr);
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

class MRUListboxTest : public PopupListTest {};

TEST_F(MRUListboxTest, TheOwnScrollBarShowsOnlyWhenItemsExceedTheRows) {
  TMRUListboxEh* box = Create<TMRUListboxEh>(Form);
  box->SetOwnerControl(Owner);
  box->SetItemHeight(16);
  box->SetSizable(true);
  for (int i = 0; i < 3; ++i) box->Items()->Add("v" + std::to_string(i));
  TPoint p = Owner->ClientToScreen({0, Owner->Height()});
  box->ShowAt(Bounds(p.X, p.Y, 120, 5 * 16 + 4));
  EXPECT_EQ(GetWindowStyle(box->Handle()) & WS_VSCROLL, 0u);
  EXPECT_FALSE(box->ScrollBar()->Visible());
  EXPECT_TRUE(box->SizeGrip()->TriangleWindow());
  for (int i = 3; i < 12; ++i) box->Items()->Add("v" + std::to_string(i));
  box->UpdateScrollBar();
  TScrollBar* bar = box->ScrollBar();
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Max(), 11);
  EXPECT_EQ(bar->PageSize(), 5);
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_FALSE(box->SizeGrip()->TriangleWindow());
  // With the grip at the bottom right the bar runs down to it.
  EXPECT_EQ(bar->Top(), 0);
  EXPECT_EQ(bar->Top() + bar->Height(), box->ClientHeight() - box->SizeGrip()->Height());
  box->SetTopIndex(4);
  box->Perform(WM_MOUSEWHEEL, MakeWParam(0, -120), 0);
  EXPECT_EQ(bar->Position(), box->TopIndex());
}

TEST(SizeGrip, FlipsByDirection) {
  // direction -> corner before -> corner after
  const int table[4][4] = {
      {0, 0, 3, 3},  // 0: right-hand grips go left
      {1, 1, 2, 2},  // 1: left-hand grips go right
      {0, 1, 1, 0},  // 2: bottom grips go to the top
      {3, 2, 2, 3},  // 3: top grips go to the bottom
  };
  for (int d = 0; d < 4; ++d) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(SizeGripFlipEh(c, d), table[d][c]) << d << " " << c;
  }
}

TEST(SizeGrip, DragArithmetic) {
  const TRect work = Rect(0, 0, 1000, 700);
  const TRect start = Rect(100, 100, 304, 204);  // frame 4 x 4
  const TSize client{200, 100};
  struct Case {
    int corner;
    TPoint delta;
    TRect bounds;
  };
  const Case cases[] = {
      {2, {50, 30}, Rect(100, 100, 354, 234)},     {2, {900, 900}, Rect(100, 100, 1000, 700)},
      {2, {-500, -500}, Rect(100, 100, 104, 104)}, {0, {-50, -30}, Rect(50, 70, 304, 204)},
      {0, {-500, -500}, Rect(0, 0, 304, 204)},     {1, {20, -30}, Rect(100, 70, 324, 204)},
      {3, {-20, 30}, Rect(80, 100, 304, 234)},     {0, {400, 400}, Rect(304, 204, 304, 204)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SizeGripDragBoundsEh(c.corner, start, client, c.delta, work), c.bounds)
        << c.corner << " " << c.delta.X << "," << c.delta.Y;
  }
}

TEST_F(PopupListTest, DraggingTheGripResizesTheDropDown) {
  List->SetSizable(true);
  Show();
  TSizeGripEh* grip = List->SizeGrip();
  EXPECT_EQ(grip->Left() + grip->Width(), List->ClientWidth());
  EXPECT_EQ(grip->Top() + grip->Height(), List->ClientHeight());
  int resized = 0;
  grip->OnParentResized = [&](TObject*) { ++resized; };
  int w = List->ClientWidth();
  int h = List->ClientHeight();
  auto mouse = [&](unsigned msg, int x, int y) {
    TPoint screen = grip->ClientToScreen({x, y});
    TRect content = ContentRect(List->Handle());
    HostMouseEvent(List->Handle(), msg, {screen.X - content.Left, screen.Y - content.Top},
                   msg == WM_LBUTTONUP ? 0 : MK_LBUTTON);
    Application->ProcessMessages();
  };
  int gx = grip->Width() - 2;
  int gy = grip->Height() - 2;
  mouse(WM_LBUTTONDOWN, gx, gy);
  mouse(WM_MOUSEMOVE, gx + 50, gy + 32);
  mouse(WM_LBUTTONUP, gx + 50, gy + 32);
  EXPECT_EQ(List->ClientWidth(), w + 50);
  EXPECT_EQ(List->ClientHeight(), h + 32);
  EXPECT_GE(resized, 1);
  EXPECT_EQ(grip->Left() + grip->Width(), List->ClientWidth()) << "back in its corner";
  // Placed above its editor the grip goes to the top.
  List->Perform(CM_DROPDOWNGRIPDIRECTIONEH, 2);
  EXPECT_EQ(grip->Position(), 1);
  EXPECT_EQ(grip->Top(), 0);
}

}  // namespace
