// Page building: the run-time bands of a template page and the walk over
// the report datasets that turns the page into prepared pages.
#include <algorithm>
#include <map>

#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "report/fr_band.h"
#include "report/fr_band_view.h"
#include "report/fr_dataset.h"
#include "report/fr_functions.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"

namespace {

TfrReport& Report() { return *static_cast<TfrReport*>(frEngine().CurReport); }
TfrEMFPages& Prepared() { return frEngine().MasterReport->EMFPages(); }

constexpr int kLevels[3] = {btMasterHeader, btDetailHeader, btSubDetailHeader};

bool Has(const TfrBand* band, std::uint16_t flag) {
  return band != nullptr && (band->Flags & flag) != 0;
}

// Objects made relative to their band, to put back when the bands go.
std::map<const TfrPage*, std::vector<std::pair<TfrView*, int>>>& Moved() {
  static std::map<const TfrPage*, std::vector<std::pair<TfrView*, int>>> moved;
  return moved;
}

}  // namespace

TfrPage::~TfrPage() {
  DoneReport();
  if (frEngine().CurPage == this) frEngine().CurPage = nullptr;
}

TRect TfrPage::PrintableBounds(bool preparing) const {
  const TSize size = ScreenSize();
  TRect r{0, 0, size.cx, size.cy};
  if (UseMargins) {
    TfrPageGeometry g{0, 0, size.cx, size.cy};
    if (frReportHooks().PageGeometry) g = frReportHooks().PageGeometry(*this);
    r.Left = pgMargins.Left != 0 ? pgMargins.Left : g.OffsetX;
    r.Top = pgMargins.Top != 0 ? pgMargins.Top : g.OffsetY;
    r.Right = pgMargins.Right != 0 ? size.cx - pgMargins.Right : g.OffsetX + g.PrintableWidth;
    r.Bottom = pgMargins.Bottom != 0 ? size.cy - pgMargins.Bottom : g.OffsetY + g.PrintableHeight;
  }
  if (preparing && Bands[btPageFooter] != nullptr) r.Bottom -= Bands[btPageFooter]->dy;
  return r;
}

