#include "grid/grid_resources.h"

#include <map>
#include <memory>

#include "grid/db_grid.h"
#include "grid/filter_expression.h"
#include "grid/grid_style.h"
#include "platform/base/string_list.h"
#include "platform/data/data_source.h"

namespace {

constexpr std::uint32_t Argb(TColor c) {
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(c)) << 8) | static_cast<std::uint32_t>(GetBValue(c));
}

// A picture from rows of characters: '.' background, '#' ink.
std::unique_ptr<TBitmap> Picture(const std::vector<const char*>& rows, TColor background,
                                 TColor ink) {
  const int height = static_cast<int>(rows.size());
  const int width = static_cast<int>(std::string_view(rows.front()).size());
  auto bitmap = std::make_unique<TBitmap>(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint32_t* line = bitmap->ScanLine(y);
    for (int x = 0; x < width; ++x) line[x] = Argb(rows[y][x] == '#' ? ink : background);
  }
  return bitmap;
}

struct TGridUnit {
  std::map<std::string, std::unique_ptr<TBitmap>, std::less<>> Bitmaps;
  std::map<std::string, HCURSOR, std::less<>> Cursors;
  TObjectPtr<TImageList> Indicators;
  TObjectPtr<TImageList> SortMarkers;
  std::unique_ptr<TFont> SortIndexFont;
  TObjectPtr<TDBGridEhDataService> Service;
};

std::unique_ptr<TGridUnit>& Unit() {
  static std::unique_ptr<TGridUnit> unit;
  return unit;
}

TGridUnit& Ready() {
  if (!Unit()) InitializeGridUnit();
  return *Unit();
}

void MakeBitmaps(TGridUnit& u) {
  const TColor white = clWhite;
  const TColor teal = static_cast<TColor>(0x808000);
  const TColor fuchsia = static_cast<TColor>(0xFF00FF);
  u.Bitmaps["DBGARROWEH"] =
      Picture({"..........", "..#.......", "..##......", "..###.....", "..####....", "..###.....",
               "..##......", "..#.......", ".........."},
              white, clBlack);
  u.Bitmaps["DBEDITEH"] =
      Picture({"..........", "...###....", "....#.....", "....#.....", "....#.....", "....#.....",
               "....#.....", "...###....", ".........."},
              white, clBlack);
  u.Bitmaps["DBINSERTEH"] =
      Picture({"..........", "....#.....", ".#..#..#..", "..#.#.#...", "...###....", "..#.#.#...",
               ".#..#..#..", "....#.....", ".........."},
              white, clBlack);
  u.Bitmaps["DBMULTIDOTEH"] =
      Picture({"..........", "..........", "..........", "...##.....", "...##.....", "..........",
               "..........", "..........", ".........."},
              white, clBlack);
  u.Bitmaps["DBMULTIARROWEH"] =
      Picture({"..........", "#.#.......", "#.##......", "#.###.....", "#.####....", "#.###.....",
               "#.##......", "#.#.......", ".........."},
              white, clBlack);
  u.Bitmaps["DBGARROWEHW"] =
      Picture({"..........", "..#.......", "..##......", "..###.....", "..####....", "..###.....",
               "..##......", "..#.......", ".........."},
              teal, clWhite);
  u.Bitmaps["DBSMDOWNEH"] = Picture({"...........", ".#########.", "..#######..", "...#####...",
                                     "....###....", ".....#.....", "..........."},
                                    fuchsia, clGray);
  u.Bitmaps["DBSMUPEH"] = Picture({"...........", ".....#.....", "....###....", "...#####...",
                                   "..#######..", ".#########.", "..........."},
                                  fuchsia, clGray);

  const TBitmap* arrow = u.Bitmaps["DBGARROWEH"].get();
  u.Indicators = CreateUnique<TImageList>();
  u.Indicators->SetSize(arrow->Width(), arrow->Height());
  for (const char* name :
       {"DBGARROWEH", "DBEDITEH", "DBINSERTEH", "DBMULTIDOTEH", "DBMULTIARROWEH"})
    u.Indicators->AddMasked(u.Bitmaps[name].get(), white);
  u.Indicators->AddMasked(u.Bitmaps["DBGARROWEHW"].get(), teal);
  // The search arrow: the white arrow on the search colour, whose teal
  // would be transparent, so it becomes a close teal that stays.
  TBitmap search;
  search.Assign(u.Bitmaps["DBGARROWEHW"].get());
  for (int y = 0; y < search.Height(); ++y) {
    std::uint32_t* line = search.ScanLine(y);
    for (int x = 0; x < search.Width(); ++x)
      line[x] = line[x] == Argb(teal) ? Argb(kGridSearchHighlightColor) : Argb(RGB(0, 127, 127));
  }
  u.Indicators->AddMasked(&search, teal);

  const TBitmap* down = u.Bitmaps["DBSMDOWNEH"].get();
  u.SortMarkers = CreateUnique<TImageList>();
  u.SortMarkers->SetSize(down->Width(), down->Height());
  u.SortMarkers->AddMasked(down, fuchsia);
  u.SortMarkers->AddMasked(u.Bitmaps["DBSMUPEH"].get(), fuchsia);

  u.SortIndexFont = std::make_unique<TFont>();
  u.SortIndexFont->SetName("Arial");
  u.SortIndexFont->SetHeight(1 - down->Height());
}

