#include "grid/db_grid.h"

#include <algorithm>
#include <utility>

#include "grid/cell_text.h"
#include "grid/db_grid_modes.h"
#include "grid/grid_resources.h"
#include "grid/grid_utils.h"
#include "grid/inplace_filter_edit.h"
#include "platform/base/format_settings.h"
#include "platform/base/math_utils.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/message_queue.h"
#include "platform/widgets/grid_inplace_edit.h"
#include "platform/widgets/menus.h"

namespace {

constexpr int kIndicatorWidth = 11;
constexpr int kSortMarkerRoom = 16;

}  // namespace

// ---- TDBGridEhSumList

TDBGridEhSumList::TDBGridEhSumList(TCustomDBGridEh* grid) : TDBSumListProducer(grid) {
  SetActive(false);
}

// ---- construction

TCustomDBGridEh::TCustomDBGridEh(TComponent* owner)
    : TCustomGrid(owner),
      FDataLinkAdapter(std::make_unique<TDBGridDataLinkAdapterEh>(*this)),
      FDataLink(std::make_unique<TGridDataLinkEh>(FDataLinkAdapter.get())),
      FStyleClient(std::make_unique<TDBGridStyleClientEh>(*this)),
      FTitleFont(std::make_unique<TFont>()),
      FSelectedRows(std::make_unique<TBookmarkListEh>(this)),
      FSelection(std::make_unique<TDBGridEhSelection>(this)),
      FFooterFont(std::make_unique<TFont>()),
      FTitleTree(std::make_unique<THeadTreeNode>("Root", 0, 0)),
      FSumList(CreateUnique<TDBGridEhSumList>(this)),
      FTitleMouse(std::make_unique<TDBGridTitleMouseEh>(*this)),
      FIncSearchAdapter(std::make_unique<TDBGridIncSearchAdapterEh>(*this)),
      FIncSearch(std::make_unique<TGridIncSearchEh>(FIncSearchAdapter.get())),
      FFilterRow(std::make_unique<TGridFilterRowEh>()),
      FFilterRowAdapter(std::make_unique<TDBGridFilterRowAdapterEh>(*this)),
      FRowPerRecord(std::make_unique<TDBGridRowPerRecordEh>(*this)),
      FRows(std::make_unique<TGridDataRowsEh>(FRowPerRecord.get(), FDataLink.get())),
      FTree(std::make_unique<TGridTreeRowsEh>(*FRows)),
      FTreeArea(std::make_unique<TDBGridTreeAreaEh>(*this)),
      FRecordMoverAdapter(std::make_unique<TDBGridRecordMoverAdapterEh>(*this)),
      FRecordMover(std::make_unique<TGridRecordMoverEh>(FRecordMoverAdapter.get())) {
  static_assert(kTreeLevelWidth == TGridTreeRowsEh::kLevelWidth);
  FTitleFont->OnChange = [this](TObject*) { RequestLayout(); };
  FFooterFont->OnChange = [this](TObject*) {
    // A footer font of its own: the grid no longer follows its parent's.
    if (!FUpdatingFooterFont && !ComponentState().Contains(csLoading)) SetParentFont(false);
    RequestLayout();
  };
  FSumList->SumListChanged = [this](TObject*) { SumListChangedHandler(); };
  FSumList->OnRecalcAll = [this](TObject*) {
    if (OnSumListRecalcAll) OnSumListRecalcAll(FSumList.get());
  };
  FSumList->OnAfterRecalcAll = [this](TObject*) {
    if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(FSumList.get());
  };
  FSTFilter = std::make_unique<TSTDBGridEhFilter>(this);
  SetColor(clWindow);
  SetParentColor(false);
  // The grid draws its cells' edges itself (dghFixed3D and friends).
  TCustomGrid::SetDefaultDrawing(false);
}

TCustomDBGridEh::~TCustomDBGridEh() = default;

void TCustomDBGridEh::AfterConstruction() {
  TCustomGrid::AfterConstruction();
  FHorzScrollBar = CreateScrollBar(sbHorizontal);
  FVertScrollBar = CreateScrollBar(sbVertical);
  FColumnDefValues = CreateColumnDefValues();
  FColumns = CreateColumns();
  FStyle = GetDBGridEhStyle();
  FStyle->AddGrid(FStyleClient.get());
  ApplyBaseOptions();
  SetColCount(2);
  SetRowCount(2);
  RequestLayout();
}

TObjectPtr<TDBGridColumnsEh> TCustomDBGridEh::CreateColumns() {
  return CreateUnique<TDBGridColumnsEh>(this, TCollection::ItemFactory<TDBGridColumnEh>());
}

TObjectPtr<TColumnDefValuesEh> TCustomDBGridEh::CreateColumnDefValues() {
  return CreateUnique<TDBGridEhColumnDefValuesEh>(this);
}

void TCustomDBGridEh::BeforeDestruction() {
  FDestroying = true;
  // Attached external bars get their own window procedures back.
  if (FHorzScrollBar) FHorzScrollBar->Detach();
  if (FVertScrollBar) FVertScrollBar->Detach();
  // Columns go first: their footers give their sum items back.
  if (FColumns) FColumns->Clear();
  FVisibleColumns.clear();
  FSortMarkedColumns.clear();
  FLeafFieldArr.clear();
  FSelectedRows->Release();
  FRows->ForgetMemTable();
  FSumList->SetDataSet(nullptr);
  FDataLink->SetDataSource(nullptr);
  if (FStyle != nullptr) FStyle->RemoveGrid(FStyleClient.get());
  FStyle = nullptr;
  TCustomGrid::BeforeDestruction();
}

// ---- the modes' state

bool TCustomDBGridEh::InIncSearch() const { return FIncSearch->Active(); }
const std::string& TCustomDBGridEh::IncSearchText() const { return FIncSearch->Text(); }
int TCustomDBGridEh::FilterCol() const { return FFilterRow->Col(); }
bool TCustomDBGridEh::FilterEditMode() const { return FFilterRow->EditMode(); }
bool TCustomDBGridEh::FilterApplying() const { return FFilterRow->Applying(); }
TInplaceFilterEditEh* TCustomDBGridEh::FilterEdit() const { return FFilterRow->Editor(); }
IMemTableEh* TCustomDBGridEh::MemTable() const { return FRows->MemTable(); }
bool TCustomDBGridEh::RowPerRecordMode() const { return FRows->PerRecord(); }
bool TCustomDBGridEh::TreeDisplay() const { return FTree->Shown(); }
int TCustomDBGridEh::TreeIndentWidth() const { return FTree->IndentWidth(); }
bool TCustomDBGridEh::IsCurrentRow(int rowIndex) { return FRows->IsCurrentRow(rowIndex); }
int TCustomDBGridEh::DataRowCount() const { return FRows->DataRowCount(); }
bool TCustomDBGridEh::RecordMoving() const { return FRecordMover->Dragging(); }
int TCustomDBGridEh::RecordMovingSourceRow() const { return FRecordMover->SourceRow(); }
int TCustomDBGridEh::RecordMovingTargetRow() const { return FRecordMover->TargetRow(); }
int TCustomDBGridEh::RecordMovingTargetLevel() const { return FRecordMover->TargetLevel(); }
int TCustomDBGridEh::SizingLinePos() const { return FTitleMouse->SizingLinePos(); }
bool TCustomDBGridEh::SizingLineShown() const { return FTitleMouse->SizingLineShown(); }

void TDBGridStyleClientEh::StyleDestroyed(TDBGridEhStyle* style) {
  if (FGrid.FStyle == style) FGrid.FStyle = nullptr;
}

void TCustomDBGridEh::SetStyle(TDBGridEhStyle* value) {
  if (value == nullptr) value = GetDBGridEhStyle();
  if (FStyle == value) return;
  if (FStyle != nullptr) FStyle->RemoveGrid(FStyleClient.get());
  FStyle = value;
  FStyle->AddGrid(FStyleClient.get());
  InvalidateGrid();
}

void TCustomDBGridEh::Notification(TComponent* component, TOperation operation) {
  TCustomGrid::Notification(component, operation);
  if (operation == opRemove && FFilterRow) FFilterRow->ComponentRemoved(component);
  if (operation != opRemove || FDestroying) return;
  if (FHorzScrollBar) FHorzScrollBar->ComponentRemoved(component);
  if (FVertScrollBar) FVertScrollBar->ComponentRemoved(component);
  if (FDataLink && component == DataSource()) SetDataSource(nullptr);
  if (FRows->DataSetRemoved(component)) {
    RequestLayout();
  } else if (FDataLink && component != FDataLink->DataSet()) {
    FRowPerRecord->QueryMemTable();
  }
  if (component == FTitleImages) FTitleImages = nullptr;
  if (FColumns)
    for (int i = 0; i < FColumns->Count(); ++i) {
      TColumnEh* c = FColumns->Items(i);
      if (c->ImageList() == component) c->SetImageList(nullptr);
      if (c->PopupMenu() == component) c->SetPopupMenu(nullptr);
      if (c->DropDownBox()->ListSource() == component) c->DropDownBox()->SetListSource(nullptr);
    }
  if (auto* field = dynamic_cast<TField*>(component); field != nullptr && FColumns) {
    bool lost = false;
    for (int i = 0; i < FColumns->Count(); ++i) {
      TColumnEh* c = FColumns->Items(i);
      if (c->CachedField() == field) {
        c->ClearFieldRef();
        lost = true;
      }
    }
    if (lost) RequestLayout();
  }
}

void TCustomDBGridEh::SetDataSource(TDataSource* value) {
  if (value == DataSource()) return;
  FDataLink->SetDataSource(value);
  if (value != nullptr) value->FreeNotification(this);
  LinkActive(FDataLink->Active());
}

// ---- options

void TCustomDBGridEh::ApplyBaseOptions() {
  TGridOptions o{goFixedVertLine, goFixedHorzLine};
  if (FOptions.Contains(dgColLines)) o += TGridOptions{goVertLine};
  if (FOptions.Contains(dgRowLines)) o += TGridOptions{goHorzLine};
  if (FOptions.Contains(dgColumnResize)) o += TGridOptions{goColSizing, goColMoving};
  if (FOptions.Contains(dgEditing)) o += TGridOptions{goEditing};
  if (FOptions.Contains(dgAlwaysShowEditor)) o += TGridOptions{goAlwaysShowEditor};
  if (FOptions.Contains(dgTabs)) o += TGridOptions{goTabs};
  if (FOptions.Contains(dgRowSelect)) o += TGridOptions{goRowSelect};
  if (FRowSizingAllowed) o += TGridOptions{goRowSizing};
  TCustomGrid::SetOptions(o);
}

