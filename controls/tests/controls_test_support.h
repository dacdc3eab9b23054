// Shared fixtures of the data-aware controls' tests: a shown form and an
// in-memory register table with a data source.
#pragma once

#include <string>

#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/widgets/tests/std_controls_test_support.h"
#include "storage/mem_ds.h"

template <typename Field>
Field* AddTestField(TDataSet* ds, const std::string& name, int size = 0) {
  Field* field = Create<Field>(ds);
  field->SetFieldName(name);
  if (size > 0) field->SetSize(size);
  field->SetDataSet(ds);
  return field;
}

class ControlsTest : public StdControlsTest {
 protected:
  ControlsTest() : FSaved(FormatSettings) {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    FormatSettings.DateSeparator = '.';
    Table = Create<TmemDs>(Form);
    Table->SetName("Table");
    Name = AddTestField<TStringField>(Table, "NAME", 20);
    Sex = AddTestField<TStringField>(Table, "SEX", 1);
    Count = AddTestField<TSmallintField>(Table, "CNT");
    Flag = AddTestField<TBooleanField>(Table, "FLAG");
    Born = AddTestField<TDateField>(Table, "BDATE");
    Price = AddTestField<TFloatField>(Table, "PRICE");
    Table->Open();
    Source = Create<TDataSource>(Form);
    Source->SetDataSet(Table);
  }
  ~ControlsTest() override { FormatSettings = FSaved; }

  void AddRow(const std::string& name, const std::string& sex = "", int count = 0) {
    Table->Append();
    Name->SetAsString(name);
    if (!sex.empty()) Sex->SetAsString(sex);
    Count->SetAsInteger(count);
    Table->Post();
  }

  TmemDs* Table = nullptr;
  TDataSource* Source = nullptr;
  TStringField* Name = nullptr;
  TStringField* Sex = nullptr;
  TSmallintField* Count = nullptr;
  TBooleanField* Flag = nullptr;
  TDateField* Born = nullptr;
  TFloatField* Price = nullptr;

 private:
  TFormatSettings FSaved;
};
