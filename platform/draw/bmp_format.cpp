#include "platform/draw/bmp_format.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;
constexpr std::int32_t kPixelsPerMeter96Dpi = 3780;
constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;

// Bounds-checked little-endian reads; a read past the end is damage.
class TBytes {
 public:
  TBytes(std::string_view data, const char* error) : FData(data), FError(error) {}

  std::size_t Size() const { return FData.size(); }
  void Need(std::size_t offset, std::size_t count) const {
    if (offset > FData.size() || count > FData.size() - offset) Fail();
  }
  std::uint8_t U8(std::size_t at) const {
    Need(at, 1);
    return static_cast<std::uint8_t>(FData[at]);
  }
  std::uint16_t U16(std::size_t at) const {
    Need(at, 2);
    return static_cast<std::uint16_t>(Raw(at) | Raw(at + 1) << 8);
  }
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4);
    return Raw(at) | Raw(at + 1) << 8 | Raw(at + 2) << 16 | Raw(at + 3) << 24;
  }
  std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  [[noreturn]] void Fail() const { throw EInvalidGraphic(FError); }

 private:
  std::uint32_t Raw(std::size_t at) const {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(FData[at]));
  }
  std::string_view FData;
  const char* FError;
};

void PutU16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

std::uint32_t Argb(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a = 0xFF) {
  return a << 24 | r << 16 | g << 8 | b;
}

// One channel of a bit-field pixel, scaled to 0..255.
struct TChannel {
  std::uint32_t Mask = 0;
  int Shift = 0;
  std::uint64_t Max = 0;

  explicit TChannel(std::uint32_t mask) : Mask(mask) {
    if (mask == 0) return;
    Shift = std::countr_zero(mask);
    Max = (std::uint64_t{1} << std::popcount(mask)) - 1;
  }
  std::uint32_t Get(std::uint32_t px) const {
    if (Mask == 0) return 0;
    std::uint64_t v = (px & Mask) >> Shift;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v * 255 / Max, 255));
  }
};

struct TDibInfo {
  std::int64_t Width = 0;
  std::int64_t Height = 0;  // rows of colour data
  bool TopDown = false;
  int Bits = 0;
  std::uint32_t Compression = kBiRgb;
  std::uint32_t Masks[4] = {0, 0, 0, 0};  // R, G, B, A
  bool HasMasks = false;
  std::vector<std::uint32_t> Palette;
  std::size_t HeaderEnd = 0;  // first byte after header, masks and palette
};

// Reads the info header at `at`. For an icon image the height counts the
// colour rows and the mask rows.
TDibInfo ReadDibHeader(const TBytes& in, std::size_t at, bool icon) {
  TDibInfo info;
  std::uint32_t size = in.U32(at);
  std::size_t paletteEntry = 4;
  if (size == kCoreHeaderSize) {
    info.Width = in.U16(at + 4);
    info.Height = in.U16(at + 6);
    info.Bits = in.U16(at + 10);
    paletteEntry = 3;
  } else if (size >= kInfoHeaderSize && size <= 1024) {
    info.Width = in.I32(at + 4);
    info.Height = in.I32(at + 8);
    info.Bits = in.U16(at + 14);
    info.Compression = in.U32(at + 16);
  } else {
    in.Fail();
  }
  in.Need(at, size);
  std::size_t pos = at + size;
  if (info.Height < 0) {
    info.TopDown = true;
    info.Height = -info.Height;
  }
  if (icon) info.Height /= 2;
  if (info.Width <= 0 || info.Height <= 0 || info.Width > 65535 || info.Height > 65535 ||
      info.Width * info.Height > kMaxImagePixels)
    in.Fail();

  switch (info.Compression) {
    case kBiRgb:
      if (info.Bits != 1 && info.Bits != 4 && info.Bits != 8 && info.Bits != 16 &&
          info.Bits != 24 && info.Bits != 32)
        in.Fail();
      break;
    case kBiRle8:
    case kBiRle4:
      if (info.Bits != (info.Compression == kBiRle8 ? 8 : 4) || info.TopDown || icon) in.Fail();
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (info.Bits != 16 && info.Bits != 32) in.Fail();
      info.HasMasks = true;
      if (size >= 52) {
        for (int i = 0; i < 3; ++i) info.Masks[i] = in.U32(at + 40 + 4 * i);
        if (size >= 56) info.Masks[3] = in.U32(at + 52);
      } else {
        int count = info.Compression == kBiAlphaBitfields ? 4 : 3;
        for (int i = 0; i < count; ++i) info.Masks[i] = in.U32(pos + 4 * i);
        pos += 4 * count;
      }
      break;
    default:
      in.Fail();
  }

  if (info.Bits <= 8) {
    std::uint32_t used = size >= kInfoHeaderSize ? in.U32(at + 32) : 0;
    std::uint32_t count = used == 0 ? 1u << info.Bits : used;
    if (count > 256) in.Fail();
    in.Need(pos, count * paletteEntry);
    for (std::uint32_t i = 0; i < count; ++i, pos += paletteEntry)
      info.Palette.push_back(Argb(in.U8(pos + 2), in.U8(pos + 1), in.U8(pos)));
  }
  info.HeaderEnd = pos;
  return info;
}

