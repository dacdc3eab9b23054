// The preview of prepared pages: TfrPreview, a panel with its tool bar,
// the page area (TfrPBox), scroll bars with page buttons and a status line,
// and TfrPreviewForm, the window that holds one.
//
// Zoom modes: 0 a fixed scale, 1 page width, 2 whole page, 3 two pages;
// the scale follows the area's size and the current page's size in screen
// pixels. The last zoom is kept for the next preview of the run. Pages lie
// in rows (frLayoutPages); only pages on screen keep their objects.
//
// The search renders each page on a recording canvas and looks through its
// text items, one at a time, so a text that runs over two lines is not
// found. A hit becomes the current page, scrolls into view and is marked.
//
// Loading and saving use .frp files; printing goes through the print
// dialog and the report's print operation.
// GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/gui/forms.h"
#include "platform/widgets/menus.h"
#include "platform/widgets/std_lists.h"
#include "platform/widgets/std_panels.h"
#include "report/fr_preview_types.h"
#include "report/fr_printer.h"
#include "report/preview/fr_ctrls.h"

class TfrReportBase;
class TfrEMFPages;
class TfrPreview;

inline constexpr int kfrZoomFixed = 0;
inline constexpr int kfrZoomPageWidth = 1;
inline constexpr int kfrZoomWholePage = 2;
inline constexpr int kfrZoomTwoPages = 3;

// The scale of `mode` for a page area of `area` and a page of `page`
// (screen pixels); `fixed` for mode 0. Never 0 or negative.
double frPreviewScale(int mode, double fixed, TSize area, TSize page);
// The rectangles of the pages, scaled, in the area's document coordinates.
std::vector<TRect> frLayoutPages(const std::vector<TSize>& pages, double scale, int mode,
                                 int areaWidth);

using TfrPageChangedEvent = std::function<void(TfrPreview* sender, int pageNo)>;

// What the report gives its preview.
struct TfrPreviewSettings {
  TfrPreviewButtons Buttons = frDefaultPreviewButtons();
  TfrPreviewZoom InitialZoom = pzDefault;
  bool GrayedButtons = false;
  int DefaultCopies = 1;
  bool DefaultCollate = true;
  bool ShowPrintDialog = true;
  std::string Title;
  // The virtual printer writes a file (Print asks for its name), so
  // printing is offered without a desktop printer.
  bool PrintsToFile = false;
  // Prints the pages; unset, a report prints them through its
  // PrintPreparedReport (other reports straight to the printer).
  std::function<void(const TfrPrintRequest& request)> Print;
  // Page set-up of the prepared report and the help topic; the buttons do
  // nothing while these are unset.
  std::function<void()> PageSetup;
  std::function<void()> Help;
};

// The page area.
class TfrPBox : public TCustomControl {
  MEBRATH_CLASS(TfrPBox, TCustomControl)
 public:
  static constexpr TColor kBackground = static_cast<TColor>(0x808080);

 protected:
  TfrPBox(TComponent* owner, TfrPreview* preview);
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

 private:
  TfrPreview* FPreview;
};

class TfrPreview : public TCustomPanel {
  MEBRATH_CLASS(TfrPreview, TCustomPanel)
 public:
  // Shows `report`'s prepared pages (null: none).
  void Connect(TfrReportBase* report, const TfrPreviewSettings& settings = {});
  TfrReportBase* Report() const { return FReport; }
  const TfrPreviewSettings& Settings() const { return FSettings; }
  int PageCount() const;
  // 1-based; 0 without pages.
  int Page() const { return FPage; }
  void SetPage(int value);

  int ZoomMode() const { return FZoomMode; }
  double Scale() const { return FScale; }
  // A menu tag: a percentage (10 to 200), or 1, 2 or 3 for the modes.
  void Zoom(int tag);

  bool ScrollBars() const { return FScrollBars; }
  void SetScrollBars(bool value);
  bool ShowToolbar() const { return FShowToolbar; }
  void SetShowToolbar(bool value);
  TfrPageChangedEvent OnPageChanged;

