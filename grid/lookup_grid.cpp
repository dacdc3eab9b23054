#include "grid/lookup_grid.h"

#include <algorithm>

#include "grid/cell_text.h"
#include "platform/base/clock.h"
#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/messages.h"
#include "platform/gui/scrolling.h"

namespace {

constexpr char kCircularDataLink[] = "Circular datalinks are not allowed";
constexpr char kPropDefByLookup[] = "Property already defined by lookup field";
constexpr char kNotInDBCtrlGrid[] = "Operation not allowed in a DBCtrlGrid";
constexpr unsigned kTrackTimerId = TCustomDBGridEh::kAutoScrollTimerId;
constexpr unsigned kMinTrackInterval = 10;

// One stamp for every lookup grid: a pause in typing anywhere starts a new
// search text.
std::uint32_t gLastSearchTick = 0;

bool IsStringType(TFieldType t) {
  return t == ftString || t == ftWideString || t == ftFixedChar || t == ftMemo;
}

}  // namespace

bool LookupValuesEqualEh(const Variant& a, const Variant& b) {
  const bool arrayA = VarIsArray(a);
  if (arrayA != VarIsArray(b)) return false;
  if (!arrayA) {
    if (VarIsEmpty(a) != VarIsEmpty(b)) return false;
    return a == b;
  }
  const int low = VarArrayLowBound(a), high = VarArrayHighBound(a);
  if (low != VarArrayLowBound(b) || high != VarArrayHighBound(b)) return false;
  for (int i = low; i <= high; ++i)
    if (!LookupValuesEqualEh(VarArrayGet(a, i), VarArrayGet(b, i))) return false;
  return true;
}

unsigned LookupGridTimerIntervalEh(int distance) {
  const int interval = 200 - 15 * distance;
  return interval <= 0 ? kMinTrackInterval : static_cast<unsigned>(interval);
}

int LookupGridRowsForHeight(const TLookupGridMetricsEh& m, int height) {
  if (m.DataRowHeight <= 0) return 1;
  return std::max(1, (height - m.FrameHeight - m.TitleHeight - m.SpecRowHeight) / m.DataRowHeight);
}

int LookupGridHeightForRows(const TLookupGridMetricsEh& m, int rows) {
  return m.TitleHeight + m.FrameHeight + rows * m.DataRowHeight + m.SpecRowHeight + m.LineWidth;
}

TVertScrollParamsEh LookupGridScrollParamsEh(const TLookupScrollStateEh& s) {
  TVertScrollParamsEh p;
  if (!s.LinkActive) {
    p.Max = 2;
  } else if (s.Sequenced) {
    p.Page = s.VisibleRows;
    p.Max = s.RecordCount - 1;
    p.Position = s.Inserting ? 0 : s.RecNo - s.ActiveRecord - 1;
  } else if (s.VisibleRows == s.LinkRecordCount) {
    p.Max = 4;
    p.Position = s.Bof ? 0 : s.Eof ? 4 : 2;
  }
  return p;
}

// ------------------------------------------------------------ data link

void TLookupGridDataLinkEh::ActiveChanged() { FGrid->UpdateDataFields(); }

void TLookupGridDataLinkEh::LayoutChanged() { FGrid->UpdateDataFields(); }

void TLookupGridDataLinkEh::RecordChanged(TField* field) { FGrid->TakeBoundValue(field); }

void TLookupGridDataLinkEh::FocusControl(TField*& field) {
  if (field == nullptr) return;
  const auto& bound = FGrid->DataFields();
  if (std::find(bound.begin(), bound.end(), field) == bound.end() && field != FGrid->FLookupField)
    return;
  if (FGrid->CanFocus()) {
    field = nullptr;
    FGrid->SetFocus();
  }
}

// ------------------------------------------------------------ spec cells

TGridColumnSpecCellEh::TGridColumnSpecCellEh(TColumnEh* column)
    : FColumn(column), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject*) {
    if (FReadingFont) return;
    FFontAssigned = true;
    Changed();
  };
}

TGridColumnSpecCellEh::~TGridColumnSpecCellEh() = default;

TSpecRowEh* TGridColumnSpecCellEh::SpecRow() const {
  auto* grid = dynamic_cast<TDBLookupGridEh*>(FColumn->Grid());
  return grid != nullptr ? grid->SpecRow() : nullptr;
}

void TGridColumnSpecCellEh::Changed() {
  if (TCustomDBGridEh* grid = FColumn->Grid()) grid->InvalidateGrid();
}

TColor TGridColumnSpecCellEh::Color() const {
  if (FColorAssigned) return FColor;
  TSpecRowEh* row = SpecRow();
  return row != nullptr ? row->Color() : clWindow;
}

void TGridColumnSpecCellEh::SetColor(TColor value) {
  if (FColorAssigned && FColor == value) return;
  FColor = value;
  FColorAssigned = true;
  Changed();
}

TFont* TGridColumnSpecCellEh::Font() {
  if (!FFontAssigned) {
    if (TSpecRowEh* row = SpecRow()) {
      FReadingFont = true;
      FFont->Assign(row->Font());
      FReadingFont = false;
    }
  }
  return FFont.get();
}

void TGridColumnSpecCellEh::SetFont(const TFont* value) { FFont->Assign(value); }

