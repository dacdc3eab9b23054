#include "platform/widgets/std_lists.h"

#include <algorithm>
#include <optional>

#include "platform/base/clock.h"
#include "platform/base/exceptions.h"
#include "platform/base/text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/scrolling.h"

namespace {

int FontHeight(const TFont* font) {
  TCanvas& c = MeasureCanvas();
  TCanvasStateSaver saver(c);
  c.SetFont(font);
  return c.TextMetrics().tmHeight;
}

bool StartsWithText(const std::string& text, const std::string& prefix) {
  return AnsiCompareText(Copy(text, 1, Length(prefix)), prefix) == 0;
}

}  // namespace

// ------------------------------------------------------- TListBoxStrings

int TListBoxStrings::Count() const { return static_cast<int>(FItems.size()); }

std::string TListBoxStrings::Get(int Index) const {
  CheckIndex(Index, Count() - 1);
  return FItems[static_cast<std::size_t>(Index)].Text;
}

void* TListBoxStrings::GetObject(int Index) const {
  CheckIndex(Index, Count() - 1);
  return FItems[static_cast<std::size_t>(Index)].Object;
}

void TListBoxStrings::InsertObject(int Index, std::string_view S, void* AObject) {
  CheckIndex(Index, Count());
  FItems.insert(FItems.begin() + Index, TItem{std::string(S), AObject});
  // The selection keeps to its item.
  if (FListBox->FItemIndex >= Index) ++FListBox->FItemIndex;
  FListBox->ItemsChangedInternal();
}

int TListBoxStrings::AddObject(std::string_view S, void* AObject) {
  int index = Count();
  if (FListBox->FSorted) {
    auto it = std::upper_bound(
        FItems.begin(), FItems.end(), S,
        [](std::string_view s, const TItem& i) { return AnsiCompareText(s, i.Text) < 0; });
    index = static_cast<int>(it - FItems.begin());
  }
  InsertObject(index, S, AObject);
  return index;
}

void TListBoxStrings::Delete(int Index) {
  CheckIndex(Index, Count() - 1);
  FItems.erase(FItems.begin() + Index);
  int& sel = FListBox->FItemIndex;
  if (sel == Index) {
    sel = -1;
  } else if (sel > Index) {
    --sel;
  }
  FListBox->ItemsChangedInternal();
}

void TListBoxStrings::Clear() {
  FItems.clear();
  FListBox->FItemIndex = -1;
  FListBox->FTopIndex = 0;
  FListBox->ItemsChangedInternal();
}

void TListBoxStrings::Put(int Index, std::string_view S) {
  CheckIndex(Index, Count() - 1);
  auto& item = FItems[static_cast<std::size_t>(Index)];
  item.Text = std::string(S);
  item.Height = -1;
  FListBox->ItemsChangedInternal();
}

void TListBoxStrings::PutObject(int Index, void* AObject) {
  CheckIndex(Index, Count() - 1);
  FItems[static_cast<std::size_t>(Index)].Object = AObject;
}

int TListBoxStrings::IndexOf(std::string_view S) const {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (AnsiCompareText(FItems[i].Text, S) == 0) return static_cast<int>(i);
  }
  return -1;
}

void TListBoxStrings::SetUpdateState(bool Updating) {
  FListBox->FUpdating = Updating;
  if (!Updating) FListBox->ItemsChangedInternal();
}

// -------------------------------------------------------- TCustomListBox

TCustomListBox::TCustomListBox(TComponent* owner)
    : TCustomControl(owner), FItems(std::make_unique<TListBoxStrings>(this)) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
}

void TCustomListBox::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_VSCROLL;
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
  TCustomControl::CreateWnd();
  // A new window's bar has the default range: the items may have come first.
  UpdateScrollBar();
}

void TCustomListBox::SetItems(const TStrings* value) {
  if (value != nullptr) FItems->Assign(*value);
}

int TCustomListBox::Count() const {
  if (FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw) return FVirtualCount;
  return FItems->Count();
}

void TCustomListBox::SetCount(int value) {
  value = std::max(value, 0);
  if (value == FVirtualCount) return;
  FVirtualCount = value;
  if (FItemIndex >= value) FItemIndex = -1;
  ItemsChangedInternal();
}

