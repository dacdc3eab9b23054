#include "platform/widgets/std_buttons.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/widgets/std_labels.h"

namespace {

constexpr int kCheckBoxSize = 13;
constexpr int kCheckBoxGap = 4;
constexpr int kKindGlyphSize = 16;

// A press of the left button inside the control.
bool Inside(const TControl& control, int x, int y) {
  return PtInRect(control.ClientRect(), TPoint{x, y});
}

// The check box or radio button look shared by both: box and caption.
void PaintCheckLike(TCustomControl& control, TCanvas& canvas, unsigned part, unsigned state,
                    TAlignment alignment) {
  TRect r = control.ClientRect();
  canvas.FillSolidRect(r, control.Color());
  int boxTop = (r.Height() - kCheckBoxSize) / 2;
  TRect box = alignment == taLeftJustify
                  ? Bounds(r.Right - kCheckBoxSize, boxTop, kCheckBoxSize, kCheckBoxSize)
                  : Bounds(0, boxTop, kCheckBoxSize, kCheckBoxSize);
  if (!control.Enabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(canvas, box, DFC_BUTTON, part | state);
  if (control.Caption().empty()) return;
  TRect text = Rect(0, 0, 0, 0);
  DrawText(canvas, control.Caption(), text, DT_CALCRECT | DT_SINGLELINE);
  int left = alignment == taLeftJustify ? 0 : kCheckBoxSize + kCheckBoxGap;
  text = Bounds(left, (r.Height() - text.Height()) / 2, text.Width(), text.Height());
  canvas.SetBkMode(TRANSPARENT);
  if (!control.Enabled()) canvas.SetTextColor(clGrayText);
  TRect drawn = text;
  DrawText(canvas, control.Caption(), drawn, DT_SINGLELINE);
  if (control.Focused()) {
    InflateRect(text, 1, 1);
    DrawFocusRect(canvas, text);
  }
}

}  // namespace

// ------------------------------------------------------------- layout

void CalcButtonLayout(TCanvas& canvas, const TRect& client, TPoint offset,
                      const std::string& caption, TButtonLayout layout, int margin, int spacing,
                      TSize glyphSize, TPoint& glyphPos, TRect& textBounds) {
  TSize clientSize{client.Width(), client.Height()};
  TSize textSize{0, 0};
  if (!caption.empty()) {
    TRect r = Rect(0, 0, clientSize.cx, 0);
    DrawText(canvas, caption, r, DT_CALCRECT | DT_SINGLELINE);
    textSize = {r.Width(), r.Height()};
  }
  TPoint textPos;
  bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  if (horizontal) {
    glyphPos.Y = (clientSize.cy - glyphSize.cy + 1) / 2;
    textPos.Y = (clientSize.cy - textSize.cy + 1) / 2;
  } else {
    glyphPos.X = (clientSize.cx - glyphSize.cx + 1) / 2;
    textPos.X = (clientSize.cx - textSize.cx + 1) / 2;
  }
  if (textSize.cx == 0 || glyphSize.cx == 0) spacing = 0;
  int client1 = horizontal ? clientSize.cx : clientSize.cy;
  int glyph1 = horizontal ? glyphSize.cx : glyphSize.cy;
  int text1 = horizontal ? textSize.cx : textSize.cy;
  if (margin == -1) {
    if (spacing == -1) {
      margin = (client1 - (glyph1 + text1)) / 3;
      spacing = margin;
    } else {
      margin = (client1 - (glyph1 + spacing + text1) + 1) / 2;
    }
  } else if (spacing == -1) {
    spacing = (client1 - (margin + glyph1) - text1) / 2;
  }
  switch (layout) {
    case blGlyphLeft:
      glyphPos.X = margin;
      textPos.X = glyphPos.X + glyphSize.cx + spacing;
      break;
    case blGlyphRight:
      glyphPos.X = clientSize.cx - margin - glyphSize.cx;
      textPos.X = glyphPos.X - spacing - textSize.cx;
      break;
    case blGlyphTop:
      glyphPos.Y = margin;
      textPos.Y = glyphPos.Y + glyphSize.cy + spacing;
      break;
    case blGlyphBottom:
      glyphPos.Y = clientSize.cy - margin - glyphSize.cy;
      textPos.Y = glyphPos.Y - spacing - textSize.cy;
      break;
  }
  int dx = client.Left + offset.X;
  int dy = client.Top + offset.Y;
  glyphPos = {glyphPos.X + dx, glyphPos.Y + dy};
  textBounds = Bounds(textPos.X + dx, textPos.Y + dy, textSize.cx, textSize.cy);
}

// ------------------------------------------------------------ TButtonGlyph

TButtonGlyph::TButtonGlyph() : FGlyph(std::make_unique<TBitmap>()) {
  FGlyph->OnChange = [this](TObject*) { Changed(); };
}

void TButtonGlyph::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (value == FNumGlyphs) return;
  FNumGlyphs = value;
  Changed();
}

