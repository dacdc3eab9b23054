#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data_set_fixture.h"

namespace {

TEST_F(DataSetTest, AppendInsertEditCancelDelete) {
  Fill(3);
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(Id(), 1);
  ds->Next();
  ds->Insert();  // before the second record
  EXPECT_EQ(ds->State(), dsInsert);
  ds->FieldByName("ID")->SetAsInteger(9);
  ds->Post();
  EXPECT_EQ(ds->RecNo(), 2);
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(10);
  ds->Post();
  std::vector<int> ids;
  for (ds->First(); !ds->Eof(); ds->Next()) ids.push_back(Id());
  EXPECT_EQ(ids, (std::vector<int>{1, 9, 2, 3, 10}));

  ds->First();
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(100);
  EXPECT_TRUE(ds->Modified());
  ds->Cancel();
  EXPECT_EQ(Id(), 1);
  ds->Delete();
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(ds->RecordCount(), 4);
  ds->Last();
  ds->Delete();  // the last: the new last becomes current
  EXPECT_EQ(Id(), 3);
}

TEST_F(DataSetTest, BeforeEventsStopTheOperation) {
  Fill(2);
  ds->BeforePost = [](TDataSet*) { throw EAbort("stop"); };
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(5);
  EXPECT_THROW(ds->Post(), EAbort);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(Id(), 5);
  ds->BeforePost = nullptr;
  ds->Post();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Id(), 5);

  ds->BeforeInsert = [](TDataSet*) { throw EAbort("no"); };
  EXPECT_THROW(ds->Insert(), EAbort);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_THROW(ds->Post(), EDatabaseError);  // not in edit
}

TEST_F(DataSetTest, CheckBrowseModePostsOrCancels) {
  Fill(2);
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(7);
  ds->Next();  // posts
  ds->First();
  EXPECT_EQ(Id(), 7);
  ds->Append();  // unmodified: cancelled by the move
  ds->First();
  EXPECT_EQ(ds->RecordCount(), 2);
}

TEST_F(DataSetTest, RequiredFieldAndErrors) {
  Fill(1);
  ds->FieldByName("NAME")->SetRequired(true);
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(3);
  try {
    ds->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Поле 'NAME' должно быть заполнено");
  }
  EXPECT_EQ(ds->State(), dsInsert);
  ds->Cancel();
  try {
    ds->FieldByName("NOPE");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Table1: Field 'NOPE' not found");
  }
  EXPECT_THROW(ds->FieldByName("ID")->SetAsInteger(1), EDatabaseError);  // browse
  ds->Close();
  try {
    ds->Next();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Table1: Cannot perform this operation on a closed dataset");
  }
}

// The fields a post requires follow every change between posts: Required,
// ReadOnly and the fields' order.
TEST_F(DataSetTest, TheRequiredCheckFollowsTheFieldsBetweenPosts) {
  Fill(1);
  TField* id = ds->FieldByName("ID");
  TField* name = ds->FieldByName("NAME");
  const auto postError = [&]() -> std::string {
    ds->Append();
    try {
      ds->Post();
      return "";
    } catch (const EDatabaseError& e) {
      ds->Cancel();
      return e.Message();
    }
  };
  EXPECT_EQ(postError(), "");
  name->SetRequired(true);
  EXPECT_EQ(postError(), "Поле 'NAME' должно быть заполнено");
  name->SetReadOnly(true);
  EXPECT_EQ(postError(), "");
  name->SetReadOnly(false);
  id->SetRequired(true);
  EXPECT_EQ(postError(), "Поле 'ID' должно быть заполнено");
  name->SetIndex(0);
  EXPECT_EQ(postError(), "Поле 'NAME' должно быть заполнено");
  name->SetRequired(false);
  id->SetRequired(false);
  EXPECT_EQ(postError(), "");
}

TEST_F(DataSetTest, PostErrorEventChoosesFailAbortOrRetry) {
  Fill(1);
  ds->FieldByName("NAME")->SetRequired(true);
  std::vector<std::string> heard;
  TDataAction choice = daFail;
  ds->OnPostError = [&](TDataSet*, EDatabaseError& e, TDataAction& action) {
    heard.push_back(e.Message());
    EXPECT_EQ(action, daFail);
    if (choice == daRetry) ds->FieldByName("NAME")->SetAsString("fixed");
    action = choice;
  };
  ds->Append();
  EXPECT_THROW(ds->Post(), EDatabaseError);
  choice = daAbort;
  EXPECT_THROW(ds->Post(), EAbort);
  EXPECT_EQ(ds->State(), dsInsert);
  choice = daRetry;
  ds->Post();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(heard.size(), 3u);
  EXPECT_EQ(heard[0], "Поле 'NAME' должно быть заполнено");
  EXPECT_EQ(ds->RecordCount(), 2);
}

