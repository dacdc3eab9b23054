#include "report/fr_band.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "report/fr_dataset.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

namespace {

TfrReport& Report() { return *static_cast<TfrReport*>(frEngine().CurReport); }

// The column footer's room below a band; none while the summary prints.
int ColumnFooterHeight(const TfrPage& page) {
  const TfrBand* cf = page.Bands[btColumnFooter];
  return cf != nullptr && !page.LastPage ? cf->dy : 0;
}

enum TAggregateCode { agSum = 11, agMin = 12, agMax = 13, agAvg = 14, agCount = 15 };

// The object as one of the engine's classes. A built-in kind names its
// class (or a subclass of it): only add-ins need the run-time look-up.
template <class T>
T* ViewAs(TfrView* v, std::initializer_list<int> kinds) {
  switch (v->Typ) {
    case gtMemo:
    case gtPicture:
    case gtBand:
    case gtSubReport:
    case gtLine:
      return std::find(kinds.begin(), kinds.end(), v->Typ) != kinds.end() ? static_cast<T*>(v)
                                                                          : nullptr;
    default:
      return dynamic_cast<T*>(v);
  }
}
TfrStretcheable* AsStretcheable(TfrView* v) { return ViewAs<TfrStretcheable>(v, {gtMemo, gtLine}); }
TfrMemoView* AsMemo(TfrView* v) { return ViewAs<TfrMemoView>(v, {gtMemo}); }
TfrSubReportView* AsSubReport(TfrView* v) { return ViewAs<TfrSubReportView>(v, {gtSubReport}); }

}  // namespace

TfrBand::TfrBand(int kind, TfrPage* parent) : Parent(parent), Kind(kind) {}

TfrBand::~TfrBand() {
  TfrEngine& e = frEngine();
  if (e.CurRuntimeBand == this) e.CurRuntimeBand = nullptr;
  if (e.CurBand == &FPlace) e.CurBand = nullptr;
  if (FOwnDataset) FOwnDataset->Exit();
  if (View != nullptr && View->Runtime == this) View->Runtime = nullptr;
  delete Next;
}

TfrDataset* TfrBand::MakeDataset(const std::string& text, TObjectPtr<TfrDataset>& owned) {
  owned.reset();
  const std::string name = Trim(text);
  if (name.empty()) return nullptr;
  bool number = name.size() < 9;
  for (char c : name) number = number && c >= '0' && c <= '9';
  if (number) {
    auto ds = CreateUnique<TfrUserDataset>();
    ds->RangeEnd = reCount;
    ds->RangeEndCount = std::stoi(name);
    owned.reset(ds.release());
    return owned.get();
  }
  TComponent* owner = frEngine().CurReport->Owner();
  return dynamic_cast<TfrDataset*>(FindComponentByPath(owner, name));
}

void TfrBand::SetDataSet(const std::string& text) {
  if (Kind == btGroupHeader) {
    GroupCondition = text;
    return;
  }
  DataSet = nullptr;
  FOwnDataset.reset();
  if (text.find(';') == std::string::npos) DataSet = MakeDataset(text, FOwnDataset);
  TfrReport& report = Report();
  if (Kind == btMasterData && DataSet == nullptr && report.ReportType != rtMultiple)
    DataSet = report.Dataset();
}

bool TfrBand::IsCrossCell(const TfrView* view) const {
  for (const auto& cell : CrossCells)
    if (cell.first == view) return true;
  return false;
}

