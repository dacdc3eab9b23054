// Feeds arbitrary bytes to the routines that read text from files: code-page
// decoding, number and date parsing, and the format patterns and edit masks
// that report templates carry. Checks the round trips that must hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/edit_mask.h"
#include "platform/base/exceptions.h"
#include "platform/base/number_format.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // Every byte of both pages survives byte -> UTF-8 -> byte.
  if (FromUtf8(ToUtf8(bytes, TCodePage::Win1251), TCodePage::Win1251) != bytes) std::abort();
  if (FromUtf8(ToUtf8(bytes, TCodePage::Oem866), TCodePage::Oem866) != bytes) std::abort();
  if (FromUtf8(bytes, TCodePage::Win1251).size() > bytes.size()) std::abort();

  // The bytes as (possibly invalid) UTF-8 text.
  const int length = Length(bytes);
  if (Copy(bytes, 1, length) != bytes) std::abort();
  if (AnsiUpperCase(bytes).size() != bytes.size()) std::abort();
  Trim(bytes);
  Pos("a", bytes);

  // Values read from files.
  double number = 0;
  if (TryStrToFloat(bytes, number) && !(number == number)) std::abort();
  int integer = 0;
  TryStrToInt(bytes, integer);
  Currency money;
  TryStrToCurr(bytes, money);
  TDateTime date = 0;
  if (TryStrToDateTime(bytes, date)) FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", date);

  // Patterns: the first line is the pattern, the rest the value.
  const std::size_t cut = bytes.find('\n');
  const std::string_view pattern = std::string_view(bytes).substr(0, cut);
  const std::string_view value =
      cut == std::string::npos ? std::string_view() : std::string_view(bytes).substr(cut + 1);
  try {
    FormatFloat(pattern, number);
    FormatFloat(pattern, -1234.5678);
    FormatFloat(pattern, 1e20);
    FormatCurr(pattern, money);
    FormatDateTime(pattern, 38718.5);
  } catch (const EConvertError&) {
  }
  const TEditMask mask(pattern);
  const std::string editText = mask.EditTextFromText(value);
  if (Length(editText) != mask.Length() && mask.IsMasked()) std::abort();
  mask.Validate(editText);
  mask.TextFromEditText(editText);
  mask.DeleteRange(editText, 0, mask.Length());
  if (mask.Length() > 0) mask.InsertChar(editText, mask.NextEditable(0), U'7');
  FormatMaskText(pattern, value);

  TStringList lines, back;
  lines.SetText(value);
  back.SetText(lines.Text());
  if (!back.Equals(lines)) std::abort();
  return 0;
}