void TCustomDBGridEh::SetOptions(TDBGridOptions value) {
  if (value.Contains(dgRowSelect)) value -= TDBGridOptions{dgEditing, dgAlwaysShowEditor};
  if (FOptions == value) return;
  const bool dropsMultiSelect = FOptions.Contains(dgMultiSelect) && !value.Contains(dgMultiSelect);
  FOptions = value;
  ApplyBaseOptions();
  if (dropsMultiSelect) FSelection->Clear();
  RequestLayout();
}

void TCustomDBGridEh::SetOptionsEh(TDBGridEhOptions value) {
  if (FOptionsEh == value) return;
  FOptionsEh = value;
  RequestLayout();
}

void TCustomDBGridEh::SetDefaultDrawing(bool value) {
  if (FDefaultDrawingEh == value) return;
  FDefaultDrawingEh = value;
  InvalidateGrid();
}

void TCustomDBGridEh::SetRowSizingAllowed(bool value) {
  if (FRowSizingAllowed == value) return;
  FRowSizingAllowed = value;
  ApplyBaseOptions();
}

void TCustomDBGridEh::GetDatasetFieldList(std::vector<TField*>& list) const {
  TDataSet* ds = FDataLink->DataSet();
  if (ds == nullptr) return;
  for (int i = 0; i < ds->FieldCount(); ++i) list.push_back(ds->Fields().Fields(i));
}

void TCustomDBGridEh::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  RequestLayout();
}
void TCustomDBGridEh::SetDrawMemoText(bool value) {
  if (FDrawMemoText == value) return;
  FDrawMemoText = value;
  InvalidateGrid();
}
void TCustomDBGridEh::SetFlat(bool value) {
  if (FFlat == value) return;
  FFlat = value;
  FTitleTextMargin = value ? 2 : 4;
  if (HandleAllocated()) RecreateWnd();
  RequestLayout();
}

void TCustomDBGridEh::CreateParams(TCreateParams& params) {
  TCustomGrid::CreateParams(params);
  // A flat grid has a thin one-pixel border instead of the sunken edge.
  if (FFlat && BorderStyle() == bsSingle) {
    params.ExStyle &= ~WS_EX_CLIENTEDGE;
    params.Style |= WS_BORDER;
  }
}
void TCustomDBGridEh::SetAutoFitColWidths(bool value) {
  if (FAutoFitColWidths == value) return;
  BeginLayout();
  FAutoFitColWidths = value;
  if (value) {
    for (int i = 0; i < FColumns->Count(); ++i)
      FColumns->Items(i)->SetAutoFitWidth(FColumns->Items(i)->Width());
  } else {
    for (int i = 0; i < FColumns->Count(); ++i)
      FColumns->Items(i)->SetWidth(FColumns->Items(i)->AutoFitWidth());
  }
  EndLayout();
}
void TCustomDBGridEh::SetMinAutoFitWidth(int value) {
  if (FMinAutoFitWidth == value) return;
  FMinAutoFitWidth = value;
  RequestLayout();
}
void TCustomDBGridEh::SetFrozenCols(int value) {
  if (value < 0) value = 0;
  if (FFrozenCols == value) return;
  FFrozenCols = value;
  RequestLayout();
}
void TCustomDBGridEh::SetRowHeight(int value) {
  if (value < 0) value = 0;
  if (FRowHeight == value) return;
  FRowHeight = value;
  RequestLayout();
}
void TCustomDBGridEh::SetRowLines(int value) {
  if (value < 0) value = 0;
  if (FRowLines == value) return;
  FRowLines = value;
  RequestLayout();
}
void TCustomDBGridEh::SetTitleHeight(int value) {
  if (value < 0) value = 0;
  if (FTitleHeight == value) return;
  FTitleHeight = value;
  RequestLayout();
}
void TCustomDBGridEh::SetTitleLines(int value) {
  if (value < 0) value = 0;
  if (FTitleLines == value) return;
  FTitleLines = value;
  RequestLayout();
}
void TCustomDBGridEh::SetVTitleMargin(int value) {
  if (FVTitleMargin == value) return;
  FVTitleMargin = value;
  RequestLayout();
}
void TCustomDBGridEh::SetUseMultiTitle(bool value) {
  if (FUseMultiTitle == value) return;
  FUseMultiTitle = value;
  RequestLayout();
}
void TCustomDBGridEh::SetFooterRowCount(int value) {
  if (value < 0 || value == FFooterRowCount) return;
  FFooterRowCount = value;
  FRows->SetFootersShown(value > 0);
  FRowPerRecord->QueryMemTable();
  RequestLayout();
}
void TCustomDBGridEh::SetFooterColor(TColor value) {
  if (!ComponentState().Contains(csLoading)) SetParentColor(false);
  if (FFooterColor == value) return;
  FFooterColor = value;
  InvalidateFooter();
}
void TCustomDBGridEh::SetEvenRowColor(TColor value) {
  FEvenRowColor = value;
  FEvenRowColorAssigned = true;
  InvalidateGrid();
}
void TCustomDBGridEh::SetOddRowColor(TColor value) {
  FOddRowColor = value;
  FOddRowColorAssigned = true;
  InvalidateGrid();
}

// ---- the current cell

TColumnEh* TCustomDBGridEh::ColumnOfRawCol(int col) const {
  const int data = RawToDataColumn(col);
  if (!FColumns || data < 0 || data >= FColumns->Count()) return nullptr;
  return FColumns->Items(data);
}

int TCustomDBGridEh::SelectedIndex() const {
  const int data = RawToDataColumn(Col());
  return FColumns && data >= 0 && data < FColumns->Count() ? data : -1;
}

void TCustomDBGridEh::SetSelectedIndex(int value) {
  if (!FColumns || value < 0 || value >= FColumns->Count()) return;
  const int raw = DataToRawColumn(value);
  // Frozen columns are reached as a click reaches them.
  const int first = FOptionsEh.Contains(dgSelectedFrozenCols) ? FIndicatorOffset : FixedCols();
  // As a move by the user: the column left and the one entered hear it.
  if (raw < ColCount() && raw >= first) SelectColumn(raw, 0, false);
}

TField* TCustomDBGridEh::SelectedField() {
  const int index = SelectedIndex();
  return index < 0 ? nullptr : FColumns->Items(index)->Field();
}

void TCustomDBGridEh::SetSelectedField(TField* field) {
  if (field == nullptr) return;
  for (int i = 0; i < FColumns->Count(); ++i)
    if (FColumns->Items(i)->Field() == field) SetSelectedIndex(i);
}

// ---- layout lock

bool TCustomDBGridEh::AcquireLayoutLock() {
  if (FUpdateLock != 0 || FLayoutLock != 0) return false;
  BeginLayout();
  return true;
}

void TCustomDBGridEh::BeginLayout() {
  ++FUpdateLock;
  if (FLayoutLock == 0 && FColumns) FColumns->BeginUpdate();
  ++FLayoutLock;
}

void TCustomDBGridEh::EndLayout() {
  if (FLayoutLock == 0) return;
  if (FLayoutLock == 1) {
    try {
      if (!FDestroying && !ComponentState().Contains(csLoading)) LayoutChanged();
    } catch (...) {
      FLayoutLock = 0;
      if (FColumns) FColumns->EndUpdate();
      --FUpdateLock;
      throw;
    }
  }
  --FLayoutLock;
  if (FLayoutLock == 0 && FColumns) {
    // The collection's own update must not start another rebuild.
    ++FUpdateLock;
    FColumns->EndUpdate();
    --FUpdateLock;
  }
  --FUpdateLock;
}

void TCustomDBGridEh::RequestLayout() {
  if (AcquireLayoutLock()) EndLayout();
}

bool TDBGridDataLinkAdapterEh::SetLayoutChangeFlag(bool value) {
  return std::exchange(FGrid.FLayoutFromDataset, value);
}

// ---- layout rebuild

int TCustomDBGridEh::TitlesVisible() const { return FOptions.Contains(dgTitles) ? 1 : 0; }

void TCustomDBGridEh::DefineFieldMap() {
  TDataSet* dataSet = FDataLink->DataSet();
  if (FColumns->State() == csCustomized) {
    FDataLink->SetSparseMap(true);
    for (int i = 0; i < FColumns->Count(); ++i)
      FDataLink->AddMapping(FColumns->Items(i)->FieldName());
  } else {
    FDataLink->SetSparseMap(false);
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
      TField* field = dataSet->Fields().Fields(i);
      if (field->Visible()) FDataLink->AddMapping(field->FieldName());
    }
  }
}

void TCustomDBGridEh::BuildColumns() {
  // Made-from-field columns before a persistent one are dropped.
  bool seenDefault = false;
  bool mixed = false;
  for (int i = 0; i < FColumns->Count(); ++i) {
    if (!FColumns->Items(i)->Persistent())
      seenDefault = true;
    else if (seenDefault)
      mixed = true;
  }
  if (mixed)
    for (int i = FColumns->Count() - 1; i >= 0; --i)
      if (!FColumns->Items(i)->Persistent()) FColumns->Delete(i);

  FDataLink->ClearMapping();
  if (FDataLink->Active()) DefineFieldMap();

  if (FColumns->State() == csCustomized) {
    FColumns->ClearFieldRefs();
    return;
  }
  TDataSet* dataSet = FDataLink->DataSet();
  if (!FDataLink->Active() && (dataSet == nullptr || dataSet->DefaultFields())) {
    FColumns->Clear();
    return;
  }
  std::vector<TField*> mapped;
  for (int i = 0; i < FDataLink->FieldCount(); ++i)
    if (TField* f = FDataLink->GetMappedField(i)) mapped.push_back(f);
  for (int i = FColumns->Count() - 1; i >= 0; --i) {
    TColumnEh* c = FColumns->Items(i);
    TField* f = c->Field();
    if (f == nullptr || std::find(mapped.begin(), mapped.end(), f) == mapped.end())
      FColumns->Delete(i);
  }
  for (std::size_t i = 0; i < mapped.size(); ++i) {
    TColumnEh* found = nullptr;
    for (int j = static_cast<int>(i); j < FColumns->Count(); ++j)
      if (FColumns->Items(j)->Field() == mapped[i]) {
        found = FColumns->Items(j);
        break;
      }
    if (found == nullptr) {
      found = FColumns->AddDefault();
      found->SetField(mapped[i]);
    }
    if (found->Index() != static_cast<int>(i))
      found->TCollectionItem::SetIndex(static_cast<int>(i));
  }
}

int TCustomDBGridEh::MeasureFontHeight(const TFont* font, int* externalLeading) {
  TCanvas& canvas = *Canvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(font);
  TTextMetric tm;
  canvas.GetTextMetrics(tm);
  if (externalLeading != nullptr) *externalLeading = tm.tmExternalLeading;
  return tm.tmHeight;
}