std::uint64_t Stride(std::int64_t width, int bits) {
  return (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
}

std::uint32_t PaletteColor(const TDibInfo& info, std::uint32_t index) {
  return index < info.Palette.size() ? info.Palette[index] : kOpaqueBlack;
}

// Uncompressed rows at `at`. Returns whether any 32-bit pixel had alpha.
bool ReadRows(const TBytes& in, std::size_t at, const TDibInfo& info, TRasterImage& image) {
  std::uint64_t stride = Stride(info.Width, info.Bits);
  in.Need(at, stride * static_cast<std::uint64_t>(info.Height));
  std::uint32_t masks[4] = {info.Masks[0], info.Masks[1], info.Masks[2], info.Masks[3]};
  if (!info.HasMasks) {
    if (info.Bits == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    } else {
      masks[0] = 0x00FF0000;
      masks[1] = 0x0000FF00;
      masks[2] = 0x000000FF;
      masks[3] = 0xFF000000;
    }
  }
  TChannel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
  bool anyAlpha = false;
  int w = static_cast<int>(info.Width);
  for (int row = 0; row < image.Height; ++row) {
    int y = info.TopDown ? row : image.Height - 1 - row;
    std::size_t p = at + static_cast<std::size_t>(stride) * row;
    for (int x = 0; x < w; ++x) {
      std::uint32_t px;
      switch (info.Bits) {
        case 1:
          px = PaletteColor(info, (in.U8(p + x / 8) >> (7 - x % 8)) & 1);
          break;
        case 4:
          px = PaletteColor(info, (in.U8(p + x / 2) >> (x % 2 == 0 ? 4 : 0)) & 0xF);
          break;
        case 8:
          px = PaletteColor(info, in.U8(p + x));
          break;
        case 24:
          px = Argb(in.U8(p + 3 * x + 2), in.U8(p + 3 * x + 1), in.U8(p + 3 * x));
          break;
        default: {
          std::uint32_t v = info.Bits == 16 ? in.U16(p + 2 * x) : in.U32(p + 4 * x);
          std::uint32_t alpha = a.Get(v);
          if (alpha != 0) anyAlpha = true;
          px = Argb(r.Get(v), g.Get(v), b.Get(v), masks[3] != 0 ? alpha : 0xFF);
          break;
        }
      }
      image.At(x, y) = px;
    }
  }
  if (masks[3] != 0 && !anyAlpha)  // an unused alpha byte: opaque
    for (std::uint32_t& px : image.Pixels) px |= kOpaqueBlack;
  return anyAlpha;
}

// RLE8 / RLE4 data at `at`. Pixels not set stay opaque black; runs past
// the right edge are clipped.
void ReadRle(const TBytes& in, std::size_t at, const TDibInfo& info, TRasterImage& image) {
  bool four = info.Compression == kBiRle4;
  std::int64_t x = 0;
  std::int64_t y = 0;  // from the bottom
  std::size_t p = at;
  auto put = [&](std::uint32_t index) {
    if (x < image.Width && y < image.Height)
      image.At(static_cast<int>(x), static_cast<int>(image.Height - 1 - y)) =
          PaletteColor(info, index);
    ++x;
  };
  while (p < in.Size() && y < image.Height) {
    std::uint8_t count = in.U8(p);
    std::uint8_t value = in.U8(p + 1);
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? (i % 2 == 0 ? value >> 4 : value & 0xF) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      x += in.U8(p);
      y += in.U8(p + 1);
      p += 2;
    } else {  // absolute run of `value` pixels, padded to a word
      std::size_t bytes = four ? (value + 1u) / 2 : value;
      in.Need(p, bytes);
      for (int i = 0; i < value; ++i) {
        std::uint8_t byte = in.U8(p + (four ? i / 2 : i));
        put(four ? (i % 2 == 0 ? byte >> 4 : byte & 0xF) : byte);
      }
      p += (bytes + 1) & ~std::size_t{1};
    }
  }
}

