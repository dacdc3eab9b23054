#include "report/preview/fr_preview.h"

#include <algorithm>
#include <cmath>

#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"
#include "platform/base/string_table.h"
#include "platform/base/text.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/messages.h"
#include "platform/widgets/file_dialogs.h"
#include "report/fr_engine.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"
#include "report/fr_utils.h"
#include "report/preview/fr_dialogs.h"

namespace {

enum : int {
  kPageWidth = 53020,
  kWholePage = 53021,
  kTwoPages = 53022,
  kHintExit = 53023,
  kHintZoom = 53024,
  kHintLoad = 53025,
  kHintSave = 53026,
  kHintPrint = 53027,
  kHintFind = 53028,
  kEditPage = 53029,
  kAddPage = 53030,
  kDeletePage = 53031,
  kHintHelp = 53032,
  kPreparing = 55203,
  kPreview = 55207,
  kPrintingPage = 55208,
  kReportFile = 55211,
};

const bool kStringsRegistered = RegisterResourceStrings({
    {kPageWidth, "&Page width"},
    {kWholePage, "&Whole page"},
    {kTwoPages, "&Two pages"},
    {kHintExit, "Close preview"},
    {kHintZoom, "Scale"},
    {kHintLoad, "Open report"},
    {kHintSave, "Save report"},
    {kHintPrint, "Print report"},
    {kHintFind, "Find text"},
    {kEditPage, "Edit page"},
    {kAddPage, "Add page"},
    {kDeletePage, "Delete page"},
    {kHintHelp, "Show help"},
    {kPreparing, "Preparing report"},
    {kPreview, "Preview"},
    {kPrintingPage, "Printing page:"},
    {kReportFile, "Report file"},
});

constexpr int kGap = 10;
constexpr int kSmallStep = 16;
constexpr int kSearchMargin = 10;

// What the previews of this run remember.
int LastZoomMode = kfrZoomFixed;
double LastScale = 1;

// --- tool glyphs, 16 x 16, drawn in code; fuchsia is transparent -------------

enum TGlyphKind { gkOpen, gkSave, gkPrint, gkFind, gkHelp, gkExit, gkSetup, gkPrev, gkNext };

void MakeGlyph(TBitmap& bmp, TGlyphKind kind) {
  bmp.SetSize(16, 16);
  TCanvas& c = *bmp.Canvas();
  c.FillSolidRect(Rect(0, 0, 16, 16), clFuchsia);
  c.Pen()->SetColor(clBlack);
  switch (kind) {
    case gkOpen:
      c.Brush()->SetColor(clYellow);
      c.Polygon({{1, 4}, {6, 4}, {7, 5}, {13, 5}, {13, 13}, {1, 13}});
      c.Brush()->SetColor(static_cast<TColor>(0x0080C0E0));
      c.Polygon({{3, 8}, {15, 8}, {13, 13}, {1, 13}});
      break;
    case gkSave:
      c.Brush()->SetColor(clNavy);
      c.Rectangle(1, 1, 15, 15);
      c.FillSolidRect(Rect(4, 2, 12, 7), clWhite);
      c.FillSolidRect(Rect(5, 10, 11, 14), clSilver);
      break;
    case gkPrint:
      DrawPrinterPicture(c, {-1, 0});
      break;
    case gkFind:
      c.Brush()->SetColor(clWhite);
      c.Ellipse(1, 1, 10, 10);
      c.Pen()->SetWidth(2);
      c.MoveTo(9, 9);
      c.LineTo(14, 14);
      break;
    case gkHelp:
      c.Font()->SetName("Arial");
      c.Font()->SetSize(11);
      c.Font()->SetStyle(TFontStyles{fsBold});
      c.Font()->SetColor(clNavy);
      c.SetBkMode(TRANSPARENT);
      c.TextOut(4, 0, "?");
      break;
    case gkExit:
      c.Pen()->SetWidth(2);
      c.Pen()->SetColor(clMaroon);
      c.MoveTo(3, 3);
      c.LineTo(13, 13);
      c.MoveTo(13, 3);
      c.LineTo(3, 13);
      break;
    case gkSetup:
      c.Brush()->SetColor(clWhite);
      c.Rectangle(3, 1, 13, 15);
      for (int y = 4; y < 13; y += 3) c.FillSolidRect(Rect(5, y, 11, y + 1), clGray);
      break;
    case gkPrev:
    case gkNext: {
      c.Brush()->SetColor(clBlack);
      const int d = kind == gkPrev ? -1 : 1;
      for (int dy = 0; dy < 2; ++dy) {
        const int y = 3 + dy * 5;
        c.Polygon({{4, y + (d < 0 ? 3 : 0)}, {11, y + (d < 0 ? 3 : 0)}, {7, y + (d < 0 ? 0 : 3)}});
      }
      break;
    }
  }
  c.SetPixels(0, 15, clFuchsia);
}

template <class T>
T* Put(TComponent* owner, TWinControl* parent, TAlign align, int size) {
  T* c = Create<T>(owner);
  c->SetParent(parent);
  c->SetAlign(align);
  if (align == alLeft || align == alRight) c->SetWidth(size);
  if (align == alTop || align == alBottom) c->SetHeight(size);
  return c;
}

}  // namespace

