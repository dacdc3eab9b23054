#include "grid/grid_export.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/data/data_guards.h"
#include "platform/data/fields.h"
#include "platform/widgets/message_dialog.h"

namespace {

TDataSet* GridDataSet(TCustomDBGridEh* grid) {
  return grid != nullptr ? grid->DataLink()->DataSet() : nullptr;
}

TExportColumnsEh RectColumns(TCustomDBGridEh* grid, int left, int right) {
  TExportColumnsEh out;
  TDBGridColumnsEh* columns = grid->Columns();
  for (int i = std::max(left, 0); i <= right && i < columns->Count(); ++i)
    if (columns->Items(i)->Visible()) out.push_back(columns->Items(i));
  return out;
}

// Calls `visit` on every record of the selection, the dataset on it.
template <class Visit>
void ForEachRecord(TDataSet* ds, const TGridSelectionEh& selection, Visit visit) {
  switch (selection.Kind) {
    case gstRecordBookmarks: {
      // Selected rows mostly follow one another, and stepping to the next
      // record costs far less than going to a bookmark (which refills the
      // whole window of records around it).
      bool onPrevious = false;
      for (const std::string& bookmark : selection.Rows) {
        if (!ds->BookmarkValid(bookmark)) continue;
        if (onPrevious) ds->Next();
        if (!onPrevious || ds->Eof() || ds->CompareBookmarks(ds->Bookmark(), bookmark) != 0)
          ds->GotoBookmark(bookmark);
        visit();
        onPrevious = true;
      }
      break;
    }
    case gstRectangle:
      ds->GotoBookmark(selection.TopBookmark);
      while (!ds->Eof()) {
        visit();
        if (ds->CompareBookmarks(ds->Bookmark(), selection.BottomBookmark) == 0) break;
        ds->Next();
      }
      break;
    case gstColumns:
    case gstAll:
      for (ds->First(); !ds->Eof(); ds->Next()) visit();
      break;
    case gstNon:
      break;
  }
}

TExportColumnsEh SelectionColumns(TCustomDBGridEh* grid, const TGridSelectionEh& selection) {
  switch (selection.Kind) {
    case gstRectangle:
      return RectColumns(grid, selection.LeftCol, selection.RightCol);
    case gstColumns:
      return selection.Columns;
    default:
      return grid->VisibleColumns();
  }
}

// The field a value goes into: the key field of a lookup field.
TField* TargetField(TColumnEh* column) {
  TField* field = column->Field();
  if (field == nullptr || !field->Lookup()) return field;
  std::vector<TField*> keys = field->DataSet()->GetFieldList(field->KeyFields());
  return keys.empty() ? nullptr : keys.front();
}

bool EditingOrInserting(TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }

}  // namespace

TGridSelectionEh GridSelectionEh(TCustomDBGridEh* grid, bool forWholeGrid) {
  TGridSelectionEh selection;
  if (forWholeGrid) {
    selection.Kind = gstAll;
    return selection;
  }
  selection.Kind = grid->SelectionType();
  switch (selection.Kind) {
    case gstRecordBookmarks: {
      TBookmarkListEh* rows = grid->SelectedRows();
      for (int i = 0; i < rows->Count(); ++i) selection.Rows.push_back(rows->Items(i));
      break;
    }
    case gstRectangle: {
      TDBGridEhSelectionRect& rect = grid->Selection()->Rect();
      selection.TopBookmark = rect.TopBookmark();
      selection.BottomBookmark = rect.BottomBookmark();
      selection.LeftCol = rect.LeftCol();
      selection.RightCol = rect.RightCol();
      break;
    }
    case gstColumns: {
      const TDBGridEhSelectionCols& columns = grid->Selection()->Columns();
      for (int i = 0; i < columns.Count(); ++i) selection.Columns.push_back(columns.Items(i));
      break;
    }
    default:
      break;
  }
  return selection;
}

// ---- export

TDBGridEhExport::TDBGridEhExport() : FCellFont(std::make_unique<TFont>()) {}
TDBGridEhExport::~TDBGridEhExport() = default;