std::string TGridColumnSpecCellEh::Text() const {
  if (FTextAssigned) return FText;
  TSpecRowEh* row = SpecRow();
  return row != nullptr ? row->CellText(FColumn->Index()) : std::string();
}

void TGridColumnSpecCellEh::SetText(const std::string& value) {
  if (FTextAssigned && FText == value) return;
  FText = value;
  FTextAssigned = true;
  Changed();
}

void TGridColumnSpecCellEh::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TGridColumnSpecCellEh*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  SetText(src->Text());
  SetColor(src->Color());
  if (src->FFontAssigned) SetFont(src->FFont.get());
}

// ------------------------------------------------------------ columns

TDBLookupGridColumnEh::TDBLookupGridColumnEh(TCollection* collection)
    : TDBGridColumnEh(collection), FSpecCell(CreateUnique<TGridColumnSpecCellEh>(this)) {}

TDBLookupGridColumnEh::~TDBLookupGridColumnEh() = default;

void TDBLookupGridColumnEh::SetIndex(int value) {
  auto* grid = dynamic_cast<TDBLookupGridEh*>(Grid());
  const int from = Index();
  const int count = Collection() != nullptr ? Collection()->Count() : 0;
  if (grid != nullptr && value != from && value >= 0 && value < count) {
    // The special row keeps one cell text per column, in column order.
    std::vector<std::string> cells;
    for (int i = 0; i < count; ++i)
      cells.push_back(
          static_cast<TDBLookupGridColumnEh*>(Collection()->Items(i))->FSpecCell->Text());
    const std::string moved = cells[static_cast<std::size_t>(from)];
    cells.erase(cells.begin() + from);
    cells.insert(cells.begin() + value, moved);
    std::string joined;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) joined += ';';
      const std::string& c = cells[i];
      const bool quote = c.find(';') != std::string::npos || c.find('"') != std::string::npos;
      if (!quote) {
        joined += c;
        continue;
      }
      joined += '"';
      for (char ch : c) {
        if (ch == '"') joined += '"';
        joined += ch;
      }
      joined += '"';
    }
    TColumnEh::SetIndex(value);
    grid->SpecRow()->SetCellsText(joined);
    // The list fields follow the columns.
    std::string names;
    for (int i = 0; i < count; ++i) {
      const std::string& n = static_cast<TColumnEh*>(Collection()->Items(i))->FieldName();
      if (n.empty()) continue;
      if (!names.empty()) names += ';';
      names += n;
    }
    if (!grid->FListFieldNames.empty()) grid->FListFieldNames = names;
    return;
  }
  TColumnEh::SetIndex(value);
}

void TDBLookupGridColumnEh::SetWidth(int value) {
  // Never written through to the list's field: the list dataset is not
  // ours to change.
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr) grid->BeginLayout();
  const bool persistent = Persistent();
  SetPersistent(true);
  TColumnEh::SetWidth(value);
  SetPersistent(persistent);
  if (grid != nullptr) grid->EndLayout();
}

// ------------------------------------------------------------ the grid

TDBLookupGridEh::TDBLookupGridEh(TComponent* owner)
    : TCustomDBGridEh(owner), FKeyLink(std::make_unique<TLookupGridDataLinkEh>(this)) {}

void TDBLookupGridEh::AfterConstruction() {
  TCustomDBGridEh::AfterConstruction();
  FInternalSource = CreateUnique<TDataSource>();
  FSpecRow = CreateUnique<TSpecRowEh>(this);
  FSpecRow->OnChanged = [this](TObject*) { SpecRowChanged(); };
  SetParentColor(false);
  TCustomDBGridEh::SetOptions(TDBGridOptions{dgColLines, dgRowSelect});
  SetOptionsEh(OptionsEh() + TDBGridEhOptions{dghTraceColSizing});
  SetFlat(true);
  SetDrawMemoText(true);
  SetVTitleMargin(5);
  SetTabStop(false);
}

void TDBLookupGridEh::BeforeDestruction() {
  StopTracking();
  FKeyLink->SetDataSource(nullptr);
  TCustomDBGridEh::SetDataSource(nullptr);
  TCustomDBGridEh::BeforeDestruction();
}

TObjectPtr<TDBGridColumnsEh> TDBLookupGridEh::CreateColumns() {
  return CreateUnique<TDBGridColumnsEh>(this, TCollection::ItemFactory<TDBLookupGridColumnEh>());
}

TObjectPtr<TColumnDefValuesEh> TDBLookupGridEh::CreateColumnDefValues() {
  return CreateUnique<TDBLookupGridColumnDefValuesEh>(this);
}

void TDBLookupGridEh::Notification(TComponent* component, TOperation operation) {
  TCustomDBGridEh::Notification(component, operation);
  if (operation == opRemove && FKeyLink && component == FKeyLink->DataSource())
    FKeyLink->SetDataSource(nullptr);
}

// ---- binding

void TDBLookupGridEh::SetDataSource(TDataSource* value) {
  if (value == FKeyLink->DataSource()) return;
  if (FKeyLink->DataSourceFixed()) throw EDatabaseError(kNotInDBCtrlGrid);
  FKeyLink->SetDataSource(value);
  if (value != nullptr) value->FreeNotification(this);
}

