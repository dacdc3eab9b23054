// Writes killed at a byte: the process dies once a given number of bytes
// has gone to the file, the last write cut short there (as a kill -9 cuts
// a large write). The file is then read as this program reads it and as
// readers that take (size - header) / record length records do.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "dbf_register_fixture.h"
#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"

namespace {

// Bytes the streams of the process may still write; below 0 none counts.
std::int64_t gBudget = -1;
// Where each write started, counted in bytes written before it.
std::vector<std::int64_t>* gWriteStarts = nullptr;
std::int64_t gWritten = 0;

class TDyingStream : public TFileStream {
 public:
  using TFileStream::TFileStream;
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (gWriteStarts != nullptr) gWriteStarts->push_back(gWritten);
    gWritten += count;
    if (gBudget >= 0 && count > gBudget) {
      TFileStream::Write(buffer, gBudget);
      raise(SIGKILL);
    }
    if (gBudget >= 0) gBudget -= count;
    return TFileStream::Write(buffer, count);
  }
};

struct TFileView {
  std::uint32_t Count = 0;        // as the header says
  std::uint32_t CountBySize = 0;  // as a reader that trusts the size takes it
  bool EndByteAfterCounted = false;
  // Past the counted records: whole live records, then the end byte.
  bool WholeRecordsPastCount = false;
  std::size_t Size = 0;
};

class DbfKilledWriteTest : public DbfRegisterTest {
 protected:
  using TWrite = std::function<void()>;

  std::unique_ptr<TmDbfTable, TObjectDeleter> Table(bool shared = false) {
    auto t = MakeTable(shared);
    t->StreamFactory = [](const std::string& file, unsigned mode) {
      return std::unique_ptr<TFileStream>(new TDyingStream(file, mode));
    };
    return t;
  }

  // A register of `n` records "r0" .. with an append's end byte.
  void MakeRegister(int n) {
    auto t = MakeTable();
    t->CreateTable();
    t->Open();
    for (int i = 0; i < n; ++i) Add(*t, "r" + std::to_string(i), i);
  }

  TFileView View() {
    const std::string bytes = FileBytes(name);
    TFileView v;
    v.Size = bytes.size();
    v.Count = dbf::DecodeFixed32(bytes.data() + 4);
    const std::size_t header = dbf::DecodeFixed16(bytes.data() + 8);
    v.CountBySize = static_cast<std::uint32_t>((bytes.size() - header) / kRecordLength);
    const std::size_t end = header + v.Count * kRecordLength;
    v.EndByteAfterCounted = end < bytes.size() && bytes[end] == dbf::kEofMarker;
    v.WholeRecordsPastCount = end < bytes.size() && bytes.back() == dbf::kEofMarker &&
                              (bytes.size() - 1 - end) % kRecordLength == 0;
    for (std::size_t r = end; v.WholeRecordsPastCount && r + 1 < bytes.size(); r += kRecordLength)
      v.WholeRecordsPastCount = bytes[r] == dbf::kLiveFlag;
    return v;
  }

  // Runs `write` once to learn where its writes start, then again in a
  // child killed after each of a set of byte counts around those starts
  // (and every `stride` bytes), restoring the file each time; `check`
  // looks at what each killed child left.
  void KillAtManyBytes(const std::string& what, const TWrite& write, std::int64_t stride,
                       const std::function<void(std::int64_t killAt)>& check) {
    const std::string before = FileBytes(name);
    std::vector<std::int64_t> starts;
    gWriteStarts = &starts;
    gWritten = 0;
    write();
    gWriteStarts = nullptr;
    const std::int64_t total = gWritten;
    ASSERT_GT(total, 0) << what;
    std::set<std::int64_t> points;
    for (std::int64_t s : starts)
      for (std::int64_t d : {-1, 0, 1, 2})
        if (s + d >= 0 && s + d < total) points.insert(s + d);
    for (std::int64_t p = 0; p < total; p += stride) points.insert(p);
    points.insert(total - 1);
    for (std::int64_t killAt : points) {
      WriteFile(name, before);
      DeleteFile(name + ",new");
      DeleteFile(name + ",old");
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        gBudget = killAt;
        write();
        _exit(0);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status)) << what << " " << killAt;
      check(killAt);
    }
    WriteFile(name, before);
  }

  // What every killed append leaves: the records counted are the first
  // ones written, whole; past them a reader stops at the end byte, and a
  // reader by size finds nothing more, or whole records of the block with
  // the end byte after them (the instant between the block and its count).
  // The next exclusive open cuts that off, and so does the next append,
  // which follows the counted records.
  void CheckAppendedPrefix(const std::string& what, std::int64_t killAt, int before, int added) {
    const TFileView v = View();
    const std::string at = what + " killed after " + std::to_string(killAt) + " bytes";
    ASSERT_GE(v.Count, static_cast<std::uint32_t>(before)) << at;
    ASSERT_LE(v.Count, static_cast<std::uint32_t>(before + added)) << at;
    EXPECT_TRUE(v.CountBySize == v.Count || v.EndByteAfterCounted || v.WholeRecordsPastCount) << at;
    std::string expected;
    for (std::uint32_t i = 0; i < v.Count; ++i)
      expected += (i == 0 ? "" : ",") + std::string("r") + std::to_string(i);
    {
      auto reader = MakeTable();
      reader->SetReadOnly(true);
      reader->Open();
      EXPECT_EQ(Names(*reader), expected) << at;
    }
    const std::string killed = FileBytes(name);
    {
      auto t = MakeTable();
      t->Open();
      const TFileView opened = View();
      EXPECT_EQ(opened.CountBySize, v.Count) << at;
      EXPECT_LE(opened.Size, kHeaderLength + v.Count * kRecordLength + 1) << at;
    }
    // A shared open leaves the file to the next writer.
    WriteFile(name, killed);
    auto t = MakeTable(true);
    t->Open();
    Add(*t, "next", 0);
    t->Close();
    const TFileView after = View();
    EXPECT_EQ(after.Count, v.Count + 1) << at;
    EXPECT_EQ(after.CountBySize, after.Count) << at;
    EXPECT_EQ(after.Size, kHeaderLength + after.Count * kRecordLength + 1) << at;
    EXPECT_EQ(FileBytes(name).back(), dbf::kEofMarker) << at;
  }
};

