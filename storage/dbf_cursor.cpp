#include "storage/dbf_cursor.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "storage/dbf_table.h"

namespace {

// Ordinal comparison of the first `length` bytes of a and b.
int CompareBytes(const char* a, const char* b, std::size_t length) {
  return length == 0 ? 0 : std::memcmp(a, b, length);
}

}  // namespace

TDbfCursor::TDbfCursor(TmDbfTable* table) : FTable(table) { table->AddOrdering(this); }

TDbfCursor::~TDbfCursor() { FTable->RemoveOrdering(this); }

int TDbfCursor::RecordNumber() const {
  if (FPosition < 0) return -1;
  if (FPosition >= Count()) return Count();
  return RecordAt(FPosition);
}

void TDbfCursor::SetKey(const std::string& fieldName, bool descending) {
  FKeyFieldName = fieldName;
  FDescending = !fieldName.empty() && descending;
}

bool TDbfCursor::Less(int a, int b) const {
  if (FKeyLength > 0) {
    int c = CompareBytes(FKeys.data() + static_cast<std::size_t>(a) * FKeyLength,
                         FKeys.data() + static_cast<std::size_t>(b) * FKeyLength,
                         static_cast<std::size_t>(FKeyLength));
    if (FDescending) c = -c;
    if (c != 0) return c < 0;
  }
  return a < b;
}

int TDbfCursor::LowerBound(int recordNumber) const {
  const auto it = std::lower_bound(FEntries.begin(), FEntries.end(), recordNumber,
                                   [this](int entry, int record) { return Less(entry, record); });
  return static_cast<int>(it - FEntries.begin());
}

int TDbfCursor::IndexOfRecord(int recordNumber) const {
  if (recordNumber < 0) return -1;
  // A record the ordering never saw has no key to search by.
  if (FKeyLength > 0 && (static_cast<std::size_t>(recordNumber) + 1) * FKeyLength > FKeys.size())
    return -1;
  const int index = LowerBound(recordNumber);
  return index < Count() && RecordAt(index) == recordNumber ? index : -1;
}

void TDbfCursor::StoreKey(int recordNumber, std::string_view key) {
  if (FKeyLength == 0) return;
  const std::size_t at = static_cast<std::size_t>(recordNumber) * FKeyLength;
  if (FKeys.size() == at) {
    // A build or an append: the next record's key.
    FKeys.append(key.data(), static_cast<std::size_t>(FKeyLength));
    return;
  }
  if (FKeys.size() < at + FKeyLength) FKeys.resize(at + FKeyLength, ' ');
  std::memcpy(FKeys.data() + at, key.data(), static_cast<std::size_t>(FKeyLength));
}

void TDbfCursor::BeginBuild(int keyLength) {
  FRemembered = FPosition >= 0 && FPosition < Count() ? RecordAt(FPosition) : -1;
  FEntries.clear();
  FKeys.clear();
  FKeyLength = FKeyFieldName.empty() ? 0 : keyLength;
}

void TDbfCursor::AddBuilt(int recordNumber, std::string_view key) {
  FEntries.push_back(recordNumber);
  StoreKey(recordNumber, key);
}

void TDbfCursor::EndBuild() {
  if (FKeyLength > 0) SortEntries();
  RestorePosition();
}

void TDbfCursor::SortEntries() {
  const auto less = [this](int a, int b) { return Less(a, b); };
  // Registers are mostly entered in key order: a pass finds that out.
  if (std::is_sorted(FEntries.begin(), FEntries.end(), less)) return;
  // Sorting record numbers would fetch two keys from all over FKeys for
  // every comparison; each entry carries its key's first 16 bytes instead,
  // and only equal ones look further.
  struct TEntry {
    // The first 16 key bytes, big-endian, so that < orders them.
    std::uint64_t High, Low;
    int Record;
  };
  const std::size_t length = static_cast<std::size_t>(FKeyLength);
  const std::size_t head = std::min<std::size_t>(length, 16);
  std::vector<TEntry> entries(FEntries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const unsigned char* key =
        reinterpret_cast<const unsigned char*>(FKeys.data()) + FEntries[i] * length;
    std::uint64_t high = 0, low = 0;
    for (std::size_t k = 0; k < 8; ++k) high = (high << 8) | (k < head ? key[k] : 0);
    for (std::size_t k = 8; k < 16; ++k) low = (low << 8) | (k < head ? key[k] : 0);
    entries[i] = FDescending ? TEntry{~high, ~low, FEntries[i]} : TEntry{high, low, FEntries[i]};
  }
  std::sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    if (a.High != b.High) return a.High < b.High;
    if (a.Low != b.Low) return a.Low < b.Low;
    if (length > head) {
      int c = std::memcmp(FKeys.data() + a.Record * length + head,
                          FKeys.data() + b.Record * length + head, length - head);
      if (FDescending) c = -c;
      if (c != 0) return c < 0;
    }
    return a.Record < b.Record;
  });
  for (std::size_t i = 0; i < entries.size(); ++i) FEntries[i] = entries[i].Record;
}

void TDbfCursor::CopyOrder(const TDbfCursor& other) {
  FRemembered = FPosition >= 0 && FPosition < Count() ? RecordAt(FPosition) : -1;
  FEntries = other.FEntries;
  FKeys = other.FKeys;
  FKeyLength = other.FKeyLength;
  RestorePosition();
}

