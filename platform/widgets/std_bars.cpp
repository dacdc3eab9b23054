#include "platform/widgets/std_bars.h"

#include <algorithm>

#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/widgets/menus.h"

namespace {

constexpr int kPanelGap = 2;      // between status panels
constexpr int kPanelPadding = 3;  // left and right of a panel's text
constexpr int kGripSize = 14;
constexpr int kSeparatorWidth = 8;

}  // namespace

// ------------------------------------------------------------ status panels

void TStatusPanel::Changed() { FBar->Invalidate(); }

void TStatusPanel::SetText(const std::string& value) {
  if (value == FText) return;
  FText = value;
  Changed();
}
void TStatusPanel::SetWidth(int value) {
  if (value == FWidth) return;
  FWidth = value;
  Changed();
}
void TStatusPanel::SetStyle(TStatusPanelStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Changed();
}
void TStatusPanel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Changed();
}
void TStatusPanel::SetBevel(TStatusPanelBevel value) {
  if (value == FBevel) return;
  FBevel = value;
  Changed();
}
int TStatusPanel::Index() const { return FBar->Panels()->IndexOf(this); }

TStatusPanel* TStatusPanels::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[static_cast<std::size_t>(index)].get();
}

TStatusPanel* TStatusPanels::Add() {
  FItems.push_back(std::make_unique<TStatusPanel>(FBar));
  FBar->Invalidate();
  return FItems.back().get();
}

void TStatusPanels::Delete(int index) {
  Items(index);
  FItems.erase(FItems.begin() + index);
  FBar->Invalidate();
}

void TStatusPanels::Clear() {
  FItems.clear();
  FBar->Invalidate();
}

int TStatusPanels::IndexOf(const TStatusPanel* panel) const {
  for (int i = 0; i < Count(); ++i) {
    if (FItems[static_cast<std::size_t>(i)].get() == panel) return i;
  }
  return -1;
}

// ------------------------------------------------------------ TStatusBar

