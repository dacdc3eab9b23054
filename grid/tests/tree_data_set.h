// A small read-only dataset that offers IMemTableEh, for the grid's tree
// rows, row-per-record mode and record moving: an outline of nodes (name
// and level, in tree order), of which the rows are the nodes whose parents
// are all expanded. Fields NAME (string) and NUM (the node's 1-based place
// in the outline). Bookmarks are node indexes. It records what the grid
// asks of it (fetches, expansions, moves).
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/data/data_set.h"
#include "platform/data/mem_table_intf.h"

class TTreeTestDataSet : public TDataSet, public IMemTableEh {
  MEBRATH_CLASS(TTreeTestDataSet, TDataSet)
 public:
  struct TNode {
    std::string Name;
    int Level = 1;
    bool Expanded = true;
  };
  struct TMove {
    std::vector<std::string> Bookmarks;
    int TargetRow = 0;
    int TargetLevel = 0;
    bool CheckOnly = false;
  };

  std::vector<TNode> Nodes;
  bool ShowTree = true;
  // Added to the record number SetNodeExpanded reports (the node "moved").
  int ReportedShift = 0;
  bool MoveAnswer = true;
  std::vector<int> Fetches;
  std::vector<std::pair<int, bool>> Expansions;
  std::vector<TMove> Moves;

  // The outline: (name, level) in tree order, every node expanded or not.
  void SetOutline(const std::vector<std::pair<std::string, int>>& outline, bool expanded) {
    Nodes.clear();
    for (const auto& [name, level] : outline) Nodes.push_back({name, level, expanded});
    RebuildRows();
  }
  // `count` top-level rows named "R1".."Rn".
  void SetFlat(int count) {
    std::vector<std::pair<std::string, int>> outline;
    for (int i = 1; i <= count; ++i) outline.push_back({"R" + std::to_string(i), 1});
    SetOutline(outline, true);
  }
  static std::string BookmarkOf(int node) {
    std::string b(4, '\0');
    std::memcpy(b.data(), &node, 4);
    return b;
  }
  // The node on `row`.
  int NodeAt(int row) const { return FRows.at(static_cast<std::size_t>(row)); }
  bool Reading() const { return FReadRow >= 0; }

  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    const int x = Decode(a.data());
    const int y = Decode(b.data());
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  bool BookmarkValid(const TBookmark& b) override {
    return b.size() == 4 && Decode(b.data()) >= 0 &&
           Decode(b.data()) < static_cast<int>(Nodes.size());
  }
  bool GetFieldData(TField* field, void* buffer) override {
    const int node = ReadNode();
    if (node < 0) return false;
    if (buffer == nullptr) return true;
    if (field->FieldNo() == 1) {
      const std::string& name = Nodes[static_cast<std::size_t>(node)].Name;
      const std::size_t n = std::min(name.size(), static_cast<std::size_t>(field->DataSize() - 1));
      std::memcpy(buffer, name.data(), n);
      static_cast<char*>(buffer)[n] = '\0';
    } else {
      const int number = node + 1;
      std::memcpy(buffer, &number, 4);
    }
    return true;
  }

  // IMemTableEh
  void FetchRecords(int count) override { Fetches.push_back(count); }
  int CurrentRow() override {
    if (!Active() || IsEmpty() || State() == dsInsert) return -1;
    return RecNo() - 1;
  }
  bool NodeExpanded() override { return ReadNode() >= 0 && Node(ReadNode()).Expanded; }
  bool NodeHasChildren() override { return HasChildren(ReadNode()); }
  int NodeLevel() override { return ReadNode() >= 0 ? Node(ReadNode()).Level : 0; }
  int PrevNodeLevel() override { return LevelOfRow(ReadRow() - 1); }
  int NextNodeLevel() override { return LevelOfRow(ReadRow() + 1); }
  const void* CurrentRowObject() override {
    const int row = CurrentRow();
    return row < 0 ? nullptr : &Nodes[static_cast<std::size_t>(NodeAt(row))];
  }
  int RowOfBookmark(const std::string& bookmark) override {
    return bookmark.size() == 4 ? RowOf(Decode(bookmark.data())) : -1;
  }
  int RowCount() override { return static_cast<int>(FRows.size()); }
  bool TreeDisplay() override { return ShowTree; }
  bool HasNextSibling(int level) override {
    int node = ReadNode();
    if (node < 0 || level < 1 || level > Node(node).Level) return false;
    while (Node(node).Level > level) --node;  // the ancestor at `level`
    for (std::size_t i = static_cast<std::size_t>(node) + 1; i < Nodes.size(); ++i) {
      if (Nodes[i].Level < level) return false;
      if (Nodes[i].Level == level) return true;
    }
    return false;
  }
  void SetToRowObject(const void* rowObject) override {
    if (rowObject == nullptr) return;
    const int node = static_cast<int>(static_cast<const TNode*>(rowObject) - Nodes.data());
    GoToRow(VisibleRowOf(node));
  }
  int SetNodeExpanded(int rowIndex, bool value) override {
    Expansions.push_back({rowIndex, value});
    const int node = NodeAt(rowIndex);
    Nodes[static_cast<std::size_t>(node)].Expanded = value;
    RebuildRows();
    // The change is made with the cursor on the node.
    FCurrent = RowOf(node);
    Resync(TResyncMode{rmCenter});
    return FCurrent + 1 + ReportedShift;
  }
  bool MoveRecords(const std::vector<std::string>& bookmarks, int targetRow, int targetLevel,
                   bool checkOnly) override {
    Moves.push_back({bookmarks, targetRow, targetLevel, checkOnly});
    return MoveAnswer;
  }
  void BeginReadAt(int rowIndex) override { FReadRow = rowIndex; }
  void EndRead() override { FReadRow = -1; }