TRasterImage DecodeDib(const TBytes& in, std::size_t headerAt, std::optional<std::size_t> bitsAt,
                       bool icon, int* bitsPerPixel) {
  TDibInfo info = ReadDibHeader(in, headerAt, icon);
  std::size_t rows = bitsAt.value_or(info.HeaderEnd);
  if (rows < info.HeaderEnd && bitsAt.has_value()) rows = info.HeaderEnd;
  TRasterImage image(static_cast<int>(info.Width), static_cast<int>(info.Height), kOpaqueBlack);
  bool alpha = false;
  if (info.Compression == kBiRle8 || info.Compression == kBiRle4)
    ReadRle(in, rows, info, image);
  else
    alpha = ReadRows(in, rows, info, image);
  if (icon) {
    // The AND mask follows the colour rows; a set bit is transparent. With
    // real alpha the mask is redundant (and often left empty).
    std::size_t maskAt = rows + Stride(info.Width, info.Bits) * info.Height;
    std::uint64_t maskStride = Stride(info.Width, 1);
    bool haveMask = maskAt <= in.Size() && maskStride * info.Height <= in.Size() - maskAt;
    if (!alpha && haveMask) {
      for (int row = 0; row < image.Height; ++row) {
        int y = info.TopDown ? row : image.Height - 1 - row;
        std::size_t p = maskAt + static_cast<std::size_t>(maskStride) * row;
        for (int x = 0; x < image.Width; ++x)
          if ((in.U8(p + x / 8) >> (7 - x % 8)) & 1) image.At(x, y) &= 0x00FFFFFFu;
      }
    }
  }
  if (bitsPerPixel != nullptr) *bitsPerPixel = info.Bits;
  return image;
}

void AppendInfoHeader(std::string& out, int width, int height, int bits, std::uint32_t imageSize) {
  PutU32(out, kInfoHeaderSize);
  PutU32(out, static_cast<std::uint32_t>(width));
  PutU32(out, static_cast<std::uint32_t>(height));
  PutU16(out, 1);
  PutU16(out, static_cast<std::uint32_t>(bits));
  PutU32(out, kBiRgb);
  PutU32(out, imageSize);
  PutU32(out, kPixelsPerMeter96Dpi);
  PutU32(out, kPixelsPerMeter96Dpi);
  PutU32(out, 0);
  PutU32(out, 0);
}

// Colour rows bottom-up, 24 (BGR) or 32 (BGRA) bits.
void AppendRows(std::string& out, const TRasterImage& image, int bits) {
  std::size_t stride = static_cast<std::size_t>(Stride(image.Width, bits));
  for (int y = image.Height - 1; y >= 0; --y) {
    std::size_t start = out.size();
    for (int x = 0; x < image.Width; ++x) {
      std::uint32_t px = image.At(x, y);
      out.push_back(static_cast<char>(px & 0xFF));
      out.push_back(static_cast<char>((px >> 8) & 0xFF));
      out.push_back(static_cast<char>((px >> 16) & 0xFF));
      if (bits == 32) out.push_back(static_cast<char>(px >> 24));
    }
    out.resize(start + stride, '\0');
  }
}

}  // namespace