void TCustomDBGridEh::LayoutChanged() {
  if (FInLayout) return;
  TFlagGuard inLayout(FInLayout);
  ++FLayoutCount;
  if (HandleAllocated() && FDeferredLayoutQueued) {
    KillMessage(Handle(), kDeferredLayoutMessage);
    FDeferredLayoutQueued = false;
  }
  InternalLayout();
  UpdateScrollBar();
  if (FFilterRow->EditMode()) UpdateFilterEditPos();
}

void TCustomDBGridEh::InternalLayout() {
  FIndicatorOffset = FOptions.Contains(dgIndicator) ? 1 : 0;
  FTitleOffset = TitlesVisible() + SubTitleRowCount();
  BuildColumns();

  FVisibleColumns.clear();
  for (int i = 0; i < FColumns->Count(); ++i)
    if (FColumns->Items(i)->Visible()) FVisibleColumns.push_back(FColumns->Items(i));

  const int columnCount = std::max(FColumns->Count(), 1);
  const int current = Col();
  SetFixedCols(0);
  SetColCount(columnCount + FIndicatorOffset);
  // Frozen columns count the hidden ones among them; the base grid needs
  // at least one scrolling column.
  int fixed = FIndicatorOffset;
  if (FColumns->State() == csCustomized || FDataLink->Active()) {
    int frozenShown = 0;
    int i = 0;
    while (i < FColumns->Count() && frozenShown < FFrozenCols) {
      if (FColumns->Items(i)->Visible()) ++frozenShown;
      ++fixed;
      ++i;
    }
    while (i < FColumns->Count() && !FColumns->Items(i)->Visible() && frozenShown > 0) {
      ++fixed;
      ++i;
    }
  }
  SetFixedCols(std::min(fixed, ColCount() - 1));
  // The base grid moves the current column out of the fixed ones: a frozen
  // column that may be current stays current, or its editor's text would
  // go to the column the move lands on.
  if (Col() != current && current >= FIndicatorOffset && current < FixedCols() &&
      FOptionsEh.Contains(dgSelectedFrozenCols) && Row() < RowCount())
    MoveColRow(current, Row(), true, false);

  // Data rows.
  int externalLeading = 0;
  const int fontHeight = MeasureFontHeight(Font(), &externalLeading);
  const int lineWidth = FOptions.Contains(dgRowLines) ? GridLineWidth() : 0;
  const int extra = (FFlat ? 1 : 3) + lineWidth;
  int rowHeight;
  if (FRowHeight == 0 && FRowLines < 2)
    rowHeight = fontHeight + extra;
  else
    rowHeight = (fontHeight + externalLeading) * FRowLines + FRowHeight;
  if (FOptionsEh.Contains(dghFitRowHeightToText)) {
    // Whole lines: down when at most half a line is over and one fits.
    const int line = fontHeight + externalLeading;
    const int text = rowHeight - extra;
    int lines = text / line;
    const int rest = text % line;
    if (!(rest <= line / 2 && lines >= 1)) ++lines;
    lines = std::max(lines, 1);
    rowHeight = lines * line + extra;
    FRowLines = lines;
    FRowHeight = extra;
  }
  if (FRowLines < 2) rowHeight += 2;
  FDefaultRowHeight = rowHeight;
  int internalLeading = 0;
  {
    TCanvasStateSaver saver(*Canvas());
    Canvas()->Font()->Assign(Font());
    TTextMetric tm;
    Canvas()->GetTextMetrics(tm);
    internalLeading = tm.tmInternalLeading;
  }
  FMultiLineRows = rowHeight > fontHeight + internalLeading + externalLeading + 4;
  FInCellButtonHeight = rowHeight > GetSystemMetrics(SM_CXVSCROLL) * 3 / 2
                            ? StandardEditButtonHeight(rowHeight)
                            : rowHeight;

  // Title row: "Wg" in each title font, or the lines asked for, or the
  // multi-level tree. TitleLines x (font height + external leading) + 2 +
  // TitleHeight, +1 with row lines, has the row height's shape.
  int titleHeight = 0;
  if (FOptions.Contains(dgTitles)) {
    if (FUseMultiTitle) {
      std::vector<TTitleLeafEh> leaves;
      for (int i = 0; i < FColumns->Count(); ++i) {
        TColumnEh* c = FColumns->Items(i);
        TTitleLeafEh leaf;
        leaf.Column = c;
        leaf.Caption = c->Title()->Caption();
        leaf.Width = c->Width();
        leaf.Visible = c->Visible();
        leaf.SortMarked = c->Title()->SortMarker() != smNoneEh;
        leaf.TitleFont = c->Title()->Font();
        leaf.Vertical = c->Title()->Orientation() == tohVertical;
        leaves.push_back(leaf);
      }
      FLeafFieldArr =
          BuildTitleTree(FTitleTree.get(), leaves, FOptions.Contains(dgColLines), FTitleRowHeight);
      const int treeHeight =
          SetTitleTreeHeights(*Canvas(), FTitleFont.get(), FVTitleMargin, FTitleTree.get());
      titleHeight = treeHeight - (FOptionsEh.Contains(dghFixed3D) ? 1 : 3);
    } else {
      int tallest = 0;
      int tallestLeading = 0;
      auto measure = [&](const TFont* font) {
        int leading = 0;
        const int h = MeasureFontHeight(font, &leading);
        if (h > tallest) {
          tallest = h;
          tallestLeading = leading;
        }
      };
      if (FColumns->Count() == 0) measure(FTitleFont.get());
      for (int i = 0; i < FColumns->Count(); ++i) measure(FColumns->Items(i)->Title()->Font());
      if (FTitleHeight != 0 || FTitleLines != 0) {
        titleHeight = FTitleLines * (tallest + tallestLeading) + 2 + FTitleHeight;
        if (FOptions.Contains(dgRowLines)) titleHeight += 1;
      } else {
        titleHeight = tallest + FTitleTextMargin;
      }
    }
  }
  FTitleRowHeight = titleHeight;
  SetColumnAttributes();
  if (FAutoFitColWidths) FitColumnWidths();
  UpdateRowCount();
  InvalidateGrid();
}

bool TCustomDBGridEh::ColumnTabStop(TColumnEh* column) {
  TField* f = column->Field();
  if (!column->Visible() || column->ReadOnly() || !FDataLink->Active() || f == nullptr ||
      f->Calculated() || f->ReadOnly())
    return false;
  // A lookup is typed through its keys: read-only keys make it read-only.
  if (f->Lookup() && !f->KeyFields().empty()) {
    if (f->DataSet() == nullptr) return false;
    const std::vector<TField*> keys = f->DataSet()->GetFieldList(f->KeyFields());
    if (std::all_of(keys.begin(), keys.end(), [](TField* key) { return key->ReadOnly(); }))
      return false;
  }
  return true;
}

void TCustomDBGridEh::SetColumnAttributes(TColumnEh* column) {
  const int raw = DataToRawColumn(column->Index());
  SetColWidths(raw, column->Visible() ? column->Width() : (FOptions.Contains(dgColLines) ? -1 : 0));
  SetTabStops(raw, ColumnTabStop(column));
}

void TCustomDBGridEh::CurrentColumnToVisible() {
  TColumnEh* current = ColumnOfRawCol(Col());
  if (current == nullptr || current->Visible()) return;
  for (int i = 0; i < FColumns->Count(); ++i) {
    const int raw = DataToRawColumn(i);
    if (!FColumns->Items(i)->Visible() || raw < FixedCols() || raw >= ColCount()) continue;
    SetCol(raw);
    break;
  }
  if (LayoutLocked()) return;
  if (EditorMode()) UpdateEdit();
  InvalidateGrid();
}

void TCustomDBGridEh::SetColumnAttributes() {
  FInColumnAttributes = true;
  for (int i = 0; i < FColumns->Count(); ++i) SetColumnAttributes(FColumns->Items(i));
  if (FIndicatorOffset == 1) {
    SetColWidths(0, kIndicatorWidth);
    SetTabStops(0, false);
  }
  FInColumnAttributes = false;
}

void TCustomDBGridEh::FitColumnWidths() {
  std::vector<TColumnEh*> fitting;
  for (TColumnEh* c : FVisibleColumns)
    if (c->AutoFitColWidth()) fitting.push_back(c);
  std::vector<bool> fixed(fitting.size(), false);
  int lastWidth = 0;
  for (std::size_t round = 0; round < fitting.size(); ++round) {
    int w = std::max(ClientWidth(), FMinAutoFitWidth);
    for (TColumnEh* c : FVisibleColumns)
      if (!c->AutoFitColWidth()) w -= c->Width();
    for (std::size_t k = 0; k < fitting.size(); ++k)
      if (fixed[k]) w -= fitting[k]->Width();
    w = std::max(w, 0);
    if (FIndicatorOffset == 1) w -= kIndicatorWidth;
    if (FOptions.Contains(dgColLines)) {
      w -= static_cast<int>(FVisibleColumns.size());
      if (FIndicatorOffset == 1) w -= 1;
    }
    int shares = 0;
    for (std::size_t k = 0; k < fitting.size(); ++k)
      if (!fixed[k]) shares += fitting[k]->AutoFitWidth();
    // No shares left: nothing to divide.
    if (shares <= 0) break;
    bool again = false;
    int used = 0;
    for (std::size_t k = 0; k < fitting.size(); ++k) {
      if (fixed[k]) continue;
      const int want = MulDiv(fitting[k]->AutoFitWidth(), w, shares);
      const int share = fitting[k]->AutoFitWidth();
      fitting[k]->SetWidth(want);
      fitting[k]->SetAutoFitWidth(share);
      if (fitting[k]->Width() != want) {
        fixed[k] = true;
        again = true;
      }
      used += fitting[k]->Width();
    }
    lastWidth = w - used;
    if (!again) {
      for (std::size_t k = fitting.size(); k-- > 0;)
        if (!fixed[k]) {
          const int share = fitting[k]->AutoFitWidth();
          fitting[k]->SetWidth(std::max(0, fitting[k]->Width() + lastWidth));
          fitting[k]->SetAutoFitWidth(share);
          break;
        }
      break;
    }
  }
  SetColumnAttributes();
}

