#include "report/fr_functions.h"

#include <algorithm>
#include <unordered_map>

#include "platform/base/date_time.h"
#include "platform/base/edit_mask.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "report/fr_band.h"
#include "report/fr_data_dictionary.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_report.h"

namespace {

constexpr const char* kStdFunctions[] = {"AVG",         "COUNT",      "DAYOF",   "FORMATDATETIME",
                                         "FORMATFLOAT", "FORMATTEXT", "INPUT",   "LENGTH",
                                         "LOWERCASE",   "MAX",        "MAXNUM",  "MESSAGEBOX",
                                         "MIN",         "MINNUM",     "MONTHOF", "NAMECASE",
                                         "POS",         "SUM",        "TRIM",    "UPPERCASE",
                                         "YEAROF"};

enum TFunc {
  fnAvg,
  fnCount,
  fnDayOf,
  fnFormatDateTime,
  fnFormatFloat,
  fnFormatText,
  fnInput,
  fnLength,
  fnLowerCase,
  fnMax,
  fnMaxNum,
  fnMessageBox,
  fnMin,
  fnMinNum,
  fnMonthOf,
  fnNameCase,
  fnPos,
  fnSum,
  fnTrim,
  fnUpperCase,
  fnYearOf
};

// Registration state: the data band offered the calls and the band whose
// calls are evaluated.
struct TRegistration {
  bool Active = false;
  bool InCross = false;  // the call is in a cell of a cross-tab column
  TfrBand* Candidate = nullptr;
  TfrBand* Caller = nullptr;
};
TRegistration& Registration() {
  static TRegistration r;
  return r;
}

Variant Calc(const Variant& text) { return frEngine().Parser.Calculate(VarToStr(text)); }
std::string CalcStr(const Variant& text) { return VarToStr(Calc(text)); }

int AggregateCode(int fno) {
  switch (fno) {
    case fnSum:
      return 11;
    case fnMin:
      return 12;
    case fnMax:
      return 13;
    case fnAvg:
      return 14;
    default:
      return 15;
  }
}

// The band kind whose band (or child chain owner) `band` is.
int OwnerKind(TfrBand* band) {
  if (band->Kind != btChild) return band->Kind;
  for (TfrBand* first : band->Parent->Bands)
    for (TfrBand* b = first; b != nullptr; b = b->Next)
      for (TfrBand* c = b->Child; c != nullptr; c = c->Child)
        if (c == band) return b->Kind;
  return btNone;
}

int DefaultDataKind(int callerKind) {
  switch (callerKind) {
    case btReportSummary:
    case btPageFooter:
    case btMasterFooter:
    case btGroupFooter:
      return btMasterData;
    case btDetailFooter:
      return btDetailData;
    case btSubDetailFooter:
      return btSubDetailData;
    case btCrossFooter:
      return btCrossData;
    default:
      return -1;
  }
}

std::string AggregateKey(TfrBand* caller, int code, const std::string& expr,
                         const std::string& flags) {
  return caller->Name + '\x01' + static_cast<char>(code) + '\x01' + expr + '\x01' + flags;
}

void Aggregate(int fno, const Variant& p1, const Variant& p2, const Variant& p3, Variant& val) {
  const bool count = fno == fnCount;
  const std::string expr = count ? std::string() : Trim(VarToStr(p1));
  const std::string bandArg = Trim(VarToStr(count ? p1 : p2));
  const std::string flags = Trim(VarToStr(count ? p2 : p3));
  const int code = AggregateCode(fno);
  TRegistration& r = Registration();
  if (r.Active) {
    TfrBand* candidate = r.Candidate;
    std::string name = bandArg;
    if (name.empty()) {
      if (DefaultDataKind(OwnerKind(r.Caller)) != candidate->Kind) return;
      name = candidate->Name;
    }
    if (!SameText(name, candidate->Name)) return;
    // Cells of a cross-tab column keep one total per column: the "0" key
    // is their pattern.
    const std::string key = (r.InCross ? std::string("0\x01") : std::string()) +
                            AggregateKey(r.Caller, code, expr, flags);
    if (candidate->Values.IndexOf(key) < 0) {
      candidate->Values.SetVariable(key, Variant(code == 12 ? 1e300 : 0.0));
      candidate->Counts.resize(static_cast<std::size_t>(candidate->Values.Count()), 0);
    }
    r.Caller->AggregateSource = candidate;
    return;
  }
  TfrBand* caller = frEngine().CurRuntimeBand;
  if (caller == nullptr || caller->AggregateSource == nullptr) return;
  TfrBand* source = caller->AggregateSource;
  const int column = frEngine().CrossColumn;
  std::string key = AggregateKey(caller, code, expr, flags);
  if (column > 0 && source->Values.IndexOf("0\x01" + key) >= 0) {
    key = std::to_string(column) + '\x01' + key;
    if (source->Values.IndexOf(key) < 0) {
      val = Variant(0);  // nothing in this column yet
      return;
    }
  }
  const int i = source->Values.IndexOf(key);
  if (i < 0) return;
  val = source->Values.GetValueAt(i);
  if (fno == fnAvg) {
    const int n = static_cast<std::size_t>(i) < source->Counts.size()
                      ? source->Counts[static_cast<std::size_t>(i)]
                      : 0;
    val = Variant(n == 0 ? 0.0 : val.AsDouble() / n);
  }
}

std::vector<TfrBand*> ChainWithChildren(TfrBand* first) {
  std::vector<TfrBand*> out;
  for (TfrBand* b = first; b != nullptr; b = b->Next)
    for (TfrBand* c = b; c != nullptr; c = c->Child) {
      if (std::find(out.begin(), out.end(), c) != out.end()) break;
      out.push_back(c);
    }
  return out;
}

}  // namespace