void frResetPreviewZoomMemory() {
  LastZoomMode = kfrZoomFixed;
  LastScale = 1;
}

double frPreviewScale(int mode, double fixed, TSize area, TSize page) {
  const double pw = std::max(1, page.cx), ph = std::max(1, page.cy);
  double scale = fixed;
  switch (mode) {
    case kfrZoomPageWidth:
      scale = (area.cx - 20) / pw;
      break;
    case kfrZoomWholePage:
      scale = (area.cy - 20) / ph;
      break;
    case kfrZoomTwoPages:
      scale = (area.cx - 30) / (2 * pw);
      break;
    default:
      break;
  }
  // A window too small for any page still shows a sliver of one.
  return std::max(scale, 0.01);
}

std::vector<TRect> frLayoutPages(const std::vector<TSize>& pages, double scale, int mode,
                                 int areaWidth) {
  std::vector<TRect> rects;
  rects.reserve(pages.size());
  const int perRow = mode == kfrZoomWholePage ? 1 : mode == kfrZoomTwoPages ? 2 : 0;
  int y = kGap;
  std::size_t i = 0;
  while (i < pages.size()) {
    int x = 0, tallest = 0, inRow = 0;
    while (i < pages.size()) {
      const int w = static_cast<int>(std::lround(pages[i].cx * scale));
      const int h = static_cast<int>(std::lround(pages[i].cy * scale));
      if (inRow > 0 && (perRow > 0 ? inRow >= perRow : x + kGap + w > areaWidth)) break;
      rects.push_back(Bounds(x + kGap, y, w, h));
      x += kGap + w;
      tallest = std::max(tallest, h);
      ++inRow;
      ++i;
    }
    y += tallest + kGap;
  }
  return rects;
}

// --- TfrPBox --------------------------------------------------------------------

TfrPBox::TfrPBox(TComponent* owner, TfrPreview* preview)
    : TCustomControl(owner), FPreview(preview) {
  SetColor(kBackground);
}

void TfrPBox::Paint() { FPreview->PaintPageArea(*Canvas()); }

void TfrPBox::Resize() {
  TCustomControl::Resize();
  FPreview->Relayout();
}

void TfrPBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (CanFocus()) SetFocus();
  TCursor cursor = crDefault;
  if (button == mbLeft) FPreview->PointAt(x, y, true, cursor);
}

void TfrPBox::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  TCursor cursor = crDefault;
  SetCursor(FPreview->PointAt(x, y, false, cursor) ? cursor : crDefault);
}

bool TfrPBox::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  const TPoint s = FPreview->ScrollPos();
  FPreview->ScrollTo({s.X, s.Y - wheelDelta * 3 * kSmallStep / WHEEL_DELTA});
  return true;
}

// --- TfrPreview -----------------------------------------------------------------

