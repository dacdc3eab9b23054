// The report windows painted through the Qt canvas, and prepared pages
// printed to a PDF file. With MEBRATH_GALLERY_DIR set the pictures and the
// PDF are also written there for a person to look at.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "platform/base/registry.h"
#include "platform/base/tests/shell_output.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/tests/qt_gallery.h"
#include "platform/qt/tests/qt_test_app.h"
#include "report/fr_report.h"
#include "report/preview/fr_combo.h"
#include "report/preview/fr_dialogs.h"
#include "report/preview/fr_preview.h"
#include "report/preview/fr_report_windows.h"
#include "report/preview/tests/preview_fixture.h"

namespace {

using gallery::Pump;
using gallery::Render;
using gallery::Save;

class PreviewGalleryTest : public ::testing::Test {
 protected:
  PreviewGalleryTest() {
    TestHost();
    Dir = std::filesystem::temp_directory_path() / ("frgallery_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
    SetSettingsStorePath((Dir / "registry.ini").string());
    frResetPreviewZoomMemory();
  }
  ~PreviewGalleryTest() override {
    for (TComponent* c : Owned) c->Free();
    ClearMessageQueue();
    QCoreApplication::processEvents();
    SetSettingsStorePath("");
    std::filesystem::remove_all(Dir);
  }

  static int Count(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == color;
    return n;
  }

  std::filesystem::path Dir;
  std::vector<TComponent*> Owned;
};

TEST_F(PreviewGalleryTest, PreviewOfARegisterInEveryZoom) {
  auto* report = Create<TTestReport>(nullptr);
  Owned.push_back(report);
  PrepareRegister(report, 4);
  auto* form = Create<TfrPreviewForm>(nullptr);
  Owned.push_back(form);
  form->SetWindowState(wsNormal);
  form->SetBounds(10, 10, 1000, 740);
  TfrPreviewSettings settings;
  settings.Title = "Реестр";
  form->Preview->Connect(report, settings);
  form->Show();
  struct Shot {
    const char* name;
    int zoom;
  } shots[] = {{"preview_whole_page", kfrZoomWholePage},
               {"preview_page_width", kfrZoomPageWidth},
               {"preview_100", 100},
               {"preview_two_pages", kfrZoomTwoPages}};
  for (const Shot& shot : shots) {
    form->Preview->Zoom(shot.zoom);
    QImage image = Render(form->Handle());
    Save(image, shot.name);
    // Grey around white pages, and black text on them.
    EXPECT_GT(Count(image, qRgb(0x80, 0x80, 0x80)), 1000) << shot.name;
    EXPECT_GT(Count(image, qRgb(255, 255, 255)), 10000) << shot.name;
    EXPECT_EQ(Count(image, qRgb(255, 0, 255)), 0) << shot.name;
  }
  ASSERT_TRUE(form->Preview->Search("Кузнецова", false, 0, 0));
  Save(Render(form->Handle()), "preview_search_hit");
  form->Close();
}

TEST_F(PreviewGalleryTest, PrintAndProgressWindows) {
  auto* print = Create<TfrPrintForm>(nullptr);
  Owned.push_back(print);
  print->Show();
  QImage image = Render(print->Handle());
  Save(image, "print_dialog");
  EXPECT_EQ(Count(image, qRgb(255, 0, 255)), 0);
  print->Hide();

  auto* report = Create<TTestReport>(nullptr);
  Owned.push_back(report);
  auto* progress = Create<TfrProgressForm>(nullptr);
  Owned.push_back(progress);
  progress->Show(report, "Preparing report - Реестр", [&] {
    progress->SetMessageText("Processing page:  3");
    QImage shot = Render(progress->Handle());
    Save(shot, "progress_window");
    EXPECT_EQ(Count(shot, qRgb(255, 0, 255)), 0);
  });

  auto* search = Create<TfrPreviewSearchForm>(nullptr);
  Owned.push_back(search);
  search->Show();
  Save(Render(search->Handle()), "search_dialog");
  search->Hide();
  auto* fmt = Create<TfrFmtForm>(nullptr);
  Owned.push_back(fmt);
  fmt->Load(frMakeFormat(1, 3, 2, ","), "");
  fmt->Show();
  Save(Render(fmt->Handle()), "format_dialog");
  fmt->Hide();
}

TEST_F(PreviewGalleryTest, FlatComboBoxes) {
  auto* form = Create<TForm>(nullptr);
  Owned.push_back(form);
  form->SetBounds(30, 30, 260, 110);
  auto make = [&](int top) {
    auto* c = Create<TfrComboBox>(form);
    c->SetParent(form);
    c->SetBounds(12, top, 140, 21);
    for (const char* m : {"январь", "февраль", "март"}) c->Items()->Add(m);
    c->SetItemIndex(1);
    return c;
  };
  TfrComboBox* flat = make(10);
  TfrComboBox* hot = make(40);
  hot->SetDropDownOnly(true);
  TfrComboBox* disabled = make(70);
  disabled->SetEnabled(false);
  auto* other = Create<TfrComboBox>(form);
  other->SetParent(form);
  other->SetBounds(160, 10, 80, 21);
  form->Show();
  other->SetFocus();
  hot->Perform(CM_MOUSEENTER, 0, 0);
  QImage image = Render(form->Handle());
  // Three times as large, so the one-pixel frames can be seen.
  Save(image.scaled(image.width() * 3, image.height() * 3), "flat_combo");
  EXPECT_EQ(Count(image, qRgb(255, 0, 255)), 0);
  // The hot box has a sunken (shadowed) frame, the flat one none.
  auto dark = [&](TControl* c) {
    int n = 0;
    const TPoint p = c->ClientToScreen({0, 0});
    const TRect content = ContentRect(form->Handle());
    for (int x = 0; x < c->Width(); ++x)
      n += qGray(image.pixel(p.X - content.Left + x, p.Y - content.Top)) < 180;
    return n;
  };
  EXPECT_GT(dark(hot), dark(flat) + 50);
  (void)disabled;
}

// The distinct words of a text (a PDF reader drops text it finds
// overlapping, so counts may differ).
std::set<std::string> Words(const std::string& text) {
  std::set<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '\r') {
      if (!word.empty()) words.insert(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.insert(word);
  return words;
}

TEST_F(PreviewGalleryTest, PrintedPdfHoldsThePreviewsPages) {
  if (Shell("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext is not installed";
  auto old = SetPrinterBackend(MakeQtPrinterBackend());
  frPrinter().SetPrinter(Printer());
  auto* report = Create<TTestReport>(nullptr);
  Owned.push_back(report);
  PrepareRegister(report, 3);
  const std::string pdf = (Dir / "register.pdf").string();
  Printer()->SetOutputFileName(pdf);
  PrintPreparedPages(*report, report->EMFPages(), TfrPrintRequest{});
  Printer()->SetOutputFileName("");
  ASSERT_TRUE(std::filesystem::exists(pdf));
  if (!gallery::Dir().empty()) {
    std::filesystem::copy_file(pdf, gallery::Dir() + "/register.pdf",
                               std::filesystem::copy_options::overwrite_existing);
  }
  const std::string info = Shell("pdfinfo " + pdf);
  const std::size_t at = info.find("Pages:");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(std::stoi(info.substr(at + 6)), 3);
  for (int page = 1; page <= 3; ++page) {
    const std::string printed = Shell("pdftotext -layout -f " + std::to_string(page) + " -l " +
                                      std::to_string(page) + " " + pdf + " -");
    TfrEMFPages& pages = report->EMFPages();
    const TSize size = pages.Pages(page - 1).ScreenSize();
    TRecordingCanvas canvas;
    pages.Draw(page - 1, canvas, Rect(0, 0, size.cx, size.cy), true);
    std::string shown;
    for (const TCanvasRecord& r : canvas.Records())
      if (r.Kind == TRecordKind::Text) shown += r.Text + "\n";
    EXPECT_EQ(Words(printed), Words(shown)) << "page " << page;
  }
  SetPrinterBackend(std::move(old));
  frPrinter().SetPrinter(Printer());
}

TEST_F(PreviewGalleryTest, VirtualPrintersPdfChooserShowsItsPatternOnce) {
  frPrinter().SetPrinter(Printer());
  frPrinter().SetPrinterIndex(frPrinter().VirtualIndex());
  std::vector<std::string> shown;
  SetFileDialogBackend([&](TFileDialogRequest& request) {
    for (const TFileFilter& f : request.Filters) shown.push_back(QtNameFilter(f));
    return false;
  });
  auto* report = Create<TfrReport>(nullptr);
  Owned.push_back(report);
  frPrintFromPreview(*report, TfrPrintRequest{});
  SetFileDialogBackend(nullptr);
  EXPECT_EQ(shown, std::vector<std::string>{"PDF (*.pdf)"});
}

}  // namespace
