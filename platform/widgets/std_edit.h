// TCustomEdit and TEdit: text editing drawn and run by us.
//
// One editing engine serves the single-line edit and, through TCustomMemo
// (std_memo.h), the multi-line one. The text is kept as characters; every
// position and length the public members take or give (SelStart,
// SelLength, EM_SETSEL, MaxLength) counts characters of the UTF-8 text.
//
// Layout: the text is placed in the formatting rectangle (the client area
// less a small margin, or what EM_SETRECTNP set), broken into display
// lines (hard breaks at CR LF, CR or LF in a multi-line edit; with word
// wrap also at blanks), scrolled so that the caret stays visible.
//
// The edit's own handling of keys, characters and the EM_ and clipboard
// messages lives in DefaultHandler, which plays the part of the edit
// window's procedure: WndProc (the one switch) runs the KeyDown/KeyPress
// hooks first, and a key a hook sets to 0 never reaches the editing. A
// subclass that keeps its text by its own rules (a masked edit) overrides
// KeyDown/KeyPress and the clipboard messages in its WndProc and changes
// the text through SetSel and ReplaceSel (or EM_SETSEL/EM_REPLACESEL),
// which run the same path as typing: EditCanModify, CharCase, MaxLength,
// undo, Modified and Change.
//
// Keyboard: arrows, Home/End (with Shift to select, Ctrl by words or to
// the text's ends), Backspace, Delete, Ctrl+X/C/V/Z (as the characters
// #24/#3/#22/#26), Shift+Del (cut), Ctrl+Ins (copy), Shift+Ins (paste).
// Mouse: a press places the caret (Shift extends), dragging selects, a
// double click selects a word with its trailing blanks.
// The clipboard is services.h's text handler. GUI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/ui_enums.h"
#include "platform/gui/controls.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
// bsNone and bsSingle of the form border styles.
using TBorderStyle = TFormBorderStyle;

class TCustomEdit : public TCustomControl {
  MEBRATH_CLASS(TCustomEdit, TCustomControl)
 public:
  // --- text (TControl): Text() is the whole text. Setting it puts the
  // caret at the start, clears the undo and Modified, applies CharCase
  // (not MaxLength, as the classic control did) and calls Change.
  const std::string& GetText() const override { return FTextCache; }
  void SetText(const std::string& value) override;

  // --- selection (characters, 0-based)
  int SelStart() const { return FSelStart < FSelEnd ? FSelStart : FSelEnd; }
  // Puts the caret at `value` (clamped) with nothing selected.
  void SetSelStart(int value);
  int SelLength() const { return FSelStart < FSelEnd ? FSelEnd - FSelStart : FSelStart - FSelEnd; }
  // Selects `value` characters from SelStart (clamped to the text).
  void SetSelLength(int value);
  std::string SelText() const;
  // Replaces the selection as typing would (ReplaceSel with undo), but
  // without the ReadOnly and MaxLength checks, as the classic property did.
  void SetSelText(const std::string& value);
  void SelectAll();
  // Deletes the selection (WM_CLEAR).
  void ClearSelection();
  // Empties the text (as SetText("")). Virtual: a data-aware edit clears
  // its value instead.
  virtual void Clear();
  void CutToClipboard();
  void CopyToClipboard();
  void PasteFromClipboard();
  void Undo();
  bool CanUndo() const { return FUndoValid; }
  void ClearUndo() { FUndoValid = false; }
  // Selects from `start` to `end` (either order; the caret goes to `end`).
  void SetSel(int start, int end);
  // The caret position (the moving end of the selection).
  int CaretPos() const { return FSelEnd; }

  // --- properties
  int MaxLength() const { return FMaxLength; }
  // The most characters the user can type or paste; 0 = no limit.
  void SetMaxLength(int value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  TEditCharCase CharCase() const { return FCharCase; }
  // Also converts the current text.
  void SetCharCase(TEditCharCase value);
  char32_t PasswordChar() const { return FPasswordChar; }
  // Shows every character as `value` (0: the text itself); copying and
  // cutting are refused while set.
  void SetPasswordChar(char32_t value);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { FAutoSelect = value; }
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return FAutoSize; }
  // Single-line edits with AutoSize keep the height the font needs.
  // Virtual: a subclass with a fixed-height rule of its own overrides it.
  virtual void SetAutoSize(bool value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value);

  TNotifyEvent OnChange;

  // --- TWinControl
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