TDecodedBmp DecodeBmp(std::string_view bytes) {
  TBytes in(bytes, kInvalidBitmap);
  in.Need(0, kFileHeaderSize);
  if (bytes[0] != 'B' || bytes[1] != 'M') in.Fail();
  std::uint32_t offBits = in.U32(10);
  TDecodedBmp result;
  std::optional<std::size_t> rows;
  if (offBits != 0) rows = offBits;
  result.Image = DecodeDib(in, kFileHeaderSize, rows, false, &result.BitsPerPixel);
  return result;
}

std::string EncodeBmp(const TRasterImage& image, int bitsPerPixel) {
  int bits = bitsPerPixel == 32 ? 32 : 24;
  std::uint32_t imageSize = static_cast<std::uint32_t>(Stride(image.Width, bits) * image.Height);
  std::uint32_t offBits = kFileHeaderSize + kInfoHeaderSize;
  std::string out;
  out.reserve(offBits + imageSize);
  out += "BM";
  PutU32(out, offBits + imageSize);
  PutU32(out, 0);
  PutU32(out, offBits);
  AppendInfoHeader(out, image.Width, image.Height, bits, imageSize);
  AppendRows(out, image, bits);
  return out;
}

TRasterImage DecodeIco(std::string_view bytes) {
  TBytes in(bytes, kInvalidIcon);
  if (in.U16(0) != 0 || (in.U16(2) != 1 && in.U16(2) != 2)) in.Fail();
  int count = in.U16(4);
  if (count == 0) in.Fail();
  std::optional<TRasterImage> best;
  for (int i = 0; i < count; ++i) {
    std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
    std::uint32_t size = in.U32(entry + 8);
    std::uint32_t offset = in.U32(entry + 12);
    in.Need(offset, size);
    if (size >= 4 && bytes.substr(offset, 4) == "\x89PNG") continue;  // not ours to decode
    TBytes image(bytes.substr(offset, size), kInvalidIcon);
    TRasterImage decoded = DecodeDib(image, 0, std::nullopt, true, nullptr);
    if (!best || static_cast<long long>(decoded.Width) * decoded.Height >
                     static_cast<long long>(best->Width) * best->Height)
      best = std::move(decoded);
  }
  if (!best) in.Fail();
  return std::move(*best);
}

std::string EncodeIco(const TRasterImage& image) {
  if (image.Width < 1 || image.Width > 256 || image.Height < 1 || image.Height > 256)
    throw EInvalidGraphicOperation("Invalid image size");
  std::uint32_t colourSize = static_cast<std::uint32_t>(Stride(image.Width, 32) * image.Height);
  std::size_t maskStride = static_cast<std::size_t>(Stride(image.Width, 1));
  std::uint32_t maskSize = static_cast<std::uint32_t>(maskStride * image.Height);
  std::uint32_t dibSize = kInfoHeaderSize + colourSize + maskSize;
  std::string out;
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, 1);
  out.push_back(static_cast<char>(image.Width & 0xFF));  // 256 is written as 0
  out.push_back(static_cast<char>(image.Height & 0xFF));
  out.push_back(0);
  out.push_back(0);
  PutU16(out, 1);
  PutU16(out, 32);
  PutU32(out, dibSize);
  PutU32(out, 6 + 16);
  AppendInfoHeader(out, image.Width, image.Height * 2, 32, colourSize + maskSize);
  AppendRows(out, image, 32);
  for (int y = image.Height - 1; y >= 0; --y) {
    std::string row(maskStride, '\0');
    for (int x = 0; x < image.Width; ++x)
      if ((image.At(x, y) >> 24) == 0)
        row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    out += row;
  }
  return out;
}
