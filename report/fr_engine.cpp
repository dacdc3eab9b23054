#include "report/fr_engine.h"

#include "platform/draw/bitmap.h"
#include "report/fr_data_dictionary.h"
#include "report/fr_format.h"
#include "report/fr_object.h"
#include "report/fr_view.h"

std::string TfrReportBase::ExpressionText(TfrView* view, const std::string& expression) {
  TfrCurrentReport current(this);
  const Variant value = frEngine().Parser.Calculate(expression);
  return FormatValue(value, view != nullptr ? view->Format : 0,
                     view != nullptr ? view->FormatStr : std::string());
}

std::string TfrReportBase::ParsedExpressionText(TfrView* view, const TfrExpression& expression) {
  return ExpressionText(view, expression.Text);
}

void TfrReportBase::GetVariableValue(const std::string& name, Variant& value) {
  const int i = FVariables.IndexOf(name);
  if (i >= 0) {
    value = FVariables.GetValueAt(i);
    return;
  }
  if (Dictionary().IsVariable(name)) Dictionary().GetValue(name, value);
}

Variant TfrEngine::Answer(const std::function<Variant()>& ask) {
  if (Answers.List == nullptr) return ask();
  if (Answers.Replay && Answers.Next < Answers.List->size()) return (*Answers.List)[Answers.Next++];
  Answers.List->push_back(ask());
  Answers.Next = Answers.List->size();
  return Answers.List->back();
}

namespace {
TCanvas* scratchReplacement = nullptr;
}  // namespace

TCanvas* frSetScratchCanvas(TCanvas* canvas) {
  TCanvas* previous = scratchReplacement;
  scratchReplacement = canvas;
  frEngine().LayoutCache.Clear();
  return previous;
}

TCanvas& frScratchCanvas() {
  if (scratchReplacement != nullptr) return *scratchReplacement;
  // Every text measured asks for it: the bitmap keeps its canvas for good.
  static TCanvas* const canvas = [] {
    static TBitmap bitmap;
    bitmap.SetSize(8, 8);
    return bitmap.Canvas();
  }();
  return *canvas;
}

void TfrReportBase::ExportText(const TRect&, int, int, const std::string&, int, TfrView*) {}
void TfrReportBase::DoFunction(const std::string& name, const Variant& p1, const Variant& p2,
                               const Variant& p3, Variant& val) {
  for (TfrFunctionLibrary* library : FunctionLibraries())
    if (library->OnFunction(name, p1, p2, p3, val)) return;
}

void TfrReportBase::BeforePrint(TfrView*, TStrings&) {}
void TfrReportBase::RunViewScript(TfrView*) {}
void TfrReportBase::BeginPage(int) {}
bool TfrReportBase::ObjectClick(TfrView*) { return false; }
bool TfrReportBase::MouseOverObject(TfrView*, TCursor&) { return false; }

void TfrCurrentReport::Install(TfrReportBase* report) {
  FHandlers = std::make_unique<TSavedHandlers>(
      TSavedHandlers{frEngine().Parser.OnGetValue, frEngine().Parser.OnFunction});
  frEngine().CurReport = report;
  frEngine().Parser.OnGetValue = [report](const std::string& name, Variant& value) {
    report->GetVariableValue(name, value);
  };
  frEngine().Parser.OnFunction = [report](const std::string& name, const Variant& p1,
                                          const Variant& p2, const Variant& p3, Variant& val) {
    report->DoFunction(name, p1, p2, p3, val);
  };
}

void TfrCurrentReport::Restore() {
  frEngine().CurReport = FSaved;
  frEngine().Parser.OnGetValue = std::move(FHandlers->GetValue);
  frEngine().Parser.OnFunction = std::move(FHandlers->Function);
}
