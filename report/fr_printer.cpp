#include "report/fr_printer.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "platform/base/math_utils.h"
#include "report/fr_engine.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"

namespace {

// A4, for a paper that has no size of its own.
const TPaperInfo& FallbackPaper() { return *FindStandardPaper(DMPAPER_A4); }

}  // namespace

void TfrPrinter::EnsureBound() {
  if (FPrinter == nullptr) SetPrinter(::Printer());
}

void TfrPrinter::SetPrinter(TPrinter* printer) {
  FPrinter = printer;
  FPrinters = FPrinter->Printers();  // the virtual printer is already last
  FVirtualIndex = static_cast<int>(FPrinters.size()) - 1;
  FPrinterIndex = FPrinter->PrinterIndex();
  if (IsVirtual()) {
    ApplyToVirtual();
    ApplyToPrinter();
  } else {
    ReadBack();
  }
}

void TfrPrinter::SetPrinterIndex(int value) {
  EnsureBound();
  if (value < 0 || value >= static_cast<int>(FPrinters.size())) return;
  if (FPrinter->Printing()) return;
  FPrinterIndex = value;
  FPrinter->SetPrinterIndex(value);
  if (IsVirtual()) {
    ApplyToVirtual();
    ApplyToPrinter();
  } else {
    ReadBack();
  }
}

int TfrPrinter::PaperIndex(int code) const {
  auto it = std::find(PaperCodes.begin(), PaperCodes.end(), code);
  return it == PaperCodes.end() ? -1 : static_cast<int>(it - PaperCodes.begin());
}

void TfrPrinter::SetPrinterInfo(int pSize, int pWidth, int pHeight, TPrinterOrientation pOr,
                                int pBin, bool force) {
  EnsureBound();
  if (FPrinter->Printing()) return;
  if (!force && PaperSize == pSize && Orientation == pOr) {
    if (pSize == kfrCustomPaper) {
      if (std::abs(PaperWidth - pWidth) <= 1 && std::abs(PaperHeight - pHeight) <= 1) return;
    } else if (pBin == Bin || pBin == kfrKeepBin) {
      return;
    }
  }
  PaperSize = pSize;
  PaperWidth = pWidth;
  PaperHeight = pHeight;
  Orientation = pOr;
  Bin = pBin;
  if (IsVirtual()) {
    ApplyToVirtual();
    ApplyToPrinter();
  } else {
    ApplyToPrinter();
  }
}

void TfrPrinter::ApplyToVirtual() {
  PaperNames.clear();
  PaperCodes.clear();
  for (const TPaperInfo& p : StandardPapers()) {
    PaperNames.push_back(p.Name);
    PaperCodes.push_back(p.Code);
  }
  BinNames.clear();
  BinCodes.clear();
  const TPaperInfo* paper = FindStandardPaper(PaperSize);
  const bool custom = PaperSize == kfrCustomPaper && PaperWidth > 0 && PaperHeight > 0;
  if (!custom) {
    if (paper == nullptr || paper->Width <= 0 || paper->Height <= 0) paper = &FallbackPaper();
    PaperSize = paper->Code;
    PaperWidth = paper->Width;
    PaperHeight = paper->Height;
    if (Orientation == poLandscape) std::swap(PaperWidth, PaperHeight);
  }
}

