#include "register/print_register.h"

#include <unistd.h>

#include "platform/base/clock.h"
#include "platform/base/exceptions.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/data/data_guards.h"
#include "platform/data/fields.h"
#include "register/core/md5.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "report/fr_dataset.h"
#include "report/fr_report.h"
#include "storage/mem_ds.h"

std::function<bool(TPrintParams& params)> AskPrintParams;

TRegisterPrint::TRegisterPrint(TComponent* owner) : TComponent(owner) {
  SetName("RegisterPrint");
  // The reports find their datasets by name among their owner's
  // components, so everything here shares one owner.
  frDBDataSet1 = Create<TfrDBDataSet>(this);
  frDBDataSet1->SetName("frDBDataSet1");
  mtAcct = Create<TmemDs>(this);
  mtAcct->SetName("mtAcct");
  auto* price = Create<TFloatField>(mtAcct);
  price->SetFieldName("PRICE");
  price->SetDataSet(mtAcct);
  auto* cnt = Create<TIntegerField>(mtAcct);
  cnt->SetFieldName("CNT");
  cnt->SetDataSet(mtAcct);
  frDsAcct = Create<TfrDBDataSet>(this);
  frDsAcct->SetName("frDsAcct");
  frDsAcct->SetDataSet(mtAcct);
  frRpt = Create<TfrReport>(this);
  frRpt->SetName("frRpt");
  frAcct = Create<TfrReport>(this);
  frAcct->SetName("frAcct");
  frCRpt = Create<TfrCompositeReport>(this);
  frCRpt->SetName("frCRpt");
  for (TfrReport* r : {frRpt, frAcct, static_cast<TfrReport*>(frCRpt)})
    r->OnGetValue = [this](const std::string& name, Variant& value) { GetValue(name, value); };
  frDBDataSet1->OnFirst = [this](TObject*) {
    if (FRows == nullptr) return;
    FRows->First();
    FValues.Total = FRows->Total();
  };
  frDBDataSet1->OnNext = [this](TObject*) {
    if (FRows == nullptr) return;
    FRows->Next();
    FValues.Total = FRows->Total();
  };
}

void TRegisterPrint::Bind(TDataSet* table, int frameId, int fileType) {
  if (FTable != table || FFrameId != frameId) {
    delete FRows;
    FRows = table != nullptr ? new TInvoiceRows(*table, *mtAcct, frameId) : nullptr;
  }
  FTable = table;
  FFrameId = frameId;
  FValues.FileType = fileType;
  frDBDataSet1->SetDataSet(table);
}

TRegisterPrint::~TRegisterPrint() { delete FRows; }

std::string TRegisterPrint::TemplatePath(const std::string& name) const {
  std::string dir = TemplateDir;
  if (dir.empty())
    dir = ExtractFilePath(Application != nullptr ? Application->ExeName() : std::string()) +
          "template";
  return IncludeTrailingPathDelimiter(dir) + name;
}

void TRegisterPrint::RequireTemplate(const std::string& path) const {
  if (!FileExists(path)) throw Exception(Format(kNoTemplateMessage, path.c_str()));
}

void TRegisterPrint::LoadTemplate(TfrReport& report, const std::string& path) const {
  RequireTemplate(path);
  if (!report.LoadFromFile(path) || report.Pages().Count() == 0)
    throw Exception(Format(kBadTemplateMessage, path.c_str()));
}

void TRegisterPrint::WriteExchange() {
  std::string file = ExchangeFile;
  // The file stays: its digest is what the invoice prints.
  const bool relative = !file.empty() && file[0] != '/';
  if (relative && !RegisterDir.empty() && ::access(".", W_OK) != 0)
    file = IncludeTrailingPathDelimiter(RegisterDir) + ExchangeFile;
  if (ExportXml) ExportXml(file);
  FWritten = file;
  FValues.MD5 = MD5FileHex(file);
}

void TRegisterPrint::GetValue(const std::string& name, Variant& value) {
  GetReportValue(FValues, name, value);
}

void TRegisterPrint::Print(const TPrintParams& params) {
  FValues.Params = params;
  FValues.Total = Currency(0);
  FValues.Institution = Institution;
  const std::string list = TemplatePath("rsrt" + std::to_string(FFrameId) + ".frf");
  RequireTemplate(list);
  const std::string acct = TemplatePath("acct.frf");
  if (params.Acct) RequireTemplate(acct);
  WriteExchange();
  FValues.RecordCount = FTable != nullptr ? FTable->RecordCount() : 0;
  frCRpt->Reports.clear();
  LoadTemplate(*frRpt, list);
  frCRpt->Reports.push_back(frRpt);
  if (params.Acct) {
    LoadTemplate(*frAcct, acct);
    frCRpt->Reports.push_back(frAcct);
  }
  frCRpt->ShowReport();
}

void TRegisterPrint::PrintApplication2() {
  FValues.Institution = Institution;
  const std::string path = TemplatePath("pr2.frf");
  RequireTemplate(path);
  FValues.RecordCount = FTable != nullptr ? FTable->RecordCount() : 0;
  LoadTemplate(*frRpt, path);
  frRpt->ShowReport();
}

TRegisterPrint& RegisterPrintOf(TRegisterDocument& document) {
  auto* print = dynamic_cast<TRegisterPrint*>(document.FindComponent("RegisterPrint"));
  if (print == nullptr) print = Create<TRegisterPrint>(&document);
  print->Bind(document.Table(), document.Kind(), document.FileType());
  print->ExportXml = [&document](const std::string& file) {
    document.ExportXml(file, ProgramInstitution());
  };
  print->Institution = [](const std::string& key) {
    return DM != nullptr ? DM->GetValue(key) : std::string();
  };
  print->RegisterDir = ExtractFilePath(document.FileName());
  return *print;
}

TRegisterPrint& RegisterPrintOf(TCustFrame& frame) { return RegisterPrintOf(*frame.Document()); }

namespace {

// Runs `print` with the table's controls off, back at the remembered
// record on every path.
template <class F>
void KeepingPosition(TDataSet& table, F print) {
  TControlsDisabledGuard controlsOff(&table);
  TBookmarkGuard back(&table, table.Active() && !table.IsEmpty());
  print();
}

}  // namespace

void PrintRegisterOf(TRegisterDocument& document) {
  TPrintParams params;
  if (AskPrintParams) {
    if (!AskPrintParams(params)) return;
  } else {
    if (DlgParam == nullptr || DlgParam->ShowModal() != mrOk) return;
    params = DlgParam->Params();
  }
  TRegisterPrint& print = RegisterPrintOf(document);
  print.RequireTemplate(print.TemplatePath("rsrt" + std::to_string(document.Kind()) + ".frf"));
  document.OrderByCertificate();
  KeepingPosition(*document.Table(), [&] { print.Print(params); });
}

void PrintApplication2Of(TRegisterDocument& document) {
  TRegisterPrint& print = RegisterPrintOf(document);
  print.RequireTemplate(print.TemplatePath("pr2.frf"));
  document.OrderByCertificate();
  KeepingPosition(*document.Table(), [&] { print.PrintApplication2(); });
}
