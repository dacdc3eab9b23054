// Shared helpers of the report engine's tests: a small table of records.
#pragma once

#include <string>

#include "platform/base/component.h"
#include "platform/data/fields.h"
#include "platform/data/tests/array_data_set.h"

// A table "Table1" owned by `owner` with ID (integer) and NAME (text),
// holding `rows` records ID 1..rows, NAME "n<i>"; open, on the first record.
inline TArrayDataSet* MakeTable(TComponent* owner, int rows, const std::string& name = "Table1") {
  auto* ds = Create<TArrayDataSet>(owner);
  ds->SetName(name);
  ds->Columns = {{"ID", ftInteger}, {"NAME", ftString, 10}};
  ds->Open();
  for (int i = 1; i <= rows; ++i) {
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(i);
    ds->FieldByName("NAME")->SetAsString("n" + std::to_string(i));
    ds->Post();
  }
  ds->First();
  return ds;
}

inline int CurrentId(TDataSet* ds) { return ds->FieldByName("ID")->AsInteger(); }

#include <functional>
#include <map>

#include "report/fr_data_dictionary.h"
#include "report/fr_engine.h"
#include "report/fr_pages.h"

// A bare report: its pages, prepared pages and dictionary, with
// expression texts from `Texts` when listed (else the default resolution).
class TTestReport : public TfrReportBase {
  MEBRATH_CLASS(TTestReport, TfrReportBase)
 public:
  TfrPages& Pages() override { return FPages; }
  TfrEMFPages& EMFPages() override { return FEMFPages; }
  TfrDataDictionary& Dictionary() override { return FDictionary; }

  std::map<std::string, std::string> Texts;
  std::vector<std::string> Asked;
  std::function<void(TfrView*, TStrings&)> OnBeforePrint;
  std::vector<int> BegunPages;
  std::vector<std::string> Clicked;

  std::string ExpressionText(TfrView* view, const std::string& expression) override {
    Asked.push_back(expression);
    auto it = Texts.find(expression);
    if (it != Texts.end()) return it->second;
    return TfrReportBase::ExpressionText(view, expression);
  }
  void BeforePrint(TfrView* view, TStrings& memo) override {
    if (OnBeforePrint) OnBeforePrint(view, memo);
  }
  void BeginPage(int pageNo) override { BegunPages.push_back(pageNo); }
  bool ObjectClick(TfrView* view) override {
    Clicked.push_back(view->Name);
    return true;
  }

 protected:
  explicit TTestReport(TComponent* owner) : TfrReportBase(owner), FPages(*this), FEMFPages(*this) {}

 private:
  TfrPages FPages;
  TfrEMFPages FEMFPages;
  TfrDataDictionary FDictionary;
};

// Bytes from a list of small numbers and characters.
inline std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s += static_cast<char>(x);
  return s;
}
