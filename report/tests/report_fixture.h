// Shared helpers of the report engine's tests: a small table of records.
#pragma once

#include <string>

#include "platform/base/component.h"
#include "platform/data/fields.h"
#include "platform/data/tests/array_data_set.h"

// A table "Table1" owned by `owner` with ID (integer) and NAME (text),
// holding `rows` records ID 1..rows, NAME "n<i>"; open, on the first record.
inline TArrayDataSet* MakeTable(TComponent* owner, int rows, const std::string& name = "Table1") {
  auto* ds = Create<TArrayDataSet>(owner);
  ds->SetName(name);
  ds->Columns = {{"ID", ftInteger}, {"NAME", ftString, 10}};
  ds->Open();
  for (int i = 1; i <= rows; ++i) {
    ds->Append();
    ds->FieldByName("ID")->SetAsInteger(i);
    ds->FieldByName("NAME")->SetAsString("n" + std::to_string(i));
    ds->Post();
  }
  ds->First();
  return ds;
}

inline int CurrentId(TDataSet* ds) { return ds->FieldByName("ID")->AsInteger(); }
