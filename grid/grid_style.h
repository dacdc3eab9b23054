// TDBGridEhStyle: the colours of highlighted (current or selected) cells
// of data grids. One process-wide default style serves every grid that has
// none of its own; a grid asks it for each highlighted cell's background
// and font colour.
//
// Colours: the screen reports more than 256 colours (ColorCount -1), so a
// selected cell that is not the current one is drawn in a blend of its own
// colour and the highlight ("luminated selection"); SetColorCount lets a
// test play a palette screen, where nothing is blended.
//
// GUI thread only.
#pragma once

#include <vector>

#include "grid/grid_options.h"
#include "platform/base/object.h"
#include "platform/draw/graphics.h"

class TDBGridEhStyle;

// A grid that uses a style: the style tells it when it goes away.
class IDBGridEhStyleClient {
 public:
  // The style is being destroyed: forget it.
  virtual void StyleDestroyed(TDBGridEhStyle* style) = 0;

 protected:
  ~IDBGridEhStyleClient() = default;
};

// What a style needs to know of the grid and the cell being drawn.
struct TDBGridEhHighlightInfo {
  TDBGridOptions Options;
  TDBGridEhOptions OptionsEh;
  bool GridFocused = false;    // the grid's window has the focus
  bool EditorFocused = false;  // its in-place editor has it
  bool EditorMode = false;     // the grid is editing a cell
  bool SelectionEmpty = true;  // the grid's selection holds nothing
  bool CellSelected = false;   // the selection holds this cell
  bool DrawSelected = false;   // the base grid draws the cell selected
  bool CurrentRow = false;     // the cell is on the current record's row
  bool CurrentCol = false;     // the cell is in the current column
};

class TDBGridEhStyle : public TPersistent {
  MEBRATH_CLASS(TDBGridEhStyle, TPersistent)
 public:
  TDBGridEhStyle();
  // Tells every listed grid, last first, to drop its reference.
  ~TDBGridEhStyle() override;

  void AddGrid(IDBGridEhStyleClient* grid);
  void RemoveGrid(IDBGridEhStyleClient* grid);
  bool IsGridRegistered(IDBGridEhStyleClient* grid) const;
  int GridCount() const { return static_cast<int>(FGrids.size()); }

  bool LuminateSelection() const { return FLuminateSelection; }
  void SetLuminateSelection(bool value) { FLuminateSelection = value; }
  // Palette colours of the screen; -1 for more than 256.
  int ColorCount() const { return FColorCount; }
  // Applies a highlight colour as soon as a cell is picked (true at
  // creation; the filter row's drop-down reads it).
  bool ApplyOnPick() const { return FApplyOnPick; }
  void SetApplyOnPick(bool value) { FApplyOnPick = value; }

  // True when the data cell is drawn highlighted; then `background` and
  // `fontColor` are set to its colours (otherwise left alone).
  virtual bool HighlightDataCellColor(const TDBGridEhHighlightInfo& info, TColor& background,
                                      TColor& fontColor);
  // For a cell outside the data area that the caller marked highlighted
  // (`highlighted`); false and nothing changed otherwise.
  virtual bool HighlightNoDataCellColor(const TDBGridEhHighlightInfo& info, TCellColPartEh colPart,
                                        TCellRowPartEh rowPart, bool highlighted,
                                        TColor& background, TColor& fontColor);
  // Re-reads the screen's colour count (the system colours changed).
  virtual void UpdateColorCount();
  // The screen's colour count as UpdateColorCount reads it; tests set a
  // palette screen here.
  static void SetScreenColorCount(int count);

  // Per channel: m = (t - c) * 0.5 + c; m = (225 - m) * 0.6 + m; darkened,
  // m -= (122 - m) * 0.25; rounded and clamped to 0..255. System colours
  // are resolved first; the result is a plain RGB colour.
  static TColor Blend(TColor color, TColor target, bool darken);

 private:
  bool Blending() const { return FColorCount < 0 || FColorCount > 256; }

  std::vector<IDBGridEhStyleClient*> FGrids;
  bool FLuminateSelection = true;
  int FColorCount = -1;
  bool FApplyOnPick = true;
};

// The process-wide default style; made on first use and kept until
// FreeDBGridEhStyle.
TDBGridEhStyle* GetDBGridEhStyle();
// Destroys the default style (its grids are told); the next
// GetDBGridEhStyle makes a new one.
void FreeDBGridEhStyle();