void TCustomDBGridEh::UpdateRowCount() {
  if (FRows->PerRecord()) {
    FRowPerRecord->UpdateRowCount();
    return;
  }
  const int oldRowCount = RowCount();
  const int lineWidth = FOptions.Contains(dgRowLines) ? GridLineWidth() : 0;
  const int d = FDefaultRowHeight;
  if (RowCount() <= FTitleOffset) SetRowCount(FTitleOffset + 1);
  SetFixedRows(FTitleOffset);
  int h = 0;
  if (FOptions.Contains(dgTitles)) h += FTitleRowHeight + lineWidth;
  h += SubTitleRowCount() * (d + lineWidth);
  if (FFooterRowCount > 0) h += FFooterRowCount * (d + lineWidth) + lineWidth;
  SetDefaultRowHeight(d);
  if (FOptions.Contains(dgTitles)) SetRowHeights(0, FTitleRowHeight);
  SetTopRow(FixedRows());
  int newCount;
  int fillerRow = -1;
  if (FDataLink->Active() && FDataLink->DataSet()->RecordCount() != 0 && HandleAllocated()) {
    FDataLink->SetBufferCount(std::max(1, (ClientHeight() - h) / (d + lineWidth)));
    const int c = FDataLink->RecordCount();
    h += c * (d + lineWidth);
    newCount = FTitleOffset + c;
    if (FFooterRowCount > 0) {
      fillerRow = newCount;
      newCount += 1 + FFooterRowCount;
    }
  } else {
    h += d + lineWidth;
    newCount = FTitleOffset + 1;
    if (HandleAllocated() && FFooterRowCount > 0) {
      fillerRow = newCount;
      newCount += 1 + FFooterRowCount;
    }
  }
  if (newCount <= Row()) MoveColRow(Col(), std::max(newCount - 1, FTitleOffset), false, false);
  SetRowCount(newCount);
  if (fillerRow >= 0) SetRowHeights(fillerRow, std::max(0, ClientHeight() - h - lineWidth));
  if (FDataLink->Active()) UpdateActive();
  if (RowCount() != oldRowCount) InvalidateGrid();
}

int TCustomDBGridEh::VisibleDataRowCount() const {
  // Every dataset row is a grid row then: the rows on screen count.
  if (FRows->PerRecord()) return const_cast<TCustomDBGridEh*>(this)->VisibleRowCount();
  int n = RowCount() - FTitleOffset;
  if (FFooterRowCount > 0) n -= FFooterRowCount + 1;
  return n;
}

void TCustomDBGridEh::UpdateActive() {
  FIncSearchAdapter->RecordMoved();
  if (FRows->PerRecord()) {
    FRowPerRecord->UpdateActive();
    return;
  }
  if (!FDataLink->Active() || !HandleAllocated() || ComponentState().Contains(csLoading)) return;
  const int target = FDataLink->ActiveRecord() + FTitleOffset;
  if (target != Row() && target < RowCount()) {
    if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
    MoveColRow(Col(), target, false, false);
    InvalidateEditor();
  }
}

// ---- the data link's calls

void TCustomDBGridEh::SetSelectionType(TDBGridEhSelectionType value) {
  FSelection->SetSelectionType(value);
}

void TCustomDBGridEh::SelectionChanged() {
  if (FDestroying) return;
  FSelection->UpdateState();
  if (OnSelectionChanged) OnSelectionChanged(this);
}

void TCustomDBGridEh::LinkActive(bool value) {
  // The picture kept while a walk had the controls off shows a table the
  // grid no longer reads.
  if (FFrozenPicture != nullptr) {
    FFrozenPicture.reset();
    InvalidateGrid();
  }
  FRowPerRecord->QueryMemTable();
  if (!value) HideEditor();
  FSelection->LinkActive(value);
  FSumList->SetDataSet(
      value && DataSource() != nullptr && DataSource()->Enabled() ? FDataLink->DataSet() : nullptr);
  RequestLayout();
  if (value && FOptions.Contains(dgAlwaysShowEditor) && HandleAllocated()) ShowEditor();
  FColumns->ClearFieldRefs();
}

void TCustomDBGridEh::DataChanged() {
  if (!HandleAllocated() || FUpdateLock != 0) return;
  UpdateRowCount();
  UpdateActive();
  InvalidateEditor();
  InvalidateGrid();
  UpdateScrollBar();
}

void TCustomDBGridEh::EditingChanged() {
  if (FDataLink->Active() && FIndicatorOffset == 1) InvalidateCell(0, Row());
}

void TCustomDBGridEh::RecordChanged(TField* field) {
  if (!HandleAllocated()) return;
  if (field == nullptr) {
    InvalidateGrid();
  } else {
    for (int i = 0; i < FColumns->Count(); ++i)
      if (FColumns->Items(i)->Field() == field) InvalidateCell(DataToRawColumn(i), Row());
  }
  TField* selected = SelectedField();
  if ((field == nullptr || field == selected) && selected != nullptr) {
    const std::string text = FieldEditText(ColumnOfRawCol(Col()));
    if (text != FEditText) {
      FEditText = text;
      if (EditorMode()) UpdateEdit();
    }
  }
}

bool TDBGridDataLinkAdapterEh::AcquireFocus() {
  if (FGrid.CanFocus() && !FGrid.ComponentState().Contains(csDesigning)) {
    FGrid.SetFocus();
    return FGrid.Focused() ||
           (FGrid.InplaceEditor() != nullptr && FGrid.InplaceEditor()->Focused());
  }
  return true;
}

void TCustomDBGridEh::ShowEditor() {
  if (FFilterRow->EditMode()) StopEditFilter();
  TCustomGrid::ShowEditor();
}

void TDBGridDataLinkAdapterEh::DisabledStateChanged(bool enabled) {
  TCustomDBGridEh& g = FGrid;
  g.FFrozenPicture.reset();
  // A walk with the controls off (a print that pumps messages) moves the
  // dataset's buffers under the rows: a paint meanwhile shows this picture.
  if (!enabled && g.HandleAllocated() && IsWindowVisible(g.Handle()) && g.ClientWidth() > 0 &&
      g.ClientHeight() > 0) {
    auto picture = std::make_unique<TBitmap>(g.ClientWidth(), g.ClientHeight());
    try {
      g.PaintWindow(*picture->Canvas());
    } catch (...) {
      // A cell that cannot draw must not stop the walk that turns the
      // controls off; the picture keeps what the screen showed.
    }
    g.FFrozenPicture = std::move(picture);
  }
  g.InvalidateGrid();
}

void TDBGridDataLinkAdapterEh::WatchField(TField* field) { field->FreeNotification(&FGrid); }

// ---- cells

void TCustomDBGridEh::GetCellType(int col, int row, TCellColPartEh& colPart,
                                  TCellRowPartEh& rowPart, int& colIndex, int& rowIndex) const {
  if (col < FIndicatorOffset) {
    colPart = ccpIndicatorEh;
    colIndex = col;
  } else {
    colPart = ccpDataEh;
    colIndex = col - FIndicatorOffset;
  }
  const int t = TitlesVisible();
  const int s = SubTitleRowCount();
  // The last data row; rows are numbered from 0, so without footers it is
  // the last row of the grid.
  const int b = FFooterRowCount > 0 ? RowCount() - FFooterRowCount - 2 : RowCount() - 1;
  if (row < t) {
    rowPart = crpTitleEh;
    rowIndex = row;
  } else if (row < t + s) {
    rowPart = crpSubTitleEh;
    rowIndex = row - t;
  } else if (row <= b) {
    rowPart = crpDataEh;
    rowIndex = row - FTitleOffset;
  } else if (row == b + 1) {
    rowPart = crpFooterFillerEh;
    rowIndex = 0;
  } else {
    rowPart = crpFooterEh;
    rowIndex = row - (b + 1);
  }
}

bool TCustomDBGridEh::DataCanBeModified() {
  if (!FDataLink->Active()) return false;
  TDataSet* ds = FDataLink->DataSet();
  return (FAllowedOperations.Contains(alopUpdateEh) || ds->State() == dsInsert) &&
         (!ds->IsEmpty() || FAllowedOperations.Contains(alopInsertEh) ||
          FAllowedOperations.Contains(alopAppendEh));
}

std::string TCustomDBGridEh::GetFooterValue(int row, TColumnEh* column) {
  TColumnFooterEh* footer = column->UsedFooter(row);
  TDataSet* ds = FDataLink->DataSet();
  switch (footer->ValueType()) {
    case fvtSum:
    case fvtAvg: {
      std::string text = "0";
      if (ds == nullptr) return text;
      TField* field =
          ds->FindField(footer->FieldName().empty() ? column->FieldName() : footer->FieldName());
      if (field == nullptr) return text;
      TDBSum* sum = footer->DBSum();
      const Currency value = sum != nullptr ? sum->SumValue() : Currency();
      // A total beyond Currency (a damaged number) is shown as the double
      // it went on in.
      const bool inFloat = sum != nullptr && sum->SumIsFloat();
      const double real = inFloat ? sum->SumFloat() : 0;
      std::string fieldFormat;
      if (auto* numeric = dynamic_cast<TNumericField*>(field))
        fieldFormat = numeric->DisplayFormat();
      const std::string& format =
          !footer->DisplayFormat().empty() ? footer->DisplayFormat() : fieldFormat;
      auto formatted = [&](std::string_view pattern) {
        return inFloat ? FormatFloat(pattern, real) : FormatCurr(pattern, value);
      };
      switch (field->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint:
          if (inFloat && format.empty()) return FloatToStr(real);
          return format.empty() ? CurrToStr(value) : formatted(format);
        case ftFloat:
        case ftCurrency: {
          if (!format.empty()) return formatted(format);
          auto* floatField = dynamic_cast<TFloatField*>(field);
          const bool money = floatField != nullptr && floatField->Currency();
          const int precision = floatField != nullptr ? floatField->Precision() : 15;
          const TFloatFormat kind = money ? ffCurrency : ffGeneral;
          const int digits = money ? FormatSettings.CurrencyDecimals : 0;
          return inFloat ? FloatToStrF(real, kind, precision, digits)
                         : FloatToStrF(value, kind, precision, digits);
        }
        case ftBCD:
        case ftFMTBcd: {
          if (!format.empty()) return formatted(format);
          auto* bcdField = dynamic_cast<TFloatField*>(field);
          const bool money = bcdField != nullptr && bcdField->Currency();
          const TFloatFormat kind = money ? ffCurrency : ffGeneral;
          const int digits = money ? FormatSettings.CurrencyDecimals : 0;
          return inFloat ? FloatToStrF(real, kind, 15, digits) : CurrToStrF(value, kind, digits);
        }
        default:
          return text;
      }
    }
    case fvtCount: {
      // The sum list keeps a count as a whole number of records.
      TDBSum* sum = footer->DBSum();
      const Currency value = sum != nullptr ? sum->SumValue() : Currency();
      return footer->DisplayFormat().empty() ? CurrToStr(value)
                                             : FormatCurr(footer->DisplayFormat(), value);
    }
    case fvtFieldValue:
      if (ds != nullptr && ds->Active() && !footer->FieldName().empty())
        return TColumnEh::FormatFieldValue(ds->FieldByName(footer->FieldName()),
                                           footer->DisplayFormat());
      return {};
    case fvtStaticText:
      return footer->Value();
    case fvtNon:
      break;
  }
  return {};
}

