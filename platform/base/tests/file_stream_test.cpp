#include "platform/base/file_stream.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "file_test_dir.h"
#include "platform/base/file_utils.h"

namespace {

const char kInUse[] = "Файл занят другим пользователем или программой.";

// The message of the exception `open` throws, "" when it does not throw.
template <class E>
std::string OpenError(const std::string& name, unsigned mode) {
  try {
    TFileStream f(name, mode);
  } catch (const E& e) {
    return e.Message();
  }
  return "";
}

// Runs `child` in a forked process and returns its exit code. The parent's
// open files and locks stay held while the child runs.
template <class F>
int InChild(F child) {
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 100;
    try {
      code = child();
    } catch (...) {
      code = 101;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(FileStream, ReadWriteSeekSize) {
  TFileTestDir dir;
  const std::string name = dir.File("data.bin");
  TFileStream f(name, fmCreate | fmShareDenyWrite);
  EXPECT_EQ(f.FileName(), name);
  f.WriteBuffer("0123456789", 10);
  EXPECT_EQ(f.Size(), 10);
  EXPECT_EQ(f.Seek(-4, TSeekOrigin::soEnd), 6);
  char buf[8] = {};
  EXPECT_EQ(f.Read(buf, 8), 4);  // short at the end
  EXPECT_EQ(std::string(buf, 4), "6789");
  f.SetPosition(8);
  EXPECT_THROW(f.ReadBuffer(buf, 3), EReadError);
  EXPECT_THROW(f.SetPosition(-1), EStreamError);

  f.SetPosition(9);
  f.SetSize(5);
  EXPECT_EQ(f.Position(), 5);
  f.Seek(2, TSeekOrigin::soEnd);
  f.WriteBuffer("!", 1);  // the gap reads as zeros
  f.FlushBuffers();
  EXPECT_EQ(ReadFile(name), std::string("01234\0\0!", 8));

  // fmCreate truncates a file nobody holds.
  WriteFile(dir.File("other.bin"), "x");
  EXPECT_EQ(TFileStream(dir.File("other.bin"), fmCreate).Size(), 0);
}

TEST(FileStream, OpenAndCreateFailures) {
  TFileTestDir dir;
  const std::string missing = dir.File("missing.dbf");
  EXPECT_EQ(OpenError<EFOpenError>(missing, fmOpenRead),
            "Не удается открыть файл \"" + missing + "\". Файл не найден.");
  const std::string nowhere = dir.File("no/such.dbf");
  EXPECT_EQ(OpenError<EFCreateError>(nowhere, fmCreate),
            "Не удается создать файл \"" + nowhere + "\". Папка не найдена.");
  EXPECT_EQ(OpenError<EFOpenError>(dir.Path(), fmOpenRead),
            "Не удается открыть файл \"" + dir.Path() + "\". Это папка, а не файл.");

  // Backslashes are separators.
  WriteFile(dir.File("a.txt"), "abc");
  std::string windowsName = dir.Path() + "\\a.txt";
  TFileStream f(windowsName, fmOpenRead);
  EXPECT_EQ(f.FileName(), dir.File("a.txt"));
  EXPECT_EQ(f.Size(), 3);
}

// First open × second open, within one process: 1 where the second open is
// allowed, 0 where it is refused.
TEST(FileStream, ShareModeMatrix) {
  TFileTestDir dir;
  const std::string name = dir.File("shared.dbf");
  WriteFile(name, "data");

  const unsigned modes[] = {
      fmOpenRead | fmShareDenyNone,        // 0
      fmOpenReadWrite | fmShareDenyNone,   // 1
      fmOpenRead | fmShareDenyWrite,       // 2
      fmOpenReadWrite | fmShareDenyWrite,  // 3
      fmOpenRead | fmShareExclusive,       // 4
      fmOpenWrite | fmShareCompat,         // 5
      fmOpenRead | fmShareDenyRead,        // 6
      fmCreate,                            // 7
      fmCreate | fmShareDenyNone,          // 8
  };
  const char* const allowed[] = {
      "111101001",  // read, deny none
      "110001001",  // read-write, deny none
      "101000000",  // read, deny write
      "100000000",  // read-write, deny write
      "000000000",  // exclusive
      "110001001",  // write, compat
      "000000000",  // deny read
      "000000000",  // create
      "110001001",  // create, deny none
  };
  for (std::size_t i = 0; i < std::size(modes); ++i) {
    for (std::size_t j = 0; j < std::size(modes); ++j) {
      SCOPED_TRACE("first " + std::to_string(i) + ", second " + std::to_string(j));
      TFileStream first(name, modes[i]);
      const bool create = (modes[j] & fmCreate) == fmCreate;
      std::string error = create ? OpenError<EFCreateError>(name, modes[j])
                                 : OpenError<EFOpenError>(name, modes[j]);
      if (allowed[i][j] == '1') {
        EXPECT_EQ(error, "");
      } else {
        EXPECT_EQ(error, std::string(create ? "Не удается создать" : "Не удается открыть") +
                             " файл \"" + name + "\". " + kInUse);
      }
    }
  }
  // A refused fmCreate truncates nothing; the last opens left nothing held.
  WriteFile(name, "kept");
  {
    TFileStream reader(name, fmOpenRead | fmShareDenyNone);
    EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
  }
  EXPECT_EQ(ReadFile(name), "kept");
  TFileStream exclusive(name, fmOpenReadWrite | fmShareExclusive);
}

TEST(FileStream, ShareModesAcrossProcesses) {
  TFileTestDir dir;
  const std::string name = dir.File("shared.dbf");
  WriteFile(name, "data");
  auto writer = std::make_unique<TFileStream>(name, fmOpenReadWrite | fmShareDenyNone);
  const int code = InChild([&] {
    int result = 0;
    // A deny-write reader is refused while a writer has the file; a plain
    // reader is not.
    if (OpenError<EFOpenError>(name, fmOpenRead | fmShareDenyWrite) ==
        std::string() + "Не удается открыть файл \"" + name + "\". " + kInUse)
      result |= 1;
    if (OpenError<EFOpenError>(name, fmOpenRead | fmShareDenyNone).empty()) result |= 2;
    return result;
  });
  EXPECT_EQ(code, 3);

  // The other way round: the child holds a deny-write open until the parent
  // has tried to write.
  writer.reset();
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 1;
    try {
      TFileStream held(name, fmOpenRead | fmShareDenyWrite);
      char c = 'h';
      if (write(toParent[1], &c, 1) == 1 && read(toChild[0], &c, 1) == 1) code = 0;
    } catch (...) {
      code = 2;
    }
    _exit(code);
  }
  char c = 0;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  EXPECT_THROW(TFileStream(name, fmOpenWrite | fmShareDenyNone), EFOpenError);
  ASSERT_EQ(write(toChild[1], &c, 1), 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
  // The child's exit released its open.
  EXPECT_NO_THROW(TFileStream(name, fmOpenWrite | fmShareDenyNone));
}

TEST(FileStream, ByteRangeLocksWithinOneProcess) {
  TFileTestDir dir;
  const std::string name = dir.File("locks.dbf");
  WriteFile(name, "0123456789");
  TFileStream first(name, fmOpenReadWrite | fmShareDenyNone);
  auto second = std::make_unique<TFileStream>(name, fmOpenReadWrite | fmShareDenyNone);

  EXPECT_TRUE(first.LockRange(0, 10));
  EXPECT_EQ(first.LastLockError(), kErrorSuccess);
  EXPECT_FALSE(second->LockRange(5, 10));
  EXPECT_EQ(second->LastLockError(), kErrorLockViolation);
  EXPECT_EQ(kErrorLockViolation, 33);
  EXPECT_TRUE(second->LockRange(10, 5));                // touching, not overlapping
  EXPECT_TRUE(second->LockRange(1'000'000'000, 4000));  // past the end of the file
  EXPECT_FALSE(first.LockRange(1'000'000'100, 1));

  EXPECT_TRUE(first.UnlockRange(0, 10));
  EXPECT_TRUE(second->LockRange(0, 10));
  EXPECT_FALSE(first.LockRange(9, 1));
  second.reset();  // closing releases every lock of the stream
  EXPECT_TRUE(first.LockRange(0, 20));
  EXPECT_TRUE(first.LockRange(1'000'000'100, 1));

  // A read-only stream cannot take a write lock.
  TFileStream reader(name, fmOpenRead | fmShareDenyNone);
  EXPECT_FALSE(reader.LockRange(100, 1));
  EXPECT_EQ(reader.LastLockError(), kErrorAccessDenied);

  for (auto [offset, length] : {std::pair<std::int64_t, std::int64_t>{-1, 1},
                                {0, 0},
                                {0, -5},
                                {kReservedLockOffset - 1, 2},
                                {INT64_MAX, INT64_MAX}}) {
    try {
      first.LockRange(offset, length);
      ADD_FAILURE() << offset << " " << length;
    } catch (const EStreamError& e) {
      EXPECT_EQ(e.Message(), "Invalid lock range");
    }
  }
  // Locks do not touch the share tokens: a new deny-none open still works.
  EXPECT_TRUE(first.LockRange(0, kReservedLockOffset));
  EXPECT_NO_THROW(TFileStream(name, fmOpenReadWrite | fmShareDenyNone));
}

TEST(FileStream, ByteRangeLocksAcrossProcesses) {
  TFileTestDir dir;
  const std::string name = dir.File("locks.dbf");
  WriteFile(name, "0123456789");
  TFileStream parent(name, fmOpenReadWrite | fmShareDenyNone);
  ASSERT_TRUE(parent.LockRange(32, 100));
  const int code = InChild([&] {
    TFileStream child(name, fmOpenReadWrite | fmShareDenyNone);
    int result = 0;
    if (!child.LockRange(100, 1) && child.LastLockError() == kErrorLockViolation) result |= 1;
    if (child.LockRange(0, 32)) result |= 2;
    return result;
  });
  EXPECT_EQ(code, 3);
  // The child's locks died with it.
  EXPECT_TRUE(parent.LockRange(0, 32));
}

// Tests can derive from TFileStream to make the file fail.
TEST(FileStream, FaultInjection) {
  class TFullDisk : public TFileStream {
   public:
    using TFileStream::TFileStream;
    std::int64_t Write(const void* buffer, std::int64_t count) override {
      return TFileStream::Write(buffer, std::min<std::int64_t>(count, 2));
    }
  };
  TFileTestDir dir;
  TFullDisk f(dir.File("full.bin"), fmCreate);
  try {
    f.WriteBuffer("abcd", 4);
    ADD_FAILURE();
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), SWriteError);
  }
  EXPECT_EQ(f.Size(), 2);
}
