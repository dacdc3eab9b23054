// Buttons: push buttons, glyph buttons, speed buttons, check boxes, radio
// buttons and radio groups, all drawn by us through draw_utils.
//
// TButton clicks on a mouse release inside it, on Space (pressed while
// held, clicked on release) and on its accelerator. Enter clicks the
// focused button, or else the form's Default button; Esc clicks the Cancel
// button; both come as CM_DIALOGKEY, which the form only sends when the
// focused control does not want the key. Click sets the parent form's
// ModalResult to the button's, which ends a modal form.
//
// TSpeedButton is a graphic control. Buttons with the same non-zero
// GroupIndex on one parent act as radio buttons (CM_BUTTONPRESSED): setting
// Down on one releases the others, and a down button goes up only with
// AllowAllUp. GroupIndex 0 never stays down. Click comes on the mouse
// release inside the button; there is no auto-repeat.
//
// Glyphs hold NumGlyphs images side by side (up, disabled, down,
// exclusive); a missing disabled image is made grey from the up image,
// other missing images are the up image. The bottom-left pixel's colour is
// transparent.
//
// Any of them may be linked to an action (SetAction): it then follows the
// action's Caption, Enabled, Visible, Hint and (check boxes, radio
// buttons) Checked, and a click runs the action instead of OnClick.
//
// TCheckBox toggles on a click, on Space and on its accelerator; setting
// State (or Checked) fires OnClick, as the classic control did. Checking a
// TRadioButton unchecks the radio buttons beside it; one that takes the
// focus from the keyboard checks itself, so the arrow keys move the choice
// within a TRadioGroup.
//
// GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/base/ui_enums.h"
#include "platform/draw/bitmap.h"
#include "platform/gui/actions.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/widgets/std_panels.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TBitBtnKind {
  bkCustom,
  bkOK,
  bkCancel,
  bkHelp,
  bkYes,
  bkNo,
  bkClose,
  bkAbort,
  bkRetry,
  bkIgnore,
  bkAll
};

// Places a glyph of `glyphSize` and a one-line `caption` (its size
// measured on `canvas`) inside `client`, the classic way: Margin -1 centres
// glyph and caption together; Spacing -1 spreads them evenly. Out:
// `glyphPos` (top-left) and `textBounds`, both moved by `offset`.
void CalcButtonLayout(TCanvas& canvas, const TRect& client, TPoint offset,
                      const std::string& caption, TButtonLayout layout, int margin, int spacing,
                      TSize glyphSize, TPoint& glyphPos, TRect& textBounds);

// The images of a glyph bitmap, cut and made transparent once per change.
class TButtonGlyph {
 public:
  TButtonGlyph();
  TBitmap* Glyph() const { return FGlyph.get(); }
  // 1 to 4; other values are clamped.
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  bool Empty() const { return FGlyph->Empty(); }
  // The size of one image.
  TSize ImageSize() const;
  // The image for `state`, or null when there is no glyph.
  TRasterImagePtr Image(TButtonState state);
  // Called after the glyph or NumGlyphs changed.
  std::function<void()> OnChange;

 private:
  void Changed();
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1;
  TRasterImagePtr FImages[4];
};

class TButtonControl;

// Passes the action's Checked on without a click.
class TButtonActionLink : public TControlActionLink {
 public:
  explicit TButtonActionLink(TButtonControl* button);
  void SetChecked(bool value) override;

 private:
  TButtonControl* FButton;
};

class TButtonControl : public TCustomControl {
  MEBRATH_CLASS(TButtonControl, TCustomControl)
 public:
  // The linked action, or null; null unlinks.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* action);
  // TControl: runs the linked action, or else OnClick.
  void Click() override;
  void WndProc(TMessage& message) override;

