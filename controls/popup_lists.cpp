#include "controls/popup_lists.h"

#include <algorithm>

#include "platform/base/clock.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/window.h"

// ------------------------------------------------------------ TMRUListEh

TMRUListEh::TMRUListEh(TPersistent* owner)
    : FOwner(owner), FItems(std::make_unique<TStringList>()) {
  KeyPending = [] {
    TMsg msg;
    return PeekMessage(msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE);
  };
}

TMRUListEh::~TMRUListEh() = default;

void TMRUListEh::SetActive(bool value) {
  if (FActive == value) return;
  FActive = value;
  if (OnActiveChanged) OnActiveChanged(this);
}

void TMRUListEh::SetItems(const TStrings* value) {
  if (value == nullptr) {
    FItems->Clear();
  } else {
    FItems->Assign(*value);
  }
}

void TMRUListEh::SetLimit(int value) {
  FLimit = std::max(0, value);
  while (FItems->Count() > FLimit) FItems->Delete(0);
}

int TMRUListEh::Find(const std::string& value) const {
  for (int i = 0; i < FItems->Count(); ++i) {
    const std::string& item = FItems->StringRef(i);
    if (FCaseSensitive ? AnsiCompareStr(item, value) == 0 : AnsiCompareText(item, value) == 0) {
      return i;
    }
  }
  return -1;
}

void TMRUListEh::Add(const std::string& value) {
  std::string v = Trim(value);
  if (v.empty()) return;
  int i = Find(v);
  if (i >= 0) {
    FItems->Move(i, FItems->Count() - 1);
    return;
  }
  FItems->Add(v);
  while (FItems->Count() > FLimit) FItems->Delete(0);
}

bool TMRUListEh::Filter(const std::string& text, TStrings& dest) {
  TUpdateGuard update(dest);
  dest.Clear();
  int len = Length(text);
  for (int i = 0; i < FItems->Count(); ++i) {
    if (i % 100 == 0 && FCancelIfKeyInQueue && KeyPending && KeyPending()) return false;
    const std::string& item = FItems->StringRef(i);
    std::string head = Copy(item, 1, len);
    bool accept =
        FCaseSensitive ? AnsiCompareStr(head, text) == 0 : AnsiCompareText(head, text) == 0;
    if (OnFilterItem) OnFilterItem(this, item, accept);
    if (accept) dest.Add(item);
  }
  return true;
}

void TMRUListEh::DropDown(bool shown) {
  if (OnSetDropDown) OnSetDropDown(this, shown);
}

void TMRUListEh::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TMRUListEh*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  SetActive(src->FActive);
  FItems->Assign(*src->FItems);
  SetLimit(src->FLimit);
  FRows = src->FRows;
  FCaseSensitive = src->FCaseSensitive;
}

// ------------------------------------------------------------ TPopupListboxEh

TPopupListboxEh::TPopupListboxEh(TComponent* owner) : TPopupOwnedEh(owner) {
  SetVisible(false);
  SetTabStop(false);
  SetStyle(lbOwnerDrawFixed);
  SetBorderStyle(bsNone);
  SetParentFont(false);
  FSizeGrip = Create<TSizeGripEh>(this);
  FSizeGrip->SetParent(this);
  FSizeGrip->SetVisible(false);
}

void TPopupListboxEh::Notification(TComponent* component, TOperation operation) {
  TPopupOwnedEh::Notification(component, operation);
  if (operation == opRemove && component == FImages) FImages = nullptr;
}

void TPopupListboxEh::SetCtl3D(bool value) {
  if (FCtl3D == value) return;
  FCtl3D = value;
  if (HandleAllocated()) RecreateWnd();
}

void TPopupListboxEh::SetImages(TCustomImageList* value) {
  if (FImages == value) return;
  FImages = value;
  if (value != nullptr) value->FreeNotification(this);
  Invalidate();
}

void TPopupListboxEh::CreateParams(TCreateParams& params) {
  TCustomListBox::CreateParams(params);
  PopupCreateParamsEh(params, ParentWindow());
  // Without the 3-D look a plain line frames the list.
  if (!FCtl3D) params.Style |= WS_BORDER;
}

void TPopupListboxEh::ShowAt(const TRect& screenBounds) {
  FSearchText.clear();
  PopupShowAtEh(*this, OwnerControl(), screenBounds);
  FSizeGrip->UpdatePosition();
}

void TPopupListboxEh::CloseUp(bool accept) { CloseUpToOwner(accept, OnCloseUp); }

int TPopupListboxEh::RowCount() const {
  int ih = ItemHeight();
  return ih > 0 ? std::max(0, (Height() - NonClientHeight() - (FCtl3D ? 0 : 2)) / ih) : 0;
}

void TPopupListboxEh::SetRowCount(int value) {
  SetHeight(value * ItemHeight() + NonClientHeight() + (FCtl3D ? 0 : 2));
}

void TPopupListboxEh::SetBounds(int left, int top, int width, int height) {
  int nc = NonClientHeight() + (FCtl3D ? 0 : 2);
  int ih = ItemHeight();
  if (ih > 0 && height > nc) height = (height - nc) / ih * ih + nc;
  width = std::max(width, GetSystemMetrics(SM_CXVSCROLL));
  height = std::max(height, GetSystemMetrics(SM_CYVSCROLL));
  TCustomListBox::SetBounds(left, top, width, height);
}

void TPopupListboxEh::Resize() {
  TCustomListBox::Resize();
  if (FSizeGrip != nullptr) FSizeGrip->UpdatePosition();
}