void TButtonGlyph::Changed() {
  for (TRasterImagePtr& image : FImages) image = nullptr;
  if (OnChange) OnChange();
}

TSize TButtonGlyph::ImageSize() const {
  if (FGlyph->Empty()) return {0, 0};
  return {FGlyph->Width() / FNumGlyphs, FGlyph->Height()};
}

TRasterImagePtr TButtonGlyph::Image(TButtonState state) {
  TSize size = ImageSize();
  if (size.cx <= 0 || size.cy <= 0) return nullptr;
  TRasterImagePtr& cached = FImages[state];
  if (cached) return cached;
  TRasterImagePtr whole = FGlyph->Image();
  int source = state < FNumGlyphs ? state : 0;
  std::uint32_t transparent = whole->At(0, whole->Height - 1) & 0xFFFFFFu;
  auto image = std::make_shared<TRasterImage>(size.cx, size.cy);
  bool grey = state == bsDisabled && FNumGlyphs < 2;
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      std::uint32_t px = whole->At(source * size.cx + x, y);
      if ((px & 0xFFFFFFu) == transparent) {
        px = 0;
      } else if (grey) {
        // The image lists' disabled look: luminance turned into light grey.
        std::uint32_t r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
        std::uint32_t v = 96 + (r * 299 + g * 587 + b * 114) / 2000;
        px = (px & 0xFF000000u) | v << 16 | v << 8 | v;
      }
      image->At(x, y) = px;
    }
  }
  cached = std::move(image);
  return cached;
}

// ---------------------------------------------------------- TButtonControl

TButtonActionLink::TButtonActionLink(TButtonControl* button)
    : TControlActionLink(button), FButton(button) {}

void TButtonActionLink::SetChecked(bool value) {
  TScopeExit restore(
      [button = FButton, saved = FButton->ClicksDisabled()] { button->SetClicksDisabled(saved); });
  FButton->SetClicksDisabled(true);
  FButton->SetChecked(value);
}

TButtonControl::TButtonControl(TComponent* owner) : TCustomControl(owner) {
  // Presses are tracked here, so that Space and the mouse behave alike.
  SetControlStyle(ControlStyle() - csClickEvents);
  SetTabStop(true);
}

TBasicAction* TButtonControl::Action() const {
  return FActionLink != nullptr ? FActionLink->Action() : nullptr;
}

void TButtonControl::SetAction(TBasicAction* action) {
  if (action == nullptr) {
    FActionLink.reset();
    return;
  }
  if (FActionLink == nullptr) FActionLink = std::make_unique<TButtonActionLink>(this);
  FActionLink->SetAction(action);
}

void TButtonControl::Click() {
  if (FActionLink != nullptr && FActionLink->Action() != nullptr) {
    FActionLink->Execute(this);
    return;
  }
  TCustomControl::Click();
}

void TButtonControl::AccelPressed() { Click(); }

void TButtonControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FMouseDown = true;
    FPressed = true;
    Invalidate();
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TButtonControl::MouseMove(TShiftState shift, int x, int y) {
  if (FMouseDown && Inside(*this, x, y) != FPressed) {
    FPressed = !FPressed;
    Invalidate();
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TButtonControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && FMouseDown) {
    bool completed = FPressed && Inside(*this, x, y);
    FMouseDown = false;
    FPressed = false;
    Invalidate();
    if (completed) PressCompleted();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TButtonControl::KeyDown(unsigned& key, TShiftState shift) {
  if (key == VK_SPACE && !FSpaceDown && !FMouseDown) {
    FSpaceDown = true;
    Invalidate();
  }
  TCustomControl::KeyDown(key, shift);
}

void TButtonControl::KeyUp(unsigned& key, TShiftState shift) {
  if (key == VK_SPACE && FSpaceDown) {
    FSpaceDown = false;
    Invalidate();
    PressCompleted();
  }
  TCustomControl::KeyUp(key, shift);
}

void TButtonControl::DoEnter() {
  Invalidate();
  TCustomControl::DoEnter();
}

void TButtonControl::DoExit() {
  // A press that loses the focus is abandoned.
  FSpaceDown = false;
  Invalidate();
  TCustomControl::DoExit();
}

void TButtonControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_BUTTON;
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<unsigned>(message.WParam), Caption()) && CanFocus()) {
        AccelPressed();
        message.Result = 1;
        return;
      }
      break;
    case BM_CLICK:
      PressCompleted();
      return;
    case BM_GETCHECK:
      message.Result = GetChecked() ? 1 : 0;
      return;
    case BM_SETCHECK:
      SetChecked(message.WParam != 0);
      return;
    case CN_COMMAND:
      if (HiWord(message.WParam) == BN_CLICKED) {
        PressCompleted();
        return;
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

// ----------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetColor(clBtnFace);
}

void TButton::SetDefault(bool value) {
  if (value == FDefault) return;
  FDefault = value;
  FActive = IsActive();
  Invalidate();
}

bool TButton::IsActive() const {
  TWinControl* focused = FindControl(GetFocus());
  if (focused == this) return true;
  if (dynamic_cast<TButton*>(focused) != nullptr) return false;
  return FDefault;
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TButtonControl::Click();
}

void TButton::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  if (IsActive() && Enabled()) Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
  TRect content = DrawButtonFace(canvas, r, Pressed(), Focused(), false, Enabled());
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetTextColor(Enabled() ? clBtnText : clGrayText);
  PaintContent(canvas, content);
}