TEST_F(DataSetTest, ALinkLetsGoOfASwappedDataset) {
  Fill(3);
  TObjectPtr<TArrayDataSet> first = std::move(ds);
  NewDataSet();
  Fill(5);
  auto source = CreateUnique<TDataSource>();
  TRecordingLink link;
  source->SetDataSet(first.get());
  link.SetDataSource(source.get());
  link.Log.clear();
  // Both are open: the link still hears the change of dataset.
  source->SetDataSet(ds.get());
  EXPECT_EQ(Join(link.Log), "inactive active");
  EXPECT_EQ(link.DataSet(), ds.get());
  EXPECT_EQ(link.RecordCount(), 1);
  source->SetDataSet(nullptr);
  EXPECT_EQ(Join(link.Log), "inactive active inactive");
}

TEST_F(DataSetTest, BufferWindowFollowsTheLink) {
  Fill(25);
  auto source = CreateUnique<TDataSource>();
  TRecordingLink link;
  link.SetBufferCount(10);
  source->SetDataSet(ds.get());
  link.SetDataSource(source.get());
  EXPECT_EQ(ds->BufferCount(), 10);
  EXPECT_EQ(link.RecordCount(), 10);
  EXPECT_EQ(link.ActiveRecord(), 0);

  EXPECT_EQ(ds->MoveBy(9), 9);
  EXPECT_EQ(link.ActiveRecord(), 9);
  EXPECT_EQ(link.Scrolls.back(), 0);
  EXPECT_EQ(ds->MoveBy(3), 3);  // the window scrolls by three rows
  EXPECT_EQ(link.ActiveRecord(), 9);
  EXPECT_EQ(link.Scrolls.back(), 3);
  EXPECT_EQ(Id(), 13);

  // A grid drawing row 2 reads that row's values, RecNo and bookmark.
  int saved = link.ActiveRecord();
  link.SetActiveRecord(2);
  EXPECT_EQ(Id(), 6);
  EXPECT_EQ(ds->RecNo(), 6);
  TBookmark row2 = ds->Bookmark();
  link.SetActiveRecord(saved);
  EXPECT_EQ(ds->CompareBookmarks(row2, ds->Bookmark()), -1);

  EXPECT_EQ(ds->MoveBy(100), 12);
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(Id(), 25);
  EXPECT_EQ(ds->MoveBy(-30), -24);
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(Id(), 1);

  ds->SetRecNo(15);  // centred
  EXPECT_EQ(Id(), 15);
  EXPECT_EQ(link.ActiveRecord(), 4);
  ds->GotoBookmark(row2);
  EXPECT_EQ(Id(), 6);
  link.SetDataSource(nullptr);
  EXPECT_EQ(ds->BufferCount(), 1);
  EXPECT_EQ(Id(), 6);
}

TEST_F(DataSetTest, NoticesDuringEditPostCancelScroll) {
  Fill(3);
  auto source = CreateUnique<TDataSource>();
  TRecordingLink link;
  source->SetDataSet(ds.get());
  link.SetDataSource(source.get());
  EXPECT_EQ(Join(link.Log), "active");
  link.Log.clear();

  ds->Edit();
  EXPECT_EQ(Join(link.Log), "check editing record");
  link.Log.clear();
  ds->FieldByName("NAME")->SetAsString("x");
  EXPECT_EQ(Join(link.Log), "field:NAME");
  link.Log.clear();
  ds->Post();
  EXPECT_EQ(Join(link.Log), "update check browsing changed");
  link.Log.clear();
  ds->Edit();
  ds->Cancel();
  EXPECT_EQ(Join(link.Log), "check editing record check browsing changed");
  link.Log.clear();
  ds->Next();
  EXPECT_EQ(Join(link.Log), "check scrolled");
  link.Log.clear();
  ds->Close();
  EXPECT_EQ(Join(link.Log), "inactive");
}

