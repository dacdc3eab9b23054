// The buffer window as links and events see it: opening, moving,
// appending and re-reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data_set_fixture.h"

namespace {

class DataSetWindowTest : public DataSetTest {
 protected:
  // `rows` records stored while closed; a source with a link of
  // `bufferCount` rows attached to the closed dataset.
  void Prepare(int rows, int bufferCount) {
    Fill(rows);
    ds->Close();
    source = CreateUnique<TDataSource>();
    link.SetBufferCount(bufferCount);
    source->SetDataSet(ds.get());
    link.SetDataSource(source.get());
    link.Log.clear();
  }
  // The IDs of the link's rows, as a grid drawing them would read them.
  std::vector<int> Rows() {
    std::vector<int> ids;
    int saved = link.ActiveRecord();
    for (int i = 0; i < link.RecordCount(); ++i) {
      link.SetActiveRecord(i);
      ids.push_back(Id());
    }
    link.SetActiveRecord(saved);
    return ids;
  }
  std::vector<int> Range(int from, int to) {
    std::vector<int> ids;
    for (int i = from; i <= to; ++i) ids.push_back(i);
    return ids;
  }

  TObjectPtr<TDataSource> source;
  TRecordingLink link;
};

TEST_F(DataSetWindowTest, OpenReadsTheFirstRecords) {
  Prepare(25, 10);
  std::vector<std::string> seen;
  ds->AfterOpen = [&](TDataSet*) {
    seen.push_back("open:" + std::to_string(Id()) + (ds->IsEmpty() ? " empty" : ""));
  };
  ds->AfterScroll = [&](TDataSet*) { seen.push_back("scroll:" + std::to_string(Id())); };
  ds->Open();
  EXPECT_EQ(Join(seen), "open:1 scroll:1");
  EXPECT_FALSE(ds->IsEmpty());
  EXPECT_TRUE(ds->Bof());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(ds->RecordCount(), 25);
  EXPECT_EQ(ds->RecNo(), 1);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "n1");
  EXPECT_EQ(ds->BufferedRecordCount(), 10);
  EXPECT_EQ(link.RecordCount(), 10);
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_EQ(Rows(), Range(1, 10));
  EXPECT_EQ(Join(link.Log), "active");
  EXPECT_EQ(ds->MoveBy(-1), 0);  // already at the start
  EXPECT_EQ(ds->MoveBy(9), 9);   // inside the window: no scroll
  EXPECT_EQ(link.Scrolls, std::vector<int>{0});
  EXPECT_EQ(Id(), 10);
}

TEST_F(DataSetWindowTest, OpenOfFewerRecordsThanTheWindow) {
  for (int rows : {0, 1, 3}) {
    SCOPED_TRACE(rows);
    ds = CreateUnique<TArrayDataSet>();
    ds->Columns = {{"ID", ftInteger}, {"NAME", ftString, 10}};
    Prepare(rows, 10);
    int scrolls = 0;
    ds->AfterScroll = [&](TDataSet*) { ++scrolls; };
    ds->Open();
    EXPECT_EQ(ds->IsEmpty(), rows == 0);
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->Eof(), rows == 0);
    EXPECT_EQ(link.RecordCount(), rows);
    EXPECT_EQ(Rows(), Range(1, rows));
    EXPECT_EQ(scrolls, rows == 0 ? 0 : 1);
    EXPECT_EQ(ds->FieldByName("ID")->IsNull(), rows == 0);
    // Reading past the end needs no First.
    int count = 0;
    while (!ds->Eof()) {
      ++count;
      ds->Next();
    }
    EXPECT_EQ(count, rows);
    link.SetDataSource(nullptr);
    source.reset();
  }
}

