// TfrReport: the report component. It owns the template pages, the data
// dictionary and the prepared pages; it loads templates, prepares the pages
// in one or two passes over the report datasets, answers every name and
// function the template's expressions use, and hands the prepared pages to
// the preview and the printer. TfrCompositeReport prepares a list of other
// reports one after the other into its own prepared pages.
//
// Windows are not part of this library: the progress window, the preview,
// dialog pages and message boxes reach the report through the hooks of
// TfrReportHooks, which frInstallReportWindows (report/preview/
// fr_report_windows.h) fills at the program's start-up (StartProgram in
// register/startup.h); tests install their own. Without a progress hook a
// build runs directly and without ShowError errors are only recorded;
// showing the pages or a dialog page without its hook is an error
// (EfrMissingHook). Printing goes through frPrinter() (fr_printer.h), the
// one print path of the preview's Print button and PrintPreparedReport.
//
// GUI thread only.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/string_list.h"
#include "report/fr_data_dictionary.h"
#include "report/fr_engine.h"
#include "report/fr_pages.h"
#include "report/fr_preview_types.h"
#include "report/fr_view.h"

class TDataSet;
class TfrBand;
class TfrDataset;
class TInterpretator;

enum TfrReportType { rtSimple, rtMultiple };

using TDetailEvent = std::function<void(const std::string& ParName, Variant& ParValue)>;
using TEnterRectEvent = std::function<void(TStringList& Memo, TfrView* View)>;
using TBeginPageEvent = std::function<void(int pgNo)>;
using TBandEvent = std::function<void(TfrBand* Band)>;
using TProgressEvent = std::function<void(int n)>;
using TReportFunctionEvent =
    std::function<void(const std::string& Name, const Variant& p1, const Variant& p2,
                       const Variant& p3, Variant& Val)>;
using TPrintColumnEvent = std::function<void(int ColNo, int& Width)>;
using TManualBuildEvent = std::function<void(TfrPage* Page)>;
using TObjectClickEvent = std::function<void(TfrView* View)>;
using TMouseOverObjectEvent = std::function<void(TfrView* View, TCursor& Cursor)>;
using TSimpleEvent = std::function<void()>;

class TfrReport;

// An export filter. ExportTo fixes only the calling order; no filter is
// part of the program.
class TfrExportFilter {
 public:
  virtual ~TfrExportFilter() = default;
  std::string FileName;
  // May set `cancel` to veto the export.
  std::function<void(bool& cancel)> OnBeforeExport;
  TSimpleEvent OnAfterExport;
  // The filter's options dialog: true for OK.
  virtual bool ShowModal() { return true; }
  virtual void OnBeginDoc(TStream& stream) { (void)stream; }
  virtual void OnBeginPage() {}
  // One line of a text object, with the frame sides that belong to it.
  virtual void OnText(const TRect& rect, int x, int y, const std::string& text, int frameTyp,
                      TfrView* view) {
    (void)rect, (void)x, (void)y, (void)text, (void)frameTyp, (void)view;
  }
  virtual void OnEndPage() {}
  virtual void OnEndDoc() {}
};

// The printer's page geometry for a paper, in screen pixels (96 dpi).
struct TfrPageGeometry {
  int OffsetX = 0, OffsetY = 0;  // unprintable left and top
  int PrintableWidth = 0, PrintableHeight = 0;
};

// What the report needs of windows.
struct TfrReportHooks {
  // Runs `work` inside a modal progress window with `caption` and `label`
  // and a Cancel button; returns false when the user cancelled.
  std::function<bool(TfrReport& report, const std::string& caption, const std::string& label,
                     const std::function<void()>& work)>
      RunWithProgress;
  // Shows the progress label text (between pages) and lets window
  // messages run, so Cancel can set Terminated.
  std::function<void(const std::string& text)> Progress;
  // The preview of the report's prepared pages: its Preview panel when
  // set, else a preview window (modal with ModalPreview).
  std::function<void(TfrReport& report, const std::string& caption)> ShowPreview;
  // An error box with the caption "Error".
  std::function<void(const std::string& text)> ShowError;
  // Selects the named printer when it is installed.
  std::function<void(const std::string& name)> SelectPrinter;
  // Shows a dialog page modally with its controls; returns the modal
  // result (2: Cancel stops the build).
  std::function<int(TfrReport& report, TfrPage& page)> RunDialog;
  // The printable area of a page's paper; without it the whole page.
  std::function<TfrPageGeometry(const TfrPage& page)> PageGeometry;
};
TfrReportHooks& frReportHooks();

