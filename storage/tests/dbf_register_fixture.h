// A register-like table for the ordering, pack and upgrade tests: NAME
// C(20), NUM N(7,0), SCERTIF C(1), NCERTIF N(7,0) and the calculated key
// cCERTIF = SCERTIF + " " + NCERTIF as seven digits (Size 10).
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/tests/file_test_dir.h"
#include "storage/dbf_table.h"

inline std::string FileBytes(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// What a DBF reader of another program takes from a file: records one
// after another from the header's length on, by the header's record
// length, until the file ends or a record starts with the end byte 0x1A;
// NAME of each one not flagged '*'. Shares no code with the table.
struct TOtherReader {
  std::uint32_t Records = 0;
  std::string Names;  // joined by ","
};

inline TOtherReader ReadAsOtherProgram(const std::string& bytes) {
  auto word = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
  };
  const std::size_t header = word(8);
  const std::size_t length = word(10);
  TOtherReader read;
  for (std::size_t at = header; at + length <= bytes.size() && bytes[at] != '\x1a'; at += length) {
    ++read.Records;
    if (bytes[at] == '*') continue;
    std::string name = bytes.substr(at + 1, 20);
    name.erase(name.find_last_not_of(' ') + 1);
    read.Names += (read.Names.empty() ? "" : ",") + name;
  }
  return read;
}

class DbfRegisterTest : public ::testing::Test {
 protected:
  // Flag + NAME 20 + NUM 7 + SCERTIF 1 + NCERTIF 7.
  static constexpr std::size_t kHeaderLength = 32 + 4 * 32 + 1;
  static constexpr std::size_t kRecordLength = 36;

  void SetUp() override {
    FormatSettings.DecimalSeparator = '.';
    SetClock([] { return EncodeDateTime(2007, 1, 31, 10, 0, 0, 0); });
    name = dir.File("reg.001");
  }
  void TearDown() override { SetClock(nullptr); }

  std::unique_ptr<TmDbfTable, TObjectDeleter> MakeTable(bool shared = false,
                                                        const std::string& component = "T") {
    auto t = CreateUnique<TmDbfTable>();
    t->SetName(component);
    t->SetTableName(name);
    auto add = [&](TField* f, const char* fieldName, int size, const char* origin) {
      f->SetFieldName(fieldName);
      if (size > 0) f->SetSize(size);
      f->SetOrigin(origin);
      f->SetDataSet(t.get());
    };
    add(Create<TStringField>(t.get()), "NAME", 20, "");
    add(Create<TIntegerField>(t.get()), "NUM", 0, "7.0");
    add(Create<TStringField>(t.get()), "SCERTIF", 1, "");
    add(Create<TIntegerField>(t.get()), "NCERTIF", 0, "7.0");
    auto* key = Create<TStringField>(t.get());
    key->SetFieldKind(fkCalculated);
    add(key, "cCERTIF", 10, "");
    t->OnCalcFields = [](TDataSet* d) {
      d->FieldByName("cCERTIF")->SetAsString(
          d->FieldByName("SCERTIF")->AsString() + " " +
          Format("%.7d", d->FieldByName("NCERTIF")->AsInteger()));
    };
    if (shared) {
      t->SetExclusive(false);
      t->LockWait = [](int) {};
    }
    return t;
  }

  static void Add(TmDbfTable& t, const std::string& text, int num, const std::string& series = "А",
                  int number = 0) {
    t.Append();
    t.FieldByName("NAME")->SetAsString(text);
    t.FieldByName("NUM")->SetAsInteger(num);
    t.FieldByName("SCERTIF")->SetAsString(series);
    t.FieldByName("NCERTIF")->SetAsInteger(number);
    t.Post();
  }

  // NAME of every record in the table's order, joined by ",".
  static std::string Names(TmDbfTable& t) {
    std::string out;
    for (t.First(); !t.Eof(); t.Next())
      out += (out.empty() ? "" : ",") + t.FieldByName("NAME")->AsString();
    return out;
  }

  // Packs the register as the program does (it opens registers shared,
  // so nothing cut the file before), appends `more` records "n0" .. to it
  // shared, and checks that the header, the program and another program's
  // reader agree on every record. Returns the program's names.
  std::string PackAndAppendShared(const std::string& what, int more = 10) {
    MakeTable(true)->Open();
    MakeTable()->Pack("", false);
    auto t = MakeTable(true);
    t->Open();
    for (int i = 0; i < more; ++i) Add(*t, "n" + std::to_string(i), i);
    const std::string shown = Names(*t);
    t->Close();
    const std::string bytes = FileBytes(name);
    const std::uint32_t count = dbf::DecodeFixed32(bytes.data() + 4);
    const TOtherReader other = ReadAsOtherProgram(bytes);
    EXPECT_EQ(other.Names, shown) << what;
    EXPECT_EQ(other.Records, count) << what;
    EXPECT_EQ(bytes.size(), kHeaderLength + count * kRecordLength + 1) << what;
    EXPECT_EQ(bytes.back(), dbf::kEofMarker) << what;
    return shown;
  }

  // The record numbers of an ordering, in its order.
  static std::vector<int> Records(const TDbfCursor& c) {
    std::vector<int> out;
    for (int i = 0; i < c.Count(); ++i) out.push_back(c.RecordAt(i));
    return out;
  }

  TFileTestDir dir;
  std::string name;
};
