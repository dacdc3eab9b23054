// The persistent fields of each register kind, made on any dataset, for
// tests and benchmarks of the exchange code: the common columns, then the
// kind's own, with the names, kinds, sizes and origins of the registers;
// and a register table of the kind as the program creates its files.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/date_time.h"
#include "platform/base/format.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "storage/dbf_table.h"

namespace register_fields {

template <class T>
T* Add(TDataSet& ds, const std::string& name, int size = 0, const char* origin = "") {
  T* f = Create<T>(&ds);
  f->SetFieldName(name);
  if (size > 0) f->SetSize(size);
  f->SetOrigin(origin);
  f->SetDataSet(&ds);
  return f;
}

inline void AddCommon(TDataSet& ds) {
  Add<TStringField>(ds, "SCERTIF", 1);
  Add<TIntegerField>(ds, "NCERTIF", 0, "7.0");
  Add<TDateField>(ds, "DCERTIF");
  Add<TStringField>(ds, "SNILS", 14);
  Add<TStringField>(ds, "LNAME", 40);
  Add<TStringField>(ds, "FNAME", 40);
  Add<TStringField>(ds, "MNAME", 40);
  Add<TDateField>(ds, "BDATE");
  Add<TStringField>(ds, "ADDRESS", 128);
  Add<TSmallintField>(ds, "TDOC", 0, "2.0");
  Add<TStringField>(ds, "NDOC", 10);
  Add<TStringField>(ds, "SDOC", 10);
  Add<TDateField>(ds, "DDOC");
  Add<TStringField>(ds, "ODOC", 80);
  Add<TStringField>(ds, "SPOLICY", 14);
  Add<TStringField>(ds, "NPOLICY", 20);
  Add<TStringField>(ds, "SLEAF", 2);
  Add<TIntegerField>(ds, "NLEAF", 0, "7.0");
  Add<TDateField>(ds, "DLEAF");
  Add<TDateField>(ds, "DREG");
  Add<TStringField>(ds, "NCARD", 10);
  Add<TDateField>(ds, "DCARD");
  Add<TSmallintField>(ds, "CHK", 0, "1.0");
}

// frameId 1, 2 or 3.
inline void AddRegisterFields(TDataSet& ds, int frameId) {
  AddCommon(ds);
  if (frameId == 1) {
    Add<TSmallintField>(ds, "QTW2", 0, "2.0");
    Add<TSmallintField>(ds, "MULP", 0, "1.0");
    Add<TSmallintField>(ds, "PREM", 0, "1.0");
  } else if (frameId == 2) {
    Add<TStringField>(ds, "DIAG", 6);
    Add<TSmallintField>(ds, "CQNT", 0, "1.0");
    for (int i = 1; i <= 6; ++i) {
      Add<TStringField>(ds, Format("SEX%d", i), 1);
      Add<TFloatField>(ds, Format("WEIGHT%d", i), 0, "5.3")->SetDisplayFormat("0.000");
      Add<TSmallintField>(ds, Format("GROWTH%d", i), 0, "2.0");
      Add<TStringField>(ds, Format("DIAG%d", i), 6);
    }
    Add<TSmallintField>(ds, "BQNT", 0, "2.0");
  } else {
    Add<TSmallintField>(ds, "CQNT", 0, "1.0");
    for (const char* name : {"LNAME", "FNAME", "MNAME"})
      for (int i = 1; i <= 6; ++i) Add<TStringField>(ds, Format("%s%d", name, i), 40);
    for (int i = 1; i <= 6; ++i) Add<TStringField>(ds, Format("SPOLICY%d", i), 14);
    for (int i = 1; i <= 6; ++i) Add<TStringField>(ds, Format("NPOLICY%d", i), 20);
    for (const char* name : {"DATEBOBS", "DATEEOBS", "BDATE"})
      for (int i = 1; i <= 6; ++i) Add<TDateField>(ds, Format("%s%d", name, i));
  }
}

// The structure version the program's register windows give a new file of
// the kind: coupons No. 1 and No. 2 are at their upgraded structure, No. 3
// at its first. A table that is not told a version writes 0, an older
// structure that the program upgrades when it opens the file.
inline std::uint8_t CurrentStructureVersion(int frameId) { return frameId == 3 ? 1 : 2; }

// A register table of the kind on `fileName` as the program makes one: its
// fields, the current structure version, shared. Neither created nor open.
inline TObjectPtr<TmDbfTable> RegisterTable(const std::string& fileName, int frameId) {
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("dbMain");
  t->SetTableName(fileName);
  t->SetVers(CurrentStructureVersion(frameId));
  t->SetExclusive(false);
  AddRegisterFields(*t, frameId);
  return t;
}

// A mother's certificate, document and registration that every kind's
// rules accept, with the certificate number and registration date given.
inline void FillMother(TDataSet& t, int number, TDateTime registered) {
  t.FieldByName("NCERTIF")->SetAsInteger(number);
  t.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, 3));
  t.FieldByName("DREG")->SetAsDateTime(registered);
  t.FieldByName("LNAME")->SetAsString("Иванова");
  t.FieldByName("FNAME")->SetAsString("Анна");
  t.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
  t.FieldByName("SDOC")->SetAsString("45 01");
  t.FieldByName("NDOC")->SetAsString("123456");
  t.FieldByName("DDOC")->SetAsDateTime(EncodeDate(2000, 1, 1));
  t.FieldByName("ODOC")->SetAsString("ОВД");
}

}  // namespace register_fields
