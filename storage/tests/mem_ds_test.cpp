#include "storage/mem_ds.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"

namespace {

template <typename Field>
Field* AddField(TDataSet* ds, const std::string& name, int size = 0) {
  Field* field = Create<Field>(ds);
  field->SetFieldName(name);
  if (size > 0) field->SetSize(size);
  field->SetDataSet(ds);
  return field;
}

std::string Message(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no exception";
}

class MemDsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = FormatSettings;
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    FormatSettings.DateSeparator = '.';
    ds = CreateUnique<TmemDs>();
    ds->SetName("mt");
    name = AddField<TStringField>(ds.get(), "NAME", 10);
    cnt = AddField<TIntegerField>(ds.get(), "CNT");
    growth = AddField<TSmallintField>(ds.get(), "GROWTH");
    price = AddField<TFloatField>(ds.get(), "PRICE");
    weight = AddField<TCurrencyField>(ds.get(), "WEIGHT");
    bdate = AddField<TDateField>(ds.get(), "BDATE");
    stamp = AddField<TDateTimeField>(ds.get(), "STAMP");
    ds->Open();
  }
  void TearDown() override { FormatSettings = saved; }

  void Add(const std::string& n, int c = 0) {
    ds->Append();
    name->SetAsString(n);
    cnt->SetAsInteger(c);
    ds->Post();
  }
  // The names in dataset order, then "@" and the current name.
  std::string Rows() {
    std::string out;
    TBookmark here = ds->Bookmark();
    std::string current = ds->IsEmpty() ? "-" : name->AsString();
    for (ds->First(); !ds->Eof(); ds->Next()) out += name->AsString() + " ";
    if (!here.empty()) ds->GotoBookmark(here);
    return out + "@" + current;
  }

  TFormatSettings saved;
  TObjectPtr<TmemDs> ds;
  TStringField* name;
  TIntegerField* cnt;
  TSmallintField* growth;
  TFloatField* price;
  TCurrencyField* weight;
  TDateField* bdate;
  TDateTimeField* stamp;
};

TEST_F(MemDsTest, OpenNeedsDataFieldsAndReopenEmpties) {
  TObjectPtr<TmemDs> empty = CreateUnique<TmemDs>();
  empty->SetName("mtAcct");
  EXPECT_EQ(Message([&] { empty->Open(); }), "mtAcct: Can't open: has no data fields");
  EXPECT_FALSE(empty->Active());
  TStringField* calc = AddField<TStringField>(empty.get(), "CALC", 5);
  calc->SetFieldKind(fkCalculated);
  EXPECT_EQ(Message([&] { empty->Open(); }), "mtAcct: Can't open: has no data fields");

  Add("a");
  Add("b");
  TBookmark old = ds->Bookmark();
  ds->Close();
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_EQ(ds->RecNo(), 0);
  ds->Open();
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(ds->RecordCount(), 0);
  Add("c");
  // A bookmark from before the reopen never names a new record.
  EXPECT_FALSE(ds->BookmarkValid(old));
}

TEST_F(MemDsTest, InsertAppendEditCancelDelete) {
  for (const char* n : {"a", "b", "c", "d"}) Add(n);
  ds->SetRecNo(3);
  ds->Insert();
  EXPECT_EQ(ds->RecNo(), 0);
  name->SetAsString("x");
  ds->Post();
  EXPECT_EQ(Rows(), "a b x c d @x");
  EXPECT_EQ(ds->RecNo(), 3);
  ds->First();
  ds->Append();
  name->SetAsString("y");
  ds->Post();
  EXPECT_EQ(Rows(), "a b x c d y @y");

  ds->SetRecNo(2);
  ds->Edit();
  name->SetAsString("B");
  EXPECT_EQ(VarToStr(name->OldValue()), "b");  // the record as it was before Edit
  EXPECT_EQ(VarToStr(name->Value()), "B");
  ds->Cancel();
  EXPECT_EQ(Rows(), "a b x c d y @b");
  ds->Edit();
  name->SetAsString("B");
  ds->Post();
  EXPECT_EQ(Rows(), "a B x c d y @B");
  ds->Insert();
  ds->Cancel();
  EXPECT_EQ(Rows(), "a B x c d y @B");
  ds->Insert();
  ds->Delete();  // deleting a record being inserted cancels it
  EXPECT_EQ(ds->RecordCount(), 6);

  ds->Last();
  ds->Delete();
  EXPECT_EQ(Rows(), "a B x c d @d");
  EXPECT_EQ(ds->RecNo(), 5);
  ds->First();
  ds->Delete();
  EXPECT_EQ(Rows(), "B x c d @B");
  while (!ds->IsEmpty()) ds->Delete();
  EXPECT_EQ(ds->RecNo(), 0);
  ds->Insert();  // into an empty dataset
  name->SetAsString("z");
  ds->Post();
  EXPECT_EQ(Rows(), "z @z");
}