void TfrBand::DrawCross() {
  TfrEngine& e = frEngine();
  TfrReport& report = Report();
  TfrPage& p = *Parent;
  TfrBand* header = p.Bands[btCrossHeader];
  TfrBand* data = p.Bands[btCrossData];
  TfrBand* footer = p.Bands[btCrossFooter];
  p.ColumnNo = 1;
  if (report.OnBeginColumn) report.OnBeginColumn(this);
  const int shiftBase = p.CurX - p.PrintBounds.Left;
  const auto printCells = [&](TfrBand* cross, int x) {
    // The footer's cells read the totals of their row's columns.
    TValueGuard<TfrBand*> band(e.CurRuntimeBand, cross == footer ? footer : e.CurRuntimeBand);
    const int column = cross == header ? 0 : cross == data ? p.ColumnNo : -1;
    for (const auto& [view, owner] : CrossCells) {
      if (owner != cross) continue;
      const int dx = x - cross->CrossX;
      view->x += dx;
      TScopeExit back([cell = view, dx] { cell->x -= dx; });
      // The print goes on from the cell's measure in this column.
      if (column >= 0 && !FMeasuredCells.empty())
        view->PrintState().Swap(MeasuredCell(column, view));
      DrawObject(view);
    }
  };
  int x = (header != nullptr ? header->CrossX : data != nullptr ? data->CrossX : 0) + shiftBase;
  // Columns past the right edge continue on the next prepared page, at the
  // same height; that page is made once and shared by the rows below.
  const int basePage = e.PageNo;
  bool partEmpty = true;
  const auto breakCheck = [&](int width) {
    if (x + width <= p.PrintBounds.Right || partEmpty) return;
    TfrEMFPages& pages = e.MasterReport->EMFPages();
    x = p.PrintBounds.Left + shiftBase;
    ++e.PageNo;
    ++e.Breaks;
    if (e.PageNo >= pages.Count()) {
      pages.Add(p);
      PrintOverflowHeaders(basePage > 0);
    }
    partEmpty = true;
    if (header != nullptr && (header->Flags & flBandRepeatHeader)) {
      printCells(header, x);
      x += header->CrossWidth;
    }
  };
  if (header != nullptr) {
    report.RunScript(header, header->Script);
    printCells(header, header->CrossX + shiftBase);
    x = header->CrossX + header->CrossWidth + shiftBase;
    partEmpty = false;
  }
  if (data != nullptr) {
    TObjectPtr<TfrDataset> stand;
    if (TfrDataset* ds = CrossColumns(data, stand)) {
      int columns = 0;
      ds->First();
      while (!ds->Eof() && !report.Terminated) {
        e.CurBandView = data->View;
        int width = data->CrossWidth;
        if (report.OnPrintColumn) report.OnPrintColumn(p.ColumnNo, width);
        report.RunScript(data, data->Script);
        breakCheck(width);
        {
          e.CrossColumn = p.ColumnNo;
          TScopeExit column([&] { e.CrossColumn = 0; });
          printCells(data, x);
        }
        partEmpty = false;
        data->AddAggregates();
        if (IsDataBand(Kind)) AddColumnAggregates(p.ColumnNo);
        x += width;
        ++p.ColumnNo;
        ++columns;
        ds->Next();
      }
      data->MaxColumns = std::max(data->MaxColumns, columns);
    }
  }
  if (footer != nullptr) {
    report.RunScript(footer, footer->Script);
    breakCheck(footer->CrossWidth);
    printCells(footer, x);
    footer->InitValues();
  }
  e.PageNo = basePage;
  e.CurBandView = View;
  FMeasuredCells.clear();
}

TfrDataset* TfrBand::CrossColumns(TfrBand* data, TObjectPtr<TfrDataset>& stand) {
  TfrDataset* ds = data->DataSet != nullptr ? data->DataSet : CrossDataSet;
  // A footer row without columns of its own lines up with the data rows.
  if (ds == nullptr && Kind == btMasterFooter && data->MaxColumns > 0)
    ds = MakeDataset(std::to_string(data->MaxColumns), stand);
  return ds;
}

TfrPrintState& TfrBand::MeasuredCell(int column, TfrView* view) {
  for (const auto& cell : FMeasuredCells)
    if (cell->Column == column && cell->View == view) return cell->State;
  FMeasuredCells.push_back(std::make_unique<TMeasuredCell>());
  FMeasuredCells.back()->Column = column;
  FMeasuredCells.back()->View = view;
  return FMeasuredCells.back()->State;
}

