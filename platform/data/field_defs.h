// Field types and field definitions: what a dataset reads from its storage
// before it makes fields (fields.h) for it.
//
// A dataset owns one TFieldDefs. Its InternalInitFieldDefs fills it (Clear,
// then Add for each column); CreateFields makes one default field per
// definition, BindFields binds fields to definitions by name. The item
// class is replaceable: a dataset passes its own item factory to the
// TDataSet constructor, and Add/AddFieldDef then make items of that class.
// GUI thread only.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/collection.h"

class TDataSet;
class TField;
class TComponent;

// The classic members, in the classic order.
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};

// The identifier of a type as text: "ftString", "ftMemo"... (for messages).
std::string FieldTypeName(TFieldType type);
// The classic short names used by the type-mismatch message: "String",
// "Integer", "Float", "Date"... ("Unknown" for ftUnknown).
std::string FieldTypeDisplayName(TFieldType type);
// True for the blob kinds (blob, memo, graphic, formatted memo, Paradox OLE,
// dBASE OLE, typed binary, Oracle blob/clob).
bool IsBlobType(TFieldType type);

class TFieldDefs;

class TFieldDef : public TCollectionItem {
  MEBRATH_CLASS(TFieldDef, TCollectionItem)
 public:
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType type) { FDataType = type; }
  // Characters for string kinds, bytes for byte kinds, decimals for BCD.
  int Size() const { return FSize; }
  void SetSize(int size) { FSize = size; }
  int Precision() const { return FPrecision; }
  void SetPrecision(int precision) { FPrecision = precision; }
  bool Required() const { return FRequired; }
  void SetRequired(bool required) { FRequired = required; }
  // 1-based position of the column in the storage; Add numbers the
  // definitions 1, 2, 3... in order.
  int FieldNo() const { return FFieldNo; }
  void SetFieldNo(int fieldNo) { FFieldNo = fieldNo; }
  std::string DisplayName() const override { return FName; }

  // Makes the field class that fits DataType (TStringField for ftString...),
  // owned by `owner`, with this definition's name, size, required flag and
  // dataset. Raises EDatabaseError "Field '%s' is of an unknown type" when
  // no class fits (ftUnknown, ftADT, ftCursor...).
  TField* CreateField(TComponent* owner) const;

  TFieldDefs* FieldDefs() const;
  void Assign(const TPersistent* source) override;

 protected:
  explicit TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

 private:
  std::string FName;
  TFieldType FDataType = ftUnknown;
  int FSize = 0;
  int FPrecision = 0;
  bool FRequired = false;
  int FFieldNo = 0;
};

class TFieldDefs : public TOwnedCollection {
  MEBRATH_CLASS(TFieldDefs, TOwnedCollection)
 public:
  // `itemFactory` makes TFieldDef or a descendant.
  TFieldDefs(TDataSet* dataSet, TItemFactory itemFactory);

  TDataSet* DataSet() const { return FDataSet; }
  TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }
  TFieldDef* operator[](int index) const { return Items(index); }

  // A new definition at the end, numbered Count.
  TFieldDef* AddFieldDef();
  // AddFieldDef with the given values; returns it.
  TFieldDef* Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
  // Index of the definition named `name` (ASCII case-insensitive), or -1.
  int IndexOf(std::string_view name) const;
  // The definition named `name`; raises EDatabaseError "Field '%s' not
  // found" (with the dataset's name prefix).
  TFieldDef* Find(std::string_view name) const;
  // Re-reads the definitions from the dataset's storage
  // (TDataSet::InitFieldDefs); works on a closed dataset.
  void Update();

 protected:
  // The collection's change notice keeps its meaning beside Update().
  using TOwnedCollection::Update;
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

 private:
  TDataSet* FDataSet;
};
