// Windows metafile pictures (WMF, with or without the placeable header,
// and EMF) kept as their file bytes, and the service that draws them.
//
// InspectMetafile checks a file's structure (its header and the chain of
// records lying inside the bytes) and reads its natural size. Drawing needs
// a renderer: the Qt layer registers one (InstallQtServices, at the
// program's start-up) that plays the records into an ARGB image of the
// size asked for; without one (tests, headless tools)
// metafiles draw nothing. DrawMetafile renders at the device size of the
// target rectangle, so the preview's zoom and the printer's resolution get
// sharp pictures; the last few renderings are kept for repaints.
//
// GUI thread only.
#pragma once

#include <memory>
#include <string_view>

#include "platform/draw/canvas.h"
#include "platform/draw/raster_image.h"

enum class TMetafileKind { None, Wmf, Emf };

struct TMetafileInfo {
  TMetafileKind Kind = TMetafileKind::None;
  // The picture's own size in pixels at 96 dots per inch: a placeable WMF's
  // bounding box in its units per inch, an EMF's frame (hundredths of a
  // millimetre), a plain WMF's window extent; 0 when it names none.
  int Width = 0;
  int Height = 0;
};

// The kind and size of `bytes`; Kind None when they are no well-formed
// metafile (a bad header, or a record reaching past the end).
TMetafileInfo InspectMetafile(std::string_view bytes);

class IMetafileRenderer {
 public:
  virtual ~IMetafileRenderer() = default;
  // The metafile stretched over a width x height image, transparent where
  // it draws nothing; nullptr when it cannot be rendered.
  // REQUIRES: InspectMetafile(bytes) accepted it; width, height > 0.
  virtual TRasterImagePtr Render(std::string_view bytes, int width, int height) = 0;
};

// Installs the renderer (null: metafiles are not drawn); returns the old.
std::unique_ptr<IMetafileRenderer> SetMetafileRenderer(std::unique_ptr<IMetafileRenderer> renderer);
IMetafileRenderer* MetafileRenderer();

// Draws the metafile stretched into `rect` (logical coordinates). Nothing
// for bytes InspectMetafile refuses, without a renderer, or when it fails.
void DrawMetafile(TCanvas& canvas, const TRect& rect, std::string_view bytes);
