#include "grid/grid_printer.h"

#include "grid/grid_resources.h"
#include "platform/base/exceptions.h"
#include "platform/gui/forms.h"

bool TVirtualPrinter::Aborted() { return Printer()->Aborted(); }
TCanvas* TVirtualPrinter::Canvas() { return Printer()->Canvas(); }
int TVirtualPrinter::PixelsPerInchX() { return Printer()->GetDeviceCaps(LOGPIXELSX); }
const std::vector<std::string>& TVirtualPrinter::Fonts() { return Printer()->Fonts(); }
int TVirtualPrinter::PixelsPerInchY() { return Printer()->GetDeviceCaps(LOGPIXELSY); }
int TVirtualPrinter::Copies() { return Printer()->Copies(); }
TPrinterOrientation TVirtualPrinter::Orientation() { return Printer()->Orientation(); }
int TVirtualPrinter::PageHeight() { return Printer()->PageHeight(); }
int TVirtualPrinter::PageWidth() { return Printer()->PageWidth(); }
int TVirtualPrinter::PageWidthMillimetres() { return Printer()->GetDeviceCaps(HORZSIZE); }
bool TVirtualPrinter::Printing() { return Printer()->Printing(); }
std::string TVirtualPrinter::Title() { return Printer()->Title(); }
int TVirtualPrinter::PhysicalPageWidth() { return Printer()->GetDeviceCaps(PHYSICALWIDTH); }
int TVirtualPrinter::PhysicalPageHeight() { return Printer()->GetDeviceCaps(PHYSICALHEIGHT); }
int TVirtualPrinter::PrinterIndex() { return Printer()->PrinterIndex(); }
const std::vector<std::string>& TVirtualPrinter::Printers() { return Printer()->Printers(); }
int TVirtualPrinter::PrintableOffsetX() { return Printer()->GetDeviceCaps(PHYSICALOFFSETX); }
int TVirtualPrinter::PrintableOffsetY() { return Printer()->GetDeviceCaps(PHYSICALOFFSETY); }
void TVirtualPrinter::SetPrinterIndex(int value) { Printer()->SetPrinterIndex(value); }
void TVirtualPrinter::SetCopies(int value) { Printer()->SetCopies(value); }
void TVirtualPrinter::SetOrientation(TPrinterOrientation value) {
  Printer()->SetOrientation(value);
}
void TVirtualPrinter::SetTitle(const std::string& value) { Printer()->SetTitle(value); }
void TVirtualPrinter::Abort() { Printer()->Abort(); }
void TVirtualPrinter::BeginDoc() { Printer()->BeginDoc(); }
void TVirtualPrinter::EndDoc() { Printer()->EndDoc(); }
void TVirtualPrinter::NewPage() { Printer()->NewPage(); }
void TVirtualPrinter::GetPrinter(std::string& device, std::string& driver, std::string& port,
                                 TDeviceMode& mode) {
  Printer()->GetPrinter(device, driver, port, mode);
}
void TVirtualPrinter::SetPrinter(const std::string& device, const std::string& driver,
                                 const std::string& port, const TDeviceMode& mode) {
  Printer()->SetPrinter(device, driver, port, mode);
}

namespace {

std::unique_ptr<TVirtualPrinter>& Instance() {
  static std::unique_ptr<TVirtualPrinter> printer = std::make_unique<TVirtualPrinter>();
  return printer;
}

constexpr int kMaxUserCursor = 32767;
// The classic check-box bitmap: 4 x 3 glyphs of 13 x 13 pixels.
constexpr int kCheckBoxesBitmapWidth = 52;
constexpr int kCheckBoxesBitmapHeight = 39;

struct TPreviewCursors {
  int Magnifier = LoadCursorResourceEh("MAGNIFIEREH");
  int Hand = LoadCursorResourceEh("HANDEH");
};

const TPreviewCursors& PreviewCursors() {
  static const TPreviewCursors cursors;
  return cursors;
}

}  // namespace

TVirtualPrinter* VirtualPrinter() { return Instance().get(); }

std::unique_ptr<TVirtualPrinter> SetVirtualPrinter(std::unique_ptr<TVirtualPrinter> printer) {
  std::unique_ptr<TVirtualPrinter> old = std::move(Instance());
  Instance() = printer ? std::move(printer) : std::make_unique<TVirtualPrinter>();
  return old;
}

int LoadCursorResourceEh(std::string_view name) {
  HCURSOR cursor = GridCursor(name);
  const HCURSOR standard = Screen->Cursors(crDefault);
  int index = 1;
  while (Screen->Cursors(index) != standard) {
    if (++index > kMaxUserCursor) throw EOutOfResources("Too many user-defined cursors");
  }
  Screen->SetCursors(index, cursor);
  return index;
}

int MagnifierCursorEh() { return PreviewCursors().Magnifier; }
int HandCursorEh() { return PreviewCursors().Hand; }

TCheckBoxSizeEh CheckBoxGlyphSizeEh() {
  return {kCheckBoxesBitmapWidth / 4, kCheckBoxesBitmapHeight / 3};
}
