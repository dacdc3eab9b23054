#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/stream.h"
#include "platform/base/string_list.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"
#include "report_fixture.h"

namespace {

TEST(FrStream, StringAndMemoBytes) {
  TStringStream s;
  WriteString(s, "abc");
  EXPECT_EQ(s.DataString(), Bytes({3, 0, 'a', 'b', 'c', 0}));

  TStringList lines;
  lines.Add("a");
  lines.Add("bc");
  TStringStream m;
  WriteMemo(m, lines);
  EXPECT_EQ(m.DataString(), Bytes({2, 0, 1, 0, 'a', 13, 2, 0, 'b', 'c', 0}));

  TStringStream e;
  lines.Clear();
  WriteMemo(e, lines);
  EXPECT_EQ(e.DataString(), Bytes({0, 0, 0}));

  // Cyrillic crosses as Windows-1251 and comes back as UTF-8.
  TStringStream c;
  WriteString(c, "Ёж");
  EXPECT_EQ(c.DataString(), Bytes({2, 0, 0xA8, 0xE6, 0}));
  c.SetPosition(0);
  EXPECT_EQ(ReadString(c), "Ёж");
}

TEST(FrStream, ReadsBothLayouts) {
  TStringList lines;
  TStringStream old(Bytes({'a', 13, 13, 'b', 0}));
  ReadMemo22(old, lines);
  EXPECT_EQ(lines.Text(), "a\r\n\r\nb\r\n");
  TStringStream oldEmptyLast(Bytes({'a', 13, 0}));
  ReadMemo22(oldEmptyLast, lines);
  EXPECT_EQ(lines.Count(), 1);
  TStringStream oldString(Bytes({'x', 'y', 0, 'z'}));
  EXPECT_EQ(ReadString22(oldString), "xy");
  TStringStream memo(Bytes({2, 0, 1, 0, 'a', 13, 2, 0, 'b', 'c', 0}));
  ReadMemo(memo, lines);
  EXPECT_EQ(lines.Text(), "a\r\nbc\r\n");
}

TEST(FrStream, DamagedRecordsFailInsteadOfRunningOn) {
  enum Reader { kString, kMemo, kString22, kMemo22 };
  const struct {
    std::string bytes;
    Reader reader;
  } cases[] = {
      {Bytes({5, 0, 'a'}), kString},            // longer than the stream
      {Bytes({3, 0, 'a', 'b', 'c'}), kString},  // no closing 0
      {Bytes({1, 0, 1, 0, 'a', 13}), kMemo},    // no end of memo
      {Bytes({1, 0, 0xFF, 0xFF, 'a'}), kMemo},  // line past the end
      {Bytes({1, 0}), kMemo},                   // count only
      {Bytes({'a', 'b'}), kString22},           // no 0
      {Bytes({'a', 13, 'b'}), kMemo22},         // no 0
  };
  for (const auto& c : cases) {
    TStringStream s(c.bytes);
    TStringList lines;
    switch (c.reader) {
      case kString:
        EXPECT_THROW(ReadString(s), EReadError);
        break;
      case kMemo:
        EXPECT_THROW(ReadMemo(s, lines), EReadError);
        break;
      case kString22:
        EXPECT_THROW(ReadString22(s), EReadError);
        break;
      case kMemo22:
        EXPECT_THROW(ReadMemo22(s, lines), EReadError);
        break;
    }
  }
}

TEST(FrStream, WritersNeverWrapLengths) {
  TStringStream s;
  EXPECT_THROW(WriteString(s, std::string(70000, 'x')), EWriteError);
  TStringList many;
  for (int i = 0; i < 65536; ++i) many.Add("");
  TStringStream m;
  WriteMemo(m, many);
  m.SetPosition(0);
  EXPECT_EQ(ReadU16(m), 65535);
  m.SetPosition(0);
  TStringList back;
  ReadMemo(m, back);
  EXPECT_EQ(back.Count(), 65536);
}

TEST(FrUtils, TextHelpers) {
  EXPECT_EQ(RemoveQuotes("\"\""), "\"\"");
  EXPECT_EQ(RemoveQuotes("\"a.b\""), "a.b");
  EXPECT_EQ(RemoveQuotes("\"ab"), "\"ab");
  TStringList l;
  SplitSemicolonList("a;;b;", l);
  EXPECT_EQ(l.Text(), "a\r\n\r\nb\r\n");
  SplitSemicolonList("", l);
  EXPECT_EQ(l.Count(), 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(IntFromStyle(StyleFromInt(i)), i);
  EXPECT_TRUE(StyleFromInt(2).Contains(fsBold));
  EXPECT_EQ(LoadEngineString(frsUnsupportedFormat), "Unsupported FRF format");
}

}  // namespace

namespace {

// A record written through the record buffer and appended to its page
// stream leaves the same bytes as one written there directly, also when
// it stores positions of its own (a back-patched end offset), grows past
// the buffer's block, or seeks past its end.
TEST(FrRecordStream, SameBytesAsWritingToThePage) {
  using TWriter = void (*)(TStream&);
  const std::pair<const char*, TWriter> cases[] = {
      {"fields",
       [](TStream& s) {
         WriteU8(s, 7);
         WriteI32(s, -5);
         WriteString(s, "Итого: [SUM]");
         WriteU16(s, 0xBEEF);
       }},
      {"back-patched end",
       [](TStream& s) {
         const std::int64_t at = s.Position();
         WriteI32(s, 0);
         const std::string big(5000, 'x');
         s.WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
         const std::int64_t end = s.Position();
         s.SetPosition(at);
         WriteI32(s, static_cast<std::int32_t>(end));
         s.SetPosition(end);
         WriteU8(s, 1);
       }},
      {"gap",
       [](TStream& s) {
         WriteU8(s, 1);
         s.Seek(3, TSeekOrigin::soCurrent);
         WriteU8(s, 2);
       }},
      // A fresh record stream takes a gathered record's block; what
      // follows it, positions included, lands as after a copy.
      {"gathered records",
       [](TStream& s) {
         TfrRecordWriter w;
         w.U8(3);
         w.String("Итого: [SUM]");
         w.WriteTo(s);
         const std::int64_t at = s.Position();
         WriteI32(s, 0);
         w.String("ab");
         w.WriteTo(s);
         const std::int64_t end = s.Position();
         s.SetPosition(at);
         WriteI32(s, static_cast<std::int32_t>(end));
         s.SetPosition(end);
         w.U16(0xBEEF);
         w.WriteTo(s);
       }},
  };
  TfrRecordStream record;
  for (const auto& [name, write] : cases) {
    SCOPED_TRACE(name);
    for (int prefix : {0, 13}) {
      const std::string head(static_cast<std::size_t>(prefix), 'p');
      TStringStream direct(head), page(head);
      direct.Seek(0, TSeekOrigin::soEnd);
      write(direct);
      record.Start(page);
      write(record);
      page.Seek(0, TSeekOrigin::soEnd);
      page.WriteBuffer(record.Data(), record.Length());
      EXPECT_EQ(page.DataString(), direct.DataString());
    }
  }
}

}  // namespace

namespace {

// A record gathered by the writer has the bytes of the field-by-field
// writers, and a text too long for the stream is refused the same way.
TEST(FrRecordWriter, SameBytesAsTheFieldWriters) {
  TStringList memo;
  memo.Add("Реестр");
  memo.Add("");
  memo.Add("ab");
  TStringList empty;
  TStringStream direct;
  WriteU16(direct, 0xA1B2);
  WriteI32(direct, -123456);
  WriteU8(direct, 9);
  WriteString(direct, "");
  WriteString(direct, "Итого «1»");
  WriteMemo(direct, memo);
  WriteMemo(direct, empty);
  TfrRecordWriter w;
  w.U16(0xA1B2);
  w.I32(-123456);
  w.U8(9);
  w.String("");
  w.String("Итого «1»");
  w.Memo(memo);
  w.Memo(empty);
  TStringStream gathered;
  w.WriteTo(gathered);
  EXPECT_EQ(gathered.DataString(), direct.DataString());

  const std::string tooLong(kMaxRecordText + 1, 'x');
  TStringStream s;
  EXPECT_THROW(WriteString(s, tooLong), EWriteError);
  EXPECT_THROW(w.String(tooLong), EWriteError);
}

}  // namespace

namespace {

// Lines taken from what an object wrote before are the bytes a fresh
// conversion gives, whatever changes from one record to the next: a line
// changed, added or dropped, ASCII turning into Cyrillic and back, look-
// alikes and invalid bytes.
TEST(FrRecordWriter, KeptLinesWriteTheBytesOfAFreshConversion) {
  const std::vector<std::vector<std::string>> records = {
      {"Иванова Мария Петровна"},
      {"Иванова Мария Петровна"},
      {"Иванова Мария Петровна", "2 000,00"},
      {"Петрова Анна", "2 000,00"},
      {"ascii only", "Итого «1» — …"},
      {"Итого «1» — …", "ascii only"},
      {},
      {"\xFF\xFE broken", "Иванова Мария Петровна"},
      {"Иванова Мария Петровна"},
      {""},
  };
  TfrLineBytes kept;
  TfrRecordWriter w;
  for (const auto& record : records) {
    TStringList memo;
    for (const std::string& line : record) memo.Add(line);
    TStringStream direct;
    WriteMemo(direct, memo);
    w.Memo(memo, kept);
    TStringStream gathered;
    w.WriteTo(gathered);
    EXPECT_EQ(gathered.DataString(), direct.DataString()) << memo.Text();
  }
  TStringList tooLong;
  tooLong.Add(std::string(kMaxRecordText + 1, 'x'));
  EXPECT_THROW(w.Memo(tooLong, kept), EWriteError);
  tooLong.Put(0, "Ж" + std::string(kMaxRecordText, 'x'));
  EXPECT_THROW(w.Memo(tooLong, kept), EWriteError);
}

}  // namespace
