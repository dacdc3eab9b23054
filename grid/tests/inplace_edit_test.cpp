#include "grid/inplace_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/db_grid.h"
#include "grid_test_support.h"
#include "platform/base/clock.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

// A child table of a card: sex from a pick list, a weight, a date, a code
// shown through a key list and a name looked up by id.
class InplaceEditTest : public GuiTest {
 protected:
  InplaceEditTest() {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.DateSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    SetClock([] { return EncodeDate(2026, 3, 14) + 0.5; });
    Names = CreateUnique<TmemDs>();
    AddTestField<TIntegerField>(Names.get(), "CODE");
    AddTestField<TStringField>(Names.get(), "TITLE", 20);
    Names->Open();
    for (const auto& [code, title] : std::vector<std::pair<int, std::string>>{
             {1, "Иванова"}, {2, "Петрова"}, {3, "Сидорова"}}) {
      Names->Append();
      Names->FieldByName("CODE")->SetAsInteger(code);
      Names->FieldByName("TITLE")->SetAsString(title);
      Names->Post();
    }
    Ds = CreateUnique<TmemDs>();
    Sex = AddTestField<TStringField>(Ds.get(), "SEX", 1);
    Weight = AddTestField<TFloatField>(Ds.get(), "W");
    Born = AddTestField<TDateField>(Ds.get(), "D");
    Code = AddTestField<TStringField>(Ds.get(), "K", 2);
    Id = AddTestField<TIntegerField>(Ds.get(), "ID");
    Title = Create<TStringField>(Ds.get());
    Title->SetFieldName("NAME");
    Title->SetSize(20);
    Title->SetFieldKind(fkLookup);
    Title->SetLookupDataSet(Names.get());
    Title->SetKeyFields("ID");
    Title->SetLookupKeyFields("CODE");
    Title->SetLookupResultField("TITLE");
    Title->SetDataSet(Ds.get());
    Ds->Open();
    for (int i = 0; i < 3; ++i) {
      Ds->Append();
      Sex->SetAsString("М");
      Weight->SetAsFloat(3.1);
      Code->SetAsString("10");
      Id->SetAsInteger(1);
      Ds->Post();
    }
    Ds->First();
    Source = CreateUnique<TDataSource>();
    Source->SetDataSet(Ds.get());
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    for (const char* name : {"SEX", "W", "D", "K", "NAME"})
      Grid->Columns()->Add()->SetFieldName(name);
    SexCol()->PickList()->SetText("М\nЖ");
    KeyCol()->PickList()->SetText("десять\nдвадцать");
    KeyCol()->KeyList()->SetText("10\n20");
    Grid->SetDataSource(Source.get());
    Form->Show();
    Form->SetActiveControl(Grid);
    Grid->SetFocus();
  }
  ~InplaceEditTest() override {
    Form->Free();
    Source.reset();
    SetClock(nullptr);
  }
  TColumnEh* Col(int i) { return Grid->Columns()->Items(i); }
  TColumnEh* SexCol() { return Col(0); }
  TColumnEh* KeyCol() { return Col(3); }
  // Shows the editor on data column `i`.
  TDBGridInplaceEdit* EditColumn(int i) {
    Grid->SetSelectedIndex(i);
    Grid->SetEditorMode(true);
    return Editor();
  }
  void AltKey(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, VK_MENU);
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
    HostKeyEvent(WM_KEYUP, VK_MENU);
    Application->ProcessMessages();
  }
  TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor()); }

  TObjectPtr<TmemDs> Names;
  TObjectPtr<TmemDs> Ds;
  TStringField* Sex;
  TFloatField* Weight;
  TDateField* Born;
  TStringField* Code;
  TIntegerField* Id;
  TStringField* Title;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

