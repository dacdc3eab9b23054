// A register with the 23 common columns (475-byte records): appends to a
// shared table (one by one and in a batch), reading every field of every
// record as text, posting edits to random records; opening with the
// certificate-key ordering, key look-ups, appends with that ordering, and
// pack. Reading and opening with the ordering also over the heaviest
// register, coupon No. 2 (50 columns), and its first key search.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/base/format.h"
#include "storage/dbf_table.h"

#include "coupon_register_fixture.h"
#include "dbf_register_fixture.h"

namespace {

using namespace dbf_bench;

void BM_DbfSharedAppend(benchmark::State& state) {
  const std::string name = BenchFile() + "a";
  for (auto _ : state) {
    state.PauseTiming();
    auto t = MakeRegister(name);
    t->CreateTable();
    t->Open();
    state.ResumeTiming();
    for (int i = 0; i < 100000; ++i) {
      t->Append();
      FillRecord(*t, i);
      t->Post();
    }
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  std::filesystem::remove(name);
}
BENCHMARK(BM_DbfSharedAppend)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same appends in one batch, as an import makes them.
void BM_DbfSharedAppendBatch(benchmark::State& state) {
  const std::string name = BenchFile() + "b";
  for (auto _ : state) {
    state.PauseTiming();
    auto t = MakeRegister(name);
    t->CreateTable();
    t->Open();
    state.ResumeTiming();
    AppendBatch(*t, 100000);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  std::filesystem::remove(name);
}
BENCHMARK(BM_DbfSharedAppendBatch)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfReadAllAsText(benchmark::State& state) {
  const int records = static_cast<int>(state.range(1));
  const std::string& name = Register(records);
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto t = MakeRegister(name);
    if (state.range(0) != 0) ReadThroughStream(*t);
    t->Open();
    bytes += ReadAllAsText(*t);
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * records);
}
// First argument 1: through the stream; second: records.
BENCHMARK(BM_DbfReadAllAsText)
    ->Args({0, 100000})
    ->Args({1, 100000})
    ->Args({0, 1000000})
    ->Unit(benchmark::kMillisecond);

void BM_DbfReadAllAsTextCouponTwo(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::string& name = coupon_bench::RegisterFile(2, records);
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto t = coupon_bench::MakeTable(name, 2);
    t->Open();
    bytes += ReadAllAsText(*t);
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_DbfReadAllAsTextCouponTwo)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_DbfPostRandomEdit(benchmark::State& state) {
  const std::string& name = Register100k();
  auto t = MakeRegister(name);
  t->Open();
  std::mt19937 random(1);
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    t->SetRecNo(static_cast<int>(random() % 100000) + 1);
    t->Edit();
    t->FieldByName("NLEAF")->SetAsInteger(++n);
    state.ResumeTiming();
    t->Post();
  }
}
BENCHMARK(BM_DbfPostRandomEdit)->Unit(benchmark::kMicrosecond);

void BM_DbfOpenAndOrderByKey(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::string& name = Register(records);
  for (auto _ : state) {
    auto t = MakeRegister(name, true);
    t->Open();
    t->AddCursor(t->FieldByName("cCERTIF"));
    benchmark::DoNotOptimize(t->RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_DbfOpenAndOrderByKey)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_DbfOpenAndOrderByKeyCouponTwo(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::string& name = coupon_bench::RegisterFile(2, records);
  for (auto _ : state) {
    auto t = coupon_bench::MakeTable(name, 2);
    coupon_bench::AddCertificateKey(*t);
    t->Open();
    t->AddCursor(t->FieldByName("cCERTIF"));
    benchmark::DoNotOptimize(t->RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_DbfOpenAndOrderByKeyCouponTwo)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// The register window's way: an ordering on the certificate key is added
// (for the duplicate checks), then the first search by that key orders
// the current ordering by it.
void FirstFindKeyAfterSecondOrdering(benchmark::State& state,
                                     TObjectPtr<TmDbfTable> (*makeWithKey)(int records)) {
  const int records = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto t = makeWithKey(records);
    t->Open();
    t->AddCursor(t->FieldByName("cCERTIF"));
    state.ResumeTiming();
    if (!t->FindKey("cCERTIF", Format("А %.7d", records / 2), {}))
      state.SkipWithError("the key was not found");
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
}

void BM_DbfFirstFindKeyAfterSecondOrdering(benchmark::State& state) {
  FirstFindKeyAfterSecondOrdering(
      state, [](int records) { return MakeRegister(Register(records), true); });
}
BENCHMARK(BM_DbfFirstFindKeyAfterSecondOrdering)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_DbfFirstFindKeyAfterSecondOrderingCouponTwo(benchmark::State& state) {
  FirstFindKeyAfterSecondOrdering(state, [](int records) {
    auto t = coupon_bench::MakeTable(coupon_bench::RegisterFile(2, records), 2);
    AddCertificateKey(*t);
    return t;
  });
}
BENCHMARK(BM_DbfFirstFindKeyAfterSecondOrderingCouponTwo)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_DbfFindKey(benchmark::State& state) {
  const std::string& name = Register100k();
  auto t = MakeRegister(name, true);
  t->SetExclusive(state.range(0) == 1);
  if (state.range(0) == 2) ReadThroughStream(*t);
  t->Open();
  t->AddCursor(t->FieldByName("cCERTIF"));
  const std::vector<std::string> keys = RandomKeys(4096, 100000);
  t->FindKey("cCERTIF", keys[0], {});
  std::size_t i = 0, found = 0;
  for (auto _ : state) found += t->FindKey("cCERTIF", keys[++i & 4095], {});
  if (found != i) {
    state.SkipWithError("a key was not found");
  }
}
// Arg 0: shared, 1: exclusive, 2: shared through the stream.
BENCHMARK(BM_DbfFindKey)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_DbfSharedAppendWithKeyOrdering(benchmark::State& state) {
  const std::string name = BenchFile() + "k";
  for (auto _ : state) {
    state.PauseTiming();
    auto t = MakeRegister(name, true);
    t->CreateTable();
    t->Open();
    t->AddCursor(t->FieldByName("cCERTIF"));
    state.ResumeTiming();
    for (int i = 0; i < 100000; ++i) {
      t->Append();
      FillRecord(*t, i);
      t->Post();
    }
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  std::filesystem::remove(name);
}
BENCHMARK(BM_DbfSharedAppendWithKeyOrdering)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DbfPackTenPercentDeleted(benchmark::State& state) {
  const std::string& source = Register100k();
  const std::string name = BenchFile() + "p";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::copy_file(source, name, std::filesystem::copy_options::overwrite_existing);
    {
      auto t = MakeRegister(name);
      t->SetExclusive(true);
      t->Open();
      // Every tenth record; each delete moves the later ones up by one.
      for (int k = 0; k < 10000; ++k) {
        t->SetRecNo(9 * k + 1);
        t->Delete();
      }
    }
    state.ResumeTiming();
    MakeRegister(name)->Pack("", false);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  std::filesystem::remove(name);
}
BENCHMARK(BM_DbfPackTenPercentDeleted)->Unit(benchmark::kMillisecond);

}  // namespace