// MoveBy from a record, with a window of 10 over 25 records: the distance
// moved, where it ends, the ends it hits and how far the window scrolls.
TEST_F(DataSetWindowTest, MoveByTable) {
  struct Case {
    int from, distance, moved, id;
    bool bof, eof;
    int scroll;
  };
  const Case cases[] = {
      {1, 0, 0, 1, true, false, 0},       // no move keeps Bof
      {1, 9, 9, 10, false, false, 0},     // to the bottom of the window
      {1, 10, 10, 11, false, false, 1},   // one past it
      {1, 24, 24, 25, false, false, 15},  // the last record, not yet Eof
      {1, 25, 24, 25, false, true, 15},   // past it: Eof
      {1, 100, 24, 25, false, true, 15},
      {25, 1, 0, 25, false, true, 0},  // Last leaves Eof set: nothing moves
      {25, -1, -1, 24, false, false, 0},
      {25, -24, -24, 1, false, false, -15},
      {25, -30, -24, 1, true, false, -15},
      {12, -3, -3, 9, false, false, 0},
  };
  Prepare(25, 10);
  ds->Open();
  for (const Case& c : cases) {
    SCOPED_TRACE("from " + std::to_string(c.from) + " by " + std::to_string(c.distance));
    if (c.from == 25) {
      ds->Last();
    } else {
      ds->First();
      ds->MoveBy(c.from - 1);
    }
    link.Scrolls.clear();
    int before = link.ActiveRecord();
    EXPECT_EQ(ds->MoveBy(c.distance), c.moved);
    EXPECT_EQ(Id(), c.id);
    EXPECT_EQ(ds->Bof(), c.bof);
    EXPECT_EQ(ds->Eof(), c.eof);
    int scrolled = 0;
    for (int s : link.Scrolls) scrolled += s;
    EXPECT_EQ(scrolled, c.scroll);
    // The link's row follows the record within its window.
    EXPECT_EQ(link.ActiveRecord(), std::clamp(before + c.moved - c.scroll, 0, 9));
    EXPECT_EQ(link.RecordCount(), 10);
    EXPECT_EQ(ds->RecNo(), c.id);
  }
}

TEST_F(DataSetWindowTest, AppendGoesToTheEndFirst) {
  Prepare(25, 10);
  ds->Open();
  ds->MoveBy(4);
  std::vector<std::string> seen;
  ds->BeforeScroll = [&](TDataSet*) { seen.push_back("before:" + std::to_string(Id())); };
  ds->AfterScroll = [&](TDataSet*) { seen.push_back("after"); };
  ds->Append();
  EXPECT_EQ(Join(seen), "before:5 after");
  EXPECT_EQ(ds->State(), dsInsert);
  EXPECT_TRUE(ds->FieldByName("ID")->IsNull());
  // The window holds the last records, then the new one at the bottom.
  EXPECT_EQ(link.ActiveRecord(), 9);
  link.SetActiveRecord(0);
  EXPECT_EQ(Id(), 17);
  link.SetActiveRecord(8);
  EXPECT_EQ(Id(), 25);
  link.SetActiveRecord(9);
  ds->Cancel();  // back on the last record
  EXPECT_EQ(Id(), 25);
  EXPECT_EQ(Rows(), Range(16, 25));

  ds->First();
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(26);
  ds->Post();
  EXPECT_EQ(Id(), 26);
  EXPECT_EQ(ds->RecNo(), 26);
  EXPECT_EQ(Rows(), Range(17, 26));
  ds->Next();
  EXPECT_TRUE(ds->Eof());
}

