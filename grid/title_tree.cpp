#include "grid/title_tree.h"

#include <algorithm>

#include "platform/base/text.h"
#include "platform/draw/canvas.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/graphics.h"

namespace {

constexpr std::string_view kTitleDelimiters = "|";
constexpr int kGroupHeight = 20;
constexpr int kSortMarkerWidth = 16;

bool IsDelimiter(char c, std::string_view delimiters) {
  return delimiters.find(c) != std::string_view::npos;
}

// Byte offset and length of word n, or npos.
std::size_t WordBytes(int n, std::string_view s, std::string_view delimiters, std::size_t& length) {
  std::size_t i = 0;
  int count = 0;
  while (i < s.size()) {
    while (i < s.size() && IsDelimiter(s[i], delimiters)) ++i;
    if (i >= s.size()) break;
    std::size_t start = i;
    while (i < s.size() && !IsDelimiter(s[i], delimiters)) ++i;
    if (++count == n) {
      length = i - start;
      return start;
    }
  }
  return std::string_view::npos;
}

}  // namespace

// ---- THeadTreeNode

THeadTreeNode::THeadTreeNode(std::string text, int width, int height)
    : Height(height), Text(std::move(text)), Width(width) {}

THeadTreeNode::~THeadTreeNode() = default;

THeadTreeNode* THeadTreeNode::Root() {
  THeadTreeNode* n = this;
  while (n->Host != nullptr) n = n->Host;
  return n;
}

THeadTreeNode* THeadTreeNode::Make(std::string text, int width, int height) {
  THeadTreeNode* root = Root();
  root->FNodes.push_back(std::make_unique<THeadTreeNode>(std::move(text), width, height));
  return root->FNodes.back().get();
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* node, std::string text, int width,
                                       int height) {
  if (!Find(node)) throw Exception("Node not in Tree");
  THeadTreeNode* added = Make(std::move(text), width, height);
  added->Host = node;
  if (node->Child == nullptr) {
    node->Child = added;
  } else {
    THeadTreeNode* last = node->Child;
    while (last->Next != node->Child) last = last->Next;
    last->Next = added;
    added->Next = node->Child;
  }
  return added;
}

THeadTreeNode* THeadTreeNode::Insert(THeadTreeNode* after, std::string text, int width,
                                     int height) {
  if (!Find(after)) throw Exception("Node not in Tree");
  THeadTreeNode* added = Make(std::move(text), width, height);
  added->Host = after->Host;
  added->Next = after->Next;
  after->Next = added;
  return added;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* from, THeadTreeNode* to, int height,
                                    std::string text) {
  if (!Find(from)) throw Exception("Node not in Tree");
  THeadTreeNode* parent = from->Host;
  THeadTreeNode* first = parent != nullptr ? parent->Child : from;
  // `to` must follow `from` before the ring returns to the first child.
  THeadTreeNode* x = from;
  while (x != to) {
    x = x->Next;
    if (x == first) throw Exception("ATo not in level");
  }
  THeadTreeNode* group = Insert(to, std::move(text), 0, height);
  group->LineWidth = to->LineWidth;
  THeadTreeNode* before = from;
  while (before->Next != from) before = before->Next;
  before->Next = group;
  group->Child = from;
  if (parent != nullptr && parent->Child == from) parent->Child = group;
  int sum = 0;
  for (THeadTreeNode* n = from;; n = n->Next) {
    sum += n->Width + group->LineWidth;
    n->Height -= height;
    n->Host = group;
    if (n == to) break;
  }
  to->Next = from;
  group->Width = group->LineWidth >= 1 ? sum - group->LineWidth : sum;
  return group;
}

void THeadTreeNode::FreeAllChild() {
  if (Child == nullptr) return;
  if (Host == nullptr) {
    Child = nullptr;
    FNodes.clear();
    return;
  }
  // Unlinked; the root's pool frees the nodes with itself.
  Child = nullptr;
}

bool THeadTreeNode::Find(const THeadTreeNode* node) const {
  if (node == this) return true;
  if (Child == nullptr) return false;
  const THeadTreeNode* c = Child;
  do {
    if (c->Find(node)) return true;
    c = c->Next;
  } while (c != Child);
  return false;
}

int THeadTreeNode::GetLevel() const {
  int level = 0;
  for (const THeadTreeNode* n = Host; n != nullptr; n = n->Host) ++level;
  return level;
}

void THeadTreeNode::DoForAllNode(const std::function<void(THeadTreeNode*)>& visit) {
  visit(this);
  for (THeadTreeNode* c : Children()) c->DoForAllNode(visit);
}

