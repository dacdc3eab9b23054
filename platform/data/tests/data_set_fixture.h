// What the dataset tests share: a link that records what it hears and a
// fixture with a four-column array dataset.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "array_data_set.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"

// Records what a link hears, one word per notice.
class TRecordingLink : public TDataLink {
 public:
  std::vector<std::string> Log;
  std::vector<int> Scrolls;

 protected:
  void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { Log.push_back("changed"); }
  void DataSetScrolled(int distance) override {
    Scrolls.push_back(distance);
    Log.push_back("scrolled");
  }
  void EditingChanged() override { Log.push_back(Editing() ? "editing" : "browsing"); }
  void RecordChanged(TField* field) override {
    Log.push_back(field ? "field:" + field->FieldName() : "record");
  }
  void UpdateData() override { Log.push_back("update"); }
  void CheckBrowseMode() override { Log.push_back("check"); }
  void LayoutChanged() override { Log.push_back("layout"); }
  void DataEvent(TDataEvent event, std::intptr_t info) override {
    if (event == deDisabledStateChange) Log.push_back(info ? "enabled" : "disabled");
    TDataLink::DataEvent(event, info);
  }
};

inline std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : " ") + s;
  return out;
}

class DataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = FormatSettings;
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    FormatSettings.DateSeparator = '.';
    NewDataSet();
  }
  // A fresh closed dataset "Table1" with the columns ID, NAME, PRICE, BORN.
  void NewDataSet() {
    ds = CreateUnique<TArrayDataSet>();
    ds->SetName("Table1");
    ds->Columns = {{"ID", ftInteger}, {"NAME", ftString, 10}, {"PRICE", ftFloat}, {"BORN", ftDate}};
  }
  void TearDown() override { FormatSettings = saved; }

  // Opens with default fields and `rows` records ID 1..rows, NAME "n<i>".
  void Fill(int rows) {
    ds->Open();
    for (int i = 1; i <= rows; ++i) {
      ds->Append();
      ds->FieldByName("ID")->SetAsInteger(i);
      ds->FieldByName("NAME")->SetAsString("n" + std::to_string(i));
      ds->Post();
    }
    ds->First();
  }
  int Id() { return ds->FieldByName("ID")->AsInteger(); }

  TFormatSettings saved;
  TObjectPtr<TArrayDataSet> ds;
};