TEST_F(InplaceEditTest, EditStyleFollowsTheColumn) {
  struct Case {
    const char* what;
    int column;
    TColumnButtonStyleEh style;
    bool columnReadOnly;
    bool keyReadOnly;
    TDBGridEditStyleEh expected;
  };
  const Case cases[] = {
      {"pick list", 0, cbsAuto, false, false, kEditStylePickList},
      {"read-only pick list", 0, cbsAuto, true, false, kEditStyleSimple},
      {"a number", 1, cbsAuto, false, false, kEditStyleSimple},
      {"a date", 2, cbsAuto, false, false, kEditStyleDate},
      {"read-only date", 2, cbsAuto, true, false, kEditStyleSimple},
      {"lookup", 4, cbsAuto, false, false, kEditStyleDataList},
      {"lookup, key read-only", 4, cbsAuto, false, true, kEditStyleSimple},
      {"ellipsis", 1, cbsEllipsis, false, false, kEditStyleEllipsis},
      {"up-down", 1, cbsUpDown, false, false, kEditStyleUpDown},
      {"drop-down", 1, cbsDropDown, false, false, kEditStyleDropDown},
      {"none on a pick list", 0, cbsNone, false, false, kEditStyleSimple},
  };
  for (const Case& c : cases) {
    TColumnEh* column = Col(c.column);
    column->SetButtonStyle(c.style);
    column->SetReadOnly(c.columnReadOnly);
    Id->SetReadOnly(c.keyReadOnly);
    EXPECT_EQ(DBGridEditStyleOf(column), c.expected) << c.what;
    column->SetButtonStyle(cbsAuto);
    column->SetReadOnly(false);
    Id->SetReadOnly(false);
  }
  EXPECT_EQ(DBGridEditStyleOf(nullptr), kEditStyleSimple);
}

TEST_F(InplaceEditTest, RectWidthAndStartDateRules) {
  EXPECT_EQ(DBGridEditRect(100, 20, true, 10, 0, 0), Rect(2, 1, 98, 19));
  EXPECT_EQ(DBGridEditRect(100, 20, false, 10, 17, 0), Rect(2, 2, 81, 20));
  EXPECT_EQ(DBGridEditRect(100, 20, true, 19, 0, 19), Rect(21, 1, 98, 20)) << "tall text";
  struct WidthCase {
    int dropDownWidth, fit, editor, expected;
  };
  for (const WidthCase& c : std::vector<WidthCase>{{-1, 240, 80, 240},
                                                   {0, 240, 80, 80},
                                                   {-5, 240, 80, 80},
                                                   {150, 240, 80, 150},
                                                   {50, 240, 80, 80},
                                                   {-1, 40, 80, 80}})
    EXPECT_EQ(DBGridDropDownWidth(c.dropDownWidth, c.fit, c.editor), c.expected)
        << c.dropDownWidth << " " << c.fit;
  const TDateTime today = EncodeDate(2026, 3, 14) + 0.25;
  const TDateTime value = EncodeDate(2025, 1, 2) + 0.5;
  struct DateCase {
    const char* text;
    TDateTime value;
    TDateTime expected;
  };
  for (const DateCase& c : std::vector<DateCase>{{"", value, EncodeDate(2026, 3, 14)},
                                                 {"  .  .    ", value, EncodeDate(2025, 1, 2)},
                                                 {"05.06.2024", value, EncodeDate(2024, 6, 5)},
                                                 {"31.02.2024", 0, EncodeDate(2026, 3, 14)}})
    EXPECT_EQ(DBGridCalendarStartDate(c.text, c.value, today), c.expected) << c.text;
}

TEST_F(InplaceEditTest, PickListDropsDownAndWritesTheChosenItem) {
  TDBGridInplaceEdit* e = EditColumn(0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->EditStyle(), kEditStylePickList);
  EXPECT_GT(e->ButtonWidth(), 0);
  EXPECT_LT(e->EditRect().Right, e->Width() - e->ButtonWidth() + 1);
  AltKey(VK_DOWN);
  ASSERT_TRUE(e->ListVisible());
  EXPECT_EQ(e->PickList()->ItemIndex(), 0) << "the current text is selected";
  EXPECT_GE(e->PickList()->Width(), e->Width());
  PressKey(VK_DOWN);
  EXPECT_EQ(e->Text(), "Ж") << "the text follows the list";
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(e->Text(), "М") << "Esc restores the text";
  EXPECT_TRUE(Grid->EditorMode());
  AltKey(VK_DOWN);
  PressKey(VK_DOWN);
  AltKey(VK_DOWN);  // the second Alt+Down closes accepting
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(e->Text(), "Ж");
  EXPECT_EQ(Ds->State(), dsEdit);
  EXPECT_TRUE(Grid->EditorMode());
  PressKey(VK_DOWN);  // the next record
  EXPECT_EQ(Ds->RecNo(), 2);
  Ds->First();
  EXPECT_EQ(Sex->AsString(), "Ж");
}