std::vector<THeadTreeNode*> THeadTreeNode::Children() const {
  std::vector<THeadTreeNode*> out;
  if (Child == nullptr) return out;
  THeadTreeNode* c = Child;
  do {
    out.push_back(c);
    c = c->Next;
  } while (c != Child);
  return out;
}

// ---- words

int WordPosition(int n, std::string_view s, std::string_view delimiters) {
  std::size_t length = 0;
  const std::size_t at = WordBytes(n, s, delimiters, length);
  return at == std::string_view::npos ? 0 : Length(s.substr(0, at)) + 1;
}

std::string ExtractWord(int n, std::string_view s, std::string_view delimiters) {
  std::size_t length = 0;
  const std::size_t at = WordBytes(n, s, delimiters, length);
  return at == std::string_view::npos ? std::string() : std::string(s.substr(at, length));
}

std::string ExtractWordPos(int n, std::string_view s, std::string_view delimiters, int& pos) {
  pos = WordPosition(n, s, delimiters);
  return ExtractWord(n, s, delimiters);
}

// ---- building and measuring

std::vector<THeadTreeNode*> BuildTitleTree(THeadTreeNode* root,
                                           const std::vector<TTitleLeafEh>& columns, bool colLines,
                                           int titleRowHeight) {
  root->FreeAllChild();
  std::vector<THeadTreeNode*> leaves;
  leaves.reserve(columns.size());
  for (const TTitleLeafEh& c : columns) {
    const int width = c.Visible ? c.Width : (colLines ? -1 : 0);
    THeadTreeNode* leaf = root->AddChild(root, c.Caption, width, titleRowHeight);
    leaf->Column = c.Column;
    leaf->MarkerWidth = c.SortMarked ? kSortMarkerWidth : 0;
    leaf->LineWidth = colLines ? 1 : 0;
    leaf->TitleFont = c.TitleFont;
    leaf->Vertical = c.Vertical;
    leaves.push_back(leaf);
  }
  const int count = static_cast<int>(leaves.size());
  auto leafAt = [&](int k) { return leaves[static_cast<std::size_t>(k)]; };
  // Passes until one changes nothing; a new group starts a new pass.
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = 0; i < count; ++i) {
      THeadTreeNode* leaf = leafAt(i);
      const int p = WordPosition(2, leaf->Text, kTitleDelimiters);
      if (p == 0) continue;
      const std::string first = ExtractWord(1, leaf->Text, kTitleDelimiters);
      auto cut = [&](THeadTreeNode* n) { n->Text = Copy(n->Text, p, Length(n->Text)); };
      int j = i;
      while (j + 1 < count && ExtractWord(1, leafAt(j + 1)->Text, kTitleDelimiters) == first) {
        cut(leafAt(j));
        ++j;
      }
      cut(leafAt(j));
      changed = true;
      // Leaves already under different groups keep their cut texts but
      // are not joined.
      if (leaf->Host == leafAt(j)->Host) {
        root->Union(leaf, leafAt(j), kGroupHeight, first);
        break;
      }
    }
  }
  return leaves;
}

int SetTitleTreeHeights(TCanvas& canvas, TFont* titleFont, int vTitleMargin, THeadTreeNode* node) {
  const std::vector<THeadTreeNode*> children = node->Children();
  std::vector<int> childLevel(children.size(), 0);
  int levelHeight = 0;
  TFont* previousFont = titleFont;
  for (std::size_t k = 0; k < children.size(); ++k) {
    THeadTreeNode* c = children[k];
    if (c->Child != nullptr)
      childLevel[k] = SetTitleTreeHeights(canvas, titleFont, vTitleMargin, c);
    TFont* font = c->TitleFont != nullptr ? c->TitleFont : (k == 0 ? titleFont : previousFont);
    previousFont = font;
    TCanvasStateSaver saver(canvas);
    if (font != nullptr) canvas.Font()->Assign(font);
    const std::string caption = c->Text.empty() ? std::string(" ") : c->Text;
    int h = 0;
    if (c->Column != nullptr && c->Vertical) {
      h = c->Width >= 1 ? canvas.TextWidth(caption) + 6 : 0;
    } else if (c->Width >= 1) {
      TRect r{0, 0, std::max(0, c->Width - 4 - c->MarkerWidth), 0};
      DrawText(canvas, caption, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      h = r.Bottom - r.Top;
    }
    h += vTitleMargin;
    levelHeight = std::max(levelHeight, childLevel[k] + h);
  }
  for (std::size_t k = 0; k < children.size(); ++k)
    children[k]->Height = children[k]->Child != nullptr ? levelHeight - childLevel[k] : levelHeight;
  node->Height = levelHeight;
  return levelHeight;
}