TfrStdFunctionLibrary::TfrStdFunctionLibrary() {
  for (const char* name : kStdFunctions) List.Add(name);
}

bool TfrStdFunctionLibrary::OnFunction(const std::string& name, const Variant& p1,
                                       const Variant& p2, const Variant& p3, Variant& val) {
  const int i = List.IndexOf(name);
  if (i < 0) return false;
  DoFunction(i, p1, p2, p3, val);
  return true;
}

void TfrStdFunctionLibrary::DoFunction(int fno, const Variant& p1, const Variant& p2,
                                       const Variant& p3, Variant& val) {
  switch (fno) {
    case fnAvg:
    case fnCount:
    case fnMax:
    case fnMin:
    case fnSum:
      Aggregate(fno, p1, p2, p3, val);
      break;
    case fnDayOf:
      val = Variant(StrToInt(FormatDateTime("d", Calc(p1).AsDateTime())));
      break;
    case fnMonthOf:
      val = Variant(StrToInt(FormatDateTime("m", Calc(p1).AsDateTime())));
      break;
    case fnYearOf:
      val = Variant(StrToInt(FormatDateTime("yyyy", Calc(p1).AsDateTime())));
      break;
    case fnFormatDateTime:
      val = Variant(FormatDateTime(CalcStr(p1), Calc(p2).AsDateTime()));
      break;
    case fnFormatFloat:
      val = Variant(FormatFloat(CalcStr(p1), Calc(p2).AsDouble()));
      break;
    case fnFormatText:
      val = Variant(FormatMaskText(CalcStr(p1) + ";0; ", CalcStr(p2)));
      break;
    case fnInput: {
      const std::string prompt = CalcStr(p1);
      const std::string def = VarToStr(p2).empty() ? std::string() : CalcStr(p2);
      val = frEngine().Answer(
          [&] { return Variant(frRequireHook(frFunctionHooks().Input, "Input")(prompt, def)); });
      break;
    }
    case fnLength:
      val = Variant(Length(CalcStr(p1)));
      break;
    case fnLowerCase:
      val = Variant(AnsiLowerCase(CalcStr(p1)));
      break;
    case fnUpperCase:
      val = Variant(AnsiUpperCase(CalcStr(p1)));
      break;
    case fnMaxNum:
    case fnMinNum: {
      const Variant a = Calc(p1), b = Calc(p2);
      const bool aWins = fno == fnMaxNum ? !(a < b) : !(b < a);
      val = aWins ? a : b;
      break;
    }
    case fnMessageBox: {
      const std::string text = CalcStr(p1), caption = CalcStr(p2);
      const int flags = Calc(p3).AsInteger();
      val = frEngine().Answer([&] {
        return Variant(
            frRequireHook(frFunctionHooks().MessageBox, "MessageBox")(text, caption, flags));
      });
      break;
    }
    case fnNameCase: {
      const std::string s = AnsiLowerCase(CalcStr(p1));
      val = Variant(s.empty() ? s : AnsiUpperCase(Copy(s, 1, 1)) + Copy(s, 2, Length(s)));
      break;
    }
    case fnPos:
      val = Variant(Pos(CalcStr(p1), CalcStr(p2)));
      break;
    case fnTrim:
      val = Variant(Trim(CalcStr(p1)));
      break;
    default:
      break;
  }
}

