#include "grid/columns.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "grid/column_filter.h"
#include "grid/db_grid.h"
#include "grid/grid_resources.h"
#include "grid/grid_utils.h"
#include "grid/popup_data_grid.h"
#include "platform/base/date_time.h"
#include "platform/base/math_utils.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/widgets/grid_inplace_edit.h"
#include "platform/widgets/menus.h"

namespace {

constexpr int kDefaultColumnWidth = 64;
constexpr int kSortMarkerRoom = 16;

bool IsNumericType(TFieldType t) {
  switch (t) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
    case ftAutoInc:
    case ftLargeint:
      return true;
    default:
      return false;
  }
}

bool IsDateTimeType(TFieldType t) {
  return t == ftDate || t == ftTime || t == ftDateTime || t == ftTimeStamp;
}

bool IsStepType(TFieldType t) {
  switch (t) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

// Values of a ';'-list, trimmed as field names are.
std::vector<std::string> SplitValues(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t end = line.find(';', start);
    if (end == std::string::npos) end = line.size();
    out.push_back(Trim(line.substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

// Copies `source` into `target` without letting the change handler think
// the user assigned it.
void CopyFontQuietly(TFont* target, const TFont* source, bool& guard) {
  if (target->Data() == source->Data()) return;
  guard = true;
  target->Assign(source);
  guard = false;
}

}  // namespace

// ---- default values

TAlignment TColumnTitleDefValuesEh::Alignment() const {
  if (FAlignmentAssigned) return FAlignment;
  return FGrid != nullptr && FGrid->UseMultiTitle() ? taCenter : taLeftJustify;
}
void TColumnTitleDefValuesEh::SetAlignment(TAlignment value) {
  FAlignment = value;
  FAlignmentAssigned = true;
  Changed();
}
TColor TColumnTitleDefValuesEh::Color() const {
  if (FColorAssigned) return FColor;
  return FGrid != nullptr ? FGrid->FixedColor() : clBtnFace;
}
void TColumnTitleDefValuesEh::SetColor(TColor value) {
  FColor = value;
  FColorAssigned = true;
  Changed();
}
void TColumnTitleDefValuesEh::SetEndEllipsis(bool value) {
  if (FEndEllipsis == value) return;
  FEndEllipsis = value;
  Changed();
}
void TColumnTitleDefValuesEh::SetOrientation(TTextOrientationEh value) {
  if (FOrientation == value) return;
  FOrientation = value;
  if (FGrid != nullptr) FGrid->RequestLayout();
}
void TColumnTitleDefValuesEh::SetTitleButton(bool value) {
  if (FTitleButton == value) return;
  FTitleButton = value;
  Changed();
}
void TColumnTitleDefValuesEh::SetToolTips(bool value) { FToolTips = value; }
void TColumnTitleDefValuesEh::Changed() {
  if (FGrid != nullptr) FGrid->InvalidateGrid();
}
void TColumnTitleDefValuesEh::Assign(const TPersistent* source) {
  if (auto* o = dynamic_cast<const TColumnTitleDefValuesEh*>(source)) {
    FAlignment = o->FAlignment;
    FAlignmentAssigned = o->FAlignmentAssigned;
    FColor = o->FColor;
    FColorAssigned = o->FColorAssigned;
    FEndEllipsis = o->FEndEllipsis;
    FOrientation = o->FOrientation;
    FTitleButton = o->FTitleButton;
    FToolTips = o->FToolTips;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TColumnFooterDefValuesEh::SetToolTips(bool value) { FToolTips = value; }
void TColumnFooterDefValuesEh::Assign(const TPersistent* source) {
  if (auto* o = dynamic_cast<const TColumnFooterDefValuesEh*>(source)) {
    FToolTips = o->FToolTips;
    return;
  }
  TPersistent::Assign(source);
}

TColumnDefValuesEh::TColumnDefValuesEh(TCustomDBGridEh* grid)
    : FGrid(grid),
      FTitle(CreateUnique<TColumnTitleDefValuesEh>(grid)),
      FFooter(CreateUnique<TColumnFooterDefValuesEh>(grid)) {}
TColumnDefValuesEh::~TColumnDefValuesEh() = default;

void TColumnDefValuesEh::Changed() {
  if (FGrid != nullptr) FGrid->InvalidateGrid();
}
void TColumnDefValuesEh::SetAlwaysShowEditButton(bool value) {
  if (FAlwaysShowEditButton == value) return;
  FAlwaysShowEditButton = value;
  Changed();
}
void TColumnDefValuesEh::SetEndEllipsis(bool value) {
  if (FEndEllipsis == value) return;
  FEndEllipsis = value;
  Changed();
}
void TColumnDefValuesEh::SetLayout(TTextLayout value) {
  if (FLayout == value) return;
  FLayout = value;
  Changed();
}
void TColumnDefValuesEh::SetHighlightRequired(bool value) {
  if (FHighlightRequired == value) return;
  FHighlightRequired = value;
  Changed();
}
void TColumnDefValuesEh::Assign(const TPersistent* source) {
  if (auto* o = dynamic_cast<const TColumnDefValuesEh*>(source)) {
    FAlwaysShowEditButton = o->FAlwaysShowEditButton;
    FAutoDropDown = o->FAutoDropDown;
    FDblClickNextVal = o->FDblClickNextVal;
    FDropDownShowTitles = o->FDropDownShowTitles;
    FDropDownSizing = o->FDropDownSizing;
    FEndEllipsis = o->FEndEllipsis;
    FLayout = o->FLayout;
    FHighlightRequired = o->FHighlightRequired;
    FToolTips = o->FToolTips;
    FTitle->Assign(o->FTitle.get());
    FFooter->Assign(o->FFooter.get());
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// ---- drop-down box

TColumnDropDownBoxEh::TColumnDropDownBoxEh(TColumnEh* column)
    : FColumn(column), FSpecRow(CreateUnique<TSpecRowEh>(column->Grid())) {}
TColumnDropDownBoxEh::~TColumnDropDownBoxEh() = default;

void TColumnDropDownBoxEh::SetListSource(TDataSource* value) {
  FListSource = value;
  if (value != nullptr && FColumn->Grid() != nullptr) value->FreeNotification(FColumn->Grid());
}

void TColumnDropDownBoxEh::Assign(const TPersistent* source) {
  if (auto* o = dynamic_cast<const TColumnDropDownBoxEh*>(source)) {
    FAutoFitColWidths = o->FAutoFitColWidths;
    FListSource = o->FListSource;
    FWidth = o->FWidth;
    FSizable = o->FSizable;
    FRows = o->FRows;
    FUseMultiTitle = o->FUseMultiTitle;
    FSpecRow->Assign(o->FSpecRow.get());
    return;
  }
  TPersistent::Assign(source);
}

// ---- assigned values

template <class T>
T TColumnEh::OwnOrDefault(TColumnEhValue v, const T& own,
                          T (TColumnDefValuesEh::*inherited)() const, T none) const {
  if (IsAssigned(v)) return own;
  TCustomDBGridEh* grid = Grid();
  return grid != nullptr ? (grid->ColumnDefValues()->*inherited)() : none;
}

template <class T>
T TColumnEh::OwnOrTitleDefault(TColumnEhValue v, const T& own,
                               T (TColumnTitleDefValuesEh::*inherited)() const, T none) const {
  if (IsAssigned(v)) return own;
  TCustomDBGridEh* grid = Grid();
  return grid != nullptr ? (grid->ColumnDefValues()->Title()->*inherited)() : none;
}

template <class T>
void TColumnEh::AssignOwn(TColumnEhValue v, T& own, const T& value) {
  if (IsAssigned(v) && own == value) return;
  own = value;
  MarkAssigned(v);
  ColumnChanged();
}

// ---- title

TColumnTitleEh::TColumnTitleEh(TColumnEh* column)
    : FColumn(column), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject*) {
    if (FSettingFont) return;
    SetAssigned(cvTitleFont);
    Changed();
  };
}
TColumnTitleEh::~TColumnTitleEh() = default;

bool TColumnTitleEh::Assigned(TColumnEhValue v) const { return FColumn->IsAssigned(v); }
void TColumnTitleEh::SetAssigned(TColumnEhValue v) { FColumn->MarkAssigned(v); }
void TColumnTitleEh::Changed() { FColumn->ColumnChanged(); }

TAlignment TColumnTitleEh::Alignment() const {
  return FColumn->OwnOrTitleDefault(cvTitleAlignment, FAlignment,
                                    &TColumnTitleDefValuesEh::Alignment, taLeftJustify);
}
void TColumnTitleEh::SetAlignment(TAlignment value) {
  FColumn->AssignOwn(cvTitleAlignment, FAlignment, value);
}

std::string TColumnTitleEh::Caption() const {
  if (Assigned(cvTitleCaption)) return FCaption;
  TField* field = FColumn->Field();
  return field != nullptr ? field->DisplayName() : FColumn->FieldName();
}
void TColumnTitleEh::SetCaption(const std::string& value) {
  if (FColumn->UsesFieldSettings()) {
    if (TField* field = FColumn->Field()) {
      field->SetDisplayLabel(value);
      Changed();
      return;
    }
  }
  FColumn->AssignOwn(cvTitleCaption, FCaption, value);
}

TColor TColumnTitleEh::Color() const {
  return FColumn->OwnOrTitleDefault(cvTitleColor, FColor, &TColumnTitleDefValuesEh::Color,
                                    TColor{clBtnFace});
}
void TColumnTitleEh::SetColor(TColor value) { FColumn->AssignOwn(cvTitleColor, FColor, value); }

bool TColumnTitleEh::EndEllipsis() const {
  return FColumn->OwnOrTitleDefault(cvTitleEndEllipsis, FEndEllipsis,
                                    &TColumnTitleDefValuesEh::EndEllipsis, false);
}
void TColumnTitleEh::SetEndEllipsis(bool value) {
  FColumn->AssignOwn(cvTitleEndEllipsis, FEndEllipsis, value);
}

TFont* TColumnTitleEh::Font() const {
  if (!Assigned(cvTitleFont)) {
    TCustomDBGridEh* grid = FColumn->Grid();
    if (grid != nullptr)
      CopyFontQuietly(FFont.get(), grid->TitleFont(), FColumn->FTitle->FSettingFont);
  }
  return FFont.get();
}
void TColumnTitleEh::SetFont(const TFont* value) { FFont->Assign(value); }
void TColumnTitleEh::RefreshDefaultFont() { (void)Font(); }

void TColumnTitleEh::SetImageIndex(int value) {
  if (FImageIndex == value) return;
  FImageIndex = value;
  if (TCustomDBGridEh* grid = FColumn->Grid()) grid->RequestLayout();
}

TTextOrientationEh TColumnTitleEh::Orientation() const {
  return FColumn->OwnOrTitleDefault(cvTitleOrientation, FOrientation,
                                    &TColumnTitleDefValuesEh::Orientation, tohHorizontal);
}
void TColumnTitleEh::SetOrientation(TTextOrientationEh value) {
  FColumn->AssignOwn(cvTitleOrientation, FOrientation, value);
}

bool TColumnTitleEh::TitleButton() const {
  return FColumn->OwnOrTitleDefault(cvTitleButton, FTitleButton,
                                    &TColumnTitleDefValuesEh::TitleButton, false);
}
void TColumnTitleEh::SetTitleButton(bool value) {
  FColumn->AssignOwn(cvTitleButton, FTitleButton, value);
}

bool TColumnTitleEh::ToolTips() const {
  return FColumn->OwnOrTitleDefault(cvTitleToolTips, FToolTips, &TColumnTitleDefValuesEh::ToolTips,
                                    false);
}
void TColumnTitleEh::SetToolTips(bool value) {
  FToolTips = value;
  SetAssigned(cvTitleToolTips);
}

bool TColumnTitleEh::CollectionUpdating() const {
  const TCollection* collection = FColumn->Collection();
  return collection != nullptr && collection->UpdateCount() > 0;
}

void TColumnTitleEh::SetSortMarker(TSortMarkerEh value) {
  if (FSortMarker == value) return;
  // Columns being loaded or copied: the grid's list is made from the
  // indexes when the update ends.
  if (CollectionUpdating()) {
    FSortMarker = value;
    return;
  }
  TCustomDBGridEh* grid = FColumn->Grid();
  const TSortMarkerEh old = FSortMarker;
  FSortMarker = value;
  if (grid == nullptr) {
    FSortIndex = value == smNoneEh ? 0 : 1;
    Changed();
    return;
  }
  auto& marked = grid->FSortMarkedColumns;
  const bool multi = grid->OptionsEh().Contains(dghMultiSortMarking);
  if (value == smNoneEh) {
    std::erase(marked, FColumn);
    FSortIndex = 0;
  } else if (old == smNoneEh) {
    if (!multi) {
      // A single sort: every other column loses its mark.
      for (TColumnEh* c : std::vector<TColumnEh*>(marked))
        if (c != FColumn) {
          c->Title()->FSortMarker = smNoneEh;
          c->Title()->FSortIndex = 0;
        }
      marked.clear();
    }
    marked.push_back(FColumn);
  }
  for (std::size_t i = 0; i < marked.size(); ++i)
    marked[i]->Title()->FSortIndex = static_cast<int>(i) + 1;
  grid->SortMarkChanged(FColumn);
}

void TColumnTitleEh::SetSortIndex(int value) {
  value = std::max(0, value);
  if (value == FSortIndex) return;
  if (CollectionUpdating()) {
    FSortIndex = value;
    return;
  }
  TCustomDBGridEh* grid = FColumn->Grid();
  if (grid == nullptr || FSortMarker == smNoneEh) return;
  auto& marked = grid->FSortMarkedColumns;
  if (value < 1 || value > static_cast<int>(marked.size())) return;
  // Only swaps with the column holding that place.
  std::swap(marked[static_cast<std::size_t>(value - 1)],
            marked[static_cast<std::size_t>(FSortIndex - 1)]);
  for (std::size_t i = 0; i < marked.size(); ++i)
    marked[i]->Title()->FSortIndex = static_cast<int>(i) + 1;
  grid->SortMarkChanged(FColumn);
}

void TColumnTitleEh::SetNextSortMarkerValue(bool keepMulti) {
  TCustomDBGridEh* grid = FColumn->Grid();
  if (!keepMulti && grid != nullptr)
    for (TColumnEh* c : std::vector<TColumnEh*>(grid->SortMarkedColumns()))
      if (c != FColumn) c->Title()->SetSortMarker(smNoneEh);
  switch (FSortMarker) {
    case smNoneEh:
      SetSortMarker(smUpEh);
      break;
    case smUpEh:
      SetSortMarker(smDownEh);
      break;
    case smDownEh:
      SetSortMarker(keepMulti ? smNoneEh : smUpEh);
      break;
  }
}

int TColumnTitleEh::GetSortMarkingWidth(TCanvas& canvas, int columnWidth) const {
  if (FSortMarker == smNoneEh) return 0;
  TCustomDBGridEh* grid = FColumn->Grid();
  int width = kSortMarkerRoom;
  int textWidth = 0;
  if (grid != nullptr && grid->SortMarkedColumns().size() >= 2) {
    TCanvasStateSaver saver(canvas);
    canvas.Font()->Assign(GridSortIndexFont());
    textWidth = canvas.TextWidth(std::to_string(FSortIndex));
    width += textWidth;
  }
  if (width > columnWidth - 4) width -= 14;
  if (width > columnWidth - 4) width -= textWidth + 2;
  return std::max(width, 0);
}

void TColumnTitleEh::RestoreDefaults() {
  TColumnEhValues& values = FColumn->FAssigned;
  for (TColumnEhValue v : {cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont,
                           cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation})
    values.Exclude(v);
  RefreshDefaultFont();
}

void TColumnTitleEh::Assign(const TPersistent* source) {
  if (auto* o = dynamic_cast<const TColumnTitleEh*>(source)) {
    if (o->Assigned(cvTitleAlignment)) SetAlignment(o->Alignment());
    if (o->Assigned(cvTitleCaption)) SetCaption(o->Caption());
    if (o->Assigned(cvTitleColor)) SetColor(o->Color());
    if (o->Assigned(cvTitleFont)) SetFont(o->Font());
    if (o->Assigned(cvTitleButton)) SetTitleButton(o->TitleButton());
    if (o->Assigned(cvTitleEndEllipsis)) SetEndEllipsis(o->EndEllipsis());
    if (o->Assigned(cvTitleOrientation)) SetOrientation(o->Orientation());
    if (o->Assigned(cvTitleToolTips)) SetToolTips(o->ToolTips());
    FHint = o->FHint;
    SetImageIndex(o->FImageIndex);
    SetSortIndex(o->FSortIndex);
    SetSortMarker(o->FSortMarker);
    return;
  }
  TPersistent::Assign(source);
}

// ---- footers

TColumnFooterEh::TColumnFooterEh(TCollection* collection) : TCollectionItem(collection) {
  if (auto* footers = dynamic_cast<TColumnFootersEh*>(collection)) FColumn = footers->Column();
  FFont = std::make_unique<TFont>();
  FFont->OnChange = [this](TObject*) {
    if (FColumn != nullptr && FColumn->FSettingFont) return;
    FAssigned.Include(fvFont);
    Changed();
  };
}

TColumnFooterEh::TColumnFooterEh(TCollection* collection, TColumnEh* column)
    : TColumnFooterEh(collection) {
  FColumn = column;
}

TObjectPtr<TColumnFooterEh> TColumnFooterEh::CreateFor(TColumnEh* column) {
  return CreateUnique<TColumnFooterEh>(static_cast<TCollection*>(nullptr), column);
}

TColumnFooterEh::~TColumnFooterEh() { ReleaseSum(); }

void TColumnFooterEh::Changed() {
  if (FColumn != nullptr && FColumn->Grid() != nullptr) FColumn->Grid()->InvalidateFooter();
}

TAlignment TColumnFooterEh::Alignment() const {
  if (FAssigned.Contains(fvAlignment)) return FAlignment;
  TField* field = FColumn != nullptr ? FColumn->Field() : nullptr;
  return field != nullptr ? field->Alignment() : taLeftJustify;
}
void TColumnFooterEh::SetAlignment(TAlignment value) {
  FAlignment = value;
  FAssigned.Include(fvAlignment);
  Changed();
}
TColor TColumnFooterEh::Color() const {
  if (FAssigned.Contains(fvColor)) return FColor;
  TCustomDBGridEh* grid = FColumn != nullptr ? FColumn->Grid() : nullptr;
  return grid != nullptr ? grid->FooterColor() : clWindow;
}
void TColumnFooterEh::SetColor(TColor value) {
  FColor = value;
  FAssigned.Include(fvColor);
  Changed();
}
void TColumnFooterEh::SetDisplayFormat(const std::string& value) {
  if (FDisplayFormat == value) return;
  FDisplayFormat = value;
  Changed();
}
void TColumnFooterEh::SetEndEllipsis(bool value) {
  if (FEndEllipsis == value) return;
  FEndEllipsis = value;
  Changed();
}
void TColumnFooterEh::SetFieldName(const std::string& value) {
  if (FFieldName == value) return;
  FFieldName = value;
  EnsureSumValue();
  Changed();
}
TFont* TColumnFooterEh::Font() const {
  if (!FAssigned.Contains(fvFont) && FColumn != nullptr && FColumn->Grid() != nullptr)
    CopyFontQuietly(FFont.get(), FColumn->Grid()->FooterFont(), FColumn->FSettingFont);
  return FFont.get();
}
void TColumnFooterEh::SetFont(const TFont* value) { FFont->Assign(value); }
bool TColumnFooterEh::ToolTips() const {
  if (FAssigned.Contains(fvToolTips)) return FToolTips;
  TCustomDBGridEh* grid = FColumn != nullptr ? FColumn->Grid() : nullptr;
  return grid != nullptr && grid->ColumnDefValues()->Footer()->ToolTips();
}
void TColumnFooterEh::SetToolTips(bool value) {
  FToolTips = value;
  FAssigned.Include(fvToolTips);
}
void TColumnFooterEh::SetValue(const std::string& value) {
  if (FValue == value) return;
  FValue = value;
  Changed();
}
void TColumnFooterEh::SetValueType(TFooterValueType value) {
  if (FValueType == value) return;
  FValueType = value;
  EnsureSumValue();
  Changed();
}
void TColumnFooterEh::SetWordWrap(bool value) {
  if (FWordWrap == value) return;
  FWordWrap = value;
  Changed();
}

TDBSum* TColumnFooterEh::DBSum() const {
  if (FSums == nullptr) return nullptr;
  return static_cast<TDBSum*>(FSums->FindItemID(FSumId));
}

void TColumnFooterEh::ReleaseSum() {
  TDBSum* sum = DBSum();
  FSums = nullptr;
  FSumId = -1;
  if (sum != nullptr) sum->Free();
}

void TColumnFooterEh::EnsureSumValue() {
  TCustomDBGridEh* grid = FColumn != nullptr ? FColumn->Grid() : nullptr;
  if (grid == nullptr) return;
  const bool wantsSum = FValueType == fvtSum || FValueType == fvtAvg || FValueType == fvtCount;
  if (!wantsSum) {
    ReleaseSum();
    return;
  }
  const TGroupOperation op =
      FValueType == fvtSum ? goSum : (FValueType == fvtAvg ? goAvg : goCount);
  const std::string field =
      op == goCount ? std::string() : (FFieldName.empty() ? FColumn->FieldName() : FFieldName);
  const TDBSum* bound = DBSum();
  if (bound != nullptr && bound->GroupOperation() == op && bound->FieldName() == field) return;
  TDBSumCollection* sums = grid->SumList()->SumCollection();
  sums->BeginUpdate();
  ReleaseSum();
  TDBSum* sum = sums->Add();
  sum->SetGroupOperation(op);
  sum->SetFieldName(field);
  FSums = sums;
  FSumId = sum->ID();
  sums->EndUpdate();
}

void TColumnFooterEh::RestoreDefaults() {
  FAssigned = {};
  Changed();
}

void TColumnFooterEh::Assign(const TPersistent* source) {
  if (auto* o = dynamic_cast<const TColumnFooterEh*>(source)) {
    if (o->FAssigned.Contains(fvAlignment)) SetAlignment(o->FAlignment);
    if (o->FAssigned.Contains(fvColor)) SetColor(o->FColor);
    if (o->FAssigned.Contains(fvFont)) SetFont(o->FFont.get());
    if (o->FAssigned.Contains(fvToolTips)) SetToolTips(o->FToolTips);
    FDisplayFormat = o->FDisplayFormat;
    FEndEllipsis = o->FEndEllipsis;
    FFieldName = o->FFieldName;
    FValue = o->FValue;
    FWordWrap = o->FWordWrap;
    FValueType = o->FValueType;
    EnsureSumValue();
    Changed();
    return;
  }
  TCollectionItem::Assign(source);
}

TColumnFootersEh::TColumnFootersEh(TColumnEh* column)
    : TCollection(ItemFactory<TColumnFooterEh>()), FColumn(column) {}
TColumnFootersEh::~TColumnFootersEh() { Clear(); }
TPersistent* TColumnFootersEh::GetOwner() const { return FColumn; }
void TColumnFootersEh::Update(TCollectionItem* item) {
  (void)item;
  if (FColumn->Grid() != nullptr) FColumn->Grid()->RequestLayout();
}

// ---- the column

TColumnEh::TColumnEh(TCollection* collection)
    : TCollectionItem(collection), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject*) {
    if (FSettingFont) return;
    MarkAssigned(cvFont);
    FTitle->RefreshDefaultFont();
    ColumnChanged();
  };
}

void TColumnEh::AfterConstruction() {
  TCollectionItem::AfterConstruction();
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr) grid->BeginLayout();
  FTitle = CreateTitle();
  FFooter = CreateFooter();
  FFooters = CreateFooters();
  FEditButtons = CreateEditButtons();
  FEditButtons->OnUpdate = [this](TObject*) { ColumnChanged(); };
  FDropDownSpecRow = CreateUnique<TSpecRowEh>(grid);
  FDropDownBox = CreateUnique<TColumnDropDownBoxEh>(this);
  FMRUList = CreateUnique<TMRUListEh>(this);
  FSTFilter = std::make_unique<TSTColumnFilterEh>(this);
  FAutoFitWidth = Width();
  if (grid != nullptr) grid->EndLayout();
}

TColumnEh::~TColumnEh() = default;

TPopupDataGridEh* TColumnEh::DataList() {
  if (!FDataList) {
    FDataList = CreateUnique<TPopupDataGridEh>();
    FDataList->SetName("DataList");
  }
  return FDataList.get();
}

void TColumnEh::BeforeDestruction() {
  FDataList.reset();
  TCollectionItem::BeforeDestruction();
  // Still in the collection here: the grid forgets the column.
  if (TCustomDBGridEh* grid = Grid()) {
    std::erase(grid->FSortMarkedColumns, this);
    for (std::size_t i = 0; i < grid->FSortMarkedColumns.size(); ++i)
      grid->FSortMarkedColumns[i]->Title()->FSortIndex = static_cast<int>(i) + 1;
    std::erase(grid->FVisibleColumns, this);
    grid->FSelection->Columns().Forget(this);
    // The title tree keeps no pointer to a freed column.
    for (THeadTreeNode* leaf : grid->FLeafFieldArr)
      if (leaf->Column == this) leaf->Column = nullptr;
  }
}

TObjectPtr<TColumnFooterEh> TColumnEh::CreateFooter() { return TColumnFooterEh::CreateFor(this); }
TObjectPtr<TColumnFootersEh> TColumnEh::CreateFooters() {
  return CreateUnique<TColumnFootersEh>(this);
}
TObjectPtr<TColumnTitleEh> TColumnEh::CreateTitle() { return CreateUnique<TColumnTitleEh>(this); }
std::unique_ptr<TEditButtonsEh> TColumnEh::CreateEditButtons() {
  return std::make_unique<TEditButtonsEh>(Grid());
}

TCustomDBGridEh* TColumnEh::Grid() const {
  TCollection* collection = Collection();
  if (collection == nullptr) return nullptr;
  // Asked by every property of every cell painted: a walk up the class
  // chain costs a few pointer compares where a dynamic_cast costs far more.
  for (const TClassInfo* c = &collection->ClassInfo(); c != nullptr; c = c->Parent)
    if (c == &TDBGridColumnsEh::kClassInfo)
      return static_cast<TDBGridColumnsEh*>(collection)->Grid();
  return nullptr;
}

TColumnFooterEh* TColumnEh::UsedFooter(int index) const {
  if (index >= 0 && index < FFooters->Count()) return FFooters->Items(index);
  return FFooter.get();
}

// --- the field

TField* TColumnEh::Field() {
  if (FField != nullptr || FFieldName.empty()) return FField;
  TCustomDBGridEh* grid = Grid();
  if (grid == nullptr) return nullptr;
  TDataSet* dataSet = grid->DataLink()->DataSet();
  if (dataSet == nullptr) return nullptr;
  if (!dataSet->Active() && dataSet->DefaultFields()) return nullptr;
  TField* found = dataSet->FindField(FFieldName);
  if (found != nullptr && found != FField) {
    FField = found;
    FFieldName = found->FieldName();
    RefreshFooters();
  }
  return FField;
}

void TColumnEh::SetField(TField* value) {
  if (FField == value) return;
  FField = value;
  if (value != nullptr) FFieldName = value->FieldName();
  if (UsesFieldSettings()) {
    if (value == nullptr) FFieldName.clear();
    RestoreDefaults();
    FAutoFitWidth = Width();
  }
  RefreshFooters();
  ColumnChanged();
}

void TColumnEh::SetFieldName(const std::string& value) {
  TField* field = nullptr;
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && grid->DataLink()->DataSet() != nullptr &&
      !grid->ComponentState().Contains(csLoading) && !value.empty())
    field = grid->DataLink()->DataSet()->FindField(value);
  FFieldName = value;
  if (field != FField) {
    FField = nullptr;
    SetField(field);
    FFieldName = field != nullptr ? field->FieldName() : value;
  }
  FAutoFitWidth = Width();
  RefreshFooters();
  ColumnChanged();
}

void TColumnEh::RefreshFooters() {
  FFooter->EnsureSumValue();
  for (int i = 0; i < FFooters->Count(); ++i) FFooters->Items(i)->EnsureSumValue();
}

std::string TColumnEh::DisplayName() const {
  return FFieldName.empty() ? TCollectionItem::DisplayName() : FFieldName;
}

void TColumnEh::SetIndex(int value) {
  TCustomDBGridEh* grid = Grid();
  if (UsesFieldSettings() && grid != nullptr && grid->DataLink()->Active()) {
    TField* field = Field();
    TColumnEh* target = value >= 0 && value < Collection()->Count()
                            ? static_cast<TColumnEh*>(Collection()->Items(value))
                            : nullptr;
    TField* targetField = target != nullptr ? target->Field() : nullptr;
    if (field != nullptr && targetField != nullptr) field->SetIndex(targetField->Index());
  }
  TCollectionItem::SetIndex(value);
}

void TColumnEh::Repaint() {
  if (TCustomDBGridEh* grid = Grid()) grid->InvalidateGrid();
}

// --- look

TAlignment TColumnEh::Alignment() {
  if (IsAssigned(cvAlignment)) return FAlignment;
  TField* field = Field();
  return field != nullptr ? field->Alignment() : taLeftJustify;
}
void TColumnEh::SetAlignment(TAlignment value) {
  if (UsesFieldSettings()) {
    TField* field = Field();
    if (field != nullptr && Grid() != nullptr && Grid()->DataLink()->Active()) {
      field->SetAlignment(value);
      ColumnChanged();
      return;
    }
  }
  AssignOwn(cvAlignment, FAlignment, value);
}

bool TColumnEh::AlwaysShowEditButton() const {
  return OwnOrDefault(cvAlwaysShowEditButton, FAlwaysShowEditButton,
                      &TColumnDefValuesEh::AlwaysShowEditButton, false);
}
void TColumnEh::SetAlwaysShowEditButton(bool value) {
  AssignOwn(cvAlwaysShowEditButton, FAlwaysShowEditButton, value);
}
bool TColumnEh::AutoDropDown() const {
  return OwnOrDefault(cvAutoDropDown, FAutoDropDown, &TColumnDefValuesEh::AutoDropDown, false);
}
void TColumnEh::SetAutoDropDown(bool value) {
  FAutoDropDown = value;
  MarkAssigned(cvAutoDropDown);
}
bool TColumnEh::DropDownShowTitles() const {
  if (IsAssigned(cvDropDownShowTitles)) return FDropDownShowTitles;
  return Grid() != nullptr && Grid()->ColumnDefValues()->DropDownShowTitles();
}
void TColumnEh::SetDropDownShowTitles(bool value) {
  FDropDownShowTitles = value;
  MarkAssigned(cvDropDownShowTitles);
}
bool TColumnEh::DropDownSizing() const {
  if (IsAssigned(cvDropDownSizing)) return FDropDownSizing;
  return Grid() != nullptr && Grid()->ColumnDefValues()->DropDownSizing();
}
void TColumnEh::SetDropDownSizing(bool value) {
  FDropDownSizing = value;
  MarkAssigned(cvDropDownSizing);
}
void TColumnEh::SetAutoFitColWidth(bool value) {
  if (FAutoFitColWidth == value) return;
  FAutoFitColWidth = value;
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && grid->AutoFitColWidths() && !grid->ComponentState().Contains(csLoading))
    SetWidth(FAutoFitWidth);
}
void TColumnEh::SetButtonStyle(TColumnButtonStyleEh value) {
  if (FButtonStyle == value) return;
  FButtonStyle = value;
  ColumnChanged();
}
bool TColumnEh::Checkboxes() {
  if (IsAssigned(cvCheckboxes)) return FCheckboxes;
  TField* field = Field();
  return field != nullptr && field->DataType() == ftBoolean;
}
void TColumnEh::SetCheckboxes(bool value) { AssignOwn(cvCheckboxes, FCheckboxes, value); }
TColor TColumnEh::Color() const {
  if (IsAssigned(cvColor)) return FColor;
  return Grid() != nullptr ? Grid()->Color() : clWindow;
}
void TColumnEh::SetColor(TColor value) { AssignOwn(cvColor, FColor, value); }
bool TColumnEh::DblClickNextVal() const {
  return OwnOrDefault(cvDblClickNextVal, FDblClickNextVal, &TColumnDefValuesEh::DblClickNextVal,
                      false);
}
void TColumnEh::SetDblClickNextVal(bool value) {
  FDblClickNextVal = value;
  MarkAssigned(cvDblClickNextVal);
}
void TColumnEh::SetDisplayFormat(const std::string& value) {
  if (FDisplayFormat == value) return;
  FDisplayFormat = value;
  ColumnChanged();
}
void TColumnEh::SetEditMask(const std::string& value) {
  if (FEditMask == value) return;
  FEditMask = value;
  ColumnChanged();
}
bool TColumnEh::EndEllipsis() const {
  return OwnOrDefault(cvEndEllipsis, FEndEllipsis, &TColumnDefValuesEh::EndEllipsis, false);
}
void TColumnEh::SetEndEllipsis(bool value) { AssignOwn(cvEndEllipsis, FEndEllipsis, value); }
TFont* TColumnEh::Font() const {
  if (!IsAssigned(cvFont) && Grid() != nullptr)
    CopyFontQuietly(FFont.get(), Grid()->Font(), FSettingFont);
  return FFont.get();
}
void TColumnEh::SetFont(const TFont* value) { FFont->Assign(value); }
void TColumnEh::SetHideDuplicates(bool value) {
  if (FHideDuplicates == value) return;
  FHideDuplicates = value;
  ColumnChanged();
}
bool TColumnEh::HighlightRequired() const {
  return OwnOrDefault(cvHighlightRequired, FHighlightRequired,
                      &TColumnDefValuesEh::HighlightRequired, false);
}
void TColumnEh::SetHighlightRequired(bool value) {
  AssignOwn(cvHighlightRequired, FHighlightRequired, value);
}
void TColumnEh::SetImageList(TCustomImageList* value) {
  if (FImageList == value) return;
  FImageList = value;
  Repaint();
}
TStrings* TColumnEh::KeyList() {
  if (!FKeyList) FKeyList = std::make_unique<TStringList>();
  return FKeyList.get();
}
void TColumnEh::SetKeyList(const TStrings* value) {
  if (value == nullptr) {
    FKeyList.reset();
  } else {
    KeyList()->Assign(*value);
  }
  Repaint();
}
TStrings* TColumnEh::PickList() {
  if (!FPickList) FPickList = std::make_unique<TStringList>();
  return FPickList.get();
}
void TColumnEh::SetPickList(const TStrings* value) {
  if (value == nullptr) {
    FPickList.reset();
  } else {
    PickList()->Assign(*value);
  }
  ColumnChanged();
}
TTextLayout TColumnEh::Layout() const {
  return OwnOrDefault(cvLayout, FLayout, &TColumnDefValuesEh::Layout, tlTop);
}
void TColumnEh::SetLayout(TTextLayout value) { AssignOwn(cvLayout, FLayout, value); }
std::string TColumnEh::LookupDisplayFields() {
  if (IsAssigned(cvLookupDisplayFields)) return FLookupDisplayFields;
  TField* field = Field();
  return field != nullptr ? field->LookupResultField() : std::string();
}
void TColumnEh::SetLookupDisplayFields(const std::string& value) {
  if (!IsAssigned(cvLookupDisplayFields) && value == LookupDisplayFields()) return;
  FLookupDisplayFields = value;
  MarkAssigned(cvLookupDisplayFields);
  ColumnChanged();
}
void TColumnEh::SetMaxWidth(int value) {
  if (FMaxWidth == value) return;
  FMaxWidth = value;
  ClampWidth();
  ColumnChanged();
}
void TColumnEh::SetMinWidth(int value) {
  if (FMinWidth == value) return;
  FMinWidth = value;
  ClampWidth();
  ColumnChanged();
}
void TColumnEh::SetNotInKeyListIndex(int value) {
  if (FNotInKeyListIndex == value) return;
  FNotInKeyListIndex = value;
  Repaint();
}
bool TColumnEh::ReadOnly() {
  if (IsAssigned(cvReadOnly)) return FReadOnly;
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && grid->ReadOnly()) return true;
  TField* field = Field();
  return field != nullptr && field->ReadOnly();
}
void TColumnEh::SetReadOnly(bool value) {
  if (UsesFieldSettings()) {
    TField* field = Field();
    if (field != nullptr && Grid() != nullptr && Grid()->DataLink()->Active()) {
      field->SetReadOnly(value);
      ColumnChanged();
      return;
    }
  }
  AssignOwn(cvReadOnly, FReadOnly, value);
}
void TColumnEh::SetPopupMenu(TPopupMenu* value) {
  FPopupMenu = value;
  if (value != nullptr && Grid() != nullptr) value->FreeNotification(Grid());
}