TEST_F(MemDsTest, WriteRulesAndErrors) {
  Add("a", 1);
  EXPECT_EQ(Message([&] { name->SetAsString("b"); }), "mt: Dataset not in edit or insert mode");
  name->SetReadOnly(true);
  name->SetDisplayLabel("Имя");
  ds->Edit();
  EXPECT_EQ(Message([&] { name->SetAsString("b"); }), "Field 'Имя' cannot be modified");
  name->SetReadOnly(false);
  std::vector<int> seen;
  cnt->OnValidate = [&](TField* f) {
    seen.push_back(f->AsInteger());
    if (f->AsInteger() < 0) throw EDatabaseError("negative");
  };
  cnt->SetAsInteger(5);
  EXPECT_THROW(cnt->SetAsInteger(-1), EDatabaseError);
  EXPECT_EQ(seen, (std::vector<int>{5, -1}));
  EXPECT_EQ(cnt->AsInteger(), 5);  // the refused value was not stored
  // A text longer than the field is cut, not written past the slot.
  name->SetAsString("Иванова-Петрова");
  EXPECT_EQ(name->AsString(), "Иванова-Пе");
  ds->Post();

  ds->SetReadOnly(true);
  EXPECT_FALSE(ds->CanModify());
  EXPECT_EQ(Message([&] { ds->Edit(); }), "mt: Cannot modify a read-only dataset");
  EXPECT_EQ(Message([&] { ds->Append(); }), "mt: Cannot modify a read-only dataset");
}

TEST_F(MemDsTest, NullsAndDates) {
  ds->Append();
  EXPECT_TRUE(bdate->IsNull());
  EXPECT_TRUE(stamp->IsNull());
  EXPECT_FALSE(cnt->IsNull());  // numbers are never null
  EXPECT_EQ(cnt->AsInteger(), 0);
  bdate->SetAsDateTime(EncodeDate(1899, 12, 30));
  EXPECT_TRUE(bdate->IsNull());
  bdate->SetAsDateTime(EncodeDate(1899, 12, 31));
  EXPECT_EQ(bdate->AsString(), "31.12.1899");
  stamp->SetAsDateTime(EncodeDate(2006, 1, 2) + 0.5);
  price->SetAsFloat(2.5);
  ds->Post();
  EXPECT_EQ(bdate->AsString(), "31.12.1899");
  EXPECT_EQ(stamp->AsDateTime(), EncodeDate(2006, 1, 2) + 0.5);
  EXPECT_EQ(price->AsFloat(), 2.5);
  ds->Edit();
  bdate->Clear();
  ds->Post();
  EXPECT_TRUE(bdate->IsNull());
  // An empty date is null for the required check too.
  bdate->SetRequired(true);
  ds->Append();
  EXPECT_EQ(Message([&] { ds->Post(); }), "Поле 'BDATE' должно быть заполнено");
  ds->Cancel();
}

TEST_F(MemDsTest, RecNoBoundsAndScrollEvents) {
  EXPECT_EQ(ds->RecNo(), 0);
  for (const char* n : {"a", "b", "c"}) Add(n);
  int scrolls = 0;
  ds->AfterScroll = [&](TDataSet*) { ++scrolls; };
  ds->SetRecNo(2);
  ds->SetRecNo(2);  // unchanged: no scroll
  EXPECT_EQ(scrolls, 1);
  EXPECT_EQ(Rows(), "a b c @b");
  ds->SetRecNo(0);
  EXPECT_EQ(ds->RecNo(), 1);
  ds->SetRecNo(10);
  EXPECT_EQ(ds->RecNo(), 3);
  ds->SetRecNo(-4);
  EXPECT_EQ(ds->RecNo(), 1);
  ds->Edit();
  name->SetAsString("A");
  ds->SetRecNo(3);  // posts the edit first
  EXPECT_EQ(Rows(), "A b c @c");
}

