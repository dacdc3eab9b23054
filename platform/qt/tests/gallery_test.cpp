// A gallery of every standard control painted through the Qt canvas, the
// way the screen shows them. The test checks a few pixel facts that catch
// drawing regressions; with MEBRATH_GALLERY_DIR set it also writes the
// pictures there as PNG files for a person to look at (never into the
// source tree).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <string>

#include "platform/base/date_time.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/image_list.h"
#include "platform/gui/forms.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"
#include "platform/widgets/calendar.h"
#include "platform/widgets/menus.h"
#include "platform/widgets/std_bars.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_lists.h"
#include "platform/widgets/std_memo.h"
#include "platform/widgets/std_pages.h"
#include "platform/widgets/std_panels.h"
#include "platform/widgets/string_grid.h"
#include "qt_gallery.h"
#include "qt_test_app.h"

namespace {

using gallery::Pump;
using gallery::Render;
using gallery::RenderWithPopups;
using gallery::Save;

class GalleryTest : public ::testing::Test {
 protected:
  GalleryTest() { TestHost(); }
  ~GalleryTest() override {
    for (TForm* form : FForms) form->Free();
    ClearMessageQueue();
    QCoreApplication::processEvents();
  }

  TForm* NewForm(const std::string& caption, int width, int height) {
    TForm* form = Create<TForm>(nullptr);
    form->SetCaption(caption);
    form->SetBounds(20, 20, width, height);
    FForms.push_back(form);
    return form;
  }

  template <class T>
  T* Put(TForm* form, TWinControl* parent, int left, int top, int width = -1, int height = -1) {
    T* c = Create<T>(form);
    c->SetParent(parent);
    c->SetLeft(left);
    c->SetTop(top);
    if (width > 0) c->SetWidth(width);
    if (height > 0) c->SetHeight(height);
    return c;
  }

  // `control`'s rectangle in the content coordinates of its form.
  static QRect Where(TControl* control, TForm* form) {
    TPoint p = control->ClientToScreen({0, 0});
    TRect content = ContentRect(form->Handle());
    return {p.X - content.Left, p.Y - content.Top, control->Width(), control->Height()};
  }

  // The number of pixels that differ between two same-sized areas.
  static int Differences(const QImage& a, QRect ra, const QImage& b, QRect rb) {
    int n = 0;
    for (int y = 0; y < ra.height(); ++y)
      for (int x = 0; x < ra.width(); ++x)
        n += a.pixel(ra.x() + x, ra.y() + y) != b.pixel(rb.x() + x, rb.y() + y);
    return n;
  }
  static int Count(const QImage& image, QRect r, QRgb color) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += image.pixel(x, y) == color;
    return n;
  }
  static int Dark(const QImage& image, QRect r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += qGray(image.pixel(x, y)) < 96;
    return n;
  }

  // Sixteen-pixel tool images drawn in code: a page, a disk, a cross, a tick.
  static void FillImages(TImageList* images) {
    images->SetSize(16, 16);
    const TColor colors[] = {clNavy, clGreen, clMaroon, clTeal};
    for (int i = 0; i < 4; ++i) {
      TBitmap bmp(16, 16);
      TCanvas* c = bmp.Canvas();
      c->Brush()->SetColor(clFuchsia);
      c->FillRect(Rect(0, 0, 16, 16));
      c->Pen()->SetColor(colors[i]);
      c->Brush()->SetColor(clWhite);
      switch (i) {
        case 0:
          c->Rectangle(Rect(3, 1, 13, 15));
          c->MoveTo(5, 5);
          c->LineTo(11, 5);
          c->MoveTo(5, 8);
          c->LineTo(11, 8);
          break;
        case 1:
          c->Brush()->SetColor(colors[i]);
          c->Rectangle(Rect(1, 1, 15, 15));
          c->Brush()->SetColor(clWhite);
          c->FillRect(Rect(4, 2, 12, 7));
          break;
        case 2:
          c->Pen()->SetWidth(2);
          c->MoveTo(3, 3);
          c->LineTo(13, 13);
          c->MoveTo(13, 3);
          c->LineTo(3, 13);
          break;
        default:
          c->Pen()->SetWidth(2);
          c->MoveTo(2, 8);
          c->LineTo(6, 12);
          c->LineTo(14, 3);
          break;
      }
      images->AddMasked(&bmp, clFuchsia);
    }
  }

