#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/component.h"
#include "platform/data/data_source.h"
#include "report/fr_dataset.h"
#include "report/fr_utils.h"
#include "report_fixture.h"

namespace {

// Walks the dataset as the page builder does and returns the RecNo values
// seen (and, for a DB dataset, the record IDs).
std::vector<int> Walk(TfrDataset* d, TDataSet* table = nullptr, int limit = 50) {
  std::vector<int> seen;
  d->Init();
  d->First();
  while (!d->Eof() && limit-- > 0) {
    seen.push_back(table ? CurrentId(table) : d->RecNo);
    d->Next();
  }
  d->Exit();
  return seen;
}

TEST(FrUserDataset, CountRangeAndCheckEof) {
  auto owner = CreateUnique<TComponent>();
  auto* d = Create<TfrUserDataset>(owner.get());
  int nexts = 0;
  d->OnNext = [&](TObject*) { ++nexts; };
  d->RangeEnd = reCount;
  d->RangeEndCount = 3;
  EXPECT_EQ(Walk(d), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(nexts, 2);  // the third Next stops without the event
  d->RangeEndCount = 0;
  EXPECT_TRUE(Walk(d).empty());

  d->RangeEnd = reLast;
  d->OnCheckEOF = [](TObject* sender, bool& eof) {
    eof = static_cast<TfrDataset*>(sender)->RecNo >= 2;
  };
  EXPECT_EQ(Walk(d), (std::vector<int>{0, 1}));
  // The event can also keep a counted dataset going.
  d->RangeEnd = reCount;
  d->RangeEndCount = 1;
  EXPECT_EQ(Walk(d), (std::vector<int>{0, 1}));
}

TEST(FrDBDataSet, RangesOverATable) {
  auto owner = CreateUnique<TComponent>();
  TArrayDataSet* table = MakeTable(owner.get(), 4);
  auto* d = Create<TfrDBDataSet>(owner.get());
  d->SetDataSet(table);
  const struct {
    TRangeBegin begin;
    TRangeEnd end;
    int count;
    std::vector<int> ids;
  } cases[] = {
      {rbFirst, reLast, 0, {1, 2, 3, 4}}, {rbFirst, reCount, 2, {1, 2}},
      {rbCurrent, reLast, 0, {3, 4}},     {rbCurrent, reCurrent, 0, {3}},
      {rbFirst, reCurrent, 0, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    table->First();
    table->Next();
    table->Next();  // record 3 is current when the report starts
    d->RangeBegin = c.begin;
    d->RangeEnd = c.end;
    d->RangeEndCount = c.count;
    EXPECT_EQ(Walk(d, table), c.ids) << c.begin << c.end;
    if (c.begin == rbCurrent || c.end == reCurrent) {
      EXPECT_EQ(CurrentId(table), 3);
    }
  }
}

TEST(FrDBDataSet, OpeningClosingAndSources) {
  auto owner = CreateUnique<TComponent>();
  TArrayDataSet* table = MakeTable(owner.get(), 2);
  auto* d = Create<TfrDBDataSet>(owner.get());
  d->SetName("frDS");
  try {
    d->Init();
    FAIL();
  } catch (const EDSError& e) {
    EXPECT_EQ(e.Message(), "Unable to open dataset frDS");
  }

  auto* source = Create<TDataSource>(owner.get());
  source->SetDataSet(table);
  d->SetDataSet(table);
  d->SetDataSource(source);
  EXPECT_EQ(d->DataSet(), nullptr);
  EXPECT_EQ(d->GetDataSet(), table);

  // Closed and not to be opened: Eof is the table's own end state.
  table->Close();
  d->OpenDataSource = false;
  d->Init();
  EXPECT_FALSE(table->Active());
  d->Exit();

  int opened = 0, closed = 0;
  d->OpenDataSource = true;
  d->CloseDataSource = true;
  d->OnOpen = [&](TObject*) { ++opened; };
  d->OnClose = [&](TObject*) { ++closed; };
  EXPECT_EQ(Walk(d, table), (std::vector<int>{1, 2}));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(table->Active());

  source->Free();
  EXPECT_EQ(d->DataSource(), nullptr);
  d->SetDataSet(table);
  table->Free();
  EXPECT_EQ(d->DataSet(), nullptr);
}

TEST(FrUtils, FieldLookups) {
  auto owner = CreateUnique<TComponent>();
  TArrayDataSet* table = MakeTable(owner.get(), 2);
  TDataSet* ds = nullptr;
  std::string field;
  GetDataSetAndField("Table1.\"name\"", owner.get(), ds, field);
  EXPECT_EQ(ds, table);
  EXPECT_EQ(field, "NAME");
  GetDataSetAndField("Missing.ID", owner.get(), ds, field);
  EXPECT_EQ(ds, nullptr);
  ds = table;
  GetDataSetAndField("id", owner.get(), ds, field);
  EXPECT_EQ(ds, table);
  EXPECT_EQ(field, "ID");
  EXPECT_TRUE(FieldExists(table, "name"));
  EXPECT_FALSE(FieldExists(table, "nope"));
  EXPECT_FALSE(FieldExists(nullptr, "ID"));

  table->Close();
  table->Open();
  table->Append();  // a new record: every field is null
  EXPECT_EQ(VarToStr(GetFieldValue(table->FieldByName("NAME"))), "");
  EXPECT_TRUE(VarIsStr(GetFieldValue(table->FieldByName("NAME"))));
  EXPECT_EQ(VarToStr(GetFieldValue(table->FieldByName("ID"))), "0");
  table->Cancel();
}

}  // namespace
