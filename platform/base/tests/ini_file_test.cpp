#include "platform/base/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/exceptions.h"
#include "platform/base/string_list.h"

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("ini_file_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir);
    FPath = (FDir / "settings.ini").string();
  }
  void TearDown() override { fs::remove_all(FDir); }

  void WriteRaw(const std::string& bytes) { std::ofstream(FPath, std::ios::binary) << bytes; }
  std::string ReadRaw() const {
    std::ifstream in(FPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  int FilesInDir() const {
    return static_cast<int>(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()));
  }

  fs::path FDir;
  std::string FPath;
};

}  // namespace

TEST_F(IniFileTest, WriteReplacesTheKeyLineInPlace) {
  WriteRaw(
      "; settings\r\n"
      "[Main]\r\n"
      "Name=old\r\n"
      "Foreign = kept as is \r\n"
      "junk line\r\n"
      "\r\n"
      "[Other]\r\n"
      "Name=other\r\n");
  TIniFile ini(FPath);
  ini.WriteString("main", "NAME", "new");
  ini.WriteInteger("OTHER", "name", 5);
  EXPECT_EQ(ReadRaw(),
            "; settings\r\n"
            "[Main]\r\n"
            "NAME=new\r\n"
            "Foreign = kept as is \r\n"
            "junk line\r\n"
            "\r\n"
            "[Other]\r\n"
            "name=5\r\n");
  EXPECT_EQ(ini.ReadString("Main", "foreign", ""), "kept as is");
  EXPECT_EQ(ini.ReadInteger("other", "NAME", 0), 5);
}

TEST_F(IniFileTest, MissingKeysAndSectionsAreAppendedWhereTheyBelong) {
  TIniFile ini(FPath);  // no file yet
  EXPECT_FALSE(fs::exists(FPath));
  ini.WriteString("A", "x", "1");
  EXPECT_EQ(ReadRaw(), "[A]\r\nx=1\r\n");

  WriteRaw(
      "[A]\n"
      "x=1\n"
      "; about B\n"
      "\n"
      "[B]\n"
      "; only a comment\n"
      "[C]\n"
      "c=3");
  ini.WriteString("A", "y", "2");
  ini.WriteString("B", "b", "2");
  ini.WriteString("C", "d", "4");
  ini.WriteString("D", "d", "5");
  EXPECT_EQ(ReadRaw(),
            "[A]\r\n"
            "x=1\r\n"
            "y=2\r\n"
            "; about B\r\n"
            "\r\n"
            "[B]\r\n"
            "b=2\r\n"
            "; only a comment\r\n"
            "[C]\r\n"
            "c=3\r\n"
            "d=4\r\n"
            "\r\n"
            "[D]\r\n"
            "d=5\r\n");
}

TEST_F(IniFileTest, ReadsEveryLineBreakConvention) {
  for (const char* text : {"[S]\rk=v\r[T]\rk=w\r", "[S]\nk=v\n[T]\nk=w", "[S]\r\nk=v\r\n[T]\r\nk=w\r\n",
                           "[S]\r\nk=v\n[T]\rk=w"}) {
    WriteRaw(text);
    TIniFile ini(FPath);
    EXPECT_EQ(ini.ReadString("S", "k", "?"), "v") << text;
    EXPECT_EQ(ini.ReadString("T", "k", "?"), "w") << text;
  }
}

TEST_F(IniFileTest, CyrillicIsWindows1251OnDisk) {
  WriteRaw("[\xD0\xE5\xE5\xF1\xF2\xF0]\r\n\xC8\xEC\xFF=\xB8\xEB\xEA\xE0\r\n");  // [Реестр] Имя=ёлка
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadString("РЕЕСТР", "имя", ""), "ёлка");
  ini.WriteString("реестр", "Ж", "Ёж «—»");
  EXPECT_EQ(ReadRaw(),
            "[\xD0\xE5\xE5\xF1\xF2\xF0]\r\n\xC8\xEC\xFF=\xB8\xEB\xEA\xE0\r\n"
            "\xC6=\xA8\xE6 \xAB\x97\xBB\r\n");
  EXPECT_EQ(TIniFile(FPath).ReadString("Реестр", "ж", ""), "Ёж «—»");
}