TEST_F(MemDsTest, BookmarksFollowRecordsAcrossInsertsAndDeletes) {
  for (const char* n : {"a", "b", "c", "d"}) Add(n);
  ds->SetRecNo(2);
  TBookmark b = ds->Bookmark();
  ds->SetRecNo(4);
  TBookmark d = ds->Bookmark();
  ds->First();
  ds->Insert();
  name->SetAsString("x");
  ds->Post();
  ds->SetRecNo(4);  // c
  ds->Delete();
  ds->GotoBookmark(b);
  EXPECT_EQ(Rows(), "x a b d @b");
  EXPECT_EQ(ds->CompareBookmarks(b, d), -1);
  EXPECT_EQ(ds->CompareBookmarks(d, b), 1);
  EXPECT_EQ(ds->CompareBookmarks(b, b), 0);
  EXPECT_EQ(ds->CompareBookmarks(TBookmark(), b), -1);

  ds->GotoBookmark(d);
  ds->Delete();
  EXPECT_FALSE(ds->BookmarkValid(d));
  EXPECT_TRUE(ds->BookmarkValid(b));
  EXPECT_EQ(ds->CompareBookmarks(b, d), -1);  // vanished sorts last
  ds->First();
  int scrolls = 0;
  ds->AfterScroll = [&](TDataSet*) { ++scrolls; };
  EXPECT_THROW(ds->GotoBookmark(d), EAbort);  // the silent abort
  EXPECT_EQ(scrolls, 0);
  EXPECT_EQ(Rows(), "x a b @x");

  // An edit is written to its own record even when posted after moving
  // the window (grid-sized buffers read ahead of the cursor).
  TDataSource* source = Create<TDataSource>(ds.get());
  source->SetDataSet(ds.get());
  TDataLink link;
  link.SetBufferCount(5);
  link.SetDataSource(source);
  ds->GotoBookmark(b);
  ds->Edit();
  name->SetAsString("B");
  ds->Post();
  EXPECT_EQ(Rows(), "x a B @B");
  link.SetDataSource(nullptr);
}

TEST_F(MemDsTest, CalculatedFieldsHaveTheirOwnArea) {
  ds->Close();
  TStringField* label = AddField<TStringField>(ds.get(), "LABEL", 20);
  label->SetFieldKind(fkCalculated);
  ds->OnCalcFields = [&](TDataSet*) { label->SetAsString(name->AsString() + "!"); };
  ds->Open();
  Add("a");
  Add("b");
  ds->First();
  EXPECT_EQ(label->AsString(), "a!");
  ds->Next();
  EXPECT_EQ(label->AsString(), "b!");
  EXPECT_EQ(name->AsString(), "b");
}

struct FindCase {
  std::string Field;
  std::string Key;
  TLocateOptions Options;
  int Expected;
};

