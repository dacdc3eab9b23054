#include "grid/grid_style.h"

#include <algorithm>
#include <cmath>

namespace {

int gScreenColorCount = -1;
TObjectPtr<TDBGridEhStyle>& DefaultStyle() {
  static TObjectPtr<TDBGridEhStyle> style;
  return style;
}

int BlendChannel(int c, int t, bool darken) {
  double m = (t - c) * 0.5 + c;
  m = (225 - m) * 0.6 + m;
  if (darken) m = m - (122 - m) * 0.25;
  return std::clamp(static_cast<int>(std::lround(m)), 0, 255);
}

}  // namespace

TDBGridEhStyle::TDBGridEhStyle() { UpdateColorCount(); }

TDBGridEhStyle::~TDBGridEhStyle() {
  while (!FGrids.empty()) {
    IDBGridEhStyleClient* grid = FGrids.back();
    FGrids.pop_back();
    grid->StyleDestroyed(this);
  }
}

void TDBGridEhStyle::AddGrid(IDBGridEhStyleClient* grid) {
  if (!IsGridRegistered(grid)) FGrids.push_back(grid);
}

void TDBGridEhStyle::RemoveGrid(IDBGridEhStyleClient* grid) { std::erase(FGrids, grid); }

bool TDBGridEhStyle::IsGridRegistered(IDBGridEhStyleClient* grid) const {
  return std::find(FGrids.begin(), FGrids.end(), grid) != FGrids.end();
}

void TDBGridEhStyle::UpdateColorCount() { FColorCount = gScreenColorCount; }

void TDBGridEhStyle::SetScreenColorCount(int count) { gScreenColorCount = count; }

TColor TDBGridEhStyle::Blend(TColor color, TColor target, bool darken) {
  const TColor c = ColorToRGB(color);
  const TColor t = ColorToRGB(target);
  return RGB(BlendChannel(GetRValue(c), GetRValue(t), darken),
             BlendChannel(GetGValue(c), GetGValue(t), darken),
             BlendChannel(GetBValue(c), GetBValue(t), darken));
}

bool TDBGridEhStyle::HighlightDataCellColor(const TDBGridEhHighlightInfo& info, TColor& background,
                                            TColor& fontColor) {
  const bool rowSelect = info.Options.Contains(dgRowSelect);
  bool highlighted = info.CellSelected;
  bool focusHighlight = info.GridFocused && info.OptionsEh.Contains(dghHighlightFocus);
  if (!highlighted) {
    bool selected = info.DrawSelected;
    if (info.OptionsEh.Contains(dghRowHighlight) && info.CurrentRow && info.SelectionEmpty &&
        !info.CurrentCol) {
      selected = true;
      focusHighlight = true;
    }
    if (selected || (info.CurrentRow && rowSelect)) {
      highlighted = (info.Options.Contains(dgAlwaysShowSelection) || focusHighlight) &&
                    (!info.EditorMode || rowSelect);
    }
  }
  if (!highlighted) return false;

  const bool currentCell = info.CurrentRow && (info.CurrentCol || rowSelect);
  if (info.GridFocused || info.EditorFocused) {
    if (FLuminateSelection && Blending() && !currentCell) {
      background = Blend(background, clHighlight, false);
    } else {
      background = clHighlight;
      fontColor = clHighlightText;
    }
  } else if (currentCell && (info.Options.Contains(dgAlwaysShowSelection) || focusHighlight)) {
    background = clBtnShadow;
    fontColor = clHighlightText;
  } else {
    background = Blending() ? Blend(background, clBtnShadow, false) : clBtnFace;
  }
  return true;
}

bool TDBGridEhStyle::HighlightNoDataCellColor(const TDBGridEhHighlightInfo& info,
                                              TCellColPartEh colPart, TCellRowPartEh rowPart,
                                              bool highlighted, TColor& background,
                                              TColor& fontColor) {
  if (!highlighted) return false;
  const bool darkCell =
      (colPart == ccpIndicatorEh && rowPart != crpFooterFillerEh) ||
      (colPart == ccpDataEh && (rowPart == crpTitleEh || rowPart == crpSubTitleEh));
  if (darkCell) {
    background = RGB(64, 64, 64);
    fontColor = clWhite;
  } else if (!(info.GridFocused || info.EditorFocused)) {
    background = Blending() ? Blend(background, clBtnShadow, false) : clBtnFace;
  } else if (FLuminateSelection && Blending()) {
    background = Blend(background, clHighlight, true);
  } else {
    background = clHighlight;
    fontColor = clHighlightText;
  }
  return true;
}

TDBGridEhStyle* GetDBGridEhStyle() {
  if (!DefaultStyle()) DefaultStyle() = CreateUnique<TDBGridEhStyle>();
  return DefaultStyle().get();
}

void FreeDBGridEhStyle() { DefaultStyle().reset(); }