int TfrBand::CrossCellsHeight() {
  TfrEngine& e = frEngine();
  TfrPage& p = *Parent;
  TfrBand* header = p.Bands[btCrossHeader];
  TfrBand* data = p.Bands[btCrossData];
  int h = 0;
  const auto measure = [&](TfrBand* cross, int column) {
    for (const auto& cell : CrossCells) {
      TfrView* const view = cell.first;
      if (cell.second != cross || !(view->Flags & flStretched) || !view->Visible) continue;
      TfrStretcheable* s = AsStretcheable(view);
      if (s == nullptr) continue;
      TfrPrintState& state = MeasuredCell(column, view);
      view->PrintState().Swap(state);
      TScopeExit kept([&] { view->PrintState().Swap(state); });
      e.CurView = view;
      h = std::max(h, view->y + s->CalcHeight());
    }
  };
  TValueGuard<int> columnNo(p.ColumnNo, 1);
  TValueGuard<int> crossColumn(e.CrossColumn, 0);
  if (header != nullptr) measure(header, 0);
  // The footer's cells read the totals of the columns as they print: they
  // are measured where they print.
  TObjectPtr<TfrDataset> stand;
  TfrDataset* ds = data != nullptr ? CrossColumns(data, stand) : nullptr;
  if (ds == nullptr) return h;
  ds->First();
  while (!ds->Eof() && !Report().Terminated) {
    e.CrossColumn = p.ColumnNo;
    measure(data, p.ColumnNo);
    ++p.ColumnNo;
    ds->Next();
  }
  return h;
}

void TfrBand::PrintOverflowHeaders(bool forced) {
  // A page of columns that did not fit beside the rows gets the headers of
  // the page it continues, so the rows line up with them.
  TfrPage& p = *Parent;
  TfrBand* header = p.Bands[btPageHeader];
  TfrBand* column = p.Bands[btColumnHeader];
  if (header == nullptr && column == nullptr) return;
  struct TSaved {
    int CurX, CurY, Column, StaticY, ColumnNo;
    TfrBand* Last;
    bool InBreak;
  } const saved{p.CurX,     p.CurY,     p.CurColumn, p.LastStaticColumnY,
                p.ColumnNo, p.LastBand, p.FInBreak};
  const TfrBandPlace* const savedPlace = frEngine().CurBand;
  const int savedY = y;
  const auto restore = [&] {
    p.CurX = saved.CurX;
    p.CurY = saved.CurY;
    p.CurColumn = saved.Column;
    p.LastStaticColumnY = saved.StaticY;
    p.ColumnNo = saved.ColumnNo;
    p.LastBand = saved.Last;
    p.FInBreak = saved.InBreak;
    frEngine().CurBand = savedPlace;
    frEngine().CurBandView = View;
    y = savedY;
  };
  p.FInBreak = true;  // nothing here breaks the page again
  p.CurX = p.PrintBounds.Left;
  p.CurY = p.PrintableBounds(true).Top;
  TScopeExit restored(restore);
  if (header != nullptr && header != this && (forced || (header->Flags & flBandOnFirstPage)))
    header->Draw();
  if (column != nullptr && column != this) column->Draw();
}

int TfrBand::StretchedHeight() {
  int h = dy;
  TfrEngine& e = frEngine();
  FMeasured = true;
  for (TfrView* v : Objects) {
    if (!(v->Flags & flStretched) || !v->Visible || IsCrossCell(v)) continue;
    TfrStretcheable* s = AsStretcheable(v);
    if (s == nullptr) continue;
    e.CurView = v;
    h = std::max(h, v->y + s->CalcHeight());
  }
  if (!CrossCells.empty() && Kind != btPageFooter) h = std::max(h, CrossCellsHeight());
  maxdy = h;
  return h;
}

