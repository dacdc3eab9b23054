// A page with WMF and EMF pictures, prepared, drawn, shown in the preview
// and printed to a PDF. The pictures are the hand-made samples: a red
// rectangle and a blue line on nothing. With MEBRATH_GALLERY_DIR set the
// page, the preview and the PDF are written there.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/base/tests/shell_output.h"
#include "platform/draw/metafile_renderer.h"
#include "platform/draw/printers.h"
#include "platform/draw/tests/metafile_samples.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/tests/qt_gallery.h"
#include "platform/qt/tests/qt_test_app.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_picture_view.h"
#include "report/fr_printer.h"
#include "report/preview/fr_preview.h"
#include "report/tests/report_fixture.h"

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kWhite = qRgb(255, 255, 255);

// Where a point (x, y) of the 100 x 50 sample lands in the box it was drawn
// into, and whether the pixel there has the colour (up to rounding and
// smoothing).
struct TPlaced {
  int Left, Top, Width, Height;
  TPoint At(double x, double y) const {
    return {Left + static_cast<int>(x * Width / 100), Top + static_cast<int>(y * Height / 50)};
  }
};

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
         std::abs(qBlue(a) - qBlue(b)) < 40;
}

class MetafilePictures : public ::testing::Test {
 protected:
  MetafilePictures() {
    TestHost();
    FOldRenderer = SetMetafileRenderer(MakeQtMetafileRenderer());
    report = Create<TTestReport>(nullptr);
    // A prepared page as a build leaves it: each object written by Print.
    TfrCurrentReport current(report);
    TfrPage* page = report->Pages().Add();
    report->EMFPages().Add(*page);
    TStream& s = *report->EMFPages().Pages(0).Stream;
    // Stretched keeping its aspect, at its own size, and stretched to fill.
    Picture(s, metafile_samples::Wmf(), 40, 40, 200, 200, flStretched | flPictRatio);
    Picture(s, metafile_samples::Emf(), 300, 40, 300, 100, 0);
    Picture(s, metafile_samples::Emf(), 500, 160, 200, 200, flStretched);
    Picture(s, metafile_samples::Wmf(false), 40, 260, 100, 100, flStretched);
    auto memo = CreateUnique<TfrMemoView>();
    memo->x = 300;
    memo->y = 160;
    memo->dx = 180;
    memo->dy = 20;
    memo->Memo.SetText("WMF и EMF");
    memo->Print(s);
    Dir = std::filesystem::temp_directory_path() / ("frmetafile_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
  }
  ~MetafilePictures() override {
    report->Free();
    SetMetafileRenderer(std::move(FOldRenderer));
    ClearMessageQueue();
    QCoreApplication::processEvents();
    std::filesystem::remove_all(Dir);
  }

  static void Picture(TStream& stream, const std::string& bytes, int x, int y, int dx, int dy,
                      std::uint16_t flags) {
    auto p = CreateUnique<TfrPictureView>();
    p->SetMetafileBytes(bytes);
    p->x = x;
    p->y = y;
    p->dx = dx;
    p->dy = dy;
    p->Flags = flags;
    p->Print(stream);
  }

  // Every picture's rectangle and line, in page pixels at 96 dpi scaled by
  // `scale`.
  static void ExpectSamples(const QImage& image, double scale) {
    const TPlaced placed[] = {
        {40, 40, 200, 100},  // keeps its aspect: full width, half the height
        {300, 40, 100, 50},  // its own size
        {500, 160, 200, 200},
        {40, 260, 100, 100},
    };
    for (const TPlaced& p : placed) {
      SCOPED_TRACE(p.Left);
      const auto pixel = [&](double x, double y) {
        const TPoint at = p.At(x, y);
        return image.pixel(static_cast<int>(at.X * scale), static_cast<int>(at.Y * scale));
      };
      EXPECT_TRUE(Near(pixel(30, 25), kRed));
      EXPECT_TRUE(Near(pixel(45, 15), kRed));
      EXPECT_TRUE(Near(pixel(78, 45), kBlue));
      EXPECT_TRUE(Near(pixel(5, 5), kWhite));
      EXPECT_TRUE(Near(pixel(78, 30), kWhite));
    }
    // Below the picture that keeps its aspect nothing is drawn.
    EXPECT_TRUE(
        Near(image.pixel(static_cast<int>(140 * scale), static_cast<int>(200 * scale)), kWhite));
  }

  std::unique_ptr<IMetafileRenderer> FOldRenderer;
  TTestReport* report = nullptr;
  std::filesystem::path Dir;
};

TEST_F(MetafilePictures, DrawnOnThePageInThePreviewAndInPrint) {
  TfrEMFPages& pages = report->EMFPages();
  const TSize size = pages.Pages(0).ScreenSize();
  QImage image(size.cx, size.cy, QImage::Format_ARGB32);
  image.fill(Qt::white);
  {
    TQtCanvas canvas(&image);
    pages.Pages(0).Visible = true;
    pages.Draw(0, canvas, TRect{0, 0, size.cx, size.cy});
  }
  gallery::Save(image, "metafile_pictures_page");
  ExpectSamples(image, 1.0);

  // The preview shows the same page.
  auto* form = Create<TfrPreviewForm>(nullptr);
  form->SetWindowState(wsNormal);
  form->SetBounds(10, 10, 1000, 740);
  form->Preview->Connect(report);
  form->Show();
  form->Preview->Zoom(100);
  const QImage preview = gallery::Render(form->Handle());
  gallery::Save(preview, "metafile_pictures_preview");
  int red = 0, blue = 0;
  for (int y = 0; y < preview.height(); ++y)
    for (int x = 0; x < preview.width(); ++x) {
      red += preview.pixel(x, y) == kRed;
      blue += preview.pixel(x, y) == kBlue;
    }
  EXPECT_GT(red, 4000);
  EXPECT_GT(blue, 200);
  form->Close();
  form->Free();

  // Printed to a PDF at 600 dpi and read back at 96.
  if (Shell("command -v pdftoppm").empty()) GTEST_SKIP() << "pdftoppm is not installed";
  auto old = SetPrinterBackend(MakeQtPrinterBackend());
  frPrinter().SetPrinter(Printer());
  const std::string pdf = (Dir / "metafiles.pdf").string();
  Printer()->SetOutputFileName(pdf);
  PrintPreparedPages(*report, pages, TfrPrintRequest{});
  Printer()->SetOutputFileName("");
  SetPrinterBackend(std::move(old));
  frPrinter().SetPrinter(Printer());
  ASSERT_TRUE(std::filesystem::exists(pdf));
  Shell("pdftoppm -r 96 -png -singlefile " + pdf + " " + (Dir / "printed").string());
  QImage printed(QString::fromStdString((Dir / "printed.png").string()));
  ASSERT_FALSE(printed.isNull());
  if (!gallery::Dir().empty()) {
    std::filesystem::copy_file(pdf, gallery::Dir() + "/metafile_pictures.pdf",
                               std::filesystem::copy_options::overwrite_existing);
    gallery::Save(printed, "metafile_pictures_printed");
  }
  ExpectSamples(printed, static_cast<double>(printed.width()) / size.cx);
}

}  // namespace
