// Printing a register through the report engine: the register list of the
// window's kind and, when asked, the invoice, from templates in "template"
// beside the program; and application No. 2 of coupon No. 1. The report
// components live in a TRegisterPrint that the register document owns.
// GUI thread only.
#pragma once

#include <functional>
#include <string>

#include "platform/base/component.h"
#include "register/core/report_values.h"

class TCustFrame;
class TRegisterDocument;
class TDataSet;
class TfrReport;
class TfrCompositeReport;
class TfrDBDataSet;
class TmemDs;

inline constexpr const char* kNoTemplateMessage = "Отсутствует шаблон для печати '%s'.";
inline constexpr const char* kBadTemplateMessage = "Не удалось прочитать шаблон для печати '%s'.";

class TRegisterPrint : public TComponent {
  MEBRATH_CLASS(TRegisterPrint, TComponent)
 public:
  // The register table and its kind (1, 2, 3); the file type for aType.
  void Bind(TDataSet* table, int frameId, int fileType);

  // Steps of a print after the dialog; `ExportXml` writes the exchange
  // file. Raises Exception with the missing-template message, or with the
  // unreadable-template one (after the engine showed its own) for a
  // template that does not load or holds no page.
  void Print(const TPrintParams& params);
  // Application No. 2 (coupon No. 1): the register list only.
  void PrintApplication2();

  // "template" beside the program unless set.
  std::string TemplateDir;
  // The exchange file; a relative name is in the current folder.
  std::string ExchangeFile = "$prn.xml";
  std::function<void(const std::string& fileName)> ExportXml;
  std::function<std::string(const std::string& key)> Institution;
  // The folder of the register file, used when the current folder cannot
  // be written.
  std::string RegisterDir;

  TfrReport* frRpt = nullptr;
  TfrReport* frAcct = nullptr;
  TfrCompositeReport* frCRpt = nullptr;
  TfrDBDataSet* frDBDataSet1 = nullptr;
  TmemDs* mtAcct = nullptr;
  TfrDBDataSet* frDsAcct = nullptr;
  const TReportValues& Values() const { return FValues; }
  // The exchange file the last print wrote.
  const std::string& WrittenExchangeFile() const { return FWritten; }

  std::string TemplatePath(const std::string& name) const;
  // Raises Exception with the missing-template message.
  void RequireTemplate(const std::string& path) const;
  // Loads `path` into `report`; raises as Print does.
  void LoadTemplate(TfrReport& report, const std::string& path) const;

  ~TRegisterPrint() override;

 protected:
  explicit TRegisterPrint(TComponent* owner);

 private:
  void WriteExchange();
  void GetValue(const std::string& name, Variant& value);

  TDataSet* FTable = nullptr;
  int FFrameId = 0;
  TReportValues FValues;
  TInvoiceRows* FRows = nullptr;
  std::string FWritten;
};

// The print of a register: the dialog (through `AskParams` when set, else
// DlgParam modally with today's defaults), then the print, ordered by the
// certificate key, with the table's updates off and its position kept on
// every path.
extern std::function<bool(TPrintParams& params)> AskPrintParams;
void PrintRegisterOf(TRegisterDocument& document);
void PrintApplication2Of(TRegisterDocument& document);
// The document's print components, made on first use.
TRegisterPrint& RegisterPrintOf(TRegisterDocument& document);
// Those of the document the window shows.
TRegisterPrint& RegisterPrintOf(TCustFrame& frame);
