// Keys, sorting and selection on the data grid over a 100,000-record
// register (23 columns, two-level titles, one SUM footer) at full screen:
// each key includes the repaint of what it invalidated, into the recording
// canvas (the grid's own work). The host keeps a back buffer, so rows
// scrolled by a key are moved, not drawn again.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "grid/db_grid.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/window.h"
#include "storage/dbf_table.h"

#include "grid_register_fixture.h"

namespace {

using namespace grid_bench;

// Sends a key to the grid and repaints what it invalidated.
void KeyAndRepaint(TGridScreen& screen, TRecordingCanvas& canvas, unsigned vk) {
  screen.grid->Perform(WM_KEYDOWN, vk, 0);
  TRect dirty;
  if (GetUpdateRect(screen.grid->Handle(), dirty)) {
    canvas.Clear();
    PaintTopLevel(screen.form->Handle(), canvas, dirty);
  }
}

}  // namespace

static void BM_GridKeyDown(benchmark::State& state) {
  TBufferedHost host;
  const int records = static_cast<int>(state.range(0));
  TOpenRegister reg(records);
  TGridScreen screen(reg.source.get());
  TRecordingCanvas canvas;
  PaintTopLevel(screen.form->Handle(), canvas, {0, 0, 1920, 1080});
  for (auto _ : state) {
    if (reg.table->RecNo() > records - 1000) {
      state.PauseTiming();
      reg.table->First();
      PaintTopLevel(screen.form->Handle(), canvas, {0, 0, 1920, 1080});
      state.ResumeTiming();
    }
    KeyAndRepaint(screen, canvas, VK_DOWN);
  }
}
BENCHMARK(BM_GridKeyDown)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

static void BM_GridKeyPageDown(benchmark::State& state) {
  TBufferedHost host;
  const int records = static_cast<int>(state.range(0));
  TOpenRegister reg(records);
  TGridScreen screen(reg.source.get());
  TRecordingCanvas canvas;
  for (auto _ : state) {
    if (reg.table->RecNo() > records - 1000) {
      state.PauseTiming();
      reg.table->First();
      state.ResumeTiming();
    }
    KeyAndRepaint(screen, canvas, VK_NEXT);
  }
}
BENCHMARK(BM_GridKeyPageDown)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// One Ctrl+End and one Ctrl+Home per iteration.
static void BM_GridKeyCtrlEndAndHome(benchmark::State& state) {
  TBufferedHost host;
  TOpenRegister reg(static_cast<int>(state.range(0)));
  TGridScreen screen(reg.source.get());
  TRecordingCanvas canvas;
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  ClearMessageQueue();
  for (auto _ : state) {
    KeyAndRepaint(screen, canvas, VK_END);
    KeyAndRepaint(screen, canvas, VK_HOME);
  }
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  ClearMessageQueue();
}
BENCHMARK(BM_GridKeyCtrlEndAndHome)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A title click ordering the register by the clicked column, as the
// register window does, and the repaint.
static void BM_GridTitleClickSort(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get(), false);
  TColumnEh* column = screen.grid->Columns()->Items(4);  // LNAME
  column->Title()->SetTitleButton(true);
  screen.grid->SetOptionsEh(screen.grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  bool descending = false;
  screen.grid->OnTitleBtnClick = [&](TObject*, TColumnEh* c) {
    reg.table->SetOrder(c->Field(), descending);
    descending = !descending;
  };
  TRecordingCanvas canvas;
  for (auto _ : state) {
    screen.grid->TitleButtonReleased(column, false);
    canvas.Clear();
    PaintTopLevel(screen.form->Handle(), canvas, {0, 0, 1920, 1080});
  }
}
BENCHMARK(BM_GridTitleClickSort)->Unit(benchmark::kMillisecond);

// Select all, then walk the selected rows' bookmarks as the exporters do.
static void BM_GridSelectAllAndEnumerate(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get(), false);
  screen.grid->SetOptions(screen.grid->Options() + TDBGridOptions{dgMultiSelect});
  TDataSet* ds = reg.table.get();
  for (auto _ : state) {
    screen.grid->Selection()->SelectAll();
    std::size_t bytes = 0;
    ds->DisableControls();
    const std::string here = ds->Bookmark();
    for (ds->First(); !ds->Eof(); ds->Next()) bytes += ds->Bookmark().size();
    ds->GotoBookmark(here);
    ds->EnableControls();
    benchmark::DoNotOptimize(bytes);
    screen.grid->Selection()->Clear();
  }
}
BENCHMARK(BM_GridSelectAllAndEnumerate)->Unit(benchmark::kMillisecond);
