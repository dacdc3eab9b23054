// The sum list's full pass reads the records in place when no one hears
// the dataset scroll, and scrolls through them otherwise. Over in-memory,
// filtered, shared, ordered and edited datasets, and with virtual record
// numbers, both ways give the same values and record numbers, leave the
// same record current and tell another link the same things.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "grid/sum_list.h"
#include "grid_test_support.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/data/data_source.h"

namespace {

// An in-memory table that honours Filtered (OnFilterRecord reads the
// candidate record), may say it cannot number its records, and counts
// the scrolls it makes.
class TPassMemDs : public TmemDs {
  MEBRATH_CLASS(TPassMemDs, TmemDs)
 public:
  explicit TPassMemDs(TComponent* owner) : TmemDs(owner) {}
  bool Sequenced = true;
  int Scrolls = 0;
  bool IsSequenced() override { return Sequenced; }

 protected:
  void DoBeforeScroll() override {
    ++Scrolls;
    TmemDs::DoBeforeScroll();
  }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override {
    for (;;) {
      const TGetResult result = TmemDs::GetRecord(buffer, mode, doCheck);
      if (result != grOK || !Filtered()) return result;
      bool accept = true;
      {
        TValueGuard candidate(FCandidate, buffer);
        const TDataSetState saved = SetTempState(dsFilter);
        TScopeExit restore([&] { RestoreState(saved); });
        DoOnFilterRecord(accept);
      }
      if (accept) return result;
      if (mode == gmCurrent) return grError;
    }
  }
  bool GetActiveRecBuf(TRecordBuffer& buffer) override {
    if (State() != dsFilter || FCandidate == nullptr) return TmemDs::GetActiveRecBuf(buffer);
    buffer = FCandidate;
    return true;
  }

 private:
  TRecordBuffer FCandidate = nullptr;
};

class TPassDbf : public TmDbfTable {
  MEBRATH_CLASS(TPassDbf, TmDbfTable)
 public:
  explicit TPassDbf(TComponent* owner) : TmDbfTable(owner) {}
  int Scrolls = 0;

 protected:
  void DoBeforeScroll() override {
    ++Scrolls;
    TmDbfTable::DoBeforeScroll();
  }
};

// Records what a link hears.
class TLogLink : public TDataLink {
 public:
  std::string Log;

