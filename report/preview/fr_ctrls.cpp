#include "report/preview/fr_ctrls.h"

#include <algorithm>

#include "platform/base/registry.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/messages.h"

namespace {

std::unique_ptr<TfrGlyphCache> GlyphCache;
int ButtonCount = 0;
// The checked-face pattern every button paints with.
std::unique_ptr<TBitmap> Pattern;

void MakeResources() {
  Pattern = std::make_unique<TBitmap>(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      Pattern->Canvas()->SetPixels(x, y, (x + y) % 2 ? clBtnHighlight : clBtnFace);
}

}  // namespace

TfrGlyphCache* frGlyphCache() { return GlyphCache.get(); }
int frButtonCount() { return ButtonCount; }
bool frButtonResourcesExist() { return Pattern != nullptr; }

// --- TfrGlyphList --------------------------------------------------------------

TfrGlyphList::TfrGlyphList(TComponent* owner, int width, int height) : TImageList(owner) {
  SetSize(width, height);
}

int TfrGlyphList::AddMasked(const TBitmap* image, TColor maskColor) {
  auto free = std::find(FSlots.begin(), FSlots.end(), false);
  int index;
  if (free == FSlots.end()) {
    index = TImageList::AddMasked(image, maskColor);
    if (index < 0) return -1;
    FSlots.resize(static_cast<std::size_t>(Count()), false);
  } else {
    index = static_cast<int>(free - FSlots.begin());
    ReplaceMasked(index, image, maskColor);
  }
  FSlots[static_cast<std::size_t>(index)] = true;
  ++FUsed;
  return index;
}

void TfrGlyphList::Delete(int index) {
  if (index < 0 || index >= static_cast<int>(FSlots.size())) return;
  if (!FSlots[static_cast<std::size_t>(index)]) return;
  // The slot stays, so the other buttons' indexes do not move.
  FSlots[static_cast<std::size_t>(index)] = false;
  --FUsed;
}

// --- TfrGlyphCache -------------------------------------------------------------

TfrGlyphCache::~TfrGlyphCache() {
  for (TfrGlyphList* list : FLists) list->Free();
}

TfrGlyphList* TfrGlyphCache::GetList(int width, int height) {
  for (TfrGlyphList* list : FLists)
    if (list->Width() == width && list->Height() == height) return list;
  FLists.push_back(Create<TfrGlyphList>(nullptr, width, height));
  return FLists.back();
}

void TfrGlyphCache::ReturnList(TfrGlyphList* list) {
  if (list == nullptr || list->UsedCount() > 0) return;
  auto it = std::find(FLists.begin(), FLists.end(), list);
  if (it == FLists.end()) return;
  FLists.erase(it);
  list->Free();
}

// --- TfrButtonGlyph ------------------------------------------------------------

TfrButtonGlyph::TfrButtonGlyph() : FOriginal(std::make_unique<TBitmap>()) {
  if (GlyphCache == nullptr) GlyphCache = std::make_unique<TfrGlyphCache>();
}

TfrButtonGlyph::~TfrButtonGlyph() {
  Invalidate();
  if (GlyphCache != nullptr && GlyphCache->Empty()) GlyphCache.reset();
}

void TfrButtonGlyph::SetGlyph(const TBitmap* value) {
  Invalidate();
  FOriginal->Assign(value);
}

void TfrButtonGlyph::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (value == FNumGlyphs) return;
  Invalidate();
  FNumGlyphs = value;
}

