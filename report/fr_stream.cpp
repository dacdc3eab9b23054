#include "report/fr_stream.h"

#include <algorithm>
#include <typeinfo>

#include "platform/base/codepage.h"
#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/string_list.h"

namespace {

void WriteRaw(TStream& stream, std::string_view text) {
  // ASCII is the same in both code pages.
  if (text.size() <= static_cast<std::size_t>(kMaxRecordText) && IsAscii(text)) {
    WriteU16(stream, static_cast<std::uint16_t>(text.size()));
    if (!text.empty()) stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    return;
  }
  const std::string bytes = Utf8ToWin1251(text);
  if (bytes.size() > static_cast<std::size_t>(kMaxRecordText))
    throw EWriteError("Text of %d bytes is too long for a report stream",
                      static_cast<int>(bytes.size()));
  WriteU16(stream, static_cast<std::uint16_t>(bytes.size()));
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

std::string ReadRaw(TStream& stream) {
  const std::uint16_t n = ReadU16(stream);
  CheckRemaining(stream, n);
  std::string bytes(n, '\0');
  stream.ReadBuffer(bytes.data(), n);
  return Win1251ToUtf8(bytes);
}

}  // namespace

void CheckRemaining(TStream& stream, std::int64_t count) {
  if (count < 0 || stream.Size() - stream.Position() < count) throw EReadError(SReadError);
}

void WriteString(TStream& stream, std::string_view text) {
  WriteRaw(stream, text);
  WriteU8(stream, 0);
}

namespace {

// Short texts (names, numbers, most lines of a prepared page) are copied
// while they are checked, in one pass.
constexpr std::size_t kShortText = 64;

// Copies `n` bytes to `to`; whether they were all ASCII.
bool CopyShort(const char* from, std::size_t n, char* to) {
  unsigned char high = 0;
  for (std::size_t i = 0; i < n; ++i) {
    to[i] = from[i];
    high |= static_cast<unsigned char>(from[i]);
  }
  return high < 0x80;
}

}  // namespace

bool TfrRecordWriter::Raw(std::string_view text) {
  // Converted in place: a line never grows in Windows-1251.
  std::size_t n = text.size();
  char* p = Room(2 + n);
  bool ascii;  // the same in both code pages
  if (n <= kShortText) {
    ascii = CopyShort(text.data(), n, p + 2);
  } else {
    ascii = IsAscii(text);
    if (ascii) std::memcpy(p + 2, text.data(), n);
  }
  if (!ascii) n = FromUtf8(text, TCodePage::Win1251, p + 2);
  if (n > static_cast<std::size_t>(kMaxRecordText))
    throw EWriteError("Text of %d bytes is too long for a report stream", static_cast<int>(n));
  p[0] = static_cast<char>(n);
  p[1] = static_cast<char>(n >> 8);
  FSize += 2 + n;
  return !ascii;
}

void TfrRecordWriter::Grow(std::size_t count) {
  const std::size_t capacity = std::max<std::size_t>({FSize + count, FCapacity * 2, 256});
  auto data = std::make_unique<char[]>(capacity);
  if (FSize > 0) std::memcpy(data.get(), FData.get(), FSize);
  FData = std::move(data);
  FCapacity = capacity;
}

void TfrRecordWriter::String(std::string_view text) {
  const std::size_t n = text.size();
  if (n <= kShortText) {  // length, bytes and the 00 at once
    char* p = Room(3 + n);
    if (CopyShort(text.data(), n, p + 2)) {
      p[0] = static_cast<char>(n);
      p[1] = 0;
      p[2 + n] = 0;
      FSize += 3 + n;
      return;
    }
  }
  Raw(text);
  U8(0);
}

template <class TList, class TLine>
void TfrRecordWriter::Lines(const TList& lines, TLine line) {
  const int count = lines.Count();
  U16(static_cast<std::uint16_t>(count > kMaxRecordText ? kMaxRecordText : count));
  for (int i = 0; i < count; ++i) {
    line(i);
    if (i + 1 < count) U8(13);
  }
  U8(0);
}

void TfrRecordWriter::Memo(const TStrings& lines) {
  Lines(lines, [&](int i) { Raw(lines[i]); });
}

void TfrRecordWriter::Memo(const TStringList& lines) {
  // Read where they stand: no copy of each line.
  Lines(lines, [&](int i) { Raw(lines.StringRef(i)); });
}

void TfrRecordWriter::Memo(const TStringList& lines, TfrLineBytes& kept) {
  Lines(lines, [&](int i) {
    const std::string& text = lines.StringRef(i);
    const auto index = static_cast<std::size_t>(i);
    if (const std::string* bytes = kept.Find(index, text)) {
      U16(static_cast<std::uint16_t>(bytes->size()));  // checked when it was kept
      Append(*bytes);
      return;
    }
    const std::size_t at = FSize + 2;
    if (Raw(text)) kept.Keep(index, text, std::string_view(FData.get() + at, FSize - at));
  });
}

void TfrLineBytes::Keep(std::size_t index, std::string_view text, std::string_view bytes) {
  if (FLines.size() <= index) FLines.resize(index + 1);
  FLines[index].Text.assign(text);
  FLines[index].Bytes.assign(bytes);
}

void TfrRecordWriter::WriteTo(TStream& stream) {
  if (FSize > 0) {
    // An object's whole record is handed over, not copied.
    const bool taken = typeid(stream) == typeid(TfrRecordStream) &&
                       static_cast<TfrRecordStream&>(stream).Adopt(FData, FCapacity, FSize);
    if (!taken) stream.WriteBuffer(FData.get(), static_cast<std::int64_t>(FSize));
  }
  FSize = 0;
}

std::string ReadString(TStream& stream) {
  std::string text = ReadRaw(stream);
  ReadU8(stream);
  return text;
}

void WriteMemo(TStream& stream, const TStrings& lines) {
  const int count = lines.Count();
  WriteU16(stream, static_cast<std::uint16_t>(count > kMaxRecordText ? kMaxRecordText : count));
  for (int i = 0; i < count; ++i) {
    WriteRaw(stream, lines[i]);
    if (i + 1 < count) WriteU8(stream, 13);
  }
  WriteU8(stream, 0);
}

void ReadMemo(TStream& stream, TStrings& lines) {
  lines.Clear();
  if (ReadU16(stream) == 0) {
    ReadU8(stream);
    return;
  }
  TUpdateGuard update(lines);
  for (;;) {
    lines.Add(ReadRaw(stream));
    if (ReadU8(stream) == 0) break;
  }
}

std::string ReadString22(TStream& stream) {
  std::string bytes;
  for (;;) {
    const std::uint8_t b = ReadU8(stream);
    if (b == 0) break;
    bytes += static_cast<char>(b);
  }
  return Win1251ToUtf8(bytes);
}

void ReadMemo22(TStream& stream, TStrings& lines) {
  lines.Clear();
  std::string line;
  for (;;) {
    const std::uint8_t b = ReadU8(stream);
    if (b == 0) break;
    if (b == 13) {
      lines.Add(Win1251ToUtf8(line));
      line.clear();
    } else {
      line += static_cast<char>(b);
    }
  }
  if (!line.empty()) lines.Add(Win1251ToUtf8(line));
}

void WriteWord(TStream& stream, std::uint16_t value) { WriteU16(stream, value); }
void WriteInt(TStream& stream, std::int32_t value) { WriteI32(stream, value); }
std::uint16_t ReadWord(TStream& stream) { return ReadU16(stream); }

void WriteBool2(TStream& stream, bool value) { WriteU16(stream, value ? 0xFFFF : 0); }
bool ReadBool2(TStream& stream) { return ReadU16(stream) != 0; }

std::int64_t TfrRecordStream::Read(void* buffer, std::int64_t count) {
  if (count < 0) throw EStreamError(std::string("Invalid stream count"));
  const std::int64_t n = std::max<std::int64_t>(0, std::min(count, FSize - FPosition));
  if (n > 0) std::memcpy(buffer, FData.get() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TfrRecordStream::SlowWrite(const void* buffer, std::int64_t count) {
  if (count < 0) throw EStreamError(std::string("Invalid stream count"));
  if (count == 0) return 0;
  Reserve(FPosition + count);
  std::memcpy(FData.get() + FPosition, buffer, static_cast<std::size_t>(count));
  FPosition += count;
  FSize = std::max(FSize, FPosition);
  return count;
}

std::int64_t TfrRecordStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (FSize == 0) Begin();
  const std::int64_t base = origin == TSeekOrigin::soBeginning ? -FBase
                            : origin == TSeekOrigin::soCurrent ? FPosition
                                                               : FSize;
  const std::int64_t position = base + offset;
  if (position < 0) throw EStreamError(std::string("Invalid stream position"));
  if (position > FSize) {
    // A later write fills the gap with zeros.
    Reserve(position);
    std::memset(FData.get() + FSize, 0, static_cast<std::size_t>(position - FSize));
  }
  FPosition = position;
  return FBase + FPosition;
}

void TfrRecordStream::SetSize(std::int64_t size) {
  if (FSize == 0) Begin();
  size -= FBase;
  if (size < 0) throw EStreamError(std::string("Invalid stream size"));
  Reserve(size);
  if (size > FSize) std::memset(FData.get() + FSize, 0, static_cast<std::size_t>(size - FSize));
  FSize = size;
  FPosition = std::min(FPosition, size);
}

bool TfrRecordStream::Adopt(std::unique_ptr<char[]>& data, std::size_t& capacity,
                            std::size_t size) {
  if (FSize != 0 || FPosition != 0 || size == 0) return false;
  Begin();
  FData.swap(data);
  const auto mine = static_cast<std::size_t>(FCapacity);
  FCapacity = static_cast<std::int64_t>(capacity);
  capacity = mine;
  FSize = FPosition = static_cast<std::int64_t>(size);
  return true;
}

void TfrRecordStream::Reserve(std::int64_t size) {
  if (size <= FCapacity) return;
  const std::int64_t capacity = std::max<std::int64_t>({size, FCapacity * 2, 256});
  auto data = std::make_unique<char[]>(static_cast<std::size_t>(capacity));
  if (FSize > 0) std::memcpy(data.get(), FData.get(), static_cast<std::size_t>(FSize));
  FData = std::move(data);
  FCapacity = capacity;
}