 protected:
  explicit TButtonControl(TComponent* owner);
  virtual bool GetChecked() const { return false; }
  virtual void SetChecked(bool) {}
  // While set, changing the state does not call Click.
  bool ClicksDisabled() const { return FClicksDisabled; }
  void SetClicksDisabled(bool value) { FClicksDisabled = value; }
  // Whether the button shows pressed: the mouse held inside, or Space held.
  bool Pressed() const { return FPressed || FSpaceDown; }
  // What a completed press does (Click for a push button, Toggle for a
  // check box).
  virtual void PressCompleted() { Click(); }
  // The accelerator of the caption was typed.
  virtual void AccelPressed();
  // TControl
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // TWinControl
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyUp(unsigned& key, TShiftState shift) override;
  void DoEnter() override;
  void DoExit() override;

 private:
  friend class TButtonActionLink;
  std::unique_ptr<TButtonActionLink> FActionLink;
  bool FClicksDisabled = false;
  bool FMouseDown = false;  // left button pressed on the control and still held
  bool FPressed = false;    // ... and the pointer inside
  bool FSpaceDown = false;
};

class TButton : public TButtonControl {
  MEBRATH_CLASS(TButton, TButtonControl)
 public:
  // Enter clicks this button unless another button has the focus.
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  // Esc clicks this button.
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  // Whether Enter would click this button now.
  bool IsActive() const;
  // Sets the parent form's ModalResult, then OnClick.
  void Click() override;

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TButton(TComponent* owner);
  // The glyph and caption inside the face; `content` is inside the
  // border, already moved when pressed.
  virtual void PaintContent(TCanvas& canvas, const TRect& content);
  // TCustomControl
  void Paint() override;

 private:
  bool FDefault = false;
  bool FActive = false;  // IsActive() as last painted
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

// A push button with a glyph: its own Glyph, or the drawn symbol of its
// Kind (which also sets the caption, ModalResult, Default and Cancel).
class TBitBtn : public TButton {
  MEBRATH_CLASS(TBitBtn, TButton)
 public:
  TBitBtnKind Kind() const { return FKind; }
  void SetKind(TBitBtnKind value);
  // Setting a glyph makes the kind bkCustom (the glyph replaces the
  // kind's symbol).
  TBitmap* Glyph() const { return FGlyph.Glyph(); }
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return FGlyph.NumGlyphs(); }
  void SetNumGlyphs(int value) { FGlyph.SetNumGlyphs(value); }
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  int Margin() const { return FMargin; }
  void SetMargin(int value);
  // bkClose closes the parent form instead of setting a modal result.
  void Click() override;

  // The caption a kind gives; empty for bkCustom.
  static std::string KindCaption(TBitBtnKind kind);
  static TModalResult KindModalResult(TBitBtnKind kind);

 protected:
  explicit TBitBtn(TComponent* owner);
  // TButton
  void PaintContent(TCanvas& canvas, const TRect& content) override;

 private:
  TBitBtnKind FKind = bkCustom;
  TButtonGlyph FGlyph;
  TButtonLayout FLayout = blGlyphLeft;
  int FSpacing = 4;
  int FMargin = -1;
};

// Draws the symbol of a bitmap-button kind in a 16 x 16 box at `pos`
// (grey when disabled).
void DrawKindGlyph(TCanvas& canvas, TBitBtnKind kind, TPoint pos, bool enabled);

class TSpeedButton : public TGraphicControl {
  MEBRATH_CLASS(TSpeedButton, TGraphicControl)
 public:
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  bool Down() const { return FDown; }
  // Ignored for GroupIndex 0; releasing a down button needs AllowAllUp.
  void SetDown(bool value);
  bool AllowAllUp() const { return FAllowAllUp; }
  // Applies to the whole group.
  void SetAllowAllUp(bool value);
  // The border shows only while the pointer is over the button or it is
  // down.
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  // Without a face of its own where no border is drawn (flat and up).
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  TBitmap* Glyph() const { return FGlyph.Glyph(); }
  void SetGlyph(const TBitmap* value) { FGlyph.Glyph()->Assign(value); }
  int NumGlyphs() const { return FGlyph.NumGlyphs(); }
  void SetNumGlyphs(int value) { FGlyph.SetNumGlyphs(value); }
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  int Margin() const { return FMargin; }
  void SetMargin(int value);
  // The drawn state: bsUp, bsDisabled, bsDown (pressed) or bsExclusive
  // (down and not pressed).
  TButtonState State() const { return Enabled() ? FState : bsDisabled; }
  bool MouseInControl() const { return FMouseInControl; }

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TSpeedButton(TComponent* owner);
  void SetState(TButtonState value);
  // Tells the other buttons of the group that this one is down.
  void UpdateExclusive();
  // The face (border and background) and the glyph with the caption.
  virtual void PaintFace(TCanvas& canvas, TRect& rect);
  virtual void PaintContent(TCanvas& canvas, const TRect& rect, TPoint offset);
  // TControl
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // TGraphicControl
  void Paint() override;