void TfrPage::InitReport() {
  // A second pass works with the bands of the first.
  if (FInitialized) return;
  FInitialized = true;
  TfrReport& report = Report();
  std::vector<TfrBandView*> bandViews;
  std::vector<TfrView*> plain, subReports;
  for (const auto& o : Objects) {
    if (dynamic_cast<TfrBandView*>(o.get()) == nullptr && (o->Flags & flWantHook))
      frEngine().HookObjects.push_back(o.get());
    if (auto* bv = dynamic_cast<TfrBandView*>(o.get())) {
      bandViews.push_back(bv);
    } else if (auto* sub = dynamic_cast<TfrSubReportView*>(o.get())) {
      subReports.push_back(sub);
      TfrPages& pages = report.Pages();
      if (sub->SubPage >= 0 && sub->SubPage < pages.Count())
        pages.Pages(sub->SubPage)->IsSubReportPage = true;
    } else {
      plain.push_back(o.get());
    }
  }
  // A fixed order (kind, then top): an object on a boundary always goes to
  // the same band.
  std::stable_sort(bandViews.begin(), bandViews.end(), [](TfrBandView* a, TfrBandView* b) {
    return a->BandType() != b->BandType() ? a->BandType() < b->BandType() : a->y < b->y;
  });
  std::vector<bool> placed(plain.size(), false), subPlaced(subReports.size(), false);
  auto& moved = Moved()[this];
  std::vector<TfrBand*> all;
  // Cross bands are vertical: X and width from their objects.
  std::vector<TfrBand*> cross;
  for (TfrBandView* bv : bandViews) {
    const int kind = bv->BandType();
    if (kind != btCrossHeader && kind != btCrossData && kind != btCrossFooter) continue;
    if (Bands[kind] != nullptr) continue;
    auto* band = new TfrBand(kind, this);
    band->View = bv;
    bv->Runtime = band;
    band->CrossX = bv->x;
    band->CrossWidth = bv->dx;
    band->Flags = bv->Flags;
    band->Visible = bv->Visible;
    band->Name = bv->Name;
    band->Script.Assign(bv->Script);
    band->SetDataSet(bv->DataSource());
    Bands[kind] = band;
    cross.push_back(band);
  }
  const auto crossOf = [&](const TfrView* v) -> TfrBand* {
    for (TfrBand* c : cross)
      if (v->x >= c->CrossX && v->x + v->dx <= c->CrossX + c->CrossWidth) return c;
    return nullptr;
  };
  for (TfrBandView* bv : bandViews) {
    const int kind = bv->BandType();
    if (kind < 0 || kind > btNone || kind == btCrossHeader || kind == btCrossData ||
        kind == btCrossFooter)
      continue;
    auto* band = new TfrBand(kind, this);
    band->View = bv;
    bv->Runtime = band;
    band->y = bv->y;
    band->dy = bv->dy;
    band->Flags = bv->Flags;
    if (IsSubReportPage) band->Flags &= ~(flBandNewPageAfter | flBandBreaked);
    band->Visible = bv->Visible;
    band->Name = bv->Name;
    band->Memo.Assign(bv->Memo);
    band->Script.Assign(bv->Script);
    band->Stretched = (band->Flags & flBandStretched) != 0;
    band->NewPageAfter = (band->Flags & flBandNewPageAfter) != 0;
    band->PrintIfSubsetEmpty = (band->Flags & flBandPrintIfSubsetEmpty) != 0;
    band->PageBreak = (band->Flags & flBandBreaked) != 0;
    band->PrintChildIfInvisible = (band->Flags & flBandPrintChildIfInvisible) != 0;
    band->SetDataSet(bv->DataSource());
    for (std::size_t i = 0; i < plain.size(); ++i) {
      TfrView* v = plain[i];
      if (placed[i] || v->y < bv->y || v->y > bv->y + bv->dy) continue;
      placed[i] = true;
      band->Objects.push_back(v);
      if (TfrBand* c = crossOf(v)) band->CrossCells.emplace_back(v, c);
      v->y -= bv->y;
      moved.emplace_back(v, bv->y);
    }
    for (std::size_t i = 0; i < subReports.size(); ++i) {
      TfrView* v = subReports[i];
      if (subPlaced[i] || v->y < bv->y || v->y > bv->y + bv->dy) continue;
      subPlaced[i] = true;
      band->Objects.push_back(v);
      v->y -= bv->y;
      moved.emplace_back(v, bv->y);
    }
    if (Bands[kind] == nullptr) {
      Bands[kind] = band;
    } else {
      TfrBand* last = Bands[kind];
      while (last->Next != nullptr) last = last->Next;
      last->Next = band;
      band->Prev = last;
    }
    all.push_back(band);
  }
  if (Bands[btNone] == nullptr) Bands[btNone] = new TfrBand(btNone, this);
  for (std::size_t i = 0; i < plain.size(); ++i)
    if (!placed[i]) Bands[btNone]->Objects.push_back(plain[i]);
  // Headers and footers of the data levels.
  for (int h : kLevels) {
    for (TfrBand* header = Bands[h]; header != nullptr; header = header->Next) {
      for (TfrBand* d = Bands[h + 1]; d != nullptr; d = d->Next) {
        if (d->y >= header->y + header->dy) {
          if (d->Header == nullptr) {
            d->Header = header;
            header->DataBand = d;
          }
          break;
        }
      }
    }
    for (TfrBand* footer = Bands[h + 2]; footer != nullptr; footer = footer->Next) {
      TfrBand* found = nullptr;
      for (TfrBand* d = Bands[h + 1]; d != nullptr; d = d->Next)
        if (d->y + d->dy <= footer->y) found = d;
      if (found != nullptr && found->Footer == nullptr) {
        found->Footer = footer;
        footer->DataBand = found;
      }
    }
  }
  // Group headers with group footers, in order; then with their data band.
  TfrBand* gf = Bands[btGroupFooter];
  for (TfrBand* gh = Bands[btGroupHeader]; gh != nullptr; gh = gh->Next) {
    if (gf != nullptr) {
      gh->Footer = gf;
      gf->Header = gh;
      gf = gf->Next;
    }
    TfrBand* data = nullptr;
    const std::string master = gh->View != nullptr ? gh->View->Master : std::string();
    for (int k : {btMasterData, btDetailData, btSubDetailData})
      for (TfrBand* d = Bands[k]; d != nullptr && data == nullptr; d = d->Next)
        if (master.empty() ? k == btMasterData : SameText(d->Name, master)) data = d;
    if (data == nullptr) continue;
    gh->DataBand = data;
    if (gh->Footer != nullptr) gh->Footer->DataBand = data;
    if (data->LastGroup == nullptr) {
      data->FirstGroup = gh;
    } else {
      data->LastGroup->NextGroup = gh;
      gh->PrevGroup = data->LastGroup;
    }
    data->LastGroup = gh;
  }
  // "name=value;" items of the cross data band: per-row column datasets.
  if (TfrBand* cd = Bands[btCrossData]; cd != nullptr && cd->View != nullptr) {
    const std::string text = cd->View->DataSource();
    if (text.find(';') != std::string::npos) {
      std::size_t start = 0;
      while (start < text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        const std::size_t eq = item.find('=');
        if (eq != std::string::npos) {
          const std::string name = Trim(item.substr(0, eq));
          for (TfrBand* b : all)
            if (b->Kind >= btMasterHeader && b->Kind <= btChild && b->View != nullptr &&
                SameText(b->View->Name, name))
              b->SetCrossDataSet(item.substr(eq + 1));
        }
        start = end + 1;
      }
    }
  }
  // Child bands by name. The way back up a chain never loops.
  for (TfrBand* b : all) {
    if (b->View == nullptr || b->View->ChildBand.empty()) continue;
    for (TfrBand* c : all)
      if (c != b && c->View != nullptr && SameText(c->View->Name, b->View->ChildBand)) b->Child = c;
    TfrBand* child = b->Child;
    if (child == nullptr || child->ChildOf != nullptr) continue;
    bool loops = false;
    for (TfrBand* up = b; up != nullptr && !loops; up = up->ChildOf) loops = up == child;
    if (!loops) child->ChildOf = b;
  }
  if (Columns <= 0) Columns = 1;
  const TRect bounds = PrintableBounds(false);
  PrintBounds = bounds;
  ColumnWidth = (bounds.Right - bounds.Left - (Columns - 1) * ColumnGap) / Columns;
  FMaxLevel = 0;
  for (int level = 1; level <= 3; ++level)
    if (Bands[kLevels[level - 1] + 1] != nullptr) FMaxLevel = level;
}

