#include "report/fr_layout_cache.h"

#include <cstdint>
#include <cstring>

std::size_t TfrLayoutCache::TKeyHash::operator()(const TKeyView& k) const {
  // Eight bytes at a time, multiplied and folded: the texts are short
  // (names, numbers, sums) and looked up for every printed object.
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  std::uint64_t h =
      ((std::uint64_t{static_cast<unsigned>(k.Width)} << 1) | (k.WordBreak ? 1 : 0)) * kMultiplier;
  h ^= k.Text.size();
  const auto mix = [&](std::uint64_t word) {
    h = (h ^ word) * kMultiplier;
    h ^= h >> 29;
  };
  const char* p = k.Text.data();
  std::size_t n = k.Text.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    mix(word);
  }
  if (n > 0) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < n; ++i)
      word |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    mix(word);
  }
  return static_cast<std::size_t>(h);
}

TfrLayoutCache::TFontEntry* TfrLayoutCache::EntryFor(TCanvas& canvas, bool create) {
  const TFontData& font = canvas.Font()->Data();
  const int extra = canvas.TextCharacterExtra();
  const auto matches = [&](const TFontEntry& entry) {
    return entry.Canvas == &canvas && entry.CharExtra == extra && entry.Font == font;
  };
  if (FLast < FFonts.size() && matches(FFonts[FLast])) return &FFonts[FLast];
  for (std::size_t i = 0; i < FFonts.size(); ++i)
    if (matches(FFonts[i])) {
      FLast = i;
      return &FFonts[i];
    }
  if (!create) return nullptr;
  FFonts.push_back(TFontEntry{&canvas, font, extra, {}});
  FLast = FFonts.size() - 1;
  return &FFonts.back();
}

const std::vector<std::string>* TfrLayoutCache::Find(TCanvas& canvas, int width, bool wordBreak,
                                                     std::string_view text) {
  TFontEntry* entry = EntryFor(canvas, false);
  if (entry == nullptr) return nullptr;
  const auto found = entry->Lines.find(TKeyView{width, wordBreak, text});
  return found == entry->Lines.end() ? nullptr : &found->second;
}

const std::vector<std::string>& TfrLayoutCache::Add(TCanvas& canvas, int width, bool wordBreak,
                                                    std::string_view text,
                                                    std::vector<std::string> lines) {
  if (FTexts >= kMaxTexts) Clear();
  TFontEntry* entry = EntryFor(canvas, true);
  const auto [at, added] =
      entry->Lines.emplace(TKey{width, wordBreak, std::string(text)}, std::move(lines));
  if (added) ++FTexts;
  return at->second;
}

void TfrLayoutCache::Clear() {
  FFonts.clear();
  FLast = 0;
  FTexts = 0;
}
