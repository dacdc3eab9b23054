#include "report/fr_report.h"

#include <algorithm>
#include <optional>

#include "platform/base/clock.h"
#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"
#include "platform/base/format_settings.h"
#include "platform/base/math_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/fields.h"
#include "report/fr_band.h"
#include "report/fr_dataset.h"
#include "report/fr_format.h"
#include "report/fr_functions.h"
#include "report/fr_memo_view.h"
#include "report/fr_object.h"
#include "report/fr_page.h"
#include "report/fr_printer.h"
#include "report/fr_utils.h"

namespace {

// Marks a build as running; the action it returns, run when the build ends
// either way, puts the engine's build state back. No object is current
// outside a build: the template's objects go when it is restored.
auto BeginBuild(bool& busy) {
  busy = true;
  frEngine().CurView = nullptr;
  return [&busy, savedMaster = frEngine().MasterReport] {
    busy = false;
    frEngine().MasterReport = savedMaster;
    frEngine().CurView = nullptr;
    frEngine().CurRuntimeBand = nullptr;
    frEngine().CurBand = nullptr;
    frEngine().CurBandView = nullptr;
    frEngine().Pending.clear();
  };
}

// A report array's index as its variables name it: a text as it is, a
// number by its whole part.
std::string ArrayIndexText(const Variant& index) {
  if (VarType(index) == varString) return VarToStr(index);
  std::int64_t whole;
  if (!TryTrunc(index.AsDouble(), whole))
    throw EParserError("Array index " + VarToStr(index) + " is out of range");
  return std::to_string(whole);
}

bool IsNumberText(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

TfrReportHooks& frReportHooks() {
  static TfrReportHooks hooks;
  return hooks;
}

EfrMissingHook::EfrMissingHook(const std::string& hook)
    : Exception("The report hook \"" + hook + "\" is not installed") {}

std::int32_t ParseFormatSuffix(const std::string& fmt, std::string& formatStr) {
  formatStr.clear();
  if (fmt.empty()) return 0;
  const char first = fmt[0];
  const bool digit = first >= '0' && first <= '9';
  if (digit || first == 'N' || first == 'n') {
    std::string f = digit ? "N" + fmt : fmt;
    if (f.size() >= 2 && f[1] >= '0' && f[1] <= '9') {
      // "N<digits><sep><decimals>": the separator is the last of , - .
      // Without one, the digits themselves are the decimals and the
      // runtime's separator is used.
      char sep = FormatSettings.DecimalSeparator;
      std::string digits = f.substr(1);
      for (std::size_t i = f.size() - 1; i >= 1; --i) {
        if (f[i] == ',' || f[i] == '-' || f[i] == '.') {
          sep = f[i];
          digits = f.substr(i + 1);
          break;
        }
      }
      const int decimals = IsNumberText(digits) ? std::min(std::stoi(digits), 18) : 0;
      return MakeFormat(fcNumber, 1, decimals, sep);
    }
    formatStr = f.substr(1);
    return MakeFormat(fcNumber, 4, 0, FormatSettings.DecimalSeparator);
  }
  if (first == 'D' || first == 'd' || first == 'T' || first == 't') {
    formatStr = fmt.substr(1);
    return MakeFormat(fcDate, 4, 0, FormatSettings.DecimalSeparator);
  }
  if (first == 'B' || first == 'b') {
    formatStr = fmt.substr(1);
    return MakeFormat(fcBoolean, 4, 0, FormatSettings.DecimalSeparator);
  }
  return 0;
}

std::vector<int> ParsePageNumbers(const std::string& text, int pageCount) {
  std::string s;
  for (char c : text)
    if (c != ' ') s += c;
  std::vector<int> pages;
  if (s.empty() || pageCount <= 0) return pages;
  if (s.back() == '-') s += std::to_string(pageCount);
  std::size_t start = 0;
  const auto number = [&](const std::string& item, const std::string& part) {
    if (part.empty() ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
      throw EConvertError("Invalid page number \"" + item + "\"");
    // Past the last page the exact value no longer matters.
    long long value = 0;
    for (char c : part) value = std::min<long long>(value * 10 + (c - '0'), pageCount + 1LL);
    return static_cast<int>(value);
  };
  while (start <= s.size()) {
    std::size_t end = s.find(',', start);
    if (end == std::string::npos) end = s.size();
    const std::string item = s.substr(start, end - start);
    if (!item.empty()) {
      const std::size_t dash = item.find('-');
      if (dash == std::string::npos) {
        // A page the report does not have prints nothing.
        const int page = number(item, item);
        if (page >= 1 && page <= pageCount) pages.push_back(page);
      } else {
        // The pages of the range that the report has: none for a range past
        // its end.
        const int a = std::max(number(item, item.substr(0, dash)), 1);
        const int b = std::min(number(item, item.substr(dash + 1)), pageCount);
        for (int p = a; p <= b; ++p) pages.push_back(p);
      }
    }
    start = end + 1;
  }
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  return pages;
}

TfrReport::TfrReport(TComponent* owner)
    : TfrReportBase(owner),
      FPages(*this),
      FEMFPages(*this),
      FInterp(std::make_unique<TInterpretator>(*this)) {
  frRegisterStdFunctions();
}

TfrReport::~TfrReport() {
  for (int i = 0; i < FPages.Count(); ++i) FPages.Pages(i)->DoneReport();
  if (frEngine().CurReport == this) frEngine().CurReport = nullptr;
  if (frEngine().MasterReport == this) frEngine().MasterReport = nullptr;
}

void TfrReport::SetDataset(TfrDataset* value) {
  FDataset = value;
  if (value != nullptr) value->FreeNotification(this);
}

void TfrReport::Notification(TComponent* component, TOperation operation) {
  TfrReportBase::Notification(component, operation);
  if (operation == opRemove && component == FDataset) FDataset = nullptr;
  if (operation == opRemove && component == FPreview) FPreview = nullptr;
}

void TfrReport::SetPreview(TComponent* value) {
  if (FPreview == value) return;
  if (FPreview != nullptr) FPreview->RemoveFreeNotification(this);
  FPreview = value;
  if (value != nullptr) value->FreeNotification(this);
}

void TfrReport::Clear() {
  FPages.Clear();
  FDictionary.Clear();
  DoublePass = false;
}

void TfrReport::LoadFromStream(TStream& stream) {
  TfrCurrentReport current(this);
  FDictionary.Clear();
  if (stream.Size() - stream.Position() <= 0) return;
  FScripts.clear();
  try {
    FPages.LoadFromStream(stream);
  } catch (const EClassNotFound& e) {
    // The rest of the template is loaded; only the add-ins are missing.
    if (frReportHooks().ShowError)
      frReportHooks().ShowError("Report contains the following non-plugged components:\r\n" +
                                e.Message() +
                                "You must include these components into your project.");
  } catch (const Exception& e) {
    // A failed load leaves one empty page.
    if (FPages.Count() == 0) FPages.Add();
    if (frReportHooks().ShowError) frReportHooks().ShowError(e.Message());
    frEngine().DocMode = dmDesigning;
    throw;
  }
  KeepPrinter = FPages.Settings.KeepPrinter;
  DoublePass = FPages.Settings.DoublePass;
  PrinterName = FPages.Settings.PrinterName;
  frEngine().DocMode = dmDesigning;
}

void TfrReport::WriteReportForm(TStream& stream) {
  WriteI32(stream, frCurrentVersion);
  if (!StoreInDFM) return;
  TMemoryStream data;
  SaveToStream(data);
  WriteI32(stream, static_cast<std::int32_t>(data.Size()));
  data.SaveToStream(stream);
}

void TfrReport::ReadReportForm(TStream& stream) {
  ReadI32(stream);
  FReportForm.reset();
  if (!StoreInDFM) return;
  const std::int32_t size = ReadI32(stream);
  if (size < 0 || size > stream.Size() - stream.Position())
    throw EReadError(LoadEngineString(frsUnsupportedFormat));
  auto held = std::make_unique<TMemoryStream>();
  held->SetSize(size);
  stream.ReadBuffer(held->Memory(), size);
  FReportForm = std::move(held);
}

void TfrReport::Loaded() {
  TfrReportBase::Loaded();
  if (!FReportForm) return;
  std::unique_ptr<TMemoryStream> held = std::move(FReportForm);
  held->SetPosition(0);
  LoadFromStream(*held);
}

void TfrReport::SaveToStream(TStream& stream) {
  FPages.Settings.KeepPrinter = KeepPrinter;
  FPages.Settings.DoublePass = DoublePass;
  FPages.Settings.PrinterName = PrinterName;
  FPages.SaveToStream(stream);
}

bool TfrReport::LoadFromFile(const std::string& fileName) {
  if (!FileExists(fileName)) return false;
  try {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
  } catch (const Exception&) {
    return false;
  }
  FileName = fileName;
  return true;
}

void TfrReport::LoadPreparedReport(const std::string& fileName) {
  TfrCurrentReport current(this);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  FEMFPages.LoadFromStream(stream);
  CanRebuild = false;
}

void TfrReport::SavePreparedReport(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  FEMFPages.SaveToStream(stream);
}

TfrView* TfrReport::FindObject(const std::string& name) const {
  for (int i = 0; i < FPages.Count(); ++i)
    if (TfrView* v = FPages.Pages(i)->FindObject(name)) return v;
  return nullptr;
}

void TfrReport::RunScript(const void* key, const TStrings& source) {
  if (source.Count() == 0) return;
  auto& compiled = FScripts[key];
  if (!compiled) {
    compiled = std::make_unique<TStringList>();
    TStringList errors;
    (*FInterp).CompileScript(source, *compiled, errors);
  }
  (*FInterp).RunScript(*compiled);
}

void TfrReport::SetReportVariable(const std::string& name, const Variant& value) {
  (*FInterp).SetValue(name, value);
}

void TfrReport::Progress(int n) {
  // A member of a composite report reports through the composite, whose
  // progress window shows.
  if (auto* master = dynamic_cast<TfrReport*>(frEngine().MasterReport);
      master != nullptr && master != this) {
    master->Progress(n);
    return;
  }
  if (OnProgress) {
    OnProgress(n);
    return;
  }
  if (!ShowProgress || !frReportHooks().Progress) return;
  std::string text = FProgressLabel + "  " + std::to_string(n);
  if (DoublePass && FinalPass && FProgressTotal > 0)
    text += " from " + std::to_string(FProgressTotal);
  frReportHooks().Progress(text);
}

std::string TfrReport::ExpressionText(TfrView* view, const std::string& expression) {
  return ParsedExpressionText(view, TfrExpression(expression));
}

std::string TfrReport::ParsedExpressionText(TfrView* view, const TfrExpression& expression) {
  TfrEngine& e = frEngine();
  // During a build the report is current already.
  std::optional<TfrCurrentReport> current;
  if (e.CurReport != this) current.emplace(this);
  std::int32_t format;
  std::string formatStr;
  if (expression.HasSuffix) {
    const char separator = FormatSettings.DecimalSeparator;
    if (!expression.FormatRead || expression.FormatSeparator != separator) {
      expression.Format = ParseFormatSuffix(expression.Suffix, expression.FormatStr);
      expression.FormatSeparator = separator;
      expression.FormatRead = true;
    }
    format = expression.Format;
    formatStr = expression.FormatStr;
  } else {
    format = view != nullptr ? view->Format : 0;
    if (view != nullptr && !view->FormatStr.empty()) formatStr = view->FormatStr;
  }
  e.CurValue = Variant(0);
  Variant resolved;
  GetVariableValue(expression.Name, resolved);
  e.CurValue = std::move(resolved);
  const Variant& value = e.CurValue;
  if (view != nullptr && (view->Flags & flHideZeros) && VarType(value) != varString &&
      !VarIsEmpty(value) && !VarIsNull(value) && value == Variant(0))
    return std::string();
  return FormatValue(value, format, formatStr);
}

void TfrReport::GetVariableValue(const std::string& name, Variant& value) {
  if (value.VType() != varEmpty) value = Variant();
  if (OnGetValue) {
    OnGetValue(name, value);
    if (value.VType() != varEmpty) return;
  }
  TfrEngine& e = frEngine();
  value = Variant(0);
  if (FDictionary.IsVariable(name)) {
    FDictionary.GetValue(name, value);
    return;
  }
  const std::string upper = AnsiUpperCase(name);
  // "dataset.field" anywhere in an expression: resolved once, then read
  // straight from the field.
  if (name.find('.') != std::string::npos) {
    if (TField* f = FieldReference(name, upper)) {
      value = GetFieldValue(f);
      return;
    }
  }
  TfrBand* band = e.CurRuntimeBand;
  TfrPage* page = e.CurPage;
  if (upper == "VALUE") {
    value = e.CurValue;
    return;
  }
  if (upper == "PAGE#") {
    value = Variant(e.PageNo + 1);
    return;
  }
  if (upper == "DATE") {
    value = e.StartDate;
    return;
  }
  if (upper == "TIME") {
    value = e.StartTime;
    return;
  }
  if (upper == "LINE#" || upper == "LINETHROUGH#") {
    // A child band counts the records of the nearest band above it in its
    // chain that has a dataset.
    TfrBand* data = band;
    while (data != nullptr && data->DataSet == nullptr && data->ChildOf != nullptr)
      data = data->ChildOf;
    if (data == nullptr || data->DataSet == nullptr) data = band;
    if (data != nullptr && data->DataSet == nullptr && data->DataBand != nullptr)
      data = data->DataBand;
    const bool line = upper == "LINE#";
    value = Variant(data == nullptr ? 0 : (line ? data->LineNo : data->LineThroughNo));
    return;
  }
  if (upper == "COLUMN#") {
    value = Variant(page != nullptr ? page->ColumnNo : 0);
    return;
  }
  if (upper == "CURRENT#") {
    value = Variant(page != nullptr ? page->CurrentNo : 0);
    return;
  }
  if (upper == "TOTALPAGES") {
    value = Variant(e.TotalPages);
    return;
  }
  if (upper == "CALCWIDTH") {
    TfrView* v = e.CurView;
    value = Variant(v == nullptr ? 0 : v->CalcWidth());
    return;
  }
  const int var = Variables().IndexOf(name);
  if (var >= 0) {
    value = Variables().GetValueAt(var);
    return;
  }
  value = Variant();
  if (upper == "CURY") {
    value = Variant(page != nullptr ? page->CurY : 0);
  } else if (upper == "FREESPACE") {
    value = Variant(page != nullptr ? page->CurBottomY - page->CurY : 0);
  } else if (upper == "FINALPASS") {
    value = Variant(FinalPass);
  } else if (upper == "PAGEHEIGHT") {
    value = Variant(page != nullptr ? page->CurBottomY : 0);
  } else if (upper == "PAGEWIDTH") {
    value = Variant(page != nullptr ? page->PrintableBounds(false).Right : 0);
  } else {
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
      if (TfrView* v = FindObjectByName(name.substr(0, dot))) {
        const std::string prop = name.substr(dot + 1);
        if (v->FindProperty(prop) != nullptr) value = v->GetPropertyValue(prop);
      }
    }
    if (VarIsEmpty(value)) frGetConstant(name, value);
  }
  if (!VarIsEmpty(value)) return;
  // Still nothing: the name is an expression. A name met again while it
  // resolves (directly or through others) is undefined.
  if (std::find(FResolving.begin(), FResolving.end(), upper) != FResolving.end())
    throw EParserError(LoadEngineString(frsUndefinedSymbol) + " \"" + name + "\"");
  if (FResolving.size() >= 64)
    throw EParserError(LoadEngineString(frsUndefinedSymbol) + " \"" + name + "\"");
  FResolving.push_back(upper);
  TScopeExit resolved([this] { FResolving.pop_back(); });
  value = e.Parser.Calculate(name);
}

const TfrReport::TFieldRef& TfrReport::FieldRefOf(const std::string& name,
                                                  const std::string& upper) const {
  auto it = FFieldRefs.find(upper);
  if (it == FFieldRefs.end()) {
    TfrDataset* dataset;
    std::string field;
    FindDataField(name, dataset, field);
    TDataSet* data = nullptr;
    if (auto* db = dynamic_cast<TfrDBDataSet*>(dataset)) {
      try {
        data = db->GetDataSet();
      } catch (const EDSError&) {
      }
    }
    it = FFieldRefs.emplace(upper, TFieldRef(data, RemoveQuotes(field))).first;
  }
  return it->second;
}

TField* TfrReport::FieldReference(const std::string& name, const std::string& upper) const {
  const TFieldRef& ref = FieldRefOf(name, upper);
  return ref.first != nullptr ? ref.first->FindField(ref.second) : nullptr;
}

TField* TfrReport::BoundBlobField(const TfrView* view) const {
  const std::string& text = view->Memo.StringRef(0);
  TfrBlobBinding& binding = view->BlobBinding;
  // Read once per build and text: an object prints many times.
  if (binding.Build != FBuildSerial || binding.Text != text) {
    binding = {FBuildSerial, false, text, Trim(text), {}};
    std::string& name = binding.Name;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
      name = name.substr(1, name.size() - 2);
    if (name.find('.') == std::string::npos || name.find_first_of("[]") != std::string::npos)
      name.clear();
    binding.Upper = AnsiUpperCase(name);
  }
  if (binding.Name.empty() || binding.NotBlob) return nullptr;
  const TFieldRef& ref = FieldRefOf(binding.Name, binding.Upper);
  TField* field = ref.first != nullptr ? ref.first->FindField(ref.second) : nullptr;
  if (IsBlobField(field)) return field;
  // No table behind the name, or a field of another kind: so it stays
  // through the build. A closed table's field may appear yet.
  binding.NotBlob = ref.first == nullptr || field != nullptr;
  return nullptr;
}

void TfrReport::DoFunction(const std::string& name, const Variant& p1, const Variant& p2,
                           const Variant& p3, Variant& val) {
  val = Variant(std::string("0"));
  for (TfrFunctionLibrary* library : FunctionLibraries())
    if (library->OnFunction(name, p1, p2, p3, val)) return;
  DoUserFunction(name, p1, p2, p3, val);
}

void TfrReport::DoUserFunction(const std::string& name, const Variant& p1, const Variant& p2,
                               const Variant& p3, Variant& val) {
  TfrEngine& e = frEngine();
  const std::string n = AnsiUpperCase(name);
  const std::string a1 = Trim(VarToStr(p1)), a2 = Trim(VarToStr(p2)), a3 = Trim(VarToStr(p3));
  if (n == "STOPREPORT") {
    Terminated = true;
    if (e.MasterReport != nullptr) e.MasterReport->Terminated = true;
  } else if (n == "NEWPAGE") {
    if (e.CurRuntimeBand != nullptr) ++e.CurRuntimeBand->ForceNewPage;
  } else if (n == "NEWCOLUMN") {
    if (e.CurRuntimeBand != nullptr) ++e.CurRuntimeBand->ForceNewColumn;
  } else if (n == "SHOWBAND") {
    if (e.CurPage != nullptr) e.CurPage->ShowBandByName(RemoveQuotes(a1));
  } else if (n == "INC" || n == "DEC") {
    const Variant v = e.Parser.Calculate(a1);
    const double d = VarIsEmpty(v) || VarIsNull(v) ? 0.0 : v.AsDouble();
    (*FInterp).SetValue(a1, Variant(n == "INC" ? d + 1 : d - 1));
  } else if (n == "SETARRAY" || n == "GETARRAY") {
    const bool set = n == "SETARRAY";
    const std::size_t dot = a1.find('.');
    if (dot != std::string::npos) {
      if (TfrView* v = FindObjectByName(a1.substr(0, dot))) {
        v->CallMethod(set ? "SETINDEXPROPERTY" : "GETINDEXPROPERTY", "'" + a1.substr(dot + 1) + "'",
                      a2, a3, val);
      }
    } else {
      const std::string var = "Arr_" + a1 + "_" + ArrayIndexText(e.Parser.Calculate(a2));
      if (set)
        Variables().SetVariable(var, e.Parser.Calculate(a3));
      else
        val = Variables().GetVariable(var);
    }
  } else if (const std::size_t dot = name.find('.'); dot != std::string::npos) {
    if (TfrView* v = FindObjectByName(name.substr(0, dot)))
      v->CallMethod(AnsiUpperCase(name.substr(dot + 1)), a1, a2, a3, val);
  }
  if (OnUserFunction) OnUserFunction(name, p1, p2, p3, val);
}

void TfrReport::BeforePrint(TfrView* view, TStrings& memo) {
  if (TField* blob = BlobFieldOf(view)) view->GetBlob(blob);
  if (OnBeforePrint) {
    TStringList list;
    list.Assign(memo);
    OnBeforePrint(list, view);
    memo.Assign(list);
  }
}

void TfrReport::RunViewScript(TfrView* view) { RunScript(view, view->Script); }

bool TfrReport::WantsBeforePrint(const TfrView* view) const {
  return static_cast<bool>(OnBeforePrint) || view->Script.Count() > 0 ||
         BlobFieldOf(view) != nullptr;
}

void TfrReport::BeginPage(int pageNo) {
  if (OnBeginPage) OnBeginPage(pageNo);
}

bool TfrReport::ObjectClick(TfrView* view) {
  if (!OnObjectClick) return false;
  OnObjectClick(view);
  return true;
}

bool TfrReport::MouseOverObject(TfrView* view, TCursor& cursor) {
  if (!OnMouseOverObject) return false;
  OnMouseOverObject(view, cursor);
  return true;
}

void TfrReport::BuildPages() {
  TfrEngine& e = frEngine();
  TfrCurrentReport current(this);
  CanRebuild = true;
  e.ErrorFlag = false;
  FFieldRefs.clear();
  // What objects' texts were found to bind is read anew; the count is
  // shared by every report, so no two builds have the same number.
  static unsigned builds = 1;
  FBuildSerial = ++builds;
  const bool multiple = FDataset != nullptr && ReportType == rtMultiple;
  if (multiple) {
    FDataset->Init();
    FDataset->First();
  }
  const auto done = [&] {
    // After a first pass the bands stay for the final one.
    if (FinalPass || !DoublePass)
      for (int i = 0; i < FPages.Count(); ++i) FPages.Pages(i)->DoneReport();
    if (multiple) FDataset->Exit();
  };
  {
    TFinallyGuard finished(done);
    if (!(FinalPass && DoublePass)) {
      for (int i = 0; i < FPages.Count(); ++i) FPages.Pages(i)->IsSubReportPage = false;
      FDialogCancelled = false;
      for (int i = 0; i < FPages.Count() && !FDialogCancelled; ++i) {
        TfrPage* page = FPages.Pages(i);
        if (page->PageType != ptDialog) continue;
        e.CurPage = page;
        // The page's script sees the window's result (MODALRESULT) and may
        // change it; Cancel stops the build.
        page->ModalResult = frRequireHook(frReportHooks().RunDialog, "RunDialog")(*this, *page);
        RunScript(page, page->Script);
        if (page->ModalResult == 2) FDialogCancelled = true;
      }
    }
    if (FDialogCancelled) return;
    // Sub-report pages are known before any page prepares its bands.
    for (int i = 0; i < FPages.Count(); ++i)
      for (const auto& o : FPages.Pages(i)->Objects)
        if (auto* sub = dynamic_cast<TfrSubReportView*>(o.get()))
          if (sub->SubPage >= 0 && sub->SubPage < FPages.Count() && sub->SubPage != i)
            FPages.Pages(sub->SubPage)->IsSubReportPage = true;
    for (int i = 0; i < FPages.Count(); ++i) {
      TfrPage* page = FPages.Pages(i);
      if (page->PageType != ptReport) continue;
      e.CurPage = page;
      page->InitReport();
      page->PrepareObjects();
    }
    for (;;) {
      Progress(e.PageNo + 1);
      for (int i = 0; i < FPages.Count(); ++i) {
        TfrPage* page = FPages.Pages(i);
        if (page->PageType != ptReport) continue;
        e.CurPage = page;
        page->PageNumber = i + 1;
        if (!page->Visible) RunScript(page, page->Script);
        if (page->Visible && !page->IsSubReportPage) page->FormPage();
        const bool next = i + 1 < FPages.Count() && FPages.Pages(i + 1)->PrintToPrevPage &&
                          e.MasterReport->EMFPages().Count() > 0;
        if (next) {
          e.AppendPage = true;
          e.PageNo = e.MasterReport->EMFPages().Count() - 1;
        } else {
          e.PageNo = e.MasterReport->EMFPages().Count();
          Progress(e.PageNo);
        }
        if (Terminated) break;
      }
      if (!multiple || Terminated) break;
      FDataset->Next();
      if (FDataset->Eof()) break;
    }
  }
}

void TfrReport::DoBuildReport() { BuildPages(); }

bool TfrReport::RunPasses() {
  TfrEngine& e = frEngine();
  Terminated = false;
  FinalPass = true;
  const bool twoPass = DoublePass;
  const auto pass = [&] {
    e.PageNo = 0;
    e.AppendPage = false;
    e.LayoutCache.Clear();
    FEMFPages.Clear();
    DoBuildReport();
  };
  const auto run = [&](const std::string& label) {
    FProgressLabel = label;
    const bool windowed = ShowProgress && !OnProgress && frReportHooks().RunWithProgress;
    if (!windowed) {
      pass();
      return true;
    }
    std::string caption = "Preparing report";
    if (!Title.empty()) caption += " - " + Title;
    return frReportHooks().RunWithProgress(*this, caption, label, pass);
  };
  if (twoPass) {
    FinalPass = false;
    bool ok;
    {
      TScopeExit finalPass([this] { FinalPass = true; });
      ok = run("Performing 1st pass:");
    }
    e.TotalPages = FEMFPages.Count();
    FProgressTotal = e.TotalPages;
    if (!ok || Terminated) {
      FEMFPages.Clear();
      return false;
    }
  }
  return run("Processing page:") && !(twoPass && Terminated && FEMFPages.Count() == 0);
}

bool TfrReport::PrepareReport() {
  if (FBusy) return false;
  FDialogCancelled = false;
  TfrEngine& e = frEngine();
  TScopeExit built(BeginBuild(FBusy));
  if (!KeepPrinter && frReportHooks().SelectPrinter) frReportHooks().SelectPrinter(PrinterName);
  e.DocMode = dmPrinting;
  e.StartDate = VarFromDateTime(Date());
  e.StartTime = VarFromDateTime(Time());
  e.TotalPages = 0;
  FProgressTotal = 0;
  TfrCurrentReport current(this);
  e.MasterReport = this;
  FScripts.clear();
  auto* composite = dynamic_cast<TfrCompositeReport*>(this);
  std::vector<std::unique_ptr<TMemoryStream>> saved;
  std::vector<TfrReport*> members;
  if (composite != nullptr)
    members = composite->Reports;
  else
    members.push_back(this);
  for (TfrReport* r : members) {
    saved.push_back(std::make_unique<TMemoryStream>());
    r->SaveToStream(*saved.back());
    r->FScripts.clear();
    if (r != this && r->OnBeginDoc) r->OnBeginDoc();
  }
  if (OnBeginDoc) OnBeginDoc();
  bool ok = false;
  std::string error;
  e.ErrorFlag = false;
  e.ErrorStr.clear();
  try {
    ok = RunPasses();
  } catch (const EAbort&) {
    ok = false;
  } catch (const Exception& ex) {
    error = ex.Message().empty() ? "Error" : ex.Message();
  } catch (const std::exception& ex) {
    error = ex.what();
  }
  // A failed calculation has the engine's whole text, also when something
  // on the way out swallowed its exception.
  if (e.ErrorFlag && !e.ErrorStr.empty()) error = e.ErrorStr;
  if (OnEndDoc) OnEndDoc();
  // Changes scripts made to objects during the build do not outlive it. A
  // template that does not read back keeps what it has and fails the
  // preparation, every time, rather than turn empty.
  for (std::size_t i = 0; i < members.size(); ++i) {
    TfrReport* r = members[i];
    const bool keepDouble = r->DoublePass;
    saved[i]->SetPosition(0);
    try {
      r->FPages.Reload(*saved[i]);
    } catch (const Exception& ex) {
      if (error.empty()) error = ex.Message().empty() ? "Error" : ex.Message();
    }
    r->DoublePass = keepDouble;
    r->FScripts.clear();
    if (r != this && r->OnEndDoc) r->OnEndDoc();
  }
  FScripts.clear();
  if (!error.empty()) {
    if (frReportHooks().ShowError) frReportHooks().ShowError(error);
    e.ErrorStr = error;
    FEMFPages.Clear();
    return false;
  }
  if (FDialogCancelled) {
    FEMFPages.Clear();
    return false;
  }
  if (Terminated && frReportHooks().RunWithProgress && ShowProgress && !OnProgress) return false;
  return ok;
}

void TfrReport::ShowReport() {
  if (PrepareReport()) ShowPreparedReport();
}

void TfrReport::ShowPreparedReport() {
  TfrEngine& e = frEngine();
  // Current while the preview shows, with the report's resolvers; a
  // current report left behind would keep the next preparation from
  // installing them.
  TfrCurrentReport current(this);
  e.MasterReport = this;
  if (FEMFPages.Count() == 0) return;
  std::string caption = "Preview";
  if (!Title.empty()) caption += " - " + Title;
  e.DocMode = dmPrinting;
  frRequireHook(frReportHooks().ShowPreview, "ShowPreview")(*this, caption);
}

void TfrReport::PrintPreparedReport(const std::string& pageNumbers, int copies, bool collate,
                                    int which) {
  if (FBusy || FEMFPages.Count() == 0) return;
  TScopeExit built(BeginBuild(FBusy));
  TfrCurrentReport current(this);
  frEngine().MasterReport = this;
  Terminated = false;
  FProgressLabel = "Printing page:";
  FProgressTotal = 0;
  const auto print = [&] { DoPrintReport(pageNumbers, copies, collate, which); };
  if (ShowProgress && !OnProgress && frReportHooks().RunWithProgress) {
    std::string caption = "Preparing report";
    if (!Title.empty()) caption += " - " + Title;
    frReportHooks().RunWithProgress(*this, caption, FProgressLabel, print);
  } else {
    print();
  }
}

void TfrReport::DoPrintReport(const std::string& pageNumbers, int copies, bool collate, int which) {
  if (FEMFPages.Count() == 0) return;
  TfrPrintRequest request;
  request.PageNumbers = pageNumbers;
  request.Copies = std::max(1, copies);
  request.Collate = collate;
  request.PrintPages = which == 1 ? ppOdd : which == 2 ? ppEven : ppAll;
  request.Title = Title;
  if (OnPrintReport) OnPrintReport();
  PrintPreparedPages(*this, FEMFPages, request, [this](int n) { Progress(n); });
}

void TfrReport::ExportText(const TRect& rect, int x, int y, const std::string& text, int frameTyp,
                           TfrView* view) {
  if (FExportFilter != nullptr) FExportFilter->OnText(rect, x, y, text, frameTyp, view);
}

void TfrReport::ExportTo(TfrExportFilter& filter, const std::string& fileName) {
  if (FBusy) return;
  filter.FileName = fileName;
  bool cancel = false;
  if (filter.OnBeforeExport) filter.OnBeforeExport(cancel);
  if (cancel || !filter.ShowModal()) return;
  TScopeExit built(BeginBuild(FBusy));
  TfrCurrentReport current(this);
  frEngine().MasterReport = this;
  TFileStream stream(filter.FileName, fmCreate);
  FExportFilter = &filter;
  FProgressLabel = "Processing page:";
  {
    TScopeExit exported([this] { FExportFilter = nullptr; });
    filter.OnBeginDoc(stream);
    for (int i = 0; i < FEMFPages.Count(); ++i) {
      filter.OnBeginPage();
      FEMFPages.ExportData(i);
      filter.OnEndPage();
      Progress(i + 1);
    }
    filter.OnEndDoc();
  }
  if (filter.OnAfterExport) filter.OnAfterExport();
}

void TfrCompositeReport::DoBuildReport() {
  TfrEngine& e = frEngine();
  CanRebuild = true;
  TfrDataset* ds = Dataset();
  if (ds != nullptr) {
    ds->Init();
    ds->First();
  }
  {
    TFinallyGuard exited([ds] {
      if (ds != nullptr) ds->Exit();
    });
    for (;;) {
      for (std::size_t m = 0; m < Reports.size(); ++m) {
        TfrReport* member = Reports[m];
        std::unique_ptr<TMemoryStream> saved;
        if (ds != nullptr) {
          saved = std::make_unique<TMemoryStream>();
          member->SaveToStream(*saved);
        }
        bool appendNext = false;
        if (m + 1 < Reports.size() && Reports[m + 1]->Pages().Count() > 0) {
          const TfrPage& next = *Reports[m + 1]->Pages().Pages(0);
          appendNext = next.PrintToPrevPage;
        }
        member->FinalPass = FinalPass;
        member->DoublePass = DoublePass;
        member->Terminated = false;
        member->BuildPages();
        if (ds != nullptr) {
          saved->SetPosition(0);
          member->FPages.Reload(*saved);
        }
        if (appendNext && FEMFPages.Count() > 0) {
          // Continue only on paper of the same size and width.
          const TfrEMFPage& last = FEMFPages.Pages(FEMFPages.Count() - 1);
          const TfrPage& next = *Reports[m + 1]->Pages().Pages(0);
          appendNext = last.pgSize == next.pgSize && last.pgWidth == next.pgWidth;
        }
        e.AppendPage = appendNext;
        e.PageNo = appendNext ? FEMFPages.Count() - 1 : FEMFPages.Count();
        if (member->Terminated) Terminated = true;
        if (Terminated) break;
      }
      if (ds == nullptr || Terminated) break;
      ds->Next();
      if (ds->Eof()) break;
    }
  }
}