 protected:
  void DataSetChanged() override { Log += "changed "; }
  void DataSetScrolled(int distance) override {
    Log += "scrolled" + std::to_string(distance) + " ";
  }
  void EditingChanged() override { Log += Editing() ? "editing " : "browsing "; }
  void RecordChanged(TField*) override { Log += "record "; }
  void DataEvent(TDataEvent event, std::intptr_t info) override {
    if (event == deDisabledStateChange) Log += info ? "enabled " : "disabled ";
    TDataLink::DataEvent(event, info);
  }
};

// A dataset of one scenario: NAME, a number N, an amount SUMMA and a
// calculated VAL (N, null when N is 0).
struct TPassData {
  TObjectPtr<TDataSet> ds;
  std::function<int()> scrolls;
  std::vector<TObjectPtr<TDataSet>> others;  // other users of a file
};

void AddPassFields(TDataSet* ds, bool dbf) {
  AddTestField<TStringField>(ds, "NAME", 10);
  TField* n = AddTestField<TIntegerField>(ds, "N");
  TField* amount = dbf ? static_cast<TField*>(AddTestField<TFloatField>(ds, "SUMMA"))
                       : AddTestField<TCurrencyField>(ds, "SUMMA");
  if (dbf) {
    n->SetOrigin("7.0");
    amount->SetOrigin("10.2");
  }
  TField* val = AddTestField<TFloatField>(ds, "VAL");
  val->SetFieldKind(fkCalculated);
  ds->OnCalcFields = [n, val](TDataSet*) {
    if (n->AsInteger() != 0) val->SetAsFloat(n->AsInteger());
  };
}

void AddPassRecords(TDataSet& ds, int count) {
  for (int i = 1; i <= count; ++i) {
    ds.Append();
    ds.FieldByName("NAME")->SetAsString("r" + std::to_string(i));
    ds.FieldByName("N")->SetAsInteger(i % 5 == 0 ? 0 : (i * 7) % 23);
    ds.FieldByName("SUMMA")->SetAsFloat(i * 1250.5 + (i % 3) * 0.25);
    ds.Post();
  }
}

TPassData MemoryData(bool filtered, bool sequenced) {
  auto ds = CreateUnique<TPassMemDs>();
  ds->SetName("mem");
  ds->Sequenced = sequenced;
  AddPassFields(ds.get(), false);
  ds->Open();
  AddPassRecords(*ds, 40);
  if (filtered) {
    TField* n = ds->FieldByName("N");
    ds->OnFilterRecord = [n](TDataSet*, bool& accept) { accept = n->AsInteger() % 3 != 0; };
    ds->SetFiltered(true);
  }
  ds->First();
  TPassMemDs* raw = ds.get();
  return {std::move(ds), [raw] { return raw->Scrolls; }, {}};
}

TPassData DbfData(const std::string& file, bool ordered) {
  FormatSettings.DecimalSeparator = '.';
  auto make = [&] {
    auto t = CreateUnique<TPassDbf>();
    t->SetName("dbf");
    t->SetTableName(file);
    AddPassFields(t.get(), true);
    t->SetExclusive(false);
    t->LockWait = [](int) {};
    return t;
  };
  make()->CreateTable();
  auto ours = make();
  ours->Open();
  AddPassRecords(*ours, 40);
  if (ordered) ours->SetOrder(ours->FieldByName("N"), true);
  // Another user deletes two records that our ordering still lists.
  auto theirs = make();
  theirs->Open();
  for (int recNo : {3, 20}) {
    theirs->SetRecNo(recNo);
    theirs->Delete();
  }
  ours->First();
  TPassDbf* raw = ours.get();
  TPassData data{std::move(ours), [raw] { return raw->Scrolls; }, {}};
  data.others.push_back(std::move(theirs));
  return data;
}

struct TScenario {
  const char* Name;
  std::function<TPassData(const std::string& file)> Make;
  std::function<void(TDataSet&)> Before;  // what the user did before the pass
  bool VirtualRecords = false;
};

// The current record's bookmark in hexadecimal.
std::string Bookmark(TDataSet& ds) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : ds.Bookmark()) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

// Everything the pass leaves behind that anyone can see; `scrolls` gets
// the scrolls the dataset made.
std::string PassOutcome(const TScenario& scenario, const std::string& file, bool heard,
                        int& scrolls) {
  TPassData data = scenario.Make(file);
  TDataSet& ds = *data.ds;
  if (scenario.Before) scenario.Before(ds);
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(&ds);
  TLogLink link;
  link.SetBufferCount(7);
  link.SetDataSource(source.get());
  auto producer = CreateUnique<TDBSumListProducer>(nullptr);
  producer->SetVirtualRecords(scenario.VirtualRecords);
  const std::pair<TGroupOperation, const char*> sums[] = {
      {goSum, "N"},  {goSum, "SUMMA"}, {goAvg, "VAL"},    {goAvg, "SUMMA"},
      {goCount, ""}, {goCount, "VAL"}, {goSum, "MISSING"}};
  for (const auto& [operation, field] : sums) {
    TDBSum* sum = producer->SumCollection()->Add();
    sum->SetGroupOperation(operation);
    sum->SetFieldName(field);
  }
  int afterScrolls = 0;
  if (heard) ds.AfterScroll = [&](TDataSet*) { ++afterScrolls; };
  link.Log.clear();
  const int before = data.scrolls();
  producer->SetDataSet(&ds);
  scrolls = data.scrolls() - before;
  std::string out;
  for (int i = 0; i < producer->SumCollection()->Count(); ++i)
    out += CurrToStr(producer->SumCollection()->Items(i)->SumValue()) + " ";
  out += "| " + Bookmark(ds) + " " + ds.FieldByName("NAME")->AsString() + " rec " +
         std::to_string(producer->GetRecNo()) + " of " + std::to_string(producer->RecordCount()) +
         " | " + link.Log + "|";
  const int passScrolls = afterScrolls;
  // Record numbers as the producer gives them, record by record.
  for (ds.First(); !ds.Eof(); ds.Next()) out += " " + std::to_string(producer->GetRecNo());
  if (heard) out += " | after-scrolls " + std::to_string(passScrolls - scrolls);
  link.SetDataSource(nullptr);
  producer.reset();
  return out;
}

