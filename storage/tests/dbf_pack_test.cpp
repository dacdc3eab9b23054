#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "dbf_register_fixture.h"
#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"

namespace {

class DbfPackTest : public DbfRegisterTest {
 protected:
  // A file of `flags.size()` records, NAME = "r<i>", with the given
  // deletion flags, and `tail` after the terminator.
  void MakeFile(const std::string& flags, const std::string& tail = "") {
    {
      auto t = MakeTable();
      t->CreateTable(tail);
      t->Open();
      for (std::size_t i = 0; i < flags.size(); ++i) Add(*t, "r" + std::to_string(i), 1);
    }
    std::string bytes = FileBytes(name);
    const std::size_t header = kHeaderLength + tail.size();
    for (std::size_t i = 0; i < flags.size(); ++i) bytes[header + i * kRecordLength] = flags[i];
    WriteFile(name, bytes);
  }

  std::string LiveNames() {
    auto t = MakeTable();
    t->Open();
    return Names(*t);
  }
};

TEST_F(DbfPackTest, PackKeepsLiveRecordsAndLeavesNoCopies) {
  MakeFile(" * ");
  auto t = MakeTable();
  t->SetCodePage(dbf::kCodePageOem866);
  t->Pack("", false);
  const std::string bytes = FileBytes(name);
  EXPECT_EQ(dbf::DecodeFixed32(bytes.data() + 4), 2u);
  EXPECT_EQ(bytes.size(), kHeaderLength + 2 * kRecordLength + 1);
  EXPECT_EQ(bytes.back(), dbf::kEofMarker);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[29]), dbf::kCodePageOem866);
  EXPECT_FALSE(FileExists(name + ",old"));
  EXPECT_FALSE(FileExists(name + ",new"));
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(LiveNames(), "r0,r2");
}

TEST_F(DbfPackTest, PackReplacesOrDropsTheTail) {
  struct Case {
    const char* Tail;
    bool Drop;
    std::size_t HeaderLength;
  } cases[] = {{"", false, kHeaderLength + 10},
               {"abc", false, kHeaderLength + 3},
               {"", true, kHeaderLength},
               {"abc", true, kHeaderLength}};
  for (const Case& c : cases) {
    MakeFile("  ", "0123456789");
    MakeTable()->Pack(c.Tail, c.Drop);
    const std::string bytes = FileBytes(name);
    EXPECT_EQ(dbf::DecodeFixed16(bytes.data() + 8), c.HeaderLength) << c.Tail << c.Drop;
    EXPECT_EQ(bytes.size(), c.HeaderLength + 2 * kRecordLength + 1);
    if (!c.Drop) {
      EXPECT_EQ(bytes.substr(kHeaderLength, c.HeaderLength - kHeaderLength),
                *c.Tail ? c.Tail : "0123456789");
    }
    EXPECT_EQ(LiveNames(), "r0,r1");
  }
}

TEST_F(DbfPackTest, PackGoesByTheDataNotTheCount) {
  MakeFile("   ");
  std::string bytes = FileBytes(name);
  dbf::EncodeFixed32(bytes.data() + 4, 1);
  WriteFile(name, bytes);
  MakeTable()->Pack("", false);
  EXPECT_EQ(dbf::DecodeFixed32(FileBytes(name).data() + 4), 3u);
}

