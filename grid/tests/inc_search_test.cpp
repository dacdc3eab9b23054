#include "grid/inc_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid_test_support.h"

namespace {

struct TFakeSearchHost : TGridIncSearchHostEh {
  TTestTable t;
  bool active = true;
  bool hasColumn = true;
  std::string clipboard;
  std::vector<std::string> log;

  TDataSet* IncSearchDataSet() override { return active ? t.ds.get() : nullptr; }
  bool IncSearchHasColumn() override { return hasColumn; }
  std::string IncSearchCellText() override { return t.name->AsString(); }
  void IncSearchStepped() override { log.push_back("hide"); }
  void IncSearchRepaintRow() override { log.push_back("repaint"); }
  void IncSearchSetTimer(unsigned interval) override {
    log.push_back("timer " + std::to_string(interval));
  }
  void IncSearchKillTimer() override { log.push_back("kill"); }
  void IncSearchStopped() override { log.push_back("stopped"); }
  std::string IncSearchClipboardText() override { return clipboard; }
};

class IncSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.t.ds->Open();
    for (const char* n : {"Ель", "Клён", "Ель2", "Берёза", "клен3"}) host.t.Add(n, 0);
    host.t.ds->First();
  }
  std::string Current() { return host.t.name->AsString(); }

  TFakeSearchHost host;
  TGridIncSearchEh search{&host};
};

TEST_F(IncSearchTest, StepsFindRecordsIgnoringCaseAndKeepOnlyTheFoundText) {
  struct Case {
    std::string text;
    int direction;
    std::string current;
    std::string found;
  };
  const std::vector<Case> cases = {
      {"к", 0, "Клён", "к"}, {"л", 0, "Клён", "кл"}, {"", 1, "клен3", "кл"},
      {"", 2, "Клён", "кл"}, {"", 2, "Клён", "кл"},  {"я", 0, "Клён", "кл"},
  };
  for (const Case& c : cases) {
    search.Step(c.text, 1500, c.direction);
    EXPECT_EQ(Current(), c.current) << c.text << " " << c.direction;
    EXPECT_EQ(search.Text(), c.found) << c.text << " " << c.direction;
    EXPECT_TRUE(search.Active());
  }
}

TEST_F(IncSearchTest, TimerAndRepaintFollowTheSearch) {
  search.Step("е", 5, 0);
  EXPECT_EQ(host.log, (std::vector<std::string>{"hide", "repaint", "timer 10"}));
  host.log.clear();
  search.Step("л", -1, 0);
  EXPECT_EQ(host.log, (std::vector<std::string>{"hide", "repaint"})) << "no timer when negative";
  host.log.clear();
  search.Stop();
  EXPECT_EQ(host.log, (std::vector<std::string>{"kill", "repaint", "stopped"}));
  EXPECT_FALSE(search.Active());
  EXPECT_EQ(search.Text(), "");
  host.log.clear();
  search.Stop();
  EXPECT_EQ(host.log, (std::vector<std::string>{"kill", "stopped"})) << "no repaint when idle";
}

TEST_F(IncSearchTest, NothingWithoutDataOrColumn) {
  host.active = false;
  search.Step("е", 1500, 0);
  host.active = true;
  host.hasColumn = false;
  search.Step("е", 1500, 0);
  EXPECT_FALSE(search.Active());
  EXPECT_TRUE(host.log.empty());
}

TEST_F(IncSearchTest, KeysWhileSearching) {
  unsigned key = VK_RETURN;
  search.KeyDown(key, {});
  EXPECT_EQ(key, VK_RETURN) << "inactive: keys are left alone";
  EXPECT_TRUE(host.log.empty());

  search.Step("ел", 1500, 0);
  host.clipboard = "ь2";
  key = 'V';
  search.KeyDown(key, {ssCtrl});
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(search.Text(), "ель2");
  EXPECT_EQ(Current(), "Ель2");
  key = VK_BACK;
  search.KeyDown(key, {});
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(search.Text(), "ель");
  key = VK_RETURN;
  search.KeyDown(key, {ssCtrl, ssShift});
  EXPECT_EQ(Current(), "Ель");
  key = VK_ESCAPE;
  search.KeyDown(key, {});
  EXPECT_EQ(key, VK_ESCAPE) << "Esc ends the search and goes on to the grid";
  EXPECT_FALSE(search.Active());
}

}  // namespace
