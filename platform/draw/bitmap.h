// Graphics that can be drawn on a canvas and kept in files: TGraphic, and
// its kinds TBitmap (pixels, BMP files), TIcon (pixels with a mask, ICO
// files), TMetafile (a recording, drawn by replaying it), plus TPicture,
// which holds one graphic of any kind.
//
// A bitmap keeps 32-bit pixels (TRasterImage, shared copy-on-write with
// recordings and image lists, so handing out Image() is cheap and later
// drawing never changes what was handed out). PixelFormat is remembered for
// saving: pf32bit saves 32 bits per pixel, every other format 24.
//
// Bitmap canvases. Canvas() draws into the pixels. InstallQtHost registers a
// factory (SetRasterCanvasFactory) for real drawing; such a canvas must take
// the pixels through MutableImage() at each primitive, as the bitmap may
// have been resized or its image shared in between. With no factory the
// bitmap uses a software canvas of ours: rectangles, lines (with pen styles
// and modes), polygons, ellipses and arcs (as polygons), pixels and images
// (nearest-neighbour stretch, alpha blending); it measures text with the
// fixed metrics of TRecordingCanvas and draws no glyphs.
//
// GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/object.h"
#include "platform/base/stream.h"
#include "platform/draw/bmp_format.h"
#include "platform/draw/canvas.h"
#include "platform/draw/recording_canvas.h"

// Something with a size that draws itself into a rectangle of a canvas and
// can be read from and written to a stream.
class TGraphic : public TPersistent {
  MEBRATH_CLASS(TGraphic, TPersistent)
 public:
  // Sent after the graphic changed (size, contents loaded, transparency).
  TNotifyEvent OnChange;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }
  // Whether Draw leaves some pixels alone (a bitmap's transparent colour).
  virtual bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool value);
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

  // Reads the graphic from the stream's position to its end. Raises
  // EInvalidGraphic when the bytes are not a valid file of this kind; the
  // graphic is then unchanged.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  // As above through a file; EFOpenError/EFCreateError when it cannot be
  // opened or created.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // A new graphic of the same kind with the same contents.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

 protected:
  friend class TCanvas;
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;
  // Draws the whole graphic stretched into `rect` (logical coordinates).
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
  // Marks the graphic modified and sends OnChange.
  void Changed();

 private:
  bool FTransparent = false;
  bool FModified = false;
};

enum TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
  MEBRATH_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  // A white bitmap of the given size.
  TBitmap(int width, int height);
  ~TBitmap() override;

  int Width() const override { return FImage->Width; }
  int Height() const override { return FImage->Height; }
  // Resizing keeps the pixels that remain inside; new pixels are white.
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat format) { FPixelFormat = format; }

  // tmAuto: the bottom-left pixel's colour (clNone when empty); tmFixed:
  // the colour set. Setting a colour other than clDefault makes the mode
  // tmFixed; clDefault makes it tmAuto.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode mode);

  // The pixels of row `row` (0 = top), Width() of them, 0xAARRGGBB.
  // Raises EInvalidGraphicOperation "Scan line index out of range". The
  // pointer is valid until the next resize, load or Image() hand-out
  // followed by a write.
  std::uint32_t* ScanLine(int row);
  const std::uint32_t* ScanLine(int row) const;

  // The pixels, shared read-only.
  TRasterImagePtr Image() const { return FImage; }
  // The pixels for writing, first copied if anyone else holds them.
  TRasterImage& MutableImage();
  // Replaces the pixels.
  void SetImage(TRasterImage image);
  // The pixels with the transparent colour made fully transparent when
  // Transparent(); otherwise Image().
  TRasterImagePtr DrawingImage() const;

  // Draws into the pixels; owned by the bitmap.
  TCanvas* Canvas();

  // From a TBitmap (shares its pixels), a TIcon (its pixels with alpha).
  void Assign(const TPersistent* source) override;
  // BMP files (bmp_format.h).
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  std::shared_ptr<TRasterImage> FImage;
  TPixelFormat FPixelFormat = pfDevice;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  std::unique_ptr<TCanvas> FCanvas;
};

using TRasterCanvasFactory = std::function<std::unique_ptr<TCanvas>(TBitmap& bitmap)>;
// Registers how bitmaps make their canvases from now on (empty: our
// software canvas). Canvases already made stay.
void SetRasterCanvasFactory(TRasterCanvasFactory factory);

// A picture with a mask, drawn with its transparent parts left alone.
class TIcon : public TGraphic {
  MEBRATH_CLASS(TIcon, TGraphic)
 public:
  TIcon();

  int Width() const override { return FImage->Width; }
  int Height() const override { return FImage->Height; }
  bool Transparent() const override { return true; }
  // Pixels with alpha 0 where the mask is set.
  TRasterImagePtr Image() const { return FImage; }
  void SetImage(TRasterImage image);

  // From a TIcon, or a TBitmap (its drawing image: a transparent bitmap's
  // transparent colour becomes the mask).
  void Assign(const TPersistent* source) override;
  // ICO files (bmp_format.h).
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  TRasterImagePtr FImage;
};

// A recorded drawing: the records of a TRecordingCanvas with a size. Drawn
// by replaying the records moved to the target rectangle's top-left and
// clipped to it (not stretched). Metafiles live in memory only.
class TMetafile : public TGraphic {
  MEBRATH_CLASS(TMetafile, TGraphic)
 public:
  TMetafile() = default;

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetSize(int width, int height);
  const std::vector<TCanvasRecord>& Records() const { return FRecords; }
  void SetRecords(std::vector<TCanvasRecord> records);
  void Clear();

  void Assign(const TPersistent* source) override;
  // Raise EInvalidGraphicOperation "Metafiles cannot be read or written".
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  std::vector<TCanvasRecord> FRecords;
  int FWidth = 0;
  int FHeight = 0;
};

// A canvas that records into a metafile: when it is destroyed its records
// are added to the metafile's, and a metafile without a size takes the
// bounds of everything recorded.
class TMetafileCanvas : public TRecordingCanvas {
 public:
  explicit TMetafileCanvas(TMetafile& metafile) : FMetafile(metafile) {}
  ~TMetafileCanvas() override;

 private:
  TMetafile& FMetafile;
};

// Holds one graphic of any kind (or none).
class TPicture : public TPersistent {
  MEBRATH_CLASS(TPicture, TPersistent)
 public:
  TPicture() = default;
  ~TPicture() override;

  // Sent after the graphic was replaced or changed.
  TNotifyEvent OnChange;

  // The graphic, or null; owned by the picture.
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Replaces the graphic with a copy of `graphic` (null: none).
  void SetGraphic(const TGraphic* graphic);
  // The graphic as a bitmap / icon / metafile; a graphic of another kind is
  // first replaced by an empty one.
  TBitmap* Bitmap();
  TIcon* Icon();
  TMetafile* Metafile();
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // By the extension, case ignored: .bmp and .dib a bitmap, .ico an icon.
  // Raises EInvalidGraphic "Unknown picture file extension (.ext)" for
  // others, and what the graphic raises; the picture is then unchanged.
  void LoadFromFile(const std::string& fileName);
  // Raises EInvalidGraphicOperation when there is no graphic.
  void SaveToFile(const std::string& fileName) const;

  // From a TPicture or a TGraphic (copied), or null (emptied).
  void Assign(const TPersistent* source) override;

 private:
  void Replace(std::unique_ptr<TGraphic> graphic);
  template <class T>
  T* As();

  std::unique_ptr<TGraphic> FGraphic;
};
