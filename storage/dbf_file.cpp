#include "storage/dbf_file.h"

#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/base/clock.h"
#include "platform/base/file_stream.h"
#include "platform/base/scope_guard.h"
#include "storage/mapped_read.h"

using namespace dbf;

namespace {

constexpr int kLockRetryMilliseconds = 200;
constexpr std::size_t kWindowBytes = 64 * 1024;
// Room mapped past the end of the file, so that appends rarely remap.
constexpr std::size_t kMapHeadroomBytes = 4 << 20;
// What an append batch collects before it writes.
constexpr std::size_t kBatchBytes = 256 * 1024;

bool IsHeaderRange(std::int64_t offset, std::int64_t length) {
  return offset == 0 && length == kHeaderSize;
}

}  // namespace

bool OnLocalFileSystem(int handle) {
  struct statfs info;
  if (handle < 0 || ::fstatfs(handle, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0x794C7630:  // overlayfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0x3153464A:  // jfs
    case 0x52654973:  // reiserfs
      return true;
    default:
      return false;
  }
}

TDbfFile::TDbfFile(std::string fileName, std::unique_ptr<TFileStream> stream, bool exclusive,
                   std::function<void(int)> lockWait)
    : FFileName(std::move(fileName)),
      FStream(std::move(stream)),
      FExclusive(exclusive),
      FLockWait(std::move(lockWait)) {}

TDbfFile::~TDbfFile() {
  if (FBatch) {
    try {
      EndAppendBatch();
    } catch (...) {
      // Remembered; the owner's explicit EndAppendBatch is the one that reports.
    }
  }
  UnmapFile();
}

const std::string& TDbfFile::EmptyRecord() {
  if (FEmptyRecord.size() != FLayout.RecordLength) {
    FEmptyRecord.assign(FLayout.RecordLength, '\0');
    for (const TFieldDescriptor& column : FLayout.Fields)
      ClearColumn({FEmptyRecord.data() + column.Offset, column.Length}, column.Type);
  }
  return FEmptyRecord;
}

void TDbfFile::ReadLayout() {
  FEmptyRecord.clear();
  try {
    FLayout = dbf::ReadLayout(*FStream, FFileName);
    return;
  } catch (const EDBFError&) {
    if (FExclusive || !Lock(0, kHeaderSize)) throw;
  }
  TRangeLockGuard unlock(*this, 0, kHeaderSize);
  FLayout = dbf::ReadLayout(*FStream, FFileName);
}

std::uint32_t TDbfFile::CountRecords() {
  FlushAppends();
  DropWindow();
  char head[kHeaderSize];
  std::uint32_t count = 0;
  std::int64_t room = 0;
  // The count first, then the size: an append writes its record before it
  // counts it, so the size then covers every record counted.
  auto read = [&] {
    FStream->SetPosition(0);
    FStream->ReadBuffer(head, kHeaderSize);
    count = DecodeFixed32(head + kRecordCountOffset);
    room = (FStream->Size() - FLayout.Header.HeaderLength) / FLayout.RecordLength;
  };
  read();
  if (count > room && !FExclusive && Lock(0, kHeaderSize)) {
    TRangeLockGuard unlock(*this, 0, kHeaderSize);
    read();
  }
  if (count > room)
    RaiseDamaged(FFileName, "в заголовке " + std::to_string(count) +
                                " записей, а в файле помещается " + std::to_string(room));
  return count;
}

void TDbfFile::CheckRecordFlags(std::uint32_t count) {
  if (count == 0) return;
  auto isFlag = [](char c) { return c == kLiveFlag || c == kDeletedFlag; };
  // The first records and a byte on either side: with the header length
  // one off, the flags stand one byte away from where it says.
  constexpr std::uint32_t kSampled = 32;
  const std::uint32_t sampled = std::min(count, kSampled);
  const std::size_t length = FLayout.RecordLength;
  std::string bytes(sampled * length + 1, '\0');
  FStream->SetPosition(FLayout.Header.HeaderLength - 1);
  FStream->ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  auto flagsAt = [&](int shift) {
    for (std::uint32_t i = 0; i < sampled; ++i)
      if (!isFlag(bytes[static_cast<std::size_t>(1 + shift) + i * length])) return false;
    return true;
  };
  if (flagsAt(0)) return;
  bool damaged = flagsAt(-1) || flagsAt(1);
  if (!damaged) {
    // A record or two may hold another byte there (they are not live);
    // not one flag at all is damage too. Most files answer at once.
    constexpr std::uint32_t kMostAtOnce = 1u << 16;
    std::vector<char> flags;
    damaged = true;
    std::uint32_t read = 0;
    for (std::uint32_t first = 0, want = 1; damaged && first < count;
         first += read, want = std::min(want * 2, kMostAtOnce)) {
      read = std::min(want, count - first);
      flags.resize(read);
      ReadFlags(first, read, flags.data());
      damaged = std::none_of(flags.begin(), flags.end(), isFlag);
    }
  }
  if (damaged)
    RaiseDamaged(FFileName, "длина заголовка " + std::to_string(FLayout.Header.HeaderLength) +
                                " байт неверна: записи не начинаются с признака удаления "
                                "(пробел или *)");
}

void TDbfFile::SetKnownCount(std::uint32_t count) {
  FKnownCount = count;
  FLayout.Header.RecordCount = count;
}

void TDbfFile::SetMapReads(bool value) {
  FMapReads = value;
  if (!value) UnmapFile();
}

// ---- locks and writes

bool TDbfFile::Lock(std::int64_t offset, std::int64_t length) {
  if (FExclusive || (FBatch && IsHeaderRange(offset, length))) return true;
  FStream->UnlockRange(offset, length);
  if (FStream->LockRange(offset, length)) return true;
  if (FStream->LastLockError() != kErrorLockViolation) return false;
  if (FLockWait) FLockWait(kLockRetryMilliseconds);
  return FStream->LockRange(offset, length);
}

void TDbfFile::Unlock(std::int64_t offset, std::int64_t length) {
  if (FExclusive || (FBatch && IsHeaderRange(offset, length))) return;
  FStream->UnlockRange(offset, length);
}

void TDbfFile::CheckWritable() const {
  if (!FWriteError.empty())
    throw EDBFError("Таблица " + FFileName + " не принимает изменений после неудачной записи (" +
                    FWriteError + "); откройте ее заново");
}

void TDbfFile::WriteRecord(std::uint32_t record, const char* buffer) {
  if (FPendingCount > 0 && record >= FPendingFirst && record - FPendingFirst < FPendingCount) {
    std::memcpy(FPending.data() + (record - FPendingFirst) * FLayout.RecordLength, buffer,
                FLayout.RecordLength);
    return;
  }
  FStream->SetPosition(FLayout.RecordPosition(record));
  FStream->WriteBuffer(buffer, FLayout.RecordLength);
  if (record >= FWindowFirst && record - FWindowFirst < FWindowCount)
    std::memcpy(FWindow.data() + (record - FWindowFirst) * FLayout.RecordLength, buffer,
                FLayout.RecordLength);
}

bool TDbfFile::Append(const char* buffer, std::uint32_t& recordNumber) {
  if (FBatch) {
    recordNumber = FPendingFirst + FPendingCount;
    FPending.insert(FPending.end(), buffer, buffer + FLayout.RecordLength);
    ++FPendingCount;
    if (FPending.size() >= kBatchBytes) FlushAppends();
    return true;
  }
  if (!Lock(0, kHeaderSize)) return false;
  TRangeLockGuard unlock(*this, 0, kHeaderSize);
  GuardedWrite([&] {
    // Other users' appends count: the count is read again under the lock.
    const std::uint32_t count = ReadCount();
    FAppendBlock.assign(buffer, buffer + FLayout.RecordLength);
    FAppendBlock.push_back(kEofMarker);
    WriteBlock(count, FAppendBlock, count + 1);
    recordNumber = count;
  });
  return true;
}

std::uint32_t TDbfFile::ReadCount() {
  char count[4];
  // One call, not a seek and a read: every append comes here.
  if (::pread(FStream->Handle(), count, sizeof count, kRecordCountOffset) != sizeof count) {
    FStream->SetPosition(kRecordCountOffset);
    FStream->ReadBuffer(count, sizeof count);
  }
  return DecodeFixed32(count);
}

void TDbfFile::WriteAt(std::int64_t position, const char* bytes, std::size_t length) {
  if (FDirectWrites) {
    // One call, not a seek and a write: every append makes three.
    const ssize_t done = ::pwrite(FStream->Handle(), bytes, length, position);
    if (done == static_cast<ssize_t>(length)) return;
    // The stream says why (or writes the rest).
    const std::size_t written = done > 0 ? static_cast<std::size_t>(done) : 0;
    position += static_cast<std::int64_t>(written);
    bytes += written;
    length -= written;
  }
  FStream->SetPosition(position);
  FStream->WriteBuffer(bytes, static_cast<std::int64_t>(length));
}

void TDbfFile::WriteBlock(std::uint32_t first, const std::vector<char>& block,
                          std::uint32_t count) {
  const std::int64_t at = FLayout.RecordPosition(first);
  const std::int64_t size = FStream->Size();
  // A write that fails (a full disk, a size limit) leaves no byte past the
  // counted records: a later copy of the file (a pack) would take them
  // for a record, and other programs would stop at its flag, the old end
  // byte. Plain calls, which cannot throw while the failure passes.
  bool whole = false;
  TScopeExit cut([&] {
    if (whole) return;
    // Should these fail too, nothing more can be done.
    const int handle = FStream->Handle();
    [[maybe_unused]] const ssize_t ended = size > at ? ::pwrite(handle, &kEofMarker, 1, at) : 0;
    [[maybe_unused]] const int cutDone = ::ftruncate(handle, size > at ? at + 1 : size);
  });
  if (size > at + 1) {
    CutTail(first);
  } else if (size == at) {
    // A table that has never had an append has no end byte yet.
    WriteAt(at, &kEofMarker, 1);
  }
  // The end byte after the counted records stays until the rest of the
  // block is whole: a write killed midway leaves the counted records
  // followed by the end byte, and only bytes past it that the next
  // writer cuts off. The record's first byte then takes its place, and
  // the count goes last.
  WriteAt(at + 1, block.data() + 1, block.size() - 1);
  WriteAt(at, block.data(), 1);
  char bytes[4];
  EncodeFixed32(bytes, count);
  WriteAt(kRecordCountOffset, bytes, sizeof bytes);
  whole = true;
}

void TDbfFile::CutTail(std::uint32_t count) {
  const std::int64_t end = FLayout.RecordPosition(count);
  if (FStream->Size() <= end + 1) return;
  // The end byte first: should we die before the cut, readers that stop
  // at it still stop after the counted records.
  WriteAt(end, &kEofMarker, 1);
  FStream->SetSize(end + 1);
}

void TDbfFile::CutUncountedTail() {
  // Most files end where their records do; only a longer one (or one that
  // another user has just appended to) is worth the lock.
  if (FStream->Size() <= FLayout.RecordPosition(FKnownCount) + 1) return;
  if (!Lock(0, kHeaderSize)) return;  // the next writer cuts it
  TRangeLockGuard unlock(*this, 0, kHeaderSize);
  GuardedWrite([&] { CutTail(ReadCount()); });
}

bool TDbfFile::BeginAppendBatch() {
  if (FBatch) return true;
  if (!Lock(0, kHeaderSize)) return false;
  try {
    // Other users' appends count, as for a single append.
    FPendingFirst = ReadCount();
  } catch (...) {
    Unlock(0, kHeaderSize);
    throw;
  }
  FPendingCount = 0;
  FPending.clear();
  FBatch = true;
  return true;
}

void TDbfFile::EndAppendBatch() {
  if (!FBatch) return;
  TScopeExit drop([this] {
    FBatch = false;
    FPending.clear();
    FPendingCount = 0;
    Unlock(0, kHeaderSize);
  });
  FlushAppends();
}

void TDbfFile::FlushAppends() {
  if (FPendingCount == 0) return;
  CheckWritable();
  GuardedWrite([&] {
    FPending.push_back(kEofMarker);
    WriteBlock(FPendingFirst, FPending, FPendingFirst + FPendingCount);
  });
  FPendingFirst += FPendingCount;
  FPendingCount = 0;
  FPending.clear();
}

bool TDbfFile::WriteCodePageByte(std::uint8_t codePage) {
  // Only byte 29, and under the header lock: the rest of the header may
  // have changed since we read it (another user's append).
  if (!Lock(0, kHeaderSize)) return false;
  TRangeLockGuard unlock(*this, 0, kHeaderSize);
  const char byte = static_cast<char>(codePage);
  GuardedWrite([&] {
    FStream->SetPosition(kCodePageOffset);
    FStream->WriteBuffer(&byte, 1);
  });
  FLayout.Header.CodePage = codePage;
  return true;
}

// ---- reading

void TDbfFile::ReadRecord(std::uint32_t record, char* buffer, bool sequential, bool backwards) {
  const std::size_t length = FLayout.RecordLength;
  if (FPendingCount > 0 && record >= FPendingFirst) {
    if (record - FPendingFirst < FPendingCount) {
      std::memcpy(buffer, FPending.data() + (record - FPendingFirst) * length, length);
      return;
    }
    FlushAppends();
  }
  if (FMapReads && record < FKnownCount) {
    const std::size_t end = static_cast<std::size_t>(FLayout.RecordPosition(record)) + length;
    if (end > FMapLength) MapFile();
    if (FMap != nullptr && end <= FMapLength) {
      CopyMapped(buffer, end - length, length);
      return;
    }
  }
  const bool inWindow = record >= FWindowFirst && record - FWindowFirst < FWindowCount;
  // Another user may have rewritten a record since we read it: a shared
  // table re-reads the current record, and trusts the window only briefly.
  const bool fresh =
      FExclusive || (sequential && GetTickCount() - FWindowTick < kSharedWindowMilliseconds);
  if (inWindow && fresh) {
    std::memcpy(buffer, FWindow.data() + (record - FWindowFirst) * length, length);
    return;
  }
  // Only a run of steps through neighbouring records (a scan, not the
  // step or two of a resync) is worth a block.
  const std::uint32_t previous = FLastRead;
  FLastRead = record;
  FRun = sequential && record == (backwards ? previous - 1 : previous + 1) ? FRun + 1 : 0;
  if (!sequential || FRun < 2 || record >= FKnownCount) {
    // One call, not a seek and a read: this is the path of every jump.
    const ssize_t got = ::pread(FStream->Handle(), buffer, length, FLayout.RecordPosition(record));
    if (got != static_cast<ssize_t>(length)) {
      FStream->SetPosition(FLayout.RecordPosition(record));
      FStream->ReadBuffer(buffer, static_cast<std::int64_t>(length));
    }
    if (inWindow) std::memcpy(FWindow.data() + (record - FWindowFirst) * length, buffer, length);
    return;
  }
  const std::uint32_t span =
      static_cast<std::uint32_t>(std::max<std::size_t>(1, kWindowBytes / length));
  std::uint32_t first = record;
  if (backwards) first = record + 1 >= span ? record + 1 - span : 0;
  // During a batch the window stops where the file does.
  const std::uint32_t inFile = FPendingCount > 0 ? FPendingFirst : FKnownCount;
  const std::uint32_t count = std::min(span, inFile - first);
  DropWindow();
  FWindow.resize(count * length);
  FStream->SetPosition(FLayout.RecordPosition(first));
  FStream->ReadBuffer(FWindow.data(), static_cast<std::int64_t>(FWindow.size()));
  FWindowFirst = first;
  FWindowCount = count;
  FWindowTick = GetTickCount();
  std::memcpy(buffer, FWindow.data() + (record - first) * length, length);
}

void TDbfFile::ReadBlock(std::uint32_t first, std::uint32_t count, char* to,
                         std::span<const TRecordPart> parts) {
  if (FPendingCount > 0 && first + count > FPendingFirst) FlushAppends();
  const std::size_t bytes = static_cast<std::size_t>(count) * FLayout.RecordLength;
  const std::size_t position = static_cast<std::size_t>(FLayout.RecordPosition(first));
  if (FMapReads && position + bytes > FMapLength) MapFile();
  if (FMap != nullptr && position + bytes <= FMapLength && !parts.empty()) {
    std::vector<TMappedPart> ranges{{0, 1}};
    for (const TRecordPart& part : parts) ranges.push_back({part.Offset, part.Length});
    if (!GatherPartsFromMapping(to, FMap + position, FLayout.RecordLength, count, ranges))
      RaiseCutShort();
  } else if (FMap != nullptr && position + bytes <= FMapLength) {
    CopyMapped(to, position, bytes);
  } else {
    FStream->SetPosition(static_cast<std::int64_t>(position));
    FStream->ReadBuffer(to, static_cast<std::int64_t>(bytes));
  }
}

void TDbfFile::ReadFlags(std::uint32_t first, std::uint32_t count, char* to) {
  if (FPendingCount > 0 && first + count > FPendingFirst) FlushAppends();
  const std::size_t length = FLayout.RecordLength;
  const std::size_t bytes = static_cast<std::size_t>(count) * length;
  const std::size_t position = static_cast<std::size_t>(FLayout.RecordPosition(first));
  if (FMapReads && position + bytes > FMapLength) MapFile();
  if (FMap != nullptr && position + bytes <= FMapLength) {
    if (GatherFromMapping(to, FMap + position, length, count)) return;
    RaiseCutShort();
  }
  const std::uint32_t perBlock =
      static_cast<std::uint32_t>(std::max<std::size_t>(1, (std::size_t{1} << 20) / length));
  std::vector<char> block;
  for (std::uint32_t done = 0; done < count;) {
    const std::uint32_t n = std::min(perBlock, count - done);
    block.resize(n * length);
    ReadBlock(first + done, n, block.data());
    for (std::uint32_t i = 0; i < n; ++i) to[done + i] = block[i * length];
    done += n;
  }
}

void TDbfFile::MapFile() {
  UnmapFile();
  const std::int64_t size = FStream->Size();
  const std::size_t length = static_cast<std::size_t>(size) + kMapHeadroomBytes;
  // The first mapping of an open is read whole (the orderings are built
  // from it at once): its pages are mapped in one call, not one fault at
  // a time. A remap for growth maps lazily.
  const int populate = FRemapped ? 0 : MAP_POPULATE;
  FRemapped = true;
  void* map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED | populate, FStream->Handle(), 0);
  if (map == MAP_FAILED) {
    FMapReads = false;  // read through the stream from now on
    return;
  }
  // Pages past the end of the file may be touched only once the file has
  // grown over them: readers check that the record is one the table knows.
  FMap = static_cast<const char*>(map);
  FMapLength = length;
}

void TDbfFile::UnmapFile() {
  if (FMap != nullptr) ::munmap(const_cast<char*>(FMap), FMapLength);
  FMap = nullptr;
  FMapLength = 0;
}

void TDbfFile::CopyMapped(char* to, std::size_t offset, std::size_t length) {
  if (CopyFromMapping(to, FMap + offset, length)) return;
  RaiseCutShort();
}

void TDbfFile::RaiseCutShort() {
  UnmapFile();
  FMapReads = false;
  throw EDBFError("Таблица " + FFileName +
                  ": файл был укорочен другой программой, пока был открыт");
}