void TfrPrinter::ApplyToPrinter() {
  TDeviceMode mode = FPrinter->DeviceMode();
  mode.dmFields = DM_PAPERSIZE | DM_ORIENTATION | DM_COPIES;
  mode.dmPaperSize = PaperSize;
  if (PaperSize == kfrCustomPaper) {
    // The device mode holds the portrait size.
    mode.dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    const bool landscape = Orientation == poLandscape;
    mode.dmPaperWidth = landscape ? PaperHeight : PaperWidth;
    mode.dmPaperLength = landscape ? PaperWidth : PaperHeight;
  }
  mode.dmOrientation = Orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  mode.dmCopies = 1;
  if (Bin != kfrKeepBin) {
    mode.dmFields |= DM_DEFAULTSOURCE;
    mode.dmDefaultSource = Bin;
  }
  try {
    FPrinter->SetDeviceMode(mode);
  } catch (const EPrinter&) {
    // A paper the printer lacks: it keeps its own, and the page follows it.
    mode.dmFields &= ~(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
    FPrinter->SetDeviceMode(mode);
  }
  ReadBack();
}

void TfrPrinter::ReadBack() {
  if (!IsVirtual()) {
    PaperNames.clear();
    PaperCodes.clear();
    for (const TPaperInfo& p : FPrinter->Papers()) {
      PaperNames.push_back(p.Name);
      PaperCodes.push_back(p.Code);
    }
    if (FPrinter->Capabilities().CustomPaper && PaperIndex(kfrCustomPaper) < 0) {
      PaperNames.push_back(FindStandardPaper(kfrCustomPaper)->Name);
      PaperCodes.push_back(kfrCustomPaper);
    }
    BinNames.clear();
    BinCodes.clear();
    for (const TBinInfo& b : FPrinter->Bins()) {
      BinNames.push_back(b.Name);
      BinCodes.push_back(b.Code);
    }
  }
  const TDeviceMode mode = FPrinter->DeviceMode();
  PaperSize = mode.dmPaperSize;
  Orientation = mode.dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
  PaperWidth = FPrinter->PaperWidth();
  PaperHeight = FPrinter->PaperHeight();
  ReadGeometry();
}

void TfrPrinter::ReadGeometry() {
  Dpi = {FPrinter->GetDeviceCaps(LOGPIXELSX), FPrinter->GetDeviceCaps(LOGPIXELSY)};
  Offset = {FPrinter->GetDeviceCaps(PHYSICALOFFSETX), FPrinter->GetDeviceCaps(PHYSICALOFFSETY)};
  PrintableSize = {FPrinter->GetDeviceCaps(HORZRES), FPrinter->GetDeviceCaps(VERTRES)};
  PaperPixels = {FPrinter->GetDeviceCaps(PHYSICALWIDTH), FPrinter->GetDeviceCaps(PHYSICALHEIGHT)};
}

std::function<bool(TPrinter&)>& TfrPrinter::PropertiesHandler() {
  static std::function<bool(TPrinter&)> handler;
  return handler;
}

bool TfrPrinter::PropertiesDialog() {
  EnsureBound();
  if (!PropertiesHandler() || FPrinter->Printing()) return false;
  const TDeviceMode saved = FPrinter->DeviceMode();
  if (!PropertiesHandler()(*FPrinter)) {
    FPrinter->SetDeviceMode(saved);
    return false;
  }
  ReadBack();
  return true;
}

TfrPrinter& frPrinter() {
  static TfrPrinter printer;
  if (printer.Printer() == nullptr) printer.SetPrinter(Printer());
  return printer;
}

// --- printing prepared pages -------------------------------------------------

std::vector<int> PagesToPrint(const TfrPrintRequest& request, int pageCount) {
  const std::vector<int> chosen = ParsePageNumbers(request.PageNumbers, pageCount);
  // Only a blank text means every page; one naming none prints none.
  if (chosen.empty() && request.PageNumbers.find_first_not_of(' ') != std::string::npos) return {};
  std::vector<int> once;
  for (int n = 1; n <= pageCount; ++n) {
    if (!chosen.empty() && std::find(chosen.begin(), chosen.end(), n) == chosen.end()) continue;
    if (request.PrintPages == ppOdd && n % 2 == 0) continue;
    if (request.PrintPages == ppEven && n % 2 == 1) continue;
    once.push_back(n);
  }
  if (!request.Collate) return once;
  std::vector<int> all;
  for (int c = 0; c < std::max(1, request.Copies); ++c)
    all.insert(all.end(), once.begin(), once.end());
  return all;
}

namespace {

bool SamePaper(const TfrEMFPage& page, const TfrPrinter& p) {
  const TPrinterOrientation o = page.pgOr ? poLandscape : poPortrait;
  if (page.pgSize != p.PaperSize || o != p.Orientation) return false;
  if (page.pgSize == kfrCustomPaper)
    return std::abs(page.pgWidth - p.PaperWidth) <= 1 &&
           std::abs(page.pgHeight - p.PaperHeight) <= 1;
  return true;
}

void SetUpFor(const TfrEMFPage& page) {
  frPrinter().SetPrinterInfo(page.pgSize, page.pgWidth, page.pgHeight,
                             page.pgOr ? poLandscape : poPortrait,
                             page.pgBin < 0 ? kfrKeepBin : page.pgBin, false);
}

// Where a page's objects go on the printer's canvas (origin at the
// printable area's corner).
TRect TargetRect(const TfrEMFPage& page, const TfrPrinter& p) {
  const TRect paper{-p.Offset.X, -p.Offset.Y, p.PaperPixels.cx - p.Offset.X,
                    p.PaperPixels.cy - p.Offset.Y};
  if (page.UseMargins) return paper;
  const TSize screen = page.ScreenSize();
  if (screen.cx <= 0 || screen.cy <= 0) return paper;
  const TRect& m = page.pgMargins;
  return TRect{MulDiv(m.Left, p.PaperPixels.cx, screen.cx) - p.Offset.X,
               MulDiv(m.Top, p.PaperPixels.cy, screen.cy) - p.Offset.Y,
               MulDiv(screen.cx - m.Right, p.PaperPixels.cx, screen.cx) - p.Offset.X,
               MulDiv(screen.cy - m.Bottom, p.PaperPixels.cy, screen.cy) - p.Offset.Y};
}

}  // namespace

void PrintPreparedPages(TfrReportBase& report, TfrEMFPages& pages, const TfrPrintRequest& request,
                        const std::function<void(int pageNo)>& progress) {
  if (pages.Count() == 0) return;
  const std::vector<int> order = PagesToPrint(request, pages.Count());
  if (order.empty()) return;
  TfrPrinter& p = frPrinter();
  TPrinter& printer = *p.Printer();
  SetUpFor(pages.Pages(order.front() - 1));
  printer.SetTitle(request.Title.empty() ? std::string("Untitled") : request.Title);
  printer.SetCopies(request.Collate ? 1 : std::max(1, request.Copies));
  printer.BeginDoc();
  try {
    bool first = true;
    for (int n : order) {
      TfrEMFPage& page = pages.Pages(n - 1);
      // A file cannot start again without losing what it holds, so there
      // the page keeps the paper of the job.
      if (!SamePaper(page, p) && printer.OutputFileName().empty()) {
        printer.EndDoc();
        SetUpFor(page);
        printer.SetCopies(request.Collate ? 1 : std::max(1, request.Copies));
        printer.BeginDoc();
      } else if (!first) {
        printer.NewPage();
      }
      first = false;
      pages.Draw(n - 1, *printer.Canvas(), TargetRect(page, p), true);
      if (progress) progress(n);
      if (report.Terminated) {
        printer.Abort();
        return;
      }
    }
    printer.EndDoc();
  } catch (...) {
    if (printer.Printing()) printer.Abort();
    throw;
  }
}
