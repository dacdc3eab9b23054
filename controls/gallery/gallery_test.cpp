// A gallery of the data-aware edit controls painted through the Qt canvas
// as the screen shows them, in their states: normal, focused, disabled,
// read-only, with every kind of button, flat, required, the check boxes,
// and the drop-downs open (list, recently used values, calendar,
// calculator in error). The test checks a few pixel facts; with
// MEBRATH_GALLERY_DIR set it writes the pictures there as PNG files for a
// person to look at.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/calculator.h"
#include "controls/db_check_box.h"
#include "controls/db_combo_box.h"
#include "controls/db_edit.h"
#include "controls/popup_calendar.h"
#include "platform/base/date_time.h"
#include "platform/gui/forms.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/tests/qt_gallery.h"
#include "platform/qt/tests/qt_test_app.h"
#include "platform/widgets/std_labels.h"

namespace {

using gallery::Pump;
using gallery::Render;
using gallery::RenderWithPopups;
using gallery::Save;

class ControlsGalleryTest : public ::testing::Test {
 protected:
  ControlsGalleryTest() { TestHost(); }
  ~ControlsGalleryTest() override {
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
  T* Put(TForm* form, int left, int top, int width = -1) {
    T* c = Create<T>(form);
    c->SetParent(form);
    c->SetLeft(left);
    c->SetTop(top);
    if (width > 0) c->SetWidth(width);
    return c;
  }

  TLabel* Caption(TForm* form, int left, int top, const std::string& text) {
    TLabel* l = Put<TLabel>(form, left, top);
    l->SetCaption(text);
    return l;
  }

  static QRect Where(TControl* control, TForm* form) {
    TPoint p = control->ClientToScreen({0, 0});
    TRect content = ContentRect(form->Handle());
    return {p.X - content.Left, p.Y - content.Top, control->Width(), control->Height()};
  }
  static int Count(const QImage& image, QRect r, QRgb color) {
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
      for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x)
        n += image.pixel(x, y) == color;
    return n;
  }
  // Anti-aliased text seldom hits the pure colour: count the pixels whose
  // colour leans clearly towards red (or blue).
  static int Tinted(const QImage& image, QRect r, bool red) {
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
      for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x) {
        QRgb c = image.pixel(x, y);
        int main = red ? qRed(c) : qBlue(c);
        int other = red ? std::max(qGreen(c), qBlue(c)) : std::max(qGreen(c), qRed(c));
        n += main > 120 && main - other > 80;
      }
    return n;
  }
  static int Dark(const QImage& image, QRect r) {
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
      for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x)
        n += qGray(image.pixel(x, y)) < 96;
    return n;
  }

  std::vector<TForm*> FForms;
};