void TDBGridEhExport::FlushOut() {
  if (!FOut.empty()) FStream->WriteBuffer(FOut.data(), static_cast<std::int64_t>(FOut.size()));
  FOut.clear();
}

void TDBGridEhExport::WriteText(std::string_view text) {
  if (FTextCoding == TExportTextCodingEh::Utf8)
    FOut.append(text);
  else
    AppendFromUtf8(FOut, text, TCodePage::Win1251);
  if (FOut.size() >= kOutFlushSize) FlushOut();
}

void TDBGridEhExport::ExportToStream(TStream& stream, bool forWholeGrid) {
  ExportSelection(stream, GridSelectionEh(FDBGrid, forWholeGrid));
}

void TDBGridEhExport::ExportToFile(const std::string& fileName, bool forWholeGrid) {
  TFileStream file(fileName, fmCreate);
  ExportToStream(file, forWholeGrid);
}

bool TDBGridEhExport::BeginExport(TStream& stream, const TGridSelectionEh& selection) {
  if (selection.Kind == gstNon) return false;
  TDataSet* ds = GridDataSet(FDBGrid);
  if (ds == nullptr || !ds->Active()) return false;
  StartExport();
  FStream = &stream;
  FOut.clear();
  FExpCols = SelectionColumns(FDBGrid, selection);
  FColumnParams.clear();
  for (TColumnEh* column : FExpCols)
    FColumnParams.push_back(
        {column->Font(), column->Color(), column->Alignment(), column->ReadOnly()});
  FFooterRowCount = FDBGrid->FooterRowCount();
  FFooterValues.assign(static_cast<std::size_t>(FFooterRowCount) * FExpCols.size(),
                       TFieldTotalEh());
  FFooterAccumulators.clear();
  for (int row = 0; row < (WritesFooters() ? FFooterRowCount : 0); ++row) {
    for (TColumnEh* column : FExpCols) {
      TFooterAccumulator accumulator;
      if (TColumnFooterEh* footer = column->UsedFooter(row)) {
        if (footer->ValueType() == fvtCount)
          accumulator.Count = true;
        else if (footer->ValueType() == fvtSum)
          accumulator.SumField = ds->FindField(footer->FieldName().empty() ? column->FieldName()
                                                                           : footer->FieldName());
      }
      FFooterAccumulators.push_back(accumulator);
    }
  }
  return true;
}

void TDBGridEhExport::WriteHead() {
  WritePrefix();
  if (FDBGrid->Options().Contains(dgTitles)) WriteTitle(FExpCols);
}

void TDBGridEhExport::ExportRecord() {
  CalcFooterValues();
  WriteRecord(FExpCols);
}

void TDBGridEhExport::WriteFooters() {
  for (int row = 0; row < FFooterRowCount; ++row) WriteFooter(FExpCols, row);
}

void TDBGridEhExport::EndExport() {
  WriteSuffix();
  FlushOut();
  FinishExport(*FStream);
}

void TDBGridEhExport::ExportSelection(TStream& stream, const TGridSelectionEh& selection) {
  if (!BeginExport(stream, selection)) return;
  TDataSet* ds = GridDataSet(FDBGrid);
  {
    TControlsDisabledGuard controls(ds);
    TBookmarkGuard position(ds);
    WriteHead();
    ForEachRecord(ds, selection, [&] { ExportRecord(); });
    WriteFooters();
  }
  EndExport();
}

// The display texts of the current record's cells, each worked out when
// an exporter first asks for it.
class TRecordTextsEh {
 public:
  void NextRecord(std::size_t count) {
    FKnown.assign(count, false);
    FTexts.resize(count);
  }
  const std::string& Text(std::size_t i, TColumnEh* column) {
    if (!FKnown[i]) {
      FTexts[i] = column->GetCellDisplayText();
      FKnown[i] = true;
    }
    return FTexts[i];
  }

 private:
  std::vector<bool> FKnown;
  std::vector<std::string> FTexts;
};

