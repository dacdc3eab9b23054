#include "platform/data/field_defs.h"

#include <array>

#include "platform/base/format.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/db_consts.h"
#include "platform/data/fields.h"

namespace {

constexpr std::array<const char*, ftFMTBcd + 1> kTypeNames = {
    "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
    "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
    "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
    "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
    "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
    "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
    "ftTimeStamp",  "ftFMTBcd"};

constexpr std::array<const char*, ftFMTBcd + 1> kDisplayNames = {
    "Unknown",     "String",    "SmallInt",  "Integer",    "Word",     "Boolean",    "Float",
    "Currency",    "BCD",       "Date",      "Time",       "DateTime", "Bytes",      "VarBytes",
    "AutoInc",     "Blob",      "Memo",      "Graphic",    "FmtMemo",  "ParadoxOle", "dBaseOle",
    "TypedBinary", "Cursor",    "FixedChar", "WideString", "LargeInt", "ADT",        "Array",
    "Reference",   "DataSet",   "OraBlob",   "OraClob",    "Variant",  "Interface",  "IDispatch",
    "Guid",        "TimeStamp", "FMTBcd"};

}  // namespace

std::string FieldTypeName(TFieldType type) { return kTypeNames.at(static_cast<std::size_t>(type)); }

std::string FieldTypeDisplayName(TFieldType type) {
  return kDisplayNames.at(static_cast<std::size_t>(type));
}

bool IsBlobType(TFieldType type) {
  switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
      return true;
    default:
      return false;
  }
}

// ---- TFieldDef

TFieldDefs* TFieldDef::FieldDefs() const { return static_cast<TFieldDefs*>(Collection()); }

void TFieldDef::Assign(const TPersistent* source) {
  if (const auto* def = dynamic_cast<const TFieldDef*>(source)) {
    FName = def->FName;
    FDataType = def->FDataType;
    FSize = def->FSize;
    FPrecision = def->FPrecision;
    FRequired = def->FRequired;
    FFieldNo = def->FFieldNo;
    return;
  }
  TCollectionItem::Assign(source);
}

TField* TFieldDef::CreateField(TComponent* owner) const {
  TField* field = nullptr;
  switch (FDataType) {
    case ftString:
      field = ::Create<TStringField>(owner);
      break;
    case ftFixedChar:
      field = ::Create<TFixedCharField>(owner);
      break;
    case ftWideString:
      field = ::Create<TWideStringField>(owner);
      break;
    case ftSmallint:
      field = ::Create<TSmallintField>(owner);
      break;
    case ftInteger:
      field = ::Create<TIntegerField>(owner);
      break;
    case ftWord:
      field = ::Create<TWordField>(owner);
      break;
    case ftAutoInc:
      field = ::Create<TAutoIncField>(owner);
      break;
    case ftLargeint:
      field = ::Create<TLargeintField>(owner);
      break;
    case ftBoolean:
      field = ::Create<TBooleanField>(owner);
      break;
    case ftFloat:
      field = ::Create<TFloatField>(owner);
      break;
    case ftCurrency:
      field = ::Create<TCurrencyField>(owner);
      break;
    case ftBCD:
    case ftFMTBcd:
      field = ::Create<TBCDField>(owner);
      break;
    case ftDate:
      field = ::Create<TDateField>(owner);
      break;
    case ftTime:
      field = ::Create<TTimeField>(owner);
      break;
    case ftDateTime:
      field = ::Create<TDateTimeField>(owner);
      break;
    case ftBytes:
      field = ::Create<TBytesField>(owner);
      break;
    case ftBlob:
    case ftTypedBinary:
      field = ::Create<TBlobField>(owner);
      break;
    case ftMemo:
    case ftFmtMemo:
      field = ::Create<TMemoField>(owner);
      break;
    case ftGraphic:
      field = ::Create<TGraphicField>(owner);
      break;
    default: {
      TDataSet* dataSet = FieldDefs() ? FieldDefs()->DataSet() : nullptr;
      DatabaseError(Format(SUnknownFieldType, FName), dataSet);
    }
  }
  TObjectPtr<TField> holder(field);
  if (field->DataType() != FDataType) field->SetDataType(FDataType);
  if (FSize > 0 && (dynamic_cast<TStringField*>(field) || dynamic_cast<TBytesField*>(field) ||
                    dynamic_cast<TBlobField*>(field))) {
    field->SetSize(FSize);
  }
  if (auto* floatField = dynamic_cast<TFloatField*>(field); floatField && FPrecision > 0) {
    floatField->SetPrecision(FPrecision);
  }
  field->SetFieldName(FName);
  field->SetRequired(FRequired);
  field->SetDataSet(FieldDefs() ? FieldDefs()->DataSet() : nullptr);
  return holder.release();
}

// ---- TFieldDefs

TFieldDefs::TFieldDefs(TDataSet* dataSet, TItemFactory itemFactory)
    : TOwnedCollection(dataSet, std::move(itemFactory)), FDataSet(dataSet) {}

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required) {
  BeginUpdate();
  TFieldDef* def = AddFieldDef();
  def->SetName(name);
  def->SetDataType(dataType);
  def->SetSize(size);
  def->SetRequired(required);
  EndUpdate();
  return def;
}

void TFieldDefs::Notify(TCollectionItem* item, TCollectionNotification action) {
  if (action == cnAdded) {
    auto* def = static_cast<TFieldDef*>(item);
    if (def->FieldNo() == 0) def->SetFieldNo(Count());
  }
  TOwnedCollection::Notify(item, action);
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(Items(i)->Name(), name)) return i;
  }
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  int index = IndexOf(name);
  if (index < 0) DatabaseError(Format(SFieldNotFound, std::string(name)), FDataSet);
  return Items(index);
}

void TFieldDefs::Update() {
  if (FDataSet != nullptr) FDataSet->InitFieldDefs();
}
