#include "platform/widgets/std_pages.h"

#include <algorithm>

#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/forms.h"

namespace {

constexpr int kTabRowMargin = 2;   // above the tabs and left of the first
constexpr int kTabPadding = 6;     // left and right of a caption
constexpr int kButtonGap = 3;      // between buttons
constexpr int kDisplayMargin = 4;  // around the page area

}  // namespace

// ------------------------------------------------------------ TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetColor(clBtnFace);
  SetVisible(false);
}

void TTabSheet::BeforeDestruction() {
  if (FPageControl != nullptr) FPageControl->RemovePage(this);
  TCustomControl::BeforeDestruction();
}

void TTabSheet::SetPageControl(TPageControl* control) {
  if (control == FPageControl) return;
  SetParent(control);  // CM_CONTROLLISTCHANGE does the bookkeeping
}

int TTabSheet::PageIndex() const {
  if (FPageControl == nullptr) return -1;
  const auto& pages = FPageControl->FPages;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
  if (FPageControl == nullptr) return;
  auto& pages = FPageControl->FPages;
  int old = PageIndex();
  value = std::clamp(value, 0, static_cast<int>(pages.size()) - 1);
  if (value == old) return;
  pages.erase(pages.begin() + old);
  pages.insert(pages.begin() + value, this);
  FPageControl->TabsChanged();
}

int TTabSheet::TabIndex() const {
  if (FPageControl == nullptr || !FTabVisible) return -1;
  int index = 0;
  for (TTabSheet* page : FPageControl->FPages) {
    if (page == this) return index;
    if (page->FTabVisible) ++index;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool value) {
  if (value == FTabVisible) return;
  FTabVisible = value;
  if (FPageControl != nullptr) FPageControl->TabsChanged();
}

void TTabSheet::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  if (FPageControl != nullptr) FPageControl->Invalidate();
}

void TTabSheet::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_TEXTCHANGED:
      if (FPageControl != nullptr) FPageControl->TabsChanged();
      break;
    case CM_SHOWINGCHANGED:
      TCustomControl::WndProc(message);
      if (Showing() && OnShow) OnShow(this);
      if (!Showing() && OnHide) OnHide(this);
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

// ------------------------------------------------------------ TPageControl

TPageControl::TPageControl(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetColor(clBtnFace);
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FPages[static_cast<std::size_t>(index)];
}

void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  page->FPageControl = this;
  page->SetVisible(false);
  TabsChanged();
  if (FActivePage == nullptr) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(FPages.begin(), FPages.end(), page);
  if (it == FPages.end()) return;
  TTabSheet* next = nullptr;
  if (page == FActivePage && !ComponentState().Contains(csDestroying)) {
    next = FindNextPage(page, true, true);
    if (next == page) next = nullptr;
  }
  if (page == FActivePage) FActivePage = nullptr;
  FPages.erase(it);
  page->FPageControl = nullptr;
  if (ComponentState().Contains(csDestroying)) return;
  if (next != nullptr) SetActivePage(next);
  TabsChanged();
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page != nullptr && page->FPageControl != this) return;
  if (page == FActivePage) return;
  TTabSheet* old = FActivePage;
  // The focus must not stay on a page that is about to hide.
  bool hadFocus = false;
  if (old != nullptr) {
    TWinControl* focused = FindControl(GetFocus());
    hadFocus = focused != nullptr && (focused == old || old->ContainsControl(focused));
  }
  FActivePage = page;
  if (page != nullptr) {
    page->SetBoundsRect(DisplayRect());
    page->BringToFront();
    page->SetVisible(true);
  }
  if (old != nullptr) old->SetVisible(false);
  if (hadFocus && CanFocus() && HandleAllocated()) SetFocus();
  Invalidate();
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? Pages(index) : nullptr);
}

void TPageControl::SetTabIndex(int index) { SetActivePage(TabPage(index)); }

