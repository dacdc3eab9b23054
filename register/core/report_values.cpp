#include "register/core/report_values.h"

#include <algorithm>

#include "platform/base/exceptions.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "register/core/sum_in_words.h"
#include "storage/mem_ds.h"

const char* const kPrintMonthNames[12] = {"январь",   "февраль", "март",   "апрель",
                                          "май",      "июнь",    "июль",   "август",
                                          "сентябрь", "октябрь", "ноябрь", "декабрь"};

std::vector<std::string> PrintYearItems(TDateTime today) {
  std::vector<std::string> years;
  const int last = std::max(YearOf(today), kFirstPrintYear + 1);
  for (int y = kFirstPrintYear; y <= last; ++y) years.push_back(std::to_string(y));
  return years;
}

TPrintParams DefaultPrintParams(TDateTime today) {
  TPrintParams p;
  p.DDocText = FormatDateTime("dd.mm.yyyy", today);
  const TDateTime previous = IncMonth(today, -1);
  p.Month = MonthOf(previous);
  p.Year = std::max(YearOf(previous), kFirstPrintYear);
  return p;
}

namespace {

std::string PeriodDate(int year, int month, bool last) {
  const int day = last ? DaysInAMonth(year, month) : 1;
  return FormatDateTime("dd.mm.yyyy", EncodeDate(year, month, day));
}

}  // namespace

bool GetReportValue(const TReportValues& v, const std::string& name, Variant& value) {
  if (!name.empty() && name[0] == 'c') {
    const std::string key = name.substr(1, 40);
    value = Variant(v.Institution ? v.Institution(key) : std::string());
    return true;
  }
  const std::string n = UpperCase(name);
  const int month = std::clamp(v.Params.Month, 1, 12);
  if (n == "ADDOC") {
    // A blank mask is no date: printed empty.
    const std::string text = Trim(v.Params.DDocText);
    bool blank = true;
    for (char c : text) blank = blank && (c == '.' || c == '/' || c == ' ' || c == '_');
    value = blank ? Variant(std::string()) : Variant::FromDateTime(StrToDate(text));
  } else if (n == "ANDOC") {
    value = Variant(v.Params.NDoc);
  } else if (n == "AFDATE") {
    value = Variant(PeriodDate(v.Params.Year, month, false));
  } else if (n == "ALDATE") {
    value = Variant(PeriodDate(v.Params.Year, month, true));
  } else if (n == "AMONTH") {
    value = Variant(kPrintMonthNames[month - 1]);
  } else if (n == "AYEAR") {
    value = Variant(std::to_string(v.Params.Year));
  } else if (n == "APSUM") {
    value = Variant(SumInWords(v.Total.ToDouble()));
  } else if (n == "ATYPE") {
    value = Variant(v.FileType);
  } else if (n == "ASUM") {
    value = Variant(v.Total);
  } else if (n == "AMD5") {
    value = Variant(v.MD5);
  } else if (n == "TR") {
    value = Variant(v.RecordCount);
  } else {
    return false;
  }
  return true;
}

std::vector<double> InvoicePrices(int frameId) {
  switch (frameId) {
    case 1:
      return {2000, 3000};
    case 2:
      return {5000, 6000};
    default:
      return {1000};
  }
}

TInvoiceRows::TInvoiceRows(TDataSet& table, TmemDs& rows, int frameId)
    : FTable(table), FRows(rows), FFrameId(frameId) {}

void TInvoiceRows::First() {
  FRows.Close();
  FRows.Open();
  for (double price : InvoicePrices(FFrameId)) {
    FRows.Append();
    FRows.FieldByName("PRICE")->SetAsFloat(price);
    FRows.Post();
  }
  FTotal = Currency(0);
  // Fields are looked up once per print: the table may have been reopened.
  FSum = FTable.FieldByName("SUM");
  FQnt = FFrameId == 3 ? FTable.FieldByName("CQNT") : nullptr;
  Next();
}

void TInvoiceRows::Next() {
  if (!FTable.Eof()) Count();
}

void TInvoiceRows::Count() {
  const Currency s = FSum->AsCurrency();
  if (s == Currency(0)) return;
  if (s == Currency(5000) || s == Currency(2000))
    FRows.First();
  else
    FRows.Last();
  FRows.Edit();
  TField* cnt = FRows.FieldByName("CNT");
  cnt->SetAsInteger(cnt->AsInteger() + (FQnt != nullptr ? FQnt->AsInteger() : 1));
  FRows.Post();
  FTotal += s;
}
