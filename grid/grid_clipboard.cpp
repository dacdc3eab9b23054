#include "grid/grid_clipboard.h"

#include <string>
#include <utility>
#include <vector>

#include "grid/export_rtf.h"
#include "grid/export_text.h"
#include "grid/export_vcldbif.h"
#include "platform/base/scope_guard.h"
#include "platform/gui/clipboard.h"

namespace {

// A memory stream whose bytes can be taken over, not copied out.
class TTakeableStream final : public TMemoryStream {
 public:
  std::string Take() {
    FPosition = 0;
    return std::move(FData);
  }
};

struct TFormats {
  unsigned Vcldbif = RegisterClipboardFormat("VCLDBIF");
  unsigned Csv = RegisterClipboardFormat("text/csv");
  unsigned Rtf = RegisterClipboardFormat("text/rtf");
  unsigned RtfApplication = RegisterClipboardFormat("application/rtf");
};

const TFormats& Formats() {
  static const TFormats formats;
  return formats;
}

}  // namespace

unsigned VCLDBIFClipboardFormat() { return Formats().Vcldbif; }
unsigned CsvClipboardFormat() { return Formats().Csv; }
unsigned RtfClipboardFormat() { return Formats().Rtf; }
unsigned RtfApplicationClipboardFormat() { return Formats().RtfApplication; }

void DBGridEh_DoCopyAction(TCustomDBGridEh* grid, bool forWholeGrid) {
  TDataSet* ds = grid->DataLink()->DataSet();
  if (ds == nullptr || !ds->Active()) return;
  const TGridSelectionEh selection = GridSelectionEh(grid, forWholeGrid);
  if (selection.Kind == gstNon) return;
  // Everything is made before the clipboard is touched, so that a failure
  // leaves the clipboard as it was.
  TDBGridEhExportAsText textExport;
  TDBGridEhExportAsCSV csvExport;
  TDBGridEhExportAsRTF rtfExport;
  TDBGridEhExportAsVCLDBIF vcldbifExport;
  TTakeableStream textStream, csvStream, rtfStream, vcldbifStream;
  const std::vector<TExportJobEh> jobs = {{&textExport, &textStream},
                                          {&csvExport, &csvStream},
                                          {&rtfExport, &rtfStream},
                                          {&vcldbifExport, &vcldbifStream}};
  for (const TExportJobEh& job : jobs) {
    job.Export->SetDBGrid(grid);
    job.Export->SetTextCoding(TExportTextCodingEh::Utf8);
  }
  ExportSelectionTogether(jobs, selection);
  std::string text = textStream.Take();
  std::string csv = csvStream.Take();
  // One block under both of RTF's names.
  const TClipboardBytes rtf(rtfStream.Take());
  std::string vcldbif = vcldbifStream.Take();
  if (vcldbif.empty()) return;
  TClipboard& clipboard = Clipboard();
  clipboard.Open();
  TScopeExit close([&clipboard] { clipboard.Close(); });
  clipboard.Clear();
  clipboard.SetAsText(std::move(text));
  clipboard.SetBuffer(Formats().Csv, std::move(csv));
  clipboard.SetBuffer(Formats().Rtf, rtf);
  clipboard.SetBuffer(Formats().RtfApplication, rtf);
  clipboard.SetBuffer(Formats().Vcldbif, std::move(vcldbif));
}

void DBGridEh_DoPasteAction(TCustomDBGridEh* grid, bool forWholeGrid) {
  TClipboard& clipboard = Clipboard();
  // An empty payload (another program's, or an empty copy) holds no rows:
  // the text is read instead.
  const std::string bytes = clipboard.HasFormat(Formats().Vcldbif)
                                ? clipboard.GetBuffer(Formats().Vcldbif)
                                : std::string();
  if (!bytes.empty()) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    ReadDBGridEhFromImportStream<TDBGridEhImportAsVCLDBIF>(stream, grid, forWholeGrid);
  } else if (clipboard.HasFormat(CF_TEXT)) {
    TMemoryStream stream;
    const std::string text = clipboard.AsText();
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    stream.SetPosition(0);
    ReadDBGridEhFromImportStream<TDBGridEhImportAsText>(stream, grid, forWholeGrid,
                                                        TExportTextCodingEh::Utf8);
  }
}

void DBGridEh_DoCutAction(TCustomDBGridEh* grid, bool forWholeGrid) {
  DBGridEh_DoCopyAction(grid, forWholeGrid);
  DBGridEh_DoDeleteAction(grid, forWholeGrid);
}
