// The printer: TPrinter and the program's one instance, Printer().
//
// The printer list is the desktop's printers (from a replaceable backend,
// installed by InstallQtServices at start-up; the Qt one asks CUPS through
// QPrinterInfo; without one there are none) followed by the "Virtual
// printer", which needs no device: it always exists, knows every paper of
// the classic paper table at 600 dots per inch with no unprintable
// margins, and is the current printer when the desktop has none.
//
// Page settings follow the classic device mode (TDeviceMode): a paper code
// (DMPAPER_*, 1 Letter ... 9 A4 ... 256 custom with its length and width in
// tenths of a millimetre), orientation, copies and paper bin. Selecting a
// printer gives it its default settings (A4 when it has it, else its first
// paper). Geometry (GetDeviceCaps) is in device dots: the physical page,
// the printable area and its offsets, all for the current orientation.
//
// Printing: BeginDoc starts a job on the current printer, or a PDF file
// when OutputFileName is set (any printer's geometry, the virtual one's
// too); Canvas() then draws the current page in device dots with the
// origin at the printable area's top-left; NewPage, EndDoc and Abort as
// classic. Canvas() may be another object after NewPage: fetch it again
// for each page. Outside a job it is a measuring canvas that prints
// nothing. Failures raise EPrinter. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/draw/canvas.h"
#include "platform/draw/recording_canvas.h"

class EPrinter : public Exception {
 public:
  using Exception::Exception;
};

// Paper codes (a few; the table has them all).
inline constexpr int DMPAPER_LETTER = 1;
inline constexpr int DMPAPER_LEGAL = 5;
inline constexpr int DMPAPER_A3 = 8;
inline constexpr int DMPAPER_A4 = 9;
inline constexpr int DMPAPER_A5 = 11;
inline constexpr int DMPAPER_B5 = 13;
inline constexpr int DMPAPER_USER = 256;
// Bins.
inline constexpr int DMBIN_UPPER = 1;
inline constexpr int DMBIN_LOWER = 2;
inline constexpr int DMBIN_MANUAL = 4;
inline constexpr int DMBIN_MIDDLE = 3;
inline constexpr int DMBIN_ENVELOPE = 5;
inline constexpr int DMBIN_AUTO = 7;
inline constexpr int DMBIN_LARGECAPACITY = 11;
inline constexpr int DMBIN_CASSETTE = 14;
inline constexpr int DMBIN_USER = 256;  // the device's own trays from here
// Orientation in a device mode.
inline constexpr int DMORIENT_PORTRAIT = 1;
inline constexpr int DMORIENT_LANDSCAPE = 2;
// Fields present in a device mode.
inline constexpr unsigned DM_ORIENTATION = 0x0001;
inline constexpr unsigned DM_PAPERSIZE = 0x0002;
inline constexpr unsigned DM_PAPERLENGTH = 0x0004;
inline constexpr unsigned DM_PAPERWIDTH = 0x0008;
inline constexpr unsigned DM_COPIES = 0x0100;
inline constexpr unsigned DM_DEFAULTSOURCE = 0x0200;
// GetDeviceCaps indexes.
inline constexpr int HORZSIZE = 4;  // printable width in millimetres
inline constexpr int VERTSIZE = 6;  // printable height in millimetres
inline constexpr int HORZRES = 8;   // printable width in dots
inline constexpr int VERTRES = 10;  // printable height in dots
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int PHYSICALWIDTH = 110;
inline constexpr int PHYSICALHEIGHT = 111;
inline constexpr int PHYSICALOFFSETX = 112;
inline constexpr int PHYSICALOFFSETY = 113;

inline constexpr const char* kVirtualPrinterName = "Virtual printer";

enum TPrinterOrientation { poPortrait, poLandscape };

// A paper: its code, display name and portrait size in tenths of a mm.
struct TPaperInfo {
  int Code = 0;
  std::string Name;
  int Width = 0;
  int Height = 0;
};
// The classic paper table: codes 1-47, 50-68 and 256 (custom, 0 x 0).
const std::vector<TPaperInfo>& StandardPapers();
// The table's entry for `code`, or null.
const TPaperInfo* FindStandardPaper(int code);

