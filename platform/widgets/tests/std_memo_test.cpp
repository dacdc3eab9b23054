#include "platform/widgets/std_memo.h"

#include <gtest/gtest.h>

#include "platform/base/text.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

class MemoTest : public GuiTest {
 protected:
  MemoTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 400, 300);
    Memo = Create<TMemo>(Form);
    Memo->SetParent(Form);
    Memo->OnChange = [this](TObject*) { ++Changes; };
    Form->Show();
    Memo->SetFocus();
  }
  ~MemoTest() override { Form->Free(); }
  void Type(std::string_view s) { TypeText(s); }
  void Key(unsigned vk, bool ctrl = false, bool shift = false) {
    PressKey(vk, TShiftState{}.Set(ssShift, shift).Set(ssCtrl, ctrl));
  }
  TPoint Caret() { return Memo->CaretPosition(); }

  TForm* Form = nullptr;
  TMemo* Memo = nullptr;
  int Changes = 0;
};

TEST_F(MemoTest, LinesFollowTheTextBothWays) {
  Memo->Lines()->Add("первая");
  Memo->Lines()->Add("вторая");
  EXPECT_EQ(Memo->Text(), "первая\r\nвторая");
  Memo->Lines()->Insert(1, "между");
  Memo->Lines()->SetStrings(0, "1");
  Memo->Lines()->Delete(2);
  EXPECT_EQ(Memo->Lines()->Text(), "1\r\nмежду\r\n");
  EXPECT_EQ(Changes, 5);
  Memo->SetText("a\nb\r\n\r\nc\r\n");
  EXPECT_EQ(Memo->Lines()->Count(), 4) << "the final break adds no line";
  EXPECT_EQ(Memo->Lines()->Get(2), "");
  Memo->Lines()->SetText("x\r\ny\r\n");
  EXPECT_EQ(Memo->Lines()->Text(), "x\r\ny\r\n");
  Memo->Lines()->Clear();
  EXPECT_EQ(Memo->Text(), "");
}

TEST_F(MemoTest, TypingAndMovingByLines) {
  Type("abcdef");
  Key(VK_RETURN);
  Type("xy");
  Key(VK_RETURN);
  Type("long line");
  EXPECT_EQ(Memo->Lines()->Count(), 3);
  EXPECT_EQ(Caret(), (TPoint{9, 2}));
  Key(VK_UP);
  EXPECT_EQ(Caret(), (TPoint{2, 1})) << "the end of a shorter line";
  Key(VK_UP);
  EXPECT_EQ(Caret(), (TPoint{6, 0}));
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Caret(), (TPoint{9, 2})) << "the column is kept";
  Key(VK_HOME, true);
  EXPECT_EQ(Memo->CaretPos(), 0);
  Key(VK_END, true, true);
  EXPECT_EQ(Memo->SelLength(), Length(Memo->Text()));
  Key(VK_RIGHT);
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(Caret(), (TPoint{7, 2}));
  Key(VK_HOME);
  Key(VK_LEFT);
  EXPECT_EQ(Caret(), (TPoint{2, 1})) << "CR LF is one step";
  Key(VK_BACK);
  Key(VK_DELETE);
  EXPECT_EQ(Memo->Lines()->Text(), "abcdef\r\nxlong line\r\n");
}

TEST_F(MemoTest, ReturnsAndTabsAsWanted) {
  EXPECT_EQ(Memo->Perform(WM_GETDLGCODE) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
  Memo->SetWantReturns(false);
  Memo->SetWantTabs(true);
  EXPECT_EQ(Memo->Perform(WM_GETDLGCODE) & (DLGC_WANTALLKEYS | DLGC_WANTTAB), DLGC_WANTTAB);
  Type("a");
  Key(VK_RETURN);
  Key(VK_TAB);
  Key(VK_RETURN, true);
  Type("b");
  EXPECT_EQ(Memo->Text(), "a\t\r\nb") << "Enter is the form's; Ctrl+Enter breaks";
}

TEST_F(MemoTest, WordWrapPagesAndScrollBars) {
  Memo->SetScrollBars(ssVertical);
  ASSERT_NE(GetWindowStyle(Memo->Handle()) & WS_VSCROLL, 0u);
  // 6-pixel characters in a narrow memo: the words wrap.
  std::string words;
  for (int i = 0; i < 60; ++i) words += "word ";
  Memo->SetText(words);
  EXPECT_EQ(Memo->Lines()->Count(), 1);
  int display = static_cast<int>(Memo->Perform(EM_GETLINECOUNT));
  EXPECT_GT(display, 10);
  for (int i = 0; i < display; ++i) {
    int start = static_cast<int>(Memo->Perform(EM_LINEINDEX, i));
    EXPECT_TRUE(start == 0 || Memo->Text()[static_cast<std::size_t>(start - 1)] == ' ')
        << "line " << i << " starts a word";
  }
  Key(VK_NEXT);
  int top = static_cast<int>(Memo->Perform(EM_GETFIRSTVISIBLELINE));
  EXPECT_GT(top, 0);
  EXPECT_GT(Caret().Y, 0);
  Key(VK_END, true);
  TScrollInfo si;
  si.fMask = SIF_ALL;
  GetScrollInfo(Memo->Handle(), SB_VERT, si);
  EXPECT_EQ(si.nMax, display - 1);
  EXPECT_EQ(si.nPos, static_cast<int>(Memo->Perform(EM_GETFIRSTVISIBLELINE)));
  EXPECT_EQ(si.nPos + static_cast<int>(si.nPage), display) << "the last line at the bottom";
  Memo->Perform(WM_VSCROLL, SB_TOP);
  EXPECT_EQ(Memo->Perform(EM_GETFIRSTVISIBLELINE), 0);

  Memo->SetWordWrap(false);
  EXPECT_EQ(Memo->Perform(EM_GETLINECOUNT), 1);
}

}  // namespace