void TfrPage::DoneReport() {
  auto& hooks = frEngine().HookObjects;
  for (const auto& o : Objects) std::erase(hooks, o.get());
  for (TfrBand*& band : Bands) {
    delete band;
    band = nullptr;
  }
  auto it = Moved().find(this);
  if (it != Moved().end()) {
    for (const auto& [view, dy] : it->second) view->y += dy;
    Moved().erase(it);
  }
  for (const auto& o : Objects)
    if (auto* bv = dynamic_cast<TfrBandView*>(o.get())) bv->Runtime = nullptr;
  FInitialized = false;
}

void TfrPage::PrepareObjects() {
  if (PageType != ptReport) return;
  TfrReport& report = Report();
  for (const auto& o : Objects) {
    auto* memo = dynamic_cast<TfrMemoView*>(o.get());
    if (memo == nullptr || (memo->Flags & flTextOnly) || memo->Memo.Count() == 0) continue;
    const std::string first = memo->Memo[0];
    if (first.size() > 2 && first.front() == '[' && first.back() == ']') {
      const std::string name = first.substr(1, first.size() - 2);
      // Field references are resolved and cached by the dictionary itself.
      report.Dictionary().IsVariable(name);
    }
  }
  // The bands of a first pass keep their registrations for the final one.
  if (!(report.FinalPass && report.DoublePass)) RegisterAggregates(*this);
}

void TfrPage::ShowBand(TfrBand* band) {
  if (band == nullptr) return;
  if (FRecording) {
    FPlayList.push_back({band, poPrint});
    // The data loop compares group values while it records.
    if (band->Kind == btGroupHeader) band->InitValues();
    return;
  }
  band->Draw();
}