  std::vector<TForm*> FForms;
};

struct TGallery {
  TForm* Form = nullptr;
  TCheckBox* Checks[3] = {};
  TButton* Button = nullptr;
  TEdit* Edit = nullptr;
  TComboBox* Combo = nullptr;
  TStringGrid* Grid = nullptr;
  TMonthCalendar* Calendar = nullptr;
};

TEST_F(GalleryTest, EveryControlPaintsOnTheQtCanvas) {
  TGallery g;
  TForm* f = g.Form = NewForm("Галерея элементов", 980, 660);

  TMainMenu* menu = Create<TMainMenu>(f);
  for (const char* caption : {"&Файл", "&Правка", "&Вид", "&Справка"}) {
    TMenuItem* item = Create<TMenuItem>(f);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }

  TImageList* images = Create<TImageList>(f);
  FillImages(images);
  TToolBar* tools = Create<TToolBar>(f);
  tools->SetParent(f);
  tools->SetImages(images);
  for (int i = 0; i < 6; ++i) {
    TToolButton* b = Create<TToolButton>(f);
    b->SetStyle(i == 3 ? tbsSeparator : i == 4 ? tbsCheck : tbsButton);
    b->SetImageIndex(i == 4 ? 3 : i == 5 ? 0 : i);
    b->SetParent(tools);
    if (i == 4) b->SetDown(true);
    if (i == 5) b->SetEnabled(false);
  }

  TStatusBar* status = Create<TStatusBar>(f);
  status->SetParent(f);
  const char* panelTexts[] = {"Записей: 12", "Реестр талонов №1", "Изменён"};
  const int panelWidths[] = {120, 260, 80};
  for (int i = 0; i < 3; ++i) {
    TStatusPanel* p = status->Panels()->Add();
    p->SetText(panelTexts[i]);
    p->SetWidth(panelWidths[i]);
  }

  // Column 1: text and pictures.
  const int top = 50;
  auto* label = Put<TLabel>(f, f, 10, top);
  label->SetCaption("Реестр талонов №1");
  auto* bold = Put<TLabel>(f, f, 10, top + 20);
  bold->SetCaption("Жирная метка: Arial 10");
  bold->Font()->SetName("Arial");
  bold->Font()->SetSize(10);
  bold->Font()->SetStyle({fsBold});
  auto* staticText = Put<TStaticText>(f, f, 10, top + 44);
  staticText->SetCaption("Статический текст");
  staticText->SetBorderStyle(sbsSunken);
  auto* bevel = Put<TBevel>(f, f, 10, top + 70, 60, 30);
  (void)bevel;
  auto* shape = Put<TShape>(f, f, 80, top + 70, 50, 30);
  shape->SetShape(stRoundRect);
  shape->Brush()->SetColor(clSkyBlue);
  auto* ellipse = Put<TShape>(f, f, 140, top + 70, 40, 30);
  ellipse->SetShape(stEllipse);
  auto* image = Put<TImage>(f, f, 190, top + 70, 32, 32);
  {
    TBitmap pic(32, 32);
    pic.Canvas()->Brush()->SetColor(clYellow);
    pic.Canvas()->FillRect(Rect(0, 0, 32, 32));
    pic.Canvas()->Brush()->SetColor(clRed);
    pic.Canvas()->Ellipse(Rect(4, 4, 28, 28));
    image->Picture()->SetGraphic(&pic);
  }
  auto* panel = Put<TPanel>(f, f, 10, top + 110, 210, 40);
  panel->SetCaption("Панель");
  auto* group = Put<TGroupBox>(f, f, 10, top + 160, 210, 110);
  group->SetCaption("Группа флажков");
  const char* checkCaptions[] = {"Снят", "Отмечен", "Неопределён"};
  for (int i = 0; i < 3; ++i) {
    g.Checks[i] = Put<TCheckBox>(f, group, 10, 20 + i * 24, 180);
    g.Checks[i]->SetCaption(checkCaptions[i]);
    g.Checks[i]->SetAllowGrayed(true);
    g.Checks[i]->SetState(static_cast<TCheckBoxState>(i));
  }
  auto* radio1 = Put<TRadioButton>(f, f, 10, top + 278, 100);
  radio1->SetCaption("Мужской");
  auto* radio2 = Put<TRadioButton>(f, f, 110, top + 278, 100);
  radio2->SetCaption("Женский");
  radio2->SetChecked(true);
  auto* radioGroup = Put<TRadioGroup>(f, f, 10, top + 304, 210, 90);
  radioGroup->SetCaption("Вид талона");
  for (const char* s : {"Талон №1", "Талон №2", "Талон №3"}) radioGroup->Items()->Add(s);
  radioGroup->SetItemIndex(1);
  auto* box = Put<TScrollBox>(f, f, 10, top + 402, 210, 80);
  for (int i = 0; i < 4; ++i) {
    auto* inner = Put<TButton>(f, box, 8, 8 + i * 30, 150);
    inner->SetCaption("Кнопка в прокрутке " + std::to_string(i + 1));
  }

  // Column 2: buttons and editing.
  const int x2 = 240;
  g.Button = Put<TButton>(f, f, x2, top, 90, 25);
  g.Button->SetCaption("Отмена");
  auto* def = Put<TButton>(f, f, x2 + 100, top, 90, 25);
  def->SetCaption("Сохранить");
  def->SetDefault(true);
  const TBitBtnKind kinds[] = {bkOK, bkCancel, bkYes, bkNo, bkHelp, bkClose};
  for (int i = 0; i < 6; ++i) {
    auto* b = Put<TBitBtn>(f, f, x2 + (i % 2) * 100, top + 32 + (i / 2) * 32, 90, 26);
    b->SetKind(kinds[i]);
  }
  for (int i = 0; i < 4; ++i) {
    auto* s = Put<TSpeedButton>(f, f, x2 + i * 28, top + 132, 25, 25);
    TBitmap glyph;
    images->GetBitmap(i, &glyph);
    s->SetGlyph(&glyph);
    s->SetGroupIndex(i < 2 ? 1 : 0);
    s->SetFlat(i == 3);
    if (i == 0) s->SetDown(true);
  }
  auto* speedText = Put<TSpeedButton>(f, f, x2 + 115, top + 132, 75, 25);
  speedText->SetCaption("Найти");
  g.Edit = Put<TEdit>(f, f, x2, top + 166, 190);
  g.Edit->SetText("Иванова Мария Петровна");
  auto* memo = Put<TMemo>(f, f, x2, top + 196, 190, 80);
  memo->Lines()->Add("Первая строка памятки");
  memo->Lines()->Add("Вторая строка, подлиннее, чтобы переносилась");
  memo->Lines()->Add("Третья");
  memo->SetScrollBars(ssVertical);
  auto* list = Put<TListBox>(f, f, x2, top + 284, 190, 90);
  for (const char* s : {"Андреева", "Борисова", "Васильева", "Григорьева", "Дмитриева", "Егорова"})
    list->Items()->Add(s);
  list->SetItemIndex(2);
  g.Combo = Put<TComboBox>(f, f, x2, top + 382, 190);
  g.Combo->SetStyle(csDropDownList);
  for (const char* s : {"Январь", "Февраль", "Март", "Апрель", "Май"}) g.Combo->Items()->Add(s);
  g.Combo->SetItemIndex(1);
  auto* editCombo = Put<TComboBox>(f, f, x2, top + 410, 190);
  editCombo->SetText("Свободный текст");
  auto* hbar = Put<TScrollBar>(f, f, x2, top + 440, 190);
  hbar->SetParams(30, 0, 100);
  auto* vbar = Put<TScrollBar>(f, f, x2 + 196, top + 284);
  vbar->SetKind(sbVertical);
  vbar->SetBounds(x2 + 196, top + 284, 17, 150);
  vbar->SetParams(60, 0, 100);

  // Column 3: pages, grid, calendar.
  const int x3 = 450;
  auto* pages = Put<TPageControl>(f, f, x3, top, 510, 150);
  for (const char* s : {"Общие", "Дети", "Оплата"}) {
    TTabSheet* sheet = Create<TTabSheet>(f);
    sheet->SetCaption(s);
    sheet->SetPageControl(pages);
  }
  pages->SetActivePageIndex(1);
  auto* onPage = Put<TLabel>(f, pages->ActivePage(), 10, 10);
  onPage->SetCaption("Содержимое вкладки «Дети»");
  g.Grid = Put<TStringGrid>(f, f, x3, top + 160, 300, 200);
  g.Grid->SetColCount(4);
  g.Grid->SetRowCount(8);
  g.Grid->SetDefaultColWidth(70);
  const char* heads[] = {"№", "Фамилия", "Сумма", "Дата"};
  for (int c = 0; c < 4; ++c) g.Grid->SetCells(c, 0, heads[c]);
  const char* names[] = {"Андреева",  "Борисова", "Васильева", "Григорьева",
                         "Дмитриева", "Егорова",  "Жукова"};
  for (int r = 1; r < 8; ++r) {
    g.Grid->SetCells(0, r, std::to_string(r));
    g.Grid->SetCells(1, r, names[r - 1]);
    g.Grid->SetCells(2, r, std::to_string(r * 1150) + ",00");
    g.Grid->SetCells(3, r, "0" + std::to_string(r) + ".03.2024");
  }
  g.Grid->SetCol(2);
  g.Grid->SetRow(3);
  g.Calendar = Put<TMonthCalendar>(f, f, x3 + 310, top + 160);
  g.Calendar->SetDate(EncodeDate(2024, 3, 15));

  f->Show();
  g.Edit->SetFocus();
  g.Edit->SetSel(0, 7);
  QImage shot = Render(f->Handle());
  Save(shot, "gallery");

  // Nothing of the form is left unpainted.
  EXPECT_EQ(Count(shot, shot.rect(), QColor(Qt::magenta).rgb()), 0);

  // The three check states look different where the box is.
  QRect boxes[3];
  for (int i = 0; i < 3; ++i) {
    QRect r = Where(g.Checks[i], f);
    boxes[i] = QRect(r.x(), r.y(), 16, r.height());
  }
  EXPECT_GT(Differences(shot, boxes[0], shot, boxes[1]), 8) << "checked vs unchecked";
  EXPECT_GT(Differences(shot, boxes[1], shot, boxes[2]), 8) << "checked vs grayed";
  EXPECT_GT(Differences(shot, boxes[0], shot, boxes[2]), 8) << "unchecked vs grayed";

  // The selected text of the focused edit is on the highlight colour.
  QRect edit = Where(g.Edit, f);
  EXPECT_GT(Count(shot, edit, QColor(0, 120, 215).rgb()) +
                Count(shot, edit, QColor(51, 153, 255).rgb()) +
                Dark(shot, QRect(edit.x() + 3, edit.y() + 3, 40, edit.height() - 6)),
            0);

  // Focus on a button: its focus rectangle appears, and goes when it leaves.
  g.Button->SetFocus();
  QImage focused = Render(f->Handle());
  Save(focused, "gallery-button-focused");
  g.Edit->SetFocus();
  QImage unfocused = Render(f->Handle());
  QRect button = Where(g.Button, f);
  // The inside of the button, away from its caption's middle.
  QRect ring(button.x() + 2, button.y() + 2, button.width() - 4, 4);
  EXPECT_GT(Differences(focused, ring, unfocused, ring), 4) << "focus rectangle on the button";

  // The combo box dropped down: its list shows under it.
  g.Combo->SetFocus();
  g.Combo->SetDroppedDown(true);
  Pump();
  ASSERT_TRUE(g.Combo->DroppedDown());
  ASSERT_NE(g.Combo->DropDownWindow(), nullptr);
  QImage dropped = RenderWithPopups(f, {g.Combo->DropDownWindow()->Handle()});
  Save(dropped, "gallery-combo-dropped");
  g.Combo->SetDroppedDown(false);
  Pump();
  // Closed and focused, a pick-only combo shows its text highlighted.
  ASSERT_TRUE(g.Combo->Focused());
  QImage comboFocused = Render(f->Handle());
  Save(comboFocused, "gallery-combo-focused");
  QRect combo = Where(g.Combo, f);
  const QRgb highlight = QColor(0, 120, 215).rgb();
  EXPECT_GT(Count(comboFocused, combo, highlight), combo.width() * 4);
  EXPECT_EQ(Count(shot, combo, highlight), 0);

  // The grid and the calendar on their own, larger than life for looking.
  QRect gridArea = Where(g.Grid, f);
  Save(shot.copy(gridArea).scaled(gridArea.size() * 2), "grid-x2");
  QRect calendarArea = Where(g.Calendar, f);
  Save(shot.copy(calendarArea).scaled(calendarArea.size() * 2), "calendar-x2");
}

