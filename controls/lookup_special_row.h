// TSpecRowEh: the extra row a lookup list may show above its data rows,
// usually the entry that stands for "no value": its cells' texts, colour,
// font, the key value it stands for and the shortcut that selects it. The
// lookup grids own one each and draw it. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/base/variant.h"
#include "platform/gui/controls.h"

class TSpecRowEh : public TPersistent {
  MEBRATH_CLASS(TSpecRowEh, TPersistent)
 public:
  // `owner` (may be null) lends its colour and font until the row has
  // its own.
  explicit TSpecRowEh(TControl* owner);
  ~TSpecRowEh() override;

  // Cells separated by ';'; a cell in double quotes may hold ';' (a
  // doubled quote stands for one). Control characters separate too and
  // are dropped; spaces belong to the cells.
  const std::string& CellsText() const { return FCellsText; }
  void SetCellsText(const std::string& value);
  // The text of cell `index`; empty outside the cells.
  std::string CellText(int index) const;
  int CellCount() const { return static_cast<int>(FCells.size()); }

  // The owner's colour until one is assigned.
  TColor Color() const;
  void SetColor(TColor value);
  bool ColorAssigned() const { return FColorAssigned; }
  // The owner's font (copied on each read) until one is assigned.
  TFont* Font();
  void SetFont(const TFont* value);
  bool FontAssigned() const { return FFontAssigned; }
  // Alt+Del by default.
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  bool ShowIfNotInKeyList() const { return FShowIfNotInKeyList; }
  void SetShowIfNotInKeyList(bool value);
  const Variant& Value() const { return FValue; }
  void SetValue(const Variant& value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);

  // Changes inside an update are told once, at its end.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Every change, outside updates.
  TNotifyEvent OnChanged;

  // Copies every property (the font only when the source has its own).
  void Assign(const TPersistent* source) override;

 private:
  void Changed();
  void FontChanged();

  TControl* FOwner;
  std::string FCellsText;
  std::vector<std::string> FCells;
  int FUpdateCount = 0;
  TColor FColor = clWindow;
  bool FColorAssigned = false;
  std::unique_ptr<TFont> FFont;
  bool FFontAssigned = false;
  bool FReadingFont = false;
  TShortCut FShortCut;
  bool FShowIfNotInKeyList = true;
  Variant FValue = Variant::Null();
  bool FVisible = false;
};
