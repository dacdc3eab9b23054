// The grid's copy and paste through the desktop's clipboard (Qt,
// offscreen): what another program sees, and a paste of our own rows.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "grid/grid_clipboard.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/forms.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"

namespace {

TEST(GridQtClipboardTest, CopyOffersEveryFormatAndPasteReadsOurRows) {
  static int argc = 1;
  static char name[] = "grid_gallery_test";
  static char* argv[] = {name, nullptr};
  InstallQtHost(argc, argv);
  std::unique_ptr<IClipboardBackend> old = SetClipboardBackend(MakeQtClipboardBackend());

  TTestTable t;
  t.ds->Open();
  t.Add("Анна", 1);
  t.Add("Вера", 2);
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(t.ds.get());
  TForm* form = Create<TForm>(nullptr);
  TDBGridEh* grid = Create<TDBGridEh>(form);
  grid->SetParent(form);
  grid->SetBounds(0, 0, 300, 200);
  grid->Columns()->Add()->SetFieldName("NAME");
  grid->Columns()->Add()->SetFieldName("NUM");
  grid->SetOptions(grid->Options() - TDBGridOptions{dgTitles});
  grid->SetDataSource(source.get());

  DBGridEh_DoCopyAction(grid, true);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text().toStdString(), "Анна\t1\r\nВера\t2");
  EXPECT_EQ(data->data("text/csv").toStdString(), "\"Анна\";\"1\"\r\n\"Вера\";\"2\"");
  EXPECT_TRUE(data->data("text/rtf").startsWith("{\\rtf"));
  EXPECT_EQ(data->data("application/rtf"), data->data("text/rtf"));
  EXPECT_TRUE(data->hasFormat("application/x-mebrath-vcldbif"));

  t.ds->Last();
  grid->SetSelectedIndex(0);
  DBGridEh_DoPasteAction(grid, false);  // over "Вера", then one appended
  std::string rows;
  for (t.ds->First(); !t.ds->Eof(); t.ds->Next())
    rows += t.name->AsString() + ":" + t.num->AsString() + " ";
  EXPECT_EQ(rows, "Анна:1 Анна:1 Вера:2 ");

  form->Free();
  source.reset();
  SetClipboardBackend(std::move(old));
}

}  // namespace
