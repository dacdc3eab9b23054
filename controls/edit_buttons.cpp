#include "controls/edit_buttons.h"

#include <algorithm>
#include <cmath>
#include <list>
#include <tuple>

#include "platform/draw/draw_utils.h"
#include "platform/gui/forms.h"
#include "platform/gui/window.h"

// ------------------------------------------------------------ widths

int DefaultFlatButtonWidth() {
  static const int width = [] {
    TCanvas& canvas = MeasureCanvas();
    TFont font;
    canvas.SetFont(&font);
    int h = static_cast<int>(std::lround(canvas.TextHeight("0") * 2.0 / 3.0));
    if (h % 2 == 0) ++h;
    return std::min(h, GetSystemMetrics(SM_CXVSCROLL));
  }();
  return width;
}

// ------------------------------------------------------------ TEditButtonEh

TEditButtonEh::TEditButtonEh(TCollection* collection)
    : TCollectionItem(collection), FGlyph(std::make_unique<TBitmap>()) {}

void TEditButtonEh::Change() {
  if (OnChangeInternal) {
    OnChangeInternal(this);
  } else {
    Changed(false);
  }
}

void TEditButtonEh::SetDropdownMenu(TPopupMenu* value) {
  if (FDropdownMenu == value) return;
  FDropdownMenu = value;
  // The editor hears the menu's destruction and clears it here.
  if (value != nullptr && FEditor != nullptr) value->FreeNotification(FEditor);
  Change();
}

void TEditButtonEh::SetGlyph(const TBitmap* value) {
  FGlyph->Assign(value);
  Change();
}

void TEditButtonEh::SetHint(const std::string& value) {
  if (FHint == value) return;
  FHint = value;
  Change();
}

void TEditButtonEh::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (FNumGlyphs == value) return;
  FNumGlyphs = value;
  Change();
}

void TEditButtonEh::SetShortCut(TShortCut value) {
  if (FShortCut == value) return;
  FShortCut = value;
  Change();
}

void TEditButtonEh::SetStyle(TEditButtonStyleEh value) {
  if (FStyle == value) return;
  FStyle = value;
  Change();
}

void TEditButtonEh::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  Change();
}

void TEditButtonEh::SetWidth(int value) {
  if (FWidth == value) return;
  FWidth = value;
  Change();
}

void TEditButtonEh::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TEditButtonEh*>(source);
  if (src == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  FDropdownMenu = src->FDropdownMenu;
  if (FDropdownMenu != nullptr && FEditor != nullptr) FDropdownMenu->FreeNotification(FEditor);
  FGlyph->Assign(src->FGlyph.get());
  FHint = src->FHint;
  FNumGlyphs = src->FNumGlyphs;
  FShortCut = src->FShortCut;
  FStyle = src->FStyle;
  FVisible = src->FVisible;
  FWidth = src->FWidth;
  OnClick = src->OnClick;
  OnDown = src->OnDown;
  Change();
}

TVisibleEditButtonEh::TVisibleEditButtonEh(TCollection* collection) : TEditButtonEh(collection) {
  // Not through the setters: the item is not announced yet.
  TEditButtonEh::SetVisible(true);
  TEditButtonEh::SetShortCut(::ShortCut(VK_DOWN, {ssAlt}));
}

// ------------------------------------------------------------ TEditButtonsEh

TEditButtonsEh::TEditButtonsEh(TWinControl* editor)
    : TCollection(ItemFactory<TVisibleEditButtonEh>()), FEditor(editor) {}

void TEditButtonsEh::Update(TCollectionItem* item) {
  TCollection::Update(item);
  if (OnUpdate) OnUpdate(this);
}

void TEditButtonsEh::Notify(TCollectionItem* item, TCollectionNotification action) {
  TCollection::Notify(item, action);
  if (action == cnAdded) static_cast<TEditButtonEh*>(item)->SetEditor(FEditor);
}

// ------------------------------------------------------------ faces

TDrawButtonControlStyleEh EditButtonStyleToDrawStyleEh(TEditButtonStyleEh style) {
  switch (style) {
    case ebsEllipsisEh:
      return bcsEllipsisEh;
    case ebsUpDownEh:
      return bcsUpDownEh;
    case ebsPlusEh:
      return bcsPlusEh;
    case ebsMinusEh:
      return bcsMinusEh;
    default:
      return bcsDropDownEh;
  }
}