TEST_F(ControlsGalleryTest, EditBoxesInTheirStates) {
  TForm* f = NewForm("Поля ввода", 560, 420);
  const int x = 170;
  int y = 10;
  auto row = [&](const std::string& label) {
    Caption(f, 10, y + 3, label);
    TDBEditEh* e = Put<TDBEditEh>(f, x, y, 200);
    y += 30;
    return e;
  };
  TDBEditEh* normal = row("Обычное");
  normal->SetText("Иванова Мария");
  TDBEditEh* focused = row("С фокусом");
  focused->SetText("Петрова");
  TDBEditEh* disabled = row("Недоступное");
  disabled->SetText("Сидорова");
  disabled->SetEnabled(false);
  TDBEditEh* readOnly = row("Только чтение");
  readOnly->SetText("Кузнецова");
  readOnly->SetReadOnly(true);
  TDBEditEh* right = row("Справа");
  right->SetAlignment(taRightJustify);
  right->SetText("1 234,50");
  TDBEditEh* masked = row("Маска");
  masked->SetEditMask("999\\-999\\-999 99;1;_");
  masked->SetText("123-456-789 01");
  TDBEditEh* required = row("Обязательное");
  required->SetHighlightRequired(true);

  struct TStyleRow {
    const char* label;
    TEditButtonStyleEh style;
  };
  const TStyleRow styles[] = {{"Список", ebsDropDownEh},
                              {"Многоточие", ebsEllipsisEh},
                              {"Вверх-вниз", ebsUpDownEh},
                              {"Плюс", ebsPlusEh},
                              {"Минус", ebsMinusEh}};
  std::vector<TDBEditEh*> withButtons;
  int by = 10;
  for (const TStyleRow& s : styles) {
    for (bool flat : {false, true}) {
      TDBEditEh* e = Put<TDBEditEh>(f, flat ? 470 : 385, by, 80);
      e->SetFlat(flat);
      e->EditButton()->SetStyle(s.style);
      e->EditButton()->SetVisible(true);
      e->SetText(s.label);
      withButtons.push_back(e);
    }
    by += 30;
  }
  TDBEditEh* two = Put<TDBEditEh>(f, 385, by, 165);
  two->EditButton()->SetVisible(true);
  two->EditButtons()->Add()->SetStyle(ebsEllipsisEh);
  two->SetText("Две кнопки");
  by += 30;
  TDBEditEh* flatActive = Put<TDBEditEh>(f, 385, by, 165);
  flatActive->SetFlat(true);
  flatActive->SetAlwaysShowBorder(true);
  flatActive->EditButton()->SetVisible(true);
  flatActive->SetText("Плоское, рамка");

  f->Show();
  focused->SetFocus();
  QImage image = Render(f->Handle());
  Save(image, "controls_edits");

  // Red dots of the required line.
  QRect r = Where(required, f);
  EXPECT_GT(Tinted(image, r, true), 20);
  // Text of the normal box is drawn; the disabled box's text is grey, not black.
  EXPECT_GT(Dark(image, Where(normal, f)), 30);
  QRect d = Where(disabled, f);
  EXPECT_LT(Dark(image, d.adjusted(3, 3, -3, -3)), 5);
  // Every box with a button shows the button's symbol near its right edge.
  for (TDBEditEh* e : withButtons) {
    QRect w = Where(e, f);
    QRect button(w.right() - 14, w.top() + 3, 12, w.height() - 6);
    EXPECT_GT(Dark(image, button), 2) << e->Text();
  }
}

TEST_F(ControlsGalleryTest, DropDownsOpen) {
  TForm* f = NewForm("Выпадающие списки", 620, 420);
  Caption(f, 10, 13, "Пол");
  TDBComboBoxEh* combo = Put<TDBComboBoxEh>(f, 100, 10, 160);
  for (const char* s : {"Мужской", "Женский", "Не указан"}) combo->Items()->Add(s);
  for (const char* s : {"М", "Ж", "Н"}) combo->KeyItems()->Add(s);
  combo->SetItemIndexAndUpdate(1);
  combo->DropDownBox()->SetSizable(true);

  Caption(f, 300, 13, "Город");
  TDBEditEh* mruEdit = Put<TDBEditEh>(f, 380, 10, 200);
  mruEdit->MRUList()->SetActive(true);
  for (int i = 0; i < 12; ++i) mruEdit->MRUList()->Add("Москва " + std::to_string(i + 1));
  mruEdit->MRUList()->Add("Минск");

  f->Show();
  combo->SetFocus();
  combo->EditButton()->SetShortCut(ShortCut(VK_F4, {}));
  combo->Perform(WM_KEYDOWN, VK_F4);
  Pump();
  ASSERT_TRUE(combo->ListVisible());
  TPopupListboxEh* list = combo->PopupList();
  QImage comboImage = RenderWithPopups(f, {list->Handle()});
  Save(comboImage, "controls_combo_dropped");
  // The selected row is highlighted.
  QRect lr = Where(list, f);
  TColor highlight = ColorToRGB(clHighlight);
  EXPECT_GT(
      Count(comboImage, lr, qRgb(GetRValue(highlight), GetGValue(highlight), GetBValue(highlight))),
      50);
  // The main button is drawn pressed: its face differs from the idle look.
  combo->Perform(WM_KEYDOWN, VK_ESCAPE);
  Pump();

  mruEdit->SetFocus();
  mruEdit->SelectAll();
  mruEdit->Perform(WM_CHAR, U'М');
  Pump();
  ASSERT_TRUE(mruEdit->MRUListboxShown());
  TMRUListboxEh* box = mruEdit->MRUListbox();
  QImage mruImage = RenderWithPopups(f, {box->Handle()});
  Save(mruImage, "controls_mru");
  EXPECT_TRUE(box->ScrollBar()->Visible());
  EXPECT_GT(Dark(mruImage, Where(box, f)), 100) << "the texts show";
  mruEdit->Perform(WM_KEYDOWN, VK_ESCAPE);
  Pump();
}

