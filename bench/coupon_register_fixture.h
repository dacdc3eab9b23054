// The coupon registers the exchange, table and measuring benchmarks share:
// a register file of each kind as the program creates it (its fields, the
// current structure version), every record filled as a clerk would, and its
// exchange file; written once per process into the temporary folder and
// removed when the process ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "register/core/exchange_export.h"
#include "register/core/register_document.h"
#include "register/core/tests/register_fields.h"
#include "storage/dbf_table.h"

#include "dbf_register_fixture.h"

namespace coupon_bench {

// One name per process, so that runs side by side keep to their own files.
inline std::string BenchPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("mebrath-coupon-bench-" + std::to_string(getpid()) + "-" + name))
      .string();
}

// The register table of the kind on `path`, neither created nor open.
inline TObjectPtr<TmDbfTable> MakeTable(const std::string& path, int frameId) {
  return register_fields::RegisterTable(path, frameId);
}

// The calculated certificate key of the register windows added to `t`
// (closed), its ordering's key made from the stored columns as the
// windows' document makes it.
inline void AddCertificateKey(TmDbfTable& t) {
  dbf_bench::AddCertificateKey(t);
  TField* series = t.FindField("SCERTIF");
  TField* number = t.FindField("NCERTIF");
  TField* key = t.FindField("cCERTIF");
  t.SetKeyMaker(key, {series, number}, CertificateKeyMaker(t, series, number, key));
}

// The exchange type of the kind's files: 31 for coupon No. 3 (part 3-1).
inline int FileType(int frameId) { return frameId == 3 ? 31 : frameId; }

// The number formats and dates of the program's start-up that the exchange
// files are written and read with.
inline void StartupSettings() {
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.DateSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
}

// The institution's details, kept in a map.
inline TLpuAccess Lpu() {
  static std::map<std::string, std::string> values = {
      {"NAME", "ГБУЗ \"Родильный дом № 1\""}, {"FNAME", "Филиал № 5 ФСС"}, {"INN", "7701234567"}};
  return {[](const std::string& key) {
            auto it = values.find(key);
            return it == values.end() ? std::string() : it->second;
          },
          [](const std::string& key, const std::string& value) { values[key] = value; }, [] {}};
}

// Record `i` of the kind as a clerk fills it: two newborns or children
// where the kind has them.
inline void FillRecord(TDataSet& t, int frameId, int i) {
  t.FieldByName("SCERTIF")->SetAsString(i % 3 ? "А" : "Б");
  t.FieldByName("NCERTIF")->SetAsInteger(i);
  t.FieldByName("DCERTIF")->SetAsDateTime(39000 + i % 300);
  t.FieldByName("SNILS")->SetAsString("112-233-445 95");
  t.FieldByName("LNAME")->SetAsString("Константинопольская");
  t.FieldByName("FNAME")->SetAsString("Александра");
  t.FieldByName("MNAME")->SetAsString("Владимировна");
  t.FieldByName("BDATE")->SetAsDateTime(30000 + i % 5000);
  t.FieldByName("ADDRESS")->SetAsString("г. Москва, ул. Большая Дорогомиловская, д. 12, кв. 345");
  t.FieldByName("TDOC")->SetAsInteger(14);
  t.FieldByName("SDOC")->SetAsString("45 01");
  t.FieldByName("NDOC")->SetAsString(std::to_string(100000 + i));
  t.FieldByName("DDOC")->SetAsDateTime(36000 + i % 3000);
  t.FieldByName("ODOC")->SetAsString("ОВД района Дорогомилово г. Москвы");
  t.FieldByName("NPOLICY")->SetAsString(std::to_string(7700000000 + i));
  t.FieldByName("DREG")->SetAsDateTime(38900 + i % 300);
  t.FieldByName("CHK")->SetAsInteger(1);
  if (frameId == 1) t.FieldByName("QTW2")->SetAsInteger(30);
  if (frameId == 2) {
    t.FieldByName("CQNT")->SetAsInteger(2);
    t.FieldByName("BQNT")->SetAsInteger(2);
    for (int k = 1; k <= 2; ++k) {
      t.FieldByName(Format("SEX%d", k))->SetAsString(k == 1 ? "М" : "Ж");
      t.FieldByName(Format("WEIGHT%d", k))->SetAsFloat(3.45);
      t.FieldByName(Format("GROWTH%d", k))->SetAsInteger(52);
    }
  }
  if (frameId == 3) {
    t.FieldByName("CQNT")->SetAsInteger(2);
    for (int k = 1; k <= 2; ++k) {
      t.FieldByName(Format("LNAME%d", k))->SetAsString("Константинопольский");
      t.FieldByName(Format("FNAME%d", k))->SetAsString("Пётр");
      t.FieldByName(Format("BDATE%d", k))->SetAsDateTime(39200);
      t.FieldByName(Format("DATEBOBS%d", k))->SetAsDateTime(39200);
      t.FieldByName(Format("DATEEOBS%d", k))->SetAsDateTime(39384);
      t.FieldByName(Format("NPOLICY%d", k))->SetAsString("7700000001");
    }
  }
}

// The files made, by kind and number of records.
struct TFiles {
  std::map<std::pair<int, int>, std::string> Files;
  ~TFiles() {
    for (const auto& [key, file] : Files) std::filesystem::remove(file);
  }
};

// The register file of the kind with `records` records, written in one
// append batch (the same bytes as one by one).
inline const std::string& RegisterFile(int frameId, int records) {
  static TFiles made;
  auto found = made.Files.find({frameId, records});
  if (found != made.Files.end()) return found->second;
  const std::string path = BenchPath(Format("reg%d.%.3d", records, FileType(frameId)));
  auto t = MakeTable(path, frameId);
  t->SetExclusive(true);
  t->CreateTable();
  t->Open();
  t->SetEventsOff(true);
  t->BeginAppendBatch();
  for (int i = 1; i <= records; ++i) {
    t->Append();
    FillRecord(*t, frameId, i);
    t->Post();
  }
  t->EndAppendBatch();
  t->SetEventsOff(false);
  return made.Files.emplace(std::pair{frameId, records}, path).first->second;
}

// The exchange file of that register.
inline const std::string& ExchangeFile(int frameId, int records) {
  static TFiles made;
  auto found = made.Files.find({frameId, records});
  if (found != made.Files.end()) return found->second;
  auto t = MakeTable(RegisterFile(frameId, records), frameId);
  t->Open();
  const std::string path = BenchPath(Format("reg%d-%d.xml", frameId, records));
  ExportRegisterXml(*t, path, frameId, FileType(frameId), Lpu(), 39200);
  return made.Files.emplace(std::pair{frameId, records}, path).first->second;
}

}  // namespace coupon_bench
