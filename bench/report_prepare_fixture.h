// The register-like report the preparation benchmarks share: a title, a
// page header, a data band with 12 text objects over a user dataset of
// `records` records, a group footer every 50 records and a summary with
// SUM.
#pragma once

#include <string>

#include "report/fr_band_view.h"
#include "report/fr_dataset.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_report.h"

namespace report_bench {

inline void AddBand(TfrPage* page, int kind, int y, int dy, const std::string& name,
                    const std::string& source = "") {
  auto v = CreateUnique<TfrBandView>();
  v->SetBandType(kind);
  v->Name = name;
  v->y = y;
  v->dy = dy;
  v->dx = 700;
  v->SetDataSource(source);
  page->Add(std::move(v));
}

inline void AddMemo(TfrPage* page, int x, int y, int dx, const std::string& text) {
  auto m = CreateUnique<TfrMemoView>();
  m->x = x;
  m->y = y;
  m->dx = dx;
  m->dy = 18;
  m->FrameTyp = 15;
  m->Memo.SetText(text);
  page->Add(std::move(m));
}

// The report, owned by `owner`, over `records` records.
inline TfrReport* MakeRegisterReport(TComponent* owner, int records) {
  auto* report = Create<TfrReport>(owner);
  report->ShowProgress = false;
  auto* ds = Create<TfrUserDataset>(owner);
  ds->SetName("Register1");
  ds->RangeEnd = reCount;
  ds->RangeEndCount = records;
  report->OnGetValue = [ds](const std::string& name, Variant& v) {
    if (name == "NUM")
      v = Variant(ds->RecNo + 1);
    else if (name == "SUM")
      v = Variant(2000.0 + (ds->RecNo % 2) * 1000);
    else if (name == "FIO")
      v = Variant(std::string("Иванова Мария Петровна"));
    else if (name == "GRP")
      v = Variant(ds->RecNo / 50);
  };
  TfrPage* page = report->Pages().Add();
  AddBand(page, btReportTitle, 0, 30, "Title");
  AddMemo(page, 10, 0, 600, "Реестр талонов родовых сертификатов");
  AddBand(page, btPageHeader, 40, 20, "Header");
  AddMemo(page, 10, 40, 600, "Страница [PAGE#]");
  AddBand(page, btGroupHeader, 70, 0, "Group", "[GRP]");
  AddBand(page, btMasterData, 80, 20, "Data", "Register1");
  const char* fields[] = {"[NUM]", "[FIO]", "[SUM]", "[NUM]", "[FIO]", "[SUM]",
                          "[NUM]", "[FIO]", "[SUM]", "[NUM]", "[FIO]", "[SUM] #N0,2"};
  for (int i = 0; i < 12; ++i) AddMemo(page, 10 + i * 60, 80, 58, fields[i]);
  AddBand(page, btGroupFooter, 110, 20, "GroupFooter");
  AddMemo(page, 10, 110, 300, "Итого по группе: [SUM([SUM])]");
  AddBand(page, btReportSummary, 140, 20, "Summary");
  AddMemo(page, 10, 140, 300, "Итого: [SUM([SUM])]");
  return report;
}

}  // namespace report_bench
