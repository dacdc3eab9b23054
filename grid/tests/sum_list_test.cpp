#include "grid/sum_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid_test_support.h"
#include "platform/base/number_format.h"
#include "platform/data/data_source.h"

namespace {

std::string Text(Currency c) { return CurrToStr(c); }

class SumListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    producer = CreateUnique<TDBSumListProducer>(nullptr);
    sum = Add(goSum, "NUM");
    money = Add(goSum, "AMT");
    avg = Add(goAvg, "VAL");
    countAll = Add(goCount, "");
    countVal = Add(goCount, "VAL");
    producer->SumListChanged = [this](TObject*) { ++changes; };
    producer->OnRecalcAll = [this](TObject*) { ++passes; };
  }
  TDBSum* Add(TGroupOperation op, const std::string& field) {
    TDBSum* s = producer->SumCollection()->Add();
    s->SetGroupOperation(op);
    s->SetFieldName(field);
    return s;
  }
  // "sum money avg count countVal"
  std::string Values() {
    return Text(sum->SumValue()) + " " + Text(money->SumValue()) + " " + Text(avg->SumValue()) +
           " " + Text(countAll->SumValue()) + " " + Text(countVal->SumValue());
  }
  void Attach() {
    t.ds->Open();
    producer->SetDataSet(t.ds.get());
  }

  TTestTable t;
  TObjectPtr<TDBSumListProducer> producer;
  TDBSum *sum, *money, *avg, *countAll, *countVal;
  int changes = 0;
  int passes = 0;
};

TEST_F(SumListTest, FullPassCountsSumsAndAverages) {
  Attach();
  EXPECT_EQ(Values(), "0 0 0 0 0");
  t.Add("a", 2, 1.25);
  t.Add("b", 0, 0.0001);
  t.Add("c", 4, 10);
  producer->RecalcAll();
  // The average and the field count skip the null of "b".
  EXPECT_EQ(Values(), "6 11.2501 3 3 2");
  EXPECT_EQ(t.name->AsString(), "a");  // the pass ends on the first record
}

TEST_F(SumListTest, EditsPostsCancelsAndDeletesKeepTheValuesCurrent) {
  Attach();
  t.Add("a", 2);
  t.Add("b", 0);
  t.Add("c", 4);
  producer->RecalcAll();
  const int fullPasses = passes;
  struct Step {
    const char* what;
    std::function<void()> action;
    const char* values;
  };
  const std::vector<Step> steps = {
      {"edit 2 -> 12, cancelled",
       [&] {
         t.Go("a");
         t.ds->Edit();
         t.num->SetAsInteger(12);
         t.ds->Cancel();
       },
       "6 0 3 3 2"},
      {"edit 2 -> 7, posted",
       [&] {
         t.Go("a");
         t.ds->Edit();
         t.num->SetAsInteger(7);
         t.ds->Post();
       },
       "11 0 5.5 3 2"},
      {"null -> 6",
       [&] {
         t.Go("b");
         t.ds->Edit();
         t.num->SetAsInteger(6);
         t.ds->Post();
       },
       "17 0 5.6667 3 3"},
      {"6 -> null",
       [&] {
         t.Go("b");
         t.ds->Edit();
         t.num->SetAsInteger(0);
         t.ds->Post();
       },
       "11 0 5.5 3 2"},
      {"append 5 with money", [&] { t.Add("d", 5, 2.5); }, "16 2.5 5.3333 4 3"},
      {"append cancelled",
       [&] {
         t.ds->Append();
         t.num->SetAsInteger(100);
         t.ds->Cancel();
       },
       "16 2.5 5.3333 4 3"},
      {"delete 5",
       [&] {
         t.Go("d");
         t.ds->Delete();
       },
       "11 0 5.5 3 2"},
      {"delete the null",
       [&] {
         t.Go("b");
         t.ds->Delete();
       },
       "11 0 5.5 2 2"},
  };
  for (const Step& step : steps) {
    step.action();
    EXPECT_EQ(Values(), step.values) << step.what;
  }
  EXPECT_EQ(passes, fullPasses) << "no step needed a full pass";
}

TEST_F(SumListTest, ANewRecordWithADefaultIsCountedOnPost) {
  Attach();
  t.ds->OnNewRecord = [&](TDataSet*) { t.num->SetAsInteger(3); };
  t.ds->Append();
  t.ds->Post();
  EXPECT_EQ(Values(), "3 0 3 1 1");
}

TEST_F(SumListTest, ADeleteInEditTakesOutTheStoredValue) {
  Attach();
  t.Add("a", 2);
  t.Add("b", 4);
  producer->RecalcAll();
  t.Go("b");
  t.ds->Edit();
  t.num->SetAsInteger(40);
  t.ds->Delete();
  EXPECT_EQ(Values(), "2 0 2 1 1");
}

TEST_F(SumListTest, AFailedDeleteChangesNothing) {
  Attach();
  t.Add("a", 2);
  t.Add("b", 4);
  producer->RecalcAll();
  t.ds->RefuseDelete = true;
  t.Go("b");
  EXPECT_THROW(t.ds->Delete(), EDatabaseError);
  EXPECT_EQ(Values(), "6 0 3 2 2");
  t.ds->RefuseDelete = false;
  t.ds->Delete();
  EXPECT_EQ(Values(), "2 0 2 1 1");
}