void TCustomDBGridEh::InvalidateFooter() {
  if (FFooterRowCount <= 0 || !HandleAllocated()) return;
  for (int r = std::max(0, RowCount() - FFooterRowCount); r < RowCount(); ++r) InvalidateRow(r);
}

void TCustomDBGridEh::SumListChangedHandler() { InvalidateFooter(); }

void TCustomDBGridEh::RebuildSortMarkedColumns() {
  std::vector<TColumnEh*> marked;
  for (int i = 0; i < FColumns->Count(); ++i) {
    TColumnTitleEh* title = FColumns->Items(i)->Title();
    // A marker cleared during the update leaves its index behind.
    if (title->SortMarker() == smNoneEh)
      title->FSortIndex = 0;
    else if (title->SortIndex() > 0)
      marked.push_back(FColumns->Items(i));
  }
  std::stable_sort(marked.begin(), marked.end(), [](TColumnEh* a, TColumnEh* b) {
    return a->Title()->SortIndex() < b->Title()->SortIndex();
  });
  for (std::size_t i = 0; i < marked.size(); ++i)
    marked[i]->Title()->FSortIndex = static_cast<int>(i) + 1;
  FSortMarkedColumns = std::move(marked);
}

void TCustomDBGridEh::SortMarkChanged(TColumnEh* column) {
  (void)column;
  if (FUseMultiTitle) RequestLayout();
  InvalidateGrid();
}

void TCustomDBGridEh::TitleClick(TColumnEh* column) {
  if (OnTitleClick) OnTitleClick(this, column);
}

bool TCustomDBGridEh::GridOrEditorFocused() {
  return Focused() || (InplaceEditor() != nullptr && InplaceEditor()->Focused());
}

bool TCustomDBGridEh::HighlightDataCellColor(int col, int row, int dataCol, int dataRow,
                                             TGridDrawState state, TColor& background,
                                             TFont* font) {
  (void)dataRow;
  TDBGridEhHighlightInfo info;
  info.Options = FOptions;
  info.OptionsEh = FOptionsEh;
  info.GridFocused = Focused();
  info.EditorFocused = InplaceEditor() != nullptr && InplaceEditor()->Focused();
  info.EditorMode = EditorMode();
  info.DrawSelected = state.Contains(gdSelected);
  info.CurrentRow = row == Row();
  info.CurrentCol = col == Col() || DataToRawColumn(dataCol) == Col();
  TColor fontColor = font->Color();
  bool on;
  if (FStyle != nullptr) {
    on = FStyle->HighlightDataCellColor(info, background, fontColor);
  } else {
    // Without a style: the plain colours.
    on = state.Contains(gdSelected) &&
         (info.GridFocused || info.EditorFocused || FOptions.Contains(dgAlwaysShowSelection));
    if (on) {
      background = GridOrEditorFocused() ? clHighlight : clBtnShadow;
      fontColor = clHighlightText;
    }
  }
  if (on) font->SetColor(fontColor);
  return on;
}

bool TCustomDBGridEh::HighlightNoDataCellColor(int col, int row, TCellColPartEh colPart,
                                               TCellRowPartEh rowPart, TGridDrawState state,
                                               bool highlighted, TColor& background, TFont* font) {
  (void)col;
  (void)row;
  (void)state;
  TDBGridEhHighlightInfo info;
  info.Options = FOptions;
  info.OptionsEh = FOptionsEh;
  info.GridFocused = Focused();
  TColor fontColor = font->Color();
  bool on = false;
  if (FStyle != nullptr) {
    on = FStyle->HighlightNoDataCellColor(info, colPart, rowPart, highlighted, background,
                                          fontColor);
  } else if (highlighted) {
    background = info.GridFocused ? clHighlight : clBtnFace;
    fontColor = clHighlightText;
    on = true;
  }
  if (on) font->SetColor(fontColor);
  return on;
}

bool TCustomDBGridEh::CellHave3DRect(int col, int row, TGridDrawState state) {
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int ci, ri;
  GetCellType(col, row, colPart, rowPart, ci, ri);
  if (rowPart == crpFooterEh) return FOptionsEh.Contains(dghFooter3D);
  // A filter cell draws its own frame.
  if (rowPart == crpSubTitleEh && colPart == ccpDataEh && ColumnFilterVisible(ci)) return false;
  if (state.Contains(gdFixed) && rowPart != crpFooterFillerEh)
    return FOptionsEh.Contains(dghFixed3D);
  if (rowPart == crpDataEh) {
    if (col < FixedCols()) return FOptionsEh.Contains(dghFrozen3D);
    return FOptionsEh.Contains(dghData3D);
  }
  return false;
}

bool TCustomDBGridEh::RecordHasNumber(int& recNo) {
  if (FRows->PerRecord() && FDataLink->Active()) return false;
  if (!FSumList->HasRecordNumbers()) return false;
  recNo = FSumList->GetRecNo();
  return recNo > 0;
}

// ---- painting

void TCustomDBGridEh::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int colIndex, rowIndex;
  GetCellType(col, row, colPart, rowPart, colIndex, rowIndex);
  TColumnEh* column = colPart == ccpDataEh ? ColumnOfRawCol(col) : nullptr;
  if (colPart == ccpIndicatorEh) {
    DrawIndicatorCell(row, rect, rowPart, state);
  } else if (rowPart == crpTitleEh) {
    DrawTitleCell(col, rect, column, state);
  } else if (rowPart == crpSubTitleEh) {
    DrawSubTitleCell(col, row, rect, column, state);
  } else if (rowPart == crpDataEh) {
    // The tree area goes first; the cell's own contents take the rest.
    TRect cell = rect;
    if (FTree->Shown())
      cell.Left = std::min(cell.Right, cell.Left + FTreeArea->DrawOfRow(col, row, rect, state));
    DrawDataCell(col, row, cell, column, state);
  } else if (rowPart == crpFooterEh) {
    DrawFooterCell(col, rowIndex - 1, rect, column, state);
  } else {
    // The filler row is part of its column, and of everything selected.
    TColor background = Color();
    TFont font;
    font.Assign(Font());
    HighlightNoDataCellColor(col, row, colPart, rowPart, state, IsCellSelected(col, row, {}),
                             background, &font);
    Canvas()->FillSolidRect(rect, background);
  }
  if (rowPart != crpTitleEh && CellHave3DRect(col, row, state)) {
    TRect r = rect;
    DrawEdge(*Canvas(), r, BDR_RAISEDINNER, BF_RECT);
  }
}

int TCustomDBGridEh::IndicatorImageOf(int row) {
  if (!FDataLink->Active()) return -1;
  const int recordIndex = row - FTitleOffset;
  if (recordIndex < 0 || recordIndex >= FRows->DataRowCount()) return -1;
  const bool current = FRows->IsCurrentRow(recordIndex);
  bool selected = false;
  if (FSelectedRows->Count() > 0) {
    TGridRowReadEh reading(*FRows, recordIndex);
    selected = FSelectedRows->IndexOf(FDataLink->DataSet()->Bookmark()) >= 0;
  }
  // A selected row that is not current is only highlighted.
  if (!current) return -1;
  switch (FDataLink->DataSet()->State()) {
    case dsEdit:
      return kIndicatorEdit;
    case dsInsert:
      return kIndicatorInsert;
    default:
      if (selected) return kIndicatorSelectedArrow;
      return FIncSearch->Active() ? kIndicatorSearchArrow : kIndicatorArrow;
  }
}

void TCustomDBGridEh::DrawIndicatorCell(int row, const TRect& rect, TCellRowPartEh rowPart,
                                        TGridDrawState /*state*/) {
  TCanvas& canvas = *Canvas();
  if (rowPart == crpFooterEh) {
    canvas.FillSolidRect(rect, FFooterColor);
    return;
  }
  if (rowPart == crpFooterFillerEh) {
    TColor background = Color();
    TFont font;
    font.Assign(Font());
    HighlightNoDataCellColor(0, row, ccpIndicatorEh, rowPart, {}, IsCellSelected(0, row, {}),
                             background, &font);
    canvas.FillSolidRect(rect, background);
    return;
  }
  TColor background = FixedColor();
  bool selected = false;
  if (rowPart == crpDataEh && FSelectedRows->Count() > 0 && FDataLink->Active() &&
      row - FTitleOffset < FRows->DataRowCount()) {
    TGridRowReadEh reading(*FRows, row - FTitleOffset);
    selected = FSelectedRows->IndexOf(FDataLink->DataSet()->Bookmark()) >= 0;
  }
  TFont font;
  font.Assign(Font());
  HighlightNoDataCellColor(0, row, ccpIndicatorEh, rowPart, {}, selected, background, &font);
  canvas.FillSolidRect(rect, background);
  if (rowPart != crpDataEh) return;
  const int image = IndicatorImageOf(row);
  if (image < 0) return;
  TCustomImageList* images = GridIndicatorImages();
  images->Draw(&canvas, rect.Right - images->Width(),
               (rect.Top + rect.Bottom - images->Height()) / 2, image);
}

void TCustomDBGridEh::DrawTitleText(const TRect& rect, const std::string& text, TColumnEh* column,
                                    TFont* font, TAlignment alignment, TSortMarkerEh marker,
                                    int sortIndex, bool pressed) {
  TCanvas& canvas = *Canvas();
  TRect r = rect;
  if (pressed) {
    const int shift = FUseMultiTitle || FTitleHeight != 0 || FTitleLines != 0 ? 2 : 1;
    r.Left += shift;
    r.Top += shift;
  }
  int markerWidth = 0;
  if (marker != smNoneEh && column != nullptr)
    markerWidth = column->Title()->GetSortMarkingWidth(canvas, r.Right - r.Left);
  TRect textRect{r.Left, r.Top, r.Right - markerWidth, r.Bottom};
  canvas.Font()->Assign(font);
  canvas.SetBkMode(TRANSPARENT);
  TRect tr{textRect.Left + 2, textRect.Top + 2, textRect.Right - 2, textRect.Bottom - 2};
  const int image = column != nullptr ? column->Title()->ImageIndex() : -1;
  if (FTitleImages != nullptr && image >= 0) {
    DrawImageInRect(canvas, textRect, FTitleImages, image, alignment, 2);
  } else if (column != nullptr && column->Title()->Orientation() == tohVertical) {
    WriteTextVerticalEh(canvas, textRect, text, alignment);
  } else if (tr.Right > tr.Left) {
    unsigned flags = AlignFlags(alignment) | DT_NOPREFIX | DT_WORDBREAK;
    if (column != nullptr && column->Title()->EndEllipsis()) flags |= DT_END_ELLIPSIS;
    // The caption sits at the bottom of a tall title.
    TRect measure = tr;
    DrawText(canvas, text, measure, flags | DT_CALCRECT);
    const int textHeight = measure.Bottom - measure.Top;
    if (textHeight < tr.Bottom - tr.Top) tr.Top = tr.Bottom - textHeight;
    DrawText(canvas, text, tr, flags);
  }
  if (markerWidth > 0) {
    // Beside the caption's last line.
    const int cy = std::max(r.Top + 6, r.Bottom - 2 - MeasureFontHeight(font) / 2 - 1);
    int x = r.Right - markerWidth + 2;
    TCustomImageList* markers = GridSortMarkerImages();
    const int markerIndex = marker == smDownEh ? 0 : 1;
    const int my = cy - markers->Height() / 2;
    if (FSortMarkedColumns.size() >= 2 && markerWidth > kSortMarkerRoom - 14) {
      TCanvasStateSaver saver(canvas);
      canvas.Font()->Assign(GridSortIndexFont());
      canvas.Font()->SetColor(font->Color());
      const std::string number = std::to_string(sortIndex);
      // In a narrow title the marker goes first, then the number.
      if (markerWidth >= kSortMarkerRoom) {
        markers->Draw(&canvas, x, my, markerIndex);
        canvas.TextOut(x + markers->Width(), cy - canvas.TextHeight(number) / 2, number);
      } else {
        canvas.TextOut(x, cy - canvas.TextHeight(number) / 2, number);
      }
    } else if (markerWidth >= 10) {
      markers->Draw(&canvas, x, my, markerIndex);
    }
  }
}

