#include "platform/widgets/std_edit.h"

#include <gtest/gtest.h>

#include "platform/base/text.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_lists.h"
#include "platform/widgets/std_memo.h"
#include "std_controls_test_support.h"

namespace {

class EditTest : public GuiTest {
 protected:
  EditTest() {
    SetClipboardTextHandler({[this] { return Clip; }, [this](const std::string& s) { Clip = s; }});
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 300, 200);
    Other = Create<TEdit>(Form);
    Other->SetParent(Form);
    Edit = Create<TEdit>(Form);
    Edit->SetParent(Form);
    Edit->SetTop(40);
    Edit->OnChange = [this](TObject*) { ++Changes; };
    Form->Show();
    Edit->SetFocus();
  }
  ~EditTest() override {
    Form->Free();
    SetClipboardTextHandler({});
  }
  void Type(std::string_view s) { TypeText(s); }
  // Presses `vk` with the modifiers held.
  void Key(unsigned vk, TShiftState shift = {}) { PressKey(vk, shift); }
  // "text" with [ ] around the selection and | at a caret with none.
  std::string Shown() const {
    std::u32string t = Utf8ToUtf32(Edit->Text());
    int a = Edit->SelStart();
    int b = a + Edit->SelLength();
    std::u32string out = t.substr(0, static_cast<std::size_t>(a));
    if (a == b) return Utf32ToUtf8(out + U"|" + t.substr(static_cast<std::size_t>(a)));
    out += U"[" + t.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)) + U"]";
    return Utf32ToUtf8(out + t.substr(static_cast<std::size_t>(b)));
  }
  int CaretX() { return GetXLParam(Edit->Perform(EM_POSFROMCHAR, Edit->CaretPos())); }

  TForm* Form = nullptr;
  TEdit* Other = nullptr;
  TEdit* Edit = nullptr;
  std::string Clip;
  int Changes = 0;
};

TEST_F(EditTest, KeyboardEditingAndSelection) {
  const TShiftState none;
  const TShiftState shift{ssShift};
  const TShiftState ctrl{ssCtrl};
  const TShiftState both{ssShift, ssCtrl};
  struct Step {
    unsigned Key;
    TShiftState Shift;
    const char* Typed;
    const char* Expect;
  };
  const Step steps[] = {
      {0, none, "hello world", "hello world|"},
      {VK_LEFT, none, nullptr, "hello worl|d"},
      {VK_LEFT, ctrl, nullptr, "hello |world"},
      {VK_LEFT, ctrl, nullptr, "|hello world"},
      {VK_RIGHT, both, nullptr, "[hello ]world"},
      {VK_RIGHT, none, nullptr, "hello |world"},
      {VK_END, shift, nullptr, "hello [world]"},
      {0, none, "мир", "hello мир|"},
      {VK_BACK, none, nullptr, "hello ми|"},
      {VK_HOME, none, nullptr, "|hello ми"},
      {VK_DELETE, none, nullptr, "|ello ми"},
      {VK_DELETE, ctrl, nullptr, "|ми"},
      {VK_RIGHT, shift, nullptr, "[м]и"},
      {VK_LEFT, none, nullptr, "|ми"},
      {VK_DOWN, none, nullptr, "м|и"},
      {VK_UP, none, nullptr, "|ми"},
  };
  for (const Step& s : steps) {
    if (s.Typed != nullptr) {
      Type(s.Typed);
    } else if (s.Key == VK_BACK) {
      Key(VK_BACK);
    } else {
      Key(s.Key, s.Shift);
    }
    EXPECT_EQ(Shown(), s.Expect) << "after key " << s.Key;
  }
  EXPECT_TRUE(Edit->Modified());
}

TEST_F(EditTest, ClipboardChordsAndMessages) {
  Edit->SetText("abc def");
  Edit->SetSel(0, 3);
  Key('C', {ssCtrl});
  EXPECT_EQ(Clip, "abc");
  Key(VK_END);
  Key('V', {ssCtrl});
  EXPECT_EQ(Shown(), "abc defabc|");
  Edit->SetSel(3, 7);
  Key(VK_DELETE, {ssShift});
  EXPECT_EQ(Clip, " def");
  EXPECT_EQ(Shown(), "abc|abc");
  Key(VK_INSERT, {ssShift});
  EXPECT_EQ(Shown(), "abc def|abc");
  Edit->SetSel(0, 1);
  Key(VK_INSERT, {ssCtrl});
  EXPECT_EQ(Clip, "a");
  Key('X', {ssCtrl});
  EXPECT_EQ(Shown(), "|bc defabc");
  EXPECT_EQ(Clip, "a");

  // A single line takes the first line of a pasted text.
  Clip = "one\r\ntwo";
  Edit->PasteFromClipboard();
  EXPECT_EQ(Shown(), "one|bc defabc");

  // Password edits give nothing away; read-only ones copy but do not change.
  Edit->SetPasswordChar(U'*');
  Edit->SelectAll();
  Clip = "x";
  Edit->CopyToClipboard();
  Edit->CutToClipboard();
  EXPECT_EQ(Clip, "x");
  EXPECT_EQ(Edit->Text(), "onebc defabc");
  Edit->SetPasswordChar(0);
  Edit->SetReadOnly(true);
  Edit->SetSel(0, 3);
  Key('C', {ssCtrl});
  EXPECT_EQ(Clip, "one");
  Key('V', {ssCtrl});
  Key('X', {ssCtrl});
  Type("z");
  Key(VK_DELETE);
  EXPECT_EQ(Edit->Text(), "onebc defabc");
  EXPECT_EQ(Edit->Perform(WM_GETDLGCODE), 137) << "arrows, characters and selection";
}