void TButton::PaintContent(TCanvas& canvas, const TRect& content) {
  TRect r = content;
  DrawText(canvas, Caption(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_BUTTON | (IsActive() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      return;
    case CM_FOCUSCHANGED:
      // The form tells every control where the focus went: the default
      // look moves with it.
      if (IsActive() != FActive) {
        FActive = !FActive;
        Invalidate();
      }
      break;
    case CM_DIALOGKEY: {
      TWMKey key{message};
      bool enter = key.CharCode() == VK_RETURN && IsActive();
      bool escape = key.CharCode() == VK_ESCAPE && FCancel;
      if ((enter || escape) && KeyDataToShiftState(key.KeyData()) == TShiftState{} && CanFocus()) {
        Click();
        message.Result = 1;
        return;
      }
      break;
    }
    default:
      break;
  }
  TButtonControl::WndProc(message);
}

// ----------------------------------------------------------------- TBitBtn

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {
  FGlyph.OnChange = [this] { Invalidate(); };
}

std::string TBitBtn::KindCaption(TBitBtnKind kind) {
  static const char* const kCaptions[] = {"",           "ОК",          "Отмена",   "&Справка",
                                          "&Да",        "&Нет",        "&Закрыть", "Прервать",
                                          "&Повторить", "П&ропустить", "&Все"};
  return kCaptions[kind];
}

TModalResult TBitBtn::KindModalResult(TBitBtnKind kind) {
  static constexpr TModalResult kResults[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                              mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
  return kResults[kind];
}

void TBitBtn::SetKind(TBitBtnKind value) {
  if (value == FKind) return;
  FKind = value;
  if (value != bkCustom) {
    SetDefault(value == bkOK || value == bkYes);
    SetCancel(value == bkCancel || value == bkNo);
    SetModalResult(KindModalResult(value));
    SetCaption(KindCaption(value));
  }
  Invalidate();
}

void TBitBtn::SetGlyph(const TBitmap* value) {
  FKind = bkCustom;
  FGlyph.Glyph()->Assign(value);
}

void TBitBtn::SetLayout(TButtonLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TBitBtn::SetSpacing(int value) {
  if (value == FSpacing) return;
  FSpacing = value;
  Invalidate();
}

void TBitBtn::SetMargin(int value) {
  if (value == FMargin) return;
  FMargin = value;
  Invalidate();
}

void TBitBtn::Click() {
  if (FKind == bkClose) {
    if (TCustomForm* form = GetParentForm(this)) {
      form->Close();
      return;
    }
  }
  TButton::Click();
}

void TBitBtn::PaintContent(TCanvas& canvas, const TRect& content) {
  bool ownGlyph = !FGlyph.Empty();
  TSize glyphSize = ownGlyph            ? FGlyph.ImageSize()
                    : FKind != bkCustom ? TSize{kKindGlyphSize, kKindGlyphSize}
                                        : TSize{0, 0};
  TPoint glyphPos;
  TRect text;
  CalcButtonLayout(canvas, content, {0, 0}, Caption(), FLayout, FMargin, FSpacing, glyphSize,
                   glyphPos, text);
  if (ownGlyph) {
    TButtonState state = !Enabled() ? bsDisabled : Pressed() ? bsDown : bsUp;
    canvas.DrawImage(Bounds(glyphPos.X, glyphPos.Y, glyphSize.cx, glyphSize.cy),
                     FGlyph.Image(state), Rect(0, 0, glyphSize.cx, glyphSize.cy));
  } else if (FKind != bkCustom) {
    DrawKindGlyph(canvas, FKind, glyphPos, Enabled());
  }
  DrawText(canvas, Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawKindGlyph(TCanvas& canvas, TBitBtnKind kind, TPoint pos, bool enabled) {
  TCanvasStateSaver saver(canvas);
  auto color = [enabled](TColor c) { return enabled ? c : clGrayText; };
  auto pen = [&](TColor c) { canvas.Pen()->SetData({color(c), 2, psSolid, pmCopy}); };
  auto line = [&](std::vector<TPoint> points) {
    for (TPoint& p : points) p = {p.X + pos.X, p.Y + pos.Y};
    canvas.Polyline(points);
  };
  canvas.Brush()->SetStyle(bsClear);
  const TColor green = RGB(0, 128, 0), red = RGB(192, 0, 0), blue = RGB(0, 64, 160);
  switch (kind) {
    case bkCustom:
      break;
    case bkOK:
    case bkYes:
      pen(green);
      line({{2, 8}, {6, 12}, {14, 3}});
      break;
    case bkAll:
      pen(green);
      line({{1, 7}, {4, 10}, {9, 3}});
      line({{6, 10}, {9, 13}, {15, 5}});
      break;
    case bkCancel:
      pen(red);
      line({{3, 3}, {13, 13}});
      line({{13, 3}, {3, 13}});
      break;
    case bkNo:
    case bkAbort:
      pen(red);
      canvas.Ellipse(Bounds(pos.X + 2, pos.Y + 2, 12, 12));
      if (kind == bkNo) {
        line({{4, 12}, {12, 4}});
      } else {
        line({{6, 6}, {10, 10}});
        line({{10, 6}, {6, 10}});
      }
      break;
    case bkHelp:
      pen(blue);
      line({{4, 5}, {5, 3}, {8, 2}, {11, 3}, {12, 5}, {11, 7}, {8, 9}, {8, 11}});
      line({{8, 13}, {8, 15}});
      break;
    case bkClose:
      pen(blue);
      canvas.Rectangle(Bounds(pos.X + 3, pos.Y + 2, 9, 13));
      line({{9, 8}, {10, 8}});
      break;
    case bkRetry:
      pen(green);
      canvas.Arc(pos.X + 2, pos.Y + 2, pos.X + 14, pos.Y + 14, pos.X + 14, pos.Y + 8, pos.X + 8,
                 pos.Y + 2);
      line({{9, 0}, {8, 2}, {10, 5}});
      break;
    case bkIgnore:
      pen(blue);
      line({{2, 8}, {13, 8}});
      line({{9, 4}, {13, 8}, {9, 12}});
      break;
  }
}

// ------------------------------------------------------------ TSpeedButton

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  // Click comes from MouseUp, after the group's state is settled.
  SetControlStyle(ControlStyle() - csClickEvents);
  SetBounds(0, 0, 23, 22);
  FGlyph.OnChange = [this] { Invalidate(); };
}

void TSpeedButton::SetState(TButtonState value) {
  if (value == FState) return;
  FState = value;
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int value) {
  if (value == FGroupIndex) return;
  FGroupIndex = value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
  if (FGroupIndex == 0) value = false;
  if (value == FDown) return;
  if (FDown && !FAllowAllUp) return;
  FDown = value;
  FState = value ? bsExclusive : bsUp;
  Invalidate();
  if (value) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
  if (value == FAllowAllUp) return;
  FAllowAllUp = value;
  UpdateExclusive();
}

void TSpeedButton::SetFlat(bool value) {
  if (value == FFlat) return;
  FFlat = value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
  if (value == FSpacing) return;
  FSpacing = value;
  Invalidate();
}

void TSpeedButton::SetMargin(int value) {
  if (value == FMargin) return;
  FMargin = value;
  Invalidate();
}

void TSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || Parent() == nullptr) return;
  TMessage message{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), AsParam(this), 0};
  Parent()->Broadcast(message);
}

void TSpeedButton::ButtonPressed(TMessage& message) {
  if (static_cast<int>(message.WParam) != FGroupIndex) return;
  auto* sender = LParamAs<TSpeedButton>(message.LParam);
  if (sender == this) return;
  if (sender->Down() && FDown) {
    FDown = false;
    FState = bsUp;
    Invalidate();
  }
  FAllowAllUp = sender->AllowAllUp();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!FDown) SetState(bsDown);
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!FDragging) return;
  TButtonState state = FDown ? bsExclusive : bsUp;
  if (Inside(*this, x, y) && !FDown) state = bsDown;
  SetState(state);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!FDragging || button != mbLeft) return;
  FDragging = false;
  bool doClick = Inside(*this, x, y);
  if (FGroupIndex == 0) {
    SetState(bsUp);
  } else if (doClick) {
    SetDown(!FDown);
    SetState(FDown ? bsExclusive : bsUp);
  } else {
    SetState(FDown ? bsExclusive : bsUp);
  }
  if (doClick) Click();
}

