#include "report/fr_pages.h"

#include <algorithm>
#include <cstdint>

#include "platform/base/exceptions.h"
#include "platform/base/math_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/recording_canvas.h"
#include "report/fr_data_dictionary.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_printer.h"
#include "report/fr_report.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

namespace {

constexpr std::uint8_t kTagPage = 0xFF;
constexpr std::uint8_t kTagDictionary = 0xFE;
constexpr std::uint8_t kTagEnd = 0xFD;

[[noreturn]] void Unsupported() { throw EReadError(LoadEngineString(frsUnsupportedFormat)); }

std::int64_t ReadEndPosition(TStream& stream) {
  const std::int64_t end = ReadI32(stream);
  if (end < stream.Position() || end > stream.Size()) Unsupported();
  return end;
}

void PatchEndPosition(TStream& stream, std::int64_t at) {
  const std::int64_t end = stream.Position();
  if (end > INT32_MAX) throw EWriteError(SWriteError);
  stream.SetPosition(at);
  WriteI32(stream, static_cast<std::int32_t>(end));
  stream.SetPosition(end);
}

std::string PrinterToStream(const std::string& name) {
  return name == LoadEngineString(frsVirtualPrinter) ? std::string("\x01") : name;
}

std::string PrinterFromStream(const std::string& name) {
  return name == "\x01" ? LoadEngineString(frsVirtualPrinter) : name;
}

// `base` plus `offset` truncated, both saturated at the engine's limit for
// scaled coordinates.
int Shifted(int base, double offset) {
  const double limited = std::clamp(offset, -double{kfrMaxScaled}, double{kfrMaxScaled});
  return static_cast<int>(std::clamp<std::int64_t>(
      std::int64_t{base} + static_cast<std::int64_t>(limited), -kfrMaxScaled, kfrMaxScaled));
}

}  // namespace

// --- TfrPages ---------------------------------------------------------------

TfrPage* TfrPages::Add() {
  FPages.push_back(CreateUnique<TfrPage>());
  return FPages.back().get();
}

std::string TfrPages::FreePageName() const {
  for (int n = 1; n <= 10000; ++n) {
    const std::string name = "Page" + IntToStr(n);
    bool used = false;
    for (const auto& p : FPages) used = used || AnsiSameText(p->Name, name);
    if (!used) return name;
  }
  return "Page";
}

void TfrPages::LoadFromStream(TStream& stream) {
  TfrCurrentReport current(&FReport);
  Clear();
  FReport.Dictionary().Clear();
  // Missing add-ins are collected here and reported once, after the load.
  frEngine().ErrorStr.clear();
  const bool errorFlag = frEngine().ErrorFlag;
  std::vector<std::string> missing;
  const std::int64_t start = stream.Position();
  try {
    int version = ReadU8(stream);
    if (version > frCurrentVersion) Unsupported();
    if (version < 21) {
      version = 21;
      stream.SetPosition(start);
    }
    TValueGuard scope(frEngine().Version, version);
    Settings.KeepPrinter = ReadBool2(stream);
    Settings.DoublePass = ReadBool2(stream);
    Settings.PrinterName = PrinterFromStream(ReadStringVersioned(stream));
    ReadItems(stream, version, missing);
  } catch (const EClassNotFound&) {
    Clear();
    frEngine().ErrorFlag = errorFlag;
    throw;
  } catch (const Exception&) {
    Clear();
    frEngine().ErrorFlag = errorFlag;
    Unsupported();
  }
  frEngine().ErrorFlag = errorFlag;
  frEngine().ErrorStr.clear();
  for (const auto& page : FPages)
    for (const auto& object : page->Objects) object->AfterLoad();
  if (!missing.empty()) {
    std::string names;
    for (const std::string& n : missing) names += n + "\r";
    throw EClassNotFound(names);
  }
}

void TfrPages::Reload(TStream& stream) {
  std::vector<TObjectPtr<TfrPage>> pages;
  pages.swap(FPages);
  TfrDataDictionary& dictionary = FReport.Dictionary();
  TStringList variables, aliases, sources;
  variables.SwapItems(dictionary.Variables);
  aliases.SwapItems(dictionary.FieldAliases);
  sources.SwapItems(dictionary.BandDataSources);
  const TfrTemplateSettings settings = Settings;
  bool loaded = false;
  TScopeExit kept([&] {
    if (loaded) return;
    FPages.swap(pages);
    dictionary.Clear();
    dictionary.Variables.SwapItems(variables);
    dictionary.FieldAliases.SwapItems(aliases);
    dictionary.BandDataSources.SwapItems(sources);
    Settings = settings;
  });
  LoadFromStream(stream);
  loaded = true;
}