TEST_F(DataSetTest, DisableControlsNests) {
  Fill(3);
  auto source = CreateUnique<TDataSource>();
  TRecordingLink link;
  source->SetDataSet(ds.get());
  link.SetDataSource(source.get());
  int afterScroll = 0;
  ds->AfterScroll = [&](TDataSet*) { ++afterScroll; };
  link.Log.clear();
  ds->DisableControls();
  ds->DisableControls();
  EXPECT_TRUE(ds->ControlsDisabled());
  ds->Next();
  ds->Edit();
  ds->EnableControls();
  EXPECT_EQ(Join(link.Log), "disabled");
  ds->Cancel();
  ds->EnableControls();
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_EQ(Join(link.Log), "disabled enabled changed");
  EXPECT_EQ(afterScroll, 1);  // events fire while disabled
}

TEST_F(DataSetTest, CalculatedAndLookupFields) {
  auto names = CreateUnique<TArrayDataSet>();
  names->Columns = {{"CODE", ftInteger}, {"TITLE", ftString, 20}};
  names->Open();
  for (auto [code, title] : std::vector<std::pair<int, std::string>>{{1, "one"}, {2, "two"}}) {
    names->Append();
    names->FieldByName("CODE")->SetAsInteger(code);
    names->FieldByName("TITLE")->SetAsString(title);
    names->Post();
  }

  auto* id = Create<TIntegerField>(ds.get());
  id->SetFieldName("ID");
  id->SetDataSet(ds.get());
  auto* twice = Create<TIntegerField>(ds.get());
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(ds.get());
  auto* title = Create<TStringField>(ds.get());
  title->SetFieldName("TITLE");
  title->SetFieldKind(fkLookup);
  title->SetLookupDataSet(names.get());
  title->SetKeyFields("ID");
  title->SetLookupKeyFields("CODE");
  title->SetLookupResultField("TITLE");
  title->SetDataSet(ds.get());
  ds->OnCalcFields = [&](TDataSet*) {
    if (!id->IsNull()) twice->SetAsInteger(id->AsInteger() * 2);
  };
  ds->Open();
  EXPECT_FALSE(ds->DefaultFields());
  EXPECT_EQ(twice->FieldNo(), -1);
  ds->Append();
  id->SetAsInteger(2);  // recalculates at once
  EXPECT_EQ(twice->AsInteger(), 4);
  EXPECT_EQ(title->AsString(), "two");
  ds->Post();
  ds->Append();
  id->SetAsInteger(3);
  EXPECT_TRUE(title->IsNull());
  ds->Post();
  ds->First();
  EXPECT_EQ(twice->AsInteger(), 4);
  EXPECT_EQ(title->AsString(), "two");
}

// Every change of a data field recalculates once, and the lookups follow
// the field list as it is when the record changes.
TEST_F(DataSetTest, DataFieldChangesRecalculate) {
  auto names = CreateUnique<TArrayDataSet>();
  names->Columns = {{"CODE", ftInteger}, {"TITLE", ftString, 20}};
  names->Open();
  for (auto [code, text] : std::vector<std::pair<int, std::string>>{{1, "one"}, {2, "two"}}) {
    names->Append();
    names->FieldByName("CODE")->SetAsInteger(code);
    names->FieldByName("TITLE")->SetAsString(text);
    names->Post();
  }
  auto* id = Create<TIntegerField>(ds.get());
  id->SetFieldName("ID");
  id->SetDataSet(ds.get());
  auto* name = Create<TStringField>(ds.get());
  name->SetFieldName("NAME");
  name->SetSize(10);
  name->SetDataSet(ds.get());
  auto* twice = Create<TIntegerField>(ds.get());
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(ds.get());
  auto lookupField = [&](const char* fieldName) {
    auto* f = Create<TStringField>(ds.get());
    f->SetFieldName(fieldName);
    f->SetFieldKind(fkLookup);
    f->SetLookupDataSet(names.get());
    f->SetKeyFields("ID");
    f->SetLookupKeyFields("CODE");
    f->SetLookupResultField("TITLE");
    f->SetDataSet(ds.get());
    return f;
  };
  TStringField* title = lookupField("TITLE");
  TStringField* second = nullptr;
  int calcs = 0;
  ds->OnCalcFields = [&](TDataSet*) {
    ++calcs;
    if (!id->IsNull()) twice->SetAsInteger(id->AsInteger() * 2);
  };
  auto text = [](TField* f) { return f == nullptr ? "-" : f->IsNull() ? "null" : f->AsString(); };
  auto reopen = [&](const std::function<void()>& change) {
    ds->Close();
    change();
    ds->Open();
    ds->Edit();
  };
  ds->Open();
  struct Case {
    const char* what;
    std::function<void()> change;  // before the assignment
    int key;
    std::string title, second;
  };
  const std::vector<Case> cases = {
      {"insert", [&] { ds->Append(); }, 2, "two", "-"},
      {"insert, again", [] {}, 1, "one", "-"},
      {"edit after post", [&] { ds->Post(), ds->Edit(); }, 2, "two", "-"},
      {"no such key", [] {}, 3, "null", "-"},
      {"lookup dataset closed", [&] { names->Close(); }, 1, "null", "-"},
      {"lookup dataset open", [&] { names->Open(); }, 1, "one", "-"},
      {"field moved while open", [&] { title->SetIndex(0); }, 2, "two", "-"},
      {"lookup added", [&] { reopen([&] { second = lookupField("SECOND"); }); }, 1, "one", "one"},
      {"lookup made calculated", [&] { reopen([&] { title->SetFieldKind(fkCalculated); }); }, 2,
       "null", "two"},
      {"calculated made lookup", [&] { reopen([&] { title->SetFieldKind(fkLookup); }); }, 2, "two",
       "two"},
      {"lookup removed",
       [&] {
         reopen([&] {
           second->Free();
           second = nullptr;
         });
       },
       1, "one", "-"},
  };
  for (const Case& c : cases) {
    c.change();
    calcs = 0;
    id->SetAsInteger(c.key);
    EXPECT_EQ(calcs, 1) << c.what;
    EXPECT_EQ(twice->AsInteger(), c.key * 2) << c.what;
    EXPECT_EQ(text(title), c.title) << c.what;
    EXPECT_EQ(text(second), c.second) << c.what;
  }
  calcs = 0;
  name->SetAsString("x");  // any data field
  EXPECT_EQ(calcs, 1);
  EXPECT_EQ(text(title), "one");
  ds->Cancel();
  ds->OnCalcFields = nullptr;
  ds->Edit();
  id->SetAsInteger(2);  // lookups without a handler
  EXPECT_EQ(text(title), "two");
}

