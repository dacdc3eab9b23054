// Code page conversions at file boundaries: Windows-1251 and OEM 866 bytes
// to and from the program's UTF-8 text, raw conversions between the two
// pages, and the upper-case tables that sorting on a file's own bytes uses.
//
// The tables are our own. Pure functions; safe from any thread; nothing here
// throws except std::bad_alloc.
//
// Reading never fails: every byte of either page is a character. Windows-
// 1251's unassigned byte 0x98 reads as U+0098 (and writes back as 0x98), so
// all 256 bytes of both pages survive byte -> UTF-8 -> byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class TCodePage { Win1251, Oem866 };

// The bytes of `page` as UTF-8.
std::string ToUtf8(std::string_view bytes, TCodePage page);
// The same into `out`, without allocating: writes at most `room` bytes,
// stopping before a character that does not fit whole, and returns the
// count written. Each byte takes at most 3, so 3 * bytes.size() is always
// room enough; one byte more spares the checks.
std::size_t ToUtf8(std::string_view bytes, TCodePage page, char* out, std::size_t room);

// Whether every byte of `text` is ASCII (the same in every code page here).
bool IsAscii(std::string_view text);

// UTF-8 text as bytes of `page`. A character the page lacks gets a plain
// look-alike: typographic quotes (“ ” „ « » ‘ ’ ‚ ‹ ›) become " or ',
// dashes (‒ – — ―) become -, the ellipsis … becomes "...", a no-break space
// becomes a space; anything else, and every invalid byte, becomes "?".
// The result is never longer (in bytes) than `text`.
std::string FromUtf8(std::string_view text, TCodePage page);
// The same appended to `out`, which may then have grown by up to
// text.size() bytes of capacity.
void AppendFromUtf8(std::string& out, std::string_view text, TCodePage page);
// The same into `out`, which has room for text.size() bytes and may be
// text.data() itself (each character's bytes are read before its
// replacement, never longer, is written). Returns the count written.
std::size_t FromUtf8(std::string_view text, TCodePage page, char* out);

inline std::string Win1251ToUtf8(std::string_view bytes) {
  return ToUtf8(bytes, TCodePage::Win1251);
}
inline std::string Utf8ToWin1251(std::string_view text) {
  return FromUtf8(text, TCodePage::Win1251);
}
inline std::string Oem866ToUtf8(std::string_view bytes) { return ToUtf8(bytes, TCodePage::Oem866); }
inline std::string Utf8ToOem866(std::string_view text) { return FromUtf8(text, TCodePage::Oem866); }

// Byte-for-byte conversions between the pages, as CharToOem/OemToChar did:
// each byte becomes the byte of the same character in the other page, or
// '?' when that page lacks it (866's box drawing, 1251's typographic
// punctuation). The result has the same length as the input.
std::string AnsiToOem(std::string_view bytes1251);
std::string OemToAnsi(std::string_view bytes866);

// Upper case of one OEM 866 byte: а..п (0xA0..0xAF) -> 0x80..0x8F,
// р..я (0xE0..0xEF) -> 0x90..0x9F, ё (0xF1) -> Ё (0xF0). Every other byte,
// Latin letters included, is unchanged, as the tables that sort OEM tables
// expect.
unsigned char OemUpper(unsigned char b);
// Upper case of one Windows-1251 byte: a..z, а..я, ё, and the other letter
// pairs of the page (ђ ѓ љ њ ќ ћ џ ў ј ґ є ї і ѕ).
unsigned char AnsiUpperByte(unsigned char b);
// In place, byte by byte.
void OemUpperCase(std::string& bytes);
void AnsiUpperCaseBytes(std::string& bytes);