void TSpeedButton::PaintFace(TCanvas& canvas, TRect& rect) {
  TButtonState state = State();
  bool down = state == bsDown || state == bsExclusive;
  bool hot = FMouseInControl && Enabled();
  if (!FFlat) {
    unsigned flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (down ? DFCS_PUSHED : 0u) |
                     (hot ? DFCS_HOT : 0u) | (Enabled() ? 0u : DFCS_INACTIVE);
    DrawFrameControl(canvas, rect, DFC_BUTTON, flags);
    return;
  }
  if (!FTransparent || down) {
    canvas.FillSolidRect(
        rect, state == bsExclusive ? BlendColors(clBtnFace, clWindow, 50) : TColor(clBtnFace));
  }
  if (down) {
    DrawEdge(canvas, rect, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  } else if (hot) {
    DrawEdge(canvas, rect, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  } else {
    InflateRect(rect, -1, -1);
  }
}

void TSpeedButton::PaintContent(TCanvas& canvas, const TRect& rect, TPoint offset) {
  TSize glyphSize = FGlyph.ImageSize();
  TPoint glyphPos;
  TRect text;
  CalcButtonLayout(canvas, rect, offset, Caption(), FLayout, FMargin, FSpacing, glyphSize, glyphPos,
                   text);
  if (TRasterImagePtr image = FGlyph.Image(State())) {
    canvas.DrawImage(Bounds(glyphPos.X, glyphPos.Y, glyphSize.cx, glyphSize.cy), image,
                     Rect(0, 0, glyphSize.cx, glyphSize.cy));
  }
  if (Caption().empty()) return;
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetTextColor(Enabled() ? clBtnText : clGrayText);
  DrawText(canvas, Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TSpeedButton::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  PaintFace(canvas, r);
  TButtonState state = State();
  TPoint offset = state == bsDown || state == bsExclusive ? TPoint{1, 1} : TPoint{0, 0};
  PaintContent(canvas, r, offset);
}

void TSpeedButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_BUTTONPRESSED:
      ButtonPressed(message);
      return;
    case CM_MOUSEENTER:
      if (Enabled() && !FMouseInControl) {
        FMouseInControl = true;
        Invalidate();
      }
      break;
    case CM_MOUSELEAVE:
      if (FMouseInControl) {
        FMouseInControl = false;
        Invalidate();
      }
      break;
    case CM_ENABLEDCHANGED:
      if (!Enabled()) {
        FDragging = false;
        FMouseInControl = false;
      }
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<unsigned>(message.WParam), Caption()) && Enabled() &&
          IsVisibleInTree() && Parent() != nullptr && Parent()->Showing()) {
        Click();
        message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TGraphicControl::WndProc(message);
}

// --------------------------------------------------------- TCustomCheckBox

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 97, 17);
  SetParentColor(true);
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
  if (value == FState) return;
  FState = value;
  Invalidate();
  if (!ClicksDisabled()) Click();
}