void TDBLookupGridEh::SetDataField(const std::string& value) {
  if (FDataFieldNames == value) return;
  const std::string old = FDataFieldNames;
  FDataFieldNames = value;
  try {
    UpdateDataFields();
  } catch (...) {
    // A name that is not there leaves the binding as it was.
    FDataFieldNames = old;
    UpdateDataFields();
    throw;
  }
}

void TDBLookupGridEh::SetListSource(TDataSource* value) {
  if (FLookupMode) throw EDatabaseError(kPropDefByLookup);
  if (FKeyLink->DataSourceFixed()) throw EDatabaseError(kNotInDBCtrlGrid);
  TCustomDBGridEh::SetDataSource(value);
}

void TDBLookupGridEh::SetKeyField(const std::string& value) {
  if (FLookupMode) throw EDatabaseError(kPropDefByLookup);
  if (FKeyLink->DataSourceFixed()) throw EDatabaseError(kNotInDBCtrlGrid);
  if (FKeyFieldNames == value) return;
  FKeyFieldNames = value;
  UpdateListFields();
  UpdateColumnsWidth();
}

void TDBLookupGridEh::SetListFieldNames(const std::string& value) {
  if (FListFieldNames == value) return;
  FListFieldNames = value;
  RequestLayout();
  UpdateListFields();
  UpdateColumnsWidth();
}

void TDBLookupGridEh::SetListFieldIndex(int value) {
  if (FListFieldIndex == value) return;
  FListFieldIndex = value;
  UpdateListFields();
}

void TDBLookupGridEh::UpdateDataFields() {
  const bool wasLookup = FLookupMode;
  FDataFields.clear();
  FLookupMode = false;
  FLookupField = nullptr;
  if (FKeyLink->Active() && !FDataFieldNames.empty()) {
    TDataSet* ds = FKeyLink->DataSet();
    TDataSet* list = ListSource() != nullptr ? ListSource()->DataSet() : nullptr;
    if (list != nullptr && FKeyLink->DataSource()->IsLinkedTo(list))
      throw EDatabaseError(kCircularDataLink);
    std::vector<TField*> fields = ds->GetFieldList(FDataFieldNames);
    if (fields.size() == 1 && fields[0]->Lookup()) {
      FLookupField = fields[0];
      FLookupMode = true;
      FDataFields = ds->GetFieldList(FLookupField->KeyFields());
      FKeyFieldNames = FLookupField->LookupKeyFields();
      FInternalSource->SetDataSet(FLookupField->LookupDataSet());
      if (TCustomDBGridEh::DataSource() != FInternalSource.get())
        TCustomDBGridEh::SetDataSource(FInternalSource.get());
      else
        UpdateListFields();
    } else {
      FDataFields = std::move(fields);
    }
  }
  if (wasLookup && !FLookupMode) {
    TCustomDBGridEh::SetDataSource(nullptr);
    FInternalSource->SetDataSet(nullptr);
    FKeyFieldNames.clear();
    UpdateListFields();
  }
  TakeBoundValue(nullptr);
}

void TDBLookupGridEh::TakeBoundValue(TField* field) {
  if (field != nullptr &&
      std::find(FDataFields.begin(), FDataFields.end(), field) == FDataFields.end())
    return;
  if (FDataFields.empty()) {
    if (!FDataFieldNames.empty()) SetKeyValue(Variant::Null());
    return;
  }
  std::string names;
  for (TField* f : FDataFields) {
    if (!names.empty()) names += ';';
    names += f->FieldName();
  }
  SetKeyValue(FKeyLink->DataSet()->FieldValues(names));
}

std::vector<TField*> TDBLookupGridEh::ResolveListFields() const {
  std::vector<TField*> out;
  TDataSet* ds = DataLink()->DataSet();
  if (ds == nullptr || !DataLink()->Active()) return out;
  if (!FListFieldNames.empty()) out = ds->GetFieldList(FListFieldNames);
  if (FLookupMode && FLookupField != nullptr) {
    TField* result = ds->FindField(FLookupField->LookupResultField());
    if (result != nullptr && std::find(out.begin(), out.end(), result) == out.end())
      out.insert(out.begin(), result);
  }
  if (out.empty() && !FKeyFieldNames.empty()) out = ds->GetFieldList(FKeyFieldNames);
  return out;
}

void TDBLookupGridEh::UpdateListFields() {
  FListActive = false;
  FListField = nullptr;
  FListFields.clear();
  FKeyFields.clear();
  TDataSet* ds = DataLink()->DataSet();
  if (DataLink()->Active() && !FKeyFieldNames.empty()) {
    FKeyFields = ds->GetFieldList(FKeyFieldNames);
    FListFields = ResolveListFields();
    if (FLookupMode && FLookupField != nullptr) {
      FListField = ds->FindField(FLookupField->LookupResultField());
    } else if (!FListFields.empty()) {
      const int i = FListFieldIndex >= 0 && FListFieldIndex < static_cast<int>(FListFields.size())
                        ? FListFieldIndex
                        : 0;
      FListField = FListFields[static_cast<std::size_t>(i)];
    }
    FListActive = true;
  }
  if (!FListActive)
    UpdateListSize();
  else
    KeyValueChanged();
}

// ---- the key

