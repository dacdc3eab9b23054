#include "storage/dbf_cursor.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <tuple>

#include "storage/dbf_table.h"

namespace {

// Ordinal comparison of the first `length` bytes of a and b.
int CompareBytes(const char* a, const char* b, std::size_t length) {
  return length == 0 ? 0 : std::memcmp(a, b, length);
}

constexpr std::size_t kHeadBytes = 16;

// The first eight of `length` bytes as a big-endian number, zero bytes
// past the end.
std::uint64_t HeadWord(const char* bytes, std::size_t length) {
  std::uint64_t word = 0;
  if (length >= 8) {
    std::memcpy(&word, bytes, 8);
    return __builtin_bswap64(word);
  }
  for (std::size_t i = 0; i < length; ++i)
    word = (word << 8) | static_cast<unsigned char>(bytes[i]);
  return length == 0 ? 0 : word << (8 * (8 - length));
}

// The first kHeadBytes of `length` bytes as a big-endian number, zero
// bytes past the end, so that < orders heads as the bytes are ordered.
inline unsigned __int128 HeadOf(const char* bytes, std::size_t length) {
  const std::uint64_t low = length > 8 ? HeadWord(bytes + 8, length - 8) : 0;
  return static_cast<unsigned __int128>(HeadWord(bytes, length)) << 64 | low;
}

// The first index in [first, first + count) at which `before` turns
// false (first + count when it never does), `before` being true up to
// some index and false from there. The count of true ones is found bit
// by bit from the highest, without an early exit: a search lands on its
// last step anyway. When the first step finds at least `step` (the
// highest power of two in `count`) true ones, the lower bits are looked
// for among the last `step` - 1 places, where the end of them lies.
// The steps that land far from the last one, below the few the top steps
// keep in the cache, ask for both places the next one may look at, `heads`
// being what `before` reads: without a branch the processor would fetch
// neither before this step's answer is known.
template <class TBefore>
std::size_t PartitionPoint(std::size_t first, std::size_t count, const unsigned __int128* heads,
                           TBefore before) {
  if (count == 0) return first;
  constexpr std::size_t kCachedSteps = 2048, kNearSteps = 4;
  std::size_t step = std::bit_floor(count);
  std::size_t below = before(first + step - 1) ? count - step + 1 : 0;
  for (step /= 2; step > kCachedSteps; step /= 2)
    if (before(first + below + step - 1)) below += step;
  for (; step > kNearSteps; step /= 2) {
    const unsigned __int128* next = heads + first + below + step / 2 - 1;
    __builtin_prefetch(next);
    __builtin_prefetch(next + step);
    if (before(first + below + step - 1)) below += step;
  }
  for (; step != 0; step /= 2)
    if (before(first + below + step - 1)) below += step;
  return first + below;
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

TDbfCursor::THead TDbfCursor::HeadOfRecord(int recordNumber) const {
  const THead head = HeadOf(KeyOf(recordNumber).data(), static_cast<std::size_t>(FKeyLength));
  return FDescending ? ~head : head;
}

int TDbfCursor::LowerBound(int recordNumber) const {
  if (FKeyLength == 0)
    return static_cast<int>(std::lower_bound(FEntries.begin(), FEntries.end(), recordNumber) -
                            FEntries.begin());
  const THead head = HeadOfRecord(recordNumber);
  return static_cast<int>(PartitionPoint(0, FEntries.size(), FHeads.data(), [&](std::size_t i) {
    return FHeads[i] != head ? FHeads[i] < head : Less(FEntries[i], recordNumber);
  }));
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
  FHeads.clear();
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
  const std::size_t count = FEntries.size();
  FHeads.resize(count);
  for (std::size_t i = 0; i < count; ++i) FHeads[i] = HeadOfRecord(FEntries[i]);
  // Registers are mostly entered in key order: a pass finds that out.
  bool sorted = true;
  for (std::size_t i = 1; i < count && sorted; ++i)
    sorted =
        FHeads[i - 1] != FHeads[i] ? FHeads[i - 1] < FHeads[i] : Less(FEntries[i - 1], FEntries[i]);
  if (sorted) return;
  // Sorting record numbers would fetch two keys from all over FKeys for
  // every comparison; each entry carries its head instead, and only equal
  // ones look further.
  struct TEntry {
    std::uint64_t High, Low;  // the head in two halves: smaller to move
    int Record;
  };
  std::vector<TEntry> entries(count);
  for (std::size_t i = 0; i < count; ++i)
    entries[i] = {static_cast<std::uint64_t>(FHeads[i] >> 64),
                  static_cast<std::uint64_t>(FHeads[i]), FEntries[i]};
  const std::size_t length = static_cast<std::size_t>(FKeyLength);
  std::sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    if (a.High != b.High) return a.High < b.High;
    if (a.Low != b.Low) return a.Low < b.Low;
    if (length > kHeadBytes) {
      int c = std::memcmp(FKeys.data() + a.Record * length + kHeadBytes,
                          FKeys.data() + b.Record * length + kHeadBytes, length - kHeadBytes);
      if (FDescending) c = -c;
      if (c != 0) return c < 0;
    }
    return a.Record < b.Record;
  });
  for (std::size_t i = 0; i < count; ++i) {
    FEntries[i] = entries[i].Record;
    FHeads[i] = static_cast<THead>(entries[i].High) << 64 | entries[i].Low;
  }
}

