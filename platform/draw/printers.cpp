#include "platform/draw/printers.h"

#include <algorithm>
#include <cmath>

namespace {

std::unique_ptr<IPrinterBackend>& Backend() {
  static std::unique_ptr<IPrinterBackend> backend;
  return backend;
}

// Tenths of a millimetre to dots at `dpi`.
int Dots(int tenths, int dpi) { return static_cast<int>(std::lround(tenths * dpi / 254.0)); }

TPrinterCapabilities VirtualCapabilities() {
  TPrinterCapabilities caps;
  caps.Papers = StandardPapers();
  caps.Bins = {AutomaticBin()};
  caps.CustomPaper = true;
  return caps;
}

class TRecordingJob final : public IPrintJob {
 public:
  explicit TRecordingJob(std::shared_ptr<TRecordingPrinterBackend::TJob> job)
      : FJob(std::move(job)) {
    NewCanvas();
  }
  ~TRecordingJob() override {
    if (!FJob->Ended) FJob->Aborted = true;
  }
  TCanvas& Canvas() override { return *FCanvas; }
  void NewPage() override {
    FJob->Pages.push_back(FCanvas->TakeRecords());
    NewCanvas();
  }
  void EndDoc() override {
    FJob->Pages.push_back(FCanvas->TakeRecords());
    FJob->Ended = true;
  }
  void Abort() override { FJob->Aborted = true; }

 private:
  void NewCanvas() {
    const TPrintJobSettings& s = FJob->Settings;
    bool landscape = s.Orientation == poLandscape;
    int w = Dots(landscape ? s.PaperHeight : s.PaperWidth, s.Capabilities.DpiX);
    int h = Dots(landscape ? s.PaperWidth : s.PaperHeight, s.Capabilities.DpiY);
    FCanvas = std::make_unique<TRecordingCanvas>(Rect(0, 0, w, h));
  }

  std::shared_ptr<TRecordingPrinterBackend::TJob> FJob;
  std::unique_ptr<TRecordingCanvas> FCanvas;
};

}  // namespace

TBinInfo AutomaticBin() { return {DMBIN_AUTO, "Автоматический выбор"}; }

