// Metafiles are turned into SVG by the libraries Debian ships for them
// (libwmf for WMF, libemf2svg for EMF) and the SVG is drawn by QtSvg.
//
// libemf2svg is loaded on first use with its symbols kept to itself: its
// libUEMF exports a wmf_free of its own, which would otherwise take the
// place of libwmf's.
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdint>
#include <string>

#include <dlfcn.h>
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include "platform/qt/qt_services.h"

namespace {

std::uint32_t Get16(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
std::int32_t Get32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(v);
}
void Set32(std::string& b, std::size_t at, std::int64_t value) {
  auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
  for (int i = 0; i < 4; ++i, v >>= 8)
    b[at + static_cast<std::size_t>(i)] = static_cast<char>(v & 0xFF);
}

// libwmf sizes its buffers from the header's counts; they are set from the
// records themselves, which InspectMetafile found to lie inside the file.
// False for a placeable header without units per inch.
bool MendWmfHeader(std::string& wmf, bool placeable) {
  const std::size_t header = placeable ? 22 : 0;
  if (placeable && Get16(wmf, 14) == 0) return false;
  std::size_t at = header + 18;
  std::uint32_t largest = 3;
  while (at + 6 <= wmf.size()) {
    const std::uint64_t words = Get16(wmf, at) | static_cast<std::uint64_t>(Get16(wmf, at + 2))
                                                     << 16;
    if (words < 3 || words * 2 > wmf.size() - at) break;
    largest = std::max(largest, static_cast<std::uint32_t>(words));
    if (Get16(wmf, at + 4) == 0) break;
    at += static_cast<std::size_t>(words * 2);
  }
  Set32(wmf, header + 6, static_cast<std::int64_t>(wmf.size() - header) / 2);  // size in words
  Set32(wmf, header + 12, largest);
  return true;
}

std::string WmfToSvg(std::string_view bytes) {
  const bool placeable = bytes.size() >= 4 && static_cast<unsigned char>(bytes[0]) == 0xD7 &&
                         static_cast<unsigned char>(bytes[1]) == 0xCD &&
                         static_cast<unsigned char>(bytes[2]) == 0xC6 &&
                         static_cast<unsigned char>(bytes[3]) == 0x9A;
  // libwmf reads through a non-const pointer but does not write.
  std::string input(bytes);
  if (!MendWmfHeader(input, placeable)) return {};
  wmfAPI* api = nullptr;
  wmfAPI_Options options{};
  options.function = wmf_svg_function;
  const unsigned long flags =
      WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
    if (api != nullptr) wmf_api_destroy(api);
    return {};
  }
  std::string svg;
  auto* data = WMF_SVG_GetData(api);
  wmfD_Rect box{};
  if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(input.data()),
                   static_cast<long>(input.size())) == wmf_E_None) {
    unsigned int width = 0, height = 0;
    if (wmf_scan(api, 0, &box) == wmf_E_None &&
        wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None && width > 0 && height > 0) {
      data->out = wmf_stream_create(api, nullptr);
      data->Description = const_cast<char*>("mebrath");
      // The scanned box is only what is drawn; the picture is the whole
      // frame. The player's coordinates run from the window origin: in
      // points for a placeable file (its own size, in hundredths of a
      // point, gives the frame), in logical units for a plain one (its
      // window extent is the frame).
      const TMetafileInfo info = InspectMetafile(bytes);
      unsigned int w100 = 0, h100 = 0;
      if (placeable && wmf_display_size(api, &w100, &h100, 7200, 7200) == wmf_E_None && w100 > 0 &&
          h100 > 0) {
        box = {{0, 0}, {static_cast<float>(w100) / 100, static_cast<float>(h100) / 100}};
      } else if (!placeable && info.Width > 0 && info.Height > 0) {
        box = {{0, 0}, {static_cast<float>(info.Width), static_cast<float>(info.Height)}};
      }
      data->bbox = box;
      data->width = width;
      data->height = height;
      const bool played = data->out != nullptr && wmf_play(api, 0, &box) == wmf_E_None;
      char* text = nullptr;
      unsigned long length = 0;
      if (data->out != nullptr) wmf_stream_destroy(api, data->out, &text, &length);
      data->out = nullptr;
      if (played && text != nullptr) svg.assign(text, length);
      // The memory stream's buffer comes from libwmf's allocator.
      if (text != nullptr) wmf_free(api, text);
    }
    wmf_mem_close(api);
  }
  wmf_api_destroy(api);
  return svg;
}

