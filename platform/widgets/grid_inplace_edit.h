// TInplaceEdit: the text editor a grid lays over its current cell.
//
// The grid creates it (TCustomGrid::CreateEditor), fills it from the cell
// (UpdateContents: GetEditText, GetEditLimit, GetEditMask), places it over
// the cell (Move) and hides it (Hide). Keys the grid navigates with (Up,
// Down, PgUp, PgDn, Esc, Tab, Enter, F2, Insert, Ctrl+Delete, and Left/
// Right/Home/End at the ends of the text) go back to the grid's KeyDown
// (F2 then also drops the selection, caret at the end);
// typing is checked with the grid's CanEditAcceptKey and CanEditModify, and
// every change is handed to the grid's SetEditText.
//
// It is a masked edit: the grid's GetEditMask for the cell becomes its
// EditMask, and the grid receives Text (the value under the mask).
// GUI thread only.
#pragma once

#include <string>

#include "platform/widgets/mask_edit.h"

class TCustomGrid;

class TInplaceEdit : public TCustomMaskEdit {
  MEBRATH_CLASS(TInplaceEdit, TCustomMaskEdit)
 public:
  // The grid this editor belongs to (its owner), or null.
  TCustomGrid* Grid() const { return FGrid; }

  // --- text and selection: TCustomMaskEdit's (Text, EditMask, SelectAll,
  // SelStart, SelLength, MaxLength, Modified).
  // Puts the caret at the end without a selection.
  void Deselect();

  // --- placement
  // Hides the window (the grid hides the editor this way).
  void Hide();
  // Places the editor over `loc` (grid client coordinates), shows it and,
  // when the grid has the focus, focuses it.
  void Move(const TRect& loc);
  // Reads the cell through the grid's edit hooks: text, limit and mask.
  virtual void UpdateContents();
  // The rectangle the text is drawn in, client coordinates (EM_SETRECTNP).
  TRect EditRect() const { return FormatRect(); }
  void SetEditRect(const TRect& value);

 protected:
  explicit TInplaceEdit(TComponent* owner);
  // Called after Move has sized the window: sets the edit rectangle.
  virtual void BoundsChanged();
  // TCustomMaskEdit: the grid's CanEditModify; every change goes to the
  // grid.
  bool EditCanModify() override;
  void Change() override;
  // TWinControl
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void DoEnter() override;

 private:
  // Hands the key to the grid's KeyDown and swallows it.
  void SendToParent(unsigned& key, TShiftState shift);

  TCustomGrid* FGrid = nullptr;
  bool FUpdating = false;
};
