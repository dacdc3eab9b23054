#include "report/fr_object.h"

#include <map>
#include <unordered_set>

#include "platform/base/exceptions.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "report/fr_band_view.h"
#include "report/fr_dataset.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_picture_view.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

// --- TfrObject --------------------------------------------------------------

void TfrObject::EnsureDeclared() const {
  if (FDeclared) return;
  auto* self = const_cast<TfrObject*>(this);
  self->FDeclared = true;
  self->DeclareProperties();
}

const std::vector<std::unique_ptr<TfrProp>>& TfrObject::Properties() const {
  EnsureDeclared();
  return FProps;
}

void TfrObject::SetPropertyValue(const std::string&, const Variant&) {}

Variant TfrObject::GetPropertyValue(const std::string&) { return Variant(); }

void TfrObject::CallMethod(const std::string&, const std::string&, const std::string&,
                           const std::string&, Variant& Val) {
  Val = Variant();
}

void TfrObject::AddProperty(std::string_view Name, std::uint8_t Kind, int Hint1, int Hint2) {
  auto prop = std::make_unique<TfrProp>();
  prop->Name = Copy(Name, 1, kMaxPropertyName);
  prop->Kind = Kind;
  prop->Hint1 = Hint1;
  prop->Hint2 = Hint2;
  FProps.push_back(std::move(prop));
}

void TfrObject::AddEnumProperty(std::string_view Name, std::string_view names,
                                std::vector<Variant> values) {
  AddProperty(Name, frdtEnum);
  TfrProp& prop = *FProps.back();
  SplitSemicolonList(names, prop.Enum);
  if (values.empty()) values.resize(static_cast<std::size_t>(prop.Enum.Count()));
  prop.EnumValues = std::move(values);
}

const TfrProp* TfrObject::FindProperty(std::string_view Name) const {
  EnsureDeclared();
  for (const auto& prop : FProps)
    if (AnsiSameText(prop->Name, Name)) return prop.get();
  return nullptr;
}

bool TfrObject::SetFontProperty(TFont& font, const std::string& Name, const Variant& Value) {
  if (Name == "FONT.NAME")
    font.SetName(VarToStr(Value));
  else if (Name == "FONT.SIZE")
    font.SetSize(Value.AsInteger());
  else if (Name == "FONT.STYLE")
    font.SetStyle(StyleFromInt(Value.AsInteger()));
  else if (Name == "FONT.COLOR")
    font.SetColor(Value.AsInteger());
  else
    return false;
  return true;
}

bool TfrObject::GetFontProperty(const TFont& font, const std::string& Name, Variant& Value) {
  if (Name == "FONT.NAME")
    Value = Variant(font.Name());
  else if (Name == "FONT.SIZE")
    Value = Variant(font.Size());
  else if (Name == "FONT.STYLE")
    Value = Variant(IntFromStyle(font.Style()));
  else if (Name == "FONT.COLOR")
    Value = Variant(static_cast<int>(font.Color()));
  else
    return false;
  return true;
}

bool TfrObject::ListMethod(TStrings& list, const std::string& method, const std::string& p1,
                           const std::string& p2, const std::string& p3, Variant& Val) {
  TfrParser& parser = frEngine().Parser;
  if (method == "ADD") {
    list.Add(VarToStr(parser.Calculate(p1)));
  } else if (method == "CLEAR") {
    list.Clear();
  } else if (method == "DELETE") {
    const int i = parser.Calculate(p1).AsInteger();
    if (i >= 0 && i < list.Count()) list.Delete(i);
  } else if (method == "INDEXOF") {
    Val = Variant(list.IndexOf(VarToStr(parser.Calculate(p1))));
  } else if (method == "SETINDEXPROPERTY") {
    const int i = parser.Calculate(p2).AsInteger();
    if (i >= 0 && i < list.Count()) list.SetStrings(i, VarToStr(parser.Calculate(p3)));
  } else if (method == "GETINDEXPROPERTY") {
    const int i = parser.Calculate(p2).AsInteger();
    Val = i >= 0 && i < list.Count() ? Variant(list[i]) : Variant("");
  } else {
    return false;
  }
  return true;
}

