#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <cups/cups.h>
#include <cups/ppd.h>

#include "platform/draw/paper_bins.h"

#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_services.h"

namespace {

int Tenths(double mm) { return static_cast<int>(std::lround(mm * 10)); }

// The classic code of a paper of this size (either way round), or 0.
int CodeOfSize(int width, int height) {
  for (const TPaperInfo& p : StandardPapers()) {
    if (p.Code == DMPAPER_USER) continue;
    if (std::abs(p.Width - width) <= 2 && std::abs(p.Height - height) <= 2) return p.Code;
  }
  return 0;
}

QPageLayout LayoutFor(const TPrintJobSettings& s) {
  QPageSize size(QSizeF(s.PaperWidth / 10.0, s.PaperHeight / 10.0), QPageSize::Millimeter,
                 QString(), QPageSize::FuzzyMatch);
  const TPrinterCapabilities& c = s.Capabilities;
  bool landscape = s.Orientation == poLandscape;
  // Margins of the page as it lies, turned like TPrinter's geometry.
  QMarginsF margins = landscape
                          ? QMarginsF(c.MarginTop, c.MarginLeft, c.MarginBottom, c.MarginRight)
                          : QMarginsF(c.MarginLeft, c.MarginTop, c.MarginRight, c.MarginBottom);
  QPageLayout layout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     margins / 10.0, QPageLayout::Millimeter);
  return layout;
}

// The printer's trays as CUPS knows them: the InputSlot option of the
// queue's PPD (the driver's own names), or for a driverless queue the
// media-source values the printer reports. Empty when it lists none.
std::vector<TBinInfo> CupsBins(const std::string& printerName) {
  char ppdFile[1024] = "";
  time_t modified = 0;
  // The PPD interface is deprecated but is still how a driver names its trays.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const http_status_t status =
      cupsGetPPD3(CUPS_HTTP_DEFAULT, printerName.c_str(), &modified, ppdFile, sizeof ppdFile);
#pragma GCC diagnostic pop
  if (status == HTTP_STATUS_OK && ppdFile[0] != '\0') {
    std::ostringstream text;
    text << std::ifstream(ppdFile, std::ios::binary).rdbuf();
    std::remove(ppdFile);
    std::string defaultSlot;
    const std::vector<TInputSlot> trays = ParsePpdInputSlots(text.str(), &defaultSlot);
    if (!trays.empty()) return BinsFromSlots(trays, defaultSlot, "InputSlot");
  }
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printerName.c_str(), nullptr);
  if (dest == nullptr) return {};
  std::vector<TInputSlot> trays;
  std::string defaultSlot;
  if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
    ipp_attribute_t* supported =
        cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_SOURCE);
    for (int i = 0; i < ippGetCount(supported); ++i) {
      const char* keyword = ippGetString(supported, i, nullptr);
      if (keyword == nullptr) continue;
      const char* name =
          cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_SOURCE, keyword);
      trays.push_back({keyword, name != nullptr ? name : keyword});
    }
    if (ipp_attribute_t* def =
            cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_SOURCE))
      if (const char* keyword = ippGetString(def, 0, nullptr)) defaultSlot = keyword;
    cupsFreeDestInfo(info);
  }
  cupsFreeDests(1, dest);
  return BinsFromSlots(trays, defaultSlot, CUPS_MEDIA_SOURCE);
}

// The print engine's list of CUPS options (name, value, name, value ...).
// Qt keeps it under this key and hands it to CUPS with the job.
const QPrintEngine::PrintEnginePropertyKey kCupsOptions =
    static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);

// Sends the job to the tray of `s.Bin` when the printer names one.
void SelectTray(QPrinter& printer, const TPrintJobSettings& s) {
  for (const TBinInfo& bin : s.Capabilities.Bins) {
    if (bin.Code != s.Bin || bin.Option.empty()) continue;
    QStringList options = printer.printEngine()->property(kCupsOptions).toStringList();
    const QString option = QString::fromStdString(bin.Option);
    const qsizetype at = options.indexOf(option);
    if (at >= 0 && at % 2 == 0 && at + 1 < options.size())
      options[at + 1] = QString::fromStdString(bin.Keyword);
    else
      options << option << QString::fromStdString(bin.Keyword);
    printer.printEngine()->setProperty(kCupsOptions, options);
    return;
  }
}