// A paper tray: its classic bin code and display name, and how the print
// system selects it (the option and its value, as "InputSlot" "Tray2" or
// "media-source" "tray-2"); no option for a printer's automatic choice.
struct TBinInfo {
  TBinInfo() = default;
  TBinInfo(int code, std::string name, std::string option = {}, std::string keyword = {})
      : Code(code), Name(std::move(name)), Option(std::move(option)), Keyword(std::move(keyword)) {}
  int Code = 0;
  std::string Name;
  std::string Option;
  std::string Keyword;
};
// "Автоматический выбор": the only bin of a printer that lists no trays.
TBinInfo AutomaticBin();

// The page settings of a printer, as the classic device mode kept them.
struct TDeviceMode {
  unsigned dmFields =
      DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_DEFAULTSOURCE;
  int dmOrientation = DMORIENT_PORTRAIT;
  int dmPaperSize = DMPAPER_A4;
  int dmPaperLength = 0;  // tenths of a mm; used for DMPAPER_USER
  int dmPaperWidth = 0;
  int dmCopies = 1;
  int dmDefaultSource = DMBIN_AUTO;
};

// What a printer offers.
struct TPrinterCapabilities {
  std::vector<TPaperInfo> Papers;  // codes above 256 are the device's own papers
  std::vector<TBinInfo> Bins;
  bool CustomPaper = false;  // takes DMPAPER_USER
  int DpiX = 600;
  int DpiY = 600;
  // Unprintable margins of a portrait page, tenths of a mm.
  int MarginLeft = 0;
  int MarginTop = 0;
  int MarginRight = 0;
  int MarginBottom = 0;
};

// What a job is asked to print on.
struct TPrintJobSettings {
  std::string PrinterName;     // empty for a PDF file
  std::string OutputFileName;  // set: write a PDF file there
  std::string Title;
  int Copies = 1;
  TPrinterOrientation Orientation = poPortrait;
  int PaperCode = DMPAPER_A4;
  int PaperWidth = 2100;  // portrait, tenths of a mm
  int PaperHeight = 2970;
  int Bin = DMBIN_AUTO;
  TPrinterCapabilities Capabilities;  // the printer's (dpi, margins)
};

class IPrintJob {
 public:
  virtual ~IPrintJob() = default;
  // The current page's canvas (device dots, origin at the printable
  // area's top-left).
  virtual TCanvas& Canvas() = 0;
  virtual void NewPage() = 0;
  // Finishes the document and hands it over; raises EPrinter on failure.
  virtual void EndDoc() = 0;
  // Throws the document away.
  virtual void Abort() = 0;
};

class IPrinterBackend {
 public:
  virtual ~IPrinterBackend() = default;
  virtual std::vector<std::string> PrinterNames() = 0;
  // The index of the desktop's default printer in PrinterNames, or -1.
  virtual int DefaultPrinter() = 0;
  virtual TPrinterCapabilities Capabilities(const std::string& printerName) = 0;
  // Starts a job (a PDF file when OutputFileName is set); raises EPrinter
  // when it cannot.
  virtual std::unique_ptr<IPrintJob> BeginJob(const TPrintJobSettings& settings) = 0;
};

// A backend for tests and headless runs: the printers it is given, and
// jobs kept in memory, each page a recording.
class TRecordingPrinterBackend : public IPrinterBackend {
 public:
  struct TJob {
    TPrintJobSettings Settings;
    std::vector<std::vector<TCanvasRecord>> Pages;
    bool Ended = false;
    bool Aborted = false;
  };
  struct TDevice {
    std::string Name;
    TPrinterCapabilities Capabilities;
  };
  explicit TRecordingPrinterBackend(std::vector<TDevice> devices = {}, int defaultIndex = -1);
  // Every job begun, in order; kept by the backend.
  const std::vector<std::shared_ptr<TJob>>& Jobs() const { return FJobs; }

  // IPrinterBackend
  std::vector<std::string> PrinterNames() override;
  int DefaultPrinter() override { return FDefault; }
  TPrinterCapabilities Capabilities(const std::string& printerName) override;
  std::unique_ptr<IPrintJob> BeginJob(const TPrintJobSettings& settings) override;