void TDBLookupGridEh::SetKeyValue(const Variant& value) {
  if (LookupValuesEqualEh(FKeyValue, value)) return;
  FKeyValue = value;
  KeyValueChanged();
}

Variant TDBLookupGridEh::ListRecordKey() const {
  TDataSet* ds = DataLink()->DataSet();
  if (ds == nullptr || FKeyFieldNames.empty()) return Variant::Null();
  return ds->FieldValues(FKeyFieldNames);
}

bool TDBLookupGridEh::LocateKey() {
  TDataSet* ds = DataLink()->DataSet();
  if (VarIsNull(FKeyValue) || ds == nullptr || !ds->Active() || FKeyFields.empty()) return false;
  const bool array = VarIsArray(FKeyValue);
  if (FKeyFields.size() == 1
          ? array
          : !array || VarArrayHighBound(FKeyValue) - VarArrayLowBound(FKeyValue) + 1 !=
                          static_cast<int>(FKeyFields.size()))
    return false;
  try {
    return ds->Locate(FKeyFieldNames, FKeyValue, {});
  } catch (const EVariantError&) {
    // A key that does not convert to the key field's type is not there.
    return false;
  }
}

void TDBLookupGridEh::KeyValueChanged() {
  bool located = false;
  bool searched = false;
  FSpecRowSelected = false;
  if (FSpecRow->Visible()) {
    if (LookupValuesEqualEh(FKeyValue, FSpecRow->Value())) {
      FSpecRowSelected = true;
    } else if (FSpecRow->ShowIfNotInKeyList()) {
      located = LocateKey();
      searched = true;
      FSpecRowSelected = !located;
    }
  }
  if (FListActive && DataLink()->Active()) {
    if (!searched) located = LocateKey();
    if (!located && !FSpecRowSelected) DataLink()->DataSet()->First();
    UpdateListSize();
  }
  std::string text;
  if (FSpecRowSelected) {
    for (int i = 0; i < Columns()->Count(); ++i) {
      auto* c = static_cast<TDBLookupGridColumnEh*>(Columns()->Items(i));
      if (FListField != nullptr && c->Field() == FListField) {
        text = c->SpecCell()->Text();
        break;
      }
    }
    if (text.empty() && FListField == nullptr) text = FSpecRow->CellText(0);
  } else if (FListField != nullptr && FListActive && DataLink()->Active()) {
    text = FListField->DisplayText();
  }
  SetText(text);
  if (HandleAllocated()) InvalidateGrid();
}

void TDBLookupGridEh::SelectKeyValue(const Variant& value) {
  if (FDataFields.empty()) {
    SetKeyValue(value);
  } else if (FKeyLink->Edit()) {
    TDataSet* ds = FKeyLink->DataSet();
    std::string names;
    for (TField* f : FDataFields) {
      if (!names.empty()) names += ';';
      names += f->FieldName();
    }
    ds->SetFieldValues(names, value);
  }
  UpdateActive();
  if (HandleAllocated()) InvalidateGrid();
  Click();
}

bool TDBLookupGridEh::CanModify() {
  if (FDataFields.empty()) return FDataFieldNames.empty() || !FKeyLink->Active();
  if (!FKeyLink->Active() || FKeyLink->ReadOnly()) return false;
  return std::all_of(FDataFields.begin(), FDataFields.end(),
                     [](TField* f) { return f->CanModify(); });
}

void TDBLookupGridEh::SpecRowChanged() {
  RequestLayout();
  if (!ComponentState().Contains(csLoading)) KeyValueChanged();
  if (HandleAllocated()) SetHeight(HeightForRowCount());
}

// ---- size

int TDBLookupGridEh::GetBorderSize() { return Height() - ClientHeight(); }

int TDBLookupGridEh::RowLineWidth() const {
  // The base grid always draws the lines between fixed rows, and then
  // keeps the line's room after every row.
  return GridLineWidth();
}

int TDBLookupGridEh::DataRowHeight() { return DefaultRowHeight() + RowLineWidth(); }

int TDBLookupGridEh::SpecRowHeight() { return FSpecRow->Visible() ? DataRowHeight() : 0; }

int TDBLookupGridEh::TitleBottom() {
  const TLookupGridMetricsEh m = Metrics();
  return m.TitleHeight + m.LineWidth;
}

TLookupGridMetricsEh TDBLookupGridEh::Metrics() {
  TLookupGridMetricsEh m;
  if (Options().Contains(dgTitles) && TCustomGrid::RowCount() > 0) {
    m.TitleHeight = RowHeights(0);
    m.LineWidth = RowLineWidth();
  }
  m.FrameHeight = GetBorderSize();
  m.DataRowHeight = DataRowHeight();
  m.SpecRowHeight = SpecRowHeight();
  return m;
}

int TDBLookupGridEh::HeightForRowCount() { return LookupGridHeightForRows(Metrics(), FRowCount); }

void TDBLookupGridEh::SetRowCount(int value) {
  value = std::clamp(value, 1, kLookupMaxRowCount);
  FRowCount = value;
  SetHeight(HeightForRowCount());
}

void TDBLookupGridEh::SetShowTitles(bool value) {
  if (ShowTitles() == value) return;
  TDBGridOptions o = Options();
  if (value)
    o += TDBGridOptions{dgTitles};
  else
    o -= TDBGridOptions{dgTitles};
  TCustomDBGridEh::SetOptions(o);
  SetHeight(HeightForRowCount());
}