 private:
  void ButtonPressed(TMessage& message);

  int FGroupIndex = 0;
  bool FDown = false;
  bool FAllowAllUp = false;
  bool FFlat = false;
  bool FTransparent = false;
  bool FDragging = false;
  bool FMouseInControl = false;
  TButtonState FState = bsUp;
  TButtonGlyph FGlyph;
  TButtonLayout FLayout = blGlyphLeft;
  int FSpacing = 4;
  int FMargin = -1;
};

class TCustomCheckBox : public TButtonControl {
  MEBRATH_CLASS(TCustomCheckBox, TButtonControl)
 public:
  TCheckBoxState State() const { return FState; }
  // Fires OnClick when the state changes (unless clicks are disabled).
  void SetState(TCheckBoxState value);
  bool Checked() const { return GetChecked(); }
  void SetChecked(bool value) override;
  // Whether a click may lead to cbGrayed.
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }
  // taRightJustify: the caption right of the box; taLeftJustify: left.
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  // Unchecked -> (grayed if allowed) -> checked -> unchecked.
  virtual void Toggle();

 protected:
  explicit TCustomCheckBox(TComponent* owner);
  bool GetChecked() const override { return FState == cbChecked; }
  // TButtonControl
  void PressCompleted() override { Toggle(); }
  void AccelPressed() override;
  // TCustomControl
  void Paint() override;

 private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
  MEBRATH_CLASS(TCheckBox, TCustomCheckBox)
 protected:
  explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

class TRadioButton : public TButtonControl {
  MEBRATH_CLASS(TRadioButton, TButtonControl)
 public:
  bool Checked() const { return FChecked; }
  // Checking unchecks the other radio buttons of the parent, makes this
  // one the tab stop and fires OnClick.
  void SetChecked(bool value) override;
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TRadioButton(TComponent* owner);
  bool GetChecked() const override { return FChecked; }
  // TButtonControl
  void PressCompleted() override { SetChecked(true); }
  void AccelPressed() override;
  // TCustomControl
  void Paint() override;

 private:
  bool FChecked = false;
  TAlignment FAlignment = taRightJustify;
};

// A group box of radio buttons made from Items, laid out in Columns.
class TCustomRadioGroup : public TCustomGroupBox {
  MEBRATH_CLASS(TCustomRadioGroup, TCustomGroupBox)
 public:
  // Owned; changing it rebuilds the buttons.
  TStrings* Items() const { return FItems.get(); }
  void SetItems(const TStrings* value);
  // -1 when nothing is chosen; out-of-range values are clamped to -1 ..
  // Count - 1. Checking the button fires OnClick.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int value);
  // At least 1.
  int Columns() const { return FColumns; }
  void SetColumns(int value);
  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  TRadioButton* Buttons(int index) const { return FButtons.at(static_cast<std::size_t>(index)); }

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TCustomRadioGroup(TComponent* owner);
  void BeforeDestruction() override;
  void Resize() override;
  // The user chose `button`.
  void ButtonClick(TRadioButton* button);

 private:
  void ItemsChanged();
  void ArrangeButtons();
  void UpdateTabStops();

  std::unique_ptr<TStringList> FItems;
  std::vector<TRadioButton*> FButtons;
  int FItemIndex = -1;
  int FColumns = 1;
  bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
  MEBRATH_CLASS(TRadioGroup, TCustomRadioGroup)
 protected:
  explicit TRadioGroup(TComponent* owner) : TCustomRadioGroup(owner) {}
};
