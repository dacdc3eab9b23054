// Shared pieces of the exchange tests: a register in memory with records
// filled from short descriptions, an institution map, whole-file helpers.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/format_settings.h"
#include "platform/base/tests/file_test_dir.h"
#include "register/core/exchange_export.h"
#include "register/core/register_formats.h"
#include "register/core/tests/register_fields.h"
#include "storage/mem_ds.h"

inline std::string FileBytes(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void WriteFileBytes(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

// The institution's details as a map, with SaveLpu counted.
struct TLpuMap {
  std::map<std::string, std::string> Values;
  int Saves = 0;
  TLpuAccess Access() {
    return {[this](const std::string& key) {
              auto it = Values.find(key);
              return it == Values.end() ? std::string() : it->second;
            },
            [this](const std::string& key, const std::string& value) { Values[key] = value; },
            [this] { ++Saves; }};
  }
};

class ExchangeTest : public ::testing::Test {
 protected:
  ExchangeTest() { ApplyStartupFormatSettings(); }

  // An open in-memory register of the kind.
  std::unique_ptr<TmemDs, TObjectDeleter> MakeRegister(int frameId) {
    auto ds = CreateUnique<TmemDs>();
    register_fields::AddRegisterFields(*ds, frameId);
    ds->Open();
    return ds;
  }

  // Appends a record: the common fields of one sample woman, then
  // `assign` sets what the test is about.
  template <class Assign>
  static void AddRecord(TDataSet& ds, int number, Assign assign) {
    ds.Append();
    ds.FieldByName("SCERTIF")->SetAsString("А");
    ds.FieldByName("NCERTIF")->SetAsInteger(number);
    ds.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, 3));
    ds.FieldByName("SNILS")->SetAsString("112-233-445 95");
    ds.FieldByName("LNAME")->SetAsString("Иванова");
    ds.FieldByName("FNAME")->SetAsString("Анна");
    ds.FieldByName("MNAME")->SetAsString("Петровна");
    ds.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
    ds.FieldByName("ADDRESS")->SetAsString("ул. Лесная, 5");
    ds.FieldByName("TDOC")->SetAsInteger(14);
    ds.FieldByName("NDOC")->SetAsString("123456");
    ds.FieldByName("SDOC")->SetAsString("45 01");
    ds.FieldByName("ODOC")->SetAsString("ОВД");
    ds.FieldByName("NPOLICY")->SetAsString("77");
    ds.FieldByName("NCARD")->SetAsString("5");
    ds.FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1, 10));
    ds.FieldByName("CHK")->SetAsInteger(1);
    assign(ds);
    ds.Post();
  }

  TFormatSettingsOverride FSettings;
  TFileTestDir FDir;
  TLpuMap FLpu;
};