void TfrPage::Move(TfrBand* band, TfrPlayOp op) {
  TfrDataset* ds = band->DataSet;
  switch (op) {
    case poFirst:
      ds->First();
      band->LineNo = band->LineThroughNo = 1;
      break;
    case poNext:
      ds->Next();
      if (FPlaying) {
        ++CurrentNo;
        ++band->LineThroughNo;
        ++band->LineNo;
      }
      break;
    case poStep:
      ds->Next();
      break;
    case poBack:
      ds->Prior();
      break;
    case poNewGroup:
      band->LineNo = 1;
      break;
    case poPrint:
      break;
  }
  if (FRecording) FPlayList.push_back({band, op});
}

void TfrPage::ShowBandByName(const std::string& name) {
  for (TfrBand* first : Bands)
    for (TfrBand* b = first; b != nullptr; b = b->Next)
      if (b->View != nullptr && SameText(b->View->Name, name)) {
        b->Draw();
        return;
      }
}

void TfrPage::Queue(TfrBand* band) {
  if (band != nullptr) frEngine().Pending.push_back(band);
}

void TfrPage::ShowPending() {
  std::vector<TfrBand*> pending;
  pending.swap(frEngine().Pending);
  for (TfrBand* b : pending)
    if (b->Exists()) ShowBand(b);
}

void TfrPage::NewPage() {
  if (FRecording || FPlaying) return;  // the host breaks its pages
  TfrEngine& e = frEngine();
  ++e.Breaks;
  TfrReport& report = Report();
  report.Progress(e.PageNo + 1);
  const bool saved = FInBreak;
  FInBreak = true;
  if (!LastPage) ShowBand(Bands[btColumnFooter]);
  ShowPageFooters();
  CurBottomY = PrintableBounds(true).Bottom;
  Prepared().Add(*this);
  e.PageNo = Prepared().Count() - 1;
  e.AppendPage = false;
  ShowBand(Bands[btOverlay]);
  CurY = PrintableBounds(true).Top;
  CurColumn = 0;
  CurX = PrintableBounds(true).Left;
  ShowBand(Bands[btPageHeader]);
  LastStaticColumnY = CurY;
  ShowBand(Bands[btColumnHeader]);
  FInBreak = saved;
  MarkBreak();
}

void TfrPage::NewColumn(TfrBand* band) {
  if (FRecording || FPlaying) return;  // the host breaks its pages
  ++frEngine().Breaks;
  const bool saved = FInBreak;
  FInBreak = true;
  if (CurColumn < Columns - 1) {
    ShowBand(Bands[btColumnFooter]);
    ++CurColumn;
    CurX += ColumnWidth + ColumnGap;
    CurY = LastStaticColumnY;
    ShowBand(Bands[btColumnHeader]);
  } else {
    NewPage();
  }
  if (!LastPage && band != nullptr) {
    TfrBand* data = IsDataBand(band->Kind) ? band : band->DataBand;
    if (data != nullptr) {
      for (TfrBand* g = data->FirstGroup; g != nullptr && g != band; g = g->NextGroup) {
        if (!(g->Flags & flBandRepeatHeader) || g->IsRepeated) continue;
        g->IsRepeated = true;
        g->Draw();
        g->IsRepeated = false;
      }
    }
    if (IsDataBand(band->Kind) && Has(band->Header, flBandRepeatHeader) &&
        !band->Header->IsRepeated) {
      band->Header->IsRepeated = true;
      band->Header->Draw();
      band->Header->IsRepeated = false;
    }
  }
  FInBreak = saved;
  MarkBreak();
}

void TfrPage::ShowPageFooters() {
  TfrEngine& e = frEngine();
  TfrReport& report = Report();
  CurColumn = 0;
  CurX = PrintableBounds(true).Left;
  TfrBand* footer = Bands[btPageFooter];
  const int count = Prepared().Count();
  if (e.PageNo == 0 && !Has(footer, flBandOnFirstPage)) {
    e.PageNo = count;
    return;
  }
  for (; e.PageNo < count; ++e.PageNo) {
    if (e.AppendPage) continue;
    if (report.OnEndPage) report.OnEndPage(e.PageNo);
    if (e.MasterReport != &report) {
      auto* master = static_cast<TfrReport*>(e.MasterReport);
      if (master->OnEndPage) master->OnEndPage(e.PageNo);
    }
    ShowBand(footer);
  }
  e.PageNo = count;
}