// libemf2svg maps the header's bounds (the box of what was drawn) onto the
// image; the picture is its frame, so the bounds become the frame in the
// reference device's pixels.
void BoundsFromFrame(std::string& emf) {
  const std::int64_t deviceX = Get32(emf, 72), deviceY = Get32(emf, 76);
  const std::int64_t mmX = Get32(emf, 80), mmY = Get32(emf, 84);
  if (deviceX <= 0 || deviceY <= 0 || mmX <= 0 || mmY <= 0) return;
  std::int64_t box[4];
  for (int i = 0; i < 4; ++i) {
    const std::int64_t frame = Get32(emf, 24 + 4 * static_cast<std::size_t>(i));
    const bool x = i % 2 == 0;
    box[i] = frame * (x ? deviceX : deviceY) / ((x ? mmX : mmY) * 100);
  }
  if (box[2] <= box[0] || box[3] <= box[1] || box[2] - box[0] > (1 << 20) ||
      box[3] - box[1] > (1 << 20))
    return;
  for (int i = 0; i < 4; ++i) Set32(emf, 8 + 4 * static_cast<std::size_t>(i), box[i]);
}

// libemf2svg trusts the counts and offsets inside records; libUEMF checks
// each record against its own size first.
// The two functions used from libemf2svg and its libUEMF; null when the
// library cannot be loaded.
struct TEmfLibrary {
  int (*Convert)(char*, size_t, char**, size_t*, generatorOptions*) = nullptr;
  int (*RecordSafe)(const char*) = nullptr;
};

const TEmfLibrary& EmfLibrary() {
  static const TEmfLibrary library = [] {
    TEmfLibrary l;
    void* handle = dlopen("libemf2svg.so.1", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return l;
    l.Convert = reinterpret_cast<decltype(l.Convert)>(dlsym(handle, "emf2svg"));
    l.RecordSafe = reinterpret_cast<decltype(l.RecordSafe)>(dlsym(handle, "U_emf_record_safe"));
    if (l.Convert == nullptr || l.RecordSafe == nullptr) l = {};
    return l;
  }();
  return library;
}

constexpr std::uint32_t kEmrEof = 14;

bool EmfRecordsSafe(const std::string& emf) {
  std::size_t at = 0;
  while (at + 8 <= emf.size()) {
    const auto size = static_cast<std::uint32_t>(Get32(emf, at + 4));
    if (size < 8 || size > emf.size() - at) return false;
    if (EmfLibrary().RecordSafe(emf.data() + at) == 0) return false;
    if (static_cast<std::uint32_t>(Get32(emf, at)) == kEmrEof) return true;
    at += size;
  }
  return false;
}

std::string EmfToSvg(std::string_view bytes, int width, int height) {
  if (EmfLibrary().Convert == nullptr) return {};
  std::string input(bytes);
  if (!EmfRecordsSafe(input)) return {};
  BoundsFromFrame(input);
  // The header's description and pixel format are read without checks and
  // are not needed for drawing.
  for (std::size_t at : {60, 64, 88, 92})
    if (at + 4 <= static_cast<std::size_t>(Get32(input, 4))) Set32(input, at, 0);
  generatorOptions options{};
  options.nameSpace = nullptr;
  options.svgDelimiter = true;
  options.emfplus = true;
  options.imgWidth = width;
  options.imgHeight = height;
  char* out = nullptr;
  size_t length = 0;
  const int ok = EmfLibrary().Convert(input.data(), input.size(), &out, &length, &options);
  std::string svg;
  if (ok != 0 && out != nullptr) svg.assign(out, length);
  free(out);
  return svg;
}

class TQtMetafileRenderer final : public IMetafileRenderer {
 public:
  TRasterImagePtr Render(std::string_view bytes, int width, int height) override {
    const TMetafileInfo info = InspectMetafile(bytes);
    if (info.Kind == TMetafileKind::None || width <= 0 || height <= 0) return nullptr;
    const std::string svg =
        info.Kind == TMetafileKind::Wmf ? WmfToSvg(bytes) : EmfToSvg(bytes, width, height);
    if (svg.empty()) return nullptr;
    return RenderSvg(svg, width, height);
  }
};

}  // namespace

TRasterImagePtr RenderSvg(std::string_view svg, int width, int height) {
  QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
  if (!renderer.isValid() || width <= 0 || height <= 0) return nullptr;
  renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, width, height));
  }
  auto result = std::make_shared<TRasterImage>(width, height);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    std::copy(line, line + width, result->Pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  return result;
}

std::unique_ptr<IMetafileRenderer> MakeQtMetafileRenderer() {
  return std::make_unique<TQtMetafileRenderer>();
}