TEST_F(GalleryTest, DisabledControlsLookDisabled) {
  TForm* f = NewForm("Недоступные элементы", 460, 300);
  auto* label = Put<TLabel>(f, f, 10, 10);
  label->SetCaption("Метка недоступна");
  auto* button = Put<TButton>(f, f, 10, 34, 100, 25);
  button->SetCaption("Отмена");
  auto* bit = Put<TBitBtn>(f, f, 120, 34, 100, 25);
  bit->SetKind(bkOK);
  auto* check = Put<TCheckBox>(f, f, 10, 70, 150);
  check->SetCaption("Флажок");
  check->SetChecked(true);
  auto* radio = Put<TRadioButton>(f, f, 170, 70, 150);
  radio->SetCaption("Переключатель");
  radio->SetChecked(true);
  auto* edit = Put<TEdit>(f, f, 10, 100, 200);
  edit->SetText("Нельзя изменить");
  auto* combo = Put<TComboBox>(f, f, 220, 100, 200);
  combo->SetStyle(csDropDownList);
  combo->Items()->Add("Март");
  combo->SetItemIndex(0);
  auto* list = Put<TListBox>(f, f, 10, 130, 200, 60);
  list->Items()->Add("Первая");
  list->Items()->Add("Вторая");
  list->SetItemIndex(0);
  auto* speed = Put<TSpeedButton>(f, f, 220, 130, 80, 25);
  speed->SetCaption("Найти");
  auto* group = Put<TRadioGroup>(f, f, 10, 200, 200, 80);
  group->SetCaption("Группа");
  group->Items()->Add("Один");
  group->Items()->Add("Два");
  group->SetItemIndex(0);
  auto* enabledTwin = Put<TButton>(f, f, 220, 200, 100, 25);
  enabledTwin->SetCaption("Отмена");

  f->Show();
  for (TControl* c : std::initializer_list<TControl*>{label, button, bit, check, radio, edit, combo,
                                                      list, speed, group})
    c->SetEnabled(false);
  QImage shot = Render(f->Handle());
  Save(shot, "gallery-disabled");

  // A disabled caption is not in the normal text colour: the same button
  // enabled has dark caption pixels that the disabled one lacks.
  QRect off = Where(button, f), on = Where(enabledTwin, f);
  QRect inner(3, 3, off.width() - 6, off.height() - 6);
  EXPECT_GT(Dark(shot, inner.translated(on.topLeft())), 10);
  EXPECT_EQ(Dark(shot, inner.translated(off.topLeft())), 0);
  // The radio group's items grey with it; a disabled list's choice leaves
  // the live highlight.
  EXPECT_EQ(Dark(shot, Where(group, f) & shot.rect()), 0);
  EXPECT_EQ(Count(shot, Where(list, f), QColor(0, 120, 215).rgb()), 0);
}

}  // namespace
