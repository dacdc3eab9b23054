#include "grid/filter_row.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "grid/inplace_filter_edit.h"

namespace {

using TKeyAction = TGridFilterRowEh::TKeyAction;

TEST(FilterRowTest, KeysInTheEditor) {
  TGridFilterRowEh row;
  unsigned key = VK_RETURN;
  EXPECT_EQ(row.EditorKey(key, {}, true), TKeyAction::None) << "no editor";
  EXPECT_EQ(key, VK_RETURN);

  auto* editor = Create<TInplaceFilterEditEh>(nullptr);
  row.SetEditor(editor);
  editor->SetText("abc");
  struct Case {
    unsigned key;
    TShiftState shift;
    int selStart;
    int selLength;
    bool tabs;
    TKeyAction action;
  };
  const std::vector<Case> cases = {
      {VK_RETURN, {}, 1, 0, true, TKeyAction::Apply},
      {VK_LEFT, {}, 0, 0, true, TKeyAction::Previous},
      {VK_LEFT, {}, 1, 0, true, TKeyAction::None},
      {VK_LEFT, {}, 0, 2, true, TKeyAction::None},
      {VK_LEFT, {ssCtrl}, 2, 0, true, TKeyAction::Previous},
      {VK_RIGHT, {}, 3, 0, true, TKeyAction::Next},
      {VK_RIGHT, {}, 2, 0, true, TKeyAction::None},
      {VK_RIGHT, {ssCtrl}, 0, 3, true, TKeyAction::Next},
      {VK_TAB, {}, 1, 0, true, TKeyAction::Next},
      {VK_TAB, {ssShift}, 1, 0, true, TKeyAction::Previous},
      {VK_TAB, {}, 1, 0, false, TKeyAction::None},
      {VK_DOWN, {}, 1, 0, true, TKeyAction::Stop},
      {VK_DOWN, {ssAlt}, 1, 0, true, TKeyAction::None},
      {VK_ESCAPE, {}, 1, 0, true, TKeyAction::Stop},
      {'A', {}, 1, 0, true, TKeyAction::None},
  };
  for (const Case& c : cases) {
    editor->SetSelStart(c.selStart);
    editor->SetSelLength(c.selLength);
    unsigned k = c.key;
    EXPECT_EQ(row.EditorKey(k, c.shift, c.tabs), c.action) << c.key << " at " << c.selStart;
    EXPECT_EQ(k, c.action == TKeyAction::None ? c.key : 0u) << c.key << " at " << c.selStart;
  }

  editor->SetText("x");
  row.ShowText("=Null");
  EXPECT_EQ(editor->Text(), "=Null");
  EXPECT_EQ(editor->ItemIndex(), -1);

  auto* other = Create<TInplaceFilterEditEh>(nullptr);
  row.ComponentRemoved(other);
  EXPECT_EQ(row.Editor(), editor);
  other->Free();
  row.ComponentRemoved(editor);
  EXPECT_EQ(row.Editor(), nullptr);
  row.ShowText("ignored");
  editor->Free();
}

TEST(FilterRowTest, StateOfTheRow) {
  TGridFilterRowEh row;
  EXPECT_EQ(row.Col(), -1);
  row.BeginEdit(2);
  EXPECT_TRUE(row.EditMode());
  EXPECT_EQ(row.Col(), 2);
  EXPECT_FALSE(row.EndEdit()) << "no editor had the focus";
  EXPECT_FALSE(row.EditMode());
  EXPECT_EQ(row.Col(), 2) << "the column is kept";

  bool seen = false;
  row.Apply([&] { seen = row.Applying(); });
  EXPECT_TRUE(seen);
  EXPECT_THROW(row.Apply([] { throw std::runtime_error("bad filter"); }), std::runtime_error);
  EXPECT_FALSE(row.Applying());

  row.MouseDown({5, 7}, 1234);
  TPoint at;
  std::uint32_t time = 0;
  row.TakeMouseDown(at, time);
  EXPECT_EQ(at, (TPoint{5, 7}));
  EXPECT_EQ(time, 1234u);
  row.TakeMouseDown(at, time);
  EXPECT_EQ(time, 0u) << "a press counts once";
}

}  // namespace