std::string TCustomListBox::ItemText(int index) const {
  if (FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw) {
    std::string data;
    if (OnData && index >= 0 && index < FVirtualCount)
      OnData(const_cast<TCustomListBox*>(this), index, data);
    return data;
  }
  return FItems->Get(index);
}

void TCustomListBox::ItemsChangedInternal() {
  if (FUpdating) return;
  if (FItemIndex >= Count()) FItemIndex = -1;
  FTopIndex = std::clamp(FTopIndex, 0, std::max(0, Count() - 1));
  ItemsChanged();
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::ItemsChanged() {}

void TCustomListBox::SortItems() {
  auto& items = FItems->FItems;
  void* selected = nullptr;
  std::string selectedText;
  bool hadSelection = FItemIndex >= 0 && FItemIndex < static_cast<int>(items.size());
  if (hadSelection) {
    selected = items[static_cast<std::size_t>(FItemIndex)].Object;
    selectedText = items[static_cast<std::size_t>(FItemIndex)].Text;
  }
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return AnsiCompareText(a.Text, b.Text) < 0;
  });
  if (hadSelection) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].Object == selected && items[i].Text == selectedText) {
        FItemIndex = static_cast<int>(i);
        break;
      }
    }
  }
}

void TCustomListBox::SetSorted(bool value) {
  if (value == FSorted) return;
  FSorted = value;
  if (value) {
    SortItems();
    ItemsChangedInternal();
  }
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  ItemsChangedInternal();
}

int TCustomListBox::ItemHeight() const {
  if (FStyle == lbStandard || FStyle == lbVirtual) return std::max(1, FontHeight(Font()));
  return std::max(1, FItemHeight);
}

void TCustomListBox::SetItemHeight(int value) {
  if (value <= 0 || value == FItemHeight) return;
  FItemHeight = value;
  for (auto& item : FItems->FItems) item.Height = -1;
  ItemsChangedInternal();
}

