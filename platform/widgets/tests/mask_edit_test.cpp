#include "platform/widgets/mask_edit.h"

#include <gtest/gtest.h>

#include "platform/base/format_settings.h"
#include "platform/base/text.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/grid_inplace_edit.h"
#include "platform/widgets/string_grid.h"

namespace {

// The program's masks.
constexpr const char* kDate = "!99/99/9999;1; ";
constexpr const char* kSnils = "999\\-999\\-999 99;1;_";
constexpr const char* kRate = "9.999";
constexpr const char* kTwo = "99";

class MaskEditTest : public GuiTest {
 protected:
  MaskEditTest() {
    SetClipboardTextHandler({[this] { return Clip; }, [this](const std::string& s) { Clip = s; }});
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 300, 200);
    Other = Create<TEdit>(Form);
    Other->SetParent(Form);
    Edit = Create<TMaskEdit>(Form);
    Edit->SetParent(Form);
    Edit->SetTop(40);
    Edit->OnChange = [this](TObject*) { ++Changes; };
    Form->Show();
    Edit->SetFocus();
  }
  ~MaskEditTest() override {
    Form->Free();
    SetClipboardTextHandler({});
  }
  void Type(std::string_view s) { TypeText(s); }
  void Key(unsigned vk, TShiftState shift = {}) { PressKey(vk, shift); }
  // Runs "keys": letters and digits are typed; '<' '>' are Left and Right,
  // 'H' 'E' Home and End, 'D' Delete, 'B' Backspace, 'X' 'C' 'V' 'Z' the
  // Ctrl chords; everything between quotes is typed as is.
  void Run(std::string_view keys) {
    bool quoted = false;
    for (char c : keys) {
      if (c == '"') {
        quoted = !quoted;
      } else if (quoted) {
        Type(std::string(1, c));
      } else if (c == '<') {
        Key(VK_LEFT);
      } else if (c == '>') {
        Key(VK_RIGHT);
      } else if (c == 'H') {
        Key(VK_HOME);
      } else if (c == 'E') {
        Key(VK_END);
      } else if (c == 'D') {
        Key(VK_DELETE);
      } else if (c == 'B') {
        Key(VK_BACK);
      } else if (c == 'X' || c == 'C' || c == 'V' || c == 'Z') {
        Key(static_cast<unsigned>(c), {ssCtrl});
      } else {
        Type(std::string(1, c));
      }
    }
  }
  // The edit text with [ ] around the selection (the masked caret is its
  // one selected character) and | at a caret with nothing selected.
  std::string Shown() const {
    std::u32string t = Utf8ToUtf32(Edit->EditText());
    int a = Edit->SelStart();
    int b = a + Edit->SelLength();
    std::u32string out = t.substr(0, static_cast<std::size_t>(a));
    if (a == b) return Utf32ToUtf8(out + U"|" + t.substr(static_cast<std::size_t>(a)));
    out += U"[" + t.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)) + U"]";
    return Utf32ToUtf8(out + t.substr(static_cast<std::size_t>(b)));
  }
  void Start(const char* mask, const std::string& text = {}) {
    Edit->SetEditMask(mask);
    Edit->SetText(text);
    Edit->SetSel(0, 1);  // the masked caret at the start
  }

  TForm* Form = nullptr;
  TEdit* Other = nullptr;
  TMaskEdit* Edit = nullptr;
  std::string Clip;
  int Changes = 0;
};

TEST_F(MaskEditTest, EmptyTextAndValueOfTheProgramsMasks) {
  struct Case {
    const char* Mask;
    const char* EditText;
    const char* Text;
  };
  const Case cases[] = {
      {kDate, "  .  .    ", "  .  .    "},
      {kSnils, "___-___-___ __", "   -   -      "},
      {kRate, "_.___", " .   "},
      // Saved literals: the value is formatted again, blanks as spaces.
      {kTwo, "__", "  "},
  };
  for (const Case& c : cases) {
    Edit->SetEditMask(c.Mask);
    Edit->SetText("");
    EXPECT_TRUE(Edit->IsMasked());
    EXPECT_EQ(Edit->EditText(), c.EditText) << c.Mask;
    EXPECT_EQ(Edit->Text(), c.Text) << c.Mask;
  }
  Edit->SetEditMask("");
  EXPECT_FALSE(Edit->IsMasked());
}