void TDBLookupGridEh::SetBounds(int left, int top, int width, int height) {
  const TLookupGridMetricsEh m = Metrics();
  if (m.DataRowHeight > 0 && !ComponentState().Contains(csLoading)) {
    FRowCount = std::min(LookupGridRowsForHeight(m, height), kLookupMaxRowCount);
    height = LookupGridHeightForRows(m, FRowCount);
  }
  TCustomDBGridEh::SetBounds(left, top, width, height);
}

void TDBLookupGridEh::SetLookupOptions(TDBLookupGridEhOptions value) {
  if (FLookupOptions == value) return;
  FLookupOptions = value;
  ApplyLookupOptions();
}

void TDBLookupGridEh::ApplyLookupOptions() {
  TDBGridOptions o = Options();
  auto put = [](auto& set, auto flag, bool on) {
    using S = std::remove_reference_t<decltype(set)>;
    if (on)
      set += S{flag};
    else
      set -= S{flag};
  };
  put(o, dgColumnResize, FLookupOptions.Contains(dlgColumnResizeEh));
  put(o, dgColLines, FLookupOptions.Contains(dlgColLinesEh));
  put(o, dgRowLines, FLookupOptions.Contains(dlgRowLinesEh));
  TDBGridEhOptions e = OptionsEh();
  put(e, dghAutoSortMarking, FLookupOptions.Contains(dlgAutoSortMarkingEh));
  put(e, dghMultiSortMarking, FLookupOptions.Contains(dlgMultiSortMarkingEh));
  TCustomDBGridEh::SetOptions(o);
  SetOptionsEh(e);
}

void TDBLookupGridEh::SetAutoFitColWidths(bool value) {
  if (FListAutoFit == value) return;
  FListAutoFit = value;
  SetScrollBars(value ? ssVertical : ssBoth);
  UpdateColumnsWidth();
}

int TDBLookupGridEh::FittedListWidth() {
  int w = 0;
  for (TColumnEh* c : VisibleColumns()) {
    w += c->Width();
    if (Options().Contains(dgColLines)) w += GridLineWidth();
  }
  return w;
}

void TDBLookupGridEh::UpdateColumnsWidth() {
  if (FInColumnsWidth || !FListAutoFit || !DataLink()->Active()) return;
  TFlagGuard guard(FInColumnsWidth);
  TCustomDBGridEh::SetAutoFitColWidths(true);
  for (int i = 0; i < Columns()->Count(); ++i) {
    TColumnEh* c = Columns()->Items(i);
    c->SetWidth(c->Width());
  }
  TCustomDBGridEh::SetAutoFitColWidths(false);
  if (HandleAllocated()) InvalidateGrid();
}

void TDBLookupGridEh::ColWidthsChanged() {
  TCustomDBGridEh::ColWidthsChanged();
  if (FSizingColumns || GridState() != gsColSizing || !HandleAllocated() || !FListAutoFit) return;
  TFlagGuard guard(FSizingColumns);
  int w = 0;
  for (int i = 0; i < Columns()->Count(); ++i) {
    TColumnEh* c = Columns()->Items(i);
    if (!c->Visible()) continue;
    w += c->Width() + (Options().Contains(dgColLines) ? GridLineWidth() : 0);
    c->SetAutoFitWidth(c->Width());
  }
  SetClientWidth(w);
}

// ---- the grid's hooks

int TDBLookupGridEh::SubTitleRowCount() const {
  return TCustomDBGridEh::SubTitleRowCount() + (FSpecRow && FSpecRow->Visible() ? 1 : 0);
}

bool TDBLookupGridEh::CellHave3DRect(int col, int row, TGridDrawState state) {
  if (FSpecRow->Visible() && row == SpecRowGridRow()) return false;
  return TCustomDBGridEh::CellHave3DRect(col, row, state);
}

void TDBLookupGridEh::GetDatasetFieldList(std::vector<TField*>& list) const {
  for (TField* f : ResolveListFields()) list.push_back(f);
}

void TDBLookupGridEh::DefineFieldMap() {
  if (Columns()->State() == csCustomized) {
    TCustomDBGridEh::DefineFieldMap();
    return;
  }
  DataLink()->SetSparseMap(false);
  for (TField* f : ResolveListFields()) DataLink()->AddMapping(f->FieldName());
}

void TDBLookupGridEh::DrawSubTitleCell(int col, int row, const TRect& rect, TColumnEh* column,
                                       TGridDrawState state) {
  if (!FSpecRow->Visible() || row != SpecRowGridRow() || column == nullptr) {
    TCustomDBGridEh::DrawSubTitleCell(col, row, rect, column, state);
    return;
  }
  auto* c = static_cast<TDBLookupGridColumnEh*>(column);
  TCanvas& canvas = *Canvas();
  TFont font;
  font.Assign(c->SpecCell()->Font());
  TColor background = c->SpecCell()->Color();
  if (FSpecRowSelected) {
    background = clHighlight;
    font.SetColor(clHighlightText);
  }
  canvas.FillSolidRect(rect, background);
  canvas.Font()->Assign(&font);
  canvas.SetBkMode(TRANSPARENT);
  WriteTextEh(canvas, rect, 2, 2, c->SpecCell()->Text(), column->Alignment(), tlCenter, false,
              false);
  if (FSpecRowSelected && col == TCustomGrid::ColCount() - 1) {
    // One focus rectangle over the whole row.
    TRect r = rect;
    r.Left = 0;
    DrawFocusRect(canvas, r);
  }
}

