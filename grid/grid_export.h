// The grid's export and import framework: exporters write the grid's
// selection (or the whole grid) to a stream in a format of their own,
// importers read such a stream back into the grid's dataset. The format
// classes (text and CSV, RTF, VCLDBIF) override the hooks; this unit
// decides which rows and columns take part for each kind of selection,
// computes the exported footers and writes imported values into fields
// with the error question. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grid/db_grid.h"
#include "grid/grid_utils.h"
#include "platform/base/currency.h"
#include "platform/base/stream.h"

using TExportColumnsEh = std::vector<TColumnEh*>;

// Texts of the grid's questions and errors.
inline constexpr std::string_view kSImportValueError = "Ошибка при вставки значения:";
inline constexpr std::string_view kSIgnoreError = "Игнорировать ошибку?";
inline constexpr std::string_view kSDeleteRecordQuestion = "Delete record?";
inline constexpr std::string_view kSDeleteMultipleRecordsQuestion = "Delete all selected records?";
inline constexpr std::string_view kSClearSelectedCellsEh = "Очистить выделенные ячейки?";

// The selection as the exporters, importers and the delete command walk
// it: its kind and, by kind, the selected records (ascending bookmarks),
// the rectangle (corner bookmarks and its first and last data column, as
// indexes into the grid's Columns) or the selected columns.
struct TGridSelectionEh {
  TDBGridEhSelectionType Kind = gstNon;
  std::vector<std::string> Rows;
  std::string TopBookmark;
  std::string BottomBookmark;
  int LeftCol = -1;
  int RightCol = -1;
  TExportColumnsEh Columns;
};

// The grid's selection; gstAll for the whole grid.
TGridSelectionEh GridSelectionEh(TCustomDBGridEh* grid, bool forWholeGrid);

// How text goes into and comes out of the bytes: files are Windows-1251,
// the clipboard is UTF-8. Field values are UTF-8 either way.
enum class TExportTextCodingEh { Ansi, Utf8 };

class TDBGridEhExport;
class TRecordTextsEh;

// An exporter and the stream it writes to.
struct TExportJobEh {
  TDBGridEhExport* Export = nullptr;
  TStream* Stream = nullptr;
};

// Each job's exporter writes to its stream what its ExportSelection would,
// the records walked once for all of them and the display text of a cell
// worked out once for the exporters that read it unchanged. The exporters
// are set to one grid.
void ExportSelectionTogether(const std::vector<TExportJobEh>& jobs,
                             const TGridSelectionEh& selection);

class TDBGridEhExport {
 public:
  TDBGridEhExport();
  virtual ~TDBGridEhExport();
  TDBGridEhExport(const TDBGridEhExport&) = delete;
  TDBGridEhExport& operator=(const TDBGridEhExport&) = delete;

  TCustomDBGridEh* DBGrid() const { return FDBGrid; }
  void SetDBGrid(TCustomDBGridEh* grid) { FDBGrid = grid; }
  TExportTextCodingEh TextCoding() const { return FTextCoding; }
  void SetTextCoding(TExportTextCodingEh value) { FTextCoding = value; }

  // Writes the grid's selection (everything `forWholeGrid`); an empty
  // selection writes nothing at all. Leaves the dataset on the record it
  // was on, its controls enabled, also when a write raises.
  // REQUIRES: a grid with a dataset.
  virtual void ExportToStream(TStream& stream, bool forWholeGrid);
  // Creates (replaces) the file; raises EFCreateError when it cannot.
  virtual void ExportToFile(const std::string& fileName, bool forWholeGrid);
  // ExportToStream of a given selection.
  virtual void ExportSelection(TStream& stream, const TGridSelectionEh& selection);

 protected:
  // Before anything is written, once an export: a format sets its own
  // state up.
  virtual void StartExport() {}
  // After the suffix has been flushed to the stream.
  virtual void FinishExport(TStream& stream) { (void)stream; }
  virtual void WritePrefix() {}
  virtual void WriteSuffix() {}
  virtual void WriteTitle(const TExportColumnsEh& columns) { (void)columns; }
  // Fills the cell parameters of every column as the grid shows the cell
  // and calls WriteDataCell.
  virtual void WriteRecord(const TExportColumnsEh& columns);
  virtual void WriteDataCell(TColumnEh* column, TFont* font, TColor background,
                             TColCellParamsEh& params);
  // Whether WriteDataCell reads the cell's text; without a handler that
  // may read it, a format that does not is spared working it out.
  virtual bool ReadsCellText() const { return true; }
  // Whether the format writes footer rows; one that does not is spared
  // summing and counting the records for them.
  virtual bool WritesFooters() const { return true; }
  // The footer row's cells: sums and counts of the exported records, other
  // footers as the grid shows them.
  virtual void WriteFooter(const TExportColumnsEh& columns, int footerRow);
  virtual void WriteFooterCell(int dataCol, int row, TColumnEh* column, TFont* font,
                               TColor background, TAlignment alignment, const std::string& text);

  TStream* Stream() const { return FStream; }
  void SetStream(TStream* stream) { FStream = stream; }
  // Writes go through a buffer that reaches the stream when it fills and
  // when the export ends, so cells cost no stream call each.
  void WriteBytes(std::string_view bytes) {
    FOut.append(bytes);
    if (FOut.size() >= kOutFlushSize) FlushOut();
  }
  // `text` (UTF-8) in the export's coding.
  void WriteText(std::string_view text);
  void FlushOut();
  const TExportColumnsEh& ExpCols() const { return FExpCols; }