 protected:
  explicit TCustomEdit(TComponent* owner);
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DoEnter() override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

  // Called after every change of the text; fires OnChange.
  virtual void Change();
  // Asked before every change the user makes (typing, deleting, cut,
  // paste, undo); false refuses it. True unless ReadOnly.
  virtual bool EditCanModify();
  // Replaces the selection with `text` after CharCase, cut to MaxLength
  // when `limit`; remembered for undo when `canUndo`. Sets Modified when
  // `byUser`. Returns false when nothing could be inserted (the limit).
  bool ReplaceSel(const std::string& text, bool canUndo, bool limit = true, bool byUser = true);
  // The height AutoSize gives a single-line edit for the font.
  virtual int AutoHeight();
  void AdjustHeight();

  // --- the engine's shape, for the memo
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrapInternal(bool value);
  // Whether Enter and Tab typed as characters are inserted.
  virtual bool InsertsReturns() const { return FMultiLine; }
  virtual bool InsertsTabs() const { return FMultiLine; }
  // Shows the vertical / horizontal scroll bar for the memo.
  void SetScrollBarsInternal(bool vertical, bool horizontal);
  // Called when the text changes, for the memo's Lines.
  virtual void TextChanged() {}

  // --- geometry (client coordinates)
  // What EM_SETRECTNP set, or DefaultFormatRect.
  TRect FormatRect() const;
  // The client area less a small margin; a control with buttons inside
  // leaves them out.
  virtual TRect DefaultFormatRect() const;
  int LineCount();
  // First character of display line `line` (0-based) and its length
  // without the break.
  int LineStart(int line);
  int LineLength(int line);
  int LineOfChar(int pos);
  int FirstVisibleLine() const { return FTopLine; }
  // The caret position for a client point.
  int CharFromPos(TPoint p);
  // The client point of the top-left of the character cell at `pos`.
  TPoint PosFromChar(int pos);
  void ScrollCaret();

 private:
  struct TLine {
    int Start = 0;
    int Length = 0;  // without the break
  };
  struct TState {
    std::u32string Text;
    int SelStart = 0;
    int SelEnd = 0;
  };
  int Len() const { return static_cast<int>(FChars.size()); }
  void CommitText(bool byUser);
  void SetState(const TState& s, bool byUser);
  void Relayout();
  void EnsureLayout();
  std::u32string ApplyCharCase(std::u32string s) const;
  std::u32string DisplayChars(int start, int count) const;
  int TextWidthOf(int start, int count);
  int LineHeight();
  int LineX(int line);
  int XToChar(int line, int x);
  void MoveCaret(int pos, bool extend);
  int WordLeft(int pos) const;
  int WordRight(int pos) const;
  void SelectWordAt(int pos);
  void KeyDownDefault(unsigned key, TShiftState shift);
  void CharDefault(char32_t ch);
  void DeleteChars(bool forward, bool word);
  void UpdateScrollBars();
  void ScrollMessage(TMessage& message, bool vertical);
  void BeginUndoStep(bool typing);
  void EndUndoGroup() { FTypingGroup = false; }
  void Beep();

  std::u32string FChars;
  std::string FTextCache;
  int FSelStart = 0;  // anchor
  int FSelEnd = 0;    // caret
  int FMaxLength = 0;
  bool FReadOnly = false;
  TEditCharCase FCharCase = ecNormal;
  char32_t FPasswordChar = 0;
  bool FAutoSelect = true;
  bool FModified = false;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TBorderStyle FBorderStyle = bsSingle;
  bool FHideSelection = true;
  bool FMultiLine = false;
  bool FWordWrap = false;
  bool FVertBar = false;
  bool FHorzBar = false;
  bool FHasFormatRect = false;
  TRect FFormatRect;
  // Layout.
  bool FLayoutValid = false;
  std::vector<TLine> FLines;
  int FScrollX = 0;  // pixels the text is scrolled left
  int FTopLine = 0;
  int FCaretX = -1;  // the column kept while moving up and down
  // Undo: one step, which undoing swaps with the current state.
  TState FUndo;
  bool FUndoValid = false;
  bool FTypingGroup = false;
  bool FClickFocusing = false;
  bool FMouseSelecting = false;
  bool FUpdatingScrollBars = false;
};

class TEdit : public TCustomEdit {
  MEBRATH_CLASS(TEdit, TCustomEdit)
 protected:
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};