TEST_F(MemDsTest, FindRecordPerType) {
  const char* names[] = {"Иванова", "иванов", "Петрова", "Ив", "ёлкин a1", "x\xFFy"};
  for (int i = 0; i < 6; ++i) {
    ds->Append();
    name->SetAsString(names[i]);
    cnt->SetAsInteger(40 + i);
    growth->SetAsInteger(50 + i);
    price->SetAsFloat(1.5 + i);
    weight->SetAsFloat(3.25 + i);
    bdate->SetAsDateTime(EncodeDate(2006, 1, 1 + i));
    stamp->SetAsDateTime(EncodeDateTime(2006, 1, 1, 10 + i, 0, 0, 0));
    ds->Post();
  }
  const TLocateOptions ci{loCaseInsensitive}, partial{loPartialKey};
  const TLocateOptions both{loCaseInsensitive, loPartialKey};
  const FindCase cases[] = {
      {"NAME", "Иванова", {}, 1},   {"NAME", "ИВАНОВ", {}, -1},
      {"NAME", "ИВАНОВ", ci, 2},    {"NAME", "Ив", {}, 4},
      {"NAME", "Ив", partial, 1},   {"NAME", "ив", partial, 2},
      {"NAME", "ПЕТ", both, 3},     {"NAME", "", {}, -1},
      {"NAME", "ЁЛКИН A", both, 5}, {"NAME", "Ёлкин A1", ci, 5},
      {"NAME", "ЁЛКИН A", ci, -1},  {"NAME", "ивановаX", both, -1},
      {"NAME", "X\xFF", both, 6},   {"NAME", "X\xFFY", ci, 6},
      {"NAME", "Иванова ", {}, -1}, {"CNT", "42", {}, 3},
      {"CNT", "042", {}, 3},        {"CNT", "7", {}, -1},
      {"GROWTH", "53", {}, 4},      {"PRICE", "2.5", {}, 2},
      {"WEIGHT", "5.25", {}, 3},    {"BDATE", "03.01.2006", {}, 3},
      {"BDATE", "", {}, -1},        {"STAMP", "01.01.2006 11:00:00", {}, 2},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(ds->FindRecord(c.Field, c.Key, c.Options), c.Expected) << c.Field << " " << c.Key;
  }
  EXPECT_EQ(Message([&] { ds->FindRecord("NOPE", "1", {}); }), "mt: Field 'NOPE' not found");
  EXPECT_THROW(ds->FindRecord("NAME;CNT", "1", {}), EDatabaseError);
}

TEST_F(MemDsTest, LocateMovesToTheMatchOrTheLastRecord) {
  for (const char* n : {"a", "b", "c", "d"}) Add(n, static_cast<int>(n[0]));
  ds->First();
  int refreshes = 0;
  ds->AfterRefresh = [&](TDataSet*) { ++refreshes; };
  EXPECT_TRUE(ds->Locate("NAME", Variant("b"), {}));
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_TRUE(ds->Locate("CNT", Variant(99), {}));
  EXPECT_EQ(name->AsString(), "c");
  ds->First();
  EXPECT_FALSE(ds->Locate("NAME", Variant("q"), {}));
  EXPECT_EQ(ds->RecNo(), 4);
  EXPECT_EQ(refreshes, 3);
  ds->First();
  EXPECT_FALSE(ds->Locate("NAME", Variant::Null(), {}));
  EXPECT_FALSE(ds->Locate("NAME", Variant(), {}));
  EXPECT_EQ(ds->RecNo(), 1);
  EXPECT_EQ(refreshes, 3);
}

// The key text is converted to the field's type on a scratch record: the
// record being edited, its state and the field events stay as they were,
// also when the text does not convert.
TEST_F(MemDsTest, FindRecordLeavesTheEditedRecordAlone) {
  Add("a", 1);
  Add("b", 2);
  bool validated = false, changed = false, setText = false;
  cnt->OnValidate = [&](TField*) { validated = true; };
  cnt->OnChange = [&](TField*) { changed = true; };
  ds->Edit();
  cnt->SetAsInteger(7);
  bdate->SetAsDateTime(EncodeDate(2006, 5, 5));
  validated = changed = false;
  cnt->OnSetText = [&](TField* f, const std::string& text) {
    setText = true;
    f->SetAsString(text);
  };
  cnt->SetReadOnly(true);  // a read-only key field still converts
  EXPECT_EQ(ds->FindRecord("CNT", "1", {}), 1);
  EXPECT_EQ(ds->FindRecord("CNT", "7", {}), -1);  // the edit is not posted
  EXPECT_EQ(ds->FindRecord("BDATE", "", {}), 1);
  EXPECT_THROW(ds->FindRecord("CNT", "abc", {}), EConvertError);
  EXPECT_TRUE(setText);
  EXPECT_FALSE(validated);
  EXPECT_FALSE(changed);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_TRUE(ds->Modified());
  EXPECT_EQ(cnt->AsInteger(), 7);
  EXPECT_EQ(bdate->AsString(), "05.05.2006");
  cnt->SetReadOnly(false);
  ds->Post();
  EXPECT_EQ(ds->FindRecord("CNT", "7", {}), 2);
}

