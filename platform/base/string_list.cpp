#include "platform/base/string_list.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "platform/base/codepage.h"
#include "platform/base/exceptions.h"
#include "platform/base/file_stream.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"

namespace {

constexpr std::string_view kSortedListError = "Operation not allowed on sorted list";
constexpr std::string_view kDuplicateError = "String list does not allow duplicates";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Blanks and control characters, which DelimitedText treats as separators.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

// --- TStrings -------------------------------------------------------------

void TStrings::IndexError(int Index) {
  throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TStrings::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index > Limit) IndexError(Index);
}

void TStrings::Put(int Index, std::string_view S) {
  TUpdateGuard update(*this);
  void* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TStrings::PutObject(int, void*) {}

int TStrings::AddObject(std::string_view S, void* AObject) {
  int index = Count();
  InsertObject(index, S, AObject);
  return index;
}

void TStrings::AddStrings(const TStrings& Source) {
  if (&Source == this) {
    // Adding to itself: take a snapshot first, as a sorted list would
    // move the items being read.
    TStringList copy;
    copy.AddStrings(Source);
    AddStrings(copy);
    return;
  }
  TUpdateGuard update(*this);
  for (int i = 0, n = Source.Count(); i < n; ++i) AddObject(Source.Get(i), Source.GetObject(i));
}

void TStrings::Assign(const TStrings& Source) {
  if (&Source == this) return;
  TUpdateGuard update(*this);
  Clear();
  FNameValueSeparator = Source.FNameValueSeparator;
  FDelimiter = Source.FDelimiter;
  FQuoteChar = Source.FQuoteChar;
  FStrictDelimiter = Source.FStrictDelimiter;
  AddStrings(Source);
}

void TStrings::Exchange(int Index1, int Index2) {
  TUpdateGuard update(*this);
  std::string s1 = Get(Index1);
  std::string s2 = Get(Index2);
  void* o1 = GetObject(Index1);
  void* o2 = GetObject(Index2);
  Put(Index1, s2);
  PutObject(Index1, o2);
  Put(Index2, s1);
  PutObject(Index2, o1);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(NewIndex, Count() - 1);
  TUpdateGuard update(*this);
  std::string s = Get(CurIndex);
  void* object = GetObject(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, s, object);
}

bool TStrings::Equals(const TStrings& Other) const {
  int n = Count();
  if (n != Other.Count()) return false;
  for (int i = 0; i < n; ++i) {
    if (Get(i) != Other.Get(i)) return false;
  }
  return true;
}

int TStrings::IndexOf(std::string_view S) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (CompareStrings(Get(i), S) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfName(std::string_view Name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    std::string s = Get(i);
    std::size_t p = s.find(FNameValueSeparator);
    if (p != std::string::npos && CompareStrings(std::string_view(s).substr(0, p), Name) == 0) {
      return i;
    }
  }
  return -1;
}

int TStrings::IndexOfObject(const void* AObject) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (GetObject(i) == AObject) return i;
  }
  return -1;
}