TSize TfrButtonGlyph::ImageSize() const {
  if (FOriginal->Empty()) return {0, 0};
  return {FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
}

void TfrButtonGlyph::Invalidate() {
  if (FList == nullptr) return;
  for (int& index : FIndexes) {
    FList->Delete(index);
    index = -1;
  }
  if (GlyphCache != nullptr) GlyphCache->ReturnList(FList);
  FList = nullptr;
}

void TfrButtonGlyph::Make() {
  if (FList != nullptr || FOriginal->Empty()) return;
  const TSize size = ImageSize();
  if (size.cx <= 0 || size.cy <= 0) return;
  if (GlyphCache == nullptr) GlyphCache = std::make_unique<TfrGlyphCache>();
  FList = GlyphCache->GetList(size.cx, size.cy);
  // The bottom-left pixel's colour is transparent, as in every glyph.
  const TColor mask = FOriginal->Canvas()->Pixels(0, FOriginal->Height() - 1);
  for (int i = 0; i < FNumGlyphs; ++i) {
    TBitmap piece(size.cx, size.cy);
    piece.Canvas()->DrawImage(Rect(0, 0, size.cx, size.cy), FOriginal->Image(),
                              Bounds(i * size.cx, 0, size.cx, size.cy));
    FIndexes[i] = FList->AddMasked(&piece, mask);
  }
}

void TfrButtonGlyph::Draw(TCanvas& canvas, TPoint pos, TfrGlyphImage state, bool grey) {
  Make();
  if (FList == nullptr) return;
  int index = FIndexes[state];
  bool enabled = !grey;
  if (index < 0) {
    index = FIndexes[giUp];
    if (state == giDisabled) enabled = false;
  }
  FList->Draw(&canvas, pos.X, pos.Y, index, enabled);
}

// --- TfrSpeedButton ------------------------------------------------------------

TfrSpeedButton::TfrSpeedButton(TComponent* owner) : TSpeedButton(owner) {
  if (ButtonCount++ == 0) MakeResources();
  SetBounds(0, 0, 22, 22);
  SetParentFont(true);
  SetMargin(-1);
  SetSpacing(4);
}

TfrSpeedButton::~TfrSpeedButton() {
  if (--ButtonCount == 0) Pattern.reset();
}

void TfrSpeedButton::SetGlyph(const TBitmap* value) {
  FFrGlyph.SetGlyph(value);
  Invalidate();
}

void TfrSpeedButton::SetNumGlyphs(int value) {
  FFrGlyph.SetNumGlyphs(value);
  Invalidate();
}

void TfrSpeedButton::SetGrayedInactive(bool value) {
  if (FGrayedInactive == value) return;
  FGrayedInactive = value;
  Invalidate();
}

void TfrSpeedButton::WndProc(TMessage& message) {
  TSpeedButton::WndProc(message);
  if (message.Msg == CM_MOUSEENTER) {
    if (FGrayedInactive) Invalidate();
    if (OnMouseEnter) OnMouseEnter(this);
  } else if (message.Msg == CM_MOUSELEAVE) {
    if (FGrayedInactive) Invalidate();
    if (OnMouseLeave) OnMouseLeave(this);
  }
}

void TfrSpeedButton::PaintFace(TCanvas& canvas, TRect& rect) {
  TSpeedButton::PaintFace(canvas, rect);
  // A button held down (not pressed now) shows the checked pattern.
  if (State() == bsExclusive && Pattern != nullptr) {
    TRect inner = rect;
    for (int y = inner.Top; y < inner.Bottom; y += 8)
      for (int x = inner.Left; x < inner.Right; x += 8)
        canvas.DrawImage(Rect(x, y, std::min(x + 8, inner.Right), std::min(y + 8, inner.Bottom)),
                         Pattern->Image(),
                         Rect(0, 0, std::min(8, inner.Right - x), std::min(8, inner.Bottom - y)));
  }
}

void TfrSpeedButton::PaintContent(TCanvas& canvas, const TRect& rect, TPoint offset) {
  const TSize glyphSize = FFrGlyph.ImageSize();
  TPoint glyphPos;
  TRect text;
  CalcButtonLayout(canvas, rect, offset, Caption(), Layout(), Margin(), Spacing(), glyphSize,
                   glyphPos, text);
  const TButtonState state = State();
  const bool grey = FGrayedInactive && Flat() && !MouseInControl() && state != bsDisabled &&
                    !Down() && !(ComponentState().Contains(csDesigning));
  FFrGlyph.Draw(canvas, glyphPos, static_cast<TfrGlyphImage>(state), grey);
  if (Caption().empty()) return;
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetTextColor(Enabled() ? clBtnText : clGrayText);
  DrawText(canvas, Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

TfrTBButton::TfrTBButton(TComponent* owner) : TfrSpeedButton(owner) { SetFlat(true); }

// --- TfrTBSeparator ------------------------------------------------------------

TfrTBSeparator::TfrTBSeparator(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 8, 8);
  SetAlign(alLeft);
}

void TfrTBSeparator::SetDrawBevel(bool value) {
  if (FDrawBevel == value) return;
  FDrawBevel = value;
  Invalidate();
}

void TfrTBSeparator::Paint() {
  if (!FDrawBevel) return;
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  if (Align() == alLeft || Align() == alRight) {
    const int x = r.Width() / 2 - 1;
    TRect line = Rect(x, 1, x + 2, r.Height() - 1);
    DrawEdge(canvas, line, EDGE_ETCHED, BF_LEFT);
  } else {
    const int y = r.Height() / 2 - 1;
    TRect line = Rect(1, y, r.Width() - 1, y + 2);
    DrawEdge(canvas, line, EDGE_ETCHED, BF_TOP);
  }
}

// --- window positions ------------------------------------------------------------

namespace {

const char* const kRegistryRoot = "\\Software\\Ordvik";

std::string FormKey(const TCustomForm* form) {
  return std::string(kRegistryRoot) + "\\Form\\" + form->ClassName();
}

int ReadOr(TRegistry& reg, const char* name, int fallback) {
  try {
    return reg.ValueExists(name) ? reg.ReadInteger(name) : fallback;
  } catch (const ERegistryException&) {
    return fallback;
  }
}

}  // namespace

void SaveFormPosition(TCustomForm* form) {
  TRegistry reg;
  reg.OpenKey(FormKey(form), true);
  reg.WriteInteger("XPosition", form->Left());
  reg.WriteInteger("YPosition", form->Top());
  reg.WriteInteger("Width", form->Width());
  reg.WriteInteger("Height", form->Height());
  reg.WriteBool("Maximized", form->WindowState() == wsMaximized);
}

void RestoreFormPosition(TCustomForm* form) {
  TRegistry reg;
  if (!reg.OpenKey(FormKey(form), false)) return;
  bool maximized = true;
  try {
    if (reg.ValueExists("Maximized")) maximized = reg.ReadBool("Maximized");
  } catch (const ERegistryException&) {
  }
  if (!maximized) form->SetWindowState(wsNormal);
  int left = ReadOr(reg, "XPosition", form->Left());
  int top = ReadOr(reg, "YPosition", form->Top());
  int width = ReadOr(reg, "Width", form->Width());
  int height = ReadOr(reg, "Height", form->Height());
  // A screen may have gone since: keep the window on the one there is.
  const TRect work = Screen->WorkAreaRect();
  if (work.Width() > 0 && work.Height() > 0) {
    width = std::clamp(width, 1, work.Width());
    height = std::clamp(height, 1, work.Height());
    left = std::clamp(left, work.Left, work.Right - width);
    top = std::clamp(top, work.Top, work.Bottom - height);
  }
  form->SetBounds(left, top, width, height);
}
