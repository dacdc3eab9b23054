#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/stream.h"
#include "platform/draw/bitmap.h"

namespace {

void U16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void U32(std::string& s, std::uint32_t v) {
  U16(s, v & 0xFFFF);
  U16(s, v >> 16);
}

// A BMP file with a 40-byte header, `palette` (0x00RRGGBB entries) and the
// raw `rows` as given.
std::string Bmp(int width, int height, int bits, std::uint32_t compression,
                const std::vector<std::uint32_t>& palette, const std::string& rows,
                const std::vector<std::uint32_t>& masks = {}) {
  std::string s = "BM";
  std::uint32_t off = 14 + 40 + 4 * static_cast<std::uint32_t>(masks.size() + palette.size());
  U32(s, off + static_cast<std::uint32_t>(rows.size()));
  U32(s, 0);
  U32(s, off);
  U32(s, 40);
  U32(s, static_cast<std::uint32_t>(width));
  U32(s, static_cast<std::uint32_t>(height));
  U16(s, 1);
  U16(s, static_cast<std::uint32_t>(bits));
  U32(s, compression);
  U32(s, static_cast<std::uint32_t>(rows.size()));
  U32(s, 3780);
  U32(s, 3780);
  U32(s, static_cast<std::uint32_t>(palette.size()));
  U32(s, 0);
  for (std::uint32_t m : masks) U32(s, m);
  for (std::uint32_t c : palette) U32(s, c);
  return s + rows;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                        kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

struct DepthCase {
  const char* Name;
  std::string File;
  int Bits;
  std::vector<std::uint32_t> Pixels;  // top row first
};

TEST(GraphicsBmp, ReadsEveryDepth) {
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  // 3 x 2 images; rows bottom-up in the file.
  const DepthCase cases[] = {
      {"1 bit",
       Bmp(3, 2, 1, 0, {0x000000, 0xFFFFFF}, Bytes({0xA0, 0, 0, 0, 0x40, 0, 0, 0})),
       1,
       {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite}},
      {"4 bit",
       Bmp(3, 2, 4, 0, palette, Bytes({0x12, 0x30, 0, 0, 0x32, 0x10, 0, 0})),
       4,
       {kBlue, kGreen, kRed, kRed, kGreen, kBlue}},
      {"8 bit",
       Bmp(3, 2, 8, 0, palette, Bytes({1, 2, 3, 0, 3, 3, 0, 0})),
       8,
       {kBlue, kBlue, kBlack, kRed, kGreen, kBlue}},
      {"16 bit 555",
       Bmp(3, 2, 16, 0, {},
           Bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0})),
       16,
       {kWhite, kBlack, kBlack, kRed, kGreen, kBlue}},
      {"16 bit 565 fields",
       Bmp(3, 2, 16, 3, {},
           Bytes({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
           {0xF800, 0x07E0, 0x001F}),
       16,
       {kBlack, kBlack, kBlack, kRed, kGreen, kBlue}},
      {"24 bit",
       Bmp(3, 2, 24, 0, {}, Bytes({0,   0,   255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                                   255, 255, 255, 0, 0,   0, 1,   2, 3, 0, 0, 0})),
       24,
       {kWhite, kBlack, 0xFF030201, kRed, kGreen, kBlue}},
      {"32 bit with alpha",
       Bmp(3, 2, 32, 0, {}, Bytes({0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0,
                                   1, 2, 3,   255, 1, 2,   3, 255, 1,   2, 3, 255})),
       32,
       {0xFF030201, 0xFF030201, 0xFF030201, kRed, 0x8000FF00, 0x000000FF}},
      {"32 bit, alpha byte unused",
       Bmp(3, 2, 32, 0, {},
           Bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
       32,
       {kBlack, kBlack, kBlack, kRed, kGreen, kBlue}},
      {"RLE8",
       Bmp(3, 2, 8, 1, palette, Bytes({3, 1, 0, 0, 0, 3, 2, 3, 2, 0, 0, 1})),
       8,
       {kGreen, kBlue, kGreen, kRed, kRed, kRed}},
      {"RLE4 with delta",
       Bmp(3, 2, 4, 2, palette, Bytes({2, 0x31, 0, 2, 0, 1, 1, 0x20, 0, 1})),
       4,
       {kBlack, kBlack, kGreen, kBlue, kRed, kBlack}},
  };
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TDecodedBmp d = DecodeBmp(c.File);
    EXPECT_EQ(d.BitsPerPixel, c.Bits);
    ASSERT_EQ(d.Image.Width, 3);
    ASSERT_EQ(d.Image.Height, 2);
    EXPECT_EQ(d.Image.Pixels, c.Pixels);
  }
}

TEST(GraphicsBmp, TopDownRowsAndCoreHeader) {
  std::string topDown = Bmp(1, -2, 24, 0, {}, Bytes({0, 0, 255, 0, 255, 0, 0, 0}));
  EXPECT_EQ(DecodeBmp(topDown).Image.Pixels, (std::vector<std::uint32_t>{kRed, kBlue}));

  std::string core = "BM";
  U32(core, 0);
  U32(core, 0);
  U32(core, 14 + 12 + 6);
  U32(core, 12);
  U16(core, 2);
  U16(core, 1);
  U16(core, 1);
  U16(core, 1);
  core += Bytes({0, 0, 0, 255, 255, 255});  // three-byte palette
  core += Bytes({0x40, 0, 0, 0});
  EXPECT_EQ(DecodeBmp(core).Image.Pixels, (std::vector<std::uint32_t>{kBlack, kWhite}));
}

TEST(GraphicsBmp, WriteThenReadRoundTrips) {
  TRasterImage image(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      image.At(x, y) = 0xFF000000u | static_cast<std::uint32_t>(x * 40) << 16 |
                       static_cast<std::uint32_t>(y * 90) << 8 | static_cast<std::uint32_t>(x + y);
  image.At(4, 2) = 0x80123456;
  for (int bits : {24, 32}) {
    SCOPED_TRACE(bits);
    std::string file = EncodeBmp(image, bits);
    EXPECT_EQ(file.size(), 54u + (bits == 24 ? 16u : 20u) * 3);
    TDecodedBmp back = DecodeBmp(file);
    EXPECT_EQ(back.BitsPerPixel, bits);
    TRasterImage expected = image;
    if (bits == 24) expected.At(4, 2) |= 0xFF000000u;
    EXPECT_EQ(back.Image.Pixels, expected.Pixels);
  }

  // Through TBitmap and a stream, keeping the pixel format.
  TBitmap bitmap;
  bitmap.SetImage(image);
  bitmap.SetPixelFormat(pf32bit);
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  stream.SetPosition(0);
  TBitmap loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.PixelFormat(), pf32bit);
  EXPECT_EQ(loaded.Image()->Pixels, image.Pixels);
}

TEST(GraphicsBmp, DamagedFilesRaiseInvalidGraphic) {
  std::string good = Bmp(2, 2, 24, 0, {}, std::string(16, '\0'));
  auto with = [&](std::size_t at, std::string bytes) {
    std::string s = good;
    s.replace(at, bytes.size(), bytes);
    return s;
  };
  std::string u32max = Bytes({0xFF, 0xFF, 0xFF, 0x7F});
  const std::pair<const char*, std::string> damaged[] = {
      {"empty", ""},
      {"short header", good.substr(0, 20)},
      {"bad magic", with(0, "BX")},
      {"truncated rows", good.substr(0, good.size() - 1)},
      {"zero width", with(18, Bytes({0, 0, 0, 0}))},
      {"huge", with(18, u32max)},
      {"huge height", with(22, u32max)},
      {"bad depth", with(28, Bytes({7, 0}))},
      {"bad header size", with(14, Bytes({99, 0, 0, 0}))},
      {"unknown compression", with(30, Bytes({9, 0, 0, 0}))},
      {"RLE8 at 24 bits", with(30, Bytes({1, 0, 0, 0}))},
      {"rows past the end", with(10, Bytes({0xF0, 0xFF, 0, 0}))},
      {"palette too big", Bmp(1, 1, 8, 0, std::vector<std::uint32_t>(300, 0), "\0\0\0\0")},
      {"RLE cut in a run", Bmp(4, 1, 8, 1, {0, 0}, Bytes({0, 4, 1, 1}))},
  };
  for (const auto& [name, bytes] : damaged) {
    SCOPED_TRACE(name);
    try {
      DecodeBmp(bytes);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
  }
  // A failed load leaves the bitmap as it was.
  TBitmap bitmap(4, 4);
  TStringStream stream(good.substr(0, 30));
  EXPECT_THROW(bitmap.LoadFromStream(stream), EInvalidGraphic);
  EXPECT_EQ(bitmap.Width(), 4);
}

TEST(GraphicsIcon, IcoRoundTripKeepsTheMask) {
  TRasterImage image(3, 2, kRed);
  image.At(1, 0) = 0;  // transparent
  TIcon icon;
  icon.SetImage(image);
  TMemoryStream stream;
  icon.SaveToStream(stream);
  stream.SetPosition(0);
  TIcon back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.Image()->Pixels, image.Pixels);
  EXPECT_TRUE(back.Transparent());

  TStringStream bad(std::string("\0\0\1\0\1\0", 6));
  EXPECT_THROW(back.LoadFromStream(bad), EInvalidGraphic);
  EXPECT_THROW(EncodeIco(TRasterImage(300, 2)), EInvalidGraphicOperation);
}

TEST(GraphicsBitmap, SoftwareCanvasDrawsIntoThePixels) {
  TBitmap bitmap(8, 6);
  TRasterImagePtr before = bitmap.Image();
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(1, 1, 3, 3));
  EXPECT_EQ(canvas->Pixels(1, 1), clRed);
  EXPECT_EQ(canvas->Pixels(3, 3), clWhite);
  EXPECT_EQ(before->At(1, 1), kWhite);  // what was handed out does not change

  canvas->Pen()->SetColor(clBlue);
  canvas->MoveTo(0, 5);
  canvas->LineTo(8, 5);
  EXPECT_EQ(canvas->Pixels(7, 5), clBlue);
  canvas->Pen()->SetMode(pmXor);
  canvas->Pen()->SetColor(clWhite);
  canvas->MoveTo(0, 5);
  canvas->LineTo(2, 5);  // the last pixel is left out
  EXPECT_EQ(canvas->Pixels(0, 5), clYellow);
  EXPECT_EQ(canvas->Pixels(2, 5), clBlue);

  // Copying within the same bitmap reads the pixels as they were.
  canvas->CopyRect(Rect(4, 0, 8, 4), *canvas, Rect(0, 0, 4, 4));
  EXPECT_EQ(canvas->Pixels(5, 1), clRed);
  EXPECT_EQ(canvas->Pixels(4, 0), clWhite);

  canvas->IntersectClipRect(Rect(0, 0, 2, 2));
  canvas->Brush()->SetColor(clLime);
  canvas->FillRect(Rect(0, 0, 8, 6));
  EXPECT_EQ(canvas->Pixels(1, 1), clLime);
  EXPECT_EQ(canvas->Pixels(2, 2), clRed);

  bitmap.SetSize(10, 2);  // pixels kept, clip back to the whole surface
  EXPECT_EQ(canvas->ClipRect(), Rect(0, 0, 10, 2));
  EXPECT_EQ(canvas->Pixels(1, 1), clLime);
  EXPECT_EQ(canvas->Pixels(9, 1), clWhite);
  EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphicOperation);
}

