// Edit buttons: the small buttons at the right edge of the data-aware edit
// boxes and of the grid's cells.
//
// TEditButtonEh is what a form configures (collected in TEditButtonsEh);
// TEditButtonControlEh is the window-less speed button that shows one of
// them inside its editor. PaintButtonControlEh paints every button face
// (the grid paints its cell buttons and check boxes with it too) through a
// small cache of rendered faces. AlignDropDownWindowRectEh is the one
// placement rule of drop-down windows, DrawTreeElementEh the grid's tree
// lines. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/base/collection.h"
#include "platform/draw/bitmap.h"
#include "platform/gui/controls.h"
#include "platform/gui/popup.h"
#include "platform/gui/timer.h"
#include "platform/widgets/menus.h"
#include "platform/widgets/std_buttons.h"

enum TEditButtonStyleEh {
  ebsDropDownEh,
  ebsEllipsisEh,
  ebsGlyphEh,
  ebsUpDownEh,
  ebsPlusEh,
  ebsMinusEh
};

enum TDropDownAlign { daLeft, daRight, daCenter };

// Sender, var Handled.
using TButtonClickEventEh = std::function<void(TObject* sender, bool& handled)>;
// Sender, TopButton (the upper half of an up-down button, or the whole
// button), var AutoRepeat, var Handled.
using TButtonDownEventEh =
    std::function<void(TObject* sender, bool topButton, bool& autoRepeat, bool& handled)>;

// A drop-down is told where its size grip belongs: WParam 0 grip left,
// 1 grip right, 2 grip top, 3 grip bottom.
inline constexpr unsigned CM_DROPDOWNGRIPDIRECTIONEH = WM_USER + 100;

// The standard height of an edit button, shared with the grid: 17, or the
// row height when that is smaller.
inline constexpr int kStandardEditButtonHeight = 17;
inline int StandardEditButtonHeight(int rowHeight) {
  return rowHeight < kStandardEditButtonHeight ? rowHeight : kStandardEditButtonHeight;
}
// The width of a flat editor's button without a width of its own: two
// thirds of the system font's text height, rounded, made odd, at most the
// vertical scroll bar's width. Worked out once.
int DefaultFlatButtonWidth();