void TfrPage::RecordSubReport(const TfrPage& host) {
  TfrEngine& e = frEngine();
  TfrPage* const savedPage = e.CurPage;
  std::vector<TfrBand*> pending;
  pending.swap(e.Pending);
  e.CurPage = this;
  FPlayList.clear();
  FPlayPos = 0;
  FUnfinishedBand = nullptr;
  FRecording = true;
  PrintBounds = PrintableBounds(false);
  CurBottomY = host.CurBottomY;
  CurColumn = 0;
  Columns = 1;
  const auto restore = [&] {
    FRecording = false;
    LastPage = false;
    e.CurPage = savedPage;
    e.Pending.swap(pending);
  };
  {
    TScopeExit restored(restore);
    ShowBand(Bands[btReportTitle]);
    ShowBand(Bands[btColumnHeader]);
    if (FMaxLevel > 0) DoLoop(1);
    e.Pending.clear();
    LastPage = true;
    ShowBand(Bands[btColumnFooter]);
    ShowBand(Bands[btReportSummary]);
  }
  CurrentNo = 0;
  LastBand = nullptr;
}

bool TfrPage::PlaySubReport(int x, int top, int bottom, bool fresh) {
  TfrEngine& e = frEngine();
  TfrPage* const savedPage = e.CurPage;
  e.CurPage = this;
  FPlaying = true;
  CurX = x + PrintBounds.Left;
  CurY = top;
  CurBottomY = bottom;
  LastStaticColumnY = top;
  FBreakY = fresh ? top : -1;
  LastBand = nullptr;
  bool done = false;
  {
    TScopeExit played([&] {
      FPlaying = false;
      e.CurPage = savedPage;
    });
    if (FUnfinishedBand != nullptr) {
      // The band that left its own sub-reports unfinished goes on first.
      TfrBand* band = FUnfinishedBand;
      FUnfinishedBand = nullptr;
      band->FSubsBroke = true;
      band->FSubLowest = CurY;
      band->PlaySubsPart(CurY, fresh);
      const bool finished = band->ContinueSubReports();
      CurY = band->FSubLowest;
      if (finished) {
        band->EndSubReports();
        ++FPlayPos;
      }
    }
    while (FUnfinishedBand == nullptr && FPlayPos < FPlayList.size()) {
      const TfrPlayEntry entry = FPlayList[FPlayPos];
      if (entry.Op != poPrint) {
        Move(entry.Band, entry.Op);
      } else if (entry.Band->Draw()) {
        break;  // did not fit, or left sub-reports of its own unfinished
      }
      ++FPlayPos;
    }
    done = FPlayPos >= FPlayList.size() && FUnfinishedBand == nullptr;
  }
  return done;
}

void TfrPage::EndSubReport() {
  if (FUnfinishedBand != nullptr) FUnfinishedBand->EndSubReports();
  FUnfinishedBand = nullptr;
  FPlayList.clear();
  FPlayList.shrink_to_fit();
  FPlayPos = 0;
}

