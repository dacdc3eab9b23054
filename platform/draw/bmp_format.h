// The BMP and ICO file formats: decoding bytes from outside into pixels
// and encoding pixels back. Plain functions on memory; no canvas, no
// window system, safe from any thread.
//
// BMP layout (little-endian):
//   file header, 14 bytes: "BM", file size u32, reserved u32, offset of the
//     pixel rows u32
//   info header: 12 bytes (OS/2 core: width, height u16, planes, bits u16)
//     or 40+ bytes (width, height i32 (negative: rows top-down), planes u16,
//     bits u16, compression u32, image size u32, resolution 2 x i32, colours
//     used u32, colours important u32, then in 52+/56+ byte headers the RGB
//     and alpha masks)
//   masks (BI_BITFIELDS with a 40-byte header), palette (4 bytes per entry,
//     3 for the core header), then the rows, bottom-up unless the height is
//     negative, each padded to 4 bytes.
// Read: 1, 4, 8 bits with a palette (uncompressed, and RLE8 / RLE4), 16 bits
// (5-5-5 or bit fields), 24 bits, 32 bits (the fourth byte is alpha unless
// it is zero everywhere; bit fields honoured). Written: 24 or 32 bits, a
// 40-byte header, bottom-up, 96 dpi.
//
// ICO: a 6-byte directory header (0, type 1, count), 16-byte entries, each
// image a DIB without file header whose height counts twice (colour rows,
// then a 1-bit AND mask, both bottom-up). Read: the largest DIB image (PNG
// images inside icons are skipped). Written: one 32-bit image with its mask.
//
// Anything damaged (truncated, inconsistent, absurd sizes) raises
// EInvalidGraphic and nothing else: these bytes come from files.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/exceptions.h"
#include "platform/draw/raster_image.h"

// A graphic file that cannot be read.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// An operation a graphic does not allow (a bad scan line, a bad index).
class EInvalidGraphicOperation : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kInvalidBitmap = "Bitmap image is not valid";
inline constexpr const char* kInvalidIcon = "Icon image is not valid";

// The largest image accepted, in pixels (width and height are each at most
// 65535 as well).
inline constexpr long long kMaxImagePixels = 1LL << 24;

struct TDecodedBmp {
  TRasterImage Image;
  int BitsPerPixel = 24;  // as stored in the file
};

// Decodes a whole BMP file. Raises EInvalidGraphic kInvalidBitmap.
TDecodedBmp DecodeBmp(std::string_view bytes);
// A BMP file of `image` with 24 bits (alpha dropped) or 32 bits (BGRA) per
// pixel; any other `bitsPerPixel` is taken as 24.
std::string EncodeBmp(const TRasterImage& image, int bitsPerPixel);

// Decodes the largest image of an ICO file; the AND mask becomes alpha 0.
// Raises EInvalidGraphic kInvalidIcon.
TRasterImage DecodeIco(std::string_view bytes);
// An ICO file with `image` as one 32-bit image. REQUIRES: 1..256 pixels
// wide and high (raises EInvalidGraphicOperation otherwise).
std::string EncodeIco(const TRasterImage& image);
