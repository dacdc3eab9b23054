#include "grid/title_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/draw/graphics.h"
#include "platform/draw/recording_canvas.h"

namespace {

// "(A B C)" for a group A over B and C; leaves by text.
std::string Shape(const THeadTreeNode* node) {
  std::string out;
  for (THeadTreeNode* c : node->Children()) {
    if (!out.empty()) out += " ";
    out += c->Child != nullptr
               ? "(" + c->Text + ":" + std::to_string(c->Width) + " " + Shape(c) + ")"
               : c->Text;
  }
  return out;
}

std::vector<TTitleLeafEh> Columns(const std::vector<std::string>& captions, int width = 50) {
  std::vector<TTitleLeafEh> out;
  for (const std::string& c : captions) {
    TTitleLeafEh leaf;
    leaf.Caption = c;
    leaf.Width = width;
    out.push_back(leaf);
  }
  return out;
}

TEST(TitleTreeTest, WordsSplitAtRunsOfDelimiters) {
  struct Case {
    const char* s;
    int n;
    int pos;
    const char* word;
  };
  const std::vector<Case> cases = {
      {"A|B", 1, 1, "A"}, {"A|B", 2, 3, "B"},    {"A||B", 2, 4, "B"}, {"|A", 1, 2, "A"},
      {"A", 2, 0, ""},    {"Ёж|Уж", 2, 4, "Уж"}, {"", 1, 0, ""},
  };
  for (const Case& c : cases) {
    int pos = -1;
    EXPECT_EQ(ExtractWordPos(c.n, c.s, "|", pos), c.word) << c.s << " " << c.n;
    EXPECT_EQ(pos, c.pos) << c.s << " " << c.n;
  }
}

TEST(TitleTreeTest, BuildsGroupsFromCaptions) {
  struct Case {
    std::vector<std::string> captions;
    const char* shape;
  };
  // Widths: 50 per column, and the line between two members (lines on).
  const std::vector<Case> cases = {
      {{"A|B", "A|C", "D"}, "(A:101 B C) D"},
      {{"X|Y|Z", "X|Y|W"}, "(X:101 (Y:101 Z W))"},
      {{"A||B", "A||C"}, "(A:101 B C)"},
      {{"A|B|X", "C|B|Y"}, "(A:50 (B:50 X)) (C:50 (B:50 Y))"},
      {{"Plain", "Сертификат|Серия", "Сертификат|Номер", "Сертификат|Дата"},
       "Plain (Сертификат:152 Серия Номер Дата)"},
      // The cut length comes from the first leaf of a run.
      {{"A|B", "A||C"}, "(A:101 B |C)"},
  };
  for (const Case& c : cases) {
    THeadTreeNode root("", 0, 0);
    const auto leaves = BuildTitleTree(&root, Columns(c.captions), true, 20);
    EXPECT_EQ(Shape(&root), c.shape);
    EXPECT_EQ(leaves.size(), c.captions.size());
  }
}

TEST(TitleTreeTest, HiddenColumnsAddNothingToTheirGroup) {
  auto columns = Columns({"G|a", "G|b", "G|c"});
  columns[1].Visible = false;
  THeadTreeNode root("", 0, 0);
  BuildTitleTree(&root, columns, true, 20);
  EXPECT_EQ(Shape(&root), "(G:101 a b c)");  // 50 + 1 + (-1 + 1) + 50
  BuildTitleTree(&root, columns, false, 20);
  EXPECT_EQ(Shape(&root), "(G:100 a b c)");
}

TEST(TitleTreeTest, NodeOperationsCheckTheirArguments) {
  THeadTreeNode root("", 0, 0);
  THeadTreeNode other("", 0, 0);
  THeadTreeNode* a = root.AddChild(&root, "a", 10, 5);
  THeadTreeNode* b = root.Insert(a, "b", 10, 5);
  THeadTreeNode* c = root.AddChild(&root, "c", 10, 5);
  EXPECT_EQ(Shape(&root), "a b c");
  EXPECT_EQ(a->GetLevel(), 1);
  auto message = [](auto action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("none");
  };
  EXPECT_EQ(message([&] { root.AddChild(&other, "x", 1, 1); }), "Node not in Tree");
  EXPECT_EQ(message([&] { root.Union(b, a, 3, "g"); }), "ATo not in level");
  THeadTreeNode* g = root.Union(b, c, 3, "g");
  EXPECT_EQ(Shape(&root), "a (g:20 b c)");
  EXPECT_EQ(b->Height, 2);
  EXPECT_EQ(b->GetLevel(), 2);
  int visited = 0;
  root.DoForAllNode([&](THeadTreeNode*) { ++visited; });
  EXPECT_EQ(visited, 5);
  g->FreeAllChild();
  EXPECT_EQ(Shape(&root), "a g");
  root.FreeAllChild();
  EXPECT_EQ(root.Child, nullptr);
}

TEST(TitleTreeTest, HeightsFromWrappedCaptions) {
  TRecordingCanvas canvas;
  TFont titleFont;  // 13 high, 6 wide per character
  auto columns = Columns({"Group|one", "Group|two words", ""}, 52);
  columns[1].SortMarked = true;  // 52 - 4 - 16 = 32: "two" and "words" wrap
  THeadTreeNode root("", 0, 0);
  const auto leaves = BuildTitleTree(&root, columns, true, 20);
  const int height = SetTitleTreeHeights(canvas, &titleFont, 2, &root);
  // The group's own band: one line + margin; below it the tallest leaf.
  EXPECT_EQ(height, (13 + 2) + (2 * 13 + 2));
  EXPECT_EQ(leaves[0]->Height, 2 * 13 + 2);
  EXPECT_EQ(leaves[0]->Host->Height, 13 + 2);
  EXPECT_EQ(leaves[2]->Height, height) << "an empty caption is one blank line, full height";
}

}  // namespace