TEST_F(IniFileTest, ValuesAreTrimmedAndUnquoted) {
  WriteRaw(
      "[S]\n"
      "  a  =  spaced  \n"
      "b=\"  quoted  \"\n"
      "c=\"unbalanced\n"
      "d=\"\"\n"
      ";e=comment\n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadString("S", "a", ""), "spaced");
  EXPECT_EQ(ini.ReadString("S", "b", ""), "  quoted  ");
  EXPECT_EQ(ini.ReadString("S", "c", ""), "\"unbalanced");
  EXPECT_EQ(ini.ReadString("S", "d", "?"), "");
  EXPECT_EQ(ini.ReadString("S", "e", "def"), "def");
  EXPECT_EQ(ini.ReadString("S", ";e", "def"), "def");

  // Values that reading would change are written quoted.
  for (const char* value : {" lead", "trail\t", "\"quoted\"", "plain \"inner\" text", ""}) {
    ini.WriteString("W", "v", value);
    EXPECT_EQ(TIniFile(FPath).ReadString("W", "v", "?"), value);
  }
  ini.WriteString("W", "multi", "one\r\ntwo");
  EXPECT_EQ(ini.ReadString("W", "multi", ""), "one  two");
}

TEST_F(IniFileTest, TypedReadsFallBackToTheDefault) {
  WriteRaw("[N]\nhex=0x1F\ndollar=$10\nneg=-7\nbad=12a\nzero=0\nf=2,5\nfbad=x\ndbad=32.13.2020\n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("N", "dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("N", "bad", 9), 9);
  EXPECT_EQ(ini.ReadInteger("N", "missing", 9), 9);
  EXPECT_TRUE(ini.ReadBool("N", "neg", false));
  EXPECT_FALSE(ini.ReadBool("N", "zero", true));
  EXPECT_TRUE(ini.ReadBool("N", "bad", true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "f", 0), 2.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "fbad", 1.5), 1.5);
  EXPECT_DOUBLE_EQ(ini.ReadDate("N", "dbad", 3.0), 3.0);

  ini.WriteBool("N", "b", true);
  EXPECT_EQ(ini.ReadString("N", "b", ""), "1");
  ini.WriteFloat("N", "f2", 0.25);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "f2", 0), 0.25);
  ini.WriteDate("N", "d", 43831.0);  // 01.01.2020
  EXPECT_DOUBLE_EQ(ini.ReadDate("N", "d", 0), 43831.0);
}

TEST_F(IniFileTest, SectionListingErasingAndDeleting) {
  WriteRaw(
      "top=ignored\n"
      "[One]\n"
      "b= 2 \n"
      "a=\"1\"\n"
      "; c=3\n"
      "[Two]\n"
      "x=1\n"
      "[ONE]\n"
      "z=9\n");
  TIniFile ini(FPath);
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(list.CommaText(), "One,Two");
  ini.ReadSection("one", list);
  EXPECT_EQ(list.CommaText(), "b,a");
  ini.ReadSectionValues("One", list);
  EXPECT_EQ(list.CommaText(), "b=2,a=1");
  EXPECT_TRUE(ini.SectionExists("two"));
  EXPECT_FALSE(ini.SectionExists("Three"));
  EXPECT_TRUE(ini.ValueExists("Two", "X"));
  EXPECT_FALSE(ini.ValueExists("Two", "y"));

  ini.DeleteKey("One", "B");
  ini.EraseSection("one");  // every section of the name goes
  EXPECT_EQ(ReadRaw(), "top=ignored\r\n[Two]\r\nx=1\r\n");
  ini.ReadSection("Missing", list);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(IniFileTest, TwoObjectsOnOneFileSeeEachOthersWrites) {
  TIniFile first(FPath);
  TIniFile second(FPath);
  first.WriteString("S", "a", "1");
  second.WriteString("S", "b", "2");
  first.WriteString("S", "c", "3");
  EXPECT_EQ(second.ReadString("S", "c", ""), "3");
  EXPECT_EQ(ReadRaw(), "[S]\r\na=1\r\nb=2\r\nc=3\r\n");
}

TEST_F(IniFileTest, FailedWritesLeaveTheFileAsItWas) {
  TIniFile nowhere((FDir / "missing" / "x.ini").string());
  try {
    nowhere.WriteString("S", "k", "v");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_NE(e.Message().find("missing/x.ini"), std::string::npos) << e.Message();
  }

  WriteRaw("[S]\r\nk=old\r\n");
  TIniFile ini(FPath);
  {
    // A file size limit makes the write of the temporary file fail halfway.
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool failed = false;
    try {
      ini.WriteString("S", "k", std::string(1000, 'x'));
    } catch (const EInOutError& e) {
      failed = true;
      EXPECT_NE(e.Message().find(FPath), std::string::npos) << e.Message();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
  }
  EXPECT_EQ(ReadRaw(), "[S]\r\nk=old\r\n");
  EXPECT_EQ(FilesInDir(), 1);  // no temporary file left behind
  EXPECT_EQ(ini.ReadString("S", "k", ""), "old");
  ini.WriteString("S", "k", "new");
  EXPECT_EQ(ReadRaw(), "[S]\r\nk=new\r\n");
}