void frRegisterStdFunctions() { RegisterFunctionLibrary<TfrStdFunctionLibrary>(); }

TfrFunctionHooks& frFunctionHooks() {
  static TfrFunctionHooks hooks;
  return hooks;
}

void TInterpretator::GetValue(const std::string& name, Variant& value) {
  FReport.GetVariableValue(name, value);
}

void TInterpretator::DoFunction(const std::string& name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& val) {
  FReport.DoFunction(name, p1, p2, p3, val);
}

void TInterpretator::SetValue(const std::string& name, const Variant& value) {
  TfrEngine& e = frEngine();
  if (FReport.Variables().IndexOf(name) >= 0) {
    FReport.Variables().SetVariable(name, value);
    return;
  }
  TfrDataDictionary& dictionary = FReport.Dictionary();
  for (int i = 0; i < dictionary.Variables.Count(); ++i) {
    const std::string n = dictionary.Variables.Names(i);
    if (!n.empty() && n[0] != ' ' && SameText(n, name)) {
      std::string text = VarToStr(value);
      if (VarType(value) == varString)
        text = "'" + StringReplace(text, "'", "''", {rfReplaceAll}) + "'";
      dictionary.Variables.SetValues(n, text);
      return;
    }
  }
  const std::string upper = AnsiUpperCase(name);
  if (upper == "MODALRESULT") {
    if (e.CurPage != nullptr && e.CurPage->PageType == ptDialog)
      e.CurPage->ModalResult = value.AsInteger();
    return;
  }
  if (upper == "CURY") {
    if (e.CurPage != nullptr) e.CurPage->CurY = value.AsInteger();
    if (e.CurRuntimeBand != nullptr &&
        (e.CurRuntimeBand->ForceNewPage > 0 || e.CurRuntimeBand->ForceNewColumn > 0))
      e.CurRuntimeBand->CurYSet = true;
    return;
  }
  if (upper == "PROGRESS") {
    if (frReportHooks().Progress) frReportHooks().Progress(VarToStr(value));
    return;
  }
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) {
    if (TfrView* view = FindObjectByName(name.substr(0, dot))) {
      const std::string prop = name.substr(dot + 1);
      if (view->FindProperty(prop) != nullptr) {
        view->SetPropertyValue(prop, value);
        return;
      }
    }
    if (e.CurPage != nullptr && SameText(name.substr(0, dot), e.CurPage->Name)) {
      e.CurPage->SetPropertyValue(name.substr(dot + 1), value);
      return;
    }
  }
  FReport.Variables().SetVariable(name, value);
}

TAggregateFunctionsSplitter::TAggregateFunctionsSplitter(TStrings& list) : FList(list) {
  for (const char* name : {"AVG", "COUNT", "MAX", "MIN", "SUM"}) FFunctions.Add(name);
}

void TAggregateFunctionsSplitter::SplitMemo(const TStrings& memo) {
  TfrFunctionSplitter splitter(FFunctions, FList, nullptr);
  for (int i = 0; i < memo.Count(); ++i) {
    const std::string line = memo[i];
    std::size_t pos = 0;
    while ((pos = line.find('[', pos)) != std::string::npos) {
      std::size_t finish;
      const std::string inner = GetBracketedText(line, pos, finish);
      if (finish >= line.size()) break;
      splitter.Split(inner);
      pos = finish + 1;
    }
  }
}