void TfrBand::EndMeasuredPrints() {
  const auto end = [](TfrBand* b) {
    if (!b->FMeasured) return;  // what printed ended its own print
    b->FMeasured = false;
    for (TfrView* v : b->Objects)
      if (!b->IsCrossCell(v)) v->EndPrint();
    b->FMeasuredCells.clear();
  };
  if (IsDataBand(Kind) && Next != nullptr && Next->DataSet == nullptr) {
    for (TfrBand* b = this; b != nullptr && (b == this || b->DataSet == nullptr); b = b->Next)
      end(b);
    return;
  }
  for (TfrBand* b = this; b != nullptr; b = b->Child) end(b);
}

int TfrBand::CalcHeight() {
  if (IsDataBand(Kind) && Next != nullptr && Next->DataSet == nullptr) {
    int h = 0;
    for (TfrBand* b = this; b != nullptr && (b == this || b->DataSet == nullptr); b = b->Next)
      h += b->Stretched ? b->StretchedHeight() : b->dy;
    return CalculatedHeight = h;
  }
  int h = 0;
  for (TfrBand* b = this; b != nullptr; b = b->Child)
    if (b == this || b->Visible) h += b->Stretched ? b->StretchedHeight() : b->dy;
  return CalculatedHeight = h;
}

void TfrBand::StretchObjects(int maxHeight) {
  FSaved.clear();
  for (TfrView* v : Objects) {
    FSaved.push_back({v->y, v->dy});
    if ((v->Flags & flStretched) && v->dy >= 1) v->dy = maxHeight - v->y;
  }
}

void TfrBand::UnStretchObjects() {
  for (std::size_t i = 0; i < Objects.size() && i < FSaved.size(); ++i) {
    Objects[i]->y = FSaved[i].y;
    Objects[i]->dy = FSaved[i].dy;
  }
  FSaved.clear();
}

bool TfrBand::CheckPageBreak(int top, int height, bool checkOnly) {
  // These print in the room kept for them (or over the page).
  if (Kind == btColumnFooter || Kind == btPageFooter || Kind == btOverlay || Kind == btNone)
    return false;
  if (top + height + ColumnFooterHeight(*Parent) <= Parent->CurBottomY) return false;
  // On a fresh page nothing is gained by breaking again.
  if (Parent->FreshPage()) return false;
  if (!checkOnly) Parent->NewColumn(this);
  return true;
}

void TfrBand::DrawObject(TfrView* view) {
  if (std::find(Objects.begin(), Objects.end(), view) == Objects.end()) return;
  TfrReport& report = Report();
  TfrEngine& e = frEngine();
  e.CurView = view;
  if (!report.FinalPass) {
    // Only scripts run, once per print: measuring ran a measured one's.
    TfrStretcheable* s = AsStretcheable(view);
    if (!view->PreparedToPrint() && (s == nullptr || !s->Continuation)) report.RunViewScript(view);
    if (s == nullptr || !s->Splitting) view->EndPrint();
    return;
  }
  TfrEMFPages& pages = e.MasterReport->EMFPages();
  if (pages.Count() == 0) {
    view->EndPrint();
    return;
  }
  const int index = std::clamp(e.PageNo, 0, pages.Count() - 1);
  TMemoryStream& stream = *pages.Pages(index).Stream;
  // The record goes to the page in one write. A script run before the
  // object writes itself may print other objects: each depth has its
  // buffer, and a record takes its place in the page when it begins.
  static std::vector<std::unique_ptr<TfrRecordStream>> buffers;
  static std::size_t depth = 0;
  if (depth == buffers.size()) buffers.push_back(std::make_unique<TfrRecordStream>());
  TfrRecordStream& record = *buffers[depth];
  record.Start(stream);
  const int shiftX = Parent->CurX - Parent->PrintBounds.Left;
  view->x += shiftX;
  view->y += y;
  ++depth;
  {
    TScopeExit back([&] {
      --depth;
      view->x -= shiftX;
      view->y -= y;
    });
    view->Print(record);
  }
  if (record.Length() > 0) {
    stream.Seek(0, TSeekOrigin::soEnd);
    stream.WriteBuffer(record.Data(), record.Length());
  }
  if (!e.HookObjects.empty() && AsMemo(view) != nullptr)
    for (TfrView* o : e.HookObjects) o->OnHook(view);
}