namespace {

// A triangle `w` wide pointing down (or up) with its top-left at (x, y).
void Arrow(TCanvas& canvas, int x, int y, int w, bool down, TColor color) {
  int rows = (w + 1) / 2;
  for (int i = 0; i < rows; ++i) {
    int row = down ? y + i : y + rows - 1 - i;
    canvas.FillSolidRect(Rect(x + i, row, x + w - i, row + 1), color);
  }
}

void Symbol(TCanvas& canvas, const TRect& r, TDrawButtonControlStyleEh kind, bool upper,
            bool enabled, int shift) {
  TColor color = enabled ? TColor(clBtnText) : TColor(clGrayText);
  int cx = (r.Left + r.Right) / 2 + shift;
  int cy = (r.Top + r.Bottom) / 2 + shift;
  int w = std::max(3, std::min(7, (r.Width() - 2) | 1));
  switch (kind) {
    case bcsDropDownEh:
      Arrow(canvas, cx - w / 2, cy - (w + 1) / 4, w, true, color);
      break;
    case bcsEllipsisEh: {
      int gap = r.Width() >= 10 ? 4 : 3;
      for (int i = -1; i <= 1; ++i) {
        canvas.FillSolidRect(Rect(cx + i * gap - 1, cy, cx + i * gap + 1, cy + 2), color);
      }
      break;
    }
    case bcsUpDownEh: {
      int aw = std::max(3, std::min(5, (r.Width() - 4) | 1));
      int ah = (aw + 1) / 2;
      int top = cy - ah / 2 - (upper ? 0 : 1);
      Arrow(canvas, cx - aw / 2, top + (upper ? 0 : 1), aw, !upper, color);
      break;
    }
    case bcsPlusEh:
    case bcsMinusEh: {
      int half = std::max(1, std::min(3, (r.Width() - 4) / 2));
      canvas.FillSolidRect(Rect(cx - half, cy, cx + half + 1, cy + 1), color);
      if (kind == bcsPlusEh)
        canvas.FillSolidRect(Rect(cx, cy - half, cx + 1, cy + half + 1), color);
      break;
    }
    case bcsCheckboxEh:
      break;
  }
}

// One face part: background, border for its state, symbol.
void FacePart(TCanvas& canvas, TRect r, TColor color, TDrawButtonControlStyleEh kind, bool upper,
              bool pressed, bool flat, bool active, bool enabled) {
  if (flat) {
    canvas.FillSolidRect(r, active || pressed ? TColor(clBtnFace) : color);
    if (pressed) {
      DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    } else if (active) {
      DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    }
  } else {
    DrawButtonFace(canvas, r, pressed, false, false, enabled);
  }
  Symbol(canvas, r, kind, upper, enabled, pressed && !flat ? 1 : 0);
}

void PaintFace(TCanvas& canvas, const TRect& rect, TColor color, TDrawButtonControlStyleEh kind,
               int pressedPart, bool flat, bool active, bool enabled, TCheckBoxState checkState) {
  if (kind == bcsCheckboxEh) {
    canvas.FillSolidRect(rect, color);
    TRect r = rect;
    unsigned state = DFCS_BUTTONCHECK;
    if (checkState == cbChecked) state |= DFCS_CHECKED;
    if (checkState == cbGrayed) state |= DFCS_BUTTON3STATE | DFCS_CHECKED;
    if (!enabled) state |= DFCS_INACTIVE;
    if (pressedPart != 0) state |= DFCS_PUSHED;
    if (flat) state |= DFCS_FLAT;
    if (active) state |= DFCS_HOT;
    DrawFrameControl(canvas, r, DFC_BUTTON, state);
    return;
  }
  if (kind == bcsUpDownEh) {
    int h = rect.Height();
    TRect upper = Rect(rect.Left, rect.Top, rect.Right, rect.Top + h / 2);
    TRect lower = Rect(rect.Left, rect.Top + h / 2, rect.Right, rect.Bottom);
    FacePart(canvas, upper, color, kind, true, pressedPart == 1, flat, active, enabled);
    FacePart(canvas, lower, color, kind, false, pressedPart == 2, flat, active, enabled);
    return;
  }
  FacePart(canvas, rect, color, kind, true, pressedPart != 0, flat, active, enabled);
}

struct TButtonBitmapInfoBitmapEh {
  using TKey = std::tuple<int, int, int, int, bool, bool, bool, int, TColor>;
  TKey Key;
  std::unique_ptr<TBitmap> Bitmap;
};

// Most recently used first.
using TButtonsBitmapCache = std::list<TButtonBitmapInfoBitmapEh>;

TButtonsBitmapCache& Cache() {
  static TButtonsBitmapCache cache;
  return cache;
}

}  // namespace

