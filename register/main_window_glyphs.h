// The main window's tool bar glyphs, drawn by us: 16 rows of 16
// characters each, '#' in the glyph's colour and every other character
// transparent. GUI thread only.
#pragma once

#include "platform/draw/graphics.h"
#include "platform/draw/image_list.h"

struct TToolGlyph {
  TColor Color;
  const char* Rows[16];
};

// One glyph for each tool bar button.
extern const TToolGlyph kGlyphNew, kGlyphOpen, kGlyphImport, kGlyphRefresh, kGlyphInsert,
    kGlyphPost, kGlyphDelete, kGlyphCancel, kGlyphCard, kGlyphPrint, kGlyphExport, kGlyphDetails;

// Adds `glyph` to `images` (16x16) and returns its image index.
int AddToolGlyph(TImageList& images, const TToolGlyph& glyph);
