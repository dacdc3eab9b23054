#include "grid/export_text.h"

#include "platform/base/codepage.h"
#include "platform/data/fields.h"

// ---- text export

void TDBGridEhExportAsText::WritePrefix() { FFirstLine = true; }

void TDBGridEhExportAsText::WriteLineEnd() {
  if (FFirstLine)
    FFirstLine = false;
  else
    WriteBytes("\r\n");
}

void TDBGridEhExportAsText::WriteCellSeparator() {
  if (FFirstCell)
    FFirstCell = false;
  else
    WriteBytes("\t");
}

void TDBGridEhExportAsText::WriteTitle(const TExportColumnsEh& columns) {
  WriteLineEnd();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    WriteText(columns[i]->Title()->Caption());
    if (i + 1 < columns.size()) WriteBytes("\t");
  }
}

void TDBGridEhExportAsText::WriteRecord(const TExportColumnsEh& columns) {
  WriteLineEnd();
  FFirstCell = true;
  TDBGridEhExport::WriteRecord(columns);
}

void TDBGridEhExportAsText::WriteDataCell(TColumnEh*, TFont*, TColor, TColCellParamsEh& params) {
  WriteCellSeparator();
  WriteCellText(params.Text);
}

void TDBGridEhExportAsText::WriteFooter(const TExportColumnsEh& columns, int footerRow) {
  WriteLineEnd();
  FFirstCell = true;
  TDBGridEhExport::WriteFooter(columns, footerRow);
}

void TDBGridEhExportAsText::WriteFooterCell(int, int, TColumnEh*, TFont*, TColor, TAlignment,
                                            const std::string& text) {
  WriteCellSeparator();
  WriteCellText(text);
}

// ---- CSV export

std::string QuoteCsvText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

void TDBGridEhExportAsCSV::WriteTitle(const TExportColumnsEh& columns) {
  WriteLineEnd();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    WriteCellText(columns[i]->Title()->Caption());
    if (i + 1 < columns.size()) WriteBytes(std::string_view(&kSeparator, 1));
  }
}

void TDBGridEhExportAsCSV::WriteCellSeparator() {
  if (FFirstCell)
    FFirstCell = false;
  else
    WriteBytes(std::string_view(&kSeparator, 1));
}

void TDBGridEhExportAsCSV::WriteCellText(const std::string& text) {
  if (text.find('"') != std::string::npos) {
    WriteText(QuoteCsvText(text));
    return;
  }
  WriteBytes("\"");
  WriteText(text);
  WriteBytes("\"");
}

// ---- text import

void TDBGridEhImportAsText::ReadPrefix() {
  FData.clear();
  FPos = 0;
  const std::int64_t size = Stream()->Size() - Stream()->Position();
  if (size > 0) {
    FData.resize(static_cast<std::size_t>(size));
    Stream()->ReadBuffer(FData.data(), size);
  }
  // A zero byte ends the text, as it ends text from older clipboards.
  const std::size_t zero = FData.find('\0');
  if (zero != std::string::npos) FData.resize(zero);
  SetEof(FData.empty());
}

TDBGridEhImportAsText::TTerminator TDBGridEhImportAsText::ReadValue() {
  const std::size_t start = FPos;
  TTerminator terminator = ttEnd;
  std::size_t end = FData.size();
  while (FPos < FData.size()) {
    const char c = FData[FPos];
    if (c == '\t') {
      end = FPos++;
      terminator = ttSeparator;
      break;
    }
    if (c == '\n') {
      end = FPos++;
      terminator = ttLineEnd;
      break;
    }
    if (c == '\r') {
      if (FPos + 1 >= FData.size() || FData[FPos + 1] != '\n')
        throw Exception(std::string(kFormatErrorText));
      end = FPos;
      FPos += 2;
      terminator = ttLineEnd;
      break;
    }
    ++FPos;
  }
  if (terminator == ttEnd) FPos = FData.size();
  const std::string_view raw = std::string_view(FData).substr(start, end - start);
  FValue = TextCoding() == TExportTextCodingEh::Ansi ? Win1251ToUtf8(raw) : std::string(raw);
  return terminator;
}

void TDBGridEhImportAsText::ReadRecord(const TExportColumnsEh& columns) {
  TTerminator terminator = ttSeparator;
  for (TColumnEh* column : columns) {
    terminator = ReadValue();
    ImportValue(column);
    if (terminator != ttSeparator) break;
  }
  // Values past the last column are dropped.
  while (terminator == ttSeparator) terminator = ReadValue();
  if (FPos >= FData.size()) SetEof(true);
}

void TDBGridEhImportAsText::ImportValue(TColumnEh* column) {
  WriteValue(column, FValue.empty(), [&](TField* target) {
    TField* field = column->Field();
    if (field->Lookup()) {
      TDataSet* lookup = field->LookupDataSet();
      if (lookup == nullptr) return;
      if (lookup->Locate(field->LookupResultField(), Variant(FValue),
                         TLocateOptions{loCaseInsensitive, loPartialKey})) {
        TField* key = lookup->FindField(field->LookupKeyFields());
        if (key != nullptr) target->SetAsVariant(key->AsVariant());
      }
    } else if (column->HasKeyList()) {
      const int index = column->PickList()->IndexOf(FValue);
      if (index >= 0 && index < column->KeyList()->Count())
        target->SetAsString(column->KeyList()->Strings(index));
      else
        target->Clear();
    } else {
      target->SetAsString(FValue);
    }
  });
}