void TAggregateFunctionsSplitter::SplitScript(const TStrings& script) {
  if (script.Count() == 0) return;
  TfrInterpretator interp;
  TStringList compiled, errors;
  interp.CompileScript(script, compiled, errors);
  interp.SplitExpressions(compiled, FFunctions, FList, nullptr);
}

void RegisterAggregates(TfrPage& page) {
  TfrEngine& e = frEngine();
  TRegistration& r = Registration();
  TfrBand* const crossData = page.Bands[btCrossData];
  const auto offerTo = [&](TfrBand* caller, const std::vector<TfrView*>& objects) {
    TStringList calls, columnCalls;
    TAggregateFunctionsSplitter splitter(calls), columnSplitter(columnCalls);
    try {
      splitter.SplitScript(caller->Script);
      for (TfrView* v : objects) {
        bool inColumn = false;
        for (const auto& [cell, owner] : caller->CrossCells)
          inColumn = inColumn || (cell == v && owner == crossData);
        TAggregateFunctionsSplitter& to = inColumn ? columnSplitter : splitter;
        if (dynamic_cast<TfrMemoView*>(v) != nullptr) to.SplitMemo(v->Memo);
        to.SplitScript(v->Script);
      }
    } catch (const Exception&) {
      return;
    }
    r.Caller = caller;
    TfrBand* const savedBand = e.CurRuntimeBand;
    e.CurRuntimeBand = caller;
    for (TStringList* list : {&calls, &columnCalls}) {
      r.InCross = list == &columnCalls;
      for (int i = 0; i < list->Count(); ++i) {
        try {
          e.Parser.Calculate((*list)[i]);
        } catch (const Exception&) {
          // Only the registration matters here.
        }
      }
    }
    r.InCross = false;
    e.CurRuntimeBand = savedBand;
  };
  const auto offer = [&](std::initializer_list<int> kinds) {
    for (int kind : kinds)
      for (TfrBand* caller : ChainWithChildren(page.Bands[kind])) offerTo(caller, caller->Objects);
  };
  r.Active = true;
  {
    TScopeExit registered([&r] { r = TRegistration{}; });
    for (TfrBand* d = page.Bands[btMasterData]; d != nullptr; d = d->Next) {
      if (d->DataSet == nullptr) continue;
      r.Candidate = d;
      offer({btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary});
    }
    for (TfrBand* d = page.Bands[btDetailData]; d != nullptr; d = d->Next) {
      if (d->DataSet == nullptr) continue;
      r.Candidate = d;
      offer({btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary,
             btDetailFooter});
    }
    for (TfrBand* d = page.Bands[btSubDetailData]; d != nullptr; d = d->Next) {
      if (d->DataSet == nullptr) continue;
      r.Candidate = d;
      offer({btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary,
             btDetailFooter, btSubDetailFooter});
    }
    // The cross footer's cells lie on the row bands; they total the
    // columns of their row.
    TfrBand* crossFooter = page.Bands[btCrossFooter];
    if (crossData != nullptr && crossFooter != nullptr) {
      std::vector<TfrView*> cells;
      for (TfrBand* first : page.Bands)
        for (TfrBand* b = first; b != nullptr; b = b->Next)
          for (const auto& [view, owner] : b->CrossCells)
            if (owner == crossFooter) cells.push_back(view);
      r.Candidate = crossData;
      offerTo(crossFooter, cells);
    }
  }
}