// A hook the report needs was found empty; names the hook.
class EfrMissingHook : public Exception {
 public:
  explicit EfrMissingHook(const std::string& hook);
};
// `hook` itself; raises EfrMissingHook naming it when it is empty.
template <class F>
const F& frRequireHook(const F& hook, const char* name) {
  if (!hook) throw EfrMissingHook(name);
  return hook;
}

class TfrReport : public TfrReportBase {
  MEBRATH_CLASS(TfrReport, TfrReportBase)
 public:
  ~TfrReport() override;

  // TfrReportBase
  TfrPages& Pages() override { return FPages; }
  TfrEMFPages& EMFPages() override { return FEMFPages; }
  TfrDataDictionary& Dictionary() override { return FDictionary; }
  std::string ExpressionText(TfrView* view, const std::string& expression) override;
  // An expression with a " #fmt" suffix is the name before it, shown in
  // the suffix's format; otherwise the name is the whole text, shown in the
  // view's format. The suffix's format is read once per decimal separator.
  std::string ParsedExpressionText(TfrView* view, const TfrExpression& expression) override;
  void GetVariableValue(const std::string& name, Variant& value) override;
  void BeforePrint(TfrView* view, TStrings& memo) override;
  void RunViewScript(TfrView* view) override;
  bool WantsBeforePrint(const TfrView* view) const override;
  // Libraries, then the report's procedures and OnUserFunction; the result
  // starts as the text "0".
  void DoFunction(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3,
                  Variant& val) override;
  void BeginPage(int pageNo) override;
  bool ObjectClick(TfrView* view) override;
  bool MouseOverObject(TfrView* view, TCursor& cursor) override;

  TfrDataset* Dataset() const { return FDataset; }
  void SetDataset(TfrDataset* value);
  bool GrayedButtons = false;
  TfrReportType ReportType = rtSimple;
  std::string Title;
  bool ShowProgress = true;
  bool ModalPreview = true;
  bool ModifyPrepared = true;
  bool StoreInDFM = false;
  bool MDIPreview = false;
  int DefaultCopies = 1;
  bool DefaultCollate = true;
  bool PrintIfEmpty = true;
  bool ShowPrintDialog = true;
  TfrPreviewZoom InitialZoom = pzDefault;
  TfrPreviewButtons PreviewButtons = frDefaultPreviewButtons();
  // The embedded preview panel (a TfrPreview) that shows the pages instead
  // of a preview window; cleared when it goes.
  TComponent* Preview() const { return FPreview; }
  void SetPreview(TComponent* value);

  TSimpleEvent OnBeginDoc, OnEndDoc;
  TBeginPageEvent OnBeginPage, OnEndPage;
  TBandEvent OnBeginBand, OnEndBand;
  TDetailEvent OnGetValue;
  TEnterRectEvent OnBeforePrint;
  TProgressEvent OnProgress;
  TReportFunctionEvent OnUserFunction;
  TBandEvent OnBeginColumn;
  TPrintColumnEvent OnPrintColumn;
  TManualBuildEvent OnManualBuild;
  TObjectClickEvent OnObjectClick;
  TMouseOverObjectEvent OnMouseOverObject;
  TSimpleEvent OnPrintReport;
  TNotifyEvent OnCustomizeObject;

  std::string PrinterName;
  bool CanRebuild = false;
  bool DoublePass = false;
  bool KeepPrinter = false;
  bool FinalPass = true;
  std::string FileName = "Untitled";

  // Empties the template and the dictionary; DoublePass off.
  void Clear();
  // False when the file is missing or could not be read (the error was
  // shown); true otherwise.
  bool LoadFromFile(const std::string& fileName);
  // Raises what the template reader raises after showing it; an empty
  // stream loads nothing.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);
  // The form property "ReportForm": Int32 24, then, with StoreInDFM, the
  // template's size (Int32) and bytes. Reading holds the template until
  // Loaded loads it; a size beyond the stream raises EReadError.
  void WriteReportForm(TStream& stream);
  void ReadReportForm(TStream& stream);
  void LoadPreparedReport(const std::string& fileName);
  void SavePreparedReport(const std::string& fileName);

