// The register the window benchmarks share: a 100,000-record coupon No. 1
// register made and filled through the program's own window, and the same
// file at the older structure; in the temporary folder, one name per
// process, removed when the process ends.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/base/date_time.h"
#include "platform/gui/services.h"
#include "register/data_module.h"
#include "register/frames.h"

namespace register_bench {

inline constexpr int kRecords = 100000;

inline std::string BenchPath(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("mebrath-bench-" + std::to_string(getpid()) + "-" + name))
      .string();
}

struct TTemporaryFile {
  std::string Path;
  ~TTemporaryFile() { std::filesystem::remove(Path); }
};

inline void Prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  ApplyStartupFormatSettings();
  SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDYES; });
}

inline void FillRecord(TDataSet& ds, int i) {
  ds.FieldByName("SCERTIF")->SetAsString("Б");
  ds.FieldByName("NCERTIF")->SetAsInteger(i + 1);
  ds.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, 3));
  ds.FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1, 10));
  ds.FieldByName("LNAME")->SetAsString("Иванова");
  ds.FieldByName("FNAME")->SetAsString("Анна");
  ds.FieldByName("MNAME")->SetAsString("Петровна");
  ds.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
  ds.FieldByName("ADDRESS")->SetAsString("г. Тверь, ул. Лесная, д. 5, кв. 12");
  ds.FieldByName("TDOC")->SetAsInteger(14);
  ds.FieldByName("SDOC")->SetAsString("45 01");
  ds.FieldByName("NDOC")->SetAsString("123456");
  ds.FieldByName("DDOC")->SetAsDateTime(EncodeDate(2000, 1, 1));
  ds.FieldByName("ODOC")->SetAsString("ОВД");
  ds.FieldByName("CHK")->SetAsInteger(1);
}

// The register with kRecords records, written once per run.
inline const std::string& LargeRegister() {
  static const TTemporaryFile file{[] {
    Prepare();
    const std::string name = BenchPath("register.001");
    TFrmT1* frame = Create<TFrmT1>(nullptr);
    frame->NewRegister(name);
    frame->Document()->Table()->Close();
    frame->Document()->Table()->SetExclusive(true);
    frame->Document()->Table()->Open();
    frame->Document()->Table()->SetEventsOff(true);
    for (int i = 0; i < kRecords; ++i) {
      frame->Document()->Table()->Append();
      FillRecord(*frame->Document()->Table(), i);
      frame->Document()->Table()->FieldByName("QTW2")->SetAsInteger(30);
      frame->Document()->Table()->Post();
    }
    frame->Document()->Table()->SetEventsOff(false);
    frame->Free();
    return name;
  }()};
  return file.Path;
}

// The same register at the older structure (version 1), which the window
// upgrades when it opens it; written once per run.
inline const std::string& OlderRegister() {
  static const TTemporaryFile file{[] {
    const std::string old = BenchPath("old.001");
    std::filesystem::copy_file(LargeRegister(), old,
                               std::filesystem::copy_options::overwrite_existing);
    std::FILE* f = std::fopen(old.c_str(), "r+b");
    std::fseek(f, 14, SEEK_SET);
    std::fputc(1, f);
    std::fclose(f);
    return old;
  }()};
  return file.Path;
}

}  // namespace register_bench