void PaintButtonControlEh(TCanvas& canvas, const TRect& rect, TColor color,
                          TDrawButtonControlStyleEh kind, int pressedPart, bool flat, bool active,
                          bool enabled, TCheckBoxState checkState) {
  int w = rect.Width();
  int h = rect.Height();
  if (w <= 0 || h <= 0) return;
  TButtonBitmapInfoBitmapEh::TKey key{
      w,      h,       static_cast<int>(kind),       pressedPart, flat,
      active, enabled, static_cast<int>(checkState), color};
  TButtonsBitmapCache& cache = Cache();
  auto it = std::find_if(cache.begin(), cache.end(),
                         [&](const TButtonBitmapInfoBitmapEh& e) { return e.Key == key; });
  if (it == cache.end()) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(w, h);
    PaintFace(*bitmap->Canvas(), Rect(0, 0, w, h), color, kind, pressedPart, flat, active, enabled,
              checkState);
    cache.push_front({key, std::move(bitmap)});
    if (static_cast<int>(cache.size()) > kButtonsBitmapCacheLimit) cache.pop_back();
    it = cache.begin();
  } else if (it != cache.begin()) {
    cache.splice(cache.begin(), cache, it);
    it = cache.begin();
  }
  canvas.Draw(rect.Left, rect.Top, it->Bitmap.get());
}

void ClearButtonsBitmapCache() { Cache().clear(); }

int ButtonsBitmapCacheCount() { return static_cast<int>(Cache().size()); }

// ------------------------------------------------------------ placement

TDropDownPlacementEh AlignDropDownWindowRectEh(const TRect& controlRect, TSize size,
                                               TDropDownAlign align, const TRect& workArea) {
  TPopupAlignment a = align == daRight ? paRight : align == daCenter ? paCenter : paLeft;
  TPopupPlacement p = PlacePopup(controlRect, size, a, workArea);
  TDropDownPlacementEh result;
  result.Bounds = p.Bounds;
  result.VerticalDirection = p.Above ? 2 : 3;
  result.HorizontalDirection = p.GripLeft ? 0 : 1;
  return result;
}

TDropDownPlacementEh AlignDropDownWindowEh(const TControl& control, TWinControl& dropDown,
                                           TDropDownAlign align) {
  TPoint origin = control.Parent() != nullptr
                      ? control.Parent()->ClientToScreen({control.Left(), control.Top()})
                      : TPoint{control.Left(), control.Top()};
  TDropDownPlacementEh p = AlignDropDownWindowRectEh(
      Bounds(origin.X, origin.Y, control.Width(), control.Height()),
      {dropDown.Width(), dropDown.Height()}, align, Screen->WorkAreaRect());
  dropDown.Perform(CM_DROPDOWNGRIPDIRECTIONEH, static_cast<WPARAM>(p.VerticalDirection));
  dropDown.Perform(CM_DROPDOWNGRIPDIRECTIONEH, static_cast<WPARAM>(p.HorizontalDirection));
  return p;
}

// ------------------------------------------------------------ tree elements

namespace {

// Dots one pixel wide every two pixels, starting one pixel later when the
// start's parity and the phase ask for it, so neighbouring cells agree.
void DottedLine(TCanvas& canvas, int x1, int y1, int x2, int y2, bool phase, TColor color) {
  bool horizontal = y1 == y2;
  int from = horizontal ? std::min(x1, x2) : std::min(y1, y2);
  int to = horizontal ? std::max(x1, x2) : std::max(y1, y2);
  int parity = ((x1 + y1) & 1) ^ (phase ? 1 : 0);
  if (parity != 0) ++from;
  for (int p = from; p < to; p += 2) {
    if (horizontal) {
      canvas.FillSolidRect(Rect(p, y1, p + 1, y1 + 1), color);
    } else {
      canvas.FillSolidRect(Rect(x1, p, x1 + 1, p + 1), color);
    }
  }
}

}  // namespace

