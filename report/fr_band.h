// TfrBand: the run-time form of one band object while a report is built.
// The page builder (TfrPage) creates the bands before a build, asks them to
// print and frees them afterwards. A band knows its objects, dataset,
// header, footer, child and groups; it measures and stretches itself,
// breaks the page or column when it does not fit, splits itself across
// pages when it may (Breaked), prints records side by side when its band
// object has columns, and keeps the aggregates of its records.
//
// A band that cannot fit even on a fresh page prints there anyway (clipped,
// or cut where it may split): the build always moves on.
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/base/variant.h"
#include "report/fr_band_view.h"
#include "report/fr_engine.h"

class TfrDataset;
class TfrPage;
class TfrSubReportView;
class TfrView;

class TfrBand : public TfrRuntimeBand {
 public:
  TfrBand(int Kind, TfrPage* Parent);
  ~TfrBand() override;
  TfrBand(const TfrBand&) = delete;
  TfrBand& operator=(const TfrBand&) = delete;

  TfrPage* Parent;
  TfrBandView* View = nullptr;
  std::uint16_t Flags = 0;
  TfrBand* Next = nullptr;  // owned: further bands of the kind
  TfrBand* Prev = nullptr;
  TfrBand* NextGroup = nullptr;
  TfrBand* PrevGroup = nullptr;
  TfrBand* FirstGroup = nullptr;
  TfrBand* LastGroup = nullptr;
  TfrBand* Child = nullptr;
  TfrBand* ChildOf = nullptr;  // the band whose Child this is (the first, no cycle)
  TfrBand* AggregateSource = nullptr;
  int LineNo = 1;         // LINE#
  int LineThroughNo = 1;  // LINETHROUGH#
  Variant LastGroupValue;
  TfrBand* Header = nullptr;
  TfrBand* Footer = nullptr;
  TfrBand* DataBand = nullptr;
  // Aggregates: key (band name, code, expression, flags joined by \x01) to
  // running value, with a record count per key.
  TfrVariables Values;
  std::vector<int> Counts;
  int Count = 0;  // records handled
  bool IsRepeated = false;
  int CalculatedHeight = 0;
  int CurColumn = 0;  // of a multi-column band, from 1
  int StartX = 0;
  bool CurYSet = false;  // the script set CURY
  bool ScriptRan = false;
  int y = 0, dy = 0, maxdy = 0;
  int Kind;
  std::string Name;
  bool PrintIfSubsetEmpty = false, NewPageAfter = false, Stretched = false, PageBreak = false,
       PrintChildIfInvisible = false;
  bool Visible = true;
  std::vector<TfrView*> Objects;
  TStringList Memo;
  TStringList Script;
  TfrDataset* DataSet = nullptr;
  std::string GroupCondition;
  int ForceNewPage = 0, ForceNewColumn = 0;

  // The group condition for a group header; else a dataset name or a
  // record count (a virtual dataset the band owns).
  void SetDataSet(const std::string& text);
  // Prints the band; true when it did not fit or did not finish.
  bool Draw();
  int CalcHeight();
  void StretchObjects(int maxHeight);
  void UnStretchObjects();
  void DrawObject(TfrView* view);
  void DrawObjects();
  void DrawPageBreak();
  bool CheckPageBreak(int y, int height, bool checkOnly);
  void InitValues();
  void AddAggregates();
  // The record's values into the totals of cross-tab column `column`.
  void AddColumnAggregates(int column) { Accumulate(column); }
  // The cross-tab cells of this row band: header, one column per record of
  // the cross dataset, footer.
  void DrawCross();
  // The page header (when `forced` or it prints on the first page) and the
  // column header on a page that holds the overflowing columns.
  void PrintOverflowHeaders(bool forced);
  // A dataset by name, or a virtual one of N records that the band owns.
  TfrDataset* MakeDataset(const std::string& text, TObjectPtr<TfrDataset>& owned);

  void SetCrossDataSet(const std::string& text) {
    CrossDataSet = MakeDataset(text, FOwnCrossDataset);
  }
  int CrossX = 0, CrossWidth = 0;  // of a cross band
  // Objects of this row band that lie in a cross band, with that band.
  std::vector<std::pair<TfrView*, TfrBand*>> CrossCells;
  TfrDataset* CrossDataSet = nullptr;  // the columns this row walks
  int MaxColumns = 0;                  // of a cross data band so far
  // The kind-22 band, or one with a band object.
  bool Exists() const { return View != nullptr || (Kind == btNone && !Objects.empty()); }

  // TfrRuntimeBand
  TRect Place() const override { return TRect{FPlace.x, FPlace.y, FPlace.dx, FPlace.dy}; }
  bool BandVisible() const override { return Visible; }
  TfrDataset* Dataset() const override { return DataSet; }

 private:
  int StretchedHeight();
  // The bottom of the tallest stretched cross-tab cell of this row band
  // (header and data columns), each measured with its own column number
  // and cross record; the cells keep what was measured for their print.
  int CrossCellsHeight();
  // The state of `view`'s print in cross-tab column `column` (0: the
  // header's), measured or to be measured.
  TfrPrintState& MeasuredCell(int column, TfrView* view);
  struct TMeasuredCell {
    int Column;
    TfrView* View;
    TfrPrintState State;
  };
  std::vector<std::unique_ptr<TMeasuredCell>> FMeasuredCells;
  bool FMeasured = false;  // objects measured since EndMeasuredPrints
  // The columns of the cross data band `data` for this row: its dataset or
  // the row's, or for a footer row without any, a stand-in of as many
  // records as the widest row had (owned by `stand`).
  TfrDataset* CrossColumns(TfrBand* data, TObjectPtr<TfrDataset>& stand);
  // Ends the print of every object CalcHeight measures (this band and its
  // chain), printed or not.
  void EndMeasuredPrints();
  void DoDraw();
  // The plain totals (column 0) or those of a cross-tab column.
  void Accumulate(int column);
  // Sub-reports of this band being played side by side.
  struct TSubPlay {
    TfrSubReportView* View;
    TfrPage* Page;
    bool Done;
  };
  std::vector<TSubPlay> FSubs;
  int FSubLowest = 0;
  bool FSubsBroke = false;    // a page break happened while playing them
  bool FSubsPending = false;  // handed back to the sub-report page we are on
  // Plays one part of every unfinished sub-report from `top` (or each from
  // its own place in the band when `top` < 0).
  void PlaySubsPart(int top, bool fresh);
  // Plays parts and breaks pages until every sub-report has printed, or
  // hands the rest back when this band is itself on a sub-report page.
  // True when all are done.
  bool ContinueSubReports();
  void EndSubReports();
  friend class TfrPage;
  TfrBandPlace FPlace;
  bool FHeightKnown = false;
  int FSubReportBottom =
      -1;  // the lowest Y sub-reports reached  // maxdy holds this print's stretched height
  struct TSavedRect {
    int y, dy;
  };
  std::vector<TSavedRect> FSaved;
  TObjectPtr<TfrDataset> FOwnDataset;
  TObjectPtr<TfrDataset> FOwnCrossDataset;
  bool IsCrossCell(const TfrView* view) const;
};

// Band kinds that hold records.
inline bool IsDataBand(int kind) {
  return kind == btMasterData || kind == btDetailData || kind == btSubDetailData;
}