bool TCustomDBGridEh::TitleSelected(int col) {
  return SelectionType() == gstColumns && IsCellSelected(col, 0, {});
}

void TCustomDBGridEh::DrawTitleCell(int col, const TRect& rect, TColumnEh* column,
                                    TGridDrawState state) {
  TCanvas& canvas = *Canvas();
  if (column == nullptr) {
    canvas.FillSolidRect(rect, FixedColor());
    return;
  }
  if (FUseMultiTitle && !FLeafFieldArr.empty()) {
    DrawMultiTitle(col, rect, column, state);
    return;
  }
  TFont font;
  font.Assign(column->Title()->Font());
  TColor background = column->Title()->Color();
  TSortMarkerEh marker = column->Title()->SortMarker();
  const bool pressed = FPressedTitle == column;
  if (OnGetBtnParams && column->Field() != nullptr)
    OnGetBtnParams(this, column, &font, background, marker, pressed);
  HighlightNoDataCellColor(col, 0, ccpDataEh, crpTitleEh, state, TitleSelected(col), background,
                           &font);
  canvas.FillSolidRect(rect, background);
  DrawTitleText(rect, column->Title()->Caption(), column, &font, column->Title()->Alignment(),
                marker, column->Title()->SortIndex(), pressed);
  if (FOptionsEh.Contains(dghFixed3D) || column->Title()->TitleButton()) {
    TRect r = rect;
    DrawEdge(canvas, r, pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_RECT);
  }
}

void TCustomDBGridEh::DrawMultiTitle(int col, const TRect& rect, TColumnEh* column,
                                     TGridDrawState state) {
  TCanvas& canvas = *Canvas();
  const int index = column->Index();
  if (index < 0 || index >= static_cast<int>(FLeafFieldArr.size())) return;
  THeadTreeNode* leaf = FLeafFieldArr[static_cast<std::size_t>(index)];
  // The groups above are drawn once per paint across their members
  // (Paint); the leaf's own band is the rest of the title.
  canvas.FillSolidRect(rect, column->Title()->Color());
  const TRect leafRect = TitleLeafRect(column, rect);
  TFont font;
  font.Assign(column->Title()->Font());
  TColor background = column->Title()->Color();
  TSortMarkerEh marker = column->Title()->SortMarker();
  const bool pressed = FPressedTitle == column;
  if (OnGetBtnParams && column->Field() != nullptr)
    OnGetBtnParams(this, column, &font, background, marker, pressed);
  HighlightNoDataCellColor(col, 0, ccpDataEh, crpTitleEh, state, TitleSelected(col), background,
                           &font);
  canvas.FillSolidRect(leafRect, background);
  DrawTitleText(leafRect, leaf->Text, column, &font, column->Title()->Alignment(), marker,
                column->Title()->SortIndex(), pressed);
  if (FOptionsEh.Contains(dghFixed3D) || column->Title()->TitleButton()) {
    TRect r = leafRect;
    DrawEdge(canvas, r, pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_RECT);
  }
}

TRect TCustomDBGridEh::TitleLeafRect(TColumnEh* column, const TRect& cellRect) const {
  const int index = column->Index();
  if (!FUseMultiTitle || index < 0 || index >= static_cast<int>(FLeafFieldArr.size()))
    return cellRect;
  int top = cellRect.Top;
  const THeadTreeNode* leaf = FLeafFieldArr[static_cast<std::size_t>(index)];
  for (const THeadTreeNode* n = leaf->Host; n != nullptr && n->Host != nullptr; n = n->Host)
    top += n->Height;
  return {cellRect.Left, std::min(top, cellRect.Bottom), cellRect.Right, cellRect.Bottom};
}

bool TCustomDBGridEh::OverTitleButton(TColumnEh* column, int x, int y) {
  if (column == nullptr || !FOptions.Contains(dgTitles) || x < 0 || y < 0 || x >= ClientWidth() ||
      y >= ClientHeight())
    return false;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.Y != 0 || ColumnOfRawCol(cell.X) != column) return false;
  // A group caption above the leaf belongs to every column under it.
  return PtInRect(TitleLeafRect(column, CellRect(cell.X, cell.Y)), {x, y});
}

void TCustomDBGridEh::Paint() {
  if (FFrozenPicture != nullptr) {
    Canvas()->Draw(0, 0, FFrozenPicture.get());
    return;
  }
  TCustomGrid::Paint();
  if (FUseMultiTitle && FOptions.Contains(dgTitles) && !FLeafFieldArr.empty()) DrawTitleGroups();
}

void TCustomDBGridEh::DrawTitleGroups() {
  TCanvas& canvas = *Canvas();
  if (canvas.ClipRect().Top >= FTitleRowHeight) return;  // the titles are not repainted
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const TGridAxisDrawInfo& h = info.Horz;
  const int lw = FOptions.Contains(dgColLines) ? GridLineWidth() : 0;
  // Left edges of every raw column, scrolled-out ones at negative places.
  std::vector<int> left(static_cast<std::size_t>(ColCount()), 0);
  int pos = 0;
  for (int i = 0; i < FixedCols(); ++i) {
    left[static_cast<std::size_t>(i)] = pos;
    pos += std::max(0, h.GetExtent(i) + h.EffectiveLineWidth);
  }
  pos = h.FixedBoundary;
  for (int i = LeftCol(); i < ColCount(); ++i) {
    left[static_cast<std::size_t>(i)] = pos;
    pos += std::max(0, h.GetExtent(i) + h.EffectiveLineWidth);
  }
  pos = h.FixedBoundary;
  for (int i = LeftCol() - 1; i >= FixedCols(); --i) {
    pos -= std::max(0, h.GetExtent(i) + h.EffectiveLineWidth);
    left[static_cast<std::size_t>(i)] = pos;
  }
  std::function<void(THeadTreeNode*, int)> draw = [&](THeadTreeNode* node, int top) {
    for (THeadTreeNode* c : node->Children()) {
      if (c->Child == nullptr) continue;
      THeadTreeNode* first = c;
      while (first->Child != nullptr) first = first->Child;
      const int raw = first->Column != nullptr ? DataToRawColumn(first->Column->Index()) : -1;
      if (raw >= 0 && raw < ColCount() && c->Width > 0) {
        const int x = left[static_cast<std::size_t>(raw)];
        TCanvasStateSaver saver(canvas);
        canvas.IntersectClipRect(
            {raw >= FixedCols() ? h.FixedBoundary : 0, 0, h.GridBoundary, FTitleRowHeight});
        const TRect band{x, top, x + c->Width, top + c->Height - lw};
        canvas.FillSolidRect(band, FixedColor());
        const TColor line = FFlat ? clGray : clBlack;
        if (FOptions.Contains(dgRowLines))
          canvas.FillSolidRect({x, band.Bottom, x + c->Width + lw, band.Bottom + 1}, line);
        if (lw > 0)
          canvas.FillSolidRect({band.Right, top, band.Right + lw, band.Bottom}, clBtnShadow);
        canvas.Font()->Assign(FTitleFont.get());
        canvas.SetBkMode(TRANSPARENT);
        TRect tr{band.Left + 2, band.Top + 2, band.Right - 2, band.Bottom - 1};
        DrawText(canvas, c->Text, tr, DT_CENTER | DT_NOPREFIX | DT_WORDBREAK);
        if (FOptionsEh.Contains(dghFixed3D)) {
          TRect r = band;
          DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT);
        }
      }
      draw(c, top + c->Height);
    }
  };
  draw(FTitleTree.get(), 0);
}

