#include "platform/widgets/std_combo.h"

#include <algorithm>

#include "platform/base/clock.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/cursors.h"
#include "platform/draw/draw_utils.h"

// --------------------------------------------------------- TComboListBox

TComboListBox::TComboListBox(TComponent* owner, TCustomComboBox* combo)
    : TCustomListBox(owner), FCombo(combo) {
  SetTabStop(false);
  SetBorderStyle(bsNone);
}

void TComboListBox::MouseMove(TShiftState shift, int x, int y) {
  // Hot tracking: the item under the pointer is highlighted.
  if (TPoint{x, y} != FLastMouse) {
    FLastMouse = {x, y};
    int i = ItemAtPos({x, y}, true);
    if (i >= 0) SetItemIndex(i);
  }
  TCustomListBox::MouseMove(shift, x, y);
}

void TComboListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomListBox::MouseUp(button, shift, x, y);
  if (button == mbLeft && ItemAtPos({x, y}, true) >= 0) FCombo->CloseUp(true);
}

void TComboListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
  FCombo->DrawListItem(*Canvas(), index, rect, state);
}

// -------------------------------------------------------- TComboDropDown

TComboDropDown::TComboDropDown(TComponent* owner, TCustomComboBox* combo)
    : TCustomPopupWindow(owner) {
  SetOwnerControl(combo);
  FList = Create<TComboListBox>(this, combo);
  FList->SetParent(this);
  FList->SetAlign(alClient);
}

void TComboDropDown::CreateParams(TCreateParams& params) {
  TCustomPopupWindow::CreateParams(params);
  params.Style |= WS_BORDER;
}

// ------------------------------------------------------- TCustomComboBox

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomEdit(owner) {
  FDropDown = Create<TComboDropDown>(this, this);
  FDropDown->OnCloseUp = [this](TObject*, bool accept) { CloseUp(accept); };
  SetWidth(145);
  SetCursor(crDefault);
  // OnClick tells of a chosen item, not of a press.
  SetControlStyle(ControlStyle().Exclude(csClickEvents));
}

TComboListBox* TCustomComboBox::ListBox() const { return FDropDown->List(); }
TStrings* TCustomComboBox::Items() const { return ListBox()->Items(); }

void TCustomComboBox::SetItems(const TStrings* value) {
  if (value != nullptr) Items()->Assign(*value);
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  // The combo's bits take the place of the edit's.
  params.Style &= ~0xFFFFu;
  params.Style |= FStyle == csDropDown ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST;
  if (FStyle == csOwnerDrawFixed) params.Style |= CBS_OWNERDRAWFIXED;
  if (Sorted()) params.Style |= CBS_SORT;
}

int TCustomComboBox::ItemIndex() const {
  return FDroppedDown ? FDropIndex : ListBox()->ItemIndex();
}

void TCustomComboBox::ShowItemText(int index) {
  TDepthGuard settingText(FSettingText);
  TCustomEdit::SetText(index >= 0 ? Items()->Get(index) : std::string());
  if (!IsListStyle()) SelectAll();
}

void TCustomComboBox::SetItemIndex(int value) {
  if (value < -1 || value >= Items()->Count()) value = -1;
  if (FDroppedDown) CloseUp(false);
  ListBox()->SetItemIndex(value);
  if (value >= 0 || IsListStyle()) ShowItemText(value);
}

void TCustomComboBox::SetText(const std::string& value) {
  int index = Items()->IndexOf(value);
  if (IsListStyle()) {
    SetItemIndex(index);
    return;
  }
  {
    TDepthGuard settingText(FSettingText);
    TCustomEdit::SetText(value);
  }
  ListBox()->SetItemIndex(index);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  ListBox()->SetStyle(value == csOwnerDrawFixed ? lbOwnerDrawFixed : lbStandard);
  if (IsListStyle()) ShowItemText(ListBox()->ItemIndex());
  if (HandleAllocated()) RecreateWnd();
}

bool TCustomComboBox::Sorted() const { return ListBox()->Sorted(); }
void TCustomComboBox::SetSorted(bool value) { ListBox()->SetSorted(value); }
int TCustomComboBox::ItemHeight() const { return ListBox()->ItemHeight(); }

void TCustomComboBox::SetItemHeight(int value) {
  FItemHeight = value;
  ListBox()->SetItemHeight(value);
}

void TCustomComboBox::SetDroppedDown(bool value) {
  if (value == FDroppedDown) return;
  if (value) {
    DropDown();
  } else {
    CloseUp(false);
  }
}

TRect TCustomComboBox::ButtonRect() const {
  TRect c = ClientRect();
  return Rect(std::max(c.Left, c.Right - GetSystemMetrics(SM_CXVSCROLL)), c.Top, c.Right, c.Bottom);
}

TRect TCustomComboBox::DefaultFormatRect() const {
  TRect r = TCustomEdit::DefaultFormatRect();
  r.Right = std::max(r.Left, ButtonRect().Left - 1);
  return r;
}