void TfrPage::FormPage() {
  TfrEngine& e = frEngine();
  TfrReport& report = Report();
  if (!report.PrintIfEmpty) {
    TfrBand* master = Bands[btMasterData];
    bool empty = master == nullptr || master->DataSet == nullptr;
    if (!empty) {
      master->DataSet->First();
      empty = master->DataSet->Eof();
    }
    if (empty) return;
  }
  report.RunScript(this, Script);
  if (e.AppendPage && e.SavedBottomY == e.SavedY) {
    e.AppendPage = false;
    e.PageNo = Prepared().Count();
  }
  const TRect bounds = PrintableBounds(true);
  PrintBounds = PrintableBounds(false);
  CurBottomY = e.AppendPage ? e.SavedBottomY : bounds.Bottom;
  CurColumn = 0;
  CurX = bounds.Left;
  CurrentNo = 0;
  LastBand = nullptr;
  FBreakY = -1;
  if (e.AppendPage && Prepared().Count() > 0) {
    CurY = e.SavedY;
    e.PageNo = Prepared().Count() - 1;
  } else {
    Prepared().Add(*this);
    e.PageNo = Prepared().Count() - 1;
    CurY = bounds.Top;
    ShowBand(Bands[btOverlay]);
    ShowBand(Bands[btNone]);
  }
  e.AppendPage = false;
  const bool manual = static_cast<bool>(report.OnManualBuild);
  if (!manual) {
    FInBreak = true;
    const bool broke = Bands[btReportTitle] != nullptr && Bands[btReportTitle]->Draw();
    if (!broke) {
      if (Has(Bands[btPageHeader], flBandOnFirstPage)) ShowBand(Bands[btPageHeader]);
      LastStaticColumnY = CurY;
      ShowBand(Bands[btColumnHeader]);
    }
    FInBreak = false;
    MarkBreak();
    e.Pending.clear();
    if (FMaxLevel > 0) DoLoop(1);
    e.Pending.clear();
  } else {
    report.OnManualBuild(this);
  }
  if (!manual) {
    LastPage = true;
    ShowBand(Bands[btColumnFooter]);
    ShowBand(Bands[btReportSummary]);
    LastPage = false;
  }
  e.SavedY = CurColumn > 0 ? bounds.Bottom : CurY;
  e.SavedBottomY = CurBottomY;
  CurColumn = 0;
  CurX = bounds.Left;
  TfrBand* footer = Bands[btPageFooter];
  if (!manual && footer != nullptr &&
      ((e.PageNo == 0 && Has(footer, flBandOnFirstPage)) || Has(footer, flBandOnLastPage))) {
    const std::uint16_t saved = footer->Flags;
    footer->Flags |= flBandOnFirstPage;
    ShowPageFooters();
    footer->Flags = saved;
    e.PageNo = Prepared().Count() - 1;
  }
  if (report.OnEndPage) report.OnEndPage(e.PageNo);
  if (e.MasterReport != &report) {
    auto* master = static_cast<TfrReport*>(e.MasterReport);
    if (master->OnEndPage) master->OnEndPage(e.PageNo);
  }
  ++e.PageNo;
}

void TfrPage::DoLoop(int level) {
  TfrEngine& e = frEngine();
  TfrReport& report = Report();
  const int headerKind = kLevels[level - 1];
  for (TfrBand* b = Bands[headerKind + 1]; b != nullptr; b = b->Next) {
    TfrDataset* ds = b->DataSet;
    if (ds == nullptr) continue;
    const std::size_t mark = e.Pending.size();
    Move(b, poFirst);
    for (TfrBand* g = b->FirstGroup; g != nullptr; g = g->NextGroup) {
      g->LineNo = g->LineThroughNo = 1;
      g->LastGroupValue = Variant();
    }
    const bool hadRecords = !ds->Eof();
    if (hadRecords) {
      for (TfrBand* g = b->FirstGroup; g != nullptr; g = g->NextGroup) Queue(g);
      Queue(b->Header);
      if (b->Footer != nullptr) b->Footer->InitValues();
    }
    while (!ds->Eof() && !report.Terminated) {
      Queue(b);
      if (b->PrintIfSubsetEmpty) ShowPending();
      bool counts = true;
      if (level < FMaxLevel) {
        DoLoop(level + 1);
        if (!e.Pending.empty()) {
          if (b->PrintIfSubsetEmpty) {
            ShowPending();
          } else {
            auto it = std::find(e.Pending.rbegin(), e.Pending.rend(), b);
            if (it != e.Pending.rend()) e.Pending.erase(std::next(it).base());
            counts = false;
          }
        }
      } else {
        ShowPending();
      }
      Move(b, poNext);
      const bool eof = ds->Eof();
      TfrBand* changed = nullptr;
      for (TfrBand* g = b->FirstGroup; g != nullptr; g = g->NextGroup) {
        if (eof || VarIsEmpty(g->LastGroupValue)) {
          changed = g;
          break;
        }
        const Variant value = e.Parser.Calculate(g->GroupCondition);
        if (!(value == g->LastGroupValue)) {
          changed = g;
          break;
        }
      }
      if (changed != nullptr) {
        if (!eof) Move(b, poBack);
        for (TfrBand* g = b->LastGroup; g != nullptr && g != changed; g = g->PrevGroup)
          Queue(g->Footer);
        Queue(changed->Footer);
        ShowPending();
        if (!eof) {
          Move(b, poStep);
          if (changed->NewPageAfter && changed->Visible) {
            CurColumn = Columns - 1;
            NewColumn(changed);
          }
          for (TfrBand* g = changed; g != nullptr; g = g->NextGroup) {
            g->LineNo = 1;
            g->LastGroupValue = Variant();
            Queue(g);
          }
          Move(b, poNewGroup);
        }
      }
      if (counts) {
        ++CurrentNo;
        ++b->LineThroughNo;
        ++b->LineNo;
        if (!eof && b->NewPageAfter && b->Visible) {
          CurColumn = Columns - 1;
          NewColumn(b);
        }
      }
    }
    // Drop only what this band queued: headers that never got a record.
    if (e.Pending.size() > mark)
      e.Pending.resize(mark);
    else if (hadRecords && e.Pending.empty())
      ShowBand(b->Footer);
  }
}

