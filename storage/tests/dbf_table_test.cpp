#include "storage/dbf_table.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/tests/file_test_dir.h"

namespace {

// The file's bytes, read past the share modes of the tables.
std::string FileBytes(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::uint32_t CountOf(const std::string& bytes) { return dbf::DecodeFixed32(bytes.data() + 4); }

// A stream that fails the N-th write from now (counting from 1).
class TFailingStream : public TFileStream {
 public:
  TFailingStream(const std::string& name, unsigned mode, int* failAt)
      : TFileStream(name, mode), FFailAt(failAt) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (*FFailAt > 0 && --*FFailAt == 0) throw EWriteError("Stream write error. Disk full");
    return TFileStream::Write(buffer, count);
  }

 private:
  int* FFailAt;
};

// A stream whose size lags behind the file for the next `*staleSizes`
// calls, as a network client's cached size can behind another machine's
// append; taking a lock brings it up to date.
class TLaggingSizeStream : public TFileStream {
 public:
  TLaggingSizeStream(const std::string& name, unsigned mode, int* staleSizes)
      : TFileStream(name, mode), FStaleSizes(staleSizes) {}
  std::int64_t Size() override {
    const std::int64_t size = TFileStream::Size();
    return *FStaleSizes > 0 && (*FStaleSizes)-- > 0 ? size - 2 : size;
  }
  bool LockRange(std::int64_t offset, std::int64_t length) override {
    *FStaleSizes = 0;
    return TFileStream::LockRange(offset, length);
  }

 private:
  int* FStaleSizes;
};

class DbfTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.DateSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    SetClock([] { return EncodeDateTime(2007, 1, 31, 10, 0, 0, 0); });
    name = dir.File("reg.001");
  }
  void TearDown() override { SetClock(nullptr); }

  // A table with the persistent fields NAME C(40), NUM N(7,0) via
  // "7.0", BORN D, W N(5,3) via "5.3", OK L, TDOC N(2,0) smallint.
  auto MakeTable(const std::string& componentName = "T1") {
    auto t = CreateUnique<TmDbfTable>();
    t->SetName(componentName);
    t->SetTableName(name);
    auto* nameField = Create<TStringField>(t.get());
    nameField->SetFieldName("NAME");
    nameField->SetSize(40);
    nameField->SetDataSet(t.get());
    auto* num = Create<TIntegerField>(t.get());
    num->SetFieldName("NUM");
    num->SetOrigin("7.0");
    num->SetDataSet(t.get());
    auto* born = Create<TDateField>(t.get());
    born->SetFieldName("BORN");
    born->SetDataSet(t.get());
    auto* w = Create<TFloatField>(t.get());
    w->SetFieldName("W");
    w->SetOrigin("5.3");
    w->SetDataSet(t.get());
    auto* ok = Create<TBooleanField>(t.get());
    ok->SetFieldName("OK");
    ok->SetDataSet(t.get());
    auto* tdoc = Create<TSmallintField>(t.get());
    tdoc->SetFieldName("TDOC");
    tdoc->SetOrigin("2.0");
    tdoc->SetDataSet(t.get());
    return t;
  }

  auto MakeShared(const std::string& componentName = "T1") {
    auto t = MakeTable(componentName);
    t->SetExclusive(false);
    t->LockWait = [this](int ms) { waits.push_back(ms); };
    return t;
  }

  void AppendRow(TmDbfTable& t, const std::string& text, int num) {
    t.Append();
    t.FieldByName("NAME")->SetAsString(text);
    t.FieldByName("NUM")->SetAsInteger(num);
    t.Post();
  }

  TFileTestDir dir;
  std::string name;
  std::vector<int> waits;
};

// Record bytes of MakeTable's layout: flag, NAME 40, NUM 7, BORN 8, W 5,
// OK 1, TDOC 2 = 64 bytes.
constexpr std::size_t kHeaderLength = 32 + 6 * 32 + 1;
constexpr std::size_t kRecordLength = 64;

}  // namespace

TEST_F(DbfTableTest, CreateWritesTheLayoutAndAppendsFollowIt) {
  auto t = MakeTable();
  t->SetVers(1);
  t->SetCodePage(dbf::kCodePageOem866);
  t->CreateTable();
  std::string bytes = FileBytes(name);
  ASSERT_EQ(bytes.size(), kHeaderLength);                             // no EOF byte yet
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x03\x6B\x01\x1F", 4));  // 3, 2007-1900, 1, 31
  EXPECT_EQ(CountOf(bytes), 0u);
  EXPECT_EQ(dbf::DecodeFixed16(bytes.data() + 8), kHeaderLength);
  EXPECT_EQ(dbf::DecodeFixed16(bytes.data() + 10), kRecordLength);
  EXPECT_EQ(bytes[14], 1);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[29]), dbf::kCodePageOem866);
  const char* expected[] = {"NAME\0\0\0\0\0\0\0C",   "NUM\0\0\0\0\0\0\0\0N",
                            "BORN\0\0\0\0\0\0\0D",   "W\0\0\0\0\0\0\0\0\0\0N",
                            "OK\0\0\0\0\0\0\0\0\0L", "TDOC\0\0\0\0\0\0\0N"};
  const int offsets[] = {1, 41, 48, 56, 61, 62}, lengths[] = {40, 7, 8, 5, 1, 2},
            decimals[] = {0, 0, 0, 3, 0, 0};
  for (int i = 0; i < 6; ++i) {
    const std::string d = bytes.substr(32 + 32 * i, 32);
    EXPECT_EQ(d.substr(0, 12), std::string(expected[i], 12)) << i;
    EXPECT_EQ(dbf::DecodeFixed32(d.data() + 12), static_cast<std::uint32_t>(offsets[i])) << i;
    EXPECT_EQ(d[16], lengths[i]) << i;
    EXPECT_EQ(d[17], decimals[i]) << i;
    EXPECT_EQ(d.substr(18), std::string(14, '\0')) << i;
  }
  EXPECT_EQ(bytes.back(), '\x0D');

  t->Open();
  AppendRow(*t, "Иванова", 42);
  t->Append();
  t->FieldByName("NUM")->SetAsInteger(7);
  t->FieldByName("BORN")->SetAsDateTime(EncodeDate(1850, 7, 4));
  t->FieldByName("W")->SetAsFloat(3.14159);
  t->FieldByName("OK")->SetAsBoolean(true);
  t->Post();
  t->Delete();
  t->Close();
  bytes = FileBytes(name);
  ASSERT_EQ(bytes.size(), kHeaderLength + 2 * kRecordLength + 1);
  EXPECT_EQ(CountOf(bytes), 2u);
  EXPECT_EQ(bytes.back(), dbf::kEofMarker);
  const std::string r0 = bytes.substr(kHeaderLength, kRecordLength);
  const std::string r1 = bytes.substr(kHeaderLength + kRecordLength, kRecordLength);
  EXPECT_EQ(r0.substr(0, 48), " " + Utf8ToOem866("Иванова") + std::string(33, ' ') + "     42");
  // Columns never assigned hold their empty values, as cleared ones do.
  EXPECT_EQ(r0.substr(48), std::string(16, ' '));
  EXPECT_EQ(r1.substr(0, 1), "*");
  EXPECT_EQ(r1.substr(41), "      7185007043.142T  ");
}

