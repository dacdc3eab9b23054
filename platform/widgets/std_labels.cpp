#include "platform/widgets/std_labels.h"

#include <algorithm>

#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"

namespace {

// Room between a framed static text's border and its text, so the text
// does not touch the frame.
constexpr int kStaticPadX = 2;
constexpr int kStaticPadY = 1;

}  // namespace

// ------------------------------------------------------------ TCustomLabel

TCustomLabel::TCustomLabel(TComponent* owner) : TCaptionControl(owner) {
  SetControlStyle(ControlStyle() + csOpaque);
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  if (value == Transparent()) return;
  SetControlStyle(value ? ControlStyle() - csOpaque : ControlStyle() + csOpaque);
  Invalidate();
}

std::string TCustomLabel::GetLabelText() const {
  const std::string& text = Caption();
  if (text.empty() || (ShowAccelChar() && text == "&")) return text + " ";
  return text;
}

void TCustomLabel::DoDrawText(TCanvas& canvas, TRect& rect, unsigned flags) {
  flags |= DT_EXPANDTABS;
  if (!ShowAccelChar()) flags |= DT_NOPREFIX;
  if (!Enabled() && (flags & DT_CALCRECT) == 0) canvas.SetTextColor(clGrayText);
  DrawText(canvas, GetLabelText(), rect, flags);
}

void TCustomLabel::AdjustBounds() {
  if (!CanAutoSize()) return;
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(Font());
  TRect r = ClientRect();
  // Through DoDrawText, so a descendant's text and drawing are measured.
  DoDrawText(canvas, r, DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0u));
  FitToText(r.Right, r.Bottom);
}

void TCustomLabel::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  if (!Transparent()) canvas.FillSolidRect(r, Color());
  canvas.SetBkMode(TRANSPARENT);
  unsigned flags = AlignmentFlags() | (FWordWrap ? DT_WORDBREAK : 0u);
  if (FLayout != tlTop) {
    TRect calc = r;
    DoDrawText(canvas, calc, flags | DT_CALCRECT);
    int free = r.Height() - calc.Height();
    OffsetRect(r, 0, FLayout == tlBottom ? free : free / 2);
  }
  DoDrawText(canvas, r, flags);
}

// ------------------------------------------------------------- TStaticText

void TStaticText::SetBorderStyle(TStaticBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  RecreateWnd();
  AdjustBounds();
}

void TStaticText::CreateParams(TCreateParams& params) {
  TCaptionControl::CreateParams(params);
  if (FBorderStyle == sbsSingle) params.Style |= WS_BORDER;
  if (FBorderStyle == sbsSunken) params.ExStyle |= WS_EX_STATICEDGE;
}

void TStaticText::AdjustBounds() {
  if (!CanAutoSize()) return;
  TRect r = MeasureText(Caption().empty() ? " " : Caption(), Rect(0, 0, 0, 0),
                        AlignmentFlags() & ~(DT_RIGHT | DT_CENTER));
  TSize pad = Padding();
  FitToText(r.Right + Width() - ClientWidth() + 2 * pad.cx,
            r.Bottom + Height() - ClientHeight() + 2 * pad.cy);
}

TSize TStaticText::Padding() const {
  return FBorderStyle == sbsNone ? TSize{0, 0} : TSize{kStaticPadX, kStaticPadY};
}

void TStaticText::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  canvas.FillSolidRect(r, Color());
  TSize pad = Padding();
  InflateRect(r, -pad.cx, -pad.cy);
  canvas.SetBkMode(TRANSPARENT);
  if (!Enabled()) canvas.SetTextColor(clGrayText);
  DrawText(canvas, Caption(), r, AlignmentFlags());
}

void TStaticText::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_STATIC;
    return;
  }
  TCaptionControl::WndProc(message);
}

// ------------------------------------------------------------------ TBevel

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + csReplicatable);
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
  if (value == FShape) return;
  FShape = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Invalidate();
}

void TBevel::Paint() {
  static constexpr unsigned kSides[] = {BF_RECT, BF_RECT, BF_TOP, BF_BOTTOM, BF_LEFT, BF_RIGHT, 0};
  if (FShape == bsSpacer) return;
  unsigned edge;
  if (FShape == bsBox) {
    edge = FStyle == bsLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
  } else {
    edge = FStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP;
  }
  TRect r = ClientRect();
  DrawEdge(*Canvas(), r, edge, kSides[FShape]);
}

// ------------------------------------------------------------------ TShape

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  SetControlStyle(ControlStyle() + csReplicatable);
  SetBounds(0, 0, 65, 65);
  FPen->OnChange = [this](TObject*) { Invalidate(); };
  FBrush->OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::SetShape(TShapeType value) {
  if (value == FShape) return;
  FShape = value;
  Invalidate();
}

void TShape::Paint() {
  TCanvas& canvas = *Canvas();
  canvas.SetPen(FPen.get());
  canvas.SetBrush(FBrush.get());
  int penWidth = FPen->Style() == psClear ? 0 : FPen->Width();
  int x = penWidth / 2;
  int y = x;
  int w = Width() - penWidth + 1;
  int h = Height() - penWidth + 1;
  if (penWidth == 0) {
    --w;
    --h;
  }
  int s = std::min(w, h);
  if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (FShape) {
    case stRectangle:
    case stSquare:
      canvas.Rectangle(x, y, x + w, y + h);
      break;
    case stRoundRect:
    case stRoundSquare:
      canvas.RoundRect(x, y, x + w, y + h, s / 4, s / 4);
      break;
    case stEllipse:
    case stCircle:
      canvas.Ellipse(x, y, x + w, y + h);
      break;
  }
}

// ------------------------------------------------------------------ TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() + csReplicatable);
  SetBounds(0, 0, 105, 105);
  FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  Invalidate();
}

void TImage::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  Invalidate();
}

void TImage::SetProportional(bool value) {
  if (value == FProportional) return;
  FProportional = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  PictureChanged();
}

void TImage::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  PictureChanged();
}

void TImage::PictureChanged() {
  TGraphic* graphic = FPicture->Graphic();
  // The graphic's own change notice comes back here; the second pass finds
  // the flag already set.
  if (graphic != nullptr && graphic->Transparent() != FTransparent) {
    graphic->SetTransparent(FTransparent);
    return;
  }
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
  Invalidate();
}

TRect TImage::DestRect() const {
  int w = FPicture->Width();
  int h = FPicture->Height();
  int cw = ClientWidth();
  int ch = ClientHeight();
  if (FStretch || (FProportional && (w > cw || h > ch))) {
    if (FProportional && w > 0 && h > 0) {
      double aspect = static_cast<double>(w) / h;
      if (w > h) {
        w = cw;
        h = static_cast<int>(cw / aspect);
        if (h > ch) {
          h = ch;
          w = static_cast<int>(ch * aspect);
        }
      } else {
        h = ch;
        w = static_cast<int>(ch * aspect);
        if (w > cw) {
          w = cw;
          h = static_cast<int>(cw / aspect);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r = Rect(0, 0, w, h);
  if (FCenter) OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  TGraphic* graphic = FPicture->Graphic();
  if (graphic == nullptr || graphic->Empty()) return;
  Canvas()->StretchDraw(DestRect(), graphic);
}