  // --- actions of the buttons and keys
  void Load();
  void Save();
  // Nothing without a printer to print on (CanPrint) or while a report is
  // prepared or printed.
  void Print();
  void Find();
  void FindNext();
  void LoadFromFile(const std::string& fileName);
  // `filterIndex` 1 writes a prepared report and gives the name ".frp".
  void SaveToFile(const std::string& fileName, int filterIndex = 1);
  // From page `page` (0-based), text item `item` on; true on a hit.
  bool Search(const std::string& text, bool caseSensitive, int page, int item);
  // The keys of the preview; true when the key was used.
  bool HandleKey(unsigned key, TShiftState shift);
  // A desktop printer is installed, or the settings print to a file.
  bool CanPrint() const;

  // --- geometry, in the page area's document coordinates
  const std::vector<TRect>& PageRects() const { return FRects; }
  TPoint ScrollPos() const { return FScroll; }
  void ScrollTo(TPoint pos);
  TSize AreaSize() const;
  TSize DocumentSize() const { return FDocSize; }
  // The marked hit (empty when none), and its page (0-based).
  TRect HitRect() const;
  int HitPage() const { return FHitPage; }
  std::string StatusText() const;
  // Lays the pages out again and repaints.
  void Relayout();

  TPanel* ToolBar;
  TfrTBButton* ZoomButton;
  TfrTBButton* LoadButton;
  TfrTBButton* SaveButton;
  TfrTBButton* PrintButton;
  TfrTBButton* FindButton;
  TfrTBButton* PageSetupButton;
  TfrTBButton* HelpButton;
  TfrTBButton* ExitButton;
  TPopupMenu* ZoomMenu;
  TfrPBox* PBox;
  TScrollBar* VBar;
  TScrollBar* HBar;
  TfrSpeedButton* PrevPageButton;
  TfrSpeedButton* NextPageButton;
  TPanel* Status;

 protected:
  explicit TfrPreview(TComponent* owner);
  void BeforeDestruction() override;
  // Opens the zoom menu under the zoom button.
  virtual void PopupZoomMenu();

 private:
  friend class TfrPBox;
  TfrEMFPages* Pages() const;
  void ApplyButtons();
  void UpdateScrollBars();
  void UpdatePageFromScroll();
  void PageChanged();
  // The page area's painting, done for TfrPBox.
  void PaintPageArea(TCanvas& canvas);
  void ScrollIntoView(const TRect& r, int margin);
  // Tells the report of the object under (x, y) of the page area; true
  // when its handler was called.
  bool PointAt(int x, int y, bool click, TCursor& cursor);
  void ResetSearch();

  TfrReportBase* FReport = nullptr;
  TfrPreviewSettings FSettings;
  int FPage = 0;
  int FZoomMode = kfrZoomFixed;
  double FScale = 1;
  std::vector<TRect> FRects;
  TSize FDocSize{0, 0};
  TPoint FScroll{0, 0};
  bool FScrollBars = true;
  bool FShowToolbar = true;
  bool FSyncing = false;
  // Search: the text, its case flag, where the next search starts, and
  // the hit (page-pixel rectangle at scale 1) with its page.
  std::string FSearchText;
  bool FCaseSensitive = false;
  int FSearchPage = 0;
  int FSearchItem = 0;
  TRect FHit{0, 0, 0, 0};
  int FHitPage = -1;
  TPanel* FRightPanel = nullptr;
  TPanel* FBottomPanel = nullptr;
};

// The preview window.
class TfrPreviewForm : public TForm {
  MEBRATH_CLASS(TfrPreviewForm, TForm)
 public:
  TfrPreview* Preview;
  // Shows the report's pages; modally (returning when the window closes)
  // unless `modal` is false.
  void ShowReport(TfrReportBase* report, const TfrPreviewSettings& settings, bool modal = true);

 protected:
  explicit TfrPreviewForm(TComponent* owner);
  void KeyDown(unsigned& key, TShiftState shift) override;
  void DoShow() override;
  void DoClose(TCloseAction& action) override;
};

// Resets the zoom the previews of this run remember (fixed, 100 %).
void frResetPreviewZoomMemory();
