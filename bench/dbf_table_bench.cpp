// A register with the 23 common columns (475-byte records): appends to a
// shared table (one by one and in a batch), reading every field of every record as text, posting
// edits to random records; opening with the certificate-key ordering,
// key look-ups, appends with that ordering, and pack.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
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

// One name per process, so that runs side by side keep to their own files.
std::string BenchFile() {
  return (std::filesystem::temp_directory_path() /
          ("mebrath-bench-" + std::to_string(getpid()) + ".001"))
      .string();
}

// `withKey` adds the calculated certificate key cCERTIF = SCERTIF + " " +
// NCERTIF as seven digits, as the register windows have it.
std::unique_ptr<TmDbfTable, TObjectDeleter> MakeRegister(const std::string& file,
                                                         bool withKey = false) {
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
  if (withKey) {
    auto* key = Create<TStringField>(t.get());
    key->SetFieldName("cCERTIF");
    key->SetSize(10);
    key->SetFieldKind(fkCalculated);
    key->SetDataSet(t.get());
    TField* series = t->FindField("SCERTIF");
    TField* number = t->FindField("NCERTIF");
    t->OnCalcFields = [=](TDataSet*) {
      key->SetAsString(series->AsString() + " " + Format("%.7d", number->AsInteger()));
    };
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

// Reads through the stream, as on a network file system, instead of the
// file's mapping.
void ReadThroughStream(TmDbfTable& t) {
  t.StreamFactory = [](const std::string& file, unsigned mode) {
    return std::make_unique<TFileStream>(file, mode);
  };
}

// The register of `count` records, written once per process in one
// append batch (the same bytes as one by one) and removed at its end.
const std::string& Register(int count) {
  static struct TFiles {
    std::map<int, std::string> Files;
    ~TFiles() {
      for (const auto& [n, file] : Files) std::filesystem::remove(file);
    }
  } made;
  auto found = made.Files.find(count);
  if (found != made.Files.end()) return found->second;
  const std::string name = BenchFile() + "-" + std::to_string(count);
  auto t = MakeRegister(name);
  t->CreateTable();
  t->Open();
  t->BeginAppendBatch();
  for (int i = 0; i < count; ++i) {
    t->Append();
    FillRecord(*t, i);
    t->Post();
  }
  t->EndAppendBatch();
  return made.Files.emplace(count, name).first->second;
}

const std::string& Register100k() { return Register(100000); }

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
    t->BeginAppendBatch();
    for (int i = 0; i < 100000; ++i) {
      t->Append();
      FillRecord(*t, i);
      t->Post();
    }
    t->EndAppendBatch();
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
    for (t->First(); !t->Eof(); t->Next())
      for (int f = 0; f < t->FieldCount(); ++f) bytes += t->Fields()[f]->AsString().size();
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

// The register window's way: an ordering on the certificate key is added
// (for the duplicate checks), then the first search by that key orders
// the current ordering by it.
void BM_DbfFirstFindKeyAfterSecondOrdering(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::string& name = Register(records);
  for (auto _ : state) {
    state.PauseTiming();
    auto t = MakeRegister(name, true);
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
BENCHMARK(BM_DbfFirstFindKeyAfterSecondOrdering)
    ->Arg(100000)
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
  std::vector<std::string> keys;
  std::mt19937 random(2);
  for (int i = 0; i < 4096; ++i)
    keys.push_back(Format("А %.7d", static_cast<int>(random() % 100000)));
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
