#include "platform/base/stream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/base/file_stream.h"

// --- TStream ---------------------------------------------------------------

void TStream::CheckCount(std::int64_t count) {
  if (count < 0) throw EStreamError(std::string("Invalid stream count"));
}

void TStream::CheckPosition(std::int64_t position) {
  if (position < 0) throw EStreamError(std::string("Invalid stream position"));
}

void TStream::CheckSize(std::int64_t size) {
  if (size < 0) throw EStreamError(std::string("Invalid stream size"));
}

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (Read(buffer, count) != count) throw EReadError(std::string(SReadError));
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (Write(buffer, count) != count) throw EWriteError(std::string(SWriteError));
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  CheckCount(count);
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::int64_t kChunk = 64 * 1024;
  std::vector<char> chunk(static_cast<std::size_t>(std::min(count, kChunk)));
  for (std::int64_t left = count; left > 0;) {
    const std::int64_t n = std::min(left, kChunk);
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return count;
}

// --- TMemoryStream ---------------------------------------------------------

void TMemoryStream::Clear() {
  std::string().swap(FData);
  FPosition = 0;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  CheckCount(count);
  const std::int64_t size = Size();
  if (FPosition >= size) return 0;
  const std::int64_t n = std::min(count, size - FPosition);
  if (n > 0) std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  CheckCount(count);
  if (count == 0) return 0;
  std::int64_t end = 0;
  if (__builtin_add_overflow(FPosition, count, &end) ||
      static_cast<std::uint64_t>(end) > FData.max_size())
    throw EWriteError(std::string(SWriteError));
  if (FPosition == Size()) {
    // Writing at the end appends: no zero-filling of what is written over.
    FData.append(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
  } else {
    if (end > Size()) FData.resize(static_cast<std::size_t>(end));  // zero-fills a gap
    std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
  }
  FPosition = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = FPosition;
  if (origin == TSeekOrigin::soEnd) base = Size();
  std::int64_t position = -1;
  if (__builtin_add_overflow(base, offset, &position)) position = -1;
  CheckPosition(position);
  FPosition = position;
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t size) {
  CheckSize(size);
  if (static_cast<std::uint64_t>(size) > FData.max_size())
    throw EStreamError(std::string("Invalid stream size"));
  FData.resize(static_cast<std::size_t>(size));
  FPosition = std::min(FPosition, size);
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  std::string data(static_cast<std::size_t>(source.Size()), '\0');
  source.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
  FData.swap(data);  // the old contents survive a failed read
  FPosition = std::min(FPosition, Size());
}

void TMemoryStream::SaveToStream(TStream& dest) { dest.WriteBuffer(FData.data(), Size()); }

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// --- little-endian numbers -------------------------------------------------

namespace {

template <class T>
T ReadLittle(TStream& s) {
  unsigned char bytes[sizeof(T)];
  s.ReadBuffer(bytes, sizeof(T));
  std::uint64_t v = 0;
  for (std::size_t i = sizeof(T); i-- > 0;) v = (v << 8) | bytes[i];
  return static_cast<T>(v);
}

template <class T>
void WriteLittle(TStream& s, T value) {
  unsigned char bytes[sizeof(T)];
  auto v = static_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i, v >>= 8) bytes[i] = static_cast<unsigned char>(v);
  s.WriteBuffer(bytes, sizeof(T));
}

}  // namespace

std::uint8_t ReadU8(TStream& s) { return ReadLittle<std::uint8_t>(s); }
std::uint16_t ReadU16(TStream& s) { return ReadLittle<std::uint16_t>(s); }
std::uint32_t ReadU32(TStream& s) { return ReadLittle<std::uint32_t>(s); }
std::uint64_t ReadU64(TStream& s) { return ReadLittle<std::uint64_t>(s); }
std::int16_t ReadI16(TStream& s) { return static_cast<std::int16_t>(ReadU16(s)); }
std::int32_t ReadI32(TStream& s) { return static_cast<std::int32_t>(ReadU32(s)); }
std::int64_t ReadI64(TStream& s) { return static_cast<std::int64_t>(ReadU64(s)); }
double ReadDouble(TStream& s) { return std::bit_cast<double>(ReadU64(s)); }
void WriteU8(TStream& s, std::uint8_t v) { WriteLittle(s, v); }
void WriteU16(TStream& s, std::uint16_t v) { WriteLittle(s, v); }
void WriteU32(TStream& s, std::uint32_t v) { WriteLittle(s, v); }
void WriteU64(TStream& s, std::uint64_t v) { WriteLittle(s, v); }
void WriteI16(TStream& s, std::int16_t v) { WriteU16(s, static_cast<std::uint16_t>(v)); }
void WriteI32(TStream& s, std::int32_t v) { WriteU32(s, static_cast<std::uint32_t>(v)); }
void WriteI64(TStream& s, std::int64_t v) { WriteU64(s, static_cast<std::uint64_t>(v)); }
void WriteDouble(TStream& s, double v) { WriteU64(s, std::bit_cast<std::uint64_t>(v)); }
