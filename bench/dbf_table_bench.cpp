// A register with the 23 common columns (475-byte records): appends to a
// shared table, reading every field of every record as text, and posting
// edits to random records.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/base/format_settings.h"
#include "storage/dbf_table.h"

namespace {

struct TColumnDef {
  const char* Name;
  char Kind;  // S string, I integer, D date, M smallint
  int Size;
  const char* Origin;
};

constexpr TColumnDef kColumns[] = {
    {"SCERTIF", 'S', 1, ""},  {"NCERTIF", 'I', 0, "7.0"}, {"DCERTIF", 'D', 0, ""},
    {"SNILS", 'S', 14, ""},   {"LNAME", 'S', 40, ""},     {"FNAME", 'S', 40, ""},
    {"MNAME", 'S', 40, ""},   {"BDATE", 'D', 0, ""},      {"ADDRESS", 'S', 128, ""},
    {"TDOC", 'M', 0, "2.0"},  {"NDOC", 'S', 10, ""},      {"SDOC", 'S', 10, ""},
    {"DDOC", 'D', 0, ""},     {"ODOC", 'S', 80, ""},      {"SPOLICY", 'S', 14, ""},
    {"NPOLICY", 'S', 20, ""}, {"SLEAF", 'S', 2, ""},      {"NLEAF", 'I', 0, "7.0"},
    {"DLEAF", 'D', 0, ""},    {"DREG", 'D', 0, ""},       {"NCARD", 'S', 10, ""},
    {"DCARD", 'D', 0, ""},    {"CHK", 'M', 0, "1.0"},
};

std::string BenchFile() {
  return (std::filesystem::temp_directory_path() / "mebrath-bench.001").string();
}

std::unique_ptr<TmDbfTable, TObjectDeleter> MakeRegister(const std::string& file) {
  FormatSettings.DecimalSeparator = '.';
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("Reg");
  t->SetTableName(file);
  for (const TColumnDef& c : kColumns) {
    TField* f = nullptr;
    switch (c.Kind) {
      case 'S':
        f = Create<TStringField>(t.get());
        f->SetSize(c.Size);
        break;
      case 'I':
        f = Create<TIntegerField>(t.get());
        break;
      case 'M':
        f = Create<TSmallintField>(t.get());
        break;
      default:
        f = Create<TDateField>(t.get());
        break;
    }
    f->SetFieldName(c.Name);
    f->SetOrigin(c.Origin);
    f->SetDataSet(t.get());
  }
  t->SetExclusive(false);
  return t;
}

void FillRecord(TmDbfTable& t, int i) {
  t.FieldByName("SCERTIF")->SetAsString("А");
  t.FieldByName("NCERTIF")->SetAsInteger(i);
  t.FieldByName("DCERTIF")->SetAsDateTime(39083 + i % 300);
  t.FieldByName("LNAME")->SetAsString("Иванова");
  t.FieldByName("FNAME")->SetAsString("Мария");
  t.FieldByName("MNAME")->SetAsString("Петровна");
  t.FieldByName("ADDRESS")->SetAsString("г. Москва, ул. Ленина, д. 1, кв. 2");
  t.FieldByName("TDOC")->SetAsInteger(14);
  t.FieldByName("CHK")->SetAsInteger(1);
}

// Makes the register with `count` records once per process.
const std::string& Register100k() {
  static const std::string file = [] {
    const std::string name = BenchFile();
    auto t = MakeRegister(name);
    t->CreateTable();
    t->Open();
    for (int i = 0; i < 100000; ++i) {
      t->Append();
      FillRecord(*t, i);
      t->Post();
    }
    return name;
  }();
  return file;
}

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

void BM_DbfReadAllAsText(benchmark::State& state) {
  const std::string& name = Register100k();
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto t = MakeRegister(name);
    t->Open();
    for (t->First(); !t->Eof(); t->Next())
      for (int f = 0; f < t->FieldCount(); ++f) bytes += t->Fields()[f]->AsString().size();
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_DbfReadAllAsText)->Unit(benchmark::kMillisecond);

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
    t->FieldByName("NCERTIF")->SetAsInteger(++n);
    state.ResumeTiming();
    t->Post();
  }
}
BENCHMARK(BM_DbfPostRandomEdit)->Unit(benchmark::kMicrosecond);

}  // namespace
