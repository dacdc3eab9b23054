#include "grid/grid_data_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid_test_support.h"
#include "platform/gui/messages.h"
#include "platform/widgets/grids.h"

namespace {

struct TFakeGridHost : TGridDataLinkHostEh {
  std::vector<std::string> log;
  TField* selected = nullptr;
  std::vector<TField*> shown;  // fields that have a column
  bool focusable = true;
  bool suspended = false;
  bool fastMoves = false;
  bool layoutFlag = false;
  TGridDataLinkEh* link = nullptr;

  void LinkActive(bool value) override { log.push_back(value ? "active" : "inactive"); }
  void DataChanged() override { log.push_back("changed"); }
  void Scroll(int distance) override { log.push_back("scroll " + std::to_string(distance)); }
  void EditingChanged() override { log.push_back("editing"); }
  void RecordChanged(TField* field) override {
    log.push_back("record " + (field ? field->FieldName() : std::string("*")));
  }
  void RequestLayout() override { log.push_back(layoutFlag ? "layout(flag)" : "layout"); }
  bool SetLayoutChangeFlag(bool value) override {
    bool old = layoutFlag;
    layoutFlag = value;
    return old;
  }
  bool AcquireFocus() override { return focusable; }
  void ShowEditor() override { log.push_back("editor"); }
  TField* SelectedField() override { return selected; }
  void SetSelectedField(TField* field) override {
    for (TField* f : shown)
      if (f == field) selected = field;
  }
  bool DataEventsSuspended() override { return suspended; }
  void DisabledStateChanged(bool enabled) override {
    log.push_back(enabled ? "enabled" : "disabled");
  }
  void UpdateData() override {
    log.push_back("update");
    link->UpdateRecord();  // a nested request must not come back here
  }
  bool CanMoveByRecNo() override { return fastMoves; }
  void WatchField(TField* field) override { log.push_back("watch " + field->FieldName()); }
};

class GridDataLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.ds->Open();
    for (int i = 1; i <= 20; ++i) t.Add("r" + std::to_string(i), i);
    t.ds->First();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(t.ds.get());
    link = std::make_unique<TGridDataLinkEh>(&host);
    host.link = link.get();
    link->SetDataSource(source.get());
    EXPECT_EQ(Log(), "active");
  }
  std::string Log() {
    std::string out;
    for (const auto& s : host.log) out += (out.empty() ? "" : ", ") + s;
    host.log.clear();
    return out;
  }

  TTestTable t;
  TFakeGridHost host;
  TObjectPtr<TDataSource> source;
  std::unique_ptr<TGridDataLinkEh> link;
};

TEST_F(GridDataLinkTest, DatasetNoticesBecomeGridCalls) {
  link->SetBufferCount(5);
  host.log.clear();
  t.ds->Next();
  EXPECT_EQ(Log(), "scroll 0");  // inside the link's window
  t.ds->Edit();
  EXPECT_EQ(Log(), "editing, record *");
  t.num->SetAsInteger(5);
  // The calculated field changed with it.
  EXPECT_EQ(Log(), "record NUM, record VAL");
  t.ds->Post();
  EXPECT_EQ(Log(), "editing, changed");
  source->SetEnabled(false);
  EXPECT_EQ(Log(), "inactive");
  source->SetEnabled(true);
  EXPECT_EQ(Log(), "active");
  t.ds->DisableControls();
  EXPECT_EQ(Log(), "disabled");
  t.ds->EnableControls();
  EXPECT_EQ(Log(), "enabled, changed");
  host.suspended = true;
  t.ds->Next();
  EXPECT_EQ(Log(), "") << "suspended";
}

TEST_F(GridDataLinkTest, LayoutChangesRunWithTheFlagSet) {
  host.log.clear();
  t.ds->DataEvent(deLayoutChange, 0);
  EXPECT_EQ(Log(), "layout(flag), changed");
  EXPECT_FALSE(host.layoutFlag);
}