HCURSOR MakeCursor(const std::vector<const char*>& rows, TPoint hotSpot) {
  auto data = std::make_shared<TCursorData>();
  data->Shape = crArrow;
  std::unique_ptr<TBitmap> picture = Picture(rows, clWhite, clBlack);
  picture->SetTransparentColor(clWhite);
  data->Image = std::shared_ptr<TBitmap>(picture.release());
  data->HotSpot = hotSpot;
  return data;
}

void MakeCursors(TGridUnit& u) {
  u.Cursors["DOWNCUREH"] =
      MakeCursor({"...###...", "...###...", "...###...", "...###...", "#########", ".#######.",
                  "..#####..", "...###...", "....#...."},
                 {4, 8});
  u.Cursors["RIGHTCUREH"] =
      MakeCursor({"....#....", "....##...", "....###..", "########.", "#########", "########.",
                  "....###..", "....##...", "....#...."},
                 {8, 4});
  u.Cursors["LEFTCUREH"] =
      MakeCursor({"....#....", "...##....", "..###....", ".########", "#########", ".########",
                  "..###....", "...##....", "....#...."},
                 {0, 4});
  u.Cursors["MAGNIFIEREH"] = MakeCursor(
      {"...####....", "..#....#...", ".#......#..", ".#......#..", ".#......#..", ".#......#..",
       "..#....#...", "...#####...", ".......##..", "........##.", ".........##"},
      {4, 4});
  u.Cursors["HANDEH"] = MakeCursor(
      {"....##.....", "...#..##...", "...#..#.##.", "...#..#.#.#", ".###..#.#.#", "#..#.....#.",
       "#........#.", ".#.......#.", "..#.....#..", "...#....#..", "...######.."},
      {5, 5});
}

}  // namespace

void InitializeGridUnit() {
  if (Unit()) return;
  auto unit = std::make_unique<TGridUnit>();
  RegisterFormPropertyInterceptor();
  RegisterPropertyInterceptor(&TColumnEh::kClassInfo,
                              {&TColumnEhPropertyInterceptor::kClassInfo, [](TPersistent* target) {
                                 return TObjectPtr<TStoragePropertyInterceptor>(
                                     CreateUnique<TColumnEhPropertyInterceptor>(target).release());
                               }});
  RegisterPropertyInterceptor(&TDBGridColumnsEh::kClassInfo,
                              {&TColumnsEhPropertyInterceptor::kClassInfo, [](TPersistent* target) {
                                 return TObjectPtr<TStoragePropertyInterceptor>(
                                     CreateUnique<TColumnsEhPropertyInterceptor>(target).release());
                               }});
  GetDBGridEhStyle();
  unit->Service = CreateUnique<TDBGridEhDataService>();
  MakeBitmaps(*unit);
  MakeCursors(*unit);
  Unit() = std::move(unit);
}

void FinalizeGridUnit() {
  Unit().reset();
  FreeDBGridEhStyle();
}

const TBitmap* GridBitmap(std::string_view name) {
  TGridUnit& u = Ready();
  auto it = u.Bitmaps.find(name);
  return it == u.Bitmaps.end() ? nullptr : it->second.get();
}

HCURSOR GridCursor(std::string_view name) {
  TGridUnit& u = Ready();
  auto it = u.Cursors.find(name);
  if (it == u.Cursors.end()) throw EOutOfResources("Cannot load cursor resource");
  return it->second;
}

TCustomImageList* GridIndicatorImages() { return Ready().Indicators.get(); }
TCustomImageList* GridSortMarkerImages() { return Ready().SortMarkers.get(); }
const TFont* GridSortIndexFont() { return Ready().SortIndexFont.get(); }
TDBGridEhDataService* DBGridEhDataService() { return Ready().Service.get(); }