void TCustomListBox::SetMultiSelect(bool value) {
  if (value == FMultiSelect) return;
  FMultiSelect = value;
  for (auto& item : FItems->FItems) item.Selected = false;
  Invalidate();
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

int TCustomListBox::RowHeight(int index) const {
  if (FStyle != lbOwnerDrawVariable || index < 0 || index >= FItems->Count()) return ItemHeight();
  auto& item = FItems->FItems[static_cast<std::size_t>(index)];
  if (item.Height < 0) {
    int h = ItemHeight();
    const_cast<TCustomListBox*>(this)->MeasureItem(index, h);
    item.Height = std::max(1, h);
  }
  return item.Height;
}

int TCustomListBox::VisibleRows() const {
  int h = ClientHeight();
  int rows = 0;
  for (int i = FTopIndex; i < Count() && h >= RowHeight(i); ++i) {
    h -= RowHeight(i);
    ++rows;
  }
  if (rows == 0 || FTopIndex + rows >= Count()) rows += std::max(0, h / ItemHeight());
  return std::max(rows, 1);
}

int TCustomListBox::LastVisible() const { return std::min(Count(), FTopIndex + VisibleRows()) - 1; }

TRect TCustomListBox::ItemRect(int index) const {
  if (index < 0 || index > Count()) return {};
  int y = 0;
  if (index >= FTopIndex) {
    for (int i = FTopIndex; i < index; ++i) y += RowHeight(i);
  } else {
    for (int i = index; i < FTopIndex; ++i) y -= RowHeight(i);
  }
  return Rect(0, y, ClientWidth(), y + RowHeight(index));
}

int TCustomListBox::ItemAtPos(TPoint pos, bool existing) const {
  if (pos.X < 0 || pos.X >= ClientWidth() || pos.Y < 0) return -1;
  int y = 0;
  for (int i = FTopIndex; i < Count(); ++i) {
    int h = RowHeight(i);
    if (pos.Y < y + h) return i;
    y += h;
    if (y > ClientHeight()) break;
  }
  return existing ? -1 : Count();
}

void TCustomListBox::SetTopIndex(int value) {
  value = std::clamp(value, 0, std::max(0, Count() - 1));
  if (value == FTopIndex) return;
  FTopIndex = value;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::MakeVisible(int index) {
  if (index < 0 || index >= Count()) return;
  if (index < FTopIndex) {
    SetTopIndex(index);
    return;
  }
  // Scroll until the whole row shows.
  int top = FTopIndex;
  while (top < index) {
    int h = 0;
    for (int i = top; i <= index; ++i) h += RowHeight(i);
    if (h <= ClientHeight()) break;
    ++top;
  }
  SetTopIndex(top);
}

void TCustomListBox::UpdateScrollBar() {
  if (!HandleAllocated() || !HasFrameScrollBar()) return;
  TScrollInfo si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, Count() - 1);
  int rows = std::max(1, ClientHeight() / ItemHeight());
  si.nPage = static_cast<unsigned>(rows);
  si.nPos = FTopIndex;
  SetScrollInfo(Handle(), SB_VERT, si);
}

void TCustomListBox::Resize() {
  UpdateScrollBar();
  TCustomControl::Resize();
}

bool TCustomListBox::Selected(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  if (!FMultiSelect || index >= FItems->Count()) return index == FItemIndex;
  return FItems->FItems[static_cast<std::size_t>(index)].Selected;
}

void TCustomListBox::SetSelected(int index, bool value) {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  if (!FMultiSelect || index >= FItems->Count()) {
    if (value) {
      SetItemIndex(index);
    } else if (FItemIndex == index) {
      SetItemIndex(-1);
    }
    return;
  }
  auto& item = FItems->FItems[static_cast<std::size_t>(index)];
  if (item.Selected == value) return;
  item.Selected = value;
  Invalidate();
}

int TCustomListBox::SelCount() const {
  if (!FMultiSelect) return FItemIndex >= 0 ? 1 : 0;
  return static_cast<int>(std::count_if(FItems->FItems.begin(), FItems->FItems.end(),
                                        [](const auto& i) { return i.Selected; }));
}

void TCustomListBox::SelectAll() {
  if (!FMultiSelect) return;
  for (auto& item : FItems->FItems) item.Selected = true;
  Invalidate();
}

void TCustomListBox::ClearSelection() {
  for (auto& item : FItems->FItems) item.Selected = false;
  SetItemIndex(-1);
  Invalidate();
}

void TCustomListBox::SetItemIndex(int value) {
  if (value < -1 || value >= Count()) value = -1;
  if (value == FItemIndex) return;
  FItemIndex = value;
  FAnchor = value;
  if (FMultiSelect && value >= 0 && value < FItems->Count())
    FItems->FItems[static_cast<std::size_t>(value)].Selected = true;
  MakeVisible(value);
  Invalidate();
}

void TCustomListBox::UserSelect(int index, TShiftState shift, bool toggle) {
  if (index < 0 || index >= Count()) return;
  bool changed = index != FItemIndex;
  if (FMultiSelect && index < FItems->Count()) {
    auto& items = FItems->FItems;
    if (toggle || (FExtendedSelect && shift.Contains(ssCtrl) && !shift.Contains(ssShift))) {
      if (toggle || shift.Contains(ssCtrl)) {
        items[static_cast<std::size_t>(index)].Selected =
            !items[static_cast<std::size_t>(index)].Selected;
        changed = true;
      }
      FAnchor = index;
    } else if (FExtendedSelect) {
      int anchor = shift.Contains(ssShift) && FAnchor >= 0 ? FAnchor : index;
      for (std::size_t i = 0; i < items.size(); ++i) {
        bool sel = static_cast<int>(i) >= std::min(anchor, index) &&
                   static_cast<int>(i) <= std::max(anchor, index);
        if (items[i].Selected != sel) changed = true;
        items[i].Selected = sel;
      }
      FAnchor = anchor;
    }
  } else {
    FAnchor = index;
  }
  FItemIndex = index;
  MakeVisible(index);
  Invalidate();
  if (changed) Click();
}

int TCustomListBox::FindString(const std::string& prefix, int startIndex) const {
  int n = Count();
  if (n == 0) return -1;
  int first = startIndex < 0 || startIndex >= n ? 0 : startIndex + 1;
  for (int k = 0; k < n; ++k) {
    int i = (first + k) % n;
    if (StartsWithText(ItemText(i), prefix)) return i;
  }
  return -1;
}

int TCustomListBox::SelectString(const std::string& prefix, int startIndex) {
  int i = FindString(prefix, startIndex);
  if (i >= 0) UserSelect(i, {});
  return i;
}

// ------------------------------------------------------------- painting

void TCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
  bool ownerDraw =
      FStyle == lbOwnerDrawFixed || FStyle == lbOwnerDrawVariable || FStyle == lbVirtualOwnerDraw;
  if (ownerDraw && OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  TCanvas& c = *Canvas();
  c.FillRect(rect);
  c.SetBkMode(TRANSPARENT);
  // The column an edit's text starts at, so stacked boxes line up.
  c.TextOut(rect.Left + 3, rect.Top, ItemText(index));
}

void TCustomListBox::Paint() {
  TCanvas& c = *Canvas();
  c.FillSolidRect(ClientRect(), Color());
  bool focused = Focused();
  int y = 0;
  for (int i = FTopIndex; i < Count() && y < ClientHeight(); ++i) {
    TRect r = Rect(0, y, ClientWidth(), y + RowHeight(i));
    y = r.Bottom;
    TOwnerDrawState state;
    if (Selected(i)) state.Include(odSelected);
    if (focused && i == FItemIndex) state.Include(odFocused);
    if (!Enabled()) state.Include(odDisabled);
    TCanvasStateSaver saver(c);
    c.SetFont(Font());
    if (state.Contains(odSelected) && Enabled()) {
      c.Brush()->SetColor(clHighlight);
      c.Font()->SetColor(clHighlightText);
    } else if (state.Contains(odSelected)) {
      // Still visible, but plainly not a live choice.
      c.Brush()->SetColor(BlendColors(clGrayText, Color(), 25));
      c.Font()->SetColor(clGrayText);
    } else {
      c.Brush()->SetColor(Color());
      if (!Enabled()) c.Font()->SetColor(clGrayText);
    }
    c.IntersectClipRect(r);
    DrawItem(i, r, state);
    if (state.Contains(odFocused)) DrawFocusRect(c, r);
  }
  // With no items the focus still shows where the first would be.
  if (focused && Count() == 0) DrawFocusRect(c, Rect(0, 0, ClientWidth(), ItemHeight()));
}

// ---------------------------------------------------------------- input

void TCustomListBox::KeyDown(unsigned& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  int n = Count();
  if (key == 0 || n == 0) return;
  int cur = FItemIndex;
  int page = std::max(1, VisibleRows() - 1);
  int target = -2;
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      target = std::max(0, cur - 1);
      break;
    case VK_DOWN:
    case VK_RIGHT:
      target = std::min(n - 1, cur + 1);
      break;
    case VK_PRIOR:
      target = std::max(0, cur - page);
      break;
    case VK_NEXT:
      target = std::min(n - 1, std::max(cur, 0) + page);
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = n - 1;
      break;
    case VK_SPACE:
      if (FMultiSelect && cur >= 0 && !FExtendedSelect) {
        UserSelect(cur, {}, true);
        key = 0;
      }
      return;
    default:
      return;
  }
  if (FMultiSelect && !FExtendedSelect) {
    // The focus moves; the space bar selects.
    FItemIndex = target;
    MakeVisible(target);
    Invalidate();
  } else {
    UserSelect(target, shift.Contains(ssShift) ? TShiftState{ssShift} : TShiftState{});
  }
  key = 0;
}

