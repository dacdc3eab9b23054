#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "dbf_register_fixture.h"
#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"

namespace {

using DbfOrderTest = DbfRegisterTest;

TEST_F(DbfOrderTest, SetOrderKeepsTheCurrentRecordAndCyclesBackToPhysicalOrder) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  for (const char* n : {"Петрова", "Абрамова", "Сидорова", "Иванова"}) Add(*t, n, 1);
  t->SetRecNo(3);  // Сидорова
  int scrolls = 0;
  t->AfterScroll = [&](TDataSet*) { ++scrolls; };
  t->SetOrder(t->FieldByName("NAME"), false);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "Сидорова");
  EXPECT_EQ(t->RecNo(), 4);
  EXPECT_EQ(scrolls, 1);
  t->SetOrder(t->FieldByName("NAME"), true);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "Сидорова");
  EXPECT_EQ(t->RecNo(), 1);
  EXPECT_EQ(Names(*t), "Сидорова,Петрова,Иванова,Абрамова");
  t->SetOrder(nullptr, false);
  EXPECT_EQ(Names(*t), "Петрова,Абрамова,Сидорова,Иванова");
  // Not in browse state: nothing happens.
  t->Edit();
  t->SetOrder(t->FieldByName("NAME"), false);
  t->Cancel();
  EXPECT_EQ(Names(*t), "Петрова,Абрамова,Сидорова,Иванова");
}

TEST_F(DbfOrderTest, FindKeyPadsValuesAsTheColumnsStoreThem) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  for (const char* n : {"Петрова", "Иванова", "Иваницкая", "ivanova", "IVANOVA"}) Add(*t, n, 40);
  t->SetRecNo(2);
  t->Edit();
  t->FieldByName("NUM")->SetAsInteger(42);
  t->Post();
  t->First();
  struct Case {
    const char* Field;
    const char* Value;
    TFindOptions Options;
    const char* Found;  // NAME of the record found, "" for none
  } cases[] = {
      {"NUM", "42", {}, "Иванова"},  // right-justified to 7
      {"NAME", "Ива", {foPartial}, "Иваницкая"},
      {"NAME", "Ива", {}, ""},
      {"NAME", "Иванова", {}, "Иванова"},
      {"NAME", "ИВАНОВА", {}, ""},
      {"NAME", "иВАНОВА", {foCaseInsensitive}, "Иванова"},
      {"NAME", "иван", {foCaseInsensitive, foPartial}, "Иваницкая"},
      // OEM folding leaves Latin letters alone.
      {"NAME", "ivanova", {foCaseInsensitive}, "ivanova"},
      {"NAME", "Ivanova", {foCaseInsensitive}, ""},
      {"NAME", "Иванова и ещё двадцать знаков", {}, ""},
  };
  for (const Case& c : cases) {
    t->First();
    const bool found = t->FindKey(c.Field, c.Value, c.Options);
    EXPECT_EQ(found, *c.Found != 0) << c.Value;
    if (found) {
      EXPECT_EQ(t->FieldByName("NAME")->AsString(), c.Found) << c.Value;
    }
  }
  // The order stays by the last searched field.
  EXPECT_EQ(t->Cursor()->KeyFieldName(), "NAME");
  try {
    t->FindKey("NOPE", "1", {});
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "T: Field 'NOPE' not found");
  }
  t->Close();
  EXPECT_THROW(t->FindKey("NAME", "x", {}), EDatabaseError);
}

