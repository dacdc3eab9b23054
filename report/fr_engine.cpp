#include "report/fr_engine.h"

#include "report/fr_data_dictionary.h"
#include "report/fr_format.h"
#include "report/fr_view.h"

TfrEngine& frEngine() {
  static TfrEngine engine;
  return engine;
}

std::string TfrReportBase::ExpressionText(TfrView* view, const std::string& expression) {
  TfrCurrentReport current(this);
  const Variant value = frEngine().Parser.Calculate(expression);
  return FormatValue(value, view != nullptr ? view->Format : 0,
                     view != nullptr ? view->FormatStr : std::string());
}

void TfrReportBase::GetVariableValue(const std::string& name, Variant& value) {
  const int i = FVariables.IndexOf(name);
  if (i >= 0) {
    value = FVariables.GetValueAt(i);
    return;
  }
  if (Dictionary().IsVariable(name)) Dictionary().GetValue(name, value);
}

void TfrReportBase::BeforePrint(TfrView*, TStrings&) {}
void TfrReportBase::BeginPage(int) {}
bool TfrReportBase::ObjectClick(TfrView*) { return false; }
bool TfrReportBase::MouseOverObject(TfrView*, TCursor&) { return false; }

TfrCurrentReport::TfrCurrentReport(TfrReportBase* report) : FSaved(frEngine().CurReport) {
  // Already current (a nested call during a build): nothing to change.
  FActive = report != FSaved;
  if (!FActive) return;
  FSavedGetValue = frEngine().Parser.OnGetValue;
  frEngine().CurReport = report;
  frEngine().Parser.OnGetValue = [report](const std::string& name, Variant& value) {
    report->GetVariableValue(name, value);
  };
}

TfrCurrentReport::~TfrCurrentReport() {
  if (!FActive) return;
  frEngine().CurReport = FSaved;
  frEngine().Parser.OnGetValue = std::move(FSavedGetValue);
}