void TCustomDBGridEh::DrawDataCell(int col, int row, const TRect& rect, TColumnEh* column,
                                   TGridDrawState state) {
  TCanvas& canvas = *Canvas();
  const int recordIndex = row - FTitleOffset;
  if (column == nullptr || !FDataLink->Active() || recordIndex >= FRows->DataRowCount()) {
    TColor background = Color();
    TFont font;
    font.Assign(Font());
    HighlightNoDataCellColor(col, row, ccpDataEh, crpDataEh, state, false, background, &font);
    canvas.FillSolidRect(rect, background);
    return;
  }
  const bool current = FRows->IsCurrentRow(recordIndex);
  TGridRowReadEh reading(*FRows, recordIndex);

  TColor background = column->Color();
  int recNo = 0;
  // Rows of a dataset read by row number are numbered by their row.
  if (FRows->PerRecord()) recNo = recordIndex + 1;
  if (background == Color() && (recNo > 0 || RecordHasNumber(recNo)))
    background = recNo % 2 == 1 ? OddRowColor() : EvenRowColor();
  TFont font;
  font.SetData(column->Font()->Data());  // both at screen resolution
  FColCellParams.Col = col;
  FColCellParams.Row = row;
  FColCellParams.State = 0;
  FColCellParams.Font = &font;
  FColCellParams.Background = background;
  FColCellParams.Alignment = column->Alignment();
  FColCellParams.ImageIndex = column->CellImageIndex();
  FColCellParams.Text = column->GetCellDisplayText();
  const TColumnEhType kind = column->GetCellKind();
  FColCellParams.CheckState = kind == ctCheckboxes ? column->GetCheckState() : cbUnchecked;
  FColCellParams.ReadOnly = column->ReadOnly();
  if (OnGetCellParams) OnGetCellParams(this, column, &font, FColCellParams.Background, state);
  column->GetColCellParams(false, FColCellParams);
  background = FColCellParams.Background;
  TGridDrawState drawState = state;
  if (current && (col == Col() || FOptions.Contains(dgRowSelect)))
    drawState += TGridDrawState{gdSelected};
  else if (SelectionType() != gstNon && IsCellSelected(col, row, FDataLink->DataSet()->Bookmark()))
    drawState += TGridDrawState{gdSelected};
  HighlightDataCellColor(col, current ? Row() : row, column->Index(), recordIndex, drawState,
                         background, &font);
  canvas.FillSolidRect(rect, background);
  canvas.Font()->Assign(&font);
  canvas.SetBkMode(TRANSPARENT);
  TRect textRect = rect;
  bool textShown = false;
  if (!FDefaultDrawingEh) {
    // Contents are the program's.
  } else if (kind == ctCheckboxes) {
    const int side = std::min(13, std::min(rect.Right - rect.Left, rect.Bottom - rect.Top) - 2);
    TRect box{(rect.Left + rect.Right - side) / 2, (rect.Top + rect.Bottom - side) / 2, 0, 0};
    box.Right = box.Left + side;
    box.Bottom = box.Top + side;
    unsigned flags = DFCS_BUTTONCHECK;
    if (FColCellParams.CheckState == cbChecked) flags |= DFCS_CHECKED;
    if (FColCellParams.CheckState == cbGrayed) flags |= DFCS_BUTTON3STATE | DFCS_CHECKED;
    if (side > 0) DrawFrameControl(canvas, box, DFC_BUTTON, flags);
  } else {
    if (column->AlwaysShowEditButton()) textRect.Right -= DrawEditButtons(rect, column, background);
    bool showText = kind != ctKeyImageList;
    // A value equal to the row above shows only its background, and the
    // line between them takes the cell's colour so the two look merged.
    bool duplicate = false;
    // The row at the top always shows its value.
    if (column->HideDuplicates() && recordIndex > 0 && row > TopRow()) {
      TGridRowReadEh above(*FRows, recordIndex - 1);
      duplicate = column->GetCellDisplayText() == FColCellParams.Text;
    }
    if (duplicate) {
      showText = false;
      if (FOptions.Contains(dgRowLines))
        canvas.FillSolidRect({rect.Left, rect.Top - 1, rect.Right, rect.Top}, column->Color());
    }
    if (column->ImageList() != nullptr && !duplicate) {
      DrawImageInRect(canvas, textRect, column->ImageList(), FColCellParams.ImageIndex,
                      showText ? taLeftJustify : taCenter, 2);
    }
    if (column->ImageList() != nullptr && showText)
      textRect.Left += column->ImageList()->Width() + 4;
    if (showText)
      WriteTextEh(canvas, textRect, 2, 2, FColCellParams.Text, FColCellParams.Alignment,
                  column->Layout(), column->WordWrap() && FMultiLineRows, column->EndEllipsis());
    textShown = showText;
  }
  if (!column->Persistent() && OnDrawDataCell) OnDrawDataCell(this, rect, column->Field(), state);
  if (OnDrawColumnCell) OnDrawColumnCell(this, rect, column->Index(), column, state);
  if (textShown && current && FIncSearch->Active() && col == Col() && Focused()) {
    // The typed beginning stands out; the editor is hidden meanwhile.
    const std::string& searched = FIncSearch->Text();
    const int typed = Length(searched);
    if (typed > 0 &&
        AnsiUpperCase(Copy(FColCellParams.Text, 1, typed)) == AnsiUpperCase(searched)) {
      canvas.Font()->Assign(&font);
      WriteTextPrefixEh(canvas, textRect, 2, 2, FColCellParams.Text, typed,
                        FColCellParams.Alignment, column->Layout(), kGridSearchHighlightColor,
                        kGridSearchFontColor);
    }
  }
  if (column->HighlightRequired() && current) {
    TDataSet* ds = FDataLink->DataSet();
    TField* field = column->Field();
    bool draw = (ds->State() == dsEdit || ds->State() == dsInsert) && field != nullptr &&
                field->Required() && field->IsNull();
    if (column->OnCheckDrawRequiredState)
      column->OnCheckDrawRequiredState(column, FColCellParams.Text, draw);
    if (draw)
      for (int x = rect.Left + 2; x < rect.Right - 3; x += 2)
        canvas.FillSolidRect({x, rect.Bottom - 2, x + 1, rect.Bottom - 1}, clRed);
  }
}

void TCustomDBGridEh::DrawFooterCell(int col, int footerRow, const TRect& rect, TColumnEh* column,
                                     TGridDrawState state) {
  TCanvas& canvas = *Canvas();
  if (column == nullptr) {
    canvas.FillSolidRect(rect, FFooterColor);
    return;
  }
  TColumnFooterEh* footer = column->UsedFooter(footerRow);
  TFont font;
  font.Assign(footer->Font());
  TColor background = footer->Color();
  TAlignment alignment = footer->Alignment();
  std::string text = GetFooterValue(footerRow, column);
  if (OnGetFooterParams)
    OnGetFooterParams(this, column->Index(), footerRow, column, &font, background, alignment, state,
                      text);
  const int row = RowCount() - FFooterRowCount + footerRow;
  HighlightNoDataCellColor(col, row, ccpDataEh, crpFooterEh, state, IsCellSelected(col, row, {}),
                           background, &font);
  canvas.FillSolidRect(rect, background);
  canvas.Font()->Assign(&font);
  canvas.SetBkMode(TRANSPARENT);
  if (FDefaultDrawingEh)
    WriteTextEh(canvas, rect, 2, 2, text, alignment, column->Layout(),
                footer->WordWrap() && FMultiLineRows, footer->EndEllipsis());
  if (OnDrawFooterCell) OnDrawFooterCell(this, column->Index(), footerRow, column, rect, state);
}

int TCustomDBGridEh::DrawEditButtons(const TRect& rect, TColumnEh* column, TColor background) {
  TCanvas& canvas = *Canvas();
  const int standard =
      (FFlat ? DefaultFlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL)) + (FFlat ? 1 : 0);
  const int height = std::min(FInCellButtonHeight, rect.Bottom - rect.Top);
  int right = rect.Right;
  auto button = [&](int width, TDrawButtonControlStyleEh kind) {
    const TRect r{right - width, rect.Top, right, rect.Top + height};
    DrawCellButton(canvas, r, kind, false, FFlat, Enabled(), background);
    if (height < rect.Bottom - rect.Top)
      canvas.FillSolidRect({r.Left, r.Bottom, r.Right, rect.Bottom}, background);
    right -= width;
  };
  const TColumnEhType kind = column->GetCellKind();
  switch (column->ButtonStyle()) {
    case cbsEllipsis:
      button(standard, bcsEllipsisEh);
      break;
    case cbsUpDown:
      button(standard, bcsUpDownEh);
      break;
    case cbsNone:
      break;
    default:
      if (column->ButtonStyle() == cbsDropDown || kind == ctPickList || kind == ctKeyPickList ||
          kind == ctLookupField)
        button(standard, bcsDropDownEh);
      break;
  }
  for (int i = 0; i < column->EditButtons()->Count(); ++i) {
    TEditButtonEh* b = column->EditButtons()->Items(i);
    if (!b->Visible()) continue;
    button((b->Width() > 0 ? b->Width() : standard) + (FFlat ? 1 : 0),
           EditButtonStyleToDrawStyleEh(b->Style()));
  }
  return rect.Right - right;
}

void TCustomDBGridEh::SetTitleImages(TCustomImageList* value) {
  if (FTitleImages == value) return;
  if (FTitleImages != nullptr) FTitleImages->RemoveFreeNotification(this);
  FTitleImages = value;
  if (value != nullptr) value->FreeNotification(this);
  RequestLayout();
}

void TCustomDBGridEh::PostDeferredLayout() {
  if (!HandleAllocated() || FDeferredLayoutQueued) return;
  FDeferredLayoutQueued = PostMessage(Handle(), kDeferredLayoutMessage);
}

TGridCursorEh TCustomDBGridEh::CursorAt(int x, int y) {
  TGridCursorQuery q;
  q.Designing = ComponentState().Contains(csDesigning) && !FDataLink->Active();
  TGridDrawInfo fixedInfo;
  TGridState sizing = gsNormal;
  int index = 0, pos = 0, ofs = 0;
  CalcSizingState(x, y, sizing, index, pos, ofs, fixedInfo);
  q.RowSizing = sizing == gsRowSizing;
  q.Busy = sizing != gsNormal || StartRecordMoving(x, y, true);
  q.MultiSelect = FOptions.Contains(dgMultiSelect);
  q.DataSetActive = FDataLink->Active();
  q.DataSetEmpty = !FDataLink->Active() || FDataLink->DataSet()->IsEmpty();
  q.RecordSelectionAllowed = FAllowedSelections.Contains(gstRecordBookmarks);
  q.ColumnSelectionAllowed = FAllowedSelections.Contains(gstColumns);
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X >= 0 && cell.Y >= 0) {
    TCellColPartEh colPart;
    TCellRowPartEh rowPart;
    int ci, ri;
    GetCellType(cell.X, cell.Y, colPart, rowPart, ci, ri);
    q.OverDataIndicator = colPart == ccpIndicatorEh && rowPart == crpDataEh;
    q.OverTitle = colPart == ccpDataEh && rowPart == crpTitleEh && FOptions.Contains(dgTitles) &&
                  !FOptions.Contains(dgRowSelect);
    const TRect r = CellRect(cell.X, cell.Y);
    q.YInTitle = y - r.Top;
    q.TitleHeight = r.Bottom - r.Top;
  }
  return ChooseGridCursor(q);
}

void TCustomDBGridEh::WndProc(TMessage& message) {
  if (message.Msg == CM_WANTSPECIALKEY && TCMWantSpecialKey{message}.CharCode() == VK_ESCAPE) {
    // Esc is the grid's while it has an edit to give up; else it belongs
    // to the dialog around it.
    TDataSet* ds = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    const bool editing = ds != nullptr && (ds->State() == dsEdit || ds->State() == dsInsert);
    message.Result = EditorMode() || FDataLink->Modified() || editing ? 1 : 0;
    return;
  }
  if (FRecordMoverAdapter->HandleMessage(message)) return;
  if (FRowPerRecord->ScrollMessage(message)) return;
  if (HandleScrollMessage(message)) return;
  if (HandleGridMessage(message)) return;
  if (message.Msg == kDeferredLayoutMessage) {
    FDeferredLayoutQueued = false;
    RequestLayout();
    return;
  }
  if (message.Msg == WM_SETCURSOR && Screen != nullptr && HandleAllocated() &&
      TWMSetCursor{message}.CursorWnd() == Handle() &&
      TWMSetCursor{message}.HitTest() == HTCLIENT) {
    const TPoint p = ScreenToClient(GetCursorPos());
    const TGridCursorEh choice = CursorAt(p.X, p.Y);
    if (HCURSOR cursor = GridCursorHandle(choice)) {
      // The grid's cursors live under numbers of their own.
      const TCursor index = kGridCursorIndex + static_cast<int>(choice);
      if (Screen->Cursors(index) != cursor) Screen->SetCursors(index, cursor);
      Screen->ApplyCursor(index);
      message.Result = 1;
      return;
    }
  }
  TCustomGrid::WndProc(message);
}

