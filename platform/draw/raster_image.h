// TRasterImage: pixels in memory, shared read-only between bitmaps, image
// lists and recordings. Any thread (it is plain data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Rows top to bottom, each pixel 0xAARRGGBB (alpha not premultiplied; 0 is
// fully transparent).
struct TRasterImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // Width * Height

  TRasterImage() = default;
  // Negative sizes are taken as 0.
  TRasterImage(int width, int height, std::uint32_t fill = 0)
      : Width(width > 0 ? width : 0),
        Height(height > 0 ? height : 0),
        Pixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), fill) {}
  // REQUIRES: 0 <= x < Width, 0 <= y < Height.
  std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
  std::uint32_t& At(int x, int y) { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};
using TRasterImagePtr = std::shared_ptr<const TRasterImage>;