void DrawTreeElementEh(TCanvas& canvas, const TRect& rect, int kind, double scaleX, double scaleY,
                       bool dotPhase) {
  int cx = (rect.Left + rect.Right) / 2;
  int cy = (rect.Top + rect.Bottom) / 2;
  TColor line = clBtnShadow;
  if (kind >= 0 && kind <= 5) {
    int hx = static_cast<int>(std::lround(4 * scaleX));
    int hy = static_cast<int>(std::lround(4 * scaleY));
    TRect box = Rect(cx - hx, cy - hy, cx + hx + 1, cy + hy + 1);
    DottedLine(canvas, box.Right, cy, rect.Right, cy, dotPhase, line);
    if (kind == 0 || kind == 1 || kind == 3 || kind == 4) {
      DottedLine(canvas, cx, rect.Top, cx, box.Top, dotPhase, line);
    }
    if (kind == 0 || kind == 2 || kind == 3 || kind == 5) {
      DottedLine(canvas, cx, box.Bottom, cx, rect.Bottom, dotPhase, line);
    }
    canvas.FillSolidRect(box, clWindow);
    canvas.Brush()->SetColor(clBtnShadow);
    canvas.FrameRect(box);
    int ix = static_cast<int>(std::lround(2 * scaleX));
    int iy = static_cast<int>(std::lround(2 * scaleY));
    canvas.FillSolidRect(Rect(box.Left + ix, cy, box.Right - ix, cy + 1), clWindowText);
    if (kind >= 3)
      canvas.FillSolidRect(Rect(cx, box.Top + iy, cx + 1, box.Bottom - iy), clWindowText);
    return;
  }
  switch (kind) {
    case 6:
      DottedLine(canvas, cx, rect.Top, cx, rect.Bottom, dotPhase, line);
      DottedLine(canvas, cx, cy, rect.Right, cy, dotPhase, line);
      break;
    case 7:
      DottedLine(canvas, cx, rect.Top, cx, cy, dotPhase, line);
      DottedLine(canvas, cx, cy, rect.Right, cy, dotPhase, line);
      break;
    case 8:
      DottedLine(canvas, cx, cy, rect.Right, cy, dotPhase, line);
      DottedLine(canvas, cx, cy, cx, rect.Bottom, dotPhase, line);
      break;
    case 9:
      DottedLine(canvas, cx, rect.Top, cx, rect.Bottom, dotPhase, line);
      break;
    default:
      break;
  }
}

// ------------------------------------------------------------ TSpeedButtonEh

TSpeedButtonEh::TSpeedButtonEh(TComponent* owner) : TSpeedButton(owner) {}

void TSpeedButtonEh::SetStyle(TEditButtonStyleEh value) {
  if (FStyle == value) return;
  FStyle = value;
  Invalidate();
}

void TSpeedButtonEh::SetActive(bool value) {
  if (FActive == value) return;
  FActive = value;
  Invalidate();
}

int TSpeedButtonEh::PressedPart() const {
  TButtonState state = State();
  return state == bsDown || state == bsExclusive ? 1 : 0;
}

void TSpeedButtonEh::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  TColor color = Parent() != nullptr ? Parent()->Color() : TColor(clBtnFace);
  if (FStyle == ebsGlyphEh) {
    if (!Flat()) {
      TSpeedButton::Paint();
      return;
    }
    // A flat glyph button draws its own border around the speed button's
    // face, so that it looks like the other flat edit buttons.
    canvas.FillSolidRect(r, color);
    {
      TRect inner = r;
      InflateRect(inner, -1, -1);
      TCanvasStateSaver saver(canvas);
      canvas.IntersectClipRect(inner);
      TSpeedButton::Paint();
    }
    TRect frame = r;
    if (FActive) {
      DrawEdge(canvas, frame, PressedPart() != 0 ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    } else {
      canvas.Brush()->SetColor(color);
      canvas.FrameRect(frame);
    }
    return;
  }
  PaintButtonControlEh(canvas, r, color, EditButtonStyleToDrawStyleEh(FStyle), PressedPart(),
                       Flat(), FActive || MouseInControl(), Enabled());
}