int TPageControl::TabCount() const {
  return static_cast<int>(
      std::count_if(FPages.begin(), FPages.end(), [](TTabSheet* p) { return p->FTabVisible; }));
}

TTabSheet* TPageControl::TabPage(int tabIndex) const {
  if (tabIndex < 0) return nullptr;
  for (TTabSheet* page : FPages) {
    if (!page->FTabVisible) continue;
    if (tabIndex-- == 0) return page;
  }
  return nullptr;
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward,
                                      bool checkTabVisible) const {
  int n = PageCount();
  if (n == 0) return nullptr;
  int start = current != nullptr ? current->PageIndex() : -1;
  if (start < 0) start = goForward ? n - 1 : 0;
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = goForward ? (i + 1) % n : (i + n - 1) % n;
    TTabSheet* page = FPages[static_cast<std::size_t>(i)];
    if (!checkTabVisible || page->FTabVisible) return page;
  }
  return nullptr;
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
  TTabSheet* page = FindNextPage(FActivePage, goForward, checkTabVisible);
  if (page != nullptr && page != FActivePage) ChangeActivePage(page);
}

bool TPageControl::ChangeActivePage(TTabSheet* page) {
  if (!CanChange()) return false;
  SetActivePage(page);
  Change();
  return true;
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::SetStyle(TTabStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  TabsChanged();
}

void TPageControl::SetOwnerDraw(bool value) {
  if (value == FOwnerDraw) return;
  FOwnerDraw = value;
  Invalidate();
}

void TPageControl::SetTabHeight(int value) {
  value = std::max(value, 0);
  if (value == FTabHeight) return;
  FTabHeight = value;
  TabsChanged();
}

void TPageControl::SetTabWidth(int value) {
  value = std::max(value, 0);
  if (value == FTabWidth) return;
  FTabWidth = value;
  TabsChanged();
}

void TPageControl::TabsChanged() {
  Realign();
  Invalidate();
}

int TPageControl::TabTextHeight() const {
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(Font());
  return canvas.TextHeight("Wg");
}

int TPageControl::TabAreaHeight() const {
  if (TabCount() == 0) return 0;
  int h = FTabHeight > 0 ? FTabHeight : TabTextHeight() + 6;
  return kTabRowMargin + h;
}

std::vector<TRect> TPageControl::TabRects() const {
  std::vector<TRect> rects;
  int h = TabAreaHeight() - kTabRowMargin;
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(Font());
  int x = kTabRowMargin;
  for (TTabSheet* page : FPages) {
    if (!page->FTabVisible) continue;
    int w = FTabWidth;
    if (w == 0) {
      TRect t{0, 0, 0, 0};
      DrawText(canvas, page->Caption(), t, DT_SINGLELINE | DT_CALCRECT);
      w = t.Width() + 2 * kTabPadding;
    }
    rects.push_back(Bounds(x, kTabRowMargin, w, h));
    x += w + (FStyle == tsTabs ? 0 : kButtonGap);
  }
  return rects;
}

TRect TPageControl::TabRect(int tabIndex) const {
  std::vector<TRect> rects = TabRects();
  if (tabIndex < 0 || tabIndex >= static_cast<int>(rects.size())) return TRect{};
  return rects[static_cast<std::size_t>(tabIndex)];
}

int TPageControl::IndexOfTabAt(int x, int y) const {
  std::vector<TRect> rects = TabRects();
  for (int i = 0; i < static_cast<int>(rects.size()); ++i) {
    if (PtInRect(rects[static_cast<std::size_t>(i)], {x, y})) return i;
  }
  return -1;
}

TRect TPageControl::DisplayRect() {
  TRect r = ClientRect();
  AdjustClientRect(r);
  return r;
}

void TPageControl::AdjustClientRect(TRect& rect) { Perform(TCM_ADJUSTRECT, 0, AsParam(&rect)); }

void TPageControl::AlignControls(TControl* control, TRect& rect) {
  if (FActivePage != nullptr) FActivePage->SetBoundsRect(rect);
  for (TTabSheet* page : FPages) {
    if (page != FActivePage) page->SetBoundsRect(rect);
  }
  TCustomControl::AlignControls(control, rect);
}

void TPageControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case TCM_ADJUSTRECT: {
      TRect& r = *LParamAs<TRect>(message.LParam);
      if (message.WParam == 0) {
        r.Top += TabAreaHeight();
        InflateRect(r, -kDisplayMargin, -kDisplayMargin);
      } else {
        InflateRect(r, kDisplayMargin, kDisplayMargin);
        r.Top -= TabAreaHeight();
      }
      return;
    }
    case CM_CONTROLLISTCHANGE: {
      auto* page = dynamic_cast<TTabSheet*>(LParamAs<TControl>(message.WParam));
      if (page != nullptr) {
        if (message.LParam != 0) {
          InsertPage(page);
        } else {
          RemovePage(page);
        }
      }
      break;
    }
    case CM_DIALOGKEY:
      if (message.WParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
        TWinControl* focused = FindControl(GetFocus());
        if (focused != nullptr && (focused == this || ContainsControl(focused))) {
          SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
          message.Result = 1;
          return;
        }
      }
      break;
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    case CM_FONTCHANGED:
      TabsChanged();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

void TPageControl::KeyDown(unsigned& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN) {
    SelectNextPage(key == VK_RIGHT || key == VK_DOWN);
    key = 0;
  }
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  TTabSheet* page = TabPage(IndexOfTabAt(x, y));
  if (page == nullptr) return;
  if (page != FActivePage && !ChangeActivePage(page)) return;
  if (CanFocus() && !Focused()) SetFocus();
}