TStatusBar::TStatusBar(TComponent* owner) : TCustomControl(owner) {
  SetColor(clBtnFace);
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

void TStatusBar::SetSimplePanel(bool value) {
  if (value == FSimplePanel) return;
  FSimplePanel = value;
  Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& value) {
  if (value == FSimpleText) return;
  FSimpleText = value;
  Invalidate();
}

void TStatusBar::SetSizeGrip(bool value) {
  if (value == FSizeGrip) return;
  FSizeGrip = value;
  Invalidate();
}

bool TStatusBar::GripShows() const {
  // Only a bar at the bottom of a sizeable window can size it.
  return FSizeGrip && Align() == alBottom;
}

TRect TStatusBar::PanelRect(int index) const {
  if (index < 0 || index >= FPanels.Count()) return TRect{};
  TRect client = ClientRect();
  int right = client.Right - (GripShows() ? kGripSize : 0);
  int x = 0;
  for (int i = 0; i < index; ++i) x += FPanels.Items(i)->Width() + kPanelGap;
  int w = index == FPanels.Count() - 1 ? std::max(right - x, 0) : FPanels.Items(index)->Width();
  return Rect(x, client.Top + 2, std::min(x + w, std::max(right, x)), client.Bottom);
}

void TStatusBar::DrawPanel(TStatusPanel* panel, const TRect& rect) {
  if (OnDrawPanel) {
    OnDrawPanel(this, panel, rect);
  } else {
    Canvas()->FillRect(rect);
  }
}

void TStatusBar::Paint() {
  TCanvas& canvas = *Canvas();
  TRect client = ClientRect();
  canvas.FillSolidRect(client, Color());
  canvas.SetBkMode(TRANSPARENT);
  if (FSimplePanel) {
    TRect r = Rect(client.Left, client.Top + 2, client.Right - (GripShows() ? kGripSize : 0),
                   client.Bottom);
    TRect edge = r;
    DrawEdge(canvas, edge, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    InflateRect(edge, -kPanelPadding + 1, 0);
    DrawText(canvas, FSimpleText, edge, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  } else {
    for (int i = 0; i < FPanels.Count(); ++i) {
      TStatusPanel* panel = FPanels.Items(i);
      TRect r = PanelRect(i);
      if (IsRectEmpty(r)) continue;
      if (panel->Bevel() != pbNone) {
        DrawEdge(canvas, r, panel->Bevel() == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
                 BF_RECT | BF_ADJUST);
      }
      if (panel->Style() == psOwnerDraw) {
        TCanvasStateSaver saver(canvas);
        DrawPanel(panel, r);
        continue;
      }
      TRect text = r;
      InflateRect(text, -kPanelPadding, 0);
      DrawText(canvas, panel->Text(), text,
               DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                   AlignFlags(panel->Alignment()));
    }
  }
  if (GripShows()) {
    TRect grip =
        Rect(client.Right - kGripSize, client.Bottom - kGripSize, client.Right, client.Bottom);
    DrawFrameControl(canvas, grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  }
}

void TStatusBar::WndProc(TMessage& message) {
  if (message.Msg == WM_NCHITTEST && GripShows()) {
    TPoint p = ScreenToClient(TWMNCHitTest{message}.Pos());
    TRect client = ClientRect();
    if (p.X >= client.Right - kGripSize && p.Y >= client.Bottom - kGripSize &&
        PtInRect(client, p)) {
      message.Result = HTBOTTOMRIGHT;
      return;
    }
  }
  if (message.Msg == WM_SIZE) Invalidate();
  TCustomControl::WndProc(message);
}

// ------------------------------------------------------------ the link

TToolButtonActionLink::TToolButtonActionLink(TToolButton* button)
    : TActionLink(button), FButton(button) {}
void TToolButtonActionLink::SetCaption(const std::string& value) { FButton->SetCaption(value); }
void TToolButtonActionLink::SetEnabled(bool value) { FButton->SetEnabled(value); }
void TToolButtonActionLink::SetChecked(bool value) { FButton->SetDown(value); }
void TToolButtonActionLink::SetVisible(bool value) { FButton->SetVisible(value); }
void TToolButtonActionLink::SetHint(const std::string& value) { FButton->SetHint(value); }
void TToolButtonActionLink::SetImageIndex(int value) { FButton->SetImageIndex(value); }
bool TToolButtonActionLink::IsClientVisible() const {
  return FButton->Parent() != nullptr && FButton->Parent()->IsVisibleInTree();
}

// ------------------------------------------------------------ TToolButton

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 23, 22); }

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FDropdownMenu) FDropdownMenu = nullptr;
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  if (TToolBar* bar = ToolBar()) bar->LayoutButtons();
  Invalidate();
}

void TToolButton::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  Invalidate();
}

std::vector<TToolButton*> TToolButton::GroupButtons() const {
  std::vector<TToolButton*> group;
  TToolBar* bar = ToolBar();
  if (bar == nullptr || !FGrouped || FStyle != tbsCheck) return group;
  int n = bar->ButtonCount();
  int at = 0;
  while (at < n && bar->Buttons(at) != this) ++at;
  auto inGroup = [](TToolButton* b) { return b->FGrouped && b->FStyle == tbsCheck; };
  int first = at;
  while (first > 0 && inGroup(bar->Buttons(first - 1))) --first;
  for (int i = first; i < n && inGroup(bar->Buttons(i)); ++i) group.push_back(bar->Buttons(i));
  return group;
}

void TToolButton::SetDown(bool value) {
  if (value == FDown) return;
  if (!value && FGrouped && FStyle == tbsCheck && !FAllowAllUp) {
    // The last button down of a group stays down unless all may be up.
    std::vector<TToolButton*> group = GroupButtons();
    bool otherDown = std::any_of(group.begin(), group.end(),
                                 [this](TToolButton* b) { return b != this && b->FDown; });
    if (!otherDown && group.size() > 1) return;
  }
  FDown = value;
  if (value) {
    for (TToolButton* b : GroupButtons()) {
      if (b != this && b->FDown) {
        b->FDown = false;
        b->Invalidate();
      }
    }
  }
  Invalidate();
}

void TToolButton::SetDropdownMenu(TPopupMenu* value) {
  if (value == FDropdownMenu) return;
  if (FDropdownMenu != nullptr) RemoveFreeNotification(FDropdownMenu);
  FDropdownMenu = value;
  if (FDropdownMenu != nullptr) FreeNotification(FDropdownMenu);
}

TBasicAction* TToolButton::Action() const {
  return FActionLink != nullptr ? FActionLink->Action() : nullptr;
}