void TColumnEh::SetShowImageAndText(bool value) {
  if (FShowImageAndText == value) return;
  FShowImageAndText = value;
  ColumnChanged();
}
bool TColumnEh::ToolTips() const {
  return OwnOrDefault(cvToolTips, FToolTips, &TColumnDefValuesEh::ToolTips, false);
}
void TColumnEh::SetToolTips(bool value) {
  FToolTips = value;
  MarkAssigned(cvToolTips);
}
void TColumnEh::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  Changed(true);
}

int TColumnEh::DefaultWidth() {
  TCustomDBGridEh* grid = Grid();
  if (grid == nullptr) return kDefaultColumnWidth;
  TField* field = Field();
  if (field == nullptr) return grid->DefaultColWidth();
  TCanvas& canvas = *grid->Canvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(Font());
  TTextMetric tm;
  canvas.GetTextMetrics(tm);
  return (canvas.TextWidth("0") - tm.tmOverhang) * field->DisplayWidth() + tm.tmOverhang + 4;
}

int TColumnEh::Width() {
  if (IsAssigned(cvWidth)) return FWidth;
  return DefaultWidth();
}

void TColumnEh::ClampWidth() {
  if (!IsAssigned(cvWidth)) return;
  if (FMaxWidth >= 1 && FMaxWidth < FWidth) FWidth = FMaxWidth;
  if (FMinWidth > FWidth) FWidth = FMinWidth;
}

