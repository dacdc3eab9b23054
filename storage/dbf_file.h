// TDbfFile: the open file under a DBF table. It reads and writes whole
// records, appends under the header lock, takes byte-range locks, and
// remembers a failed write. It knows the byte layout (dbf_format.h) and
// nothing of fields, orderings or the dataset; TmDbfTable owns one while
// it is open.
//
// Reading. Records are read straight from the file's pages through a
// read-only shared memory mapping, which shows every write to the file,
// ours or another user's, the moment it is made: it is as fresh as a read
// call and costs no system call. The owner decides whether to map
// (SetMapReads): an exclusive table always may, a shared one only on a
// local file system (OnLocalFileSystem), since a network file system's
// client may keep mapped pages that another machine has since rewritten.
// Otherwise records are read through a read-ahead window: a step to the
// next or prior record reads a block of neighbouring records at once, and
// the following steps are served from it. A write of ours updates the
// window; DropWindow and closing drop it. In a shared file other users may
// rewrite or delete records, so there the window serves only steps taken
// within kSharedWindowMilliseconds of reading it, and a read that is not a
// step always goes to the file. Only records below KnownCount are read
// through the mapping or the window. Should another program cut the file
// short while it is mapped, reading a record past the new end fails with
// EDBFError "Таблица <name>: файл был укорочен другой программой, пока был
// открыт" instead of ending the program (mapped_read.h), and reads go
// through the stream from then on.
//
// Locks. An exclusive file takes none (every Lock succeeds at once). A
// shared one takes byte-range locks on the stream; a lock that another
// open file holds is tried once more after LockWait(200 ms).
//
// Writes. After a failed write (GuardedWrite) every further write is
// refused by CheckWritable with EDBFError naming the first failure, until
// the file is opened again. Appends write so that a process killed at any
// byte leaves the counted records followed by the end byte: a block's
// bytes go after the old end byte, which its first byte replaces once the
// rest is whole, and the count comes last. What such a death leaves past
// the end byte (never counted) is cut off by the next append and by
// CutUncountedTail; an append whose write fails cuts it before it throws.
//
// GUI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "storage/dbf_format.h"

class TFileStream;

// How long a shared table's read-ahead window serves further steps.
inline constexpr std::uint32_t kSharedWindowMilliseconds = 100;

// True for file systems whose mapped pages are the pages every reader and
// writer of the file shares (ext4, xfs, btrfs, tmpfs...).
bool OnLocalFileSystem(int handle);

class TDbfFile {
 public:
  // Takes `stream`, open on `fileName`. `exclusive`: nobody else has the
  // file, so no lock is needed and the window is always fresh. `lockWait`
  // (may be empty) waits between the two tries of a lock.
  TDbfFile(std::string fileName, std::unique_ptr<TFileStream> stream, bool exclusive,
           std::function<void(int milliseconds)> lockWait);
  // Unmaps quietly.
  ~TDbfFile();
  TDbfFile(const TDbfFile&) = delete;
  TDbfFile& operator=(const TDbfFile&) = delete;

  const std::string& FileName() const { return FFileName; }
  TFileStream& Stream() { return *FStream; }
  bool Exclusive() const { return FExclusive; }
  const dbf::TLayout& Layout() const { return FLayout; }
  std::uint32_t RecordLength() const { return FLayout.RecordLength; }
  // A record of RecordLength bytes with every column empty as its letter
  // stores it and a zero deletion flag; made once per layout.
  const std::string& EmptyRecord();

  // Reads the header and descriptors. A shared file that looks damaged is
  // read once more under the header lock: no append is half done then,
  // and a network file system's client takes its cached size afresh when
  // a lock is taken, so only real damage is reported. Throws as
  // dbf::ReadLayout.
  void ReadLayout();
  // The header's record count, checked against the file's size (under the
  // header lock when a shared file seems short). Drops the window.
  // Throws EDBFError "Таблица <name> повреждена: в заголовке <n> записей,
  // а в файле помещается <m>.".
  std::uint32_t CountRecords();

  // Refuses a file whose records 0 .. count - 1 hold their deletion flags
  // (' ' or '*') one byte off from the header length, or hold none at
  // all: reading on would show garbled or no records and write over a
  // record. Reads a few records, and all flags only in doubt. Throws
  // EDBFError "Таблица <name> повреждена: длина заголовка <h> байт
  // неверна: ...".
  void CheckRecordFlags(std::uint32_t count);

  // The records the owner knows to be in the file: 0 .. KnownCount - 1.
  std::uint32_t KnownCount() const { return FKnownCount; }
  void SetKnownCount(std::uint32_t count);