void TfrBand::DrawObjects() {
  FSubReportBottom = -1;
  FSubsPending = false;
  std::vector<TfrSubReportView*> subs;
  for (TfrView* v : Objects) {
    if (TfrSubReportView* sub = AsSubReport(v))
      subs.push_back(sub);
    else if (!IsCrossCell(v))
      DrawObject(v);
  }
  if (!CrossCells.empty() && Kind != btPageFooter) DrawCross();
  if (subs.empty()) return;
  // Each sub-report is recorded whole, then the recordings are played side
  // by side, part by part, until all have printed.
  EndSubReports();
  TfrPages& pages = Report().Pages();
  for (TfrSubReportView* sub : subs) {
    if (sub->SubPage < 0 || sub->SubPage >= pages.Count()) continue;
    TfrPage* page = pages.Pages(sub->SubPage);
    if (page == Parent || page->FRecording || page->FPlaying || page->PageType != ptReport)
      continue;
    FSubs.push_back({sub, page, false});
  }
  if (FSubs.empty()) return;
  try {
    for (TSubPlay& s : FSubs) s.Page->RecordSubReport(*Parent);
    FSubsBroke = false;
    FSubLowest = y + dy;
    PlaySubsPart(-1, false);
    if (!ContinueSubReports()) {
      FSubReportBottom = FSubLowest;
      FSubsPending = true;
      return;
    }
  } catch (...) {
    EndSubReports();
    throw;
  }
  FSubReportBottom = FSubLowest;
  EndSubReports();
}

void TfrBand::PlaySubsPart(int top, bool fresh) {
  TfrPage& p = *Parent;
  const int shift = p.CurX - p.PrintBounds.Left;
  for (TSubPlay& s : FSubs) {
    if (s.Done) continue;
    const int start = top < 0 ? y + s.View->y : top;
    s.Done = s.Page->PlaySubReport(s.View->x + shift, start, p.CurBottomY, fresh);
    FSubLowest = std::max(FSubLowest, s.Page->CurY);
  }
}

bool TfrBand::ContinueSubReports() {
  TfrPage& p = *Parent;
  for (;;) {
    if (std::all_of(FSubs.begin(), FSubs.end(), [](const TSubPlay& s) { return s.Done; }))
      return true;
    // On a sub-report page the page break is the host's to make.
    if (p.Playing()) {
      p.FUnfinishedBand = this;
      return false;
    }
    p.CurColumn = std::max(1, p.Columns) - 1;
    p.NewColumn(nullptr);
    FSubsBroke = true;
    FSubLowest = p.CurY;
    PlaySubsPart(p.CurY, true);
  }
}

void TfrBand::EndSubReports() {
  for (TSubPlay& s : FSubs) s.Page->EndSubReport();
  FSubs.clear();
  FSubsPending = false;
}