TEST_F(DbfOrderTest, FindKeyFollowsTheFieldsWhenTheyChange) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  Add(*t, "Петрова", 7);
  Add(*t, "Иванова", 42);
  EXPECT_TRUE(t->FindKey("NUM", "42", {}));
  EXPECT_TRUE(t->FindKey("num", "7", {}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "Петрова");
  // The fields move: NAME leaves and comes back last, then NUM leaves.
  t->Close();
  TField* name = t->FieldByName("NAME");
  TField* num = t->FieldByName("NUM");
  name->SetDataSet(nullptr);
  name->SetDataSet(t.get());
  t->Open();
  EXPECT_TRUE(t->FindKey("NAME", "Иванова", {}));
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 42);
  EXPECT_TRUE(t->FindKey("NUM", "7", {}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "Петрова");
  t->Close();
  num->SetDataSet(nullptr);
  t->Open();
  EXPECT_THROW(t->FindKey("NUM", "7", {}), EDatabaseError);
  num->Free();
}

TEST_F(DbfOrderTest, CaseInsensitiveSearchFindsKeysThatSortApart) {
  // By bytes: Б 81, В 82, Г 83, а A0; folded, а sorts first, so a folded
  // binary search over the byte order would miss it.
  for (bool ansi : {false, true}) {
    auto t = MakeTable();
    t->SetAnsiTable(ansi);
    t->CreateTable();
    t->Open();
    for (const char* n : {"Б", "В", "Г", "а"}) Add(*t, n, 1);
    EXPECT_TRUE(t->FindKey("NAME", "А", TFindOptions{foCaseInsensitive})) << ansi;
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "а");
    t->Close();
  }
}

TEST_F(DbfOrderTest, FindOtherKeySeesEveryEqualKey) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "А 0000001", {}), -1);  // no ordering yet
  t->AddCursor(t->FieldByName("cCERTIF"));
  Add(*t, "a", 1, "А", 1);
  Add(*t, "b", 2, "Б", 1);
  Add(*t, "c", 3, "А", 2);
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "Б 0000002", {}), 0);  // none
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "А 0000001", {}), 1);  // record 0, not current
  t->First();
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "А 0000001", {}), 0);  // only the current one
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "Б 0000001", {}), 2);
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "б 0000001", TFindOptions{foCaseInsensitive}), 2);
  // A duplicate that slipped in; the current record is the first of the two.
  t->SetEventsOff(true);
  Add(*t, "d", 4, "А", 1);
  t->SetEventsOff(false);
  t->First();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "А 0000001", {}), 4);
  t->Last();
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "А 0000001", {}), 1);
  // In insert state every record counts; the table does not move.
  t->Append();
  EXPECT_GT(t->FindOtherKey("cCERTIF", "А 0000002", {}), 0);
  EXPECT_EQ(t->FindOtherKey("cCERTIF", "А 0000002", {}), 3);
  t->Cancel();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "d");
  // A descending ordering on the field does not count.
  t->SetOrder(t->FieldByName("NAME"), true);
  EXPECT_EQ(t->FindOtherKey("NAME", "a", {}), -1);
}

TEST_F(DbfOrderTest, CalculatedKeysAreTheFilesOwnBytes) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  TDbfCursor* c = t->AddCursor(t->FieldByName("cCERTIF"));
  Add(*t, "b", 1, "Б", 7);
  Add(*t, "a", 2, "А", 7);
  ASSERT_EQ(c->KeyLength(), 9);
  EXPECT_EQ(c->KeyAt(0), Utf8ToOem866("А 0000007"));
  EXPECT_EQ(c->KeyAt(1), Utf8ToOem866("Б 0000007"));
  EXPECT_TRUE(t->FindKey("cCERTIF", "Б 0000007", {}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "b");
}

// Searches that alternate between fields, and a calculated key whose
// size changes while the table is closed: each search pads its value to
// the key as the field now is.
TEST_F(DbfOrderTest, SearchesFollowTheKeyFieldTheyName) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  Add(*t, "b", 1, "Б", 7);
  Add(*t, "a", 2, "А", 7);
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(t->FindKey("cCERTIF", "А 0000007", {}));
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
    EXPECT_TRUE(t->FindKey("NAME", "b", {}));
    EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 1);
    EXPECT_FALSE(t->FindKey("cCERTIF", "А 000000", {}));
    EXPECT_TRUE(t->FindKey("cCERTIF", "Б 000000", TFindOptions{foPartial}));
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "b");
  }
  // A key one character shorter: "А 000000" is now a whole key.
  t->Close();
  t->FieldByName("cCERTIF")->SetSize(9);
  t->Open();
  EXPECT_TRUE(t->FindKey("cCERTIF", "А 000000", {}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "a");
  EXPECT_TRUE(t->FindKey("cCERTIF", "Б 0000007", {}));
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "b");
}