bool frGetConstant(const std::string& name, Variant& value) {
  static const std::unordered_map<std::string, long long> table = [] {
    std::unordered_map<std::string, long long> t = {{"CLWHITE", 0xFFFFFF},
                                                    {"CLBLACK", 0},
                                                    {"CLMAROON", 0x80},
                                                    {"CLGREEN", 0x8000},
                                                    {"CLOLIVE", 0x8080},
                                                    {"CLNAVY", 0x800000},
                                                    {"CLPURPLE", 0x800080},
                                                    {"CLTEAL", 0x808000},
                                                    {"CLGRAY", 0x808080},
                                                    {"CLSILVER", 0xC0C0C0},
                                                    {"CLRED", 0xFF},
                                                    {"CLLIME", 0xFF00},
                                                    {"CLYELLOW", 0xFFFF},
                                                    {"CLBLUE", 0xFF0000},
                                                    {"CLFUCHSIA", 0xFF00FF},
                                                    {"CLAQUA", 0xFFFF00},
                                                    {"CLTRANSPARENT", 0x1FFFFFFF},
                                                    {"MRNONE", 0},
                                                    {"MROK", 1},
                                                    {"MRCANCEL", 2},
                                                    {"MRYES", 6},
                                                    {"MRNO", 7},
                                                    {"FSBOLD", 2},
                                                    {"FSITALIC", 1},
                                                    {"FSUNDERLINE", 4},
                                                    {"FSSTRIKEOUT", 8},
                                                    {"FRFTNONE", 0},
                                                    {"FRFTRIGHT", 1},
                                                    {"FRFTBOTTOM", 2},
                                                    {"FRFTLEFT", 4},
                                                    {"FRFTTOP", 8},
                                                    {"FRTALEFT", 0},
                                                    {"FRTARIGHT", 1},
                                                    {"FRTACENTER", 2},
                                                    {"FRTAVERTICAL", 4},
                                                    {"FRTAMIDDLE", 8},
                                                    {"FRTADOWN", 16},
                                                    {"BANONE", 0},
                                                    {"BALEFT", 1},
                                                    {"BARIGHT", 2},
                                                    {"BACENTER", 3},
                                                    {"BAWIDTH", 4},
                                                    {"BABOTTOM", 5},
                                                    {"BATOP", 6},
                                                    {"BAREST", 7},
                                                    {"PSSOLID", 0},
                                                    {"PSDASH", 1},
                                                    {"PSDOT", 2},
                                                    {"PSDASHDOT", 3},
                                                    {"PSDASHDOTDOT", 4},
                                                    {"PSDOUBLE", 5},
                                                    {"MB_OK", 0},
                                                    {"MB_OKCANCEL", 1},
                                                    {"MB_YESNO", 4},
                                                    {"MB_YESNOCANCEL", 3},
                                                    {"MB_ICONERROR", 16},
                                                    {"MB_ICONQUESTION", 32},
                                                    {"MB_ICONINFORMATION", 64},
                                                    {"MB_ICONWARNING", 48}};
    const char* system[] = {
        "CLSCROLLBAR",    "CLBACKGROUND",  "CLACTIVECAPTION", "CLINACTIVECAPTION",
        "CLMENU",         "CLWINDOW",      "CLWINDOWFRAME",   "CLMENUTEXT",
        "CLWINDOWTEXT",   "CLCAPTIONTEXT", "CLACTIVEBORDER",  "CLINACTIVEBORDER",
        "CLAPPWORKSPACE", "CLHIGHLIGHT",   "CLHIGHLIGHTTEXT", "CLBTNFACE",
        "CLBTNSHADOW",    "CLGRAYTEXT",    "CLBTNTEXT",       "CLINACTIVECAPTIONTEXT",
        "CLBTNHIGHLIGHT", "CL3DDKSHADOW",  "CL3DLIGHT",       "CLINFOTEXT",
        "CLINFOBK"};
    long long v = 0xFF000000LL;
    for (const char* n : system) t[n] = v++;
    return t;
  }();
  const std::string upper = UpperCase(name);
  if (upper == "CRLF") {
    value = Variant(std::string("\r\n"));
    return true;
  }
  if (upper == "NULL") {
    value = VarNull();
    return true;
  }
  auto it = table.find(upper);
  if (it == table.end()) return false;
  // System colours keep the high byte, as TColor holds them.
  value = Variant(static_cast<int>(static_cast<std::uint32_t>(it->second)));
  return true;
}
