// TExPageControl and TExTabSheet: the page control of the register windows
// and the institution-details dialog, with coloured owner-drawn tabs, the
// button style, an adjustable frame and top indent, and tabs that can be
// hidden. GUI thread only.
#pragma once

#include "platform/gui/forms.h"
#include "platform/widgets/std_pages.h"

class TExTabSheet : public TTabSheet {
  MEBRATH_CLASS(TExTabSheet, TTabSheet)
 public:
  // The tab's fill when the control draws its own tabs.
  TColor TabColor() const { return FTabColor; }
  void SetTabColor(TColor value);
  // While the sheet is being loaded the value is only remembered; then it
  // is applied, and hiding a tab while no tab is selected makes the first
  // page active.
  void SetTabVisible(bool value) override;
  bool StoredTabVisible() const { return FStoredTabVisible; }

 protected:
  explicit TExTabSheet(TComponent* owner);
  void Loaded() override;

 private:
  TColor FTabColor = clBtnFace;
  bool FStoredTabVisible = true;
};

// Registers TExTabSheet for streaming, unless a class of that name is
// registered already (then that one stays). Called at start-up.
void RegisterExTabSheetClass();

class TExPageControl : public TPageControl {
  MEBRATH_CLASS(TExPageControl, TPageControl)
 public:
  bool Buttons() const { return FButtons; }
  void SetButtons(bool value);
  // False: the tabs are drawn by DrawTab below.
  bool DefaultDraw() const { return FDefaultDraw; }
  void SetDefaultDraw(bool value);
  // Never below 0.
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  int TopIndent() const { return FTopIndent; }
  void SetTopIndent(int value);

  // The page area from the platform's one: widened by 4 - BorderWidth at
  // the left, right and bottom, its top moved by TopIndent + BorderWidth
  // - 4.
  static TRect AdjustDisplayRect(TRect rect, int borderWidth, int topIndent);

  // A new sheet captioned with the form's caption, holding the form
  // aligned to the whole sheet; shown, and active when the control and
  // the form are both visible.
  TExTabSheet* DockForm(TCustomForm* form);

 protected:
  explicit TExPageControl(TComponent* owner);
  void WndProc(TMessage& message) override;
  void DrawTab(int tabIndex, const TRect& rect, bool active) override;

 private:
  bool FButtons = false;
  bool FDefaultDraw = true;
  int FBorderWidth = 4;
  int FTopIndent = 2;
};
