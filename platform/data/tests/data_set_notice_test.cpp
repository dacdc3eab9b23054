// What links and event handlers hear, in order, and old values.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data_set_fixture.h"

namespace {

class DataSetNoticeTest : public DataSetTest {
 protected:
  // Three records, on the second, with every event and the link writing
  // into one log.
  void Prepare() {
    Fill(3);
    ds->Next();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(ds.get());
    link.SetDataSource(source.get());
    auto log = [this](const char* name) {
      return [this, name](TDataSet*) { link.Log.push_back(name); };
    };
    ds->BeforeEdit = log("BeforeEdit");
    ds->AfterEdit = log("AfterEdit");
    ds->BeforeInsert = log("BeforeInsert");
    ds->AfterInsert = log("AfterInsert");
    ds->OnNewRecord = log("NewRecord");
    ds->BeforePost = log("BeforePost");
    ds->AfterPost = log("AfterPost");
    ds->BeforeCancel = log("BeforeCancel");
    ds->AfterCancel = log("AfterCancel");
    ds->BeforeDelete = log("BeforeDelete");
    ds->AfterDelete = log("AfterDelete");
    ds->BeforeScroll = log("BeforeScroll");
    ds->AfterScroll = log("AfterScroll");
    ds->BeforeRefresh = log("BeforeRefresh");
    ds->AfterRefresh = log("AfterRefresh");
    ds->BeforeClose = log("BeforeClose");
    ds->AfterClose = log("AfterClose");
    ds->FieldByName("NAME")->OnChange = [this](TField*) { link.Log.push_back("OnChange"); };
    link.Log.clear();
  }
  void SetName(const char* name) { ds->FieldByName("NAME")->SetAsString(name); }

