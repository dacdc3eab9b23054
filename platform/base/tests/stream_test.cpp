#include "platform/base/stream.h"

#include <gtest/gtest.h>

#include <string>

#include "file_test_dir.h"

namespace {

// Expects `call` to throw exactly type E with `text`.
template <class E, class F>
void ExpectError(F call, const std::string& text) {
  try {
    call();
    ADD_FAILURE() << "no exception, expected: " << text;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), text);
  }
}

std::string ReadAll(TStream& s) {
  std::string text(static_cast<std::size_t>(s.Size()), '\0');
  s.SetPosition(0);
  s.ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  return text;
}

// A memory stream that accepts only `limit` more bytes: a full disk.
class TFullStream : public TMemoryStream {
 public:
  explicit TFullStream(std::int64_t limit) : FLimit(limit) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t n = TMemoryStream::Write(buffer, std::min(count, FLimit));
    FLimit -= n;
    return n;
  }

 private:
  std::int64_t FLimit;
};

}  // namespace

TEST(MemoryStream, ReadWriteSeekAndGaps) {
  TMemoryStream s;
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(s.Seek(-2, TSeekOrigin::soEnd), 3);
  s.WriteBuffer("LO!", 3);  // overwrites two bytes, appends one
  EXPECT_EQ(ReadAll(s), "helLO!");

  // Seeking past the end is allowed; reading there returns nothing and a
  // write fills the gap with zeros.
  char c = 'x';
  EXPECT_EQ(s.Seek(3, TSeekOrigin::soCurrent), 9);
  EXPECT_EQ(s.Read(&c, 1), 0);
  EXPECT_EQ(s.Size(), 6);
  s.WriteBuffer("Z", 1);
  EXPECT_EQ(ReadAll(s), std::string("helLO!\0\0\0Z", 10));
  EXPECT_EQ(static_cast<const char*>(s.Memory())[9], 'Z');

  // Short reads return what is there; ReadBuffer refuses them.
  char buf[8] = {};
  s.SetPosition(7);
  EXPECT_EQ(s.Read(buf, 8), 3);
  s.SetPosition(7);
  ExpectError<EReadError>([&] { s.ReadBuffer(buf, 4); }, SReadError);

  // Shrinking pulls the position back to the new end.
  s.SetPosition(8);
  s.SetSize(4);
  EXPECT_EQ(s.Position(), 4);
  EXPECT_EQ(ReadAll(s), "helL");
  // Its own bytes written at its end.
  s.WriteBuffer(s.Memory(), 4);
  EXPECT_EQ(ReadAll(s), "helLhelL");
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, BadArgumentsRaiseAndChangeNothing) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  char buf[4];
  ExpectError<EStreamError>([&] { s.Read(buf, -1); }, "Invalid stream count");
  ExpectError<EStreamError>([&] { s.Write(buf, -1); }, "Invalid stream count");
  ExpectError<EStreamError>([&] { s.Seek(-4, TSeekOrigin::soEnd); }, "Invalid stream position");
  ExpectError<EStreamError>([&] { s.SetPosition(-1); }, "Invalid stream position");
  ExpectError<EStreamError>([&] { s.Seek(INT64_MAX, TSeekOrigin::soCurrent); },
                            "Invalid stream position");
  ExpectError<EStreamError>([&] { s.SetSize(-1); }, "Invalid stream size");
  ExpectError<EStreamError>([&] { s.CopyFrom(s, -1); }, "Invalid stream count");
  EXPECT_EQ(s.Position(), 3);
  EXPECT_EQ(ReadAll(s), "abc");
}

TEST(StringStream, OverwritesInPlaceAndGrows) {
  TStringStream s("0123456789");
  EXPECT_EQ(s.Position(), 0);
  s.SetPosition(2);
  s.WriteBuffer("ab", 2);
  EXPECT_EQ(s.DataString(), "01ab456789");
  s.Seek(0, TSeekOrigin::soEnd);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.DataString(), "01ab456789!");
}

TEST(Stream, CopyFrom) {
  TStringStream source("abcdef");
  TMemoryStream dest;
  source.SetPosition(4);
  EXPECT_EQ(dest.CopyFrom(source, 0), 6);  // 0: all of it, from the start
  EXPECT_EQ(ReadAll(dest), "abcdef");

  source.SetPosition(1);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(source, 3), 3);
  EXPECT_EQ(ReadAll(part), "bcd");
  ExpectError<EReadError>([&] { part.CopyFrom(source, 5); }, SReadError);

  // More than one internal chunk.
  std::string big(200'000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  TStringStream bigSource(big);
  TMemoryStream bigCopy;
  bigCopy.CopyFrom(bigSource, 0);
  EXPECT_EQ(ReadAll(bigCopy), big);

  TFullStream full(4);
  ExpectError<EWriteError>([&] { full.CopyFrom(source, 0); }, SWriteError);
}

TEST(Stream, LittleEndianNumbers) {
  TMemoryStream s;
  WriteU8(s, 0xAB);
  WriteU16(s, 0x1234);
  WriteU32(s, 0x89ABCDEF);
  WriteI16(s, -2);
  WriteI32(s, -100000);
  WriteI64(s, -5'000'000'000LL);
  WriteU64(s, 0x0102030405060708ULL);
  WriteDouble(s, 1.5);
  const std::string expected(
      "\xAB"
      "\x34\x12"
      "\xEF\xCD\xAB\x89"
      "\xFE\xFF"
      "\x60\x79\xFE\xFF"
      "\x00\x0E\xFA\xD5\xFE\xFF\xFF\xFF"
      "\x08\x07\x06\x05\x04\x03\x02\x01"
      "\x00\x00\x00\x00\x00\x00\xF8\x3F",
      37);
  EXPECT_EQ(ReadAll(s), expected);

  s.SetPosition(0);
  EXPECT_EQ(ReadU8(s), 0xAB);
  EXPECT_EQ(ReadU16(s), 0x1234);
  EXPECT_EQ(ReadU32(s), 0x89ABCDEFu);
  EXPECT_EQ(ReadI16(s), -2);
  EXPECT_EQ(ReadI32(s), -100000);
  EXPECT_EQ(ReadI64(s), -5'000'000'000LL);
  EXPECT_EQ(ReadU64(s), 0x0102030405060708ULL);
  EXPECT_EQ(ReadDouble(s), 1.5);
  ExpectError<EReadError>([&] { ReadU8(s); }, SReadError);
}

TEST(MemoryStream, FileRoundTrip) {
  TFileTestDir dir;
  TStringStream out(std::string("one\0two", 7));
  out.SaveToFile(dir.File("data.bin"));

  TMemoryStream in;
  in.LoadFromFile(dir.File("data.bin"));
  EXPECT_EQ(ReadAll(in), std::string("one\0two", 7));

  // A failed load keeps the old contents.
  EXPECT_THROW(in.LoadFromFile(dir.File("missing.bin")), EFOpenError);
  EXPECT_EQ(in.Size(), 7);
}