TEST(GraphicsBitmap, TransparentDrawingAndAssignment) {
  TBitmap glyph(2, 2);
  glyph.MutableImage().At(0, 0) = kRed;
  glyph.SetTransparent(true);
  EXPECT_EQ(glyph.TransparentColor(), clWhite);  // bottom-left pixel
  TRasterImagePtr drawn = glyph.DrawingImage();
  EXPECT_EQ(drawn->Pixels, (std::vector<std::uint32_t>{kRed, 0, 0, 0}));
  glyph.SetTransparentColor(clRed);
  EXPECT_EQ(glyph.TransparentMode(), tmFixed);
  EXPECT_EQ(glyph.DrawingImage()->Pixels, (std::vector<std::uint32_t>{0, kWhite, kWhite, kWhite}));

  TBitmap target(4, 4);
  target.Canvas()->Brush()->SetColor(clBlue);
  target.Canvas()->FillRect(Rect(0, 0, 4, 4));
  target.Canvas()->Draw(1, 1, &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clBlue);  // red was transparent
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clWhite);

  TBitmap copy;
  copy.Assign(&glyph);
  copy.MutableImage().At(1, 1) = kGreen;  // copy-on-write
  EXPECT_EQ(glyph.Image()->At(1, 1), kWhite);
  TIcon icon;
  icon.Assign(&glyph);
  EXPECT_EQ(icon.Image()->At(0, 0), 0u);
}

