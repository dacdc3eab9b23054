// A register file cut short by another program while a table has it
// mapped: the read fails with an error, the program goes on.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "dbf_register_fixture.h"
#include "storage/mapped_read.h"

namespace {

class DbfCutFileTest : public DbfRegisterTest, public ::testing::WithParamInterface<bool> {};

void CutFile(const std::string& name, off_t length) {
  const int fd = ::open(name.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, length), 0);
  ::close(fd);
}

}  // namespace

// Exclusive and shared tables both read through the mapping on a local
// file system.
TEST_P(DbfCutFileTest, ARecordPastTheCutFailsAndOneBeforeItStillReads) {
  auto t = MakeTable(GetParam());
  t->CreateTable();
  t->Open();
  // Enough records to span several pages: only a page wholly past the new
  // end faults; the rest of the last page reads as zeros.
  constexpr int kRecords = 400;
  for (int i = 1; i <= kRecords; ++i) Add(*t, "R" + std::to_string(i), i);
  t->First();
  CutFile(name, static_cast<off_t>(kHeaderLength + 10 * kRecordLength));

  try {
    t->SetRecNo(kRecords);
    FAIL() << "no error for a record past the end";
  } catch (const EDBFError& e) {
    EXPECT_EQ(e.Message(),
              "Таблица " + name + ": файл был укорочен другой программой, пока был открыт");
  }
  t->SetRecNo(5);
  EXPECT_EQ(t->FieldByName("NUM")->AsInteger(), 5);
  // Read through the stream now: still an error, not a crash.
  EXPECT_THROW(t->SetRecNo(kRecords - 1), Exception);
  t->SetRecNo(7);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "R7");
}

INSTANTIATE_TEST_SUITE_P(ExclusiveAndShared, DbfCutFileTest, ::testing::Bool());

// A bus error outside our copies still ends the program, through whatever
// handler was there before ours (the sanitizer's, in the test build).
TEST(MappedReadDeathTest, AFaultOutsideACopyIsNotSwallowed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TFileTestDir dir;
  const std::string name = dir.File("cut");
  const long page = ::sysconf(_SC_PAGESIZE);
  const int fd = ::open(name.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 2 * page), 0);
  auto* map = static_cast<char*>(::mmap(nullptr, 2 * page, PROT_READ, MAP_SHARED, fd, 0));
  ASSERT_NE(map, MAP_FAILED);
  ASSERT_EQ(::ftruncate(fd, page), 0);
  char copy[16];
  EXPECT_TRUE(CopyFromMapping(copy, map, sizeof copy));
  EXPECT_FALSE(CopyFromMapping(copy, map + page, sizeof copy));
  EXPECT_DEATH(
      {
        volatile char byte = map[page];
        (void)byte;
      },
      "");
  ::munmap(map, 2 * page);
  ::close(fd);
}

TEST(MappedReadTest, GatheringStopsAtTheCut) {
  TFileTestDir dir;
  const std::string name = dir.File("cut");
  const long page = ::sysconf(_SC_PAGESIZE);
  const int fd = ::open(name.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 2 * page), 0);
  auto* map = static_cast<char*>(::mmap(nullptr, 2 * page, PROT_READ, MAP_SHARED, fd, 0));
  ASSERT_NE(map, MAP_FAILED);
  ASSERT_EQ(::ftruncate(fd, page), 0);
  // One byte in every 100, the last ones past the cut.
  char flags[16];
  EXPECT_TRUE(GatherFromMapping(flags, map, 100, sizeof flags));
  EXPECT_FALSE(GatherFromMapping(flags, map + page - 1000, 100, sizeof flags));
  EXPECT_TRUE(GatherFromMapping(flags, map + page - 1000, 100, 10));
  ::munmap(map, 2 * page);
  ::close(fd);
}