class TEditButtonEh : public TCollectionItem {
  MEBRATH_CLASS(TEditButtonEh, TCollectionItem)
 public:
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* value);
  // Never null; SetGlyph copies the picture.
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(const TBitmap* value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value);
  int NumGlyphs() const { return FNumGlyphs; }
  // Clamped to 1..4.
  void SetNumGlyphs(int value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  TEditButtonStyleEh Style() const { return FStyle; }
  void SetStyle(TEditButtonStyleEh value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // Below 1: the editor's default width.
  int Width() const { return FWidth; }
  void SetWidth(int value);

  TButtonClickEventEh OnClick;
  TButtonDownEventEh OnDown;

  // The control that owns the button (menus it shows are placed under it).
  TWinControl* Editor() const { return FEditor; }
  void SetEditor(TWinControl* value) { FEditor = value; }
  // Called on every property change instead of the collection's update
  // (the editor re-lays its buttons).
  TNotifyEvent OnChangeInternal;

  // Copies every property and both events from another edit button.
  void Assign(const TPersistent* source) override;

 protected:
  explicit TEditButtonEh(TCollection* collection);
  void Change();

 private:
  TWinControl* FEditor = nullptr;
  TPopupMenu* FDropdownMenu = nullptr;
  std::unique_ptr<TBitmap> FGlyph;
  std::string FHint;
  int FNumGlyphs = 1;
  TShortCut FShortCut = scNone;
  TEditButtonStyleEh FStyle = ebsDropDownEh;
  bool FVisible = false;
  int FWidth = 0;
};

// The main button of an editor that always shows it: Visible, Alt+Down.
class TVisibleEditButtonEh : public TEditButtonEh {
  MEBRATH_CLASS(TVisibleEditButtonEh, TEditButtonEh)
 protected:
  explicit TVisibleEditButtonEh(TCollection* collection);
};

// An editor's further buttons (TVisibleEditButtonEh items).
class TEditButtonsEh : public TCollection {
  MEBRATH_CLASS(TEditButtonsEh, TCollection)
 public:
  explicit TEditButtonsEh(TWinControl* editor);
  TEditButtonEh* Items(int index) const {
    return static_cast<TEditButtonEh*>(TCollection::Items(index));
  }
  TEditButtonEh* Add() { return static_cast<TEditButtonEh*>(TCollection::Add()); }
  TWinControl* Editor() const { return FEditor; }
  // Runs on every change of the collection or of one of its items.
  TNotifyEvent OnUpdate;

 protected:
  void Update(TCollectionItem* item) override;
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

 private:
  TWinControl* FEditor;
};

// --- the face routine

// Draw kinds of PaintButtonControlEh.
enum TDrawButtonControlStyleEh {
  bcsDropDownEh = 0,
  bcsEllipsisEh = 1,
  bcsUpDownEh = 2,
  bcsCheckboxEh = 3,
  bcsPlusEh = 4,
  bcsMinusEh = 5
};
// The draw kind that shows an edit-button style (glyph buttons draw
// themselves; they get the drop-down kind here).
TDrawButtonControlStyleEh EditButtonStyleToDrawStyleEh(TEditButtonStyleEh style);

// Paints one button face in `rect`: background `color`, the symbol of
// `kind`, grey when not enabled. `pressedPart` is 0 (none), 1 (the button,
// or an up-down button's upper half) or 2 (its lower half). A flat face
// shows its border only when `active` or pressed. `checkState` is the
// check box's state for bcsCheckboxEh. Faces are rendered once into a
// cache and copied afterwards.
void PaintButtonControlEh(TCanvas& canvas, const TRect& rect, TColor color,
                          TDrawButtonControlStyleEh kind, int pressedPart, bool flat, bool active,
                          bool enabled, TCheckBoxState checkState = cbUnchecked);
// The cache of rendered faces: at most kButtonsBitmapCacheLimit entries,
// the least recently used leaving first. Cleared when system colours
// change.
inline constexpr int kButtonsBitmapCacheLimit = 64;
void ClearButtonsBitmapCache();
int ButtonsBitmapCacheCount();

// --- drop-down placement

struct TDropDownPlacementEh {
  TRect Bounds;                 // screen; may be shorter or narrower than asked
  int VerticalDirection = 3;    // 3: below (grip at the bottom), 2: above
  int HorizontalDirection = 1;  // 0: grip left, 1: grip right
};
// The placement rule for a drop-down of `size` under a control at
// `controlRect` (screen) within `workArea`.
TDropDownPlacementEh AlignDropDownWindowRectEh(const TRect& controlRect, TSize size,
                                               TDropDownAlign align, const TRect& workArea);
// Places `dropDown` under `control` within the work area, tells it the two
// grip directions (CM_DROPDOWNGRIPDIRECTIONEH) and returns the bounds to
// show it at.
TDropDownPlacementEh AlignDropDownWindowEh(const TControl& control, TWinControl& dropDown,
                                           TDropDownAlign align);

// --- tree elements

// Draws tree element `kind` (0..5 node boxes with links, 6..9 links only)
// into `rect` at the given scale; `dotPhase` shifts the dots so that dots
// of neighbouring cells line up.
void DrawTreeElementEh(TCanvas& canvas, const TRect& rect, int kind, double scaleX = 1.0,
                       double scaleY = 1.0, bool dotPhase = false);

// --- the controls

// A speed button with an edit-button face.
class TSpeedButtonEh : public TSpeedButton {
  MEBRATH_CLASS(TSpeedButtonEh, TSpeedButton)
 public:
  TEditButtonStyleEh Style() const { return FStyle; }
  void SetStyle(TEditButtonStyleEh value);
  // The active (hot) look of flat buttons.
  bool Active() const { return FActive; }
  void SetActive(bool value);

 protected:
  explicit TSpeedButtonEh(TComponent* owner);
  // Which part is drawn pressed: 0, 1 or 2.
  virtual int PressedPart() const;
  void Paint() override;

 private:
  TEditButtonStyleEh FStyle = ebsDropDownEh;
  bool FActive = false;
};

// Sender, TopButton, var AutoRepeat, var Handled.
using TEditButtonDownEventEh = TButtonDownEventEh;

// The control that shows one edit button inside its editor: 10 x 17 at
// creation. A press reports the pressed part through OnDown; an up-down
// button repeats OnDown while held (after 400 ms, then every 100 ms) as
// long as the handler leaves AutoRepeat set.
class TEditButtonControlEh : public TSpeedButtonEh {
  MEBRATH_CLASS(TEditButtonControlEh, TSpeedButtonEh)
 public:
  // 0 none, 1 the whole button or the upper half, 2 the lower half.
  int ButtonNum() const { return FButtonNum; }
  // Holds the button down (the editor's drop-down is open): it cannot be
  // released by a click. Switching off releases it.
  bool AlwaysDown() const { return FAlwaysDown; }
  void SetAlwaysDown(bool value);
  // The pressed part of an up-down button of this height at `y`: 1 above
  // the middle, 2 below it, 0 on the split line.
  static int UpDownPartAt(int height, int y);
  // Ticks of the auto-repeat timer (tests fire it by hand as well).
  void AutoRepeatTick();
  bool AutoRepeating() const { return FTimer != nullptr && FTimer->Enabled(); }

  TEditButtonDownEventEh OnDown;
  TMouseEvent OnButtonMouseDown;
  TMouseMoveEvent OnButtonMouseMove;
  TMouseEvent OnButtonMouseUp;

 protected:
  explicit TEditButtonControlEh(TComponent* owner);
  int PressedPart() const override;
  void Click() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void StopRepeat();

  int FButtonNum = 0;
  bool FAlwaysDown = false;
  bool FMouseIsDown = false;
  bool FReleasedByMove = false;
  bool FNoClick = false;
  TTimer* FTimer = nullptr;
};
