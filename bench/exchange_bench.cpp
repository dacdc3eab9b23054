// The exchange files of a 100,000-record (and a 1,000,000-record) register: writing the file from
// the register table, reading it back token by token, importing it into a
// new register; and the MD5 digest that the invoice prints.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "register/core/exchange_export.h"
#include "register/core/md5.h"
#include "register/core/tests/register_fields.h"
#include "register/core/xml_import.h"
#include "register/core/xml_reader.h"
#include "storage/dbf_table.h"

namespace {

std::string BenchPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("mebrath-exchange-bench-" + std::to_string(getpid()) + "-" + name))
      .string();
}

TObjectPtr<TmDbfTable> MakeTable(const std::string& path, int frameId) {
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("dbMain");
  t->SetTableName(path);
  register_fields::AddRegisterFields(*t, frameId);
  return t;
}

TLpuAccess Lpu() {
  static std::map<std::string, std::string> values = {
      {"NAME", "ГБУЗ \"Родильный дом № 1\""}, {"FNAME", "Филиал № 5 ФСС"}, {"INN", "7701234567"}};
  return {[](const std::string& key) {
            auto it = values.find(key);
            return it == values.end() ? std::string() : it->second;
          },
          [](const std::string& key, const std::string& value) { values[key] = value; }, [] {}};
}

// The register file of the kind, made once: every record filled as a
// clerk would, two newborns or children where the kind has them.
// The files made, removed when the process ends.
struct TFiles {
  std::map<std::pair<int, int>, std::string> Files;
  ~TFiles() {
    for (const auto& [key, file] : Files) std::filesystem::remove(file);
  }
};

const std::string& RegisterFile(int frameId, int records) {
  static TFiles made;
  auto found = made.Files.find({frameId, records});
  if (found != made.Files.end()) return found->second;
  const std::string path = BenchPath(Format("reg%d.%.3d", records, frameId));
  auto t = MakeTable(path, frameId);
  t->CreateTable();
  t->Open();
  t->SetEventsOff(true);
  t->BeginAppendBatch();
  for (int i = 1; i <= records; ++i) {
    t->Append();
    t->FieldByName("SCERTIF")->SetAsString(i % 3 ? "А" : "Б");
    t->FieldByName("NCERTIF")->SetAsInteger(i);
    t->FieldByName("DCERTIF")->SetAsDateTime(39000 + i % 300);
    t->FieldByName("SNILS")->SetAsString("112-233-445 95");
    t->FieldByName("LNAME")->SetAsString("Константинопольская");
    t->FieldByName("FNAME")->SetAsString("Александра");
    t->FieldByName("MNAME")->SetAsString("Владимировна");
    t->FieldByName("BDATE")->SetAsDateTime(30000 + i % 5000);
    t->FieldByName("ADDRESS")->SetAsString(
        "г. Москва, ул. Большая Дорогомиловская, д. 12, кв. 345");
    t->FieldByName("TDOC")->SetAsInteger(14);
    t->FieldByName("SDOC")->SetAsString("45 01");
    t->FieldByName("NDOC")->SetAsString(std::to_string(100000 + i));
    t->FieldByName("DDOC")->SetAsDateTime(36000 + i % 3000);
    t->FieldByName("ODOC")->SetAsString("ОВД района Дорогомилово г. Москвы");
    t->FieldByName("NPOLICY")->SetAsString(std::to_string(7700000000 + i));
    t->FieldByName("DREG")->SetAsDateTime(38900 + i % 300);
    t->FieldByName("CHK")->SetAsInteger(1);
    if (frameId == 1) t->FieldByName("QTW2")->SetAsInteger(30);
    if (frameId == 2) {
      t->FieldByName("CQNT")->SetAsInteger(2);
      t->FieldByName("BQNT")->SetAsInteger(2);
      for (int k = 1; k <= 2; ++k) {
        t->FieldByName(Format("SEX%d", k))->SetAsString(k == 1 ? "М" : "Ж");
        t->FieldByName(Format("WEIGHT%d", k))->SetAsFloat(3.45);
        t->FieldByName(Format("GROWTH%d", k))->SetAsInteger(52);
      }
    }
    if (frameId == 3) {
      t->FieldByName("CQNT")->SetAsInteger(2);
      for (int k = 1; k <= 2; ++k) {
        t->FieldByName(Format("LNAME%d", k))->SetAsString("Константинопольский");
        t->FieldByName(Format("FNAME%d", k))->SetAsString("Пётр");
        t->FieldByName(Format("BDATE%d", k))->SetAsDateTime(39200);
        t->FieldByName(Format("DATEBOBS%d", k))->SetAsDateTime(39200);
        t->FieldByName(Format("DATEEOBS%d", k))->SetAsDateTime(39384);
        t->FieldByName(Format("NPOLICY%d", k))->SetAsString("7700000001");
      }
    }
    t->Post();
  }
  t->EndAppendBatch();
  t->SetEventsOff(false);
  return made.Files.emplace(std::pair{frameId, records}, path).first->second;
}

const std::string& ExchangeFile(int frameId, int records) {
  static TFiles made;
  auto found = made.Files.find({frameId, records});
  if (found != made.Files.end()) return found->second;
  auto t = MakeTable(RegisterFile(frameId, records), frameId);
  t->Open();
  const std::string path = BenchPath(Format("reg%d-%d.xml", frameId, records));
  ExportRegisterXml(*t, path, frameId, frameId == 3 ? 31 : frameId, Lpu(), 39200);
  return made.Files.emplace(std::pair{frameId, records}, path).first->second;
}

void StartupSettings() {
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.DateSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
}

// From the open register table to the closed exchange file.
void BM_ExportXml(benchmark::State& state) {
  StartupSettings();
  const int frameId = static_cast<int>(state.range(0));
  const int records = static_cast<int>(state.range(1));
  auto t = MakeTable(RegisterFile(frameId, records), frameId);
  t->Open();
  const std::string path = BenchPath("export.xml");
  for (auto _ : state) {
    ExportRegisterXml(*t, path, frameId, frameId == 3 ? 31 : frameId, Lpu(), 39200);
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
    ->Unit(benchmark::kMillisecond);

void BM_MD5(benchmark::State& state) {
  std::string data(4 << 20, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131);
  for (auto _ : state) benchmark::DoNotOptimize(MD5Hex(data));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_MD5)->Unit(benchmark::kMillisecond);

}  // namespace
