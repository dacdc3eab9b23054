#include "controls/lookup_special_row.h"

TSpecRowEh::TSpecRowEh(TControl* owner)
    : FOwner(owner), FFont(std::make_unique<TFont>()), FShortCut(::ShortCut(VK_DELETE, {ssAlt})) {
  FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TSpecRowEh::~TSpecRowEh() = default;

namespace {

bool IsControlChar(char c) { return c >= 1 && c <= 31; }

std::vector<std::string> ParseCells(const std::string& text) {
  std::vector<std::string> cells;
  std::size_t i = 0;
  std::size_t n = text.size();
  while (i < n && IsControlChar(text[i])) ++i;
  while (i < n) {
    std::string cell;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            cell += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell += text[i++];
      }
      // Anything after the closing quote up to the separator is dropped.
      while (i < n && text[i] != ';' && !IsControlChar(text[i])) ++i;
    } else {
      while (i < n && text[i] != ';' && !IsControlChar(text[i])) cell += text[i++];
    }
    cells.push_back(std::move(cell));
    while (i < n && IsControlChar(text[i])) ++i;
    if (i < n && text[i] == ';') {
      ++i;
      while (i < n && IsControlChar(text[i])) ++i;
    }
  }
  return cells;
}

}  // namespace

void TSpecRowEh::SetCellsText(const std::string& value) {
  if (FCellsText == value) return;
  FCellsText = value;
  FCells = ParseCells(value);
  Changed();
}

std::string TSpecRowEh::CellText(int index) const {
  if (index < 0 || index >= CellCount()) return {};
  return FCells[static_cast<std::size_t>(index)];
}

TColor TSpecRowEh::Color() const {
  if (!FColorAssigned && FOwner != nullptr) return FOwner->Color();
  return FColor;
}

void TSpecRowEh::SetColor(TColor value) {
  if (FColorAssigned && FColor == value) return;
  FColor = value;
  FColorAssigned = true;
  Changed();
}

TFont* TSpecRowEh::Font() {
  if (!FFontAssigned && FOwner != nullptr) {
    FReadingFont = true;
    FFont->Assign(FOwner->Font());
    FReadingFont = false;
  }
  return FFont.get();
}

void TSpecRowEh::SetFont(const TFont* value) { FFont->Assign(value); }

void TSpecRowEh::FontChanged() {
  if (FReadingFont) return;
  FFontAssigned = true;
  Changed();
}

void TSpecRowEh::SetShortCut(TShortCut value) {
  if (FShortCut == value) return;
  FShortCut = value;
  Changed();
}

void TSpecRowEh::SetShowIfNotInKeyList(bool value) {
  if (FShowIfNotInKeyList == value) return;
  FShowIfNotInKeyList = value;
  Changed();
}

void TSpecRowEh::SetValue(const Variant& value) {
  FValue = value;
  Changed();
}

void TSpecRowEh::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  Changed();
}

void TSpecRowEh::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) Changed();
}

void TSpecRowEh::Changed() {
  if (FUpdateCount == 0 && OnChanged) OnChanged(this);
}

void TSpecRowEh::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TSpecRowEh*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  BeginUpdate();
  SetCellsText(src->FCellsText);
  if (src->FColorAssigned) SetColor(src->FColor);
  if (src->FFontAssigned) SetFont(src->FFont.get());
  SetShortCut(src->FShortCut);
  SetShowIfNotInKeyList(src->FShowIfNotInKeyList);
  SetValue(src->FValue);
  SetVisible(src->FVisible);
  EndUpdate();
}