void TCustomListBox::KeyPress(char32_t& key) {
  TCustomControl::KeyPress(key);
  if (key < 32 || key == 127) {
    if (key == 27 || key == 8) FSearch.clear();
    return;
  }
  std::uint32_t now = GetTickCount();
  if (now - FSearchTick > kListSearchTimeout) FSearch.clear();
  FSearchTick = now;
  AppendUtf8(FSearch, key);
  if (FindString(FSearch) < 0) {
    // A new first letter starts a new search.
    std::string single;
    AppendUtf8(single, key);
    if (FindString(single) >= 0) FSearch = single;
  }
  int i = FindString(FSearch);
  if (i >= 0 && i != FItemIndex) UserSelect(i, {});
  key = 0;
}

void TCustomListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && !shift.Contains(ssDouble)) {
    int i = ItemAtPos({x, y}, true);
    if (i >= 0) {
      bool toggle = FMultiSelect && !FExtendedSelect;
      UserSelect(i, shift, toggle);
      FDragging = !FMultiSelect;
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomListBox::MouseMove(TShiftState shift, int x, int y) {
  if (FDragging && shift.Contains(ssLeft)) {
    int i;
    if (y < 0) {
      i = std::max(0, FTopIndex - 1);
    } else if (y >= ClientHeight()) {
      i = std::min(Count() - 1, LastVisible() + 1);
    } else {
      i = ItemAtPos({std::clamp(x, 0, ClientWidth() - 1), y}, true);
    }
    if (i >= 0 && i != FItemIndex) UserSelect(i, {});
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) FDragging = false;
  TCustomControl::MouseUp(button, shift, x, y);
}

bool TCustomListBox::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  SetTopIndex(FTopIndex - wheelDelta / 120 * 3);
  return true;
}

void TCustomListBox::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_VSCROLL: {
      TWMScroll s{message};
      // A page keeps one row of the last one in view.
      TScrollAxis axis{
          .Position = FTopIndex, .Max = Count() - 1, .Page = std::max(1, VisibleRows() - 1)};
      if (std::optional<int> top = ScrollTarget(
              s.ScrollCode(),
              ThumbPosition(HandleAllocated() ? Handle() : nullptr, SB_VERT, s.Pos()), axis))
        SetTopIndex(*top);
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    case CM_FONTCHANGED:
      ItemsChangedInternal();
      break;
    case LB_GETCOUNT:
      message.Result = Count();
      return;
    case LB_GETCURSEL:
      message.Result = FItemIndex;
      return;
    case LB_SETCURSEL:
      SetItemIndex(static_cast<int>(message.WParam));
      message.Result = FItemIndex;
      return;
    case LB_GETTOPINDEX:
      message.Result = FTopIndex;
      return;
    case LB_SETTOPINDEX:
      SetTopIndex(static_cast<int>(message.WParam));
      return;
    case LB_GETITEMHEIGHT:
      message.Result = RowHeight(static_cast<int>(message.WParam));
      return;
    case LB_SETITEMHEIGHT:
      SetItemHeight(static_cast<int>(message.LParam));
      return;
    case LB_GETITEMRECT:
      if (auto* r = LParamAs<TRect>(message.LParam))
        *r = ItemRect(static_cast<int>(message.WParam));
      message.Result = static_cast<int>(message.WParam) < Count() ? 1 : LB_ERR;
      return;
    case LB_ITEMFROMPOINT: {
      int i = ItemAtPos(LParamToPoint(message.LParam), false);
      message.Result = MakeLong(std::min(i < 0 ? Count() : i, Count() - 1), i < Count() ? 0 : 1);
      return;
    }
    case LB_FINDSTRING:
    case LB_SELECTSTRING: {
      const auto* s = LParamAs<const std::string>(message.LParam);
      int start = static_cast<int>(message.WParam);
      int i = s == nullptr                   ? -1
              : message.Msg == LB_FINDSTRING ? FindString(*s, start)
                                             : SelectString(*s, start);
      message.Result = i < 0 ? LB_ERR : i;
      return;
    }
    case LB_FINDSTRINGEXACT: {
      const auto* s = LParamAs<const std::string>(message.LParam);
      message.Result = LB_ERR;
      for (int i = 0; s != nullptr && i < Count(); ++i) {
        if (AnsiCompareText(ItemText(i), *s) == 0) {
          message.Result = i;
          break;
        }
      }
      return;
    }
    case LB_GETTEXT:
      if (auto* out = LParamAs<std::string>(message.LParam))
        *out = ItemText(static_cast<int>(message.WParam));
      message.Result = 0;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

// ------------------------------------------------------------ TScrollBar

namespace {
constexpr unsigned kRepeatTimer = 1;
}

TScrollBar::TScrollBar(TComponent* owner) : TCustomControl(owner) {
  SetTabStop(true);
  SetColor(clScrollBar);
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
}

void TScrollBar::SetKind(TScrollBarKind value) {
  if (value == FKind) return;
  FKind = value;
  SetBounds(Left(), Top(), Height(), Width());
}

int TScrollBar::MaxPosition() const { return std::max(FMin, FMax - std::max(FPageSize - 1, 0)); }

void TScrollBar::SetParams(int position, int min, int max) {
  if (max < min) throw EInvalidOperation("Scroll bar property out of range");
  bool rangeChanged = min != FMin || max != FMax;
  FMin = min;
  FMax = max;
  if (FPageSize > FMax - FMin + 1) FPageSize = FMax - FMin + 1;
  position = std::clamp(position, FMin, MaxPosition());
  bool moved = position != FPosition;
  FPosition = position;
  if (moved || rangeChanged) Invalidate();
  if (moved) Change();
}

void TScrollBar::SetPageSize(int value) {
  if (value == FPageSize) return;
  if (value < 0 || value > FMax - FMin + 1)
    throw EInvalidOperation("Scroll bar property out of range");
  FPageSize = value;
  SetPosition(FPosition);
  Invalidate();
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode scrollCode, int& scrollPos) {
  if (OnScroll) OnScroll(this, scrollCode, scrollPos);
}

void TScrollBar::DoScroll(TScrollCode code, int trackPos) {
  // As a native bar's notification: a control that subclasses the bar
  // (WindowProc) sees the request before the bar acts on it.
  FRequestPos = trackPos;
  Perform(FKind == sbVertical ? CN_VSCROLL : CN_HSCROLL, MakeWParam(code, trackPos & 0xFFFF),
          reinterpret_cast<LPARAM>(HandleAllocated() ? Handle() : nullptr));
}

void TScrollBar::ScrollRequested(TScrollCode code, int trackPos) {
  int pos = FPosition;
  switch (code) {
    case scLineUp:
      pos -= FSmallChange;
      break;
    case scLineDown:
      pos += FSmallChange;
      break;
    case scPageUp:
      pos -= FLargeChange;
      break;
    case scPageDown:
      pos += FLargeChange;
      break;
    case scPosition:
    case scTrack:
      pos = trackPos;
      break;
    case scTop:
      pos = FMin;
      break;
    case scBottom:
      pos = FMax;
      break;
    case scEndScroll:
      break;
  }
  pos = std::clamp(pos, FMin, MaxPosition());
  Scroll(code, pos);
  SetPosition(pos);
}

TScrollBar::TLayout TScrollBar::Layout() const {
  TLayout l;
  bool vert = FKind == sbVertical;
  int length = vert ? ClientHeight() : ClientWidth();
  int breadth = vert ? ClientWidth() : ClientHeight();
  int arrow = std::min(breadth, length / 2);
  int track = length - 2 * arrow;
  int range = FMax - FMin + 1;
  int page = FPageSize > 0 ? FPageSize : 1;
  int thumb = std::max(std::min(8, track), range > 0 ? track * page / std::max(range, 1) : track);
  if (FPageSize <= 0) thumb = std::min(track, std::max(arrow, 8));
  thumb = std::min(thumb, track);
  int span = MaxPosition() - FMin;
  int at = arrow + (span > 0 ? (track - thumb) * (FPosition - FMin) / span : 0);
  auto seg = [&](int a, int b) { return vert ? Rect(0, a, breadth, b) : Rect(a, 0, b, breadth); };
  l.ArrowUp = seg(0, arrow);
  l.ArrowDown = seg(length - arrow, length);
  bool canScroll = Enabled() && span > 0 && track > 0;
  if (canScroll) {
    l.PageUp = seg(arrow, at);
    l.Thumb = seg(at, at + thumb);
    l.PageDown = seg(at + thumb, length - arrow);
  } else {
    l.PageUp = seg(arrow, length - arrow);
  }
  return l;
}

TScrollBar::TPart TScrollBar::PartAt(TPoint p) const {
  TLayout l = Layout();
  if (PtInRect(l.ArrowUp, p)) return kArrowUp;
  if (PtInRect(l.ArrowDown, p)) return kArrowDown;
  if (PtInRect(l.Thumb, p)) return kThumb;
  if (PtInRect(l.PageUp, p)) return IsRectEmpty(l.Thumb) ? kNone : kPageUp;
  if (PtInRect(l.PageDown, p)) return kPageDown;
  return kNone;
}

void TScrollBar::Paint() {
  TCanvas& c = *Canvas();
  TLayout l = Layout();
  bool vert = FKind == sbVertical;
  c.FillSolidRect(ClientRect(), clScrollBar);
  if (FPressed == kPageUp && FPressedInside) c.FillSolidRect(l.PageUp, clBtnShadow);
  if (FPressed == kPageDown && FPressedInside) c.FillSolidRect(l.PageDown, clBtnShadow);
  unsigned inactive = IsRectEmpty(l.Thumb) ? DFCS_INACTIVE : 0;
  auto arrow = [&](TRect r, unsigned part, TPart which) {
    unsigned state = part | inactive;
    if (FPressed == which && FPressedInside) state |= DFCS_PUSHED;
    DrawFrameControl(c, r, DFC_SCROLL, state);
  };
  arrow(l.ArrowUp, vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT, kArrowUp);
  arrow(l.ArrowDown, vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT, kArrowDown);
  if (!IsRectEmpty(l.Thumb)) DrawButtonFace(c, l.Thumb, false, false, FPressed == kThumb);
  if (Focused()) {
    TRect r = l.Thumb;
    InflateRect(r, -2, -2);
    if (!IsRectEmpty(r)) DrawFocusRect(c, r);
  }
}

void TScrollBar::RepeatPressed() {
  if (!FPressedInside) return;
  switch (FPressed) {
    case kArrowUp:
      DoScroll(scLineUp);
      break;
    case kArrowDown:
      DoScroll(scLineDown);
      break;
    case kPageUp:
      if (PartAt(FLastMouse) == kPageUp) DoScroll(scPageUp);
      break;
    case kPageDown:
      if (PartAt(FLastMouse) == kPageDown) DoScroll(scPageDown);
      break;
    default:
      break;
  }
}

void TScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FLastMouse = {x, y};
    FPressed = PartAt({x, y});
    FPressedInside = true;
    if (FPressed == kThumb) {
      TLayout l = Layout();
      FThumbGrab = FKind == sbVertical ? y - l.Thumb.Top : x - l.Thumb.Left;
    } else if (FPressed != kNone) {
      RepeatPressed();
      SetTimer(Handle(), kRepeatTimer, kScrollFirstDelay);
    }
    Invalidate();
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TScrollBar::MouseMove(TShiftState shift, int x, int y) {
  if (FPressed == kThumb) {
    TLayout l = Layout();
    bool vert = FKind == sbVertical;
    int arrow = vert ? l.ArrowUp.Height() : l.ArrowUp.Width();
    int length = vert ? ClientHeight() : ClientWidth();
    int thumb = vert ? l.Thumb.Height() : l.Thumb.Width();
    int track = length - 2 * arrow - thumb;
    int offset = (vert ? y : x) - FThumbGrab - arrow;
    int span = MaxPosition() - FMin;
    int pos = track > 0 ? FMin + (offset * span + track / 2) / track : FMin;
    pos = std::clamp(pos, FMin, MaxPosition());
    if (pos != FPosition) DoScroll(scTrack, pos);
  } else if (FPressed != kNone) {
    FLastMouse = {x, y};
    bool inside = PartAt({x, y}) == FPressed;
    if (inside != FPressedInside) {
      FPressedInside = inside;
      Invalidate();
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TScrollBar::EndPress() {
  if (FPressed == kNone) return;
  if (HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
  TPart part = FPressed;
  FPressed = kNone;
  if (part == kThumb) DoScroll(scPosition, FPosition);
  DoScroll(scEndScroll);
  Invalidate();
}

void TScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) EndPress();
  TCustomControl::MouseUp(button, shift, x, y);
}

void TScrollBar::KeyDown(unsigned& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  bool vert = FKind == sbVertical;
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      if ((key == VK_UP) == vert) DoScroll(scLineUp);
      break;
    case VK_DOWN:
    case VK_RIGHT:
      if ((key == VK_DOWN) == vert) DoScroll(scLineDown);
      break;
    case VK_PRIOR:
      DoScroll(scPageUp);
      break;
    case VK_NEXT:
      DoScroll(scPageDown);
      break;
    case VK_HOME:
      DoScroll(scTop);
      break;
    case VK_END:
      DoScroll(scBottom);
      break;
    default:
      return;
  }
  DoScroll(scEndScroll);
  key = 0;
}

void TScrollBar::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: {
      const TWMScroll scroll{message};
      // The message holds 16 bits of the position; the request holds them all.
      const int pos =
          (FRequestPos & 0xFFFF) == LoWord(HiWord(message.WParam)) ? FRequestPos : scroll.Pos();
      ScrollRequested(static_cast<TScrollCode>(scroll.ScrollCode()), pos);
      message.Result = 0;
      return;
    }
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case WM_TIMER:
      if (message.WParam == kRepeatTimer) {
        SetTimer(Handle(), kRepeatTimer, kScrollRepeatDelay);
        RepeatPressed();
        return;
      }
      break;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      // Releasing the button releases the capture first.
      EndPress();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}