TEST_F(DbfOrderTest, CalculatedNumbersOrderAsNumbers) {
  auto t = MakeTable();
  auto add = [&](TField* f, const char* fieldName) {
    f->SetFieldName(fieldName);
    f->SetFieldKind(fkCalculated);
    f->SetDataSet(t.get());
  };
  add(Create<TFloatField>(t.get()), "cQUARTER");
  add(Create<TSmallintField>(t.get()), "cNEG");
  auto certificate = t->OnCalcFields;
  t->OnCalcFields = [certificate](TDataSet* d) {
    certificate(d);
    const int num = d->FieldByName("NUM")->AsInteger();
    if (num != 0) d->FieldByName("cQUARTER")->SetAsFloat(num / 4.0 - 10);  // none for 0
    d->FieldByName("cNEG")->SetAsInteger(-num);
  };
  t->CreateTable();
  t->Open();
  // cQUARTER: -8.25, 0, none, 1.25, -7, 15; cNEG: -7, -40, 0, -45, -12, -100.
  for (auto [name, num] : {std::pair{"a", 7}, {"b", 40}, {"c", 0}, {"d", 45}, {"e", 12}})
    Add(*t, name, num);
  const struct {
    const char* field;
    bool descending;
    const char* names;
  } cases[] = {{"cQUARTER", false, "c,a,e,b,d,f"},
               {"cQUARTER", true, "f,d,b,e,a,c"},
               {"cNEG", false, "f,d,b,e,a,c"},
               {"cNEG", true, "c,a,e,b,d,f"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + (c.descending ? " down" : " up"));
    t->SetOrder(nullptr, false);
    t->SetOrder(t->FieldByName(c.field), c.descending);
    Add(*t, "f", 100);  // lands in its place
    EXPECT_EQ(Names(*t), c.names);
    // A changed value moves its record.
    ASSERT_TRUE(t->Locate("NAME", "c", {}));
    t->Edit();
    t->FieldByName("NUM")->SetAsInteger(200);
    t->Post();
    const std::string moved = Names(*t);
    EXPECT_EQ(c.descending == (std::string(c.field) == "cNEG") ? moved.back() : moved.front(), 'c')
        << moved;
    ASSERT_TRUE(t->Locate("NAME", "c", {}));
    t->Edit();
    t->FieldByName("NUM")->SetAsInteger(0);
    t->Post();
    ASSERT_TRUE(t->Locate("NAME", "f", {}));
    t->Delete();
  }
}

TEST_F(DbfOrderTest, AppendsLandInOrder) {
  {
    auto t = MakeTable();
    t->CreateTable();
    t->Open();
    t->SetOrder(t->FieldByName("NUM"), true);
    for (int n : {5, 9, 7}) {
      Add(*t, std::to_string(n), n);
      EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), n);  // the new record is current
    }
    EXPECT_EQ(Names(*t), "9,7,5");
  }
  // Shared: another user's appends come in with ours.
  auto a = MakeTable(true, "A");
  auto b = MakeTable(true, "B");
  a->Open();
  b->Open();
  a->SetOrder(a->FieldByName("NUM"), false);
  Add(*b, "b3", 3);
  Add(*b, "b1", 1);
  Add(*a, "a2", 2);
  EXPECT_EQ(a->FieldByName("NAME")->AsString(), "a2");
  EXPECT_EQ(Names(*a), "b1,a2,b3,5,7,9");  // numbers sort as right-justified text
  // b's deletion (of b1, b's last record) reaches a with a refresh, which
  // also adds b's append.
  b->Last();
  b->Delete();
  Add(*b, "b0", 0);
  a->Refresh();
  EXPECT_EQ(Names(*a), "b0,a2,b3,5,7,9");
}