void TCustomCheckBox::SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }

void TCustomCheckBox::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked:
      SetState(FAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
}

void TCustomCheckBox::AccelPressed() {
  SetFocus();
  if (Focused()) Toggle();
}

void TCustomCheckBox::Paint() {
  unsigned state = (FState == cbChecked ? DFCS_CHECKED : 0u) |
                   (FState == cbGrayed ? DFCS_BUTTON3STATE | DFCS_CHECKED : 0u) |
                   (Pressed() ? DFCS_PUSHED : 0u);
  PaintCheckLike(*this, *Canvas(), DFCS_BUTTONCHECK, state, FAlignment);
}

// ------------------------------------------------------------ TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 113, 17);
  SetParentColor(true);
  SetTabStop(false);
}

void TRadioButton::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  SetTabStop(value);
  Invalidate();
  if (!value) return;
  if (Parent() != nullptr) {
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
      if (sibling != nullptr && sibling != this) sibling->SetChecked(false);
    }
  }
  if (!ClicksDisabled()) Click();
}

void TRadioButton::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TRadioButton::AccelPressed() {
  SetFocus();
  if (Focused()) SetChecked(true);
}

void TRadioButton::Paint() {
  unsigned state = (FChecked ? DFCS_CHECKED : 0u) | (Pressed() ? DFCS_PUSHED : 0u);
  PaintCheckLike(*this, *Canvas(), DFCS_BUTTONRADIO, state, FAlignment);
}

void TRadioButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_BUTTON | DLGC_RADIOBUTTON;
      return;
    case WM_SETFOCUS: {
      TButtonControl::WndProc(message);
      // Reached with an arrow key: the choice moves here.
      bool arrow = GetKeyState(VK_LEFT) < 0 || GetKeyState(VK_RIGHT) < 0 ||
                   GetKeyState(VK_UP) < 0 || GetKeyState(VK_DOWN) < 0;
      if (arrow && Focused()) SetChecked(true);
      return;
    }
    default:
      break;
  }
  TButtonControl::WndProc(message);
}

