// Bars of a main window: the status bar with its panels and the tool bar
// with its buttons.
//
// TStatusBar sits at the bottom of its parent and shows its Panels from
// left to right (each Width pixels wide, the last one taking the rest), or
// one SimpleText across when SimplePanel is set; owner-drawn panels are
// painted by OnDrawPanel. A size grip shows in the bottom-right corner.
//
// TToolBar sits at the top and lays its TToolButtons out in one row in the
// order they were added (no wrapping). A button shows an image of the
// bar's Images (DisabledImages when disabled, HotImages under the pointer)
// and, with ShowCaptions, its caption. Check buttons stay down; Grouped
// check buttons next to each other act as radio buttons. A drop-down
// button opens its DropdownMenu below itself from the arrow part (or from
// anywhere when it has no OnClick or action). A button linked to an action
// follows its Caption, Enabled, Checked (as Down), Visible, Hint and
// ImageIndex, and runs it when clicked. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/ui_enums.h"
#include "platform/draw/image_list.h"
#include "platform/gui/actions.h"
#include "platform/gui/controls.h"

class TStatusBar;
class TPopupMenu;
class TToolBar;
class TToolButton;

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel {
 public:
  explicit TStatusPanel(TStatusBar* bar) : FBar(bar) {}
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TStatusPanelStyle Style() const { return FStyle; }
  void SetStyle(TStatusPanelStyle value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TStatusPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TStatusPanelBevel value);
  int Index() const;

 private:
  void Changed();
  TStatusBar* FBar;
  std::string FText;
  int FWidth = 50;
  TStatusPanelStyle FStyle = psText;
  TAlignment FAlignment = taLeftJustify;
  TStatusPanelBevel FBevel = pbLowered;
};

class TStatusPanels {
 public:
  explicit TStatusPanels(TStatusBar* bar) : FBar(bar) {}
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TStatusPanel* Items(int index) const;
  TStatusPanel* operator[](int index) const { return Items(index); }
  TStatusPanel* Add();
  void Delete(int index);
  void Clear();
  int IndexOf(const TStatusPanel* panel) const;

 private:
  TStatusBar* FBar;
  std::vector<std::unique_ptr<TStatusPanel>> FItems;
};

using TDrawPanelEvent =
    std::function<void(TStatusBar* statusBar, TStatusPanel* panel, const TRect& rect)>;

class TStatusBar : public TCustomControl {
  MEBRATH_CLASS(TStatusBar, TCustomControl)
 public:
  TStatusPanels* Panels() { return &FPanels; }
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool value);
  // Where panel `index` lies (client coordinates); empty out of range.
  TRect PanelRect(int index) const;

  TDrawPanelEvent OnDrawPanel;

 protected:
  explicit TStatusBar(TComponent* owner);
  virtual void DrawPanel(TStatusPanel* panel, const TRect& rect);
  // TCustomControl
  void Paint() override;
  void WndProc(TMessage& message) override;

 private:
  friend class TStatusPanel;
  friend class TStatusPanels;
  bool GripShows() const;
  TStatusPanels FPanels{this};
  bool FSimplePanel = false;
  std::string FSimpleText;
  bool FSizeGrip = true;
};

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButtonActionLink : public TActionLink {
 public:
  explicit TToolButtonActionLink(TToolButton* button);
  void SetCaption(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetChecked(bool value) override;
  void SetVisible(bool value) override;
  void SetHint(const std::string& value) override;
  void SetImageIndex(int value) override;
  // The bar shows.
  bool IsClientVisible() const override;

 private:
  TToolButton* FButton;
};

class TToolButton : public TGraphicControl {
  MEBRATH_CLASS(TToolButton, TGraphicControl)
 public:
  TToolBar* ToolBar() const;
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  bool Down() const { return FDown; }
  // Pressing a Grouped button down raises the others of its group.
  void SetDown(bool value);
  bool Grouped() const { return FGrouped; }
  void SetGrouped(bool value) { FGrouped = value; }
  // A grouped button may be raised by a click (no button of the group down).
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool value) { FAllowAllUp = value; }
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* value);
  TBasicAction* Action() const;
  void SetAction(TBasicAction* action);
  // Opens the drop-down menu below the button; true when there is one.
  bool CheckMenuDropdown();
  // The width of the arrow part of a drop-down button.
  static constexpr int kDropDownWidth = 14;

  // TControl: check buttons toggle, then the action or OnClick runs.
  void Click() override;

 protected:
  explicit TToolButton(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;
  // TGraphicControl
  void Paint() override;
  void WndProc(TMessage& message) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  // The buttons of the same group: the run of Grouped check buttons
  // around this one.
  std::vector<TToolButton*> GroupButtons() const;
  TToolButtonStyle FStyle = tbsButton;
  int FImageIndex = -1;
  bool FDown = false;
  bool FGrouped = false;
  bool FAllowAllUp = false;
  bool FHot = false;
  bool FPressed = false;
  TPopupMenu* FDropdownMenu = nullptr;
  std::unique_ptr<TToolButtonActionLink> FActionLink;
};

class TToolBar : public TCustomControl {
  MEBRATH_CLASS(TToolBar, TCustomControl)
 public:
  int ButtonCount() const;
  TToolButton* Buttons(int index) const;
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  TCustomImageList* DisabledImages() const { return FDisabledImages; }
  void SetDisabledImages(TCustomImageList* value);
  TCustomImageList* HotImages() const { return FHotImages; }
  void SetHotImages(TCustomImageList* value);
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int value);
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool value);
  // Places the buttons in one row.
  void LayoutButtons();

 protected:
  explicit TToolBar(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;
  // TCustomControl
  void Paint() override;
  void WndProc(TMessage& message) override;

 private:
  void SetImageList(TCustomImageList*& field, TCustomImageList* value);
  std::vector<TToolButton*> FButtons;  // in the order added
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FDisabledImages = nullptr;
  TCustomImageList* FHotImages = nullptr;
  int FButtonWidth = 23;
  int FButtonHeight = 22;
  bool FFlat = true;
  bool FShowCaptions = false;
};
