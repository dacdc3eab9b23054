#include "report/preview/fr_combo.h"

#include <gtest/gtest.h>

#include "platform/widgets/tests/std_controls_test_support.h"

namespace {

class FrComboTest : public StdControlsTest {
 protected:
  TfrComboBox* Combo() {
    auto* c = Make<TfrComboBox>(Form, 10, 10);
    c->Items()->Add("январь");
    c->Items()->Add("февраль");
    Form->Show();
    return c;
  }
};

TEST(FrComboGeometry, EditButtonAndListPlaces) {
  EXPECT_EQ(frComboEditRect({100, 21}, 0, 11), Bounds(3, 3, 82, 15));
  EXPECT_EQ(frComboEditRect({100, 21}, 4, 11), Bounds(7, 3, 78, 15));
  EXPECT_EQ(frComboButtonRect({100, 21}, 11), Rect(87, 2, 98, 19));
  struct Case {
    int top, screen;
    bool upward;
    int listTop;
  } cases[] = {
      {100, 768, false, 121},  // room below: under the box
      {700, 768, true, 700 - 80 - 2},
      {613, 768, false, 634},  // 634 + 16 + 80 + 6 = 736 fits
      {650, 768, true, 650 - 80 - 2},
  };
  for (const Case& c : cases) {
    TfrComboListPlace p = frComboListPlacement(Bounds(40, c.top, 100, 21), 16, 80, c.screen);
    EXPECT_EQ(p.Upward, c.upward) << c.top;
    EXPECT_EQ(p.Bounds, Bounds(40, c.listTop, 99, 80)) << c.top;
  }
}

TEST_F(FrComboTest, NewBoxIsEditableAndHundredWide) {
  TfrComboBox* c = Combo();
  EXPECT_EQ(c->Width(), 100);
  EXPECT_EQ(c->Style(), csDropDown);
  EXPECT_FALSE(c->DropDownOnly());
  EXPECT_EQ(c->ItemHeight(), c->Canvas()->TextHeight("Ag"));
}

TEST_F(FrComboTest, DropDownOnlyCannotBeTypedIntoEvenWhenNotReadOnly) {
  TfrComboBox* c = Combo();
  c->SetFocus();
  TypeText("ab");
  EXPECT_EQ(c->Text(), "ab");
  c->SetText("");
  c->SetReadOnly(true);
  TypeText("x");
  EXPECT_EQ(c->Text(), "");
  c->SetReadOnly(false);
  c->SetDropDownOnly(true);
  EXPECT_EQ(c->Style(), csDropDownList);
  EXPECT_FALSE(c->ReadOnly());
  c->SetItemIndex(0);
  TypeText("zz");
  EXPECT_EQ(c->Text(), "январь");
  // Typing still chooses an item, as in any drop-down list.
  TypeText("ф");
  EXPECT_EQ(c->ItemIndex(), 1);
}

TEST_F(FrComboTest, PointerOverAnUnfocusedBoxGivesTheHotLook) {
  TfrComboBox* c = Combo();
  auto* other = Make<TEdit>(Form, 200, 10);
  other->SetFocus();
  auto frame = [&] {
    std::string print;
    for (const TCanvasRecord& r : PaintForm())
      print += std::to_string(static_cast<int>(r.Kind)) + ":" + std::to_string(r.Rect.Left) + "," +
               std::to_string(r.Rect.Top) + ":" + std::to_string(r.Color) + ";";
    return print;
  };
  const auto flat = frame();
  c->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(c->MouseInControl());
  EXPECT_NE(frame(), flat);
  c->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(frame(), flat);
}

}  // namespace
