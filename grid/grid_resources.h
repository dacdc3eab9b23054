// What the grid unit prepares once for every grid: its pictures (the
// indicator glyphs and sort markers, drawn by us and kept under their
// classic names), its cursors, the data service through which a grid asks
// for sorting, filtering and record moving, and the storage interceptors
// of a column's width and of the column order.
//
// InitializeGridUnit runs once before the first grid is made (the program
// calls it at start-up; GridIndicatorImages and friends call it too), and
// FinalizeGridUnit undoes it. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "grid/property_interceptors.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/image_list.h"
#include "platform/gui/forms.h"

class TCustomDBGridEh;
class TColumnEh;
class TDBGridColumnsEh;

// The pictures by name: "DBGARROWEH", "DBEDITEH", "DBINSERTEH",
// "DBMULTIDOTEH", "DBMULTIARROWEH", "DBGARROWEHW", "DBSMDOWNEH",
// "DBSMUPEH". nullptr for another name.
const TBitmap* GridBitmap(std::string_view name);
// The cursors by name: "DOWNCUREH", "RIGHTCUREH", "LEFTCUREH", and the
// print preview's "MAGNIFIEREH" and "HANDEH". Raises
// EOutOfResources "Cannot load cursor resource" for another name.
HCURSOR GridCursor(std::string_view name);

// The seven indicator images (arrow, edit, insert, multi-dot,
// multi-arrow, selected arrow, search arrow on the search colour) and the
// two sort markers (down, up).
TCustomImageList* GridIndicatorImages();
TCustomImageList* GridSortMarkerImages();
// The font of sort indexes: Arial, one pixel lower than the marker.
const TFont* GridSortIndexFont();
// The background and text colour of the incremental-search prefix.
inline constexpr TColor kGridSearchHighlightColor = 65535;
inline constexpr TColor kGridSearchFontColor = 0;
// Milliseconds after which incremental search ends.
inline constexpr unsigned kGridIncSearchTimeout = 1500;

void InitializeGridUnit();
void FinalizeGridUnit();

// What the pointer shows over a grid, from the hit state.
enum TGridCursorEh { gcPlatform, gcArrow, gcHSplit, gcSelectRow, gcSelectColumn };
struct TGridCursorQuery {
  bool Designing = false;    // designing without an active link
  bool RowSizing = false;    // the row-sizing hit state
  bool MultiSelect = false;  // dgMultiSelect
  bool DataSetActive = false;
  bool Busy = false;               // sizing, or a record move could start here
  bool OverDataIndicator = false;  // the indicator cell of a data row
  bool DataSetEmpty = false;
  bool RecordSelectionAllowed = false;  // gstRecordBookmarks
  bool OverTitle = false;               // a title cell, dgTitles without dgRowSelect
  int YInTitle = 0;                     // pointer's distance from the title's top
  int TitleHeight = 0;
  bool ColumnSelectionAllowed = false;  // gstColumns
};
TGridCursorEh ChooseGridCursor(const TGridCursorQuery& q);
// The screen's cursor numbers the grid registers its cursors under.
inline constexpr int kGridCursorIndex = 0x4745;
// The cursor of a choice: RIGHTCUREH for a row, DOWNCUREH for a column,
// the split or the arrow; null for the platform's own.
HCURSOR GridCursorHandle(TGridCursorEh choice);

// Sorting, filtering and record moving on behalf of a grid. A handler set
// here replaces the default; the defaults hand the work to a dataset
// features object, and this program registers none, so they do nothing.
class TDBGridEhDataService : public TPersistent {
  MEBRATH_CLASS(TDBGridEhDataService, TPersistent)
 public:
  std::function<void(TCustomDBGridEh* grid)> OnApplySorting;
  std::function<void(TCustomDBGridEh* grid)> OnApplyFilter;
  // Moves the records `bookmarks` to record number `target` (set to
  // where they went); false when nothing was moved. The default asks the
  // features object registered for the grid's dataset.
  virtual bool MoveRecords(TCustomDBGridEh* grid, const std::vector<std::string>& bookmarks,
                           int& target, bool checkOnly);
  virtual bool DefaultMoveRecords(TCustomDBGridEh* grid, const std::vector<std::string>& bookmarks,
                                  int& target, bool checkOnly);
  virtual void ApplyFilter(TCustomDBGridEh* grid);
  virtual void ApplySorting(TCustomDBGridEh* grid);
  virtual void DefaultApplyFilter(TCustomDBGridEh* grid);
  virtual void DefaultApplySorting(TCustomDBGridEh* grid);
};
TDBGridEhDataService* DBGridEhDataService();

// The stored width of a column: into AutoFitWidth when its grid fits
// widths, else into Width.
class TColumnEhPropertyInterceptor : public TStoragePropertyInterceptor {
  MEBRATH_CLASS(TColumnEhPropertyInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
  void SetWidth(int value);
};

// The column order as the fields' names: "F1","F2" (quoted, commas, no
// blanks). Writing moves the first column of each name (letter case
// counts) to that place, in order; unknown names are skipped.
class TColumnsEhPropertyInterceptor : public TStoragePropertyInterceptor {
  MEBRATH_CLASS(TColumnsEhPropertyInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
  std::string ColumnsIndex() const;
  void SetColumnsIndex(const std::string& value);
};
