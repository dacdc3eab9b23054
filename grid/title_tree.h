// The tree of multi-level column titles. A column caption "A|B" is drawn
// as "B" in its own cell under a group cell "A" that spans every adjacent
// column whose caption starts with the same word. The grid rebuilds the
// tree from its columns at each layout rebuild and measures it to get the
// height of its one title row; the title drawing walks it.
//
// Nodes are plain objects. The children of a node form a circular ring
// through Next (a node alone points to itself). Every node belongs to its
// tree's root, which frees them all when it is destroyed; a freed subtree
// is unlinked at once. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exceptions.h"

class TCanvas;
class TColumnEh;
class TFont;

class THeadTreeNode {
 public:
  // A root: no caption, no parent, alone in its ring.
  THeadTreeNode(std::string text, int width, int height);
  ~THeadTreeNode();
  THeadTreeNode(const THeadTreeNode&) = delete;
  THeadTreeNode& operator=(const THeadTreeNode&) = delete;

  THeadTreeNode* Child = nullptr;
  TColumnEh* Column = nullptr;  // leaves only
  int Drawed = 0;               // drawing state of the title painter
  int Height = 0;
  int WIndent = 0;  // drawing state of the title painter
  THeadTreeNode* Host = nullptr;
  THeadTreeNode* Next = this;
  std::string Text;
  int LineWidth = 0;
  int Width = 0;
  int HIndent = 0;  // drawing state of the title painter
  int MarkerWidth = 0;
  // For measuring a leaf: its title font and whether it stands vertical.
  TFont* TitleFont = nullptr;
  bool Vertical = false;

  // Appends a child to `node`. Raises Exception "Node not in Tree" when
  // `node` is not in this tree (this being its root).
  THeadTreeNode* AddChild(THeadTreeNode* node, std::string text, int width, int height);
  // Links a new node right after `after` in its ring. Raises "Node not in
  // Tree".
  THeadTreeNode* Insert(THeadTreeNode* after, std::string text, int width, int height);
  // Puts a new group node above the run of siblings from..to. Raises
  // "Node not in Tree" for `from` outside the tree and "ATo not in level"
  // when `to` is not `from` or a later sibling of it.
  THeadTreeNode* Union(THeadTreeNode* from, THeadTreeNode* to, int height, std::string text);
  // Frees the subtree under this node.
  void FreeAllChild();
  // Whether `node` lies in the subtree of this node.
  bool Find(const THeadTreeNode* node) const;
  // The number of ancestors (0 for the root).
  int GetLevel() const;
  // Calls `visit` for each node of the subtree, a node before its children.
  void DoForAllNode(const std::function<void(THeadTreeNode*)>& visit);
  // The children in ring order.
  std::vector<THeadTreeNode*> Children() const;

 private:
  THeadTreeNode* Root();
  THeadTreeNode* Make(std::string text, int width, int height);
  // Nodes made under this root.
  std::vector<std::unique_ptr<THeadTreeNode>> FNodes;
};

// Word routines over a set of delimiter characters (ASCII). Words are
// maximal runs of other characters; positions count characters, from 1.
// The position of word `n` (from 1), 0 when there is none.
int WordPosition(int n, std::string_view s, std::string_view delimiters);
std::string ExtractWord(int n, std::string_view s, std::string_view delimiters);
std::string ExtractWordPos(int n, std::string_view s, std::string_view delimiters, int& pos);

// A column as the title tree sees it.
struct TTitleLeafEh {
  TColumnEh* Column = nullptr;
  std::string Caption;
  int Width = 0;  // the column's width; ignored when hidden
  bool Visible = true;
  bool SortMarked = false;
  TFont* TitleFont = nullptr;
  bool Vertical = false;
};

// Rebuilds the tree under `root` from the columns in order; returns the
// leaf of each column. `colLines`: the grid draws column lines;
// `titleRowHeight`: the current height of title row 0.
std::vector<THeadTreeNode*> BuildTitleTree(THeadTreeNode* root,
                                           const std::vector<TTitleLeafEh>& columns, bool colLines,
                                           int titleRowHeight);
// Measures the captions of `node`'s children (and below) on `canvas` and
// returns the height of that level; sets every node's Height. Group
// captions use `titleFont` for the first child of a ring, else the font of
// the child before.
int SetTitleTreeHeights(TCanvas& canvas, TFont* titleFont, int vTitleMargin, THeadTreeNode* node);
