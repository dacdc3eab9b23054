// A register-like data grid painted through the Qt canvas: two-level
// titles with sort markers, a SUM footer, alternating row colours, a
// frozen column, the focused cell, and the same grid disabled. The test
// checks a few pixels; with MEBRATH_GALLERY_DIR set it writes the
// pictures there to be looked at.
#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <string>

#include "grid/db_grid.h"
#include "grid/inplace_edit.h"
#include "grid/inplace_filter_edit.h"
#include "grid/lookup_grid.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/tests/qt_gallery.h"
#include "platform/qt/tests/qt_test_app.h"
#include "tree_data_set.h"

namespace {

using gallery::Pump;
using gallery::Render;
using gallery::Save;

struct TRegister {
  explicit TRegister(int count = 40) {
    ds = CreateUnique<TmemDs>();
    ds->SetName("reg");
    ser = AddTestField<TStringField>(ds.get(), "SER", 4);
    num = AddTestField<TStringField>(ds.get(), "NUM", 7);
    date = AddTestField<TDateField>(ds.get(), "DATE");
    fio = AddTestField<TStringField>(ds.get(), "FIO", 30);
    sum = AddTestField<TCurrencyField>(ds.get(), "SUMMA");
    paid = AddTestField<TBooleanField>(ds.get(), "PAID");
    ds->Open();
    const char* names[] = {"Иванова Анна Петровна",     "Петрова Мария Ивановна",
                           "Сидорова Елена Викторовна", "Кузнецова Ольга Сергеевна",
                           "Смирнова Татьяна Павловна", "Волкова Наталья Андреевна",
                           "Фёдорова Ирина Олеговна",   "Морозова Светлана Юрьевна"};
    for (int i = 0; i < count; ++i) {
      ds->Append();
      ser->SetAsString("АБ");
      num->SetAsString(std::to_string(1234560 + i));
      date->SetAsDateTime(39100 + i * 3);
      fio->SetAsString(names[i % 8]);
      sum->SetAsCurrency(Currency(3000 + (i % 3) * 1000));
      if (i % 4 != 3) paid->SetAsBoolean(i % 2 == 0);
      ds->Post();
    }
    ds->First();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(ds.get());
  }
  TObjectPtr<TmemDs> ds;
  TObjectPtr<TDataSource> source;
  TStringField *ser, *num, *fio;
  TDateField* date;
  TCurrencyField* sum;
  TBooleanField* paid;
};

TDBGridEh* MakeGrid(TForm* form, TDataSource* source) {
  TDBGridEh* grid = Create<TDBGridEh>(form);
  grid->SetParent(form);
  grid->SetBounds(8, 8, 620, 330);
  grid->BeginLayout();
  struct {
    const char* field;
    const char* caption;
    int width;
  } columns[] = {{"SER", "Сертификат|Серия", 50},        {"NUM", "Сертификат|Номер", 70},
                 {"DATE", "Сертификат|Дата выдачи", 80}, {"FIO", "Фамилия, имя, отчество", 200},
                 {"SUMMA", "Оплата|Сумма", 80},          {"PAID", "Оплата|Оплачен", 60}};
  for (const auto& c : columns) {
    TColumnEh* column = grid->Columns()->Add();
    column->SetFieldName(c.field);
    column->Title()->SetCaption(c.caption);
    column->SetWidth(c.width);
    column->Title()->SetTitleButton(true);
  }
  // As the register windows set their grids up, with the indicator.
  grid->SetOptions(
      {dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgCancelOnExit});
  grid->SetOptionsEh(
      {dghFixed3D, dghHighlightFocus, dghClearSelection, dghRowHighlight, dghDialogFind});
  grid->SetSortLocal(true);
  grid->FooterFont()->SetStyle({fsBold});
  grid->SetUseMultiTitle(true);
  grid->SetFrozenCols(1);
  grid->SetFooterRowCount(1);
  grid->SetOddRowColor(RGB(0xF4, 0xF7, 0xFB));
  grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
  grid->Columns()->Items(3)->Footer()->SetValueType(fvtStaticText);
  grid->Columns()->Items(3)->Footer()->SetValue("Итого:");
  grid->Columns()->Items(3)->Footer()->SetAlignment(taRightJustify);
  grid->Columns()->Items(4)->Footer()->SetValueType(fvtSum);
  grid->Columns()->Items(4)->SetDisplayFormat("#,##0.00");
  grid->Columns()->Items(4)->Footer()->SetDisplayFormat("#,##0.00");
  grid->Columns()->Items(1)->Title()->SetSortMarker(smUpEh);
  grid->Columns()->Items(3)->Title()->SetSortMarker(smDownEh);
  grid->EndLayout();
  grid->SetDataSource(source);
  grid->SumList()->SetActive(true);
  return grid;
}

TEST(GridGalleryTest, ARegisterGridPaintsOnTheQtCanvas) {
  TestHost();
  TRegister reg;
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Реестр");
  form->SetBounds(20, 20, 640, 390);
  TDBGridEh* grid = MakeGrid(form, reg.source.get());
  form->Show();
  grid->SetFocus();
  reg.ds->MoveBy(2);
  grid->SetSelectedIndex(3);
  QImage image = Render(form->Handle());
  Save(image, "grid_register");
  // The focused cell shows in the highlight colour somewhere in its row.
  const TRect cell = grid->CellRect(grid->Col(), grid->Row());
  const TPoint at = grid->ClientToScreen({cell.Left + 3, cell.Bottom - 3});
  const TRect content = ContentRect(form->Handle());
  const QColor focused = image.pixelColor(at.X - content.Left, at.Y - content.Top);
  const TColor highlight = ColorToRGB(clHighlight);
  EXPECT_EQ(focused.red(), GetRValue(highlight));
  EXPECT_EQ(focused.blue(), GetBValue(highlight));
  EXPECT_EQ(grid->SumList()->SumCollection()->Items(0)->SumValue(), Currency(159000));

  grid->SetEnabled(false);
  Save(Render(form->Handle()), "grid_register_disabled");
  form->Free();
}

// A short register with two-line rows and two footer rows laid out by
// their columns (the name centred, the sum at the bottom), the sum column
// selected from its title down to its footers; then everything selected,
// the filler row below the records and the indicator's cell in it too.
TEST(GridGalleryTest, FootersAndTheFillerRowShowTheSelection) {
  TestHost();
  TRegister reg(5);
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Реестр");
  form->SetBounds(20, 20, 640, 390);
  TDBGridEh* grid = MakeGrid(form, reg.source.get());
  TColumnEh* fio = grid->Columns()->Items(3);
  TColumnEh* sum = grid->Columns()->Items(4);
  grid->BeginLayout();
  grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
  grid->SetRowLines(2);
  grid->SetFooterRowCount(2);
  fio->SetLayout(tlCenter);
  sum->SetLayout(tlBottom);
  const std::pair<TFooterValueType, const char*> fioFooters[] = {{fvtStaticText, "Итого:"},
                                                                 {fvtStaticText, "Талонов:"}};
  for (const auto& [kind, text] : fioFooters) {
    TColumnFooterEh* footer = fio->Footers()->Add();
    footer->SetValueType(kind);
    footer->SetValue(text);
    footer->SetAlignment(taRightJustify);
  }
  sum->Footers()->Add()->SetValueType(fvtSum);
  sum->Footers()->Items(0)->SetDisplayFormat("#,##0.00");
  sum->Footers()->Add()->SetValueType(fvtCount);
  grid->EndLayout();
  form->Show();
  grid->SetFocus();
  grid->Selection()->Columns().Select(sum, false);
  QImage image = Render(form->Handle());
  Save(image, "grid_footer_layouts_selected_column");
  const TRect content = ContentRect(form->Handle());
  auto pixel = [&](const QImage& picture, int col, int row) {
    const TRect cell = grid->CellRect(col, row);
    const TPoint at = grid->ClientToScreen({cell.Left + 2, cell.Bottom - 2});
    return picture.pixelColor(at.X - content.Left, at.Y - content.Top);
  };
  const int filler = grid->RowCount() - 3;
  const int lastFooter = grid->RowCount() - 1;
  const int sumCol = grid->DataToRawColumn(4);
  ASSERT_GT(grid->RowHeights(filler), 4);
  const QColor plain = pixel(image, sumCol - 1, filler);
  EXPECT_EQ(plain.red(), GetRValue(ColorToRGB(grid->Color())));
  EXPECT_NE(pixel(image, sumCol, filler), plain) << "the selected column's filler cell";
  EXPECT_NE(pixel(image, sumCol, lastFooter), pixel(image, sumCol - 1, lastFooter));

  grid->Selection()->SelectAll();
  image = Render(form->Handle());
  Save(image, "grid_select_all_filler");
  EXPECT_EQ(pixel(image, 0, filler), pixel(image, sumCol - 1, filler)) << "the indicator's too";
  EXPECT_NE(pixel(image, 0, filler), plain);
  form->Free();
}

// A child grid of a coupon card being edited: the sex cell with its pick
// list dropped down, then the date cell with its calendar. Popups are
// windows of their own; they are painted onto the form's picture where
// they stand.
void PaintPopupOnto(QImage& image, HWND form, TWinControl* popup) {
  gallery::PaintPopupOnto(image, form, popup->Handle());
}

TEST(GridGalleryTest, AChildGridCellDropsDownItsListAndCalendar) {
  TestHost();
  FormatSettings.DecimalSeparator = '.';
  auto ds = CreateUnique<TmemDs>();
  AddTestField<TStringField>(ds.get(), "SEX", 1);
  AddTestField<TFloatField>(ds.get(), "WEIGHT");
  AddTestField<TDateField>(ds.get(), "BORN");
  ds->Open();
  for (const char* sex : {"М", "Ж"}) {
    ds->Append();
    ds->FieldByName("SEX")->SetAsString(sex);
    ds->FieldByName("WEIGHT")->SetAsFloat(3.45);
    ds->FieldByName("BORN")->SetAsDateTime(EncodeDate(2026, 3, 14));
    ds->Post();
  }
  ds->First();
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(ds.get());
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Дети");
  form->SetBounds(40, 40, 420, 320);
  TDBGridEh* grid = Create<TDBGridEh>(form);
  grid->SetParent(form);
  grid->SetBounds(8, 8, 390, 120);
  const char* captions[] = {"Пол", "Вес, кг", "Дата рождения"};
  int i = 0;
  for (const char* name : {"SEX", "WEIGHT", "BORN"}) {
    TColumnEh* c = grid->Columns()->Add();
    c->SetFieldName(name);
    c->Title()->SetCaption(captions[i++]);
    c->SetWidth(110);
  }
  grid->Columns()->Items(0)->PickList()->SetText("М\nЖ");
  grid->Columns()->Items(1)->SetEditMask("9.999;1; ");
  grid->SetDataSource(source.get());
  form->Show();
  form->SetActiveControl(grid);
  grid->SetFocus();
  grid->SetSelectedIndex(0);
  grid->SetEditorMode(true);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  editor->DropDown();
  ASSERT_TRUE(editor->ListVisible());
  QImage image = Render(form->Handle());
  PaintPopupOnto(image, form->Handle(), editor->PickList());
  Save(image, "grid_edit_pick_list");
  editor->CloseUp(false);

  grid->SetSelectedIndex(2);
  grid->SetEditorMode(true);
  editor->DropDown();
  ASSERT_TRUE(editor->ListVisible());
  image = Render(form->Handle());
  PaintPopupOnto(image, form->Handle(), editor->Calendar());
  Save(image, "grid_edit_calendar");
  editor->CloseUp(false);
  form->Free();
}

// An incremental search in the name column: the search arrow in the
// indicator and the typed beginning of the name yellow on black.
TEST(GridGalleryTest, AnIncrementalSearchShowsItsArrowAndTheMatch) {
  TestHost();
  TRegister reg;
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Реестр");
  form->SetBounds(20, 20, 640, 390);
  TDBGridEh* grid = MakeGrid(form, reg.source.get());
  grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
  form->Show();
  grid->SetFocus();
  grid->SetSelectedIndex(3);
  grid->IncSearch("смир", -1, 0);
  ASSERT_EQ(reg.fio->AsString(), "Смирнова Татьяна Павловна");
  QImage image = Render(form->Handle());
  Save(image, "grid_inc_search");
  const TRect cell = grid->CellRect(grid->Col(), grid->Row());
  const TPoint at = grid->ClientToScreen({cell.Left + 3, cell.Top + 4});
  const TRect content = ContentRect(form->Handle());
  const QColor match = image.pixelColor(at.X - content.Left, at.Y - content.Top);
  EXPECT_EQ(match.red(), 255);
  EXPECT_EQ(match.green(), 255);
  EXPECT_EQ(match.blue(), 0);
  grid->StopIncSearch();
  form->Free();
}

// Rows of three lines: the names wrap in their cells, and the cell editor
// of the name column wraps the same way, on several lines.
TEST(GridGalleryTest, AWrappedColumnAndItsEditorOnSeveralLines) {
  TestHost();
  TRegister reg;
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Реестр");
  form->SetBounds(20, 20, 640, 390);
  TDBGridEh* grid = MakeGrid(form, reg.source.get());
  grid->SetRowLines(3);
  grid->Columns()->Items(3)->SetWidth(110);
  grid->SetOptions(grid->Options() + TDBGridOptions{dgEditing, dgAlwaysShowEditor});
  form->Show();
  form->SetActiveControl(grid);
  grid->SetFocus();
  reg.ds->MoveBy(1);
  grid->SetSelectedIndex(3);
  grid->SetEditorMode(true);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->WordWrapMode());
  editor->SetSelStart(0);
  editor->Perform(WM_KEYDOWN, VK_DOWN);
  Pump();
  Save(Render(form->Handle()), "grid_word_wrap_editor");
  EXPECT_EQ(reg.ds->RecNo(), 2) << "Down moved to the next line of the name";
  form->Free();
}

