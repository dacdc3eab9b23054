// Tab-separated text and semicolon-separated, always-quoted CSV: the
// grid's character formats for files and the clipboard. Text goes both
// ways; CSV is written only. Lines end in CR LF with none after the last.
// GUI thread only.
#pragma once

#include <string>

#include "grid/grid_export.h"

class TDBGridEhExportAsText : public TDBGridEhExport {
 protected:
  void WritePrefix() override;
  void WriteTitle(const TExportColumnsEh& columns) override;
  void WriteRecord(const TExportColumnsEh& columns) override;
  void WriteDataCell(TColumnEh* column, TFont* font, TColor background,
                     TColCellParamsEh& params) override;
  void WriteFooter(const TExportColumnsEh& columns, int footerRow) override;
  void WriteFooterCell(int dataCol, int row, TColumnEh* column, TFont* font, TColor background,
                       TAlignment alignment, const std::string& text) override;
  // CR LF, but nothing before the first line.
  virtual void WriteLineEnd();
  // The separator, but nothing before the first cell of a line.
  virtual void WriteCellSeparator();
  virtual void WriteCellText(const std::string& text) { WriteText(text); }

  bool FFirstLine = true;
  bool FFirstCell = true;
};

class TDBGridEhExportAsCSV : public TDBGridEhExportAsText {
 public:
  static constexpr char kSeparator = ';';

 protected:
  void WriteTitle(const TExportColumnsEh& columns) override;
  void WriteCellSeparator() override;
  void WriteCellText(const std::string& text) override;
};

// The text of CSV's quoting: in double quotes, inner ones doubled.
std::string QuoteCsvText(const std::string& text);

// Reads tab-separated values, line by line. CR LF and a lone LF both end
// a line; a lone CR raises Exception "TDBGridEhImportAsText.CheckState:
// Неверный формат текста".
class TDBGridEhImportAsText : public TDBGridEhImport {
 public:
  static constexpr std::string_view kFormatErrorText =
      "TDBGridEhImportAsText.CheckState: Неверный формат текста";

 protected:
  void ReadPrefix() override;
  void ImportValue(TColumnEh* column) override;

 private:
  enum TTerminator { ttSeparator, ttLineEnd, ttEnd };
  void ReadRecord(const TExportColumnsEh& columns) override;
  // Collects the value up to the next separator, line end or end, and
  // consumes what ended it.
  TTerminator ReadValue();

  std::string FData;  // the rest of the stream
  std::size_t FPos = 0;
  std::string FValue;
};