const std::vector<TPaperInfo>& StandardPapers() {
  static const std::vector<TPaperInfo> papers = {
      {1, "Letter 8 1/2 x 11\"", 2159, 2794},
      {2, "Letter Small 8 1/2 x 11\"", 2159, 2794},
      {3, "Tabloid 11 x 17\"", 2794, 4318},
      {4, "Ledger 17 x 11\"", 4318, 2794},
      {5, "Legal 8 1/2 x 14\"", 2159, 3556},
      {6, "Statement 5 1/2 x 8 1/2\"", 1397, 2159},
      {7, "Executive 7 1/4 x 10 1/2\"", 1842, 2667},
      {8, "A3 297 x 420 мм", 2970, 4200},
      {9, "A4 210 x 297 мм", 2100, 2970},
      {10, "A4 Small 210 x 297 мм", 2100, 2970},
      {11, "A5 148 x 210 мм", 1480, 2100},
      {12, "B4 (JIS) 257 x 364 мм", 2570, 3640},
      {13, "B5 (JIS) 182 x 257 мм", 1820, 2570},
      {14, "Folio 8 1/2 x 13\"", 2159, 3302},
      {15, "Quarto 215 x 275 мм", 2150, 2750},
      {16, "10 x 14\"", 2540, 3556},
      {17, "11 x 17\"", 2794, 4318},
      {18, "Note 8 1/2 x 11\"", 2159, 2794},
      {19, "Конверт #9 3 7/8 x 8 7/8\"", 984, 2254},
      {20, "Конверт #10 4 1/8 x 9 1/2\"", 1048, 2413},
      {21, "Конверт #11 4 1/2 x 10 3/8\"", 1143, 2635},
      {22, "Конверт #12 4 3/4 x 11\"", 1207, 2794},
      {23, "Конверт #14 5 x 11 1/2\"", 1270, 2921},
      {24, "C 17 x 22\"", 4318, 5588},
      {25, "D 22 x 34\"", 5588, 8636},
      {26, "E 34 x 44\"", 8636, 11176},
      {27, "Конверт DL 110 x 220 мм", 1100, 2200},
      {28, "Конверт C5 162 x 229 мм", 1620, 2290},
      {29, "Конверт C3 324 x 458 мм", 3240, 4580},
      {30, "Конверт C4 229 x 324 мм", 2290, 3240},
      {31, "Конверт C6 114 x 162 мм", 1140, 1620},
      {32, "Конверт C65 114 x 229 мм", 1140, 2290},
      {33, "Конверт B4 250 x 353 мм", 2500, 3530},
      {34, "Конверт B5 176 x 250 мм", 1760, 2500},
      {35, "Конверт B6 176 x 125 мм", 1760, 1250},
      {36, "Конверт 110 x 230 мм", 1100, 2300},
      {37, "Конверт Monarch 3 7/8 x 7 1/2\"", 984, 1905},
      {38, "Конверт 6 3/4 3 5/8 x 6 1/2\"", 921, 1651},
      {39, "US Std Fanfold 14 7/8 x 11\"", 3778, 2794},
      {40, "German Std Fanfold 8 1/2 x 12\"", 2159, 3048},
      {41, "German Legal Fanfold 8 1/2 x 13\"", 2159, 3302},
      {42, "B4 (ISO) 250 x 353 мм", 2500, 3530},
      {43, "Японская открытка 100 x 148 мм", 1000, 1480},
      {44, "9 x 11\"", 2286, 2794},
      {45, "10 x 11\"", 2540, 2794},
      {46, "15 x 11\"", 3810, 2794},
      {47, "Конверт Invite 220 x 220 мм", 2200, 2200},
      {50, "Letter Extra 9 1/2 x 12\"", 2413, 3048},
      {51, "Legal Extra 9 1/2 x 15\"", 2413, 3810},
      {52, "Tabloid Extra 11.69 x 18\"", 2969, 4572},
      {53, "A4 Extra 9.27 x 12.69\"", 2355, 3223},
      {54, "Letter Transverse 8 1/2 x 11\"", 2159, 2794},
      {55, "A4 Transverse 210 x 297 мм", 2100, 2970},
      {56, "Letter Extra Transverse 9 1/2 x 12\"", 2413, 3048},
      {57, "Super A 227 x 356 мм", 2270, 3560},
      {58, "Super B 305 x 487 мм", 3050, 4870},
      {59, "Letter Plus 8 1/2 x 12.69\"", 2159, 3223},
      {60, "A4 Plus 210 x 330 мм", 2100, 3300},
      {61, "A5 Transverse 148 x 210 мм", 1480, 2100},
      {62, "B5 (JIS) Transverse 182 x 257 мм", 1820, 2570},
      {63, "A3 Extra 322 x 445 мм", 3220, 4450},
      {64, "A5 Extra 174 x 235 мм", 1740, 2350},
      {65, "B5 (ISO) Extra 201 x 276 мм", 2010, 2760},
      {66, "A2 420 x 594 мм", 4200, 5940},
      {67, "A3 Transverse 297 x 420 мм", 2970, 4200},
      {68, "A3 Extra Transverse 322 x 445 мм", 3220, 4450},
      {256, "Особый размер", 0, 0},
  };
  return papers;
}

const TPaperInfo* FindStandardPaper(int code) {
  for (const TPaperInfo& p : StandardPapers())
    if (p.Code == code) return &p;
  return nullptr;
}

// ------------------------------------------------------ recording backend

TRecordingPrinterBackend::TRecordingPrinterBackend(std::vector<TDevice> devices, int defaultIndex)
    : FDevices(std::move(devices)), FDefault(defaultIndex) {}

std::vector<std::string> TRecordingPrinterBackend::PrinterNames() {
  std::vector<std::string> names;
  for (const TDevice& d : FDevices) names.push_back(d.Name);
  return names;
}

TPrinterCapabilities TRecordingPrinterBackend::Capabilities(const std::string& printerName) {
  for (const TDevice& d : FDevices)
    if (d.Name == printerName) return d.Capabilities;
  throw EPrinter("Printer selected is not valid");
}

std::unique_ptr<IPrintJob> TRecordingPrinterBackend::BeginJob(const TPrintJobSettings& settings) {
  auto job = std::make_shared<TJob>();
  job->Settings = settings;
  FJobs.push_back(job);
  return std::make_unique<TRecordingJob>(job);
}

std::unique_ptr<IPrinterBackend> SetPrinterBackend(std::unique_ptr<IPrinterBackend> backend) {
  std::swap(Backend(), backend);
  Printer()->Refresh();
  return backend;
}

// ---------------------------------------------------------------- TPrinter

TPrinter::TPrinter() = default;
TPrinter::~TPrinter() = default;

void TPrinter::EnsureList() {
  if (!FListed) Refresh();
}

void TPrinter::Refresh() {
  CheckNotPrinting();
  FPrinters = Backend() ? Backend()->PrinterNames() : std::vector<std::string>();
  FPrinters.push_back(kVirtualPrinterName);
  FListed = true;
  FIndex = -1;
  Select(-1);
}

const std::vector<std::string>& TPrinter::Printers() {
  EnsureList();
  return FPrinters;
}

const std::vector<std::string>& TPrinter::Fonts() const {
  static const std::vector<std::string> faces{
      "Arial", "Courier", "Courier New", "MS Sans Serif", "Tahoma", "Times New Roman", "Verdana"};
  return faces;
}