void ExportSelectionTogether(const std::vector<TExportJobEh>& jobs,
                             const TGridSelectionEh& selection) {
  std::vector<TDBGridEhExport*> started;
  for (const TExportJobEh& job : jobs)
    if (job.Export->BeginExport(*job.Stream, selection)) started.push_back(job.Export);
  if (started.empty()) return;
  TDBGridEhExport* first = started.front();
  TDataSet* ds = GridDataSet(first->FDBGrid);
  const TExportColumnsEh& columns = first->FExpCols;
  TRecordTextsEh texts;
  // Texts are shared only where every exporter works them out alike: on
  // the same grid's same columns.
  bool share = true;
  for (TDBGridEhExport* e : started)
    share = share && e->FDBGrid == first->FDBGrid && e->FExpCols == columns;
  TScopeExit detach([&started] {
    for (TDBGridEhExport* e : started) e->FRecordTexts = nullptr;
  });
  if (share)
    for (TDBGridEhExport* e : started) e->FRecordTexts = &texts;
  {
    TControlsDisabledGuard controls(ds);
    TBookmarkGuard position(ds);
    for (TDBGridEhExport* e : started) e->WriteHead();
    ForEachRecord(ds, selection, [&] {
      texts.NextRecord(columns.size());
      for (TDBGridEhExport* e : started) e->ExportRecord();
    });
    for (TDBGridEhExport* e : started) e->WriteFooters();
  }
  for (TDBGridEhExport* e : started) e->EndExport();
}

void TDBGridEhExport::CalcFooterValues() {
  for (std::size_t i = 0; i < FFooterAccumulators.size(); ++i) {
    const TFooterAccumulator& accumulator = FFooterAccumulators[i];
    if (accumulator.Count)
      FFooterValues[i].Add(Currency(1));
    else
      FFooterValues[i].Add(accumulator.SumField);
  }
}

void TDBGridEhExport::WriteRecord(const TExportColumnsEh& columns) {
  // The fixed parameters are those of the exported columns.
  const bool fixedKnown = &columns == &FExpCols && !FDBGrid->OnGetCellParams;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    TColumnEh* column = columns[i];
    if (!fixedKnown || column->OnGetCellParams) {
      column->FillColCellParams(FColCellParams);
      // A handler may change the font: it gets a copy.
      FCellFont->Assign(column->Font());
      FColCellParams.Font = FCellFont.get();
    } else {
      // Without a handler only the formats read the parameters, and none
      // of them reads the image index or the check state.
      const TColumnParams& fixed = FColumnParams[i];
      FColCellParams.Col = -1;
      FColCellParams.Row = -1;
      FColCellParams.State = 0;
      FColCellParams.Font = fixed.Font;
      FColCellParams.Background = fixed.Background;
      FColCellParams.Alignment = fixed.Alignment;
      FColCellParams.ImageIndex = -1;
      FColCellParams.CheckState = cbGrayed;
      FColCellParams.ReadOnly = fixed.ReadOnly;
      if (!ReadsCellText())
        FColCellParams.Text.clear();
      else if (FRecordTexts != nullptr)
        FColCellParams.Text = FRecordTexts->Text(i, column);
      else
        FColCellParams.Text = column->GetCellDisplayText();
    }
    TColor background = FColCellParams.Background;
    if (FDBGrid->OnGetCellParams)
      FDBGrid->OnGetCellParams(FDBGrid, column, FColCellParams.Font, background, TGridDrawState());
    FColCellParams.Background = background;
    column->GetColCellParams(false, FColCellParams);
    WriteDataCell(column, FColCellParams.Font, FColCellParams.Background, FColCellParams);
  }
}

void TDBGridEhExport::WriteDataCell(TColumnEh* column, TFont* font, TColor background,
                                    TColCellParamsEh& params) {
  (void)column, (void)font, (void)background, (void)params;
}