// ------------------------------------------------------- TCustomRadioGroup

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner)
    : TCustomGroupBox(owner), FItems(std::make_unique<TStringList>()) {
  FItems->OnChange = [this](TStrings*) { ItemsChanged(); };
}

void TCustomRadioGroup::BeforeDestruction() {
  FItems->OnChange = nullptr;
  FButtons.clear();
  TCustomGroupBox::BeforeDestruction();
}

void TCustomRadioGroup::SetItems(const TStrings* value) {
  if (value != nullptr) FItems->Assign(*value);
}

void TCustomRadioGroup::SetItemIndex(int value) {
  value = std::clamp(value, -1, ButtonCount() - 1);
  if (value == FItemIndex) return;
  if (FItemIndex >= 0) FButtons[static_cast<std::size_t>(FItemIndex)]->SetChecked(false);
  FItemIndex = value;
  if (value >= 0) FButtons[static_cast<std::size_t>(value)]->SetChecked(true);
  UpdateTabStops();
}

void TCustomRadioGroup::SetColumns(int value) {
  value = std::max(value, 1);
  if (value == FColumns) return;
  FColumns = value;
  ArrangeButtons();
}

void TCustomRadioGroup::ButtonClick(TRadioButton* button) {
  if (FUpdating) return;
  auto it = std::find(FButtons.begin(), FButtons.end(), button);
  if (it == FButtons.end()) return;
  FItemIndex = static_cast<int>(it - FButtons.begin());
  UpdateTabStops();
  Click();
}

void TCustomRadioGroup::ItemsChanged() {
  int count = FItems->Count();
  while (ButtonCount() < count) {
    auto* button = Create<TRadioButton>(this);
    button->OnClick = [this, button](TObject*) { ButtonClick(button); };
    button->SetParent(this);
    FButtons.push_back(button);
  }
  while (ButtonCount() > count) {
    TRadioButton* button = FButtons.back();
    FButtons.pop_back();
    button->Free();
  }
  if (FItemIndex >= count) FItemIndex = count - 1;
  {
    TFlagGuard updating(FUpdating);
    for (int i = 0; i < count; ++i) {
      TRadioButton* button = FButtons[static_cast<std::size_t>(i)];
      button->SetCaption(FItems->Get(i));
      button->SetEnabled(Enabled());
      button->SetChecked(i == FItemIndex);
    }
  }
  UpdateTabStops();
  ArrangeButtons();
}

void TCustomRadioGroup::UpdateTabStops() {
  int stop = FItemIndex >= 0 ? FItemIndex : 0;
  for (int i = 0; i < ButtonCount(); ++i)
    FButtons[static_cast<std::size_t>(i)]->SetTabStop(i == stop);
}

void TCustomRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) return;
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(Font());
  TTextMetric tm = canvas.TextMetrics();
  int count = ButtonCount();
  int perColumn = (count + FColumns - 1) / FColumns;
  int buttonWidth = (Width() - 10) / FColumns;
  int height = Height() - tm.tmHeight - 5;
  int buttonHeight = height / perColumn;
  int topMargin = tm.tmHeight + 1 + (height % perColumn) / 2;
  for (int i = 0; i < count; ++i) {
    FButtons[static_cast<std::size_t>(i)]->SetBounds((i / perColumn) * buttonWidth + 8,
                                                     (i % perColumn) * buttonHeight + topMargin,
                                                     buttonWidth, buttonHeight);
  }
}

void TCustomRadioGroup::Resize() {
  ArrangeButtons();
  TCustomGroupBox::Resize();
}

void TCustomRadioGroup::WndProc(TMessage& message) {
  TCustomGroupBox::WndProc(message);
  switch (message.Msg) {
    case CM_FONTCHANGED:
      ArrangeButtons();
      break;
    case CM_ENABLEDCHANGED:
      for (TRadioButton* button : FButtons) button->SetEnabled(Enabled());
      break;
    default:
      break;
  }
}
