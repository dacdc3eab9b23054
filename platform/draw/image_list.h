// Image lists: numbered images of one size, drawn by index (tool buttons,
// grid glyphs, tree and menu icons), with a greyed look for disabled items
// and overlay images drawn on top of others.
//
// Every image is kept with its transparency as alpha (TRasterImage), so a
// mask bitmap (white = transparent) or a mask colour becomes alpha 0 when
// the image is added. Components that show the list's images register a
// TChangeLink to hear of every change; the list tells them when it goes.
//
// The disabled look: each pixel becomes grey (its luminance L turned into
// 96 + L / 2, so dark strokes turn mid-grey and white stays light), alpha
// kept.
//
// GUI thread only.
#pragma once

#include <vector>

#include "platform/base/component.h"
#include "platform/draw/bitmap.h"

class TCustomImageList;

// A registration for a list's change notices. The list sets Sender when
// the link is registered and clears it when the list is destroyed; a link
// destroyed first unregisters itself.
class TChangeLink {
 public:
  TChangeLink() = default;
  virtual ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;

  TCustomImageList* Sender() const { return FSender; }
  // Sent with the list as sender.
  TNotifyEvent OnChange;
  // Calls OnChange.
  virtual void Change();

 private:
  friend class TCustomImageList;
  TCustomImageList* FSender = nullptr;
};

// The overlay slots of a list (0..15).
using TOverlay = int;

class TCustomImageList : public TComponent {
  MEBRATH_CLASS(TCustomImageList, TComponent)
 public:
  ~TCustomImageList() override;

  // The size of every image; 16 x 16 by default. A new size empties the
  // list, as the classic did.
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetWidth(int width) { SetSize(width, FHeight); }
  void SetHeight(int height) { SetSize(FWidth, height); }
  // Sizes below 1 are taken as 1.
  void SetSize(int width, int height);
  int Count() const { return static_cast<int>(FImages.size()); }

  // Adds `image` cut into Width-wide pieces (one piece when it is
  // narrower; each piece cut or padded with transparency to Width x
  // Height). `mask` (may be null) is a bitmap of the same size whose
  // non-black pixels are transparent. Returns the index of the first
  // image added, or -1 for a null or empty image.
  int Add(const TBitmap* image, const TBitmap* mask);
  // As Add, the pixels of `maskColor` being transparent: clDefault means
  // the bitmap's TransparentColor, clNone no transparency.
  int AddMasked(const TBitmap* image, TColor maskColor);
  // Replace the image at `index` with the first piece of `image`. Raise
  // EInvalidOperation "Invalid ImageList Index" for a bad index.
  void Replace(int index, const TBitmap* image, const TBitmap* mask);
  void ReplaceMasked(int index, const TBitmap* image, TColor maskColor);
  // Removes the image at `index` (the later ones move down; overlays that
  // named it are dropped). -1 removes all. Raises EInvalidOperation
  // "Invalid ImageList Index" for another bad index.
  void Delete(int index);
  void Clear();

  // Draws image `index` with its top-left at (x, y); greyed when not
  // `enabled`. A bad index draws nothing.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
  // Makes image `imageIndex` overlay `overlay`. False for a bad index or
  // slot.
  bool Overlay(int imageIndex, TOverlay overlay);
  // Draws image `index` and then the image registered as `overlay` on it.
  void DrawOverlay(TCanvas* canvas, int x, int y, int index, TOverlay overlay, bool enabled = true);
  // Copies image `index` (with its alpha) into `image`, sized Width x
  // Height. False for a bad index.
  bool GetBitmap(int index, TBitmap* image) const;
  // Image `index`, or null for a bad index.
  TRasterImagePtr Image(int index) const;

  // Sent after every change, after the change links.
  TNotifyEvent OnChange;
  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);

 protected:
  explicit TCustomImageList(TComponent* owner) : TComponent(owner) {}
  // Tells the change links, then OnChange.
  virtual void Change();

 private:
  static constexpr int kOverlayCount = 16;

  // `image` cut into pieces of Width x Height, transparency from `mask`
  // or `maskColor` (clNone: none).
  std::vector<TRasterImagePtr> Pieces(const TBitmap& image, const TBitmap* mask,
                                      TColor maskColor) const;
  int AddPieces(std::vector<TRasterImagePtr> pieces);
  void CheckIndex(int index) const;
  TRasterImagePtr Disabled(int index);

  int FWidth = 16;
  int FHeight = 16;
  std::vector<TRasterImagePtr> FImages;
  std::vector<TRasterImagePtr> FDisabled;  // made when first drawn
  int FOverlays[kOverlayCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  std::vector<TChangeLink*> FLinks;
};

class TImageList : public TCustomImageList {
  MEBRATH_CLASS(TImageList, TCustomImageList)
 protected:
  explicit TImageList(TComponent* owner) : TCustomImageList(owner) {}
};