TEST(SumPassTest, ReadingInPlaceGivesWhatScrollingGives) {
  TFileTestDir dir;
  auto memory = [](bool filtered, bool sequenced) {
    return [=](const std::string&) { return MemoryData(filtered, sequenced); };
  };
  auto dbf = [](bool ordered) {
    return [=](const std::string& file) { return DbfData(file, ordered); };
  };
  auto goTo = [](int recNo) { return [=](TDataSet& ds) { ds.SetRecNo(recNo); }; };
  auto editing = [](TDataSet& ds) {
    ds.SetRecNo(7);
    ds.Edit();
    ds.FieldByName("N")->SetAsInteger(1000);
    ds.FieldByName("SUMMA")->SetAsFloat(-5.5);
  };
  const TScenario scenarios[] = {
      {"memory", memory(false, true), goTo(12)},
      {"memory, filtered", memory(true, true), goTo(5)},
      {"memory, an edit pending", memory(false, true), editing},
      {"memory, filtered, an edit pending", memory(true, true), editing},
      {"memory, virtual record numbers", memory(false, false), goTo(30), true},
      {"shared file", dbf(false), goTo(15)},
      {"shared file, ordered descending", dbf(true), goTo(33)},
      {"shared file, ordered, an edit pending", dbf(true), editing},
  };
  int run = 0;
  for (const TScenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.Name);
    int inPlace = 0, scrolled = 0;
    const std::string quiet =
        PassOutcome(scenario, dir.File(std::to_string(++run) + ".001"), false, inPlace);
    const std::string heard =
        PassOutcome(scenario, dir.File(std::to_string(++run) + ".001"), true, scrolled);
    // Both ways go to the first record before and after the pass; the
    // heard pass scrolls through every record in between, and its
    // handler hears each scroll.
    EXPECT_EQ(quiet + " | after-scrolls 0", heard);
    EXPECT_EQ(inPlace, 2);
    EXPECT_GT(scrolled, 20);
  }
}

}  // namespace

namespace {

// A pass started while a record is edited or inserted counts that record
// once, with what was typed: the post the pass makes does not add it twice.
TEST(SumPassTest, PendingRecordCountsOnce) {
  for (const bool inserting : {false, true}) {
    for (const bool sequenced : {true, false}) {
      SCOPED_TRACE(std::string(inserting ? "insert" : "edit") + (sequenced ? "" : ", virtual"));
      TPassData data = MemoryData(false, sequenced);
      TDataSet& ds = *data.ds;
      if (inserting) {
        ds.Append();
        ds.FieldByName("NAME")->SetAsString("new");
      } else {
        ds.SetRecNo(7);
        ds.Edit();
      }
      ds.FieldByName("N")->SetAsInteger(1000);
      auto producer = CreateUnique<TDBSumListProducer>(nullptr);
      producer->SetVirtualRecords(!sequenced);
      TDBSum* total = producer->SumCollection()->Add();
      total->SetFieldName("N");
      TDBSum* count = producer->SumCollection()->Add();
      count->SetGroupOperation(goCount);
      producer->SetDataSet(&ds);
      int expected = 0, records = 0;
      for (ds.First(); !ds.Eof(); ds.Next(), ++records)
        expected += ds.FieldByName("N")->AsInteger();
      EXPECT_EQ(records, inserting ? 41 : 40);
      EXPECT_EQ(CurrToStr(total->SumValue()), std::to_string(expected));
      EXPECT_EQ(CurrToStr(count->SumValue()), std::to_string(records));
      EXPECT_EQ(producer->RecordCount(), records);
      producer.reset();
    }
  }
}

}  // namespace