void TColumnEh::SetWidth(int value) {
  TCustomDBGridEh* grid = Grid();
  TField* field = Field();
  if (UsesFieldSettings() && grid != nullptr && field != nullptr && grid->HandleAllocated()) {
    TCanvas& canvas = *grid->Canvas();
    TCanvasStateSaver saver(canvas);
    canvas.Font()->Assign(Font());
    TTextMetric tm;
    canvas.GetTextMetrics(tm);
    const int zero = std::max(1, canvas.TextWidth("0"));
    field->SetDisplayWidth((value + tm.tmAveCharWidth / 2 - tm.tmOverhang - 3) / zero);
  }
  if (!IsAssigned(cvWidth) && value == DefaultWidth() && FMinWidth <= value &&
      (FMaxWidth < 1 || FMaxWidth >= value)) {
    ColumnChanged();
    return;
  }
  if (value != -1) {
    FWidth = value;
    MarkAssigned(cvWidth);
    ClampWidth();
  }
  ColumnChanged();
}

bool TColumnEh::WordWrap() {
  if (IsAssigned(cvWordWrap)) return FWordWrap;
  TField* field = Field();
  if (field == nullptr) return false;
  const TFieldType t = field->DataType();
  return t == ftString || t == ftMemo || t == ftFmtMemo || t == ftWideString;
}
void TColumnEh::SetWordWrap(bool value) {
  if (!IsAssigned(cvWordWrap) && value == WordWrap()) return;
  FWordWrap = value;
  MarkAssigned(cvWordWrap);
  ColumnChanged();
}