std::string TStrings::Names(int Index) const {
  std::string s = Get(Index);
  std::size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(std::string_view Name) const {
  int i = IndexOfName(Name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(std::string_view Name, std::string_view Value) {
  int i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::string line(Name);
  line += FNameValueSeparator;
  line += Value;
  if (i < 0) {
    Add(line);
  } else {
    Put(i, line);
  }
}

std::string TStrings::ValueFromIndex(int Index) const {
  std::string s = Get(Index);
  std::size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

std::string TStrings::Text() const {
  std::string result;
  for (int i = 0, n = Count(); i < n; ++i) {
    result += Get(i);
    result += "\r\n";
  }
  return result;
}

void TStrings::SetText(std::string_view Value) {
  TUpdateGuard update(*this);
  Clear();
  std::size_t start = 0;
  const std::size_t n = Value.size();
  while (start < n) {
    std::size_t end = Value.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      Add(Value.substr(start));
      break;
    }
    Add(Value.substr(start, end - start));
    start = end + 1;
    if (Value[end] == '\r' && start < n && Value[start] == '\n') ++start;
  }
}

std::string TStrings::CommaText() const { return DelimitedTextWith(',', '"'); }

void TStrings::SetCommaText(std::string_view Value) {
  SetDelimitedTextWith(Value, ',', '"', false);
}

std::string TStrings::DelimitedText() const { return DelimitedTextWith(FDelimiter, FQuoteChar); }

void TStrings::SetDelimitedText(std::string_view Value) {
  SetDelimitedTextWith(Value, FDelimiter, FQuoteChar, FStrictDelimiter);
}

std::string TStrings::DelimitedTextWith(char Delim, char Quote) const {
  std::string result;
  for (int i = 0, n = Count(); i < n; ++i) {
    std::string s = Get(i);
    bool quote = s.empty() || std::any_of(s.begin(), s.end(), [&](char c) {
                   return IsBlank(c) || c == Quote || c == Delim;
                 });
    if (i > 0) result += Delim;
    result += quote ? AnsiQuotedStr(s, Quote) : s;
  }
  return result;
}

void TStrings::SetDelimitedTextWith(std::string_view Value, char Delim, char Quote, bool Strict) {
  // The text ends at a NUL, as the classic character-pointer scan did.
  Value = Value.substr(0, Value.find('\0'));
  const std::size_t n = Value.size();
  auto skipBlanks = [&](std::size_t& p) {
    if (!Strict) {
      while (p < n && IsBlank(Value[p])) ++p;
    }
  };

  TUpdateGuard update(*this);
  Clear();
  std::size_t p = 0;
  skipBlanks(p);
  while (p < n) {
    if (Value[p] == Quote) {
      std::string_view rest = Value.substr(p);
      Add(AnsiExtractQuotedStr(rest, Quote));
      p = n - rest.size();
    } else {
      std::size_t begin = p;
      while (p < n && (Strict || !IsBlank(Value[p])) && Value[p] != Delim) ++p;
      Add(Value.substr(begin, p - begin));
    }
    skipBlanks(p);
    if (p < n && Value[p] == Delim) {
      if (p + 1 == n) Add("");
      ++p;
      skipBlanks(p);
    }
  }
}

void TStrings::LoadFromStream(TStream& Stream, TStringsEncoding Encoding) {
  std::string bytes;
  char buffer[16384];
  while (std::int64_t n = Stream.Read(buffer, sizeof buffer)) bytes.append(buffer, n);
  std::string_view view = bytes;
  if (view.starts_with(kUtf8Bom)) {
    SetText(view.substr(kUtf8Bom.size()));
  } else if (Encoding == TStringsEncoding::Utf8) {
    SetText(view);
  } else {
    SetText(Win1251ToUtf8(view));
  }
}

void TStrings::SaveToStream(TStream& Stream, TStringsEncoding Encoding) const {
  std::string bytes;
  if (Encoding == TStringsEncoding::Utf8) {
    bytes = std::string(kUtf8Bom) + Text();
  } else {
    bytes = Utf8ToWin1251(Text());
  }
  Stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TStrings::LoadFromFile(const std::string& FileName, TStringsEncoding Encoding) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream, Encoding);
}

void TStrings::SaveToFile(const std::string& FileName, TStringsEncoding Encoding) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(stream, Encoding);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

int TStrings::CompareStrings(std::string_view S1, std::string_view S2) const {
  return AnsiCompareText(S1, S2);
}

void TStrings::SetUpdateState(bool) {}

// --- TStringList ----------------------------------------------------------

void TStringList::Assign(const TStrings& Source) {
  const auto* list = dynamic_cast<const TStringList*>(&Source);
  if (list == nullptr || list == this || FSorted) {
    TStrings::Assign(Source);
    return;
  }
  // The items as they stand, in one copy; the notices are the base's.
  TUpdateGuard update(*this);
  Clear();
  SetNameValueSeparator(list->NameValueSeparator());
  SetDelimiter(list->Delimiter());
  SetQuoteChar(list->QuoteChar());
  SetStrictDelimiter(list->StrictDelimiter());
  if (list->FItems.empty()) return;
  Changing();
  FItems = list->FItems;
  Changed();
}

void TStringList::SwapItems(TStringList& Other) {
  if (&Other == this) return;
  if (FSorted || Other.FSorted) throw EStringListError(std::string(kSortedListError));
  Changing();
  Other.Changing();
  FItems.swap(Other.FItems);
  Changed();
  Other.Changed();
}

std::string TStringList::Get(int Index) const { return StringRef(Index); }

void TStringList::InsertObject(int Index, std::string_view S, void* AObject) {
  if (FSorted) throw EStringListError(std::string(kSortedListError));
  CheckIndex(Index, Count());
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, std::string_view S, void* AObject) {
  Changing();
  FItems.insert(FItems.begin() + Index, TItem{std::string(S), AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index, Count() - 1);
  Changing();
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  Changing();
  FItems.clear();
  Changed();
}

void TStringList::Put(int Index, std::string_view S) {
  if (FSorted) throw EStringListError(std::string(kSortedListError));
  CheckIndex(Index, Count() - 1);
  Changing();
  FItems[Index].FString = S;
  Changed();
}

void TStringList::PutObject(int Index, void* AObject) {
  CheckIndex(Index, Count() - 1);
  Changing();
  FItems[Index].FObject = AObject;
  Changed();
}

int TStringList::AddObject(std::string_view S, void* AObject) {
  int index = Count();
  if (FSorted) {
    if (Find(S, index)) {
      if (FDuplicates == dupIgnore) return index;
      if (FDuplicates == dupError) throw EStringListError(std::string(kDuplicateError));
    }
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Exchange(int Index1, int Index2) {
  if (FSorted) throw EStringListError(std::string(kSortedListError));
  CheckIndex(Index1, Count() - 1);
  CheckIndex(Index2, Count() - 1);
  Changing();
  std::swap(FItems[Index1], FItems[Index2]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (FSorted) throw EStringListError(std::string(kSortedListError));
  CheckIndex(CurIndex, Count() - 1);
  CheckIndex(NewIndex, Count() - 1);
  if (CurIndex == NewIndex) return;
  Changing();
  auto first = FItems.begin();
  if (CurIndex < NewIndex) {
    std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
  } else {
    std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
  }
  Changed();
}

int TStringList::IndexOf(std::string_view S) const {
  int index;
  if (FSorted) return Find(S, index) ? index : -1;
  for (index = 0; index < Count(); ++index) {
    if (CompareStrings(FItems[index].FString, S) == 0) return index;
  }
  return -1;
}

bool TStringList::Find(std::string_view S, int& Index) const {
  int low = 0;
  int high = Count();
  while (low < high) {
    int mid = low + (high - low) / 2;
    if (CompareStrings(FItems[mid].FString, S) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  Index = low;
  return low < Count() && CompareStrings(FItems[low].FString, S) == 0;
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) {
    return list->CompareStrings(list->FItems[a].FString, list->FItems[b].FString);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || Count() < 2) return;
  Changing();
  SortItems(Compare);
  Changed();
}

void TStringList::SortItems(const TStringListSortCompare& Compare) {
  // Sort a permutation so that Compare always sees the list unchanged; a
  // stable merge sort stays in bounds even with an inconsistent Compare.
  std::vector<int> order(FItems.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(FItems.size());
  for (int i : order) sorted.push_back(std::move(FItems[i]));
  FItems = std::move(sorted);
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  // The classic list left a sorted list in the old order here, which made
  // Find miss; sort it by the new rule instead.
  if (FSorted && Count() > 1) {
    FSorted = false;
    Sort();
    FSorted = true;
  }
}

int TStringList::CompareStrings(std::string_view S1, std::string_view S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    Changing();
  } else {
    Changed();
  }
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}
