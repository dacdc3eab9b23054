#include "platform/draw/metafile_renderer.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace {

// Layouts (little-endian):
//   placeable WMF header, 22 bytes: u32 key 0x9AC6CDD7, u16 handle,
//     4 x i16 bounding box (left, top, right, bottom), u16 units per inch,
//     u32 reserved, u16 checksum
//   WMF header, 18 bytes: u16 type (1 memory, 2 disk), u16 header words
//     (9), u16 version, u32 size in words, u16 objects, u32 largest
//     record, u16 unused; then records: u32 size in words (at least 3),
//     u16 function (0: end of file), parameters
//   EMF: records of u32 type, u32 size in bytes (a multiple of 4, at
//     least 8); the first is the header (type 1): bounds (4 x i32) at 8,
//     frame in hundredths of a millimetre (4 x i32) at 24, signature
//     " EMF" at 40; type 14 ends the file
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr std::uint16_t kWmfSetWindowExt = 0x020C;
constexpr std::uint32_t kEmfHeader = 1;
constexpr std::uint32_t kEmfEof = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520;
constexpr int kMaxSide = 4096;  // rendering size limit, pixels per side
constexpr std::size_t kCacheSize = 8;

std::uint32_t U32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}
std::int32_t I32(std::string_view b, std::size_t at) {
  return static_cast<std::int32_t>(U32(b, at));
}
std::int16_t I16(std::string_view b, std::size_t at) {
  return static_cast<std::int16_t>(U16(b, at));
}

// Pixels at 96 dpi for `units` of which `perInch` make an inch.
int Pixels(long long units, long long perInch) {
  if (perInch <= 0) return 0;
  const long long px = (std::llabs(units) * 96 + perInch / 2) / perInch;
  return static_cast<int>(std::min<long long>(px, 1 << 20));
}

TMetafileInfo InspectWmf(std::string_view b) {
  TMetafileInfo info;
  std::size_t at = 0;
  bool placeable = false;
  if (b.size() >= kPlaceableSize && U32(b, 0) == kPlaceableKey) {
    placeable = true;
    const int inch = U16(b, 14);
    info.Width = Pixels(static_cast<long long>(I16(b, 10)) - I16(b, 6), inch);
    info.Height = Pixels(static_cast<long long>(I16(b, 12)) - I16(b, 8), inch);
    at = kPlaceableSize;
  }
  if (b.size() < at + kWmfHeaderSize) return {};
  const std::uint16_t type = U16(b, at);
  if ((type != 1 && type != 2) || U16(b, at + 2) != 9) return {};
  at += kWmfHeaderSize;
  bool ended = false;
  while (at + 6 <= b.size()) {
    const std::uint64_t size = static_cast<std::uint64_t>(U32(b, at)) * 2;
    const std::uint16_t function = U16(b, at + 4);
    if (size < 6 || size > b.size() - at) return {};
    if (function == 0) {
      ended = true;
      break;
    }
    if (!placeable && function == kWmfSetWindowExt && size >= 10) {
      info.Height = std::abs(I16(b, at + 6));
      info.Width = std::abs(I16(b, at + 8));
    }
    at += static_cast<std::size_t>(size);
  }
  if (!ended && at != b.size()) return {};
  info.Kind = TMetafileKind::Wmf;
  return info;
}

TMetafileInfo InspectEmf(std::string_view b) {
  if (b.size() < 88 || U32(b, 0) != kEmfHeader || U32(b, 40) != kEmfSignature) return {};
  TMetafileInfo info;
  info.Width = Pixels(static_cast<long long>(I32(b, 32)) - I32(b, 24), 2540);
  info.Height = Pixels(static_cast<long long>(I32(b, 36)) - I32(b, 28), 2540);
  std::size_t at = 0;
  bool ended = false;
  while (at + 8 <= b.size()) {
    const std::uint32_t type = U32(b, at);
    const std::uint32_t size = U32(b, at + 4);
    if (size < 8 || size % 4 != 0 || size > b.size() - at) return {};
    if ((at == 0) != (type == kEmfHeader)) return {};
    at += size;
    if (type == kEmfEof) {
      ended = true;
      break;
    }
  }
  if (!ended) return {};
  info.Kind = TMetafileKind::Emf;
  return info;
}

std::unique_ptr<IMetafileRenderer>& Renderer() {
  static std::unique_ptr<IMetafileRenderer> renderer;
  return renderer;
}

struct TCached {
  std::size_t Hash;
  std::size_t Size;
  int Width, Height;
  const IMetafileRenderer* By;
  TRasterImagePtr Image;
};

std::deque<TCached>& Cache() {
  static std::deque<TCached> cache;
  return cache;
}

}  // namespace

TMetafileInfo InspectMetafile(std::string_view bytes) {
  if (bytes.size() >= 4 && U32(bytes, 0) == kEmfHeader) return InspectEmf(bytes);
  return InspectWmf(bytes);
}

std::unique_ptr<IMetafileRenderer> SetMetafileRenderer(
    std::unique_ptr<IMetafileRenderer> renderer) {
  Cache().clear();
  std::swap(Renderer(), renderer);
  return renderer;
}

IMetafileRenderer* MetafileRenderer() { return Renderer().get(); }

void DrawMetafile(TCanvas& canvas, const TRect& rect, std::string_view bytes) {
  IMetafileRenderer* renderer = MetafileRenderer();
  if (renderer == nullptr) return;
  const TRect device = canvas.LogicalToDevice(rect);
  if (IsRectEmpty(device)) return;
  if (InspectMetafile(bytes).Kind == TMetafileKind::None) return;
  // Very large targets are rendered smaller and stretched by the canvas.
  const double fit =
      std::min(1.0, static_cast<double>(kMaxSide) / std::max(device.Width(), device.Height()));
  const int width = std::max(1, static_cast<int>(device.Width() * fit));
  const int height = std::max(1, static_cast<int>(device.Height() * fit));
  const std::size_t hash = std::hash<std::string_view>()(bytes);
  std::deque<TCached>& cache = Cache();
  auto it = std::find_if(cache.begin(), cache.end(), [&](const TCached& c) {
    return c.Hash == hash && c.Size == bytes.size() && c.Width == width && c.Height == height &&
           c.By == renderer;
  });
  TRasterImagePtr image;
  if (it != cache.end()) {
    image = it->Image;
  } else {
    image = renderer->Render(bytes, width, height);
    if (!image) return;
    cache.push_front({hash, bytes.size(), width, height, renderer, image});
    if (cache.size() > kCacheSize) cache.pop_back();
  }
  canvas.DrawImage(rect, image, Rect(0, 0, image->Width, image->Height));
}
