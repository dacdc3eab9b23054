#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <cstdio>

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
    caps.Bins = {{DMBIN_AUTO, "Автоматический выбор"}};
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
