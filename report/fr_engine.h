// The engine-wide state of the report engine and the least it needs of the
// report object.
//
// The engine works on one report at a time: the report that is being read,
// prepared or shown makes itself current (CurReport) and points the shared
// parser at its value resolver. The objects of this library reach the
// report only through TfrReportBase, which the report class derives from;
// its defaults make a bare report usable in tests.
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/component.h"
#include "platform/base/string_list.h"
#include "platform/draw/canvas.h"
#include "platform/draw/cursors.h"
#include "report/fr_layout_cache.h"
#include "report/fr_parser.h"

class TfrBand;
class TfrDataDictionary;
class TfrEMFPages;
class TfrPage;
class TfrPages;
class TfrView;
class TStrings;

enum TfrDocMode { dmDesigning, dmPrinting };

// The report as the engine's objects see it.
class TfrReportBase : public TComponent {
  MEBRATH_CLASS(TfrReportBase, TComponent)
 public:
  virtual TfrPages& Pages() = 0;
  virtual TfrEMFPages& EMFPages() = 0;
  virtual TfrDataDictionary& Dictionary() = 0;
  // The report's own (script) variables.
  TfrVariables& Variables() { return FVariables; }

  // The text that replaces the bracketed `expression` of `view` (value
  // resolution and formatting). The default evaluates it with the shared
  // parser through GetVariableValue and formats it by the view's format.
  virtual std::string ExpressionText(TfrView* view, const std::string& expression);
  // The same text for an expression split from its memo line once
  // (SplitBracketedLine): what ExpressionText(view, expression.Text) gives.
  // The default calls that; a report overriding one of the two overrides
  // both.
  virtual std::string ParsedExpressionText(TfrView* view, const TfrExpression& expression);
  // The value of a name met in an expression: the report's variables, then
  // the dictionary. Empty when neither knows it.
  virtual void GetVariableValue(const std::string& name, Variant& value);
  // A function the parser does not know; the installed libraries by
  // default. `Val` enters as Empty.
  virtual void DoFunction(const std::string& name, const Variant& p1, const Variant& p2,
                          const Variant& p3, Variant& val);
  // Before `view` prints, with its evaluated memo: blob content and the
  // report's OnBeforePrint. Nothing by default.
  virtual void BeforePrint(TfrView* view, TStrings& memo);
  // The object's script, run after BeforePrint. Nothing by default.
  virtual void RunViewScript(TfrView* view);
  // False when BeforePrint and RunViewScript would leave `view` and its
  // memo as they are (no handler, no script): the caller may then skip
  // them.
  virtual bool WantsBeforePrint(const TfrView* view) const {
    (void)view;
    return true;
  }
  // A prepared page was added with this number.
  virtual void BeginPage(int pageNo);
  // Preview pointing: true when an assigned handler was called.
  virtual bool ObjectClick(TfrView* view);
  virtual bool MouseOverObject(TfrView* view, TCursor& cursor);
  // One line of an exported text object for the export filter; nothing
  // while no filter is active.
  virtual void ExportText(const TRect& rect, int x, int y, const std::string& text, int frameTyp,
                          TfrView* view);

  bool Terminated = false;

 protected:
  explicit TfrReportBase(TComponent* owner) : TComponent(owner) {}

 private:
  TfrVariables FVariables;
};

// Where the band being printed lies on the prepared page (run-time band).
struct TfrBandPlace {
  int x = 0, y = 0, dx = 0, dy = 0;
  bool Cross = false;
};

// One installed function, for a designer's list.
struct TfrFunctionDescription {
  const TClassInfo* Library = nullptr;
  std::string Name, Category, Description;
};

class TfrFunctionLibrary;

struct TfrEngine {
  // Version of the template being read (24 is current).
  int Version = 24;
  TfrDocMode DocMode = dmDesigning;
  TfrReportBase* CurReport = nullptr;
  TfrReportBase* MasterReport = nullptr;
  TfrPage* CurPage = nullptr;
  TfrView* CurView = nullptr;             // the object being printed
  TfrView* CurBandView = nullptr;         // the band object being printed
  const TfrBandPlace* CurBand = nullptr;  // its run-time place
  bool ErrorFlag = false;
  std::string ErrorStr;
  // Source of every object's ID.
  int ObjectCounter = 0;
  TfrParser Parser;
  std::vector<TfrFunctionDescription> Functions;
  // Building state.
  TfrBand* CurRuntimeBand = nullptr;  // the band being printed
  int PageNo = 0;                     // the prepared page being written (PAGE# - 1)
  int TotalPages = 0;                 // of the first pass; 0 in one pass
  bool AppendPage = false;            // the next report continues on the last page
  int SavedY = 0, SavedBottomY = 0;
  std::vector<TfrBand*> Pending;      // bands queued by the data loop
  std::vector<TfrView*> HookObjects;  // objects with flWantHook
  // While the cells of a cross-tab column print: its number (COLUMN#);
  // their aggregates read that column's totals. 0 otherwise.
  int CrossColumn = 0;
  Variant CurValue;  // VALUE
  // Page and column breaks made so far: a text evaluated before a break
  // moved its object is evaluated again where it prints (PAGE#).
  unsigned Breaks = 0;
  // The answers the dialogs of an object's text (INPUT, MESSAGEBOX) gave
  // in this print: a text evaluated again replays them instead of asking.
  struct TDialogAnswers {
    std::vector<Variant>* List = nullptr;  // none: dialogs just ask
    std::size_t Next = 0;                  // the next one to replay
    bool Replay = false;
  } Answers;
  // A dialog's answer: `ask`ed, recorded or replayed as Answers says.
  Variant Answer(const std::function<Variant()>& ask);
  // A printed text object takes the text its band measured in the same
  // print; off, it expands its text again (for comparing). Its script
  // runs once either way.
  bool ReuseMeasuredText = true;
  Variant StartDate, StartTime;  // DATE, TIME
  // The lines and height of the last text layout.
  TStringList LayoutList;
  int LayoutHeight = 0;
  // Paragraphs wrapped so far in this build.
  TfrLayoutCache LayoutCache;
};

// Inline: the engine's objects ask for it many times per printed object.
inline TfrEngine& frEngine() {
  static TfrEngine engine;
  return engine;
}
// The canvas of the engine's scratch bitmap: every text layout measures on
// it.
TCanvas& frScratchCanvas();
// Measures on `canvas` instead (nullptr: the bitmap's again); returns the
// previous replacement. For measuring with another canvas's metrics.
TCanvas* frSetScratchCanvas(TCanvas* canvas);

// Sets CurReport and points the shared parser's names at it; restores the
// previous report when it goes out of scope. The report that is current
// already is left as it is (its resolver was installed with it).
class TfrCurrentReport {
 public:
  // Inline: every expression of a build asks, and its report is current.
  explicit TfrCurrentReport(TfrReportBase* report)
      : FSaved(frEngine().CurReport), FActive(report != FSaved) {
    if (FActive) Install(report);
  }
  ~TfrCurrentReport() {
    if (FActive) Restore();
  }
  TfrCurrentReport(const TfrCurrentReport&) = delete;
  TfrCurrentReport& operator=(const TfrCurrentReport&) = delete;

 private:
  void Install(TfrReportBase* report);
  void Restore();
  // The parser's handlers before Install, kept only when it installed.
  struct TSavedHandlers {
    TGetPValueEvent GetValue;
    TFunctionEvent Function;
  };
  TfrReportBase* FSaved;
  bool FActive;
  std::unique_ptr<TSavedHandlers> FHandlers;
};