TEST(GraphicsPicture, LoadsByExtensionAndHoldsMetafiles) {
  auto dir = std::filesystem::temp_directory_path() / "mebrath_graphics_picture_test";
  std::filesystem::create_directories(dir);
  TBitmap bitmap(3, 2);
  bitmap.SaveToFile((dir / "a.BMP").string());
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  picture.LoadFromFile((dir / "a.BMP").string());
  EXPECT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(changes, 1);
  try {
    picture.LoadFromFile((dir / "a.gif").string());
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.gif)");
  }
  EXPECT_EQ(picture.Height(), 2);
  std::filesystem::remove_all(dir);

  TMetafile* metafile = picture.Metafile();  // replaces the bitmap
  {
    TMetafileCanvas canvas(*metafile);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(Rect(2, 2, 10, 6));
  }
  EXPECT_EQ(metafile->Width(), 10);
  EXPECT_EQ(metafile->Height(), 6);
  TRecordingCanvas target;
  target.Draw(100, 50, metafile);
  ASSERT_EQ(target.Records().size(), 1u);
  EXPECT_EQ(target.Records()[0].Rect, Rect(102, 52, 110, 56));
  EXPECT_EQ(target.Records()[0].Clip.Bounds(), Rect(100, 50, 110, 56));
}

}  // namespace
