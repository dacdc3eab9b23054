#include "report/fr_page.h"

#include "platform/base/math_utils.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "report/fr_engine.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

TfrView* TfrPage::Add(TObjectPtr<TfrView> view) {
  Objects.push_back(std::move(view));
  return Objects.back().get();
}

TfrView* TfrPage::FindObject(std::string_view name) const {
  for (const auto& v : Objects)
    if (AnsiSameText(v->Name, name)) return v.get();
  return nullptr;
}

TSize TfrPage::ScreenSize() const {
  return TSize{MulDiv(pgWidth, kScreenPixelsPerInch, 254),
               MulDiv(pgHeight, kScreenPixelsPerInch, 254)};
}

void TfrPage::LoadFromStream(TStream& stream) {
  const int version = frEngine().Version;
  const std::int32_t first = ReadI32(stream);
  const bool marker = first == -1;
  pgSize = marker ? ReadI32(stream) : first;
  pgWidth = frCheckedValue(ReadI32(stream));
  pgHeight = frCheckedValue(ReadI32(stream));
  pgMargins.Left = frCheckedValue(ReadI32(stream));
  pgMargins.Top = frCheckedValue(ReadI32(stream));
  pgMargins.Right = frCheckedValue(ReadI32(stream));
  pgMargins.Bottom = frCheckedValue(ReadI32(stream));
  pgOr = ReadU8(stream);
  if (version < 23) {
    CheckRemaining(stream, 6);
    stream.Seek(6, TSeekOrigin::soCurrent);
  }
  pgBin = version > 23 ? ReadI32(stream) : -1;
  PrintToPrevPage = ReadBool2(stream);
  UseMargins = ReadBool2(stream);
  Columns = frCheckedValue(ReadI32(stream), kfrMaxColumns);
  ColumnGap = frCheckedValue(ReadI32(stream));
  if (version >= 24) {
    PageType = ReadU8(stream) == ptDialog ? ptDialog : ptReport;
    Name = ReadString(stream);
    BorderStyle = ReadU8(stream) == 1 ? pbsSizeable : pbsDialog;
    Caption = ReadString(stream);
    Color = ReadI32(stream);
    DialogBounds.Left = frCheckedValue(ReadI32(stream));
    DialogBounds.Top = frCheckedValue(ReadI32(stream));
    DialogBounds.Right = frCheckedValue(ReadI32(stream));
    DialogBounds.Bottom = frCheckedValue(ReadI32(stream));
    ScreenCenter = ReadU8(stream) != 0;
    if (marker) ReadMemo(stream, Script);
  }
}

void TfrPage::SaveToStream(TStream& stream) const {
  WriteI32(stream, -1);
  WriteI32(stream, pgSize);
  WriteI32(stream, pgWidth);
  WriteI32(stream, pgHeight);
  WriteI32(stream, pgMargins.Left);
  WriteI32(stream, pgMargins.Top);
  WriteI32(stream, pgMargins.Right);
  WriteI32(stream, pgMargins.Bottom);
  WriteU8(stream, pgOr);
  WriteI32(stream, pgBin);
  WriteBool2(stream, PrintToPrevPage);
  WriteBool2(stream, UseMargins);
  WriteI32(stream, Columns);
  WriteI32(stream, ColumnGap);
  WriteU8(stream, PageType);
  WriteString(stream, Name);
  WriteU8(stream, BorderStyle);
  WriteString(stream, Caption);
  WriteI32(stream, Color);
  WriteI32(stream, DialogBounds.Left);
  WriteI32(stream, DialogBounds.Top);
  WriteI32(stream, DialogBounds.Right);
  WriteI32(stream, DialogBounds.Bottom);
  WriteU8(stream, ScreenCenter ? 1 : 0);
  WriteMemo(stream, Script);
}
