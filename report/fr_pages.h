// Template pages and prepared pages, and the two files that hold them.
//
// Template (.frf):
//   u8 version (24 written; below 21 means no version byte: version 21,
//   read from the start; above 24 refused), u16 Boolean keep-printer,
//   u16 Boolean DoublePass, printer name (string; 0x01 stands for the
//   virtual printer), then tagged items:
//     FF page record (fr_page.h)        FE dictionary (fr_data_dictionary.h)
//     FD end                            11..252 invalid
//     0..10 object: type, [class name for 10], u8 page index, [i32 end
//           position, version > 23], the object's record
//   Written: pages, then objects page by page, then FE and the dictionary.
//
// Prepared page object stream: u8 24, then per object its type byte,
// [class name for 10] and its record in prepared mode.
//
// Prepared report (.frp): u8 version 24, u8 compression (0), printer name,
// i32 page count, per page: i32 end position (back-patched), u16 paper,
// i32 width, i32 height, u8 orientation, i32 bin, u8 use margins, 4 x i32
// margins, the object stream.
//
// Readers check every length, count, index and end position against the
// stream: a damaged file fails with EReadError "Unsupported FRF format" and
// never crashes, hangs or allocates beyond the stream's size.
//
// GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/stream.h"
#include "platform/draw/canvas.h"
#include "platform/draw/cursors.h"
#include "report/fr_page.h"

class TfrReportBase;

inline constexpr std::uint8_t frCurrentVersion = 24;

// Settings of the report stored in the template's head.
struct TfrTemplateSettings {
  bool KeepPrinter = false;
  bool DoublePass = false;
  std::string PrinterName;
};

class TfrPages {
 public:
  explicit TfrPages(TfrReportBase& report) : FReport(report) {}

  int Count() const { return static_cast<int>(FPages.size()); }
  // REQUIRES: 0 <= index < Count().
  TfrPage* Pages(int index) const { return FPages[static_cast<std::size_t>(index)].get(); }
  void Clear() { FPages.clear(); }
  // A new report page: default paper, portrait, no bin.
  TfrPage* Add();

  TfrTemplateSettings Settings;

  // Reads a whole template into the pages and the report's dictionary.
  // Raises EReadError "Unsupported FRF format" for a damaged or newer
  // template (the pages are then empty), and EClassNotFound listing the
  // add-in classes that are not registered (their objects are skipped,
  // the rest is loaded).
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);
  // Reads back a template that SaveToStream wrote, as LoadFromStream does.
  // When the read fails, the pages, settings and dictionary in hand stay as
  // they were and its error is raised.
  void Reload(TStream& stream);

  // Before each build: text objects with AutoWidth are drawn once on
  // `scratch`, so they settle their width.
  void ResetBeforeBuild(TCanvas& scratch);

 private:
  void ReadItems(TStream& stream, int version, std::vector<std::string>& missing);
  std::string FreePageName() const;
  TfrReportBase& FReport;
  std::vector<TObjectPtr<TfrPage>> FPages;
};

// Does nothing: prepared pages are never compressed here.
class TfrCompressor {
 public:
  virtual ~TfrCompressor() = default;
  bool Enabled = false;
  virtual void Compress(TStream& source, TStream& dest) { (void)source, (void)dest; }
  virtual void DeCompress(TStream& source, TStream& dest) { (void)source, (void)dest; }
};

struct TfrEMFPage {
  int pgSize = kDefaultPaper;
  int pgWidth = kDefaultPageWidth;
  int pgHeight = kDefaultPageHeight;
  std::uint8_t pgOr = 0;
  int pgBin = -1;
  bool UseMargins = true;
  TRect pgMargins{0, 0, 0, 0};
  // Printable and full sizes and offsets in printer and screen units, as
  // the printer reported them when the page was made.
  std::array<int, 12> PrnInfo{};
  bool Visible = false;  // being shown
  std::unique_ptr<TMemoryStream> Stream;
  TObjectPtr<TfrPage> Page;  // built from Stream on demand

  TSize ScreenSize() const;
};

class TfrEMFPages {
 public:
  explicit TfrEMFPages(TfrReportBase& report) : FReport(report) {}

  // The printer of the file: saving writes the current printer's name,
  // loading selects the named printer when it is installed (the report's
  // SelectPrinter hook).
  std::string PrinterName;

  int Count() const { return static_cast<int>(FPages.size()); }
  // REQUIRES: 0 <= index < Count() here and below.
  TfrEMFPage& Pages(int index) { return *FPages[static_cast<std::size_t>(index)]; }
  void Clear() { FPages.clear(); }
  // Appends a page with the template page's paper and an empty object
  // stream; the report (and a different master report) hears BeginPage.
  void Add(const TfrPage& templatePage);
  void Insert(int index, const TfrPage& templatePage);
  void Delete(int index);
  // Builds the page object from the stream (nothing when built). Raises
  // EReadError "Unsupported FRF format" for a damaged stream.
  void ObjectsToPage(int index);
  // Writes the page object back into the stream.
  void PageToObjects(int index);
  // Draws the page scaled into `rect`; objects outside the clip are
  // skipped unless `printer`. A page not being shown frees its objects.
  void Draw(int index, TCanvas& canvas, const TRect& rect, bool printer = false);
  void ExportData(int index);
  // Hit-tests from the topmost object down and calls the report's click or
  // mouse-over handler; true when an assigned handler was called.
  bool DoMouse(int index, TPoint pt, TCursor& cursor, bool click);

  // .frp. Readers raise EReadError ("Unsupported FRF format", or the
  // refusal of a compressed or legacy file); the list is then empty.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);

 private:
  std::unique_ptr<TfrEMFPage> MakeEntry(const TfrPage& templatePage) const;
  TfrReportBase& FReport;
  std::vector<std::unique_ptr<TfrEMFPage>> FPages;
};
