// The edit-mask engine: the classic mask language of masked edit boxes and
// of FormatMaskText, without any window.
//
// A mask string has up to three fields separated by ';':
//   mask[;save-literals[;blank]]
// The separators count only among the last four characters (the two
// trailing fields are one character each), so a ';' earlier in the mask is a
// literal. "0" as the second field means the literals are not part of the
// text value; any other character, or no field, means they are. The blank
// character (default '_') stands for an empty editable position.
//
// Mask characters: '!' optional positions are at the start (values are
// right-aligned, leading blanks are trimmed from the value); '>' upper case
// from here, '<' lower case from here, "<>" no conversion; '\' the next
// character is a literal; 'L'/'l' letter required/optional, 'A'/'a' letter
// or digit, 'C'/'c' any character, '0'/'9' digit, '#' optional digit, sign or
// blank; ':' and '/' the time and date separators of FormatSettings; '_' a
// literal shown as a space; anything else is a literal. Letters are the
// Latin, Greek and Cyrillic ones.
//
// Text is UTF-8 at the API. The "edit text" is what the control shows: one
// character per mask position, literals in place, the blank character in
// empty positions. Edit positions are 0-based character indices into it.
// Pure functions; safe from any thread that does not change FormatSettings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char32_t kMaskDefaultBlank = U'_';
inline constexpr char32_t kMaskFieldSeparator = U';';
inline constexpr char32_t kMaskNoSave = U'0';

// --- Classic free functions ------------------------------------------------

// False only when the save-literals field is present and is '0'.
bool MaskGetMaskSave(std::string_view editMask);
// The blank field, or '_' when absent. The blank field counts only when the
// save-literals field is present too ("99;_" has the default blank).
char32_t MaskGetMaskBlank(std::string_view editMask);
// 1-based character index of the first field separator, or -1 when the mask
// has none (the classic meaning; the mask proper is the text before it).
int MaskGetFldSeparator(std::string_view editMask);
// '/' gives FormatSettings.DateSeparator, ':' FormatSettings.TimeSeparator;
// any other character is returned unchanged.
char32_t MaskIntlLiteralToChar(char32_t c);
// The number of edit-text characters produced by the first `maskOffset`
// characters of the mask: directives ('!', '>', '<', the '\' escape) and the
// trailing fields take no room. So for a 0-based mask character index it is
// the edit position of that character; for the classic 1-based index it is
// the position just after it. Offsets beyond the mask count the whole mask.
int MaskOffsetToOffset(std::string_view editMask, int maskOffset);

// Places `value` (which has no literals) into the editable positions in
// order, inserting the literals and filling missing positions with `blank`.
// With '!' the value is aligned to the end and the blanks go first. As
// classic, characters beyond the mask's editable positions are kept (after
// the mask, or before it with '!').
std::string MaskDoFormatText(std::string_view editMask, std::string_view value, char32_t blank);
// The text as the masked edit would show it, with spaces for empty
// positions: for a mask that saves literals the value is matched against the
// literals (see TEditMask::EditTextFromText), otherwise MaskDoFormatText.
// Characters of the value beyond the mask are kept, as MaskDoFormatText does.
// An empty mask returns the value.
std::string FormatMaskText(std::string_view editMask, std::string_view value);

// --- Parsed mask -----------------------------------------------------------

enum class TMaskCharClass {
  Literal,
  Letter,         // L l
  LetterOrDigit,  // A a
  AnyChar,        // C c
  Digit,          // 0 9
  DigitOrSign,    // # (digit, '+', '-', space)
};

enum class TMaskCase { None, Upper, Lower };

// One position of the edit text.
struct TMaskPosition {
  TMaskCharClass CharClass = TMaskCharClass::Literal;
  bool Required = false;             // editable and must be filled
  TMaskCase Case = TMaskCase::None;  // applied to typed characters
  char32_t LiteralChar = 0;          // what a literal shows
};

// The result of typing one character.
struct TMaskInput {
  std::string EditText;
  int Caret = 0;  // the edit position the caret moves to
};