void TDbfCursor::RestorePosition() {
  if (FRemembered >= 0) {
    const int index = IndexOfRecord(FRemembered);
    FPosition = index >= 0 ? index : Count();
  } else if (FPosition > Count()) {
    FPosition = Count();
  }
  FRemembered = -1;
}

void TDbfCursor::Clear() {
  FEntries.clear();
  FKeys.clear();
  FPosition = -1;
}

int TDbfCursor::RecordAppended(int recordNumber, std::string_view key) {
  StoreKey(recordNumber, key);
  // Appends mostly come last (physical order, or a key not below the last
  // one): no search then.
  const int index =
      FEntries.empty() || Less(FEntries.back(), recordNumber) ? Count() : LowerBound(recordNumber);
  FEntries.insert(FEntries.begin() + index, recordNumber);
  if (FPosition >= index) ++FPosition;
  return index;
}

void TDbfCursor::RecordDeleted(int recordNumber) {
  const int index = IndexOfRecord(recordNumber);
  if (index < 0) return;
  FEntries.erase(FEntries.begin() + index);
  if (FEntries.empty())
    FPosition = -1;
  else if (FPosition > index || FPosition >= Count())
    --FPosition;
}

void TDbfCursor::RecordChanged(int recordNumber, std::string_view key) {
  if (FKeyLength == 0) return;
  const int from = IndexOfRecord(recordNumber);
  if (from < 0) return;
  if (KeyOf(recordNumber) == key.substr(0, static_cast<std::size_t>(FKeyLength))) return;
  FEntries.erase(FEntries.begin() + from);
  StoreKey(recordNumber, key);
  const int to = LowerBound(recordNumber);
  FEntries.insert(FEntries.begin() + to, recordNumber);
  if (FPosition == from)
    FPosition = to;
  else if (from < FPosition && FPosition <= to)
    --FPosition;
  else if (to <= FPosition && FPosition < from)
    ++FPosition;
}

bool TDbfCursor::Matches(int index, std::string_view value, bool partial,
                         unsigned char (*fold)(unsigned char)) const {
  const std::string_view key = KeyAt(index);
  if (partial ? value.size() > key.size() : value.size() != key.size()) return false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const unsigned char k = static_cast<unsigned char>(key[i]);
    if ((fold != nullptr ? fold(k) : k) != static_cast<unsigned char>(value[i])) return false;
  }
  return true;
}

namespace {

// CompareBytes' sign, eight bytes a step without a call: a search
// compares some twenty keys that mostly share their first bytes.
int CompareShortBytes(const char* a, const char* b, std::size_t n) {
  for (; n >= 8; a += 8, b += 8, n -= 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y) return __builtin_bswap64(x) < __builtin_bswap64(y) ? -1 : 1;
  }
  for (; n > 0; ++a, ++b, --n)
    if (*a != *b) return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b) ? -1 : 1;
  return 0;
}

}  // namespace

std::pair<int, int> TDbfCursor::MatchRange(std::string_view value, bool partial,
                                           bool firstOnly) const {
  const std::size_t length = static_cast<std::size_t>(FKeyLength);
  if (partial ? value.size() > length : value.size() != length) return {0, 0};
  // Keys cut to the value's length keep the order of the full keys.
  auto compare = [&](int record) {
    return CompareShortBytes(KeyOf(record).data(), value.data(), value.size());
  };
  auto first = FEntries.begin();
  if (value.size() >= 8) {
    // The value's first eight bytes taken once as a number that orders as
    // they do; a key's first eight mostly decide.
    std::uint64_t head;
    std::memcpy(&head, value.data(), 8);
    head = __builtin_bswap64(head);
    const std::size_t length8 = value.size() - 8;
    for (std::size_t count = FEntries.size(); count > 0;) {
      const std::size_t half = count / 2;
      const char* key = KeyOf(first[static_cast<std::ptrdiff_t>(half)]).data();
      std::uint64_t k;
      std::memcpy(&k, key, 8);
      k = __builtin_bswap64(k);
      if (k < head || (k == head && CompareShortBytes(key + 8, value.data() + 8, length8) < 0)) {
        first += static_cast<std::ptrdiff_t>(half + 1);
        count -= half + 1;
      } else {
        count = half;
      }
    }
  } else {
    first = std::lower_bound(FEntries.begin(), FEntries.end(), value,
                             [&](int e, std::string_view) { return compare(e) < 0; });
  }
  const int at = static_cast<int>(first - FEntries.begin());
  if (firstOnly) return {at, first != FEntries.end() && compare(*first) == 0 ? at + 1 : at};
  const auto last = std::upper_bound(first, FEntries.end(), value,
                                     [&](std::string_view, int e) { return compare(e) > 0; });
  return {at, static_cast<int>(last - FEntries.begin())};
}

int TDbfCursor::Search(std::string_view value, bool partial,
                       unsigned char (*fold)(unsigned char)) const {
  if (FKeyLength == 0) return -1;
  if (fold == nullptr) {
    const auto [first, last] = MatchRange(value, partial, true);
    return first < last ? first : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (Matches(i, value, partial, fold)) return i;
  return -1;
}

int TDbfCursor::SearchOther(std::string_view value, bool partial,
                            unsigned char (*fold)(unsigned char), int exceptRecord) const {
  if (FKeyLength == 0) return -1;
  int first = 0, last = Count();
  if (fold == nullptr) std::tie(first, last) = MatchRange(value, partial);
  for (int i = first; i < last; ++i)
    if (RecordAt(i) != exceptRecord && (fold == nullptr || Matches(i, value, partial, fold)))
      return RecordAt(i);
  return -1;
}