void TCustomDBGridEh::ChangeScale(int m, int d) {
  if (m == d) {
    TCustomGrid::ChangeScale(m, d);
    return;
  }
  BeginLayout();
  // Widths scale cumulatively so that rounding does not add up.
  int sum = 0;
  int scaledSum = 0;
  for (int i = 0; i < FColumns->Count(); ++i) {
    TColumnEh* c = FColumns->Items(i);
    sum += c->Width();
    const int scaled = MulDiv(sum, m, d);
    c->SetWidth(scaled - scaledSum);
    scaledSum = scaled;
    if (c->AssignedValues().Contains(cvFont))
      c->Font()->SetHeight(MulDiv(c->Font()->Height(), m, d));
  }
  FTitleFont->SetHeight(MulDiv(FTitleFont->Height(), m, d));
  {
    TFlagGuard scaling(FUpdatingFooterFont);
    FFooterFont->SetHeight(MulDiv(FFooterFont->Height(), m, d));
  }
  EndLayout();
}

void TCustomDBGridEh::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                      int& sizingOfs, TGridDrawInfo& fixedInfo) {
  TCustomGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, fixedInfo);
  // Rows are sized only from the indicator; columns only up to the last
  // one drawn.
  if (state == gsRowSizing && (FIndicatorOffset == 0 || x >= ColWidths(0))) state = gsNormal;
  if (state == gsColSizing && index >= ColCount()) state = gsNormal;
}

// ---- the base grid's hooks

bool TCustomDBGridEh::SelectCell(int col, int row) {
  if (!TCustomGrid::SelectCell(col, row)) return false;
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int ci, ri;
  GetCellType(col, row, colPart, rowPart, ci, ri);
  if (rowPart != crpDataEh) return false;
  if (FOptionsEh.Contains(dgSelectedFrozenCols)) return true;
  return col >= FFrozenCols + FIndicatorOffset;
}

void TCustomDBGridEh::ColWidthsChanged() {
  TCustomGrid::ColWidthsChanged();
  if (FInColumnAttributes || FInLayout || !FColumns) return;
  // The user sized a column: the column takes the new width. The filter
  // row's editor stays open meanwhile.
  {
    TUpdateGuard filterUpdate(*FSTFilter);
    BeginLayout();
    for (int i = 0; i < FColumns->Count(); ++i) {
      TColumnEh* c = FColumns->Items(i);
      const int raw = DataToRawColumn(i);
      if (raw < ColCount() && c->Visible() && ColWidths(raw) != c->Width()) {
        const int base = c->Width();
        c->SetWidth(ColWidths(raw));
        // A column that does not fit simply keeps the width it was given.
        if (FAutoFitColWidths && c->AutoFitColWidth()) ResizeAutoFitShare(c, base, c->Width());
      }
    }
    EndLayout();
  }
  if (OnColWidthsChanged) OnColWidthsChanged(this);
  UpdateHorzExtScrollBar();
  if (FFilterRow->EditMode()) UpdateFilterEditPos();
}

void TCustomDBGridEh::RowHeightsChanged() {
  TCustomGrid::RowHeightsChanged();
  // Rows sized with the mouse keep their height through later rebuilds.
  if (GridState() != gsRowSizing || FInLayout) return;
  for (int row = FTitleOffset; row < RowCount(); ++row) {
    TCellColPartEh colPart;
    TCellRowPartEh rowPart;
    int colIndex, rowIndex;
    GetCellType(0, row, colPart, rowPart, colIndex, rowIndex);
    if (rowPart != crpDataEh) break;
    if (RowHeights(row) == DefaultRowHeight()) continue;
    const int height = RowHeights(row);
    BeginLayout();
    SetRowLines(0);
    SetRowHeight(height);
    EndLayout();
    return;
  }
}

void TCustomDBGridEh::ResizeAutoFitShare(TColumnEh* column, int oldWidth, int newWidth) {
  if (oldWidth <= 0) return;
  const int share = column->AutoFitWidth();
  const int scaled = MulDiv(share, newWidth, oldWidth);
  column->SetAutoFitWidth(scaled);
  // Only the fitting columns shown to its right give or take the rest.
  std::vector<TColumnEh*> right;
  const auto at = std::find(FVisibleColumns.begin(), FVisibleColumns.end(), column);
  if (at != FVisibleColumns.end())
    for (auto it = at + 1; it != FVisibleColumns.end(); ++it)
      if ((*it)->AutoFitColWidth()) right.push_back(*it);
  if (right.empty()) return;
  const int difference = share - scaled;
  if (!FOptionsEh.Contains(dghResizeWholeRightPart)) {
    right.front()->SetAutoFitWidth(std::max(0, right.front()->AutoFitWidth() + difference));
    return;
  }
  int total = 0;
  for (TColumnEh* c : right) total += std::max(0, c->Width());
  int given = 0;
  for (std::size_t k = 0; k < right.size(); ++k) {
    // The last one takes what rounding left over.
    const int part = k + 1 == right.size() ? difference - given
                     : total > 0           ? MulDiv(difference, right[k]->Width(), total)
                                           : difference / static_cast<int>(right.size());
    given += part;
    right[k]->SetAutoFitWidth(std::max(1, right[k]->AutoFitWidth() + part));
  }
}

void TCustomDBGridEh::ColumnMoved(int fromIndex, int toIndex) {
  const int from = RawToDataColumn(fromIndex);
  const int to = RawToDataColumn(toIndex);
  if (from < 0 || to < 0 || from >= FColumns->Count() || to >= FColumns->Count()) return;
  // The filter being edited belongs to its column, wherever that goes.
  TColumnEh* filtered = FFilterRow->Col() >= 0 && FFilterRow->Col() < FColumns->Count()
                            ? FColumns->Items(FFilterRow->Col())
                            : nullptr;
  {
    TUpdateGuard filterUpdate(*FSTFilter);
    FColumns->Items(from)->SetIndex(to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
  }
  if (filtered != nullptr) FFilterRow->SetCol(filtered->Index());
  if (FFilterRow->EditMode()) {
    UpdateFilterEdit(FFilterRow->Col());
    UpdateFilterEditPos();
  }
}

bool TCustomDBGridEh::CanEditShow() {
  if (FLayoutLock > 0 || FFilterRow->EditMode()) return false;
  if (!TCustomGrid::CanEditShow()) return false;
  const int index = SelectedIndex();
  if (index < 0) return false;
  TColumnEh* column = FColumns->Items(index);
  const TColumnEhType kind = column->GetCellKind();
  if (kind == ctKeyImageList || kind == ctCheckboxes) return false;
  // Only the form's active control (or, without a form, the window with
  // the focus or one inside it) shows its editor.
  if (TCustomForm* form = GetParentForm(this)) {
    // The editor is the form's active control while it has the focus.
    TWinControl* active = form->ActiveControl();
    if (active != this && (active == nullptr || active != InplaceEditor())) return false;
  } else if (!Focused() && !(InplaceEditor() != nullptr && InplaceEditor()->Focused())) {
    return false;
  }
  if (SelectionType() != gstNon && FOptionsEh.Contains(dghClearSelection) &&
      FAllowedSelections.Contains(gstRectangle))
    return false;
  if (!DataCanBeModified()) return false;
  return column->CanShowInplaceEditor();
}

bool TCustomDBGridEh::CanEditAcceptKey(char32_t key) {
  TColumnEh* column = ColumnOfRawCol(Col());
  if (column == nullptr) return false;
  if (column->HasKeyList()) return InplaceEditor() == nullptr || !InplaceEditor()->ReadOnly();
  TField* field = column->Field();
  if (field == nullptr) return false;
  if (field->Lookup()) {
    for (TField* keyField : field->DataSet()->GetFieldList(field->KeyFields()))
      if (!keyField->IsValidChar(key)) return false;
    return true;
  }
  return field->IsValidChar(key);
}

bool TCustomDBGridEh::CanEditModify() {
  const int index = SelectedIndex();
  if (index < 0) return false;
  TColumnEh* column = FColumns->Items(index);
  if (column->GetCellKind() == ctCheckboxes || FFilterRow->EditMode()) return false;
  return column->CanModify(true);
}

int TCustomDBGridEh::GetEditLimit() {
  const int index = SelectedIndex();
  if (index < 0) return 0;
  TColumnEh* column = FColumns->Items(index);
  if (column->HasKeyList()) return 0;
  TField* field = column->Field();
  return field != nullptr && field->DataType() == ftString ? field->Size() : 0;
}

std::string TCustomDBGridEh::GetEditMask(int col, int row) {
  (void)row;
  TColumnEh* column = ColumnOfRawCol(col);
  if (column == nullptr) return {};
  if (!column->EditMask().empty()) return column->EditMask();
  TField* field = column->Field();
  return field != nullptr && !column->HasKeyList() ? field->EditMask() : std::string();
}

std::string TCustomDBGridEh::FieldEditText(TColumnEh* column) {
  if (column == nullptr || !FDataLink->Active()) return {};
  TField* field = column->Field();
  if (field == nullptr) return {};
  if (column->HasKeyList()) return column->GetCellDisplayText();
  if (FDrawMemoText && field->DataType() == ftMemo) return field->AsString();
  return field->Text();
}

std::string TCustomDBGridEh::GetEditText(int col, int row) {
  (void)row;
  FEditText = FieldEditText(ColumnOfRawCol(col));
  FEditKeyValue = Variant::Null();
  return FEditText;
}

void TCustomDBGridEh::SetEditText(int col, int row, const std::string& value) {
  (void)col;
  (void)row;
  FEditText = value;
  if (FDataLink->Active()) FDataLink->Modify();
}

void TCustomDBGridEh::Resize() {
  TCustomGrid::Resize();
  UpdateScrollBar();
  if (FAutoFitColWidths)
    RequestLayout();
  else
    UpdateRowCount();
}

void TCustomDBGridEh::CreateWnd() {
  TCustomGrid::CreateWnd();
  RequestLayout();
}