// The register grid with its filter row: typed conditions in blue on the
// tinted row, and the editor open in the name column with its list of
// special items.
TEST(GridGalleryTest, TheFilterRowWithItsEditorAndList) {
  TestHost();
  TRegister reg;
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Реестр");
  form->SetBounds(20, 20, 640, 390);
  TDBGridEh* grid = MakeGrid(form, reg.source.get());
  grid->STFilter()->SetVisible(true);
  TRegister names;
  grid->Columns()->Items(3)->STFilter()->SetListSource(names.source.get());
  grid->Columns()->Items(4)->STFilter()->SetExpressionStr(">= 4000");
  grid->Columns()->Items(2)->STFilter()->SetExpressionStr("> 01.03.2007");
  form->Show();
  grid->SetFocus();
  grid->StartEditFilter(3);
  Save(Render(form->Handle()), "grid_filter_row");
  grid->FilterEdit()->Perform(WM_KEYDOWN, VK_DOWN, kKeyDataAltDown);
  QImage image = Render(form->Handle());
  ASSERT_TRUE(grid->FilterEdit()->ListVisible());
  PaintPopupOnto(image, form->Handle(), grid->FilterEdit()->PopupList());
  Save(image, "grid_filter_drop_down");
  // The filter cell of the sums is the tint of the title colour.
  const TRect cell = grid->CellRect(grid->DataToRawColumn(4), 1);
  const TPoint at = grid->ClientToScreen({cell.Right - 3, cell.Bottom - 3});
  const TRect content = ContentRect(form->Handle());
  const QColor tint = image.pixelColor(at.X - content.Left, at.Y - content.Top);
  EXPECT_EQ(tint.red(), GetRValue(FilterRowTint(grid->FixedColor())));
  grid->FilterEdit()->Perform(WM_KEYDOWN, VK_ESCAPE);
  form->Free();
}