TfrPreview::TfrPreview(TComponent* owner) : TCustomPanel(owner) {
  SetBevelOuter(bvNone);
  SetBounds(0, 0, 400, 300);

  ToolBar = Put<TPanel>(this, this, alTop, 28);
  ToolBar->SetBevelOuter(bvNone);
  ToolBar->SetBorderWidth(2);
  // Each control starts right of the last, so alLeft keeps this order.
  int next = 0;
  auto place = [&next](TControl* c, int width) {
    c->SetBounds(next, 0, width, c->Height());
    next += width;
    c->SetAlign(alLeft);
  };
  auto button = [this, &place](TGlyphKind glyph, int hint, int width = 24) {
    auto* b = Create<TfrTBButton>(this);
    b->SetParent(ToolBar);
    place(b, width);
    TBitmap bmp;
    MakeGlyph(bmp, glyph);
    b->SetGlyph(&bmp);
    b->SetHint(LoadStr(hint));
    b->SetShowHint(true);
    return b;
  };
  auto separator = [this, &place] {
    auto* s = Create<TfrTBSeparator>(this);
    s->SetParent(ToolBar);
    place(s, 8);
    return s;
  };
  // Left to right; alLeft puts each after the ones before it.
  ZoomButton = Create<TfrTBButton>(this);
  ZoomButton->SetParent(ToolBar);
  place(ZoomButton, 52);
  ZoomButton->SetHint(LoadStr(kHintZoom));
  ZoomButton->SetShowHint(true);
  ZoomButton->OnClick = [this](TObject*) { PopupZoomMenu(); };
  separator();
  LoadButton = button(gkOpen, kHintLoad);
  LoadButton->OnClick = [this](TObject*) { Load(); };
  SaveButton = button(gkSave, kHintSave);
  SaveButton->OnClick = [this](TObject*) { Save(); };
  PrintButton = button(gkPrint, kHintPrint);
  PrintButton->OnClick = [this](TObject*) { Print(); };
  PageSetupButton = button(gkSetup, kHintPrint);
  PageSetupButton->SetHint("");
  PageSetupButton->OnClick = [this](TObject*) {
    if (FSettings.PageSetup && CanPrint()) FSettings.PageSetup();
    Relayout();
  };
  separator();
  FindButton = button(gkFind, kHintFind);
  FindButton->OnClick = [this](TObject*) { Find(); };
  separator();
  HelpButton = button(gkHelp, kHintHelp);
  HelpButton->OnClick = [this](TObject*) {
    if (FSettings.Help) FSettings.Help();
  };
  ExitButton = button(gkExit, kHintExit);
  ExitButton->OnClick = [this](TObject*) {
    if (TCustomForm* form = GetParentForm(this)) form->Close();
  };

  ZoomMenu = Create<TPopupMenu>(this);
  auto item = [this](const std::string& caption, int tag) {
    auto* mi = Create<TMenuItem>(this);
    mi->SetCaption(caption);
    mi->SetTag(tag);
    mi->SetRadioItem(true);
    mi->OnClick = [this, tag](TObject*) { Zoom(tag); };
    ZoomMenu->Items()->Add(mi);
    return mi;
  };
  for (int percent : {200, 150, 100, 75, 50, 25, 10}) item(std::to_string(percent) + "%", percent);
  auto* line = Create<TMenuItem>(this);
  line->SetCaption("-");
  ZoomMenu->Items()->Add(line);
  item(LoadStr(kPageWidth), 1);
  item(LoadStr(kWholePage), 2);
  item(LoadStr(kTwoPages), 3);
  // Page editing needs a report designer, which this program has none of.
  for (int id : {kEditPage, kAddPage, kDeletePage}) item(LoadStr(id), -1)->SetVisible(false);

  FBottomPanel = Put<TPanel>(this, this, alBottom, 17);
  FBottomPanel->SetBevelOuter(bvNone);
  Status = Put<TPanel>(this, FBottomPanel, alLeft, 120);
  Status->SetBevelOuter(bvLowered);
  Status->SetAlignment(taLeftJustify);
  HBar = Put<TScrollBar>(this, FBottomPanel, alClient, 0);
  HBar->SetKind(sbHorizontal);
  auto* corner = Put<TPanel>(this, FBottomPanel, alRight, 16);
  corner->SetBevelOuter(bvNone);

  FRightPanel = Put<TPanel>(this, this, alRight, 16);
  FRightPanel->SetBevelOuter(bvNone);
  NextPageButton = Put<TfrSpeedButton>(this, FRightPanel, alBottom, 16);
  PrevPageButton = Put<TfrSpeedButton>(this, FRightPanel, alBottom, 16);
  for (auto [b, kind] : {std::pair{PrevPageButton, gkPrev}, std::pair{NextPageButton, gkNext}}) {
    TBitmap bmp;
    MakeGlyph(bmp, kind);
    b->SetGlyph(&bmp);
    b->SetGrayedInactive(false);
  }
  PrevPageButton->OnClick = [this](TObject*) { SetPage(FPage - 1); };
  NextPageButton->OnClick = [this](TObject*) { SetPage(FPage + 1); };
  VBar = Put<TScrollBar>(this, FRightPanel, alClient, 0);
  VBar->SetKind(sbVertical);
  VBar->OnChange = [this](TObject*) {
    if (!FSyncing) ScrollTo({FScroll.X, VBar->Position()});
  };
  HBar->OnChange = [this](TObject*) {
    if (!FSyncing) ScrollTo({HBar->Position(), FScroll.Y});
  };

  PBox = Create<TfrPBox>(this, this);
  PBox->SetParent(this);
  PBox->SetAlign(alClient);
  PBox->SetTabStop(true);
  ApplyButtons();
}

