// Drawing routines of the grid's cells: text with alignment, layout,
// wrapping and ellipsis, vertical captions, images placed in a cell and
// in-cell edit buttons. Every grid cell and the multi-level titles draw
// through these. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "controls/edit_buttons.h"
#include "platform/base/ui_enums.h"
#include "platform/draw/canvas.h"
#include "platform/draw/graphics.h"
#include "platform/draw/image_list.h"
#include "platform/widgets/std_labels.h"

// The DrawText flags of a cell text: no prefix, tabs expanded, the
// alignment, word breaks with `wordWrap`, an ellipsis with `endEllipsis`.
unsigned DrawTextEhFlags(TAlignment alignment, bool wordWrap, bool endEllipsis);

// Draws `text` in `rect` shrunk by the margins dx (each side) and dy (top);
// centre and bottom layouts measure the text first and move it down. With
// a horizontal margin the bottom grows by one pixel.
void WriteTextEh(TCanvas& canvas, const TRect& rect, int dx, int dy, std::string_view text,
                 TAlignment alignment, TTextLayout layout, bool wordWrap, bool endEllipsis);

// Paints the first `count` characters of `text` over what WriteTextEh drew
// in `rect` (its first line, placed as a single line), on `background` in
// `textColor`: the match of an incremental search.
void WriteTextPrefixEh(TCanvas& canvas, const TRect& rect, int dx, int dy, std::string_view text,
                       int count, TAlignment alignment, TTextLayout layout, TColor background,
                       TColor textColor);

// `text` cut to fit `width` with "..." after it: the first try drops two
// characters, each further try one more, until it fits or nothing is left.
std::string EllipsisText(TCanvas& canvas, const std::string& text, int width);

// `font` turned by 90 degrees (escapement 900); "Default" becomes the
// system face.
std::unique_ptr<TFont> CreateVerticalFont(const TFont& font);
// A caption written bottom to top in `rect`.
void WriteTextVerticalEh(TCanvas& canvas, const TRect& rect, std::string_view text,
                         TAlignment alignment);

// Image `index` of `images` in `rect`: left (plus `offset`), centred or
// right, centred vertically; clipped to the rectangle when it overflows.
void DrawImageInRect(TCanvas& canvas, const TRect& rect, TCustomImageList* images, int index,
                     TAlignment alignment, int offset);

// An in-cell edit button of `kind` in `rect`: flat grids frame it, others
// raise it.
void DrawCellButton(TCanvas& canvas, const TRect& rect, TDrawButtonControlStyleEh kind,
                    bool pressed, bool flat, bool enabled, TColor color);
