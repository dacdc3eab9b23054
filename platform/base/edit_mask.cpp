#include "platform/base/edit_mask.h"

#include <algorithm>

#include "platform/base/format_settings.h"
#include "platform/base/text.h"

namespace {

enum class TMaskCharType {
  Literal,
  IntlLiteral,  // ':' and '/'
  Directive,    // '!', '>', '<' and the escaping '\'
  Mask,         // a required position
  MaskOpt,      // an optional position
  FieldSeparator,
  Field,  // the save-literals or blank field
};

// The type of every character of the mask. The escape is resolved left to
// right, so "\\" is a literal backslash and the character after it is not
// escaped.
std::vector<TMaskCharType> ClassifyMask(const std::u32string& m) {
  const int n = static_cast<int>(m.size());
  std::vector<TMaskCharType> types(n, TMaskCharType::Literal);
  bool escaped = false;
  for (int i = 0; i < n; ++i) {
    const char32_t c = m[i];
    TMaskCharType& t = types[i];
    if (escaped) {
      t = TMaskCharType::Literal;
      escaped = false;
    } else if (c == kMaskFieldSeparator && n >= 4 && i >= n - 4) {
      // Only the last four characters can hold ";x;y".
      t = TMaskCharType::FieldSeparator;
    } else if (n >= 4 && i >= n - 4 && i > 0 && types[i - 1] == TMaskCharType::FieldSeparator) {
      t = TMaskCharType::Field;
    } else if (c == U':' || c == U'/') {
      t = TMaskCharType::IntlLiteral;
    } else if (c == U'!' || c == U'>' || c == U'<' || c == U'\\') {
      t = TMaskCharType::Directive;
      escaped = c == U'\\';
    } else if (c == U'l' || c == U'a' || c == U'c' || c == U'9' || c == U'#') {
      t = TMaskCharType::MaskOpt;
    } else if (c == U'L' || c == U'A' || c == U'C' || c == U'0') {
      t = TMaskCharType::Mask;
    }
  }
  return types;
}

// 0-based index of the first field separator, or the mask's length.
int MaskProperEnd(const std::vector<TMaskCharType>& types) {
  const auto it = std::find(types.begin(), types.end(), TMaskCharType::FieldSeparator);
  return static_cast<int>(it - types.begin());
}

bool TakesRoom(TMaskCharType t) {
  return t == TMaskCharType::Literal || t == TMaskCharType::IntlLiteral ||
         t == TMaskCharType::Mask || t == TMaskCharType::MaskOpt;
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// The letters of the Latin, Greek and Cyrillic blocks, which is what the
// program's text can hold.
bool IsLetter(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return true;
  if (c < 0xAA) return false;
  if (c == 0xAA || c == 0xB5 || c == 0xBA) return true;
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  if (c >= 0x386 && c <= 0x3FF) return c != 0x387 && c != 0x3F6;
  if (c >= 0x400 && c <= 0x52F) return c < 0x482 || c > 0x489;
  return false;
}

}  // namespace

// --- Classic free functions ---------------------------------------------------

int MaskGetFldSeparator(std::string_view editMask) {
  const auto types = ClassifyMask(Utf8ToUtf32(editMask));
  const int end = MaskProperEnd(types);
  return end < static_cast<int>(types.size()) ? end + 1 : -1;
}

bool MaskGetMaskSave(std::string_view editMask) {
  const std::u32string m = Utf8ToUtf32(editMask);
  const int sep = MaskProperEnd(ClassifyMask(m));
  return sep + 1 >= static_cast<int>(m.size()) || m[sep + 1] != kMaskNoSave;
}

char32_t MaskGetMaskBlank(std::string_view editMask) {
  const std::u32string m = Utf8ToUtf32(editMask);
  const int n = static_cast<int>(m.size());
  if (n < 4) return kMaskDefaultBlank;
  const auto types = ClassifyMask(m);
  const auto isSep = [&](int i) { return types[i] == TMaskCharType::FieldSeparator; };
  if (isSep(n - 2) && (isSep(n - 3) || isSep(n - 4))) return m[n - 1];
  return kMaskDefaultBlank;
}

char32_t MaskIntlLiteralToChar(char32_t c) {
  if (c == U'/') return static_cast<unsigned char>(FormatSettings.DateSeparator);
  if (c == U':') return static_cast<unsigned char>(FormatSettings.TimeSeparator);
  return c;
}

int MaskOffsetToOffset(std::string_view editMask, int maskOffset) {
  const auto types = ClassifyMask(Utf8ToUtf32(editMask));
  const int end = std::min(maskOffset, MaskProperEnd(types));
  int result = 0;
  for (int i = 0; i < end; ++i) {
    if (TakesRoom(types[i])) ++result;
  }
  return result;
}

std::string MaskDoFormatText(std::string_view editMask, std::string_view value, char32_t blank) {
  const TEditMask mask(editMask);
  if (!mask.IsMasked()) return std::string(value);
  return Utf32ToUtf8(mask.FormatPlain(Utf8ToUtf32(value), blank, true));
}

std::string FormatMaskText(std::string_view editMask, std::string_view value) {
  const TEditMask mask(editMask);
  if (!mask.IsMasked()) return std::string(value);
  const std::u32string v = Utf8ToUtf32(value);
  return Utf32ToUtf8(mask.SaveLiterals() ? mask.PadInputLiterals(v, U' ', true)
                                         : mask.FormatPlain(v, U' ', true));
}

// --- TEditMask ----------------------------------------------------------------

TEditMask::TEditMask(std::string_view editMask)
    : FEditMask(editMask),
      FSaveLiterals(MaskGetMaskSave(editMask)),
      FBlank(MaskGetMaskBlank(editMask)) {
  const std::u32string m = Utf8ToUtf32(editMask);
  const auto types = ClassifyMask(m);
  const int end = MaskProperEnd(types);
  TMaskCase maskCase = TMaskCase::None;
  for (int i = 0; i < end; ++i) {
    const char32_t c = m[i];
    TMaskPosition pos;
    switch (types[i]) {
      case TMaskCharType::Directive:
        if (c == U'!') {
          FReverse = true;
        } else if (c == U'<') {
          maskCase = TMaskCase::Lower;
        } else if (c == U'>') {
          // "<>" ends the case rule.
          const bool afterLower =
              i > 0 && m[i - 1] == U'<' && types[i - 1] == TMaskCharType::Directive;
          maskCase = afterLower ? TMaskCase::None : TMaskCase::Upper;
        }
        continue;
      case TMaskCharType::FieldSeparator:
      case TMaskCharType::Field:
        continue;
      case TMaskCharType::IntlLiteral:
        pos.LiteralChar = MaskIntlLiteralToChar(c);
        break;
      case TMaskCharType::Literal:
        // An unescaped '_' shows as a space; an escaped one is itself.
        pos.LiteralChar =
            (c == U'_' && !(i > 0 && types[i - 1] == TMaskCharType::Directive && m[i - 1] == U'\\'))
                ? U' '
                : c;
        break;
      case TMaskCharType::Mask:
      case TMaskCharType::MaskOpt:
        pos.Required = types[i] == TMaskCharType::Mask;
        pos.Case = maskCase;
        switch (c) {
          case U'L':
          case U'l':
            pos.CharClass = TMaskCharClass::Letter;
            break;
          case U'A':
          case U'a':
            pos.CharClass = TMaskCharClass::LetterOrDigit;
            break;
          case U'C':
          case U'c':
            pos.CharClass = TMaskCharClass::AnyChar;
            break;
          case U'0':
          case U'9':
            pos.CharClass = TMaskCharClass::Digit;
            break;
          default:
            pos.CharClass = TMaskCharClass::DigitOrSign;
            break;
        }
        break;
    }
    FPositions.push_back(pos);
  }
}

bool TEditMask::IsLiteral(int pos) const {
  return pos >= 0 && pos < Length() && FPositions[pos].CharClass == TMaskCharClass::Literal;
}

bool TEditMask::IsRequired(int pos) const {
  return pos >= 0 && pos < Length() && FPositions[pos].Required;
}

bool TEditMask::CharAllowed(int pos, char32_t c) const {
  if (pos < 0 || pos >= Length() || c < 0x20 || c == 0x7F) return false;
  switch (FPositions[pos].CharClass) {
    case TMaskCharClass::Literal:
      return false;
    case TMaskCharClass::Letter:
      return IsLetter(c);
    case TMaskCharClass::LetterOrDigit:
      return IsLetter(c) || IsDigit(c);
    case TMaskCharClass::AnyChar:
      return true;
    case TMaskCharClass::Digit:
      return IsDigit(c);
    case TMaskCharClass::DigitOrSign:
      return IsDigit(c) || c == U'+' || c == U'-' || c == U' ';
  }
  return false;
}

char32_t TEditMask::ConvertChar(int pos, char32_t c) const {
  if (pos < 0 || pos >= Length()) return c;
  switch (FPositions[pos].Case) {
    case TMaskCase::Upper:
      return AnsiUpperCaseChar(c);
    case TMaskCase::Lower:
      return AnsiLowerCaseChar(c);
    case TMaskCase::None:
      break;
  }
  return c;
}

std::string TEditMask::EmptyText() const { return Utf32ToUtf8(Normalize({})); }

int TEditMask::NextEditable(int pos) const {
  int p = std::clamp(pos, 0, Length());
  while (p < Length() && IsLiteral(p)) ++p;
  return p;
}

int TEditMask::PriorEditable(int pos) const {
  int p = std::min(pos, Length() - 1);
  while (p >= 0 && IsLiteral(p)) --p;
  return p >= 0 ? p : NextEditable(0);
}

std::u32string TEditMask::Normalize(std::string_view editText) const {
  std::u32string t = Utf8ToUtf32(editText);
  const int given = static_cast<int>(t.size());
  t.resize(FPositions.size());
  for (int i = given; i < Length(); ++i) {
    t[i] = IsLiteral(i) ? FPositions[i].LiteralChar : FBlank;
  }
  return t;
}

std::string TEditMask::DeleteRange(std::string_view editText, int start, int count) const {
  std::u32string t = Normalize(editText);
  // 64-bit, so that any start and count are safe.
  const long long to = std::min<long long>(Length(), static_cast<long long>(start) + count);
  for (long long i = std::max(start, 0); i < to; ++i) {
    if (!IsLiteral(i)) t[i] = FBlank;
  }
  return Utf32ToUtf8(t);
}

std::optional<TMaskInput> TEditMask::InsertChar(std::string_view editText, int pos,
                                                char32_t c) const {
  pos = std::max(pos, 0);
  if (pos >= Length()) return std::nullopt;
  std::u32string t = Normalize(editText);
  int target = pos;
  if (IsLiteral(pos)) {
    target = NextEditable(pos);
    // Typing the literal the caret stands on just steps over it.
    for (int k = pos; k < target; ++k) {
      if (FPositions[k].LiteralChar == c) return TMaskInput{Utf32ToUtf8(t), target};
    }
    if (!CharAllowed(target, c)) return std::nullopt;
  } else if (!CharAllowed(pos, c)) {
    // A separator typed early ("1." in a date) jumps to the next section.
    int k = pos + 1;
    while (k < Length() && !IsLiteral(k)) ++k;
    if (k < Length() && FPositions[k].LiteralChar == c) {
      return TMaskInput{Utf32ToUtf8(t), NextEditable(k + 1)};
    }
    return std::nullopt;
  }
  t[target] = ConvertChar(target, c);
  return TMaskInput{Utf32ToUtf8(t), NextEditable(target + 1)};
}

int TEditMask::Validate(std::string_view editText) const {
  if (editText.empty()) return -1;
  const std::u32string t = Normalize(editText);
  for (int i = 0; i < Length(); ++i) {
    const TMaskPosition& p = FPositions[i];
    if (p.CharClass == TMaskCharClass::Literal) continue;
    const char32_t c = t[i];
    if (c == FBlank || c == U' ') {
      if (p.Required && (c == FBlank || p.CharClass != TMaskCharClass::AnyChar)) return i;
    } else if (!CharAllowed(i, c)) {
      return i;
    }
  }
  return -1;
}

std::string TEditMask::TextFromEditText(std::string_view editText) const {
  if (!IsMasked()) return std::string(editText);
  const std::u32string t = Normalize(editText);
  std::u32string v;
  for (int i = 0; i < Length(); ++i) {
    if (!IsLiteral(i)) v.push_back(t[i]);
  }
  if (FReverse) {
    v.erase(0, std::min(v.find_first_not_of(FBlank), v.size()));
  } else {
    const auto last = v.find_last_not_of(FBlank);
    v.erase(last == std::u32string::npos ? 0 : last + 1);
  }
  std::replace(v.begin(), v.end(), FBlank, U' ');
  if (FSaveLiterals) v = FormatPlain(v, U' ', true);
  return Utf32ToUtf8(v);
}

std::string TEditMask::EditTextFromText(std::string_view text) const {
  if (!IsMasked()) return std::string(text);
  const std::u32string v = Utf8ToUtf32(text);
  std::u32string r =
      FSaveLiterals ? PadInputLiterals(v, FBlank, false) : FormatPlain(v, FBlank, false);
  for (int i = 0; i < Length(); ++i) {
    if (IsLiteral(i)) continue;
    r[i] = r[i] == U' ' ? FBlank : ConvertChar(i, r[i]);
  }
  return Utf32ToUtf8(r);
}

char32_t TEditMask::AdjacentLiteral(int pos, int step) const {
  for (int k = pos + step; k >= 0 && k < Length(); k += step) {
    if (IsLiteral(k)) return FPositions[k].LiteralChar;
  }
  return 0;
}

// Both walks below run from the end with '!' so that a short value lines up
// with the end of the mask; they build the result back to front and reverse it.

std::u32string TEditMask::FormatPlain(const std::u32string& value, char32_t blank,
                                      bool keepExcess) const {
  const int n = static_cast<int>(value.size());
  const int step = FReverse ? -1 : 1;
  int j = FReverse ? n - 1 : 0;
  std::u32string r;
  r.reserve(FPositions.size() + value.size());
  for (int k = 0; k < Length(); ++k) {
    const int i = FReverse ? Length() - 1 - k : k;
    if (IsLiteral(i)) {
      r.push_back(FPositions[i].LiteralChar);
    } else if (j >= 0 && j < n) {
      r.push_back(value[j]);
      j += step;
    } else {
      r.push_back(blank);
    }
  }
  if (keepExcess) {
    for (; j >= 0 && j < n; j += step) r.push_back(value[j]);
  }
  if (FReverse) std::reverse(r.begin(), r.end());
  return r;
}

std::u32string TEditMask::PadInputLiterals(const std::u32string& value, char32_t blank,
                                           bool keepExcess) const {
  const int n = static_cast<int>(value.size());
  const int step = FReverse ? -1 : 1;
  int j = FReverse ? n - 1 : 0;
  std::u32string r;
  r.reserve(FPositions.size() + value.size());
  for (int k = 0; k < Length(); ++k) {
    const int i = FReverse ? Length() - 1 - k : k;
    const bool more = j >= 0 && j < n;
    if (IsLiteral(i)) {
      const char32_t lit = FPositions[i].LiteralChar;
      if (more && value[j] == lit) j += step;
      r.push_back(lit);
    } else if (!more || (!CharAllowed(i, value[j]) && value[j] == AdjacentLiteral(i, step))) {
      // The value's section is shorter than the mask's: leave this one blank.
      r.push_back(blank);
    } else {
      r.push_back(value[j]);
      j += step;
    }
  }
  if (keepExcess) {
    for (; j >= 0 && j < n; j += step) r.push_back(value[j]);
  }
  if (FReverse) std::reverse(r.begin(), r.end());
  return r;
}
