// What grid printing talks to: a printer wrapper that forwards to the
// platform's printer (a descendant put in its place redirects printing),
// the page header and footer macros, the preview window's cursors and the
// size of one check-box glyph. Nothing in the program prints a grid yet;
// these are the pieces such printing stands on. GUI thread only.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/printers.h"

class TCanvas;

class TVirtualPrinter {
 public:
  virtual ~TVirtualPrinter() = default;

  virtual bool Aborted();
  virtual TCanvas* Canvas();
  virtual int PixelsPerInchX();  // the printer's dots per inch across
  virtual const std::vector<std::string>& Fonts();
  virtual int PixelsPerInchY();  // and down
  virtual int Copies();
  virtual TPrinterOrientation Orientation();
  virtual int PageHeight();
  virtual int PageWidth();
  virtual int PageWidthMillimetres();
  virtual bool Printing();
  virtual std::string Title();
  virtual int PhysicalPageWidth();   // the whole sheet, in dots
  virtual int PhysicalPageHeight();  // (page size plus margins)
  virtual int PrinterIndex();
  virtual const std::vector<std::string>& Printers();
  virtual int PrintableOffsetX();  // where the printable area starts, in dots
  virtual int PrintableOffsetY();
  virtual void SetPrinterIndex(int value);
  virtual void SetCopies(int value);
  virtual void SetOrientation(TPrinterOrientation value);
  virtual void SetTitle(const std::string& value);
  virtual void Abort();
  virtual void BeginDoc();
  virtual void EndDoc();
  virtual void NewPage();
  virtual void GetPrinter(std::string& device, std::string& driver, std::string& port,
                          TDeviceMode& mode);
  virtual void SetPrinter(const std::string& device, const std::string& driver,
                          const std::string& port, const TDeviceMode& mode);
};

// The program's one wrapper; SetVirtualPrinter puts another in its place
// (null: a plain TVirtualPrinter again) and returns the old one.
TVirtualPrinter* VirtualPrinter();
std::unique_ptr<TVirtualPrinter> SetVirtualPrinter(std::unique_ptr<TVirtualPrinter> printer);

// Page header and footer macros, with their names for a user.
inline constexpr std::array<std::string_view, 6> kPrintMacrosEh = {
    "&[Page]", "&[ShortDate]", "&[Date]", "&[LongDate]", "&[Time]", "&[Pages]"};
inline constexpr std::array<std::string_view, 6> kPrintMacroNamesEh = {
    "Page number", "Short date", "Date", "Long date", "Time", "Page count"};

// Registers the cursor of resource `name` at the first free user index
// from 1 (free: the screen still gives the default cursor there) and
// returns the index. Raises EOutOfResources "Cannot load cursor resource"
// for an unknown name and "Too many user-defined cursors" past 32767.
int LoadCursorResourceEh(std::string_view name);

// The preview's cursors, "MAGNIFIEREH" and "HANDEH", loaded on first use
// (the magnifier first).
int MagnifierCursorEh();
int HandCursorEh();

// One check-box glyph: the system's check-box bitmap is four glyphs across
// and three down.
struct TCheckBoxSizeEh {
  int Width;
  int Height;
};
TCheckBoxSizeEh CheckBoxGlyphSizeEh();
