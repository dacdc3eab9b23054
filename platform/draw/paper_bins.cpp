#include "platform/draw/paper_bins.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != '-' && c != '_' && c != ' ')
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The classic bin of a tray with this name, or 0.
int ClassicBin(std::string_view keyword) {
  static const struct {
    const char* Name;
    int Code;
  } known[] = {
      {"auto", DMBIN_AUTO},         {"autoselect", DMBIN_AUTO},
      {"default", DMBIN_AUTO},      {"upper", DMBIN_UPPER},
      {"top", DMBIN_UPPER},         {"lower", DMBIN_LOWER},
      {"bottom", DMBIN_LOWER},      {"middle", DMBIN_MIDDLE},
      {"manual", DMBIN_MANUAL},     {"manualfeed", DMBIN_MANUAL},
      {"envelope", DMBIN_ENVELOPE}, {"largecapacity", DMBIN_LARGECAPACITY},
      {"cassette", DMBIN_CASSETTE},
  };
  const std::string k = Lower(keyword);
  for (const auto& entry : known)
    if (k == entry.Name) return entry.Code;
  return 0;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    if (c >= 0x80) {
      if ((c & 0xE0) == 0xC0)
        extra = 1;
      else if ((c & 0xF0) == 0xE0)
        extra = 2;
      else if ((c & 0xF8) == 0xF0)
        extra = 3;
      else
        return false;
      if (i + extra >= s.size()) return false;
      for (std::size_t j = 1; j <= extra; ++j)
        if ((static_cast<unsigned char>(s[i + j]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// A translation string: <hex> runs decoded; UTF-8 kept, anything else read
// as Latin-1 (the PPD default encoding).
std::string DecodeTranslation(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') {
      const std::size_t end = text.find('>', i);
      if (end != std::string_view::npos) {
        int high = -1;
        for (std::size_t j = i + 1; j < end; ++j) {
          const int d = HexDigit(text[j]);
          if (d < 0) continue;
          if (high < 0) {
            high = d;
          } else {
            bytes += static_cast<char>(high * 16 + d);
            high = -1;
          }
        }
        i = end;
        continue;
      }
    }
    bytes += text[i];
  }
  if (IsUtf8(bytes)) return bytes;
  std::string utf8;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      utf8 += ch;
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::vector<TInputSlot> ParsePpdInputSlots(std::string_view ppd, std::string* defaultKeyword) {
  std::vector<TInputSlot> slots;
  std::vector<std::pair<std::string, std::string>> russian;
  if (defaultKeyword != nullptr) defaultKeyword->clear();
  bool inQuote = false;
  std::size_t pos = 0;
  while (pos < ppd.size()) {
    std::size_t end = ppd.find('\n', pos);
    if (end == std::string_view::npos) end = ppd.size();
    const std::string_view line = ppd.substr(pos, end - pos);
    pos = end + 1;
    if (inQuote) {
      // Inside a value that spans lines: only its closing quote matters.
      if (line.find('"') != std::string_view::npos) inQuote = false;
      continue;
    }
    if (line.empty() || line[0] != '*') continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view value = Trim(line.substr(colon + 1));
    if (!value.empty() && value[0] == '"' && value.find('"', 1) == std::string_view::npos)
      inQuote = true;
    const std::string_view head = line.substr(1, colon - 1);
    const std::size_t space = head.find(' ');
    const std::string_view keyword = head.substr(0, space);
    if (keyword == "DefaultInputSlot") {
      if (defaultKeyword != nullptr) *defaultKeyword = std::string(Trim(value));
      continue;
    }
    const bool main = keyword == "InputSlot";
    const bool ru = keyword == "ru.InputSlot";
    if ((!main && !ru) || space == std::string_view::npos) continue;
    std::string_view option = Trim(head.substr(space + 1));
    std::string_view text;
    if (const std::size_t slash = option.find('/'); slash != std::string_view::npos) {
      text = option.substr(slash + 1);
      option = option.substr(0, slash);
    }
    option = Trim(option);
    if (option.empty()) continue;
    std::string name = DecodeTranslation(Trim(text));
    if (ru) {
      // A translation's value is the text itself, in quotes.
      if (value.size() >= 2 && value.front() == '"') {
        const std::size_t close = value.find('"', 1);
        if (close != std::string_view::npos) name = DecodeTranslation(value.substr(1, close - 1));
      }
      if (!name.empty()) russian.emplace_back(std::string(option), std::move(name));
      continue;
    }
    const bool seen = std::any_of(slots.begin(), slots.end(),
                                  [&](const TInputSlot& s) { return s.Keyword == option; });
    if (!seen) slots.push_back({std::string(option), name.empty() ? std::string(option) : name});
  }
  for (const auto& [keyword, name] : russian)
    for (TInputSlot& s : slots)
      if (s.Keyword == keyword) s.Name = name;
  return slots;
}

std::vector<TBinInfo> BinsFromSlots(const std::vector<TInputSlot>& trays,
                                    std::string_view defaultKeyword, const std::string& option) {
  std::vector<TBinInfo> bins;
  int own = DMBIN_USER;
  for (const TInputSlot& s : trays) {
    int code = ClassicBin(s.Keyword);
    const bool taken =
        std::any_of(bins.begin(), bins.end(), [&](const TBinInfo& b) { return b.Code == code; });
    if (code == 0 || taken) code = own++;
    TBinInfo bin{code, s.Name, option, s.Keyword};
    if (s.Keyword == defaultKeyword)
      bins.insert(bins.begin(), std::move(bin));
    else
      bins.push_back(std::move(bin));
  }
  return bins;
}