// --- behaviour

void TColumnEh::RestoreDefaults() {
  const bool fontWasAssigned = IsAssigned(cvFont);
  FTitle->RestoreDefaults();
  FAssigned = {};
  (void)Font();
  FPickList.reset();
  FKeyList.reset();
  FButtonStyle = cbsAuto;
  Changed(fontWasAssigned);
}

void TColumnEh::Assign(const TPersistent* source) {
  auto* o = dynamic_cast<const TColumnEh*>(source);
  if (o == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  auto* src = const_cast<TColumnEh*>(o);
  TCollection* collection = Collection();
  if (collection != nullptr) collection->BeginUpdate();
  RestoreDefaults();
  SetFieldName(src->FieldName());
  if (src->IsAssigned(cvColor)) SetColor(src->Color());
  if (src->IsAssigned(cvWidth)) SetWidth(src->Width());
  if (src->IsAssigned(cvFont)) SetFont(src->Font());
  if (src->IsAssigned(cvAlignment)) SetAlignment(src->Alignment());
  if (src->IsAssigned(cvReadOnly)) SetReadOnly(src->ReadOnly());
  if (src->IsAssigned(cvWordWrap)) SetWordWrap(src->WordWrap());
  if (src->IsAssigned(cvLookupDisplayFields)) SetLookupDisplayFields(src->LookupDisplayFields());
  if (src->IsAssigned(cvCheckboxes)) SetCheckboxes(src->Checkboxes());
  FTitle->Assign(src->Title());
  FDropDownRows = src->FDropDownRows;
  FButtonStyle = src->FButtonStyle;
  SetPickList(src->FPickList.get());
  FAutoFitWidth = src->FAutoFitWidth;
  FAutoFitColWidth = src->FAutoFitColWidth;
  if (src->IsAssigned(cvEndEllipsis)) SetEndEllipsis(src->EndEllipsis());
  FDropDownWidth = src->FDropDownWidth;
  if (src->IsAssigned(cvAutoDropDown)) SetAutoDropDown(src->AutoDropDown());
  if (src->IsAssigned(cvAlwaysShowEditButton)) SetAlwaysShowEditButton(src->AlwaysShowEditButton());
  FFooter->Assign(src->Footer());
  SetKeyList(src->FKeyList.get());
  FIncrement = src->FIncrement;
  if (src->IsAssigned(cvToolTips)) SetToolTips(src->ToolTips());
  FFooters->Assign(src->Footers());
  FTag = src->FTag;
  SetPopupMenu(src->FPopupMenu);
  SetVisible(src->FVisible);
  FImageList = src->FImageList;
  FNotInKeyListIndex = src->FNotInKeyListIndex;
  FMinWidth = src->FMinWidth;
  FMaxWidth = src->FMaxWidth;
  if (src->IsAssigned(cvDblClickNextVal)) SetDblClickNextVal(src->DblClickNextVal());
  OnGetCellParams = src->OnGetCellParams;
  OnNotInList = src->OnNotInList;
  OnUpdateData = src->OnUpdateData;
  OnEditButtonClick = src->OnEditButtonClick;
  OnEditButtonDown = src->OnEditButtonDown;
  FEditButtons->Assign(src->EditButtons());
  FDropDownBox->Assign(src->DropDownBox());
  OnDropDownBoxCheckButton = src->OnDropDownBoxCheckButton;
  OnDropDownBoxDrawColumnCell = src->OnDropDownBoxDrawColumnCell;
  OnDropDownBoxGetCellParams = src->OnDropDownBoxGetCellParams;
  OnDropDownBoxSortMarkingChanged = src->OnDropDownBoxSortMarkingChanged;
  OnDropDownBoxTitleBtnClick = src->OnDropDownBoxTitleBtnClick;
  FMRUList->Assign(src->MRUList());
  FSTFilter->Assign(src->STFilter());
  FDisplayFormat = src->FDisplayFormat;
  FEditMask = src->FEditMask;
  FShowImageAndText = src->FShowImageAndText;
  FHideDuplicates = src->FHideDuplicates;
  if (src->IsAssigned(cvLayout)) SetLayout(src->Layout());
  if (collection != nullptr) collection->EndUpdate();
}

bool TColumnEh::CanShowInplaceEditor() { return !ReadOnly() || FCanShowEditor; }

TColumnEhType TColumnEh::GetCellKind() {
  if (Checkboxes()) return ctCheckboxes;
  TField* field = Field();
  if (field != nullptr && field->Lookup()) return ctLookupField;
  if (HasPickList() && !HasKeyList()) return ctPickList;
  if (FImageList != nullptr && !FShowImageAndText) return ctKeyImageList;
  if (HasKeyList() && HasPickList()) return ctKeyPickList;
  return ctCommon;
}

std::string TColumnEh::FormatFieldValue(TField* field, const std::string& format) {
  if (field == nullptr) return {};
  if (format.empty() || field->OnGetText) return field->DisplayText();
  if (field->IsNull()) return {};
  const TFieldType t = field->DataType();
  if (IsNumericType(t)) return FormatFloat(format, field->AsFloat());
  if (IsDateTimeType(t)) return FormatDateTime(format, field->AsDateTime());
  return {};
}

std::string TColumnEh::GetCellDisplayText() {
  TField* field = Field();
  TCustomDBGridEh* grid = Grid();
  if (field == nullptr || grid == nullptr || grid->DataLink()->DataSet() == nullptr) return {};
  const TColumnEhType kind = GetCellKind();
  if (kind == ctKeyImageList) return {};
  TGridDataLinkEh* link = grid->DataLink();
  if (link->ActiveRecord() >= link->RecordCount()) return {};
  if (HasKeyList()) {
    const int i = FKeyList->IndexOf(field->Text());
    const int picks = FPickList ? FPickList->Count() : 0;
    if (i >= 0 && i < picks) return FPickList->Strings(i);
    if (FNotInKeyListIndex >= 0 && FNotInKeyListIndex < picks)
      return FPickList->Strings(FNotInKeyListIndex);
    return {};
  }
  if (grid->DrawMemoText() && (field->DataType() == ftMemo || field->DataType() == ftFmtMemo))
    return field->AsString();
  if (kind == ctLookupField && FDropDownSpecRow->Visible()) {
    const Variant key = field->AsVariant();
    if ((!VarIsNull(key) && key == FDropDownSpecRow->Value()) ||
        (VarIsNull(key) && FDropDownSpecRow->ShowIfNotInKeyList()))
      return FDropDownSpecRow->CellText(0);
  }
  return FormatFieldValue(field, FDisplayFormat);
}

std::vector<std::string> TColumnEh::CheckValues(int line) {
  if (!FKeyList || line >= FKeyList->Count()) return {};
  return SplitValues(FKeyList->Strings(line));
}

TCheckBoxState TColumnEh::GetCheckState() {
  TField* field = Field();
  if (field == nullptr || field->IsNull()) return cbGrayed;
  if (field->DataType() == ftBoolean) return field->AsBoolean() ? cbChecked : cbUnchecked;
  // An empty or one-line key list answers grayed without indexing lines
  // that are not there.
  if (!HasKeyList()) return cbGrayed;
  const std::string text = field->Text();
  for (const std::string& v : CheckValues(0))
    if (v == text) return cbChecked;
  if (!FKeyList || FKeyList->Count() < 2) return cbGrayed;
  for (const std::string& v : CheckValues(1))
    if (v == text) return cbUnchecked;
  return cbGrayed;
}

void TColumnEh::SetCheckState(TCheckBoxState value) {
  TField* field = Field();
  if (field == nullptr) return;
  if (value == cbGrayed) {
    UpdateDataValues({}, Variant::Null(), false);
    return;
  }
  if (field->DataType() == ftBoolean) {
    UpdateDataValues({}, Variant(value == cbChecked), false);
    return;
  }
  const std::vector<std::string> values = CheckValues(value == cbChecked ? 0 : 1);
  UpdateDataValues(values.empty() ? std::string() : values.front(), Variant(), true);
}

int TColumnEh::GetImageIndex() {
  TField* field = Field();
  if (field == nullptr) return -1;
  int index = -1;
  if (HasKeyList()) {
    index = FKeyList->IndexOf(field->Text());
  } else if (HasPickList()) {
    index = FPickList->IndexOf(field->Text());
  } else if ((IsStepType(field->DataType()) || field->DataType() == ftAutoInc ||
              field->DataType() == ftLargeint) &&
             !field->IsNull()) {
    // A number no image has (beyond 32 bits, a damaged 1e300) shows none,
    // rather than stopping the drawing of the grid.
    const double number = std::nearbyint(field->AsFloat());
    if (number >= INT32_MIN && number <= INT32_MAX) index = static_cast<int>(number);
  }
  return index == -1 ? FNotInKeyListIndex : index;
}

int TColumnEh::CellImageIndex() {
  return ImageList() != nullptr || HasKeyList() ? GetImageIndex() : -1;
}

bool TColumnEh::CanModify(bool tryEdit) {
  TCustomDBGridEh* grid = Grid();
  if (grid == nullptr || grid->ReadOnly()) return false;
  TGridDataLinkEh* link = grid->DataLink();
  if (!link->Active() || link->ReadOnly() || ReadOnly()) return false;
  TField* field = Field();
  if (field == nullptr) return false;
  if (field->Lookup()) {
    std::vector<TField*> keys = field->DataSet()->GetFieldList(field->KeyFields());
    if (keys.empty() || !AllFieldsCanModify(keys)) return false;
    field = keys.front();
  }
  if (!field->CanModify()) return false;
  if (field->IsBlob() && !(grid->DrawMemoText() && field->DataType() == ftMemo)) return false;
  if (!grid->DataCanBeModified()) return false;
  if (tryEdit) {
    link->Edit();
    return link->Editing();
  }
  return true;
}

void TColumnEh::UpdateDataValues(const std::string& text, const Variant& value, bool useText) {
  std::string t = text;
  Variant v = value;
  bool use = useText;
  bool handled = false;
  if (OnUpdateData) OnUpdateData(this, t, v, use, handled);
  TField* field = Field();
  if (!handled && field != nullptr) {
    TCustomDBGridEh* grid = Grid();
    if (use) {
      if (field->DataType() == ftMemo && grid != nullptr && grid->DrawMemoText())
        field->SetAsString(t);
      else
        field->SetText(t);
    } else if (field->Lookup() && !field->KeyFields().empty()) {
      field->DataSet()->SetFieldValues(field->KeyFields(), v);
    } else {
      field->SetValue(v);
    }
  }
  TCustomDBGridEh* grid = Grid();
  if (FMRUList->Active() && grid != nullptr && grid->InplaceEditor() != nullptr &&
      grid->InplaceEditor()->Visible())
    FMRUList->Add(t);
}

std::string TColumnEh::CurrentEditText() {
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && grid->InplaceEditor() != nullptr && grid->InplaceEditor()->Visible())
    return grid->InplaceEditor()->Text();
  TField* field = Field();
  return field != nullptr ? field->Text() : std::string();
}