TEST_F(EditTest, MaxLengthCountsCharactersForTypingAndPaste) {
  Edit->SetMaxLength(5);
  Type("абвгдеж");
  EXPECT_EQ(Edit->Text(), "абвгд");
  Edit->SetSel(1, 3);
  Clip = "12345";
  Key('V', {ssCtrl});
  EXPECT_EQ(Shown(), "а12|гд") << "the paste is cut to the room left";
  // Setting the text is not limited, as in the classic control.
  Edit->SetText("1234567");
  EXPECT_EQ(Edit->Text(), "1234567");
  EXPECT_EQ(Edit->Perform(EM_GETLIMITTEXT), 5);
}

TEST_F(EditTest, UndoIsOneStepThatUndoingSwaps) {
  Type("abc");
  Type("d");
  EXPECT_TRUE(Edit->CanUndo());
  Key('Z', {ssCtrl});
  EXPECT_EQ(Edit->Text(), "") << "typing in a row is one step";
  Key('Z', {ssCtrl});
  EXPECT_EQ(Shown(), "abcd|") << "undoing the undo";
  Key(VK_LEFT);
  Key(VK_BACK);
  Key(VK_BACK);
  Edit->Undo();
  EXPECT_EQ(Edit->Text(), "abcd");
  Edit->SelectAll();
  Clip = "x";
  Edit->PasteFromClipboard();
  Edit->Perform(WM_UNDO);
  EXPECT_EQ(Edit->Text(), "abcd");
  Edit->SetText("new");
  EXPECT_FALSE(Edit->CanUndo()) << "setting the text clears the undo";
}

TEST_F(EditTest, CharCaseChangeAndModified) {
  Edit->SetText("Дом");
  EXPECT_FALSE(Edit->Modified());
  EXPECT_EQ(Changes, 1);
  Edit->SetCharCase(ecUpperCase);
  EXPECT_EQ(Edit->Text(), "ДОМ") << "the current text is converted";
  Key(VK_END);
  Type("ёж");
  EXPECT_EQ(Edit->Text(), "ДОМЁЖ");
  Edit->SetCharCase(ecLowerCase);
  EXPECT_EQ(Edit->Text(), "домёж");
  EXPECT_TRUE(Edit->Modified());
  EXPECT_EQ(Changes, 5) << "set, upper, two characters, lower";
  Edit->SetText("домёж");
  EXPECT_EQ(Changes, 5) << "no change, no event";
  // A handler that zeroes the character stops the edit from seeing it.
  Edit->OnKeyPress = [](TObject*, char32_t& key) {
    if (key == U'7') key = 0;
  };
  Type("172");
  EXPECT_EQ(Edit->Text(), "домёж12");
}

TEST_F(EditTest, AutoSelectOnTabButNotOnClick) {
  Other->SetText("first");
  Edit->SetText("second");
  Other->SetFocus();
  EXPECT_EQ(Other->SelLength(), 5);
  Key(VK_TAB);
  ASSERT_TRUE(Edit->Focused());
  EXPECT_EQ(Shown(), "[second]");
  Edit->SetAutoSelect(false);
  Key(VK_TAB, {ssShift});
  Key(VK_TAB);
  EXPECT_EQ(Edit->SelLength(), 6) << "the selection stays as it was";

  Other->SetSel(0, 0);
  Edit->SetFocus();
  TPoint p{GetXLParam(Other->Perform(EM_POSFROMCHAR, 2)), 5};
  Other->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(p));
  Other->Perform(WM_LBUTTONUP, 0, PointToLParam(p));
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(Other->SelStart(), 2);
  EXPECT_EQ(Other->SelLength(), 0);
}

