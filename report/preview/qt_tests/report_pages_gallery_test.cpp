// Prepared pages of sub-reports side by side and of a cross-tab whose
// columns run past the page, drawn through the Qt canvas. With
// MEBRATH_GALLERY_DIR set the pages are written there as PNG files.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <string>

#include "platform/qt/qt_canvas.h"
#include "platform/qt/tests/qt_test_app.h"
#include "report/fr_band_view.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"

namespace {

class ReportPagesGallery : public ::testing::Test {
 protected:
  ReportPagesGallery() {
    TestHost();
    owner = CreateUnique<TComponent>();
    report = Create<TfrReport>(owner.get());
    report->ShowProgress = false;
  }

  static void Band(TfrPage* p, int kind, int x, int y, int dx, int dy, const std::string& name,
                   const std::string& source = "", std::uint16_t flags = 0) {
    auto v = CreateUnique<TfrBandView>();
    v->SetBandType(kind);
    v->Name = name;
    v->x = x;
    v->y = y;
    v->dx = dx;
    v->dy = dy;
    v->Flags = flags;
    v->SetDataSource(source);
    p->Add(std::move(v));
  }
  static void Text(TfrPage* p, int x, int y, int dx, const std::string& text) {
    auto m = CreateUnique<TfrMemoView>();
    m->x = x;
    m->y = y;
    m->dx = dx;
    m->dy = 20;
    m->FrameTyp = 15;
    m->Flags = flWordWrap;
    m->Memo.SetText(text);
    p->Add(std::move(m));
  }
  // Draws prepared page `index`; returns the count of dark pixels in
  // `area`.
  int DrawPage(int index, const std::string& name, TRect area) {
    TfrEMFPages& pages = report->EMFPages();
    const TSize size = pages.Pages(index).ScreenSize();
    QImage image(size.cx, size.cy, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
      TQtCanvas canvas(&image);
      pages.Pages(index).Visible = true;
      pages.Draw(index, canvas, TRect{0, 0, size.cx, size.cy});
    }
    if (const char* dir = std::getenv("MEBRATH_GALLERY_DIR"))
      image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
    int dark = 0;
    for (int y = area.Top; y < area.Bottom && y < image.height(); ++y)
      for (int x = area.Left; x < area.Right && x < image.width(); ++x)
        dark += qGray(image.pixel(x, y)) < 128;
    return dark;
  }

  TObjectPtr<TComponent> owner;
  TfrReport* report = nullptr;
};

TEST_F(ReportPagesGallery, SubReportsSideBySide) {
  TfrPage* page = report->Pages().Add();
  Band(page, btReportTitle, 0, 0, 794, 30, "Title");
  Text(page, 40, 5, 700, "Талоны и оплата рядом");
  Band(page, btMasterData, 0, 40, 794, 40, "Data", "1");
  for (int x : {40, 420}) {
    auto sub = CreateUnique<TfrSubReportView>();
    sub->x = x;
    sub->y = 50;
    sub->dx = 330;
    sub->dy = 20;
    sub->SubPage = x == 40 ? 1 : 2;
    page->Add(std::move(sub));
  }
  Band(page, btReportSummary, 0, 100, 794, 30, "Summary");
  Text(page, 40, 105, 700, "Конец сведений");
  for (const auto& [count, label] :
       {std::pair{70, "Талон № [LINE#]"}, std::pair{30, "Оплата [LINE#]"}}) {
    TfrPage* inner = report->Pages().Add();
    Band(inner, btMasterData, 0, 0, 330, 20, "D" + std::to_string(count), std::to_string(count));
    Text(inner, 0, 0, 330, label);
  }
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 2);
  // Both columns on the first page; only the left one goes on.
  EXPECT_GT(DrawPage(0, "subreports_side_by_side_1", TRect{420, 30, 760, 400}), 1000);
  EXPECT_GT(DrawPage(1, "subreports_side_by_side_2", TRect{40, 0, 380, 300}), 1000);
  EXPECT_EQ(DrawPage(1, "subreports_side_by_side_2", TRect{420, 0, 760, 300}), 0);
}

TEST_F(ReportPagesGallery, CrossTabOverflow) {
  TfrPage* page = report->Pages().Add();
  Band(page, btPageHeader, 0, 0, 794, 30, "PH", "", flBandOnFirstPage);
  Text(page, 20, 5, 200, "Лист [PAGE#]");
  Band(page, btColumnHeader, 0, 30, 794, 20, "CO");
  Text(page, 20, 30, 200, "Учреждение");
  Band(page, btMasterData, 0, 50, 794, 20, "Data", "5");
  Text(page, 20, 50, 200, "Строка [LINE#]");
  Band(page, btPageFooter, 0, 100, 794, 20, "PF", "", flBandOnFirstPage | flBandOnLastPage);
  Text(page, 20, 100, 200, "Низ листа [PAGE#]");
  Band(page, btCrossHeader, 260, 0, 100, 1000, "CH", "", flBandRepeatHeader);
  Band(page, btCrossData, 360, 0, 140, 1000, "CD", "6");
  Band(page, btCrossFooter, 500, 0, 100, 1000, "CF");
  Text(page, 260, 50, 100, "Месяцы:");
  Text(page, 360, 50, 140, "мес. [COLUMN#]");
  Text(page, 500, 50, 100, "Всего [SUM([COLUMN#])]");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 2);
  EXPECT_GT(DrawPage(0, "crosstab_overflow_1", TRect{0, 0, 794, 1123}), 1000);
  // The overflow page has its header, rows, and footer text at the left.
  EXPECT_GT(DrawPage(1, "crosstab_overflow_2", TRect{20, 0, 220, 60}), 200);
}

}  // namespace
