// TfrLayoutCache: the lines a memo's paragraph wrapped into, kept per
// measuring canvas, font and character extra. A report repeats a few texts
// (names, sums, dates) on every record, and wrapping one measures every
// character of it: each distinct text is measured once per build. The
// engine keeps one and empties it when a build starts and when the
// measuring canvas is replaced. GUI thread only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/draw/canvas.h"
#include "platform/draw/graphics.h"

class TfrLayoutCache {
 public:
  // The lines `text` wrapped into at `width` with `wordBreak`, measured on
  // `canvas` with its current font and character extra; null when not
  // kept. Valid until the next Add or Clear.
  const std::vector<std::string>* Find(TCanvas& canvas, int width, bool wordBreak,
                                       std::string_view text);
  // Keeps `lines` for that text (dropping everything once it holds
  // kMaxTexts, so that a report of distinct texts does not grow it).
  void Add(TCanvas& canvas, int width, bool wordBreak, std::string_view text,
           std::vector<std::string> lines);
  void Clear();

  static constexpr std::size_t kMaxTexts = 16384;

 private:
  struct TFontEntry {
    TCanvas* Canvas;
    TFontData Font;
    int CharExtra;
    std::unordered_map<std::string, std::vector<std::string>> Lines;
  };
  TFontEntry* EntryFor(TCanvas& canvas, bool create);
  static std::string Key(int width, bool wordBreak, std::string_view text);

  std::vector<TFontEntry> FFonts;
  std::size_t FTexts = 0;
  std::string FKey;  // reused for look-ups
};