int TPrinter::PrinterIndex() {
  EnsureList();
  return FIndex;
}

bool TPrinter::IsVirtualPrinter() {
  return PrinterIndex() == static_cast<int>(FPrinters.size()) - 1;
}

void TPrinter::SetPrinterIndex(int value) {
  EnsureList();
  CheckNotPrinting();
  if (value < -1 || value >= static_cast<int>(FPrinters.size()))
    throw EPrinter("Printer selected is not valid");
  Select(value);
}

void TPrinter::Select(int index) {
  int last = static_cast<int>(FPrinters.size()) - 1;
  if (index == -1) {
    int def = Backend() ? Backend()->DefaultPrinter() : -1;
    index = def >= 0 && def < last ? def : last;
  }
  FCaps = index == last ? VirtualCapabilities() : Backend()->Capabilities(FPrinters[index]);
  if (FCaps.Papers.empty()) FCaps.Papers.push_back(*FindStandardPaper(DMPAPER_A4));
  if (FCaps.Bins.empty()) FCaps.Bins.push_back(AutomaticBin());
  FIndex = index;
  FMode = TDeviceMode();
  if (FindPaper(DMPAPER_A4) == nullptr) FMode.dmPaperSize = FCaps.Papers.front().Code;
  FMode.dmDefaultSource = FCaps.Bins.front().Code;
}

const TPrinterCapabilities& TPrinter::Capabilities() {
  EnsureList();
  return FCaps;
}

const TPaperInfo* TPrinter::FindPaper(int code) {
  for (const TPaperInfo& p : FCaps.Papers)
    if (p.Code == code) return &p;
  return nullptr;
}

TDeviceMode TPrinter::DeviceMode() {
  EnsureList();
  return FMode;
}

void TPrinter::SetDeviceMode(const TDeviceMode& mode) {
  EnsureList();
  CheckNotPrinting();
  TDeviceMode next = FMode;
  if (mode.dmFields & DM_PAPERSIZE) {
    bool custom = mode.dmPaperSize == DMPAPER_USER;
    const TPaperInfo* paper = FindPaper(mode.dmPaperSize);
    if ((custom && !FCaps.CustomPaper) || (!custom && paper == nullptr))
      throw EPrinter("Paper size is not supported");
    next.dmPaperSize = mode.dmPaperSize;
  }
  if (mode.dmFields & DM_PAPERLENGTH) next.dmPaperLength = mode.dmPaperLength;
  if (mode.dmFields & DM_PAPERWIDTH) next.dmPaperWidth = mode.dmPaperWidth;
  if (next.dmPaperSize == DMPAPER_USER && (next.dmPaperLength <= 0 || next.dmPaperWidth <= 0))
    throw EPrinter("Paper size is not supported");
  if (mode.dmFields & DM_ORIENTATION)
    next.dmOrientation =
        mode.dmOrientation == DMORIENT_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  if (mode.dmFields & DM_COPIES) next.dmCopies = std::max(1, mode.dmCopies);
  if (mode.dmFields & DM_DEFAULTSOURCE) {
    for (const TBinInfo& b : FCaps.Bins)
      if (b.Code == mode.dmDefaultSource) next.dmDefaultSource = b.Code;
  }
  FMode = next;
}

void TPrinter::GetPrinter(std::string& device, std::string& driver, std::string& port,
                          TDeviceMode& mode) {
  EnsureList();
  device = FPrinters[static_cast<std::size_t>(FIndex)];
  driver.clear();
  port.clear();
  mode = FMode;
}

void TPrinter::SetPrinter(const std::string& device, const std::string&, const std::string&,
                          const TDeviceMode& mode) {
  EnsureList();
  auto it = std::find(FPrinters.begin(), FPrinters.end(), device);
  SetPrinterIndex(it == FPrinters.end() ? static_cast<int>(FPrinters.size()) - 1
                                        : static_cast<int>(it - FPrinters.begin()));
  SetDeviceMode(mode);
}

TPrinterOrientation TPrinter::Orientation() {
  return DeviceMode().dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
  TDeviceMode mode;
  mode.dmFields = DM_ORIENTATION;
  mode.dmOrientation = value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  SetDeviceMode(mode);
}

int TPrinter::Copies() { return DeviceMode().dmCopies; }

void TPrinter::SetCopies(int value) {
  TDeviceMode mode;
  mode.dmFields = DM_COPIES;
  mode.dmCopies = value;
  SetDeviceMode(mode);
}