void TToolButton::SetAction(TBasicAction* action) {
  if (action == nullptr) {
    FActionLink.reset();
    return;
  }
  if (FActionLink == nullptr) FActionLink = std::make_unique<TToolButtonActionLink>(this);
  FActionLink->SetAction(action);
}

bool TToolButton::CheckMenuDropdown() {
  if (FDropdownMenu == nullptr) return false;
  TPoint p = ClientToScreen({0, Height()});
  FDropdownMenu->SetPopupComponent(this);
  FPressed = true;
  Invalidate();
  FDropdownMenu->Popup(p.X, p.Y);
  FPressed = false;
  Invalidate();
  return true;
}

void TToolButton::Click() {
  if (!Enabled() || FStyle == tbsSeparator || FStyle == tbsDivider) return;
  if (FStyle == tbsCheck) SetDown(!FDown);
  if (FActionLink != nullptr && FActionLink->Action() != nullptr) {
    FActionLink->Execute(this);
    // The action's Checked decides when it has an opinion.
    if (auto* a = dynamic_cast<TCustomAction*>(FActionLink->Action()); a && FStyle == tbsCheck)
      SetDown(a->Checked());
    return;
  }
  TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled() || FStyle == tbsSeparator || FStyle == tbsDivider) return;
  bool arrow = FStyle == tbsDropDown && x >= Width() - kDropDownWidth;
  bool wholeDrops = FDropdownMenu != nullptr && !OnClick && Action() == nullptr;
  if ((arrow || wholeDrops) && FDropdownMenu != nullptr) {
    // The menu loop takes the release; no click follows.
    SetControlState(ControlState() - TControlState{csClicked, csLButtonDown});
    CheckMenuDropdown();
    return;
  }
  FPressed = true;
  Invalidate();
}

void TToolButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (FPressed) {
    FPressed = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TToolButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      FHot = message.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    case CM_TEXTCHANGED:
    case CM_VISIBLECHANGED:
      if (TToolBar* bar = ToolBar()) bar->LayoutButtons();
      break;
    default:
      break;
  }
  TGraphicControl::WndProc(message);
}