TEST_F(DbfOrderTest, DeletingTheOnlyRecordEmptiesTheOrdering) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  TDbfCursor* c = t->AddCursor(t->FieldByName("NAME"));
  Add(*t, "x", 1);
  t->SetOrder(t->FieldByName("NAME"), false);
  t->Delete();
  EXPECT_EQ(t->Cursor()->Count(), 0);
  EXPECT_EQ(t->Cursor()->Position(), -1);
  EXPECT_EQ(c->Count(), 0);
  EXPECT_TRUE(t->Eof());
}

TEST_F(DbfOrderTest, OrderingsAccumulateAndSurviveReopening) {
  auto t = MakeTable();
  t->CreateTable();
  for (int i = 0; i < 3; ++i) {
    t->Open();
    t->AddCursor(t->FieldByName("cCERTIF"));
    Add(*t, "r" + std::to_string(i), i, "А", 3 - i);
    t->Close();
  }
  t->Open();
  ASSERT_EQ(t->Orderings().size(), 4u);
  for (std::size_t i = 1; i < 4; ++i)
    EXPECT_EQ(Records(*t->Orderings()[i]), (std::vector<int>{2, 1, 0}));
}

// An ordering kept up to date entry by entry must equal one built from
// the file: random appends, key edits and deletes, in OEM and ANSI tables.
TEST_F(DbfOrderTest, MaintainedOrderingsMatchRebuiltOnes) {
  const char* words[] = {"Ёлкина", "елкина", "Анна", "анна", "Zed", "zed", "Яна", "яна", "Ира", ""};
  for (bool ansi : {false, true}) {
    auto t = MakeTable();
    t->SetAnsiTable(ansi);
    t->CreateTable();
    t->Open();
    std::vector<TDbfCursor*> cursors = {t->AddCursor(t->FieldByName("NAME")),
                                        t->AddCursor(t->FieldByName("cCERTIF")),
                                        t->AddCursor(t->FieldByName("NUM"))};
    t->SetOrder(t->FieldByName("NAME"), true);
    std::mt19937 random(ansi ? 7 : 3);
    for (int step = 0; step < 400; ++step) {
      const int op = static_cast<int>(random() % 5);
      const std::string word = words[random() % 10];
      const int num = static_cast<int>(random() % 200) - 100;
      if (op == 4) {
        // Keys never assigned: blank in the file, as a rebuild reads them.
        t->Append();
        if (random() % 2) t->FieldByName("SCERTIF")->SetAsString("Б");
        t->Post();
      } else if (op < 2 || t->IsEmpty()) {
        Add(*t, word, num, random() % 2 ? "А" : "Б", num);
      } else {
        t->SetRecNo(static_cast<int>(random() % t->RecordCount()) + 1);
        if (op == 2) {
          t->Edit();
          t->FieldByName("NAME")->SetAsString(word);
          t->FieldByName("NCERTIF")->SetAsInteger(num);
          t->Post();
          EXPECT_EQ(t->FieldByName("NAME")->AsString(), word);  // still on the edited record
        } else {
          t->Delete();
        }
      }
    }
    std::vector<std::vector<int>> kept;
    for (TDbfCursor* c : cursors) kept.push_back(Records(*c));
    kept.push_back(Records(*t->Cursor()));
    t->Refresh();
    for (std::size_t i = 0; i < cursors.size(); ++i) EXPECT_EQ(Records(*cursors[i]), kept[i]) << i;
    EXPECT_EQ(Records(*t->Cursor()), kept.back());
    // Every key that is there is found.
    for (TDbfCursor* c : cursors) {
      for (int i = 0; i < c->Count(); ++i) ASSERT_GE(c->Search(c->KeyAt(i), false, nullptr), 0);
    }
    t->Close();
  }
}