TEST_F(MaskEditTest, TheDateMaskFollowsTheDateSeparator) {
  TFormatSettingsOverride keep;
  FormatSettings.DateSeparator = '/';
  Edit->SetEditMask(kDate);
  EXPECT_EQ(Edit->EditText(), "  /  /    ");
}

TEST_F(MaskEditTest, TypingDeletingAndMovingTables) {
  struct Case {
    const char* Mask;
    const char* Text;  // set before the keys, caret at 0
    const char* Keys;
    const char* Shown;
    const char* Value;  // Text afterwards
  };
  const Case cases[] = {
      // Typing overwrites and steps over literals.
      {kDate, "", "01022006", "01.02.2006|", "01.02.2006"},
      {kDate, "", "0", "0[ ].  .    ", "0 .  .    "},
      {kDate, "", "01", "01.[ ] .    ", "01.  .    "},
      // A separator typed early jumps to the next section; typing the
      // literal the caret stands on steps over it.
      {kDate, "", "1.2.2006", "1 .2 .2006|", "1 .2 .2006"},
      {kDate, "", "12.", "12.[ ] .    ", "12.  .    "},
      // Forbidden characters change nothing; at the end nothing goes in.
      {kDate, "", "a/-0", "0[ ].  .    ", "0 .  .    "},
      {kTwo, "12", "E3", "12|", "12"},
      {kSnils, "", "12345678901", "123-456-789 01|", "123-456-789 01"},
      {kSnils, "", "123-456", "123-456-[_]__ __", "123-456-      "},
      {kRate, "", "1234", "1.234|", "1.234"},
      {kRate, "", "1.5", "1.5[_]_", "1.5  "},
      {kTwo, "", "5", "5[_]", "5 "},
      // Arrows skip literals and show the caret's character.
      {kDate, "01.02.2006", ">", "0[1].02.2006", "01.02.2006"},
      {kDate, "01.02.2006", ">>", "01.[0]2.2006", "01.02.2006"},
      {kDate, "01.02.2006", ">><", "0[1].02.2006", "01.02.2006"},
      {kDate, "01.02.2006", "E", "01.02.2006|", "01.02.2006"},
      {kDate, "01.02.2006", "E<", "01.02.200[6]", "01.02.2006"},
      {kDate, "01.02.2006", "E<H", "[0]1.02.2006", "01.02.2006"},
      {kSnils, "123-456-789 01", "EH>>>", "123-[4]56-789 01", "123-456-789 01"},
      // Delete blanks the caret's character; Backspace the one before,
      // skipping literals; the others never move.
      {kDate, "01.02.2006", ">>D", "01.[ ]2.2006", "01. 2.2006"},
      {kDate, "01.02.2006", ">>B", "0[ ].02.2006", "0 .02.2006"},
      {kDate, "01.02.2006", "EB", "01.02.200[ ]", "01.02.200 "},
      {kDate, "01.02.2006", "EBBBBB", "01.0[ ].    ", "01.0 .    "},
      {kDate, "01.02.2006", "B", "[0]1.02.2006", "01.02.2006"},
      {kSnils, "123-456-789 01", "EBBB", "123-456-78[_] __", ""},
      {kRate, "1.234", ">B", "[_].234", " .234"},
      // Typing after deleting fills the blank again.
      {kSnils, "123-456-789 01", ">>>D7", "123-7[5]6-789 01", "123-756-789 01"},
  };
  for (const Case& c : cases) {
    Start(c.Mask, c.Text);
    Run(c.Keys);
    EXPECT_EQ(Shown(), c.Shown) << c.Mask << " keys " << c.Keys;
    if (*c.Value != 0) {
      EXPECT_EQ(Edit->Text(), c.Value) << c.Mask << " keys " << c.Keys;
    }
  }
}