  // Whether records are read through a mapping (off by default).
  void SetMapReads(bool value);
  // Whether appends write straight to the stream's file descriptor, one
  // call per write (off by default: a stream that injects faults must see
  // every write). REQUIRES for true: the stream is a plain TFileStream.
  void SetDirectWrites(bool value) { FDirectWrites = value; }
  void DropWindow() { FWindowCount = 0; }

  // Reads record `record` into `buffer` (RecordLength bytes).
  // `sequential`: a step to the next or prior record (`backwards`), which
  // the window serves. Throws the stream's errors, or EDBFError for a cut
  // file.
  void ReadRecord(std::uint32_t record, char* buffer, bool sequential = false,
                  bool backwards = false);
  // A byte range of a record.
  struct TRecordPart {
    std::size_t Offset;
    std::size_t Length;
  };
  // Reads records from .. to - 1 in blocks and calls visit(record, bytes)
  // for each live one. With `parts`, through the mapping only the deletion
  // flag and those parts of each record are read: the visit may look at
  // nothing else. REQUIRES: to <= the file's record count (the caller
  // checked it, as CountRecords does); every part within the record.
  template <class F>
  void ScanLiveRecords(std::uint32_t from, std::uint32_t to, F&& visit,
                       std::span<const TRecordPart> parts = {});
  // As ScanLiveRecords for a caller that wants only the numbers:
  // visit(record) for each live one. Through the mapping only the
  // deletion flags are read.
  template <class F>
  void ScanLiveRecordNumbers(std::uint32_t from, std::uint32_t to, F&& visit);

  // Rewrites record `record`. Not guarded: the caller wraps it in
  // GuardedWrite under the record's lock.
  void WriteRecord(std::uint32_t record, const char* buffer);
  // Appends `buffer` under the header lock (false when it cannot be had,
  // and nothing is written): re-reads the record count (other users'
  // appends count), cuts off what a killed write left past the counted
  // records, writes the record and the end-of-file byte, then the new
  // count. Sets `recordNumber` to the new record's number. A failure
  // is remembered as GuardedWrite does.
  bool Append(const char* buffer, std::uint32_t& recordNumber);
  // Cuts off what a killed write left past the counted records, under the
  // header lock (nothing happens when another user holds it: the next
  // writer cuts it then), so that the file ends with the end byte after
  // the last counted record. Every append cuts it too. A failure is
  // remembered as GuardedWrite does.
  void CutUncountedTail();
  // Writes header byte 29 under the header lock; false when the lock
  // cannot be had (nothing is written).
  bool WriteCodePageByte(std::uint8_t codePage);

  // Batched appends, for a caller that appends many records at once.
  // BeginAppendBatch takes the header lock (false when it cannot be had)
  // and holds it until EndAppendBatch, so no other user appends meanwhile
  // and the record numbers Append hands out stay ours. Appended records
  // collect in memory and go to the file in blocks: each block with the
  // end-of-file byte after it, then the header's new count, so the file is
  // whole at every moment and ends up with the same bytes as appending one
  // by one. Collected records are read and rewritten in memory; whatever
  // reads the file as a whole (CountRecords, the scans) writes them first.
  // A failed block write is remembered as GuardedWrite does.
  bool BeginAppendBatch();
  // Writes what is collected and drops the header lock, which is dropped
  // even when the write throws.
  void EndAppendBatch();
  bool InAppendBatch() const { return FBatch; }
  // Writes the collected records now.
  void FlushAppends();

  // Byte-range locks; true at once for an exclusive file, and for the
  // header during an append batch (which holds it; Unlock leaves it held).
  bool Lock(std::int64_t offset, std::int64_t length);
  void Unlock(std::int64_t offset, std::int64_t length);

  // Throws EDBFError "Таблица <name> не принимает изменений после неудачной
  // записи (<why>); откройте ее заново" once a write has failed.
  void CheckWritable() const;
  // Runs `write`; an exception from it is remembered, then rethrown.
  template <class F>
  void GuardedWrite(F&& write);

 private:
  // Maps the file with room to grow; gives up mapping when that fails.
  void MapFile();
  void UnmapFile();
  // Copies length bytes at `offset` out of the mapping; for a cut file
  // drops the mapping and throws EDBFError.
  void CopyMapped(char* to, std::size_t offset, std::size_t length);
  // Drops the mapping (reads go through the stream from now on) and
  // throws EDBFError for a file another program cut short.
  [[noreturn]] void RaiseCutShort();
  // Writes `length` bytes at `position`; throws the stream's errors.
  void WriteAt(std::int64_t position, const char* bytes, std::size_t length);
  // The header's record count, read from the file.
  std::uint32_t ReadCount();
  // Writes `block` (whole records and the end byte) as the records from
  // `first` on, then `count` as the header's record count, so that no
  // reader takes a record the count does not hold. REQUIRES: the header
  // lock; `first` is the header's count.
  void WriteBlock(std::uint32_t first, const std::vector<char>& block, std::uint32_t count);
  // Cuts the file after the end byte that follows record count - 1 when
  // anything stands past it. REQUIRES: the header lock.
  void CutTail(std::uint32_t count);
  // Records first .. first + count - 1 into `to`; with `parts`, through
  // the mapping only their deletion flags and those parts.
  void ReadBlock(std::uint32_t first, std::uint32_t count, char* to,
                 std::span<const TRecordPart> parts = {});
  // The deletion flags of those records into `to` (count bytes).
  void ReadFlags(std::uint32_t first, std::uint32_t count, char* to);