bool TCustomComboBox::EditCanModify() { return !IsListStyle() && TCustomEdit::EditCanModify(); }

void TCustomComboBox::Change() {
  if (FSettingText > 0) return;
  // Typed text: ItemIndex follows it.
  ListBox()->SetItemIndex(Items()->IndexOf(Text()));
  TCustomEdit::Change();
}

void TCustomComboBox::Select() {
  if (OnSelect) {
    OnSelect(this);
  } else {
    TCustomEdit::Change();
  }
}

void TCustomComboBox::UserSelectIndex(int index) {
  if (index < 0 || index >= Items()->Count() || index == ListBox()->ItemIndex()) return;
  ListBox()->SetItemIndex(index);
  ShowItemText(index);
  Click();
  Select();
}

void TCustomComboBox::DropDown() {
  if (FDroppedDown) return;
  if (OnDropDown) OnDropDown(this);
  if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
  TComboListBox* list = ListBox();
  FDropIndex = list->ItemIndex();
  int rows = std::clamp(Items()->Count(), 1, FDropDownCount);
  TPopupPlacement place = PlaceDropDown({Width(), rows * list->ItemHeight() + 2});
  FDroppedDown = true;
  FCloseClick = false;
  FDropDown->ShowAt(place.Bounds);
  list->SetTopIndex(std::clamp(FDropIndex, 0, std::max(0, Items()->Count() - rows)));
  list->SetItemIndex(FDropIndex);
  Invalidate();
}

TPopupPlacement TCustomComboBox::PlaceDropDown(TSize size) { return PlacePopupUnder(*this, size); }

void TCustomComboBox::CloseUp(bool accept) {
  if (!FDroppedDown) return;
  // The popup calls back here once it has hidden itself.
  if (FDropDown->Visible()) {
    FDropDown->CloseUp(accept);
    return;
  }
  FDroppedDown = false;
  // A press on the button that dismissed the list must not open it again.
  if (!accept && GetKeyState(VK_LBUTTON) < 0 && HandleAllocated()) {
    TPoint p = ScreenToClient(GetCursorPos());
    TRect hot = IsListStyle() ? ClientRect() : ButtonRect();
    FCloseClick = PtInRect(hot, p);
  }
  int chosen = ListBox()->ItemIndex();
  ListBox()->SetItemIndex(FDropIndex);
  Invalidate();
  if (accept && chosen >= 0) UserSelectIndex(chosen);
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::KeyDown(unsigned& key, TShiftState shift) {
  TCustomEdit::KeyDown(key, shift);
  if (key == 0) return;
  bool alt = shift.Contains(ssAlt);
  if (key == VK_F4 || (alt && (key == VK_DOWN || key == VK_UP))) {
    SetDroppedDown(!FDroppedDown);
    key = 0;
    return;
  }
  TComboListBox* list = ListBox();
  int n = Items()->Count();
  if (FDroppedDown) {
    switch (key) {
      case VK_RETURN:
        CloseUp(true);
        key = 0;
        return;
      case VK_ESCAPE:
        CloseUp(false);
        key = 0;
        return;
      case VK_UP:
      case VK_DOWN:
      case VK_PRIOR:
      case VK_NEXT:
      case VK_HOME:
      case VK_END:
        if (!IsListStyle() && (key == VK_HOME || key == VK_END)) return;
        if (n > 0) {
          int cur = list->ItemIndex();
          int page = std::max(1, list->VisibleRows() - 1);
          int target = key == VK_UP      ? cur - 1
                       : key == VK_DOWN  ? cur + 1
                       : key == VK_PRIOR ? cur - page
                       : key == VK_NEXT  ? std::max(cur, 0) + page
                       : key == VK_HOME  ? 0
                                         : n - 1;
          list->SetItemIndex(std::clamp(target, 0, n - 1));
        }
        key = 0;
        return;
      default:
        return;
    }
  }
  int cur = list->ItemIndex();
  int target = -2;
  switch (key) {
    case VK_UP:
      target = cur - 1;
      break;
    case VK_DOWN:
      target = cur + 1;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
      if (!IsListStyle()) return;
      target = key == VK_LEFT                      ? cur - 1
               : key == VK_RIGHT                   ? cur + 1
               : key == VK_HOME || key == VK_PRIOR ? 0
                                                   : n - 1;
      break;
    default:
      return;
  }
  if (n > 0) UserSelectIndex(std::clamp(target, 0, n - 1));
  key = 0;
}

void TCustomComboBox::KeyPress(char32_t& key) {
  TCustomEdit::KeyPress(key);
  if (!IsListStyle() || key == 0) return;
  if (key >= 32 && key != 127) {
    std::uint32_t now = GetTickCount();
    if (now - FSearchTick > kListSearchTimeout) FSearch.clear();
    FSearchTick = now;
    AppendUtf8(FSearch, key);
    TComboListBox* list = ListBox();
    if (list->FindString(FSearch) < 0) {
      std::string single;
      AppendUtf8(single, key);
      if (list->FindString(single) >= 0) FSearch = single;
    }
    int i = list->FindString(FSearch);
    if (i >= 0) {
      if (FDroppedDown) {
        list->SetItemIndex(i);
      } else {
        UserSelectIndex(i);
      }
    }
  }
  // The list styles have no text to edit.
  key = 0;
}

void TCustomComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && !shift.Contains(ssDouble)) {
    bool onButton = IsListStyle() || PtInRect(ButtonRect(), {x, y});
    if (FCloseClick) {
      FCloseClick = false;
    } else if (onButton) {
      SetDroppedDown(!FDroppedDown);
    }
    if (onButton) {
      TControl::MouseDown(button, shift, x, y);
      return;
    }
  }
  TCustomEdit::MouseDown(button, shift, x, y);
}

