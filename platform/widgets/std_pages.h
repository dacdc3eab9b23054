// The page control: tab sheets of which one shows at a time, chosen by a
// row of tabs (or buttons) along the top.
//
// Tab sheets join a page control with SetPageControl (or by being parented
// to it). Pages() lists every sheet; the tabs are the sheets whose
// TabVisible is true, so tab indices (TabIndex, TabRect, IndexOfTabAt,
// DrawTab) count visible tabs only, while page indices count all sheets. A
// sheet whose tab is hidden can still be made the active page.
//
// The user switches pages by clicking a tab, with Ctrl+Tab and
// Ctrl+Shift+Tab while the focus is inside the control, and with the arrow
// keys on the focused control; those changes ask OnChanging (which may
// refuse) and then tell OnChange. Setting ActivePage from code does
// neither, as in the classic control.
//
// Subclasses hook into two places: AdjustClientRect computes the display
// rectangle (where the active sheet goes) from the client rectangle, and
// DrawTab paints a tab when OwnerDraw is set. GUI thread only.
#pragma once

#include <functional>
#include <vector>

#include "platform/gui/controls.h"

class TPageControl;

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;
using TDrawTabEvent =
    std::function<void(TObject* control, int tabIndex, const TRect& rect, bool active)>;

// The classic tab-control messages that matter here.
inline constexpr unsigned TCM_FIRST = 0x1300;
// WParam 0: LParam (TRect*) goes from the window rectangle to the display
// rectangle (client coordinates).
inline constexpr unsigned TCM_ADJUSTRECT = TCM_FIRST + 40;

class TTabSheet : public TCustomControl {
  MEBRATH_CLASS(TTabSheet, TCustomControl)
 public:
  TPageControl* PageControl() const { return FPageControl; }
  // Moves the sheet into `control` (null: out of any), as its last page.
  void SetPageControl(TPageControl* control);
  // The position among the control's pages; -1 outside one.
  int PageIndex() const;
  // Moves the sheet to position `value` among the pages.
  void SetPageIndex(int value);
  // The position among the visible tabs; -1 when the tab is hidden.
  int TabIndex() const;
  bool TabVisible() const { return FTabVisible; }
  virtual void SetTabVisible(bool value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

 protected:
  explicit TTabSheet(TComponent* owner);
  void BeforeDestruction() override;
  // TControl
  void WndProc(TMessage& message) override;

 private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
};

class TPageControl : public TCustomControl {
  MEBRATH_CLASS(TPageControl, TCustomControl)
 public:
  int PageCount() const { return static_cast<int>(FPages.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const { return FActivePage; }
  // Shows `page` (one of this control's pages, or null for none) without
  // asking OnChanging or telling OnChange.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const { return FActivePage != nullptr ? FActivePage->PageIndex() : -1; }
  void SetActivePageIndex(int index);
  // The active page's tab, or -1 when there is none or it is hidden.
  int TabIndex() const { return FActivePage != nullptr ? FActivePage->TabIndex() : -1; }
  void SetTabIndex(int index);
  // The number of visible tabs and the sheet of each.
  int TabCount() const;
  TTabSheet* TabPage(int tabIndex) const;
  // The next (or previous) page after `current`, wrapping; only pages
  // whose tab shows when `checkTabVisible`. Null when none.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
  // Moves to the next or previous tab as the user does (OnChanging,
  // OnChange).
  void SelectNextPage(bool goForward, bool checkTabVisible = true);

  TTabStyle Style() const { return FStyle; }
  void SetStyle(TTabStyle value);
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool value);
  // 0: from the font.
  int TabHeight() const { return FTabHeight; }
  void SetTabHeight(int value);
  // 0: each tab as wide as its caption needs.
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int value);

  // Where visible tab `tabIndex` lies (client coordinates); empty when out
  // of range.
  TRect TabRect(int tabIndex) const;
  // The visible tab at a client point, or -1.
  int IndexOfTabAt(int x, int y) const;
  // The area the active page fills (AdjustClientRect of the client area).
  TRect DisplayRect();

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  TDrawTabEvent OnDrawTab;

 protected:
  explicit TPageControl(TComponent* owner);
  // Asks OnChanging; true when the change may happen.
  virtual bool CanChange();
  // Tells OnChange.
  virtual void Change();
  // Paints tab `tabIndex` in `rect` when OwnerDraw: OnDrawTab, or the
  // rectangle filled with the brush when there is none.
  virtual void DrawTab(int tabIndex, const TRect& rect, bool active);
  // The height of the row of tabs (0 when no tab shows).
  int TabAreaHeight() const;
  // TWinControl: the client rectangle becomes the display rectangle.
  void AdjustClientRect(TRect& rect) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  // TCustomControl
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  // Changes the page as the user does: false when OnChanging refused.
  bool ChangeActivePage(TTabSheet* page);
  void TabsChanged();
  int TabTextHeight() const;
  std::vector<TRect> TabRects() const;

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TTabStyle FStyle = tsTabs;
  bool FOwnerDraw = false;
  int FTabHeight = 0;
  int FTabWidth = 0;
};