// Bytes a killed or failed append left past the counted records, and
// what an older pack made of them: pack copies no such byte into a record,
// and another program's reader sees every record the program shows.
TEST_F(DbfPackTest, PackTakesNoRecordFromTheBytesOfAnAppendThatDidNotEnd) {
  MakeFile("     ");  // r0 .. r4, counted, and the end byte
  const std::string made = FileBytes(name);
  const std::size_t records = kHeaderLength;
  auto record = [&](int i) { return made.substr(records + i * kRecordLength, kRecordLength); };
  std::string ghost = record(4);
  ghost.replace(1, 5, "ghost");
  const std::string eof(1, dbf::kEofMarker);
  const std::string counted = made.substr(0, records + 3 * kRecordLength);  // r0 .. r2
  auto withCount = [](std::string bytes, std::uint32_t count) {
    dbf::EncodeFixed32(bytes.data() + 4, count);
    return bytes;
  };
  struct Case {
    const char* What;
    std::string Bytes;
    const char* Kept;
  } cases[] = {
      {"the end byte only", withCount(counted, 3) + eof, "r0,r1,r2"},
      {"no end byte", withCount(counted, 3), "r0,r1,r2"},
      {"a record but its flag", withCount(counted, 3) + eof + ghost.substr(1) + eof, "r0,r1,r2"},
      {"part of a record", withCount(counted, 3) + eof + ghost.substr(1, 9), "r0,r1,r2"},
      {"a block of records", withCount(counted, 3) + eof + ghost.substr(1) + ghost + ghost + eof,
       "r0,r1,r2"},
      {"a count too low", withCount(counted, 1) + eof + ghost.substr(1) + eof, "r0,r1,r2"},
      {"debris counted by an older pack",
       withCount(counted, 6) + eof + ghost.substr(1) + record(3) + record(4) + eof,
       "r0,r1,r2,r3,r4"},
  };
  for (const Case& c : cases) {
    WriteFile(name, c.Bytes);
    std::string appended;
    for (int i = 0; i < 10; ++i) appended += ",n" + std::to_string(i);
    EXPECT_EQ(PackAndAppendShared(c.What), c.Kept + appended) << c.What;
  }
}

TEST_F(DbfPackTest, PackRefusals) {
  auto t = MakeTable();
  t->SetTableName("");
  try {
    t->Pack("", false);
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(), "Table name not specified.");
  }
  t->SetTableName(name);
  try {
    t->Pack("", false);
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(), "Table " + name + " does not exist.");
  }
  MakeFile(" * ");
  const std::string before = FileBytes(name);
  t->Open();
  EXPECT_THROW(t->Pack("", false), EDatabaseError);
  t->Close();
  // Another user has it open: pack and re-creation refuse.
  auto other = MakeTable(true, "O");
  other->Open();
  try {
    t->Pack("", false);
    FAIL();
  } catch (const EDBFInUseError& e) {
    EXPECT_EQ(e.Message(),
              "Не удается упаковать таблицу " + name + ": она открыта другим пользователем.");
  }
  EXPECT_THROW(t->CreateTable(), EFCreateError);
  EXPECT_EQ(FileBytes(name), before);
  other->Close();
  EXPECT_THROW(t->Pack(std::string(70000, 'x'), false), ERangeError);
  EXPECT_EQ(FileBytes(name), before);
}

TEST_F(DbfPackTest, AFailedStepLeavesTheOriginal) {
  MakeFile(" * * ");
  const std::string before = FileBytes(name);
  int steps = 0;
  {
    auto t = MakeTable();
    t->StepHook = [&](int) { ++steps; };
    t->Pack("", false);
  }
  ASSERT_GE(steps, 6);
  // The reason is told with one full stop, whether it ends with one or not.
  const std::string systemError = std::string(SWriteError) + ". " + SystemErrorText(EIO);
  for (int failAt = 1; failAt < steps; ++failAt) {
    WriteFile(name, before);
    auto t = MakeTable();
    t->StepHook = [&](int step) {
      if (step == failAt) throw EWriteError("Stream write error. Disk full");
    };
    try {
      t->Pack("", false);
      FAIL() << failAt;
    } catch (const EDBFError& e) {
      EXPECT_EQ(e.Message(),
                "Упаковка таблицы " + name +
                    " не удалась: Stream write error. Disk full. Таблица не изменена.");
    }
    t->StepHook = [&](int step) {
      if (step == failAt) throw EWriteError(systemError);
    };
    try {
      t->Pack("", false);
      FAIL() << failAt;
    } catch (const EDBFError& e) {
      EXPECT_EQ(e.Message(), "Упаковка таблицы " + name +
                                 " не удалась: Ошибка записи данных. Ошибка ввода-вывода. "
                                 "Таблица не изменена.");
    }
    EXPECT_EQ(FileBytes(name), before) << failAt;
    EXPECT_FALSE(FileExists(name + ",new")) << failAt;
    EXPECT_FALSE(FileExists(name + ",old")) << failAt;
  }
}