void TfrBand::DrawPageBreak() {
  std::vector<TSavedRect> saved;
  for (TfrView* v : Objects) saved.push_back({v->y, v->dy});
  std::vector<bool> printed(Objects.size(), false);
  const auto restore = [&] {
    for (std::size_t i = 0; i < Objects.size(); ++i) {
      Objects[i]->y = saved[i].y;
      Objects[i]->dy = saved[i].dy;
      if (TfrStretcheable* m = AsStretcheable(Objects[i])) m->Continuation = false;
    }
  };
  {
    TScopeExit restored(restore);
    for (;;) {
      const int usable = Parent->CurBottomY - ColumnFooterHeight(*Parent) - y - 2;
      bool fits = true;
      for (std::size_t i = 0; i < Objects.size(); ++i)
        if (!printed[i] && Objects[i]->y + Objects[i]->dy > usable) fits = false;
      if (fits) break;
      bool progress = false;
      for (std::size_t i = 0; i < Objects.size(); ++i) {
        if (printed[i]) continue;
        TfrView* v = Objects[i];
        if (v->y + v->dy <= usable) {
          DrawObject(v);
          printed[i] = true;
          progress = true;
          continue;
        }
        TfrStretcheable* s = AsStretcheable(v);
        if (s == nullptr || v->y >= usable) continue;
        // Cut: the part that fits prints here, the rest carries over.
        const int bottom = v->y + v->dy;
        v->dy = usable - v->y + 1;
        TfrMemoView* memo = AsMemo(v);
        {
          TFlagGuard splitting(s->Splitting);
          DrawObject(v);
        }
        s->Continuation = true;
        if (memo == nullptr || memo->DrawnLines() > 0) progress = true;
        // Whole lines only fit: the rest of the text may need more room
        // than the part below the line, and what lies under the object
        // moves down by the difference.
        int rest = bottom - usable;
        if (memo != nullptr) {
          const int need = memo->CalcHeight();
          if (need > rest) {
            const int extra = need - rest;
            for (std::size_t j = 0; j < Objects.size(); ++j) {
              TfrView* w = Objects[j];
              if (j == i || printed[j] || w->y < bottom) continue;
              if (w->x < v->x + v->dx && w->x + w->dx > v->x) w->y += extra;
            }
            rest = need;
          }
        }
        v->y = usable;
        v->dy = rest;
      }
      if (!progress && Parent->FreshPage()) break;  // cannot get better on a new page
      for (std::size_t i = 0; i < Objects.size(); ++i)
        if (!printed[i]) Objects[i]->y = std::max(0, Objects[i]->y - usable);
      Parent->NewColumn(this);
      y = Parent->CurY;
      Parent->MarkBreak();
    }
    int bottom = 0;
    for (std::size_t i = 0; i < Objects.size(); ++i) {
      if (printed[i]) continue;
      DrawObject(Objects[i]);
      bottom = std::max(bottom, Objects[i]->y + Objects[i]->dy);
    }
    Parent->CurY = y + bottom;
  }
}

void TfrBand::DoDraw() {
  TfrPage& p = *Parent;
  if (Kind != btPageFooter && Kind != btOverlay && Kind != btNone) y = p.CurY;
  // Draw's fit test has measured this band already.
  const int h = Stretched ? (FHeightKnown ? maxdy : StretchedHeight()) : dy;
  FHeightKnown = false;
  FPlace = {p.CurX, y, p.ColumnWidth, h, false};
  frEngine().CurBand = &FPlace;
  if (Stretched) StretchObjects(h);
  const auto unstretch = [&] {
    if (Stretched) UnStretchObjects();
  };
  {
    TScopeExit unstretched(unstretch);
    if (!PageBreak) {
      if (CheckPageBreak(y, h, false)) y = p.CurY;
      FPlace.y = y;
      DrawObjects();
      p.CurY = FSubReportBottom < 0 ? y + h
               : FSubsBroke         ? FSubReportBottom
                                    : std::max(FSubReportBottom, y + h);
    } else {
      DrawPageBreak();
    }
  }
  // Records side by side: a band object with columns.
  if (p.LastBand != this) CurColumn = 1;
  if (View != nullptr && View->Columns >= 2 && View->NewColumnAfter == 1) {
    if (CurColumn <= 1) StartX = p.CurX;
    ++CurColumn;
    if (CurColumn <= View->Columns) {
      p.CurX = StartX + (CurColumn - 1) * (View->ColumnWidth + View->ColumnGap);
      p.CurY -= h;
    } else {
      p.CurX = StartX;
      CurColumn = 1;
    }
  }
  p.LastBand = this;
  if (IsDataBand(Kind)) AddAggregates();
}

