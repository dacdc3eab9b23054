// The standard function library of report expressions, the aggregates
// (SUM, AVG, COUNT, MIN, MAX) and their registration with data bands, the
// script binding of the report (TInterpretator) and the constants scripts
// may use.
//
// Aggregates: before a build every data band that has its own dataset is
// offered, in turn, the aggregate calls of the footers and summaries that
// may show its totals; each call is evaluated once in registration mode and
// enters its key (calling band, function code, expression, flags) in the
// data band's store. Each record then adds to every key; the calling band
// reads its key while it prints and resets it after. Counts are kept per
// key, so an average divides by the records that key actually added, and an
// average over no records is 0.
//
// GUI thread only.
#pragma once

#include <functional>
#include <string>

#include "platform/base/string_list.h"
#include "platform/base/variant.h"
#include "report/fr_interpreter.h"
#include "report/fr_object.h"

class TfrPage;
class TfrReport;

class TfrStdFunctionLibrary : public TfrFunctionLibrary {
  MEBRATH_CLASS(TfrStdFunctionLibrary, TfrFunctionLibrary)
 public:
  // Upper case, in function-number order.
  TStringList List;
  bool OnFunction(const std::string& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                  Variant& Val) override;
  void DoFunction(int FNo, const Variant& p1, const Variant& p2, const Variant& p3, Variant& Val);

 protected:
  TfrStdFunctionLibrary();
};

// Registers the standard library once.
void frRegisterStdFunctions();

// What INPUT and MESSAGEBOX show: frInstallReportWindows (report/preview)
// installs the input box and the message box at the program's start-up. A
// call without its hook raises EfrMissingHook (fr_report.h).
struct TfrFunctionHooks {
  std::function<std::string(const std::string& prompt, const std::string& value)> Input;
  std::function<int(const std::string& text, const std::string& caption, int flags)> MessageBox;
};
TfrFunctionHooks& frFunctionHooks();

// The report's script binding: names and functions through the report,
// assignments to report variables, dictionary variables, CURY, PROGRESS,
// object properties or new report variables.
class TInterpretator : public TfrInterpretator {
 public:
  explicit TInterpretator(TfrReport& report) : FReport(report) {}
  void GetValue(const std::string& Name, Variant& Value) override;
  void SetValue(const std::string& Name, const Variant& Value) override;
  void DoFunction(const std::string& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                  Variant& Val) override;

 private:
  TfrReport& FReport;
};

// Collects the aggregate calls of bracketed memo parts or of a script.
class TAggregateFunctionsSplitter {
 public:
  explicit TAggregateFunctionsSplitter(TStrings& list);
  void SplitMemo(const TStrings& memo);
  void SplitScript(const TStrings& script);

 private:
  TStringList FFunctions;
  TStrings& FList;
};

// Registers the aggregate calls of the page's bands with their data bands.
void RegisterAggregates(TfrPage& page);

// The engine constants (colours, modal results, CRLF, Null, font styles,
// frame sides, alignments, pen styles, message box flags). False when
// `name` is none of them.
bool frGetConstant(const std::string& name, Variant& value);
