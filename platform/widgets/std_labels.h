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
#include "platform/gui/controls.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
  MEBRATH_CLASS(TCustomLabel, TGraphicControl)
 public:
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  // Lines break at blanks to fit the width; AutoSize then changes only the
  // height (and narrows to the widest line).
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // Without a background of its own the parent shows through.
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // When false, "&" is shown as it is and there is no accelerator.
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  // The control the accelerator focuses; cleared when it is destroyed.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TCustomLabel(TComponent* owner);
  void AfterConstruction() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Sizes the label to its text when AutoSize.
  virtual void AdjustBounds();
  // Draws (or with DT_CALCRECT measures) the caption on Canvas() in `rect`.
  virtual void DoDrawText(TCanvas& canvas, TRect& rect, unsigned flags);
  // The text drawn: the caption (a blank when empty, so an empty label
  // keeps a line's height).
  virtual std::string GetLabelText() const;
  // TGraphicControl
  void Paint() override;

 private:
  unsigned TextFlags() const;

  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FAutoSize = true;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
  MEBRATH_CLASS(TLabel, TCustomLabel)
 protected:
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

// A label with a window: it can sit over windowed controls and has a
// border. Not a tab stop.
class TStaticText : public TCustomControl {
  MEBRATH_CLASS(TStaticText, TCustomControl)
 public:
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // sbsSingle: a one-pixel frame; sbsSunken: a sunken edge. Recreates the
  // window.
  TStaticBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TStaticBorderStyle value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TStaticText(TComponent* owner);
  void AfterConstruction() override;
  void Notification(TComponent* component, TOperation operation) override;
  void AdjustBounds();
  // The room inside the border around the text (none without a border).
  TSize Padding() const;
  // TWinControl
  void CreateParams(TCreateParams& params) override;
  // TCustomControl
  void Paint() override;

 private:
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TStaticBorderStyle FBorderStyle = sbsNone;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
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
