#include "controls/db_check_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls_test_support.h"

namespace {

class DBCheckBoxTest : public ControlsTest {
 protected:
  DBCheckBoxTest() {
    Form->Show();
    Box = Make<TDBCheckBoxEh>(Form, 10, 10);
    Box->SetCaption("Многоплодная");
    Other = Make<TKeyTaker>(Form, 10, 60);
    AddRow("A");
  }
  TDBCheckBoxEh* Box = nullptr;
  TKeyTaker* Other = nullptr;
};

TEST_F(DBCheckBoxTest, ReadsFieldsThroughTheValueLists) {
  struct Case {
    const char* field;
    const char* text;  // nullptr: null
    const char* checked;
    const char* unchecked;
    TCheckBoxState state;
  };
  const Case cases[] = {
      {"CNT", "1", "1", "0", cbChecked},
      {"CNT", "0", "1", "0", cbUnchecked},
      {"CNT", "7", "1", "0", cbGrayed},
      {"CNT", "0", "True", "False", cbGrayed},
      {"BDATE", nullptr, "1", "0", cbGrayed},
      {"NAME", "да", "Yes;ДА", "Нет", cbChecked},
      {"NAME", "нет", "Yes;ДА", "Нет", cbUnchecked},
      {"FLAG", "True", "1", "0", cbChecked},
      {"FLAG", "False", "1", "0", cbUnchecked},
  };
  Box->SetDataSource(Source);
  for (const Case& c : cases) {
    Table->Edit();
    TField* f = Table->FieldByName(c.field);
    if (c.text == nullptr) {
      f->Clear();
    } else {
      f->SetEditText(c.text);
    }
    Table->Post();
    Box->SetValueChecked(c.checked);
    Box->SetValueUnchecked(c.unchecked);
    Box->SetDataField(c.field);
    EXPECT_EQ(Box->State(), c.state) << c.field << " " << (c.text ? c.text : "null");
  }
}

TEST_F(DBCheckBoxTest, WritesTheFirstEntryOrTheBoolean) {
  Box->SetDataSource(Source);
  Box->SetValueChecked("Да;Yes");
  Box->SetValueUnchecked("Нет;No");
  Box->SetDataField("NAME");
  Box->SetStateValue(cbChecked);
  EXPECT_EQ(Table->State(), dsEdit);
  EXPECT_EQ(Name->AsString(), "Да");
  Box->SetStateValue(cbUnchecked);
  EXPECT_EQ(Name->AsString(), "Нет");
  Box->SetStateValue(cbGrayed);
  EXPECT_EQ(Name->AsString(), "");
  Box->SetDataField("FLAG");
  Box->SetStateValue(cbChecked);
  EXPECT_TRUE(Flag->AsBoolean());
  Box->SetValueChecked("1");
  Box->SetValueUnchecked("0");
  Box->SetDataField("CNT");
  Box->SetStateValue(cbChecked);
  EXPECT_EQ(Count->AsInteger(), 1);
  Box->SetCheckedValue(false);
  EXPECT_EQ(Count->AsInteger(), 0);
  // Handled in the event: the field stays.
  Box->OnUpdateData = [](TObject*, bool& handled) { handled = true; };
  Box->SetStateValue(cbChecked);
  EXPECT_EQ(Count->AsInteger(), 0);
}

TEST_F(DBCheckBoxTest, ClicksCycleAndPostOnExit) {
  Box->SetDataSource(Source);
  Box->SetValueChecked("1");
  Box->SetValueUnchecked("0");
  Box->SetDataField("CNT");
  EXPECT_EQ(Box->State(), cbUnchecked);
  int clicks = 0;
  Box->OnClick = [&](TObject*) { ++clicks; };
  ClickAt(Box, 5, 8);
  EXPECT_EQ(Box->State(), cbChecked);
  EXPECT_EQ(clicks, 1);
  ClickAt(Box, 5, 8);
  EXPECT_EQ(Box->State(), cbUnchecked);
  Box->SetAllowGrayed(true);
  ClickAt(Box, 5, 8);
  EXPECT_EQ(Box->State(), cbGrayed);
  ClickAt(Box, 5, 8);
  EXPECT_EQ(Box->State(), cbChecked);
  // Space toggles as well; leaving writes the field.
  Key(VK_SPACE);
  EXPECT_EQ(Box->State(), cbUnchecked);
  Key(VK_SPACE);
  EXPECT_EQ(Box->State(), cbGrayed);
  Key(VK_SPACE);
  Other->SetFocus();
  EXPECT_EQ(Table->State(), dsEdit);
  EXPECT_EQ(Count->AsString(), "1");
  // A grayed box (a value in neither list) without the grayed state: a
  // click checks it.
  Table->Post();
  Table->Edit();
  Count->SetAsInteger(7);
  Table->Post();
  Box->SetAllowGrayed(false);
  EXPECT_EQ(Box->State(), cbGrayed);
  ClickAt(Box, 5, 8);
  EXPECT_EQ(Box->State(), cbChecked);
}

TEST_F(DBCheckBoxTest, ReadOnlyAndUnlinkedBoxesIgnoreClicks) {
  Box->SetDataSource(Source);
  Box->SetDataField("FLAG");
  Box->SetReadOnly(true);
  TCheckBoxState before = Box->State();
  ClickAt(Box, 5, 8);
  EXPECT_EQ(Box->State(), before);
  EXPECT_EQ(Table->State(), dsBrowse);
  // A half-bound box ignores writes of State too.
  TDBCheckBoxEh* half = Make<TDBCheckBoxEh>(Form, 10, 30);
  half->SetDataField("FLAG");
  EXPECT_NO_THROW(half->SetStateValue(cbChecked));
  EXPECT_EQ(half->State(), cbGrayed);
  ClickAt(half, 5, 8);
  EXPECT_EQ(half->State(), cbGrayed);
}

TEST_F(DBCheckBoxTest, OwnValueModeKeepsTrueFalseOrNull) {
  EXPECT_EQ(Box->State(), cbUnchecked);
  Box->SetAllowGrayed(true);
  Box->SetStateValue(cbGrayed);
  EXPECT_TRUE(VarIsNull(Box->DataLink()->DataIndependentValue()));
  Box->SetStateValue(cbChecked);
  EXPECT_TRUE(Box->DataLink()->DataIndependentValue().AsBoolean());
  ClickAt(Box, 5, 8);
  EXPECT_EQ(Box->State(), cbUnchecked);
  Other->SetFocus();
  EXPECT_EQ(VarType(Box->DataLink()->DataIndependentValue()), varBoolean);
  EXPECT_FALSE(Box->DataLink()->DataIndependentValue().AsBoolean());
}

TEST_F(DBCheckBoxTest, EscapeRereadsAndIsWantedOnlyWhenChanged) {
  Box->SetDataSource(Source);
  Box->SetDataField("FLAG");
  Box->SetFocus();
  EXPECT_EQ(Box->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 0);
  Key(VK_SPACE);
  TCheckBoxState changed = Box->State();
  EXPECT_EQ(Box->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  Key(VK_ESCAPE);
  EXPECT_NE(Box->State(), changed);
  EXPECT_EQ(Box->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 0);
}

TEST_F(DBCheckBoxTest, PaintsTheBoxLeftOfTheCaption) {
  auto records = PaintForm();
  const TCanvasRecord* caption = FindText(records, "Многоплодная");
  ASSERT_NE(caption, nullptr);
  EXPECT_GE(caption->Rect.Left, Device(Box, 13 + 5).X);
  Box->SetAlignment(taLeftJustify);
  records = PaintForm();
  caption = FindText(records, "Многоплодная");
  ASSERT_NE(caption, nullptr);
  EXPECT_LT(caption->Rect.Left, Device(Box, 5).X);
}

}  // namespace
