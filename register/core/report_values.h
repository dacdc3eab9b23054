// The values a printed register gives its report templates, the print
// dialog's start values, and the invoice rows counted while the register
// list is built. Free of windows, so they are tested on plain datasets.
// GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/currency.h"
#include "platform/base/date_time.h"
#include "platform/base/variant.h"

class TDataSet;
class TField;
class TmemDs;

// What the print dialog supplies.
struct TPrintParams {
  std::string NDoc = "1";
  std::string DDocText;  // the date edit's text, "dd.mm.yyyy" or blanks
  bool Acct = true;
  int Month = 1;  // 1..12
  int Year = 2006;
};

extern const char* const kPrintMonthNames[12];
inline constexpr int kFirstPrintYear = 2006;

// "2006" .. the current year (at least "2006" and "2007").
std::vector<std::string> PrintYearItems(TDateTime today);
// Number "1", date today, the previous month and that month's year.
TPrintParams DefaultPrintParams(TDateTime today);

// The named values of a print.
struct TReportValues {
  TPrintParams Params;
  std::function<std::string(const std::string& key)> Institution;
  int FileType = 0;
  Currency Total;
  std::string MD5;
  int RecordCount = 0;
};

// Answers `name` when it is one of ours: a name beginning with a
// lower-case "c" is an institution key (an absent key gives ""), the
// others are compared without regard to case. False leaves `value` alone
// for the engine's own names. A date text that is not blank and no date
// raises EConvertError.
bool GetReportValue(const TReportValues& values, const std::string& name, Variant& value);

// The invoice rows of a register kind: the price rows, and per record the
// row it counts in. Driven by the register dataset's first and next
// events; the register dataset is positioned by the report.
class TInvoiceRows {
 public:
  TInvoiceRows(TDataSet& table, TmemDs& rows, int frameId);
  // Empties the rows, adds the kind's prices, total 0; counts the record.
  void First();
  // Counts the current record unless the table is past its end.
  void Next();
  Currency Total() const { return FTotal; }

 private:
  void Count();
  TDataSet& FTable;
  TmemDs& FRows;
  int FFrameId;
  Currency FTotal;
  TField* FSum = nullptr;
  TField* FQnt = nullptr;
};

// The price rows of a kind (1: 2000, 3000; 2: 5000, 6000; 3: 1000).
std::vector<double> InvoicePrices(int frameId);