TEST_F(DbfTableTest, OpeningAMissingFileFails) {
  auto t = MakeTable();
  try {
    t->Open();
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(), "Open: Table file not found");
  }
  EXPECT_FALSE(t->Active());
}

TEST_F(DbfTableTest, ValuesRoundTripInOemAndAnsiTables) {
  for (bool ansi : {false, true}) {
    auto t = MakeTable();
    t->SetAnsiTable(ansi);
    t->CreateTable();
    t->Open();
    t->Append();
    t->FieldByName("NAME")->SetAsString("«Ёлка» – Іван");
    t->FieldByName("NUM")->SetAsInteger(-999999);
    t->FieldByName("BORN")->SetAsDateTime(EncodeDate(1899, 12, 31));
    t->FieldByName("W")->SetAsFloat(9.5);
    t->FieldByName("OK")->SetAsBoolean(false);
    t->FieldByName("TDOC")->SetAsInteger(14);
    t->Post();
    t->Close();
    const std::string bytes = FileBytes(name);
    const std::string stored = bytes.substr(kHeaderLength + 1, 13);
    EXPECT_EQ(stored, ansi ? Utf8ToWin1251("«Ёлка» – Іван") : Utf8ToOem866("\"Ёлка\" - ?ван"));
    t->Open();
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), ansi ? "«Ёлка» – Іван" : "\"Ёлка\" - ?ван");
    EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), -999999);
    EXPECT_EQ(t->FieldByName("BORN")->AsDateTime(), EncodeDate(1899, 12, 31));
    EXPECT_DOUBLE_EQ(t->FieldByName("W")->AsFloat(), 9.5);
    EXPECT_FALSE(t->FieldByName("OK")->AsBoolean());
    EXPECT_FALSE(t->FieldByName("OK")->IsNull());
    EXPECT_EQ(t->FieldByName("TDOC")->AsInteger(), 14);
  }
}

TEST_F(DbfTableTest, ClearingAFieldEmptiesTheColumn) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  t->Append();
  t->FieldByName("NAME")->SetAsString("X");
  t->FieldByName("NUM")->SetAsInteger(5);
  t->FieldByName("BORN")->SetAsDateTime(EncodeDate(2007, 1, 1));
  t->FieldByName("OK")->SetAsBoolean(true);
  t->Post();
  t->Edit();
  for (const char* f : {"NAME", "NUM", "BORN", "W", "OK", "TDOC"}) t->FieldByName(f)->Clear();
  t->Post();
  t->Close();
  const std::string record = FileBytes(name).substr(kHeaderLength, kRecordLength);
  EXPECT_EQ(record, std::string(kRecordLength, ' '));
  t->Open();
  EXPECT_TRUE(t->FieldByName("BORN")->IsNull());
  EXPECT_TRUE(t->FieldByName("OK")->IsNull());
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "");
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 0);
}

TEST_F(DbfTableTest, FreshRecordsHoldEveryLettersEmptyEncoding) {
  // One column of each letter, never assigned, in both code pages.
  struct Column {
    const char* Name;
    char Type;
    std::uint8_t Length;
    std::uint8_t Decimals;
    std::string Empty;
  } cols[] = {
      {"C", 'C', 5, 0, "     "},
      {"N", 'N', 7, 2, "       "},
      {"F", 'F', 6, 0, "      "},
      {"D", 'D', 8, 0, "        "},
      {"L", 'L', 1, 0, " "},
      {"I", 'I', 4, 0, std::string(4, '\0')},
      {"B", 'B', 8, 0, std::string(8, '\0')},
      {"Y", 'Y', 8, 0, std::string(8, '\0')},
      {"T", 'T', 8, 0, std::string(8, '\0')},
  };
  std::vector<dbf::TFieldDescriptor> descriptors;
  std::string empty = " ";
  for (const Column& c : cols) {
    descriptors.push_back({c.Name, c.Type, 0, c.Length, c.Decimals});
    empty += c.Empty;
  }
  for (bool ansi : {false, true}) {
    {
      std::ofstream out(name, std::ios::binary | std::ios::trunc);
      out << dbf::EncodeLayout(dbf::THeader{}, descriptors, "");
    }
    auto t = CreateUnique<TmDbfTable>();
    t->SetTableName(name);
    t->SetAnsiTable(ansi);
    t->Open();
    t->Append();
    t->Post();
    t->Insert();
    t->FieldByName("C")->SetAsString("x");
    t->Post();
    t->Close();
    const std::string bytes = FileBytes(name);
    const std::size_t at = bytes.size() - 1 - 2 * empty.size();
    EXPECT_EQ(bytes.substr(at, empty.size()), empty) << ansi;
    EXPECT_EQ(bytes.substr(at + empty.size(), empty.size()), " x    " + empty.substr(6)) << ansi;
    t->Open();
    EXPECT_EQ(t->FieldByName("N")->AsFloat(), 0);
    EXPECT_TRUE(t->FieldByName("D")->IsNull());
    EXPECT_TRUE(t->FieldByName("L")->IsNull());
    EXPECT_EQ(t->FieldByName("I")->AsInteger(), 0);
  }
}

