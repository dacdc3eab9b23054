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
  // kMaxTexts, so that a report of distinct texts does not grow it) and
  // returns the lines kept for it, valid as Find's.
  const std::vector<std::string>& Add(TCanvas& canvas, int width, bool wordBreak,
                                      std::string_view text, std::vector<std::string> lines);
  void Clear();

  static constexpr std::size_t kMaxTexts = 16384;

 private:
  // A text with its width and word-break flag; looked up as a view, so
  // that finding a text builds no string.
  struct TKey {
    int Width;
    bool WordBreak;
    std::string Text;
  };
  struct TKeyView {
    int Width;
    bool WordBreak;
    std::string_view Text;
  };
  struct TKeyHash {
    using is_transparent = void;
    std::size_t operator()(const TKeyView& k) const;
    std::size_t operator()(const TKey& k) const {
      return (*this)(TKeyView{k.Width, k.WordBreak, k.Text});
    }
  };
  struct TKeyEqual {
    using is_transparent = void;
    static TKeyView View(const TKey& k) { return {k.Width, k.WordBreak, k.Text}; }
    static const TKeyView& View(const TKeyView& k) { return k; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      const TKeyView& l = View(a);
      const TKeyView& r = View(b);
      return l.Width == r.Width && l.WordBreak == r.WordBreak && l.Text == r.Text;
    }
  };
  struct TFontEntry {
    TCanvas* Canvas;
    TFontData Font;
    int CharExtra;
    std::unordered_map<TKey, std::vector<std::string>, TKeyHash, TKeyEqual> Lines;
  };
  TFontEntry* EntryFor(TCanvas& canvas, bool create);

  std::vector<TFontEntry> FFonts;
  std::size_t FLast = 0;  // the entry found last, tried first
  std::size_t FTexts = 0;
};