class TQtPdfJob final : public IPrintJob {
 public:
  explicit TQtPdfJob(const TPrintJobSettings& s)
      : FFileName(s.OutputFileName), FWriter(QString::fromStdString(s.OutputFileName)) {
    FWriter.setResolution(s.Capabilities.DpiX);
    FWriter.setTitle(QString::fromStdString(s.Title));
    FWriter.setCreator(QStringLiteral("mebrath"));
    FWriter.setPageLayout(LayoutFor(s));
    // The painter's origin is the printable area's corner, as on a printer.
    FCanvas = std::make_unique<TQtCanvas>(&FWriter);
  }
  TCanvas& Canvas() override { return *FCanvas; }
  void NewPage() override {
    if (!FWriter.newPage()) throw EPrinter("Cannot start a new page in " + FFileName);
  }
  void EndDoc() override {
    FCanvas.reset();  // ends the painter: the file is written
    if (!QFile::exists(QString::fromStdString(FFileName)))
      throw EPrinter("Cannot write the file " + FFileName);
  }
  void Abort() override {
    FCanvas.reset();
    std::remove(FFileName.c_str());
  }

 private:
  std::string FFileName;
  QPdfWriter FWriter;
  std::unique_ptr<TQtCanvas> FCanvas;
};

class TQtPrinterJob final : public IPrintJob {
 public:
  explicit TQtPrinterJob(const TPrintJobSettings& s)
      : FPrinter(QPrinterInfo::printerInfo(QString::fromStdString(s.PrinterName)),
                 QPrinter::HighResolution) {
    FPrinter.setDocName(QString::fromStdString(s.Title));
    FPrinter.setCopyCount(s.Copies);
    FPrinter.setResolution(s.Capabilities.DpiX);
    FPrinter.setPageLayout(LayoutFor(s));
    FPrinter.setFullPage(false);
    SelectTray(FPrinter, s);
    FCanvas = std::make_unique<TQtCanvas>(&FPrinter);
  }
  TCanvas& Canvas() override { return *FCanvas; }
  void NewPage() override {
    if (!FPrinter.newPage()) throw EPrinter("Printing failed");
  }
  void EndDoc() override {
    FCanvas.reset();
    if (FPrinter.printerState() == QPrinter::Error) throw EPrinter("Printing failed");
  }
  void Abort() override {
    FPrinter.abort();
    FCanvas.reset();
  }

 private:
  QPrinter FPrinter;
  std::unique_ptr<TQtCanvas> FCanvas;
};

class TQtPrinterBackend final : public IPrinterBackend {
 public:
  std::vector<std::string> PrinterNames() override {
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames())
      names.push_back(name.toStdString());
    return names;
  }
  int DefaultPrinter() override {
    QString def = QPrinterInfo::defaultPrinterName();
    QStringList names = QPrinterInfo::availablePrinterNames();
    return def.isEmpty() ? -1 : static_cast<int>(names.indexOf(def));
  }
  TPrinterCapabilities Capabilities(const std::string& printerName) override {
    QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printerName));
    if (info.isNull()) throw EPrinter("Printer selected is not valid");
    TPrinterCapabilities caps;
    int own = DMPAPER_USER;
    for (const QPageSize& size : info.supportedPageSizes()) {
      QSizeF mm = size.size(QPageSize::Millimeter);
      int w = Tenths(mm.width());
      int h = Tenths(mm.height());
      int code = CodeOfSize(w, h);
      if (code == 0) code = ++own;
      bool seen = false;
      for (const TPaperInfo& p : caps.Papers) seen = seen || p.Code == code;
      if (seen) continue;
      const TPaperInfo* standard = FindStandardPaper(code);
      caps.Papers.push_back(
          {code, standard != nullptr ? standard->Name : size.name().toStdString(), w, h});
    }
    caps.Bins = CupsBins(printerName);
    if (caps.Bins.empty()) caps.Bins = {AutomaticBin()};
    caps.CustomPaper = info.supportsCustomPageSizes();
    QPrinter printer(info, QPrinter::HighResolution);
    caps.DpiX = caps.DpiY = printer.resolution() > 0 ? printer.resolution() : 600;
    printer.setPageSize(info.defaultPageSize());
    QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    caps.MarginLeft = Tenths(margins.left());
    caps.MarginTop = Tenths(margins.top());
    caps.MarginRight = Tenths(margins.right());
    caps.MarginBottom = Tenths(margins.bottom());
    return caps;
  }
  std::unique_ptr<IPrintJob> BeginJob(const TPrintJobSettings& settings) override {
    if (!settings.OutputFileName.empty()) return std::make_unique<TQtPdfJob>(settings);
    return std::make_unique<TQtPrinterJob>(settings);
  }
};

}  // namespace

std::unique_ptr<IPrinterBackend> MakeQtPrinterBackend() {
  return std::make_unique<TQtPrinterBackend>();
}