TEST_F(DataSetTest, BindFieldsChecksTypes) {
  auto* f = Create<TStringField>(ds.get());
  f->SetFieldName("ID");
  f->SetDataSet(ds.get());
  try {
    ds->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(),
              "Table1: Type mismatch for field 'ID', expecting: String actual: Integer");
  }
  EXPECT_FALSE(ds->Active());
}

TEST_F(DataSetTest, DefaultFieldsRefuseAnUnknownType) {
  ds->Columns = {{"ID", ftInteger}, {"CUR", ftCursor}};
  try {
    ds->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Table1: Field 'CUR' is of an unknown type");
  }
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->FieldCount(), 0);
}

TEST_F(DataSetTest, LocateAndLookup) {
  Fill(5);
  ds->Next();
  EXPECT_TRUE(ds->Locate("NAME", "N4", TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(Id(), 4);
  EXPECT_FALSE(ds->Locate("NAME", "n9", {}));
  EXPECT_EQ(Id(), 4);  // stays
  EXPECT_TRUE(ds->Locate("ID;NAME", VarArrayOf({2, "n2"}), {}));
  EXPECT_EQ(Id(), 2);
  EXPECT_TRUE(ds->Locate("NAME", "n", TLocateOptions{loPartialKey}));
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(ds->Lookup("ID", 3, "NAME").AsString(), "n3");
  EXPECT_TRUE(VarIsNull(ds->Lookup("ID", 33, "NAME")));
  EXPECT_EQ(Id(), 1);
  ds->Next();
  ds->Next();
  EXPECT_EQ(Id(), 3);  // the cursor follows the buffers after a scan
}

TEST_F(DataSetTest, FieldConversions) {
  Fill(1);
  ds->Edit();
  TField* id = ds->FieldByName("ID");
  TField* price = ds->FieldByName("PRICE");
  TField* born = ds->FieldByName("BORN");
  TField* name = ds->FieldByName("NAME");
  price->SetAsString("3.450");
  EXPECT_EQ(price->AsString(), "3.45");
  static_cast<TFloatField*>(price)->SetDisplayFormat("0.00");
  EXPECT_EQ(price->DisplayText(), "3.45");
  EXPECT_EQ(price->Text(), "3.45");
  static_cast<TFloatField*>(price)->SetDisplayFormat("#,##0.000");
  EXPECT_EQ(price->DisplayText(), "3.450");
  EXPECT_EQ(price->Text(), "3.450");  // no EditFormat: the display format
  static_cast<TFloatField*>(price)->SetEditFormat("0.#");
  EXPECT_EQ(price->Text(), "3.5");
  EXPECT_THROW(price->SetAsString("3,4"), EConvertError);
  EXPECT_THROW(id->SetAsString("12a"), EConvertError);
  id->SetText("");
  EXPECT_TRUE(id->IsNull());
  EXPECT_TRUE(VarIsNull(id->Value()));
  static_cast<TIntegerField*>(id)->SetMaxValue(99);
  try {
    id->SetAsInteger(100);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Значение 100 недопустимо для поля 'ID'. Допустимы значения от 0 до 99");
  }
  id->SetValue(42);
  EXPECT_EQ(id->AsString(), "42");
  EXPECT_EQ(id->AsFloat(), 42.0);
  born->SetAsString("05.03.2007");
  EXPECT_EQ(born->AsString(), "05.03.2007");
  EXPECT_EQ(born->AsDateTime(), EncodeDate(2007, 3, 5));
  EXPECT_THROW(born->SetAsString("31.02.2007"), EConvertError);
  name->SetAsString("абвгдежзийклм");  // cut to 10 characters
  EXPECT_EQ(name->AsString(), "абвгдежзий");
  EXPECT_TRUE(id->IsValidChar(U'5'));
  EXPECT_FALSE(id->IsValidChar(U'.'));
  EXPECT_TRUE(price->IsValidChar(U'.'));
  EXPECT_EQ(id->Alignment(), taRightJustify);
}

TEST_F(DataSetTest, GetTextAndSetTextEvents) {
  Fill(1);
  TField* id = ds->FieldByName("ID");
  id->OnGetText = [](TField* f, std::string& text, bool display) {
    text = (display ? "#" : "") + f->AsString();
  };
  id->OnSetText = [](TField* f, const std::string& text) { f->SetAsString(text.substr(1)); };
  EXPECT_EQ(id->DisplayText(), "#1");
  EXPECT_EQ(id->Text(), "1");
  ds->Edit();
  id->SetText("x77");
  EXPECT_EQ(id->AsInteger(), 77);
}

TEST_F(DataSetTest, TransliterationAndValidation) {
  ds->UpperStorage = true;
  Fill(1);
  ds->Edit();
  TField* name = ds->FieldByName("NAME");
  name->SetAsString("abc");
  char raw[64] = {};
  ASSERT_TRUE(name->GetData(raw));
  EXPECT_STREQ(raw, "ABC");
  EXPECT_EQ(name->AsString(), "abc");
  std::string seen;
  name->OnValidate = [&](TField* f) {
    seen = f->AsString();
    if (seen == "bad") throw EDatabaseError("no");
  };
  EXPECT_THROW(name->SetAsString("bad"), EDatabaseError);
  EXPECT_EQ(name->AsString(), "abc");
  EXPECT_EQ(seen, "bad");
}

TEST_F(DataSetTest, BookmarksAndBaseRefusals) {
  Fill(3);
  TBookmark first = ds->GetBookmark();
  ds->Last();
  TBookmark last = ds->GetBookmark();
  EXPECT_EQ(ds->CompareBookmarks(first, last), -1);
  EXPECT_EQ(ds->CompareBookmarks(last, first), 1);
  EXPECT_EQ(ds->CompareBookmarks(TBookmark(), first), -1);
  EXPECT_EQ(ds->CompareBookmarks(first, first), 0);
  ds->GotoBookmark(first);
  EXPECT_EQ(Id(), 1);
  ds->Append();
  EXPECT_TRUE(ds->Bookmark().empty());
  ds->Cancel();
  EXPECT_THROW(ds->TDataSet::CompareBookmarks(first, last), EDatabaseError);
}

TEST_F(DataSetTest, DataSourceStateAndAutoEdit) {
  Fill(2);
  auto source = CreateUnique<TDataSource>();
  int changes = 0;
  source->OnStateChange = [&](TObject*) { ++changes; };
  source->SetDataSet(ds.get());
  EXPECT_EQ(source->State(), dsBrowse);
  TRecordingLink link;
  link.SetDataSource(source.get());
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(ds->State(), dsEdit);
  ds->Cancel();
  source->SetAutoEdit(false);
  EXPECT_FALSE(link.Edit());
  source->SetEnabled(false);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(changes, 4);  // browse, edit, browse, inactive
  ds.reset();             // the source forgets the dataset
  EXPECT_EQ(source->DataSet(), nullptr);
}

}  // namespace