void TfrPreview::BeforeDestruction() {
  FReport = nullptr;
  TCustomPanel::BeforeDestruction();
}

TfrEMFPages* TfrPreview::Pages() const {
  return FReport == nullptr ? nullptr : &FReport->EMFPages();
}

int TfrPreview::PageCount() const { return Pages() == nullptr ? 0 : Pages()->Count(); }

bool TfrPreview::CanPrint() const { return frPrinter().HasPrinters() || FSettings.PrintsToFile; }

void TfrPreview::ApplyButtons() {
  const TfrPreviewButtons b = FSettings.Buttons;
  ZoomButton->SetVisible(b.Contains(pbZoom));
  LoadButton->SetVisible(b.Contains(pbLoad));
  SaveButton->SetVisible(b.Contains(pbSave));
  PrintButton->SetVisible(b.Contains(pbPrint));
  PageSetupButton->SetVisible(b.Contains(pbPageSetup));
  FindButton->SetVisible(b.Contains(pbFind));
  HelpButton->SetVisible(b.Contains(pbHelp));
  ExitButton->SetVisible(b.Contains(pbExit));
  PrintButton->SetEnabled(CanPrint());
  PageSetupButton->SetEnabled(CanPrint());
  // A separator shows only between two groups that both show.
  std::vector<std::vector<TControl*>> groups(1);
  for (int i = 0; i < ToolBar->ControlCount(); ++i) {
    TControl* c = ToolBar->Controls(i);
    if (auto* s = dynamic_cast<TfrTBSeparator*>(c)) {
      s->SetVisible(false);
      groups.back().push_back(s);
      groups.emplace_back();
    } else {
      groups.back().push_back(c);
    }
  }
  bool before = false;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    bool shown = false;
    for (TControl* c : groups[g])
      if (!dynamic_cast<TfrTBSeparator*>(c) && c->Visible()) shown = true;
    if (g > 0 && shown && before) {
      // The separator closing the previous group.
      TControl* s = groups[g - 1].back();
      if (dynamic_cast<TfrTBSeparator*>(s)) s->SetVisible(true);
    }
    before = before || shown;
  }
  for (int i = 0; i < ToolBar->ControlCount(); ++i)
    if (auto* tb = dynamic_cast<TfrSpeedButton*>(ToolBar->Controls(i)))
      tb->SetGrayedInactive(FSettings.GrayedButtons);
}

void TfrPreview::Connect(TfrReportBase* report, const TfrPreviewSettings& settings) {
  FReport = report;
  FSettings = settings;
  ApplyButtons();
  switch (settings.InitialZoom) {
    case pzPageWidth:
      FZoomMode = kfrZoomPageWidth;
      break;
    case pzOnePage:
      FZoomMode = kfrZoomWholePage;
      break;
    case pzTwoPages:
      FZoomMode = kfrZoomTwoPages;
      break;
    default:
      FZoomMode = LastZoomMode;
      FScale = LastScale;
      break;
  }
  FPage = PageCount() > 0 ? 1 : 0;
  FScroll = {0, 0};
  ResetSearch();
  Relayout();
  PageChanged();
}

void TfrPreview::ResetSearch() {
  FSearchPage = 0;
  FSearchItem = 0;
  FHitPage = -1;
  FHit = Rect(0, 0, 0, 0);
}

void TfrPreview::SetScrollBars(bool value) {
  if (FScrollBars == value) return;
  FScrollBars = value;
  FRightPanel->SetVisible(value);
  FBottomPanel->SetVisible(value);
}

void TfrPreview::SetShowToolbar(bool value) {
  if (FShowToolbar == value) return;
  FShowToolbar = value;
  ToolBar->SetVisible(value);
}

TSize TfrPreview::AreaSize() const { return {PBox->ClientWidth(), PBox->ClientHeight()}; }

void TfrPreview::Zoom(int tag) {
  if (tag >= 1 && tag <= 3) {
    FZoomMode = tag;
  } else if (tag >= 10) {
    FZoomMode = kfrZoomFixed;
    FScale = tag / 100.0;
  } else {
    return;
  }
  const int page = FPage;
  Relayout();
  if (page > 0) SetPage(page);
}

