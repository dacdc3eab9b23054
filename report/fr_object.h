// Report objects: named properties and methods for scripts, the factory
// that makes objects from their stream type codes, and engine routines
// around them (versioned reads, lookups by name, function libraries, the
// calculation error).
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/object.h"
#include "platform/base/string_list.h"
#include "platform/base/variant.h"
#include "platform/draw/graphics.h"

class TDataSet;
class TStream;
class TfrDataset;
class TfrDBDataSet;
class TfrView;

// Property kinds (the engine itself only tells enumerations apart).
inline constexpr std::uint8_t frdtString = 0;
inline constexpr std::uint8_t frdtInteger = 1;
inline constexpr std::uint8_t frdtFloat = 2;
inline constexpr std::uint8_t frdtBoolean = 3;
inline constexpr std::uint8_t frdtColor = 4;
inline constexpr std::uint8_t frdtEvent = 5;
inline constexpr std::uint8_t frdtEnum = 32;

inline constexpr int kMaxPropertyName = 32;

struct TfrProp {
  std::string Name;  // at most kMaxPropertyName characters
  std::uint8_t Kind = frdtString;
  TStringList Enum;
  std::vector<Variant> EnumValues;
  int Hint1 = 0, Hint2 = 0;
};

class TfrObject : public TObject {
  MEBRATH_CLASS(TfrObject, TObject)
 public:
  ~TfrObject() override { ClearProperties(); }

  virtual void SetPropertyValue(const std::string& Name, const Variant& Value);
  virtual Variant GetPropertyValue(const std::string& Name);
  // p1..p3 are argument texts; list methods evaluate them with the shared
  // parser.
  virtual void CallMethod(const std::string& Name, const std::string& p1, const std::string& p2,
                          const std::string& p3, Variant& Val);
  virtual void DeclareProperties() {}

  void AddProperty(std::string_view Name, std::uint8_t Kind, int Hint1 = 0, int Hint2 = 0);
  // `names` separated by ';'; with no values each name stands for Empty.
  void AddEnumProperty(std::string_view Name, std::string_view names,
                       std::vector<Variant> values = {});
  // Case-insensitive; nullptr when absent. The first look declares the
  // properties (most objects never need them).
  const TfrProp* FindProperty(std::string_view Name) const;
  void ClearProperties() { FProps.clear(); }
  const std::vector<std::unique_ptr<TfrProp>>& Properties() const;

 protected:
  TfrObject() = default;
  // "FONT.NAME", "FONT.SIZE", "FONT.STYLE" (1 italic, 2 bold, 4 underline,
  // 8 strike-out), "FONT.COLOR"; false for other names.
  static bool SetFontProperty(TFont& font, const std::string& Name, const Variant& Value);
  static bool GetFontProperty(const TFont& font, const std::string& Name, Variant& Value);
  // `<prop>.ADD/.CLEAR/.DELETE/.INDEXOF` with the part after the point in
  // `method`, and SETINDEXPROPERTY / GETINDEXPROPERTY; arguments evaluated.
  // False when `method` is none of them.
  static bool ListMethod(TStrings& list, const std::string& method, const std::string& p1,
                         const std::string& p2, const std::string& p3, Variant& Val);

 private:
  void EnsureDeclared() const;
  std::vector<std::unique_ptr<TfrProp>> FProps;
  bool FDeclared = false;
};

// Stream type codes of report objects.
inline constexpr int gtMemo = 0;
inline constexpr int gtPicture = 1;
inline constexpr int gtBand = 2;
inline constexpr int gtSubReport = 3;
inline constexpr int gtLine = 4;
inline constexpr int gtAddIn = 10;

// Add-in objects by class name.
using TfrAddInFactory = std::function<TObjectPtr<TfrView>()>;
void frRegisterObject(const std::string& className, TfrAddInFactory factory);
void frUnregisterObject(const std::string& className);

// 0 memo, 1 picture, 2 band, 3 sub-report, 4 line, 10 the add-in
// registered as `className`; nothing for other codes. Each object made gets
// the next ID. An unknown add-in sets the engine's error flag, appends its
// name and CR to the error text and raises EClassNotFound with that text.
TObjectPtr<TfrView> CreateReportObject(int type, const std::string& className);

// A string or memo in the layout of the template version being read.
std::string ReadStringVersioned(TStream& stream);
void ReadMemoVersioned(TStream& stream, TStrings& lines);

// "PAGEn.name" looks on page n (from 1; nothing when out of range); any
// other name through every page of the current report.
TfrView* FindObjectByName(std::string_view name);

// "dataset.field": the report dataset named before the point (nullptr when
// it is none) and the field name after it.
void FindDataField(std::string_view text, TfrDataset*& dataset, std::string& field);

// The engine's function libraries (at most 32, one per class).
class TfrFunctionLibrary : public TObject {
  MEBRATH_CLASS(TfrFunctionLibrary, TObject)
 public:
  // True when the library knows `name` and set `Val`.
  virtual bool OnFunction(const std::string& Name, const Variant& p1, const Variant& p2,
                          const Variant& p3, Variant& Val) = 0;

 protected:
  TfrFunctionLibrary() = default;
};

inline constexpr int kMaxFunctionLibraries = 32;
// Registers an instance made by `make` unless the class is listed. Raises
// EInvalidOperation when 32 libraries are registered.
void RegisterFunctionLibrary(const TClassInfo& cls,
                             const std::function<TObjectPtr<TfrFunctionLibrary>()>& make);
template <class T>
void RegisterFunctionLibrary() {
  RegisterFunctionLibrary(T::kClassInfo, [] { return CreateUnique<T>(); });
}
// Drops the library's descriptions and the instance.
void UnregisterFunctionLibrary(const TClassInfo& cls);
// In registration order.
std::vector<TfrFunctionLibrary*> FunctionLibraries();
// Ignored with an empty description or a name already listed.
void AddFunctionDescription(const TClassInfo& library, const std::string& name,
                            const std::string& category, const std::string& description);

// A copy turned by 90 degrees (escapement 900).
std::unique_ptr<TFont> CreateRotatedFont(const TFont& font);

// The kind of the band being printed; a child band (21) answers the kind
// of the band whose child chain holds it, 22 when none does.
int CurrentBandType();
// The report dataset of the data band that owns the band being printed,
// when it is a TfrDBDataSet.
TfrDBDataSet* CurrentBandDataset();

// Builds the engine's error text from `message`, sets the error flag and
// the current report's Terminated.
void ReportCalculationError(const std::string& message);