// Ordering the current ordering by a key that another ordering already
// has takes that one's order: the file is not read again, nor a
// calculated key computed for every record.
TEST_F(DbfOrderTest, AnOrderingAlreadyThereIsTakenNotRebuilt) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  for (int i = 0; i < 50; ++i) Add(*t, "r" + std::to_string(i), i, i % 2 ? "А" : "Б", 50 - i);
  TDbfCursor* byKey = t->AddCursor(t->FieldByName("cCERTIF"));
  t->SetRecNo(7);
  const std::string current = t->FieldByName("NAME")->AsString();
  int computed = 0;
  auto calc = t->OnCalcFields;
  t->OnCalcFields = [&](TDataSet* d) {
    ++computed;
    calc(d);
  };
  t->SetOrder(t->FieldByName("cCERTIF"), false);
  EXPECT_LT(computed, 10);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), current);
  EXPECT_EQ(Records(*t->Cursor()), Records(*byKey));
  t->SetOrder(nullptr, false);
  computed = 0;
  EXPECT_TRUE(t->FindKey("cCERTIF", "Б 0000010", {}));
  EXPECT_LT(computed, 10);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "r40");
  EXPECT_EQ(Records(*t->Cursor()), Records(*byKey));
  // Both are kept up to date from then on.
  Add(*t, "new", 0, "А", 1);
  EXPECT_EQ(Records(*t->Cursor()), Records(*byKey));
}

TEST_F(DbfOrderTest, RefreshAddsRecordsBeyondTheOldCount) {
  MakeTable()->CreateTable();
  auto a = MakeTable(true, "A");
  auto b = MakeTable(true, "B");
  a->Open();
  b->Open();
  TDbfCursor* c = a->AddCursor(a->FieldByName("NAME"));
  for (int i = 0; i < 50; ++i) Add(*b, "n" + std::to_string(100 + i), i);
  EXPECT_EQ(c->Count(), 0);
  a->Refresh();
  EXPECT_EQ(c->Count(), 50);
  EXPECT_EQ(a->RecordCount(), 50);
}

}  // namespace

namespace {

// Another user's edit of a record in our read-ahead window: a scan shows
// it once the window is older than kSharedWindowMilliseconds; a refresh
// and a read of the current record show it at once. (A stream from
// StreamFactory is read by system calls through the window, as a file on
// a network file system is.)
TEST_F(DbfOrderTest, SharedReadAheadWindowGoesStaleOnlyBriefly) {
  std::uint32_t tick = 1000;
  SetTickSource([&] { return tick; });
  MakeTable()->CreateTable();
  auto a = MakeTable(true, "A");
  auto b = MakeTable(true, "B");
  b->StreamFactory = [](const std::string& file, unsigned mode) {
    return std::make_unique<TFileStream>(file, mode);
  };
  a->Open();
  for (int i = 0; i < 10; ++i) Add(*a, "r" + std::to_string(i), i);
  b->Open();
  b->First();
  for (int i = 0; i < 3; ++i) b->Next();  // a scan: the window holds the rest
  a->SetRecNo(6);
  a->Edit();
  a->FieldByName("NAME")->SetAsString("changed");
  a->Post();
  b->Next();
  b->Next();
  EXPECT_EQ(b->FieldByName("NAME")->AsString(), "r5");  // served from the window
  tick += kSharedWindowMilliseconds;
  b->Next();
  b->Prior();
  EXPECT_EQ(b->FieldByName("NAME")->AsString(), "changed");
  // Our own write updates the window.
  b->Edit();
  b->FieldByName("NAME")->SetAsString("mine");
  b->Post();
  b->First();
  for (int i = 0; i < 5; ++i) b->Next();
  EXPECT_EQ(b->FieldByName("NAME")->AsString(), "mine");
  // A refresh re-reads.
  a->SetRecNo(6);
  a->Edit();
  a->FieldByName("NAME")->SetAsString("again");
  a->Post();
  b->Refresh();
  EXPECT_EQ(b->FieldByName("NAME")->AsString(), "again");
  SetTickSource(nullptr);
}

}  // namespace

