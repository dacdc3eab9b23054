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
// raises EReadError "Stream read error" and never allocates more than the
// stream holds. Writers never wrap a length: a line longer than 65535 bytes
// raises EWriteError, and a memo of more than 65535 lines stores the count
// 65535 (the count is only "any lines", so nothing is lost).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TStream;
class TStrings;

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

// Raises EReadError "Stream read error" unless `count` more bytes are left.
void CheckRemaining(TStream& stream, std::int64_t count);