std::string TDBGridEhExport::FooterText(TColumnFooterEh* footer, TColumnEh* column,
                                        const TFieldTotalEh& total) {
  if (footer->ValueType() == fvtCount) return std::to_string(total.Exact().Scaled() / 10000);
  TDataSet* ds = GridDataSet(FDBGrid);
  TField* field =
      ds->FindField(footer->FieldName().empty() ? column->FieldName() : footer->FieldName());
  if (field == nullptr) return "";
  // A total beyond Currency (a damaged number) went on in double.
  const bool inFloat = total.IsFloat();
  switch (field->DataType()) {
    case ftFloat:
    case ftCurrency: {
      auto* numeric = dynamic_cast<TNumericField*>(field);
      const std::string format = numeric != nullptr ? numeric->DisplayFormat() : "";
      return inFloat ? FormatFloat(format, total.Value()) : FormatCurr(format, total.Exact());
    }
    case ftBCD:
    case ftFMTBcd:
      return inFloat ? FloatToStrF(total.Value(), ffCurrency, 15, FormatSettings.CurrencyDecimals)
                     : CurrToStrF(total.Exact(), ffCurrency, FormatSettings.CurrencyDecimals);
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      return inFloat ? FloatToStr(total.Value())
                     : std::to_string(static_cast<long long>(std::llround(total.Value())));
    default:
      return "";
  }
}

void TDBGridEhExport::WriteFooter(const TExportColumnsEh& columns, int footerRow) {
  TFont font;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    TColumnEh* column = columns[i];
    TColumnFooterEh* footer = column->UsedFooter(footerRow);
    if (footer == nullptr) continue;
    font.Assign(footer->Font());
    TColor background = footer->Color();
    TAlignment alignment = footer->Alignment();
    std::string text;
    if (footer->ValueType() == fvtSum || footer->ValueType() == fvtCount)
      text = FooterText(footer, column,
                        FFooterValues[static_cast<std::size_t>(footerRow) * columns.size() + i]);
    else
      text = FDBGrid->GetFooterValue(footerRow, column);
    if (FDBGrid->OnGetFooterParams)
      FDBGrid->OnGetFooterParams(FDBGrid, column->Index(), footerRow, column, &font, background,
                                 alignment, TGridDrawState(), text);
    WriteFooterCell(static_cast<int>(i), footerRow, column, &font, background, alignment, text);
  }
}

void TDBGridEhExport::WriteFooterCell(int dataCol, int row, TColumnEh* column, TFont* font,
                                      TColor background, TAlignment alignment,
                                      const std::string& text) {
  (void)dataCol, (void)row, (void)column, (void)font, (void)background, (void)alignment, (void)text;
}

// ---- import

void TDBGridEhImport::ImportFromStream(TStream& stream, bool forWholeGrid) {
  ImportSelection(stream, GridSelectionEh(FDBGrid, forWholeGrid), forWholeGrid);
}

void TDBGridEhImport::ImportFromFile(const std::string& fileName, bool forWholeGrid) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  ImportFromStream(file, forWholeGrid);
}

void TDBGridEhImport::ReadRecord(const TExportColumnsEh& columns) {
  for (TColumnEh* column : columns) ImportValue(column);
}

void TDBGridEhImport::ImportSelection(TStream& stream, const TGridSelectionEh& selection,
                                      bool forWholeGrid) {
  TDataSet* ds = GridDataSet(FDBGrid);
  if (ds == nullptr || !ds->Active()) return;
  FStream = &stream;
  FEof = false;
  FIgnoreAll = false;
  TGridSelectionEh walk = selection;
  if (forWholeGrid) {
    FDBGrid->Selection()->Clear();
    ds->First();
    if (!FDBGrid->VisibleColumns().empty())
      FDBGrid->SetSelectedIndex(FDBGrid->VisibleColumns().front()->Index());
    walk.Kind = gstAll;
  }
  const bool inserting = ds->State() == dsInsert;
  TBookmarkGuard position(ds, !inserting && !ds->IsEmpty());
  TControlsDisabledGuard controls(ds);
  TExportColumnsEh columns;
  if (walk.Kind == gstNon) {
    const int selected = std::max(FDBGrid->SelectedIndex(), 0);
    columns = RectColumns(FDBGrid, selected, FDBGrid->Columns()->Count() - 1);
  } else {
    columns = SelectionColumns(FDBGrid, walk);
  }
  // From the first value on, the record in insert is the paste's.
  bool reading = false;
  try {
    ReadPrefix();
    reading = true;
    if (!inserting) {
      if (walk.Kind == gstNon) {
        // The current record first: on the last record the dataset already
        // stands at its end.
        if (!ds->IsEmpty() && !FEof) {
          do {
            ReadRecord(columns);
            if (EditingOrInserting(ds)) ds->Post();
            ReadAhead();
            ds->Next();
          } while (!ds->Eof() && !FEof);
        }
      } else {
        ForEachRecord(ds, walk, [&] {
          if (FEof) return;
          ReadRecord(columns);
          if (EditingOrInserting(ds)) ds->Post();
          ReadAhead();
        });
      }
    }
    if (FDBGrid->AllowedOperations().Contains(alopAppendEh)) {
      while (!FEof) {
        if (ds->State() != dsInsert) {
          // Past the last record an insert would land before it.
          if (forWholeGrid || ds->Eof())
            ds->Append();
          else
            ds->Insert();
        }
        ReadRecord(columns);
        ds->Post();
        ReadAhead();
        if (!forWholeGrid) ds->Next();
      }
    }
    ReadSuffix();
  } catch (...) {
    // A record left half read is dropped, not posted by the return to the
    // remembered record; the records before it stay.
    if ((!inserting || reading) && EditingOrInserting(ds)) ds->Cancel();
    throw;
  }
}