TEST_F(DbfTableTest, DayZeroIsStoredAsAnEmptyDateAndOldEncodingsStillRead) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  t->Append();
  t->FieldByName("BORN")->SetAsDateTime(0);
  t->Post();
  t->Close();
  std::string bytes = FileBytes(name);
  EXPECT_EQ(bytes.substr(kHeaderLength + 48, 8), "        ");
  // What older files hold reads as null as before: day 0 and zero bytes.
  for (char fill : {dbf::kZeroDateByte, '\0'}) {
    bytes.replace(kHeaderLength + 48, 8, std::string(8, fill));
    bytes.replace(kHeaderLength + 41, 7, std::string(7, '\0'));
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
    t->Open();
    EXPECT_TRUE(t->FieldByName("BORN")->IsNull());
    EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 0);
    t->Close();
  }
}

TEST_F(DbfTableTest, NonAsciiFieldNamesAreStoredInTheTablesCodePage) {
  for (bool ansi : {false, true}) {
    auto t = CreateUnique<TmDbfTable>();
    t->SetTableName(name);
    t->SetAnsiTable(ansi);
    auto* f = Create<TStringField>(t.get());
    f->SetFieldName("ФАМИЛИЯ");
    f->SetSize(10);
    f->SetDataSet(t.get());
    t->CreateTable();
    const std::string stored = FileBytes(name).substr(32, 11);
    EXPECT_EQ(stored,
              (ansi ? Utf8ToWin1251("ФАМИЛИЯ") : Utf8ToOem866("ФАМИЛИЯ")) + std::string(4, '\0'))
        << ansi;
    t->Open();
    t->Append();
    t->FieldByName("ФАМИЛИЯ")->SetAsString("Ёлкина");
    t->Post();
    t->Close();
    t->Open();
    EXPECT_EQ(t->FieldByName("ФАМИЛИЯ")->AsString(), "Ёлкина") << ansi;
  }
}

TEST_F(DbfTableTest, NumbersAreStoredAsTheyArePrinted) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  for (double w : {0.0625, 1.0005, 2.0005, 0.0005, 3.14159}) {
    t->Append();
    t->FieldByName("W")->SetAsFloat(w);
    t->Post();
    const std::string printed = Format("%5.3f", w);
    t->Close();
    const std::string bytes = FileBytes(name);
    EXPECT_EQ(bytes.substr(bytes.size() - 1 - kRecordLength + 56, 5), printed) << w;
    t->Open();
    t->Last();
    EXPECT_EQ(t->FieldByName("W")->DisplayText(), FloatToStr(StrToFloat(printed))) << w;
  }
}

TEST_F(DbfTableTest, TextOfWideAndNarrowFieldsAndOfValuesBeingValidated) {
  for (bool ansi : {false, true}) {
    auto t = MakeTable();
    t->SetAnsiTable(ansi);
    t->CreateTable();
    t->Open();
    AppendRow(*t, "Ёлкина Анна", 1);
    t->Close();
    // A field narrower than its column reads up to Size * 4 characters as
    // text; its buffer (Size * 4 bytes of UTF-8) takes the whole characters
    // that fit.
    t->FieldByName("NAME")->SetSize(2);
    t->Open();
    TField* f = t->FieldByName("NAME");
    std::string buffer(static_cast<std::size_t>(f->DataSize()), '#');
    ASSERT_TRUE(f->GetData(buffer.data()));
    EXPECT_EQ(f->AsString(), "Ёлкина А") << ansi;
    EXPECT_EQ(std::string(buffer.c_str()), "Ёлки") << ansi;
    t->Close();
    t->FieldByName("NAME")->SetSize(40);
    t->Open();
    ASSERT_TRUE(f->GetData(buffer.assign(161, '#').data()));
    EXPECT_EQ(f->AsString(), std::string(buffer.c_str())) << ansi;
    // While a value is validated, the field reads that value.
    std::string seen;
    f->OnValidate = [&](TField* sender) { seen = sender->AsString(); };
    t->Edit();
    f->SetAsString("Иван");
    EXPECT_EQ(seen, "Иван");
    t->Cancel();
  }
}

TEST_F(DbfTableTest, ANumberThatDoesNotFitKeepsTheRecordInEdit) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  AppendRow(*t, "A", 1);
  const std::string before = FileBytes(name);
  t->Edit();
  EXPECT_THROW(t->FieldByName("W")->SetAsFloat(12345.6), ERangeError);
  try {
    t->FieldByName("NUM")->SetAsInteger(12345678);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(),
              "Значение 12345678 недопустимо для поля 'NUM'. Допустимы значения от -999999 "
              "до 9999999");
  }
  // The field as the user knows it, where it has a label.
  t->FieldByName("NUM")->SetDisplayLabel("Номер сертификата");
  try {
    t->FieldByName("NUM")->SetAsInteger(-1234567);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(),
              "Значение -1234567 недопустимо для поля 'Номер сертификата'. Допустимы значения от "
              "-999999 до 9999999");
  }
  EXPECT_EQ(t->State(), dsEdit);
  t->Cancel();
  EXPECT_EQ(FileBytes(name), before);
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 1);
}

