#include "platform/draw/image_list.h"

#include <algorithm>

// --- TChangeLink ----------------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (FSender != nullptr) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

// --- TCustomImageList -------------------------------------------------------------

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : FLinks) link->FSender = nullptr;
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (link == nullptr || link->FSender == this) return;
  if (link->FSender != nullptr) link->FSender->UnRegisterChanges(link);
  link->FSender = this;
  FLinks.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  auto it = std::find(FLinks.begin(), FLinks.end(), link);
  if (it == FLinks.end()) return;
  FLinks.erase(it);
  link->FSender = nullptr;
}

void TCustomImageList::Change() {
  // A handler may unregister links: walk a copy.
  std::vector<TChangeLink*> links = FLinks;
  for (TChangeLink* link : links)
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->Change();
  if (OnChange) OnChange(this);
}

void TCustomImageList::SetSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  FImages.clear();
  FDisabled.clear();
  std::fill(std::begin(FOverlays), std::end(FOverlays), -1);
  Change();
}

std::vector<TRasterImagePtr> TCustomImageList::Pieces(const TBitmap& image, const TBitmap* mask,
                                                      TColor maskColor) const {
  TRasterImagePtr src = image.Image();
  TRasterImagePtr maskImage = mask != nullptr ? mask->Image() : nullptr;
  if (maskColor == clDefault) maskColor = image.TransparentColor();
  bool byColor = maskColor != clNone;
  std::uint32_t key = ColorToArgb(maskColor) & 0x00FFFFFFu;
  int count = std::max(src->Width / FWidth, 1);
  std::vector<TRasterImagePtr> pieces;
  for (int n = 0; n < count; ++n) {
    auto piece = std::make_shared<TRasterImage>(FWidth, FHeight, 0);
    int left = n * FWidth;
    for (int y = 0; y < std::min(FHeight, src->Height); ++y) {
      for (int x = 0; x < std::min(FWidth, src->Width - left); ++x) {
        std::uint32_t px = src->At(left + x, y);
        bool clear = byColor && (px & 0x00FFFFFFu) == key;
        if (maskImage && left + x < maskImage->Width && y < maskImage->Height)
          clear = clear || (maskImage->At(left + x, y) & 0x00FFFFFFu) != 0;
        piece->At(x, y) = clear ? 0 : px;
      }
    }
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

int TCustomImageList::AddPieces(std::vector<TRasterImagePtr> pieces) {
  int first = Count();
  for (TRasterImagePtr& piece : pieces) FImages.push_back(std::move(piece));
  FDisabled.resize(FImages.size());
  Change();
  return first;
}

int TCustomImageList::Add(const TBitmap* image, const TBitmap* mask) {
  if (image == nullptr || image->Empty()) return -1;
  return AddPieces(Pieces(*image, mask, clNone));
}

int TCustomImageList::AddMasked(const TBitmap* image, TColor maskColor) {
  if (image == nullptr || image->Empty()) return -1;
  return AddPieces(Pieces(*image, nullptr, maskColor));
}

void TCustomImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

void TCustomImageList::Replace(int index, const TBitmap* image, const TBitmap* mask) {
  CheckIndex(index);
  if (image == nullptr || image->Empty()) return;
  FImages[index] = Pieces(*image, mask, clNone).front();
  FDisabled[index] = nullptr;
  Change();
}

void TCustomImageList::ReplaceMasked(int index, const TBitmap* image, TColor maskColor) {
  CheckIndex(index);
  if (image == nullptr || image->Empty()) return;
  FImages[index] = Pieces(*image, nullptr, maskColor).front();
  FDisabled[index] = nullptr;
  Change();
}

void TCustomImageList::Delete(int index) {
  if (index == -1) {
    Clear();
    return;
  }
  CheckIndex(index);
  FImages.erase(FImages.begin() + index);
  FDisabled.erase(FDisabled.begin() + index);
  for (int& overlay : FOverlays) {
    if (overlay == index)
      overlay = -1;
    else if (overlay > index)
      --overlay;
  }
  Change();
}

void TCustomImageList::Clear() {
  FImages.clear();
  FDisabled.clear();
  std::fill(std::begin(FOverlays), std::end(FOverlays), -1);
  Change();
}

TRasterImagePtr TCustomImageList::Image(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return FImages[index];
}

TRasterImagePtr TCustomImageList::Disabled(int index) {
  if (!FDisabled[index]) {
    auto grey = std::make_shared<TRasterImage>(*FImages[index]);
    for (std::uint32_t& px : grey->Pixels) {
      std::uint32_t r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
      std::uint32_t l = (r * 299 + g * 587 + b * 114) / 1000;
      std::uint32_t v = 96 + l / 2;
      px = (px & 0xFF000000u) | v << 16 | v << 8 | v;
    }
    FDisabled[index] = std::move(grey);
  }
  return FDisabled[index];
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
  if (canvas == nullptr || index < 0 || index >= Count()) return;
  TRasterImagePtr image = enabled ? FImages[index] : Disabled(index);
  canvas->DrawImage(Bounds(x, y, FWidth, FHeight), image, Rect(0, 0, FWidth, FHeight));
}

bool TCustomImageList::Overlay(int imageIndex, TOverlay overlay) {
  if (imageIndex < 0 || imageIndex >= Count() || overlay < 0 || overlay >= kOverlayCount)
    return false;
  FOverlays[overlay] = imageIndex;
  return true;
}

void TCustomImageList::DrawOverlay(TCanvas* canvas, int x, int y, int index, TOverlay overlay,
                                   bool enabled) {
  Draw(canvas, x, y, index, enabled);
  if (overlay >= 0 && overlay < kOverlayCount && index >= 0 && index < Count())
    Draw(canvas, x, y, FOverlays[overlay], enabled);
}

bool TCustomImageList::GetBitmap(int index, TBitmap* image) const {
  if (image == nullptr || index < 0 || index >= Count()) return false;
  image->SetImage(*FImages[index]);
  image->SetPixelFormat(pf32bit);
  return true;
}