TEST_F(DataSetWindowTest, InsertKeepsTheWindowAroundTheNewRecord) {
  Prepare(25, 10);
  ds->Open();
  ds->MoveBy(3);  // record 4, row 3
  ds->Insert();
  EXPECT_EQ(link.ActiveRecord(), 3);
  EXPECT_EQ(link.RecordCount(), 10);
  link.SetActiveRecord(4);
  EXPECT_EQ(Id(), 4);  // the current record moved down one row
  link.SetActiveRecord(3);
  ds->FieldByName("ID")->SetAsInteger(100);
  ds->Post();
  EXPECT_EQ(Id(), 100);
  EXPECT_EQ(ds->RecNo(), 4);
  std::vector<int> expected{1, 2, 3, 100, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(Rows(), expected);
}

TEST_F(DataSetWindowTest, ResyncCentresAndChecks) {
  Prepare(25, 10);
  ds->Open();
  TBookmark marks[26];
  for (ds->First(); !ds->Eof(); ds->Next()) marks[Id()] = ds->Bookmark();
  struct Case {
    int id, row;
    std::vector<int> rows;
  };
  const Case cases[] = {
      {12, 4, Range(8, 17)},   // centred: (10 - 1) / 2 rows above
      {2, 1, Range(1, 10)},    // near the start: fewer above
      {24, 8, Range(16, 25)},  // near the end: filled from above
      {25, 9, Range(16, 25)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    ds->GotoBookmark(marks[c.id]);
    EXPECT_EQ(Id(), c.id);
    EXPECT_EQ(link.ActiveRecord(), c.row);
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_FALSE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
  }
  // A plain resync (here through Refresh) keeps the record on its row.
  ds->GotoBookmark(marks[12]);
  ds->MoveBy(2);
  ds->Refresh();
  EXPECT_EQ(Id(), 14);
  EXPECT_EQ(link.ActiveRecord(), 6);
  EXPECT_EQ(Rows(), Range(8, 17));
  // A record that is gone: the exact resync raises, the window stays.
  TBookmark gone(4, '\0');
  int past = 99;
  std::memcpy(gone.data(), &past, 4);
  EXPECT_THROW(ds->GotoBookmark(gone), EDatabaseError);
}

TEST_F(DataSetWindowTest, DeleteRefillsTheWindow) {
  Prepare(12, 10);
  ds->Open();
  ds->MoveBy(9);  // record 10 on the bottom row
  ds->Delete();
  EXPECT_EQ(Id(), 11);
  EXPECT_EQ(link.ActiveRecord(), 9);
  std::vector<int> expected{1, 2, 3, 4, 5, 6, 7, 8, 9, 11};
  EXPECT_EQ(Rows(), expected);
  ds->Last();
  ds->Delete();
  ds->Delete();
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(ds->RecordCount(), 9);
  EXPECT_EQ(link.RecordCount(), 9);
  EXPECT_EQ(Rows(), Range(1, 9));
}

TEST_F(DataSetWindowTest, LinksOfDifferentSizesShareTheRing) {
  Prepare(25, 3);
  TRecordingLink big;
  big.SetBufferCount(10);
  big.SetDataSource(source.get());
  ds->Open();
  EXPECT_EQ(ds->BufferCount(), 10);
  ds->MoveBy(5);  // record 6: the small link's window scrolls, the big one's not
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(big.ActiveRecord(), 5);
  EXPECT_EQ(Rows(), Range(4, 6));
  big.SetDataSource(nullptr);  // the ring shrinks around the record
  EXPECT_EQ(ds->BufferCount(), 3);
  EXPECT_EQ(Id(), 6);
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(Rows(), Range(4, 6));
  ds->Next();
  EXPECT_EQ(Rows(), Range(5, 7));
}

// Reading every record in place, from any record of a window of 10 over
// 25: each record once, in order, with its bookmark, and afterwards the
// same current record, window and cursor, with nothing told to the links
// or the scroll handlers; also when the visit throws.
TEST_F(DataSetWindowTest, ForEachRecordReadsInPlace) {
  for (int from : {1, 10, 17, 25}) {
    for (bool failing : {false, true}) {
      SCOPED_TRACE(std::to_string(from) + (failing ? " failing" : ""));
      NewDataSet();
      Prepare(25, 10);
      ds->Open();
      ds->MoveBy(from - 1);
      const std::vector<int> rows = Rows();
      const TBookmark place = ds->Bookmark();
      const int active = link.ActiveRecord();
      const int cursor = ds->Position();
      int scrolls = 0;
      ds->BeforeScroll = [&](TDataSet*) { ++scrolls; };
      ds->AfterScroll = [&](TDataSet*) { ++scrolls; };
      link.Log.clear();
      std::vector<int> seen;
      std::vector<TBookmark> bookmarks;
      auto visit = [&] {
        seen.push_back(Id());
        bookmarks.push_back(ds->Bookmark());
        if (failing && seen.size() == 5) throw EDatabaseError("stop");
      };
      if (failing) {
        EXPECT_THROW(ds->ForEachRecord(visit), EDatabaseError);
        EXPECT_EQ(seen, Range(1, 5));
      } else {
        EXPECT_TRUE(ds->ForEachRecord(visit));
        EXPECT_EQ(seen, Range(1, 25));
      }
      EXPECT_EQ(ds->Position(), cursor);
      EXPECT_EQ(scrolls, 0);
      EXPECT_EQ(Join(link.Log), "");
      EXPECT_EQ(Id(), from);
      EXPECT_EQ(ds->RecNo(), from);
      EXPECT_EQ(ds->Bookmark(), place);
      EXPECT_EQ(link.ActiveRecord(), active);
      EXPECT_EQ(Rows(), rows);
      // The cursor is where navigation expects it.
      ds->Next();
      EXPECT_EQ(Id(), std::min(from + 1, 25));
      ds->Prior();
      ds->Prior();
      EXPECT_EQ(Id(), std::max(std::min(from + 1, 25) - 2, 1));
      // The bookmarks are those that navigation gives.
      for (std::size_t i = 0; i < bookmarks.size(); ++i) {
        ds->SetRecNo(static_cast<int>(i) + 1);
        EXPECT_EQ(ds->Bookmark(), bookmarks[i]);
      }
      ds->AfterScroll = nullptr;
      ds->BeforeScroll = nullptr;
      link.SetDataSource(nullptr);
      source.reset();
    }
  }
  // Outside browsing nothing is visited; an empty dataset visits nothing.
  NewDataSet();
  Prepare(3, 10);
  ds->Open();
  ds->Edit();
  int visits = 0;
  EXPECT_FALSE(ds->ForEachRecord([&] { ++visits; }));
  ds->Cancel();
  while (!ds->IsEmpty()) ds->Delete();
  EXPECT_TRUE(ds->ForEachRecord([&] { ++visits; }));
  EXPECT_EQ(visits, 0);
  link.SetDataSource(nullptr);
}

}  // namespace