 private:
  static constexpr std::size_t kOutFlushSize = 65536;
  // What a data cell takes from its column that stays the same from record
  // to record, worked out once an export.
  struct TColumnParams {
    TFont* Font = nullptr;
    TColor Background = clWindow;
    TAlignment Alignment = taLeftJustify;
    bool ReadOnly = false;
  };
  friend void ExportSelectionTogether(const std::vector<TExportJobEh>& jobs,
                                      const TGridSelectionEh& selection);
  // The parts of an export, in order: false when there is nothing to
  // write. The head, the records and the footers go while the dataset's
  // controls are disabled.
  bool BeginExport(TStream& stream, const TGridSelectionEh& selection);
  void WriteHead();
  void ExportRecord();
  void WriteFooters();
  void EndExport();
  void CalcFooterValues();
  std::string FooterText(TColumnFooterEh* footer, TColumnEh* column, const TFieldTotalEh& value);

  TCustomDBGridEh* FDBGrid = nullptr;
  TStream* FStream = nullptr;
  TExportTextCodingEh FTextCoding = TExportTextCodingEh::Ansi;
  TExportColumnsEh FExpCols;
  TColCellParamsEh FColCellParams;
  std::unique_ptr<TFont> FCellFont;
  std::vector<TColumnParams> FColumnParams;  // per exported column
  std::vector<TFieldTotalEh> FFooterValues;  // footer row x column count + column
  // What each footer of FFooterValues adds per record: one (a count), a
  // field's value (a sum) or nothing.
  struct TFooterAccumulator {
    bool Count = false;
    TField* SumField = nullptr;
  };
  std::vector<TFooterAccumulator> FFooterAccumulators;
  int FFooterRowCount = 0;
  std::string FOut;
  // The current record's display texts, when shared with other exporters.
  TRecordTextsEh* FRecordTexts = nullptr;
};

class TDBGridEhImport {
 public:
  TDBGridEhImport() = default;
  virtual ~TDBGridEhImport() = default;
  TDBGridEhImport(const TDBGridEhImport&) = delete;
  TDBGridEhImport& operator=(const TDBGridEhImport&) = delete;

  TCustomDBGridEh* DBGrid() const { return FDBGrid; }
  void SetDBGrid(TCustomDBGridEh* grid) { FDBGrid = grid; }
  TExportTextCodingEh TextCoding() const { return FTextCoding; }
  void SetTextCoding(TExportTextCodingEh value) { FTextCoding = value; }

  // Reads records into the grid's selection (the whole grid from its first
  // record `forWholeGrid`), the rest appended while the grid allows it.
  // A format error raises (values written so far stay); an error answered
  // "No" ends the import with EAbort. The dataset's controls and record
  // are restored on every path.
  virtual void ImportFromStream(TStream& stream, bool forWholeGrid);
  // Raises EFOpenError when the file cannot be opened.
  virtual void ImportFromFile(const std::string& fileName, bool forWholeGrid);
  virtual void ImportSelection(TStream& stream, const TGridSelectionEh& selection,
                               bool forWholeGrid);

 protected:
  virtual void ReadPrefix() {}
  virtual void ReadSuffix() {}
  // ImportValue for every column in order.
  virtual void ReadRecord(const TExportColumnsEh& columns);
  // After a record has been stored: a format that learns whether another
  // record follows only by reading into it does that here, so that damage
  // there cannot take back the record just stored.
  virtual void ReadAhead() {}
  // Writes the current value into the column's field (null: a column past
  // the grid's). REQUIRES: the format has read the value.
  virtual void ImportValue(TColumnEh* column) { (void)column; }

  // The checks, the target field and the error question every format
  // shares: `write` stores the value into the target field. Returns
  // whether the value was written.
  template <class Write>
  void WriteValue(TColumnEh* column, bool empty, Write write);
  TStream* Stream() const { return FStream; }
  bool Eof() const { return FEof; }
  void SetEof(bool value) { FEof = value; }

 private:
  void WriteValueImpl(TColumnEh* column, bool empty, const std::function<void(TField*)>& write);
  void AddRest(bool append);

  TCustomDBGridEh* FDBGrid = nullptr;
  TStream* FStream = nullptr;
  TExportTextCodingEh FTextCoding = TExportTextCodingEh::Ansi;
  bool FEof = false;
  bool FIgnoreAll = false;
};

template <class Write>
void TDBGridEhImport::WriteValue(TColumnEh* column, bool empty, Write write) {
  WriteValueImpl(column, empty, std::function<void(TField*)>(write));
}

// Create, set the grid, run, free.
template <class Export>
void WriteDBGridEhToExportStream(TStream& stream, TCustomDBGridEh* grid, bool forWholeGrid,
                                 TExportTextCodingEh coding = TExportTextCodingEh::Ansi) {
  Export exporter;
  exporter.SetDBGrid(grid);
  exporter.SetTextCoding(coding);
  exporter.ExportToStream(stream, forWholeGrid);
}

template <class Import>
void ReadDBGridEhFromImportStream(TStream& stream, TCustomDBGridEh* grid, bool forWholeGrid,
                                  TExportTextCodingEh coding = TExportTextCodingEh::Ansi) {
  Import importer;
  importer.SetDBGrid(grid);
  importer.SetTextCoding(coding);
  importer.ImportFromStream(stream, forWholeGrid);
}

// Clears the grid's selected cells or deletes its selected records, after
// the question the grid's dgConfirmDelete asks. Rows go from the last to
// the first, so that a deleted record does not shift the ones still to go.
void DBGridEh_DoDeleteAction(TCustomDBGridEh* grid, bool forWholeGrid);
void DeleteGridSelection(TCustomDBGridEh* grid, const TGridSelectionEh& selection);