void TfrPreview::Relayout() {
  TfrEMFPages* pages = Pages();
  std::vector<TSize> sizes;
  for (int i = 0; i < PageCount(); ++i) sizes.push_back(pages->Pages(i).ScreenSize());
  const TSize area = AreaSize();
  if (!sizes.empty()) {
    const TSize current = sizes[static_cast<std::size_t>(std::max(FPage, 1) - 1)];
    FScale = frPreviewScale(FZoomMode, FScale, area, current);
  }
  if (FReport != nullptr) {
    LastZoomMode = FZoomMode;
    LastScale = FScale;
  }
  FRects = frLayoutPages(sizes, FScale, FZoomMode, area.cx);
  FDocSize = {0, 0};
  for (const TRect& r : FRects) {
    FDocSize.cx = std::max<int>(FDocSize.cx, r.Right + kGap);
    FDocSize.cy = std::max<int>(FDocSize.cy, r.Bottom + kGap);
  }
  ZoomButton->SetCaption(std::to_string(static_cast<int>(std::lround(FScale * 100))) + "%");
  for (int i = 0; i < ZoomMenu->Items()->Count(); ++i) {
    TMenuItem* mi = ZoomMenu->Items()->Items(i);
    const int tag = static_cast<int>(mi->Tag());
    mi->SetChecked(FZoomMode == kfrZoomFixed ? tag == static_cast<int>(std::lround(FScale * 100))
                                             : tag == FZoomMode);
  }
  ScrollTo(FScroll);
  PBox->Invalidate();
}

void TfrPreview::UpdateScrollBars() {
  const TSize area = AreaSize();
  FSyncing = true;
  // A page larger than the range is not allowed: the whole range shows.
  VBar->SetParams(FScroll.Y, 0, std::max(0, FDocSize.cy - 1));
  VBar->SetPageSize(std::clamp(area.cy, 1, std::max(1, FDocSize.cy)));
  VBar->SetSmallChange(kSmallStep);
  VBar->SetLargeChange(std::max(1, area.cy));
  HBar->SetParams(FScroll.X, 0, std::max(0, FDocSize.cx - 1));
  HBar->SetPageSize(std::clamp(area.cx, 1, std::max(1, FDocSize.cx)));
  HBar->SetSmallChange(kSmallStep);
  HBar->SetLargeChange(std::max(1, area.cx));
  FSyncing = false;
}

void TfrPreview::ScrollTo(TPoint pos) {
  const TSize area = AreaSize();
  pos.X = std::clamp(pos.X, 0, std::max(0, FDocSize.cx - area.cx));
  pos.Y = std::clamp(pos.Y, 0, std::max(0, FDocSize.cy - area.cy));
  const bool moved = pos.X != FScroll.X || pos.Y != FScroll.Y;
  FScroll = pos;
  UpdateScrollBars();
  if (!moved) return;
  UpdatePageFromScroll();
  PBox->Invalidate();
}

void TfrPreview::UpdatePageFromScroll() {
  if (FRects.empty()) return;
  // The page that holds the upper third of the area.
  const int line = FScroll.Y + AreaSize().cy / 3;
  int page = 1;
  for (std::size_t i = 0; i < FRects.size(); ++i)
    if (FRects[i].Top <= line) page = static_cast<int>(i) + 1;
  if (page == FPage) return;
  FPage = page;
  PageChanged();
}

void TfrPreview::SetPage(int value) {
  if (PageCount() == 0) return;
  value = std::clamp(value, 1, PageCount());
  const TRect& r = FRects[static_cast<std::size_t>(value - 1)];
  const TSize area = AreaSize();
  // The page's left edge comes into view when it lies beyond the area.
  int x = FScroll.X;
  if (r.Left - kGap < x || r.Right + kGap > x + area.cx) x = r.Left - kGap;
  ScrollTo({x, r.Top - kGap});
  const bool changed = value != FPage;
  FPage = value;
  if (changed) PageChanged();
}

void TfrPreview::PageChanged() {
  Status->SetCaption(StatusText());
  PrevPageButton->SetEnabled(FPage > 1);
  NextPageButton->SetEnabled(FPage < PageCount());
  PBox->Invalidate();
  if (OnPageChanged) OnPageChanged(this, FPage);
}

