// The register the table benchmarks share: the 23 common columns
// (475-byte records), written once per process in one append batch to the
// temporary folder and removed when the process ends; the calculated
// certificate key of the register windows; reading through the stream
// instead of the file's mapping.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/base/file_stream.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "register/core/register_document.h"
#include "storage/dbf_table.h"

namespace dbf_bench {

struct TColumnDef {
  const char* Name;
  char Kind;  // S string, I integer, D date, M smallint
  int Size;
  const char* Origin;
};

inline constexpr TColumnDef kColumns[] = {
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
inline std::string BenchFile() {
  return (std::filesystem::temp_directory_path() /
          ("mebrath-bench-" + std::to_string(getpid()) + ".001"))
      .string();
}

// The calculated certificate key cCERTIF = SCERTIF + " " + NCERTIF as
// seven digits, as the register windows have it, added to `t` (closed).
inline void AddCertificateKey(TmDbfTable& t) {
  auto* key = Create<TStringField>(&t);
  key->SetFieldName("cCERTIF");
  key->SetSize(10);
  key->SetFieldKind(fkCalculated);
  key->SetDataSet(&t);
  TField* series = t.FindField("SCERTIF");
  TField* number = t.FindField("NCERTIF");
  // The program's own key text: every record an ordering reads and every
  // record found comes here.
  t.OnCalcFields = [=](TDataSet*) {
    key->SetAsString(CertificateKey(series->AsString(), number->AsInteger()));
  };
}

// `withKey` adds the certificate key.
inline std::unique_ptr<TmDbfTable, TObjectDeleter> MakeRegister(const std::string& file,
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
  if (withKey) AddCertificateKey(*t);
  t->SetExclusive(false);
  return t;
}

// The certificate and the mother every benchmark's register holds in
// record `i`.
inline void FillCertificateAndMother(TDataSet& t, int i) {
  t.FieldByName("SCERTIF")->SetAsString("А");
  t.FieldByName("NCERTIF")->SetAsInteger(i);
  t.FieldByName("DCERTIF")->SetAsDateTime(39083 + i % 300);
  t.FieldByName("LNAME")->SetAsString("Иванова");
  t.FieldByName("FNAME")->SetAsString("Мария");
  t.FieldByName("MNAME")->SetAsString("Петровна");
  t.FieldByName("ADDRESS")->SetAsString("г. Москва, ул. Ленина, д. 1, кв. 2");
  t.FieldByName("TDOC")->SetAsInteger(14);
}

inline void FillRecord(TDataSet& t, int i) {
  FillCertificateAndMother(t, i);
  t.FieldByName("CHK")->SetAsInteger(1);
}

// `count` records filled by `fill` appended to the open table in one
// batch, as an import makes them.
inline void AppendBatch(TmDbfTable& t, int count, void (*fill)(TDataSet&, int) = FillRecord) {
  t.BeginAppendBatch();
  for (int i = 0; i < count; ++i) {
    t.Append();
    fill(t, i);
    t.Post();
  }
  t.EndAppendBatch();
}

// Reads through the stream, as on a network file system, instead of the
// file's mapping.
inline void ReadThroughStream(TmDbfTable& t) {
  t.StreamFactory = [](const std::string& file, unsigned mode) {
    return std::make_unique<TFileStream>(file, mode);
  };
}

// The register of `count` records, written once per process in one
// append batch (the same bytes as one by one) and removed at its end.
inline const std::string& Register(int count) {
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
  AppendBatch(*t, count);
  return made.Files.emplace(count, name).first->second;
}

inline const std::string& Register100k() { return Register(100000); }

// Every field of every record of the open table read as text; gives the
// bytes read.
inline std::size_t ReadAllAsText(TmDbfTable& t) {
  std::size_t bytes = 0;
  for (t.First(); !t.Eof(); t.Next())
    for (int f = 0; f < t.FieldCount(); ++f) bytes += t.Fields()[f]->AsString().size();
  return bytes;
}

// `count` certificate keys of series "А" drawn from the first `records`
// numbers, the same on every run.
inline std::vector<std::string> RandomKeys(int count, int records) {
  std::vector<std::string> keys;
  std::mt19937 random(2);
  for (int i = 0; i < count; ++i)
    keys.push_back(Format("А %.7d", static_cast<int>(random() % records)));
  return keys;
}

}  // namespace dbf_bench