TEST_F(InplaceEditTest, TypingCompletesFromThePickListAndRejectsTheRest) {
  TDBGridInplaceEdit* e = EditColumn(0);
  e->SelectAll();
  TypeText("ж");
  EXPECT_EQ(e->Text(), "Ж");
  TypeText("q");
  EXPECT_EQ(e->Text(), "Ж") << "not in the list: rejected";
  SexCol()->OnNotInList = [](TObject*, const std::string&, bool&) {};
  e->SelectAll();
  TypeText("q");
  EXPECT_EQ(e->Text(), "q") << "with a not-in-list handler the text stays";
}

TEST_F(InplaceEditTest, CalendarOpensOnTodayForAnEmptyDateAndWritesTheDay) {
  TDBGridInplaceEdit* e = EditColumn(2);
  EXPECT_EQ(e->EditStyle(), kEditStyleDate);
  PressKey(VK_RETURN, {ssCtrl});
  ASSERT_TRUE(e->ListVisible());
  EXPECT_EQ(e->Calendar()->Date(), EncodeDate(2026, 3, 14));
  PressKey(VK_RIGHT);
  PressKey(VK_RETURN);
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(Born->AsDateTime(), EncodeDate(2026, 3, 15));
  EXPECT_EQ(e->Text(), "15.03.2026");
  EXPECT_TRUE(Grid->EditorMode());
  PressKey(VK_DOWN);
  Ds->First();
  EXPECT_EQ(Born->AsDateTime(), EncodeDate(2026, 3, 15));
}

TEST_F(InplaceEditTest, CalculatorTakesTheTextAndGivesItsValue) {
  Col(1)->SetButtonStyle(cbsDropDown);
  TDBGridInplaceEdit* e = EditColumn(1);
  EXPECT_EQ(e->EditStyle(), kEditStyleDropDown);
  e->DropDown();
  ASSERT_TRUE(e->ListVisible());
  EXPECT_DOUBLE_EQ(e->Calculator()->Value(), 3.1);
  TypeText("*2=");
  PressKey(VK_RETURN);
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(e->Text(), "6.2");
}

TEST_F(InplaceEditTest, UpDownStepsByTheIncrement) {
  Col(1)->SetButtonStyle(cbsUpDown);
  Col(1)->SetIncrement(0.5);
  TDBGridInplaceEdit* e = EditColumn(1);
  e->EditButtonClick(true);
  EXPECT_DOUBLE_EQ(Weight->AsFloat(), 3.6);
  EXPECT_EQ(e->Text(), "3.6");
  e->SelectAll();
  TypeText("1");
  e->EditButtonClick(false);
  EXPECT_DOUBLE_EQ(Weight->AsFloat(), 0.5) << "the typed text is written first";
}

TEST_F(InplaceEditTest, WeightMaskTakesDigitsOnly) {
  Col(1)->SetEditMask("9.999;1; ");
  TDBGridInplaceEdit* e = EditColumn(1);
  e->SelectAll();
  e->SetSelStart(0);
  TypeText("3450");
  EXPECT_EQ(e->Text(), "3.450");
  PressKey(VK_DOWN);
  Ds->First();
  EXPECT_DOUBLE_EQ(Weight->AsFloat(), 3.45);
}

