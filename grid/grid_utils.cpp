#include "grid/grid_utils.h"

#include <cstdint>

#include "platform/base/exceptions.h"
#include "platform/data/fields.h"
#include "platform/draw/draw_text.h"
#include "platform/gui/message_queue.h"
#include "platform/widgets/grids.h"

void RaiseGridError(const std::string& message) { throw EInvalidGridOperation(message); }

void KillMessage(HWND wnd, unsigned msg) {
  TMsg taken;
  if (PeekMessage(taken, wnd, msg, msg, PM_REMOVE) && taken.message == WM_QUIT)
    PostQuitMessage(static_cast<int>(taken.wParam));
}

bool AllFieldsCanModify(const std::vector<TField*>& fields) {
  for (TField* field : fields)
    if (!field->CanModify()) return false;
  return true;
}

bool GetTextHeightEh(TCanvas& canvas, std::string_view text, int width, int rectHeight,
                     bool wordWrap, unsigned alignFlags, int& textHeight) {
  TRect r{0, 0, width, 0};
  unsigned flags = DT_CALCRECT | DT_NOPREFIX | alignFlags;
  if (wordWrap) flags |= DT_WORDBREAK;
  DrawText(canvas, text, r, flags);
  textHeight = r.Bottom - r.Top;
  return textHeight > rectHeight || r.Right - r.Left > width;
}

int GetTextWidthEh(TCanvas& canvas, std::string_view text) {
  TRect r{0, 0, 0, 0};
  DrawText(canvas, text, r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  return r.Right - r.Left;
}

Variant GetFieldValueAsVariant(TField* field) {
  if (field->IsNull()) return Variant::Null();
  switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return Variant(field->AsInteger());
    case ftLargeint: {
      Variant v = field->AsVariant();
      std::int64_t n = v.AsInt64();
      if (n >= INT32_MIN && n <= INT32_MAX) return Variant(static_cast<std::int32_t>(n));
      return v;
    }
    default:
      return field->AsVariant();
  }
}

Currency SumValueOf(TField* field) {
  // Every kind's AsCurrency is Currency(AsFloat()), the currency kinds'
  // their value: one read of the field gives both the null and the value.
  Currency value;
  if (field == nullptr || !field->GetCurrencyData(value)) return Currency();
  return value;
}

Currency SumValueOf(const Variant& value) {
  if (VarIsNull(value) || VarIsEmpty(value)) return Currency();
  if (value.VType() == varCurrency) return value.AsCurrency();
  return Currency(value.AsDouble());
}

bool TFieldTotalEh::Add(TField* field) {
  if (field == nullptr) return false;
  if (!FIsFloat) {
    Currency value;
    try {
      if (!field->GetCurrencyData(value)) return false;
    } catch (const EIntOverflow&) {
      AddFloat(field->AsFloat());
      return true;
    }
    Add(value);
    return true;
  }
  if (field->IsNull()) return false;
  AddFloat(field->AsFloat());
  return true;
}

void TFieldTotalEh::Add(Currency value) {
  std::int64_t total = 0;
  if (!FIsFloat && !__builtin_add_overflow(FExact.Scaled(), value.Scaled(), &total)) {
    FExact = Currency::FromScaled(total);
    return;
  }
  AddFloat(value.ToDouble());
}

void TFieldTotalEh::AddFloat(double value) {
  if (!FIsFloat) {
    FFloat = FExact.ToDouble();
    FExact = Currency();
    FIsFloat = true;
  }
  FFloat += value;
}

TFieldTotalEh TFieldTotalEh::Average(int count) const {
  TFieldTotalEh average;
  if (count == 0) return average;
  if (FIsFloat) {
    average.AddFloat(FFloat / count);
  } else {
    average.FExact = FExact / Currency(count);
  }
  return average;
}
