// The tree area of a data row (indent, connectors and node button at the
// left of the first visible column) as a pure rule: which tree element each
// 18-pixel box shows for a node of a given shape. The grid draws it in
// DrawTreeArea. GUI thread only.
#pragma once

#include <vector>

// What the dataset says about the node of one row.
struct TTreeNodeShapeEh {
  int Level = 1;       // 1 for a top-level node
  int NextLevel = -1;  // the level on the row below; negative for none
  bool HasChildren = false;
  bool Expanded = false;
  // Index L - 1: whether the ancestor at level L (the node itself at its
  // own level) has a sibling after it. Missing entries read false.
  std::vector<bool> HasNextSibling;
};

// One box of the area, from the left.
struct TTreeAreaBoxEh {
  // The tree element drawn in the box (DrawTreeElementEh kinds 0..9), or
  // -1 for the background alone.
  int Kind = -1;
  // With row lines, the line under the box is painted over so that the
  // connectors run on into the next row.
  bool JoinBelow = false;
  friend bool operator==(const TTreeAreaBoxEh&, const TTreeAreaBoxEh&) = default;
};

// Level boxes: a vertical connector (9) for each ancestor with a sibling
// after it; then the node's own box: a node without children 6 (more
// siblings follow) or 7 (the last), a node with children 0/3 (expanded /
// collapsed, more siblings follow) or 1/4 (the last).
std::vector<TTreeAreaBoxEh> TreeAreaBoxes(const TTreeNodeShapeEh& node);