void TPopupListboxEh::DrawItem(int index, TRect rect, TOwnerDrawState state) {
  TCanvas& c = *Canvas();
  c.FillRect(rect);
  int textLeft = rect.Left + 2;
  if (FImages != nullptr) {
    int image = -1;
    if (OnGetImageIndex) OnGetImageIndex(this, index, image);
    if (image >= 0) {
      FImages->Draw(&c, rect.Left + 2, rect.Top + (rect.Height() - FImages->Height()) / 2, image);
    }
    textLeft += FImages->Width() + 4;
  }
  (void)state;
  c.SetBkMode(TRANSPARENT);
  c.TextOut(textLeft, rect.Top + (rect.Height() - c.TextHeight("0")) / 2, ItemText(index));
}

void TPopupListboxEh::KeyPress(char32_t& key) {
  if (key == 8 || key == 27) {
    FSearchText.clear();
    key = 0;
    return;
  }
  if (key < 32) return;
  std::uint32_t now = GetTickCount();
  if (now - FSearchTick > kPopupListSearchTimeout) FSearchText.clear();
  FSearchTick = now;
  if (Length(FSearchText) < kPopupListSearchMaxLength) AppendUtf8(FSearchText, key);
  int i = FindString(FSearchText);
  if (i >= 0) SetItemIndex(i);
  key = 0;
}

void TPopupListboxEh::KeyDown(unsigned& key, TShiftState shift) {
  TCustomListBox::KeyDown(key, shift);
}

void TPopupListboxEh::MouseMove(TShiftState shift, int x, int y) {
  TCustomListBox::MouseMove(shift, x, y);
  TPoint p{x, y};
  if (p == FLastMousePos) return;
  FLastMousePos = p;
  if (shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle)) return;
  int i = ItemAtPos(p, true);
  if (i >= 0 && i != ItemIndex()) SetItemIndex(i);
}

void TPopupListboxEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomListBox::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  bool inside = x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight();
  if (inside) {
    int i = ItemAtPos({x, y}, true);
    if (i >= 0) SetItemIndex(i);
  }
  CloseUp(inside);
}

bool TPopupListboxEh::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  (void)shift;
  (void)mousePos;
  if (Count() == 0) return true;
  int i = ItemIndex() - (wheelDelta > 0 ? 1 : -1);
  SetItemIndex(std::clamp(i, 0, Count() - 1));
  return true;
}

void TPopupListboxEh::WndProc(TMessage& message) {
  if (PopupWndProcEh(*this, message, [this](bool accept) {
        TFlagGuard cancelMode(FCancelMode);
        CloseUp(accept);
      })) {
    return;
  }
  if (message.Msg == CM_DROPDOWNGRIPDIRECTIONEH) {
    FSizeGrip->Flip(static_cast<int>(message.WParam));
    return;
  }
  TCustomListBox::WndProc(message);
  PopupBorderAfterEh(*this, message, BorderWidth());
}

// ------------------------------------------------------------ TMRUListboxEh

TMRUListboxEh::TMRUListboxEh(TComponent* owner) : TPopupListboxEh(owner) {
  FScrollBar = Create<TScrollBar>(this);
  FScrollBar->SetKind(sbVertical);
  FScrollBar->SetParent(this);
  FScrollBar->SetVisible(false);
  FScrollBar->SetTabStop(false);
  FScrollBar->OnScroll = [this](TObject*, TScrollCode code, int& pos) {
    Perform(WM_VSCROLL, MakeWParam(static_cast<unsigned>(code), static_cast<unsigned>(pos)), 0);
    pos = TopIndex();
    UpdateScrollBar();
  };
}

void TMRUListboxEh::CreateParams(TCreateParams& params) {
  TPopupListboxEh::CreateParams(params);
  params.Style &= ~(WS_VSCROLL | WS_HSCROLL);
}

void TMRUListboxEh::UpdateScrollBar() {
  if (FUpdatingBar || FScrollBar == nullptr) return;
  TFlagGuard updatingBar(FUpdatingBar);
  int ih = ItemHeight();
  int rows = ih > 0 ? ClientHeight() / ih : 0;
  TSizeGripEh* grip = SizeGrip();
  bool gripRight = grip->Visible() && (grip->Position() == 1 || grip->Position() == 2);
  if (Count() > rows) {
    int w = GetSystemMetrics(SM_CXVSCROLL);
    int top = 0;
    int bottom = ClientHeight();
    if (grip->Visible() && grip->Position() == 2) bottom -= grip->Height();
    if (grip->Visible() && grip->Position() == 1) top = grip->Height();
    FScrollBar->SetBounds(ClientWidth() - w, top, w, std::max(0, bottom - top));
    FScrollBar->SetParams(TopIndex(), 0, Count() - 1);
    FScrollBar->SetPageSize(std::max(1, rows));
    FScrollBar->SetVisible(true);
    if (gripRight) grip->SetTriangleWindow(false);
  } else {
    FScrollBar->SetVisible(false);
    grip->SetTriangleWindow(true);
  }
}

void TMRUListboxEh::Resize() {
  TPopupListboxEh::Resize();
  UpdateScrollBar();
}

void TMRUListboxEh::ItemsChanged() {
  TPopupListboxEh::ItemsChanged();
  UpdateScrollBar();
}

void TMRUListboxEh::KeyDown(unsigned& key, TShiftState shift) {
  TPopupListboxEh::KeyDown(key, shift);
  UpdateScrollBar();
}

bool TMRUListboxEh::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  bool result = TPopupListboxEh::DoMouseWheel(shift, wheelDelta, mousePos);
  UpdateScrollBar();
  return result;
}

void TMRUListboxEh::WndProc(TMessage& message) {
  TPopupListboxEh::WndProc(message);
  if (message.Msg == WM_VSCROLL) UpdateScrollBar();
}
