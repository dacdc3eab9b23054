// The grid's exporter and importer of VCLDBIF (vcldbif_format.h holds the
// bytes): rows of typed values travelling between grids by the clipboard.
// Values map onto columns by position. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "grid/grid_export.h"
#include "grid/vcldbif_format.h"

class TDBGridEhExportAsVCLDBIF : public TDBGridEhExport {
 protected:
  void WritePrefix() override;
  void WriteDataCell(TColumnEh* column, TFont* font, TColor background,
                     TColCellParamsEh& params) override;
  void WriteSuffix() override;
  // Values are carried, not the texts the grid shows.
  bool ReadsCellText() const override { return false; }
  // Titles and footers are not carried.
  void WriteTitle(const TExportColumnsEh&) override {}
  bool WritesFooters() const override { return false; }
  void WriteFooter(const TExportColumnsEh&, int) override {}

 private:
  std::string FBuffer;  // a record's values, written out per record
};

// A damaged payload raises Exception with vcldbif::kFormatErrorText; every
// stream value is consumed whether it is written or skipped.
class TDBGridEhImportAsVCLDBIF : public TDBGridEhImport {
 protected:
  void ReadPrefix() override;
  void ReadRecord(const TExportColumnsEh& columns) override;
  void ImportValue(TColumnEh* column) override;
  // The next record's first value, or the end of data.
  void ReadAhead() override { ReadNextValue(); }

 private:
  void ReadNextValue();

  std::string FData;
  std::unique_ptr<vcldbif::Reader> FReader;
  std::vector<vcldbif::ColumnInfo> FColumns;
  vcldbif::Value FValue;
};