namespace {

// Records read from the mapped file show another user's writes at once,
// in a scan as in a jump, and the records another user appends are read
// once a refresh has counted them.
TEST_F(DbfOrderTest, MappedReadsShowOtherUsersWritesAtOnce) {
  MakeTable()->CreateTable();
  auto a = MakeTable(true, "A");
  auto b = MakeTable(true, "B");
  a->Open();
  for (int i = 0; i < 10; ++i) Add(*a, "r" + std::to_string(i), i);
  b->Open();
  b->First();
  for (int i = 0; i < 3; ++i) b->Next();
  a->SetRecNo(6);
  a->Edit();
  a->FieldByName("NAME")->SetAsString("changed");
  a->Post();
  b->Next();
  b->Next();
  EXPECT_EQ(b->FieldByName("NAME")->AsString(), "changed");
  for (int i = 10; i < 2000; ++i) Add(*a, "r" + std::to_string(i), i);
  b->Refresh();
  EXPECT_EQ(b->RecordCount(), 2000);
  b->Last();
  EXPECT_EQ(b->FieldByName("NAME")->AsString(), "r1999");
  EXPECT_TRUE(b->FindKey("NUM", "1500", {}));
  EXPECT_EQ(b->FieldByName("NAME")->AsString(), "r1500");
  // Our own appends, read back through the mapping.
  Add(*b, "mine", 2000);
  EXPECT_TRUE(b->FindKey("NAME", "mine", {}));
  EXPECT_EQ(b->FieldByName("NUM")->AsInteger(), 2000);
}

}  // namespace

namespace {

TEST_F(DbfOrderTest, SearchesFindTheFirstKeyAPlainScanFinds) {
  // Names that share long beginnings and differ in any byte, Cyrillic
  // (above 0x7F in the file) included; searched whole and by beginnings.
  constexpr std::size_t kLength = 20;  // NAME's column, which cuts longer names
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  const std::string letters[] = {"a", "b", "Я", "я", "А", "0", " ", "ё"};
  std::mt19937 random(5);
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) {
    std::string name = "Иванова ";
    const int length = static_cast<int>(random() % 14);
    for (int k = 0; k < length; ++k) name += letters[random() % 8];
    names.push_back(name);
    Add(*t, name, i);
  }
  for (int i = 0; i < 600; ++i) {
    std::string value = names[random() % names.size()];
    const bool partial = i % 2 == 1;
    if (partial) value = value.substr(0, value.size() - random() % 6);
    if (i % 7 == 0) value += letters[random() % 8];
    // The first record, in key order, whose stored key begins with the
    // value (equals it padded, when whole).
    std::string stored = Utf8ToOem866(value);
    if (!partial) stored.resize(kLength, ' ');
    std::string expectedKey;
    for (const std::string& name : names) {
      std::string key = Utf8ToOem866(name);
      key.resize(kLength, ' ');
      if (key.compare(0, stored.size(), stored) == 0 && (expectedKey.empty() || key < expectedKey))
        expectedKey = key;
    }
    const bool found =
        t->FindKey("NAME", value, partial ? TFindOptions{foPartial} : TFindOptions{});
    ASSERT_EQ(found, !expectedKey.empty()) << value;
    if (found) {
      std::string key = Utf8ToOem866(t->FieldByName("NAME")->AsString());
      key.resize(kLength, ' ');
      EXPECT_EQ(key, expectedKey) << value;
    }
  }
}

}  // namespace

