#include <gtest/gtest.h>

#include "platform/draw/metafile_renderer.h"
#include "platform/draw/recording_canvas.h"
#include "platform/draw/tests/metafile_samples.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/tests/qt_test_app.h"

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;

// The pixel of `image` at the sample picture's (x, y) when the picture is
// stretched over the whole image.
std::uint32_t At(const TRasterImage& image, double x, double y) {
  return image.At(static_cast<int>(x * image.Width / 100), static_cast<int>(y * image.Height / 50));
}

TEST(QtMetafile, SamplesDrawTheirRectangleAndLine) {
  TestHost();
  auto renderer = MakeQtMetafileRenderer();
  const struct {
    const char* Name;
    std::string Bytes;
    int Width, Height;
  } cases[] = {
      {"placeable WMF", metafile_samples::Wmf(), 100, 50},
      {"placeable WMF, stretched", metafile_samples::Wmf(), 300, 90},
      {"placeable WMF from (300, 200)", metafile_samples::Wmf(true, 300, 200), 100, 50},
      {"plain WMF from (300, 200)", metafile_samples::Wmf(false, 300, 200), 150, 60},
      {"EMF", metafile_samples::Emf(), 100, 50},
      {"EMF, stretched", metafile_samples::Emf(), 200, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRasterImagePtr image = renderer->Render(c.Bytes, c.Width, c.Height);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->Width, c.Width);
    ASSERT_EQ(image->Height, c.Height);
    EXPECT_EQ(At(*image, 30, 25), kRed);  // inside the rectangle
    EXPECT_EQ(At(*image, 12, 12), kRed);
    EXPECT_EQ(At(*image, 78, 45), kBlue);   // on the line
    EXPECT_EQ(At(*image, 5, 5) >> 24, 0u);  // nothing drawn
    EXPECT_EQ(At(*image, 78, 30) >> 24, 0u);
    EXPECT_EQ(At(*image, 55, 25) >> 24, 0u);
  }
}

TEST(QtMetafile, HeadersThatLieAreNotBelieved) {
  TestHost();
  auto renderer = MakeQtMetafileRenderer();
  // An EMF description said to lie past the header, and a WMF claiming a
  // record of 3.5 GB: both still draw the picture.
  std::string emf = metafile_samples::Emf();
  emf[65] = '\xF0';  // offDescription, far past the end
  std::string wmf = metafile_samples::Wmf();
  for (int i = 0; i < 4; ++i) wmf[22 + 12 + i] = '\xD2';  // largest record
  for (const std::string& bytes : {emf, wmf}) {
    TRasterImagePtr image = renderer->Render(bytes, 100, 50);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(At(*image, 30, 25), kRed);
  }
  // A placeable header without units per inch cannot be scaled.
  std::string noInch = metafile_samples::Wmf();
  noInch[14] = noInch[15] = 0;
  EXPECT_EQ(renderer->Render(noInch, 100, 50), nullptr);
}

TEST(QtMetafile, DamagedFilesDrawNothing) {
  TestHost();
  SetMetafileRenderer(MakeQtMetafileRenderer());
  std::string cut = metafile_samples::Emf();
  cut.resize(cut.size() - 30);
  std::string badRecord = metafile_samples::Wmf();
  badRecord[22 + 18] = '\x7F';  // the first record claims to be huge
  for (const std::string& bytes : {cut, badRecord, std::string("\x01\x00\x09\x00", 4)}) {
    TRecordingCanvas canvas;
    DrawMetafile(canvas, Rect(0, 0, 100, 50), bytes);
    EXPECT_TRUE(canvas.TakeRecords().empty());
  }
  // A sound one is drawn as one image over the rectangle.
  TRecordingCanvas canvas;
  DrawMetafile(canvas, Rect(10, 20, 210, 120), metafile_samples::Wmf());
  const auto records = canvas.TakeRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Rect, Rect(10, 20, 210, 120));
  ASSERT_NE(records[0].Image, nullptr);
  EXPECT_EQ(records[0].Image->Width, 200);
  SetMetafileRenderer(nullptr);
}

}  // namespace