void TColumnEh::SetNextValue(int step) {
  if (!CanModify(true)) return;
  TField* field = Field();
  const std::string current = CurrentEditText();
  // The next (step 1) or previous item of `list` after `current`, with
  // wrap-around; -1 for an empty list.
  auto walk = [&](TStrings* list) {
    const int count = list != nullptr ? list->Count() : 0;
    if (count == 0) return -1;
    const int i = list->IndexOf(current);
    if (step == 1) return i < 0 || i == count - 1 ? 0 : i + 1;
    return i <= 0 ? count - 1 : i - 1;
  };
  switch (GetCellKind()) {
    case ctCheckboxes:
      SetCheckState(GetCheckState() == cbChecked ? cbUnchecked : cbChecked);
      return;
    case ctKeyPickList:
    case ctKeyImageList: {
      const int i = walk(FKeyList.get());
      if (i >= 0) UpdateDataValues({}, Variant(FKeyList->Strings(i)), false);
      return;
    }
    case ctPickList: {
      const int i = walk(FPickList.get());
      if (i >= 0) UpdateDataValues(FPickList->Strings(i), Variant(), true);
      return;
    }
    case ctLookupField: {
      TDataSet* lookup = GetLookupDataSet();
      if (lookup == nullptr || !lookup->Active()) return;
      const std::string keyField = field->LookupKeyFields();
      const Variant key = field->DataSet()->FieldValues(field->KeyFields());
      if (!lookup->Locate(keyField, key, {})) {
        lookup->First();
      } else if (step == 1) {
        lookup->Next();
        if (lookup->Eof()) lookup->First();
      } else {
        lookup->Prior();
        if (lookup->Bof()) lookup->Last();
      }
      UpdateDataValues({}, lookup->FieldValues(keyField), false);
      if (TField* result = lookup->FindField(field->LookupResultField()))
        SetLookupText(result->AsString());
      return;
    }
    case ctCommon:
      break;
  }
  if (field == nullptr || !IsStepType(field->DataType())) return;
  const double base = field->IsNull() ? -step : field->AsFloat();
  const double stepped = base + step;
  if (field->DataType() == ftFloat || field->DataType() == ftCurrency ||
      field->DataType() == ftBCD || field->DataType() == ftFMTBcd)
    UpdateDataValues({}, Variant(stepped), false);
  else
    UpdateDataValues({}, Variant(static_cast<int>(std::lround(stepped))), false);
}

