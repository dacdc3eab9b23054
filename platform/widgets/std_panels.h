// Containers: panels, group boxes and scroll boxes.
//
// TPanel draws an outer and an inner bevel (BevelWidth pixels each) with
// BorderWidth pixels of its colour between them, then its Caption on one
// line; aligned children share what lies inside. A descendant paints
// something else by overriding Paint (on Canvas()). TGroupBox frames its
// children with an etched line broken by its Caption; its accelerator
// focuses the first child. TScrollBox lets its children lie beyond its
// client area: with AutoScroll the ranges of its scroll bars follow the
// children's bounds, scrolling moves the children, and ScrollInView (also
// run when a child inside takes the focus, on CM_FOCUSCHANGED) brings a
// child into view.
//
// GUI thread only.
#pragma once

#include <algorithm>
#include <string>

#include "platform/base/ui_enums.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TBevelWidth = int;
using TBorderWidth = int;
// A panel's or scroll box's border: bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;

class TCustomPanel : public TCustomControl {
  MEBRATH_CLASS(TCustomPanel, TCustomControl)
 public:
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  // At least 1.
  TBevelWidth BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(TBevelWidth value);
  // Pixels of the panel's colour between the bevels; at least 0.
  TBorderWidth BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(TBorderWidth value);
  // bsSingle adds a one-pixel window border; recreates the window.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  // Horizontal place of the caption, vertically centred.
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);

 protected:
  explicit TCustomPanel(TComponent* owner);
  // TWinControl
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(TRect& rect) override;
  // TCustomControl: bevels, background and caption.
  void Paint() override;

 private:
  // The bevels' and border's width on each side.
  int FrameWidth() const;
  // Repaints and realigns after a change of the frame's width.
  void FrameChanged();

  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  TBevelWidth FBevelWidth = 1;
  TBorderWidth FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
  TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
  MEBRATH_CLASS(TPanel, TCustomPanel)
 protected:
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

class TCustomGroupBox : public TCustomControl {
  MEBRATH_CLASS(TCustomGroupBox, TCustomControl)
 public:
  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TCustomGroupBox(TComponent* owner);
  // TWinControl: below the caption, inside the frame.
  void AdjustClientRect(TRect& rect) override;
  // TCustomControl
  void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
  MEBRATH_CLASS(TGroupBox, TCustomGroupBox)
 protected:
  explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

class TScrollingWinControl;

// One scroll bar of a scrolling control. Range is the size of the content
// along the bar; Position the content coordinate shown at the client
// area's edge, kept within 0 .. Range - the client size.
class TControlScrollBar {
 public:
  TControlScrollBar(TScrollingWinControl& control, bool horizontal)
      : FControl(control), FHorizontal(horizontal) {}
  TControlScrollBar(const TControlScrollBar&) = delete;
  TControlScrollBar& operator=(const TControlScrollBar&) = delete;

  int Position() const { return FPosition; }
  // Clamps and scrolls the content.
  void SetPosition(int value);
  int Range() const { return FRange; }
  // Sets the range by hand (AutoScroll sets it from the children).
  void SetRange(int value);
  // The step of the arrows and arrow keys; 8 by default.
  int Increment() const { return FIncrement; }
  void SetIncrement(int value) { FIncrement = std::max(value, 1); }
  // Pixels kept beyond the last child when AutoScroll computes the range.
  int Margin() const { return FMargin; }
  void SetMargin(int value) { FMargin = std::max(value, 0); }
  // Whether the bar may show at all.
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // Whether the bar shows now: Visible and the content larger than the
  // client area.
  bool IsScrollBarVisible() const;
  // The client size along the bar.
  int ControlSize() const;
  // Handles WM_HSCROLL / WM_VSCROLL.
  void ScrollMessage(TWMScroll message);

 private:
  friend class TScrollingWinControl;
  int MaxPosition() const;

  TScrollingWinControl& FControl;
  bool FHorizontal;
  int FPosition = 0;
  int FRange = 0;
  int FIncrement = 8;
  int FMargin = 0;
  bool FVisible = true;
};

class TScrollingWinControl : public TWinControl {
  MEBRATH_CLASS(TScrollingWinControl, TWinControl)
 public:
  TControlScrollBar* HorzScrollBar() { return &FHorzScrollBar; }
  TControlScrollBar* VertScrollBar() { return &FVertScrollBar; }
  // Whether the ranges follow the children's bounds (true by default).
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool value);
  // Scrolls so that `control` (a child or deeper) is wholly visible, or
  // at least its top-left corner when it is larger than the client area.
  void ScrollInView(TControl* control);
  // Moves every child by (dx, dy) and repaints (Position is not changed).
  void ScrollBy(int dx, int dy);

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TScrollingWinControl(TComponent* owner);
  // Recomputes the ranges from the children (AutoScroll) and updates the
  // bars.
  void UpdateScrollBars();
  // TWinControl: aligned children fill the scrolled content area.
  void AdjustClientRect(TRect& rect) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void CreateWnd() override;

 private:
  friend class TControlScrollBar;
  void CalcAutoRange();
  void ApplyScrollInfo();

  TControlScrollBar FHorzScrollBar;
  TControlScrollBar FVertScrollBar;
  bool FAutoScroll = true;
  bool FUpdatingScrollBars = false;
  bool FScrolling = false;
};

class TScrollBox : public TScrollingWinControl {
  MEBRATH_CLASS(TScrollBox, TScrollingWinControl)
 public:
  // bsSingle (the default) gives a sunken edge; recreates the window.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);

 protected:
  explicit TScrollBox(TComponent* owner);
  // TWinControl
  void CreateParams(TCreateParams& params) override;

 private:
  TBorderStyle FBorderStyle = bsSingle;
};