void TfrPages::ReadItems(TStream& stream, int version, std::vector<std::string>& missing) {
  while (stream.Position() < stream.Size()) {
    const std::uint8_t tag = ReadU8(stream);
    if (tag == kTagEnd) return;
    if (tag == kTagPage) {
      TfrPage* page = Add();
      page->LoadFromStream(stream);
      if (version < 24) page->Name = FreePageName();
      continue;
    }
    if (tag == kTagDictionary) {
      FReport.Dictionary().LoadFromStream(stream);
      continue;
    }
    if (tag > gtAddIn) Unsupported();
    int type = tag;
    std::string className = type == gtAddIn ? ReadStringVersioned(stream) : std::string();
    const std::uint8_t pageIndex = ReadU8(stream);
    if (pageIndex >= Count()) Unsupported();
    const std::int64_t end = version > 23 ? ReadEndPosition(stream) : -1;
    bool skipFrame = false;
    const std::string upper = UpperCase(className);
    if (upper == "TFRBDELOOKUPCONTROL" || upper == "TFRIBXLOOKUPCONTROL") {
      className = "TfrDBLookupControl";
    } else if (upper == "TFRFRAMEDMEMOVIEW") {
      type = gtMemo;
      skipFrame = true;
    }
    TObjectPtr<TfrView> view;
    if (type > gtLine && type < gtAddIn) {
      if (end < 0) Unsupported();  // nothing reads the record: it cannot be skipped
    } else {
      try {
        view = CreateReportObject(type, className);
      } catch (const EClassNotFound&) {
        if (end < 0) throw;
        missing.push_back(className);
      }
    }
    if (view) {
      view->StreamMode = 0;
      view->LoadFromStream(stream);
      if (skipFrame) {
        CheckRemaining(stream, 8);
        stream.Seek(8, TSeekOrigin::soCurrent);
      }
      if (end >= 0 && stream.Position() > end) Unsupported();
      Pages(pageIndex)->Add(std::move(view));
    }
    if (end >= 0) stream.SetPosition(end);
  }
}

void TfrPages::SaveToStream(TStream& stream) {
  if (Count() > 256) throw EWriteError("A template holds at most 256 pages");
  WriteU8(stream, frCurrentVersion);
  WriteBool2(stream, Settings.KeepPrinter);
  WriteBool2(stream, Settings.DoublePass);
  WriteString(stream, PrinterToStream(Settings.PrinterName));
  for (const auto& page : FPages) {
    WriteU8(stream, kTagPage);
    page->SaveToStream(stream);
  }
  for (int p = 0; p < Count(); ++p) {
    for (const auto& view : Pages(p)->Objects) {
      WriteU8(stream, view->Typ);
      if (view->Typ == gtAddIn) WriteString(stream, view->ClassName());
      WriteU8(stream, static_cast<std::uint8_t>(p));
      const std::int64_t at = stream.Position();
      WriteI32(stream, 0);
      view->StreamMode = 0;
      view->SaveToStream(stream);
      PatchEndPosition(stream, at);
    }
  }
  WriteU8(stream, kTagDictionary);
  FReport.Dictionary().SaveToStream(stream);
}

void TfrPages::ResetBeforeBuild(TCanvas& scratch) {
  for (const auto& page : FPages)
    for (const auto& view : page->Objects)
      if (view->Typ == gtMemo && (view->Flags & flAutoWidth)) view->Draw(scratch);
}

// --- TfrEMFPages ------------------------------------------------------------

TSize TfrEMFPage::ScreenSize() const {
  return TSize{MulDiv(pgWidth, kScreenPixelsPerInch, 254),
               MulDiv(pgHeight, kScreenPixelsPerInch, 254)};
}