void TColumnEh::SetLookupText(const std::string& text) {
  TField* field = Field();
  if (field == nullptr) return;
  TCustomDBGridEh* grid = Grid();
  if (field->DataType() == ftMemo && grid != nullptr && grid->DrawMemoText())
    field->SetAsString(text);
  else
    field->SetText(text);
}

void TColumnEh::FillColCellParams(TColCellParamsEh& params) {
  params.Col = -1;
  params.Row = -1;
  params.State = 0;
  params.Font = Font();
  params.Background = Color();
  params.Alignment = Alignment();
  params.ImageIndex = CellImageIndex();
  params.Text = GetCellDisplayText();
  params.CheckState = GetCheckState();
  params.ReadOnly = ReadOnly();
}

void TColumnEh::GetColCellParams(bool editMode, TColCellParamsEh& params) {
  if (OnGetCellParams) OnGetCellParams(this, editMode, params);
}

int TColumnEh::GetEditButtonsWidth() {
  TCustomDBGridEh* grid = Grid();
  const bool flat = grid != nullptr && grid->Flat();
  const int defaultWidth = flat ? DefaultFlatButtonWidth() + 1 : GetSystemMetrics(SM_CXVSCROLL);
  int width = 0;
  const TColumnEhType kind = GetCellKind();
  const bool mainButton = FButtonStyle == cbsEllipsis || FButtonStyle == cbsUpDown ||
                          FButtonStyle == cbsDropDown ||
                          (FButtonStyle == cbsAuto &&
                           (kind == ctPickList || kind == ctKeyPickList || kind == ctLookupField ||
                            (Field() != nullptr && IsDateTimeType(Field()->DataType()))));
  if (mainButton) width = defaultWidth;
  for (int i = 0; i < FEditButtons->Count(); ++i) {
    TEditButtonEh* b = FEditButtons->Items(i);
    if (!b->Visible()) continue;
    width += (b->Width() > 0 ? b->Width() : defaultWidth) + (flat ? 1 : 0);
  }
  return width;
}