void TToolButton::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  TToolBar* bar = ToolBar();
  if (FStyle == tbsSeparator || FStyle == tbsDivider) {
    // A flat bar shows its separators as lines, as dividers always are.
    if (FStyle == tbsDivider || bar == nullptr || bar->Flat()) {
      TRect line = Rect(r.Width() / 2 - 1, r.Top + 2, r.Width() / 2 + 1, r.Bottom - 2);
      DrawEdge(canvas, line, EDGE_ETCHED, BF_LEFT);
    }
    return;
  }
  bool flat = bar == nullptr || bar->Flat();
  bool down = FDown || FPressed;
  TRect content = r;
  if (down || FHot || !flat) {
    if (flat) {
      if (FDown && !FPressed && !FHot)
        canvas.FillSolidRect(r, BlendColors(clBtnFace, clWindow, 50));
      TRect edge = r;
      DrawEdge(canvas, edge, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      content = edge;
      InflateRect(content, -1, -1);
    } else {
      content = DrawButtonFace(canvas, r, down, false, FHot, Enabled());
    }
  }
  if (down) OffsetRect(content, 1, 1);
  if (FStyle == tbsDropDown) {
    TRect arrow = Rect(r.Right - kDropDownWidth, r.Top, r.Right, r.Bottom);
    if (FHot || down) {
      TRect edge = arrow;
      DrawEdge(canvas, edge, BDR_RAISEDINNER, BF_LEFT);
    }
    TRect glyph = Rect(arrow.Left + 3, arrow.Top + arrow.Height() / 2 - 3, arrow.Right - 3,
                       arrow.Top + arrow.Height() / 2 + 3);
    DrawFrameControl(
        canvas, glyph, DFC_SCROLL,
        DFCS_SCROLLDOWN | DFCS_FLAT | DFCS_TRANSPARENT | (Enabled() ? 0u : DFCS_INACTIVE));
    content.Right = arrow.Left;
  }
  TCustomImageList* images = bar != nullptr ? bar->Images() : nullptr;
  bool enabled = Enabled();
  if (bar != nullptr && !enabled && bar->DisabledImages() != nullptr)
    images = bar->DisabledImages();
  else if (bar != nullptr && FHot && enabled && bar->HotImages() != nullptr)
    images = bar->HotImages();
  bool captions = bar != nullptr && bar->ShowCaptions();
  int textHeight = captions ? canvas.TextHeight("Wg") : 0;
  if (images != nullptr && FImageIndex >= 0 && FImageIndex < images->Count()) {
    int x = content.Left + (content.Width() - images->Width()) / 2;
    int y = content.Top + (content.Height() - images->Height() - textHeight) / 2;
    // A dedicated disabled list draws its image as it is.
    bool drawEnabled = enabled || images == (bar != nullptr ? bar->DisabledImages() : nullptr);
    images->Draw(&canvas, x, y, FImageIndex, drawEnabled);
    content.Top = y + images->Height();
  }
  if (captions && !Caption().empty()) {
    TCanvasStateSaver saver(canvas);
    canvas.SetBkMode(TRANSPARENT);
    canvas.Font()->SetColor(enabled ? Font()->Color() : clGrayText);
    DrawText(canvas, Caption(), content, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}

// ------------------------------------------------------------ TToolBar

TToolBar::TToolBar(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

int TToolBar::ButtonCount() const { return static_cast<int>(FButtons.size()); }

TToolButton* TToolBar::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FButtons[static_cast<std::size_t>(index)];
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) FImages = nullptr;
  if (component == FDisabledImages) FDisabledImages = nullptr;
  if (component == FHotImages) FHotImages = nullptr;
}

void TToolBar::SetImageList(TCustomImageList*& field, TCustomImageList* value) {
  if (value == field) return;
  if (field != nullptr) RemoveFreeNotification(field);
  field = value;
  if (field != nullptr) FreeNotification(field);
  Invalidate();
}
void TToolBar::SetImages(TCustomImageList* value) { SetImageList(FImages, value); }
void TToolBar::SetDisabledImages(TCustomImageList* value) { SetImageList(FDisabledImages, value); }
void TToolBar::SetHotImages(TCustomImageList* value) { SetImageList(FHotImages, value); }

void TToolBar::SetButtonWidth(int value) {
  if (value == FButtonWidth) return;
  FButtonWidth = value;
  LayoutButtons();
}
void TToolBar::SetButtonHeight(int value) {
  if (value == FButtonHeight) return;
  FButtonHeight = value;
  LayoutButtons();
}
void TToolBar::SetFlat(bool value) {
  if (value == FFlat) return;
  FFlat = value;
  Invalidate();
}
void TToolBar::SetShowCaptions(bool value) {
  if (value == FShowCaptions) return;
  FShowCaptions = value;
  LayoutButtons();
}

void TToolBar::LayoutButtons() {
  int x = 0;
  int height = FButtonHeight;
  int width = FButtonWidth;
  if (FShowCaptions) {
    TCanvas& canvas = MeasureCanvas();
    TCanvasStateSaver saver(canvas);
    canvas.Font()->Assign(Font());
    int imageHeight = FImages != nullptr ? FImages->Height() : 0;
    height = std::max(height, imageHeight + canvas.TextHeight("Wg") + 8);
    for (TToolButton* b : FButtons) width = std::max(width, canvas.TextWidth(b->Caption()) + 8);
  }
  for (TToolButton* b : FButtons) {
    if (!b->Visible()) continue;
    int w = width;
    if (b->Style() == tbsSeparator || b->Style() == tbsDivider) w = kSeparatorWidth;
    if (b->Style() == tbsDropDown) w += TToolButton::kDropDownWidth;
    b->SetBounds(x, 2, w, height);
    x += w;
  }
  Invalidate();
}

void TToolBar::WndProc(TMessage& message) {
  if (message.Msg == CM_CONTROLLISTCHANGE) {
    auto* button = dynamic_cast<TToolButton*>(LParamAs<TControl>(message.WParam));
    if (button != nullptr) {
      if (message.LParam != 0) {
        FButtons.push_back(button);
      } else {
        FButtons.erase(std::remove(FButtons.begin(), FButtons.end(), button), FButtons.end());
      }
      LayoutButtons();
    }
  }
  TCustomControl::WndProc(message);
}

void TToolBar::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  canvas.FillSolidRect(r, Color());
  // A line under the bar parts the buttons from the form below.
  DrawEdge(canvas, r, EDGE_ETCHED, BF_BOTTOM);
}