// ------------------------------------------------------------ TEditButtonControlEh

TEditButtonControlEh::TEditButtonControlEh(TComponent* owner) : TSpeedButtonEh(owner) {
  SetBounds(0, 0, 10, 17);
}

int TEditButtonControlEh::UpDownPartAt(int height, int y) {
  if (y < height / 2) return 1;
  if (y > height - height / 2) return 2;
  return 0;
}

int TEditButtonControlEh::PressedPart() const {
  TButtonState state = State();
  if (state != bsDown && state != bsExclusive) return 0;
  if (FAlwaysDown) return 1;
  return FButtonNum;
}

void TEditButtonControlEh::SetAlwaysDown(bool value) {
  if (FAlwaysDown == value) return;
  FAlwaysDown = value;
  if (value) {
    // A group of one: down, and a click cannot release it.
    SetGroupIndex(reinterpret_cast<std::intptr_t>(this) & 0x7FFFFFFF);
    SetAllowAllUp(false);
    SetDown(true);
    FButtonNum = 1;
  } else {
    SetAllowAllUp(true);
    SetDown(false);
    SetGroupIndex(0);
    FButtonNum = 0;
  }
  Invalidate();
}

void TEditButtonControlEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnButtonMouseDown) OnButtonMouseDown(this, button, shift, x, y);
  if (button == mbLeft && Enabled() && !FAlwaysDown) {
    FButtonNum = Style() == ebsUpDownEh ? UpDownPartAt(Height(), y) : 1;
  }
  FReleasedByMove = false;
  FNoClick = false;
  TSpeedButtonEh::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  FMouseIsDown = true;
  if (FButtonNum > 0) {
    bool autoRepeat = Style() == ebsUpDownEh && !FAlwaysDown;
    bool handled = false;
    if (OnDown) OnDown(this, FButtonNum == 1, autoRepeat, handled);
    if (autoRepeat && FMouseIsDown) {
      if (FTimer == nullptr) {
        FTimer = Create<TTimer>(this);
        FTimer->OnTimer = [this](TObject*) { AutoRepeatTick(); };
      }
      FTimer->SetEnabled(false);
      FTimer->SetInterval(400);
      FTimer->SetEnabled(true);
    }
  }
}

void TEditButtonControlEh::AutoRepeatTick() {
  if (FTimer == nullptr || !FTimer->Enabled()) return;
  if (FTimer->Interval() == 400) FTimer->SetInterval(100);
  TButtonState state = State();
  if (!FMouseIsDown || (state != bsDown && state != bsExclusive)) return;
  bool autoRepeat = true;
  bool handled = false;
  if (OnDown) OnDown(this, FButtonNum == 1, autoRepeat, handled);
  if (!autoRepeat) StopRepeat();
}

void TEditButtonControlEh::StopRepeat() {
  if (FTimer != nullptr) FTimer->SetEnabled(false);
}

void TEditButtonControlEh::MouseMove(TShiftState shift, int x, int y) {
  TSpeedButtonEh::MouseMove(shift, x, y);
  if (OnButtonMouseMove) OnButtonMouseMove(this, shift, x, y);
  if (!FMouseIsDown || Style() != ebsUpDownEh || FAlwaysDown) return;
  int middle = Height() / 2;
  bool left = (FButtonNum == 2 && y < middle) || (FButtonNum == 1 && y >= middle);
  if (left && !FReleasedByMove) {
    FReleasedByMove = true;
    SetState(bsUp);
  }
  if (FReleasedByMove) SetState(bsUp);
}

void TEditButtonControlEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    StopRepeat();
    FMouseIsDown = false;
    FNoClick = FReleasedByMove;
  }
  TSpeedButtonEh::MouseUp(button, shift, x, y);
  if (button == mbLeft) {
    FNoClick = false;
    FReleasedByMove = false;
    if (!FAlwaysDown) FButtonNum = 0;
  }
  if (OnButtonMouseUp) OnButtonMouseUp(this, button, shift, x, y);
}

void TEditButtonControlEh::Click() {
  if (FNoClick) return;
  TSpeedButtonEh::Click();
}
