#include "report/fr_layout_cache.h"

TfrLayoutCache::TFontEntry* TfrLayoutCache::EntryFor(TCanvas& canvas, bool create) {
  const TFontData& font = canvas.Font()->Data();
  const int extra = canvas.TextCharacterExtra();
  for (TFontEntry& entry : FFonts)
    if (entry.Canvas == &canvas && entry.CharExtra == extra && entry.Font == font) return &entry;
  if (!create) return nullptr;
  FFonts.push_back(TFontEntry{&canvas, font, extra, {}});
  return &FFonts.back();
}

std::string TfrLayoutCache::Key(int width, bool wordBreak, std::string_view text) {
  std::string key = std::to_string(width);
  key += wordBreak ? 'b' : 'w';
  key += text;
  return key;
}

const std::vector<std::string>* TfrLayoutCache::Find(TCanvas& canvas, int width, bool wordBreak,
                                                     std::string_view text) {
  TFontEntry* entry = EntryFor(canvas, false);
  if (entry == nullptr) return nullptr;
  FKey = Key(width, wordBreak, text);
  const auto found = entry->Lines.find(FKey);
  return found == entry->Lines.end() ? nullptr : &found->second;
}

void TfrLayoutCache::Add(TCanvas& canvas, int width, bool wordBreak, std::string_view text,
                         std::vector<std::string> lines) {
  if (FTexts >= kMaxTexts) Clear();
  TFontEntry* entry = EntryFor(canvas, true);
  if (entry->Lines.emplace(Key(width, wordBreak, text), std::move(lines)).second) ++FTexts;
}

void TfrLayoutCache::Clear() {
  FFonts.clear();
  FTexts = 0;
}