TEST_F(DbfTableTest, SharedTablesSeeEachOthersAppends) {
  MakeTable()->CreateTable();
  auto a = MakeShared("A");
  auto b = MakeShared("B");
  a->Open();
  b->Open();
  AppendRow(*a, "from a", 1);
  AppendRow(*b, "from b", 2);
  // b's append read a's record in; a sees b's only after a refresh.
  EXPECT_EQ(b->RecordCount(), 2);
  EXPECT_EQ(b->RecNo(), 2);
  EXPECT_EQ(a->RecordCount(), 1);
  AppendRow(*a, "again a", 3);
  EXPECT_EQ(a->RecordCount(), 3);
  a->First();
  std::string order;
  for (; !a->Eof(); a->Next()) order += std::to_string(a->FieldByName("NUM")->AsInteger());
  EXPECT_EQ(order, "123");
  const std::string bytes = FileBytes(name);
  EXPECT_EQ(CountOf(bytes), 3u);
  EXPECT_EQ(bytes.size(), kHeaderLength + 3 * kRecordLength + 1);
  EXPECT_EQ(bytes.back(), dbf::kEofMarker);
  // A delete by a is skipped by b's navigation; a refresh drops it.
  a->First();
  a->Delete();
  b->Refresh();
  EXPECT_EQ(b->RecordCount(), 2);
  EXPECT_TRUE(waits.empty());
}

TEST_F(DbfTableTest, ALockedRecordIsTriedTwiceThenRefused) {
  MakeTable()->CreateTable();
  auto t = MakeShared();
  t->Open();
  AppendRow(*t, "A", 1);
  TFileStream other(name, fmOpenReadWrite | fmShareDenyNone);
  ASSERT_TRUE(other.LockRange(kHeaderLength, kRecordLength));
  t->Edit();
  t->FieldByName("NUM")->SetAsInteger(2);
  try {
    t->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "T1: Запись заблокирована другим пользователем.");
  }
  EXPECT_EQ(waits, std::vector<int>{200});
  EXPECT_EQ(t->State(), dsEdit);
  other.UnlockRange(kHeaderLength, kRecordLength);
  t->Post();
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 2);
  // The post let go of its lock.
  EXPECT_TRUE(other.LockRange(kHeaderLength, kRecordLength));
}

// The lock message reaches OnPostError: a retry once the other user lets
// go posts the record; an abort keeps the edit without an error.
TEST_F(DbfTableTest, OnPostErrorSeesTheLockMessageAndCanRetry) {
  MakeTable()->CreateTable();
  auto t = MakeShared();
  t->Open();
  AppendRow(*t, "A", 1);
  TFileStream other(name, fmOpenReadWrite | fmShareDenyNone);
  ASSERT_TRUE(other.LockRange(kHeaderLength, kRecordLength));
  std::vector<std::string> messages;
  t->OnPostError = [&](TDataSet*, EDatabaseError& e, TDataAction& action) {
    messages.push_back(e.Message());
    action = messages.size() == 1 ? daAbort : daRetry;
    if (messages.size() == 2) other.UnlockRange(kHeaderLength, kRecordLength);
  };
  t->Edit();
  t->FieldByName("NUM")->SetAsInteger(2);
  EXPECT_THROW(t->Post(), EAbort);
  EXPECT_EQ(t->State(), dsEdit);
  t->Post();
  EXPECT_EQ(t->State(), dsBrowse);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "T1: Запись заблокирована другим пользователем.");
  EXPECT_EQ(waits, (std::vector<int>{200, 200}));  // the retry found it free
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 2);
  EXPECT_TRUE(other.LockRange(kHeaderLength, kRecordLength));
}

TEST_F(DbfTableTest, AnotherProcessHoldingTheHeaderBlocksAppends) {
  MakeTable()->CreateTable();
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TFileStream s(name, fmOpenReadWrite | fmShareDenyNone);
    const char ok = s.LockRange(0, 32) ? 'y' : 'n';
    (void)!write(ready[1], &ok, 1);
    char c;
    (void)!read(done[0], &c, 1);
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  auto t = MakeShared();
  t->Open();
  t->Append();
  t->FieldByName("NUM")->SetAsInteger(1);
  EXPECT_THROW(t->Post(), EDatabaseError);
  EXPECT_EQ(t->State(), dsInsert);
  EXPECT_EQ(waits, std::vector<int>{200});
  (void)!write(done[1], "x", 1);
  int status = 0;
  waitpid(child, &status, 0);
  t->Post();
  EXPECT_EQ(CountOf(FileBytes(name)), 1u);
}

TEST_F(DbfTableTest, AFailedWriteReleasesItsLockAndStopsFurtherWrites) {
  MakeTable()->CreateTable();
  auto t = MakeShared();
  int failAt = 0;
  t->StreamFactory = [&](const std::string& file, unsigned mode) {
    return std::make_unique<TFailingStream>(file, mode, &failAt);
  };
  t->Open();
  AppendRow(*t, "A", 1);
  failAt = 2;  // the record goes, the header does not
  t->Append();
  t->FieldByName("NUM")->SetAsInteger(2);
  EXPECT_THROW(t->Post(), EWriteError);
  EXPECT_EQ(t->State(), dsInsert);
  TFileStream other(name, fmOpenReadWrite | fmShareDenyNone);
  EXPECT_TRUE(other.LockRange(0, 32));
  other.UnlockRange(0, 32);
  try {
    t->Post();
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_NE(e.Message().find("Disk full"), std::string::npos) << e.Message();
  }
  t->Cancel();
  t->Close();
  t->Open();  // reopening clears the refusal
  EXPECT_EQ(t->RecordCount(), 1);
  AppendRow(*t, "B", 3);
  EXPECT_EQ(t->RecordCount(), 2);
}