bool TfrBand::Draw() {
  TfrEngine& e = frEngine();
  TfrReport& report = Report();
  TfrPage& p = *Parent;
  TfrBand* const savedBand = e.CurRuntimeBand;
  e.CurRuntimeBand = this;
  e.CurBandView = View;
  CalculatedHeight = 0;
  ForceNewPage = ForceNewColumn = 0;
  CurYSet = false;
  if (report.OnBeginBand) report.OnBeginBand(this);
  TfrBand* last = p.LastBand;
  if (last != nullptr && last != this && last->CurColumn > 1 && last->View != nullptr &&
      last->View->Columns >= 2) {
    p.CurX = last->StartX;
    p.CurY += last->dy;
    last->CurColumn = 1;
  }
  const bool scriptRan = ScriptRan;
  ScriptRan = false;
  if (!scriptRan) {
    // Each print starts from the designed visibility; the script may hide
    // the band (Name.Visible := False) for this print only.
    const bool designed = View != nullptr ? View->Visible : Visible;
    if (View != nullptr) Visible = designed;
    report.RunScript(this, Script);
    if (View != nullptr) {
      Visible = View->Visible;
      View->Visible = designed;
    }
  }
  if (!report.Terminated) {
    const int savedY = p.CurY;
    for (; ForceNewPage > 0; --ForceNewPage) {
      p.CurColumn = std::max(1, p.Columns) - 1;
      p.NewColumn(this);
    }
    for (; ForceNewColumn > 0; --ForceNewColumn) p.NewColumn(this);
    if (CurYSet) p.CurY = savedY;
  }
  bool result = false;
  if (Visible) {
    if (Kind == btColumnHeader) p.LastStaticColumnY = p.CurY;
    if (Kind == btPageFooter) y = p.CurBottomY;
    if (Exists()) {
      if (View != nullptr) dy = View->dy;
      if (Kind != btPageFooter && Kind != btOverlay && Kind != btColumnFooter && Kind != btNone) {
        const int h = CalcHeight();
        FHeightKnown = Child == nullptr && !(IsDataBand(Kind) && Next != nullptr);
        if (h + p.CurY > p.CurBottomY && !PageBreak && !p.FreshPage()) {
          FHeightKnown = false;
          if (p.Playing()) {
            // The sub-report's host breaks the page and plays this again;
            // the script has run already.
            ScriptRan = true;
            if (report.OnEndBand) report.OnEndBand(this);
            e.CurRuntimeBand = savedBand;
            return true;
          }
          result = true;
          p.NewColumn(this);
        }
      }
      if (IsDataBand(Kind) && Next != nullptr && Next->DataSet == nullptr) {
        for (TfrBand* b = this; b != nullptr && (b == this || b->DataSet == nullptr); b = b->Next)
          b->DoDraw();
      } else {
        DoDraw();
        if (FSubsPending) result = true;
        if (Child != nullptr) Child->Draw();
        if (NewPageAfter && !IsDataBand(Kind) && Kind != btGroupHeader && Visible &&
            Kind != btPageFooter && Kind != btColumnFooter) {
          p.CurColumn = std::max(1, p.Columns) - 1;
          p.NewColumn(this);
        }
      }
    }
  } else {
    if (Child != nullptr && PrintChildIfInvisible) Child->Draw();
    if (IsDataBand(Kind)) AddAggregates();
  }
  // What was measured and did not print (a band the script hid) starts
  // afresh next time.
  EndMeasuredPrints();
  if (!IsRepeated && (Kind != btPageFooter || e.PageNo >= e.MasterReport->EMFPages().Count() - 1))
    InitValues();
  if (report.OnEndBand) report.OnEndBand(this);
  e.CurRuntimeBand = savedBand;
  return result;
}

namespace {

// A key of one cross-tab column's total ("<column>\x01...") or the pattern
// of such totals ("0\x01...").
bool IsColumnKey(const std::string& key) { return !key.empty() && key[0] >= '0' && key[0] <= '9'; }

}  // namespace