TEST_F(MaskEditTest, SelectionTypingCutPasteAndUndo) {
  Start(kSnils, "123-456-789 01");
  // Typing over a selection blanks it and types at its first position.
  Edit->SetSel(2, 9);
  Type("9");
  EXPECT_EQ(Shown(), "129-[_]__-_89 01");
  // Cut takes the edit text of the selection and blanks the positions.
  Edit->SetSel(9, 14);
  Key('X', {ssCtrl});
  EXPECT_EQ(Clip, "89 01");
  EXPECT_EQ(Edit->EditText(), "129-___-___ __");
  // Undo gives back the step before.
  Key('Z', {ssCtrl});
  EXPECT_EQ(Edit->EditText(), "129-___-_89 01");
  // Paste types character by character: literals in the clipboard are
  // stepped over, characters the mask refuses are skipped.
  Clip = "45a6-7";
  Edit->SetSel(4, 4);
  Key('V', {ssCtrl});
  EXPECT_EQ(Shown(), "129-456-7[8]9 01");
  // Pasting over a selection replaces it; Shift+Insert pastes too.
  Clip = "555";
  Edit->SetSel(0, 14);
  Key(VK_INSERT, {ssShift});
  EXPECT_EQ(Shown(), "555-[_]__-___ __");
  EXPECT_EQ(Edit->Text(), "555-   -      ");
  // Nothing the mask takes: the text stays.
  Clip = "abc";
  Key('V', {ssCtrl});
  EXPECT_EQ(Edit->EditText(), "555-___-___ __");
  // Copy copies the selected edit text; Clear blanks it.
  Start(kDate, "01.02.2006");
  Edit->SetSel(0, 5);
  Key('C', {ssCtrl});
  EXPECT_EQ(Clip, "01.02");
  Edit->ClearSelection();
  EXPECT_EQ(Shown(), "[ ] .  .2006");
  // Shift+arrows select; the caret's character stays selected.
  Start(kDate, "01.02.2006");
  Run(">>>");
  Key(VK_RIGHT, {ssShift});
  EXPECT_EQ(Shown(), "01.0[2.]2006");
  Start(kDate, "01.02.2006");
  Run(">>>");
  Key(VK_LEFT, {ssShift});
  EXPECT_EQ(Shown(), "01.[02].2006");
  Key(VK_END, {ssShift});
  EXPECT_EQ(Shown(), "01.02[.2006]") << "from the anchor";
}

TEST_F(MaskEditTest, TextAndEditTextWithAndWithoutLiterals) {
  struct Case {
    const char* Mask;
    const char* Text;
    const char* EditText;
    const char* Value;
  };
  const Case cases[] = {
      {"999\\-999;0;_", "123456", "123-456", "123456"},
      {"999\\-999;1;_", "123-456", "123-456", "123-456"},
      {"999\\-999;0;_", "12", "12_-___", "12"},
      {kDate, "1.02.2006", " 1.02.2006", " 1.02.2006"},
      {kDate, "", "  .  .    ", "  .  .    "},
      {">LL", "ab", "AB", "AB"},
  };
  for (const Case& c : cases) {
    Edit->SetEditMask(c.Mask);
    Edit->SetText(c.Text);
    EXPECT_EQ(Edit->EditText(), c.EditText) << c.Mask << " " << c.Text;
    EXPECT_EQ(Edit->Text(), c.Value) << c.Mask << " " << c.Text;
    EXPECT_FALSE(Edit->Modified());
  }
  // A new mask keeps the value.
  Edit->SetEditMask("");
  Edit->SetText("01.02.2006");
  Edit->SetEditMask(kDate);
  EXPECT_EQ(Edit->EditText(), "01.02.2006");
  Edit->SetEditMask("");
  EXPECT_EQ(Edit->Text(), "01.02.2006");
  // The window's text is the edit text.
  Edit->SetEditMask("999\\-999;0;_");
  Edit->SetEditText("123-45");
  EXPECT_EQ(Edit->EditText(), "123-45_") << "made as long as the mask";
  std::string window;
  Edit->Perform(WM_GETTEXT, 0, AsParam(&window));
  EXPECT_EQ(window, "123-45_");
  EXPECT_EQ(Edit->Text(), "12345");
}