 protected:
  explicit TTreeTestDataSet(TComponent* owner) : TDataSet(owner) {}

  TRecordBuffer AllocRecordBuffer() override { return new char[5](); }
  void FreeRecordBuffer(TRecordBuffer& buffer) override {
    delete[] buffer;
    buffer = nullptr;
  }
  void InternalInitRecord(TRecordBuffer buffer) override { std::memset(buffer, 0, 4); }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override {
    const TGetResult result = StepRecordIndex(FCurrent, RowCount(), mode, doCheck);
    if (result != grOK) return result;
    const int node = NodeAt(FCurrent);
    std::memcpy(buffer, &node, 4);
    SetBookmarkFlag(buffer, bfCurrent);
    return grOK;
  }
  // While a row is being read, the current record's bookmark is that
  // row's.
  void GetBookmarkData(TRecordBuffer buffer, void* data) override {
    const int node = FReadRow >= 0 && buffer == ActiveBuffer() ? ReadNode() : Decode(buffer);
    std::memcpy(data, &node, 4);
  }
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override {
    std::memcpy(buffer, data, 4);
  }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override {
    return static_cast<TBookmarkFlag>(buffer[4]);
  }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override {
    buffer[4] = static_cast<char>(flag);
  }
  void InternalGotoBookmark(const void* bookmark) override {
    FCurrent = VisibleRowOf(Decode(bookmark));
  }
  void InternalSetToRecord(TRecordBuffer buffer) override {
    FCurrent = VisibleRowOf(Decode(buffer));
  }
  void InternalFirst() override { FCurrent = -1; }
  void InternalLast() override { FCurrent = RowCount(); }
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    FieldDefs().Add("NAME", ftString, 20);
    FieldDefs().Add("NUM", ftInteger, 0);
  }
  void InternalOpen() override {
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    SetBookmarkSize(4);
    RebuildRows();
    FCurrent = -1;
    FOpen = true;
  }
  void InternalClose() override {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    FOpen = false;
  }
  void InternalAddRecord(TRecordBuffer, bool) override { DatabaseError("read only", this); }
  void InternalDelete() override { DatabaseError("read only", this); }
  bool IsCursorOpen() override { return FOpen; }
  bool GetCanModify() override { return false; }
  int GetRecordCount() override { return RowCount(); }
  int GetRecNo() override { return FCurrent + 1; }
  void SetRecNoValue(int value) override {
    CheckBrowseMode();
    if (value < 1 || value > RowCount()) return;
    GoToRow(value - 1);
  }

 private:
  static int Decode(const void* data) {
    int value;
    std::memcpy(&value, data, 4);
    return value;
  }
  const TNode& Node(int node) const { return Nodes[static_cast<std::size_t>(node)]; }
  bool HasChildren(int node) const {
    return node >= 0 && static_cast<std::size_t>(node) + 1 < Nodes.size() &&
           Nodes[static_cast<std::size_t>(node) + 1].Level > Node(node).Level;
  }
  void RebuildRows() {
    FRows.clear();
    int hiddenBelow = 0;  // nodes deeper than this are hidden (0: none)
    for (int i = 0; i < static_cast<int>(Nodes.size()); ++i) {
      if (hiddenBelow > 0 && Node(i).Level > hiddenBelow) continue;
      hiddenBelow = 0;
      FRows.push_back(i);
      if (!Node(i).Expanded && HasChildren(i)) hiddenBelow = Node(i).Level;
    }
  }
  int RowOf(int node) const {
    for (std::size_t r = 0; r < FRows.size(); ++r)
      if (FRows[r] == node) return static_cast<int>(r);
    return -1;
  }
  // The row of the node, or of its nearest shown ancestor.
  int VisibleRowOf(int node) const {
    while (node >= 0) {
      const int row = RowOf(node);
      if (row >= 0) return row;
      const int level = Node(node).Level;
      while (node >= 0 && Node(node).Level >= level) --node;
    }
    return -1;
  }
  int ReadRow() {
    if (FReadRow >= 0) return FReadRow;
    const int node = ReadNode();
    return node < 0 ? -1 : RowOf(node);
  }
  int ReadNode() {
    if (FReadRow >= 0) return FReadRow < RowCount() ? NodeAt(FReadRow) : -1;
    if (State() == dsCalcFields) return Decode(CalcBuffer());
    if (State() != dsBrowse || IsEmpty()) return -1;
    return Decode(ActiveBuffer());
  }
  int LevelOfRow(int row) { return row >= 0 && row < RowCount() ? Node(NodeAt(row)).Level : -1; }
  void GoToRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    DoBeforeScroll();
    FCurrent = row;
    Resync(TResyncMode{rmCenter});
    DoAfterScroll();
  }

  std::vector<int> FRows;
  int FCurrent = -1;
  int FReadRow = -1;
  bool FOpen = false;
};