  std::string FFileName;
  std::unique_ptr<TFileStream> FStream;
  bool FExclusive;
  std::function<void(int)> FLockWait;
  dbf::TLayout FLayout;
  std::string FEmptyRecord;  // of FLayout, made on first use
  std::uint32_t FKnownCount = 0;
  std::string FWriteError;  // the first failed write
  // The file mapped read-only from offset 0, when FMapReads.
  bool FMapReads = false;
  bool FDirectWrites = false;
  const char* FMap = nullptr;
  std::size_t FMapLength = 0;
  bool FRemapped = false;  // mapped before
  // The read-ahead window: records FWindowFirst .. + FWindowCount - 1.
  std::vector<char> FWindow;
  std::uint32_t FWindowFirst = 0;
  std::uint32_t FWindowCount = 0;
  std::uint32_t FWindowTick = 0;
  std::uint32_t FLastRead = 0;  // the last record read, and how many
  int FRun = 0;                 // steps to a neighbour led to it
  // An append batch: records FPendingFirst .. + FPendingCount - 1 are
  // collected in FPending and not yet in the file.
  bool FBatch = false;
  std::vector<char> FPending;
  std::vector<char> FAppendBlock;  // a single append's record and end byte
  std::uint32_t FPendingFirst = 0;
  std::uint32_t FPendingCount = 0;
};

// Holds a byte-range lock of a TDbfFile until the end of the scope.
// REQUIRES: the lock is held (Lock returned true).
class TRangeLockGuard {
 public:
  TRangeLockGuard(TDbfFile& file, std::int64_t offset, std::int64_t length)
      : FFile(file), FOffset(offset), FLength(length) {}
  ~TRangeLockGuard() { FFile.Unlock(FOffset, FLength); }
  TRangeLockGuard(const TRangeLockGuard&) = delete;
  TRangeLockGuard& operator=(const TRangeLockGuard&) = delete;

 private:
  TDbfFile& FFile;
  std::int64_t FOffset;
  std::int64_t FLength;
};

template <class F>
void TDbfFile::ScanLiveRecords(std::uint32_t from, std::uint32_t to, F&& visit,
                               std::span<const TRecordPart> parts) {
  if (from >= to) return;
  constexpr std::size_t kScanBytes = 1 << 20;
  const std::size_t recordLength = FLayout.RecordLength;
  const std::uint32_t perChunk =
      static_cast<std::uint32_t>(kScanBytes / recordLength > 0 ? kScanBytes / recordLength : 1);
  std::vector<char> chunk;
  for (std::uint32_t first = from; first < to;) {
    const std::uint32_t count = perChunk < to - first ? perChunk : to - first;
    chunk.resize(count * recordLength);
    // Copied out, not visited in place: the visit runs our code and the
    // user's, which a cut file must not interrupt.
    ReadBlock(first, count, chunk.data(), parts);
    const char* records = chunk.data();
    for (std::uint32_t i = 0; i < count; ++i) {
      const char* record = records + i * recordLength;
      if (record[0] == dbf::kLiveFlag) visit(static_cast<int>(first + i), record);
    }
    first += count;
  }
}

template <class F>
void TDbfFile::ScanLiveRecordNumbers(std::uint32_t from, std::uint32_t to, F&& visit) {
  constexpr std::uint32_t kPerChunk = 64 * 1024;
  std::vector<char> flags;
  for (std::uint32_t first = from; first < to;) {
    const std::uint32_t count = kPerChunk < to - first ? kPerChunk : to - first;
    flags.resize(count);
    ReadFlags(first, count, flags.data());
    for (std::uint32_t i = 0; i < count; ++i)
      if (flags[i] == dbf::kLiveFlag) visit(static_cast<int>(first + i));
    first += count;
  }
}

template <class F>
void TDbfFile::GuardedWrite(F&& write) {
  try {
    write();
  } catch (const Exception& e) {
    if (FWriteError.empty()) FWriteError = e.Message();
    throw;
  }
}