TEST_F(InplaceEditTest, KeyListWritesKeys) {
  struct Case {
    const char* what;
    std::string text;
    bool handler;
    bool adds;
    const char* expected;  // the field's text afterwards
  };
  const Case cases[] = {
      {"in the list", "двадцать", false, false, "20"},
      {"empty text", "", false, false, ""},
      {"not in the list, handler adds it", "тридцать", true, true, "30"},
      {"not in the list, handler leaves it", "тридцать", true, false, ""},
  };
  for (const Case& c : cases) {
    KeyCol()->PickList()->SetText("десять\nдвадцать");
    KeyCol()->KeyList()->SetText("10\n20");
    KeyCol()->OnNotInList = nullptr;
    if (c.handler)
      KeyCol()->OnNotInList = [&](TObject*, const std::string& text, bool& recheck) {
        if (!c.adds) return;
        KeyCol()->PickList()->Add(text);
        KeyCol()->KeyList()->Add("30");
        recheck = true;
      };
    Ds->First();
    Ds->Edit();
    EditColumn(3)->SetText(c.text);
    Ds->Post();
    EXPECT_EQ(Code->Text(), c.expected) << c.what;
  }
}

TEST_F(InplaceEditTest, DeleteAtTheEndClearsAKeyListCell) {
  TDBGridInplaceEdit* e = EditColumn(3);
  EXPECT_EQ(e->Text(), "десять");
  e->SetSelStart(Length(e->Text()));
  e->SetSelLength(0);
  PressKey(VK_DELETE);
  EXPECT_EQ(e->Text(), "");
  EXPECT_EQ(KeyCol()->GetCellKind(), ctKeyPickList);
  EXPECT_EQ(Ds->State(), dsEdit);
  PressKey(VK_DOWN);
  Ds->First();
  EXPECT_EQ(Code->AsString(), "");
}

TEST_F(InplaceEditTest, LookupTypingPicksTheKeyAndNotInListCanAddOne) {
  TDBGridInplaceEdit* e = EditColumn(4);
  EXPECT_EQ(e->EditStyle(), kEditStyleDataList);
  e->SelectAll();
  TypeText("п");
  EXPECT_EQ(e->Text(), "Петрова");
  EXPECT_EQ(e->SelText(), "етрова");
  PressKey(VK_DOWN);
  Ds->First();
  EXPECT_EQ(Id->AsInteger(), 2);

  // Typed text that no record holds: only a handler can make it a key.
  Ds->First();
  Ds->Edit();
  EditColumn(4)->SetText("Смирнова");
  int fired = 0;
  Col(4)->OnNotInList = [&](TObject*, const std::string& text, bool& recheck) {
    ++fired;
    Names->Append();
    Names->FieldByName("CODE")->SetAsInteger(4);
    Names->FieldByName("TITLE")->SetAsString(text);
    Names->Post();
    recheck = true;
  };
  Ds->Post();
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(Id->AsInteger(), 4);
  EXPECT_EQ(Title->AsString(), "Смирнова");
}

TEST_F(InplaceEditTest, ARefusedValueKeepsTheEditorAndTheText) {
  Weight->OnValidate = [](TField* f) {
    if (f->AsFloat() > 10) throw EDatabaseError("Вес больше 10 кг");
  };
  TDBGridInplaceEdit* e = EditColumn(1);
  e->SelectAll();
  TypeText("12");
  PressKey(VK_DOWN);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find("Вес больше 10 кг"), std::string::npos);
  EXPECT_TRUE(Grid->EditorMode());
  EXPECT_EQ(e->Text(), "12");
  EXPECT_EQ(Ds->RecNo(), 1);
  e->SelectAll();
  TypeText("4");
  PressKey(VK_DOWN);
  EXPECT_EQ(Ds->RecNo(), 2);
  Ds->First();
  EXPECT_DOUBLE_EQ(Weight->AsFloat(), 4);
}

TEST_F(InplaceEditTest, RequiredMarkForAnEmptyRequiredField) {
  Born->SetRequired(true);
  Col(2)->SetHighlightRequired(true);
  TDBGridInplaceEdit* e = EditColumn(2);
  EXPECT_FALSE(e->RequiredMarkShown()) << "browsing";
  Ds->Edit();
  EXPECT_TRUE(e->RequiredMarkShown());
  bool seen = false;
  Col(2)->OnCheckDrawRequiredState = [&](TObject*, const std::string&, bool& draw) {
    seen = true;
    draw = false;
  };
  EXPECT_FALSE(e->RequiredMarkShown());
  EXPECT_TRUE(seen);
}

}  // namespace