void TColumnEh::OptimizeWidth() {
  if (TCustomDBGridEh* grid = Grid()) grid->OptimizeColumnWidth(this);
}

TDataSet* TColumnEh::GetLookupDataSet() {
  if (FDropDownBox->ListSource() != nullptr) return FDropDownBox->ListSource()->DataSet();
  TField* field = Field();
  return field != nullptr ? field->LookupDataSet() : nullptr;
}

// ---- the collection

TDBGridColumnsEh::TDBGridColumnsEh(TCustomDBGridEh* grid, TItemFactory columnFactory)
    : TCollection(std::move(columnFactory)), FGrid(grid) {}

TDBGridColumnsEh::~TDBGridColumnsEh() { Clear(); }

TColumnEh* TDBGridColumnsEh::Add() {
  if (Count() == 0 || Items(0)->Persistent()) return static_cast<TColumnEh*>(TCollection::Add());
  // Left to the layout, the made columns would still stand first while a
  // layout is held, and whatever a caller set on them by index would go
  // with them.
  TUpdateGuard update(*this);
  for (int i = Count() - 1; i >= 0; --i)
    if (!Items(i)->Persistent()) Delete(i);
  return static_cast<TColumnEh*>(TCollection::Add());
}

TColumnEh* TDBGridColumnsEh::AddDefault() {
  auto* column = static_cast<TColumnEh*>(TCollection::Add());
  column->SetPersistent(false);
  return column;
}