TEST_F(DbfKilledWriteTest, AKilledAppendLeavesNoRecordPastTheCount) {
  struct Case {
    const char* What;
    int Before;  // records already there (0: a fresh table without an end byte)
    bool Shared;
  } cases[] = {
      {"append to a fresh table", 0, false}, {"append", 3, false}, {"shared append", 3, true}};
  for (const Case& c : cases) {
    if (c.Before == 0) {
      MakeTable()->CreateTable();
    } else {
      MakeRegister(c.Before);
    }
    KillAtManyBytes(
        c.What,
        [&] {
          auto t = Table(c.Shared);
          t->Open();
          Add(*t, "r" + std::to_string(c.Before), c.Before);
        },
        1, [&](std::int64_t killAt) { CheckAppendedPrefix(c.What, killAt, c.Before, 1); });
  }
}

TEST_F(DbfKilledWriteTest, AKilledBatchLeavesNoRecordPastTheCount) {
  // A block of 256 KiB of records and a rest.
  constexpr int kAdded = 8000;
  MakeRegister(2);
  KillAtManyBytes(
      "batch",
      [&] {
        auto t = Table();
        t->Open();
        t->BeginAppendBatch();
        for (int i = 2; i < 2 + kAdded; ++i) Add(*t, "r" + std::to_string(i), i);
        t->EndAppendBatch();
      },
      30011, [&](std::int64_t killAt) { CheckAppendedPrefix("batch", killAt, 2, kAdded); });
}

// A register is open shared, so what a killed append left stays until a
// pack: killed at any byte, pack makes no record of it, and another
// program's reader sees every record appended afterwards.
TEST_F(DbfKilledWriteTest, APackAfterAKilledAppendLeavesEveryLaterRecordReadable) {
  struct Case {
    const char* What;
    int Added;  // 1: a single append; more: a batch
    std::int64_t Stride;
  } cases[] = {{"shared append", 1, 1}, {"batch", 8000, 30011}};
  for (const Case& c : cases) {
    MakeRegister(3);
    KillAtManyBytes(
        c.What,
        [&] {
          auto t = Table(true);
          t->Open();
          if (c.Added > 1) t->BeginAppendBatch();
          for (int i = 3; i < 3 + c.Added; ++i) Add(*t, "r" + std::to_string(i), i);
          t->EndAppendBatch();
        },
        c.Stride,
        [&](std::int64_t killAt) {
          const std::string at = std::string(c.What) + " killed after " + std::to_string(killAt);
          // Records the killed append counted stay, ahead of the new ones,
          // and so do whole ones it wrote but did not count yet: pack goes
          // by the records.
          const TFileView v = View();
          std::uint32_t kept = v.Count;
          if (v.WholeRecordsPastCount)
            kept +=
                static_cast<std::uint32_t>((v.Size - 1 - kHeaderLength) / kRecordLength) - v.Count;
          std::string expected;
          for (std::uint32_t i = 0; i < kept; ++i) expected += "r" + std::to_string(i) + ",";
          std::string appended;
          for (int i = 0; i < 10; ++i) appended += (i ? ",n" : "n") + std::to_string(i);
          EXPECT_EQ(PackAndAppendShared(at), expected + appended) << at;
        });
  }
}

