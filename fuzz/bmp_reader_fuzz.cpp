// Bytes from outside must never crash the BMP and ICO readers: every input
// either decodes or raises EInvalidGraphic. Decoded images are written back
// and must decode again to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/draw/bmp_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    TDecodedBmp decoded = DecodeBmp(bytes);
    if (decoded.Image.Width <= 0 || decoded.Image.Height <= 0 ||
        decoded.Image.Pixels.size() !=
            static_cast<std::size_t>(decoded.Image.Width) * decoded.Image.Height)
      std::abort();
    TDecodedBmp again = DecodeBmp(EncodeBmp(decoded.Image, 32));
    if (again.Image.Pixels != decoded.Image.Pixels) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  try {
    TRasterImage icon = DecodeIco(bytes);
    if (icon.Pixels.size() != static_cast<std::size_t>(icon.Width) * icon.Height) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