TEST_F(DbfTableTest, CodePageByteIsFixedAloneAndNotOnReadOnlyTables) {
  auto maker = MakeTable();
  maker->SetCodePage(0);
  maker->CreateTable();
  const std::string before = FileBytes(name);
  {
    auto t = MakeTable();
    t->SetCodePage(dbf::kCodePageOem866);
    t->SetReadOnly(true);
    t->Open();
    EXPECT_EQ(FileBytes(name), before);
  }
  // Another user's append raised the count after we read the header.
  auto t = MakeShared();
  t->SetCodePage(dbf::kCodePageOem866);
  t->Open();
  std::string after = FileBytes(name);
  EXPECT_EQ(static_cast<std::uint8_t>(after[29]), dbf::kCodePageOem866);
  after[29] = before[29];
  EXPECT_EQ(after, before);
}

TEST_F(DbfTableTest, EventsOffSilencesHandlers) {
  auto t = MakeTable();
  t->CreateTable();
  auto* calc = Create<TStringField>(t.get());
  calc->SetFieldName("CALC");
  calc->SetSize(5);
  calc->SetFieldKind(fkCalculated);
  calc->SetDataSet(t.get());
  std::vector<std::string> log;
  t->BeforePost = [&](TDataSet*) { log.push_back("before"); };
  t->AfterPost = [&](TDataSet*) { log.push_back("after"); };
  t->OnCalcFields = [&](TDataSet* d) {
    log.push_back("calc");
    d->FieldByName("CALC")->SetAsString("c");
  };
  t->Open();
  log.clear();
  t->SetEventsOff(true);
  AppendRow(*t, "A", 1);
  AppendRow(*t, "B", 2);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(t->FieldByName("CALC")->IsNull());
  t->SetEventsOff(false);
  EXPECT_EQ(t->RecNo(), 1);
  EXPECT_EQ(t->FieldByName("CALC")->AsString(), "c");
}

TEST_F(DbfTableTest, RecNoAndBookmarks) {
  auto t = MakeTable();
  t->CreateTable();
  t->Open();
  for (int i = 1; i <= 3; ++i) AppendRow(*t, "R", i);
  t->SetRecNo(2);
  const TBookmark second = t->Bookmark();
  t->SetRecNo(0);
  t->SetRecNo(4);
  EXPECT_EQ(t->RecNo(), 2);
  t->Last();
  const TBookmark third = t->Bookmark();
  EXPECT_EQ(t->CompareBookmarks(second, third), -1);
  EXPECT_EQ(t->CompareBookmarks(third, second), 1);
  EXPECT_EQ(t->CompareBookmarks(second, second), 0);
  EXPECT_EQ(t->CompareBookmarks(TBookmark(), second), -1);
  EXPECT_TRUE(t->BookmarkValid(third));
  t->GotoBookmark(second);
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 2);
  t->Delete();  // positions shift: the third record is now at position 1
  EXPECT_FALSE(t->BookmarkValid(third));
  try {
    t->GotoBookmark(third);
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(), "Bookmark 2 not found");
  }
  // A bookmark is a position: after SetOrder it names another record.
  t->First();  // NUM 1, then 3
  const TBookmark first = t->Bookmark();
  t->SetOrder(t->FieldByName("NUM"), true);
  t->GotoBookmark(first);
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 3);
}

TEST_F(DbfTableTest, ColumnTypesOnOpening) {
  // N(25,0) opens as a string; a T column with two zero words is null;
  // ForceStringFields turns a date into text; a persistent smallint wins
  // over the length rule.
  std::vector<dbf::TFieldDescriptor> columns = {
      {"BIG", 'N', 0, 25, 0}, {"STAMP", 'T', 0, 8, 0}, {"D", 'D', 0, 8, 0}, {"S", 'N', 0, 7, 0}};
  dbf::THeader header;
  header.RecordCount = 1;
  std::string bytes = dbf::EncodeLayout(header, columns, "");
  bytes += " " + std::string(22, ' ') + "123" + std::string(8, '\0') + "20070131" + "     12";
  WriteFile(name, bytes);
  auto t = CreateUnique<TmDbfTable>();
  t->SetTableName(name);
  t->ForceStringFields().Add("d");
  auto* s = Create<TSmallintField>(t.get());
  s->SetFieldName("S");
  s->SetDataSet(t.get());
  t->SetDesignOnlyFields(false);
  t->Open();
  EXPECT_EQ(t->RecordCount(), 1);
  EXPECT_EQ(t->FieldByName("BIG")->DataType(), ftString);
  EXPECT_EQ(t->FieldByName("BIG")->Size(), 25);
  EXPECT_EQ(t->FieldByName("BIG")->AsString(), std::string(22, ' ') + "123");
  EXPECT_EQ(t->FieldByName("STAMP")->DataType(), ftDateTime);
  EXPECT_TRUE(t->FieldByName("STAMP")->IsNull());
  EXPECT_EQ(t->FieldByName("D")->DataType(), ftString);
  EXPECT_EQ(t->FieldByName("D")->AsString(), "20070131");
  EXPECT_EQ(t->FieldByName("S")->AsInteger(), 12);
  EXPECT_EQ(static_cast<TDFieldDef*>(t->FieldDefs()[1])->DbfType(), 'T');
}

// A count that the size seems not to cover is checked again under the
// header lock before the file is called damaged, at opening and at a
// refresh; real damage is still reported, and the lock is let go.
TEST_F(DbfTableTest, ACountAheadOfAStaleSizeIsCheckedUnderTheHeaderLock) {
  MakeTable()->CreateTable();
  auto a = MakeShared("A");
  a->Open();
  for (int i = 0; i < 3; ++i) AppendRow(*a, "r", i);
  int staleSizes = 2;  // both sizes that opening reads
  auto b = MakeShared("B");
  b->StreamFactory = [&](const std::string& file, unsigned mode) {
    return std::make_unique<TLaggingSizeStream>(file, mode, &staleSizes);
  };
  b->Open();
  EXPECT_EQ(b->RecordCount(), 3);
  AppendRow(*a, "r", 3);
  staleSizes = 1;
  b->Refresh();
  EXPECT_EQ(b->RecordCount(), 4);
  AppendRow(*a, "r", 4);  // the header lock is free
  EXPECT_TRUE(waits.empty());
  // Real damage: the last record cut off.
  a->Close();
  ASSERT_EQ(::truncate(name.c_str(), static_cast<off_t>(FileBytes(name).size() - kRecordLength)),
            0);
  staleSizes = 0;
  EXPECT_THROW(b->Refresh(), EDBFError);
  b->Close();
  EXPECT_THROW(b->Open(), EDBFError);
  EXPECT_FALSE(b->Active());
}

