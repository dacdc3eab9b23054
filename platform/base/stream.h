// Streams: the classic abstract byte stream and its in-memory kinds.
//
// TStream is a position plus Read/Write/Seek; ReadBuffer/WriteBuffer turn a
// short transfer into an exception. TMemoryStream keeps its bytes in one
// growable block; TStringStream is a memory stream seen as a std::string.
// The little-endian helpers at the end are the one place where binary
// formats (tables, templates, prepared pages) read and write numbers.
//
// Positions and counts are bytes. A negative count, position or size is a
// programming error and raises EStreamError instead of corrupting anything.
// Not thread-safe: one stream belongs to one thread (the GUI thread).
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/exceptions.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// The texts of a stream that could not move all its bytes.
inline constexpr const char* SReadError = "Ошибка чтения данных";
inline constexpr const char* SWriteError = "Ошибка записи данных";

class TStream {
 public:
  virtual ~TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to `count` bytes into `buffer` and returns how many were read:
  // fewer than asked only at the end of the stream. Advances the position.
  // Throws EStreamError when count < 0, and the stream's own error when the
  // device fails.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes `count` bytes and returns how many were written. Advances the
  // position. Throws EStreamError when count < 0.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position and returns the new one. A position past the end is
  // allowed (a later write fills the gap with zeros); a resulting negative
  // position throws EStreamError and leaves the position unchanged.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  // Makes the stream `size` bytes long; a position past the new end moves
  // to the end. Throws EStreamError when size < 0.
  virtual void SetSize(std::int64_t size) = 0;
  virtual std::int64_t Size();

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

  // Read/Write that transfer exactly `count` bytes or throw EReadError
  // SReadError / EWriteError SWriteError. After a short
  // transfer the position is past the bytes that did move.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);

  // Copies `count` bytes from `source` (from its current position) to this
  // stream and returns the count. count == 0 copies the whole source from
  // its beginning. Throws EReadError when the source runs out, EWriteError
  // when this stream refuses, EStreamError when count < 0.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);

 protected:
  TStream() = default;
  // The one place that rejects bad arguments: EStreamError "Invalid stream
  // count" / "Invalid stream position" / "Invalid stream size".
  static void CheckCount(std::int64_t count);
  static void CheckPosition(std::int64_t position);
  static void CheckSize(std::int64_t size);
};

// A stream over one block of memory that grows as it is written.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;

  // The bytes of the stream. The pointer stays valid until the next call
  // that grows the stream (Write past the end, SetSize, Load...).
  void* Memory() { return FData.data(); }
  const void* Memory() const { return FData.data(); }
  // Empties the stream and releases its memory; the position becomes 0.
  void Clear();
  // Keeps room for `capacity` bytes, so that writing up to that size
  // moves no bytes; contents and position stay as they are.
  void Reserve(std::int64_t capacity) {
    if (capacity > 0) FData.reserve(static_cast<std::size_t>(capacity));
  }

  // Replaces the contents with the whole of `source` (read from its
  // beginning). Throws EReadError when the source delivers less than its
  // Size().
  void LoadFromStream(TStream& source);
  // Writes the whole contents to `dest` at its position.
  void SaveToStream(TStream& dest);
  // Replaces the contents with the file's bytes (opened for reading, deny
  // write). Throws EFOpenError when the file cannot be opened.
  void LoadFromFile(const std::string& fileName);
  // Creates or truncates the file and writes the contents. Throws
  // EFCreateError when it cannot be created, EWriteError when a write fails.
  void SaveToFile(const std::string& fileName);

  // TStream
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

 protected:
  // Bytes held in a std::string: it grows geometrically and zero-fills, and
  // TStringStream hands it out as text.
  std::string FData;
  std::int64_t FPosition = 0;
};

// A memory stream whose contents are a std::string (UTF-8 or any bytes).
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(std::string data = {}) { FData = std::move(data); }
  const std::string& DataString() const { return FData; }
};

// Little-endian numbers on a stream. Reads throw EReadError at the end of
// the stream, writes EWriteError, as ReadBuffer/WriteBuffer do.
std::uint8_t ReadU8(TStream& s);
std::uint16_t ReadU16(TStream& s);
std::uint32_t ReadU32(TStream& s);
std::uint64_t ReadU64(TStream& s);
std::int16_t ReadI16(TStream& s);
std::int32_t ReadI32(TStream& s);
std::int64_t ReadI64(TStream& s);
double ReadDouble(TStream& s);  // IEEE 754 binary64
void WriteU8(TStream& s, std::uint8_t v);
void WriteU16(TStream& s, std::uint16_t v);
void WriteU32(TStream& s, std::uint32_t v);
void WriteU64(TStream& s, std::uint64_t v);
void WriteI16(TStream& s, std::int16_t v);
void WriteI32(TStream& s, std::int32_t v);
void WriteI64(TStream& s, std::int64_t v);
void WriteDouble(TStream& s, double v);
