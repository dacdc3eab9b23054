// A dialog page's window as the user sees it: the page's caption, size
// and controls, centred on the screen. With MEBRATH_GALLERY_DIR set the
// window (and, on a real display, the whole screen) is written there.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <string>

#include "platform/gui/forms.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/tests/qt_gallery.h"
#include "platform/qt/tests/qt_test_app.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"
#include "report/fr_page.h"
#include "report/fr_report.h"
#include "report/preview/fr_control.h"
#include "report/preview/fr_dialog_page.h"

namespace {

// Dialog controls of the kinds a template's add-ins bring.
template <class T>
class TGalleryControl : public TfrControl {
 public:
  T* Wrapped() const { return static_cast<T*>(Control()); }
  TGalleryControl() { SetControl(Create<T>(nullptr)); }
};

template <class T>
T* Put(TfrPage* page, int x, int y, int dx, int dy) {
  auto control = CreateUnique<TGalleryControl<T>>();
  control->x = x;
  control->y = y;
  control->dx = dx;
  control->dy = dy;
  T* wrapped = control->Wrapped();
  page->Add(std::move(control));
  return wrapped;
}

TEST(DialogPageGallery, ParametersWindow) {
  TestHost();
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TfrReport>(owner.get());
  TfrPage* page = report->Pages().Add();
  page->PageType = ptDialog;
  page->Caption = "Параметры реестра";
  page->DialogBounds = {0, 0, 380, 200};
  Put<TLabel>(page, 16, 20, 120, 16)->SetCaption("Номер реестра:");
  Put<TEdit>(page, 150, 16, 200, 22)->SetText("12");
  Put<TLabel>(page, 16, 56, 120, 16)->SetCaption("Дата:");
  Put<TEdit>(page, 150, 52, 120, 22)->SetText("15.03.2007");
  TButton* ok = Put<TButton>(page, 190, 120, 75, 25);
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  TButton* cancel = Put<TButton>(page, 275, 120, 75, 25);
  cancel->SetCaption("Отмена");
  cancel->SetModalResult(mrCancel);

  QImage shot;
  TRect bounds;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    TCustomForm* window = GetParentForm(ok);
    if (window == nullptr || window == frDialogForm() || !window->Visible() || !shot.isNull())
      return;
    shot = gallery::Render(window->Handle());
    bounds = window->BoundsRect();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const std::string size = std::to_string(screen.width()) + "x" + std::to_string(screen.height());
    gallery::Save(shot, "dialog_page_" + size);
    const QPixmap whole = QGuiApplication::primaryScreen()->grabWindow(0);
    if (!whole.isNull()) gallery::Save(whole.toImage(), "dialog_page_screen_" + size);
    ok->Click();
  };
  EXPECT_EQ(frRunDialogPage(*report, *page), mrOk);
  Application->OnIdle = nullptr;
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(bounds.Width(), 380);
  EXPECT_EQ(bounds.Height(), 200);
  // Centred on the screen.
  const TRect work = Screen->WorkAreaRect();
  EXPECT_NEAR(bounds.Left + bounds.Width() / 2, work.Left + work.Width() / 2, 40);
  // The edits are white and the buttons drawn: neither is left unpainted.
  int white = 0, magenta = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      white += shot.pixel(x, y) == qRgb(255, 255, 255);
      magenta += shot.pixel(x, y) == qRgb(255, 0, 255);
    }
  EXPECT_GT(white, 3000);
  EXPECT_EQ(magenta, 0);

  // The controls painted as objects, as a designer would show the page.
  QImage drawn(380, 170, QImage::Format_ARGB32);
  drawn.fill(Qt::magenta);
  {
    TQtCanvas canvas(&drawn);
    canvas.FillSolidRect(Rect(0, 0, 380, 170), clBtnFace);
    for (const auto& object : page->Objects) object->Draw(canvas);
  }
  gallery::Save(drawn, "dialog_page_controls");
  int editWhite = 0;
  for (int x = 152; x < 348; ++x) editWhite += drawn.pixel(x, 27) == qRgb(255, 255, 255);
  EXPECT_GT(editWhite, 100);
  EXPECT_EQ(drawn.pixel(5, 5), qRgb(0xF0, 0xF0, 0xF0));
}

}  // namespace
