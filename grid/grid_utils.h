// Small helpers shared by the data grid's units: raising grid errors,
// dropping a queued message, measuring text, and reading a field's value
// the way sums and footers expect it. GUI thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/currency.h"
#include "platform/base/variant.h"
#include "platform/draw/canvas.h"
#include "platform/gui/messages.h"

class TField;

// Raises EInvalidGridOperation with `message`.
[[noreturn]] void RaiseGridError(const std::string& message);

// Removes one queued message `msg` for `wnd`. A quit request taken on the
// way is posted again with its exit code, so the loops still end.
void KillMessage(HWND wnd, unsigned msg);

inline int Max(int a, int b) { return a > b ? a : b; }
inline int Min(int a, int b) { return a < b ? a : b; }
inline int IfThenInt(bool condition, int a, int b) { return condition ? a : b; }

// True when every field can be modified (also for an empty list).
bool AllFieldsCanModify(const std::vector<TField*>& fields);

// Measures `text` in `width` pixels (DT_CALCRECT | DT_NOPREFIX, word
// breaks with `wordWrap`, plus `alignFlags`). Sets `textHeight` and
// returns true when the text is taller than `rectHeight` or wider than
// `width`, that is, when it does not fit.
bool GetTextHeightEh(TCanvas& canvas, std::string_view text, int width, int rectHeight,
                     bool wordWrap, unsigned alignFlags, int& textHeight);
// The width of `text` on one line, measured the same way.
int GetTextWidthEh(TCanvas& canvas, std::string_view text);

// Inclusive on all four sides.
inline bool PointInRectEh(int x, int y, const TRect& r) {
  return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

// The field's value; integer fields, and large integers that fit 32 bits,
// give a 32-bit integer variant.
Variant GetFieldValueAsVariant(TField* field);

// The one conversion of a field value into a sum's fixed-point Currency
// (x 10000, rounded half to even): shared by the sum list and the
// footers so totals and what they show agree. Null counts 0.
Currency SumValueOf(TField* field);
Currency SumValueOf(const Variant& value);

// A total of field values for the sums and footers: exact in Currency
// while every value and the total fit it. From the first that does not (a
// damaged number such as 1e300, or 15-digit integers) it goes on in
// double, so that no stored value makes a pass fail.
class TFieldTotalEh {
 public:
  // Adds the field's value; false (nothing added) when it is null.
  bool Add(TField* field);
  void Add(Currency value);
  bool IsFloat() const { return FIsFloat; }
  // REQUIRES: !IsFloat().
  Currency Exact() const { return FExact; }
  double Value() const { return FIsFloat ? FFloat : FExact.ToDouble(); }
  // The total divided by `count`, 0 for none: an average.
  TFieldTotalEh Average(int count) const;

 private:
  void AddFloat(double value);

  Currency FExact;
  double FFloat = 0;
  bool FIsFloat = false;
};
