// Writes a coupon No. 1 register with a few sample records, for the smoke
// test that drives the built program on a virtual display:
//   make_sample_register <file.001> [records]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "register/data_module.h"
#include "register/frames.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <file.001> [records]\n", argv[0]);
    return 2;
  }
  const int records = argc > 2 ? std::atoi(argv[2]) : 3;
  try {
    ApplyStartupFormatSettings();
    TFrmT1* frame = Create<TFrmT1>(nullptr);
    frame->NewRegister(argv[1]);
    frame->Document()->Table()->SetEventsOff(true);
    TDataSet& ds = *frame->Document()->Table();
    for (int i = 0; i < records; ++i) {
      ds.Append();
      ds.FieldByName("SCERTIF")->SetAsString("Б");
      ds.FieldByName("NCERTIF")->SetAsInteger(1000 + i);
      ds.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2006, 4, 3));
      ds.FieldByName("DREG")->SetAsDateTime(EncodeDate(2006, 1, 10));
      ds.FieldByName("LNAME")->SetAsString(i % 2 ? "Иванова" : "Петрова");
      ds.FieldByName("FNAME")->SetAsString("Анна");
      ds.FieldByName("MNAME")->SetAsString("Петровна");
      ds.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
      ds.FieldByName("SPOLICY")->SetAsString("77");
      ds.FieldByName("NPOLICY")->SetAsString("1234567890");
      ds.FieldByName("QTW2")->SetAsInteger(30);
      ds.FieldByName("CHK")->SetAsInteger(1);
      ds.Post();
    }
    frame->Document()->Table()->SetEventsOff(false);
    frame->Free();
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return 1;
  }
  return 0;
}