TEST_F(DbfTableTest, DamagedFileDoesNotOpen) {
  MakeTable()->CreateTable();
  std::string bytes = FileBytes(name);
  bytes[4] = 5;  // five records in an empty file
  WriteFile(name, bytes);
  auto t = MakeTable();
  EXPECT_THROW(t->Open(), EDBFError);
  EXPECT_FALSE(t->Active());
}

// A header length one off puts every record's flag on a text byte or the
// terminator: such a file is refused, shared or exclusive, and left as it
// is; files whose flags are good open as before.
TEST_F(DbfTableTest, AHeaderLengthThatMissesTheRecordsIsRefusedAndNothingWritten) {
  {
    auto t = MakeTable();
    t->CreateTable();
    t->Open();
    for (int i = 1; i <= 60; ++i) AppendRow(*t, "r" + std::to_string(i), i);
  }
  const std::string made = FileBytes(name);
  for (int shift : {-1, 1}) {
    for (bool exclusive : {true, false}) {
      std::string bytes = made;
      dbf::EncodeFixed16(bytes.data() + 8, static_cast<std::uint16_t>(kHeaderLength + shift));
      WriteFile(name, bytes);
      auto t = exclusive ? MakeTable() : MakeShared();
      try {
        t->Open();
        ADD_FAILURE() << shift << exclusive;
      } catch (const EDBFError& e) {
        EXPECT_EQ(e.Message(), "Таблица " + name + " повреждена: длина заголовка " +
                                   std::to_string(kHeaderLength + shift) +
                                   " байт неверна: записи не начинаются с признака удаления "
                                   "(пробел или *).");
      }
      EXPECT_FALSE(t->Active());
      EXPECT_EQ(FileBytes(name), bytes) << shift << exclusive;
    }
  }
  // Good flags: every record deleted, only the last one live, a header
  // tail, and no record at all.
  const auto open = [&](const std::string& bytes) {
    WriteFile(name, bytes);
    auto t = MakeTable();
    t->Open();
    return t->RecordCount();
  };
  std::string flags = made;
  for (int i = 0; i < 60; ++i) flags[kHeaderLength + i * kRecordLength] = i < 59 ? '*' : 'x';
  EXPECT_EQ(open(flags), 0);
  flags[kHeaderLength + 59 * kRecordLength] = ' ';
  for (int i = 0; i < 59; ++i) flags[kHeaderLength + i * kRecordLength] = '\x1a';
  EXPECT_EQ(open(flags), 1);
  std::string tail = made;
  tail.insert(kHeaderLength, "tail");
  dbf::EncodeFixed16(tail.data() + 8, static_cast<std::uint16_t>(kHeaderLength + 4));
  EXPECT_EQ(open(tail), 60);
  MakeTable()->CreateTable();
  EXPECT_EQ(open(FileBytes(name)), 0);
}

TEST_F(DbfTableTest, CreateTableErrors) {
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("Tbl");
  t->SetTableName(name);
  try {
    t->CreateTable();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Tbl.CreateTable: no fields");
  }
  t->FieldDefs().Add("M", ftMemo);
  try {
    t->CreateTable();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Tbl.CreateTable: bad field type: ftMemo");
  }
}

TEST_F(DbfTableTest, Translate) {
  auto t = MakeTable();
  char out[64];
  EXPECT_EQ(t->Translate("Ёж", out, true), 2);
  EXPECT_EQ(std::string(out), Utf8ToOem866("Ёж"));
  const std::string oem = Utf8ToOem866("Ёж");
  EXPECT_EQ(t->Translate(oem.c_str(), out, false), 4);
  EXPECT_EQ(std::string(out), "Ёж");
  EXPECT_EQ(t->Translate("", out, true), 0);
}

// Random appends, edits and deletes on a shared table, against a vector.
TEST_F(DbfTableTest, RandomOperationsMatchAModel) {
  MakeTable()->CreateTable();
  auto a = MakeShared("A");
  auto b = MakeShared("B");
  a->Open();
  b->Open();
  std::vector<int> model;  // NUM of the live records in file order
  std::mt19937 random(5);
  for (int step = 0; step < 300; ++step) {
    TmDbfTable& t = random() % 2 ? *a : *b;
    t.Refresh();
    const int op = static_cast<int>(random() % 3);
    if (op == 0 || model.empty()) {
      AppendRow(t, "x", step);
      model.push_back(step);
    } else {
      const int index = static_cast<int>(random() % model.size());
      t.SetRecNo(index + 1);
      ASSERT_EQ(t.FieldByName("NUM")->AsInteger(), model[static_cast<std::size_t>(index)]);
      if (op == 1) {
        t.Edit();
        t.FieldByName("NUM")->SetAsInteger(step + 1000);
        t.Post();
        model[static_cast<std::size_t>(index)] = step + 1000;
      } else {
        t.Delete();
        model.erase(model.begin() + index);
      }
    }
  }
  a->Refresh();
  std::vector<int> seen;
  for (a->First(); !a->Eof(); a->Next()) seen.push_back(a->FieldByName("NUM")->AsInteger());
  EXPECT_EQ(seen, model);
}