bool TDBLookupGridEh::HighlightDataCellColor(int col, int row, int dataCol, int dataRow,
                                             TGridDrawState state, TColor& background,
                                             TFont* font) {
  (void)col;
  (void)row;
  (void)dataCol;
  (void)dataRow;
  (void)state;
  if (VarIsNull(FKeyValue) || !DataLink()->Active() || FSpecRowSelected) return false;
  TDataSet* ds = DataLink()->DataSet();
  if (ds->State() == dsEdit || ds->State() == dsInsert) return false;
  if (!LookupValuesEqualEh(ListRecordKey(), FKeyValue)) return false;
  background = clHighlight;
  font->SetColor(clHighlightText);
  return true;
}

void TDBLookupGridEh::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  TCustomDBGridEh::DrawCell(col, row, rect, state);
  if (FNeedRowFocusRect && row == Row() && row >= TitleOffset() && col >= IndicatorOffset() &&
      DataLink()->Active() && LookupValuesEqualEh(ListRecordKey(), FKeyValue))
    DrawFocusRect(*Canvas(), rect);
}

void TDBLookupGridEh::UpdateRowCount() {
  if (FInRowCount) return;
  {
    TFlagGuard guard(FInRowCount);
    TCustomDBGridEh::UpdateRowCount();
  }
  UpdateListSize();
}

void TDBLookupGridEh::UpdateActive() {
  TCustomDBGridEh::UpdateActive();
  // The row focus is shown only on the row of the key.
  FNeedRowFocusRect = false;
  if (!DataLink()->Active() || VarIsNull(FKeyValue) || FSpecRowSelected) return;
  FNeedRowFocusRect = LookupValuesEqualEh(ListRecordKey(), FKeyValue);
}

void TDBLookupGridEh::UpdateListSize() {
  if (FInListSize) return;
  TFlagGuard guard(FInListSize);
  if (FListActive && DataLink()->Active()) {
    TDataSet* ds = DataLink()->DataSet();
    if (RowPerRecordMode()) {
      FListRecordIndex = ds->RecNo() - 1;
      FListRecordCount = ds->RecordCount();
    } else {
      FListRecordIndex = DataLink()->ActiveRecord();
      FListRecordCount = DataLink()->RecordCount();
    }
    FKeySet = !VarIsNull(FKeyValue) || !ds->IsEmpty();
  } else {
    FListRecordIndex = 0;
    FListRecordCount = 0;
    FKeySet = false;
  }
  UpdateScrollBar();
  UpdateRowCount();
}

void TDBLookupGridEh::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  TLookupScrollStateEh s;
  s.LinkActive = DataLink()->Active();
  if (s.LinkActive) {
    TDataSet* ds = DataLink()->DataSet();
    s.Sequenced = ds->IsSequenced();
    s.RecordCount = ds->RecordCount();
    s.RecNo = ds->RecNo();
    s.ActiveRecord = DataLink()->ActiveRecord();
    s.VisibleRows = VisibleDataRowCount();
    s.LinkRecordCount = DataLink()->RecordCount();
    s.Bof = ds->Bof();
    s.Eof = ds->Eof();
    s.Inserting = ds->State() == dsInsert;
  }
  const TVertScrollParamsEh p = LookupGridScrollParamsEh(s);
  TScrollInfo old;
  old.fMask = SIF_ALL;
  GetScrollInfo(Handle(), SB_VERT, old);
  if (old.nMin == p.Min && old.nMax == p.Max && static_cast<int>(old.nPage) == p.Page &&
      old.nPos == p.Position)
    return;
  TScrollInfo info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = p.Min;
  info.nMax = p.Max;
  info.nPage = static_cast<unsigned>(std::max(0, p.Page));
  info.nPos = p.Position;
  SetScrollInfo(Handle(), SB_VERT, info, true);
}

void TDBLookupGridEh::LinkActive(bool value) {
  TCustomDBGridEh::LinkActive(value);
  UpdateListFields();
  UpdateColumnsWidth();
}

void TDBLookupGridEh::DataChanged() {
  TCustomDBGridEh::DataChanged();
  UpdateListSize();
  UpdateActive();
}

void TDBLookupGridEh::Scroll(int distance) {
  TCustomDBGridEh::Scroll(distance);
  UpdateListSize();
  UpdateActive();
}

// ---- keys

void TDBLookupGridEh::ProcessSearchKey(char32_t key) {
  if (FListField == nullptr || !IsStringType(FListField->DataType()) ||
      (FListField->FieldKind() != fkData && FListField->FieldKind() != fkInternalCalc))
    return;
  if (key == 8 || key == 27) {
    FSearchText.clear();
    return;
  }
  if (key < 32 || !CanModify()) return;
  const std::uint32_t now = GetTickCount();
  if (now - gLastSearchTick > kLookupSearchTimeout) FSearchText.clear();
  gLastSearchTick = now;
  if (Length(FSearchText) >= kLookupSearchMaxLength) return;
  const std::string text = FSearchText + Utf32ToUtf8(std::u32string(1, key));
  TDataSet* ds = DataLink()->DataSet();
  if (ds->Locate(FListField->FieldName(), Variant(text), {loCaseInsensitive, loPartialKey})) {
    SelectKeyValue(ListRecordKey());
    FSearchText = text;
  } else if (!LookupValuesEqualEh(ListRecordKey(), FKeyValue)) {
    // A miss may leave the list elsewhere; it goes back to the key.
    LocateKey();
  }
}