// A mask parsed once. The date and time separators are those of
// FormatSettings when the object is made. Every method that takes an edit
// text treats missing positions as blank and ignores characters beyond
// Length(); every edit text it returns has exactly Length() characters.
class TEditMask {
 public:
  explicit TEditMask(std::string_view editMask);

  const std::string& EditMask() const { return FEditMask; }
  // False for an empty mask, which leaves text alone.
  bool IsMasked() const { return !FPositions.empty(); }
  // Characters in the edit text.
  int Length() const { return static_cast<int>(FPositions.size()); }
  bool SaveLiterals() const { return FSaveLiterals; }
  char32_t Blank() const { return FBlank; }
  // The mask has '!'.
  bool Reverse() const { return FReverse; }

  // REQUIRES: 0 <= pos < Length().
  const TMaskPosition& Position(int pos) const { return FPositions[pos]; }
  // False outside 0..Length()-1.
  bool IsLiteral(int pos) const;
  bool IsRequired(int pos) const;
  // Whether `c` may be typed at `pos`: never at a literal or outside the
  // mask, never a control character.
  bool CharAllowed(int pos, char32_t c) const;
  // `c` in the case the position asks for.
  char32_t ConvertChar(int pos, char32_t c) const;

  // Literals in place, blanks elsewhere.
  std::string EmptyText() const;
  // The first editable position at or after `pos`; Length() when none (the
  // caret then stands at the end).
  int NextEditable(int pos) const;
  // The last editable position at or before `pos`; when there is none, the
  // first editable position (NextEditable(0)).
  int PriorEditable(int pos) const;

  // The edit text with the editable positions of [start, start+count) made
  // blank; literals stay.
  std::string DeleteRange(std::string_view editText, int start, int count) const;
  // Typing `c` with the caret at `pos`. The character goes to `pos` or, when
  // `pos` is a literal, to the next editable position; the caret moves to
  // the editable position after it. Typing the literal the caret stands on,
  // or a character that is not allowed at `pos` but equals the next literal,
  // moves the caret past that literal and changes nothing. Otherwise (a
  // forbidden character, the caret at the end) returns nullopt.
  std::optional<TMaskInput> InsertChar(std::string_view editText, int pos, char32_t c) const;
  // The first editable position that is wrong: a required position that is
  // blank (a space counts as blank except for 'C'), or any position holding
  // a character its class forbids. -1 when the text is valid. An empty edit
  // text is valid, as classic (it means the value is being cleared).
  int Validate(std::string_view editText) const;

  // The value of an edit text: literals removed, blanks trimmed from the end
  // (from the start with '!'), other blanks made spaces; then, when the mask
  // saves literals, formatted again with MaskDoFormatText and blank ' '.
  std::string TextFromEditText(std::string_view editText) const;
  // The edit text that shows a value. When the mask saves literals the mask
  // and the value are walked together (from the end with '!'): a literal
  // consumes the value's character when it is that literal; an editable
  // position takes the next character, unless that character is not allowed
  // there and is the next literal (then the position stays blank, so
  // "1.01.2006" fills a day of one digit). Without saved literals the value
  // fills the editable positions in order (MaskDoFormatText). Spaces in
  // editable positions become the blank character, letters take the
  // position's case, and characters beyond the mask are dropped.
  std::string EditTextFromText(std::string_view text) const;

 private:
  // The edit text as exactly Length() characters.
  std::u32string Normalize(std::string_view editText) const;
  // The walk of EditTextFromText for masks that save literals.
  std::u32string PadInputLiterals(const std::u32string& value, char32_t blank,
                                  bool keepExcess) const;
  std::u32string FormatPlain(const std::u32string& value, char32_t blank, bool keepExcess) const;
  // The literal character of the first literal after (before, with
  // step -1) `pos`, or 0.
  char32_t AdjacentLiteral(int pos, int step) const;

  friend std::string MaskDoFormatText(std::string_view, std::string_view, char32_t);
  friend std::string FormatMaskText(std::string_view, std::string_view);

  std::string FEditMask;
  std::vector<TMaskPosition> FPositions;
  bool FSaveLiterals = true;
  bool FReverse = false;
  char32_t FBlank = kMaskDefaultBlank;
};