std::string TfrPreview::StatusText() const {
  if (PageCount() == 0) return "";
  return " Page " + std::to_string(FPage) + " of " + std::to_string(PageCount());
}

TRect TfrPreview::HitRect() const {
  if (FHitPage < 0 || FHitPage >= static_cast<int>(FRects.size())) return Rect(0, 0, 0, 0);
  const TRect& page = FRects[static_cast<std::size_t>(FHitPage)];
  auto at = [this](int v) { return static_cast<int>(std::lround(v * FScale)); };
  return Rect(page.Left + at(FHit.Left) - 2, page.Top + at(FHit.Top) - 1,
              page.Left + at(FHit.Right) + 2, page.Top + at(FHit.Bottom) + 1);
}

void TfrPreview::PaintPageArea(TCanvas& c) {
  const TRect client = PBox->ClientRect();
  c.FillSolidRect(client, TfrPBox::kBackground);
  TfrEMFPages* pages = Pages();
  if (pages == nullptr) return;
  for (int i = 0; i < PageCount() && i < static_cast<int>(FRects.size()); ++i) {
    TRect r = FRects[static_cast<std::size_t>(i)];
    OffsetRect(r, -FScroll.X, -FScroll.Y);
    TfrEMFPage& entry = pages->Pages(i);
    TRect visible;
    const bool onScreen =
        IntersectRect(visible, Rect(r.Left, r.Top, r.Right + 3, r.Bottom + 3), client) &&
        c.RectVisible(visible);
    entry.Visible = onScreen;
    if (!onScreen) {
      entry.Page.reset();  // only pages on screen keep their objects
      continue;
    }
    TCanvasStateSaver saver(c);
    c.Pen()->SetColor(clBlack);
    c.Pen()->SetWidth(1);
    c.Brush()->SetColor(clWhite);
    c.Rectangle(r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1);
    c.FillSolidRect(Rect(r.Right + 1, r.Top + 2, r.Right + 3, r.Bottom + 3), clBlack);
    c.FillSolidRect(Rect(r.Left + 2, r.Bottom + 1, r.Right + 3, r.Bottom + 3), clBlack);
    {
      TCanvasStateSaver clip(c);
      c.IntersectClipRect(r);
      pages->Draw(i, c, r);
    }
    if (i == FHitPage) {
      TRect hit = HitRect();
      OffsetRect(hit, -FScroll.X, -FScroll.Y);
      c.Brush()->SetStyle(bsClear);
      c.Pen()->SetColor(clRed);
      c.Pen()->SetWidth(2);
      c.Rectangle(hit.Left, hit.Top, hit.Right, hit.Bottom);
    }
  }
}

void TfrPreview::ScrollIntoView(const TRect& r, int margin) {
  const TSize area = AreaSize();
  TPoint s = FScroll;
  if (r.Top - margin < s.Y) s.Y = r.Top - margin;
  if (r.Bottom + margin > s.Y + area.cy) s.Y = r.Bottom + margin - area.cy;
  if (r.Left - margin < s.X) s.X = r.Left - margin;
  if (r.Right + margin > s.X + area.cx) s.X = r.Right + margin - area.cx;
  ScrollTo(s);
}

bool TfrPreview::PointAt(int x, int y, bool click, TCursor& cursor) {
  TfrEMFPages* pages = Pages();
  if (pages == nullptr) return false;
  const TPoint p{x + FScroll.X, y + FScroll.Y};
  for (int i = 0; i < PageCount() && i < static_cast<int>(FRects.size()); ++i) {
    const TRect& r = FRects[static_cast<std::size_t>(i)];
    if (!PtInRect(r, p)) continue;
    // The page's own pixels, as its objects know them.
    const TPoint onPage{static_cast<int>((p.X - r.Left) / FScale),
                        static_cast<int>((p.Y - r.Top) / FScale)};
    return pages->DoMouse(i, onPage, cursor, click);
  }
  return false;
}

// --- search -----------------------------------------------------------------------

