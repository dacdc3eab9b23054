#include "platform/base/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "platform/base/file_utils.h"

namespace {

const char kSharingViolation[] = "Файл занят другим пользователем или программой.";

// The share tokens, one byte each from kReservedLockOffset.
enum Token : std::int64_t { kReadAccess, kWriteAccess, kDenyRead, kDenyWrite };

std::string SystemText(int error) { return SystemErrorText(error); }

// The one place that builds open and create failures.
[[noreturn]] void RaiseFileError(bool create, const std::string& fileName,
                                 const std::string& reason) {
  if (create) throw EFCreateError("Не удается создать файл \"" + fileName + "\". " + reason);
  throw EFOpenError("Не удается открыть файл \"" + fileName + "\". " + reason);
}

[[noreturn]] void RaiseSystemError(bool create, const std::string& fileName, int error) {
  // Nothing to find when creating: it is the folder that is missing.
  RaiseFileError(create, fileName,
                 create && error == ENOENT ? SystemText(ENOTDIR) : SystemText(error));
}

struct flock LockRecord(short type, std::int64_t offset, std::int64_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = length;
  return lock;
}

bool HeldByOther(int handle, Token token) {
  struct flock lock = LockRecord(F_WRLCK, kReservedLockOffset + token, 1);
  // A failed query counts as held: refusing is the safe answer.
  return fcntl(handle, F_OFD_GETLK, &lock) != 0 || lock.l_type != F_UNLCK;
}

void CheckLockRange(std::int64_t offset, std::int64_t length) {
  if (offset < 0 || length <= 0 || length > kReservedLockOffset - offset)
    throw EStreamError(std::string("Invalid lock range"));
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode)
    : FFileName(NormalizePathSeparators(fileName)) {
  const bool create = (mode & fmCreate) == fmCreate;
  const unsigned access = create ? fmOpenReadWrite : mode & 0x0F;
  const unsigned share = mode & 0xF0;
  if (access > fmOpenReadWrite || share > fmShareDenyNone)
    RaiseSystemError(create, FFileName, EINVAL);

  int flags = O_CLOEXEC | (create ? O_CREAT : 0);
  flags |= access == fmOpenRead ? O_RDONLY : access == fmOpenWrite ? O_WRONLY : O_RDWR;
  FHandle = ::open(FFileName.c_str(), flags, 0666);
  if (FHandle < 0) RaiseSystemError(create, FFileName, errno);
  try {
    struct stat own {};
    if (fstat(FHandle, &own) != 0) RaiseSystemError(create, FFileName, errno);
    if (S_ISDIR(own.st_mode)) RaiseSystemError(create, FFileName, EISDIR);

    FShareHandle = ::open(FFileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FShareHandle < 0) RaiseSystemError(create, FFileName, errno);
    struct stat second {};
    if (fstat(FShareHandle, &second) != 0) RaiseSystemError(create, FFileName, errno);
    // Renamed or replaced between the two opens: someone else is at work on it.
    if (second.st_dev != own.st_dev || second.st_ino != own.st_ino)
      RaiseFileError(create, FFileName, kSharingViolation);

    TakeShareTokens(mode, create);
    if (create && ftruncate(FHandle, 0) != 0) RaiseSystemError(create, FFileName, errno);
  } catch (...) {
    Close();
    throw;
  }
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
  if (FShareHandle >= 0) ::close(FShareHandle);
  if (FHandle >= 0) ::close(FHandle);
  FShareHandle = FHandle = -1;
}

void TFileStream::TakeShareTokens(unsigned mode, bool create) {
  const unsigned access = create ? fmOpenReadWrite : mode & 0x0F;
  const unsigned share = mode & 0xF0;
  const bool read = access != fmOpenWrite;
  const bool write = access != fmOpenRead;
  const bool denyRead =
      share == fmShareExclusive || share == fmShareDenyRead || (create && share == fmShareCompat);
  const bool denyWrite = denyRead || share == fmShareDenyWrite;

  const std::pair<bool, Token> mine[] = {
      {read, kReadAccess}, {write, kWriteAccess}, {denyRead, kDenyRead}, {denyWrite, kDenyWrite}};
  for (auto [holds, token] : mine) {
    if (!holds) continue;
    struct flock lock = LockRecord(F_RDLCK, kReservedLockOffset + token, 1);
    if (fcntl(FShareHandle, F_OFD_SETLK, &lock) == 0) continue;
    if (errno != EAGAIN && errno != EACCES) RaiseSystemError(create, FFileName, errno);
    RaiseFileError(create, FFileName, kSharingViolation);
  }
  if ((read && HeldByOther(FShareHandle, kDenyRead)) ||
      (write && HeldByOther(FShareHandle, kDenyWrite)) ||
      (denyRead && HeldByOther(FShareHandle, kReadAccess)) ||
      (denyWrite && HeldByOther(FShareHandle, kWriteAccess)))
    RaiseFileError(create, FFileName, kSharingViolation);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  CheckCount(count);
  auto* bytes = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(count - done, 1 << 30));
    const ssize_t n = ::read(FHandle, bytes + done, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(std::string(SReadError) + ". " + SystemText(errno));
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  CheckCount(count);
  const auto* bytes = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(count - done, 1 << 30));
    const ssize_t n = ::write(FHandle, bytes + done, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EWriteError(std::string(SWriteError) + ". " + SystemText(errno));
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  const off_t position = lseek(FHandle, offset, whence);
  if (position < 0 && (errno == EINVAL || errno == EOVERFLOW)) CheckPosition(-1);
  if (position < 0) throw EStreamError(SystemText(errno));
  return position;
}

std::int64_t TFileStream::Size() {
  struct stat st {};
  if (fstat(FHandle, &st) != 0) throw EStreamError(SystemText(errno));
  return st.st_size;
}

void TFileStream::SetSize(std::int64_t size) {
  CheckSize(size);
  if (ftruncate(FHandle, size) != 0)
    throw EStreamError("Не удается изменить размер файла. " + SystemText(errno));
  if (Position() > size) SetPosition(size);
}

void TFileStream::FlushBuffers() {
  if (fsync(FHandle) != 0) throw EWriteError(std::string(SWriteError) + ". " + SystemText(errno));
}

bool TFileStream::LockRange(std::int64_t offset, std::int64_t length) {
  CheckLockRange(offset, length);
  struct flock lock = LockRecord(F_WRLCK, offset, length);
  if (fcntl(FHandle, F_OFD_SETLK, &lock) == 0) {
    FLastLockError = kErrorSuccess;
    return true;
  }
  FLastLockError = errno == EAGAIN || errno == EACCES ? kErrorLockViolation
                   : errno == EBADF                   ? kErrorAccessDenied
                                                      : kErrorGenFailure;
  return false;
}

bool TFileStream::UnlockRange(std::int64_t offset, std::int64_t length) {
  CheckLockRange(offset, length);
  struct flock lock = LockRecord(F_UNLCK, offset, length);
  const bool ok = fcntl(FHandle, F_OFD_SETLK, &lock) == 0;
  FLastLockError = ok ? kErrorSuccess : kErrorGenFailure;
  return ok;
}
