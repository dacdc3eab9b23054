// The lookup grid's incremental search: one keystroke over a list of
// 10,000 names, the worst case being a name near the end of the list.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "grid/lookup_grid.h"
#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/data/data_source.h"
#include "platform/gui/forms.h"
#include "storage/mem_ds.h"

namespace {

constexpr int kListSize = 10000;

struct TLookupFixture {
  TLookupFixture() : Ticks([this] { return Now; }) {
    List = CreateUnique<TmemDs>();
    TIntegerField* code = Create<TIntegerField>(List.get());
    code->SetFieldName("CODE");
    code->SetDataSet(List.get());
    TStringField* title = Create<TStringField>(List.get());
    title->SetFieldName("TITLE");
    title->SetSize(40);
    title->SetDataSet(List.get());
    List->Open();
    // Names in order, the last ones beginning with "Я".
    for (int i = 0; i < kListSize; ++i) {
      List->Append();
      code->SetAsInteger(i + 1);
      const char* prefix = i < kListSize - 10 ? "Больница" : "Ясли";
      title->SetAsString(Format("%s № %05d", prefix, i + 1));
      List->Post();
    }
    List->First();
    Source = CreateUnique<TDataSource>();
    Source->SetDataSet(List.get());
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 400, 300);
    Grid = Create<TDBLookupGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 300, 200);
    Grid->SetListSource(Source.get());
    Grid->SetKeyField("CODE");
    Grid->SetListFieldNames("TITLE");
    Form->Show();
  }
  ~TLookupFixture() {
    Form->Free();
    Source.reset();
  }
  std::uint32_t Now = 1000;
  TScopedTickSource Ticks;
  TObjectPtr<TmemDs> List;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBLookupGridEh* Grid = nullptr;
};

// One keystroke after a pause: the search runs over the list from its
// start to the first name with that letter (the first record for "б", one
// of the last ten for "я"), selects it and moves the grid there. The
// grid starts on the other end each time.
void BM_LookupGridIncSearchKeystroke(benchmark::State& state) {
  TLookupFixture f;
  const bool far = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    f.Grid->SetKeyValue(Variant(far ? 1 : kListSize));
    f.Now += 3000;  // a new search text each time
    state.ResumeTiming();
    f.Grid->ProcessSearchKey(far ? U'я' : U'б');
  }
  state.SetLabel(VarToStr(f.Grid->KeyValue()));
}
BENCHMARK(BM_LookupGridIncSearchKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