TEST_F(SumListTest, RefreshAndRecordsAppearingBehindItsBackRecalculateInPlace) {
  Attach();
  t.Add("a", 2);
  t.Add("b", 4);
  producer->RecalcAll();
  t.Go("b");
  t.ds->Refresh();
  EXPECT_EQ(t.name->AsString(), "b") << "a refresh keeps the place";
  // Records written while the producer was not listening: the next
  // scroll sees the count differ and recalculates.
  producer->SetActive(false);
  t.Add("c", 10);
  producer->SetActive(true);
  EXPECT_EQ(Values(), "16 0 5.3333 3 3");
  const int before = passes;
  const TDataSetNotifyEvent hook = t.ds->AfterPost;
  t.ds->AfterPost = nullptr;  // a write the producer does not hear
  t.Add("d", 1);
  t.ds->AfterPost = hook;
  t.ds->First();
  EXPECT_EQ(passes, before + 1);
  EXPECT_EQ(Values(), "17 0 4.25 4 4");
}

TEST_F(SumListTest, FilterChangesRecalculateOnTheNextScrollOnly) {
  Attach();
  t.Add("a", 2);
  t.Add("b", 4);
  producer->RecalcAll();
  const int before = passes;
  t.ds->First();
  t.ds->Next();
  EXPECT_EQ(passes, before) << "plain scrolling";
  t.ds->SetFiltered(true);
  EXPECT_EQ(passes, before + 1);
  t.ds->SetFilter("NUM > 2");
  EXPECT_EQ(passes, before + 2);
  t.ds->Next();
  EXPECT_EQ(passes, before + 2);
}

TEST_F(SumListTest, ChainsTheHandlersItReplacedInTheirOrder) {
  std::vector<std::string> log;
  t.ds->AfterPost = [&](TDataSet*) { log.push_back("post:" + Text(sum->SumValue())); };
  t.ds->BeforeDelete = [&](TDataSet*) { log.push_back("before-delete:" + Text(sum->SumValue())); };
  Attach();
  t.Add("a", 2);
  log.clear();
  t.Add("b", 3);
  EXPECT_EQ(log, std::vector<std::string>({"post:5"})) << "own work first on post";
  log.clear();
  t.ds->Delete();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "before-delete:5") << "saved handler first before a delete";
  producer->SetActive(false);
  log.clear();
  t.Add("c", 1);
  EXPECT_EQ(log, std::vector<std::string>({"post:0"})) << "handlers given back";
}

class TDetail : public TmemDs {
  MEBRATH_CLASS(TDetail, TmemDs)
 public:
  explicit TDetail(TComponent* owner) : TmemDs(owner) {}
  TDataSource* Master = nullptr;
  TDataSource* MasterSource() const override { return Master; }
};

TEST_F(SumListTest, MasterScrollRecalculatesTheDetail) {
  TTestTable master;
  master.ds->Open();
  master.Add("m1", 1);
  master.Add("m2", 2);
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(master.ds.get());
  auto detail = CreateUnique<TDetail>();
  detail->Master = source.get();
  AddTestField<TIntegerField>(detail.get(), "NUM");
  detail->Open();
  producer->SetDataSet(detail.get());
  const int before = passes;
  master.ds->Next();
  EXPECT_EQ(passes, before + 1);
  // A detail destroyed first is forgotten and the master gets its own
  // handler back.
  int masterScrolls = 0;
  producer->SetDataSet(nullptr);
  master.ds->AfterScroll = [&](TDataSet*) { ++masterScrolls; };
  producer->SetDataSet(detail.get());
  const int attached = passes;
  detail.reset();
  EXPECT_EQ(producer->DataSet(), nullptr);
  master.ds->First();
  EXPECT_EQ(passes, attached);
  EXPECT_EQ(masterScrolls, 1);
}

class TUnsequencedTable : public TmemDs {
  MEBRATH_CLASS(TUnsequencedTable, TmemDs)
 public:
  explicit TUnsequencedTable(TComponent* owner) : TmemDs(owner) {}
  bool IsSequenced() override { return false; }
};

TEST_F(SumListTest, VirtualRecordsNumberUnsequencedRecords) {
  auto ds = CreateUnique<TUnsequencedTable>();
  TStringField* name = AddTestField<TStringField>(ds.get(), "NAME", 5);
  ds->Open();
  auto add = [&](const std::string& n) {
    ds->Append();
    name->SetAsString(n);
    ds->Post();
  };
  add("a");
  add("b");
  add("c");
  producer->SetDataSet(ds.get());
  producer->SetVirtualRecords(true);
  EXPECT_TRUE(producer->HasRecordNumbers());
  EXPECT_EQ(producer->RecordCount(), 3);
  auto numbers = [&] {
    std::string out;
    for (ds->First(); !ds->Eof(); ds->Next())
      out += name->AsString() + std::to_string(producer->GetRecNo()) + " ";
    return out;
  };
  EXPECT_EQ(numbers(), "a1 b2 c3 ");
  ds->First();
  ds->Next();
  ds->Insert();  // before "b"
  name->SetAsString("x");
  ds->Post();
  EXPECT_EQ(numbers(), "a1 x2 b3 c4 ");
  producer->SetRecNo(3);
  EXPECT_EQ(name->AsString(), "b");
  ds->Delete();
  EXPECT_EQ(numbers(), "a1 x2 c3 ");
  EXPECT_EQ(producer->RecordCount(), 3);
}

TEST(SumCollectionTest, FindSumIgnoresCaseAndChangesRecalculate) {
  auto producer = CreateUnique<TDBSumListProducer>(nullptr);
  TDBSum* s = producer->SumCollection()->Add();
  s->SetFieldName("Сумма");
  s->SetGroupOperation(goAvg);
  EXPECT_EQ(producer->SumCollection()->FindSum(goAvg, "СУММА"), s);
  EXPECT_EQ(producer->SumCollection()->FindSum(goSum, "СУММА"), nullptr);
}

}  // namespace
