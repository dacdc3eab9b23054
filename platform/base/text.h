// Character helpers for UTF-8 text in std::string.
//
// Positions and lengths are in characters (code points), 1-based where the
// classic routine was 1-based. Pure functions; safe from any thread.
//
// Invalid UTF-8 never throws. A byte that does not start a complete,
// well-formed sequence (stray continuation, truncated or overlong sequence,
// surrogate, beyond U+10FFFF) is one character on its own: it decodes as
// U+FFFD, counts as one character in Length/Copy/Pos/Delete/Insert, and is
// kept as the same byte by the routines that cut and join text. Searching
// compares bytes and only matches on character boundaries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/sets.h"

inline constexpr char32_t kReplacementChar = U'\uFFFD';

// --- UTF-8 plumbing -------------------------------------------------------

// Decodes the character at `byteIndex` and advances `byteIndex` past it
// (by one byte for an invalid byte, which decodes as U+FFFD).
// REQUIRES: byteIndex < s.size().
char32_t DecodeUtf8At(std::string_view s, std::size_t& byteIndex);
// Appends `c` encoded as UTF-8; a surrogate or a value beyond U+10FFFF is
// appended as U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
std::u32string Utf8ToUtf32(std::string_view s);
std::string Utf32ToUtf8(std::u32string_view s);
// The byte offset at which the 1-based character `index` starts. An index
// below 1 gives 0; an index past the last character gives s.size().
std::size_t ByteOffsetOfChar(std::string_view s, int index);

// --- Classic string routines (character positions) ------------------------

// Number of characters.
int Length(std::string_view s);
// `count` characters from the 1-based `index`. An index below 1 acts as 1;
// a negative count or an index past the end gives "".
std::string Copy(std::string_view s, int index, int count);
// 1-based character index of the first occurrence of `sub` in `s`; 0 when
// absent or when `sub` is empty.
int Pos(std::string_view sub, std::string_view s);
inline int AnsiPos(std::string_view sub, std::string_view s) { return Pos(sub, s); }
// As Pos, searching from the 1-based character `offset`. 0 when the offset
// is below 1 or past the end of `s`.
int PosEx(std::string_view sub, std::string_view s, int offset = 1);
// Removes `count` characters from the 1-based `index`. Nothing happens when
// the index is below 1 or past the end, or the count is not positive; the
// count is cut at the end of `s`.
void Delete(std::string& s, int index, int count);
// Inserts `sub` before the 1-based character `index`. An index below 1 acts
// as 1; an index past the end appends.
void Insert(std::string_view sub, std::string& s, int index);
// `count` copies of `ch` ("" when count is not positive).
std::string StringOfChar(char32_t ch, int count);
std::string StringOfChar(char ch, int count);

// Remove the characters up to U+0020 (blank and ASCII controls) at both
// ends, at the start, at the end.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// --- Case -----------------------------------------------------------------

// ASCII letters only; everything else is unchanged.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

// Case folding of the letters the program's text uses: ASCII, Latin-1
// (U+00C0..U+00DE <-> U+00E0..U+00FE without × and ÷, and ÿ <-> Ÿ), and
// Cyrillic U+0400..U+045F (А..Я, Ё, Ђ, Ѓ, Є, Ѕ, І, Ї, Ј, Љ, Њ, Ћ, Ќ, Ў, Џ and
// the rest of that block) plus Ґ/ґ. Other characters are unchanged. Folding
// never changes the byte length of the text.
char32_t AnsiUpperCaseChar(char32_t c);
char32_t AnsiLowerCaseChar(char32_t c);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

// --- Comparison (results are <0, 0, >0) ------------------------------------

// Ordinal, by bytes; the same as code point order for valid UTF-8.
int CompareStr(std::string_view a, std::string_view b);
// Folds a-z to A-Z only, then ordinal.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Collation of the "Ansi" comparisons, character by character by a key:
// - characters of Windows-1251 sort by their byte in that page, except that
//   Ё sorts right after Е and ё right after е (Е < Ё < Ж, е < ё < ж);
// - other characters sort after all of those, by code point;
// - invalid bytes sort after everything, by byte value.
// A string that is a prefix of another sorts first.
//
// AnsiCompareText compares the AnsiUpperCase of both. AnsiCompareStr uses
// the same order with case as a tie-break, as a locale compare does: when
// the two are equal ignoring case, the first position where they differ
// decides, and the lower-case letter sorts first. So "a" < "A" < "b", and
// "ab" < "Ab" < "ac".
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

// --- Quoting --------------------------------------------------------------

// 'text' with every inner ' doubled.
std::string QuotedStr(std::string_view s);
// `s` between two `quote` characters, with every inner `quote` doubled.
std::string AnsiQuotedStr(std::string_view s, char quote);
// When `src` starts with `quote`: returns the quoted text with doubled
// quotes made single and advances `src` past the closing quote (to the end
// when the closing quote is missing). Otherwise returns "" and leaves `src`
// alone.
std::string AnsiExtractQuotedStr(std::string_view& src, char quote);
// The text of a quoted `s` (as AnsiExtractQuotedStr). When `s` does not
// start with `quote`, or the closing quote is missing, returns `s` unchanged.
std::string AnsiDequotedStr(std::string_view s, char quote);

// --- Replace --------------------------------------------------------------

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;

// Replaces the first occurrence of `oldPattern` (every one with
// rfReplaceAll); rfIgnoreCase matches with the AnsiUpperCase folding.
// An empty `oldPattern` leaves `s` unchanged.
std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags);

// --- Numbers --------------------------------------------------------------

std::string IntToStr(std::int64_t value);
// Upper-case hexadecimal, zero-padded to at least `digits` digits. A
// negative value is written as its 64-bit two's-complement pattern
// (IntToHex(-1, 1) is "FFFFFFFFFFFFFFFF").
std::string IntToHex(std::int64_t value, int digits);
