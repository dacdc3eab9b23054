// TInplaceEdit: the text editor a grid lays over its current cell.
//
// The grid creates it (TCustomGrid::CreateEditor), fills it from the cell
// (UpdateContents: GetEditText, GetEditLimit, GetEditMask), places it over
// the cell (Move) and hides it (Hide). Keys the grid navigates with (Up,
// Down, PgUp, PgDn, Esc, Tab, Enter, F2, Insert, Ctrl+Delete, and Left/
// Right/Home/End at the ends of the text) go back to the grid's KeyDown;
// typing is checked with the grid's CanEditAcceptKey and CanEditModify, and
// every change is handed to the grid's SetEditText.
//
// Its base will become TCustomMaskEdit (the masked edit control) once that
// exists: then the edit mask takes effect and the text editing below is
// the masked edit's own. Until then it is a small single-line editor of
// its own (caret, selection, typing, Backspace/Delete, MaxLength) that
// keeps the mask only as a value. GUI thread only.
#pragma once

#include <string>

#include "platform/gui/controls.h"

class TCustomGrid;

class TInplaceEdit : public TCustomControl {
  MEBRATH_CLASS(TInplaceEdit, TCustomControl)
 public:
  // The grid this editor belongs to (its owner), or null.
  TCustomGrid* Grid() const { return FGrid; }

  // --- text and selection (positions in characters, 0-based)
  void SelectAll();
  int SelStart() const { return FSelStart; }
  void SetSelStart(int value);
  int SelLength() const { return FSelLength; }
  void SetSelLength(int value);
  std::string SelText() const;
  // Puts the caret at the end without a selection.
  void Deselect();
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  std::string EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& value) { FEditMask = value; }
  int MaxLength() const { return FMaxLength; }
  // 0 for no limit; a longer text is not cut.
  void SetMaxLength(int value) { FMaxLength = value < 0 ? 0 : value; }

  // --- placement
  // Hides the window (the grid hides the editor this way).
  void Hide();
  // Places the editor over `loc` (grid client coordinates), shows it and,
  // when the grid has the focus, focuses it.
  void Move(const TRect& loc);
  // Reads the cell through the grid's edit hooks: text, limit and mask.
  virtual void UpdateContents();
  // The rectangle the text is drawn in, client coordinates (EM_SETRECTNP).
  TRect EditRect() const { return FEditRect; }
  void SetEditRect(const TRect& value);

  // TControl
  void SetText(const std::string& value) override;

 protected:
  explicit TInplaceEdit(TComponent* owner);
  // Called after Move has sized the window: sets the edit rectangle.
  virtual void BoundsChanged();
  // The grid's CanEditModify.
  bool EditCanModify();
  // TWinControl
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void DoEnter() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  // Hands the key to the grid's KeyDown and swallows it.
  void SendToParent(unsigned& key, TShiftState shift);
  void ReplaceSelection(const std::u32string& text);
  void Changed();
  int CharCount() const;

  TCustomGrid* FGrid = nullptr;
  int FSelStart = 0;
  int FSelLength = 0;
  bool FModified = false;
  std::string FEditMask;
  int FMaxLength = 0;
  TRect FEditRect;
  bool FUpdating = false;
};