TEST_F(ControlsGalleryTest, CalendarCalculatorAndCheckBoxes) {
  TForm* f = NewForm("Календарь, калькулятор, флажки", 560, 420);
  TDBEditEh* owner = Put<TDBEditEh>(f, 10, 10, 150);
  owner->SetText("14.02.2008");
  TDBEditEh* numberOwner = Put<TDBEditEh>(f, 300, 10, 150);
  numberOwner->SetText("8");

  TCheckBoxState states[] = {cbUnchecked, cbChecked, cbGrayed};
  std::vector<TDBCheckBoxEh*> boxes;
  for (int i = 0; i < 3; ++i) {
    for (int flat = 0; flat < 2; ++flat) {
      TDBCheckBoxEh* b = Put<TDBCheckBoxEh>(f, 10 + flat * 130, 250 + i * 24, 120);
      b->SetAllowGrayed(true);
      b->SetFlat(flat != 0);
      b->SetCaption(i == 0 ? "Многоплодная" : i == 1 ? "Преждевр." : "Неизвестно");
      b->SetStateValue(states[i]);
      boxes.push_back(b);
    }
  }
  TDBCheckBoxEh* disabled = Put<TDBCheckBoxEh>(f, 270, 250, 120);
  disabled->SetCaption("Недоступен");
  disabled->SetStateValue(cbChecked);
  disabled->SetEnabled(false);
  TDBCheckBoxEh* left = Put<TDBCheckBoxEh>(f, 270, 274, 120);
  left->SetCaption("Флажок справа");
  left->SetAlignment(taLeftJustify);
  left->SetStateValue(cbChecked);

  f->Show();
  owner->SetFocus();
  TPopupMonthCalendarEh* calendar = Create<TPopupMonthCalendarEh>(f);
  calendar->SetOwnerControl(owner);
  calendar->SetDate(EncodeDate(2008, 2, 14));
  TSize cs = calendar->PopupSize();
  calendar->ShowAt(AlignDropDownWindowRectEh(
                       Bounds(owner->ClientToScreen({0, 0}).X, owner->ClientToScreen({0, 0}).Y,
                              owner->Width(), owner->Height()),
                       cs, daLeft, Screen->WorkAreaRect())
                       .Bounds);
  TPopupCalculatorEh* calc = Create<TPopupCalculatorEh>(f);
  calc->SetOwnerControl(numberOwner);
  for (char32_t k : {U'8', U'/', U'0', U'='}) calc->ProcessKey(k);
  TSize ks = calc->PopupSize();
  TPoint under = numberOwner->ClientToScreen({0, numberOwner->Height()});
  calc->ShowAt(Bounds(under.X, under.Y, ks.cx, ks.cy));
  Pump();
  QImage image = RenderWithPopups(f, {calendar->Handle(), calc->Handle()});
  Save(image, "controls_popups_checks");

  EXPECT_EQ(calc->DisplayText(), "Error");
  EXPECT_GT(Dark(image, Where(calc->TextBox(), f)), 10) << "the display shows Error";
  // The buttons' captions in blue and red.
  EXPECT_GT(Tinted(image, Where(calc, f), false), 20);
  EXPECT_GT(Tinted(image, Where(calc, f), true), 20);
  // A checked box shows its mark; an unchecked one has none.
  QRect unchecked = Where(boxes[0], f);
  QRect checked = Where(boxes[2], f);
  QRect mark(2, 4, 9, 9);
  EXPECT_GT(Dark(image, mark.translated(checked.topLeft())),
            Dark(image, mark.translated(unchecked.topLeft())));
  calendar->CloseUp(false);
  calc->CloseUp(false);
}

}  // namespace
