// The byte records every report stream is built from.
//
// All integers are little-endian; text is UTF-8 in memory and Windows-1251
// on the stream (converted here, nowhere else).
//
//   string          u16 n, n bytes, 00             "abc" = 03 00 61 62 63 00
//   memo            u16 count, then per line u16 length and its bytes,
//                   0D between lines and 00 after the last; an empty memo
//                   is 00 00 00. The count only says whether there are
//                   lines: readers go on until the separator is 00.
//   string (old)    bytes up to a 00                  (templates before 23)
//   memo (old)      bytes; 0D ends a line, 00 the memo; an empty last line
//                   is dropped                        (templates before 23)
//   Boolean         two bytes, 0 or FF FF
//
// Readers are bounded by the stream: a record that runs past its end
// raises EReadError SReadError and never allocates more than the
// stream holds. Writers never wrap a length: a line longer than 65535 bytes
// raises EWriteError, and a memo of more than 65535 lines stores the count
// 65535 (the count is only "any lines", so nothing is lost).
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/stream.h"

class TStrings;
class TStringList;

inline constexpr int kMaxRecordText = 0xFFFF;

void WriteString(TStream& stream, std::string_view text);
std::string ReadString(TStream& stream);
void WriteMemo(TStream& stream, const TStrings& lines);
// Clears `lines` first.
void ReadMemo(TStream& stream, TStrings& lines);
std::string ReadString22(TStream& stream);
void ReadMemo22(TStream& stream, TStrings& lines);

void WriteWord(TStream& stream, std::uint16_t value);
void WriteInt(TStream& stream, std::int32_t value);
std::uint16_t ReadWord(TStream& stream);

void WriteBool2(TStream& stream, bool value);
bool ReadBool2(TStream& stream);

// Raises EReadError SReadError unless `count` more bytes are left.
void CheckRemaining(TStream& stream, std::int64_t count);

// A memory stream for one record at a time: an object's record is written
// here field by field, then handed to its page stream in one write. Small
// writes are a copy into a block that only grows (geometrically) and is
// kept between records. Positions count from the end of the page stream
// as it is when the record begins (its first write), so a record that
// stores a position of its own stores the same bytes as when written
// there directly.
class TfrRecordStream final : public TStream {
 public:
  TfrRecordStream() = default;

  // Empties the stream (keeping its memory) for a record that goes to the
  // end of `target`.
  void Start(TStream& target) {
    FTarget = &target;
    FSize = FPosition = 0;
  }
  const char* Data() const { return FData.get(); }
  std::int64_t Length() const { return FSize; }
  // Takes `data` (`size` bytes in a block of `capacity`) as the whole
  // record when nothing was written or sought yet, handing this stream's
  // block back in its place; false, changing nothing, otherwise.
  bool Adopt(std::unique_ptr<char[]>& data, std::size_t& capacity, std::size_t size);

  // TStream
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (FSize == 0) Begin();
    if (count > 0 && count <= FCapacity - FPosition) {
      char* to = FData.get() + FPosition;
      switch (count) {  // the sizes of the record's numbers
        case 1:
          *to = *static_cast<const char*>(buffer);
          break;
        case 2:
          std::memcpy(to, buffer, 2);
          break;
        case 4:
          std::memcpy(to, buffer, 4);
          break;
        default:
          std::memcpy(to, buffer, static_cast<std::size_t>(count));
      }
      FPosition += count;
      if (FPosition > FSize) FSize = FPosition;
      return count;
    }
    return SlowWrite(buffer, count);
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return Base() + FSize; }

 private:
  std::int64_t Base() { return FSize == 0 && FTarget != nullptr ? FTarget->Size() : FBase; }
  void Begin() { FBase = FTarget != nullptr ? FTarget->Size() : 0; }
  std::int64_t SlowWrite(const void* buffer, std::int64_t count);
  void Reserve(std::int64_t size);
  std::unique_ptr<char[]> FData;
  TStream* FTarget = nullptr;
  std::int64_t FBase = 0;
  std::int64_t FCapacity = 0, FSize = 0, FPosition = 0;  // from FBase
};

// Fixed-size fields of a record, packed on the stack and handed to the
// writer in one piece: a prepared page holds a record per printed object.
class TfrFixedFields {
 public:
  // Each field is one store: the bytes are assembled first.
  void U8(std::uint8_t v) { FBytes[FSize++] = static_cast<char>(v); }
  void U16(std::uint16_t v) {
    const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
    std::memcpy(FBytes + FSize, b, 2);
    FSize += 2;
  }
  void I32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const char b[4] = {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                       static_cast<char>(u >> 24)};
    std::memcpy(FBytes + FSize, b, 4);
    FSize += 4;
  }
  std::string_view View() const { return {FBytes, FSize}; }

 private:
  char FBytes[64];
  std::size_t FSize = 0;
};

// The Windows-1251 bytes of the text lines one object wrote last, line by
// line: a prepared page repeats an object's text from record to record
// (static captions, a name on every row), and converting text is the
// dearest part of writing it. ASCII lines are never kept (they are their
// own bytes).
class TfrLineBytes {
 public:
  // The bytes kept for line `index` when it was `text`; null otherwise.
  const std::string* Find(std::size_t index, std::string_view text) const {
    return index < FLines.size() && FLines[index].Text == text ? &FLines[index].Bytes : nullptr;
  }
  void Keep(std::size_t index, std::string_view text, std::string_view bytes);

 private:
  struct TLine {
    std::string Text, Bytes;
  };
  std::vector<TLine> FLines;
};

// Builds one record's bytes in memory, in the layouts above, so that the
// record goes to its stream in a single write. Text is checked and
// converted as WriteString and WriteMemo do (EWriteError for a line too
// long); nothing reaches the stream before WriteTo. The buffer is kept
// between records.
class TfrRecordWriter {
 public:
  void Fixed(const TfrFixedFields& fields) { Append(fields.View()); }
  void U8(std::uint8_t v) {
    *Room(1) = static_cast<char>(v);
    ++FSize;
  }
  void U16(std::uint16_t v) {
    char* p = Room(2);
    p[0] = static_cast<char>(v);
    p[1] = static_cast<char>(v >> 8);
    FSize += 2;
  }
  void I32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const char b[4] = {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                       static_cast<char>(u >> 24)};
    std::memcpy(Room(4), b, 4);
    FSize += 4;
  }
  void String(std::string_view text);
  void Memo(const TStrings& lines);
  void Memo(const TStringList& lines);
  // The same bytes, taking the converted lines from `kept` where they are
  // unchanged and keeping the others there.
  void Memo(const TStringList& lines, TfrLineBytes& kept);
  // Writes the bytes gathered so far and starts again. A record stream
  // that holds nothing yet takes the gathered block as it is.
  void WriteTo(TStream& stream);
  // Drops what was gathered (after a failed record).
  void Clear() { FSize = 0; }
  // What was gathered so far.
  std::string_view Bytes() const { return {FData.get(), FSize}; }

 private:
  // Room for `count` more bytes at the end; FSize is not moved.
  char* Room(std::size_t count) {
    if (FCapacity - FSize < count) Grow(count);
    return FData.get() + FSize;
  }
  void Grow(std::size_t count);
  void Append(std::string_view bytes) {
    if (bytes.empty()) return;
    std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
    FSize += bytes.size();
  }
  // The line's length and bytes; whether they were converted (not ASCII).
  bool Raw(std::string_view text);
  template <class TList, class TLine>
  void Lines(const TList& lines, TLine line);
  std::unique_ptr<char[]> FData;
  std::size_t FSize = 0, FCapacity = 0;
};