int TPrinter::PaperWidth() {
  EnsureList();
  bool custom = FMode.dmPaperSize == DMPAPER_USER;
  const TPaperInfo* p = FindPaper(FMode.dmPaperSize);
  int w = custom ? FMode.dmPaperWidth : p != nullptr ? p->Width : 0;
  int h = custom ? FMode.dmPaperLength : p != nullptr ? p->Height : 0;
  return FMode.dmOrientation == DMORIENT_LANDSCAPE ? h : w;
}

int TPrinter::PaperHeight() {
  EnsureList();
  bool custom = FMode.dmPaperSize == DMPAPER_USER;
  const TPaperInfo* p = FindPaper(FMode.dmPaperSize);
  int w = custom ? FMode.dmPaperWidth : p != nullptr ? p->Width : 0;
  int h = custom ? FMode.dmPaperLength : p != nullptr ? p->Height : 0;
  return FMode.dmOrientation == DMORIENT_LANDSCAPE ? w : h;
}

TPrinter::TGeometry TPrinter::Geometry() {
  bool landscape = Orientation() == poLandscape;
  // A landscape page is the portrait one turned: its margins swap axes.
  int left = landscape ? FCaps.MarginTop : FCaps.MarginLeft;
  int top = landscape ? FCaps.MarginLeft : FCaps.MarginTop;
  int right = landscape ? FCaps.MarginBottom : FCaps.MarginRight;
  int bottom = landscape ? FCaps.MarginRight : FCaps.MarginBottom;
  TGeometry g{};
  g.PhysicalWidth = Dots(PaperWidth(), FCaps.DpiX);
  g.PhysicalHeight = Dots(PaperHeight(), FCaps.DpiY);
  g.OffsetX = Dots(left, FCaps.DpiX);
  g.OffsetY = Dots(top, FCaps.DpiY);
  g.PrintableWidth = std::max(0, g.PhysicalWidth - g.OffsetX - Dots(right, FCaps.DpiX));
  g.PrintableHeight = std::max(0, g.PhysicalHeight - g.OffsetY - Dots(bottom, FCaps.DpiY));
  return g;
}

int TPrinter::GetDeviceCaps(int index) {
  EnsureList();
  TGeometry g = Geometry();
  switch (index) {
    case HORZSIZE:
      return static_cast<int>(std::lround(g.PrintableWidth * 25.4 / FCaps.DpiX));
    case VERTSIZE:
      return static_cast<int>(std::lround(g.PrintableHeight * 25.4 / FCaps.DpiY));
    case HORZRES:
      return g.PrintableWidth;
    case VERTRES:
      return g.PrintableHeight;
    case LOGPIXELSX:
      return FCaps.DpiX;
    case LOGPIXELSY:
      return FCaps.DpiY;
    case PHYSICALWIDTH:
      return g.PhysicalWidth;
    case PHYSICALHEIGHT:
      return g.PhysicalHeight;
    case PHYSICALOFFSETX:
      return g.OffsetX;
    case PHYSICALOFFSETY:
      return g.OffsetY;
    default:
      return 0;
  }
}

void TPrinter::CheckNotPrinting() const {
  if (FJob) throw EPrinter("Printing in progress");
}

void TPrinter::CheckPrinting() const {
  if (!FJob) throw EPrinter("Printer is not currently printing");
}

void TPrinter::BeginDoc() {
  EnsureList();
  CheckNotPrinting();
  bool toFile = !FOutputFileName.empty();
  if ((IsVirtualPrinter() && !toFile) || !Backend())
    throw EPrinter("Printer selected is not valid");
  TPrintJobSettings s;
  s.PrinterName = toFile ? std::string() : FPrinters[static_cast<std::size_t>(FIndex)];
  s.OutputFileName = FOutputFileName;
  s.Title = FTitle;
  s.Copies = FMode.dmCopies;
  s.Orientation = Orientation();
  s.PaperCode = FMode.dmPaperSize;
  bool landscape = s.Orientation == poLandscape;
  s.PaperWidth = landscape ? PaperHeight() : PaperWidth();
  s.PaperHeight = landscape ? PaperWidth() : PaperHeight();
  s.Bin = FMode.dmDefaultSource;
  s.Capabilities = FCaps;
  FAborted = false;
  FJob = Backend()->BeginJob(s);
  FPageNumber = 1;
}

void TPrinter::NewPage() {
  CheckPrinting();
  FJob->NewPage();
  ++FPageNumber;
}

void TPrinter::EndDoc() {
  CheckPrinting();
  std::unique_ptr<IPrintJob> job = std::move(FJob);
  FPageNumber = 0;
  job->EndDoc();
}

void TPrinter::Abort() {
  CheckPrinting();
  std::unique_ptr<IPrintJob> job = std::move(FJob);
  FPageNumber = 0;
  FAborted = true;
  job->Abort();
}

TCanvas* TPrinter::Canvas() { return FJob ? &FJob->Canvas() : &FMeasureCanvas; }

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}
