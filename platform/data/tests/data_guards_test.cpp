#include "platform/data/data_guards.h"

#include <stdexcept>

#include "data_set_fixture.h"

TEST_F(DataSetTest, ControlsDisabledGuardEnablesOnThrowAndIgnoresNull) {
  Fill(2);
  try {
    TControlsDisabledGuard outer(ds.get());
    TControlsDisabledGuard none(nullptr);
    { TControlsDisabledGuard inner(ds.get()); }
    EXPECT_TRUE(ds->ControlsDisabled());
    throw std::runtime_error("body");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(ds->ControlsDisabled());
}

// A control whose refresh raises when the controls come back on.
class TRaisingLink : public TDataLink {
 protected:
  void DataSetChanged() override { throw std::runtime_error("refresh"); }
};

TEST_F(DataSetTest, ControlsDisabledGuardPassesOnARefreshThatRaises) {
  Fill(2);
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(ds.get());
  TRaisingLink link;
  link.SetDataSource(source.get());
  // Alone, the refresh's failure reaches the caller rather than ending the
  // program.
  EXPECT_THROW({ TControlsDisabledGuard off(ds.get()); }, std::runtime_error);
  EXPECT_FALSE(ds->ControlsDisabled());
  // Behind the body's own failure, the body's goes on.
  try {
    TControlsDisabledGuard off(ds.get());
    throw std::logic_error("body");
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "body");
  }
  EXPECT_FALSE(ds->ControlsDisabled());
}

TEST_F(DataSetTest, BookmarkGuardGoesBackUnlessGoneOrInactive) {
  struct TCase {
    bool Active;
    int Start;        // rows moved from the first before the guard
    bool DeleteKept;  // else the body goes to the last record
    int Expected;     // the record left current
  };
  for (const TCase& c :
       {TCase{true, 1, false, 2}, TCase{false, 1, false, 4}, TCase{true, 3, true, 3}}) {
    NewDataSet();
    Fill(4);
    ds->MoveBy(c.Start);
    {
      TBookmarkGuard kept(ds.get(), c.Active);
      if (c.DeleteKept) {
        ds->Delete();
      } else {
        ds->Last();
      }
    }
    EXPECT_EQ(Id(), c.Expected) << c.Active << c.DeleteKept;
  }
}