std::unique_ptr<TfrEMFPage> TfrEMFPages::MakeEntry(const TfrPage& templatePage) const {
  auto entry = std::make_unique<TfrEMFPage>();
  entry->pgSize = templatePage.pgSize;
  entry->pgWidth = templatePage.pgWidth;
  entry->pgHeight = templatePage.pgHeight;
  entry->pgOr = templatePage.pgOr;
  entry->pgBin = templatePage.pgBin;
  entry->UseMargins = templatePage.UseMargins;
  entry->pgMargins = templatePage.pgMargins;
  entry->Stream = std::make_unique<TMemoryStream>();
  // Pages of a report come out alike in size: room for the last one's
  // objects spares growing the stream step by step.
  if (!FPages.empty() && FPages.back()->Stream)
    entry->Stream->Reserve(FPages.back()->Stream->Size());
  WriteU8(*entry->Stream, frCurrentVersion);
  return entry;
}

void TfrEMFPages::Add(const TfrPage& templatePage) {
  FPages.push_back(MakeEntry(templatePage));
  const int pageNo = Count();
  FReport.BeginPage(pageNo);
  TfrReportBase* master = frEngine().MasterReport;
  if (master != nullptr && master != &FReport) master->BeginPage(pageNo);
}

void TfrEMFPages::Insert(int index, const TfrPage& templatePage) {
  index = std::clamp(index, 0, Count());
  FPages.insert(FPages.begin() + index, MakeEntry(templatePage));
}

void TfrEMFPages::Delete(int index) {
  if (index >= 0 && index < Count()) FPages.erase(FPages.begin() + index);
}

void TfrEMFPages::ObjectsToPage(int index) {
  TfrEMFPage& entry = Pages(index);
  if (entry.Page) return;
  auto page = CreateUnique<TfrPage>();
  TStream& s = *entry.Stream;
  s.SetPosition(0);
  try {
    const int version = ReadU8(s);
    if (version != frCurrentVersion) Unsupported();
    TValueGuard scope(frEngine().Version, version);
    TRecordingCanvas scratch;
    while (s.Position() < s.Size()) {
      const std::uint8_t type = ReadU8(s);
      const std::string className = type == gtAddIn ? ReadString(s) : std::string();
      TObjectPtr<TfrView> view = CreateReportObject(type, className);
      if (!view) Unsupported();
      view->StreamMode = 1;
      view->LoadFromStream(s);
      if (view->Typ == gtMemo && (view->Flags & flAutoWidth)) view->Draw(scratch);
      page->Add(std::move(view));
    }
  } catch (const Exception&) {
    Unsupported();
  }
  entry.Page = std::move(page);
}

void TfrEMFPages::PageToObjects(int index) {
  TfrEMFPage& entry = Pages(index);
  if (!entry.Page) return;
  auto stream = std::make_unique<TMemoryStream>();
  WriteU8(*stream, frCurrentVersion);
  for (const auto& view : entry.Page->Objects) view->WriteWithType(*stream);
  entry.Stream = std::move(stream);
}

void TfrEMFPages::Draw(int index, TCanvas& canvas, const TRect& rect, bool printer) {
  TfrEMFPage& entry = Pages(index);
  ObjectsToPage(index);
  const TSize size = entry.ScreenSize();
  const double kx = size.cx > 0 ? static_cast<double>(rect.Right - rect.Left) / size.cx : 1;
  const double ky = size.cy > 0 ? static_cast<double>(rect.Bottom - rect.Top) / size.cy : 1;
  {
    TValueGuard mode(frEngine().DocMode, dmPrinting);
    for (const auto& view : entry.Page->Objects) {
      view->ScaleX = kx;
      view->ScaleY = ky;
      view->OffsX = rect.Left;
      view->OffsY = rect.Top;
      if (!printer) {
        const TRect r{Shifted(rect.Left, view->x * kx) - 10, Shifted(rect.Top, view->y * ky) - 10,
                      Shifted(rect.Left, (view->x + view->dx) * kx) + 10,
                      Shifted(rect.Top, (view->y + view->dy) * ky) + 10};
        if (!canvas.RectVisible(r)) continue;
      }
      view->Draw(canvas);
    }
  }
  if (!entry.Visible) entry.Page.reset();
}

void TfrEMFPages::ExportData(int index) {
  ObjectsToPage(index);
  for (const auto& view : Pages(index).Page->Objects) view->ExportData();
}

