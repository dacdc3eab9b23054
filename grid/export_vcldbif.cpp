#include "grid/export_vcldbif.h"

#include "platform/base/codepage.h"
#include "platform/data/fields.h"

namespace {

TField* ValueField(TColumnEh* column) {
  TField* field = column->Field();
  if (field == nullptr || !field->Lookup()) return field;
  std::vector<TField*> keys = field->DataSet()->GetFieldList(field->KeyFields());
  return keys.empty() ? nullptr : keys.front();
}

}  // namespace

void TDBGridEhExportAsVCLDBIF::WritePrefix() {
  std::vector<vcldbif::ColumnInfo> columns;
  for (TColumnEh* column : ExpCols()) columns.push_back({column->Visible(), ""});
  std::string out;
  vcldbif::PutPrefix(out, columns);
  WriteBytes(out);
}

void TDBGridEhExportAsVCLDBIF::WriteDataCell(TColumnEh* column, TFont*, TColor, TColCellParamsEh&) {
  FBuffer.clear();
  TField* field = ValueField(column);
  if (field == nullptr) {
    vcldbif::PutTag(FBuffer, vcldbif::kTagNoValue);
  } else if (field->IsNull()) {
    vcldbif::PutTag(FBuffer, vcldbif::kTagNull);
  } else {
    switch (field->DataType()) {
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftAutoInc:
        vcldbif::PutInteger(FBuffer, field->AsInteger());
        break;
      case ftFloat:
      case ftCurrency:
      case ftBCD:
      case ftDate:
      case ftTime:
      case ftDateTime:
      case ftTimeStamp:
      case ftFMTBcd:
        vcldbif::PutFloat(FBuffer, field->AsFloat());
        break;
      case ftString:
      case ftBoolean:
      case ftMemo:
      case ftFixedChar:
      case ftLargeint:
      case ftOraClob:
      case ftGuid:
        vcldbif::PutBytes(FBuffer, vcldbif::kTagString, Utf8ToWin1251(field->AsString()));
        break;
      case ftBytes:
      case ftVarBytes:
      case ftBlob:
      case ftGraphic:
      case ftFmtMemo:
      case ftParadoxOle:
      case ftDBaseOle:
      case ftTypedBinary:
      case ftWideString:
      case ftOraBlob:
        vcldbif::PutBytes(FBuffer, vcldbif::kTagBinary, field->AsString());
        break;
      default:
        vcldbif::PutTag(FBuffer, vcldbif::kTagNoValue);
        break;
    }
  }
  WriteBytes(FBuffer);
}

void TDBGridEhExportAsVCLDBIF::WriteSuffix() { WriteBytes(std::string(1, '\0')); }

void TDBGridEhImportAsVCLDBIF::ReadPrefix() {
  FData.clear();
  const std::int64_t size = Stream()->Size() - Stream()->Position();
  if (size > 0) {
    FData.resize(static_cast<std::size_t>(size));
    Stream()->ReadBuffer(FData.data(), size);
  }
  FReader = std::make_unique<vcldbif::Reader>(FData);
  FColumns = FReader->ReadPrefix();
  ReadNextValue();
}

void TDBGridEhImportAsVCLDBIF::ReadNextValue() {
  if (Eof()) return;
  if (!FReader->ReadValue(FValue)) {
    FValue = vcldbif::Value();
    SetEof(true);
  }
}

void TDBGridEhImportAsVCLDBIF::ReadRecord(const TExportColumnsEh& columns) {
  // The first value was read ahead; the one after the last is left for
  // ReadAhead, once the record is stored.
  for (std::size_t i = 0; i < FColumns.size(); ++i) {
    if (i > 0) ReadNextValue();
    if (Eof()) break;
    if (i < columns.size()) ImportValue(columns[i]);
  }
  // A payload of no columns holds no records.
  if (FColumns.empty()) SetEof(true);
}

void TDBGridEhImportAsVCLDBIF::ImportValue(TColumnEh* column) {
  WriteValue(column, FValue.Kind == vcldbif::kTagNoValue, [&](TField* target) {
    switch (FValue.Kind) {
      case vcldbif::kTagNull:
        target->SetAsVariant(Variant::Null());
        break;
      case vcldbif::kTagInteger:
        target->SetAsVariant(Variant(FValue.Integer));
        break;
      case vcldbif::kTagFloat:
        target->SetAsVariant(Variant(FValue.Float));
        break;
      case vcldbif::kTagString:
        target->SetAsVariant(Variant(Win1251ToUtf8(FValue.Bytes)));
        break;
      case vcldbif::kTagBinary:
        target->SetAsVariant(Variant(FValue.Bytes));
        break;
      default:
        break;
    }
  });
}