TEST_F(GridDataLinkTest, FieldMapWithAndWithoutSparseEntries) {
  host.log.clear();
  link->AddMapping("NUM");
  link->AddMapping("NAME");
  EXPECT_EQ(Log(), "watch NUM, watch NAME");
  EXPECT_EQ(link->GetMappedField(0), t.num);
  EXPECT_EQ(link->GetMappedField(1), t.name);
  EXPECT_EQ(link->GetMappedField(2), nullptr);
  EXPECT_EQ(link->GetMappedField(-1), nullptr);
  EXPECT_THROW(link->AddMapping("NOPE"), EDatabaseError);
  link->SetSparseMap(true);
  link->AddMapping("NOPE");
  EXPECT_EQ(link->FieldCount(), 3);
  EXPECT_EQ(link->GetMappedField(2), nullptr);
  EXPECT_FALSE(link->DefaultFields()) << "persistent fields";
  link->ClearMapping();
  EXPECT_EQ(link->FieldCount(), 0);
}

TEST_F(GridDataLinkTest, FocusControlSelectsTheFieldsColumnAndOpensTheEditor) {
  host.shown = {t.num};
  host.log.clear();
  struct Case {
    TField* field;
    bool focusable;
    bool handled;
    const char* log;
  };
  const std::vector<Case> cases = {
      {t.num, true, true, "editor"},
      {t.num, false, false, ""},
      {t.name, true, false, ""},  // no column shows it
  };
  for (const Case& c : cases) {
    host.selected = nullptr;
    host.focusable = c.focusable;
    TField* field = c.field;
    t.ds->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
    EXPECT_EQ(field == nullptr, c.handled) << c.field->FieldName() << c.focusable;
    EXPECT_EQ(Log(), c.log);
  }
}

TEST_F(GridDataLinkTest, UpdateDataWritesOnlyAModifiedEditOnce) {
  t.ds->Edit();
  host.log.clear();
  link->UpdateRecord();
  EXPECT_EQ(Log(), "") << "nothing typed";
  link->Modify();
  link->UpdateRecord();
  EXPECT_EQ(Log(), "update");
  EXPECT_FALSE(link->Modified());
  link->Modify();
  link->Reset();
  EXPECT_EQ(Log(), "record *") << "a modified edit reloads";
  EXPECT_EQ(t.ds->State(), dsEdit);
  link->Reset();
  EXPECT_EQ(t.ds->State(), dsBrowse) << "else the dataset cancels";
}

TEST_F(GridDataLinkTest, LongMovesGoByRecordNumberWhenAllowed) {
  link->SetBufferCount(3);
  struct Case {
    bool fast;
    int from, distance, recNo;
  };
  const std::vector<Case> cases = {
      {true, 1, 10, 11},   // by record number
      {true, 15, 10, 20},  // past the end: the ordinary move stops at the last
      {false, 1, 10, 11},  // the ordinary move
      {true, 5, 1, 6},
  };
  for (const Case& c : cases) {
    host.fastMoves = c.fast;
    t.ds->SetRecNo(c.from);
    link->MoveBy(c.distance);
    EXPECT_EQ(t.ds->RecNo(), c.recNo) << c.fast << " " << c.from << " " << c.distance;
  }
  link->SetDataSource(nullptr);
  EXPECT_EQ(link->RecordCount(), 0);
}

TEST_F(GridDataLinkTest, ScrollCodesMoveTheRecords) {
  link->SetBufferCount(3);
  struct Case {
    int code, recNo;
    bool moved;
  };
  // From record 10 shown at the bottom of 8..10; pages of -5 and +4.
  const std::vector<Case> cases = {
      {SB_LINEUP, 7, true},       {SB_LINEDOWN, 11, true},
      {SB_PAGEUP, 5, true},       {SB_PAGEDOWN, 14, true},
      {SB_TOP, 1, true},          {SB_BOTTOM, 20, true},
      {SB_THUMBTRACK, 10, false}, {SB_THUMBPOSITION, 10, false},
      {SB_ENDSCROLL, 10, false},
  };
  for (const Case& c : cases) {
    t.ds->SetRecNo(9);
    t.ds->Next();
    ASSERT_EQ(link->ActiveRecord(), 2);
    EXPECT_EQ(link->MoveByScrollCode(c.code, -5, 4), c.moved) << c.code;
    EXPECT_EQ(t.ds->RecNo(), c.recNo) << c.code;
  }
}

}  // namespace