// An append the file has no room for (a full disk, a size limit) fails
// with the system's reason and leaves nothing past the counted records;
// a pack after it takes nothing from it either. The room is made by a
// file-size limit in a child process.
TEST_F(DbfKilledWriteTest, AnAppendWithoutRoomFailsAndLeavesNothingPastTheCount) {
  constexpr std::int64_t kBlock = 50 * static_cast<std::int64_t>(kRecordLength);
  struct Case {
    int Added;          // 1: a single append; more: a batch
    std::int64_t Room;  // bytes the file may grow
    bool Fits;
  } cases[] = {
      {1, 0, false},
      {1, 1, false},
      {1, 20, false},
      {1, kRecordLength - 1, false},
      {1, kRecordLength, true},
      {50, 0, false},
      {50, kBlock / 2, false},
      {50, kBlock - 1, false},
      {50, kBlock, true},
  };
  for (const Case& c : cases) {
    MakeRegister(3);
    const std::string what =
        std::to_string(c.Added) + " record(s) with room for " + std::to_string(c.Room) + " bytes";
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipe[0]);
      const rlim_t limit = static_cast<rlim_t>(FileBytes(name).size() + c.Room);
      const struct rlimit room = {limit, limit};
      signal(SIGXFSZ, SIG_IGN);
      setrlimit(RLIMIT_FSIZE, &room);
      std::string message = "appended";
      try {
        auto t = MakeTable(true);
        t->Open();
        if (c.Added > 1) t->BeginAppendBatch();
        for (int i = 3; i < 3 + c.Added; ++i) Add(*t, "r" + std::to_string(i), i);
        t->EndAppendBatch();
      } catch (const Exception& e) {
        message = e.Message();
      }
      (void)!::write(pipe[1], message.data(), message.size());
      _exit(0);
    }
    ::close(pipe[1]);
    std::string message;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(message, c.Fits ? "appended" : "Ошибка записи данных. Файл слишком велик.") << what;
    const TFileView v = View();
    const std::uint32_t count = c.Fits ? 3 + c.Added : 3;
    EXPECT_EQ(v.Count, count) << what;
    EXPECT_EQ(v.Size, kHeaderLength + count * kRecordLength + 1) << what;
    EXPECT_TRUE(v.EndByteAfterCounted) << what;
    std::string expected;
    for (std::uint32_t i = 0; i < count; ++i) expected += "r" + std::to_string(i) + ",";
    EXPECT_EQ(PackAndAppendShared(what), expected + "n0,n1,n2,n3,n4,n5,n6,n7,n8,n9") << what;
  }
}

// Pack writes a new file beside the register: killed at any byte, the
// register is the original, and the next pack succeeds.
TEST_F(DbfKilledWriteTest, AKilledPackLeavesTheOriginal) {
  {
    auto t = MakeTable();
    t->CreateTable();
    t->Open();
    for (int i = 0; i < 3000; ++i) Add(*t, "r" + std::to_string(i), i);
    for (t->First(); !t->Eof();) {
      if (t->FieldByName("NUM")->AsInteger() % 3 == 1) {
        t->Delete();
      } else {
        t->Next();
      }
    }
  }
  const std::string original = FileBytes(name);
  KillAtManyBytes(
      "pack", [&] { Table()->Pack("", false); }, 3001,
      [&](std::int64_t killAt) { EXPECT_EQ(FileBytes(name), original) << killAt; });
  Table()->Pack("", false);
  const TFileView v = View();
  EXPECT_EQ(v.Count, 2000u);
  EXPECT_EQ(v.CountBySize, 2000u);
}

// The structure upgrade fills a new file beside the register: killed at
// any byte, the register is the original.
TEST_F(DbfKilledWriteTest, AKilledUpgradeLeavesTheOriginal) {
  {
    auto t = MakeTable();
    t->CreateTable();
    t->Open();
    for (int i = 0; i < 12; ++i) Add(*t, "r" + std::to_string(i), i);
  }
  const std::string original = FileBytes(name);
  auto upgrade = [&] {
    auto t = Table();
    t->SetVers(1);
    t->OnUserConvert = [](TmDbfTable* table, TmDbfTable* old, std::uint8_t) {
      for (; !old->Eof(); old->Next()) {
        table->Append();
        table->FieldByName("NAME")->SetAsString(old->FieldByName("NAME")->AsString());
        table->Post();
      }
    };
    t->Open();
  };
  KillAtManyBytes("upgrade", upgrade, 97,
                  [&](std::int64_t killAt) { EXPECT_EQ(FileBytes(name), original) << killAt; });
  upgrade();
  EXPECT_EQ(View().Count, 12u);
  EXPECT_EQ(FileBytes(name)[14], 1);
}

}  // namespace