// A batch of appends, with an edit of a collected record and reads of
// collected and written ones along the way, leaves the same bytes as the
// same appends one by one: for exclusive and shared tables, read through
// the mapping and through the stream.
TEST_F(DbfTableTest, BatchedAppendsLeaveTheSameBytesAsSingleOnes) {
  constexpr int kRows = 5000;  // past one block of the batch
  for (const bool exclusive : {true, false}) {
    for (const bool throughStream : {false, true}) {
      SCOPED_TRACE(std::string(exclusive ? "exclusive" : "shared") +
                   (throughStream ? ", stream" : ", mapping"));
      std::string bytes[2];
      for (const bool batched : {false, true}) {
        name = dir.File(batched ? "batch.001" : "single.001");
        MakeTable()->CreateTable();
        auto t = exclusive ? MakeTable() : MakeShared();
        if (throughStream)
          t->StreamFactory = [](const std::string& file, unsigned mode) {
            return std::make_unique<TFileStream>(file, mode);
          };
        t->Open();
        AppendRow(*t, "before", 0);
        if (batched) t->BeginAppendBatch();
        for (int i = 1; i <= kRows; ++i) {
          AppendRow(*t, "строка " + std::to_string(i), i);
          if (i == 10) {
            t->SetRecNo(5);
            t->Edit();
            t->FieldByName("NAME")->SetAsString("правка");
            t->Post();
            t->Last();
          }
        }
        t->SetRecNo(7);
        EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 6);
        t->Last();
        EXPECT_EQ(t->FieldByName("NAME")->AsString(), "строка 5000");
        t->Prior();
        EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), kRows - 1);
        t->EndAppendBatch();
        t->Refresh();
        EXPECT_EQ(t->RecordCount(), kRows + 1);
        t->Close();
        bytes[batched] = FileBytes(name);
      }
      EXPECT_EQ(CountOf(bytes[1]), kRows + 1u);
      EXPECT_TRUE(bytes[0] == bytes[1]);
    }
  }
}