bool TfrPreview::Search(const std::string& text, bool caseSensitive, int page, int item) {
  TfrEMFPages* pages = Pages();
  if (pages == nullptr || text.empty()) return false;
  FSearchText = text;
  FCaseSensitive = caseSensitive;
  const std::string needle = caseSensitive ? text : AnsiUpperCase(text);
  for (int p = std::max(page, 0); p < pages->Count(); ++p) {
    const TSize size = pages->Pages(p).ScreenSize();
    TRecordingCanvas canvas;
    pages->Draw(p, canvas, Rect(0, 0, size.cx, size.cy), true);
    const auto& records = canvas.Records();
    std::vector<const TCanvasRecord*> texts;
    for (const TCanvasRecord& r : records)
      if (r.Kind == TRecordKind::Text) texts.push_back(&r);
    for (int i = p == page ? std::max(item, 0) : 0; i < static_cast<int>(texts.size()); ++i) {
      const TCanvasRecord& r = *texts[static_cast<std::size_t>(i)];
      const std::string hay = caseSensitive ? r.Text : AnsiUpperCase(r.Text);
      if (hay.find(needle) == std::string::npos) continue;
      TRect hit = r.Rect;
      if (!r.Offsets.empty() && r.Offsets.back() > 0)
        hit.Right = std::max<int>(hit.Right, hit.Left + r.Offsets.back());
      if (hit.Bottom <= hit.Top) hit.Bottom = hit.Top + std::abs(r.Font.Height);
      FHit = hit;
      FHitPage = p;
      FSearchPage = p;
      FSearchItem = i + 1;
      SetPage(p + 1);
      ScrollIntoView(HitRect(), kSearchMargin);
      PBox->Invalidate();
      return true;
    }
  }
  return false;
}

void TfrPreview::Find() {
  if (PageCount() == 0) return;
  TfrPreviewSearchForm* form = Create<TfrPreviewSearchForm>(nullptr);
  form->TextEdit->SetText(FSearchText);
  form->CaseBox->SetChecked(FCaseSensitive);
  const bool ok = form->ShowModal() == mrOk;
  const std::string text = form->TextEdit->Text();
  const bool caseSensitive = form->CaseBox->Checked();
  const bool fromFirst = form->FirstPageButton->Checked();
  form->Free();
  if (!ok || text.empty()) return;
  Search(text, caseSensitive, fromFirst ? 0 : FPage - 1, 0);
}

void TfrPreview::FindNext() {
  if (FSearchText.empty()) {
    Find();
    return;
  }
  if (FHitPage >= 0 && FPage != FHitPage + 1)
    Search(FSearchText, FCaseSensitive, FPage - 1, 0);
  else
    Search(FSearchText, FCaseSensitive, FSearchPage, FSearchItem);
}

// --- files and printing -------------------------------------------------------------

namespace {
std::string ReportFileFilter() { return LoadStr(kReportFile) + " (*.frp)|*.frp"; }
}  // namespace

void TfrPreview::LoadFromFile(const std::string& fileName) {
  if (Pages() == nullptr) return;
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  try {
    Pages()->LoadFromStream(stream);
  } catch (...) {
    FPage = 0;
    ResetSearch();
    Relayout();
    PageChanged();
    throw;
  }
  FPage = PageCount() > 0 ? 1 : 0;
  FScroll = {0, 0};
  ResetSearch();
  Relayout();
  PageChanged();
}

void TfrPreview::SaveToFile(const std::string& fileName, int filterIndex) {
  if (Pages() == nullptr || filterIndex != 1) return;
  TFileStream stream(ChangeFileExt(fileName, ".frp"), fmCreate);
  Pages()->SaveToStream(stream);
}

void TfrPreview::Load() {
  if (Pages() == nullptr || TfrProgressForm::Running()) return;
  TOpenDialog* dialog = Create<TOpenDialog>(nullptr);
  dialog->SetFilter(ReportFileFilter());
  dialog->SetOptions(TOpenOptions{ofHideReadOnly, ofFileMustExist});
  const bool ok = dialog->Execute();
  const std::string name = dialog->FileName();
  dialog->Free();
  if (ok) LoadFromFile(name);
}

void TfrPreview::Save() {
  if (PageCount() == 0) return;
  TSaveDialog* dialog = Create<TSaveDialog>(nullptr);
  // Export filters would follow the first one; the program has none.
  dialog->SetFilter(ReportFileFilter());
  dialog->SetOptions(TOpenOptions{ofHideReadOnly, ofOverwritePrompt});
  const bool ok = dialog->Execute();
  const std::string name = dialog->FileName();
  const int filter = dialog->FilterIndex();
  dialog->Free();
  if (ok) SaveToFile(name, filter);
}

