// Static controls: labels, static text, bevels, shapes and images.
//
// TLabel is a graphic control (no window) that draws its Caption with
// DrawText in its font; with AutoSize (the default) it takes the size of
// its text, measured with the control's font (the fixed metrics of the
// recording canvas when headless), keeping its right edge when right
// aligned. A "&x" in the caption underlines x; the letter, typed or with
// Alt, focuses FocusControl (CM_DIALOGCHAR, broadcast by the form).
// TStaticText is the same with a window and a border. TBevel draws edges
// and lines, TShape a rectangle, rounded rectangle or ellipse with its own
// Pen and Brush, TImage a TPicture at its size, stretched or centred.
//
// GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/base/ui_enums.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/draw_text.h"
#include "platform/gui/controls.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

// What a label and a static text share, on top of a graphic or a windowed
// control: alignment, sizing to the text (keeping the right edge when right
// aligned), and the accelerator ("&x" in the caption) that focuses
// FocusControl through CM_DIALOGCHAR, which the form broadcasts.
template <class Base>
class TCaptionControl : public Base {
 public:
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    this->Invalidate();
  }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    AdjustBounds();
  }
  // When false, "&" is shown as it is and there is no accelerator.
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value) {
    if (value == FShowAccelChar) return;
    FShowAccelChar = value;
    AdjustBounds();
    this->Invalidate();
  }
  // The control the accelerator focuses; cleared when it is destroyed.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value) {
    if (value == FFocusControl) return;
    if (FFocusControl != nullptr) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = value;
    if (value != nullptr) value->FreeNotification(this);
  }

  // TControl
  void WndProc(TMessage& message) override {
    switch (message.Msg) {
      case CM_TEXTCHANGED:
      case CM_FONTCHANGED:
        AdjustBounds();
        break;
      case CM_DIALOGCHAR:
        if (FFocusControl != nullptr && this->Enabled() && FShowAccelChar &&
            IsAccel(static_cast<unsigned>(message.WParam), this->Caption()) &&
            FFocusControl->CanFocus()) {
          FFocusControl->SetFocus();
          message.Result = 1;
        }
        return;
      default:
        break;
    }
    Base::WndProc(message);
  }

 protected:
  explicit TCaptionControl(TComponent* owner) : Base(owner) {
    this->SetControlStyle(this->ControlStyle() + csReplicatable);
    this->SetBounds(0, 0, 65, 17);
    this->SetParentColor(true);
  }
  void AfterConstruction() override {
    Base::AfterConstruction();
    AdjustBounds();
  }
  void Notification(TComponent* component, TOperation operation) override {
    Base::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
  }
  // Sizes the control to its text when AutoSize, through FitToText.
  virtual void AdjustBounds() = 0;
  // False while loading or when AutoSize is off.
  bool CanAutoSize() const { return FAutoSize && !this->ComponentState().Contains(csLoading); }
  // The text's extent in the control's font: DrawText with DT_CALCRECT
  // from `rect` on the measuring canvas.
  TRect MeasureText(const std::string& text, TRect rect, unsigned flags) const {
    TCanvas& canvas = MeasureCanvas();
    TCanvasStateSaver saver(canvas);
    canvas.SetFont(this->Font());
    DrawText(canvas, text, rect, flags | DT_CALCRECT);
    return rect;
  }
  // Takes the new size, keeping the right edge when right aligned.
  void FitToText(int width, int height) {
    int x = this->Left();
    if (FAlignment == taRightJustify) x += this->Width() - width;
    this->SetBounds(x, this->Top(), width, height);
  }
  unsigned AlignmentFlags() const {
    return AlignFlags(FAlignment) | DT_EXPANDTABS | (FShowAccelChar ? 0u : DT_NOPREFIX);
  }

 private:
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TCustomLabel : public TCaptionControl<TGraphicControl> {
  MEBRATH_CLASS(TCustomLabel, TGraphicControl)
 public:
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  // Lines break at blanks to fit the width; AutoSize then changes only the
  // height (and narrows to the widest line).
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // Without a background of its own the parent shows through.
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool value);

 protected:
  explicit TCustomLabel(TComponent* owner);
  void AdjustBounds() override;
  // Draws (or with DT_CALCRECT measures) the caption on `canvas` in `rect`.
  virtual void DoDrawText(TCanvas& canvas, TRect& rect, unsigned flags);
  // The text drawn: the caption (a blank when empty, so an empty label
  // keeps a line's height).
  virtual std::string GetLabelText() const;
  // TGraphicControl
  void Paint() override;

 private:
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
};

class TLabel : public TCustomLabel {
  MEBRATH_CLASS(TLabel, TCustomLabel)
 protected:
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

// A label with a window: it can sit over windowed controls and has a
// border. Not a tab stop.
class TStaticText : public TCaptionControl<TCustomControl> {
  MEBRATH_CLASS(TStaticText, TCustomControl)
 public:
  // sbsSingle: a one-pixel frame; sbsSunken: a sunken edge. Recreates the
  // window.
  TStaticBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TStaticBorderStyle value);

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TStaticText(TComponent* owner) : TCaptionControl(owner) {}
  void AdjustBounds() override;
  // The room inside the border around the text (none without a border).
  TSize Padding() const;
  // TWinControl
  void CreateParams(TCreateParams& params) override;
  // TCustomControl
  void Paint() override;

 private:
  TStaticBorderStyle FBorderStyle = sbsNone;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// Edges and lines that group other controls visually.
class TBevel : public TGraphicControl {
  MEBRATH_CLASS(TBevel, TGraphicControl)
 public:
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle value);

 protected:
  explicit TBevel(TComponent* owner);
  // TGraphicControl
  void Paint() override;

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A figure drawn with its own Pen and Brush (changing either repaints).
class TShape : public TGraphicControl {
  MEBRATH_CLASS(TShape, TGraphicControl)
 public:
  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType value);
  TPen* Pen() const { return FPen.get(); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetPen(const TPen* value) { FPen->Assign(value); }
  void SetBrush(const TBrush* value) { FBrush->Assign(value); }

 protected:
  explicit TShape(TComponent* owner);
  // TGraphicControl
  void Paint() override;

 private:
  TShapeType FShape = stRectangle;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
};

// Shows a picture: at its own size from the top-left corner, centred,
// stretched to the control, or (Proportional) shrunk or stretched keeping
// its proportions.
class TImage : public TGraphicControl {
  MEBRATH_CLASS(TImage, TGraphicControl)
 public:
  // Owned by the image; changing it repaints (and resizes with AutoSize).
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(const TPicture* value) { FPicture->Assign(value); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool value);
  // Passed on to the picture's graphic: a bitmap's transparent colour is
  // left out.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // Where the picture is drawn, in client coordinates.
  TRect DestRect() const;

 protected:
  explicit TImage(TComponent* owner);
  // TGraphicControl
  void Paint() override;

 private:
  void PictureChanged();

  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
  bool FAutoSize = false;
};