bool TDBLookupGridEh::GoToKeyRecord() {
  if (LookupValuesEqualEh(ListRecordKey(), FKeyValue)) return true;
  const int n = DataLink()->RecordCount();
  const int saved = DataLink()->ActiveRecord();
  for (int r = 0; r < n; ++r) {
    DataLink()->SetActiveRecord(r);
    const bool hit = LookupValuesEqualEh(ListRecordKey(), FKeyValue);
    DataLink()->SetActiveRecord(saved);
    if (hit) {
      DataLink()->MoveBy(r - saved);
      return true;
    }
  }
  return false;
}

void TDBLookupGridEh::MoveInList(int distance, int toEnd) {
  FSearchText.clear();
  if (!FListActive) return;
  TDataSet* ds = DataLink()->DataSet();
  if (toEnd < 0) {
    ds->First();
  } else if (toEnd > 0) {
    ds->Last();
  } else if (FSpecRow->Visible() && FSpecRowSelected) {
    if (distance < 0) return;
    // Down from the special row starts at the first record.
    ds->First();
    if (distance > 1) ds->MoveBy(distance - 1);
  } else {
    if (!GoToKeyRecord()) {
      KeyValueChanged();
      return;
    }
    const int moved = ds->MoveBy(distance);
    if (distance < 0 && moved == 0 && FSpecRow->Visible()) {
      if (!LookupValuesEqualEh(FKeyValue, FSpecRow->Value()) || !FSpecRowSelected)
        SelectKeyValue(FSpecRow->Value());
      FSpecRowSelected = true;
      ds->First();
      KeyValueChanged();
      return;
    }
  }
  if (ds->IsEmpty()) return;
  const Variant v = ListRecordKey();
  if (!LookupValuesEqualEh(v, FKeyValue) || FSpecRowSelected) SelectKeyValue(v);
}

void TDBLookupGridEh::KeyDown(unsigned& key, TShiftState shift) {
  const bool noHorzBar = ScrollBars() == ssVertical || ScrollBars() == ssNone;
  const bool listKey = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN ||
                       key == VK_HOME || key == VK_END ||
                       (noHorzBar && (key == VK_LEFT || key == VK_RIGHT));
  if (!listKey || shift.Contains(ssAlt) || !CanModify()) {
    TCustomDBGridEh::KeyDown(key, shift);
    return;
  }
  // The owner sees the key first and may take it.
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == 0) return;
  const int rows = std::max(1, VisibleDataRowCount());
  switch (key) {
    case VK_PRIOR:
      MoveInList(1 - rows, 0);
      break;
    case VK_NEXT:
      MoveInList(rows - 1, 0);
      break;
    case VK_UP:
    case VK_LEFT:
      MoveInList(-1, 0);
      break;
    case VK_DOWN:
    case VK_RIGHT:
      MoveInList(1, 0);
      break;
    case VK_HOME:
      MoveInList(0, -1);
      break;
    case VK_END:
      MoveInList(0, 1);
      break;
    default:
      break;
  }
  key = 0;
}

void TDBLookupGridEh::KeyPress(char32_t& key) {
  ProcessSearchKey(key);
  if (key >= 32 || key == 8 || key == 27) {
    if (OnKeyPress) OnKeyPress(this, key);
    key = 0;
    return;
  }
  TCustomDBGridEh::KeyPress(key);
}

// ---- mouse

void TDBLookupGridEh::ChooseRowAt(int x, int y) {
  const int titleBottom = TitleBottom();
  if (FSpecRow->Visible() && y >= titleBottom && y < titleBottom + SpecRowHeight()) {
    if (!LookupValuesEqualEh(FSpecRow->Value(), FKeyValue) || !FSpecRowSelected) {
      SelectKeyValue(FSpecRow->Value());
      if (!FSpecRowSelected) {
        FSpecRowSelected = true;
        KeyValueChanged();
      }
    }
    return;
  }
  if (!FListActive || y < titleBottom) return;
  y = std::min(y, ClientHeight() - 1);
  const TGridCoord cell = MouseCoord(std::clamp(x, 0, std::max(0, ClientWidth() - 1)), y);
  if (cell.Y < TitleOffset()) return;
  const int record = cell.Y - TitleOffset();
  if (record >= DataLink()->RecordCount()) return;
  DataLink()->MoveBy(record - DataLink()->ActiveRecord());
  const Variant v = ListRecordKey();
  if (!LookupValuesEqualEh(v, FKeyValue) || FSpecRowSelected) SelectKeyValue(v);
}

void TDBLookupGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const TGridCoord cell = MouseCoord(x, y);
  bool mine = false;
  if (cell.X >= IndicatorOffset() && cell.Y >= 0) {
    TCellColPartEh colPart;
    TCellRowPartEh rowPart;
    int ci, ri;
    GetCellType(cell.X, cell.Y, colPart, rowPart, ci, ri);
    mine = rowPart == crpDataEh || (FSpecRow->Visible() && cell.Y == SpecRowGridRow());
  }
  if (!mine) {
    TCustomDBGridEh::MouseDown(button, shift, x, y);
    return;
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (button != mbLeft) return;
  FSearchText.clear();
  if (TakesFocusOnPress() && CanFocus()) {
    SetFocus();
    if (!Focused()) return;
  }
  if (!CanModify()) return;
  const int titleBottom = TitleBottom();
  if (shift.Contains(ssDouble)) {
    const int rowHeight = std::max(1, DataRowHeight());
    if ((y - titleBottom - SpecRowHeight()) / rowHeight == DataLink()->ActiveRecord()) DblClick();
    return;
  }
  SetMouseCapture(true);
  if (MouseCapture()) {
    FTracking = true;
    FMouseY = y;
    if (y >= titleBottom) ChooseRowAt(x, y);
  }
}

void TDBLookupGridEh::MouseMove(TShiftState shift, int x, int y) {
  if (!FTracking) {
    TCustomDBGridEh::MouseMove(shift, x, y);
    return;
  }
  ChooseRowAt(x, y);
  FMouseY = y;
  TimerScroll();
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TDBLookupGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!FTracking) {
    TCustomDBGridEh::MouseUp(button, shift, x, y);
    return;
  }
  StopTracking();
  const int titleBottom = TitleBottom();
  if (y >= titleBottom) ChooseRowAt(x, y);
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TDBLookupGridEh::StopTracking() {
  if (!FTracking) return;
  FTracking = false;
  if (HandleAllocated()) KillTimer(Handle(), kTrackTimerId);
  if (MouseCapture()) SetMouseCapture(false);
}

void TDBLookupGridEh::TimerScroll() {
  if (!FListActive || !HandleAllocated()) return;
  int direction = 0;
  int distance = 0;
  if (FMouseY < 0) {
    direction = -1;
    distance = -FMouseY;
  } else if (FMouseY >= ClientHeight()) {
    direction = 1;
    distance = FMouseY - ClientHeight() + 1;
  } else {
    KillTimer(Handle(), kTrackTimerId);
    return;
  }
  TDataSet* ds = DataLink()->DataSet();
  if (FSpecRow->Visible() && FMouseY < 0 && ds->Bof()) {
    if (!FSpecRowSelected) SelectKeyValue(FSpecRow->Value());
    if (!FSpecRowSelected) {
      FSpecRowSelected = true;
      KeyValueChanged();
    }
  } else if (ds->MoveBy(direction) != 0) {
    const Variant v = ListRecordKey();
    if (!LookupValuesEqualEh(v, FKeyValue) || FSpecRowSelected) SelectKeyValue(v);
  }
  SetTimer(Handle(), kTrackTimerId, LookupGridTimerIntervalEh(distance));
}

// ---- messages

void TDBLookupGridEh::VScroll(int code, int pos) {
  FSearchText.clear();
  if (!FListActive) return;
  TDataSet* ds = DataLink()->DataSet();
  TGridDataLinkEh* link = DataLink();
  const int rows = std::max(1, VisibleDataRowCount());
  // A page keeps the edge record in view.
  const int pageUp = -link->ActiveRecord() - rows + 1;
  const int pageDown = link->RecordCount() - link->ActiveRecord() + rows - 2;
  switch (code) {
    case SB_THUMBPOSITION:
      if (ds->IsSequenced()) {
        ds->SetRecNo(std::clamp(pos + 1, 1, std::max(1, ds->RecordCount())));
      } else if (pos == 0) {
        ds->First();
      } else if (pos == 4) {
        ds->Last();
      } else if (pos < 2) {
        link->MoveBy(pageUp);
      } else if (pos > 2) {
        link->MoveBy(pageDown);
      }
      break;
    default:
      link->MoveByScrollCode(code, pageUp, pageDown);
      break;
  }
}

void TDBLookupGridEh::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SETFOCUS:
      FSearchText.clear();
      TCustomDBGridEh::WndProc(message);
      if (HandleAllocated()) InvalidateGrid();
      return;
    case WM_KILLFOCUS:
      TCustomDBGridEh::WndProc(message);
      if (HandleAllocated()) InvalidateGrid();
      return;
    case WM_TIMER:
      if (message.WParam == kTrackTimerId && FTracking) {
        TimerScroll();
        return;
      }
      break;
    case WM_VSCROLL: {
      TWMVScroll scroll{message};
      int pos = scroll.Pos();
      if (HandleAllocated() && scroll.ScrollCode() == SB_THUMBPOSITION)
        pos = ThumbPosition(Handle(), SB_VERT, scroll.Pos());
      VScroll(scroll.ScrollCode(), pos);
      return;
    }
    case WM_CANCELMODE:
      StopTracking();
      break;
    case CM_HINTSHOW:
      // The grid's own hint first; the cell tool tips may replace it.
      if (auto* info = LParamAs<THintInfo>(message.LParam)) info->HintStr = Hint();
      break;
    default:
      break;
  }
  TCustomDBGridEh::WndProc(message);
}
