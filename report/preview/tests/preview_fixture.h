// Prepared pages that look like a printed register: a title, a framed
// table of coupons and a page footer, about 200 objects a page.
#pragma once

#include <string>

#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_pages.h"
#include "report/tests/report_fixture.h"

inline std::string RegisterCell(int page, int row, int column) {
  static const char* const names[] = {"Иванова Мария Петровна", "Петрова Анна Сергеевна",
                                      "Сидорова Ольга Ивановна", "Кузнецова Елена Викторовна"};
  const int n = page * 100 + row + 1;
  switch (column) {
    case 0:
      return std::to_string(n);
    case 1:
      return "В " + std::to_string(1000000 + n * 7);
    case 2:
      return names[n % 4];
    case 3:
      return std::to_string(10 + n % 18) + ".0" + std::to_string(1 + n % 9) + ".2006";
    default:
      return n % 3 == 0 ? "3000,00" : "2000,00";
  }
}

// `pages` prepared A4 pages of `rows` table rows each.
inline void PrepareRegister(TTestReport* report, int pages, int rows = 38) {
  TfrCurrentReport current(report);
  TfrPage* page = report->Pages().Add();
  auto memo = CreateUnique<TfrMemoView>();
  auto put = [&](TStream& s, int x, int y, int dx, int dy, const std::string& text, int size,
                 bool bold, bool frame, int adjust) {
    memo->x = x, memo->y = y, memo->dx = dx, memo->dy = dy;
    memo->Font.SetName("Arial");
    memo->Font.SetSize(size);
    memo->Font.SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
    memo->FrameTyp = frame ? (frbLeft | frbTop | frbRight | frbBottom) : 0;
    memo->Adjust = adjust | frtaMiddle;
    memo->Memo.SetText(text);
    memo->Print(s);
  };
  static const int widths[] = {40, 110, 270, 100, 90};
  static const char* const heads[] = {"№", "Талон", "Фамилия, имя, отчество", "Дата", "Сумма"};
  for (int p = 0; p < pages; ++p) {
    report->EMFPages().Add(*page);
    TStream& s = *report->EMFPages().Pages(p).Stream;
    put(s, 60, 40, 610, 24, "Реестр талонов родовых сертификатов", 12, true, false, frtaCenter);
    int x = 60;
    for (int c = 0; c < 5; ++c) {
      put(s, x, 80, widths[c], 22, heads[c], 9, true, true, frtaCenter);
      x += widths[c];
    }
    for (int r = 0; r < rows; ++r) {
      x = 60;
      for (int c = 0; c < 5; ++c) {
        put(s, x, 102 + r * 24, widths[c], 24, RegisterCell(p, r, c), 9, false, true,
            c == 4 ? frtaRight : frtaLeft);
        x += widths[c];
      }
    }
    put(s, 60, 1060, 610, 18, "Страница " + std::to_string(p + 1), 8, false, false, frtaRight);
  }
}
