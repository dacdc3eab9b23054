#include "report/preview/fr_control_utils.h"

#include <gtest/gtest.h>

#include "platform/widgets/std_panels.h"
#include "platform/widgets/tests/std_controls_test_support.h"
#include "report/preview/fr_dialogs.h"

namespace {

using ControlUtilsTest = StdControlsTest;

TEST_F(ControlUtilsTest, ControlAtPointSearchesNestedContainers) {
  // Form: a label under a panel; the panel holds a group box with an edit
  // and a hidden button; an empty panel stands beside it.
  auto* under = Make<TLabel>(Form, 10, 10);
  under->SetBounds(10, 10, 300, 200);
  auto* panel = Make<TPanel>(Form, 20, 20);
  panel->SetBounds(20, 20, 200, 150);
  auto* box = Make<TGroupBox>(panel, 10, 10);
  box->SetBounds(10, 10, 120, 100);
  auto* edit = Make<TEdit>(box, 5, 20);
  edit->SetBounds(5, 20, 60, 22);
  edit->SetEnabled(false);
  auto* hidden = Make<TButton>(box, 5, 60);
  hidden->SetBounds(5, 60, 60, 22);
  hidden->SetVisible(false);
  auto* panelLabel = Make<TLabel>(panel, 150, 10);
  panelLabel->SetBounds(150, 10, 40, 16);
  auto* empty = Make<TPanel>(Form, 350, 20);
  empty->SetBounds(350, 20, 100, 100);

  const struct {
    TPoint At;
    TControl* Expected;
  } cases[] = {
      {{20 + 10 + 5 + 1, 20 + 10 + 20 + 1}, edit},   // disabled still counts
      {{20 + 150 + 1, 20 + 10 + 1}, panelLabel},     // graphic child of the panel
      {{20 + 10 + 5 + 1, 20 + 10 + 60 + 1}, under},  // hidden: falls through to the form's label
      {{20 + 180, 20 + 140}, under},                 // empty part of a filled panel
      {{360, 30}, empty},                            // an empty container is the answer
      {{5, 5}, nullptr},
      {{315, 215}, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ControlAtPoint(Form, c.At), c.Expected) << c.At.X << "," << c.At.Y;
  }
  EXPECT_EQ(ControlAtPoint(nullptr, {1, 1}), nullptr);
}

TEST_F(ControlUtilsTest, SetControlsEnabledGreysLabelsAndEdits) {
  auto* label = Make<TLabel>(Form, 0, 0);
  auto* edit = Make<TEdit>(Form, 0, 30);
  auto* panel = Make<TPanel>(Form, 0, 60);
  auto* button = Make<TButton>(panel, 0, 0);
  SetControlsEnabled({label, edit, nullptr, button}, false);
  EXPECT_EQ(label->Font()->Color(), clGrayText);
  EXPECT_EQ(edit->Color(), clBtnFace);
  EXPECT_FALSE(label->Enabled());
  EXPECT_FALSE(edit->Enabled());
  EXPECT_FALSE(button->Enabled());
  EXPECT_TRUE(panel->Enabled());
  SetControlsEnabled({label, edit, button}, true);
  EXPECT_EQ(label->Font()->Color(), clWindowText);
  EXPECT_EQ(edit->Color(), clWindow);
  EXPECT_TRUE(label->Enabled() && edit->Enabled() && button->Enabled());
}

TEST_F(ControlUtilsTest, FormatDialogGreysLabelsWithTheirEdits) {
  auto* form = Create<TfrFmtForm>(Form);
  form->Load(frMakeFormat(1, 1, 2, "."), "");
  EXPECT_TRUE(form->DigitsLabel->Enabled());
  EXPECT_EQ(form->DigitsEdit->Color(), clWindow);
  EXPECT_EQ(form->CustomLabel->Font()->Color(), clGrayText);
  EXPECT_EQ(form->CustomEdit->Color(), clBtnFace);
  form->TypeBox->SetItemIndex(4);
  form->TypeBox->OnChange(form->TypeBox);
  EXPECT_FALSE(form->DigitsLabel->Enabled());
  EXPECT_FALSE(form->SeparatorLabel->Enabled());
  EXPECT_EQ(form->SeparatorLabel->Font()->Color(), clGrayText);
  EXPECT_EQ(form->SeparatorEdit->Color(), clBtnFace);
  EXPECT_TRUE(form->CustomLabel->Enabled());
  EXPECT_EQ(form->CustomEdit->Color(), clWindow);
}

}  // namespace