TPersistent* TDBGridColumnsEh::GetOwner() const { return FGrid; }

TDBGridColumnsState TDBGridColumnsEh::State() const {
  return Count() > 0 && Items(0)->Persistent() ? csCustomized : csDefault;
}

void TDBGridColumnsEh::ClearFieldRefs() {
  for (int i = 0; i < Count(); ++i) Items(i)->ClearFieldRef();
}

void TDBGridColumnsEh::Update(TCollectionItem* item) {
  if (FGrid == nullptr || FGrid->FDestroying) return;
  if (item == nullptr) FGrid->RebuildSortMarkedColumns();
  if (FGrid->ComponentState().Contains(csLoading)) return;
  if (item == nullptr) {
    FGrid->RequestLayout();
    FGrid->CurrentColumnToVisible();
    return;
  }
  auto* column = static_cast<TColumnEh*>(item);
  const int raw = FGrid->DataToRawColumn(column->Index());
  if (raw >= FGrid->ColCount() || FGrid->LayoutLocked()) {
    FGrid->RequestLayout();
    FGrid->CurrentColumnToVisible();
    return;
  }
  FGrid->SetTabStops(raw, FGrid->ColumnTabStop(column));
  if (!FGrid->AutoFitColWidths()) {
    const int width =
        column->Visible() ? column->Width() : (FGrid->Options().Contains(dgColLines) ? -1 : 0);
    if (FGrid->ColWidths(raw) == width) {
      if (FGrid->UseMultiTitle()) FGrid->RequestLayout();
    } else {
      FGrid->FInColumnAttributes = true;
      FGrid->SetColWidths(raw, width);
      FGrid->FInColumnAttributes = false;
    }
  } else {
    // The user resized a column: its share follows and the neighbour
    // gives or takes the difference, never below nothing.
    if (column->AutoFitColWidth())
      FGrid->ResizeAutoFitShare(column, FGrid->ColWidths(raw), column->Width());
    FGrid->RequestLayout();
  }
  FGrid->InvalidateGrid();
  FGrid->CurrentColumnToVisible();
}