  // False on an error (shown; no prepared pages), a Cancel, or while
  // another preparation or print runs.
  bool PrepareReport();
  // Prepares, and shows only when the preparation succeeded.
  void ShowReport();
  // Nothing without prepared pages; raises EfrMissingHook without the
  // ShowPreview hook.
  void ShowPreparedReport();
  // Pages "1,3,5-12" (empty: all), which = 0 all, 1 odd, 2 even; on
  // frPrinter()'s printer, inside the progress window when there is one.
  // Raises EPrinter as the printer does.
  void PrintPreparedReport(const std::string& PageNumbers, int Copies, bool Collate, int which);
  void EditPreparedReport(int) {}
  // Hands every prepared page to `filter`, writing `fileName`.
  void ExportTo(TfrExportFilter& filter, const std::string& fileName);
  void ExportText(const TRect& rect, int x, int y, const std::string& text, int frameTyp,
                  TfrView* view) override;
  TfrView* FindObject(const std::string& name) const;

  virtual void DoBuildReport();
  virtual void DoPrintReport(const std::string& PageNumbers, int Copies, bool Collate, int which);

  // The progress after each page.
  void Progress(int n);
  // Runs `source` (a script of an object, band or page, compiled once per
  // preparation under `key`); a script that did not compile never runs.
  void RunScript(const void* key, const TStrings& source);
  // Report procedures and the user function; false when nobody knew `name`.
  void DoUserFunction(const std::string& name, const Variant& p1, const Variant& p2,
                      const Variant& p3, Variant& val);
  // The report's variables (set by scripts).
  void SetReportVariable(const std::string& name, const Variant& value);

 protected:
  explicit TfrReport(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  // One pass over every template page.
  void BuildPages();
  bool FBusy = false;
  bool FDialogCancelled = false;
  TfrExportFilter* FExportFilter = nullptr;

 private:
  friend class TfrCompositeReport;
  bool RunPasses();
  void PrepareInstall();
  TfrPages FPages;
  TfrEMFPages FEMFPages;
  TfrDataDictionary FDictionary;
  TfrDataset* FDataset = nullptr;
  TComponent* FPreview = nullptr;
  std::unique_ptr<TInterpretator> FInterp;
  std::unique_ptr<TMemoryStream> FReportForm;  // read, not yet loaded
  std::map<const void*, std::unique_ptr<TStringList>> FScripts;
  std::vector<std::string> FResolving;
  // "DATASET.FIELD" references met in expressions, by the name in upper
  // case: the table and the field's name.
  using TFieldRef = std::pair<TDataSet*, std::string>;
  mutable std::map<std::string, TFieldRef> FFieldRefs;
  // The field `name` (in upper case `upper`) refers to, resolved once per
  // build; nullptr when it names none.
  TField* FieldReference(const std::string& name, const std::string& upper) const;
  // The blob field `view`'s text binds it to: the text is one
  // "[dataset.field]" naming a blob field. nullptr otherwise.
  TField* BlobFieldOf(const TfrView* view) const {
    // Asked at every print: most texts are plainly no reference.
    if (view->Memo.Count() != 1 || view->Memo.StringRef(0).find('.') == std::string::npos)
      return nullptr;
    return BoundBlobField(view);
  }
  TField* BoundBlobField(const TfrView* view) const;
  // The reference a "DATASET.FIELD" name makes, resolved once per build.
  const TFieldRef& FieldRefOf(const std::string& name, const std::string& upper) const;
  // The current build's number: an object's TfrBlobBinding holds for one.
  unsigned FBuildSerial = 1;
  int FProgressTotal = 0;
  std::string FProgressLabel;
};

class TfrCompositeReport : public TfrReport {
  MEBRATH_CLASS(TfrCompositeReport, TfrReport)
 public:
  std::vector<TfrReport*> Reports;  // not owned
  void DoBuildReport() override;

 protected:
  using TfrReport::TfrReport;
};

// The page list of a print: blanks removed, "a-b" ranges cut to
// 1..pageCount, a trailing "-" running to `pageCount`; a lone number outside
// 1..pageCount is left out, and so is a range past the last page. Empty
// text: all pages (an empty list), so a text naming no page of the report
// also gives an empty list. Raises EConvertError naming a malformed item.
std::vector<int> ParsePageNumbers(const std::string& text, int pageCount);

// The Int32 format code of a " #fmt" suffix (without " #").
std::int32_t ParseFormatSuffix(const std::string& fmt, std::string& formatStr);