// While a batch runs, the file is whole at every moment (the header counts
// only records already written, the end-of-file byte follows them),
// another user cannot append, and the header lock is ours until the end.
TEST_F(DbfTableTest, ABatchHoldsTheHeaderAndKeepsTheFileWhole) {
  MakeTable()->CreateTable();
  auto a = MakeShared("A");
  auto b = MakeShared("B");
  a->Open();
  b->Open();
  a->BeginAppendBatch();
  for (int i = 0; i < 6000; ++i) {
    AppendRow(*a, "a", i);
    if (i % 1000 == 999) {
      const std::string bytes = FileBytes(name);
      const std::uint32_t counted = CountOf(bytes);
      EXPECT_LE(counted, static_cast<std::uint32_t>(i + 1));
      if (counted == 0) continue;  // a new file has no end-of-file byte yet
      EXPECT_EQ(bytes.size(), kHeaderLength + counted * kRecordLength + 1);
      EXPECT_EQ(bytes.back(), dbf::kEofMarker);
    }
  }
  EXPECT_GT(CountOf(FileBytes(name)), 0u);  // blocks went out on the way
  b->Append();
  b->FieldByName("NUM")->SetAsInteger(-1);
  EXPECT_THROW(b->Post(), EDatabaseError);
  EXPECT_EQ(waits, std::vector<int>{200});
  {
    TFileStream other(name, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_FALSE(other.LockRange(0, 32));
  }
  a->EndAppendBatch();
  EXPECT_EQ(CountOf(FileBytes(name)), 6000u);
  b->Post();  // after the batch, b's record follows a's
  EXPECT_EQ(b->RecordCount(), 6001);
  EXPECT_EQ(b->RecNo(), 6001);
  // Closing in the middle of a batch writes what it collected.
  a->BeginAppendBatch();
  AppendRow(*a, "last", 7000);
  a->Close();
  EXPECT_EQ(CountOf(FileBytes(name)), 6002u);
  TFileStream other(name, fmOpenReadWrite | fmShareDenyNone);
  EXPECT_TRUE(other.LockRange(0, 32));
}

// A block that fails to go out ends the batch with the error: the lock is
// released, the table refuses further writes and forgets the records that
// did not go out, and the file holds only what it counts.
TEST_F(DbfTableTest, AFailedBlockWriteEndsTheBatchAndStopsWrites) {
  MakeTable()->CreateTable();
  auto t = MakeShared();
  int failAt = 0;
  t->StreamFactory = [&](const std::string& file, unsigned mode) {
    return std::make_unique<TFailingStream>(file, mode, &failAt);
  };
  t->Open();
  t->BeginAppendBatch();
  AppendRow(*t, "A", 1);
  AppendRow(*t, "B", 2);
  failAt = 4;  // the records go, the count does not
  EXPECT_THROW(t->EndAppendBatch(), EWriteError);
  EXPECT_THROW(AppendRow(*t, "C", 3), EDBFError);
  t->Cancel();
  TFileStream other(name, fmOpenReadWrite | fmShareDenyNone);
  EXPECT_TRUE(other.LockRange(0, 32));
  other.UnlockRange(0, 32);
  EXPECT_EQ(t->RecordCount(), 0);
  const std::string bytes = FileBytes(name);
  EXPECT_EQ(CountOf(bytes), 0u);
  EXPECT_EQ(bytes.size(), kHeaderLength);  // the uncounted records are cut off
}

// A column copied by its bytes stores what the fields' way stores (the
// value read, then set), over every kind it takes and bytes as this or
// another program leaves them; where the bytes would differ, or the
// field's way refuses the value, it does not copy.
TEST_F(DbfTableTest, ColumnCopiesStoreWhatTheFieldsStore) {
  const std::vector<std::string> names = {
      Utf8ToOem866("Иванова"), "", "A\t", std::string("X\0Y", 3), std::string(40, 'z'), "  abc"};
  const std::vector<std::string> numbers = {"      5", "     -5", "       ", "0000123", "  +12  ",
                                            "12a    ", "9999999", "-999999", "     -0"};
  const std::vector<std::string> dates = {"20070131", "        ", "18991230",
                                          "20071332", "00000000", "2007013 "};
  const std::vector<std::string> docs = {"14", "  ", " 7", "99", "-5", "xx"};
  constexpr int kRecords = 54;
  {
    auto source = MakeTable();
    source->CreateTable();
    source->Open();
    for (int i = 0; i < kRecords; ++i) AppendRow(*source, "", 0);
  }
  std::string file = FileBytes(name);
  for (int i = 0; i < kRecords; ++i) {
    char* record = file.data() + kHeaderLength + i * kRecordLength;
    std::string text = names[i % names.size()];
    text.resize(40, ' ');
    text.copy(record + 1, 40);
    numbers[i % numbers.size()].copy(record + 41, 7);
    dates[i % dates.size()].copy(record + 48, 8);
    docs[i % docs.size()].copy(record + 62, 2);
  }
  std::ofstream(name, std::ios::binary) << file;
  auto source = MakeTable("S");
  source->Open();
  const std::string targetName = name;
  name = dir.File("to.001");
  auto target = MakeTable("T");
  name = targetName;
  dynamic_cast<TIntegralField*>(target->FieldByName("TDOC"))->SetMaxValue(20);
  target->CreateTable();
  target->Open();

  int copied = 0, refused = 0;
  for (source->First(); !source->Eof(); source->Next()) {
    for (const char* column : {"NAME", "NUM", "BORN", "W", "OK", "TDOC"}) {
      TField* from = source->FieldByName(column);
      TField* to = target->FieldByName(column);
      const auto copy = target->PrepareColumnCopy(to, *source, from);
      EXPECT_EQ(copy.has_value(), std::string(column) != "W" && std::string(column) != "OK");
      std::string_view view;
      char type = 0;
      target->Append();
      const bool fast = copy && target->CopyColumn(*copy, *source);
      ASSERT_TRUE(target->GetColumnBytes(to, view, type));
      const std::string bytes(view);
      target->Cancel();
      target->Append();
      bool failed = false;
      try {
        to->SetValue(from->Value());
      } catch (const Exception&) {
        failed = true;
      }
      ASSERT_TRUE(target->GetColumnBytes(to, view, type));
      if (fast) {
        EXPECT_FALSE(failed) << column << " " << source->RecNo();
        EXPECT_EQ(bytes, std::string(view)) << column << " " << source->RecNo();
      }
      target->Cancel();
      copied += fast;
      refused += copy && !fast;
    }
  }
  // Refused: a tab or NUL in the text, four dates that read as none (or
  // day 0), two numbers outside TDOC's 0 .. 20; each a third of the rows.
  EXPECT_EQ(refused, 72);
  EXPECT_EQ(copied, 144);
}

namespace {

// What a sum reads of the field: "null", the scaled value, or the
// exception's class.
template <class F>
std::string SumRead(F&& read) {
  try {
    Currency value;
    return read(value) ? std::to_string(value.Scaled()) : "null";
  } catch (const Exception& e) {
    return typeid(e).name() + (": " + e.Message());
  }
}

}  // namespace

TEST_F(DbfTableTest, NumbersReadStraightFromTheColumnAreTheFieldsOwnValues) {
  // Every letter and width of number column, and the other letters, each
  // record holding one kind of raw text in all of them.
  const std::vector<dbf::TFieldDescriptor> columns = {
      {"F", 'N', 0, 10, 2}, {"G", 'F', 0, 20, 5}, {"I", 'N', 0, 7, 0}, {"S", 'N', 0, 4, 0},
      {"L", 'N', 0, 20, 0}, {"B", 'B', 0, 8, 0},  {"Y", 'Y', 0, 8, 0}, {"C", 'C', 0, 6, 0},
      {"D", 'D', 0, 8, 0},  {"O", 'L', 0, 1, 0}};
  const std::vector<std::string> texts = {"",
                                          "0",
                                          "-0.00",
                                          "42",
                                          "-17",
                                          "12.345",
                                          "0.00005",
                                          "0.00015",
                                          "-99.995",
                                          "99999999999999999999",
                                          "1e3",
                                          "  4x2",
                                          "12345678.9",
                                          "65536",
                                          "+7",
                                          "007",
                                          "-0",
                                          "32768",
                                          "-32769",
                                          "2147483648",
                                          "1234567890123456"};
  for (bool ansi : {false, true}) {
    dbf::THeader header;
    header.RecordCount = static_cast<std::uint32_t>(texts.size());
    std::string file = dbf::EncodeLayout(header, columns, "");
    for (const std::string& text : texts) {
      file += ' ';
      for (const dbf::TFieldDescriptor& c : columns) {
        std::string column(c.Length, ' ');
        const std::string cut = text.substr(0, c.Length);
        column.replace(c.Length - cut.size(), cut.size(), cut);
        file += column;
      }
    }
    file += dbf::kEofMarker;
    std::ofstream(name, std::ios::binary | std::ios::trunc) << file;
    auto t = CreateUnique<TmDbfTable>();
    t->SetTableName(name);
    t->SetAnsiTable(ansi);
    t->Open();
    for (t->First(); !t->Eof(); t->Next()) {
      for (int i = 0; i < t->FieldCount(); ++i) {
        TField* f = t->Fields()[i];
        EXPECT_EQ(SumRead([&](Currency& v) { return f->GetCurrencyData(v); }),
                  SumRead([&](Currency& v) {
                    if (f->IsNull()) return false;
                    v = f->AsCurrency();
                    return true;
                  }))
            << f->FieldName() << " record " << t->RecNo() << " ansi " << ansi;
        // Number texts made from the column's digits, and the general way.
        if (dynamic_cast<TFloatField*>(f) != nullptr) {
          EXPECT_EQ(f->AsString(), FloatToStr(f->AsFloat())) << f->FieldName() << t->RecNo();
        }
        if (dynamic_cast<TIntegralField*>(f) != nullptr) {
          EXPECT_EQ(f->AsString(), std::to_string(f->AsVariant().AsInt64()))
              << f->FieldName() << t->RecNo();
        }
      }
    }
  }
}
