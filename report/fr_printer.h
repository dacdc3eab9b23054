// TfrPrinter: the report engine's view of the platform printer.
//
// It keeps the printer list (the desktop's printers, then the virtual
// printer), the papers and bins of the current printer and the page
// settings that templates and prepared pages carry: paper code (the
// classic codes, 9 = A4, 256 = custom), width and height in tenths of a
// millimetre as the page lies (swapped for landscape), orientation and bin
// (kfrKeepBin = leave the printer's bin alone). Applying settings writes
// them into the printer's device mode and reads back what the printer made
// of them, with the printable area and its offsets in device dots.
//
// The virtual printer knows every paper of the classic table. A custom
// paper keeps the size it was given; one of no size (and a code the table
// lacks) becomes A4, so no page ever has a zero size.
//
// PrintPreparedPages prints prepared pages: page selection, copies,
// collation and a change of paper in the middle of a job.
//
// One instance, frPrinter(), bound to the platform's Printer() on first
// use. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/draw/geometry.h"
#include "platform/draw/printers.h"

class TfrEMFPages;
class TfrReportBase;

inline constexpr int kfrKeepBin = 65535;
inline constexpr int kfrCustomPaper = DMPAPER_USER;

class TfrPrinter {
 public:
  TfrPrinter() = default;
  TfrPrinter(const TfrPrinter&) = delete;
  TfrPrinter& operator=(const TfrPrinter&) = delete;

  // Binds `printer`, lists its printers and selects its current one.
  void SetPrinter(TPrinter* printer);
  TPrinter* Printer() const { return FPrinter; }

  // The desktop's printers, then "Virtual printer".
  const std::vector<std::string>& Printers() const { return FPrinters; }
  int PrinterIndex() const { return FPrinterIndex; }
  // An installed printer takes its default settings and is read back; the
  // virtual printer takes the current page settings. An index outside the
  // list is ignored.
  void SetPrinterIndex(int value);
  int VirtualIndex() const { return FVirtualIndex; }
  bool IsVirtual() const { return FPrinterIndex == FVirtualIndex; }
  // Whether the desktop offers any printer (printing is offered only then).
  bool HasPrinters() const { return FVirtualIndex > 0; }

  // Papers of the current printer (names and codes side by side) and bins.
  std::vector<std::string> PaperNames;
  std::vector<int> PaperCodes;
  std::vector<std::string> BinNames;
  std::vector<int> BinCodes;

  // Page settings, read back from the printer.
  int PaperSize = DMPAPER_A4;
  int PaperWidth = 2100;
  int PaperHeight = 2970;
  TPrinterOrientation Orientation = poPortrait;
  int Bin = kfrKeepBin;
  // Geometry in device dots: the printable area's offsets from the paper's
  // corner, its size, the paper's size, and the resolution.
  TPoint Offset{0, 0};
  TSize PrintableSize{0, 0};
  TSize PaperPixels{0, 0};
  TPoint Dpi{600, 600};

  // Ignored while printing; unless `force`, ignored when the settings hold
  // already (same code and orientation; for a custom paper the size within
  // 1; otherwise the same bin, or kfrKeepBin). Else stores and applies them.
  void SetPrinterInfo(int pSize, int pWidth, int pHeight, TPrinterOrientation pOr, int pBin,
                      bool force);
  // The index of `code` among PaperCodes, or -1.
  int PaperIndex(int code) const;
  // Shows the page set-up for the current printer on a copy of its settings;
  // true when the user confirmed (the settings are read back then).
  bool PropertiesDialog();
  // The dialog PropertiesDialog shows: report/preview installs the
  // platform's printer set-up dialog when it is linked (fr_dialogs.cpp).
  // Empty, PropertiesDialog returns false and changes nothing.
  static std::function<bool(TPrinter&)>& PropertiesHandler();

 private:
  void EnsureBound();
  void ApplyToPrinter();
  void ApplyToVirtual();
  void ReadBack();
  void ReadGeometry();

  TPrinter* FPrinter = nullptr;
  std::vector<std::string> FPrinters;
  int FPrinterIndex = 0;
  int FVirtualIndex = 0;
};

// The one engine printer, bound to Printer() on first use.
TfrPrinter& frPrinter();

enum TfrPrintPages { ppAll, ppOdd, ppEven };

struct TfrPrintRequest {
  std::string PageNumbers;
  int Copies = 1;
  bool Collate = true;
  TfrPrintPages PrintPages = ppAll;
  std::string Title;
};

// The page numbers (from 1) that a request prints, once per copy when
// collated; not collated, each page once (the printer repeats it). Blank
// PageNumbers: every page; numbers naming no page of the report: none.
std::vector<int> PagesToPrint(const TfrPrintRequest& request, int pageCount);

// Prints `pages` on frPrinter()'s printer (a PDF file when the platform
// printer has an OutputFileName). After each page `progress` (when set)
// hears the page number; a report with Terminated set aborts the job.
// Raises EPrinter as the platform printer does; the job is aborted then.
void PrintPreparedPages(TfrReportBase& report, TfrEMFPages& pages, const TfrPrintRequest& request,
                        const std::function<void(int pageNo)>& progress = {});