void TPageControl::DrawTab(int tabIndex, const TRect& rect, bool active) {
  if (OnDrawTab) {
    OnDrawTab(this, tabIndex, rect, active);
  } else {
    Canvas()->FillRect(rect);
  }
}

void TPageControl::Paint() {
  TCanvas& canvas = *Canvas();
  TRect client = ClientRect();
  canvas.FillSolidRect(client, Color());
  int tabArea = TabAreaHeight();
  // The frame around the page area.
  if (FStyle == tsTabs) {
    TRect frame = Rect(client.Left, client.Top + tabArea, client.Right, client.Bottom);
    Frame3D(canvas, frame, clBtnHighlight, clBtnShadow, 1);
  }
  std::vector<TRect> rects = TabRects();
  int active = TabIndex();
  for (int i = 0; i < static_cast<int>(rects.size()); ++i) {
    TRect r = rects[static_cast<std::size_t>(i)];
    bool isActive = i == active;
    TTabSheet* page = TabPage(i);
    TRect content = r;
    switch (FStyle) {
      case tsTabs: {
        if (isActive) {
          r = Rect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 1);
          canvas.FillSolidRect(r, Color());
        }
        TRect edge = r;
        Frame3D(canvas, edge, clBtnHighlight, clBtnShadow, 1);
        if (isActive)
          canvas.FillSolidRect(Rect(r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom), Color());
        content = r;
        break;
      }
      case tsButtons:
        content = DrawButtonFace(canvas, r, isActive, false, false, Enabled());
        break;
      case tsFlatButtons:
        if (isActive) {
          TRect edge = r;
          DrawEdge(canvas, edge, BDR_SUNKENOUTER, BF_RECT);
        }
        break;
    }
    if (FOwnerDraw) {
      TCanvasStateSaver saver(canvas);
      canvas.Brush()->SetColor(Color());
      DrawTab(i, r, isActive);
    } else {
      TCanvasStateSaver saver(canvas);
      canvas.SetBkMode(TRANSPARENT);
      canvas.Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
      DrawText(canvas, page->Caption(), content, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    if (isActive && Focused()) {
      TRect focus = r;
      InflateRect(focus, -3, -3);
      DrawFocusRect(canvas, focus);
    }
  }
}