// The process dies at every step of a pack in turn; the register always
// opens with all its live records.
TEST_F(DbfPackTest, KilledPackLosesNothing) {
  std::string flags;
  for (int i = 0; i < 5000; ++i) flags += i % 10 == 3 ? '*' : ' ';
  MakeFile(flags);  // 180,000 bytes of records: several blocks
  const std::string before = FileBytes(name);
  const std::string live = LiveNames();
  int steps = 0;
  {
    auto t = MakeTable();
    t->StepHook = [&](int) { ++steps; };
    t->Pack("", false);
  }
  ASSERT_GE(steps, 8);
  for (int killAt = 1; killAt <= steps + 1; ++killAt) {
    WriteFile(name, before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      auto t = MakeTable();
      t->StepHook = [&](int step) {
        if (step == killAt) raise(SIGKILL);
      };
      t->Pack("", false);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(killAt <= steps, WIFSIGNALED(status)) << killAt;
    EXPECT_EQ(LiveNames(), live) << killAt;
  }
  // Copies left by a killed pack do not stop the next one.
  MakeTable()->Pack("", false);
  EXPECT_EQ(LiveNames(), live);
  EXPECT_EQ(dbf::DecodeFixed32(FileBytes(name).data() + 4), 4500u);
}

// Two processes append 10,000 records each to one shared register.
// Another process appends while we open, refresh and read, through the
// mapping and through the stream: the file never looks damaged, the count
// only grows, and every record read is whole.
TEST_F(DbfPackTest, ReadersNeverSeeAHalfDoneAppend) {
  MakeTable()->CreateTable();
  constexpr int kAppends = 4000;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int code = 0;
    try {
      auto t = MakeTable(true, "P");
      t->Open();
      (void)!write(ready[1], "x", 1);
      for (int i = 0; i < kAppends; ++i) Add(*t, "n" + std::to_string(i), i, "А", i);
    } catch (...) {
      code = 1;
    }
    _exit(code);
  }
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  int last = 0, rounds = 0, status = 0;
  for (bool done = false; !done; ++rounds) {
    done = waitpid(child, &status, WNOHANG) == child;
    auto t = MakeTable(true);
    if (rounds % 2) {
      t->StreamFactory = [](const std::string& file, unsigned mode) {
        return std::make_unique<TFileStream>(file, mode);
      };
    }
    t->Open();
    for (int refresh = 0; refresh < 3; ++refresh) {
      if (refresh > 0) t->Refresh();
      ASSERT_GE(t->RecordCount(), last);
      last = t->RecordCount();
      if (last == 0) continue;
      t->Last();
      ASSERT_EQ(t->FieldByName("NAME")->AsString(), "n" + std::to_string(last - 1));
      ASSERT_EQ(t->FieldByName("cCERTIF")->AsString(), "А " + Format("%.7d", last - 1));
    }
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(last, kAppends);
  EXPECT_GT(rounds, 1);
  auto t = MakeTable(true);
  t->Open();
  int i = 0;
  for (t->First(); !t->Eof(); t->Next(), ++i)
    ASSERT_EQ(t->FieldByName("NAME")->AsString(), "n" + std::to_string(i));
  EXPECT_EQ(i, kAppends);
  close(ready[0]);
  close(ready[1]);
}

TEST_F(DbfPackTest, TwoProcessesAppendingShareTheFile) {
  MakeTable()->CreateTable();
  constexpr int kEach = 10000;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      int code = 0;
      try {
        auto t = MakeTable(true, "P");
        t->LockWait = [](int) { usleep(1000); };
        t->Open();
        t->AddCursor(t->FieldByName("cCERTIF"));
        for (int i = 0; i < kEach; ++i) {
          for (int tries = 0;; ++tries) {
            try {
              Add(*t, "p" + std::to_string(p) + "-" + std::to_string(i), i, p ? "Б" : "А", i);
              break;
            } catch (const EDatabaseError&) {
              t->Cancel();
              if (tries > 1000) throw;
            }
          }
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "appending process %d: %s\n", p, e.what());
        code = 1;
      } catch (...) {
        code = 1;
      }
      _exit(code);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto t = MakeTable(true);
  t->Open();
  TDbfCursor* byKey = t->AddCursor(t->FieldByName("cCERTIF"));
  TDbfCursor* byName = t->AddCursor(t->FieldByName("NAME"));
  t->Refresh();
  ASSERT_EQ(t->RecordCount(), 2 * kEach);
  EXPECT_EQ(byKey->Count(), 2 * kEach);
  EXPECT_EQ(byName->Count(), 2 * kEach);
  std::set<std::string> seen;
  for (t->First(); !t->Eof(); t->Next()) {
    const std::string n = t->FieldByName("NAME")->AsString();
    const int i = t->FieldByName("NUM")->AsInteger();
    const std::string series = n[1] == '0' ? "А" : "Б";
    ASSERT_EQ(n.substr(3), std::to_string(i));  // none torn
    ASSERT_EQ(t->FieldByName("cCERTIF")->AsString(), series + " " + Format("%.7d", i));
    seen.insert(n);
  }
  EXPECT_EQ(seen.size(), 2u * kEach);
  const std::string bytes = FileBytes(name);
  EXPECT_EQ(bytes.size(), kHeaderLength + 2 * kEach * kRecordLength + 1);
  EXPECT_TRUE(t->FindKey("cCERTIF", "Б 0009999", {}));
}

// ---- structure upgrade

class DbfUpgradeTest : public DbfPackTest {
 protected:
  // A version-0 file of three records.
  void MakeOld(std::uint8_t version = 0) {
    auto t = MakeTable();
    t->SetVers(version);
    t->CreateTable();
    t->Open();
    for (const char* n : {"a", "b", "c"}) Add(*t, n, 1);
  }

  static void CopyAll(TmDbfTable* table, TmDbfTable* old, std::uint8_t) {
    for (; !old->Eof(); old->Next()) {
      table->Append();
      table->FieldByName("NAME")->SetAsString(old->FieldByName("NAME")->AsString() + "!");
      table->Post();
    }
  }
};

TEST_F(DbfUpgradeTest, ConverterFillsTheNewStructure) {
  MakeOld();
  const std::string before = FileBytes(name);
  auto t = MakeTable(true);
  t->SetVers(1);
  int versSeen = -1;
  bool eventsOff = false, disabled = false;
  t->OnUserConvert = [&](TmDbfTable* table, TmDbfTable* old, std::uint8_t oldVers) {
    versSeen = oldVers;
    eventsOff = table->EventsOff();
    disabled = table->ControlsDisabled();
    EXPECT_EQ(table->RecordCount(), 0);
    CopyAll(table, old, oldVers);
  };
  t->Open();
  EXPECT_EQ(versSeen, 0);
  EXPECT_TRUE(eventsOff && disabled);
  EXPECT_FALSE(t->EventsOff() || t->ControlsDisabled());
  EXPECT_EQ(t->FileVers(), 1);
  EXPECT_EQ(t->RecNo(), 1);
  EXPECT_EQ(Names(*t), "a!,b!,c!");
  EXPECT_EQ(FileBytes(name)[14], 1);
  EXPECT_EQ(FileBytes(name + "_old"), before);
  EXPECT_FALSE(FileExists(name + ",new"));
  // Appends after the upgrade go to the register file.
  Add(*t, "d", 1);
  t->Close();
  EXPECT_EQ(LiveNames(), "a!,b!,c!,d");
  // Without a converter an old file opens as it is.
  MakeOld();
  auto plain = MakeTable();
  plain->SetVers(1);
  plain->Open();
  EXPECT_EQ(plain->FileVers(), 0);
  EXPECT_EQ(Names(*plain), "a,b,c");
}

TEST_F(DbfUpgradeTest, AFailedConversionLeavesTheRegisterAsItWas) {
  MakeOld();
  const std::string before = FileBytes(name);
  auto t = MakeTable();
  t->SetVers(1);
  t->OnUserConvert = [&](TmDbfTable* table, TmDbfTable* old, std::uint8_t) {
    table->Append();
    table->FieldByName("NAME")->SetAsString(old->FieldByName("NAME")->AsString());
    table->Post();
    throw EConvertError("'x' is not a valid date");
  };
  try {
    t->Open();
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(), "Обновление структуры таблицы " + name +
                               " не удалось: 'x' is not a valid date. Таблица оставлена как была.");
  }
  EXPECT_FALSE(t->Active());
  EXPECT_FALSE(t->EventsOff() || t->ControlsDisabled());
  EXPECT_EQ(FileBytes(name), before);
  EXPECT_FALSE(FileExists(name + ",new"));
  // The next try starts again from the original.
  t->OnUserConvert = [](TmDbfTable* table, TmDbfTable* old, std::uint8_t v) {
    CopyAll(table, old, v);
  };
  t->Open();
  EXPECT_EQ(Names(*t), "a!,b!,c!");
}

