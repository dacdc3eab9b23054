// The report windows' own flat buttons, the glyph cache they share, the
// tool-bar button and separator, and the store of window positions.
//
// TfrSpeedButton is the platform's speed button (grouping, AllowAllUp,
// Flat hover border, the click on release) with its glyph kept in a cache
// shared by all buttons: one image list per image size, each slot marked in
// use or free. A button's images take slots when its glyph is set and give
// them back when the glyph changes or the button goes. The cache lives
// while some glyph object exists or some list is in use; the drawing
// resources all buttons share (the checked-face pattern) live while some
// button exists.
//
// SaveFormPosition / RestoreFormPosition keep a form's bounds under
// "Software\Ordvik\Form\<class name>" in the settings store. GUI thread
// only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/image_list.h"
#include "platform/gui/forms.h"
#include "platform/widgets/std_buttons.h"

// One image list of the cache, with the slots in use.
class TfrGlyphList : public TImageList {
  MEBRATH_CLASS(TfrGlyphList, TImageList)
 public:
  // Puts `image` (transparent where `maskColor`) into a free slot.
  int AddMasked(const TBitmap* image, TColor maskColor);
  void Delete(int index);
  int UsedCount() const { return FUsed; }

 protected:
  TfrGlyphList(TComponent* owner, int width, int height);

 private:
  std::vector<bool> FSlots;
  int FUsed = 0;
};

class TfrGlyphCache {
 public:
  // The list for images of this size, made when missing.
  TfrGlyphList* GetList(int width, int height);
  // Frees `list` once no slot of it is in use.
  void ReturnList(TfrGlyphList* list);
  bool Empty() const { return FLists.empty(); }
  int ListCount() const { return static_cast<int>(FLists.size()); }
  ~TfrGlyphCache();

 private:
  std::vector<TfrGlyphList*> FLists;
};

// The cache while it exists (null otherwise).
TfrGlyphCache* frGlyphCache();
// Buttons alive, and whether their shared drawing resources exist.
int frButtonCount();
bool frButtonResourcesExist();

enum TfrGlyphImage { giUp, giDisabled, giDown, giExclusive };

// The images a button derives from its glyph, held in the cache.
class TfrButtonGlyph {
 public:
  TfrButtonGlyph();
  ~TfrButtonGlyph();
  TfrButtonGlyph(const TfrButtonGlyph&) = delete;
  TfrButtonGlyph& operator=(const TfrButtonGlyph&) = delete;

  TBitmap* Glyph() const { return FOriginal.get(); }
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  TSize ImageSize() const;
  // Draws the image of `state` at `pos`; a missing disabled image is the
  // up image greyed, other missing ones the up image. `grey` greys it.
  void Draw(TCanvas& canvas, TPoint pos, TfrGlyphImage state, bool grey);
  // The slot of an image in the cache, -1 when not made.
  int Index(TfrGlyphImage state) const { return FIndexes[state]; }

 private:
  void Invalidate();
  void Make();

  std::unique_ptr<TBitmap> FOriginal;
  int FNumGlyphs = 1;
  TfrGlyphList* FList = nullptr;
  int FIndexes[4] = {-1, -1, -1, -1};
};

class TfrSpeedButton : public TSpeedButton {
  MEBRATH_CLASS(TfrSpeedButton, TSpeedButton)
 public:
  TBitmap* Glyph() const { return FFrGlyph.Glyph(); }
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return FFrGlyph.NumGlyphs(); }
  void SetNumGlyphs(int value);
  // Glyphs are greyed while the pointer is away (flat tool bars).
  bool GrayedInactive() const { return FGrayedInactive; }
  void SetGrayedInactive(bool value);
  const TfrButtonGlyph& ButtonGlyph() const { return FFrGlyph; }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // TControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TfrSpeedButton(TComponent* owner);
  ~TfrSpeedButton() override;
  // TSpeedButton
  void PaintFace(TCanvas& canvas, TRect& rect) override;
  void PaintContent(TCanvas& canvas, const TRect& rect, TPoint offset) override;

 private:
  TfrButtonGlyph FFrGlyph;
  bool FGrayedInactive = true;
};

// A speed button of a tool bar: flat.
class TfrTBButton : public TfrSpeedButton {
  MEBRATH_CLASS(TfrTBButton, TfrSpeedButton)
 protected:
  explicit TfrTBButton(TComponent* owner);
};

// A gap between tool-bar groups with an etched line across its middle.
class TfrTBSeparator : public TGraphicControl {
  MEBRATH_CLASS(TfrTBSeparator, TGraphicControl)
 public:
  bool DrawBevel() const { return FDrawBevel; }
  void SetDrawBevel(bool value);

 protected:
  explicit TfrTBSeparator(TComponent* owner);
  void Paint() override;

 private:
  bool FDrawBevel = true;
};

// Saves `form`'s position, size and whether it is maximized.
void SaveFormPosition(TCustomForm* form);
// Puts back what SaveFormPosition kept: the normal state unless saved
// maximized, then the bounds (each value missing keeps the form's own),
// moved and shrunk to lie on the screen's work area.
void RestoreFormPosition(TCustomForm* form);
