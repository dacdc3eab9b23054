// The in-memory table with child-row-like records: appends, searches and
// deletes should cost no more than linear in the number of rows.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/data/fields.h"
#include "storage/mem_ds.h"

namespace {

struct TRows {
  TObjectPtr<TmemDs> Ds = CreateUnique<TmemDs>();
  TStringField* Sex;
  TCurrencyField* Weight;
  TSmallintField* Growth;
  TStringField* Diag;
  TIntegerField* Cnt;

  TRows() {
    Sex = Add<TStringField>("SEX", 1);
    Weight = Add<TCurrencyField>("WEIGHT");
    Growth = Add<TSmallintField>("GROWTH");
    Diag = Add<TStringField>("DIAG", 6);
    Cnt = Add<TIntegerField>("CNT");
    Ds->Open();
  }
  template <typename Field>
  Field* Add(const std::string& name, int size = 0) {
    Field* field = Create<Field>(Ds.get());
    field->SetFieldName(name);
    if (size > 0) field->SetSize(size);
    field->SetDataSet(Ds.get());
    return field;
  }
  void Fill(int count) {
    for (int i = 0; i < count; ++i) {
      Ds->Append();
      Sex->SetAsString(i % 2 ? "М" : "Ж");
      Weight->SetAsFloat(3.25);
      Growth->SetAsInteger(50);
      std::string diag = "P";
      diag += std::to_string(i % 100000);
      Diag->SetAsString(diag);
      Cnt->SetAsInteger(i);
      Ds->Post();
    }
  }
};

void BM_MemDsAppend(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TRows rows;
    rows.Fill(count);
    benchmark::DoNotOptimize(rows.Ds->RecordCount());
  }
  state.SetComplexityN(count);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_MemDsAppend)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

// The worst case: the match is the last row.
void BM_MemDsLocateInteger(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TRows rows;
  rows.Fill(count);
  for (auto _ : state) {
    rows.Ds->First();
    benchmark::DoNotOptimize(rows.Ds->Locate("CNT", Variant(count - 1), {}));
  }
  state.SetComplexityN(count);
}
BENCHMARK(BM_MemDsLocateInteger)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

void BM_MemDsLocateStringCaseInsensitive(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TRows rows;
  rows.Fill(count);
  for (auto _ : state) {
    rows.Ds->First();
    std::string key = "p";
    key += std::to_string(count - 1);
    benchmark::DoNotOptimize(
        rows.Ds->Locate("DIAG", Variant(key), TLocateOptions{loCaseInsensitive}));
  }
  state.SetComplexityN(count);
}
BENCHMARK(BM_MemDsLocateStringCaseInsensitive)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// Deleting every row, from the first.
void BM_MemDsDeleteAll(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    TRows rows;
    rows.Fill(count);
    rows.Ds->First();
    state.ResumeTiming();
    while (!rows.Ds->IsEmpty()) rows.Ds->Delete();
  }
  state.SetComplexityN(count);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_MemDsDeleteAll)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

// One delete in the middle, the record put back by an insert.
void BM_MemDsDeleteInsertMiddle(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TRows rows;
  rows.Fill(count);
  for (auto _ : state) {
    rows.Ds->SetRecNo(count / 2);
    rows.Ds->Delete();
    rows.Ds->Insert();
    rows.Cnt->SetAsInteger(count / 2);
    rows.Ds->Post();
  }
  state.SetComplexityN(count);
}
BENCHMARK(BM_MemDsDeleteInsertMiddle)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
