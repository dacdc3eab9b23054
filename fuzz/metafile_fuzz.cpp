// Metafile pictures come from outside inside report templates and blob
// fields: arbitrary bytes must never crash the structure check or the
// renderer that plays them (libwmf or libemf2svg, then QtSvg). Accepted
// files render at a small size; everything else is refused quietly.
//
// The renderer is compiled in from platform/qt, with only what it needs.
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/qt/qt_metafile.cpp"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto renderer = MakeQtMetafileRenderer();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TMetafileInfo info = InspectMetafile(bytes);
  if (info.Kind == TMetafileKind::None) return 0;
  if (info.Width < 0 || info.Height < 0) std::abort();
  if (TRasterImagePtr image = renderer->Render(bytes, 40, 30)) {
    if (image->Width != 40 || image->Height != 30 || image->Pixels.size() != 40u * 30u)
      std::abort();
  }
  return 0;
}