// --- the factory ------------------------------------------------------------

namespace {

std::map<std::string, TfrAddInFactory>& AddIns() {
  static std::map<std::string, TfrAddInFactory> table;
  return table;
}

}  // namespace

void frRegisterObject(const std::string& className, TfrAddInFactory factory) {
  AddIns()[className] = std::move(factory);
}

void frUnregisterObject(const std::string& className) { AddIns().erase(className); }

TObjectPtr<TfrView> CreateReportObject(int type, const std::string& className) {
  TObjectPtr<TfrView> view;
  switch (type) {
    case gtMemo:
      view = CreateUnique<TfrMemoView>();
      break;
    case gtPicture:
      view = CreateUnique<TfrPictureView>();
      break;
    case gtBand:
      view = CreateUnique<TfrBandView>();
      break;
    case gtSubReport:
      view = CreateUnique<TfrSubReportView>();
      break;
    case gtLine:
      view = CreateUnique<TfrLineView>();
      break;
    case gtAddIn: {
      auto it = AddIns().find(className);
      if (it == AddIns().end()) {
        TfrEngine& engine = frEngine();
        engine.ErrorFlag = true;
        engine.ErrorStr += className + "\r";
        throw EClassNotFound(engine.ErrorStr);
      }
      view = it->second();
      view->Typ = gtAddIn;
      break;
    }
    default:
      return nullptr;
  }
  view->ID = ++frEngine().ObjectCounter;
  return view;
}

// --- engine routines --------------------------------------------------------

std::string ReadStringVersioned(TStream& stream) {
  return frEngine().Version >= 23 ? ReadString(stream) : ReadString22(stream);
}

void ReadMemoVersioned(TStream& stream, TStrings& lines) {
  if (frEngine().Version >= 23)
    ReadMemo(stream, lines);
  else
    ReadMemo22(stream, lines);
}

TfrView* FindObjectByName(std::string_view name) {
  TfrReportBase* report = frEngine().CurReport;
  if (report == nullptr) return nullptr;
  TfrPages& pages = report->Pages();
  const std::string upper = UpperCase(name);
  const std::size_t dot = upper.find('.');
  if (upper.rfind("PAGE", 0) == 0 && dot != std::string::npos && dot > 4) {
    int n;
    if (TryStrToInt(upper.substr(4, dot - 4), n)) {
      if (n < 1 || n > pages.Count()) return nullptr;
      return pages.Pages(n - 1)->FindObject(name.substr(dot + 1));
    }
  }
  for (int i = 0; i < pages.Count(); ++i)
    if (TfrView* v = pages.Pages(i)->FindObject(name)) return v;
  return nullptr;
}

void FindDataField(std::string_view text, TfrDataset*& dataset, std::string& field) {
  dataset = nullptr;
  field.clear();
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) {
    field = std::string(text);
    return;
  }
  TComponent* owner = frEngine().CurReport ? frEngine().CurReport->Owner() : nullptr;
  dataset = dynamic_cast<TfrDataset*>(FindComponentByPath(owner, text.substr(0, dot)));
  field = std::string(text.substr(dot + 1));
}

namespace {

struct TLibraryEntry {
  const TClassInfo* Class;
  TObjectPtr<TfrFunctionLibrary> Library;
};

std::vector<TLibraryEntry>& Libraries() {
  static std::vector<TLibraryEntry> list;
  return list;
}

}  // namespace

void RegisterFunctionLibrary(const TClassInfo& cls,
                             const std::function<TObjectPtr<TfrFunctionLibrary>()>& make) {
  auto& list = Libraries();
  for (const auto& entry : list)
    if (entry.Class == &cls) return;
  if (list.size() >= static_cast<std::size_t>(kMaxFunctionLibraries))
    throw EInvalidOperation("Too many function libraries (at most %d)", kMaxFunctionLibraries);
  list.push_back({&cls, make()});
}