namespace {

// An ordering kept entry by entry (builds, copies, appends, deletes, key
// changes) against a plain sorted list, for keys shorter than, as long
// as and longer than the part a search compares first, with long equal
// beginnings and bytes at both ends of the range, in both directions.
TEST_F(DbfOrderTest, OrderingsMatchASortedModel) {
  auto t = MakeTable();  // closed: the orderings are driven by hand
  for (int length : {3, 8, 16, 17, 24}) {
    for (bool descending : {false, true}) {
      SCOPED_TRACE(std::to_string(length) + (descending ? " descending" : " ascending"));
      TDbfCursor* cursor = new TDbfCursor(t.get());  // the table frees both
      TDbfCursor* other = new TDbfCursor(t.get());
      cursor->SetKey("K", descending);
      other->SetKey("K", descending);
      cursor->BeginBuild(length);
      cursor->EndBuild();
      std::mt19937 random(static_cast<unsigned>(length * 2 + descending));
      auto randomKey = [&] {
        std::string key(static_cast<std::size_t>(length), 'a');
        for (int k = 0, n = static_cast<int>(random() % 3); k < n; ++k)
          key[random() % key.size()] = "ab\x80\xff\0 "[random() % 6];
        return key;
      };
      std::map<int, std::string> live;  // record number -> key
      int next = 0;
      for (int step = 0; step < 300; ++step) {
        const int op = static_cast<int>(random() % 20);
        auto someRecord = [&] { return std::next(live.begin(), random() % live.size())->first; };
        if (op < 8 || live.empty()) {
          live[next] = randomKey();
          cursor->RecordAppended(next, live[next]);
          ++next;
        } else if (op < 11) {
          const int record = someRecord();
          cursor->RecordDeleted(record);
          live.erase(record);
        } else if (op < 18) {
          const int record = someRecord();
          live[record] = random() % 4 ? randomKey() : live[record];
          cursor->RecordChanged(record, live[record]);
        } else if (op == 18) {
          if (random() % 2) cursor->Clear();
          cursor->BeginBuild(length);
          for (const auto& [record, key] : live) cursor->AddBuilt(record, key);
          cursor->EndBuild();
        } else {
          other->CopyOrder(*cursor);
          std::swap(cursor, other);
        }
        std::vector<std::pair<std::string, int>> model;
        for (const auto& [record, key] : live) model.emplace_back(key, record);
        std::stable_sort(model.begin(), model.end(), [&](const auto& a, const auto& b) {
          return descending ? a.first > b.first : a.first < b.first;
        });
        std::vector<int> expected;
        for (const auto& entry : model) expected.push_back(entry.second);
        ASSERT_EQ(Records(*cursor), expected) << step;
        for (int record = 0; record < next; ++record) {
          const auto at = std::find(expected.begin(), expected.end(), record);
          ASSERT_EQ(cursor->IndexOfRecord(record),
                    at == expected.end() ? -1 : static_cast<int>(at - expected.begin()));
        }
        if (descending) continue;  // searches run on ascending orderings
        for (int k = 0; k < 4; ++k) {
          std::string value = k % 2 || live.empty() ? randomKey() : live[someRecord()];
          const bool partial = k >= 2;
          if (partial) value.resize(random() % (value.size() + 1));
          const int except = live.empty() ? -1 : someRecord();
          int first = -1, firstOther = -1;
          for (std::size_t i = 0; i < model.size(); ++i) {
            if (partial ? model[i].first.compare(0, value.size(), value) != 0
                        : model[i].first != value)
              continue;
            if (first < 0) first = static_cast<int>(i);
            if (firstOther < 0 && model[i].second != except) firstOther = model[i].second;
          }
          ASSERT_EQ(cursor->Search(value, partial, nullptr), first) << step << " " << value;
          ASSERT_EQ(cursor->SearchOther(value, partial, nullptr, except), firstOther) << step;
        }
      }
    }
  }
}

}  // namespace
