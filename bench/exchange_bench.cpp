// The exchange files of a 100,000-record register of each kind (and a
// 1,000,000-record one of coupon No. 1 and of the heaviest, No. 2): writing
// the file from the register table, reading it back token by token,
// importing it into a new register; and the MD5 digest that the invoice
// prints.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "register/core/exchange_export.h"
#include "register/core/md5.h"
#include "register/core/xml_import.h"
#include "register/core/xml_reader.h"
#include "storage/dbf_table.h"

#include "coupon_register_fixture.h"

namespace {

using namespace coupon_bench;

// From the open register table to the closed exchange file.
void BM_ExportXml(benchmark::State& state) {
  StartupSettings();
  const int frameId = static_cast<int>(state.range(0));
  const int records = static_cast<int>(state.range(1));
  auto t = MakeTable(RegisterFile(frameId, records), frameId);
  t->Open();
  const std::string path = BenchPath("export.xml");
  for (auto _ : state) {
    ExportRegisterXml(*t, path, frameId, FileType(frameId), Lpu(), 39200);
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.SetItemsProcessed(state.iterations() * records);
  std::filesystem::remove(path);
}
// The kind, and the records.
BENCHMARK(BM_ExportXml)
    ->Args({1, 100000})
    ->Args({2, 100000})
    ->Args({3, 100000})
    ->Args({1, 1000000})
    ->Args({2, 1000000})
    ->Unit(benchmark::kMillisecond);

// Every token of the file, as the importer reads it.
void BM_ReadXml(benchmark::State& state) {
  StartupSettings();
  const std::string& path = ExchangeFile(static_cast<int>(state.range(0)), 100000);
  for (auto _ : state) {
    TXmlReader reader(path);
    std::size_t tokens = 0;
    while (reader.Next() != xkEndOfInput) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadXml)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// From the exchange file to a new register file holding every record.
void BM_ImportXml(benchmark::State& state) {
  StartupSettings();
  const int frameId = static_cast<int>(state.range(0));
  const int records = static_cast<int>(state.range(1));
  const std::string& xml = ExchangeFile(frameId, records);
  const std::string path = BenchPath("import.dbf");
  for (auto _ : state) {
    auto t = MakeTable(path, frameId);
    t->CreateTable();
    t->Open();
    TImpXml importer(xml);
    benchmark::DoNotOptimize(importer.Execute(*t, Lpu()));
  }
  state.SetItemsProcessed(state.iterations() * records);
  std::filesystem::remove(path);
}
BENCHMARK(BM_ImportXml)
    ->Args({1, 100000})
    ->Args({2, 100000})
    ->Args({3, 100000})
    ->Args({1, 1000000})
    ->Args({2, 1000000})
    ->Unit(benchmark::kMillisecond);

void BM_MD5(benchmark::State& state) {
  std::string data(4 << 20, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131);
  for (auto _ : state) benchmark::DoNotOptimize(MD5Hex(data));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_MD5)->Unit(benchmark::kMillisecond);

}  // namespace
