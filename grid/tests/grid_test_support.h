// Datasets for the grid's tests: an in-memory table with a number, a sum
// of money and a nullable value (a calculated copy of the number that is
// null when the number is 0), since the in-memory table itself keeps no
// null numbers.
#pragma once

#include <string>
#include <vector>

#include "platform/base/format_settings.h"
#include "platform/data/fields.h"
#include "storage/dbf_table.h"
#include "storage/mem_ds.h"

template <typename Field>
Field* AddTestField(TDataSet* ds, const std::string& name, int size = 0) {
  Field* field = Create<Field>(ds);
  field->SetFieldName(name);
  if (size > 0) field->SetSize(size);
  field->SetDataSet(ds);
  return field;
}

// An in-memory table whose deletes can be refused, as a locked record
// refuses them.
class TTestMemDs : public TmemDs {
  MEBRATH_CLASS(TTestMemDs, TmemDs)
 public:
  explicit TTestMemDs(TComponent* owner) : TmemDs(owner) {}
  bool RefuseDelete = false;

 protected:
  void InternalDelete() override {
    if (RefuseDelete) throw EDatabaseError("locked");
    TmemDs::InternalDelete();
  }
};

struct TTestTable {
  TTestTable() {
    FormatSettings.DecimalSeparator = '.';
    ds = CreateUnique<TTestMemDs>();
    ds->SetName("mt");
    name = AddTestField<TStringField>(ds.get(), "NAME", 10);
    num = AddTestField<TIntegerField>(ds.get(), "NUM");
    amt = AddTestField<TCurrencyField>(ds.get(), "AMT");
    val = AddTestField<TFloatField>(ds.get(), "VAL");
    val->SetFieldKind(fkCalculated);
    ds->OnCalcFields = [this](TDataSet*) {
      if (num->AsInteger() != 0) val->SetAsFloat(num->AsInteger());
    };
  }
  void Add(const std::string& n, int number, double amount = 0) {
    ds->Append();
    name->SetAsString(n);
    num->SetAsInteger(number);
    amt->SetAsCurrency(Currency(amount));
    ds->Post();
  }
  // Goes to the record named `n`.
  void Go(const std::string& n) {
    for (ds->First(); !ds->Eof(); ds->Next())
      if (name->AsString() == n) return;
  }

  TObjectPtr<TTestMemDs> ds;
  TStringField* name;
  TIntegerField* num;
  TCurrencyField* amt;
  TFloatField* val;
};

// A new, open DBF table at `path` with one integer column N holding
// 1..count; `n` gets the field.
inline TObjectPtr<TmDbfTable> MakeNumberedDbf(const std::string& path, int count,
                                              TIntegerField*& n) {
  FormatSettings.DecimalSeparator = '.';
  auto table = CreateUnique<TmDbfTable>();
  table->SetTableName(path);
  n = Create<TIntegerField>(table.get());
  n->SetFieldName("N");
  n->SetOrigin("7.0");
  n->SetDataSet(table.get());
  table->CreateTable();
  table->Open();
  for (int i = 1; i <= count; ++i) {
    table->Append();
    n->SetAsInteger(i);
    table->Post();
  }
  return table;
}