  TObjectPtr<TDataSource> source;
  TRecordingLink link;
};

TEST_F(DataSetNoticeTest, OrderOfNotices) {
  struct Case {
    const char* name;
    std::function<void(TArrayDataSet*)> setup, action;
    const char* expected;
  };
  const Case cases[] = {
      {"edit", nullptr, [](TArrayDataSet* d) { d->Edit(); },
       "check BeforeEdit editing record AfterEdit"},
      {"field", [](TArrayDataSet* d) { d->Edit(); },
       [](TArrayDataSet* d) { d->FieldByName("NAME")->SetAsString("x"); }, "OnChange field:NAME"},
      {"post", [](TArrayDataSet* d) { d->Edit(); }, [](TArrayDataSet* d) { d->Post(); },
       "update check BeforePost browsing changed AfterPost"},
      {"cancel edit", [](TArrayDataSet* d) { d->Edit(); }, [](TArrayDataSet* d) { d->Cancel(); },
       "check BeforeCancel browsing changed AfterCancel"},
      {"cancel insert", [](TArrayDataSet* d) { d->Insert(); },
       [](TArrayDataSet* d) { d->Cancel(); },
       "check BeforeCancel BeforeScroll browsing changed AfterCancel AfterScroll"},
      {"insert", nullptr, [](TArrayDataSet* d) { d->Insert(); },
       "check BeforeInsert BeforeScroll editing NewRecord changed AfterInsert AfterScroll"},
      {"append", nullptr, [](TArrayDataSet* d) { d->Append(); },
       "check BeforeInsert BeforeScroll editing NewRecord changed AfterInsert AfterScroll"},
      {"delete", nullptr, [](TArrayDataSet* d) { d->Delete(); },
       "check BeforeDelete BeforeScroll changed AfterDelete AfterScroll"},
      {"next", nullptr, [](TArrayDataSet* d) { d->Next(); },
       "check BeforeScroll scrolled AfterScroll"},
      {"first", nullptr, [](TArrayDataSet* d) { d->First(); },
       "check BeforeScroll changed AfterScroll"},
      {"refresh", nullptr, [](TArrayDataSet* d) { d->Refresh(); },
       "BeforeRefresh check changed AfterRefresh"},
      {"next posts a modified edit",
       [](TArrayDataSet* d) {
         d->Edit();
         d->FieldByName("NAME")->SetAsString("y");
       },
       [](TArrayDataSet* d) { d->Next(); },
       "check update update check BeforePost browsing changed AfterPost BeforeScroll scrolled "
       "AfterScroll"},
      {"next cancels an unmodified insert", [](TArrayDataSet* d) { d->Insert(); },
       [](TArrayDataSet* d) { d->Next(); },
       "check update check BeforeCancel BeforeScroll browsing changed AfterCancel AfterScroll "
       "BeforeScroll scrolled AfterScroll"},
      {"locate found", nullptr, [](TArrayDataSet* d) { EXPECT_TRUE(d->Locate("ID", 3, {})); },
       "check BeforeScroll changed AfterScroll"},
      {"locate missing", nullptr, [](TArrayDataSet* d) { EXPECT_FALSE(d->Locate("ID", 7, {})); },
       "check BeforeScroll"},
      {"lookup", nullptr, [](TArrayDataSet* d) { d->Lookup("ID", 3, "NAME"); }, "check"},
      {"close", nullptr, [](TArrayDataSet* d) { d->Close(); }, "BeforeClose inactive AfterClose"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NewDataSet();
    Prepare();
    if (c.setup) c.setup(ds.get());
    link.Log.clear();
    c.action(ds.get());
    EXPECT_EQ(Join(link.Log), c.expected);
    link.SetDataSource(nullptr);
    source.reset();
  }
}

TEST_F(DataSetNoticeTest, AbortInBeforePostKeepsTheEdit) {
  Prepare();
  ds->Edit();
  SetName("z");
  ds->BeforePost = [this](TDataSet*) {
    link.Log.push_back("BeforePost");
    Abort();
  };
  link.Log.clear();
  EXPECT_THROW(ds->Post(), EAbort);
  EXPECT_EQ(Join(link.Log), "update check BeforePost");
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_TRUE(ds->Modified());
  EXPECT_TRUE(link.Editing());
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "z");
}

// DisableControls: a nesting count; the links hear the disabled-state
// change at the outermost calls, and on the last enable what happened
// meanwhile: a state change, then a dataset change (or layout change).
TEST_F(DataSetNoticeTest, DisableControlsTable) {
  struct Case {
    const char* name;
    std::function<void(TArrayDataSet*)> meanwhile;
    const char* expected;
  };
  const Case cases[] = {
      {"nothing", [](TArrayDataSet*) {}, "disabled enabled changed"},
      {"scroll", [](TArrayDataSet* d) { d->Next(); }, "disabled enabled changed"},
      {"edit", [](TArrayDataSet* d) { d->Edit(); }, "disabled enabled editing changed"},
      {"layout", [](TArrayDataSet* d) { d->FieldByName("ID")->SetDisplayLabel("No."); },
       "disabled enabled layout"},
      {"close", [](TArrayDataSet* d) { d->Close(); }, "disabled enabled inactive"},
      {"close and open",
       [](TArrayDataSet* d) {
         d->Close();
         d->Open();
       },
       "disabled enabled layout"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NewDataSet();
    Prepare();
    ds->BeforeScroll = ds->AfterScroll = ds->BeforeEdit = ds->AfterEdit = nullptr;
    ds->BeforeClose = ds->AfterClose = nullptr;
    ds->DisableControls();
    ds->DisableControls();
    c.meanwhile(ds.get());
    ds->EnableControls();
    EXPECT_TRUE(ds->ControlsDisabled());
    ds->EnableControls();
    EXPECT_FALSE(ds->ControlsDisabled());
    ds->EnableControls();  // unmatched: ignored
    EXPECT_EQ(Join(link.Log), c.expected);
    link.SetDataSource(nullptr);
    source.reset();
  }
}

TEST_F(DataSetNoticeTest, OldValues) {
  Prepare();
  TField* id = ds->FieldByName("ID");
  TField* name = ds->FieldByName("NAME");
  EXPECT_EQ(id->OldValue().AsInteger(), 2);  // browse: the value itself
  ds->Edit();
  id->SetAsInteger(20);
  name->Clear();
  EXPECT_EQ(id->OldValue().AsInteger(), 2);
  EXPECT_EQ(name->OldValue().AsString(), "n2");
  EXPECT_EQ(id->NewValue().AsInteger(), 20);
  EXPECT_TRUE(VarIsNull(name->Value()));
  EXPECT_EQ(ds->State(), dsEdit);  // the temporary state is gone
  ds->Post();
  EXPECT_EQ(id->OldValue().AsInteger(), 20);
  ds->Edit();
  EXPECT_EQ(id->OldValue().AsInteger(), 20);
  ds->Cancel();
  ds->Insert();
  EXPECT_TRUE(VarIsNull(id->OldValue()));
  ds->Cancel();
  ds->Last();
  ds->Edit();
  id->SetAsInteger(30);
  EXPECT_EQ(id->OldValue().AsInteger(), 3);
  ds->Cancel();
  EXPECT_EQ(id->AsInteger(), 3);
}

}  // namespace