void UnregisterFunctionLibrary(const TClassInfo& cls) {
  auto& functions = frEngine().Functions;
  std::erase_if(functions, [&](const TfrFunctionDescription& f) { return f.Library == &cls; });
  std::erase_if(Libraries(), [&](const TLibraryEntry& entry) { return entry.Class == &cls; });
}

std::vector<TfrFunctionLibrary*> FunctionLibraries() {
  std::vector<TfrFunctionLibrary*> result;
  for (const auto& entry : Libraries()) result.push_back(entry.Library.get());
  return result;
}

void AddFunctionDescription(const TClassInfo& library, const std::string& name,
                            const std::string& category, const std::string& description) {
  if (description.empty()) return;
  auto& functions = frEngine().Functions;
  for (const auto& f : functions)
    if (AnsiSameText(f.Name, name)) return;
  functions.push_back({&library, name, category, description});
}

std::unique_ptr<TFont> CreateRotatedFont(const TFont& font) {
  auto rotated = std::make_unique<TFont>();
  rotated->Assign(&font);
  rotated->SetOrientation(900);
  return rotated;
}

namespace {

// Band objects of the current page whose child chain (by ChildBand names)
// reaches `target`; cycles are cut.
TfrBandView* ChainOwner(TfrBandView* target) {
  TfrPage* page = frEngine().CurPage;
  if (page == nullptr) return nullptr;
  for (const auto& object : page->Objects) {
    auto* band = dynamic_cast<TfrBandView*>(object.get());
    if (band == nullptr || band->BandType() == btChild) continue;
    std::unordered_set<const TfrView*> seen{band};
    TfrBandView* link = band;
    while (!link->ChildBand.empty()) {
      link = dynamic_cast<TfrBandView*>(page->FindObject(link->ChildBand));
      if (link == nullptr || !seen.insert(link).second) break;
      if (link == target) return band;
    }
  }
  return nullptr;
}

}  // namespace

int CurrentBandType() {
  auto* band = dynamic_cast<TfrBandView*>(frEngine().CurBandView);
  if (band == nullptr) return btNone;
  if (band->BandType() != btChild) return band->BandType();
  TfrBandView* owner = ChainOwner(band);
  return owner != nullptr ? owner->BandType() : btNone;
}

TfrDBDataSet* CurrentBandDataset() {
  int dataKind;
  switch (CurrentBandType()) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 16:
    case 17:
      dataKind = btMasterData;
      break;
    case 8:
    case 9:
      dataKind = btDetailData;
      break;
    case 11:
    case 12:
      dataKind = btSubDetailData;
      break;
    case 19:
    case 20:
      dataKind = btCrossData;
      break;
    default:
      return nullptr;
  }
  TfrPage* page = frEngine().CurPage;
  TfrReportBase* report = frEngine().CurReport;
  if (page == nullptr || report == nullptr) return nullptr;
  for (const auto& object : page->Objects) {
    auto* band = dynamic_cast<TfrBandView*>(object.get());
    if (band != nullptr && band->BandType() == dataKind)
      return dynamic_cast<TfrDBDataSet*>(FindComponentByPath(report->Owner(), band->DataSource()));
  }
  return nullptr;
}

void ReportCalculationError(const std::string& message) {
  TfrEngine& engine = frEngine();
  engine.ErrorFlag = true;
  std::string text = "An error occured during calculating";
  if (engine.CurView != nullptr)
    for (int i = 0; i < engine.CurView->Memo.Count(); ++i) text += "\r" + engine.CurView->Memo[i];
  text += "\r\rReport: ";
  if (engine.CurReport != nullptr) text += engine.CurReport->Name();
  text += "\r";
  if (engine.CurView != nullptr) text += "Object: " + engine.CurView->Name + "\r";
  text += "\r" + message;
  engine.ErrorStr = text;
  if (engine.CurReport != nullptr) engine.CurReport->Terminated = true;
}