 private:
  std::vector<TDevice> FDevices;
  int FDefault;
  std::vector<std::shared_ptr<TJob>> FJobs;
};

// Installs the backend (null: no desktop printers and no jobs) and makes
// Printer() read its list again. Returns the old backend.
std::unique_ptr<IPrinterBackend> SetPrinterBackend(std::unique_ptr<IPrinterBackend> backend);

class TPrinter {
 public:
  TPrinter();
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // --- choosing the printer
  // The desktop's printers, then the virtual printer.
  const std::vector<std::string>& Printers();
  // Reads the list again and selects the default printer.
  void Refresh();
  int PrinterIndex();
  // -1 selects the desktop's default (the virtual printer when none).
  // Raises EPrinter "Printer selected is not valid" for an index outside
  // the list, "Printing in progress" while printing.
  void SetPrinterIndex(int value);
  bool IsVirtualPrinter();
  // The font faces every printer prints with, sorted: the Windows faces
  // that map to the fonts the program draws with (MapFontFace).
  const std::vector<std::string>& Fonts() const;
  const TPrinterCapabilities& Capabilities();
  const std::vector<TPaperInfo>& Papers() { return Capabilities().Papers; }
  const std::vector<TBinInfo>& Bins() { return Capabilities().Bins; }

  // --- page settings (of the current printer)
  TDeviceMode DeviceMode();
  // Takes the fields dmFields marks. A paper code the printer lacks (or
  // a custom one it cannot take, or of no size) raises EPrinter "Paper
  // size is not supported"; a bin it lacks is ignored. Raises EPrinter
  // "Printing in progress" while printing.
  void SetDeviceMode(const TDeviceMode& mode);
  // The classic pair: the printer's name and its device mode; SetPrinter
  // selects the printer of that name (the virtual one when it is not in
  // the list) and applies the mode. Driver and port are empty here.
  void GetPrinter(std::string& device, std::string& driver, std::string& port, TDeviceMode& mode);
  void SetPrinter(const std::string& device, const std::string& driver, const std::string& port,
                  const TDeviceMode& mode);
  TPrinterOrientation Orientation();
  void SetOrientation(TPrinterOrientation value);
  int Copies();
  void SetCopies(int value);
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  // Empty: print on the printer; otherwise write a PDF file there.
  const std::string& OutputFileName() const { return FOutputFileName; }
  void SetOutputFileName(const std::string& value) { FOutputFileName = value; }

  // --- geometry, in device dots for the current settings
  int GetDeviceCaps(int index);
  int PageWidth() { return GetDeviceCaps(HORZRES); }
  int PageHeight() { return GetDeviceCaps(VERTRES); }
  // The paper's size in tenths of a mm, turned for the orientation.
  int PaperWidth();
  int PaperHeight();

  // --- printing
  // Raises EPrinter "Printing in progress" while printing, "Printer
  // selected is not valid" on the virtual printer without an
  // OutputFileName, or what the backend raises.
  void BeginDoc();
  // REQUIRES Printing; else EPrinter "Printer is not currently printing".
  void NewPage();
  void EndDoc();
  // Throws the document away; Aborted is true until the next BeginDoc.
  void Abort();
  bool Printing() const { return FJob != nullptr; }
  bool Aborted() const { return FAborted; }
  // 1 on the first page.
  int PageNumber() const { return FPageNumber; }
  TCanvas* Canvas();

 private:
  struct TGeometry {
    int PhysicalWidth, PhysicalHeight, OffsetX, OffsetY, PrintableWidth, PrintableHeight;
  };
  void EnsureList();
  void Select(int index);
  void CheckNotPrinting() const;
  void CheckPrinting() const;
  TGeometry Geometry();
  const TPaperInfo* FindPaper(int code);

  bool FListed = false;
  std::vector<std::string> FPrinters;
  int FIndex = -1;
  TPrinterCapabilities FCaps;
  TDeviceMode FMode;
  std::string FTitle;
  std::string FOutputFileName;
  std::unique_ptr<IPrintJob> FJob;
  bool FAborted = false;
  int FPageNumber = 0;
  TRecordingCanvas FMeasureCanvas;
};

TPrinter* Printer();