// A dataset that shows its records as a tree: indented rows with dotted
// connectors and node buttons, one grid row per dataset row.
TEST(GridGalleryTest, ATreeDatasetShowsIndentedExpandableRows) {
  TestHost();
  auto ds = CreateUnique<TTreeTestDataSet>();
  ds->SetOutline({{"Роддом № 1", 1},
                  {"Женская консультация", 2},
                  {"Талон № 1", 3},
                  {"Талон № 2", 3},
                  {"Стационар", 2},
                  {"Роддом № 2", 1},
                  {"Поликлиника", 2},
                  {"Талон № 3", 3},
                  {"Роддом № 3", 1},
                  {"Перинатальный центр", 1},
                  {"Отделение патологии", 2}},
                 true);
  ds->Nodes[4].Expanded = false;
  ds->Nodes.insert(ds->Nodes.begin() + 5, {"Талон № 4", 3, true});
  ds->Nodes[9].Expanded = false;
  ds->Nodes.insert(ds->Nodes.begin() + 10, {"Роддом № 3, корпус 2", 2, true});
  ds->Open();
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(ds.get());
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Учреждения");
  form->SetBounds(20, 20, 420, 300);
  TDBGridEh* grid = Create<TDBGridEh>(form);
  grid->SetParent(form);
  grid->SetBounds(8, 8, 400, 250);
  grid->SetDataSource(source.get());
  grid->Columns()->Items(0)->SetWidth(260);
  grid->Columns()->Items(0)->Title()->SetCaption("Учреждение");
  grid->Columns()->Items(1)->Title()->SetCaption("№");
  form->Show();
  grid->SetFocus();
  ds->SetRecNo(3);
  ASSERT_TRUE(grid->RowPerRecordMode());
  QImage image = Render(form->Handle());
  Save(image, "grid_tree_rows");
  // The node button of the first row: a box framed in the shadow colour
  // in the middle of the first 18 pixels.
  const TRect cell = grid->CellRect(grid->IndicatorOffset(), grid->TitleOffset());
  const TPoint box = grid->ClientToScreen({cell.Left + 9 - 4, (cell.Top + cell.Bottom) / 2});
  const TRect content = ContentRect(form->Handle());
  const QColor frame = image.pixelColor(box.X - content.Left, box.Y - content.Top);
  EXPECT_EQ(frame.red(), GetRValue(ColorToRGB(clBtnShadow)));

  form->Free();
}