TEST_F(EditTest, MouseSelectsByDragAndWordsByDoubleClick) {
  Edit->SetText("one two  three");
  auto xOf = [this](int pos) { return GetXLParam(Edit->Perform(EM_POSFROMCHAR, pos)); };
  Edit->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(xOf(1) + 1, 5));
  Edit->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(xOf(6) - 1, 5));
  Edit->Perform(WM_LBUTTONUP, 0, MakeLParam(xOf(6) - 1, 5));
  EXPECT_EQ(Shown(), "o[ne tw]o  three");
  Edit->Perform(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MakeLParam(xOf(9), 5));
  EXPECT_EQ(Shown(), "o[ne two  ]three") << "Shift extends from the anchor";
  Edit->Perform(WM_LBUTTONUP, 0, MakeLParam(xOf(9), 5));
  Edit->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(xOf(5), 5));
  EXPECT_EQ(Shown(), "one [two  ]three") << "the word and its blanks";
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretVisible) {
  TRect r;
  Edit->Perform(EM_GETRECT, 0, AsParam(&r));
  Edit->SetText(std::string(60, 'x'));
  Key(VK_END);
  EXPECT_GE(CaretX(), r.Left);
  EXPECT_LT(CaretX(), r.Right);
  EXPECT_LT(GetXLParam(Edit->Perform(EM_POSFROMCHAR, 0)), r.Left) << "the start scrolled away";
  Key(VK_HOME);
  EXPECT_EQ(CaretX(), r.Left);

  // A narrower formatting rectangle (room for buttons) scrolls sooner.
  TRect narrow = r;
  narrow.Right = r.Left + 30;
  Edit->Perform(EM_SETRECTNP, 0, AsParam(&narrow));
  Edit->SetSelStart(10);
  Edit->Perform(EM_SCROLLCARET);
  EXPECT_LT(CaretX(), narrow.Right);
  Edit->SetText("ab");
  Edit->SetAlignment(taRightJustify);
  EXPECT_EQ(GetXLParam(Edit->Perform(EM_POSFROMCHAR, 2)), narrow.Right - 1);
}

TEST_F(EditTest, MessagesSetAndReadTheSelection) {
  Edit->SetText("0123456789");
  Edit->Perform(EM_SETSEL, 2, 5);
  int a = 0, b = 0;
  Edit->Perform(EM_GETSEL, AsParam(&a), AsParam(&b));
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 5);
  std::string s = "ab";
  Edit->Perform(EM_REPLACESEL, 1, AsParam(&s));
  EXPECT_EQ(Shown(), "01ab|56789");
  Edit->Perform(EM_SETSEL, 0, -1);
  EXPECT_EQ(Edit->SelLength(), 9);
  Edit->Perform(EM_SETREADONLY, 1);
  EXPECT_TRUE(Edit->ReadOnly());
  Edit->SetSelText("Z");  // the property is not refused
  EXPECT_EQ(Edit->Text(), "Z");
  std::string got;
  Edit->Perform(WM_GETTEXT, 0, AsParam(&got));
  EXPECT_EQ(got, "Z");
}

TEST_F(EditTest, PaintsPasswordCharactersSelectionAndCaret) {
  Edit->SetText("abc");
  Edit->SetPasswordChar(U'*');
  Edit->SetSel(0, 1);
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, Rect(0, 0, 300, 200));
  bool stars = false, selected = false, plain = false;
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind != TRecordKind::Text) continue;
    if (r.Text == "***") stars = true;
    if (r.Text == "*" && r.Color == clHighlightText) selected = true;
    if (r.Text.find('a') != std::string::npos) plain = true;
  }
  EXPECT_TRUE(stars);
  EXPECT_TRUE(selected);
  EXPECT_FALSE(plain);
  EXPECT_EQ(Edit->Height(), 21) << "AutoSize: the font's height and the border";
}

class TextBoxesTest : public StdControlsTest {};

// Text in the boxes one types or picks in keeps clear of the border and
// starts at one column in all of them, so boxes stacked in a form line up.
TEST_F(TextBoxesTest, TextKeepsClearOfTheBorderAndLinesUp) {
  auto* edit = Make<TEdit>(Form, 10, 10);
  edit->SetText("Иванова");
  auto* memo = Make<TMemo>(Form, 10, 40);
  memo->Lines()->Add("Первая");
  auto* list = Make<TListBox>(Form, 10, 130);
  list->Items()->Add("Андреева");
  auto* combo = Make<TComboBox>(Form, 10, 230);
  combo->SetText("Свободный");
  Form->Show();
  auto records = PaintForm();
  const struct {
    TWinControl* control;
    const char* text;
    int top;  // at least; a list's rows start at its top, as ever
  } boxes[] = {
      {edit, "Иванова", 2}, {memo, "Первая", 2}, {list, "Андреева", 0}, {combo, "Свободный", 2}};
  for (const auto& b : boxes) {
    const TCanvasRecord* drawn = FindText(records, b.text);
    ASSERT_NE(drawn, nullptr) << b.text;
    TPoint client = Device(b.control);
    EXPECT_EQ(drawn->Rect.Left - client.X, 3) << b.text;
    EXPECT_GE(drawn->Rect.Top - client.Y, b.top) << b.text;
  }
}

}  // namespace