TGridCursorEh ChooseGridCursor(const TGridCursorQuery& q) {
  if (q.Designing) return gcArrow;
  if (q.RowSizing) return gcHSplit;
  if (q.MultiSelect && q.DataSetActive && !q.Busy) {
    if (q.OverDataIndicator && !q.DataSetEmpty && q.RecordSelectionAllowed) return gcSelectRow;
    if (q.OverTitle && q.ColumnSelectionAllowed &&
        (q.TitleHeight < 7 || q.YInTitle >= q.TitleHeight - 7))
      return gcSelectColumn;
  }
  return gcPlatform;
}

HCURSOR GridCursorHandle(TGridCursorEh choice) {
  switch (choice) {
    case gcSelectRow:
      return GridCursor("RIGHTCUREH");
    case gcSelectColumn:
      return GridCursor("DOWNCUREH");
    case gcHSplit:
      return Screen != nullptr ? Screen->Cursors(crHSplit) : nullptr;
    case gcArrow:
      return Screen != nullptr ? Screen->Cursors(crArrow) : nullptr;
    case gcPlatform:
      break;
  }
  return nullptr;
}

// ---- data service

bool TDBGridEhDataService::MoveRecords(TCustomDBGridEh* grid,
                                       const std::vector<std::string>& bookmarks, int& target,
                                       bool checkOnly) {
  return DefaultMoveRecords(grid, bookmarks, target, checkOnly);
}

bool TDBGridEhDataService::DefaultMoveRecords(TCustomDBGridEh* grid,
                                              const std::vector<std::string>& bookmarks,
                                              int& target, bool checkOnly) {
  if (grid == nullptr || grid->DataSource() == nullptr) return false;
  TDataSet* ds = grid->DataSource()->DataSet();
  if (ds == nullptr) return false;
  TDatasetFeaturesEh* features = GetDatasetFeaturesClassForDataSet(ds);
  return features != nullptr && features->MoveRecords(grid, bookmarks, target, checkOnly);
}

void TDBGridEhDataService::ApplyFilter(TCustomDBGridEh* grid) {
  if (OnApplyFilter)
    OnApplyFilter(grid);
  else
    DefaultApplyFilter(grid);
}

void TDBGridEhDataService::ApplySorting(TCustomDBGridEh* grid) {
  if (OnApplySorting)
    OnApplySorting(grid);
  else
    DefaultApplySorting(grid);
}

namespace {

// The features object of the grid's dataset class; nullptr without one.
TDatasetFeaturesEh* GridDataSetFeatures(TCustomDBGridEh* grid, TDataSet*& dataSet) {
  dataSet =
      grid != nullptr && grid->DataSource() != nullptr ? grid->DataSource()->DataSet() : nullptr;
  return GetDatasetFeaturesClassForDataSet(dataSet);
}

}  // namespace

void TDBGridEhDataService::DefaultApplyFilter(TCustomDBGridEh* grid) {
  TDataSet* dataSet = nullptr;
  if (TDatasetFeaturesEh* features = GridDataSetFeatures(grid, dataSet))
    features->ApplyFilter(grid, dataSet, true);
}

void TDBGridEhDataService::DefaultApplySorting(TCustomDBGridEh* grid) {
  TDataSet* dataSet = nullptr;
  if (TDatasetFeaturesEh* features = GridDataSetFeatures(grid, dataSet))
    features->ApplySorting(grid, dataSet, true);
}

// ---- interceptors

void TColumnEhPropertyInterceptor::SetWidth(int value) {
  auto* column = dynamic_cast<TColumnEh*>(Target());
  if (column == nullptr) return;
  TCustomDBGridEh* grid = column->Grid();
  if (grid != nullptr && grid->AutoFitColWidths()) {
    column->SetAutoFitWidth(value);
    grid->RequestLayout();
  } else {
    column->SetWidth(value);
  }
}

std::string TColumnsEhPropertyInterceptor::ColumnsIndex() const {
  auto* columns = dynamic_cast<TDBGridColumnsEh*>(Target());
  std::string out;
  if (columns == nullptr) return out;
  for (int i = 0; i < columns->Count(); ++i) {
    if (i > 0) out += ",";
    out += "\"" + columns->Items(i)->FieldName() + "\"";
  }
  return out;
}

void TColumnsEhPropertyInterceptor::SetColumnsIndex(const std::string& value) {
  auto* columns = dynamic_cast<TDBGridColumnsEh*>(Target());
  if (columns == nullptr) return;
  TStringList names;
  names.SetCommaText(value);
  columns->BeginUpdate();
  for (int i = 0; i < names.Count() && i < columns->Count(); ++i) {
    const std::string name = names.Strings(i);
    for (int j = 0; j < columns->Count(); ++j)
      if (columns->Items(j)->FieldName() == name) {
        columns->Items(j)->TCollectionItem::SetIndex(i);
        break;
      }
  }
  columns->EndUpdate();
}