TEST_F(DbfUpgradeTest, NewerOrBusyFilesAreRefusedUntouched) {
  MakeOld(3);
  const std::string before = FileBytes(name);
  auto t = MakeTable();
  t->SetVers(2);
  t->OnUserConvert = [](TmDbfTable* table, TmDbfTable* old, std::uint8_t v) {
    CopyAll(table, old, v);
  };
  try {
    t->Open();
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(),
              "Таблица " + name +
                  " имеет версию структуры 3, более новую, чем 2; таблица оставлена как есть.");
  }
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(FileBytes(name), before);
  t->SetVers(4);
  t->SetExclusive(false);
  auto other = MakeTable(true, "O");
  other->SetVers(3);
  other->Open();
  try {
    t->Open();
    FAIL();
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(), "Не удается обновить структуру таблицы " + name +
                               ": она открыта другим пользователем.");
  }
  EXPECT_EQ(FileBytes(name), before);
  other->Close();
  t->Open();
  EXPECT_EQ(Names(*t), "a!,b!,c!");
}

// The process dies at every step of an upgrade; the register keeps its
// records, converted or not.
TEST_F(DbfUpgradeTest, KilledUpgradeLosesNothing) {
  MakeOld();
  const std::string before = FileBytes(name);
  int steps = 0;
  {
    auto t = MakeTable();
    t->SetVers(1);
    t->OnUserConvert = [](TmDbfTable* table, TmDbfTable* old, std::uint8_t v) {
      CopyAll(table, old, v);
    };
    t->StepHook = [&](int) { ++steps; };
    t->Open();
  }
  ASSERT_GE(steps, 4);
  for (int killAt = 1; killAt <= steps; ++killAt) {
    WriteFile(name, before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      auto t = MakeTable();
      t->SetVers(1);
      t->OnUserConvert = [](TmDbfTable* table, TmDbfTable* old, std::uint8_t v) {
        CopyAll(table, old, v);
      };
      t->StepHook = [&](int step) {
        if (step == killAt) raise(SIGKILL);
      };
      t->Open();
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(LiveNames(), "a,b,c") << killAt;
  }
}

}  // namespace