void TDbfCursor::CopyOrder(const TDbfCursor& other) {
  FRemembered = FPosition >= 0 && FPosition < Count() ? RecordAt(FPosition) : -1;
  FEntries = other.FEntries;
  FHeads = other.FHeads;
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
  FHeads.clear();
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
  if (FKeyLength > 0) FHeads.insert(FHeads.begin() + index, HeadOfRecord(recordNumber));
  if (FPosition >= index) ++FPosition;
  return index;
}

void TDbfCursor::RecordDeleted(int recordNumber) {
  const int index = IndexOfRecord(recordNumber);
  if (index < 0) return;
  FEntries.erase(FEntries.begin() + index);
  if (FKeyLength > 0) FHeads.erase(FHeads.begin() + index);
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
  FHeads.erase(FHeads.begin() + from);
  StoreKey(recordNumber, key);
  const int to = LowerBound(recordNumber);
  FEntries.insert(FEntries.begin() + to, recordNumber);
  FHeads.insert(FHeads.begin() + to, HeadOfRecord(recordNumber));
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

// CompareBytes' sign, eight bytes a step without a call: keys whose
// heads are equal mostly share more.
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
  const std::size_t n = value.size();
  if (partial ? n > length : n != length) return {0, 0};
  // Keys cut to n bytes keep the order of the full keys. A cut key is
  // below the value when its head is below the value's head padded with
  // zero bytes, and not above it when its head is not above the value's
  // head padded with 0xFF bytes. Past kHeadBytes the two paddings are one
  // head, and equal heads leave it to the rest of the bytes.
  const THead low = HeadOf(value.data(), n);
  const THead high = n >= kHeadBytes ? low : low | ~THead{0} >> (8 * n);
  auto rest = [&](std::size_t i) {
    return CompareShortBytes(KeyOf(FEntries[i]).data() + kHeadBytes, value.data() + kHeadBytes,
                             n - kHeadBytes);
  };
  auto notAbove = [&](std::size_t i) {
    return FHeads[i] < high || (FHeads[i] == high && (n <= kHeadBytes || rest(i) <= 0));
  };
  const std::size_t count = FEntries.size();
  const std::size_t first =
      n <= kHeadBytes
          ? PartitionPoint(0, count, FHeads.data(), [&](std::size_t i) { return FHeads[i] < low; })
          : PartitionPoint(0, count, FHeads.data(), [&](std::size_t i) {
              return FHeads[i] < low || (FHeads[i] == low && rest(i) < 0);
            });
  const int at = static_cast<int>(first);
  if (first == count || !notAbove(first)) return {at, at};
  if (firstOnly) return {at, at + 1};
  return {at,
          static_cast<int>(PartitionPoint(first + 1, count - first - 1, FHeads.data(), notAbove))};
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
