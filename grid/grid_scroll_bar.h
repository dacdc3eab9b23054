// The data grid's scroll-bar settings: HorzScrollBar and VertScrollBar.
//
// Each says whether the grid's own bar shows (VisibleMode), whether the
// dataset follows the thumb while it is dragged (Tracking), and may name an
// external TScrollBar placed elsewhere on the form that stands in for the
// grid's bar. An attached external bar has its window procedure redirected
// through the grid: its scroll requests reach the grid as WM_HSCROLL or
// WM_VSCROLL (by the setting's kind) before the bar handles them itself.
// Detaching it, its removal and the grid's destruction give the bar its own
// window procedure back. Owned by the grid; GUI thread only.
#pragma once

#include "platform/base/object.h"
#include "platform/gui/controls.h"
#include "platform/widgets/std_lists.h"

class TCustomDBGridEh;

// When the grid's own scroll bar shows.
enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };

class TDBGridEhScrollBar : public TPersistent {
  MEBRATH_CLASS(TDBGridEhScrollBar, TPersistent)
 public:
  TDBGridEhScrollBar(TCustomDBGridEh* grid, TScrollBarKind kind);
  ~TDBGridEhScrollBar() override;
  TDBGridEhScrollBar(const TDBGridEhScrollBar&) = delete;
  TDBGridEhScrollBar& operator=(const TDBGridEhScrollBar&) = delete;

  TCustomDBGridEh* Grid() const { return FGrid; }
  TScrollBarKind Kind() const { return FKind; }
  // Move the dataset (or the columns) while the thumb is dragged.
  bool Tracking() const { return FTracking; }
  void SetTracking(bool value) { FTracking = value; }
  TScrollBarVisibleModeEh VisibleMode() const { return FVisibleMode; }
  // The vertical bar is set up again; the grid relayouts.
  void SetVisibleMode(TScrollBarVisibleModeEh value);
  // True unless VisibleMode is sbNeverShowEh. Writing True sets
  // sbAutoShowEh, False sbNeverShowEh; an external bar shows or hides.
  bool Visible() const { return FVisibleMode != sbNeverShowEh; }
  void SetVisible(bool value);
  TScrollBar* ExtScrollBar() const { return FExtScrollBar; }
  // Attaches `value` (null detaches). Raises Exception "Possible <name>
  // already attached to the other control." when `value` is attached to
  // another setting (this grid's other bar or another grid's); nothing
  // changes then.
  void SetExtScrollBar(TScrollBar* value);
  // Whether a bar shows for this setting: the external bar's Visible, or
  // the grid window's WS_HSCROLL / WS_VSCROLL style.
  bool IsScrollBarShowing() const;

  void Assign(const TPersistent* source) override;

  // The grid was told that `component` goes away.
  void ComponentRemoved(TComponent* component);
  // The grid is being destroyed: the external bar gets its own window
  // procedure back.
  void Detach();

 private:
  void ExtScrollBarWndProc(TMessage& message);

  TCustomDBGridEh* FGrid;
  TScrollBar* FExtScrollBar = nullptr;
  TWndMethod FExtOwnWndProc;
  TScrollBarKind FKind;
  bool FTracking = false;
  TScrollBarVisibleModeEh FVisibleMode = sbAutoShowEh;
};

// VertScrollBar: publishes VisibleMode.
class TVertDBGridEhScrollBar : public TDBGridEhScrollBar {
  MEBRATH_CLASS(TVertDBGridEhScrollBar, TDBGridEhScrollBar)
 public:
  explicit TVertDBGridEhScrollBar(TCustomDBGridEh* grid) : TDBGridEhScrollBar(grid, sbVertical) {}
};
