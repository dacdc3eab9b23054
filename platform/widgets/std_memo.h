// TCustomMemo/TMemo: the multi-line edit.
//
// The memo is the edit engine of std_edit.h in its multi-line shape: hard
// line breaks at CR LF (CR or LF alone also break), soft ones at blanks
// with WordWrap, a vertical position (the first visible line) beside the
// horizontal one, and the frame's scroll bars as ScrollBars asks. Up/Down
// keep the caret's column, PageUp/PageDown move by a page, Ctrl+Home and
// Ctrl+End go to the text's ends. Enter inserts a line break when
// WantReturns (otherwise it is the form's, and Ctrl+Enter inserts one),
// Tab a tab character when WantTabs.
//
// Lines is a TStrings view of the text: line i is the text between the
// i-th and the next hard break, and a final empty line (text ending in a
// break) is not counted, so Lines.Text reads back what was set. Changing
// Lines changes the text at once (and calls OnChange). GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/widgets/std_edit.h"

class TCustomMemo;

class TMemoStrings final : public TStrings {
 public:
  explicit TMemoStrings(TCustomMemo* memo) : FMemo(memo) {}
  // TStrings
  int Count() const override;
  std::string Get(int Index) const override;
  void* GetObject(int) const override { return nullptr; }
  void InsertObject(int Index, std::string_view S, void* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Put(int Index, std::string_view S) override;
  void PutObject(int, void*) override {}

 private:
  std::vector<std::string> Split() const;
  void Join(const std::vector<std::string>& lines);
  TCustomMemo* FMemo;
};

class TCustomMemo : public TCustomEdit {
  MEBRATH_CLASS(TCustomMemo, TCustomEdit)
 public:
  TStrings* Lines() const { return FLines.get(); }
  // Copies the lines of `value`.
  void SetLines(const TStrings* value);
  bool WordWrap() const { return TCustomEdit::WordWrap(); }
  void SetWordWrap(bool value) { SetWordWrapInternal(value); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool value) { FWantReturns = value; }
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool value) { FWantTabs = value; }
  // The caret's line and column (0-based; the column in characters).
  TPoint CaretPosition();

  // --- TWinControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TCustomMemo(TComponent* owner);
  bool InsertsReturns() const override { return FWantReturns; }
  bool InsertsTabs() const override { return FWantTabs; }

 private:
  std::unique_ptr<TMemoStrings> FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
};

class TMemo : public TCustomMemo {
  MEBRATH_CLASS(TMemo, TCustomMemo)
 protected:
  explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};