// A lookup cell dropping down its data grid (two list columns with titles
// and a special row for "no value"), and a cell whose recent values drop
// down as the user types.
TEST(GridGalleryTest, ALookupCellDropsDownItsDataGridAndRecentValues) {
  TestHost();
  auto list = CreateUnique<TmemDs>();
  AddTestField<TIntegerField>(list.get(), "CODE");
  AddTestField<TStringField>(list.get(), "TITLE", 30);
  list->Open();
  const char* names[] = {"Городская больница № 1", "Детская поликлиника", "Роддом № 2",
                         "Центральная районная больница", "Женская консультация"};
  for (int i = 0; i < 5; ++i) {
    list->Append();
    list->FieldByName("CODE")->SetAsInteger(i + 1);
    list->FieldByName("TITLE")->SetAsString(names[i]);
    list->Post();
  }
  auto ds = CreateUnique<TmemDs>();
  AddTestField<TIntegerField>(ds.get(), "LPU");
  AddTestField<TStringField>(ds.get(), "DIAG", 6);
  TStringField* name = Create<TStringField>(ds.get());
  name->SetFieldName("LPUNAME");
  name->SetSize(30);
  name->SetFieldKind(fkLookup);
  name->SetLookupDataSet(list.get());
  name->SetKeyFields("LPU");
  name->SetLookupKeyFields("CODE");
  name->SetLookupResultField("TITLE");
  name->SetDataSet(ds.get());
  ds->Open();
  ds->Append();
  ds->FieldByName("LPU")->SetAsInteger(3);
  ds->Post();
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(ds.get());
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Учреждение");
  form->SetBounds(40, 40, 460, 300);
  TDBGridEh* grid = Create<TDBGridEh>(form);
  grid->SetParent(form);
  grid->SetBounds(8, 8, 430, 80);
  TColumnEh* lpu = grid->Columns()->Add();
  lpu->SetFieldName("LPUNAME");
  lpu->Title()->SetCaption("Учреждение");
  lpu->SetWidth(260);
  lpu->SetLookupDisplayFields("TITLE;CODE");
  lpu->SetDropDownShowTitles(true);
  lpu->SetDropDownSizing(true);
  lpu->SetDropDownWidth(-1);
  lpu->DropDownSpecRow()->SetCellsText("(не указано);");
  lpu->DropDownSpecRow()->SetVisible(true);
  TColumnEh* diag = grid->Columns()->Add();
  diag->SetFieldName("DIAG");
  diag->Title()->SetCaption("МКБ-10");
  diag->SetWidth(120);
  diag->MRUList()->SetActive(true);
  for (const char* code : {"O80.0", "O82.1", "P07.3", "O80.1"}) diag->MRUList()->Add(code);
  grid->SetDataSource(source.get());
  form->Show();
  form->SetActiveControl(grid);
  grid->SetFocus();
  grid->SetSelectedIndex(0);
  grid->SetEditorMode(true);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  editor->DropDown();
  ASSERT_TRUE(editor->ListVisible());
  ASSERT_NE(editor->DataList(), nullptr);
  EXPECT_EQ(editor->DataList()->KeyValue(), Variant(3));
  QImage image = Render(form->Handle());
  PaintPopupOnto(image, form->Handle(), editor->DataList());
  Save(image, "grid_edit_data_list");
  editor->CloseUp(false);

  grid->SetSelectedIndex(1);
  grid->SetEditorMode(true);
  editor->SetFocus();
  editor->SelectAll();
  editor->Perform(WM_CHAR, 'O');
  Pump();
  ASSERT_TRUE(editor->MRUListVisible());
  image = Render(form->Handle());
  PaintPopupOnto(image, form->Handle(), editor->MRUList());
  Save(image, "grid_edit_mru_list");
  form->Free();
}

}  // namespace

// Fontconfig keeps its caches until the process ends.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