TEST_F(MaskEditTest, ChangeModifiedEscapeAndReadOnly) {
  Start(kTwo, "12");
  Other->SetFocus();
  Edit->SetFocus();
  Changes = 0;
  Run("E<7");
  EXPECT_EQ(Edit->Text(), "17");
  EXPECT_TRUE(Edit->Modified());
  EXPECT_EQ(Changes, 1);
  // While modified the box wants Esc, which gives back the text it had
  // when it got the focus.
  EXPECT_EQ(Edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  Type("\x1b");
  EXPECT_EQ(Edit->Text(), "12");
  EXPECT_FALSE(Edit->Modified());
  EXPECT_EQ(Edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 0);
  // Read-only refuses typing, deleting and pasting.
  Edit->SetReadOnly(true);
  Clip = "99";
  Run("H5DB");
  Key('V', {ssCtrl});
  EXPECT_EQ(Edit->EditText(), "12");
  EXPECT_FALSE(Edit->Modified());
}

TEST_F(MaskEditTest, ValidationPutsTheCaretOnTheFirstWrongPosition) {
  // The program's masks have only optional positions: never wrong.
  for (const char* mask : {kDate, kSnils, kRate, kTwo}) {
    Start(mask);
    Type("1");
    EXPECT_NO_THROW(Edit->ValidateEdit()) << mask;
  }
  Start("00/00/0000;1;_");
  Run("0102");
  try {
    Edit->ValidateEdit();
    ADD_FAILURE() << "no exception";
  } catch (const EDBEditError& e) {
    EXPECT_EQ(e.Message(), "Invalid input value.  Use escape key to abandon changes");
  }
  EXPECT_EQ(Shown(), "01.02.[_]___");
  // Leaving the box validates; the box keeps the focus.
  Edit->SetSel(0, 0);
  EXPECT_THROW(Other->SetFocus(), EDBEditError);
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Shown(), "01.02.[_]___");
  Type("2006");
  Other->SetFocus();
  EXPECT_TRUE(Other->Focused());
  // An unmodified text is not checked.
  Edit->SetText("");
  EXPECT_NO_THROW(Edit->ValidateEdit());
}

// --- the grid's in-place editor

class TMaskGrid : public TStringGrid {
  MEBRATH_CLASS(TMaskGrid, TStringGrid)
 protected:
  explicit TMaskGrid(TComponent* owner) : TStringGrid(owner) {}
};

class InplaceMaskTest : public GuiTest {
 protected:
  InplaceMaskTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 600, 400);
    Grid = Create<TMaskGrid>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetColCount(4);
    Grid->SetRowCount(4);
    Grid->SetOptions(Grid->Options() + goEditing);
    Grid->OnGetEditMask = [](TObject*, int col, int, std::string& value) {
      if (col == 1) value = kTwo;
      if (col == 2) value = kDate;
    };
    Grid->SetCells(1, 1, "12");
    Grid->SetCells(2, 1, "01.02.2006");
    Form->Show();
    Grid->SetFocus();
  }
  ~InplaceMaskTest() override { Form->Free(); }
  void Key(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
    Application->ProcessMessages();
  }
  void Type(std::string_view s) { TypeText(s); }

  TForm* Form = nullptr;
  TMaskGrid* Grid = nullptr;
};

TEST_F(InplaceMaskTest, TheCellsMaskGovernsTheEditor) {
  Key(VK_F2);
  TInplaceEdit* editor = Grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->EditMask(), kTwo);
  EXPECT_EQ(editor->EditText(), "12");
  // All is selected: the first character typed blanks it.
  Type("3");
  EXPECT_EQ(editor->EditText(), "3_");
  EXPECT_EQ(Grid->Cells(1, 1), "3 ") << "the grid receives the value";
  Type("x4");
  EXPECT_EQ(Grid->Cells(1, 1), "34");
  // At the end of the text Right leaves for the next cell, whose mask
  // shows the date.
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->Col(), 2);
  Key(VK_F2);
  EXPECT_EQ(editor->EditMask(), kDate);
  EXPECT_EQ(editor->EditText(), "01.02.2006");
  editor->SetSelStart(0);
  Type("15");
  EXPECT_EQ(Grid->Cells(2, 1), "15.02.2006");
  // Esc gives back the cell's text from before editing.
  Key(VK_ESCAPE);
  EXPECT_EQ(Grid->Cells(2, 1), "01.02.2006");
  // A cell without a mask edits freely.
  Grid->SetCol(3);
  Type("ab");
  EXPECT_EQ(editor->EditMask(), "");
  EXPECT_EQ(Grid->Cells(3, 1), "ab");
}

}  // namespace