void TDBGridEhImport::WriteValueImpl(TColumnEh* column, bool empty,
                                     const std::function<void(TField*)>& write) {
  if (empty || column == nullptr || !column->CanModify(false)) return;
  TField* field = TargetField(column);
  if (field == nullptr) return;
  TDataSet* ds = field->DataSet();
  try {
    if (ds->CanModify() && !EditingOrInserting(ds)) ds->Edit();
    if (EditingOrInserting(ds)) write(field);
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& e) {
    if (FIgnoreAll) return;
    const int answer = MessageDlg(
        std::string(kSImportValueError) + "\n" + e.Message() + "\n\n" + std::string(kSIgnoreError),
        mtError, TMsgDlgButtons{mbYes, mbNo, mbAll});
    if (answer == mrAll)
      FIgnoreAll = true;
    else if (answer != mrYes)
      Abort();
  }
}

// ---- delete

void DeleteGridSelection(TCustomDBGridEh* grid, const TGridSelectionEh& selection) {
  TDataSet* ds = GridDataSet(grid);
  if (ds == nullptr || !ds->Active() || selection.Kind == gstNon) return;
  if (grid->Options().Contains(dgConfirmDelete)) {
    std::string_view question;
    if (selection.Kind == gstRecordBookmarks)
      question =
          selection.Rows.size() < 2 ? kSDeleteRecordQuestion : kSDeleteMultipleRecordsQuestion;
    else if (selection.Kind == gstRectangle)
      question = kSClearSelectedCellsEh;
    if (!question.empty() &&
        MessageDlg(std::string(question), mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}) != mrOk)
      return;
  }
  TControlsDisabledGuard controls(ds);
  switch (selection.Kind) {
    case gstRecordBookmarks: {
      for (auto it = selection.Rows.rbegin(); it != selection.Rows.rend(); ++it) {
        if (!ds->BookmarkValid(*it)) continue;
        ds->GotoBookmark(*it);
        ds->Delete();
      }
      if (grid->SelectionType() == gstRecordBookmarks) grid->Selection()->Clear();
      break;
    }
    case gstAll:
      ds->First();
      while (!ds->IsEmpty()) ds->Delete();
      break;
    case gstRectangle:
    case gstColumns: {
      TBookmarkGuard position(ds);
      const TExportColumnsEh columns = SelectionColumns(grid, selection);
      ForEachRecord(ds, selection, [&] {
        for (TColumnEh* column : columns) {
          if (!column->CanModify(false)) continue;
          TField* field = TargetField(column);
          if (field == nullptr) continue;
          if (!EditingOrInserting(ds)) ds->Edit();
          if (EditingOrInserting(ds)) field->Clear();
        }
        if (EditingOrInserting(ds)) ds->Post();
      });
      break;
    }
    case gstNon:
      break;
  }
}

void DBGridEh_DoDeleteAction(TCustomDBGridEh* grid, bool forWholeGrid) {
  DeleteGridSelection(grid, GridSelectionEh(grid, forWholeGrid));
}