// The same random operations on the dataset and on a vector; positions,
// contents and bookmarks must agree after every step. With a grid-sized
// window the dataset reads ahead and behind the cursor.
class MemDsModelTest : public MemDsTest, public ::testing::WithParamInterface<int> {};

TEST_P(MemDsModelTest, RandomOperationsMatchAVectorModel) {
  TDataSource* source = Create<TDataSource>(ds.get());
  source->SetDataSet(ds.get());
  TDataLink link;
  link.SetBufferCount(GetParam());
  link.SetDataSource(source);
  std::mt19937 random(20240611 + static_cast<unsigned>(GetParam()));
  std::vector<int> model;  // CNT values, each unique
  int position = -1;       // model index of the current record
  int next = 1;
  std::map<int, TBookmark> marks;
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int step = 0; step < 3000; ++step) {
    const int op = pick(10);
    const int count = static_cast<int>(model.size());
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op));
    if (op <= 2 || count == 0) {  // append
      ds->Append();
      cnt->SetAsInteger(next);
      ds->Post();
      model.push_back(next++);
      position = static_cast<int>(model.size()) - 1;
    } else if (op == 3) {  // insert before a random record
      ds->SetRecNo(pick(count) + 1);
      position = ds->RecNo() - 1;
      ds->Insert();
      cnt->SetAsInteger(next);
      if (pick(4) == 0) {
        ds->Cancel();
        ++next;
      } else {
        ds->Post();
        model.insert(model.begin() + position, next++);
      }
    } else if (op == 4) {  // edit
      ds->SetRecNo(pick(count) + 1);
      position = ds->RecNo() - 1;
      ds->Edit();
      cnt->SetAsInteger(next);
      ds->Post();
      marks.erase(model[static_cast<std::size_t>(position)]);
      model[static_cast<std::size_t>(position)] = next++;
    } else if (op <= 6) {  // delete
      ds->SetRecNo(pick(count) + 1);
      position = ds->RecNo() - 1;
      ds->Delete();
      model.erase(model.begin() + position);
      if (position >= static_cast<int>(model.size())) position = static_cast<int>(model.size()) - 1;
    } else if (op == 7) {  // locate, present or not
      int wanted = pick(2) == 0 ? model[static_cast<std::size_t>(pick(count))] : -5;
      bool found = ds->Locate("CNT", Variant(wanted), {});
      auto it = std::find(model.begin(), model.end(), wanted);
      ASSERT_EQ(found, it != model.end());
      position = found ? static_cast<int>(it - model.begin()) : count - 1;
    } else if (op == 8) {  // remember a bookmark
      marks[model[static_cast<std::size_t>(position)]] = ds->Bookmark();
    } else if (!marks.empty()) {  // go to a remembered record, maybe deleted
      auto it = marks.begin();
      std::advance(it, pick(static_cast<int>(marks.size())));
      auto at = std::find(model.begin(), model.end(), it->first);
      ASSERT_EQ(ds->BookmarkValid(it->second), at != model.end());
      if (at == model.end()) {
        EXPECT_THROW(ds->GotoBookmark(it->second), EAbort);
        marks.erase(it);
      } else {
        ds->GotoBookmark(it->second);
        position = static_cast<int>(at - model.begin());
      }
    }
    ASSERT_EQ(ds->RecordCount(), static_cast<int>(model.size()));
    if (!model.empty()) {
      ASSERT_EQ(ds->RecNo(), position + 1);
      ASSERT_EQ(cnt->AsInteger(), model[static_cast<std::size_t>(position)]);
    }
    if (step % 100 == 99) {
      std::vector<int> seen;
      for (ds->First(); !ds->Eof(); ds->Next()) seen.push_back(cnt->AsInteger());
      ASSERT_EQ(seen, model);
      if (!model.empty()) ds->SetRecNo(position + 1);
    }
  }
  link.SetDataSource(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Windows, MemDsModelTest, ::testing::Values(1, 7));

}  // namespace
