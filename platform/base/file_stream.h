// TFileStream: a stream over an open file, with the classic share modes and
// byte-range locks, so that two instances of the program (or two tables in
// one process) can work on the same register files.
//
// Share modes. Every open has an access (read, write or both) and a deny
// set (exclusive and deny-read deny both, deny-write denies writing,
// deny-none and compat deny nothing). An open succeeds only when its access
// is not denied by any other open of the file and its deny set does not
// cover the access of any other open: the classic rule, so e.g. a deny-write
// reader is refused while a writer has the file, and a later writer is
// refused while the deny-write reader is there. Opens in the same process
// count as others.
//
// How: each stream opens the file a second time, read-only, just to hold
// "share tokens": open-file-description read locks (F_OFD_SETLK) on four
// reserved bytes far past any real offset (kReservedLockOffset..+3): one
// byte each for "has read access", "has write access", "denies read",
// "denies write". An opener first takes the tokens that describe it, then
// asks (F_OFD_GETLK) whether another description holds a token that
// conflicts; if so it drops everything and fails. Announcing before checking
// means two racing openers can never both succeed (at worst both fail, as
// when the other really had the file). Closing a description drops its
// tokens, so a killed process never leaves the file held.
//
// Byte-range locks are open-file-description write locks on the stream's
// own descriptor: exclusive, fail at once when another open file (in this
// process or another) holds an overlapping lock, and released by the close.
// Locks taken through the same stream merge as POSIX locks do: re-locking
// a range you hold succeeds, and UnlockRange of an unlocked range succeeds.
//
// Paths may use "\" as separator; it means "/". GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/stream.h"

// Open modes, with the classic values. fmCreate creates or truncates the
// file, opened for reading and writing; alone it is exclusive, or it may be
// combined with one share flag.
inline constexpr unsigned fmCreate = 0xFF00;
inline constexpr unsigned fmOpenRead = 0x0000;
inline constexpr unsigned fmOpenWrite = 0x0001;
inline constexpr unsigned fmOpenReadWrite = 0x0002;
inline constexpr unsigned fmShareCompat = 0x0000;  // as fmShareDenyNone
inline constexpr unsigned fmShareExclusive = 0x0010;
inline constexpr unsigned fmShareDenyWrite = 0x0020;
inline constexpr unsigned fmShareDenyRead = 0x0030;  // as fmShareExclusive
inline constexpr unsigned fmShareDenyNone = 0x0040;

// LastLockError() codes, with the classic numbers.
inline constexpr int kErrorSuccess = 0;
inline constexpr int kErrorAccessDenied = 5;    // the stream is not open for writing
inline constexpr int kErrorGenFailure = 31;     // any other failure of the system
inline constexpr int kErrorLockViolation = 33;  // another open file holds the range

// The first of the bytes reserved for share tokens. Byte-range locks must
// end at or before it.
inline constexpr std::int64_t kReservedLockOffset = INT64_MAX - 15;

class TFileStream : public TStream {
 public:
  // Opens `fileName` with `mode` (an fm... access value or fmCreate, or'ed
  // with one fmShare... value).
  // Throws EFOpenError "Не удается открыть файл "<name>". <reason>" when it
  // cannot be opened: the reason is "Файл занят другим пользователем или
  // программой." for a share conflict, SystemErrorText otherwise ("Файл не
  // найден." for a missing file). With fmCreate, throws EFCreateError "Не
  // удается создать файл "<name>". <reason>" instead; the file is
  // truncated only after the share check has passed.
  TFileStream(const std::string& fileName, unsigned mode);
  // Closes quietly; the close releases every lock the stream held.
  ~TFileStream() override;

  const std::string& FileName() const { return FFileName; }
  int Handle() const { return FHandle; }

  // Writes the file's data to the disk (fsync). Throws EWriteError
  // SWriteError + ". <reason>" when the system fails.
  virtual void FlushBuffers();

  // Locks `length` bytes from `offset` for this stream alone. Returns false
  // at once, with LastLockError() == kErrorLockViolation, when another open
  // file holds an overlapping lock; kErrorAccessDenied when the stream was
  // opened without write access; kErrorGenFailure otherwise.
  // Throws EStreamError "Invalid lock range" unless offset >= 0,
  // length > 0 and offset + length <= kReservedLockOffset.
  virtual bool LockRange(std::int64_t offset, std::int64_t length);
  // Releases the range (or the part of it this stream holds). Returns false
  // with LastLockError() set when the system fails. Same preconditions.
  virtual bool UnlockRange(std::int64_t offset, std::int64_t length);
  // The reason of the last LockRange/UnlockRange (kErrorSuccess after a
  // success).
  int LastLockError() const { return FLastLockError; }

  // TStream. Read and Write throw EReadError SReadError + ". <reason>"
  // / EWriteError SWriteError + ". <reason>" when the system fails;
  // Seek and SetSize throw EStreamError. SetSize keeps the position unless
  // it lies past the new end.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override;

 private:
  void TakeShareTokens(unsigned mode, bool create);
  void Close();

  std::string FFileName;
  int FHandle = -1;
  int FShareHandle = -1;  // the second open description, holding the share tokens
  int FLastLockError = kErrorSuccess;
};