// ------------------------------------------------------------- painting

void TCustomComboBox::DrawListItem(TCanvas& canvas, int index, TRect rect, TOwnerDrawState state) {
  // OnDrawItem draws on Canvas(), which is the list's (or the edit area's)
  // canvas while it runs.
  TValueGuard<TCanvas*> painting(FPaintCanvas, &canvas);
  DrawItem(index, rect, state);
}

void TCustomComboBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
  if (FStyle == csOwnerDrawFixed && OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  TCanvas& c = *Canvas();
  c.FillRect(rect);
  if (index < 0 || index >= Items()->Count()) return;
  c.SetBkMode(TRANSPARENT);
  int y = rect.Top + std::max(0, (rect.Height() - c.TextHeight("Ag")) / 2);
  c.TextOut(rect.Left + 2, y, Items()->Get(index));
}

void TCustomComboBox::Paint() {
  TCanvas& c = *Canvas();
  if (IsListStyle()) {
    c.FillSolidRect(ClientRect(), Color());
    TRect r = FormatRect();
    TOwnerDrawState state{odComboBoxEdit};
    bool focused = Focused() && !FDroppedDown;
    if (focused) state.Include(odSelected).Include(odFocused);
    if (!Enabled()) state.Include(odDisabled);
    TCanvasStateSaver saver(c);
    c.SetFont(Font());
    if (focused) {
      c.Brush()->SetColor(clHighlight);
      c.Font()->SetColor(clHighlightText);
    } else {
      c.Brush()->SetColor(Color());
      if (!Enabled()) c.Font()->SetColor(clGrayText);
    }
    {
      TCanvasStateSaver clip(c);
      c.IntersectClipRect(r);
      DrawListItem(c, ListBox()->ItemIndex(), r, state);
    }
    if (focused) DrawFocusRect(c, r);
  } else {
    TCustomEdit::Paint();
  }
  TRect b = ButtonRect();
  unsigned state = DFCS_SCROLLCOMBOBOX;
  if (FDroppedDown) state |= DFCS_PUSHED;
  if (!Enabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(c, b, DFC_SCROLL, state);
}

// ------------------------------------------------------------- messages

void TCustomComboBox::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      if (!IsListStyle()) message.Result |= DLGC_HASSETSEL;
      return;
    case CM_WANTSPECIALKEY:
      // Enter and Esc close an open list instead of reaching the form.
      message.Result =
          FDroppedDown && (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) ? 1 : 0;
      return;
    case WM_KILLFOCUS:
    case CM_CANCELMODE:
      if (FDroppedDown) CloseUp(false);
      break;
    case WM_SYSKEYDOWN:
      // Alt+Down reaches KeyDown like any key.
      break;
    case CB_GETCURSEL:
      message.Result = ItemIndex();
      return;
    case CB_SETCURSEL:
      SetItemIndex(static_cast<int>(message.WParam));
      message.Result = ItemIndex();
      return;
    case CB_GETCOUNT:
      message.Result = Items()->Count();
      return;
    case CB_SHOWDROPDOWN:
      SetDroppedDown(message.WParam != 0);
      message.Result = 1;
      return;
    case CB_GETDROPPEDSTATE:
      message.Result = FDroppedDown ? 1 : 0;
      return;
    case CB_GETITEMHEIGHT:
      message.Result = ItemHeight();
      return;
    case CB_SETITEMHEIGHT:
      SetItemHeight(static_cast<int>(message.LParam));
      return;
    case CB_LIMITTEXT:
      SetMaxLength(static_cast<int>(message.WParam));
      return;
    case CB_FINDSTRING:
    case CB_SELECTSTRING: {
      const auto* s = LParamAs<const std::string>(message.LParam);
      int i = s == nullptr ? -1 : ListBox()->FindString(*s, static_cast<int>(message.WParam));
      if (i >= 0 && message.Msg == CB_SELECTSTRING) SetItemIndex(i);
      message.Result = i < 0 ? LB_ERR : i;
      return;
    }
    default:
      break;
  }
  TCustomEdit::WndProc(message);
}