void TfrPage::DeclareProperties() {
  for (const char* name : {"Type",
                           "Visible",
                           "BorderStyle",
                           "Caption",
                           "Color",
                           "Left",
                           "Top",
                           "Width",
                           "Height",
                           "Position",
                           "OnActivate",
                           "Size",
                           "LeftMargin",
                           "TopMargin",
                           "RightMargin",
                           "BottomMargin",
                           "Orientation",
                           "PrintToPrevPage",
                           "StretchToPrintable",
                           "Columns",
                           "ColumnGap",
                           "OnBeforePrint"})
    AddProperty(name, frdtInteger);
}

void TfrPage::SetPropertyValue(const std::string& name, const Variant& v) {
  const std::string n = UpperCase(name);
  if (n == "VISIBLE")
    Visible = v.AsBoolean();
  else if (n == "CAPTION")
    Caption = VarToStr(v);
  else if (n == "LEFTMARGIN")
    pgMargins.Left = v.AsInteger();
  else if (n == "TOPMARGIN")
    pgMargins.Top = v.AsInteger();
  else if (n == "RIGHTMARGIN")
    pgMargins.Right = v.AsInteger();
  else if (n == "BOTTOMMARGIN")
    pgMargins.Bottom = v.AsInteger();
  else if (n == "PRINTTOPREVPAGE")
    PrintToPrevPage = v.AsBoolean();
  else if (n == "STRETCHTOPRINTABLE")
    UseMargins = !v.AsBoolean();
  else if (n == "COLUMNS")
    Columns = v.AsInteger();
  else if (n == "COLUMNGAP")
    ColumnGap = v.AsInteger();
  else if (n == "ORIENTATION")
    pgOr = static_cast<std::uint8_t>(v.AsInteger());
  else if (n == "SIZE")
    pgSize = v.AsInteger();
}

Variant TfrPage::GetPropertyValue(const std::string& name) {
  const std::string n = UpperCase(name);
  const bool preparing = frEngine().DocMode != dmDesigning && PageType == ptReport;
  const TRect b = PrintableBounds(false);
  if (n == "VISIBLE") return Variant(Visible);
  if (n == "CAPTION") return Variant(Caption);
  if (n == "TYPE") return Variant(static_cast<int>(PageType));
  if (n == "LEFTMARGIN") return Variant(preparing ? b.Left : pgMargins.Left);
  if (n == "TOPMARGIN") return Variant(preparing ? b.Top : pgMargins.Top);
  if (n == "RIGHTMARGIN") return Variant(preparing ? b.Right : pgMargins.Right);
  if (n == "BOTTOMMARGIN") return Variant(preparing ? b.Bottom : pgMargins.Bottom);
  if (n == "PRINTTOPREVPAGE") return Variant(PrintToPrevPage);
  if (n == "STRETCHTOPRINTABLE") return Variant(!UseMargins);
  if (n == "COLUMNS") return Variant(Columns);
  if (n == "COLUMNGAP") return Variant(ColumnGap);
  if (n == "ORIENTATION") return Variant(static_cast<int>(pgOr));
  if (n == "SIZE") return Variant(pgSize);
  if (n == "WIDTH") return Variant(PageType == ptDialog ? DialogBounds.Right : pgWidth);
  if (n == "HEIGHT") return Variant(PageType == ptDialog ? DialogBounds.Bottom : pgHeight);
  return Variant();
}
