// The operations the speed goals are stated for, each run once with
// callgrind's instrumentation on only around the operation itself
// (scripts/instructions.sh runs it under valgrind --instr-atstart=no): the
// fixture is made before and freed after, uncounted. Usage:
//   mebrath_instructions <row>
// prints "<units> <unit>", what the row's instruction count is divided by.
// Outside valgrind the operation runs all the same, uncounted.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "register/core/xml_import.h"
#include "register/frames.h"

#include "coupon_register_fixture.h"
#include "dbf_register_fixture.h"
#include "grid_register_fixture.h"
#include "register_window_fixture.h"
#include "report_prepare_fixture.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kFindKeyCalls = 1000;

// The only code counted.
template <class F>
void Counted(F&& operation) {
  CALLGRIND_START_INSTRUMENTATION;
  operation();
  CALLGRIND_STOP_INSTRUMENTATION;
}

struct TUnits {
  long long Count;
  const char* Unit;
};

[[noreturn]] void Fail(const std::string& why) { throw Exception(why); }

// From the exchange file to a new, empty register file of the kind.
TUnits Import(int frameId) {
  coupon_bench::StartupSettings();
  const std::string& xml = coupon_bench::ExchangeFile(frameId, kRecords);
  const std::string path = coupon_bench::BenchPath("import.dbf");
  auto t = coupon_bench::MakeTable(path, frameId);
  t->CreateTable();
  t->Open();
  int imported = 0;
  Counted([&] {
    TImpXml importer(xml);
    imported = importer.Execute(*t, coupon_bench::Lpu());
  });
  t.reset();
  std::filesystem::remove(path);
  if (imported != kRecords) Fail("imported " + std::to_string(imported));
  return {kRecords, "record"};
}

TUnits PrepareReport() {
  auto owner = CreateUnique<TComponent>();
  TfrReport* report = report_bench::MakeRegisterReport(owner.get(), kRecords);
  bool prepared = false;
  Counted([&] { prepared = report->PrepareReport(); });
  if (!prepared) Fail("the report was not prepared");
  return {1, "report"};
}

// The grid made and bound to the open table, the SUM footer's first pass
// over every record included.
TUnits GridWithSums() {
  grid_bench::TOpenRegister reg(kRecords);
  std::optional<grid_bench::TGridScreen> screen;
  Counted([&] { screen.emplace(reg.source.get()); });
  if (screen->grid->SumList()->SumCollection()->Items(0)->SumValue() == 0) Fail("no sum");
  return {kRecords, "record"};
}

TUnits ReadAllCouponTwo() {
  auto t = coupon_bench::MakeTable(coupon_bench::RegisterFile(2, kRecords), 2);
  t->Open();
  std::size_t bytes = 0;
  Counted([&] { bytes = dbf_bench::ReadAllAsText(*t); });
  if (bytes == 0) Fail("nothing read");
  return {static_cast<long long>(kRecords) * t->FieldCount(), "field"};
}

TUnits OpenOrderCouponTwo() {
  auto t = coupon_bench::MakeTable(coupon_bench::RegisterFile(2, kRecords), 2);
  coupon_bench::AddCertificateKey(*t);
  Counted([&] {
    t->Open();
    t->AddCursor(t->FieldByName("cCERTIF"));
  });
  if (t->RecordCount() != kRecords) Fail("records: " + std::to_string(t->RecordCount()));
  return {kRecords, "record"};
}

TUnits FindKey() {
  auto t = dbf_bench::MakeRegister(dbf_bench::Register100k(), true);
  t->Open();
  t->AddCursor(t->FieldByName("cCERTIF"));
  const std::vector<std::string> keys = dbf_bench::RandomKeys(kFindKeyCalls, kRecords);
  t->FindKey("cCERTIF", keys[0], {});
  int found = 0;
  Counted([&] {
    for (const std::string& key : keys) found += t->FindKey("cCERTIF", key, {});
  });
  if (found != kFindKeyCalls) Fail("found " + std::to_string(found));
  // Uncounted: each search lands on the record whose calculated key it is.
  TField* calculated = t->FieldByName("cCERTIF");
  for (const std::string& key : keys) {
    t->FindKey("cCERTIF", key, {});
    if (calculated->AsString() != key) Fail(key + " found " + calculated->AsString());
  }
  return {kFindKeyCalls, "call"};
}

// The window opens a register of the older structure: the records are
// copied into the current one, then the window's orderings and sum.
TUnits Upgrade() {
  register_bench::Prepare();
  const std::string work = register_bench::BenchPath("upgrade.001");
  std::filesystem::copy_file(register_bench::OlderRegister(), work,
                             std::filesystem::copy_options::overwrite_existing);
  TFrmT1* frame = Create<TFrmT1>(nullptr);
  Counted([&] { frame->OpenRegister(work); });
  const int records = frame->Document()->Table()->RecordCount();
  frame->Free();
  std::filesystem::remove(work);
  std::filesystem::remove(work + "_old");  // the upgrade keeps the original beside
  if (records != register_bench::kRecords) Fail("records: " + std::to_string(records));
  return {register_bench::kRecords, "record"};
}

TUnits BatchAppend() {
  const std::string name = dbf_bench::BenchFile() + "b";
  auto t = dbf_bench::MakeRegister(name);
  t->CreateTable();
  t->Open();
  Counted([&] { dbf_bench::AppendBatch(*t, kRecords); });
  const int records = t->RecordCount();
  t.reset();
  std::filesystem::remove(name);
  if (records != kRecords) Fail("records: " + std::to_string(records));
  return {kRecords, "record"};
}

struct TRow {
  const char* Name;
  std::function<TUnits()> Run;
};

const std::vector<TRow>& Rows() {
  static const std::vector<TRow> rows = {
      {"import1", [] { return Import(1); }},
      {"import2", [] { return Import(2); }},
      {"prepare100k", PrepareReport},
      {"gridsum", GridWithSums},
      {"readall2", ReadAllCouponTwo},
      {"openorder2", OpenOrderCouponTwo},
      {"findkey", FindKey},
      {"upgrade", Upgrade},
      {"batchappend", BatchAppend},
  };
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = argc == 2 ? argv[1] : "";
  for (const TRow& row : Rows()) {
    if (name != row.Name) continue;
    try {
      const TUnits units = row.Run();
      std::printf("%lld %s\n", units.Count, units.Unit);
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", row.Name, e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "usage: %s <row>; rows:", argv[0]);
  for (const TRow& row : Rows()) std::fprintf(stderr, " %s", row.Name);
  std::fprintf(stderr, "\n");
  return 2;
}