void TfrBand::InitValues() {
  if (Kind == btGroupHeader) {
    if (!GroupCondition.empty()) LastGroupValue = frEngine().Parser.Calculate(GroupCondition);
    return;
  }
  TfrBand* source = AggregateSource;
  if (source == nullptr) return;
  const std::string prefix = Name + '\x01';
  // The totals of cross-tab columns start again from nothing.
  for (int i = source->Values.Count() - 1; i >= 0; --i) {
    const std::string& key = source->Values.GetName(i);
    if (!IsColumnKey(key) || key.compare(0, 2, "0\x01") == 0) continue;
    const std::size_t a = key.find('\x01');
    if (a == std::string::npos || key.compare(a + 1, prefix.size(), prefix) != 0) continue;
    source->Values.Delete(i);
    if (static_cast<std::size_t>(i) < source->Counts.size())
      source->Counts.erase(source->Counts.begin() + i);
  }
  for (int i = 0; i < source->Values.Count(); ++i) {
    const std::string& key = source->Values.GetName(i);
    if (key.compare(0, prefix.size(), prefix) != 0) continue;
    const bool isMin = key.size() > prefix.size() && key[prefix.size()] == agMin;
    source->Values.SetValueAt(i, Variant(isMin ? 1e300 : 0.0));
    if (static_cast<std::size_t>(i) < source->Counts.size())
      source->Counts[static_cast<std::size_t>(i)] = 0;
  }
  source->Count = 0;
}

void TfrBand::Accumulate(int column) {
  std::string lastExpr;
  Variant lastValue;
  bool haveLast = false;
  const int patterns = Values.Count();
  for (int i = 0; i < patterns; ++i) {
    const std::string& name = Values.GetName(i);
    // Plain records take the plain keys; a column takes the patterns.
    if (column == 0 ? IsColumnKey(name) : name.compare(0, 2, "0\x01") != 0) continue;
    // A plain key is read where it stands (a column's is built).
    std::string columnKey;
    if (column != 0) columnKey = std::to_string(column) + name.substr(1);
    const std::string_view key = column == 0 ? std::string_view(name) : columnKey;
    const std::size_t a = key.find('\x01', column == 0 ? 0 : key.find('\x01') + 1);
    if (a == std::string_view::npos || a + 2 >= key.size()) continue;
    const int code = static_cast<unsigned char>(key[a + 1]);
    const std::size_t b = key.find('\x01', a + 3);
    const std::string_view expr =
        key.substr(a + 3, b == std::string_view::npos ? std::string_view::npos : b - a - 3);
    const std::string flags(b == std::string_view::npos ? std::string_view() : key.substr(b + 1));
    Variant v;
    if (code != agCount) {
      if (haveLast && expr == lastExpr) {
        v = lastValue;
      } else {
        lastExpr = expr;  // the key's own text stays out of the evaluation
        v = frEngine().Parser.Calculate(lastExpr);
        lastValue = v;
        haveLast = true;
      }
    }
    if (!Visible && Trim(flags) != "1") continue;
    int at = i;
    if (column != 0) {
      at = Values.IndexOf(key);
      if (at < 0) {
        Values.SetVariable(key, Variant(code == agMin ? 1e300 : 0.0));
        at = Values.Count() - 1;
      }
    }
    Counts.resize(static_cast<std::size_t>(Values.Count()), 0);
    const double value = VarIsNull(v) || VarIsEmpty(v) ? 0.0 : v.AsDouble();
    const Variant current = Values.GetValueAt(at);
    const double run = VarIsNull(current) || VarIsEmpty(current) ? 0.0 : current.AsDouble();
    double next = run;
    switch (code) {
      case agSum:
      case agAvg:
        next = run + value;
        break;
      case agMin:
        next = std::min(run, value);
        break;
      case agMax:
        next = std::max(run, value);
        break;
      case agCount:
        next = run + 1;
        break;
      default:
        break;
    }
    Values.SetValueAt(at, Variant(next));
    ++Counts[static_cast<std::size_t>(at)];
  }
}

void TfrBand::AddAggregates() {
  Accumulate(0);
  ++Count;
}