bool TfrEMFPages::DoMouse(int index, TPoint pt, TCursor& cursor, bool click) {
  TfrEMFPage& entry = Pages(index);
  ObjectsToPage(index);
  const TSize size = entry.ScreenSize();
  double kx = 1, ky = 1;
  int ox = 0, oy = 0;
  if (!entry.UseMargins && size.cx > 0 && size.cy > 0) {
    const TRect& m = entry.pgMargins;
    kx = static_cast<double>(size.cx - m.Left - m.Right) / size.cx;
    ky = static_cast<double>(size.cy - m.Top - m.Bottom) / size.cy;
    ox = m.Left;
    oy = m.Top;
  }
  const auto& objects = entry.Page->Objects;
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    TfrView* v = it->get();
    const TRect r{Shifted(ox, v->x * kx), Shifted(oy, v->y * ky), Shifted(ox, (v->x + v->dx) * kx),
                  Shifted(oy, (v->y + v->dy) * ky)};
    if (pt.X >= r.Left && pt.X <= r.Right && pt.Y >= r.Top && pt.Y <= r.Bottom)
      return click ? FReport.ObjectClick(v) : FReport.MouseOverObject(v, cursor);
  }
  return false;
}

void TfrEMFPages::SaveToStream(TStream& stream) {
  const TfrPrinter& printer = frPrinter();
  const auto index = static_cast<std::size_t>(printer.PrinterIndex());
  PrinterName = index < printer.Printers().size() ? printer.Printers()[index] : std::string();
  WriteU8(stream, frCurrentVersion);
  WriteU8(stream, 0);
  WriteString(stream, PrinterToStream(PrinterName));
  WriteI32(stream, Count());
  for (const auto& entry : FPages) {
    const std::int64_t at = stream.Position();
    WriteI32(stream, 0);
    WriteU16(stream, static_cast<std::uint16_t>(entry->pgSize));
    WriteI32(stream, entry->pgWidth);
    WriteI32(stream, entry->pgHeight);
    WriteU8(stream, entry->pgOr);
    WriteI32(stream, entry->pgBin);
    WriteU8(stream, entry->UseMargins ? 1 : 0);
    WriteI32(stream, entry->pgMargins.Left);
    WriteI32(stream, entry->pgMargins.Top);
    WriteI32(stream, entry->pgMargins.Right);
    WriteI32(stream, entry->pgMargins.Bottom);
    entry->Stream->SetPosition(0);
    stream.CopyFrom(*entry->Stream, entry->Stream->Size());
    PatchEndPosition(stream, at);
  }
}

void TfrEMFPages::LoadFromStream(TStream& stream) {
  Clear();
  const std::int64_t start = stream.Position();
  try {
    int version = ReadU8(stream);
    if (version < 24 || version > 31) {
      version = 0;
      stream.SetPosition(start);
    }
    const std::uint8_t compression = ReadU8(stream);
    if (compression == 1) throw EReadError("Compressed prepared reports are not supported");
    if (compression >= 2 && compression != 255)
      throw EReadError("Prepared reports of the oldest layout are not supported");
    PrinterName = PrinterFromStream(ReadString(stream));
    const std::int32_t count = ReadI32(stream);
    // A page takes at least 4 + 2 + 4 + 4 + 1 + 1 bytes.
    if (count < 0 || count > (stream.Size() - stream.Position()) / 16) Unsupported();
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int64_t end = ReadEndPosition(stream);
      auto entry = std::make_unique<TfrEMFPage>();
      entry->pgSize = ReadU16(stream);
      entry->pgWidth = frCheckedValue(ReadI32(stream));
      entry->pgHeight = frCheckedValue(ReadI32(stream));
      entry->pgOr = ReadU8(stream);
      if (version > 23) entry->pgBin = ReadI32(stream);
      entry->UseMargins = ReadU8(stream) != 0;
      if (version > 23) {
        entry->pgMargins.Left = frCheckedValue(ReadI32(stream));
        entry->pgMargins.Top = frCheckedValue(ReadI32(stream));
        entry->pgMargins.Right = frCheckedValue(ReadI32(stream));
        entry->pgMargins.Bottom = frCheckedValue(ReadI32(stream));
      }
      if (stream.Position() > end) Unsupported();
      entry->Stream = std::make_unique<TMemoryStream>();
      entry->Stream->CopyFrom(stream, end - stream.Position());
      FPages.push_back(std::move(entry));
    }
  } catch (const Exception& e) {
    Clear();
    if (dynamic_cast<const EReadError*>(&e) != nullptr && e.Message() != SReadError) throw;
    Unsupported();
  }
  if (frReportHooks().SelectPrinter) frReportHooks().SelectPrinter(PrinterName);
}