void TfrPreview::Print() {
  if (PageCount() == 0 || !CanPrint() || TfrProgressForm::Running()) return;
  TfrPrintRequest request;
  request.Copies = FSettings.DefaultCopies;
  request.Collate = FSettings.DefaultCollate;
  if (FSettings.ShowPrintDialog) {
    TfrPrintForm* form = Create<TfrPrintForm>(nullptr);
    form->SetCopies(request.Copies);
    form->SetCollate(request.Collate);
    form->SetDocument(PageCount(), FPage);
    const bool ok = form->ShowModal() == mrOk;
    if (ok) request = form->Request(FPage);
    form->Free();
    if (!ok) return;
  }
  request.Title = FSettings.Title;
  if (FSettings.Print)
    FSettings.Print(request);
  else if (auto* report = dynamic_cast<TfrReport*>(FReport))
    report->PrintPreparedReport(request.PageNumbers, request.Copies, request.Collate,
                                static_cast<int>(request.PrintPages));
  else
    PrintPreparedPages(*FReport, *Pages(), request);
  Relayout();
}

void TfrPreview::PopupZoomMenu() {
  const TPoint p = ZoomButton->ClientToScreen({0, ZoomButton->Height()});
  ZoomMenu->Popup(p.X, p.Y);
}

bool TfrPreview::HandleKey(unsigned key, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  const TSize area = AreaSize();
  const TfrPreviewButtons b = FSettings.Buttons;
  switch (key) {
    case VK_UP:
      ScrollTo({FScroll.X, FScroll.Y - kSmallStep});
      return true;
    case VK_DOWN:
      ScrollTo({FScroll.X, FScroll.Y + kSmallStep});
      return true;
    case VK_LEFT:
      ScrollTo({FScroll.X - kSmallStep, FScroll.Y});
      return true;
    case VK_RIGHT:
      ScrollTo({FScroll.X + kSmallStep, FScroll.Y});
      return true;
    case VK_PRIOR:
      if (ctrl)
        SetPage(FPage - 1);
      else
        ScrollTo({FScroll.X, FScroll.Y - area.cy});
      return true;
    case VK_NEXT:
      if (ctrl)
        SetPage(FPage + 1);
      else
        ScrollTo({FScroll.X, FScroll.Y + area.cy});
      return true;
    case VK_SPACE:
      PopupZoomMenu();
      return true;
    case VK_ESCAPE:
      if (TCustomForm* form = GetParentForm(this)) form->Close();
      return true;
    case VK_HOME:
      if (!ctrl) return false;
      SetPage(1);
      ScrollTo({0, 0});
      return true;
    case VK_END:
      if (!ctrl) return false;
      SetPage(PageCount());
      return true;
    case VK_F3:
      FindNext();
      return true;
    default:
      break;
  }
  if (!ctrl) return false;
  switch (key) {
    case 'O':
      if (b.Contains(pbLoad)) Load();
      return true;
    case 'S':
      if (b.Contains(pbSave)) Save();
      return true;
    case 'P':
      if (b.Contains(pbPrint)) Print();
      return true;
    case 'F':
      if (b.Contains(pbFind)) Find();
      return true;
    case 'E':
      return true;  // editing a page needs a designer
    default:
      return false;
  }
}

// --- TfrPreviewForm -------------------------------------------------------------------

TfrPreviewForm::TfrPreviewForm(TComponent* owner) : TForm(owner) {
  SetCaption(LoadStr(kPreview));
  SetBounds(40, 40, 800, 600);
  SetWindowState(wsMaximized);
  SetKeyPreview(true);
  Preview = Create<TfrPreview>(this);
  Preview->SetParent(this);
  Preview->SetAlign(alClient);
}

void TfrPreviewForm::ShowReport(TfrReportBase* report, const TfrPreviewSettings& settings,
                                bool modal) {
  if (!settings.Title.empty()) SetCaption(LoadStr(kPreview) + " - " + settings.Title);
  Preview->Connect(report, settings);
  if (modal)
    ShowModal();
  else
    Show();
}

void TfrPreviewForm::KeyDown(unsigned& key, TShiftState shift) {
  if (Preview->HandleKey(key, shift)) {
    key = 0;
    return;
  }
  TForm::KeyDown(key, shift);
}

void TfrPreviewForm::DoShow() {
  if (FormStyle() != fsMDIChild) RestoreFormPosition(this);
  TForm::DoShow();
  Preview->Relayout();
  if (Preview->PBox->CanFocus()) Preview->PBox->SetFocus();
}

void TfrPreviewForm::DoClose(TCloseAction& action) {
  TForm::DoClose(action);
  if (FormStyle() != fsMDIChild) SaveFormPosition(this);
}
